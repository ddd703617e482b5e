#include "platform/WindowPos.h"

#include "platform/NonClient.h"
#include "platform/WindowTable.h"

#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace platform {

bool SetWindowPos(QWidget* window, QWidget* insertAfter, int x, int y, int cx, int cy, unsigned flags) {
  if (!window) return false;
  QPointer<QWidget> alive(window);
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
    QRect r = window->geometry();
    // A window's position and size are its frame's; a child's position is
    // in its parent's client area.
    const QRect outer = window->isWindow() ? window->frameGeometry() : window->geometry();
    const QPoint origin = window->isWindow() ? r.topLeft() - outer.topLeft() : ClientOrigin(window->parentWidget());
    if (!(flags & SWP_NOMOVE)) r.moveTopLeft(QPoint(x, y) + origin);
    if (!(flags & SWP_NOSIZE))
      r.setSize(QSize(std::max(0, cx - (outer.width() - r.width())), std::max(0, cy - (outer.height() - r.height()))));
    window->setGeometry(r);
  }
  if (alive && (flags & SWP_FRAMECHANGED)) RecalcNonClient(window);
  if (alive && !(flags & SWP_NOZORDER) && !insertAfter) window->raise();
  if (alive && (flags & SWP_SHOWWINDOW)) {
    const bool quiet = window->testAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_ShowWithoutActivating, quiet || (flags & SWP_NOACTIVATE));
    window->show();
    if (alive) window->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
  }
  if (alive && (flags & SWP_HIDEWINDOW)) window->hide();
  return true;
}

bool GetWindowPlacement(const QWidget* window, WINDOWPLACEMENT* placement) {
  if (!window || !placement) return false;
  placement->showCmd = window->isMinimized()   ? SW_SHOWMINIMIZED
                       : window->isMaximized() ? SW_SHOWMAXIMIZED
                                               : SW_SHOWNORMAL;
  const QRect frame = window->frameGeometry(), client = window->geometry();
  const QRect normal = window->normalGeometry().isValid() ? window->normalGeometry() : client;
  const QRect r = normal.adjusted(frame.left() - client.left(), frame.top() - client.top(),
                                  frame.right() - client.right(), frame.bottom() - client.bottom());
  placement->rcNormalPosition = Bounds(r.x(), r.y(), r.width(), r.height());
  return true;
}

}  // namespace platform
