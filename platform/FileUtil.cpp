#include "FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

namespace platform {

namespace {

// The words for one reason: reading and writing, in Chinese and in English.
struct Words {
  const char* ReadChinese;
  const char* WriteChinese;
  const char* ReadEnglish;
  const char* WriteEnglish;
};

// The same words for reading and writing.
constexpr Words Both(const char* chinese, const char* english) { return {chinese, chinese, english, english}; }

// The one table from the system's error numbers; nothing for a number
// without words.
std::optional<Words> WordsFor(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return Words{"文件不存在", "文件夹不存在", "the file does not exist", "the folder does not exist"};
    case EACCES:
    case EPERM: return Words{"没有读取权限", "没有写入权限", "no permission to read", "no permission to write"};
    case EROFS: return Both("磁盘只能读，不能写", "the disk can be read but not written");
    case ENOSPC: return Both("磁盘已满", "the disk is full");
    case EDQUOT: return Both("磁盘配额已用完", "the disk quota is used up");
    case EFBIG: return Both("文件太大", "the file is too large");
    case EISDIR:
      return Words{"这是一个文件夹，不是文件", "已有同名的文件夹", "it is a folder, not a file",
                   "a folder of that name is there"};
    case ENAMETOOLONG: return Both("文件名太长", "the file name is too long");
    case ELOOP: return Both("符号链接太多或绕成了圈", "too many symbolic links, or links in a circle");
    case EBUSY:
    case ETXTBSY: return Both("文件正在使用中", "the file is in use");
    case EMFILE:
    case ENFILE: return Both("打开的文件太多", "too many files are open");
    case ENOMEM: return Both("内存不足", "not enough memory");
    case EIO: return Both("磁盘读写出错", "the disk reported a read or write error");
    case EINVAL: return Both("文件名无效", "the file name is not valid");
    default: return std::nullopt;
  }
}

// The bytes of a file; a file that is not there (nor a folder on its way,
// nor a file at the end of its symbolic links) reads as none when
// `missingIsEmpty`.
std::optional<std::string> ReadBytes(const std::string& path, std::string* error, bool missingIsEmpty) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  auto fail = [&](const char* what) -> std::optional<std::string> {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    if (missingIsEmpty && (err == ENOENT || err == ENOTDIR || err == ELOOP)) return std::string();
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

}  // namespace

std::string FileErrorText(int error, FileAccess access, TextLanguage language) {
  const bool read = access == FileAccess::Read, chinese = language == TextLanguage::Chinese;
  if (const std::optional<Words> words = WordsFor(error))
    return chinese ? (read ? words->ReadChinese : words->WriteChinese) : (read ? words->ReadEnglish : words->WriteEnglish);
  const std::string number = std::to_string(error);
  return chinese ? "其他错误（错误号 " + number + "）" : "another error (error number " + number + ")";
}

std::string FileFailure(const std::string& what, int error, FileAccess access, TextLanguage language) {
  qWarning("%s: %s", what.c_str(), std::strerror(error));
  return FileErrorText(error, access, language);
}

std::string UnreadFileKeptText(const std::string& reason) {
  return "原文件无法读取（" + reason + "），为免丢失其中的内容，没有改写";
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error) {
  return ReadBytes(path, error, false);
}

std::optional<std::string> ReadFileIfThere(const std::string& path, std::string* error) {
  return ReadBytes(path, error, true);
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
