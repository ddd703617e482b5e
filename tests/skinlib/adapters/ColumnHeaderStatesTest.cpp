// A virtual tree's column header painted by the skin: a normal, a hovered
// and a pressed item each show their own state of the skin's header, and
// the elements the tree asks for.
#include "skinlib/adapters/GridAdapters.h"

#include "SkinnedAdapterTest.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/support/EditSkin.h"

#include <QAbstractScrollArea>
#include <QImage>

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

// The tree asks for the elements by its own bits (1 background, 2 drop
// mark, 8 sort glyph, 16 text): the text is written unless the drop mark
// is asked for too.
TEST_F(ColumnHeaderStatesTest, TheTextIsWrittenForTheTreesTextBitUnlessADropMarkIsAsked) {
  auto* tree = new QAbstractScrollArea(&form);
  auto adapter = TacMainWnd::Create<TacVirtualTreeViewWnd>(tree, nullptr, manager.get(), "EDIT", true);
  ASSERT_TRUE(adapter);
  const QRgb font = qRgb(testskins::kColHeaderFontColor & 0xFF, (testskins::kColHeaderFontColor >> 8) & 0xFF,
                         (testskins::kColHeaderFontColor >> 16) & 0xFF);
  const struct {
    int elements;
    bool text;
  } rows[] = {{1 | 16, true}, {16, true}, {1 | 2 | 16, false}, {1, false}, {1 | 8 | 16, true}};
  for (const auto& row : rows) {
    Bitmap target(80, 20, pf24bit);
    target.Fill(0xFF000000);
    TacHeaderPaintInfo info;
    info.TargetCanvas = &target.GetCanvas();
    info.PaintRectangle = Bounds(0, 0, 80, 20);
    info.Text = QStringLiteral("WWWW");
    adapter->PaintVirtualTreeHeader(info, row.elements);
    const QImage image = target.ToQImage();
    int written = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) written += (image.pixel(x, y) & 0xFFFFFF) == (font & 0xFFFFFF);
    EXPECT_EQ(written > 0, row.text) << row.elements;
  }
  UninstallAdapter(true, false, adapter);
  delete tree;
}

}  // namespace
