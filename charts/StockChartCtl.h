// The candle chart of the trend window: a walk of candles in a main window
// band with an overlay, up to three indicator sub-windows below it, a
// crosshair with a value readout, a hover text from its owner, scrolling,
// zoom, and straight lines the user draws.
//
// TStockChartModel holds everything but the widget (geometry, data, value
// ranges, the candle under the mouse, scroll and zoom, the line-editing
// state machine); TStockChart is the widget that feeds it the mouse and
// paints it. What the indicators add (their values, the main overlay, the
// sub-windows' contents and legends, the chart settings) comes through
// IStockIndicators.
#pragma once

#include "charts/uDrawChart.h"
#include "charts/uKLineDef.h"
#include "platform/WinTypes.h"

#include <QMenu>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace platform {
class Canvas;
}

class TStockChartModel;

// The chart's back colour.
inline constexpr platform::TColor StockChartBack = platform::clBlack;

// Value ranges of the visible candles, maximum and minimum: the price of
// the main window and each sub-window indicator.
struct TChartRanges {
  float PriceMax = 0, PriceMin = 0;
  float MacdMax = 0, MacdMin = 0;
  float KdjMax = 0, KdjMin = 0;
  float AdxMax = 0, AdxMin = 0;
  // The starting values before the visible candles widen them.
  void Reset();
};

// Margins around the chart's windows; Extra lengthens the left axis below
// the bottom margin.
struct TChartMargins {
  int Left = 0, Top = 0, Right = 0, Bottom = 0, Extra = 0;
};

// One indicator sub-window below the main window.
struct TSubWindow {
  int Height = 0;        // pixels, in normal mode
  uint8_t Kind = zbMACD;  // zbMACD, zbKDJ or zbADX
  platform::TRect Rect;
};

// The indicator side of a candle chart. The chart calls it at fixed points
// of its layout and paint; a chart without one shows candles only.
class IStockIndicators {
 public:
  virtual ~IStockIndicators() = default;
  // Once, when the chart is made: the chart's settings (sub-window count,
  // heights and kinds, main overlay kind) and the shared parameters.
  virtual void LoadSettings(TStockChartModel& chart) = 0;
  // Once, when the chart goes.
  virtual void SaveSettings(const TStockChartModel& chart) = 0;
  // In Recalculate, after the window rectangles: every indicator over all
  // candles.
  virtual void Compute(const TStockChartModel& chart) = 0;
  // In CalcValueRanges, after the visible candles set the price range:
  // widen `ranges` (price for the overlay, the sub-window ranges) with the
  // values of candles FirstVisible()..LastVisible().
  virtual void WidenRanges(const TStockChartModel& chart, TChartRanges& ranges) = 0;
  // In LayoutSeries, after the ranges: the points of the main overlay and
  // of every sub-window.
  virtual void LayoutPoints(const TStockChartModel& chart) = 0;
  // In the paint, right after the candles: the main overlay and its legend.
  // A legend lies on a strip of the chart's back colour (StockChartBack),
  // over the lines: it stays readable.
  virtual void PaintMainOverlay(const TStockChartModel& chart, platform::Canvas& canvas) = 0;
  // In the paint, after the overlay, for each sub-window in index order:
  // its lines and legend, likewise.
  virtual void PaintSubWindow(const TStockChartModel& chart, int index, platform::Canvas& canvas) = 0;
};

// The indicator side each new TStockChart gets (none until the indicators
// are built into the program).
std::unique_ptr<IStockIndicators> MakeStockIndicators();

class TStockChartModel : public TDrawChartModel {
 public:
  static constexpr int MaxWindowCount = 3;
  static constexpr int DefaultBarWidth = 4;
  // Width of a candle in pixels, shared by every candle chart: zooming one
  // changes the next layout of all. Each new chart sets it to 4. A chart
  // whose candles all fit draws them wider (CandleWidth) without changing
  // it, so that the other charts never show fewer candles for it.
  static int BarWidth;

  TStockChartModel();
  ~TStockChartModel() override;

  // ---- data and layout
  // Takes a copy of the condition and of the candles (index 0 the oldest),
  // shows the newest candles, drops the user lines, lays everything out.
  // `start` is accepted and not used.
  void SetData(const TCondition& condition, const TCandleAry& candles, int start);
  // Window rectangles, indicators, series layout; then a repaint.
  void Recalculate();
  void CalcWindowRects();
  // Visible count, label step, value ranges, indicator points.
  void LayoutSeries();
  void CalcValueRanges();
  // How many candles fit across the main window, each a bar and a gap wide
  // (at least 1); the visible candles are that many up to the last visible.
  int CalcVisibleCount() const;
  // The width this chart lays out and draws its candles with: the shared
  // BarWidth of its last layout, widened when every candle up to the last
  // visible fits so that they fill the window.
  int CandleWidth() const { return candleWidth_; }

  // ---- the chart operations
  void SetSize(int width, int height) override;
  // Compact or normal margins; lays nothing out (the owner recalculates).
  void SetCompact(bool value) override;
  void ScrollBack(int n) override;
  void ScrollForward(int n) override;
  // Scrolls back by as many candles as |dx| pixels hold, whatever the sign.
  void ScrollPixels(int dx) override;
  void ZoomIn() override;
  void ZoomOut() override;

  // ---- sub-windows and overlay
  uint8_t MainZbType() const { return mainKind_; }
  void SetMainZbType(uint8_t kind);
  int WindowCount() const { return windowCount_; }
  // 0..MaxWindowCount; a new count lays the series out again (the owner
  // recalculates for the rectangles).
  void SetWindowCount(int n);
  uint8_t GetWindowZbType(int i) const { return windows_.at(size_t(i)).Kind; }
  void SetWindowZbType(int i, uint8_t kind);
  void SetWindowHeight(int i, int height) { windows_.at(size_t(i)).Height = height; }
  const TSubWindow& Window(int i) const { return windows_.at(size_t(i)); }
  // 0 when the mouse is inside the main window band, else 1.
  int GetMouseArea() const;
  // The first sub-window the mouse is inside; 0 when none.
  int GetMouseWindow() const;

  void SetIndicators(std::unique_ptr<IStockIndicators> indicators);
  IStockIndicators* Indicators() const { return indicators_.get(); }

  // ---- geometry and data, read by the painting and the indicators
  const TChartMargins& Margins() const { return margins_; }
  const platform::TRect& MainRect() const { return main_; }
  int Gap() const { return gap_; }
  int LabelStep() const { return labelStep_; }
  // Height and width of "A" in the chart's font, measured by the widget.
  int TextHeight() const { return textHeight_; }
  int TextWidth() const { return textWidth_; }
  void SetTextMetrics(int height, int width);

  const TCandleAry& CurCandles() const { return candles_; }
  int Count() const { return int(candles_.size()); }
  bool IsCandle(int index) const { return index >= 0 && index < Count(); }
  int FirstVisible() const { return firstVisible_; }
  int LastVisible() const { return lastVisible_; }
  int VisibleCount() const { return visibleCount_; }
  int CurrentIndex() const { return currentIndex_; }
  uint8_t ChartMode() const { return chartMode_; }
  const TChartRanges& Ranges() const { return ranges_; }

  // The owner's number handed back in TRefInfo::Value; set before SetData.
  float ReferenceValue() const { return refValue_; }
  void SetReferenceValue(float value) { refValue_ = value; }
  TRefInfo& RefInfo() { return refInfo_; }

  // Pixels above the main window's bottom of a price value, and its row.
  double PriceOffset(double v) const;
  int PriceY(double v) const;
  // The price at a row of the main window (its height must not be 0).
  double PriceAt(int y) const;
  // Left edge of candle i (it is CandleWidth wide).
  int CandleLeft(int i) const;

  // ---- published values
  int Zoom() const { return zoom_; }
  void SetZoom(int value);
  bool ShowMoveMaLine() const { return showMoveMaLine_; }
  void SetShowMoveMaLine(bool value);
  int CenterIndex() const { return centerIndex_; }
  void SetCenterIndex(int value);
  bool Selected() const { return selected_; }
  void SetSelected(bool value);

  // ---- mouse
  int MouseX() const { return mouseX_; }
  int MouseY() const { return mouseY_; }
  bool Dragging() const { return dragging_; }
  bool CrosshairVisible() const { return crosshair_; }
  void ToggleCrosshair();
  platform::TColor CrosshairColor() const { return crosshairColor_; }
  // Candles from the left of the main window to the mouse.
  int CandleOffset() const { return candleOffset_; }
  void MouseMove(int x, int y);
  void MouseDown(int x, int y);  // left button
  void MouseUp(int x, int y);    // left button

  // ---- user lines
  bool IsDrawLine() const { return isDrawLine_; }
  void SetIsDrawLine(bool on) { isDrawLine_ = on; }
  const TDrawLines& Lines() const { return lines_; }
  TDrawLine* SelectedLine() const { return selectedLine_; }
  // What the press grabbed of the selected line: 1 its start point, 2 its
  // end point, 3 the whole line.
  int GrabMode() const { return grabMode_; }
  const TDrawLine& RubberLine() const { return rubber_; }
  // Removes and frees the selected line; no repaint of its own.
  void DeleteSelectedLine();

 private:
  void ClearLines();
  // The candle under the mouse's x, from the current layout.
  void UpdateCurrentIndex();

  // geometry
  TChartMargins margins_;
  platform::TRect main_;
  uint8_t mainKind_ = zbMainMA;
  int windowCount_ = 0;
  std::array<TSubWindow, MaxWindowCount> windows_{};
  int gap_ = 2;
  int candleWidth_ = DefaultBarWidth;
  int labelStep_ = 10;
  int textHeight_ = 0;
  int textWidth_ = 0;

  // data
  TCandleAry candles_;
  float refValue_ = 0;
  uint8_t chartMode_ = cmFrequencyCandles;
  int firstVisible_ = 0;
  int lastVisible_ = -1;
  int visibleCount_ = 1;
  int centerIndex_ = -1;
  int currentIndex_ = -1;
  TChartRanges ranges_;
  std::unique_ptr<IStockIndicators> indicators_;

  // published
  int zoom_ = 3;
  bool showMoveMaLine_ = false;
  bool selected_ = false;
  TRefInfo refInfo_;

  // mouse
  int mouseX_ = 0, mouseY_ = 0;
  bool mouseSeen_ = false;
  bool dragging_ = false;
  platform::TPoint dragPoint_;
  int candleOffset_ = 0;
  int pressOffset_ = 0;
  bool crosshair_ = false;
  platform::TColor crosshairColor_ = 0xFFFFFF;

  // user lines
  bool isDrawLine_ = false;
  TDrawLines lines_;
  TDrawLine rubber_{0, 0, 1, 1};
  TDrawLine* selectedLine_ = nullptr;
  int grabMode_ = 0;
  platform::TPoint pressPoint_;
};

// The candle chart widget.
class TStockChart : public TDrawChart {
 public:
  // Made 500 x 300 with the indicator side of MakeStockIndicators, whose
  // settings it loads now and saves when it goes.
  explicit TStockChart(QWidget* owner);
  ~TStockChart() override;

  TStockChartModel& Model() override { return model_; }
  const TStockChartModel& Model() const override { return model_; }

  // Measures the chart's font and hands the data to the model.
  void SetData(const TCondition& condition, const TCandleAry& candles, int start);
  void Recalculate() {
    SyncSize();
    model_.Recalculate();
  }
  const TCandleAry& CurCandles() const { return model_.CurCandles(); }
  void SetReferenceValue(float value) { model_.SetReferenceValue(value); }

  bool IsDrawLine() const { return model_.IsDrawLine(); }
  // Line-drawing mode; the cursor is a cross while it is on.
  void SetIsDrawLine(bool on);
  void DeleteSelectedLine() { model_.DeleteSelectedLine(); }
  void SetSelected(bool value) { model_.SetSelected(value); }

  void SetMainZbType(uint8_t kind) { model_.SetMainZbType(kind); }
  void SetWindowCount(int n) { model_.SetWindowCount(n); }
  uint8_t GetWindowZbType(int i) const { return model_.GetWindowZbType(i); }
  void SetWindowZbType(int i, uint8_t kind) { model_.SetWindowZbType(i, kind); }
  int GetMouseArea() const { return model_.GetMouseArea(); }
  int GetMouseWindow() const { return model_.GetMouseWindow(); }

  // Shown at the mouse on a right click (outside line-drawing mode).
  QPointer<QMenu> MyPopMenu;
  // Kept for the owner; the chart does not show it.
  QPointer<QMenu> DrawLinePopMenu;

  // The text under the x-axis tick of a candle's draw.
  std::function<void(const TLottery* draw, QString& text)> OnAxisLabel;
  // The hover text of normal mode for the candle under the mouse.
  std::function<void(const TRefInfo& refInfo, const TCondition& condition, QString& text)> OnHint;
  // A double click on a compact chart.
  std::function<void(TStockChart* sender, const TCondition& condition)> OnCompactDblClick;
  // A left button release.
  std::function<void(TStockChart* sender)> OnClick;

 protected:
  void PaintBack(platform::Bitmap& back) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void DrawFrame(platform::Canvas& c);
  void DrawPriceLabels(platform::Canvas& c);
  void DrawCandles(platform::Canvas& c);
  void DrawTitle(platform::Canvas& c);
  void DrawCrosshair(platform::Canvas& c);
  void DrawUserLines(platform::Canvas& c);

  TStockChartModel model_;
};
