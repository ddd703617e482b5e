// Adapters of panels (`TacPanelWnd` for a form's panels, `TacDlgPanelWnd`
// for the panel windows of standard dialogs, `TacTransPanelWnd` for
// see-through ones), of size grips (`TacSizerWnd`) and of the tool bars of
// standard dialogs (`TacToolBarWnd`). The up-down controls' adapter is in
// SpinAdapter.h, the combo-box variant's in WWComboAdapter.h.
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
//   - a size grip is a QSizeGrip (a scroll bar with SBS_SIZEGRIP);
//   - a dialog's tool bar is a QToolBar: its buttons are its actions' tool
//     buttons, whose paint the adapter takes while installed (each shows
//     its part of the bar's picture); separators are painted from
//     "DIVIDER".
//
// The shape follows AdapterBase.h: state read from the window as values,
// private state, const accessors.
//
// GUI thread only.
#pragma once

#include "platform/WinTypes.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/AdapterBase.h"

#include <QPointer>
#include <QString>

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

// On a QToolBar it paints the bar and takes its buttons' paint; on a lone
// QToolButton (a standard dialog's, class "ToolbarWindow32" too) the
// button keeps its own painting.
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
