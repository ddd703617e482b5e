// More of the PNG pictures: the counted registration, drawing over colour
// and scaled, the tint that leaves the source alone, reflections at the
// top of a source, icons made from bitmaps, and the sign-in pictures.
#include "skinlib/manager/acPNG.h"

#include "platform/Canvas.h"
#include "platform/Picture.h"
#include "platform/Startup.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;

namespace {

std::string SourceDir() {
  const char* dir = std::getenv("SSQ_SOURCE_DIR");
  return dir && *dir ? dir : SSQ_SOURCE_DIR_DEFAULT;
}

Bitmap Filled(int w, int h, QRgb argb, TPixelFormat format = pf32bit) {
  Bitmap b(w, h, format);
  b.Fill(argb);
  return b;
}

std::vector<QRgb> Pixels(const Bitmap& b) {
  std::vector<QRgb> all;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) all.push_back(b.GetArgb(x, y));
  return all;
}

// 1 where the mask is transparent (white), 0 where it is opaque.
std::vector<int> MaskBits(const Icon& icon) {
  std::vector<int> bits;
  for (int y = 0; y < icon.Height(); ++y)
    for (int x = 0; x < icon.Width(); ++x) bits.push_back((icon.Mask().GetArgb(x, y) & 0xFFFFFF) != 0);
  return bits;
}

}  // namespace

TEST(PngPictures, TheRegistrationIsCountedAndNamed) {
  StartUnit("acPNG");
  StartUnit("acPNG");
  FinishUnit("acPNG");
  EXPECT_TRUE(IsFileFormatRegistered(QStringLiteral("png")));  // one user left
  int named = 0;
  for (const PictureFormat& f : RegisteredFileFormats())
    named += f.Extension == QStringLiteral("png") && f.Description == QStringLiteral("Portable network graphics");
  EXPECT_EQ(named, 1);
  FinishUnit("acPNG");
  EXPECT_FALSE(IsFileFormatRegistered(QStringLiteral("png")));
}

TEST(PngPictures, OverColourAndScaled) {
  // Opaque 255 over 0 gives 254; alpha 0 keeps the canvas.
  TPNGGraphic png;
  png.Assign(Filled(4, 4, qRgba(255, 255, 255, 255)));
  png.SetArgb(0, 0, qRgba(255, 255, 255, 0));
  Bitmap canvas = Filled(6, 6, qRgb(0, 0, 0), pf24bit);
  canvas.SetPixel(1, 1, RGB(10, 20, 30));
  png.Draw(canvas.GetCanvas(), Bounds(1, 1, 4, 4));
  EXPECT_EQ(canvas.GetPixel(1, 1), RGB(10, 20, 30));  // under the clear corner
  EXPECT_EQ(canvas.GetPixel(2, 2), RGB(254, 254, 254));
  EXPECT_EQ(canvas.GetPixel(5, 5), RGB(0, 0, 0));
  // The header as the file gives it, widths past one byte included.
  TPNGGraphic long_;
  std::string bytes, error;
  ASSERT_TRUE(EncodePng(Filled(300, 2, qRgba(0, 0, 0, 255)), bytes, error)) << error;
  ASSERT_TRUE(long_.LoadFromBytes(bytes));
  EXPECT_EQ(long_.ImageProperties.Width, 300u);
  EXPECT_EQ(long_.ImageProperties.Height, 2u);

  // Twice as large: colour and alpha are both averaged, so a half-clear
  // 2 x 1 picture spreads its alpha over the four columns it covers.
  TPNGGraphic half;
  Bitmap row(2, 1, pf32bit);
  row.SetArgb(0, 0, qRgba(200, 0, 0, 255));
  row.SetArgb(1, 0, qRgba(0, 0, 200, 0));
  half.Assign(row);
  Bitmap wide = Filled(4, 2, qRgb(0, 0, 0), pf24bit);
  half.Draw(wide.GetCanvas(), Bounds(0, 0, 4, 2));
  // The left columns keep most of the red, the right ones little.
  EXPECT_GT(GetRValue(wide.GetPixel(0, 0)), 150);
  EXPECT_LT(GetRValue(wide.GetPixel(3, 0)), 60);
  EXPECT_EQ(wide.GetPixel(0, 0), wide.GetPixel(0, 1));  // both rows alike
  // Every scaled pixel stays between the pure results.
  for (int x = 0; x < 4; ++x) EXPECT_LE(GetBValue(wide.GetPixel(x, 0)), 200);
}

TEST(PngPictures, TheTintGoesIntoTheDrawingNotTheSource) {
  Bitmap src = Filled(2, 1, qRgba(90, 120, 150, 255));
  src.SetArgb(1, 0, qRgba(255, 0, 255, 255));  // the key colour stays
  const std::vector<QRgb> before = Pixels(src);
  Bitmap dst = Filled(2, 1, qRgb(0, 0, 0), pf24bit);
  const TRect r = Rect(0, 0, 2, 1);
  for (int i = 0; i < 3; ++i) {
    // The same tinted result every time: the source never turns grey.
    PaintAlphaImageRect(r, r, dst, false, 0, RGB(255, 0, 0), false, EmptyCacheInfo, &src);
    EXPECT_EQ(dst.GetPixel(0, 0), RGB(119, 0, 0)) << i;  // grey 120, red channel 120 over 0
    EXPECT_EQ(Pixels(src), before) << i;
    dst.Fill(qRgb(0, 0, 0));
  }
  PaintAlphaImageRect(r, r, dst, false, 0, NoTintColor, false, EmptyCacheInfo, &src);
  EXPECT_EQ(dst.GetPixel(0, 0), RGB(89, 119, 149));
  // Grey 128 times a channel of 1 is 0.502: rounded up to 1, which shows
  // over white (1 * 255 + 255 >> 8 is 1, 0 would give 0).
  Bitmap grey = Filled(1, 1, qRgba(128, 128, 128, 255));
  Bitmap white = Filled(1, 1, qRgb(255, 255, 255), pf24bit);
  const TRect one = Rect(0, 0, 1, 1);
  PaintAlphaImageRect(one, one, white, false, 0, RGB(1, 0, 0), false, EmptyCacheInfo, &grey);
  EXPECT_EQ(white.GetPixel(0, 0), RGB(1, 0, 0));
}

TEST(PngPictures, AReflectionNearTheSourcesTopStaysInsideIt) {
  // A tall source of which the top two rows are drawn: the mirror would
  // take rows above the source; only rows inside it are used.
  Bitmap src(1, 20, pf32bit);
  for (int y = 0; y < 20; ++y) src.SetArgb(0, y, qRgba(200 - 10 * y, 0, 0, 255));
  Bitmap dst = Filled(1, 12, qRgb(0, 0, 0), pf24bit);
  PaintAlphaImageRect(Rect(0, 0, 1, 2), Rect(0, 0, 1, 2), dst, true, 0, NoTintColor, false, EmptyCacheInfo,
                      &src);
  EXPECT_EQ(GetRValue(dst.GetPixel(0, 0)), 199);
  EXPECT_EQ(GetRValue(dst.GetPixel(0, 1)), 189);
  // The row just below is left out; row 3 mirrors source row 0 at alpha
  // 85; the rows after it would come from above the source: nothing.
  EXPECT_EQ(dst.GetPixel(0, 2), RGB(0, 0, 0));
  EXPECT_EQ(GetRValue(dst.GetPixel(0, 3)), 66);
  for (int y = 4; y < 12; ++y) EXPECT_EQ(dst.GetPixel(0, y), RGB(0, 0, 0)) << y;
}

TEST(PngPictures, BitmapToIconMasks) {
  Bitmap shaped(3, 2, pf32bit);
  for (int i = 0; i < 6; ++i) shaped.SetArgb(i % 3, i / 3, i % 2 ? qRgba(9, 9, 9, 255) : qRgba(1, 2, 3, 40));
  struct Case {
    const char* name;
    Bitmap bitmap;
    bool corner;
    std::vector<int> mask;
    bool alpha;
  } cases[] = {
      {"32-bit: the alpha gives the shape", shaped, false, {0, 0, 0, 0, 0, 0}, true},
      {"corner colour is clear", shaped, true, {1, 0, 1, 0, 1, 0}, true},
      {"24-bit always by the corner", Bitmap::FromQImage(shaped.OpaqueImage(), pf24bit), false, {1, 0, 1, 0, 1, 0}, true},
      {"one pixel high: all opaque", Filled(3, 1, qRgba(5, 5, 5, 255)), true, {0, 0, 0}, true},
      {"one pixel wide: all opaque", Filled(1, 2, qRgba(5, 5, 5, 255), pf24bit), false, {0, 0}, true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Icon> icon(BitmapToIcon(c.bitmap, c.corner));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(MaskBits(*icon), c.mask);
    EXPECT_EQ(icon->Mask().PixelFormat(), pf1bit);
    EXPECT_EQ(c.bitmap.PixelFormat(), pf32bit);  // made 32-bit on the way
    EXPECT_EQ(icon->HasAlpha(), c.alpha);
  }
  // Drawn with its alpha (the mask is not needed then).
  std::unique_ptr<Icon> icon(BitmapToIcon(shaped, true));
  Bitmap target = Filled(3, 2, qRgb(200, 100, 0), pf24bit);
  DrawIconEx(target.GetCanvas(), 0, 0, icon.get(), 0, 0);
  EXPECT_EQ(target.GetPixel(1, 0), RGB(9, 9, 9));
}

TEST(PngPictures, TheSignInPicturesStillLoadAndDraw) {
  StartUnit("acPNG");
  const QDir dir(QString::fromStdString(SourceDir() + "/app/res/login"));
  const QStringList files = dir.entryList({QStringLiteral("*.png")});
  ASSERT_EQ(files.size(), 5);
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    Picture picture;
    std::string error;
    ASSERT_TRUE(picture.LoadFromFile(dir.filePath(name).toStdString(), &error)) << error;
    EXPECT_EQ(picture.FormatExtension(), "png");
    EXPECT_EQ(picture.Graphic().PixelFormat(), pf32bit);
    // Drawn with its alpha over a plain colour: somewhere the colour shows
    // through or is mixed, somewhere the picture covers it.
    Bitmap canvas = Filled(picture.Width(), picture.Height(), qRgb(1, 2, 3), pf24bit);
    picture.Draw(canvas.GetCanvas(), Bounds(0, 0, picture.Width(), picture.Height()));
    bool changed = false;
    for (int y = 0; y < canvas.Height() && !changed; ++y)
      for (int x = 0; x < canvas.Width() && !changed; ++x) changed = canvas.GetPixel(x, y) != RGB(1, 2, 3);
    EXPECT_TRUE(changed);
  }
  FinishUnit("acPNG");
}

TEST(PngPictures, PlainCompositingMatchesTheFormulaAtEveryWidth) {
  // The plain case runs through the processor's widest row blender and its
  // narrower tails: every width from 1 to 40 and an offset start must give
  // ((S - D) * a + D * 256) >> 8 in every channel, and leave the pixels
  // beside the area alone.
  uint32_t seed = 12345;
  auto next = [&] { return uint8_t((seed = seed * 1103515245u + 12345u) >> 16); };
  for (int w = 1; w <= 40; ++w) {
    Bitmap src(w + 3, 2, pf32bit), dst(w + 5, 2, pf24bit);
    for (int y = 0; y < 2; ++y) {
      uint8_t* s = src.ScanLine(y);
      for (int i = 0; i < 4 * src.Width(); ++i) s[i] = next();
      uint8_t* d = dst.ScanLine(y);
      for (int i = 0; i < 3 * dst.Width(); ++i) d[i] = next();
    }
    const Bitmap before = dst;
    PaintAlphaImageRect(Bounds(2, 0, w, 2), Bounds(1, 0, w, 2), dst, false, 0, NoTintColor, false, EmptyCacheInfo,
                        &src);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < dst.Width(); ++x)
        for (int c = 0; c < 3; ++c) {
          const int d = before.ScanLine(y)[3 * x + c];
          int expected = d;
          if (x >= 2 && x < 2 + w) {
            const uint8_t* s = src.ScanLine(y) + 4 * (x - 1);
            expected = ((s[c] - d) * s[3] + d * 256) >> 8;
          }
          ASSERT_EQ(dst.ScanLine(y)[3 * x + c], expected) << "width " << w << " x " << x << " channel " << c;
        }
  }
}
