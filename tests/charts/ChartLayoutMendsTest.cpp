// Candle charts side by side, as the trend window shows them: what one
// chart's layout may change in the others, and where the compact title
// stands.
#include "charts/StockChartCtl.h"

#include "SettingsSandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace {

constexpr platform::TColor kBlack = 0x000000, kRed = 0x0000FF;

class ChartLayoutMendsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetChartSettings(); }
  // A new 500 x 300 chart showing candles only.
  TStockChart& Chart() {
    TStockChart& chart = charts.emplace_back(&owner);
    chart.Model().SetIndicators(nullptr);
    chart.SetWindowCount(0);
    return chart;
  }
  QWidget owner;
  std::deque<TStockChart> charts;
};

}  // namespace

TEST_F(ChartLayoutMendsTest, AChartWhoseCandlesAllFitWidensOnlyItsOwnBars) {
  TStockChart& many = Chart();
  TStockChart& few = Chart();
  many.SetData(TCondition{}, TCandleAry(3000), 0);
  few.SetData(TCondition{}, TCandleAry(30), 0);  // slots of 450 / 30 = 15 pixels
  many.Recalculate();
  EXPECT_EQ(many.Model().VisibleCount(), 75) << "450 / (4 + 2): the other chart's fit is not shared";
  // The newest candle (open = close, a red line) is drawn 13 pixels wide.
  const platform::Bitmap& b = few.RenderBack();
  const int right = few.Model().MainRect().Right, y = few.Model().MainRect().Bottom - 1;
  EXPECT_EQ(b.GetPixel(right - 15, y), kRed);
  EXPECT_EQ(b.GetPixel(right - 3, y), kRed);
  EXPECT_EQ(b.GetPixel(right - 2, y), kBlack);
  // Zoom stays shared: out from the shared width, in from the bars shown.
  few.ZoomOut();
  many.Recalculate();
  EXPECT_EQ(many.Model().VisibleCount(), 112);  // 450 / (2 + 2)
  few.ZoomIn();
  many.Recalculate();
  EXPECT_EQ(many.Model().VisibleCount(), 26);  // 450 / (15 + 2)
}

TEST_F(ChartLayoutMendsTest, ACompactTitleIsCentredByItsDrawnWidth) {
  TStockChart& chart = Chart();
  chart.resize(220, 200);  // a cell of the fifteen-chart grid: the main window 0..210
  TCondition cond;
  cond.Caption = "红1号定位";
  cond.ValueText = "（红球1号）[ 12,7 ]";
  chart.SetCompact(true);
  chart.SetData(cond, TCandleAry{}, 0);
  const platform::Bitmap& b = chart.RenderBack();
  // The title's ink above the main window, right of the left axis (x 0).
  int left = 220, right = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 1; x < 220; ++x)
      if (b.GetPixel(x, y) != kBlack) left = std::min(left, x), right = std::max(right, x + 1);
  EXPECT_GT(left, 1) << "the first character is not cut off";
  EXPECT_NEAR(left + right, 210, 4) << left << ".." << right;
}
