// Mouse capture in the Windows manner: the holder gets every mouse event
// (Qt's mouse grab) until it lets go (ReleaseCapture) or loses it. Whenever the holder loses it, it
// gets WM_CAPTURECHANGED (LParam = the new holder, or nullptr) once: on
// ReleaseCapture, when another widget takes the capture, when its window
// is deactivated, when it is hidden or destroyed (before its WM_DESTROY),
// and when a popup opens (Qt's popups take the mouse).
// GUI thread only.
#pragma once

class QWidget;

namespace platform {

// The previous holder (nullptr for none).
QWidget* SetCapture(QWidget* widget);
bool ReleaseCapture();
// The widget holding the mouse (also one that grabbed it through Qt).
QWidget* GetCapture();

}  // namespace platform
