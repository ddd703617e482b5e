// A skinned main window on a real X server with a compositing manager
// (run under xvfb-run; the test starts xcompmgr itself, and openbox first
// with --window-manager): the skin's band on the screen, the title
// buttons hot and pressed under the real mouse (xdotool), maximize and
// restore, a resize by the frame, a skin change and the skin's removal;
// and an MDI child minimized, whose sub-window shows the skin's caption
// alone, restored by its restore button and by a double click on its
// caption, and moved by a drag.
//
// With SSQ_SCREENSHOT_DIR set, the pictures go there as provider_*.png.
#include "platform/Colors.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/DemoMainWindow.h"
#include "skinlib/support/MdiSkin.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XInput.h"
#include "support/XServer.h"
#include "support/XPrograms.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace platform;
using testsupport::ClickAt;
using testsupport::Compositor;
using testsupport::MoveMouse;
using testsupport::Screen;
using testsupport::WaitFor;
using testsupport::XDoTool;

namespace {

bool withWindowManager = false;


// With SSQ_SCREENSHOT_DIR set, the screen's `area` goes there once it
// shows what the steps so far asked for.
void Shot(const QString& name, const QRect& area) {
  if (const QByteArray dir = qgetenv("SSQ_SCREENSHOT_DIR"); !dir.isEmpty()) {
    QImage shot;
    EXPECT_TRUE(testsupport::ScreenHoldsStill(area, shot)) << name.toStdString() << ": the screen does not hold still";
    EXPECT_TRUE(shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(name)));
  }
}

// The test's X server, under openbox when asked (it stops with `windowManager`).
void StartDesktop(testsupport::WindowManager& windowManager) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  if (withWindowManager) {
    ASSERT_TRUE(windowManager.Start()) << "openbox did not start";
    ASSERT_TRUE(WaitFor([] { return WindowManagerRuns(); }, 10000));
  }
}

QPoint Centre(QWidget* w, const TRect& r) { return w->mapToGlobal(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2)); }

}  // namespace

TEST(ProviderX11Test, SkinnedMainWindowUnderTheRealMouse) {
  testsupport::WindowManager windowManager;
  ASSERT_NO_FATAL_FAILURE(StartDesktop(windowManager));
  Compositor compositor;
  ASSERT_TRUE(compositor.Started());
  const char* units[] = {"LibraryConstants", "AlphaPainting", "GlowEffect", "SkinnedForms", "SkinCommandSenders",
                         "acSBUtils", "sSkinProvider"};
  for (const char* unit : units) StartUnit(unit);
  testsupport::TempDir dir;
  const QString root = QString::fromStdString(dir.Path());
  QString error;
  ASSERT_TRUE(testskins::WriteSkinFolder(testskins::FormSkin(), root + "/Forms", &error)) << error.toStdString();
  testskins::TestSkin other = testskins::FormSkin();
  other.Name = QStringLiteral("Green");
  testskins::RemoveKey(other, QStringLiteral("FORMTITLE"), QStringLiteral("HOTCOLOR"));
  testskins::RemoveKey(other, QStringLiteral("FORMTITLE"), QStringLiteral("COLOR"));
  other.Section(QStringLiteral("FORMTITLE")).Set(QStringLiteral("HOTCOLOR"), 0x207020).Set(QStringLiteral("COLOR"), 0x90B090);
  ASSERT_TRUE(testskins::WriteSkinFolder(other, root + "/Green", &error)) << error.toStdString();
  auto manager = std::make_unique<TsSkinManager>();
  manager->SetSkinDirectory(root);
  manager->SetSkinName(QStringLiteral("Forms"));
  ASSERT_TRUE(manager->Active());

  std::unique_ptr<QMainWindow> window(testskins::DemoMainWindow());
  window->resize(460, 320);
  auto* provider = new TsSkinProvider(window.get());
  window->show();
  ASSERT_TRUE(HasNonClientFrame(window.get()));
  const auto titlePixel = [&] {
    const QPoint p = window->mapToGlobal(QPoint(window->width() / 2, 8));
    return Screen().pixel(p) & 0xFFFFFF;
  };
  const auto area = [&] { return window->geometry().adjusted(-4, -4, 4, 4); };
  // The title band shows the skin's active title colour.
  ASSERT_TRUE(WaitFor([&] { return titlePixel() == (QColor(0x1E, 0x4A, 0x8A).rgb() & 0xFFFFFF); }, 10000))
      << std::hex << titlePixel();
  Shot(QStringLiteral("provider_demo.png"), area());

  // Hot and pressed.
  provider->PaintAll();
  const TRect close = provider->Buttons()[2].Rect;
  MoveMouse(Centre(window.get(), close));
  EXPECT_TRUE(WaitFor([&] { return provider->Buttons()[2].State == 1; })) << "close turns hot";
  const TRect max = provider->Buttons()[1].Rect;
  MoveMouse(Centre(window.get(), max));
  EXPECT_TRUE(WaitFor([&] { return provider->Buttons()[1].State == 1; })) << "maximize turns hot";
  Shot(QStringLiteral("provider_hot.png"), area());
  XDoTool(QStringLiteral("mousedown 1"));
  EXPECT_TRUE(WaitFor([&] { return provider->Buttons()[1].State == 2; })) << "maximize pressed";
  Shot(QStringLiteral("provider_pressed.png"), area());
  XDoTool(QStringLiteral("mouseup 1"));
  EXPECT_TRUE(WaitFor([&] { return IsZoomed(window.get()); })) << "maximized";
  EXPECT_TRUE(WaitFor([&] {
    return window->width() >= QGuiApplication::primaryScreen()->availableGeometry().width() - 2;
  }));
  Shot(QStringLiteral("provider_maximized.png"), QGuiApplication::primaryScreen()->geometry());
  // Restore by the same button.
  provider->PaintAll();
  MoveMouse(Centre(window.get(), provider->Buttons()[1].Rect));
  XDoTool(QStringLiteral("click 1"));
  EXPECT_TRUE(WaitFor([&] { return !IsZoomed(window.get()) && window->width() == 460; })) << "restored";

  // A resize by the right edge, each step taken in by the program before
  // the next; the window manager, if it takes the resize over, is followed
  // until the X server has the window wider.
  MoveMouse(QPoint(10, 460));
  const QRect before = window->geometry();
  const QPoint edge = window->mapToGlobal(QPoint(window->width() - 2, window->height() / 2));
  {
    testsupport::SeenInput seen;
    XDoTool(QStringLiteral("mousemove %1 %2 mousedown 1").arg(edge.x()).arg(edge.y()));
    EXPECT_TRUE(WaitFor([&] { return seen.Presses > 0; })) << "the press on the edge";
    XDoTool(QStringLiteral("mousemove %1 %2").arg(edge.x() + 30).arg(edge.y()));
    EXPECT_TRUE(WaitFor([&] { return seen.At == edge + QPoint(30, 0); })) << "the drag";
  }
  testsupport::DragOnTo(edge + QPoint(60, 0),
                        [&] { return testsupport::NativeRect(window.get()).width() > before.width() + 20; });
  XDoTool(QStringLiteral("mouseup 1"));
  EXPECT_TRUE(WaitFor([&] { return window->width() > before.width() + 20; }))
      << "width " << window->width() << " from " << before.width();
  MoveMouse(QPoint(10, 460));
  Shot(QStringLiteral("provider_resized.png"), area());

  // A small sizeable form shows its size grip in the client's corner, as
  // its cache has it, and its client in the form's colour.
  {
    QWidget small;
    small.setWindowTitle(QStringLiteral("Grip"));
    small.resize(220, 140);
    auto* smallProvider = new TsSkinProvider(&small);
    smallProvider->SetGripMode(TsGripMode::gmRightBottom);
    small.show();
    ASSERT_TRUE(WaitFor([&] { return small.isVisible() && smallProvider->SkinData()->CacheBitmap; }));
    const auto gripOnScreen = [&] {
      const Bitmap* cache = smallProvider->SkinData()->CacheBitmap.get();
      if (!cache) return false;
      // The grip's place in the cache, and in the window.
      const TPoint grip = smallProvider->GripPosition(testskins::kFormGrip, testskins::kFormGrip);
      const int sx = smallProvider->CacheShiftX(), sy = smallProvider->CacheShiftY();
      for (int y = grip.Y; y < grip.Y + testskins::kFormGrip; y += 3)
        for (int x = grip.X; x < grip.X + testskins::kFormGrip; x += 3) {
          const QRgb want = ToQColor(cache->GetPixel(x, y)).rgb() & 0xFFFFFF;
          if ((Screen().pixel(small.mapToGlobal(QPoint(x - sx, y - sy))) & 0xFFFFFF) != want) return false;
        }
      return true;
    };
    EXPECT_TRUE(WaitFor(gripOnScreen, 10000)) << "the grip on the screen";
    const QPoint inside = small.mapToGlobal(small.contentsRect().topLeft() + QPoint(20, 20));
    EXPECT_EQ(Screen().pixel(inside) & 0xFFFFFF, ToQColor(TColor(testskins::kFormColor)).rgb() & 0xFFFFFF);
    Shot(QStringLiteral("provider_grip.png"), small.geometry().adjusted(-4, -4, 4, 4));
  }

  // A skin change repaints the band in the new skin.
  manager->SetSkinName(QStringLiteral("Green"));
  EXPECT_TRUE(WaitFor([&] { return titlePixel() == (QColor(0x20, 0x70, 0x20).rgb() & 0xFFFFFF); }, 10000))
      << std::hex << titlePixel();
  Shot(QStringLiteral("provider_changed.png"), area());
  // Removal gives the window its own frame back.
  manager->SetActive(false);
  EXPECT_TRUE(WaitFor([&] { return !HasNonClientFrame(window.get()); }));
  EXPECT_TRUE(window->isVisible());
  window.reset();
  manager.reset();
  for (auto it = std::rbegin(units); it != std::rend(units); ++it) FinishUnit(*it);
}

TEST(ProviderX11Test, IconicMdiChildUnderTheRealMouse) {
  testsupport::WindowManager windowManager;
  ASSERT_NO_FATAL_FAILURE(StartDesktop(windowManager));
  const char* units[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils", "EditAdapters",
                         "sSkinProvider"};
  for (const char* unit : units) StartUnit(unit);
  testsupport::TempDir dir;
  auto manager = std::make_unique<TsSkinManager>();
  ASSERT_TRUE(testskins::ActivateForScreenshots(*manager, QString::fromStdString(dir.Path()), testskins::MdiSkin(),
                                                QStringLiteral("Mdi")));
  testskins::DemoMdi demo = testskins::DemoMdiMainWindow();
  std::unique_ptr<QWidget> window(demo.Window);
  window->resize(600, 420);
  new TsSkinProvider(window.get());
  TsSkinProvider* child[3];
  for (int i = 0; i < 3; ++i) child[i] = new TsSkinProvider(demo.Children[i]->widget());
  window->show();
  for (QMdiSubWindow* sub : demo.Children) sub->show();
  demo.Area->cascadeSubWindows();
  ASSERT_TRUE(WaitFor([&] { return window->isVisible() && HasNonClientFrame(demo.Children[0]->widget()); }));
  QMdiSubWindow* sub = demo.Children[0];
  QWidget* form = sub->widget();
  const QRect place = sub->geometry();
  // On the screen where the window manager put it: the active child's title.
  demo.Area->setActiveSubWindow(sub);
  const QRgb hot = ToQColor(TColor(testskins::kFormTitleHotColor)).rgb() & 0xFFFFFF;
  const auto activeTitleShown = [&] {
    return (Screen().pixel(form->mapToGlobal(QPoint(form->width() - 100, 8))) & 0xFFFFFF) == hot;
  };
  ASSERT_TRUE(WaitFor(activeTitleShown, 10000));
  const auto button = [&](QWidget* on, int code) {
    child[0]->PaintAll();
    return Centre(on, child[0]->ButtonRecord(code)->Rect);
  };
  const auto minimize = [&] {
    demo.Area->setActiveSubWindow(sub);
    ClickAt(button(form, HTMINBUTTON));
    return WaitFor([&] { return sub->isMinimized() && !form->isVisible(); });
  };
  // Minimized by its own button: the skin's title on the screen.
  ASSERT_TRUE(minimize());
  const QRect iconic = QRect(sub->mapToGlobal(QPoint()), sub->size());
  EXPECT_EQ(iconic.size(), QSize(GetSystemMetrics(SM_CXMINIMIZED), GetSystemMetrics(SM_CYMINIMIZED)));
  const auto titleOnScreen = [&] {
    const QImage shot = Screen();
    const QPoint at = iconic.topLeft() + QPoint(0, GetSystemMetrics(SM_CXFRAME) + 2);
    int title = 0;
    for (int x = 0; x < iconic.width(); ++x) {
      const QRgb p = shot.pixel(at + QPoint(x, 0)) & 0xFFFFFF;
      title += p == (ToQColor(TColor(testskins::kFormTitleColor)).rgb() & 0xFFFFFF) ||
               p == (ToQColor(TColor(testskins::kFormTitleHotColor)).rgb() & 0xFFFFFF);
    }
    return title > iconic.width() / 8;
  };
  EXPECT_TRUE(WaitFor(titleOnScreen, 10000)) << "the skin's caption on the iconic sub-window";
  Shot(QStringLiteral("provider_mdi_minimized.png"), window->geometry());
  // Its restore button restores it.
  ClickAt(button(sub, HTMINBUTTON));
  EXPECT_TRUE(WaitFor([&] { return !sub->isMinimized() && form->isVisible() && sub->geometry() == place; }))
      << "restored by its button";
  // A double click on the caption restores it.
  ASSERT_TRUE(minimize());
  const TRect icon = child[0]->IconRect();
  const QPoint caption = sub->mapToGlobal(QPoint(icon.Right + 12, sub->height() / 2));
  XDoTool(QStringLiteral("mousemove %1 %2 click --repeat 2 --delay 80 1").arg(caption.x()).arg(caption.y()));
  EXPECT_TRUE(WaitFor([&] { return !sub->isMinimized() && form->isVisible() && sub->geometry() == place; }))
      << "restored by a double click";
  // A drag moves it, iconic still.
  ASSERT_TRUE(minimize());
  // No double click with the press before: a time to let pass, which no
  // event marks.
  QThread::msleep(500);
  const QPoint from = sub->pos();
  const QPoint grip = sub->mapToGlobal(QPoint(icon.Right + 12, sub->height() / 2));
  // Each step taken in by the program before the next.
  testsupport::SeenInput seen;
  XDoTool(QStringLiteral("mousemove %1 %2 mousedown 1").arg(grip.x()).arg(grip.y()));
  EXPECT_TRUE(WaitFor([&] { return seen.Presses > 0; })) << "the press on the caption";
  XDoTool(QStringLiteral("mousemove %1 %2").arg(grip.x() + 20).arg(grip.y() - 20));
  EXPECT_TRUE(WaitFor([&] { return seen.At == grip + QPoint(20, -20); })) << "the drag";
  XDoTool(QStringLiteral("mousemove %1 %2 mouseup 1").arg(grip.x() + 40).arg(grip.y() - 40));
  EXPECT_TRUE(WaitFor([&] { return sub->pos() == from + QPoint(40, -40); }))
      << sub->pos().x() << "," << sub->pos().y();
  EXPECT_TRUE(sub->isMinimized());
  window.reset();
  manager.reset();
  for (auto it = std::rbegin(units); it != std::rend(units); ++it) FinishUnit(*it);
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  QApplication app(argc, argv);
  if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9));
  return RUN_ALL_TESTS();
}
