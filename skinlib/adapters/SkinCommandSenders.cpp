#include "skinlib/adapters/SkinCommandSenders.h"

#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterBaseSeams.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QPointer>
#include <QWidget>

#include <vector>

using namespace platform;

namespace {

WPARAM Command(unsigned command) { return MAKEWPARAM(0, int(command)); }

using GuardedList = std::vector<QPointer<QWidget>>;

GuardedList Guarded(const std::vector<QWidget*>& widgets) { return {widgets.begin(), widgets.end()}; }

// A child window in the system's sense: a windowed control that has its
// handle (graphic controls and controls not polished yet have no window
// for the window walks to find).
bool HasWindow(const QWidget* w) { return !IsGraphicControl(w) && HandleAllocated(w); }

}  // namespace

LRESULT SendSkinCommandToHandle(QWidget* window, unsigned command, LPARAM lParam) {
  if (!window) return 0;
  return SendMessage(window, SkinCommandMsg, Command(command), lParam);
}

LRESULT SendSkinCommandToControl(QWidget* control, unsigned command, LPARAM lParam) {
  if (!control) return 0;
  if (IsGraphicControl(control)) return Perform(control, SkinCommandMsg, Command(command), lParam);
  if (IsDestroying(control) || !HandleAllocated(control)) return 0;
  return SendMessage(control, SkinCommandMsg, Command(command), lParam);
}

bool SkinCommandAnswered(QWidget* window, unsigned command) {
  return SendSkinCommandToHandle(window, command, 0) == 1;
}

void SendSkinCommandToChildren(QWidget* control, Message& message) {
  if (!control) return;
  for (const QPointer<QWidget>& child : Guarded(ChildControls(control))) {
    if (!child) continue;
    if (IsDestroying(child)) return;
    if (IsGraphicControl(child) || !HandleAllocated(child))
      Perform(child, message.Msg, message.WParam, message.LParam);
    else if (SkinCommandAnswered(child, kCommandIsSkinned))
      SendMessage(child, message.Msg, message.WParam, message.LParam);
    else if (!IsBroadcastExcluded(child))
      SendSkinCommandToChildren(child, message);
  }
}

void NotifyParentForm(QWidget* control) {
  QWidget* form = control ? control->window() : nullptr;
  if (form && form != control) SendSkinCommandToHandle(form, acControlChanged, LPARAM(control));
}

void NotifyChildrenUpdated(QWidget* control) {
  if (!control || FormsLocked) return;
  for (const QPointer<QWidget>& child : Guarded(ChildControls(control))) {
    // Every control without a window of its own is a graphic one here.
    if (!child || IsGraphicControl(child) || IsDestroying(child)) continue;
    if (HandleAllocated(child) && !child->isHidden()) SendSkinCommandToHandle(child, acEndUpdate, 0);
  }
}

void NotifyTopChildWindows(QWidget* window) {
  GuardedList windows;
  for (QWidget* w = GetTopWindow(window); w; w = GetWindow(w, GW_HWNDNEXT))
    if (HasWindow(w)) windows.emplace_back(w);
  for (const QPointer<QWidget>& w : windows)
    if (w && (GetWindowLong(w, GWL_STYLE) & WS_VISIBLE)) SendSkinCommandToHandle(w, acEndUpdate, 0);
}

void BroadcastToChildWindows(QWidget* window, Message& message) {
  if (!window) return;
  GuardedList children;
  EnumChildWindows(window, [&](QWidget* w) {
    if (GetParent(w) == window && HasWindow(w)) children.emplace_back(w);
    return true;
  });
  for (const QPointer<QWidget>& w : children)
    if (w) SendMessage(w, message.Msg, message.WParam, message.LParam);
}

TColor GetControlBgColor(QWidget* control) {
  if (!control) return KeyColor;
  if (SendSkinCommandToControl(control, kCommandIsSkinned, 0) == 1)
    return ColorToRGB(TColor(SendSkinCommandToControl(control, kCommandBgColor, KeyColor)));
  return ColorToRGB(GetControlColor(control));
}

TColor GetWndBgColor(QWidget* window) {
  if (!window) return KeyColor;
  return ColorToRGB(TColor(SendSkinCommandToHandle(window, kCommandBgColor, KeyColor)));
}

namespace {

void StartSenders() {
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.SendSkinCommandToHandle = &SendSkinCommandToHandle;
  table.GetControlBgColor = &GetControlBgColor;
  table.SendSkinCommandToChildren = &SendSkinCommandToChildren;
  table.GetWndBgColor = &GetWndBgColor;
  AdapterBaseSeams().BroadcastToChildWindows = &BroadcastToChildWindows;
}

void FinishSenders() {
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.SendSkinCommandToHandle = nullptr;
  table.GetControlBgColor = nullptr;
  table.SendSkinCommandToChildren = nullptr;
  table.GetWndBgColor = nullptr;
  AdapterBaseSeams().BroadcastToChildWindows = nullptr;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("SkinCommandSenders", StartSenders, FinishSenders, {"LibraryConstants"});

}  // namespace
