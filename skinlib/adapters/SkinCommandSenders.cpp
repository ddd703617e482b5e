#include "skinlib/adapters/SkinCommandSenders.h"

#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"

using namespace platform;

LRESULT SendSkinCommandToHandle(QWidget* window, unsigned command, LPARAM lParam) {
  if (!window) return 0;
  return SendMessage(window, SkinCommandMsg, MAKEWPARAM(0, int(command)), lParam);
}

LRESULT SendSkinCommandToControl(QWidget* control, unsigned command, LPARAM lParam) {
  if (!control) return 0;
  const WPARAM wParam = MAKEWPARAM(0, int(command));
  if (IsGraphicControl(control)) return Perform(control, SkinCommandMsg, wParam, lParam);
  if (IsDestroying(control) || !HandleAllocated(control)) return 0;
  return SendMessage(control, SkinCommandMsg, wParam, lParam);
}

bool SkinCommandAnswered(QWidget* window, unsigned command) {
  return SendSkinCommandToHandle(window, command, 0) == 1;
}

TColor GetControlBgColor(QWidget* control) {
  if (!control) return KeyColor;
  if (SendSkinCommandToControl(control, kCommandIsSkinned, 0) == 1)
    return ColorToRGB(TColor(SendSkinCommandToControl(control, kCommandBgColor, KeyColor)));
  return ColorToRGB(GetControlColor(control));
}

namespace {

void StartSenders() {
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.SendSkinCommandToHandle = &SendSkinCommandToHandle;
  table.GetControlBgColor = &GetControlBgColor;
}

void FinishSenders() {
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.SendSkinCommandToHandle = nullptr;
  table.GetControlBgColor = nullptr;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("SkinCommandSenders", StartSenders, FinishSenders, {"LibraryConstants"});

}  // namespace
