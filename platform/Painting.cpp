#include "platform/Painting.h"

#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <vector>

namespace platform {

namespace {

Canvas* CanvasOf(const Message& m) { return ParamPtr<Canvas>(m.WParam); }

// True when no widget from `w` down has a chain: nothing can tell Qt's
// painting of them from ours.
bool ChainFree(const QWidget* w) {
  if (detail::HasChain(w)) return false;
  for (const QWidget* child : w->findChildren<QWidget*>())
    if (detail::HasChain(child)) return false;
  return true;
}

// Qt leaves the children whose updates are off out of a render; painting
// by message paints them all the same (WM_SETREDRAW and a cleared
// WS_VISIBLE stop repaints only), so the flag is lifted while Qt renders.
class UpdatesLifted {
 public:
  explicit UpdatesLifted(QWidget* w) { Lift(w); }
  ~UpdatesLifted() {
    for (const QPointer<QWidget>& w : lifted_)
      if (w) w->setAttribute(Qt::WA_UpdatesDisabled, true);
  }
  UpdatesLifted(const UpdatesLifted&) = delete;
  UpdatesLifted& operator=(const UpdatesLifted&) = delete;

 private:
  void Lift(QWidget* w) {
    if (w->testAttribute(Qt::WA_UpdatesDisabled)) {
      w->setAttribute(Qt::WA_UpdatesDisabled, false);
      lifted_.emplace_back(w);
    }
    for (QObject* o : w->children())
      if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow()) Lift(static_cast<QWidget*>(o));
  }
  std::vector<QPointer<QWidget>> lifted_;
};

// Qt paints `w` (with its children, when asked) into the canvas; the paint
// events of `w` itself pass its chain, whose handlers had their message.
void Render(QWidget* w, Canvas& canvas, bool children) {
  QPainter* painter = canvas.Painter();
  if (!painter) return;
  const UpdatesLifted lifted(w);
  detail::RedeliveryMark mark(w, nullptr, QEvent::Paint);
  QWidget::RenderFlags flags = QWidget::IgnoreMask;
  if (children) flags |= QWidget::DrawChildren;
  w->render(painter, QPoint(), QRegion(), flags);
}

// The background as Qt paints it: a window's window brush, then, for a
// widget that fills its background, the brush of its background role.
void Erase(QWidget* w, Canvas& canvas) {
  QPainter* painter = canvas.Painter();
  if (!painter) return;
  const QBrush own = w->palette().brush(w->backgroundRole());
  if (w->isWindow() && !(w->autoFillBackground() && own.isOpaque()))
    painter->fillRect(w->rect(), w->palette().brush(QPalette::Window));
  if (w->autoFillBackground()) painter->fillRect(w->rect(), own);
}

// WM_PRINT to each widget of `widgets` (children or owned windows) at its
// place relative to `w`.
template <class List>
void PrintEach(QWidget* w, const List& widgets, Canvas& canvas, unsigned flags, bool children) {
  for (QWidget* other : widgets) {
    if (!other->isVisible() || other->isWindow() == children) continue;
    const QPoint offset = children ? other->pos() : detail::WindowScreenRect(other).topLeft() - w->mapToGlobal(QPoint());
    const int saved = canvas.SaveDC();
    const TPoint origin = canvas.GetViewportOrg();
    canvas.SetViewportOrg(origin.X + offset.x(), origin.Y + offset.y());
    if (children && ChainFree(other))
      Render(other, canvas, true);
    else
      SendMessage(other, WM_PRINT, PtrParam(&canvas), LPARAM(flags));
    canvas.RestoreDC(saved);
  }
}

void Print(QWidget* w, Canvas& canvas, unsigned flags) {
  if ((flags & PRF_CHECKVISIBLE) && !w->isVisible()) return;
  QPointer<QWidget> alive(w);
  if ((flags & PRF_NONCLIENT) && HasNonClientFrame(w)) detail::PrintNonClient(w, canvas);
  if (alive && (flags & PRF_ERASEBKGND)) SendMessage(w, WM_ERASEBKGND, PtrParam(&canvas));
  if (alive && (flags & PRF_CLIENT)) SendMessage(w, WM_PRINTCLIENT, PtrParam(&canvas), LPARAM(flags));
  if (!alive) return;
  if (flags & PRF_CHILDREN) {
    QList<QWidget*> children;
    for (QObject* o : w->children())
      if (o->isWidgetType()) children.append(static_cast<QWidget*>(o));
    PrintEach(w, children, canvas, flags, true);
  }
  if (alive && (flags & PRF_OWNED)) {
    QList<QWidget*> owned;
    for (QObject* o : w->children())
      if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow()) owned.append(static_cast<QWidget*>(o));
    PrintEach(w, owned, canvas, flags, false);
  }
}

}  // namespace

namespace detail {

bool PaintDefault(QWidget* w, Message& m) {
  switch (m.Msg) {
    case WM_PAINT:
      if (!m.WParam)
        w->repaint();
      else
        Render(w, *CanvasOf(m), false);
      m.Result = 0;
      return true;
    case WM_ERASEBKGND:
      if (!m.WParam) return false;
      Erase(w, *CanvasOf(m));
      m.Result = 1;
      return true;
    case WM_PRINTCLIENT:
      if (m.WParam) SendMessage(w, WM_PAINT, m.WParam);
      m.Result = 0;
      return true;
    case WM_PRINT:
      if (m.WParam) Print(w, *CanvasOf(m), unsigned(m.LParam));
      m.Result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace detail

bool RedrawWindow(QWidget* window, const TRect* rect, const QRegion* region, unsigned flags) {
  if (!window) return false;
  if (flags & RDW_INVALIDATE) {
    const QRect client = window->contentsRect();
    QRegion area = region ? region->translated(client.topLeft()) & client
                   : rect ? QRegion(QRect(rect->Left, rect->Top, rect->Width(), rect->Height())
                                        .translated(client.topLeft())) & client
                          : QRegion(client);
    if (flags & RDW_NOCHILDREN)
      for (QObject* o : window->children())
        if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow() && static_cast<QWidget*>(o)->isVisible())
          area -= static_cast<QWidget*>(o)->geometry();
    window->update(area);
    if (flags & RDW_FRAME) RedrawNonClient(window);
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(window);
  return true;
}

bool InvalidateRect(QWidget* window, const TRect* rect, bool erase) {
  return RedrawWindow(window, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

bool UpdateWindow(QWidget* window) {
  if (!window) return false;
  QCoreApplication::sendPostedEvents(window->window(), QEvent::UpdateRequest);
  return true;
}

}  // namespace platform
