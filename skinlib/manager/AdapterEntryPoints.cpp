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

}  // namespace adapters
