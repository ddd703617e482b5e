#include "platform/Colors.h"

#include <array>
#include <utility>

namespace platform {

TColor GetSysColor(int index) {
  static constexpr std::array<TColor, 31> kTable = {
      RGB(212, 208, 200),  // scroll bar
      RGB(58, 110, 165),   // desktop
      RGB(10, 36, 106),    // active caption
      RGB(128, 128, 128),  // inactive caption
      RGB(212, 208, 200),  // menu
      RGB(255, 255, 255),  // window
      RGB(0, 0, 0),        // window frame
      RGB(0, 0, 0),        // menu text
      RGB(0, 0, 0),        // window text
      RGB(255, 255, 255),  // caption text
      RGB(212, 208, 200),  // active border
      RGB(212, 208, 200),  // inactive border
      RGB(128, 128, 128),  // application workspace
      RGB(10, 36, 106),    // highlight
      RGB(255, 255, 255),  // highlight text
      RGB(212, 208, 200),  // button face
      RGB(128, 128, 128),  // button shadow
      RGB(109, 109, 109),  // grey text
      RGB(0, 0, 0),        // button text
      RGB(212, 208, 200),  // inactive caption text
      RGB(255, 255, 255),  // button highlight
      RGB(64, 64, 64),     // 3-D dark shadow
      RGB(212, 208, 200),  // 3-D light
      RGB(0, 0, 0),        // tooltip text
      RGB(255, 255, 225),  // tooltip background
      0,                   // (no colour of its own)
      RGB(0, 0, 128),      // hot-tracked item
      RGB(166, 202, 240),  // active caption gradient
      RGB(192, 192, 192),  // inactive caption gradient
      RGB(10, 36, 106),    // menu highlight
      RGB(212, 208, 200),  // menu bar
  };
  return index >= 0 && index < int(kTable.size()) ? kTable[size_t(index)] : 0;
}

QRgb ToQRgb(TColor c) {
  c = ColorToRGB(c);
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

QColor ToQColor(TColor c) { return QColor(ToQRgb(c)); }

TColor FromQRgb(QRgb rgb) { return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

TColor FromQColor(const QColor& c) { return FromQRgb(c.rgb()); }

int GetSystemMetrics(int index) {
  static constexpr std::pair<int, int> kTable[] = {
      {SM_CXSCREEN, 1920}, {SM_CYSCREEN, 1080}, {SM_CXVSCROLL, 16}, {SM_CYHSCROLL, 16},
      {SM_CYCAPTION, 19}, {SM_CXBORDER, 1}, {SM_CYBORDER, 1}, {SM_CXDLGFRAME, 3},
      {SM_CYDLGFRAME, 3}, {SM_CYVTHUMB, 16}, {SM_CXHTHUMB, 16}, {SM_CXICON, 32}, {SM_CYICON, 32},
      {SM_CXCURSOR, 32}, {SM_CYCURSOR, 32}, {SM_CYMENU, 19}, {SM_CXFULLSCREEN, 1920},
      {SM_CYFULLSCREEN, 1031}, {SM_MOUSEPRESENT, 1}, {SM_CYVSCROLL, 16}, {SM_CXHSCROLL, 16},
      {SM_SWAPBUTTON, 0}, {SM_CXMIN, 112}, {SM_CYMIN, 27}, {SM_CXSIZE, 18}, {SM_CYSIZE, 18},
      {SM_CXFRAME, 4}, {SM_CYFRAME, 4}, {SM_CXMINTRACK, 112}, {SM_CYMINTRACK, 27},
      {SM_CXDOUBLECLK, 4}, {SM_CYDOUBLECLK, 4}, {SM_CXICONSPACING, 75}, {SM_CYICONSPACING, 75},
      {SM_CXEDGE, 2}, {SM_CYEDGE, 2}, {SM_CXSMICON, 16}, {SM_CYSMICON, 16}, {SM_CYSMCAPTION, 16},
      {SM_CXSMSIZE, 12}, {SM_CYSMSIZE, 15}, {SM_CXMENUSIZE, 18}, {SM_CYMENUSIZE, 18},
      {SM_CXMINIMIZED, 160}, {SM_CYMINIMIZED, 27}, {SM_CXMAXIMIZED, 1928}, {SM_CYMAXIMIZED, 1058},
      {SM_CXDRAG, 4}, {SM_CYDRAG, 4},
      {SM_CXMENUCHECK, 13}, {SM_CYMENUCHECK, 13}, {SM_CMONITORS, 1}, {SM_CXFOCUSBORDER, 1},
      {SM_CYFOCUSBORDER, 1},
  };
  for (const auto& [key, value] : kTable)
    if (key == index) return value;
  return 0;
}

}  // namespace platform
