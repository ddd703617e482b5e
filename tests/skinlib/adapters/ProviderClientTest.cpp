// The form provider's client area and the rest of its window procedure:
// the client background from the cache or the form's colour, the size
// grip on the screen, WM_PRINT, WM_SETREDRAW's count, WM_ACTIVATE, the
// control adapter's re-adapting steps (through a stand-in seam), the show
// animation, the wheel handed to the control under the mouse, the
// caption-only repaint and the cache kept while it is clean.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/LayeredWindow.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/adapters/FormAnimation.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ExtBorderSkin.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include "platform/MenuLine.h"
#include <QElapsedTimer>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace platform;

namespace {

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TColor Pixel(const QImage& image, int x, int y) {
  const QRgb c = image.pixel(x, y);
  return TColor(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16));
}

// What reaches the form's own handling below the provider.
struct OwnMessages {
  explicit OwnMessages(QWidget* w)
      : handle(InstallWindowProc(
            w,
            [this](Message& m, const CallPrevious& previous) {
              seen.push_back(m.Msg);
              if (m.Msg == SkinCommandMsg) skinCommands.push_back(HIWORD(std::uintptr_t(m.WParam)));
              if (m.Msg == WM_SETREDRAW) redraw.push_back(int(m.WParam));
              previous(m);
            },
            WindowProcLevel::Control)) {}
  ~OwnMessages() { RemoveWindowProc(handle); }
  int Count(unsigned msg) const { return int(std::count(seen.begin(), seen.end(), msg)); }
  WindowProcHandle handle;
  std::vector<unsigned> seen, skinCommands;
  std::vector<int> redraw;
};

class ProviderClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunUnitStartups();
    form = std::make_unique<QWidget>();
    form->resize(400, 300);
    form->setWindowTitle(QStringLiteral("Client"));
  }
  void TearDown() override {
    // The stand-in seams hold the test's locals.
    ControlAdapterSeam() = {};
    HookFormMenusSeam() = {};
    form.reset();
    manager.reset();
    ForceBackgroundCache = false;
    SetLayeredWindowsAvailableForTesting(std::nullopt);
    FinishUnits();
  }
  void Activate() {
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::FormSkin(), QString::fromStdString(dir.Path()) + "/Forms", &error))
        << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(QString::fromStdString(dir.Path()));
    manager->SetSkinName("Forms");
    ASSERT_TRUE(manager->Active());
  }
  TsSkinProvider* Provide() { return new TsSkinProvider(form.get()); }
  // The form becomes a main window with an empty menu bar.
  QMenuBar* UseMainWindow() {
    auto* window = new QMainWindow;
    form.reset(window);
    form->resize(400, 300);
    auto* bar = new QMenuBar;
    window->setMenuBar(bar);
    return bar;
  }
  QPoint ClientPoint(int x, int y) const { return form->contentsRect().topLeft() + QPoint(x, y); }

  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<QWidget> form;
  std::unique_ptr<TsSkinManager> manager;
};

// ------------------------------------------------------------ the client background

TEST_F(ProviderClientTest, CompositeBackgroundIsTheCachesClientPartAroundTheChildren) {
  ForceBackgroundCache = true;  // the background cannot be a plain colour
  Activate();
  auto* child = new QWidget(form.get());
  child->setGeometry(ClientPoint(200, 100).x(), ClientPoint(200, 100).y(), 40, 30);
  child->setAutoFillBackground(true);
  QPalette palette = child->palette();
  palette.setColor(QPalette::Window, QColor(0, 128, 0));
  child->setPalette(palette);
  TsSkinProvider* provider = Provide();
  provider->OnPaint = [](Canvas& c) {  // paints into the cache's client part
    c.Brush = {TColor(0x0000FF), bsSolid};
    c.FillRect({10, 10, 30, 30});
  };
  form->show();
  ASSERT_TRUE(provider->SkinData()->ParentDependent());
  const QImage shot = form->grab().toImage();
  const QPoint painted = ClientPoint(20, 20), plain = ClientPoint(60, 60), onChild = child->geometry().center();
  EXPECT_EQ(Pixel(shot, painted.x(), painted.y()), TColor(0x0000FF)) << "the cache's client part is on the screen";
  EXPECT_EQ(Pixel(shot, plain.x(), plain.y()), TColor(testskins::kFormColor));
  EXPECT_EQ(Pixel(shot, onChild.x(), onChild.y()), TColor(0x008000)) << "the child paints itself";
}

// With the system's frame the client shows the form's background alone,
// edge to edge: no title band along its top, no border at its sides,
// whether our frame goes before the first show or while the form shows.
TEST_F(ProviderClientTest, WithoutOurFrameTheClientShowsOnlyTheFormsBackground) {
  ForceBackgroundCache = true;
  Activate();
  for (const bool beforeShow : {true, false}) {
    form = std::make_unique<QWidget>();
    form->resize(400, 300);
    TsSkinProvider* provider = Provide();
    if (beforeShow) provider->SetDrawNonClientArea(false);
    form->show();
    Pump(20);
    if (!beforeShow) {
      ASSERT_NE(Pixel(form->grab().toImage(), 200, 2), TColor(testskins::kFormColor)) << "our title band";
      provider->SetDrawNonClientArea(false);
      Pump(20);
    }
    ASSERT_EQ(form->contentsRect(), form->rect());
    const QImage shot = form->grab().toImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(200, 2), QPoint(200, 25), QPoint(1, 150), QPoint(3, 150),
                           QPoint(398, 150), QPoint(200, 298), QPoint(200, 150)})
      EXPECT_EQ(Pixel(shot, p.x(), p.y()), TColor(testskins::kFormColor))
          << (beforeShow ? "before the show " : "while shown ") << p.x() << "," << p.y();
  }
}

TEST_F(ProviderClientTest, PlainBackgroundIsTheFormColourAndTheGripIsOnTheScreen) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->SetGripMode(TsGripMode::gmRightBottom);
  form->show();
  ASSERT_FALSE(provider->SkinData()->ParentDependent());
  const QImage shot = form->grab().toImage();
  const QRect client = form->contentsRect();
  const TPoint grip = provider->GripPosition(testskins::kFormGrip, testskins::kFormGrip);
  EXPECT_EQ(grip.X, client.right() + 1 - testskins::kFormGrip);
  EXPECT_EQ(grip.Y, client.bottom() + 1 - testskins::kFormGrip);
  ASSERT_TRUE(provider->SkinData()->CacheBitmap);
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  int differing = 0, matching = 0;
  for (int y = grip.Y; y < grip.Y + testskins::kFormGrip; ++y)
    for (int x = grip.X; x < grip.X + testskins::kFormGrip; ++x) {
      matching += Pixel(shot, x, y) == cache.GetPixel(x, y);
      differing += Pixel(shot, x, y) != TColor(testskins::kFormColor);
    }
  EXPECT_EQ(matching, testskins::kFormGrip * testskins::kFormGrip) << "the grip as the cache has it";
  EXPECT_GT(differing, 0) << "the grip shows";
  EXPECT_EQ(Pixel(shot, client.left() + 50, client.top() + 50), TColor(testskins::kFormColor));
  // A form of another colour shows the skin's all the same.
  provider->SetUseGlobalColor(false);
  SetControlColor(form.get(), TColor(0x00FFFF));
  EXPECT_EQ(Pixel(form->grab().toImage(), client.left() + 50, client.top() + 50), TColor(testskins::kFormColor));
  // Without the grip its corner is the form's colour.
  provider->SetGripMode(TsGripMode::gmNone);
  provider->SkinData()->BackgroundDirty = true;
  const QImage bare = form->grab().toImage();
  EXPECT_EQ(Pixel(bare, grip.X + testskins::kFormGrip / 2, grip.Y + testskins::kFormGrip / 2),
            TColor(testskins::kFormColor));
}

TEST_F(ProviderClientTest, CleanCacheIsReusedAndADirtyOneRepainted) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  (void)form->grab();
  ASSERT_TRUE(provider->SkinData()->CacheBitmap);
  const QPoint title(60, form->contentsRect().top() / 2);
  const TColor painted = provider->SkinData()->CacheBitmap->GetPixel(title.x(), title.y());
  provider->SkinData()->CacheBitmap->SetPixel(title.x(), title.y(), TColor(0x00FFFF));
  EXPECT_EQ(Pixel(form->grab().toImage(), title.x(), title.y()), TColor(0x00FFFF)) << "a clean cache is the picture";
  provider->SkinData()->BackgroundDirty = true;
  EXPECT_EQ(Pixel(form->grab().toImage(), title.x(), title.y()), painted) << "a dirty one is painted anew";
  // New system colours repaint it.
  (void)form->grab();
  ASSERT_FALSE(provider->SkinData()->BackgroundDirty);
  SendMessage(form.get(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_TRUE(provider->SkinData()->BackgroundDirty);
  // A new size is a new picture too, and so is another activity.
  provider->SkinData()->CacheBitmap->SetPixel(title.x(), title.y(), TColor(0x00FFFF));
  form->resize(420, 300);
  EXPECT_EQ(Pixel(form->grab().toImage(), title.x(), title.y()), painted);
  provider->SetFormActive(false);
  const TColor inactive = Pixel(form->grab().toImage(), title.x(), title.y());
  EXPECT_NE(inactive, painted);
  EXPECT_EQ(inactive, provider->SkinData()->CacheBitmap->GetPixel(title.x(), title.y()));
}

TEST_F(ProviderClientTest, MenuLineOfACleanCacheIsRepaintedOnlyWhenWhatItShowsChanged) {
  Activate();
  auto* window = new QMainWindow;
  form.reset(window);
  form->resize(400, 300);
  auto* bar = new QMenuBar;
  QAction* file = bar->addMenu(QStringLiteral("&File"))->menuAction();
  bar->addMenu(QStringLiteral("&Edit"));
  window->setMenuBar(bar);
  TsSkinProvider* provider = Provide();
  form->show();
  (void)form->grab();
  const TRect line = GetMenuLineRect(form.get());
  ASSERT_GT(line.Height(), 0);
  const QPoint spot(line.Right - 3, line.Top + 2);
  Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const TColor painted = cache.GetPixel(spot.x(), spot.y());
  cache.SetPixel(spot.x(), spot.y(), TColor(0x00FFFF));
  (void)form->grab();
  EXPECT_EQ(cache.GetPixel(spot.x(), spot.y()), TColor(0x00FFFF)) << "nothing changed: the line stays";
  file->setEnabled(false);
  (void)form->grab();
  EXPECT_EQ(cache.GetPixel(spot.x(), spot.y()), painted) << "an item changed: the line is painted anew";
  EXPECT_FALSE(provider->SkinData()->BackgroundDirty);
}

TEST_F(ProviderClientTest, MainMenuIsRebuiltOncePerProviderAndNeverReentered) {
  Activate();
  QMenuBar* bar = UseMainWindow();
  // What reaches the form below the provider; a rebuild asked for from
  // inside one is refused.
  int rebuilds = 0, nested = 0;
  bool tryNested = false;
  TsSkinProvider* provider = nullptr;
  WindowProcHandle below = InstallWindowProc(
      form.get(),
      [&](Message& m, const CallPrevious& previous) {
        if (m.Msg == CM_MENUCHANGED) {
          ++rebuilds;
          if (tryNested && provider->RebuildMainMenu()) ++nested;
        }
        previous(m);
      },
      WindowProcLevel::Control);
  provider = Provide();
  form->show();
  (void)form->grab();
  SendMessage(form.get(), WM_NCACTIVATE, 1, 0);
  EXPECT_EQ(rebuilds, 0) << "a bar without items is not rebuilt";
  EXPECT_FALSE(provider->MainMenuRebuilt());
  bar->addMenu(QStringLiteral("&File"));
  rebuilds = 0;
  tryNested = true;
  SendMessage(form.get(), WM_NCACTIVATE, 1, 0);
  EXPECT_EQ(rebuilds, 1);
  EXPECT_TRUE(provider->MainMenuRebuilt());
  SendMessage(form.get(), WM_NCACTIVATE, 0, 0);
  SendMessage(form.get(), WM_NCACTIVATE, 1, 0);
  EXPECT_EQ(rebuilds, 1) << "once per provider";
  // WM_PRINT refreshes it once as well.
  provider->SetMainMenuRebuilt(false);
  Bitmap picture(form->width(), form->height(), pf24bit);
  SendMessage(form.get(), WM_PRINT, PtrParam(&picture.GetCanvas()), LPARAM(PRF_CLIENT));
  SendMessage(form.get(), WM_PRINT, PtrParam(&picture.GetCanvas()), LPARAM(PRF_CLIENT));
  picture.GetCanvas().EndPainting();
  EXPECT_EQ(rebuilds, 2);
  // New system colours rebuild it every time.
  SendMessage(form.get(), WM_SYSCOLORCHANGE, 0, 0);
  SendMessage(form.get(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(rebuilds, 4);
  EXPECT_EQ(nested, 0);
  EXPECT_GE(provider->MenuRowCount(), 1);
  RemoveWindowProc(below);
}

TEST_F(ProviderClientTest, ButtonOnlyRepaintStartsFromTheStripSavedBeforeTheButtons) {
  Activate();
  manager->SetAllowGlowing(false);  // painted at once, no fade
  TsSkinProvider* provider = Provide();
  form->show();
  (void)form->grab();
  Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const Bitmap* strip = provider->ButtonStrip();
  ASSERT_NE(strip, nullptr);
  const int left = cache.Width() - strip->Width();
  ASSERT_GT(provider->ButtonsAreaWidth(), 0);
  ASSERT_GE(strip->Width(), provider->ButtonsAreaWidth() + 10);
  EXPECT_EQ(strip->PixelFormat(), cache.PixelFormat());
  // Outside the buttons the strip is the cache as painted.
  const int gapX = left + 2, gapY = strip->Height() / 2;
  EXPECT_EQ(strip->GetPixel(2, gapY), cache.GetPixel(gapX, gapY));
  // The whole picture as a full repaint makes it.
  const auto stripOfCache = [&] {
    std::vector<TColor> pixels;
    for (int y = 0; y < strip->Height(); ++y)
      for (int x = left; x < cache.Width(); ++x) pixels.push_back(cache.GetPixel(x, y));
    return pixels;
  };
  const std::vector<TColor> whole = stripOfCache();
  // Something painted over the strip since is gone with the next button
  // repaint: the buttons are painted on the saved strip.
  cache.SetPixel(gapX, gapY, TColor(0x00FFFF));
  provider->SetHotButton(HTCLOSE, true);
  EXPECT_NE(cache.GetPixel(gapX, gapY), TColor(0x00FFFF));
  // Hot, pressed and back to normal: the very picture of a full repaint.
  provider->SetPressedButton(HTCLOSE);
  provider->SetHotButton(0, true);
  EXPECT_EQ(stripOfCache(), whole);
  // A cache of another size has no strip to take: it is painted whole.
  cache = Bitmap(cache.Width() + 5, cache.Height(), cache.PixelFormat());
  EXPECT_FALSE(provider->RestoreButtonStrip());
}

TEST_F(ProviderClientTest, CaptionRepaintedAloneMatchesAWholeRepaint) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  provider->PaintAll();
  ASSERT_NE(provider->TitleBitmap(), nullptr);
  form->setWindowTitle(QStringLiteral("A longer caption than before"));  // WM_SETTEXT
  EXPECT_FALSE(provider->SkinData()->BackgroundDirty) << "the title alone was repainted";
  const Bitmap alone = *provider->SkinData()->CacheBitmap;
  provider->PaintAll();
  const Bitmap& whole = *provider->SkinData()->CacheBitmap;
  ASSERT_EQ(alone.Width(), whole.Width());
  int differing = 0;
  for (int y = 0; y < provider->TopBandHeight(); ++y)
    for (int x = 0; x < whole.Width(); ++x) differing += alone.GetPixel(x, y) != whole.GetPixel(x, y);
  EXPECT_EQ(differing, 0);
}

TEST_F(ProviderClientTest, WithAnExtendedBorderTheClientAndGripComeFromTheShiftedCache) {
  ForceBackgroundCache = true;
  SetLayeredWindowsAvailableForTesting(true);
  QString error;
  const QString root = QString::fromStdString(dir.Path());
  const testskins::TestSkin skin = testskins::ExtBorderSkin();
  ASSERT_TRUE(testskins::WriteSkinFolder(skin, root + "/" + skin.Name, &error)) << error.toStdString();
  manager = std::make_unique<TsSkinManager>();
  manager->SetExtendedBorders(true);
  manager->SetSkinDirectory(root);
  manager->SetSkinName(skin.Name);
  ASSERT_TRUE(manager->Active());
  TsSkinProvider* provider = Provide();
  provider->SetGripMode(TsGripMode::gmRightBottom);
  provider->OnPaint = [](Canvas& c) {
    c.Brush = {TColor(0x0000FF), bsSolid};
    c.FillRect({10, 10, 30, 30});
  };
  form->show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  ASSERT_TRUE(provider->HasBorderWindow());
  const QImage shot = form->grab().toImage();
  ASSERT_GT(provider->CacheShiftX() + provider->CacheShiftY(), 0) << "the cache is wider than the window";
  const QPoint painted = ClientPoint(20, 20);
  EXPECT_EQ(Pixel(shot, painted.x(), painted.y()), TColor(0x0000FF));
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const TPoint grip = provider->GripPosition(testskins::kFormGrip, testskins::kFormGrip);
  const QRect client = form->contentsRect();
  EXPECT_EQ(grip.X - provider->CacheShiftX(), client.right() + 1 - testskins::kFormGrip);
  int matching = 0;
  for (int y = 0; y < testskins::kFormGrip; ++y)
    for (int x = 0; x < testskins::kFormGrip; ++x)
      matching += Pixel(shot, grip.X - provider->CacheShiftX() + x, grip.Y - provider->CacheShiftY() + y) ==
                  (cache.GetPixel(grip.X + x, grip.Y + y) & 0xFFFFFF);
  EXPECT_EQ(matching, testskins::kFormGrip * testskins::kFormGrip);
}

// ------------------------------------------------------------ WM_PRINT

TEST_F(ProviderClientTest, PrintPaintsBandClientAndChildrenThenTheFormsOwnPainting) {
  Activate();
  auto* child = new QWidget(form.get());
  child->setGeometry(ClientPoint(100, 60).x(), ClientPoint(100, 60).y(), 30, 20);
  child->setAutoFillBackground(true);
  QPalette palette = child->palette();
  palette.setColor(QPalette::Window, QColor(200, 0, 0));
  child->setPalette(palette);
  OwnMessages own(form.get());
  TsSkinProvider* provider = Provide();
  form->show();
  Bitmap picture(form->width(), form->height(), pf24bit);
  picture.GetCanvas().Brush = {TColor(0), bsSolid};
  picture.GetCanvas().FillRect({0, 0, picture.Width(), picture.Height()});
  own.seen.clear();
  EXPECT_EQ(SendMessage(form.get(), WM_PRINT, PtrParam(&picture.GetCanvas()), LPARAM(PRF_CLIENT | PRF_CHILDREN)), 0);
  picture.GetCanvas().EndPainting();
  EXPECT_EQ(own.Count(WM_PRINT), 0) << "answered by the provider";
  EXPECT_EQ(own.Count(WM_PAINT), 1) << "the form's own painting, last";
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const int title = form->contentsRect().top() / 2;
  EXPECT_EQ(picture.GetPixel(60, title), cache.GetPixel(60, title)) << "the band";
  const QPoint client = ClientPoint(20, 20), onChild = child->geometry().center();
  EXPECT_EQ(picture.GetPixel(client.x(), client.y()), TColor(testskins::kFormColor));
  EXPECT_EQ(picture.GetPixel(onChild.x(), onChild.y()), TColor(0x0000C8));
  // A hidden form's goes on to the form.
  form->hide();
  SendMessage(form.get(), WM_PRINT, PtrParam(&picture.GetCanvas()), LPARAM(PRF_CLIENT));
  picture.GetCanvas().EndPainting();
  EXPECT_EQ(own.Count(WM_PRINT), 1);
}

// ------------------------------------------------------------ window messages

TEST_F(ProviderClientTest, PositionQuestionOfARegionChangeNeverReachesTheForm) {
  Activate();
  OwnMessages own(form.get());
  TsSkinProvider* provider = Provide();
  form->show();
  own.seen.clear();
  provider->UpdateFormRegion(true);
  EXPECT_TRUE(provider->RegionChanged());
  EXPECT_EQ(own.Count(WM_WINDOWPOSCHANGED), 1) << "the region change was told";
  EXPECT_EQ(own.Count(WM_WINDOWPOSCHANGING), 0) << "its question was swallowed";
  EXPECT_FALSE(provider->InRegionUpdate());
  // Outside a region change the question goes on.
  SetWindowPos(form.get(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(own.Count(WM_WINDOWPOSCHANGING), 1);
}

TEST_F(ProviderClientTest, SetRedrawCountsLocksAndNeverGoesBelowZero) {
  Activate();
  OwnMessages own(form.get());
  TsSkinProvider* provider = Provide();
  form->show();
  const struct {
    WPARAM wParam;
    int lock;
  } steps[] = {{0, 1}, {0, 2}, {1, 1}, {1, 0}, {1, 0}, {5, 1}, {1, 0}};
  for (const auto& s : steps) {
    SendMessage(form.get(), WM_SETREDRAW, s.wParam, 0);
    EXPECT_EQ(provider->RedrawLock(), s.lock) << s.wParam;
  }
  EXPECT_EQ(own.Count(WM_SETREDRAW), int(std::size(steps))) << "each goes on to the form";
  // Commands 51 and 52 switch a composite background's redraw off and on;
  // a plain one's stays.
  provider->PaintAll();
  ASSERT_TRUE(provider->SkinData()->ContainerFlags & 1) << "the form skin's background is plain";
  own.redraw.clear();
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, 51), 0);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, 52), 0);
  EXPECT_TRUE(own.redraw.empty());
  provider->SkinData()->ContainerFlags &= ~uint16_t(1);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, 51), 0);
  EXPECT_EQ(provider->RedrawLock(), 1);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, 52), 0);
  EXPECT_EQ(provider->RedrawLock(), 0);
  EXPECT_EQ(own.redraw, (std::vector<int>{0, 1}));
}

TEST_F(ProviderClientTest, ActivationHooksTheMenusAndABorderlessFormTellsItsControls) {
  Activate();
  int hooks = 0;
  HookFormMenusSeam() = [&](TsSkinProvider&, bool install) { hooks += install ? 1 : 0; };
  form->setProperty("BorderStyle", QStringLiteral("bsNone"));
  auto* child = new QWidget(form.get());
  OwnMessages childMessages(child);
  Provide();
  // Not shown: only the default.
  SendMessage(form.get(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(hooks, 0);
  form->show();
  hooks = 0;
  childMessages.skinCommands.clear();
  SendMessage(form.get(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(hooks, 1);
  EXPECT_EQ(std::count(childMessages.skinCommands.begin(), childMessages.skinCommands.end(), unsigned(acEndUpdate)), 1);
  // A framed form keeps it from its controls.
  form->setProperty("BorderStyle", QStringLiteral("bsSizeable"));
  childMessages.skinCommands.clear();
  SendMessage(form.get(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(std::count(childMessages.skinCommands.begin(), childMessages.skinCommands.end(), unsigned(acEndUpdate)), 0);
}

TEST_F(ProviderClientTest, FormShownMaximizedHoldsItsControlsOnlyUntilItsFrameIsPainted) {
  Activate();
  auto* child = new QWidget(form.get());
  child->setGeometry(10, 10, 50, 20);
  OwnMessages childMessages(child);
  TsSkinProvider* provider = Provide();
  const auto endUpdates = [&] {
    return std::count(childMessages.skinCommands.begin(), childMessages.skinCommands.end(), unsigned(acEndUpdate));
  };
  form->showMaximized();
  Pump(30);
  ASSERT_EQ(provider->ShowState(), 3);
  childMessages.skinCommands.clear();
  SendMessage(form.get(), WM_NCACTIVATE, 1, 0);
  EXPECT_TRUE(provider->SkinData()->UpdatingFlag()) << "the controls wait for the frame";
  // The frame's repaint ends the wait and the controls paint.
  Pump(50);
  (void)form->grab();
  EXPECT_FALSE(provider->SkinData()->UpdatingFlag());
  EXPECT_GE(endUpdates(), 1);
  // A deactivation ends the maximized show: the next activation holds nothing.
  SendMessage(form.get(), WM_NCACTIVATE, 0, 0);
  EXPECT_EQ(provider->ShowState(), 0);
  SendMessage(form.get(), WM_NCACTIVATE, 1, 0);
  EXPECT_FALSE(provider->SkinData()->UpdatingFlag());
  // Each way of showing is recorded.
  struct Case {
    void (QWidget::*show)();
    int state;
  };
  for (const Case& c : {Case{&QWidget::showNormal, 1}, Case{&QWidget::showMinimized, 2}, Case{&QWidget::showMaximized, 3}}) {
    form->hide();
    Pump(10);
    (form.get()->*c.show)();
    Pump(10);
    EXPECT_EQ(provider->ShowState(), c.state);
  }
  // Without our frame nothing would end a hold: none is taken.
  form->hide();
  provider->SetDrawNonClientArea(false);
  form->showMaximized();
  Pump(10);
  SendMessage(form.get(), WM_NCACTIVATE, 1, 0);
  EXPECT_FALSE(provider->SkinData()->UpdatingFlag());
}

TEST_F(ProviderClientTest, ControlAdapterHearsEveryReadaptingStep) {
  Activate();
  std::vector<QWidget*> readapted;
  int created = 0;
  ControlAdapterSeam().Create = [&](TsSkinProvider&) { ++created; };
  ControlAdapterSeam().Readapt = [&](TsSkinProvider&, QWidget* control) { readapted.push_back(control); };
  Provide();
  form->show();
  EXPECT_NE(std::count(readapted.begin(), readapted.end(), nullptr), 0) << "showing re-adapts all";
  (void)form->grab();
  EXPECT_GT(created, 0) << "the band's first paint makes the adapter";
  const auto count = [&](QWidget* w) { return std::count(readapted.begin(), readapted.end(), w); };
  // A control put on the shown form: all (WM_PARENTNOTIFY) and that one
  // (CM_CONTROLLISTCHANGE).
  readapted.clear();
  auto* child = new QWidget(form.get());
  child->show();
  Pump(20);
  EXPECT_GE(count(nullptr), 1);
  EXPECT_EQ(count(child), 1);
  // Command 25 names one control; lParam 0 means all.
  readapted.clear();
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), LPARAM(PtrParam(child)));
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), 0);
  EXPECT_EQ(readapted, (std::vector<QWidget*>{child, nullptr}));
  // A new skin and a refresh re-adapt all.
  for (unsigned command : {unsigned(acNewSkin), unsigned(acRefresh)}) {
    readapted.clear();
    created = 0;
    SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, command), LPARAM(PtrParam(manager.get())));
    EXPECT_EQ(created, 1) << command;
    EXPECT_EQ(count(nullptr), 1) << command;
  }
  // A control taken away is no new control.
  readapted.clear();
  delete child;
  Pump(20);
  EXPECT_EQ(count(nullptr), 0);
}

TEST_F(ProviderClientTest, EraseFilterSwallowsOnlyTheErase) {
  auto* child = new QWidget(form.get());
  OwnMessages below(child);
  WindowProcHandle filter = TsSkinProvider::InstallEraseBkgndFilter(child);
  for (unsigned msg : {unsigned(WM_ERASEBKGND), unsigned(WM_USER + 7), unsigned(WM_SYSCOLORCHANGE)})
    SendMessage(child, msg, 0, 0);
  EXPECT_EQ(below.Count(WM_ERASEBKGND), 0);
  EXPECT_EQ(below.Count(WM_USER + 7), 1);
  EXPECT_EQ(below.Count(WM_SYSCOLORCHANGE), 1);
  EXPECT_TRUE(RemoveWindowProc(filter));
  SendMessage(child, WM_ERASEBKGND, 0, 0);
  EXPECT_EQ(below.Count(WM_ERASEBKGND), 1) << "gone with its removal";
  EXPECT_FALSE(TsSkinProvider::InstallEraseBkgndFilter(nullptr).Installed());
}

TEST_F(ProviderClientTest, PaintNotifyReachesTheControlAdapterWhenThereIsOne) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->AdapterPaintNotify({1, 2, 3, 4});  // no adapter: nothing
  std::vector<TRect> told;
  ControlAdapterSeam().PaintNotify = [&](TsSkinProvider& p, const TRect& r) {
    EXPECT_EQ(&p, provider);
    told.push_back(r);
  };
  provider->AdapterPaintNotify({5, 6, 70, 80});
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0], (TRect{5, 6, 70, 80}));
}

TEST_F(ProviderClientTest, ShowAnimationFreezesUnskinnedControlsAndEndsUnlocked) {
  Activate();
  auto* plain = new QWidget(form.get());
  plain->setGeometry(40, 60, 50, 20);
  OwnMessages plainMessages(plain);
  manager->AnimEffects().FormShow.Time = 80;  // ten steps
  TsSkinProvider* provider = Provide();
  form->show();
  EXPECT_NE(OutputWindowOf(form.get()), nullptr) << "the animation runs";
  EXPECT_FALSE(provider->InAnimation()) << "only while the form is shown";
  EXPECT_EQ(plainMessages.redraw, (std::vector<int>{0, 1})) << "frozen while the form is shown, then free";
  QElapsedTimer t;
  t.start();
  while (OutputWindowOf(form.get()) && t.elapsed() < 3000) Pump(10);
  EXPECT_EQ(OutputWindowOf(form.get()), nullptr);
  EXPECT_FALSE(FormsLocked);
  // Without steps nothing runs.
  form->hide();
  manager->AnimEffects().FormShow.Time = 0;
  provider->SkinData()->BackgroundDirty = true;
  plainMessages.redraw.clear();
  form->show();
  EXPECT_EQ(OutputWindowOf(form.get()), nullptr);
  EXPECT_TRUE(plainMessages.redraw.empty());
}

// A control that takes the wheel, or leaves it.
class WheelTaker : public QWidget {
 public:
  WheelTaker(QWidget* parent, bool takes) : QWidget(parent), takes_(takes) {}
  int Count = 0;
  int Delta = 0;
  Qt::KeyboardModifiers Modifiers;
  Qt::MouseButtons Buttons;

 protected:
  void wheelEvent(QWheelEvent* e) override {
    ++Count;
    Delta = e->angleDelta().y();
    Modifiers = e->modifiers();
    Buttons = e->buttons();
    e->setAccepted(takes_);
  }

 private:
  bool takes_;
};

TEST_F(ProviderClientTest, WheelTheFormLeftGoesToTheControlUnderTheMouseThatTakesIt) {
  Activate();
  auto* taker = new WheelTaker(form.get(), true);
  taker->setGeometry(ClientPoint(10, 10).x(), ClientPoint(10, 10).y(), 80, 40);
  taker->setFocusPolicy(Qt::WheelFocus);
  auto* refuser = new WheelTaker(form.get(), false);
  refuser->setGeometry(ClientPoint(10, 80).x(), ClientPoint(10, 80).y(), 80, 40);
  refuser->setFocusPolicy(Qt::WheelFocus);
  auto* deaf = new WheelTaker(form.get(), true);
  deaf->setGeometry(ClientPoint(10, 150).x(), ClientPoint(10, 150).y(), 80, 40);
  deaf->setFocusPolicy(Qt::ClickFocus);
  Provide();
  form->show();
  const auto at = [&](QWidget* w) {
    const QPoint p = w->mapToGlobal(QPoint(5, 5));
    return MAKELPARAM(p.x(), p.y());
  };
  EXPECT_EQ(SendMessage(form.get(), CM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, -120), at(taker)), 1);
  EXPECT_EQ(taker->Count, 1);
  EXPECT_EQ(taker->Delta, -120);
  EXPECT_EQ(taker->Modifiers, Qt::ShiftModifier);
  // One that leaves it: it comes back to the form once, and stops there.
  EXPECT_EQ(SendMessage(form.get(), CM_MOUSEWHEEL, MAKEWPARAM(0, 120), at(refuser)), 0);
  EXPECT_EQ(refuser->Count, 1);
  // One that does not take the wheel gets nothing.
  EXPECT_EQ(SendMessage(form.get(), CM_MOUSEWHEEL, MAKEWPARAM(0, 120), at(deaf)), 0);
  EXPECT_EQ(deaf->Count, 0);
  // An unskinned form hands it on all the same.
  manager->SetActive(false);
  EXPECT_EQ(SendMessage(form.get(), CM_MOUSEWHEEL, MAKEWPARAM(0, 240), at(taker)), 1);
  EXPECT_EQ(taker->Count, 2);
  EXPECT_EQ(taker->Delta, 240);
}

// The control hears the buttons held while the wheel turned.
TEST_F(ProviderClientTest, AWheelHandedOnKeepsTheButtonsHeld) {
  Activate();
  auto* taker = new WheelTaker(form.get(), true);
  taker->setGeometry(ClientPoint(10, 10).x(), ClientPoint(10, 10).y(), 80, 40);
  taker->setFocusPolicy(Qt::WheelFocus);
  Provide();
  form->show();
  const QPoint p = taker->mapToGlobal(QPoint(5, 5));
  const struct {
    unsigned keys;
    Qt::MouseButtons buttons;
  } rows[] = {{0, Qt::NoButton},
              {MK_LBUTTON, Qt::LeftButton},
              {MK_RBUTTON | MK_MBUTTON, Qt::RightButton | Qt::MiddleButton}};
  for (const auto& row : rows) {
    SendMessage(form.get(), CM_MOUSEWHEEL, MAKEWPARAM(row.keys, 120), MAKELPARAM(p.x(), p.y()));
    EXPECT_EQ(taker->Buttons, row.buttons) << row.keys;
  }
}

class PlainAdapter : public TacMainWnd {
 public:
  PlainAdapter(QWidget* h, TsCommonData* d, TsSkinManager* m, const QString& s) : TacMainWnd(h, d, m, s) {}
};

TEST_F(ProviderClientTest, MouseOnTheFormItselfTellsAControlStillHotThatItLeft) {
  Activate();
  auto* hot = new QWidget(form.get());
  auto* cold = new QWidget(form.get());
  hot->setGeometry(10, 40, 50, 20);
  cold->setGeometry(10, 80, 50, 20);
  Provide();
  form->show();
  TacAdapterPtr<PlainAdapter> hotAdapter = TacMainWnd::Create<PlainAdapter>(hot, nullptr, nullptr, "PANEL", false);
  TacAdapterPtr<PlainAdapter> coldAdapter = TacMainWnd::Create<PlainAdapter>(cold, nullptr, nullptr, "PANEL", false);
  int hotLeaves = 0, coldLeaves = 0;
  const auto counter = [](int& n) {
    return [&n](Message& m, const CallPrevious& previous) {
      if (m.Msg == CM_MOUSELEAVE) ++n;
      previous(m);
    };
  };
  WindowProcHandle h1 = InstallWindowProc(hot, counter(hotLeaves));
  WindowProcHandle h2 = InstallWindowProc(cold, counter(coldLeaves));
  hotAdapter->SkinData()->MouseAbove = true;
  SendMessage(form.get(), CM_MOUSEENTER, 0, LPARAM(PtrParam(form.get())));
  EXPECT_EQ(hotLeaves, 1);
  EXPECT_EQ(coldLeaves, 0);
  // The control the mouse entered is left alone.
  hotLeaves = 0;
  hotAdapter->SkinData()->MouseAbove = true;
  SendMessage(form.get(), CM_MOUSEENTER, 0, LPARAM(PtrParam(hot)));
  EXPECT_EQ(hotLeaves, 0);
  RemoveWindowProc(h1);
  RemoveWindowProc(h2);
}

TEST_F(ProviderClientTest, HiddenFormKeepsNoPictureAndScreenPointsCountFromItsCorner) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  (void)form->grab();
  ASSERT_TRUE(provider->SkinData()->CacheBitmap);
  EXPECT_FALSE(provider->SkinData()->CacheBitmap->Empty());
  const QPoint corner = form->mapToGlobal(QPoint(0, 0));
  const TPoint p = provider->ScreenToWindowPoint({corner.x() + 7, corner.y() + 9});
  EXPECT_EQ(p.X, 7);
  EXPECT_EQ(p.Y, 9);
  form->hide();
  EXPECT_TRUE(provider->SkinData()->CacheBitmap->Empty());
  EXPECT_TRUE(provider->SkinData()->BackgroundDirty);
}

}  // namespace
