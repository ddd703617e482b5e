// Painting by message, and asking a window to paint.
//
// A WM_PAINT, WM_ERASEBKGND, WM_PRINTCLIENT or WM_PRINT sent with a Canvas*
// in WParam paints the widget into that canvas, at the canvas's origin and
// inside its clip, through the window procedures. The default procedures:
//   WM_ERASEBKGND   the widget's background alone, as Qt paints it (a
//                   window's, or a control's that fills its background);
//                   answers 1
//   WM_PAINT        the widget's own painting without its children (its
//                   paint event, past its chain); WM_PAINT with WParam 0,
//                   sent or posted, repaints the widget (at once when sent):
//                   its chain then sees the paint event's WM_PAINT
//   WM_PRINTCLIENT  WM_PAINT with the canvas, through the chain
//   WM_PRINT        by the PRF_ flags in LParam: PRF_CHECKVISIBLE nothing
//                   for a hidden widget; PRF_NONCLIENT WM_NCPAINT of a
//                   window with a non-client frame, the canvas its window
//                   DC; PRF_ERASEBKGND WM_ERASEBKGND; PRF_CLIENT
//                   WM_PRINTCLIENT; PRF_CHILDREN WM_PRINT with the same
//                   flags to every visible child control, bottom of the
//                   stack first, the canvas's origin moved to the child;
//                   PRF_OWNED the same for the visible windows it owns, at
//                   their place relative to it. Children and owned windows
//                   without window procedures anywhere below them are
//                   painted by Qt in one go.
// WM_PRINT with PRF_ERASEBKGND, PRF_CLIENT and PRF_CHILDREN paints what
// QWidget::grab() shows.
//
// Painting happens in paint events only: RedrawWindow and InvalidateRect
// ask for paint. A window whose WS_VISIBLE bit SetWindowLong cleared (or
// that WM_SETREDRAW switched off) paints nothing until it is set again;
// the messages above with a canvas still paint it, children included.
#pragma once

#include "platform/WinTypes.h"

class QRegion;
class QWidget;

namespace platform {

constexpr unsigned PRF_CHECKVISIBLE = 0x1, PRF_NONCLIENT = 0x2, PRF_CLIENT = 0x4, PRF_ERASEBKGND = 0x8,
                   PRF_CHILDREN = 0x10, PRF_OWNED = 0x20;

constexpr unsigned RDW_INVALIDATE = 0x1, RDW_INTERNALPAINT = 0x2, RDW_ERASE = 0x4, RDW_VALIDATE = 0x8,
                   RDW_NOINTERNALPAINT = 0x10, RDW_NOERASE = 0x20, RDW_NOCHILDREN = 0x40,
                   RDW_ALLCHILDREN = 0x80, RDW_UPDATENOW = 0x100, RDW_ERASENOW = 0x200, RDW_FRAME = 0x400,
                   RDW_NOFRAME = 0x800;

// RDW_INVALIDATE: the rectangle or region (client coordinates; neither:
// the whole client area) is painted on a later turn of the event loop, child
// controls in it too unless RDW_NOCHILDREN; with RDW_FRAME the non-client
// band as well (WM_NCPAINT). RDW_UPDATENOW and RDW_ERASENOW paint what
// waits for paint in the window before returning. Qt always erases before
// it paints and cannot take back a request, so RDW_ERASE, RDW_NOERASE,
// RDW_VALIDATE and the internal-paint flags change nothing.
bool RedrawWindow(QWidget* window, const TRect* rect, const QRegion* region, unsigned flags);
bool InvalidateRect(QWidget* window, const TRect* rect, bool erase);
// Paints what waits for paint now.
bool UpdateWindow(QWidget* window);

}  // namespace platform
