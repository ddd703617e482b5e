// Small routines every skinned control shares: work bitmaps of a fixed
// format, rectangles and border bands of a device context filled or
// copied, a bitmap painted in nine parts, bevel frames, graphic child
// controls kept out of a clip region, and the border a skinned control
// lays around its client area.
//
// Device contexts are platform Canvases (GDI rules: right and bottom edges
// outside, clip and origins applied); each routine leaves the canvas's
// pen, brush and modes as it found them. Bitmaps the factories return
// belong to the caller. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <cstdint>
#include <memory>

class QWidget;
class TsCommonData;
class TsSkinManager;

// ------------------------------------------------------------ factories

// A new bitmap of the source's width, height and pixel format.
std::unique_ptr<platform::Bitmap> CreateBitmapLike(const platform::Bitmap& source);
// New pf24bit and pf32bit bitmaps (negative sizes count as 0; beyond the
// platform's limits platform::EOutOfResources).
std::unique_ptr<platform::Bitmap> CreateBitmap24(int width, int height);
std::unique_ptr<platform::Bitmap> CreateBitmap32(int width, int height);

// The value with its highest byte cleared.
constexpr platform::TColor ColorWithoutAlpha(platform::TColor value) {
  return platform::TColor(uint32_t(value) & 0x00FFFFFFu);
}

// ------------------------------------------------------------ rectangles and bands

// Fills `r` with a solid colour (system colours resolved).
void FillDCRect(platform::Canvas& dc, const platform::TRect& r, platform::TColor color);

// Fills the four border bands of `r`, in this order: top (Left, Top,
// Right, Top + topWidth), left (Left, Top + topWidth, Left + leftWidth,
// Bottom), bottom (Left + leftWidth, Bottom - bottomWidth, Right, Bottom),
// right (Right - rightWidth, Top + topWidth, Right, Bottom - bottomWidth).
// Widths of 0 (or less) fill nothing.
void FillDCBorder(platform::Canvas& dc, const platform::TRect& r, int leftWidth, platform::TColor color,
                  int bottomWidth, int rightWidth, int topWidth);

// Copies the four bands, `borderWidth` wide, of the width x height block at
// (srcX, srcY) of the source canvas's bitmap to (x, y) of `dst`. Nothing
// when the source canvas paints on no bitmap.
void CopyDCBorder(platform::Canvas& dst, int x, int y, int width, int srcX, int srcY, platform::Canvas& src,
                  int height, int borderWidth);

// Set, ExcludeGraphicControls leaves the clip region alone.
extern bool KeepGraphicControlsInClip;

// Cuts every visible graphic child control of `control` (a control
// without a window of its own: platform::IsGraphicControl) out of the
// canvas's clip region, each moved by (offsetX, offsetY).
void ExcludeGraphicControls(platform::Canvas& dc, const QWidget* control, int offsetY, int offsetX);

// ------------------------------------------------------------ nine parts and frames

// How PaintNinePartBitmap fills each side and the centre: 0 tiles, 1
// stretches; the centre only with FillCentre.
struct TacNinePartModes {
  uint8_t Left = 0, Top = 0, Right = 0, Bottom = 0, Centre = 0;
  bool FillCentre = false;
};

// Paints the piece `srcRect` of `src` into `dstRect` in nine parts.
// `borderWidths` (Left, Top, Right, Bottom) are the piece's borders,
// `margins` the widths they take in the destination. Each corner cell
// (margin x margin) gets the piece's corner unscaled, at most the border's
// size, from its outer corner; where the cell is larger than the border,
// the rest of the cell takes the piece's border strip next to the corner,
// unscaled. The sides between the corner cells get the piece's sides,
// tiled or stretched by their mode (each side by its own), and the centre
// likewise when asked. Stretching takes the nearest pixel.
void PaintNinePartBitmap(platform::Canvas& dst, const platform::Bitmap& src, const platform::TRect& dstRect,
                         const TacNinePartModes& modes, const platform::TRect& margins,
                         const platform::TRect& borderWidths, const platform::TRect& srcRect);

// Draws `count` nested one-pixel bevel frames: for each, a light line up
// the left side and along the top, a dark line down the right side and
// along the bottom; `r` shrinks by one on every side per frame and `count`
// ends at 0. With count 2 on (0, 0, 10, 10) the frames lie on (0, 0)-(9, 9)
// and (1, 1)-(8, 8), and r becomes (2, 2, 8, 8).
void DrawBevelFrame(platform::Canvas& dc, platform::TRect& r, platform::TColor lightColor, int& count,
                    platform::TColor darkColor);

// ------------------------------------------------------------ a control's border

// What PaintSkinBorders does once it knows the control: `color` is the
// control's background colour for `state`; `parentQuery` its parent's
// answer to the background query, its Offset already moved by the
// control's Left and Top, and `parentBg` that answer as a background
// source. With a valid border mask (`maskIndex` of `manager`) the mask is
// laid over `r` of the control's cache bitmap (a mask with mask part over
// bands first filled with `color`, or copied from the parent's bitmap when
// it handed one out) and clientRect becomes `r` inside the mask's
// margins; a non-zero borderWidth then fills the bands between the
// margins and borderWidth with `color`, clientRect becomes `r` shrunk by
// borderWidth, and when `dc` is not the cache's canvas the bands are
// copied to it. Without a valid mask a non-zero borderWidth fills the
// bands of `r` on `dc`. Nothing without a mask and with borderWidth 0.
// PaintSkinBorders finds these from the control's skin data and calls
// this.
void PaintControlBorder(platform::Canvas& dc, const platform::TRect& r, int borderWidth, platform::TRect& clientRect,
                        int state, platform::Bitmap* cache, const TsSkinManager* manager, int maskIndex,
                        platform::TColor color, const TsBgQuery& parentQuery, const TsBgSource& parentBg);

// A skinned control's border: its background colour for `state`
// (SectionBgColor), its parent's background asked with the background
// query (QueryControlBackground, no draw request; the offset moved by the
// owner control's Left and Top; without a parent the colour stands for
// it), then PaintControlBorder with the data's cache bitmap and border
// mask. Without mask and with borderWidth 0 nothing changes.
void PaintSkinBorders(platform::Canvas& dc, const platform::TRect& r, int borderWidth, platform::TRect& clientRect,
                      int state, TsCommonData& data);
