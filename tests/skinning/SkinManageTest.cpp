// The skin manager (deferred actions, which windows it skins, the skin
// chosen for a window) and skinned popup menus and items.
#include "TestSkins.h"

#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinning/BuiltinImages.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenu.h"
#include "skinning/WinSkinStyle.h"
#include "skinning/WinSubClass.h"
#include "tools/skin/ProgramSkin.h"

#include "platform_gui/Pixels.h"

#include <QApplication>
#include <QMenu>
#include <QCommonStyle>
#include <QMessageBox>
#include <QStyleOptionMenuItem>

#include <gtest/gtest.h>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

const QColor kFrame(200, 0, 0), kInside(0, 200, 0), kSelected(0, 0, 200), kMenu(9, 8, 7);

// Menu items: frame 1 key-coloured (the background shows), frame 2 a
// separator of numbered rows, frame 4 a solid colour; the background: a
// 3-pixel frame around its inside.
std::string MenuSkin(bool withItems = true, bool withSeparator = true) {
  QImage items = Frames(20, 40, {Qt::magenta, Qt::magenta, Qt::magenta, kSelected, Qt::magenta});
  for (int y = 0; y < 40 && withSeparator; ++y)
    for (int x = 20; x < 40; ++x) items.setPixel(x, y, qRgb(x, y, 7));
  QImage back = Solid(40, 40, kFrame);
  for (int y = 3; y < 37; ++y)
    for (int x = 3; x < 37; ++x) back.setPixelColor(x, y, kInside);
  const std::string itemIni = withItems ? "[MenuItem]\nImage=item.bmp\nTrans=1\nLeftWidth=3\nRightWidth=3\n" : "";
  return SkinOf("[Colours]\nMenu=9,8,7\nMenuText=0,0,0\nButtonText=1,2,3\nHilight=5,5,5\n" + itemIni +
                    "[MenuBackground]\nImage=back.bmp\nLeftWidth=3\nTopHeight=3\nRightWidth=3\nBottomHeight=3\n",
                {{"item.bmp", items}, {"back.bmp", back}});
}

class SkinManageTest : public ::testing::Test {
 protected:
  // A main-form component with the menu skin, made known to the manager.
  std::unique_ptr<TSkinData> MainData(TSkinFormType type = sfMainform) {
    auto data = LoadSkinFile(MenuSkin());
    data->SkinFormtype = type;
    data->Loaded();
    return data;
  }
  void TearDown() override { FreeSkinManage(); }
};

bool Skinned(QWidget* w) { return SendMessage(w, SKIN_QUERYSKINNED) == 1; }

}  // namespace

TEST_F(SkinManageTest, DeferredActions) {
  auto data = MainData();
  TSkinManage& m = *SkinManage();
  int changed = 0;
  data->OnSkinChanged = [&](QObject*) { ++changed; };
  QWidget form;
  form.resize(120, 80);
  form.show();
  // Before skinning was ever on, skin-all and unskin-all only switch the flag.
  m.PostAction(TSkinManage::kSkinAll, 250);
  EXPECT_TRUE(m.Enabled());
  EXPECT_FALSE(m.ActionPending());
  m.PostAction(TSkinManage::kUnskinAll, 250);
  EXPECT_FALSE(m.Enabled());

  // Switched on: skinning starts as windows activate; later posts wait.
  data->SetActive(true);
  EXPECT_EQ(m.State(), 1);
  EXPECT_TRUE(m.Enabled());
  EXPECT_FALSE(m.ActionPending());
  m.SetCurrentSkinData(data.get());
  m.PostAction(TSkinManage::kSkinAll, 250);
  EXPECT_TRUE(m.ActionPending());
  m.OnTimer();
  EXPECT_TRUE(Skinned(&form));
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(m.CurrentSkinData(), nullptr);

  // A second post replaces the first: only unskinning runs.
  m.SetCurrentSkinData(data.get());
  m.PostAction(TSkinManage::kRefresh, 250);
  data->SetActive(false);
  EXPECT_EQ(m.PendingAction(), TSkinManage::kUnskinAll);
  m.OnTimer();
  EXPECT_FALSE(Skinned(&form));
  EXPECT_TRUE(m.Forms().empty());
  EXPECT_EQ(changed, 2);
  m.OnTimer();
  EXPECT_EQ(changed, 2) << "without a current skin data nothing runs";
}

TEST_F(SkinManageTest, WindowsTheManagerRefuses) {
  auto data = MainData();
  TSkinManage& m = *SkinManage();
  QWidget form, tagged, parent, empty;
  QWidget* child = new QWidget(&parent);
  for (QWidget* w : {&form, &tagged, &parent}) {
    w->resize(100, 60);
    w->show();
  }
  SetTag(&tagged, 99);
  empty.resize(0, 0);
  EXPECT_FALSE(m.AddForm(&form)) << "not enabled";
  m.SetEnabled(true);
  EXPECT_FALSE(m.AddForm(&tagged));
  EXPECT_FALSE(m.AddForm(child));
  EXPECT_FALSE(m.AddForm(&empty)) << "zero area";
  ASSERT_TRUE(m.AddForm(&form));
  EXPECT_FALSE(m.AddForm(&form)) << "once";
  EXPECT_TRUE(Skinned(&form));
  EXPECT_EQ(m.FindForm(&form)->SkinData(), data.get());
  data->OnFormSkin = [](QObject*, const QString& name, bool& doSkin) { doSkin = name == "TForm"; };
  QWidget other;
  other.resize(50, 50);
  EXPECT_FALSE(m.AddForm(&other)) << "the component's filter";
  EXPECT_EQ(data->LastFilteredWindow(), &other);

  // A component going with an action pending drops it and unskins its forms.
  m.SetCurrentSkinData(data.get());
  m.SetState(1);
  m.PostAction(TSkinManage::kRefresh, 250);
  data.reset();
  EXPECT_FALSE(m.ActionPending());
  EXPECT_EQ(m.CurrentSkinData(), nullptr);
  EXPECT_FALSE(Skinned(&form));
  EXPECT_EQ(m.FindForm(&form), nullptr);
}

TEST_F(SkinManageTest, SkinChosenForAWindow) {
  QWidget own, plain;
  QMessageBox box;
  const TSkinFormType types[] = {sfDialog, sfOnlyThisForm, sfMainform, sfDialog, sfMainform, sfOnlyThisForm};
  std::vector<std::unique_ptr<TSkinData>> d;
  for (TSkinFormType t : types) {
    d.push_back(std::make_unique<TSkinData>(t == sfOnlyThisForm ? &own : nullptr));
    d.back()->SkinFormtype = t;
  }
  TSkinManage& m = CreateSkinManage();
  EXPECT_EQ(m.FindSkinData(&plain), nullptr);
  m.RegisterSkinData(d[0].get());
  EXPECT_EQ(m.FindSkinData(&plain), d[0].get()) << "the first registered when no type fits";
  for (auto& data : d) m.RegisterSkinData(data.get());
  EXPECT_EQ(m.FindSkinData(&own), d[5].get());
  EXPECT_EQ(m.FindSkinData(&box), d[3].get());
  EXPECT_EQ(m.FindSkinData(&plain), d[4].get());
  EXPECT_EQ(m.MainSkinData(), d[2].get());
  d[2].reset();
  EXPECT_EQ(m.MainSkinData(), d[4].get());
}

TEST_F(SkinManageTest, PopupsByMenuModeAndTheOpenMenuFrameAndItems) {
  const struct {
    int Mode;
    TSkinControlTypes Kinds;
    bool Skinned;
  } rows[] = {{TSkinManage::kContextMenu, DefaultSkinControls(), true},
              {TSkinManage::kContextMenu, TSkinControlTypes{xcMainMenu, xcSystemMenu}, false},
              {TSkinManage::kMenuBarDropDown, TSkinControlTypes{xcMenuItem}, true},
              {TSkinManage::kMenuBarDropDown, TSkinControlTypes{xcPopupMenu, xcSystemMenu}, false},
              {TSkinManage::kSystemMenu, TSkinControlTypes{xcMainMenu, xcPopupMenu}, false},
              {TSkinManage::kSystemMenu, TSkinControlTypes{xcSystemMenu}, true}};
  auto data = MainData();
  SkinManage()->SetEnabled(true);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Mode);
    data->SkinControls = row.Kinds;
    SkinManage()->SetMenuMode(row.Mode);
    QMenu menu;
    menu.addAction("One");
    menu.popup(QPoint(10, 10));
    EXPECT_EQ(Skinned(&menu), row.Skinned);
    EXPECT_EQ(menu.style() == data->Style(), row.Skinned);
    menu.hide();
    EXPECT_FALSE(Skinned(&menu)) << "restored when hidden";
    EXPECT_NE(menu.style(), data->Style());
    EXPECT_EQ(SkinManage()->MenuMode(), TSkinManage::kContextMenu);
  }
  // Open, a skinned menu shows the frame and its items.
  data->SkinControls = DefaultSkinControls();
  QMenu menu;
  menu.addAction("One");
  menu.addAction("Two");
  menu.popup(QPoint(10, 10));
  ASSERT_TRUE(Skinned(&menu));
  EXPECT_EQ(menu.size(), menu.sizeHint()) << "laid out again for the skin";
  const QRect one = menu.actionGeometry(menu.actions()[0]), two = menu.actionGeometry(menu.actions()[1]);
  menu.setActiveAction(menu.actions()[1]);
  const Bitmap shot = Bitmap::FromQImage(menu.grab().toImage());
  const TColor frame = Colour(kFrame), inside = Colour(kInside);
  for (auto [x, y] : {std::pair{0, 0}, {2, menu.height() / 2}, {menu.width() - 1, menu.height() - 3}})
    EXPECT_EQ(shot.GetPixel(x, y), frame) << x << "," << y;
  EXPECT_EQ(shot.GetPixel(one.right() - 2, one.top() + 1), inside) << "an item on the background";
  EXPECT_EQ(shot.GetPixel(two.right() - 2, two.top() + 1), Colour(kSelected)) << "the selected item";
  const TRect caption = pixels::ColorBox(shot, clBlack);  // MenuText
  EXPECT_TRUE(caption.Top >= one.top() && caption.Bottom <= one.bottom() + 1) << caption;
  EXPECT_GE(caption.Left, one.left() + 1 + 3 + 16 + 3) << "right of the glyph square";
  menu.hide();
}

// A separator in an open skinned menu, half a menu row high, shows the
// line its skin gives (the skin's bottom rows), or the plain etched line
// where the skin gives none.
TEST_F(SkinManageTest, SeparatorsShowALine) {
  const TColor etched = GetSysColor(COLOR_BTNSHADOW);
  const struct {
    const char* Skin;
    std::string File;
    TColor Line, Mask;  // the line's colour where the mask has bits
  } rows[] = {{"numbered separator", MenuSkin(), RGB(0, 35, 7), RGB(0, 255, 255)},  // row 4 of the bottom 9
              {"the program's", skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin()), 0, 0},
              {"empty separator", MenuSkin(true, false), etched, 0xFFFFFF},
              {"no menu items", MenuSkin(false), etched, 0xFFFFFF}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Skin);
    auto data = LoadSkinFile(row.File);
    data->SkinFormtype = sfMainform;
    data->Loaded();
    SkinManage()->SetEnabled(true);
    QMenu menu;
    menu.addAction("One");
    menu.addSeparator();
    menu.addAction("Two");
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(Skinned(&menu));
    const QRect separator = menu.actionGeometry(menu.actions()[1]);
    EXPECT_EQ(separator.height(), 9);
    const Bitmap shot = Bitmap::FromQImage(menu.grab().toImage());
    const int x = separator.center().x();
    const TColor line = shot.GetPixel(x, separator.top() + 4);
    EXPECT_NE(line, shot.GetPixel(x, separator.top() + 1)) << "no line";
    EXPECT_EQ(line & row.Mask, row.Line) << std::hex << line;
    menu.hide();
    data.reset();
    FreeSkinManage();
  }
}

TEST_F(SkinManageTest, MenuItemRoutines) {
  auto data = MainData();
  // Widened by LeftWidth (3) and 10 or 12 with images, else 35.
  for (int images : {0, 16}) {
    TSkinMenuItem measured;
    measured.ImagesWidth = images;
    int w1 = 100, w2 = 100, h = 20;
    MeasureSkinMenuItem(*data, measured, w1, h);
    MeasureSkinMenuItem2(*data, measured, w2, h);
    EXPECT_EQ(w1, images ? 113 : 138);
    EXPECT_EQ(w2, images ? 115 : 138);
    EXPECT_EQ(h, 20);
  }
  // A text that starts with its shortcut has no caption.
  QStyleOptionMenuItem shortcutOnly;
  shortcutOnly.text = QStringLiteral("\tCtrl+A");
  shortcutOnly.reservedShortcutWidth = 20;
  QMenu menu;
  const TSkinMenuItem fromOption = MenuItemFromOption(shortcutOnly, &menu);
  EXPECT_EQ(std::pair(fromOption.Caption, fromOption.ShortCut), std::pair(QString(), QStringLiteral("Ctrl+A")));
  // A separator 9 pixels high from a 40-pixel image: its bottom 9 rows.
  Bitmap b = pixels::White(30, 9);
  DrawSkinMenuSeparator(*data, b.GetCanvas(), Rect(0, 0, 30, 9));
  b.GetCanvas().EndPainting();
  for (int y = 0; y < 9; ++y) {
    EXPECT_EQ(b.GetPixel(0, y), RGB(20, 31 + y, 7));
    EXPECT_EQ(b.GetPixel(29, y), RGB(39, 31 + y, 7));
  }
  // Items without a popup background stand on the Menu colour; a ticked
  // item whose image is not among the menu's shows the tick.
  QImage red = Solid(16, 16, Qt::red);
  TSkinMenuItem item;
  item.Caption = "Item";
  item.Checked = true;
  item.ImagesWidth = 16;
  const struct {
    QIcon Image;
    bool Selected;
    TColor Back;
    bool Tick, Picture;
  } rows[] = {{QIcon(), false, Colour(kMenu), true, false},
              {QIcon(QPixmap::fromImage(red)), false, Colour(kMenu), false, true},
              {QIcon(), true, Colour(kSelected), true, false}};
  for (const auto& row : rows) {
    item.Image = row.Image;
    Bitmap out = pixels::White(120, 22);
    DrawSkinPopupItem(*data, item, out.GetCanvas(), row.Selected, Rect(0, 0, 120, 22));
    out.GetCanvas().EndPainting();
    EXPECT_EQ(out.GetPixel(118, 1), row.Back);
    const TRect square = Bounds(1 + 3, 1, 16, 16);  // in by 1 and the element's LeftWidth
    const TRect tick = pixels::ColorBox(out, RGB(1, 2, 3));
    EXPECT_EQ(!tick.IsEmpty() && IntersectRect(tick, square) == tick, row.Tick) << tick;
    EXPECT_EQ(out.GetPixel(square.Left + 8, 11) == clRed, row.Picture);
  }
  // Without a "MenuItem" image the plain item: Hilight when selected.
  const auto plain = LoadSkinFile(MenuSkin(false));
  Bitmap out = pixels::White(60, 20);
  DrawSkinPopupItem(*plain, item, out.GetCanvas(), true, Rect(0, 0, 60, 20));
  out.GetCanvas().EndPainting();
  EXPECT_EQ(out.GetPixel(58, 1), RGB(5, 5, 5));
}

// A style is given back only while the widget still wears the one put on
// it: a style another part of the program set since stays.
TEST_F(SkinManageTest, StylesAreGivenBackOnlyWhileStillWorn) {
  QCommonStyle skin, own, later;
  QWidget plain, owned, changed, changedAll;
  owned.setStyle(&own);
  {
    TStyleSwitch styles;
    for (QWidget* w : {&plain, &owned, &changed, &changedAll}) styles.Use(w, &skin);
    EXPECT_EQ(plain.style(), &skin);
    changed.setStyle(&later);
    styles.Restore(&plain);
    styles.Restore(&owned);
    styles.Restore(&changed);
    EXPECT_FALSE(plain.testAttribute(Qt::WA_SetStyle));
    EXPECT_EQ(owned.style(), &own);
    EXPECT_EQ(changed.style(), &later);
    styles.Use(&plain, &skin);
    changedAll.setStyle(&later);
  }  // RestoreAll
  EXPECT_FALSE(plain.testAttribute(Qt::WA_SetStyle));
  EXPECT_EQ(changedAll.style(), &later);
  changed.setStyle(nullptr);
  changedAll.setStyle(nullptr);
  owned.setStyle(nullptr);
}

TEST_F(SkinManageTest, APopupGivesBackOnlyItsOwnStyle) {
  auto data = MainData();
  QCommonStyle later;
  QMenu kept, changed;
  {
    TWinSkinPopMenu a(&kept, data.get(), false, 0), b(&changed, data.get(), false, 0);
    a.Start();
    b.Start();
    ASSERT_EQ(kept.style(), data->Style());
    ASSERT_EQ(changed.style(), data->Style());
    changed.setStyle(&later);  // another painter's style set after the skin's
  }
  EXPECT_FALSE(kept.testAttribute(Qt::WA_SetStyle));
  EXPECT_EQ(changed.style(), &later);
  changed.setStyle(nullptr);
}

// A popup's background is drawn again whenever either side changes.
TEST_F(SkinManageTest, APopupsBackgroundFollowsItsSize) {
  auto data = MainData();
  QMenu menu;
  TWinSkinPopMenu popup(&menu, data.get(), false, 0);
  for (const QSize size : {QSize(100, 50), QSize(140, 50), QSize(140, 70)}) {
    menu.resize(size);
    const Bitmap& back = popup.Background();
    EXPECT_EQ(QSize(back.Width(), back.Height()), size);
  }
}
