#include "skinlib/adapters/acDials.h"

#include "platform/Mdi.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/MenuWindowAdapter.h"
#include "skinlib/adapters/PanelAdapters.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/SpinAdapter.h"
#include "skinlib/adapters/StaticAdapters.h"
#include "skinlib/adapters/TabAdapters.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <utility>

using namespace platform;

namespace {

std::unique_ptr<std::vector<QPointer<TacProvider>>> providerList;
CbtHookHandle hookHandle;

constexpr unsigned kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;  // 1413
constexpr unsigned kMoveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER;                                // 521

bool Skinned(QWidget* w) { return SkinCommandAnswered(w, acIsSkinned); }

void RunHookStep(int code, QWidget* window);

void AddToList(TacProvider* provider) {
  if (!providerList) providerList = std::make_unique<std::vector<QPointer<TacProvider>>>();
  providerList->emplace_back(provider);
}

// The slot of `provider` set to nil.
void ClearSlot(const TacProvider* provider) {
  if (!providerList) return;
  for (QPointer<TacProvider>& slot : *providerList)
    if (slot == provider) slot = nullptr;
}

void FreeAllProviders() {
  if (!providerList) return;
  // Freeing one may free others (a form with its MDI children): guarded.
  const std::vector<QPointer<TacProvider>> providers = *providerList;
  providerList.reset();
  for (const QPointer<TacProvider>& p : providers) delete p.data();
}

bool IsFormClass(const QString& name) {
  return name != QLatin1String("#32770") && name != QLatin1String("#32768");
}

// The dialog window adapter's section and the child adapters' table.
template <class T>
TacMainWnd* Make(TacProvider* provider, QWidget* child, const char* section, bool readGeometry = true) {
  TsSkinManager* manager = provider->DialogWnd ? provider->DialogWnd->Manager() : nullptr;
  auto adapter = TacMainWnd::Create<T>(child, nullptr, manager, QString::fromLatin1(section), true);
  TacMainWnd* made = adapter.get();
  // The base reads the window's place when it is asked; nothing is
  // cached here.
  if (readGeometry) (void)made->GetWindowParams();
  provider->Adapters.emplace_back(std::move(adapter));
  return made;
}

void ClearSkipOwnPaint(TacProvider* provider) {
  if (provider->DialogWnd) provider->DialogWnd->SetSkipOwnPaint(false);
}

}  // namespace

std::uint32_t DialogStyle = 0;
int DialogLeft = -1;
int DialogTop = -1;

TacDialogWndMaker& DialogWndFactory() {
  static TacDialogWndMaker maker;
  return maker;
}

std::vector<QPointer<TacProvider>>* AutoProviders() { return providerList.get(); }

bool DialogHookInstalled() { return hookHandle.Installed(); }

// ------------------------------------------------------------ TacProvider

TacProvider::TacProvider(QObject* owner) : QObject(owner) {}

TacProvider::~TacProvider() {
  ClearSlot(this);
  // A form frees its own TsSkinProvider; a dialog's adapters go here.
  Adapters.clear();
  DialogWnd.reset();
}

// ------------------------------------------------------------ the hook

void InstallDialogHook() {
  if (!providerList) providerList = std::make_unique<std::vector<QPointer<TacProvider>>>();
  if (hookHandle.Installed()) return;
  hookHandle = InstallCbtHook([](int code, WPARAM wParam, LPARAM lParam, const CallNextHook& next) {
    return DialogHookProc(code, wParam, lParam, next);
  });
}

void RemoveDialogHook() {
  ClearMenuWndList();
  RemoveCbtHook(hookHandle);
  FreeAllProviders();
}

namespace {

// Runs a step of the hook from inside an event filter of Qt's: nothing may
// escape to Qt. A failure is told from the event loop, not from inside.
void Guarded(const std::function<void()>& step) {
  QString failure;
  try {
    step();
  } catch (const std::exception& e) {
    failure = QString::fromUtf8(e.what());
  } catch (...) {
    failure = QStringLiteral("Unknown error");
  }
  if (!failure.isEmpty()) QTimer::singleShot(0, qApp, [failure] { ShowErrorBox(failure); });
}

}  // namespace

LRESULT DialogHookProc(int code, WPARAM wParam, LPARAM lParam, const CallNextHook& next) {
  const LRESULT result = next(code, wParam, lParam);
  auto* window = reinterpret_cast<QWidget*>(wParam);
  Guarded([code, window] { RunHookStep(code, window); });
  return result;
}

namespace {

// A top-level window is looked at as it is about to be shown first, its
// children made by then; the hook still there decides as on activation.
void SkinAtFirstShow(QWidget* window) {
  if (!window->isWindow() || (GetWindowLong(window, GWL_STYLE) & WS_CHILD)) return;
  AtFirstShow(window, [w = QPointer<QWidget>(window)] {
    if (w && hookHandle.Installed()) Guarded([&w] { SkinActivatedWindow(w); });
  });
}

void RunHookStep(int code, QWidget* window) {
  switch (code) {
    case HCBT_CREATEWND:
      if (!window) break;
      if (GetWndClassName(window) == QLatin1String("#32768")) {
        if (!DwmCompositionEnabled()) AddMenuWndAdapter(window);
      } else {
        SkinAtFirstShow(window);
      }
      break;
    case HCBT_DESTROYWND:
      FreeDestroyedDialogs();
      break;
    case HCBT_ACTIVATE:
      if (window) SkinActivatedWindow(window);
      break;
    default:
      break;
  }
}

}  // namespace

// ------------------------------------------------------------ the decision

bool SkinActivatedWindow(QWidget* wnd) {
  TsSkinManager* sm = FirstSkinManager;
  if (!wnd || !sm || FindProvider(wnd) || Skinned(wnd)) return false;
  QWidget* form = FindFormByHandle(wnd);
  if (form && GetTag(form) == -98) return false;
  // An MDI child's sub-window stands for the child.
  if (form && form != wnd && (FindProvider(form) || Skinned(form))) return false;
  if (form) {
    const QString name = GetWndClassName(form);
    if (name == QLatin1String("TApplication") || name == QLatin1String("TQRStandardPreview") ||
        name == QLatin1String("TfcPopup"))
      return false;
    const auto rule = name == QLatin1String("TMessageForm") ? TsSkinManager::srStdDialogs : TsSkinManager::srStdForms;
    if (!sm->SkinningRules().testFlag(rule)) return false;
    auto* provider = new TacProvider(form);
    AddToList(provider);
    InitForm(provider, form);
    if (GetFormStyle(form) == fsMDIForm) {
      if (QMdiArea* area = MdiClient(form)) {
        for (QMdiSubWindow* sub : area->subWindowList()) {
          QWidget* child = sub->widget();
          if (!child || Skinned(child) || FindProvider(child)) continue;
          auto* childProvider = new TacProvider(child);
          AddToList(childProvider);
          InitForm(childProvider, child);
        }
      }
    }
    return true;
  }
  if (GetWndClassName(wnd) != QLatin1String("#32770") || !sm->SkinningRules().testFlag(TsSkinManager::srStdDialogs))
    return false;
  if (VisibleDialogCount() > 0 && !HasChildClass(wnd, QStringLiteral("toolbarwindow32"))) return false;
  auto* provider = new TacProvider(nullptr);
  AddToList(provider);
  if (!InitDialog(provider, wnd)) delete provider;
  return true;
}

void InitForm(TacProvider* provider, QWidget* form) {
  auto* sp = new TsSkinProvider(form);
  provider->SkinProvider = sp;
  if (DwmCompositionEnabled()) {
    sp->Loaded();
    SetWindowLong(form, GWL_STYLE, GetWindowLong(form, GWL_STYLE) | WS_VISIBLE);
    RedrawWindow(form, nullptr, nullptr, kRedrawAll);
  }
  sp->SetMakeSkinMenu(false);
}

bool InitDialog(TacProvider* provider, QWidget* wnd) {
  provider->Wnd = wnd;
  provider->Adapters.clear();
  TsSkinManager* sm = FirstSkinManager;
  if (!provider->DialogWnd && sm && sm->Active()) {
    DialogStyle = std::uint32_t(GetWindowLong(wnd, GWL_STYLE));
    provider->LeftScrollBar = (GetWindowLong(wnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  }
  const QString name = GetWndClassName(wnd);
  if (name != QLatin1String("#32770") && name != QLatin1String("TMessageForm")) return true;
  // (Flat scroll bars have no counterpart here.)
  if (provider->DialogWnd && provider->DialogWnd->Destroyed()) provider->DialogWnd.reset();
  if (!provider->DialogWnd) {
    if (const TacDialogWndMaker& maker = DialogWndFactory())
      provider->DialogWnd = maker(wnd, nullptr, QStringLiteral("DIALOG"));
  }
  if (DialogLeft != -1 || DialogTop != -1) SetWindowPos(wnd, nullptr, DialogLeft, DialogTop, 0, 0, kMoveOnly);
  const QPointer<QWidget> alive(wnd);
  if (WalkChildren(provider, wnd) && alive) {
    if (provider->DialogWnd) provider->DialogWnd->FirstShowSetup();
    SendSkinCommandToHandle(wnd, acNewSkin, LPARAM(FirstSkinManager));
    return true;
  }
  ClearSlot(provider);
  return false;
}

bool AddChildAdapter(TacProvider* provider, QWidget* child) {
  if (Skinned(child)) return true;
  const bool saved = CreatingDialogAdapters;
  CreatingDialogAdapters = true;
  const QString name = GetWndClassName(child).toLower();
  const auto style = std::uint32_t(GetWindowLong(child, GWL_STYLE));
  const auto has = [style](std::uint32_t bits) { return (style & bits) == bits; };
  if (name == QLatin1String("static")) {
    if (has(3) || has(14)) Make<TacIconWnd>(provider, child, "CHECKBOX");
    else if (!has(13) && (style & 31) != 5 && (style & 31) != 6) Make<TacStaticWnd>(provider, child, "CHECKBOX");
  } else if (name == QLatin1String("#32770")) {
    Make<TacTransPanelWnd>(provider, child, "CHECKBOX");
  } else if (name == QLatin1String("tpanel") || name == QLatin1String("tsilentpaintpanel")) {
    Make<TacDlgPanelWnd>(provider, child, "PANEL", false);
  } else if (name == QLatin1String("button")) {
    if (has(7)) Make<TacGroupBoxWnd>(provider, child, "GROUPBOX");
    else if (has(3) || has(2) || has(5) || has(9) || has(4)) Make<TacCheckBoxWnd>(provider, child, "CHECKBOX");
    else Make<TacBtnWnd>(provider, child, "BUTTON");
  } else if (name == QLatin1String("combobox") || name == QLatin1String("comboboxex32")) {
    Make<TacComboBoxWnd>(provider, child, "COMBOBOX");
    ClearSkipOwnPaint(provider);
  } else if (name == QLatin1String("combolbox")) {
    Make<TacEditWnd>(provider, child, "COMBOBOX");
    ClearSkipOwnPaint(provider);
  } else if (name == QLatin1String("scrollbar")) {
    Make<TacSizerWnd>(provider, child, "CHECKBOX");
  } else if (name == QLatin1String("systabcontrol32")) {
    if (!(style & TCS_OWNERDRAWFIXED)) Make<TacTabControlWnd>(provider, child, "PAGECONTROL");
  } else if (name == QLatin1String("syslistview32")) {
    Make<TacListViewWnd>(provider, child, "EDIT");
  } else if (name == QLatin1String("msctls_updown32")) {
    static_cast<TacSpinWnd*>(Make<TacSpinWnd>(provider, child, "SPEEDBUTTON_SMALL"))->ButtonLeft = 2;
  } else if (name == QLatin1String("listbox")) {
    Make<TacEditWnd>(provider, child, "EDIT");
  } else if (name == QLatin1String("link window") || name == QLatin1String("syslink")) {
    Make<TacLinkWnd>(provider, child, "CHECKBOX");
  } else if (name == QLatin1String("toolbarwindow32")) {
    Make<TacToolBarWnd>(provider, child, style & TBSTYLE_WRAPABLE ? "BAR" : "CHECKBOX");
  } else if (name == QLatin1String("edit")) {
    if (IsWindowVisible(child)) Make<TacEditWnd>(provider, child, "EDIT");
    ClearSkipOwnPaint(provider);
  } else if (name == QLatin1String("systreeview32")) {
    Make<TacTreeViewWnd>(provider, child, "EDIT");
  } else if (name.contains(QLatin1String("shbrowseforfolder"))) {
    Make<TacTransPanelWnd>(provider, child, "CHECKBOX");
  }
  CreatingDialogAdapters = saved;
  return true;
}

bool WalkChildren(TacProvider* provider, QWidget* parent) {
  QPointer<QWidget> child = GetTopWindow(parent);
  while (child) {
    // The parts Qt builds a composite control from belong to its adapter.
    if (ControlFromWindow(child)) {
      if (!WalkChildren(provider, child) || !child) return false;
      if (GetWindowLong(child, GWL_STYLE) & WS_CHILD) AddChildAdapter(provider, child);
      if (!child) return false;  // gone while being adapted
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
  return true;
}

// ------------------------------------------------------------ look-ups

TacProvider* FindProvider(const QWidget* wnd) {
  if (!providerList || !wnd) return nullptr;
  for (const QPointer<TacProvider>& p : *providerList) {
    if (!p) continue;
    if (p->Wnd == wnd) return p;
    if (!p->Wnd && p->parent() == wnd) return p;
  }
  return nullptr;
}

QWidget* FindFormByHandle(QWidget* wnd) {
  if (!wnd) return nullptr;
  const std::vector<QWidget*> forms = ScreenForms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
    QWidget* form = *it;
    if (!IsFormClass(GetWndClassName(form))) continue;
    if (form == wnd) return form;
    if (GetFormStyle(form) != fsMDIForm) continue;
    if (QMdiArea* area = MdiClient(form))
      for (QMdiSubWindow* sub : area->subWindowList())
        if (sub->widget() == wnd || sub == wnd) return sub->widget();
  }
  return nullptr;
}

int VisibleDialogCount() {
  if (!providerList) return 0;
  int count = 0;
  for (const QPointer<TacProvider>& p : *providerList)
    if (p && p->DialogWnd && p->DialogWnd->Window() && IsWindowVisible(p->DialogWnd->Window())) ++count;
  return count;
}

bool HasChildClass(QWidget* wnd, const QString& className) {
  const QString wanted = className.toLower();
  for (QWidget* child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWndClassName(child).toLower() == wanted || HasChildClass(child, wanted)) return true;
  return false;
}

void BroadcastToChildren(QWidget* wnd, Message& m) {
  std::vector<QPointer<QWidget>> children;
  for (QWidget* child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT)) children.emplace_back(child);
  for (const QPointer<QWidget>& child : children)
    if (child) SendMessage(child, m.Msg, m.WParam, m.LParam);
}

QString GetWndClassName(const QWidget* wnd) { return GetClassName(wnd).left(127); }

void FreeDestroyedDialogs() {
  if (!providerList) return;
  const std::vector<QPointer<TacProvider>> providers = *providerList;
  for (const QPointer<TacProvider>& p : providers) {
    if (!p || p->parent()) continue;  // a form's goes with its form
    // A dialog without its own frame adapter goes when its window has gone.
    const bool gone = p->DialogWnd ? p->DialogWnd->Destroyed() : p->Wnd.isNull();
    if (!gone) continue;
    if (p->DialogWnd) p->DialogWnd->ClearDestroyed();
    delete p.data();
  }
}

// ------------------------------------------------------------ shell lists

std::size_t PIDLSize(const TacPIDL& pidl) {
  if (pidl.empty()) return 0;
  std::size_t at = 0;
  while (at + 2 <= pidl.size()) {
    const std::size_t cb = std::size_t(pidl[at]) | std::size_t(pidl[at + 1]) << 8;
    if (cb == 0 || cb < 2 || at + cb > pidl.size()) break;
    at += cb;
  }
  return at + 2;
}

TacPIDL TacShellFolder::CopyPIDL(const TacPIDL& pidl) {
  const std::size_t size = PIDLSize(pidl);
  TacPIDL copy(size, 0);
  if (size > 2) std::memcpy(copy.data(), pidl.data(), size - 2);
  return copy;
}

TacPIDL TacShellFolder::ConcatPIDLs(const TacPIDL& a, const TacPIDL& b) {
  const std::size_t sizeA = a.empty() ? 0 : PIDLSize(a) - 2;
  const std::size_t sizeB = b.empty() ? 2 : PIDLSize(b);  // no B: just the terminator
  TacPIDL result(sizeA + sizeB, 0);
  if (sizeA) std::memcpy(result.data(), a.data(), sizeA);
  if (sizeB > 2) std::memcpy(result.data() + sizeA, b.data(), sizeB - 2);
  return result;
}

void TacShellFolder::FreePIDL(TacPIDL& pidl) { TacPIDL().swap(pidl); }

// ------------------------------------------------------------ the unit

namespace {

void StartDialogs() {
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.InstallDialogHook = &InstallDialogHook;
  table.RemoveDialogHook = &RemoveDialogHook;
  table.RepaintDialogs = [] {
    if (!providerList) return;
    std::vector<QPointer<QWidget>> windows;
    for (const QPointer<TacProvider>& p : *providerList)
      if (p && p->Wnd) windows.emplace_back(p->Wnd);
    for (const QPointer<QWidget>& w : windows)
      if (w && IsWindowVisible(w)) RedrawWindow(w, nullptr, nullptr, kRedrawAll);
  };
  table.DialogProviderWindows = [] {
    std::vector<QWidget*> windows;
    if (providerList)
      for (const QPointer<TacProvider>& p : *providerList)
        if (p && p->Wnd) windows.push_back(p->Wnd);
    return windows;
  };
}

void FinishDialogs() {
  RemoveDialogHook();
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.InstallDialogHook = nullptr;
  table.RemoveDialogHook = nullptr;
  table.RepaintDialogs = nullptr;
  table.DialogProviderWindows = nullptr;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("acDials", StartDialogs, FinishDialogs,
                 {"LibraryConstants", "acSBUtils", "SkinCommandSenders", "sSkinProvider", "MenuWindowAdapter"});

}  // namespace
