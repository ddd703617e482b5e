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
  TPNGGraphic png, copy;
  ASSERT_TRUE(png.LoadFromBytes(PngOf(Row({qRgba(255, 0, 0, 255), qRgba(0, 0, 255, 0)}))));
  copy.Assign(png);
  EXPECT_EQ(copy.ImageProperties, (TPngImageProperties{2, 1, 8, 6, 0, 0, 0}));
  Bitmap canvas(5, 1, pf24bit);
  canvas.Fill(qRgb(0, 0, 0));
  copy.Draw(canvas.GetCanvas(), Bounds(0, 0, 1, 1));
  // Half red, half blue at half alpha: the clear pixel's blue still counts.
  EXPECT_NEAR(GetRValue(canvas.GetPixel(0, 0)), 64, 4);
  EXPECT_NEAR(GetBValue(canvas.GetPixel(0, 0)), 64, 4);
  copy.Draw(canvas.GetCanvas(), Bounds(1, 0, 4, 1));  // the alpha grows along
  EXPECT_GT(GetRValue(canvas.GetPixel(1, 0)), 200);
  EXPECT_LT(GetBValue(canvas.GetPixel(4, 0)), 100);

  EXPECT_FALSE(png.LoadFromBytes("not a png"));
  EXPECT_EQ(png.Width(), 2);
  png.SetPixelFormat(pf24bit);
  png.Draw(canvas.GetCanvas(), Bounds(0, 0, 1, 1));
  EXPECT_EQ(canvas.GetPixel(0, 0), RGB(255, 0, 0));
}

TEST(PngGraphic, AReflectedPictureFadesBelowItself) {
  for (bool reflected : {false, true}) {
    TPNGGraphic png;
    png.SetSize(2, 8);
    png.SetPixelFormat(pf32bit);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 2; ++x) png.SetArgb(x, y, qRgba(10 * (y + 1) + 100 * x, 0, 0, 255));
    if (reflected) png.Reflected = true;
    Bitmap canvas(2, 13, pf24bit);
    canvas.Fill(qRgb(0, 0, 0));
    png.Draw(canvas.GetCanvas(), Bounds(0, 0, 2, 8));
    // Picture rows 6, 5 and 4 at alpha 85, 64 and 43; the row just below
    // the picture is left out.
    std::vector<int> red;
    for (int y = 7; y < 13; ++y)
      for (int x = 0; x < 2; ++x) red.push_back(GetRValue(canvas.GetPixel(x, y)));
    const std::vector<int> faded{79, 179, 0, 0, 23, 56, 15, 40, 8, 25, 0, 0},
        plain{79, 179, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(red, reflected ? faded : plain);
  }
  TPNGGraphic thin;  // one row: nothing to mirror
  thin.Assign(Row({qRgba(1, 2, 3, 255)}));
  thin.Reflected = true;
  Bitmap canvas(1, 2, pf24bit);
  canvas.Fill(qRgb(9, 9, 9));
  thin.Draw(canvas.GetCanvas(), Bounds(0, 0, 1, 1));
  EXPECT_EQ(canvas.GetPixel(0, 1), RGB(9, 9, 9));
}

TEST(PngGraphic, PaintAlphaImageRectCases) {
  Bitmap background(4, 1, pf24bit);
  for (int x = 0; x < 4; ++x) background.SetPixel(x, 0, RGB(x + 1, x + 1, x + 1));
  const TsBgSource ready{&background, 1, 0, 0, true}, below{&background, 1, 1, 0, true};
  const TColor grey = RGB(10, 10, 10), key = RGB(254, 0, 254);
  const TRect whole = Rect(0, 0, 3, 1);
  struct Case {
    const char* name;
    TRect dst;
    int transparency;
    TColor tint;
    bool useParentBg;
    TsBgSource bg;
    std::vector<TColor> expected;
  } cases[] = {
      {"plain", whole, 0, NoTintColor, false, EmptyCacheInfo,
       {RGB(199, 199, 199), key, RGB(55, 30, 5), grey}},
      {"half transparent, key kept", whole, 50, NoTintColor, false, ready,
       {RGB(104, 104, 104), grey, RGB(32, 20, 7), grey}},
      {"key takes the parent", whole, 0, NoTintColor, true, ready,
       {RGB(199, 199, 199), RGB(3, 3, 3), RGB(55, 30, 5), grey}},
      {"parent ends above", whole, 0, NoTintColor, true, below,
       {RGB(199, 199, 199), grey, RGB(55, 30, 5), grey}},
      {"tinted, rounded", whole, 0, RGB(202, 0, 0), false, EmptyCacheInfo,
       {RGB(157, 0, 0), key, RGB(25, 5, 5), grey}},
      {"left of the bitmap", Rect(-1, 0, 2, 1), 0, NoTintColor, false, EmptyCacheInfo,
       {key, RGB(55, 30, 5), grey, grey}},
      {"right of the bitmap", Rect(2, 0, 5, 1), 0, NoTintColor, false, EmptyCacheInfo,
       {grey, grey, RGB(199, 199, 199), key}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap src = Row({qRgba(200, 200, 200, 255), qRgba(255, 0, 255, 255), qRgba(100, 50, 0, 128)});
    Bitmap dst(4, 2, pf24bit);
    dst.Fill(qRgb(10, 10, 10));
    PaintAlphaImageRect(c.dst, whole, dst, false, c.transparency, c.tint, c.useParentBg, c.bg, &src);
    EXPECT_EQ(Colors(dst), c.expected);
    EXPECT_EQ(Colors(dst, 1), std::vector<TColor>(4, grey));
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
