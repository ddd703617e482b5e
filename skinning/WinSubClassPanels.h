// Painters of panels and simple controls, each painted whole through the
// window's chain (the edit painter draws its border over the edit's own
// painting):
//   TSkinStatusBar    a status bar: its child widgets are the panels (a
//                     label is a text panel, painted by the bar; the frame
//                     shadow is the bevel), a message shown is the simple
//                     panel, the size grip the "ExtraImages" grip
//   TSkinGroupBox     a rounded frame in the line colour and the title
//   TSkinBox          panels and containers: the skin's colour only
//   TSkinCheckBox,    the "CheckButton" ("RadioButton") strip of the
//   TSkinRadioButton  "Buttons" element and the caption
//   TSkinProgress     the "Progress" element (and "Progress.Chunk")
//   TSkinEdit         the border of framed edits, text views and spin boxes
#pragma once

#include "skinning/WinSubClass.h"

#include <vector>

namespace skinning {

class TSkinUpDown;

class TSkinStatusBar : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  ~TSkinStatusBar() override;
  bool BeforeMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;

 private:
  // Text panels and the size grip are painted by the bar: their own
  // painting is held back while the painter is active.
  void HoldBackPainting(QWidget* part);

  Bitmap buffer_;
  std::vector<QPointer<QWidget>> heldParts_;
  std::vector<platform::WindowProcHandle> held_;
};

class TSkinGroupBox : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  // A checkable group box keeps its own look (the painter has no check box
  // to draw).
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  bool BeforeMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;
};

// No window procedure of its own: the colour and the parent background
// switch alone.
class TSkinBox : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  static constexpr int kPhaseKeepColour = 4, kPhaseUnhooked = 2;
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  void Unhook() override;
};

// The check-box frames: 1 unchecked, 2 checked, 3 unchecked and disabled,
// 4 checked and disabled; a 12-frame strip shows them as 1, 5, 4, 8, and
// a grayed box as 9 (12 disabled).
class TSkinCheckBox : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  bool BeforeMessage(Message& m) override;
  void AfterMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;

  int CheckState = 0;  // 1 + the check state last set by BM_SETCHECK
  bool ParentPaint = false;

 protected:
  virtual bool Radio() const { return false; }
  // The frame of the strip for the control's state.
  int GlyphFrame(int frameCount) const;
};

class TSkinRadioButton : public TSkinCheckBox {
 public:
  using TSkinCheckBox::TSkinCheckBox;

 protected:
  bool Radio() const override { return true; }
};

class TSkinProgress : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  bool BeforeMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;

 private:
  bool HasImage() const;
};

class TSkinEdit : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  // A spin box's buttons get an embedded up-down painter.
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  // With the up-down painter.
  void Unhook() override;
  void AfterMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;

  TSkinUpDown* UpDown = nullptr;  // owned
};

// The skin's message that asks a control for its border in the canvas in
// WParam; LParam kSkinPrintTag, answered kSkinPrintTag.
constexpr unsigned SKIN_PRINTBORDER = 0xBC4A;
constexpr platform::LPARAM kSkinPrintTag = 0x41A2;

// The edit border when the widget has a frame: a 1-pixel frame in `line`
// around the window, then two white ones inside it.
bool HasEditFrame(const QWidget* widget);
void DrawEditBorder(Canvas& dc, const TRect& r, TColor line);

}  // namespace skinning
