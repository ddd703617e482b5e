// The steps of a skin change that other units of the library take over:
// sending the skin command to every form and locking their redraw (the
// shared control data), glow windows, the menu painter, hue and
// saturation, and whether layered windows exist. The skin manager
// (sSkinManager.h) calls the wrappers in `seams::`; each unit fills its
// slots of the table when it starts and empties them when it finishes.
// Until a unit does, its slot is empty and the wrapper gives the answer
// the library gives when there is nothing to do: nothing sent, nothing
// locked or freed, no layered windows, no menu work, the skin's colours
// left as they are.
//
// Tests fill slots to watch what the manager sends. GUI thread only.
#pragma once

#include "platform/Messages.h"
#include "platform/WinTypes.h"

#include <functional>

class QWidget;
class TsSkinManager;

struct TacManagerSeams {
  // Shared control data: the skin command with sub-command `command`
  // (lParam = the manager) to every form, and the redraw of the manager's
  // skinned forms locked and unlocked (with a repaint).
  std::function<void(unsigned command, TsSkinManager* manager)> BroadcastToAllForms;
  std::function<void(TsSkinManager* manager)> LockSkinnedForms;
  std::function<void(TsSkinManager* manager, bool repaint)> UnlockSkinnedForms;
  // Glow effect: every glow window freed.
  std::function<void()> FreeAllGlows;
  // Painting toolbox: whether layered windows can be shown (the system's
  // UpdateLayeredWindow); glows and extended borders need them.
  std::function<bool()> LayeredWindowsAvailable;
  // Skinned menus: the menu painter forgets its cached section index; it
  // takes an active state; the screen rectangle of a menu item (the
  // lParam of the popup message); the handling of a popup window.
  std::function<void(TsSkinManager* manager)> ResetMenuSection;
  std::function<void(TsSkinManager* manager, bool active)> SetMenusActive;
  std::function<bool(platform::LPARAM item, platform::TRect& screen)> MenuItemScreenRect;
  std::function<void(TsSkinManager* manager, QWidget* popup)> HandlePopupWindow;
  // Skin colour adjustment: the manager's HueOffset, then its Saturation,
  // applied to the skin just read.
  std::function<void(TsSkinManager* manager)> ApplyHueAndSaturation;
};

// The table (empty until the units start).
TacManagerSeams& ManagerSeams();

namespace seams {

void BroadcastToAllForms(unsigned command, TsSkinManager* manager);
void LockSkinnedForms(TsSkinManager* manager);
void UnlockSkinnedForms(TsSkinManager* manager, bool repaint);
void FreeAllGlows();
// False when the slot is empty.
bool LayeredWindowsAvailable();
void ResetMenuSection(TsSkinManager* manager);
void SetMenusActive(TsSkinManager* manager, bool active);
// False (no rectangle) when the slot is empty.
bool MenuItemScreenRect(platform::LPARAM item, platform::TRect& screen);
void HandlePopupWindow(TsSkinManager* manager, QWidget* popup);
void ApplyHueAndSaturation(TsSkinManager* manager);

}  // namespace seams
