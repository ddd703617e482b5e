#include "charts/uDrawChart.h"

#include "platform/Canvas.h"

#include <QResizeEvent>

#include <stdexcept>

void TDrawChartModel::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
}

void TDrawChartModel::Invalidate() {
  ++invalidations_;
  if (OnInvalidate) OnInvalidate();
}

// ---------------------------------------------------------------------------

namespace {

QWidget* RequireOwner(QWidget* owner) {
  if (!owner) throw std::invalid_argument("The parent must be TWinControl.");
  return owner;
}

}  // namespace

TDrawChart::TDrawChart(QWidget* owner) : QWidget(RequireOwner(owner)) {
  // Every pixel comes from the back bitmap: Qt need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDrawChart::AttachModel() {
  Model().OnInvalidate = [this] { update(); };
  SyncSize();
}

const platform::Bitmap& TDrawChart::RenderBack() {
  // A control too large for a bitmap keeps its last picture.
  if ((back_.Width() != width() || back_.Height() != height()) &&
      platform::BitmapSizeAllowed(width(), height()))
    back_.SetSize(width(), height());
  SyncSize();
  if (!back_.Empty()) {
    PaintBack(back_);
    back_.GetCanvas().EndPainting();
  }
  return back_;
}

void TDrawChart::SyncSize() {
  if (Model().Width() != width() || Model().Height() != height()) Model().SetSize(width(), height());
}

void TDrawChart::paintEvent(QPaintEvent* /*event*/) {
  RenderBack();
  platform::Canvas screen(this);
  screen.Draw(0, 0, back_);
}

void TDrawChart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SyncSize();
}
