// Adapters of tab controls (`TacTabControlWnd`: a QTabBar, or a QTabWidget
// seen as a bare tab control), page controls (`TacPageControlWnd`: a
// QTabWidget with its pages) and of the pages inside them (`TacPageWnd`).
//
// A tab control paints its whole look into its skin data's cache when Qt
// asks it to paint (WM_ERASEBKGND with the paint event's canvas): the
// parent's background, every tab but the selected one, the page below
// them, then the selected tab straight onto the canvas. The QTabBar's own
// painting (the bar itself, or a tab widget's inner bar) is taken: the bar
// paints nothing, so the tab widget's painting shows through it, and a
// change of the bar repaints the tab widget behind it. Qt's bar has one
// row; its tabs lie at `tabRect` (TCM_GETITEMRECT), 2 pixels in from the
// bar's outer edge. Position and kind come
// from the style word (TCS_BOTTOM, TCS_VERTICAL, TCS_RIGHT derived from
// the bar's shape; TCS_BUTTONS and TCS_FLATBUTTONS only kept). Captions of
// left and right tabs are written turned, in the platform's default
// family.
//
// The bar's two scroll buttons are its up-down window ("msctls_updown32"
// in the old control): while both are shown the adapter keeps a spin
// adapter over them (`SpinWnd`, section "UPDOWNBTN"), made by the spin
// unit through TabSpinFactory. Until that unit fills it the slot is empty
// and the buttons stay Qt's.
//
// A page control's pages are the QTabWidget's widgets; each gets a page
// adapter (section "CHECKBOX") in the adapter base's AdapterList, once.
// A page paints its tab control's background at its place.
//
// The geometry is pure functions (TabPositionOfStyle, TabKindOfStyle,
// TabsRectOf, PageRectOf, ItemRectOfQtTab, AdjustTabRect, PageSectionName, TabSectionName)
// that paint and tests share. GUI thread only.
#pragma once

#include "skinlib/adapters/AdapterBase.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QPointer>

#include <cstdint>
#include <functional>

struct TsBgSource;
class QTabBar;
class QTabWidget;

// ------------------------------------------------------------ geometry

enum class TacTabPosition { Top = 0, Bottom = 1, Left = 2, Right = 3 };
enum class TacTabKind { Tabs, Buttons, FlatButtons };
// Tab state numbers of the painters.
enum class TacTabState { Normal = 0, Selected = 2 };

// Top unless TCS_VERTICAL or TCS_BOTTOM; bottom with TCS_BOTTOM only, left
// with TCS_VERTICAL only, right with both.
TacTabPosition TabPositionOfStyle(std::uint32_t style);
// Flat buttons with TCS_FLATBUTTONS, else buttons with TCS_BUTTONS, else
// tabs.
TacTabKind TabKindOfStyle(std::uint32_t style);
// The rectangle TCM_ADJUSTRECT (wParam 0) leaves of the window, its top 2
// lower.
platform::TRect TabsRectOf(const platform::TRect& adjusted);
// (0, 0, width, height); with tabs one side follows `tabsRect`: top at its
// top - 4, bottom at its bottom + 1, left at its left - 1, right at its
// right + 1.
platform::TRect PageRectOf(int width, int height, bool hasTabs, TacTabPosition position,
                           const platform::TRect& tabsRect);
// A tab's item rectangle made into the rectangle its section is painted
// in (tabs only, and only a rectangle whose left is not its right; buttons
// keep theirs).
platform::TRect AdjustTabRect(platform::TRect item, TacTabKind kind, TacTabPosition position, bool active);
// Qt's tabs reach the bar's outer edge; the old control's item
// rectangles left 2 pixels there for the selected tab to grow into. A
// tab's rectangle (tabs only) loses them before AdjustTabRect.
platform::TRect ItemRectOfQtTab(platform::TRect r, TacTabKind kind, TacTabPosition position);
// The page's section: "PAGECONTROL" follows the position when there are
// tabs ("PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"), any
// other name stays; without tabs "CHECKBOX".
QString PageSectionName(const QString& section, int tabCount, TacTabPosition position);
// "TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"; "BUTTON" for buttons,
// "TOOLBUTTON" for flat buttons.
QString TabSectionName(TacTabKind kind, TacTabPosition position);

// SEAM: the spin adapter of a tab bar's two scroll buttons (`first`
// scrolls back, `second` forward), made by the spin unit with section
// "UPDOWNBTN" and the tab control's manager. Empty until that unit fills
// it; then tab controls keep no SpinWnd.
using TacTabSpinFactory =
    std::function<TacAdapterPtr<TacMainWnd>(QWidget* first, QWidget* second, TsSkinManager* manager)>;
TacTabSpinFactory& TabSpinFactory();

// ------------------------------------------------------------ adapters

class TacTabControlWnd : public TacMainWnd {
 public:
  // An empty section takes "PAGECONTROL".
  TacTabControlWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // The QTabBar of the control (the control itself, or a tab widget's).
  QTabBar* TabBar() const;
  TacTabPosition TabPosition() const;
  TacTabKind TabKind() const;
  int TabCount() const;
  virtual platform::TRect TabsRect() const;
  virtual platform::TRect PageRect() const;
  // The section rectangle of tab `index` (empty for an index out of range
  // or while no tab is selected).
  platform::TRect TabRect(int index, bool active) const;
  TacMainWnd* SpinWnd() const { return spinWnd_.get(); }
  // How many times the tab painting ran (for tests and benchmarks).
  int PaintCount() const { return paintCount_; }

  // The whole tab painting into `dc` (the control's canvas, origin at its
  // top-left corner).
  void PaintTabs(platform::Canvas& dc);

 protected:
  ~TacTabControlWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  bool SkinActive() const;
  // SpinWnd freed, and made anew while both scroll buttons show.
  void RecreateSpin();
  // RecreateSpin when the buttons' showing and SpinWnd disagree.
  void RecreateSpinIfChanged();

 private:
  void HookBar();
  void BarWndProc(platform::Message& m, const platform::CallPrevious& previous);
  // One tab drawn into `target` at `r` (in the target), its parent
  // background at `bgOffset` of `bg`.
  void DrawTab(platform::Bitmap& target, const platform::TRect& r, int index, TacTabState state,
               const TsBgSource& bg, platform::TPoint bgOffset);
  void DrawTabContent(platform::Bitmap& target, const platform::TRect& r, int index, TacTabState state,
                      int sectionIndex);

  TacAdapterPtr<TacMainWnd> spinWnd_;
  QPointer<QWidget> hookedBar_;  // a widget: one being destroyed is no QTabBar
  platform::WindowProcHandle barHook_;
  int paintCount_ = 0;
  QSize lastSize_;  // of the last painting
};

class TacPageControlWnd : public TacTabControlWnd {
 public:
  TacPageControlWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  QTabWidget* PageControl() const;
  // Every page that is not skinned yet gets its page adapter (section
  // "CHECKBOX") in AdapterList; gives how many were made. Adapters in the
  // list whose window went are freed first.
  int HookPages();

 protected:
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
};

class TacPageWnd : public TacMainWnd {
 public:
  TacPageWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // The tab control the page lies in (nullptr when none).
  QWidget* TabControl() const;
  // The page's background from its tab control into `dc`.
  void PaintPage(platform::Canvas& dc);

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
};
