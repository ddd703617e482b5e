// The indicator side of the candle chart: which indicators are on, their
// value ranges, the rules of the legends, and the settings. (The pictures of
// the chart show the lines, bars and legends.)
#include "charts/ChartSupport.h"
#include "charts/uChartIndicators.h"

#include "engine/uIniFileMgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using charttest::Walk;
using charttest::Zigzag;
using platform::TColor;

namespace {

constexpr TColor kWhite = 0xFFFFFF, kPurple = 0x800080, kSilver = 0xC0C0C0;

// Bit for bit.
template <class T>
bool Same(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

class StockIndicatorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetChartSettings();
    auto owned = std::make_unique<TStockIndicators>();
    ind = owned.get();
    m.SetIndicators(std::move(owned));
    for (int i = 0; i < TStockChartModel::MaxWindowCount; ++i) m.SetWindowHeight(i, 60);
  }
  void Load(const TCandleAry& candles) { m.SetData(TCondition{}, candles, 0); }
  void Windows(const std::vector<uint8_t>& kinds) {
    for (size_t i = 0; i < kinds.size(); ++i) m.SetWindowZbType(int(i), kinds[i]);
    m.SetWindowCount(int(kinds.size()));
  }
  // The three values of a sub-window kind at candle i, in line order:
  // DIF, DEA and the bar; K, D, J; PDI, MDI, ADX.
  std::array<float, 3> Values(int kind, int i) const {
    const TIndicatorSeries& s = ind->Series();
    const size_t k = size_t(i);
    if (kind == zbKDJ) return {s.Kdj[k].K, s.Kdj[k].D, s.Kdj[k].J};
    if (kind == zbADX) return {s.Adx[k].PDI, s.Adx[k].MDI, s.Adx[k].ADX};
    return {s.Macd[k].DIF, s.Macd[k].DEA, s.Macd[k].BAR};
  }
  TStockChartModel m;  // 500 x 300, margins 40 / 20 / 10 / 30
  TStockIndicators* ind = nullptr;
};

}  // namespace

TEST_F(StockIndicatorsTest, WhatIsOnFollowsTheOverlayAndTheSubWindowsWithTheSharedPeriods) {
  TChartParams& p = ChartParams();
  p.MaDays = {2, 0, 5, 0, 0, 1};
  std::tie(p.BollN, p.MacdQuick, p.MacdSlow, p.MacdDean, p.KdjN, p.KdjM1, p.KdjM2, p.AdxN) =
      std::tuple(7, 5, 11, 4, 6, 2, 4, 5);
  const TIndicatorParams shared{p.MaDays, 7, 5, 11, 4, 6, 2, 4, 5};
  const TCandleAry candles = Zigzag(40);
  struct Case { uint8_t main; std::vector<uint8_t> windows; TIndicatorSwitches on; } cases[] = {
      {zbMainMA, {zbKDJ, zbADX}, {true, false, false, true, true}},
               {zbMainBoll, {zbMACD}, {false, true, true, false, false}},
               {zbMainBoll, {}, {false, true, false, false, false}},
               {zbMainMA, {zbADX, zbADX, zbKDJ}, {true, false, false, true, true}}};
  for (const Case& c : cases) {
    m.SetWindowZbType(2, zbMACD);  // beyond the count: not computed
    m.SetMainZbType(c.main);
    Windows(c.windows);
    Load(candles);
    const TIndicatorSwitches& on = ind->On();
    EXPECT_EQ(std::vector<bool>({on.Ma, on.Boll, on.Macd, on.Kdj, on.Adx}),
              std::vector<bool>({c.on.Ma, c.on.Boll, c.on.Macd, c.on.Kdj, c.on.Adx}));
    const TIndicatorSeries want = ComputeIndicators(candles, shared, c.on), &got = ind->Series();
    EXPECT_TRUE(got.Ma.size() == 6 && Same(got.Ma[0], want.Ma[0]) && Same(got.Ma[5], want.Ma[5]) &&
                Same(got.Boll, want.Boll) && Same(got.Macd, want.Macd) && Same(got.Kdj, want.Kdj) &&
                Same(got.Adx, want.Adx));
    for (int w = int(c.windows.size()); w < 3; ++w)
      EXPECT_TRUE(ind->SubPoints(w).Lines[0].empty() && ind->SubPoints(w).Bars.empty()) << w;
  }
}

TEST_F(StockIndicatorsTest, SubWindowRowsOfAFlatRangeAndAZeroLineOutsideTheWindow) {
  // (The pictures of the chart show the lines at the rows of their ranges.)
  Windows({zbMACD, zbKDJ, zbADX});
  // A flat range puts everything on row 1: K = D = J = 1 away from the first candle.
  Load(TCandleAry(3000, TCandle{5, 5, nullptr}));
  EXPECT_EQ(m.Ranges().KdjMax, m.Ranges().KdjMin);
  EXPECT_EQ(TStockIndicators::SubWindowY(m, 1, 3.0), 1);

  // Ever faster rises and a slow signal line keep MACD well above 0 past the
  // first candles: its zero line lies below the window.
  Windows({zbMACD});
  ChartParams().MacdDean = 1935;
  Load(Walk(3000, [](int i) { return float(i) * float(i) / 100.0f; }));
  ASSERT_GT(m.Ranges().MacdMin, 0.0f);
  const auto& sub = ind->SubPoints(0);
  EXPECT_EQ(sub.ZeroY, TStockIndicators::SubWindowY(m, 0, 0));
  EXPECT_GT(sub.ZeroY, m.Window(0).Rect.Bottom);
  for (const auto& b : sub.Bars) EXPECT_EQ(b.ZeroY, sub.ZeroY);
}

TEST_F(StockIndicatorsTest, RangesTakeTheVisibleValuesOfTheLinesThatAreOn) {
  ChartParams().MaDays = {3, 0, -4, 0, 0, 0};
  Windows({zbMACD, zbKDJ, zbADX});
  // Prices of 10 to 14, far from the first candle: a line of period 0 or
  // below (all zeros) would pull the price minimum to 0.
  Load(Walk(3000, [](int i) { return 10.0f + float(i % 5); }));
  ASSERT_GT(m.FirstVisible(), 3);
  EXPECT_EQ(std::make_pair(m.Ranges().PriceMin, m.Ranges().PriceMax), std::make_pair(10.0f, 14.0f));
  std::vector<float> want;
  for (int w = 0; w < 3; ++w) {
    float lo = 1e9f, hi = -1e9f;
    for (int i = m.FirstVisible(); i <= m.LastVisible(); ++i)
      for (float v : Values(w, i)) std::tie(lo, hi) = std::make_pair(std::min(lo, v), std::max(hi, v));
    want.insert(want.end(), {lo, hi});
  }
  const TChartRanges& r = m.Ranges();
  EXPECT_EQ(std::vector<float>({r.MacdMin, r.MacdMax, r.KdjMin, r.KdjMax, r.AdxMin, r.AdxMax}), want);
  m.SetMainZbType(zbMainBoll);  // the bands widen the price range
  EXPECT_TRUE(m.Ranges().PriceMin < 10.0f && m.Ranges().PriceMax > 14.0f);

  // With the oldest candles on screen, the entries before a line's period
  // (zeros) stay out of the range too.
  ChartParams().MaDays = {5, 0, 0, 0, 0, 0};
  m.SetMainZbType(zbMainMA);
  TCandleAry candles = Walk(20, [](int i) { return 10.0f + float((i + 1) % 5); });
  candles[0].Open = 10;
  Load(candles);
  ASSERT_EQ(m.FirstVisible(), 0);
  EXPECT_EQ(std::make_pair(m.Ranges().PriceMin, m.Ranges().PriceMax), std::make_pair(10.0f, 14.0f));
}

TEST_F(StockIndicatorsTest, LegendsAtTheCandleUnderTheMouse) {
  // (The pictures of the chart show every kind's legend.)
  ChartParams().MaDays = {3, 0, 18, 0, -1, 5};
  ChartParams().MacdQuick = -3;
  Windows({zbMACD});
  Load(Zigzag(30));
  EXPECT_TRUE(ind->MainLegend(m).empty() && ind->SubLegend(m, 0).empty()) << "no candle under the mouse yet";
  m.MouseMove(429, 30);  // 30 candles in slots of 15 pixels: candle 25
  ASSERT_EQ(m.CurrentIndex(), 25);
  const auto& s = ind->Series();
  auto value = [](const char* label, float v) { return QString::fromLatin1(label) + QString::asprintf("%.2f", v); };
  // No item for a line of period 0 or below.
  const std::vector<TLegendItem> ma = {{value("MA3:", s.Ma[0][25]), kWhite},
                                       {value("MA18:", s.Ma[2][25]), 0xFF00FF},
                                       {value("MA5:", s.Ma[5][25]), kPurple}};
  EXPECT_EQ(ind->MainLegend(m), ma);
  EXPECT_EQ(ind->SubLegend(m, 0).at(0), (TLegendItem{"MACD(1,26,9)", kSilver})) << "the periods really used";
  ChartParams().MaColors.resize(2);  // the legend stops at the shorter table
  EXPECT_EQ(ind->MainLegend(m), std::vector<TLegendItem>(ma.begin(), ma.begin() + 1));
  m.SetCompact(true);
  EXPECT_TRUE(ind->MainLegend(m).empty() && ind->SubLegend(m, 0).empty());
}

TEST_F(StockIndicatorsTest, SettingsAreReadWithinTheirRangesAndWrittenOnlyWhenChanged) {
  TIniFileMgr& ini = IniFileMgr();
  auto load = [&] {
    ind->LoadSettings(m);
    const TChartParams& p = ChartParams();
    return std::vector<int>{m.WindowCount(), m.Window(2).Height, m.GetWindowZbType(0), m.GetWindowZbType(1),
                            m.GetWindowZbType(2), m.MainZbType(), p.MacdQuick, p.MacdSlow, p.MacdDean, p.KdjN,
                            p.KdjM1, p.KdjM2, p.BollN, p.AdxN, p.MaDays[4], p.MaColors[0]};
  };
  EXPECT_EQ(load(),
            (std::vector<int>{1, 100, zbMACD, zbKDJ, zbADX, zbMainMA, 12, 26, 9, 9, 3, 3, 20, 14, 0, 0xFFFFFF}));
  using Entries = std::vector<std::tuple<const char*, const char*, int>>;
  for (const auto& [section, key, value] :
       Entries{{"Windows", "WindowCount", 9}, {"Windows", "WindowZbType0", 7}, {"Windows", "WindowZbType1", -1},
               {"Windows", "WindowHeight2", -50}, {"MainZB", "ZB", 4}, {"MACD", "Quick", 5}, {"MACD", "Slow", 30},
               {"MACD", "Dean", 7}, {"KDJ", "N", 8}, {"KDJ", "M1", 4}, {"KDJ", "M2", 5}, {"Boll", "N", 21},
               {"ADX", "N", 15}, {"MA", "DayCount4", 44}, {"MA", "Color0", 0x10}})
    ini.WriteInteger(section, key, value);
  EXPECT_EQ(load(), (std::vector<int>{3, 0, zbADX, zbMACD, zbADX, zbMainBoll, 5, 30, 7, 8, 4, 5, 21, 15, 44, 0x10}));
  ini.WriteInteger("Windows", "WindowCount", -2);
  EXPECT_EQ(load()[0], 0);

  ResetChartSettings();
  m.SetWindowCount(2);
  m.SetWindowHeight(1, 77);
  m.SetWindowZbType(1, zbADX);
  ChartParams().AdxN = 21;
  ChartParams().MaColors[5] = 0x654321;
  ind->SaveSettings(m);
  for (const auto& [section, key, value] :
       Entries{{"Windows", "WindowCount", 2}, {"Windows", "WindowHeight1", 77}, {"Windows", "WindowZbType1", zbADX},
               {"Windows", "WindowHeight2", -1}, {"MainZB", "ZB", zbMainBoll}, {"MACD", "Quick", 12},
               {"MACD", "Slow", 26}, {"MACD", "Dean", 9}, {"KDJ", "N", 9}, {"KDJ", "M1", 3}, {"KDJ", "M2", 3},
               {"Boll", "N", 20}, {"ADX", "N", 21}, {"MA", "DayCount2", 18}, {"MA", "Color5", 0x654321}})
    EXPECT_EQ(ini.ReadInteger(section, key, -1), value) << key;

  // Every write replaces the file by a new one; the same values again leave it alone.
  struct stat st {};
  auto inode = [&] { return ::stat(ini.FileName().c_str(), &st) == 0 ? st.st_ino : 0; };
  const auto first = inode();
  ind->SaveSettings(m);
  EXPECT_EQ(inode(), first);
  ChartParams().AdxN = 22;
  ind->SaveSettings(m);
  EXPECT_EQ(std::make_pair(inode() != first, ini.ReadInteger("ADX", "N", -1)), std::make_pair(true, 22));
}
