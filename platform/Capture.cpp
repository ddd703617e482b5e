#include "platform/Capture.h"

#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

QPointer<QWidget> g_holder;

// The holder loses the capture to `taker` (nullptr: to nobody).
void Lose(QWidget* taker) {
  QWidget* old = g_holder;
  g_holder = nullptr;
  if (!old) return;
  if (QWidget::mouseGrabber() == old && old != taker) old->releaseMouse();
  SendMessage(old, WM_CAPTURECHANGED, 0, LPARAM(PtrParam(taker)));
}

}  // namespace

namespace detail {

bool CaptureHeld() { return !g_holder.isNull(); }

void CaptureEvent(QObject* receiver, QEvent* event) {
  QWidget* holder = g_holder;
  switch (event->type()) {
    case QEvent::Hide:
    case QEvent::Destroy:
      if (receiver == holder) Lose(nullptr);
      break;
    case QEvent::WindowDeactivate:
      if (receiver == holder->window()) Lose(nullptr);
      break;
    case QEvent::ApplicationStateChange:
      if (QGuiApplication::applicationState() != Qt::ApplicationActive) Lose(nullptr);
      break;
    case QEvent::Show:
      if (receiver->isWidgetType() && static_cast<QWidget*>(receiver)->windowType() == Qt::Popup &&
          receiver != holder->window())
        Lose(static_cast<QWidget*>(receiver));
      break;
    default:
      break;
  }
}

}  // namespace detail

QWidget* SetCapture(QWidget* widget) {
  QWidget* previous = GetCapture();
  if (!widget) return previous;
  StartMessageLayer();  // its application filter sees the losses
  if (g_holder != widget) Lose(widget);
  g_holder = widget;
  widget->grabMouse();
  return previous;
}

bool ReleaseCapture() {
  if (g_holder)
    Lose(nullptr);
  else if (QWidget* grabber = QWidget::mouseGrabber())
    grabber->releaseMouse();
  return true;
}

QWidget* GetCapture() { return g_holder ? g_holder.data() : QWidget::mouseGrabber(); }

}  // namespace platform
