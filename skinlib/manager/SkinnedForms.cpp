#include "skinlib/manager/SkinnedForms.h"

#include "platform/AppWindow.h"
#include "platform/Mdi.h"
#include "platform/Painting.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QMdiArea>

using namespace platform;

std::vector<QPointer<QWidget>> SkinnedForms;
std::unique_ptr<Icon> AppIconLarge;
std::unique_ptr<Icon> AppIconSmall;

// ------------------------------------------------------------ the list

int AddSkinnedForm(QWidget* form) {
  SkinnedForms.emplace_back(form);
  return int(SkinnedForms.size());
}

void RemoveSkinnedForm(QWidget* form) {
  for (size_t i = 0; i < SkinnedForms.size();) {
    if (SkinnedForms[i] != form) {
      ++i;
      continue;
    }
    // The last entry takes the place; the same place is looked at again.
    SkinnedForms[i] = SkinnedForms.back();
    SkinnedForms.pop_back();
  }
}

namespace {

using GuardedForms = std::vector<QPointer<QWidget>>;

WPARAM Command(unsigned command) { return MAKEWPARAM(0, int(command)); }

// A form deleting its children (a manager placed on it among them) is
// going too: until it is done its child list holds the freed ones as
// nulls, which no walk over its children survives.
bool DeletingChildren(const QWidget* form) { return form->children().contains(nullptr); }

bool Gone(const QPointer<QWidget>& form) { return !form || IsDestroying(form) || DeletingChildren(form); }

// The message to a form, its children and (an MDI main form) its client.
void SendToForm(const QPointer<QWidget>& form, Message& m) {
  SendMessage(form, m.Msg, m.WParam, m.LParam);
  if (Gone(form)) return;
  adapters::SendSkinCommandToChildren(form, m);
  if (Gone(form) || GetFormStyle(form) != fsMDIForm) return;
  if (QMdiArea* client = MdiClient(form)) SendMessage(client, m.Msg, m.WParam, m.LParam);
}

// A skinned form that the lock concerns: shown, a window of its own,
// neither minimized nor an MDI child; its provider belongs to `manager`.
QObject* LockableProvider(const QPointer<QWidget>& form, TsSkinManager* manager) {
  if (Gone(form) || !form->isWindow() || !form->isVisible() || form->isMinimized()) return nullptr;
  if (GetFormStyle(form) == fsMDIChild) return nullptr;
  QObject* provider = FormProvider(form);
  return provider && adapters::ProviderManager(provider) == manager ? provider : nullptr;
}

// A form with an extended-border window shows maximized again, without
// painting meanwhile, and the window active before gets the activation
// back.
void ReshowMaximized(QWidget* form) {
  const QPointer<QWidget> active = QApplication::activeWindow();
  const std::uint32_t style = std::uint32_t(GetWindowLong(form, GWL_STYLE));
  SetWindowLong(form, GWL_STYLE, std::intptr_t(style & ~WS_VISIBLE));
  ShowWindow(form, SW_SHOWMAXIMIZED);
  SetWindowLong(form, GWL_STYLE, std::intptr_t(style | WS_VISIBLE));
  if (active && active != form) active->activateWindow();
}

void Repainted(QWidget* form, QObject* provider, TsSkinManager* manager) {
  const bool nonClient = adapters::ProviderDrawsNonClient(provider);
  const TacSkinChanging& animation = manager->AnimEffects().SkinChanging;
  if (animation.Active) adapters::AnimateFormShow(form, nonClient ? animation.Time : 0);
  if (adapters::ProviderHasBorderWindow(provider) && IsZoomed(form)) ReshowMaximized(form);
  SendMessage(form, WM_SETREDRAW, 1);
  adapters::SetProviderLocked(provider, false);
  if (nonClient) {
    adapters::RebuildProviderFrame(provider);
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    adapters::ShowProviderBorder(provider);
  } else {
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  }
}

}  // namespace

QObject* FormProvider(QWidget* form) {
  if (!form) return nullptr;
  return ParamPtr<QObject>(std::uintptr_t(SendMessage(form, SkinCommandMsg, Command(acGetProvider), 0)));
}

// ------------------------------------------------------------ the lock

void LockSkinnedForms(TsSkinManager* manager) {
  if (IsApplicationMinimized()) return;
  if (manager && manager == FirstSkinManager && manager->AnimEffects().SkinChanging.Active) FormsLocked = true;
  const GuardedForms forms = SkinnedForms;
  for (const QPointer<QWidget>& form : forms) {
    QObject* provider = LockableProvider(form, manager);
    if (!provider) continue;
    adapters::SetProviderLocked(provider, true);
    SendMessage(form, WM_SETREDRAW, 0);
  }
}

void UnlockSkinnedForms(TsSkinManager* manager, bool repaint) {
  if (IsApplicationMinimized()) return;
  if (manager && manager == FirstSkinManager) FormsLocked = false;
  const GuardedForms forms = SkinnedForms;
  for (const QPointer<QWidget>& form : forms) {
    QObject* provider = LockableProvider(form, manager);
    if (!provider) continue;
    if (repaint)
      Repainted(form, provider, manager);
    else
      SendMessage(form, WM_SETREDRAW, 1);
  }
}

// ------------------------------------------------------------ broadcasts

void BroadcastToAllForms(Message& m) {
  GuardedForms forms;
  for (QWidget* form : ScreenForms()) forms.emplace_back(form);
  for (size_t i = forms.size(); i-- > 0;) {
    const QPointer<QWidget>& form = forms[i];
    if (Gone(form) || GetFormStyle(form) == fsMDIChild) continue;
    if (SendMessage(form, SkinCommandMsg, Command(acIsSkinned), 0) == 1) continue;
    if (!Gone(form)) SendToForm(form, m);
  }
  BroadcastToSkinnedForms(m);
}

void BroadcastToSkinnedForms(Message& m) {
  const GuardedForms forms = SkinnedForms;
  for (const QPointer<QWidget>& form : forms)
    if (!Gone(form)) SendToForm(form, m);
  GuardedForms dialogs;
  for (QWidget* window : adapters::DialogProviderWindows()) dialogs.emplace_back(window);
  for (const QPointer<QWidget>& window : dialogs)
    if (!Gone(window) && window->isVisible()) SendMessage(window, m.Msg, m.WParam, m.LParam);
}

// ------------------------------------------------------------ the unit

namespace {

// The skin manager's steps.
void Broadcast(unsigned command, TsSkinManager* manager) {
  Message m{SkinCommandMsg, Command(command), LPARAM(PtrParam(manager)), 0};
  BroadcastToAllForms(m);
}

void StartSkinnedForms() {
  const QString program = QCoreApplication::applicationFilePath();
  AppIconSmall.reset(FileIcon(program, SHGFI_ICON | SHGFI_SMALLICON));
  AppIconLarge.reset(FileIcon(program, SHGFI_ICON | SHGFI_LARGEICON));
  TacManagerSeams& steps = ManagerSeams();
  steps.BroadcastToAllForms = &Broadcast;
  steps.LockSkinnedForms = &LockSkinnedForms;
  steps.UnlockSkinnedForms = &UnlockSkinnedForms;
}

void FinishSkinnedForms() {
  AppIconSmall.reset();
  AppIconLarge.reset();
  SkinnedForms.clear();
  ChangedSectionName.clear();
  TacManagerSeams& steps = ManagerSeams();
  steps.BroadcastToAllForms = nullptr;
  steps.LockSkinnedForms = nullptr;
  steps.UnlockSkinnedForms = nullptr;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("SkinnedForms", StartSkinnedForms, FinishSkinnedForms, {"LibraryConstants"});

}  // namespace
