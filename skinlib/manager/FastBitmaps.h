// Direct pixel access to the skin library's 24- and 32-bit bitmaps, and
// the small pixel routines the skin painters build on: colour fills and
// mixes, a control's parent background laid into its cache, and the
// transparent corners of a form copied from another picture.
//
// A 24-bit pixel is the bytes blue, green, red; a 32-bit pixel blue,
// green, red, alpha (straight). A colour value (TColor) holds red in its
// lowest byte. Rows are the platform bitmap's top-down scan lines; the
// accessors keep row 0 and the distance between rows (Stride) as the
// bitmap gives them, so the same code serves any row order.
//
// The accessors themselves do no bounds test: whoever calls GetPixel or
// SetPixel keeps to the bitmap. Every routine below them clips, so no
// rectangle, however wrong, reads or writes outside a bitmap. Everything
// runs on the GUI thread.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <cstdint>

class QWidget;
class TsSkinManager;

// ------------------------------------------------------------ accessors

// Pixel access to a pf24bit bitmap.
class TacFast24 {
 public:
  platform::Bitmap* Bitmap = nullptr;  // not owned
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;  // from row 0 to row 1, in bytes
  uint8_t* Scan0 = nullptr;

  // True, the fields filled, for a pf24bit bitmap at least 2 x 2 (the
  // stride is measured between rows 0 and 1); otherwise Width := 0 and
  // false.
  bool Attach(platform::Bitmap& bitmap);
  // Blue * 65536 + green * 256 + red.
  platform::TColor GetPixel(int x, int y) const {
    const uint8_t* p = Scan0 + y * Stride + x * 3;
    return platform::TColor(p[0] << 16 | p[1] << 8 | p[2]);
  }
};

// Pixel access to a pf32bit bitmap (pfDevice too: its alpha stays 255 as
// long as what is written keeps it).
class TacFast32 {
 public:
  platform::Bitmap* Bitmap = nullptr;  // not owned
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;
  uint8_t* Scan0 = nullptr;

  bool Attach(platform::Bitmap& bitmap);
  // Alpha * 16777216 + blue * 65536 + green * 256 + red: a TColor with the
  // pixel's alpha in its highest byte.
  platform::TColor GetPixel(int x, int y) const {
    const uint8_t* p = Scan0 + y * Stride + x * 4;
    return platform::TColor(uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
  }
  // The inverse of GetPixel.
  void SetPixel(int x, int y, platform::TColor value) {
    uint8_t* p = Scan0 + y * Stride + x * 4;
    p[0] = uint8_t(value >> 16);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value);
    p[3] = uint8_t(uint32_t(value) >> 24);
  }
  // Rows Top..Bottom-1 and columns Left..Right-1 (cut to the bitmap) take
  // one pixel value as it lies in memory (ColorToPixel32).
  void FillRect(const platform::TRect& r, uint32_t value);
};

// Constant-alpha blend of one bitmap into another (both pf24bit, or both
// 32 bits a pixel for TacFastSum32): after Attach the caller sets Alpha
// (the weight of the destination), DstRect and SrcRect, then BlendRect
// makes each byte of DstRect (src * (255 - Alpha) + dst * Alpha + 127) >> 8
// in unsigned integers (alpha 0 over 255 gives 254). The bottom edges of
// the two rectangles meet: destination row y takes source row
// y - DstRect.Bottom + SrcRect.Bottom, column x source column
// x - DstRect.Left + SrcRect.Left (SrcRect's Top and Right are not read).
// The 32-bit blender blends the alpha byte as well. Rows and columns
// outside either bitmap are left out.
class TacFastSum {
 public:
  const platform::Bitmap* Src = nullptr;  // not owned
  platform::Bitmap* Dst = nullptr;        // not owned
  int32_t Width = 0;                      // the smaller of the two widths
  int32_t Height = 0;                     // the smaller of the two heights
  const uint8_t* SrcScan0 = nullptr;
  uint8_t* DstScan0 = nullptr;
  int32_t SrcStride = 0;
  int32_t DstStride = 0;
  uint8_t Alpha = 0;
  platform::TRect DstRect;
  platform::TRect SrcRect;

 protected:
  bool AttachAs(const platform::Bitmap& src, platform::Bitmap& dst, int bytes);
  void BlendBytes(int bytes);
};

class TacFastSum24 : public TacFastSum {
 public:
  // False when either bitmap is narrower or lower than 2 pixels or not
  // pf24bit.
  bool Attach(const platform::Bitmap& src, platform::Bitmap& dst) { return AttachAs(src, dst, 3); }
  void BlendRect() { BlendBytes(3); }
};

// Both bitmaps 32 bits a pixel (pf32bit or pfDevice).
class TacFastSum32 : public TacFastSum {
 public:
  bool Attach(const platform::Bitmap& src, platform::Bitmap& dst) { return AttachAs(src, dst, 4); }
  void BlendRect() { BlendBytes(4); }
};

// ------------------------------------------------------------ pixel routines

// The 32-bit pixel value of a colour (system colours resolved) with alpha
// 255: the bytes blue, green, red, 255 in memory.
uint32_t ColorToPixel32(platform::TColor color);

// Fills `r` of a 32-bit bitmap with an opaque colour; nothing for a bitmap
// the accessor refuses.
void FillRect32(platform::Bitmap& bitmap, const platform::TRect& r, platform::TColor color);

// Mixes a colour into a rectangle whose right and bottom ends count as
// inside (rows Top..Bottom, columns Left..Right, cut to the bitmap): with
// p = (percent and 255) / 100, each channel c := Round(c * p + colour * (1 -
// p)), rounded halves to even and kept within 0..255. A 32-bit pixel keeps
// its alpha. 24- and 32-bit bitmaps; other formats stay as they are.
void BlendRectWithColor(platform::Bitmap& bitmap, const platform::TRect& r, int percent,
                        platform::TColor color);

// FillBgFromCacheInfo's flags.
inline constexpr unsigned kBgCover = 1;  // lay the parent background over the whole bitmap
inline constexpr unsigned kBgGrey = 2;   // turn the bitmap grey first

// Lays a control's parent background into its bitmap: with kBgGrey the
// bitmap turns grey first (GrayscaleBitmap); with kBgCover a ready parent
// bitmap is blended in from (X + offset.X, Y + offset.Y) at factor 0.4
// (each pixel := parent - (parent - pixel) * 0.4, no pixel skipped), or
// else the source's FillColor (for $FF00FF the control's background
// colour, GetControlBgColor) is mixed in at 50 percent.
void FillBgFromCacheInfo(platform::Bitmap& bitmap, unsigned flags, QWidget* control, const TsBgSource& bg,
                         platform::TPoint offset);

// The corner codes of CopyTransparentCorner.
enum TacCorner { kCornerTopLeft = 13, kCornerTopRight = 14, kCornerBottomLeft = 16, kCornerBottomRight = 17 };

// Copies pixels of a 32-bit source (from srcPoint on) into `dstRect` of a
// 32-bit destination wherever the corner image shows the key colour: with
// a mask (maskIndex valid in `manager`), the corner of that mask's first
// state image (its own bitmap or the manager's master bitmap) given by
// `corner`; with maskIndex -1, the destination pixel itself. Every read
// and write is cut to its bitmap.
void CopyTransparentCorner(platform::Bitmap& dst, const platform::Bitmap& src, const platform::TRect& dstRect,
                           platform::TPoint srcPoint, int maskIndex, const TsSkinManager* manager, int corner);
