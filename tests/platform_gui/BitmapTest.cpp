#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include "platform_gui/Pixels.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Bitmap, RowsAreTopDownAndDwordAlignedInEveryFormat) {
  const std::vector<std::tuple<int, TPixelFormat, int>> cases{
      {3, pf24bit, 12}, {3, pf32bit, 12}, {5, pf8bit, 8}, {33, pf1bit, 8}, {32, pf1bit, 4}, {7, pfDevice, 28}};
  for (auto [width, format, stride] : cases) {
    Bitmap b(width, 2, format);
    EXPECT_EQ(b.Stride(), stride) << width << " pixels of format " << format;
    EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), stride);
    EXPECT_EQ(b.BitsPerPixel(), (std::array{32, 1, 8, 24, 32}[format]));
  }
}

TEST(Bitmap, PixelBytesAreInWindowsOrder) {
  Bitmap b24(2, 2, pf24bit);
  b24.SetPixel(1, 1, RGB(10, 20, 30));
  const uint8_t* p = b24.ScanLine(1) + 3;
  EXPECT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), (std::array<int, 3>{30, 20, 10}));
  Bitmap b32(2, 2, pf32bit);
  b32.SetArgb(1, 0, qRgba(10, 20, 30, 40));
  const uint8_t* q = b32.ScanLine(0) + 4;
  EXPECT_EQ((std::array<int, 4>{q[0], q[1], q[2], q[3]}), (std::array<int, 4>{30, 20, 10, 40}))
      << "straight alpha, not premultiplied";
  Bitmap b1(10, 1, pf1bit);
  b1.SetPixel(0, 0, clWhite);
  b1.SetPixel(9, 0, clWhite);
  EXPECT_EQ(b1.ScanLine(0)[0] * 256 + b1.ScanLine(0)[1], 0x8040) << "highest bit first";
  for (auto [x, y] : {std::pair{2, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
    EXPECT_EQ(std::pair(b24.GetPixel(x, y), b24.GetArgb(x, y)), std::pair(CLR_INVALID, 0u));
    b24.SetPixel(x, y, clRed);  // nothing outside
  }
  EXPECT_THROW(b24.ScanLine(2), std::out_of_range);
  EXPECT_THROW(std::as_const(b24).ScanLine(-1), std::out_of_range);
}

TEST(Bitmap, ScanLineStaysPutWhilePaintedAndRead) {
  Bitmap b = pixels::White(16, 8);
  uint8_t* row = b.ScanLine(3);
  QImage view = b.ConstImage();
  QImage copy = b.ToQImage();
  Canvas& c = b.GetCanvas();
  c.Painter()->fillRect(0, 3, 4, 1, Qt::blue);
  // The painter wrote into the same buffer (blue byte first), which a view shares and a copy does not.
  EXPECT_EQ(std::tuple(b.ScanLine(3), row[0], view.pixel(0, 3), copy.pixel(0, 3)),
            std::tuple(row, uint8_t(255), qRgb(0, 0, 255), qRgb(255, 255, 255)));
  QPainter extra(b.PaintDevice());
  extra.fillRect(0, 0, 1, 1, Qt::red);
  extra.end();
  EXPECT_EQ(std::pair(b.ScanLine(3), b.GetPixel(0, 0)), std::pair(row, clRed));
  c.Painter()->fillRect(1, 0, 1, 1, Qt::blue);  // the canvas paints again afterwards
  EXPECT_EQ(b.GetPixel(1, 0), clBlue);
}

TEST(Bitmap, SizeLimitsAre32767ASideAnd2To26PixelsInAll) {
  const std::vector<std::tuple<int64_t, int64_t, bool>> cases{
      {0, 0, true},         {8192, 8192, true},   {8192, 8193, false}, {32767, 2048, true},
      {32767, 2049, false}, {32768, 1, false},    {1, 32768, false},   {-1, 1, false},
      {1, -1, false},       {INT64_MAX, 0, false}};
  for (auto [w, h, allowed] : cases) EXPECT_EQ(BitmapSizeAllowed(w, h), allowed) << w << " x " << h;
  EXPECT_THROW(Bitmap(8193, 8192), EOutOfResources);
}

TEST(Bitmap, SetSizeKeepsThePixelsAtTheTopLeftAndMakesNewOnesWhite) {
  Bitmap b(3, 3, pf24bit);
  b.SetPixel(2, 2, clRed);
  b.Transparent = true;
  b.SetSize(5, 4);
  EXPECT_EQ(pixels::Ascii(b, clWhite), "###..\n###..\n###..\n.....\n");
  EXPECT_EQ(std::tuple(b.GetPixel(2, 2), b.Transparent, b.PixelFormat()), std::tuple(clRed, true, pf24bit));
  b.SetSize(2, 4);
  EXPECT_EQ(pixels::Ascii(b, clWhite), "##\n##\n##\n..\n");
  EXPECT_THROW(b.SetSize(8193, 8192), EOutOfResources);
  EXPECT_EQ(std::pair(b.Width(), b.GetPixel(0, 0)), std::pair(2, clBlack)) << "a refused size changes nothing";
  for (auto [w, h] : {std::pair{-4, 2}, {2, -4}}) {
    Bitmap n(1, 1);
    n.SetSize(w, h);
    EXPECT_TRUE(n.Empty()) << w << " x " << h;
  }
  Bitmap grown(0, 0);
  grown.SetHeight(2);
  grown.SetWidth(3);
  EXPECT_EQ(pixels::InkBox(grown, clWhite), Rect(0, 0, 0, 0)) << "every new pixel white";
}

TEST(Bitmap, FormatConversions) {
  Bitmap b(2, 1, pf24bit);
  b.SetPixel(0, 0, RGB(250, 200, 150));
  b.SetPixel(1, 0, RGB(200, 100, 50));  // grey 126: black in one bit
  b.Transparent = true;
  b.SetTransparentColor(clRed);
  b.SetPixelFormat(pf32bit);
  EXPECT_EQ(b.GetArgb(0, 0), qRgba(250, 200, 150, 255)) << "alpha 255 where there was none";
  b.SetPixelFormat(pf8bit);
  EXPECT_EQ(b.ScanLine(0)[0], (250 * 11 + 200 * 16 + 150 * 5) / 32);
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(std::pair(b.GetPixel(0, 0), b.GetPixel(1, 0)), std::pair(clWhite, clBlack));
  EXPECT_EQ(b.ConstImage().pixel(0, 0), qRgb(255, 255, 255)) << "the view of one bit is black and white";
  EXPECT_TRUE(b.Transparent && b.TransparentColor() == clRed) << "the transparency settings stay";
}

// Copies are deep and keep the settings; a move empties the source; the
// key colour is the bottom-left pixel until one is set.
TEST(Bitmap, CopiesMovesAndTheKeyColour) {
  Bitmap a = pixels::White(4, 4, pf32bit);
  a.SetPixel(0, 3, clLime);
  EXPECT_EQ(std::pair(a.TransparentColor(), Bitmap().TransparentColor()), std::pair(clLime, clBlack));
  a.Transparent = true;
  a.SetTransparentColor(clRed);
  Bitmap b = a;
  b.SetPixel(1, 1, clRed);
  EXPECT_EQ(a.GetPixel(1, 1), clWhite) << "a deep copy";
  EXPECT_EQ(std::tuple(b.Transparent, b.TransparentColor(), b.PixelFormat()), std::tuple(true, clRed, pf32bit));
  Bitmap c = std::move(b);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(std::pair(c.GetPixel(1, 1), c.TransparentColor()), std::pair(clRed, clRed));
}

TEST(Bitmap, FromQImagePicksTheNearestFormat) {
  QImage mono(2, 2, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  QImage inverted = mono;
  inverted.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  const std::vector<std::pair<QImage, TPixelFormat>> cases{
      {QImage(2, 2, QImage::Format_ARGB32), pf32bit},     {QImage(2, 2, QImage::Format_Grayscale8), pf8bit},
      {QImage(2, 2, QImage::Format_RGB888), pf24bit},     {QImage(2, 2, QImage::Format_BGR888), pf24bit},
      {mono, pf1bit}, {inverted, pfDevice}, {QImage(2, 2, QImage::Format_RGB32), pfDevice}};
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(Bitmap::FromQImage(cases[i].first).PixelFormat(), cases[i].second) << i;
  QImage argb(2, 2, QImage::Format_ARGB32);
  argb.fill(qRgba(1, 2, 3, 4));
  EXPECT_EQ(Bitmap::FromQImage(argb).GetArgb(1, 1), qRgba(1, 2, 3, 4));
}

// A device copy holds the rectangle (clipped to the source) as opaque
// screen pixels, and converts again only for a new stamp or rectangle.
TEST(Bitmap, DeviceCopyConvertsOncePerStamp) {
  Bitmap source(4, 3, pf32bit);
  source.Fill(qRgba(30, 40, 7, 0x40));
  DeviceCopy copy;
  const Bitmap& first = copy.Of(source, {2, 1, 6, 5}, 1);  // beyond the right and bottom edges
  EXPECT_EQ(copy.Covered(), (TRect{2, 1, 4, 3}));
  ASSERT_EQ(QSize(first.Width(), first.Height()), QSize(2, 2));
  EXPECT_EQ(first.GetArgb(1, 1), qRgba(30, 40, 7, 255));
  source.SetArgb(3, 2, qRgb(1, 2, 3));
  EXPECT_EQ(copy.Of(source, {2, 1, 6, 5}, 1).GetArgb(1, 1), qRgba(30, 40, 7, 255)) << "same stamp: kept";
  EXPECT_EQ(copy.Of(source, {2, 1, 6, 5}, 2).GetArgb(1, 1), qRgb(1, 2, 3)) << "new stamp: converted";
  EXPECT_TRUE(copy.Of(source, {5, 0, 9, 2}, 2).Empty()) << "outside";
}
