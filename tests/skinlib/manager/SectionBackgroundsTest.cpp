// Section backgrounds: the background records and queries, the texture
// layer painters, the section painters over a parent background, and the
// transparent corners of a form, on the generated sections skin whose
// every picture is known pixel by pixel.
#include "ManagerFixture.h"
#include "PaintingFixture.h"
#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/sCommonData.h"

#include <QLabel>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

using painting::Filled;
using painting::Show;
using platform::Bitmap;
using platform::TColor;
using platform::TPoint;
using platform::TRect;
using platform::pf24bit;
using platform::pf32bit;

constexpr QRgb kParentFill = qRgb(10, 20, 30);

// A parent background whose every pixel differs: (x, y) red 3x, green 5y,
// blue 250 (a high value: a blend at alpha 255 would change it).
Bitmap ParentPicture(int w, int h) {
  Bitmap b(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetArgb(x, y, qRgb((3 * x) & 255, (5 * y) & 255, 250));
  return b;
}

QRgb Rgb(TColor c) { return qRgb(c & 255, (c >> 8) & 255, (c >> 16) & 255); }

// (layers x (255 - a) + parent x a + 127) >> 8 per channel.
QRgb Blend(QRgb layers, QRgb parent, int a) {
  const auto ch = [&](int l, int p) { return (l * (255 - a) + p * a + 127) >> 8; };
  return qRgb(ch(qRed(layers), qRed(parent)), ch(qGreen(layers), qGreen(parent)), ch(qBlue(layers), qBlue(parent)));
}

class SectionBackgroundsTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    platform::StartUnit("SectionBackgrounds");
    WriteFolder(testskins::SectionsSkin(), QStringLiteral("Sections"));
    sm = Manager(QStringLiteral("Sections"));
    ASSERT_TRUE(sm->SkinData->Active);
  }
  void TearDown() override {
    sm.reset();
    platform::FinishUnit("SectionBackgrounds");
    ManagerTest::TearDown();
  }
  int Section(const char* name) const { return sm->IndexOfSection(QString::fromLatin1(name)); }
  int MaskIndex(const char* section, const char* name) const {
    return sm->IndexOfMask(QString::fromLatin1(section), QString::fromLatin1(name));
  }
  const TsMaskData& Texture() const { return sm->MaskData.at(size_t(MaskIndex("TILEDTEX", "PATTERN"))); }
  // Paints a section over the whole bitmap.
  void Paint(const char* section, Bitmap& b, const TsBgSource& parent, int state = 0, TColor color = KeyColor,
             TPoint offset = {0, 0}, int texture = -1, int hotTexture = -1) {
    PaintSectionBackground(Section(section), QString::fromLatin1(section), parent, color, hotTexture, texture,
                           sm.get(), b, offset, TRect{0, 0, b.Width(), b.Height()}, state);
  }

  std::unique_ptr<TsSkinManager> sm;
};

// ------------------------------------------------------------ records

TEST_F(SectionBackgroundsTest, CacheInfoFromBgInfoTakesTheBitmapOnlyForKindTwo) {
  Bitmap b(4, 4, pf24bit);
  TsBgQuery q;
  q.Bitmap = &b;
  q.Offset = {7, 9};
  q.Color = platform::clBtnFace;
  q.BgKind = TsBgQuery::FromBitmap;
  TsBgSource info;
  CacheInfoFromBgInfo(q, info);
  EXPECT_EQ(info.Bitmap, &b);
  EXPECT_EQ(info.X, 7);
  EXPECT_EQ(info.Y, 9);
  EXPECT_EQ(info.FillColor, KeyColor);
  EXPECT_TRUE(info.IsReady);
  for (uint8_t kind : {uint8_t(TsBgQuery::NotAnswered), uint8_t(TsBgQuery::PlainColor)}) {
    q.BgKind = kind;
    CacheInfoFromBgInfo(q, info);
    EXPECT_EQ(info.Bitmap, nullptr);
    EXPECT_EQ(info.X, 0);
    EXPECT_EQ(info.Y, 0);
    EXPECT_EQ(info.FillColor, platform::ColorToRGB(platform::clBtnFace));
    EXPECT_FALSE(info.IsReady);
  }
}

// ------------------------------------------------------------ transparency

TEST_F(SectionBackgroundsTest, TransparencyBlendsTheLayersOverTheParentByTheFormula) {
  const Bitmap parentPicture = ParentPicture(40, 30);
  const TsBgSource parent{&parentPicture, 2, 1, KeyColor, true};
  const TPoint offset{5, 4};
  const struct {
    const char* section;
    int state;
    int alpha;  // -1: the layers alone; 256: the parent alone
    QRgb layers;
  } cases[] = {
      {"SOLID", 0, -1, qRgb(0x99, 0x66, 0x33)},  // Transparency 0
      {"HALF", 0, 127, qRgb(255, 0, 0)},         // 50: 50 * 255 div 100
      {"CLEAR", 0, 256, 0},                      // 100
      {"HALF", 1, -1, qRgb(0, 255, 0)},          // the hot twins: opaque green
  };
  for (const auto& c : cases) {
    for (auto format : {pf24bit, pf32bit}) {
      Bitmap b = Filled(12, 8, format);
      Paint(c.section, b, parent, c.state, KeyColor, offset);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) {
          const QRgb behind = parentPicture.GetArgb(2 + offset.X + x, 1 + offset.Y + y);
          const QRgb want = c.alpha < 0 ? c.layers : c.alpha == 256 ? behind : Blend(c.layers, behind, c.alpha);
          // (A 32-bit pixel's alpha is blended the same way: 255 over
          // 255 at 50 % gives 254.)
          ASSERT_EQ(b.GetArgb(x, y) & 0xFFFFFFu, want & 0xFFFFFFu)
              << c.section << " state " << c.state << " at " << x << ", " << y;
        }
    }
  }
}

TEST_F(SectionBackgroundsTest, AStripOnePixelHighIsBlendedToo) {
  const Bitmap parentPicture = ParentPicture(20, 20);
  const TsBgSource parent{&parentPicture, 0, 0, KeyColor, true};
  for (TRect r : {TRect{2, 3, 9, 4}, TRect{4, 1, 5, 7}}) {
    for (auto format : {pf24bit, pf32bit}) {
      Bitmap b = Filled(12, 8, format);
      const Bitmap before = b;
      PaintSectionBackground(Section("HALF"), {}, parent, KeyColor, -1, -1, sm.get(), b, {r.Left, r.Top}, r, 0);
      EXPECT_EQ(painting::ChangedOutside(before, b, r), 0) << Show(r);
      for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
          ASSERT_EQ(b.GetArgb(x, y) & 0xFFFFFFu, Blend(qRgb(255, 0, 0), parentPicture.GetArgb(x, y), 127) & 0xFFFFFFu)
              << Show(r) << " at " << x << ", " << y;
    }
  }
}

TEST_F(SectionBackgroundsTest, ARectangleFarBeyondTheBitmapIsBlendedWhereTheBitmapIs) {
  // Far too large for a work bitmap of its own size: only the part
  // inside the bitmap is worked on, the parent still taken from behind
  // r's own corner.
  const Bitmap parentPicture = ParentPicture(40, 40);
  const TsBgSource parent{&parentPicture, 1, 2, KeyColor, true};
  const TRect r{-5, -3, 40000, 40000};
  const TPoint offset{8, 6};
  Bitmap b = Filled(12, 8, pf24bit);
  PaintSectionBackground(Section("HALF"), {}, parent, KeyColor, -1, -1, sm.get(), b, offset, r, 0);
  for (auto [x, y] : {std::pair{0, 0}, {11, 7}, {5, 3}})
    EXPECT_EQ(b.GetArgb(x, y),
              Blend(qRgb(255, 0, 0), parentPicture.GetArgb(1 + offset.X + x + 5, 2 + offset.Y + y + 3), 127))
        << x << "," << y;
  // Tiles under a transparent layer keep r's corner as their start.
  Bitmap mixed = Filled(12, 8, pf24bit), straight = Filled(12, 8, pf24bit);
  TsGeneralData& m = sm->GeneralData[size_t(Section("MIXED"))];
  m.GradientPercent = 0;
  PaintSectionBackground(Section("MIXED"), {}, parent, KeyColor, -1, -1, sm.get(), mixed, offset, r, 0);
  m.Transparency = 0;
  PaintSectionBackground(Section("MIXED"), {}, parent, KeyColor, -1, -1, sm.get(), straight, offset, r, 0);
  EXPECT_EQ(mixed.GetArgb(4, 6), Blend(straight.GetArgb(4, 6), parentPicture.GetArgb(1 + 8 + 9, 2 + 6 + 9), 127));
}

TEST_F(SectionBackgroundsTest, EachPaintStartsFromAZeroedWorkBitmap) {
  // HALF with an image share but no image: its colour is mixed into what
  // the work bitmap holds, which must be the zeroes of a new bitmap even
  // after another section of the same size used it.
  const Bitmap parentPicture = ParentPicture(20, 20);
  const TsBgSource parent{&parentPicture, 0, 0, KeyColor, true};
  sm->GeneralData[size_t(Section("HALF"))].ImagePercent = 50;
  for (int round = 0; round < 2; ++round) {
    Bitmap dirty = Filled(10, 6, pf24bit), b = Filled(10, 6, pf24bit);
    Paint("MIXED", dirty, parent);
    Paint("HALF", b, parent);
    // round(0 x 0.5 + 255 x 0.5) = 128 (halves to even) in red.
    EXPECT_EQ(b.GetArgb(3, 2), Blend(qRgb(128, 0, 0), parentPicture.GetArgb(3, 2), 127)) << round;
  }
}

TEST_F(SectionBackgroundsTest, AParentWithoutBitmapGivesItsColourAndAnUnknownParentShowsTheLayers) {
  const struct {
    const char* section;
    TsBgSource parent;
    QRgb want;
  } cases[] = {
      {"CLEAR", {nullptr, 0, 0, 0x1E140A, false}, kParentFill},  // transparent: the parent's colour
      // Nothing known of the parent: a transparent section is painted in
      // the key colour, to be seen through later.
      {"CLEAR", {nullptr, 0, 0, KeyColor, false}, qRgb(255, 0, 255)},
      {"HALF", {nullptr, 0, 0, KeyColor, false}, qRgb(255, 0, 255)},
      // Blended over a parent's colour, the section keeps its own colour.
      {"HALF", {nullptr, 0, 0, 0x1E140A, false}, Blend(qRgb(255, 0, 0), kParentFill, 127)},
      {"SOLID", {nullptr, 0, 0, 0x1E140A, false}, qRgb(0x99, 0x66, 0x33)},
  };
  for (const auto& c : cases) {
    Bitmap b = Filled(6, 5, pf24bit);
    Paint(c.section, b, c.parent);
    EXPECT_EQ(b.GetArgb(0, 0), c.want | 0xFF000000u) << c.section;
    EXPECT_EQ(b.GetArgb(5, 4), c.want | 0xFF000000u) << c.section;
  }
}

TEST_F(SectionBackgroundsTest, ACustomColourSuppressesTheLayersAndTheTransparency) {
  const Bitmap parentPicture = ParentPicture(20, 20);
  const TsBgSource parent{&parentPicture, 0, 0, KeyColor, true};
  for (const char* section : {"HALF", "CLEAR", "GRAD", "TILEDTEX", "MIXED", "MASKEDTEX"}) {
    Bitmap b = Filled(9, 7, pf24bit);
    const int masked = MaskIndex("MASKEDTEX", "PATTERN");
    Paint(section, b, parent, 0, 0x123456, {0, 0}, masked);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) ASSERT_EQ(b.GetArgb(x, y), qRgb(0x56, 0x34, 0x12)) << section << " " << x << "," << y;
  }
}

// ------------------------------------------------------------ layers

TEST_F(SectionBackgroundsTest, TheLayersTileTheTextureMixTheColourAndFillWhatModeTwoLeaves) {
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  const int tw = testskins::kSectionTextureWidth, th = testskins::kSectionTextureHeight;
  const auto tex = [&](int x, int y) { return testskins::SectionTexturePixel(x % tw, y % th); };
  const auto halfEven = [](int c, int k) {  // round(c x 0.5 + k x 0.5), halves to even
    return int(std::nearbyint(c * 0.5 + k * 0.5));
  };
  Bitmap tiled = Filled(17, 12, pf24bit), top = Filled(17, 12, pf24bit), half = Filled(17, 12, pf32bit);
  Paint("TILEDTEX", tiled, none);
  Paint("TOPROW", top, none);
  Paint("HALFIMAGE", half, none);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 17; ++x) {
      ASSERT_EQ(tiled.GetArgb(x, y), tex(x, y)) << x << "," << y;
      // Mode 2: one row of tiles, the rest below filled with the colour.
      ASSERT_EQ(top.GetArgb(x, y), y < th ? tex(x, y) : qRgb(0, 255, 0)) << x << "," << y;
      const QRgb t = tex(x, y);
      ASSERT_EQ(half.GetArgb(x, y), qRgb(halfEven(qRed(t), 255), halfEven(qGreen(t), 0), halfEven(qBlue(t), 0)))
          << x << "," << y;
    }
}

TEST_F(SectionBackgroundsTest, AGradientRunsDownTheRectangleAndAJpegPatternIsTiledWhole) {
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  Bitmap grad = Filled(5, 11, pf24bit);
  Paint("GRAD", grad, none);
  EXPECT_EQ(grad.GetArgb(2, 0), qRgb(255, 255, 255));
  EXPECT_EQ(grad.GetArgb(2, 10), qRgb(0, 0, 0));
  EXPECT_EQ(grad.GetArgb(2, 5), qRgb(128, 128, 128));  // 255 - 25.5 x 5, halves to even

  const int p = sm->FindPatternIndex(Section("JPEGPAT"), QStringLiteral("JPEGPAT"), QStringLiteral("PATTERN"));
  ASSERT_GE(p, 0);
  const Bitmap& picture = *sm->PatternData[size_t(p)].Img;
  Bitmap jpeg = Filled(350, 320, pf24bit);
  Paint("JPEGPAT", jpeg, none);
  for (auto [x, y] : {std::pair{0, 0}, {299, 299}, {300, 0}, {349, 319}, {123, 310}})
    EXPECT_EQ(jpeg.GetArgb(x, y), picture.GetArgb(x % 300, y % 300)) << x << "," << y;
}

TEST_F(SectionBackgroundsTest, AMaskedTextureInModeTenIsLaidOverInTheNormalStateOnly) {
  const int masked = MaskIndex("MASKEDTEX", "PATTERN");
  ASSERT_GE(masked, 0);
  const TsMaskData& m = sm->MaskData[size_t(masked)];
  ASSERT_EQ(m.MaskType, 1);
  ASSERT_EQ(m.DrawMode, 10);
  const TsBgSource parent{nullptr, 0, 0, 0x000000, false};
  // SOLID with the masked texture given: laid over the colour in state 0.
  Bitmap normal = Filled(20, 20, pf24bit), expected = Filled(20, 20, pf24bit), hot = Filled(20, 20, pf24bit);
  Paint("SOLID", normal, parent, 0, KeyColor, {0, 0}, masked);
  Paint("SOLID", expected, parent);
  PaintMaskedTexture(expected, TRect{0, 0, 20, 20}, parent, 10, m);
  EXPECT_EQ(painting::ChangedOutside(expected, normal, TRect{}), 0);
  EXPECT_NE(normal.GetArgb(1, 1), qRgb(0x99, 0x66, 0x33));
  // The cells cover 16 x 16; the strips right and below take the parent's colour.
  EXPECT_EQ(normal.GetArgb(17, 3), qRgb(0, 0, 0));
  EXPECT_EQ(normal.GetArgb(3, 18), qRgb(0, 0, 0));
  Paint("SOLID", hot, parent, 1, KeyColor, {0, 0}, masked);
  EXPECT_EQ(hot.GetArgb(1, 1), Rgb(sm->GeneralData[size_t(Section("SOLID"))].HotColor));
}

// ------------------------------------------------------------ texture painters

TEST_F(SectionBackgroundsTest, PaintTextureCoversItsAreaByModeAndGivesTheRest) {
  const TRect r{2, 3, 19, 16};  // 17 x 13, the texture 7 x 5
  const struct {
    int mode;
    TRect covered;
    TRect rest;
  } cases[] = {
      {0, r, {-1, -1, -1, -1}},
      {10, r, {-1, -1, -1, -1}},
      {1, r, {-1, -1, -1, -1}},
      {2, {2, 3, 19, 8}, {2, 8, 19, 16}},
      {6, {2, 11, 19, 16}, {2, 3, 19, 11}},
      {3, {2, 3, 9, 16}, {9, 3, 19, 16}},
      {7, {12, 3, 19, 16}, {2, 3, 12, 16}},
      {4, {2, 3, 19, 8}, {2, 8, 19, 16}},
      {5, {2, 3, 9, 16}, {9, 3, 19, 16}},
      {8, {0, 0, 0, 0}, r},
  };
  for (const auto& c : cases) {
    Bitmap b = Filled(22, 19, pf24bit);
    const Bitmap before = b;
    TRect rest{100, 100, 100, 100};
    PaintTexture(b, r, nullptr, &Texture(), c.mode, rest);
    EXPECT_EQ(Show(rest), Show(c.rest)) << "mode " << c.mode;
    EXPECT_EQ(painting::ChangedOutside(before, b, c.covered), 0) << "mode " << c.mode;
    for (int y = c.covered.Top; y < c.covered.Bottom; ++y)
      for (int x = c.covered.Left; x < c.covered.Right; ++x)
        ASSERT_NE(b.GetArgb(x, y), before.GetArgb(x, y)) << "mode " << c.mode << " " << x << "," << y;
  }
  // Tiles start at their area's top-left corner: mode 6 from row 11.
  Bitmap b = Filled(22, 19, pf24bit);
  TRect rest;
  PaintTexture(b, r, nullptr, &Texture(), 6, rest);
  EXPECT_EQ(b.GetArgb(2, 11), testskins::SectionTexturePixel(0, 0));
  EXPECT_EQ(b.GetArgb(18, 15), testskins::SectionTexturePixel(16 % 7, 4));
}

TEST_F(SectionBackgroundsTest, AnEmptyPictureTilesNothingAndLeavesAllAsRest) {
  TsMaskData flat = painting::Variant(Texture());
  const TRect r{1, 1, 9, 9};
  for (TRect empty : {TRect{0, 0, 0, 5}, TRect{0, 0, 5, 0}, TRect{4, 4, 2, 2}}) {
    flat.R = empty;
    for (int mode : {0, 2, 3, 6, 7, 10}) {
      Bitmap b = Filled(10, 10, pf24bit);
      const Bitmap before = b;
      TRect rest;
      PaintTexture(b, r, nullptr, &flat, mode, rest);  // must return
      EXPECT_EQ(Show(rest), Show(r)) << "mode " << mode;
      EXPECT_EQ(painting::ChangedOutside(before, b, TRect{}), 0);
      PaintMaskedTexture(b, r, TsBgSource{}, mode == 10 ? 10 : 0, flat);
      EXPECT_EQ(painting::ChangedOutside(before, b, TRect{}), 0);
    }
  }
  Bitmap b = Filled(10, 10, pf24bit);
  const Bitmap before = b;
  TileGraphic(b, r, Bitmap(0, 7, pf24bit), TacGraphicKind::Bitmap);
  TileGraphic(b, r, Bitmap(7, 0, pf24bit), TacGraphicKind::Jpeg);
  TileGraphic(b, r, ParentPicture(3, 3), TacGraphicKind::Other);
  EXPECT_EQ(painting::ChangedOutside(before, b, TRect{}), 0);
}

TEST_F(SectionBackgroundsTest, TileGraphicCutsTheLastTilesToTheRectangle) {
  const Bitmap tile = ParentPicture(4, 3);
  for (auto kind : {TacGraphicKind::Bitmap, TacGraphicKind::Jpeg}) {
    Bitmap b = Filled(12, 10, pf24bit);
    const Bitmap before = b;
    const TRect r{1, 2, 11, 9};
    TileGraphic(b, r, tile, kind);
    EXPECT_EQ(painting::ChangedOutside(before, b, r), 0);
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        ASSERT_EQ(b.GetArgb(x, y), tile.GetArgb((x - 1) % 4, (y - 2) % 3)) << x << "," << y;
  }
}

TEST_F(SectionBackgroundsTest, AMaskedTextureOfNoStatesOrAnotherModePaintsNothing) {
  TsMaskData m = painting::Variant(sm->MaskData.at(size_t(MaskIndex("MASKEDTEX", "PATTERN"))));
  Bitmap b = Filled(20, 20, pf24bit);
  const Bitmap before = b;
  for (int mode : {1, 2, 5, 11}) PaintMaskedTexture(b, TRect{0, 0, 20, 20}, TsBgSource{}, mode, m);
  m.ImageCount = 0;
  PaintMaskedTexture(b, TRect{0, 0, 20, 20}, TsBgSource{}, 0, m);
  EXPECT_EQ(painting::ChangedOutside(before, b, TRect{}), 0);
}

TEST_F(SectionBackgroundsTest, ModeTenStripsTakeTheReadyParentBitmap) {
  const TsMaskData& m = sm->MaskData.at(size_t(MaskIndex("MASKEDTEX", "PATTERN")));
  const Bitmap parentPicture = ParentPicture(40, 40);
  Bitmap b = Filled(20, 19, pf24bit);
  PaintMaskedTexture(b, TRect{0, 0, 20, 19}, TsBgSource{&parentPicture, 3, 2, KeyColor, true}, 10, m);
  EXPECT_EQ(b.GetArgb(16, 0), parentPicture.GetArgb(19, 2));
  EXPECT_EQ(b.GetArgb(5, 18), parentPicture.GetArgb(8, 20));
}

// ------------------------------------------------------------ items

TEST_F(SectionBackgroundsTest, AnItemLaysCornersAndBorderAndStaysInsideItsBitmap) {
  const TsGeneralData& s = sm->GeneralData[size_t(Section("ITEM"))];
  ASSERT_GE(s.BorderIndex, 0);
  for (int corner : {s.ImgTopLeft, s.ImgTopRight, s.ImgBottomLeft, s.ImgBottomRight}) ASSERT_GE(corner, 0);
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  Bitmap b = Filled(30, 24, pf24bit);
  PaintSectionItem(Section("ITEM"), QStringLiteral("ITEM"), none, -1, -1, sm.get(), b, {0, 0}, TRect{0, 0, 30, 24},
                   0, false);
  // The corner glyph (drawn last among the pictures but the border) shows
  // where the border's corner is the key colour: its pixel (1, 1).
  Bitmap expected = Filled(30, 24, pf24bit);
  PaintSectionBackground(Section("ITEM"), QStringLiteral("ITEM"), none, KeyColor, -1, -1, sm.get(), expected, {0, 0},
                         TRect{0, 0, 30, 24}, 0);
  TsBgSource self;
  self = {&expected, 0, 0, KeyColor, true};
  const TsMaskData& corner = sm->MaskData[size_t(s.ImgTopLeft)];
  const int cw = MaskImageWidth(corner), ch = MaskImageHeight(corner);
  for (TPoint at : {TPoint{0, 0}, TPoint{30 - cw, 0}, TPoint{0, 24 - ch}, TPoint{30 - cw, 24 - ch}})
    PaintMaskGlyph(expected, at, 0, 1, corner, self);
  PaintMaskRect(expected, TRect{0, 0, 30, 24}, true, none, sm->MaskData[size_t(s.BorderIndex)], 0, false);
  EXPECT_EQ(painting::ChangedOutside(expected, b, TRect{}), 0);

  // Outside the bitmap or from a negative corner: nothing.
  for (TRect r : {TRect{-1, 0, 10, 10}, TRect{0, 0, 31, 10}, TRect{0, 5, 10, 25}}) {
    Bitmap c = Filled(30, 24, pf24bit);
    const Bitmap before = c;
    PaintSectionItem(Section("ITEM"), {}, none, -1, -1, sm.get(), c, {0, 0}, r, 0, false);
    EXPECT_EQ(painting::ChangedOutside(before, c, TRect{}), 0) << Show(r);
  }
}

TEST_F(SectionBackgroundsTest, ToDCAndByNamePaintTheSameItem) {
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  Bitmap item = Filled(16, 14, pf24bit);
  PaintSectionItem(Section("ITEM"), QStringLiteral("ITEM"), none, -1, -1, sm.get(), item, {0, 0}, TRect{0, 0, 16, 14},
                   1, false);
  Bitmap target = Filled(24, 20, pf24bit);
  PaintSectionToDC(Section("ITEM"), QStringLiteral("ITEM"), none, sm.get(), target.GetCanvas(), {0, 0},
                   TRect{5, 4, 21, 18}, 1, false);
  target.GetCanvas().EndPainting();
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(target.GetArgb(5 + x, 4 + y), item.GetArgb(x, y)) << x << "," << y;
  EXPECT_EQ(target.GetArgb(4, 4), painting::kBackground | 0xFF000000u);

  // Nothing from a negative corner or for an empty rectangle.
  Bitmap untouched = Filled(24, 20, pf24bit);
  const Bitmap before = untouched;
  PaintSectionToDC(Section("ITEM"), {}, none, sm.get(), untouched.GetCanvas(), {0, 0}, TRect{-1, 0, 5, 5}, 0, false);
  PaintSectionToDC(Section("ITEM"), {}, none, sm.get(), untouched.GetCanvas(), {0, 0}, TRect{3, 3, 3, 9}, 0, false);
  untouched.GetCanvas().EndPainting();
  EXPECT_EQ(painting::ChangedOutside(before, untouched, TRect{}), 0);

  // By name: an unknown name falls back to the default one.
  Bitmap byName = Filled(16, 14, pf24bit);
  EXPECT_EQ(PaintSectionByName(byName, QStringLiteral("NOSUCH"), QStringLiteral("SOLID"), nullptr, KeyColor, {0, 0},
                               sm.get(), 0),
            Section("SOLID"));
  EXPECT_EQ(byName.GetArgb(8, 8), qRgb(0x99, 0x66, 0x33));
  Bitmap neither = Filled(4, 4, pf24bit);
  EXPECT_EQ(PaintSectionByName(neither, QStringLiteral("NOSUCH"), QStringLiteral("NONE"), nullptr, KeyColor, {0, 0},
                               sm.get(), 0),
            -1);
  EXPECT_EQ(neither.GetArgb(1, 1), painting::kBackground | 0xFF000000u);
  // A source copied in first is the background of a transparent section.
  const Bitmap source = ParentPicture(30, 30);
  Bitmap clear = Filled(8, 6, pf24bit);
  PaintSectionByName(clear, QStringLiteral("CLEAR"), {}, &source, KeyColor, {4, 5}, sm.get(), 0);
  EXPECT_EQ(clear.GetArgb(3, 2), source.GetArgb(7, 7));
}

TEST_F(SectionBackgroundsTest, APartHonoursTransparencyOnlyOverAReadyParent) {
  const Bitmap parentPicture = ParentPicture(20, 20);
  Bitmap over = Filled(6, 6, pf24bit), alone = Filled(6, 6, pf24bit);
  PaintPartBackground(Section("HALF"), TsBgSource{&parentPicture, 0, 0, KeyColor, true}, -1, sm.get(), over, {2, 3},
                      TRect{0, 0, 6, 6}, 0);
  PaintPartBackground(Section("HALF"), TsBgSource{nullptr, 0, 0, 0x1E140A, false}, -1, sm.get(), alone, {0, 0},
                      TRect{0, 0, 6, 6}, 0);
  EXPECT_EQ(over.GetArgb(1, 1), Blend(qRgb(255, 0, 0), parentPicture.GetArgb(3, 4), 127));
  EXPECT_EQ(alone.GetArgb(1, 1), qRgb(255, 0, 0));
  // A transparent part over a parent without bitmap takes the parent's colour.
  Bitmap clear = Filled(6, 6, pf24bit);
  PaintPartBackground(Section("CLEAR"), TsBgSource{nullptr, 0, 0, 0x1E140A, false}, -1, sm.get(), clear, {0, 0},
                      TRect{0, 0, 6, 6}, 0);
  EXPECT_EQ(clear.GetArgb(2, 2), kParentFill);
}

TEST_F(SectionBackgroundsTest, AnItemsBorderTakesTheParentBehindItsOwnRectangle) {
  const Bitmap parentPicture = ParentPicture(60, 50);
  const TsBgSource parent{&parentPicture, 2, 1, KeyColor, true};
  const TRect r{3, 2, 23, 16};
  const TPoint offset{7, 5};
  Bitmap b = Filled(30, 24, pf24bit);
  PaintSectionItem(Section("ITEM"), {}, parent, -1, -1, sm.get(), b, offset, r, 0, true);
  // The border, laid last, has the key colour in its top-right pixel: the
  // parent's pixel behind it shows.
  EXPECT_EQ(b.GetArgb(r.Right - 1, r.Top), parentPicture.GetArgb(2 + offset.X + r.Width() - 1, 1 + offset.Y));
}

TEST_F(SectionBackgroundsTest, APartTakesItsTextureAsGivenAndCopiesAReadyParent) {
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  const int texture = MaskIndex("TILEDTEX", "PATTERN");
  Bitmap given = Filled(9, 6, pf24bit), without = Filled(9, 6, pf24bit);
  PaintPartBackground(Section("TILEDTEX"), none, texture, sm.get(), given, {0, 0}, TRect{0, 0, 9, 6}, 0);
  PaintPartBackground(Section("TILEDTEX"), none, -1, sm.get(), without, {0, 0}, TRect{0, 0, 9, 6}, 0);
  EXPECT_EQ(given.GetArgb(8, 5), testskins::SectionTexturePixel(1, 0));
  // ImagePercent 100 without texture: nothing to paint, nothing added.
  EXPECT_EQ(without.GetArgb(8, 5), painting::kBackground | 0xFF000000u);

  const Bitmap parentPicture = ParentPicture(30, 30);
  Bitmap clear = Filled(9, 6, pf24bit);
  PaintPartBackground(Section("CLEAR"), TsBgSource{&parentPicture, 1, 2, KeyColor, true}, -1, sm.get(), clear, {3, 4},
                      TRect{0, 0, 9, 6}, 0);
  EXPECT_EQ(clear.GetArgb(8, 5), parentPicture.GetArgb(12, 11));
}

TEST_F(SectionBackgroundsTest, TheHotStateTakesTheHotTexture) {
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  const int texture = MaskIndex("TILEDTEX", "PATTERN"), masked = MaskIndex("MASKEDTEX", "PATTERN");
  Bitmap hot = Filled(9, 6, pf24bit), refused = Filled(9, 6, pf24bit);
  Paint("TILEDTEX", hot, none, 1, KeyColor, {0, 0}, masked, texture);
  Paint("TILEDTEX", refused, none, 1, KeyColor, {0, 0}, texture, masked);
  EXPECT_EQ(hot.GetArgb(8, 5), testskins::SectionTexturePixel(1, 0));
  // A hot texture with a mask part is no texture here: nothing is tiled.
  EXPECT_EQ(refused.GetArgb(8, 5), painting::kBackground | 0xFF000000u);
}

TEST_F(SectionBackgroundsTest, APictureOnePixelWideIsTiledToo) {
  TsMaskData narrow = painting::Variant(Texture());
  narrow.R.Right = narrow.R.Left + 1;
  Bitmap b = Filled(5, 7, pf24bit);
  TRect rest;
  PaintTexture(b, TRect{0, 0, 5, 7}, nullptr, &narrow, 0, rest);
  EXPECT_EQ(b.GetArgb(4, 6), testskins::SectionTexturePixel(0, 1));
}

TEST_F(SectionBackgroundsTest, NoManagerOrNoSectionPaintsNothing) {
  Bitmap b = Filled(8, 8, pf24bit);
  const Bitmap before = b;
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  for (int index : {-1, 999}) {
    PaintSectionBackground(index, {}, none, KeyColor, -1, -1, sm.get(), b, {0, 0}, TRect{0, 0, 8, 8}, 0);
    PaintPartBackground(index, none, -1, sm.get(), b, {0, 0}, TRect{0, 0, 8, 8}, 0);
    PaintSectionItem(index, {}, none, -1, -1, sm.get(), b, {0, 0}, TRect{0, 0, 8, 8}, 0, true);
    PaintSectionPart(index, sm->GeneralData[size_t(Section("ITEM"))].BorderIndex, -1, sm.get(), b, {0, 0},
                     TRect{0, 0, 8, 8}, 0, true, none);
  }
  // No manager at all (this one is not the default once another is freed).
  TsSkinManager* saved = FirstSkinManager;
  FirstSkinManager = nullptr;
  PaintSectionBackground(Section("SOLID"), {}, none, KeyColor, -1, -1, nullptr, b, {0, 0}, TRect{0, 0, 8, 8}, 0);
  FirstSkinManager = saved;
  EXPECT_EQ(painting::ChangedOutside(before, b, TRect{}), 0);
}

// ------------------------------------------------------------ form corners

TEST_F(SectionBackgroundsTest, TransparentCornersBecomeOneRowRectanglesAtTheFormsEdges) {
  const TsMaskData& border = sm->MaskData.at(size_t(sm->GeneralData[size_t(Section("ITEM"))].BorderIndex));
  // The slice states have the key colour at their four outer corner pixels.
  std::vector<TRect> rects;
  AddTransparentCornerRects(rects, 100, border, false, 0);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(Show(rects[0]), Show(TRect{0, 0, 1, 1}));
  EXPECT_EQ(Show(rects[1]), Show(TRect{99, 0, 100, 1}));
  rects.clear();
  // A form 41 high: its bottom band starts WB rows above its bottom edge.
  AddTransparentCornerRects(rects, 50, border, true, 41 - border.WB);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(Show(rects[0]), Show(TRect{0, 40, 1, 41}));  // row 10 of 11: the form's last
  EXPECT_EQ(Show(rects[1]), Show(TRect{49, 40, 50, 41}));

  // No states, or a picture rectangle reaching past the bitmap: nothing
  // read outside it.
  TsMaskData damaged = painting::Variant(border);
  damaged.ImageCount = 0;
  rects.clear();
  AddTransparentCornerRects(rects, 50, damaged, false, 0);
  EXPECT_TRUE(rects.empty());
  damaged.ImageCount = 1;
  damaged.R = TRect{sm->MasterBitmap->Width() - 3, sm->MasterBitmap->Height() - 2, sm->MasterBitmap->Width() + 40,
                    sm->MasterBitmap->Height() + 30};
  damaged.WL = damaged.WT = damaged.WR = damaged.WB = 9000;
  AddTransparentCornerRects(rects, 50, damaged, false, 0);
  AddTransparentCornerRects(rects, 50, damaged, true, 0);
  for (const TRect& r : rects) EXPECT_EQ(r.Height(), 1);
}

// ------------------------------------------------------------ queries

// A widget whose window procedure answers the background query through
// `answer`, and sub-command 21 with `color`.
class Answering {
 public:
  Answering(QWidget* w, std::function<void(TsBgQuery&)> answer, platform::LRESULT color = 0)
      : handle_(platform::InstallWindowProc(
            w,
            [answer, color](platform::Message& m, const platform::CallPrevious& previous) {
              if (m.Msg == SkinCommandMsg && platform::HIWORD(m.WParam) == acBgQuery && answer) {
                answer(*platform::ParamPtr<TsBgQuery>(std::uintptr_t(m.LParam)));
                return;
              }
              if (m.Msg == SkinCommandMsg && platform::HIWORD(m.WParam) == acGetBgColor) {
                m.Result = color;
                return;
              }
              previous(m);
            },
            platform::WindowProcLevel::Control)) {}
  ~Answering() { platform::RemoveWindowProc(handle_); }

 private:
  platform::WindowProcHandle handle_;
};

TEST_F(SectionBackgroundsTest, AnAnsweredQueryIsTrueAndCarriesTheFlag) {
  QWidget w;
  Bitmap cache(5, 5, pf24bit);
  bool sawFlag = false;
  Answering a(&w, [&](TsBgQuery& q) {
    sawFlag = q.DrawRequest;
    q.BgKind = TsBgQuery::FromBitmap;
    q.Bitmap = &cache;
  });
  TsBgQuery q;
  EXPECT_TRUE(QueryControlBackground(q, &w, true));
  EXPECT_TRUE(sawFlag);
  EXPECT_EQ(q.Bitmap, &cache);
  q = {};
  EXPECT_TRUE(QueryWindowBackground(q, &w, false));
  EXPECT_FALSE(sawFlag);
}

TEST_F(SectionBackgroundsTest, AnUnansweredQueryFallsBackToTheColours) {
  QWidget w;
  platform::SetControlColor(&w, 0x0A0B0C);
  {
    Answering a(&w, nullptr, 0x445566);  // answers 21 only
    TsBgQuery q;
    EXPECT_FALSE(QueryControlBackground(q, &w, false));
    EXPECT_EQ(q.BgKind, TsBgQuery::PlainColor);
    EXPECT_EQ(q.Color, 0x445566);
    // With the flag, a bitmap and a canvas, R of the canvas takes the colour.
    Bitmap target = Filled(6, 6, pf24bit);
    q = {};
    q.Bitmap = &target;
    q.DC = &target.GetCanvas();
    q.R = TRect{1, 1, 3, 3};
    QueryControlBackground(q, &w, true);
    target.GetCanvas().EndPainting();
    EXPECT_EQ(target.GetArgb(2, 2), qRgb(0x66, 0x55, 0x44));
    EXPECT_EQ(target.GetArgb(3, 3), painting::kBackground | 0xFF000000u);
  }
  TsBgQuery q;
  EXPECT_FALSE(QueryControlBackground(q, &w, false));
  EXPECT_EQ(q.Color, 0x0A0B0C);  // 21 unanswered: the control's own colour
  q = {};
  EXPECT_FALSE(QueryWindowBackground(q, &w, false));
  EXPECT_EQ(q.BgKind, TsBgQuery::PlainColor);
  EXPECT_EQ(q.Color, sm->GlobalSectionColor());  // the default manager's global colour
  EXPECT_EQ(q.Color, 0xD0DCE8);
}

TEST_F(SectionBackgroundsTest, AnUnansweredDrawRequestPaintsALabelsText) {
  QLabel label(QStringLiteral("WWWW"));
  label.resize(60, 24);
  label.ensurePolished();
  Bitmap target = Filled(40, 24, pf24bit, qRgb(255, 255, 255));
  TsBgQuery q;
  q.DrawRequest = true;
  q.DC = &target.GetCanvas();
  q.Offset = {0, 0};
  q.R = TRect{0, 0, 40, 24};
  EXPECT_FALSE(QueryControlBackground(q, &label, false));
  EXPECT_EQ(q.BgKind, TsBgQuery::NotAnswered);
  target.GetCanvas().EndPainting();
  int dark = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x)
      if (qGray(target.GetArgb(x, y)) < 100) ++dark;
  EXPECT_GT(dark, 10);
  EXPECT_EQ(target.GetCanvas().GetViewportOrg().X, 0);  // the canvas's state came back
}

// Paints blue left of x 10 and red from there on.
class HalvesWidget : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(0, 0, 10, height(), Qt::blue);
    p.fillRect(10, 0, width() - 10, height(), Qt::red);
  }
};

TEST_F(SectionBackgroundsTest, AWidgetPaintsItselfAtTheAskersOffsetInsideR) {
  HalvesWidget w;
  w.resize(30, 20);
  Bitmap target = Filled(20, 12, pf24bit, qRgb(255, 255, 255));
  TsBgQuery q;
  q.DrawRequest = true;
  q.DC = &target.GetCanvas();
  q.Offset = {8, 3};
  q.R = TRect{0, 0, 6, 6};
  EXPECT_FALSE(QueryWindowBackground(q, &w, false));
  target.GetCanvas().EndPainting();
  EXPECT_EQ(target.GetArgb(1, 1), qRgb(0, 0, 255));  // the widget's (9, 4)
  EXPECT_EQ(target.GetArgb(2, 1), qRgb(255, 0, 0));  // its (10, 4)
  EXPECT_EQ(target.GetArgb(5, 5), qRgb(255, 0, 0));
  EXPECT_EQ(target.GetArgb(6, 1), qRgb(255, 255, 255));  // outside R
  EXPECT_EQ(target.GetArgb(1, 6), qRgb(255, 255, 255));
  EXPECT_EQ(target.GetCanvas().GetViewportOrg().X, 0);
  EXPECT_EQ(target.GetCanvas().GetClipBox().Right, 20);
}

TEST_F(SectionBackgroundsTest, WithoutAManagerTheWindowFallBackIsTheButtonFace) {
  QWidget w;
  TsSkinManager* saved = FirstSkinManager;
  FirstSkinManager = nullptr;
  TsBgQuery q;
  QueryWindowBackground(q, &w, false);
  FirstSkinManager = saved;
  EXPECT_EQ(q.Color, platform::ColorToRGB(platform::clBtnFace));
}

TEST_F(SectionBackgroundsTest, AControlPaintsItsCustomColourAndLeavesAStateZeroBorderOut) {
  QWidget parent;
  QWidget* child = new QWidget(&parent);
  child->setGeometry(0, 0, 20, 16);
  platform::SetControlColor(child, 0x00C000);
  TsCommonData data(child, true);
  data.SetSkinManager(sm.get());
  data.SetSkinSection(QStringLiteral("ITEM"));
  ASSERT_GE(data.BorderMaskIndex, 0);
  const TsBgSource none{nullptr, 0, 0, KeyColor, false};
  Bitmap plain = Filled(20, 16, pf24bit);
  PaintControlBackground(data, none, 0, plain, {0, 0}, TRect{0, 0, 20, 16});
  EXPECT_EQ(plain.GetArgb(10, 8), qRgb(0x40, 0x40, 0x40));
  data.SetCustomColor(true);
  PaintControlBackground(data, none, 0, plain, {0, 0}, TRect{0, 0, 20, 16});
  EXPECT_EQ(plain.GetArgb(10, 8), qRgb(0, 0xC0, 0));
  data.SetCustomColor(false);

  // The border's DrawMode bit 2 leaves state 0 without border.
  TsMaskData& border = sm->MaskData[size_t(data.BorderMaskIndex)];
  Bitmap withBorder = Filled(20, 16, pf24bit), without = Filled(20, 16, pf24bit), hot = Filled(20, 16, pf24bit);
  PaintControlItem(data, none, withBorder, TRect{0, 0, 20, 16}, {0, 0}, 0, false);
  border.DrawMode = int16_t(border.DrawMode | 2);
  PaintControlItem(data, none, without, TRect{0, 0, 20, 16}, {0, 0}, 0, false);
  PaintControlItem(data, none, hot, TRect{0, 0, 20, 16}, {0, 0}, 1, false);
  EXPECT_EQ(withBorder.GetArgb(8, 1), testskins::SlicePixel(8, 1, 0));
  EXPECT_EQ(without.GetArgb(8, 1), qRgb(0x40, 0x40, 0x40));
  EXPECT_EQ(hot.GetArgb(8, 1), testskins::SlicePixel(8, 1, 1));

  // A part lays the border it is given over its background.
  Bitmap part = Filled(20, 16, pf24bit);
  PaintSectionPart(Section("SOLID"), data.BorderMaskIndex, -1, sm.get(), part, {0, 0}, TRect{0, 0, 20, 16}, 1, false,
                   none);
  EXPECT_EQ(part.GetArgb(8, 1), testskins::SlicePixel(8, 1, 1));
  // No centre without DrawMode bit 4: the hot colour.
  EXPECT_EQ(part.GetArgb(10, 8), Rgb(sm->GeneralData[size_t(Section("SOLID"))].HotColor));
}

// ------------------------------------------------------------ the unit

TEST_F(SectionBackgroundsTest, TheUnitFillsTheSharedControlDataSlotsWhileItRuns) {
  EXPECT_EQ(commondata::MixColors(0x0000FF, 0xFF0000, 0.5), 0x800080);
  QWidget w;
  platform::SetControlColor(&w, 0x010203);
  TsBgQuery q;
  commondata::QueryControlBackground(q, &w, false);
  EXPECT_EQ(q.Color, 0x010203);
  q = {};
  commondata::QueryWindowBackground(q, &w, false);
  EXPECT_EQ(q.Color, 0xD0DCE8);  // the default manager's global colour
  platform::FinishUnit("SectionBackgrounds");
  EXPECT_EQ(commondata::MixColors(0x0000FF, 0xFF0000, 0.5), KeyColor);
  q = {};
  commondata::QueryControlBackground(q, &w, false);
  EXPECT_EQ(q.Color, KeyColor);
  q = {};
  commondata::QueryWindowBackground(q, &w, false);
  EXPECT_EQ(q.Color, KeyColor);
  platform::StartUnit("SectionBackgrounds");
}

TEST_F(SectionBackgroundsTest, ACacheRepaintedThroughTheSlotShowsTheSection) {
  QWidget parent;
  parent.resize(100, 80);
  QWidget* child = new QWidget(&parent);
  child->setGeometry(10, 10, 20, 12);
  TsCommonData data(child, true);
  data.SetSkinManager(sm.get());
  data.SetSkinSection(QStringLiteral("SOLID"));
  ASSERT_GE(data.SectionIndex, 0);
  commondata::RepaintCache(child, data);
  ASSERT_TRUE(data.CacheBitmap);
  EXPECT_EQ(data.CacheBitmap->Width(), 20);
  EXPECT_EQ(data.CacheBitmap->GetArgb(5, 5), qRgb(0x99, 0x66, 0x33));
  EXPECT_FALSE(data.BackgroundDirty);
}

TEST_F(SectionBackgroundsTest, SkinBordersWithoutMaskFillTheBandsWithTheBackgroundColour) {
  QWidget parent;
  QWidget* child = new QWidget(&parent);
  child->setGeometry(4, 4, 10, 8);
  TsCommonData data(child, true);
  data.SetSkinManager(sm.get());
  data.SetSkinSection(QStringLiteral("SOLID"));
  Bitmap target = Filled(10, 8, pf24bit);
  const Bitmap before = target;
  TRect client{100, 100, 100, 100};
  PaintSkinBorders(target.GetCanvas(), TRect{0, 0, 10, 8}, 0, client, 0, data);
  target.GetCanvas().EndPainting();
  EXPECT_EQ(Show(client), Show(TRect{100, 100, 100, 100}));
  EXPECT_EQ(painting::ChangedOutside(before, target, TRect{}), 0);
  PaintSkinBorders(target.GetCanvas(), TRect{0, 0, 10, 8}, 2, client, 0, data);
  target.GetCanvas().EndPainting();
  EXPECT_EQ(Show(client), Show(TRect{2, 2, 8, 6}));
  EXPECT_EQ(target.GetArgb(0, 0), qRgb(0x99, 0x66, 0x33));
  EXPECT_EQ(target.GetArgb(9, 7), qRgb(0x99, 0x66, 0x33));
  EXPECT_EQ(painting::ChangedOutside(before, target, TRect{0, 0, 10, 8}) , 0);
  EXPECT_EQ(target.GetArgb(4, 4), painting::kBackground | 0xFF000000u);
}

}  // namespace

namespace {

// Damaged skins (masks past the master bitmap, margins of 9000, no
// states, no layers): the texture painters and a section's background
// paint only inside their rectangle, and nothing reads outside a bitmap
// (the sanitizer build watches the reads).
TEST_F(ManagerTest, DamagedSkinsKeepTheSectionPaintersInsideTheirBitmaps) {
  using testskins::SkinDamage;
  std::mt19937 random(106);
  std::uniform_int_distribution<int> coordinate(-40, 80);
  platform::StartUnit("SectionBackgrounds");
  for (SkinDamage damage : painting::kPaintedDamages) {
    auto sm = DamagedManager(damage);
    ASSERT_TRUE(sm->SkinData->Active) << testskins::DamageName(damage);
    Bitmap parent = Filled(30, 30, pf24bit, qRgb(5, 6, 7));
    const TsBgSource bg{&parent, -10, 40, KeyColor, true};
    for (int k = 0; k < 12; ++k) {
      const int x0 = coordinate(random), y0 = coordinate(random);
      const TRect r{x0, y0, x0 + coordinate(random), y0 + coordinate(random)};
      for (auto format : {pf24bit, pf32bit}) {
        Bitmap bitmap = Filled(64, 48, format);
        const Bitmap before(bitmap);
        for (size_t i = 0; i < sm->MaskData.size(); ++i) {
          const TsMaskData& m = sm->MaskData[i];
          TRect rest;
          PaintTexture(bitmap, r, nullptr, &m, k, rest);
          PaintMaskedTexture(bitmap, r, bg, k % 2 ? 10 : 0, m);
          std::vector<TRect> corners;
          AddTransparentCornerRects(corners, 100, m, k % 2, 0);
        }
        for (size_t i = 0; i < sm->GeneralData.size(); ++i) {
          PaintSectionBackground(int(i), {}, bg, KeyColor, -1, -1, sm.get(), bitmap, {k, -k}, r, k % 2);
          PaintPartBackground(int(i), bg, int(i), sm.get(), bitmap, {k, -k}, r, k % 2);
        }
        EXPECT_EQ(painting::ChangedOutside(before, bitmap, r), 0)
            << testskins::DamageName(damage) << " " << Show(r);
        for (size_t i = 0; i < sm->GeneralData.size(); ++i)
          PaintSectionItem(int(i), {}, bg, -1, -1, sm.get(), bitmap, {0, 0}, platform::IntersectRect(r, {0, 0, 64, 48}),
                           k % 3, true);
      }
    }
  }
  platform::FinishUnit("SectionBackgrounds");
}

}  // namespace
