#include "FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(ss).str();
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
  auto fail = [&](const std::string& what, const std::string& tmp) {
    int err = errno;
    if (!tmp.empty()) ::unlink(tmp.c_str());
    if (error) *error = what + ": " + std::strerror(err);
    return false;
  };
  std::string tmpl = path + ".XXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return fail("cannot create a temporary file beside " + path, {});
  // Keep the permissions of the file we replace; a new one gets 0644.
  struct stat st {};
  ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return fail("cannot write " + tmpl, tmpl);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) {
    ::close(fd);
    return fail("cannot flush " + tmpl, tmpl);
  }
  if (::close(fd) != 0) return fail("cannot close " + tmpl, tmpl);
  if (::rename(tmpl.c_str(), path.c_str()) != 0) return fail("cannot replace " + path, tmpl);
  return true;
}

std::optional<std::string> LinkTarget(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path p = path;
  std::error_code ec;
  for (int depth = 0; fs::is_symlink(p, ec); ++depth) {
    const fs::path target = fs::read_symlink(p, ec);
    if (ec || depth == 40) return std::nullopt;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p.string();
}

bool WriteFileThroughLink(const std::string& path, std::string_view bytes, std::string* error) {
  const std::optional<std::string> target = LinkTarget(path);
  if (!target) {
    if (error) *error = "cannot write " + path + ": its symbolic links run in a circle or too deep";
    return false;
  }
  return WriteFileAtomic(*target, bytes, error);
}

bool IsFolderWritable(const std::string& folder) {
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace platform
