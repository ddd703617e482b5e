#include "skinlib/adapters/sFrameAdapter.h"

#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/ScrollBars.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>

using namespace platform;

namespace {

constexpr unsigned kCmVisibleChanged = 0xB00B, kCmMouseEnter = 0xB013, kCmShowingChanged = 0xB019;
constexpr unsigned acLock = 51, acUnlock = 52;
const QString kGroupBox = QStringLiteral("GROUPBOX");

unsigned SubCommand(const Message& m) { return HIWORD(std::uintptr_t(m.WParam)); }

// The windowed child controls of `w`, guarded against their going.
std::vector<QPointer<QWidget>> WindowedChildren(QWidget* w) {
  std::vector<QPointer<QWidget>> children;
  for (QObject* child : w->children())
    if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow() &&
        !IsGraphicControl(static_cast<QWidget*>(child)))
      children.emplace_back(static_cast<QWidget*>(child));
  return children;
}

// The form's control adapter hears of the frame's changes only when it
// adapts controls of other libraries (the rules' third-party bit, 4).
bool TellsItsForm(const TsCommonData& d) {
  const TsSkinManager* sm = d.SkinManager();
  return sm && (sm->SkinningRules() & TsSkinManager::srThirdParty);
}

}  // namespace

QString& FrameAdapterClass() {
  static QString name;
  return name;
}

bool IsAdapterFrame(const QWidget* widget) {
  const QString& name = FrameAdapterClass();
  if (!widget || name.isEmpty()) return false;
  return GetClassName(widget) == name || widget->inherits(name.toLatin1().constData());
}

// ------------------------------------------------------------ life

TsFrameAdapter::TsFrameAdapter(QObject* owner) : QObject(owner) {
  auto* widget = owner && owner->isWidgetType() ? static_cast<QWidget*>(owner) : nullptr;
  const bool isFrame = IsAdapterFrame(widget);
  // The frame owns the data's look; an inert adapter keeps data of its own.
  skinData_ = isFrame ? std::make_unique<TsCommonData>(widget) : std::make_unique<TsCommonData>(this);
  skinData_->ControlKind = kFrameControlKind;
  skinData_->SetSkinSection(kGroupBox);
  if (!isFrame) {
    ShowErrorBox(QString::fromLatin1(kFrameAdapterMessage));
    return;
  }
  frame_ = widget;
  hook_ = InstallWindowProc(
      widget, [this](Message& m, const CallPrevious& previous) { WndProc(m, previous); }, WindowProcLevel::Control);
  AfterConstruction();
}

TsFrameAdapter::~TsFrameAdapter() {
  destroying_ = true;
  scrollAdapter_.reset();
  RemoveWindowProc(hook_);
}

void TsFrameAdapter::AfterConstruction() {
  if (!frame_) return;
  if (!SkinCommandAnswered(frame_, acIsSkinned) && HandleAllocated(frame_)) return;
  skinData_->RefreshSkinIndexes();
  // The frame's own popup menus are drawn by the skinned menus.
  if (TsSkinManager* sm = skinData_->SkinManager(); sm && sm->Active()) HookOwnedPopupMenus(sm, frame_, true);
}

TsFrameAdapter* CreateFrameAdapter(QWidget* frame) {
  if (!frame) return nullptr;
  if (auto* existing = frame->findChild<TsFrameAdapter*>(QString(), Qt::FindDirectChildrenOnly)) return existing;
  return new TsFrameAdapter(frame);
}

void TsFrameAdapter::UpdateScrollAdapter() {
  if (!frame_ || destroying_) return;
  // Only a scrolling frame has bars of its own to skin.
  if (!qobject_cast<QAbstractScrollArea*>(frame_.data())) return;
  UpdateControlScrollAdapter(*skinData_, scrollAdapter_);
}

// ------------------------------------------------------------ answers

TColor TsFrameAdapter::BackgroundColor() const {
  QWidget* f = frame_;
  if (!f) return ColorToRGB(clBtnFace);
  const TsCommonData& d = *skinData_;
  const TsGeneralData* s = d.Section();
  if (!d.Skinned(/*checkActive=*/true) || !s) return ColorToRGB(GetControlColor(f));
  if (d.ParentDependent()) return KeyColor;
  if (s->Transparency <= 0) return ColorToRGB(s->Color);
  QWidget* parent = GetParent(f);
  TColor parentColor = ColorToRGB(GetControlColor(f));
  if (parent) {
    const bool answers = SkinCommandAnswered(parent, acIsSkinned);
    const TColor answer = answers ? TColor(SendSkinCommandToHandle(parent, acGetBgColor, 0)) : KeyColor;
    parentColor = ColorToRGB(answer == KeyColor ? GetControlColor(parent) : answer);
  }
  if (s->Transparency >= 100) return parentColor;
  return MixColors(parentColor, ColorToRGB(s->Color), s->Transparency / 100.0) & 0xFFFFFF;
}

// ------------------------------------------------------------ painting

void TsFrameAdapter::Redraw() {
  if (frame_) RedrawWindow(frame_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TsFrameAdapter::PaintFrame(Canvas& dc) {
  if (!frame_ || (FormsLocked && !printing_)) return;
  if (skinData_->ParentDependent()) ParentDependentPaint(dc);
  else PlainPaint(dc);
}

void TsFrameAdapter::ParentDependentPaint(Canvas& dc) {
  QWidget* f = frame_;
  TsCommonData& d = *skinData_;
  TsSkinManager* sm = d.SkinManager();
  const int saved = dc.SaveDC();
  d.SetUpdating(d.Updating());
  if (!d.UpdatingFlag() && sm) {
    // A corner outside the parent's client area: what shows behind it moved.
    if (QWidget* parent = GetParent(f)) {
      const QRect g = f->geometry().adjusted(1, 1, -1, -1);
      const QRect pc = parent->contentsRect();
      for (const QPoint& p : {g.topLeft(), g.topRight(), g.bottomLeft(), g.bottomRight()})
        if (!pc.contains(p)) d.BackgroundDirty = true;
    }
    if (d.BackgroundDirty || !d.CacheBitmap || d.CacheBitmap->Width() != f->width() ||
        d.CacheBitmap->Height() != f->height()) {
      if (!d.CacheBitmap) d.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
      d.CacheBitmap->SetPixelFormat(pf24bit);
      d.CacheBitmap->SetSize(std::max(1, f->width()), std::max(1, f->height()));
      TsBgSource bg;
      ParentWndCacheInfo(f, bg);
      PaintControlItem(d, bg, *d.CacheBitmap, {0, 0, f->width(), f->height()}, {0, 0}, 0, true);
      d.BackgroundDirty = false;
    }
    CopyBgExcludingChildControls(f, d, {0, 0}, 0, 0, false, dc, {0, 0, f->width(), f->height()});
    PaintGraphicChildren(dc, f, {0, 0});
  }
  dc.RestoreDC(saved);
  if (!d.UpdatingFlag()) NotifyChildrenUpdated(f);
}

void TsFrameAdapter::PlainPaint(Canvas& dc) {
  QWidget* f = frame_;
  TsCommonData& d = *skinData_;
  d.SetUpdating(false);
  const int b = d.BorderMaxWidth();
  TRect r{0, 0, f->width(), f->height()};
  const int saved = dc.SaveDC();
  ExcludeGraphicControls(dc, f, 0, 0);
  if (b > 0) {
    if (!d.CacheBitmap) d.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
    d.CacheBitmap->SetPixelFormat(pf24bit);
    d.CacheBitmap->SetSize(std::max(1, f->width()), std::max(1, f->height()));
    TRect client = r;
    PaintSkinBorders(d.CacheBitmap->GetCanvas(), r, 0, client, 0, d);
    r = {b, b, f->width() - b, f->height() - b};
  }
  if (r.Width() > 0 && r.Height() > 0) FillDCRect(dc, r, d.SectionBgColor(false, f));
  dc.RestoreDC(saved);
  if (b > 0 && d.CacheBitmap) {
    CopyDCBorder(dc, 0, 0, f->width(), 0, 0, d.CacheBitmap->GetCanvas(), f->height(), b);
    d.CacheBitmap.reset();
  }
  PaintGraphicChildren(dc, f, {0, 0});
}

// ------------------------------------------------------------ the window procedure

void TsFrameAdapter::WndProc(Message& m, const CallPrevious& previous) {
  QPointer<TsFrameAdapter> self(this);
  if (m.Msg == SkinCommandMsg && SkinCommand(m, previous)) return;
  if (!self || !frame_) return;
  const bool going = destroying_ || IsDestroying(frame_);
  if (!going && skinData_->Skinned(/*checkActive=*/true)) {
    if (SkinnedMessage(m, previous)) return;
  } else if ((m.Msg == kCmVisibleChanged || m.Msg == kCmShowingChanged) && HandleAllocated(frame_)) {
    skinData_->RefreshSkinIndexes();
    Message children{SkinCommandMsg, MAKEWPARAM(0, acNewSkin), LPARAM(PtrParam(skinData_->SkinManager())), 0};
    SendSkinCommandToChildren(frame_, children);
    if (!self || !frame_) return;
  }
  previous(m);
}

bool TsFrameAdapter::SkinCommand(Message& m, const CallPrevious& previous) {
  (void)previous;
  QWidget* f = frame_;
  TsCommonData& d = *skinData_;
  TsSkinManager* sm = d.SkinManager();
  const bool own = sm && m.LParam == LPARAM(PtrParam(sm));
  switch (SubCommand(m)) {
    case acGetSection:
      m.Result = d.SectionIndex + 1;
      return true;
    case acIsSkinned:
      m.Result = 1;
      return true;
    case acGetApplication:
      m.Result = LRESULT(PtrParam(QCoreApplication::instance()));
      return true;
    case acBgQuery:
      if (auto* query = ParamPtr<TsBgQuery>(std::uintptr_t(m.LParam))) d.FillBgQuery(*query, false, f);
      return true;
    case acLock:
      SendMessage(f, WM_SETREDRAW, 0, 0);
      return true;
    case acUnlock:
      SendMessage(f, WM_SETREDRAW, 1, 0);
      if (frame_) RedrawWindow(f, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      return true;
    case acBeforeRefresh:
      SendSkinCommandToChildren(f, m);
      return true;
    case acNewSkin:
      if (!own) return false;
      SendSkinCommandToChildren(f, m);
      if (!frame_) return true;
      d.RefreshSkinIndexes();
      HookOwnedPopupMenus(sm, f, true);
      d.BackgroundDirty = true;
      UpdateScrollAdapter();
      Redraw();
      return true;
    case acRemoveSkin:
      if (!own) return false;
      scrollAdapter_.reset();
      HandleSkinCommand(m, &d);
      SendSkinCommandToChildren(f, m);
      if (!frame_) return true;
      SetWindowPos(f, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
      Redraw();
      return true;
    case acRefresh:
      if (!own) return false;
      d.RefreshSkinIndexes();
      d.BackgroundDirty = true;
      SendSkinCommandToChildren(f, m);
      if (!frame_) return true;
      Redraw();
      UpdateScrollAdapter();
      return true;
    default:
      return false;
  }
}

bool TsFrameAdapter::SkinnedMessage(Message& m, const CallPrevious& previous) {
  QPointer<TsFrameAdapter> self(this);
  QWidget* f = frame_;
  TsCommonData& d = *skinData_;
  if (m.Msg == SkinCommandMsg) {
    switch (SubCommand(m)) {
      case acEndUpdate:
        if (d.UpdatingFlag()) {
          d.SetUpdating(false);
          RedrawWindow(f, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
          if (!self) return true;
        }
        if (CommonWindowMessage(m, &d)) return true;
        return false;
      case acSetUpdating: {
        const bool on = LOWORD(std::uintptr_t(m.WParam)) == 1;
        d.SetUpdating(on);
        for (const QPointer<QWidget>& child : WindowedChildren(f))
          if (child) SendMessage(child, SkinCommandMsg, m.WParam, m.LParam);
        return true;
      }
      case acIsUpdating:
        m.Result = d.UpdatingFlag() && !f->isHidden() ? 1 : 0;
        return true;
      case acTransparentBgChanged:
        if (d.IsTransparentSection()) d.BackgroundDirty = true;
        return true;
      case acIsBgComplex: {
        const TsGeneralData* s = d.Section();
        m.Result = (s && s->GradientPercent + s->ImagePercent >= 1) || d.HasCompositeBackground() ? 1 : 0;
        return true;
      }
      case acGetBgColor:
        m.Result = LRESULT(BackgroundColor());
        return true;
      default:
        return CommonWindowMessage(m, &d);
    }
  }
  switch (m.Msg) {
    case WM_PARENTNOTIFY: {
      const unsigned event = LOWORD(std::uintptr_t(m.WParam));
      if (event != WM_CREATE && event != WM_DESTROY) return false;
      if (event == WM_CREATE) {
        d.RefreshSkinIndexes();
        Message children{SkinCommandMsg, MAKEWPARAM(0, acNewSkin), LPARAM(PtrParam(d.SkinManager())), 0};
        SendSkinCommandToChildren(f, children);
        if (!self || !frame_) return true;
        // The form's control adapter takes the newcomer.
        if (TellsItsForm(d)) NotifyParentForm(f);
        if (!self || !frame_) return true;
      }
      previous(m);
      if (self && scrollAdapter_) scrollAdapter_->RefreshScrolls(true);
      return true;
    }
    case WM_PAINT: {
      // (The whole frame is in the paint event's region already: asking
      // for more paint from inside it would paint it again and again.)
      if (!GetParent(f)) return false;
      if (Canvas* dc = BeginPaint(f)) PaintFrame(*dc);
      EndPaint(f);
      m.Result = 0;
      return true;
    }
    case WM_MOVE:
    case WM_SIZE: {
      const bool changed = m.Msg == WM_SIZE || d.ParentDependent();
      if (changed) {
        d.BackgroundDirty = true;
        for (const QPointer<QWidget>& child : WindowedChildren(f))
          if (child) InvalidateRect(child, nullptr, true);
        if (m.Msg == WM_SIZE) InvalidateRect(f, nullptr, true);
      }
      return false;
    }
    case WM_ERASEBKGND: {
      if (!f->isVisible()) return false;
      m.Result = 1;
      if (FormsLocked) return true;
      d.SetUpdating(d.Updating());
      if (!d.UpdatingFlag() && (!d.ParentDependent() || !d.BackgroundDirty))
        if (auto* dc = ParamPtr<Canvas>(std::uintptr_t(m.WParam))) PaintFrame(*dc);
      return true;
    }
    case WM_NCPAINT:
      d.SetUpdating(d.Updating());
      m.Result = 0;
      return true;
    case WM_PRINT:
      d.SetUpdating(false);
      if (auto* dc = ParamPtr<Canvas>(std::uintptr_t(m.WParam))) {
        printing_ = true;
        PaintFrame(*dc);
        printing_ = false;
        if (scrollAdapter_) scrollAdapter_->PaintScrollBars(dc);
      }
      m.Result = 0;
      return true;
    case kCmVisibleChanged:
      d.BackgroundDirty = true;
      previous(m);
      if (self && frame_ && GetParent(frame_))
        SendSkinCommandToHandle(GetParent(frame_), acControlChanged, LPARAM(PtrParam(frame_.data())));
      return true;
    case kCmMouseEnter: {
      previous(m);
      if (!self || !frame_) return true;
      // The mouse is on the frame: a child still drawn under the mouse is
      // drawn again (the one it came from, lParam, excepted).
      const auto* sender = ParamPtr<QWidget>(std::uintptr_t(m.LParam));
      for (const QPointer<QWidget>& child : WindowedChildren(frame_)) {
        if (!child || child == sender) continue;
        const TacMainWnd* adapter = FindAdapter(child);
        if (adapter && adapter->SkinData() && adapter->SkinData()->MouseAbove)
          RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
      }
      if (self && frame_)
        if (TsSkinManager* sm = d.SkinManager()) sm->SetHotWindow(frame_);
      return true;
    }
    case kCmShowingChanged:
      previous(m);
      if (!self || !frame_) return true;
      UpdateScrollAdapter();
      if (TellsItsForm(d)) NotifyParentForm(frame_);
      return true;
    default:
      return false;
  }
}
