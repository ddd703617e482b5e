// Layered windows: top-level windows that show a 32-bit picture with its
// per-pixel alpha, at a constant alpha, over whatever lies below them (the
// glows and shadows of the skin libraries).
//
// A LayeredWindow is a frameless, translucent Qt::Tool widget. It never
// takes activation: it is shown without activating (WA_ShowWithoutActivating),
// accepts no focus, and answers WM_MOUSEACTIVATE with MA_NOACTIVATE, so a
// click on it leaves the active window as it is; where the window system
// activates it all the same (the offscreen platform does on every show),
// it hands the activation straight back. Made transparent for
// input, it lets the mouse through to the window below, and
// WindowFromPoint (WindowUtils.h) passes over it; such a window, made so
// before it is first shown, is never managed by a window manager (whose
// frame around it would take the mouse).
//
// Such windows show their alpha only where the window system composes
// windows: LayeredWindowsAvailable tells whether it does (the offscreen
// platform and Wayland always; an X server only while a compositing
// manager owns the screen's _NET_WM_CM_S selection, such as xcompmgr,
// which scripts/setup.sh installs). Tests force the answer to reach the
// branches of both. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/WinTypes.h"
#include "platform/WindowProc.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <optional>

namespace platform {

// Whether layered windows show their alpha here (asked each time: a
// compositing manager may start or end while the program runs).
bool LayeredWindowsAvailable();
// Forces the answer (std::nullopt: ask the window system again).
void SetLayeredWindowsAvailableForTesting(std::optional<bool> forced);

class LayeredWindow : public QWidget {
 public:
  // A window of its own (owner: the window it belongs to, which it stays
  // above; nullptr for none). Hidden until shown.
  explicit LayeredWindow(QWidget* owner = nullptr, bool inputTransparent = false);
  ~LayeredWindow() override;

  // How the colour of a pf32bit picture's pixel goes with its alpha:
  // straight, or premultiplied as the system's layered windows take them
  // (AC_SRC_ALPHA), where a pixel of alpha 0 still adds its colour to what
  // lies below (a glow's light).
  enum class Alpha { Straight, Premultiplied };

  // UpdateLayeredWindow: the window moves to `screenPos`, takes the size
  // of `picture` and shows its pixels: a pf32bit picture with its alpha as
  // `alpha` says, any other format opaque, each pixel scaled by
  // constantAlpha / 255. False, changing nothing, for an empty picture or
  // one of an unknown format.
  bool Update(TPoint screenPos, const Bitmap& picture, uint8_t constantAlpha = 255, Alpha alpha = Alpha::Straight);

  // The mouse passes through to what lies below (and WindowFromPoint
  // passes over the window).
  void SetInputTransparent(bool on);
  bool InputTransparent() const;

  // What the window shows, premultiplied, and its constant alpha.
  const QImage& Picture() const { return picture_; }
  uint8_t ConstantAlpha() const { return alpha_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;  // Format_ARGB32_Premultiplied
  uint8_t alpha_ = 255;
  void RememberActive();

  WindowProcHandle noActivate_;
  // The window that was active when this one was shown or pressed: a
  // window system that activates this one all the same hands it back.
  QPointer<QWidget> handBack_;
};

}  // namespace platform
