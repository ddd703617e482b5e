// Device-independent bitmaps with the old pixel formats and direct access to
// their rows.
//
// A Bitmap owns its pixel buffer. Rows are top-down, each Stride() bytes
// long (a multiple of 4, as a DIB's); the byte order of a pixel is the
// Windows one: pf24bit blue, green, red; pf32bit blue, green, red, alpha
// (straight, not premultiplied); pfDevice as pf32bit with the alpha byte
// always 255; pf8bit one grey byte; pf1bit one bit, the highest bit first,
// 1 = white. ScanLine(y) points into the buffer itself: no call other than
// SetSize, SetPixelFormat, Assign and destruction moves or copies it, so a
// pointer taken once stays good while the bitmap is painted on through its
// Canvas. The buffer is wrapped, without copying, in a QImage
// (Format_RGB32, Format_ARGB32, Format_BGR888, Format_Grayscale8,
// Format_Mono) for QPainter.
#pragma once

#include "platform/Colors.h"
#include "platform/WinTypes.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace platform {

class Canvas;

enum TPixelFormat { pfDevice, pf1bit, pf8bit, pf24bit, pf32bit };

// Raised for a bitmap larger than the limits below (and by the picture
// readers for images that claim such a size).
class EOutOfResources : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest bitmap: each side at most 32767 pixels and at most 2^26
// pixels in all (256 MiB at 32 bits a pixel).
constexpr int kMaxBitmapSide = 32767;
constexpr int64_t kMaxBitmapPixels = int64_t{1} << 26;

// True when a bitmap of that size may be made.
bool BitmapSizeAllowed(int64_t width, int64_t height);

class Bitmap {
 public:
  Bitmap();
  Bitmap(int width, int height, TPixelFormat format = pfDevice);
  ~Bitmap();
  // Copies are deep: pixels, format and transparency settings.
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;

  void Assign(const Bitmap& other) { *this = other; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  TPixelFormat PixelFormat() const { return format_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  int BitsPerPixel() const;

  // New size; the old pixels stay at the top left, new ones are white
  // (opaque). Negative sizes count as 0. Throws EOutOfResources beyond
  // the limits.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  // Converts the pixels to another format (alpha 255 where the old format
  // had none; grey is (11 R + 16 G + 5 B) / 32; pf1bit is grey >= 128).
  void SetPixelFormat(TPixelFormat format);

  // Row y of the buffer; throws std::out_of_range outside 0..Height-1.
  uint8_t* ScanLine(int y);
  const uint8_t* ScanLine(int y) const;

  // The colour at (x, y) as a TColor (alpha dropped); CLR_INVALID outside.
  TColor GetPixel(int x, int y) const;
  // Sets (x, y) to an opaque colour; nothing outside.
  void SetPixel(int x, int y, TColor color);
  // Straight ARGB of (x, y) (alpha 255 in formats without alpha); 0 outside.
  QRgb GetArgb(int x, int y) const;
  void SetArgb(int x, int y, QRgb argb);

  // Fills the whole bitmap with one straight ARGB value.
  void Fill(QRgb argb);

  // The canvas that paints on this bitmap (made on first use).
  Canvas& GetCanvas();
  // True for that canvas: the bitmap ends its painting before the pixels
  // move, so it alone may keep painting between calls.
  bool IsOwnCanvas(const Canvas* canvas) const { return canvas && canvas == canvas_.get(); }

  // Drawn by Canvas::Draw with pixels of TransparentColor() left out.
  bool Transparent = false;
  // The key colour: the one set, or with none set (clDefault) the colour
  // of the bottom-left pixel.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color) { transparentColor_ = color; }

  // The image over this bitmap's pixels, for QPainter::begin only. Never
  // copy it: a copy would make the next paint move the pixels. The
  // bitmap's own canvas stops painting first (one painter at a time); it
  // cannot paint again until that QPainter has ended. Code that mixes both
  // can use GetCanvas().Painter() instead.
  QImage* PaintDevice();
  // A read-only image over the pixels (no copy of them); pf32bit as
  // Format_ARGB32. Valid while the bitmap is not resized.
  QImage ConstImage() const;
  // As ConstImage, but a pf32bit bitmap is read as Format_RGB32 (alpha
  // ignored), as a plain copy of it to a screen would show it.
  QImage OpaqueImage() const;
  // A deep copy as a QImage.
  QImage ToQImage() const { return ConstImage().copy(); }
  // A bitmap holding a copy of the image in the nearest pixel format:
  // formats with alpha give pf32bit (straight), grey pf8bit, 1-bit
  // black-and-white pf1bit, anything else pfDevice unless `format` asks.
  static Bitmap FromQImage(const QImage& image);
  static Bitmap FromQImage(const QImage& image, TPixelFormat format);

 private:
  void Allocate(int width, int height, TPixelFormat format);
  void ReleaseCanvas();

  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  TPixelFormat format_ = pfDevice;
  TColor transparentColor_ = clDefault;
  struct FreeBuffer {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t, FreeBuffer> buffer_;
  QImage image_;
  std::unique_ptr<Canvas> canvas_;  // declared last: ends painting first
};

// Row access in a common form, for code that handles every format alike:
// pixels x0..x0+count-1 of row y as straight ARGB (QRgb), and back.
// The caller keeps the range inside the bitmap.
void LoadArgbRow(const Bitmap& bitmap, int y, int x0, int count, QRgb* out);
void StoreArgbRow(Bitmap& bitmap, int y, int x0, int count, const QRgb* in);

// A rectangle of a bitmap in the screen's pixel format (pfDevice), for a
// picture that is copied to the screen far more often than it changes: a
// copy of a 24-bit picture onto the screen converts every pixel each time,
// a copy of this one does not. Of() converts again only when its owner's
// stamp (to be changed with every repaint of the source), the source's
// size or format, or the rectangle differ from the last call. The copy
// covers the rectangle clipped to the source's bounds (Covered()).
class DeviceCopy {
 public:
  const Bitmap& Of(const Bitmap& source, const TRect& rect, std::uint64_t stamp);
  // The part of the source the copy holds, in the source's coordinates.
  const TRect& Covered() const { return covered_; }
  void Clear();

 private:
  Bitmap copy_{0, 0, pfDevice};
  TRect covered_{};
  const Bitmap* source_ = nullptr;
  TPixelFormat format_ = pfDevice;
  int width_ = -1, height_ = -1;
  std::uint64_t stamp_ = 0;
};

// Grey level of a colour as the pixel formats use it.
inline int GreyOf(QRgb c) { return (qRed(c) * 11 + qGreen(c) * 16 + qBlue(c) * 5) / 32; }

}  // namespace platform
