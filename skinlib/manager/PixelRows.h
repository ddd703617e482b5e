// What the painting toolbox's pixel loops share: the size of a pixel by
// format, the key-colour test, the clipping of a pair of rectangles to a
// pair of bitmaps, and the pixel of a parent background. Used by the
// toolbox's units only (FastBitmaps, AlphaPainting, MaskSlicing,
// SkinColorAdjust, acPNG); not an interface of the library.
//
// Rows are top-down (Bitmap::ScanLine); no routine here reads or writes
// outside a bitmap.
#pragma once

#include "platform/Bitmap.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <cstdint>

namespace pixelrows {

// Bytes of one pixel of the formats the toolbox paints: 3 for pf24bit, 4
// for pf32bit and pfDevice (the fourth byte alpha), 0 for any other.
inline int PixelBytes(const platform::Bitmap& b) {
  switch (b.PixelFormat()) {
    case platform::pf24bit: return 3;
    case platform::pf32bit:
    case platform::pfDevice: return 4;
    default: return 0;
  }
}

// The colour bytes (blue, green, red) of the key colour $FF00FF.
inline bool IsKey(const uint8_t* p) { return p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF; }

// The three colour bytes of a pixel against a TColor's three low bytes.
inline bool SameColor(const uint8_t* p, platform::TColor c) {
  return p[0] == uint8_t(c >> 16) && p[1] == uint8_t(c >> 8) && p[2] == uint8_t(c);
}

// The part of two rectangles of equal offset that lies inside both
// bitmaps: destination (dx, dy), source (sx, sy), w x h. The size is the
// smaller of the two rectangles' sizes. Coordinates far out of range are
// handled in 64 bits.
struct Area {
  int dx = 0, dy = 0, sx = 0, sy = 0, w = 0, h = 0;
};
bool ClipArea(const platform::TRect& dstRect, const platform::TRect& srcRect, const platform::Bitmap& dst,
              const platform::Bitmap& src, Area& area);
// The same for a destination point and a source rectangle.
inline bool ClipArea(platform::TPoint dstPoint, const platform::TRect& srcRect, const platform::Bitmap& dst,
                     const platform::Bitmap& src, Area& area) {
  return ClipArea(platform::Bounds(dstPoint.X, dstPoint.Y, srcRect.Width(), srcRect.Height()), srcRect, dst,
                  src, area);
}
// A rectangle of one bitmap cut to the bitmap (empty when outside).
platform::TRect ClipToBitmap(const platform::TRect& r, const platform::Bitmap& b);

// The pixel of the parent background behind destination pixel (x, y):
// the parent bitmap's pixel at (X + x, Y + y), when the source is ready,
// its bitmap 24 or 32 bits and the point inside it. False otherwise.
bool ParentPixel(const TsBgSource& bg, int x, int y, uint8_t bgr[3]);

// Writes blue, green, red; a 4-byte pixel also gets `alpha` unless it is
// negative.
inline void PutPixel(uint8_t* d, int bytes, const uint8_t* bgr, int alpha = -1) {
  d[0] = bgr[0];
  d[1] = bgr[1];
  d[2] = bgr[2];
  if (bytes == 4 && alpha >= 0) d[3] = uint8_t(alpha);
}

// A pixel row of the bitmap, with the bytes of pixel x.
inline uint8_t* PixelAt(platform::Bitmap& b, int x, int y, int bytes) { return b.ScanLine(y) + x * bytes; }
inline const uint8_t* PixelAt(const platform::Bitmap& b, int x, int y, int bytes) {
  return b.ScanLine(y) + x * bytes;
}

// Copies a w x h block (already clipped) between 3- and 4-byte pixels: a
// 4-byte destination takes the source's alpha, or 255 from a 3-byte source.
void CopyBlock(platform::Bitmap& dst, int dx, int dy, const platform::Bitmap& src, int sx, int sy, int w, int h);

}  // namespace pixelrows
