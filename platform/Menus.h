// Menus in the Windows manner over Qt's.
//
// A menu handle is a QMenu (a popup) or a QMenuBar; an item is one of its
// visible QActions, counted in order, and carries the command id given to
// it with SetCommandId. An item's text keeps its & mnemonic; a shortcut
// follows a tab ("关闭(&C)\tAlt+F4").
//
// TrackPopupMenu never blocks: it shows the menu (QMenu::popup) and
// returns. The owner gets WM_INITMENUPOPUP (WParam = the menu, LParam =
// MAKELPARAM(position in the parent menu, 1 for a system menu)) before the
// menu and each of its sub-menus shows, WM_MENUSELECT for each highlighted
// item (WParam = MAKEWPARAM(the id, or the position of an item with a
// sub-menu, MF_ flags), LParam = its menu) and, when the menu closes,
// WM_MENUSELECT with MAKEWPARAM(0, 0xFFFF) and no menu. The chosen item
// posts WM_COMMAND (WM_SYSCOMMAND for a system menu) to the owner, or goes
// to the callback with TPM_RETURNCMD (0 when nothing was chosen); the
// command of an owner that died meanwhile is dropped.
//
// While a popup menu is open, its key and mouse events (also those outside
// it) pass the message filters (WH_MSGFILTER, code MSGF_MENU) as messages
// first: a filter answering non-zero swallows one; a key whose virtual key
// a filter changed reaches the menu as that key.
#pragma once

#include "platform/Messages.h"
#include "platform/WinTypes.h"

#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace platform {

constexpr unsigned MF_BYCOMMAND = 0x0, MF_BYPOSITION = 0x400, MF_GRAYED = 0x1, MF_DISABLED = 0x2,
                   MF_CHECKED = 0x8, MF_POPUP = 0x10, MF_HILITE = 0x80, MF_OWNERDRAW = 0x100,
                   MF_SEPARATOR = 0x800, MF_DEFAULT = 0x1000, MF_SYSMENU = 0x2000;
constexpr unsigned MFT_STRING = 0x0, MFT_OWNERDRAW = 0x100, MFT_RADIOCHECK = 0x200,
                   MFT_SEPARATOR = 0x800;
constexpr unsigned MFS_GRAYED = 0x3, MFS_CHECKED = 0x8, MFS_HILITE = 0x80, MFS_DEFAULT = 0x1000;
constexpr unsigned MIIM_STATE = 0x1, MIIM_ID = 0x2, MIIM_SUBMENU = 0x4, MIIM_TYPE = 0x10,
                   MIIM_STRING = 0x40, MIIM_FTYPE = 0x100;
constexpr unsigned TPM_LEFTBUTTON = 0x0, TPM_RIGHTBUTTON = 0x2, TPM_LEFTALIGN = 0x0,
                   TPM_CENTERALIGN = 0x4, TPM_RIGHTALIGN = 0x8, TPM_TOPALIGN = 0x0,
                   TPM_VCENTERALIGN = 0x10, TPM_BOTTOMALIGN = 0x20, TPM_NONOTIFY = 0x80,
                   TPM_RETURNCMD = 0x100;
constexpr int MSGF_MENU = 2;

struct MENUITEMINFO {
  unsigned cbSize = sizeof(MENUITEMINFO);
  unsigned fMask = 0;
  unsigned fType = 0;
  unsigned fState = 0;
  unsigned wID = 0;
  QMenu* hSubMenu = nullptr;
  QString dwTypeData;  // the text
};

void SetCommandId(QAction* item, unsigned id);
unsigned GetCommandId(const QAction* item);

// -1 for no menu.
int GetMenuItemCount(const QWidget* menu);
// The id at a position; 0xFFFFFFFF for an item with a sub-menu or none.
unsigned GetMenuItemID(const QWidget* menu, int position);
// The item by position, or by command id (sub-menus searched too); nullptr
// when there is none.
QAction* GetMenuItem(const QWidget* menu, unsigned item, bool byPosition);
// The fields fMask asks for (MIIM_TYPE gives type and text).
bool GetMenuItemInfo(const QWidget* menu, unsigned item, bool byPosition, MENUITEMINFO* info);
// MF_BYCOMMAND or MF_BYPOSITION.
QString GetMenuString(const QWidget* menu, unsigned item, unsigned flags);
QMenu* GetSubMenu(const QWidget* menu, int position);

// A form's menu bar (of a QMainWindow or of the form's layout); nullptr
// while SetMenu has taken it away. SetMenu with none hides the bar, which a
// later SetMenu with it shows again; another bar takes the place of the
// old (a QMainWindow deletes its old bar).
QMenuBar* GetMenu(const QWidget* window);
bool SetMenu(QWidget* window, QMenuBar* menu);

// The window's system menu, made on first use: "还原(&R)" SC_RESTORE,
// "移动(&M)" SC_MOVE, "大小(&S)" SC_SIZE, "最小化(&N)" SC_MINIMIZE,
// "最大化(&X)" SC_MAXIMIZE, a separator and "关闭(&C)\tAlt+F4" SC_CLOSE (the
// default item); restore, minimize and maximize only for a window with a
// minimize or maximize box, size only for a sizeable one, each enabled as
// the window's state allows. Items the program adds stay. `revert` puts
// back the standard menu and answers nullptr.
QMenu* GetSystemMenu(QWidget* window, bool revert = false);

using MenuCommandCallback = std::function<void(unsigned command)>;
bool TrackPopupMenu(QMenu* menu, unsigned flags, int x, int y, QWidget* owner,
                    MenuCommandCallback onCommand = {});

// The message filter hooks (WH_MSGFILTER).
struct MSG {
  QWidget* hwnd = nullptr;
  unsigned message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  TPoint pt;  // the pointer on the screen
};

class CallNextMessageFilter {
 public:
  LRESULT operator()(int code, MSG& msg) const;

 private:
  friend class MessageFilterRunner;
  explicit CallNextMessageFilter(const void* node) : node_(node) {}
  const void* node_;
};

using MessageFilterProc = std::function<LRESULT(int code, MSG& msg, const CallNextMessageFilter& next)>;

class MessageFilterHandle {
 public:
  bool Installed() const;

 private:
  friend MessageFilterHandle InstallMessageFilter(MessageFilterProc);
  friend bool RemoveMessageFilter(MessageFilterHandle&);
  std::weak_ptr<void> node_;
};

// The newest filter runs first; removal works also from inside its call.
MessageFilterHandle InstallMessageFilter(MessageFilterProc filter);
bool RemoveMessageFilter(MessageFilterHandle& handle);

}  // namespace platform
