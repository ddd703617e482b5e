// Colour and bitmap routines of the skinning engine: mixing colours, cached
// colour ramps and gradient fills, hue and saturation, the key colour, and
// mirrored, flipped and turned copies of skin images.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"

#include <memory>
#include <vector>

namespace skinning {

using platform::TColor;

// The colour that stands for "transparent" in every skin image.
constexpr TColor kSkinKeyColour = platform::clFuchsia;

// p parts of a and the rest of b, per channel, rounded: p is a percentage
// below 100 and tenths of a percent from 100 on (150 is 15 %). System
// colours are resolved first.
TColor BlendColours(TColor a, TColor b, int p);

// n colours from c1 to c2 (c1 first, c2 last; n = 1 gives the middle).
// The last 16 ramps are kept: asking again for one of them gives the same
// ramp. Throws std::invalid_argument("Assertion failure") for n < 1.
using TColourRamp = std::shared_ptr<const std::vector<TColor>>;
TColourRamp GetGradientRamp(int n, TColor c1, TColor c2);

// Fills `r` with a ramp from c1 to c2, one colour per row (vertical) or per
// column, only where the canvas may paint.
void GradientFill(platform::Canvas& canvas, const platform::TRect& r, TColor c1, bool vertical,
                  TColor c2);

// Hue (0..255 for 0..360 degrees) and saturation (0..255); a colour whose
// three channels are all below 160 reports saturation 200.
struct THueSat {
  int Hue = 0;
  int Saturation = 0;
};
THueSat ColourHueSat(TColor colour);

// Makes the bitmap 24-bit and paints its key-coloured pixels `colour`.
void ReplaceKeyColour(platform::Bitmap& bitmap, TColor colour);
// Left to right, in place (format and settings kept).
void MirrorBitmap(platform::Bitmap& bitmap);
// Upside down, in place.
void FlipBitmap(platform::Bitmap& bitmap);
// A quarter turn anticlockwise / clockwise; width and height swap.
void RotateLeft(platform::Bitmap& bitmap);
void RotateRight(platform::Bitmap& bitmap);

}  // namespace skinning
