#include "platform/Blit.h"

#include "platform_gui/Pixels.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

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

Bitmap Filled(int w, int h, QRgb argb, TPixelFormat f = pfDevice) {
  Bitmap b(w, h, f);
  b.Fill(argb);
  return b;
}

Bitmap Black(int w, int h, TPixelFormat f = pfDevice) { return Filled(w, h, qRgb(0, 0, 0), f); }

// A row of pixels as "x:red,green" of the source pixel they came from ("-"
// for black).
std::string Sources(const Bitmap& b, int y = 0) {
  std::string s;
  for (int x = 0; x < b.Width(); ++x) {
    const TColor c = b.GetPixel(x, y);
    s += c == clBlack ? "- " : std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + " ";
  }
  return s;
}

}  // namespace

TEST(BitBlt, CopiesExactlyAcrossFormats) {
  for (TPixelFormat from : {pfDevice, pf24bit, pf32bit})
    for (TPixelFormat to : {pfDevice, pf24bit, pf32bit}) {
      Bitmap src = Numbered(8, 6, from);
      src.SetArgb(3, 2, qRgba(200, 100, 50, 7));
      Bitmap dst = Black(10, 10, to);
      BitBlt(dst, 2, 3, 4, 2, src, 1, 1);
      EXPECT_EQ(dst.GetPixel(2, 3), RGB(1, 1, 7)) << from << " -> " << to;
      EXPECT_EQ(dst.GetPixel(5, 4), RGB(4, 2, 7));
      EXPECT_EQ(InkBox(dst, clBlack), Rect(2, 3, 6, 5));
      EXPECT_EQ(qAlpha(dst.GetArgb(4, 4)), from == pf32bit && to == pf32bit ? 7 : 255) << from << " -> " << to;
    }
}

TEST(BitBlt, EveryCopyIsClippedToBothBitmapsWhateverItsNumbers) {
  const Bitmap src = Numbered(6, 6), empty;
  const Bitmap grey = Filled(2, 2, qRgb(9, 9, 9));
  const TRect clip = Rect(1, 1, 3, 3);
  struct Case {
    std::function<void(Bitmap&)> blit;
    TRect ink;
    TPoint at;  // a pixel inside the ink and its colour
    TColor color;
  };
  const std::vector<Case> cases{
      {[&](Bitmap& d) { BitBlt(d, -3, -2, 6, 6, src, 0, 0); }, Rect(0, 0, 3, 4), {0, 0}, RGB(3, 2, 7)},
      {[&](Bitmap& d) { BitBlt(d, 0, 0, 6, 6, src, 4, -1); }, Rect(0, 1, 2, 6), {0, 1}, RGB(4, 0, 7)},
      {[&](Bitmap& d) { BitBlt(d, 0, 0, 6, 6, src, 0, 0, &clip); }, clip, {2, 2}, RGB(2, 2, 7)},
      {[&](Bitmap& d) { StretchBlt(d, 0, 0, 12, 12, src, 0, 0, 6, 6, COLORONCOLOR, &clip); }, clip, {2, 2},
       RGB(1, 1, 7)},
      // Sums such as x + width pass INT_MAX: the part inside both bitmaps is
      // still copied, and nothing else happens.
      {[&](Bitmap& d) { BitBlt(d, 1, 1, INT_MAX, INT_MAX, src, 0, 0); }, Rect(1, 1, 6, 6), {5, 5}, RGB(4, 4, 7)},
      {[&](Bitmap& d) { StretchBlt(d, 1, 1, INT_MAX, INT_MAX, src, 0, 0, INT_MAX, INT_MAX); }, Rect(1, 1, 6, 6),
       {5, 5}, RGB(4, 4, 7)},
      {[&](Bitmap& d) { TransparentBlt(d, 1, 1, INT_MAX, INT_MAX, src, 0, 0, INT_MAX, INT_MAX, clFuchsia); },
       Rect(1, 1, 6, 6), {5, 5}, RGB(4, 4, 7)},
      {[&](Bitmap& d) { AlphaBlend(d, 1, 1, INT_MAX, INT_MAX, src, 0, 0, INT_MAX, INT_MAX, {}); }, Rect(1, 1, 6, 6),
       {5, 5}, RGB(4, 4, 7)},
      {[&](Bitmap& d) {
         StretchBlt(d, 6, 0, INT_MIN, 6, src, INT_MAX, 0, INT_MIN, 6);  // mirrored both ways
         MaskBlt(d, 1, 1, INT_MAX, INT_MAX, src, 0, 0, src, INT_MIN, INT_MAX);
         BitBlt(d, INT_MAX - 2, INT_MIN + 2, INT_MAX, INT_MAX, src, INT_MIN, INT_MAX);
         BitBlt(d, 2, 2, -5, -5, src, 0, 0);  // the source lies left of and above the bitmap
         BitBlt(d, 0, 0, 3, 3, empty, 0, 0);
         StretchBlt(d, -100, -100, 100000, 100000, src, 5, 5, 1000, 1000, HALFTONE);
       }, TRect{}, {}, clBlack},
      // Halftone scales the part of the source rectangle inside the source onto its part of the destination.
      {[&](Bitmap& d) { StretchBlt(d, 0, 0, 4, 2, src, -2, 0, 4, 1, HALFTONE); }, Rect(2, 0, 4, 2), {3, 1},
       RGB(1, 0, 7)},
      // Taller than any bitmap may be: halftone falls back to the nearest pixel.
      {[&](Bitmap& d) { StretchBlt(d, 0, -50000, 1, 100000, grey, 0, 0, 2, 2, HALFTONE); }, Rect(0, 0, 1, 6), {0, 5},
       RGB(9, 9, 9)},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    Bitmap dst = Black(6, 6);
    cases[i].blit(dst);
    EXPECT_EQ(InkBox(dst, clBlack), cases[i].ink) << "case " << i;
    EXPECT_EQ(dst.GetPixel(cases[i].at.X, cases[i].at.Y), cases[i].color) << "case " << i;
  }
  Bitmap nothing;
  BitBlt(nothing, 0, 0, 3, 3, src, 0, 0);
}

TEST(StretchBlt, NearestPixelStretchesShrinksAndMirrors) {
  const Bitmap src = Numbered(8, 2);
  const std::vector<std::tuple<int, int, int, int, std::string>> cases{
      {0, 6, 0, 3, "0,0 0,0 1,0 1,0 2,0 2,0 "},      // doubled
      {0, 4, 0, 8, "0,0 2,0 4,0 6,0 - - "},          // halved
      {4, -4, 0, 4, "3,0 2,0 1,0 0,0 - - "},         // opposite signs mirror
      {0, 4, 4, -4, "3,0 2,0 1,0 0,0 - - "},
      {6, -6, 8, -8, "0,0 1,0 2,0 4,0 5,0 6,0 "},  // both mirrored: not mirrored
  };
  for (auto& [x, w, sx, sw, expected] : cases) {
    Bitmap dst = Black(6, 2);
    StretchBlt(dst, x, 0, w, 2, src, sx, 0, sw, 1);
    EXPECT_EQ(Sources(dst, 1), expected) << x << " " << w << " " << sx << " " << sw;
  }
}

TEST(StretchBlt, HalftoneAveragesAndStaysInItsRectangle) {
  Bitmap src(2, 1);
  src.SetPixel(1, 0, clWhite);
  Bitmap dst = Black(3, 1);
  StretchBlt(dst, 1, 0, 1, 1, src, 0, 0, 2, 1, HALFTONE);
  EXPECT_NEAR(GetRValue(dst.GetPixel(1, 0)), 128, 2);
  EXPECT_EQ(InkBox(dst, clBlack), Rect(1, 0, 2, 1));
}

TEST(TransparentBlt, LeavesTheKeyColourOutWhateverItsAlpha) {
  Bitmap src = Numbered(3, 1, pf32bit);
  src.SetArgb(1, 0, qRgba(255, 0, 255, 0));
  Bitmap dst = Black(3, 1, pf24bit);
  TransparentBlt(dst, 0, 0, 3, 1, src, 0, 0, 3, 1, clFuchsia);
  EXPECT_EQ(Sources(dst), "0,0 - 2,0 ");
}

TEST(MaskBlt, WhiteMaskKeepsTheDestinationBlackCopies) {
  Bitmap src = Numbered(4, 2);
  src.SetPixel(2, 1, clFuchsia);
  src.SetPixel(3, 0, clFuchsia);
  Bitmap mask = CreateMask(src, clFuchsia);
  EXPECT_EQ(mask.PixelFormat(), pf1bit);
  EXPECT_EQ(Ascii(mask, clBlack), "...#\n..#.\n");
  Bitmap dst = Black(6, 2);
  dst.SetPixel(3, 0, clLime);
  MaskBlt(dst, 1, 0, 4, 2, src, 0, 1, mask, 0, 1);
  EXPECT_EQ(Sources(dst), "- 0,1 1,1 0,255 3,1 - ") << "kept under the white mask pixel";
  Bitmap right = Black(2, 1);
  MaskBlt(right, 0, 0, 2, 1, src, 2, 0, mask, 2, 0);
  EXPECT_EQ(Sources(right), "2,0 - ") << "the mask where the source is";
  for (auto [mx, expected] : {std::pair{0, "0,0 - - - "}, {-1, "- 1,0 - - "}}) {
    Bitmap dst2 = Black(4, 1);
    MaskBlt(dst2, 0, 0, 4, 1, src, 0, 0, Black(1, 1, pf1bit), mx, 0);
    EXPECT_EQ(Sources(dst2), expected) << "no mask pixel, no copy: " << mx;
  }
}

TEST(AlphaBlend, StraightPremultipliedAndConstantAlpha) {
  const QRgb s = qRgba(200, 100, 50, 128);
  const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
  const std::vector<std::tuple<TPixelFormat, QRgb, BlendFunction, QRgb>> cases{
      {pf24bit, black, {255, AlphaFormat::Straight}, qRgb(100, 50, 25)},
      {pf24bit, black, {255, AlphaFormat::Premultiplied}, qRgb(200, 100, 50)},
      {pfDevice, black, {128, AlphaFormat::Straight}, qRgb(50, 25, 13)},  // constant alpha multiplies
      {pfDevice, white, {51, AlphaFormat::None}, qRgb(244, 224, 214)},    // only the constant alpha
      {pf32bit, qRgba(0, 0, 0, 0), {}, s},  // over nothing the colour stays
      {pf32bit, qRgba(0, 0, 255, 255), {}, qRgba(100, 50, 152, 255)},
      {pf32bit, qRgba(0, 0, 255, 128), {}, qRgba(134, 67, 118, 192)},
      {pf32bit, qRgba(0, 0, 255, 128), {255, AlphaFormat::Premultiplied}, qRgba(200, 100, 177, 192)},
      {pf32bit, qRgba(0, 0, 255, 0), {0, AlphaFormat::Straight}, qRgba(0, 0, 0, 0)},  // nothing over nothing
  };
  Bitmap src(1, 1, pf32bit);
  src.SetArgb(0, 0, s);
  for (size_t i = 0; i < cases.size(); ++i) {
    auto& [format, d, blend, expected] = cases[i];
    Bitmap dst = Filled(1, 1, d, format);
    AlphaBlend(dst, 0, 0, 1, 1, src, 0, 0, 1, 1, blend);
    EXPECT_EQ(QColor::fromRgba(dst.GetArgb(0, 0)), QColor::fromRgba(expected)) << "case " << i;
  }
}
