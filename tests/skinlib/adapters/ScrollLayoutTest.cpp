// The scroll bars' geometry: thumb, hit tests, rectangles, the grip
// corner and the dragged thumb's position, each as a table.
#include "skinlib/adapters/ScrollLayout.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

SCROLLINFO Range(int nMin, int nMax, unsigned nPage, int nPos) {
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = nMin;
  si.nMax = nMax;
  si.nPage = nPage;
  si.nPos = nPos;
  return si;
}

TacBarLayout Horz(const SCROLLINFO& si, int arrow = 16) {
  TacBarLayout b;
  b.Info = si;
  b.Arrow = arrow;
  return b;
}

TRect R(int l, int t, int r, int b) {
  TRect x;
  x.Left = l;
  x.Top = t;
  x.Right = r;
  x.Bottom = b;
  return x;
}

}  // namespace

TEST(ScrollLayout, ArrowAndThickness) {
  struct Row {
    int field, skin, want;
  } rows[] = {{-1, 0, 16}, {-2, 0, 32}, {-1, 12, 16}, {-1, 20, 20}, {-2, 20, 40}, {7, 20, 7}, {0, 20, 0}};
  for (const Row& r : rows) EXPECT_EQ(ArrowLengthOf(r.field, r.skin), r.want) << r.field << " " << r.skin;
  EXPECT_EQ(ThicknessOf(-1, 17), 17);
  EXPECT_EQ(ThicknessOf(-2, 17), 34);
  EXPECT_EQ(ThicknessOf(12, 17), 12);
}

TEST(ScrollLayout, Thumb) {
  struct Row {
    const char* name;
    SCROLLINFO si;
    int length;  // the bar from 0
    int size, start;
  } rows[] = {
      // track 200 - 32 = 168; 50 of 100 -> 84, at the start
      {"half page at top", Range(0, 99, 50, 0), 200, 84, 16},
      {"half page at end", Range(0, 99, 50, 50), 200, 84, 16 + 84},
      {"page 0 is an arrow long", Range(0, 99, 0, 0), 200, 16, 16},
      {"page 0 at the end", Range(0, 99, 0, 99), 200, 16, 16 + 152},
      {"10-pixel minimum", Range(0, 9999, 1, 0), 200, 10, 16},
      {"minimum, last position", Range(0, 9999, 1, 9999), 200, 10, 16 + 158},
      // a range of 10..110: position 60 is the middle of 100 positions
      {"range 10-110 middle", Range(10, 110, 1, 60), 132, 10, 16 + MulDiv(50, 90, 100)},
      {"range 10-110 first", Range(10, 110, 1, 10), 132, 10, 16},
      {"range 10-110 beyond", Range(10, 110, 1, 500), 132, 10, 16 + 90},
      {"empty range", Range(0, -1, 10, 0), 200, 0, 16},
      {"track shorter than thumb", Range(0, 99, 0, 50), 40, 16, 16},
  };
  for (const Row& r : rows) {
    const TacThumb t = ThumbGeometry(Horz(r.si), R(0, 0, r.length, 16));
    EXPECT_EQ(t.Size, r.size) << r.name;
    EXPECT_EQ(t.Start, r.start) << r.name;
  }
  // Along y for a vertical bar, from the rectangle's start.
  TacBarLayout v = Horz(Range(0, 99, 50, 50));
  v.Vertical = true;
  const TacThumb t = ThumbGeometry(v, R(300, 10, 316, 210));
  EXPECT_EQ(t.Start, 10 + 16 + 84);
}

TEST(ScrollLayout, HitTest) {
  const TRect bar = R(100, 50, 300, 66);  // 200 long: thumb 84 at 116..200
  const TacBarLayout h = Horz(Range(0, 99, 50, 0));
  struct Row {
    int x, y, want;
  } rows[] = {
      {100, 58, spFirstArrow},  {115, 58, spFirstArrow}, {116, 58, spThumb},      {199, 58, spThumb},
      {200, 58, spTrackAfter},  {283, 58, spTrackAfter}, {284, 58, spSecondArrow}, {299, 58, spSecondArrow},
      {300, 58, spNone},        {99, 58, spNone},        {150, 49, spNone},       {150, 66, spNone},
      {150, 50, spThumb},       {150, 65, spThumb},
  };
  for (const Row& r : rows) EXPECT_EQ(HitTestPart(h, bar, r.x, r.y), r.want) << r.x << "," << r.y;
  // The thumb further on: the track before it.
  const TacBarLayout later = Horz(Range(0, 99, 50, 50));
  EXPECT_EQ(HitTestPart(later, bar, 150, 58), spTrackBefore);
  EXPECT_EQ(HitTestPart(later, bar, 200, 58), spThumb);
}

// A bar shorter than two arrows: two half arrows, nothing else.
TEST(ScrollLayout, ShortBarIsTwoHalfArrows) {
  const TacBarLayout h = Horz(Range(0, 99, 10, 0));
  const TRect bar = R(0, 0, 25, 16);  // halves of 12, the middle pixel none
  for (int x = 0; x < 12; ++x) EXPECT_EQ(HitTestPart(h, bar, x, 5), spFirstArrow) << x;
  EXPECT_EQ(HitTestPart(h, bar, 12, 5), spNone);
  for (int x = 13; x < 25; ++x) EXPECT_EQ(HitTestPart(h, bar, x, 5), spSecondArrow) << x;
  // The same away from the origin.
  const TRect away = R(50, 0, 75, 16);
  for (int x = 50; x < 62; ++x) EXPECT_EQ(HitTestPart(h, away, x, 5), spFirstArrow) << x;
  for (int x = 63; x < 75; ++x) EXPECT_EQ(HitTestPart(h, away, x, 5), spSecondArrow) << x;
  // A thumb that does not fit the track is no part and is not drawn.
  const TacBarLayout wide = Horz(Range(0, 9, 9, 0));
  const TRect tight = R(0, 0, 50, 16);  // track 18, thumb 16 fits; a 40-wide bar's track 8 does not
  EXPECT_TRUE(ThumbFits(wide, 50));
  EXPECT_FALSE(ThumbFits(wide, 40));
  EXPECT_TRUE(ThumbFits(Horz(Range(0, 99, 0, 0)), 200)) << "page 0 is raised to the minimum";
  EXPECT_EQ(HitTestPart(wide, R(0, 0, 40, 16), 20, 5), spNone);
  EXPECT_EQ(HitTestPart(wide, tight, 20, 5), spThumb);
}

TEST(ScrollLayout, DragPosition) {
  struct Row {
    const char* name;
    SCROLLINFO si;
    int thumbStart, trackStart, trackLength, thumbSize, want;
  } rows[] = {
      {"start", Range(0, 99, 50, 0), 16, 16, 168, 84, 0},
      {"end", Range(0, 99, 50, 0), 100, 16, 168, 84, 50},
      {"middle", Range(0, 99, 50, 0), 58, 16, 168, 84, 25},
      {"from nMin", Range(10, 110, 1, 10), 16, 16, 100, 10, 10},
      {"nMin at the end", Range(10, 110, 1, 10), 106, 16, 100, 10, 110},
      {"clamped past the end", Range(10, 110, 1, 10), 200, 16, 100, 10, 110},
      {"clamped before the start", Range(10, 110, 1, 10), 0, 16, 100, 10, 10},
      {"track no longer than thumb", Range(5, 99, 0, 5), 16, 16, 10, 16, 5},
      {"single position range", Range(3, 3, 0, 3), 20, 16, 100, 16, 3},
  };
  for (const Row& r : rows)
    EXPECT_EQ(DragPosition(r.si, r.thumbStart, r.trackStart, r.trackLength, r.thumbSize), r.want) << r.name;
  EXPECT_EQ(DraggedThumbStart(50, 10, 16, 184, 84), 40);
  EXPECT_EQ(DraggedThumbStart(500, 10, 16, 184, 84), 100);
  EXPECT_EQ(DraggedThumbStart(0, 10, 16, 184, 84), 16);
}

TEST(ScrollLayout, BarRectangles) {
  TacScrollFrame f;
  f.Window = R(100, 200, 400, 500);
  f.BorderLeft = 2;
  f.BorderTop = 3;
  f.BorderRight = 4;
  f.BorderBottom = 5;
  f.HorzThickness = 16;
  f.VertThickness = 17;
  struct Row {
    const char* name;
    bool h, v, left;
    TRect horz, vert, corner;
  } rows[] = {
      {"both right", true, true, false, R(102, 479, 379, 495), R(379, 203, 396, 479), R(379, 479, 396, 495)},
      {"both left", true, true, true, R(119, 479, 396, 495), R(102, 203, 119, 479), R(102, 479, 119, 495)},
      {"horizontal only", true, false, false, R(102, 479, 396, 495), R(379, 203, 396, 479), TRect{}},
      {"vertical only", false, true, false, R(102, 479, 379, 495), R(379, 203, 396, 495), TRect{}},
  };
  for (const Row& r : rows) {
    f.HorzVisible = r.h;
    f.VertVisible = r.v;
    f.LeftScrollBar = r.left;
    EXPECT_EQ(HorzBarRect(f), r.horz) << r.name;
    EXPECT_EQ(VertBarRect(f), r.vert) << r.name;
    EXPECT_EQ(CornerRect(f), r.corner) << r.name;
  }
}

TEST(ScrollLayout, GripCorner) {
  TacScrollFrame f;
  f.Window = R(100, 200, 400, 500);
  f.BorderRight = f.BorderBottom = f.BorderLeft = 2;
  f.HorzThickness = f.VertThickness = 16;
  f.HorzVisible = f.VertVisible = true;
  const TRect fits = R(0, 0, 400, 500), off = R(0, 0, 401, 500), offDown = R(0, 0, 400, 501);
  EXPECT_TRUE(IsGripCorner(f, TacParentKind::None, {}));
  EXPECT_TRUE(IsGripCorner(f, TacParentKind::TopLevel, fits));
  EXPECT_FALSE(IsGripCorner(f, TacParentKind::TopLevel, off));
  EXPECT_FALSE(IsGripCorner(f, TacParentKind::TopLevel, offDown));
  EXPECT_FALSE(IsGripCorner(f, TacParentKind::Child, fits));
  f.LeftScrollBar = true;
  EXPECT_TRUE(IsGripCorner(f, TacParentKind::TopLevel, R(100, 0, 900, 500)));
  EXPECT_FALSE(IsGripCorner(f, TacParentKind::TopLevel, fits));
}
