#include "platform/WindowPos.h"

#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>

namespace platform {

namespace {

constexpr char kManual[] = "_win_manualmovesize";
constexpr char kZoomedFrom[] = "_win_zoomedfrom";  // the window rectangle before a self-made maximize
// The window rectangle before the platform filled the screen for a
// maximize no window manager acted on.
constexpr char kFilledFrom[] = "_win_filledfrom";

// The windows SetWindowPos is changing now: their Qt move and resize events
// are not the window manager's.
QSet<const QWidget*>& Positioning() {
  static QSet<const QWidget*> set;
  return set;
}

class PositioningMark {
 public:
  explicit PositioningMark(const QWidget* w) : w_(w), outer_(Positioning().contains(w)) { Positioning().insert(w); }
  ~PositioningMark() {
    if (!outer_) Positioning().remove(w_);
  }
  PositioningMark(const PositioningMark&) = delete;
  PositioningMark& operator=(const PositioningMark&) = delete;

 private:
  const QWidget* w_;
  bool outer_;
};

constexpr char kTold[] = "_win_toldpos";  // the rectangle WM_WINDOWPOSCHANGED told last

// Notes the rectangle about to be told; false when it was told already.
bool Tell(QWidget* w, const WINDOWPOS& pos) {
  const QRect r(pos.x, pos.y, pos.cx, pos.cy);
  if (w->property(kTold).toRect() == r) return false;
  w->setProperty(kTold, r);
  return true;
}

bool IsPlace(const QWidget* p) {
  return p == HWND_TOP || p == HWND_BOTTOM || p == HWND_TOPMOST || p == HWND_NOTOPMOST;
}

// The window rectangle the Windows way: on the screen for a window, in the
// parent's client area for a child.
QRect OuterRect(const QWidget* w) {
  if (w->isWindow()) return detail::WindowScreenRect(w);
  return w->geometry().translated(-ClientOrigin(w->parentWidget()));
}

WINDOWPOS CurrentPos(QWidget* w) {
  const QRect r = OuterRect(w);
  return {w, nullptr, r.x(), r.y(), r.width(), r.height(), 0};
}

void Stack(QWidget* w, QWidget* after) {
  if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    const bool top = after == HWND_TOPMOST;
    // In place: a shown window hidden for it would end the modal loop it
    // runs.
    if (w->isWindow() && bool(w->windowFlags() & Qt::WindowStaysOnTopHint) != top)
      SetWindowFlagsInPlace(w, w->windowFlags() ^ Qt::WindowStaysOnTopHint);
    if (top) w->raise();
  } else if (after == HWND_BOTTOM) {
    w->lower();
  } else if (after == HWND_TOP) {
    w->raise();
  } else if (after != w && (after->parentWidget() == w->parentWidget() || (after->isWindow() && w->isWindow()))) {
    w->stackUnder(after);
  }
}

void ApplyGeometry(QWidget* w, const WINDOWPOS& pos) {
  if ((pos.flags & (SWP_NOMOVE | SWP_NOSIZE)) == (SWP_NOMOVE | SWP_NOSIZE)) return;
  QRect r = w->geometry();
  const QRect outer = w->isWindow() ? detail::WindowScreenRect(w) : w->geometry();
  const QPoint origin = w->isWindow() ? r.topLeft() - outer.topLeft() : ClientOrigin(w->parentWidget());
  if (!(pos.flags & SWP_NOMOVE)) r.moveTopLeft(QPoint(pos.x, pos.y) + origin);
  if (!(pos.flags & SWP_NOSIZE))
    r.setSize(QSize(std::max(0, pos.cx - (outer.width() - r.width())), std::max(0, pos.cy - (outer.height() - r.height()))));
  if (r != w->geometry()) w->setGeometry(r);
}

// A window shown without activation that the window system activates all
// the same (some do on every show) hands the activation straight back, if
// that comes within a moment of the show.
class KeepActivation final : public QObject {
 public:
  KeepActivation(QWidget* shown, QWidget* active) : QObject(shown), active_(active) {
    since_.start();
    shown->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate) {
      if (active_ && since_.elapsed() < 500) active_->activateWindow();
      deleteLater();
    } else if (event->type() == QEvent::Hide || event->type() == QEvent::MouseButtonPress ||
               event->type() == QEvent::KeyPress) {
      deleteLater();
    }
    return false;
  }

 private:
  QPointer<QWidget> active_;
  QElapsedTimer since_;
};

}  // namespace

void detail::HoldActivation(QWidget* window, QWidget* active) {
  if (window && active && active != window) new KeepActivation(window, active);
}

namespace {

void ShowQuietly(QWidget* w, bool quietly) {
  const bool quiet = w->testAttribute(Qt::WA_ShowWithoutActivating);
  QPointer<QWidget> alive(w);
  QWidget* active = QApplication::activeWindow();
  const bool showing = w->isWindow() && !w->isVisible();
  w->setAttribute(Qt::WA_ShowWithoutActivating, quiet || quietly);
  w->show();
  if (!alive) return;
  w->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
  if (quietly && showing) detail::HoldActivation(w, active);
}

QRect AvailableArea(const QWidget* w) {
  QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void PlaceAt(QWidget* w, const QRect& r) {
  if (OuterRect(w) != r) SetWindowPos(w, nullptr, r.x(), r.y(), r.width(), r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The self-made maximize: the window takes what WM_GETMINMAXINFO leaves.
void Zoom(QWidget* w) {
  if (IsZoomed(w)) return;
  const QRect area = AvailableArea(w);
  const QSize decoration = OuterRect(w).size() - w->size();
  const QSize least = w->minimumSize() + decoration;
  const QSize most = w->maximumSize().boundedTo(QSize(0x7FFF, 0x7FFF)) + decoration;
  MINMAXINFO info;
  info.ptMaxSize = {area.width(), area.height()};
  info.ptMaxPosition = {area.x(), area.y()};
  info.ptMinTrackSize = {least.width(), least.height()};
  info.ptMaxTrackSize = {std::min(most.width(), 0x7FFF), std::min(most.height(), 0x7FFF)};
  QPointer<QWidget> alive(w);
  SendMessage(w, WM_GETMINMAXINFO, 0, LPARAM(PtrParam(&info)));
  if (!alive) return;
  const QRect normal = OuterRect(w);
  const int cx = std::clamp(info.ptMaxSize.X, info.ptMinTrackSize.X, std::max(info.ptMinTrackSize.X, info.ptMaxTrackSize.X));
  const int cy = std::clamp(info.ptMaxSize.Y, info.ptMinTrackSize.Y, std::max(info.ptMinTrackSize.Y, info.ptMaxTrackSize.Y));
  w->setProperty(kZoomedFrom, normal);
  SetWindowPos(w, nullptr, info.ptMaxPosition.X, info.ptMaxPosition.Y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Unzoom(QWidget* w) {
  const QRect normal = w->property(kZoomedFrom).toRect();
  if (!normal.isValid()) return false;
  w->setProperty(kZoomedFrom, QVariant());
  SetWindowPos(w, nullptr, normal.x(), normal.y(), normal.width(), normal.height(), SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

// Qt's maximize. Where no window manager acts on it, the window is given
// the available area by the platform, before the show (so it is mapped
// there) and again after it (the show may have run a sign-in that moved
// it).
void ShowMaximized(QWidget* w) {
  const bool fill = !WindowManagerRuns();
  if (fill) {
    if (!w->isMaximized()) w->setProperty(kFilledFrom, OuterRect(w));
    PlaceAt(w, AvailableArea(w));
  }
  QPointer<QWidget> alive(w);
  w->showMaximized();
  if (alive && fill && w->isVisible() && w->isMaximized()) PlaceAt(w, AvailableArea(w));
}

bool Unfill(QWidget* w) {
  const QRect normal = w->property(kFilledFrom).toRect();
  if (!normal.isValid()) return false;
  w->setProperty(kFilledFrom, QVariant());
  QPointer<QWidget> alive(w);
  w->showNormal();
  if (alive) PlaceAt(w, normal);
  return true;
}

#if QT_CONFIG(xcb)
xcb_connection_t* XConnection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

template <class T>
using XReply = std::unique_ptr<T, decltype(&std::free)>;

// An atom the X server knows already; XCB_ATOM_NONE for one it does not.
xcb_atom_t KnownAtom(xcb_connection_t* c, const char* name) {
  XReply<xcb_intern_atom_reply_t> atom(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::uint16_t(std::strlen(name)), name), nullptr), &std::free);
  return atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
}
#endif

// Where the X server has a top-level window, in its native pixels, on the
// root window; none without an X server or such a window.
std::optional<QRect> ServerRect(QWindow* window) {
#if QT_CONFIG(xcb)
  xcb_connection_t* c = XConnection();
  if (!c || !window->handle()) return std::nullopt;
  const auto id = xcb_window_t(window->winId());
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (!screen) return std::nullopt;
  const xcb_get_geometry_cookie_t sizeAsked = xcb_get_geometry(c, id);
  XReply<xcb_translate_coordinates_reply_t> at(
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, screen->root, 0, 0), nullptr), &std::free);
  XReply<xcb_get_geometry_reply_t> size(xcb_get_geometry_reply(c, sizeAsked, nullptr), &std::free);
  if (!at || !size) return std::nullopt;
  return QRect(at->dst_x, at->dst_y, size->width, size->height);
#else
  Q_UNUSED(window);
  return std::nullopt;
#endif
}

QRect NativePixels(QWindow* window, const QRect& r) {
  const qreal ratio = window->devicePixelRatio();
  return {qRound(r.x() * ratio), qRound(r.y() * ratio), qRound(r.width() * ratio), qRound(r.height() * ratio)};
}

#if QT_CONFIG(xcb)
// _NET_WM_MOVERESIZE for a top-level window, as a press of the left button
// at `from` (screen coordinates) begins it: `direction` 0 to 7 sizes by an
// edge or a corner (clockwise from the top left), 8 moves, 11 cancels.
// False where the window manager does not offer it.
bool SendMoveResize(QWidget* w, QPoint from, std::uint32_t direction) {
  xcb_connection_t* c = XConnection();
  QWindow* window = w->windowHandle();
  if (!c || !window || !window->handle()) return false;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_atom_t supported = KnownAtom(c, "_NET_SUPPORTED"), moveResize = KnownAtom(c, "_NET_WM_MOVERESIZE");
  if (!screen || supported == XCB_ATOM_NONE || moveResize == XCB_ATOM_NONE) return false;
  XReply<xcb_get_property_reply_t> list(
      xcb_get_property_reply(c, xcb_get_property(c, 0, screen->root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr),
      &std::free);
  if (!list || list->type != XCB_ATOM_ATOM) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(list.get()));
  const auto* end = atoms + xcb_get_property_value_length(list.get()) / sizeof(xcb_atom_t);
  if (std::find(atoms, end, moveResize) == end) return false;
  const QPoint at = NativePixels(window, QRect(from, QSize())).topLeft();
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = xcb_window_t(window->winId());
  message.type = moveResize;
  message.data.data32[0] = std::uint32_t(at.x());
  message.data.data32[1] = std::uint32_t(at.y());
  message.data.data32[2] = direction;
  message.data.data32[3] = XCB_BUTTON_INDEX_1;
  message.data.data32[4] = 1;  // from an application
  // The window manager takes the pointer: the window lets it go.
  if (direction != 11) xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
  xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(c);
  return true;
}
#endif

// Puts Qt's idea of where a top-level window is right where the X server
// says otherwise, through the configure notice a window manager sends when
// it moves a window (Qt believes that one). Not while the sizes differ:
// then a change of size is on its way, and its own notice brings the place
// with it.
//
// The look and the notice are one step for the X server, which serves no
// other client between them. A window manager changes a window in several
// requests (openbox moves a shrinking window's frame first and sizes the
// window after): a notice made from a look between two of them would reach
// Qt after the real notice of the second, and Qt, which takes the last
// notice it has, would keep a size the window had only for that moment.
// Held so, every change the X server makes after the look sends its notice
// after this one.
void CorrectNativePlace(QWindow* window) {
#if QT_CONFIG(xcb)
  xcb_connection_t* c = XConnection();
  if (!c || !window->handle()) return;
  xcb_grab_server(c);
  const std::optional<QRect> server = ServerRect(window);
  const QRect qt = NativePixels(window, window->geometry());
  if (server && server->size() == qt.size() && server->topLeft() != qt.topLeft()) {
    xcb_configure_notify_event_t notice{};
    notice.response_type = XCB_CONFIGURE_NOTIFY;
    notice.event = notice.window = xcb_window_t(window->winId());
    notice.x = std::int16_t(server->x());
    notice.y = std::int16_t(server->y());
    notice.width = std::uint16_t(server->width());
    notice.height = std::uint16_t(server->height());
    notice.above_sibling = XCB_NONE;
    xcb_send_event(c, 0, notice.window, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&notice));
  }
  xcb_ungrab_server(c);
  xcb_flush(c);
#else
  Q_UNUSED(window);
#endif
}

#if QT_CONFIG(xcb)
// Qt reads the configure notice of a top-level window by asking the X
// server where the window is by then, not by the place the notice tells. A
// reparenting window manager may have put the window into its frame in
// between, before it placed the frame: Qt then takes the frame's first
// corner (the screen's) for the window's place, without telling the widget,
// and the next size the program gives the window goes out at that corner,
// where the window manager moves the window. A notice the X server made
// while the root window was the window's parent tells the place on the
// screen itself: it is read by its place, as a window manager's notice is.
// The parents are followed in the order of the events, from the reparent
// notices in the same stream; once framed, a window's notices are Qt's to
// read as before.
class NoticeReader final : public QObject, public QAbstractNativeEventFilter {
 public:
  explicit NoticeReader(QObject* application) : QObject(application) {
    xcb_connection_t* c = XConnection();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // The windows there already are where they are now.
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
      if (!w->handle()) continue;
      const auto id = xcb_window_t(w->winId());
      XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr), &std::free);
      if (tree && tree->parent != root_) framed_.insert(id);
    }
  }
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
      case XCB_REPARENT_NOTIFY:
        if (const auto* e = reinterpret_cast<const xcb_reparent_notify_event_t*>(event); e->event == e->window) {
          if (e->parent == root_)
            framed_.remove(e->window);
          else
            framed_.insert(e->window);
        }
        break;
      case XCB_DESTROY_NOTIFY:
        framed_.remove(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
        break;
      case XCB_CONFIGURE_NOTIFY:
        // A real notice marked as sent: Qt takes the place it tells.
        if (const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            event->response_type == XCB_CONFIGURE_NOTIFY && e->event == e->window && !framed_.contains(e->window) &&
            TopLevel(e->window))
          event->response_type |= 0x80;
        break;
      default:
        break;
    }
    return false;
  }

 private:
  static bool TopLevel(xcb_window_t id) {
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(),
                       [id](QWindow* w) { return w->handle() && xcb_window_t(w->winId()) == id; });
  }

  xcb_window_t root_ = XCB_NONE;
  QSet<xcb_window_t> framed_;  // the windows whose parent is not the root window
};

void ReadNoticesByTheirPlace() {
  static QPointer<NoticeReader> reader;
  if (reader || !XConnection()) return;
  reader = new NoticeReader(QCoreApplication::instance());
  QCoreApplication::instance()->installNativeEventFilter(reader);
}
#endif

// Qt's idea of where a frameless window is can go stale under a window
// manager: a reparenting one reports the window at the corner of its
// (empty) frame, and Qt may take that for its place on the screen, so that
// mapToGlobal and everything placed by it go wrong. After each expose,
// move or size of the window its place is checked against the X server's.
class PlaceKeeper final : public QObject {
 public:
  static constexpr int kConfirmMs = 200;

  explicit PlaceKeeper(QWidget* w) : QObject(w), widget_(w) {
    w->installEventFilter(this);
    confirm_.setSingleShot(true);
    connect(&confirm_, &QTimer::timeout, this, [this] {
      if (Astray() && native_->position() == astray_) Replace();
    });
    Attach();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == widget_) {
      if (event->type() == QEvent::Show) Attach();
      return false;
    }
    const QEvent::Type type = event->type();
    if (type == QEvent::Expose && mapping_ && native_ && native_->isExposed()) {
      mapping_ = false;
      QTimer::singleShot(0, this, [this] { Check(true); });
    } else if (type == QEvent::Expose || type == QEvent::Move || type == QEvent::Resize) {
      QTimer::singleShot(0, this, [this] { Check(false); });
    }
    return false;
  }

 private:
  void Attach() {
    QWindow* handle = widget_ ? widget_->windowHandle() : nullptr;
    mapping_ = handle && !handle->isExposed();
    if (!handle || handle == native_) return;
    native_ = handle;
    handle->installEventFilter(this);
  }
  // Whether the native window is somewhere else than the widget, in the X
  // server too, for a shown framed window in no state.
  bool Astray() const {
    if (!native_ || !widget_ || !native_->handle() || !detail::IsFramed(widget_) || !widget_->isVisible() ||
        widget_->windowState() != Qt::WindowNoState || native_->position() == widget_->geometry().topLeft())
      return false;
    const std::optional<QRect> server = ServerRect(native_);
    return server && server->topLeft() == NativePixels(native_, native_->geometry()).topLeft();
  }
  void Replace() { native_->setGeometry(widget_->geometry()); }
  // Qt's native window can lose the place the program gave the widget: Qt
  // takes in the X server's place at each configure notice, also while a
  // move it asked for still waits at a busy window manager, and a later
  // size change goes out at that old place without the widget being told
  // (the place Qt last told it did not change). Such a window is put back
  // where the widget is: as it maps at once (a place the window manager
  // chose instead it tells before the map, and the widget is there then),
  // later when it stays astray for a moment (a move the window system
  // makes reaches the widget within one pass of the event loop).
  void Check(bool mapped) {
    if (!native_ || !widget_ || !detail::IsFramed(widget_) || !widget_->isVisible()) return;
    if (Astray()) {
      if (mapped) return Replace();
      if (!confirm_.isActive()) {
        astray_ = native_->position();
        confirm_.start(kConfirmMs);
      }
      return;
    }
    CorrectNativePlace(native_);
  }

  QPointer<QWidget> widget_;
  QPointer<QWindow> native_;
  bool mapping_ = false;  // shown and not mapped yet
  QTimer confirm_;
  QPoint astray_;  // where the native window was when it was seen astray
};

// Once the window manager has answered the decoration change of a
// maximized window (its moves and sizes of the window have stopped for a
// moment), the window is put back within the available area when it left
// it. Not sooner: a window manager moves the window into its new frame and
// sizes it in steps, and a rectangle asked for between them makes it
// restore the window. A busy window manager may take a while to answer at
// all; one that never does leaves the window as it was, checked once the
// answer is given up on.
class ScreenKeeper final : public QObject {
 public:
  static constexpr int kSettleMs = 1000;
  static constexpr int kAnswerMs = 10000;

  explicit ScreenKeeper(QWidget* w) : QObject(w), window_(w) {
    w->installEventFilter(this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
      done_ = true;
      Check();
      deleteLater();
    });
    Restart();
  }
  // Waits for the window manager's answer to another change.
  void Restart() { timer_.start(kAnswerMs); }
  bool Done() const { return done_; }
  bool eventFilter(QObject*, QEvent* event) override {
    // The window system's moves and sizes only: the program's own come at once.
    if (!done_ && event->spontaneous() && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
      timer_.start(kSettleMs);
    return false;
  }

 private:
  void Check() {
    if (!window_ || !window_->isVisible() || !window_->isMaximized()) return;
    const QRect area = AvailableArea(window_);
    if (!area.contains(OuterRect(window_))) PlaceAt(window_, area);
  }

  QPointer<QWidget> window_;
  QTimer timer_;
  bool done_ = false;
};

}  // namespace

namespace detail {

// Told once per new rectangle: the window system's echo of a change
// SetWindowPos made and told already stays silent.
void PositionChangedOutside(QWidget* w, bool moved, bool sized) {
  if (!w->isWindow() || Positioning().contains(w) || !w->isVisible()) return;
  WINDOWPOS pos = CurrentPos(w);
  if (!Tell(w, pos)) return;
  pos.flags = SWP_NOZORDER | SWP_NOACTIVATE | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE);
  SendMessage(w, WM_WINDOWPOSCHANGED, 0, LPARAM(PtrParam(&pos)));
}

void HiddenOutside(QWidget* w) {
  if (!w->isWindow() || Positioning().contains(w)) return;
  WINDOWPOS pos = CurrentPos(w);
  pos.flags = SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  SendMessage(w, WM_WINDOWPOSCHANGING, 0, LPARAM(PtrParam(&pos)));
}

bool Maximize(QWidget* w) {
  if (PrefersManualMoveSize(w))
    Zoom(w);
  else if (!WindowManagerRuns())
    ShowMaximized(w);
  else
    return false;
  return true;
}

bool Restore(QWidget* w) { return Unzoom(w) || Unfill(w); }

void WatchNativePlace(QWidget* w) {
  if (!w) return;
#if QT_CONFIG(xcb)
  ReadNoticesByTheirPlace();
#endif
  for (QObject* child : w->children())
    if (dynamic_cast<PlaceKeeper*>(child)) return;
  new PlaceKeeper(w);
}

void KeepWithinScreen(QWidget* w) {
  if (!w) return;
  for (QObject* child : w->children())
    if (auto* keeper = dynamic_cast<ScreenKeeper*>(child); keeper && !keeper->Done()) return keeper->Restart();
  new ScreenKeeper(w);
}

bool SelfZoomed(const QWidget* w) { return w->property(kZoomedFrom).toRect().isValid(); }


bool StartManagerMoveSize(QWidget* window, QPoint from, unsigned edge) {
#if QT_CONFIG(xcb)
  // The window manager's directions by WMSZ_ edge; 8 moves.
  static constexpr std::uint32_t kDirection[] = {8, 7, 3, 1, 0, 2, 5, 6, 4};
  return edge < std::size(kDirection) && SendMoveResize(window, from, kDirection[edge]);
#else
  Q_UNUSED(window);
  Q_UNUSED(from);
  Q_UNUSED(edge);
  return false;
#endif
}

void CancelManagerMoveSize(QWidget* window) {
#if QT_CONFIG(xcb)
  SendMoveResize(window, QPoint(), 11);
#else
  Q_UNUSED(window);
#endif
}

}  // namespace detail

bool SetWindowPos(QWidget* window, QWidget* insertAfter, int x, int y, int cx, int cy, unsigned flags) {
  if (!window) return false;
  QPointer<QWidget> alive(window);
  PositioningMark mark(window);
  WINDOWPOS pos = CurrentPos(window);
  pos.hwndInsertAfter = insertAfter;
  pos.flags = flags;
  if (!(flags & SWP_NOMOVE)) pos.x = x, pos.y = y;
  if (!(flags & SWP_NOSIZE)) pos.cx = cx, pos.cy = cy;
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessage(window, WM_WINDOWPOSCHANGING, 0, LPARAM(PtrParam(&pos)));
    if (!alive) return false;
    pos.hwnd = window;
  }
  ApplyGeometry(window, pos);
  if (alive && (pos.flags & SWP_FRAMECHANGED)) RecalcNonClient(window);
  QWidget* after = pos.hwndInsertAfter;
  if (alive && !(pos.flags & SWP_NOZORDER) && (IsPlace(after) || after)) Stack(window, after);
  if (alive && (pos.flags & SWP_SHOWWINDOW)) ShowQuietly(window, pos.flags & SWP_NOACTIVATE);
  if (alive && (pos.flags & SWP_HIDEWINDOW)) window->hide();
  if (alive && window->isWindow() && window->isVisible() && !(pos.flags & (SWP_NOACTIVATE | SWP_HIDEWINDOW)))
    window->activateWindow();
  if (!alive) return false;
  WINDOWPOS done = CurrentPos(window);
  done.hwndInsertAfter = pos.hwndInsertAfter;
  done.flags = pos.flags;
  if (window->isWindow()) Tell(window, done);
  SendMessage(window, WM_WINDOWPOSCHANGED, 0, LPARAM(PtrParam(&done)));
  return true;
}

bool ShowWindow(QWidget* window, int command) {
  if (!window) return false;
  const bool was = window->isVisible();
  QPointer<QWidget> alive(window);
  switch (command) {
    case SW_HIDE: window->hide(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      if (CanMinimize(window))
        window->setWindowState((window->windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
      if (alive) ShowQuietly(window, command != SW_SHOWMINIMIZED);
      break;
    case SW_SHOWMAXIMIZED:
      if (PrefersManualMoveSize(window)) {
        ShowQuietly(window, false);
        if (alive) Zoom(window);
      } else {
        ShowMaximized(window);
      }
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      if (!Unzoom(window) && !Unfill(window) && alive)
        window->setWindowState(window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
      if (alive) ShowQuietly(window, false);
      break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA: ShowQuietly(window, true); break;
    default:  // SW_SHOW
      ShowQuietly(window, false);
      if (alive && window->isWindow()) window->activateWindow();
      break;
  }
  return was;
}

void KeepGrownWindowInWorkArea(QWidget* window, const TRect& before) {
  if (!window || !window->isWindow() || window->windowState() != Qt::WindowNoState) return;
  const QRect area = AvailableArea(window), now = OuterRect(window);
  // A far edge the growth pushed out comes back in; the near edge stays in.
  QPoint to = now.topLeft();
  if (now.right() > area.right() && before.Right - 1 <= area.right())
    to.setX(std::max(area.left(), area.right() + 1 - now.width()));
  if (now.bottom() > area.bottom() && before.Bottom - 1 <= area.bottom())
    to.setY(std::max(area.top(), area.bottom() + 1 - now.height()));
  if (to != now.topLeft()) PlaceAt(window, QRect(to, now.size()));
}

void SetManualMoveSize(QWidget* window, bool on) {
  if (window) window->setProperty(kManual, on ? QVariant(true) : QVariant());
}

bool PrefersManualMoveSize(const QWidget* window) { return window && window->property(kManual).toBool(); }

bool GetWindowPlacement(const QWidget* window, WINDOWPLACEMENT* placement) {
  if (!window || !placement) return false;
  placement->showCmd = window->isMinimized() ? SW_SHOWMINIMIZED : IsZoomed(window) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  const QRect zoomedFrom = window->property(kZoomedFrom).toRect();
  if (zoomedFrom.isValid()) {
    placement->rcNormalPosition = Bounds(zoomedFrom.x(), zoomedFrom.y(), zoomedFrom.width(), zoomedFrom.height());
    return true;
  }
  const QRect frame = detail::WindowScreenRect(window), client = window->geometry();
  const QRect normal = window->normalGeometry().isValid() ? window->normalGeometry() : client;
  const QRect r = normal.adjusted(frame.left() - client.left(), frame.top() - client.top(),
                                  frame.right() - client.right(), frame.bottom() - client.bottom());
  placement->rcNormalPosition = Bounds(r.x(), r.y(), r.width(), r.height());
  return true;
}

}  // namespace platform

namespace platform {

bool CanMinimize(const QWidget* window) { return window && (!window->isWindow() || WindowManagerRuns()); }

bool WindowManagerRuns() {
#if QT_CONFIG(xcb)
  xcb_connection_t* c = XConnection();
  if (!c) return true;
  // The window manager names a window of its own on the root window, and
  // that window names itself: a name left behind by one that ended does not.
  const xcb_atom_t atom = KnownAtom(c, "_NET_SUPPORTING_WM_CHECK");
  if (atom == XCB_ATOM_NONE) return false;
  const auto named = [&](xcb_window_t window) -> xcb_window_t {
    XReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, XCB_ATOM_WINDOW, 0, 1), nullptr),
        &std::free);
    if (!reply || reply->type != XCB_ATOM_WINDOW || xcb_get_property_value_length(reply.get()) < 4) return XCB_NONE;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
  };
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t check = screen ? named(screen->root) : XCB_NONE;
  return check != XCB_NONE && named(check) == check;
#else
  return true;
#endif
}

}  // namespace platform
