// Window positions: SetWindowPos and the placement of a window.
//
// A top-level window's position and size are its window rectangle on the
// screen (the frame the window manager adds included); a child's are its
// rectangle in its parent's client coordinates.
#pragma once

#include "platform/WinTypes.h"

class QWidget;

namespace platform {

constexpr unsigned SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2, SWP_NOZORDER = 0x4, SWP_NOREDRAW = 0x8,
                   SWP_NOACTIVATE = 0x10, SWP_FRAMECHANGED = 0x20, SWP_SHOWWINDOW = 0x40,
                   SWP_HIDEWINDOW = 0x80, SWP_NOCOPYBITS = 0x100, SWP_NOOWNERZORDER = 0x200;

constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
              SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_SHOWMINNOACTIVE = 7,
              SW_SHOWNA = 8, SW_RESTORE = 9;

// Moves, sizes and shows or hides the window by the flags; with
// SWP_FRAMECHANGED a window with a non-client frame asks WM_NCCALCSIZE
// again. Without SWP_NOZORDER, a null `insertAfter` raises the window;
// other stacking is left to the window system.
bool SetWindowPos(QWidget* window, QWidget* insertAfter, int x, int y, int cx, int cy,
                  unsigned flags);

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
