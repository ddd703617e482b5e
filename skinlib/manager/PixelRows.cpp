#include "skinlib/manager/PixelRows.h"

#include <algorithm>
#include <cstring>

using platform::Bitmap;
using platform::TRect;

namespace pixelrows {

bool ClipArea(const TRect& d, const TRect& s, const Bitmap& dst, const Bitmap& src, Area& a) {
  int64_t dx = d.Left, dy = d.Top, sx = s.Left, sy = s.Top;
  int64_t w = std::min<int64_t>(int64_t(d.Right) - d.Left, int64_t(s.Right) - s.Left);
  int64_t h = std::min<int64_t>(int64_t(d.Bottom) - d.Top, int64_t(s.Bottom) - s.Top);
  // A start before a bitmap's first pixel moves both starts on.
  auto inside = [](int64_t& p, int64_t& other, int64_t& length) {
    if (p >= 0) return;
    other -= p;
    length += p;
    p = 0;
  };
  inside(dx, sx, w);
  inside(sx, dx, w);
  inside(dy, sy, h);
  inside(sy, dy, h);
  w = std::min({w, int64_t(dst.Width()) - dx, int64_t(src.Width()) - sx});
  h = std::min({h, int64_t(dst.Height()) - dy, int64_t(src.Height()) - sy});
  if (w <= 0 || h <= 0) return false;
  a = {int(dx), int(dy), int(sx), int(sy), int(w), int(h)};
  return true;
}

TRect ClipToBitmap(const TRect& r, const Bitmap& b) {
  return platform::IntersectRect(r, TRect{0, 0, b.Width(), b.Height()});
}

bool ParentPixel(const TsBgSource& bg, int x, int y, uint8_t bgr[3]) {
  if (!bg.IsReady || !bg.Bitmap) return false;
  const int bytes = PixelBytes(*bg.Bitmap);
  const int64_t px = int64_t(bg.X) + x, py = int64_t(bg.Y) + y;
  if (!bytes || px < 0 || py < 0 || px >= bg.Bitmap->Width() || py >= bg.Bitmap->Height()) return false;
  const uint8_t* p = PixelAt(*bg.Bitmap, int(px), int(py), bytes);
  bgr[0] = p[0];
  bgr[1] = p[1];
  bgr[2] = p[2];
  return true;
}

void CopyBlock(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h) {
  const int db = PixelBytes(dst), sb = PixelBytes(src);
  if (!db || !sb || w <= 0 || h <= 0) return;
  // A pfDevice pixel is always opaque.
  const bool toDevice = dst.PixelFormat() == platform::pfDevice && src.PixelFormat() == platform::pf32bit;
  if (db == sb && !toDevice) {
    for (int y = 0; y < h; ++y)
      std::memmove(PixelAt(dst, dx, dy + y, db), PixelAt(src, sx, sy + y, sb), size_t(w) * size_t(db));
    return;
  }
  const bool opaque = sb == 3 || toDevice;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = PixelAt(src, sx, sy + y, sb);
    uint8_t* d = PixelAt(dst, dx, dy + y, db);
    for (int x = 0; x < w; ++x, s += sb, d += db) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      if (db == 4) d[3] = opaque ? 255 : s[3];
    }
  }
}

}  // namespace pixelrows
