// Skin masks sliced into nine parts, glyphs, masked texture pieces and
// the border's background, pixel by pixel against the painting skin,
// whose pictures say by their colour where each pixel came from.
#include "skinlib/manager/MaskSlicing.h"

#include "PaintingFixture.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinMasks.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace painting;
using platform::Bitmap;
using platform::TPixelFormat;
using platform::TPoint;
using platform::TRect;
using platform::pf24bit;
using platform::pf32bit;
using testskins::kSliceHeight;
using testskins::kSliceWidth;
using testskins::SliceMaskValue;
using testskins::SlicePixel;

namespace {

// Two opposite margins in an extent, as the slicing must fit them: the
// excess comes off half (rounded down) from the first, the rest from the
// second.
std::pair<int, int> Fitted(int a, int b, int extent) {
  if (a + b > extent) {
    const int e = a + b - extent;
    a -= e / 2;
    b -= e - e / 2;
  }
  if (b < 0) b = 0;
  if (a < 0) a = 0;
  a = std::min(a, extent);
  b = std::min(b, extent - a);
  return {a, b};
}

// Where a destination offset along one axis takes its picture pixel from:
// the first margin, the middle (tiled) or the last margin; -1 for a middle
// pixel when the picture has no middle.
struct Axis {
  int source;
  bool middle;
};
Axis Along(int i, int extent, int first, int last, int picture) {
  if (i < first) return {i, false};
  if (i >= extent - last) return {picture - (extent - i), false};
  const int middle = picture - first - last;
  return {middle > 0 ? first + (i - first) % middle : -1, true};
}

// What a tiled slice mask (the painting skin's picture) leaves in `before`
// over `r`: an oracle from the picture's formulas, independent of the
// painter's pieces.
Bitmap Expected(const Bitmap& before, const TRect& r, int wl, int wt, int wr, int wb, int state, bool masked,
                bool centre) {
  Bitmap out(before);
  const int w = r.Width(), h = r.Height();
  const auto [l, rr] = Fitted(wl, wr, w);
  const auto [t, b] = Fitted(wt, wb, h);
  const int s = std::min(state, 2);
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, out.Height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, out.Width()); ++x) {
      const Axis ax = Along(x - r.Left, w, l, rr, kSliceWidth), ay = Along(y - r.Top, h, t, b, kSliceHeight);
      if (ax.source < 0 || ay.source < 0) continue;
      if (ax.middle && ay.middle && !centre) continue;
      const bool corner = !ax.middle && !ay.middle;
      const QRgb src = SlicePixel(ax.source, ay.source, s);
      const QRgb d = out.GetArgb(x, y);
      if (masked) {
        const int m = SliceMaskValue(ax.source, ay.source);
        auto blend = [&](int dc, int sc) { return ((dc - sc) * m + sc * 256) >> 8; };
        out.SetArgb(x, y, qRgba(blend(qRed(d), qRed(src)), blend(qGreen(d), qGreen(src)), blend(qBlue(d), qBlue(src)),
                                qAlpha(d)));
      } else if (!(corner && src == qRgb(255, 0, 255))) {
        out.SetArgb(x, y, src | 0xFF000000u);
      }
    }
  return out;
}

// The first pixel where two bitmaps differ, as text; empty when none.
std::string FirstDifference(const Bitmap& expected, const Bitmap& actual) {
  for (int y = 0; y < expected.Height(); ++y)
    for (int x = 0; x < expected.Width(); ++x)
      if (expected.GetArgb(x, y) != actual.GetArgb(x, y))
        return "at (" + std::to_string(x) + ", " + std::to_string(y) + ") expected " + ShowArgb(expected.GetArgb(x, y)) +
               ", got " + ShowArgb(actual.GetArgb(x, y));
  return {};
}

}  // namespace

TEST_F(PaintingSkinTest, TheSkinsMasksAreWhatTheGeneratorWrote) {
  const TsMaskData& tiled = Mask("TILED");
  EXPECT_EQ((std::array<int, 7>{tiled.ImageCount, tiled.MaskType, tiled.DrawMode, tiled.WL, tiled.WT, tiled.WR, tiled.WB}),
            (std::array<int, 7>{3, 0, 4, 5, 3, 4, 2}));
  EXPECT_EQ(MaskImageWidth(tiled), kSliceWidth);
  EXPECT_EQ(MaskImageHeight(Mask("MASKED")), kSliceHeight);
  EXPECT_EQ(Mask("MASKED").MaskType, 1);
  EXPECT_TRUE(Mask("OWNFILE").Bmp);
  EXPECT_EQ(Mask("WIDE").WL, 9);
  EXPECT_EQ(Mask("TILED", "HOTPATTERN").DrawMode, 10);
  EXPECT_EQ(Mask("TILED", "HOTPATTERN").MaskType, 1);
  EXPECT_GE(sm->FindPatternIndex(sm->IndexOfSection("TILED"), "TILED", "PATTERN"), 0);
}

// Every pixel of the rectangle against the oracle: tiled sides and centre,
// corners with their key colour left out, a mask part weighting each
// pixel, the centre only when asked; in 24- and 32-bit bitmaps, states
// beyond the last, rectangles smaller and larger than the picture.
TEST_F(PaintingSkinTest, SlicesMatchTheirPicturesPixelByPixel) {
  const struct {
    const char* section;
    bool masked;
    bool centreAllowed;
  } masks[] = {{"TILED", false, true},
               {"MASKED", true, true},
               {"NOCENTRE", false, false},
               {"OWNFILE", false, true},
               {"WIDE", false, true}};  // margins wider than the picture: no middle to tile
  const TRect rects[] = {{3, 2, 5, 4},    {3, 2, 10, 7},   {1, 1, 9, 7},    {0, 0, 13, 11},
                         {4, 5, 33, 28},  {2, 3, 42, 20},  {30, 20, 50, 40}, {-6, -4, 20, 15}};
  for (const auto& m : masks)
    for (TPixelFormat format : {pf24bit, pf32bit})
      for (const TRect& r : rects)
        for (int state : {0, 1, 2, 5})
          for (bool centre : {false, true}) {
            SCOPED_TRACE(std::string(m.section) + " " + Show(r) + " state " + std::to_string(state) +
                         (centre ? " centre" : "") + (format == pf32bit ? " 32-bit" : " 24-bit"));
            const TsMaskData& mask = Mask(m.section);
            Bitmap bitmap = Filled(44, 36, format);
            ASSERT_EQ(mask.WL, std::string(m.section) == "WIDE" ? 9 : 5);
            const Bitmap before(bitmap);
            PaintMaskRect(bitmap, r, centre, EmptyCacheInfo, mask, state, false);
            const Bitmap expected = Expected(before, r, mask.WL, mask.WT, mask.WR, mask.WB, state, m.masked,
                                             centre && m.centreAllowed);
            ASSERT_EQ(FirstDifference(expected, bitmap), "");
          }
}

// Margins wider than the rectangle lose their excess e = L + R - w as
// L -= e div 2, R -= e - e div 2, so they fill it exactly.
TEST(MaskSlices, MarginsLoseTheirExcess) {
  const struct {
    int wl, wr, width, left, right;
  } cases[] = {
      {5, 4, 8, 5, 3},  // the rectangle's parity would leave the corners overlapping here
      {5, 4, 7, 4, 3},  // ... and a column unpainted here
      {5, 5, 7, 4, 3},  {5, 5, 10, 5, 5}, {5, 5, 9, 5, 4}, {9, 9, 4, 2, 2},
      {9, 0, 4, 4, 0},  {0, 9, 5, 0, 5},  {3, 2, 100, 3, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.wl) + "/" + std::to_string(c.wr) + " in " + std::to_string(c.width));
    TsMaskData m;
    m.R = {0, 0, 39, 11};
    m.ImageCount = 3;
    m.WL = int16_t(c.wl);
    m.WR = int16_t(c.wr);
    m.WT = int16_t(c.wl);
    m.WB = int16_t(c.wr);
    TacMaskSlices s;
    ASSERT_TRUE(SliceMask(m, TRect{0, 0, c.width, c.width}, 0, s));
    EXPECT_EQ((std::array<int, 4>{s.L, s.R, s.T, s.B}), (std::array<int, 4>{c.left, c.right, c.left, c.right}));
  }
}

// With WL 5 and WR 4 every column of a narrow rectangle is painted once,
// from the corner it belongs to.
TEST_F(PaintingSkinTest, NarrowRectanglesArePaintedWhole) {
  TsMaskData m = Variant(Mask("TILED"));
  m.WL = 5;
  m.WR = 4;
  for (int width = 2; width <= 12; ++width) {
    SCOPED_TRACE(width);
    Bitmap bitmap = Filled(20, 20, pf24bit);
    const Bitmap before(bitmap);
    const TRect r{1, 1, 1 + width, 12};
    PaintMaskRect(bitmap, r, true, EmptyCacheInfo, m, 1, false);
    EXPECT_EQ(FirstDifference(Expected(before, r, 5, m.WT, 4, m.WB, 1, false, true), bitmap), "");
  }
}

TEST_F(PaintingSkinTest, StateAndDrawModeBits) {
  const TRect r{2, 2, 40, 30};
  auto paint = [&](const TsMaskData& mask, int state, bool centre) {
    Bitmap bitmap = Filled(44, 36, pf24bit);
    PaintMaskRect(bitmap, r, centre, EmptyCacheInfo, mask, state, false);
    return bitmap;
  };
  const Bitmap blank = Filled(44, 36, pf24bit);
  // Bit 2: state 0 is not painted, the others are.
  EXPECT_EQ(ChangedOutside(blank, paint(Mask("NONORMAL"), 0, true), {}), 0);
  EXPECT_GT(ChangedOutside(blank, paint(Mask("NONORMAL"), 1, true), {}), 0);
  // Bit 4: the centre only with it, and only when asked.
  const TRect centre{2 + 5, 2 + 3, 40 - 4, 30 - 2};
  EXPECT_EQ(ChangedOutside(blank, paint(Mask("NOCENTRE"), 1, true), {}),
            ChangedOutside(blank, paint(Mask("NOCENTRE"), 1, true), centre));
  EXPECT_EQ(ChangedOutside(blank, paint(Mask("TILED"), 1, false), {}),
            ChangedOutside(blank, paint(Mask("TILED"), 1, false), centre));
  EXPECT_GT(ChangedOutside(blank, paint(Mask("TILED"), 1, true), {}),
            ChangedOutside(blank, paint(Mask("TILED"), 1, true), centre));
  // Bit 1: a stretched centre row runs once through the picture's middle
  // (its red grows from left to right); a tiled one starts again.
  auto redsRise = [&](const Bitmap& b) {
    const int y = (centre.Top + centre.Bottom) / 2;
    for (int x = centre.Left + 1; x < centre.Right; ++x)
      if (qRed(b.GetArgb(x, y)) < qRed(b.GetArgb(x - 1, y))) return false;
    return true;
  };
  EXPECT_TRUE(redsRise(paint(Mask("STRETCHED"), 1, true)));
  EXPECT_FALSE(redsRise(paint(Mask("TILED"), 1, true)));
  // ... and a mask part tiles even with bit 1.
  EXPECT_FALSE(redsRise(paint(Mask("MASKED"), 1, true)));
  const Bitmap stretched = paint(Mask("STRETCHED"), 1, true);
  const int y = (centre.Top + centre.Bottom) / 2;
  EXPECT_NEAR(qRed(stretched.GetArgb(centre.Left, y)), qRed(SlicePixel(5, 5, 1)), 8);
  EXPECT_NEAR(qRed(stretched.GetArgb(centre.Right - 1, y)), qRed(SlicePixel(kSliceWidth - 5, 5, 1)), 8);
  // Corners stay unscaled when the sides stretch.
  EXPECT_EQ(stretched.GetArgb(r.Left + 1, r.Top + 1), SlicePixel(1, 1, 1));
}

TEST_F(PaintingSkinTest, NothingIsPaintedWithoutManagerStatesOrRoom) {
  const Bitmap blank = Filled(30, 30, pf24bit);
  TsMaskData noManager = Variant(Mask("TILED"));
  noManager.Manager = nullptr;
  TsMaskData noStates = Variant(Mask("TILED"));
  noStates.ImageCount = 0;
  const struct {
    const TsMaskData* mask;
    TRect r;
  } cases[] = {{&noManager, {0, 0, 20, 20}}, {&noStates, {0, 0, 20, 20}}, {&Mask("TILED"), {0, 0, 1, 20}},
               {&Mask("TILED"), {0, 0, 20, 1}}, {&Mask("TILED"), {5, 5, 2, 2}}};
  for (const auto& c : cases) {
    Bitmap bitmap(blank);
    PaintMaskRect(bitmap, c.r, true, EmptyCacheInfo, *c.mask, 1, false);
    EXPECT_EQ(ChangedOutside(blank, bitmap, {}), 0) << Show(c.r);
  }
}

// Corners' key-colour pixels take the parent background with
// maskedCorners, by the source's offset; without it they stay.
TEST_F(PaintingSkinTest, MaskedCornersShowTheParentBackground) {
  Bitmap parent(60, 60, pf24bit);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) parent.SetArgb(x, y, qRgb(x * 4, y * 4, 7));
  const TsBgSource bg{&parent, 10, 12, 0, true};
  const TRect r{2, 3, 30, 25};
  const TPoint corners[] = {{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}};
  for (const char* section : {"TILED", "MASKED"})
    for (bool maskedCorners : {false, true}) {
      SCOPED_TRACE(std::string(section) + (maskedCorners ? " masked corners" : ""));
      Bitmap bitmap = Filled(40, 40, pf24bit);
      PaintMaskRect(bitmap, r, true, bg, Mask(section), 0, maskedCorners);
      for (const TPoint& p : corners) {
        const QRgb got = bitmap.GetArgb(p.X, p.Y);
        if (maskedCorners) {
          EXPECT_EQ(got, parent.GetArgb(p.X + 10, p.Y + 12)) << p.X << "," << p.Y;
        } else if (std::string(section) == "TILED") {
          EXPECT_EQ(got, kBackground | 0xFF000000u) << p.X << "," << p.Y;
        } else {
          // Mask 255 over the key colour: (255 D + S) >> 8 per channel.
          auto keep = [](int d, int s) { return (255 * d + s) >> 8; };
          EXPECT_EQ(got, qRgb(keep(1, 255), keep(2, 0), keep(3, 255))) << p.X << "," << p.Y;
        }
      }
      // The pixel next to a corner is the picture's, whatever the switch.
      EXPECT_NE(bitmap.GetArgb(r.Left + 1, r.Top), parent.GetArgb(r.Left + 11, r.Top + 12));
    }
}

TEST_F(PaintingSkinTest, GlyphsDrawUnscaled) {
  const TsMaskData& plain = Mask("CORNERS", "IMGTOPLEFT");
  const TsMaskData& masked = Mask("CORNERS", "IMGBTMRIGHT");
  const int n = testskins::kCornerGlyphSize;
  Bitmap parent = Filled(40, 40, pf24bit, qRgb(90, 80, 70));
  const TsBgSource bg{&parent, 0, 0, 0, true};
  for (int state : {0, 2, 7}) {
    const int s = std::min(state, 2);
    SCOPED_TRACE(state);
    // Mode 1, no mask part: copied, key pixels from the parent.
    Bitmap a = Filled(20, 20, pf24bit);
    PaintMaskGlyph(a, TPoint{4, 5}, state, 1, plain, bg);
    EXPECT_EQ(a.GetArgb(4, 5), qRgb(90, 80, 70));
    EXPECT_EQ(a.GetArgb(4 + 3, 5 + 2), testskins::CornerGlyphPixel(3, 2, s));
    EXPECT_EQ(a.GetArgb(4 + n, 5), kBackground | 0xFF000000u);
    // Any other mode, no mask part: half way between glyph and destination,
    // key pixels skipped.
    Bitmap b = Filled(20, 20, pf24bit);
    PaintMaskGlyph(b, TPoint{4, 5}, state, 0, plain, bg);
    EXPECT_EQ(b.GetArgb(4, 5), kBackground | 0xFF000000u);
    const QRgb g = testskins::CornerGlyphPixel(3, 2, s);
    auto half = [](int sc, int dc) { return int(std::nearbyint(sc - (sc - dc) * 0.5)); };
    EXPECT_EQ(b.GetArgb(7, 7), qRgb(half(qRed(g), 1), half(qGreen(g), 2), half(qBlue(g), 3)));
    // A mask part: mask 0 shows the glyph (mode 1); faded, mask 0 + 100.
    Bitmap c = Filled(20, 20, pf32bit);
    PaintMaskGlyph(c, TPoint{4, 5}, state, 1, masked, bg);
    EXPECT_EQ(c.GetArgb(7, 7), g | 0xFF000000u);
    EXPECT_EQ(c.GetArgb(4, 5), kBackground);  // key pixel: left as it was
    Bitmap d = Filled(20, 20, pf24bit);
    PaintMaskGlyph(d, TPoint{4, 5}, state, 2, masked, bg);
    auto faded = [](int dc, int sc) { return ((dc - sc) * 100 + sc * 256) >> 8; };
    EXPECT_EQ(d.GetArgb(7, 7), qRgb(faded(1, qRed(g)), faded(2, qGreen(g)), faded(3, qBlue(g))));
  }
  // A negative point leaves the hidden part out.
  Bitmap e = Filled(20, 20, pf24bit);
  PaintMaskGlyph(e, TPoint{-3, -2}, 1, 1, plain, bg);
  EXPECT_EQ(e.GetArgb(0, 0), testskins::CornerGlyphPixel(3, 2, 1));
  // A glyph of its own bitmap: the close icon of the small buttons.
  const TsMaskData& own = Mask("GLOBALINFO", "SICONCLOSE");
  ASSERT_TRUE(own.Bmp);
  Bitmap f = Filled(20, 20, pf24bit);
  PaintMaskGlyph(f, TPoint{0, 0}, 1, 1, own, bg);
  EXPECT_EQ(f.GetArgb(3, 3), own.Bmp->GetArgb(8 + 3, 3));
  EXPECT_EQ(f.GetArgb(0, 0), kBackground | 0xFF000000u);  // the icon's key colour
}

// A piece of a texture with a mask part: key pixels take the fill colour
// or the parent's pixel, others the mask's weighting.
TEST_F(PaintingSkinTest, MaskedTexturePieces) {
  const TsMaskData& texture = Mask("TILED", "HOTPATTERN");
  const Bitmap& master = *sm->MasterBitmap;
  const TRect src{texture.R.Left, texture.R.Top, texture.R.Left + 16, texture.R.Top + 16};
  Bitmap parent(50, 50, pf32bit);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) parent.SetArgb(x, y, qRgba(x, y, 99, 255));
  const struct {
    TsBgSource bg;
    QRgb key;  // what a key pixel at (2, 1) of the destination becomes
  } cases[] = {{{nullptr, 0, 0, platform::RGB(10, 20, 30), false}, qRgb(10, 20, 30)},
               {{&parent, 5, 6, KeyColor, true}, qRgb(2 + 5, 1 + 6, 99)},
               {{&parent, 5, 6, platform::RGB(40, 50, 60), true}, qRgb(40, 50, 60)}};
  for (const auto& c : cases) {
    Bitmap bitmap = Filled(30, 30, pf24bit);
    PaintMaskedImage(TRect{2, 1, 18, 17}, src, bitmap, c.bg, texture);
    EXPECT_EQ(bitmap.GetArgb(2, 1), c.key);  // texture pixel (0, 0) is the key colour
    // (5, 3) of the texture: mask 5 * 17.
    const QRgb s = master.GetArgb(src.Left + 5, src.Top + 3);
    auto weigh = [](int d, int sc) { return ((d - sc) * 85 + sc * 256) >> 8; };
    EXPECT_EQ(bitmap.GetArgb(2 + 5, 1 + 3), qRgb(weigh(1, qRed(s)), weigh(2, qGreen(s)), weigh(3, qBlue(s))));
    EXPECT_EQ(bitmap.GetArgb(18, 1), kBackground | 0xFF000000u);
  }
  // A parent bitmap of another format ends the painting.
  Bitmap grey(50, 50, platform::pf8bit);
  Bitmap bitmap = Filled(30, 30, pf24bit);
  PaintMaskedImage(TRect{2, 1, 18, 17}, src, bitmap, TsBgSource{&grey, 0, 0, KeyColor, true}, texture);
  EXPECT_EQ(ChangedOutside(Filled(30, 30, pf24bit), bitmap, {}), 0);
}

// After a border is painted without its parent background, the key-colour
// pixels of its margins get it back, and nothing else changes.
TEST_F(PaintingSkinTest, TheBorderGivesBackTheParentBackground) {
  Bitmap parent(80, 80, pf24bit);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x) parent.SetArgb(x, y, qRgb(100 + x, 50 + y, 200));
  const int w = 31, h = 23;
  const TPoint corners[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
  for (const char* section : {"TILED", "MASKED", "OWNFILE", "STRETCHED"})
    for (bool fromBitmap : {false, true})
      for (unsigned sides : {kAllSides, kSideLeft | kSideTop, kSideBottom}) {
        SCOPED_TRACE(std::string(section) + (fromBitmap ? " bitmap " : " colour ") + std::to_string(sides));
        const TsBgSource bg = fromBitmap ? TsBgSource{&parent, 7, 9, KeyColor, true}
                                         : TsBgSource{nullptr, 0, 0, platform::RGB(11, 22, 33), false};
        Bitmap cache = Filled(w, h, pf24bit);
        PaintMaskRect(cache, TRect{0, 0, w, h}, true, EmptyCacheInfo, Mask(section), 0, false);
        const Bitmap painted(cache);
        RestoreBorderBackground(cache, w, h, *sm, sm->IndexOfMask(section, "BORDERSMASK"), bg, sides);
        int changed = 0;
        for (const TPoint& p : corners) {
          const bool inSides = ((sides & kSideLeft) && p.X == 0) || ((sides & kSideRight) && p.X == w - 1) ||
                               ((sides & kSideTop) && p.Y == 0) || ((sides & kSideBottom) && p.Y == h - 1);
          const QRgb expected = !inSides    ? painted.GetArgb(p.X, p.Y)
                                : fromBitmap ? parent.GetArgb(p.X + 7, p.Y + 9)
                                             : qRgb(11, 22, 33);
          EXPECT_EQ(cache.GetArgb(p.X, p.Y), expected) << p.X << "," << p.Y;
          changed += inSides;
        }
        EXPECT_EQ(ChangedOutside(painted, cache, {}), changed);
      }
  // A colour that is the key colour itself gives nothing back.
  Bitmap cache = Filled(w, h, pf24bit);
  const Bitmap before(cache);
  RestoreBorderBackground(cache, w, h, *sm, sm->IndexOfMask("TILED", "BORDERSMASK"),
                          TsBgSource{nullptr, 0, 0, KeyColor, false}, kAllSides);
  EXPECT_EQ(ChangedOutside(before, cache, {}), 0);
}

// A control's skin data: the parent's answer to the background query
// gives the border's key-colour pixels back, from the parent's bitmap at
// the query's offset moved by the control's place, or in its colour.
TEST_F(PaintingSkinTest, AControlsBorderGetsItsParentsBackground) {
  Bitmap parentCache(100, 100, pf24bit);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) parentCache.SetArgb(x, y, qRgb(x, y, 150));
  QWidget form;
  form.resize(120, 100);
  auto* control = new QWidget(&form);
  control->setGeometry(11, 13, 31, 23);
  TsCommonData data(control);
  data.SetSkinManager(sm.get());
  data.SetSkinSection(QStringLiteral("TILED"));
  ASSERT_EQ(data.BorderMaskIndex, sm->IndexOfMask("TILED", "BORDERSMASK"));
  data.PrepareCacheBitmap24();
  ASSERT_TRUE(data.CacheBitmap);
  ASSERT_EQ(data.CacheBitmap->Width(), 31);
  const struct {
    TsBgQuery::Kind kind;
    QRgb corner;  // what the top-left corner's key pixel becomes
  } cases[] = {{TsBgQuery::FromBitmap, qRgb(2 + 11, 3 + 13, 150)},
               {TsBgQuery::PlainColor, qRgb(40, 50, 60)},
               {TsBgQuery::NotAnswered, qRgb(40, 50, 60)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.kind));
    CommonDataSeams().QueryControlBackground = [&](TsBgQuery& q, QWidget* asker, bool) {
      EXPECT_EQ(asker, control);
      q.BgKind = c.kind;
      q.Bitmap = &parentCache;
      q.Offset = {2, 3};
      q.Color = platform::RGB(40, 50, 60);
      return c.kind != TsBgQuery::NotAnswered;
    };
    data.CacheBitmap->Fill(kBackground);
    PaintMaskRect(*data.CacheBitmap, TRect{0, 0, 31, 23}, true, EmptyCacheInfo, Mask("TILED"), 0, false);
    const Bitmap painted(*data.CacheBitmap);
    PaintAllBorders(data);
    EXPECT_EQ(data.CacheBitmap->GetArgb(0, 0), c.corner);
    EXPECT_EQ(ChangedOutside(painted, *data.CacheBitmap, {}), 4);
    // Only the left side: the right-hand corners stay.
    *data.CacheBitmap = painted;
    FillBorderBackground(data, kSideLeft);
    EXPECT_EQ(ChangedOutside(painted, *data.CacheBitmap, {}), 2);
  }
  // Without the seam the query answers the key colour: nothing comes back.
  CommonDataSeams().QueryControlBackground = nullptr;
  Bitmap painted(*data.CacheBitmap);
  PaintAllBorders(data);
  EXPECT_EQ(ChangedOutside(painted, *data.CacheBitmap, {}), 0);
  // Nothing for a control under 2 x 2 or without a cache.
  CommonDataSeams().QueryControlBackground = [&](TsBgQuery& q, QWidget*, bool) {
    q.BgKind = TsBgQuery::PlainColor;
    q.Color = platform::RGB(40, 50, 60);
    return true;
  };
  control->resize(1, 23);
  PaintAllBorders(data);
  EXPECT_EQ(ChangedOutside(painted, *data.CacheBitmap, {}), 0);
  control->resize(31, 23);
  data.CacheBitmap.reset();
  PaintAllBorders(data);
  CommonDataSeams().QueryControlBackground = nullptr;
}

// A mask of its own bitmap without states counts as three states with a
// mask part over the whole bitmap.
TEST_F(PaintingSkinTest, ABorderWithoutStatesCountsAsThreeWithMask) {
  const int i = sm->IndexOfMask("OWNFILE", "BORDERSMASK");
  TsMaskData& own = sm->MaskData[size_t(i)];
  own.Bmp = std::make_unique<Bitmap>(Bitmap::FromQImage(testskins::SliceStrip(true), pf24bit));
  own.ImageCount = 0;
  own.MaskType = 0;
  const int w = 20, h = 16;
  Bitmap cache = Filled(w, h, pf24bit);
  RestoreBorderBackground(cache, w, h, *sm, i, TsBgSource{nullptr, 0, 0, platform::RGB(9, 8, 7), false}, kAllSides);
  EXPECT_EQ(cache.GetArgb(0, 0), qRgb(9, 8, 7));
  EXPECT_EQ(cache.GetArgb(w - 1, h - 1), qRgb(9, 8, 7));
  EXPECT_EQ(ChangedOutside(Filled(w, h, pf24bit), cache, {}), 4);
  // Without a bitmap of its own, no states paint nothing.
  TsMaskData& tiled = sm->MaskData[size_t(sm->IndexOfMask("TILED", "BORDERSMASK"))];
  tiled.ImageCount = 0;
  Bitmap other = Filled(w, h, pf24bit);
  RestoreBorderBackground(other, w, h, *sm, sm->IndexOfMask("TILED", "BORDERSMASK"),
                          TsBgSource{nullptr, 0, 0, platform::RGB(9, 8, 7), false}, kAllSides);
  EXPECT_EQ(ChangedOutside(Filled(w, h, pf24bit), other, {}), 0);
}

// A mask rectangle turned round (bottom above top) has no mask part: the
// pieces and glyphs of such masks paint nothing and read no row above
// their picture.
TEST_F(PaintingSkinTest, TurnedRoundRectanglesPaintNothing) {
  TsMaskData texture = Variant(Mask("TILED", "HOTPATTERN"));
  texture.R = TRect{texture.R.Left, texture.R.Bottom, texture.R.Right, texture.R.Top};
  TsMaskData glyph = Variant(Mask("CORNERS", "IMGBTMRIGHT"));
  glyph.R = TRect{glyph.R.Left, glyph.R.Bottom, glyph.R.Right, glyph.R.Top};
  const Bitmap blank = Filled(30, 30, pf24bit);
  Bitmap bitmap(blank);
  PaintMaskedImage(TRect{0, 0, 16, 16}, TRect{texture.R.Left, texture.R.Bottom, texture.R.Left + 16, texture.R.Bottom + 16},
                   bitmap, EmptyCacheInfo, texture);
  PaintMaskedGlyph(bitmap, TPoint{0, 0}, TRect{glyph.R.Left, glyph.R.Bottom, glyph.R.Left + 6, glyph.R.Bottom + 6},
                   *sm->MasterBitmap, glyph, KeyColor, 1);
  PaintMaskGlyph(bitmap, TPoint{0, 0}, 1, 1, glyph, EmptyCacheInfo);
  EXPECT_EQ(ChangedOutside(blank, bitmap, {}), 0);
}

// Damaged masks (rectangles past the master bitmap, margins of 9000,
// no states, no layers) paint only inside the rectangle and never read
// outside a bitmap (the sanitizer build watches the reads).
TEST_F(ManagerTest, DamagedMasksStayInsideTheirBitmaps) {
  using testskins::SkinDamage;
  std::mt19937 random(41);
  std::uniform_int_distribution<int> coordinate(-40, 80);
  for (SkinDamage damage : painting::kPaintedDamages) {
    auto sm = DamagedManager(damage);
    ASSERT_TRUE(sm->SkinData->Active) << testskins::DamageName(damage);
    Bitmap parent = Filled(30, 30, pf24bit, qRgb(5, 6, 7));
    const TsBgSource bg{&parent, -10, 40, KeyColor, true};
    for (size_t i = 0; i < sm->MaskData.size(); ++i) {
      const TsMaskData& m = sm->MaskData[i];
      SCOPED_TRACE(std::string(testskins::DamageName(damage)) + " " + m.ClassName.toStdString() + "." +
                   m.PropertyName.toStdString());
      for (int k = 0; k < 12; ++k) {
        const int x0 = coordinate(random), y0 = coordinate(random);
        const TRect r{x0, y0, x0 + coordinate(random), y0 + coordinate(random)};
        for (TPixelFormat format : {pf24bit, pf32bit}) {
          Bitmap bitmap = Filled(64, 48, format);
          const Bitmap before(bitmap);
          PaintMaskRect(bitmap, r, true, bg, m, k % 4, true);
          EXPECT_EQ(ChangedOutside(before, bitmap, r), 0) << Show(r);
          PaintMaskGlyph(bitmap, TPoint{r.Left, r.Top}, k % 4, k % 2, m, bg);
          PaintMaskedImage(r, TRect{m.R.Left, m.R.Top, m.R.Left + r.Width(), m.R.Top + r.Height()}, bitmap, bg, m);
          RestoreBorderBackground(bitmap, r.Width(), r.Height(), *sm, int(i), bg, kAllSides, k % 4);
        }
      }
    }
  }
}
