// The menu line of a framed window.
//
// A window with a non-client frame (SetNonClientFrame) whose form has a
// menu bar (GetMenu) shows the bar's items in its band, right above the
// client area; the bar widget stays hidden while it serves as the line
// (GetMenu still gives it). SetMenu with none, or the frame going off,
// gives the bar back.
//   - The items are the bar's visible actions but separators, laid out
//     left to right in rows as wide as the client area: an item that does
//     not fit starts the next row. A text item is its text in the menu font
//     with kMenuLinePadding on either side; an owner-drawn item
//     (SetMenuItemOwnerDraw) is as wide as the window's answer to
//     WM_MEASUREITEM. Every row is SM_CYMENU high, or as high as the
//     tallest owner-drawn item.
//   - WM_NCCALCSIZE's default takes the rows off the top of the client
//     area; WM_NCHITTEST's default answers HTMENU over the line;
//     WM_NCPAINT's default paints it after the frame, an owner-drawn item
//     by WM_DRAWITEM to the window.
//   - The menu loop: a press on an item (WM_NCLBUTTONDOWN with HTMENU),
//     and WM_SYSCOMMAND SC_KEYMENU, which Alt pressed and let go alone and
//     F10 send to the window (LParam 0: the first item is selected), as
//     does Alt with an item's mnemonic (LParam the character: that item
//     opens). It begins with WM_ENTERMENULOOP (WParam 0); each item made
//     current gives WM_MENUSELECT (WParam = MAKEWPARAM(its position, or its
//     id when it has no popup, MF_HILITE | MF_POPUP ...), LParam = the bar).
//     An item's popup opens below it after WM_INITMENUPOPUP (LParam = its
//     position) and reports like TrackPopupMenu; an item without one
//     triggers its action and posts WM_COMMAND with its id. Left and Right
//     go to the neighbouring enabled item (its popup opened when one was
//     open), the mouse over another item moves the open popup there, Esc
//     closes the popup and then the loop, which ends with WM_MENUSELECT
//     MAKEWPARAM(0, 0xFFFF) and WM_EXITMENULOOP. Nothing waits in a loop
//     of its own: the layer's event filter drives it. Alt is alone when
//     no other key went down in between, whoever took that key (a
//     button's mnemonic, say). A window that a modal window blocks runs no
//     loop: its loop ends when the modal window comes, and neither keys
//     nor presses begin one while it stays.
//   - A change of the bar's actions sends CM_MENUCHANGED to the window;
//     its default, like DrawMenuBar, lays the line out again and repaints
//     it, asking WM_NCCALCSIZE again when its height changed.
//
// GUI thread only; one menu loop at a time in the process.
#pragma once

#include "platform/Canvas.h"
#include "platform/WinTypes.h"

#include <QList>
#include <QRect>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace platform {

// What WM_MEASUREITEM and WM_DRAWITEM (LParam) carry for a menu item.
constexpr unsigned ODT_MENU = 1;
constexpr unsigned ODA_DRAWENTIRE = 0x1, ODA_SELECT = 0x2, ODA_FOCUS = 0x4;
constexpr unsigned ODS_SELECTED = 0x1, ODS_GRAYED = 0x2, ODS_DISABLED = 0x4, ODS_CHECKED = 0x8,
                   ODS_FOCUS = 0x10, ODS_DEFAULT = 0x20, ODS_HOTLIGHT = 0x40, ODS_INACTIVE = 0x80,
                   ODS_NOACCEL = 0x100;

struct MEASUREITEMSTRUCT {
  unsigned CtlType = ODT_MENU;
  unsigned CtlID = 0;
  unsigned itemID = 0;  // the command id
  unsigned itemWidth = 0;
  unsigned itemHeight = 0;
  QAction* itemData = nullptr;
};

struct DRAWITEMSTRUCT {
  unsigned CtlType = ODT_MENU;
  unsigned CtlID = 0;
  unsigned itemID = 0;
  unsigned itemAction = ODA_DRAWENTIRE;
  unsigned itemState = 0;  // ODS_ bits
  QWidget* hwndItem = nullptr;  // the menu
  Canvas* hDC = nullptr;        // the window DC
  TRect rcItem;                 // window coordinates
  QAction* itemData = nullptr;
};

constexpr int kMenuLinePadding = 8;

// MFT_OWNERDRAW of a menu item.
void SetMenuItemOwnerDraw(QAction* item, bool on = true);
bool IsMenuItemOwnerDraw(const QAction* item);

// The screen rectangle of the item at `position` of `menu`: the window's
// menu line (`window` may be nullptr, the line is found by its bar) or an
// open popup menu. False when there is no such item or it is not shown.
bool GetMenuItemRect(QWidget* window, QWidget* menu, unsigned position, TRect* rect);
// Lays the window's menu line out again and repaints it; false without one.
bool DrawMenuBar(QWidget* window);
// The menu line in window coordinates (empty without one).
TRect GetMenuLineRect(QWidget* window);
// Paints the line onto a window DC, as WM_NCPAINT's default does.
void PaintMenuLine(QWidget* window, Canvas& dc);
// The item the menu loop of the window has made current (-1 outside one).
int GetMenuLineItem(const QWidget* window);
// The window whose menu loop runs (nullptr for none), and the popup the
// loop has open (nullptr for none).
QWidget* GetMenuLoopWindow();
QMenu* GetMenuLoopPopup();

// A window that paints its own menu line (its WM_NCPAINT does not ask the
// default) may lay it out itself: the function fills one rectangle per
// item (`rects` holds as many as `items`, relative to the line's corner)
// for a line `width` wide and answers the line's height. The menu loop,
// hit tests and GetMenuItemRect then use these rectangles; owner-draw
// measuring is left to the function. An empty function gives the line its
// rows back. The function goes with the window.
using MenuLineLayout = std::function<int(const QList<QAction*>& items, int width, std::vector<QRect>* rects)>;
void SetMenuLineLayout(QWidget* window, MenuLineLayout layout);

}  // namespace platform
