// The omission chart: layout, moving averages, the point under the mouse and
// its text, settings, and its pictures, down to cells of no size at all.
#include "charts/ChartSupport.h"
#include "charts/uYLChart.h"

#include "engine/uIniFileMgr.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using charttest::ExpectPicture;
using charttest::OmissionWalk;
using platform::TColor;

namespace {

class YLChartTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetChartSettings(); }
  void Load(const TYLAry& points, int n) { m.SetData(TCondition{}, points, n); }
  TYLChartModel m;  // 500 x 300: plot (40, 30) - (490, 170)
};

}  // namespace

TEST_F(YLChartTest, TheShownPointsShareThePlot) {
  struct Case {  // points, n, size -> shown, largest omission, step, scale, first point in the plot
    std::vector<int32_t> omissions;
    int n, width, height, shown, maxOmission, step;
    double scale;
    int firstPlotted;
  } cases[] = {
      {{3, 0, 5}, 3, 500, 300, 3, 5, 150, 28, 0},  // ceil(450 / 3), floor(140 / 5)
      {{3, 0, 5}, 60, 500, 300, 3, 5, 150, 28, 0},
      {{3, 0, 5}, 0, 500, 300, 1, 5, 450, 28, 2},
      {{3, 0, 5}, -7, 500, 300, 1, 5, 450, 28, 2},
      {{9, 1, 2, 3, 4}, 2, 500, 300, 2, 4, 225, 35, 3},  // the 9 is not shown
      {{0, 0, 0, 0}, 4, 500, 300, 4, 0, 113, 50, 0},
      {{}, 0, 500, 300, 0, 0, 5, 50, 0},
      // Tall omissions in a low plot: a fraction, so that the largest still
      // reaches the top; no height at all, or less: all on the bottom line.
      {{250, 0, 100}, 3, 200, 180, 3, 250, 50, 20.0 / 250, 0},
      {{250, 0, 100}, 3, 200, 150, 3, 250, 50, 0, 0},
      {{250, 0, 100}, 3, 200, 100, 3, 250, 50, 0, 0},
      // However narrow, a point steps at least one pixel and lies in the plot.
      {{1, 2, 3, 4, 5, 6}, 6, 50, 300, 6, 6, 1, 23, 5},
      {{1, 2, 3, 4, 5, 6}, 6, 0, 300, 6, 6, 1, 23, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.omissions.size() << "/" << c.n << " in " << c.width << "x" << c.height);
    m.SetSize(c.width, c.height);
    Load(OmissionWalk(c.omissions), c.n);
    EXPECT_EQ(m.PlotRect(), platform::Rect(40, 30, c.width - 10, c.height - 130));
    EXPECT_EQ(std::make_tuple(m.ShownCount(), m.FirstShown(), m.MaxOmission(), m.Step(), m.FirstPlotted()),
              std::make_tuple(c.shown, int(c.omissions.size()) - c.shown, c.maxOmission, c.step, c.firstPlotted));
    EXPECT_EQ(std::make_pair(m.Scale(), m.HasRowGrid()), std::make_pair(c.scale, c.scale >= 1));
    EXPECT_EQ(m.LinePixels().size(), c.omissions.size() - size_t(c.firstPlotted));
  }
}

TEST_F(YLChartTest, MovingAveragesOfTheOmissions) {
  // (The pictures show the lines and the circles that start them.)
  ChartParams().YLMaDays = {3, 1, 0, -2, 2, 9};
  Load(OmissionWalk({4, 8, 0, 1, 5}), 5);
  const std::vector<TMaAry> want = {{0, 0, 4, 3, 2}, {0, 8, 0, 1, 5}, TMaAry(5, 0.0f),  // index 0 is always 0
                                    TMaAry(5, 0.0f), {0, 6, 4, 0.5, 3}, TMaAry(5, 0.0f)};
  EXPECT_EQ(m.MaValues(), want);
  // A one-day average runs through the points but for the oldest.
  EXPECT_EQ(std::vector(m.MaPixels()[1].begin(), m.MaPixels()[1].end() - 1),
            std::vector(m.LinePixels().begin(), m.LinePixels().end() - 1));
  EXPECT_EQ(m.MaPixels()[1].back(), platform::Point(m.ColumnX(4), 170));
  EXPECT_EQ(std::make_pair(m.MaPixels()[2].size(), m.MaPixels()[3].size()), std::make_pair(size_t{0}, size_t{0}));
  // Of two lines of one period the first colours the circle.
  ChartParams().YLMaDays = {0, 2, 2, 0, 0, 0};
  EXPECT_EQ(std::make_pair(m.CircleColors(2).Fill, m.CircleColors(2).Text), std::make_pair(TColor(0xFFFF), TColor(0)));
}

TEST_F(YLChartTest, TheMouseFindsTheNearestPointAndItsText) {
  Load(OmissionWalk({3, 0, 5}), 3);  // points at x 115, 265, 415
  EXPECT_EQ(m.MouseIndex(), -1) << "no mouse yet";
  EXPECT_FALSE(m.HasHover());
  // x -> point (no lower bound, at most the newest) and whether it shows.
  for (const auto& [x, index, hover] : std::vector<std::tuple<int, int, bool>>{
           {0, -1, false}, {-400, -3, false}, {40, -1, false}, {41, 0, true}, {490, 2, true}, {491, 2, false},
           {499, 2, false}, {330, 1, true}}) {
    m.MouseMove(x, 100);
    EXPECT_EQ(std::make_pair(m.MouseIndex(), m.HasHover()), std::make_pair(index, hover)) << x;
  }
  m.SetSize(300, 300);  // step 84: points at x 80, 164, 248; the index moves with them
  EXPECT_EQ(m.MouseIndex(), 2);
  // Points left of the plot have no hover: the 2 of 9, 1, 2, 3, 4 at x -72
  // when the newest two share the plot.
  m.SetSize(500, 300);
  Load(OmissionWalk({9, 1, 2, 3, 4}), 2);
  for (const auto& [x, hover] : {std::pair{39, false}, {40, true}}) {
    m.MouseMove(x, 100);
    EXPECT_EQ(std::make_pair(m.MouseIndex(), m.HasHover()), std::make_pair(2, hover)) << x;
  }

  // The text with the issue number is in the picture; without it, and
  // without a point, it reads:
  Load(OmissionWalk({3, 0, 5}), 3);
  m.MouseMove(265, 100);
  ChartParams().ShowIssueNo = false;
  EXPECT_EQ(m.HoverText(), QStringLiteral("（01,02,03,04,05,11,07）  遗漏值：0"));
  Load(OmissionWalk({}), 0);
  EXPECT_TRUE(m.HoverText().isEmpty());

  // Odd steps (45, 1) and even ones (50): every column's half width either
  // way belongs to its point.
  for (int shown : {10, 9, 450}) {
    Load(OmissionWalk(std::vector<int32_t>(size_t(shown), 1)), shown);
    const int half = (m.Step() - 1) / 2;
    for (int i = 0; i < shown; ++i)
      for (int dx : {-half, 0, half}) {
        m.MouseMove(m.PointPixel(i).X + dx, 100);
        ASSERT_EQ(m.MouseIndex(), i) << "step " << m.Step() << ", point " << i << ", dx " << dx;
      }
  }
}

TEST_F(YLChartTest, SettingsOfTheOmissionCharts) {
  TIniFileMgr& ini = IniFileMgr();
  const TChartParams& p = ChartParams();
  auto load = [&] {
    TYLChartModel::LoadSettings();
    return std::make_tuple(p.YLMaDays, p.YLMaColors, p.YLBackColor, p.YLGridColor);
  };
  std::vector<TColor> colors = {0xFFFFFF, 0xFFFF, 0xFF00FF, 0xFF0000, 0xFF, 0x800080};
  EXPECT_EQ(load(), std::make_tuple(TIntAry{3, 6, 18, 0, 0, 0}, colors, TColor(0), TColor(0x7F7F7F)));
  for (const auto& [section, key, value] : {std::tuple{"MA_YL", "DayCount1", 10}, {"MA_YL", "Color5", 0x123456},
                                            {"YLChart", "YLBackColor", 0x202020}, {"YLChart", "YLGridColor", 0x303030}})
    ini.WriteInteger(section, key, value);
  colors[5] = 0x123456;
  EXPECT_EQ(load(), std::make_tuple(TIntAry{3, 10, 18, 0, 0, 0}, colors, TColor(0x202020), TColor(0x303030)));
  ChartParams().YLMaDays[5] = 30;
  ChartParams().YLMaColors[0] = 0x111111;
  ChartParams().YLGridColor = 0x111111;
  TYLChartModel::SaveSettings();  // the trend window writes the colours
  EXPECT_EQ(std::make_tuple(ini.ReadInteger("MA_YL", "DayCount5", 0), ini.ReadInteger("MA_YL", "Color0", 0),
                            ini.ReadInteger("YLChart", "YLGridColor", 0)),
            std::make_tuple(30, 0x111111, 0x303030));
}

// ---- the widget

namespace {

class YLChartWidgetTest : public YLChartTest {
 protected:
  void SetUp() override {
    YLChartTest::SetUp();
    chart = std::make_unique<TYLChart>(&owner);
    chart->resize(500, 300);
  }
  QWidget owner;
  std::unique_ptr<TYLChart> chart;
};

}  // namespace

TEST_F(YLChartWidgetTest, Pictures) {
  // Back and grid colours, the expected omission, circles (coloured where an average starts), the draws' numbers,
  // the hover text and the averages at the mouse; in a low plot a fractional scale and no grid rows.
  ChartParams().YLBackColor = 0x402000;
  ChartParams().YLGridColor = 0x00A0A0;
  std::vector<int32_t> omissions;
  for (int i = 0; i < 20; ++i) omissions.push_back((i * 7) % 11);
  const TYLAry w = OmissionWalk(omissions), tall = OmissionWalk({250, 0, 100});
  chart->SetLevel(4.4f);
  chart->SetData(TCondition{}, w, 20);
  chart->Model().MouseMove(chart->Model().PointPixel(12).X, 100);
  ExpectPicture(chart->RenderBack(), "omission.png");
  chart->resize(250, 180);
  chart->SetData(TCondition{}, tall, 3);
  ExpectPicture(chart->RenderBack(), "omission-low.png");
}

TEST_F(YLChartWidgetTest, CompactCellsOfAnySizePaintAndTakeTheDoubleClick) {
  std::vector<int32_t> omissions;
  for (int i = 0; i < 61; ++i) omissions.push_back((i * 37) % 90);
  const TYLAry w = OmissionWalk(omissions);
  chart->SetCompact(true);
  chart->SetLevel(33.5f);
  charttest::PaintAtEverySize(*chart, [&] { chart->SetData(TCondition{}, w, 60); });

  int calls = 0;
  chart->OnCompactDblClick = [&](TYLChart* s, const TCondition& c) { calls += s == chart.get() && c.Caption == "x"; };
  TCondition c;
  c.Caption = "x";
  chart->SetData(c, {}, 0);
  QTest::mouseDClick(chart.get(), Qt::LeftButton, {}, QPoint(50, 50));
  chart->SetCompact(false);
  QTest::mouseDClick(chart.get(), Qt::LeftButton, {}, QPoint(50, 50));
  EXPECT_EQ(calls, 1) << "only compact cells call it";
}

TEST_F(YLChartWidgetTest, CrowdedCirclesAndNumbersAreThinnedApart) {
  // A cell of the fifteen-chart grid: 60 points three pixels apart, all one
  // omission, so their circles share a row.
  chart->SetCompact(true);
  chart->resize(220, 230);  // plot (40, 30) - (210, 100)
  chart->SetData(TCondition{}, OmissionWalk(std::vector<int32_t>(61, 3)), 60);
  const TYLChartModel& cell = chart->Model();
  ASSERT_EQ(std::make_pair(cell.Step(), cell.Scale()), std::make_pair(3, 23.0));
  const platform::Bitmap& b = chart->RenderBack();
  const TColor back = ChartParams().YLBackColor, red = 0x0000FF;
  // Runs of columns from x0 to x1 where `ink` holds in some row of y0..y1.
  auto runs = [&](int x0, int x1, int y0, int y1, const std::function<bool(TColor)>& ink) {
    std::vector<std::pair<int, int>> found;
    for (int x = x0; x < x1; ++x) {
      bool any = false;
      for (int y = y0; y < y1 && !any; ++y) any = ink(b.GetPixel(x, y));
      if (!any) continue;
      if (!found.empty() && found.back().second == x) ++found.back().second;
      else found.push_back({x, x + 1});
    }
    return found;
  };
  auto widest = [](const std::vector<std::pair<int, int>>& r) {
    int w = 0;
    for (auto [from, to] : r) w = std::max(w, to - from);
    return w;
  };
  // The circles' tops, right of the axis: separate red arcs, the newest
  // point's among them.
  const int top = cell.PointPixel(60).Y - 8;
  const auto arcs =
      runs(cell.PlotRect().Left + 1, cell.PlotRect().Right, top, top + 1, [&](TColor c) { return c == red; });
  ASSERT_GE(arcs.size(), 6u);
  EXPECT_LE(widest(arcs), 12) << "no two circles meet";
  EXPECT_EQ(b.GetPixel(cell.PointPixel(60).X, top), red) << "the newest point keeps its circle";
  // The draws' numbers under the axis: separate columns of ink, none wider
  // than a line of text, the newest draw's ("？") among them.
  const int below = cell.PlotRect().Bottom + 10;
  const auto numbers = runs(0, 220, below, below + 10, [&](TColor c) { return c != back; });
  ASSERT_GE(numbers.size(), 8u);
  EXPECT_LE(widest(numbers), 14) << "no two numbers meet";
  for (auto [from, to] : numbers) EXPECT_GE(to - from, 6) << from << ": a whole line of text, not a sliver of one";
  EXPECT_GE(numbers.back().second, cell.ColumnX(0));
}
