// openbox as the window manager of a test's X server (Xvfb): started, seen
// to run, stopped. It ends with the test, also when the test is killed.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// Whether a window manager names its check window on the root window.
inline bool WindowManagerAnnounced(xcb_connection_t* c) {
  const char name[] = "_NET_SUPPORTING_WM_CHECK";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  bool found = false;
  if (atom && atom->atom != XCB_ATOM_NONE && screen) {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    found = reply && xcb_get_property_value_length(reply) >= 4;
    std::free(reply);
  }
  std::free(atom);
  return found;
}

class WindowManager {
 public:
  WindowManager() = default;
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;
  ~WindowManager() { Stop(); }

  // Starts openbox and waits until it has announced itself; false when it
  // could not start or ended first.
  bool Start() {
    if (pid_ > 0) return true;
    // The test holds a connection of its own meanwhile: an X server whose
    // last client leaves resets itself, and refuses whoever connects then
    // (openbox, while the test looked and left again).
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
      xcb_disconnect(c);
      return false;
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) std::_Exit(1);
      ::execlp("openbox", "openbox", static_cast<char*>(nullptr));
      std::_Exit(127);
    }
    pid_ = child > 0 ? child : 0;
    bool announced = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (pid_ > 0 && !announced && std::chrono::steady_clock::now() < deadline) {
      announced = WindowManagerAnnounced(c);
      if (!announced && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = 0;  // it ended
      if (!announced) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    xcb_disconnect(c);
    if (!announced) Stop();
    return announced;
  }

  // Ends openbox and waits for it; one that has not ended after a while
  // (it may wait on the X server) is killed.
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
};

}  // namespace testsupport
