#include "platform/Bitmap.h"

#include "platform/Canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace platform {

namespace {

QImage::Format QtFormat(TPixelFormat f) {
  switch (f) {
    case pf1bit: return QImage::Format_Mono;
    case pf8bit: return QImage::Format_Grayscale8;
    case pf24bit: return QImage::Format_BGR888;
    case pf32bit: return QImage::Format_ARGB32;
    case pfDevice: break;
  }
  return QImage::Format_RGB32;
}

int BitsOf(TPixelFormat f) {
  switch (f) {
    case pf1bit: return 1;
    case pf8bit: return 8;
    case pf24bit: return 24;
    default: return 32;
  }
}

// Throws EOutOfResources for a size beyond the limits.
void RequireAllowedSize(int width, int height) {
  if (!BitmapSizeAllowed(width, height))
    throw EOutOfResources("Bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels is too large");
}

const QList<QRgb>& MonoTable() {
  static const QList<QRgb> table{qRgb(0, 0, 0), qRgb(255, 255, 255)};
  return table;
}

}  // namespace

bool BitmapSizeAllowed(int64_t width, int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         width * height <= kMaxBitmapPixels;
}

void Bitmap::FreeBuffer::operator()(uint8_t* p) const { std::free(p); }

Bitmap::Bitmap() = default;

Bitmap::Bitmap(int width, int height, TPixelFormat format) { Allocate(width, height, format); }

Bitmap::~Bitmap() = default;

Bitmap::Bitmap(const Bitmap& other) { *this = other; }

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this == &other) return *this;
  Allocate(other.width_, other.height_, other.format_);
  if (buffer_) std::memcpy(buffer_.get(), other.buffer_.get(), size_t(stride_) * size_t(height_));
  Transparent = other.Transparent;
  transparentColor_ = other.transparentColor_;
  return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept { *this = std::move(other); }

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this == &other) return *this;
  ReleaseCanvas();
  other.ReleaseCanvas();
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  stride_ = std::exchange(other.stride_, 0);
  format_ = other.format_;
  Transparent = other.Transparent;
  transparentColor_ = other.transparentColor_;
  buffer_ = std::move(other.buffer_);
  image_ = std::move(other.image_);
  other.image_ = QImage();
  return *this;
}

int Bitmap::BitsPerPixel() const { return BitsOf(format_); }

void Bitmap::ReleaseCanvas() {
  if (canvas_) canvas_->ReleaseTarget();
}

void Bitmap::Allocate(int width, int height, TPixelFormat format) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  RequireAllowedSize(width, height);
  ReleaseCanvas();
  image_ = QImage();
  buffer_.reset();
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = int((int64_t{width} * BitsOf(format) + 31) / 32 * 4);
  if (width == 0 || height == 0) return;
  size_t bytes = size_t(stride_) * size_t(height);
  void* p = std::aligned_alloc(64, (bytes + 63) / 64 * 64);
  if (!p) throw EOutOfResources("Out of memory for a bitmap");
  std::memset(p, 0, bytes);  // zeroed, as a new DIB section is
  buffer_.reset(static_cast<uint8_t*>(p));
  image_ = QImage(buffer_.get(), width, height, stride_, QtFormat(format));
  if (format == pf1bit) image_.setColorTable(MonoTable());
}

void Bitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  RequireAllowedSize(width, height);  // before the pixels move out
  Bitmap old(std::move(*this));
  Allocate(width, height, old.format_);
  Transparent = old.Transparent;
  transparentColor_ = old.transparentColor_;
  Fill(qRgb(255, 255, 255));
  int w = std::min(width, old.width_), h = std::min(height, old.height_);
  std::vector<QRgb> row(size_t(std::max(w, 0)));
  for (int y = 0; y < h && w > 0; ++y) {
    LoadArgbRow(old, y, 0, w, row.data());
    StoreArgbRow(*this, y, 0, w, row.data());
  }
}

void Bitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  Bitmap old(std::move(*this));
  Allocate(old.width_, old.height_, format);
  Transparent = old.Transparent;
  transparentColor_ = old.transparentColor_;
  std::vector<QRgb> row(static_cast<size_t>(width_));
  for (int y = 0; y < height_; ++y) {
    LoadArgbRow(old, y, 0, width_, row.data());
    StoreArgbRow(*this, y, 0, width_, row.data());
  }
}

uint8_t* Bitmap::ScanLine(int y) {
  if (y < 0 || y >= height_) throw std::out_of_range("Scan line index out of range");
  return buffer_.get() + ptrdiff_t(y) * stride_;
}

const uint8_t* Bitmap::ScanLine(int y) const {
  if (y < 0 || y >= height_) throw std::out_of_range("Scan line index out of range");
  return buffer_.get() + ptrdiff_t(y) * stride_;
}

QRgb Bitmap::GetArgb(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  QRgb c;
  LoadArgbRow(*this, y, x, 1, &c);
  return c;
}

void Bitmap::SetArgb(int x, int y, QRgb argb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  StoreArgbRow(*this, y, x, 1, &argb);
}

TColor Bitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return FromQRgb(GetArgb(x, y));
}

void Bitmap::SetPixel(int x, int y, TColor color) { SetArgb(x, y, ToQRgb(color)); }

void Bitmap::Fill(QRgb argb) {
  if (Empty()) return;
  std::vector<QRgb> row(size_t(width_), argb);
  StoreArgbRow(*this, 0, 0, width_, row.data());
  for (int y = 1; y < height_; ++y) std::memcpy(ScanLine(y), ScanLine(0), size_t(stride_));
}

QImage* Bitmap::PaintDevice() {
  if (canvas_) canvas_->EndPainting();
  return &image_;
}

Canvas& Bitmap::GetCanvas() {
  if (!canvas_) canvas_ = std::make_unique<Canvas>(*this);
  return *canvas_;
}

TColor Bitmap::TransparentColor() const {
  if (transparentColor_ != clDefault) return transparentColor_;
  return Empty() ? clBlack : GetPixel(0, height_ - 1);
}

QImage Bitmap::ConstImage() const {
  if (Empty()) return QImage();
  QImage view(static_cast<const uchar*>(buffer_.get()), width_, height_, stride_, QtFormat(format_));
  if (format_ == pf1bit) view.setColorTable(MonoTable());
  return view;
}

QImage Bitmap::OpaqueImage() const {
  if (format_ != pf32bit || Empty()) return ConstImage();
  return QImage(static_cast<const uchar*>(buffer_.get()), width_, height_, stride_,
                QImage::Format_RGB32);
}

Bitmap Bitmap::FromQImage(const QImage& image) {
  TPixelFormat f = pfDevice;
  if (image.hasAlphaChannel())
    f = pf32bit;
  else if (image.format() == QImage::Format_Grayscale8)
    f = pf8bit;
  else if (image.format() == QImage::Format_BGR888 || image.format() == QImage::Format_RGB888)
    f = pf24bit;
  else if (image.depth() == 1 && image.colorCount() == 2 &&
           ((image.color(0) & 0xFFFFFF) == 0 && (image.color(1) & 0xFFFFFF) == 0xFFFFFF))
    f = pf1bit;
  return FromQImage(image, f);
}

Bitmap Bitmap::FromQImage(const QImage& image, TPixelFormat format) {
  Bitmap b(image.width(), image.height(), format);
  QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < b.height_; ++y)
    StoreArgbRow(b, y, 0, b.width_, reinterpret_cast<const QRgb*>(argb.constScanLine(y)));
  return b;
}

void LoadArgbRow(const Bitmap& bitmap, int y, int x0, int count, QRgb* out) {
  const uint8_t* row = bitmap.ScanLine(y);
  switch (bitmap.PixelFormat()) {
    case pf32bit:
      std::memcpy(out, row + size_t(x0) * 4, size_t(count) * 4);
      break;
    case pfDevice: {
      const QRgb* p = reinterpret_cast<const QRgb*>(row) + x0;
      for (int i = 0; i < count; ++i) out[i] = p[i] | 0xFF000000u;
      break;
    }
    case pf24bit: {
      const uint8_t* p = row + size_t(x0) * 3;
      for (int i = 0; i < count; ++i, p += 3) out[i] = qRgb(p[2], p[1], p[0]);
      break;
    }
    case pf8bit:
      for (int i = 0; i < count; ++i) {
        int g = row[x0 + i];
        out[i] = qRgb(g, g, g);
      }
      break;
    case pf1bit:
      for (int i = 0; i < count; ++i) {
        int x = x0 + i;
        out[i] = (row[x >> 3] >> (7 - (x & 7))) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
      }
      break;
  }
}

void StoreArgbRow(Bitmap& bitmap, int y, int x0, int count, const QRgb* in) {
  uint8_t* row = bitmap.ScanLine(y);
  switch (bitmap.PixelFormat()) {
    case pf32bit:
      std::memcpy(row + size_t(x0) * 4, in, size_t(count) * 4);
      break;
    case pfDevice: {
      QRgb* p = reinterpret_cast<QRgb*>(row) + x0;
      for (int i = 0; i < count; ++i) p[i] = in[i] | 0xFF000000u;
      break;
    }
    case pf24bit: {
      uint8_t* p = row + size_t(x0) * 3;
      // A QRgb lies in memory as blue, green, red, alpha: four bytes a
      // pixel, the fourth overwritten by the next pixel; the last pixel
      // writes its three.
      int i = 0;
      if constexpr (std::endian::native == std::endian::little)
        for (; i + 1 < count; ++i, p += 3) std::memcpy(p, &in[i], 4);
      for (; i < count; ++i, p += 3) {
        p[0] = uint8_t(qBlue(in[i]));
        p[1] = uint8_t(qGreen(in[i]));
        p[2] = uint8_t(qRed(in[i]));
      }
      break;
    }
    case pf8bit:
      for (int i = 0; i < count; ++i) row[x0 + i] = uint8_t(GreyOf(in[i]));
      break;
    case pf1bit:
      for (int i = 0; i < count; ++i) {
        int x = x0 + i;
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        if (GreyOf(in[i]) >= 128)
          row[x >> 3] |= bit;
        else
          row[x >> 3] &= uint8_t(~bit);
      }
      break;
  }
}

const Bitmap& DeviceCopy::Of(const Bitmap& source, const TRect& rect, std::uint64_t stamp) {
  const TRect covered{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, source.Width()),
                      std::min(rect.Bottom, source.Height())};
  if (&source == source_ && stamp == stamp_ && source.Width() == width_ && source.Height() == height_ &&
      source.PixelFormat() == format_ && covered == covered_)
    return copy_;
  source_ = &source;
  stamp_ = stamp;
  width_ = source.Width();
  height_ = source.Height();
  format_ = source.PixelFormat();
  covered_ = covered;
  int w = covered.Right - covered.Left, h = covered.Bottom - covered.Top;
  if (w <= 0 || h <= 0) w = h = 0;
  if (copy_.Width() != w || copy_.Height() != h) copy_ = Bitmap(w, h, pfDevice);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(copy_.ScanLine(y));
    LoadArgbRow(source, covered.Top + y, covered.Left, w, row);
    for (int x = 0; x < w; ++x) row[x] |= 0xFF000000u;  // alpha read as opaque, as on the screen
  }
  return copy_;
}

void DeviceCopy::Clear() { *this = DeviceCopy(); }

}  // namespace platform
