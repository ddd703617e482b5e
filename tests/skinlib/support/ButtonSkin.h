// The generator's sections for the static, button, check-box and
// group-box adapters, and a demo form part that holds those controls.
//
// Sections added (AddButtonSections):
//   CHECKBOX   see-through (Transparency 100), the section of check boxes,
//              radio buttons and statics; FONTCOLOR kCheckFontColor, hot
//              kCheckHotFontColor
//   GROUPBOX   COLOR kGroupBoxColor, a vertical gradient from white to it
//              at GradientPercent 40 (so its children see its cache), a
//              BORDERSMASK frame of one state whose 2-pixel line is
//              kGroupFrameColour (margins 4)
// and GLOBALINFO's check images, each three kCheckImageSize squares
// (normal, hot, pressed; "@", no mask part, key colour around):
//   BOXUNCHECKED, BOXCHECKED, BOXGRAYED   a square frame of kBoxFrameColour
//   RADIOUNCHECKED, RADIOCHECKED          a round ring of kRadioRingColour
// checked images with a kCheckMarkColour mark, grayed ones a grey block;
// the state fills the inside (white, kCheckHotFill, kCheckPressedFill).
// No pixel of a frame, ring or mark is antialiased, so tests find them by
// colour. The demo skin's BUTTON (through TOOLBUTTON) serves push buttons.
#pragma once

#include "skinlib/support/TestSkins.h"

#include <QRgb>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace testskins {

inline constexpr int kCheckImageSize = 13;
inline constexpr QRgb kBoxFrameColour = 0xFF2040A0, kRadioRingColour = 0xFFC03020, kCheckMarkColour = 0xFF106030;
inline constexpr QRgb kCheckHotFill = 0xFFFFF0B0, kCheckPressedFill = 0xFFB0B0B0;
inline constexpr QRgb kGroupFrameColour = 0xFF507090;
// Colours as the skin writes them: red in the lowest byte.
inline constexpr int kGroupBoxColor = 0xF4ECE4, kCheckFontColor = 0x402010, kCheckHotFontColor = 0x8C4218;

void AddButtonSections(TestSkin& skin);
// The demo skin with the sections above.
TestSkin ButtonSkin();

// The controls of the demo form part, children of the part's widget.
struct ButtonDemoPart {
  QWidget* Part = nullptr;
  QGroupBox* Group = nullptr;       // "开奖号码", holds the check boxes and radios
  QGroupBox* EmptyGroup = nullptr;  // no caption
  QCheckBox* Check = nullptr;       // "只看蓝球", checked
  QCheckBox* Tristate = nullptr;    // "包含胆码", partly checked
  QRadioButton* Radio = nullptr;    // "红球", auto-exclusive, checked
  QRadioButton* PlainRadio = nullptr;  // "蓝球", not auto-exclusive
  QLabel* Label = nullptr;          // "期号:"
  QLabel* Picture = nullptr;        // a small picture
  QLabel* Link = nullptr;           // "<A>帮助</A>"
  QPushButton* Default = nullptr;   // "确定", the default button
  QPushButton* Button = nullptr;    // "取消"
  QPushButton* BitButton = nullptr; // "分析" with an icon
  QPushButton* Disabled = nullptr;  // "导出", disabled
};
// Made inside `parent` (340 x 230 of it), at fixed places.
ButtonDemoPart MakeButtonDemoPart(QWidget* parent);

}  // namespace testskins
