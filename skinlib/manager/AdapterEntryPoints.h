// How the skin manager half reaches the window adapters: a table of entry
// points that the adapters' unit (skinlib_adapters) fills when it starts.
// The manager half never links the adapters; a program without them, or
// before their start-up, finds a slot empty, and the call gives the
// answer the library gives when there is nothing to ask ("none": nothing
// sent, the key colour, no hook).
//
// Code of the manager half calls the wrappers in `adapters::`, never the
// slots themselves. GUI thread only.
#pragma once

#include "platform/Colors.h"
#include "platform/Messages.h"

#include <functional>

class QWidget;

struct TacAdapterEntryPoints {
  // Sends the skin command `command` (wParam's high word) to a window.
  std::function<platform::LRESULT(QWidget* window, unsigned command, platform::LPARAM lParam)>
      SendSkinCommandToHandle;
  // The background colour of a control as RGB (skinned ones are asked).
  std::function<platform::TColor(QWidget* control)> GetControlBgColor;
  // The dialog-skinning hook of the default manager, and the repaint of the
  // dialogs it skins.
  std::function<void()> InstallDialogHook;
  std::function<void()> RemoveDialogHook;
  std::function<void()> RepaintDialogs;
};

// The table (empty until the adapters start).
TacAdapterEntryPoints& AdapterEntryPoints();

namespace adapters {

// 0 and nothing sent when the slot is empty.
platform::LRESULT SendSkinCommandToHandle(QWidget* window, unsigned command, platform::LPARAM lParam);
// $FF00FF when the slot is empty.
platform::TColor GetControlBgColor(QWidget* control);
// Nothing when the slot is empty; true when a hook was installed.
bool InstallDialogHook();
void RemoveDialogHook();
void RepaintDialogs();

}  // namespace adapters
