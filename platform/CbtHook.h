// The window hook that sees windows being created, activated and
// destroyed, over one application event filter:
//   HCBT_CREATEWND   a widget's first Polish (before it is first shown);
//                    wParam = the widget, lParam = a CbtCreateWnd*
//   HCBT_ACTIVATE    a window's WindowActivate; wParam = the window
//   HCBT_DESTROYWND  the widget's destruction, before its window
//                    procedures see WM_DESTROY; wParam = the widget
// A popup QMenu counts as created each time it shows and destroyed each
// time it hides, as each popup of a Windows menu is a window of its own.
// Only widgets announced as created are announced as destroyed.
//
// Hooks chain: the newest runs first and passes the call on through
// CallNextHook, or not. A hook can be removed at any time, also from
// inside its own call; a suspended hook is passed over. GUI thread only.
#pragma once

#include "platform/Messages.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace platform {

constexpr int HCBT_CREATEWND = 3, HCBT_DESTROYWND = 4, HCBT_ACTIVATE = 5;

// What HCBT_CREATEWND tells of the new window.
struct CbtCreateWnd {
  QString ClassName;
  std::intptr_t Style = 0;
  std::intptr_t ExStyle = 0;
  QWidget* Parent = nullptr;
};

class CallNextHook {
 public:
  // Runs the older hooks; 0 when there are none.
  LRESULT operator()(int code, WPARAM wParam, LPARAM lParam) const;

 private:
  friend class CbtHookRunner;
  explicit CallNextHook(const void* node) : node_(node) {}
  const void* node_;
};

using CbtHookProc = std::function<LRESULT(int code, WPARAM wParam, LPARAM lParam, const CallNextHook& next)>;

class CbtHookHandle {
 public:
  bool Installed() const;

 private:
  friend CbtHookHandle InstallCbtHook(CbtHookProc);
  friend bool RemoveCbtHook(CbtHookHandle&);
  friend void SuspendCbtHook(const CbtHookHandle&, bool);
  std::weak_ptr<void> node_;
};

CbtHookHandle InstallCbtHook(CbtHookProc hook);
// False when the hook is gone already. The application filter goes with
// the last hook.
bool RemoveCbtHook(CbtHookHandle& handle);
void SuspendCbtHook(const CbtHookHandle& handle, bool suspended);

// Runs the hooks, newest first, as the filter does.
LRESULT CallCbtHooks(int code, WPARAM wParam, LPARAM lParam);

}  // namespace platform
