#include "skinlib/manager/SectionBackgrounds.h"

#include "platform/Blit.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/FastBitmaps.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/PixelRows.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/SkinGradients.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QWidget>

#include <algorithm>
#include <array>
#include <cstring>

using platform::Bitmap;
using platform::Canvas;
using platform::TColor;
using platform::TPoint;
using platform::TRect;
using pixelrows::PixelBytes;

namespace {

constexpr TRect kNoRest{-1, -1, -1, -1};

TsSkinManager* Resolve(TsSkinManager* manager) { return manager ? manager : FirstSkinManager; }

// The source moved so that the parent pixel behind (x, y) of the bitmap
// is (X + dx + x, Y + dy + y).
TsBgSource Shifted(const TsBgSource& bg, int dx, int dy) {
  TsBgSource s = bg;
  s.X += dx;
  s.Y += dy;
  return s;
}

// `r` of a 24- or 32-bit bitmap (cut to it) in one opaque colour.
void FillArea(Bitmap& bitmap, const TRect& r, TColor color) {
  const int bytes = PixelBytes(bitmap);
  const TRect c = pixelrows::ClipToBitmap(r, bitmap);
  if (!bytes || c.IsEmpty()) return;
  const TColor rgb = platform::ColorToRGB(color);
  const uint8_t bgr[3] = {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
  // The first row pixel by pixel, the others copies of it.
  uint8_t* first = pixelrows::PixelAt(bitmap, c.Left, c.Top, bytes);
  uint8_t* d = first;
  for (int x = c.Left; x < c.Right; ++x, d += bytes) pixelrows::PutPixel(d, bytes, bgr, 255);
  const size_t row = size_t(c.Width()) * size_t(bytes);
  for (int y = c.Top + 1; y < c.Bottom; ++y) std::memcpy(pixelrows::PixelAt(bitmap, c.Left, y, bytes), first, row);
}

// `r` of the bitmap from the parent's bitmap, whose pixel behind r's
// top-left corner is (X + at.X, Y + at.Y); nothing when the parent has no
// bitmap or is the bitmap itself.
void CopyFromParent(Bitmap& bitmap, const TRect& r, const TsBgSource& parentBg, TPoint at) {
  const Bitmap* parent = parentBg.Bitmap;
  if (!parent || parent == &bitmap || !PixelBytes(*parent) || !PixelBytes(bitmap)) return;
  pixelrows::Area a;
  const TRect src = platform::Bounds(parentBg.X + at.X, parentBg.Y + at.Y, r.Width(), r.Height());
  if (pixelrows::ClipArea(r, src, bitmap, *parent, a)) pixelrows::CopyBlock(bitmap, a.dx, a.dy, *parent, a.sx, a.sy, a.w, a.h);
}

// Only the parent background in r: its colour when it is not ready, else
// its bitmap.
void PaintParentBackground(Bitmap& bitmap, const TRect& r, const TsBgSource& parentBg, TPoint offset) {
  if (!parentBg.IsReady)
    FillArea(bitmap, r, parentBg.FillColor);
  else
    CopyFromParent(bitmap, r, parentBg, offset);
}

// A work bitmap of w x h in the format of `like` (32 bits for a 32-bit
// bitmap, else 24), zeroed as a new one is. The painters run again and
// again over the same sizes: each thread keeps two such bitmaps (of at
// most kKeptPixels) between calls, handed out one at a time each; a
// further one, or a larger one, is made for the call alone.
class WorkBitmap {
 public:
  WorkBitmap(const Bitmap& like, int w, int h) {
    const platform::TPixelFormat format = PixelBytes(like) == 4 ? platform::pf32bit : platform::pf24bit;
    const auto make = [&] { return format == platform::pf32bit ? CreateBitmap32(w, h) : CreateBitmap24(w, h); };
    if (int64_t(w) * h <= kKeptPixels)
      for (Slot& s : slots_)
        if (!s.busy) {
          slot_ = &s;
          break;
        }
    if (!slot_) {
      owned_ = make();
      bitmap_ = owned_.get();
      return;
    }
    Bitmap* kept = slot_->bitmap.get();
    if (kept && kept->Width() == w && kept->Height() == h && kept->PixelFormat() == format) {
      // Zeroed row by row in place (Fill would build a row of colours).
      const size_t rowBytes = size_t(w) * size_t(PixelBytes(*kept));
      for (int y = 0; y < h; ++y) std::memset(kept->ScanLine(y), 0, rowBytes);
    } else {
      slot_->bitmap = make();
    }
    slot_->busy = true;
    bitmap_ = slot_->bitmap.get();
  }
  ~WorkBitmap() {
    if (slot_) slot_->busy = false;
  }
  WorkBitmap(const WorkBitmap&) = delete;
  WorkBitmap& operator=(const WorkBitmap&) = delete;
  Bitmap& operator*() const { return *bitmap_; }
  Bitmap* operator->() const { return bitmap_; }

 private:
  static constexpr int64_t kKeptPixels = int64_t{1} << 22;
  struct Slot {
    std::unique_ptr<Bitmap> bitmap;
    bool busy = false;
  };
  static thread_local std::array<Slot, 2> slots_;
  Slot* slot_ = nullptr;
  std::unique_ptr<Bitmap> owned_;
  Bitmap* bitmap_ = nullptr;
};

thread_local std::array<WorkBitmap::Slot, 2> WorkBitmap::slots_;

// Whole w x h tiles of `srcRect`'s top-left block over `area`, the last
// column and row cut.
void Tile(Bitmap& bitmap, const TRect& area, const Bitmap& src, const TRect& srcRect) {
  const int w = srcRect.Width(), h = srcRect.Height();
  if (w <= 0 || h <= 0) return;
  const TRect c = platform::IntersectRect(area, TRect{0, 0, bitmap.Width(), bitmap.Height()});
  if (c.IsEmpty()) return;
  // Tiles left of or above the bitmap are skipped, keeping the grid.
  const int x0 = area.Left + std::max(0, (c.Left - area.Left) / w) * w;
  const int y0 = area.Top + std::max(0, (c.Top - area.Top) / h) * h;
  const int bytes = PixelBytes(bitmap);
  // With rows of a known size, one band of tiles h rows high is blitted
  // and every row below it is the row h above it.
  const int bandBottom = bytes ? std::min(c.Top + h, c.Bottom) : c.Bottom;
  const TRect band{c.Left, c.Top, c.Right, bandBottom};
  for (int y = y0; y < bandBottom; y += h)
    for (int x = x0; x < c.Right; x += w)
      platform::BitBlt(bitmap, x, y, std::min(w, area.Right - x), std::min(h, area.Bottom - y), src, srcRect.Left,
                       srcRect.Top, &band);
  const size_t rowBytes = size_t(c.Width()) * size_t(bytes);
  for (int y = bandBottom; y < c.Bottom; ++y)
    std::memcpy(pixelrows::PixelAt(bitmap, c.Left, y, bytes), pixelrows::PixelAt(bitmap, c.Left, y - h, bytes), rowBytes);
}

int PatternOf(const TsSkinManager& sm, const QString& section, const QString& name) {
  for (size_t i = 0; i < sm.PatternData.size(); ++i)
    if (sm.PatternData[i].ClassName == section && sm.PatternData[i].PropertyName == name && sm.PatternData[i].Img)
      return int(i);
  return -1;
}

const TsMaskData* ValidMask(const TsSkinManager& sm, int index) {
  return sm.IsValidMaskIndex(index) ? &sm.MaskData[size_t(index)] : nullptr;
}

// The section's layer values of one state.
TacSectionLayers SectionLayers(const TsGeneralData& s, int state) {
  TacSectionLayers l;
  const bool hot = state != 0;
  l.Color = hot ? s.HotColor : s.Color;
  l.Transparency = hot ? s.HotTransparency : s.Transparency;
  l.GradientPercent = hot ? s.HotGradientPercent : s.GradientPercent;
  l.ImagePercent = hot ? s.HotImagePercent : s.ImagePercent;
  l.Gradient = hot ? &s.HotGradientArray : &s.GradientArray;
  return l;
}

int AlphaOfPercent(int percent) { return std::clamp(percent * 255 / 100, 0, 255); }

// The whole work bitmap laid over the bitmap at `at` with a constant
// alpha by BlendRectByAlpha; a strip one pixel wide or high, which its
// blenders refuse, by the same formula here.
void BlendWork(Bitmap& bitmap, const Bitmap& work, int alpha, TPoint at) {
  const int w = work.Width(), h = work.Height();
  if (w >= 2 && h >= 2) {
    BlendRectByAlpha(bitmap, work, alpha, at, TRect{0, 0, w, h});
    return;
  }
  const int bytes = PixelBytes(bitmap);
  pixelrows::Area a;
  if (!bytes || PixelBytes(work) != bytes || !pixelrows::ClipArea(platform::Bounds(at.X, at.Y, w, h),
                                                                  TRect{0, 0, w, h}, bitmap, work, a))
    return;
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = pixelrows::PixelAt(work, a.sx, a.sy + y, bytes);
    uint8_t* d = pixelrows::PixelAt(bitmap, a.dx, a.dy + y, bytes);
    for (int i = 0; i < a.w * bytes; ++i)
      d[i] = uint8_t((unsigned(s[i]) * unsigned(255 - alpha) + unsigned(d[i]) * unsigned(alpha) + 127) >> 8);
  }
}

// The background of a section painted with resolved layers: straight,
// only the parent, or the layers blended over the parent.
void PaintLayersOverParent(Bitmap& bitmap, const TRect& r, const TacSectionLayers& l, int transparency,
                           const TsSkinManager& sm, const TsBgSource& parentBg, TPoint offset, bool part) {
  const bool unknownParent = !parentBg.IsReady && parentBg.FillColor == KeyColor;
  if ((!part && unknownParent) || transparency == 0) {
    PaintSectionLayers(bitmap, r, l, sm, Shifted(parentBg, offset.X - r.Left, offset.Y - r.Top), part);
  } else if (transparency >= 100) {
    if (part)
      CopyFromParent(bitmap, r, parentBg, offset);
    else
      PaintParentBackground(bitmap, r, parentBg, offset);
  } else {
    // The work bitmap holds the part of r inside the bitmap; the layers
    // keep r's placement (tiles start at r's corner).
    const TRect v = pixelrows::ClipToBitmap(r, bitmap);
    if (v.IsEmpty()) return;
    const int dx = v.Left - r.Left, dy = v.Top - r.Top;
    const WorkBitmap work(bitmap, v.Width(), v.Height());
    // The layers blended over a parent of a known colour keep their own
    // colour (the parent's colour stands in for the layers only where
    // they are painted straight).
    TacSectionLayers own = l;
    own.Transparency = 0;
    PaintSectionLayers(*work, platform::OffsetRect(r, -v.Left, -v.Top), own, sm,
                       Shifted(parentBg, offset.X + dx, offset.Y + dy), part);
    const TPoint at{offset.X + dx, offset.Y + dy};
    if (part)
      CopyFromParent(bitmap, v, parentBg, at);
    else
      PaintParentBackground(bitmap, v, parentBg, at);
    BlendWork(bitmap, *work, AlphaOfPercent(transparency), TPoint{v.Left, v.Top});
  }
}

void PaintCornerImages(const TsGeneralData& s, const TsSkinManager& sm, Bitmap& bitmap, const TRect& r, int state) {
  TsBgSource self;
  MakeCacheInfo(&bitmap, 0, 0, self);
  const auto corner = [&](int index, bool right, bool bottom) {
    const TsMaskData* m = ValidMask(sm, index);
    if (!m) return;
    const int x = right ? r.Right - MaskImageWidth(*m) : r.Left;
    const int y = bottom ? r.Bottom - MaskImageHeight(*m) : r.Top;
    PaintMaskGlyph(bitmap, TPoint{x, y}, state, 1, *m, self);
  };
  corner(s.ImgTopLeft, false, false);
  corner(s.ImgTopRight, true, false);
  corner(s.ImgBottomLeft, false, true);
  corner(s.ImgBottomRight, true, true);
}

bool InsideBitmap(const TRect& r, const Bitmap& bitmap) {
  return r.Left >= 0 && r.Top >= 0 && r.Right <= bitmap.Width() && r.Bottom <= bitmap.Height();
}

// Calls `paint` with the top-left corner of each w x h cell of a grid of
// columns x rows from r's top-left corner that reaches into `clip`.
template <class Paint>
void ForEachCell(const TRect& r, const TRect& clip, int w, int h, int columns, int rows, Paint&& paint) {
  for (int j = 0; j < rows; ++j) {
    const int y = r.Top + j * h;
    if (y >= clip.Bottom) break;
    if (y + h <= clip.Top) continue;
    for (int i = 0; i < columns; ++i) {
      const int x = r.Left + i * w;
      if (x >= clip.Right) break;
      if (x + w > clip.Left) paint(x, y);
    }
  }
}

}  // namespace

// ------------------------------------------------------------ background records

void CacheInfoFromBgInfo(const TsBgQuery& query, TsBgSource& info) {
  if (query.BgKind == TsBgQuery::FromBitmap)
    MakeCacheInfo(query.Bitmap, query.Offset.X, query.Offset.Y, info);
  else
    info = {nullptr, 0, 0, platform::ColorToRGB(query.Color), false};
}

namespace {

// Steps 1 and 4 of both queries: the query sent, and an unanswered one
// painted by the widget itself into the asker's canvas. True when the
// caller must still answer with a colour.
bool AskWidget(TsBgQuery& query, QWidget* widget, bool drawRequest, bool asWindow, bool& answered) {
  const bool paint = query.DrawRequest;
  query.DrawRequest = drawRequest;
  query.BgKind = TsBgQuery::NotAnswered;
  const platform::WPARAM wParam = platform::MAKEWPARAM(0, int(acBgQuery));
  const platform::LPARAM lParam = platform::LPARAM(platform::PtrParam(&query));
  if (asWindow || (!platform::IsGraphicControl(widget) && platform::HandleAllocated(widget)))
    platform::SendMessage(widget, SkinCommandMsg, wParam, lParam);
  else
    platform::Perform(widget, SkinCommandMsg, wParam, lParam);
  answered = query.BgKind != TsBgQuery::NotAnswered;
  if (answered) return false;
  if (paint && query.DC) {
    Canvas& dc = *query.DC;
    const int saved = dc.SaveDC();
    const TPoint origin = dc.GetViewportOrg();
    dc.SetViewportOrg(origin.X - query.Offset.X, origin.Y - query.Offset.Y);
    dc.IntersectClipRect(platform::OffsetRect(query.R, query.Offset.X, query.Offset.Y));
    const platform::WPARAM canvas = platform::WPARAM(platform::PtrParam(&dc));
    if (asWindow) {
      platform::SendMessage(widget, platform::WM_ERASEBKGND, canvas, 0);
      platform::SendMessage(widget, platform::WM_PAINT, canvas, 0);
    } else {
      platform::Perform(widget, platform::WM_ERASEBKGND, canvas, 0);
      platform::Perform(widget, platform::WM_PAINT, canvas, 0);
    }
    dc.RestoreDC(saved);
    return false;
  }
  return true;
}

}  // namespace

bool QueryControlBackground(TsBgQuery& query, QWidget* control, bool drawRequest) {
  if (!control) {
    query.BgKind = TsBgQuery::PlainColor;
    query.Color = platform::ColorToRGB(platform::clBtnFace);
    return false;
  }
  bool answered = false;
  if (!AskWidget(query, control, drawRequest, false, answered)) return answered;
  query.BgKind = TsBgQuery::PlainColor;
  const platform::LRESULT color =
      platform::Perform(control, SkinCommandMsg, platform::MAKEWPARAM(0, int(acGetBgColor)), 0);
  query.Color = color != 0 ? TColor(color) : platform::ColorToRGB(platform::GetControlColor(control));
  if (query.DrawRequest && query.Bitmap && query.DC) FillDCRect(*query.DC, query.R, query.Color);
  return false;
}

bool QueryWindowBackground(TsBgQuery& query, QWidget* window, bool drawRequest) {
  const TColor fallback = FirstSkinManager ? FirstSkinManager->GlobalSectionColor()
                                           : platform::ColorToRGB(platform::clBtnFace);
  if (!window) {
    query.BgKind = TsBgQuery::PlainColor;
    query.Color = fallback;
    return false;
  }
  bool answered = false;
  if (!AskWidget(query, window, drawRequest, true, answered)) return answered;
  query.Color = fallback;
  query.BgKind = TsBgQuery::PlainColor;
  return false;
}

// ------------------------------------------------------------ textures

void TileGraphic(Bitmap& bitmap, const TRect& r, const Bitmap& graphic, TacGraphicKind kind) {
  const int w = graphic.Width(), h = graphic.Height();
  if (w <= 0 || h <= 0 || r.IsEmpty()) return;
  switch (kind) {
    case TacGraphicKind::Bitmap:
      Tile(bitmap, r, graphic, TRect{0, 0, w, h});
      return;
    case TacGraphicKind::Jpeg: {
      const TRect clip = platform::IntersectRect(r, TRect{0, 0, bitmap.Width(), bitmap.Height()});
      if (clip.IsEmpty()) return;
      ForEachCell(r, clip, w, h, r.Width() / w + 1, r.Height() / h + 1,
                  [&](int x, int y) { platform::BitBlt(bitmap, x, y, w, h, graphic, 0, 0, &clip); });
      return;
    }
    case TacGraphicKind::Other:
      return;
  }
}

void PaintTexture(Bitmap& bitmap, const TRect& r, const Bitmap* pattern, const TsMaskData* mask, int mode,
                  TRect& rest) {
  if (pattern && !pattern->Empty()) {
    TileGraphic(bitmap, r, *pattern, TacGraphicKind::Jpeg);
    rest = kNoRest;
    return;
  }
  rest = r;
  const Bitmap* image = mask ? MaskImage(*mask) : nullptr;
  if (!image) return;
  const TRect src = mask->R;
  const int w = src.Width(), h = src.Height();
  if (w <= 0 || h <= 0) return;  // nothing to tile: all of r is left
  const auto stretch = [&](const TRect& area) {
    if (!area.IsEmpty())
      platform::StretchBlt(bitmap, area.Left, area.Top, area.Width(), area.Height(), *image, src.Left, src.Top, w, h,
                           platform::COLORONCOLOR, &area);
  };
  // Rest: what of r lies past `covered` on one side, none when nothing.
  const auto restOf = [&](const TRect& left) { return left.IsEmpty() ? kNoRest : left; };
  switch (mode) {
    case 0:
    case 10:
      Tile(bitmap, r, *image, src);
      rest = kNoRest;
      return;
    case 1:
      stretch(r);
      rest = kNoRest;
      return;
    case 2:
      Tile(bitmap, TRect{r.Left, r.Top, r.Right, std::min(r.Top + h, r.Bottom)}, *image, src);
      rest = restOf(TRect{r.Left, r.Top + h, r.Right, r.Bottom});
      return;
    case 3:
      Tile(bitmap, TRect{r.Left, r.Top, std::min(r.Left + w, r.Right), r.Bottom}, *image, src);
      rest = restOf(TRect{r.Left + w, r.Top, r.Right, r.Bottom});
      return;
    case 4:
      stretch(TRect{r.Left, r.Top, r.Right, std::min(r.Top + h, r.Bottom)});
      rest = restOf(TRect{r.Left, r.Top + h, r.Right, r.Bottom});
      return;
    case 5:
      stretch(TRect{r.Left, r.Top, std::min(r.Left + w, r.Right), r.Bottom});
      rest = restOf(TRect{r.Left + w, r.Top, r.Right, r.Bottom});
      return;
    case 6:
      Tile(bitmap, TRect{r.Left, std::max(r.Bottom - h, r.Top), r.Right, r.Bottom}, *image, src);
      rest = restOf(TRect{r.Left, r.Top, r.Right, r.Bottom - h});
      return;
    case 7:
      Tile(bitmap, TRect{std::max(r.Right - w, r.Left), r.Top, r.Right, r.Bottom}, *image, src);
      rest = restOf(TRect{r.Left, r.Top, r.Right - w, r.Bottom});
      return;
    default:
      return;
  }
}

void PaintMaskedTexture(Bitmap& bitmap, const TRect& r, const TsBgSource& parentBg, int mode, const TsMaskData& mask) {
  if ((mode != 0 && mode != 10) || mask.ImageCount <= 0) return;
  const int w = mask.R.Width() / mask.ImageCount, h = mask.R.Height() / 2;
  if (w <= 0 || h <= 0 || r.IsEmpty()) return;
  const int columns = r.Width() / w, rows = r.Height() / h;
  const TRect clip = pixelrows::ClipToBitmap(r, bitmap);
  if (clip.IsEmpty()) return;
  const TRect cell{mask.R.Left, mask.R.Top, mask.R.Left + w, mask.R.Top + h};
  ForEachCell(r, clip, w, h, columns, rows, [&](int x, int y) {
    PaintMaskedImage(platform::Bounds(x, y, w, h), cell, bitmap, parentBg, mask);
  });
  if (mode != 10) return;
  const int coveredRight = r.Left + columns * w, coveredBottom = r.Top + rows * h;
  const TRect strips[] = {{coveredRight, r.Top, r.Right, r.Bottom}, {r.Left, coveredBottom, coveredRight, r.Bottom}};
  for (const TRect& strip : strips) {
    if (strip.IsEmpty()) continue;
    if (parentBg.IsReady)
      CopyFromParent(bitmap, strip, parentBg, TPoint{strip.Left, strip.Top});
    else
      FillArea(bitmap, strip, parentBg.FillColor);
  }
}

// ------------------------------------------------------------ sections

void PaintSectionLayers(Bitmap& bitmap, const TRect& r, const TacSectionLayers& l, const TsSkinManager& sm,
                        const TsBgSource& parentBg, bool partColours) {
  if (!PixelBytes(bitmap) || r.IsEmpty()) return;
  bool textured = false;
  if (l.ImagePercent > 0 && l.Texture >= 0) {
    TRect rest = kNoRest;
    if (l.TextureIsPattern) {
      if (l.Texture < int(sm.PatternData.size()) && sm.PatternData[size_t(l.Texture)].Img) {
        PaintTexture(bitmap, r, sm.PatternData[size_t(l.Texture)].Img.get(), nullptr, 0, rest);
        textured = true;
      }
    } else if (const TsMaskData* m = ValidMask(sm, l.Texture)) {
      if (m->MaskType >= 1)
        PaintMaskedTexture(bitmap, r, parentBg, m->DrawMode, *m);
      else
        PaintTexture(bitmap, r, nullptr, m, m->DrawMode, rest);
      textured = true;
    }
    if (rest.Left != -1 && !rest.IsEmpty()) FillArea(bitmap, rest, l.Color);
  }
  if (l.GradientPercent > 0) {
    const TsGradArray empty;
    const TsGradArray& stops = l.Gradient ? *l.Gradient : empty;
    const auto paintGradient = [&](Bitmap& target, const TRect& area) {
      if (stops.empty())
        FillArea(target, area, l.Color);
      else
        PaintGrad(target, area, stops);
    };
    if (textured) {
      // Over the part of r inside the bitmap, as PaintGrad paints it.
      const TRect v = pixelrows::ClipToBitmap(r, bitmap);
      if (!v.IsEmpty()) {
        const WorkBitmap work(bitmap, v.Width(), v.Height());
        paintGradient(*work, platform::OffsetRect(r, -v.Left, -v.Top));
        BlendWork(bitmap, *work, AlphaOfPercent(l.ImagePercent), TPoint{v.Left, v.Top});
      }
    } else {
      paintGradient(bitmap, r);
    }
  }
  const int p = l.GradientPercent + l.ImagePercent;
  const TRect inclusive{r.Left, r.Top, r.Right - 1, r.Bottom - 1};
  if (p >= 1 && p <= 99) {
    BlendRectWithColor(bitmap, inclusive, p, platform::ColorToRGB(l.Color));
  } else if (!partColours) {
    if (p == 0) FillArea(bitmap, r, !parentBg.IsReady && l.Transparency != 0 ? parentBg.FillColor : l.Color);
  } else if (p != 100) {
    FillArea(bitmap, r, !parentBg.IsReady && l.Transparency == 100 ? parentBg.FillColor : l.Color);
  }
}

void PaintSectionBackground(int sectionIndex, const QString& sectionName, const TsBgSource& parentBg, TColor color,
                            int hotTexture, int texture, TsSkinManager* manager, Bitmap& bitmap, TPoint offset,
                            const TRect& r, int state) {
  TsSkinManager* sm = Resolve(manager);
  if (!sm || !sm->IsValidSectionIndex(sectionIndex) || !PixelBytes(bitmap) || r.IsEmpty()) return;
  const TsGeneralData& s = sm->GeneralData[size_t(sectionIndex)];
  const bool custom = color != KeyColor;
  TacSectionLayers l;
  if (custom) {
    l.Color = color;
  } else {
    l = SectionLayers(s, state);
    if (l.Transparency != 100 && l.ImagePercent > 0) {
      const int given = state != 0 ? hotTexture : texture;
      if (given != -1) {
        if (const TsMaskData* m = ValidMask(*sm, given); m && m->MaskType == 0) l.Texture = given;
      } else {
        const QString section = sectionName.isEmpty() ? s.SectionName : sectionName;
        const QString name = state != 0 ? QStringLiteral("HOTPATTERN") : QStringLiteral("PATTERN");
        l.Texture = sm->IndexOfMask(section, name);
        if (!sm->IsValidMaskIndex(l.Texture)) {
          l.Texture = PatternOf(*sm, section, name);
          l.TextureIsPattern = l.Texture >= 0;
        }
      }
    }
  }
  PaintLayersOverParent(bitmap, r, l, l.Transparency, *sm, parentBg, offset, false);
  if (custom || state != 0) return;
  const auto masked = [&](int index) {
    const TsMaskData* m = ValidMask(*sm, index);
    return m && m->MaskType >= 1 ? m : nullptr;
  };
  const TsMaskData* over = masked(texture);
  if (!over) over = masked(hotTexture);
  if (over && over->DrawMode == 10)
    PaintMaskedTexture(bitmap, r, Shifted(parentBg, offset.X - r.Left, offset.Y - r.Top), 10, *over);
}

void PaintPartBackground(int sectionIndex, const TsBgSource& parentBg, int texture, TsSkinManager* manager,
                         Bitmap& bitmap, TPoint offset, const TRect& r, int state) {
  TsSkinManager* sm = Resolve(manager);
  if (!sm || !sm->IsValidSectionIndex(sectionIndex) || !PixelBytes(bitmap) || r.IsEmpty()) return;
  TacSectionLayers l = SectionLayers(sm->GeneralData[size_t(sectionIndex)], state);
  l.Texture = sm->IsValidMaskIndex(texture) ? texture : -1;
  PaintLayersOverParent(bitmap, r, l, parentBg.IsReady ? l.Transparency : 0, *sm, parentBg, offset, true);
}

void PaintSectionItem(int sectionIndex, const QString& sectionName, const TsBgSource& parentBg, int hotTexture,
                      int texture, TsSkinManager* manager, Bitmap& bitmap, TPoint offset, const TRect& r, int state,
                      bool useParentBg) {
  TsSkinManager* sm = Resolve(manager);
  if (!sm || !sm->IsValidSectionIndex(sectionIndex) || !InsideBitmap(r, bitmap)) return;
  PaintSectionBackground(sectionIndex, sectionName, parentBg, KeyColor, hotTexture, texture, sm, bitmap, offset, r,
                         state);
  const TsGeneralData& s = sm->GeneralData[size_t(sectionIndex)];
  PaintCornerImages(s, *sm, bitmap, r, state);
  if (const TsMaskData* m = ValidMask(*sm, s.BorderIndex))
    PaintMaskRect(bitmap, r, true, Shifted(parentBg, offset.X - r.Left, offset.Y - r.Top), *m, state, useParentBg);
}

void PaintSectionToDC(int sectionIndex, const QString& sectionName, const TsBgSource& parentBg,
                      TsSkinManager* manager, Canvas& dc, TPoint offset, const TRect& r, int state, bool useParentBg) {
  TsSkinManager* sm = Resolve(manager);
  if (!sm || !sm->IsValidSectionIndex(sectionIndex) || r.Left < 0 || r.Top < 0 || r.Width() < 1 || r.Height() < 1)
    return;
  const auto work = CreateBitmap24(r.Width(), r.Height());
  PaintSectionItem(sectionIndex, sectionName, parentBg, -1, -1, sm, *work, offset,
                   TRect{0, 0, r.Width(), r.Height()}, state, useParentBg);
  const int saved = dc.SaveDC();
  dc.CopyRect(r, *work, TRect{0, 0, r.Width(), r.Height()});
  dc.RestoreDC(saved);
}

void PaintSectionPart(int sectionIndex, int borderMaskIndex, int texture, TsSkinManager* manager, Bitmap& bitmap,
                      TPoint offset, const TRect& r, int state, bool useParentBg, const TsBgSource& parentBg) {
  TsSkinManager* sm = Resolve(manager);
  if (!sm || !sm->IsValidSectionIndex(sectionIndex)) return;
  PaintPartBackground(sectionIndex, parentBg, texture, sm, bitmap, offset, r, state);
  if (const TsMaskData* m = ValidMask(*sm, borderMaskIndex))
    PaintMaskRect(bitmap, r, true, Shifted(parentBg, offset.X - r.Left, offset.Y - r.Top), *m, state, useParentBg);
}

int PaintSectionByName(Bitmap& bitmap, const QString& sectionName, const QString& defaultSectionName,
                       const Bitmap* source, TColor fillColor, TPoint sourcePoint, TsSkinManager* manager,
                       int state) {
  TsSkinManager* sm = Resolve(manager);
  if (!sm) return -1;
  int index = sm->IndexOfSection(sectionName);
  if (index < 0) index = sm->IndexOfSection(defaultSectionName);
  if (!sm->IsValidSectionIndex(index)) return index;
  if (source) platform::BitBlt(bitmap, 0, 0, bitmap.Width(), bitmap.Height(), *source, sourcePoint.X, sourcePoint.Y);
  const TsBgSource self{&bitmap, 0, 0, fillColor, source != nullptr};
  PaintSectionItem(index, sm->GeneralData[size_t(index)].SectionName, self, -1, -1, sm, bitmap, TPoint{0, 0},
                   TRect{0, 0, bitmap.Width(), bitmap.Height()}, state, true);
  return index;
}

void PaintControlBackground(TsCommonData& data, const TsBgSource& parentBg, int state, Bitmap& bitmap, TPoint offset,
                            const TRect& r) {
  TColor color = KeyColor;
  if (data.CustomColor()) {
    if (QWidget* owner = data.OwnerControl())
      color = platform::ColorToRGB(platform::GetControlColor(owner));
    else if (QWidget* form = data.ProviderForm())
      color = platform::ColorToRGB(platform::GetControlColor(form));
  }
  PaintSectionBackground(data.SectionIndex, data.SkinSection(), parentBg, color, data.HotPatternIndex,
                         data.PatternIndex, data.SkinManager(), bitmap, offset, r, state);
}

void PaintControlItem(TsCommonData& data, const TsBgSource& parentBg, Bitmap& bitmap, const TRect& r, TPoint offset,
                      int state, bool useParentBg) {
  TsSkinManager* sm = data.SkinManager();
  if (!sm || !sm->IsValidSectionIndex(data.SectionIndex)) return;
  PaintControlBackground(data, parentBg, state, bitmap, offset, r);
  if (const TsMaskData* m = ValidMask(*sm, data.BorderMaskIndex); m && !(state == 0 && (m->DrawMode & 2)))
    PaintMaskRect(bitmap, r, true, Shifted(parentBg, offset.X - r.Left, offset.Y - r.Top), *m, state, useParentBg);
  PaintCornerImages(sm->GeneralData[size_t(data.SectionIndex)], *sm, bitmap, r, state);
}

// ------------------------------------------------------------ form corners

void AddTransparentCornerRects(std::vector<TRect>& rects, int formWidth, const TsMaskData& mask, bool bottom,
                               int offsetY) {
  const Bitmap* image = MaskImage(mask);
  if (!image || mask.ImageCount <= 0) return;
  const int stateWidth = mask.R.Width() / mask.ImageCount, stateHeight = MaskImageHeight(mask);
  if (stateWidth <= 0 || stateHeight <= 0) return;
  const int first = bottom ? std::max(0, stateHeight - mask.WB) : 0;
  const int last = bottom ? stateHeight : std::min(int(mask.WT), stateHeight);
  // Rows count from the top band's first row, or from the bottom band's
  // (WB rows above the state's bottom edge).
  const int bandTop = bottom ? stateHeight - mask.WB : 0;
  const auto scan = [&](int row, int from, int to, int shift) {
    const int py = mask.R.Top + row;
    int runStart = -1;
    for (int x = from; x <= to; ++x) {
      const int px = mask.R.Left + x;
      const bool key = x < to && px >= 0 && px < image->Width() && py >= 0 && py < image->Height() &&
                       image->GetPixel(px, py) == KeyColor;
      if (key && runStart < 0) runStart = x;
      if (!key && runStart >= 0) {
        const int y = row - bandTop + offsetY;
        rects.push_back(TRect{runStart + shift, y, x + shift, y + 1});
        runStart = -1;
      }
    }
  };
  for (int row = first; row < last; ++row) {
    scan(row, 0, std::clamp(int(mask.WL), 0, stateWidth), 0);
    scan(row, std::clamp(stateWidth - mask.WR, 0, stateWidth), stateWidth, formWidth - stateWidth);
  }
}

// ------------------------------------------------------------ the unit

namespace {

void RepaintControlCache(QWidget* control, TsCommonData& data) {
  if (!control) return;
  data.PrepareCacheBitmap();
  Bitmap* cache = data.CacheBitmap.get();
  if (!cache || cache->Empty()) return;
  TsBgSource parentBg;
  data.ParentBgSource(parentBg);
  PaintControlItem(data, parentBg, *cache, TRect{0, 0, cache->Width(), cache->Height()},
                   TPoint{control->x(), control->y()}, data.MouseAbove ? 1 : 0, true);
  data.BackgroundDirty = false;
}

// The slots filled while the unit runs, emptied when it finishes.
void FillSlots(bool running) {
  TacCommonDataSeams& seams = CommonDataSeams();
  seams.MixColors = running ? MixColors : nullptr;
  seams.QueryControlBackground = running ? QueryControlBackground : nullptr;
  seams.QueryWindowBackground = running ? QueryWindowBackground : nullptr;
  seams.RepaintCache = running ? RepaintControlCache : nullptr;
}

void StartSectionBackgrounds() { FillSlots(true); }
void FinishSectionBackgrounds() { FillSlots(false); }

[[maybe_unused]] const bool registered =
    platform::RegisterUnit("SectionBackgrounds", StartSectionBackgrounds, FinishSectionBackgrounds);

}  // namespace
