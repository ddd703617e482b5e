#include "skinlib/manager/AdapterEntryPoints.h"

#include "skinlib/manager/LibraryConstants.h"

TacAdapterEntryPoints& AdapterEntryPoints() {
  static TacAdapterEntryPoints table;
  return table;
}

namespace adapters {

platform::LRESULT SendSkinCommandToHandle(QWidget* window, unsigned command, platform::LPARAM lParam) {
  const auto& slot = AdapterEntryPoints().SendSkinCommandToHandle;
  return slot ? slot(window, command, lParam) : 0;
}

platform::TColor GetControlBgColor(QWidget* control) {
  const auto& slot = AdapterEntryPoints().GetControlBgColor;
  return slot ? slot(control) : KeyColor;
}

bool InstallDialogHook() {
  const auto& slot = AdapterEntryPoints().InstallDialogHook;
  if (!slot) return false;
  slot();
  return true;
}

void RemoveDialogHook() {
  if (const auto& slot = AdapterEntryPoints().RemoveDialogHook) slot();
}

void RepaintDialogs() {
  if (const auto& slot = AdapterEntryPoints().RepaintDialogs) slot();
}

std::vector<QWidget*> DialogProviderWindows() {
  const auto& slot = AdapterEntryPoints().DialogProviderWindows;
  return slot ? slot() : std::vector<QWidget*>{};
}

void SendSkinCommandToChildren(QWidget* control, platform::Message& message) {
  if (const auto& slot = AdapterEntryPoints().SendSkinCommandToChildren) slot(control, message);
}

platform::TColor GetWndBgColor(QWidget* window) {
  const auto& slot = AdapterEntryPoints().GetWndBgColor;
  return slot ? slot(window) : KeyColor;
}

void AnimateFormShow(QWidget* form, unsigned time) {
  if (const auto& slot = AdapterEntryPoints().AnimateFormShow) slot(form, time);
}

QWidget* ProviderForm(const QObject* object) {
  const auto& slot = AdapterEntryPoints().ProviderForm;
  return slot && object ? slot(object) : nullptr;
}

TsSkinManager* ProviderManager(const QObject* provider) {
  const auto& slot = AdapterEntryPoints().ProviderManager;
  return slot && provider ? slot(provider) : nullptr;
}

void SetProviderLocked(QObject* provider, bool locked) {
  if (const auto& slot = AdapterEntryPoints().SetProviderLocked; slot && provider) slot(provider, locked);
}

bool ProviderDrawsNonClient(const QObject* provider) {
  const auto& slot = AdapterEntryPoints().ProviderDrawsNonClient;
  return slot && provider && slot(provider);
}

bool ProviderHasBorderWindow(const QObject* provider) {
  const auto& slot = AdapterEntryPoints().ProviderHasBorderWindow;
  return slot && provider && slot(provider);
}

void RebuildProviderFrame(QObject* provider) {
  if (const auto& slot = AdapterEntryPoints().RebuildProviderFrame; slot && provider) slot(provider);
}

void ShowProviderBorder(QObject* provider) {
  if (const auto& slot = AdapterEntryPoints().ShowProviderBorder; slot && provider) slot(provider);
}

void ProviderSectionChanged(QObject* provider) {
  if (const auto& slot = AdapterEntryPoints().ProviderSectionChanged; slot && provider) slot(provider);
}

bool FrameMouseAbove(const QWidget* frame) {
  const auto& slot = AdapterEntryPoints().FrameMouseAbove;
  return slot && frame && slot(frame);
}

}  // namespace adapters
