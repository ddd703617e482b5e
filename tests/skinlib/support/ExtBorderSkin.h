// The test skin of a form with extended borders: the form skin
// (TestSkins.h FormSkin) with GLOBALINFO's "EXBORDER" ("EXBORDER.PNG", a
// file of its own: two 48 x 48 states with alpha, the inactive one left:
// clear inside, a shadow band kExtShadowBand wide that grows denser
// towards the window, the active one denser and tinted blue), "BORDERWIDTH" kExtBorderWidth,
// "FORMOFFSET" kExtFormOffset, and the menu line's items: "MENUITEM"
// (clear, hot kMenuHotColor as in MenuSkin) and "SPEEDBUTTON_SMALL".
// The border's margins (the shadow the window casts) are then
// kExtShadowBand + 2 - kExtFormOffset on every side. With `mode1`
// ("BORDERMODE" 1) title band and caption are painted over the picture.
#pragma once

#include "skinlib/support/TestSkins.h"

namespace testskins {

inline constexpr int kExtBorderState = 48, kExtShadowBand = 14, kExtBorderWidth = 6, kExtFormOffset = 4;
inline constexpr int kExtMargin = kExtShadowBand + 2 - kExtFormOffset;
// The two states side by side, as the file holds them.
QImage ExtBorderStrip();
TestSkin ExtBorderSkin(bool mode1 = false);

}  // namespace testskins
