// The test skin of dialogs with extended borders: the dialog skin
// (DialogSkin.h: DIALOG, GLOBALINFO's COLOR, the title-button masks) with
// the extended border of the form skin's (ExtBorderSkin.h: GLOBALINFO's
// "EXBORDER" picture, "BORDERWIDTH" and "FORMOFFSET"). The border's margins
// are then kExtMargin on every side; with `mode1` ("BORDERMODE" 1) the
// border picture is the whole frame and the margins kExtFormOffset.
#pragma once

#include "skinlib/support/DialogSkin.h"
#include "skinlib/support/ExtBorderSkin.h"

namespace testskins {

TestSkin DialogExtBorderSkin(bool mode1 = false);

}  // namespace testskins
