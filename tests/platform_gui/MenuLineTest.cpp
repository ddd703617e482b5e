#include "platform/MenuLine.h"

#include "platform/Menus.h"
#include "platform/NonClient.h"

#include "MessageLog.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace platform;

namespace {

void Pump() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

constexpr int kTop = 4 + 19;  // the classic sizeable frame and caption

// A framed form 300 wide whose menu bar has one item per caption, the
// first with a popup of one command.
struct Form {
  explicit Form(const std::vector<QString>& captions) {
    window.setGeometry(100, 100, 300, 200);
    for (size_t i = 0; i < captions.size(); ++i) {
      QMenu* popup = window.menuBar()->addMenu(captions[i]);
      SetCommandId(popup->addAction("命令"), unsigned(200 + i));
    }
    window.show();
    SetNonClientFrame(&window);
    Pump();
  }
  QRect ItemRect(int i) {
    TRect r;
    EXPECT_TRUE(GetMenuItemRect(&window, nullptr, unsigned(i), &r));
    return {window.mapFromGlobal(QPoint(r.Left, r.Top)), QSize(r.Width(), r.Height())};
  }
  int Top() const { return window.contentsMargins().top(); }
  QMainWindow window;
};

const std::vector<QString> kWide = {"文件操作记录(&F)", "编辑与修改(&E)", "查看走势图(&V)", "统计与分析(&S)",
                                    "帮助说明(&H)"};

}  // namespace

TEST(MenuLineTest, ItemsWrapIntoRowsAndTheBandGrows) {
  const int row = GetSystemMetrics(SM_CYMENU);
  struct Case { std::vector<QString> captions; int rows; } cases[] = {
      {{"文件(&F)"}, 1}, {{"文件(&F)", "编辑(&E)", "查看(&V)"}, 1}, {kWide, 2}};
  for (const Case& c : cases) {
    Form f(c.captions);
    SCOPED_TRACE(c.captions.size());
    EXPECT_EQ(f.Top(), kTop + c.rows * row);
    EXPECT_TRUE(f.window.menuBar()->isHidden());
    EXPECT_EQ(GetMenu(&f.window), f.window.menuBar());
    int rowsSeen = 1;
    QRect previous;
    for (int i = 0; i < int(c.captions.size()); ++i) {
      const QRect r = f.ItemRect(i);
      const bool wraps = i > 0 && previous.right() + 1 + r.width() > 296;
      rowsSeen += wraps;
      EXPECT_EQ(r.topLeft(), QPoint(i == 0 || wraps ? 4 : previous.right() + 1, kTop + (rowsSeen - 1) * row)) << i;
      EXPECT_EQ(r.height(), row);
      const QPoint centre = f.window.mapToGlobal(r.center());
      EXPECT_EQ(SendMessage(&f.window, WM_NCHITTEST, 0, MAKELPARAM(centre.x(), centre.y())), HTMENU);
      previous = r;
    }
    EXPECT_EQ(rowsSeen, c.rows);
    TRect none;
    EXPECT_FALSE(GetMenuItemRect(&f.window, nullptr, unsigned(c.captions.size()), &none));
  }
}

TEST(MenuLineTest, OwnerDrawnItemsMeasureAndDraw) {
  Form f({"甲", "乙", "丙"});
  for (QAction* a : f.window.menuBar()->actions()) SetMenuItemOwnerDraw(a);
  int unit = 40;
  std::vector<QRect> drawn;
  InstallWindowProc(&f.window, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_MEASUREITEM) {
      EXPECT_EQ(m.WParam, 0u);  // no control: a menu
      auto* mi = ParamPtr<MEASUREITEMSTRUCT>(std::uintptr_t(m.LParam));
      mi->itemWidth = unsigned(unit * int(f.window.menuBar()->actions().indexOf(mi->itemData) + 1));
      mi->itemHeight = 30;
    } else if (m.Msg == WM_DRAWITEM) {
      auto* di = ParamPtr<DRAWITEMSTRUCT>(std::uintptr_t(m.LParam));
      drawn.push_back({di->rcItem.Left, di->rcItem.Top, di->rcItem.Width(), di->rcItem.Height()});
      di->hDC->Brush = {clRed, bsSolid};
      di->hDC->FillRect(di->rcItem);
    } else {
      previous(m);
    }
  });
  // 70 + 140 + 210 wraps after the second; an item wider than the line
  // stays alone on its row.
  for (auto [widthUnit, rows] : {std::pair{40, 1}, {70, 2}, {300, 3}}) {
    unit = widthUnit;
    ASSERT_TRUE(DrawMenuBar(&f.window));
    EXPECT_EQ(f.Top(), kTop + 30 * rows);
    EXPECT_EQ(f.ItemRect(1).width(), 2 * widthUnit);
    drawn.clear();
    const QImage shot = f.window.grab().toImage();
    ASSERT_EQ(drawn.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(drawn[size_t(i)], f.ItemRect(i));
      EXPECT_EQ(shot.pixelColor(drawn[size_t(i)].topLeft() + QPoint(2, 2)), QColor(Qt::red));
    }
  }
}

TEST(MenuLineTest, AClickOpensThePopupBelowAndKeysMoveOn) {
  MessageLog log;  // outlives the form
  Form f({"文件(&F)", "编辑(&E)", "查看(&V)"});
  log.Add(&f.window, "form");
  QMenu* popups[3];
  for (int i = 0; i < 3; ++i) popups[i] = f.window.menuBar()->actions()[i]->menu();
  QTest::mouseClick(&f.window, Qt::LeftButton, {}, f.ItemRect(1).center());
  Pump();
  const std::set<unsigned> loop = {WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP};
  EXPECT_EQ(log.Messages(loop), (std::vector<unsigned>{WM_ENTERMENULOOP, WM_INITMENUPOPUP}));
  ASSERT_EQ(QApplication::activePopupWidget(), popups[1]);
  EXPECT_EQ(popups[1]->pos(), f.window.mapToGlobal(f.ItemRect(1).bottomLeft() + QPoint(0, 1)));
  // Right and Left go round the line with the popup open.
  struct Step { Qt::Key key; int item; } steps[] = {{Qt::Key_Right, 2}, {Qt::Key_Right, 0}, {Qt::Key_Left, 2}};
  for (const Step& s : steps) {
    QTest::keyClick(QApplication::activePopupWidget(), s.key);
    Pump();
    EXPECT_EQ(GetMenuLineItem(&f.window), s.item);
    EXPECT_EQ(QApplication::activePopupWidget(), popups[s.item]);
    std::vector<std::pair<QWidget*, unsigned>> inits;
    for (const Message& m : log.seen)
      if (m.Msg == WM_INITMENUPOPUP) inits.emplace_back(ParamPtr<QWidget>(m.WParam), LOWORD(std::uintptr_t(m.LParam)));
    log.Take();
    EXPECT_EQ(inits, (std::vector<std::pair<QWidget*, unsigned>>{{popups[s.item], unsigned(s.item)}}));
  }
  QTest::keyClick(popups[2], Qt::Key_Escape);  // the popup goes, the line keeps the keyboard
  Pump();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(GetMenuLineItem(&f.window), 2);
  // Presses on the line: the current item opens, another one takes over,
  // the open one closes the loop.
  QTest::mouseClick(&f.window, Qt::LeftButton, {}, f.ItemRect(2).center());
  ASSERT_EQ(QApplication::activePopupWidget(), popups[2]);
  QTest::mousePress(popups[2], Qt::LeftButton, {}, popups[2]->mapFromGlobal(f.window.mapToGlobal(f.ItemRect(0).center())));
  Pump();
  ASSERT_EQ(QApplication::activePopupWidget(), popups[0]);
  QTest::mousePress(popups[0], Qt::LeftButton, {}, popups[0]->mapFromGlobal(f.window.mapToGlobal(f.ItemRect(0).center())));
  Pump();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(GetMenuLineItem(&f.window), -1);
  EXPECT_EQ(log.Messages({WM_EXITMENULOOP}), std::vector<unsigned>{WM_EXITMENULOOP});
}

TEST(MenuLineTest, MenuKeysEnterTheLoop) {
  MessageLog log;  // outlives the form
  Form f({"文件(&F)", "编辑(&E)", "查看(&V)"});
  log.Add(&f.window, "form");
  struct Case { const char* name; Qt::Key key; Qt::KeyboardModifiers mods; int item; bool popup; } cases[] = {
      {"Alt", Qt::Key_Alt, Qt::NoModifier, 0, false},
      {"F10", Qt::Key_F10, Qt::NoModifier, 0, false},
      {"Alt+V", Qt::Key_V, Qt::AltModifier, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.key == Qt::Key_Alt) {
      QTest::keyPress(&f.window, Qt::Key_Alt, Qt::AltModifier);
      QTest::keyRelease(&f.window, Qt::Key_Alt);
    } else {
      QTest::keyClick(&f.window, c.key, c.mods);
    }
    Pump();
    EXPECT_EQ(GetMenuLineItem(&f.window), c.item);
    EXPECT_EQ(QApplication::activePopupWidget() != nullptr, c.popup);
    if (!c.popup) {
      QTest::keyClick(&f.window, Qt::Key_Right);
      EXPECT_EQ(GetMenuLineItem(&f.window), 1);
      const Message& select = log.seen.back();
      EXPECT_EQ(select.Msg, WM_MENUSELECT);
      EXPECT_EQ(select.WParam, MAKEWPARAM(1, MF_HILITE | MF_POPUP));
      EXPECT_EQ(select.LParam, LPARAM(PtrParam(f.window.menuBar())));
    }
    QTest::keyClick(c.popup ? QApplication::activePopupWidget() : &f.window, Qt::Key_Alt);
    Pump();
    EXPECT_EQ(GetMenuLineItem(&f.window), -1);
    EXPECT_EQ(log.Messages({WM_ENTERMENULOOP, WM_EXITMENULOOP}),
              (std::vector<unsigned>{WM_ENTERMENULOOP, WM_EXITMENULOOP}));
  }
}

TEST(MenuLineTest, ChangedActionsReachTheWindow) {
  MessageLog log;  // outlives the form
  Form f({"文件(&F)"});
  log.Add(&f.window, "form");
  QMenuBar* bar = f.window.menuBar();
  for (int i = 0; i < 4; ++i) bar->addAction(kWide[size_t(i)]);
  EXPECT_EQ(log.Messages({CM_MENUCHANGED}).size(), 4u);
  EXPECT_EQ(f.Top(), kTop + 2 * GetSystemMetrics(SM_CYMENU));
  // An item without popup is a command of its own.
  QAction* last = bar->actions().back();
  SetCommandId(last, 77);
  int triggered = 0;
  QObject::connect(last, &QAction::triggered, [&] { ++triggered; });
  QTest::mouseClick(&f.window, Qt::LeftButton, {}, f.ItemRect(4).center());
  Pump();
  EXPECT_EQ(triggered, 1);
  std::vector<WPARAM> commands;
  for (const Message& m : log.seen)
    if (m.Msg == WM_COMMAND) commands.push_back(m.WParam);
  EXPECT_EQ(commands, std::vector<WPARAM>{77});
  last->setVisible(false);
  TRect gone;
  EXPECT_FALSE(GetMenuItemRect(&f.window, nullptr, 4, &gone));
  // Hiding the window or taking its bar away ends the loop.
  for (bool hide : {true, false}) {
    QTest::keyClick(&f.window, Qt::Key_F10);
    ASSERT_EQ(GetMenuLineItem(&f.window), 0);
    log.Take();
    if (hide) f.window.hide(); else SetMenu(&f.window, nullptr);
    EXPECT_EQ(log.Messages({WM_EXITMENULOOP}), std::vector<unsigned>{WM_EXITMENULOOP});
    f.window.show();
  }
  // Taken away, the bar leaves the band; given back, it returns.
  EXPECT_EQ(f.Top(), kTop);
  EXPECT_EQ(GetMenu(&f.window), nullptr);
  SetMenu(&f.window, bar);
  EXPECT_EQ(f.Top(), kTop + 2 * GetSystemMetrics(SM_CYMENU));
  SetNonClientFrame(&f.window, false);  // the bar is a widget again
  EXPECT_FALSE(bar->isHidden());
  SetNonClientFrame(&f.window);
  delete bar;
  Pump();
  EXPECT_EQ(f.Top(), kTop);
}
