// The sections of the panel, spin, size-grip, dialog tool-bar and
// menu-window adapters, added to a test skin: each has a colour of its own
// (red in the lowest byte, as the skin writes it), so that a picture tells
// which section painted where.
//   PANEL_LOW          kPanelLowColor
//   CHECKBOX           kPanelCheckBoxColor (a dialog's plain panels)
//   GROUPBOX           kPanelGroupBoxColor, a 3-pixel frame
//   SPEEDBUTTON_SMALL  kSpinColor, hot kSpinHotColor: the spin halves
//   UPDOWNBTN          the same colours (the tab bar's arrows)
//   SCROLLBTNTOP, SCROLLBTNBOTTOM, SCROLLBTNLEFT, SCROLLBTNRIGHT
//                      "GLYPHMASK": three 7 x 7 states of an arrow pointing
//                      its way, in kPanelArrowColors
//   TOOLBUTTON         kToolButtonColor, hot kToolButtonHotColor
//   DIVIDER            "BORDERSMASK" a 6 x 16 etched line in kDividerColor
//   BAR                kBarColor
//   MAINMENU           kMenuWindowColor (hot kMenuWindowHotColor) with a
//                      2-pixel frame
// GLOBALINFO gets "GRIPIMAGE": one 12 x 12 picture of kPanelGripColor
// dots on the key colour, with the ImageCount given (0 is allowed).
#pragma once

#include "skinlib/support/TestSkins.h"

#include <array>

namespace testskins {

inline constexpr int kPanelLowColor = 0xB8C8D8, kPanelCheckBoxColor = 0xE0F0E0, kPanelGroupBoxColor = 0xD0E0F8;
inline constexpr int kSpinColor = 0x30A0C0, kSpinHotColor = 0x20D0F0;
inline constexpr int kToolButtonColor = 0xE8D0B8, kToolButtonHotColor = 0xF8E8C0;
inline constexpr int kDividerColor = 0x705030, kBarColor = 0xD8E4EC, kMenuWindowColor = 0xF0F8FF,
                     kMenuWindowHotColor = 0xC0D8F0;
inline constexpr QRgb kPanelGripColor = 0xFF305070;
inline constexpr std::array<QRgb, 3> kPanelArrowColors{0xFF101010, 0xFF0050C0, 0xFFC02020};
inline constexpr int kPanelGripSize = 12;

// `skin` with the sections above.
void AddPanelSections(TestSkin& skin, int gripImageCount = 1);
// The demo skin with them ("PanelDemo").
TestSkin PanelSkin(int gripImageCount = 1);

}  // namespace testskins
