// The images the skinning engine carries itself rather than taking them
// from a skin, kept as Qt resources:
// - "TRACK" (16 x 4) and "TRACKVERT" (4 x 16): trackbar channels for skins
//   that have none;
// - "SKINMENU" (64 x 16, black and white, white = mask): the glyphs restore,
//   maximize, minimize and close, 16 x 16 each;
// - "CHECK" (black and white, white = mask): the tick of ticked menu items.
#pragma once

#include "platform/Bitmap.h"

#include <QString>

namespace skinning {

// The image of that name (case as above); an empty bitmap for any other.
platform::Bitmap BuiltinImage(const QString& name);

}  // namespace skinning
