// The skinned frame of a form: the window-level procedure a TWinSkinForm
// runs when the skin draws the frame (xcMainMenu). The window gets the
// platform's non-client frame (NonClient.h): the margins are the skin's
// border elements, the band is painted here (borders, caption text and
// buttons, the menu bar band), the caption buttons answer the mouse
// (hover and press through the caption objects, a 250 ms timer for their
// hints), the system menu is a skinned copy of the window's, and the
// window's region leaves out the borders' key-coloured pixels.
//
// Phases: 0 until the skin manager's start notice (SKIN_START), 5 while
// the window is fitted to the frame, 1 while skinned, 3 during a skin
// refresh, 4 and 6 while and after the window is destroyed. A window of
// border kind 2 (no caption) keeps no frame.
//
// Left out, as nothing here makes them: MDI children and the MDI client,
// the caption buttons of a maximized MDI child (Visibility 100), actions
// 7-9 and 60-62.
//
// GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/WindowProc.h"
#include "platform/WinTypes.h"
#include "skinning/WinSkinData.h"

#include <QPointer>
#include <QRegion>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace skinning {

using platform::TPoint;

class TSkinFormFrame;
class TWinSkinForm;
class TWinSkinMenu;

// A thing in the band that answers the mouse: a caption button or a menu
// bar item.
class TNCObject {
 public:
  static constexpr int kNormal = 1, kPressed = 2, kHover = 3;

  explicit TNCObject(TSkinFormFrame* owner) : Owner(owner) {}
  virtual ~TNCObject() = default;

  virtual void NCMouseDown();
  virtual void NCMouseUp();
  virtual void NCMouseEnter();
  virtual void NCMouseLeave();
  virtual void PaintObject() {}

  TSkinFormFrame* Owner;
  TRect BoundsRect;  // window coordinates
  bool Visible = false;
  int State = kNormal;
  bool Enabled = true;
};

// A caption button of the skin.
class TWinSysButton : public TNCObject {
 public:
  TWinSysButton(TSkinFormFrame* owner, const TDataSkinSysButton& element) : TNCObject(owner), Element(&element) {}
  // Becoming hot, the button counts its hover time from zero.
  void NCMouseDown() override;
  void NCMouseEnter() override;
  void PaintObject() override;
  // The frame of the element this button shows now.
  int FrameIndex(bool active) const;
  bool IsSystemMenuButton() const { return Element->Action == 3 || Element->Action == 11 || Element->Action == 12; }

  const TDataSkinSysButton* Element;
  platform::Bitmap Icon;  // the system-menu button's picture
  int HoverTime = 0;      // ms while hot, counted by the timer
};

class TSkinFormFrame {
 public:
  // Phases.
  static constexpr int kNew = 0, kActive = 1, kRefresh = 3, kDestroying = 4, kFitting = 5, kGone = 6;
  // Show states.
  static constexpr int kShowNormal = 0, kShowMaximized = 1, kShowMinimized = 2;
  static constexpr int kTimerInterval = 250;
  static constexpr int kHintPause = 500, kHintHidePause = 2500;
  // The answer of the frame's print and query messages.
  static constexpr platform::LPARAM kFrameAnswer = 16802;
  static constexpr unsigned SKIN_FRAMEQUERY = 0xBC4D;

  explicit TSkinFormFrame(TWinSkinForm& form);
  ~TSkinFormFrame();
  TSkinFormFrame(const TSkinFormFrame&) = delete;
  TSkinFormFrame& operator=(const TSkinFormFrame&) = delete;

  // The frame's part of the form's window procedure; false when the
  // message is left to the rest of the chain.
  bool WindowProc(platform::Message& m, const platform::CallPrevious& previous);
  // The start notice: the frame goes on, the window is fitted to it.
  void Activate();
  // The skin changed: new margins, the client size kept.
  void TakeUpSkin();
  // The native frame back with the same client size, no region, the menu
  // bar shown again.
  void RestoreWindow(bool destroying);

  void LayoutFrame();
  void FitWindowToFrame(bool keepClient);
  // Paints the band into `dc` (window coordinates), or schedules a paint
  // of the band without one.
  void PaintFrame(platform::Canvas* dc);
  void UpdateRegion();
  // The window's region at a size: the inner rectangle and each border
  // part, the key-coloured pixels of a transparent one left out (or the
  // whole window when no border is transparent).
  QRegion FrameRegion(int width, int height) const;
  bool ButtonVisible(int index);
  void DoButtonAction(TWinSysButton* button, TPoint screenPoint);
  void PopupSystemMenu(TPoint screenPoint);
  // The caption button or menu bar item at a point in window coordinates.
  TNCObject* ObjectAt(TPoint windowPoint);

  TWinSkinForm& Form() const { return form_; }
  QWidget* Window() const;
  const TSkinModel& Model() const { return *model_; }
  int Phase() const { return phase_; }
  bool Active() const { return active_; }
  int ShowState() const { return showState_; }
  int LeftWidth() const { return leftWidth_; }
  int RightWidth() const { return rightWidth_; }
  int CaptionHeight() const { return captionHeight_; }
  int BottomHeight() const { return bottomHeight_; }
  int MenuHeight() const { return menuHeight_; }
  int WindowWidth() const { return width_; }
  const TRect& TextRect() const { return textRect_; }
  const std::vector<std::unique_ptr<TWinSysButton>>& Buttons() const { return buttons_; }
  TWinSkinMenu* MenuBar() const { return menuBar_.get(); }
  QMenu* SystemPopup() const { return sysPopup_; }
  bool TimerActive() const { return timer_.isActive(); }

  TNCObject* Hot = nullptr;
  // One tick of the timer (every 250 ms while the window is active): the
  // hot object lets go once the pointer is off it; a hot caption button
  // counts its hover time and shows or hides its hint.
  void OnTimer();

  // The width a dialog's caption needs: its text between the title's
  // margins, and clear of the right-aligned buttons where the painter
  // keeps it so (popup windows).
  int CaptionRoom() const;
  // One border part as painted (1 left, 2 right, 3 top, 4 bottom) at a
  // size: its element's frame of the active state, nine-sliced.
  platform::Bitmap PaintPart(int part, int width, int height) const;

 private:
  void PaintCaption(platform::Canvas& dc, int width, int height);
  void PlaceButtons(int width);
  // The largest Xcoord of the right-aligned caption buttons.
  int RightButtonsReach() const;
  QString CaptionText() const;
  void KeepCaptionRoom();
  TColor CaptionColour() const;
  void UpdateShowState();
  // Paints the frame again when the show state is no longer `was`.
  void RedrawIfStateMoved(int was);
  // Moves the children of a window without layout by the band's margins.
  void ShiftChildren(QPoint shift);
  // Grows the window's size limits by the band (none to give them back).
  void GrowSizeLimits(QSize band);
  void SetActiveFlag(bool active);
  bool HandleSysCommand(platform::Message& m, const platform::CallPrevious& previous);
  bool HandleDialogChar(platform::Message& m);
  TPoint ToWindow(platform::LPARAM screenPoint) const;

  TWinSkinForm& form_;
  std::shared_ptr<const TSkinModel> model_;
  int phase_ = kNew;
  bool active_ = false;
  int showState_ = kShowNormal;
  int leftWidth_ = 0, rightWidth_ = 0, captionHeight_ = 0, bottomHeight_ = 0, menuHeight_ = 0;
  int width_ = 0, height_ = 0;  // the window as last painted
  QSize regionSize_;            // the window as its region was made
  TRect textRect_;
  int maxRightX_ = 0;
  QSize clientSize_;  // the client area before the frame went on
  QPoint childShift_;  // how far children placed by hand were moved
  QSize sizeGrowth_{0, 0};  // what the size limits grew by (a QSize() is -1 x -1)
  std::vector<std::unique_ptr<TWinSysButton>> buttons_;
  std::unique_ptr<TWinSkinMenu> menuBar_;
  QPointer<QMenu> sysPopup_;
  qint64 lastPopup_ = -1;  // ms since the epoch
  bool ownsRegion_ = false;
  QTimer timer_;
};

// A framed window's rectangle on the screen: the widget itself, whose
// band is the frame (whatever the window system counts around it).
TRect FrameWindowRect(const QWidget* window);

// The caption-button hint of an action ("Close", "Maximize", "Minimize",
// "Restore"); empty for the others.
QString CaptionButtonHint(int action);

}  // namespace skinning
