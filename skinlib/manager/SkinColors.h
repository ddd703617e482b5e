// Colour arithmetic of the skin painters: a colour's saturation and hue
// changed. Colours are TColor values, red in the lowest byte; system
// colours are resolved first and the result is a plain RGB value. Real
// arithmetic rounds halves to even. Pure functions, any thread.
#pragma once

#include "platform/Colors.h"

// Percent 0 gives the colour unchanged. Otherwise, with A the average of
// the three channels, each channel c := Round(percent * (A - c) / 100 + c)
// within 0..255: 100 gives grey, negative percents move away from grey.
platform::TColor ChangeColorSaturation(platform::TColor color, int percent);

// The colour turned round the colour wheel by `delta` degrees (hue,
// saturation and value, the hue rounded to a whole degree): pure red by
// 120 gives pure green; a grey colour stays as it is.
platform::TColor ChangeColorHue(int delta, platform::TColor color);
