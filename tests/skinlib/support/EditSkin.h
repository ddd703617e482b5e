// The skin of the edit, list and combo adapters, and a demo form of those
// controls, for their tests, pictures and bench.
//
// EditSkin() sections, every colour distinct (red in the lowest byte, as
// the skin writes them):
//   GLOBALINFO       COLOR kEditGlobalColor, FONTCOLOR $202020
//   EDIT             COLOR kEditColor, FONTCOLOR kEditFontColor, HOTCOLOR
//                    kEditHotColor, HOTFONTCOLOR kEditHotFontColor; its
//                    "BORDERSMASK" ("^", DrawMode 5, margins 3): three
//                    kEditFrame-square states (normal, hot, focused) whose
//                    outlines are kEditFrameColors and whose four outer
//                    corner pixels are the key colour; GLOW 1, GLOWMARGIN 3
//                    (no glow mask)
//   COLHEADER        COLOR kColHeaderColor, HOTCOLOR kColHeaderHotColor,
//                    FONTCOLOR kColHeaderFontColor, HOTFONTCOLOR
//                    kColHeaderHotFontColor; "BORDERSMASK" three states of a
//                    header cell (a band of the state's colour with a
//                    divider on the right and a line at the bottom)
//   SCROLLBTNTOP,    the glyphs a sorted column shows: "GLYPHMASK" ("@",
//   SCROLLBTNBOTTOM  three kSortGlyph-square states, key colour around) of
//                    an arrow up and an arrow down in kSortGlyphColor
//   COMBOBOX         PARENTCLASS EDIT; "GLYPHMASK" ("@", three
//                    kComboGlyph-square states) a down arrow of
//                    kComboGlyphColor
//   COMBOBTN         COLOR kComboBtnColor, HOTCOLOR kComboBtnHotColor;
//                    "BORDERSMASK" three states of a raised button (margins
//                    3, DrawMode 5) filled with kComboBtnFills
#pragma once

#include "skinlib/support/TestSkins.h"

#include <QStandardItemModel>

#include <array>
#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;
class QTreeView;
class QWidget;

namespace testskins {

inline constexpr int kEditGlobalColor = 0xE8DCD0, kEditColor = 0xFAF6F2, kEditFontColor = 0x402000,
                     kEditHotColor = 0xFFFFFF, kEditHotFontColor = 0x600000;
inline constexpr int kEditFrame = 16;
inline constexpr std::array<QRgb, 3> kEditFrameColors{0xFF8C9AAA, 0xFF3C78C8, 0xFF1E50A0};
inline constexpr int kColHeaderColor = 0xE0C8B0, kColHeaderHotColor = 0xF0E0D0, kColHeaderFontColor = 0x303030,
                     kColHeaderHotFontColor = 0x800000;
inline constexpr std::array<QRgb, 3> kColHeaderFills{0xFFB0C8E0, 0xFFD0E0F0, 0xFF90A8C8};
inline constexpr int kSortGlyph = 9;
inline constexpr QRgb kSortGlyphColor = 0xFF204080;
inline constexpr int kComboGlyph = 9;
inline constexpr QRgb kComboGlyphColor = 0xFF182848;
inline constexpr int kComboBtnColor = 0xD8C0A8, kComboBtnHotColor = 0xF0D8C0;
inline constexpr std::array<QRgb, 3> kComboBtnFills{0xFFA8C0D8, 0xFFC0D8F0, 0xFF7890B0};

TestSkin EditSkin();

// A form of the controls the adapters skin, in the program's language: a
// line edit with an issue number, a combo box of balls, a report list of
// draws (three columns, sorted by the first, ascending) and a list box.
// The caller owns it; the pointers live as long as the form.
struct EditDemoForm {
  EditDemoForm();
  ~EditDemoForm();
  EditDemoForm(const EditDemoForm&) = delete;
  EditDemoForm& operator=(const EditDemoForm&) = delete;

  QStandardItemModel Draws;
  std::unique_ptr<QWidget> Form;
  QLineEdit* Edit = nullptr;
  QComboBox* Combo = nullptr;
  QTreeView* Report = nullptr;
  QListWidget* List = nullptr;
};

}  // namespace testskins
