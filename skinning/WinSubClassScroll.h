// Painters of scroll bars, column headers and item views.
//
// Qt's scroll bars are widgets of their own, painted by their style, so the
// scroll-bar painter puts the skin's style on each bar it manages and the
// style asks the painter to draw it and where its parts lie: what is drawn
// and where Qt's clicks and drags hit are one layout (TScrollBarLayout).
// One painter serves three kinds of host:
//   - a control with scroll bars (a scroll area: text views, item views),
//     hooked at the control level by HookScrollbars; the same for a lone
//     scroll-bar control, whose thumb follows the scroll-bar control's rule;
//   - an inner window with scroll bars, hooked at the window level
//     (HookWindow);
//   - a combo box's drop-down list, its vertical bar only (HookComboList).
// The part under the mouse is hot; the part held by the mouse or being
// scrolled (WM_HSCROLL/WM_VSCROLL to the host until SB_ENDSCROLL) shows
// pressed. A framed host gets a 1-pixel border in the skin's line colour
// with one in the control colour inside it; the square where two bars meet
// takes the control colour.
//
// The header painter draws the sections of a QHeaderView from the skin's
// "Headerbar" element (frame 1, 2 under the mouse) with the icon-and-text
// block; the item-view painter is the scroll-bar painter plus a header
// painter on the view's column header.
//
// GUI thread only.
#pragma once

#include "skinning/WinSubClass.h"

#include <QHeaderView>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>

#include <memory>
#include <vector>

class QComboBox;
class QPainter;
class QStyleOptionHeader;
class QStyleOptionSlider;

namespace skinning {

// The parts of a bar along its axis, as the window scroll codes number
// them: 0 first arrow, 1 second arrow, 2 page before the thumb, 3 page
// after it, 5 thumb; -1 none.
constexpr int kNoPart = -1, kFirstArrow = 0, kSecondArrow = 1, kPageBefore = 2, kPageAfter = 3, kThumb = 5;

// How the thumb is sized: a window's bar is proportional to the page, a
// scroll-bar control's follows the control's own rule.
enum class TThumbRule { Window, Control };

// Where the parts of a bar lie along its axis.
struct TScrollBarLayout {
  int BarLength = 0;
  int ArrowSize = 0;
  int ThumbStart = 0, ThumbEnd = 0;  // equal when the bar shows no thumb
  // Where the thumb's start runs, for Qt's dragging: GrooveStart at the
  // minimum, GrooveEnd less the thumb at the maximum.
  int GrooveStart = 0, GrooveEnd = 0;

  bool HasThumb() const { return ThumbEnd > ThumbStart; }
  // The part at `p` along the bar.
  int HitTest(int p) const;
};

// The arrows' length along a bar: the system's scroll-bar width, half the
// bar when two do not fit. Worked out at every layout, so that a bar grown
// again gets its full arrows back.
int ScrollArrowSize(int barLength);

// The layout of a bar of `barLength` over the range min .. max (Qt's
// values), with `page` and the thumb at `pos`. The window rule: the thumb
// as long as the page's share of the track, at least 8 pixels; the control
// rule works in the Windows range (max + page - 1 - min; 9999999 for an
// empty one) and keeps a thumb at the minimum against the first arrow. A
// thumb that does not fit the track is not there.
TScrollBarLayout LayoutScrollBar(int barLength, int min, int max, int page, int pos, TThumbRule rule);

// A bar's part as the style's sub-control, and the sub-control's
// rectangle in the bar's rectangle `bar` (horizontal or vertical).
QStyle::SubControl ScrollBarSubControl(int part);
QRect ScrollBarPartRect(const TScrollBarLayout& layout, const QRect& bar, bool horizontal, QStyle::SubControl part);

// Paints the bars of a host, or a lone bar.
class TSkinScrollbar : public TSkinControl {
 public:
  // Where a bar stands: a window's horizontal or vertical bar, or a
  // scroll-bar control.
  static constexpr int kSourceHorz = 0, kSourceVert = 1, kSourceControl = 2;

  using TSkinControl::TSkinControl;
  ~TSkinScrollbar() override;

  // A control with scroll bars, or a lone QScrollBar (the control's own
  // bar). A framed control gets the border unless `ModeFlag` is 1.
  virtual void HookScrollbars(QWidget* control, TSkinData* skinData, TSkinFormObject* form);
  // An inner window with scroll bars (both bars).
  void HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) override;
  // The vertical bar of a combo box's drop-down list.
  void HookComboList(QComboBox* combo, TSkinData* skinData, TSkinFormObject* form);
  void Unhook() override;
  void AfterMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;
  void Reskin() override;

  bool PaintBorder = false;

  // What the style asks: whether the painter draws `bar`, its layout, and
  // the bar itself (false: the style draws it the standard way).
  bool Draws(const QScrollBar* bar) const;
  TScrollBarLayout Layout(const QStyleOptionSlider& option, const QScrollBar* bar) const;
  bool DrawBar(const QStyleOptionSlider& option, QPainter* painter, const QScrollBar* bar) const;
  // The hot or pressed part of a bar, and whether the mouse holds it.
  int HotPart(const QScrollBar* bar) const;
  bool MouseDown(const QScrollBar* bar) const;

 protected:
  // Takes the bars of the host: the window's two, or `single` alone.
  void AttachBars(QWidget* host, QScrollBar* single, bool horizontal, bool vertical);
  // The 1-pixel line-colour frame with the control-colour frame inside.
  void DrawBorder(Canvas& dc, const TRect& r) const;

 private:
  struct Bar {
    // Kept as a widget: while it is destroyed it is a QScrollBar no more.
    QPointer<QWidget> Widget;
    QScrollBar* Live() const { return qobject_cast<QScrollBar*>(Widget.data()); }
    int Source = kSourceVert;
    int HotPart = kNoPart;
    bool MouseDown = false;
    bool HadTracking = false;
    platform::WindowProcHandle Proc;
  };
  Bar* Find(const QScrollBar* bar);
  const Bar* Find(const QScrollBar* bar) const;
  void BarProc(Bar& bar, Message& m, const platform::CallPrevious& previous);
  void ReleaseBars();
  // The saved "FixedColor" of a grid that has one.
  void ApplyFixedColor();

  std::vector<std::unique_ptr<Bar>> bars_;
  int savedFixedColor_ = -1;
};

// The painters of raw windows and of a combo box's list are the same one.
using TSkinScrollbarH = TSkinScrollbar;
using TComboxScrollBar = TSkinScrollbar;

// The sections of a column header.
class TSkinHeader : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  ~TSkinHeader() override;

  // Hooks the header (its sections live on its viewport, where its paint
  // and mouse messages arrive).
  void HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) override;
  void Unhook() override;
  bool BeforeMessage(Message& m) override;
  void AfterMessage(Message& m) override;

  // One rectangle per section (logical index), in viewport coordinates,
  // 3 pixels in from each side; rebuilt at every paint.
  std::vector<TRect> ItemRects;
  int HotItem = -1;

  QHeaderView* Header() const { return qobject_cast<QHeaderView*>(header_.data()); }
  // What the style asks the painter to draw.
  bool Draws() const;
  bool DrawSection(const QStyleOptionHeader& option, QPainter* painter) const;
  bool DrawLabel(const QStyleOptionHeader& option, QPainter* painter) const;
  bool DrawEmptyArea(const QRect& rect, QPainter* painter) const;

 private:
  void RebuildItemRects();

  QPointer<QWidget> header_;  // a widget: while it is destroyed it is a header no more
  bool hadTracking_ = false;
};

// An item view with a column header: its scroll bars and its header.
class TSkinListView : public TSkinScrollbar {
 public:
  using TSkinScrollbar::TSkinScrollbar;
  void HookScrollbars(QWidget* control, TSkinData* skinData, TSkinFormObject* form) override;
  void Unhook() override;

  TSkinHeader* HeaderPainter = nullptr;  // owned
};

// The column header of an item view (nullptr for none).
QHeaderView* ColumnHeader(QWidget* view);

// The skin's print request for a painted frame: SKIN_PRINTFRAME with the
// canvas in WParam and LParam kSkinPrintTag paints the border into it and
// is answered kSkinPrintTag.
constexpr unsigned SKIN_PRINTFRAME = 0xBC4B;

}  // namespace skinning
