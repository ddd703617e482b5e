// Painters that draw through the skin's style, so that where Qt's input
// logic hits and what is drawn agree: each puts the skin's style on its
// widget (and the widget's inner parts), and the style asks the painter to
// draw while it is active.
//   TSkinUpDown    a spin box's buttons ("UpDown.Vert"/"UpDown.Horz")
//   TSkinTrackBar  a slider: the groove is the channel ("Track",
//                  "TRACKVERT"), the handle frame 2 of the thumb strip;
//                  tick marks by the base style
//   TSkinTab       a tab widget or a lone tab bar: tab frames 1 and 2 of
//                  "Tabs", the pane, turned tabs on the sides, the scroll
//                  buttons as a horizontal up-down; a tab widget tagged
//                  kCloseTabsTag with tabs on top gets close boxes
//   TSkinComBox    a combo box: "SunkEdge" and "ComboButton" by the
//                  button's style 0, 1 or 2; the button on the left for
//                  right-to-left
//   TSkinDateTime  a date-time edit with a calendar pop-up: the edit's
//                  border, its arrow area in "ComboButton" frames 1 and 4
#pragma once

#include "skinning/WinSubClass.h"

#include <QRect>

#include <optional>
#include <vector>

class QPainter;
class QStyleOption;
class QStyleOptionComboBox;
class QStyleOptionSlider;
class QStyleOptionSpinBox;
class QStyleOptionTab;
class QStyleOptionToolButton;
class QTabBar;

namespace skinning {

// One half of an up-down: direction 0 up (or left), 1 down (or right);
// state 1 normal, 2 pressed, 3 disabled, 4 hot. With the element, frame
// direction * 4 + state of its strip and its glyph; without, a plain box
// with a line arrow.
void DrawUpDownHalf(const TSkinModel& model, Canvas& c, const TRect& half, int direction, int state,
                    bool vertical);

// A small arrow of lines pointing in `direction` (0 up, 1 down, 2 left,
// 3 right) around (x, y), in the pen's colour.
void DrawLineArrow(Canvas& c, int x, int y, int direction);

class TSkinUpDown : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  void HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) override;

  bool Embedded = false;         // inside an edit: 3 pixels from its edges
  bool ForceHorizontal = false;  // left and right, whatever the control says

  // The buttons' halves for the style: the rectangle of SC_SpinBoxUp or
  // SC_SpinBoxDown; nothing when the painter does not draw.
  std::optional<QRect> HalfRect(const QStyleOptionSpinBox& option, bool up, const QRect& standardUp,
                                const QRect& standardDown) const;
  bool DrawButtons(const QStyleOptionSpinBox& option, QPainter* painter, const QRect& standardUp,
                   const QRect& standardDown);
};

class TSkinTrackBar : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  // Channel and thumb into the groove's and handle's rectangles.
  bool DrawSlider(const QStyleOptionSlider& option, QPainter* painter, const QRect& groove, const QRect& handle);
};

class TSkinTab : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  ~TSkinTab() override;
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  void Reskin() override;

  std::vector<TRect> CloseRects;  // in the tab bar, one per tab
  int TabSide = 0;                // 0 top, 1 bottom, 2 left, 3 right
  Bitmap TabImage, PaneImage;
  bool CloseButtons = false;

  // What the style asks the painter to draw.
  bool DrawTab(const QStyleOptionTab& option, QPainter* painter, const QTabBar* bar);
  bool DrawPane(const QStyleOption& option, QPainter* painter);
  bool DrawScrollButton(const QStyleOptionToolButton& option, QPainter* painter);
  // The width a tab needs for its close box.
  int CloseBoxWidth() const { return CloseButtons ? 14 : 0; }

 private:
  void Prepare();
  QTabBar* Bar() const;
  // The tab bar's own messages: its strip in the control colour, clicks on
  // close boxes.
  void BarProc(Message& m, const platform::CallPrevious& previous);
  bool PaneFromTabPane() const;

  platform::WindowProcHandle barHandle_;
};

class TSkinComBox : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  void AfterMessage(Message& m) override;

  TRect ButtonRect;

  // The button and the edit field for a combo box of that size and
  // direction, by the skin's "ComboButton" style.
  struct Layout {
    TRect Button, Field;
  };
  Layout LayoutFor(const QRect& rect, bool rightToLeft) const;
  bool Drawn() const;
  bool DrawCombo(const QStyleOptionComboBox& option, QPainter* painter);
};

class TSkinDateTime : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  void AfterMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;

  // The arrow area: the width of a scroll bar, 2 pixels inside the edges.
  static QRect ArrowRect(const QRect& rect, bool rightToLeft);
  bool DrawArrow(const QStyleOptionComboBox& option, QPainter* painter);
};

}  // namespace skinning
