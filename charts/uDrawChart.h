// The base of the painted charts.
//
// Each chart is split in two: a model without any widget (geometry, data,
// value ranges, scroll and zoom state, mouse state), derived from
// TDrawChartModel, and a thin widget derived from TDrawChart that paints
// the model through the platform Canvas into a kept back bitmap and copies
// that to the screen in one blit per paint.
#pragma once

#include "charts/uKLineDef.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QFontMetrics>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

// A line of text over a chart: what of it is drawn and the cell it takes.
struct TChartText {
  QString Text;
  platform::TRect Rect;
};

// Places a one-line text at row `y` of a chart `width` pixels wide: centred
// over the columns left..right, then moved as little as needed to lie
// inside the chart. A text wider than the chart loses characters from its
// middle to an ellipsis, so that its start (the condition) and its end (the
// chosen values or the omission) stay readable; nothing is drawn when not
// even the ellipsis fits.
TChartText FitChartText(const QFontMetrics& metrics, const QString& text, int left, int right, int y, int width);

// Which labels of a row are drawn, in the order given: each one unless its
// rectangle meets a label drawn before it, so that no two drawn labels
// overlap. The first label is always drawn.
std::vector<bool> SpacedLabels(const std::vector<platform::TRect>& labels);

// The window-less half shared by the charts: the compact flag, the charted
// condition, the control's size and the six operations every chart offers
// (the base stores the compact flag; the other five do nothing here).
class TDrawChartModel {
 public:
  TDrawChartModel() = default;
  virtual ~TDrawChartModel() = default;
  TDrawChartModel(const TDrawChartModel&) = delete;
  TDrawChartModel& operator=(const TDrawChartModel&) = delete;

  bool IsCompact() const { return compact_; }
  const TCondition& Condition() const { return condition_; }

  // The control's client size in pixels (500 x 300 until the widget says
  // otherwise).
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size; a chart whose layout depends on it lays itself out again.
  virtual void SetSize(int width, int height);

  virtual void SetCompact(bool value) { compact_ = value; }
  virtual void ScrollBack(int /*n*/) {}
  virtual void ScrollForward(int /*n*/) {}
  virtual void ScrollPixels(int /*dx*/) {}
  virtual void ZoomIn() {}
  virtual void ZoomOut() {}

  // Called whenever what is shown changed and the chart must be painted
  // again (the widget repaints).
  std::function<void()> OnInvalidate;
  // How many times the model asked to be painted again.
  int InvalidateCount() const { return invalidations_; }

 protected:
  void Invalidate();

  bool compact_ = false;
  TCondition condition_;
  int width_ = 500;
  int height_ = 300;

 private:
  int invalidations_ = 0;
};

// The widget half: owns the back bitmap, sends size changes to the model,
// and on each paint has the chart paint the back bitmap (PaintBack), then
// copies it to the screen at (0, 0).
class TDrawChart : public QWidget {
 public:
  // `owner` becomes the parent; a chart without one cannot be made
  // (std::invalid_argument "The parent must be TWinControl.").
  explicit TDrawChart(QWidget* owner);

  virtual TDrawChartModel& Model() = 0;
  virtual const TDrawChartModel& Model() const = 0;

  bool IsCompact() const { return Model().IsCompact(); }
  const TCondition& Condition() const { return Model().Condition(); }

  // The six chart operations, on the model. SetCompact repaints nothing;
  // the owner lays the chart out again afterwards.
  void SetCompact(bool value) { Model().SetCompact(value); }
  void ScrollBack(int n) { Model().ScrollBack(n); }
  void ScrollForward(int n) { Model().ScrollForward(n); }
  void ScrollPixels(int dx) { Model().ScrollPixels(dx); }
  void ZoomIn() { Model().ZoomIn(); }
  void ZoomOut() { Model().ZoomOut(); }

  // Paints the chart into the back bitmap, sized to the control first, and
  // returns it (what the next blit shows).
  const platform::Bitmap& RenderBack();
  const platform::Bitmap& BackBitmap() const { return back_; }
  // The title or hover text the last paint drew at the top (an empty text
  // when it drew none).
  const TChartText& PaintedTitle() const { return title_; }

 protected:
  // The chart's paint operation: the whole picture into `back`, which has
  // the control's size.
  virtual void PaintBack(platform::Bitmap& back) = 0;
  // The back bitmap's canvas (for measuring text in the chart's font).
  platform::Canvas& BackCanvas() { return back_.GetCanvas(); }
  // Draws the chart's title or hover text at row `y` in the canvas's font,
  // placed by FitChartText over the columns left..right.
  void DrawTitleText(platform::Canvas& c, const QString& text, int left, int right, int y);
  // Connects the model's invalidation to a repaint of this widget; the
  // derived chart calls it once its model exists.
  void AttachModel();

  // Gives the model the control's size when it differs. A hidden control
  // gets no resize events, so the chart also does this before it lays out
  // new data and before it paints.
  void SyncSize();

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  platform::Bitmap back_;
  TChartText title_;
};
