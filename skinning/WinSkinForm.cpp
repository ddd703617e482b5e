#include "skinning/WinSkinForm.h"

#include "platform/Blit.h"
#include "skinning/ImgUtil.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <vector>

using namespace platform;

namespace skinning {

namespace {

// Margins drop to 0 in pairs when a pair does not fit `width` x `height`;
// a negative margin counts as 0.
TRect FitMargins(TRect m, int width, int height) {
  m = {std::max(m.Left, 0), std::max(m.Top, 0), std::max(m.Right, 0), std::max(m.Bottom, 0)};
  if (int64_t(m.Left) + m.Right > width) m.Left = m.Right = 0;
  if (int64_t(m.Top) + m.Bottom > height) m.Top = m.Bottom = 0;
  return m;
}

// One part of a skin image: source (sx, sy, sw, sh) onto (dx, dy, dw, dh),
// skipped when any extent is 0.
void Part(Bitmap& dst, int dx, int dy, int dw, int dh, const Bitmap& src, int sx, int sy, int sw,
          int sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  if (dw == sw && dh == sh)
    BitBlt(dst, dx, dy, dw, dh, src, sx, sy);
  else
    StretchBlt(dst, dx, dy, dw, dh, src, sx, sy, sw, sh, COLORONCOLOR);
}

// Calls draw(x, y) for every tile of tw x th from the target's top-left
// corner while it starts inside the target.
template <typename Draw>
void ForEachTile(const TRect& target, int tw, int th, Draw draw) {
  if (tw <= 0 || th <= 0) return;
  for (int64_t x = target.Left; x < target.Right; x += tw)
    for (int64_t y = target.Top; y < target.Bottom; y += th) draw(int(x), int(y));
}

// A copy of the image's rectangle r, as a bitmap of its own.
Bitmap CopyOut(const Bitmap& image, const TRect& r) {
  Bitmap part(r.Width(), r.Height());
  BitBlt(part, 0, 0, r.Width(), r.Height(), image, r.Left, r.Top);
  return part;
}

// Puts a bitmap that is ours to change onto the canvas, without its key
// colour when `transparent`.
void DrawOwned(Canvas& canvas, int x, int y, Bitmap& b, bool transparent) {
  b.Transparent = transparent;
  b.SetTransparentColor(kSkinKeyColour);
  canvas.Draw(x, y, b);
}

// The image's rectangle `source` stretched onto `dest`, nearest pixel.
void DrawStretched(Canvas& canvas, const TRect& dest, const Bitmap& image, const TRect& source,
                   bool transparent) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  const StretchMode mode = canvas.GetStretchBltMode();
  canvas.SetStretchBltMode(COLORONCOLOR);
  if (transparent) {
    Bitmap part = CopyOut(image, source);
    part.Transparent = true;
    part.SetTransparentColor(kSkinKeyColour);
    canvas.StretchDraw(dest, part);
  } else {
    canvas.CopyRect(dest, image, source);
  }
  canvas.SetStretchBltMode(mode);
}

bool NegativeSize(const TRect& r) { return r.Width() < 0 || r.Height() < 0; }

}  // namespace

std::optional<TRect> SkinFrameRect(const Bitmap& image, bool verticalFrames, int frameCount,
                                   int frame) {
  frameCount = std::max(frameCount, 1);
  if (frame < 1 || frame > frameCount || image.Empty()) return std::nullopt;
  if (verticalFrames) {
    const int fh = image.Height() / frameCount;
    return Bounds(0, (frame - 1) * fh, image.Width(), fh);
  }
  const int fw = image.Width() / frameCount;
  return Bounds((frame - 1) * fw, 0, fw, image.Height());
}

Bitmap DrawSkinImage(const TRect& target, const Bitmap& image, const TRect& margins,
                     bool verticalFrames, bool tile, int frameCount, int frame) {
  const int W = target.Width(), H = target.Height();
  const std::optional<TRect> fr = SkinFrameRect(image, verticalFrames, frameCount, frame);
  if (W <= 0 || H <= 0 || !fr || fr->IsEmpty() || !BitmapSizeAllowed(W, H)) return {};
  const int ox = fr->Left, oy = fr->Top, fw = fr->Width(), fh = fr->Height();
  const TRect m = FitMargins(FitMargins(margins, W, H), fw, fh);
  const int L = m.Left, T = m.Top, R = m.Right, B = m.Bottom;
  Bitmap out(W, H);
  Part(out, 0, 0, L, T, image, ox, oy, L, T);
  Part(out, 0, H - B, L, B, image, ox, oy + fh - B, L, B);
  Part(out, W - R, 0, R, T, image, ox + fw - R, oy, R, T);
  Part(out, 0, T, L, H - T - B, image, ox, oy + T, L, fh - T - B);
  Part(out, L, 0, W - L - R, T, image, ox + L, oy, fw - L - R, T);
  const int cw = fw - L - R, ch = fh - T - B;
  if (tile && cw > 0 && ch > 0)
    ForEachTile(Rect(L, T, W - R, H - B), cw, ch,
                [&](int x, int y) { BitBlt(out, x, y, cw, ch, image, ox + L, oy + T); });
  else
    Part(out, L, T, W - L - R, H - T - B, image, ox + L, oy + T, cw, ch);
  Part(out, W - R, H - B, R, B, image, ox + fw - R, oy + fh - B, R, B);
  Part(out, W - R, T, R, H - T - B, image, ox + fw - R, oy + T, R, fh - T - B);
  Part(out, L, H - B, W - L - R, B, image, ox + L, oy + fh - B, fw - L - R, B);
  return out;
}

void DrawSkinElement(Canvas& canvas, const TRect& target, const Bitmap& image, bool verticalFrames,
                     bool tile, bool transparent, int frameCount, int frame, const TRect& margins) {
  if (NegativeSize(target)) return;
  Bitmap b = DrawSkinImage(target, image, margins, verticalFrames, tile, frameCount, frame);
  if (!b.Empty()) DrawOwned(canvas, target.Left, target.Top, b, transparent);
}

void DrawSkinStrip(Canvas& canvas, const TRect& target, const Bitmap& image, bool verticalFrames,
                   bool transparent, int frameCount, int frame, const TRect& margins) {
  const int W = target.Width(), H = target.Height();
  const std::optional<TRect> fr = SkinFrameRect(image, verticalFrames, frameCount, frame);
  if (W <= 0 || H <= 0 || !fr || fr->IsEmpty() || !BitmapSizeAllowed(W, H)) return;
  const int ox = fr->Left, oy = fr->Top, fw = fr->Width(), fh = fr->Height();
  const TRect m = FitMargins({margins.Left, 0, margins.Right, 0}, fw, fh);
  const int L = m.Left, R = m.Right, middle = fw - L - R;
  Bitmap b(W, H);
  Part(b, 0, 0, L, H, image, ox, oy, L, fh);
  if (middle > 0)
    for (int64_t x = L; x < W - R; x += middle) Part(b, int(x), 0, middle, H, image, ox + L, oy, middle, fh);
  Part(b, W - R, 0, R, H, image, ox + fw - R, oy, R, fh);
  DrawOwned(canvas, target.Left, target.Top, b, transparent);
}

void DrawFrameStretched(Canvas& canvas, const TRect& target, const Bitmap& image, bool transparent,
                        int frameCount, int frame) {
  const std::optional<TRect> fr = SkinFrameRect(image, false, frameCount, frame);
  if (fr && !NegativeSize(target)) DrawStretched(canvas, target, image, *fr, transparent);
}

void DrawFrameCentred(Canvas& canvas, const TRect& target, const Bitmap& image, bool transparent,
                      int frameCount, int frame) {
  const std::optional<TRect> fr = SkinFrameRect(image, false, frameCount, frame);
  if (!fr || NegativeSize(target)) return;
  const int left = target.Left + (target.Width() - fr->Width()) / 2;
  const int top = target.Top + (target.Height() - fr->Height()) / 2;
  DrawStretched(canvas, Bounds(left, top, fr->Width(), fr->Height()), image, *fr, transparent);
}

void DrawThreePartDirect(Canvas& canvas, const TRect& target, const Bitmap& image,
                         bool verticalFrames, int frameCount, int frame, const TRect& margins) {
  const std::optional<TRect> fr = SkinFrameRect(image, verticalFrames, frameCount, frame);
  if (!fr || NegativeSize(target)) return;
  const int x = target.Left, y = target.Top, W = target.Width(), H = target.Height();
  const int ox = fr->Left, oy = fr->Top, fw = fr->Width(), fh = fr->Height();
  if (W < fw) {
    DrawStretched(canvas, target, image, *fr, false);
    return;
  }
  const TRect m = FitMargins({margins.Left, 0, margins.Right, 0}, fw, fh);
  const int L = m.Left, R = m.Right;
  DrawStretched(canvas, Bounds(x, y, L, H), image, Bounds(ox, oy, L, fh), false);
  DrawStretched(canvas, Bounds(x + L, y, W - L - R, H), image, Bounds(ox + L, oy, fw - L - R, fh),
                false);
  DrawStretched(canvas, Bounds(x + W - R, y, R, H), image, Bounds(ox + fw - R, oy, R, fh), false);
}

void TileDraw(Canvas& canvas, const TRect& target, const Bitmap& image, const TRect& source) {
  if (source.IsEmpty() || NegativeSize(target)) return;
  const Bitmap tile = CopyOut(image, source);
  ForEachTile(target, source.Width(), source.Height(), [&](int x, int y) { canvas.Draw(x, y, tile); });
}

void TransparentDraw(Canvas& canvas, const TRect& target, const Bitmap& image, TColor key) {
  if (NegativeSize(target)) return;
  Bitmap part = CopyOut(image, Rect(0, 0, std::min(target.Width(), image.Width()),
                                    std::min(target.Height(), image.Height())));
  part.Transparent = true;
  part.SetTransparentColor(key);
  canvas.Draw(target.Left, target.Top, part);
}

QRegion RegionFromBitmap(const Bitmap& image, int x, int y, int blueTolerance, int greenTolerance,
                         int redTolerance, TColor key) {
  key = ColorToRGB(key);
  const int r0 = GetRValue(key), g0 = GetGValue(key), b0 = GetBValue(key);
  const int r1 = std::min(255, r0 + redTolerance), g1 = std::min(255, g0 + greenTolerance),
            b1 = std::min(255, b0 + blueTolerance);
  auto isKey = [&](QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    return r >= r0 && r <= r1 && g >= g0 && g <= g1 && b >= b0 && b <= b1;
  };
  constexpr int kBatch = 2000;
  QRegion region;
  std::vector<QRect> rects;
  rects.reserve(kBatch);
  auto flush = [&] {
    if (rects.empty()) return;
    QRegion batch;
    batch.setRects(rects.data(), int(rects.size()));
    region = region.united(batch);
    rects.clear();
  };
  std::vector<QRgb> row(size_t(image.Width()));
  for (int py = 0; py < image.Height(); ++py) {
    LoadArgbRow(image, py, 0, image.Width(), row.data());
    for (int px = 0; px < image.Width();) {
      if (isKey(row[px])) {
        ++px;
        continue;
      }
      const int start = px;
      while (px < image.Width() && !isKey(row[px])) ++px;
      rects.emplace_back(start + x, py + y, px - start, 1);
      if (int(rects.size()) == kBatch) flush();
    }
  }
  flush();
  return region;
}

void PaintParentBackground(QWidget* control, Canvas& canvas) {
  QWidget* parent = control ? control->parentWidget() : nullptr;
  if (!parent) return;
  QPainter* p = canvas.Painter();
  if (!p) return;
  p->save();
  parent->render(p, QPoint(0, 0), QRegion(control->geometry()), QWidget::DrawWindowBackground);
  p->restore();
}

}  // namespace skinning
