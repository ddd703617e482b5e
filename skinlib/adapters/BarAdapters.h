// Adapters of the bars of a form: a tool bar of the program
// (`TacToolBarVCLWnd` on a QToolBar), a status bar (`TacStatusBarWnd` on
// a QStatusBar), and the handler that skins a speed button
// (`TacSpeedButtonHandler`: a QToolButton that is not on a tool bar, the
// class table's "TSpeedButton").
//
// A tool bar paints itself and its buttons (its actions' QToolButtons)
// when Qt asks it to paint: the background from its skin data's cache
// ("TOOLBAR"), then every button from "TOOLBUTTON" in its state (normal,
// hot, pressed or checked), its icon, caption and, for a button with a
// menu, the drop-down part. The buttons' own painting is taken (they paint
// nothing and the bar's painting shows through), and their mouse entering
// and leaving moves the hot button. A button whose menu is open is the
// dropped button (guarded), drawn pressed until the platform's
// CN_DROPDOWNCLOSED.
//
// A status bar's panels are its visible widgets (SB_GETPARTS); a shown
// message is simple mode, one panel over the whole bar. Panels take the
// section's "STATUSPANELMASK", else a "DIVIDER" between them; their texts
// are the labels' (the labels' own painting is taken), or the message.
//
// The speed-button handler sits in the button's chain at the control
// level, where its WindowProc was, from its construction to its
// destruction: it always leaves the chain then while the button exists.
//
// The shape follows AdapterBase.h. GUI thread only.
#pragma once

#include "skinlib/adapters/AdapterBase.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QPointer>

#include <vector>

class QLabel;
class QStatusBar;
class QToolBar;
class QToolButton;

// ------------------------------------------------------------ tool bars

// A tool button's paint state: 0 normal, 1 hot, 2 pressed or checked.
enum class TacToolButtonState { Normal = 0, Hot = 1, Pressed = 2 };
// From the custom-draw states: 0 when neither hot, pressed (selected) nor
// checked (disabled alone stays 0); 1 when only hot; else 2.
TacToolButtonState ToolButtonState(bool hot, bool selected, bool checked);

class TacToolBarVCLWnd : public TacMainWnd {
 public:
  // An empty section takes "TOOLBAR".
  TacToolBarVCLWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // The skin data's owner control when it is a QToolBar, else nullptr
  // (then Qt paints the bar and its buttons).
  QToolBar* ToolBar() const;
  QToolButton* DroppedButton() const;
  int HotIndex() const { return hotIndex_; }
  // The button (TB_ index) at a point of the bar; -1 for none, a
  // separator or a divider.
  int ButtonAt(platform::TPoint p) const;
  TacToolButtonState ButtonState(int index) const;

  // The bar's background and all its buttons into `dc` (the bar's canvas).
  void PaintBar(platform::Canvas& dc);
  // One button into a 24-bit bitmap of its item rectangle.
  void PaintButton(platform::Bitmap& bmp, int index);

 protected:
  ~TacToolBarVCLWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  bool SkinActive() const;

 private:
  void PrepareCache();
  void HookButtons();
  void ButtonWndProc(QToolButton* button, platform::Message& m, const platform::CallPrevious& previous);
  void SetHotIndex(int index);
  void RepaintButton(int index);
  int IndexOfButton(const QToolButton* button) const;
  // Painting is left to Qt: no skin, no tool bar, or updating.
  bool DefaultDrawing() const;

  // Guarded as widgets: a control being destroyed is no longer of its class.
  QPointer<QWidget> toolBar_;
  QPointer<QWidget> droppedButton_;
  int hotIndex_ = -1;
  struct TacButtonHook {
    QPointer<QWidget> Button;
    platform::WindowProcHandle Hook;
  };
  std::vector<TacButtonHook> buttons_;
};

// ------------------------------------------------------------ status bars

class TacStatusBarWnd : public TacMainWnd {
 public:
  // An empty section takes "STATUSBAR".
  TacStatusBarWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // The owner control when it is a QStatusBar.
  QStatusBar* StatusBar() const;
  // The panels' rectangles: the simple panel, or every part shrunk by 1.
  std::vector<platform::TRect> PanelRects() const;
  bool Simple() const;
  void PaintStatusBar(platform::Canvas& dc);

 protected:
  ~TacStatusBarWnd() override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  bool SkinActive() const;

 private:
  void PaintPanels(platform::Bitmap& cache);
  QString PanelText(int index) const;
  void HookLabels();

  QPointer<QWidget> statusBar_;
  struct TacLabelHook {
    QPointer<QWidget> Label;
    platform::WindowProcHandle Hook;
  };
  std::vector<TacLabelHook> labels_;
};

// ------------------------------------------------------------ speed buttons

// A QToolButton the class table calls "TSpeedButton" (not on a tool bar).
bool IsSpeedButton(const QWidget* control);

enum class TacSpeedButtonState { Normal = 0, Hot = 1, Pressed = 2 };

class TacSpeedButtonHandler {
 public:
  // Into the button's chain at the control level. `skinSection` goes into
  // an empty section of `skinData`; a nil `manager` is the skin data's.
  TacSpeedButtonHandler(QToolButton* ctrl, const QString& skinSection, TsSkinManager* manager,
                        TsCommonData* skinData);
  // Out of the chain (while the button exists), Destroyed, no manager.
  ~TacSpeedButtonHandler();
  TacSpeedButtonHandler(const TacSpeedButtonHandler&) = delete;
  TacSpeedButtonHandler& operator=(const TacSpeedButtonHandler&) = delete;

  QToolButton* Ctrl() const;
  TsSkinManager* SkinManager() const { return skinManager_; }
  TsCommonData* SkinData() const { return skinData_; }
  bool Destroyed() const { return destroyed_; }
  TacSpeedButtonState State() const;
  // How many times the button was painted (for tests).
  int PaintCount() const { return paintCount_; }

  // The button's whole look into `dc` (its canvas).
  void PaintButton(platform::Canvas& dc);

 private:
  void WndProc(platform::Message& m, const platform::CallPrevious& previous);
  bool Skinned() const;
  bool ForThisManager(const platform::Message& m) const;

  QPointer<QWidget> ctrl_;
  platform::WindowProcHandle oldProc_;
  QPointer<TsSkinManager> skinManager_;
  TsCommonData* skinData_ = nullptr;
  bool destroyed_ = false;
  int paintCount_ = 0;
};
