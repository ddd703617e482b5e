#include "skinning/WinSubClassScroll.h"

#include "platform/Colors.h"
#include "platform/ScrollInfo.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSubClassPanels.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyleOptionSlider>
#include <QTableView>
#include <QTreeView>

#include <algorithm>
#include <cstdint>

using namespace platform;

namespace skinning {

namespace {

constexpr int kMinThumb = 8;
constexpr std::int64_t kEmptyRange = 9999999;
// The "Scrollbar" strip: its frame count and where each picture starts.
constexpr int kStripFrames = 23;
constexpr int kLeftArrow = 1, kRightArrow = 5, kUpArrow = 9, kDownArrow = 13, kHorzGrip = 17, kVertGrip = 20;

TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

// a * b / c rounded half away from zero, over 64 bits (Qt's ranges may
// span the whole int).
int Scale(std::int64_t a, std::int64_t b, std::int64_t c) {
  if (c <= 0) return 0;
  const std::int64_t n = a * b;
  return int(n >= 0 ? (n + c / 2) / c : (n - c / 2) / c);
}

// The part of a bar's rectangle from `a` to `b` along its axis.
TRect AlongBar(const QRect& r, bool horizontal, int a, int b) {
  return horizontal ? Rect(r.x() + a, r.y(), r.x() + b, r.y() + r.height())
                    : Rect(r.x(), r.y() + a, r.x() + r.width(), r.y() + b);
}

int Along(const QRect& r, bool horizontal) { return horizontal ? r.width() : r.height(); }

}  // namespace

// ---------------------------------------------------------------------------
// Layout.

int TScrollBarLayout::HitTest(int p) const {
  if (p < ArrowSize) return kFirstArrow;
  if (p < ThumbStart) return kPageBefore;
  if (p >= ThumbEnd) return p < BarLength - ArrowSize ? kPageAfter : kSecondArrow;
  return kThumb;
}

int ScrollArrowSize(int barLength) {
  const int arrow = GetSystemMetrics(SM_CXVSCROLL);
  return 2 * arrow > barLength ? std::max(barLength, 0) / 2 : arrow;
}

TScrollBarLayout LayoutScrollBar(int barLength, int min, int max, int page, int pos, TThumbRule rule) {
  TScrollBarLayout l;
  l.BarLength = std::max(barLength, 0);
  l.ArrowSize = ScrollArrowSize(l.BarLength);
  const int a = l.ArrowSize, track = l.BarLength - 2 * a;
  l.ThumbStart = l.ThumbEnd = l.GrooveStart = a;
  l.GrooveEnd = a + std::max(track, 0);
  if (track <= 0 || max < min) return l;
  pos = std::clamp(pos, min, max);
  const std::int64_t run = std::int64_t{max} - min, offset = std::int64_t{pos} - min;
  int length = 0, start = 0, span = 0;  // span: how far the thumb's start runs
  if (rule == TThumbRule::Window) {
    length = page > 0 ? std::max(Scale(track, page, run + page), kMinThumb) : a;
    if (length > track) return l;
    span = track - length;
    start = run > 0 ? Scale(span, offset, run) : 0;
  } else {
    std::int64_t range = run + std::max(page - 1, 0);
    if (range == 0) range = kEmptyRange;
    if (page > 0) {
      length = Scale(track, page - 1, range);
      const bool least = length < kMinThumb;
      if (least) length = kMinThumb;
      const int room = track - (least ? kMinThumb : 0);
      start = pos == min ? 0 : Scale(room, offset, range);
      span = Scale(room, run, range);
    } else {
      length = a;
      start = Scale(l.BarLength - 3 * a, offset, range);
      span = Scale(l.BarLength - 3 * a, run, range);
    }
    if (length > track) return l;
  }
  // Rounding never pushes the thumb past the track.
  start = std::clamp(start, 0, track - length);
  span = std::clamp(span, 0, track - length);
  l.ThumbStart = a + start;
  l.ThumbEnd = l.ThumbStart + length;
  l.GrooveEnd = a + span + length;
  return l;
}

QStyle::SubControl ScrollBarSubControl(int part) {
  switch (part) {
    case kFirstArrow: return QStyle::SC_ScrollBarSubLine;
    case kSecondArrow: return QStyle::SC_ScrollBarAddLine;
    case kPageBefore: return QStyle::SC_ScrollBarSubPage;
    case kPageAfter: return QStyle::SC_ScrollBarAddPage;
    case kThumb: return QStyle::SC_ScrollBarSlider;
    default: return QStyle::SC_None;
  }
}

QRect ScrollBarPartRect(const TScrollBarLayout& l, const QRect& bar, bool horizontal, QStyle::SubControl part) {
  const int length = l.BarLength, a = l.ArrowSize;
  const auto along = [&](int from, int to) {
    if (to <= from) return QRect();
    const TRect r = AlongBar(bar, horizontal, from, to);
    return QRect(r.Left, r.Top, r.Width(), r.Height());
  };
  switch (part) {
    case QStyle::SC_ScrollBarSubLine: return along(0, a);
    case QStyle::SC_ScrollBarAddLine: return along(length - a, length);
    case QStyle::SC_ScrollBarSubPage: return along(a, l.ThumbStart);
    case QStyle::SC_ScrollBarAddPage: return along(l.ThumbEnd, length - a);
    case QStyle::SC_ScrollBarSlider: return along(l.ThumbStart, l.ThumbEnd);
    case QStyle::SC_ScrollBarGroove: return along(l.GrooveStart, l.GrooveEnd);
    default: return {};
  }
}

// ---------------------------------------------------------------------------
// The scroll-bar painter.

TSkinScrollbar::~TSkinScrollbar() { ReleaseBars(); }

void TSkinScrollbar::HookScrollbars(QWidget* control, TSkinData* skinData, TSkinFormObject* form) {
  if (Hooked || !control || control != Control) return;
  TSkinControl::HookControl(form, skinData, false);
  if (auto* bar = qobject_cast<QScrollBar*>(control)) {
    AttachBars(control, bar, false, false);
  } else {
    const QString border = GetPropertyText(control, QStringLiteral("BorderStyle"));
    const auto* frame = qobject_cast<const QFrame*>(control);
    const bool framed = border.isEmpty() ? frame && frame->frameShape() != QFrame::NoFrame && frame->frameWidth() > 0
                                         : border.toLower() != QStringLiteral("bsnone");
    PaintBorder = framed && ModeFlag != 1 && GetClassName(control) != QStringLiteral("TImageScrollBox");
    AttachBars(control, nullptr, true, true);
  }
  ApplyFixedColor();
}

void TSkinScrollbar::HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) {
  if (Hooked || !handle) return;
  TSkinControl::HookWindow(handle, skinData, form);
  AttachBars(handle, qobject_cast<QScrollBar*>(handle), true, true);
}

void TSkinScrollbar::HookComboList(QComboBox* combo, TSkinData* skinData, TSkinFormObject* form) {
  if (Hooked || !combo || !combo->view()) return;
  TSkinControl::HookWindow(combo->view(), skinData, form);
  AttachBars(combo->view(), nullptr, false, true);
}

void TSkinScrollbar::AttachBars(QWidget* host, QScrollBar* single, bool horizontal, bool vertical) {
  auto take = [this](QScrollBar* widget, int source) {
    if (!widget || Find(widget)) return;
    auto bar = std::make_unique<Bar>();
    bar->Widget = widget;
    bar->Source = source;
    bar->HadTracking = widget->hasMouseTracking();
    widget->setMouseTracking(true);
    Bar* b = bar.get();
    bar->Proc = InstallWindowProc(widget, [this, b](Message& m, const CallPrevious& previous) {
      BarProc(*b, m, previous);
    });
    bars_.push_back(std::move(bar));
    RegisterWindow(widget);
    UseSkinStyle(widget);
  };
  if (single) {
    take(single, kSourceControl);
    return;
  }
  if (horizontal) take(GetScrollBar(host, SB_HORZ), kSourceHorz);
  if (vertical) take(GetScrollBar(host, SB_VERT), kSourceVert);
}

void TSkinScrollbar::ReleaseBars() {
  for (const std::unique_ptr<Bar>& bar : bars_) {
    RemoveWindowProc(bar->Proc);
    if (QScrollBar* widget = bar->Live()) {
      widget->setMouseTracking(bar->HadTracking);
      widget->update();
    }
  }
  bars_.clear();
}

void TSkinScrollbar::ApplyFixedColor() {
  if (!Control || !SkinData || !HasProperty(Control, QStringLiteral("FixedColor"))) return;
  savedFixedColor_ = GetOrdProperty(Control, QStringLiteral("FixedColor"));
  SetPropertyText(Control, QStringLiteral("FixedColor"), QString::number(SkinColour(scButtonFace)));
}

TSkinScrollbar::Bar* TSkinScrollbar::Find(const QScrollBar* bar) {
  for (const std::unique_ptr<Bar>& b : bars_)
    if (b->Widget.data() == bar) return b.get();
  return nullptr;
}

const TSkinScrollbar::Bar* TSkinScrollbar::Find(const QScrollBar* bar) const {
  return const_cast<TSkinScrollbar*>(this)->Find(bar);
}

void TSkinScrollbar::BarProc(Bar& bar, Message& m, const CallPrevious& previous) {
  QScrollBar* widget = bar.Live();
  const auto hit = [&] {
    QStyleOptionSlider option;
    option.initFrom(widget);
    option.orientation = widget->orientation();
    option.minimum = widget->minimum();
    option.maximum = widget->maximum();
    option.pageStep = widget->pageStep();
    option.sliderPosition = widget->sliderPosition();
    const bool horizontal = widget->orientation() == Qt::Horizontal;
    return Layout(option, widget).HitTest(horizontal ? GET_X_LPARAM(m.LParam) : GET_Y_LPARAM(m.LParam));
  };
  const bool drawing = widget && Draws(widget);
  switch (drawing ? m.Msg : WM_NULL) {
    case WM_MOUSEMOVE:
      if (!bar.MouseDown) {
        const int part = hit();
        if (part != bar.HotPart) {
          bar.HotPart = part;
          widget->update();
        }
      }
      TrackMouseEvent(widget);
      break;
    case WM_MOUSELEAVE:
      if (!bar.MouseDown && bar.HotPart != kNoPart) {
        bar.HotPart = kNoPart;
        widget->update();
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      bar.HotPart = hit();
      bar.MouseDown = true;
      widget->update();
      break;
    case WM_LBUTTONUP:
      bar.MouseDown = false;
      TrackMouseEvent(widget);
      widget->update();
      break;
    default:
      break;
  }
  previous(m);
}

void TSkinScrollbar::AfterMessage(Message& m) {
  switch (m.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      for (const std::unique_ptr<Bar>& bar : bars_)
        if (bar->Source == (m.Msg == WM_HSCROLL ? kSourceHorz : kSourceVert) && bar->Live()) {
          bar->HotPart = int(LOWORD(m.WParam));
          bar->Widget->update();
        }
      break;
    case SKIN_PRINTFRAME:
      if (m.LParam != kSkinPrintTag) break;
      if (auto* dc = ParamPtr<Canvas>(m.WParam); dc && PaintBorder && Handle)
        DrawBorder(*dc, Rect(0, 0, Handle->width(), Handle->height()));
      m.Result = kSkinPrintTag;
      return;
    default:
      break;
  }
  TSkinControl::AfterMessage(m);
}

void TSkinScrollbar::Paint(Canvas& dc, const TRect& r) {
  if (PaintBorder) DrawBorder(dc, r);
  // The square where two shown bars meet.
  QScrollBar *h = nullptr, *v = nullptr;
  for (const std::unique_ptr<Bar>& bar : bars_) {
    if (!bar->Live() || !Handle || !bar->Widget->isVisibleTo(Handle)) continue;
    (bar->Source == kSourceHorz ? h : bar->Source == kSourceVert ? v : h) = bar->Live();
  }
  if (h && v && h != v) {
    const QPoint hp = h->mapTo(Handle, QPoint(0, 0)), vp = v->mapTo(Handle, QPoint(0, 0));
    FillSkinColor(dc, Bounds(vp.x(), hp.y(), v->width(), h->height()));
  }
}

void TSkinScrollbar::DrawBorder(Canvas& dc, const TRect& r) const {
  dc.Brush = {SkinColour(scButtonShadow), bsSolid};
  dc.FrameRect(r);
  dc.Brush = {SkinColour(scButtonFace), bsSolid};
  dc.FrameRect(InflateRect(r, -1, -1));
}

void TSkinScrollbar::Reskin() {
  if (Control && SkinData && savedFixedColor_ >= 0)
    SetPropertyText(Control, QStringLiteral("FixedColor"), QString::number(SkinColour(scButtonFace)));
  for (const std::unique_ptr<Bar>& bar : bars_)
    if (bar->Live()) bar->Widget->update();
  TSkinControl::Reskin();
}

void TSkinScrollbar::Unhook() {
  if (!Active) return;
  if (Phase != kPhaseDestroyed && Control && savedFixedColor_ >= 0)
    SetPropertyText(Control, QStringLiteral("FixedColor"), QString::number(savedFixedColor_));
  TSkinControl::Unhook();
  if (Phase != kPhaseDestroyed) ReleaseBars();
}

bool TSkinScrollbar::Draws(const QScrollBar* bar) const {
  const TDataSkinObject* strip = SkinData ? Model().Scrollbar.get() : nullptr;
  return Drawing() && strip && !strip->Empty() && Find(bar);
}

TScrollBarLayout TSkinScrollbar::Layout(const QStyleOptionSlider& option, const QScrollBar* bar) const {
  const Bar* b = Find(bar);
  const TThumbRule rule = b && b->Source == kSourceControl ? TThumbRule::Control : TThumbRule::Window;
  return LayoutScrollBar(Along(option.rect, option.orientation == Qt::Horizontal), option.minimum, option.maximum,
                         option.pageStep, option.sliderPosition, rule);
}

int TSkinScrollbar::HotPart(const QScrollBar* bar) const {
  const Bar* b = Find(bar);
  return b ? b->HotPart : kNoPart;
}

bool TSkinScrollbar::MouseDown(const QScrollBar* bar) const {
  const Bar* b = Find(bar);
  return b && b->MouseDown;
}

bool TSkinScrollbar::DrawBar(const QStyleOptionSlider& option, QPainter* painter, const QScrollBar* bar) const {
  if (!Draws(bar)) return false;
  const TSkinModel& model = Model();
  const bool horizontal = option.orientation == Qt::Horizontal;
  const bool enabled = option.state & QStyle::State_Enabled;
  const QRect& r = option.rect;
  const TScrollBarLayout l = Layout(option, bar);
  const int hot = HotPart(bar);
  const bool down = MouseDown(bar);
  // The picture of a part: its own, + 1 pressed, + `hover` under the mouse.
  const auto state = [&](int part, int hover) { return !enabled || hot != part ? 0 : down ? 1 : hover; };
  Canvas dc(*painter);
  FillSkinColor(dc, ToTRect(r));
  const int a = l.ArrowSize, length = l.BarLength;
  if (const TDataSkinObject* track = (horizontal ? model.HorzScroll : model.VertScroll).get())
    DrawElementState(dc, AlongBar(r, horizontal, a, length - a), 4, enabled ? 1 : 3, *track);
  const Bitmap& strip = model.Scrollbar->Image;
  DrawStripFrame(dc, AlongBar(r, horizontal, 0, a), kStripFrames,
                 (horizontal ? kLeftArrow : kUpArrow) + state(kFirstArrow, 3), strip);
  DrawStripFrame(dc, AlongBar(r, horizontal, length - a, length), kStripFrames,
                 (horizontal ? kRightArrow : kDownArrow) + state(kSecondArrow, 3), strip);
  if (!enabled || !l.HasThumb()) return true;
  const TRect thumb = AlongBar(r, horizontal, l.ThumbStart, l.ThumbEnd);
  const int thumbState = state(kThumb, 2);
  // The vertical thumb keeps its own edges but counts frames and keys
  // its colour as the horizontal one does.
  const TDataSkinObject* own = (horizontal ? model.HorzScrollThumb : model.VertScrollThumb).get();
  const TDataSkinObject* counts = model.HorzScrollThumb ? model.HorzScrollThumb.get() : own;
  if (own && !own->Empty())
    DrawSkinElement(dc, thumb, own->Image, false, own->Tile == 1, counts->Trans == 1, counts->Frame,
                    1 + thumbState, own->Margins());
  const int grip = horizontal ? strip.Width() / kStripFrames : strip.Height();
  if (l.ThumbEnd - l.ThumbStart > grip + 2)
    DrawFrameCentred(dc, thumb, strip, true, kStripFrames, (horizontal ? kHorzGrip : kVertGrip) + thumbState);
  return true;
}

// ---------------------------------------------------------------------------
// Headers.

TSkinHeader::~TSkinHeader() {
  if (Handle && Phase != kPhaseDestroyed) Handle->setMouseTracking(hadTracking_);
}

void TSkinHeader::HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) {
  auto* header = qobject_cast<QHeaderView*>(handle);
  if (Hooked || !header) return;
  header_ = header;
  TSkinControl::HookWindow(header->viewport(), skinData, form);
  hadTracking_ = Handle->hasMouseTracking();
  Handle->setMouseTracking(true);
  RegisterWindow(header);
  UseSkinStyle(header);
  HotItem = -1;
}

void TSkinHeader::Unhook() {
  if (!Active) return;
  TSkinControl::Unhook();
  if (Handle && Phase != kPhaseDestroyed) {
    Handle->setMouseTracking(hadTracking_);
    Handle->update();
  }
}

bool TSkinHeader::BeforeMessage(Message& m) {
  if (m.Msg == WM_PAINT) RebuildItemRects();
  return TSkinControl::BeforeMessage(m);
}

void TSkinHeader::AfterMessage(Message& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE: {
      const auto at = std::find_if(ItemRects.begin(), ItemRects.end(), [&m](const TRect& r) {
        return r.Contains(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      });
      const int item = at == ItemRects.end() ? -1 : int(at - ItemRects.begin());
      if (item != HotItem) {
        HotItem = item;
        Refresh();
      }
      TrackMouseEvent(Handle);
      break;
    }
    case WM_MOUSELEAVE:
      HotItem = -1;
      Refresh();
      break;
    case WM_PAINT:  // the header paints itself through the style
      break;
    default:
      TSkinControl::AfterMessage(m);
  }
}

void TSkinHeader::RebuildItemRects() {
  ItemRects.clear();
  const QHeaderView* header = Header();
  if (!header) return;
  const bool horizontal = header->orientation() == Qt::Horizontal;
  const QWidget* viewport = header->viewport();
  for (int i = 0; i < header->count(); ++i) {
    if (header->isSectionHidden(i)) {
      ItemRects.emplace_back();
      continue;
    }
    const int at = header->sectionViewportPosition(i), size = header->sectionSize(i);
    ItemRects.push_back(horizontal ? Rect(at + 3, 0, at + size - 3, viewport->height())
                                   : Rect(3, at, viewport->width() - 3, at + size));
  }
}

bool TSkinHeader::Draws() const {
  const TDataSkinObject* bar = SkinData ? Model().Headerbar.get() : nullptr;
  return Drawing() && Header() && bar && !bar->Empty();
}

bool TSkinHeader::DrawSection(const QStyleOptionHeader& option, QPainter* painter) const {
  if (!Draws()) return false;
  const TDataSkinObject& bar = *Model().Headerbar;
  Canvas dc(*painter);
  DrawElementState(dc, ToTRect(option.rect), bar.Frame, option.section == HotItem ? 2 : 1, bar);
  return true;
}

bool TSkinHeader::DrawEmptyArea(const QRect& rect, QPainter* painter) const {
  if (!Draws()) return false;
  const TDataSkinObject& bar = *Model().Headerbar;
  Canvas dc(*painter);
  DrawElementState(dc, ToTRect(rect), bar.Frame, 1, bar);
  return true;
}

bool TSkinHeader::DrawLabel(const QStyleOptionHeader& option, QPainter* painter) const {
  if (!Draws()) return false;
  const TRect r = ToTRect(option.rect);
  const QHeaderView* header = Header();
  Canvas dc(*painter);
  dc.Font = GetControlFont(header);
  const TSkinColours& colours = Model().Colours;
  if (!header->isEnabled())
    dc.SetTextColor(clBtnShadow);
  else if (colours.Given[scWindowText])
    dc.SetTextColor(colours[scWindowText]);
  else
    dc.SetTextColor(FromQColor(header->palette().color(QPalette::ButtonText)));
  dc.SetBkMode(TRANSPARENT);
  const int side = header->style()->pixelMetric(QStyle::PM_SmallIconSize, &option, header);
  const bool withIcon = !option.icon.isNull() && side < r.Width();
  const int iconWidth = withIcon ? side + 2 : 0;
  constexpr unsigned kFormat = DT_END_ELLIPSIS | DT_EXPANDTABS;
  TRect t = r;
  if (!option.text.isEmpty()) dc.DrawText(option.text, t, kFormat | DT_CALCRECT | DT_NOCLIP);
  const int tw = option.text.isEmpty() ? 0 : t.Width(), th = option.text.isEmpty() ? 0 : t.Height();
  int start = option.textAlignment & Qt::AlignRight     ? r.Width() - iconWidth - tw - 2
              : option.textAlignment & Qt::AlignHCenter ? (r.Width() - iconWidth - tw) / 2
                                                        : 3;
  if (start < 2) start = 1;
  const int x = r.Left + start;
  dc.IntersectClipRect(r);
  if (QPainter* p = withIcon ? dc.Painter() : nullptr)
    p->drawPixmap(x, r.Top + (r.Height() - side) / 2,
                        option.icon.pixmap(QSize(side, side), 1.0, header->isEnabled() ? QIcon::Normal : QIcon::Disabled));
  if (tw > 0) {
    TRect tr = Rect(x + iconWidth, r.Top + (r.Height() - th) / 2, r.Right, r.Top + (r.Height() - th) / 2 + th);
    dc.DrawText(option.text, tr, AddRtlReading(kFormat));
  }
  return true;
}

// ---------------------------------------------------------------------------
// Item views with a header.

QHeaderView* ColumnHeader(QWidget* view) {
  if (auto* tree = qobject_cast<QTreeView*>(view)) return tree->header();
  if (auto* table = qobject_cast<QTableView*>(view)) return table->horizontalHeader();
  return nullptr;
}

void TSkinListView::HookScrollbars(QWidget* control, TSkinData* skinData, TSkinFormObject* form) {
  if (Hooked) return;
  TSkinScrollbar::HookScrollbars(control, skinData, form);
  if (QHeaderView* header = Hooked ? ColumnHeader(control) : nullptr) {
    HeaderPainter = new TSkinHeader(this);
    HeaderPainter->HookWindow(header, skinData, form);
  }
}

void TSkinListView::Unhook() {
  if (!Active) return;
  if (HeaderPainter) HeaderPainter->Unhook();
  TSkinScrollbar::Unhook();
}

}  // namespace skinning
