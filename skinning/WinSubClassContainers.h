// Painters of containers:
//   TSkinSizer      a size grip, filled with the skin's face colour
//   TSkinTabSheet   a page of a tab widget, in the face colour
//   TSkinBoxH       a standard dialog or a tool bar found as an inner
//                   window: the face colour behind it and in its palette
//   TSkinScControl  a scroll box (QScrollArea): its scroll bars
//   TSkinTabBtn     a tab widget whose "Style" is "tsButtons" or
//                   "tsFlatButtons": tabs drawn from the skin's "Buttons"
//                   element (frame 2 for the current tab), through the
//                   skin's style, on the control colour
//
// GUI thread only.
#pragma once

#include "skinning/WinSubClassScroll.h"

class QStyleOptionTab;
class QTabBar;

namespace skinning {

class TSkinSizer : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  void Paint(Canvas& dc, const TRect& r) override;
};

class TSkinTabSheet : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  bool BeforeMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;
};

class TSkinBoxH : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  void HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) override;
  void Unhook() override;
  bool BeforeMessage(Message& m) override;

 private:
  TSavedLook saved_;
};

class TSkinScControl : public TSkinScrollbar {
 public:
  using TSkinScrollbar::TSkinScrollbar;
  // Takes the scroll box's bars, without a border.
  void AttachScrollBox(QWidget* control, TSkinData* skinData, TSkinFormObject* form);
  void HookScrollbars(QWidget* control, TSkinData* skinData, TSkinFormObject* form) override {
    AttachScrollBox(control, skinData, form);
  }
  void Paint(Canvas& dc, const TRect& r) override;
};

class TSkinTabBtn : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  ~TSkinTabBtn() override;  // the tab bar may outlive the painter by a moment
  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  void Unhook() override;

  // The tab bar drawn (the control's own, or the control).
  QTabBar* Bar() const;
  bool Draws() const;
  // What the style asks the painter to draw.
  bool DrawTab(const QStyleOptionTab& option, QPainter* painter);

 private:
  void BarProc(Message& m, const platform::CallPrevious& previous);

  platform::WindowProcHandle barHandle_;
};

// Whether a tab widget's "Style" asks for button tabs.
bool HasButtonTabs(const QWidget* tabs);

}  // namespace skinning
