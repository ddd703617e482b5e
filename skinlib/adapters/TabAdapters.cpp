#include "skinlib/adapters/TabAdapters.h"

#include "platform/ControlMessages.h"
#include "platform/Painting.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/TextPainting.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QPainter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>

using namespace platform;

// ------------------------------------------------------------ geometry

TacTabPosition TabPositionOfStyle(std::uint32_t style) {
  const bool vertical = style & TCS_VERTICAL, bottom = style & TCS_BOTTOM;
  if (vertical) return bottom ? TacTabPosition::Right : TacTabPosition::Left;
  return bottom ? TacTabPosition::Bottom : TacTabPosition::Top;
}

TacTabKind TabKindOfStyle(std::uint32_t style) {
  if (style & TCS_FLATBUTTONS) return TacTabKind::FlatButtons;
  if (style & TCS_BUTTONS) return TacTabKind::Buttons;
  return TacTabKind::Tabs;
}

TRect TabsRectOf(const TRect& adjusted) {
  TRect r = adjusted;
  r.Top += 2;
  return r;
}

TRect PageRectOf(int width, int height, bool hasTabs, TacTabPosition position, const TRect& tabsRect) {
  TRect r{0, 0, width, height};
  if (!hasTabs) return r;
  switch (position) {
    case TacTabPosition::Top: r.Top = tabsRect.Top - 4; break;
    case TacTabPosition::Bottom: r.Bottom = tabsRect.Bottom + 1; break;
    case TacTabPosition::Left: r.Left = tabsRect.Left - 1; break;
    case TacTabPosition::Right: r.Right = tabsRect.Right + 1; break;
  }
  return r;
}

TRect AdjustTabRect(TRect r, TacTabKind kind, TacTabPosition position, bool active) {
  if (kind != TacTabKind::Tabs || r.Left == r.Right) return r;
  if (active) {
    r.Bottom -= 1;
  } else {
    r.Bottom += 3;
    r.Right -= 1;
  }
  switch (position) {
    case TacTabPosition::Top:
      if (active) r = InflateRect(r, 2, 2);
      r.Bottom += 1;
      break;
    case TacTabPosition::Bottom:
      if (active) r = InflateRect(r, 2, 1);
      r.Top -= 2;
      r.Bottom += active ? 1 : -3;
      break;
    case TacTabPosition::Left:
      r = InflateRect(r, 0, 1);
      r.Right += 2;
      if (active) {
        r = InflateRect(r, 1, 1);
      } else {
        r.Bottom -= 4;
        r.Right += 2;
      }
      break;
    case TacTabPosition::Right:
      r = OffsetRect(InflateRect(r, 1, 0), -1, -1);
      if (active) {
        r = InflateRect(r, 1, 1);
        r.Bottom += 3;
      } else {
        r.Bottom -= 2;
      }
      break;
  }
  return r;
}

TRect ItemRectOfQtTab(TRect r, TacTabKind kind, TacTabPosition position) {
  if (kind != TacTabKind::Tabs || r.Left == r.Right) return r;
  switch (position) {
    case TacTabPosition::Top: r.Top += 2; break;
    case TacTabPosition::Bottom: r.Bottom -= 2; break;
    case TacTabPosition::Left: r.Left += 2; break;
    case TacTabPosition::Right: r.Right -= 2; break;
  }
  return r;
}

QString PageSectionName(const QString& section, int tabCount, TacTabPosition position) {
  if (tabCount < 1) return QStringLiteral("CHECKBOX");
  if (section != QLatin1String("PAGECONTROL")) return section;
  static const char* const names[] = {"PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"};
  return QString::fromLatin1(names[int(position)]);
}

QString TabSectionName(TacTabKind kind, TacTabPosition position) {
  if (kind == TacTabKind::Buttons) return QStringLiteral("BUTTON");
  if (kind == TacTabKind::FlatButtons) return QStringLiteral("TOOLBUTTON");
  static const char* const names[] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
  return QString::fromLatin1(names[int(position)]);
}

TacTabSpinFactory& TabSpinFactory() {
  static TacTabSpinFactory factory;
  return factory;
}

namespace {

TRect BoundsOfWidget(const QWidget* w) { return Bounds(0, 0, w->width(), w->height()); }

// A copy of the parent's background behind the control: its bitmap at
// `at` (clipped to both sizes), else its colour.
void FillParentBackground(Bitmap& cache, const TsBgSource& bg, TPoint at) {
  if (bg.Bitmap) {
    const int sx = at.X + bg.X, sy = at.Y + bg.Y;
    cache.GetCanvas().CopyRect(Bounds(0, 0, cache.Width(), cache.Height()), *bg.Bitmap,
                               Bounds(sx, sy, cache.Width(), cache.Height()));
    cache.GetCanvas().EndPainting();
    return;
  }
  if (bg.FillColor != KeyColor) cache.Fill(ToQColor(ColorToRGB(bg.FillColor)).rgb());
}

// The bar's two scroll buttons (back, forward), or nullptrs.
std::pair<QToolButton*, QToolButton*> ScrollButtons(const QTabBar* bar) {
  if (!bar) return {nullptr, nullptr};
  auto* first = bar->findChild<QToolButton*>(QStringLiteral("ScrollLeftButton"), Qt::FindDirectChildrenOnly);
  auto* second = bar->findChild<QToolButton*>(QStringLiteral("ScrollRightButton"), Qt::FindDirectChildrenOnly);
  if (first && second) return {first, second};
  const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
  if (buttons.size() < 2) return {nullptr, nullptr};
  return {buttons[0], buttons[1]};
}

const TFont* ControlFont(QWidget* w) {
  return ParamPtr<const TFont>(std::uintptr_t(SendMessage(w, WM_GETFONT)));
}

}  // namespace

// ------------------------------------------------------------ the tab control

TacTabControlWnd::TacTabControlWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                                   const QString& section)
    : TacMainWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("PAGECONTROL") : section) {}

TacTabControlWnd::~TacTabControlWnd() {
  RemoveWindowProc(barHook_);
  spinWnd_.reset();
}

bool TacTabControlWnd::SkinActive() const {
  const TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  return sm && sm->Active() && !Destroyed() && CtrlHandle();
}

QTabBar* TacTabControlWnd::TabBar() const {
  QWidget* h = CtrlHandle();
  if (auto* pages = qobject_cast<QTabWidget*>(h)) return pages->tabBar();
  return qobject_cast<QTabBar*>(h);
}

TacTabPosition TacTabControlWnd::TabPosition() const {
  return TabPositionOfStyle(std::uint32_t(GetWindowLong(CtrlHandle(), GWL_STYLE)));
}

TacTabKind TacTabControlWnd::TabKind() const {
  return TabKindOfStyle(std::uint32_t(GetWindowLong(CtrlHandle(), GWL_STYLE)));
}

int TacTabControlWnd::TabCount() const { return int(SendMessage(CtrlHandle(), TCM_GETITEMCOUNT)); }

TRect TacTabControlWnd::TabsRect() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  TRect r = BoundsOfWidget(h);
  SendMessage(h, TCM_ADJUSTRECT, 0, LPARAM(PtrParam(&r)));
  return TabsRectOf(r);
}

TRect TacTabControlWnd::PageRect() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  return PageRectOf(h->width(), h->height(), TabCount() >= 1, TabPosition(), TabsRect());
}

TRect TacTabControlWnd::TabRect(int index, bool active) const {
  QWidget* h = CtrlHandle();
  if (!h || index < 0 || index >= TabCount() || SendMessage(h, TCM_GETCURSEL) < 0) return {};
  TRect r;
  if (!SendMessage(h, TCM_GETITEMRECT, WPARAM(index), LPARAM(PtrParam(&r)))) return {};
  return AdjustTabRect(ItemRectOfQtTab(r, TabKind(), TabPosition()), TabKind(), TabPosition(), active);
}

void TacTabControlWnd::Install(bool repaint) {
  TacMainWnd::Install(repaint);
  if (Destroyed()) return;
  HookBar();
  if (SkinActive()) RecreateSpin();
}

void TacTabControlWnd::HookBar() {
  QTabBar* bar = TabBar();
  if (!bar || bar == CtrlHandle() || hookedBar_ == bar) return;
  RemoveWindowProc(barHook_);
  hookedBar_ = bar;
  barHook_ = InstallPartHandler(bar, [this](Message& m, const CallPrevious& previous) { BarWndProc(m, previous); });
}

// A tab widget's bar: its painting is the tab widget's (the bar paints
// nothing, so what the tab widget painted behind it shows).
void TacTabControlWnd::BarWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) return previous(m);
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_PAINT:
      if (m.WParam || BeginPaint(hookedBar_)) return;
      break;
    case WM_SIZE:
    case CM_CONTROLLISTCHANGE: {
      QPointer<QWidget> alive(CtrlHandle());
      previous(m);
      if (alive && SkinActive()) RecreateSpin();
      return;
    }
    default:
      break;
  }
  previous(m);
}

void TacTabControlWnd::RecreateSpin() {
  const auto [first, second] = ScrollButtons(TabBar());
  const bool shown = first && second && !first->isHidden() && !second->isHidden();
  if (!shown) {
    spinWnd_.reset();
    return;
  }
  spinWnd_.reset();
  if (TabSpinFactory()) spinWnd_ = TabSpinFactory()(first, second, SkinData()->SkinManager());
}

void TacTabControlWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (m.Msg == SkinCommandMsg) {
    const bool mine = m.LParam == LPARAM(PtrParam(data.SkinManager()));
    switch (HIWORD(m.WParam)) {
      case acNewSkin:
        if (mine) CommonWindowMessage(m, &data);
        ForwardSkinCommand(data.OwnerControl(), h, m);
        return;
      case acRemoveSkin:
        if (mine) {
          CommonWindowMessage(m, &data);
          RecreateSpin();
          ForwardSkinCommand(data.OwnerControl(), h, m);
          RedrawWindow(h, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
        } else {
          ForwardSkinCommand(data.OwnerControl(), h, m);
        }
        return;
      case acRefresh:
        if (mine) {
          CommonWindowMessage(m, &data);
          InvalidateRect(h, nullptr, true);
          RecreateSpin();
        }
        ForwardSkinCommand(data.OwnerControl(), h, m);
        return;
      case acEndUpdate:
        data.SetUpdating(false);
        InvalidateRect(h, nullptr, true);
        return;
      case acIsSkinned:
        m.Result = 1;
        return;
      case acIsUpdating:
        m.Result = data.Updating() ? 1 : 0;
        return;
      case acGetCaptionHeight:  // a tab control answers with its manager
        m.Result = LRESULT(PtrParam(data.SkinManager()));
        return;
      case acBgQuery:
        CommonWindowMessage(m, &data);
        return;
      default:
        break;
    }
  }
  switch (m.Msg) {
    case WM_PAINT:
      // The drawing happened on WM_ERASEBKGND; a WM_PAINT outside a paint
      // event asks for one.
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
        PaintTabs(*dc);
      } else if (!BeginPaint(h)) {
        data.BackgroundDirty = true;
        InvalidateRect(h, nullptr, true);
      }
      return;
    case WM_ERASEBKGND:
      if (IsWindowVisible(h)) {
        if (auto* dc = ParamPtr<Canvas>(m.WParam); dc && !FormsLocked) PaintTabs(*dc);
        RecreateSpinIfChanged();
      }
      m.Result = 0;
      return;
    case WM_NCPAINT:
      return;
    case WM_PRINT:
      RecreateSpin();
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintTabs(*dc);
      // The children print themselves.
      m.LParam &= ~LPARAM(PRF_ERASEBKGND | PRF_CLIENT);
      PassOn(m, previous);
      return;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (!alive || !SkinActive()) return;
  switch (msg) {
    case WM_SIZE:
      RecreateSpin();
      if (h->width() < lastSize_.width() || h->height() < lastSize_.height())
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_NOCHILDREN | RDW_FRAME);
      break;
    case TCM_SETCURSEL:
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
      break;
    case CM_CONTROLLISTCHANGE:
      RecreateSpin();
      break;
    default:
      break;
  }
}

void TacTabControlWnd::RecreateSpinIfChanged() {
  const auto [first, second] = ScrollButtons(TabBar());
  const bool shown = first && second && !first->isHidden() && !second->isHidden();
  if (shown != (spinWnd_ != nullptr) && (shown ? bool(TabSpinFactory()) : true)) RecreateSpin();
}

void TacTabControlWnd::PaintTabs(Canvas& dc) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  TsSkinManager* sm = data.SkinManager();
  if (!h || !sm) return;
  const TacWindowParams params = GetWindowParams();
  if (data.Updating()) return;
  ++paintCount_;
  lastSize_ = params.WndSize;
  data.BackgroundDirty = true;
  const int count = TabCount();
  const QString section = PageSectionName(data.SkinSection(), count, TabPosition());
  data.SectionIndex = sm->IndexOfSection(section);
  TsBgSource bg;
  ParentWndCacheInfo(h, bg);
  if (!data.CacheBitmap) data.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
  Bitmap& cache = *data.CacheBitmap;
  if (cache.PixelFormat() != pf24bit) cache.SetPixelFormat(pf24bit);
  cache.SetSize(params.WndSize.width(), params.WndSize.height());
  if (cache.Empty()) return;
  const TPoint at = params.WndPos;
  const int selected = int(SendMessage(h, TCM_GETCURSEL));
  if (count > 0) {
    FillParentBackground(cache, bg, at);
    for (int i = 0; i < count; ++i) {
      if (i == selected) continue;
      const TRect r = TabRect(i, false);
      if (!r.IsEmpty()) DrawTab(cache, r, i, TacTabState::Normal, bg, {at.X + r.Left, at.Y + r.Top});
    }
  }
  const TRect page = IntersectRect(PageRect(), BoundsOfWidget(h));
  if (!page.IsEmpty())
    PaintSectionItem(data.SectionIndex, section, bg, -1, -1, sm, cache, {at.X + page.Left, at.Y + page.Top}, page,
                     0, true);
  data.BackgroundDirty = false;
  const TRect active = selected >= 0 ? TabRect(selected, true) : TRect{};
  if (active.IsEmpty()) {
    dc.Draw(0, 0, cache);
    return;
  }
  const int saved = dc.SaveDC();
  dc.ExcludeClipRect(active);
  dc.Draw(0, 0, cache);
  dc.RestoreDC(saved);
  Bitmap tab(active.Width(), active.Height(), pf24bit);
  tab.GetCanvas().CopyRect(Bounds(0, 0, tab.Width(), tab.Height()), cache, active);
  tab.GetCanvas().EndPainting();
  DrawTab(tab, Bounds(0, 0, tab.Width(), tab.Height()), selected, TacTabState::Selected, bg,
          {at.X + active.Left, at.Y + active.Top});
  dc.Draw(active.Left, active.Top, tab);
}

void TacTabControlWnd::DrawTab(Bitmap& target, const TRect& r, int index, TacTabState state, const TsBgSource& bg,
                               TPoint bgOffset) {
  TsSkinManager* sm = SkinData()->SkinManager();
  if (!sm || sm->StandardIndexes.TabSections[0] <= 0) return;
  const QString name = TabSectionName(TabKind(), TabPosition());
  const int section = sm->IndexOfSection(name);
  if (!sm->IsValidSectionIndex(section)) return;
  const TRect inside = IntersectRect(r, Bounds(0, 0, target.Width(), target.Height()));
  if (inside.IsEmpty()) return;
  // The painters take rectangles inside the bitmap only.
  PaintSectionItem(section, name, bg, -1, -1, sm, target,
                   {bgOffset.X + inside.Left - r.Left, bgOffset.Y + inside.Top - r.Top}, inside, int(state), true);
  DrawTabContent(target, r, index, state, section);
}

void TacTabControlWnd::DrawTabContent(Bitmap& target, const TRect& r, int index, TacTabState state,
                                      int sectionIndex) {
  QTabBar* bar = TabBar();
  TsSkinManager* sm = SkinData()->SkinManager();
  if (!bar || index >= bar->count()) return;
  Canvas& c = target.GetCanvas();
  const int saved = c.SaveDC();
  if (const TFont* font = ControlFont(CtrlHandle())) c.Font = *font;
  c.IntersectClipRect(r);
  const QString text = bar->tabText(index);
  const QIcon icon = bar->tabIcon(index);
  const QSize iconSize = icon.isNull() ? QSize() : bar->iconSize();
  const bool enabled = bar->isEnabled() && bar->isTabEnabled(index);
  const bool hot = state != TacTabState::Normal;
  const TacTabPosition position = TabPosition();
  const auto drawIcon = [&](int x, int y) {
    if (QPainter* p = c.Painter())
      p->drawPixmap(x, y, icon.pixmap(iconSize, enabled ? QIcon::Normal : QIcon::Disabled));
    c.EndPainting();
  };
  if (position == TacTabPosition::Top || position == TacTabPosition::Bottom) {
    TRect tr = r;
    if (!iconSize.isEmpty()) {
      QString plain = text;
      plain.remove(QLatin1Char('&'));
      const int t = c.TextWidth(plain), w = iconSize.width(), h = iconSize.height();
      drawIcon(r.Left + (r.Width() - (t + w + 8)) / 2, r.Top + (r.Height() - h) / 2);
      tr.Left += w;
    }
    WriteSectionText(c, text, enabled, tr, hot, sectionIndex, DT_CENTER | DT_VCENTER | DT_SINGLELINE, sm);
  } else {
    // Turned captions: up the left tabs, down the right ones, in the
    // platform's default family at normal weight.
    TFont font = c.Font;
    font.Orientation = position == TacTabPosition::Left ? -2700 : -900;
    font.Style &= ~unsigned(fsBold);
    if (font.Name == QLatin1String("MS Sans Serif")) font.Name = DefaultFontName();
    TRect room = r;
    if (!iconSize.isEmpty()) {
      const int x = r.Left + (r.Width() - iconSize.width()) / 2;
      if (position == TacTabPosition::Left) {
        drawIcon(x, r.Bottom - 4 - iconSize.height());
        room.Bottom -= iconSize.height() + 4;
      } else {
        drawIcon(x, r.Top + 4);
        room.Top += iconSize.height() + 4;
      }
    }
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    const int tw = c.TextWidth(plain), th = c.TextHeight(plain);
    c.Font = font;
    const TsGeneralData& gd = sm->GeneralData[size_t(sectionIndex)];
    c.SetBkMode(TRANSPARENT);
    c.SetTextColor(ColorToRGB(hot ? gd.HotFontColor[0] : gd.FontColor[0]));
    if (position == TacTabPosition::Left)
      c.TextOut(room.Left + (room.Width() - th) / 2, room.Top + (room.Height() + tw) / 2, plain);
    else
      c.TextOut(room.Left + (room.Width() + th) / 2, room.Top + (room.Height() - tw) / 2, plain);
  }
  c.RestoreDC(saved);
  c.EndPainting();
}

// ------------------------------------------------------------ the page control

TacPageControlWnd::TacPageControlWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                                     const QString& section)
    : TacTabControlWnd(handle, skinData, manager, section) {}

QTabWidget* TacPageControlWnd::PageControl() const { return qobject_cast<QTabWidget*>(CtrlHandle()); }

void TacPageControlWnd::Install(bool repaint) {
  TacTabControlWnd::Install(repaint);
  if (SkinActive()) HookPages();
}

int TacPageControlWnd::HookPages() {
  QTabWidget* pages = PageControl();
  if (!pages) return 0;
  const LRESULT answer = SendMessage(pages, SkinCommandMsg, MAKEWPARAM(0, acGetCaptionHeight), 0);
  auto* manager = ParamPtr<TsSkinManager>(std::uintptr_t(answer));
  if (!manager) return 0;
  // Adapters of pages that went are freed (they left their chains then).
  std::erase_if(AdapterList(), [](const TacAdapterPtr<TacMainWnd>& a) { return !a || !a->CtrlHandle(); });
  int made = 0;
  for (int i = 0; i < pages->count(); ++i) {
    QWidget* page = pages->widget(i);
    if (!page || IsDestroying(page) || SkinCommandAnswered(page, acIsSkinned)) continue;
    AdapterList().push_back(TacMainWnd::Create<TacPageWnd>(page, nullptr, manager, QStringLiteral("CHECKBOX"), true));
    ++made;
  }
  return made;
}

void TacPageControlWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (SkinActive()) {
    QWidget* h = CtrlHandle();
    switch (m.Msg) {
      case WM_ERASEBKGND:
        if (IsWindowVisible(h)) {
          HookPages();
          if (auto* dc = ParamPtr<Canvas>(m.WParam); dc && !FormsLocked) PaintTabs(*dc);
          RecreateSpinIfChanged();
          m.Result = 1;
          return;
        }
        break;
      case WM_NCPAINT:
        HookPages();
        return;
      case WM_PARENTNOTIFY:
        if (LOWORD(m.WParam) == WM_CREATE) HookPages();
        break;
      case TCM_SETCURSEL:
        HookPages();
        if (QWidget* owner = SkinData()->OwnerControl()) NotifyParentForm(owner);
        break;
      default:
        break;
    }
  }
  TacTabControlWnd::AdapterWndProc(m, previous);
}

// ------------------------------------------------------------ pages

TacPageWnd::TacPageWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacMainWnd(handle, skinData, manager, section) {}

QWidget* TacPageWnd::TabControl() const {
  for (QWidget* w = CtrlHandle() ? CtrlHandle()->parentWidget() : nullptr; w; w = w->parentWidget())
    if (qobject_cast<QTabWidget*>(w)) return w;
  return CtrlHandle() ? CtrlHandle()->parentWidget() : nullptr;
}

namespace {

// Where the page lies in its tab control.
TPoint PlaceIn(const QWidget* page, const QWidget* tab) {
  const QPoint p = page->mapTo(tab, QPoint());
  return {p.x(), p.y()};
}

// The tab control's background behind the page: `q` answered, its offset
// moved by the page's place.
void QueryPageBackground(TsBgQuery& q, QWidget* page, QWidget* tab) {
  const TPoint at = PlaceIn(page, tab);
  q.R = Bounds(at.X, at.Y, page->width(), page->height());
  QueryWindowBackground(q, tab, false);
  q.Offset.X += at.X;
  q.Offset.Y += at.Y;
}

}  // namespace

void TacPageWnd::PaintPage(Canvas& dc) {
  QWidget* h = CtrlHandle();
  QWidget* tab = TabControl();
  if (!h || !tab || h == tab) return;
  TsBgQuery q;
  QueryPageBackground(q, h, tab);
  const TRect all = Bounds(0, 0, h->width(), h->height());
  if (q.BgKind == TsBgQuery::FromBitmap && q.Bitmap) {
    dc.CopyRect(all, *q.Bitmap, Bounds(q.Offset.X, q.Offset.Y, all.Width(), all.Height()));
    return;
  }
  dc.Brush.Color = ColorToRGB(q.Color);
  dc.Brush.Style = bsSolid;
  dc.FillRect(all);
  if (!q.Bitmap) return;
  TRect strip = all;
  switch (TabPositionOfStyle(std::uint32_t(GetWindowLong(tab, GWL_STYLE)))) {
    case TacTabPosition::Top: strip.Bottom = strip.Top + 3; break;
    case TacTabPosition::Bottom: strip.Top = strip.Bottom - 3; break;
    case TacTabPosition::Left: strip.Right = strip.Left + 3; break;
    case TacTabPosition::Right: strip.Left = strip.Right - 3; break;
  }
  dc.CopyRect(strip, *q.Bitmap, Bounds(q.Offset.X + strip.Left, q.Offset.Y + strip.Top, strip.Width(), strip.Height()));
}

void TacPageWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  TsCommonData* data = SkinData();
  const TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  if (!sm || !sm->Active() || Destroyed()) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  if (m.Msg == SkinCommandMsg) {
    const bool mine = m.LParam == LPARAM(PtrParam(data->SkinManager()));
    switch (HIWORD(m.WParam)) {
      case acNewSkin:
        ForwardSkinCommand(data->OwnerControl(), h, m);
        if (mine) CommonWindowMessage(m, data);
        return;
      case acRemoveSkin:
      case acRefresh: {
        const bool remove = HIWORD(m.WParam) == acRemoveSkin;
        if (mine) {
          CommonWindowMessage(m, data);
          InvalidateRect(h, nullptr, true);
        }
        ForwardSkinCommand(data->OwnerControl(), h, m);
        if (remove) TacMainWnd::AdapterWndProc(m, previous);
        return;
      }
      case acEndUpdate:
        if (data->UpdatingFlag()) {
          data->SetUpdating(false);
          InvalidateRect(h, nullptr, true);
          return;
        }
        break;
      case acIsSkinned:
        m.Result = 1;
        return;
      case acIsUpdating:
        m.Result = data->Updating() ? 1 : 0;
        return;
      case acBgQuery:
        // The page hands out its tab control's background.
        if (auto* q = ParamPtr<TsBgQuery>(std::uintptr_t(m.LParam)); q && TabControl() && TabControl() != h) {
          const TRect asked = q->R;
          QueryPageBackground(*q, h, TabControl());
          q->R = asked;
        }
        return;
      default:
        break;
    }
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (IsWindowVisible(h)) {
        if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintPage(*dc);
        m.Result = 1;
        return;
      }
      break;
    case WM_NCPAINT:
      return;
    case WM_PRINT:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintPage(*dc);
      m.LParam &= ~LPARAM(PRF_ERASEBKGND);
      PassOn(m, previous);
      m.Result = 1;
      return;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  const WPARAM wParam = m.WParam;
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (alive && msg == WM_PARENTNOTIFY && LOWORD(wParam) == WM_CREATE) NotifyTopParentChanged(h);
}
