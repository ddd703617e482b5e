// The MDI and frame pieces of the test skins: the form skin with a
// GROUPBOX section (its transparency as asked), a frame class of the tests
// and the demo MDI main form.
#pragma once

#include "skinlib/support/TestSkins.h"

#include <QFrame>
#include <QMainWindow>

class QMdiArea;
class QMdiSubWindow;

namespace testskins {

// The form skin (FormSkin) with GROUPBOX: COLOR kMdiGroupBoxColor,
// TRANSPARENCY as given, FONTCOLOR $202020, and with `border` a 4-pixel
// frame of kGroupBoxBorderColor (one state, margins 4).
inline constexpr int kMdiGroupBoxColor = 0xD8ECF4, kGroupBoxBorderColor = 0x8C5A28;
TestSkin MdiSkin(int groupBoxTransparency = 0, bool border = false);

// The tests' frame class: the library takes it for a frame once the frame
// class setting names it ("TFrame").
class TFrame : public QFrame {
 public:
  using QFrame::QFrame;
};

// The demo MDI main form: "FormStyle" fsMDIForm, a menu bar, a tool bar at
// the top, a status bar, a QMdiArea as the central widget with three
// children ("走势图", "号码缩水", "开奖记录"), the last holding a TFrame
// with a label and a button. The caller owns it; nothing is shown.
struct DemoMdi {
  QMainWindow* Window = nullptr;
  QMdiArea* Area = nullptr;
  QMdiSubWindow* Children[3] = {nullptr, nullptr, nullptr};
  TFrame* Frame = nullptr;
};
DemoMdi DemoMdiMainWindow();

}  // namespace testskins
