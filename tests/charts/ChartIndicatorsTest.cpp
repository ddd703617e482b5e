// The candle chart's indicators, checked three ways: small cases worked by
// hand, a plain double-precision recomputation over the real history, and
// the reference files that tools/make_indicator_golden.py wrote with pandas.
#include "charts/uChartIndicators.h"

#include "support/History.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

TCandleAry FromCloses(std::initializer_list<float> closes) {
  TCandleAry c;
  for (float v : closes) c.push_back({c.empty() ? 0.0f : c.back().Close, v, nullptr});
  return c;
}

TIndicatorSwitches All() { return {true, true, true, true, true}; }

TIndicatorParams Defaults() {
  TIndicatorParams p;
  p.MaPeriods = {3, 6, 18, 0, 0, 0};
  return p;
}

// How far a value computed with 32-bit floats and sums may stray from the
// exact one.
double Tolerance(double exact) { return 2e-4 * std::max(1.0, std::fabs(exact)); }

bool AllFinite(const TIndicatorSeries& s) {
  auto ok = [](float v) { return std::isfinite(v); };
  for (const auto& line : s.Ma)
    if (!std::all_of(line.begin(), line.end(), ok)) return false;
  for (const auto& v : s.Boll)
    if (!ok(v.MB) || !ok(v.UB) || !ok(v.LB)) return false;
  for (const auto& v : s.Macd)
    if (!ok(v.BAR) || !ok(v.DIF) || !ok(v.DEA) || !ok(v.EmaQuick) || !ok(v.EmaSlow)) return false;
  for (const auto& v : s.Kdj)
    if (!ok(v.K) || !ok(v.D) || !ok(v.J)) return false;
  for (const auto& v : s.Adx)
    if (!ok(v.PDI) || !ok(v.MDI) || !ok(v.ADX)) return false;
  return true;
}

}  // namespace

TEST(ChartIndicators, BollingerOfOneTwoThreeFour) {
  TIndicatorParams p;
  p.BollN = 3;
  auto s = ComputeIndicators(FromCloses({1, 2, 3, 4}), p, {.Boll = true});
  ASSERT_EQ(s.Boll.size(), 4u);
  EXPECT_FLOAT_EQ(s.Boll[0].MB, 1);
  EXPECT_FLOAT_EQ(s.Boll[1].MB, 1.5);
  EXPECT_FLOAT_EQ(s.Boll[2].MB, 2);
  EXPECT_FLOAT_EQ(s.Boll[3].MB, 3);
  for (int i : {0, 1}) {
    EXPECT_EQ(s.Boll[i].UB, 0);
    EXPECT_EQ(s.Boll[i].LB, 0);
  }
  const double sd = std::sqrt(2.0 / 3.0);
  EXPECT_FLOAT_EQ(s.Boll[2].UB, float(2 + 2 * sd));
  EXPECT_FLOAT_EQ(s.Boll[2].LB, float(2 - 2 * sd));
  EXPECT_FLOAT_EQ(s.Boll[3].UB, float(3 + 2 * sd));
}

TEST(ChartIndicators, MacdStartsFromTheOldestClose) {
  TIndicatorParams p;
  p.MacdQuick = 12;
  p.MacdSlow = 26;
  p.MacdDean = 9;
  auto s = ComputeIndicators(FromCloses({10, 11}), p, {.Macd = true});
  EXPECT_EQ(s.Macd[0].EmaQuick, 0);
  EXPECT_EQ(s.Macd[0].DIF, 0);
  EXPECT_FLOAT_EQ(s.Macd[1].EmaQuick, 22.0f / 13 + 110.0f / 13);
  EXPECT_FLOAT_EQ(s.Macd[1].EmaSlow, 22.0f / 27 + 250.0f / 27);
  const float dif = s.Macd[1].EmaQuick - s.Macd[1].EmaSlow;
  EXPECT_FLOAT_EQ(s.Macd[1].DIF, dif);
  EXPECT_FLOAT_EQ(s.Macd[1].DEA, 2 * dif / 10);
  EXPECT_FLOAT_EQ(s.Macd[1].BAR, (dif - 2 * dif / 10) * 2);
}

TEST(ChartIndicators, KdjOfAFlatWindowTakesRsvOne) {
  // Open = close = 5 everywhere: the highest and lowest price agree.
  TCandleAry flat(6, TCandle{5, 5, nullptr});
  auto s = ComputeIndicators(flat, Defaults(), {.Kdj = true});
  EXPECT_FLOAT_EQ(s.Kdj[0].K, 1);
  EXPECT_FLOAT_EQ(s.Kdj[0].D, 0);
  EXPECT_FLOAT_EQ(s.Kdj[0].J, 3);
  EXPECT_FLOAT_EQ(s.Kdj[1].D, s.Kdj[1].K);
  for (size_t i = 1; i < flat.size(); ++i) {
    EXPECT_FLOAT_EQ(s.Kdj[i].K, 1) << i;
    EXPECT_FLOAT_EQ(s.Kdj[i].D, 1) << i;
    EXPECT_FLOAT_EQ(s.Kdj[i].J, 1) << i;
  }
}

TEST(ChartIndicators, KdjWindowHoldsNPlusOneCandles) {
  // With N = 2 the window of candle 3 is candles 1..3: candle 0's high of
  // 100 has left it.
  TCandleAry c = {{0, 100}, {100, 10}, {10, 20}, {20, 15}};
  TIndicatorParams p;
  p.KdjN = 2;
  p.KdjM1 = 1;  // K is the RSV itself
  auto s = ComputeIndicators(c, p, {.Kdj = true});
  EXPECT_FLOAT_EQ(s.Kdj[2].K, 20.0f);                    // window 0..2: (20 - 0) / (100 - 0)
  EXPECT_FLOAT_EQ(s.Kdj[3].K, (15.0f - 10) / 90 * 100);  // window 1..3: high 100, low 10
}

TEST(ChartIndicators, AdxOfTheFirstCandleMeasuresAgainstZero) {
  TCandleAry c = {{2, 5}, {5, 4}};
  TIndicatorParams p;
  p.AdxN = 2;
  auto s = ComputeIndicators(c, p, {.Adx = true});
  // True range max(3, 5, 2) = 5; a rise of 5 against a fall of 2.
  EXPECT_FLOAT_EQ(s.Adx[0].PDI, 100);
  EXPECT_FLOAT_EQ(s.Adx[0].MDI, 0);
  EXPECT_FLOAT_EQ(s.Adx[0].ADX, 100);
  // Candle 1: high 5, low 4; tr = max(1, 0, 1) = 1, TRs = (5 + 1) / 2 = 3;
  // up 0, down -2: no direction; PDMs = 5 / 2, MDMs = 0.
  EXPECT_FLOAT_EQ(s.Adx[1].PDI, 2.5f * 100 / 3);
  EXPECT_FLOAT_EQ(s.Adx[1].MDI, 0);
  EXPECT_FLOAT_EQ(s.Adx[1].ADX, 100);
}

TEST(ChartIndicators, MovingAverageLinesAndTheirFirstEntries) {
  TIndicatorParams p;
  p.MaPeriods = {1, 2, 0, -3, 5, 6};
  auto s = ComputeIndicators(FromCloses({4, 8, 6, 2, 10}), p, {.Ma = true});
  ASSERT_EQ(s.Ma.size(), 6u);
  // Period 1 is the close itself, from index 1 on; index 0 is always 0.
  EXPECT_EQ(s.Ma[0], (std::vector<float>{0, 8, 6, 2, 10}));
  EXPECT_EQ(s.Ma[1], (std::vector<float>{0, 6, 7, 4, 6}));
  // Periods 0 and below are lines switched off.
  EXPECT_EQ(s.Ma[2], std::vector<float>(5, 0.0f));
  EXPECT_EQ(s.Ma[3], std::vector<float>(5, 0.0f));
  EXPECT_EQ(s.Ma[4], (std::vector<float>{0, 0, 0, 0, 6}));
  // A period longer than the candles never starts.
  EXPECT_EQ(s.Ma[5], std::vector<float>(5, 0.0f));
}

TEST(ChartIndicators, IndicatorsSwitchedOffStayZeroAndSized) {
  auto candles = FromCloses({1, 3, 2, 5, 4});
  auto s = ComputeIndicators(candles, Defaults(), {});
  ASSERT_EQ(s.Ma.size(), 6u);
  for (const auto& line : s.Ma) EXPECT_EQ(line, std::vector<float>(5, 0.0f));
  ASSERT_EQ(s.Boll.size(), 5u);
  ASSERT_EQ(s.Macd.size(), 5u);
  ASSERT_EQ(s.Kdj.size(), 5u);
  ASSERT_EQ(s.Adx.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(s.Boll[i].MB, 0);
    EXPECT_EQ(s.Macd[i].DIF, 0);
    EXPECT_EQ(s.Kdj[i].K, 0);
    EXPECT_EQ(s.Adx[i].ADX, 0);
  }
  auto none = ComputeIndicators({}, Defaults(), All());
  EXPECT_TRUE(none.Boll.empty());
  EXPECT_EQ(none.Ma.size(), 6u);
  EXPECT_TRUE(none.Ma[0].empty());
}

TEST(ChartIndicators, PeriodsBelowOneCountAsOne) {
  auto candles = FromCloses({3, 1, 4, 1, 5, 9, 2, 6, 5, 3});
  TIndicatorParams bad;
  bad.MaPeriods = {3};
  bad.BollN = -4;
  bad.MacdQuick = 0;
  bad.MacdSlow = -26;
  bad.MacdDean = 0;
  bad.KdjN = -9;
  bad.KdjM1 = 0;
  bad.KdjM2 = -3;
  bad.AdxN = 0;
  TIndicatorParams one = bad;
  one.BollN = one.MacdQuick = one.MacdSlow = one.MacdDean = one.KdjN = one.KdjM1 = one.KdjM2 = one.AdxN = 1;
  auto a = ComputeIndicators(candles, bad, All());
  auto b = ComputeIndicators(candles, one, All());
  EXPECT_TRUE(AllFinite(a));
  for (size_t i = 0; i < candles.size(); ++i) {
    EXPECT_EQ(a.Boll[i].MB, b.Boll[i].MB);
    EXPECT_EQ(a.Macd[i].BAR, b.Macd[i].BAR);
    EXPECT_EQ(a.Kdj[i].J, b.Kdj[i].J);
    EXPECT_EQ(a.Adx[i].ADX, b.Adx[i].ADX);
  }
  // A Bollinger period of 1 is the close itself with bands of no width.
  EXPECT_FLOAT_EQ(b.Boll[5].MB, 9);
  EXPECT_FLOAT_EQ(b.Boll[5].UB, 9);
  EXPECT_FLOAT_EQ(b.Boll[5].LB, 9);
}

TEST(ChartIndicators, CandlesAtZeroGiveNoDivisionByZero) {
  // A true range of 0 (the first candles all at 0) and flat stretches.
  TCandleAry c = {{0, 0}, {0, 0}, {0, 0}, {0, 2}, {2, 2}, {2, -1}, {-1, -1}};
  auto s = ComputeIndicators(c, Defaults(), All());
  EXPECT_TRUE(AllFinite(s));
  EXPECT_EQ(s.Adx[0].PDI, 0);
  EXPECT_EQ(s.Adx[2].ADX, 0);
  EXPECT_GT(s.Adx[3].PDI, 0);
}

// ---------------------------------------------------------------------------
// A plain recomputation in double precision, straight from the definitions
// (window sums added up afresh, no running sums), over walks of the real
// draw history.

namespace {

// Columns of indicator values by name: "ma0".."ma5", "mb", "ub", "lb",
// "dif", "dea", "bar", "emaq", "emas", "k", "d", "j", "pdi", "mdi", "adx".
template <class T>
using Columns = std::map<std::string, std::vector<T>>;

double WindowMean(const std::vector<double>& v, size_t from, size_t to) {
  double sum = 0;
  for (size_t j = from; j <= to; ++j) sum += v[j];
  return sum / double(to - from + 1);
}

Columns<double> Recompute(const TCandleAry& candles, const TIndicatorParams& p) {
  const size_t n = candles.size();
  std::vector<double> c(n), hi(n), lo(n);
  for (size_t i = 0; i < n; ++i) {
    c[i] = candles[i].Close;
    hi[i] = std::max(candles[i].Open, candles[i].Close);
    lo[i] = std::min(candles[i].Open, candles[i].Close);
  }
  Columns<double> r;
  for (size_t k = 0; k < p.MaPeriods.size(); ++k) {
    const int32_t period = p.MaPeriods[k];
    auto& line = r["ma" + std::to_string(k)];
    line.assign(n, 0.0);
    for (size_t i = 1; period > 0 && i < n; ++i)
      if (i + 1 >= size_t(period)) line[i] = WindowMean(c, i + 1 - period, i);
  }

  const size_t bn = size_t(p.BollN);
  for (size_t i = 0; i < n; ++i) {
    const size_t from = i + 1 >= bn ? i + 1 - bn : 0;
    const double mean = WindowMean(c, from, i);
    double var = 0;
    for (size_t j = from; j <= i; ++j) var += (c[j] - mean) * (c[j] - mean);
    const bool full = i + 1 >= bn && i >= 1;
    r["mb"].push_back(mean);
    r["ub"].push_back(full ? mean + 2 * std::sqrt(var / double(bn)) : 0);
    r["lb"].push_back(full ? mean - 2 * std::sqrt(var / double(bn)) : 0);
  }

  double aq = 2.0 / (p.MacdQuick + 1), as = 2.0 / (p.MacdSlow + 1), ad = 2.0 / (p.MacdDean + 1);
  double emaQ = c.empty() ? 0 : c[0], emaS = emaQ, dea = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) {
      emaQ = aq * c[i] + (1 - aq) * emaQ;
      emaS = as * c[i] + (1 - as) * emaS;
    }
    const double dif = emaQ - emaS;
    dea = i == 0 ? 0 : ad * dif + (1 - ad) * dea;
    r["dif"].push_back(dif);
    r["dea"].push_back(dea);
    r["bar"].push_back(2 * (dif - dea));
  }

  double k = 0, d = 0;
  for (size_t i = 0; i < n; ++i) {
    const size_t from = i >= size_t(p.KdjN) ? i - p.KdjN : 0;
    const double h = *std::max_element(hi.begin() + from, hi.begin() + i + 1);
    const double l = *std::min_element(lo.begin() + from, lo.begin() + i + 1);
    const double rsv = h == l ? 1.0 : (c[i] - l) / (h - l) * 100;
    k = i == 0 ? rsv : k + (rsv - k) / p.KdjM1;
    d = i == 0 ? 0 : i == 1 ? k : d + (k - d) / p.KdjM2;
    r["k"].push_back(k);
    r["d"].push_back(d);
    r["j"].push_back(3 * k - 2 * d);
  }

  const double w = 1.0 / p.AdxN;
  double trs = 0, pdms = 0, mdms = 0, adx = 0;
  for (size_t i = 0; i < n; ++i) {
    const double prevClose = i == 0 ? 0 : c[i - 1];
    const double tr = i == 0 ? std::max({hi[0] - lo[0], hi[0], lo[0]})
                             : std::max({hi[i] - lo[i], std::fabs(hi[i] - prevClose), std::fabs(lo[i] - prevClose)});
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
template <class Hit>
TCandleAry HistoryWalk(double p, Hit hit) {
  TCandleAry candles;
  float close = 0;
  for (const auto& draw : testsupport::ReadHistoryCsv()) {
    const float open = close;
    close = float(open + (hit(draw) ? 1 - p : -p));
    candles.push_back({open, close, nullptr});
  }
  return candles;
}

template <class V>
std::vector<float> Column(const std::vector<V>& values, float V::*field) {
  std::vector<float> out;
  for (const auto& v : values) out.push_back(v.*field);
  return out;
}

Columns<float> ByName(const TIndicatorSeries& s) {
  Columns<float> c;
  for (size_t k = 0; k < s.Ma.size(); ++k) c["ma" + std::to_string(k)] = s.Ma[k];
  c["mb"] = Column(s.Boll, &TBollValue::MB);
  c["ub"] = Column(s.Boll, &TBollValue::UB);
  c["lb"] = Column(s.Boll, &TBollValue::LB);
  c["dif"] = Column(s.Macd, &TMacdValue::DIF);
  c["dea"] = Column(s.Macd, &TMacdValue::DEA);
  c["bar"] = Column(s.Macd, &TMacdValue::BAR);
  c["emaq"] = Column(s.Macd, &TMacdValue::EmaQuick);
  c["emas"] = Column(s.Macd, &TMacdValue::EmaSlow);
  c["k"] = Column(s.Kdj, &TKdjValue::K);
  c["d"] = Column(s.Kdj, &TKdjValue::D);
  c["j"] = Column(s.Kdj, &TKdjValue::J);
  c["pdi"] = Column(s.Adx, &TAdxValue::PDI);
  c["mdi"] = Column(s.Adx, &TAdxValue::MDI);
  c["adx"] = Column(s.Adx, &TAdxValue::ADX);
  return c;
}

// Every column of `want` (other than the candle prices) against ours.
void ExpectNear(const TIndicatorSeries& series, const Columns<double>& want) {
  const auto got = ByName(series);
  size_t compared = 0;
  for (const auto& [name, values] : want) {
    if (name == "open" || name == "close") continue;
    const auto& mine = got.at(name);
    ASSERT_EQ(mine.size(), values.size()) << name;
    for (size_t i = 0; i < mine.size(); ++i)
      ASSERT_NEAR(mine[i], values[i], Tolerance(values[i])) << name << " at candle " << i;
    ++compared;
  }
  EXPECT_GE(compared, 18u);
}

void ExpectMatchesReference(const TCandleAry& candles, const TIndicatorParams& p) {
  ExpectNear(ComputeIndicators(candles, p, All()), Recompute(candles, p));
}

}  // namespace

TEST(ChartIndicators, MatchDoublePrecisionOverTheWholeHistory) {
  // Blue 1..8 (p = 1/2) and red 7 (p = 6/33), with the default periods
  // and with short ones.
  auto blueLow = HistoryWalk(0.5, [](const testsupport::CsvDraw& d) { return d.Balls[6] <= 8; });
  auto red7 = HistoryWalk(6.0 / 33, [](const testsupport::CsvDraw& d) {
    return std::find(d.Balls.begin(), d.Balls.begin() + 6, 7) != d.Balls.begin() + 6;
  });
  ASSERT_GT(red7.size(), 3000u);
  ExpectMatchesReference(blueLow, Defaults());
  ExpectMatchesReference(red7, Defaults());
  TIndicatorParams shortOnes;
  shortOnes.MaPeriods = {1, 2, 5, 10, 30, 60};
  shortOnes.BollN = 2;
  shortOnes.MacdQuick = 3;
  shortOnes.MacdSlow = 7;
  shortOnes.MacdDean = 2;
  shortOnes.KdjN = 1;
  shortOnes.KdjM1 = 1;
  shortOnes.KdjM2 = 2;
  shortOnes.AdxN = 1;
  ExpectMatchesReference(red7, shortOnes);
}

// ---------------------------------------------------------------------------
// The reference files written with pandas.

namespace {

struct Golden {
  TIndicatorParams Params;
  TCandleAry Candles;
  Columns<double> Values;
};

std::vector<int32_t> Ints(const std::string& text) {
  std::vector<int32_t> v;
  std::stringstream s(text);
  for (std::string cell; std::getline(s, cell, ',');) v.push_back(std::stoi(cell));
  return v;
}

Golden ReadGolden(const std::string& name) {
  std::ifstream in(testsupport::SourceDir() + "/tests/charts/data/" + name);
  if (!in) throw std::runtime_error("cannot read " + name);
  Golden g;
  std::string line;
  std::getline(in, line);  // "# ma=3,6,18,0,0,0 boll=20 macd=12,26,9 kdj=9,3,3 adx=14"
  std::map<std::string, std::vector<int32_t>> params;
  std::stringstream words(line.substr(2));
  for (std::string word; words >> word;) {
    auto eq = word.find('=');
    params[word.substr(0, eq)] = Ints(word.substr(eq + 1));
  }
  g.Params.MaPeriods = params.at("ma");
  g.Params.BollN = params.at("boll").at(0);
  g.Params.MacdQuick = params.at("macd").at(0);
  g.Params.MacdSlow = params.at("macd").at(1);
  g.Params.MacdDean = params.at("macd").at(2);
  g.Params.KdjN = params.at("kdj").at(0);
  g.Params.KdjM1 = params.at("kdj").at(1);
  g.Params.KdjM2 = params.at("kdj").at(2);
  g.Params.AdxN = params.at("adx").at(0);

  std::getline(in, line);
  std::vector<std::string> names;
  std::stringstream header(line);
  for (std::string cell; std::getline(header, cell, ',');) names.push_back(cell);
  while (std::getline(in, line)) {
    std::stringstream row(line);
    std::string cell;
    for (size_t col = 0; std::getline(row, cell, ','); ++col) g.Values[names.at(col)].push_back(std::stod(cell));
    // Candle prices are written with every digit of their 32-bit value.
    g.Candles.push_back({float(g.Values.at("open").back()), float(g.Values.at("close").back()), nullptr});
  }
  return g;
}

class GoldenFile : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(GoldenFile, EveryIndicatorMatchesPandas) {
  Golden g = ReadGolden(GetParam());
  ASSERT_GE(g.Candles.size(), 60u);
  ExpectNear(ComputeIndicators(g.Candles, g.Params, All()), g.Values);
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenFile,
                         ::testing::Values("indicators_red7.csv", "indicators_blue_odd.csv",
                                           "indicators_synthetic.csv"));
