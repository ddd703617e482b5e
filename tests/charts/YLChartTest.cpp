// The omission chart: layout, moving averages, circle colours, the point
// under the mouse and its text, settings, and the painted chart, down to
// cells of no size at all.
#include "charts/ChartSupport.h"
#include "charts/uYLChart.h"

#include "engine/uIniFileMgr.h"
#include "platform_gui/Pixels.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using charttest::CountColor;
using charttest::ExpectPixels;
using charttest::OmissionWalk;
using platform::TColor;

namespace {

class YLChartTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetChartSettings(); }
  void Load(const OmissionWalk& w, int n) { m.SetData(TCondition{}, w.Points(), n); }
  TYLChartModel m;  // 500 x 300: plot (40, 30) - (490, 170)
};

}  // namespace

TEST_F(YLChartTest, TheShownPointsShareThePlot) {
  struct Case {
    std::vector<int32_t> omissions;
    int n, width, height;
    int shown, maxOmission, step;
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
      {{250, 0, 100}, 3, 200, 100, 3, 250, 50, 0, 0}};
  for (const Case& c : cases) {
    const std::string where = std::to_string(c.omissions.size()) + " points, n " + std::to_string(c.n) + ", " +
                              std::to_string(c.width) + " x " + std::to_string(c.height);
    OmissionWalk w(c.omissions);
    m.SetSize(c.width, c.height);
    Load(w, c.n);
    EXPECT_EQ(m.PlotRect(), platform::Rect(40, 30, c.width - 10, c.height - 130)) << where;
    EXPECT_EQ(std::make_tuple(m.ShownCount(), m.FirstShown(), m.MaxOmission(), m.Step(), m.FirstPlotted()),
              std::make_tuple(c.shown, int(c.omissions.size()) - c.shown, c.maxOmission, c.step, c.firstPlotted))
        << where;
    EXPECT_DOUBLE_EQ(m.Scale(), c.scale) << where;
    EXPECT_EQ(m.HasRowGrid(), c.scale >= 1) << where;
    EXPECT_EQ(m.LinePixels().size(), c.omissions.size() - size_t(c.firstPlotted)) << where;
    for (int i = c.firstPlotted; i < m.Count(); ++i)
      EXPECT_EQ(m.PointPixel(i), platform::Point(m.ColumnX(m.Count() - 1 - i), m.OmissionY(c.omissions[size_t(i)])))
          << where << ", point " << i;
  }
  // Three points 150 apart from 490 - round(75), the largest at the top.
  m.SetSize(500, 300);
  Load(OmissionWalk({3, 0, 5}), 3);
  EXPECT_EQ(m.LinePixels(), (std::vector<platform::TPoint>{{415, 30}, {265, 170}, {115, 86}}));
  m.SetSize(200, 180);
  Load(OmissionWalk({250, 0, 100}), 3);
  EXPECT_EQ(std::make_pair(m.PointPixel(0).Y, m.PointPixel(2).Y), std::make_pair(30, 42));

  // However narrow, a point steps at least one pixel and lies in the plot.
  OmissionWalk w({1, 2, 3, 4, 5, 6});
  for (int width : {60, 51, 50, 49, 10, 1, 0}) {
    m.SetSize(width, 300);
    Load(w, 6);
    EXPECT_GE(m.Step(), 1) << width;
    m.MouseMove(width / 2, 100);
    EXPECT_LE(m.MouseIndex(), 5);
    for (const auto& p : m.LinePixels()) EXPECT_GE(p.X, m.PlotRect().Left) << width;
  }
}

TEST_F(YLChartTest, MovingAveragesOfTheOmissions) {
  ChartParams().YLMaDays = {3, 1, 0, -2, 2, 9};
  Load(OmissionWalk({4, 8, 0, 1, 5}), 5);  // scale 17
  const std::vector<TMaAry> want = {{0, 0, 4, 3, 2}, {0, 8, 0, 1, 5}, TMaAry(5, 0.0f),  // index 0 is always 0
                                    TMaAry(5, 0.0f), {0, 6, 4, 0.5, 3}, TMaAry(5, 0.0f)};
  EXPECT_EQ(m.MaValues(), want);
  // Pixels for the plotted points of the lines that are on, newest first.
  for (size_t k = 0; k < want.size(); ++k) {
    std::vector<platform::TPoint> pixels;
    for (int i = 4; ChartParams().YLMaDays[k] > 0 && i >= 0; --i)
      pixels.push_back({m.ColumnX(4 - i), 170 - int(std::nearbyint(17 * want[k][size_t(i)]))});
    EXPECT_EQ(m.MaPixels()[k], pixels) << "line " << k;
  }
  // A one-day average runs through the points but for the oldest.
  EXPECT_EQ(std::vector(m.MaPixels()[1].begin(), m.MaPixels()[1].end() - 1),
            std::vector(m.LinePixels().begin(), m.LinePixels().end() - 1));
}

TEST_F(YLChartTest, CirclesStartingAMovingAverageTakeItsColour) {
  Load(OmissionWalk(std::vector<int32_t>(20, 1)), 20);
  struct Case {
    TIntAry days;
    std::map<int, TColor> starts;  // point -> fill; every other one red
  } cases[] = {{{3, 6, 18, 0, 0, 0}, {{16, 0xFFFFFF}, {13, 0xFFFF}, {1, 0xFF00FF}}},
               {{0, 6, 6, 1, 0, -1}, {{13, 0xFFFF}, {18, 0xFF0000}}},  // of two lines of one period the first
               {{20, 19, 0, 0, 0, 25}, {{0, 0xFFFF}}}};
  for (const Case& c : cases) {
    ChartParams().YLMaDays = c.days;
    for (int i = 0; i < 20; ++i) {
      const auto colors = m.CircleColors(i);
      const bool starts = c.starts.count(i) > 0;
      EXPECT_EQ(colors.Fill, starts ? c.starts.at(i) : TColor(platform::clRed)) << i;
      EXPECT_EQ(colors.Text, starts ? platform::clBlack : platform::clWhite) << i;
    }
  }
}

TEST_F(YLChartTest, TheMouseFindsTheNearestPointAndItsText) {
  Load(OmissionWalk({3, 0, 5}), 3);  // points at x 115, 265, 415
  EXPECT_EQ(m.MouseIndex(), -1) << "no mouse yet";
  EXPECT_FALSE(m.HasHover());
  // x -> point (no lower bound, at most the newest) and whether it shows.
  const std::vector<std::tuple<int, int, bool>> mice = {
      {0, -1, false}, {-400, -3, false}, {40, -1, false}, {41, 0, true},  {490, 2, true},
      {491, 2, false}, {499, 2, false}, {190, 0, true},  {191, 1, true}, {415, 2, true}, {330, 1, true}};
  for (const auto& [x, index, hover] : mice) {
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

  // The last circle is the next issue's. "0期（？）  遗漏值：5" is 20 CP936
  // bytes: round(225 - 60) + 40.
  OmissionWalk w({3, 0, 5});
  Load(w, 3);
  m.MouseMove(415, 100);
  EXPECT_EQ(std::make_pair(m.HoverText(), m.HoverX()), std::make_pair(QStringLiteral("0期（？）  遗漏值：5"), 205));
  m.MouseMove(265, 100);
  EXPECT_EQ(m.HoverText(), QStringLiteral("2025002期（01,02,03,04,05,11,07）  遗漏值：0"));
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
  TYLChartModel::LoadSettings();
  EXPECT_EQ(ChartParams().YLMaDays, (TIntAry{3, 6, 18, 0, 0, 0}));
  EXPECT_EQ(ChartParams().YLMaColors, (std::vector<TColor>{0xFFFFFF, 0xFFFF, 0xFF00FF, 0xFF0000, 0xFF, 0x800080}));
  EXPECT_EQ(std::make_pair(ChartParams().YLBackColor, ChartParams().YLGridColor), std::make_pair(0, 0x7F7F7F));

  TIniFileMgr& ini = IniFileMgr();
  ini.WriteInteger("MA_YL", "DayCount1", 10);
  ini.WriteInteger("MA_YL", "Color5", 0x123456);
  ini.WriteInteger("YLChart", "YLBackColor", 0x202020);
  ini.WriteInteger("YLChart", "YLGridColor", 0x303030);
  TYLChartModel::LoadSettings();
  EXPECT_EQ(ChartParams().YLMaDays, (TIntAry{3, 10, 18, 0, 0, 0}));
  EXPECT_EQ(ChartParams().YLMaColors[5], TColor(0x123456));
  EXPECT_EQ(std::make_pair(ChartParams().YLBackColor, ChartParams().YLGridColor), std::make_pair(0x202020, 0x303030));

  ChartParams().YLMaDays[5] = 30;
  ChartParams().YLMaColors[0] = 0x111111;
  ChartParams().YLGridColor = 0x111111;
  TYLChartModel::SaveSettings();
  EXPECT_EQ(std::make_pair(ini.ReadInteger("MA_YL", "DayCount5", 0), ini.ReadInteger("MA_YL", "Color0", 0)),
            std::make_pair(30, 0x111111));
  EXPECT_EQ(ini.ReadInteger("YLChart", "YLGridColor", 0), 0x303030) << "the trend window writes the colours";
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

// Pixels of white text on a dark ground, smoothed edges included.
int CountBright(const platform::Bitmap& b, platform::TRect r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      const TColor c = b.GetPixel(x, y);
      n += std::min({platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)}) >= 128;
    }
  return n;
}

}  // namespace

TEST_F(YLChartWidgetTest, PaintsAxesCirclesGridAndTheExpectedLine) {
  OmissionWalk w({3, 0, 5});
  chart->SetLevel(2.4f);
  chart->SetData(TCondition{}, w.Points(), 3);
  const platform::Bitmap& b = chart->RenderBack();
  ASSERT_EQ(b.Width(), 500);
  // The expected omission, 2 pixels wide over row 170 - round(28 * 2.4) = 103;
  // circles red with white numbers; a grid row every 28 pixels.
  ExpectPixels(b, {{2, 2, platform::clBlack, "the back colour"},
                   {40, 100, platform::clRed, "the left axis"},
                   {460, 170, platform::clRed, "the bottom axis"},
                   {200, 101, platform::clBlack},
                   {200, 102, 0x48FF0B},
                   {200, 103, 0x48FF0B},
                   {200, 104, platform::clBlack},
                   {415, 30 - 8, platform::clRed},
                   {115, 86 - 8, platform::clRed},
                   {330, 142, 0x7F7F7F},
                   {330, 143, platform::clBlack}});
  EXPECT_GT(CountColor(b, platform::Rect(405, 20, 425, 40), platform::clWhite), 3) << "the 5";
  const platform::TRect circle = pixels::Box(
      b, [](TColor c) { return c == platform::clRed; }, platform::Rect(385, 0, 445, 60));
  EXPECT_EQ(circle.Width(), circle.Height());
  EXPECT_LE(std::abs(circle.Left + circle.Right - 2 * 415), 1);
  EXPECT_EQ(circle, platform::Rect(407, 22, 423, 38)) << "radius half the number's height (6) and 2";
  EXPECT_EQ(CountBright(b, platform::Rect(150, 0, 350, 20)), 0) << "no hover text until the mouse comes";
  chart->Model().MouseMove(415, 100);
  EXPECT_GT(CountBright(chart->RenderBack(), platform::Rect(150, 0, 350, 20)), 20);
}

TEST_F(YLChartWidgetTest, BackAndGridColoursAndMovingAverageCircles) {
  ChartParams().YLBackColor = 0x402000;
  ChartParams().YLGridColor = 0x00A0A0;
  const OmissionWalk w(std::vector<int32_t>(20, 2));
  chart->SetData(TCondition{}, w.Points(), 20);
  const platform::Bitmap& b = chart->RenderBack();
  const auto& m = chart->Model();
  const auto at16 = m.PointPixel(16), at15 = m.PointPixel(15);
  ExpectPixels(b, {{2, 2, 0x402000},
                   {at16.X, at16.Y - 8, 0xFFFFFF, "the first line's colour"},
                   {at15.X, at15.Y - 8, platform::clRed},
                   {(at16.X + at15.X) / 2, m.OmissionY(1), 0x00A0A0, "a grid row between the circles"}});
}

TEST_F(YLChartWidgetTest, CompactCellsOfAnySizePaintAndTakeTheDoubleClick) {
  std::vector<int32_t> omissions;
  for (int i = 0; i < 61; ++i) omissions.push_back((i * 37) % 90);
  OmissionWalk w(omissions);
  chart->SetCompact(true);
  chart->SetLevel(33.5f);
  for (int size = 0; size <= 200; size += size < 12 ? 1 : 17) {
    for (int other : {0, 1, size, 300}) {
      chart->resize(size, other);
      chart->SetData(TCondition{}, w.Points(), 60);
      chart->Model().MouseMove(size / 2, other / 2);
      EXPECT_EQ(chart->RenderBack().Width(), size);
      EXPECT_GE(chart->Model().Scale(), 0);
    }
  }

  int calls = 0;
  chart->OnCompactDblClick = [&](TYLChart* sender, const TCondition& c) { calls += sender == chart.get() && c.Caption == "x"; };
  TCondition c;
  c.Caption = "x";
  chart->SetData(c, {}, 0);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(chart.get(), &dbl);
  EXPECT_EQ(calls, 1);
  chart->SetCompact(false);
  QCoreApplication::sendEvent(chart.get(), &dbl);
  EXPECT_EQ(calls, 1) << "only compact cells call it";
}
