// Skinned scroll bars of a scroll area (`TacScrollWnd`, `TacScrollBar`)
// and their mouse tracking.
//
// The adapter sits on a QAbstractScrollArea (item views, text edits). Its
// bars stay Qt's own QScrollBar widgets in Qt's layout, with every
// connection the application made: the adapter puts a handler in each
// bar's chain that takes the bar's paint and mouse input and hands them to
// the area as the area's non-client messages (WM_NCHITTEST, then
// WM_NCLBUTTONDOWN... with HTHSCROLL or HTVSCROLL at screen points); a
// bar's paint copies the bar's bitmap, which the adapter paints from the
// skin. Leaving gives the bars back Qt's painting and style.
//
// Geometry: the bars' thickness is Qt's too, through a proxy style whose
// PM_ScrollBarExtent is the adapter's; the border insets are the area's
// band without the bars' strips (WM_NCCALCSIZE passed on with WS_HSCROLL
// and WS_VSCROLL cleared); HorzBarRect/VertBarRect are then exactly where
// Qt placed the bars (ScrollLayout.h). WS_EX_LEFTSCROLLBAR is a right-to-
// left layout; its change arrives as WM_STYLECHANGED.
//
// Painting "on the window" (PaintScrollBars without a canvas, the thumb
// drag) brings the bar's bitmap up to date and repaints the bar; its paint
// event copies the bitmap. Nothing paints outside a paint event.
//
// Tracking: one process-wide state (one bar pressed, one hovered), timers
// 65522 (hover, 20 ms), 65533 (delay, 300 ms) and 65534 (repeat, 55 ms)
// through SetTimer, the capture through SetCapture. Losing the capture
// (WM_CAPTURECHANGED) ends whatever was pressed: timers stopped, a drag
// closed with SB_THUMBPOSITION and SB_ENDSCROLL, the state reset.
//
// GUI thread only.
#pragma once

#include "platform/ScrollInfo.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/adapters/ScrollLayout.h"

#include <QPointer>
#include <QStyle>

#include <cstdint>
#include <memory>

class QAbstractScrollArea;
class QScrollBar;
namespace platform {
class Bitmap;
class Canvas;
}

// Skin sub-commands around the adapter's own scrolling: 51 before (a
// control answering 1 scrolls itself), 52 after.
inline constexpr unsigned acBeforeScroll = 51;
inline constexpr unsigned acAfterScroll = 52;

// Timer ids.
inline constexpr std::uintptr_t kHoverTimer = 65522, kDelayTimer = 65533, kRepeatTimer = 65534;
inline constexpr unsigned kHoverInterval = 20, kDelayInterval = 300, kRepeatInterval = 55;

// BarFlags.
inline constexpr uint16_t kBarFirstDisabled = 1, kBarSecondDisabled = 2, kBarNeedsRange = 4, kBarHasStyle = 8;

class TacScrollWnd;

class TacScrollBar {
 public:
  TacScrollBar(TacScrollWnd* owner, int kind) : owner_(owner), kind_(kind) {}

  uint16_t BarFlags = 0;
  bool Visible = false;
  platform::SCROLLINFO ScrollInfo;
  int ArrowLength = -1;
  int Thickness = -1;
  int StartInset = 0, EndInset = 0;
  bool UseStartInset = false, UseEndInset = false;
  int MinThumbSize = kDefaultMinThumbSize;

  int Kind() const { return kind_; }  // SB_HORZ or SB_VERT
  TacScrollWnd* Owner() const { return owner_; }
  // The QScrollBar behind it (nullptr once gone).
  QScrollBar* Widget() const;
  // The bar's last painted picture (nullptr before the first).
  const platform::Bitmap* Picture() const { return picture_.get(); }

 private:
  friend class TacScrollWnd;
  TacScrollWnd* owner_;
  int kind_;
  QPointer<QWidget> widget_;  // the QScrollBar (a QWidget while it is being destroyed)
  platform::WindowProcHandle hook_;
  QPointer<QStyle> ownStyle_;  // the bar's own style before the adapter's (nullptr: the application's)
  std::unique_ptr<platform::Bitmap> picture_;
  bool fresh_ = false;  // the picture was brought up to date for the next paint
};

class TacScrollWnd : public TacMainWnd {
 public:
  TacScrollWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  TacScrollBar* HorzBar() const { return horz_.get(); }
  TacScrollBar* VertBar() const { return vert_.get(); }
  TacScrollBar* Bar(int kind) const { return kind == platform::SB_HORZ ? horz_.get() : vert_.get(); }
  bool ThumbTracking() const { return thumbTracking_; }
  bool LeftScrollBar() const { return leftScrollBar_; }
  bool InCalcSize() const { return inCalcSize_; }
  int BorderLeft() const { return borderLeft_; }
  int BorderTop() const { return borderTop_; }
  int BorderRight() const { return borderRight_; }
  int BorderBottom() const { return borderBottom_; }

  // ScrollBarMetric: thickness or arrow length; useSkin asks the skin's
  // arrow (painting), layout asks without it.
  int ScrollBarMetric(const TacScrollBar& bar, bool thickness, bool useSkin) const;
  // The frame as a value (window rectangle, insets, thicknesses).
  TacScrollFrame Frame() const;
  // Screen rectangles of the bars, narrowed by their insets when asked.
  platform::TRect HorzBarRect() const;
  platform::TRect VertBarRect() const;
  platform::TRect BarRect(const TacScrollBar& bar, bool withInsets = false) const;
  bool IsGripCorner() const;
  TacBarLayout Layout(const TacScrollBar& bar) const;
  bool IsScrollBarEnabled(const TacScrollBar& bar) const;
  // Both infos read again (nothing while updating); with repaint the bars
  // repainted unless forms are locked.
  void RefreshScrolls(bool repaint);
  // With a canvas (origin at the window's corner) the visible bars and
  // the corner are painted into it; without one every visible bar's
  // bitmap is brought up to date and the bar and corner repainted.
  void PaintScrollBars(platform::Canvas* dc, int thumbPosOverride = -1);
  // One bar into its bitmap (and into `dc` at `rect` in window
  // coordinates when given); false when it did not paint.
  bool PaintBar(TacScrollBar& bar, platform::Canvas* dc, int thumbPosOverride, int pressedPart,
                const platform::TRect& rect);

  // Qt lays the bars out again (after a change of Thickness), then the
  // frame follows.
  void RelayoutBars();

  // SetMinThumbSize of the free routine, on this adapter.
  void SetMinThumbSize(int which, int size);

 protected:
  ~TacScrollWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  // The release of a pressed part leaves the capture (and the release
  // itself) with the window.
  virtual bool KeepsCaptureOnRelease() const { return false; }
  // Style changes are answered 0 and kept from the window meanwhile.
  void SetInCalcSize(bool value) { inCalcSize_ = value; }

 private:
  friend struct TacScrollTracking;
  friend void UninstallScrollAdapter(bool, bool, TacAdapterPtr<TacScrollWnd>&);

  QAbstractScrollArea* Area() const;
  void HookBar(TacScrollBar& bar, QScrollBar* widget);
  // Out of the tracking state: its press and hover end here, timers and
  // capture with them.
  void LeaveTracking();
  void UnhookBars();
  void LayOutBars();
  void BarMessage(TacScrollBar& bar, platform::Message& m, const platform::CallPrevious& previous);
  void NcCalcSize(platform::Message& m, const platform::CallPrevious& previous);
  void PaintCorner(platform::Canvas& dc);
  // The bar's rectangle in window coordinates, and the bar widget's place.
  platform::TRect WindowRectOf(const platform::TRect& screen) const;
  // The thumb drag's picture of the bar, then the bar repainted.
  void PaintDraggedBar(TacScrollBar& bar, int thumbStart);
  bool Skinned() const;

  // The tracking half.
  void NcHitTest(platform::Message& m, const platform::CallPrevious& previous);
  void NcMouseMove(platform::Message& m, const platform::CallPrevious& previous);
  void NcButtonDown(platform::Message& m, const platform::CallPrevious& previous);
  void StartPartRepeat(TacScrollBar& bar);
  void Timer(platform::Message& m, const platform::CallPrevious& previous);
  // One step of a held part (the mouse's place decides); false when the
  // window went meanwhile.
  bool RepeatStep();
  void MouseMove(platform::Message& m, const platform::CallPrevious& previous);
  void TrackThumb(TacScrollBar& bar, int mouse);
  void ButtonUp(platform::Message& m, const platform::CallPrevious& previous);
  void CaptureLost();
  int PressedFor(const TacScrollBar& bar) const;

  std::unique_ptr<TacScrollBar> horz_, vert_;
  std::unique_ptr<QStyle> proxy_;
  bool thumbTracking_ = false;
  bool leftScrollBar_ = false;
  bool inCalcSize_ = false;
  int borderLeft_ = 0, borderTop_ = 0, borderRight_ = 0, borderBottom_ = 0;
};

// The process-wide tracking state.
struct TacScrollTracking {
  int TrackedBar = -1;
  int PressedPart = -1;
  int LastHitPart = -1;
  unsigned ScrollMsg = 0;
  std::uintptr_t RepeatTimer = 0;
  QPointer<QWidget> HoverWnd;
  int HoverBar = -1;
  int HoverPart = -1;
  int PrevHoverPart = -1;
  platform::TRect HoverRect;
  std::uintptr_t HoverTimer = 0;
  int DragThumbSize = 0, DragThumbPos = 0;
  platform::TRect DragBarRect;
  int DragOffset = 0, DragStartPos = 0, DragTrackPos = 0;
};
TacScrollTracking& ScrollTracking();

// Sends `msg` (WM_HSCROLL or WM_VSCROLL) with `code` the Windows way: skin
// command 51 first; a control answering 1 gets the message with the
// position in both words; otherwise SB_THUMBTRACK writes the position into
// the bar first and the message carries min(65535, pos). Skin command 52
// after; its answer is returned.
platform::LRESULT SendScrollMessage(QWidget* handle, unsigned msg, int code, int pos);

// Free routines of the unit.
TacAdapterPtr<TacScrollWnd> InstallScrollAdapter(QWidget* area, TsCommonData* skinData, TsSkinManager* manager,
                                                 const QString& section, bool repaint);
// Out of the area (bars given back, frame refreshed when visible) and,
// with freeIt, freed.
void UninstallScrollAdapter(bool freeIt, bool repaint, TacAdapterPtr<TacScrollWnd>& adapter);
TacScrollWnd* ScrollAdapterOfWindow(const QWidget* window);
TacScrollBar* ScrollBarOfWindow(const QWidget* window, int kind);
// which: 0 horizontal, 1 vertical, 3 both; false without an adapter.
bool SetMinThumbSize(const QWidget* window, int which, int size);
// The scroll adapter of a scrolling container while its skin data is
// skinned; freed when it is not (nothing while it is made or going).
void UpdateControlScrollAdapter(TsCommonData& data, TacAdapterPtr<TacScrollWnd>& adapter);
