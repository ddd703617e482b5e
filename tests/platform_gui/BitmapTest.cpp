#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include "platform_gui/Pixels.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Bitmap, RowsAreDwordAlignedInEveryFormat) {
  EXPECT_EQ(Bitmap(3, 2, pf24bit).Stride(), 12);  // 9 bytes rounded up
  EXPECT_EQ(Bitmap(3, 2, pf32bit).Stride(), 12);
  EXPECT_EQ(Bitmap(5, 2, pf8bit).Stride(), 8);
  EXPECT_EQ(Bitmap(33, 2, pf1bit).Stride(), 8);
  EXPECT_EQ(Bitmap(7, 2).Stride(), 28);
  Bitmap b(3, 4, pf24bit);
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), b.Stride()) << "top-down rows";
}

TEST(Bitmap, PixelBytesAreInWindowsOrder) {
  Bitmap b24(2, 2, pf24bit);
  b24.SetPixel(1, 1, RGB(10, 20, 30));
  const uint8_t* p = b24.ScanLine(1) + 3;
  EXPECT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), (std::array<int, 3>{30, 20, 10}));
  Bitmap b32(2, 2, pf32bit);
  b32.SetArgb(0, 0, qRgba(10, 20, 30, 40));
  const uint8_t* q = b32.ScanLine(0);
  EXPECT_EQ((std::array<int, 4>{q[0], q[1], q[2], q[3]}), (std::array<int, 4>{30, 20, 10, 40}))
      << "straight alpha, not premultiplied";
  Bitmap b1(10, 1, pf1bit);
  b1.Fill(qRgb(0, 0, 0));
  b1.SetPixel(0, 0, clWhite);
  b1.SetPixel(9, 0, clWhite);
  EXPECT_EQ(b1.ScanLine(0)[0], 0x80) << "highest bit first";
  EXPECT_EQ(b1.ScanLine(0)[1], 0x40);
  EXPECT_EQ(b24.GetPixel(2, 0), CLR_INVALID);
  EXPECT_THROW(b24.ScanLine(2), std::out_of_range);
  EXPECT_THROW(b24.ScanLine(-1), std::out_of_range);
}

TEST(Bitmap, ScanLineStaysPutWhilePaintedAndRead) {
  Bitmap b = pixels::White(16, 8);
  uint8_t* row = b.ScanLine(3);
  QImage view = b.ConstImage();
  QImage copy = b.ToQImage();
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clBlue;
  c.FillRect(Rect(0, 3, 4, 4));
  EXPECT_EQ(b.ScanLine(3), row);
  EXPECT_EQ(row[0], 255) << "the painter wrote into the same buffer (blue byte first)";
  EXPECT_EQ(row[2], 0);
  EXPECT_EQ(view.pixel(0, 3), qRgb(0, 0, 255)) << "a view shares the pixels";
  EXPECT_EQ(copy.pixel(0, 3), qRgb(255, 255, 255)) << "a copy does not";
  QPainter extra(b.PaintDevice());
  extra.fillRect(0, 0, 1, 1, Qt::red);
  extra.end();
  EXPECT_EQ(b.ScanLine(3), row);
  EXPECT_EQ(b.GetPixel(0, 0), clRed);
  c.FillRect(Rect(1, 0, 2, 1));  // the canvas paints again afterwards
  EXPECT_EQ(b.GetPixel(1, 0), clBlue);
}

TEST(Bitmap, SetSizeKeepsThePixelsAndRefusesAbsurdSizes) {
  Bitmap b(3, 3, pf24bit);
  b.Fill(qRgb(0, 0, 0));
  b.SetPixel(2, 2, clRed);
  b.SetSize(5, 4);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.GetPixel(2, 2), clRed);
  EXPECT_EQ(b.GetPixel(0, 0), clBlack);
  EXPECT_EQ(b.GetPixel(4, 3), clWhite);
  EXPECT_THROW(b.SetSize(40000, 4), EOutOfResources);
  EXPECT_EQ(b.Width(), 5) << "a refused size leaves the bitmap as it was";
  EXPECT_EQ(b.GetPixel(2, 2), clRed);
  b.SetSize(-4, 2);
  EXPECT_TRUE(b.Empty());
  EXPECT_THROW(b.SetSize(40000, 1), EOutOfResources);
  EXPECT_THROW(b.SetSize(30000, 30000), EOutOfResources);
  EXPECT_NO_THROW(b.SetSize(8000, 8000));
}

TEST(Bitmap, FormatConversions) {
  Bitmap b(2, 1, pf24bit);
  b.SetPixel(0, 0, RGB(250, 200, 150));
  b.SetPixel(1, 0, RGB(200, 100, 50));  // grey 126: black in one bit
  b.SetPixelFormat(pf32bit);
  EXPECT_EQ(b.GetArgb(0, 0), qRgba(250, 200, 150, 255)) << "alpha 255 where there was none";
  b.SetPixelFormat(pf8bit);
  EXPECT_EQ(b.ScanLine(0)[0], (250 * 11 + 200 * 16 + 150 * 5) / 32);
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.GetPixel(0, 0), clWhite);
  EXPECT_EQ(b.GetPixel(1, 0), clBlack);
}

TEST(Bitmap, CopiesAreDeepAndMovesEmptyTheSource) {
  Bitmap a = pixels::White(4, 4, pf32bit);
  a.Transparent = true;
  Bitmap b = a;
  b.SetPixel(1, 1, clRed);
  EXPECT_EQ(a.GetPixel(1, 1), clWhite);
  EXPECT_TRUE(b.Transparent);
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  Bitmap c = std::move(b);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(c.GetPixel(1, 1), clRed);
}

TEST(Bitmap, TransparentColourDefaultsToTheBottomLeftPixel) {
  Bitmap b = pixels::White(3, 3);
  b.SetPixel(0, 2, clLime);
  EXPECT_EQ(b.TransparentColor(), clLime);
  b.SetTransparentColor(clFuchsia);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
}

TEST(Bitmap, FromQImagePicksTheNearestFormat) {
  QImage argb(2, 2, QImage::Format_ARGB32);
  argb.fill(qRgba(1, 2, 3, 4));
  Bitmap a = Bitmap::FromQImage(argb);
  EXPECT_EQ(a.PixelFormat(), pf32bit);
  EXPECT_EQ(a.GetArgb(1, 1), qRgba(1, 2, 3, 4));
  QImage grey(2, 2, QImage::Format_Grayscale8);
  EXPECT_EQ(Bitmap::FromQImage(grey).PixelFormat(), pf8bit);
  QImage mono(2, 2, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  EXPECT_EQ(Bitmap::FromQImage(mono).PixelFormat(), pf1bit);
  EXPECT_EQ(Bitmap::FromQImage(QImage(2, 2, QImage::Format_RGB32)).PixelFormat(), pfDevice);
}
