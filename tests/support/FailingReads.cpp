#include "support/FailingReads.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>

namespace {

std::atomic<bool> active{false};
std::mutex mutex;
std::string failing;  // the file as /proc/self/fd names it
int failure = 0;

// The failure for a read of `fd`, or 0.
int FailureFor(int fd) {
  char link[32], target[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = ::readlink(link, target, sizeof target);
  if (n <= 0) return 0;
  std::lock_guard lock(mutex);
  return failing == std::string_view(target, static_cast<size_t>(n)) ? failure : 0;
}

}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
  static const auto real = reinterpret_cast<ssize_t (*)(int, void*, size_t)>(::dlsym(RTLD_NEXT, "read"));
  if (active.load(std::memory_order_acquire)) {
    if (const int error = FailureFor(fd)) {
      errno = error;
      return -1;
    }
  }
  return real(fd, buffer, count);
}

namespace testsupport {

FailingReads::FailingReads(const std::string& path, int error) {
  std::lock_guard lock(mutex);
  failing = std::filesystem::canonical(path).string();
  failure = error;
  active = true;
}

FailingReads::~FailingReads() {
  active = false;
  std::lock_guard lock(mutex);
  failing.clear();
}

}  // namespace testsupport
