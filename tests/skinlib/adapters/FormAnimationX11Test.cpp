// The show animation on a real X server (run under xvfb-run): the screen
// behind a form whose redraw is switched off fades into the form's picture
// through the output window, and the form shows itself at the end.
//
// With SSQ_SCREENSHOT_DIR set, the screen half-way through goes there as
// form-show-animation.png.
#include "skinlib/adapters/FormAnimation.h"

#include "platform/Canvas.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "support/XPrograms.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;
using testsupport::WaitFor;

namespace {

QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

bool Near(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

TEST(FormAnimationX11, TheScreenFadesIntoTheForm) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  StartUnit("FormAnimation");

  // What lies behind: a light window with a line of text.
  QWidget desk;
  desk.setWindowFlags(Qt::FramelessWindowHint);
  desk.setStyleSheet(QStringLiteral("background: #f4f0e6; color: #303030; font-size: 15px"));
  auto* deskLayout = new QVBoxLayout(&desk);
  deskLayout->addWidget(new QLabel(QStringLiteral("窗口后面的内容 (what lies behind the form)")));
  deskLayout->addStretch();
  auto* through = new QLabel(QStringLiteral("透过窗体可见 (seen through)"));
  through->setAlignment(Qt::AlignHCenter);
  deskLayout->addWidget(through);
  deskLayout->addStretch();
  desk.setGeometry(0, 0, 420, 250);
  desk.show();
  const QPoint behind(380, 230);
  ASSERT_TRUE(WaitFor([&] { return Near(Screen().pixel(behind), qRgb(0xf4, 0xf0, 0xe6), 2); }, 5000));

  // The form, shown with its redraw off as the skin library locks it.
  QWidget form;
  form.setWindowFlags(Qt::FramelessWindowHint);
  form.setStyleSheet(QStringLiteral("QWidget#form { background: #1e4d8c; } QLabel { color: white; font-size: 15px }"));
  form.setObjectName(QStringLiteral("form"));
  auto* layout = new QVBoxLayout(&form);
  layout->addWidget(new QLabel(QStringLiteral("号码缩水 — 淡入的窗体 (the form fading in)")));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(new QPushButton(QStringLiteral("确定")));
  buttons->addWidget(new QPushButton(QStringLiteral("取消")));
  layout->addStretch();
  layout->addLayout(buttons);
  form.setGeometry(60, 60, 340, 170);
  form.ensurePolished();
  SendMessage(&form, WM_SETREDRAW, 0);
  form.show();
  ASSERT_TRUE(WaitFor([&] { return form.isVisible(); }));
  QCoreApplication::processEvents();

  // Half-way (step 25 of 50) the screen shows the mix: it is grabbed from
  // the repaint window's command 3, right after that step's picture.
  const unsigned steps = 50;
  QWidget repaint;
  repaint.ensurePolished();
  unsigned frame = 0;
  QImage halfway;
  InstallWindowProc(&repaint, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg != SkinCommandMsg || HIWORD(m.WParam) != acRefresh) return previous(m);
    if (frame++ == steps / 2) halfway = Screen();
  });
  SetAnimationRepaintWindow(&repaint);
  AnimateFormShow(&form, steps * 8);
  QPointer<TOutputWindow> out = OutputWindowOf(&form);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->isVisible());
  ASSERT_TRUE(WaitFor([&] { return !out; }, 5000));
  EXPECT_EQ(frame, steps + 2);
  ASSERT_FALSE(halfway.isNull());

  // k = 255 - 25 x 5 = 130 of 255 still the screen behind.
  const QPoint plain(80, 160);  // a plain spot of the form over a plain spot behind
  const QRgb mixed = halfway.pixel(plain);
  const QRgb expected = qRgb((0xf4 * 130 + 0x1e * 126) / 256, (0xf0 * 130 + 0x4d * 126) / 256,
                             (0xe6 * 130 + 0x8c * 126) / 256);
  EXPECT_TRUE(Near(mixed, expected, 3)) << std::hex << mixed << " against " << expected;
  // At the end the form shows itself.
  EXPECT_TRUE(WaitFor([&] { return Near(Screen().pixel(plain), qRgb(0x1e, 0x4d, 0x8c), 2); }, 3000));
  EXPECT_FALSE(FormsLocked);

  if (const QByteArray dir = qgetenv("SSQ_SCREENSHOT_DIR"); !dir.isEmpty()) {
    EXPECT_TRUE(halfway.copy(0, 0, 420, 250).save(
        QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("form-show-animation.png"))));
  }
  SetAnimationRepaintWindow(nullptr);
  FinishUnit("FormAnimation");
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  if (QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei")))
    QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei")));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
