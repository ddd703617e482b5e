// The skinned menu bar on the window's menu line: the line takes the
// skin's layout, the platform's menu loop tracks it, the skin paints it.
#include "TestSkins.h"

#include "platform/MenuLine.h"
#include "platform/NonClient.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinMenuBar.h"

#include "platform_gui/MessageLog.h"
#include "platform_gui/Pixels.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

// The bar element's two frames, grey levels.
constexpr int kActiveBar = 200, kInactiveBar = 120;

void Pump() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

class SkinnedMenuLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* caption : {"&File", "&Help"}) w_.menuBar()->addMenu(QString::fromUtf8(caption))->addAction("x");
    ASSERT_TRUE(data_.LoadSkinStream(Streamed(SkinOf(
        "[Colours]\nMenubar=240,240,240\nButtonHilight=250,250,250\nMenuBarText=0,0,0\n"
        "[Personality]\nLeft=side.bmp\nRight=side.bmp\nTop=top.bmp\nBottom=top.bmp\nmenuBar=bar.bmp\n"
        "TileLeftMenu=7\nTileRightMenu=3\n",
        {{"side.bmp", Solid(5, 30, Qt::darkRed)}, {"top.bmp", Solid(60, 22, Qt::darkRed)},
         {"bar.bmp", Frames(20, 19, {QColor(kActiveBar, kActiveBar, kActiveBar),
                                     QColor(kInactiveBar, kInactiveBar, kInactiveBar)})}}))));
    data_.Loaded();
    SkinManage()->SetEnabled(true);
    w_.setGeometry(50, 50, 300, 200);
    w_.show();
    SkinManage()->AddForm(&w_);
    Pump();
    auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&w_));
    frame_ = form ? form->Frame() : nullptr;
    ASSERT_TRUE(frame_ && frame_->MenuBar() && frame_->MenuBar()->Items().size() == 2u);
  }
  void TearDown() override { FreeSkinManage(); }
  TRect Item(int i) const { return frame_->MenuBar()->Items()[size_t(i)]->BoundsRect; }
  QRect OnScreen(int i) const {
    const TRect wr = FrameWindowRect(&w_);
    return {wr.Left + Item(i).Left, wr.Top + Item(i).Top, Item(i).Width(), Item(i).Height()};
  }
  Bitmap Painted() const {
    const TRect wr = FrameWindowRect(&w_);
    Bitmap b(wr.Width(), wr.Height());
    Canvas c(b);
    frame_->PaintFrame(&c);
    return b;
  }
  bool Highlit(int i) const {
    return pixels::Box(Painted(), [](TColor p) { return p == RGB(250, 250, 250); }, Item(i)) == Item(i);
  }

  MessageLog log_;  // goes after the window
  TSkinData data_;
  QMainWindow w_;
  TSkinFormFrame* frame_ = nullptr;
};

}  // namespace

// The line's items are where the skin puts them: one row from the bar
// element's margin under the caption, answering HTMENU.
TEST_F(SkinnedMenuLineTest, TheLineHasTheSkinsLayout) {
  EXPECT_TRUE(w_.menuBar()->isHidden());
  EXPECT_EQ(Item(0).Left, frame_->LeftWidth() + 7 + 4) << "after the bar element's left margin";
  for (int i = 0; i < 2; ++i) {
    TRect r;
    ASSERT_TRUE(GetMenuItemRect(&w_, nullptr, unsigned(i), &r));
    EXPECT_EQ(QRect(r.Left, r.Top, r.Width(), r.Height()), OnScreen(i)) << i;
    EXPECT_EQ(Item(i).Top, frame_->CaptionHeight()) << i;
    const QPoint c = OnScreen(i).center();
    EXPECT_EQ(SendMessage(&w_, WM_NCHITTEST, 0, MAKELPARAM(c.x(), c.y())), HTMENU) << i;
  }
}

// A right-to-left form lays the line out from the band's right end, inside
// the bar element's right margin.
class RightToLeftMenuLineTest : public SkinnedMenuLineTest {
 protected:
  RightToLeftMenuLineTest() { w_.setLayoutDirection(Qt::RightToLeft); }
};

TEST_F(RightToLeftMenuLineTest, TheItemsRunFromTheRight) {
  const TRect line = GetMenuLineRect(&w_);
  EXPECT_EQ(Item(0).Right, line.Right - 3 - 8);
  EXPECT_EQ(Item(1).Right, Item(0).Left);
  EXPECT_GT(Item(1).Left, line.Left);
}

// The bar element's first frame while the form is active, its second while
// not; the items' text in the bar's text colour leaves the bar picture
// behind it.
TEST_F(SkinnedMenuLineTest, TheBarShowsTheFormsActivityUnderItsItems) {
  for (const auto& [active, grey] : {std::pair{true, kActiveBar}, std::pair{false, kInactiveBar}}) {
    SendMessage(&w_, WM_NCACTIVATE, active, 0);
    const Bitmap b = Painted();
    const TRect line = GetMenuLineRect(&w_);
    EXPECT_EQ(b.GetPixel(line.Right - 5, line.Top + 2), RGB(grey, grey, grey)) << active;
    for (int i = 0; i < 2; ++i) {
      EXPECT_FALSE(pixels::Box(b, [](TColor p) { return GetRValue(p) < 60; }, Item(i)).IsEmpty()) << "text " << i;
      EXPECT_EQ(pixels::Box(b, [](TColor p) { return p == clWhite; }, Item(i)), TRect{}) << active << " item " << i;
    }
  }
}

// A band grown in height only (the line wrapped, a larger bar font) is
// painted in full.
TEST_F(SkinnedMenuLineTest, ATallerBandIsPaintedInFull) {
  for (const int height : {10, 30}) {
    Bitmap b = pixels::White(120, height);
    Canvas c(b);
    frame_->MenuBar()->PaintBar(c, Rect(0, 0, 120, height));
    EXPECT_EQ(pixels::InkBox(b, clWhite), Rect(0, 0, 120, height)) << height;
  }
}

// The hovered item is highlit. A click enters the platform's loop: the
// drop-down opens below its item, skinned as the bar's, the item highlit;
// Esc closes the drop-down, the item stays current, a second Esc ends the
// loop.
TEST_F(SkinnedMenuLineTest, AClickRunsTheLoopAndTheSkinPaintsIt) {
  log_.Add(&w_, "w");
  QMenu* help = w_.menuBar()->actions()[1]->menu();
  const QPoint c = OnScreen(1).center();
  SendMessage(&w_, WM_NCMOUSEMOVE, HTMENU, MAKELPARAM(c.x(), c.y()));
  EXPECT_TRUE(Highlit(1)) << "hovered";
  EXPECT_EQ(log_.Messages({WM_ENTERMENULOOP}), std::vector<unsigned>{}) << "hovering enters no loop";
  SendMessage(&w_, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(c.x(), c.y()));
  ASSERT_TRUE(help->isVisible());
  EXPECT_EQ(help->pos(), OnScreen(1).bottomLeft() + QPoint(0, 1));
  EXPECT_EQ(log_.Messages({WM_ENTERMENULOOP, WM_INITMENUPOPUP}),
            (std::vector<unsigned>{WM_ENTERMENULOOP, WM_INITMENUPOPUP}));
  EXPECT_EQ(SkinManage()->MenuMode(), TSkinManage::kMenuBarDropDown);
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), 1);
  EXPECT_TRUE(Highlit(1));
  EXPECT_FALSE(Highlit(0));
  QTest::keyClick(help, Qt::Key_Escape);
  Pump();
  EXPECT_TRUE(Highlit(1));
  QTest::keyClick(&w_, Qt::Key_Escape);
  Pump();
  EXPECT_EQ(log_.Messages({WM_EXITMENULOOP}), std::vector<unsigned>{WM_EXITMENULOOP});
  SendMessage(&w_, WM_NCMOUSELEAVE);
  EXPECT_FALSE(Highlit(1));
}

// The band goes with the bar's last item and comes back with a new one.
TEST_F(SkinnedMenuLineTest, TheBandFollowsTheBarsActions) {
  for (const int band : {0, GetSystemMetrics(SM_CYMENU)}) {
    if (band)
      w_.menuBar()->addMenu("&View");
    else
      w_.menuBar()->clear();
    Pump();
    EXPECT_EQ(frame_->MenuHeight(), band);
    EXPECT_EQ(GetMenuLineRect(&w_).Height(), band);
    EXPECT_EQ(w_.contentsMargins().top(), frame_->CaptionHeight() + band);
  }
}
