#include "charts/uDrawChart.h"

#include "platform/Canvas.h"
#include "platform/DelphiRtl.h"

#include <QResizeEvent>

#include <algorithm>
#include <stdexcept>

TChartText FitChartText(const QFontMetrics& metrics, const QString& text, int left, int right, int y, int width) {
  QString shown = text;
  int advance = metrics.horizontalAdvance(shown);
  if (advance > width) {
    shown = metrics.elidedText(text, Qt::ElideMiddle, std::max(width, 0));
    advance = metrics.horizontalAdvance(shown);
    if (advance > width) shown.clear(), advance = 0;
  }
  const int centred = int(platform::DelphiRound((right - left) / 2.0 - advance / 2.0)) + left;
  const int x = std::clamp(centred, 0, std::max(width - advance, 0));
  return {shown, platform::Rect(x, y, x + advance, y + metrics.height())};
}

std::vector<bool> SpacedLabels(const std::vector<platform::TRect>& labels) {
  std::vector<bool> drawn(labels.size(), false);
  std::vector<platform::TRect> kept;
  for (size_t i = 0; i < labels.size(); ++i) {
    const platform::TRect& r = labels[i];
    const auto meets = [&r](const platform::TRect& k) { return !platform::IntersectRect(r, k).IsEmpty(); };
    if (std::none_of(kept.begin(), kept.end(), meets)) {
      kept.push_back(r);
      drawn[i] = true;
    }
  }
  return drawn;
}

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
  title_ = {};
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

void TDrawChart::DrawTitleText(platform::Canvas& c, const QString& text, int left, int right, int y) {
  title_ = FitChartText(c.FontMetrics(), text, left, right, y, width());
  if (!title_.Text.isEmpty()) c.TextOut(title_.Rect.Left, y, title_.Text);
}
