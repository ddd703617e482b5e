// Small value types and arithmetic of the old Windows API that painting and
// layout code is written in: points, rectangles with exclusive right and
// bottom edges, and MulDiv.
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle whose right and bottom edges lie just outside it: the pixels
// covered are Left..Right-1 and Top..Bottom-1.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool Contains(TPoint p) const { return Contains(p.X, p.Y); }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
inline TPoint Point(int x, int y) { return {x, y}; }

// The overlap of two rectangles; an empty rectangle (all zero) when they
// do not overlap, as IntersectRect gives.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  return r.IsEmpty() ? TRect{} : r;
}
inline TRect OffsetRect(const TRect& r, int dx, int dy) {
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}
inline TRect InflateRect(const TRect& r, int dx, int dy) {
  return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}

// a * b / c with a 64-bit intermediate, rounded half away from zero; -1 when
// c is 0 or the result does not fit in 32 bits (as Win32 MulDiv).
inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t num = int64_t{a} * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  int64_t q = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
  if (q > INT32_MAX || q < -INT32_MAX) return -1;
  return static_cast<int32_t>(q);
}

}  // namespace platform
