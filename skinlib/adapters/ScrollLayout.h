// The geometry of the skinned scroll bars as pure functions of values: the
// bars' and corner's rectangles from the window and its insets, the arrow
// length and thickness, the thumb, the part under a point, and the
// position a dragged thumb stands for. Painting, hit tests, hover and the
// thumb drag all call these, never their own sums.
//
// A bar runs from S to E along its axis (left/right for the horizontal
// bar, top/bottom for the vertical one). Its parts: the first arrow on
// [S, S + a), the second on [E - a, E), the track between them with the
// thumb in it. Ranges follow the Windows convention (platform/ScrollInfo.h):
// the position runs from nMin to nMax - max(nPage, 1) + 1.
#pragma once

#include "platform/ScrollInfo.h"
#include "platform/WinTypes.h"

// The parts of a bar (hit tests, painting and scroll codes alike: 0 to 3
// are SB_LINEUP, SB_LINEDOWN, SB_PAGEUP and SB_PAGEDOWN).
enum TacScrollPart : int {
  spNone = -1,
  spFirstArrow = 0,
  spSecondArrow = 1,
  spTrackBefore = 2,
  spTrackAfter = 3,
  spThumb = 5,
};

// Visual states of a part.
enum TacPartState : int { psNormal = 0, psHot = 1, psPressed = 2 };

// The default arrow length and the smallest thumb, in pixels.
inline constexpr int kDefaultArrowLength = 16;
inline constexpr int kDefaultMinThumbSize = 10;

// ArrowLength and Thickness fields: >= 0 fixed pixels, -k means k times
// the default (the skin's arrow, or 16; the system metric).
// `skinArrow` is the skin's arrow length (<= 0: none).
int ArrowLengthOf(int field, int skinArrow);
int ThicknessOf(int field, int systemMetric);

// What the layout of one bar needs.
struct TacBarLayout {
  bool Vertical = false;
  int Arrow = kDefaultArrowLength;       // the arrow length without the skin
  int MinThumb = kDefaultMinThumbSize;   // MinThumbSize
  platform::SCROLLINFO Info;             // nMin, nMax, nPage, nPos
};

struct TacThumb {
  int Size = 0;   // 0: no thumb
  int Start = 0;  // along the bar's axis, in the rectangle's coordinates
};

// Start and end of the rectangle along the bar's axis, and across it.
int BarStart(const TacBarLayout& bar, const platform::TRect& r);
int BarEnd(const TacBarLayout& bar, const platform::TRect& r);

// The thumb: an arrow long for nPage 0, else nPage of the track's length
// scaled to the range and at least MinThumb; placed by nPos - nMin over
// the free track, within it.
TacThumb ThumbGeometry(const TacBarLayout& bar, const platform::TRect& r);

// The part at (x, y), or spNone. A bar no longer than two arrows is two
// half arrows; a thumb that does not fit the track is no part.
int HitTestPart(const TacBarLayout& bar, const platform::TRect& r, int x, int y);

// Whether the thumb is drawn on a bar `length` long: nPage of the track
// scaled to nMax - nMin, at least MinThumb, between 1 and the track.
bool ThumbFits(const TacBarLayout& bar, int length);

// The position a thumb dragged to `thumbStart` stands for, counted from
// nMin: (thumbStart - trackStart) scaled from the free track to the range
// of positions, within nMin ... nMax - max(nPage, 1) + 1. A track no
// longer than the thumb gives nMin.
int DragPosition(const platform::SCROLLINFO& info, int thumbStart, int trackStart, int trackLength,
                 int thumbSize);

// A thumb dragged with the mouse at `mouse` (DragOffset from the press):
// its start within the track [trackStart, trackEnd - size].
int DraggedThumbStart(int mouse, int dragOffset, int trackStart, int trackEnd, int thumbSize);

// The window and what its frame and bars take of it (screen coordinates).
struct TacScrollFrame {
  platform::TRect Window;
  int BorderLeft = 0, BorderTop = 0, BorderRight = 0, BorderBottom = 0;
  int HorzThickness = 0, VertThickness = 0;
  bool HorzVisible = false, VertVisible = false;
  bool LeftScrollBar = false;  // the vertical bar at the left
};

platform::TRect HorzBarRect(const TacScrollFrame& f);
platform::TRect VertBarRect(const TacScrollFrame& f);
// Between the end of the horizontal bar and the bottom of the vertical one
// (empty unless both are visible).
platform::TRect CornerRect(const TacScrollFrame& f);

// The grip shows in the corner of a window without parent, and of a
// window whose parent is a top-level window when the corner plus the
// insets reaches the parent client area's bottom and right (left with a
// left scroll bar). `parentClient` in screen coordinates.
enum class TacParentKind { None, TopLevel, Child };
bool IsGripCorner(const TacScrollFrame& f, TacParentKind parent, const platform::TRect& parentClient);
