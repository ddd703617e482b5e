// Gradients of skin sections: the text a section keeps, and the bands and
// triangles the painter lays into a bitmap, pixel by pixel.
#include "skinlib/manager/SkinGradients.h"

#include "platform/Colors.h"
#include "platform/DelphiRtl.h"
#include "platform/Startup.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using platform::Bitmap;
using platform::RGB;
using platform::TColor;
using platform::TPixelFormat;
using platform::TRect;
using platform::pf24bit;
using platform::pf32bit;

namespace {

constexpr QRgb kBackground = qRgba(1, 2, 3, 77);
constexpr TColor kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

Bitmap Background(int w, int h, TPixelFormat f = pf24bit) {
  Bitmap b(w, h, f);
  b.Fill(kBackground);
  return b;
}

TsGradArray Parsed(const char* text) {
  TsGradArray stops;
  ParseGradient(QString::fromLatin1(text), stops);
  return stops;
}

// The smallest rectangle around the pixels (alpha included) that differ.
TRect Changed(const Bitmap& before, const Bitmap& after) {
  TRect r{before.Width(), before.Height(), 0, 0};
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x)
      if (before.GetArgb(x, y) != after.GetArgb(x, y))
        r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
  return r.IsEmpty() ? TRect{} : r;
}

std::string Show(const TRect& r) {
  std::ostringstream s;
  s << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
  return s.str();
}

// Every pixel of row y (column x) inside R is `color`.
bool RowIs(const Bitmap& b, const TRect& r, int y, TColor color) {
  for (int x = r.Left; x < r.Right; ++x)
    if (b.GetPixel(x, y) != color) return false;
  return true;
}
bool ColumnIs(const Bitmap& b, const TRect& r, int x, TColor color) {
  for (int y = r.Top; y < r.Bottom; ++y)
    if (b.GetPixel(x, y) != color) return false;
  return true;
}

// The painter with its triangle fill, as after the program's start-up.
class SkinGradients : public ::testing::Test {
 protected:
  void SetUp() override { platform::StartUnit("SkinGradients"); }
  void TearDown() override { platform::FinishUnit("SkinGradients"); }
};

}  // namespace

// ------------------------------------------------------------------ text

TEST(ParseGradient, ReadsFiveFieldsAStop) {
  struct Case {
    const char* text;
    std::vector<TsGradientStop> stops;  // Color1, Color2, Percent, Mode, 0
  };
  const Case cases[] = {
      {"", {}},
      {"16777215;0;100;0;0", {{16777215, 0, 100, 0, 0}}},
      {"255;65280;50;0;0;65280;16711680;50;0;0", {{255, 65280, 50, 0, 0}, {65280, 16711680, 50, 0, 0}}},
      // Nine fields: one stop, the trailing four ignored; four: none.
      {"1;2;3;1;0;4;5;6;1", {{1, 2, 3, 1, 0}}},
      {"1;2;3;1", {}},
      // Percent held to 0..100, colours below 0 stored as 0, Mode as it is.
      {"255;0;150;7;0", {{255, 0, 100, 7, 0}}},
      {"-5;-2147483648;-20;-1;0", {{0, 0, 0, -1, 0}}},
      {"2147483647;0;100;2;0", {{2147483647, 0, 100, 2, 0}}},
      // Empty fields do not count; blanks before a number, '$' and "0x"
      // hexadecimal are integers.
      {";;255;;65280;50;;0;0;;", {{255, 65280, 50, 0, 0}}},
      {" 7;$FF;0x10;1;0", {{7, 255, 16, 1, 0}}},
      // The fifth field and a trailing group are never read.
      {"1;2;3;0;junk", {{1, 2, 3, 0, 0}}},
      {"1;2;3;0;0;junk;x", {{1, 2, 3, 0, 0}}},
  };
  for (const Case& c : cases) {
    const TsGradArray stops = Parsed(c.text);
    ASSERT_EQ(stops.size(), c.stops.size()) << c.text;
    for (size_t i = 0; i < stops.size(); ++i) {
      EXPECT_EQ(stops[i].Color1, c.stops[i].Color1) << c.text << " stop " << i;
      EXPECT_EQ(stops[i].Color2, c.stops[i].Color2) << c.text << " stop " << i;
      EXPECT_EQ(stops[i].Percent, c.stops[i].Percent) << c.text << " stop " << i;
      EXPECT_EQ(stops[i].Mode, c.stops[i].Mode) << c.text << " stop " << i;
      EXPECT_EQ(stops[i].Reserved, 0) << c.text << " stop " << i;
    }
  }
}

TEST(ParseGradient, AFieldThatIsNoIntegerRaisesTheConversionErrorAndLeavesNoStops) {
  for (const char* text : {"1;2;abc;0;0", "12a;0;0;0;0", "1;2;3 ;0;0", "99999999999;0;0;0;0",
                           "1;2;3;0;0;4;5;6;x;0", "1;2;3;0;0;4;5;6;\xe7\xba\xa2;0", "1;2;3;1.5;0"}) {
    TsGradArray stops = Parsed("1;2;3;0;0");
    try {
      ParseGradient(QString::fromUtf8(text), stops);
      ADD_FAILURE() << text << " was read";
    } catch (const platform::EConvertError& e) {
      EXPECT_NE(std::string(e.what()).find("is not a valid integer value"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(stops.empty()) << text;
  }
}

// ----------------------------------------------------------- rows, columns

// Two bands on a rectangle 101 pixels long: red to green over 0..50, green
// to blue over 50..100; the shared line ends green, the first band's last
// colour painted over by the second's first. Down the rows in mode 0,
// across the columns in mode 1, at 24 and 32 bits.
TEST_F(SkinGradients, TwoBandsMeetOnTheirSharedLine) {
  struct Line {
    int at;
    TColor color;
  };
  // Steps of 5.1 a line; the lines chosen lie away from halves.
  const Line lines[] = {{0, kRed},           {1, RGB(250, 5, 0)},  {10, RGB(204, 51, 0)}, {40, RGB(51, 204, 0)},
                        {49, RGB(5, 250, 0)}, {50, kGreen},        {51, RGB(0, 250, 5)},  {90, RGB(0, 51, 204)},
                        {100, kBlue}};
  for (int mode : {0, 1})
    for (TPixelFormat f : {pf24bit, pf32bit}) {
      const std::string text = "255;65280;50;" + std::to_string(mode) + ";0;65280;16711680;50;0;0";
      const TsGradArray stops = Parsed(text.c_str());
      const TRect r = mode == 0 ? platform::Rect(2, 0, 9, 101) : platform::Rect(0, 2, 101, 9);
      Bitmap b = Background(mode == 0 ? 11 : 101, mode == 0 ? 101 : 11, f);
      const Bitmap before = b;
      PaintGrad(b, r, stops, 0, 0);
      EXPECT_EQ(Show(Changed(before, b)), Show(r)) << "mode " << mode;
      for (const Line& l : lines) {
        const bool same = mode == 0 ? RowIs(b, r, l.at, l.color) : ColumnIs(b, r, l.at, l.color);
        EXPECT_TRUE(same) << "mode " << mode << " format " << f << " line " << l.at << ": "
                          << std::hex << (mode == 0 ? b.GetPixel(r.Left, l.at) : b.GetPixel(l.at, r.Top));
      }
      if (f == pf32bit) {
        EXPECT_EQ(qAlpha(b.GetArgb(5, 5)), 255);
      }
    }
}

// Rows of every width around the 32 (three-byte) and 24 (four-byte)
// pixels that one pattern of the row fill covers: every pixel of R takes
// its row's colour, and the pixels beside R keep theirs.
TEST_F(SkinGradients, EveryPixelOfAWideRowTakesTheRowsColour) {
  const TsGradArray stops = Parsed("255;16711680;100;0;0");  // red to blue
  for (TPixelFormat f : {pf24bit, pf32bit})
    for (int width : {1, 23, 24, 25, 31, 32, 33, 48, 64, 95, 96, 97, 200, 333}) {
      Bitmap b = Background(width + 7, 6, f);
      const Bitmap before = b;
      const TRect r = platform::Rect(5, 1, 5 + width, 6);
      PaintGrad(b, r, stops);
      ASSERT_EQ(Show(Changed(before, b)), Show(r)) << "width " << width << " format " << int(f);
      for (int y = r.Top; y < r.Bottom; ++y) {
        const QRgb want = b.GetArgb(r.Left, y);
        for (int x = r.Left; x < r.Right; ++x)
          ASSERT_EQ(b.GetArgb(x, y), want) << "width " << width << " format " << int(f) << " at " << x << "," << y;
      }
      EXPECT_EQ(b.GetPixel(r.Left, 1), kRed);
      EXPECT_EQ(b.GetPixel(r.Right - 1, 5), kBlue);
      EXPECT_EQ(b.GetPixel(r.Left, 3), RGB(128, 0, 128)) << "127.5 to even";
    }
}

// A stop's share: rounded down in mode 0 (Percent × height div 100), to
// the nearest with halves to even in mode 1 (round(Percent × width / 100)).
// Two flat bands, A for 25 % and B for the rest; B paints over A's last line.
TEST_F(SkinGradients, AStopsShareIsRoundedDownDownwardsAndToEvenAcross) {
  const TColor a = RGB(10, 20, 30), bc = RGB(200, 100, 50);
  struct Case {
    int mode, length;
    int firstOfB;  // the first row or column painted B
  };
  const Case cases[] = {
      {0, 10, 2},  // 10 × 25 div 100 = 2
      {0, 30, 7},  // 7.5 rounded down
      {0, 100, 25},
      {0, 4, 1},
      {1, 10, 2},  // 2.5 to even: 2
      {1, 30, 8},  // 7.5 to even: 8
      {1, 14, 4},  // 3.5 to even: 4
  };
  for (const Case& c : cases) {
    const std::string text = std::to_string(a) + ";" + std::to_string(a) + ";25;" + std::to_string(c.mode) +
                             ";0;" + std::to_string(bc) + ";" + std::to_string(bc) + ";75;0;0";
    const TsGradArray stops = Parsed(text.c_str());
    Bitmap b = Background(c.mode == 1 ? c.length : 3, c.mode == 0 ? c.length : 3);
    const TRect r = platform::Rect(0, 0, b.Width(), b.Height());
    PaintGrad(b, r, stops);
    for (int i = 0; i < c.length; ++i) {
      const TColor want = i < c.firstOfB ? a : bc;
      EXPECT_TRUE(c.mode == 0 ? RowIs(b, r, i, want) : ColumnIs(b, r, i, want))
          << "mode " << c.mode << " length " << c.length << " line " << i;
    }
  }
}

TEST_F(SkinGradients, BandsThatTakeNothingAreSkippedAndTheLastReachesTheEnd) {
  // A first stop of 0 % paints nothing; the second, though only 10 %, is
  // the last and runs to the bottom.
  Bitmap b = Background(4, 21);
  PaintGrad(b, platform::Rect(0, 0, 4, 21), Parsed("255;255;0;0;0;65280;16711680;10;0;0"));
  EXPECT_TRUE(RowIs(b, platform::Rect(0, 0, 4, 21), 0, kGreen));
  EXPECT_TRUE(RowIs(b, platform::Rect(0, 0, 4, 21), 10, RGB(0, 128, 128)));  // 127.5 to even
  EXPECT_TRUE(RowIs(b, platform::Rect(0, 0, 4, 21), 20, kBlue));
  // Stops that fill the length before the last: the last starts on the
  // final line and has nothing left.
  Bitmap c = Background(4, 11);
  PaintGrad(c, platform::Rect(0, 0, 4, 11), Parsed("255;65280;100;0;0;16711680;16711680;50;0;0"));
  EXPECT_TRUE(RowIs(c, platform::Rect(0, 0, 4, 11), 10, kGreen));
}

// ------------------------------------------------------------- triangles

// Mode 2 on a 100 × 100 rectangle: points (left, top) red, centre blue,
// (right, top) white, (right, bottom) green, (left, bottom) black. A pixel
// whose centre lies on a diagonal takes the two ends' colours in
// proportion: (0,0) is 1 % of the way to the centre.
TEST_F(SkinGradients, TrianglesTakeTheStopsFirstColoursAtTheCornersAndCentre) {
  const TsGradArray stops = Parsed("255;0;0;2;0;16711680;0;0;0;0;16777215;0;0;0;0;65280;0;0;0;0;0;0;0;0;0");
  struct Case {
    int x, y;
    TColor color;
  };
  const Case cases[] = {{0, 0, RGB(252, 0, 2)}, {49, 49, RGB(2, 0, 252)}, {50, 50, RGB(0, 2, 252)},
                        {99, 99, RGB(0, 252, 2)}};
  for (TPixelFormat f : {pf24bit, pf32bit, platform::pfDevice}) {
    Bitmap b = Background(130, 140, f);
    const Bitmap before = b;
    const TRect r = platform::Rect(10, 20, 110, 120);
    PaintGrad(b, r, stops);
    EXPECT_EQ(Show(Changed(before, b)), Show(r));
    for (const Case& c : cases)
      EXPECT_EQ(b.GetPixel(r.Left + c.x, r.Top + c.y), c.color) << c.x << "," << c.y << " format " << f;
    // The points carry alpha 0, which a 32-bit bitmap takes.
    EXPECT_EQ(qAlpha(b.GetArgb(60, 70)), f == pf32bit ? 0 : 255);
  }
}

TEST_F(SkinGradients, TrianglesWithOneStopAreOneFlatColour) {
  const TsGradArray one = Parsed("4227327;0;0;2;0");  // RGB(255, 128, 64)
  Bitmap b = Background(40, 30);
  const Bitmap before = b;
  const TRect r = platform::Rect(3, 4, 37, 27);
  PaintGrad(b, r, one);
  EXPECT_EQ(Show(Changed(before, b)), Show(r));
  for (int y = r.Top; y < r.Bottom; ++y) ASSERT_TRUE(RowIs(b, r, y, RGB(255, 128, 64))) << y;
  // Two stops: the three points after the second repeat its colour.
  Bitmap c = Background(100, 100);
  PaintGrad(c, platform::Rect(0, 0, 100, 100), Parsed("255;0;0;2;0;65280;0;0;0;0"));
  EXPECT_EQ(c.GetPixel(99, 99), kGreen);
  EXPECT_EQ(c.GetPixel(99, 0), kGreen);
  EXPECT_EQ(c.GetPixel(0, 0), RGB(252, 2, 0));
}

TEST_F(SkinGradients, WithoutTheTriangleFillOnlyTrianglesAreLeftOut) {
  platform::FinishUnit("SkinGradients");
  EXPECT_EQ(::GradientFill, nullptr);
  Bitmap b = Background(20, 20);
  const Bitmap before = b;
  PaintGrad(b, platform::Rect(0, 0, 20, 20), Parsed("255;0;0;2;0"));
  EXPECT_EQ(Show(Changed(before, b)), Show(TRect{}));
  PaintGrad(b, platform::Rect(0, 0, 20, 10), Parsed("255;65280;100;0;0"));
  PaintGrad(b, platform::Rect(0, 10, 20, 20), Parsed("255;65280;100;1;0"));
  EXPECT_EQ(Show(Changed(before, b)), Show(platform::Rect(0, 0, 20, 20)));
  platform::StartUnit("SkinGradients");
  EXPECT_NE(::GradientFill, nullptr);
  PaintGrad(b, platform::Rect(0, 0, 20, 20), Parsed("255;0;0;2;0"));
  EXPECT_EQ(b.GetPixel(19, 19), kRed);
}

// ----------------------------------------------------- what stays untouched

// R is clipped to the bitmap first; every mode paints exactly the clipped
// rectangle, except that a band needs two lines (mode 0 needs two rows,
// mode 1 two columns) and modes 0 and 1 paint only 24- and 32-bit bitmaps.
TEST_F(SkinGradients, PaintsTheClippedRectangleAndNothingElse) {
  struct Case {
    TRect r;
    TRect painted[3];  // by mode 0, 1, 2
  };
  const TRect none{};
  const Case cases[] = {
      {platform::Rect(-5, -5, 8, 8), {platform::Rect(0, 0, 8, 8), platform::Rect(0, 0, 8, 8), platform::Rect(0, 0, 8, 8)}},
      {platform::Rect(3, 4, 50, 60), {platform::Rect(3, 4, 12, 10), platform::Rect(3, 4, 12, 10), platform::Rect(3, 4, 12, 10)}},
      {platform::Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX),
       {platform::Rect(0, 0, 12, 10), platform::Rect(0, 0, 12, 10), platform::Rect(0, 0, 12, 10)}},
      {platform::Rect(3, 3, 3, 9), {none, none, none}},     // no width
      {platform::Rect(3, 3, 9, 3), {none, none, none}},     // no height
      {platform::Rect(8, 8, 2, 2), {none, none, none}},     // turned round
      {platform::Rect(12, 0, 20, 10), {none, none, none}},  // beside the bitmap
      {platform::Rect(-9, -9, 0, 0), {none, none, none}},
      {platform::Rect(2, 5, 9, 6), {none, platform::Rect(2, 5, 9, 6), platform::Rect(2, 5, 9, 6)}},  // one row
      {platform::Rect(2, 1, 3, 9), {platform::Rect(2, 1, 3, 9), none, platform::Rect(2, 1, 3, 9)}},  // one column
  };
  for (TPixelFormat f : {platform::pfDevice, platform::pf1bit, platform::pf8bit, pf24bit, pf32bit})
    for (int mode : {0, 1, 2, 3, -1})
      for (const Case& c : cases) {
        const std::string text = "255;65280;40;" + std::to_string(mode) + ";0;65280;16711680;60;0;0";
        Bitmap b = Background(12, 10, f);
        if (f == platform::pf1bit) b.Fill(qRgb(255, 255, 255));  // the colours here are all dark
        const Bitmap before = b;
        PaintGrad(b, c.r, Parsed(text.c_str()), 0, 0);
        const bool painted = mode == 2 || ((mode == 0 || mode == 1) && (f == pf24bit || f == pf32bit));
        const TRect want = painted ? c.painted[mode] : none;
        EXPECT_EQ(Show(Changed(before, b)), Show(want))
            << "R " << Show(c.r) << " mode " << mode << " format " << int(f);
        if (want.IsEmpty() || mode == 2) continue;
        // The gradient spans the clipped rectangle: it starts red and ends blue.
        EXPECT_EQ(b.GetPixel(want.Left, want.Top), kRed) << Show(c.r) << " mode " << mode;
        EXPECT_EQ(b.GetPixel(want.Right - 1, want.Bottom - 1), kBlue) << Show(c.r) << " mode " << mode;
      }
}

TEST_F(SkinGradients, NoStopsPaintNothing) {
  Bitmap b = Background(8, 8);
  const Bitmap before = b;
  PaintGrad(b, platform::Rect(0, 0, 8, 8), {});
  PaintGrad(b, platform::Rect(0, 0, 8, 8), Parsed("255;0;0;2"));
  EXPECT_EQ(Show(Changed(before, b)), Show(TRect{}));
  Bitmap empty(0, 0, pf24bit);
  PaintGrad(empty, platform::Rect(0, 0, 8, 8), Parsed("255;0;0;0;0"));
  EXPECT_TRUE(empty.Empty());
}

// OffsetY starts mode 0's bands lower (or higher) and lengthens (or
// shortens) the whole by as much; rows outside R are never painted.
TEST_F(SkinGradients, OffsetYMovesTheBandsInsideTheRectangle) {
  const TRect r = platform::Rect(0, 3, 4, 8);
  {
    // From row 3 + 3 = 6, one band to the bottom row 7.
    Bitmap b = Background(4, 12);
    const Bitmap before = b;
    PaintGrad(b, r, Parsed("255;65280;100;0;0"), 3, 0);
    EXPECT_EQ(Show(Changed(before, b)), Show(platform::Rect(0, 6, 4, 8)));
    EXPECT_TRUE(RowIs(b, r, 6, kRed));
    EXPECT_TRUE(RowIs(b, r, 7, kGreen));
  }
  {
    // From row 0: rows 0..7 red to green, of which R shows 3..7.
    Bitmap b = Background(4, 12);
    const Bitmap before = b;
    PaintGrad(b, r, Parsed("255;65280;100;0;0"), -3, 0);
    EXPECT_EQ(Show(Changed(before, b)), Show(r));
    EXPECT_TRUE(RowIs(b, r, 3, RGB(146, 109, 0)));  // 3/7 of the way
    EXPECT_TRUE(RowIs(b, r, 7, kGreen));
  }
  for (int offset : {INT_MIN, -1000000, 1000000, INT_MAX}) {
    Bitmap b = Background(4, 12);
    const Bitmap before = b;
    PaintGrad(b, r, Parsed("255;65280;30;0;0;65280;16711680;70;0;0"), offset, 0);
    const TRect changed = Changed(before, b);
    EXPECT_TRUE(changed.IsEmpty() || (changed.Top >= r.Top && changed.Bottom <= r.Bottom)) << offset;
  }
}

// Rectangles, offsets, stops and formats drawn at random: whatever they
// are, nothing outside the clipped rectangle changes (and, under the
// address sanitizer, nothing outside the bitmap is touched).
TEST_F(SkinGradients, NothingOutsideTheClippedRectangleChangesWhateverTheArguments) {
  std::mt19937 random(20240611);
  auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const TPixelFormat formats[] = {platform::pfDevice, platform::pf8bit, pf24bit, pf32bit};
  for (int i = 0; i < 400; ++i) {
    Bitmap b = Background(in(0, 13), in(0, 11), formats[in(0, 3)]);
    const TRect r = platform::Rect(in(-15, 25), in(-15, 25), in(-15, 25), in(-15, 25));
    TsGradArray stops(size_t(in(1, 6)));
    for (TsGradientStop& s : stops) {
      s.Color1 = in(0, 0xFFFFFF);
      s.Color2 = in(0, 0xFFFFFF);
      s.Percent = uint8_t(in(0, 100));
      s.Mode = in(-1, 3);
    }
    const int offset = in(-30, 30);
    const Bitmap before = b;
    PaintGrad(b, r, stops, offset, 0);
    const TRect clipped = platform::IntersectRect(r, platform::Rect(0, 0, b.Width(), b.Height()));
    const TRect changed = Changed(before, b);
    ASSERT_TRUE(changed.IsEmpty() || (changed.Left >= clipped.Left && changed.Top >= clipped.Top &&
                                      changed.Right <= clipped.Right && changed.Bottom <= clipped.Bottom))
        << "case " << i << " R " << Show(r) << " offset " << offset << " changed " << Show(changed);
  }
}
