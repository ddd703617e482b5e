// Colour routines and the drawing primitives, checked pixel by pixel.
#include "skinning/BuiltinImages.h"
#include "skinning/ImgUtil.h"
#include "skinning/WinSkinData.h"
#include "skinning/WinSkinForm.h"

#include "platform_gui/Pixels.h"

#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

using namespace platform;
using namespace skinning;

namespace {

// Pixel (x, y) is RGB(x, y, 7), so every pixel tells where it came from.
Bitmap Numbered(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGB(x, y, 7));
  return b;
}

// The source column of each pixel of row y (-1 where not numbered).
std::vector<int> Columns(const Bitmap& b, int y = 0) {
  std::vector<int> cols;
  for (int x = 0; x < b.Width(); ++x) {
    const TColor c = b.GetPixel(x, y);
    cols.push_back(GetBValue(c) == 7 ? GetRValue(c) : -1);
  }
  return cols;
}

std::vector<int> Range(int from, int to) {  // from .. to - 1
  std::vector<int> v;
  for (int i = from; i < to; ++i) v.push_back(i);
  return v;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST(ImgUtil, MixesColoursAndRamps) {
  EXPECT_EQ(BlendColours(RGB(200, 0, 100), RGB(0, 100, 0), 150), RGB(30, 85, 15));
  EXPECT_EQ(BlendColours(RGB(200, 0, 100), RGB(0, 100, 0), 50), RGB(100, 50, 50));
  EXPECT_EQ(BlendColours(RGB(1, 0, 3), clBlack, 50), RGB(1, 0, 2)) << "halves round up";
  EXPECT_EQ(BlendColours(clBtnFace, clBtnFace, 50), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(*GetGradientRamp(1, clBlack, 0x0000FF), std::vector<TColor>{0x00007F});
  EXPECT_EQ(*GetGradientRamp(4, RGB(0, 0, 10), RGB(9, 90, 10)),
            (std::vector<TColor>{RGB(0, 0, 10), RGB(3, 30, 10), RGB(6, 60, 10), RGB(9, 90, 10)}));
  EXPECT_THROW(GetGradientRamp(0, clBlack, clWhite), std::invalid_argument);
  const TColourRamp first = GetGradientRamp(2, clBlack, 1);
  for (int i = 2; i <= 16; ++i) GetGradientRamp(2, clBlack, i);
  EXPECT_EQ(GetGradientRamp(2, clBlack, 1), first) << "sixteen ramps are kept";
  GetGradientRamp(2, clBlack, 17);
  EXPECT_NE(GetGradientRamp(2, clBlack, 1), first) << "the seventeenth evicts the first";

  const struct {
    TColor Colour;
    int Hue, Saturation;
  } hs[] = {{RGB(80, 80, 80), 0, 200}, {RGB(255, 0, 0), 0, 255}, {RGB(0, 0, 255), 170, 255},
            {RGB(255, 255, 0), 42, 255}, {RGB(200, 200, 200), 0, 0}, {RGB(255, 0, 128), 234, 255},
            {RGB(0, 255, 128), 106, 255}, {RGB(0, 1, 0), 85, 200}};
  for (const auto& c : hs) {
    const THueSat r = ColourHueSat(c.Colour);
    EXPECT_EQ(r.Hue, c.Hue) << std::hex << c.Colour;
    EXPECT_EQ(r.Saturation, c.Saturation) << std::hex << c.Colour;
  }
}

TEST(ImgUtil, GradientFillsOneLinePerColourInsideTheClip) {
  Bitmap b = pixels::White(6, 8);
  Canvas& c = b.GetCanvas();
  c.IntersectClipRect(Rect(0, 0, 6, 5));
  GradientFill(c, Rect(1, 1, 5, 8), RGB(0, 0, 0), true, RGB(0, 60, 0));  // 7 rows
  EXPECT_EQ(b.GetPixel(1, 1), RGB(0, 0, 0));
  EXPECT_EQ(b.GetPixel(4, 4), RGB(0, 30, 0));
  EXPECT_EQ(pixels::InkBox(b, clWhite), Rect(1, 1, 5, 5));
  GradientFill(c, Rect(0, 0, 0, 5), clBlack, false, clBlack);
  EXPECT_EQ(b.GetPixel(0, 0), clWhite);
  GradientFill(c, Rect(2, 0, 5, 1), RGB(0, 0, 0), false, RGB(0, 0, 40));  // 3 columns
  EXPECT_EQ(b.GetPixel(2, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.GetPixel(3, 0), RGB(0, 0, 20));
  EXPECT_EQ(b.GetPixel(4, 0), RGB(0, 0, 40));
  EXPECT_EQ(b.GetPixel(5, 0), clWhite);
}

TEST(ImgUtil, TurnsMirrorsFlipsAndReplacesTheKey) {
  const struct {
    void (*Op)(Bitmap&);
    int W, H;
    int X, Y, X2, Y2;  // where the old pixels (0, 1) and (2, 0) of a 3 x 2 image go
  } ops[] = {{MirrorBitmap, 3, 2, 2, 1, 0, 0}, {FlipBitmap, 3, 2, 0, 0, 2, 1},
             {RotateLeft, 2, 3, 1, 2, 0, 0}, {RotateRight, 2, 3, 0, 0, 1, 2}};
  for (const auto& o : ops) {
    Bitmap b = Numbered(3, 2);
    o.Op(b);
    ASSERT_EQ(b.Width(), o.W);
    ASSERT_EQ(b.Height(), o.H);
    EXPECT_EQ(b.GetPixel(o.X, o.Y), RGB(0, 1, 7));
    EXPECT_EQ(b.GetPixel(o.X2, o.Y2), RGB(2, 0, 7));
    EXPECT_EQ(b.PixelFormat(), pfDevice);
  }
  Bitmap k(2, 1, pf32bit);
  k.SetPixel(0, 0, kSkinKeyColour);
  k.SetPixel(1, 0, RGB(255, 0, 254));
  ReplaceKeyColour(k, clBtnFace);
  EXPECT_EQ(k.PixelFormat(), pf24bit);
  EXPECT_EQ(k.GetPixel(0, 0), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(k.GetPixel(1, 0), RGB(255, 0, 254));
}

TEST(SkinDraw, NinePartsTakeTheRightColumns) {
  const Bitmap strip = Numbered(80, 1), frame30 = Numbered(30, 1), tile = Numbered(13, 1);
  std::vector<int> halves;
  for (int i = 0; i < 60; ++i) halves.push_back(i / 2);
  const struct {
    const char* What;
    const Bitmap& Image;
    TRect Margins;
    bool Tile;
    int Count, Frame, Width;
    std::vector<int> Expected;
  } cases[] = {
      {"margins 10, 0, 10, 0 on 15 pixels", frame30, Rect(10, 0, 10, 0), false, 1, 1, 15,
       {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28}},
      {"margins wider than the frame drop", frame30, Rect(20, 0, 11, 0), false, 1, 1, 60,
       halves},
      {"a 7-pixel tile in a 20-pixel centre", tile, Rect(3, 0, 3, 0), true, 1, 1, 26,
       Join(Join(Join(Join(Range(0, 3), Range(3, 10)), Range(3, 10)), Range(3, 9)), Range(10, 13))},
      {"frame 3 of 4", strip, TRect(), false, 4, 3, 20, Range(40, 60)},
      {"frame count 0 counts as 1", frame30, TRect(), false, 0, 1, 30, Range(0, 30)},
      {"frame 5 of 4 draws nothing", strip, TRect(), false, 4, 5, 20, {}},
      {"frame 0 draws nothing", strip, TRect(), false, 4, 0, 20, {}},
  };
  for (const auto& c : cases) {
    const Bitmap b = DrawSkinImage(Rect(0, 0, c.Width, 1), c.Image, c.Margins, false, c.Tile,
                                   c.Count, c.Frame);
    EXPECT_EQ(Columns(b), c.Expected) << c.What;
  }
  // An element stretches its image, or tiles it with "Tile=1".
  TDataSkinObject element;
  element.Image = tile;
  element.LeftWidth = element.RightWidth = 3;
  for (int tiled : {0, 1}) {
    element.Tile = tiled;
    Bitmap b = pixels::White(26, 1);
    element.Draw(b.GetCanvas(), Rect(0, 0, 26, 1), 1);
    b.GetCanvas().EndPainting();
    EXPECT_EQ(Columns(b), Columns(DrawSkinImage(Rect(0, 0, 26, 1), tile, Rect(3, 0, 3, 0), false, tiled, 1, 1))) << tiled;
  }
  // Stacked frames: every corner and edge from its own place.
  const Bitmap rows = Numbered(3, 12);  // 3 frames of 3 x 4, stacked
  const Bitmap r = DrawSkinImage(Rect(0, 0, 4, 6), rows, Rect(1, 1, 1, 1), true, false, 3, 2);
  const int expectedColumns[] = {0, 1, 1, 2}, expectedRows[] = {4, 5, 5, 6, 6, 7};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(r.GetPixel(x, y), RGB(expectedColumns[x], expectedRows[y], 7)) << x << "," << y;
}

TEST(SkinDraw, StripsFramesAndTransparentCopies) {
  const Bitmap frame = Numbered(7, 2);  // L 2, middle 3, R 2
  Bitmap b = pixels::White(12, 2);
  DrawSkinStrip(b.GetCanvas(), Rect(0, 0, 12, 2), frame, false, false, 1, 1, Rect(2, 0, 2, 0));
  EXPECT_EQ(Columns(b), (std::vector<int>{0, 1, 2, 3, 4, 2, 3, 4, 2, 3, 5, 6}));
  Bitmap nomiddle = pixels::White(12, 1);
  DrawSkinStrip(nomiddle.GetCanvas(), Rect(0, 0, 12, 1), Numbered(4, 1), false, false, 1, 1,
                Rect(2, 0, 2, 0));  // no middle: ends only, and it returns
  EXPECT_EQ(Columns(nomiddle), (std::vector<int>{0, 1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 3}));

  Bitmap direct = pixels::White(10, 1);
  DrawThreePartDirect(direct.GetCanvas(), Rect(1, 0, 9, 1), frame, false, 1, 1, Rect(2, 0, 2, 0));
  EXPECT_EQ(Columns(direct), (std::vector<int>{-1, 0, 1, 2, 2, 3, 4, 5, 6, -1}));
  DrawThreePartDirect(direct.GetCanvas(), Rect(0, 0, 5, 1), frame, false, 1, 1, Rect(2, 0, 2, 0));
  EXPECT_EQ(Columns(direct), (std::vector<int>{0, 1, 2, 4, 5, 3, 4, 5, 6, -1}));

  Bitmap centred = pixels::White(6, 3);
  DrawFrameCentred(centred.GetCanvas(), Rect(0, 0, 6, 3), Numbered(20, 1), false, 2, 1);
  EXPECT_EQ(Columns(centred, 1), Range(2, 8)) << "a larger frame overhangs equally";
  EXPECT_EQ(pixels::InkBox(centred, clWhite), Rect(0, 1, 6, 2));

  Bitmap keyed = Numbered(4, 1);
  keyed.SetPixel(1, 0, kSkinKeyColour);
  Bitmap t = pixels::White(6, 1);
  TransparentDraw(t.GetCanvas(), Rect(1, 0, 4, 1), keyed, kSkinKeyColour);
  EXPECT_EQ(Columns(t), (std::vector<int>{-1, 0, -1, 2, -1, -1}));
  DrawFrameStretched(t.GetCanvas(), Rect(0, 0, 2, 1), keyed, true, 2, 1);
  EXPECT_EQ(Columns(t), (std::vector<int>{0, 0, -1, 2, -1, -1}));
  DrawSkinElement(t.GetCanvas(), Rect(5, 0, 3, 1), keyed, false, false, false, 1, 1, TRect());
  DrawSkinElement(t.GetCanvas(), Rect(3, 0, 7, 1), keyed, false, false, true, 1, 1, TRect());
  EXPECT_EQ(Columns(t), (std::vector<int>{0, 0, -1, 0, -1, 2}));
}

TEST(SkinDraw, RegionsLeaveOutTheKeyColour) {
  Bitmap key(5, 3);
  key.Fill(ToQRgb(kSkinKeyColour));
  EXPECT_TRUE(RegionFromBitmap(key, 0, 0, 0, 0, 0, kSkinKeyColour).isEmpty());
  EXPECT_TRUE(RegionFromBitmap(Numbered(5, 3), 10, 20, 0, 0, 0, kSkinKeyColour)
                  .xored(QRegion(10, 20, 5, 3))
                  .isEmpty());
  // Each channel's tolerance reaches from the key's value up.
  Bitmap near(3, 1);
  near.SetPixel(0, 0, RGB(15, 20, 30));
  near.SetPixel(1, 0, RGB(10, 25, 30));
  near.SetPixel(2, 0, RGB(10, 20, 35));
  const TColor nearKey = RGB(10, 20, 30);
  EXPECT_EQ(RegionFromBitmap(near, 0, 0, 5, 5, 5, nearKey), QRegion());
  EXPECT_EQ(RegionFromBitmap(near, 0, 0, 5, 5, 4, nearKey), QRegion(0, 0, 1, 1));
  EXPECT_EQ(RegionFromBitmap(near, 0, 0, 5, 4, 5, nearKey), QRegion(1, 0, 1, 1));
  EXPECT_EQ(RegionFromBitmap(near, 0, 0, 4, 5, 5, nearKey), QRegion(2, 0, 1, 1));
  // A checkerboard: thousands of one-pixel runs, more than one batch.
  Bitmap board(120, 60);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x) board.SetPixel(x, y, (x + y) % 2 ? RGB(255, 8, 255) : clBlack);
  const QRegion strict = RegionFromBitmap(board, 0, 0, 0, 0, 0, kSkinKeyColour);
  const QRegion tolerant = RegionFromBitmap(board, 0, 0, 0, 10, 0, kSkinKeyColour);
  EXPECT_TRUE(strict.xored(QRegion(0, 0, 120, 60)).isEmpty());
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x) ASSERT_EQ(tolerant.contains(QPoint(x, y)), (x + y) % 2 == 0);
}

namespace {

// A parent that paints a red square over the middle of its background.
class Painted : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(20, 20, 10, 10, Qt::red); }
};

}  // namespace

TEST(SkinDraw, PaintsTheParentUnderAChild) {
  Painted parent;
  parent.resize(60, 60);
  QPalette pal;
  pal.setColor(QPalette::Window, QColor(0, 0, 255));
  parent.setPalette(pal);
  parent.setAutoFillBackground(true);
  QWidget child(&parent), sibling(&parent);
  child.setGeometry(15, 15, 20, 20);
  sibling.setGeometry(0, 0, 18, 18);
  sibling.setAutoFillBackground(true);
  sibling.setPalette(QPalette(Qt::green));
  Bitmap b = pixels::White(20, 20);
  PaintParentBackground(&child, b.GetCanvas());
  b.GetCanvas().EndPainting();
  EXPECT_EQ(pixels::ColorBox(b, clRed), Rect(5, 5, 15, 15));
  EXPECT_EQ(b.GetPixel(0, 0), clBlue) << "the parent's background, not the sibling over it";
  Bitmap none = pixels::White(4, 4);
  PaintParentBackground(&parent, none.GetCanvas());
  EXPECT_EQ(pixels::InkBox(none, clWhite), TRect());
}

TEST(SkinImages, BuiltInImagesHaveTheirSizesAndFormats) {
  const struct {
    const char* Name;
    int W, H;
    TPixelFormat Format;
  } builtin[] = {{"TRACK", 16, 4, pfDevice}, {"TRACKVERT", 4, 16, pfDevice},
                 {"SKINMENU", 64, 16, pf1bit}, {"CHECK", 13, 13, pf1bit}};
  for (const auto& i : builtin) {
    const Bitmap b = BuiltinImage(i.Name);
    EXPECT_EQ(b.Width(), i.W) << i.Name;
    EXPECT_EQ(b.Height(), i.H) << i.Name;
    EXPECT_EQ(b.PixelFormat(), i.Format) << i.Name;
  }
}
