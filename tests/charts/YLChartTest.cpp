// The omission chart: layout, moving averages, circle colours, the point
// under the mouse and its text, settings, and a few pixels of the painted
// chart, down to cells of no size at all.
#include "charts/uYLChart.h"

#include "charts/SettingsSandbox.h"
#include "engine/uIniFileMgr.h"
#include "platform_gui/Pixels.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using platform::TColor;

namespace {

// Draws and omission points as the trend window builds them: one point per
// hit, then the placeholder of the next issue with the running omission.
class Walk {
 public:
  explicit Walk(std::vector<int32_t> omissions) {
    draws_.reserve(omissions.size());
    for (size_t i = 0; i + 1 < omissions.size(); ++i) {
      TLottery d;
      d.DateNo = 2025001 + int32_t(i);
      d.NumText = "01,02,03,04,05," + std::to_string(10 + i) + ",07";
      d.Prev = draws_.empty() ? nullptr : &draws_.back();
      draws_.push_back(d);
    }
    next_.DateNo = 0;
    next_.NumText = "？";
    next_.Prev = draws_.empty() ? nullptr : &draws_.back();
    for (size_t i = 0; i < omissions.size(); ++i)
      points_.push_back({i + 1 < omissions.size() ? &draws_[i] : &next_, omissions[i]});
  }
  const TYLAry& Points() const { return points_; }

 private:
  std::vector<TLottery> draws_;
  TLottery next_;
  TYLAry points_;
};

class YLChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetChartSettings();
  }
  TYLChartModel m;  // 500 x 300: plot (40, 30) - (490, 170)
};

}  // namespace

TEST_F(YLChartTest, ThreeZeroFive) {
  Walk w({3, 0, 5});
  m.SetData(TCondition{}, w.Points(), 3);
  EXPECT_EQ(m.PlotRect(), platform::Rect(40, 30, 490, 170));
  EXPECT_EQ(m.FirstShown(), 0);
  EXPECT_EQ(m.MaxOmission(), 5);
  EXPECT_EQ(m.Step(), 150);  // ceil(450 / 3)
  EXPECT_EQ(m.Scale(), 28);  // floor(140 / 5)
  EXPECT_EQ(m.FirstPlotted(), 0);
  EXPECT_EQ(m.PointPixel(2), platform::Point(415, 30));  // 490 - round(75), the largest at the top
  EXPECT_EQ(m.PointPixel(1), platform::Point(265, 170));
  EXPECT_EQ(m.PointPixel(0), platform::Point(115, 86));
  EXPECT_EQ(m.LinePixels().front(), m.PointPixel(2)) << "the line runs from the newest point";
  EXPECT_EQ(m.LabelStep(), 1);

  // The last circle is the next issue's.
  m.MouseMove(415, 100);
  EXPECT_EQ(m.MouseIndex(), 2);
  ASSERT_TRUE(m.HasHover());
  EXPECT_EQ(m.HoverText(), QStringLiteral("0期（？）  遗漏值：5"));
  // "0期（？）  遗漏值：5" is 20 CP936 bytes: round(225 - 60) + 40.
  EXPECT_EQ(m.HoverX(), 205);
  m.MouseMove(265, 100);
  EXPECT_EQ(m.HoverText(), QStringLiteral("2025002期（01,02,03,04,05,11,07）  遗漏值：0"));

  ChartParams().ShowIssueNo = false;
  EXPECT_EQ(m.HoverText(), QStringLiteral("（01,02,03,04,05,11,07）  遗漏值：0"));
}

TEST_F(YLChartTest, NoOmissionAtAllSitsOnTheBottom) {
  Walk w({0, 0, 0, 0});
  m.SetData(TCondition{}, w.Points(), 4);
  EXPECT_EQ(m.MaxOmission(), 0);
  EXPECT_EQ(m.Scale(), 50);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m.PointPixel(i).Y, 170);

  // Nothing at all: step 5, scale 50, no pixels, no hover.
  m.SetData(TCondition{}, {}, 0);
  EXPECT_EQ(m.Step(), 5);
  EXPECT_EQ(m.Scale(), 50);
  EXPECT_TRUE(m.LinePixels().empty());
  EXPECT_EQ(m.FirstPlotted(), 0);
  m.MouseMove(300, 100);
  EXPECT_FALSE(m.HasHover());
  EXPECT_TRUE(m.HoverText().isEmpty());
}

TEST_F(YLChartTest, OnlyTheNewestNPointsShareTheWidth) {
  Walk w({9, 1, 2, 3, 4});
  m.SetData(TCondition{}, w.Points(), 2);
  EXPECT_EQ(m.FirstShown(), 3);
  EXPECT_EQ(m.MaxOmission(), 4) << "the 9 is not shown";
  EXPECT_EQ(m.Step(), 225);
  EXPECT_EQ(m.FirstPlotted(), 3) << "the next point to the left lies before the plot";
}

TEST_F(YLChartTest, MovingAveragesOfTheOmissions) {
  ChartParams().YLMaDays = {3, 1, 0, -2, 2, 9};
  Walk w({4, 8, 0, 1, 5});
  m.SetData(TCondition{}, w.Points(), 5);
  const auto& ma = m.MaValues();
  ASSERT_EQ(ma.size(), 6u);
  EXPECT_EQ(ma[0], (TMaAry{0, 0, 4, 3, 2}));
  EXPECT_EQ(ma[1], (TMaAry{0, 8, 0, 1, 5})) << "index 0 is always 0";
  EXPECT_EQ(ma[2], TMaAry(5, 0.0f));
  EXPECT_EQ(ma[3], TMaAry(5, 0.0f)) << "a period below 0 is a line switched off";
  EXPECT_EQ(ma[4], (TMaAry{0, 6, 4, 0.5, 3}));
  EXPECT_EQ(ma[5], TMaAry(5, 0.0f));
  // Pixels for the plotted points of the lines that are on (scale 17).
  EXPECT_EQ(m.MaPixels()[0].size(), 5u);
  EXPECT_TRUE(m.MaPixels()[2].empty());
  EXPECT_TRUE(m.MaPixels()[3].empty());
  EXPECT_EQ(m.MaPixels()[0][1], platform::Point(m.PointPixel(3).X, 170 - 51));
  EXPECT_EQ(m.MaPixels()[4][1], platform::Point(m.PointPixel(3).X, 170 - 8)) << "round(8.5) is 8";
}

TEST_F(YLChartTest, CirclesStartingAMovingAverageTakeItsColour) {
  std::vector<int32_t> omissions(20, 1);
  Walk w(omissions);
  m.SetData(TCondition{}, w.Points(), 20);
  const TColor red = platform::clRed, white = platform::clWhite, black = platform::clBlack;
  for (int i = 0; i < 20; ++i) {
    const auto c = m.CircleColors(i);
    if (i == 16) {
      EXPECT_EQ(c.Fill, TColor(0xFFFFFF));
      EXPECT_EQ(c.Text, black);
    } else if (i == 13) {
      EXPECT_EQ(c.Fill, TColor(0xFFFF));
    } else if (i == 1) {
      EXPECT_EQ(c.Fill, TColor(0xFF00FF));
    } else {
      EXPECT_EQ(c.Fill, red) << i;
      EXPECT_EQ(c.Text, white) << i;
    }
  }
  // Two lines of one period: the first in line order wins.
  ChartParams().YLMaDays = {0, 6, 6, 0, 0, 0};
  EXPECT_EQ(m.CircleColors(13).Fill, TColor(0xFFFF));
}

TEST_F(YLChartTest, MouseIndexHasNoLowerBound) {
  Walk w({3, 0, 5});
  m.SetData(TCondition{}, w.Points(), 3);
  EXPECT_EQ(m.MouseIndex(), -1) << "no mouse yet";
  m.MouseMove(0, 100);  // nearer to where a point before 0 would be
  EXPECT_EQ(m.MouseIndex(), -1);
  EXPECT_FALSE(m.HasHover()) << "left of the plot's columns";
  m.MouseMove(-400, 100);
  EXPECT_EQ(m.MouseIndex(), -3);
  EXPECT_FALSE(m.HasHover());
  m.MouseMove(499, 100);
  EXPECT_EQ(m.MouseIndex(), 2) << "at most the newest point";
  EXPECT_FALSE(m.HasHover()) << "right of the plot";
  // A new layout moves the index with the columns.
  m.MouseMove(330, 100);  // points at x 115, 265, 415
  EXPECT_EQ(m.MouseIndex(), 1);
  m.SetSize(300, 300);  // step 84: points at x 80, 164, 248
  EXPECT_EQ(m.MouseIndex(), 2);
}

TEST_F(YLChartTest, TheHoverReportsTheNearestPoint) {
  // Steps 45 and 1 are odd, 50 even.
  for (int shown : {10, 9, 450}) {
    Walk w(std::vector<int32_t>(size_t(shown), 1));
    m.SetData(TCondition{}, w.Points(), shown);
    const int half = (m.Step() - 1) / 2;
    for (int i = 0; i < shown; ++i)
      for (int dx : {-half, 0, half}) {
        m.MouseMove(m.PointPixel(i).X + dx, 100);
        ASSERT_EQ(m.MouseIndex(), i) << "step " << m.Step() << ", point " << i << ", dx " << dx;
      }
  }
}

TEST_F(YLChartTest, TallOmissionsInALowPlotGetAFractionalScale) {
  Walk w({250, 0, 100});
  m.SetSize(200, 180);  // plot height 20
  m.SetData(TCondition{}, w.Points(), 3);
  EXPECT_DOUBLE_EQ(m.Scale(), 20.0 / 250);
  EXPECT_FALSE(m.HasRowGrid());
  EXPECT_EQ(m.PointPixel(0).Y, 30) << "the largest omission reaches the top";
  EXPECT_EQ(m.PointPixel(2).Y, 42);
  // No height at all, or less: every point on the bottom line.
  m.SetSize(200, 150);
  EXPECT_EQ(m.Scale(), 0);
  EXPECT_FALSE(m.HasRowGrid());
  m.SetSize(200, 100);
  EXPECT_EQ(m.Scale(), 0);
}

TEST_F(YLChartTest, NarrowChartsStepAtLeastOnePixel) {
  Walk w({1, 2, 3, 4, 5, 6});
  for (int width : {60, 51, 50, 49, 10, 1, 0}) {
    m.SetSize(width, 300);
    m.SetData(TCondition{}, w.Points(), 6);
    EXPECT_GE(m.Step(), 1) << width;
    m.MouseMove(width / 2, 100);  // no division by zero
    EXPECT_LE(m.MouseIndex(), 5);
    for (const auto& p : m.LinePixels()) EXPECT_GE(p.X, m.PlotRect().Left);
  }
}

TEST_F(YLChartTest, RequestsBeyondThePointsAreClamped) {
  Walk w({3, 0, 5});
  m.SetData(TCondition{}, w.Points(), 60);
  EXPECT_EQ(m.ShownCount(), 3);
  EXPECT_EQ(m.FirstShown(), 0);
  m.SetData(TCondition{}, w.Points(), 0);
  EXPECT_EQ(m.ShownCount(), 1);
  EXPECT_EQ(m.MaxOmission(), 5);
  m.SetData(TCondition{}, w.Points(), -7);
  EXPECT_EQ(m.ShownCount(), 1);
}

TEST_F(YLChartTest, SettingsOfTheOmissionCharts) {
  TYLChartModel::LoadSettings();
  EXPECT_EQ(ChartParams().YLMaDays, (TIntAry{3, 6, 18, 0, 0, 0}));
  EXPECT_EQ(ChartParams().YLMaColors[4], TColor(0xFF));
  EXPECT_EQ(ChartParams().YLBackColor, 0);
  EXPECT_EQ(ChartParams().YLGridColor, 0x7F7F7F);

  TIniFileMgr& ini = IniFileMgr();
  ini.WriteInteger("MA_YL", "DayCount1", 10);
  ini.WriteInteger("MA_YL", "Color5", 0x123456);
  ini.WriteInteger("YLChart", "YLBackColor", 0x202020);
  TYLChartModel::LoadSettings();
  EXPECT_EQ(ChartParams().YLMaDays[1], 10);
  EXPECT_EQ(ChartParams().YLMaColors[5], TColor(0x123456));
  EXPECT_EQ(ChartParams().YLBackColor, 0x202020);
  EXPECT_EQ(ChartParams().YLGridColor, 0x7F7F7F);

  ChartParams().YLMaDays[5] = 30;
  ChartParams().YLGridColor = 0x111111;
  TYLChartModel::SaveSettings();
  EXPECT_EQ(ini.ReadInteger("MA_YL", "DayCount5", 0), 30);
  EXPECT_EQ(ini.ReadInteger("MA_YL", "Color0", 0), 0xFFFFFF);
  EXPECT_EQ(ini.ReadString("YLChart", "YLGridColor", "none"), "none") << "the trend window writes the colours";
}

// ---- the widget

namespace {

class YLChartWidgetTest : public YLChartTest {
 protected:
  void SetUp() override {
    YLChartTest::SetUp();
    chart = new TYLChart(&owner);
    chart->resize(500, 300);
  }
  void TearDown() override { delete chart; }
  QWidget owner;
  TYLChart* chart = nullptr;
};

int CountColor(const platform::Bitmap& b, platform::TRect r, TColor color) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += b.GetPixel(x, y) == color;
  return n;
}

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

TEST_F(YLChartWidgetTest, PaintsAxesCirclesAndTheExpectedLine) {
  Walk w({3, 0, 5});
  chart->SetLevel(2.4f);
  chart->SetData(TCondition{}, w.Points(), 3);
  const platform::Bitmap& b = chart->RenderBack();
  ASSERT_EQ(b.Width(), 500);
  EXPECT_EQ(b.GetPixel(2, 2), platform::clBlack) << "the back colour";
  EXPECT_EQ(b.GetPixel(40, 100), platform::clRed) << "the left axis";
  EXPECT_EQ(b.GetPixel(460, 170), platform::clRed) << "the bottom axis";
  // The expected omission, 2 pixels wide at 170 - round(28 * 2.4) = 103.
  EXPECT_EQ(b.GetPixel(200, 103), TColor(0x48FF0B));
  // Circles are red with white numbers; above the number is plain fill.
  EXPECT_EQ(b.GetPixel(415, 30 - 8), platform::clRed);
  EXPECT_EQ(b.GetPixel(115, 86 - 8), platform::clRed);
  EXPECT_GT(CountColor(b, platform::Rect(405, 20, 425, 40), platform::clWhite), 3) << "the 5";
  // A grid row every 28 pixels: 170 - 28 = 142 in the grid colour.
  EXPECT_EQ(b.GetPixel(330, 142), TColor(0x7F7F7F));
  // No hover text until the mouse comes.
  EXPECT_EQ(CountBright(b, platform::Rect(150, 0, 350, 20)), 0);
  chart->Model().MouseMove(415, 100);
  const platform::Bitmap& hovered = chart->RenderBack();
  EXPECT_GT(CountBright(hovered, platform::Rect(150, 0, 350, 20)), 20);
}

TEST_F(YLChartWidgetTest, BackAndGridColoursAndMovingAverageCircles) {
  ChartParams().YLBackColor = 0x402000;
  ChartParams().YLGridColor = 0x00A0A0;
  std::vector<int32_t> omissions(20, 2);
  Walk w(omissions);
  chart->SetData(TCondition{}, w.Points(), 20);
  const platform::Bitmap& b = chart->RenderBack();
  EXPECT_EQ(b.GetPixel(2, 2), TColor(0x402000));
  const auto& m = chart->Model();
  const auto at16 = m.PointPixel(16), at15 = m.PointPixel(15);
  EXPECT_EQ(b.GetPixel(at16.X, at16.Y - 8), TColor(0xFFFFFF)) << "the first line's colour";
  EXPECT_EQ(b.GetPixel(at15.X, at15.Y - 8), platform::clRed);
  // The horizontal grid row of omission 1 in the grid colour, between
  // circles.
  const int y = m.OmissionY(1);
  EXPECT_EQ(b.GetPixel((at16.X + at15.X) / 2, y), TColor(0x00A0A0));
}

TEST_F(YLChartWidgetTest, CompactCellsOfAnySizePaint) {
  std::vector<int32_t> omissions;
  for (int i = 0; i < 61; ++i) omissions.push_back((i * 37) % 90);
  Walk w(omissions);
  chart->SetCompact(true);
  chart->SetLevel(33.5f);
  for (int size = 0; size <= 200; size += size < 12 ? 1 : 17) {
    for (int other : {0, 1, size, 300}) {
      chart->resize(size, other);
      chart->SetData(TCondition{}, w.Points(), 60);
      chart->Model().MouseMove(size / 2, other / 2);
      const platform::Bitmap& b = chart->RenderBack();
      EXPECT_EQ(b.Width(), size);
      EXPECT_GE(chart->Model().Step(), 1);
      EXPECT_GE(chart->Model().Scale(), 0);
    }
  }
}

TEST_F(YLChartWidgetTest, DoubleClickOnlyInCompactCells) {
  int calls = 0;
  chart->OnCompactDblClick = [&](TYLChart* sender, const TCondition& c) {
    EXPECT_EQ(sender, chart);
    EXPECT_EQ(c.Caption, "x");
    ++calls;
  };
  TCondition c;
  c.Caption = "x";
  chart->SetData(c, {}, 0);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(chart, &dbl);
  EXPECT_EQ(calls, 0);
  chart->SetCompact(true);
  QCoreApplication::sendEvent(chart, &dbl);
  EXPECT_EQ(calls, 1);
}
