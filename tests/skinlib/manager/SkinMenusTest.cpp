// The menu painter: item kinds and sizes, hooking menus through its style
// (what the application set stays), the extra line and its query, the
// skin's border width across skin changes, the guarded popup request, and
// a skinned popup painted.
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QActionGroup>
#include <QApplication>
#include <QCommonStyle>
#include <QDir>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using platform::Bitmap;
using platform::TFont;
using platform::TRect;

namespace {

int CalcWidth(const TFont& font, const QString& text) {
  Bitmap scratch(1, 1, platform::pf24bit);
  platform::Canvas& c = scratch.GetCanvas();
  c.Font = font;
  TRect r{0, 0, 0, 0};
  c.DrawText(text, r, platform::DT_CALCRECT | platform::DT_NOCLIP | platform::DT_EXPANDTABS | platform::DT_SINGLELINE);
  return r.Right - r.Left;
}

QIcon Icon16() {
  QPixmap pixmap(16, 16);
  pixmap.fill(QColor(40, 120, 200));
  return QIcon(pixmap);
}

QColor Rgb(int color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

bool Near(const QColor& a, const QColor& b, int tolerance = 6) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

class SkinMenusTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { platform::RunUnitStartups(); }
  static void TearDownTestSuite() { platform::FinishUnits(); }

  void SetUp() override {
    QString error;
    const QString root = QString::fromStdString(dir.Path());
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::MenuSkin(), root + "/Menus", &error)) << error.toStdString();
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::MenuSkin(0), root + "/MenusBw0", &error));
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::DemoSkin(), root + "/Demo", &error));
    sm = std::make_unique<TsSkinManager>();
    sm->SetSkinDirectory(root);
    sm->SetSkinName("Menus");
    ASSERT_TRUE(sm->SkinData->Active);
  }
  void TearDown() override {
    sm.reset();
    MenuGlobals().CustomMenuFont.reset();
  }
  TsSkinableMenus& menus() { return sm->SkinableMenus(); }

  testsupport::TempDir dir;
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<TsSkinManager> sm;
};

TEST(MenuItemKind, ByCaption) {
  const struct {
    const char* caption;
    TacMenuItemKind kind;
  } cases[] = {
      {"-", TacMenuItemKind::Separator}, {"-Title-", TacMenuItemKind::Title}, {"--", TacMenuItemKind::Title},
      {"-x", TacMenuItemKind::Normal},   {"x-", TacMenuItemKind::Normal},     {"", TacMenuItemKind::Normal},
      {"File", TacMenuItemKind::Normal},
  };
  for (const auto& c : cases) EXPECT_EQ(MenuItemKind(QString::fromUtf8(c.caption)), c.kind) << c.caption;
}

TEST_F(SkinMenusTest, ItemHeightsByKind) {
  QMenu menu;
  QAction* separator = menu.addSeparator();
  QAction* title = menu.addAction("-Title-");
  QAction* dashed = menu.addAction("-x");
  QAction* withIcon = menu.addAction(Icon16(), "Icon");
  const TFont font = menus().MenuFont(nullptr);
  Bitmap scratch(1, 1, platform::pf24bit);
  scratch.GetCanvas().Font = font;
  const int text = int(std::lround(scratch.GetCanvas().TextHeight("W") * 1.25));
  EXPECT_EQ(menus().MeasurePopupItem(separator, &menu).height(), 2);
  EXPECT_EQ(menus().MeasurePopupItem(title, &menu).height(), text + 4);
  EXPECT_EQ(menus().MeasurePopupItem(dashed, &menu).height(), std::max(text, 16) + 4);
  menus().Margin = 5;
  EXPECT_EQ(menus().MeasurePopupItem(withIcon, &menu).height(), std::max(text, 16) + 10);
  // A title is measured with its dashes around it.
  EXPECT_EQ(TsSkinableMenus::MeasureText(title), "--Title--");
  EXPECT_EQ(TsSkinableMenus::MeasureText(separator), "");
}

TEST_F(SkinMenusTest, PopupItemWidth) {
  QMenu menu;
  QAction* item = menu.addAction(Icon16(), "Analyse");
  const int text = CalcWidth(menus().MenuFont(item), "Analyse");
  // 2 x image + text + 3 x Margin + Spacing: with text 50 wide, 94.
  const int width = menus().MeasurePopupItem(item, &menu).width();
  EXPECT_EQ(width, 2 * 16 + text + 3 * 2 + 6);
  EXPECT_EQ(width - text + 50, 94);
  // Without an icon the image column is 16 wide all the same.
  QAction* plain = menu.addAction("Analyse");
  EXPECT_EQ(menus().MeasurePopupItem(plain, &menu).width(), width);
  // A shortcut is measured with the caption.
  QAction* shortcut = menu.addAction("Analyse\tCtrl+A");
  EXPECT_EQ(menus().MeasurePopupItem(shortcut, &menu).width(),
            2 * 16 + CalcWidth(menus().MenuFont(shortcut), "AnalyseCtrl+A") + 12);
}

TEST_F(SkinMenusTest, TheExtraLineWidensItemsBeforeABreak) {
  QMenu menu;
  QAction* first = menu.addAction("One");
  QAction* second = menu.addAction("Two");
  const int plain = menus().MeasurePopupItem(first, &menu).width();
  EXPECT_EQ(menus().ExtraLineWidth(&menu), 0);
  sm->MenuSupport().UseExtraLine = true;
  second->setProperty("Break", true);
  EXPECT_EQ(menus().ExtraLineWidth(&menu), 32);
  EXPECT_EQ(menus().MeasurePopupItem(first, &menu).width(), plain + 32);
  EXPECT_EQ(menus().MeasurePopupItem(second, &menu).width(),
            2 * 16 + CalcWidth(menus().MenuFont(second), "Two") + 12);
  sm->MenuSupport().UseExtraLine = false;
  EXPECT_EQ(menus().MeasurePopupItem(first, &menu).width(), plain);
}

TEST_F(SkinMenusTest, PopupSizeByColumns) {
  QMenu menu;
  QAction* a = menu.addAction("Alpha");
  QAction* b = menu.addAction("Be");
  menu.addSeparator();
  QAction* c = menu.addAction("Gamma-long caption");
  QAction* hidden = menu.addAction("Hidden and very very long");
  hidden->setVisible(false);
  const auto w = [&](QAction* x) { return menus().MeasurePopupItem(x, &menu).width(); };
  const auto h = [&](QAction* x) { return menus().ItemHeight(x); };
  const int oneColumn = std::max({w(a), w(b), 2 * 16 + 12, w(c)}) + 12;
  EXPECT_EQ(menus().PopupWidth(&menu), oneColumn);
  EXPECT_EQ(menus().PopupHeight(&menu), h(a) + h(b) + 2 + h(c));
  c->setProperty("Break", true);
  EXPECT_EQ(menus().PopupWidth(&menu), std::max({w(a), w(b), 2 * 16 + 12}) + 12 + 4 + w(c) + 12);
  EXPECT_EQ(menus().PopupHeight(&menu), std::max(h(a) + h(b) + 2, h(c)));
}

TEST_F(SkinMenusTest, TopLineWidthLeavesOutAmpersands) {
  QMenuBar bar;
  QAction* mnemonic = bar.addAction("&File");
  QAction* doubled = bar.addAction("F&&ile");
  QAction* iconed = bar.addAction(Icon16(), "&File");
  const int text = CalcWidth(menus().MenuFont(nullptr), "File");
  EXPECT_EQ(menus().MeasureMenuLineItem(mnemonic, &bar), QSize(text, platform::GetSystemMetrics(platform::SM_CYMENU) - 1));
  EXPECT_EQ(menus().MeasureMenuLineItem(doubled, &bar).width(), text);
  EXPECT_EQ(menus().MeasureMenuLineItem(iconed, &bar).width(), text + 16 + 6);
  EXPECT_EQ(menus().ImageSize(mnemonic, true), QSize(0, 0));
  EXPECT_EQ(menus().ImageSize(mnemonic, false), QSize(16, 16));
}

TEST_F(SkinMenusTest, HookingKeepsTheApplicationsOwnStyles) {
  QMenu plain, own;
  QCommonStyle ownStyle;
  own.setStyle(&ownStyle);
  QMenu* sub = plain.addMenu("Sub");
  menus().HookPopupMenu(&plain, true);
  menus().HookPopupMenu(&own, true);
  EXPECT_TRUE(menus().Hooks(&plain));
  EXPECT_TRUE(menus().Hooks(sub));
  EXPECT_FALSE(menus().Hooks(&own));
  EXPECT_EQ(own.style(), &ownStyle);
  menus().HookPopupMenu(&plain, false);
  menus().HookPopupMenu(&own, false);
  EXPECT_FALSE(plain.testAttribute(Qt::WA_SetStyle));
  EXPECT_FALSE(sub->testAttribute(Qt::WA_SetStyle));
  EXPECT_EQ(own.style(), &ownStyle);
  // A style the application sets on a hooked menu is not taken away.
  menus().HookPopupMenu(&plain, true);
  QCommonStyle later;
  plain.setStyle(&later);
  menus().HookPopupMenu(&plain, false);
  EXPECT_EQ(plain.style(), &later);
  plain.setStyle(nullptr);
}

TEST_F(SkinMenusTest, AControlsContextMenuIsHookedThroughTheSharedControlData) {
  QMenu menu;
  CommonDataSeams().HookPopupMenu(sm.get(), &menu, true);
  EXPECT_TRUE(menus().Hooks(&menu));
  CommonDataSeams().HookPopupMenu(nullptr, &menu, false);  // the default manager
  EXPECT_FALSE(menus().Hooks(&menu));
}

TEST_F(SkinMenusTest, HookingItemsAndMainMenus) {
  QMenuBar bar;
  QMenu* file = bar.addMenu("&File");
  QAction* open = file->addAction("Open");
  QMenu* recent = file->addMenu("Recent");
  // A top-line item hooks its bar, a popup item its popup.
  menus().HookMenuItem(bar.actions().front(), true);
  EXPECT_TRUE(menus().Hooks(&bar));
  EXPECT_FALSE(menus().Hooks(file));
  menus().HookMenuItem(open, true);
  EXPECT_TRUE(menus().Hooks(file));
  menus().HookMenuItem(open, false);
  menus().HookMenuItem(bar.actions().front(), false);
  EXPECT_FALSE(menus().Hooks(file) || menus().Hooks(&bar));
  // An item's children, down the sub-menus.
  menus().HookMenuItemChildren(bar.actions().front(), true);
  EXPECT_TRUE(menus().Hooks(file) && menus().Hooks(recent));
  EXPECT_FALSE(menus().Hooks(&bar));
  menus().HookMenuItemChildren(bar.actions().front(), false);
  EXPECT_FALSE(menus().Hooks(file) || menus().Hooks(recent));
  // A main menu only while the skin is active and popups are skinned.
  menus().HookMainMenu(&bar, true);
  EXPECT_TRUE(menus().Hooks(&bar));
  menus().HookMainMenu(&bar, false);
  sm->SetSkinnedPopups(false);
  menus().HookMainMenu(&bar, true);
  EXPECT_FALSE(menus().Hooks(&bar));
  menus().HookMenuItem(open, true);  // popup items need skinned popups too
  EXPECT_FALSE(menus().Hooks(file));
}

TEST_F(SkinMenusTest, TopLineItemsOverTheProvidersLine) {
  QWidget form;
  auto* bar = new QMenuBar(&form);
  QAction* file = bar->addMenu("&File")->menuAction();
  QAction* edit = bar->addMenu("&Edit")->menuAction();
  bar->resize(300, 24);
  menus().HookMainMenu(bar, true);
  ASSERT_TRUE(menus().Hooks(bar));
  form.show();
  // Without the provider's line Qt paints the items.
  QImage scratch(40, 20, QImage::Format_RGB32);
  QPainter painter(&scratch);
  QStyleOptionMenuItem option;
  option.rect = QRect(0, 0, 40, 20);
  EXPECT_FALSE(menus().DrawMenuLineItem(painter, option, bar, file));
  Bitmap line(400, 60, platform::pf24bit);
  line.Fill(qRgb(10, 200, 30));
  MenuLineImageSeam() = [&](QWidget* w) { return w == bar ? TacMenuLineImage{&line, {5, 7}} : TacMenuLineImage{}; };
  bar->setActiveAction(edit);
  const QImage shot = bar->grab().toImage();
  const QRect fileRect = bar->actionGeometry(file), editRect = bar->actionGeometry(edit);
  // See-through items show the line; the hot one MENUITEM's hot colour.
  EXPECT_TRUE(Near(shot.pixelColor(fileRect.left() + 1, fileRect.top() + 1), QColor(10, 200, 30)))
      << shot.pixelColor(fileRect.left() + 1, fileRect.top() + 1).name().toStdString();
  EXPECT_TRUE(Near(shot.pixelColor(editRect.left() + 1, editRect.top() + 1), Rgb(testskins::kMenuHotColor)))
      << shot.pixelColor(editRect.left() + 1, editRect.top() + 1).name().toStdString();
  MenuLineImageSeam() = nullptr;
  bar->setActiveAction(nullptr);
}

// An application style that shows no accelerator underlines now.
class NoUnderlines : public QProxyStyle {
 public:
  NoUnderlines() : QProxyStyle(QStringLiteral("Fusion")) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    return hint == SH_UnderlineShortcut ? 0 : QProxyStyle::styleHint(hint, option, widget, data);
  }
};

// An item as a painter draws it, alone in an image.
QImage Painted(const std::function<bool(QPainter&, const QStyleOptionMenuItem&)>& draw, QStyle::State state) {
  QStyleOptionMenuItem option;
  option.rect = QRect(0, 0, 90, 20);
  option.state = state;
  QImage image(option.rect.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  EXPECT_TRUE(draw(painter, option));
  return image;
}

// A popup item and a menu-line item, both hooked, the line's image (a
// plain green) behind the latter; each drawn alone by its painter.
struct ItemOnEachPainter {
  ItemOnEachPainter(TsSkinableMenus& m, const char* popupCaption, const char* lineCaption)
      : menus(m), popupItem(menu.addAction(popupCaption)), lineItem(bar.addAction(lineCaption)) {
    menu.resize(150, 60);
    menus.HookPopupMenu(&menu, true);
    menus.HookMainMenu(&bar, true);
    line.Fill(qRgb(10, 200, 30));
    MenuLineImageSeam() = [this](QWidget*) { return TacMenuLineImage{&line, {0, 0}}; };
  }
  ~ItemOnEachPainter() { MenuLineImageSeam() = nullptr; }
  QImage Popup(QStyle::State state) {
    return Painted(
        [&](QPainter& p, const QStyleOptionMenuItem& o) { return menus.DrawPopupItem(p, o, &menu, popupItem); },
        state);
  }
  QImage OnLine(QStyle::State state) {
    return Painted(
        [&](QPainter& p, const QStyleOptionMenuItem& o) { return menus.DrawMenuLineItem(p, o, &bar, lineItem); },
        state);
  }

  TsSkinableMenus& menus;
  QMenu menu;
  QMenuBar bar;
  QAction* popupItem;
  QAction* lineItem;
  Bitmap line{300, 40, platform::pf24bit};
};

// Both painters hide the accelerator underline when the item says no
// accelerators, and blend a disabled item with its background; a
// disabled popup item is never hot.
TEST_F(SkinMenusTest, DisabledItemsAndItemsWithoutAccelerators) {
  ItemOnEachPainter items(menus(), "&Open", "&File");
  menus().Style()->setBaseStyle(new NoUnderlines);
  const auto popup = [&](QStyle::State state) { return items.Popup(state); };
  const auto onLine = [&](QStyle::State state) { return items.OnLine(state); };
  const QImage popupKeys = popup(QStyle::State_Enabled), lineKeys = onLine(QStyle::State_Enabled);
  items.popupItem->setText("Open");
  items.lineItem->setText("File");
  EXPECT_EQ(popupKeys, popup(QStyle::State_Enabled));
  EXPECT_EQ(lineKeys, onLine(QStyle::State_Enabled));
  EXPECT_EQ(popup(QStyle::State_MouseOver), popup(QStyle::State_None));
  // The line's disabled item lies closer to the line behind it.
  const QImage enabled = onLine(QStyle::State_Enabled), disabled = onLine(QStyle::State_None);
  const auto distance = [](QRgb c) { return std::abs(qRed(c) - 10) + std::abs(qGreen(c) - 200) + std::abs(qBlue(c) - 30); };
  int text = 0;
  for (int y = 0; y < enabled.height(); ++y)
    for (int x = 0; x < enabled.width(); ++x)
      if (const int d = distance(enabled.pixel(x, y)); d > 60) {
        ++text;
        EXPECT_LT(distance(disabled.pixel(x, y)), d * 3 / 4) << x << "," << y;
      }
  EXPECT_GT(text, 0);
  MenuLineImageSeam() = nullptr;
}

// The user's OnDrawItem hears the item's state from both painters: a
// disabled item is disabled and grayed (on the line never selected).
TEST_F(SkinMenusTest, TheDrawItemEventHearsTheItemsState) {
  ItemOnEachPainter items(menus(), "Open", "File");
  std::vector<unsigned> heard;
  menus().OnDrawItem = [&](QAction*, platform::Canvas&, const TRect&, unsigned state, TacMenuItemKind) {
    heard.push_back(state & (odSelected | odDisabled | odGrayed));
  };
  const struct {
    bool onLine;
    QStyle::State state;
    unsigned told;
  } rows[] = {
      {false, QStyle::State_Enabled, 0},
      {false, QStyle::State_Enabled | QStyle::State_Selected, odSelected},
      {false, QStyle::State_None, odDisabled | odGrayed},
      {true, QStyle::State_Enabled, 0},
      {true, QStyle::State_Enabled | QStyle::State_Selected, odSelected},
      {true, QStyle::State_None, odDisabled | odGrayed},
      {true, QStyle::State_Selected, odDisabled | odGrayed},
  };
  for (const auto& row : rows) {
    heard.clear();
    row.onLine ? items.OnLine(row.state) : items.Popup(row.state);
    EXPECT_EQ(heard, std::vector<unsigned>{row.told}) << (row.onLine ? "line " : "popup ") << (&row - rows);
  }
  menus().OnDrawItem = nullptr;
}

// A popup that goes leaves nothing behind: it leaves the watched list, and
// its hide drops the requests of its items that were never handled.
TEST_F(SkinMenusTest, NothingOfAPopupStaysWhenItGoes) {
  QMenu holder;
  QAction* item = holder.addAction("One");
  holder.popup(QPoint(30, 30));
  ASSERT_TRUE(PostMenuItemPopup(item));
  EXPECT_EQ(WaitingMenuItemTickets(), 1u);
  holder.hide();
  EXPECT_EQ(WaitingMenuItemTickets(), 0u);
  QCoreApplication::processEvents();
  const size_t watched = WatchedPopupCount();
  for (int i = 0; i < 3; ++i) {
    QMenu gone;
    menus().HookPopupMenu(&gone, true);
    EXPECT_EQ(WatchedPopupCount(), watched + 1);
  }
  EXPECT_EQ(WatchedPopupCount(), watched);
}

TEST_F(SkinMenusTest, WithoutSkinnedPopupsNothingIsHooked) {
  sm->SetSkinnedPopups(false);
  QMenu menu;
  menus().HookPopupMenu(&menu, true);
  EXPECT_FALSE(menus().Hooks(&menu));
  EXPECT_FALSE(menu.property("MenuAnimation").toStringList().contains("maNone"));
}

TEST_F(SkinMenusTest, PopupAnimationIsOffWhileHooked) {
  QMenu animated, alreadyOff;
  animated.setProperty("MenuAnimation", QStringList{"maTopToBottom"});
  alreadyOff.setProperty("MenuAnimation", QStringList{"maNone"});
  menus().HookPopupMenu(&animated, true);
  menus().HookPopupMenu(&alreadyOff, true);
  EXPECT_EQ(animated.property("MenuAnimation").toStringList(), (QStringList{"maTopToBottom", "maNone"}));
  EXPECT_EQ(menus().Style()->styleHint(QStyle::SH_Menu_FadeOutOnHide, nullptr, &animated, nullptr), 0);
  menus().HookPopupMenu(&animated, false);
  menus().HookPopupMenu(&alreadyOff, false);
  EXPECT_EQ(animated.property("MenuAnimation").toStringList(), QStringList{"maTopToBottom"});
  EXPECT_EQ(alreadyOff.property("MenuAnimation").toStringList(), QStringList{"maNone"});
}

TEST_F(SkinMenusTest, TheApplicationsMenusFollowTheSkin) {
  sm->SetActive(false);
  QWidget form;
  auto* bar = new QMenuBar(&form);
  QMenu* file = bar->addMenu("&File");
  file->addAction("Open");
  auto* popup = new QMenu(&form);
  popup->addAction("Copy");
  // Every menu there is when the skin comes is hooked.
  sm->SetActive(true);
  EXPECT_TRUE(menus().Active());
  EXPECT_TRUE(menus().Hooks(bar));
  EXPECT_TRUE(menus().Hooks(file));
  EXPECT_TRUE(menus().Hooks(popup));
  sm->SetActive(false);
  EXPECT_FALSE(menus().Active());
  EXPECT_FALSE(menus().Hooks(bar) || menus().Hooks(file) || menus().Hooks(popup));
}

TEST_F(SkinMenusTest, TheExtraLineQuery) {
  sm->MenuSupport().UseExtraLine = true;
  int calls = 0;
  QAction* asked = nullptr;
  bool use = true;
  sm->OnGetMenuExtraLineData = [&](QAction* first, QString& section, QString& caption,
                                   std::unique_ptr<Bitmap>&, bool& useExtraLine) {
    ++calls;
    asked = first;
    EXPECT_EQ(section, "EXTRALINE");
    EXPECT_EQ(caption, "Use OnGetExtraLineData event");
    useExtraLine = use;
  };
  QMenu menu;
  QAction* first = menu.addAction("One");
  EXPECT_EQ(menus().ExtraLineWidth(&menu), 32);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(asked, first);
  use = false;
  EXPECT_EQ(menus().ExtraLineWidth(&menu), 0);
  // A popup whose first item is "SkinSelectItem" never asks and shows none.
  QMenu select;
  select.addAction("Skin A")->setObjectName("SkinSelectItem");
  use = true;
  calls = 0;
  EXPECT_EQ(menus().ExtraLineWidth(&select), 0);
  EXPECT_EQ(calls, 0);
  // A handler that throws is reported, and the popup has no extra line.
  QMenu failing;
  failing.addAction("One");
  sm->OnGetMenuExtraLineData = [](QAction*, QString&, QString&, std::unique_ptr<Bitmap>&, bool&) {
    throw std::runtime_error("no extra line today");
  };
  EXPECT_EQ(menus().ExtraLineWidth(&failing), 0);
  ASSERT_FALSE(prompts.Calls.empty());
  EXPECT_TRUE(prompts.Calls.back().Text.contains("no extra line today"));
  select.resize(120, 60);
  EXPECT_FALSE(menus().PaintExtraLine(&select).UseExtraLine);
  EXPECT_EQ(calls, 0);
  TsSkinableMenus::ClearExtraLineCache();
}

TEST_F(SkinMenusTest, SkinBorderWidthFollowsEverySkin) {
  EXPECT_EQ(menus().SkinBorderWidth(), 4);
  sm->SetSkinName("Demo");  // no MAINMENU
  EXPECT_EQ(menus().SkinBorderWidth(), 0);
  sm->SetSkinName("MenusBw0");  // a border width below 1 counts as 3
  EXPECT_EQ(menus().SkinBorderWidth(), 3);
  sm->SetSkinName("Menus");
  EXPECT_EQ(menus().SkinBorderWidth(), 4);
  sm->SetActive(false);
  EXPECT_EQ(menus().SkinBorderWidth(), 0);
}

TEST_F(SkinMenusTest, APopupRequestForAVanishedItemIsDropped) {
  int handled = 0;
  QWidget* window = nullptr;
  const auto saved = ManagerSeams().HandlePopupWindow;
  ManagerSeams().HandlePopupWindow = [&](TsSkinManager*, QWidget* w) {
    ++handled;
    window = w;
  };
  QMenu holder;
  auto* item = new QAction("Gone", &holder);
  holder.addAction(item);
  holder.popup(QPoint(30, 30));
  ASSERT_TRUE(PostMenuItemPopup(item));
  EXPECT_FALSE(PostMenuItemPopup(item));  // one is waiting already
  delete item;
  QCoreApplication::processEvents();
  EXPECT_EQ(handled, 0);
  // A live item of a shown popup brings its popup window to the painter, once.
  QAction* live = holder.addAction("Live");
  ASSERT_TRUE(PostMenuItemPopup(live));
  QCoreApplication::processEvents();
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(window, &holder);
  TRect r;
  EXPECT_FALSE(ManagerSeams().MenuItemScreenRect(platform::LPARAM(1) << 40, r));  // unknown ticket
  holder.hide();
  ManagerSeams().HandlePopupWindow = saved;
}

TEST_F(SkinMenusTest, ASkinnedPopupIsPainted) {
  sm->MenuSupport().UseExtraLine = true;
  sm->MenuSupport().IcoLineSkin = "ICOLINE";
  sm->OnGetMenuExtraLineData = [](QAction*, QString&, QString& caption, std::unique_ptr<Bitmap>&, bool&) {
    caption = QStringLiteral("双色球 &Menu");
  };
  QMenu menu;
  menu.addAction("-Analysis-");
  QAction* open = menu.addAction(Icon16(), "&Open...\tCtrl+O");
  QAction* check = menu.addAction("Show grid");
  check->setCheckable(true);
  check->setChecked(true);
  auto* group = new QActionGroup(&menu);
  QAction* red = menu.addAction("Red balls");
  QAction* blue = menu.addAction("Blue ball");
  for (QAction* a : {red, blue}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  blue->setChecked(true);
  QAction* separator = menu.addSeparator();
  menu.addAction("Disabled")->setEnabled(false);
  menu.addAction("Close");
  menus().HookPopupMenu(&menu, true);
  ASSERT_TRUE(menus().Hooks(&menu));
  menu.popup(QPoint(20, 20));
  menu.setActiveAction(open);
  QCoreApplication::processEvents();
  const QImage shot = menu.grab().toImage();
  ASSERT_FALSE(shot.isNull());
  // The extra line runs down the left, the hot item in MENUITEM's hot colour.
  const int sbw = menus().SkinBorderWidth();
  EXPECT_TRUE(Near(shot.pixelColor(sbw + 2, shot.height() - 8), Rgb(testskins::kExtraLineColor)))
      << shot.pixelColor(sbw + 2, shot.height() - 8).name().toStdString();
  const QRect openRect = menu.actionGeometry(open);
  EXPECT_TRUE(Near(shot.pixelColor(openRect.right() - 3, openRect.center().y()), Rgb(testskins::kMenuHotColor)))
      << shot.pixelColor(openRect.right() - 3, openRect.center().y()).name().toStdString();
  // The divider's line from DIVIDERV.
  const QRect line = menu.actionGeometry(separator);
  EXPECT_EQ(line.height(), 2);
  EXPECT_TRUE(Near(shot.pixelColor(line.center().x(), line.top()), QColor(120, 140, 170)))
      << shot.pixelColor(line.center().x(), line.top()).name().toStdString();
  // A see-through item shows the popup's body.
  const QRect closeRect = menu.actionGeometry(menu.actions().back());
  EXPECT_TRUE(Near(shot.pixelColor(closeRect.right() - 3, closeRect.center().y()), Rgb(testskins::kMenuBodyColor)))
      << shot.pixelColor(closeRect.right() - 3, closeRect.center().y()).name().toStdString();
  // The image column's band lies right of the extra line.
  const int column = menus().BorderWidth + 32 + 2;
  EXPECT_TRUE(Near(shot.pixelColor(column, closeRect.center().y()), Rgb(testskins::kIcoLineColor)))
      << shot.pixelColor(column, closeRect.center().y()).name().toStdString();
  // Items are as wide as measured plus the band.
  EXPECT_GE(openRect.width(), menus().MeasurePopupItem(open, &menu).width());
  // Its first item's paint asked for the popup's region: the popup is
  // shaped by the border's corners once the request is handled.
  QCoreApplication::processEvents();
  QRegion region;
  ASSERT_NE(platform::GetWindowRgn(&menu, region), 0);
  const int w = menu.width(), h = menu.height();
  for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
    EXPECT_FALSE(region.contains(corner)) << corner.x() << "," << corner.y();
  EXPECT_TRUE(region.contains(QPoint(menu.width() / 2, menu.height() / 2)));
  if (const QByteArray shots = qgetenv("SSQ_SCREENSHOT_DIR"); !shots.isEmpty())
    testskins::CutByWindowRegion(shot, &menu).save(QDir(QString::fromLocal8Bit(shots)).filePath("skinlib-menu-popup.png"));
  menu.hide();
  menus().HookPopupMenu(&menu, false);
  EXPECT_FALSE(menus().Hooks(&menu));
}

// With a second manager made default every popup is shaped by the painter
// that drew it, all four corners cut: on its first item's request, on a
// window request that finds no border image (a non-default painter's popup
// too), after the first manager has gone, and by its own corners when a
// sub-menu of another size was painted after it.
TEST_F(SkinMenusTest, EveryPopupIsShapedByItsOwnPainterWhateverManagerIsDefault) {
  auto second = std::make_unique<TsSkinManager>();
  second->SetSkinDirectory(QString::fromStdString(dir.Path()));
  second->SetSkinName("Menus");
  second->SetIsDefault(true);
  QMenu ofSecond, ofFirst, parent;
  for (QMenu* m : {&ofSecond, &ofFirst, &parent}) {
    m->addAction("Open");
    m->addAction("Close");
  }
  // Wider and taller than its parent: its corners lie elsewhere.
  QMenu* sub = parent.addMenu("More");
  for (int i = 0; i < 8; ++i) sub->addAction(QStringLiteral("A sub-menu item with a long caption %1").arg(i));
  const auto cornersCut = [](QMenu& menu) {
    QRegion region;
    if (platform::GetWindowRgn(&menu, region) == 0) return std::string("no region");
    std::string kept;
    const int w = menu.width(), h = menu.height();
    for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
      if (region.contains(corner)) kept += " " + std::to_string(corner.x()) + "," + std::to_string(corner.y());
    if (!region.contains(QPoint(w / 2, h / 2))) kept += " the centre cut";
    return kept.empty() ? std::string("cut") : "kept" + kept;
  };
  const auto byItsFirstItem = [&](QMenu& menu) {
    menu.popup(QPoint(20, 20));
    QCoreApplication::processEvents();
    (void)menu.grab();
    QCoreApplication::processEvents();
    const std::string result = cornersCut(menu);
    menu.hide();
    return result;
  };
  // Hidden, the popup has no border image: the request paints one.
  const auto byItsWindow = [&](QMenu& menu) {
    menu.resize(120, 80);
    if (!PostPopupWindowMessage(kPopupWindowMsg, platform::LPARAM(&menu))) return std::string("not posted");
    QCoreApplication::processEvents();
    const std::string result = cornersCut(menu);
    platform::SetWindowRgn(&menu, std::nullopt, false);
    return result;
  };
  // The sub-menu is painted after its parent, before the parent's request
  // is handled (the sub-menu's own is not posted while that one waits).
  const auto beforeItsSubMenu = [&](QMenu& menu, QMenu& later) {
    menu.popup(QPoint(20, 20));
    (void)menu.grab();
    later.popup(QPoint(menu.width() + 60, 20));
    (void)later.grab();
    QCoreApplication::processEvents();
    const std::string result = cornersCut(menu);
    later.hide();
    menu.hide();
    return result;
  };
  second->SkinableMenus().HookPopupMenu(&ofSecond, true);
  menus().HookPopupMenu(&ofFirst, true);
  sm->SetSkinName("Demo");  // the first painter: no border, no corners
  EXPECT_EQ(byItsWindow(ofSecond), "cut");
  sm->SetSkinName("Menus");
  second->SetSkinName("Demo");
  EXPECT_EQ(byItsWindow(ofFirst), "cut") << "the first painter's popup";
  second->SetSkinName("Menus");
  EXPECT_EQ(byItsFirstItem(ofSecond), "cut");
  menus().HookPopupMenu(&ofFirst, false);
  sm.reset();
  EXPECT_EQ(byItsFirstItem(ofSecond), "cut") << "the first manager gone";
  EXPECT_EQ(byItsWindow(ofSecond), "cut") << "the first manager gone";
  second->SkinableMenus().HookPopupMenu(&parent, true);
  EXPECT_EQ(beforeItsSubMenu(parent, *sub), "cut") << "a parent, its sub-menu painted after it";
  second->SkinableMenus().HookPopupMenu(&parent, false);
  second->SkinableMenus().HookPopupMenu(&ofSecond, false);
}

// The system menu's commands without images get drawn glyphs in the item's
// font colour, 4 pixels from the left; other items and menus none.
TEST_F(SkinMenusTest, SystemMenuGlyphs) {
  QMenu menu;
  menu.setObjectName("SysMenu");
  const unsigned commands[] = {platform::SC_RESTORE, platform::SC_MINIMIZE, platform::SC_MAXIMIZE, platform::SC_CLOSE,
                               platform::SC_MOVE};
  std::vector<QAction*> items;
  for (unsigned command : commands) {
    items.push_back(menu.addAction(QStringLiteral("Item %1").arg(command)));
    platform::SetCommandId(items.back(), command);
  }
  menus().HookPopupMenu(&menu, true);
  menu.popup(QPoint(10, 10));
  QCoreApplication::processEvents();
  const QImage shot = menu.grab().toImage();
  const QColor ink = Rgb(0x202020);
  // Dark pixels within the 10 x 10 glyph box of each item.
  const auto inked = [&](QAction* item) {
    const QRect r = menu.actionGeometry(item);
    const QRect box(r.left() + 4, r.top() + (r.height() - 10) / 2, 10, 10);
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x) n += Near(shot.pixelColor(x, y), ink, 40);
    return n;
  };
  for (size_t i = 0; i < 4; ++i) EXPECT_GT(inked(items[i]), 6) << i;
  EXPECT_EQ(inked(items[4]), 0);  // SC_MOVE has no glyph
  // The close cross runs through the box's middle; minimize is a bar at its foot.
  const QRect close = menu.actionGeometry(items[3]);
  EXPECT_TRUE(Near(shot.pixelColor(close.left() + 9, close.top() + (close.height() - 10) / 2 + 5), ink, 40));
  const QRect minimize = menu.actionGeometry(items[1]);
  EXPECT_FALSE(Near(shot.pixelColor(minimize.left() + 9, minimize.top() + (minimize.height() - 10) / 2 + 2), ink, 40));
  menu.hide();
  menu.setObjectName("Other");
  menu.popup(QPoint(10, 10));
  QCoreApplication::processEvents();
  const QImage plain = menu.grab().toImage();
  const QRect r = menu.actionGeometry(items[3]);
  int n = 0;
  for (int y = r.top(); y < r.bottom(); ++y)
    for (int x = r.left() + 4; x < r.left() + 14; ++x) n += Near(plain.pixelColor(x, y), ink, 40);
  EXPECT_EQ(n, 0);
  menu.hide();
}

TEST_F(SkinMenusTest, AMaximizedMdiChildWithSystemMenuAndIcon) {
  QWidget form;
  form.setProperty("FormStyle", "fsMDIForm");
  auto* area = new QMdiArea(&form);
  area->resize(300, 200);
  auto* child = new QWidget;
  QMdiSubWindow* sub = area->addSubWindow(child);
  form.show();
  sub->show();
  area->setActiveSubWindow(sub);
  EXPECT_FALSE(menus().IsMDIChildMaximized());  // no main form registered
  MdiMainFormSeam() = [&form] { return &form; };
  sub->showMaximized();
  QCoreApplication::processEvents();
  EXPECT_FALSE(menus().IsMDIChildMaximized());  // no icon
  child->setWindowIcon(Icon16());
  EXPECT_TRUE(menus().IsMDIChildMaximized());
  sub->setWindowFlags(sub->windowFlags() & ~Qt::WindowSystemMenuHint);
  sub->showMaximized();
  EXPECT_FALSE(menus().IsMDIChildMaximized());
  sub->setWindowFlags(sub->windowFlags() | Qt::WindowSystemMenuHint);
  sub->showNormal();
  EXPECT_FALSE(menus().IsMDIChildMaximized());
  MdiMainFormSeam() = nullptr;
}

}  // namespace

namespace {

// A hooked popup's picture with `hot` the active item.
QImage PopupShot(QMenu& menu, QAction* hot) {
  menu.popup(QPoint(20, 20));
  menu.setActiveAction(hot);
  QCoreApplication::processEvents();
  return menu.grab().toImage();
}

}  // namespace

// A Break item's left edge and the right edge of the item before it show
// the popup's border image (the column's strips); other items none.
TEST_F(SkinMenusTest, BreakStripsAtTheColumnsEdges) {
  QMenu menu;
  QAction* before = menu.addAction("Before the break");
  QAction* broken = menu.addAction("Next column");
  broken->setProperty("Break", true);
  QAction* plain = menu.addAction("Plain item");
  menus().HookPopupMenu(&menu, true);
  const QColor hot = Rgb(testskins::kMenuHotColor);
  struct Case {
    QAction* item;
    bool leftStrip, rightStrip;
  } cases[] = {{before, false, true}, {broken, true, false}, {plain, false, false}};
  for (const Case& c : cases) {
    const QImage shot = PopupShot(menu, c.item);
    const ExtraLineCacheEntry entry = menus().GetExtraLineEntry(c.item, nullptr, false);
    ASSERT_TRUE(entry.Frame) << c.item->text().toStdString();
    const QRect r = menu.actionGeometry(c.item);
    const int y = r.center().y();
    EXPECT_TRUE(Near(shot.pixelColor(r.left() + 10, y), hot)) << c.item->text().toStdString();
    for (int x : {r.left() + 1, r.left() + 3})
      EXPECT_EQ(Near(shot.pixelColor(x, y), entry.Frame->pixelColor(x, y), 2) && !Near(shot.pixelColor(x, y), hot),
                c.leftStrip)
          << c.item->text().toStdString() << " x " << x;
    for (int x : {r.right() - 1, r.right() - 3})
      EXPECT_EQ(Near(shot.pixelColor(x, y), entry.Frame->pixelColor(x, y), 2) && !Near(shot.pixelColor(x, y), hot),
                c.rightStrip)
          << c.item->text().toStdString() << " x " << x;
    menu.hide();
  }
}

// Right-to-left menus draw an item's image and check mark at the right edge.
TEST_F(SkinMenusTest, RightToLeftImagesSitAtTheRightEdge) {
  QMenu menu;
  QAction* withIcon = menu.addAction(Icon16(), "Icon");
  QAction* checked = menu.addAction("Checked");
  checked->setCheckable(true);
  checked->setChecked(true);
  menus().HookPopupMenu(&menu, true);
  const QColor icon(40, 120, 200), ink(24, 40, 90);
  for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
    menu.setLayoutDirection(direction);
    const QImage shot = PopupShot(menu, nullptr);
    const bool rtl = direction == Qt::RightToLeft;
    const QRect r = menu.actionGeometry(withIcon);
    const int nearX = r.left() + menus().Margin + 8, farX = r.right() - menus().Margin - 8;
    EXPECT_EQ(Near(shot.pixelColor(rtl ? farX : nearX, r.center().y()), icon), true) << rtl;
    EXPECT_EQ(Near(shot.pixelColor(rtl ? nearX : farX, r.center().y()), icon), false) << rtl;
    // The check mark's ink lies on the image's side.
    const QRect c = menu.actionGeometry(checked);
    const auto inked = [&](int left) {
      int n = 0;
      for (int y = c.top(); y <= c.bottom(); ++y)
        for (int x = left; x < left + 16; ++x) n += Near(shot.pixelColor(x, y), ink, 30);
      return n;
    };
    const int leftInk = inked(c.left() + menus().Margin), rightInk = inked(c.right() - menus().Margin - 15);
    EXPECT_GT(rtl ? rightInk : leftInk, 4) << rtl;
    EXPECT_EQ(rtl ? leftInk : rightInk, 0) << rtl;
    menu.hide();
  }
}

// A hooked menu answers every style question but the fade as the platform
// does: hover highlight and the submenu delay stay.
TEST_F(SkinMenusTest, AHookedMenuKeepsThePlatformsOtherStyleAnswers) {
  QMenu menu;
  menus().HookPopupMenu(&menu, true);
  for (QStyle::StyleHint hint : {QStyle::SH_Menu_MouseTracking, QStyle::SH_Menu_SubMenuPopupDelay}) {
    const int platform = QApplication::style()->styleHint(hint, nullptr, &menu, nullptr);
    ASSERT_NE(platform, 0) << hint;
    EXPECT_EQ(menus().Style()->styleHint(hint, nullptr, &menu, nullptr), platform) << hint;
  }
}

// A checked item's image sits on a pressed button one pixel wider on every side.
TEST_F(SkinMenusTest, ACheckedImageSitsOnAPressedFrame) {
  QMenu menu;
  QAction* item = menu.addAction(Icon16(), "Checked with an image");
  item->setCheckable(true);
  item->setChecked(true);
  menus().HookPopupMenu(&menu, true);
  const QImage shot = PopupShot(menu, nullptr);
  const QRect r = menu.actionGeometry(item);
  const QRect image(r.left() + menus().Margin, r.top() + (r.height() - 16) / 2, 16, 16);
  const QColor pressed = shot.pixelColor(image.left() - 1, image.center().y());
  EXPECT_FALSE(Near(pressed, shot.pixelColor(image.left() - 2, image.center().y())));
  struct Row {
    int y;
    bool inFrame;
  } rows[] = {{image.top() - 2, false}, {image.top() - 1, true}, {image.bottom() + 1, true},
              {image.bottom() + 2, false}};
  for (const Row& row : rows)
    EXPECT_EQ(Near(shot.pixelColor(image.center().x(), row.y), pressed), row.inFrame) << row.y;
  menu.hide();
}
