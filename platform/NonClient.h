// The non-client area of a top-level window, window regions and the fixed
// non-client metrics.
//
// SetNonClientFrame makes a window frameless (Qt::FramelessWindowHint) and
// gives its band back to the window procedures:
//   - WM_NCCALCSIZE (WParam 1, LParam = NCCALCSIZE_PARAMS*: rgrc[0] the
//     window rectangle in screen coordinates, to be made the client
//     rectangle) is asked when the frame goes on, on every size change and
//     after SetWindowPos with SWP_FRAMECHANGED; the answer becomes the
//     widget's contents margins, so layouts (a QMainWindow's too) keep out of
//     the band. The default answer is the classic frame of the window's
//     style: SM_CXFRAME or SM_CXDLGFRAME or SM_CXBORDER around, SM_CYCAPTION
//     on top for WS_CAPTION.
//   - The part of a paint event outside the contents is WM_NCPAINT (WParam
//     1), sent after the client's painting; GetWindowDC gives its canvas,
//     origin at the window's corner and clipped to the band. The default
//     paints the classic frame and caption. A WM_NCPAINT sent from outside
//     a paint event only schedules one (RedrawNonClient).
//   - Every mouse event on the window itself is hit-tested with
//     WM_NCHITTEST (LParam = the screen point); any answer but HTCLIENT
//     makes it WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN/UP/DBLCLK or
//     WM_NCRBUTTONDOWN (WParam = the hit code, LParam = the screen point),
//     and WM_NCMOUSELEAVE follows when the mouse leaves the band. The cursor
//     follows the hit code.
//   - WM_NCACTIVATE comes before WM_ACTIVATE; its default repaints the band.
// The default procedure answers WM_NCHITTEST with the edges (SM_CXFRAME
// wide) of a sizeable window that is not maximized and HTCAPTION for the
// rest of the band (HTBORDER in a control's frame); a press on the caption moves the window, on an edge
// resizes it (WM_SYSCOMMAND SC_MOVE + HTCAPTION, SC_SIZE + WMSZ_ edge): the
// window grabs the mouse until the button is let go (anywhere) or the
// window is deactivated or hidden; once the pointer has gone the drag
// distance with the button down, the window manager takes the move or
// resize over (an X one as from the press point, other ones through
// QWindow::startSystemMove and startSystemResize), or, where none answers,
// the window follows the mouse; either way the window goes by the pointer's
// whole offset from the press. A click, and so a double click, stays with
// the window. Sizes stay within the screen's work area (an MDI child's
// within its area), the window's minimum and maximum size and never below
// the band. A double click on the caption of a window with a maximize box
// maximizes or restores it.
//
// The SC_ commands act through Qt for every top-level window: SC_MINIMIZE,
// SC_MAXIMIZE, SC_RESTORE, SC_CLOSE (as WM_CLOSE), SC_MOVE and SC_SIZE (from
// a menu: the window follows the mouse until the next click, and has the
// keyboard meanwhile, no control seeing a key: an arrow moves it 8 pixels;
// in a size the first arrow picks the edge on its side, one across it adds
// the edge it points to, and the others move those edges 8 pixels; Enter
// ends it where the window is, Esc puts the window back), SC_CONTEXTHELP
// (what's-this mode: the next click asks the widget under it for its help,
// Esc ends it), SC_KEYMENU ' ' (the system menu, GetSystemMenu, drops below
// the caption's icon as a popup when the style word has WS_SYSMENU; other
// keys are the menu line's, MenuLine.h). Alt+Space in a framed window,
// wherever its focus is, is WM_SYSKEYDOWN VK_SPACE to the window's
// handlers, none of its controls seeing the key; unless a handler takes
// it, SC_KEYMENU ' ' follows. An unframed window leaves Alt+Space to the
// window manager. Sent to an MDI child (platform/Mdi.h) SC_MINIMIZE,
// SC_MAXIMIZE, SC_RESTORE and SC_CLOSE act on its sub-window; sent to any
// other child control they do nothing.
//
// Child controls have a band too: the frame Qt lays out around what they
// show inside, namely a scroll area's viewport (the band holds its frame,
// its scroll bars and a view's headers), a QFrame's frame, the frame of a
// line edit, combo box or spin box. A control without such a frame has
// none. For a control with a window procedure:
//   - WM_NCCALCSIZE (WParam 1; rgrc[0] the control's rectangle in its
//     parent's client coordinates) is asked on every size change and after
//     SetWindowPos with SWP_FRAMECHANGED (RecalcNonClient). The default
//     answers Qt's band; for a scroll area without the strip of each bar
//     whose WS_HSCROLL or WS_VSCROLL the style word has cleared, so a
//     handler that clears them around the default reads the frame alone.
//   - An answer wider than Qt's band on a side widens the band there, and
//     the layout follows: a scroll area's viewport moves in (its bars stay
//     where Qt puts them), a frame's contents and layout move in, a line
//     edit's text moves by the difference (also the edit inside a combo or
//     spin box). A side is at most half the control's smaller dimension
//     wide and the client area never goes below nothing; a negative answer
//     counts as 0. An answer no wider than Qt's keeps Qt's band. The
//     control gets its own values back when its handlers answer Qt's band
//     again or the handler goes (removing it asks again). Tree and table
//     views lay their viewport out themselves (their headers), and a drop-
//     down list has no edit: their band widens, their contents stay.
//   - The part of a paint event in the band is WM_NCPAINT after the
//     control's own painting (GetWindowDC paints over Qt's frame).
//   - A mouse event in the band is WM_NCHITTEST (default HTBORDER there)
//     and, for any answer but HTCLIENT, the WM_NC message, whose default
//     hands the event to the control as it was.
//
// The one rule for putting a frame on a window, for every library that
// frames windows: a top-level window is framed before it is first shown
// (AtFirstShow: as it is first shown, before the window system maps it),
// so it appears framed; a window that is shown already is never
// hidden or re-created for it (Qt would do so to change its flags, and a
// dialog's modal loop ends when it is hidden): its native window gets the
// new flags directly (SetWindowFlagsInPlace).
#pragma once

#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/WinTypes.h"

#include <QRegion>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

struct WINDOWPOS;
struct NCCALCSIZE_PARAMS {
  TRect rgrc[3];  // in: new window, old window, old client; out: rgrc[0] the client
  WINDOWPOS* lppos = nullptr;
};

// The low four bits of SC_SIZE: the edge being dragged.
constexpr unsigned WMSZ_LEFT = 1, WMSZ_RIGHT = 2, WMSZ_TOP = 3, WMSZ_TOPLEFT = 4,
                   WMSZ_TOPRIGHT = 5, WMSZ_BOTTOM = 6, WMSZ_BOTTOMLEFT = 7,
                   WMSZ_BOTTOMRIGHT = 8;

// Switches the non-client frame of a top-level window on or off. On, the
// window keeps its window rectangle and its client area becomes what
// WM_NCCALCSIZE leaves; off, the window gets its flags and contents
// margins back and, while it has the size it had when the frame went on,
// keeps its window rectangle too, the window system's decoration (as it
// was then) coming back within it, so on and off again give a window its
// place and size back; a window sized meanwhile (its layout grew it to keep
// its contents out of the band, its user or a caller sized it) keeps its
// client area's size and place. A shown window
// stays shown throughout (a modal loop it runs goes on); a shown maximized
// window keeps the place it was maximized to, and once a window manager
// has answered the decoration change it is put back within the screen's
// available area if it left it. False for a null widget or a child other
// than an MDI child's form (platform/Mdi.h), which is framed too: its
// sub-window loses Qt's frame (keeping its place and size; Qt's frame comes
// back when the frame goes off), the form's band is its WM_NCCALCSIZE
// answer (none while the sub-window is maximized), painted and hit-tested
// as a window's (a press in it activates the child), and SC_MOVE and
// SC_SIZE move and size the sub-window by the mouse inside its area (its
// caption kept in reach). A framed child that is minimized is iconic
// (IsIconic): its form is hidden and its sub-window, SM_CXMINIMIZED x
// SM_CYMINIMIZED in the area's row of minimized windows, is the form's band
// alone (NonClientWidget): its paint is the form's WM_NCPAINT, the mouse on
// it the form's WM_NCHITTEST (HTCAPTION all over by default) and WM_NC
// messages, SC_MOVE moves it (SC_SIZE does nothing), GetWindowRect is its
// rectangle, and a double click ends the drag its press began and goes on
// as WM_NCLBUTTONDBLCLK.
bool SetNonClientFrame(QWidget* window, bool on = true);
// The widget that shows a window's band: the sub-window of an iconic MDI
// child, else the window itself.
QWidget* NonClientWidget(const QWidget* window);
// Gives a top-level window new flags without hiding it: a window whose
// native window exists keeps it, and the native window takes the flags;
// one not made yet takes them as QWidget::setWindowFlags gives them.
void SetWindowFlagsInPlace(QWidget* window, Qt::WindowFlags flags);
// Calls `attach` once, when the window is first shown: after its own show
// handler (which may size and place it) and before the window system maps
// it; at once for a window shown already.
void AtFirstShow(QWidget* window, std::function<void()> attach);
bool HasNonClientFrame(const QWidget* window);
// Asks WM_NCCALCSIZE again and repaints the band.
void RecalcNonClient(QWidget* window);
// Schedules WM_NCPAINT for the whole band.
void RedrawNonClient(QWidget* window);
// The canvas of the WM_NCPAINT being handled (nullptr outside one).
Canvas* GetWindowDC(QWidget* window);

// Window regions, in window coordinates (relative to the window's top-left
// corner). SetWindowRgn with no region removes the window's; an empty
// region hides the whole window. The window then hears
// WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED with SWP_NOMOVE, SWP_NOSIZE,
// SWP_NOZORDER and SWP_NOACTIVATE (SWP_NOREDRAW without `redraw`).
// GetWindowRgn gives the region type (ERROR when the window has none).
constexpr int ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;
bool SetWindowRgn(QWidget* window, const std::optional<QRegion>& region, bool redraw);
int GetWindowRgn(const QWidget* window, QRegion& region);

// SystemParametersInfo(SPI_GETNONCLIENTMETRICS): fixed metrics and fonts
// of fixed pixel heights, the same on every machine.
constexpr unsigned SPI_GETNONCLIENTMETRICS = 0x0029;
struct NONCLIENTMETRICS {
  int iBorderWidth = 0;
  int iScrollWidth = 0;
  int iScrollHeight = 0;
  int iCaptionWidth = 0;
  int iCaptionHeight = 0;
  TFont lfCaptionFont;
  int iSmCaptionWidth = 0;
  int iSmCaptionHeight = 0;
  TFont lfSmCaptionFont;
  int iMenuWidth = 0;
  int iMenuHeight = 0;
  TFont lfMenuFont;
  TFont lfStatusFont;
  TFont lfMessageFont;
};
NONCLIENTMETRICS GetNonClientMetrics();
// Fills `out` (a NONCLIENTMETRICS*) for SPI_GETNONCLIENTMETRICS; false for
// any other action.
bool SystemParametersInfo(unsigned action, unsigned param, void* out, unsigned winIni = 0);
// The interval within which Qt makes a second click a double click, in ms.
unsigned GetDoubleClickTime();

}  // namespace platform
