// Parts of a skinned scroll bar: its insets shorten it along its own
// length only (a horizontal bar at its left and right, a vertical one at
// its top and bottom), and a held first arrow pauses while the mouse is
// off it.
#include "skinlib/adapters/ScrollBars.h"

#include "platform/Capture.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/WindowUtils.h"
#include "platform/UserPrompts.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

using namespace platform;

namespace {

class ScrollBarPartsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::ScrollBarSkin(), Root() + "/ScrollBars", &error))
        << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName("ScrollBars");
    ASSERT_TRUE(manager->Active());
    form.resize(400, 300);
    area = std::make_unique<QAbstractScrollArea>(&form);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area->setGeometry(10, 10, 300, 200);
    area->horizontalScrollBar()->setRange(0, 100);
    area->show();
    form.show();
    QApplication::processEvents();
    adapter = InstallScrollAdapter(area.get(), nullptr, nullptr, "EDIT", true);
    QApplication::processEvents();
    ASSERT_TRUE(adapter && !adapter->Destroyed());
  }
  void TearDown() override {
    ScrollTracking() = {};
    adapter.reset();
    area.reset();
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
  QString Root() const { return QString::fromStdString(dir.Path()); }

  static constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils"};
  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  QWidget form;
  std::unique_ptr<QAbstractScrollArea> area;
  std::unique_ptr<TsSkinManager> manager;
  TacAdapterPtr<TacScrollWnd> adapter;
};

TEST_F(ScrollBarPartsTest, InsetsShortenABarAlongItsLengthOnly) {
  const struct {
    int kind;
    bool start, end;
  } rows[] = {{SB_HORZ, true, false}, {SB_HORZ, false, true}, {SB_HORZ, true, true},
              {SB_VERT, true, false}, {SB_VERT, false, true}, {SB_VERT, true, true}};
  for (const auto& row : rows) {
    TacScrollBar& bar = *adapter->Bar(row.kind);
    bar.StartInset = 3;
    bar.EndInset = 5;
    bar.UseStartInset = row.start;
    bar.UseEndInset = row.end;
    const TRect plain = adapter->BarRect(bar, false);
    ASSERT_FALSE(plain.IsEmpty());
    TRect want = plain;
    if (row.kind == SB_HORZ) {
      want.Left += row.start ? 3 : 0;
      want.Right -= row.end ? 5 : 0;
    } else {
      want.Top += row.start ? 3 : 0;
      want.Bottom -= row.end ? 5 : 0;
    }
    const TRect got = adapter->BarRect(bar, true);
    EXPECT_EQ(got.Left, want.Left) << row.kind << row.start << row.end;
    EXPECT_EQ(got.Top, want.Top) << row.kind << row.start << row.end;
    EXPECT_EQ(got.Right, want.Right) << row.kind << row.start << row.end;
    EXPECT_EQ(got.Bottom, want.Bottom) << row.kind << row.start << row.end;
    bar.UseStartInset = bar.UseEndInset = false;
  }
}

TEST_F(ScrollBarPartsTest, AHeldFirstArrowPausesWhileTheMouseIsOffIt) {
  QScrollBar* bar = area->horizontalScrollBar();
  bar->setValue(50);
  const TRect r = adapter->HorzBarRect();
  const int y = (r.Top + r.Bottom) / 2;
  const auto move = [&](int x) {
    TPoint p{r.Left + x, y};
    ScreenToClient(area.get(), &p);
    SendMessage(area.get(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.X, p.Y));
  };
  SendMessage(area.get(), WM_NCLBUTTONDOWN, HTHSCROLL, MAKELPARAM(r.Left + 4, y));
  ASSERT_EQ(ScrollTracking().PressedPart, spFirstArrow);
  EXPECT_EQ(bar->value(), 50 - bar->singleStep());
  // Off the arrow: it shows unpressed and the repeat waits.
  move(r.Width() / 2);
  EXPECT_EQ(ScrollTracking().LastHitPart, spNone);
  const int held = bar->value();
  SendMessage(area.get(), WM_TIMER, kRepeatTimer, 0);
  EXPECT_EQ(bar->value(), held);
  // Back on it: pressed again, and the repeat goes on.
  move(4);
  EXPECT_EQ(ScrollTracking().LastHitPart, spFirstArrow);
  SendMessage(area.get(), WM_TIMER, kRepeatTimer, 0);
  EXPECT_EQ(bar->value(), held - bar->singleStep());
  SendMessage(area.get(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(ScrollTracking().PressedPart, spNone);
}

}  // namespace
