// Adapters of panels (`TacPanelWnd` for a form's panels, `TacDlgPanelWnd`
// for the panel windows of standard dialogs, `TacTransPanelWnd` for
// see-through ones), of up-down controls (`TacSpinWnd`), size grips
// (`TacSizerWnd`), the tool bars of standard dialogs (`TacToolBarWnd`) and
// the combo-box variant `TacWWComboBoxWnd`.
//
// Each paints its control into the cache bitmap of its skin data and
// copies the cache to the window inside the window's paint event (the
// canvas WM_ERASEBKGND carries, BeginPaint's, GetWindowDC's for the band);
// a change outside a paint event marks the cache dirty and asks for paint.
//
// Qt's counterparts:
//   - a panel is a QFrame (class "TPanel"); its bevels and border are the
//     published properties "BevelOuter", "BevelInner" ("bvNone",
//     "bvLowered", "bvRaised", "bvSpace"), "BorderStyle" ("bsNone",
//     "bsSingle"), "BevelWidth" and "BorderWidth", read by name; whether it
//     takes child controls is "ControlStyle" naming "csAcceptsControls" (a
//     set, a list or a text of names; a panel without the property takes
//     them, as every panel of the framework did);
//   - an up-down control is the arrow area of a spin box (QAbstractSpinBox:
//     its up and down buttons); any other window taken as one is wholly
//     its arrow area. UDS_HORZ has no Qt source: SetWindowLong gives it;
//   - a size grip is a QSizeGrip (a scroll bar with SBS_SIZEGRIP);
//   - a dialog's tool bar is a QToolBar: its buttons are its actions' tool
//     buttons, whose paint the adapter takes (each shows its part of the
//     bar's picture); separators are painted from "DIVIDER";
//   - `TacWWComboBoxWnd` is a combo box of the program's own kind, or a
//     QComboBox whose published "Style" may say "csSimple".
//
// The shape follows AdapterBase.h: state read from the window as values,
// one pure layout function per control, private state, const accessors.
//
// GUI thread only.
#pragma once

#include "platform/WinTypes.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/adapters/ComboAdapters.h"

#include <QPointer>
#include <QString>

#include <array>
#include <memory>
#include <vector>

class QToolBar;
struct TsMaskData;
namespace platform {
class Bitmap;
class Canvas;
}  // namespace platform

// ------------------------------------------------------------ panels

// The section a panel's bevels give ("PANEL", "PANEL_LOW", "GROUPBOX",
// "CHECKBOX"), from the published property texts.
QString PanelSectionByBevels(const QString& bevelOuter, const QString& bevelInner, const QString& borderStyle);
// The same read from the panel.
QString PanelSectionOf(const QObject* panel);
// The panel's "ControlStyle" names csAcceptsControls (true without one).
bool PanelAcceptsControls(const QObject* panel);
// Where a panel writes its caption: its client rectangle shrunk on every
// side by BorderWidth + BevelWidth for each of the two bevels that is not
// "bvNone".
platform::TRect PanelCaptionRect(const QWidget* panel);

class TacPanelWnd : public TacMainWnd {
 public:
  // An empty section, with an owner control, follows the bevels.
  TacPanelWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // The panel's whole look in the cache: the section over the parent's
  // background, the caption.
  void PrepareCache();
  // (window width - client width) div 2.
  int BorderSize() const;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  bool Handles() const;
  void PaintClient(platform::Canvas& dc);
  void PaintBorder(platform::Canvas* dc);
};

class TacDlgPanelWnd : public TacMainWnd {
 public:
  // The section is "CHECKBOX" for a control of class "TPanel" (whose Color
  // takes the global section colour), else "GROUPBOX".
  TacDlgPanelWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  void ApplySkinParams() override;
  // The control behind the window (nullptr: none).
  QWidget* Control() const { return control_; }
  void PrepareCache();

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void PaintBackground(platform::Canvas& dc);
  void PaintBorder(platform::Canvas* dc);
  void FollowGlobalColor();

  QPointer<QWidget> control_;
};

class TacTransPanelWnd : public TacMainWnd {
 public:
  using TacMainWnd::TacMainWnd;

  // The cache brought up to date (command 23) and copied around the
  // child windows.
  void PaintPanel(platform::Canvas& dc);

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
};

// ------------------------------------------------------------ up-down controls

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
  bool IsVertical() const;
  // The arrow area in window coordinates: a spin box's up and down
  // buttons, else the whole window.
  virtual platform::TRect ArrowArea() const;
  TacSpinLayout Layout() const;
  // The states by the cursor now.
  TacSpinState ReadSpinState() const;
  // Both halves painted into a bitmap of the arrow area's size.
  void PaintSpin(platform::Bitmap& bmp, const TacSpinState& state) const;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void Repaint();
  void ChooseSection();

  bool pressed_ = false;
};

// ------------------------------------------------------------ size grips

// Where one GRIPIMAGE picture lies in a grip `width` x `height`: its size
// is the mask's width div ImageCount (0 counting as 1) by its height div
// (MaskType + 1), at the bottom-right corner (never left of or above 0).
platform::TRect GripImageRect(const TsMaskData& mask, int width, int height);

class TacSizerWnd : public TacMainWnd {
 public:
  using TacMainWnd::TacMainWnd;

  // The grip painted into a bitmap of the window's size over the parent's
  // background; false (nothing painted) without the GLOBALINFO mask
  // "GRIPIMAGE".
  bool PaintGrip(platform::Bitmap& bmp) const;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
};

// ------------------------------------------------------------ dialog tool bars

// A button's state for its paint: 0 disabled or normal, 1 hot (the cursor
// inside it), 2 pressed.
int ToolButtonPaintState(std::uint8_t fsState, bool cursorInside);

class TacToolBarWnd : public TacMainWnd {
 public:
  TacToolBarWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // The tool buttons' own painting given back.
  void GiveBackOwnParams() override;

  const platform::TRect& ClientRect() const { return clientRect_; }
  int BorderWidth() const { return borderWidth_; }
  // The bar's cache, then every button, into one picture of the window's
  // size.
  void PaintBar(platform::Bitmap& picture);
  // One button (TB_GETBUTTON index) into `r` of the picture.
  void PaintButton(platform::Bitmap& picture, int index, const platform::TRect& r) const;

 protected:
  ~TacToolBarWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void PrepareCache();
  bool ReadUpdating();
  void HookButtons();
  void UnhookButtons();
  void ButtonWndProc(QWidget* button, platform::Message& m, const platform::CallPrevious& previous);

  platform::TRect clientRect_;
  int borderWidth_ = 0;
  struct TacHookedButton {
    QPointer<QWidget> Button;
    platform::WindowProcHandle Hook;
  };
  std::vector<TacHookedButton> buttons_;
};

// ------------------------------------------------------------ the combo-box variant

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
