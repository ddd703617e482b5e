#include "platform/WindowUtils.h"

#include "platform/AppWindow.h"
#include "platform/Mdi.h"
#include "platform/Messages.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"

#include <QApplication>
#include <QCursor>
#include <QHash>
#include <QMdiSubWindow>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

// The client area's top-left corner on the screen (the screen's own: 0, 0).
QPoint ClientOnScreen(const QWidget* w) { return w ? w->mapToGlobal(ClientOrigin(w)) : QPoint(); }

bool LetsInputThrough(const QWidget* w) {
  return (w->windowFlags() & Qt::WindowTransparentForInput) || w->testAttribute(Qt::WA_TransparentForMouseEvents);
}

bool Under(const QWidget* w, QPoint local, QRect area) {
  return area.contains(local) && (w->mask().isEmpty() || w->mask().contains(local));
}

// The topmost child control of `w` under `local` that takes input.
QWidget* ChildAt(const QWidget* w, QPoint local) {
  const QObjectList& children = w->children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (!(*it)->isWidgetType()) continue;
    auto* child = static_cast<QWidget*>(*it);
    if (child->isWindow() || child->isHidden() || LetsInputThrough(child)) continue;
    if (Under(child, local - child->pos(), child->rect())) return child;
  }
  return nullptr;
}

int Rank(const QWidget* w) {
  if (w->windowType() == Qt::Popup) return 4;
  if (w->windowFlags() & Qt::WindowStaysOnTopHint) return 3;
  if (w->windowType() == Qt::Tool) return 2;
  return w->isActiveWindow() ? 1 : 0;
}

QList<QWidget*> ChildList(const QWidget* parent) {
  QList<QWidget*> list;
  if (!parent) return QApplication::topLevelWidgets();
  const QObjectList& children = parent->children();
  for (auto it = children.rbegin(); it != children.rend(); ++it)
    if ((*it)->isWidgetType() && !static_cast<QWidget*>(*it)->isWindow()) list.append(static_cast<QWidget*>(*it));
  return list;
}

}  // namespace

bool ScreenToClient(const QWidget* window, TPoint* point) {
  if (!window || !point) return false;
  const QPoint p = QPoint(point->X, point->Y) - ClientOnScreen(window);
  *point = {p.x(), p.y()};
  return true;
}

bool ClientToScreen(const QWidget* window, TPoint* point) {
  if (!window || !point) return false;
  const QPoint p = QPoint(point->X, point->Y) + ClientOnScreen(window);
  *point = {p.x(), p.y()};
  return true;
}

std::uint32_t MapWindowPoints(const QWidget* from, const QWidget* to, TPoint* points, unsigned count) {
  const QPoint d = ClientOnScreen(from) - ClientOnScreen(to);
  for (unsigned i = 0; points && i < count; ++i) points[i] = {points[i].X + d.x(), points[i].Y + d.y()};
  return MAKELONG(d.x(), d.y());
}

QWidget* WindowFromPoint(TPoint screen) {
  const QPoint p(screen.X, screen.Y);
  // Windows in the order Qt made their native windows: a later one lies
  // above an earlier one of the same rank.
  QHash<const QWindow*, QWidget*> widgets;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowHandle()) widgets.insert(w->windowHandle(), w);
  QWidget* found = nullptr;
  int foundRank = -1;
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    QWidget* w = widgets.value(window);
    if (!w || !w->isVisible() || IsApplicationWindow(w) || LetsInputThrough(w)) continue;
    const QRect frame = detail::WindowScreenRect(w);
    if (!Under(w, w->mapFromGlobal(p), QRect(w->mapFromGlobal(frame.topLeft()), frame.size()))) continue;
    if (const int rank = Rank(w); rank >= foundRank) {
      found = w;
      foundRank = rank;
    }
  }
  for (QWidget* child = found ? ChildAt(found, found->mapFromGlobal(p)) : nullptr; child && child->isEnabled();
       child = ChildAt(found, found->mapFromGlobal(p)))
    found = child;
  return found;
}

bool GetCursorPos(TPoint* point) {
  if (!point) return false;
  const QPoint p = QCursor::pos();
  *point = {p.x(), p.y()};
  return true;
}

QWidget* FindWindowEx(const QWidget* parent, const QWidget* after, const QString& className,
                      const QString& windowName) {
  bool started = !after;
  for (QWidget* w : ChildList(parent)) {
    if (!started) {
      started = w == after;
      continue;
    }
    if ((className.isEmpty() || GetClassName(w).compare(className, Qt::CaseInsensitive) == 0) &&
        (windowName.isEmpty() || GetWindowText(w) == windowName))
      return w;
  }
  return nullptr;
}

bool EnumChildWindows(const QWidget* parent, const std::function<bool(QWidget*)>& callback) {
  if (!parent) return false;
  for (QWidget* child : ChildList(parent))
    if (!callback(child) || !EnumChildWindows(child, callback)) return false;
  return true;
}

bool IsIconic(const QWidget* window) {
  if (!window) return false;
  if (window->isWindow()) return window->isMinimized();
  // An MDI child is iconic with its sub-window.
  const QMdiSubWindow* sub = MdiSubWindowOf(window);
  return sub && sub->isMinimized();
}

bool IsZoomed(const QWidget* window) {
  return window && window->isWindow() && (window->isMaximized() || detail::SelfZoomed(window));
}

bool IsWindowVisible(const QWidget* window) { return window && window->isVisible() && window->updatesEnabled(); }

bool IsWindowEnabled(const QWidget* window) { return window && window->isEnabled(); }

}  // namespace platform
