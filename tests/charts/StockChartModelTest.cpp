// The candle chart without its widget: user lines, layout, ranges,
// scrolling, zoom, the candle under the mouse, line editing, and the calls
// into the indicator side.
#include "charts/ChartSupport.h"
#include "charts/StockChartCtl.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

using charttest::Steps;

namespace {

TDrawLine* const kNoLine = nullptr;

std::vector<int> Points(const TDrawLine& l) { return {l.X1, l.Y1, l.X2, l.Y2}; }

}  // namespace

TEST(DrawLineTest, HitTestNearTheEndsOnTheLineAndOff) {
  // Within 3 pixels of the start (1) or end (2), within 2 of the line between
  // them (3; from the start up to the end, exclusive), else nothing (0).
  const std::vector<std::pair<TDrawLine, std::vector<std::array<int, 3>>>> cases = {
      {{10, 10, 20, 20}, {{10, 10, 1}, {13, 7, 1}, {7, 13, 1}, {14, 10, 0}, {20, 20, 2}, {23, 17, 2}, {15, 15, 3},
                          {15, 17, 3}, {15, 13, 3}, {15, 18, 0}, {15, 12, 0}, {25, 25, 0}, {6, 6, 0}, {24, 24, 0}}},
      {{40, 40, 0, 0}, {{20, 20, 3}, {4, 4, 3}, {36, 36, 3}, {3, 3, 2}, {37, 37, 1}}},
      {{0, 0, 10, 100}, {{5, 50, 3}, {9, 90, 3}, {5, 70, 0}}},
      {{0, 50, 100, 50}, {{50, 50, 3}, {50, 51, 0}, {50, 49, 0}, {96, 50, 3}, {97, 51, 2}, {2, 52, 1}, {-4, 50, 0}}},
      {{30, 0, 30, 100}, {{30, 50, 3}, {31, 50, 0}, {29, 50, 0}, {30, 101, 2}, {30, 120, 0}}},
      {{50, 50, 50, 50}, {{50, 50, 1}, {53, 47, 1}, {47, 53, 1}, {54, 50, 0}, {50, 54, 0}, {50, 60, 0}}}};
  for (const auto& [line, probes] : cases)
    for (const auto& [x, y, hit] : probes)
      EXPECT_EQ(line.HitTest(x, y), hit) << testing::PrintToString(Points(line)) << " at " << x << ", " << y;

  TDrawLine line(2, 10, 6, 2);
  EXPECT_EQ(std::make_tuple(line.IsVertical, line.Slope, line.Intercept, line.LineLength()),
            std::make_tuple(false, -2.0, 14.0, std::sqrt(80.0)));
  line.X2 = 2;  // changed by hand: stale until CalcLine
  line.CalcLine();
  EXPECT_EQ(std::make_tuple(line.IsVertical, line.Slope, line.Intercept), std::make_tuple(true, 0.0, 2.0));

  TDrawLines lines;
  TDrawLine* a = lines.Add(std::make_unique<TDrawLine>(0, 0, 10, 10));
  TDrawLine* b = lines.Add(std::make_unique<TDrawLine>(5, 5, 50, 50));
  lines.Remove(a);
  lines.Remove(a);  // no longer in the list: nothing
  EXPECT_EQ(std::make_pair(lines.Count(), lines.IndexOf(b)), std::make_pair(1, 0));
  EXPECT_THROW(lines.Delete(1), std::out_of_range);

  TConditionAry copy(3), two(2);
  two[0].Values = {{100, 101}, {1}};
  CopyConditionAry(copy, two);
  EXPECT_EQ(std::make_pair(copy.size(), copy[0].Values), std::make_pair(size_t{2}, two[0].Values));
}

namespace {

class StockModelTest : public ::testing::Test {
 protected:
  void SetUp() override { TStockChartModel::BarWidth = 4; }
  void Load(int n) { m.SetData(TCondition{}, Steps(n), 0); }
  TStockChartModel m;  // 500 x 300, normal margins 40 / 20 / 10 / 30
};

}  // namespace

// The visible candles are exactly those painted (whole slots of bar and gap
// across the main window, bars widened while every candle fits), and they
// alone set the price range, on the first layout and after another.
TEST_F(StockModelTest, VisibleCandlesAreTheDrawnOnesAndSetTheRange) {
  const std::vector<std::array<int, 4>> cases = {  // candles, width -> bar width, visible count
      {20, 500, 4, 75}, {50, 500, 7, 50},  {75, 500, 4, 75}, {76, 500, 4, 75}, {100, 500, 4, 75}, {200, 900, 4, 141},
      {3000, 1000, 4, 158}, {1, 60, 8, 1}, {1, 50, 1, 1},   {1, 0, 1, 1},     {5, 40, 4, 1}};
  for (const auto& [count, width, bar, visible] : cases) {
    SCOPED_TRACE(testing::Message() << count << " in " << width);
    m.SetSize(width, 300);
    TStockChartModel::BarWidth = 4;
    TCandleAry candles = Steps(count);
    candles[0] = {-1000, 1000, nullptr};  // the oldest holds the extremes: a range from it is wrong
    m.SetData(TCondition{}, candles, 0);
    EXPECT_EQ(std::tuple(m.CandleWidth(), m.VisibleCount(), TStockChartModel::BarWidth), std::tuple(bar, visible, 4));
    for (int pass = 0; pass < 2; ++pass, m.Recalculate()) {
      int first = 0;
      while (first < m.LastVisible() && m.CandleLeft(first) < m.Margins().Left) ++first;
      float lo = 1e9f, hi = -1e9f;
      for (int i = first; i <= m.LastVisible(); ++i)
        std::tie(lo, hi) = std::make_pair(std::min({lo, candles[size_t(i)].Open, candles[size_t(i)].Close}),
                                          std::max({hi, candles[size_t(i)].Open, candles[size_t(i)].Close}));
      const TChartRanges& r = m.Ranges();
      EXPECT_EQ(std::make_tuple(m.FirstVisible(), m.LastVisible() - first + 1, r.PriceMin, r.PriceMax),
                std::make_tuple(first, std::min(count, visible), lo, hi));
    }
  }
}

TEST_F(StockModelTest, ZoomStepsTwoPixelsSharedByEveryChartAndAFitWidensOneChartsBarsOnly) {
  Load(3000);
  TStockChartModel::BarWidth = 2;
  m.ZoomOut();
  EXPECT_EQ(TStockChartModel::BarWidth, 2) << "a bar never becomes 0 wide";
  TStockChartModel::BarWidth = 4;
  m.ZoomOut();  // labels at least 60 pixels apart
  EXPECT_EQ(std::make_tuple(TStockChartModel::BarWidth, m.VisibleCount(), m.LabelStep()), std::make_tuple(2, 112, 15));
  m.ZoomIn();
  EXPECT_EQ(m.VisibleCount(), 75) << "a zoom lays the chart out again";
  TStockChartModel other;  // a new chart sets the shared width to 4 again
  other.SetData(TCondition{}, Steps(3000), 0);
  other.ZoomIn();
  m.Recalculate();  // the other chart's zoom reached this one
  EXPECT_EQ(std::make_tuple(m.VisibleCount(), m.FirstVisible(), m.LabelStep()), std::make_tuple(56, 2999 - 55, 10));
  // 30 candles fit the other chart in slots of 15 pixels: its bars only are
  // 13 wide. Zooming out goes from the shared width, in from the bars shown.
  TStockChartModel::BarWidth = 4;
  other.SetData(TCondition{}, Steps(30), 0);
  m.Recalculate();
  EXPECT_EQ(std::make_tuple(other.CandleWidth(), other.LabelStep(), m.CandleWidth(), m.VisibleCount()),
            std::make_tuple(13, 10, 4, 75));
  for (const auto& [zoom, visible] : {std::pair{&TStockChartModel::ZoomOut, 112}, {&TStockChartModel::ZoomIn, 26}}) {
    (other.*zoom)();
    m.Recalculate();
    EXPECT_EQ(m.VisibleCount(), visible);  // 450 / (2 + 2), then 450 / (15 + 2)
  }
}

TEST_F(StockModelTest, ScrollingStopsAtBothEnds) {
  using Op = void (TStockChartModel::*)(int);
  const Op back = &TStockChartModel::ScrollBack, forward = &TStockChartModel::ScrollForward,
           pixels = &TStockChartModel::ScrollPixels;
  const std::vector<std::tuple<int, Op, int, int>> steps = {  // candles, step -> last visible
      {3000, back, 1000, 1999}, {3000, back, 5000, 74}, {3000, forward, 1000, 1074}, {3000, forward, 5000, 2999},
      {3000, pixels, -9, 2997},  // |dx| / bar width candles back, whatever the sign
      {3000, pixels, 9, 2995},  {3000, back, INT_MAX, 74}, {3000, forward, INT_MAX, 2999}, {3000, pixels, INT_MIN, 74},
      {3000, back, INT_MIN, 2999},  // back by a negative number: forward, never past the last candle
      {20, back, 1, 19},        {20, back, 1000, 19},  // all fit: never past the last candle
      {0, back, 3, -1},         {0, forward, 3, -1}};
  for (const auto& [count, op, n, last] : steps) {
    if (m.Count() != count) Load(count);
    (m.*op)(n);
    EXPECT_EQ(std::make_pair(m.LastVisible(), m.FirstVisible()), std::make_pair(last, std::max(0, last - 74)))
        << count << " candles, step " << n;
  }
  m.MouseMove(200, 100);
  m.SetCenterIndex(5);
  EXPECT_EQ(std::make_pair(m.IsCandle(m.CurrentIndex()), m.CenterIndex()), std::make_pair(false, -1));
}

TEST_F(StockModelTest, PricesMapOntoTheMainWindow) {
  Load(6);  // range 0..2 over (40, 20, 490, 270); the minimum one pixel above the bottom
  EXPECT_EQ(std::make_tuple(m.PriceY(2), m.PriceY(1), m.PriceY(0), m.PriceAt(145)), std::make_tuple(20, 145, 269, 1.0));
  m.SetData(TCondition{}, TCandleAry{{-1.5f, 0.5f, nullptr}}, 0);  // one candle has its own range
  EXPECT_EQ(std::make_tuple(m.Ranges().PriceMin, m.Ranges().PriceMax, m.PriceY(-1.5), m.PriceY(0.5)),
            std::make_tuple(-1.5f, 0.5f, 269, 20));
  m.SetData(TCondition{}, TCandleAry{}, 0);  // none keeps the ranges it had
  EXPECT_EQ(std::make_pair(m.Ranges().PriceMin, m.Ranges().PriceMax), std::make_pair(-1.5f, 0.5f));
}

TEST_F(StockModelTest, WindowRectanglesAndTheAreaUnderTheMouse) {
  m.SetWindowHeight(0, 100);
  m.SetWindowHeight(1, 60);
  m.SetWindowCount(7);
  EXPECT_EQ(m.WindowCount(), TStockChartModel::MaxWindowCount);
  m.SetWindowCount(2);
  m.SetCompact(true);  // each sub-window a sixth of the height, whatever its own height: 200..250, 250..300
  m.Recalculate();
  // Mouse y -> area (0 main, 1 else) and sub-window (0 also for none);
  // borders lie inside neither.
  for (const auto& [y, area, window] : std::vector<std::array<int, 3>>{
           {150, 0, 0}, {20, 1, 0}, {200, 1, 0}, {230, 1, 0}, {250, 1, 0}, {260, 1, 1}, {300, 1, 0}}) {
    m.MouseMove(100, y);
    EXPECT_EQ(std::make_pair(m.GetMouseArea(), m.GetMouseWindow()), std::make_pair(area, window)) << y;
  }
}

TEST_F(StockModelTest, CandleUnderTheMouseAndTheDraggedOne) {
  Load(3000);  // slots of 6 pixels ending at x = 490; right of the window: the last candle
  for (const auto& [x, index, offset] : std::vector<std::array<int, 3>>{
           {489, 2999, 73}, {484, 2998, 73}, {40, 2924, 0}, {49, 2926, 1}, {45, 2925, 0}, {500, 2999, 73}}) {
    m.MouseMove(x, 100);
    EXPECT_EQ(std::make_pair(m.CurrentIndex(), m.CandleOffset()), std::make_pair(index, offset)) << x;
  }
  // At or right of width - 2 * right margin, the candles from the left
  // margin are those of the last pixel before it, whatever the slot.
  for (int bar = 1; bar <= 8; ++bar) {
    TStockChartModel::BarWidth = bar;
    m.Recalculate();
    m.MouseMove(479, 100);
    const int inside = m.CandleOffset();
    for (int x : {480, 485, 700}) {
      m.MouseMove(x, 100);
      EXPECT_EQ(m.CandleOffset(), inside) << "bar " << bar << ", x " << x;
    }
  }
  // While dragging, the current candle keeps the offset of the press.
  TStockChartModel::BarWidth = 4;
  m.Recalculate();
  m.MouseMove(100, 100);  // offset round(60 / 6 - 0.5) = 10 (halves to even)
  m.MouseDown(100, 100);
  m.ScrollBack(500);
  EXPECT_EQ(m.CurrentIndex(), m.FirstVisible() + 10);
  m.MouseUp(100, 100);
  EXPECT_FALSE(m.Dragging());
}

TEST_F(StockModelTest, ZoomAndCenterProperties) {
  Load(50);
  m.MouseMove(489, 100);
  // set zoom, center -> zoom, center (a new zoom centres on the current candle)
  for (const auto& [zoom, center, wantZoom, wantCenter] : std::vector<std::array<int, 4>>{
           {3, 7, 3, 7}, {25, 7, 10, 49}, {-1, 400, 10, 49}, {10, -4, 10, 0}, {4, -1, 4, 49}}) {
    m.SetCenterIndex(center);
    m.SetZoom(zoom);
    EXPECT_EQ(std::make_pair(m.Zoom(), m.CenterIndex()), std::make_pair(wantZoom, wantCenter)) << zoom;
  }
}

TEST_F(StockModelTest, LinesLongerThanTenPixelsAreKeptAndAPressSelectsAndDragsTheFirstOneHit) {
  m.SetIsDrawLine(true);
  for (const auto& [x1, y1, x2, y2] : {std::array{100, 100, 106, 108}, {100, 100, 140, 100}, {50, 100, 150, 100}}) {
    m.MouseDown(x1, y1);
    m.MouseMove(x2, y2);
    EXPECT_EQ(Points(m.RubberLine()), (std::vector<int>{x1, y1, x2, y2}));
    m.MouseUp(x2, y2);
  }
  m.MouseDown(300, 200);  // a click keeps no copy of the line before
  m.MouseUp(300, 200);
  m.SetIsDrawLine(false);
  ASSERT_EQ(m.Lines().Count(), 2) << "the first, exactly 10 pixels long, is not kept";
  TDrawLine& l = *m.Lines()[0];
  enum { kMove, kDown, kUp };
  const std::vector<std::tuple<int, int, int, std::vector<int>, int>> steps = {  // -> points, grab
      {kDown, 120, 100, {100, 100, 140, 100}, 3},  // on the line between its ends
      {kMove, 122, 102, {100, 100, 140, 100}, 3},  // 2 pixels each way do not move it
      {kMove, 123, 103, {103, 103, 143, 103}, 3},  // the third moves it the whole way
      {kMove, 124, 104, {103, 103, 143, 103}, 3},  {kUp, 124, 104, {103, 103, 143, 103}, 3},
      {kDown, 101, 105, {103, 103, 143, 103}, 1},  // near the start point
      {kMove, 90, 90, {90, 90, 143, 103}, 1},      {kUp, 90, 90, {90, 90, 143, 103}, 1},
      {kDown, 144, 102, {90, 90, 143, 103}, 2},  // near the end point
      {kMove, 160, 150, {90, 90, 160, 150}, 2}};
  for (const auto& [what, x, y, points, grab] : steps) {
    (m.*(what == kMove ? &TStockChartModel::MouseMove : what == kDown ? &TStockChartModel::MouseDown
                                                                        : &TStockChartModel::MouseUp))(x, y);
    EXPECT_EQ(std::make_tuple(Points(l), m.SelectedLine(), m.GrabMode(), l.Selected, m.Lines()[1]->Selected),
              std::make_tuple(points, &l, grab, true, false))
        << x << ", " << y;
  }
  m.MouseDown(400, 250);  // nothing there
  EXPECT_EQ(std::make_pair(m.SelectedLine(), l.Selected), std::make_pair(kNoLine, false));
  m.MouseDown(100, 100);  // on both lines: the first in the list
  EXPECT_EQ(std::make_pair(m.SelectedLine(), m.Lines()[1]->Selected), std::make_pair(&l, false));
  m.DeleteSelectedLine();
  m.DeleteSelectedLine();  // nothing selected: nothing happens
  EXPECT_EQ(std::make_pair(m.Lines().Count(), m.SelectedLine()), std::make_pair(1, kNoLine));
  m.MouseDown(100, 100);
  ASSERT_NE(m.SelectedLine(), nullptr);
  Load(10);  // new data drops the lines and the selection
  EXPECT_EQ(std::make_tuple(m.Lines().Count(), m.SelectedLine(), m.GrabMode()), std::make_tuple(0, kNoLine, 0));
}

// ---- the indicator side

namespace {

class RecordingIndicators : public IStockIndicators {
 public:
  explicit RecordingIndicators(std::vector<std::string>* l) : log(l) {}
  void LoadSettings(TStockChartModel&) override {}
  void SaveSettings(const TStockChartModel&) override {}
  void Compute(const TStockChartModel& chart) override { log->push_back("compute " + std::to_string(chart.Count())); }
  void WidenRanges(const TStockChartModel& chart, TChartRanges& ranges) override {
    log->push_back("ranges " + std::to_string(chart.FirstVisible()) + ".." + std::to_string(chart.LastVisible()));
    ranges.PriceMax = std::max(ranges.PriceMax, 100.0f);
  }
  void LayoutPoints(const TStockChartModel& chart) override {
    log->push_back("points " + std::to_string(chart.PriceY(100)));  // 20: the indicator widened the range
  }
  void PaintMainOverlay(const TStockChartModel&, platform::Canvas&) override {}
  void PaintSubWindow(const TStockChartModel&, int, platform::Canvas&) override {}
  std::vector<std::string>* log;
};

}  // namespace

TEST_F(StockModelTest, IndicatorsAreComputedThenRangedThenLaidOut) {
  std::vector<std::string> log;
  m.SetIndicators(std::make_unique<RecordingIndicators>(&log));
  const std::vector<std::string> all = {"compute 3000", "ranges 2925..2999", "points 20"}, none;
  const std::vector<std::string> layout(all.begin() + 1, all.end());  // the series only: no new computation
  const std::vector<std::pair<std::function<void()>, std::vector<std::string>>> cases = {
      {[&] { Load(3000); }, all},
      {[&] { m.SetWindowCount(1); }, layout},       {[&] { m.SetWindowCount(1); }, none},
      {[&] { m.SetWindowZbType(0, zbKDJ); }, all},  {[&] { m.SetWindowZbType(0, zbKDJ); }, none},
      {[&] { m.SetMainZbType(zbMainBoll); }, all},  {[&] { m.SetMainZbType(zbMainBoll); }, none},
      {[&] { m.SetSize(500, 300); }, none},         {[&] { m.SetSize(500, 301); }, all}};
  for (size_t i = 0; i < cases.size(); ++i) {
    log.clear();
    cases[i].first();
    EXPECT_EQ(log, cases[i].second) << "case " << i;
  }
}
