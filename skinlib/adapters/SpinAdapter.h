// The adapter of up-down controls (`TacSpinWnd`): two halves, top and
// bottom or, with UDS_HORZ, left and right, each painted from the
// adapter's section in its state (normal, hot under the cursor, pressed
// while the button is down) with the skin's scroll-button arrow glyph
// centred in it.
//
// Qt has no up-down window of its own: a spin box's (QAbstractSpinBox)
// up and down buttons are the control's arrow area, painted over the
// box's own painting in its paint event; any other window taken as one is
// wholly its arrow area (ArrowArea is virtual for controls whose arrows
// lie elsewhere). UDS_HORZ has no Qt source: SetWindowLong gives it.
//
// The shape follows AdapterBase.h: one pure layout (LayoutSpin) that
// paint, hit test and hover all use; the state read from the cursor as a
// value (ReadSpinState). GUI thread only.
#pragma once

#include "platform/WinTypes.h"
#include "skinlib/adapters/AdapterBase.h"

#include <QPointer>

#include <array>
#include <functional>

struct TsBgSource;
namespace platform {
class Bitmap;
class Canvas;
}  // namespace platform

enum class TacSpinHalf { None = -1, First = 0, Second = 1 };  // top or left, bottom or right
enum class TacSpinButtonState { Normal = 0, Hot = 1, Pressed = 2 };

struct TacSpinLayout {
  bool Vertical = true;
  platform::TRect Area;  // the arrow area in window coordinates
  std::array<platform::TRect, 2> Halves;
};
// The two halves of `area`: top and bottom (from `buttonLeft` to the
// area's right edge) for a vertical control, else left and right.
TacSpinLayout LayoutSpin(const platform::TRect& area, bool vertical, int buttonLeft);
// The half holding `point` (window coordinates).
TacSpinHalf SpinHalfAt(const TacSpinLayout& layout, platform::TPoint point);

// The states of both halves: the half under the cursor Pressed + 1, the
// other (or both, the cursor outside) normal.
struct TacSpinState {
  std::array<TacSpinButtonState, 2> Buttons{TacSpinButtonState::Normal, TacSpinButtonState::Normal};
};
TacSpinState SpinStateFor(TacSpinHalf underCursor, bool pressed);

class TacSpinWnd : public TacMainWnd {
 public:
  // The section given, "BUTTON" when the skin has no such section.
  TacSpinWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // 0 at creation; 2 from the dialog skinning.
  int ButtonLeft = 0;
  bool Pressed() const { return pressed_; }
  // The style word lacks UDS_HORZ.
  virtual bool IsVertical() const;
  // The arrow area in window coordinates: a spin box's up and down
  // buttons, else the whole window.
  virtual platform::TRect ArrowArea() const;
  TacSpinLayout Layout() const;
  // The states by the cursor now.
  TacSpinState ReadSpinState() const;
  // Both halves painted into a bitmap of the arrow area's size.
  void PaintSpin(platform::Bitmap& bmp, const TacSpinState& state) const;
  // Half `index` (0 top or left, 1 bottom or right) into `r` of the
  // bitmap: the section in its state over `bg` (`offset`: where r's
  // corner lies in the window), the arrow glyph centred.
  void PaintHalf(platform::Bitmap& bmp, const platform::TRect& r, platform::TPoint offset, bool vertical, int index,
                 TacSpinButtonState state, const TsBgSource& bg) const;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void Repaint();
  void ChooseSection();

  bool pressed_ = false;
};

// A spin made of two windows, a tab bar's scroll buttons: the first is the
// adapter's window and its first half, the second its second half; each
// paints its half in its own paint event, pressed while the button is
// down, hot under the cursor. Vertical when the second lies below the
// first. The unit "SpinAdapter" makes these for tab controls
// (TabSpinFactory, section "UPDOWNBTN").
class TacSpinPairWnd : public TacSpinWnd {
 public:
  TacSpinPairWnd(QWidget* first, TsCommonData* skinData, TsSkinManager* manager, const QString& section,
                 QWidget* second);

  QWidget* SecondWnd() const { return second_; }
  bool IsVertical() const override;
  // The state of one of the two windows now.
  TacSpinButtonState HalfState(QWidget* half) const;
  // The second window's own painting given back.
  void GiveBackOwnParams() override;

 protected:
  ~TacSpinPairWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void HalfWndProc(QWidget* half, int index, platform::Message& m,
                   const std::function<void(platform::Message&)>& previous);
  void PaintPairHalf(QWidget* half, int index, platform::Canvas& dc) const;
  void UnhookSecond();

  QPointer<QWidget> second_;
  platform::WindowProcHandle secondHook_;
};
