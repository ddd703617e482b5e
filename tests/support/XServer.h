// What the test programs that run on a real X server (under xvfb-run)
// share: their start, and the X server's own idea of a window: where it
// is, whether it is uppermost at a point, its title.
#pragma once

#include <QGuiApplication>
#include <QRect>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace testsupport {

template <class T>
using XReply = std::unique_ptr<T, decltype(&std::free)>;

// Where the X server has a top-level window's client area, and how large;
// empty for a window it does not have.
inline QRect NativeRect(const QWidget* w) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !w->windowHandle() || !w->windowHandle()->handle()) return {};
  xcb_connection_t* c = x11->connection();
  const auto id = xcb_window_t(w->winId());
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  XReply<xcb_get_geometry_reply_t> size(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &std::free);
  XReply<xcb_translate_coordinates_reply_t> at(
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, screen->root, 0, 0), nullptr), &std::free);
  return size && at ? QRect(at->dst_x, at->dst_y, size->width, size->height) : QRect();
}

// Whether a click at a point of the screen goes to a top-level window: the
// X server has it (or the window manager's frame around it) uppermost
// there. False for a window it does not show there, or does not have.
inline bool OnTopAt(const QWidget* w, QPoint global) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !w->windowHandle() || !w->windowHandle()->handle()) return false;
  xcb_connection_t* c = x11->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  XReply<xcb_translate_coordinates_reply_t> at(
      xcb_translate_coordinates_reply(
          c, xcb_translate_coordinates(c, root, root, int16_t(global.x()), int16_t(global.y())), nullptr),
      &std::free);
  if (!at || at->child == XCB_WINDOW_NONE) return false;
  // The window's ancestor just below the root.
  for (auto id = xcb_window_t(w->winId());;) {
    XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr), &std::free);
    if (!tree) return false;
    if (tree->parent == root) return id == at->child;
    id = tree->parent;
  }
}

// The title the X server has for a top-level window (_NET_WM_NAME, else
// WM_NAME), as a window manager shows it; empty for a window it does not
// have.
inline QString NativeTitle(const QWidget* w) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !w->windowHandle() || !w->windowHandle()->handle()) return {};
  xcb_connection_t* c = x11->connection();
  auto atom = [c](const char* name) {
    XReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  };
  const auto id = xcb_window_t(w->winId());
  for (xcb_atom_t property : {atom("_NET_WM_NAME"), xcb_atom_t(XCB_ATOM_WM_NAME)}) {
    XReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, id, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr),
        &std::free);
    if (reply && reply->type != XCB_ATOM_NONE)
      return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               xcb_get_property_value_length(reply.get()));
  }
  return {};
}

// Whether another X client could take the keyboard now, that is nobody
// holds a grab on it: a grab from a connection of its own, given back at
// once.
inline bool KeyboardFree() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  bool nobodyHolds = false;
  if (!xcb_connection_has_error(c)) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    XReply<xcb_grab_keyboard_reply_t> grab(
        xcb_grab_keyboard_reply(c, xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                                     XCB_GRAB_MODE_ASYNC),
                                nullptr),
        &std::free);
    nobodyHolds = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
    if (nobodyHolds) xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);
  }
  xcb_disconnect(c);
  return nobodyHolds;
}

// The start of such a program, before its application object: the test
// library's options, --window-manager (the run with openbox), Qt on the X
// server. False, said on stderr, without an X display.
inline bool StartOnXServer(int& argc, char** argv, bool& withWindowManager) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--window-manager") withWindowManager = true;
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  if (std::getenv("DISPLAY")) return true;
  std::fprintf(stderr, "No X display: run this under xvfb-run\n");
  return false;
}

}  // namespace testsupport
