// The alpha and mask toolbox, per pixel and per routine: the formulas,
// the key colour, the parent background and the clipping every routine
// shares.
#include "skinlib/manager/AlphaPainting.h"

#include "PaintingFixture.h"
#include "platform/LayeredWindow.h"
#include "platform/Startup.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/ManagerSeams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

using namespace painting;
using platform::Bitmap;
using platform::RGB;
using platform::TColor;
using platform::TPixelFormat;
using platform::TPoint;
using platform::TRect;
using platform::pf24bit;
using platform::pf32bit;

namespace {

// ((a - b) * w + b * 256) >> 8.
int Weigh(int a, int b, int w) { return ((a - b) * w + b * 256) >> 8; }

Bitmap Uniform32(int w, int h, QRgb argb) {
  Bitmap b(w, h, pf32bit);
  b.Fill(argb);
  return b;
}

}  // namespace

TEST(AlphaPainting, AlphaPicturesOverBothFormats) {
  const struct {
    QRgb src;
    QRgb expected;  // over the background (1, 2, 3)
  } cases[] = {
      {qRgba(255, 255, 255, 0), qRgb(1, 2, 3)},  // alpha 0 keeps the destination
      {qRgba(255, 0, 255, 255), qRgb(Weigh(255, 1, 255), Weigh(0, 2, 255), Weigh(255, 3, 255))},
      {qRgba(100, 150, 200, 128), qRgb(Weigh(100, 1, 128), Weigh(150, 2, 128), Weigh(200, 3, 128))},
      {qRgba(255, 0, 255, 0), qRgb(1, 2, 3)},  // $00FF00FF: not blended
  };
  EXPECT_EQ(Weigh(255, 0, 255), 254);
  for (const auto& c : cases)
    for (TPixelFormat f : {pf24bit, pf32bit}) {
      SCOPED_TRACE(ShowArgb(c.src));
      Bitmap dst = Filled(6, 6, f);
      PaintAlphaBitmapRect(TRect{1, 1, 4, 4}, TRect{0, 0, 3, 3}, dst, false, EmptyCacheInfo, Uniform32(3, 3, c.src));
      EXPECT_EQ(dst.GetArgb(2, 2), (c.expected & 0xFFFFFF) | (f == pf32bit ? 77u << 24 : 0xFF000000u));
      EXPECT_EQ(ChangedOutside(Filled(6, 6, f), dst, TRect{1, 1, 4, 4}), 0);
    }
  // The transparent key colour with the parent background.
  Bitmap parent = Filled(10, 10, pf24bit, qRgb(50, 60, 70));
  Bitmap dst = Filled(6, 6, pf24bit);
  PaintAlphaBitmapRect(TRect{1, 1, 4, 4}, TRect{0, 0, 3, 3}, dst, true, TsBgSource{&parent, 2, 2, 0, true},
                       Uniform32(3, 3, qRgba(255, 0, 255, 0)));
  EXPECT_EQ(dst.GetArgb(1, 1), qRgb(50, 60, 70));
  // A source that is not 32 bits paints nothing.
  Bitmap src24 = Filled(3, 3, pf24bit, qRgb(9, 9, 9));
  Bitmap dst2 = Filled(6, 6, pf24bit);
  PaintAlphaBitmapRect(TRect{0, 0, 3, 3}, TRect{0, 0, 3, 3}, dst2, false, EmptyCacheInfo, src24);
  EXPECT_EQ(ChangedOutside(Filled(6, 6, pf24bit), dst2, {}), 0);
}

// Every routine cuts its rectangles to both bitmaps: what lies outside is
// neither read nor written, whatever the rectangles.
TEST(AlphaPainting, RectanglesAreCutToBothBitmaps) {
  const Bitmap src32 = Uniform32(8, 10, qRgba(200, 100, 50, 200));
  const Bitmap image = Filled(8, 10, pf24bit, qRgb(200, 100, 50));
  const TRect rects[] = {{-5, -5, 3, 3}, {6, 7, 40, 40}, {-100, 2, 100, 3}, {3, 3, 2, 2}, {0, 0, 8, 10}};
  for (const TRect& d : rects)
    for (const TRect& s : rects) {
      SCOPED_TRACE(Show(d) + " from " + Show(s));
      // Rectangle pairs: within the destination rectangle.
      Bitmap dst = Filled(8, 8, pf24bit);
      PaintAlphaBitmapRect(d, s, dst, false, EmptyCacheInfo, src32);
      PaintImageWithMask(d, s, dst, 5, false, EmptyCacheInfo, image);
      EXPECT_EQ(ChangedOutside(Filled(8, 8, pf24bit), dst, d), 0);
      // A point and a source rectangle: within the source's size there.
      Bitmap at = Filled(8, 8, pf24bit);
      PaintImageWithKeyColor(at, image, false, EmptyCacheInfo, KeyColor, s, TPoint{d.Left, d.Top});
      BlendBitmapRect(at, d.Left, d.Top, KeyColor, 0.3, s, image);
      BlendRectByAlpha(at, image, 100, TPoint{d.Left, d.Top}, s);
      CopyTransparentRect(at, image, KeyColor, s, TPoint{d.Left, d.Top});
      EXPECT_EQ(ChangedOutside(Filled(8, 8, pf24bit), at, platform::Bounds(d.Left, d.Top, s.Width(), s.Height())), 0);
    }
}

TEST(AlphaPainting, ImagesWeightedByTheirMaskPart) {
  // A 3 x 2 image over its mask part (rows 2 and 3).
  Bitmap image(3, 4, pf24bit);
  const QRgb pixels[] = {qRgb(200, 100, 0), qRgb(255, 0, 255), qRgb(10, 20, 30),
                         qRgb(0, 0, 0),     qRgb(40, 80, 120), qRgb(90, 90, 90)};
  const int masks[] = {0, 255, 128, 255, 64, 17};
  for (int i = 0; i < 6; ++i) {
    image.SetArgb(i % 3, i / 3, pixels[i]);
    image.SetArgb(i % 3, 2 + i / 3, qRgb(masks[i], masks[i], masks[i]));
  }
  Bitmap parent = Filled(10, 10, pf24bit, qRgb(7, 8, 9));
  for (bool useParent : {false, true})
    for (TPixelFormat f : {pf24bit, pf32bit}) {
      SCOPED_TRACE(std::string(useParent ? "parent " : "") + (f == pf32bit ? "32" : "24"));
      Bitmap dst = Filled(5, 5, f);
      PaintImageWithMask(TRect{1, 1, 4, 3}, TRect{0, 0, 3, 2}, dst, 2, useParent, TsBgSource{&parent, 0, 0, 0, true},
                         image);
      for (int i = 0; i < 6; ++i) {
        const QRgb d = dst.GetArgb(1 + i % 3, 1 + i / 3);
        QRgb want = qRgb(Weigh(1, qRed(pixels[i]), masks[i]), Weigh(2, qGreen(pixels[i]), masks[i]),
                         Weigh(3, qBlue(pixels[i]), masks[i]));
        if (useParent && i == 1) want = qRgb(7, 8, 9);
        EXPECT_EQ(d & 0xFFFFFF, want & 0xFFFFFF) << i;
        EXPECT_EQ(qAlpha(d), f == pf32bit ? 77 : 255);
      }
    }
  // Mask rows beyond the bitmap are never read: the rows whose mask is
  // missing are left out.
  Bitmap dst = Filled(5, 5, pf24bit);
  PaintImageWithMask(TRect{0, 0, 3, 4}, TRect{0, 0, 3, 4}, dst, 2, false, EmptyCacheInfo, image);
  EXPECT_EQ(ChangedOutside(Filled(5, 5, pf24bit), dst, TRect{0, 0, 3, 2}), 0);
}

// A strip of tiles painted in one go against the same tiles painted one
// by one: tiles of odd sizes, strips starting mid-bitmap, cut on every
// side or wholly outside, tiles or their mask rows past the image (which
// take the tile-by-tile way), 24- and 32-bit destinations and images.
TEST(AlphaPainting, TiledStripsPaintWhatTheirTilesPaint) {
  const auto picture = [](TPixelFormat f) {
    Bitmap image(9, 12, f);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 9; ++x)
        image.SetArgb(x, y, y < 6 ? qRgba(37 * x + 11 * y, 200 - 13 * x, 7 * x * y, 90)
                                  : qRgb((x * 53 + y * 29) & 255, (x * 17 + 200) & 255, (y * 41) & 255));
    return image;
  };
  const TRect tiles[] = {{1, 0, 4, 3}, {0, 0, 9, 6}, {2, 1, 3, 2}, {3, 2, 8, 5},
                         {6, 0, 11, 3},   // past the image's right side
                         {0, 4, 3, 7}};   // mask rows past its bottom
  const TRect strips[] = {{0, 0, 31, 3},  {-4, 1, 13, 9},   {5, 2, 45, 19},  {3, 3, 4, 22},  {7, 1, 8, 2},
                          {2, 2, 2, 9},   {-30, -30, -1, -1}, {29, 0, 60, 40}, {-7, -5, 40, 30}};
  for (TPixelFormat imageFormat : {pf24bit, pf32bit}) {
    const Bitmap image = picture(imageFormat);
    for (TPixelFormat f : {pf24bit, pf32bit})
      for (const TRect& tile : tiles)
        for (const TRect& strip : strips) {
          SCOPED_TRACE(Show(strip) + " of " + Show(tile) + (f == pf32bit ? " into 32" : " into 24") +
                       (imageFormat == pf32bit ? " from 32" : " from 24"));
          Bitmap whole(32, 20, f);
          for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 32; ++x) whole.SetArgb(x, y, qRgba(x * 8, y * 12, (x ^ y) * 7, 60 + x));
          Bitmap oneByOne(whole);
          PaintTiledImageWithMask(strip, tile, whole, 6, image);
          for (int y = strip.Top; y < strip.Bottom; y += tile.Height())
            for (int x = strip.Left; x < strip.Right; x += tile.Width()) {
              const int w = std::min(tile.Width(), strip.Right - x), h = std::min(tile.Height(), strip.Bottom - y);
              PaintImageWithMask(platform::Bounds(x, y, w, h), platform::Bounds(tile.Left, tile.Top, w, h), oneByOne,
                                 6, false, EmptyCacheInfo, image);
            }
          int wrong = 0;
          for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 32; ++x)
              if (whole.GetArgb(x, y) != oneByOne.GetArgb(x, y) && ++wrong <= 2)
                ADD_FAILURE() << "(" << x << ", " << y << "): " << ShowArgb(whole.GetArgb(x, y)) << " not "
                              << ShowArgb(oneByOne.GetArgb(x, y));
        }
  }
}

TEST(AlphaPainting, KeyColourShowsTheParentOrStays) {
  Bitmap src(3, 1, pf24bit);
  src.SetArgb(0, 0, qRgb(255, 0, 255));
  src.SetArgb(1, 0, qRgb(10, 20, 30));
  src.SetArgb(2, 0, qRgb(0, 255, 0));  // the key colour asked for below
  Bitmap parent = Filled(10, 10, pf24bit, qRgb(7, 8, 9));
  const struct {
    bool useParent;
    bool ready;
    TColor key;
    QRgb first, third;
  } cases[] = {{false, true, KeyColor, kBackground, qRgb(0, 255, 0)},
               {true, true, KeyColor, qRgb(7, 8, 9), qRgb(0, 255, 0)},
               {true, false, KeyColor, kBackground, qRgb(0, 255, 0)},
               {true, true, RGB(0, 255, 0), qRgb(255, 0, 255), qRgb(7, 8, 9)}};
  for (const auto& c : cases) {
    Bitmap dst = Filled(4, 2, pf32bit);
    PaintImageWithKeyColor(dst, src, c.useParent, TsBgSource{&parent, 0, 0, 0, c.ready}, c.key, TRect{0, 0, 3, 1},
                           TPoint{1, 1});
    EXPECT_EQ(dst.GetArgb(1, 1) & 0xFFFFFF, c.first & 0xFFFFFF);
    EXPECT_EQ(dst.GetArgb(2, 1), qRgba(10, 20, 30, 255));  // copied: opaque from a 24-bit source
    EXPECT_EQ(dst.GetArgb(3, 1) & 0xFFFFFF, c.third & 0xFFFFFF);
  }
  // The destination as its own parent keeps its key pixels.
  Bitmap self = Filled(4, 2, pf24bit);
  PaintImageWithKeyColor(self, src, true, TsBgSource{&self, 2, 0, 0, true}, KeyColor, TRect{0, 0, 3, 1}, TPoint{0, 0});
  EXPECT_EQ(self.GetArgb(0, 0), kBackground | 0xFF000000u);
  // A parent point outside the parent bitmap leaves the pixel.
  Bitmap far = Filled(4, 2, pf24bit);
  PaintImageWithKeyColor(far, src, true, TsBgSource{&parent, 50, 50, 0, true}, KeyColor, TRect{0, 0, 3, 1}, TPoint{0, 0});
  EXPECT_EQ(far.GetArgb(0, 0), kBackground | 0xFF000000u);
}

// Round(S - (S - D) * factor), halves to even; the key colour skipped
// unless its highest byte is 255.
TEST(AlphaPainting, BlendBitmapRectAndItsKeyColour) {
  Bitmap src(2, 1, pf24bit);
  src.SetArgb(0, 0, qRgb(255, 0, 255));
  src.SetArgb(1, 0, qRgb(11, 13, 200));
  const struct {
    TColor key;
    double factor;
    QRgb magenta, other;
  } cases[] = {
      {KeyColor, 0.5, kBackground, qRgb(6, 8, 102)},                           // 6, 7.5 -> 8, 101.5 -> 102
      {TColor(0xFFFF00FF), 0.5, qRgb(128, 1, 129), qRgb(6, 8, 102)},           // 128, 1, 129
      {TColor(0xFFFF00FF), 0.0, qRgb(255, 0, 255), qRgb(11, 13, 200)},         // 0 copies
      {TColor(0xFFFF00FF), 1.0, kBackground, kBackground},                     // 1 keeps
  };
  for (const auto& c : cases) {
    Bitmap dst = Filled(2, 1, pf32bit);
    BlendBitmapRect(dst, 0, 0, c.key, c.factor, TRect{0, 0, 2, 1}, src);
    EXPECT_EQ(dst.GetArgb(0, 0), (c.magenta & 0xFFFFFF) | 77u << 24) << c.factor;
    EXPECT_EQ(dst.GetArgb(1, 0), (c.other & 0xFFFFFF) | 77u << 24) << c.factor;
  }
}

TEST(AlphaPainting, PicturesPulledTowardsAColour) {
  // Round((c - C) * factor + C); a 32-bit pixel is compared whole.
  Bitmap b32(3, 1, pf32bit);
  b32.SetArgb(0, 0, qRgba(255, 0, 255, 0));    // $00FF00FF: skipped
  b32.SetArgb(1, 0, qRgba(255, 0, 255, 255));  // $FFFF00FF: not the key colour here
  b32.SetArgb(2, 0, qRgba(101, 51, 0, 255));
  BlendBitmapToColor(b32, 0.5, RGB(0, 0, 0), KeyColor);
  EXPECT_EQ(b32.GetArgb(0, 0), qRgba(255, 0, 255, 0));
  EXPECT_EQ(b32.GetArgb(1, 0), qRgba(128, 0, 128, 255));
  EXPECT_EQ(b32.GetArgb(2, 0), qRgba(50, 26, 0, 255));  // 50.5 -> 50, 25.5 -> 26
  Bitmap b24(2, 1, pf24bit);
  b24.SetArgb(0, 0, qRgb(255, 0, 255));
  b24.SetArgb(1, 0, qRgb(100, 100, 100));
  BlendBitmapToColor(b24, 0.0, RGB(7, 8, 9), KeyColor);
  EXPECT_EQ(b24.GetArgb(0, 0), qRgb(255, 0, 255));
  EXPECT_EQ(b24.GetArgb(1, 0), qRgb(7, 8, 9));
  // By a mask's channels: 255 keeps, 0 gives the colour; sizes must agree.
  Bitmap pic = Filled(2, 2, pf24bit, qRgb(200, 100, 50));
  Bitmap mask(2, 2, pf24bit);
  mask.Fill(qRgb(255, 0, 128));
  BlendByMaskToColor(pic, mask, RGB(0, 10, 20));
  EXPECT_EQ(pic.GetArgb(1, 1), qRgb(Weigh(200, 0, 255), Weigh(100, 10, 0), Weigh(50, 20, 128)));
  Bitmap other = Filled(2, 2, pf24bit, qRgb(200, 100, 50));
  Bitmap wrongSize(3, 2, pf24bit);
  wrongSize.Fill(qRgb(0, 0, 0));
  BlendByMaskToColor(other, wrongSize, RGB(0, 10, 20));
  EXPECT_EQ(other.GetArgb(0, 0), qRgb(200, 100, 50));
}

TEST(AlphaPainting, ConstantAlphaBlendOfRectangles) {
  const Bitmap src24 = Filled(8, 8, pf24bit, qRgb(255, 0, 100));
  const Bitmap src32 = Uniform32(8, 8, qRgba(255, 0, 100, 255));
  const struct {
    const Bitmap* src;
    TPixelFormat dst;
    bool blends;
  } pairs[] = {{&src24, pf24bit, true}, {&src32, pf32bit, true}, {&src24, pf32bit, false}, {&src32, pf24bit, false}};
  for (const auto& p : pairs) {
    Bitmap dst = Filled(6, 6, p.dst, qRgba(0, 255, 100, 255));
    BlendRectByAlpha(dst, *p.src, 0x1FF00 | 64, TPoint{-2, 1}, TRect{0, 0, 5, 3});  // alpha: the lowest byte
    const QRgb expected = p.blends ? qRgba((255 * 191 + 127) >> 8, (255 * 64 + 127) >> 8, (100 * 255 + 127) >> 8,
                                           p.dst == pf32bit ? (255 * 255 + 127) >> 8 : 255)
                                   : qRgba(0, 255, 100, 255);
    EXPECT_EQ(dst.GetArgb(0, 1), expected);
    EXPECT_EQ(dst.GetArgb(2, 3), expected);
    // The negative point moved the source start: three columns, three rows.
    EXPECT_EQ(ChangedOutside(Filled(6, 6, p.dst, qRgba(0, 255, 100, 255)), dst, TRect{0, 1, 3, 4}), 0);
  }
  // A bitmap of one row is refused.
  Bitmap thin = Filled(6, 1, pf24bit);
  BlendRectByAlpha(thin, src24, 0, TPoint{0, 0}, TRect{0, 0, 6, 1});
  EXPECT_EQ(thin.GetArgb(0, 0), kBackground | 0xFF000000u);
}

TEST(AlphaPainting, TransparentCopiesMixesGreyAndChannels) {
  Bitmap src(2, 1, pf24bit);
  src.SetArgb(0, 0, qRgb(255, 0, 255));
  src.SetArgb(1, 0, qRgb(1, 2, 3));
  Bitmap dst = Filled(3, 2, pf32bit);
  CopyTransparentBitmap(dst, src, KeyColor, 1, 1);
  EXPECT_EQ(dst.GetArgb(1, 1), kBackground);
  EXPECT_EQ(dst.GetArgb(2, 1), qRgba(1, 2, 3, 255));
  // (B * 256 + (A - B) * K) >> 8, by a constant or by the mask's channels.
  const Bitmap a = Filled(2, 2, pf24bit, qRgb(200, 100, 0));
  const Bitmap b = Filled(2, 2, pf24bit, qRgb(0, 100, 200));
  Bitmap mixed = Filled(2, 2, pf32bit);
  MixBitmaps(mixed, a, b, 64);
  EXPECT_EQ(mixed.GetArgb(1, 1), qRgba(Weigh(200, 0, 64), 100, Weigh(0, 200, 64), 77));
  Bitmap mask(2, 2, pf24bit);
  mask.Fill(qRgb(255, 0, 128));
  MixBitmaps(mixed, a, b, 0, &mask);
  EXPECT_EQ(mixed.GetArgb(0, 0), qRgba(Weigh(200, 0, 255), 100, Weigh(0, 200, 128), 77));
  Bitmap untouched = Filled(2, 2, pf32bit);
  MixBitmaps(untouched, a, Filled(3, 2, pf24bit), 64);  // A and B of different sizes
  EXPECT_EQ(untouched.GetArgb(0, 0), kBackground);
  // Grey: (B + G + R) div 3; alpha kept.
  Bitmap grey = Filled(2, 2, pf32bit, qRgba(10, 20, 31, 99));
  GrayscaleBitmap(grey);
  EXPECT_EQ(grey.GetArgb(0, 0), qRgba(20, 20, 20, 99));
  // One channel out to an 8-bit bitmap and back in.
  Bitmap wide = Filled(3, 2, pf32bit, qRgba(10, 20, 30, 40));
  Bitmap narrow(3, 2, platform::pf8bit);
  CopyChannel(wide, narrow, 3, true);
  EXPECT_EQ(narrow.ScanLine(1)[2], 40);
  CopyChannel(wide, narrow, 2, false);  // red := 40
  EXPECT_EQ(wide.GetArgb(2, 1), qRgba(40, 20, 30, 40));
  Bitmap small(2, 1, platform::pf8bit);
  CopyChannel(wide, small, 0, true);  // cut to the smaller size
  EXPECT_EQ(small.ScanLine(0)[1], 30);
}

// The greys of a shade's rings: G0 = 255, G(i+1) = Round((n - i) * (255 -
// t) / (n + 1)) + t, and white over black shows (255 * G) >> 8.
std::set<int> RingShades(int n, int t) {
  std::set<int> shades;
  int g = 255;
  for (int i = 0; i < n; ++i) {
    shades.insert((255 * g) >> 8);
    g = int(std::nearbyint(double(n - i) * (255 - t) / (n + 1))) + t;
  }
  return shades;
}

// At most min(height, width) div 2 rings: on 10 pixels five, whatever the
// count asked for (a shape without pen covers one pixel less to the right
// and below, so the last row keeps the white of the mask).
TEST(AlphaPainting, ShadeRingsOnASmallRectangle) {
  for (int rings : {5, 8, 100}) {
    SCOPED_TRACE(rings);
    Bitmap b = Filled(30, 10, pf24bit, qRgb(255, 255, 255));
    ShadeRoundRect(b, TRect{0, 0, 30, 10}, 0, rings, 0, RGB(0, 0, 0));
    std::set<int> levels;
    for (int y = 0; y < 10; ++y) levels.insert(qRed(b.GetArgb(15, y)));
    EXPECT_EQ(levels, RingShades(5, 0));
  }
  EXPECT_NE(RingShades(5, 0), RingShades(8, 0));
  // Three rings on a large rectangle, then the inside at the colour
  // (transparency 0) or a quarter of the way (transparency 75).
  for (int transparency : {0, 75}) {
    Bitmap three = Filled(40, 40, pf24bit, qRgb(255, 255, 255));
    ShadeRoundRect(three, TRect{0, 0, 40, 40}, transparency, 3, 0, RGB(0, 0, 0));
    const int t = transparency * 255 / 100;
    std::vector<int> column;
    for (int y = 0; y < 4; ++y) column.push_back(qRed(three.GetArgb(20, y)));
    const std::set<int> rings = RingShades(3, t);
    EXPECT_EQ(std::set<int>(column.begin(), column.begin() + 3), rings);
    EXPECT_EQ(column[3], (255 * t) >> 8);
    EXPECT_EQ(qRed(three.GetArgb(20, 20)), (255 * t) >> 8);
  }
  // Transparency 100 keeps the picture (within the blend's one step); a
  // 32-bit picture keeps its alpha.
  Bitmap clear = Filled(20, 20, pf32bit, qRgba(30, 60, 90, 40));
  ShadeRoundRect(clear, TRect{2, 2, 18, 18}, 100, 4, 3, RGB(255, 0, 0));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const QRgb c = clear.GetArgb(x, y);
      EXPECT_EQ(qAlpha(c), 40);
      EXPECT_LE(std::abs(qRed(c) - 30) + std::abs(qGreen(c) - 60) + std::abs(qBlue(c) - 90), 3);
    }
}

TEST(AlphaPainting, LayeredWindowsWhileTheUnitRuns) {
  ManagerSeams() = {};
  platform::SetLayeredWindowsAvailableForTesting(true);
  EXPECT_FALSE(LayeredWindowsAvailable());
  EXPECT_FALSE(seams::LayeredWindowsAvailable());
  platform::StartUnit("AlphaPainting");
  EXPECT_TRUE(LayeredWindowsAvailable());
  EXPECT_TRUE(seams::LayeredWindowsAvailable());
  platform::SetLayeredWindowsAvailableForTesting(false);
  EXPECT_FALSE(LayeredWindowsAvailable());
  EXPECT_FALSE(seams::LayeredWindowsAvailable());
  platform::FinishUnit("AlphaPainting");
  platform::SetLayeredWindowsAvailableForTesting(true);
  EXPECT_FALSE(LayeredWindowsAvailable());
  EXPECT_FALSE(seams::LayeredWindowsAvailable());
  platform::SetLayeredWindowsAvailableForTesting(std::nullopt);
  // The offscreen platform composes its windows.
  EXPECT_TRUE(platform::LayeredWindowsAvailable());
}
