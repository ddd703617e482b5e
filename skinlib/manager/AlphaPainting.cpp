#include "skinlib/manager/AlphaPainting.h"

#include "platform/Canvas.h"
#include "platform/CpuClones.h"
#include "platform/DelphiRtl.h"
#include "platform/LayeredWindow.h"
#include "platform/Startup.h"
#include "skinlib/manager/FastBitmaps.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/PixelRows.h"

#include <algorithm>
#include <cmath>

using platform::Bitmap;
using platform::TColor;
using platform::TPoint;
using platform::TRect;
using pixelrows::Area;
using pixelrows::PixelAt;
using pixelrows::PixelBytes;

namespace {

bool unitRunning = false;

void StartAlphaPainting() {
  unitRunning = true;
  ManagerSeams().LayeredWindowsAvailable = LayeredWindowsAvailable;
}

void FinishAlphaPainting() {
  ManagerSeams().LayeredWindowsAvailable = nullptr;
  unitRunning = false;
}

[[maybe_unused]] const bool registered =
    platform::RegisterUnit("AlphaPainting", StartAlphaPainting, FinishAlphaPainting);

// A byte of Round(v) kept within 0..255 (halves to even: the processor's
// rounding mode is the default one).
inline uint8_t RoundByte(double v) { return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0)); }

// ((a - b) * w + b * 256) >> 8 with an arithmetic shift; for bytes a, b and
// a weight 0..255 it lies in 0..255.
inline uint8_t Weigh(int a, int b, int w) { return uint8_t(((a - b) * w + b * 256) >> 8); }

// The whole value of a 32-bit pixel as a TColor: alpha in the highest
// byte, then blue, green, red.
inline TColor Whole32(const uint8_t* p) {
  return TColor(uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
}

// The three rows of a blend by a mask in one contiguous run of bytes:
// d := (d * m + s * (256 - m)) >> 8, the same value as ((d - s) * m + s *
// 256) >> 8, never above 65280 in 16 bits (AVX2 where the processor has
// it, chosen when the program loads).
SSQ_CPU_CLONES("avx2", "default")
void MaskRun(const uint8_t* __restrict s, const uint8_t* __restrict m, uint8_t* __restrict d, int n) {
  for (int i = 0; i < n; ++i)
    d[i] = uint8_t((uint16_t(d[i] * m[i]) + uint16_t(s[i] * uint16_t(256 - m[i]))) >> 8);
}

}  // namespace

void PaintAlphaBitmapRect(const TRect& dstRect, const TRect& srcRect, Bitmap& dst, bool useParentBg,
                          const TsBgSource& bg, const Bitmap& src) {
  const int db = PixelBytes(dst);
  Area a;
  if (!db || PixelBytes(src) != 4 || !pixelrows::ClipArea(dstRect, srcRect, dst, src, a)) return;
  const bool parent = useParentBg && bg.IsReady;
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = PixelAt(src, a.sx, a.sy + y, 4);
    uint8_t* d = PixelAt(dst, a.dx, a.dy + y, db);
    for (int x = 0; x < a.w; ++x, s += 4, d += db) {
      if (Whole32(s) == TColor(0x00FF00FF)) {
        uint8_t bgr[3];
        if (parent && pixelrows::ParentPixel(bg, a.dx + x, a.dy + y, bgr)) pixelrows::PutPixel(d, db, bgr);
        continue;
      }
      for (int c = 0; c < 3; ++c) d[c] = Weigh(s[c], d[c], s[3]);
    }
  }
}

void PaintImageWithMask(const TRect& dstRect, const TRect& srcRect, Bitmap& dst, int maskOffset, bool useParentBg,
                        const TsBgSource& bg, const Bitmap& image) {
  const int db = PixelBytes(dst), sb = PixelBytes(image);
  Area a;
  if (!db || !sb || maskOffset < 0 || !pixelrows::ClipArea(dstRect, srcRect, dst, image, a)) return;
  // The mask rows must lie inside the image's bitmap as well.
  a.h = int(std::min<int64_t>(a.h, int64_t(image.Height()) - a.sy - maskOffset));
  if (a.h <= 0) return;
  const bool parent = useParentBg && bg.IsReady;
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = PixelAt(image, a.sx, a.sy + y, sb);
    const uint8_t* m = PixelAt(image, a.sx, a.sy + maskOffset + y, sb);
    uint8_t* d = PixelAt(dst, a.dx, a.dy + y, db);
    if (!parent && db == sb && db == 3) {
      MaskRun(s, m, d, a.w * 3);
      continue;
    }
    for (int x = 0; x < a.w; ++x, s += sb, m += sb, d += db) {
      uint8_t bgr[3];
      if (parent && pixelrows::IsKey(s) && pixelrows::ParentPixel(bg, a.dx + x, a.dy + y, bgr)) {
        pixelrows::PutPixel(d, db, bgr);
        continue;
      }
      for (int c = 0; c < 3; ++c) d[c] = Weigh(d[c], s[c], m[c]);
    }
  }
}

void PaintTiledImageWithMask(const TRect& dstRect, const TRect& srcRect, Bitmap& dst, int maskOffset,
                             const Bitmap& image) {
  const int sw = srcRect.Width(), sh = srcRect.Height();
  if (dstRect.IsEmpty() || sw <= 0 || sh <= 0) return;
  const bool inside = srcRect.Left >= 0 && srcRect.Top >= 0 && srcRect.Right <= image.Width() && maskOffset >= 0 &&
                      int64_t(srcRect.Bottom) + maskOffset <= image.Height();
  if (!inside || PixelBytes(dst) != 3 || PixelBytes(image) != 3) {
    for (int y = dstRect.Top; y < dstRect.Bottom; y += sh)
      for (int x = dstRect.Left; x < dstRect.Right; x += sw) {
        const int w = std::min(sw, dstRect.Right - x), h = std::min(sh, dstRect.Bottom - y);
        PaintImageWithMask(platform::Bounds(x, y, w, h), platform::Bounds(srcRect.Left, srcRect.Top, w, h), dst,
                           maskOffset, false, EmptyCacheInfo, image);
      }
    return;
  }
  const TRect c = pixelrows::ClipToBitmap(dstRect, dst);
  if (c.IsEmpty()) return;
  // Each row goes tile by tile from the image row and its mask row,
  // without clipping or looking up rows again for every tile.
  const int phase = (c.Left - dstRect.Left) % sw;
  for (int y = c.Top; y < c.Bottom; ++y) {
    const int ty = srcRect.Top + (y - dstRect.Top) % sh;
    const uint8_t* s = PixelAt(image, srcRect.Left, ty, 3);
    const uint8_t* m = PixelAt(image, srcRect.Left, ty + maskOffset, 3);
    uint8_t* d = PixelAt(dst, c.Left, y, 3);
    for (int x = c.Left, from = phase; x < c.Right; from = 0) {
      const int w = std::min(sw - from, c.Right - x);
      MaskRun(s + from * 3, m + from * 3, d, w * 3);
      d += w * 3;
      x += w;
    }
  }
}

void PaintImageWithKeyColor(Bitmap& dst, const Bitmap& src, bool useParentBg, const TsBgSource& bg, TColor keyColor,
                            const TRect& srcRect, TPoint dstPoint) {
  const int db = PixelBytes(dst), sb = PixelBytes(src);
  Area a;
  if (!db || !sb || !pixelrows::ClipArea(dstPoint, srcRect, dst, src, a)) return;
  const bool parent = useParentBg && bg.IsReady && bg.Bitmap != &dst;
  const bool opaque = sb == 3 || dst.PixelFormat() == platform::pfDevice;
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = PixelAt(src, a.sx, a.sy + y, sb);
    uint8_t* d = PixelAt(dst, a.dx, a.dy + y, db);
    for (int x = 0; x < a.w; ++x, s += sb, d += db) {
      if (pixelrows::SameColor(s, keyColor)) {
        uint8_t bgr[3];
        if (parent && pixelrows::ParentPixel(bg, a.dx + x, a.dy + y, bgr)) pixelrows::PutPixel(d, db, bgr);
        continue;
      }
      pixelrows::PutPixel(d, db, s, opaque ? 255 : s[3]);
    }
  }
}

void BlendBitmapRect(Bitmap& dst, int dstX, int dstY, TColor keyColor, double factor, const TRect& srcRect,
                     const Bitmap& src) {
  const int db = PixelBytes(dst), sb = PixelBytes(src);
  Area a;
  if (!db || !sb || !pixelrows::ClipArea(TPoint{dstX, dstY}, srcRect, dst, src, a)) return;
  const bool keyed = (uint32_t(keyColor) >> 24) != 255;
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = PixelAt(src, a.sx, a.sy + y, sb);
    uint8_t* d = PixelAt(dst, a.dx, a.dy + y, db);
    for (int x = 0; x < a.w; ++x, s += sb, d += db) {
      if (keyed && pixelrows::SameColor(s, keyColor)) continue;
      for (int c = 0; c < 3; ++c) d[c] = RoundByte(s[c] - (s[c] - d[c]) * factor);
    }
  }
}

void BlendBitmapToColor(Bitmap& bitmap, double factor, TColor color, TColor keyColor) {
  const int bytes = PixelBytes(bitmap);
  if (!bytes) return;
  const TColor rgb = platform::ColorToRGB(color);
  const int target[3] = {platform::GetBValue(rgb), platform::GetGValue(rgb), platform::GetRValue(rgb)};
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* d = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, d += bytes) {
      if (bytes == 4 ? Whole32(d) == keyColor : pixelrows::SameColor(d, keyColor)) continue;
      for (int c = 0; c < 3; ++c) d[c] = RoundByte((d[c] - target[c]) * factor + target[c]);
    }
  }
}

void BlendByMaskToColor(Bitmap& bitmap, const Bitmap& mask, TColor color) {
  const int bytes = PixelBytes(bitmap), mb = PixelBytes(mask);
  if (!bytes || !mb || bitmap.Width() != mask.Width() || bitmap.Height() != mask.Height()) return;
  const TColor rgb = platform::ColorToRGB(color);
  const int target[3] = {platform::GetBValue(rgb), platform::GetGValue(rgb), platform::GetRValue(rgb)};
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* d = bitmap.ScanLine(y);
    const uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, d += bytes, m += mb)
      for (int c = 0; c < 3; ++c) d[c] = Weigh(d[c], target[c], m[c]);
  }
}

void BlendRectByAlpha(Bitmap& dst, const Bitmap& src, int alpha, TPoint dstPoint, const TRect& srcRect) {
  Area a;
  if (!pixelrows::ClipArea(dstPoint, srcRect, dst, src, a)) return;
  const int db = PixelBytes(dst), sb = PixelBytes(src);
  auto blend = [&](auto& blender) {
    blender.Alpha = uint8_t(alpha & 0xFF);
    blender.DstRect = platform::Bounds(a.dx, a.dy, a.w, a.h);
    blender.SrcRect = platform::Bounds(a.sx, a.sy, a.w, a.h);
    blender.BlendRect();
  };
  if (db == 4 && sb == 4) {
    TacFastSum32 blender;
    if (blender.Attach(src, dst)) blend(blender);
  } else if (db == 3 && sb == 3) {
    TacFastSum24 blender;
    if (blender.Attach(src, dst)) blend(blender);
  }
}

void CopyTransparentRect(Bitmap& dst, const Bitmap& src, TColor keyColor, const TRect& srcRect, TPoint dstPoint) {
  const int db = PixelBytes(dst), sb = PixelBytes(src);
  Area a;
  if (!db || !sb || !pixelrows::ClipArea(dstPoint, srcRect, dst, src, a)) return;
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = PixelAt(src, a.sx, a.sy + y, sb);
    uint8_t* d = PixelAt(dst, a.dx, a.dy + y, db);
    for (int x = 0; x < a.w; ++x, s += sb, d += db)
      if (!pixelrows::SameColor(s, keyColor)) pixelrows::PutPixel(d, db, s, 255);
  }
}

void CopyTransparentBitmap(Bitmap& dst, const Bitmap& src, TColor keyColor, int x, int y) {
  CopyTransparentRect(dst, src, keyColor, TRect{0, 0, src.Width(), src.Height()}, TPoint{x, y});
}

void MixBitmaps(Bitmap& dst, const Bitmap& a, const Bitmap& b, int k, const Bitmap* mask) {
  const int db = PixelBytes(dst), ab = PixelBytes(a), bb = PixelBytes(b), mb = mask ? PixelBytes(*mask) : 0;
  if (db != 4 || !ab || !bb || a.Width() != b.Width() || a.Height() != b.Height() || (mask && !mb)) return;
  int w = std::min(dst.Width(), a.Width()), h = std::min(dst.Height(), a.Height());
  if (mask) {
    w = std::min(w, mask->Width());
    h = std::min(h, mask->Height());
  }
  const int weight = std::clamp(k, 0, 255);
  for (int y = 0; y < h; ++y) {
    const uint8_t* pa = a.ScanLine(y);
    const uint8_t* pb = b.ScanLine(y);
    const uint8_t* pm = mask ? mask->ScanLine(y) : nullptr;
    uint8_t* d = dst.ScanLine(y);
    for (int x = 0; x < w; ++x, pa += ab, pb += bb, d += 4) {
      for (int c = 0; c < 3; ++c) d[c] = Weigh(pa[c], pb[c], pm ? pm[c] : weight);
      if (pm) pm += mb;
    }
  }
}

void GrayscaleBitmap(Bitmap& bitmap) {
  const int bytes = PixelBytes(bitmap);
  if (!bytes) return;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* d = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, d += bytes) d[0] = d[1] = d[2] = uint8_t((d[0] + d[1] + d[2]) / 3);
  }
}

void CopyChannel(Bitmap& bmp32, Bitmap& bmp8, int channel, bool toEight) {
  if (PixelBytes(bmp32) != 4 || bmp8.PixelFormat() != platform::pf8bit || channel < 0 || channel > 3) return;
  const int w = std::min(bmp32.Width(), bmp8.Width()), h = std::min(bmp32.Height(), bmp8.Height());
  for (int y = 0; y < h; ++y) {
    uint8_t* wide = bmp32.ScanLine(y) + channel;
    uint8_t* narrow = bmp8.ScanLine(y);
    for (int x = 0; x < w; ++x, wide += 4, ++narrow) {
      if (toEight)
        *narrow = *wide;
      else
        *wide = *narrow;
    }
  }
}

void ShadeRoundRect(Bitmap& bitmap, const TRect& r, int transparency, int rings, int radius, TColor color) {
  const TRect area = pixelrows::ClipToBitmap(r, bitmap);
  if (area.IsEmpty() || !PixelBytes(bitmap)) return;
  const int w = area.Width(), h = area.Height();
  // The picture in its own format, so that a 32-bit one keeps its alpha.
  Bitmap picture(w, h, bitmap.PixelFormat());
  pixelrows::CopyBlock(picture, 0, 0, bitmap, area.Left, area.Top, w, h);
  // A white mask (it keeps the picture) with the rings laid on it.
  Bitmap mask(w, h, platform::pf24bit);
  mask.Fill(qRgb(255, 255, 255));
  const int n = std::max(0, std::min({h / 2, w / 2, rings}));
  const int corner = std::max(0, std::min({h / 2, w / 2, radius}));
  const int t = std::clamp(transparency, 0, 100) * 255 / 100;
  {
    platform::Canvas& canvas = mask.GetCanvas();
    canvas.Pen.Style = platform::psClear;
    canvas.Brush.Style = platform::bsSolid;
    // A rectangle with nothing inside paints nothing.
    auto ring = [&](int i, int grey) {
      if (w - 2 * i <= 0 || h - 2 * i <= 0) return;
      canvas.Brush.Color = platform::RGB(grey, grey, grey);
      canvas.RoundRect(i, i, w - i, h - i, corner, corner);
    };
    int grey = 255;
    for (int i = 0; i <= n; ++i) {
      ring(i, grey);
      grey = int(platform::DelphiRound(double(n - i) * (255 - t) / (n + 1))) + t;
    }
    ring(n, grey);
    canvas.EndPainting();
  }
  BlendByMaskToColor(picture, mask, color);
  pixelrows::CopyBlock(bitmap, area.Left, area.Top, picture, 0, 0, w, h);
}

bool LayeredWindowsAvailable() { return unitRunning && platform::LayeredWindowsAvailable(); }
