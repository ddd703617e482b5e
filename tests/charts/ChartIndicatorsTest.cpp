// The candle chart's indicator values, checked against the reference files
// that tools/make_indicator_golden.py wrote with pandas and against a plain
// double-precision recomputation over walks of the real history.
#include "charts/uChartIndicators.h"

#include "support/History.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

namespace {

constexpr TIndicatorSwitches kAll = {true, true, true, true, true};

// Columns of values by name: "ma0".."ma5", "mb", "ub", "lb", "dif", "dea",
// "bar", "emaq", "emas", "k", "d", "j", "pdi", "mdi", "adx".
using Columns = std::map<std::string, std::vector<double>>;

Columns ByName(const TIndicatorSeries& s) {
  Columns c;
  for (size_t k = 0; k < s.Ma.size(); ++k) c["ma" + std::to_string(k)].assign(s.Ma[k].begin(), s.Ma[k].end());
  for (size_t i = 0; i < s.Boll.size(); ++i) {
    const TBollValue& b = s.Boll[i];
    const TMacdValue& m = s.Macd[i];
    const TKdjValue& k = s.Kdj[i];
    const TAdxValue& a = s.Adx[i];
    for (const auto& [name, v] : {std::pair{"mb", b.MB}, {"ub", b.UB}, {"lb", b.LB}, {"dif", m.DIF}, {"dea", m.DEA},
                                  {"bar", m.BAR}, {"emaq", m.EmaQuick}, {"emas", m.EmaSlow}, {"k", k.K}, {"d", k.D},
                                  {"j", k.J}, {"pdi", a.PDI}, {"mdi", a.MDI}, {"adx", a.ADX}})
      c[name].push_back(v);
  }
  return c;
}

// Every column of `want` (but the candle prices) against ours, within what
// 32-bit floats and sums may stray from the exact value.
void ExpectNear(const TIndicatorSeries& series, const Columns& want) {
  const Columns got = ByName(series);
  size_t compared = 0;
  for (const auto& [name, values] : want) {
    if (name == "open" || name == "close") continue;
    const auto& mine = got.at(name);
    ASSERT_EQ(mine.size(), values.size()) << name;
    for (size_t i = 0; i < mine.size(); ++i)
      ASSERT_NEAR(mine[i], values[i], 2e-4 * std::max(1.0, std::fabs(values[i]))) << name << " at candle " << i;
    ++compared;
  }
  EXPECT_GE(compared, 17u);
}

class GoldenFile : public ::testing::TestWithParam<const char*> {};

}  // namespace

// A reference file holds the periods ("# ma=3,6,18,0,0,0 boll=20 ..."), the
// column names, then a row per candle.
TEST_P(GoldenFile, EveryIndicatorMatchesPandas) {
  std::ifstream in(testsupport::SourceDir() + "/tests/charts/data/" + GetParam());
  TIndicatorParams p;
  p.MaPeriods.resize(6);
  std::string line, cell;
  std::getline(in, line);
  ASSERT_EQ(std::sscanf(line.c_str(), "# ma=%d,%d,%d,%d,%d,%d boll=%d macd=%d,%d,%d kdj=%d,%d,%d adx=%d",
                        &p.MaPeriods[0], &p.MaPeriods[1], &p.MaPeriods[2], &p.MaPeriods[3], &p.MaPeriods[4],
                        &p.MaPeriods[5], &p.BollN, &p.MacdQuick, &p.MacdSlow, &p.MacdDean, &p.KdjN, &p.KdjM1,
                        &p.KdjM2, &p.AdxN),
            14);
  std::getline(in, line);
  std::vector<std::string> names;
  for (std::stringstream header(line); std::getline(header, cell, ',');) names.push_back(cell);
  Columns want;
  TCandleAry candles;
  while (std::getline(in, line)) {
    std::stringstream row(line);
    for (size_t col = 0; std::getline(row, cell, ','); ++col) want[names.at(col)].push_back(std::stod(cell));
    // Candle prices are written with every digit of their 32-bit value.
    candles.push_back({float(want.at("open").back()), float(want.at("close").back()), nullptr});
  }
  ASSERT_GE(candles.size(), 60u);
  ExpectNear(ComputeIndicators(candles, p, kAll), want);
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenFile,
                         ::testing::Values("indicators_red7.csv", "indicators_blue_odd.csv",
                                           "indicators_synthetic.csv"));

// ---- a plain recomputation in double precision, straight from the
// definitions (window sums added up afresh, no running sums)

namespace {

double WindowMean(const std::vector<double>& v, size_t from, size_t to) {
  double sum = 0;
  for (size_t j = from; j <= to; ++j) sum += v[j];
  return sum / double(to - from + 1);
}

Columns Recompute(const TCandleAry& candles, const TIndicatorParams& p) {
  const size_t n = candles.size();
  std::vector<double> c(n), hi(n), lo(n);
  for (size_t i = 0; i < n; ++i) {
    c[i] = candles[i].Close;
    hi[i] = std::max(candles[i].Open, candles[i].Close);
    lo[i] = std::min(candles[i].Open, candles[i].Close);
  }
  Columns r;
  for (size_t k = 0; k < p.MaPeriods.size(); ++k) {
    const int32_t period = p.MaPeriods[k];
    auto& line = r["ma" + std::to_string(k)];
    line.assign(n, 0.0);
    for (size_t i = 1; period > 0 && i < n; ++i)
      if (i + 1 >= size_t(period)) line[i] = WindowMean(c, i + 1 - period, i);
  }
  const size_t bn = size_t(p.BollN);
  const double aq = 2.0 / (p.MacdQuick + 1), as = 2.0 / (p.MacdSlow + 1), ad = 2.0 / (p.MacdDean + 1);
  const double w = 1.0 / p.AdxN;
  double emaQ = c.empty() ? 0 : c[0], emaS = emaQ, dea = 0, k = 0, d = 0, trs = 0, pdms = 0, mdms = 0, adx = 0;
  for (size_t i = 0; i < n; ++i) {
    const size_t from = i + 1 >= bn ? i + 1 - bn : 0;
    const double mean = WindowMean(c, from, i);
    double var = 0;
    for (size_t j = from; j <= i; ++j) var += (c[j] - mean) * (c[j] - mean);
    const bool full = i + 1 >= bn && i >= 1;
    const double sd = std::sqrt(var / double(bn));
    r["mb"].push_back(mean);
    r["ub"].push_back(full ? mean + 2 * sd : 0);
    r["lb"].push_back(full ? mean - 2 * sd : 0);

    if (i > 0) {
      emaQ = aq * c[i] + (1 - aq) * emaQ;
      emaS = as * c[i] + (1 - as) * emaS;
    }
    dea = i == 0 ? 0 : ad * (emaQ - emaS) + (1 - ad) * dea;
    r["emaq"].push_back(i == 0 ? 0 : emaQ);  // no average of the first candle
    r["emas"].push_back(i == 0 ? 0 : emaS);
    r["dif"].push_back(emaQ - emaS);
    r["dea"].push_back(dea);
    r["bar"].push_back(2 * (emaQ - emaS - dea));

    const size_t back = i >= size_t(p.KdjN) ? i - p.KdjN : 0;
    const double h = *std::max_element(hi.begin() + back, hi.begin() + i + 1);
    const double l = *std::min_element(lo.begin() + back, lo.begin() + i + 1);
    const double rsv = h == l ? 1.0 : (c[i] - l) / (h - l) * 100;
    k = i == 0 ? rsv : k + (rsv - k) / p.KdjM1;
    d = i == 0 ? 0 : i == 1 ? k : d + (k - d) / p.KdjM2;
    r["k"].push_back(k);
    r["d"].push_back(d);
    r["j"].push_back(3 * k - 2 * d);

    const double prev = i == 0 ? 0 : c[i - 1];
    const double tr = i == 0 ? std::max({hi[0] - lo[0], hi[0], lo[0]})
                             : std::max({hi[i] - lo[i], std::fabs(hi[i] - prev), std::fabs(lo[i] - prev)});
    const double up = i == 0 ? hi[0] : hi[i] - hi[i - 1];
    const double dn = i == 0 ? lo[0] : lo[i - 1] - lo[i];
    const double pdm = up > 0 && up > dn ? up : 0, mdm = dn > 0 && dn > up ? dn : 0;
    trs = i == 0 ? tr : trs + w * (tr - trs);
    pdms = i == 0 ? pdm : pdms + w * (pdm - pdms);
    mdms = i == 0 ? mdm : mdms + w * (mdm - mdms);
    const double pdi = trs == 0 ? 0 : 100 * pdms / trs, mdi = trs == 0 ? 0 : 100 * mdms / trs;
    const double dx = pdi + mdi == 0 ? 0 : 100 * std::fabs(pdi - mdi) / (pdi + mdi);
    adx = i == 0 ? dx : adx + w * (dx - adx);
    r["pdi"].push_back(pdi);
    r["mdi"].push_back(mdi);
    r["adx"].push_back(adx);
  }
  return r;
}

// A hit/miss walk over the whole history: up by 1 - p on a hit, down by p.
TCandleAry HistoryWalk(double p, const std::function<bool(const testsupport::CsvDraw&)>& hit) {
  TCandleAry candles;
  float close = 0;
  for (const auto& draw : testsupport::ReadHistoryCsv()) {
    const float open = close;
    close = float(open + (hit(draw) ? 1 - p : -p));
    candles.push_back({open, close, nullptr});
  }
  return candles;
}

}  // namespace

TEST(ChartIndicators, MatchDoublePrecisionOverTheWholeHistory) {
  // Blue 1..8 (p = 1/2) and red 7 (p = 6/33), with the default periods and
  // with short ones.
  const auto blueLow = HistoryWalk(0.5, [](const auto& d) { return d.Balls[6] <= 8; });
  const auto red7 = HistoryWalk(6.0 / 33, [](const auto& d) {
    return std::find(d.Balls.begin(), d.Balls.begin() + 6, 7) != d.Balls.begin() + 6;
  });
  ASSERT_GT(red7.size(), 3000u);
  const TIndicatorParams defaults{{3, 6, 18, 0, 0, 0}};
  const TIndicatorParams shortOnes{{1, 2, 5, 10, 30, 60}, 2, 3, 7, 2, 1, 1, 2, 1};
  for (const auto& [candles, params] : {std::pair{&blueLow, defaults}, {&red7, defaults}, {&red7, shortOnes}})
    ExpectNear(ComputeIndicators(*candles, params, kAll), Recompute(*candles, params));
}

TEST(ChartIndicators, PeriodsBelowOneCountAsOneAndLinesOffStayZero) {
  const TCandleAry candles = {{0, 3}, {3, 1}, {1, 4}, {4, 1}, {1, 5}, {5, 9}, {9, 2}, {2, 6}};
  const TIndicatorParams bad{{3, 0, -3}, -4, 0, -26, 0, -9, 0, -3, 0};
  const TIndicatorParams one{{3, 0, -3}, 1, 1, 1, 1, 1, 1, 1, 1};
  const auto s = ComputeIndicators(candles, bad, kAll);
  ExpectNear(s, Recompute(candles, one));
  // A Bollinger period of 1 is the close itself with bands of no width.
  EXPECT_EQ(std::vector<float>({s.Boll[5].MB, s.Boll[5].UB, s.Boll[5].LB}), std::vector<float>(3, 9.0f));

  // Switched off: every array sized and zero.
  const Columns off = ByName(ComputeIndicators(candles, one, {}));
  EXPECT_EQ(off.size(), 14u + 3u);
  for (const auto& [name, values] : off) EXPECT_EQ(values, std::vector<double>(candles.size(), 0.0)) << name;
  const auto none = ComputeIndicators({}, one, kAll);
  EXPECT_TRUE(none.Boll.empty() && none.Adx.empty() && none.Ma.size() == 3 && none.Ma[0].empty());
}
