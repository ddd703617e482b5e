#include "platform/Icons.h"

#include "platform/Canvas.h"
#include "platform/Colors.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

namespace platform {

namespace {

bool AnyAlpha(const Bitmap& b) {
  if (b.PixelFormat() != pf32bit) return false;
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x)
      if (row[4 * x + 3]) return true;
  }
  return false;
}

bool MaskSet(const Bitmap& mask, int x, int y) { return (mask.GetArgb(x, y) & 0xFFFFFF) != 0; }

// The pixel of the icon pixel (sx, sy) over target pixel `d` (straight ARGB;
// the target keeps its alpha).
QRgb Compose(const Icon& icon, int sx, int sy, QRgb d, unsigned flags) {
  const QRgb s = icon.Color().GetArgb(sx, sy);
  const int keep = qAlpha(d);
  if (icon.HasAlpha() && (flags & DI_IMAGE)) {
    const int a = qAlpha(s);
    auto mix = [a](int sc, int dc) { return (sc * a + dc * (255 - a) + 127) / 255; };
    return qRgba(mix(qRed(s), qRed(d)), mix(qGreen(s), qGreen(d)), mix(qBlue(s), qBlue(d)), keep);
  }
  QRgb rgb = d & 0xFFFFFF;
  if ((flags & DI_MASK) && !MaskSet(icon.Mask(), sx, sy)) rgb = 0;
  if (flags & DI_IMAGE) rgb = (flags & DI_MASK) ? rgb ^ (s & 0xFFFFFF) : s & 0xFFFFFF;
  return (QRgb(keep) << 24) | rgb;
}

Bitmap Scaled(const Bitmap& b, int w, int h) {
  Bitmap out(w, h, b.PixelFormat());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.SetArgb(x, y, b.GetArgb(x * b.Width() / w, y * b.Height() / h));
  return out;
}

}  // namespace

Icon::Icon(Bitmap color, Bitmap mask) : color_(std::move(color)), mask_(std::move(mask)) {
  if (mask_.Empty()) {
    mask_ = Bitmap(color_.Width(), color_.Height(), pf1bit);
    mask_.Fill(qRgb(0, 0, 0));
  }
  hasAlpha_ = AnyAlpha(color_);
}

std::unique_ptr<Icon> Icon::FromQIcon(const QIcon& source, int size) {
  const QPixmap pixmap = source.isNull() ? QPixmap() : source.pixmap(QSize(size, size));
  if (pixmap.isNull()) return nullptr;
  const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  Bitmap color = Bitmap::FromQImage(image, pf32bit);
  Bitmap mask(image.width(), image.height(), pf1bit);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      mask.SetArgb(x, y, qAlpha(image.pixel(x, y)) < 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  auto icon = std::make_unique<Icon>(std::move(color), std::move(mask));
  icon->source_ = source;
  return icon;
}

QImage Icon::ToImage() const {
  QImage image(Width(), Height(), QImage::Format_ARGB32);
  for (int y = 0; y < Height(); ++y)
    for (int x = 0; x < Width(); ++x) {
      const QRgb c = color_.GetArgb(x, y);
      image.setPixel(x, y, hasAlpha_ ? c : MaskSet(mask_, x, y) ? 0u : (c | 0xFF000000u));
    }
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

HICON CreateIconIndirect(const ICONINFO& info) {
  if (!info.hbmColor || info.hbmColor->Empty()) return nullptr;
  const Bitmap* mask = info.hbmMask;
  if (mask && (mask->Width() != info.hbmColor->Width() || mask->Height() != info.hbmColor->Height())) return nullptr;
  Bitmap maskCopy;
  if (mask) {
    maskCopy = *mask;
    maskCopy.SetPixelFormat(pf1bit);
  }
  return new Icon(*info.hbmColor, std::move(maskCopy));
}

bool DestroyIcon(HICON icon) {
  delete icon;
  return icon != nullptr;
}

bool DrawIconEx(Canvas& canvas, int x, int y, const Icon* icon, int cx, int cy, unsigned, const void*,
                unsigned flags) {
  if (!icon || !icon->Width() || !icon->Height()) return false;
  if (!cx) cx = flags & DI_DEFAULTSIZE ? GetSystemMetrics(SM_CXICON) : icon->Width();
  if (!cy) cy = flags & DI_DEFAULTSIZE ? GetSystemMetrics(SM_CYICON) : icon->Height();
  Bitmap* target = canvas.TargetBitmap();
  if (!target) {
    if (QPainter* p = canvas.Painter()) p->drawImage(QRect(x, y, cx, cy), icon->ToImage());
    return true;
  }
  canvas.EndPainting();
  const TPoint vp = canvas.GetViewportOrg(), wo = canvas.GetWindowOrg();
  const std::optional<QRegion> clip = canvas.ClipRegion();
  for (int j = 0; j < cy; ++j) {
    const int dy = y + j + vp.Y - wo.Y;
    if (dy < 0 || dy >= target->Height()) continue;
    for (int i = 0; i < cx; ++i) {
      const int dx = x + i + vp.X - wo.X;
      if (dx < 0 || dx >= target->Width() || (clip && !clip->contains(QPoint(dx, dy)))) continue;
      target->SetArgb(dx, dy, Compose(*icon, i * icon->Width() / cx, j * icon->Height() / cy,
                                      target->GetArgb(dx, dy), flags));
    }
  }
  return true;
}

HICON CopyImage(HICON icon, unsigned type, int cx, int cy, unsigned flags) {
  if (!icon || type != IMAGE_ICON) return nullptr;
  if (!cx) cx = flags & LR_DEFAULTSIZE ? GetSystemMetrics(SM_CXICON) : icon->Width();
  if (!cy) cy = flags & LR_DEFAULTSIZE ? GetSystemMetrics(SM_CYICON) : icon->Height();
  std::unique_ptr<Icon> copy;
  if ((flags & LR_COPYFROMRESOURCE) && !icon->Source().isNull()) copy = Icon::FromQIcon(icon->Source(), cx);
  if (!copy) copy = std::make_unique<Icon>(Scaled(icon->Color(), cx, cy), Scaled(icon->Mask(), cx, cy));
  if (flags & LR_COPYDELETEORG) delete icon;
  return copy.release();
}

HICON FileIcon(const QString& path, bool small) {
  const QFileInfo file(path);
  if (!file.exists()) return nullptr;
  const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  return Icon::FromQIcon(QFileIconProvider().icon(file), size).release();
}

}  // namespace platform
