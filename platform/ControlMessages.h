// Messages of the standard controls, answered once for all by the default
// procedure from the Qt widget they stand for, and the controls'
// notifications made from Qt's signals.
//
// Sent messages (texts travel as QString*, rectangles as TRect* in client
// coordinates, handles as pointers the layer keeps until the widget or the
// image changes):
//   buttons (QAbstractButton)  BM_GETCHECK, BM_GETSTATE (BST_ bits),
//                              BM_SETCHECK, BM_SETSTATE (down), BM_CLICK,
//                              BM_GETIMAGE (IMAGE_ICON: HICON, IMAGE_BITMAP:
//                              Bitmap* of the button's icon)
//   static texts (QLabel)      STM_GETIMAGE (Bitmap* of its picture),
//                              STM_GETICON (HICON of it)
//   combo boxes (QComboBox)    CB_GETCOUNT, CB_GETCURSEL, CB_SETCURSEL,
//                              CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_ADDSTRING,
//                              CB_INSERTSTRING, CB_GETITEMHEIGHT (-1: the
//                              edit field), CB_GETDROPPEDSTATE,
//                              CB_SHOWDROPDOWN
//   list boxes (QListWidget)   LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL,
//                              LB_GETTEXT, LB_GETTEXTLEN, LB_ADDSTRING,
//                              LB_INSERTSTRING, LB_GETTOPINDEX,
//                              LB_SETTOPINDEX, LB_GETITEMHEIGHT,
//                              LB_GETITEMRECT
//   tab controls (QTabBar,     TCM_GETITEMCOUNT, TCM_GETCURSEL,
//   QTabWidget)                TCM_SETCURSEL, TCM_GETITEMRECT,
//                              TCM_GETROWCOUNT (1), TCM_ADJUSTRECT,
//                              TCM_GETIMAGELIST (none)
//   tool bars (QToolBar; its   TB_BUTTONCOUNT, TB_GETBUTTON, TB_GETITEMRECT,
//   buttons are its actions)   TB_GETBUTTONTEXT (by command id),
//                              TB_GETIMAGELIST (none)
//   status bars (QStatusBar;   SB_ISSIMPLE (a message shows), SB_GETPARTS,
//   parts are its widgets)     SB_GETRECT
//   headers (QHeaderView)      HDM_GETITEMCOUNT, HDM_GETITEM, HDM_GETITEMRECT,
//                              HDM_ORDERTOINDEX, HDM_HITTEST
//   list and tree views        LVM_GETITEMCOUNT, LVM_GETITEMRECT,
//   (QAbstractItemView)        LVM_INSERTITEM, LVM_SCROLL, LVM_ARRANGE; the
//                              colours as palette roles: LVM_/TVM_ BKCOLOR
//                              is Base, TEXTCOLOR is Text (CLR_NONE: the
//                              default again); LVM_SETTEXTBKCOLOR has no Qt
//                              meaning and is only kept
//   any widget                 WM_GETFONT (const TFont*, Font.Color
//                              included), WM_SETFONT; windows WM_GETICON,
//                              WM_SETICON (HICON; the application window's
//                              is the program's icon)
// What a sent message changes produces no notification.
//
// Notifications, after the change, for widgets whose chain or whose
// parent's chain exists: to the control's own chain BM_SETCHECK (a check
// state changed), BM_SETSTATE (pressed, released), TCM_SETCURSEL,
// LB_ADDSTRING or LB_INSERTSTRING (per row added), LB_SETCURSEL,
// LVM_INSERTITEM (per row added), each with a default that does nothing;
// to the parent WM_COMMAND (WParam MAKEWPARAM(id, code), LParam the
// control) with BN_CLICKED, CBN_SELCHANGE, CBN_DROPDOWN, CBN_CLOSEUP, and
// WM_NOTIFY (LParam an NMHDR*) with TCN_SELCHANGE, TBN_DROPDOWN and
// TBN_DELETINGBUTTON (NMTOOLBAR); to a tool bar, posted, CN_DROPDOWNCLOSED
// when a button's drop-down menu has closed. The parent's default procedure hands
// WM_COMMAND and WM_NOTIFY about a control to the control as CN_COMMAND
// and CN_NOTIFY (to its handlers).
#pragma once

#include "platform/Messages.h"
#include "platform/WinTypes.h"

#include <QList>
#include <QIcon>
#include <QString>

#include <cstdint>

class QAction;
class QStatusBar;
class QToolBar;
class QWidget;

namespace platform {

constexpr unsigned BN_CLICKED = 0;
constexpr unsigned CBN_SELCHANGE = 1, CBN_DROPDOWN = 7, CBN_CLOSEUP = 8;
constexpr int TCN_SELCHANGE = -551, TCN_SELCHANGING = -552;
constexpr int TBN_DROPDOWN = -710, TBN_DELETINGBUTTON = -715;

constexpr unsigned STM_SETICON = 0x170, STM_GETICON = 0x171, STM_SETIMAGE = 0x172, STM_GETIMAGE = 0x173;
constexpr unsigned CB_ADDSTRING = 0x143, CB_GETCOUNT = 0x146, CB_GETCURSEL = 0x147, CB_GETLBTEXT = 0x148,
                   CB_GETLBTEXTLEN = 0x149, CB_INSERTSTRING = 0x14A, CB_SETCURSEL = 0x14E,
                   CB_SHOWDROPDOWN = 0x14F, CB_GETITEMHEIGHT = 0x154, CB_GETDROPPEDSTATE = 0x157;
constexpr unsigned LB_ADDSTRING = 0x180, LB_INSERTSTRING = 0x181, LB_SETCURSEL = 0x186, LB_GETCURSEL = 0x188,
                   LB_GETTEXT = 0x189, LB_GETTEXTLEN = 0x18A, LB_GETCOUNT = 0x18B, LB_GETTOPINDEX = 0x18E,
                   LB_SETTOPINDEX = 0x197, LB_GETITEMRECT = 0x198, LB_GETITEMHEIGHT = 0x1A1;
constexpr unsigned TCM_GETIMAGELIST = 0x1302, TCM_GETITEMCOUNT = 0x1304, TCM_GETITEMRECT = 0x130A,
                   TCM_GETCURSEL = 0x130B, TCM_SETCURSEL = 0x130C, TCM_ADJUSTRECT = 0x1328,
                   TCM_GETROWCOUNT = 0x132C;
constexpr unsigned TB_GETBUTTON = WM_USER + 23, TB_BUTTONCOUNT = WM_USER + 24, TB_GETITEMRECT = WM_USER + 29,
                   TB_GETBUTTONTEXTA = WM_USER + 45, TB_GETIMAGELIST = WM_USER + 49,
                   TB_GETBUTTONTEXTW = WM_USER + 75;
constexpr unsigned HDM_GETITEMCOUNT = 0x1200, HDM_GETITEMA = 0x1203, HDM_HITTEST = 0x1206,
                   HDM_GETITEMRECT = 0x1207, HDM_GETITEMW = 0x120B, HDM_ORDERTOINDEX = 0x120F;
constexpr unsigned LVM_GETBKCOLOR = 0x1000, LVM_SETBKCOLOR = 0x1001, LVM_GETITEMCOUNT = 0x1004,
                   LVM_INSERTITEMA = 0x1007, LVM_GETITEMRECT = 0x100E, LVM_SCROLL = 0x1014,
                   LVM_ARRANGE = 0x1016, LVM_GETTEXTCOLOR = 0x1023, LVM_SETTEXTCOLOR = 0x1024,
                   LVM_GETTEXTBKCOLOR = 0x1025, LVM_SETTEXTBKCOLOR = 0x1026, LVM_INSERTITEMW = 0x104D;
constexpr unsigned TVM_SETBKCOLOR = 0x111D, TVM_SETTEXTCOLOR = 0x111E, TVM_GETBKCOLOR = 0x111F,
                   TVM_GETTEXTCOLOR = 0x1120;
constexpr std::uint32_t CLR_NONE = 0xFFFFFFFF, CLR_DEFAULT = 0xFF000000;

// Posted to a tool bar once a button's drop-down menu has closed.
constexpr unsigned CN_DROPDOWNCLOSED = WM_USER + 0x1000;

// TB_GETBUTTON.
constexpr std::uint8_t TBSTATE_CHECKED = 0x1, TBSTATE_PRESSED = 0x2, TBSTATE_ENABLED = 0x4,
                       TBSTATE_HIDDEN = 0x8;
struct TBBUTTON {
  int iBitmap = -1;
  int idCommand = 0;
  std::uint8_t fsState = 0;
  std::uint8_t fsStyle = 0;  // TBSTYLE_ bits (WindowTable.h)
  QString text;
};

// HDM_GETITEM, HDM_HITTEST. An item's picture is its model's
// Qt::DecorationRole: a QIcon is HDF_IMAGE, a QPixmap or QImage
// HDF_BITMAP; HDI_IMAGE or HDI_BITMAP hands it over as `image`.
constexpr unsigned HDI_WIDTH = 0x1, HDI_TEXT = 0x2, HDI_FORMAT = 0x4, HDI_BITMAP = 0x10, HDI_IMAGE = 0x20,
                   HDI_ORDER = 0x80;
constexpr int HDF_LEFT = 0x0, HDF_RIGHT = 0x1, HDF_CENTER = 0x2, HDF_IMAGE = 0x0800, HDF_BITMAP = 0x2000,
              HDF_STRING = 0x4000;
struct HDITEM {
  unsigned mask = 0;
  int cxy = 0;
  QString text;
  int fmt = 0;
  int iOrder = 0;
  QIcon image;
};
constexpr unsigned HHT_NOWHERE = 0x1, HHT_ONHEADER = 0x2;
struct HDHITTESTINFO {
  TPoint pt;
  unsigned flags = 0;
  int iItem = -1;
};

// LVM_INSERTITEM, LVM_GETITEMRECT (Left = LVIR_BOUNDS on the way in).
constexpr unsigned LVIF_TEXT = 0x1;
constexpr int LVIR_BOUNDS = 0;
struct LVITEM {
  unsigned mask = 0;
  int iItem = 0;
  int iSubItem = 0;
  QString text;
};

// WM_NOTIFY.
struct NMHDR {
  QWidget* hwndFrom = nullptr;
  std::uintptr_t idFrom = 0;
  int code = 0;
};
struct NMTOOLBAR {
  NMHDR hdr;
  int iItem = 0;  // the button's command id
};

// A tool bar's buttons as the TB_ messages count them: its visible
// actions. A status bar's parts: its visible widgets (not the size grip),
// left to right.
QList<QAction*> ToolBarButtons(const QToolBar* bar);
QList<QWidget*> StatusBarParts(const QStatusBar* bar);

}  // namespace platform
