#include "skinlib/manager/TextPainting.h"

#include "platform/Properties.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <algorithm>

using platform::Bitmap;
using platform::Canvas;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

bool SkipHotGlyphFrame = false;

namespace {

const QString kEllipsis = QStringLiteral("...");

// The contour draws in their order: left, top, right, bottom, each the
// entry of the five font colours and the side it moves to.
struct ContourSide {
  size_t Entry;
  int Dx, Dy;
};
constexpr ContourSide kContours[] = {{1, -1, 0}, {2, 0, -1}, {3, 1, 0}, {4, 0, 1}};

constexpr TColor kNoContour = -1;
constexpr double kDisabledWeight = 0.4;  // of the font colour; the rest is the background's

void DrawInColor(Canvas& canvas, TColor color, const QString& text, TRect& r, unsigned flags) {
  canvas.Font.Color = color;
  canvas.DrawText(text, r, flags);
}

// The contours of `colors` that are not -1, each into `r` moved to its side.
void DrawContours(Canvas& canvas, const TsFontColors& colors, const QString& text, const TRect& r, unsigned flags) {
  for (const ContourSide& side : kContours) {
    if (colors[side.Entry] == kNoContour) continue;
    TRect moved = platform::OffsetRect(r, side.Dx, side.Dy);
    DrawInColor(canvas, colors[side.Entry], text, moved, flags);
  }
}

// The section a control's caption takes its colours from (step back to the
// parent's font section for see-through check boxes, radio buttons, group
// boxes and graphic controls that use the parent's font).
int CaptionSection(const TsCommonData& data, const TsSkinManager& sm, bool hot) {
  const int index = data.SectionIndex;
  QWidget* owner = data.OwnerControl();
  if (!owner || !sm.IsValidSectionIndex(index)) return index;
  const int kind = data.ControlKind;
  const bool kindFollowsParent = platform::IsGraphicControl(owner) || kind == 32 || kind == 33 || kind == 74;
  const bool parentFont = !owner->testAttribute(Qt::WA_SetFont);
  const TsGeneralData& s = sm.GeneralData[size_t(index)];
  const int transparency = hot ? s.HotTransparency : s.Transparency;
  if (kindFollowsParent && parentFont && owner->parentWidget() && !owner->isWindow() && transparency > 0)
    return data.GetFontSectionIndex(owner, index);
  return index;
}

}  // namespace

// ------------------------------------------------------------ text

void CutTextToWidth(Canvas& canvas, const QString& text, int width, QString& result) {
  if (width < 1) {
    result.clear();
    return;
  }
  result = text;
  if (result.isEmpty() || canvas.TextWidth(result) <= width) return;
  do {
    if (canvas.TextWidth(result + kEllipsis) <= width) break;
    qsizetype cut = result.size() - 1;
    if (cut > 0 && result[cut].isLowSurrogate() && result[cut - 1].isHighSurrogate()) --cut;
    result.truncate(cut);
  } while (!result.isEmpty());
  if (!result.isEmpty()) result += kEllipsis;
}

int DrawTextOnDC(Canvas& dc, const QString& text, TRect& r, unsigned flags) { return dc.DrawText(text, r, flags); }

QSize CanvasTextSize(Canvas& canvas, const QString& text) {
  return QSize(canvas.TextWidth(text), canvas.TextHeight(text));
}

void CanvasTextExtent(Canvas& canvas, const QString& text, QSize& size) { size = CanvasTextSize(canvas, text); }

void CanvasTextRect(Canvas& canvas, const TRect& r, int x, int y, const QString& text) {
  canvas.TextRect(r, x, y, text);
}

int DrawSectionText(Canvas& canvas, const QString& text, bool enabled, TRect& r, bool hot, int sectionIndex,
                    unsigned flags, TsSkinManager* manager) {
  TsSkinManager* sm = manager ? manager : FirstSkinManager;
  if (!sm || !sm->IsValidSectionIndex(sectionIndex) || text.isEmpty()) return 0;
  const TsGeneralData& s = sm->GeneralData[size_t(sectionIndex)];
  canvas.Brush.Style = platform::bsClear;
  if (!enabled) {
    DrawInColor(canvas, MixColors(s.FontColor[0], s.Color, kDisabledWeight), text, r, flags);
    return 0;
  }
  const TsFontColors& colors = hot ? s.HotFontColor : s.FontColor;
  DrawContours(canvas, colors, text, r, flags);
  DrawInColor(canvas, colors[0], text, r, flags);
  return 0;
}

int WriteSectionText(Canvas& canvas, const QString& text, bool enabled, TRect& r, bool hot, int sectionIndex,
                     unsigned flags, TsSkinManager* manager) {
  return DrawSectionText(canvas, text, enabled, r, hot, sectionIndex, flags, manager);
}

int DrawControlText(Canvas& canvas, const QString& text, bool enabled, bool hot, TsCommonData& data,
                    unsigned flags, TRect& r) {
  if (QWidget* owner = data.OwnerControl()) canvas.Font = platform::GetControlFont(owner);
  if (hot && data.SkinSection() == QStringLiteral("WEBBUTTON")) canvas.Font.Style |= platform::fsUnderline;
  const int saved = canvas.SaveDC();
  canvas.IntersectClipRect(r);
  canvas.Brush.Style = platform::bsClear;
  TsSkinManager* sm = data.SkinManager();
  const int section = sm ? CaptionSection(data, *sm, hot) : -1;
  const TsGeneralData* s = sm && sm->IsValidSectionIndex(section) ? &sm->GeneralData[size_t(section)] : nullptr;
  if (enabled) {
    if (s && !data.CustomFont()) {
      const TsFontColors& colors = hot ? s->HotFontColor : s->FontColor;
      DrawContours(canvas, colors, text, r, flags);
      canvas.Font.Color = colors[0];
    }
    canvas.DrawText(text, r, flags | platform::DT_NOCLIP);
  } else {
    if (s) canvas.Font.Color = MixColors(s->FontColor[0], sm->GlobalSectionColor(), kDisabledWeight);
    canvas.DrawText(text, r, flags);
  }
  canvas.RestoreDC(saved);
  return 0;
}

int WriteControlText(Canvas& canvas, const QString& text, bool enabled, bool hot, TsCommonData& data,
                     unsigned flags, TRect& r, TsSkinManager* /*manager*/) {
  return DrawControlText(canvas, text, enabled, hot, data, flags, r);
}

// ------------------------------------------------------------ glyph and caption layout

namespace {

// The two items along the layout's direction: where each starts.
struct AlongPositions {
  int Glyph = 0;
  int Text = 0;
};

// A horizontal layout with the glyph first (left) or second.
AlongPositions PlaceAlongWidth(int width, int glyph, int text, int margin, int spacing,
                               TacCaptionAlignment alignment, bool glyphFirst) {
  const int first = glyphFirst ? glyph : text;
  const int second = glyphFirst ? text : glyph;
  int firstPos = 0, secondPos = 0;
  switch (alignment) {
    case TacCaptionAlignment::Left:
      firstPos = margin;
      secondPos = margin + first + spacing;
      break;
    case TacCaptionAlignment::Right:
      secondPos = width - margin - second;
      firstPos = secondPos - spacing - first;
      break;
    case TacCaptionAlignment::Center:
      firstPos = (width - text - spacing - glyph) / 2;
      secondPos = firstPos + first + spacing;
      break;
  }
  return glyphFirst ? AlongPositions{firstPos, secondPos} : AlongPositions{secondPos, firstPos};
}

}  // namespace

TacGlyphTextLayout CalcGlyphTextLayout(const TRect& client, QSize glyphSize, unsigned bidiFlags, QSize textSize,
                                       int margin, int spacing, TacCaptionAlignment alignment,
                                       TacGlyphLayout layout) {
  if (bidiFlags & platform::DT_RIGHT) {
    if (layout == TacGlyphLayout::GlyphLeft)
      layout = TacGlyphLayout::GlyphRight;
    else if (layout == TacGlyphLayout::GlyphRight)
      layout = TacGlyphLayout::GlyphLeft;
  }
  const bool horizontal = layout == TacGlyphLayout::GlyphLeft || layout == TacGlyphLayout::GlyphRight;
  const int width = client.Width(), height = client.Height();
  // Along the layout's direction: the client's length and the two items'.
  const int length = horizontal ? width : height;
  const int glyphAlong = horizontal ? glyphSize.width() : glyphSize.height();
  const int textAlong = horizontal ? textSize.width() : textSize.height();

  TPoint glyph, text;
  if (horizontal) {
    glyph.Y = (height - glyphSize.height() + 1) / 2;
    text.Y = (height - textSize.height() + 1) / 2;
  } else {
    glyph.X = (width - glyphSize.width() + 1) / 2;
    text.X = (width - textSize.width() + 1) / 2;
  }

  if (glyphSize.isEmpty() || textSize.isEmpty()) spacing = 0;
  if (margin == -1) {
    if (spacing >= 0)
      margin = alignment == TacCaptionAlignment::Center ? (length - (glyphAlong + spacing + textAlong) + 1) / 2 : 2;
    else
      margin = spacing = (length - (glyphAlong + textAlong)) / 3;
  } else if (spacing < 0) {
    spacing = (length - margin - glyphAlong - textAlong) / 2;
  }

  switch (layout) {
    case TacGlyphLayout::GlyphLeft:
    case TacGlyphLayout::GlyphRight: {
      const AlongPositions x = PlaceAlongWidth(width, glyphAlong, textAlong, margin, spacing, alignment,
                                               layout == TacGlyphLayout::GlyphLeft);
      glyph.X = x.Glyph;
      text.X = x.Text;
      break;
    }
    case TacGlyphLayout::GlyphTop:
    case TacGlyphLayout::GlyphBottom: {
      const int top = (height - glyphAlong - spacing - textAlong) / 2;
      if (layout == TacGlyphLayout::GlyphTop) {
        glyph.Y = top;
        text.Y = top + glyphAlong + spacing;
      } else {
        glyph.Y = height - glyphAlong - top;
        text.Y = glyph.Y - spacing - textAlong;
      }
      break;
    }
  }

  TacGlyphTextLayout result;
  result.GlyphPos = {client.Left + glyph.X, client.Top + glyph.Y};
  result.TextBounds = platform::Bounds(client.Left + text.X, client.Top + text.Y, textSize.width(), textSize.height());
  return result;
}

void CalcGlyphTextLayout(const TRect& client, QSize glyphSize, unsigned bidiFlags, TRect& textBounds,
                         TPoint& glyphPos, QSize textSize, int margin, int spacing, TacCaptionAlignment alignment,
                         TacGlyphLayout layout) {
  const TacGlyphTextLayout l =
      CalcGlyphTextLayout(client, glyphSize, bidiFlags, textSize, margin, spacing, alignment, layout);
  textBounds = l.TextBounds;
  glyphPos = l.GlyphPos;
}

// ------------------------------------------------------------ button glyphs

int ButtonGlyphFrame(TacButtonState state, unsigned flags, bool enabled, int numGlyphs) {
  const int frames = std::max(1, numGlyphs);
  if (!enabled || state == TacButtonState::Normal) return 0;
  // The hot frame, unless the switch keeps the first one.
  const int hotFrame = SkipHotGlyphFrame ? 0 : 1;
  int frame = hotFrame;
  if (state == TacButtonState::Pressed && flags < unsigned(frames) && unsigned(frames) - flags > 2)
    frame = int(flags) + 2;
  return std::min(frame, frames - 1);
}

void PaintButtonGlyph(const Bitmap& glyph, Bitmap& dst, TPoint point, int blend, TacButtonState state,
                      unsigned flags, bool enabled, int numGlyphs) {
  const int frames = std::max(1, numGlyphs);
  const int frameWidth = glyph.Width() / frames;
  if (frameWidth < 1 || glyph.Height() < 1) return;
  Bitmap work(glyph);
  work.SetPixelFormat(platform::pf24bit);
  const bool normalBlend = blend >= 1 && state == TacButtonState::Normal;
  if (frames == 1) {
    // The transparent colour is read after greying, as the greyed picture's
    // own bottom-left pixel.
    if (!enabled && (flags & kGlyphDisabledGray)) GrayscaleBitmap(work);
    const TColor key = work.GetPixel(0, work.Height() - 1);
    const TRect whole{0, 0, work.Width(), work.Height()};
    const bool blendIt = enabled ? normalBlend : (flags & kGlyphDisabledBlend) != 0;
    if (blendIt)
      BlendBitmapRect(dst, point.X, point.Y, key, enabled ? blend / 100.0 : 0.5, whole, work);
    else
      CopyTransparentBitmap(dst, work, key, point.X, point.Y);
    return;
  }
  const int frame = ButtonGlyphFrame(state, flags, enabled, frames);
  const TRect source{frame * frameWidth, 0, (frame + 1) * frameWidth, work.Height()};
  const TColor key = work.GetPixel(source.Left, work.Height() - 1);
  if (blend >= 1 && (!enabled || state == TacButtonState::Normal))
    BlendBitmapRect(dst, point.X, point.Y, key, blend / 100.0, source, work);
  else
    CopyTransparentRect(dst, work, key, source, point);
}

// ------------------------------------------------------------ focus frame

void DrawDottedFrame(Canvas& canvas, const TRect& r) {
  const int nx = r.Width() / 3, ny = r.Height() / 3;
  for (int k = 0; k <= nx; ++k) {
    const int x = r.Left + 3 * k;
    canvas.SetPixel(x, r.Top, platform::clBlack);
    canvas.SetPixel(x, r.Bottom, platform::clBlack);
    canvas.SetPixel(x - 1, r.Top - 1, platform::clWhite);
    canvas.SetPixel(x - 1, r.Bottom - 1, platform::clWhite);
  }
  for (int k = 0; k <= ny; ++k) {
    const int y = r.Top + 3 * k;
    canvas.SetPixel(r.Left, y, platform::clBlack);
    canvas.SetPixel(r.Right, y, platform::clBlack);
    canvas.SetPixel(r.Left - 1, y - 1, platform::clWhite);
    canvas.SetPixel(r.Right - 1, y - 1, platform::clWhite);
  }
}
