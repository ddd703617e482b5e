// Window procedures on Qt widgets: handler chains, sending and posting
// messages, and the standard messages translated from Qt's events.
//
// A widget gets a chain of handlers through InstallWindowProc. Handlers of
// the window level (what replacing GWL_WNDPROC did) run before those of the
// control level (a control's WindowProc), the newest of a level first; after
// the last one comes the default procedure, which is the widget's own
// handling. Each handler gets the message and a call to the one before it
// (CallPrevious), which it may make zero, one or more times, before and
// after its own work. Removing a handler unlinks that one alone, wherever
// it sits, also from inside its own call.
//
// The chain is served by one event filter object per widget that is not
// the widget's child, so it still sees the widget's last event after Qt has
// deleted the children. Qt events become messages before the chain:
//   Paint                   WM_ERASEBKGND (WParam = the Canvas* to paint
//                           with), then WM_PAINT (BeginPaint gives the
//                           same canvas)
//   mouse buttons, moves    WM_[LRMX]BUTTON{DOWN,UP,DBLCLK}, WM_MOUSEMOVE
//                           (WParam = MK_ flags, LParam = client position)
//   wheel                   WM_MOUSEWHEEL, WM_MOUSEHWHEEL (LParam = screen);
//                           its default performs CM_MOUSEWHEEL (control
//                           level), whose default hands the wheel on
//   Enter, Leave            CM_MOUSEENTER, CM_MOUSELEAVE (LParam = the
//                           widget); one WM_MOUSELEAVE per TrackMouseEvent
//   keys                    WM_KEYDOWN/UP, WM_SYSKEYDOWN/UP with Alt or F10;
//                           Alt + a character nobody took: CM_DIALOGCHAR to
//                           the window
//   focus                   WM_SETFOCUS, WM_KILLFOCUS
//   Resize, Move            WM_SIZE, WM_MOVE (client size and position)
//   EnabledChange           WM_ENABLE, CM_ENABLEDCHANGED
//   Show, Hide (the         WM_SHOWWINDOW, CM_SHOWINGCHANGED
//   program's)
//   ShowToParent, -Hide-    CM_VISIBLECHANGED (WParam = shown): the widget
//                           itself was shown or hidden
//   WindowTitleChange       WM_SETTEXT (LParam = const QString*),
//                           CM_TEXTCHANGED
//   WindowActivate, -Deact. WM_NCACTIVATE, WM_ACTIVATE, CM_ACTIVATE or
//                           CM_DEACTIVATE
//   Close                   WM_CLOSE (a handler that does not pass it on
//                           keeps the window open)
//   a child control came    WM_PARENTNOTIFY (MAKEWPARAM(WM_CREATE or
//   (once polished) or      WM_DESTROY, its id), LParam = the child) and
//   went (reparented, or    CM_CONTROLLISTCHANGE (WParam = the child,
//   from its Destroy event) LParam = 1 when it came); Qt's own handling
//                           of the child event follows in any case
//   ContextMenu             WM_CONTEXTMENU (WParam = the widget, LParam =
//                           screen point, -1 from the keyboard)
//   PaletteChange           CM_COLORCHANGED
//   FontChange              CM_FONTCHANGED
//   to windows only:
//   ApplicationFontChange   WM_FONTCHANGE
//   ApplicationPaletteCh.   WM_SYSCOLORCHANGE
//   ThemeChange             WM_SETTINGCHANGE
//   WindowIconChange        WM_SETICON (ICON_BIG, LParam = the HICON)
//   LayoutDirectionChange   WM_STYLECHANGING, WM_STYLECHANGED (GWL_EXSTYLE)
//   Destroy (after the      WM_DESTROY, WM_NCDESTROY; then the chain ends
//   children's)
// A popup QMenu's window counts as destroyed whenever it hides, as each
// popup of a Windows menu is a window of its own: WM_DESTROY and
// WM_NCDESTROY, and its chain is emptied. Qt's timer events stay Qt's
// (SetTimer gives WM_TIMER, platform/Timers.h).
//
// A handler that lets an exception out stops at the chain's filter: the
// event takes its default (Qt hands it to the widget, unless a default
// procedure had done so), and the message goes to the user through
// UserPrompts from the event loop.
//
// The default procedure of a translated message hands the original event
// on to the widget, through Qt's delivery (so the widget's other event
// filters see it as well). Qt hands mouse events a widget leaves
// unaccepted on to its parent, whose chain sees them too. A widget deleted
// by a handler ends the dispatch: nothing further runs and nothing touches
// the widget afterwards.
//
// All of this runs on the GUI thread; PostMessage may also be called from
// other threads once the layer has started.
#pragma once

#include "platform/Messages.h"

#include <functional>
#include <memory>

class QObject;
class QWidget;

namespace platform {

class Canvas;
class WindowChain;

enum class WindowProcLevel { Window, Control };

// The call to the procedure before a handler.
class CallPrevious {
 public:
  // Runs `message` through the rest of the chain and the default procedure.
  void operator()(Message& message) const;

 private:
  friend class WindowChain;
  CallPrevious(WindowChain* chain, const void* node, const void* defaultProc)
      : chain_(chain), node_(node), default_(defaultProc) {}
  WindowChain* chain_;
  const void* node_;
  const void* default_;
};

using WindowProcHandler = std::function<void(Message& message, const CallPrevious& previous)>;

class WindowProcHandle {
 public:
  bool Installed() const;

 private:
  friend WindowProcHandle InstallWindowProc(QWidget*, WindowProcHandler, WindowProcLevel);
  friend bool RemoveWindowProc(WindowProcHandle&);
  std::weak_ptr<void> node_;
};

// Puts `handler` at the head of its level of the widget's chain. An empty
// handle for a null widget or one being destroyed.
WindowProcHandle InstallWindowProc(QWidget* widget, WindowProcHandler handler,
                                   WindowProcLevel level = WindowProcLevel::Window);
// Unlinks the handler; false when it is gone already (also when its widget
// was destroyed).
bool RemoveWindowProc(WindowProcHandle& handle);

// Synchronous dispatch through the whole chain, or from its control level
// on (Perform); 0 when nothing answers. A null widget or one being
// destroyed answers 0. The default procedure gives the standard messages
// that have a Qt meaning their Qt action: mouse and key messages arrive as
// the Qt events they stand for, WM_CLOSE closes, WM_SETTEXT sets the window
// text (see GetWindowText), WM_SETFOCUS takes the focus,
// WM_SETREDRAW switches updates; any other message reaches the widget's
// event() as a MessageEvent.
LRESULT SendMessage(QWidget* widget, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
LRESULT Perform(QWidget* widget, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Queues the message; it runs through the chain (or reaches the widget)
// when the event loop delivers it, after the messages posted before it.
// A message to a window destroyed before then is dropped. False for a null
// widget or one being destroyed.
bool PostMessage(QWidget* widget, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Requests one WM_MOUSELEAVE for when the mouse next leaves the widget
// (posted at once when it is not over the widget); TME_CANCEL withdraws
// the request.
constexpr unsigned TME_LEAVE = 0x00000002, TME_CANCEL = 0x80000000;
bool TrackMouseEvent(QWidget* widget, unsigned flags = TME_LEAVE);

// The canvas of the paint event the widget is in (nullptr outside one).
// EndPaint ends its painting, so that the widget's own painting can
// follow.
Canvas* BeginPaint(QWidget* widget);
void EndPaint(QWidget* widget);

// True while the default procedure hands `event` to `receiver` a second
// time; application event filters that act on events once skip it.
bool IsRedelivery(const QObject* receiver, const QEvent* event);

// Starts the layer: reserves the message numbers and installs its
// application event filter (the unit start-up "WindowMessages" does this
// when main() runs the start-ups; the first use does it otherwise).
void StartMessageLayer();

}  // namespace platform
