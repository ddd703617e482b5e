// Layered windows on a real X server (run under xvfb-run): available only
// while a compositing manager runs, and then shown with their alpha over
// the window below. The test starts xcompmgr itself and ends it.
//
// With SSQ_SCREENSHOT_DIR set, the composed screen goes there as
// layered_window.png.
#include "platform/LayeredWindow.h"
#include "support/XPrograms.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace platform;
using testsupport::Compositor;
using testsupport::WaitFor;

namespace {

QRgb ScreenPixel(QPoint at) {
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  return screen.pixel(at);
}

}  // namespace

TEST(LayeredX11Test, ShownWithTheirAlphaWhileACompositorRuns) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  EXPECT_FALSE(LayeredWindowsAvailable()) << "no compositing manager yet";

  // A white window with a caption, and a red picture over its left half.
  QWidget below;
  below.setWindowFlags(Qt::FramelessWindowHint);
  below.setStyleSheet(QStringLiteral("background: white; color: black"));
  auto* layout = new QVBoxLayout(&below);
  layout->addWidget(new QLabel(QStringLiteral("下面的窗口 (the window below)")));
  below.setGeometry(40, 40, 320, 160);
  below.show();
  ASSERT_TRUE(WaitFor([&] { return below.isVisible() && ScreenPixel(QPoint(300, 150)) == qRgb(255, 255, 255); }));

  Compositor compositor;
  ASSERT_TRUE(compositor.Started());
  ASSERT_TRUE(WaitFor([] { return LayeredWindowsAvailable(); })) << "xcompmgr did not take the screen";

  Bitmap picture(160, 100, pf32bit);
  picture.Fill(qRgba(220, 0, 0, 255));
  {
    QPainter p(picture.PaintDevice());
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setBrush(QColor(0, 0, 200, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRect(100, 40, 50, 50));
  }
  LayeredWindow layered(nullptr, true);
  ASSERT_TRUE(layered.Update(TPoint{20, 60}, picture, 128));
  layered.show();
  // Red at half the constant alpha over white.
  const QPoint over(60, 80);
  EXPECT_TRUE(WaitFor([&] {
    const QRgb c = ScreenPixel(over);
    return std::abs(qRed(c) - 237) <= 4 && std::abs(qGreen(c) - 127) <= 4 && std::abs(qBlue(c) - 127) <= 4;
  })) << "what the screen shows there: " << std::hex << ScreenPixel(over);
  // The blue ellipse, lighter, lets more of the white through.
  const QRgb ellipse = ScreenPixel(QPoint(20 + 125, 60 + 65));
  EXPECT_GT(qBlue(ellipse), 127 + 20);
  EXPECT_LT(qRed(ellipse), 237 - 20);

  if (const QByteArray dir = qgetenv("SSQ_SCREENSHOT_DIR"); !dir.isEmpty()) {
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(0, 20, 380, 200);
    EXPECT_TRUE(screen.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("layered_window.png"))));
  }

  compositor.Stop();
  EXPECT_TRUE(WaitFor([] { return !LayeredWindowsAvailable(); }));
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  if (QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei")))
    QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 10));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
