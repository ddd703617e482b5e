// Glows on a real X server with a compositing manager (run under
// xvfb-run; the test starts xcompmgr itself): the mouse entering a skinned
// control shows its glow, which lights the screen around the control, and
// clicks on the glow reach the controls beneath it, the glowing control
// and its neighbour alike. The mouse and the clicks are real X input
// (xdotool).
//
// Run with --window-manager, the test starts openbox first: a glow is no
// window the window manager manages (a frame around it would take the
// mouse from the control, which would clear its glow, over and over).
//
// With SSQ_SCREENSHOT_DIR set, the composed screen goes there as
// glow.png.
#include "platform/LayeredWindow.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/GlowEffect.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
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
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

using platform::TRect;
using testsupport::Compositor;
using testsupport::ClickAt;
using testsupport::MoveMouse;
using testsupport::Screen;
using testsupport::WaitFor;
using testsupport::XDoTool;

namespace {

bool withWindowManager = false;


// A push button answering the messages its skin data handles (the mouse
// entering and leaving shows and clears its glow), as an adapter does.
class GlowingButton : public QPushButton {
 public:
  GlowingButton(const QString& text, QWidget* parent) : QPushButton(text, parent), Data(this) {
    proc_ = platform::InstallWindowProc(
        this,
        [this](platform::Message& m, const platform::CallPrevious& previous) {
          if (!CommonWindowMessage(m, &Data)) previous(m);
        },
        platform::WindowProcLevel::Control);
  }
  ~GlowingButton() override { platform::RemoveWindowProc(proc_); }

  TsCommonData Data;

 private:
  platform::WindowProcHandle proc_;
};

}  // namespace

TEST(GlowX11Test, ClicksOnAGlowReachTheControlsBeneath) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  testsupport::WindowManager windowManager;
  if (withWindowManager) {
    ASSERT_TRUE(windowManager.Start()) << "openbox did not start";
    ASSERT_TRUE(WaitFor([] { return platform::WindowManagerRuns(); }, 10000));
  }
  for (const char* unit : {"LibraryConstants", "AlphaPainting", "GlowEffect"}) platform::StartUnit(unit);
  testsupport::TempDir dir;
  const QString root = QString::fromStdString(dir.Path());
  QString error;
  ASSERT_TRUE(testskins::WriteSkinFolder(testskins::PaintingSkin(), root + "/Painting", &error)) << error.toStdString();
  auto manager = std::make_unique<TsSkinManager>();
  manager->SetSkinDirectory(root);
  manager->SetSkinName(QStringLiteral("Painting"));
  ASSERT_TRUE(manager->SkinData->Active);

  // A dark window (the glow adds its light), a skinned button and a
  // neighbour two pixels to its right, under the glow's outer band.
  QWidget window;
  window.setWindowFlags(Qt::FramelessWindowHint);
  window.setStyleSheet(QStringLiteral("background: rgb(40, 40, 40); color: white"));
  window.setGeometry(40, 40, 360, 200);
  auto* glowing = new GlowingButton(QStringLiteral("Glowing"), &window);
  glowing->setGeometry(60, 60, 120, 40);
  auto* neighbour = new QPushButton(QStringLiteral("Beneath"), &window);
  neighbour->setGeometry(182, 60, 120, 40);
  int glowingClicks = 0, neighbourClicks = 0;
  QObject::connect(glowing, &QPushButton::clicked, [&] { ++glowingClicks; });
  QObject::connect(neighbour, &QPushButton::clicked, [&] { ++neighbourClicks; });
  glowing->Data.SetSkinSection(QStringLiteral("GLOWING"));
  ASSERT_TRUE(glowing->Data.Skinned());
  window.show();
  // A window manager may still move the window after it shows: the place
  // is read again until the window is seen there.
  QPoint origin, band;
  ASSERT_TRUE(WaitFor(
      [&] {
        origin = glowing->mapToGlobal(QPoint(0, 0));
        band = origin + QPoint(60, -2);  // just above the button, inside the glow's band
        return window.isVisible() && Screen().pixel(band) == qRgb(40, 40, 40) &&
               Screen().pixel(origin - QPoint(30, 30)) == qRgb(40, 40, 40);
      },
      20000))
      << "window at " << window.geometry().x() << "," << window.geometry().y() << " frame "
      << window.frameGeometry().x() << "," << window.frameGeometry().y() << " visible " << window.isVisible()
      << " band pixel " << std::hex << Screen().pixel(band) << " inside " << Screen().pixel(origin - QPoint(30, 30));
  MoveMouse(QPoint(10, 300));

  Compositor compositor;
  ASSERT_TRUE(compositor.Started());
  ASSERT_TRUE(WaitFor([] { return platform::LayeredWindowsAvailable(); })) << "xcompmgr did not take the screen";

  // The mouse over the button shows its glow, which lights the band.
  MoveMouse(origin + QPoint(60, 20));
  ASSERT_TRUE(WaitFor([&] { return glowing->Data.GlowIndex >= 0; })) << "no glow on entering";
  ASSERT_NE(GlowAt(glowing->Data.GlowIndex), nullptr);
  QPointer<platform::LayeredWindow> form = GlowAt(glowing->Data.GlowIndex)->Form;
  ASSERT_NE(form, nullptr);
  const int shownIndex = glowing->Data.GlowIndex;
  EXPECT_TRUE(WaitFor([&] { return qRed(Screen().pixel(band)) > 40 + 50; }))
      << "the band shows " << std::hex << Screen().pixel(band);
  if (const QByteArray shots = qgetenv("SSQ_SCREENSHOT_DIR"); !shots.isEmpty()) {
    EXPECT_TRUE(Screen().copy(30, 30, 380, 120).save(QDir(QString::fromLocal8Bit(shots)).filePath("glow.png")));
  }

  // A click on the glow where it overlaps the button's edge: the button.
  const QPoint edge = origin + QPoint(1, 20);
  ASSERT_TRUE(form && form->geometry().contains(edge));
  ClickAt(edge);
  EXPECT_TRUE(WaitFor([&] { return glowingClicks == 1; })) << "the click stayed on the glow";
  EXPECT_EQ(glowing->Data.GlowIndex, shownIndex) << "the mouse never left the button: the same glow shows";
  EXPECT_TRUE(form && form->isVisible());

  // The mouse leaving clears the glows.
  MoveMouse(QPoint(10, 300));
  EXPECT_TRUE(WaitFor([&] { return ShownGlowCount() == 0; }));

  // A glow shown by its caller (as a title button's is) over the
  // neighbour's left edge: a click there reaches the neighbour.
  const TRect r{origin.x(), origin.y(), origin.x() + glowing->width(), origin.y() + glowing->height()};
  const int index = ShowGlow(r, TRect{0, 0, r.Width(), r.Height()}, QStringLiteral("GLOWING"), QStringLiteral("GLOW"),
                             testskins::kHaloOverlap, &window, nullptr);
  ASSERT_GE(index, 0);
  const QPoint beneath = neighbour->mapToGlobal(QPoint(1, 20));
  ASSERT_TRUE(GlowAt(index)->Form->geometry().contains(beneath));
  ClickAt(beneath);
  EXPECT_TRUE(WaitFor([&] { return neighbourClicks == 1; })) << "the click stayed on the glow";
  EXPECT_EQ(glowingClicks, 1);
  EXPECT_NE(GlowAt(index), nullptr) << "the glow stays";
  HideGlow(index);
  EXPECT_TRUE(WaitFor([&] { return qRed(Screen().pixel(band)) == 40; })) << "hidden from the screen";

  manager.reset();
  for (const char* unit : {"GlowEffect", "AlphaPainting", "LibraryConstants"}) platform::FinishUnit(unit);
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  QApplication app(argc, argv);
  if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
  return RUN_ALL_TESTS();
}
