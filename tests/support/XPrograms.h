// What the tests on a real X server (run under xvfb-run) share: a program
// of the X session (xcompmgr, openbox) as a child process of the test,
// ended by its id when the object goes (and killed should the test die
// first), and a wait that pumps events until a condition holds.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

// Pumps events until `done` or the time is up.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(20);
  }
  return true;
}

class ChildProgram {
 public:
  ChildProgram(const char* program, std::initializer_list<const char*> arguments = {}) {
    std::vector<std::string> args{program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(1);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~ChildProgram() { Stop(); }
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;
  bool Started() const { return pid_ > 0; }
  // Whether the program has ended (or never started).
  bool Ended() {
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    return pid_ <= 0;
  }
  // Ends the program and waits for it; one that has not ended after a
  // while (it may wait on the X server) is killed.
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    QElapsedTimer t;
    t.start();
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (t.elapsed() > 10000) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        break;
      }
      QThread::msleep(20);
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

// xcompmgr (simple compositing, no shadows) on the test's display.
class Compositor : public ChildProgram {
 public:
  Compositor() : ChildProgram("xcompmgr", {"-n"}) {}
};

}  // namespace testsupport
