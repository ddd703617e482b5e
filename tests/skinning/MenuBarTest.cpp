// The skinned menu bar on the window's menu line: the line takes the
// skin's layout, the platform's menu loop tracks it, the skin paints it.
#include "TestSkins.h"

#include "platform/MenuLine.h"
#include "platform/NonClient.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinMenuBar.h"

#include "platform_gui/MessageLog.h"
#include "platform_gui/Pixels.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

const QColor kHilight(250, 250, 250);

void Pump() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

class SkinnedMenuLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = w_.menuBar()->addMenu(QStringLiteral("&File"));
    file_->addAction(QStringLiteral("Open"));
    help_ = w_.menuBar()->addMenu(QStringLiteral("&Help"));
    help_->addAction(QStringLiteral("About"));
    data_ = std::make_unique<TSkinData>();
    ASSERT_TRUE(data_->LoadSkinStream(Streamed(SkinOf(
        "[Colours]\nMenuBarText=1,2,3\nMenubar=240,240,240\nButtonHilight=250,250,250\n"
        "[Personality]\nLeft=side.bmp\nRight=side.bmp\nTop=top.bmp\nBottom=bottom.bmp\n",
        {{"side.bmp", Solid(5, 30, Qt::darkRed)},
         {"top.bmp", Solid(60, 22, Qt::darkRed)},
         {"bottom.bmp", Solid(60, 4, Qt::darkRed)}}))));
    data_->Loaded();
    SkinManage()->SetEnabled(true);
    w_.setGeometry(50, 50, 300, 200);
    w_.show();
    Pump();
    SkinManage()->AddForm(&w_);
    Pump();
    auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&w_));
    frame_ = form ? form->Frame() : nullptr;
    ASSERT_TRUE(frame_ && frame_->MenuBar());
    ASSERT_EQ(frame_->MenuBar()->Items().size(), 2u);
  }
  void TearDown() override {
    for (QMenu* m : {file_, help_}) m->close();
    Pump();
    FreeSkinManage();
  }
  // The item's rectangle on the screen, as the skin lays it out.
  QRect Screen(int i) const {
    const TRect wr = FrameWindowRect(&w_);
    const TRect r = frame_->MenuBar()->Items()[size_t(i)]->BoundsRect;
    return {wr.Left + r.Left, wr.Top + r.Top, r.Width(), r.Height()};
  }
  bool Highlit(int i) const {
    const TRect wr = FrameWindowRect(&w_);
    Bitmap b(wr.Width(), wr.Height());
    Canvas c(b);
    frame_->PaintFrame(&c);
    const TRect r = frame_->MenuBar()->Items()[size_t(i)]->BoundsRect;
    return pixels::Box(b, [](TColor p) { return p == Colour(kHilight); }, r) == r;
  }

  MessageLog log_;  // goes after the window
  QMainWindow w_;
  QMenu *file_ = nullptr, *help_ = nullptr;
  std::unique_ptr<TSkinData> data_;
  TSkinFormFrame* frame_ = nullptr;
};

}  // namespace

// The line's items are where the skin puts them, one row from the skin's
// margin under the caption, and answer HTMENU there.
TEST_F(SkinnedMenuLineTest, TheLineHasTheSkinsLayout) {
  EXPECT_TRUE(w_.menuBar()->isHidden());
  EXPECT_EQ(frame_->MenuHeight(), GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(Screen(0).left() - FrameWindowRect(&w_).Left, frame_->LeftWidth() + 6);
  for (int i = 0; i < 2; ++i) {
    TRect r;
    ASSERT_TRUE(GetMenuItemRect(&w_, nullptr, unsigned(i), &r)) << i;
    EXPECT_EQ(QRect(r.Left, r.Top, r.Width(), r.Height()), Screen(i)) << i;
    EXPECT_EQ(Screen(i).top() - FrameWindowRect(&w_).Top, frame_->CaptionHeight()) << i;
    const QPoint c = Screen(i).center();
    EXPECT_EQ(SendMessage(&w_, WM_NCHITTEST, 0, MAKELPARAM(c.x(), c.y())), HTMENU) << i;
  }
}

// A click enters the platform's loop: the drop-down opens below its item
// after WM_INITMENUPOPUP, skinned as the bar's, the item painted in the
// highlight colour; Esc ends the loop.
TEST_F(SkinnedMenuLineTest, AClickRunsTheLoopAndTheSkinPaintsIt) {
  log_.Add(&w_, "w");
  const QPoint c = Screen(1).center();
  SendMessage(&w_, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(c.x(), c.y()));
  ASSERT_TRUE(help_->isVisible());
  EXPECT_EQ(help_->pos(), QPoint(Screen(1).left(), Screen(1).top() + Screen(1).height()));
  EXPECT_EQ(log_.Messages({WM_ENTERMENULOOP, WM_INITMENUPOPUP}),
            (std::vector<unsigned>{WM_ENTERMENULOOP, WM_INITMENUPOPUP}));
  EXPECT_EQ(SkinManage()->MenuMode(), TSkinManage::kMenuBarDropDown);
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), 1);
  EXPECT_TRUE(Highlit(1));
  EXPECT_FALSE(Highlit(0));
  QTest::keyClick(help_, Qt::Key_Escape);
  Pump();
  EXPECT_TRUE(Highlit(1)) << "the line keeps the keyboard";
  QTest::keyClick(&w_, Qt::Key_Escape);
  Pump();
  EXPECT_EQ(log_.Messages({WM_EXITMENULOOP}), std::vector<unsigned>{WM_EXITMENULOOP});
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), -1);
  EXPECT_FALSE(Highlit(1));
}

// The band goes with the bar's last item and comes back with a new one.
TEST_F(SkinnedMenuLineTest, TheBandFollowsTheBarsActions) {
  const struct {
    std::function<void()> change;
    int band;
  } cases[] = {{[&] { w_.menuBar()->clear(); }, 0},
               {[&] { w_.menuBar()->addMenu(QStringLiteral("&View")); }, GetSystemMetrics(SM_CYMENU)}};
  for (const auto& c : cases) {
    c.change();
    Pump();
    EXPECT_EQ(frame_->MenuHeight(), c.band);
    EXPECT_EQ(GetMenuLineRect(&w_).Height(), c.band);
    EXPECT_EQ(w_.contentsMargins().top(), frame_->CaptionHeight() + c.band);
  }
}
