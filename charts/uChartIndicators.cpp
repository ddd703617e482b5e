#include "charts/uChartIndicators.h"

#include "engine/uIniFileMgr.h"
#include "platform/Canvas.h"
#include "platform/DelphiRtl.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <string>

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

// ---------------------------------------------------------------------------
// The indicators on a candle chart.

void WriteSetting(const std::string& section, const std::string& key, int32_t value) {
  TIniFileMgr& ini = IniFileMgr();
  const std::string text = std::to_string(value);
  if (ini.ReadString(section, key, text + "?") != text) ini.WriteInteger(section, key, value);
}

std::unique_ptr<IStockIndicators> MakeStockIndicators() { return std::make_unique<TStockIndicators>(); }

namespace {

using platform::Canvas;
using platform::TColor;

constexpr TColor kLegendTitleColor = platform::clSilver;
constexpr TColor kWhite = platform::clWhite;
constexpr TColor kYellow = platform::clYellow;
constexpr TColor kPurple = platform::clPurple;
constexpr TColor kGreen = platform::clGreen;
constexpr TColor kRed = platform::clRed;
constexpr TColor kRisingBar = platform::clRed;
constexpr TColor kFallingBar = 0xFFFF00;
constexpr TColor kZeroLine = platform::clSilver;
// The colours of the three lines of each sub-window kind (MACD has two).
constexpr std::array<std::array<TColor, 3>, 3> kSubLineColors = {{
    {kWhite, kGreen, kWhite},    // MACD: DIF, DEA
    {kWhite, kYellow, kPurple},  // KDJ: K, D, J
    {kRed, kGreen, kYellow},     // ADX: PDI, MDI, ADX
}};
constexpr int kLegendGap = 3;
// Rows far outside any bitmap are cut here, so that no value, however
// large against its range, overflows the pixel arithmetic.
constexpr double kFarRow = 1e7;

std::string Key(const char* name, size_t i) { return name + std::to_string(i); }

TIndicatorParams SharedParams() {
  const TChartParams& p = ChartParams();
  TIndicatorParams out;
  out.MaPeriods = p.MaDays;
  out.BollN = p.BollN;
  out.MacdQuick = p.MacdQuick;
  out.MacdSlow = p.MacdSlow;
  out.MacdDean = p.MacdDean;
  out.KdjN = p.KdjN;
  out.KdjM1 = p.KdjM1;
  out.KdjM2 = p.KdjM2;
  out.AdxN = p.AdxN;
  return out;
}

void Widen(float& max, float& min, std::initializer_list<float> values) {
  for (float v : values) {
    if (v > max) max = v;
    if (v < min) min = v;
  }
}

// Where the line point of candle i lies: one and a half slots right of the
// candle's left edge.
int PointX(const TStockChartModel& chart, int right, int i) {
  const int slot = chart.CandleWidth() + chart.Gap();
  return int(platform::DelphiRound(right - double(chart.LastVisible() - i) * slot + slot / 2.0));
}

// Calls f(i, x) for the visible candles from the last towards the first,
// while their points lie right of the left margin.
template <class F>
void ForVisiblePoints(const TStockChartModel& chart, int right, F f) {
  for (int i = chart.LastVisible(); i >= chart.FirstVisible() && i >= 0; --i) {
    const int x = PointX(chart, right, i);
    if (x < chart.Margins().Left) break;
    f(size_t(i), x);
  }
}

void DrawLine(Canvas& c, const TPointAry& points, TColor color) {
  c.Pen = {color, 1, platform::psSolid};
  c.Polyline(points.data(), int(points.size()));
}

// Legend items from (x, y), each at the x `next` gives after the one
// before (from its x, the item and its text's width), on a strip of the
// back colour one pixel wider each side than their texts: the lines drawn
// before pass under it.
template <class Next>
void DrawLegendItems(Canvas& c, int x, int y, const std::vector<TLegendItem>& items, Next next) {
  if (items.empty()) return;
  std::vector<int> at;
  int right = x, height = 0;
  for (const TLegendItem& item : items) {
    at.push_back(x);
    const int width = c.TextWidth(item.Text);
    right = x + width;
    height = std::max(height, c.TextHeight(item.Text));
    x = next(x, item, width);
  }
  c.Brush = {StockChartBack, platform::bsSolid};
  c.FillRect(platform::Rect(at.front() - 1, y, right + 1, y + height));
  c.Brush.Style = platform::bsClear;
  for (size_t k = 0; k < items.size(); ++k) {
    c.Font.Color = items[k].Color;
    c.TextOut(at[k], y, items[k].Text);
  }
}

// Legend items one after the other, 3 pixels apart, from (x, y).
void DrawLegend(Canvas& c, int x, int y, const std::vector<TLegendItem>& items) {
  DrawLegendItems(c, x, y, items, [](int from, const TLegendItem&, int width) { return from + width + kLegendGap; });
}

bool ShowsLegend(const TStockChartModel& chart) { return !chart.IsCompact() && chart.IsCandle(chart.CurrentIndex()); }

}  // namespace

void TStockIndicators::LoadSettings(TStockChartModel& chart) {
  TIniFileMgr& ini = IniFileMgr();
  for (int i = 0; i < TStockChartModel::MaxWindowCount; ++i) {
    const size_t k = size_t(i);
    chart.SetWindowHeight(i, std::max(0, ini.ReadInteger("Windows", Key("WindowHeight", k), 100)));
    chart.SetWindowZbType(i, uint8_t(std::clamp(ini.ReadInteger("Windows", Key("WindowZbType", k), i), 0,
                                                int(zbADX))));
  }
  chart.SetWindowCount(std::clamp(ini.ReadInteger("Windows", "WindowCount", 1), 0, TStockChartModel::MaxWindowCount));
  chart.SetMainZbType(uint8_t(std::clamp(ini.ReadInteger("MainZB", "ZB", 0), 0, int(zbMainBoll))));

  TChartParams& p = ChartParams();
  p.MacdQuick = ini.ReadInteger("MACD", "Quick", 12);
  p.MacdSlow = ini.ReadInteger("MACD", "Slow", 26);
  p.MacdDean = ini.ReadInteger("MACD", "Dean", 9);
  p.KdjN = ini.ReadInteger("KDJ", "N", 9);
  p.KdjM1 = ini.ReadInteger("KDJ", "M1", 3);
  p.KdjM2 = ini.ReadInteger("KDJ", "M2", 3);
  p.BollN = ini.ReadInteger("Boll", "N", 20);
  p.AdxN = ini.ReadInteger("ADX", "N", 14);
  p.MaDays.resize(MaLineCount);
  p.MaColors.resize(MaLineCount);
  for (size_t i = 0; i < size_t(MaLineCount); ++i) {
    p.MaDays[i] = ini.ReadInteger("MA", Key("DayCount", i), DefaultMaDays[i]);
    p.MaColors[i] = ini.ReadInteger("MA", Key("Color", i), DefaultMaColors[i]);
  }
}

void TStockIndicators::SaveSettings(const TStockChartModel& chart) {
  WriteSetting("Windows", "WindowCount", chart.WindowCount());
  for (int i = 0; i < chart.WindowCount(); ++i) {
    WriteSetting("Windows", Key("WindowHeight", size_t(i)), chart.Window(i).Height);
    WriteSetting("Windows", Key("WindowZbType", size_t(i)), chart.Window(i).Kind);
  }
  WriteSetting("MainZB", "ZB", chart.MainZbType());
  const TChartParams& p = ChartParams();
  WriteSetting("MACD", "Quick", p.MacdQuick);
  WriteSetting("MACD", "Slow", p.MacdSlow);
  WriteSetting("MACD", "Dean", p.MacdDean);
  WriteSetting("KDJ", "N", p.KdjN);
  WriteSetting("KDJ", "M1", p.KdjM1);
  WriteSetting("KDJ", "M2", p.KdjM2);
  WriteSetting("Boll", "N", p.BollN);
  WriteSetting("ADX", "N", p.AdxN);
  for (size_t i = 0; i < p.MaDays.size(); ++i) WriteSetting("MA", Key("DayCount", i), p.MaDays[i]);
  for (size_t i = 0; i < p.MaColors.size(); ++i) WriteSetting("MA", Key("Color", i), p.MaColors[i]);
}

void TStockIndicators::Compute(const TStockChartModel& chart) {
  on_ = {};
  on_.Ma = chart.MainZbType() == zbMainMA;
  on_.Boll = chart.MainZbType() == zbMainBoll;
  for (int i = 0; i < chart.WindowCount(); ++i) {
    const uint8_t kind = chart.GetWindowZbType(i);
    on_.Macd = on_.Macd || kind == zbMACD;
    on_.Kdj = on_.Kdj || kind == zbKDJ;
    on_.Adx = on_.Adx || kind == zbADX;
  }
  series_ = ComputeIndicators(chart.CurCandles(), SharedParams(), on_);
}

void TStockIndicators::WidenRanges(const TStockChartModel& chart, TChartRanges& r) {
  const TIntAry& days = ChartParams().MaDays;
  const int last = std::min(chart.LastVisible(), int(series_.Boll.size()) - 1);
  for (int i = std::max(chart.FirstVisible(), 0); i <= last; ++i) {
    const size_t k = size_t(i);
    if (on_.Boll) Widen(r.PriceMax, r.PriceMin, {series_.Boll[k].MB, series_.Boll[k].UB, series_.Boll[k].LB});
    if (on_.Ma)
      for (size_t line = 0; line < series_.Ma.size() && line < days.size(); ++line)
        if (HasMean(k, days[line])) Widen(r.PriceMax, r.PriceMin, {series_.Ma[line][k]});
    if (on_.Macd) Widen(r.MacdMax, r.MacdMin, {series_.Macd[k].BAR, series_.Macd[k].DIF, series_.Macd[k].DEA});
    if (on_.Kdj) Widen(r.KdjMax, r.KdjMin, {series_.Kdj[k].K, series_.Kdj[k].D, series_.Kdj[k].J});
    if (on_.Adx) Widen(r.AdxMax, r.AdxMin, {series_.Adx[k].PDI, series_.Adx[k].MDI, series_.Adx[k].ADX});
  }
}

int TStockIndicators::SubWindowY(const TStockChartModel& chart, int index, double v) {
  const TSubWindow& w = chart.Window(index);
  const TChartRanges& r = chart.Ranges();
  double max = r.MacdMax, min = r.MacdMin;
  if (w.Kind == zbKDJ) {
    max = r.KdjMax;
    min = r.KdjMin;
  } else if (w.Kind == zbADX) {
    max = r.AdxMax;
    min = r.AdxMin;
  }
  if (max == min) return 1;
  const double rise = std::clamp((v - min) * (w.Rect.Bottom - w.Rect.Top - 10) / (max - min), -kFarRow, kFarRow);
  return w.Rect.Bottom - int(platform::DelphiRound(rise));
}

void TStockIndicators::LayoutPoints(const TStockChartModel& chart) {
  const TIntAry& days = ChartParams().MaDays;
  const size_t count = series_.Boll.size();
  maPoints_.assign(series_.Ma.size(), {});
  for (auto& line : bollPoints_) line.clear();
  for (auto& sub : subPoints_) sub = {};
  if (chart.LastVisible() >= int(count)) return;  // not computed for these candles

  ForVisiblePoints(chart, chart.MainRect().Right, [&](size_t i, int x) {
    if (on_.Ma)
      for (size_t k = 0; k < series_.Ma.size() && k < days.size(); ++k)
        if (days[k] > 0 && i > size_t(days[k])) maPoints_[k].push_back({x, chart.PriceY(series_.Ma[k][i])});
    if (on_.Boll) {
      const TBollValue& b = series_.Boll[i];
      bollPoints_[0].push_back({x, chart.PriceY(b.MB)});
      bollPoints_[1].push_back({x, chart.PriceY(b.UB)});
      bollPoints_[2].push_back({x, chart.PriceY(b.LB)});
    }
  });

  for (int w = 0; w < TStockChartModel::MaxWindowCount; ++w) {
    if (w >= chart.WindowCount()) break;
    TSubWindowPoints& sub = subPoints_[size_t(w)];
    const uint8_t kind = chart.GetWindowZbType(w);
    auto y = [&](double v) { return SubWindowY(chart, w, v); };
    sub.ZeroY = y(0);
    ForVisiblePoints(chart, chart.Window(w).Rect.Right, [&](size_t i, int x) {
      if (kind == zbMACD) {
        const TMacdValue& m = series_.Macd[i];
        sub.Bars.push_back({x, sub.ZeroY, y(m.BAR), m.BAR});
        sub.Lines[0].push_back({x, y(m.DIF)});
        sub.Lines[1].push_back({x, y(m.DEA)});
      } else if (kind == zbKDJ) {
        const TKdjValue& k = series_.Kdj[i];
        sub.Lines[0].push_back({x, y(k.K)});
        sub.Lines[1].push_back({x, y(k.D)});
        sub.Lines[2].push_back({x, y(k.J)});
      } else if (kind == zbADX) {
        const TAdxValue& a = series_.Adx[i];
        sub.Lines[0].push_back({x, y(a.PDI)});
        sub.Lines[1].push_back({x, y(a.MDI)});
        sub.Lines[2].push_back({x, y(a.ADX)});
      }
    });
  }
}

namespace {

// A legend of a title in silver and three values, each after its label.
std::vector<TLegendItem> ValueLegend(const QString& title, const std::array<const char*, 3>& labels,
                                     const std::array<float, 3>& values, const std::array<TColor, 3>& colors) {
  std::vector<TLegendItem> items = {{title, kLegendTitleColor}};
  for (size_t k = 0; k < 3; ++k)
    items.push_back({QString::fromLatin1(labels[k]) + QString::asprintf("%.2f", values[k]), colors[k]});
  return items;
}

QString Periods(const char* name, std::initializer_list<int32_t> periods) {
  QStringList list;
  for (int32_t p : periods) list << QString::number(EffectivePeriod(p));
  return QString::fromLatin1(name) + '(' + list.join(',') + ')';
}

constexpr std::array<TColor, 3> kValueColors = {kWhite, kYellow, kPurple};

}  // namespace

std::vector<TLegendItem> TStockIndicators::MainLegend(const TStockChartModel& chart) const {
  std::vector<TLegendItem> items;
  if (!ShowsLegend(chart) || size_t(chart.CurrentIndex()) >= series_.Boll.size()) return items;
  const size_t i = size_t(chart.CurrentIndex());
  const TChartParams& p = ChartParams();
  if (on_.Ma) {
    for (size_t k = 0; k < series_.Ma.size() && k < p.MaDays.size() && k < p.MaColors.size(); ++k)
      if (p.MaDays[k] > 0)
        items.push_back({QStringLiteral("MA%1:").arg(p.MaDays[k]) +
                             QString::fromStdString(platform::FormatFloat("0.00", series_.Ma[k][i])),
                         p.MaColors[k]});
  } else if (on_.Boll) {
    const TBollValue& b = series_.Boll[i];
    items = ValueLegend(Periods("Boll", {p.BollN}), {"Boll: ", "UB: ", "LB: "}, {b.MB, b.UB, b.LB}, kValueColors);
  }
  return items;
}

std::vector<TLegendItem> TStockIndicators::SubLegend(const TStockChartModel& chart, int index) const {
  if (!ShowsLegend(chart) || size_t(chart.CurrentIndex()) >= series_.Boll.size()) return {};
  const size_t i = size_t(chart.CurrentIndex());
  const TChartParams& p = ChartParams();
  const TMacdValue& m = series_.Macd[i];
  const TKdjValue& k = series_.Kdj[i];
  const TAdxValue& a = series_.Adx[i];
  switch (chart.GetWindowZbType(index)) {
    case zbMACD:
      return ValueLegend(Periods("MACD", {p.MacdQuick, p.MacdSlow, p.MacdDean}), {"DIF: ", "DEA: ", "MACD: "},
                         {m.DIF, m.DEA, m.BAR}, kValueColors);
    case zbKDJ:
      return ValueLegend(Periods("KDJ", {p.KdjN, p.KdjM1, p.KdjM2}), {"K: ", "D: ", "J: "}, {k.K, k.D, k.J},
                         kValueColors);
    case zbADX:
      return ValueLegend(Periods("ADX", {p.AdxN}), {"PDI: ", "MDI: ", "ADX: "}, {a.PDI, a.MDI, a.ADX},
                         {kRed, kGreen, kYellow});
    default:
      return {};
  }
}

void TStockIndicators::PaintMainOverlay(const TStockChartModel& chart, Canvas& c) {
  const TChartParams& p = ChartParams();
  const auto legend = MainLegend(chart);
  if (on_.Ma) {
    for (size_t k = 0; k < maPoints_.size() && k < p.MaColors.size(); ++k) DrawLine(c, maPoints_[k], p.MaColors[k]);
    // Moving averages step by their length in characters.
    DrawLegendItems(c, chart.Margins().Left + 5, chart.MainRect().Top, legend,
                    [&chart](int from, const TLegendItem& item, int) {
                      return from + int(item.Text.size()) * chart.TextWidth() + 2;
                    });
  } else if (on_.Boll) {
    DrawLine(c, bollPoints_[0], kWhite);
    DrawLine(c, bollPoints_[1], kYellow);
    DrawLine(c, bollPoints_[2], kYellow);
    DrawLegend(c, chart.MainRect().Left + 5, chart.MainRect().Top + 1, legend);
  }
}

void TStockIndicators::PaintSubWindow(const TStockChartModel& chart, int index, Canvas& c) {
  if (index < 0 || index >= chart.WindowCount()) return;
  const TSubWindowPoints& sub = subPoints_[size_t(index)];
  const uint8_t kind = chart.GetWindowZbType(index);
  if (kind > zbADX) return;
  if (kind == zbMACD) {
    c.Pen = {kZeroLine, 1, platform::psDot};
    c.MoveTo(chart.Margins().Left, sub.ZeroY);
    c.LineTo(chart.Width() - chart.Margins().Right, sub.ZeroY);
    for (const TBarSegment& bar : sub.Bars) {
      c.Pen = {bar.Value > 0 ? kRisingBar : kFallingBar, 1, platform::psSolid};
      c.MoveTo(bar.X, bar.ZeroY);
      c.LineTo(bar.X, bar.Y);
    }
  }
  const auto& colors = kSubLineColors[kind];
  for (size_t line = 0; line < sub.Lines.size(); ++line) DrawLine(c, sub.Lines[line], colors[line]);
  const platform::TRect& r = chart.Window(index).Rect;
  DrawLegend(c, r.Left + 5, r.Top + 1, SubLegend(chart, index));
}
