// Helpers for pixel checks in the painting tests.
#pragma once

#include "platform/Bitmap.h"

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

// The smallest rectangle around the pixels that are not the background
// colour (empty when there are none).
inline platform::TRect InkBox(const platform::Bitmap& b, platform::TColor background) {
  platform::TRect r{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != background) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r.IsEmpty() ? platform::TRect{} : r;
}

// The same for pixels of exactly one colour.
inline platform::TRect ColorBox(const platform::Bitmap& b, platform::TColor color) {
  platform::TRect r{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) == color) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r.IsEmpty() ? platform::TRect{} : r;
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
