// The list and tree view adapters: the report header painted from the
// skin, other modes left to Qt, thumb drags by whole items, a thumb let go
// where the mouse released it, the views' colours kept and given back.
#include "skinlib/adapters/EditAdapters.h"

#include "SkinnedAdapterTest.h"

#include "platform/Bitmap.h"
#include "platform/ControlMessages.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QListView>
#include <QPixmap>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace platform;

namespace {

class ListViewAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::DemoSkin(), "Demo"));
    form.resize(400, 300);
    model.setColumnCount(3);
    model.setHorizontalHeaderLabels({"Issue", "Date", "Numbers"});
    for (int i = 0; i < 100; ++i)
      model.appendRow({new QStandardItem(QString::number(i)), new QStandardItem("2026"), new QStandardItem("1 2 3")});
    form.show();
  }
  void TearDown() override {
    adapter.reset();
    tree.reset();
    Finish();
  }
  void MakeTree() {
    auto* view = new QTreeView(&form);
    view->setModel(&model);
    view->setGeometry(10, 10, 360, 200);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view->header()->setSectionResizeMode(QHeaderView::Interactive);
    view->header()->resizeSection(0, 100);
    view->header()->resizeSection(1, 100);
    view->show();
    tree.reset(view);
    QApplication::processEvents();
  }
  void Skin() {
    adapter = TacMainWnd::Create<TacListViewWnd>(tree.get(), nullptr, manager.get(), "EDIT", true);
    ASSERT_TRUE(adapter && !adapter->Destroyed());
    QApplication::processEvents();
  }
  QTreeView* Tree() const { return static_cast<QTreeView*>(tree.get()); }
  // The header item as the skin paints it in `state`.
  QImage Expected(int width, int height, int state) {
    Bitmap bmp(width, height, pf24bit);
    EXPECT_GE(PaintSectionByName(bmp, "COLHEADER", "BUTTON", nullptr, manager->GlobalSectionColor(), {0, 0},
                                 manager.get(), state),
              0);
    return bmp.ToQImage();
  }

  QStandardItemModel model;
  std::unique_ptr<QWidget> tree;
  TacAdapterPtr<TacListViewWnd> adapter;
};

bool SameRgb(QRgb a, QRgb b) { return (a & 0xFFFFFF) == (b & 0xFFFFFF); }

}  // namespace

// A report view's header is painted from the skin, item by item, in the
// pressed state for the pressed column; Qt paints it again once the skin
// goes.
TEST_F(ListViewAdaptersTest, ReportHeaderPaintedFromSkin) {
  MakeTree();
  QHeaderView* header = Tree()->header();
  const QImage plain = header->grab().toImage();
  Skin();
  ASSERT_EQ(adapter->HeaderWnd(), header);
  const int h = header->height();
  const QImage normal = Expected(100, h, 0), pressed = Expected(100, h, 2);
  ASSERT_NE(normal.pixel(1, h / 2), pressed.pixel(1, h / 2));
  QImage skinned = header->grab().toImage();
  // Left edge of the second item, away from its text.
  EXPECT_TRUE(SameRgb(skinned.pixel(101, h / 2), normal.pixel(1, h / 2)));
  EXPECT_FALSE(SameRgb(skinned.pixel(101, h / 2), plain.pixel(101, h / 2)));
  // Pressed in the middle of the second item (the header takes its mouse
  // input on its viewport); a press on a divider presses nothing.
  SendMessage(header->viewport(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, h / 2));
  EXPECT_EQ(adapter->PressedColumn(), 1);
  skinned = header->grab().toImage();
  EXPECT_TRUE(SameRgb(skinned.pixel(101, h / 2), pressed.pixel(1, h / 2)));
  SendMessage(header->viewport(), WM_LBUTTONUP, 0, MAKELPARAM(150, h / 2));
  EXPECT_EQ(adapter->PressedColumn(), -1);
  SendMessage(header->viewport(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, h / 2));
  EXPECT_EQ(adapter->PressedColumn(), -1);
  SendMessage(header->viewport(), WM_LBUTTONUP, 0, MAKELPARAM(100, h / 2));
  UninstallAdapter(true, false, adapter);
  EXPECT_EQ(header->grab().toImage(), plain);
}

// A header item's picture (an icon or a pixmap) is drawn before its text;
// an item without one shows its background there.
TEST_F(ListViewAdaptersTest, HeaderItemsDrawTheirPictures) {
  QPixmap red(16, 16);
  red.fill(Qt::red);
  model.setHeaderData(0, Qt::Horizontal, QIcon(red), Qt::DecorationRole);
  model.setHeaderData(1, Qt::Horizontal, red, Qt::DecorationRole);
  MakeTree();
  Skin();
  const QImage skinned = Tree()->header()->grab().toImage();
  for (int column : {0, 1, 2})  // icon, pixmap, none
    EXPECT_EQ(SameRgb(skinned.pixel(100 * column + 12, skinned.height() / 2), qRgb(255, 0, 0)), column < 2) << column;
}

// The item under the mouse is the hot column; leaving the header for the
// view forgets it.
TEST_F(ListViewAdaptersTest, HotColumnFollowsTheMouse) {
  MakeTree();
  Skin();
  QHeaderView* header = Tree()->header();
  const QPoint at = header->viewport()->mapToGlobal(QPoint(150, header->height() / 2));
  const QPoint before = QCursor::pos();
  QCursor::setPos(at);
  if (QCursor::pos() != at) GTEST_SKIP() << "the platform does not move the cursor";
  SendMessage(header->viewport(), WM_MOUSEMOVE, 0, MAKELPARAM(150, header->height() / 2));
  EXPECT_EQ(adapter->HotColumn(), 1);
  SendMessage(tree.get(), WM_NCHITTEST, 0, MAKELPARAM(at.x(), at.y() + 60));
  EXPECT_EQ(adapter->HotColumn(), -1);
  QCursor::setPos(before);
}

// Header item states: pressed before hot, hot only while nothing is pressed.
TEST(HeaderItemStateTest, PressedBeforeHot) {
  struct Row {
    int index, hot, pressed;
    TacHeaderItemState state;
  } rows[] = {
      {0, -1, -1, TacHeaderItemState::Normal}, {1, 1, -1, TacHeaderItemState::Hot},
      {1, 1, 1, TacHeaderItemState::Pressed},  {1, 1, 2, TacHeaderItemState::Normal},
      {-2, -2, -2, TacHeaderItemState::Normal},
  };
  for (const Row& r : rows) EXPECT_EQ(HeaderItemState(r.index, r.hot, r.pressed), r.state) << r.index;
}

// A list view in icon mode keeps Qt's painting of a header made later
// (which arrives as WM_PARENTNOTIFY).
TEST_F(ListViewAdaptersTest, IconModeKeepsQtHeader) {
  auto* view = new QListView(&form);
  view->setViewMode(QListView::IconMode);
  view->setModel(&model);
  view->setGeometry(10, 10, 300, 200);
  view->show();
  tree.reset(view);
  QApplication::processEvents();
  Skin();
  EXPECT_EQ(ListViewStyle(view), TacListViewStyle::Icon);
  EXPECT_EQ(adapter->HeaderWnd(), nullptr);
  auto* header = new QHeaderView(Qt::Horizontal, view);
  header->setModel(&model);
  header->setGeometry(0, 0, 300, 24);
  header->show();
  QApplication::processEvents();
  EXPECT_EQ(adapter->HeaderWnd(), header);
  header->resizeSection(0, 100);
  const QImage skinned = header->grab().toImage();
  const QImage normal = Expected(100, 24, 0);
  // Qt's header: none of the skin's item there.
  EXPECT_FALSE(SameRgb(skinned.pixel(101, 12), normal.pixel(1, 12)));
  EXPECT_FALSE(SameRgb(skinned.pixel(150, 2), normal.pixel(50, 2)));
}

// Dragging the thumb scrolls by whole items; a drag back at the start
// position sends nothing.
TEST_F(ListViewAdaptersTest, ThumbDragScrollsByWholeItems) {
  MakeTree();
  int scrolls = 0;
  WindowProcHandle count = InstallWindowProc(tree.get(), [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == LVM_SCROLL) ++scrolls;
    previous(m);
  });
  Skin();
  QScrollBar* bar = Tree()->verticalScrollBar();
  ScrollTracking().DragTrackPos = 0;
  SendMessage(tree.get(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
  EXPECT_EQ(bar->value(), 5);
  EXPECT_EQ(scrolls, 1);
  SendMessage(tree.get(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
  EXPECT_EQ(bar->value(), 5);
  EXPECT_EQ(scrolls, 1);
  // Pixel scrolling: five items are five row heights.
  Tree()->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  bar->setValue(0);
  ScrollTracking().DragTrackPos = 0;
  SendMessage(tree.get(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
  EXPECT_EQ(bar->value(), 5 * Tree()->visualRect(model.index(0, 0)).height());
  ScrollTracking() = {};
  RemoveWindowProc(count);
}

// A click, a double click or a drag on the thumb of either bar of a view
// away from its start, with the real mouse: the view ends where the thumb
// was let go.
TEST_F(ListViewAdaptersTest, ThumbLetGoWhereReleased) {
  MakeTree();
  Tree()->header()->resizeSection(2, 900);
  std::vector<LPARAM> passedOn;  // what reaches the view's own handling
  WindowProcHandle record = InstallWindowProc(tree.get(), [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_HSCROLL || m.Msg == WM_VSCROLL) passedOn.push_back(m.LParam);
    previous(m);
  });
  Skin();
  struct Row {
    bool vertical;
    int start, drag;  // drag: pixels along the bar
    bool twice;
  } rows[] = {
      {true, 10, 0, false}, {true, 10, 0, true}, {true, 10, 30, false}, {true, 40, -25, false},
      {false, 200, 0, false}, {false, 200, 0, true}, {false, 200, 40, false}, {false, 300, -30, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << (row.vertical ? "vertical " : "horizontal ") << row.start << " drag "
                                    << row.drag << (row.twice ? " twice" : ""));
    QScrollBar* bar = row.vertical ? Tree()->verticalScrollBar() : Tree()->horizontalScrollBar();
    bar->setValue(row.start);
    QApplication::processEvents();
    ASSERT_EQ(bar->value(), row.start);
    adapter->RefreshScrolls(false);
    const TacScrollBar& skinned = *adapter->Bar(row.vertical ? SB_VERT : SB_HORZ);
    const TRect r = adapter->BarRect(skinned, true);
    const TacThumb thumb = ThumbGeometry(adapter->Layout(skinned), r);
    ASSERT_GT(thumb.Size, 0);
    const int mid = thumb.Start + thumb.Size / 2;
    const QPoint at =
        bar->mapFromGlobal(row.vertical ? QPoint((r.Left + r.Right) / 2, mid) : QPoint(mid, (r.Top + r.Bottom) / 2));
    const QPoint to = at + (row.vertical ? QPoint(0, row.drag) : QPoint(row.drag, 0));
    QTest::mousePress(bar, Qt::LeftButton, {}, at);
    if (row.drag) QTest::mouseMove(bar, to);
    const int dragged = bar->value();
    QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    if (row.twice) {  // Qt's double click is the second press
      QTest::mouseDClick(bar, Qt::LeftButton, {}, to);
      QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    }
    QApplication::processEvents();
    EXPECT_EQ(ScrollTracking().PressedPart, spNone);
    EXPECT_EQ(bar->value(), dragged);
    EXPECT_EQ(bar->value() != row.start, row.drag != 0);
    EXPECT_EQ(bar->value(), row.drag ? ScrollTracking().DragTrackPos : row.start);
  }
  EXPECT_FALSE(passedOn.empty());
  EXPECT_EQ(std::count(passedOn.begin(), passedOn.end(), 0), std::ptrdiff_t(passedOn.size()))
      << "no position in lParam";
  RemoveWindowProc(record);
  ScrollTracking() = {};
}

// The view's colours become the section's and come back after.
TEST_F(ListViewAdaptersTest, ColoursKeptAndGivenBack) {
  MakeTree();
  SendMessage(tree.get(), LVM_SETBKCOLOR, 0, 0x102030);
  SendMessage(tree.get(), LVM_SETTEXTCOLOR, 0, 0x405060);
  Skin();
  adapter->ApplySkinParams();
  const TsGeneralData& edit = manager->GeneralData[size_t(manager->IndexOfSection("EDIT"))];
  EXPECT_EQ(SendMessage(tree.get(), LVM_GETBKCOLOR), edit.Color);
  EXPECT_EQ(SendMessage(tree.get(), LVM_GETTEXTCOLOR), edit.FontColor[0]);
  UninstallAdapter(true, false, adapter);
  EXPECT_EQ(SendMessage(tree.get(), LVM_GETBKCOLOR), 0x102030);
  EXPECT_EQ(SendMessage(tree.get(), LVM_GETTEXTCOLOR), 0x405060);
}

// A tree view's background is the section's hot colour while skinned.
TEST_F(ListViewAdaptersTest, TreeViewTakesHotColour) {
  MakeTree();
  SendMessage(tree.get(), TVM_SETBKCOLOR, 0, 0x102030);
  auto treeAdapter = TacMainWnd::Create<TacTreeViewWnd>(tree.get(), nullptr, manager.get(), "EDIT", true);
  treeAdapter->ApplySkinParams();
  const TsGeneralData& edit = manager->GeneralData[size_t(manager->IndexOfSection("EDIT"))];
  EXPECT_EQ(SendMessage(tree.get(), TVM_GETBKCOLOR), edit.HotColor);
  UninstallAdapter(true, false, treeAdapter);
  EXPECT_EQ(SendMessage(tree.get(), TVM_GETBKCOLOR), 0x102030);
}
