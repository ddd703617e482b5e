#include "AppPath.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
std::string g_override;

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

}  // namespace

std::string GetAppPath() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_override.empty()) return g_override;
  }
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return WithSlash(std::filesystem::current_path().string());
  return WithSlash(exe.parent_path().string());
}

void SetAppPathOverride(const std::string& folder) {
  std::lock_guard lock(g_mutex);
  g_override = folder.empty() ? std::string() : WithSlash(folder);
}

std::string GetUserConfigPath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  return WithSlash(WithSlash(base) + "ssqanalyzer");
}

}  // namespace platform
