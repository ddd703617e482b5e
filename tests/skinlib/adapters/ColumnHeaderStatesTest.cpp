// A virtual tree's column header painted by the skin: a normal, a hovered
// and a pressed item each show their own state of the skin's header.
#include "skinlib/adapters/GridAdapters.h"

#include "SkinnedAdapterTest.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/support/EditSkin.h"

#include <QAbstractScrollArea>

using namespace platform;

namespace {

class ColumnHeaderStatesTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(Activate(testskins::EditSkin(), "Edit")); }
  void TearDown() override { Finish(); }
};

TEST_F(ColumnHeaderStatesTest, HoveredAndPressedItemsShowTheirOwnState) {
  auto* tree = new QAbstractScrollArea(&form);
  auto adapter = TacMainWnd::Create<TacVirtualTreeViewWnd>(tree, nullptr, manager.get(), "EDIT", true);
  ASSERT_TRUE(adapter);
  const struct {
    bool hover, down;
    int state;
  } rows[] = {{false, false, 0}, {true, false, 1}, {false, true, 2}, {true, true, 2}};
  for (const auto& row : rows) {
    Bitmap target(40, 20, pf24bit);
    target.Fill(0xFF000000);
    TacHeaderPaintInfo info;
    info.TargetCanvas = &target.GetCanvas();
    info.PaintRectangle = Bounds(0, 0, 40, 20);
    info.IsHoverIndex = row.hover;
    info.IsDownIndex = row.down;
    adapter->PaintVirtualTreeHeader(info, kHeaderBackground);
    Bitmap expected(40, 20, pf24bit);
    ASSERT_GE(PaintSectionByName(expected, "COLHEADER", "BUTTON", nullptr, manager->GlobalSectionColor(), {0, 0},
                                 manager.get(), row.state),
              0);
    EXPECT_EQ(target.GetPixel(20, 10), expected.GetPixel(20, 10)) << row.hover << row.down;
  }
  // The three states differ where they are painted.
  Bitmap normal(40, 20, pf24bit), hot(40, 20, pf24bit);
  PaintSectionByName(normal, "COLHEADER", "BUTTON", nullptr, manager->GlobalSectionColor(), {0, 0}, manager.get(), 0);
  PaintSectionByName(hot, "COLHEADER", "BUTTON", nullptr, manager->GlobalSectionColor(), {0, 0}, manager.get(), 1);
  EXPECT_NE(normal.GetPixel(20, 10), hot.GetPixel(20, 10));
  UninstallAdapter(true, false, adapter);
  delete tree;
}

}  // namespace
