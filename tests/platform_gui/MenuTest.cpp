#include "platform/Menus.h"

#include "MessageLog.h"

#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace platform;

namespace {

void Pump() { QCoreApplication::processEvents(); }

QAction* Item(QMenu* menu, const QString& text, unsigned id) {
  QAction* a = menu->addAction(text);
  SetCommandId(a, id);
  return a;
}

// Each item as "type state id text [sub-menu]".
std::vector<std::string> Infos(QWidget* menu) {
  std::vector<std::string> infos;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    MENUITEMINFO mi;
    mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    EXPECT_TRUE(GetMenuItemInfo(menu, unsigned(i), true, &mi));
    const QString sub = mi.hSubMenu ? " >" : "";
    infos.push_back(QString("%1 %2 %3 %4%5").arg(mi.fType).arg(mi.fState).arg(mi.wID).arg(mi.dwTypeData, sub).toStdString());
  }
  return infos;
}

// What the log saw, taken out of it.
using Seen_ = std::vector<std::tuple<unsigned, WPARAM, LPARAM>>;
Seen_ Seen(MessageLog& log) {
  Seen_ seen;
  for (const Message& m : log.seen) seen.emplace_back(m.Msg, m.WParam, m.LParam);
  log.Take();
  return seen;
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
  // MFT_SEPARATOR 2048, MFT_RADIOCHECK 512, MFS_GRAYED | MFS_CHECKED 11, MFS_DEFAULT 4096
  EXPECT_EQ(Infos(&menu), (std::vector<std::string>{"0 0 101 打开(&O)\tCtrl+O", "2048 0 0 ", "0 11 102 只读(&R)",
                                                    "512 0 104 单选", "0 4096 105 默认", "0 0 0 最近(&F) >"}));
  EXPECT_EQ(GetSubMenu(&menu, 5), recent);
  EXPECT_EQ(GetMenuItemID(&menu, 5), 0xFFFFFFFFu);
  EXPECT_EQ(GetMenuItemID(&menu, 2), 102u);
  EXPECT_EQ(GetMenuItemCount(nullptr), -1);
  EXPECT_EQ(GetMenuString(&menu, 201, MF_BYCOMMAND), "a.txt") << "by command, sub-menus too";
  EXPECT_EQ(GetMenuString(&menu, 103, MF_BYCOMMAND), "") << "a hidden action is no item";

  QMainWindow main;
  QMenuBar* bar = main.menuBar();
  bar->addMenu("文件(&F)");
  main.show();
  EXPECT_EQ(GetMenu(&main), bar);
  EXPECT_TRUE(SetMenu(&main, nullptr));
  EXPECT_EQ(GetMenu(&main), nullptr);
  EXPECT_TRUE(SetMenu(&main, bar));
  EXPECT_EQ(GetMenu(&main), bar);
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
  // SC_RESTORE 61728, SC_MOVE 61456, SC_SIZE 61440, SC_MINIMIZE 61472, SC_MAXIMIZE 61488, SC_CLOSE 61536
  EXPECT_EQ(Infos(menu), (std::vector<std::string>{"0 3 61728 还原(&R)", "0 0 61456 移动(&M)", "0 0 61440 大小(&S)",
                                                   "0 0 61472 最小化(&N)", "0 0 61488 最大化(&X)", "2048 0 0 ",
                                                   "0 4096 61536 关闭(&C)\tAlt+F4"}));
  window.showMaximized();
  const std::vector<std::string> maximized = Infos(GetSystemMenu(&window));
  EXPECT_EQ(maximized[0], "0 0 61728 还原(&R)");
  EXPECT_EQ(maximized[2], "0 3 61440 大小(&S)");
  EXPECT_EQ(maximized[4], "0 3 61488 最大化(&X)");
  Item(menu, "关于(&A)...", 0x10);
  EXPECT_EQ(GetMenuItemCount(menu), 8);
  EXPECT_EQ(GetSystemMenu(&window, true), nullptr);
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(&window)), 7);

  QDialog dialog;
  dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  dialog.setFixedSize(100, 100);
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(&dialog)), 3) << "move, separator, close: no boxes, fixed size";
}

// The menu does not block: the owner hears of the popups, each highlight
// and the close; the chosen item posts its command, or goes to the
// callback; nothing reaches an owner that died, or one that asked for no
// notifications.
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
      {TPM_RIGHTALIGN | TPM_BOTTOMALIGN, false, Lives, Qt::Key_Return, {WM_COMMAND}, 1},
      {TPM_RETURNCMD, false, Lives, Qt::Key_Return, {}, 11},
      {TPM_RETURNCMD, false, Lives, Qt::Key_Escape, {}, 0},
      {0, true, Lives, Qt::Key_Return, {WM_SYSCOMMAND}, 1},
      {0, false, Dies, Qt::Key_Return, {}, 1},
      {TPM_RETURNCMD, false, Dies, Qt::Key_Return, {}, 1},
      {TPM_RETURNCMD | TPM_NONOTIFY, false, Lives, Qt::Key_Return, {}, 11},
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
    bool visibleAtInit = false;
    const bool notify = !(c.flags & TPM_NONOTIFY);
    InstallWindowProc(owner, [&](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_INITMENUPOPUP) visibleAtInit = ParamPtr<QMenu>(m.WParam)->isVisible();
      previous(m);
    });
    unsigned returned = 1;
    ASSERT_TRUE(TrackPopupMenu(menu, c.flags, 300, 200, owner, [&](unsigned id) { returned = id; }));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(visibleAtInit);
    EXPECT_EQ(c.flags & TPM_BOTTOMALIGN ? menu->geometry().bottomRight() + QPoint(1, 1) : menu->pos(), QPoint(300, 200));
    const Seen_ opened{{WM_INITMENUPOPUP, PtrParam(menu), MAKELPARAM(0, c.system ? 1 : 0)}};
    EXPECT_EQ(Seen(log), notify ? opened : Seen_{});
    QTest::keyClick(menu, Qt::Key_Down);
    const WPARAM flags = MF_HILITE | (c.system ? MF_SYSMENU : 0);
    const Seen_ hovered{{WM_MENUSELECT, MAKEWPARAM(int(GetCommandId(menu->activeAction())), int(flags)),
                         LPARAM(PtrParam(menu))}};
    EXPECT_EQ(Seen(log), notify ? hovered : Seen_{});
    if (c.owner == Dies) delete owner;
    QTest::keyClick(menu, Qt::Key(c.key));
    EXPECT_FALSE(menu->isVisible());
    const Seen_ closing = Seen(log);
    if (c.owner == Lives && notify) {
      ASSERT_FALSE(closing.empty());
      EXPECT_EQ(closing.front(), (std::tuple{WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), LPARAM(0)})) << "no item, no menu";
    }
    EXPECT_TRUE(notify || closing.empty());
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
  QWheelEvent wheel({5, 5}, {5, 5}, {}, {0, 120}, {}, {}, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&menu, &wheel);  // a wheel is no message of the menu loop
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
