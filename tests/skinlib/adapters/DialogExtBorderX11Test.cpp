// A skinned message box with extended borders on a real X server with a
// compositing manager (run under xvfb-run; the test starts xcompmgr itself,
// and openbox first with --window-manager): the border window lies around
// the dialog with its shadow over the window beneath, the dialog's title
// the skin's height with the box's buttons in their room, follows a move,
// and goes when the dialog closes.
//
// With SSQ_SCREENSHOT_DIR set, the picture of the dialog and its border
// (from the X root) goes there as skinlib-dialog-ext-border.png.
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/LayeredWindow.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/acBorderForm.h"
#include "skinlib/adapters/acDialogWnd.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/DialogExtBorderSkin.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XInput.h"
#include "support/XPrograms.h"
#include "support/XServer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

using namespace platform;
using testsupport::Compositor;
using testsupport::Screen;
using testsupport::WaitFor;

namespace {

bool withWindowManager = false;
const QColor kBackdrop(236, 228, 200);

class Backdrop : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), kBackdrop); }
};

int Brightness(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); }

}  // namespace

TEST(DialogExtBorderX11Test, TheBorderLiesAroundTheMessageBoxFollowsItAndGoesWithIt) {
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
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  testsupport::TempDir dir;
  const QString root = QString::fromStdString(dir.Path());
  ASSERT_TRUE(testskins::WriteSkinFolder(testskins::DialogExtBorderSkin(), root + "/DialogExtBorders"));

  Backdrop beneath;
  beneath.setWindowFlag(Qt::FramelessWindowHint);
  beneath.setGeometry(20, 20, 600, 440);
  beneath.show();
  ASSERT_TRUE(WaitFor([&] { return beneath.isVisible() && beneath.geometry().topLeft() == QPoint(20, 20); }));

  auto manager = std::make_unique<TsSkinManager>();
  manager->SetSkinningRules(TsSkinManager::srThirdParty);
  manager->SetExtendedBorders(true);
  manager->SetSkinDirectory(root);
  manager->SetSkinName(QStringLiteral("DialogExtBorders"));
  ASSERT_TRUE(manager->Active());
  ASSERT_TRUE(manager->ExtendedBorders());

  auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("双色球"),
                                           QStringLiteral("第 2024001 期已存在，是否覆盖？"),
                                           QMessageBox::Yes | QMessageBox::No);
  auto adapter = TacMainWnd::Create<TacDialogWnd>(box.get(), nullptr, manager.get(), kDialogSection, true);
  adapter->FirstShowSetup();
  box->move(150, 130);
  box->open();
  ASSERT_TRUE(WaitFor([&] { return adapter->BorderForm() && adapter->BorderForm()->BorderWindow()->isVisible(); },
                      10000));
  QPointer<LayeredWindow> border = adapter->BorderForm()->BorderWindow();
  const int margin = testskins::kExtMargin;
  const auto around = [&] {
    const TRect r = GetWindowRect(box.get());
    return border && border->geometry() == QRect(r.Left - margin, r.Top - margin, r.Width() + 2 * margin,
                                                  r.Height() + 2 * margin);
  };
  ASSERT_TRUE(WaitFor(around, 10000)) << "the border does not lie around the dialog";
  // The title is the skin's height; the box's buttons keep their room.
  EXPECT_EQ(adapter->TitleHeight(), manager->SkinData->TitleHeight);
  for (QAbstractButton* b : box->buttons())
    EXPECT_TRUE(box->contentsRect().contains(QRect(b->mapTo(box.get(), QPoint(0, 0)), b->size())));

  // On the screen (once the compositing manager shows both, which may take
  // a few of its frames): the dialog opaque over its border, its client in
  // the dialog's colour; the shadow beside it darkens the window beneath,
  // more next to the dialog than out at the margin's edge.
  const QPoint client = box->mapToGlobal(box->contentsRect().topLeft() + QPoint(3, box->contentsRect().height() / 2));
  const QPoint left = box->mapToGlobal(QPoint(0, box->height() / 2));
  QImage screen;
  QRgb near = 0, far = 0;
  const auto shown = [&] {
    QApplication::processEvents();
    screen = Screen();
    near = screen.pixel(left.x() - 2, left.y());
    far = screen.pixel(left.x() - margin + 1, left.y());
    return QColor(screen.pixel(client)) == QColor(ToQColor(testskins::kDialogColor)) && near != kBackdrop.rgb() &&
           Brightness(near) < Brightness(far);
  };
  EXPECT_TRUE(WaitFor(shown, 10000)) << "the skinned dialog and its shadow do not show";
  EXPECT_LT(Brightness(near), Brightness(kBackdrop.rgb()) - 20);
  EXPECT_LT(Brightness(near), Brightness(far));
  if (const QByteArray shots = qgetenv("SSQ_SCREENSHOT_DIR"); !shots.isEmpty() && !withWindowManager) {
    const QRect area = border->geometry().adjusted(-12, -12, 12, 12);
    EXPECT_TRUE(screen.copy(area).save(QDir(QString::fromLocal8Bit(shots)).filePath("skinlib-dialog-ext-border.png")));
  }

  // Moved by the program: the border follows.
  box->move(box->x() + 40, box->y() + 30);
  EXPECT_TRUE(WaitFor(around, 10000)) << "the border did not follow the move";

  // Closed: the border window goes.
  box->reject();
  EXPECT_TRUE(WaitFor([&] { return border.isNull(); }, 10000));
  EXPECT_EQ(adapter->BorderForm(), nullptr);
  adapter.reset();
  box.reset();
  manager.reset();
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
