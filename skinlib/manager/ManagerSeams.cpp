#include "skinlib/manager/ManagerSeams.h"

TacManagerSeams& ManagerSeams() {
  static TacManagerSeams table;
  return table;
}

namespace seams {

void BroadcastToAllForms(unsigned command, TsSkinManager* manager) {
  if (const auto& slot = ManagerSeams().BroadcastToAllForms) slot(command, manager);
}

void LockSkinnedForms(TsSkinManager* manager) {
  if (const auto& slot = ManagerSeams().LockSkinnedForms) slot(manager);
}

void UnlockSkinnedForms(TsSkinManager* manager, bool repaint) {
  if (const auto& slot = ManagerSeams().UnlockSkinnedForms) slot(manager, repaint);
}

void FreeAllGlows() {
  if (const auto& slot = ManagerSeams().FreeAllGlows) slot();
}

bool LayeredWindowsAvailable() {
  const auto& slot = ManagerSeams().LayeredWindowsAvailable;
  return slot && slot();
}

void ResetMenuSection(TsSkinManager* manager) {
  if (const auto& slot = ManagerSeams().ResetMenuSection) slot(manager);
}

void SetMenusActive(TsSkinManager* manager, bool active) {
  if (const auto& slot = ManagerSeams().SetMenusActive) slot(manager, active);
}

bool MenuItemScreenRect(platform::LPARAM item, platform::TRect& screen) {
  const auto& slot = ManagerSeams().MenuItemScreenRect;
  return slot && slot(item, screen);
}

void HandlePopupWindow(TsSkinManager* manager, QWidget* popup) {
  if (const auto& slot = ManagerSeams().HandlePopupWindow) slot(manager, popup);
}

void ApplyHueAndSaturation(TsSkinManager* manager) {
  if (const auto& slot = ManagerSeams().ApplyHueAndSaturation) slot(manager);
}

}  // namespace seams
