// The omission chart: for each hit of a condition, the number of draws
// missed before it, as a line of labelled circles over the draws' numbers,
// with moving averages of the omissions, a line at the expected omission
// and a hover text.
//
// TYLChartModel holds the points and their layout (plot rectangle, step,
// scale, pixels, moving averages, the point under the mouse) without any
// widget; TYLChart is the widget that feeds it the mouse and paints it.
#pragma once

#include "charts/uDrawChart.h"
#include "charts/uKLineDef.h"
#include "platform/WinTypes.h"

#include <QString>

#include <functional>
#include <vector>

// One hit: its draw and the draws missed before it. The last point of a
// walk stands for the next, undrawn issue (a placeholder draw whose Prev is
// the newest draw) with the running omission.
struct TYLPoint {
  const TLottery* Draw = nullptr;
  int32_t Omission = 0;
};
using TYLAry = std::vector<TYLPoint>;

class TYLChartModel : public TDrawChartModel {
 public:
  static constexpr int MarginLeft = 40;
  static constexpr int MarginTop = 30;
  static constexpr int MarginRight = 10;
  static constexpr int MarginBottom = 130;
  // Step between points and scale when there is nothing to show.
  static constexpr int EmptyStep = 5;
  static constexpr int EmptyScale = 50;

  TYLChartModel();

  // Copies the condition and the points and shows the newest `n` of them
  // (at least 1, at most all of them).
  void SetData(const TCondition& condition, const TYLAry& items, int n);
  // Lays the points out again (after a new size or new periods).
  void Recalculate();
  void SetSize(int width, int height) override;

  // The expected omission, drawn as a line across the plot.
  float Level() const { return level_; }
  void SetLevel(float level) { level_ = level; }

  const TYLAry& Points() const { return points_; }
  int Count() const { return int(points_.size()); }
  bool IsPoint(int i) const { return i >= 0 && i < Count(); }
  int ShownCount() const { return shown_; }
  int FirstShown() const { return Count() - shown_; }

  const platform::TRect& PlotRect() const { return plot_; }
  int MaxOmission() const { return maxOmission_; }
  // Pixels between neighbouring points (at least 1).
  int Step() const { return step_; }
  // Pixels per draw of omission: a whole number while the plot has room
  // for one pixel a draw, a fraction below 1 when it has not, 0 when the
  // plot has no height at all.
  double Scale() const { return scale_; }
  int LabelStep() const { return labelStep_; }

  // The oldest point that lies inside the plot (Count() when none does);
  // points from there to the newest have pixels.
  int FirstPlotted() const { return firstPlotted_; }
  platform::TPoint PointPixel(int i) const { return pixels_.at(size_t(Count() - 1 - i)); }
  // The omission line, newest point first.
  const std::vector<platform::TPoint>& LinePixels() const { return pixels_; }
  // x of the point k places left of the newest one (where the axis labels
  // and vertical grid lines go).
  int ColumnX(int k) const;
  // Row of an omission value, and of the expected omission.
  int OmissionY(double omission) const;
  int LevelY() const { return OmissionY(level_); }
  // True when the plot has room for a grid line per draw of omission.
  bool HasRowGrid() const { return scale_ >= 1; }

  // Moving averages of the omissions, one line per shared period (all zero
  // for a line that is off), and their pixels for the plotted points.
  const std::vector<TMaAry>& MaValues() const { return ma_; }
  const std::vector<std::vector<platform::TPoint>>& MaPixels() const { return maPixels_; }

  // Fill and text colour of point i's circle: the colour of the first
  // moving-average line whose first value the point is (index count - P - 1),
  // else red with white text.
  struct TCircleColors {
    platform::TColor Fill;
    platform::TColor Text;
  };
  TCircleColors CircleColors(int i) const;

  // ---- mouse
  void MouseMove(int x, int y);
  int MouseX() const { return mouseX_; }
  int MouseY() const { return mouseY_; }
  // The point under the mouse; may be any number, a point or not (-1
  // before the mouse has come).
  int MouseIndex() const { return mouseIndex_; }
  // Whether the hover text shows: the mouse is over the plot's columns and
  // on a point.
  bool HasHover() const;
  // "<DateNo>期（<numbers>）  遗漏值：<omission>" for the point under the
  // mouse (without the issue number when the shared flag is off), drawn at
  // the top over the plot as FitChartText places it.
  QString HoverText() const;

  // The shared settings of the omission charts: moving-average periods and
  // colours ("MA_YL") and the back and grid colours ("YLChart").
  static void LoadSettings();
  // Writes the moving-average periods and colours; the colours of
  // "YLChart" are the trend window's to write.
  static void SaveSettings();

 private:
  void UpdateMouseIndex();

  TYLAry points_;
  int shown_ = 0;
  float level_ = 0;
  platform::TRect plot_;
  int maxOmission_ = 0;
  int step_ = EmptyStep;
  double scale_ = EmptyScale;
  int labelStep_ = 1;
  int firstPlotted_ = 0;
  std::vector<platform::TPoint> pixels_;
  std::vector<TMaAry> ma_;
  std::vector<std::vector<platform::TPoint>> maPixels_;

  bool mouseSeen_ = false;
  int mouseX_ = 0, mouseY_ = 0;
  int mouseIndex_ = -1;
};

// The omission chart widget.
class TYLChart : public TDrawChart {
 public:
  // Loads the shared settings now and saves the periods when it goes.
  explicit TYLChart(QWidget* owner);
  ~TYLChart() override;

  TYLChartModel& Model() override { return model_; }
  const TYLChartModel& Model() const override { return model_; }

  void SetData(const TCondition& condition, const TYLAry& items, int n);
  void Recalculate();
  void SetLevel(float level) { model_.SetLevel(level); }

  // A double click on a compact chart.
  std::function<void(TYLChart* sender, const TCondition& condition)> OnCompactDblClick;

 protected:
  void PaintBack(platform::Bitmap& back) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void DrawAxesAndGrid(platform::Canvas& c);
  void DrawMovingAverages(platform::Canvas& c);
  void DrawPoints(platform::Canvas& c);
  void DrawHover(platform::Canvas& c);

  TYLChartModel model_;
};
