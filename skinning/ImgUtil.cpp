#include "skinning/ImgUtil.h"

#include "platform/DelphiRtl.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

using namespace platform;

namespace skinning {

TColor BlendColours(TColor a, TColor b, int p) {
  a = ColorToRGB(a);
  b = ColorToRGB(b);
  const int s = p < 100 ? 100 : 1000;
  auto mix = [&](int ca, int cb) { return std::clamp((ca * p + cb * (s - p) + s / 2) / s, 0, 255); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

namespace {

struct RampSlot {
  int Length = 0;
  TColor First = 0, Last = 0;
  TColourRamp Colours;
};

struct RampCache {
  std::array<RampSlot, 16> Slots;
  int Next = 0;
};

RampCache& Ramps() {
  static RampCache cache;
  return cache;
}

}  // namespace

TColourRamp GetGradientRamp(int n, TColor c1, TColor c2) {
  if (n < 1) throw std::invalid_argument("Assertion failure");
  RampCache& cache = Ramps();
  for (int i = 15; i >= 0; --i) {
    const RampSlot& s = cache.Slots[i];
    if (s.Colours && s.Length == n && s.First == c1 && s.Last == c2) return s.Colours;
  }
  auto colours = std::make_shared<std::vector<TColor>>(size_t(n));
  auto channel = [n](int a, int b, int i) {
    return n == 1 ? a + (b - a) / 2 : a + ((b - a) * i + (n - 1) / 2) / (n - 1);
  };
  for (int i = 0; i < n; ++i)
    (*colours)[i] = RGB(channel(GetRValue(c1), GetRValue(c2), i),
                        channel(GetGValue(c1), GetGValue(c2), i),
                        channel(GetBValue(c1), GetBValue(c2), i));
  cache.Slots[cache.Next] = {n, c1, c2, colours};
  cache.Next = (cache.Next + 1) % 16;
  return colours;
}

void GradientFill(Canvas& canvas, const TRect& r, TColor c1, bool vertical, TColor c2) {
  if (!canvas.RectVisible(r)) return;
  const int lines = vertical ? r.Height() : r.Width();
  if (lines < 1) return;
  const TColourRamp ramp = GetGradientRamp(lines, ColorToRGB(c1), ColorToRGB(c2));
  const TRect clip = canvas.GetClipBox();
  const int first = vertical ? std::max(r.Top, clip.Top) : std::max(r.Left, clip.Left);
  const int end = vertical ? std::min(r.Bottom, clip.Bottom) : std::min(r.Right, clip.Right);
  const TBrush saved = canvas.Brush;
  for (int at = first; at < end; ++at) {
    canvas.Brush = {(*ramp)[at - (vertical ? r.Top : r.Left)], bsSolid};
    canvas.FillRect(vertical ? Rect(r.Left, at, r.Right, at + 1) : Rect(at, r.Top, at + 1, r.Bottom));
  }
  canvas.Brush = saved;
}

THueSat ColourHueSat(TColor colour) {
  colour = ColorToRGB(colour);
  const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  const int max = std::max({r, g, b}), min = std::min({r, g, b});
  const double sat = max == 0 ? 0.0 : double(max - min) / max;
  double hue = 0;
  if (sat > 0) {
    const double d = max - min;
    if (r == max)
      hue = 60 * (g - b) / d;
    else if (g == max)
      hue = 120 + 60 * (b - r) / d;
    else
      hue = 240 + 60 * (r - g) / d;
    if (hue < 0) hue += 360;
  }
  THueSat hs{int(DelphiRound(hue * 255 / 360)), int(DelphiRound(sat * 255))};
  if (r < 160 && g < 160 && b < 160) hs.Saturation = 200;
  return hs;
}

void ReplaceKeyColour(Bitmap& bitmap, TColor colour) {
  bitmap.SetPixelFormat(pf24bit);
  colour = ColorToRGB(colour);
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3)
      if (p[0] == 0xFF && p[1] == 0x00 && p[2] == 0xFF) {
        p[0] = uint8_t(GetBValue(colour));
        p[1] = uint8_t(GetGValue(colour));
        p[2] = uint8_t(GetRValue(colour));
      }
  }
}

void MirrorBitmap(Bitmap& bitmap) {
  std::vector<QRgb> row(size_t(bitmap.Width()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    LoadArgbRow(bitmap, y, 0, bitmap.Width(), row.data());
    std::reverse(row.begin(), row.end());
    StoreArgbRow(bitmap, y, 0, bitmap.Width(), row.data());
  }
}

void FlipBitmap(Bitmap& bitmap) {
  std::vector<uint8_t> row(size_t(bitmap.Stride()));
  for (int top = 0, bottom = bitmap.Height() - 1; top < bottom; ++top, --bottom) {
    std::copy_n(bitmap.ScanLine(top), row.size(), row.data());
    std::copy_n(bitmap.ScanLine(bottom), row.size(), bitmap.ScanLine(top));
    std::copy_n(row.data(), row.size(), bitmap.ScanLine(bottom));
  }
}

namespace {

// Turns the bitmap a quarter: the old pixel (x, y) goes to (y, w - 1 - x)
// anticlockwise, to (h - 1 - y, x) clockwise.
void Rotate(Bitmap& bitmap, bool clockwise) {
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<QRgb> old(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) LoadArgbRow(bitmap, y, 0, w, old.data() + size_t(y) * w);
  bitmap.SetSize(h, w);
  std::vector<QRgb> row(static_cast<size_t>(h));
  for (int ny = 0; ny < w; ++ny) {
    for (int nx = 0; nx < h; ++nx) {
      const int x = clockwise ? ny : w - 1 - ny;
      const int y = clockwise ? h - 1 - nx : nx;
      row[nx] = old[size_t(y) * w + x];
    }
    StoreArgbRow(bitmap, ny, 0, h, row.data());
  }
}

}  // namespace

void RotateLeft(Bitmap& bitmap) { Rotate(bitmap, false); }
void RotateRight(Bitmap& bitmap) { Rotate(bitmap, true); }

}  // namespace skinning
