// The form provider's window procedure and what it calls on its own: the
// copy of the cache onto the band, the system menu, the rmBorder outline
// and the size of a maximized form.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Capture.h"
#include "platform/Colors.h"
#include "platform/Mdi.h"
#include "platform/Menus.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/NonClient.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/adapters/sSysMenu.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/SkinnedForms.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QCursor>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <algorithm>

using namespace platform;

namespace {

// The title button pressed last, and the provider it was pressed on: a
// release counts only on the form the press began on.
QPointer<TsSkinProvider> g_pressedProvider;
int g_pressedCode = 0;

constexpr unsigned kCmInvalidate = 0xB034, kCmUnknown4C = 0xB04C, kCmUnknown4D = 0xBC4D, kNc93 = 0x93;
constexpr int kSysMenuDelayMs = 200;
// Skin commands 51 and 52: the form's redraw off and on again around a
// change of a composite background.
constexpr unsigned kLockCompositeRedraw = 51, kUnlockCompositeRedraw = 52;

bool IsTitleButtonCode(int code) {
  return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP ||
         (code >= 101 && code <= 103);
}

bool InRect(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// The outline of the rmBorder drag: a frameless window on top whose mask
// is the rectangle's edge, so only the edge shows and the mouse passes.
class TacMoveOutline : public QWidget {
 public:
  TacMoveOutline()
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("Tag", -98);
  }
  void SetFrame(const TRect& r) {
    const int w = std::max(1, r.Width()), h = std::max(1, r.Height());
    setGeometry(r.Left, r.Top, w, h);
    QRegion edge(0, 0, w, h);
    if (w > 2 * kThickness && h > 2 * kThickness)
      edge -= QRegion(kThickness, kThickness, w - 2 * kThickness, h - 2 * kThickness);
    setMask(edge);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    // Black and white stripes read on any background, as an inverted line does.
    p.fillRect(rect(), Qt::black);
    QPen pen(Qt::white, 1, Qt::DotLine);
    p.setPen(pen);
    p.drawRect(rect().adjusted(1, 1, -2, -2));
  }

 private:
  static constexpr int kThickness = 3;
};

}  // namespace

// ------------------------------------------------------------ seams

TacControlAdapterSeam& ControlAdapterSeam() {
  static TacControlAdapterSeam seam;
  return seam;
}

std::function<void(TsSkinProvider&, bool)>& HookFormMenusSeam() {
  static std::function<void(TsSkinProvider&, bool)> seam;
  return seam;
}

namespace {

void CreateAdapter(TsSkinProvider& p) {
  if (ControlAdapterSeam().Create) ControlAdapterSeam().Create(p);
}
void Readapt(TsSkinProvider& p, QWidget* control) {
  if (ControlAdapterSeam().Readapt) ControlAdapterSeam().Readapt(p, control);
}
void HookFormMenus(TsSkinProvider& p, bool install) {
  if (HookFormMenusSeam()) HookFormMenusSeam()(p, install);
}

}  // namespace

// ------------------------------------------------------------ metrics

void TsSkinProvider::FreeButtonFades() {
  // A fade shows its button where it was: the window moved or changed
  // size, so its picture goes now and the fade after this message.
  for (TacSBAnimation* fade : findChildren<TacSBAnimation*>(Qt::FindDirectChildrenOnly)) {
    fade->Timer().stop();
    fade->DropWindow();
    fade->setParent(nullptr);  // no longer found as the button's fade
    fade->deleteLater();
  }
}

int TsSkinProvider::ClientOffsetX() const { return form_ ? form_->contentsRect().left() + CacheShiftX() : 0; }

int TsSkinProvider::ClientOffsetY() const { return form_ ? form_->contentsRect().top() + CacheShiftY() : 0; }

bool TsSkinProvider::CacheStale() const {
  if (!skinData_ || skinData_->BackgroundDirty || CacheSizeChanged() || !form_) return true;
  // The band's layout or the form's activity changed since the picture
  // was painted.
  return form_->contentsRect() != paintedClient_ || formActive_ != paintedActive_;
}

bool TsSkinProvider::CacheSizeChanged() const {
  const Bitmap* cache = skinData_ ? skinData_->CacheBitmap.get() : nullptr;
  if (!cache || !form_) return true;
  if (HasBorderWindow())
    return cache->Width() != SkinnedFormWidth(ReadFormInfo(), ReadTitleMetrics()) || cache->Height() != SkinnedFormHeight();
  const QSize size = WindowSize();
  return cache->Width() != size.width() || cache->Height() != size.height();
}

TColor TsSkinProvider::FormColor() const {
  TsSkinManager* manager = Manager();
  if (!form_) return clBtnFace;
  if (!Skinned() || !manager || skinData_->CustomColor()) return GetControlColor(form_);
  const int i = skinData_->SectionIndex;
  if (!manager->IsValidSectionIndex(i)) return GetControlColor(form_);
  const TsGeneralData& s = manager->GeneralData[size_t(i)];
  return formActive_ ? s.HotColor : s.Color;
}

// ------------------------------------------------------------ painting the band

void TsSkinProvider::PaintFrameToDC(Canvas& dc) {
  if (!form_ || !skinData_) return;
  TsCommonData& data = *skinData_;
  // A clean cache of the window's size is the window's picture as it is.
  if (CacheStale()) {
    PaintAll();
    data.BackgroundDirty = false;
    data.SetUpdating(false);
  } else if (menuLineChanged_ || MenuLineState() != paintedMenuLine_) {
    // The line alone changed (its current item follows the menu loop).
    PaintMenuLine();
    paintedMenuLine_ = MenuLineState();
    menuLineChanged_ = false;
  }
  if (activationHold_) {
    // The maximized form's frame is up: its controls paint now.
    activationHold_ = false;
    data.SetUpdating(false);
    QPointer<TsSkinProvider> self(this);
    NotifyChildrenUpdated(form_);
    if (!self || !form_ || !skinData_) return;
  }
  if (!data.CacheBitmap) return;
  const Bitmap& cache = *data.CacheBitmap;
  const QRect client = form_->contentsRect();
  const int w = form_->width(), h = form_->height();
  int top = form_->contentsRect().top();
  if (IsIconic(form_)) ++top;
  const int sx = CacheShiftX(), sy = CacheShiftY();
  if (IsIconic(form_) && IsMdiChild()) {
    // An iconic child's window is all band.
    const QSize size = WindowSize();
    dc.CopyRect({0, 0, size.width(), size.height()}, cache, {sx, sy, sx + size.width(), sy + size.height()});
    return;
  }
  const int left = client.left(), right = w - (client.left() + client.width());
  const int bottom = h - (client.top() + client.height());
  const auto copy = [&](int x, int y, int cw, int ch) {
    if (cw <= 0 || ch <= 0) return;
    dc.CopyRect({x, y, x + cw, y + ch}, cache, {x + sx, y + sy, x + sx + cw, y + sy + ch});
  };
  copy(0, 0, w, top);
  copy(0, top, left, h - top);
  copy(0, h - bottom, w, bottom);
  copy(w - right, top, right, h - top);
}

void TsSkinProvider::PaintNonClient() {
  if (!form_ || !skinData_) return;
  if (IsIconic(form_)) skinData_->BackgroundDirty = true;
  if (!BandShown() || !systemMenu_) return;
  CreateAdapter(*this);
  if (skinData_->CacheBitmap == nullptr || skinData_->CacheBitmap->Width() == 0) skinData_->BackgroundDirty = true;
  if (firstPaint_) {
    firstPaint_ = false;
    BuildRegionRects();
    UpdateFormRegion(false);
  }
  if (Canvas* dc = GetWindowDC(form_)) PaintFrameToDC(*dc);
}

void TsSkinProvider::RequestFullRepaint() {
  if (!form_ || !skinData_) return;
  skinData_->BackgroundDirty = true;
  menuLineChanged_ = true;
  menuRowCount_ = -1;
  RedrawNonClient(form_);
}

// ------------------------------------------------------------ the system menu

void TsSkinProvider::SetSysMenuStyle(bool take) {
  if (!form_) return;
  const auto style = std::uint32_t(GetWindowLong(form_, GWL_STYLE));
  if (take) {
    if ((style & WS_SYSMENU) || sysMenuTaken_) {
      if (drawNonClientArea_) SetWindowLong(form_, GWL_STYLE, std::intptr_t(style & ~WS_SYSMENU));
      else SetWindowLong(form_, GWL_STYLE, std::intptr_t(style | WS_SYSMENU));
      sysMenuTaken_ = true;
    }
  } else if (sysMenuTaken_) {
    SetWindowLong(form_, GWL_STYLE, std::intptr_t(style | WS_SYSMENU));
    sysMenuTaken_ = false;
  }
}

void TsSkinProvider::ShowSystemMenu(int x, int y) {
  if (!form_) return;
  TsSkinManager* manager = Manager();
  auto* skinned = dynamic_cast<TsSystemMenu*>(systemMenu_.get());
  if (manager && manager->SkinnedPopups() && skinned) {
    skinned->UpdateItems(false);
    if (makeSkinMenu_) skinned->MakeSkinMenu();
    skinned->ShowAt(x, y);
    return;
  }
  // The standard menu: the window must not repaint while it is fetched.
  const auto style = std::uint32_t(GetWindowLong(form_, GWL_STYLE));
  SetWindowLong(form_, GWL_STYLE, std::intptr_t(style & ~WS_VISIBLE));
  QMenu* menu = GetSystemMenu(form_);
  const TacSysMenuState s = MenuState();
  const bool iconic = IsIconic(form_), zoomed = IsZoomed(form_);
  const auto enable = [&](unsigned command, bool on) {
    if (QAction* item = menu ? GetMenuItem(menu, command, false) : nullptr) item->setEnabled(on);
  };
  enable(SC_RESTORE, (zoomed || iconic) && s.EnabledRestore);
  enable(SC_MOVE, !iconic && !zoomed);
  enable(SC_SIZE, !iconic && !zoomed && (style & WS_THICKFRAME));
  enable(SC_MINIMIZE, s.VisibleMin && s.EnabledMin);
  enable(SC_MAXIMIZE, s.VisibleMax && s.EnabledMax && !zoomed);
  enable(SC_CLOSE, s.VisibleClose);
  SetWindowLong(form_, GWL_STYLE, std::intptr_t(GetWindowLong(form_, GWL_STYLE) | WS_VISIBLE));
  if (!menu) return;
  QPointer<QWidget> form = form_;
  TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, form_, [form](unsigned command) {
    if (form && command > 0) PostMessage(form, WM_SYSCOMMAND, command, 0);
  });
}

void TsSkinProvider::ShowSystemMenuBelowIcon() {
  if (!form_) return;
  SetHotButton(0, true);
  const TacTitleMetrics m = ReadTitleMetrics();
  // Below the title, at the client's left edge, both in the cache's
  // coordinates: with a border window the title lies on it, whose corner
  // is the cache's.
  const QPoint p = NonClientWidget(form_)->mapToGlobal(QPoint(0, 0)) - QPoint(CacheShiftX(), CacheShiftY());
  const int titleTop = m.ExtBorder ? m.ExtMargins.Top : m.SystemBorder;
  ShowSystemMenu(p.x() + ClientOffsetX(), p.y() + titleTop + std::max(m.IconHeight, m.CaptionHeight));
}

void TsSkinProvider::ClickOnTitleIcon() {
  SetHotButton(0, true);
  TsSkinManager* manager = Manager();
  if (manager && manager->SkinnedPopups()) {
    ShowSystemMenuBelowIcon();
    return;
  }
  // A double click may follow: the menu waits for it without pumping
  // messages. A form or provider gone meanwhile cancels it.
  if (sysMenuTimer_) delete sysMenuTimer_.data();
  auto* timer = new QTimer(this);
  timer->setSingleShot(true);
  sysMenuTimer_ = timer;
  skinData_->SetUpdating(false);
  QPointer<QWidget> form = form_;
  QObject::connect(timer, &QTimer::timeout, this, [this, form, timer] {
    timer->deleteLater();
    sysMenuTimer_ = nullptr;
    if (!form || !skinData_ || skinData_->UpdatingFlag()) return;
    ShowSystemMenuBelowIcon();
  });
  timer->start(kSysMenuDelayMs);
}

// ------------------------------------------------------------ maximized size

void TsSkinProvider::GetMinMaxInfo(Message& m) {
  auto* info = ParamPtr<MINMAXINFO>(std::uintptr_t(m.LParam));
  if (!info || !form_ || !drawNonClientArea_ || form_->parentWidget()) return;
  const TRect work = MonitorWorkArea();
  // The frameless window fills the work area exactly: its band is drawn
  // by the skin, not by a system frame reaching over the screen's edge.
  info->ptMaxPosition = {work.Left, work.Top};
  info->ptMaxSize = {work.Width(), work.Height()};
}

// ------------------------------------------------------------ the rmBorder outline

void TsSkinProvider::BeginMoveOutline(TPoint screenPoint, int hitCode) {
  if (!form_) return;
  BorderDrag.InProgress = true;
  BorderDrag.HitCode = hitCode;
  BorderDrag.Moving = hitCode < HTLEFT || hitCode > HTBOTTOMRIGHT;
  const QSize min = form_->minimumSize();
  BorderDrag.MinWidth = std::max(min.width(), GetSystemMetrics(SM_CXMINTRACK));
  BorderDrag.MinHeight = std::max(min.height(), GetSystemMetrics(SM_CYMINTRACK));
  dragStart_ = OutlinedWindowRect();
  dragPoint_ = screenPoint;
  BorderDrag.Frame = dragStart_;
  if (!outline_) outline_ = new TacMoveOutline;
  static_cast<TacMoveOutline*>(outline_.data())->SetFrame(dragStart_);
  outline_->show();
  SetCapture(form_);
}

void TsSkinProvider::DrawMoveOutline(TPoint screenPoint) {
  if (!BorderDrag.InProgress || !outline_) return;
  BorderDrag.Frame = DragFrame(dragStart_, BorderDrag.Moving, BorderDrag.HitCode, screenPoint.X - dragPoint_.X,
                               screenPoint.Y - dragPoint_.Y, BorderDrag.MinWidth, BorderDrag.MinHeight);
  static_cast<TacMoveOutline*>(outline_.data())->SetFrame(BorderDrag.Frame);
}

void TsSkinProvider::EndMoveOutline(bool apply) {
  const bool wasDragging = BorderDrag.InProgress;
  const TRect frame = BorderDrag.Frame;
  BorderDrag = {};
  if (outline_) outline_->close();  // deletes itself
  outline_ = nullptr;
  if (form_ && GetCapture() == form_) ReleaseCapture();
  if (!wasDragging || !apply || !form_ || IsZoomed(form_)) return;
  if (frame.Left == dragStart_.Left && frame.Top == dragStart_.Top && frame.Width() == dragStart_.Width() &&
      frame.Height() == dragStart_.Height())
    return;
  MoveOutlinedWindow(frame);
}

void TsSkinProvider::EndBorderDrag(TPoint screenPoint) {
  if (BorderDrag.InProgress && outline_) {
    DrawMoveOutline(screenPoint);
    EndMoveOutline(true);
  }
  if (g_pressedProvider == this) g_pressedProvider = nullptr;
}

// ------------------------------------------------------------ the window procedure

void TsSkinProvider::NewWndProc(Message& m, const CallPrevious& previous) {
  bool defaulted = false;
  const std::function<void()> def = [&] {
    if (defaulted) return;  // never twice for one message
    defaulted = true;
    previous(m);
  };
  if (m.Msg == kRegionQueryMsg) {
    m.Result = 0;
    return;
  }
  QPointer<TsSkinProvider> self(this);
  // 1. Skin commands answered in any state.
  if (m.Msg == SkinCommandMsg && SkinCommandAnyState(m, def)) return;
  if (!self) return;
  // 2. Not skinned, or the form going.
  if (!form_ || IsDestroying(form_) || !Skinned()) {
    if (m.Msg == SkinCommandMsg) {
      const unsigned command = HIWORD(std::uintptr_t(m.WParam));
      if (command == acNewSkin && form_ && !IsDestroying(form_) && m.LParam == LPARAM(PtrParam(Manager()))) {
        NewSkin(false);
        return;
      }
      if (command == acGetProvider) {
        m.Result = LRESULT(PtrParam(this));
        return;
      }
    }
    def();
    if (self && m.Msg == CM_MOUSEWHEEL) MouseWheelToControl(m);
    return;
  }
  // 3. Skinned: skin commands.
  if (m.Msg == SkinCommandMsg) {
    SkinnedCommand(m);
    return;
  }
  // 4. Skinned: window messages.
  WindowMessage(m, def);
}

bool TsSkinProvider::SkinCommandAnyState(Message& m, const std::function<void()>& def) {
  (void)def;
  const unsigned command = HIWORD(std::uintptr_t(m.WParam));
  TsSkinManager* manager = Manager();
  switch (command) {
    case acRemoveSkin:
      if (m.LParam != LPARAM(PtrParam(manager)) || !manager) {
        if (form_) SendSkinCommandToChildren(form_, m);
        return true;
      }
      RemoveSkin();
      return true;
    case acBgQuery: {
      if (!skinData_ || !form_) return true;
      auto* query = ParamPtr<TsBgQuery>(std::uintptr_t(m.LParam));
      if (!query) return true;
      if ((skinData_->BackgroundDirty || !skinData_->CacheBitmap) && !skinData_->HiddenMode && Skinned()) PaintAll();
      if (query->DrawRequest) {
        query->Offset.X += ClientOffsetX();
        query->Offset.Y += ClientOffsetY();
      }
      skinData_->FillBgQuery(*query, formActive_, form_);
      if (query->BgKind == TsBgQuery::FromBitmap && !query->DrawRequest) {
        if (!query->Bitmap) {
          PaintAll();
          query->Bitmap = skinData_->CacheBitmap.get();
        }
        query->Offset = {ClientOffsetX(), ClientOffsetY()};
      }
      return true;
    }
    case acNewSkin:
      if (form_ && !IsDestroying(form_) && skinData_ && m.LParam == LPARAM(PtrParam(manager)) && !systemMenu_ &&
          manager)
        ApplySkin();
      return false;  // goes on to the skinned or unskinned path
    case acIsSkinned:
      m.Result = 1;
      return true;
    case acContainerBg:
      if (skinData_) HandleSkinCommand(m, skinData_.get());
      return true;
    case acGetApplication:
      m.Result = LRESULT(PtrParam(QCoreApplication::instance()));
      return true;
    case 61:
      m.Result = LRESULT(MAKELONG(ClientOffsetX(), ClientOffsetY()));
      return true;
    default:
      return false;
  }
}

void TsSkinProvider::RemoveSkin() {
  TsSkinManager* manager = Manager();
  if (ControlAdapterSeam().Destroy) ControlAdapterSeam().Destroy(*this);
  Message own{SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(manager)), 0};
  HandleSkinCommand(own, skinData_.get());
  menuRowCount_ = -1;
  titleIndex_ = -1;
  captionIndex_ = -1;
  if (form_) {
    Message children{SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(manager)), 0};
    SendSkinCommandToChildren(form_, children);
  }
  EndMoveOutline(false);
  if (form_ && !IsDestroying(form_) && manager) {
    HookFormMenus(*this, true);
    SetSysMenuStyle(false);
    SetMDIAdapter(false);
    regionRects_.clear();
    SetWindowRgn(form_, std::nullopt, true);
    InstallMenuLineLayout(false);
    if (framed_) SetNonClientFrame(form_, false);
    framed_ = false;
    // The plain line is laid out again by the platform.
    RebuildMainMenu();
  }
  // The labels the skin recoloured got their own looks back from the
  // control adapter; the form gets its own colour back (or inherits it
  // again).
  GiveBackOwnColor();
  systemMenu_.reset();
  skinData_->CacheBitmap.reset();
  firstPaint_ = true;
}

void TsSkinProvider::GiveBackOwnColor() {
  if (form_ && !IsDestroying(form_) && ownColorKept_ && skinData_ && !skinData_->CustomColor()) {
    if (ownColorSet_) SetControlColor(form_, ownColor_);
    else ResetPaletteColor(form_, form_->backgroundRole());
  }
  ownColorKept_ = false;
}

void TsSkinProvider::NewSkin(bool fromSkinnedPath) {
  TsSkinManager* manager = Manager();
  if (!form_ || !manager) return;
  ApplySkin();
  // WS_SYSMENU stays: the platform's frame draws no buttons of its own
  // under a provider that paints the band, and the caption reads its
  // icons from it.
  if (!SkinLoading) HookFormMenus(*this, true);
  skinData_->BackgroundDirty = true;
  menuRowCount_ = -1;
  titleBitmapValid_ = false;
  if (fromSkinnedPath && form_->isVisible()) RedrawNonClient(form_);
  SetMDIAdapter(true);
  CreateAdapter(*this);
  Readapt(*this, nullptr);
}

void TsSkinProvider::Refresh() {
  TsSkinManager* manager = Manager();
  if (!form_ || !manager) return;
  CreateAdapter(*this);
  Readapt(*this, nullptr);
  SetMDIAdapter(true);
  menuRowCount_ = -1;
  titleBitmapValid_ = false;
  if (!SkinLoading) {
    RebuildMainMenu();
    HookFormMenus(*this, true);
  }
  ApplySkin();
  if (form_->isVisible()) {
    skinData_->BackgroundDirty = true;
    if (!FormsLocked) {
      UpdateFormRegion(false);
      RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      RedrawNonClient(form_);
    }
  }
  skinData_->SetUpdating(false);
  if (auto* menu = dynamic_cast<TsSystemMenu*>(systemMenu_.get())) menu->UpdateItems(false);
}

void TsSkinProvider::SkinnedCommand(Message& m) {
  const unsigned command = HIWORD(std::uintptr_t(m.WParam));
  const unsigned argument = LOWORD(std::uintptr_t(m.WParam));
  TsSkinManager* manager = Manager();
  const bool own = m.LParam == LPARAM(PtrParam(manager));
  switch (command) {
    case acNewSkin:
      if (own) NewSkin(true);
      break;
    case acAppActivated:
      if (borderForm_ && form_ && form_->isModal()) UpdateBorderWindow(false);
      break;
    case acRefresh:
      if (own) Refresh();
      break;
    case acGetProvider:
      m.Result = LRESULT(PtrParam(this));
      break;
    case acSetUpdating:
      skinData_->SetUpdating(argument == 1);
      if (argument == 1) skinData_->BackgroundDirty = true;
      break;
    case acSetHiddenMode:
      HandleSkinCommand(m, skinData_.get());
      if (skinData_->HiddenMode) PaintAll();
      break;
    case acIsUpdating:
      m.Result = manager && !FormsLocked && skinData_->ParentDependent() && skinData_->UpdatingFlag() ? 1 : 0;
      break;
    case acIsBgComplex: {
      const int i = skinData_->SectionIndex;
      bool complex = false;
      if (manager && manager->IsValidSectionIndex(i)) {
        const TsGeneralData& s = manager->GeneralData[size_t(i)];
        complex = s.ImagePercent + s.GradientPercent > 0;
      }
      m.WParam = complex ? 1 : 0;
      m.Result = complex ? 1 : 0;
      break;
    }
    case acGetBgColor:
      m.Result = LRESULT(FormColor());
      break;
    case acControlChanged:
      // lParam names one of the form's controls (0: all of them); a
      // number that is none of the form's own re-adapts nothing.
      if (!m.LParam)
        Readapt(*this, nullptr);
      else if (QWidget* control = form_ ? FindParamAmong<QWidget>(form_->findChildren<QWidget*>(), m.LParam) : nullptr)
        Readapt(*this, control);
      break;
    case kLockCompositeRedraw:
    case kUnlockCompositeRedraw:
      // A background of the skin's pictures is redrawn whole once, not
      // piece by piece.
      if ((skinData_->ContainerFlags & 1) || !form_) break;
      SendMessage(form_, WM_SETREDRAW, command == kUnlockCompositeRedraw ? 1 : 0, 0);
      if (command == kUnlockCompositeRedraw && form_)
        RedrawWindow(form_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      break;
    default:
      break;  // nothing, and no default
  }
}

void TsSkinProvider::WindowMessage(Message& m, const std::function<void()>& def) {
  QPointer<TsSkinProvider> self(this);
  if (MdiMessage(m, def)) return;
  switch (m.Msg) {
    case WM_WINDOWPOSCHANGING:
      if (inRegionUpdate_) return;  // swallowed while the region changes
      WindowPosChanging(m);
      def();
      return;
    case WM_MOVE:
      FreeButtonFades();
      def();
      return;
    case WM_SIZE: {
      FreeButtonFades();
      def();
      if (!self || !form_) return;
      skinData_->BackgroundDirty = true;
      if (form_->isVisible() && CacheSizeChanged()) {
        BuildRegionRects();
        UpdateFormRegion(false);
        menuRowCount_ = -1;
        if (drawNonClientArea_) RedrawNonClient(form_);
      }
      return;
    }
    case WM_SETTEXT:
      def();
      if (!self || !form_) return;
      // Only the caption changed: the title is painted anew from its saved band.
      if (form_->isVisible() && drawNonClientArea_ && HasOwnCaption(ReadFormInfo())) RepaintTitle();
      else skinData_->BackgroundDirty = true;
      return;
    case WM_CONTEXTMENU:
      // A popup menu given to the form since its last activation is
      // skinned before it opens.
      if (TsSkinManager* manager = Manager())
        if (QObject* menu = GetObjectProperty(form_, QStringLiteral("PopupMenu")))
          commondata::HookPopupMenu(manager, menu, manager->Active());
      def();
      return;
    case WM_SETICON:
      def();
      if (!self || !form_) return;
      skinData_->BackgroundDirty = true;
      if (form_->isVisible() && drawNonClientArea_) RedrawNonClient(form_);
      return;
    case WM_SETTINGCHANGE:
      skinData_->BackgroundDirty = true;
      titleBitmapValid_ = false;
      def();
      return;
    case WM_GETMINMAXINFO:
      def();
      if (self) GetMinMaxInfo(m);
      return;
    case WM_NCHITTEST: {
      if (!drawNonClientArea_ || CaptionHeight(true) == 0) {
        def();
        return;
      }
      if (MDIButtonsVisible()) {
        const QPoint local = form_->mapFromGlobal(QPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
        for (int mdi = 101; mdi <= 103; ++mdi) {
          const TRect r = MdiButtonRect(mdi);
          if (r.Width() > 0 && InRect(r, local.x(), local.y())) {
            SetHotButton(mdi, true);
            m.Result = mdi;
            return;
          }
        }
      }
      const int code = NonClientHitTest({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      if (code == HTNOWHERE || code == HTCLIENT || code == HTCAPTION || code == HTMENU) {
        SetHotButton(0, true);
        def();
        // The band that is not ours stays caption, whatever the
        // default's classic frame would call it.
        if (code == HTCAPTION && m.Result == HTCLIENT) m.Result = HTCAPTION;
        return;
      }
      m.Result = code;
      if (resizeMode_ == TsResizeMode::rmBorder && !BorderDrag.InProgress && code >= HTLEFT &&
          code <= HTBOTTOMRIGHT)
        BorderDrag.HitCode = code;
      return;
    }
    case WM_NCPAINT:
      if (!drawNonClientArea_) {
        def();
        return;
      }
      PaintNonClient();
      m.Result = 0;
      return;
    case WM_SHOWWINDOW:
      if (!IsMdiChild() && m.WParam == 1) showState_ = IsIconic(form_) ? 2 : IsZoomed(form_) ? 3 : 1;
      def();
      if (self && form_) SkinUnskinnedMdiChildren();
      return;
    case WM_NCACTIVATE: {
      formActive_ = m.WParam != 0;
      if (!formActive_ && showState_ == 3) {
        showState_ = 0;
      } else if (showState_ == 3) {
        // Shown maximized: the controls wait for the frame, whose paint
        // ends the wait (PaintFrameToDC). Without a frame of ours to paint
        // nothing would end it.
        if (form_->isVisible() && drawNonClientArea_) {
          skinData_->SetUpdating(true);
          activationHold_ = true;
        }
      } else {
        skinData_->BackgroundDirty = true;
        skinData_->SetUpdating(false);
      }
      def();
      if (!self || !form_) return;
      // An MDI main form shows its maximized child's caption: it is active
      // while that child is the active form.
      if (!formActive_ && GetFormStyle(form_) == fsMDIForm && MaximizedMdiChild() &&
          QApplication::activeWindow() == form_) {
        formActive_ = true;
        titleBitmapValid_ = false;
      }
      if (BandShown() && drawNonClientArea_) RedrawNonClient(form_);
      HookFormMenus(*this, true);
      if (!self || !form_) return;
      RefreshMainMenuOnce();
      if (!self || !form_) return;
      CreateAdapter(*this);
      return;
    }
    case kNc93:
    case WM_ENTERIDLE:
    case WM_PRINTCLIENT:
    case kCmInvalidate:
    case kCmUnknown4C:
    case kCmUnknown4D:
      m.Result = 0;
      return;
    case WM_NCLBUTTONDOWN:
      NcLButtonDown(m, def);
      return;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
      NcLButtonUp(m, def);
      return;
    case WM_NCLBUTTONDBLCLK: {
      if (!drawNonClientArea_) {
        def();
        return;
      }
      EndMoveOutline(false);
      if (g_pressedProvider == this) g_pressedProvider = nullptr;
      const int code = int(m.WParam);
      if (code == HTSYSMENU) {
        if (sysMenuTimer_) delete sysMenuTimer_.data();
        sysMenuTimer_ = nullptr;
        TsSkinManager* manager = Manager();
        if (!manager || !manager->SkinnedPopups()) skinData_->SetUpdating(true);
        CloseForm();
      } else if (code == HTCAPTION) {
        const TacSysMenuState s = MenuState();
        const bool zoomed = IsZoomed(form_), iconic = IsIconic(form_);
        if (iconic || (zoomed && s.EnabledRestore)) SendMessage(form_, WM_SYSCOMMAND, SC_RESTORE, 0);
        else if (!zoomed && s.EnabledMax && s.VisibleMax) SendMessage(form_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        if (self)
          if (auto* menu = dynamic_cast<TsSystemMenu*>(systemMenu_.get())) menu->UpdateItems(false);
      }
      m.Result = 0;
      return;
    }
    case WM_NCRBUTTONDOWN:
      if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) return;
      def();
      return;
    case WM_NCRBUTTONUP: {
      if (!HasOwnCaption(ReadFormInfo())) {
        def();
        return;
      }
      const int code = NonClientHitTest({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      if (code == HTCAPTION || code == HTSYSMENU) {
        SetHotButton(0, true);
        const QPoint p = QCursor::pos();
        ShowSystemMenu(p.x(), p.y());
      }
      return;
    }
    case WM_SYSCOMMAND:
      SysCommand(m, def);
      return;
    case WM_INITMENUPOPUP:
      if (HIWORD(std::uintptr_t(m.LParam)) != 0)
        if (QMenu* menu = GetSystemMenu(form_))
          if (QAction* size = GetMenuItem(menu, SC_SIZE, false)) size->setEnabled(false);
      def();
      return;
    case WM_MOUSEMOVE:
      def();
      if (self && FirstSkinManager) FirstSkinManager->SetHotWindow(form_);
      if (self && BorderDrag.InProgress && GetCapture() == form_) {
        const QPoint p = QCursor::pos();
        DrawMoveOutline({p.x(), p.y()});
      }
      return;
    case WM_CAPTURECHANGED:
      // The grab went elsewhere: the drag ends where it is, nothing moves.
      if (BorderDrag.InProgress && outline_) EndMoveOutline(false);
      def();
      return;
    case WM_ACTIVATE:
      Activate(m, def);
      return;
    case WM_SYSCOLORCHANGE:
      // The menu line's text takes system colours: the band is painted anew.
      def();
      if (self && form_) RebuildMainMenu();
      if (self && form_ && form_->isVisible()) RequestFullRepaint();
      return;
    case WM_CHILDACTIVATE:
      def();
      if (self && form_) RebuildMainMenu();
      return;
    case WM_SETREDRAW:
      redrawLock_ = m.WParam == 1 ? std::max(0, redrawLock_ - 1) : redrawLock_ + 1;
      def();
      return;
    case WM_ERASEBKGND:
      EraseBackground(m, def);
      return;
    case WM_PAINT:
      Paint(m, def);
      return;
    case WM_PRINT:
      if (form_->isVisible() && !(GetControlState(form_) & (csCreating | csDestroying)) && m.WParam) {
        RefreshMainMenuOnce();
        if (self && form_) PrintForm(m);
      } else {
        def();
      }
      return;
    case CM_SHOWINGCHANGED:
      ShowingChanged(m, def);
      return;
    case CM_MOUSEWHEEL:
      def();
      if (self) MouseWheelToControl(m);
      return;
    case WM_PARENTNOTIFY: {
      const unsigned event = LOWORD(std::uintptr_t(m.WParam));
      def();
      if (!self || !form_ || (event != WM_CREATE && event != WM_DESTROY)) return;
      if (event == WM_CREATE) Readapt(*this, nullptr);
      if (!self || !form_) return;
      Message check{SkinCommandMsg, MAKEWPARAM(0, acContainerBg), 1, 0};
      SendSkinCommandToChildren(form_, check);
      return;
    }
    case CM_CONTROLLISTCHANGE: {
      def();
      auto* control = m.WParam ? ParamPtr<QWidget>(std::uintptr_t(m.WParam)) : nullptr;
      if (!self || !form_ || !control || !m.LParam) return;
      // A control put on the form: the adapter takes it (until the adapter
      // unit is there, nobody does), and it and its children look at their
      // container's background again.
      QPointer<QWidget> alive(control);
      Readapt(*this, control);
      if (!alive) return;
      Message check{SkinCommandMsg, MAKEWPARAM(0, acContainerBg), 1, 0};
      SendSkinCommandToChildren(control, check);
      if (alive) Perform(control, SkinCommandMsg, MAKEWPARAM(0, acContainerBg), 1);
      return;
    }
    case CM_ENABLEDCHANGED:
      def();
      if (self && form_ && drawNonClientArea_) RepaintFrame();
      return;
    case CM_COLORCHANGED:
      if (skinData_->CustomColor() && !(GetControlState(form_) & csCreating)) skinData_->BackgroundDirty = true;
      def();
      return;
    case CM_MENUCHANGED:
      if (form_->isVisible() && !(GetControlState(form_) & csCreating)) menuLineChanged_ = true;
      def();
      return;
    case CM_VISIBLECHANGED:
      def();
      if (!self || !form_) return;
      if (!m.WParam) {
        // A hidden form keeps no picture of itself, and its buttons' fades
        // end.
        for (TacSBAnimation* fade : findChildren<TacSBAnimation*>(Qt::FindDirectChildrenOnly)) delete fade;
        if (IsDestroying(form_)) return;
        if (skinData_->CacheBitmap) *skinData_->CacheBitmap = Bitmap(0, 0, pf24bit);
        skinData_->BackgroundDirty = true;
      } else if (form_->parentWidget() && !form_->isWindow()) {
        NotifyChildrenUpdated(form_);
      }
      return;
    case CM_MOUSEENTER: {
      def();
      if (!self || !form_) return;
      // The mouse is on the form itself: a control that still thinks it
      // is under the mouse hears that it left.
      const auto* entered = ParamPtr<QWidget>(std::uintptr_t(m.LParam));
      std::vector<QPointer<QWidget>> left;
      for (QWidget* child : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == entered || child->isWindow()) continue;
        const TacMainWnd* adapter = FindAdapter(child);
        if (adapter && adapter->SkinData() && adapter->SkinData()->MouseAbove) left.emplace_back(child);
      }
      for (const QPointer<QWidget>& child : left)
        if (child) SendMessage(child, CM_MOUSELEAVE, 0, LPARAM(PtrParam(child.data())));
      return;
    }
    case WM_NCMOUSELEAVE:
    case WM_MOUSELEAVE:
      SetHotButton(0, true);
      def();
      return;
    default:
      def();
      return;
  }
}

void TsSkinProvider::Activate(Message& m, const std::function<void()>& def) {
  (void)m;
  QPointer<TsSkinProvider> self(this);
  if (!form_->isVisible()) {
    def();
    return;
  }
  def();
  if (!self || !form_ || (GetControlState(form_) & csCreating)) return;
  menuRowCount_ = -1;
  HookFormMenus(*this, true);
  if (!self || !form_) return;
  if (auto* menu = dynamic_cast<TsSystemMenu*>(systemMenu_.get())) menu->UpdateItems(false);
  // A form without a frame of its own tells its controls at once.
  if (ReadFormInfo().BorderStyle == bsNone) NotifyChildrenUpdated(form_);
}

void TsSkinProvider::NcLButtonDown(Message& m, const std::function<void()>& def) {
  const int code = int(m.WParam);
  const TPoint point{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  if (!drawNonClientArea_) {
    if (code != HTSYSMENU) def();
    else ShowSystemMenuBelowIcon();
    return;
  }
  if (code == HTSYSMENU) {
    ClickOnTitleIcon();
    return;
  }
  if (code == HTMENU) {
    def();
    return;
  }
  if (IsTitleButtonCode(code)) {
    const TacSysMenuState s = code >= 101 ? MdiChildMenuState() : MenuState();
    if ((code == 103 && !s.EnabledMin) || (code == 102 && !s.EnabledRestore)) return;
    g_pressedProvider = this;
    g_pressedCode = code;
    SetPressedButton(code);
    return;
  }
  if (code >= kUserButtonHitBase && size_t(code - kUserButtonHitBase) < titleButtons_.size()) {
    g_pressedProvider = this;
    g_pressedCode = code;
    SetPressedButton(code);
    TsTitleButton& b = titleButtons_[size_t(code - kUserButtonHitBase)];
    if (b.OnMouseDown) b.OnMouseDown(b, Qt::LeftButton, Qt::NoModifier, point.X, point.Y);
    return;
  }
  if (IsIconic(form_)) {
    SendMessage(form_, WM_SYSCOMMAND, SC_DRAGMOVE, m.LParam);
    return;
  }
  SetHotButton(0, true);
  if (IsZoomed(form_)) {
    const QPoint local = form_->mapFromGlobal(QPoint(point.X, point.Y));
    const TacTitleMetrics metrics = ReadTitleMetrics();
    if (local.y() < metrics.SystemBorder + metrics.CaptionHeight) {
      if (!form_->isActiveWindow()) form_->activateWindow();
      return;  // a maximized window is not dragged
    }
  }
  if (resizeMode_ == TsResizeMode::rmBorder && !DwmCompositionEnabled()) {
    BeginMoveOutline(point, code);
    return;
  }
  def();
}

void TsSkinProvider::NcLButtonUp(Message& m, const std::function<void()>& def) {
  if (!drawNonClientArea_) {
    def();
    return;
  }
  QPointer<TsSkinProvider> self(this);
  if (BorderDrag.InProgress && outline_) {
    // Any release ends the drag; a maximized form stays where it is.
    EndMoveOutline(true);
    return;
  }
  const TPoint screen = m.Msg == WM_NCLBUTTONUP
                            ? TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}
                            : [&] {
                                const QRect c = form_->contentsRect();
                                const QPoint p = form_->mapToGlobal(QPoint(GET_X_LPARAM(m.LParam) + c.left(),
                                                                           GET_Y_LPARAM(m.LParam) + c.top()));
                                return TPoint{p.x(), p.y()};
                              }();
  const int code = m.Msg == WM_NCLBUTTONUP ? int(m.WParam) : HTCLIENT;
  const bool pressedHere = g_pressedProvider == this && g_pressedCode != 0;
  const int pressed = pressedHere ? g_pressedCode : 0;
  if (pressedHere) {
    g_pressedProvider = nullptr;
    g_pressedCode = 0;
  }
  if (!pressedHere) {
    if (IsIconic(form_) && MdiMainProvider) ShowSystemMenuBelowIcon();
    else def();
    return;
  }
  const QPoint local = form_->mapFromGlobal(QPoint(screen.X, screen.Y));
  const auto release = [&] {
    if (!self) return;
    // The pressed button shows normal (or hot, when the mouse is on it).
    if (TacCaptionButton* b = ButtonRecord(pressed)) b->State = 0;
    else if (pressed >= kUserButtonHitBase && size_t(pressed - kUserButtonHitBase) < titleButtons_.size())
      titleButtons_[size_t(pressed - kUserButtonHitBase)].State = 0;
    hotCode_ = 0;
    RepaintTitleButton(pressed);
  };
  if (code != pressed) {
    // Released elsewhere: the button comes up, nothing runs.
    release();
    if (self) def();
    return;
  }
  const auto updateItems = [&] {
    if (self)
      if (auto* menu = dynamic_cast<TsSystemMenu*>(systemMenu_.get())) menu->UpdateItems(false);
  };
  QWidget* form = form_;
  switch (code) {
    case HTHELP:
      release();
      SendMessage(form, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      updateItems();
      if (self) RedrawNonClient(form);
      return;
    case HTMINBUTTON: {
      const TacCaptionButton* b = ButtonRecord(HTMINBUTTON);
      if (!b || !InRect(b->Rect, local.x(), local.y())) {
        release();
        if (self) def();
        return;
      }
      release();
      const bool mainForm = form == QApplication::activeWindow() && form->property("MainForm").toBool();
      SendMessage(form, WM_SYSCOMMAND, !mainForm && IsIconic(form) ? SC_RESTORE : SC_MINIMIZE, 0);
      if (self) skinData_->BackgroundDirty = true;
      return;
    }
    case HTMAXBUTTON: {
      const TacSysMenuState s = MenuState();
      const bool zoomed = IsZoomed(form);
      release();
      if (s.EnabledMax || (zoomed && s.EnabledRestore)) {
        SendMessage(form, WM_SYSCOMMAND, zoomed ? SC_RESTORE : SC_MAXIMIZE, 0);
        updateItems();
      }
      return;
    }
    case HTCLOSE:
      release();
      SendMessage(form, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case 101:
    case 102:
    case 103: {
      release();
      QMdiArea* area = MdiClient(form);
      QWidget* child = area ? area->activeSubWindow() : nullptr;
      if (child) child = static_cast<QMdiSubWindow*>(child)->widget();
      if (child)
        SendMessage(child, WM_SYSCOMMAND, code == 101 ? SC_CLOSE : code == 102 ? SC_RESTORE : SC_MINIMIZE, 0);
      return;
    }
    default:
      if (code >= kUserButtonHitBase && size_t(code - kUserButtonHitBase) < titleButtons_.size()) {
        release();
        if (!self) return;
        TsTitleButton& b = titleButtons_[size_t(code - kUserButtonHitBase)];
        if (b.OnMouseUp) b.OnMouseUp(b, Qt::LeftButton, Qt::NoModifier, screen.X, screen.Y);
        return;
      }
      release();
      if (self) def();
      return;
  }
}

void TsSkinProvider::SysCommand(Message& m, const std::function<void()>& def) {
  QPointer<TsSkinProvider> self(this);
  const unsigned command = unsigned(m.WParam) & 0xFFF0;
  if (resizeMode_ == TsResizeMode::rmBorder && !BorderDrag.InProgress && (command == SC_MOVE || command == SC_SIZE) &&
      unsigned(m.WParam) != SC_DRAGMOVE) {
    const QPoint p = QCursor::pos();
    const unsigned edge = unsigned(m.WParam) & 0xF;
    // SC_SIZE without an edge ("Size" from the system menu) sizes from the
    // bottom-right corner.
    static constexpr int edgeCodes[9] = {HTBOTTOMRIGHT, HTLEFT,   HTRIGHT,      HTTOP,        HTTOPLEFT,
                                         HTTOPRIGHT,    HTBOTTOM, HTBOTTOMLEFT, HTBOTTOMRIGHT};
    BeginMoveOutline({p.x(), p.y()}, command == SC_MOVE ? HTCAPTION : edgeCodes[std::min(edge, 8u)]);
    return;
  }
  // Alt+Space: the skin's system menu stands for the standard one, which
  // the default would show as well.
  if (command == SC_KEYMENU && m.LParam == ' ' && HasOwnCaption(ReadFormInfo()) && MenuState().VisibleClose) {
    ShowSystemMenuBelowIcon();
    return;
  }
  def();
  if (!self || !form_) return;
  switch (command) {
    case SC_MINIMIZE:
      if (skinData_->CacheBitmap) skinData_->CacheBitmap->SetSize(0, 0);
      break;
    case SC_MAXIMIZE:
    case SC_RESTORE:
      if (TacCaptionButton* b = ButtonRecord(HTMAXBUTTON)) b->State = 0;
      SetHotButton(0, false);
      if (command == SC_RESTORE) {
        skinData_->BackgroundDirty = true;
        if (!HasOwnCaption(ReadFormInfo())) SetWindowRgn(form_, std::nullopt, true);
        else RedrawNonClient(form_);
      }
      break;
    default:
      break;
  }
}
