// A skinned form with extended borders on a real X server with a
// compositing manager (run under xvfb-run; the test starts xcompmgr itself,
// and openbox first with --window-manager): the border window lies behind
// the form with its shadow, a real click in the shadow margin reaches the
// window beneath at its own point, a click on the border's frame does not.
//
// Then the shown form's skin changes to one that paints the title over the
// border's picture (BORDERMODE 1).
//
// With SSQ_SCREENSHOT_DIR set, the pictures go there as
// provider_extended_borders.png and provider_border_mode_one.png.
#include "platform/LayeredWindow.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/FormAnimation.h"
#include "skinlib/adapters/acBorderForm.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ExtBorderSkin.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XInput.h"
#include "support/XPrograms.h"
#include "support/XServer.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace platform;
using testsupport::Compositor;
using testsupport::NativeRect;
using testsupport::Screen;
using testsupport::WaitFor;

namespace {

bool withWindowManager = false;

class PressRecorder : public QWidget {
 public:
  std::vector<QPoint> presses;

 protected:
  void mousePressEvent(QMouseEvent* e) override { presses.push_back(e->position().toPoint()); }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(250, 236, 200));
    p.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignBottom | Qt::AlignLeft, QStringLiteral("A window beneath"));
  }
};

}  // namespace

TEST(BorderFormX11Test, AClickInTheShadowReachesTheWindowBeneath) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  testsupport::WindowManager windowManager;
  if (withWindowManager) {
    ASSERT_TRUE(windowManager.Start()) << "openbox did not start";
    ASSERT_TRUE(WaitFor([] { return WindowManagerRuns(); }, 10000));
  }
  Compositor compositor;
  ASSERT_TRUE(compositor.Started());
  ASSERT_TRUE(WaitFor([] { return LayeredWindowsAvailable(); }, 10000));
  UnitStartupScope units;
  testsupport::TempDir dir;
  const QString root = QString::fromStdString(dir.Path());
  ASSERT_TRUE(testskins::WriteSkinFolder(testskins::ExtBorderSkin(), root + "/ExtBorders"));
  const testskins::TestSkin mode1 = testskins::ExtBorderSkin(/*mode1=*/true);
  ASSERT_TRUE(testskins::WriteSkinFolder(mode1, root + "/" + mode1.Name));

  PressRecorder beneath;
  beneath.setWindowFlag(Qt::FramelessWindowHint);
  beneath.setGeometry(30, 30, 300, 200);
  beneath.show();
  ASSERT_TRUE(WaitFor([&] { return beneath.isVisible() && beneath.geometry().topLeft() == QPoint(30, 30); }));

  auto manager = std::make_unique<TsSkinManager>();
  manager->SetExtendedBorders(true);
  manager->SetSkinDirectory(root);
  manager->SetSkinName(QStringLiteral("ExtBorders"));
  ASSERT_TRUE(manager->Active());
  std::unique_ptr<QWidget> form;
  TsSkinProvider* provider = nullptr;
  LayeredWindow* border = nullptr;
  // The border (of the skin now) lies around the form wherever the window
  // manager put it, no fade running, and the X server has it there.
  const auto settled = [&] {
    if (!WaitFor([&] {
          return !StandByWindowOf(form.get()) && provider->HasBorderWindow() &&
                 provider->BorderForm()->BorderWindow()->isVisible();
        }, 10000))
      return false;
    border = provider->BorderForm()->BorderWindow();
    return WaitFor([&] {
      const TRect r = GetWindowRect(form.get());
      return border->pos() == QPoint(r.Left - provider->CacheShiftX(), r.Top - provider->CacheShiftY()) &&
             NativeRect(border) == border->geometry();
    });
  };
  // The screen once it shows the active form's title at a point, or as it
  // is when the time is up: the compositing manager paints in its own time.
  const QRgb title = qRgb(testskins::kFormTitleHotColor & 0xFF, (testskins::kFormTitleHotColor >> 8) & 0xFF,
                          (testskins::kFormTitleHotColor >> 16) & 0xFF);
  QImage screen;
  const auto titleShownAt = [&](const std::function<QPoint()>& at, const std::function<bool()>& more = [] { return true; }) {
    return WaitFor([&] {
      screen = Screen();
      return (screen.pixel(at()) & 0xFFFFFF) == (title & 0xFFFFFF) && more();
    }, 10000);
  };
  // A form with a menu line and a label, skinned and shown.
  form = std::make_unique<QWidget>();
  form->setWindowTitle(QStringLiteral("Extended borders"));
  auto* layout = new QVBoxLayout(form.get());
  auto* bar = new QMenuBar(form.get());
  layout->setMenuBar(bar);
  bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("Open"));
  bar->addMenu(QStringLiteral("&View"))->addAction(QStringLiteral("Trend"));
  auto* label = new QLabel(QStringLiteral("The title, borders and shadow lie outside the window."));
  layout->addWidget(label);
  provider = new TsSkinProvider(form.get());
  form->setGeometry(120, 110, 380, 220);
  form->show();
  form->activateWindow();
  ASSERT_TRUE(settled());
  // The border's caption, above the form.
  const auto caption = [&] { return border->mapToGlobal(QPoint(border->width() / 2, testskins::kExtMargin + 6)); };
  EXPECT_TRUE(titleShownAt(caption)) << "the form's title is not on the screen";
  if (const QByteArray shots = qgetenv("SSQ_SCREENSHOT_DIR"); !shots.isEmpty()) {
    const QRect area = border->geometry().united(beneath.geometry()).adjusted(-10, -10, 10, 10);
    EXPECT_TRUE(screen.copy(area).save(QDir(QString::fromLocal8Bit(shots)).filePath("provider_extended_borders.png")));
  }

  // A real click in the border window's top-left shadow, over `beneath`.
  const QPoint shadow = border->mapToGlobal(QPoint(4, 4));
  ASSERT_TRUE(beneath.geometry().contains(shadow));
  ASSERT_TRUE(provider->BorderForm()->IsOutsideFrame({4, 4}));
  testsupport::ClickAt(shadow);
  EXPECT_TRUE(WaitFor([&] { return !beneath.presses.empty(); }))
      << "the click stayed with the border window";
  if (!beneath.presses.empty()) {
    EXPECT_EQ(beneath.presses.front(), shadow - beneath.mapToGlobal(QPoint(0, 0)));
  }
  EXPECT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &beneath; }));

  // The form activated again brings its border with it over `beneath`;
  // a click on the border's caption (above the form) is the form's: once
  // the program has it, `beneath` has not.
  form->activateWindow();
  ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == form.get(); }));
  ASSERT_TRUE(titleShownAt(caption)) << "the form is not in front of the window beneath";
  const size_t before = beneath.presses.size();
  {
    testsupport::SeenInput seen;
    testsupport::ClickAt(caption());
    ASSERT_TRUE(WaitFor([&] { return seen.Presses > 0; })) << "the click reached no window of the program";
  }
  EXPECT_EQ(beneath.presses.size(), before);

  // The shown form switched to a skin of other margins that paints the
  // title over the border's picture (BORDERMODE 1): the title band and
  // caption lie over the picture up to its inner edge, the label is still
  // there, and the window's edges below and right of its client are the
  // skin's, not black.
  // (The window manager hands the focus on once `beneath` goes, which the
  // X server shows: the form takes it back after that.)
  const QPoint beneathAlone = beneath.mapToGlobal(QPoint(4, 4));
  ASSERT_TRUE(testsupport::OnTopAt(&beneath, beneathAlone));
  beneath.hide();
  ASSERT_TRUE(WaitFor([&] { return !testsupport::OnTopAt(&beneath, beneathAlone); })) << "the window beneath stays";
  form->activateWindow();
  ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == form.get(); }));
  const QRect place = label->geometry();
  form->setWindowTitle(QStringLiteral("号码缩水 - BORDERMODE 1"));
  manager->SetSkinName(mode1.Name);
  ASSERT_TRUE(settled());
  EXPECT_TRUE(label->isVisible());
  EXPECT_EQ(label->geometry(), place);
  // Pixels of a screen rectangle darker than `gray`.
  const auto darker = [&](const QRect& r, int gray) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += qGray(screen.pixel(x, y)) < gray;
    return n;
  };
  const auto edge = [&] { return border->mapToGlobal(QPoint(border->width() / 2, manager->ExtBorderMargins.Top)); };
  const auto text = [&] { return darker(QRect(label->mapToGlobal(QPoint(0, 0)), label->size()), 100); };
  const QRect client(form->mapToGlobal(form->contentsRect().topLeft()), form->contentsRect().size());
  const QRect window = form->geometry();
  const QRect below(QPoint(client.center().x(), client.bottom() + 1), QPoint(client.center().x(), window.bottom()));
  const QRect right(QPoint(client.right() + 1, client.center().y()), QPoint(window.right(), client.center().y()));
  titleShownAt(edge, [&] { return text() > 0 && darker(below, 1) == 0 && darker(right, 1) == 0; });
  EXPECT_EQ(screen.pixel(edge()) & 0xFFFFFF, title & 0xFFFFFF);
  EXPECT_GT(text(), 0) << "the label's text";
  EXPECT_EQ(darker(below, 1), 0);
  EXPECT_EQ(darker(right, 1), 0);
  if (const QByteArray shots = qgetenv("SSQ_SCREENSHOT_DIR"); !shots.isEmpty() && !withWindowManager) {
    const QRect area = border->geometry().adjusted(-10, -10, 10, 10);
    EXPECT_TRUE(screen.copy(area).save(QDir(QString::fromLocal8Bit(shots)).filePath("provider_border_mode_one.png")));
  }

  form.reset();
  manager.reset();
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
