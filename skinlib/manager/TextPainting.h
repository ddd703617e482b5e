// How skinned controls write captions and draw button glyphs.
//
// Text: a caption is written in the font colours of a skin section
// (TsGeneralData::FontColor, or HotFontColor for the hot look): up to four
// one-pixel contour copies first (left, top, right, bottom; a colour of -1
// leaves that side out), then the text itself in the main colour. A
// disabled caption is drawn once in a mix of 0.4 of the font colour and
// 0.6 of the colour behind it. Every draw is the canvas's DrawText with the
// caller's DT_ flags; the canvas brush becomes clear (no background).
// Captions that do not fit are cut to a prefix with "..." (CutTextToWidth).
//
// Glyphs: the placement of a glyph and a caption inside a button
// (CalcGlyphTextLayout, a pure function) and the copy of the frame of a
// multi-frame glyph bitmap that belongs to a button state
// (PaintButtonGlyph), with the key colour of its bottom-left pixel left
// out. DrawDottedFrame sets the pixels of a black and white dotted frame.
//
// A nil manager means the default manager (FirstSkinManager); without one,
// or with an invalid section, the skin routines draw nothing. Nothing here
// raises. GUI thread only (the canvases and the hot-frame switch).
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/WinTypes.h"

#include <QSize>
#include <QString>

class TsCommonData;
class TsSkinManager;

// ------------------------------------------------------------ text

// The longest prefix of `text` that fits into `width` pixels on the
// canvas followed by "...", or `text` itself when it fits; empty when
// `width` is below 1 or not even "..." fits. A character is never split
// (a surrogate pair goes whole).
void CutTextToWidth(platform::Canvas& canvas, const QString& text, int width, QString& result);

// The canvas's DrawText of the whole string into `r` with the DT_ flags;
// gives what DrawText gives.
int DrawTextOnDC(platform::Canvas& dc, const QString& text, platform::TRect& r, unsigned flags);

// The size of `text` in the canvas's font (TextWidth, TextHeight).
QSize CanvasTextSize(platform::Canvas& canvas, const QString& text);
void CanvasTextExtent(platform::Canvas& canvas, const QString& text, QSize& size);
// The text at (x, y) clipped to `r` (the canvas's TextRect).
void CanvasTextRect(platform::Canvas& canvas, const platform::TRect& r, int x, int y, const QString& text);

// Writes `text` into `r` in the colours of section `sectionIndex` of
// `manager` (nil: the default manager): enabled, the four contours that
// are not -1 (the hot ones when `hot`), each into `r` moved one pixel to
// its side, then the main colour into `r` (which DT_CALCRECT may change);
// disabled, once in MixColors(main font colour, section colour, 0.4).
// Nothing without a manager, with an invalid section or an empty text.
// Always 0.
int DrawSectionText(platform::Canvas& canvas, const QString& text, bool enabled, platform::TRect& r, bool hot,
                    int sectionIndex, unsigned flags, TsSkinManager* manager);
// The same call.
int WriteSectionText(platform::Canvas& canvas, const QString& text, bool enabled, platform::TRect& r, bool hot,
                     int sectionIndex, unsigned flags, TsSkinManager* manager);

// Writes a control's caption: the canvas takes the font of the data's
// owner control (underlined when hot in the section "WEBBUTTON"), is
// clipped to `r` meanwhile, and draws in the colours of the control's
// section. A graphic control, a check box, radio button or group box
// (kinds 32, 33, 74) that takes its parent's font (no font of its own)
// and whose section is see-through (Transparency, or HotTransparency when
// hot, above 0) takes the section its parent's font comes from
// (TsCommonData::GetFontSectionIndex). Enabled with a valid section: the
// contours (unless the data has CustomFont), then the main colour with
// DT_NOCLIP added; enabled without one: the text once with DT_NOCLIP.
// Disabled: with a section, in MixColors(main font colour, the manager's
// GLOBALINFO colour, 0.4); without one, in the font as it is. Always 0.
int DrawControlText(platform::Canvas& canvas, const QString& text, bool enabled, bool hot, TsCommonData& data,
                    unsigned flags, platform::TRect& r);
// The same call; `manager` is not read (the data's own manager counts).
int WriteControlText(platform::Canvas& canvas, const QString& text, bool enabled, bool hot, TsCommonData& data,
                     unsigned flags, platform::TRect& r, TsSkinManager* manager);

// ------------------------------------------------------------ glyph and caption layout

// Where a button's glyph lies beside its caption.
enum class TacGlyphLayout { GlyphLeft = 0, GlyphRight = 1, GlyphTop = 2, GlyphBottom = 3 };
// How the caption is aligned along a horizontal layout.
enum class TacCaptionAlignment { Left = 0, Right = 1, Center = 2 };

struct TacGlyphTextLayout {
  platform::TPoint GlyphPos;   // the glyph's top-left corner
  platform::TRect TextBounds;  // the caption, of its size
};

// The glyph and the caption inside `client`:
// - across the layout's direction both are centred, (extent - size + 1)
//   div 2;
// - a glyph or caption of no size makes `spacing` 0;
// - `margin` -1: with `spacing` at least 0 the pair is centred
//   ((length - glyph - spacing - caption + 1) div 2) for centre
//   alignment, else `margin` is 2; with `spacing` -1 both become
//   (length - glyph - caption) div 3. A given `margin` with `spacing` -1:
//   `spacing` := (length - margin - glyph - caption) div 2;
// - horizontal layouts place glyph and caption (the caption first for
//   GlyphRight) from the left edge at `margin`, from the right edge
//   `margin` before it, or centred as a pair; with bit value 2 of
//   `bidiFlags` (DT_RIGHT, a right-to-left control) GlyphLeft and
//   GlyphRight swap;
// - vertical layouts centre the pair along the height whatever `margin`
//   says, the glyph on top (GlyphTop) or at the bottom (GlyphBottom).
// Positions are moved by the client's top-left corner. Divisions truncate
// towards zero, so a client too small gives negative offsets.
TacGlyphTextLayout CalcGlyphTextLayout(const platform::TRect& client, QSize glyphSize, unsigned bidiFlags,
                                       QSize textSize, int margin, int spacing, TacCaptionAlignment alignment,
                                       TacGlyphLayout layout);
// The same with the results in out-arguments.
void CalcGlyphTextLayout(const platform::TRect& client, QSize glyphSize, unsigned bidiFlags,
                         platform::TRect& textBounds, platform::TPoint& glyphPos, QSize textSize, int margin,
                         int spacing, TacCaptionAlignment alignment, TacGlyphLayout layout);

// ------------------------------------------------------------ button glyphs

// The states of a button that choose a glyph frame.
enum class TacButtonState { Normal = 0, Hot = 1, Pressed = 2 };

// PaintButtonGlyph's flags: a disabled single-frame glyph blended at half
// strength, and turned grey first.
inline constexpr unsigned kGlyphDisabledBlend = 1;
inline constexpr unsigned kGlyphDisabledGray = 2;

// The library-wide switch that keeps a hot or pressed button on the
// glyph's first frame where it would take frame 1 (off by default).
extern bool SkipHotGlyphFrame;

// The frame of a glyph of `numGlyphs` frames side by side that a button
// shows: 0 unless enabled and hot or pressed; hot: 1 (0 with
// SkipHotGlyphFrame); pressed: `flags` + 2 when the glyph has more frames
// than that, else 1 (0 with SkipHotGlyphFrame), never past the last. A
// `numGlyphs` below 1 counts as 1.
int ButtonGlyphFrame(TacButtonState state, unsigned flags, bool enabled, int numGlyphs);

// Copies the glyph's frame for the state to `point` of `dst` (24 or 32
// bits), the frame's bottom-left colour left out as the key colour
// (AlphaPainting.h). A multi-frame glyph, disabled or in the normal state
// with `blend` at least 1, is blended over what lies there by blend / 100
// (100 keeps the destination); otherwise its frame is copied. A
// single-frame glyph: enabled, blended by blend / 100 in the normal state
// (`blend` at least 1), else copied; disabled, turned grey first with
// kGlyphDisabledGray, then blended by 0.5 with kGlyphDisabledBlend, else
// copied. A `numGlyphs` below 1 counts as 1; a glyph narrower than its
// frames paints nothing.
void PaintButtonGlyph(const platform::Bitmap& glyph, platform::Bitmap& dst, platform::TPoint point, int blend,
                      TacButtonState state, unsigned flags, bool enabled, int numGlyphs);

// ------------------------------------------------------------ focus frame

// A dotted frame along `r`'s edges: every third pixel of the top, bottom
// (r.Bottom), left and right (r.Right) lines black, each with a white
// pixel one up and to the left of it.
void DrawDottedFrame(platform::Canvas& canvas, const platform::TRect& r);
