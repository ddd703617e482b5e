// The drawing primitives every skin painter draws through.
//
// A skin element is an image strip of `frameCount` equal frames, side by
// side or (with `verticalFrames`) stacked, counted from 1, with four fixed
// edges given as a margins rectangle (Left, Top, Right, Bottom widths).
// Stretched copies take the nearest pixel. Key-coloured pixels ($FF00FF)
// are left out by the transparent draws.
//
// Every routine draws nothing for a target of negative width or height, for
// a frame number outside 1 .. frameCount, or for an empty image; a frame
// count below 1 counts as 1. Margins that do not fit the frame, or the
// target, drop to 0 in pairs (left and right, top and bottom).
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/WinTypes.h"

#include <QRegion>

#include <optional>

class QWidget;

namespace skinning {

using platform::Bitmap;
using platform::Canvas;
using platform::TColor;
using platform::TRect;

// Where frame `frame` of `frameCount` lies in the image; nothing for a
// frame number outside the strip.
std::optional<TRect> SkinFrameRect(const Bitmap& image, bool verticalFrames, int frameCount,
                                   int frame);

// A new bitmap of the target's size holding the frame in nine parts: the
// corners at their size, the edges stretched along, the centre stretched
// or (with `tile`) tiled. Empty when there is nothing to draw.
Bitmap DrawSkinImage(const TRect& target, const Bitmap& image, const TRect& margins,
                     bool verticalFrames, bool tile, int frameCount, int frame);

// DrawSkinImage put at the target, copied or, when `transparent`, without
// its key-coloured pixels.
void DrawSkinElement(Canvas& canvas, const TRect& target, const Bitmap& image, bool verticalFrames,
                     bool tile, bool transparent, int frameCount, int frame, const TRect& margins);

// A horizontal strip in three parts: the frame's left margin columns and
// right margin columns stretched to the target's ends, the columns between
// repeated (stretched to the full height) along the middle.
void DrawSkinStrip(Canvas& canvas, const TRect& target, const Bitmap& image, bool verticalFrames,
                   bool transparent, int frameCount, int frame, const TRect& margins);

// One frame of side-by-side frames stretched over the target.
void DrawFrameStretched(Canvas& canvas, const TRect& target, const Bitmap& image, bool transparent,
                        int frameCount, int frame);
// One frame at its own size centred on the target (a larger frame
// overhangs equally on both sides).
void DrawFrameCentred(Canvas& canvas, const TRect& target, const Bitmap& image, bool transparent,
                      int frameCount, int frame);

// Three stretched copies straight to the canvas: left margin, middle and
// right margin columns; a target narrower than the frame gets the whole
// frame stretched.
void DrawThreePartDirect(Canvas& canvas, const TRect& target, const Bitmap& image,
                         bool verticalFrames, int frameCount, int frame, const TRect& margins);

// Repeats the image's `source` rectangle over the target from its top-left
// corner; the last tiles may run past the target's right and bottom.
void TileDraw(Canvas& canvas, const TRect& target, const Bitmap& image, const TRect& source);

// Copies the image from its top-left corner into the target rectangle,
// leaving the canvas as it is where the image has the colour `key`.
void TransparentDraw(Canvas& canvas, const TRect& target, const Bitmap& image, TColor key);

// The pixels of the image, moved by (x, y), whose colour is not within
// key .. key + tolerance on every channel.
QRegion RegionFromBitmap(const Bitmap& image, int x, int y, int blueTolerance, int greenTolerance,
                         int redTolerance, TColor key);

// Paints what the control's parent paints under the control (its
// background and its own painting, none of its children) into the canvas,
// whose origin is the control's top-left corner. Nothing without a parent.
void PaintParentBackground(QWidget* control, Canvas& canvas);

}  // namespace skinning
