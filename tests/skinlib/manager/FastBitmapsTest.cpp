// Pixel accessors, constant-alpha blenders and the small pixel routines,
// exact to the byte.
#include "skinlib/manager/FastBitmaps.h"

#include "PaintingFixture.h"
#include "platform/DelphiRtl.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

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

int PixelBytesOf(TPixelFormat f) { return f == pf32bit ? 4 : 3; }

}  // namespace

TEST(FastBitmaps, AccessorsAttachOnlyToTheirFormatFromTwoByTwo) {
  const struct {
    int w, h;
    TPixelFormat format;
    bool fast24, fast32;
  } cases[] = {{2, 2, pf24bit, true, false},         {1, 5, pf24bit, false, false},
               {5, 1, pf24bit, false, false},        {2, 2, pf32bit, false, true},
               {1, 1, pf32bit, false, false},        {8, 3, platform::pfDevice, false, true},
               {8, 3, platform::pf8bit, false, false}, {0, 0, pf24bit, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " format " + std::to_string(c.format));
    Bitmap b(c.w, c.h, c.format);
    TacFast24 a;
    TacFast32 b32;
    EXPECT_EQ(a.Attach(b), c.fast24);
    EXPECT_EQ(b32.Attach(b), c.fast32);
    EXPECT_EQ(a.Width, c.fast24 ? c.w : 0);
    EXPECT_EQ(b32.Width, c.fast32 ? c.w : 0);
    if (c.fast24) {
      EXPECT_EQ(a.Stride, b.Stride());
    }
    if (c.fast32) {
      EXPECT_EQ(b32.Stride, b.Stride());
    }
    Bitmap other(4, 4, c.format);
    TacFastSum24 s24;
    TacFastSum32 s32;
    EXPECT_EQ(s24.Attach(b, other), c.fast24);
    EXPECT_EQ(s32.Attach(other, b), c.fast32);
  }
  // A refused bitmap fills nothing.
  Bitmap thin(7, 1, pf32bit);
  thin.Fill(kBackground);
  FillRect32(thin, TRect{0, 0, 7, 1}, RGB(1, 1, 1));
  EXPECT_EQ(thin.GetArgb(3, 0), kBackground);
}

TEST(FastBitmaps, PixelsAsColourValues) {
  Bitmap b24(3, 3, pf24bit);
  uint8_t* p = b24.ScanLine(1) + 3;
  p[0] = 0x10;  // blue
  p[1] = 0x20;
  p[2] = 0x30;  // red
  TacFast24 f24;
  ASSERT_TRUE(f24.Attach(b24));
  EXPECT_EQ(f24.GetPixel(1, 1), TColor(0x102030));
  Bitmap b32(3, 3, pf32bit);
  TacFast32 f32;
  ASSERT_TRUE(f32.Attach(b32));
  f32.SetPixel(2, 1, TColor(0x80102030));
  const uint8_t* q = b32.ScanLine(1) + 8;
  EXPECT_EQ((std::array<int, 4>{q[0], q[1], q[2], q[3]}), (std::array<int, 4>{0x10, 0x20, 0x30, 0x80}));
  EXPECT_EQ(f32.GetPixel(2, 1), TColor(0x80102030));
  EXPECT_EQ(ColorToPixel32(RGB(0x30, 0x20, 0x10)), 0xFF302010u);
  EXPECT_EQ(ColorToPixel32(platform::clBtnFace), ColorToPixel32(platform::ColorToRGB(platform::clBtnFace)));
}

TEST(FastBitmaps, FillRectStaysInsideTheBitmap) {
  const struct {
    TRect r;
    int filled;
  } cases[] = {{{1, 1, 3, 4}, 6}, {{-2, -2, 2, 1}, 2}, {{4, 3, 9, 9}, 1}, {{3, 1, 2, 4}, 0}, {{0, 0, 5, 4}, 20}};
  for (const auto& c : cases) {
    Bitmap b = Filled(5, 4, pf32bit);
    FillRect32(b, c.r, RGB(9, 8, 7));
    int n = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) n += b.GetArgb(x, y) == qRgba(9, 8, 7, 255);
    EXPECT_EQ(n, c.filled) << Show(c.r);
    EXPECT_EQ(ChangedOutside(b, Filled(5, 4, pf32bit), {}), c.filled) << Show(c.r);
  }
}

// (src * (255 - a) + dst * a + 127) >> 8 on every byte, the alpha byte of
// 32-bit pixels too; the bottom edges of the two rectangles meet.
TEST(FastBitmaps, ConstantAlphaBlends) {
  const struct {
    int alpha, src, dst, result;
  } cases[] = {{255, 0, 200, 199}, {255, 255, 255, 254}, {0, 255, 0, 254},   {0, 0, 255, 0},
               {128, 255, 0, 127}, {128, 0, 255, 127},   {77, 100, 50, 85}, {1, 17, 230, 18}};
  for (const auto& c : cases)
    for (int bytes : {3, 4}) {
      SCOPED_TRACE("alpha " + std::to_string(c.alpha) + " src " + std::to_string(c.src) + " dst " +
                   std::to_string(c.dst) + " bytes " + std::to_string(bytes));
      EXPECT_EQ((c.src * (255 - c.alpha) + c.dst * c.alpha + 127) >> 8, c.result);
      const TPixelFormat f = bytes == 3 ? pf24bit : pf32bit;
      Bitmap src(6, 5, f), dst(6, 5, f);
      for (Bitmap* b : {&src, &dst})
        for (int y = 0; y < 5; ++y) std::fill_n(b->ScanLine(y), 6 * bytes, uint8_t(b == &src ? c.src : c.dst));
      auto blend = [&](auto& blender) {
        ASSERT_TRUE(blender.Attach(src, dst));
        blender.Alpha = uint8_t(c.alpha);
        blender.DstRect = {1, 1, 3, 3};
        blender.SrcRect = {0, 0, 0, 3};
        blender.BlendRect();
      };
      if (bytes == 3) {
        TacFastSum24 blender;
        blend(blender);
      } else {
        TacFastSum32 blender;
        blend(blender);
      }
      EXPECT_EQ(dst.ScanLine(1)[bytes], c.result);
      EXPECT_EQ(dst.ScanLine(2)[3 * bytes - 1], c.result);  // the last byte of column 2 (alpha of a 32-bit one)
      EXPECT_EQ(dst.ScanLine(0)[bytes], c.dst);
      EXPECT_EQ(dst.ScanLine(1)[3 * bytes], c.dst);
    }
}

TEST(FastBitmaps, BlendRowsMeetAtTheirBottomEdges) {
  Bitmap src(4, 6, pf24bit), dst(4, 6, pf24bit);
  for (int y = 0; y < 6; ++y) std::fill_n(src.ScanLine(y), 12, uint8_t(10 * y));
  dst.Fill(qRgb(0, 0, 0));
  TacFastSum24 blender;
  ASSERT_TRUE(blender.Attach(src, dst));
  blender.Alpha = 0;
  blender.DstRect = {0, 1, 2, 3};  // rows 1 and 2
  blender.SrcRect = {1, 0, 0, 6};  // bottom row 5: rows 4 and 5
  blender.BlendRect();
  EXPECT_EQ(dst.ScanLine(1)[0], (40 * 255 + 127) >> 8);
  EXPECT_EQ(dst.ScanLine(2)[0], (50 * 255 + 127) >> 8);
  EXPECT_EQ(dst.ScanLine(3)[0], 0);
  // Rectangles past either bitmap blend only what both hold.
  blender.DstRect = {-3, -2, 9, 9};
  blender.SrcRect = {-1, 0, 0, 4};
  blender.BlendRect();
  // A bitmap blended into itself runs from its last byte to its first.
  Bitmap self(4, 2, pf24bit);
  for (int i = 0; i < 12; ++i) self.ScanLine(0)[i] = uint8_t(i * 20);
  std::fill_n(self.ScanLine(1), 12, uint8_t(0));
  TacFastSum24 inPlace;
  ASSERT_TRUE(inPlace.Attach(self, self));
  inPlace.Alpha = 0;
  inPlace.DstRect = {1, 0, 4, 1};
  inPlace.SrcRect = {0, 0, 0, 1};
  inPlace.BlendRect();
  // Byte 3 takes byte 0 (0); byte 11 takes byte 8 before byte 8 changed.
  EXPECT_EQ(self.ScanLine(0)[11], (160 * 255 + 127) >> 8);
  EXPECT_EQ(self.ScanLine(0)[3], 0);
}

// Round(c * p + colour * (1 - p)) with halves to even over the rectangle
// with both ends inside.
TEST(FastBitmaps, ColourMixedIntoARectangleWithInclusiveEnds) {
  const struct {
    int percent, channel, colour, result;
  } cases[] = {{50, 11, 0, 6},    // 5.5 -> 6
               {50, 13, 0, 6},    // 6.5 -> 6
               {50, 10, 1, 6},    // 5.5 -> 6
               {50, 9, 0, 4},     // 4.5 -> 4
               {100, 37, 200, 37},
               {0, 37, 200, 200},
               {25, 100, 200, 175},
               {356, 100, 0, 100},   // 356 and 255 is 100 percent
               {150, 200, 0, 255}};  // beyond 255: kept within a byte
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.percent) + "% of " + std::to_string(c.channel) + " with " + std::to_string(c.colour));
    for (TPixelFormat f : {pf24bit, pf32bit}) {
      Bitmap b = Filled(6, 5, f, qRgba(c.channel, c.channel, c.channel, 77));
      BlendRectWithColor(b, TRect{1, 1, 3, 2}, c.percent, RGB(c.colour, c.colour, c.colour));
      const int a = f == pf32bit ? 77 : 255;
      EXPECT_EQ(b.GetArgb(1, 1), qRgba(c.result, c.result, c.result, a));
      EXPECT_EQ(b.GetArgb(3, 2), qRgba(c.result, c.result, c.result, a));  // right and bottom count
      EXPECT_EQ(b.GetArgb(4, 2), qRgba(c.channel, c.channel, c.channel, a));
      EXPECT_EQ(b.GetArgb(1, 3), qRgba(c.channel, c.channel, c.channel, a));
    }
  }
  // The rectangle is cut to the bitmap.
  Bitmap b = Filled(4, 4, pf24bit, qRgb(10, 10, 10));
  BlendRectWithColor(b, TRect{-5, -5, 50, 50}, 50, RGB(0, 0, 0));
  EXPECT_EQ(b.GetArgb(3, 3), qRgb(5, 5, 5));
  Bitmap grey(4, 4, platform::pf8bit);
  BlendRectWithColor(grey, TRect{0, 0, 3, 3}, 50, RGB(0, 0, 0));  // another format: left alone
}

// The 50 percent mix has a path of its own: pinned against the rounding
// of the general one for every pair of channel and colour bytes, in both
// formats, over rows longer than its pieces, with the columns and rows
// around the rectangle and the alpha bytes untouched.
TEST(FastBitmaps, HalfMixMatchesTheRoundedMixForEveryBytePair) {
  constexpr int kWidth = 300, kHeight = 3;
  // Channel bytes of column x: each runs through all 256 values over any
  // 256 columns in a row.
  const auto channels = [](int x) {
    return std::array<int, 4>{(x * 3 + 1) & 255, (x * 5 + 7) & 255, (x * 7 + 3) & 255, (x * 11 + 5) & 255};
  };
  const auto mix = [](int v, int c) { return int(platform::DelphiRound(v * 0.5 + c * 0.5)); };
  for (TPixelFormat f : {pf24bit, pf32bit}) {
    Bitmap b(kWidth, kHeight, f);
    for (int colour = 0; colour < 256; ++colour) {
      SCOPED_TRACE(std::to_string(PixelBytesOf(f)) + " bytes, colour " + std::to_string(colour));
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const auto v = channels(x + y);
          b.SetArgb(x, y, qRgba(v[0], v[1], v[2], f == pf32bit ? v[3] : 255));
        }
      const int r = colour, g = 255 - colour, bl = (colour * 13) & 255;
      BlendRectWithColor(b, TRect{1, 1, kWidth - 2, 1}, 50, RGB(r, g, bl));
      int wrong = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const auto v = channels(x + y);
          const bool inside = y == 1 && x >= 1 && x <= kWidth - 2;
          const QRgb want = inside ? qRgba(mix(v[0], r), mix(v[1], g), mix(v[2], bl), f == pf32bit ? v[3] : 255)
                                   : qRgba(v[0], v[1], v[2], f == pf32bit ? v[3] : 255);
          if (b.GetArgb(x, y) != want && ++wrong <= 3)
            ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << b.GetArgb(x, y) << " not " << want;
        }
      if (wrong) return;
    }
  }
}

// Narrow, odd and clipped rectangles of the 50 percent mix against the
// same mix worked out pixel by pixel.
TEST(FastBitmaps, HalfMixOverOddAndClippedRectangles) {
  const TRect rects[] = {{0, 0, 0, 0},     {2, 1, 2, 5},       {1, 1, 6, 1},   {3, 2, 4, 3},
                         {-4, -4, 90, 90}, {-3, 2, 0, 2},      {7, 0, 7, 7},   {0, 7, 7, 7},
                         {8, 0, 9, 9},     {5, 5, 4, 6},       {0, 0, 7, 6}};
  for (TPixelFormat f : {pf24bit, pf32bit}) {
    for (const TRect& r : rects) {
      SCOPED_TRACE(std::to_string(PixelBytesOf(f)) + " bytes, rect " + std::to_string(r.Left) + "," +
                   std::to_string(r.Top) + "," + std::to_string(r.Right) + "," + std::to_string(r.Bottom));
      Bitmap b(8, 8, f);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) b.SetArgb(x, y, qRgba(31 * x + y, 17 * y + 3, 9 * x + 5 * y, 40 + x));
      const Bitmap before = b;
      BlendRectWithColor(b, r, 50, RGB(77, 200, 1));
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          const QRgb was = before.GetArgb(x, y);
          const bool inside = x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
          const auto half = [](int v, int c) { return int(std::nearbyint((v + c) / 2.0)); };
          const QRgb want = inside ? qRgba(half(qRed(was), 77), half(qGreen(was), 200), half(qBlue(was), 1),
                                           qAlpha(was))
                                   : was;
          EXPECT_EQ(b.GetArgb(x, y), want) << x << "," << y;
        }
    }
  }
}

TEST(FastBitmaps, ParentBackgroundLaidIntoACache) {
  Bitmap parent(20, 20, pf24bit);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) parent.SetArgb(x, y, qRgb(10 * x, 10 * y, 100));
  // Covered from a ready parent: parent - (parent - pixel) * 0.4.
  Bitmap cache = Filled(4, 4, pf24bit, qRgb(200, 0, 50));
  FillBgFromCacheInfo(cache, kBgCover, nullptr, TsBgSource{&parent, 3, 2, KeyColor, true}, TPoint{1, 1});
  auto pull = [](int p, int c) { return int(std::nearbyint(p - (p - c) * 0.4)); };
  EXPECT_EQ(cache.GetArgb(1, 0), qRgb(pull(50, 200), pull(30, 0), pull(100, 50)));
  // Grey first, then covered by a plain colour at 50 percent.
  Bitmap grey = Filled(4, 4, pf24bit, qRgb(30, 60, 90));
  FillBgFromCacheInfo(grey, kBgGrey | kBgCover, nullptr, TsBgSource{nullptr, 0, 0, RGB(100, 0, 0), false}, {});
  EXPECT_EQ(grey.GetArgb(2, 2), qRgb(80, 30, 30));
  // Grey alone.
  Bitmap onlyGrey = Filled(4, 4, pf24bit, qRgb(30, 60, 91));
  FillBgFromCacheInfo(onlyGrey, kBgGrey, nullptr, TsBgSource{nullptr, 0, 0, RGB(100, 0, 0), false}, {});
  EXPECT_EQ(onlyGrey.GetArgb(0, 0), qRgb(60, 60, 60));
  // The key colour asks the control for its background colour.
  AdapterEntryPoints().GetControlBgColor = [](QWidget*) { return RGB(0, 200, 0); };
  Bitmap asked = Filled(4, 4, pf24bit, qRgb(0, 0, 0));
  FillBgFromCacheInfo(asked, kBgCover, nullptr, TsBgSource{nullptr, 0, 0, KeyColor, false}, {});
  AdapterEntryPoints().GetControlBgColor = nullptr;
  EXPECT_EQ(asked.GetArgb(0, 0), qRgb(0, 100, 0));
}

// Source pixels go into a form's corner where the corner image shows the
// key colour; every read and write cut to its bitmap.
TEST_F(PaintingSkinTest, TransparentCornersFromTheMask) {
  const int mask = sm->IndexOfMask("TILED", "BORDERSMASK");
  Bitmap src = Filled(30, 30, pf32bit, qRgba(9, 9, 9, 200));
  const struct {
    int corner;
    TPoint key;  // where the corner image's key pixel falls in a 4 x 2 destination at (2, 3)
  } cases[] = {{kCornerTopLeft, {2, 3}},
               {kCornerTopRight, {2 + 3, 3}},    // the right margin is 4: the key pixel is its last column
               {kCornerBottomLeft, {2, 3 + 1}},  // the bottom margin is 2: its last row
               {kCornerBottomRight, {2 + 3, 3 + 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.corner);
    Bitmap dst = Filled(12, 12, pf32bit);
    CopyTransparentCorner(dst, src, TRect{2, 3, 6, 5}, TPoint{1, 1}, mask, sm.get(), c.corner);
    EXPECT_EQ(dst.GetArgb(c.key.X, c.key.Y), qRgba(9, 9, 9, 200));
    EXPECT_EQ(ChangedOutside(Filled(12, 12, pf32bit), dst, {}), 1);
  }
  // Without a mask the destination's own key-colour pixels are replaced.
  Bitmap dst = Filled(8, 8, pf32bit);
  dst.SetArgb(3, 3, qRgba(255, 0, 255, 0));
  CopyTransparentCorner(dst, src, TRect{0, 0, 8, 8}, TPoint{0, 0}, -1, nullptr, kCornerTopLeft);
  EXPECT_EQ(dst.GetArgb(3, 3), qRgba(9, 9, 9, 200));
  EXPECT_EQ(ChangedOutside(Filled(8, 8, pf32bit), dst, TRect{3, 3, 4, 4}), 0);
  // Rectangles and points far outside read and write nothing.
  for (const TRect& r : {TRect{-5, -5, 40, 40}, TRect{10, 10, 90, 90}, TRect{0, 0, 0, 5}, TRect{3, 3, 1, 1}}) {
    Bitmap d = Filled(12, 12, pf32bit);
    CopyTransparentCorner(d, src, r, TPoint{-20, 25}, mask, sm.get(), kCornerBottomRight);
    CopyTransparentCorner(d, src, r, TPoint{0, 0}, mask, sm.get(), kCornerTopRight);
  }
  // Only 32-bit bitmaps.
  Bitmap d24 = Filled(8, 8, pf24bit);
  CopyTransparentCorner(d24, src, TRect{0, 0, 8, 8}, TPoint{0, 0}, mask, sm.get(), kCornerTopLeft);
  EXPECT_EQ(ChangedOutside(Filled(8, 8, pf24bit), d24, {}), 0);
}
