// Window positions: SetWindowPos, ShowWindow, the placement of a window and
// the messages around every move and size the platform makes.
//
// A top-level window's position and size are its window rectangle on the
// screen (the frame the window manager adds included); a child's are its
// rectangle in its parent's client coordinates.
//
// Every move, size or stacking change the platform makes (SetWindowPos, the
// manual move and resize of a non-client frame, its own maximize and
// restore) first sends WM_WINDOWPOSCHANGING with a WINDOWPOS* in LParam
// whose position, size, insert-after and SWP_ flags a handler may change
// (SWP_NOMOVE, SWP_NOSIZE and SWP_NOZORDER then keep what they name), and
// afterwards WM_WINDOWPOSCHANGED with what was done. A move or size the
// window manager makes of a top-level window gives WM_WINDOWPOSCHANGED only.
// A top-level window the program hides otherwise (QWidget::hide, close,
// ShowWindow SW_HIDE) gets WM_WINDOWPOSCHANGING with SWP_HIDEWINDOW (and
// SWP_NOMOVE, SWP_NOSIZE, SWP_NOZORDER, SWP_NOACTIVATE) after WM_SHOWWINDOW.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>

class QWidget;

namespace platform {

constexpr unsigned SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2, SWP_NOZORDER = 0x4, SWP_NOREDRAW = 0x8,
                   SWP_NOACTIVATE = 0x10, SWP_FRAMECHANGED = 0x20, SWP_SHOWWINDOW = 0x40,
                   SWP_HIDEWINDOW = 0x80, SWP_NOCOPYBITS = 0x100, SWP_NOOWNERZORDER = 0x200,
                   SWP_NOSENDCHANGING = 0x400;

constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
              SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_SHOWMINNOACTIVE = 7,
              SW_SHOWNA = 8, SW_RESTORE = 9;

// The places in the stacking order that are no window.
inline QWidget* const HWND_TOP = nullptr;
inline QWidget* const HWND_BOTTOM = reinterpret_cast<QWidget*>(std::uintptr_t(1));
inline QWidget* const HWND_TOPMOST = reinterpret_cast<QWidget*>(~std::uintptr_t(0));
inline QWidget* const HWND_NOTOPMOST = reinterpret_cast<QWidget*>(~std::uintptr_t(1));

struct WINDOWPOS {
  QWidget* hwnd = nullptr;
  QWidget* hwndInsertAfter = nullptr;
  int x = 0;  // the fields SWP_NOMOVE and SWP_NOSIZE exclude hold the present values
  int y = 0;
  int cx = 0;
  int cy = 0;
  unsigned flags = 0;
};

struct MINMAXINFO {
  TPoint ptReserved;
  TPoint ptMaxSize;      // the maximized window's size
  TPoint ptMaxPosition;  // and its position on the screen
  TPoint ptMinTrackSize;
  TPoint ptMaxTrackSize;
};

// Moves, sizes, stacks and shows or hides the window by the flags; with
// SWP_FRAMECHANGED a window with a non-client frame asks WM_NCCALCSIZE
// again. Without SWP_NOZORDER the window goes below `insertAfter` (a
// sibling, or for a window another window), to the top (HWND_TOP), the
// bottom (HWND_BOTTOM), or into or out of the topmost windows
// (HWND_TOPMOST, HWND_NOTOPMOST). Without SWP_NOACTIVATE a shown window is
// activated. False for a null widget.
bool SetWindowPos(QWidget* window, QWidget* insertAfter, int x, int y, int cx, int cy,
                  unsigned flags);

// Shows, hides, minimizes, maximizes or restores the window by the SW_
// command; SW_SHOWNOACTIVATE, SW_SHOWNA and SW_SHOWMINNOACTIVE leave the
// active window as it is. Answers whether the window was visible before.
// A maximized window fills the screen's available area also where no
// window manager acts on the request (an X server without one): the
// platform gives it that rectangle itself, before it is mapped, and
// restoring (SW_RESTORE, SC_RESTORE) gives it back the one it had.
bool ShowWindow(QWidget* window, int command);

// Whether a minimize of the window can take effect: a top-level window is
// iconified, and given back, only by a window manager. Where none runs (an
// X server without one) a minimize (SW_MINIMIZE and the other minimizing
// commands, SC_MINIMIZE, MinimizeApplication) leaves the window shown, in
// the state and place it has.
bool CanMinimize(const QWidget* window);

// Whether a window manager acts on the windows' states and decorations:
// false only on an X server where none runs (none announced through
// _NET_SUPPORTING_WM_CHECK on the root window); other window systems
// maximize by themselves.
bool WindowManagerRuns();

// A top-level window in no state (not maximized, minimized or full screen)
// that grew, from the window rectangle `before` to its present one, past an
// edge of its screen's available area (the work area) that `before` kept
// within, is moved back within that edge, as far as its size allows (its
// left and top edges stay in the area). A frame that grows a window keeps
// it on the screen so.
void KeepGrownWindowInWorkArea(QWidget* window, const TRect& before);

// The per-window switch that prefers the platform's manual move and resize
// (following the mouse) to the window manager's; such a window also
// maximizes by itself: WM_GETMINMAXINFO (LParam = MINMAXINFO*, filled with
// the screen's work area and the window's size limits) gives the place it
// takes, and restoring takes it back to where it was (IsZoomed tells
// either maximize).
void SetManualMoveSize(QWidget* window, bool on);
bool PrefersManualMoveSize(const QWidget* window);

struct WINDOWPLACEMENT {
  unsigned length = sizeof(WINDOWPLACEMENT);
  unsigned flags = 0;
  int showCmd = 0;  // SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED or SW_SHOWNORMAL
  TPoint ptMinPosition;
  TPoint ptMaxPosition;
  TRect rcNormalPosition;  // the restored window rectangle
};
bool GetWindowPlacement(const QWidget* window, WINDOWPLACEMENT* placement);

}  // namespace platform
