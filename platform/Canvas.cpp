#include "platform/Canvas.h"

#include "platform/Blit.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

QString& DefaultFontNameRef() {
  static QString name = QStringLiteral("DejaVu Sans");
  return name;
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

Qt::BrushStyle QtBrushStyle(TBrushStyle s) {
  switch (s) {
    case bsSolid: return Qt::SolidPattern;
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::BDiagPattern;  // "\" in GDI terms is Qt's forward one
    case bsBDiagonal: return Qt::FDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
  }
  return Qt::SolidPattern;
}

// The pixel just before `b` on the line from `a`: the end a line drawn
// with both ends must have so that `b` itself is left out.
TPoint BeforeEnd(TPoint a, TPoint b, int& steps) {
  int dx = b.X - a.X, dy = b.Y - a.Y;
  steps = std::max(std::abs(dx), std::abs(dy));
  if (steps <= 1) return a;
  double f = double(steps - 1) / steps;
  return {a.X + int(std::lround(dx * f)), a.Y + int(std::lround(dy * f))};
}

// Lines longer than this are left to Qt's own clipping and pixels.
constexpr int64_t kLongestExactLine = int64_t{1} << 16;

// Adds the pixels GDI lights for a 1-pixel line from a to b, b left out,
// as runs of 1-pixel-thick rectangles: one pixel a step along the longer
// axis and, across it, the pixel nearest to the line; a tie goes the way
// GDI's octant rule sends it (towards the start in octants 1, 2, 4 and 7,
// away from it in the others). False, adding nothing, for a line longer
// than kLongestExactLine.
bool AddLineRuns(TPoint a, TPoint b, std::vector<TRect>& out) {
  const int64_t dx = int64_t(b.X) - a.X, dy = int64_t(b.Y) - a.Y;
  const int64_t adx = std::abs(dx), ady = std::abs(dy);
  if (std::max(adx, ady) > kLongestExactLine) return false;
  const int octant = dy > 0 ? (dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3))
                            : (dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7));
  const bool xMajor = octant == 1 || octant == 4 || octant == 5 || octant == 8;
  const int64_t bias = octant == 3 || octant == 5 || octant == 6 || octant == 8 ? 1 : 0;
  const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  const int64_t stepX = dx < 0 ? -1 : 1, stepY = dy < 0 ? -1 : 1;
  auto across = [&](int64_t i) { return (2 * i * minor + major - 1 + bias) / (2 * major); };
  auto add = [&](int64_t first, int64_t last, int64_t k) {  // steps first..last at offset k
    int64_t x0 = a.X + stepX * (xMajor ? first : k), x1 = a.X + stepX * (xMajor ? last : k);
    int64_t y0 = a.Y + stepY * (xMajor ? k : first), y1 = a.Y + stepY * (xMajor ? k : last);
    auto edge = [](int64_t v) { return int(std::min<int64_t>(v, INT32_MAX)); };
    out.push_back({int(std::min(x0, x1)), int(std::min(y0, y1)), edge(std::max(x0, x1) + 1),
                   edge(std::max(y0, y1) + 1)});
  };
  for (int64_t first = 0; first < major;) {
    const int64_t k = across(first);
    int64_t last = minor == 0 ? major - 1 : first;
    while (last + 1 < major && across(last + 1) == k) ++last;
    add(first, last, k);
    first = last + 1;
  }
  return true;
}

// True when a rectangle given to the painter covers exactly those device
// pixels, so that a line can be drawn as the pixels GDI would light.
bool PaintsWholePixels(const QPainter* p) {
  return p->device() && p->device()->devicePixelRatio() == 1.0 &&
         p->worldTransform().type() <= QTransform::TxTranslate;
}

// GDI puts the corners of a shape's rectangle in order before drawing.
void OrderCorners(int& left, int& top, int& right, int& bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
}

constexpr int kTabChars = 8;

bool IsCjk(QChar c) { return c.unicode() >= 0x2E80; }

// One line of DrawText's layout: a range of the text without prefixes.
struct TextLine {
  int start = 0;
  int length = 0;
  bool ellipsis = false;
};

}  // namespace

QString DefaultFontName() { return DefaultFontNameRef(); }
void SetDefaultFontName(const QString& name) { DefaultFontNameRef() = name; }

QFont ToQFont(const TFont& font) {
  QFont f(font.Name);
  int pixels = font.Height < 0 ? -font.Height : font.Height;
  if (font.Height == 0) pixels = 12;
  if (font.Height > 0) {
    // A cell height: scale the character height so that ascent + descent
    // come to it.
    QFont probe(font.Name);
    probe.setPixelSize(100);
    int cell = QFontMetrics(probe).height();
    if (cell > 0) pixels = std::max(1, int(std::lround(font.Height * 100.0 / cell)));
  }
  f.setPixelSize(std::max(1, pixels));
  f.setBold(font.Style & fsBold);
  f.setItalic(font.Style & fsItalic);
  f.setUnderline(font.Style & fsUnderline);
  f.setStrikeOut(font.Style & fsStrikeOut);
  return f;
}

struct Canvas::SavedState {
  int id;
  QRegion clip;
  bool hasClip;
  TPoint viewportOrg, windowOrg, penPos;
  int bkMode;
  TColor bkColor, textColor;
  StretchMode stretchMode;
  TPen pen;
  TBrush brush;
  TFont font;
};

Canvas::Canvas(Bitmap& bitmap) : bitmap_(&bitmap) {}

Canvas::Canvas(QPaintDevice* device) : device_(device) {}

Canvas::Canvas(QPainter& painter) : external_(&painter) {
  painter.save();
  baseTransform_ = painter.transform();
  if (painter.hasClipping()) {
    clip_ = painter.clipRegion();
    hasClip_ = true;
  }
}

Canvas::~Canvas() {
  if (external_) {
    external_->restore();
    return;
  }
  ReleaseTarget();
}

int Canvas::DeviceWidth() const {
  if (bitmap_) return bitmap_->Width();
  if (device_) return device_->width();
  return external_->device() ? external_->device()->width() : 0;
}

int Canvas::DeviceHeight() const {
  if (bitmap_) return bitmap_->Height();
  if (device_) return device_->height();
  return external_->device() ? external_->device()->height() : 0;
}

QRegion Canvas::WholeDevice() const { return QRegion(0, 0, DeviceWidth(), DeviceHeight()); }

void Canvas::EndPainting() {
  if (external_) return;
  if (monoShadow_ && active_) FlushMono();
  if (painter_ && painter_->isActive()) painter_->end();
  painter_.reset();
  monoShadow_.reset();
  active_ = false;
}

void Canvas::ReleaseTarget() {
  EndPainting();
  if (bitmap_) {
    hasClip_ = false;
    clip_ = QRegion();
    viewportOrg_ = windowOrg_ = TPoint{};
    saved_.clear();
  }
  InvalidateApplied();
}

void Canvas::InvalidateApplied() {
  appliedPen_.reset();
  appliedBrush_.reset();
  appliedComposition_ = -1;
}

QPainter* Canvas::Begin() {
  if (active_) return external_ ? external_ : painter_.get();
  if (external_) {
    active_ = true;
    ApplyClipAndOrigin(external_);
    return external_;
  }
  QPaintDevice* target = device_;
  if (bitmap_) {
    if (bitmap_->Empty()) return nullptr;
    if (bitmap_->PixelFormat() == pf1bit) {
      // QPainter cannot paint 1-bit images: paint a grey copy and write
      // it back after each call.
      monoShadow_ = std::make_unique<QImage>(
          bitmap_->ConstImage().convertToFormat(QImage::Format_Grayscale8));
      target = monoShadow_.get();
    } else {
      target = bitmap_->PaintDevice();
    }
  }
  if (!target) return nullptr;
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(target)) {
    painter_.reset();
    return nullptr;
  }
  active_ = true;
  InvalidateApplied();
  ApplyClipAndOrigin(painter_.get());
  return painter_.get();
}

void Canvas::FlushMono() {
  painter_->end();
  painter_.reset();
  active_ = false;
  for (int y = 0; y < bitmap_->Height(); ++y) {
    const uchar* grey = monoShadow_->constScanLine(y);
    uint8_t* bits = bitmap_->ScanLine(y);
    for (int x = 0; x < bitmap_->Width(); ++x) {
      uint8_t bit = uint8_t(0x80 >> (x & 7));
      if (grey[x] >= 128)
        bits[x >> 3] |= bit;
      else
        bits[x >> 3] &= uint8_t(~bit);
    }
  }
  monoShadow_.reset();
}

void Canvas::ApplyClipAndOrigin(QPainter* p) {
  TPoint o = Origin();
  p->setWorldTransform(baseTransform_);
  if (hasClip_)
    p->setClipRegion(clip_);
  else
    p->setClipping(false);
  p->setWorldTransform(QTransform::fromTranslate(o.X, o.Y) * baseTransform_);
}

QPainter* Canvas::Painter() {
  QPainter* p = Begin();
  InvalidateApplied();
  return p;
}

void Canvas::ApplyComposition(QPainter* p, bool penMode) {
  int mode = QPainter::CompositionMode_SourceOver;
  if (penMode) {
    switch (Pen.Mode) {
      case pmNot: mode = QPainter::RasterOp_NotDestination; break;
      case pmXor: mode = QPainter::RasterOp_SourceXorDestination; break;
      case pmNotXor: mode = QPainter::RasterOp_NotSourceXorDestination; break;
      case pmCopy: break;
    }
  }
  if (mode != appliedComposition_) {
    p->setCompositionMode(QPainter::CompositionMode(mode));
    appliedComposition_ = mode;
  }
}

void Canvas::ApplyPen(QPainter* p) {
  ApplyComposition(p, true);
  if (appliedPen_ && *appliedPen_ == Pen) return;
  appliedPen_ = Pen;
  if (Pen.Style == psClear) {
    p->setPen(Qt::NoPen);
    return;
  }
  QPen pen(ToQColor(Pen.Color), Pen.Width <= 1 ? 0 : Pen.Width);
  if (Pen.Width > 1) {
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
  } else {
    // Both ends are drawn; lines are shortened by one pixel beforehand.
    pen.setCapStyle(Qt::SquareCap);
    switch (Pen.Style) {
      case psDash: pen.setDashPattern({18, 6}); break;
      case psDot: pen.setDashPattern({3, 3}); break;
      case psDashDot: pen.setDashPattern({9, 6, 3, 6}); break;
      case psDashDotDot: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
      default: break;
    }
  }
  p->setPen(pen);
}

void Canvas::ApplyBrush(QPainter* p) {
  if (appliedBrush_ && *appliedBrush_ == Brush) return;
  appliedBrush_ = Brush;
  p->setBrush(QBrush(ToQColor(Brush.Color), QtBrushStyle(Brush.Style)));
}

void Canvas::SyncBrushState() {
  if (syncedBrush_ && *syncedBrush_ == Brush) return;
  syncedBrush_ = Brush;
  bkMode_ = Brush.Style == bsSolid ? OPAQUE : TRANSPARENT;
  bkColor_ = Brush.Color;
}

void Canvas::SyncFontState() {
  if (syncedFont_ && *syncedFont_ == Font) return;
  // A new colour alone keeps the Qt font and its metrics.
  const bool colourOnly = syncedFont_ && [&] {
    TFont other = *syncedFont_;
    other.Color = Font.Color;
    return other == Font;
  }();
  syncedFont_ = Font;
  textColor_ = Font.Color;
  if (colourOnly) return;
  qfont_ = ToQFont(Font);
  metrics_ = std::make_unique<QFontMetrics>(qfont_);
  lastAdvance_.reset();
}

int Canvas::Advance(const QString& text) {
  if (!lastAdvance_ || lastAdvance_->first != text) lastAdvance_.emplace(text, metrics_->horizontalAdvance(text));
  return lastAdvance_->second;
}

const QFontMetrics& Canvas::FontMetrics() {
  SyncFontState();
  return *metrics_;
}

void Canvas::SetBkMode(int mode) {
  SyncBrushState();
  bkMode_ = mode == TRANSPARENT ? TRANSPARENT : OPAQUE;
}
int Canvas::GetBkMode() {
  SyncBrushState();
  return bkMode_;
}
void Canvas::SetBkColor(TColor color) {
  SyncBrushState();
  bkColor_ = color;
}
TColor Canvas::GetBkColor() {
  SyncBrushState();
  return bkColor_;
}
void Canvas::SetTextColor(TColor color) {
  SyncFontState();
  textColor_ = color;
}
TColor Canvas::GetTextColor() {
  SyncFontState();
  return textColor_;
}

// ---- lines and shapes ----

void Canvas::Segment(QPainter* p, TPoint a, TPoint b) {
  if (Pen.Width > 1) {
    p->drawLine(a.X, a.Y, b.X, b.Y);
    return;
  }
  int steps = 0;
  TPoint e = BeforeEnd(a, b, steps);
  if (steps == 0) return;
  if (steps == 1)
    p->drawPoint(a.X, a.Y);
  else
    p->drawLine(a.X, a.Y, e.X, e.Y);
}

bool Canvas::DrawExactPolyline(const TPoint* points, int count) {
  if (Pen.Width > 1 || (Pen.Style != psSolid && Pen.Style != psInsideFrame)) return false;
  // Copies into a bitmap go into its pixels; anything else goes through
  // the painter, where it paints whole pixels.
  const bool direct = Pen.Mode == pmCopy && CanWriteDirectly();
  QPainter* p = direct ? nullptr : Begin();
  if (!direct && (!p || !PaintsWholePixels(p))) return false;
  lineRuns_.clear();
  for (int i = 0; i + 1 < count; ++i)
    if (!AddLineRuns(points[i], points[i + 1], lineRuns_)) return false;
  if (direct) {
    for (const TRect& r : lineRuns_) DirectFill(r.Left, r.Top, r.Right, r.Bottom, Pen.Color);
    return true;
  }
  ApplyComposition(p, true);
  const QColor color = ToQColor(Pen.Color);
  for (const TRect& r : lineRuns_) p->fillRect(ToQRect(r), color);
  End();
  return true;
}

void Canvas::LineTo(int x, int y) {
  const TPoint from = penPos_;
  penPos_ = {x, y};
  const TPoint ends[2] = {from, penPos_};
  if (Pen.Style == psClear || DrawExactPolyline(ends, 2)) return;
  QPainter* p = Begin();
  if (!p) return;
  ApplyPen(p);
  bool dashed = Pen.Style != psSolid && Pen.Style != psInsideFrame && Pen.Width <= 1;
  if (dashed) {
    SyncBrushState();
    if (bkMode_ == OPAQUE) {
      p->setBackgroundMode(Qt::OpaqueMode);
      p->setBackground(ToQColor(bkColor_));
    }
  }
  Segment(p, from, {x, y});
  if (dashed) p->setBackgroundMode(Qt::TransparentMode);
  End();
}

void Canvas::Polyline(const TPoint* points, int count) {
  if (count < 2 || Pen.Style == psClear || DrawExactPolyline(points, count)) return;
  QPainter* p = Begin();
  if (!p) return;
  ApplyPen(p);
  if (Pen.Width > 1) {
    std::vector<QPoint> q;
    q.reserve(size_t(count));
    for (int i = 0; i < count; ++i) q.emplace_back(points[i].X, points[i].Y);
    p->drawPolyline(q.data(), count);
  } else {
    // Every vertex but the last is drawn; the last is left out.
    std::vector<QPoint> q;
    q.reserve(size_t(count));
    for (int i = 0; i + 1 < count; ++i) q.emplace_back(points[i].X, points[i].Y);
    int steps = 0;
    TPoint e = BeforeEnd(points[count - 2], points[count - 1], steps);
    if (steps > 1) q.emplace_back(e.X, e.Y);
    if (q.size() == 1)
      p->drawPoint(q[0]);
    else
      p->drawPolyline(q.data(), int(q.size()));
  }
  End();
}

void Canvas::Rectangle(int left, int top, int right, int bottom) {
  OrderCorners(left, top, right, bottom);
  if (Pen.Mode == pmCopy && (Brush.Style == bsSolid || Brush.Style == bsClear) &&
      CanWriteDirectly()) {
    if (Pen.Style == psClear) {
      if (Brush.Style == bsSolid) DirectFill(left, top, right - 1, bottom - 1, Brush.Color);
      return;
    }
    if ((Pen.Style == psSolid || Pen.Style == psInsideFrame) && Pen.Width <= 1) {
      if (right - left < 1 || bottom - top < 1) return;
      if (Brush.Style == bsSolid) DirectFill(left + 1, top + 1, right - 1, bottom - 1, Brush.Color);
      DirectFill(left, top, right, top + 1, Pen.Color);
      DirectFill(left, bottom - 1, right, bottom, Pen.Color);
      DirectFill(left, top + 1, left + 1, bottom - 1, Pen.Color);
      DirectFill(right - 1, top + 1, right, bottom - 1, Pen.Color);
      return;
    }
  }
  QPainter* p = Begin();
  if (!p) return;
  if (Pen.Style == psClear) {
    // Without a pen the interior alone is one pixel smaller each way.
    if (Brush.Style != bsClear && right - left > 1 && bottom - top > 1) {
      ApplyComposition(p, true);
      p->fillRect(QRect(left, top, right - left - 1, bottom - top - 1),
                  QBrush(ToQColor(Brush.Color), QtBrushStyle(Brush.Style)));
    }
    End();
    return;
  }
  if (Pen.Style == psInsideFrame && Pen.Width > 1) {
    int in = Pen.Width / 2;
    left += in;
    top += in;
    right -= Pen.Width - in - 1;
    bottom -= Pen.Width - in - 1;
  }
  ApplyPen(p);
  ApplyBrush(p);
  // One pixel wide or high, the frame is a line, which Qt would not draw as a
  // rectangle of no extent.
  if (right - left == 1 || bottom - top == 1) {
    if (right - left >= 1 && bottom - top >= 1) p->drawLine(left, top, right - 1, bottom - 1);
  } else if (right - left > 1 && bottom - top > 1) {
    p->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
  }
  End();
}

void Canvas::Ellipse(int left, int top, int right, int bottom) {
  OrderCorners(left, top, right, bottom);
  QPainter* p = Begin();
  if (!p) return;
  ApplyPen(p);
  ApplyBrush(p);
  p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
  End();
}

void Canvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                       int cornerHeight) {
  OrderCorners(left, top, right, bottom);
  QPainter* p = Begin();
  if (!p) return;
  ApplyPen(p);
  ApplyBrush(p);
  p->drawRoundedRect(QRectF(left, top, right - left - 1, bottom - top - 1), cornerWidth / 2.0,
                     cornerHeight / 2.0);
  End();
}

void Canvas::Polygon(const TPoint* points, int count) {
  if (count < 2) return;
  QPainter* p = Begin();
  if (!p) return;
  ApplyPen(p);
  ApplyBrush(p);
  std::vector<QPoint> q;
  q.reserve(size_t(count));
  for (int i = 0; i < count; ++i) q.emplace_back(points[i].X, points[i].Y);
  p->drawPolygon(q.data(), count, Qt::OddEvenFill);
  End();
}

// Solid fills of a bitmap in its own pixels: far faster than QPainter for
// the thin shapes charts are made of, and exact by construction.
bool Canvas::CanWriteDirectly() const {
  return bitmap_ && !bitmap_->Empty() && bitmap_->PixelFormat() != pf1bit && !monoShadow_;
}

void Canvas::DirectFill(int left, int top, int right, int bottom, TColor color) {
  TPoint o = Origin();
  TRect area = IntersectRect(Rect(left + o.X, top + o.Y, right + o.X, bottom + o.Y),
                             Rect(0, 0, bitmap_->Width(), bitmap_->Height()));
  if (area.IsEmpty()) return;
  const QRgb argb = ToQRgb(color);
  const TPixelFormat format = bitmap_->PixelFormat();
  const ptrdiff_t stride = bitmap_->Stride();
  auto fill = [&](const TRect& r) {
    uint8_t* row = bitmap_->ScanLine(r.Top);
    if (format != pf24bit && format != pf8bit && r.Width() == 1) {
      for (int y = r.Top; y < r.Bottom; ++y, row += stride) reinterpret_cast<QRgb*>(row)[r.Left] = argb;
      return;
    }
    for (int y = r.Top; y < r.Bottom; ++y, row += stride) {
      if (format == pf24bit) {
        uint8_t* p = row + size_t(r.Left) * 3;
        for (int x = r.Left; x < r.Right; ++x, p += 3) {
          p[0] = uint8_t(qBlue(argb));
          p[1] = uint8_t(qGreen(argb));
          p[2] = uint8_t(qRed(argb));
        }
      } else if (format == pf8bit) {
        std::memset(row + r.Left, GreyOf(argb), size_t(r.Width()));
      } else {
        std::fill_n(reinterpret_cast<QRgb*>(row) + r.Left, r.Width(), argb);
      }
    }
  };
  if (!hasClip_) {
    fill(area);
    return;
  }
  for (const QRect& q : clip_) {
    TRect part = IntersectRect(area, Bounds(q.x(), q.y(), q.width(), q.height()));
    if (!part.IsEmpty()) fill(part);
  }
}

void Canvas::FillDevice(QPainter* p, const QRect& r, TColor c) {
  ApplyComposition(p, false);
  p->fillRect(r, ToQColor(c));
}

void Canvas::FillRect(const TRect& r) {
  if (r.IsEmpty() || Brush.Style == bsClear) return;
  if (Brush.Style == bsSolid && CanWriteDirectly()) {
    DirectFill(r.Left, r.Top, r.Right, r.Bottom, Brush.Color);
    return;
  }
  QPainter* p = Begin();
  if (!p) return;
  ApplyComposition(p, false);
  if (Brush.Style == bsSolid)
    p->fillRect(ToQRect(r), ToQColor(Brush.Color));
  else
    p->fillRect(ToQRect(r), QBrush(ToQColor(Brush.Color), QtBrushStyle(Brush.Style)));
  End();
}

void Canvas::FrameRect(const TRect& r) {
  if (r.IsEmpty() || Brush.Style == bsClear) return;
  QPainter* p = Begin();
  if (!p) return;
  QColor c = ToQColor(Brush.Color);
  ApplyComposition(p, false);
  p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
  p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
  p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
  p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
  End();
}

void Canvas::DrawFocusRect(const TRect& r) {
  if (r.IsEmpty()) return;
  TPoint o = Origin();
  TRect d = OffsetRect(r, o.X, o.Y);
  // Every other pixel of the 1-pixel frame is inverted, in a pattern fixed
  // to the device so that a second call restores it.
  auto border = [&](int x, int y) {
    return (x == d.Left || x == d.Right - 1 || y == d.Top || y == d.Bottom - 1) && ((x + y) & 1) == 0;
  };
  if (bitmap_) {
    if (active_ && monoShadow_) FlushMono();
    QRegion allowed = hasClip_ ? clip_ : WholeDevice();
    TRect visible = IntersectRect(d, Rect(0, 0, bitmap_->Width(), bitmap_->Height()));
    for (int y = visible.Top; y < visible.Bottom; ++y)
      for (int x = visible.Left; x < visible.Right; ++x)
        if (border(x, y) && allowed.contains(QPoint(x, y))) {
          QRgb c = bitmap_->GetArgb(x, y);
          bitmap_->SetArgb(x, y, (c & 0xFF000000u) | (~c & 0xFFFFFF));
        }
    return;
  }
  QPainter* p = Begin();
  if (!p) return;
  p->save();
  p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p->setWorldTransform(baseTransform_);
  for (int y = d.Top; y < d.Bottom; ++y)
    for (int x = d.Left; x < d.Right; ++x)
      if (border(x, y)) p->fillRect(QRect(x, y, 1, 1), Qt::white);
  p->restore();
  InvalidateApplied();
}

void Canvas::DrawEdge(TRect& r, unsigned edge, unsigned flags) {
  QPainter* p = Begin();
  TRect box = r;
  // Colours of the two rings: outer then inner, top-left and bottom-right.
  struct Ring {
    unsigned raised, sunken;
  };
  const Ring rings[2] = {{BDR_RAISEDOUTER, BDR_SUNKENOUTER}, {BDR_RAISEDINNER, BDR_SUNKENINNER}};
  for (int i = 0; i < 2; ++i) {
    bool raised = edge & rings[i].raised, sunken = edge & rings[i].sunken;
    if (!raised && !sunken) continue;
    TColor lt, rb;
    if (flags & BF_MONO) {
      lt = rb = i == 0 ? clWindowFrame : clWindow;
    } else if (flags & BF_FLAT) {
      lt = rb = i == 0 ? clBtnShadow : clBtnFace;
    } else if (i == 0) {
      lt = raised ? cl3DLight : clBtnShadow;
      rb = raised ? cl3DDkShadow : clBtnHighlight;
    } else {
      lt = raised ? clBtnHighlight : cl3DDkShadow;
      rb = raised ? clBtnShadow : cl3DLight;
    }
    if (p && !box.IsEmpty()) {
      if (flags & BF_BOTTOM) FillDevice(p, QRect(box.Left, box.Bottom - 1, box.Width(), 1), rb);
      if (flags & BF_RIGHT) FillDevice(p, QRect(box.Right - 1, box.Top, 1, box.Height() - 1), rb);
      if (flags & BF_TOP) FillDevice(p, QRect(box.Left, box.Top, box.Width() - 1, 1), lt);
      if (flags & BF_LEFT) FillDevice(p, QRect(box.Left, box.Top, 1, box.Height() - 1), lt);
    }
    if (flags & BF_LEFT) ++box.Left;
    if (flags & BF_TOP) ++box.Top;
    if (flags & BF_RIGHT) --box.Right;
    if (flags & BF_BOTTOM) --box.Bottom;
  }
  if (p && (flags & BF_MIDDLE) && !box.IsEmpty())
    FillDevice(p, ToQRect(box), (flags & BF_MONO) ? clWindow : clBtnFace);
  if (flags & BF_ADJUST) r = box;
  if (p) End();
}

TColor Canvas::GetPixel(int x, int y) {
  if (!bitmap_) return CLR_INVALID;
  if (active_ && monoShadow_) FlushMono();
  TPoint o = Origin();
  return bitmap_->GetPixel(x + o.X, y + o.Y);
}

void Canvas::SetPixel(int x, int y, TColor color) {
  TPoint o = Origin();
  if (hasClip_ && !clip_.contains(QPoint(x + o.X, y + o.Y))) return;
  if (bitmap_) {
    if (active_ && monoShadow_) FlushMono();
    bitmap_->SetPixel(x + o.X, y + o.Y, color);
    return;
  }
  QPainter* p = Begin();
  if (!p) return;
  FillDevice(p, QRect(x, y, 1, 1), color);
}

// ---- text ----

int Canvas::TextWidth(const QString& text) { return FontMetrics().horizontalAdvance(text); }

int Canvas::TextHeight(const QString& /*text*/) { return FontMetrics().height(); }

void Canvas::DrawTextLine(QPainter* p, int x, int y, const QString& text, int mnemonic, bool rtl,
                          bool expandTabs) {
  const QFontMetrics& fm = *metrics_;
  int h = fm.height();
  // Pieces between tabs, each at its own x when tabs are expanded.
  int width = 0;
  if (!(expandTabs && text.contains(QLatin1Char('\t')))) {
    // One piece: measured only for the fill.
    if (bkMode_ == OPAQUE) width = fm.horizontalAdvance(text);
    expandTabs = false;
  }
  std::vector<std::pair<int, QString>> pieces;
  if (expandTabs) {
    const int tabWidth = std::max(1, fm.averageCharWidth() * kTabChars);
    int start = 0;
    for (int i = 0; i <= text.size(); ++i) {
      if (i < text.size() && text[i] != QLatin1Char('\t')) continue;
      QString piece = text.mid(start, i - start);
      pieces.emplace_back(width, piece);
      width += fm.horizontalAdvance(piece);
      if (i < text.size()) width = (width / tabWidth + 1) * tabWidth;
      start = i + 1;
    }
  }
  if (bkMode_ == OPAQUE && width > 0) FillDevice(p, QRect(x, y, width, h), bkColor_);
  ApplyComposition(p, false);
  p->setPen(ToQColor(textColor_));
  appliedPen_.reset();
  if (rtl) p->setLayoutDirection(Qt::RightToLeft);
  if (!expandTabs && !text.isEmpty()) DrawLineText(p, x, y + fm.ascent(), text);
  for (const auto& [px, piece] : pieces)
    if (!piece.isEmpty()) DrawLineText(p, x + px, y + fm.ascent(), piece);
  if (rtl) p->setLayoutDirection(Qt::LeftToRight);
  if (mnemonic >= 0 && mnemonic < text.size()) {
    int ux = x + fm.horizontalAdvance(text.left(mnemonic));
    int uw = std::max(1, fm.horizontalAdvance(text.mid(mnemonic, 1)));
    int uy = y + fm.ascent() + std::max(1, fm.underlinePos());
    p->fillRect(QRect(ux, uy, uw, std::max(1, int(fm.lineWidth()))), ToQColor(textColor_));
  }
}

namespace {

// Whether glyphs shaped once give the same pixels as QPainter::drawText
// gives the text in the font: a font without lines (drawText lays them
// under the whole line, not glyph run by glyph run) and a text of one
// left-to-right line without control or format characters.
bool GlyphsStandFor(const QString& text, const QFont& font) {
  if (font.underline() || font.strikeOut() || font.overline()) return false;
  for (const char32_t c : text.toUcs4()) {
    switch (QChar::category(c)) {
      case QChar::Other_Control:
      case QChar::Other_Format:
      case QChar::Other_Surrogate:
      case QChar::Separator_Line:
      case QChar::Separator_Paragraph:
        return false;
      default:
        break;
    }
    switch (QChar::direction(c)) {
      case QChar::DirR:
      case QChar::DirAL:
      case QChar::DirAN:
      case QChar::DirRLE:
      case QChar::DirRLO:
      case QChar::DirRLI:
      case QChar::DirLRE:
      case QChar::DirLRO:
      case QChar::DirLRI:
      case QChar::DirFSI:
      case QChar::DirPDF:
      case QChar::DirPDI:
        return false;
      default:
        break;
    }
  }
  return true;
}

}  // namespace

void Canvas::DrawLineText(QPainter* p, int x, int baseline, const QString& text) {
  if (text.isEmpty()) return;
  // Kept glyphs serve a painter that only moves what it draws, left to
  // right (or by the text, which then has no right-to-left letters), with
  // a pen (drawText draws nothing without one).
  const bool plainPainter = p->layoutDirection() != Qt::RightToLeft && p->pen().style() != Qt::NoPen &&
                            p->combinedTransform().type() <= QTransform::TxTranslate;
  const QFont& font = p->font();
  const int dpi = p->device() ? p->device()->logicalDpiY() : 0;
  const bool same = shaped_ && shaped_->Text == text && shaped_->Dpi == dpi && shaped_->Font == font;
  if (plainPainter && !same && lastLine_ && *lastLine_ == text) {
    // The second time in a row: shaped and kept.
    ShapedLine line{text, font, dpi, GlyphsStandFor(text, font), 0, {}};
    if (line.Kept) {
      QTextLayout layout(text, font);
      QTextOption option;
      option.setTextDirection(Qt::LeftToRight);
      layout.setTextOption(option);
      layout.beginLayout();
      const QTextLine laid = layout.createLine();
      layout.endLayout();
      line.Ascent = laid.isValid() ? laid.ascent() : 0;
      line.Runs = layout.glyphRuns();
    }
    shaped_ = std::move(line);
  }
  lastLine_ = text;
  if (plainPainter && shaped_ && shaped_->Kept && shaped_->Text == text && shaped_->Dpi == dpi &&
      shaped_->Font == font) {
    for (const QGlyphRun& run : shaped_->Runs) p->drawGlyphRun(QPointF(x, baseline - shaped_->Ascent), run);
    return;
  }
  p->drawText(x, baseline, text);
}

void Canvas::TextOut(int x, int y, const QString& text) {
  SyncFontState();
  SyncBrushState();
  int w = metrics_->horizontalAdvance(text);
  QPainter* p = Begin();
  if (p) {
    p->setFont(qfont_);
    if (Font.Orientation % 3600 != 0) {
      p->save();
      p->translate(x, y);
      p->rotate(-Font.Orientation / 10.0);
      DrawTextLine(p, 0, 0, text, -1, false, false);
      p->restore();
      InvalidateApplied();
    } else {
      DrawTextLine(p, x, y, text, -1, false, false);
    }
    End();
  }
  penPos_ = {x + w, y};
}

void Canvas::TextRect(const TRect& r, int x, int y, const QString& text) {
  SyncFontState();
  SyncBrushState();
  QPainter* p = Begin();
  if (!p) return;
  p->setFont(qfont_);
  p->save();
  p->setClipRect(ToQRect(r), Qt::IntersectClip);
  if (bkMode_ == OPAQUE) FillDevice(p, ToQRect(r), bkColor_);
  int mode = bkMode_;
  bkMode_ = TRANSPARENT;
  DrawTextLine(p, x, y, text, -1, false, false);
  bkMode_ = mode;
  p->restore();
  InvalidateApplied();
  End();
}

int Canvas::DrawText(const QString& source, TRect& r, unsigned format) {
  SyncFontState();
  SyncBrushState();
  const QFontMetrics& fm = *metrics_;
  const bool single = format & DT_SINGLELINE;
  const bool expandTabs = format & DT_EXPANDTABS;
  const int lineHeight = fm.height();
  // Tab stops are measured only for text that expands them.
  const int tabWidth = expandTabs ? std::max(1, fm.averageCharWidth() * kTabChars) : 1;

  // Prefixes: "&&" is "&", "&x" underlines x (the last such one counts).
  QString text;
  int mnemonic = -1;
  const bool plain = ((format & DT_NOPREFIX) || !source.contains(QLatin1Char('&'))) &&
                     !(single && (source.contains(QLatin1Char('\r')) || source.contains(QLatin1Char('\n'))));
  if (plain) text = source;
  for (int i = 0; !plain && i < source.size(); ++i) {
    QChar c = source[i];
    if (single && (c == QLatin1Char('\r') || c == QLatin1Char('\n'))) continue;
    if (c == QLatin1Char('&') && !(format & DT_NOPREFIX)) {
      if (i + 1 >= source.size()) break;
      ++i;
      if (source[i] != QLatin1Char('&')) mnemonic = int(text.size());
    }
    text += source[i];
  }
  if (format & DT_HIDEPREFIX) mnemonic = -1;

  auto width = [&](int start, int length) {
    QString s = text.mid(start, length);
    if (!expandTabs || !s.contains(QLatin1Char('\t'))) return Advance(s);
    int w = 0, from = 0;
    for (int i = 0; i <= s.size(); ++i) {
      if (i < s.size() && s[i] != QLatin1Char('\t')) continue;
      w += fm.horizontalAdvance(s.mid(from, i - from));
      if (i < s.size()) w = (w / tabWidth + 1) * tabWidth;
      from = i + 1;
    }
    return w;
  };

  // Paragraphs, then words wrapped into the rectangle's width.
  std::vector<TextLine> lines;
  const int limit = r.Width();
  auto isSpace = [&](int i) { return text[i] == QLatin1Char(' '); };
  int pos = 0;
  do {
    int end = pos;
    if (single) {
      end = int(text.size());
    } else {
      while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
        ++end;
    }
    int start = pos;
    if (!(format & DT_WORDBREAK) || single) {
      lines.push_back({start, end - start});
    } else {
      do {
        if (width(start, end - start) <= limit) {
          lines.push_back({start, end - start});
          break;
        }
        // Break opportunities: before a blank, and beside a CJK character.
        int best = -1, first = -1;
        for (int b = start + 1; b < end; ++b) {
          bool candidate = (isSpace(b) && !isSpace(b - 1)) ||
                           ((IsCjk(text[b]) || IsCjk(text[b - 1])) && !isSpace(b) && !isSpace(b - 1));
          if (!candidate) continue;
          if (first < 0) first = b;
          if (width(start, b - start) <= limit)
            best = b;
          else
            break;
        }
        int cut = best > start ? best : (first > 0 ? first : end);
        int keep = cut;
        while (keep > start && isSpace(keep - 1)) --keep;
        lines.push_back({start, keep - start});
        start = cut;
        while (start < end && isSpace(start)) ++start;
      } while (start < end);
    }
    pos = end;
    if (pos < text.size() && text[pos] == QLatin1Char('\r')) ++pos;
    if (pos < text.size() && text[pos] == QLatin1Char('\n')) ++pos;
  } while (!single && pos < text.size());

  // Lines wider than the rectangle end in "..." when asked.
  const QString dots = QStringLiteral("...");
  std::vector<QString> shown;
  std::vector<int> widths;
  int maxWidth = 0;
  // A left-aligned line is measured only to be cut or to be reported.
  const bool measure = format & (DT_CENTER | DT_RIGHT | DT_CALCRECT | DT_END_ELLIPSIS);
  for (TextLine& line : lines) {
    QString s = text.mid(line.start, line.length);
    int w = measure ? width(line.start, line.length) : 0;
    if ((format & DT_END_ELLIPSIS) && w > limit) {
      int n = line.length;
      while (n > 0 && width(line.start, n) + fm.horizontalAdvance(dots) > limit) --n;
      line.length = n;
      line.ellipsis = true;
      s = text.mid(line.start, n) + dots;
      w = width(line.start, n) + fm.horizontalAdvance(dots);
    }
    shown.push_back(s);
    widths.push_back(w);
    maxWidth = std::max(maxWidth, w);
  }

  const bool empty = text.isEmpty();
  int total = empty ? (single ? lineHeight : 0) : int(lines.size()) * lineHeight;
  if (format & DT_CALCRECT) {
    r.Right = r.Left + maxWidth;
    r.Bottom = r.Top + total;
    return total;
  }
  int y = r.Top;
  if (single && (format & DT_VCENTER))
    y = r.Top + (r.Height() - lineHeight) / 2;
  else if (single && (format & DT_BOTTOM))
    y = r.Bottom - lineHeight;
  const int textBottom = y + total;
  QPainter* p = empty ? nullptr : Begin();
  if (!p) return textBottom - r.Top;
  p->setFont(qfont_);
  const bool clip = !(format & DT_NOCLIP);
  if (clip) {
    p->save();
    p->setClipRect(ToQRect(r), Qt::IntersectClip);
  }
  for (size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
    int x = r.Left;
    if (format & DT_CENTER)
      x = r.Left + (r.Width() - widths[i]) / 2;
    else if (format & DT_RIGHT)
      x = r.Right - widths[i];
    int m = mnemonic - lines[i].start;
    if (m >= lines[i].length) m = -1;
    DrawTextLine(p, x, y, shown[i], m, format & DT_RTLREADING, expandTabs);
  }
  if (clip) {
    p->restore();
    InvalidateApplied();
  }
  End();
  return textBottom - r.Top;
}

// ---- clip, saved states, origins ----

void Canvas::IntersectClipRect(const TRect& r) {
  TPoint o = Origin();
  clip_ = (hasClip_ ? clip_ : WholeDevice()).intersected(ToQRect(OffsetRect(r, o.X, o.Y)));
  hasClip_ = true;
  if (active_) ApplyClipAndOrigin(external_ ? external_ : painter_.get());
}

void Canvas::ExcludeClipRect(const TRect& r) {
  TPoint o = Origin();
  clip_ = (hasClip_ ? clip_ : WholeDevice()).subtracted(ToQRect(OffsetRect(r, o.X, o.Y)));
  hasClip_ = true;
  if (active_) ApplyClipAndOrigin(external_ ? external_ : painter_.get());
}

void Canvas::SelectClipRgn(const std::optional<QRegion>& region) {
  hasClip_ = region.has_value();
  clip_ = region ? *region : QRegion();
  if (active_) ApplyClipAndOrigin(external_ ? external_ : painter_.get());
}

std::optional<QRegion> Canvas::ClipRegion() const {
  if (!hasClip_) return std::nullopt;
  return clip_;
}

TRect Canvas::GetClipBox() const {
  QRect b = (hasClip_ ? clip_ : WholeDevice()).boundingRect();
  TPoint o = Origin();
  if (b.isEmpty()) return TRect{};
  return OffsetRect(Bounds(b.x(), b.y(), b.width(), b.height()), -o.X, -o.Y);
}

bool Canvas::RectVisible(const TRect& r) const {
  TPoint o = Origin();
  return (hasClip_ ? clip_ : WholeDevice()).intersects(ToQRect(OffsetRect(r, o.X, o.Y)));
}

int Canvas::SaveDC() {
  int id = saved_.empty() ? 1 : saved_.back().id + 1;
  SyncBrushState();
  SyncFontState();
  saved_.push_back({id, clip_, hasClip_, viewportOrg_, windowOrg_, penPos_, bkMode_, bkColor_,
                    textColor_, stretchMode_, Pen, Brush, Font});
  return id;
}

bool Canvas::RestoreDC(int saved) {
  if (saved_.empty()) return false;
  size_t index;
  if (saved < 0) {
    if (size_t(-saved) > saved_.size()) return false;
    index = saved_.size() - size_t(-saved);
  } else {
    auto it = std::find_if(saved_.begin(), saved_.end(), [&](const SavedState& s) { return s.id == saved; });
    if (it == saved_.end()) return false;
    index = size_t(it - saved_.begin());
  }
  const SavedState s = saved_[index];
  saved_.resize(index);
  clip_ = s.clip;
  hasClip_ = s.hasClip;
  viewportOrg_ = s.viewportOrg;
  windowOrg_ = s.windowOrg;
  penPos_ = s.penPos;
  Pen = s.pen;
  Brush = s.brush;
  Font = s.font;
  SyncBrushState();
  SyncFontState();
  bkMode_ = s.bkMode;
  bkColor_ = s.bkColor;
  textColor_ = s.textColor;
  stretchMode_ = s.stretchMode;
  if (active_) ApplyClipAndOrigin(external_ ? external_ : painter_.get());
  return true;
}

TPoint Canvas::SetViewportOrg(int x, int y) {
  TPoint old = viewportOrg_;
  viewportOrg_ = {x, y};
  if (active_) ApplyClipAndOrigin(external_ ? external_ : painter_.get());
  return old;
}

TPoint Canvas::SetWindowOrg(int x, int y) {
  TPoint old = windowOrg_;
  windowOrg_ = {x, y};
  if (active_) ApplyClipAndOrigin(external_ ? external_ : painter_.get());
  return old;
}

// ---- bitmaps ----

void Canvas::BlitFromBitmap(const TRect& dest, const Bitmap& source, const TRect& sourceRect,
                            bool transparent) {
  if (source.Empty()) return;
  const TColor key = transparent ? source.TransparentColor() : clNone;
  TPoint o = Origin();
  TRect d = OffsetRect(dest, o.X, o.Y);
  if (bitmap_ && bitmap_ != &source) {
    if (active_ && monoShadow_) FlushMono();
    QRegion allowed = hasClip_ ? clip_ : WholeDevice();
    for (const QRect& q : allowed) {
      TRect clip = Bounds(q.x(), q.y(), q.width(), q.height());
      if (transparent)
        TransparentBlt(*bitmap_, d.Left, d.Top, d.Width(), d.Height(), source, sourceRect.Left,
                       sourceRect.Top, sourceRect.Width(), sourceRect.Height(), key, &clip);
      else
        StretchBlt(*bitmap_, d.Left, d.Top, d.Width(), d.Height(), source, sourceRect.Left,
                   sourceRect.Top, sourceRect.Width(), sourceRect.Height(), stretchMode_, &clip);
    }
    return;
  }
  // Another device (or the bitmap onto itself): through the painter. An
  // opaque copy onto another device draws straight from the bitmap.
  if (!transparent && bitmap_ != &source) {
    QPainter* p = Begin();
    if (!p) return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->setRenderHint(QPainter::SmoothPixmapTransform, stretchMode_ == HALFTONE);
    p->drawImage(ToQRect(dest), source.OpaqueImage(), ToQRect(sourceRect));
    p->restore();
    InvalidateApplied();
    End();
    return;
  }
  QImage image = source.OpaqueImage().copy(ToQRect(sourceRect));
  if (transparent) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb k = ToQRgb(key) & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x)
        row[x] = (row[x] & 0xFFFFFF) == k ? 0 : (row[x] | 0xFF000000u);
    }
  }
  QPainter* p = Begin();
  if (!p) return;
  p->save();
  p->setCompositionMode(transparent ? QPainter::CompositionMode_SourceOver
                                    : QPainter::CompositionMode_Source);
  p->setRenderHint(QPainter::SmoothPixmapTransform, stretchMode_ == HALFTONE);
  p->drawImage(ToQRect(dest), image);
  p->restore();
  InvalidateApplied();
  End();
}

void Canvas::Draw(int x, int y, const Bitmap& bitmap) {
  BlitFromBitmap(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap,
                 Rect(0, 0, bitmap.Width(), bitmap.Height()), bitmap.Transparent);
}

void Canvas::StretchDraw(const TRect& r, const Bitmap& bitmap) {
  BlitFromBitmap(r, bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), bitmap.Transparent);
}

void Canvas::CopyRect(const TRect& dest, const Bitmap& source, const TRect& sourceRect) {
  BlitFromBitmap(dest, source, sourceRect, false);
}

}  // namespace platform
