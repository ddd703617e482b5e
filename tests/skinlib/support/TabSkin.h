// The sections of tab controls, page controls, tool bars, status bars and
// speed buttons, added to a generated skin, and the demo skin with them.
//
// Every page and tab section has a colour of its own and no transparency,
// so a test tells by a pixel which section painted it; their border masks
// ("^", three states, two-pixel frames, sides stretched, no centre)
// leave the section's colour inside their margins (kBarMaskMargin).
#pragma once

#include "skinlib/support/TestSkins.h"

namespace testskins {

inline constexpr int kBarMaskMargin = 2;
// Colours as the skin writes them: red in the lowest byte.
inline constexpr int kPageTopColor = 0xE8D0B0, kPageBottomColor = 0xB0E8D0, kPageLeftColor = 0xD0B0E8,
                     kPageRightColor = 0xC8C8F0, kCheckBoxColor = 0xA0F0F0, kOwnTabsColor = 0x4080C0;
inline constexpr int kTabTopColor = 0xF8E8D8, kTabBottomColor = 0xD8F8E8, kTabLeftColor = 0xE8D8F8,
                     kTabRightColor = 0xF0F0C8;
inline constexpr int kToolBarColor = 0xF0E0D0, kStatusBarColor = 0xD8E4EC, kUpDownColor = 0xC0D8F0,
                     kSpeedButtonColor = 0xE0F0E0, kSpeedButtonHotColor = 0xB0F0B0;
inline constexpr int kDividerGrey = 120;

// Adds to `skin`: PAGECONTROL, PAGECONTROLBOTTOM, PAGECONTROLLEFT,
// PAGECONTROLRIGHT, CHECKBOX (plain), MYTABS (kOwnTabsColor, a section
// of a program's own), TABTOP, TABBOTTOM, TABLEFT, TABRIGHT (font
// colours dark, hot ones blue), TOOLBAR, STATUSBAR with its
// "STATUSPANELMASK", DIVIDER (a one-state grey line, kDividerGrey, 3 pixels wide
// between margins of 2, as "BORDERSMASK"),
// UPDOWNBTN and SPEEDBUTTON. TOOLBUTTON stays as the skin has it.
void AddBarSections(TestSkin& skin);

// The demo skin with the bar sections.
TestSkin BarsSkin();

}  // namespace testskins
