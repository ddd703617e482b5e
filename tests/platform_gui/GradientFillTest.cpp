// GradientFill in triangle mode: which pixels a triangle takes, the colour
// each gets, and what is refused.
#include "platform/GradientFill.h"

#include "platform_gui/Pixels.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace platform;
using pixels::InkBox;

namespace {

constexpr TColor kBackground = RGB(1, 2, 3);

TRIVERTEX Vertex(int x, int y, TColor c, uint16_t alpha = 0) {
  return {x, y, uint16_t(GetRValue(c) << 8), uint16_t(GetGValue(c) << 8), uint16_t(GetBValue(c) << 8), alpha};
}

Bitmap Background(int w, int h, TPixelFormat f = pf24bit) {
  Bitmap b(w, h, f);
  b.Fill(qRgba(1, 2, 3, 77));
  return b;
}

}  // namespace

// Four flat triangles meeting inside a rectangle, each in a colour of its
// own: every pixel of the rectangle takes one of the four colours, none
// outside changes, whatever the rectangle's proportions.
TEST(GradientFill, TrianglesThatTileARectanglePaintEachPixelAndNoneBeside) {
  const TColor colors[4] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), RGB(200, 200, 0)};
  for (const TRect r : {Rect(2, 3, 12, 13), Rect(1, 1, 18, 6), Rect(4, 0, 7, 15), Rect(0, 0, 20, 16)}) {
    Bitmap b = Background(20, 16);
    const TPoint c{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
    const TPoint corners[5] = {{r.Left, r.Top}, c, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
    const int tri[4][3] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
    std::vector<TRIVERTEX> v;
    std::vector<GRADIENT_TRIANGLE> t;
    for (int i = 0; i < 4; ++i) {
      for (int k = 0; k < 3; ++k) v.push_back(Vertex(corners[tri[i][k]].X, corners[tri[i][k]].Y, colors[i]));
      t.push_back({uint32_t(3 * i), uint32_t(3 * i + 1), uint32_t(3 * i + 2)});
    }
    ASSERT_TRUE(GradientFill(b, v, t));
    EXPECT_EQ(InkBox(b, kBackground), r);
    // Painted once: the triangles in the other order give the same pixels.
    Bitmap reversed = Background(20, 16);
    const std::vector<GRADIENT_TRIANGLE> backwards(t.rbegin(), t.rend());
    ASSERT_TRUE(GradientFill(reversed, v, backwards));
    EXPECT_EQ(reversed.ToQImage(), b.ToQImage()) << r;
    std::set<TColor> seen;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        const TColor p = b.GetPixel(x, y);
        ASSERT_TRUE(p == colors[0] || p == colors[1] || p == colors[2] || p == colors[3])
            << x << "," << y << " in " << r;
        seen.insert(p);
      }
    EXPECT_EQ(seen.size(), 4u) << r;
  }
}

// Colours are the vertices' 16-bit channels weighted by where the pixel's
// centre lies, then >> 8. A triangle (0,0) red, (200,0) green, (0,200) blue
// with the alpha of the first vertex only.
TEST(GradientFill, ColoursAreWeightedAtThePixelCentre) {
  struct Case {
    int x, y;
    TColor color;
    int alpha;
  };
  // (0,0): centre (0.5, 0.5), weights 0.995/0.0025/0.0025.
  // (99,0): 0.5/0.4975/0.0025. (0,99): 0.5/0.0025/0.4975.
  // (60,40): 0.495/0.3025/0.2025.
  const Case cases[] = {{0, 0, RGB(253, 0, 0), 253},
                        {99, 0, RGB(127, 126, 0), 127},
                        {0, 99, RGB(127, 0, 126), 127},
                        {60, 40, RGB(126, 77, 51), 126}};
  const TRIVERTEX v[3] = {Vertex(0, 0, RGB(255, 0, 0), 0xFF00), Vertex(200, 0, RGB(0, 255, 0)),
                          Vertex(0, 200, RGB(0, 0, 255))};
  const GRADIENT_TRIANGLE t[1] = {{0, 1, 2}};
  const GRADIENT_TRIANGLE reversed[1] = {{2, 1, 0}};
  for (TPixelFormat f : {pf24bit, pf32bit, pfDevice})
    for (const auto* order : {t, reversed}) {
      Bitmap b = Background(200, 200, f);
      ASSERT_TRUE(GradientFill(b, v, std::span(order, 1)));
      for (const Case& c : cases) {
        EXPECT_EQ(b.GetPixel(c.x, c.y), c.color) << c.x << "," << c.y << " format " << f;
        EXPECT_EQ(qAlpha(b.GetArgb(c.x, c.y)), f == pf32bit ? c.alpha : 255) << c.x << "," << c.y;
      }
      // Below the long edge nothing is painted.
      EXPECT_EQ(b.GetPixel(150, 150), kBackground);
      EXPECT_EQ(b.GetPixel(100, 100), kBackground);  // centre (100.5, 100.5) lies past x + y = 200
    }
}

TEST(GradientFill, ThreeEqualVerticesGiveTheirColourExactlyOnEveryFormat) {
  for (TPixelFormat f : {pf1bit, pf8bit, pf24bit, pf32bit, pfDevice}) {
    Bitmap b(9, 9, f);
    b.Fill(qRgb(0, 0, 0));
    const TRIVERTEX v[3] = {Vertex(0, 0, RGB(255, 255, 255), 0xFF00), Vertex(9, 0, RGB(255, 255, 255), 0xFF00),
                            Vertex(0, 9, RGB(255, 255, 255), 0xFF00)};
    const GRADIENT_TRIANGLE t[1] = {{0, 1, 2}};
    ASSERT_TRUE(GradientFill(b, v, t));
    EXPECT_EQ(b.GetPixel(0, 0), clWhite) << f;
    EXPECT_EQ(b.GetPixel(7, 0), clWhite) << f;  // centre (7.5, 0.5): x + y = 8 < 9
    EXPECT_EQ(b.GetPixel(8, 8), clBlack) << f;
  }
}

TEST(GradientFill, RefusesBadIndexesAndFarCoordinatesAndClipsTheRest) {
  const TRIVERTEX v[4] = {Vertex(-50, -50, clWhite), Vertex(100, -50, clWhite), Vertex(-50, 100, clWhite),
                          Vertex(1 << 21, 0, clWhite)};
  const GRADIENT_TRIANGLE inside[1] = {{0, 1, 2}};
  // One past the last vertex, in each place.
  const GRADIENT_TRIANGLE badIndexes[3][2] = {{{0, 1, 2}, {3, 1, 2}}, {{0, 1, 2}, {0, 3, 2}}, {{0, 1, 2}, {0, 1, 3}}};
  const GRADIENT_TRIANGLE flat[1] = {{0, 0, 1}};
  for (const auto& badIndex : badIndexes) {
    Bitmap b = Background(10, 10);
    EXPECT_FALSE(GradientFill(b, std::span(v, 3), badIndex));
    EXPECT_EQ(InkBox(b, kBackground), TRect{}) << "nothing painted, not even the good triangle";
  }
  {
    Bitmap b = Background(10, 10);
    EXPECT_FALSE(GradientFill(b, v, inside)) << "a vertex beyond 2^20 is refused";
    EXPECT_EQ(InkBox(b, kBackground), TRect{});
  }
  {
    Bitmap b = Background(10, 10);
    EXPECT_TRUE(GradientFill(b, std::span(v, 3), inside));
    // The bitmap lies wholly inside the triangle (x + y < 50): all of it is
    // painted, and nothing is written beside it.
    EXPECT_EQ(pixels::ColorBox(b, clWhite), Rect(0, 0, 10, 10));
  }
  {
    Bitmap b = Background(10, 10);
    EXPECT_TRUE(GradientFill(b, std::span(v, 3), flat)) << "no area: nothing to paint";
    EXPECT_EQ(InkBox(b, kBackground), TRect{});
    Bitmap empty;
    EXPECT_TRUE(GradientFill(empty, std::span(v, 3), inside));
  }
}
