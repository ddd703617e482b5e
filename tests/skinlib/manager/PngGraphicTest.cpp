#include "skinlib/manager/acPNG.h"

#include "platform/Picture.h"
#include "platform/Startup.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

// A one-row pf32bit picture.
Bitmap Row(const std::vector<QRgb>& pixels) {
  Bitmap b(int(pixels.size()), 1, pf32bit);
  for (size_t x = 0; x < pixels.size(); ++x) b.SetArgb(int(x), 0, pixels[x]);
  return b;
}

std::vector<TColor> Colors(const Bitmap& b, int y = 0) {
  std::vector<TColor> row;
  for (int x = 0; x < b.Width(); ++x) row.push_back(b.GetPixel(x, y));
  return row;
}

std::string PngOf(const Bitmap& b) {
  std::string bytes, error;
  EXPECT_TRUE(EncodePng(b, bytes, error)) << error;
  return bytes;
}

}  // namespace

TEST(PngGraphic, TheUnitRegistersAPictureThatDrawsWithItsAlpha) {
  EXPECT_FALSE(IsFileFormatRegistered(QStringLiteral("png")));
  StartUnit("acPNG");
  Picture picture;
  // Source over canvas per channel: 255 over 0 comes out as 254, the shift
  // keeps its sign, a clear pixel keeps the canvas.
  ASSERT_TRUE(picture.LoadFromBytes(PngOf(Row({qRgba(255, 0, 200, 255), qRgba(10, 77, 0, 100),
                                               qRgba(0, 0, 0, 0)})),
                                    QStringLiteral("png")));
  Bitmap canvas(6, 2, pf24bit);
  canvas.Fill(qRgb(0, 255, 100));
  canvas.GetCanvas().SetWindowOrg(-1, 0);  // rectangles are logical
  picture.Draw(canvas.GetCanvas(), Bounds(1, 1, 3, 1));
  EXPECT_EQ(Colors(canvas, 1), (std::vector<TColor>{RGB(0, 255, 100), RGB(0, 255, 100),
                                                    RGB(254, 0, 199), RGB(3, 185, 60),
                                                    RGB(0, 255, 100), RGB(0, 255, 100)}));
  EXPECT_EQ(Colors(canvas, 0), std::vector<TColor>(6, RGB(0, 255, 100)));
  FinishUnit("acPNG");
  EXPECT_FALSE(IsFileFormatRegistered(QStringLiteral("png")));
}

TEST(PngGraphic, StretchingScalesColourAndAlphaApartAndOtherFormatsDrawPlain) {
  TPNGGraphic png;
  ASSERT_TRUE(png.LoadFromBytes(PngOf(Row({qRgba(255, 0, 0, 255), qRgba(0, 0, 255, 0)}))));
  EXPECT_EQ(png.ImageProperties, (TPngImageProperties{2, 1, 8, 6, 0, 0, 0}));
  Bitmap canvas(1, 1, pf24bit);
  canvas.Fill(qRgb(0, 0, 0));
  png.Draw(canvas.GetCanvas(), Bounds(0, 0, 1, 1));
  // Half red, half blue at half alpha: the clear pixel's blue still counts.
  EXPECT_NEAR(GetRValue(canvas.GetPixel(0, 0)), 64, 4);
  EXPECT_NEAR(GetBValue(canvas.GetPixel(0, 0)), 64, 4);

  std::string error;
  EXPECT_FALSE(png.LoadFromBytes("not a png", &error));
  EXPECT_EQ(png.Width(), 2);
  png.SetPixelFormat(pf24bit);
  png.Draw(canvas.GetCanvas(), Bounds(0, 0, 1, 1));
  EXPECT_EQ(canvas.GetPixel(0, 0), RGB(255, 0, 0));
}

TEST(PngGraphic, AReflectedPictureFadesBelowItself) {
  TPNGGraphic png;
  png.SetSize(1, 6);
  png.SetPixelFormat(pf32bit);
  for (int y = 0; y < 6; ++y) png.SetArgb(0, y, qRgba(10 * (y + 1), 0, 0, 255));
  png.Reflected = true;
  Bitmap canvas(1, 10, pf24bit);
  canvas.Fill(qRgb(0, 0, 0));
  png.Draw(canvas.GetCanvas(), Bounds(0, 0, 1, 6));
  // Picture rows 4 and 3 at alpha 85 and 56; the row just below is left out.
  std::vector<int> red;
  for (int y = 5; y < 10; ++y) red.push_back(GetRValue(canvas.GetPixel(0, y)));
  EXPECT_EQ(red, (std::vector<int>{59, 0, 16, 8, 0}));
}

TEST(PngGraphic, PaintAlphaImageRectCases) {
  Bitmap background(4, 1, pf24bit);
  for (int x = 0; x < 4; ++x) background.SetPixel(x, 0, RGB(x + 1, x + 1, x + 1));
  const TsBgSource ready{&background, 1, 0, 0, true};
  const TColor grey = RGB(10, 10, 10), key = RGB(254, 0, 254);
  struct Case {
    const char* name;
    TRect dst;
    int transparency;
    TColor tint;
    bool useParentBg;
    TsBgSource bg;
    std::vector<TColor> expected;
  } cases[] = {
      {"plain", Rect(0, 0, 3, 1), 0, NoTintColor, false, EmptyCacheInfo,
       {RGB(199, 199, 199), key, RGB(55, 30, 5), grey}},
      {"half transparent, key kept", Rect(0, 0, 3, 1), 50, NoTintColor, false, ready,
       {RGB(104, 104, 104), grey, RGB(32, 20, 7), grey}},
      {"key takes the parent", Rect(0, 0, 3, 1), 0, NoTintColor, true, ready,
       {RGB(199, 199, 199), RGB(3, 3, 3), RGB(55, 30, 5), grey}},
      {"tinted, rounded", Rect(0, 0, 3, 1), 0, RGB(200, 0, 0), false, EmptyCacheInfo,
       {RGB(156, 0, 0), key, RGB(24, 5, 5), grey}},
      {"left of the bitmap", Rect(-1, 0, 2, 1), 0, NoTintColor, false, EmptyCacheInfo,
       {key, RGB(55, 30, 5), grey, grey}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap src = Row({qRgba(200, 200, 200, 255), qRgba(255, 0, 255, 255), qRgba(100, 50, 0, 128)});
    Bitmap dst(4, 1, pf24bit);
    dst.Fill(qRgb(10, 10, 10));
    PaintAlphaImageRect(c.dst, Rect(0, 0, 3, 1), dst, false, c.transparency, c.tint,
                        c.useParentBg, c.bg, &src);
    EXPECT_EQ(Colors(dst), c.expected);
  }
}

TEST(PngGraphic, ClearTransparentWhiteTouchesOnlyClearWhite) {
  Bitmap b(2, 2, pf32bit);
  const std::vector<QRgb> before{qRgba(255, 255, 255, 0), qRgba(255, 255, 255, 1),
                                 qRgba(255, 0, 0, 0), qRgba(254, 255, 255, 0)};
  for (int i = 0; i < 4; ++i) b.SetArgb(i % 2, i / 2, before[i]);
  Bitmap thin = Row({qRgba(255, 255, 255, 0), qRgba(255, 255, 255, 0)});
  ClearTransparentWhite(b);
  ClearTransparentWhite(thin);
  EXPECT_EQ(b.GetArgb(0, 0), qRgba(0, 0, 0, 0));
  for (int i = 1; i < 4; ++i) EXPECT_EQ(b.GetArgb(i % 2, i / 2), before[i]) << i;
  EXPECT_EQ(thin.GetArgb(0, 0), qRgba(255, 255, 255, 0));
}
