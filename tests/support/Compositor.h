// What the tests on a real X server (run under xvfb-run) share for layered
// windows: xcompmgr as a child process of the test, ended by its id when
// the object goes, and a wait that pumps events until a condition holds.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>

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

// xcompmgr (simple compositing, no shadows) on the test's display.
class Compositor {
 public:
  Compositor() {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execlp("xcompmgr", "xcompmgr", "-n", static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~Compositor() { Stop(); }
  Compositor(const Compositor&) = delete;
  Compositor& operator=(const Compositor&) = delete;
  bool Started() const { return pid_ > 0; }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace testsupport
