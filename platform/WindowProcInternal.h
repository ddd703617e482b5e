// What the units of the message half tell each other; not for use outside
// platform/.
#pragma once

#include "platform/Messages.h"

#include <Qt>

#include <optional>

class QEvent;
class QKeyEvent;
class QMouseEvent;
class QObject;
class QScrollBar;
class QWidget;

namespace platform::detail {

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

// The non-client frame, from the translation table.
bool IsFramed(const QWidget* window);
// The window flags the frame took over (the window's style is read from them).
std::optional<Qt::WindowFlags> FramedFlags(const QWidget* window);
// A mouse event on a framed window; true when it was the frame's.
bool FrameMouse(QWidget* window, QMouseEvent* event);
void FrameLeave(QWidget* window);
// Asks WM_NCCALCSIZE and puts the answer into the contents margins; true
// when that changed the margins of a visible window (Qt then sent a resize
// of its own with them).
bool FrameCalcSize(QWidget* window);
// Ends a manual move or resize (deactivation, hiding).
void EndFrameDrag(QWidget* window);

// Scroll bars and menus, from the layer's application filter.
void WatchScrollBar(QScrollBar* bar);
// A key or mouse event while a popup menu is open: true when the message
// filter swallowed it.
bool FilterMenuEvent(QObject* receiver, QEvent* event);

}  // namespace platform::detail
