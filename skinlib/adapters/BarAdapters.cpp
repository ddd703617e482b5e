#include "skinlib/adapters/BarAdapters.h"

#include "platform/ControlMessages.h"
#include "platform/Menus.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/manager/FastBitmaps.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/TextPainting.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSizeGrip>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

using namespace platform;

namespace {

TRect Local(const QWidget* w) { return Bounds(0, 0, w->width(), w->height()); }

const TFont* ControlFont(QWidget* w) {
  return ParamPtr<const TFont>(std::uintptr_t(SendMessage(w, WM_GETFONT)));
}

// The cache of `data` made 24-bit and sized.
Bitmap& SizedCache(TsCommonData& data, int width, int height) {
  if (!data.CacheBitmap) data.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
  Bitmap& cache = *data.CacheBitmap;
  if (cache.PixelFormat() != pf24bit) cache.SetPixelFormat(pf24bit);
  cache.SetSize(width, height);
  return cache;
}

// Where a window takes its parent's background from: its skin data's
// owner's parent, else the parent window.
TsBgSource ParentBackground(const TsCommonData& data, QWidget* window) {
  TsBgSource bg;
  if (data.OwnerControl())
    data.ParentBgSource(bg);
  else
    ParentWndCacheInfo(window, bg);
  return bg;
}

bool SkinActiveFor(const TsCommonData* data, bool destroyed) {
  const TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  return sm && sm->Active() && !destroyed;
}

// A paint event's canvas, or the one sent along.
Canvas* PaintCanvas(const Message& m, QWidget* window) {
  if (auto* dc = ParamPtr<Canvas>(m.WParam)) return dc;
  return BeginPaint(window);
}

}  // namespace

// ------------------------------------------------------------ tool bars

TacToolButtonState ToolButtonState(bool hot, bool selected, bool checked) {
  if (!hot && !selected && !checked) return TacToolButtonState::Normal;
  if (!selected && !checked) return TacToolButtonState::Hot;
  return TacToolButtonState::Pressed;
}

TacToolBarVCLWnd::TacToolBarVCLWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                                   const QString& section)
    : TacMainWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("TOOLBAR") : section) {
  toolBar_ = qobject_cast<QToolBar*>(SkinData()->OwnerControl());
}

QToolBar* TacToolBarVCLWnd::ToolBar() const { return qobject_cast<QToolBar*>(toolBar_.data()); }

QToolButton* TacToolBarVCLWnd::DroppedButton() const {
  return qobject_cast<QToolButton*>(droppedButton_.data());
}

TacToolBarVCLWnd::~TacToolBarVCLWnd() {
  for (TacButtonHook& b : buttons_) RemoveWindowProc(b.Hook);
}

// A skin without the bar's section leaves the bar and its buttons to Qt.
bool TacToolBarVCLWnd::SkinActive() const {
  return SkinActiveFor(SkinData(), Destroyed()) && CtrlHandle() && SkinData()->Skinned();
}

bool TacToolBarVCLWnd::DefaultDrawing() const {
  return !SkinActive() || !ToolBar() || SkinData()->Updating();
}

void TacToolBarVCLWnd::Install(bool repaint) {
  TacMainWnd::Install(repaint);
  if (!Destroyed()) HookButtons();
}

void TacToolBarVCLWnd::HookButtons() {
  if (!ToolBar()) return;
  std::erase_if(buttons_, [](const TacButtonHook& b) { return !b.Button; });
  for (QAction* a : ToolBar()->actions()) {
    auto* button = qobject_cast<QToolButton*>(ToolBar()->widgetForAction(a));
    if (!button || std::any_of(buttons_.begin(), buttons_.end(), [&](const auto& b) { return b.Button == button; }))
      continue;
    TacButtonHook hook{button, {}};
    hook.Hook = InstallPartHandler(
        button, [this, button](Message& m, const CallPrevious& previous) { ButtonWndProc(button, m, previous); });
    buttons_.push_back(std::move(hook));
  }
}

int TacToolBarVCLWnd::IndexOfButton(const QToolButton* button) const {
  const QList<QAction*> actions = ToolBarButtons(ToolBar());
  for (int i = 0; i < actions.size(); ++i)
    if (ToolBar()->widgetForAction(actions[i]) == button) return i;
  return -1;
}

int TacToolBarVCLWnd::ButtonAt(TPoint p) const {
  QWidget* h = CtrlHandle();
  const int count = int(SendMessage(h, TB_BUTTONCOUNT));
  for (int i = 0; i < count; ++i) {
    TRect r;
    if (!SendMessage(h, TB_GETITEMRECT, WPARAM(i), LPARAM(PtrParam(&r))) || !r.Contains(p.X, p.Y)) continue;
    TBBUTTON b;
    SendMessage(h, TB_GETBUTTON, WPARAM(i), LPARAM(PtrParam(&b)));
    // Separators and dividers are no buttons.
    return b.fsStyle & TBSTYLE_SEP ? -1 : i;
  }
  return -1;
}

TacToolButtonState TacToolBarVCLWnd::ButtonState(int index) const {
  const QList<QAction*> actions = ToolBarButtons(ToolBar());
  if (index < 0 || index >= actions.size()) return TacToolButtonState::Normal;
  auto* button = qobject_cast<QToolButton*>(ToolBar()->widgetForAction(actions[index]));
  const bool selected = (button && button->isDown()) || (button && button == droppedButton_.data());
  return ToolButtonState(index == hotIndex_, selected, actions[index]->isChecked());
}

void TacToolBarVCLWnd::RepaintButton(int index) {
  TRect r;
  if (index >= 0 && SendMessage(CtrlHandle(), TB_GETITEMRECT, WPARAM(index), LPARAM(PtrParam(&r))))
    InvalidateRect(CtrlHandle(), &r, false);
}

void TacToolBarVCLWnd::SetHotIndex(int index) {
  if (index == hotIndex_) return;
  const QList<QAction*> actions = ToolBarButtons(ToolBar());
  // A disabled button never becomes hot.
  if (index >= 0 && index < actions.size() && !actions[index]->isEnabled()) return;
  const int old = hotIndex_;
  hotIndex_ = index;
  const auto down = [&](int i) {
    if (i < 0 || i >= actions.size()) return false;
    auto* b = qobject_cast<QToolButton*>(ToolBar()->widgetForAction(actions[i]));
    return actions[i]->isChecked() || (b && b->isDown());
  };
  if (!down(old)) RepaintButton(old);
  if (!down(index)) RepaintButton(index);
}

void TacToolBarVCLWnd::ButtonWndProc(QToolButton* button, Message& m, const CallPrevious& previous) {
  if (DefaultDrawing()) return previous(m);
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_PAINT:
      // The bar paints its buttons; a WM_PAINT outside a paint event asks
      // for the bar's.
      if (!m.WParam && !BeginPaint(button)) RepaintButton(IndexOfButton(button));
      return;
    case kCmMouseEnter: {
      QPointer<QWidget> alive(button);
      previous(m);
      if (alive && !Destroyed() && GetOrdProperty(ToolBar(), QStringLiteral("Flat")) != 1)
        SetHotIndex(IndexOfButton(button));
      return;
    }
    case kCmMouseLeave: {
      QPointer<QWidget> alive(button);
      previous(m);
      if (alive && !Destroyed() && hotIndex_ == IndexOfButton(button) && !droppedButton_) SetHotIndex(-1);
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case BM_SETSTATE:
    case BM_SETCHECK: {
      QPointer<QWidget> alive(button);
      previous(m);
      if (alive && !Destroyed()) RepaintButton(IndexOfButton(button));
      return;
    }
    default:
      break;
  }
  previous(m);
}

void TacToolBarVCLWnd::PrepareCache() {
  TsCommonData& data = *SkinData();
  const TacWindowParams p = GetWindowParams();
  Bitmap& cache = SizedCache(data, p.WndSize.width(), p.WndSize.height());
  const TsBgSource bg = ParentBackground(data, CtrlHandle());
  PaintControlItem(data, bg, cache, Bounds(0, 0, cache.Width(), cache.Height()), p.WndPos, 0, true);
  data.BackgroundDirty = false;
}

void TacToolBarVCLWnd::PaintBar(Canvas& dc) {
  if (DefaultDrawing()) return;
  TsCommonData& data = *SkinData();
  QWidget* h = CtrlHandle();
  if (data.BackgroundDirty || !data.CacheBitmap || data.CacheBitmap->Width() != h->width() ||
      data.CacheBitmap->Height() != h->height())
    PrepareCache();
  const TRect client = ClientRectInWindow(h);
  dc.CopyRect(Bounds(0, 0, client.Width(), client.Height()), *data.CacheBitmap, client);
  HookButtons();
  const int count = int(SendMessage(h, TB_BUTTONCOUNT));
  for (int i = 0; i < count; ++i) {
    TRect r;
    TBBUTTON b;
    if (!SendMessage(h, TB_GETITEMRECT, WPARAM(i), LPARAM(PtrParam(&r))) || r.IsEmpty()) continue;
    SendMessage(h, TB_GETBUTTON, WPARAM(i), LPARAM(PtrParam(&b)));
    if (b.fsStyle & TBSTYLE_SEP) continue;  // Qt draws its separators
    // A widget of the program's own in the bar paints itself.
    const QList<QAction*> actions = ToolBarButtons(ToolBar());
    if (i >= actions.size() || !qobject_cast<QToolButton*>(ToolBar()->widgetForAction(actions[i]))) continue;
    if (!dc.RectVisible(r)) continue;
    Bitmap bmp(r.Width(), r.Height(), pf24bit);
    PaintButton(bmp, i);
    dc.Draw(r.Left, r.Top, bmp);
  }
}

void TacToolBarVCLWnd::PaintButton(Bitmap& bmp, int index) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  TsSkinManager* sm = data.SkinManager();
  const QList<QAction*> actions = ToolBarButtons(ToolBar());
  if (!sm || !h || index < 0 || index >= actions.size() || bmp.Empty()) return;
  QAction* action = actions[index];
  TRect item;
  SendMessage(h, TB_GETITEMRECT, WPARAM(index), LPARAM(PtrParam(&item)));
  if (data.BackgroundDirty || !data.CacheBitmap) PrepareCache();
  const TsBgSource barBg{data.CacheBitmap.get(), 0, 0, KeyColor, true};
  const TacToolButtonState state = ButtonState(index);
  const QString name = QStringLiteral("TOOLBUTTON");
  const int section = sm->IndexOfSection(name);
  const TRect all = Bounds(0, 0, bmp.Width(), bmp.Height());
  // The bar's background first: a section that is not there leaves it.
  bmp.GetCanvas().CopyRect(all, *data.CacheBitmap, item);
  bmp.GetCanvas().EndPainting();
  const int mask = sm->IsValidSectionIndex(section) ? sm->FindMaskIndex(section, name, QStringLiteral("BORDERSMASK"))
                                                    : -1;
  TBBUTTON b;
  SendMessage(h, TB_GETBUTTON, WPARAM(index), LPARAM(PtrParam(&b)));
  const bool dropDown = b.fsStyle & TBSTYLE_DROPDOWN;
  const int arrowWidth = dropDown ? GetSystemMetrics(SM_CXVSCROLL) - 2 : 0;
  TRect face = all;
  face.Right -= arrowWidth;
  if (sm->IsValidSectionIndex(section)) {
    PaintSectionBackground(section, name, barBg, KeyColor, -1, -1, sm, bmp, {item.Left, item.Top}, face, int(state));
    if (sm->IsValidMaskIndex(mask))
      PaintMaskRect(bmp, face, false, {data.CacheBitmap.get(), item.Left, item.Top, KeyColor, true},
                    sm->MaskData[size_t(mask)], int(state), true);
  }
  const int pressed = state == TacToolButtonState::Pressed ? 1 : 0;
  Canvas& c = bmp.GetCanvas();
  if (const TFont* font = ControlFont(ToolBar())) c.Font = *font;
  const Qt::ToolButtonStyle style = ToolBar()->toolButtonStyle();
  const bool showCaptions = style != Qt::ToolButtonIconOnly;
  const bool list = style == Qt::ToolButtonTextBesideIcon;
  const QIcon icon = style == Qt::ToolButtonTextOnly ? QIcon() : action->icon();
  const QSize iconSize = icon.isNull() ? QSize() : ToolBar()->iconSize();
  const int textHeight = showCaptions ? c.TextHeight(QStringLiteral("A")) + 3 : 0;
  if (!iconSize.isEmpty()) {
    int x, y;
    if (list) {
      x = 5;
      y = (face.Height() - iconSize.height()) / 2;
    } else {
      x = (face.Width() - iconSize.width()) / 2;
      y = (face.Height() - iconSize.height() - textHeight) / 2;
    }
    const QIcon::Mode mode = !action->isEnabled() ? QIcon::Disabled
                             : state == TacToolButtonState::Hot ? QIcon::Active
                                                                : QIcon::Normal;
    if (QPainter* p = c.Painter())
      p->drawPixmap(x + pressed, y + pressed, icon.pixmap(iconSize, mode, action->isChecked() ? QIcon::On : QIcon::Off));
    c.EndPainting();
  }
  if (showCaptions && sm->IsValidSectionIndex(section)) {
    const int fontSection = data.GetFontSectionIndex(ToolBar(), section);
    TRect tr;
    if (list) {
      tr = {iconSize.isEmpty() ? 1 : iconSize.width() + 6, 2, face.Right, face.Bottom - 2};
    } else {
      const int top = iconSize.isEmpty() ? (face.Height() - textHeight) / 2
                                         : (face.Height() - iconSize.height() - textHeight) / 2 + iconSize.height();
      tr = {0, top, face.Right, top + textHeight};
    }
    tr = OffsetRect(tr, pressed, pressed);
    WriteSectionText(c, action->iconText(), action->isEnabled(), tr, state != TacToolButtonState::Normal,
                     sm->IsValidSectionIndex(fontSection) ? fontSection : section,
                     DT_CENTER | DT_VCENTER | DT_SINGLELINE, sm);
  }
  if (dropDown) {
    const TRect part{face.Right, 0, all.Right, all.Bottom};
    if (sm->IsValidMaskIndex(mask))
      PaintMaskRect(bmp, part, true, {data.CacheBitmap.get(), item.Left, item.Top, KeyColor, true},
                    sm->MaskData[size_t(mask)], int(state), true);
    const TColor arrow = sm->IsValidSectionIndex(section) ? sm->GeneralData[size_t(section)].FontColor[0] : clBlack;
    const int cx = (part.Left + part.Right) / 2, cy = all.Bottom / 2;
    c.Brush.Color = ColorToRGB(arrow);
    c.Brush.Style = bsSolid;
    c.Pen.Color = ColorToRGB(arrow);
    c.Polygon({{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}});
    c.EndPainting();
  }
  // A disabled button lies faded over the bar's background.
  if (!action->isEnabled()) FillBgFromCacheInfo(bmp, kBgCover, h, {data.CacheBitmap.get(), item.Left, item.Top, KeyColor, true}, {0, 0});
}

void TacToolBarVCLWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  TsCommonData* data = SkinData();
  QWidget* h = CtrlHandle();
  if (!data) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  if (m.Msg == SkinCommandMsg) {
    const unsigned command = HIWORD(m.WParam);
    if ((command == acRemoveSkin || command == acRefresh) && m.LParam == LPARAM(PtrParam(data->SkinManager())))
      droppedButton_ = nullptr;
    if (command == acBgQuery && m.LParam) {
      GetWindowParams();
      auto* q = ParamPtr<TsBgQuery>(std::uintptr_t(m.LParam));
      data->FillBgQuery(*q, false, h);
      const TRect client = ClientRectInWindow(h);
      q->Offset.X += client.Left;
      q->Offset.Y += client.Top;
      return;
    }
  }
  if (SkinActive()) {
    switch (m.Msg) {
      case WM_ERASEBKGND:
        if (!DefaultDrawing()) {
          m.Result = 1;
          return;
        }
        break;
      case WM_PAINT:
        if (!DefaultDrawing()) {
          if (Canvas* dc = PaintCanvas(m, h))
            PaintBar(*dc);
          else
            InvalidateRect(h, nullptr, false);
          return;
        }
        break;
      case WM_NCPAINT:
        return;  // a tool bar has no frame band
      case WM_PRINT:
        if (ToolBar() && !DefaultDrawing()) {
          if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintBar(*dc);
          m.LParam &= ~LPARAM(PRF_ERASEBKGND | PRF_CLIENT);
          PassOn(m, previous);
          return;
        }
        break;
      case CN_NOTIFY:
        if (const auto* n = ParamPtr<const NMTOOLBAR>(std::uintptr_t(m.LParam))) {
          if (n->hdr.code == TBN_DELETINGBUTTON && hotIndex_ >= int(SendMessage(h, TB_BUTTONCOUNT))) hotIndex_ = -1;
          if (n->hdr.code == TBN_DROPDOWN && ToolBar()) {
            for (QAction* a : ToolBarButtons(ToolBar()))
              if (int(GetCommandId(a)) == n->iItem)
                droppedButton_ = qobject_cast<QToolButton*>(ToolBar()->widgetForAction(a));
            if (DroppedButton()) RepaintButton(IndexOfButton(DroppedButton()));
          }
        }
        break;
      default:
        break;
    }
    if (CommonWindowMessage(m, data)) return;
  }
  const unsigned msg = m.Msg;
  const LPARAM lParam = m.LParam;
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (!alive || !SkinActive()) return;
  const bool flat = GetOrdProperty(ToolBar(), QStringLiteral("Flat")) == 1;
  switch (msg) {
    case WM_SIZE:
      data->BackgroundDirty = true;
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE);
      break;
    case WM_MOUSEMOVE:
      if (ToolBar() && !flat) SetHotIndex(ButtonAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
      break;
    case CN_DROPDOWNCLOSED:
      if (QToolButton* dropped = DroppedButton()) {
        hotIndex_ = -1;
        droppedButton_ = nullptr;
        RepaintButton(IndexOfButton(dropped));
      }
      break;
    case kCmMouseLeave:
      if (ToolBar() && !flat && hotIndex_ >= 0) {
        const int old = hotIndex_;
        hotIndex_ = -1;
        if (ButtonState(old) == TacToolButtonState::Normal) RepaintButton(old);
      }
      break;
    case WM_PARENTNOTIFY:
    case CM_CONTROLLISTCHANGE:
      HookButtons();
      break;
    default:
      break;
  }
}

// ------------------------------------------------------------ status bars

TacStatusBarWnd::TacStatusBarWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                                 const QString& section)
    : TacMainWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("STATUSBAR") : section) {
  statusBar_ = qobject_cast<QStatusBar*>(SkinData()->OwnerControl());
}

QStatusBar* TacStatusBarWnd::StatusBar() const { return qobject_cast<QStatusBar*>(statusBar_.data()); }

TacStatusBarWnd::~TacStatusBarWnd() {
  for (TacLabelHook& l : labels_) RemoveWindowProc(l.Hook);
}

// A skin without the bar's section leaves the bar and its labels to Qt.
bool TacStatusBarWnd::SkinActive() const {
  return SkinActiveFor(SkinData(), Destroyed()) && CtrlHandle() && SkinData()->Skinned();
}

bool TacStatusBarWnd::Simple() const { return SendMessage(CtrlHandle(), SB_ISSIMPLE) != 0; }

std::vector<TRect> TacStatusBarWnd::PanelRects() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  if (Simple()) return {TRect{0, 1, h->width() - 1, h->height() - 1}};
  const int count = int(SendMessage(h, SB_GETPARTS, 0, 0));
  std::vector<TRect> rects;
  for (int i = 0; i < count; ++i) {
    TRect r;
    if (SendMessage(h, SB_GETRECT, WPARAM(i), LPARAM(PtrParam(&r)))) rects.push_back(InflateRect(r, -1, -1));
  }
  return rects;
}

namespace {

// DT_ flags of a label's horizontal alignment.
unsigned AlignmentFlags(const QLabel* label) {
  const Qt::Alignment a = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
  return a & Qt::AlignRight ? DT_RIGHT : a & Qt::AlignHCenter ? DT_CENTER : DT_LEFT;
}

}  // namespace

QString TacStatusBarWnd::PanelText(int index) const {
  QWidget* h = CtrlHandle();
  auto* bar = qobject_cast<QStatusBar*>(h);
  if (!bar) return GetWindowText(h);
  if (index < 0) return bar->currentMessage();
  const QList<QWidget*> parts = StatusBarParts(bar);
  if (index >= parts.size()) return {};
  if (auto* label = qobject_cast<QLabel*>(parts[index])) return label->text();
  return {};
}

void TacStatusBarWnd::HookLabels() {
  auto* bar = qobject_cast<QStatusBar*>(CtrlHandle());
  if (!bar) return;
  std::erase_if(labels_, [](const TacLabelHook& l) { return !l.Label; });
  for (QLabel* label : bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (std::any_of(labels_.begin(), labels_.end(), [&](const auto& l) { return l.Label == label; })) continue;
    TacLabelHook hook{label, {}};
    // The bar paints the label's text; the label paints nothing.
    hook.Hook = InstallPartHandler(label, [this, label](Message& m, const CallPrevious& previous) {
      if (!SkinActive() || (m.Msg != WM_ERASEBKGND && m.Msg != WM_PAINT)) return previous(m);
      if (m.Msg == WM_PAINT && !m.WParam && !BeginPaint(label)) {
        const QRect g = label->geometry();
        const TRect r = Bounds(g.x(), g.y(), g.width(), g.height());
        InvalidateRect(CtrlHandle(), &r, false);
      }
      m.Result = 1;
    });
    labels_.push_back(std::move(hook));
  }
}

void TacStatusBarWnd::PaintPanels(Bitmap& cache) {
  TsCommonData& data = *SkinData();
  TsSkinManager* sm = data.SkinManager();
  QWidget* h = CtrlHandle();
  const std::vector<TRect> panels = PanelRects();
  const int panelMask = sm->IsValidSectionIndex(data.SectionIndex)
                            ? sm->FindMaskIndex(data.SectionIndex, data.SkinSection(), QStringLiteral("STATUSPANELMASK"))
                            : -1;
  const TsBgSource own{&cache, 0, 0, KeyColor, true};
  const int divider = sm->IndexOfSection(QStringLiteral("DIVIDER"));
  const int dividerMask = sm->IsValidSectionIndex(divider)
                              ? sm->FindMaskIndex(divider, QStringLiteral("DIVIDER"), QStringLiteral("BORDERSMASK"))
                              : -1;
  Canvas& c = cache.GetCanvas();
  const bool simple = Simple();
  for (size_t i = 0; i < panels.size(); ++i) {
    const TRect& r = panels[i];
    if (r.IsEmpty()) continue;
    if (sm->IsValidMaskIndex(panelMask)) {
      PaintMaskRect(cache, IntersectRect(r, Local(h)), true, own, sm->MaskData[size_t(panelMask)], 0, true);
    } else if (i + 1 < panels.size() && sm->IsValidMaskIndex(dividerMask)) {
      const int w = std::max(2, sm->GetMaskFrameSize(dividerMask).width() - 1);
      const TRect line = IntersectRect(Bounds(r.Right + 1 - w / 2, 1, w, h->height() - 2), Local(h));
      if (!line.IsEmpty()) PaintMaskRect(cache, line, true, own, sm->MaskData[size_t(dividerMask)], 0, true);
    }
    QString text = PanelText(simple ? -1 : int(i));
    if (text.isEmpty()) continue;
    if (const TFont* font = ControlFont(h)) c.Font = *font;
    unsigned align = DT_LEFT;
    if (auto* bar = qobject_cast<QStatusBar*>(h); bar && !simple) {
      const QList<QWidget*> parts = StatusBarParts(bar);
      if (i < size_t(parts.size()))
        if (auto* label = qobject_cast<QLabel*>(parts[int(i)])) align = AlignmentFlags(label);
    }
    TRect tr = InflateRect(r, -2, 0);
    QString cut;
    CutTextToWidth(c, text, tr.Width(), cut);
    WriteSectionText(c, cut, h->isEnabled(), tr, false, data.SectionIndex, DT_VCENTER | DT_SINGLELINE | align, sm);
  }
  c.EndPainting();
}

void TacStatusBarWnd::PaintStatusBar(Canvas& dc) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!data.SkinManager()) return;
  HookLabels();
  const TacWindowParams p = GetWindowParams();
  Bitmap& cache = SizedCache(data, p.WndSize.width(), p.WndSize.height());
  if (cache.Empty()) return;
  const TsBgSource bg = ParentBackground(data, h);
  PaintControlItem(data, bg, cache, Bounds(0, 0, cache.Width(), cache.Height()), p.WndPos, 0, true);
  PaintPanels(cache);
  data.BackgroundDirty = false;
  dc.Draw(0, 0, cache);
}

void TacStatusBarWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  switch (m.Msg) {
    case WM_PAINT:
      if (auto* dc = ParamPtr<Canvas>(m.WParam))
        PaintStatusBar(*dc);
      else if (!BeginPaint(h))
        InvalidateRect(h, nullptr, true);
      return;
    case WM_ERASEBKGND:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintStatusBar(*dc);
      m.Result = 1;
      return;
    case WM_PRINT:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintStatusBar(*dc);
      m.LParam &= ~LPARAM(PRF_ERASEBKGND | PRF_CLIENT);
      PassOn(m, previous);
      return;
    case WM_NCPAINT:
      return;  // a status bar has no frame band
    default:
      break;
  }
  const unsigned msg = m.Msg;
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (alive && SkinActive() && msg == WM_SIZE) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

// ------------------------------------------------------------ speed buttons

bool IsSpeedButton(const QWidget* control) {
  return qobject_cast<const QToolButton*>(control) && GetClassName(control) == QLatin1String("TSpeedButton");
}

TacSpeedButtonHandler::TacSpeedButtonHandler(QToolButton* ctrl, const QString& skinSection, TsSkinManager* manager,
                                             TsCommonData* skinData)
    : ctrl_(ctrl), skinManager_(manager ? manager : (skinData ? skinData->SkinManager() : nullptr)),
      skinData_(skinData) {
  if (skinData_ && skinData_->SkinSection().isEmpty()) skinData_->SetSkinSection(skinSection);
  if (ctrl_)
    oldProc_ = InstallWindowProc(
        ctrl_, [this](Message& m, const CallPrevious& previous) { WndProc(m, previous); }, WindowProcLevel::Control);
}

// The button gets its own handling back in every case while it exists: a
// handler left in its chain would route its messages to freed memory.
TacSpeedButtonHandler::~TacSpeedButtonHandler() {
  RemoveWindowProc(oldProc_);
  destroyed_ = true;
  skinManager_ = nullptr;
}

QToolButton* TacSpeedButtonHandler::Ctrl() const { return qobject_cast<QToolButton*>(ctrl_.data()); }

bool TacSpeedButtonHandler::Skinned() const {
  return !destroyed_ && Ctrl() && skinData_ && skinData_->SkinManager() && skinData_->SkinManager()->Active();
}

bool TacSpeedButtonHandler::ForThisManager(const Message& m) const {
  return m.LParam == LPARAM(PtrParam(skinManager_.data()));
}

TacSpeedButtonState TacSpeedButtonHandler::State() const {
  QToolButton* ctrl = Ctrl();
  if (!ctrl) return TacSpeedButtonState::Normal;
  if (ctrl->isDown() || ctrl->isChecked()) return TacSpeedButtonState::Pressed;
  if (skinData_ && (skinData_->ControlIsActive() || skinData_->MouseAbove)) return TacSpeedButtonState::Hot;
  return TacSpeedButtonState::Normal;
}

void TacSpeedButtonHandler::WndProc(Message& m, const CallPrevious& previous) {
  if (!Skinned()) return previous(m);
  TsCommonData& data = *skinData_;
  QToolButton* ctrl = Ctrl();
  if (m.Msg == SkinCommandMsg) {
    switch (HIWORD(m.WParam)) {
      case acEndUpdate:
        if (data.UpdatingFlag()) {
          data.SetUpdating(false);
          ctrl->update();
        }
        return;
      case acNewSkin:
        if (ForThisManager(m)) {
          HandleSkinCommand(m, &data);
          return;
        }
        break;
      case acRemoveSkin:
        if (ForThisManager(m) && !IsDestroying(ctrl)) {
          HandleSkinCommand(m, &data);
          if (ctrl->isVisible()) ctrl->update();
        }
        break;
      case acRefresh:
        if (ForThisManager(m)) {
          HandleSkinCommand(m, &data);
          if (ctrl->isVisible()) ctrl->update();
          return;
        }
        break;
      case acIsSkinned:
        m.Result = 1;
        return;
      case acAppActivated:
        data.SetUpdating(false);
        data.BackgroundDirty = true;
        ctrl->update();
        break;
      case acGetApplication:
        m.Result = LRESULT(PtrParam(QCoreApplication::instance()));
        return;
      default:
        break;
    }
    return previous(m);
  }
  switch (m.Msg) {
    case WM_PAINT:
      // A skin without the button's section leaves it to Qt.
      if (data.SectionIndex < 0) data.RefreshSkinIndexes();
      if (!data.Skinned()) return previous(m);
      // Nothing without a device context.
      if (Canvas* dc = PaintCanvas(m, ctrl)) PaintButton(*dc);
      return;
    case kCmMouseEnter:
    case kCmMouseLeave: {
      data.MouseAbove = m.Msg == kCmMouseEnter;
      QPointer<QWidget> alive(ctrl);
      previous(m);
      if (alive) alive->update();
      return;
    }
    default:
      break;
  }
  previous(m);
}

void TacSpeedButtonHandler::PaintButton(Canvas& dc) {
  QToolButton* ctrl = Ctrl();
  TsCommonData& data = *skinData_;
  TsSkinManager* sm = data.SkinManager();
  if (!ctrl || !sm || ctrl->width() < 1 || ctrl->height() < 1) return;
  ++paintCount_;
  const int saved = dc.SaveDC();
  if (data.SectionIndex < 0) data.RefreshSkinIndexes();
  Bitmap& cache = SizedCache(data, ctrl->width(), ctrl->height());
  Canvas& c = cache.GetCanvas();
  if (const TFont* font = ControlFont(ctrl)) c.Font = *font;
  TsBgSource bg;
  if (QWidget* parent = ctrl->parentWidget()) {
    TsBgQuery q;
    q.R = Bounds(ctrl->x(), ctrl->y(), ctrl->width(), ctrl->height());
    QueryControlBackground(q, parent, false);
    CacheInfoFromBgInfo(q, bg);
  }
  const TacSpeedButtonState state = State();
  const bool pressed = state == TacSpeedButtonState::Pressed;
  const TRect all = Local(ctrl);
  PaintControlItem(data, bg, cache, all, {ctrl->x(), ctrl->y()}, int(state), true);
  if (data.OwnerControl() == ctrl) PaintAllBorders(data);
  const Qt::ToolButtonStyle style = ctrl->toolButtonStyle();
  const QIcon icon = style == Qt::ToolButtonTextOnly ? QIcon() : ctrl->icon();
  const QSize glyph = icon.isNull() ? QSize() : ctrl->iconSize();
  QString text = style == Qt::ToolButtonIconOnly && !icon.isNull() ? QString() : ctrl->text();
  const QSize textSize = text.isEmpty() ? QSize() : CanvasTextSize(c, text);
  const TacGlyphLayout layout = style == Qt::ToolButtonTextUnderIcon ? TacGlyphLayout::GlyphTop
                                                                      : TacGlyphLayout::GlyphLeft;
  const unsigned flags = CaptionDrawFlags(ctrl, taCenter);
  const TacGlyphTextLayout placed = CalcGlyphTextLayout(InflateRect(all, -2, -2), glyph, flags & DT_RIGHT, textSize,
                                                        -1, 4, TacCaptionAlignment::Center, layout);
  const int shift = pressed ? 1 : 0;
  if (!glyph.isEmpty()) {
    if (QPainter* p = c.Painter())
      p->drawPixmap(placed.GlyphPos.X + shift, placed.GlyphPos.Y + shift,
                    icon.pixmap(glyph, !ctrl->isEnabled() ? QIcon::Disabled
                                       : state == TacSpeedButtonState::Hot ? QIcon::Active
                                                                            : QIcon::Normal));
    c.EndPainting();
  }
  if (!text.isEmpty()) {
    TRect tr = OffsetRect(placed.TextBounds, shift, shift);
    WriteSectionText(c, text, ctrl->isEnabled(), tr, state != TacSpeedButtonState::Normal, data.SectionIndex,
                     (flags & ~unsigned(DT_VCENTER)) | DT_WORDBREAK | DT_EXPANDTABS, sm);
  }
  c.EndPainting();
  dc.CopyRect(all, cache, all);
  dc.RestoreDC(saved);
}
