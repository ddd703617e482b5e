#include "skinlib/adapters/WWComboAdapter.h"

#include "platform/Colors.h"
#include "platform/Properties.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/sSkinManager.h"

using namespace platform;

// The combo box's own rectangle: a drop-down style when the button shows,
// its left-side place when the scroll bar is on the left.
TRect WWComboButtonRect(bool showButton, std::uint32_t exStyle, int width, int height) {
  return ComboButtonRect(showButton ? CBS_DROPDOWN : CBS_SIMPLE, (exStyle & WS_EX_LEFTSCROLLBAR) ? WS_EX_RTLREADING : 0,
                         width, height);
}

namespace {

bool WWShowsButton(QWidget* control) {
  if (!control || GetClassName(control) != QLatin1String("TComboBox")) return true;
  QString style = GetPropertyText(control, QStringLiteral("Style"));
  if (style.isEmpty())
    style = (std::uint32_t(GetWindowLong(control, GWL_STYLE)) & 3) == CBS_DROPDOWN ? QStringLiteral("csDropDown")
                                                                                  : QStringLiteral("csDropDownList");
  return style == QLatin1String("csDropDown") || style == QLatin1String("csDropDownList");
}

}  // namespace

TacWWComboBoxWnd::TacWWComboBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                                   const QString& section)
    : TacComboBoxWnd(handle, skinData, manager, section), ShowButton(WWShowsButton(handle)) {}

TRect TacWWComboBoxWnd::ButtonRect() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  return WWComboButtonRect(ShowButton, std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)), h->width(), h->height());
}
