// The MDI client adapter and the MDI form that keeps it.
#include "skinlib/adapters/sMDIForm.h"

#include "platform/Capture.h"
#include "platform/Mdi.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QMdiArea>
#include <QMdiSubWindow>

using namespace platform;

namespace {

const QString kMdiArea = QStringLiteral("MDIAREA");

}  // namespace

TacMdiSettings& MdiSettings() {
  static TacMdiSettings settings;
  return settings;
}

// ------------------------------------------------------------ TacMDIWnd

TacMDIWnd::TacMDIWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacBaseWnd(handle, skinData, manager, section) {}

TacMDIWnd::~TacMDIWnd() {
  watcher_.reset();
  if (hosting_ && form_ && !IsDestroying(form_)) {
    form_->setAttribute(Qt::WA_CanHostQMdiSubWindowTitleBar, false);
    Relayout();
  }
  RemoveWindowProc(viewportHook_);
  provider_ = nullptr;
  form_ = nullptr;
}

void TacMDIWnd::Install(bool repaint) {
  TacBaseWnd::Install(repaint);
  if (QMdiArea* area = Area()) {
    viewport_ = area->viewport();
    viewportHook_ = InstallPartHandler(
        viewport_, [this](Message& m, const CallPrevious& previous) { ViewportWndProc(m, previous); },
        WindowProcLevel::Window);
    watcher_ = std::make_unique<QObject>();
    QObject::connect(area, &QMdiArea::subWindowActivated, watcher_.get(), [this](QMdiSubWindow* sub) {
      Watch(sub);
      FollowMaximizedChild();
    });
    for (QMdiSubWindow* sub : area->subWindowList()) Watch(sub);
    FollowMaximizedChild();
  }
}

void TacMDIWnd::Watch(QMdiSubWindow* sub) {
  if (!sub || !watcher_ || sub->property("_ac_mdiwatched").toBool()) return;
  sub->setProperty("_ac_mdiwatched", true);
  QObject::connect(sub, &QMdiSubWindow::windowStateChanged, watcher_.get(), [this] { FollowMaximizedChild(); });
  QObject::connect(watcher_.get(), &QObject::destroyed, sub, [sub] { sub->setProperty("_ac_mdiwatched", QVariant()); });
}

void TacMDIWnd::FollowMaximizedChild() {
  QWidget* form = form_;
  if (!form) return;
  // Qt leaves a maximized child's title out when the form can host it; the
  // menu line then shows the child's icon and buttons.
  const bool host = !Destroyed() && provider_ && Switches() && provider_->MenuVisible();
  if (form->testAttribute(Qt::WA_CanHostQMdiSubWindowTitleBar) == host) return;
  form->setAttribute(Qt::WA_CanHostQMdiSubWindowTitleBar, host);
  hosting_ = host;
  Relayout();
}

void TacMDIWnd::Relayout() {
  // A maximized child lays out its title again when it is maximized anew.
  QMdiArea* area = Area();
  QMdiSubWindow* sub = area ? area->activeSubWindow() : nullptr;
  if (sub && sub->isMaximized()) {
    sub->showNormal();
    sub->showMaximized();
  }
}

QMdiArea* TacMDIWnd::Area() const { return qobject_cast<QMdiArea*>(CtrlHandle()); }

TsCommonData* TacMDIWnd::ProviderData() const { return provider_ ? provider_->SkinData() : nullptr; }

void TacMDIWnd::SetOwners(QWidget* form, TsSkinProvider* provider) {
  form_ = form;
  provider_ = provider;
  deviceCopy_.Clear();
}

bool TacMDIWnd::Switches() const {
  const TacMdiSettings& s = MdiSettings();
  const TsCommonData* data = ProviderData();
  return s.SkinMdiBackground && s.SkinMdiBorders && data && data->Skinned(/*checkActive=*/true) && !Destroyed();
}

bool TacMDIWnd::ChildMaximized() const {
  const QMdiArea* area = Area();
  const QMdiSubWindow* active = area ? area->activeSubWindow() : nullptr;
  return active && active->isMaximized();
}

int TacMDIWnd::BorderWidth() const {
  QWidget* h = CtrlHandle();
  return h && (std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)) & WS_EX_CLIENTEDGE) ? 2 : 0;
}

bool TacMDIWnd::HasMdiSection() const {
  const TsCommonData* data = ProviderData();
  const TsSkinManager* manager = data ? data->SkinManager() : nullptr;
  return manager && manager->IsValidSectionIndex(manager->IndexOfSection(kMdiArea));
}

TPoint TacMDIWnd::PlaceInForm(const QWidget* w) const {
  if (!w || !form_) return {};
  const QPoint p = w->mapTo(form_.data(), QPoint(0, 0));
  return {p.x(), p.y()};
}

void TacMDIWnd::PaintClient(Canvas& dc) {
  TsCommonData* data = ProviderData();
  if (!data || !viewport_ || !provider_) return;
  const QRect r = viewport_->rect();
  const TRect client{0, 0, r.width(), r.height()};
  const int saved = dc.SaveDC();
  if (!HasMdiSection() && !data->ParentDependent()) {
    FillDCRect(dc, client, provider_->FormColor());
  } else {
    if (data->BackgroundDirty || !data->CacheBitmap || provider_->CacheSizeChanged()) provider_->PaintAll();
    if (data->CacheBitmap) {
      const TPoint at = PlaceInForm(viewport_);
      const TRect part{at.X, at.Y, at.X + client.Right, at.Y + client.Bottom};
      if (dc.TargetBitmap()) {
        dc.CopyRect(client, *data->CacheBitmap, part);
      } else {
        // The screen: from the part in the screen's format, converted
        // once per repaint of the cache rather than at every erase.
        const Bitmap& copy = deviceCopy_.Of(*data->CacheBitmap, part, provider_->CacheStamp());
        const TRect& covered = deviceCopy_.Covered();
        dc.CopyRect(client, copy, OffsetRect(part, -covered.Left, -covered.Top));
      }
    }
  }
  dc.RestoreDC(saved);
}

void TacMDIWnd::PaintBand(Canvas& dc) {
  TsCommonData* data = ProviderData();
  QWidget* h = CtrlHandle();
  if (!data || !h || !provider_) return;
  const int b = BorderWidth();
  if (b > 0) {
    if (!HasMdiSection() && !data->ParentDependent()) {
      FillDCBorder(dc, {0, 0, h->width(), h->height()}, b, provider_->FormColor(), b, b, b);
    } else {
      if (data->BackgroundDirty || !data->CacheBitmap || provider_->CacheSizeChanged()) provider_->PaintAll();
      if (data->CacheBitmap) {
        const TPoint at = PlaceInForm(h);
        CopyDCBorder(dc, 0, 0, h->width(), at.X, at.Y, data->CacheBitmap->GetCanvas(), h->height(), b);
      }
    }
  }
  PaintScrollBars(&dc);
}

void TacMDIWnd::Arranged() {
  TsSkinProvider* provider = provider_;
  if (!provider) return;
  if (TsCommonData* data = provider->SkinData()) data->BackgroundDirty = true;
  provider->SetHotButton(0, false);
  QWidget* form = form_;
  if (form && GetFormStyle(form) == fsMDIForm && Area()) {
    if (auto* active = ParamPtr<QWidget>(std::uintptr_t(SendMessage(Area(), WM_MDIGETACTIVE, 0, 0)))) {
      const auto style = std::uint32_t(GetWindowLong(active, GWL_STYLE));
      if (style & WS_SYSMENU) SetWindowLong(active, GWL_STYLE, std::intptr_t(style & ~WS_SYSMENU));
    }
  }
  if (TsMDIForm* mdi = MDIFormOf(provider)) mdi->RequestRepaint();
  if (QWidget* h = CtrlHandle()) {
    InvalidateRect(h, nullptr, true);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
  }
  if (provider_ && provider_->Form()) RedrawNonClient(provider_->Form());
}

void TacMDIWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  QPointer<QWidget> alive(h);
  if (m.Msg == SkinCommandMsg && HIWORD(std::uintptr_t(m.WParam)) == acForwardToProvider) {
    if (provider_ && provider_->Form()) m.Result = SendSkinCommandToControl(provider_->Form(), acForwardToProvider, m.LParam);
    return;
  }
  switch (m.Msg) {
    case WM_NCPAINT:
      if (!Switches()) break;
      if (ChildMaximized() || FormsLocked) {
        m.Result = 1;
        return;
      }
      if (Canvas* dc = GetWindowDC(h)) PaintBand(*dc);
      m.Result = 0;
      return;
    case WM_PAINT:
      if (FormsLocked && Switches()) return;
      break;
    case WM_PRINT: {
      auto* dc = ParamPtr<Canvas>(std::uintptr_t(m.WParam));
      if (!Switches() || !dc) break;
      m.Result = 0;
      if (ChildMaximized() || (provider_ && provider_->Busy())) return;
      if (viewport_) {
        const QPoint at = viewport_->mapTo(h, QPoint(0, 0));
        const int saved = dc->SaveDC();
        const TPoint origin = dc->SetWindowOrg(-at.x(), -at.y());
        PaintClient(*dc);
        dc->SetWindowOrg(origin.X, origin.Y);
        dc->RestoreDC(saved);
      }
      PaintBand(*dc);
      return;
    }
    case WM_STYLECHANGED:
      PassOn(m, previous);
      return;
    case WM_MDITILE:
    case WM_MDICASCADE:
      if (!PassOnAndSurvive(m, previous) || !alive) return;
      Arranged();
      return;
    case WM_MDISETMENU:
      if (!PassOnAndSurvive(m, previous) || !alive) return;
      if (TsSkinProvider* main = MdiMainProvider) {
        if (main->SkinData()) main->SkinData()->BackgroundDirty = true;
        main->SetMenuLineChanged();
        main->SetHotButton(0, false);
      }
      return;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  const WPARAM wp = m.WParam;
  const LPARAM lp = m.LParam;
  TacBaseWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  if (msg == SkinCommandMsg) {
    switch (HIWORD(std::uintptr_t(wp))) {
      case acLockRedraw:
        SendMessage(h, WM_SETREDRAW, 0, 0);
        break;
      case acUnlockRedraw:
        SendMessage(h, WM_SETREDRAW, 1, 0);
        if (!alive || LOWORD(std::uintptr_t(lp)) == SB_THUMBTRACK) break;
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        if (!alive || Destroyed()) return;
        RefreshScrolls(false);
        ReleaseCapture();
        break;
      default:
        break;
    }
    return;
  }
  if (msg == WM_PARENTNOTIFY || msg == WM_CALCSCROLL) {
    const auto style = std::uint32_t(GetWindowLong(h, GWL_STYLE));
    if (TacScrollBar* bar = VertBar()) bar->Visible = style & WS_VSCROLL;
    if (TacScrollBar* bar = HorzBar()) bar->Visible = style & WS_HSCROLL;
    RefreshScrolls(true);
  } else if (msg == WM_MDIREFRESHMENU && provider_) {
    if (TsCommonData* data = provider_->SkinData()) data->BackgroundDirty = true;
    if (provider_->Form()) RedrawNonClient(provider_->Form());
  }
}

void TacMDIWnd::ViewportWndProc(Message& m, const CallPrevious& previous) {
  if (Destroyed() || !Switches()) {
    previous(m);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND: {
      auto* dc = ParamPtr<Canvas>(std::uintptr_t(m.WParam));
      if (!dc) break;
      m.Result = 1;
      if (FormsLocked || ChildMaximized()) return;
      PaintClient(*dc);
      return;
    }
    case WM_PAINT:
      // The background is the erase's: Qt's own fill of the area stays out.
      if (FormsLocked || !ChildMaximized()) {
        BeginPaint(viewport_);
        EndPaint(viewport_);
        m.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  previous(m);
}

// ------------------------------------------------------------ TsMDIForm

TsMDIForm::TsMDIForm(TsSkinProvider* provider) : QObject(provider), provider_(provider) {
  form_ = provider ? provider->Form() : nullptr;
  if (form_) form_->winId();
}

TsMDIForm::~TsMDIForm() { Disconnect(); }

void TsMDIForm::Connect() {
  if (!adapter_ || adapter_->Destroyed()) ConnectToClient();
}

void TsMDIForm::ConnectToClient() {
  TsCommonData* data = provider_ ? provider_->SkinData() : nullptr;
  if (!data || !data->Skinned(/*checkActive=*/true)) {
    Disconnect();
    return;
  }
  adapter_.reset();
  QMdiArea* area = MdiClient(form_);
  if (!area) return;
  adapter_ = TacMainWnd::Create<TacMDIWnd>(area, nullptr, data->SkinManager(), QStringLiteral("CHECKBOX"), true);
  adapter_->SetOwners(form_, provider_);
}

void TsMDIForm::Disconnect() { adapter_.reset(); }

void TsMDIForm::RequestRepaint() {
  if (provider_) provider_->RequestFullRepaint();
}

TsMDIForm* MDIFormOf(const TsSkinProvider* provider) {
  return provider ? provider->findChild<TsMDIForm*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}
