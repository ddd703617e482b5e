// The application's window: a hidden widget of class "TApplication" that
// stands for the program as a whole. Messages are sent and posted to it as
// to any window, and handlers go into its chain; it hears CM_ACTIVATE when
// the program becomes the active one on the desktop and CM_DEACTIVATE
// when it stops being so. Its icon (WM_SETICON, WM_GETICON) is the
// program's (QApplication::windowIcon). Made on first use; the unit
// "ApplicationWindow" deletes it at close-down.
#pragma once

class QWidget;

namespace platform {

QWidget* ApplicationWindow();
// Minimizes every visible top-level window of the program.
void MinimizeApplication();
// True while the program is minimized: it shows a window, and every
// window it shows (popups aside) is minimized.
bool IsApplicationMinimized();
bool IsApplicationWindow(const QWidget* window);

}  // namespace platform
