// Multiple-document windows over QMdiArea.
//
// A form's MDI client is the QMdiArea inside it (or none); its children are
// the forms in the area's sub-windows (a sub-window without a widget stands
// for itself). Messages to the area (the MDI client):
//   WM_MDIACTIVATE    (WParam = a child) activates the child
//   WM_MDIDESTROY     (WParam = a child) closes it; closing a child in any
//                     other way (its close button, QMdiSubWindow::close)
//                     comes to the area as WM_MDIDESTROY too, and a handler
//                     that does not pass it on keeps the child open
//   WM_MDITILE        tiles the children (Qt's tiling), WM_MDICASCADE
//                     cascades them; both answer 1
//   WM_MDIGETACTIVE   answers the active child; LParam, when not 0, an
//                     int* that gets 1 when it is maximized
//   WM_MDISETMENU     (WParam = the frame's QMenuBar or 0 to keep it,
//                     LParam = the window menu, a QMenu, or 0 to keep it)
//                     puts the bar on the area's form (SetMenu) and answers
//                     the bar it had
//   WM_MDIREFRESHMENU lists the children at the end of the window menu
//                     ("&1 caption" ..., the active one checked, each
//                     activating its child) and answers the frame's bar
// When the area has worked out its scroll range anew (its children moved
// or sized, the area sized) and shown or hidden its bars for it, the area
// gets WM_CALCSCROLL.
// When the active child changes, the child losing activation and the one
// gaining it each get WM_MDIACTIVATE (WParam = the one losing, LParam = the
// one gaining; either may be 0), each after its WM_NCACTIVATE (WParam 0 to
// the one losing, 1 to the one gaining). An MDI child's form also gets the
// WM_NCACTIVATE of its main window's activation, as every child does.
#pragma once

#include <Qt>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace platform {

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

// The form's "FormStyle" property ("fsNormal", "fsMDIChild", "fsMDIForm",
// "fsStayOnTop") where it is set, so a main form reads fsMDIForm without an
// area; else fsMDIChild inside a QMdiSubWindow, fsMDIForm with an MDI
// client, fsStayOnTop for a window kept on top, fsNormal otherwise.
TFormStyle GetFormStyle(const QWidget* form);
// The QMdiArea inside the form (the first one), nullptr for none.
QMdiArea* MdiClient(const QWidget* form);
// The sub-window of an MDI child (the form in it, or the sub-window
// itself), nullptr for any other widget. WM_SYSCOMMAND's SC_MINIMIZE,
// SC_MAXIMIZE, SC_RESTORE and SC_CLOSE sent to an MDI child act on its
// sub-window.
QMdiSubWindow* MdiSubWindowOf(const QWidget* child);
// The sub-window's flags as its caption reads them: those it had before a
// frame of ours (NonClient.h) made it frameless.
Qt::WindowFlags MdiChildFlags(const QMdiSubWindow* sub);

}  // namespace platform
