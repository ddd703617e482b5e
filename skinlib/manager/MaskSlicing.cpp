#include "skinlib/manager/MaskSlicing.h"

#include "platform/Blit.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/PixelRows.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QWidget>

#include <algorithm>

using platform::Bitmap;
using platform::TColor;
using platform::TPoint;
using platform::TRect;
using pixelrows::PixelAt;
using pixelrows::PixelBytes;

namespace {

// Fits two opposite margins into an extent: the excess e = a + b - extent
// comes off as a -= e div 2, b -= e - e div 2; then neither is negative
// and their sum is at most the extent.
void FitMargins(int& a, int& b, int extent) {
  const int excess = a + b - extent;
  if (excess > 0) {
    a -= excess / 2;
    b -= excess - excess / 2;
  }
  a = std::clamp(a, 0, extent);
  b = std::clamp(b, 0, extent - a);
}

// How ForEachPiece hands out a tiled strip: tile by tile, or the whole
// strip with the tile as its source (Dst larger than Src, not stretched).
enum class TacTiles { OneByOne, WholeStrip };

// Calls `f` with each piece of a strip `dst` filled from the picture piece
// `src`: one stretched piece, or tiles of src's size from the top-left,
// the last ones cut. Nothing when either is empty.
template <TacTiles tiles = TacTiles::OneByOne, class F>
void Strip(const TRect& dst, const TRect& src, TacPieceKind kind, bool stretch, F&& f) {
  if (dst.IsEmpty() || src.IsEmpty()) return;
  if (stretch || tiles == TacTiles::WholeStrip) {
    f(TacMaskPiece{dst, src, kind, stretch});
    return;
  }
  const int sw = src.Width(), sh = src.Height();
  for (int y = dst.Top; y < dst.Bottom; y += sh) {
    const int h = std::min(sh, dst.Bottom - y);
    for (int x = dst.Left; x < dst.Right; x += sw) {
      const int w = std::min(sw, dst.Right - x);
      f(TacMaskPiece{platform::Bounds(x, y, w, h), platform::Bounds(src.Left, src.Top, w, h), kind, false});
    }
  }
}

// Every piece of the mask over `r`, in PaintMaskRect's order.
template <TacTiles tiles = TacTiles::OneByOne, class F>
void ForEachPiece(const TsMaskData& m, const TacMaskSlices& s, const TRect& r, bool centre, F&& f) {
  const bool stretch = m.MaskType == 0 && (m.DrawMode & kDrawStretch);
  const int x0 = s.ImageLeft, y0 = s.ImageTop;
  const int xr = x0 + s.ImageWidth - s.R, yb = y0 + s.ImageHeight - s.B;  // right and bottom pieces
  const int cw = s.CentreWidth, ch = s.CentreHeight;
  const int inL = r.Left + s.L, inT = r.Top + s.T, inR = r.Right - s.R, inB = r.Bottom - s.B;
  auto corner = [&](int dx, int dy, int sx, int sy, int w, int h) {
    if (w > 0 && h > 0)
      f(TacMaskPiece{platform::Bounds(dx, dy, w, h), platform::Bounds(sx, sy, w, h), TacPieceKind::Corner, false});
  };
  corner(r.Left, r.Top, x0, y0, s.L, s.T);
  Strip<tiles>(TRect{r.Left, inT, inL, inB}, platform::Bounds(x0, y0 + s.T, s.L, ch), TacPieceKind::Side, stretch, f);
  Strip<tiles>(TRect{inL, r.Top, inR, inT}, platform::Bounds(x0 + s.L, y0, cw, s.T), TacPieceKind::Side, stretch, f);
  corner(r.Left, inB, x0, yb, s.L, s.B);
  Strip<tiles>(TRect{inL, inB, inR, r.Bottom}, platform::Bounds(x0 + s.L, yb, cw, s.B), TacPieceKind::Side, stretch, f);
  corner(inR, inB, xr, yb, s.R, s.B);
  corner(inR, r.Top, xr, y0, s.R, s.T);
  Strip<tiles>(TRect{inR, inT, r.Right, inB}, platform::Bounds(xr, y0 + s.T, s.R, ch), TacPieceKind::Side, stretch, f);
  if (centre && (m.DrawMode & kDrawCentre))
    Strip<tiles>(TRect{inL, inT, inR, inB}, platform::Bounds(x0 + s.L, y0 + s.T, cw, ch), TacPieceKind::Centre, stretch, f);
}

// The image byte's weight of a glyph: the mask byte, or faded.
inline int GlyphWeight(int m, int mode) { return mode == 1 ? m : std::min(m + 100, 255); }

// ((d - s) * m + s * 256) >> 8 kept within a byte.
inline uint8_t MaskBlend(int d, int s, int m) { return uint8_t(std::clamp(((d - s) * m + s * 256) >> 8, 0, 255)); }

}  // namespace

const Bitmap* MaskImage(const TsMaskData& mask) {
  if (mask.Bmp) return mask.Bmp.get();
  return mask.Manager ? mask.Manager->MasterBitmap.get() : nullptr;
}

TsMaskData MaskWithoutPicture(const TsMaskData& m) {
  TsMaskData copy;
  copy.ClassName = m.ClassName;
  copy.PropertyName = m.PropertyName;
  copy.R = m.R;
  copy.ImageCount = m.ImageCount;
  copy.MaskType = m.MaskType;
  copy.BorderWidth = m.BorderWidth;
  copy.DrawMode = m.DrawMode;
  copy.ImgType = m.ImgType;
  copy.Manager = m.Manager;
  copy.WL = m.WL;
  copy.WT = m.WT;
  copy.WR = m.WR;
  copy.WB = m.WB;
  return copy;
}

bool SliceMask(const TsMaskData& m, const TRect& r, int state, TacMaskSlices& s) {
  const int w = r.Width(), h = r.Height();
  if (w < 2 || h < 2 || m.ImageCount <= 0 || m.MaskType < 0) return false;
  s.ImageWidth = MaskImageWidth(m);
  s.ImageHeight = MaskImageHeight(m);
  if (s.ImageWidth <= 0 || s.ImageHeight <= 0) return false;
  s.L = m.WL;
  s.R = m.WR;
  s.T = m.WT;
  s.B = m.WB;
  FitMargins(s.L, s.R, w);
  FitMargins(s.T, s.B, h);
  const int st = std::clamp(state, 0, m.ImageCount - 1);
  s.ImageLeft = m.R.Left + st * s.ImageWidth;
  s.ImageTop = m.R.Top;
  s.CentreWidth = std::max(s.ImageWidth - s.L - s.R, 0);
  s.CentreHeight = std::max(s.ImageHeight - s.T - s.B, 0);
  return true;
}

std::vector<TacMaskPiece> MaskPieces(const TsMaskData& mask, const TRect& r, int state, bool centre) {
  std::vector<TacMaskPiece> pieces;
  TacMaskSlices s;
  if (SliceMask(mask, r, state, s)) ForEachPiece(mask, s, r, centre, [&](const TacMaskPiece& p) { pieces.push_back(p); });
  return pieces;
}

void PaintMaskRect(Bitmap& bitmap, const TRect& r, bool fillCentre, const TsBgSource& bg, const TsMaskData& mask,
                   int state, bool maskedCorners) {
  if (state == 0 && (mask.DrawMode & kDrawNoNormalState)) return;
  if (!mask.Manager || !PixelBytes(bitmap)) return;
  const Bitmap* image = MaskImage(mask);
  TacMaskSlices s;
  if (!image || !PixelBytes(*image) || !SliceMask(mask, r, state, s)) return;
  if (mask.MaskType != 0) {
    // A tiled strip is painted whole (the same pixels as tile by tile).
    ForEachPiece<TacTiles::WholeStrip>(mask, s, r, fillCentre, [&](const TacMaskPiece& p) {
      const bool corner = p.Kind == TacPieceKind::Corner;
      if (!corner && !p.Stretched) {
        PaintTiledImageWithMask(p.Dst, p.Src, bitmap, s.ImageHeight, *image);
        return;
      }
      PaintImageWithMask(p.Dst, p.Src, bitmap, s.ImageHeight, corner && maskedCorners, corner ? bg : EmptyCacheInfo,
                         *image);
    });
    return;
  }
  // Into 32-bit pixels a 24-bit state image is widened once, not in every
  // tile (only when the state lies wholly inside its picture: elsewhere
  // the pixels outside stay unpainted).
  const Bitmap* source = image;
  TPoint shift{0, 0};
  Bitmap widened;
  const TRect stateImage = platform::Bounds(s.ImageLeft, s.ImageTop, s.ImageWidth, s.ImageHeight);
  if (PixelBytes(bitmap) == 4 && PixelBytes(*image) == 3 && !(mask.DrawMode & kDrawStretch) &&
      platform::IntersectRect(stateImage, TRect{0, 0, image->Width(), image->Height()}) == stateImage) {
    widened = Bitmap(s.ImageWidth, s.ImageHeight, platform::pf32bit);
    pixelrows::CopyBlock(widened, 0, 0, *image, s.ImageLeft, s.ImageTop, s.ImageWidth, s.ImageHeight);
    source = &widened;
    shift = {-s.ImageLeft, -s.ImageTop};
  }
  ForEachPiece(mask, s, r, fillCentre, [&](const TacMaskPiece& piece) {
    TacMaskPiece p = piece;
    p.Src = platform::OffsetRect(p.Src, shift.X, shift.Y);
    if (p.Kind == TacPieceKind::Corner) {
      PaintImageWithKeyColor(bitmap, *source, maskedCorners, bg, KeyColor, p.Src, TPoint{p.Dst.Left, p.Dst.Top});
    } else if (p.Stretched) {
      platform::StretchBlt(bitmap, p.Dst.Left, p.Dst.Top, p.Dst.Width(), p.Dst.Height(), *source, p.Src.Left,
                           p.Src.Top, p.Src.Width(), p.Src.Height(), platform::HALFTONE);
    } else {
      pixelrows::Area a;
      if (pixelrows::ClipArea(p.Dst, p.Src, bitmap, *source, a))
        pixelrows::CopyBlock(bitmap, a.dx, a.dy, *source, a.sx, a.sy, a.w, a.h);
    }
  });
}

void PaintMaskedGlyph(Bitmap& dst, TPoint dstPoint, const TRect& srcRect, const Bitmap& image, const TsMaskData& mask,
                      TColor keyColor, int mode) {
  if (mask.MaskType == 0) {
    CopyTransparentRect(dst, image, keyColor, srcRect, dstPoint);
    return;
  }
  if (mask.MaskType < 0) return;
  const int offset = mask.R.Height() / (mask.MaskType + 1);
  const int db = PixelBytes(dst), sb = PixelBytes(image);
  pixelrows::Area a;
  if (offset < 0 || !db || !sb || !pixelrows::ClipArea(dstPoint, srcRect, dst, image, a)) return;
  a.h = int(std::min<int64_t>(a.h, int64_t(image.Height()) - a.sy - offset));
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = PixelAt(image, a.sx, a.sy + y, sb);
    const uint8_t* m = PixelAt(image, a.sx, a.sy + offset + y, sb);
    uint8_t* d = PixelAt(dst, a.dx, a.dy + y, db);
    for (int x = 0; x < a.w; ++x, s += sb, m += sb, d += db) {
      if (pixelrows::SameColor(s, keyColor)) continue;
      for (int c = 0; c < 3; ++c) d[c] = MaskBlend(d[c], s[c], GlyphWeight(m[c], mode));
      if (db == 4) d[3] = 255;
    }
  }
}

void PaintMaskGlyph(Bitmap& bitmap, TPoint point, int state, int mode, const TsMaskData& mask, const TsBgSource& bg) {
  if (mask.ImageCount <= 0) return;
  const int iw = MaskImageWidth(mask), ih = MaskImageHeight(mask);
  if (iw <= 0 || ih <= 0) return;
  const int s = std::clamp(state, 0, mask.ImageCount - 1);
  const int skipX = std::max(0, -point.X), skipY = std::max(0, -point.Y);
  const TRect src{mask.R.Left + s * iw + skipX, mask.R.Top + skipY, mask.R.Left + (s + 1) * iw, mask.R.Top + ih};
  const TPoint at{point.X + skipX, point.Y + skipY};
  if (mask.Bmp) {
    if (mask.Bmp->Width() >= mask.R.Right && mask.Bmp->Height() >= mask.R.Bottom)
      PaintMaskedGlyph(bitmap, at, src, *mask.Bmp, mask, KeyColor, mode);
    return;
  }
  if (!mask.Manager || !mask.Manager->MasterBitmap) return;
  const Bitmap& master = *mask.Manager->MasterBitmap;
  if (mask.MaskType >= 1)
    PaintMaskedGlyph(bitmap, at, src, master, mask, KeyColor, mode);
  else if (mode == 1)
    PaintImageWithKeyColor(bitmap, master, true, bg, KeyColor, src, at);
  else
    BlendBitmapRect(bitmap, at.X, at.Y, KeyColor, 0.5, src, master);
}

void PaintMaskedImage(const TRect& dstRect, const TRect& srcRect, Bitmap& bitmap, const TsBgSource& bg,
                      const TsMaskData& mask) {
  const Bitmap* image = MaskImage(mask);
  if (!image) return;
  const int db = PixelBytes(bitmap), sb = PixelBytes(*image);
  const bool fromParent = bg.FillColor == KeyColor && bg.IsReady;
  if (fromParent && (!bg.Bitmap || !PixelBytes(*bg.Bitmap))) return;
  const int offset = mask.R.Height() / 2;  // a rectangle turned round has no mask part
  pixelrows::Area a;
  if (offset < 0 || !db || !sb || !pixelrows::ClipArea(dstRect, srcRect, bitmap, *image, a)) return;
  a.h = int(std::min<int64_t>(a.h, int64_t(image->Height()) - a.sy - offset));
  const TColor fill = bg.FillColor;
  const uint8_t fillBgr[3] = {uint8_t(fill >> 16), uint8_t(fill >> 8), uint8_t(fill)};
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = PixelAt(*image, a.sx, a.sy + y, sb);
    const uint8_t* m = PixelAt(*image, a.sx, a.sy + offset + y, sb);
    uint8_t* d = PixelAt(bitmap, a.dx, a.dy + y, db);
    for (int x = 0; x < a.w; ++x, s += sb, m += sb, d += db) {
      if (pixelrows::IsKey(s)) {
        uint8_t bgr[3];
        if (!fromParent)
          pixelrows::PutPixel(d, db, fillBgr);
        else if (pixelrows::ParentPixel(bg, a.dx + x, a.dy + y, bgr))
          pixelrows::PutPixel(d, db, bgr);
        continue;
      }
      for (int c = 0; c < 3; ++c) d[c] = MaskBlend(d[c], s[c], m[c]);
    }
  }
}

namespace {

// Gives the parent background to every pixel of the border strips of
// `sides` whose picture pixel, through the pieces PaintMaskRect lays, is
// the key colour.
void RestoreKeyPixels(Bitmap& cache, int width, int height, const TsMaskData& mask, const Bitmap& image, int state,
                      unsigned sides, const TsBgSource& parent) {
  const int cb = PixelBytes(cache), ib = PixelBytes(image);
  const bool fromBitmap = parent.IsReady && parent.Bitmap;
  if (!cb || !ib || (!fromBitmap && parent.FillColor == KeyColor)) return;
  const TColor fill = platform::ColorToRGB(parent.FillColor);
  const uint8_t fillBgr[3] = {uint8_t(fill >> 16), uint8_t(fill >> 8), uint8_t(fill)};
  const TRect whole{0, 0, width, height};
  std::vector<TRect> strips;
  if (sides & kSideLeft) strips.push_back({0, 0, mask.WL, height});
  if (sides & kSideTop) strips.push_back({0, 0, width, mask.WT});
  if (sides & kSideRight) strips.push_back({width - mask.WR, 0, width, height});
  if (sides & kSideBottom) strips.push_back({0, height - mask.WB, width, height});
  const TRect inCache = pixelrows::ClipToBitmap(whole, cache);
  TacMaskSlices s;
  if (!SliceMask(mask, whole, state, s)) return;
  ForEachPiece(mask, s, whole, false, [&](const TacMaskPiece& p) {
    for (const TRect& strip : strips) {
      const TRect area = platform::IntersectRect(platform::IntersectRect(p.Dst, strip), inCache);
      for (int y = area.Top; y < area.Bottom; ++y) {
        const int64_t sy = p.Stretched ? p.Src.Top + int64_t(y - p.Dst.Top) * p.Src.Height() / p.Dst.Height()
                                       : int64_t(p.Src.Top) + (y - p.Dst.Top);
        if (sy < 0 || sy >= image.Height()) continue;
        for (int x = area.Left; x < area.Right; ++x) {
          const int64_t sx = p.Stretched ? p.Src.Left + int64_t(x - p.Dst.Left) * p.Src.Width() / p.Dst.Width()
                                         : int64_t(p.Src.Left) + (x - p.Dst.Left);
          if (sx < 0 || sx >= image.Width() || !pixelrows::IsKey(PixelAt(image, int(sx), int(sy), ib))) continue;
          uint8_t bgr[3];
          uint8_t* d = PixelAt(cache, x, y, cb);
          if (!fromBitmap)
            pixelrows::PutPixel(d, cb, fillBgr);
          else if (pixelrows::ParentPixel(parent, x, y, bgr))
            pixelrows::PutPixel(d, cb, bgr);
        }
      }
    }
  });
}

}  // namespace

void FillBorderKeyPixels(Bitmap& cache, int width, int height, const TsMaskData& mask, const Bitmap& image,
                         int state, unsigned sides, const TsBgSource& parent) {
  if (mask.MaskType == 0) RestoreKeyPixels(cache, width, height, mask, image, state, sides, parent);
}

void FillMaskedBorderKeyPixels(Bitmap& cache, int width, int height, const TsMaskData& mask, const Bitmap& image,
                               int state, unsigned sides, const TsBgSource& parent) {
  if (mask.MaskType >= 1) RestoreKeyPixels(cache, width, height, mask, image, state, sides, parent);
}

void RestoreBorderBackground(Bitmap& cache, int width, int height, const TsSkinManager& manager, int maskIndex,
                             const TsBgSource& parent, unsigned sides, int state) {
  if (!manager.IsValidMaskIndex(maskIndex) || width < 2 || height < 2) return;
  const TsMaskData& stored = manager.MaskData[size_t(maskIndex)];
  TsMaskData m = MaskWithoutPicture(stored);  // its picture is passed apart
  const Bitmap* image = MaskImage(stored);
  if (!image) return;
  if (m.ImageCount == 0) {
    if (!stored.Bmp) return;
    m.ImageCount = 3;
    m.MaskType = 1;
    m.R = TRect{0, 0, image->Width(), image->Height()};
  }
  if (m.MaskType == 0)
    FillBorderKeyPixels(cache, width, height, m, *image, state, sides, parent);
  else
    FillMaskedBorderKeyPixels(cache, width, height, m, *image, state, sides, parent);
}

void FillBorderBackground(TsCommonData& data, unsigned sides) {
  TsSkinManager* manager = data.SkinManager();
  QWidget* control = data.OwnerControl();
  if (!manager || !manager->IsValidMaskIndex(data.BorderMaskIndex) || !data.CacheBitmap || !control ||
      control->width() < 2 || control->height() < 2)
    return;
  TsBgQuery query;
  query.R = TRect{0, 0, control->width(), control->height()};
  commondata::QueryControlBackground(query, control, false);
  TsBgSource parent;
  if (query.BgKind == TsBgQuery::FromBitmap && query.Bitmap) {
    parent = {query.Bitmap, query.Offset.X + control->x(), query.Offset.Y + control->y(), KeyColor, true};
  } else {
    parent.FillColor = platform::ColorToRGB(query.Color);
  }
  RestoreBorderBackground(*data.CacheBitmap, control->width(), control->height(), *manager, data.BorderMaskIndex,
                          parent, sides);
}

void PaintAllBorders(TsCommonData& data) { FillBorderBackground(data, kAllSides); }
