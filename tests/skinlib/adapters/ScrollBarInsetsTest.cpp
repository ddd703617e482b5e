// A skinned scroll bar's insets shorten it along its own length only: a
// horizontal bar at its left and right, a vertical one at its top and
// bottom.
#include "skinlib/adapters/ScrollBars.h"

#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

using namespace platform;

namespace {

class ScrollBarInsetsTest : public ::testing::Test {
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
    area->show();
    form.show();
    QApplication::processEvents();
    adapter = InstallScrollAdapter(area.get(), nullptr, nullptr, "EDIT", true);
    QApplication::processEvents();
    ASSERT_TRUE(adapter && !adapter->Destroyed());
  }
  void TearDown() override {
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

TEST_F(ScrollBarInsetsTest, InsetsShortenABarAlongItsLengthOnly) {
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

}  // namespace
