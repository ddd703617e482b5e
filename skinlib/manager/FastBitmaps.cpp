#include "skinlib/manager/FastBitmaps.h"

#include "platform/CpuClones.h"
#include "platform/DelphiRtl.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/PixelRows.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/sSkinManager.h"

#include <algorithm>
#include <array>

using platform::Bitmap;
using platform::TColor;
using platform::TPoint;
using platform::TRect;
using pixelrows::PixelBytes;

namespace {

// Fills the fields of an accessor for a bitmap of `bytes` a pixel.
template <class Accessor>
bool AttachAccessor(Accessor& a, Bitmap& bitmap, int bytes) {
  a.Bitmap = &bitmap;
  if (bitmap.Width() < 2 || bitmap.Height() < 2 || PixelBytes(bitmap) != bytes) {
    a.Width = 0;
    return false;
  }
  a.Width = bitmap.Width();
  a.Height = bitmap.Height();
  a.Scan0 = bitmap.ScanLine(0);
  a.Stride = int32_t(bitmap.ScanLine(1) - a.Scan0);
  return true;
}

// (s * (255 - a) + d * a + 127) >> 8 over `n` bytes of two different
// rows; the sum never exceeds 65152, so 16-bit lanes hold it and the
// compiler turns the loop into vector code (AVX2 where the processor has
// it, chosen when the program loads).
SSQ_CPU_CLONES("avx2", "default") void BlendRun(const uint8_t* __restrict s, uint8_t* __restrict d, int n, unsigned a) {
  const uint16_t wa = uint16_t(a), ws = uint16_t(255 - a);
  for (int i = 0; i < n; ++i) d[i] = uint8_t((uint16_t(s[i] * ws) + uint16_t(d[i] * wa) + 127) >> 8);
}

// The same over one row of a bitmap blended into itself, from the last
// byte to the first, as the blend is defined where the two overlap.
void BlendRunBackwards(const uint8_t* s, uint8_t* d, int n, unsigned a) {
  for (int i = n - 1; i >= 0; --i) d[i] = uint8_t((uint32_t(s[i]) * (255 - a) + uint32_t(d[i]) * a + 127) >> 8);
}

// Each byte d := Round((d + c) / 2) with a half to the even one, except
// where keep is 255 (those bytes stay): the same value as the colour mix
// at 50 percent, worked out in bytes only, so the compiler turns the loop
// into vector code. With x = d xor c, (d and c) + x shr 1 is (d + c) div 2
// without overflow; an odd sum (x and 1) whose half is odd rounds up.
SSQ_CPU_CLONES("avx2", "default")
void HalfMixRun(uint8_t* __restrict d, const uint8_t* __restrict c, const uint8_t* __restrict keep, int n) {
  for (int i = 0; i < n; ++i) {
    const uint8_t a = d[i], b = c[i], x = uint8_t(a ^ b);
    const uint8_t floor = uint8_t((a & b) + (x >> 1));
    const uint8_t mix = uint8_t(floor + (x & floor & 1));
    d[i] = uint8_t((mix & ~keep[i]) | (a & keep[i]));
  }
}

// The 50 percent mix of BlendRectWithColor over rows top..bottom and
// columns left..right (already cut to the bitmap). The colour's bytes are
// laid out in pixel order over a piece of a row whose length is a multiple
// of both pixel sizes, kept for the last colour and pixel size, and each
// row is mixed piece by piece.
void HalfMixRect(Bitmap& bitmap, int left, int top, int right, int bottom, int bytes, TColor rgb) {
  constexpr int kPiece = 64 * 12;
  struct Pattern {
    int Bytes = 0;
    TColor Color = 0;
    std::array<uint8_t, kPiece> Colour;
    std::array<uint8_t, kPiece> Keep;
  };
  thread_local Pattern pattern;
  if (pattern.Bytes != bytes || pattern.Color != rgb) {
    const uint8_t bgr[3] = {uint8_t(platform::GetBValue(rgb)), uint8_t(platform::GetGValue(rgb)),
                            uint8_t(platform::GetRValue(rgb))};
    for (int i = 0; i < kPiece; ++i) {
      const int channel = i % bytes;
      pattern.Colour[size_t(i)] = channel < 3 ? bgr[channel] : 0;
      pattern.Keep[size_t(i)] = channel < 3 ? 0 : 255;  // a 32-bit pixel's alpha stays
    }
    pattern.Bytes = bytes;
    pattern.Color = rgb;
  }
  const int n = (right - left + 1) * bytes;
  for (int y = top; y <= bottom; ++y) {
    uint8_t* d = pixelrows::PixelAt(bitmap, left, y, bytes);
    for (int done = 0; done < n; done += kPiece)
      HalfMixRun(d + done, pattern.Colour.data(), pattern.Keep.data(), std::min(kPiece, n - done));
  }
}

}  // namespace

// ------------------------------------------------------------ accessors

bool TacFast24::Attach(platform::Bitmap& bitmap) { return AttachAccessor(*this, bitmap, 3); }

bool TacFast32::Attach(platform::Bitmap& bitmap) { return AttachAccessor(*this, bitmap, 4); }

void TacFast32::FillRect(const TRect& r, uint32_t value) {
  if (!Bitmap || Width == 0) return;
  const TRect c = platform::IntersectRect(r, TRect{0, 0, Width, Height});
  for (int y = c.Top; y < c.Bottom; ++y)
    std::fill_n(reinterpret_cast<uint32_t*>(Scan0 + y * Stride) + c.Left, c.Width(), value);
}

bool TacFastSum::AttachAs(const Bitmap& src, Bitmap& dst, int bytes) {
  Src = &src;
  Dst = &dst;
  if (src.Width() < 2 || src.Height() < 2 || dst.Width() < 2 || dst.Height() < 2 || PixelBytes(src) != bytes ||
      PixelBytes(dst) != bytes) {
    Width = 0;
    return false;
  }
  Width = std::min(src.Width(), dst.Width());
  Height = std::min(src.Height(), dst.Height());
  SrcScan0 = src.ScanLine(0);
  DstScan0 = dst.ScanLine(0);
  SrcStride = int32_t(src.ScanLine(1) - SrcScan0);
  DstStride = int32_t(dst.ScanLine(1) - DstScan0);
  return true;
}

void TacFastSum::BlendBytes(int bytes) {
  if (!Src || !Dst || Width == 0) return;
  // Destination columns whose source column lies inside the source.
  const int64_t shiftX = int64_t(SrcRect.Left) - DstRect.Left;
  const int64_t x0 = std::max<int64_t>({DstRect.Left, 0, -shiftX});
  const int64_t x1 = std::min<int64_t>({DstRect.Right, Dst->Width(), Src->Width() - shiftX});
  if (x1 <= x0) return;
  const int64_t shiftY = int64_t(SrcRect.Bottom) - DstRect.Bottom;
  const bool same = SrcScan0 == DstScan0;
  const bool device = Dst->PixelFormat() == platform::pfDevice;
  const int n = int(x1 - x0) * bytes;
  for (int64_t y = int64_t(DstRect.Bottom) - 1; y >= DstRect.Top; --y) {
    const int64_t sy = y + shiftY;
    if (y < 0 || y >= Dst->Height() || sy < 0 || sy >= Src->Height()) continue;
    const uint8_t* s = SrcScan0 + sy * SrcStride + (x0 + shiftX) * bytes;
    uint8_t* d = DstScan0 + y * DstStride + x0 * bytes;
    if (same)
      BlendRunBackwards(s, d, n, Alpha);
    else
      BlendRun(s, d, n, Alpha);
    if (device)
      for (int i = 3; i < n; i += 4) d[i] = 255;
  }
}

// ------------------------------------------------------------ pixel routines

uint32_t ColorToPixel32(TColor color) {
  const TColor c = platform::ColorToRGB(color);
  return 0xFF000000u | uint32_t(platform::GetRValue(c)) << 16 | uint32_t(platform::GetGValue(c)) << 8 |
         uint32_t(platform::GetBValue(c));
}

void FillRect32(Bitmap& bitmap, const TRect& r, TColor color) {
  TacFast32 fast;
  if (fast.Attach(bitmap)) fast.FillRect(r, ColorToPixel32(color));
}

void BlendRectWithColor(Bitmap& bitmap, const TRect& r, int percent, TColor color) {
  const int bytes = PixelBytes(bitmap);
  if (!bytes) return;
  const int left = std::max(r.Left, 0), top = std::max(r.Top, 0);
  const int right = std::min(r.Right, bitmap.Width() - 1), bottom = std::min(r.Bottom, bitmap.Height() - 1);
  if (right < left || bottom < top) return;
  const TColor c = platform::ColorToRGB(color);
  if ((percent & 255) == 50) {
    // c * 0.5 + colour * 0.5 is exact in doubles: the mix is (c + colour)
    // / 2 rounded, halves to even.
    HalfMixRect(bitmap, left, top, right, bottom, bytes, c);
    return;
  }
  // Each channel's 256 results, in pixel byte order (blue, green, red),
  // kept for the last percent and colour: a section paints with the same
  // ones again and again.
  struct MixTable {
    int Percent = -1;
    TColor Color = 0;
    std::array<std::array<uint8_t, 256>, 3> Mix;
  };
  thread_local MixTable table;
  if (table.Percent != (percent & 255) || table.Color != c) {
    const double p = double(percent & 255) / 100, q = 1 - p;
    const int target[3] = {platform::GetBValue(c), platform::GetGValue(c), platform::GetRValue(c)};
    for (int k = 0; k < 3; ++k)
      for (int v = 0; v < 256; ++v)
        table.Mix[size_t(k)][size_t(v)] =
            uint8_t(std::clamp<int64_t>(platform::DelphiRound(v * p + target[k] * q), 0, 255));
    table.Percent = percent & 255;
    table.Color = c;
  }
  // A copy of its own: the pixel stores cannot touch it, so it stays in
  // registers and cache lines the loop need not reload.
  const auto mix = table.Mix;
  for (int y = top; y <= bottom; ++y) {
    uint8_t* d = pixelrows::PixelAt(bitmap, left, y, bytes);
    for (int x = left; x <= right; ++x, d += bytes) {
      d[0] = mix[0][d[0]];
      d[1] = mix[1][d[1]];
      d[2] = mix[2][d[2]];
    }
  }
}

void FillBgFromCacheInfo(Bitmap& bitmap, unsigned flags, QWidget* control, const TsBgSource& bg, TPoint offset) {
  if (flags & kBgGrey) GrayscaleBitmap(bitmap);
  if (!(flags & kBgCover)) return;
  if (bg.IsReady && bg.Bitmap) {
    const int x = bg.X + offset.X, y = bg.Y + offset.Y;
    // A key colour whose highest byte is 255 skips no pixel.
    BlendBitmapRect(bitmap, 0, 0, TColor(0xFFFF00FF), 0.4, platform::Bounds(x, y, bitmap.Width(), bitmap.Height()),
                    *bg.Bitmap);
    return;
  }
  const TColor fill = bg.FillColor == KeyColor ? adapters::GetControlBgColor(control) : bg.FillColor;
  BlendRectWithColor(bitmap, TRect{0, 0, bitmap.Width(), bitmap.Height()}, 50, fill);
}

void CopyTransparentCorner(Bitmap& dst, const Bitmap& src, const TRect& dstRect, TPoint srcPoint, int maskIndex,
                           const TsSkinManager* manager, int corner) {
  if (PixelBytes(dst) != 4 || PixelBytes(src) != 4) return;
  const int w = std::max(dstRect.Width(), 0), h = std::max(dstRect.Height(), 0);
  if (h == 0 || w == 0) return;
  // The picture whose key-colour pixels choose, and where the corner
  // starts in it: the destination itself without a mask.
  const Bitmap* image = &dst;
  int ox = dstRect.Left, oy = dstRect.Top;
  if (maskIndex >= 0) {
    if (!manager || !manager->IsValidMaskIndex(maskIndex)) return;
    const TsMaskData& m = manager->MaskData[size_t(maskIndex)];
    image = m.Bmp ? m.Bmp.get() : manager->MasterBitmap.get();
    if (!image) return;
    ox = m.R.Left;
    oy = m.R.Top;
    if (corner == kCornerTopRight || corner == kCornerBottomRight) ox += MaskImageWidth(m) - m.WR;
    if (corner == kCornerBottomLeft || corner == kCornerBottomRight) oy += MaskImageHeight(m) - m.WB;
  }
  const int ib = PixelBytes(*image);
  if (!ib) return;
  for (int j = 0; j < h; ++j) {
    const int64_t iy = int64_t(oy) + j, dy = int64_t(dstRect.Top) + j, sy = int64_t(srcPoint.Y) + j;
    if (iy < 0 || iy >= image->Height() || dy < 0 || dy >= dst.Height() || sy < 0 || sy >= src.Height()) continue;
    for (int i = 0; i < w; ++i) {
      const int64_t ix = int64_t(ox) + i, dx = int64_t(dstRect.Left) + i, sx = int64_t(srcPoint.X) + i;
      if (ix < 0 || ix >= image->Width() || dx < 0 || dx >= dst.Width() || sx < 0 || sx >= src.Width()) continue;
      if (!pixelrows::IsKey(pixelrows::PixelAt(*image, int(ix), int(iy), ib))) continue;
      uint8_t* d = pixelrows::PixelAt(dst, int(dx), int(dy), 4);
      const uint8_t* s = pixelrows::PixelAt(src, int(sx), int(sy), 4);
      std::copy_n(s, 4, d);
      if (dst.PixelFormat() == platform::pfDevice) d[3] = 255;
    }
  }
}
