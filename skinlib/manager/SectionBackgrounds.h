// Section backgrounds: how a skinned control learns what lies behind it
// (the background query, sub-command 34, and its fall-backs), and the
// painters that lay one skin section into a rectangle of a 24- or 32-bit
// bitmap: colour, gradient, texture, transparency over the parent
// background, the corner images and the border mask.
//
// A section's look is built in layers (PaintSectionLayers): the texture
// (ImagePercent), the gradient (GradientPercent) blended over it by
// ImagePercent, and the section's colour mixed in by what the two leave
// (100 - GradientPercent - ImagePercent). Transparency then blends the
// layers over the parent background: 0 shows only the layers, 100 only
// the parent, T between each channel (layers x (255 - A) + parent x A +
// 127) >> 8 with A = T x 255 div 100.
//
// Positions in the parent background: a painter's `offset` is where the
// top-left corner of its rectangle R lies in the parent background, so
// the parent pixel behind R's pixel (R.Left + i, R.Top + j) is
// (X + offset.X + i, Y + offset.Y + j) of the source's bitmap.
//
// A nil manager means the default manager (FirstSkinManager); without a
// manager, or for an index that is not valid, the painters paint nothing.
// No skin data, however damaged, makes them read or write outside a
// bitmap. Transparent layers are painted into a work bitmap the size of
// the part of R inside the bitmap; each thread keeps two such work
// bitmaps between calls. The unit "SectionBackgrounds"
// (platform/Startup.h) fills the shared control data's colour-mixing,
// background-query and cache-repaint slots (CommonDataSeams.h) while it
// runs. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <QString>

#include <vector>

class QWidget;
class TsCommonData;
class TsSkinManager;

// ------------------------------------------------------------ background records

// BgKind 2 (a parent bitmap): the ready source (Bitmap, Offset.X,
// Offset.Y, FillColor $FF00FF); any other kind: no bitmap at (0, 0), the
// query's Color as RGB, not ready.
void CacheInfoFromBgInfo(const TsBgQuery& query, TsBgSource& info);

// Asks `control` (the widget behind the asker) for its background with
// sub-command 34: a windowed control by SendMessage while it has a
// handle, a graphic one (or one without handle) through Perform.
// `drawRequest` goes into the query. True when a skinned control answered
// (BgKind not 0). Unanswered:
// - when the caller had set query.DrawRequest and gave a DC, the control
//   paints itself into the DC instead (WM_ERASEBKGND, then WM_PAINT with
//   the canvas, platform/Painting.h), its origin moved by -Offset and the
//   clip cut to R moved by Offset; the DC's state comes back after;
// - otherwise the answer is its colour (BgKind 1): the control's answer to
//   sub-command 21, or its own Color as RGB when that is 0; with
//   `drawRequest`, a Bitmap and a DC, R of the DC is filled with it.
bool QueryControlBackground(TsBgQuery& query, QWidget* control, bool drawRequest);
// The same for a window (always by SendMessage); the colour fall-back is
// the default manager's global section colour, clBtnFace without one.
bool QueryWindowBackground(TsBgQuery& query, QWidget* window, bool drawRequest);

// ------------------------------------------------------------ textures

// The kinds of picture TileGraphic tiles.
enum class TacGraphicKind { Bitmap, Jpeg, Other };

// Tiles a picture over `r` of the bitmap from r's top-left corner: a
// bitmap in whole tiles, the last column and row cut to r; a JPEG picture
// drawn at every multiple of its size (r.Width() div width + 1 columns by
// r.Height() div height + 1 rows) inside a clip of r. Other kinds, or a
// picture of width or height 0, paint nothing.
void TileGraphic(platform::Bitmap& bitmap, const platform::TRect& r, const platform::Bitmap& graphic,
                 TacGraphicKind kind);

// A texture layer into `r`. With a pattern (a decoded JPEG picture of the
// skin) the pattern is tiled over r and rest is empty (-1 everywhere).
// Otherwise the mask's picture (its rectangle, W x H) is placed by `mode`:
//   0, 10  tiles over all of r                     rest none
//   1      one stretched copy over all of r        rest none
//   2 / 6  one row of tiles along the top / bottom rest r below / above it
//   3 / 7  one column along the left / right       rest r right / left of it
//   4 / 5  stretched across the top (height H) / down the left (width W)
//          rest r below / right of it
//   other  nothing                                 rest r
// Tiles are whole copies from the top-left corner of their area, the last
// column and row cut to the area. A picture of width or height 0 tiles
// nothing and leaves all of r as rest. Rest with nothing left is
// (-1, -1, -1, -1).
void PaintTexture(platform::Bitmap& bitmap, const platform::TRect& r, const platform::Bitmap* pattern,
                  const TsMaskData* mask, int mode, platform::TRect& rest);

// A texture with a mask part (image above, mask below): cells of W = the
// mask's width div ImageCount by H = its height div 2, tiled whole over
// `r` from its top-left corner, each painted by PaintMaskedImage against
// `parentBg`. In mode 10 the strips no whole cell covers (right and
// bottom) take the parent background: from the ready parent bitmap, else
// its FillColor. Modes other than 0 and 10, ImageCount 0 or an empty cell
// paint nothing.
void PaintMaskedTexture(platform::Bitmap& bitmap, const platform::TRect& r, const TsBgSource& parentBg, int mode,
                        const TsMaskData& mask);

// ------------------------------------------------------------ sections

// The layers of one state of a section, as the painters resolve them.
struct TacSectionLayers {
  platform::TColor Color = 0;
  int Transparency = 0;
  int GradientPercent = 0;
  int ImagePercent = 0;
  const TsGradArray* Gradient = nullptr;  // none: no gradient
  int Texture = -1;                       // a mask, or with TextureIsPattern a pattern
  bool TextureIsPattern = false;
};

// Paints the layers into `r` of the bitmap (no transparency). `parentBg`
// lies behind r's top-left corner at its (X, Y); its FillColor fills a
// section without gradient and image when it is not ready and
// `transparency` is not 0. `partColours` chooses the colour step of
// section parts (PaintPartLayers).
void PaintSectionLayers(platform::Bitmap& bitmap, const platform::TRect& r, const TacSectionLayers& layers,
                        const TsSkinManager& manager, const TsBgSource& parentBg, bool partColours = false);

// A section's background into `r`: the section's layers (the hot ones
// when state is not 0), or with `color` other than $FF00FF that plain
// colour alone (no gradient, texture or transparency), laid over the
// parent background by the section's Transparency. The texture is
// `texture` (`hotTexture` when hot) when it is a mask without mask part;
// -1 looks for the section's "PATTERN" ("HOTPATTERN") mask, then pattern.
// Without anything known of the parent (not ready, FillColor $FF00FF) the
// layers are painted as they are. In the normal state a given texture
// with a mask part and DrawMode 10 (else such a hot texture) is laid over
// the result.
void PaintSectionBackground(int sectionIndex, const QString& sectionName, const TsBgSource& parentBg,
                            platform::TColor color, int hotTexture, int texture, TsSkinManager* manager,
                            platform::Bitmap& bitmap, platform::TPoint offset, const platform::TRect& r,
                            int state);

// The twin for parts of composite controls: the section's own colours,
// `texture` as given, Transparency only over a ready parent, the parent
// copied only from a bitmap other than `bitmap`, nothing laid afterwards.
// Its colour step: GradientPercent + ImagePercent of 1..99 mixes the
// colour in, exactly 100 adds nothing, 0 or above 100 fills r with the
// colour (with the parent's FillColor for a section of Transparency 100
// over a parent that is not ready).
void PaintPartBackground(int sectionIndex, const TsBgSource& parentBg, int texture, TsSkinManager* manager,
                         platform::Bitmap& bitmap, platform::TPoint offset, const platform::TRect& r, int state);

// The background (Color $FF00FF), then the section's four corner images
// (PaintMaskGlyph, over the bitmap itself) at r's corners, then its border
// mask over r in `state` (PaintMaskRect, the parent background through
// `useParentBg`). Nothing unless r's top-left is not negative and r lies
// inside the bitmap.
void PaintSectionItem(int sectionIndex, const QString& sectionName, const TsBgSource& parentBg, int hotTexture,
                      int texture, TsSkinManager* manager, platform::Bitmap& bitmap, platform::TPoint offset,
                      const platform::TRect& r, int state, bool useParentBg);

// PaintSectionItem (no textures) into a new 24-bit bitmap of r's size,
// copied to r of the canvas; the canvas's state comes back after. Nothing
// for a section that is not valid, a negative r.TopLeft or r under 1 x 1.
void PaintSectionToDC(int sectionIndex, const QString& sectionName, const TsBgSource& parentBg,
                      TsSkinManager* manager, platform::Canvas& dc, platform::TPoint offset,
                      const platform::TRect& r, int state, bool useParentBg);

// PaintPartBackground, then the border mask `borderMaskIndex` over r;
// nothing for a section that is not valid.
void PaintSectionPart(int sectionIndex, int borderMaskIndex, int texture, TsSkinManager* manager,
                      platform::Bitmap& bitmap, platform::TPoint offset, const platform::TRect& r, int state,
                      bool useParentBg, const TsBgSource& parentBg);

// The section `sectionName` of the manager (or `defaultSectionName` when
// the skin has no such section) painted over the whole bitmap as an item,
// over the bitmap's own pixels as parent background: `source`, when
// given, is first copied into the bitmap from `sourcePoint` (and the
// background counts as ready); without it the parent is `fillColor`.
// Returns the section index (-1: nothing painted).
int PaintSectionByName(platform::Bitmap& bitmap, const QString& sectionName, const QString& defaultSectionName,
                       const platform::Bitmap* source, platform::TColor fillColor, platform::TPoint sourcePoint,
                       TsSkinManager* manager, int state);

// A control's background from its skin data: the section and its two
// textures, in its custom colour when it has one (the owner control's
// Color, or the provider's form's; $FF00FF without either).
void PaintControlBackground(TsCommonData& data, const TsBgSource& parentBg, int state, platform::Bitmap& bitmap,
                            platform::TPoint offset, const platform::TRect& r);
// PaintControlBackground, then the data's border mask (not in state 0
// when its DrawMode has bit 2), then the section's corner images.
void PaintControlItem(TsCommonData& data, const TsBgSource& parentBg, platform::Bitmap& bitmap,
                      const platform::TRect& r, platform::TPoint offset, int state, bool useParentBg);

// ------------------------------------------------------------ form corners

// The transparent corners of a form's border mask as rectangles of one
// row each (appended to `rects`): over the top WT rows (or with `bottom`
// the bottom WB rows) of the mask's first state, runs of the key colour
// in its left WL and right WR columns; Y is the row within those rows plus
// `offsetY`, and the right runs move by formWidth - the state's width to
// the form's right edge. Every caller passes 0 for the top rows and the
// window's height - WB for the bottom ones, so the state's bottom row is
// the window's. Reads only inside the mask's picture; nothing for
// ImageCount 0.
void AddTransparentCornerRects(std::vector<platform::TRect>& rects, int formWidth, const TsMaskData& mask,
                               bool bottom, int offsetY);
