// `TacWWComboBoxWnd`: the combo-box adapter for combo boxes of other
// kinds (a combo box of the program's own class, or a QComboBox whose
// published "Style" may say "csSimple"), whose button takes the width of a
// vertical scroll bar unless the box shows none. GUI thread only.
#pragma once

#include "platform/WinTypes.h"
#include "skinlib/adapters/ComboAdapters.h"

#include <cstdint>

// The button of `TacWWComboBoxWnd`: as wide as a vertical scroll bar when
// shown (else 0), 2 pixels in from the right (from the left with
// WS_EX_LEFTSCROLLBAR), 2 from the top and bottom.
platform::TRect WWComboButtonRect(bool showButton, std::uint32_t exStyle, int width, int height);

class TacWWComboBoxWnd : public TacComboBoxWnd {
 public:
  // ShowButton unless the control is a "TComboBox" whose "Style" is
  // neither "csDropDown" nor "csDropDownList".
  TacWWComboBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  bool ShowButton = true;
  platform::TRect ButtonRect() const override;
};
