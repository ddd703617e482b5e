// Picture files: a registry of readers by file extension, as the old
// framework's picture class kept one, and the readers themselves.
//
// Registered from the start: "bmp" (Bitmaps) and "ico" (Icons) through Qt's
// readers, "jpg" and "jpeg" (JPEG Image File) through libjpeg-turbo. The
// PNG reader (libpng) is available as PngFormat() but is registered only by
// whoever registers it (RegisterFileFormat(PngFormat())); until then PNG
// files do not load, as in the old program.
//
// A format may say how its pictures draw (PictureFormat::Draw), as the old
// framework's picture classes each had their own Draw: the PNG picture
// class draws with its alpha channel.
//
// A file is read by the format of its extension; when its first bytes do
// not match that format, or the extension is not registered, the first
// registered format whose magic bytes match reads it. Every reader refuses
// an image larger than the Bitmap limits before allocating it, and reports
// a damaged or truncated file as an error, never with a crash. A BMP file
// whose pixel data is shorter than its header says is refused; pixels a
// run-length BMP leaves out are 0 (the first colour of its palette).
#pragma once

#include "platform/Bitmap.h"

#include <QString>

#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Canvas;

struct PictureFormat {
  QString Extension;  // lower case, without the dot
  QString Description;
  // Reads `bytes` into `out`; false with a message in `error`.
  std::function<bool(std::string_view bytes, Bitmap& out, std::string& error)> Load;
  // True when `bytes` begin as files of this format do.
  std::function<bool(std::string_view bytes)> Sniff;
  // Draws a picture this format read onto `rect` of the canvas; none: a
  // plain stretched copy (Canvas::StretchDraw).
  std::function<void(Canvas& canvas, const TRect& rect, const Bitmap& picture)> Draw = {};
  // The size the file's header claims, read without decoding the pixels;
  // false when it cannot be told. None: the format cannot tell.
  std::function<bool(std::string_view bytes, int64_t& width, int64_t& height)> Size = {};
};

// Adds a format, replacing one of the same extension.
void RegisterFileFormat(const PictureFormat& format);
// Removes the format of that extension (no error when there is none).
void UnregisterFileFormat(const QString& extension);
bool IsFileFormatRegistered(const QString& extension);
std::vector<PictureFormat> RegisteredFileFormats();

// The formats this layer knows: PNG into pf32bit with straight alpha, JPEG
// into pf24bit, BMP in the file's own depth (1, 24 or 32 bits; other
// depths as pfDevice), ICO into pf32bit.
const PictureFormat& PngFormat();
const PictureFormat& JpegFormat(const QString& extension = QStringLiteral("jpg"));
const PictureFormat& BmpFormat();
const PictureFormat& IcoFormat();

bool DecodePng(std::string_view bytes, Bitmap& out, std::string& error);
// PNG bytes of a bitmap: pf32bit with its alpha, pf24bit as RGB, other
// formats as pf32bit.
bool EncodePng(const Bitmap& bitmap, std::string& bytes, std::string& error);
// A progressive file is read to at most kJpegScanPixels / (width x height)
// scans (at least 32, at most 1000): a file of more scans is refused, as
// each scan costs a pass over the whole image.
inline constexpr int64_t kJpegScanPixels = int64_t{100} << 24;
bool DecodeJpeg(std::string_view bytes, Bitmap& out, std::string& error);

// A picture as the old TPicture: loads through the registry.
class Picture {
 public:
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);
  // `extension` picks the reader first, as a file's name would.
  bool LoadFromBytes(std::string_view bytes, const QString& extension, std::string* error = nullptr);
  bool LoadFromStream(std::istream& in, const QString& extension, std::string* error = nullptr);
  // The size the picture in `bytes` claims, as the reader LoadFromBytes
  // would choose tells it from the header; false when it cannot be told.
  static bool SizeOf(std::string_view bytes, const QString& extension, int64_t& width, int64_t& height);

  Bitmap& Graphic() { return bitmap_; }
  const Bitmap& Graphic() const { return bitmap_; }
  // The extension of the format that read the picture ("" when none).
  const QString& FormatExtension() const { return format_; }
  bool Empty() const { return bitmap_.Empty(); }
  // Draws the picture onto `rect` as the format that read it draws (the
  // way in force when it was read).
  void Draw(Canvas& canvas, const TRect& rect) const;
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }

 private:
  Bitmap bitmap_;
  QString format_;
  std::function<void(Canvas&, const TRect&, const Bitmap&)> draw_;
};

}  // namespace platform
