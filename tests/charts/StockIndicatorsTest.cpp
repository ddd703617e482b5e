// The indicator side of the candle chart: which indicators are on, their
// value ranges and points, the legends, the settings, and the painted
// sub-windows, down to cells of no size at all.
#include "charts/uChartIndicators.h"

#include "charts/SettingsSandbox.h"
#include "engine/uIniFileMgr.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>


using platform::TColor;

namespace {

// A walk of n candles, each opening at the previous close.
template <class F>
TCandleAry Walk(int n, F close) {
  TCandleAry candles;
  for (int i = 0; i < n; ++i) candles.push_back({candles.empty() ? 0.0f : candles.back().Close, close(i), nullptr});
  return candles;
}

TCandleAry Zigzag(int n) {
  return Walk(n, [](int i) { return float((i * 7) % 11) - float(i % 3); });
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
  // Puts the mouse over candle i (its column in the main window).
  void Hover(int i) {
    const int slot = m.CandleWidth() + m.Gap();
    m.MouseMove(m.MainRect().Right - (m.LastVisible() - i) * slot - 1, m.MainRect().Top + 5);
    ASSERT_EQ(m.CurrentIndex(), i);
  }
  TStockChartModel m;  // 500 x 300, margins 40 / 20 / 10 / 30
  TStockIndicators* ind = nullptr;
};

}  // namespace

TEST_F(StockIndicatorsTest, WhatIsOnFollowsTheOverlayAndTheSubWindows) {
  m.SetWindowCount(2);
  m.SetWindowZbType(0, zbKDJ);
  m.SetWindowZbType(1, zbADX);
  m.SetWindowZbType(2, zbMACD);  // beyond the count: not computed
  Load(Zigzag(30));
  EXPECT_TRUE(ind->On().Ma);
  EXPECT_FALSE(ind->On().Boll);
  EXPECT_FALSE(ind->On().Macd);
  EXPECT_TRUE(ind->On().Kdj);
  EXPECT_TRUE(ind->On().Adx);
  EXPECT_NE(ind->Series().Kdj[20].K, 0);
  EXPECT_EQ(ind->Series().Macd[20].DIF, 0);

  m.SetMainZbType(zbMainBoll);
  EXPECT_TRUE(ind->On().Boll);
  EXPECT_FALSE(ind->On().Ma);
  m.SetWindowCount(0);
  m.Recalculate();
  EXPECT_FALSE(ind->On().Kdj);
  EXPECT_FALSE(ind->On().Adx);
  EXPECT_TRUE(ind->SubPoints(0).Lines[0].empty());
}

TEST_F(StockIndicatorsTest, MainWindowPointsSitOneAndAHalfSlotsRightOfTheCandle) {
  m.SetWindowCount(0);
  Load(Zigzag(20));
  ASSERT_EQ(m.LastVisible(), 19);
  const auto& ma = ind->MaPoints();
  ASSERT_EQ(ma.size(), 6u);
  // Period 3: points only for candles 4..19, the right-most first.
  ASSERT_EQ(ma[0].size(), 16u);
  EXPECT_EQ(ma[0][0], platform::Point(493, m.PriceY(ind->Series().Ma[0][19])));
  EXPECT_EQ(ma[0][15], platform::Point(493 - 15 * 6, m.PriceY(ind->Series().Ma[0][4])));
  EXPECT_EQ(ma[2].size(), 1u) << "period 18: candle 19 only";
  EXPECT_TRUE(ma[3].empty()) << "period 0";

  m.SetMainZbType(zbMainBoll);
  for (const auto& line : ind->BollPoints()) EXPECT_EQ(line.size(), 20u);
  EXPECT_EQ(ind->BollPoints()[1][0], platform::Point(493, m.PriceY(ind->Series().Boll[19].UB)));
  for (const auto& line : ind->MaPoints()) EXPECT_TRUE(line.empty());
}

TEST_F(StockIndicatorsTest, PointsStopAtTheLeftMargin) {
  m.SetWindowCount(1);
  Load(Zigzag(3000));
  const auto& macd = ind->SubPoints(0);
  ASSERT_FALSE(macd.Bars.empty());
  EXPECT_EQ(int(macd.Bars.size()), m.VisibleCount()) << "one per visible candle";
  for (const auto& bar : macd.Bars) EXPECT_GE(bar.X, m.Margins().Left);
}

TEST_F(StockIndicatorsTest, SubWindowRowsFollowTheRangeOfTheirKind) {
  m.SetWindowCount(2);
  m.SetWindowZbType(1, zbKDJ);
  Load(Zigzag(50));
  const TChartRanges& r = m.Ranges();
  const platform::TRect& kdj = m.Window(1).Rect;
  for (double v : {double(r.KdjMin), double(r.KdjMax), 42.0}) {
    const int want = kdj.Bottom - int(std::lround((v - r.KdjMin) * (kdj.Height() - 10) / (r.KdjMax - r.KdjMin)));
    EXPECT_NEAR(TStockIndicators::SubWindowY(m, 1, v), want, 1) << v;
  }
  EXPECT_EQ(TStockIndicators::SubWindowY(m, 1, r.KdjMin), kdj.Bottom);
  EXPECT_EQ(TStockIndicators::SubWindowY(m, 1, r.KdjMax), kdj.Top + 10);
  const auto& k = ind->SubPoints(1).Lines[0];
  ASSERT_FALSE(k.empty());
  EXPECT_EQ(k[0].Y, TStockIndicators::SubWindowY(m, 1, ind->Series().Kdj[49].K));
  EXPECT_EQ(k[1].Y, TStockIndicators::SubWindowY(m, 1, ind->Series().Kdj[48].K));

  // A flat range puts everything on row 1: K = D = J = 1 away from the
  // first candle.
  Load(TCandleAry(3000, TCandle{5, 5, nullptr}));
  EXPECT_EQ(m.Ranges().KdjMax, m.Ranges().KdjMin);
  EXPECT_EQ(TStockIndicators::SubWindowY(m, 1, 3.0), 1);
}

TEST_F(StockIndicatorsTest, TwoSubWindowsOfOneKindEachDrawInTheirOwnRectangle) {
  m.SetWindowCount(2);
  m.SetWindowZbType(1, zbMACD);
  Load(Zigzag(80));
  for (int w = 0; w < 2; ++w) {
    const platform::TRect& r = m.Window(w).Rect;
    const auto& dif = ind->SubPoints(w).Lines[0];
    ASSERT_FALSE(dif.empty());
    for (const auto& p : dif) {
      EXPECT_GE(p.Y, r.Top + 10) << w;
      EXPECT_LE(p.Y, r.Bottom) << w;
    }
  }
  EXPECT_NE(ind->SubPoints(0).Lines[0], ind->SubPoints(1).Lines[0]);
}

TEST_F(StockIndicatorsTest, RangesTakeOnlyTheLinesThatAreOn) {
  ChartParams().MaDays = {3, 0, -4, 0, 0, 0};
  m.SetWindowCount(1);
  // Prices of 10 to 14, far from the first candle: a line of period 0 or
  // below (all zeros) would pull the price minimum to 0.
  Load(Walk(3000, [](int i) { return 10.0f + float(i % 5); }));
  ASSERT_GT(m.FirstVisible(), 3);
  EXPECT_GE(m.Ranges().PriceMin, 10.0f);
  EXPECT_LE(m.Ranges().PriceMax, 14.0f);

  float lo = 1e9f, hi = -1e9f;
  for (int i = m.FirstVisible(); i <= m.LastVisible(); ++i) {
    const TMacdValue& v = ind->Series().Macd[size_t(i)];
    lo = std::min({lo, v.BAR, v.DIF, v.DEA});
    hi = std::max({hi, v.BAR, v.DIF, v.DEA});
  }
  EXPECT_EQ(m.Ranges().MacdMin, lo);
  EXPECT_EQ(m.Ranges().MacdMax, hi);

  // With the oldest candles on screen, the entries before a line's period
  // (zeros) stay out of the range too.
  ChartParams().MaDays = {5, 0, 0, 0, 0, 0};
  TCandleAry flat;
  for (int i = 0; i < 20; ++i) flat.push_back({10.0f + float(i % 5), 10.0f + float((i + 1) % 5), nullptr});
  Load(flat);
  ASSERT_EQ(m.FirstVisible(), 0);
  EXPECT_GE(m.Ranges().PriceMin, 10.0f);
}

TEST_F(StockIndicatorsTest, MacdZeroLineMayLieOutsideItsWindow) {
  m.SetWindowCount(1);
  // Ever faster rises and a slow signal line: past the first candles DIF,
  // DEA and the bars stay well above 0.
  ChartParams().MacdDean = 1935;
  Load(Walk(3000, [](int i) { return float(i) * float(i) / 100.0f; }));
  ASSERT_GT(m.FirstVisible(), 100);
  ASSERT_GT(m.Ranges().MacdMin, 0.0f);
  const auto& sub = ind->SubPoints(0);
  EXPECT_GT(sub.ZeroY, m.Window(0).Rect.Bottom);
  EXPECT_EQ(sub.ZeroY, TStockIndicators::SubWindowY(m, 0, 0));
  for (const auto& bar : sub.Bars) EXPECT_EQ(bar.ZeroY, sub.ZeroY);
}

TEST_F(StockIndicatorsTest, Legends) {
  ChartParams().MaDays = {3, 0, 18, 0, -1, 5};
  ChartParams().MacdQuick = -3;
  m.SetWindowCount(3);
  m.SetWindowZbType(0, zbMACD);
  m.SetWindowZbType(1, zbKDJ);
  m.SetWindowZbType(2, zbADX);
  Load(Zigzag(30));
  EXPECT_TRUE(ind->MainLegend(m).empty()) << "no candle under the mouse yet";
  Hover(25);
  const auto& s = ind->Series();
  const auto main = ind->MainLegend(m);
  ASSERT_EQ(main.size(), 3u);
  EXPECT_EQ(main[0], (TLegendItem{QStringLiteral("MA3:%1").arg(QString::asprintf("%.2f", s.Ma[0][25])), 0xFFFFFF}));
  EXPECT_TRUE(main[1].Text.startsWith("MA18:"));
  EXPECT_EQ(main[1].Color, TColor(0xFF00FF));
  EXPECT_TRUE(main[2].Text.startsWith("MA5:"));

  auto macd = ind->SubLegend(m, 0);
  ASSERT_EQ(macd.size(), 4u);
  EXPECT_EQ(macd[0], (TLegendItem{"MACD(1,26,9)", platform::clSilver})) << "the period really used";
  EXPECT_EQ(macd[1], (TLegendItem{QString::asprintf("DIF: %.2f", s.Macd[25].DIF), 0xFFFFFF}));
  EXPECT_EQ(macd[3], (TLegendItem{QString::asprintf("MACD: %.2f", s.Macd[25].BAR), platform::clPurple}));
  auto kdj = ind->SubLegend(m, 1);
  EXPECT_EQ(kdj[0].Text, "KDJ(9,3,3)");
  EXPECT_EQ(kdj[2], (TLegendItem{QString::asprintf("D: %.2f", s.Kdj[25].D), 0xFFFF}));
  auto adx = ind->SubLegend(m, 2);
  EXPECT_EQ(adx[0].Text, "ADX(14)");
  EXPECT_EQ(adx[1].Color, platform::clRed);
  EXPECT_EQ(adx[2].Color, TColor(0x8000));

  m.SetMainZbType(zbMainBoll);
  const auto boll = ind->MainLegend(m);
  ASSERT_EQ(boll.size(), 4u);
  EXPECT_EQ(boll[0].Text, "Boll(20)");
  EXPECT_EQ(boll[3], (TLegendItem{QString::asprintf("LB: %.2f", s.Boll[25].LB), platform::clPurple}));

  m.SetCompact(true);
  EXPECT_TRUE(ind->MainLegend(m).empty());
  EXPECT_TRUE(ind->SubLegend(m, 0).empty());
}

TEST_F(StockIndicatorsTest, SettingsAreReadWithinTheirRanges) {
  ind->LoadSettings(m);
  EXPECT_EQ(m.WindowCount(), 1);
  EXPECT_EQ(m.Window(2).Height, 100);
  EXPECT_EQ(m.GetWindowZbType(0), zbMACD);
  EXPECT_EQ(m.GetWindowZbType(1), zbKDJ);
  EXPECT_EQ(m.GetWindowZbType(2), zbADX);
  EXPECT_EQ(m.MainZbType(), zbMainMA);
  EXPECT_EQ(ChartParams().MaDays, (TIntAry{3, 6, 18, 0, 0, 0}));
  EXPECT_EQ(ChartParams().KdjN, 9);

  TIniFileMgr& ini = IniFileMgr();
  ini.WriteInteger("Windows", "WindowCount", 9);
  ini.WriteInteger("Windows", "WindowZbType0", 7);
  ini.WriteInteger("Windows", "WindowZbType1", -1);
  ini.WriteInteger("Windows", "WindowHeight2", -50);
  ini.WriteInteger("MainZB", "ZB", 4);
  ini.WriteInteger("MACD", "Slow", 30);
  ini.WriteInteger("MA", "DayCount4", 44);
  ini.WriteInteger("MA", "Color0", 0x10);
  ind->LoadSettings(m);
  EXPECT_EQ(m.WindowCount(), 3);
  EXPECT_EQ(m.GetWindowZbType(0), zbADX);
  EXPECT_EQ(m.GetWindowZbType(1), zbMACD);
  EXPECT_EQ(m.Window(2).Height, 0);
  EXPECT_EQ(m.MainZbType(), zbMainBoll);
  EXPECT_EQ(ChartParams().MacdSlow, 30);
  EXPECT_EQ(ChartParams().MaDays[4], 44);
  EXPECT_EQ(ChartParams().MaColors[0], 0x10);
  ini.WriteInteger("Windows", "WindowCount", -2);
  ind->LoadSettings(m);
  EXPECT_EQ(m.WindowCount(), 0);
}

TEST_F(StockIndicatorsTest, SavingWritesTheWindowsInUseAndEveryParameter) {
  m.SetWindowCount(2);
  m.SetWindowHeight(1, 77);
  m.SetWindowZbType(1, zbADX);
  ChartParams().AdxN = 21;
  ChartParams().MaColors[5] = 0x654321;
  ind->SaveSettings(m);
  TIniFileMgr& ini = IniFileMgr();
  EXPECT_EQ(ini.ReadInteger("Windows", "WindowCount", -1), 2);
  EXPECT_EQ(ini.ReadInteger("Windows", "WindowHeight1", -1), 77);
  EXPECT_EQ(ini.ReadInteger("Windows", "WindowZbType1", -1), zbADX);
  EXPECT_EQ(ini.ReadString("Windows", "WindowHeight2", "none"), "none");
  EXPECT_EQ(ini.ReadInteger("MainZB", "ZB", -1), 0);
  EXPECT_EQ(ini.ReadInteger("MACD", "Dean", -1), 9);
  EXPECT_EQ(ini.ReadInteger("KDJ", "M2", -1), 3);
  EXPECT_EQ(ini.ReadInteger("Boll", "N", -1), 20);
  EXPECT_EQ(ini.ReadInteger("ADX", "N", -1), 21);
  EXPECT_EQ(ini.ReadInteger("MA", "DayCount2", -1), 18);
  EXPECT_EQ(ini.ReadInteger("MA", "Color5", -1), 0x654321);

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

  // What one chart saved, the next one loads.
  TStockChartModel other;
  TStockIndicators().LoadSettings(other);
  EXPECT_EQ(other.WindowCount(), 2);
  EXPECT_EQ(other.Window(1).Height, 77);
  EXPECT_EQ(other.GetWindowZbType(1), zbADX);
}

// ---- painted

namespace {

class StockIndicatorsPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetChartSettings();
    owner.resize(600, 400);
    owner.show();
    chart = new TStockChart(&owner);  // one MACD window of 100 pixels
    chart->show();
  }
  void TearDown() override { delete chart; }

  int Count(const platform::Bitmap& b, platform::TRect r, TColor color) {
    int n = 0;
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, b.Height()); ++y)
      for (int x = std::max(r.Left, 0); x < std::min(r.Right, b.Width()); ++x) n += b.GetPixel(x, y) == color;
    return n;
  }

  // Pixels of purple text on black (smoothed edges keep the hue).
  int Purples(const platform::Bitmap& b, platform::TRect r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        const TColor c = b.GetPixel(x, y);
        const int red = platform::GetRValue(c), green = platform::GetGValue(c), blue = platform::GetBValue(c);
        n += red >= 64 && std::abs(red - blue) <= 16 && green * 3 < red;
      }
    return n;
  }

  QWidget owner;
  TStockChart* chart = nullptr;
};

}  // namespace

TEST_F(StockIndicatorsPaintTest, OverlayAndMacdWindow) {
  chart->SetData(TCondition{}, Zigzag(60), 0);
  const TStockChartModel& m = chart->Model();
  ASSERT_EQ(m.WindowCount(), 1);
  const platform::TRect sub = m.Window(0).Rect;
  const auto* ind = static_cast<const TStockIndicators*>(m.Indicators());
  const platform::Bitmap& b = chart->RenderBack();
  // The moving averages in their colours in the main band.
  EXPECT_GT(Count(b, m.MainRect(), 0xFFFFFF), 30);
  EXPECT_GT(Count(b, m.MainRect(), 0xFF00FF), 10);
  // The dotted zero line, and the bars in red and cyan.
  const int zero = ind->SubPoints(0).ZeroY;
  const int dots = Count(b, platform::Rect(m.Margins().Left, zero, 500 - 10, zero + 1), platform::clSilver);
  EXPECT_GT(dots, 60);
  EXPECT_LT(dots, 450) << "dotted, not solid";
  EXPECT_GT(Count(b, sub, platform::clRed), 20);
  EXPECT_GT(Count(b, sub, 0xFFFF00), 20);
  EXPECT_GT(Count(b, sub, 0x8000), 20) << "the DEA line";
  // No legend until the mouse is over a candle; then its four items, the
  // last ("MACD: ...") in purple, which no line of this window has.
  const platform::TRect legend = platform::Rect(sub.Left, sub.Top + 1, 490, sub.Top + 15);
  const platform::Bitmap before = b;
  EXPECT_EQ(Purples(before, legend), 0);
  chart->Model().MouseMove(480, m.MainRect().Top + 10);
  ASSERT_TRUE(m.IsCandle(m.CurrentIndex()));
  const platform::Bitmap& hovered = chart->RenderBack();
  int changed = 0;
  for (int y = legend.Top; y < legend.Bottom; ++y)
    for (int x = legend.Left; x < legend.Right; ++x) changed += hovered.GetPixel(x, y) != before.GetPixel(x, y);
  EXPECT_GT(changed, 100);
  EXPECT_GT(Purples(hovered, legend), 5);
}

TEST_F(StockIndicatorsPaintTest, CompactCellsOfAnySizePaint) {
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
      EXPECT_EQ(b.Width(), size);
      EXPECT_EQ(b.Height(), other);
    }
  }
}
