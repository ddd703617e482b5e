#include "platform/Menus.h"

#include "platform/HandlerList.h"
#include "platform/WindowProc.h"
#include "platform/WindowPos.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace platform {

namespace {

constexpr char kCommandId[] = "_win_command";
constexpr char kSystemMenu[] = "_win_systemmenu";

QList<QAction*> Items(const QWidget* menu) {
  QList<QAction*> items;
  if (menu)
    for (QAction* a : menu->actions())
      if (a->isVisible()) items.append(a);
  return items;
}

QAction* FindById(const QWidget* menu, unsigned id) {
  for (QAction* a : Items(menu)) {
    if (!a->isSeparator() && GetCommandId(a) == id) return a;
    if (QAction* inner = a->menu() ? FindById(a->menu(), id) : nullptr) return inner;
  }
  return nullptr;
}

// The menu among `top` and its sub-menus that shows `item`.
QMenu* MenuOf(QMenu* top, const QAction* item) {
  const QList<QAction*> items = Items(top);
  if (items.contains(item)) return top;
  for (QAction* a : items)
    if (QMenu* inner = a->menu() ? MenuOf(a->menu(), item) : nullptr) return inner;
  return nullptr;
}

QString ItemText(const QAction* a) {
  if (a->isSeparator()) return {};
  QString text = a->text();
  if (!text.contains(QLatin1Char('\t')) && !a->shortcut().isEmpty())
    text += QLatin1Char('\t') + a->shortcut().toString(QKeySequence::NativeText);
  return text;
}

bool IsDefault(const QAction* a) {
  for (QObject* o : a->associatedObjects())
    if (auto* menu = qobject_cast<QMenu*>(o); menu && menu->defaultAction() == a) return true;
  return false;
}

bool IsSystemMenu(const QMenu* menu) { return menu && menu->property(kSystemMenu).toBool(); }

// ---------------------------------------------------------------------------
// The system menu.

struct SystemItem {
  unsigned id;
  const char* text;  // UTF-8
};
constexpr SystemItem kSystemItems[] = {
    {SC_RESTORE, "还原(&R)"}, {SC_MOVE, "移动(&M)"},      {SC_SIZE, "大小(&S)"},
    {SC_MINIMIZE, "最小化(&N)"}, {SC_MAXIMIZE, "最大化(&X)"}, {0, nullptr},
    {SC_CLOSE, "关闭(&C)\tAlt+F4"},
};

void BuildSystemMenu(QMenu* menu) {
  for (const SystemItem& item : kSystemItems) {
    if (!item.text) {
      menu->addSeparator();
      continue;
    }
    QAction* a = menu->addAction(QString::fromUtf8(item.text));
    SetCommandId(a, item.id);
    if (item.id == SC_CLOSE) menu->setDefaultAction(a);
  }
}

// Which fixed items the window shows and which it allows now.
void UpdateSystemMenu(QWidget* window, QMenu* menu) {
  const auto style = std::uint32_t(GetWindowLong(window, GWL_STYLE));
  const bool boxes = style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  const bool max = IsZoomed(window), min = window->isMinimized();
  for (QAction* a : menu->actions()) {
    switch (GetCommandId(a)) {
      case SC_RESTORE: a->setVisible(boxes); a->setEnabled(max || min); break;
      case SC_MOVE: a->setEnabled(!max); break;
      case SC_SIZE: a->setVisible(style & WS_THICKFRAME); a->setEnabled(!max && !min); break;
      case SC_MINIMIZE: a->setVisible(boxes); a->setEnabled((style & WS_MINIMIZEBOX) && !min); break;
      case SC_MAXIMIZE: a->setVisible(boxes); a->setEnabled((style & WS_MAXIMIZEBOX) && !max); break;
      default: break;
    }
  }
}

// ---------------------------------------------------------------------------
// One TrackPopupMenu: tells the owner what the menu does, then goes.

class MenuTracker final : public QObject {
 public:
  MenuTracker(QMenu* menu, unsigned flags, QWidget* owner, MenuCommandCallback onCommand)
      : menu_(menu), owner_(owner), flags_(flags), onCommand_(std::move(onCommand)) {
    connect(menu, &QMenu::hovered, this, &MenuTracker::Hovered);
    connect(menu, &QMenu::triggered, this, &MenuTracker::Triggered);
    connect(menu, &QMenu::aboutToHide, this, &MenuTracker::Closed);
    connect(menu, &QObject::destroyed, this, &MenuTracker::Finish);
    WatchSubMenus(menu);
  }

  bool Notifying() const { return owner_ && !(flags_ & TPM_NONOTIFY); }

  void InitPopup(QMenu* menu, int position) {
    if (Notifying())
      SendMessage(owner_, WM_INITMENUPOPUP, PtrParam(menu), MAKELPARAM(position, IsSystemMenu(menu) ? 1 : 0));
  }

 private:
  void WatchSubMenus(QMenu* menu) {
    const QList<QAction*> items = Items(menu);
    for (int i = 0; i < items.size(); ++i) {
      QMenu* sub = items[i]->menu();
      if (!sub) continue;
      connect(sub, &QMenu::aboutToShow, this, [this, sub, i] { InitPopup(sub, i); });
      WatchSubMenus(sub);
    }
  }

  void Hovered(QAction* a) {
    QMenu* menu = menu_ ? MenuOf(menu_, a) : nullptr;
    if (!Notifying() || !menu) return;
    unsigned flags = MF_HILITE;
    if (a->menu()) flags |= MF_POPUP;
    if (!a->isEnabled()) flags |= MF_GRAYED | MF_DISABLED;
    if (a->isChecked()) flags |= MF_CHECKED;
    if (a->isSeparator()) flags |= MF_SEPARATOR;
    if (IsSystemMenu(menu_)) flags |= MF_SYSMENU;
    const int item = a->menu() ? int(Items(menu).indexOf(a)) : int(GetCommandId(a));
    SendMessage(owner_, WM_MENUSELECT, MAKEWPARAM(item, int(flags)), LPARAM(PtrParam(menu)));
  }

  void Triggered(QAction* a) {
    chosen_ = true;
    const unsigned id = GetCommandId(a);
    if (!owner_) return;  // its window went: the command goes nowhere
    if (flags_ & TPM_RETURNCMD) {
      if (onCommand_) onCommand_(id);
    } else if (IsSystemMenu(menu_)) {
      const QPoint p = QCursor::pos();
      PostMessage(owner_, WM_SYSCOMMAND, id, MAKELPARAM(p.x(), p.y()));
    } else {
      PostMessage(owner_, WM_COMMAND, MAKEWPARAM(int(id), 0), 0);
    }
  }

  // The chosen item is triggered after the menu hid: what was chosen is
  // known on the next turn of the event loop.
  void Closed() {
    if (Notifying()) SendMessage(owner_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    QMetaObject::invokeMethod(this, &MenuTracker::Finish, Qt::QueuedConnection);
  }

  void Finish() {
    if (finished_) return;
    finished_ = true;
    if (!chosen_ && owner_ && (flags_ & TPM_RETURNCMD) && onCommand_) onCommand_(0);
    deleteLater();
  }

  QPointer<QMenu> menu_;
  QPointer<QWidget> owner_;
  const unsigned flags_;
  MenuCommandCallback onCommand_;
  bool chosen_ = false;
  bool finished_ = false;
};

// The top-left corner of a menu of `size` aligned at (x, y).
QPoint AlignedCorner(unsigned flags, int x, int y, QSize size) {
  if (flags & TPM_RIGHTALIGN)
    x -= size.width();
  else if (flags & TPM_CENTERALIGN)
    x -= size.width() / 2;
  if (flags & TPM_BOTTOMALIGN)
    y -= size.height();
  else if (flags & TPM_VCENTERALIGN)
    y -= size.height() / 2;
  return {x, y};
}

}  // namespace

void SetCommandId(QAction* item, unsigned id) {
  if (item) item->setProperty(kCommandId, id);
}

unsigned GetCommandId(const QAction* item) { return item ? item->property(kCommandId).toUInt() : 0; }

int GetMenuItemCount(const QWidget* menu) { return menu ? int(Items(menu).size()) : -1; }

QAction* GetMenuItem(const QWidget* menu, unsigned item, bool byPosition) {
  if (!byPosition) return FindById(menu, item);
  const QList<QAction*> items = Items(menu);
  return item < unsigned(items.size()) ? items[int(item)] : nullptr;
}

unsigned GetMenuItemID(const QWidget* menu, int position) {
  const QAction* a = GetMenuItem(menu, unsigned(position), true);
  return !a || a->menu() ? 0xFFFFFFFFu : GetCommandId(a);
}

bool GetMenuItemInfo(const QWidget* menu, unsigned item, bool byPosition, MENUITEMINFO* info) {
  const QAction* a = GetMenuItem(menu, item, byPosition);
  if (!a || !info) return false;
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) {
    info->fType = a->isSeparator() ? MFT_SEPARATOR : MFT_STRING;
    if (a->actionGroup() && a->actionGroup()->isExclusive()) info->fType |= MFT_RADIOCHECK;
  }
  if (info->fMask & MIIM_STATE) {
    info->fState = (a->isEnabled() ? 0 : MFS_GRAYED) | (a->isChecked() ? MFS_CHECKED : 0) |
                   (IsDefault(a) ? MFS_DEFAULT : 0);
    if (auto* popup = qobject_cast<const QMenu*>(menu); popup && popup->activeAction() == a)
      info->fState |= MFS_HILITE;
  }
  if (info->fMask & MIIM_ID) info->wID = GetCommandId(a);
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = a->menu();
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) info->dwTypeData = ItemText(a);
  return true;
}

QString GetMenuString(const QWidget* menu, unsigned item, unsigned flags) {
  const QAction* a = GetMenuItem(menu, item, flags & MF_BYPOSITION);
  return a ? ItemText(a) : QString();
}

QMenu* GetSubMenu(const QWidget* menu, int position) {
  const QAction* a = GetMenuItem(menu, unsigned(position), true);
  return a ? a->menu() : nullptr;
}

namespace {

// The window's bar, shown or not.
QMenuBar* FormBar(const QWidget* window) {
  if (auto* main = qobject_cast<const QMainWindow*>(window)) return qobject_cast<QMenuBar*>(main->menuWidget());
  return window && window->layout() ? qobject_cast<QMenuBar*>(window->layout()->menuBar()) : nullptr;
}

}  // namespace

QMenuBar* GetMenu(const QWidget* window) {
  QMenuBar* bar = FormBar(window);
  return bar && !bar->isHidden() ? bar : nullptr;
}

bool SetMenu(QWidget* window, QMenuBar* menu) {
  if (!window || !window->isWindow()) return false;
  QMenuBar* current = FormBar(window);
  if (!menu) {
    if (current) current->hide();
    return true;
  }
  if (menu != current) {
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
      main->setMenuWidget(menu);
    } else if (window->layout()) {
      if (current) current->hide();
      window->layout()->setMenuBar(menu);
    } else {
      return false;
    }
  }
  menu->show();
  return true;
}

QMenu* GetSystemMenu(QWidget* window, bool revert) {
  if (!window || !window->isWindow()) return nullptr;
  QMenu* menu = nullptr;
  for (QMenu* child : window->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
    if (IsSystemMenu(child)) menu = child;
  if (revert) {
    delete menu;
    return nullptr;
  }
  if (!menu) {
    menu = new QMenu(window);
    menu->setProperty(kSystemMenu, true);
    BuildSystemMenu(menu);
  }
  UpdateSystemMenu(window, menu);
  return menu;
}

bool TrackPopupMenu(QMenu* menu, unsigned flags, int x, int y, QWidget* owner, MenuCommandCallback onCommand) {
  if (!menu || !owner) return false;
  if (IsSystemMenu(menu) && menu->parentWidget()) UpdateSystemMenu(menu->parentWidget(), menu);
  auto* tracker = new MenuTracker(menu, flags, owner, std::move(onCommand));
  QPointer<QMenu> alive(menu);
  tracker->InitPopup(menu, 0);
  if (!alive) return false;
  menu->popup(AlignedCorner(flags, x, y, menu->sizeHint()));
  return true;
}

// ---------------------------------------------------------------------------
// Message filters.

namespace {

using MessageFilters = HandlerList<MessageFilterProc>;

MessageFilters& Filters() {
  static MessageFilters filters;
  return filters;
}

bool g_filtering = false;  // a changed key is being handed on

}  // namespace

class MessageFilterRunner {
 public:
  static LRESULT Run(MessageFilters::NodePtr node, int code, MSG& msg) {
    node = MessageFilters::Live(std::move(node));
    return node ? node->fn(code, msg, CallNextMessageFilter(node.get())) : 0;
  }
};

LRESULT CallNextMessageFilter::operator()(int code, MSG& msg) const {
  return MessageFilterRunner::Run(static_cast<const MessageFilters::Node*>(node_)->next, code, msg);
}

bool MessageFilterHandle::Installed() const {
  auto node = MessageFilters::Lock(node_);
  return node && !node->removed;
}

MessageFilterHandle InstallMessageFilter(MessageFilterProc filter) {
  MessageFilterHandle handle;
  if (filter) {
    StartMessageLayer();
    handle.node_ = Filters().Add(std::move(filter));
  }
  return handle;
}

bool RemoveMessageFilter(MessageFilterHandle& handle) { return MessageFilters::Remove(handle.node_); }

namespace detail {

bool FilterMenuEvent(QObject* receiver, QEvent* event) {
  if (g_filtering || Filters().Empty() || !receiver->isWidgetType() || event->type() == QEvent::Wheel ||
      !qobject_cast<QMenu*>(QApplication::activePopupWidget()))
    return false;
  auto* widget = static_cast<QWidget*>(receiver);
  const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
  const Message m = key ? KeyMessage(static_cast<QKeyEvent*>(event))
                        : MouseMessage(widget, static_cast<QMouseEvent*>(event));
  if (!m.Msg) return false;
  const QPoint pointer = key ? QCursor::pos() : static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
  MSG msg{widget, m.Msg, m.WParam, m.LParam, {pointer.x(), pointer.y()}};
  QPointer<QWidget> alive(widget);
  if (MessageFilterRunner::Run(Filters().First(), MSGF_MENU, msg) || !alive) return true;
  if (!key || msg.wParam == m.WParam) return false;
  // The menu gets the key the filter made of it.
  auto* original = static_cast<QKeyEvent*>(event);
  QKeyEvent changed(original->type(), QtKey(unsigned(msg.wParam)), original->modifiers());
  g_filtering = true;
  QCoreApplication::sendEvent(widget, &changed);
  g_filtering = false;
  return true;
}

}  // namespace detail

}  // namespace platform
