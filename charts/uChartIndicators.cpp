#include "charts/uChartIndicators.h"

#include <algorithm>
#include <cmath>

namespace {

float High(const TCandle& c) { return std::max(c.Open, c.Close); }
float Low(const TCandle& c) { return std::min(c.Open, c.Close); }

// a * 100 / b, or 0 where b is 0 (a smoothed true range of 0 only comes
// with candles at 0, where no direction has moved either).
double Percent(double a, double b) { return b == 0 ? 0.0 : a * 100.0 / b; }

// |m - p| / (m + p) * 100, or 0 when both are 0.
double DirectionalIndex(double p, double m) { return m + p == 0 ? 0.0 : std::fabs(m - p) / (m + p) * 100.0; }

// Wilder's smoothing: ((n - 1) * previous + value) / n.
float Wilder(float previous, double value, int32_t n) { return float(((n - 1) * double(previous) + value) / n); }

// The exponential average step with weight 2 / (n + 1) on the new value.
float Ema(double value, float previous, int32_t n) {
  return float(2.0 * value / (n + 1) + (n - 1) * double(previous) / (n + 1));
}

void ComputeBollinger(std::span<const float> c, int32_t period, std::vector<TBollValue>& out) {
  const size_t n = size_t(EffectivePeriod(period));
  float sum = 0;
  for (size_t i = 0; i < c.size(); ++i) {
    TBollValue& v = out[i];
    sum += c[i];
    if (i + 1 < n || i == 0) {
      // Not yet a whole window: the mean of the closes so far, no bands.
      v.MB = float(double(sum) / double(i + 1));
    } else {
      v.MB = float(double(sum) / double(n));
      double squares = 0;
      for (size_t j = i + 1 - n; j <= i; ++j) squares += (double(c[j]) - v.MB) * (double(c[j]) - v.MB);
      const double sd = std::sqrt(squares / double(n));
      v.UB = float(v.MB + 2.0 * sd);
      v.LB = float(v.MB - 2.0 * sd);
    }
    if (i + 1 >= n) sum -= c[i + 1 - n];
  }
}

void ComputeMacd(std::span<const float> c, int32_t quick, int32_t slow, int32_t dean,
                 std::vector<TMacdValue>& out) {
  quick = EffectivePeriod(quick);
  slow = EffectivePeriod(slow);
  dean = EffectivePeriod(dean);
  for (size_t i = 1; i < c.size(); ++i) {
    TMacdValue& v = out[i];
    // The first step starts from the oldest close, later ones from the
    // previous average.
    const float prevQuick = i == 1 ? c[0] : out[i - 1].EmaQuick;
    const float prevSlow = i == 1 ? c[0] : out[i - 1].EmaSlow;
    v.EmaQuick = Ema(c[i], prevQuick, quick);
    v.EmaSlow = Ema(c[i], prevSlow, slow);
    v.DIF = float(double(v.EmaQuick) - double(v.EmaSlow));
    v.DEA = Ema(v.DIF, out[i - 1].DEA, dean);  // DEA(0) is 0
    v.BAR = float((double(v.DIF) - double(v.DEA)) * 2.0);
  }
}

void ComputeKdj(std::span<const TCandle> candles, int32_t windowN, int32_t m1, int32_t m2,
                std::vector<TKdjValue>& out) {
  const size_t back = size_t(EffectivePeriod(windowN));
  m1 = EffectivePeriod(m1);
  m2 = EffectivePeriod(m2);
  for (size_t i = 0; i < candles.size(); ++i) {
    // The window holds the candle and the `back` candles before it.
    float h = -9999.0f, l = 9999.0f;
    for (size_t j = i >= back ? i - back : 0; j <= i; ++j) {
      h = std::max(h, High(candles[j]));
      l = std::min(l, Low(candles[j]));
    }
    const double range = double(h) - double(l);
    const double rsv = range == 0 ? 1.0 : (double(candles[i].Close) - l) / range * 100.0;
    TKdjValue& v = out[i];
    if (i == 0) {
      v.K = float(rsv);
      v.D = 0;
    } else {
      v.K = Wilder(out[i - 1].K, rsv, m1);
      v.D = i == 1 ? v.K : Wilder(out[i - 1].D, v.K, m2);
    }
    v.J = float(3.0 * v.K - 2.0 * v.D);
  }
}

void ComputeAdx(std::span<const TCandle> candles, int32_t period, std::vector<TAdxValue>& out) {
  const int32_t n = EffectivePeriod(period);
  const size_t count = candles.size();
  std::vector<float> trs(count), pdms(count), mdms(count);
  // A move counts in one direction only: the larger of the two, when it is
  // a rise.
  auto directional = [](double mine, double other) { return mine > 0 && mine > other ? mine : 0.0; };
  for (size_t i = 0; i < count; ++i) {
    const double hi = High(candles[i]), lo = Low(candles[i]);
    TAdxValue& v = out[i];
    if (i == 0) {
      trs[0] = float(std::max({hi - lo, hi, lo}));
      pdms[0] = float(directional(hi, lo));
      mdms[0] = float(directional(lo, hi));
    } else {
      const double prevClose = candles[i - 1].Close;
      const double tr = std::max({hi - lo, std::fabs(hi - prevClose), std::fabs(lo - prevClose)});
      const double up = hi - High(candles[i - 1]);
      const double dn = double(Low(candles[i - 1])) - lo;
      trs[i] = Wilder(trs[i - 1], tr, n);
      pdms[i] = Wilder(pdms[i - 1], directional(up, dn), n);
      mdms[i] = Wilder(mdms[i - 1], directional(dn, up), n);
    }
    v.PDI = float(Percent(pdms[i], trs[i]));
    v.MDI = float(Percent(mdms[i], trs[i]));
    const double dx = DirectionalIndex(v.PDI, v.MDI);
    v.ADX = i == 0 ? float(dx) : Wilder(out[i - 1].ADX, dx, n);
  }
}

}  // namespace

TIndicatorSeries ComputeIndicators(const TCandleAry& candles, const TIndicatorParams& params,
                                   const TIndicatorSwitches& on) {
  const size_t n = candles.size();
  TIndicatorSeries s;
  s.Ma.assign(params.MaPeriods.size(), TMaAry(n, 0.0f));
  s.Boll.assign(n, {});
  s.Macd.assign(n, {});
  s.Kdj.assign(n, {});
  s.Adx.assign(n, {});

  std::vector<float> closes(n);
  for (size_t i = 0; i < n; ++i) closes[i] = candles[i].Close;

  if (on.Ma)
    for (size_t k = 0; k < params.MaPeriods.size(); ++k)
      s.Ma[k] = RunningMeans<float, float>(closes, params.MaPeriods[k]);
  if (on.Boll) ComputeBollinger(closes, params.BollN, s.Boll);
  if (on.Macd) ComputeMacd(closes, params.MacdQuick, params.MacdSlow, params.MacdDean, s.Macd);
  if (on.Kdj) ComputeKdj(candles, params.KdjN, params.KdjM1, params.KdjM2, s.Kdj);
  if (on.Adx) ComputeAdx(candles, params.AdxN, s.Adx);
  return s;
}
