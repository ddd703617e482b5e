// openbox as the window manager of a test's X server (Xvfb): started, seen
// to run, stopped. It ends with the test, also when the test is killed.
#pragma once

#include "support/XPrograms.h"

#include <QElapsedTimer>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>

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
  // Starts openbox and waits until it has announced itself and frames a
  // new window; false when it could not start or ended first.
  bool Start() {
    if (openbox_ && !openbox_->Ended()) return true;
    // The test holds a connection of its own meanwhile: an X server whose
    // last client leaves resets itself, and refuses whoever connects then
    // (openbox, while the test looked and left again).
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
      xcb_disconnect(c);
      return false;
    }
    openbox_.emplace("openbox");
    bool announced = false;
    QElapsedTimer waited;
    waited.start();
    while (openbox_->Started() && !openbox_->Ended() && waited.elapsed() < 30000 && !(announced = WindowManagerAnnounced(c)))
      QThread::msleep(50);
    const bool ready = announced && Manages(c);
    xcb_disconnect(c);
    if (!ready) Stop();
    return ready;
  }
  void Stop() { openbox_.reset(); }

 private:
  // openbox names its check window before it reads its settings and takes
  // the windows already there; a window mapped in between can stay
  // unmapped for good. A probe window mapped until openbox frames it (it
  // is reparented) shows that map requests are served.
  bool Manages(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return false;
    const xcb_window_t probe = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    bool framed = false;
    QElapsedTimer waited;
    waited.start();
    while (!framed && openbox_->Started() && !openbox_->Ended() && waited.elapsed() < 30000) {
      xcb_unmap_window(c, probe);
      xcb_map_window(c, probe);
      xcb_flush(c);
      for (int i = 0; i < 40 && !framed; ++i) {  // two seconds, then map it again
        QThread::msleep(50);
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, probe), nullptr);
        framed = tree && tree->parent != screen->root;
        std::free(tree);
      }
    }
    xcb_destroy_window(c, probe);
    xcb_flush(c);
    return framed;
  }


  std::optional<ChildProgram> openbox_;
};

}  // namespace testsupport
