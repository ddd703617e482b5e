#include "platform/Blit.h"

#include <QImage>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

inline int Div255(int v) { return (v + 127) / 255; }

// Destination and source rectangles after sign handling, with the mirror
// flags they imply. 64-bit, so that no sum of a caller's values overflows.
struct Mapping {
  int64_t x, y, w, h;      // destination, positive extents
  int64_t sx, sy, sw, sh;  // source, positive extents
  bool mirrorX = false, mirrorY = false;
};

bool Normalize(Mapping& m) {
  if (m.w < 0) { m.x += m.w; m.w = -m.w; m.mirrorX = !m.mirrorX; }
  if (m.sw < 0) { m.sx += m.sw; m.sw = -m.sw; m.mirrorX = !m.mirrorX; }
  if (m.h < 0) { m.y += m.h; m.h = -m.h; m.mirrorY = !m.mirrorY; }
  if (m.sh < 0) { m.sy += m.sh; m.sh = -m.sh; m.mirrorY = !m.mirrorY; }
  return m.w > 0 && m.h > 0 && m.sw > 0 && m.sh > 0;
}

// The part of the rectangle at (x, y) of size w x h inside a bitmap of
// size width x height.
TRect Inside(int64_t x, int64_t y, int64_t w, int64_t h, int width, int height) {
  auto clamp = [](int64_t v, int limit) { return int(std::clamp<int64_t>(v, 0, limit)); };
  TRect r{clamp(x, width), clamp(y, height), clamp(x + w, width), clamp(y + h, height)};
  return r.IsEmpty() ? TRect{} : r;
}

// Destination pixels that may be written: the rectangle within the bitmap
// and the clip.
TRect Writable(const Mapping& m, const Bitmap& dst, const TRect* clip) {
  TRect r = Inside(m.x, m.y, m.w, m.h, dst.Width(), dst.Height());
  if (clip) r = IntersectRect(r, *clip);
  return r;
}

// The source coordinate of destination offset i, or -1 when it lies
// outside 0..limit-1.
inline int MapCoord(int64_t i, int64_t start, int64_t extent, int64_t destExtent, bool mirror,
                    int limit) {
  int64_t offset = i * extent / destExtent;
  int64_t c = mirror ? start + extent - 1 - offset : start + offset;
  return c >= 0 && c < limit ? int(c) : -1;
}

// The loop every blit runs: for each writable destination pixel whose
// mapped source pixel lies inside the source, pixel := op(source pixel,
// destination pixel, source x, source y).
template <typename Op>
void Transfer(Bitmap& dst, Mapping m, const Bitmap& src, const TRect* clip, Op op) {
  if (!Normalize(m) || src.Empty() || dst.Empty()) return;
  TRect r = Writable(m, dst, clip);
  if (r.IsEmpty()) return;
  const int n = r.Width();
  std::vector<int> xmap(static_cast<size_t>(n));
  int lo = src.Width(), hi = -1;
  for (int i = 0; i < n; ++i) {
    int sx = MapCoord(r.Left + i - m.x, m.sx, m.sw, m.w, m.mirrorX, src.Width());
    xmap[size_t(i)] = sx;
    if (sx >= 0) { lo = std::min(lo, sx); hi = std::max(hi, sx); }
  }
  if (hi < lo) return;
  std::vector<QRgb> srcRow(size_t(hi - lo + 1)), dstRow(static_cast<size_t>(n));
  int loadedY = -1;
  for (int y = r.Top; y < r.Bottom; ++y) {
    int sy = MapCoord(y - m.y, m.sy, m.sh, m.h, m.mirrorY, src.Height());
    if (sy < 0) continue;
    if (sy != loadedY) {
      LoadArgbRow(src, sy, lo, hi - lo + 1, srcRow.data());
      loadedY = sy;
    }
    LoadArgbRow(dst, y, r.Left, n, dstRow.data());
    for (int i = 0; i < n; ++i) {
      int sx = xmap[size_t(i)];
      if (sx >= 0)
        dstRow[size_t(i)] = op(srcRow[size_t(sx - lo)], dstRow[size_t(i)], sx, sy);
    }
    StoreArgbRow(dst, y, r.Left, n, dstRow.data());
  }
}

QRgb Copy(QRgb s, QRgb, int, int) { return s; }

// A 1:1 copy between bitmaps of one format whose pixels are whole bytes.
bool FastCopy(Bitmap& dst, const Mapping& m, const Bitmap& src, const TRect* clip) {
  if (dst.PixelFormat() != src.PixelFormat() || dst.PixelFormat() == pf1bit) return false;
  TRect r = Writable(m, dst, clip);
  // Only the part whose source lies inside the source bitmap.
  r = IntersectRect(r, Inside(m.x - m.sx, m.y - m.sy, src.Width(), src.Height(), dst.Width(),
                              dst.Height()));
  if (r.IsEmpty()) return true;
  int bpp = dst.BitsPerPixel() / 8;
  for (int y = r.Top; y < r.Bottom; ++y)
    std::memcpy(dst.ScanLine(y) + size_t(r.Left) * size_t(bpp),
                src.ScanLine(int(y - m.y + m.sy)) + size_t(r.Left - m.x + m.sx) * size_t(bpp),
                size_t(r.Width()) * size_t(bpp));
  return true;
}

void SmoothStretch(Bitmap& dst, Mapping m, const Bitmap& src, const TRect* clip) {
  if (!Normalize(m) || src.Empty()) return;
  // Only the part of the source rectangle inside the source bitmap is
  // scaled, onto the matching part of the destination.
  TRect s = Inside(m.sx, m.sy, m.sw, m.sh, src.Width(), src.Height());
  if (s.IsEmpty()) return;
  auto scaleX = [&](int sxEdge) {
    int64_t off = m.mirrorX ? m.sx + m.sw - sxEdge : sxEdge - m.sx;
    return off * m.w / m.sw;
  };
  auto scaleY = [&](int syEdge) {
    int64_t off = m.mirrorY ? m.sy + m.sh - syEdge : syEdge - m.sy;
    return off * m.h / m.sh;
  };
  int64_t dx0 = scaleX(m.mirrorX ? s.Right : s.Left), dx1 = scaleX(m.mirrorX ? s.Left : s.Right);
  int64_t dy0 = scaleY(m.mirrorY ? s.Bottom : s.Top), dy1 = scaleY(m.mirrorY ? s.Top : s.Bottom);
  int64_t dw = dx1 - dx0, dh = dy1 - dy0;
  if (dw <= 0 || dh <= 0) return;
  TRect r = Writable(m, dst, clip);
  if (r.IsEmpty()) return;
  Mapping part{m.x + dx0, m.y + dy0, dw, dh, 0, 0, dw, dh};
  if (!BitmapSizeAllowed(dw, dh)) {
    Mapping near = m;
    Transfer(dst, near, src, clip, Copy);
    return;
  }
  QImage piece = (src.PixelFormat() == pf32bit ? src.ConstImage() : src.OpaqueImage())
                     .copy(s.Left, s.Top, s.Width(), s.Height())
                     .convertToFormat(src.PixelFormat() == pf32bit ? QImage::Format_ARGB32
                                                                    : QImage::Format_RGB32)
                     .scaled(int(dw), int(dh), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .mirrored(m.mirrorX, m.mirrorY);
  // Rows of RGB32 (alpha 0xFF) and ARGB32 are straight ARGB as they stand:
  // they go into the destination's rows without another copy.
  if (piece.format() != QImage::Format_RGB32 && piece.format() != QImage::Format_ARGB32)
    piece = piece.convertToFormat(QImage::Format_ARGB32);
  TRect limit = clip ? IntersectRect(r, *clip) : r;
  limit = IntersectRect(limit, Inside(part.x, part.y, dw, dh, dst.Width(), dst.Height()));
  for (int y = limit.Top; y < limit.Bottom; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(piece.constScanLine(int(y - part.y)));
    StoreArgbRow(dst, y, limit.Left, limit.Width(), row + (limit.Left - part.x));
  }
}

}  // namespace

void BitBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
            const TRect* clip) {
  Mapping m{x, y, width, height, sx, sy, width, height};
  if (width > 0 && height > 0 && FastCopy(dst, m, src, clip)) return;
  Transfer(dst, m, src, clip, Copy);
}

void StretchBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                int sw, int sh, StretchMode mode, const TRect* clip) {
  Mapping m{x, y, width, height, sx, sy, sw, sh};
  if (width == sw && height == sh && width > 0 && height > 0) {
    BitBlt(dst, x, y, width, height, src, sx, sy, clip);
    return;
  }
  if (mode == HALFTONE)
    SmoothStretch(dst, m, src, clip);
  else
    Transfer(dst, m, src, clip, Copy);
}

void TransparentBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx,
                    int sy, int sw, int sh, TColor key, const TRect* clip) {
  const QRgb k = ToQRgb(key) & 0xFFFFFF;
  Transfer(dst, Mapping{x, y, width, height, sx, sy, sw, sh}, src, clip,
           [k](QRgb s, QRgb d, int, int) { return (s & 0xFFFFFF) == k ? d : s; });
}

void MaskBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
             const Bitmap& mask, int mx, int my, const TRect* clip) {
  Mapping m{x, y, width, height, sx, sy, width, height};
  Normalize(m);
  const int64_t ox = mx - m.sx, oy = my - m.sy;
  Transfer(dst, m, src, clip, [&](QRgb s, QRgb d, int px, int py) {
    int64_t qx = px + ox, qy = py + oy;
    if (qx < 0 || qy < 0 || qx >= mask.Width() || qy >= mask.Height()) return d;
    return GreyOf(mask.GetArgb(int(qx), int(qy))) >= 128 ? d : s;
  });
}

Bitmap CreateMask(const Bitmap& src, TColor key) {
  Bitmap mask(src.Width(), src.Height(), pf1bit);
  const QRgb k = ToQRgb(key) & 0xFFFFFF;
  std::vector<QRgb> row(size_t(src.Width()));
  for (int y = 0; y < src.Height(); ++y) {
    LoadArgbRow(src, y, 0, src.Width(), row.data());
    for (QRgb& c : row) c = (c & 0xFFFFFF) == k ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    StoreArgbRow(mask, y, 0, src.Width(), row.data());
  }
  return mask;
}

void AlphaBlend(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                int sw, int sh, BlendFunction blend, const TRect* clip) {
  const int ca = blend.SourceConstantAlpha;
  const bool dstAlpha = dst.PixelFormat() == pf32bit;
  const AlphaFormat format = blend.Format;
  Transfer(dst, Mapping{x, y, width, height, sx, sy, sw, sh}, src, clip,
           [=](QRgb s, QRgb d, int, int) -> QRgb {
             int sa = format == AlphaFormat::None ? ca : Div255(qAlpha(s) * ca);
             int da = dstAlpha ? qAlpha(d) : 255;
             if (format == AlphaFormat::Premultiplied) {
               auto ch = [&](int sc, int dc) {
                 return std::min(255, Div255(sc * ca) + Div255(dc * (255 - sa)));
               };
               return qRgba(ch(qRed(s), qRed(d)), ch(qGreen(s), qGreen(d)), ch(qBlue(s), qBlue(d)),
                            dstAlpha ? std::min(255, sa + Div255(da * (255 - sa))) : 255);
             }
             if (!dstAlpha || da == 255) {
               auto ch = [&](int sc, int dc) { return Div255(sc * sa + dc * (255 - sa)); };
               return qRgba(ch(qRed(s), qRed(d)), ch(qGreen(s), qGreen(d)), ch(qBlue(s), qBlue(d)),
                            255);
             }
             // Straight alpha over straight alpha.
             int dw = da * (255 - sa);  // destination weight, scaled by 255
             int outA = sa * 255 + dw;  // scaled by 255
             if (outA == 0) return 0;
             auto ch = [&](int sc, int dc) { return (sc * sa * 255 + dc * dw + outA / 2) / outA; };
             return qRgba(ch(qRed(s), qRed(d)), ch(qGreen(s), qGreen(d)), ch(qBlue(s), qBlue(d)),
                          Div255(outA));
           });
}

}  // namespace platform
