#include "skinlib/adapters/ScrollLayout.h"

#include <algorithm>

using namespace platform;

int ArrowLengthOf(int field, int skinArrow) {
  if (field >= 0) return field;
  const int one = skinArrow > 0 ? std::max(skinArrow, kDefaultArrowLength) : kDefaultArrowLength;
  return one * -field;
}

int ThicknessOf(int field, int systemMetric) { return field >= 0 ? field : systemMetric * -field; }

int BarStart(const TacBarLayout& bar, const TRect& r) { return bar.Vertical ? r.Top : r.Left; }
int BarEnd(const TacBarLayout& bar, const TRect& r) { return bar.Vertical ? r.Bottom : r.Right; }

namespace {

// Low to high, with a high below low giving low.
int Within(int value, int low, int high) { return std::max(low, std::min(value, high)); }

}  // namespace

TacThumb ThumbGeometry(const TacBarLayout& bar, const TRect& r) {
  const SCROLLINFO& si = bar.Info;
  const int s = BarStart(bar, r), e = BarEnd(bar, r);
  const int a = bar.Arrow;
  const int track = (e - s) - 2 * a;
  const int range = si.nMax - si.nMin + 1;
  TacThumb t;
  if (si.nPage == 0)
    t.Size = a;
  else if (range > 0)
    t.Size = std::max(MulDiv(int(si.nPage), track, range), bar.MinThumb);
  int offset = 0;
  if (range > 0) {
    offset = MulDiv(si.nPos - si.nMin, track - t.Size, range - std::max(int(si.nPage), 1));
    offset = Within(offset, 0, track - t.Size);
  }
  t.Start = s + a + offset;
  return t;
}

int HitTestPart(const TacBarLayout& bar, const TRect& r, int x, int y) {
  const int p = bar.Vertical ? y : x;
  const int q = bar.Vertical ? x : y;
  const int q0 = bar.Vertical ? r.Left : r.Top, q1 = bar.Vertical ? r.Right : r.Bottom;
  if (q < q0 || q >= q1) return spNone;
  const int s = BarStart(bar, r), e = BarEnd(bar, r);
  const int length = e - s;
  int a = bar.Arrow;
  const int both = 2 * a;
  if (length <= both) a = length / 2;
  if (p >= s && p < s + a) return spFirstArrow;
  if (p >= e - a && p < e) return spSecondArrow;
  const TacThumb t = ThumbGeometry(bar, r);
  if (t.Size >= length - both) return spNone;
  if (p >= t.Start && p < t.Start + t.Size) return spThumb;
  if (p >= s + a && p < t.Start) return spTrackBefore;
  if (p >= t.Start + t.Size && p < e - a) return spTrackAfter;
  return spNone;
}

bool ThumbFits(const TacBarLayout& bar, int length) {
  const int track = length - 2 * bar.Arrow;
  const int size = std::max(MulDiv(int(bar.Info.nPage), track, bar.Info.nMax - bar.Info.nMin), bar.MinThumb);
  return size >= 1 && size <= track;
}

int DragPosition(const SCROLLINFO& info, int thumbStart, int trackStart, int trackLength, int thumbSize) {
  const int last = info.nMax - std::max(int(info.nPage), 1) + 1;
  const int free = trackLength - thumbSize;
  if (free <= 0) return info.nMin;
  const int offset = thumbStart - trackStart;
  const int span = info.nMax - info.nMin;
  const int pos = span >= 1 ? info.nMin + MulDiv(offset, span - int(info.nPage) + 1, free) : info.nMin + offset;
  return Within(pos, info.nMin, std::max(info.nMin, last));
}

int DraggedThumbStart(int mouse, int dragOffset, int trackStart, int trackEnd, int thumbSize) {
  return Within(mouse - dragOffset, trackStart, trackEnd - thumbSize);
}

TRect HorzBarRect(const TacScrollFrame& f) {
  TRect r;
  r.Bottom = f.Window.Bottom - f.BorderBottom;
  r.Top = r.Bottom - f.HorzThickness;
  r.Left = f.Window.Left + f.BorderLeft + (f.LeftScrollBar && f.VertVisible ? f.VertThickness : 0);
  r.Right = f.Window.Right - f.BorderRight - (f.VertVisible && !f.LeftScrollBar ? f.VertThickness : 0);
  return r;
}

TRect VertBarRect(const TacScrollFrame& f) {
  TRect r;
  r.Top = f.Window.Top + f.BorderTop;
  r.Bottom = f.Window.Bottom - f.BorderBottom - (f.HorzVisible ? f.HorzThickness : 0);
  if (f.LeftScrollBar) {
    r.Left = f.Window.Left + f.BorderLeft;
    r.Right = r.Left + f.VertThickness;
  } else {
    r.Right = f.Window.Right - f.BorderRight;
    r.Left = r.Right - f.VertThickness;
  }
  return r;
}

TRect CornerRect(const TacScrollFrame& f) {
  if (!f.HorzVisible || !f.VertVisible) return {};
  const TRect h = HorzBarRect(f), v = VertBarRect(f);
  TRect c;
  c.Top = v.Bottom;
  c.Bottom = h.Bottom;
  c.Left = v.Left;
  c.Right = v.Right;
  return c;
}

bool IsGripCorner(const TacScrollFrame& f, TacParentKind parent, const TRect& parentClient) {
  if (parent == TacParentKind::None) return true;
  if (parent != TacParentKind::TopLevel) return false;
  const TRect c = CornerRect(f);
  if (c.Bottom + f.BorderBottom != parentClient.Bottom) return false;
  return f.LeftScrollBar ? c.Left - f.BorderLeft == parentClient.Left : c.Right + f.BorderRight == parentClient.Right;
}
