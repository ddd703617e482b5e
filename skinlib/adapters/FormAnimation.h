// The show animation of skinned forms and controls: a snapshot window
// (TOutputWindow) over the control fades from the screen behind it to the
// control's picture, then goes and the control paints itself.
//
// AnimateFormShow(control, time) runs N = (time & $FFFF) >> 3 steps and
// returns at once: the first picture (all screen) is shown in the call,
// the others one by one on an 8 ms timer of the output window, each a
// synchronous repaint of that window, whose paint event shows the current
// mix. With N = 0 (a time under 8 ms) the final picture is shown and the
// animation ends within the call. The skinned forms stay locked
// (FormsLocked) while any animation runs; after every picture the window
// set by SetAnimationRepaintWindow (none by default) hears skin command 3
// (lParam the default manager). At the end the control's redraw is
// switched on (WM_SETREDRAW 1) and it is redrawn whole, at once; the
// output window is hidden (unless the control is a layered window) and
// freed with the pictures.
//
// The screen behind the control comes from QScreen::grabWindow; the
// control's picture from PaintControlToBitmap (AdapterUtils.h). A control
// animated again while its animation runs ends the running one at once
// first. A control deleted meanwhile ends its animation (the output window
// of a form goes with it); nothing is left locked. Nothing waits in a
// nested event loop.
//
// The output window belongs to the skin library (Tag -98) and is never
// adapted. A child control's output window is a child of the control's
// parent, right above the control, with its bounds, shown without
// activation; a form's is a frameless window over the form, owned by it,
// at the form's place, kept on top when the form is. GUI thread only.
#pragma once

#include "platform/Bitmap.h"

#include <QWidget>

class TOutputWindow : public QWidget {
 public:
  // The output window of `control`: a child of its parent control, or a
  // window owned by it. Not shown.
  explicit TOutputWindow(QWidget* control);

  // The picture shown now (empty before the first).
  const platform::Bitmap& Picture() const { return picture_; }
  // Shows a copy of `picture` at once (a synchronous repaint).
  void ShowPicture(const platform::Bitmap& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  platform::Bitmap picture_;
};

void AnimateFormShow(QWidget* control, unsigned time);

// The output window of the control's running animation (nullptr when none
// runs).
TOutputWindow* OutputWindowOf(const QWidget* control);

// A form whose provider has an extended border (and where layered windows
// show) fades in whole instead: a layered stand-by window (Tag -98) at the
// border window's place shows the skinned picture with the form's client,
// its alpha rising in N steps from 0 to the form's AlphaBlendValue (255
// without AlphaBlend) while the form itself is see-through (its window
// opacity 0); then it goes, the border window shows again and the form
// paints itself. Its stand-by window while it runs (nullptr: none).
namespace platform {
class LayeredWindow;
}
platform::LayeredWindow* StandByWindowOf(const QWidget* form);

// The window that hears skin command 3 after every picture of an
// animation (kept guarded); nullptr for none.
void SetAnimationRepaintWindow(QWidget* window);
QWidget* AnimationRepaintWindow();
