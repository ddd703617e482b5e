#include "FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace platform {

std::string FileErrorText(int error, FileAccess access) {
  const bool read = access == FileAccess::Read;
  switch (error) {
    case ENOENT:
    case ENOTDIR: return read ? "文件不存在" : "文件夹不存在";
    case EACCES:
    case EPERM: return read ? "没有读取权限" : "没有写入权限";
    case EROFS: return "磁盘只能读，不能写";
    case ENOSPC: return "磁盘已满";
    case EDQUOT: return "磁盘配额已用完";
    case EFBIG: return "文件太大";
    case EISDIR: return read ? "这是一个文件夹，不是文件" : "已有同名的文件夹";
    case ENAMETOOLONG: return "文件名太长";
    case ELOOP: return "符号链接太多或绕成了圈";
    case EBUSY:
    case ETXTBSY: return "文件正在使用中";
    case EMFILE:
    case ENFILE: return "打开的文件太多";
    case ENOMEM: return "内存不足";
    case EIO: return "磁盘读写出错";
    case EINVAL: return "文件名无效";
    default: return "其他错误（错误号 " + std::to_string(error) + "）";
  }
}

std::string FileFailure(const std::string& what, int error, FileAccess access) {
  qWarning("%s: %s", what.c_str(), std::strerror(error));
  return FileErrorText(error, access);
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  auto fail = [&](const char* what) -> std::optional<std::string> {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    if (error) *error = FileFailure(what + path, err, FileAccess::Read);
    return std::nullopt;
  };
  if (fd < 0) return fail("cannot open ");
  std::string bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(size_t(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail("cannot read ");
    }
    bytes.append(buffer, size_t(n));
  }
  ::close(fd);
  return bytes;
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
  auto fail = [&](const std::string& what, const std::string& tmp) {
    const int err = errno;
    if (!tmp.empty()) ::unlink(tmp.c_str());
    if (error) *error = FileFailure(what, err, FileAccess::Write);
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
    if (error) *error = FileFailure("cannot follow the symbolic links of " + path, ELOOP, FileAccess::Write);
    return false;
  }
  return WriteFileAtomic(*target, bytes, error);
}

bool IsFolderWritable(const std::string& folder) {
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace platform
