// Helpers for pixel checks in the painting tests.
#pragma once

#include "platform/Bitmap.h"

#include <functional>
#include <ostream>
#include <string>

namespace pixels {

// Rows of the bitmap as text: '.' for pixels of the background colour, '#'
// for any other, so that a failing check shows the picture.
inline std::string Ascii(const platform::Bitmap& b, platform::TColor background) {
  std::string s;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) s += b.GetPixel(x, y) == background ? '.' : '#';
    s += '\n';
  }
  return s;
}

// The smallest rectangle around the pixels of `area` (the whole bitmap when
// empty) whose colour passes the test; all zero when there are none.
inline platform::TRect Box(const platform::Bitmap& b, const std::function<bool(platform::TColor)>& test,
                           platform::TRect area = {}) {
  if (area.IsEmpty()) area = platform::Rect(0, 0, b.Width(), b.Height());
  platform::TRect r{area.Right, area.Bottom, area.Left, area.Top};
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x)
      if (test(b.GetPixel(x, y)))
        r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
  return r.IsEmpty() ? platform::TRect{} : r;
}

// Around the pixels that are not the background colour.
inline platform::TRect InkBox(const platform::Bitmap& b, platform::TColor background, platform::TRect area = {}) {
  return Box(b, [background](platform::TColor c) { return c != background; }, area);
}

// Around the pixels of exactly one colour.
inline platform::TRect ColorBox(const platform::Bitmap& b, platform::TColor color) {
  return Box(b, [color](platform::TColor c) { return c == color; });
}

// A white bitmap of the given size.
inline platform::Bitmap White(int w, int h, platform::TPixelFormat f = platform::pfDevice) {
  platform::Bitmap b(w, h, f);
  b.Fill(qRgb(255, 255, 255));
  return b;
}

}  // namespace pixels

inline std::ostream& operator<<(std::ostream& os, const platform::TRect& r) {
  return os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
