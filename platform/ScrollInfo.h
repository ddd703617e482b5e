// Scroll bars and combo boxes read and set in the Windows manner.
//
// A window's scroll bars are those of a QAbstractScrollArea (SB_HORZ,
// SB_VERT); a scroll-bar control is a QScrollBar (SB_CTL). The Windows
// range convention holds: nPage is the page step and nMax the maximum plus
// the page less one, so the position runs from nMin to nMax - nPage + 1.
//
// WM_HSCROLL and WM_VSCROLL sent or posted to a scroll area, to the parent
// of a scroll-bar control (LParam = the bar) or to the bar itself run the
// bar's action: SB_LINEUP/DOWN, SB_PAGEUP/DOWN, SB_TOP/BOTTOM,
// SB_THUMBTRACK and SB_THUMBPOSITION (the position in the high word);
// SB_ENDSCROLL does nothing. That is the only message the host's chain
// sees for it. A non-zero LParam is looked up among the window's own bars
// and scroll-bar controls, never read: a number that names none of them
// (a position, a bar since gone) runs nothing. The other way round, what
// a bar does on its own (mouse, wheel, keys) reaches the window
// procedures of its host as WM_HSCROLL or WM_VSCROLL after the bar has
// moved: the action's code (SB_THUMBTRACK with the position while the
// thumb is dragged, then SB_THUMBPOSITION), closed by SB_ENDSCROLL when
// the button goes up (at once for the wheel and keys). The default
// procedure of these notices does nothing.
#pragma once

#include "platform/WinTypes.h"

class QScrollBar;
class QWidget;

namespace platform {

constexpr int OBJID_CLIENT = -4, OBJID_VSCROLL = -5, OBJID_HSCROLL = -6;

constexpr unsigned SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8,
                   SIF_TRACKPOS = 0x10, SIF_ALL = 0x17;

constexpr unsigned STATE_SYSTEM_UNAVAILABLE = 0x1, STATE_SYSTEM_PRESSED = 0x8,
                   STATE_SYSTEM_INVISIBLE = 0x8000;

struct SCROLLINFO {
  unsigned cbSize = sizeof(SCROLLINFO);
  unsigned fMask = 0;
  int nMin = 0;
  int nMax = 0;
  unsigned nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

struct SCROLLBARINFO {
  unsigned cbSize = sizeof(SCROLLBARINFO);
  TRect rcScrollBar;      // screen coordinates
  int dxyLineButton = 0;  // the arrow's length along the bar
  int xyThumbTop = 0;     // thumb edges along the bar, from its start
  int xyThumbBottom = 0;
  int reserved = 0;
  // The bar, its first arrow, the page before the thumb, the thumb, the
  // page after it, its second arrow.
  unsigned rgstate[6] = {};
};

struct COMBOBOXINFO {
  unsigned cbSize = sizeof(COMBOBOXINFO);
  TRect rcItem;    // client coordinates of the combo box
  TRect rcButton;
  unsigned stateButton = 0;  // STATE_SYSTEM_PRESSED while the list is down
  QWidget* hwndCombo = nullptr;
  QWidget* hwndItem = nullptr;  // its edit, or the combo box itself without one
  QWidget* hwndList = nullptr;  // the drop-down list's window
};

// The bar: SB_HORZ or SB_VERT of a scroll area, SB_CTL of a QScrollBar;
// nullptr for anything else.
QScrollBar* GetScrollBar(QWidget* window, int bar);

// The fields fMask asks for; false without such a bar.
bool GetScrollInfo(QWidget* window, int bar, SCROLLINFO* info);
// Sets what fMask names (a new page keeps nMax) and answers the position.
int SetScrollInfo(QWidget* window, int bar, const SCROLLINFO& info, bool redraw = true);

// OBJID_HSCROLL or OBJID_VSCROLL of a scroll area, OBJID_CLIENT of a
// QScrollBar: the bar's rectangle, arrow and thumb from the style;
// STATE_SYSTEM_INVISIBLE for a hidden bar, STATE_SYSTEM_UNAVAILABLE (bar
// and arrows) for a disabled one.
bool GetScrollBarInfo(QWidget* window, int idObject, SCROLLBARINFO* info);

// The press a bar's own handlers took from it (a bar painted and driven
// by its host) ends nothing: its release sends no SB_ENDSCROLL of its own.
void ForgetScrollBarPress(QScrollBar* bar);

// A QComboBox's edit field and button from the style.
bool GetComboBoxInfo(QWidget* combo, COMBOBOXINFO* info);

}  // namespace platform
