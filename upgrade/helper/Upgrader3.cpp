// The replacement helper: a small program of its own that the upgrade
// writes out and starts just before the program closes. It shares no code
// with the program and opens no window.
//
// Command line (each blank parts two arguments, and the helper joins them
// again with blanks, so paths with blanks survive):
//   Upgrader3 [--pid=N] [--lock-fd=L] [--go-fd=G] PROGRAM +RESTART_PARAMETERS DIGIT
// PROGRAM is the program's full path; the text after the last " +" holds
// the restart parameters and, as its last character, the method: "0" the
// program replaces itself, "1" an external setup runs, "2" a web page was
// opened instead (nothing to do but restart). L and G are descriptors the
// program passes on: its upgrade lock, and a line on which it says "1"
// once the upgrade may go on.
//
// 0. With G: waits for the word; anything else (the program gave up, or
//    ended without a word) ends the helper before it has touched anything.
// 1. Waits until the program has ended: the process N when it runs the
//    program file, otherwise every process that runs the program file.
//    Then takes the folder's upgrade lock (".upgrade.lock" beside the
//    program; L when it is that lock), waiting for it, and holds it until
//    the end: one upgrade per folder at a time.
// 2. Puts every "*.uTMP" file of the program's folder in place of the file
//    of its name without ".uTMP", by one rename that keeps the replaced
//    file's permissions. A replacement that fails leaves the old file and
//    the ".uTMP" file as they are.
// 3. Method 1: the first downloaded executable other than the program (when
//    the program itself was not downloaded) is the setup; it runs with the
//    restart parameters, is waited for and deleted.
// 4. Starts the program with the restart parameters (parted at blanks).
// 5. Deletes itself when it runs from a folder of its own ("ssq-upgrade-*").
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kTempSuffix = ".uTMP";
constexpr const char* kPrivateFolderPrefix = "ssq-upgrade-";
constexpr const char* kLockName = ".upgrade.lock";

struct FileId {
  dev_t Device = 0;
  ino_t Inode = 0;
  bool Valid = false;
  bool operator==(const FileId& o) const { return Valid && o.Valid && Device == o.Device && Inode == o.Inode; }
};

FileId IdOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {st.st_dev, st.st_ino, true};
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// True while some process runs the file (a process that has ended has no
// program file any more, even before its parent has collected it).
bool FileRuns(const FileId& program) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  bool runs = false;
  while (dirent* e = ::readdir(proc)) {
    if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
    if (IdOf(std::string("/proc/") + e->d_name + "/exe") == program) {
      runs = true;
      break;
    }
  }
  ::closedir(proc);
  return runs;
}

void WaitForProgramEnd(const std::string& program, long pid) {
  const FileId file = IdOf(program);
  if (!file.Valid) return;
  if (pid > 0 && IdOf("/proc/" + std::to_string(pid) + "/exe") == file) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
      }
      ::close(fd);
      return;
    }
  }
  while (FileRuns(file)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

bool LooksExecutable(const std::string& path) {
  char head[4] = {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return (n >= 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) || (n >= 2 && head[0] == '#' && head[1] == '!');
}

// Renames `temp` over `target`. The new file gets the replaced file's
// permissions; a new file keeps its own, made executable when it is a
// program; a setup is the owner's alone.
bool Replace(const std::string& temp, const std::string& target, bool setup) {
  struct stat st {};
  mode_t mode = 0;
  if (setup) {
    mode = 0700;
  } else if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else if (::stat(temp.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
    if (LooksExecutable(temp)) mode |= (mode & 0444) >> 2;
  } else {
    return false;
  }
  return ::chmod(temp.c_str(), mode) == 0 && ::rename(temp.c_str(), target.c_str()) == 0;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find(' ', at), text.size());
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

pid_t Run(const std::string& program, const std::string& parameters, bool detached) {
  std::vector<std::string> args = Words(parameters);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  if (detached) posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ) != 0) pid = -1;
  posix_spawnattr_destroy(&attr);
  return pid;
}

// Waits for the program's word on `fd`: true for "1".
bool WaitForWord(int fd) {
  char word = 0;
  ssize_t n;
  while ((n = ::read(fd, &word, 1)) < 0 && errno == EINTR) {
  }
  ::close(fd);
  return n == 1 && word == '1';
}

// The folder's upgrade lock, waited for: `passed` when it is that lock's
// file, else the file opened here. -1 when there is no lock to be had.
int TakeLock(const std::string& folder, int passed) {
  const std::string path = folder + kLockName;
  const FileId lock = IdOf(path);
  struct stat st {};
  int fd = -1;
  if (passed >= 0 && ::fstat(passed, &st) == 0 && lock == FileId{st.st_dev, st.st_ino, true}) {
    fd = passed;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);  // the programs started later must not hold it
  } else {
    if (passed >= 0) ::close(passed);
    fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
  }
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  return fd;
}

void RemoveSelf() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  const std::string path(self, static_cast<size_t>(n));
  const std::string folder = path.substr(0, path.rfind('/'));
  if (folder.substr(folder.rfind('/') + 1).rfind(kPrivateFolderPrefix, 0) != 0) return;
  ::unlink(path.c_str());
  ::rmdir(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  long pid = 0, lockFd = -1, goFd = -1;
  for (bool option = true; option && !args.empty();) {
    option = false;
    for (auto [name, value] : {std::pair{"--pid=", &pid}, {"--lock-fd=", &lockFd}, {"--go-fd=", &goFd}})
      if (args.front().rfind(name, 0) == 0) {
        *value = std::strtol(args.front().c_str() + std::strlen(name), nullptr, 10);
        args.erase(args.begin());
        option = true;
        break;
      }
  }
  std::string text;
  for (const std::string& a : args) text += a + " ";
  const size_t plus = text.rfind(" +");
  if (args.empty() || plus == std::string::npos || plus == 0) {
    std::fputs("Upgrader: puts the files an upgrade has downloaded in place and restarts the program.\n"
               "It is started by the program itself.\n",
               stderr);
    return 2;
  }
  const std::string program = text.substr(0, plus);
  std::string restart = text.substr(plus + 2);
  restart.pop_back();  // the blank after the last argument
  const bool methodIs1 = !restart.empty() && restart.back() == '1';
  if (!restart.empty()) restart.pop_back();  // the method digit
  const std::string folder = program.substr(0, program.rfind('/') + 1);

  if (goFd >= 0 && !WaitForWord(static_cast<int>(goFd))) {
    if (lockFd >= 0) ::close(static_cast<int>(lockFd));
    RemoveSelf();
    return 3;
  }
  WaitForProgramEnd(program, pid);
  const int lock = TakeLock(folder.empty() ? "./" : folder, static_cast<int>(lockFd));

  bool selfReplaced = Exists(program + kTempSuffix);
  std::string setup;
  std::vector<std::string> temps;
  if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
    while (dirent* e = ::readdir(dir))
      if (EndsWith(e->d_name, kTempSuffix) && std::strlen(e->d_name) > std::strlen(kTempSuffix))
        temps.push_back(e->d_name);
    ::closedir(dir);
  }
  std::sort(temps.begin(), temps.end());
  for (const std::string& name : temps) {
    const std::string temp = folder + name, target = folder + name.substr(0, name.size() - 5);
    struct stat st {};
    if (::lstat(temp.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    bool isSetup = false;
    if (!selfReplaced && LooksExecutable(temp)) {
      isSetup = methodIs1;
      selfReplaced = true;
    }
    if (Replace(temp, target, isSetup) && isSetup) setup = target;
  }

  if (!setup.empty()) {
    const pid_t child = Run(setup, restart, false);
    int status = 0;
    if (child > 0)
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    ::unlink(setup.c_str());
  }
  Run(program, restart, true);
  if (lock >= 0) ::close(lock);
  RemoveSelf();
  return 0;
}
