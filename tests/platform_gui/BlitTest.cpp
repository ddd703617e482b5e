#include "platform/Blit.h"

#include "platform_gui/Pixels.h"

#include <gtest/gtest.h>

#include <climits>

using namespace platform;
using pixels::Ascii;
using pixels::InkBox;

namespace {

// A bitmap whose pixel (x, y) is RGB(x, y, 7): every pixel tells where it
// came from.
Bitmap Numbered(int w, int h, TPixelFormat f = pfDevice) {
  Bitmap b(w, h, f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGB(x, y, 7));
  return b;
}

Bitmap Black(int w, int h, TPixelFormat f = pfDevice) {
  Bitmap b(w, h, f);
  b.Fill(qRgb(0, 0, 0));
  return b;
}

}  // namespace

TEST(BitBlt, CopiesExactlyAcrossFormats) {
  for (TPixelFormat from : {pfDevice, pf24bit, pf32bit})
    for (TPixelFormat to : {pfDevice, pf24bit, pf32bit}) {
      Bitmap src = Numbered(8, 6, from);
      Bitmap dst = Black(10, 10, to);
      BitBlt(dst, 2, 3, 4, 2, src, 1, 1);
      EXPECT_EQ(dst.GetPixel(2, 3), RGB(1, 1, 7)) << from << " -> " << to;
      EXPECT_EQ(dst.GetPixel(5, 4), RGB(4, 2, 7));
      EXPECT_EQ(InkBox(dst, clBlack), Rect(2, 3, 6, 5));
    }
}

TEST(BitBlt, KeepsTheAlphaOfA32BitSource) {
  Bitmap src(2, 1, pf32bit);
  src.SetArgb(0, 0, qRgba(200, 100, 50, 7));
  Bitmap dst(2, 1, pf32bit);
  BitBlt(dst, 0, 0, 2, 1, src, 0, 0);
  EXPECT_EQ(dst.GetArgb(0, 0), qRgba(200, 100, 50, 7));
}

TEST(BitBlt, ClipsRectanglesThatLeaveEitherBitmap) {
  Bitmap src = Numbered(6, 6);
  Bitmap dst = Black(6, 6);
  BitBlt(dst, -3, -2, 6, 6, src, 0, 0);  // destination partly above and left
  EXPECT_EQ(dst.GetPixel(0, 0), RGB(3, 2, 7));
  EXPECT_EQ(InkBox(dst, clBlack), Rect(0, 0, 3, 4));
  Bitmap dst2 = Black(6, 6);
  BitBlt(dst2, 0, 0, 6, 6, src, 4, -1);  // source partly outside: those pixels stay
  EXPECT_EQ(dst2.GetPixel(0, 1), RGB(4, 0, 7));
  EXPECT_EQ(InkBox(dst2, clBlack), Rect(0, 1, 2, 6));
  Bitmap dst3 = Black(6, 6);
  BitBlt(dst3, INT_MAX - 2, INT_MIN + 2, INT_MAX, INT_MAX, src, INT_MIN, INT_MAX);
  BitBlt(dst3, 0, 0, INT_MAX, INT_MAX, src, 0, 0);
  BitBlt(dst3, 2, 2, -5, -5, src, 0, 0);
  Bitmap empty;
  BitBlt(dst3, 0, 0, 3, 3, empty, 0, 0);
  BitBlt(empty, 0, 0, 3, 3, src, 0, 0);
  EXPECT_EQ(dst3.GetPixel(5, 5), RGB(5, 5, 7)) << "the sane copy among the wrong ones";
}

TEST(BitBlt, HugeExtentsAreClippedWithoutOverflow) {
  // Sums such as x + width pass INT_MAX here: the part inside both bitmaps
  // is still copied, and nothing else happens.
  Bitmap src = Numbered(6, 6);
  for (int mode : {0, 1, 2, 3}) {
    Bitmap dst = Black(6, 6);
    if (mode == 0) BitBlt(dst, 1, 1, INT_MAX, INT_MAX, src, 0, 0);
    if (mode == 1) StretchBlt(dst, 1, 1, INT_MAX, INT_MAX, src, 0, 0, INT_MAX, INT_MAX);
    if (mode == 2) TransparentBlt(dst, 1, 1, INT_MAX, INT_MAX, src, 0, 0, INT_MAX, INT_MAX, clFuchsia);
    if (mode == 3) AlphaBlend(dst, 1, 1, INT_MAX, INT_MAX, src, 0, 0, INT_MAX, INT_MAX, {});
    EXPECT_EQ(dst.GetPixel(1, 1), RGB(0, 0, 7)) << mode;
    EXPECT_EQ(dst.GetPixel(5, 5), RGB(4, 4, 7)) << mode;
  }
  Bitmap dst = Black(6, 6);
  StretchBlt(dst, 6, 0, INT_MIN, 6, src, INT_MAX, 0, INT_MIN, 6);  // mirrored both ways
  MaskBlt(dst, 1, 1, INT_MAX, INT_MAX, src, 0, 0, src, INT_MIN, INT_MAX);
  EXPECT_EQ(InkBox(dst, clBlack), TRect{}) << "no source or mask pixel matched";
  Bitmap grey(2, 2);
  grey.Fill(qRgb(9, 9, 9));
  StretchBlt(dst, 0, -50000, 1, 100000, grey, 0, 0, 2, 2, HALFTONE);  // taller than any bitmap
  EXPECT_EQ(InkBox(dst, clBlack), Rect(0, 0, 1, 6));
}

TEST(BitBlt, HonoursAClipRectangle) {
  Bitmap src = Numbered(6, 6);
  Bitmap dst = Black(6, 6);
  TRect clip = Rect(1, 1, 3, 3);
  BitBlt(dst, 0, 0, 6, 6, src, 0, 0, &clip);
  EXPECT_EQ(InkBox(dst, clBlack), clip);
}

TEST(StretchBlt, NearestPixelDoublesAndHalves) {
  Bitmap src = Numbered(3, 1);
  Bitmap dst = Black(6, 2);
  StretchBlt(dst, 0, 0, 6, 2, src, 0, 0, 3, 1);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.GetPixel(x, 1), RGB(x / 2, 0, 7)) << x;
  Bitmap wide = Numbered(8, 1);
  Bitmap half = Black(4, 1);
  StretchBlt(half, 0, 0, 4, 1, wide, 0, 0, 8, 1);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(half.GetPixel(x, 0), RGB(2 * x, 0, 7)) << x;
}

TEST(StretchBlt, OppositeSignsMirror) {
  Bitmap src = Numbered(4, 1);
  Bitmap dst = Black(4, 1);
  StretchBlt(dst, 4, 0, -4, 1, src, 0, 0, 4, 1);  // covers x 0..3, mirrored
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.GetPixel(x, 0), RGB(3 - x, 0, 7)) << x;
}

TEST(StretchBlt, HalftoneAveragesAndClips) {
  Bitmap src(2, 1);
  src.SetPixel(0, 0, clBlack);
  src.SetPixel(1, 0, clWhite);
  Bitmap dst = Black(3, 1);
  StretchBlt(dst, 1, 0, 1, 1, src, 0, 0, 2, 1, HALFTONE);
  int grey = GetRValue(dst.GetPixel(1, 0));
  EXPECT_NEAR(grey, 128, 2);
  EXPECT_EQ(dst.GetPixel(0, 0), clBlack);
  EXPECT_EQ(dst.GetPixel(2, 0), clBlack);
  StretchBlt(dst, -100, -100, 100000, 100000, src, -5, -5, 1000, 1000, HALFTONE);
  StretchBlt(dst, 0, 0, 3, 1, src, 5, 5, 2, 2, HALFTONE);
}

TEST(TransparentBlt, LeavesTheKeyColourOut) {
  Bitmap src = Numbered(3, 1, pf32bit);
  src.SetArgb(1, 0, qRgba(255, 0, 255, 0));  // key colour, whatever its alpha
  Bitmap dst = Black(3, 1, pf24bit);
  TransparentBlt(dst, 0, 0, 3, 1, src, 0, 0, 3, 1, clFuchsia);
  EXPECT_EQ(dst.GetPixel(0, 0), RGB(0, 0, 7));
  EXPECT_EQ(dst.GetPixel(1, 0), clBlack);
  EXPECT_EQ(dst.GetPixel(2, 0), RGB(2, 0, 7));
}

TEST(MaskBlt, WhiteMaskKeepsTheDestinationBlackCopies) {
  Bitmap src = Numbered(4, 1);
  src.SetPixel(2, 0, clFuchsia);
  Bitmap mask = CreateMask(src, clFuchsia);
  EXPECT_EQ(mask.PixelFormat(), pf1bit);
  EXPECT_EQ(Ascii(mask, clBlack), "..#.\n");
  Bitmap dst = Black(6, 1);
  dst.SetPixel(3, 0, clLime);
  MaskBlt(dst, 1, 0, 4, 1, src, 0, 0, mask, 0, 0);
  EXPECT_EQ(dst.GetPixel(1, 0), RGB(0, 0, 7));
  EXPECT_EQ(dst.GetPixel(3, 0), clLime) << "kept under the white mask pixel";
  EXPECT_EQ(dst.GetPixel(4, 0), RGB(3, 0, 7));
  Bitmap small = Black(1, 1, pf1bit);
  Bitmap dst2 = Black(4, 1);
  MaskBlt(dst2, 0, 0, 4, 1, src, 0, 0, small, 0, 0);
  EXPECT_EQ(InkBox(dst2, clBlack), Rect(0, 0, 1, 1)) << "no mask pixel, no copy";
}

TEST(AlphaBlend, StraightAndPremultipliedSourcesDiffer) {
  Bitmap src(1, 1, pf32bit);
  src.SetArgb(0, 0, qRgba(200, 100, 50, 128));
  Bitmap straight = Black(1, 1, pf24bit), premultiplied = Black(1, 1, pf24bit);
  AlphaBlend(straight, 0, 0, 1, 1, src, 0, 0, 1, 1, {255, AlphaFormat::Straight});
  AlphaBlend(premultiplied, 0, 0, 1, 1, src, 0, 0, 1, 1, {255, AlphaFormat::Premultiplied});
  EXPECT_EQ(straight.GetPixel(0, 0), RGB(100, 50, 25));
  EXPECT_EQ(premultiplied.GetPixel(0, 0), RGB(200, 100, 50));
  Bitmap half = Black(1, 1);
  AlphaBlend(half, 0, 0, 1, 1, src, 0, 0, 1, 1, {128, AlphaFormat::Straight});
  EXPECT_EQ(half.GetPixel(0, 0), RGB(50, 25, 13)) << "constant alpha multiplies";
  Bitmap none = pixels::White(1, 1);
  AlphaBlend(none, 0, 0, 1, 1, src, 0, 0, 1, 1, {51, AlphaFormat::None});
  EXPECT_EQ(none.GetPixel(0, 0), RGB(244, 224, 214)) << "only the constant alpha";
}

TEST(AlphaBlend, StraightOverTransparentKeepsTheColour) {
  Bitmap src(1, 1, pf32bit);
  src.SetArgb(0, 0, qRgba(200, 100, 50, 128));
  Bitmap dst(1, 1, pf32bit);
  dst.Fill(qRgba(0, 0, 0, 0));
  AlphaBlend(dst, 0, 0, 1, 1, src, 0, 0, 1, 1, {});
  EXPECT_EQ(dst.GetArgb(0, 0), qRgba(200, 100, 50, 128));
  Bitmap opaque(1, 1, pf32bit);
  opaque.Fill(qRgba(0, 0, 255, 255));
  AlphaBlend(opaque, 0, 0, 1, 1, src, 0, 0, 1, 1, {});
  EXPECT_EQ(opaque.GetArgb(0, 0), qRgba(100, 50, 152, 255));
}
