#include "platform/LayeredWindow.h"

#include "platform/NonClient.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>

#include <cstdlib>
#include <memory>
#include <string>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace platform {

namespace {

std::optional<bool> forcedAvailable;

#if QT_CONFIG(xcb)
// Whether a compositing manager owns the selection _NET_WM_CM_S<n> of the
// display's screen (n from DISPLAY's ".n", 0 without one).
bool CompositorRuns() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return false;
  int screen = 0;
  if (const char* display = std::getenv("DISPLAY")) {
    const std::string d = display;
    const auto colon = d.rfind(':');
    const auto dot = d.find('.', colon == std::string::npos ? 0 : colon);
    if (dot != std::string::npos) screen = std::atoi(d.c_str() + dot + 1);
  }
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), nullptr), &std::free);
  if (!atom || atom->atom == XCB_ATOM_NONE) return false;
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr), &std::free);
  return owner && owner->owner != XCB_NONE;
}
#endif

}  // namespace

bool LayeredWindowsAvailable() {
  if (forcedAvailable) return *forcedAvailable;
  if (!qGuiApp) return false;
  const QString platform = QGuiApplication::platformName();
#if QT_CONFIG(xcb)
  if (platform == QLatin1String("xcb")) return CompositorRuns();
#endif
  return platform != QLatin1String("minimal");
}

void SetLayeredWindowsAvailableForTesting(std::optional<bool> forced) { forcedAvailable = forced; }

LayeredWindow::LayeredWindow(QWidget* owner, bool inputTransparent) : QWidget(owner) {
  Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::NoDropShadowWindowHint;
  // A window transparent for input is one the window manager leaves
  // alone: a frame of its own around it would take the mouse (the pointer
  // over the frame has left the window below, which may hide the window
  // again, and so on).
  if (inputTransparent) flags |= Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint;
  setWindowFlags(flags);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  // A press in it never activates it.
  noActivate_ = InstallWindowProc(this, [this](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_MOUSEACTIVATE) {
      RememberActive();
      m.Result = MA_NOACTIVATE;
      return;
    }
    previous(m);
  });
}

LayeredWindow::~LayeredWindow() { RemoveWindowProc(noActivate_); }

bool LayeredWindow::Update(TPoint screenPos, const Bitmap& picture, uint8_t constantAlpha, Alpha alpha) {
  if (picture.Empty()) return false;
  const bool premultiplied = alpha == Alpha::Premultiplied && picture.PixelFormat() == pf32bit;
  const QImage image = picture.PixelFormat() == pf32bit ? picture.ConstImage() : picture.OpaqueImage();
  if (image.isNull()) return false;
  if (premultiplied) {
    // The bytes as they are (a colour above its alpha included).
    picture_ = image.convertToFormat(QImage::Format_ARGB32);
    picture_.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
  } else {
    picture_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  alpha_ = constantAlpha;
  setGeometry(screenPos.X, screenPos.Y, picture.Width(), picture.Height());
  update();
  return true;
}

void LayeredWindow::SetInputTransparent(bool on) {
  if (on == InputTransparent()) return;
  Qt::WindowFlags flags = windowFlags() ^ Qt::WindowTransparentForInput;
  // Whether the window manager manages the window is settled when the
  // native window is made.
  if (!testAttribute(Qt::WA_WState_Created)) flags.setFlag(Qt::X11BypassWindowManagerHint, on);
  SetWindowFlagsInPlace(this, flags);
}

bool LayeredWindow::InputTransparent() const { return windowFlags().testFlag(Qt::WindowTransparentForInput); }

void LayeredWindow::RememberActive() {
  QWidget* active = QApplication::activeWindow();
  if (active != this) handBack_ = active;
}

bool LayeredWindow::event(QEvent* event) {
  if (event->type() == QEvent::Show) RememberActive();
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::WindowActivate && handBack_ && handBack_ != this && handBack_->isVisible())
    handBack_->activateWindow();
  return handled;
}

void LayeredWindow::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(event->rect(), Qt::transparent);
  if (picture_.isNull() || alpha_ == 0) return;
  // Over the cleared window the picture's pixels go in as they are (source
  // over would drop those of alpha 0, whose colour a premultiplied picture
  // adds to what lies below).
  p.setOpacity(alpha_ / 255.0);
  p.drawImage(event->rect().topLeft(), picture_, event->rect());
}

}  // namespace platform
