// Starting and watching programs in the upgrade's tests: the stand-in
// program, the helper, a program that upgrades itself.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testsupport {

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes, mode_t mode) {
  std::ofstream(path, std::ios::binary) << bytes;
  ::chmod(path.c_str(), mode);
}

// Starts a program with this process's environment after the `extra`
// entries; it inherits every descriptor not marked close-on-exec.
inline pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extra = {}) {
  std::vector<char*> argv, env;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : extra) env.push_back(const_cast<char*>(e.c_str()));
  for (char** e = environ; *e; ++e) env.push_back(*e);
  argv.push_back(nullptr);
  env.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), env.data()) == 0 ? pid : -1;
}

// The exit code; a process still running after 30 s is killed (-1).
inline int Reap(pid_t pid) {
  using namespace std::chrono_literals;
  int status = -1;
  for (int tries = 0; tries < 3000 && ::waitpid(pid, &status, WNOHANG) == 0; ++tries) {
    std::this_thread::sleep_for(10ms);
    if (tries == 2999) ::kill(pid, SIGKILL);
  }
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The log's lines once it holds `lines` of them (a restarted program runs
// detached, so a test can only wait for its line).
inline std::vector<std::string> WaitForLog(const std::string& log, size_t lines) {
  using namespace std::chrono_literals;
  std::vector<std::string> result;
  for (int tries = 0; tries < 3000 && result.size() < lines; ++tries) {
    if (tries) std::this_thread::sleep_for(10ms);
    std::istringstream in(ReadAll(log));
    result.clear();
    for (std::string line; std::getline(in, line);) result.push_back(line);
  }
  return result;
}

}  // namespace testsupport
