// Skin masks painted: one state of a mask sliced into nine parts over any
// rectangle (PaintMaskRect), a state drawn unscaled (PaintMaskGlyph), the
// pieces of masked textures, and the parent background given back where a
// control's painted border is transparent.
//
// A mask (TsMaskData, SkinRecords.h) lies in its own bitmap or, without
// one, in its manager's master bitmap. Its ImageCount states lie side by
// side in its rectangle R, each MaskImageWidth wide and MaskImageHeight
// high (SkinMasks.h); with a mask part (MaskType 1) the lower half of R is
// a grey-level image of the same size that weights every pixel (0 shows
// the image, 255 what lies behind). Its margins WL, WT, WR, WB are the
// fixed corners and side strips; DrawMode bit 1 stretches the sides and
// the centre instead of tiling them, bit 2 leaves state 0 unpainted, bit 4
// allows the centre.
//
// One layout serves painting and the border's background: MaskPieces
// gives the pieces PaintMaskRect lays, in its order, and
// RestoreBorderBackground maps the border's pixels through the same
// pieces, so every key-colour pixel of a painted border gets the parent
// background back.
//
// No mask, however damaged (rectangles outside its bitmap, ImageCount 0,
// margins wider than the image), makes these routines read or write
// outside a bitmap. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <vector>

class TsSkinManager;

// DrawMode bits.
inline constexpr int kDrawStretch = 1;
inline constexpr int kDrawNoNormalState = 2;
inline constexpr int kDrawCentre = 4;

// The picture a mask lies in: its own bitmap, else its manager's master
// bitmap; nullptr when neither exists.
const platform::Bitmap* MaskImage(const TsMaskData& mask);
// A copy of the record without a bitmap of its own (one the copy needs is
// passed apart, or given to it).
TsMaskData MaskWithoutPicture(const TsMaskData& mask);

// ------------------------------------------------------------ the layout

// The margins fitted to a rectangle, and where one state lies in the
// mask's picture.
struct TacMaskSlices {
  int L = 0, T = 0, R = 0, B = 0;  // margins, at most the rectangle's extent
  int ImageLeft = 0, ImageTop = 0;  // the state image in the picture
  int ImageWidth = 0, ImageHeight = 0;
  int CentreWidth = 0, CentreHeight = 0;  // the centre piece in the picture
};

// The margins for `r`: too wide margins lose their excess e = L + R - w
// as L -= e div 2, R -= e - e div 2 (T and B alike), then none is
// negative or wider than the rectangle. False (nothing to paint) when r is
// under 2 x 2, the mask has no states or no picture size.
bool SliceMask(const TsMaskData& mask, const platform::TRect& r, int state, TacMaskSlices& slices);

enum class TacPieceKind { Corner, Side, Centre };

struct TacMaskPiece {
  platform::TRect Dst;  // where the piece goes
  platform::TRect Src;  // what of the picture it shows
  TacPieceKind Kind = TacPieceKind::Corner;
  bool Stretched = false;  // Src stretched onto Dst; otherwise Dst is at most Src's size
};

// The pieces PaintMaskRect lays for state `state` of `mask` over `r`, in
// its order: top-left corner, left side, top side, bottom-left corner,
// bottom side, bottom-right corner, top-right corner, right side, and the
// centre when `centre` is asked and DrawMode has bit 4. Sides and centre
// are tiled (whole pieces from the top-left, the last ones cut), or with
// DrawMode bit 1 on a mask without mask part one stretched piece each.
std::vector<TacMaskPiece> MaskPieces(const TsMaskData& mask, const platform::TRect& r, int state, bool centre);

// ------------------------------------------------------------ painters

// Paints state `state` of the mask over `r` by nine-part slicing. Nothing
// for state 0 with DrawMode bit 2, a mask without manager, ImageCount 0 or
// a rectangle under 2 x 2; a state beyond ImageCount paints the last one.
// With a mask part every piece is weighted by it (PaintImageWithMask), and
// the corners' key-colour pixels take the parent background of `bg` when
// `maskedCorners` is set. Without one the corners are copied with the key
// colour transparent (PaintImageWithKeyColor, `maskedCorners` as the
// parent-background switch) and the sides and centre opaquely, stretched
// with averaging under DrawMode bit 1. The centre only with `fillCentre`
// and DrawMode bit 4.
void PaintMaskRect(platform::Bitmap& bitmap, const platform::TRect& r, bool fillCentre, const TsBgSource& bg,
                   const TsMaskData& mask, int state, bool maskedCorners);

// Draws state `state` (at most the last) of a mask unscaled with its
// top-left corner at `point` (a negative coordinate leaves out the hidden
// part). Mode 1 draws the glyph as it is, any other faded. A mask with its
// own bitmap is drawn by PaintMaskedGlyph when the bitmap holds all of R;
// from the master bitmap (a manager and ImageCount needed) by
// PaintMaskedGlyph with a mask part, else with the parent background in
// the key-colour pixels (mode 1) or half blended (other modes).
void PaintMaskGlyph(platform::Bitmap& bitmap, platform::TPoint point, int state, int mode, const TsMaskData& mask,
                    const TsBgSource& bg);

// A rectangle of a mask with a mask part (the mask R.Height() div 2 rows
// below the image) over `dstRect`: key-colour image pixels take the parent
// background (the ready parent bitmap's pixel when FillColor is $FF00FF,
// else FillColor); others dst := ((dst - img) * m + img * 256) >> 8 per
// channel, m the mask's same channel. A parent bitmap that is neither 24
// nor 32 bits ends the painting.
void PaintMaskedImage(const platform::TRect& dstRect, const platform::TRect& srcRect, platform::Bitmap& bitmap,
                      const TsBgSource& bg, const TsMaskData& mask);

// `srcRect` of the mask's picture `image` at `dstPoint`: without mask part
// copied with `keyColor` pixels skipped; with one, key-colour pixels leave
// the destination and the others are weighted as in PaintMaskedImage by
// the mask byte (mode 1) or by min(mask byte + 100, 255) (a faded glyph);
// a blended pixel of a 32-bit destination gets alpha 255. The mask part
// lies R.Height() div (MaskType + 1) rows below.
void PaintMaskedGlyph(platform::Bitmap& dst, platform::TPoint dstPoint, const platform::TRect& srcRect,
                      const platform::Bitmap& image, const TsMaskData& mask, platform::TColor keyColor, int mode);

// ------------------------------------------------------------ border background

// Border sides (FillBorderBackground's set).
inline constexpr unsigned kSideLeft = 1, kSideTop = 2, kSideBottom = 4, kSideRight = 8, kAllSides = 15;

// Where the key colour of a border painted by PaintMaskRect over (0, 0,
// width, height) of `cache` leaves a pixel, it gets the parent
// background: a ready parent bitmap's pixel (shifted by X, Y; only where
// the parent has it) or, without one, FillColor unless that is $FF00FF.
// Each side in `sides` is the strip of its margin's width along the whole
// side. `image` is the mask's picture. FillBorderKeyPixels serves masks
// without mask part, FillMaskedBorderKeyPixels masks with one; each does
// nothing for the other kind.
void FillBorderKeyPixels(platform::Bitmap& cache, int width, int height, const TsMaskData& mask,
                         const platform::Bitmap& image, int state, unsigned sides, const TsBgSource& parent);
void FillMaskedBorderKeyPixels(platform::Bitmap& cache, int width, int height, const TsMaskData& mask,
                               const platform::Bitmap& image, int state, unsigned sides, const TsBgSource& parent);

// In a control's cache bitmap, where its border has been painted, the
// parent background goes into the pixels the border image leaves
// transparent (`sides` as above). Nothing unless the data has a manager,
// a valid border mask, a cache bitmap and an owner control at least 2 x 2.
// The parent background is asked with the background query (its named
// seam, CommonDataSeams.h): a parent bitmap (BgKind 2) with the query's
// offset moved by the control's Left and Top, or else the query's colour
// as RGB. PaintAllBorders gives back all four sides.
class TsCommonData;
void FillBorderBackground(TsCommonData& data, unsigned sides);
void PaintAllBorders(TsCommonData& data);

// The part of FillBorderBackground that follows its background query:
// nothing unless `maskIndex` is a mask of `manager` and the control is at
// least 2 x 2. A mask with ImageCount 0 and a bitmap of its own counts as
// three states with a mask part over the whole bitmap (any other with
// ImageCount 0 paints nothing). FillBorderBackground (the control's skin
// data) queries the parent background, turns it into `parent` (a parent
// bitmap with the query's offset shifted by the control's Left and Top, or
// the query's colour as RGB) and calls this with kAllSides for
// PaintAllBorders.
void RestoreBorderBackground(platform::Bitmap& cache, int width, int height, const TsSkinManager& manager,
                             int maskIndex, const TsBgSource& parent, unsigned sides, int state = 0);
