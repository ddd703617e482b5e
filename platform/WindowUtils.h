// Small window routines: coordinates between screen and windows, the
// window at a point, finding and walking child windows, window states.
//
// Client coordinates start at the client area (ClientOrigin); screen
// coordinates are Qt's global ones.
#pragma once

#include "platform/WinTypes.h"

#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

namespace platform {

bool ScreenToClient(const QWidget* window, TPoint* point);
bool ClientToScreen(const QWidget* window, TPoint* point);
// Maps `count` points from the client coordinates of `from` to those of
// `to` (nullptr: the screen); answers MAKELONG(dx, dy) of the shift.
std::uint32_t MapWindowPoints(const QWidget* from, const QWidget* to, TPoint* points, unsigned count);

// The deepest window under the screen point: among the top-level windows
// the topmost that the point is on (one that lets input through, Qt's
// WindowTransparentForInput or WA_TransparentForMouseEvents, is passed
// over; windows that stay on top before tool windows before the active
// one before the rest), then its topmost visible child under the point,
// and so on. A disabled child is not returned: the search stops at its
// parent. Window regions (masks) count.
QWidget* WindowFromPoint(TPoint screen);
bool GetCursorPos(TPoint* point);

// The next child of `parent` (nullptr: the top-level windows) after
// `after` (nullptr: the first), topmost first, whose class name (without
// regard to case; empty: any) and window text (empty: any) match.
QWidget* FindWindowEx(const QWidget* parent, const QWidget* after, const QString& className,
                      const QString& windowName = {});
// Calls `callback` for every descendant window of `parent` that is not a
// window of its own (each child, topmost first, then its descendants)
// until it answers false; false when it did.
bool EnumChildWindows(const QWidget* parent, const std::function<bool(QWidget*)>& callback);

bool IsIconic(const QWidget* window);
bool IsZoomed(const QWidget* window);
// Shown, and painting (WS_VISIBLE set on it and on every parent).
bool IsWindowVisible(const QWidget* window);
bool IsWindowEnabled(const QWidget* window);

}  // namespace platform
