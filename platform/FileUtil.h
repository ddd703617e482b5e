// Whole-file reads and crash-safe writes, and the words for their
// failures: the user reads why in the program's language (one table from
// the system's error numbers, FileErrorText, in Chinese and, for the
// upgrade's other languages, in English); the system's own text, with the
// operation and the path, goes to the log (qWarning).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class FileAccess { Read, Write };
enum class TextLanguage { Chinese, English };

// Why a file could not be read or written, in the program's words, from
// the system's error number: "文件不存在", "文件夹不存在", "没有写入权限",
// "磁盘已满" ... (in English "the disk is full" ...). An unknown number is
// named with its value.
std::string FileErrorText(int error, FileAccess access, TextLanguage language = TextLanguage::Chinese);

// A failed operation on a file: logs `what` (the operation and the path)
// with the system's text of the error number, and gives FileErrorText.
std::string FileFailure(const std::string& what, int error, FileAccess access,
                        TextLanguage language = TextLanguage::Chinese);

// Why a file that is there but could not be read is not written: what
// would replace it was made without its contents. `reason` says why the
// read failed (FileErrorText).
std::string UnreadFileKeptText(const std::string& reason);

// The file's bytes, or nothing when it cannot be read (a folder cannot).
// With `error` given, a failure is logged and its reason put there.
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error = nullptr);

// ReadFileBytes for a file that a later write replaces whole: a file that
// is not there (nor a folder on its way, nor a file where its symbolic
// links lead) gives no bytes; nothing only when the file is there but
// cannot be read (no read permission, a read error, a folder), whose
// contents a write would lose.
std::optional<std::string> ReadFileIfThere(const std::string& path, std::string* error = nullptr);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a crash leaves either the old or the new
// file, never a damaged one. On failure the old file is untouched and the
// temporary file is removed; with `error` given, the failure is logged and
// its reason put there.
bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// The file a path names once symbolic links are followed (a relative
// target lies in its link's folder): the path itself when it is no link;
// nothing when the links run in a circle or deeper than 40.
std::optional<std::string> LinkTarget(const std::string& path);

// WriteFileAtomic through symbolic links: a path that is a link keeps it,
// and its target is replaced (the temporary file beside the target).
bool WriteFileThroughLink(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// True when a file could be created in `folder` (it exists and is writable).
bool IsFolderWritable(const std::string& folder);

}  // namespace platform
