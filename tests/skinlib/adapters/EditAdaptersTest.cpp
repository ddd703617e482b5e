// The edit adapter and its shared routines: colours kept, given and given
// back; the border's transparent corners; state redraws; list boxes.
#include "skinlib/adapters/EditAdapters.h"

#include "SkinnedAdapterTest.h"

#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/GridAdapters.h"
#include "skinlib/adapters/sMDIForm.h"
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Bitmap.h"
#include "platform/ControlMessages.h"
#include "platform/NonClient.h"
#include "skinlib/adapters/AdapterBaseSeams.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTableWidget>
#include <QTreeWidget>
#include <QSpinBox>
#include <QListWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace platform;

namespace {

constexpr TColor kOwnColor = 0x123456, kOwnFont = 0x0A0B0C, kOwnFocus = 0x00FF00;
constexpr TColor kEditColor = 0xF4F8FC;

class EditAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::ControlDataSkin(), "Data"));
    form.resize(300, 200);
    edit = new QLineEdit(&form);
    edit->setGeometry(20, 30, 120, 24);
    SetControlColor(edit, kOwnColor);
    SetFontColor(edit, kOwnFont);
    edit->setProperty("FocusColor", int(kOwnFocus));
    form.show();
    QApplication::processEvents();
    data = std::make_unique<TsCommonData>(edit);
    data->SetSkinManager(manager.get());
    data->SetSkinSection("EDIT");
  }
  void TearDown() override {
    adapter.reset();
    data.reset();
    Finish();
  }
  void Skin() {
    adapter = TacMainWnd::Create<TacEditWnd>(edit, data.get(), manager.get(), "EDIT", true);
    ASSERT_TRUE(adapter && !adapter->Destroyed());
    SendMessage(edit, SkinCommandMsg, MAKEWPARAM(0, acRefresh), LPARAM(PtrParam(manager.get())));
  }
  // A border mask of its own: `count` images of 4 x 4 with margins 2, to
  // the right of a 4 x 4 block of the key colour (another mask's pixels);
  // in each image only the top-left pixel is the key colour.
  int AddMask(int count) {
    TsMaskData md;
    const int images = std::max(1, count);
    md.Bmp = std::make_unique<Bitmap>(4 + 4 * images, 4, pf24bit);
    md.Bmp->Fill(0xFF808080);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) md.Bmp->SetPixel(x, y, KeyColor);
    for (int i = 0; i < images; ++i) md.Bmp->SetPixel(4 + 4 * i, 0, KeyColor);
    md.R = Bounds(4, 0, 4 * images, 4);
    md.ImageCount = int16_t(count);
    md.WL = md.WT = md.WR = md.WB = 2;
    md.ClassName = "EDIT";
    md.PropertyName = "BORDERSMASK";
    manager->MaskData.push_back(std::move(md));
    return int(manager->MaskData.size()) - 1;
  }

  QLineEdit* edit = nullptr;
  std::unique_ptr<TsCommonData> data;
  TacAdapterPtr<TacEditWnd> adapter;
};

}  // namespace

// Skinned, the edit takes the section's colours (unless its own are
// custom), "FocusColor" included; removed, it has its own back.
TEST_F(EditAdaptersTest, KeepsGivesAndGivesBackColours) {
  struct Row {
    bool customColor, customFont;
  } rows[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.customColor << row.customFont);
    data->SetCustomColor(row.customColor);
    data->SetCustomFont(row.customFont);
    SetControlColor(edit, kOwnColor);
    SetFontColor(edit, kOwnFont);
    edit->setProperty("FocusColor", int(kOwnFocus));
    Skin();
    const TColor bg = data->SectionBgColor(data->ControlIsActive(), edit);
    EXPECT_EQ(GetControlColor(edit), row.customColor ? kOwnColor : bg);
    EXPECT_EQ(edit->property("FocusColor").toInt(), int(row.customColor ? kOwnFocus : bg));
    EXPECT_EQ(GetFontColor(edit), row.customFont ? kOwnFont : data->Section()->HotFontColor[0]);
    EXPECT_EQ(adapter->OwnColor(), kOwnColor);
    EXPECT_EQ(adapter->OwnFocusColor(), kOwnFocus);
    UninstallAdapter(true, false, adapter);
    EXPECT_EQ(GetControlColor(edit), kOwnColor);
    EXPECT_EQ(GetFontColor(edit), kOwnFont);
    EXPECT_EQ(edit->property("FocusColor").toInt(), int(kOwnFocus));
  }
}

// A control that inherited its palette and left its background to its
// style (a spin box in a standard dialog) has both so again once its
// skin goes: the skin's colours set on it as its own, with a filled
// background, changed how its style paints it (its arrows' column).
TEST_F(EditAdaptersTest, AnInheritedPaletteStaysInherited) {
  auto* spin = new QSpinBox(&form);
  spin->setGeometry(20, 70, 80, 24);
  spin->show();
  QApplication::processEvents();
  const QPalette own = spin->palette();
  ASSERT_FALSE(spin->autoFillBackground());
  TsCommonData spinData(spin);
  spinData.SetSkinManager(manager.get());
  spinData.SetSkinSection("EDIT");
  auto skinned = TacMainWnd::Create<TacEditWnd>(spin, &spinData, manager.get(), "EDIT", true);
  SendMessage(spin, SkinCommandMsg, MAKEWPARAM(0, acRefresh), LPARAM(PtrParam(manager.get())));
  ASSERT_NE(spin->palette().color(spin->backgroundRole()), own.color(spin->backgroundRole()));
  UninstallAdapter(true, false, skinned);
  EXPECT_FALSE(spin->autoFillBackground());
  EXPECT_EQ(spin->palette().resolveMask(), own.resolveMask()) << "colours set that it inherited";
  for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Text, QPalette::Button})
    EXPECT_EQ(spin->palette().color(role), own.color(role)) << role;
}

// A bare window (no control behind the skin data) takes the section's
// colour as its palette; the border colour is 0.
TEST_F(EditAdaptersTest, BareWindowTakesSectionColour) {
  auto bare = TacMainWnd::Create<TacEditWnd>(edit, nullptr, manager.get(), "EDIT", true);
  ASSERT_TRUE(bare);
  bare->ApplySkinParams();
  EXPECT_EQ(bare->EditBgColor(), kEditColor);
  EXPECT_EQ(bare->EditBorderColor(), 0);
  EXPECT_EQ(GetControlColor(edit), kEditColor);
  UninstallAdapter(true, false, bare);
  EXPECT_EQ(GetControlColor(edit), kOwnColor);
}

// Key-colour corner pixels take the parent's background at that place;
// a mask counting 0 images reads its own image, never the one to its left.
TEST_F(EditAdaptersTest, BorderCornersTakeParentPixels) {
  Bitmap parentCache(300, 200, pf24bit);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) parentCache.SetPixel(x, y, TColor(x | (y << 8)));
  // The form hands out its cache as a whole (offset 0): the edit's own
  // place in it is the edit's to add.
  const auto saved = CommonDataSeams().QueryWindowBackground;
  CommonDataSeams().QueryWindowBackground = [&](TsBgQuery& q, QWidget* window, bool) {
    if (window != &form) return false;
    q.BgKind = TsBgQuery::FromBitmap;
    q.Bitmap = &parentCache;
    q.Offset = {0, 0};
    return true;
  };
  for (int count : {0, 1, 2}) {
    SCOPED_TRACE(count);
    data->RefreshSkinIndexes();
    data->BorderMaskIndex = AddMask(count);
    data->CacheBitmap = std::make_unique<Bitmap>(edit->width(), edit->height(), pf24bit);
    data->CacheBitmap->Fill(0xFF000000);
    PaintAdapterBorder(*data, count == 2 ? 1 : 5, edit, false);
    const Bitmap& cache = *data->CacheBitmap;
    EXPECT_EQ(cache.GetPixel(0, 0), TColor(edit->x() | (edit->y() << 8)));
    // Only the key pixel changed: its neighbours and the other corners' stay.
    EXPECT_EQ(cache.GetPixel(1, 0), 0);
    EXPECT_EQ(cache.GetPixel(0, 1), 0);
    EXPECT_EQ(cache.GetPixel(0, cache.Height() - 1), 0);
    EXPECT_EQ(cache.GetPixel(cache.Width() - 1, cache.Height() - 1), 0);
    // In dialog mode nothing changes.
    data->CacheBitmap->Fill(0xFF000000);
    PaintAdapterBorder(*data, 0, edit, true);
    EXPECT_EQ(data->CacheBitmap->GetPixel(0, 0), 0);
  }
  CommonDataSeams().QueryWindowBackground = saved;
}

// Focus and mouse changes redraw the frame only when the border has state
// images; a mouse move makes the edit the manager's hot window.
TEST_F(EditAdaptersTest, StateRedrawsOnlyWithStateImages) {
  Skin();
  for (int count : {1, 2}) {
    SCOPED_TRACE(count);
    data->BorderMaskIndex = AddMask(count);
    EXPECT_EQ(HasStateImages(*data), count > 1);
    for (unsigned msg : {unsigned(WM_SETFOCUS), kCmMouseEnter}) {
      data->BackgroundDirty = false;
      data->Focused = data->MouseAbove = false;
      SendMessage(edit, msg, 0, 0);
      EXPECT_EQ(data->BackgroundDirty, count > 1) << msg;
      EXPECT_EQ(data->Focused || data->MouseAbove, count > 1) << msg;
    }
  }
  manager->SetHotWindow(nullptr);
  SendMessage(edit, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(manager->HotWindow(), edit);
}

// An empty list box answers LB_GETTOPINDEX with -1; a filled one keeps 0.
TEST_F(EditAdaptersTest, EmptyListBoxTopIndex) {
  auto* list = new QListWidget(&form);
  list->setGeometry(150, 30, 100, 100);
  list->show();
  TsCommonData listData(list);
  listData.SetSkinManager(manager.get());
  listData.SetSkinSection("EDIT");
  auto listAdapter = TacMainWnd::Create<TacEditWnd>(list, &listData, manager.get(), "EDIT", true);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX), -1);
  list->addItem("one");
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX), 0);
  listAdapter.reset();
}

// The cache is painted at the window's size and the routine fills the
// base's seam while the unit runs.
TEST_F(EditAdaptersTest, PrepareCacheSizesAndFillsSeam) {
  data->RefreshSkinIndexes();
  data->BackgroundDirty = true;
  adapterseams::PrepareAdapterCache(*data, edit, false);
  ASSERT_TRUE(data->CacheBitmap);
  EXPECT_EQ(data->CacheBitmap->Width(), edit->width());
  EXPECT_EQ(data->CacheBitmap->Height(), edit->height());
  EXPECT_EQ(data->CacheBitmap->PixelFormat(), pf24bit);
  EXPECT_FALSE(data->BackgroundDirty);
  EXPECT_EQ(data->CacheBitmap->GetPixel(edit->width() / 2, edit->height() / 2), kEditColor);
}

// Properties by name: absent ones are skipped; the container search is
// depth-first.
TEST_F(EditAdaptersTest, PropertiesAndHandleSearch) {
  SetOrdPropertyIfAny(edit, "NoSuchThing", 5);
  EXPECT_FALSE(edit->property("NoSuchThing").isValid());
  SetOrdPropertyIfAny(edit, "FocusColor", 0x010203);
  EXPECT_EQ(GetColorPropertyRGB(edit, "FocusColor"), 0x010203);
  EXPECT_EQ(GetColorPropertyRGB(edit, "NoSuchThing"), clNone);
  EXPECT_EQ(FindWinControlByHandle(edit, &form), edit);
  QWidget other;
  EXPECT_EQ(FindWinControlByHandle(&other, &form), nullptr);
}

// The band widens to the skin's border where Qt's is narrower, and the
// border strip painted from the cache is that wide.
TEST_F(EditAdaptersTest, BandWidensToSkinBorder) {
  Skin();
  const int qtBand = adapter->BorderLeft();
  TsMaskData& md = manager->MaskData[size_t(AddMask(1))];
  md.WL = md.WT = md.WR = md.WB = int16_t(qtBand + 3);
  data->BorderMaskIndex = int(manager->MaskData.size()) - 1;
  RecalcNonClient(edit);
  QApplication::processEvents();
  EXPECT_EQ(adapter->BorderWidth(), qtBand + 3);
  // The line edit's text moves in by the difference.
  EXPECT_EQ(edit->textMargins().left(), 3);
  // A narrower skin border keeps Qt's band.
  md.WL = md.WT = md.WR = md.WB = 0;
  md.BorderWidth = 0;
  md.R = Bounds(4, 0, 0, 4);
  RecalcNonClient(edit);
  QApplication::processEvents();
  EXPECT_EQ(adapter->BorderWidth(), qtBand);
  EXPECT_EQ(edit->textMargins().left(), 0);
}

// The top-level window hears skin command 25 about a changed control.
TEST_F(EditAdaptersTest, TopParentHearsOfChange) {
  std::vector<unsigned> heard;
  WindowProcHandle hook = InstallWindowProc(&form, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg) heard.push_back(HIWORD(m.WParam));
    previous(m);
  });
  NotifyTopParentChanged(edit);
  RemoveWindowProc(hook);
  EXPECT_EQ(heard, std::vector<unsigned>{acControlChanged});
}

// Sub-command 8 takes its switch from wParam's low word (lParam 0) on every
// kind that leaves it to the scroll-bar adapter.
TEST_F(EditAdaptersTest, SetUpdatingReadsWParamOnEveryScrollingKind) {
  using Make = std::function<TacAdapterPtr<TacMainWnd>(QWidget*)>;
  const auto make = [this](auto tag) -> Make {
    using T = typename decltype(tag)::type;
    return [this](QWidget* w) {
      return TacAdapterPtr<TacMainWnd>(TacMainWnd::Create<T>(w, nullptr, manager.get(), "EDIT", true).release());
    };
  };
  const struct {
    const char* name;
    QWidget* window;
    Make create;
  } rows[] = {
      {"edit", new QLineEdit(&form), make(std::type_identity<TacEditWnd>())},
      {"list", new QListWidget(&form), make(std::type_identity<TacListViewWnd>())},
      {"tree", new QTreeWidget(&form), make(std::type_identity<TacTreeViewWnd>())},
      {"grid", new QTableWidget(3, 3, &form), make(std::type_identity<TacGridWnd>())},
      {"combo", new QComboBox(&form), make(std::type_identity<TacComboBoxWnd>())},
      {"combo list", new QListWidget(&form), make(std::type_identity<TacComboListWnd>())},
      {"MDI client", new QMdiArea(&form), make(std::type_identity<TacMDIWnd>())},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.window->setGeometry(10, 80, 120, 80);
    row.window->show();
    TacAdapterPtr<TacMainWnd> a = row.create(row.window);
    ASSERT_TRUE(a && a->SkinData() && a->SkinData()->Skinned());
    SendMessage(row.window, SkinCommandMsg, MAKEWPARAM(1, acSetUpdating), 0);
    EXPECT_TRUE(a->SkinData()->UpdatingFlag());
    SendMessage(row.window, SkinCommandMsg, MAKEWPARAM(0, acSetUpdating), 1);
    EXPECT_FALSE(a->SkinData()->UpdatingFlag());
  }
}
