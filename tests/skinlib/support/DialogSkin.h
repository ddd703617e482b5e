// The test skin of skinned dialogs: the form skin (TestSkins.h FormSkin:
// the title-button masks BICON* and SICON* with their glows, FORMTITLE,
// CAPTION) with the section DIALOG: COLOR kDialogColor, FONTCOLOR $202020
// and the form's BORDERSMASK (4-pixel frames, their outer corner pixels
// key colour, so a dialog's window region loses its corners), and
// GLOBALINFO's COLOR kDialogGlobalColor (what a skinned dialog's window
// colour becomes). Without `smallButtons` the small SICON* masks are taken
// out (dialogs of every frame kind then fall back to the large ones).
#pragma once

#include "skinlib/support/TestSkins.h"

namespace testskins {

inline constexpr int kDialogColor = 0xE8F0E0, kDialogGlobalColor = 0xD8E4EC;
TestSkin DialogSkin(bool smallButtons = true);

}  // namespace testskins
