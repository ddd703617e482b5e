// Whole-file reads and crash-safe writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a crash leaves either the old or the new
// file, never a damaged one. On failure the old file is untouched, the
// temporary file is removed and the reason is put in `error` (when given).
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
