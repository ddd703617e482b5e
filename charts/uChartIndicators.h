// The indicator side of the candle chart: moving averages of the closes,
// Bollinger bands, MACD, KDJ and ADX, computed from the candles alone
// (ComputeIndicators), and TStockIndicators, which puts them on a chart:
// the main overlay and the sub-windows with their lines and legends, and
// the chart settings.
//
// Values are kept as 32-bit floats, and the running sums of the moving
// averages and of the Bollinger middle line are 32-bit floats too, so the
// figures match what the chart has always shown; each single step is
// worked out in double precision and then stored.
#pragma once

#include "charts/StockChartCtl.h"
#include "charts/uKLineDef.h"
#include "platform/WinTypes.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Periods of the indicators. A moving-average period of 0 or below
// switches its line off; every other period counts as at least 1.
struct TIndicatorParams {
  std::vector<int32_t> MaPeriods;  // one per moving-average line
  int32_t BollN = 20;
  int32_t MacdQuick = 12, MacdSlow = 26, MacdDean = 9;
  int32_t KdjN = 9, KdjM1 = 3, KdjM2 = 3;
  int32_t AdxN = 14;
};

// Which indicators are wanted; the arrays of the others stay zero.
struct TIndicatorSwitches {
  bool Ma = false;
  bool Boll = false;
  bool Macd = false;
  bool Kdj = false;
  bool Adx = false;
};

struct TBollValue {
  float MB = 0, UB = 0, LB = 0;
};

struct TMacdValue {
  float BAR = 0, DIF = 0, DEA = 0, EmaQuick = 0, EmaSlow = 0;
};

struct TKdjValue {
  float K = 0, D = 0, J = 0;
};

struct TAdxValue {
  float PDI = 0, MDI = 0, ADX = 0;
};

// Every array has one entry per candle (index 0 the oldest), also for the
// indicators that are off; Ma has one line per moving-average period.
struct TIndicatorSeries {
  std::vector<TMaAry> Ma;
  std::vector<TBollValue> Boll;
  std::vector<TMacdValue> Macd;
  std::vector<TKdjValue> Kdj;
  std::vector<TAdxValue> Adx;
};

// The period an indicator other than a moving average really uses.
inline int32_t EffectivePeriod(int32_t period) { return period < 1 ? 1 : period; }

// The indicators over the candles' open and close prices.
TIndicatorSeries ComputeIndicators(const TCandleAry& candles, const TIndicatorParams& params,
                                   const TIndicatorSwitches& on);

// Whether entry i of a moving average over `period` values holds a mean;
// the entries before the period (and index 0) are 0 and stand for nothing.
inline bool HasMean(size_t i, int32_t period) { return period > 0 && i >= 1 && i + 1 >= size_t(period); }

// Means of `period` values ending at each index, through a running sum of
// type Sum: out[i] is the mean of values[i - period + 1 .. i] for
// i >= period - 1 and i >= 1; every other entry (index 0 always) is 0, and
// all of them are 0 when the period is 0 or below.
template <class Sum, class Value>
TMaAry RunningMeans(std::span<const Value> values, int32_t period) {
  TMaAry out(values.size(), 0.0f);
  if (period <= 0) return out;
  const size_t p = size_t(period);
  Sum sum = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    sum += values[i];
    if (i + 1 >= p) {
      if (HasMean(i, period)) out[i] = float(double(sum) / period);
      sum -= values[i + 1 - p];
    }
  }
  return out;
}

// Writes an integer setting unless the settings file already holds that
// value: every chart saves the shared settings when it goes, and each
// write stores the whole file safely, so sixteen charts saving the same
// values would otherwise rewrite it hundreds of times at shut-down.
void WriteSetting(const std::string& section, const std::string& key, int32_t value);

// ---------------------------------------------------------------------------
// The indicators on a candle chart.

// Points of one line, from the last visible candle towards the first
// (index 0 is the right-most point).
using TPointAry = std::vector<platform::TPoint>;

// One MACD bar: from the zero line to the bar's value, in one column.
struct TBarSegment {
  int X = 0;
  int ZeroY = 0;
  int Y = 0;
  float Value = 0;
  friend bool operator==(const TBarSegment&, const TBarSegment&) = default;
};

// The points of one sub-window: bars (MACD only) and three lines (MACD:
// DIF, DEA and nothing; KDJ: K, D, J; ADX: PDI, MDI, ADX); ZeroY is the
// row of the MACD zero line.
struct TSubWindowPoints {
  std::vector<TBarSegment> Bars;
  std::array<TPointAry, 3> Lines;
  int ZeroY = 0;
};

// One item of a legend.
struct TLegendItem {
  QString Text;
  platform::TColor Color = 0;
  friend bool operator==(const TLegendItem&, const TLegendItem&) = default;
};

class TStockIndicators : public IStockIndicators {
 public:
  // Sub-window count (0..3), heights and kinds (each within the kinds),
  // the main overlay kind, and the shared periods and colours.
  void LoadSettings(TStockChartModel& chart) override;
  void SaveSettings(const TStockChartModel& chart) override;
  void Compute(const TStockChartModel& chart) override;
  void WidenRanges(const TStockChartModel& chart, TChartRanges& ranges) override;
  void LayoutPoints(const TStockChartModel& chart) override;
  void PaintMainOverlay(const TStockChartModel& chart, platform::Canvas& canvas) override;
  void PaintSubWindow(const TStockChartModel& chart, int index, platform::Canvas& canvas) override;

  const TIndicatorSwitches& On() const { return on_; }
  const TIndicatorSeries& Series() const { return series_; }
  // Main window points: one array per moving-average line, and the
  // Bollinger lines MB, UB, LB.
  const std::vector<TPointAry>& MaPoints() const { return maPoints_; }
  const std::array<TPointAry, 3>& BollPoints() const { return bollPoints_; }
  const TSubWindowPoints& SubPoints(int index) const { return subPoints_.at(size_t(index)); }

  // The row of value v in sub-window `index`, by the range of its kind.
  static int SubWindowY(const TStockChartModel& chart, int index, double v);

  // The legend of the main window and of sub-window `index` for the
  // current candle; empty when the chart is compact or the mouse is on no
  // candle.
  std::vector<TLegendItem> MainLegend(const TStockChartModel& chart) const;
  std::vector<TLegendItem> SubLegend(const TStockChartModel& chart, int index) const;

 private:
  TIndicatorSwitches on_;
  TIndicatorSeries series_;
  std::vector<TPointAry> maPoints_;
  std::array<TPointAry, 3> bollPoints_;
  std::array<TSubWindowPoints, TStockChartModel::MaxWindowCount> subPoints_;
};
