#include "platform/Picture.h"

#include "platform/Canvas.h"
#include "platform/FileUtil.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <png.h>
// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <mutex>

namespace platform {

namespace {

bool StartsWith(std::string_view bytes, std::string_view magic) {
  return bytes.size() >= magic.size() && bytes.compare(0, magic.size(), magic) == 0;
}

std::string TooLarge(int64_t w, int64_t h) {
  return "Image of " + std::to_string(w) + " x " + std::to_string(h) + " pixels is too large";
}

uint32_t Le(std::string_view bytes, size_t at, int count) {
  uint32_t v = 0;
  for (int i = count - 1; i >= 0; --i) v = v << 8 | uint8_t(bytes[at + size_t(i)]);
  return v;
}

// What a BMP file's headers promise of its pixel data, checked against
// the bytes there are: an error text, or "" when the pixels are all there
// (or, compressed, when the file does not say how many bytes they take).
// `compressed` tells a run-length file, whose runs may leave pixels out.
std::string BmpPixelDataError(std::string_view bytes, bool& compressed) {
  compressed = false;
  if (bytes.size() < 26) return {};  // Qt refuses what has no header
  const uint32_t offset = Le(bytes, 10, 4), header = Le(bytes, 14, 4);
  int64_t width = 0, height = 0, bits = 0, compression = 0, imageSize = 0;
  if (header == 12) {
    width = Le(bytes, 18, 2), height = Le(bytes, 20, 2), bits = Le(bytes, 24, 2);
  } else if (header >= 40 && bytes.size() >= 38) {
    width = int32_t(Le(bytes, 18, 4)), height = int32_t(Le(bytes, 22, 4)), bits = Le(bytes, 28, 2);
    compression = Le(bytes, 30, 4), imageSize = Le(bytes, 34, 4);
  } else {
    return {};
  }
  const std::string cut = "Damaged BMP image: the pixel data is shorter than the header says";
  if (offset > bytes.size()) return cut;
  const int64_t there = int64_t(bytes.size()) - offset;
  if (compression == 1 || compression == 2) {  // run-length coded
    compressed = true;
    return imageSize > there ? cut : std::string();
  }
  if (compression != 0 && compression != 3 && compression != 6) return {};  // Qt reads no other kind
  if (width <= 0 || height == 0 || bits <= 0 || !BitmapSizeAllowed(width, height < 0 ? -height : height)) return {};
  const int64_t row = (width * bits + 31) / 32 * 4;
  return row * (height < 0 ? -height : height) > there ? cut : std::string();
}

// Reading through one of Qt's readers. With `prefill` the image is read
// into one of the file's size and format filled with 0, which Qt reuses:
// pixels the file leaves out (a run-length file's gaps and cut end) are 0,
// never whatever the memory held; `mustPrefill` refuses a file whose
// image Qt made anew.
bool LoadWithQt(std::string_view bytes, const char* format, Bitmap& out, std::string& error,
                const std::function<Bitmap(const QImage&)>& convert, bool prefill = false,
                bool mustPrefill = false) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  QSize size = reader.size();
  if (size.isValid() && !BitmapSizeAllowed(size.width(), size.height())) {
    error = TooLarge(size.width(), size.height());
    return false;
  }
  QImage image;
  if (prefill && size.isValid() && reader.imageFormat() != QImage::Format_Invalid) {
    image = QImage(size, reader.imageFormat());
    image.fill(0);
  }
  const uchar* filled = image.isNull() ? nullptr : image.constBits();
  if (!reader.read(&image) || image.isNull()) {
    error = "Not a valid " + std::string(format) + " image: " + reader.errorString().toStdString();
    return false;
  }
  if (mustPrefill && (!filled || image.constBits() != filled)) {
    error = "Not a readable " + std::string(format) + " image: its pixels would not all be known";
    return false;
  }
  try {
    out = convert(image);
  } catch (const EOutOfResources& e) {
    error = e.what();
    return false;
  }
  return true;
}

// The size a file claims, by one of Qt's readers.
bool SizeWithQt(std::string_view bytes, const char* format, int64_t& width, int64_t& height) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  const QSize size = QImageReader(&buffer, format).size();
  if (!size.isValid()) return false;
  width = size.width(), height = size.height();
  return true;
}

struct Registry {
  std::mutex mutex;
  std::map<QString, PictureFormat> formats;
  Registry() {
    for (const PictureFormat* f : {&BmpFormat(), &IcoFormat(), &JpegFormat(QStringLiteral("jpg")),
                                   &JpegFormat(QStringLiteral("jpeg"))})
      formats[f->Extension] = *f;
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

QString ExtensionOf(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return QString::fromStdString(ext).toLower();
}

// libjpeg reports fatal errors through a long jump back to the reader.
struct JpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool truncated;
};

void JpegFail(j_common_ptr info) {
  auto* e = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, e->message);
  std::longjmp(e->jump, 1);
}

void JpegMessage(j_common_ptr info, int level) {
  // Warnings (level -1) are kept quiet; a file that ends too early is one.
  auto* e = reinterpret_cast<JpegErrors*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) e->truncated = true;
}

// Stops a progressive file after its allowed number of scans.
struct JpegScanLimit {
  jpeg_progress_mgr pub;
  JpegErrors* errors;
  int maxScans;
};

void JpegProgress(j_common_ptr info) {
  auto* limit = reinterpret_cast<JpegScanLimit*>(info->progress);
  const int scan = reinterpret_cast<j_decompress_ptr>(info)->input_scan_number;
  if (scan <= limit->maxScans) return;
  std::snprintf(limit->errors->message, sizeof limit->errors->message, "more than %d scans", limit->maxScans);
  std::longjmp(limit->errors->jump, 1);
}

bool JpegSize(std::string_view bytes, int64_t& width, int64_t& height) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JpegFail;
  errors.pub.emit_message = JpegMessage;
  jpeg_create_decompress(&info);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  width = info.image_width, height = info.image_height;
  jpeg_destroy_decompress(&info);
  return true;
}

bool PngSize(std::string_view bytes, int64_t& width, int64_t& height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
  width = image.width, height = image.height;
  png_image_free(&image);
  return true;
}

// The reader of `bytes`: the format of the extension, unless the bytes
// do not begin as its files do and another format's magic matches them.
const PictureFormat* ChooseReader(const std::vector<PictureFormat>& formats, std::string_view bytes,
                                  const QString& extension) {
  const QString ext = extension.toLower();
  const PictureFormat* byName = nullptr;
  const PictureFormat* byMagic = nullptr;
  for (const PictureFormat& f : formats) {
    if (f.Extension == ext) byName = &f;
    if (!byMagic && f.Sniff && f.Sniff(bytes)) byMagic = &f;
  }
  const PictureFormat* reader = byName;
  if (!reader || (reader->Sniff && !reader->Sniff(bytes) && byMagic)) reader = byMagic;
  return reader;
}

}  // namespace

void RegisterFileFormat(const PictureFormat& format) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.formats[format.Extension.toLower()] = format;
}

void UnregisterFileFormat(const QString& extension) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.formats.erase(extension.toLower());
}

bool IsFileFormatRegistered(const QString& extension) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.formats.count(extension.toLower()) > 0;
}

std::vector<PictureFormat> RegisteredFileFormats() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  std::vector<PictureFormat> list;
  for (const auto& [ext, f] : r.formats) list.push_back(f);
  return list;
}

const PictureFormat& PngFormat() {
  static const PictureFormat f{QStringLiteral("png"), QStringLiteral("Portable network graphics"),
                               DecodePng,
                               [](std::string_view b) { return StartsWith(b, "\x89PNG\r\n\x1a\n"); }, {}, PngSize};
  return f;
}

const PictureFormat& JpegFormat(const QString& extension) {
  static const auto sniff = [](std::string_view b) { return StartsWith(b, "\xFF\xD8\xFF"); };
  static const PictureFormat jpg{QStringLiteral("jpg"), QStringLiteral("JPEG Image File"),
                                 DecodeJpeg, sniff, {}, JpegSize};
  static const PictureFormat jpeg{QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"),
                                  DecodeJpeg, sniff, {}, JpegSize};
  return extension.toLower() == QStringLiteral("jpeg") ? jpeg : jpg;
}

const PictureFormat& BmpFormat() {
  static const PictureFormat f{
      QStringLiteral("bmp"), QStringLiteral("Bitmaps"),
      [](std::string_view bytes, Bitmap& out, std::string& error) {
        // The file's depth decides the pixel format (bytes 28-29 of the
        // headers).
        int depth = bytes.size() >= 30 ? uint8_t(bytes[28]) | (uint8_t(bytes[29]) << 8) : 0;
        bool compressed = false;
        error = BmpPixelDataError(bytes, compressed);
        if (!error.empty()) return false;
        return LoadWithQt(
            bytes, "bmp", out, error,
            [depth](const QImage& image) {
              if (depth == 24) return Bitmap::FromQImage(image, pf24bit);
              if (depth == 32) return Bitmap::FromQImage(image, pf32bit);
              return Bitmap::FromQImage(image);
            },
            true, compressed);
      },
      [](std::string_view b) { return b.size() >= 26 && StartsWith(b, "BM"); }, {},
      [](std::string_view b, int64_t& w, int64_t& h) { return SizeWithQt(b, "bmp", w, h); }};
  return f;
}

const PictureFormat& IcoFormat() {
  static const PictureFormat f{
      QStringLiteral("ico"), QStringLiteral("Icons"),
      [](std::string_view bytes, Bitmap& out, std::string& error) {
        return LoadWithQt(bytes, "ico", out, error,
                          [](const QImage& image) { return Bitmap::FromQImage(image, pf32bit); });
      },
      [](std::string_view b) {
        return b.size() >= 6 && StartsWith(b, std::string_view("\0\0\1\0", 4)) &&
               (b[4] != 0 || b[5] != 0);
      },
      {}, [](std::string_view b, int64_t& w, int64_t& h) { return SizeWithQt(b, "ico", w, h); }};
  return f;
}

bool DecodePng(std::string_view bytes, Bitmap& out, std::string& error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    error = std::string("Not a valid PNG image: ") + image.message;
    return false;
  }
  if (!BitmapSizeAllowed(image.width, image.height)) {
    error = TooLarge(image.width, image.height);
    png_image_free(&image);
    return false;
  }
  // Blue, green, red, alpha bytes; 8-bit formats of the simplified API keep
  // alpha straight. A 16-bit file without gamma information holds sRGB
  // values, as 8-bit ones do, not linear light.
  image.format = PNG_FORMAT_BGRA;
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  Bitmap bitmap(int(image.width), int(image.height), pf32bit);
  if (!png_image_finish_read(&image, nullptr, bitmap.ScanLine(0), bitmap.Stride(), nullptr)) {
    error = std::string("Damaged PNG image: ") + image.message;
    png_image_free(&image);
    return false;
  }
  out = std::move(bitmap);
  return true;
}

bool EncodePng(const Bitmap& bitmap, std::string& bytes, std::string& error) {
  if (bitmap.Empty()) {
    error = "An empty bitmap has no PNG form";
    return false;
  }
  const Bitmap* source = &bitmap;
  Bitmap converted;
  if (bitmap.PixelFormat() != pf32bit && bitmap.PixelFormat() != pf24bit) {
    converted = bitmap;
    converted.SetPixelFormat(pf32bit);
    source = &converted;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(source->Width());
  image.height = png_uint_32(source->Height());
  image.format = source->PixelFormat() == pf32bit ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, source->ScanLine(0), source->Stride(),
                                       nullptr)) {
    error = std::string("PNG writing failed: ") + image.message;
    return false;
  }
  bytes.resize(size);
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, source->ScanLine(0),
                                 source->Stride(), nullptr)) {
    error = std::string("PNG writing failed: ") + image.message;
    return false;
  }
  bytes.resize(size);
  return true;
}

bool DecodeJpeg(std::string_view bytes, Bitmap& out, std::string& error) {
  // Everything with a destructor is made before the jump point, so that a
  // long jump back skips no destructor.
  jpeg_decompress_struct info;
  JpegErrors errors;
  JpegScanLimit scans{};
  Bitmap bitmap;
  std::vector<uint8_t> cmyk;
  info.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JpegFail;
  errors.pub.emit_message = JpegMessage;
  errors.truncated = false;
  jpeg_create_decompress(&info);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    error = std::string("Not a valid JPEG image: ") + errors.message;
    return false;
  }
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (!BitmapSizeAllowed(info.image_width, info.image_height)) {
    error = TooLarge(info.image_width, info.image_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  scans.errors = &errors;
  scans.maxScans = int(std::clamp<int64_t>(kJpegScanPixels / std::max<int64_t>(1, int64_t(info.image_width) * info.image_height), 32, 1000));
  scans.pub.progress_monitor = JpegProgress;
  info.progress = &scans.pub;
  const bool isCmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = isCmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(int(info.output_width), int(info.output_height));
  cmyk.resize(isCmyk ? size_t(info.output_width) * 4 : 0);
  while (info.output_scanline < info.output_height) {
    uint8_t* row = bitmap.ScanLine(int(info.output_scanline));
    JSAMPROW target = isCmyk ? cmyk.data() : row;
    jpeg_read_scanlines(&info, &target, 1);
    if (isCmyk) {
      // Adobe files store the inks inverted.
      const bool inverted = info.saw_Adobe_marker;
      for (size_t x = 0; x < info.output_width; ++x) {
        int c = cmyk[x * 4], m = cmyk[x * 4 + 1], y = cmyk[x * 4 + 2], k = cmyk[x * 4 + 3];
        if (!inverted) { c = 255 - c; m = 255 - m; y = 255 - y; k = 255 - k; }
        row[x * 3] = uint8_t(y * k / 255);
        row[x * 3 + 1] = uint8_t(m * k / 255);
        row[x * 3 + 2] = uint8_t(c * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  if (errors.truncated) {
    error = "Damaged JPEG image: the file ends too early";
    return false;
  }
  out = std::move(bitmap);
  return true;
}

bool Picture::LoadFromBytes(std::string_view bytes, const QString& extension, std::string* error) {
  const std::vector<PictureFormat> formats = RegisteredFileFormats();
  const PictureFormat* reader = ChooseReader(formats, bytes, extension);
  std::string message;
  if (!reader) {
    message = "Unknown picture file extension (." + extension.toLower().toStdString() + ")";
  } else {
    // A reader reports its failures; memory that runs out is one more.
    try {
      Bitmap bitmap;
      if (reader->Load(bytes, bitmap, message)) {
        bitmap_ = std::move(bitmap);
        format_ = reader->Extension;
        draw_ = reader->Draw;
        return true;
      }
    } catch (const EOutOfResources& e) {
      message = e.what();
    } catch (const std::bad_alloc&) {
      message = "Not enough memory to read the picture";
    }
  }
  if (error) *error = message;
  return false;
}

bool Picture::SizeOf(std::string_view bytes, const QString& extension, int64_t& width, int64_t& height) {
  const std::vector<PictureFormat> formats = RegisteredFileFormats();
  const PictureFormat* reader = ChooseReader(formats, bytes, extension);
  return reader && reader->Size && reader->Size(bytes, width, height);
}

void Picture::Draw(Canvas& canvas, const TRect& rect) const {
  if (bitmap_.Empty()) return;
  if (draw_)
    draw_(canvas, rect, bitmap_);
  else
    canvas.StretchDraw(rect, bitmap_);
}

bool Picture::LoadFromFile(const std::string& path, std::string* error) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) {
    if (error) *error = "Cannot read the file " + path;
    return false;
  }
  return LoadFromBytes(*bytes, ExtensionOf(path), error);
}

bool Picture::LoadFromStream(std::istream& in, const QString& extension, std::string* error) {
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return LoadFromBytes(bytes, extension, error);
}

}  // namespace platform
