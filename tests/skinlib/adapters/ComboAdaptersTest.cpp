// The combo box adapters: where the button lies, its states, the list's
// adapter and colours at its first drop-down, the glyph of odd masks.
#include "skinlib/adapters/ComboAdapters.h"

#include "SkinnedAdapterTest.h"

#include "platform/Bitmap.h"
#include "platform/Colors.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/EditSkin.h"
#include "support/TempDir.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QApplication>
#include <QCursor>
#include <QComboBox>

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

// Where the button lies: none for a simple box, 2 pixels in from the
// right, or from the left for right-to-left reading.
TEST(ComboButtonRectTest, ByStyle) {
  const int w = GetSystemMetrics(SM_CXVSCROLL);
  struct Row {
    std::uint32_t style, exStyle;
    TRect expected;
  } rows[] = {
      {CBS_DROPDOWNLIST, 0, {200 - w - 2, 2, 198, 22}},
      {CBS_DROPDOWN, 0, {200 - w - 2, 2, 198, 22}},
      {CBS_DROPDOWN, WS_EX_RTLREADING, {2, 2, 2 + w, 22}},
      {CBS_SIMPLE, 0, {198, 2, 198, 22}},
      {CBS_SIMPLE, WS_EX_RTLREADING, {2, 2, 2, 22}},
  };
  for (const Row& r : rows) {
    const TRect got = ComboButtonRect(r.style, r.exStyle, 200, 24);
    EXPECT_EQ(got.Left, r.expected.Left) << r.style << " " << r.exStyle;
    EXPECT_EQ(got.Right, r.expected.Right) << r.style << " " << r.exStyle;
    EXPECT_EQ(got.Top, 2);
    EXPECT_EQ(got.Bottom, 22);
  }
}

class ComboAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::EditSkin(), "Edit"));
    QCursor::setPos(-500, -500);  // the mouse over none of the boxes
    form.resize(300, 200);
    combo = new QComboBox(&form);
    combo->addItems({"2024001", "2024002", "2024003"});
    combo->setGeometry(10, 10, 160, 26);
    form.show();
    QApplication::processEvents();
  }
  void TearDown() override {
    if (combo) combo->hidePopup();
    adapter.reset();
    ComboDropped = false;
    Finish();
  }
  void Skin() {
    adapter = TacMainWnd::Create<TacComboBoxWnd>(combo, nullptr, manager.get(), "COMBOBOX", true);
    ASSERT_TRUE(adapter && !adapter->Destroyed());
  }

  QComboBox* combo = nullptr;
  TacAdapterPtr<TacComboBoxWnd> adapter;
};

}  // namespace

// The button shows pressed while the list is open and hot while the mouse
// is over the box; the list gets one adapter, at its first drop-down, and
// the section's colours.
TEST_F(ComboAdaptersTest, ButtonStatesAndListAdapter) {
  Skin();
  EXPECT_EQ(adapter->ButtonState(), TacComboButtonState::Normal);
  EXPECT_EQ(adapter->ListAdapter(), nullptr);
  manager->SetHotWindow(nullptr);
  SendMessage(combo, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(adapter->ButtonState(), TacComboButtonState::Hot);
  manager->SetHotWindow(nullptr);
  combo->showPopup();
  QApplication::processEvents();
  EXPECT_TRUE(ComboDropped);
  EXPECT_EQ(adapter->ButtonState(), TacComboButtonState::Pressed);
  TacComboListWnd* list = adapter->ListAdapter();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(adapter->ListWnd(), combo->view());
  const TsGeneralData& edit = manager->GeneralData[size_t(manager->IndexOfSection("EDIT"))];
  EXPECT_EQ(GetPaletteColor(combo->view(), QPalette::Base), edit.Color);
  combo->hidePopup();
  QApplication::processEvents();
  EXPECT_FALSE(ComboDropped);
  EXPECT_EQ(adapter->ButtonState(), TacComboButtonState::Normal);
  combo->showPopup();
  QApplication::processEvents();
  EXPECT_EQ(adapter->ListAdapter(), list);
}

// A combo box of a standard dialog in dialog mode leaves the list's
// colours alone.
TEST_F(ComboAdaptersTest, DialogModeListKeepsItsColours) {
  const TColor before = GetPaletteColor(combo->view(), QPalette::Base);
  CreatingDialogAdapters = true;
  Skin();
  CreatingDialogAdapters = false;
  ASSERT_TRUE(adapter->DlgMode());
  combo->showPopup();
  QApplication::processEvents();
  ASSERT_NE(adapter->ListAdapter(), nullptr);
  EXPECT_TRUE(adapter->ListAdapter()->DlgMode());
  EXPECT_EQ(GetPaletteColor(combo->view(), QPalette::Base), before);
}

// The button is painted where it lies, from the skin (inside the 3-pixel
// border, which the frame paints over it).
TEST_F(ComboAdaptersTest, ButtonPaintedFromSkin) {
  Skin();
  const TRect r = adapter->ButtonRect();
  ASSERT_FALSE(r.IsEmpty());
  Bitmap expected(r.Width(), r.Height(), pf24bit);
  adapter->PaintComboButton(expected);
  const QImage shot = combo->grab().toImage();
  const QImage want = expected.ToQImage();
  int same = 0, all = 0;
  for (int y = 1; y < r.Height() - 1; ++y)
    for (int x = 0; x < r.Width() - 1; ++x, ++all)
      same += (shot.pixel(r.Left + x, r.Top + y) & 0xFFFFFF) == (want.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(same, all);
}

// A glyph mask counting no images or no parts is one image of one part.
TEST_F(ComboAdaptersTest, GlyphOfMaskCountingZero) {
  ASSERT_TRUE(manager->IsValidMaskIndex(manager->ComboBoxGlyph));
  TsMaskData& glyph = manager->MaskData[size_t(manager->ComboBoxGlyph)];
  const int height = glyph.R.Height();
  glyph.MaskType = -1;
  EXPECT_EQ(ComboGlyphSize(*manager), height);
  glyph.ImageCount = 0;
  Skin();
  Bitmap button(20, 20, pf24bit);
  adapter->PaintComboButton(button);  // no division by zero
  EXPECT_EQ(ComboGlyphSize(TsSkinManager()), 16);
}

// A skin without the combo glyph still shows an arrow on the button: the
// section's font colour in its middle, not the fill alone.
TEST_F(ComboAdaptersTest, WithoutTheGlyphAPlainArrow) {
  manager->ComboBoxGlyph = -1;
  Skin();
  Bitmap button(18, 20, pf24bit);
  adapter->PaintComboButton(button);
  const QImage image = button.ToQImage();
  const QRgb fill = image.pixel(1, 1) & 0xFFFFFF;
  int arrow = 0;
  for (int y = 6; y < 14; ++y)
    for (int x = 4; x < 14; ++x) arrow += (image.pixel(x, y) & 0xFFFFFF) != fill;
  EXPECT_GT(arrow, 8) << "no arrow";
}

// A box whose style word says CBS_SIMPLE has no button.
TEST_F(ComboAdaptersTest, SimpleBoxHasNoButton) {
  combo->setEditable(true);
  Skin();
  SetWindowLong(combo, GWL_STYLE, (GetWindowLong(combo, GWL_STYLE) & ~std::intptr_t(3)) | CBS_SIMPLE);
  ASSERT_TRUE(adapter->Simple());
  EXPECT_TRUE(adapter->ButtonRect().IsEmpty());
  combo->showPopup();
  QApplication::processEvents();
  EXPECT_FALSE(ComboDropped);
}

// A short list shows every row once open, with no scroll range and no
// scroll arrows, while it wears the skinned frame its adapter gave it.
TEST_F(ComboAdaptersTest, ShortListShowsEveryRow) {
  combo->addItem("2024004");
  Skin();
  for (int open = 0; open < 2; ++open) {  // the first drop-down adapts the list
    combo->showPopup();
    QApplication::processEvents();
    QAbstractItemView* view = combo->view();
    ASSERT_NE(adapter->ListAdapter(), nullptr);
    EXPECT_EQ(view->frameWidth(), 1) << "the skinned frame's line";
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 0) << open;
    const QRect first = view->visualRect(view->model()->index(0, 0));
    const QRect last = view->visualRect(view->model()->index(3, 0));
    EXPECT_GE(first.top(), 0) << open;
    EXPECT_LT(last.bottom(), view->viewport()->height()) << open << " the last row cut";
    int arrows = 0;
    for (QWidget* w : view->parentWidget()->findChildren<QWidget*>())
      if (QByteArray(w->metaObject()->className()) == "QComboBoxPrivateScroller" && w->isVisible()) ++arrows;
    EXPECT_EQ(arrows, 0) << open;
    combo->hidePopup();
    QApplication::processEvents();
  }
}
