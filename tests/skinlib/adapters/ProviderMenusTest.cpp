// The form provider with extended borders and with the skinned menus: the
// border window made, placed and dropped, the cache with its border and
// the form's region; the form's menus hooked, the menu line drawn by the
// menu painter, the system menu's, a late popup's and a frame's popups
// hooked.
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/LayeredWindow.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/FormAnimation.h"
#include "skinlib/adapters/acBorderForm.h"
#include "skinlib/manager/SkinnedForms.h"
#include "skinlib/adapters/sSysMenu.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"
#include "skinlib/support/ExtBorderSkin.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QMenu>
#include <QLineEdit>
#include <QMenuBar>
#include <QProxyStyle>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace platform;

namespace {

class ProviderMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunUnitStartups();
    SetLayeredWindowsAvailableForTesting(true);
  }
  void TearDown() override {
    form.reset();
    manager.reset();
    SetLayeredWindowsAvailableForTesting(std::nullopt);
    FinishUnits();
  }
  void Activate(const testskins::TestSkin& skin, bool extended) {
    QString error;
    const QString root = QString::fromStdString(dir.Path());
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, root + "/" + skin.Name, &error)) << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetExtendedBorders(extended);
    manager->SetSkinDirectory(root);
    manager->SetSkinName(skin.Name);
    ASSERT_TRUE(manager->Active());
  }
  // A form with a menu bar ("File", "Edit" with a sub-menu) and a popup menu.
  TsSkinProvider* MakeForm() {
    form = std::make_unique<QWidget>();
    form->setGeometry(150, 120, 360, 240);
    form->setWindowTitle(QStringLiteral("Extended"));
    auto* layout = new QVBoxLayout(form.get());
    bar = new QMenuBar(form.get());
    layout->setMenuBar(bar);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Open"));
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addMenu(QStringLiteral("More"))->addAction(QStringLiteral("Deeper"));
    popup = new QMenu(form.get());
    popup->addAction(QStringLiteral("Context"));
    return new TsSkinProvider(form.get());
  }
  void Show() {
    form->show();
    form->activateWindow();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }

  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QWidget> form;
  QMenuBar* bar = nullptr;
  QMenu* popup = nullptr;
};

// A title button's fade shows over the button where the border window
// shows it: the cache's point (0, 0) is the border window's corner.
TEST_F(ProviderMenusTest, AButtonFadeLiesOverItsButtonOnTheBorderWindow) {
  Activate(testskins::ExtBorderSkin(), true);
  TsSkinProvider* provider = MakeForm();
  Show();
  ASSERT_TRUE(provider->HasBorderWindow());
  LayeredWindow* border = provider->BorderForm()->BorderWindow();
  const TacButtonImage close = provider->ButtonImage(HTCLOSE);
  ASSERT_TRUE(close.Valid);
  StartTitleButtonFade(provider, HTCLOSE, 2, 1, true);
  TacSBAnimation* fade = FindTitleButtonFade(provider, HTCLOSE);
  ASSERT_NE(fade, nullptr);
  ASSERT_NE(fade->AnimWindow(), nullptr);
  EXPECT_EQ(fade->AnimWindow()->pos(), border->pos() + QPoint(close.Rect.Left, close.Rect.Top));
}

TEST_F(ProviderMenusTest, ExtendedBorderWindowLiesBehindTheSkinnedForm) {
  Activate(testskins::ExtBorderSkin(), true);
  TsSkinProvider* provider = MakeForm();
  Show();
  ASSERT_TRUE(provider->HasBorderWindow());
  LayeredWindow* border = provider->BorderForm()->BorderWindow();
  ASSERT_NE(border, nullptr);
  EXPECT_TRUE(border->isVisible());
  EXPECT_EQ(GetTag(border), -98);
  EXPECT_EQ(QApplication::activeWindow(), form.get());
  // The cache: 32-bit, the shadow margins around the wider frame.
  const Bitmap* cache = provider->SkinData()->CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(cache->PixelFormat(), pf32bit);
  const int s = provider->SystemBorderWidth();
  const int delta = testskins::kExtBorderWidth - s;
  EXPECT_EQ(provider->BorderWidthDelta(), delta);
  EXPECT_EQ(provider->CacheShiftX(), testskins::kExtMargin + delta);
  EXPECT_EQ(cache->Width(), form->width() + 2 * delta + 2 * testskins::kExtMargin);
  EXPECT_EQ(cache->Height(), provider->SkinnedFormHeight());
  EXPECT_EQ(border->geometry(), QRect(form->x() - provider->CacheShiftX(), form->y() - provider->CacheShiftY(),
                                      cache->Width(), cache->Height()));
  // The shadow's far corner is see-through, the window's area opaque.
  EXPECT_LT(cache->ScanLine(0)[3], 255);
  const QRect client = form->contentsRect();
  EXPECT_EQ(cache->ScanLine(client.top() + provider->CacheShiftY() + 5)[4 * (client.left() + provider->CacheShiftX() + 5) + 3], 255);
  // The form shows its menu line and client only: the border shows the rest.
  QRegion region;
  ASSERT_NE(GetWindowRgn(form.get(), region), 0);
  EXPECT_FALSE(region.contains(QPoint(s + 10, 2)));
  EXPECT_TRUE(region.contains(QPoint(client.left() + 5, client.top() + 5)));
  const TRect line = GetMenuLineRect(form.get());
  EXPECT_TRUE(region.contains(QPoint(line.Left + 5, line.Top + 2)));
  // The form moves: the border follows.
  form->move(200, 160);
  QApplication::processEvents();
  EXPECT_EQ(border->pos(), QPoint(200 - provider->CacheShiftX(), 160 - provider->CacheShiftY()));
  // A press on the border's caption reaches the provider as its own hit code.
  const QPoint caption = border->mapToGlobal(QPoint(cache->Width() / 2, testskins::kExtMargin + 8));
  EXPECT_EQ(provider->BorderForm()->BorderHitTest({caption.x(), caption.y()}), HTCAPTION);
  // Maximized, the form shows its skinned band itself (the work area has
  // no room above it); restored, the border is back.
  ShowWindow(form.get(), SW_SHOWMAXIMIZED);
  QApplication::processEvents();
  ASSERT_TRUE(IsZoomed(form.get()));
  EXPECT_FALSE(provider->HasBorderWindow());
  ShowWindow(form.get(), SW_RESTORE);
  QApplication::processEvents();
  EXPECT_TRUE(provider->HasBorderWindow());
  // Switched off: the border goes, the cache is 24-bit again.
  provider->SetAllowExtBorders(false);
  EXPECT_FALSE(provider->HasBorderWindow());
  EXPECT_EQ(provider->CacheShiftX(), 0);
  provider->PaintAll();
  EXPECT_EQ(provider->SkinData()->CacheBitmap->PixelFormat(), pf24bit);
  EXPECT_EQ(provider->SkinData()->CacheBitmap->Width(), form->width());
}

TEST_F(ProviderMenusTest, AFormWithExtendedBordersFadesInWholeOnAStandByWindow) {
  Activate(testskins::ExtBorderSkin(), true);
  TsSkinProvider* provider = MakeForm();
  Show();
  ASSERT_TRUE(provider->HasBorderWindow());
  LayeredWindow* border = provider->BorderForm()->BorderWindow();
  AnimateFormShow(form.get(), 40);  // 5 steps
  LayeredWindow* standBy = StandByWindowOf(form.get());
  ASSERT_NE(standBy, nullptr);
  EXPECT_EQ(GetTag(standBy), -98);
  EXPECT_EQ(standBy->ConstantAlpha(), 0);
  EXPECT_EQ(standBy->geometry(), border->geometry());
  EXPECT_FALSE(border->isVisible());
  EXPECT_TRUE(FormsLocked);
  EXPECT_EQ(form->windowOpacity(), 0.0);
  // The form's client lies in the picture, opaque.
  const QRect client = form->contentsRect().translated(provider->CacheShiftX(), provider->CacheShiftY());
  EXPECT_EQ(qAlpha(standBy->Picture().pixel(client.center())), 255);
  // The alpha rises step by step to the form's own, then the border is back.
  std::vector<int> alphas;
  QElapsedTimer clock;
  clock.start();
  while (StandByWindowOf(form.get()) && clock.elapsed() < 3000) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (LayeredWindow* w = StandByWindowOf(form.get()); w && (alphas.empty() || alphas.back() != w->ConstantAlpha()))
      alphas.push_back(w->ConstantAlpha());
  }
  EXPECT_EQ(StandByWindowOf(form.get()), nullptr);
  ASSERT_GE(alphas.size(), 3u);
  EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()));
  EXPECT_EQ(alphas.back(), 255);
  EXPECT_TRUE(border->isVisible());
  EXPECT_FALSE(FormsLocked);
  EXPECT_EQ(form->windowOpacity(), 1.0);
  // Without steps (under 8 ms) it ends within the call.
  AnimateFormShow(form.get(), 4);
  EXPECT_EQ(StandByWindowOf(form.get()), nullptr);
  EXPECT_FALSE(FormsLocked);
  EXPECT_TRUE(border->isVisible());
}

TEST_F(ProviderMenusTest, NoBorderWindowWithoutTheManagersExtendedBorders) {
  Activate(testskins::ExtBorderSkin(), false);
  TsSkinProvider* provider = MakeForm();
  Show();
  EXPECT_FALSE(provider->HasBorderWindow());
  EXPECT_EQ(provider->TitleHeightDelta(), 0);
  // A form with a parent never gets one.
  manager->SetExtendedBorders(true);
  provider->UpdateExtBorder(true);
  EXPECT_TRUE(provider->HasBorderWindow());
  provider->SetAllowExtBorders(false);
  provider->UpdateExtBorder(true);
  EXPECT_FALSE(provider->HasBorderWindow());
}

TEST_F(ProviderMenusTest, TheFormsMenusAreHookedAndGivenBack) {
  Activate(testskins::ExtBorderSkin(), false);
  TsSkinProvider* provider = MakeForm();
  // The application's own style on one menu stays its own.
  QProxyStyle own;
  QMenu* styled = new QMenu(form.get());
  styled->setStyle(&own);
  Show();
  ASSERT_TRUE(HookFormMenusSeam());
  HookFormMenusSeam()(*provider, true);
  TsSkinableMenus& menus = manager->SkinableMenus();
  EXPECT_TRUE(menus.Hooks(bar));
  EXPECT_TRUE(menus.Hooks(popup));
  EXPECT_TRUE(menus.Hooks(bar->actions()[1]->menu()));
  EXPECT_TRUE(menus.Hooks(bar->actions()[1]->menu()->actions()[0]->menu()));  // the sub-menu's sub-menu
  EXPECT_EQ(styled->style(), &own);
  HookFormMenusSeam()(*provider, false);
  EXPECT_FALSE(menus.Hooks(bar));
  EXPECT_FALSE(menus.Hooks(popup));
  EXPECT_EQ(styled->style(), &own);
  // Without skinned popups only the main menu is hooked... which needs
  // them as well: nothing is.
  manager->SetSkinnedPopups(false);
  HookFormMenusSeam()(*provider, true);
  EXPECT_FALSE(menus.Hooks(popup));
  delete styled;
}

// Switching the frame's painting off gives the form its system menu, its
// menus and the system's frame back; on again, the skin takes all of them.
TEST_F(ProviderMenusTest, DrawingTheFrameTakesSystemMenuMenusAndBorderAlong) {
  Activate(testskins::ExtBorderSkin(), true);
  TsSkinProvider* provider = MakeForm();
  Show();
  TsSkinableMenus& menus = manager->SkinableMenus();
  ASSERT_NE(provider->BorderForm(), nullptr);
  for (bool draw : {false, true}) {
    provider->SetDrawNonClientArea(draw);
    QApplication::processEvents();
    EXPECT_EQ((std::uint32_t(GetWindowLong(form.get(), GWL_STYLE)) & WS_SYSMENU) != 0, !draw) << draw;
    EXPECT_EQ(menus.Hooks(bar), draw) << draw;
    EXPECT_EQ(menus.Hooks(popup), draw) << draw;
    EXPECT_EQ(provider->BorderForm() != nullptr, draw) << draw;
  }
}

TEST_F(ProviderMenusTest, TheMenuLineIsDrawnByTheMenuPainterFromTheProvidersImage) {
  Activate(testskins::ExtBorderSkin(), true);
  TsSkinProvider* provider = MakeForm();
  Show();
  ASSERT_TRUE(provider->HasBorderWindow());
  // The seam lends the cache with the line's corner in it.
  const TacMenuLineImage image = MenuLineImageSeam()(bar);
  ASSERT_EQ(image.Image, provider->SkinData()->CacheBitmap.get());
  const TRect line = GetMenuLineRect(form.get());
  EXPECT_EQ(image.Offset.X, line.Left + provider->CacheShiftX());
  EXPECT_EQ(image.Offset.Y, line.Top + provider->CacheShiftY());
  EXPECT_EQ(MenuLineImageSeam()(nullptr).Image, nullptr);
  // Not hooked: the provider paints the item itself.
  HookFormMenusSeam()(*provider, false);
  ASSERT_FALSE(manager->SkinableMenus().Hooks(bar));
  QAction* file = bar->actions()[0];
  TRect item;
  ASSERT_TRUE(GetMenuItemRect(form.get(), bar, 0, &item));
  const QPoint corner = form->mapToGlobal(QPoint(0, 0));
  item = {item.Left - corner.x(), item.Top - corner.y(), item.Right - corner.x(), item.Bottom - corner.y()};
  EXPECT_FALSE(provider->DrawSkinnedMenuLineItem(file, item, true));
  // Hooked: the painter draws the hot item in MENUITEM's hot colour.
  HookFormMenusSeam()(*provider, true);
  ASSERT_TRUE(manager->SkinableMenus().Hooks(bar));
  ASSERT_TRUE(provider->DrawSkinnedMenuLineItem(file, item, true));
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const uint8_t* p = cache.ScanLine(item.Top + provider->CacheShiftY() + 1) + 4 * (item.Left + provider->CacheShiftX() + 1);
  const int hot = testskins::kMenuHotColor;  // red in the lowest byte
  EXPECT_EQ(p[2], hot & 0xFF);
  EXPECT_EQ(p[1], (hot >> 8) & 0xFF);
  EXPECT_EQ(p[0], (hot >> 16) & 0xFF);
}

TEST_F(ProviderMenusTest, TheSystemMenusPopupIsHookedWhenPopupsAreSkinned) {
  Activate(testskins::ExtBorderSkin(), false);
  TsSkinProvider* provider = MakeForm();
  provider->SetMakeSkinMenu(false);
  Show();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(manager->SkinableMenus().Hooks(menu));
  menu->ShowAt(form->x() + 20, form->y() + 20);
  EXPECT_TRUE(manager->SkinableMenus().Hooks(menu));
  menu->hide();
}

// The system menu opened from the title icon of a form with extended
// borders drops below the title the border window shows, at the client's
// left edge.
TEST_F(ProviderMenusTest, TheIconsSystemMenuDropsBelowTheBorderWindowsTitle) {
  Activate(testskins::ExtBorderSkin(), true);
  TsSkinProvider* provider = MakeForm();
  provider->SetMakeSkinMenu(false);
  Show();
  ASSERT_TRUE(provider->HasBorderWindow());
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  LayeredWindow* border = provider->BorderForm()->BorderWindow();
  ASSERT_TRUE(manager->SkinnedPopups());  // the menu drops at once
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTSYSMENU, 0);
  QApplication::processEvents();
  ASSERT_TRUE(menu->isVisible());
  const QPoint clientCorner = form->mapToGlobal(form->contentsRect().topLeft());
  EXPECT_EQ(menu->pos().x(), clientCorner.x());
  const TRect icon = provider->IconRect();
  EXPECT_GE(menu->pos().y(), border->pos().y() + icon.Bottom);
  EXPECT_LE(menu->pos().y(), clientCorner.y());
  menu->hide();
}

// Alt+Space (the focus in a child) opens the skin's system menu below the
// title icon, and only it: the standard one the default would show stays
// shut.
TEST_F(ProviderMenusTest, AltSpaceOpensTheSkinsSystemMenuAlone) {
  Activate(testskins::ExtBorderSkin(), false);
  TsSkinProvider* provider = MakeForm();
  provider->SetMakeSkinMenu(false);
  auto* edit = new QLineEdit(form.get());
  form->layout()->addWidget(edit);
  int keyMenus = 0;
  InstallWindowProc(form.get(), [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_KEYMENU && m.LParam == ' ') ++keyMenus;
    previous(m);
  });
  Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  edit->setFocus();
  QApplication::processEvents();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(manager->SkinnedPopups());
  QTest::keyClick(form->windowHandle(), Qt::Key_Space, Qt::AltModifier);
  QApplication::processEvents();
  EXPECT_EQ(keyMenus, 1);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(QApplication::activePopupWidget(), menu);
  EXPECT_FALSE(GetSystemMenu(form.get())->isVisible()) << "one menu";
  EXPECT_TRUE(edit->text().isEmpty());
  const QPoint clientCorner = form->mapToGlobal(form->contentsRect().topLeft());
  EXPECT_EQ(menu->pos().x(), clientCorner.x());
  EXPECT_LE(menu->pos().y(), clientCorner.y()) << "below the icon, over the client area";
  menu->hide();
}

// A popup menu given to the form after it came forward is skinned when a
// right click opens it, not only at the form's next activation.
TEST_F(ProviderMenusTest, APopupMenuGivenLateIsSkinnedWhenItOpens) {
  Activate(testskins::ExtBorderSkin(), false);
  MakeForm();
  Show();
  auto* late = new QMenu(form.get());
  late->addAction(QStringLiteral("Late"));
  form->setProperty("PopupMenu", QVariant::fromValue<QObject*>(late));
  form->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(form.get(), &QWidget::customContextMenuRequested, late,
                   [&](const QPoint& at) { late->popup(form->mapToGlobal(at)); });
  std::vector<bool> skinnedWhenShown;
  QObject::connect(late, &QMenu::aboutToShow,
                   [&] { skinnedWhenShown.push_back(manager->SkinableMenus().Hooks(late)); });
  ASSERT_FALSE(manager->SkinableMenus().Hooks(late));
  QTest::mouseClick(form->windowHandle(), Qt::RightButton, {}, form->rect().center());
  EXPECT_EQ(skinnedWhenShown, std::vector<bool>{true});
  late->hide();
}

TEST_F(ProviderMenusTest, AFramesPopupMenuIsHookedWhenTheManagerSkinsPopups) {
  Activate(testskins::ExtBorderSkin(), false);
  QWidget frame;
  auto* menu = new QMenu(&frame);
  menu->addAction(QStringLiteral("Frame item"));
  auto* notOwned = new QMenu;
  HookOwnedPopupMenus(manager.get(), &frame, true);
  EXPECT_TRUE(manager->SkinableMenus().Hooks(menu));
  EXPECT_FALSE(manager->SkinableMenus().Hooks(notOwned));
  HookOwnedPopupMenus(manager.get(), &frame, false);
  EXPECT_FALSE(manager->SkinableMenus().Hooks(menu));
  manager->SetSkinnedPopups(false);
  HookOwnedPopupMenus(manager.get(), &frame, true);
  EXPECT_FALSE(manager->SkinableMenus().Hooks(menu));
  delete notOwned;
}

}  // namespace
