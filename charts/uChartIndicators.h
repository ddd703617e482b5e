// The indicators of the candle chart, computed from the candles alone:
// moving averages of the closes, Bollinger bands, MACD, KDJ and ADX.
//
// Values are kept as 32-bit floats, and the running sums of the moving
// averages and of the Bollinger middle line are 32-bit floats too, so the
// figures match what the chart has always shown; each single step is
// worked out in double precision and then stored.
#pragma once

#include "charts/uKLineDef.h"

#include <cstdint>
#include <span>
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
      if (i >= 1) out[i] = float(double(sum) / period);
      sum -= values[i + 1 - p];
    }
  }
  return out;
}
