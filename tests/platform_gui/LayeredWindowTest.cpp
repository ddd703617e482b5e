// Layered windows: a picture at a constant alpha in a window that never
// takes activation and, made transparent for input, lets the mouse and
// WindowFromPoint through to the window below.
#include "platform/LayeredWindow.h"

#include "MessageLog.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform;

namespace {

Bitmap Picture(int w, int h, QRgb argb) {
  Bitmap b(w, h, pf32bit);
  b.Fill(argb);
  return b;
}

// A plain window at (100, 100), 300 x 200, shown and active.
struct Below {
  QWidget window;
  Below() {
    window.setGeometry(100, 100, 300, 200);
    window.show();
    window.activateWindow();
    PumpEvents();
  }
};

}  // namespace

TEST(LayeredWindowTest, ShowsAPictureWhereItIsPut) {
  LayeredWindow layered;
  EXPECT_FALSE(layered.Update(TPoint{10, 20}, Bitmap()));
  ASSERT_TRUE(layered.Update(TPoint{150, 160}, Picture(40, 30, qRgba(200, 100, 0, 128)), 64));
  EXPECT_EQ(layered.geometry(), QRect(150, 160, 40, 30));
  EXPECT_EQ(layered.ConstantAlpha(), 64);
  EXPECT_EQ(layered.Picture().size(), QSize(40, 30));
  EXPECT_EQ(qAlpha(layered.Picture().pixel(3, 3)), 128);
  // A picture without alpha shows opaque.
  Bitmap opaque(8, 8, pf24bit);
  ASSERT_TRUE(layered.Update(TPoint{0, 0}, opaque));
  EXPECT_EQ(qAlpha(layered.Picture().pixel(3, 3)), 255);
  // What the window paints: the picture at the constant alpha over nothing.
  ASSERT_TRUE(layered.Update(TPoint{150, 160}, Picture(40, 30, qRgba(200, 100, 0, 255)), 128));
  layered.show();
  PumpEvents();
  const QImage grabbed = layered.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_NEAR(qAlpha(grabbed.pixel(5, 5)), 128, 1);
  const unsigned style = unsigned(GetWindowLong(&layered, GWL_EXSTYLE));
  EXPECT_EQ(style & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE),
            WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
  EXPECT_EQ(style & WS_EX_TRANSPARENT, 0u);
}

// A premultiplied picture goes in byte for byte, a pixel of alpha 0 with
// its colour (which the window adds to what lies below); a straight one
// is premultiplied, such a pixel losing its colour.
TEST(LayeredWindowTest, TakesStraightOrPremultipliedPictures) {
  Bitmap picture(2, 1, pf32bit);
  picture.SetArgb(0, 0, qRgba(80, 40, 20, 0));
  picture.SetArgb(1, 0, qRgba(100, 50, 0, 128));
  auto raw = [](const QImage& image, int x) { return reinterpret_cast<const QRgb*>(image.constScanLine(0))[x]; };
  LayeredWindow layered;
  ASSERT_TRUE(layered.Update(TPoint{150, 160}, picture, 255, LayeredWindow::Alpha::Premultiplied));
  EXPECT_EQ(raw(layered.Picture(), 0), qRgba(80, 40, 20, 0));
  EXPECT_EQ(raw(layered.Picture(), 1), qRgba(100, 50, 0, 128));
  layered.show();
  PumpEvents();
  const QImage painted = layered.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(raw(painted, 0), qRgba(80, 40, 20, 0)) << "painted as it is";
  ASSERT_TRUE(layered.Update(TPoint{150, 160}, picture));
  EXPECT_EQ(raw(layered.Picture(), 0), qRgba(0, 0, 0, 0));
  EXPECT_EQ(raw(layered.Picture(), 1), qRgba(50, 25, 0, 128));
}

// Shown or clicked, the layered window leaves the active window active.
TEST(LayeredWindowTest, NeverTakesActivation) {
  Below below;
  ASSERT_EQ(QApplication::activeWindow(), &below.window);
  LayeredWindow layered;
  layered.Update(TPoint{150, 150}, Picture(50, 50, qRgba(0, 0, 255, 200)));
  layered.show();
  PumpEvents();
  EXPECT_EQ(QApplication::activeWindow(), &below.window);
  EXPECT_EQ(SendMessage(&layered, WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)), MA_NOACTIVATE);
  int presses = 0;
  InstallWindowProc(&layered, [&](Message& m, const CallPrevious& previous) {
    presses += m.Msg == WM_LBUTTONDOWN;
    previous(m);
  });
  QTest::mouseClick(layered.windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
  PumpEvents();
  EXPECT_EQ(presses, 1) << "the click reaches the window";
  EXPECT_EQ(QApplication::activeWindow(), &below.window);
  EXPECT_FALSE(layered.isActiveWindow());
}

// Transparent for input, the window is passed over by WindowFromPoint;
// the switch works on a shown window without hiding it.
TEST(LayeredWindowTest, InputTransparentWindowsArePassedOver) {
  Below below;
  LayeredWindow layered(nullptr, true);
  EXPECT_TRUE(layered.InputTransparent());
  layered.Update(TPoint{150, 150}, Picture(50, 50, qRgba(0, 0, 255, 200)));
  layered.show();
  PumpEvents();
  const TPoint over{170, 170};
  EXPECT_EQ(WindowFromPoint(over), &below.window);
  EXPECT_NE(unsigned(GetWindowLong(&layered, GWL_EXSTYLE)) & WS_EX_TRANSPARENT, 0u);
  layered.SetInputTransparent(false);
  EXPECT_TRUE(layered.isVisible());
  EXPECT_EQ(WindowFromPoint(over), &layered);
  layered.SetInputTransparent(true);
  EXPECT_TRUE(layered.isVisible());
  EXPECT_EQ(WindowFromPoint(over), &below.window);
  EXPECT_EQ(QApplication::activeWindow(), &below.window);
}

TEST(LayeredWindowTest, AvailabilityCanBeForced) {
  EXPECT_TRUE(LayeredWindowsAvailable()) << "the offscreen platform composes windows";
  SetLayeredWindowsAvailableForTesting(false);
  EXPECT_FALSE(LayeredWindowsAvailable());
  SetLayeredWindowsAvailableForTesting(true);
  EXPECT_TRUE(LayeredWindowsAvailable());
  SetLayeredWindowsAvailableForTesting(std::nullopt);
  EXPECT_TRUE(LayeredWindowsAvailable());
}
