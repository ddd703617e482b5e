// Colour arithmetic of the skin painters: a colour's saturation and hue
// changed, two colours mixed. Colours are TColor values, red in the lowest byte; system
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

// Each of the three low bytes Round(c1 * k + c2 * (1 - k)) within 0..255
// (k 0.4 gives 0.4 of c1 and 0.6 of c2; a k that is no finite number
// counts as 0); the highest byte is c1's. The colours are taken as they
// stand (a system colour is not resolved).
platform::TColor MixColors(platform::TColor c1, platform::TColor c2, double k);
