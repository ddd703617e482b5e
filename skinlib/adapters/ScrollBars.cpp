#include "skinlib/adapters/ScrollBars.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Capture.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Timers.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QLayout>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOption>

#include <algorithm>
#include <climits>

using namespace platform;

namespace {

// The position of the last mouse message the bars or their areas saw
// (GetMessagePos); a mouse that left a bar is nowhere.
TPoint g_messagePos{INT_MIN / 2, INT_MIN / 2};
// Set while the adapter lets its own capture go.
bool g_releasing = false;

bool Contains(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

TRect Local(int w, int h) {
  TRect r;
  r.Right = w;
  r.Bottom = h;
  return r;
}

TPoint ScreenPoint(LPARAM lp) { return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

bool HasScrollRange(const SCROLLINFO& si) {
  return si.nMax >= int(si.nPage) && si.nMax > si.nMin && si.nMax != 0;
}

// The thickness Qt lays the bars out with is the adapter's.
class TacBarStyle : public QProxyStyle {
 public:
  explicit TacBarStyle(TacScrollWnd* owner) : owner_(owner) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_ScrollBarExtent && owner_ && owner_->HorzBar()) {
      bool vertical = false;
      if (auto* bar = qobject_cast<const QScrollBar*>(widget))
        vertical = bar->orientation() == Qt::Vertical;
      else if (option)
        vertical = !(option->state & State_Horizontal);
      return owner_->ScrollBarMetric(*owner_->Bar(vertical ? SB_VERT : SB_HORZ), true, false);
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  TacScrollWnd* owner_;
};

// What one picture of a bar shows.
struct TacBarLook {
  int Arrow = 0;  // the painted arrow length
  int Arrow1 = psNormal, Arrow2 = psNormal, Track1 = psNormal, Track2 = psNormal, ThumbState = psNormal;
  bool DrawThumb = false;
  int ThumbStart = 0, ThumbSize = 0;  // along the bar, from its start
  bool Enabled = true;
};

}  // namespace

QScrollBar* TacScrollBar::Widget() const { return qobject_cast<QScrollBar*>(widget_.data()); }

TacScrollTracking& ScrollTracking() {
  static TacScrollTracking state;
  return state;
}

namespace {
// The window whose bar is pressed (guards the release against other windows).
QPointer<QWidget> g_pressedWnd;

void ResetPressed(TacScrollTracking& ts) {
  ts.PressedPart = ts.LastHitPart = ts.TrackedBar = -1;
  ts.RepeatTimer = 0;
  ts.ScrollMsg = 0;
  g_pressedWnd = nullptr;
}
}  // namespace

// ------------------------------------------------------------ life

TacScrollWnd::TacScrollWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacMainWnd(handle, skinData, manager, section) {}

TacScrollWnd::~TacScrollWnd() { UnhookBars(); }

QAbstractScrollArea* TacScrollWnd::Area() const { return qobject_cast<QAbstractScrollArea*>(CtrlHandle()); }

void TacScrollWnd::Install(bool repaint) {
  QWidget* h = CtrlHandle();
  horz_ = std::make_unique<TacScrollBar>(this, SB_HORZ);
  vert_ = std::make_unique<TacScrollBar>(this, SB_VERT);
  for (TacScrollBar* bar : {horz_.get(), vert_.get()}) {
    bar->ScrollInfo.fMask = SIF_ALL;
    GetScrollInfo(h, bar->Kind(), &bar->ScrollInfo);
  }
  leftScrollBar_ = (std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)) & WS_EX_LEFTSCROLLBAR) != 0;
  const auto style = std::uint32_t(GetWindowLong(h, GWL_STYLE));
  if (style & WS_HSCROLL) horz_->BarFlags = kBarHasStyle;
  if (style & WS_VSCROLL) vert_->BarFlags = kBarHasStyle;
  inCalcSize_ = false;
  InstallAdapter(h);
  if (Destroyed()) return;
  horz_->MinThumbSize = vert_->MinThumbSize = kDefaultMinThumbSize;
  if (QAbstractScrollArea* area = Area()) {
    proxy_ = std::make_unique<TacBarStyle>(this);
    HookBar(*horz_, area->horizontalScrollBar());
    HookBar(*vert_, area->verticalScrollBar());
    LayOutBars();
  }
  if (repaint) RefreshWindowFrame(h, true);
}

void TacScrollWnd::RelayoutBars() {
  LayOutBars();
  RefreshWindowFrame(CtrlHandle(), true);
}

void TacScrollWnd::LayOutBars() {
  QAbstractScrollArea* area = Area();
  if (!area || IsDestroying(area)) return;
  for (TacScrollBar* bar : {horz_.get(), vert_.get()})
    if (bar && bar->widget_) {
      bar->widget_->updateGeometry();
      if (QWidget* holder = bar->widget_->parentWidget(); holder && holder != area && holder->layout())
        holder->layout()->activate();
    }
  // The area lays its bars out on a layout request.
  QEvent request(QEvent::LayoutRequest);
  QCoreApplication::sendEvent(area, &request);
}

void TacScrollWnd::HookBar(TacScrollBar& bar, QScrollBar* widget) {
  if (!widget) return;
  bar.widget_ = widget;
  bar.ownStyle_ = widget->testAttribute(Qt::WA_SetStyle) ? widget->style() : nullptr;
  widget->setStyle(proxy_.get());
  TacScrollBar* b = &bar;
  bar.hook_ = InstallPartHandler(widget, [this, b](Message& m, const CallPrevious& previous) {
    BarMessage(*b, m, previous);
  });
}

void TacScrollWnd::LeaveTracking() {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  if (h && g_pressedWnd == h) {
    KillTimer(h, kDelayTimer);
    KillTimer(h, kRepeatTimer);
    ResetPressed(ts);
    if (GetCapture() == h) {
      g_releasing = true;
      ReleaseCapture();
      g_releasing = false;
    }
  }
  thumbTracking_ = false;
  if (h && ts.HoverWnd == h) {
    KillTimer(h, kHoverTimer);
    ts.HoverTimer = 0;
    ts.HoverBar = ts.HoverPart = ts.PrevHoverPart = -1;
    ts.HoverWnd = nullptr;
  }
}

void TacScrollWnd::UnhookBars() {
  LeaveTracking();
  for (TacScrollBar* bar : {horz_.get(), vert_.get()}) {
    if (!bar) continue;
    RemoveWindowProc(bar->hook_);
    if (QWidget* w = bar->widget_) {
      if (w->style() == proxy_.get()) w->setStyle(bar->ownStyle_);
      w->update();
    }
    bar->widget_ = nullptr;
    bar->picture_.reset();
  }
  proxy_.reset();
  LayOutBars();
}

bool TacScrollWnd::Skinned() const {
  const TsSkinManager* manager = SkinData() ? SkinData()->SkinManager() : nullptr;
  return manager && manager->Active() && !Destroyed();
}

// ------------------------------------------------------------ metrics and rectangles

int TacScrollWnd::ScrollBarMetric(const TacScrollBar& bar, bool thickness, bool useSkin) const {
  const bool horizontal = bar.Kind() == SB_HORZ;
  if (thickness) return ThicknessOf(bar.Thickness, GetSystemMetrics(horizontal ? SM_CYHSCROLL : SM_CXVSCROLL));
  int skinArrow = 0;
  const TsSkinManager* m = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (useSkin && m && m->SkinData) {
    const TacStandardIndexes& s = m->StandardIndexes;
    const int left = s.ScrollBtnSections[2];
    if (m->IsValidSectionIndex(left) && m->GeneralData[size_t(left)].ReservedBoolean &&
        m->IsValidMaskIndex(s.ScrollBtnBorders[2])) {
      // Each division by a count or type takes a 0 as 1.
      if (horizontal) {
        const TsMaskData& mask = m->MaskData[size_t(s.ScrollBtnBorders[2])];
        skinArrow = mask.R.Width() / std::max<int>(mask.ImageCount, 1);
      } else if (m->IsValidMaskIndex(s.ScrollBtnBorders[0])) {
        const TsMaskData& mask = m->MaskData[size_t(s.ScrollBtnBorders[0])];
        skinArrow = mask.R.Height() / std::max(mask.MaskType + 1, 1);
      }
    }
  }
  return ArrowLengthOf(bar.ArrowLength, skinArrow);
}

TacScrollFrame TacScrollWnd::Frame() const {
  TacScrollFrame f;
  if (CtrlHandle()) f.Window = GetWindowRect(CtrlHandle());
  f.BorderLeft = borderLeft_;
  f.BorderTop = borderTop_;
  f.BorderRight = borderRight_;
  f.BorderBottom = borderBottom_;
  if (horz_) {
    f.HorzThickness = ScrollBarMetric(*horz_, true, false);
    f.HorzVisible = horz_->Visible;
  }
  if (vert_) {
    f.VertThickness = ScrollBarMetric(*vert_, true, false);
    f.VertVisible = vert_->Visible;
  }
  f.LeftScrollBar = leftScrollBar_;
  return f;
}

TRect TacScrollWnd::HorzBarRect() const { return ::HorzBarRect(Frame()); }
TRect TacScrollWnd::VertBarRect() const { return ::VertBarRect(Frame()); }

TRect TacScrollWnd::BarRect(const TacScrollBar& bar, bool withInsets) const {
  TRect r = bar.Kind() == SB_HORZ ? HorzBarRect() : VertBarRect();
  if (!withInsets) return r;
  int& start = bar.Kind() == SB_HORZ ? r.Left : r.Top;
  int& end = bar.Kind() == SB_HORZ ? r.Right : r.Bottom;
  if (bar.UseStartInset) start += bar.StartInset;
  if (bar.UseEndInset) end -= bar.EndInset;
  return r;
}

bool TacScrollWnd::IsGripCorner() const {
  QWidget* h = CtrlHandle();
  if (!h) return false;
  QWidget* parent = GetParent(h);
  if (!parent) return ::IsGripCorner(Frame(), TacParentKind::None, {});
  if (GetParent(parent)) return false;
  TRect client = GetClientRect(parent);
  TPoint tl{client.Left, client.Top}, br{client.Right, client.Bottom};
  ClientToScreen(parent, &tl);
  ClientToScreen(parent, &br);
  client = {tl.X, tl.Y, br.X, br.Y};
  return ::IsGripCorner(Frame(), TacParentKind::TopLevel, client);
}

TacBarLayout TacScrollWnd::Layout(const TacScrollBar& bar) const {
  TacBarLayout l;
  l.Vertical = bar.Kind() == SB_VERT;
  l.Arrow = ScrollBarMetric(bar, false, false);
  l.MinThumb = bar.MinThumbSize;
  l.Info = bar.ScrollInfo;
  return l;
}

bool TacScrollWnd::IsScrollBarEnabled(const TacScrollBar& bar) const {
  QWidget* h = CtrlHandle();
  if (!GetScrollBarInfoProc)
    return (std::uint32_t(GetWindowLong(h, GWL_STYLE)) & (bar.Kind() == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
  SCROLLBARINFO info;
  if (!GetScrollBarInfoProc(h, bar.Kind() == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL, &info)) return false;
  if ((bar.BarFlags & kBarFirstDisabled) && (bar.BarFlags & kBarSecondDisabled)) return false;
  if ((bar.BarFlags & kBarNeedsRange) && !HasScrollRange(bar.ScrollInfo)) return false;
  return !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
}

void TacScrollWnd::SetMinThumbSize(int which, int size) {
  const int value = std::uint16_t(size);
  if ((which == 0 || which == 3) && horz_) horz_->MinThumbSize = value;
  if ((which == 1 || which == 3) && vert_) vert_->MinThumbSize = value;
}

TRect TacScrollWnd::WindowRectOf(const TRect& screen) const {
  const TRect w = CtrlHandle() ? GetWindowRect(CtrlHandle()) : TRect{};
  return {screen.Left - w.Left, screen.Top - w.Top, screen.Right - w.Left, screen.Bottom - w.Top};
}

// ------------------------------------------------------------ painting

namespace {

struct TacBarSkin {
  int Section = -1, Border = -1, Pattern = -1, HotPattern = -1, Glyph = -1;
};

// The sections of a bar's parts: 0 first arrow, 1 second arrow, 2 thumb,
// 3 track 1, 4 track 2.
TacBarSkin PartSkin(const TsSkinManager& m, bool horizontal, int part) {
  const TacStandardIndexes& s = m.StandardIndexes;
  TacBarSkin k;
  if (part <= 1) {
    // TOP, BOTTOM, LEFT, RIGHT.
    const size_t i = size_t((horizontal ? 2 : 0) + part);
    k = {s.ScrollBtnSections[i], s.ScrollBtnBorders[i], s.ScrollBtnPatterns[i], s.ScrollBtnHotPatterns[i],
         s.ScrollBtnGlyphs[i]};
  } else if (part == 2) {
    const size_t i = horizontal ? 1 : 0;  // vertical, horizontal
    k = {s.SliderSections[i], s.SliderBorders[i], s.SliderPatterns[horizontal ? 0 : 2],
         s.SliderPatterns[horizontal ? 1 : 3], s.SliderGlyphs[i]};
  } else {
    // 1H, 1V, 2H, 2V.
    const size_t i = size_t((part == 3 ? 0 : 2) + (horizontal ? 0 : 1));
    k = {s.BarSections[i], s.BarBorders[i], s.BarPatterns[i], s.BarHotPatterns[i], -1};
  }
  return k;
}

void PaintPart(TsSkinManager& m, const TacBarSkin& k, Bitmap& bmp, const TRect& r, int state, const TsBgSource& bg) {
  if (r.Width() <= 0 || r.Height() <= 0 || !m.IsValidSectionIndex(k.Section)) return;
  PaintSectionPart(k.Section, k.Border, state > 0 ? k.HotPattern : k.Pattern, &m, bmp, {0, 0}, r, state,
                                true, bg);
  if (!m.IsValidMaskIndex(k.Glyph)) return;
  const TsMaskData& glyph = m.MaskData[size_t(k.Glyph)];
  const int gw = MaskImageWidth(glyph), gh = MaskImageHeight(glyph);
  PaintMaskGlyph(bmp, {r.Left + (r.Width() - gw) / 2, r.Top + (r.Height() - gh) / 2}, state, 1, glyph, bg);
}

// The whole picture of a bar `length` long (along x for horizontal).
void DrawBar(TsSkinManager& m, bool horizontal, Bitmap& bmp, int length, int across, const TacBarLook& look,
             const TsBgSource& bg) {
  auto span = [&](int from, int to) {
    return horizontal ? TRect{from, 0, to, across} : TRect{0, from, across, to};
  };
  const int a = look.Arrow;
  if (2 * a < length) {
    const int centre = look.ThumbStart + look.ThumbSize / 2;
    PaintPart(m, PartSkin(m, horizontal, 3), bmp, span(0, centre), look.Track1, bg);
    PaintPart(m, PartSkin(m, horizontal, 4), bmp, span(centre, length), look.Track2, bg);
    PaintPart(m, PartSkin(m, horizontal, 0), bmp, span(0, a), look.Arrow1, bg);
    PaintPart(m, PartSkin(m, horizontal, 1), bmp, span(length - a, length), look.Arrow2, bg);
    if (look.DrawThumb)
      PaintPart(m, PartSkin(m, horizontal, 2), bmp, span(look.ThumbStart, look.ThumbStart + look.ThumbSize),
                look.ThumbState, bg);
  } else {
    const int half = length / 2;
    PaintPart(m, PartSkin(m, horizontal, 3), bmp, span(0, half), psNormal, bg);
    PaintPart(m, PartSkin(m, horizontal, 4), bmp, span(half, length), psNormal, bg);
    PaintPart(m, PartSkin(m, horizontal, 0), bmp, span(0, half), look.Arrow1, bg);
    PaintPart(m, PartSkin(m, horizontal, 1), bmp, span(length - half, length), look.Arrow2, bg);
  }
  if (!look.Enabled) {
    // A disabled bar fades into the background behind it.
    if (bg.Bitmap)
      BlendBitmapRect(bmp, 0, 0, TColor(0xFF000000), 0.4,
                      TRect{bg.X, bg.Y, bg.X + bmp.Width(), bg.Y + bmp.Height()}, *bg.Bitmap);
    else
      ShadeRoundRect(bmp, Local(bmp.Width(), bmp.Height()), 60, 0, 0, ColorToRGB(bg.FillColor));
  }
}

// A work bitmap of w x h with the window's own background in it, and
// that background as a source.
std::unique_ptr<Bitmap> BackgroundBitmap(QWidget* window, int w, int h, TsBgSource& bg, TsBgQuery& query) {
  auto bmp = CreateBitmap24(w, h);
  query.R = Local(w, h);
  QueryWindowBackground(query, window, false);
  CacheInfoFromBgInfo(query, bg);
  Canvas c(*bmp);
  if (query.BgKind == TsBgQuery::FromBitmap && query.Bitmap) {
    c.CopyRect(query.R, *query.Bitmap, {query.Offset.X, query.Offset.Y, query.Offset.X + w, query.Offset.Y + h});
  } else {
    c.Brush.Color = bg.FillColor;
    c.FillRect(query.R);
  }
  return bmp;
}

}  // namespace

bool TacScrollWnd::PaintBar(TacScrollBar& bar, Canvas* dc, int thumbPosOverride, int pressedPart, const TRect& rect) {
  TsSkinManager* m = SkinData() ? SkinData()->SkinManager() : nullptr;
  const bool horizontal = bar.Kind() == SB_HORZ;
  if (thumbTracking_ || !bar.Visible || !m || !m->IsValidSectionIndex(m->StandardIndexes.BarSections[horizontal ? 0 : 1]))
    return false;
  const int across = horizontal ? rect.Height() : rect.Width();
  if (across < 2) return false;
  bar.ScrollInfo.fMask = SIF_ALL;
  GetScrollInfo(CtrlHandle(), bar.Kind(), &bar.ScrollInfo);
  const int length = horizontal ? rect.Width() : rect.Height();
  if (length <= 0) return false;

  TacBarLook look;
  look.Enabled = IsScrollBarEnabled(bar);
  if (QWidget* owner = SkinData()->OwnerControl()) look.Enabled = look.Enabled && owner->isEnabled();
  const TacScrollTracking& ts = ScrollTracking();
  const bool hovered = ts.HoverWnd == CtrlHandle();
  if (!hovered) pressedPart = spNone;
  const bool hoverHere = hovered && ts.HoverBar == bar.Kind() && look.Enabled;
  if (hovered) {
    look.Arrow1 = pressedPart == spFirstArrow ? psPressed : hoverHere && ts.HoverPart == spFirstArrow ? psHot : psNormal;
    look.Arrow2 =
        pressedPart == spSecondArrow ? psPressed : hoverHere && ts.HoverPart == spSecondArrow ? psHot : psNormal;
  }
  look.ThumbState = hoverHere && ts.HoverPart == spThumb ? psHot : psNormal;
  look.Track1 = pressedPart == spTrackBefore ? psPressed : psNormal;
  look.Track2 = pressedPart == spTrackAfter ? psPressed : psNormal;
  const TacBarLayout layout = Layout(bar);
  const TRect local = horizontal ? Local(length, across) : Local(across, length);
  const TacThumb thumb = ThumbGeometry(layout, local);
  look.ThumbSize = thumb.Size;
  look.ThumbStart = thumbPosOverride != -1 ? thumbPosOverride : thumb.Start;
  look.Arrow = ScrollBarMetric(bar, false, true);
  look.DrawThumb = look.Enabled && ThumbFits(layout, length);

  TsBgSource bg;
  TsBgQuery query;
  std::unique_ptr<Bitmap> bmp = BackgroundBitmap(CtrlHandle(), local.Width(), local.Height(), bg, query);
  DrawBar(*m, horizontal, *bmp, length, across, look, bg);
  bar.picture_ = std::move(bmp);
  if (dc) dc->Draw(rect.Left, rect.Top, *bar.picture_);
  return true;
}

void TacScrollWnd::PaintDraggedBar(TacScrollBar& bar, int thumbStart) {
  TsSkinManager* m = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (!m) return;
  const TacScrollTracking& ts = ScrollTracking();
  const bool horizontal = bar.Kind() == SB_HORZ;
  const TRect& r = ts.DragBarRect;
  const int length = horizontal ? r.Width() : r.Height(), across = horizontal ? r.Height() : r.Width();
  if (length <= 0 || across <= 0) return;
  TacBarLook look;
  look.Arrow = ScrollBarMetric(bar, false, true);
  look.ThumbStart = thumbStart - (horizontal ? r.Left : r.Top);
  look.ThumbSize = ts.DragThumbSize;
  look.ThumbState = psPressed;
  look.DrawThumb = true;
  TsBgSource bg;
  TsBgQuery query;
  auto bmp = BackgroundBitmap(CtrlHandle(), horizontal ? length : across, horizontal ? across : length, bg, query);
  DrawBar(*m, horizontal, *bmp, length, across, look, bg);
  bar.picture_ = std::move(bmp);
  bar.fresh_ = true;
  if (bar.widget_) bar.widget_->update();
}

int TacScrollWnd::PressedFor(const TacScrollBar& bar) const {
  const TacScrollTracking& ts = ScrollTracking();
  return ts.TrackedBar == bar.Kind() && g_pressedWnd == CtrlHandle() ? ts.LastHitPart : spNone;
}

void TacScrollWnd::PaintScrollBars(Canvas* dc, int thumbPosOverride) {
  QWidget* h = CtrlHandle();
  if (!h || !SkinData() || !horz_ || !vert_) return;
  if (SkinData()->Updating() || (GetControlState(h) & csCreating) || !h->isVisible()) return;
  if (SkinData()->BackgroundDirty && SkinData()->OwnerControl())
    SendMessage(h, SkinCommandMsg, MAKEWPARAM(0, int(acPrepareCache)), 0);
  for (TacScrollBar* bar : {horz_.get(), vert_.get()}) {
    if (!bar->Visible) continue;
    const bool painted = PaintBar(*bar, dc, thumbPosOverride, PressedFor(*bar), WindowRectOf(BarRect(*bar)));
    if (!dc && painted) {
      bar->fresh_ = true;
      if (bar->widget_) bar->widget_->update();
    }
  }
  if (horz_->Visible && vert_->Visible) {
    if (dc) {
      PaintCorner(*dc);
    } else {
      const TRect c = WindowRectOf(CornerRect(Frame()));
      h->update(c.Left, c.Top, c.Width(), c.Height());
    }
  }
}

void TacScrollWnd::PaintCorner(Canvas& dc) {

  TsSkinManager* m = SkinData() ? SkinData()->SkinManager() : nullptr;
  const TRect corner = WindowRectOf(CornerRect(Frame()));
  if (!m || corner.Width() <= 0 || corner.Height() <= 0) return;
  TsBgSource bg;
  TsBgQuery query;
  auto bmp = BackgroundBitmap(CtrlHandle(), corner.Width(), corner.Height(), bg, query);
  if (IsGripCorner()) {
    const int grip = m->IndexOfMask(QStringLiteral("GLOBALINFO"), QStringLiteral("GRIPIMAGE"));
    if (m->IsValidMaskIndex(grip)) {
      const TsMaskData& mask = m->MaskData[size_t(grip)];
      // One image; a count or type of 0 counts as 1.
      const int w = mask.R.Width() / std::max<int>(mask.ImageCount, 1);
      const int hgt = mask.R.Height() / std::max(mask.MaskType + 1, 1);
      const TPoint at{corner.Width() - w, corner.Height() - hgt};
      if (mask.ImageCount > 0 || mask.Bmp) {
        PaintMaskGlyph(*bmp, at, 0, 1, mask, bg);
      } else {
        TsMaskData one = MaskWithoutPicture(mask);
        one.ImageCount = 1;
        PaintMaskGlyph(*bmp, at, 0, 1, one, bg);
      }
    }
  }
  dc.Draw(corner.Left, corner.Top, *bmp);
}

void TacScrollWnd::RefreshScrolls(bool repaint) {
  if (!SkinData() || SkinData()->Updating() || !horz_ || !vert_) return;
  for (TacScrollBar* bar : {horz_.get(), vert_.get()}) {
    bar->ScrollInfo.fMask = SIF_ALL;
    GetScrollInfo(CtrlHandle(), bar->Kind(), &bar->ScrollInfo);
  }
  if (repaint && !FormsLocked) PaintScrollBars(nullptr);
}

// ------------------------------------------------------------ the bars' input

void TacScrollWnd::BarMessage(TacScrollBar& bar, Message& m, const CallPrevious& previous) {
  QWidget* area = CtrlHandle();
  QWidget* w = bar.widget_;
  if (!Skinned() || !area || !w) {
    previous(m);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_PAINT: {
      Canvas* dc = BeginPaint(w);
      const TRect r = WindowRectOf(BarRect(bar));
      const QPoint at = w->mapTo(area, QPoint(0, 0));
      if (!bar.fresh_ && !thumbTracking_) PaintBar(bar, nullptr, -1, PressedFor(bar), r);
      bar.fresh_ = false;
      if (!dc || !bar.picture_) {
        previous(m);
        return;
      }
      dc->Draw(r.Left - at.x(), r.Top - at.y(), *bar.picture_);
      return;
    }
    case CM_MOUSELEAVE:
      g_messagePos = {INT_MIN / 2, INT_MIN / 2};
      previous(m);
      return;
    case WM_CONTEXTMENU:
      // A right click on a bar is swallowed; the keyboard's menu stays.
      if (m.LParam != LPARAM(-1)) return;
      previous(m);
      return;
    default:
      break;
  }
  if (g_pressedWnd == area && (m.Msg == WM_MOUSEMOVE || m.Msg == WM_LBUTTONUP)) {
    if (m.Msg == WM_LBUTTONUP) ForgetScrollBarPress(qobject_cast<QScrollBar*>(w));
    // A part is pressed: the moves and the release are the area's client
    // messages, as under its capture.
    TPoint p = [&] {
      const QPoint g = w->mapToGlobal(QPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
      return TPoint{g.x(), g.y()};
    }();
    ScreenToClient(area, &p);
    m.Result = SendMessage(area, m.Msg, m.WParam, MAKELPARAM(p.X, p.Y));
    return;
  }
  unsigned nc = 0;
  switch (m.Msg) {
    case WM_MOUSEMOVE: nc = WM_NCMOUSEMOVE; break;
    case WM_LBUTTONDOWN: nc = WM_NCLBUTTONDOWN; break;
    case WM_LBUTTONDBLCLK: nc = WM_NCLBUTTONDBLCLK; break;
    case WM_LBUTTONUP: nc = WM_NCLBUTTONUP; break;
    case WM_RBUTTONDOWN: nc = WM_NCRBUTTONDOWN; break;
    case WM_RBUTTONUP: nc = WM_NCRBUTTONUP; break;
    case WM_MBUTTONDOWN: nc = WM_NCMBUTTONDOWN; break;
    case WM_MBUTTONUP: nc = WM_NCMBUTTONUP; break;
    default:
      previous(m);
      return;
  }
  if (m.Msg != WM_MOUSEMOVE) ForgetScrollBarPress(qobject_cast<QScrollBar*>(w));  // the bar itself did nothing
  const QPoint g = w->mapToGlobal(QPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
  g_messagePos = {g.x(), g.y()};
  const LPARAM point = MAKELPARAM(g.x(), g.y());
  const LRESULT hit = SendMessage(area, WM_NCHITTEST, 0, point);
  if (hit != HTHSCROLL && hit != HTVSCROLL && hit != HTNOWHERE) {
    previous(m);
    return;
  }
  m.Result = SendMessage(area, nc, WPARAM(hit), point);
}

// ------------------------------------------------------------ the area's window procedure

void TacScrollWnd::NcCalcSize(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  auto* params = ParamPtr<NCCALCSIZE_PARAMS>(m.LParam);
  const TRect proposed = params ? params->rgrc[0] : TRect{};
  const auto style = std::uint32_t(GetWindowLong(h, GWL_STYLE));
  const std::uint32_t bits = style & (WS_HSCROLL | WS_VSCROLL);
  if (bits) {
    inCalcSize_ = true;
    SetWindowLong(h, GWL_STYLE, std::intptr_t(style & ~bits));
    PassOn(m, previous);
    SetWindowLong(h, GWL_STYLE, std::intptr_t(style));
    inCalcSize_ = false;
  } else {
    PassOn(m, previous);
  }
  if (!params || !horz_ || !vert_) return;
  const TRect client = params->rgrc[0];
  borderLeft_ = client.Left - proposed.Left;
  borderTop_ = client.Top - proposed.Top;
  borderRight_ = proposed.Right - client.Right;
  borderBottom_ = proposed.Bottom - client.Bottom;
  leftScrollBar_ = (std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)) & WS_EX_LEFTSCROLLBAR) != 0;
  // Qt's layout has made room for the bars already: the client stays.
  horz_->BarFlags = uint16_t((horz_->BarFlags & ~kBarHasStyle) | ((style & WS_HSCROLL) ? kBarHasStyle : 0));
  horz_->Visible = (style & WS_HSCROLL) && ScrollBarMetric(*horz_, true, false) <= client.Height();
  vert_->BarFlags = uint16_t((vert_->BarFlags & ~kBarHasStyle) | ((style & WS_VSCROLL) ? kBarHasStyle : 0));
  vert_->Visible = (style & WS_VSCROLL) && ScrollBarMetric(*vert_, true, false) <= client.Width();
}

void TacScrollWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: {
      UnhookBars();
      TacMainWnd::AdapterWndProc(m, previous);  // passes on, then leaves the window
      return;
    }
    case WM_UPDATEUISTATE:
      return;
    default:
      break;
  }
  if (Destroyed()) return;
  if (!Skinned()) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  if (m.Msg == SkinCommandMsg) {
    TsCommonData& data = *SkinData();
    const bool mine = m.LParam == LPARAM(PtrParam(data.SkinManager()));
    switch (HIWORD(m.WParam)) {
      case acBgQuery: {
        // The window's own answer first; the skin data's only without one.
        if (!PassOnAndSurvive(m, previous)) return;
        auto* query = ParamPtr<TsBgQuery>(m.LParam);
        if (query && query->BgKind == TsBgQuery::NotAnswered) data.FillBgQuery(*query, /*hot=*/false, h);
        return;
      }
      case acRefresh:
        if (!mine) break;
        data.RefreshSkinIndexes();
        data.BackgroundDirty = true;
        PassOn(m, previous);
        return;
      case acEndUpdate:
        if (data.UpdatingFlag()) {
          data.SetUpdating(false);
          data.SetUpdating(data.Updating());
          if (!data.UpdatingFlag()) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        }
        PassOn(m, previous);
        return;
      case acSetUpdating:
        data.SetUpdating(LOWORD(m.WParam) == 1);
        PassOn(m, previous);
        return;
      default:
        break;
    }
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      NcCalcSize(m, previous);
      return;
    case WM_NCHITTEST:
      NcHitTest(m, previous);
      return;
    case WM_NCMOUSEMOVE:
      NcMouseMove(m, previous);
      return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      NcButtonDown(m, previous);
      return;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
      if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) {
        m.Result = 0;
        return;
      }
      break;
    case WM_SYSCOMMAND:
      if ((m.WParam & 0xFFFF) == 0xF077) return;
      break;
    case WM_TIMER:
      Timer(m, previous);
      return;
    case WM_MOUSEMOVE:
      MouseMove(m, previous);
      return;
    case WM_LBUTTONUP:
      ButtonUp(m, previous);
      return;
    case WM_CAPTURECHANGED:
      if (!g_releasing && g_pressedWnd == h) CaptureLost();
      break;
    case WM_NCPAINT:
      if (IsWindowVisible(h)) {
        SkinData()->SetUpdating(SkinData()->Updating());
        if (!SkinData()->UpdatingFlag() && !Tracking()) PaintScrollBars(GetWindowDC(h));
      }
      PassOn(m, previous);
      return;
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
      if (inCalcSize_) {
        m.Result = 0;
        return;
      }
      if (m.Msg == WM_STYLECHANGED && int(m.WParam) == GWL_EXSTYLE)
        if (auto* change = ParamPtr<STYLESTRUCT>(m.LParam))
          leftScrollBar_ = (change->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
      break;
    default:
      break;
  }
  if (m.Msg == CM_BORDERCHANGED && h && !h->size().isEmpty()) {
    // The control's border changed: its band is worked out anew.
    if (!PassOnAndSurvive(m, previous)) return;
    const QSize size = GetWindowParams().WndSize;
    SetWindowPos(h, nullptr, 0, 0, size.width(), size.height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_NOOWNERZORDER |
                     SWP_NOSENDCHANGING);
    return;
  }
  const unsigned msg = m.Msg;
  TacMainWnd::AdapterWndProc(m, previous);
  if (((msg == WM_MOUSEWHEEL || msg == CM_MOUSEWHEEL) && !Tracking()) || msg == CM_FOCUSCHANGED) RefreshScrolls(true);
}

// ------------------------------------------------------------ tracking

void TacScrollWnd::NcHitTest(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  const TPoint p = ScreenPoint(m.LParam);
  // While a part is pressed the capture's moves are the client's.
  if (GetCapture() == h && g_pressedWnd == h && ScrollTracking().PressedPart != spNone) {
    m.Result = HTCLIENT;
    return;
  }
  if (horz_->Visible && Contains(BarRect(*horz_), p.X, p.Y)) {
    m.Result = IsScrollBarEnabled(*horz_) ? HTHSCROLL : HTNOWHERE;
    return;
  }
  if (vert_->Visible && Contains(BarRect(*vert_), p.X, p.Y)) {
    m.Result = IsScrollBarEnabled(*vert_) ? HTVSCROLL : HTNOWHERE;
    return;
  }
  if (horz_->Visible && vert_->Visible && Contains(CornerRect(Frame()), p.X, p.Y) && IsGripCorner()) {
    m.Result = HTBOTTOMRIGHT;
    return;
  }
  PassOn(m, previous);
}

void TacScrollWnd::NcMouseMove(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  g_messagePos = ScreenPoint(m.LParam);
  ts.HoverWnd = h;
  const int kind = m.WParam == HTHSCROLL ? SB_HORZ : m.WParam == HTVSCROLL ? SB_VERT : -1;
  if (kind >= 0 && ts.HoverBar != kind) {
    ts.PrevHoverPart = ts.HoverPart = spNone;
    ts.HoverRect = BarRect(*Bar(kind));
    ts.HoverBar = kind;
    ts.HoverTimer = SetTimer(h, kHoverTimer, kHoverInterval);
    PaintScrollBars(nullptr);
  }
  PassOn(m, previous);
}

void TacScrollWnd::NcButtonDown(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  if (m.WParam != HTHSCROLL && m.WParam != HTVSCROLL) {
    PassOn(m, previous);
    return;
  }
  TacScrollTracking& ts = ScrollTracking();
  const TPoint p = ScreenPoint(m.LParam);
  g_messagePos = p;
  const int kind = m.WParam == HTHSCROLL ? SB_HORZ : SB_VERT;
  TacScrollBar& bar = *Bar(kind);
  ts.HoverWnd = h;
  ts.ScrollMsg = kind == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
  ts.TrackedBar = kind;
  g_pressedWnd = h;
  bar.ScrollInfo.fMask = SIF_ALL;
  GetScrollInfo(h, kind, &bar.ScrollInfo);
  const TRect rect = BarRect(bar, true);
  ts.PressedPart = HitTestPart(Layout(bar), rect, p.X, p.Y);
  m.Result = 0;
  const int part = ts.PressedPart;
  const bool enabled = IsScrollBarEnabled(bar);
  if ((part == spFirstArrow && (bar.BarFlags & kBarFirstDisabled)) ||
      (part == spSecondArrow && (bar.BarFlags & kBarSecondDisabled)) || part == spNone ||
      (!enabled && part != spNone)) {
    // Nothing pressed: nothing for a later release to finish.
    ResetPressed(ts);
    if (part == spNone) PassOn(m, previous);
    return;
  }
  QPointer<QWidget> alive(h);
  if (part == spThumb) {
    const TacThumb thumb = ThumbGeometry(Layout(bar), rect);
    ts.DragThumbSize = thumb.Size;
    ts.DragThumbPos = thumb.Start;
    ts.DragBarRect = rect;
    thumbTracking_ = true;
    bar.ScrollInfo.nTrackPos = bar.ScrollInfo.nPos;
    ts.DragOffset = (kind == SB_HORZ ? p.X : p.Y) - thumb.Start;
    ts.DragTrackPos = ts.DragStartPos = bar.ScrollInfo.nPos;
    PaintDraggedBar(bar, thumb.Start);
  } else {
    StartPartRepeat(bar);
  }
  if (alive && ts.PressedPart != spNone) SetCapture(h);
}

void TacScrollWnd::StartPartRepeat(TacScrollBar& bar) {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  ts.LastHitPart = HitTestPart(Layout(bar), BarRect(bar, true), g_messagePos.X, g_messagePos.Y);
  PaintScrollBars(nullptr);
  QPointer<QWidget> alive(h);
  SendScrollMessage(h, ts.ScrollMsg, ts.PressedPart, 0);
  if (!alive) return;
  ts.LastHitPart = ts.PressedPart;
  ts.RepeatTimer = SetTimer(h, kDelayTimer, kDelayInterval);
}

void TacScrollWnd::Timer(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  const std::uintptr_t id = m.WParam;
  const bool ours = id == kHoverTimer || id == kDelayTimer || id == kRepeatTimer;
  if (!ours || (ts.RepeatTimer == 0 && ts.HoverTimer == 0)) {
    if (!PassOnAndSurvive(m, previous)) return;
  }
  if (ours) {
    m.Result = 0;
    if (id == kHoverTimer) {
      if (ts.HoverWnd != h) {
        // The mouse went on to another window's bars: that one hovers now.
        KillTimer(h, kHoverTimer);
      } else if (!thumbTracking_ && ts.HoverBar >= 0) {
        if (Contains(ts.HoverRect, g_messagePos.X, g_messagePos.Y)) {
          TacScrollBar& bar = *Bar(ts.HoverBar);
          ts.HoverPart = HitTestPart(Layout(bar), BarRect(bar, true), g_messagePos.X, g_messagePos.Y);
          if (ts.HoverPart != ts.PrevHoverPart) PaintScrollBars(nullptr);
          ts.PrevHoverPart = ts.HoverPart;
        } else {
          KillTimer(h, kHoverTimer);
          ts.HoverTimer = 0;
          ts.HoverBar = ts.PrevHoverPart = ts.HoverPart = -1;
          PaintScrollBars(nullptr);
        }
      } else if (ts.HoverBar < 0) {
        KillTimer(h, kHoverTimer);
        ts.HoverTimer = 0;
      }
    } else if (id == kDelayTimer) {
      // The delay's end is the first repeat; the repeat timer takes over.
      KillTimer(h, kDelayTimer);
      if (g_pressedWnd == h && ts.RepeatTimer) {
        ts.RepeatTimer = SetTimer(h, kRepeatTimer, kRepeatInterval);
        if (!RepeatStep()) return;
      }
    } else if (id == kRepeatTimer && g_pressedWnd == h && ts.TrackedBar >= 0) {
      if (!RepeatStep()) return;
    } else {
      KillTimer(h, id);
    }
  }
  if (!Tracking() && !thumbTracking_) RefreshScrolls(true);
}

bool TacScrollWnd::RepeatStep() {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  // The mouse in client coordinates, none negative.
  TPoint c = g_messagePos;
  ScreenToClient(h, &c);
  c.X = std::max(c.X, 0);
  c.Y = std::max(c.Y, 0);
  ClientToScreen(h, &c);
  if (ts.PressedPart >= spFirstArrow && ts.PressedPart <= spTrackAfter) {
    TacScrollBar& bar = *Bar(ts.TrackedBar);
    const int hit = HitTestPart(Layout(bar), BarRect(bar, true), c.X, c.Y);
    ts.LastHitPart = hit == ts.PressedPart ? ts.PressedPart : spNone;
    PaintScrollBars(nullptr);
  }
  if (ts.LastHitPart < 0) return true;
  QPointer<QWidget> alive(h);
  SetTracking(true);
  SendScrollMessage(h, ts.ScrollMsg, ts.LastHitPart, 0);
  if (!alive) return false;
  SetTracking(false);
  return true;
}

void TacScrollWnd::MouseMove(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  if (g_pressedWnd != h || ts.TrackedBar < 0) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  ClientToScreen(h, &p);
  g_messagePos = p;
  TacScrollBar& bar = *Bar(ts.TrackedBar);
  m.Result = 0;
  if (thumbTracking_) {
    TrackThumb(bar, bar.Kind() == SB_HORZ ? p.X : p.Y);
    return;
  }
  if (ts.PressedPart >= spFirstArrow && ts.PressedPart <= spThumb) {
    const int hit = HitTestPart(Layout(bar), BarRect(bar, true), p.X, p.Y);
    ts.LastHitPart = hit == ts.PressedPart ? ts.PressedPart : spNone;
    PaintScrollBars(nullptr);
    return;
  }
  TacMainWnd::AdapterWndProc(m, previous);
}

void TacScrollWnd::TrackThumb(TacScrollBar& bar, int mouse) {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  const bool horizontal = bar.Kind() == SB_HORZ;
  const int a = ScrollBarMetric(bar, false, false);
  const int trackStart = (horizontal ? ts.DragBarRect.Left : ts.DragBarRect.Top) + a;
  const int trackEnd = (horizontal ? ts.DragBarRect.Right : ts.DragBarRect.Bottom) - a;
  const int start = DraggedThumbStart(mouse, ts.DragOffset, trackStart, trackEnd, ts.DragThumbSize);
  PaintDraggedBar(bar, start);
  const int pos = DragPosition(bar.ScrollInfo, start, trackStart, trackEnd - trackStart, ts.DragThumbSize);
  if (pos == ts.DragTrackPos) return;
  bar.ScrollInfo.nTrackPos = pos;
  QPointer<QWidget> alive(h);
  SetTracking(true);
  SendScrollMessage(h, ts.ScrollMsg, SB_THUMBTRACK, pos);
  if (!alive) return;
  SetTracking(false);
  ts.DragTrackPos = pos;
}

void TacScrollWnd::ButtonUp(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  if (ts.PressedPart == spNone || g_pressedWnd != h) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  // A window that keeps the capture through the release (a drop-down
  // list) keeps the release too.
  const bool keep = KeepsCaptureOnRelease();
  if (!keep) {
    g_releasing = true;
    ReleaseCapture();
    g_releasing = false;
  }
  CaptureLost();
  if (!keep) PassOn(m, previous);
}

// The end of a press: by the button's release or by the capture going.
void TacScrollWnd::CaptureLost() {
  QWidget* h = CtrlHandle();
  TacScrollTracking& ts = ScrollTracking();
  const unsigned msg = ts.ScrollMsg;
  KillTimer(h, kDelayTimer);
  KillTimer(h, kRepeatTimer);
  int endPos = 0;
  QPointer<QWidget> alive(h);
  SetTracking(true);
  if (thumbTracking_) {
    thumbTracking_ = false;
    endPos = ts.DragTrackPos;
    SendScrollMessage(h, msg, SB_THUMBPOSITION, endPos);
    if (!alive) return;
  }
  ResetPressed(ts);
  if (msg) SendScrollMessage(h, msg, SB_ENDSCROLL, endPos);
  if (!alive) return;
  SetTracking(false);
  RefreshScrolls(true);
}

// ------------------------------------------------------------ free routines

LRESULT SendScrollMessage(QWidget* handle, unsigned msg, int code, int pos) {
  if (!handle) return 0;
  const LPARAM lp = MAKELPARAM(code, int(msg));
  QPointer<QWidget> alive(handle);
  const LRESULT answer = SendMessage(handle, SkinCommandMsg, MAKEWPARAM(0, int(acBeforeScroll)), lp);
  if (!alive) return 0;
  if (answer == 1) {
    SendMessage(handle, msg, MAKEWPARAM(code, pos & 0xFFFF), LPARAM(pos));
  } else {
    const int which = msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(handle, which, &si);
    if (code == SB_THUMBTRACK) {
      si.fMask = SIF_POS;
      si.nPos = pos;
      SetScrollInfo(handle, which, si, false);
    }
    SendMessage(handle, msg, MAKEWPARAM(code, std::min(65535, pos)), 0);
  }
  if (!alive) return 0;
  return SendMessage(handle, SkinCommandMsg, MAKEWPARAM(0, int(acAfterScroll)), lp);
}

TacAdapterPtr<TacScrollWnd> InstallScrollAdapter(QWidget* area, TsCommonData* skinData, TsSkinManager* manager,
                                                 const QString& section, bool repaint) {
  return TacMainWnd::Create<TacScrollWnd>(area, skinData, manager, section, repaint);
}

void UninstallScrollAdapter(bool freeIt, bool repaint, TacAdapterPtr<TacScrollWnd>& adapter) {
  if (!adapter) return;
  if (!adapter->Destroyed()) {
    adapter->UnhookBars();
    adapter->Uninstall(repaint);
  }
  if (freeIt) adapter.reset();
}

TacScrollWnd* ScrollAdapterOfWindow(const QWidget* window) { return dynamic_cast<TacScrollWnd*>(FindAdapter(window)); }

TacScrollBar* ScrollBarOfWindow(const QWidget* window, int kind) {
  TacScrollWnd* a = ScrollAdapterOfWindow(window);
  if (!a) return nullptr;
  return kind == SB_HORZ ? a->HorzBar() : kind == SB_VERT ? a->VertBar() : nullptr;
}

bool SetMinThumbSize(const QWidget* window, int which, int size) {
  TacScrollWnd* a = ScrollAdapterOfWindow(window);
  if (!a) return false;
  a->SetMinThumbSize(which, size);
  return true;
}

void UpdateControlScrollAdapter(TsCommonData& data, TacAdapterPtr<TacScrollWnd>& adapter) {
  QWidget* owner = data.OwnerControl();
  if (!owner || (GetControlState(owner) & (csCreating | csDestroying))) return;
  if (data.Skinned()) {
    if (adapter && adapter->Destroyed()) adapter.reset();
    if (!adapter) adapter = InstallScrollAdapter(owner, &data, data.SkinManager(), data.SkinSection(), true);
  } else {
    adapter.reset();
  }
}
