// What the units of the message half tell each other; not for use outside
// platform/.
#pragma once

#include "platform/Messages.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <Qt>

#include <optional>
#include <vector>

class QEvent;
class QKeyEvent;
class QMdiArea;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QObject;
class QScrollBar;
class QWidget;
class QWindow;

namespace platform {
class Canvas;
class Icon;
}

namespace platform::detail {

// Handing an event to its widget a second time (see IsRedelivery): while a
// mark lives, the chain's filter and the layer's application filters let
// the event pass. A mark without event covers every event of one type to
// the receiver (a render sends Paint, closing sends Close).
struct Redelivery {
  const QObject* receiver;
  const QEvent* event;
  int type;
  const Redelivery* outer;
};
extern const Redelivery* g_redelivery;

class RedeliveryMark {
 public:
  RedeliveryMark(const QObject* receiver, const QEvent* event, int type = 0)
      : mark_{receiver, event, type, g_redelivery} {
    g_redelivery = &mark_;
  }
  ~RedeliveryMark() { g_redelivery = mark_.outer; }
  RedeliveryMark(const RedeliveryMark&) = delete;
  RedeliveryMark& operator=(const RedeliveryMark&) = delete;

 private:
  Redelivery mark_;
};

// True when the widget has a chain (handlers or a frame): the units that
// tell the chain of Qt's signals only do so for such widgets.
bool HasChain(const QWidget* widget);

// The chain of `widget` translates its events also without handlers (a
// window's non-client frame works without any).
void KeepTranslating(QWidget* widget, bool on);
// Runs `m` through the widget's handlers alone (the default procedure does
// nothing); false when the widget has no chain.
bool TellHandlers(QWidget* widget, Message& m);

unsigned VirtualKey(int qtKey);
int QtKey(unsigned vk);
unsigned MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// The message a mouse event stands for (Msg 0 for none; LParam the point
// in the widget's client coordinates), and that of a key event.
Message MouseMessage(const QWidget* widget, const QMouseEvent* event);
Message KeyMessage(const QKeyEvent* event);

// The default procedures of these units, called by the standard one; false
// when the message is not theirs for this widget.
bool NonClientDefault(QWidget* widget, Message& m);
bool ScrollDefault(QWidget* widget, Message& m);
bool PaintDefault(QWidget* widget, Message& m);
bool ControlDefault(QWidget* widget, Message& m);
bool MdiDefault(QWidget* widget, Message& m);

// A handler let an exception out: it is reported to the user later, from
// the event loop (the current exception).
void ReportHandlerException();

// Capture, from the layer's application filter: true while a widget holds
// it; an event that may end it.
bool CaptureHeld();
void CaptureEvent(QObject* receiver, QEvent* event);

// The control's Qt signals reach its chain (and its parent's) as messages
// from now on (ControlMessages).
void WatchControl(QWidget* control);
// The widget's layout direction changed: WM_STYLECHANGING/WM_STYLECHANGED
// for its extended style (WindowTable).
void DirectionChanged(QWidget* widget);
// The widget is being destroyed (its Destroy event has come).
void MarkDestroying(QWidget* widget);
// The window's icon as WM_GETICON answers it (nullptr for none).
const Icon* WindowIcon(QWidget* window, unsigned which = ICON_BIG);

// The non-client frame, from the translation table.
bool IsFramed(const QWidget* window);
// A top-level window's rectangle on the screen: a framed window is its
// widget (its band is the frame), any other its window system's frame.
QRect WindowScreenRect(const QWidget* window);
// The window flags the frame took over (the window's style is read from them).
std::optional<Qt::WindowFlags> FramedFlags(const QWidget* window);
// A mouse event on a framed window; true when it was the frame's.
bool FrameMouse(QWidget* window, QMouseEvent* event);
void FrameLeave(QWidget* window);
// Asks WM_NCCALCSIZE and puts the answer into the contents margins; true
// when that changed the margins of a visible window (Qt then sent a resize
// of its own with them).
bool FrameCalcSize(QWidget* window);
// A child control's non-client band: the frame Qt lays out around its
// client area (none for other widgets), widened where WM_NCCALCSIZE
// answered wider; the default answer is Qt's band, less the strips of
// scroll bars whose style bits are cleared. IsBandWidened: an answer
// widens the control's band now (removing a handler then asks again);
// WidenedControls: the controls whose band is widened.
QMargins ControlInsets(const QWidget* control);
QMargins DefaultBand(const QWidget* control);
QRect ClientArea(const QWidget* widget);
bool HasBand(const QWidget* widget);
bool IsBandWidened(const QWidget* control);
std::vector<QWidget*> WidenedControls();
// The WM_NC mouse message of a mouse event in a band (0 for none).
unsigned NonClientMouseMessage(const QMouseEvent* event);
void ControlCalcSize(QWidget* control);
// WM_NCPAINT of a framed window with `canvas` as its window DC (WM_PRINT).
void PrintNonClient(QWidget* window, Canvas& canvas);
// Ends a manual move or resize (deactivation, hiding).
void EndFrameDrag(QWidget* window);
// The X window manager's move (`edge` 0) or resize (a WMSZ_ edge) of a
// top-level window by the left button, as from a press at `from` (screen
// coordinates): the window lets the pointer go and the window manager
// moves the window by the pointer's whole offset from there. False where
// no window manager of an X server offers it. The cancel ends one the
// window manager has not ended (the button went up before it took over).
bool StartManagerMoveSize(QWidget* window, QPoint from, unsigned edge);
void CancelManagerMoveSize(QWidget* window);
// A key event while a move or size from a menu runs, which has the
// keyboard: the arrows move or size, Enter ends it, Esc ends it with the
// window back where it was; no key goes on. False when none runs.
bool MoveSizeKey(QEvent* event);
// Positions (WindowPos): a top-level window moved or sized by someone
// other than SetWindowPos; a maximize or restore the platform makes itself
// (false when the window leaves it to Qt).
void PositionChangedOutside(QWidget* window, bool moved, bool sized);
// A top-level window the program hid other than through SetWindowPos:
// WM_WINDOWPOSCHANGING with SWP_HIDEWINDOW, as a hide gives it.
void HiddenOutside(QWidget* window);
bool Maximize(QWidget* window);
bool Restore(QWidget* window);
bool SelfZoomed(const QWidget* window);
// After the frame of a shown maximized window went on or off: once the
// window manager has answered the decoration change, the window is put
// back within the screen's available area if it left it.
void KeepWithinScreen(QWidget* window);
// Keeps Qt's idea of where a framed (frameless) window is true to the
// window system's, which a window manager can leave stale.
void WatchNativePlace(QWidget* window);
// The window system activating `window` within a moment hands the
// activation back to `active` (a show or click without activation).
void HoldActivation(QWidget* window, QWidget* active);

// Scroll bars and menus, from the layer's application filter.
void WatchScrollBar(QScrollBar* bar);
// An MDI client: its activation changes and closed children become
// messages (Mdi).
void WatchMdiArea(QMdiArea* area);
// A key or mouse event while a popup menu is open: true when the message
// filter swallowed it.
bool FilterMenuEvent(QObject* receiver, QEvent* event);

// The menu line (MenuLine): the bar a framed window shows in its band
// (nullptr: none; the bar the frame gave back shows again as a widget);
// its height at a client width; HTMENU over it (else HTNOWHERE); a press
// on it, SC_KEYMENU; an input event that the menu loop or a menu key took.
// Before any other use of an event the layer's filter tells the line of
// every key going down (a KeyPress, or the ShortcutOverride with which Qt
// asks before its shortcut map takes the key) and of every window that a
// modal window blocks or no longer blocks (WindowBlocked, WindowUnblocked).
bool IsLineBar(const QWidget* bar);
void UpdateMenuLine(QWidget* window, QMenuBar* bar);
int MenuLineHeight(QWidget* window, int width);
int MenuLineHit(QWidget* window, QPoint global);
void MenuLineClick(QWidget* window, QPoint global);
void MenuLineKeyMenu(QWidget* window, LPARAM key);
// SC_KEYMENU ' ': the window's system menu below its title icon, when its
// style word has WS_SYSMENU (TrackPopupMenu: it never waits).
void KeyMenuSystemMenu(QWidget* window);
bool MenuLineEvent(QObject* receiver, QEvent* event);
void MenuLineKeyDown(const QKeyEvent* event);
void MenuLineWindowBlocked(QWindow* window, bool blocked);
// A popup of the menu line: TrackPopupMenu's reports, WM_INITMENUPOPUP
// with the item's position, no closing WM_MENUSELECT (the loop sends it).
bool TrackLinePopup(QMenu* menu, QPoint at, QWidget* owner, int position);

}  // namespace platform::detail
