// GradientFill in triangle mode: Gouraud-shaded triangles painted straight
// into a bitmap's pixels, as our own row loops so that every pixel is exact.
//
// Each vertex carries 16-bit channels (a colour byte × 256 gives that byte
// back). A pixel belongs to a triangle when its centre (x + 0.5, y + 0.5)
// lies inside; a centre on an edge shared by two triangles goes to exactly
// one of them, so triangles that tile a rectangle paint each of its pixels
// once and none beside it. Its channels are the vertices' channels weighted
// by the centre's barycentric coordinates in integer arithmetic (three
// equal vertices give their colour exactly), then >> 8. The alpha byte is
// written too (pf32bit takes the vertices' alpha, pfDevice stays opaque);
// pf8bit and pf1bit take the grey level as Bitmap's other writers do.
//
// Triangles may wind either way; a triangle of no area paints nothing.
// Everything is clipped to the bitmap, so no vertex, however far outside,
// makes a write beside the buffer. No canvas clip or origin applies: the
// callers paint into a whole bitmap of their own.
#pragma once

#include "platform/Bitmap.h"

#include <cstdint>
#include <span>

namespace platform {

struct TRIVERTEX {
  int32_t x = 0;
  int32_t y = 0;
  uint16_t Red = 0;
  uint16_t Green = 0;
  uint16_t Blue = 0;
  uint16_t Alpha = 0;
};

// Three indexes into the vertex array.
struct GRADIENT_TRIANGLE {
  uint32_t Vertex1 = 0;
  uint32_t Vertex2 = 0;
  uint32_t Vertex3 = 0;
};

// Paints every triangle in order; false (and nothing painted) when an index
// lies outside `vertices` or a coordinate beyond ±2^20 (far beyond any
// bitmap; the integer sums would not hold it).
bool GradientFill(Bitmap& bitmap, std::span<const TRIVERTEX> vertices,
                  std::span<const GRADIENT_TRIANGLE> triangles);

}  // namespace platform
