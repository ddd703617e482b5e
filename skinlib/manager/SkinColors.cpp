#include "skinlib/manager/SkinColors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

using platform::TColor;

namespace {

// Round to the nearest integer, halves to even, for |v| below 2^51: adding
// and taking away 2^52 leaves the integer the processor's (default)
// rounding gives, as nearbyint does, without a call.
inline double RoundHalfEven(double v) {
  constexpr double k = 4503599627370496.0;  // 2^52
  return v >= 0 ? (v + k) - k : -((-v + k) - k);
}

// Rounded within 0..255.
inline int RoundChannel(double v) { return int(RoundHalfEven(std::clamp(v, 0.0, 255.0))); }

}  // namespace

TColor ChangeColorSaturation(TColor color, int percent) {
  if (percent == 0) return color;
  const TColor c = platform::ColorToRGB(color);
  const int r = platform::GetRValue(c), g = platform::GetGValue(c), b = platform::GetBValue(c);
  const double average = (r + g + b) / 3.0;
  auto change = [&](int v) { return RoundChannel(percent * (average - v) / 100 + v); };
  return platform::RGB(change(r), change(g), change(b));
}

TColor ChangeColorHue(int delta, TColor color) {
  const TColor c = platform::ColorToRGB(color);
  const int r = platform::GetRValue(c), g = platform::GetGValue(c), b = platform::GetBValue(c);
  const int max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
  // No saturation (grey, black): the value alone.
  if (max == 0 || d == 0) return platform::RGB(max, max, max);
  const double s = double(d) / max, v = max, f60 = 60.0 / d;
  double h = r == max ? (g - b) * f60 : g == max ? 120 + (b - r) * f60 : 240 + (r - g) * f60;
  if (h < 0) h += 360;
  // h + delta is below 2^32 in size: its rounding is an exact integer.
  const int hue = int((int64_t(RoundHalfEven(h + delta)) % 360 + 360) % 360);
  const int i = hue / 60;
  const double f = hue / 60.0 - i;
  const int p = RoundChannel((1 - s) * v), q = RoundChannel((1 - s * f) * v), t = RoundChannel((1 - (1 - f) * s) * v);
  const int vv = max;
  switch (i) {
    case 0: return platform::RGB(vv, t, p);
    case 1: return platform::RGB(q, vv, p);
    case 2: return platform::RGB(p, vv, t);
    case 3: return platform::RGB(p, q, vv);
    case 4: return platform::RGB(t, p, vv);
    default: return platform::RGB(vv, p, q);
  }
}

TColor MixColors(TColor c1, TColor c2, double k) {
  if (!std::isfinite(k)) k = 0;  // no defined mix: the second colour
  uint32_t mixed = uint32_t(c1) & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = int(uint32_t(c1) >> shift & 0xFF), b = int(uint32_t(c2) >> shift & 0xFF);
    mixed |= uint32_t(RoundChannel(a * k + b * (1 - k))) << shift;
  }
  return TColor(mixed);
}
