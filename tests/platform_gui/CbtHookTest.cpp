#include "platform/CbtHook.h"

#include "MessageLog.h"
#include "platform/WindowTable.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>

using namespace platform;

namespace {

// What the hooks saw: "hook code class parent" for a creation, "hook code
// name" for the rest (a widget's class is its base's while it is destroyed).
std::vector<std::string> g_calls;
std::map<const void*, std::string> g_names;

std::string Describe(const char* hook, int code, WPARAM wParam, LPARAM lParam) {
  std::string s = std::string(hook) + " " + std::to_string(code) + " ";
  if (code != HCBT_CREATEWND) return s + g_names[ParamPtr<void>(wParam)];
  const auto* info = ParamPtr<const CbtCreateWnd>(lParam);
  return s + info->ClassName.toStdString() +
         ((info->Style & WS_CHILD) ? " child of " + g_names[info->Parent] : " window");
}

CbtHookHandle Hook(const char* name, bool passOn = true) {
  return InstallCbtHook([name, passOn](int code, WPARAM wParam, LPARAM lParam, const CallNextHook& next) {
    g_calls.push_back(Describe(name, code, wParam, lParam));
    return passOn ? next(code, wParam, lParam) : 0;
  });
}

}  // namespace

// Newer hooks run first and pass the call on, or not; a suspended hook is
// passed over; creation, activation and destruction are all reported.
TEST(CbtHookTest, HooksChainAndPassOn) {
  const struct {
    bool newerPassesOn, newerSuspended;
    std::vector<std::string> calls;
  } cases[] = {
      {true, false, {"new 3 QWidget window", "old 3 QWidget window", "new 3 TButton child of form",
                     "old 3 TButton child of form", "new 5 form", "old 5 form", "new 4 button",
                     "old 4 button", "new 4 form", "old 4 form"}},
      {false, false, {"new 3 QWidget window", "new 3 TButton child of form", "new 5 form", "new 4 button",
                      "new 4 form"}},
      {true, true, {"old 3 QWidget window", "old 3 TButton child of form", "old 5 form", "old 4 button",
                    "old 4 form"}},
  };
  for (const auto& c : cases) {
    g_calls.clear();
    CbtHookHandle older = Hook("old");
    CbtHookHandle newer = Hook("new", c.newerPassesOn);
    SuspendCbtHook(newer, c.newerSuspended);
    auto* window = new QWidget;
    g_names = {{window, "form"}, {new QPushButton(window), "button"}};
    window->show();
    QApplication::setActiveWindow(window);
    delete window;
    EXPECT_EQ(g_calls, c.calls);
    EXPECT_TRUE(RemoveCbtHook(newer));
    EXPECT_FALSE(RemoveCbtHook(newer));
    g_calls.clear();
    QWidget().ensurePolished();
    EXPECT_EQ(g_calls.size(), 2u) << "the older hook stays";
    EXPECT_TRUE(RemoveCbtHook(older));
    QWidget().ensurePolished();
    EXPECT_EQ(g_calls.size(), 2u) << "no hook left";
  }
}

// A popup menu's window is created on each show and destroyed on each
// hide: the hook sees both every time, and a window procedure installed
// at creation sees the window's end and goes with it.
TEST(CbtHookTest, PopupMenuWindowPerShow) {
  MessageLog log;
  int created = 0;
  auto held = std::make_shared<int>();  // by the handlers of each window
  CbtHookHandle hook = InstallCbtHook([&](int code, WPARAM wParam, LPARAM lParam, const CallNextHook& next) {
    auto* widget = ParamPtr<QWidget>(wParam);
    if (code != HCBT_ACTIVATE) g_calls.push_back(Describe("hook", code, wParam, lParam));
    if (code == HCBT_CREATEWND && GetClassName(widget) == "#32768") {
      log.Add(widget, "popup" + std::to_string(++created));
      InstallWindowProc(widget, [held](Message& m, const CallPrevious& previous) { previous(m); });
    }
    return next(code, wParam, lParam);
  });
  g_calls.clear();
  auto* menu = new QMenu;
  g_names = {{menu, "menu"}};
  menu->addAction("x");
  for (int round = 0; round < 2; ++round) {
    menu->popup(QPoint(10, 10));
    menu->hide();
    EXPECT_EQ(held.use_count(), 1) << "the handlers go with the window";
  }
  menu->popup(QPoint(10, 10));
  delete menu;  // while shown
  EXPECT_EQ(g_calls, (std::vector<std::string>{"hook 3 #32768 window", "hook 4 menu", "hook 3 #32768 window",
                                               "hook 4 menu", "hook 3 #32768 window", "hook 4 menu"}));
  EXPECT_EQ(log.Take({WM_DESTROY, WM_NCDESTROY}),
            (std::vector<LogEntry>{{"popup1", WM_DESTROY}, {"popup1", WM_NCDESTROY}, {"popup2", WM_DESTROY},
                                   {"popup2", WM_NCDESTROY}, {"popup3", WM_DESTROY}, {"popup3", WM_NCDESTROY}}));
  RemoveCbtHook(hook);
}
