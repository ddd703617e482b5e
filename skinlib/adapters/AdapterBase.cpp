#include "skinlib/adapters/AdapterBase.h"

#include "platform/Painting.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterBaseSeams.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QCoreApplication>

using namespace platform;

bool CreatingDialogAdapters = false;
TGetScrollBarInfoProc GetScrollBarInfoProc = nullptr;

namespace {

const QString& AdapterProp() {
  static const QString name = QString::fromLatin1(kAdapterProp);
  return name;
}

std::unique_ptr<std::vector<TacAdapterPtr<TacMainWnd>>>& AdapterListSlot() {
  static std::unique_ptr<std::vector<TacAdapterPtr<TacMainWnd>>> list;
  return list;
}

// The front adapter freed and taken out until none is left (an adapter's
// give-back may reach the list), then the list itself.
void FreeAdapterList() {
  auto& list = AdapterListSlot();
  while (list && !list->empty()) {
    TacAdapterPtr<TacMainWnd> adapter = std::move(list->front());
    list->erase(list->begin());
    adapter.reset();
  }
  list.reset();
}

}  // namespace

std::vector<TacAdapterPtr<TacMainWnd>>& AdapterList() {
  auto& list = AdapterListSlot();
  if (!list) list = std::make_unique<std::vector<TacAdapterPtr<TacMainWnd>>>();
  return *list;
}

bool AdapterListExists() { return AdapterListSlot() != nullptr; }

void TacAdapterDeleter::operator()(TacMainWnd* adapter) const {
  if (!adapter) return;
  adapter->Detach();
  // Freed for its callers at once; its memory goes when its own handler,
  // which may be the caller's caller (a click whose command removed the
  // skin), has returned.
  adapter->life_.reset();
  if (adapter->handlerCalls_ > 0) {
    adapter->freeOnReturn_ = true;
    return;
  }
  delete adapter;
}

// ------------------------------------------------------------ life

TacMainWnd::TacMainWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : ctrlHandle_(handle), skinManager_(manager) {
  if (skinData) {
    skinData_ = skinData;
    if (!manager) skinManager_ = skinData->SkinManager();
  } else {
    ownSkinData_ = std::make_unique<TsCommonData>(nullptr, /*createCacheBmp=*/true);
    skinData_ = ownSkinData_.get();
  }
  if (skinData_->SkinSection().isEmpty()) skinData_->SetSkinSection(section);
  dlgMode_ = CreatingDialogAdapters;
}

// Freed past TacAdapterDeleter (a descendant deleted as itself): at least
// out of the chain and the property, so that the window never routes a
// message to freed memory.
TacMainWnd::~TacMainWnd() {
  if (Destroyed()) return;
  RemoveWindowProc(hook_);
  if (ctrlHandle_ && GetProp(ctrlHandle_, AdapterProp()) == this) RemoveProp(ctrlHandle_, AdapterProp());
}

void TacMainWnd::Attach(bool repaint) {
  KeepOwnParams();
  paramsApplied_ = false;
  caption_ = ctrlHandle_ ? GetWindowText(ctrlHandle_) : QString();
  Install(repaint);
  if (QWidget* owner = skinData_ ? skinData_->OwnerControl() : nullptr) {
    ownOpaque_ = GetControlStyle(owner) & csOpaque;
    opaqueKept_ = true;
    SetOwnerOpaque(skinData_->Skinned());
  }
}

// Opaque only when the skin has the control's section: a control left to
// Qt may paint no background of its own (a status bar), and its parent's
// must show under it. Without the skin the control's own flag comes back.
void TacMainWnd::SetOwnerOpaque(bool skinned) {
  QWidget* owner = skinData_ ? skinData_->OwnerControl() : nullptr;
  if (!owner || !opaqueKept_) return;
  const unsigned style = GetControlStyle(owner);
  SetControlStyle(owner, skinned || ownOpaque_ ? style | csOpaque : style & ~csOpaque);
}

void TacMainWnd::Install(bool /*repaint*/) { InstallAdapter(ctrlHandle_); }

void TacMainWnd::InstallAdapter(QWidget* handle) {
  tracking_ = false;
  ctrlHandle_ = handle;
  QWidget* owner = skinData_ ? skinData_->OwnerControl() : nullptr;
  QWidget* providerForm = owner ? nullptr : adapters::ProviderForm(skinData_ ? skinData_->OwnerObject() : nullptr);
  QWidget* target = handle;
  WindowProcLevel level = WindowProcLevel::Window;
  subclassing_ = TacSubclassing::BareWindow;
  if (providerForm) {
    subclassing_ = TacSubclassing::ProviderForm;
    target = providerForm;
    level = WindowProcLevel::Control;
  } else if (owner) {
    subclassing_ = TacSubclassing::Control;
    target = owner;
    level = WindowProcLevel::Control;
  }
  hook_ = InstallPartHandler(
      target, [this](Message& m, const CallPrevious& previous) { AdapterWndProc(m, previous); }, level);
  // A window that is going (or none) takes no adapter.
  if (!hook_.Installed() || !handle) {
    RemoveWindowProc(hook_);
    phase_ = TacAdapterPhase::Uninstalled;
    return;
  }
  SetProp(handle, AdapterProp(), this);
  phase_ = TacAdapterPhase::Installed;
}

WindowProcHandle TacMainWnd::InstallPartHandler(QWidget* window, WindowProcHandler handler, WindowProcLevel level) {
  return InstallWindowProc(
      window,
      [this, handler = std::move(handler)](Message& m, const CallPrevious& previous) {
        struct Call {
          TacMainWnd* adapter;
          ~Call() {
            if (--adapter->handlerCalls_ == 0 && adapter->freeOnReturn_) delete adapter;
          }
        } call{this};
        ++handlerCalls_;
        handler(m, previous);
      },
      level);
}

void TacMainWnd::Unhook() {
  RemoveWindowProc(hook_);  // nothing when the window went first
  if (!ctrlHandle_) return;
  // Only this adapter's entry: another one installed since keeps its own.
  if (GetProp(ctrlHandle_, AdapterProp()) == this) RemoveProp(ctrlHandle_, AdapterProp());
  GiveBackOwnParams();
  SetOwnerOpaque(false);
}

void TacMainWnd::Uninstall(bool repaint) {
  if (Destroyed()) return;
  phase_ = TacAdapterPhase::Uninstalled;
  Unhook();
  if (ctrlHandle_ && IsWindowVisible(ctrlHandle_)) RefreshWindowFrame(ctrlHandle_, repaint);
}

void TacMainWnd::Detach() {
  // Always out of the chain while the window exists, so that it never
  // routes a message to a freed adapter.
  if (!Destroyed()) {
    phase_ = TacAdapterPhase::Uninstalled;
    Unhook();
  }
  ownSkinData_.reset();
  skinData_ = nullptr;
  skinManager_ = nullptr;
}

// ------------------------------------------------------------ window params

TacWindowParams TacMainWnd::GetWindowParams() const {
  TacWindowParams p;
  if (!ctrlHandle_) return p;
  p.WndRect = GetWindowRect(ctrlHandle_);
  p.WndSize = QSize(p.WndRect.Width(), p.WndRect.Height());
  p.ParentWnd = GetParent(ctrlHandle_);
  TPoint pos{p.WndRect.Left, p.WndRect.Top};
  if (p.ParentWnd) {
    p.ParentRect = GetWindowRect(p.ParentWnd);
    ScreenToClient(p.ParentWnd, &pos);
  }
  p.WndPos = pos;
  return p;
}

// ------------------------------------------------------------ messages

LRESULT TacMainWnd::CallPrevWndProc(const CallPrevious& previous, unsigned msg, WPARAM wParam, LPARAM& lParam) {
  Message record{msg, wParam, lParam, 0};
  previous(record);
  lParam = record.LParam;
  return record.Result;
}

void TacMainWnd::PassOn(Message& m, const CallPrevious& previous) {
  m.Result = CallPrevWndProc(previous, m.Msg, m.WParam, m.LParam);
}

bool TacMainWnd::PassOnAndSurvive(Message& m, const CallPrevious& previous) {
  const std::weak_ptr<const bool> alive = life_;
  PassOn(m, previous);
  return !alive.expired();
}

void TacMainWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
      if (skinData_ && skinData_->GlowIndex >= 0) skinData_->HideGlow();
      if (PassOnAndSurvive(m, previous) && !Destroyed()) Uninstall(/*repaint=*/false);
      return;
    case WM_SIZE:
      if (skinData_) skinData_->BackgroundDirty = true;
      break;
    case WM_SETTEXT:
      if (PassOnAndSurvive(m, previous) && ctrlHandle_) caption_ = GetWindowText(ctrlHandle_);
      return;
    case WM_UPDATEUISTATE:
      return;
    case WM_MOUSEMOVE:
      // Hot tracking (nothing here is ever designed).
      if (TsSkinManager* manager = FirstSkinManager;
          manager && ctrlHandle_ && IsWindowEnabled(ctrlHandle_) && manager->HotWindow() != ctrlHandle_)
        manager->SetHotWindow(ctrlHandle_);
      break;
    case WM_PRINT:
      // The adapter paints into the canvas in wParam.
      m.Result = SendMessage(ctrlHandle_, WM_PAINT, m.WParam, m.LParam);
      return;
    default:
      break;
  }
  const TsSkinManager* manager = skinData_ ? skinData_->SkinManager() : nullptr;
  if (!manager || !manager->Active() || m.Msg != SkinCommandMsg) {
    PassOn(m, previous);
    return;
  }
  SkinCommand(m, previous);
}

bool TacMainWnd::ForThisManager(const Message& m) const {
  return m.LParam == LPARAM(PtrParam(skinData_->SkinManager()));
}

void TacMainWnd::SkinCommand(Message& m, const CallPrevious& previous) {
  TsCommonData& data = *skinData_;
  switch (HIWORD(m.WParam)) {
    case acNewSkin:
      if (ForThisManager(m)) {
        data.RefreshSkinIndexes();
        data.BackgroundDirty = true;
        SetOwnerOpaque(data.Skinned());
        Message children = m;
        ForwardSkinCommand(data.OwnerControl(), ctrlHandle_, children);
      }
      break;
    case acRemoveSkin:
      if (ForThisManager(m)) {
        GiveBackOwnParams();
        SetOwnerOpaque(false);
      }
      break;
    case acRefresh:
      if (!ForThisManager(m)) break;
      data.RefreshSkinIndexes();
      SetOwnerOpaque(data.Skinned());
      data.BackgroundDirty = true;
      data.SetUpdating(false);
      SendMessage(ctrlHandle_, WM_PAINT, 0, 0);
      return;
    case acEndUpdate:
      if (!data.UpdatingFlag()) break;
      data.SetUpdating(false);
      data.SetUpdating(data.Updating());  // the parent may still be updating
      // Repainted on a later turn: this comes from the parent's paint or
      // right after it.
      if (!data.UpdatingFlag()) RedrawWindow(ctrlHandle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
      return;
    case acIsSkinned:
      m.Result = 1;
      return;
    case acIsUpdating:
      m.Result = data.Updating() ? 1 : 0;
      return;
    case acIsBgComplex:
      if (data.OwnerControl() && HandleSkinCommand(m, &data)) return;
      break;
    case acGetBgColor:
      // The previous handling's colour wins (it starts from 0); the
      // section's only when it gave none.
      if (!PassOnAndSurvive(m, previous)) return;
      if (m.Result == 0) m.Result = data.SectionBgColor(/*hot=*/false, ctrlHandle_);
      return;
    case acPrepareCache:
      if (data.BackgroundDirty) adapterseams::PrepareAdapterCache(data, ctrlHandle_, /*state=*/false);
      break;
    case acBgQuery:
      if (m.LParam) data.FillBgQuery(*ParamPtr<TsBgQuery>(m.LParam), /*hot=*/false, ctrlHandle_);
      return;
    case acGetApplication:
      m.Result = LRESULT(PtrParam(QCoreApplication::instance()));
      return;
    default:
      break;
  }
  PassOn(m, previous);
}

// ------------------------------------------------------------ free routines

TacMainWnd* FindAdapter(const QWidget* window) {
  return window ? static_cast<TacMainWnd*>(GetProp(window, AdapterProp())) : nullptr;
}

void RefreshWindowFrame(QWidget* window, bool byPosition) {
  if (!window || IsDestroying(window)) return;
  if (byPosition)
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  else
    SendMessage(window, WM_NCPAINT, 1, 0);
}

void ForwardSkinCommand(QWidget* control, QWidget* window, Message& m) {
  if (control)
    adapters::SendSkinCommandToChildren(control, m);
  else if (window)
    adapterseams::BroadcastToChildWindows(window, m);
}

// ------------------------------------------------------------ the unit

namespace {

void StartAdapterUnit() { GetScrollBarInfoProc = &platform::GetScrollBarInfo; }

void FinishAdapterUnit() {
  FreeAdapterList();
  GetScrollBarInfoProc = nullptr;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("acSBUtils", StartAdapterUnit, FinishAdapterUnit, {"LibraryConstants"});

}  // namespace
