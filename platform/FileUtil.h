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

// True when a file could be created in `folder` (it exists and is writable).
bool IsFolderWritable(const std::string& folder);

}  // namespace platform
