#include "skinlib/adapters/sSysMenu.h"

#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/WindowProc.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/ProviderLayout.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>

using namespace platform;

namespace {

// The text before a tab (the caption) and after it (the shortcut).
std::pair<QString, QString> SplitAtTab(const QString& text) {
  const int tab = text.indexOf(u'\t');
  if (tab < 0) return {text, {}};
  return {text.left(tab), text.mid(tab + 1)};
}

TacFormInfo InfoOf(const TsSkinProvider* p) { return p ? p->ReadFormInfo() : TacFormInfo{}; }
TacSysMenuState StateOf(const TsSkinProvider* p) {
  return p ? SysMenuState(p->ReadFormInfo(), p->HadSysMenu()) : TacSysMenuState{};
}

}  // namespace

TsSystemMenu::TsSystemMenu(TsSkinProvider* owner) : owner_(owner) {
  setObjectName(QStringLiteral("SysMenu"));
  MakeSkinItems();
}

QWidget* TsSystemMenu::Form() const { return owner_ ? owner_->Form() : nullptr; }

void TsSystemMenu::Command(unsigned command, bool updateAfter) {
  if (QWidget* form = Form()) SendMessage(form, WM_SYSCOMMAND, command, 0);
  if (updateAfter && owner_) UpdateItems(false);
}

QAction* TsSystemMenu::AddFixed(const char* name, unsigned command, const char* caption, QMenu* systemMenu) {
  QString text = GetMenuString(systemMenu, command, MF_BYCOMMAND);
  auto [title, shortcut] = SplitAtTab(text);
  if (title.isEmpty()) title = QString::fromLatin1(caption);
  QAction* item = addAction(title);
  item->setObjectName(QString::fromLatin1(name));
  item->setProperty("Tag", command);
  SetCommandId(item, command);
  if (!shortcut.isEmpty()) item->setShortcut(QKeySequence(shortcut));
  const bool update = command == SC_RESTORE || command == SC_MINIMIZE || command == SC_MAXIMIZE;
  connect(item, &QAction::triggered, this, [this, command, update] { Command(command, update); });
  return item;
}

void TsSystemMenu::ShowAt(int x, int y) {
  UpdateItems(false);
  // Drawn by the skinned menus when the manager skins popups.
  if (TsSkinManager* manager = owner_ ? owner_->Manager() : nullptr; manager && manager->SkinnedPopups())
    manager->SkinableMenus().HookPopupMenu(this, true);
  // The items' own clicks send the commands; nothing is posted besides.
  TrackPopupMenu(this, TPM_LEFTALIGN | TPM_RETURNCMD, x, y, Form(), [](unsigned) {});
}

void TsSystemMenu::MakeSkinItems() {
  clear();
  ItemRestore = ItemMove = ItemSize = ItemMinimize = ItemMaximize = ItemClose = nullptr;
  extraCount_ = 0;
  QWidget* form = Form();
  QMenu* systemMenu = form ? GetSystemMenu(form, false) : nullptr;
  if (!systemMenu) return;
  ItemRestore = AddFixed("acIR", SC_RESTORE, "Restore", systemMenu);
  ItemMove = AddFixed("acIM", SC_MOVE, "Move", systemMenu);
  ItemSize = AddFixed("acIS", SC_SIZE, "Size", systemMenu);
  ItemMinimize = AddFixed("acIN", SC_MINIMIZE, "Minimize", systemMenu);
  ItemMaximize = AddFixed("acIX", SC_MAXIMIZE, "Maximize", systemMenu);
  addSeparator();
  const int count = GetMenuItemCount(systemMenu);
  for (int i = 0; i < count; ++i) {
    const unsigned id = GetMenuItemID(systemMenu, i);
    if (id >= 0xF000) continue;
    const QString text = GetMenuString(systemMenu, unsigned(i), MF_BYPOSITION);
    if (text.isEmpty()) continue;
    auto [title, shortcut] = SplitAtTab(text);
    QAction* item = addAction(title);
    item->setProperty("Tag", id);
    SetCommandId(item, id);
    if (!shortcut.isEmpty()) item->setShortcut(QKeySequence(shortcut));
    connect(item, &QAction::triggered, this, [this, id] {
      if (QWidget* f = Form()) PostMessage(f, WM_SYSCOMMAND, id, 0);
    });
    ++extraCount_;
  }
  if (extraCount_ > 0) addSeparator();
  ItemClose = AddFixed("acIC", SC_CLOSE, "Close", systemMenu);
}

void TsSystemMenu::UpdateItems(bool rebuild) {
  if (rebuild) MakeSkinItems();
  if (!ItemClose) return;
  const TacFormInfo f = InfoOf(owner_);
  const bool sizeable = f.BorderStyle == bsSingle || f.BorderStyle == bsSizeable;
  ItemRestore->setVisible(VisibleClose() && (f.MdiChild || sizeable));
  ItemRestore->setEnabled(EnabledRestore());
  ItemMove->setVisible(true);
  ItemMove->setEnabled(!f.Zoomed);
  ItemSize->setVisible(f.MdiChild || (f.BorderStyle != bsDialog && f.BorderStyle != bsNone && f.BorderStyle != bsToolWindow));
  ItemSize->setEnabled(f.BorderStyle != bsSingle && !f.Iconic);
  ItemMinimize->setVisible(VisibleMin());
  ItemMinimize->setEnabled(EnabledMin());
  ItemMaximize->setVisible(VisibleMax());
  ItemMaximize->setEnabled(EnabledMax());
  ItemClose->setVisible(VisibleClose());
  ItemClose->setEnabled(true);
}

void TsSystemMenu::MakeSkinMenu() {
  // The list made before goes first (with its separator).
  const QList<QAction*> items = actions();
  if (!items.isEmpty() && items.front()->objectName() == QLatin1String(kSkinSelectItem)) {
    if (items.size() > 1 && items[1]->isSeparator()) delete items[1];
    if (QMenu* old = items.front()->menu()) delete old;  // its item with it
    else delete items.front();
  }
  TsSkinManager* manager = owner_ && owner_->SkinData() ? owner_->SkinData()->SkinManager() : nullptr;
  if (!manager) return;
  QStringList names;
  QString first;
  manager->ListSkinNames(names, 2, first);
  if (names.isEmpty()) return;
  auto* skins = new QMenu(QString::fromLatin1(kAvailableSkinsCaption), this);
  QAction* top = actions().isEmpty() ? nullptr : actions().front();
  QAction* item = skins->menuAction();
  item->setObjectName(QString::fromLatin1(kSkinSelectItem));
  insertAction(top, item);
  insertSeparator(top);
  auto* group = new QActionGroup(skins);
  for (int i = 0; i < names.size(); ++i) {
    QAction* skin = skins->addAction(names[i]);
    skin->setObjectName(QString::fromLatin1(kSkinSelectItem) + QString::number(i));
    skin->setCheckable(true);
    skin->setActionGroup(group);
    skin->setChecked(names[i] == manager->SkinName());
    // Qt lays long menus out in columns itself; the break is kept.
    skin->setProperty("Break", i > 0 && i % kSkinsPerColumn == 0);
    connect(skin, &QAction::triggered, this, [this, skin] { SelectSkin(skin->text()); });
  }
}

void TsSystemMenu::SelectSkin(const QString& caption) {
  QString name = caption;
  name.remove(u'&');
  if (const int at = name.indexOf(QStringLiteral("(internal)")); at >= 0) name = name.left(at).trimmed();
  TsSkinManager* manager = owner_ && owner_->SkinData() ? owner_->SkinData()->SkinManager() : nullptr;
  if (!manager) return;
  try {
    manager->SetSkinName(name);
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  }
}

bool TsSystemMenu::VisibleClose() const { return StateOf(owner_).VisibleClose; }
bool TsSystemMenu::VisibleMax() const { return StateOf(owner_).VisibleMax; }
bool TsSystemMenu::VisibleMin() const { return StateOf(owner_).VisibleMin; }
bool TsSystemMenu::EnabledMax() const { return StateOf(owner_).EnabledMax; }
bool TsSystemMenu::EnabledMin() const { return StateOf(owner_).EnabledMin; }
bool TsSystemMenu::EnabledRestore() const { return StateOf(owner_).EnabledRestore; }
