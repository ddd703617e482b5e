#include "skinlib/manager/BitmapFactories.h"

#include "platform/WindowTable.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QWidget>

#include <algorithm>

using platform::Bitmap;
using platform::Canvas;
using platform::TColor;
using platform::TRect;

bool KeepGraphicControlsInClip = false;

std::unique_ptr<Bitmap> CreateBitmapLike(const Bitmap& source) {
  return std::make_unique<Bitmap>(source.Width(), source.Height(), source.PixelFormat());
}

std::unique_ptr<Bitmap> CreateBitmap24(int width, int height) {
  return std::make_unique<Bitmap>(width, height, platform::pf24bit);
}

std::unique_ptr<Bitmap> CreateBitmap32(int width, int height) {
  return std::make_unique<Bitmap>(width, height, platform::pf32bit);
}

void FillDCRect(Canvas& dc, const TRect& r, TColor color) {
  const int saved = dc.SaveDC();
  dc.Brush = {platform::ColorToRGB(color), platform::bsSolid};
  dc.FillRect(r);
  dc.RestoreDC(saved);
}

void FillDCBorder(Canvas& dc, const TRect& r, int leftWidth, TColor color, int bottomWidth, int rightWidth,
                  int topWidth) {
  const TRect bands[] = {
      {r.Left, r.Top, r.Right, r.Top + topWidth},
      {r.Left, r.Top + topWidth, r.Left + leftWidth, r.Bottom},
      {r.Left + leftWidth, r.Bottom - bottomWidth, r.Right, r.Bottom},
      {r.Right - rightWidth, r.Top + topWidth, r.Right, r.Bottom - bottomWidth},
  };
  const int saved = dc.SaveDC();
  dc.Brush = {platform::ColorToRGB(color), platform::bsSolid};
  for (const TRect& band : bands)
    if (!band.IsEmpty()) dc.FillRect(band);
  dc.RestoreDC(saved);
}

void CopyDCBorder(Canvas& dst, int x, int y, int width, int srcX, int srcY, Canvas& src, int height,
                  int borderWidth) {
  const Bitmap* source = src.TargetBitmap();
  if (!source || borderWidth <= 0 || width <= 0 || height <= 0) return;
  // The source canvas's logical coordinates in its bitmap's pixels.
  const int sx = srcX - src.GetWindowOrg().X + src.GetViewportOrg().X;
  const int sy = srcY - src.GetWindowOrg().Y + src.GetViewportOrg().Y;
  const int b = std::min({borderWidth, width, height});
  auto copy = [&](int dx, int dy, int w, int h) {
    if (w > 0 && h > 0) dst.CopyRect(platform::Bounds(x + dx, y + dy, w, h), *source, platform::Bounds(sx + dx, sy + dy, w, h));
  };
  copy(0, 0, width, b);                       // top
  copy(0, height - b, width, b);              // bottom
  copy(0, b, b, height - 2 * b);              // left
  copy(width - b, b, b, height - 2 * b);      // right
}

void ExcludeGraphicControls(Canvas& dc, const QWidget* control, int offsetY, int offsetX) {
  if (KeepGraphicControlsInClip || !control) return;
  // A frame has a window of its own, so it is never a graphic control.
  for (QObject* child : control->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || !w->isVisible() || !platform::IsGraphicControl(w)) continue;
    const QRect g = w->geometry();
    dc.ExcludeClipRect(platform::Bounds(g.x() + offsetX, g.y() + offsetY, g.width(), g.height()));
  }
}

namespace {

// Copies `s` of the source onto `d` tiled (whole copies from d's top-left,
// the last ones cut) or stretched.
void FillPart(Canvas& dst, const Bitmap& src, const TRect& d, const TRect& s, bool stretch) {
  if (d.IsEmpty() || s.IsEmpty()) return;
  if (stretch) {
    dst.CopyRect(d, src, s);
    return;
  }
  for (int y = d.Top; y < d.Bottom; y += s.Height())
    for (int x = d.Left; x < d.Right; x += s.Width()) {
      const int w = std::min(s.Width(), d.Right - x), h = std::min(s.Height(), d.Bottom - y);
      dst.CopyRect(platform::Bounds(x, y, w, h), src, platform::Bounds(s.Left, s.Top, w, h));
    }
}

}  // namespace

void PaintNinePartBitmap(Canvas& dst, const Bitmap& src, const TRect& d, const TacNinePartModes& modes,
                         const TRect& margins, const TRect& borderWidths, const TRect& s) {
  if (d.IsEmpty() || s.IsEmpty() || src.Empty()) return;
  const int saved = dst.SaveDC();
  // Nearest pixels, as the black-on-white mode gives them when enlarging.
  dst.SetStretchBltMode(platform::COLORONCOLOR);
  const int ml = std::max(margins.Left, 0), mt = std::max(margins.Top, 0);
  const int mr = std::max(margins.Right, 0), mb = std::max(margins.Bottom, 0);
  const int bl = std::clamp(borderWidths.Left, 0, s.Width()), bt = std::clamp(borderWidths.Top, 0, s.Height());
  const int br = std::clamp(borderWidths.Right, 0, s.Width() - bl);
  const int bb = std::clamp(borderWidths.Bottom, 0, s.Height() - bt);
  // The piece's sides and centre, between its borders.
  const TRect srcTop{s.Left + bl, s.Top, s.Right - br, s.Top + bt};
  const TRect srcBottom{s.Left + bl, s.Bottom - bb, s.Right - br, s.Bottom};
  const TRect srcLeft{s.Left, s.Top + bt, s.Left + bl, s.Bottom - bb};
  const TRect srcRight{s.Right - br, s.Top + bt, s.Right, s.Bottom - bb};
  const TRect srcCentre{s.Left + bl, s.Top + bt, s.Right - br, s.Bottom - bb};
  // The destination's grid.
  const int inL = d.Left + ml, inT = d.Top + mt, inR = d.Right - mr, inB = d.Bottom - mb;
  FillPart(dst, src, TRect{inL, d.Top, inR, inT}, srcTop, modes.Top == 1);
  FillPart(dst, src, TRect{inL, inB, inR, d.Bottom}, srcBottom, modes.Bottom == 1);
  FillPart(dst, src, TRect{d.Left, inT, inL, inB}, srcLeft, modes.Left == 1);
  FillPart(dst, src, TRect{inR, inT, d.Right, inB}, srcRight, modes.Right == 1);
  if (modes.FillCentre) FillPart(dst, src, TRect{inL, inT, inR, inB}, srcCentre, modes.Centre == 1);
  // A corner cell: the piece's corner from its outer corner, at most the
  // border's size; the rest of a larger cell continues the piece's pixels
  // next to the corner (its border strips), unscaled and cut to the piece.
  auto corner = [&](int cellX, int cellY, int cellW, int cellH, bool right, bool bottom) {
    if (cellW <= 0 || cellH <= 0) return;
    const int w = std::min(cellW, s.Width()), h = std::min(cellH, s.Height());
    const int sx = right ? s.Right - w : s.Left, sy = bottom ? s.Bottom - h : s.Top;
    const int dx = right ? cellX + cellW - w : cellX, dy = bottom ? cellY + cellH - h : cellY;
    dst.CopyRect(platform::Bounds(dx, dy, w, h), src, platform::Bounds(sx, sy, w, h));
  };
  corner(d.Left, d.Top, ml, mt, false, false);
  corner(inR, d.Top, mr, mt, true, false);
  corner(d.Left, inB, ml, mb, false, true);
  corner(inR, inB, mr, mb, true, true);
  dst.RestoreDC(saved);
}

void DrawBevelFrame(Canvas& dc, TRect& r, TColor lightColor, int& count, TColor darkColor) {
  const platform::TPen pen = dc.Pen;
  const platform::TBrush brush = dc.Brush;
  const platform::TPen light{platform::ColorToRGB(lightColor), 1, platform::psSolid, platform::pmCopy};
  const platform::TPen dark{darkColor, 1, platform::psSolid, platform::pmCopy};
  dc.Brush.Style = platform::bsClear;
  --r.Right;
  --r.Bottom;
  while (count > 0) {
    --count;
    dc.Pen = light;
    dc.Polyline({{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}});
    dc.Pen = dark;
    dc.Polyline({{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left - 1, r.Bottom}});
    r = platform::InflateRect(r, -1, -1);
  }
  ++r.Right;
  ++r.Bottom;
  dc.Pen = pen;
  dc.Brush = brush;
}

void PaintControlBorder(Canvas& dc, const TRect& r, int borderWidth, TRect& clientRect, int state, Bitmap* cache,
                        const TsSkinManager* manager, int maskIndex, TColor color, const TsBgQuery& parentQuery,
                        const TsBgSource& parentBg) {
  const bool masked = cache && manager && manager->IsValidMaskIndex(maskIndex);
  if (!masked) {
    if (borderWidth == 0) return;
    FillDCBorder(dc, r, borderWidth, color, borderWidth, borderWidth, borderWidth);
    clientRect = platform::InflateRect(r, -borderWidth, -borderWidth);
    clientRect.Right = std::max(clientRect.Right, clientRect.Left);
    clientRect.Bottom = std::max(clientRect.Bottom, clientRect.Top);
    return;
  }
  const TsMaskData& m = manager->MaskData[size_t(maskIndex)];
  Canvas& cacheDc = cache->GetCanvas();
  if (m.MaskType == 1) {
    if (parentQuery.BgKind != TsBgQuery::FromBitmap || !parentQuery.Bitmap) {
      FillDCBorder(cacheDc, r, m.WL, color, m.WB, m.WR, m.WT);
    } else {
      const TRect bands[] = {{r.Left, r.Top, r.Right, r.Top + m.WT},
                             {r.Left, r.Top + m.WT, r.Left + m.WL, r.Bottom},
                             {r.Left + m.WL, r.Bottom - m.WB, r.Right, r.Bottom},
                             {r.Right - m.WR, r.Top + m.WT, r.Right, r.Bottom - m.WB}};
      for (const TRect& band : bands)
        if (!band.IsEmpty())
          cacheDc.CopyRect(band, *parentQuery.Bitmap,
                           platform::OffsetRect(band, parentQuery.Offset.X, parentQuery.Offset.Y));
    }
  }
  cacheDc.EndPainting();
  PaintMaskRect(*cache, r, false, parentBg, m, state, true);
  clientRect = TRect{r.Left + m.WL, r.Top + m.WT, r.Right - m.WR, r.Bottom - m.WB};
  if (borderWidth == 0) return;
  // The bands between the mask's margins and the border width.
  const int w = r.Width(), h = r.Height();
  auto band = [&](int own, int opposite, int extent) {
    return std::max(std::min(borderWidth, extent - opposite) - own, 0);
  };
  FillDCBorder(cacheDc, clientRect, band(m.WL, m.WR, w), color, band(m.WB, m.WT, h), band(m.WR, m.WL, w),
               band(m.WT, m.WB, h));
  cacheDc.EndPainting();
  clientRect = platform::InflateRect(r, -borderWidth, -borderWidth);
  clientRect.Right = std::max(clientRect.Right, clientRect.Left);
  clientRect.Bottom = std::max(clientRect.Bottom, clientRect.Top);
  if (&dc != &cacheDc) CopyDCBorder(dc, r.Left, r.Top, w, r.Left, r.Top, cacheDc, h, borderWidth);
}

void PaintSkinBorders(Canvas& dc, const TRect& r, int borderWidth, TRect& clientRect, int state, TsCommonData& data) {
  const TColor color = data.SectionBgColor(state != 0, nullptr);
  TsBgQuery query;
  query.BgKind = TsBgQuery::PlainColor;
  query.Color = color;
  QWidget* owner = data.OwnerControl();
  if (QWidget* parent = owner && !owner->isWindow() ? owner->parentWidget() : nullptr) {
    query.R = platform::Bounds(owner->x(), owner->y(), owner->width(), owner->height());
    QueryControlBackground(query, parent, false);
    query.Offset.X += owner->x();
    query.Offset.Y += owner->y();
  }
  TsBgSource parentBg;
  CacheInfoFromBgInfo(query, parentBg);
  PaintControlBorder(dc, r, borderWidth, clientRect, state, data.CacheBitmap.get(), data.SkinManager(),
                     data.BorderMaskIndex, color, query, parentBg);
}
