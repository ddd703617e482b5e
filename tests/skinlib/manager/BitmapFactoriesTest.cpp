// Work bitmaps, bands of a device context, nine-part bitmaps, bevel
// frames, graphic controls out of the clip, and a control's border.
#include "skinlib/manager/BitmapFactories.h"

#include "PaintingFixture.h"
#include "platform/Canvas.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

using namespace painting;
using platform::Bitmap;
using platform::Canvas;
using platform::RGB;
using platform::TColor;
using platform::TRect;
using platform::pf24bit;
using platform::pf32bit;

namespace {

// The pixels of `b` equal to `c`, as a count.
int CountOf(const Bitmap& b, QRgb c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.GetArgb(x, y) == c;
  return n;
}

// The smallest rectangle around the pixels equal to `c`.
TRect BoundsOf(const Bitmap& b, QRgb c) {
  TRect r{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetArgb(x, y) == c) r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
  return r.IsEmpty() ? TRect{} : r;
}

}  // namespace

TEST(BitmapFactories, WorkBitmapsOfAFixedFormat) {
  const Bitmap source(7, 5, platform::pf8bit);
  const auto like = CreateBitmapLike(source);
  EXPECT_EQ((std::array<int, 3>{like->Width(), like->Height(), like->PixelFormat()}),
            (std::array<int, 3>{7, 5, platform::pf8bit}));
  const auto b24 = CreateBitmap24(3, 4);
  const auto b32 = CreateBitmap32(-3, 4);
  EXPECT_EQ(b24->PixelFormat(), pf24bit);
  EXPECT_EQ(b24->Width(), 3);
  EXPECT_EQ(b32->PixelFormat(), pf32bit);
  EXPECT_TRUE(b32->Empty());
  EXPECT_THROW(CreateBitmap32(40000, 2), platform::EOutOfResources);
  static_assert(ColorWithoutAlpha(TColor(0xFF123456)) == 0x123456);
  static_assert(ColorWithoutAlpha(TColor(0x00ABCDEF)) == 0xABCDEF);
}

TEST(BitmapFactories, RectanglesAndBorderBands) {
  Bitmap b = Filled(20, 20, pf24bit);
  Canvas& dc = b.GetCanvas();
  dc.Brush = {RGB(1, 1, 1), platform::bsClear};
  FillDCRect(dc, TRect{2, 3, 6, 5}, RGB(200, 0, 0));
  EXPECT_EQ(BoundsOf(b, qRgb(200, 0, 0)), (TRect{2, 3, 6, 5}));
  EXPECT_EQ(dc.Brush, (platform::TBrush{RGB(1, 1, 1), platform::bsClear}));  // the canvas's brush given back
  FillDCRect(dc, TRect{0, 0, 1, 1}, platform::clBtnFace);                     // a system colour
  EXPECT_EQ(b.GetArgb(0, 0), platform::ToQRgb(platform::clBtnFace) | 0xFF000000u);
  // Zero widths fill nothing.
  Bitmap zero = Filled(20, 20, pf24bit);
  FillDCBorder(zero.GetCanvas(), TRect{2, 2, 18, 18}, 0, RGB(0, 200, 0), 0, 0, 0);
  zero.GetCanvas().EndPainting();
  EXPECT_EQ(ChangedOutside(Filled(20, 20, pf24bit), zero, {}), 0);
  // Each band where it belongs: left 1, top 2, right 3, bottom 4 wide.
  Bitmap bands = Filled(20, 20, pf24bit);
  FillDCBorder(bands.GetCanvas(), TRect{2, 2, 18, 18}, 1, RGB(0, 200, 0), 4, 3, 2);
  bands.GetCanvas().EndPainting();
  const QRgb green = qRgb(0, 200, 0);
  EXPECT_EQ(CountOf(bands, green), 16 * 16 - (16 - 1 - 3) * (16 - 2 - 4));
  EXPECT_EQ(BoundsOf(bands, green), (TRect{2, 2, 18, 18}));
  EXPECT_EQ(bands.GetArgb(3, 4), kBackground | 0xFF000000u);    // inside the bands
  EXPECT_EQ(bands.GetArgb(14, 13), kBackground | 0xFF000000u);
  EXPECT_EQ(bands.GetArgb(15, 13), green);                      // the right band
  EXPECT_EQ(bands.GetArgb(3, 14), green);                       // the bottom band
}

TEST(BitmapFactories, BorderBandsCopiedBetweenCanvases) {
  Bitmap source(30, 30, pf24bit);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) source.SetArgb(x, y, qRgb(x * 8, y * 8, 50));
  Bitmap target = Filled(30, 30, pf24bit);
  CopyDCBorder(target.GetCanvas(), 4, 5, 12, 10, 11, source.GetCanvas(), 10, 2);
  target.GetCanvas().EndPainting();
  EXPECT_EQ(target.GetArgb(4, 5), source.GetArgb(10, 11));
  EXPECT_EQ(target.GetArgb(4 + 11, 5 + 9), source.GetArgb(10 + 11, 11 + 9));
  EXPECT_EQ(target.GetArgb(4 + 1, 5 + 5), source.GetArgb(10 + 1, 11 + 5));  // the left band
  EXPECT_EQ(target.GetArgb(4 + 2, 5 + 5), kBackground | 0xFF000000u);      // inside
  EXPECT_EQ(ChangedOutside(Filled(30, 30, pf24bit), target, TRect{4, 5, 16, 15}), 0);
  EXPECT_EQ(ChangedOutside(Filled(30, 30, pf24bit), target, {}), 12 * 10 - 8 * 6);
  // A source canvas on no bitmap copies nothing.
  QImage device(10, 10, QImage::Format_RGB32);
  Canvas other(&device);
  Bitmap untouched = Filled(30, 30, pf24bit);
  CopyDCBorder(untouched.GetCanvas(), 0, 0, 10, 0, 0, other, 10, 2);
  untouched.GetCanvas().EndPainting();
  EXPECT_EQ(ChangedOutside(Filled(30, 30, pf24bit), untouched, {}), 0);
}

TEST(BitmapFactories, GraphicControlsCutOutOfTheClip) {
  QWidget form;
  form.resize(100, 80);
  auto* label = new QLabel(QStringLiteral("a"), &form);
  label->setGeometry(10, 10, 20, 10);
  auto* hidden = new QLabel(QStringLiteral("b"), &form);
  hidden->setGeometry(40, 10, 20, 10);
  hidden->hide();
  auto* button = new QPushButton(QStringLiteral("c"), &form);  // a window of its own
  button->setGeometry(10, 40, 30, 20);
  form.show();
  for (bool keep : {false, true}) {
    KeepGraphicControlsInClip = keep;
    Bitmap b = Filled(100, 80, pf24bit);
    Canvas& dc = b.GetCanvas();
    ExcludeGraphicControls(dc, &form, 2, 3);
    FillDCRect(dc, TRect{0, 0, 100, 80}, RGB(9, 9, 9));
    dc.EndPainting();
    EXPECT_EQ(CountOf(b, qRgb(9, 9, 9)), keep ? 8000 : 8000 - 200);
    EXPECT_EQ(b.GetArgb(13, 12) == (kBackground | 0xFF000000u), !keep);  // the label, moved by (3, 2)
    EXPECT_EQ(b.GetArgb(45, 15), qRgb(9, 9, 9));                           // the hidden label
    EXPECT_EQ(b.GetArgb(15, 45), qRgb(9, 9, 9));                           // the button
  }
  KeepGraphicControlsInClip = false;
}

// Corners unscaled, the cell's rest from the border strip next to the
// corner, sides tiled or stretched each by its own mode.
TEST(BitmapFactories, NinePartBitmaps) {
  // A 9 x 9 piece at (1, 1) of the source: borders 2 wide all round.
  Bitmap src = Filled(12, 12, pf24bit, qRgb(0, 0, 0));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) src.SetArgb(1 + x, 1 + y, qRgb(20 * x + 10, 20 * y + 10, 99));
  const TRect piece{1, 1, 10, 10};
  auto at = [&](int x, int y) { return qRgb(20 * x + 10, 20 * y + 10, 99); };
  TacNinePartModes modes;
  modes.Top = 1;  // the top side stretched, the others tiled
  modes.FillCentre = true;
  Bitmap dst = Filled(30, 20, pf24bit);
  PaintNinePartBitmap(dst.GetCanvas(), src, TRect{2, 2, 27, 18}, modes, TRect{2, 2, 2, 2}, TRect{2, 2, 2, 2}, piece);
  dst.GetCanvas().EndPainting();
  EXPECT_EQ(dst.GetArgb(2, 2), at(0, 0));
  EXPECT_EQ(dst.GetArgb(26, 17), at(8, 8));
  EXPECT_EQ(dst.GetArgb(25, 2), at(7, 0));
  // The left side tiles its five rows; the centre tiles too.
  EXPECT_EQ(dst.GetArgb(2, 4), at(0, 2));
  EXPECT_EQ(dst.GetArgb(2, 9), at(0, 2));
  EXPECT_EQ(dst.GetArgb(4, 4), at(2, 2));
  EXPECT_EQ(dst.GetArgb(9, 4), at(2, 2));
  // The stretched top side runs once through the piece's top: its last
  // column is the piece's last top column, not a repeat.
  EXPECT_EQ(dst.GetArgb(24, 2), at(6, 0));
  EXPECT_EQ(dst.GetArgb(4, 2), at(2, 0));
  // The bottom and right sides tile their pieces too.
  EXPECT_EQ(dst.GetArgb(4, 16), at(2, 7));
  EXPECT_EQ(dst.GetArgb(9, 17), at(2, 8));
  EXPECT_EQ(dst.GetArgb(25, 4), at(7, 2));
  EXPECT_EQ(dst.GetArgb(26, 9), at(8, 2));
  // Margins wider than the borders: the corner cell continues with the
  // border strips next to the corner.
  Bitmap wide = Filled(30, 20, pf24bit);
  PaintNinePartBitmap(wide.GetCanvas(), src, TRect{0, 0, 30, 20}, TacNinePartModes{}, TRect{4, 3, 4, 3}, TRect{2, 2, 2, 2},
                      piece);
  wide.GetCanvas().EndPainting();
  EXPECT_EQ(wide.GetArgb(3, 2), at(3, 2));
  EXPECT_EQ(wide.GetArgb(26, 17), at(5, 6));
  // Margins narrower than the borders: the corner from the outer edge.
  Bitmap narrow = Filled(30, 20, pf24bit);
  PaintNinePartBitmap(narrow.GetCanvas(), src, TRect{0, 0, 30, 20}, TacNinePartModes{}, TRect{1, 1, 1, 1},
                      TRect{2, 2, 2, 2}, piece);
  narrow.GetCanvas().EndPainting();
  EXPECT_EQ(narrow.GetArgb(29, 19), at(8, 8));
  EXPECT_EQ(narrow.GetArgb(0, 0), at(0, 0));
  // Without FillCentre the centre stays.
  EXPECT_EQ(narrow.GetArgb(15, 10), kBackground | 0xFF000000u);
}

// Two frames on (0, 0, 10, 10): (0, 0)-(9, 9) and (1, 1)-(8, 8); R comes
// back as (2, 2, 8, 8) and the count as 0.
TEST(BitmapFactories, BevelFrames) {
  Bitmap b = Filled(12, 12, pf24bit);
  Canvas& dc = b.GetCanvas();
  const platform::TPen pen{RGB(5, 5, 5), 3, platform::psDash, platform::pmCopy};
  dc.Pen = pen;
  TRect r{0, 0, 10, 10};
  int count = 2;
  const QRgb light = qRgb(250, 250, 250), dark = qRgb(60, 60, 60);
  DrawBevelFrame(dc, r, RGB(250, 250, 250), count, RGB(60, 60, 60));
  dc.EndPainting();
  EXPECT_EQ(r, (TRect{2, 2, 8, 8}));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(dc.Pen, pen);
  for (int i : {0, 1}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(b.GetArgb(i, 9 - i - 1), light);  // up the left side
    EXPECT_EQ(b.GetArgb(i, i), light);
    EXPECT_EQ(b.GetArgb(9 - i - 1, i), light);  // along the top
    EXPECT_EQ(b.GetArgb(9 - i, i), dark);       // down the right side
    EXPECT_EQ(b.GetArgb(9 - i, 9 - i), dark);
    EXPECT_EQ(b.GetArgb(i, 9 - i), dark);       // along the bottom to the left end
  }
  EXPECT_EQ(b.GetArgb(2, 2), kBackground | 0xFF000000u);
  EXPECT_EQ(b.GetArgb(10, 10), kBackground | 0xFF000000u);
  EXPECT_EQ(CountOf(b, light) + CountOf(b, dark), 36 + 28);
  // One frame drawn twice on what the first call left: the same frames.
  Bitmap twice = Filled(12, 12, pf24bit);
  TRect t{0, 0, 10, 10};
  for (int k = 0; k < 2; ++k) {
    int one = 1;
    DrawBevelFrame(twice.GetCanvas(), t, RGB(250, 250, 250), one, RGB(60, 60, 60));
    EXPECT_EQ(one, 0);
  }
  twice.GetCanvas().EndPainting();
  EXPECT_EQ(t, (TRect{2, 2, 8, 8}));
  EXPECT_EQ(ChangedOutside(b, twice, {}), 0);
}

// A control's border: the mask over the cache, the client rectangle
// inside the margins or the border width, the bands filled and copied.
TEST_F(PaintingSkinTest, AControlsBorder) {
  const int mask = sm->IndexOfMask("TILED", "BORDERSMASK");
  const TRect r{0, 0, 40, 30};
  TsBgQuery plain;
  plain.BgKind = TsBgQuery::PlainColor;
  plain.Color = RGB(70, 80, 90);
  const TsBgSource plainBg{nullptr, 0, 0, RGB(70, 80, 90), false};
  // Without a mask and with border width 0: nothing, clientRect as it was.
  {
    Bitmap cache = Filled(40, 30, pf24bit);
    Bitmap screen = Filled(40, 30, pf24bit);
    TRect client{1, 2, 3, 4};
    PaintControlBorder(screen.GetCanvas(), r, 0, client, 0, &cache, sm.get(), -1, RGB(1, 1, 1), plain, plainBg);
    screen.GetCanvas().EndPainting();
    EXPECT_EQ(client, (TRect{1, 2, 3, 4}));
    EXPECT_EQ(ChangedOutside(Filled(40, 30, pf24bit), screen, {}), 0);
    EXPECT_EQ(ChangedOutside(Filled(40, 30, pf24bit), cache, {}), 0);
  }
  // Without a mask, border width 3: the bands on the canvas.
  {
    Bitmap screen = Filled(40, 30, pf24bit);
    TRect client;
    PaintControlBorder(screen.GetCanvas(), r, 3, client, 0, nullptr, sm.get(), mask, RGB(1, 200, 1), plain, plainBg);
    screen.GetCanvas().EndPainting();
    EXPECT_EQ(client, (TRect{3, 3, 37, 27}));
    EXPECT_EQ(CountOf(screen, qRgb(1, 200, 1)), 40 * 30 - 34 * 24);
    // A border wider than half the control: the client rectangle is empty,
    // never turned round.
    PaintControlBorder(screen.GetCanvas(), TRect{0, 0, 10, 8}, 6, client, 0, nullptr, sm.get(), mask, RGB(1, 200, 1),
                       plain, plainBg);
    EXPECT_EQ(client, (TRect{6, 6, 6, 6}));
  }
  // With the mask: the client inside its margins (5, 3, 4, 2); the cache
  // holds the sliced border; with a border width 6 the bands up to 6 are
  // filled and the client is 6 in, and the bands reach the screen.
  {
    Bitmap cache = Filled(40, 30, pf24bit);
    TRect client;
    PaintControlBorder(cache.GetCanvas(), r, 0, client, 1, &cache, sm.get(), mask, RGB(1, 200, 1), plain, plainBg);
    EXPECT_EQ(client, (TRect{5, 3, 36, 28}));
    EXPECT_EQ(cache.GetArgb(1, 1), testskins::SlicePixel(1, 1, 1));
    EXPECT_EQ(cache.GetArgb(20, 15), kBackground | 0xFF000000u);  // no centre
    Bitmap screen = Filled(40, 30, pf24bit);
    PaintControlBorder(screen.GetCanvas(), r, 6, client, 1, &cache, sm.get(), mask, RGB(1, 200, 1), plain, plainBg);
    screen.GetCanvas().EndPainting();
    cache.GetCanvas().EndPainting();
    EXPECT_EQ(client, (TRect{6, 6, 34, 24}));
    EXPECT_EQ(cache.GetArgb(5, 15), qRgb(1, 200, 1));   // between the left margin (5) and 6
    EXPECT_EQ(cache.GetArgb(6, 15), kBackground | 0xFF000000u);
    EXPECT_EQ(cache.GetArgb(20, 5), qRgb(1, 200, 1));   // between the top margin (3) and 6
    EXPECT_EQ(screen.GetArgb(1, 1), testskins::SlicePixel(1, 1, 1));
    EXPECT_EQ(screen.GetArgb(5, 15), qRgb(1, 200, 1));
    EXPECT_EQ(screen.GetArgb(20, 15), kBackground | 0xFF000000u);  // inside: not copied
  }
  // A mask part: the bands are first filled with the colour (no parent
  // bitmap) or copied from the parent's bitmap at the query's offset.
  {
    const int masked = sm->IndexOfMask("MASKED", "BORDERSMASK");
    Bitmap parent(80, 80, pf24bit);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 80; ++x) parent.SetArgb(x, y, qRgb(x, y, 200));
    TsBgQuery fromBitmap;
    fromBitmap.BgKind = TsBgQuery::FromBitmap;
    fromBitmap.Bitmap = &parent;
    fromBitmap.Offset = {10, 20};
    const TsBgSource bg{&parent, 10, 20, KeyColor, true};
    for (bool withParent : {false, true}) {
      Bitmap cache = Filled(40, 30, pf24bit);
      TRect client;
      PaintControlBorder(cache.GetCanvas(), r, 0, client, 0, &cache, sm.get(), masked, RGB(1, 200, 1),
                         withParent ? fromBitmap : plain, withParent ? bg : plainBg);
      cache.GetCanvas().EndPainting();
      // The key-colour corner: the parent's pixel, or the colour under a
      // mask of 255.
      const QRgb corner = cache.GetArgb(0, 0);
      if (withParent)
        EXPECT_EQ(corner, parent.GetArgb(10, 20));
      else
        EXPECT_EQ(corner, qRgb((255 * 1 + 255) >> 8, (255 * 200 + 0) >> 8, (255 * 1 + 255) >> 8));
    }
  }
}
