#include "platform/CbtHook.h"

#include "platform/HandlerList.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QWidget>

namespace platform {

namespace {

using CbtHooks = HandlerList<CbtHookProc>;

CbtHooks& Hooks() {
  static CbtHooks hooks;
  return hooks;
}

}  // namespace

class CbtHookRunner {
 public:
  // Runs the hooks from `node` on.
  static LRESULT Run(CbtHooks::NodePtr node, int code, WPARAM wParam, LPARAM lParam) {
    node = CbtHooks::Live(std::move(node));
    if (!node) return 0;
    return node->fn(code, wParam, lParam, CallNextHook(node.get()));
  }
};

namespace {

// The application filter that turns widget events into hook calls.
class CbtFilter final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watched->isWidgetType() || IsRedelivery(watched, event)) return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
      case QEvent::Polish:
        if (!qobject_cast<QMenu*>(widget)) Create(widget);
        break;
      case QEvent::Show:
        if (qobject_cast<QMenu*>(widget)) Create(widget);
        break;
      case QEvent::Hide:
        if (qobject_cast<QMenu*>(widget)) Destroy(widget);
        break;
      case QEvent::WindowActivate:
        if (widget->isWindow()) CallCbtHooks(HCBT_ACTIVATE, PtrParam(widget), 0);
        break;
      case QEvent::Destroy:
        Destroy(widget);
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Create(QWidget* widget) {
    if (announced_.contains(widget)) return;
    announced_.insert(widget);
    CbtCreateWnd info{GetClassName(widget), GetWindowLong(widget, GWL_STYLE),
                      GetWindowLong(widget, GWL_EXSTYLE), GetParent(widget)};
    CallCbtHooks(HCBT_CREATEWND, PtrParam(widget), LPARAM(PtrParam(&info)));
  }
  void Destroy(QWidget* widget) {
    if (announced_.remove(widget)) CallCbtHooks(HCBT_DESTROYWND, PtrParam(widget), 0);
  }

  QSet<const QWidget*> announced_;
};

QPointer<CbtFilter>& Filter() {
  static QPointer<CbtFilter> filter;
  return filter;
}

}  // namespace

LRESULT CallNextHook::operator()(int code, WPARAM wParam, LPARAM lParam) const {
  return CbtHookRunner::Run(static_cast<const CbtHooks::Node*>(node_)->next, code, wParam, lParam);
}

LRESULT CallCbtHooks(int code, WPARAM wParam, LPARAM lParam) {
  return CbtHookRunner::Run(Hooks().First(), code, wParam, lParam);
}

bool CbtHookHandle::Installed() const {
  auto node = CbtHooks::Lock(node_);
  return node && !node->removed;
}

CbtHookHandle InstallCbtHook(CbtHookProc hook) {
  CbtHookHandle handle;
  auto* app = QCoreApplication::instance();
  if (!hook || !app) return handle;
  if (!Filter()) {
    Filter() = new CbtFilter;
    Filter()->setParent(app);
    app->installEventFilter(Filter());
  }
  handle.node_ = Hooks().Add(std::move(hook));
  return handle;
}

bool RemoveCbtHook(CbtHookHandle& handle) {
  const bool removed = CbtHooks::Remove(handle.node_);
  if (removed && Hooks().Empty() && Filter()) {
    // Out of the application's filters now; deleted later, as the last
    // hook may be removing itself from inside the filter's call.
    QCoreApplication::instance()->removeEventFilter(Filter());
    Filter()->deleteLater();
    Filter() = nullptr;
  }
  return removed;
}

void SuspendCbtHook(const CbtHookHandle& handle, bool suspended) {
  if (auto node = CbtHooks::Lock(handle.node_)) node->suspended = suspended;
}

}  // namespace platform
