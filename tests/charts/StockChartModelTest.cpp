// The candle chart without its widget: layout, ranges, scrolling, zoom,
// the candle under the mouse, line editing, and the calls into the
// indicator side.
#include "charts/StockChartCtl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace {

// A walk of n candles, each opening at the previous close; candle i rises
// by 1 when i % 3 != 2, else falls by 2.
TCandleAry Walk(int n) {
  TCandleAry candles(size_t(std::max(n, 0)));
  float v = 0;
  for (int i = 0; i < n; ++i) {
    candles[size_t(i)].Open = v;
    v += i % 3 == 2 ? -2.0f : 1.0f;
    candles[size_t(i)].Close = v;
  }
  return candles;
}

class StockModelTest : public ::testing::Test {
 protected:
  void SetUp() override { TStockChartModel::BarWidth = 4; }
  void Load(int n) { m.SetData(TCondition{}, Walk(n), 0); }
  TStockChartModel m;  // 500 x 300, normal margins 40 / 20 / 10 / 30
};

}  // namespace

TEST_F(StockModelTest, TwentyCandlesFitWithoutWideningTheBars) {
  Load(20);
  // floor(450 / 20) = 22 is not below 21: the bars stay 4 pixels wide.
  EXPECT_EQ(TStockChartModel::BarWidth, 4);
  EXPECT_EQ(m.FirstVisible(), 0);
  EXPECT_EQ(m.LastVisible(), 19);
  EXPECT_EQ(m.VisibleCount(), 75);  // 450 / (4 + 2)
}

TEST_F(StockModelTest, NarrowCellsWidenTheBarsToFillTheWindow) {
  Load(50);
  // 50 candles fit in 6-pixel slots; slots of 450 / 50 = 9 < 21 pixels
  // make bars of 7.
  EXPECT_EQ(m.CandleWidth(), 7);
  EXPECT_EQ(m.VisibleCount(), 50);
  EXPECT_EQ(m.FirstVisible(), 0);
}

// The visible candles are exactly those painted, and they alone set the
// price range, on the first layout and after another.
TEST_F(StockModelTest, VisibleCandlesAreTheDrawnOnesAndSetTheRange) {
  struct Case {
    int candles, width;
  } cases[] = {{200, 900}, {200, 500}, {100, 500}, {50, 500}, {3000, 1000}, {75, 500}, {76, 500}};
  for (const Case& c : cases) {
    TStockChartModel::BarWidth = 4;
    m.SetSize(c.width, 300);
    TCandleAry candles = Walk(c.candles);
    // The oldest candles hold the extremes: a range from them is wrong.
    candles[0] = {-1000, 1000, nullptr};
    m.SetData(TCondition{}, candles, 0);
    for (int pass = 0; pass < 2; ++pass) {
      const std::string where = std::to_string(c.candles) + " in " + std::to_string(c.width) + ", pass " +
                                std::to_string(pass);
      int first = -1;
      for (int i = 0; i < c.candles; ++i)
        if (m.CandleLeft(i) >= m.Margins().Left && first < 0) first = i;
      EXPECT_EQ(m.FirstVisible(), first) << where;
      EXPECT_EQ(m.VisibleCount(), m.LastVisible() - first + 1) << where;
      EXPECT_LE(m.CandleLeft(m.LastVisible()) + TStockChartModel::BarWidth, m.MainRect().Right) << where;
      float lo = 1e9f, hi = -1e9f;
      for (int i = first; i <= m.LastVisible(); ++i) {
        lo = std::min({lo, candles[size_t(i)].Open, candles[size_t(i)].Close});
        hi = std::max({hi, candles[size_t(i)].Open, candles[size_t(i)].Close});
      }
      EXPECT_EQ(m.Ranges().PriceMin, lo) << where;
      EXPECT_EQ(m.Ranges().PriceMax, hi) << where;
      m.Recalculate();
    }
  }
}

TEST_F(StockModelTest, BarWidthStaysPositiveInAChartNarrowerThanItsMargins) {
  for (int n : {1, 5}) {
    for (int width : {60, 50, 40, 0}) {
      TStockChartModel::BarWidth = 4;
      m.SetSize(width, 300);
      Load(n);
      const std::string where = std::to_string(n) + " candles, width " + std::to_string(width);
      // One candle in no room at all: the cell is 0 or less pixels wide.
      if (n == 1 && width <= 50) {
        EXPECT_EQ(m.CandleWidth(), 1) << where;
      }
      EXPECT_GE(m.CandleWidth(), 1) << where;
      EXPECT_GE(m.VisibleCount(), 1) << where;
      EXPECT_LE(m.FirstVisible(), m.LastVisible()) << where;
      m.MouseMove(width / 2, 100);  // divides by the slot width
      m.ScrollPixels(7);            // divides by the bar width
      m.ZoomOut();
      EXPECT_LE(m.LastVisible(), n - 1) << where;
      EXPECT_GE(m.FirstVisible(), 0) << where;
    }
  }
}

TEST_F(StockModelTest, ZoomLimits) {
  Load(3000);
  TStockChartModel::BarWidth = 2;
  m.ZoomOut();
  EXPECT_EQ(TStockChartModel::BarWidth, 2) << "a bar never becomes 0 wide";
  TStockChartModel::BarWidth = 4;
  m.ZoomOut();
  EXPECT_EQ(TStockChartModel::BarWidth, 2);
  EXPECT_EQ(m.VisibleCount(), 112);
  m.ZoomIn();
  m.ZoomIn();
  EXPECT_EQ(TStockChartModel::BarWidth, 6);
  EXPECT_EQ(m.VisibleCount(), 56);
  EXPECT_EQ(m.FirstVisible(), 2999 - 55);
}

TEST_F(StockModelTest, BarWidthIsSharedByEveryCandleChart) {
  Load(3000);
  TStockChartModel other;  // a new chart sets the shared width to 4 again
  other.SetData(TCondition{}, Walk(3000), 0);
  other.ZoomIn();
  m.Recalculate();
  EXPECT_EQ(m.VisibleCount(), 56) << "the other chart's zoom reached this one";
}

TEST_F(StockModelTest, ScrollStops) {
  Load(3000);
  m.ScrollBack(1000);
  EXPECT_EQ(m.LastVisible(), 1999);
  EXPECT_EQ(m.FirstVisible(), 1999 - 74);
  m.ScrollBack(5000);
  EXPECT_EQ(m.LastVisible(), 74) << "stops with the oldest candle first";
  EXPECT_EQ(m.FirstVisible(), 0);
  m.ScrollForward(1000);
  EXPECT_EQ(m.LastVisible(), 1074);
  m.ScrollForward(5000);
  EXPECT_EQ(m.LastVisible(), 2999);
  m.ScrollPixels(-9);  // |dx| / bar width = 2 candles back, whatever the sign
  EXPECT_EQ(m.LastVisible(), 2997);
  m.ScrollPixels(9);
  EXPECT_EQ(m.LastVisible(), 2995);
  m.ScrollBack(INT_MAX);
  EXPECT_EQ(m.LastVisible(), 74);
  m.ScrollForward(INT_MAX);
  EXPECT_EQ(m.LastVisible(), 2999);
  m.ScrollPixels(INT_MIN);
  EXPECT_EQ(m.LastVisible(), 74);
  m.ScrollBack(INT_MIN);  // back by a negative number: forward, but never past the last candle
  EXPECT_EQ(m.LastVisible(), 2999);
}

TEST_F(StockModelTest, ScrollBackNeverPassesTheLastCandleWhenAllFit) {
  Load(20);
  m.ScrollBack(1);
  EXPECT_EQ(m.LastVisible(), 19);
  m.ScrollBack(1000);
  EXPECT_EQ(m.LastVisible(), 19);
  EXPECT_EQ(m.FirstVisible(), 0);
}

TEST_F(StockModelTest, ScrollingWithoutCandlesKeepsNothingVisible) {
  Load(0);
  m.ScrollBack(3);
  EXPECT_EQ(m.LastVisible(), -1);
  m.ScrollForward(3);
  EXPECT_EQ(m.LastVisible(), -1);
  m.MouseMove(200, 100);
  EXPECT_FALSE(m.IsCandle(m.CurrentIndex()));
  m.SetCenterIndex(5);
  EXPECT_EQ(m.CenterIndex(), -1);
}

TEST_F(StockModelTest, OneCandleHasItsOwnRanges) {
  TCandleAry big{{100, 200, nullptr}, {200, 300, nullptr}};
  m.SetData(TCondition{}, big, 0);
  EXPECT_EQ(m.Ranges().PriceMax, 300);
  m.SetData(TCondition{}, TCandleAry{{-1.5f, 0.5f, nullptr}}, 0);
  EXPECT_EQ(m.Ranges().PriceMax, 0.5f);
  EXPECT_EQ(m.Ranges().PriceMin, -1.5f);
  EXPECT_EQ(m.FirstVisible(), 0);
  EXPECT_EQ(m.LastVisible(), 0);
  EXPECT_EQ(m.PriceY(-1.5), m.MainRect().Bottom - 1) << "offset 1.0 at the minimum";
  EXPECT_EQ(m.PriceY(0.5), m.MainRect().Top);
}

TEST_F(StockModelTest, ChartWithoutCandlesKeepsItsRanges) {
  m.SetData(TCondition{}, Walk(10), 0);
  const TChartRanges before = m.Ranges();
  m.SetData(TCondition{}, TCandleAry{}, 0);
  EXPECT_EQ(m.Ranges().PriceMax, before.PriceMax);
  EXPECT_EQ(m.Ranges().PriceMin, before.PriceMin);
}

TEST_F(StockModelTest, PricesMapOntoTheMainWindow) {
  Load(6);  // closes 1, 2, 0, 1, 2, 0 from opens 0, 1, 2, 0, 1, 2: range 0..2
  EXPECT_EQ(m.Ranges().PriceMin, 0);
  EXPECT_EQ(m.Ranges().PriceMax, 2);
  const platform::TRect r = m.MainRect();  // (40, 20, 490, 270) without sub-windows
  EXPECT_EQ(r, platform::Rect(40, 20, 490, 270));
  EXPECT_EQ(m.PriceY(2), 20);
  EXPECT_EQ(m.PriceY(1), 145);
  EXPECT_EQ(m.PriceY(0), 269) << "the minimum sits one pixel above the bottom";
  EXPECT_DOUBLE_EQ(m.PriceAt(145), 1.0);
  EXPECT_EQ(m.CandleLeft(5), 490 - 6);
  EXPECT_EQ(m.CandleLeft(0), 490 - 36);
}

TEST_F(StockModelTest, WindowRectanglesNormalAndCompact) {
  m.SetWindowHeight(0, 100);
  m.SetWindowHeight(1, 60);
  m.SetWindowCount(2);
  m.Recalculate();
  EXPECT_EQ(m.Window(1).Rect, platform::Rect(40, 210, 490, 270));
  EXPECT_EQ(m.Window(0).Rect, platform::Rect(40, 110, 490, 210));
  EXPECT_EQ(m.MainRect(), platform::Rect(40, 20, 490, 110));
  m.SetCompact(true);
  m.Recalculate();
  // Each sub-window a sixth of the height, whatever its own height.
  EXPECT_EQ(m.Window(1).Rect, platform::Rect(0, 250, 490, 300));
  EXPECT_EQ(m.Window(0).Rect, platform::Rect(0, 200, 490, 250));
  EXPECT_EQ(m.MainRect(), platform::Rect(0, 20, 490, 200));

  m.MouseMove(100, 150);
  EXPECT_EQ(m.GetMouseArea(), 0);
  m.MouseMove(100, 260);
  EXPECT_EQ(m.GetMouseArea(), 1);
  EXPECT_EQ(m.GetMouseWindow(), 1);
  m.MouseMove(100, 250);  // on the border: inside neither
  EXPECT_EQ(m.GetMouseWindow(), 0);
  m.SetWindowCount(7);
  EXPECT_EQ(m.WindowCount(), TStockChartModel::MaxWindowCount);
}

TEST_F(StockModelTest, LabelStepKeepsLabelsSixtyPixelsApart) {
  Load(3000);
  EXPECT_EQ(m.LabelStep(), 10);  // 6-pixel slots
  TStockChartModel::BarWidth = 1;
  m.Recalculate();
  EXPECT_EQ(m.LabelStep(), 20);  // 3-pixel slots
  TStockChartModel::BarWidth = 5;
  m.Recalculate();
  EXPECT_EQ(m.LabelStep(), 10);  // 7-pixel slots: 9 would do, 10 is the least
}

TEST_F(StockModelTest, CandleUnderTheMouse) {
  Load(3000);  // slots of 6 pixels ending at x = 490
  m.MouseMove(489, 100);
  EXPECT_EQ(m.CurrentIndex(), 2999);
  m.MouseMove(484, 100);
  EXPECT_EQ(m.CurrentIndex(), 2998);
  m.MouseMove(500, 100);  // right of the window: floor of a negative number
  EXPECT_EQ(m.CurrentIndex(), 2999) << "at most the last candle";
  m.MouseMove(40, 100);
  EXPECT_EQ(m.CandleOffset(), 0);
  m.MouseMove(49, 100);
  EXPECT_EQ(m.CandleOffset(), 1);
  m.MouseMove(485, 100);  // at or right of width - 2 * right margin: as x = 479
  EXPECT_EQ(m.CandleOffset(), 73);
}

TEST_F(StockModelTest, DraggingKeepsTheCandleOffsetOfThePress) {
  Load(3000);
  m.MouseMove(100, 100);  // offset round(60 / 6 - 0.5) = 10 (halves to even)
  EXPECT_EQ(m.CandleOffset(), 10);
  m.MouseDown(100, 100);
  m.ScrollBack(500);
  EXPECT_EQ(m.CurrentIndex(), m.FirstVisible() + 10);
  m.MouseUp(100, 100);
}

TEST_F(StockModelTest, ZoomAndCenterProperties) {
  Load(50);
  EXPECT_EQ(m.Zoom(), 3);
  m.MouseMove(489, 100);
  m.SetZoom(25);
  EXPECT_EQ(m.Zoom(), 10);
  EXPECT_EQ(m.CenterIndex(), 49);
  m.SetZoom(-1);
  EXPECT_EQ(m.Zoom(), 10);
  m.SetCenterIndex(400);
  EXPECT_EQ(m.CenterIndex(), 49);
  m.SetCenterIndex(-4);
  EXPECT_EQ(m.CenterIndex(), 0);
}

// ---- line editing

TEST_F(StockModelTest, DrawingModeKeepsOnlyDragsLongerThanTenPixels) {
  m.SetIsDrawLine(true);
  m.MouseDown(100, 100);
  m.MouseMove(106, 108);  // exactly 10 pixels
  m.MouseUp(106, 108);
  EXPECT_EQ(m.Lines().Count(), 0);
  m.MouseDown(100, 100);
  m.MouseMove(130, 100);
  EXPECT_EQ(m.RubberLine().X2, 130);
  m.MouseUp(130, 100);
  ASSERT_EQ(m.Lines().Count(), 1);
  const TDrawLine& l = *m.Lines()[0];
  EXPECT_EQ(std::vector<int>({l.X1, l.Y1, l.X2, l.Y2}), std::vector<int>({100, 100, 130, 100}));
  EXPECT_TRUE(m.IsDrawLine()) << "the mode stays on";
  // A click without a drag keeps no copy of the line drawn before.
  m.MouseDown(300, 200);
  m.MouseUp(300, 200);
  EXPECT_EQ(m.Lines().Count(), 1);
}

TEST_F(StockModelTest, ASelectedLineFollowsTheMouseFromTheThirdPixel) {
  m.SetIsDrawLine(true);
  m.MouseDown(100, 100);
  m.MouseMove(140, 100);
  m.MouseUp(140, 100);
  m.SetIsDrawLine(false);

  m.MouseDown(120, 100);  // on the line between its ends
  ASSERT_EQ(m.SelectedLine(), m.Lines()[0]);
  EXPECT_EQ(m.GrabMode(), 3);
  EXPECT_TRUE(m.Lines()[0]->Selected);
  m.MouseMove(122, 102);
  EXPECT_EQ(m.Lines()[0]->X1, 100) << "2 pixels each way do not move it";
  m.MouseMove(123, 103);
  EXPECT_EQ(m.Lines()[0]->X1, 103) << "the third moves it the whole way";
  EXPECT_EQ(m.Lines()[0]->Y2, 103);
  m.MouseMove(124, 104);
  EXPECT_EQ(m.Lines()[0]->X1, 103);
  m.MouseUp(124, 104);

  m.MouseDown(144, 102);  // near the end point
  EXPECT_EQ(m.GrabMode(), 2);
  m.MouseMove(160, 150);
  EXPECT_EQ(m.Lines()[0]->X2, 160);
  EXPECT_EQ(m.Lines()[0]->Y2, 150);
  EXPECT_EQ(m.Lines()[0]->X1, 103);
  m.MouseUp(160, 150);

  m.MouseDown(400, 250);  // nothing there
  EXPECT_EQ(m.SelectedLine(), nullptr);
  EXPECT_FALSE(m.Lines()[0]->Selected);
}

TEST_F(StockModelTest, ThePressSelectsTheFirstLineHitOnly) {
  m.SetIsDrawLine(true);
  for (int y : {100, 100}) {
    m.MouseDown(50, y);
    m.MouseMove(150, y);
    m.MouseUp(150, y);
  }
  m.SetIsDrawLine(false);
  m.MouseDown(100, 100);
  EXPECT_EQ(m.SelectedLine(), m.Lines()[0]);
  EXPECT_FALSE(m.Lines()[1]->Selected);
  m.DeleteSelectedLine();
  EXPECT_EQ(m.Lines().Count(), 1);
  EXPECT_EQ(m.SelectedLine(), nullptr);
  m.MouseDown(100, 100);
  EXPECT_NE(m.SelectedLine(), nullptr);
  Load(10);  // new data drops the lines and the selection
  EXPECT_EQ(m.Lines().Count(), 0);
  EXPECT_EQ(m.SelectedLine(), nullptr);
  m.DeleteSelectedLine();  // nothing selected: nothing happens
}

// ---- the indicator side

namespace {

class RecordingIndicators : public IStockIndicators {
 public:
  std::vector<std::string>* log;
  explicit RecordingIndicators(std::vector<std::string>* l) : log(l) {}
  void LoadSettings(TStockChartModel&) override { log->push_back("load"); }
  void SaveSettings(const TStockChartModel&) override { log->push_back("save"); }
  void Compute(const TStockChartModel& chart) override {
    log->push_back("compute " + std::to_string(chart.Count()));
  }
  void WidenRanges(const TStockChartModel& chart, TChartRanges& ranges) override {
    log->push_back("ranges " + std::to_string(chart.FirstVisible()) + ".." +
                   std::to_string(chart.LastVisible()));
    ranges.PriceMax = std::max(ranges.PriceMax, 100.0f);
    ranges.MacdMax = 5;
  }
  void LayoutPoints(const TStockChartModel& chart) override {
    log->push_back("points " + std::to_string(chart.PriceY(100)));
  }
  void PaintMainOverlay(const TStockChartModel&, platform::Canvas&) override {}
  void PaintSubWindow(const TStockChartModel&, int, platform::Canvas&) override {}
};

}  // namespace

TEST_F(StockModelTest, IndicatorsAreComputedThenRangedThenLaidOut) {
  std::vector<std::string> log;
  m.SetIndicators(std::make_unique<RecordingIndicators>(&log));
  Load(3000);
  EXPECT_EQ(log, (std::vector<std::string>{"compute 3000", "ranges 2925..2999", "points 20"}));
  EXPECT_EQ(m.Ranges().PriceMax, 100) << "the indicator widened the price range";
  EXPECT_EQ(m.Ranges().MacdMax, 5);
  log.clear();
  m.SetWindowCount(1);  // the series only: no new computation
  EXPECT_EQ(log, (std::vector<std::string>{"ranges 2925..2999", "points 20"}));
  log.clear();
  m.SetWindowZbType(0, zbKDJ);
  m.SetWindowZbType(0, zbKDJ);  // the same kind again: nothing
  m.SetMainZbType(zbMainBoll);
  EXPECT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0], "compute 3000");
}
