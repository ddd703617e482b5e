#include "platform/GradientFill.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Beyond this a coordinate is refused: the edge sums below stay inside 64
// bits (doubled differences of 2^22, products of 2^44, weighted by 16-bit
// channels 2^60), and no bitmap comes near it.
constexpr int32_t kMaxCoordinate = 1 << 20;

bool CoordinateUsable(const TRIVERTEX& v) {
  return std::abs(int64_t{v.x}) <= kMaxCoordinate && std::abs(int64_t{v.y}) <= kMaxCoordinate;
}

// One edge a -> b in doubled coordinates (pixel centres are odd numbers
// there): E(p) = (b - a) x (p - a), with E >= `least` inside.
struct Edge {
  int64_t value = 0;   // at the first pixel of the current row
  int64_t stepX = 0;   // when x grows by one pixel
  int64_t stepY = 0;   // when y grows by one pixel
  int64_t least = 0;   // 0 where a centre on the edge counts as inside, else 1

  Edge(const TRIVERTEX& a, const TRIVERTEX& b, int x, int y) {
    const int64_t dx = 2 * (int64_t{b.x} - a.x), dy = 2 * (int64_t{b.y} - a.y);
    const int64_t px = 2 * int64_t{x} + 1 - 2 * int64_t{a.x};
    const int64_t py = 2 * int64_t{y} + 1 - 2 * int64_t{a.y};
    value = dx * py - dy * px;
    stepX = -2 * dy;
    stepY = 2 * dx;
    // Two triangles meet along an edge in opposite directions: exactly one
    // of them takes the centres on it.
    least = (dy < 0 || (dy == 0 && dx > 0)) ? 0 : 1;
  }
};

// (E_a c_a + E_b c_b + E_c c_c) / area >> 8, the weights summing to area.
uint8_t Channel(int64_t wa, int64_t wb, int64_t wc, uint16_t ca, uint16_t cb, uint16_t cc,
                int64_t area) {
  return uint8_t(((wa * ca + wb * cb + wc * cc) / area) >> 8);
}

void FillTriangle(Bitmap& bitmap, TRIVERTEX a, TRIVERTEX b, const TRIVERTEX& c,
                  std::vector<QRgb>& row) {
  // The edge a -> b at c: twice the area in doubled coordinates (the three
  // edge values at any point sum to it), made positive by the winding.
  const int64_t abx = 2 * (int64_t{b.x} - a.x), aby = 2 * (int64_t{b.y} - a.y);
  const int64_t acx = 2 * (int64_t{c.x} - a.x), acy = 2 * (int64_t{c.y} - a.y);
  int64_t area = abx * acy - aby * acx;
  if (area == 0) return;
  if (area < 0) {
    std::swap(a, b);
    area = -area;
  }
  const int left = int(std::max<int64_t>(0, std::min({a.x, b.x, c.x})));
  const int top = int(std::max<int64_t>(0, std::min({a.y, b.y, c.y})));
  const int right = int(std::min<int64_t>(bitmap.Width(), std::max({a.x, b.x, c.x})));
  const int bottom = int(std::min<int64_t>(bitmap.Height(), std::max({a.y, b.y, c.y})));
  if (left >= right || top >= bottom) return;

  // The weight of each vertex is the edge opposite it.
  Edge forC(a, b, left, top), forA(b, c, left, top), forB(c, a, left, top);
  for (int y = top; y < bottom; ++y) {
    int64_t ea = forA.value, eb = forB.value, ec = forC.value;
    int first = -1, count = 0;
    for (int x = left; x < right; ++x) {
      if (ea >= forA.least && eb >= forB.least && ec >= forC.least) {
        if (first < 0) first = x;
        row[size_t(count++)] = qRgba(Channel(ea, eb, ec, a.Red, b.Red, c.Red, area),
                                     Channel(ea, eb, ec, a.Green, b.Green, c.Green, area),
                                     Channel(ea, eb, ec, a.Blue, b.Blue, c.Blue, area),
                                     Channel(ea, eb, ec, a.Alpha, b.Alpha, c.Alpha, area));
      } else if (first >= 0) {
        break;  // a triangle crosses a row in one run
      }
      ea += forA.stepX;
      eb += forB.stepX;
      ec += forC.stepX;
    }
    if (count > 0) StoreArgbRow(bitmap, y, first, count, row.data());
    forA.value += forA.stepY;
    forB.value += forB.stepY;
    forC.value += forC.stepY;
  }
}

}  // namespace

bool GradientFill(Bitmap& bitmap, std::span<const TRIVERTEX> vertices,
                  std::span<const GRADIENT_TRIANGLE> triangles) {
  for (const GRADIENT_TRIANGLE& t : triangles) {
    if (t.Vertex1 >= vertices.size() || t.Vertex2 >= vertices.size() || t.Vertex3 >= vertices.size())
      return false;
  }
  for (const TRIVERTEX& v : vertices) {
    if (!CoordinateUsable(v)) return false;
  }
  if (bitmap.Empty()) return true;
  std::vector<QRgb> row(size_t(bitmap.Width()));
  for (const GRADIENT_TRIANGLE& t : triangles)
    FillTriangle(bitmap, vertices[t.Vertex1], vertices[t.Vertex2], vertices[t.Vertex3], row);
  return true;
}

}  // namespace platform
