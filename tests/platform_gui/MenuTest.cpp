#include "platform/Menus.h"

#include "MessageLog.h"

#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace platform;

namespace {

void Pump() { QCoreApplication::processEvents(); }

QAction* Item(QMenu* menu, const QString& text, unsigned id) {
  QAction* a = menu->addAction(text);
  SetCommandId(a, id);
  return a;
}

struct ItemInfo {
  unsigned type, state, id;
  QString text;
  bool sub;
  friend bool operator==(const ItemInfo&, const ItemInfo&) = default;
  friend std::ostream& operator<<(std::ostream& out, const ItemInfo& i) {
    return out << i.type << "/" << i.state << "/" << i.id << "/" << i.text.toStdString() << "/" << i.sub;
  }
};

std::vector<ItemInfo> Infos(QWidget* menu) {
  std::vector<ItemInfo> infos;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    MENUITEMINFO mi;
    mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    EXPECT_TRUE(GetMenuItemInfo(menu, unsigned(i), true, &mi));
    infos.push_back({mi.fType, mi.fState, mi.wID, mi.dwTypeData, mi.hSubMenu != nullptr});
  }
  return infos;
}

}  // namespace

TEST(MenuTest, ItemInformation) {
  QMenu menu;
  Item(&menu, "打开(&O)", 101)->setShortcut(QKeySequence("Ctrl+O"));
  menu.addSeparator();
  QAction* readOnly = Item(&menu, "只读(&R)", 102);
  readOnly->setCheckable(true);
  readOnly->setChecked(true);
  readOnly->setEnabled(false);
  Item(&menu, "hidden", 103)->setVisible(false);
  QActionGroup group(&menu);
  group.addAction(Item(&menu, "单选", 104));
  menu.setDefaultAction(Item(&menu, "默认", 105));
  QMenu* recent = menu.addMenu("最近(&F)");
  Item(recent, "a.txt", 201);
  EXPECT_EQ(Infos(&menu), (std::vector<ItemInfo>{
                              {MFT_STRING, 0, 101, "打开(&O)\tCtrl+O", false},
                              {MFT_SEPARATOR, 0, 0, "", false},
                              {MFT_STRING, MFS_GRAYED | MFS_CHECKED, 102, "只读(&R)", false},
                              {MFT_RADIOCHECK, 0, 104, "单选", false},
                              {MFT_STRING, MFS_DEFAULT, 105, "默认", false},
                              {MFT_STRING, 0, 0, "最近(&F)", true},
                          }));
  EXPECT_EQ(GetSubMenu(&menu, 5), recent);
  EXPECT_EQ(GetSubMenu(&menu, 0), nullptr);
  EXPECT_EQ(GetMenuItemID(&menu, 5), 0xFFFFFFFFu);
  EXPECT_EQ(GetMenuItemID(&menu, 2), 102u);
  EXPECT_EQ(GetMenuString(&menu, 201, MF_BYCOMMAND), "a.txt") << "by command, sub-menus too";
  EXPECT_EQ(GetMenuString(&menu, 103, MF_BYCOMMAND), "");
  EXPECT_EQ(GetMenuItemCount(nullptr), -1);

  QMainWindow main;
  QMenuBar* bar = main.menuBar();
  bar->addMenu("文件(&F)");
  main.show();
  EXPECT_EQ(GetMenu(&main), bar);
  EXPECT_TRUE(SetMenu(&main, nullptr));
  EXPECT_EQ(GetMenu(&main), nullptr);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_TRUE(SetMenu(&main, bar));
  EXPECT_EQ(GetMenu(&main), bar);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
}

// The standard items with the texts of a Chinese system, shown and enabled
// by the window's boxes and state; a program's own items stay until the
// menu is reverted.
TEST(MenuTest, SystemMenu) {
  QWidget window;
  window.show();
  QMenu* menu = GetSystemMenu(&window);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetSystemMenu(&window), menu);
  const std::vector<ItemInfo> normal = {
      {MFT_STRING, MFS_GRAYED, SC_RESTORE, "还原(&R)", false},
      {MFT_STRING, 0, SC_MOVE, "移动(&M)", false},
      {MFT_STRING, 0, SC_SIZE, "大小(&S)", false},
      {MFT_STRING, 0, SC_MINIMIZE, "最小化(&N)", false},
      {MFT_STRING, 0, SC_MAXIMIZE, "最大化(&X)", false},
      {MFT_SEPARATOR, 0, 0, "", false},
      {MFT_STRING, MFS_DEFAULT, SC_CLOSE, "关闭(&C)\tAlt+F4", false},
  };
  EXPECT_EQ(Infos(menu), normal);
  window.showMaximized();
  const std::vector<unsigned> maximized = {0, MFS_GRAYED, MFS_GRAYED, 0, MFS_GRAYED, 0, MFS_DEFAULT};
  std::vector<unsigned> states;
  for (const ItemInfo& i : Infos(GetSystemMenu(&window))) states.push_back(i.state);
  EXPECT_EQ(states, maximized);
  Item(menu, "关于(&A)...", 0x10);
  EXPECT_EQ(GetMenuItemCount(menu), 8);
  EXPECT_EQ(GetSystemMenu(&window, true), nullptr);
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(&window)), 7);

  QDialog dialog;
  dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  dialog.setFixedSize(100, 100);
  std::vector<unsigned> ids;
  for (const ItemInfo& i : Infos(GetSystemMenu(&dialog))) ids.push_back(i.id);
  EXPECT_EQ(ids, (std::vector<unsigned>{SC_MOVE, 0, SC_CLOSE})) << "no boxes, fixed size";
}

// The menu does not block: the owner hears of the popups, each highlight
// and the close; the chosen item posts its command, or goes to the
// callback; nothing reaches an owner that died.
TEST(MenuTest, TrackPopupMenuTellsTheOwner) {
  enum Owner { Lives, Dies };
  const struct {
    unsigned flags;
    bool system;
    Owner owner;
    int key;
    std::vector<unsigned> heard;  // after the close, what the owner gets
    unsigned returned;            // with TPM_RETURNCMD; 1 = no call
  } cases[] = {
      {0, false, Lives, Qt::Key_Return, {WM_COMMAND}, 1},
      {TPM_RETURNCMD, false, Lives, Qt::Key_Return, {}, 11},
      {TPM_RETURNCMD, false, Lives, Qt::Key_Escape, {}, 0},
      {0, true, Lives, Qt::Key_Return, {WM_SYSCOMMAND}, 1},
      {0, false, Dies, Qt::Key_Return, {}, 1},
      {TPM_RETURNCMD, false, Dies, Qt::Key_Return, {}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    auto* owner = new QWidget;
    owner->show();
    MessageLog log;
    log.Add(owner, "O");
    QMenu plain;
    Item(&plain, "甲", 11);
    Item(&plain, "乙", 12);
    QMenu* menu = c.system ? GetSystemMenu(owner) : &plain;
    bool visibleAtInit = true;
    InstallWindowProc(owner, [&](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_INITMENUPOPUP) visibleAtInit = ParamPtr<QMenu>(m.WParam)->isVisible();
      previous(m);
    });
    unsigned returned = 1;
    ASSERT_TRUE(TrackPopupMenu(menu, c.flags, 300, 200, owner, [&](unsigned id) { returned = id; }));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(visibleAtInit);
    ASSERT_EQ(log.seen.size(), 1u);
    EXPECT_EQ(log.seen[0].Msg, WM_INITMENUPOPUP);
    EXPECT_EQ(log.seen[0].WParam, PtrParam(menu));
    EXPECT_EQ(log.seen[0].LParam, MAKELPARAM(0, c.system ? 1 : 0));
    log.Take();
    QTest::keyClick(menu, Qt::Key_Down);
    const QAction* first = menu->activeAction();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(log.seen.size(), 1u);
    EXPECT_EQ(log.seen[0].Msg, WM_MENUSELECT);
    EXPECT_EQ(LOWORD(log.seen[0].WParam), GetCommandId(first));
    EXPECT_EQ(log.seen[0].LParam, LPARAM(PtrParam(menu)));
    log.Take();
    if (c.owner == Dies) delete owner;
    QTest::keyClick(menu, Qt::Key(c.key));
    EXPECT_FALSE(menu->isVisible());
    if (c.owner == Lives) {
      ASSERT_FALSE(log.seen.empty());
      EXPECT_EQ(log.seen[0].Msg, WM_MENUSELECT);
      EXPECT_EQ(log.seen[0].WParam, MAKEWPARAM(0, 0xFFFF));
      EXPECT_EQ(log.seen[0].LParam, 0);
      log.Take();
    }
    Pump();
    Pump();
    EXPECT_EQ(log.Messages({WM_COMMAND, WM_SYSCOMMAND}), c.heard);
    EXPECT_EQ(returned, c.returned);
    if (c.owner == Lives) delete owner;
  }
}

// While a popup is open its keys and mouse clicks, also outside it, pass
// the filters: one swallows Right, one turns Left into Right.
TEST(MenuTest, MessageFilterSeesTheMenusInput) {
  QWidget owner;
  owner.show();
  QMenu menu;
  QMenu* sub = menu.addMenu("子菜单");
  Item(sub, "x", 1);
  std::vector<MSG> seen;
  bool swallowRight = true;
  MessageFilterHandle swallow = InstallMessageFilter([&](int code, MSG& msg, const CallNextMessageFilter& next) {
    if (code == MSGF_MENU) seen.push_back(msg);
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RIGHT && swallowRight) return LRESULT(1);
    if (msg.message == WM_LBUTTONDOWN) return LRESULT(1);
    return next(code, msg);
  });
  TrackPopupMenu(&menu, 0, 300, 200, &owner);
  QTest::keyClick(&menu, Qt::Key_Down);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].message, WM_KEYDOWN);
  EXPECT_EQ(seen[0].wParam, VK_DOWN);
  EXPECT_EQ(seen[0].hwnd, &menu);
  QTest::keyClick(&menu, Qt::Key_Right);
  EXPECT_FALSE(sub->isVisible());
  seen.clear();
  QTest::mouseClick(&menu, Qt::LeftButton, {}, QPoint(-50, -50));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].message, WM_LBUTTONDOWN);
  EXPECT_EQ(seen[0].pt, Point(menu.x() - 50, menu.y() - 50));
  EXPECT_TRUE(menu.isVisible()) << "the click outside was swallowed";
  swallowRight = false;
  MessageFilterHandle swap = InstallMessageFilter([](int code, MSG& msg, const CallNextMessageFilter& next) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_LEFT) msg.wParam = VK_RIGHT;
    return next(code, msg);
  });
  QTest::keyClick(&menu, Qt::Key_Left);
  EXPECT_TRUE(sub->isVisible());
  EXPECT_TRUE(RemoveMessageFilter(swap));
  EXPECT_TRUE(RemoveMessageFilter(swallow));
  EXPECT_FALSE(swallow.Installed());
  menu.hide();
}
