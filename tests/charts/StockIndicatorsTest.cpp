// The indicator side of the candle chart: which indicators are on, their
// value ranges and points, the legends, the settings, and the painted
// overlay and sub-windows, down to cells of no size at all.
#include "charts/ChartSupport.h"
#include "charts/uChartIndicators.h"

#include "engine/uIniFileMgr.h"
#include "platform_gui/Pixels.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using charttest::CountColor;
using charttest::CountTint;
using charttest::Walk;
using charttest::Zigzag;
using platform::TColor;

namespace {

template <class T>
bool SameValues(const std::vector<T>& a, const std::vector<T>& b) {
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
    int i = 0;
    for (uint8_t kind : kinds) m.SetWindowZbType(i++, kind);
    m.SetWindowCount(int(kinds.size()));
  }
  // Puts the mouse over candle i (its column in the main window).
  void Hover(int i) {
    const int slot = TStockChartModel::BarWidth + m.Gap();
    m.MouseMove(m.MainRect().Right - (m.LastVisible() - i) * slot - 1, m.MainRect().Top + 5);
    ASSERT_EQ(m.CurrentIndex(), i);
  }
  TStockChartModel m;  // 500 x 300, margins 40 / 20 / 10 / 30
  TStockIndicators* ind = nullptr;
};

}  // namespace

TEST_F(StockIndicatorsTest, WhatIsOnFollowsTheOverlayAndTheSubWindowsWithTheSharedPeriods) {
  TChartParams& p = ChartParams();
  p.MaDays = {2, 0, 5, 0, 0, 1};
  p.BollN = 7;
  p.MacdQuick = 5;
  p.MacdSlow = 11;
  p.MacdDean = 4;
  p.KdjN = 6;
  p.KdjM1 = 2;
  p.KdjM2 = 4;
  p.AdxN = 5;
  const TIndicatorParams shared{p.MaDays, 7, 5, 11, 4, 6, 2, 4, 5};
  const TCandleAry candles = Zigzag(40);
  struct Case {
    uint8_t main;
    std::vector<uint8_t> windows;
    TIndicatorSwitches on;
  } cases[] = {{zbMainMA, {zbKDJ, zbADX}, {true, false, false, true, true}},
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
    EXPECT_TRUE(got.Ma.size() == want.Ma.size() && SameValues(got.Ma[0], want.Ma[0]) && SameValues(got.Ma[5], want.Ma[5]));
    EXPECT_TRUE(SameValues(got.Boll, want.Boll) && SameValues(got.Macd, want.Macd));
    EXPECT_TRUE(SameValues(got.Kdj, want.Kdj) && SameValues(got.Adx, want.Adx));
    for (int w = int(c.windows.size()); w < TStockChartModel::MaxWindowCount; ++w)
      EXPECT_TRUE(ind->SubPoints(w).Lines[0].empty() && ind->SubPoints(w).Bars.empty()) << w;
  }
}

TEST_F(StockIndicatorsTest, PointsSitOneAndAHalfSlotsRightOfTheirCandleUpToTheLeftMargin) {
  Windows({});
  Load(Zigzag(20));
  const auto& s = ind->Series();
  const auto& ma = ind->MaPoints();
  ASSERT_EQ(ma.size(), 6u);
  // Periods 3, 6, 18: points for the candles after the period only, the
  // right-most first; none for period 0.
  const std::vector<size_t> counts = {16, 13, 1, 0, 0, 0};
  for (size_t k = 0; k < 6; ++k) EXPECT_EQ(ma[k].size(), counts[k]) << k;
  EXPECT_EQ(ma[0][0], platform::Point(493, m.PriceY(s.Ma[0][19])));
  EXPECT_EQ(ma[0][15], platform::Point(493 - 15 * 6, m.PriceY(s.Ma[0][4])));
  m.SetMainZbType(zbMainBoll);
  for (const auto& line : ind->BollPoints()) EXPECT_EQ(line.size(), 20u);
  EXPECT_EQ(ind->BollPoints()[1][0], platform::Point(493, m.PriceY(s.Boll[19].UB)));
  EXPECT_EQ(ind->BollPoints()[2][19], platform::Point(493 - 19 * 6, m.PriceY(s.Boll[0].LB)));
  for (const auto& line : ind->MaPoints()) EXPECT_TRUE(line.empty());

  Windows({zbMACD});
  Load(Zigzag(3000));
  const auto& macd = ind->SubPoints(0);
  ASSERT_EQ(int(macd.Bars.size()), m.VisibleCount()) << "one per visible candle";
  EXPECT_EQ(macd.Bars.back().X, 493 - 74 * 6);
  EXPECT_EQ(macd.Lines[1].size(), macd.Bars.size());
}

TEST_F(StockIndicatorsTest, SubWindowRowsFollowTheRangeOfTheirKind) {
  Windows({zbMACD, zbKDJ, zbADX});
  Load(Zigzag(50));
  const TChartRanges& r = m.Ranges();
  const auto& s = ind->Series();
  struct Case {
    int window;
    float min, max;
    std::array<std::vector<float>, 3> values;  // of candles 49 and 48, per line
  } cases[] = {{0, r.MacdMin, r.MacdMax, {{{s.Macd[49].DIF, s.Macd[48].DIF}, {s.Macd[49].DEA, s.Macd[48].DEA}, {}}}},
               {1, r.KdjMin, r.KdjMax, {{{s.Kdj[49].K, s.Kdj[48].K}, {s.Kdj[49].D, s.Kdj[48].D}, {s.Kdj[49].J, s.Kdj[48].J}}}},
               {2, r.AdxMin, r.AdxMax, {{{s.Adx[49].PDI, s.Adx[48].PDI}, {s.Adx[49].MDI, s.Adx[48].MDI}, {s.Adx[49].ADX, s.Adx[48].ADX}}}}};
  for (const Case& c : cases) {
    const platform::TRect& w = m.Window(c.window).Rect;
    ASSERT_LT(c.min, c.max);
    for (double v : {double(c.min), double(c.max), (c.min + c.max) / 2.0}) {
      const int want = w.Bottom - int(std::lround((v - c.min) * (w.Height() - 10) / (c.max - c.min)));
      EXPECT_NEAR(TStockIndicators::SubWindowY(m, c.window, v), want, 1) << c.window << ": " << v;
    }
    EXPECT_EQ(TStockIndicators::SubWindowY(m, c.window, c.max), w.Top + 10);
    for (size_t line = 0; line < 3; ++line) {
      const auto& points = ind->SubPoints(c.window).Lines[line];
      ASSERT_EQ(points.size(), c.values[line].empty() ? 0u : 50u) << c.window << ", line " << line;
      for (size_t j = 0; j < c.values[line].size(); ++j)
        EXPECT_EQ(points[j].Y, TStockIndicators::SubWindowY(m, c.window, c.values[line][j])) << c.window << ", " << line;
    }
  }
  const auto& bar = ind->SubPoints(0).Bars[0];
  EXPECT_EQ(bar, (TBarSegment{ind->SubPoints(0).Lines[0][0].X, TStockIndicators::SubWindowY(m, 0, 0), TStockIndicators::SubWindowY(m, 0, s.Macd[49].BAR),
                              s.Macd[49].BAR}));

  // A flat range puts everything on row 1: K = D = J = 1 away from the first candle.
  Load(TCandleAry(3000, TCandle{5, 5, nullptr}));
  EXPECT_EQ(m.Ranges().KdjMax, m.Ranges().KdjMin);
  EXPECT_EQ(TStockIndicators::SubWindowY(m, 1, 3.0), 1);
}

TEST_F(StockIndicatorsTest, RangesTakeTheVisibleValuesOfTheLinesThatAreOn) {
  ChartParams().MaDays = {3, 0, -4, 0, 0, 0};
  Windows({zbMACD, zbKDJ, zbADX});
  // Prices of 10 to 14, far from the first candle: a line of period 0 or
  // below (all zeros) would pull the price minimum to 0.
  Load(Walk(3000, [](int i) { return 10.0f + float(i % 5); }));
  ASSERT_GT(m.FirstVisible(), 3);
  EXPECT_EQ(std::make_pair(m.Ranges().PriceMin, m.Ranges().PriceMax), std::make_pair(10.0f, 14.0f));
  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
  for (int i = m.FirstVisible(); i <= m.LastVisible(); ++i) {
    const auto& s = ind->Series();
    const size_t k = size_t(i);
    const std::array<std::array<float, 3>, 3> v = {{{s.Macd[k].BAR, s.Macd[k].DIF, s.Macd[k].DEA},
                                                    {s.Kdj[k].K, s.Kdj[k].D, s.Kdj[k].J},
                                                    {s.Adx[k].PDI, s.Adx[k].MDI, s.Adx[k].ADX}}};
    for (size_t w = 0; w < 3; ++w) {
      lo[w] = std::min({lo[w], v[w][0], v[w][1], v[w][2]});
      hi[w] = std::max({hi[w], v[w][0], v[w][1], v[w][2]});
    }
  }
  const TChartRanges& r = m.Ranges();
  EXPECT_EQ(std::vector<float>({r.MacdMin, r.MacdMax, r.KdjMin, r.KdjMax, r.AdxMin, r.AdxMax}),
            std::vector<float>({lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]}));
  m.SetMainZbType(zbMainBoll);  // the bands widen the price range
  EXPECT_LT(m.Ranges().PriceMin, 10.0f);
  EXPECT_GT(m.Ranges().PriceMax, 14.0f);

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

TEST_F(StockIndicatorsTest, MacdZeroLineMayLieOutsideItsWindow) {
  Windows({zbMACD});
  // Ever faster rises and a slow signal line: past the first candles DIF,
  // DEA and the bars stay well above 0.
  ChartParams().MacdDean = 1935;
  Load(Walk(3000, [](int i) { return float(i) * float(i) / 100.0f; }));
  ASSERT_GT(m.Ranges().MacdMin, 0.0f);
  const auto& sub = ind->SubPoints(0);
  EXPECT_GT(sub.ZeroY, m.Window(0).Rect.Bottom);
  EXPECT_EQ(sub.ZeroY, TStockIndicators::SubWindowY(m, 0, 0));
  for (const auto& bar : sub.Bars) EXPECT_EQ(bar.ZeroY, sub.ZeroY);
}

TEST_F(StockIndicatorsTest, Legends) {
  ChartParams().MaDays = {3, 0, 18, 0, -1, 5};
  ChartParams().MacdQuick = -3;
  Windows({zbMACD, zbKDJ, zbADX});
  Load(Zigzag(30));
  EXPECT_TRUE(ind->MainLegend(m).empty()) << "no candle under the mouse yet";
  Hover(25);
  const auto& s = ind->Series();
  auto value = [](const char* label, float v) { return QString::fromLatin1(label) + QString::asprintf("%.2f", v); };
  const TColor white = 0xFFFFFF, yellow = 0xFFFF, purple = platform::clPurple, silver = platform::clSilver;
  const std::vector<TLegendItem> ma = {
      {value("MA3:", s.Ma[0][25]), white}, {value("MA18:", s.Ma[2][25]), 0xFF00FF}, {value("MA5:", s.Ma[5][25]), 0x800080}};
  EXPECT_EQ(ind->MainLegend(m), ma);
  const std::vector<std::vector<TLegendItem>> subs = {
      {{"MACD(1,26,9)", silver},  // the period really used
       {value("DIF: ", s.Macd[25].DIF), white}, {value("DEA: ", s.Macd[25].DEA), yellow},
       {value("MACD: ", s.Macd[25].BAR), purple}},
      {{"KDJ(9,3,3)", silver}, {value("K: ", s.Kdj[25].K), white}, {value("D: ", s.Kdj[25].D), yellow},
       {value("J: ", s.Kdj[25].J), purple}},
      {{"ADX(14)", silver}, {value("PDI: ", s.Adx[25].PDI), platform::clRed},
       {value("MDI: ", s.Adx[25].MDI), 0x8000}, {value("ADX: ", s.Adx[25].ADX), yellow}}};
  for (int w = 0; w < 3; ++w) EXPECT_EQ(ind->SubLegend(m, w), subs[size_t(w)]) << w;

  ChartParams().MaColors.resize(2);  // the legend stops at the shorter table
  EXPECT_EQ(ind->MainLegend(m), std::vector<TLegendItem>(ma.begin(), ma.begin() + 1));
  m.SetMainZbType(zbMainBoll);
  EXPECT_EQ(ind->MainLegend(m), (std::vector<TLegendItem>{{"Boll(20)", silver},
                                                          {value("Boll: ", s.Boll[25].MB), white},
                                                          {value("UB: ", s.Boll[25].UB), yellow},
                                                          {value("LB: ", s.Boll[25].LB), purple}}));
  m.SetCompact(true);
  EXPECT_TRUE(ind->MainLegend(m).empty());
  EXPECT_TRUE(ind->SubLegend(m, 0).empty());
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
  EXPECT_EQ(load(), (std::vector<int>{1, 100, zbMACD, zbKDJ, zbADX, zbMainMA, 12, 26, 9, 9, 3, 3, 20, 14, 0, 0xFFFFFF}));
  for (const auto& [section, key, value] :
       std::vector<std::tuple<const char*, const char*, int>>{
           {"Windows", "WindowCount", 9}, {"Windows", "WindowZbType0", 7}, {"Windows", "WindowZbType1", -1},
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
  const std::vector<std::tuple<const char*, const char*, int>> saved = {
      {"Windows", "WindowCount", 2}, {"Windows", "WindowHeight1", 77}, {"Windows", "WindowZbType1", zbADX},
      {"Windows", "WindowHeight2", -1}, {"MainZB", "ZB", zbMainBoll}, {"MACD", "Quick", 12}, {"MACD", "Slow", 26},
      {"MACD", "Dean", 9}, {"KDJ", "N", 9}, {"KDJ", "M1", 3}, {"KDJ", "M2", 3}, {"Boll", "N", 20},
      {"ADX", "N", 21}, {"MA", "DayCount2", 18}, {"MA", "Color5", 0x654321}};
  for (const auto& [section, key, value] : saved) EXPECT_EQ(ini.ReadInteger(section, key, -1), value) << key;

  // Saving the same values again leaves the file alone (every write
  // replaces the file by a new one).
  struct stat first {}, again {};
  ASSERT_EQ(::stat(ini.FileName().c_str(), &first), 0);
  ind->SaveSettings(m);
  ASSERT_EQ(::stat(ini.FileName().c_str(), &again), 0);
  EXPECT_EQ(first.st_ino, again.st_ino);
  ChartParams().AdxN = 22;
  ind->SaveSettings(m);
  ASSERT_EQ(::stat(ini.FileName().c_str(), &again), 0);
  EXPECT_NE(first.st_ino, again.st_ino);
  EXPECT_EQ(ini.ReadInteger("ADX", "N", -1), 22);
}

// ---- painted

TEST(StockIndicatorsPaintTest, OverlayLegendsAndSubWindows) {
  ResetChartSettings();
  QWidget owner;
  owner.resize(600, 400);
  owner.show();
  auto chart = std::make_unique<TStockChart>(&owner);  // one MACD window of 100 pixels
  chart->show();
  chart->SetData(TCondition{}, Zigzag(60), 0);
  const TStockChartModel& m = chart->Model();
  ASSERT_EQ(m.WindowCount(), 1);
  const platform::TRect sub = m.Window(0).Rect;
  const platform::Bitmap before = chart->RenderBack();
  // The moving averages in their colours in the main band; the dotted zero
  // line, the bars in red and cyan, the DEA line in green.
  EXPECT_GT(CountColor(before, m.MainRect(), 0xFFFFFF), 30);
  EXPECT_GT(CountColor(before, m.MainRect(), 0xFF00FF), 10);
  const int zero = static_cast<const TStockIndicators*>(m.Indicators())->SubPoints(0).ZeroY;
  const int dots = CountColor(before, platform::Rect(41, zero, 490, zero + 1), platform::clSilver);
  EXPECT_GT(dots, 60);
  EXPECT_LT(dots, 450) << "dotted, not solid";
  EXPECT_GT(CountColor(before, sub, platform::clRed), 20);
  EXPECT_GT(CountColor(before, sub, 0xFFFF00), 20);
  EXPECT_GT(CountColor(before, sub, 0x8000), 20);

  // The legends come with a candle under the mouse: the moving averages'
  // from 5 pixels right of the axis, the sub-window's four items, the last
  // ("MACD: ...") in purple, which no line of this window has.
  const platform::TRect legend = platform::Rect(sub.Left, sub.Top + 1, 490, sub.Top + 15);
  const platform::TRect maLegend = platform::Rect(30, m.MainRect().Top, 120, m.MainRect().Top + 12);
  EXPECT_EQ(CountTint(before, legend, platform::clPurple), 0);
  EXPECT_LT(CountTint(before, maLegend, 0xFFFFFF), 10);
  chart->Model().MouseMove(480, m.MainRect().Top + 10);
  ASSERT_TRUE(m.IsCandle(m.CurrentIndex()));
  const platform::Bitmap& hovered = chart->RenderBack();
  EXPECT_GT(CountTint(hovered, legend, platform::clPurple), 5);
  EXPECT_GT(CountTint(hovered, maLegend, 0xFFFFFF), 30);
  EXPECT_NEAR(pixels::InkBox(hovered, 0, platform::Rect(41, m.MainRect().Top, 50, m.MainRect().Top + 12)).Left, 45, 1);

  // Compact cells of any size, with all three kinds.
  chart->SetWindowCount(3);
  chart->SetWindowZbType(1, zbKDJ);
  chart->SetWindowZbType(2, zbADX);
  chart->SetCompact(true);
  const TCandleAry candles = Zigzag(450);
  for (int size = 0; size <= 200; size += size < 12 ? 1 : 17) {
    for (int other : {0, 1, size, 300}) {
      chart->resize(size, other);
      chart->SetData(TCondition{}, candles, 0);
      chart->Model().MouseMove(size / 2, other / 2);
      const platform::Bitmap& b = chart->RenderBack();
      EXPECT_EQ(std::make_pair(b.Width(), b.Height()), std::make_pair(size, other));
    }
  }
}
