// One demo form holding every kind of control the static, button, panel,
// spin, grip, tool-bar, tab and status-bar adapters serve, and the skin
// that dresses them all: the demo skin with the panel, bar and button
// sections (the button sections last, so check boxes and group boxes take
// their see-through and gradient looks).
#pragma once

#include "skinlib/support/ButtonSkin.h"
#include "skinlib/support/TestSkins.h"

#include <vector>

class QComboBox;
class QFrame;
class QSizeGrip;
class QSpinBox;
class QStatusBar;
class QTabBar;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace testskins {

// "ControlsDemo".
TestSkin ControlsDemoSkin();

struct ControlsDemoForm {
  ButtonDemoPart Buttons;         // labels, link, picture, buttons, boxes, groups
  QToolBar* Tools = nullptr;      // the form's tool bar: 打开, 保存 | 趋势, 缩水 (disabled)
  QTabWidget* Pages = nullptr;    // tabs on top, the second page shown
  QTabWidget* SidePages = nullptr;  // tabs on the left
  QTabBar* Tabs = nullptr;        // a bare tab bar too narrow for its tabs
  QToolButton* Speed = nullptr;   // "随机", a speed button
  QComboBox* Combo = nullptr;     // a combo box for the combo variant
  QFrame* Raised = nullptr;       // a raised panel with a caption
  QFrame* Lowered = nullptr;      // a lowered panel with a spin box split left and right
  QSpinBox* Spin = nullptr;
  QSpinBox* SpinHorz = nullptr;   // the caller sets UDS_HORZ
  QToolBar* DialogBar = nullptr;  // a dialog's tool bar
  QStatusBar* Status = nullptr;   // two panels
  QSizeGrip* Grip = nullptr;      // bottom-right corner
  // Every control above (the button part's too), for a check of the layout.
  std::vector<QWidget*> Controls() const;
};
// Made inside `form`, which it sizes, at fixed places.
inline constexpr int kControlsDemoWidth = 660, kControlsDemoHeight = 480;
ControlsDemoForm MakeControlsDemoForm(QWidget* form);

}  // namespace testskins
