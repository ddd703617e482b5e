// The application's window: a hidden widget of class "TApplication" that
// stands for the program as a whole. Messages are sent and posted to it as
// to any window, and handlers go into its chain; it hears CM_ACTIVATE when
// the program becomes the active one on the desktop and CM_DEACTIVATE
// when it stops being so. Its icon (WM_SETICON, WM_GETICON) is the
// program's (QApplication::windowIcon). Made on first use; the unit
// "ApplicationWindow" deletes it at close-down.
//
// The program's title (what the old framework called the application's
// title) titles the boxes that belong to no window of their own: the
// unit start-ups' messages, the report of an error no handler caught, the
// upgrade's texts. It is the application's display name until the program
// sets its own; the application's window carries it as its window title.
#pragma once

class QString;
class QWidget;

namespace platform {

QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

QWidget* ApplicationWindow();
// Minimizes every visible top-level window of the program (each one that
// can be: CanMinimize).
void MinimizeApplication();
// True while the program is minimized: it shows a window, and every
// window it shows (popups aside) is minimized.
bool IsApplicationMinimized();
bool IsApplicationWindow(const QWidget* window);

}  // namespace platform
