#include "skinlib/adapters/PanelAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/ControlMessages.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/TextPainting.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAction>
#include <QCoreApplication>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

using namespace platform;

namespace {

TRect Local(int w, int h) { return Bounds(0, 0, w, h); }

bool IsActiveSkin(const TsCommonData* data) {
  const TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  return sm && sm->Active();
}

// The window's parent background laid over the whole bitmap: the parent's
// cache where it hands one out, else its colour.
void FillWithParentBackground(Bitmap& bmp, QWidget* window) {
  TsBgSource bg;
  ParentWndCacheInfo(window, bg);
  if (bg.Bitmap) {
    bmp.GetCanvas().CopyRect(Local(bmp.Width(), bmp.Height()), *bg.Bitmap,
                             Bounds(bg.X, bg.Y, bmp.Width(), bmp.Height()));
    return;
  }
  TColor color = bg.FillColor;
  if (color == KeyColor) color = GetWndBgColor(GetParent(window));
  bmp.Fill(ToQColor(ColorToRGB(color == KeyColor ? clBtnFace : color)).rgb());
}

// WM_PARENTNOTIFY about a child control made or gone: `pass` (the base's
// handling), then, for a new child, the parent form told. False for any
// other notice (nothing done).
template <class Pass>
bool ChildNotice(const Message& m, QWidget* window, Pass pass) {
  const unsigned what = LOWORD(m.WParam);
  if (what != WM_CREATE && what != WM_DESTROY) return false;
  QPointer<QWidget> alive(window);
  pass();
  if (alive && what == WM_CREATE) NotifyParentForm(window);
  return true;
}

// The four bands `b` wide of the cache copied to the window's canvas.
void CopyCacheBands(Canvas& dc, const Bitmap& cache, int b) {
  if (b <= 0 || cache.Empty()) return;
  Bitmap& source = const_cast<Bitmap&>(cache);
  CopyDCBorder(dc, 0, 0, cache.Width(), 0, 0, source.GetCanvas(), cache.Height(), b);
}

QString Bevel(const QObject* panel, const char* name, const QString& absent) {
  const QString text = GetPropertyText(panel, QString::fromLatin1(name));
  return text.isEmpty() ? absent : text;
}

int OrdOr(const QObject* object, const char* name, int absent) {
  const int value = GetOrdProperty(object, QString::fromLatin1(name));
  return value < 0 ? absent : value;
}

}  // namespace

// ------------------------------------------------------------ panels

QString PanelSectionByBevels(const QString& bevelOuter, const QString& bevelInner, const QString& borderStyle) {
  if (bevelOuter == QLatin1String("bvLowered"))
    return bevelInner == QLatin1String("bvRaised") ? QStringLiteral("GROUPBOX") : QStringLiteral("PANEL_LOW");
  if (bevelOuter == QLatin1String("bvRaised"))
    return bevelInner == QLatin1String("bvLowered") ? QStringLiteral("GROUPBOX") : QStringLiteral("PANEL");
  return borderStyle == QLatin1String("bsSingle") ? QStringLiteral("PANEL_LOW") : QStringLiteral("CHECKBOX");
}

// A panel's defaults: a raised outer bevel, no inner one, no border.
QString PanelSectionOf(const QObject* panel) {
  return PanelSectionByBevels(Bevel(panel, "BevelOuter", QStringLiteral("bvRaised")),
                              Bevel(panel, "BevelInner", QStringLiteral("bvNone")),
                              Bevel(panel, "BorderStyle", QStringLiteral("bsNone")));
}

bool PanelAcceptsControls(const QObject* panel) {
  if (!panel) return false;
  const QString name = QStringLiteral("ControlStyle");
  QStringList elements;
  if (GetSetElements(panel, name, elements)) return elements.contains(QLatin1String("csAcceptsControls"));
  const std::optional<QVariant> value = GetPublishedProperty(panel, name);
  if (!value) return true;
  if (value->typeId() == QMetaType::QStringList) return value->toStringList().contains(QLatin1String("csAcceptsControls"));
  static const QRegularExpression separators(QStringLiteral("[\\s,\\[\\]]+"));
  return value->toString().split(separators, Qt::SkipEmptyParts).contains(QLatin1String("csAcceptsControls"));
}

TRect PanelCaptionRect(const QWidget* panel) {
  TRect r = ClientRectInWindow(panel);
  if (!panel) return r;
  const int bevelWidth = OrdOr(panel, "BevelWidth", 1);
  int inset = OrdOr(panel, "BorderWidth", 0);
  if (Bevel(panel, "BevelOuter", QStringLiteral("bvRaised")) != QLatin1String("bvNone")) inset += bevelWidth;
  if (Bevel(panel, "BevelInner", QStringLiteral("bvNone")) != QLatin1String("bvNone")) inset += bevelWidth;
  return InflateRect(r, -inset, -inset);
}

TacPanelWnd::TacPanelWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacMainWnd(handle, skinData, manager,
                 section.isEmpty() && skinData && skinData->OwnerControl() ? PanelSectionOf(skinData->OwnerControl())
                                                                           : section) {}

bool TacPanelWnd::Handles() const {
  QWidget* owner = SkinData() ? SkinData()->OwnerControl() : nullptr;
  return owner && PanelAcceptsControls(owner) && !Destroyed();
}

int TacPanelWnd::BorderSize() const {
  QWidget* h = CtrlHandle();
  return h ? std::max(0, (h->width() - GetClientRect(h).Width()) / 2) : 0;
}

void TacPanelWnd::PrepareCache() {
  TsCommonData& data = *SkinData();
  QWidget* panel = data.OwnerControl();
  if (!panel) return;
  data.PrepareCacheBitmap24();
  Bitmap& cache = *data.CacheBitmap;
  if (cache.Width() != panel->width() || cache.Height() != panel->height()) cache.SetSize(panel->width(), panel->height());
  TsBgSource bg;
  data.ParentBgSource(bg);
  PaintControlItem(data, bg, cache, Local(cache.Width(), cache.Height()), {panel->x(), panel->y()}, 0, true);
  const QString text = Caption();
  if (!text.isEmpty()) {
    Canvas& canvas = cache.GetCanvas();
    canvas.SetBkMode(TRANSPARENT);
    if (auto* font = ParamPtr<const TFont>(std::uintptr_t(SendMessage(panel, WM_GETFONT)))) canvas.Font = *font;
    TRect r = PanelCaptionRect(panel);
    // One line centred the way DT_VCENTER centres a single line.
    const int textHeight = canvas.TextHeight(QStringLiteral("W"));
    r.Top += (r.Height() - textHeight) / 2;
    r.Bottom = r.Top + textHeight;
    WriteControlText(canvas, text, panel->isEnabled(), false, data, DT_CENTER | DT_VCENTER, r, data.SkinManager());
  }
  data.BackgroundDirty = false;
}

void TacPanelWnd::PaintClient(Canvas& dc) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!h || IsDestroying(h)) return;
  const int saved = dc.SaveDC();
  data.SetUpdating(data.Updating());
  if (!data.UpdatingFlag()) {
    if (data.BackgroundDirty || !data.CacheBitmap) PrepareCache();
    const int b = BorderSize();
    if (data.CacheBitmap)
      CopyBgExcludingChildControls(h, data, {b, b}, 0, 0, false, dc, TRect{b, b, h->width() - b, h->height() - b});
    PaintGraphicChildren(dc, h, {0, 0});
    NotifyChildrenUpdated(h);
  }
  dc.RestoreDC(saved);
}

void TacPanelWnd::PaintBorder(Canvas* dc) {
  QWidget* h = CtrlHandle();
  if (!dc || !h) return;
  TsCommonData& data = *SkinData();
  SendMessage(h, SkinCommandMsg, MAKEWPARAM(0, acPrepareCache), 0);
  if (data.BackgroundDirty || !data.CacheBitmap) PrepareCache();
  if (data.CacheBitmap) CopyCacheBands(*dc, *data.CacheBitmap, BorderSize());
}

void TacPanelWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!Handles()) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (m.Msg == SkinCommandMsg && IsActiveSkin(&data)) {
    switch (HIWORD(m.WParam)) {
      case acEndUpdate:
        data.SetUpdating(false);
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        return;
      case acRefresh: {
        // The base refreshes this panel (and forwards a new skin itself);
        // a refresh goes on to the children here.
        QPointer<QWidget> alive(h);
        Message children = m;
        TacMainWnd::AdapterWndProc(m, previous);
        if (alive && !Destroyed()) ForwardSkinCommand(data.OwnerControl(), h, children);
        return;
      }
      case acRemoveSkin:
        data.SectionIndex = -1;
        if (QWidget* owner = data.OwnerControl()) SetControlStyle(owner, GetControlStyle(owner) & ~csOpaque);
        break;
      case acPrepareCache:
        if (data.BackgroundDirty) PrepareCache();
        return;
      default:
        break;
    }
  } else if (data.Skinned(true)) {
    switch (m.Msg) {
      case WM_NCPAINT:
        PaintBorder(GetWindowDC(h));
        m.Result = 0;
        return;
      case WM_SETTEXT:
        if (IsWindowVisible(h)) {
          QPointer<QWidget> alive(h);
          SendMessage(h, WM_SETREDRAW, 0);
          TacMainWnd::AdapterWndProc(m, previous);
          if (!alive || Destroyed()) return;
          SendMessage(h, WM_SETREDRAW, 1);
          data.BackgroundDirty = true;
          InvalidateRect(h, nullptr, false);
          return;
        }
        break;
      case WM_PAINT:
        // Everything was painted with the background.
        m.Result = 0;
        return;
      case WM_ERASEBKGND:
        if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintClient(*dc);
        m.Result = 1;
        return;
      case WM_UPDATEUISTATE:
        m.Result = 1;
        return;
      case WM_PARENTNOTIFY:
        if (ChildNotice(m, h, [&] { TacMainWnd::AdapterWndProc(m, previous); })) return;
        break;
      case WM_PRINT:
        if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
          data.BackgroundDirty = true;
          PaintClient(*dc);
          PaintBorder(dc);
        }
        return;
      case WM_SIZE:
        data.BackgroundDirty = true;
        break;
      default:
        break;
    }
  }
  TacMainWnd::AdapterWndProc(m, previous);
}

// ------------------------------------------------------------ dialog panels

namespace {

QWidget* DialogPanelControl(QWidget* handle) { return handle ? ControlFromWindow(handle) : nullptr; }

bool IsClassTPanel(const QWidget* control) { return control && GetClassName(control) == QLatin1String("TPanel"); }

}  // namespace

TacDlgPanelWnd::TacDlgPanelWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString&)
    : TacMainWnd(handle, skinData, manager,
                 IsClassTPanel(DialogPanelControl(handle)) ? QStringLiteral("CHECKBOX") : QStringLiteral("GROUPBOX")),
      control_(DialogPanelControl(handle)) {
  // The section argument is overridden, also over a section the skin data had.
  SkinData()->SetSkinSection(IsClassTPanel(control_) ? QStringLiteral("CHECKBOX") : QStringLiteral("GROUPBOX"));
  if (IsClassTPanel(control_)) FollowGlobalColor();
}

void TacDlgPanelWnd::FollowGlobalColor() {
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (control_ && sm && GetControlColor(control_) != sm->GlobalSectionColor())
    SetControlColor(control_, sm->GlobalSectionColor());
}

void TacDlgPanelWnd::ApplySkinParams() {
  TacMainWnd::ApplySkinParams();
  FollowGlobalColor();
}

void TacDlgPanelWnd::PrepareCache() {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!h) return;
  const TacWindowParams p = GetWindowParams();
  data.PrepareCacheBitmap24();
  Bitmap& cache = *data.CacheBitmap;
  if (cache.Width() != p.WndSize.width() || cache.Height() != p.WndSize.height())
    cache.SetSize(p.WndSize.width(), p.WndSize.height());
  TsBgSource bg;
  ParentWndCacheInfo(h, bg);
  PaintControlItem(data, bg, cache, Local(cache.Width(), cache.Height()), p.WndPos, 0, true);
  data.BackgroundDirty = false;
}

void TacDlgPanelWnd::PaintBackground(Canvas& dc) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!h || !data.Skinned(true)) return;
  const int saved = dc.SaveDC();
  data.SetUpdating(data.Updating());
  if (!data.UpdatingFlag()) {
    PrepareCache();
    const int b = std::max(0, (h->width() - GetClientRect(h).Width()) / 2);
    dc.CopyRect(TRect{b, b, h->width() - b, h->height() - b}, *data.CacheBitmap,
                TRect{b, b, h->width() - b, h->height() - b});
  }
  dc.RestoreDC(saved);
}

void TacDlgPanelWnd::PaintBorder(Canvas* dc) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!dc || !h) return;
  const int b = (h->width() - GetClientRect(h).Width()) / 2 + 6;
  if (b <= 0) return;
  data.BackgroundDirty = true;
  PrepareCache();
  CopyCacheBands(*dc, *data.CacheBitmap, b);
}

void TacDlgPanelWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  TsCommonData* data = SkinData();
  QWidget* h = CtrlHandle();
  if (!IsActiveSkin(data) || Destroyed()) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  if (m.Msg == SkinCommandMsg) {
    // A new skin reaches the children through the base.
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  switch (m.Msg) {
    case WM_UPDATEUISTATE:
      m.Result = 1;
      return;
    case WM_SETTEXT:
      if (IsWindowVisible(h)) data->BackgroundDirty = true;
      break;
    case WM_PAINT:
      // The look was painted with the background; the inner area is the
      // previous procedure's.
      if (control_) FollowGlobalColor();
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
        const int saved = dc->SaveDC();
        PaintBackground(*dc);
        dc->IntersectClipRect(TRect{6, 6, h->width() - 6, h->height() - 6});
        PassOn(m, previous);
        dc->RestoreDC(saved);
        return;
      }
      break;
    case WM_NCPAINT:
      PaintBorder(GetWindowDC(h));
      m.Result = 1;
      return;
    case WM_PARENTNOTIFY:
      if (ChildNotice(m, h, [&] {
            TacMainWnd::AdapterWndProc(m, previous);
            if (!Destroyed()) FollowGlobalColor();
          }))
        return;
      break;
    case WM_PRINT:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
        PaintBackground(*dc);
        PaintBorder(dc);
      }
      return;
    case WM_THEMECHANGED:
      if (control_ && GetControlColor(control_) != clBtnFace) FollowGlobalColor();
      break;
    default:
      break;
  }
  TacMainWnd::AdapterWndProc(m, previous);
}

// ------------------------------------------------------------ see-through panels

void TacTransPanelWnd::PaintPanel(Canvas& dc) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!h) return;
  data.BackgroundDirty = true;
  SendMessage(h, SkinCommandMsg, MAKEWPARAM(0, acPrepareCache), 0);
  if (data.CacheBitmap) CopyBgExcludingChildWindows(h, data, {0, 0}, false, dc, Local(h->width(), h->height()));
}

void TacTransPanelWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (IsActiveSkin(SkinData()) && !Destroyed()) {
    switch (m.Msg) {
      case WM_ERASEBKGND:
        if (auto* dc = ParamPtr<Canvas>(m.WParam)) PaintPanel(*dc);
        m.Result = 1;
        return;
      case WM_NCPAINT:
        return;
      default:
        break;
    }
  }
  TacMainWnd::AdapterWndProc(m, previous);
}

// ------------------------------------------------------------ size grips

TRect GripImageRect(const TsMaskData& mask, int width, int height) {
  const int w = mask.R.Width() / std::max<int>(1, mask.ImageCount);
  const int h = mask.R.Height() / std::max(1, mask.MaskType + 1);
  return Bounds(std::max(width - w, 0), std::max(height - h, 0), w, h);
}

bool TacSizerWnd::PaintGrip(Bitmap& bmp) const {
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  QWidget* h = CtrlHandle();
  if (!sm || !h || bmp.Empty()) return false;
  const int index = sm->FindMaskIndex(sm->StandardIndexes.GlobalInfo, QStringLiteral("GLOBALINFO"),
                                      QStringLiteral("GRIPIMAGE"));
  if (!sm->IsValidMaskIndex(index)) return false;
  FillWithParentBackground(bmp, h);
  const TsMaskData& source = sm->MaskData[size_t(index)];
  const TRect r = GripImageRect(source, bmp.Width(), bmp.Height());
  const TsBgSource self{&bmp, 0, 0, KeyColor, true};
  if (source.ImageCount > 0) {
    PaintMaskGlyph(bmp, {r.Left, r.Top}, 0, 1, source, self);
  } else {
    // A mask counting no images is one image.
    TsMaskData one = MaskWithoutPicture(source);
    one.ImageCount = 1;
    if (source.Bmp) one.Bmp = std::make_unique<Bitmap>(*source.Bmp);
    PaintMaskGlyph(bmp, {r.Left, r.Top}, 0, 1, one, self);
  }
  return true;
}

void TacSizerWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  if (!IsActiveSkin(SkinData()) || Destroyed() || !h) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT: {
      Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(h);
      if (!dc) return;
      Bitmap bmp(h->width(), h->height(), pf24bit);
      if (PaintGrip(bmp)) dc->Draw(0, 0, bmp);
      return;
    }
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_NCPAINT:
      return;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed() || msg != WM_NCHITTEST) return;
  m.Result = HTBOTTOMRIGHT;
  if (IsWindowEnabled(h))
    if (TsSkinManager* sm = SkinData()->SkinManager()) sm->SetHotWindow(nullptr);
}

// ------------------------------------------------------------ dialog tool bars

namespace {

QList<QAction*> ShownActions(const QToolBar* bar) {
  QList<QAction*> actions;
  for (QAction* a : bar ? bar->actions() : QList<QAction*>{})
    if (a->isVisible()) actions.append(a);
  return actions;
}

bool ShowsText(const QToolBar* bar, QAction* action) {
  auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(action));
  const Qt::ToolButtonStyle style = tool ? tool->toolButtonStyle() : bar->toolButtonStyle();
  return style != Qt::ToolButtonIconOnly || action->icon().isNull();
}

// The divider's picture centred in the separator's rectangle, its key
// colour transparent: its first and last lines as they are, the middle one
// repeated between them; a vertical bar's separator lies across, the
// picture turned a quarter.
void PaintDivider(Bitmap& item, const TsMaskData& md, bool across) {
  const Bitmap* image = MaskImage(md);
  const int w = MaskImageWidth(md), h = MaskImageHeight(md);
  if (!image || w <= 0 || h <= 0 || md.R.Right > image->Width() || md.R.Bottom > image->Height()) return;
  const int length = across ? item.Width() : item.Height();
  const int at = ((across ? item.Height() : item.Width()) - w) / 2;
  for (int i = 0; i < length; ++i) {
    const int line = i == 0 ? 0 : i == length - 1 ? h - 1 : h / 2;
    for (int k = 0; k < w; ++k) {
      const TColor c = image->GetPixel(md.R.Left + k, md.R.Top + line);
      const int x = across ? i : at + k, y = across ? at + k : i;
      if (c != KeyColor && x >= 0 && y >= 0 && x < item.Width() && y < item.Height()) item.SetPixel(x, y, c);
    }
  }
}

}  // namespace

int ToolButtonPaintState(std::uint8_t fsState, bool cursorInside) {
  if (!(fsState & TBSTATE_ENABLED)) return 0;
  if (fsState & TBSTATE_PRESSED) return 2;
  return cursorInside ? 1 : 0;
}

TacToolBarWnd::TacToolBarWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacMainWnd(handle, skinData, manager, section) {}

TacToolBarWnd::~TacToolBarWnd() { UnhookButtons(); }

void TacToolBarWnd::Install(bool repaint) {
  TacMainWnd::Install(repaint);
  if (!Destroyed()) HookButtons();
}

void TacToolBarWnd::HookButtons() {
  auto* bar = qobject_cast<QToolBar*>(CtrlHandle());
  if (!bar) return;
  std::erase_if(buttons_, [](const TacHookedButton& b) { return !b.Button; });
  for (QAction* a : ShownActions(bar)) {
    QWidget* button = bar->widgetForAction(a);
    if (!button || std::any_of(buttons_.begin(), buttons_.end(), [&](const auto& b) { return b.Button == button; }))
      continue;
    TacHookedButton hooked;
    hooked.Button = button;
    hooked.Hook = InstallPartHandler(
        button, [this, button](Message& m, const CallPrevious& previous) { ButtonWndProc(button, m, previous); },
        WindowProcLevel::Window);
    buttons_.push_back(std::move(hooked));
    button->update();
  }
}

void TacToolBarWnd::GiveBackOwnParams() { UnhookButtons(); }

void TacToolBarWnd::UnhookButtons() {
  for (TacHookedButton& b : buttons_) {
    RemoveWindowProc(b.Hook);
    if (b.Button) b.Button->update();
  }
  buttons_.clear();
}

bool TacToolBarWnd::ReadUpdating() {
  TsCommonData& data = *SkinData();
  QWidget* parent = CtrlHandle() ? GetParent(CtrlHandle()) : nullptr;
  if (parent && SkinCommandAnswered(parent, acIsUpdating))
    data.SetUpdating(true);
  else
    data.SetUpdating(data.Updating());
  return data.UpdatingFlag();
}

void TacToolBarWnd::PrepareCache() {
  TsCommonData& data = *SkinData();
  QWidget* h = CtrlHandle();
  if (!h || !data.BackgroundDirty) return;
  clientRect_ = GetClientRect(h);
  PrepareAdapterCache(data, h, false);
  PaintAdapterBorder(data, 0, h, DlgMode());
  borderWidth_ = std::max(0, (h->height() - clientRect_.Height()) / 2);
  data.BackgroundDirty = false;
}

void TacToolBarWnd::PaintButton(Bitmap& picture, int index, const TRect& r) const {
  auto* bar = qobject_cast<QToolBar*>(CtrlHandle());
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (!bar || !sm || r.IsEmpty()) return;
  TBBUTTON button;
  if (!SendMessage(bar, TB_GETBUTTON, WPARAM(index), LPARAM(PtrParam(&button)))) return;
  const QList<QAction*> actions = ShownActions(bar);
  QAction* action = index < actions.size() ? actions[index] : nullptr;
  Bitmap item(r.Width(), r.Height(), pf24bit);
  item.GetCanvas().CopyRect(Local(r.Width(), r.Height()), picture, r);
  const TsBgSource itemBg{&item, 0, 0, KeyColor, true};
  if (button.fsStyle & TBSTYLE_SEP) {
    const int divider = sm->IndexOfSection(QStringLiteral("DIVIDER"));
    const int mask = sm->FindMaskIndex(divider, QStringLiteral("DIVIDER"), QStringLiteral("BORDERSMASK"));
    if (sm->IsValidMaskIndex(mask)) PaintDivider(item, sm->MaskData[size_t(mask)], bar->orientation() == Qt::Vertical);
  } else {
    TPoint cursor;
    GetCursorPos(&cursor);
    const TRect screen = OffsetRect(r, GetWindowRect(bar).Left, GetWindowRect(bar).Top);
    const bool inside = cursor.X >= screen.Left && cursor.X < screen.Right && cursor.Y >= screen.Top &&
                        cursor.Y < screen.Bottom;
    const int state = ToolButtonPaintState(button.fsState, inside);
    const int section = sm->IndexOfSection(QStringLiteral("TOOLBUTTON"));
    PaintSectionItem(section, QStringLiteral("TOOLBUTTON"), itemBg, -1, -1, sm, item, {0, 0},
                     Local(r.Width(), r.Height()), state, true);
    Canvas& canvas = item.GetCanvas();
    TRect textRect = Local(r.Width(), r.Height());
    const bool text = action && ShowsText(bar, action) && !button.text.isEmpty();
    if (action && !action->icon().isNull()) {
      const QSize size = bar->iconSize();
      const QPixmap pixmap = action->icon().pixmap(size, action->isEnabled() ? QIcon::Normal : QIcon::Disabled);
      const int x = (r.Width() - size.width()) / 2;
      const int y = text ? 3 : (r.Height() - size.height()) / 2;
      if (QPainter* p = canvas.Painter()) p->drawPixmap(x, y, pixmap);
      canvas.EndPainting();
      textRect.Top = y + size.height();
    }
    if (button.fsStyle & TBSTYLE_DROPDOWN) {
      const int glyph = sm->StandardIndexes.ScrollBtnGlyphs[1];
      if (sm->IsValidMaskIndex(glyph)) {
        const TsMaskData& md = sm->MaskData[size_t(glyph)];
        const int gw = MaskImageWidth(md), gh = MaskImageHeight(md);
        PaintMaskGlyph(item, {r.Width() - gw - 2, (r.Height() - gh) / 2}, state, 1, md, itemBg);
        textRect.Right -= gw + 2;
      }
    }
    if (text) {
      if (auto* font = ParamPtr<const TFont>(std::uintptr_t(SendMessage(bar, WM_GETFONT)))) canvas.Font = *font;
      canvas.SetBkMode(TRANSPARENT);
      WriteSectionText(canvas, button.text, true, textRect, state != 0, section,
                       DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS, sm);
    }
    // A disabled button 40 % of the way towards the bar's background.
    if (!(button.fsState & TBSTATE_ENABLED))
      BlendBitmapToColor(item, 0.6, ColorToRGB(SkinData()->SectionBgColor(false, bar)), KeyColor);
  }
  picture.GetCanvas().CopyRect(r, item, Local(r.Width(), r.Height()));
}

void TacToolBarWnd::PaintBar(Bitmap& picture) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!h) return;
  PrepareCache();
  if (!data.CacheBitmap) return;
  picture.SetSize(data.CacheBitmap->Width(), data.CacheBitmap->Height());
  picture.GetCanvas().CopyRect(Local(picture.Width(), picture.Height()), *data.CacheBitmap,
                               Local(picture.Width(), picture.Height()));
  const int count = int(SendMessage(h, TB_BUTTONCOUNT));
  for (int i = 0; i < count; ++i) {
    TRect r;
    if (!SendMessage(h, TB_GETITEMRECT, WPARAM(i), LPARAM(PtrParam(&r)))) continue;
    PaintButton(picture, i, OffsetRect(r, borderWidth_, borderWidth_));
  }
}

void TacToolBarWnd::ButtonWndProc(QWidget* button, Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  if (!h || !IsActiveSkin(SkinData()) || Destroyed()) {
    previous(m);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_PAINT: {
      Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(button);
      if (!dc || ReadUpdating()) {
        previous(m);
        return;
      }
      PrepareCache();
      const Bitmap* cache = SkinData()->CacheBitmap.get();
      const int count = cache ? int(SendMessage(h, TB_BUTTONCOUNT)) : 0;
      const TRect place = Bounds(button->x(), button->y(), button->width(), button->height());
      for (int i = 0; i < count; ++i) {
        TRect r;
        if (!SendMessage(h, TB_GETITEMRECT, WPARAM(i), LPARAM(PtrParam(&r))) || r != place) continue;
        // The button's part of the bar's picture.
        Bitmap part(cache->Width(), cache->Height(), pf24bit);
        part.GetCanvas().CopyRect(Local(cache->Width(), cache->Height()), *cache, Local(cache->Width(), cache->Height()));
        const TRect at = OffsetRect(r, borderWidth_, borderWidth_);
        PaintButton(part, i, at);
        dc->CopyRect(Local(r.Width(), r.Height()), part, at);
        return;
      }
      previous(m);
      return;
    }
    default:
      previous(m);
      return;
  }
}

void TacToolBarWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!IsActiveSkin(&data) || Destroyed() || !h) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  const unsigned msg = m.Msg;
  switch (msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED: {
      data.BackgroundDirty = true;
      QPointer<QWidget> alive(h);
      TacMainWnd::AdapterWndProc(m, previous);
      if (alive && !Destroyed()) RedrawNonClient(h);
      return;
    }
    case WM_PAINT:
      // A lone tool button (a standard dialog's) is a bar of no buttons of
      // its own: its icon and frame are its own painting's, over the
      // dialog's background.
      if (!qobject_cast<QToolBar*>(h)) break;
      if (IsWindowVisible(h)) {
        Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(h);
        if (dc && !ReadUpdating()) {
          HookButtons();
          Bitmap picture(h->width(), h->height(), pf24bit);
          PaintBar(picture);
          dc->Draw(0, 0, picture);
          return;
        }
      }
      break;
    case WM_NCPAINT:
      if (std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)) & WS_EX_CLIENTEDGE) {
        if (!ReadUpdating()) {
          PrepareCache();
          if (Canvas* dc = GetWindowDC(h); dc && data.CacheBitmap)
            CopyCacheBands(*dc, *data.CacheBitmap, (h->width() - GetClientRect(h).Width()) / 2);
        }
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (!qobject_cast<QToolBar*>(h)) break;
      m.Result = 1;
      return;
    case SkinCommandMsg:
      if (HIWORD(m.WParam) == acEndUpdate && data.UpdatingFlag()) {
        data.SetUpdating(false);
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return;
      }
      break;
    default:
      break;
  }
  TacMainWnd::AdapterWndProc(m, previous);
}
