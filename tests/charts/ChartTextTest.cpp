// Texts and labels over the charts: a title or hover text placed inside the
// chart whatever its width, and crowded labels thinned so that none overlap.
#include "charts/ChartSupport.h"
#include "charts/uDrawChart.h"

#include "platform/Bitmap.h"

#include <gtest/gtest.h>

using platform::Rect;
using platform::TRect;

namespace {

// The charts' font: 8 points.
QFontMetrics ChartMetrics() {
  platform::Bitmap b;
  b.SetSize(1, 1);
  b.GetCanvas().Font.SetSize(8);
  return b.GetCanvas().FontMetrics();
}

}  // namespace

TEST(ChartText, ATitleLiesInsideTheChartAndKeepsBothEnds) {
  const QFontMetrics fm = ChartMetrics();
  const QString title = QStringLiteral("红1号定位（红球1号） 奇 [ 1,3,5,7,9,11,13,15,17,19,21,23,25,27 ]");
  const int w = fm.horizontalAdvance(title);
  struct Case {
    const char* what;
    int left, right, width;
    int x;  // where the whole title starts; -1 when it is shortened
  } cases[] = {
      {"centred over the columns", 40, 40 + w + 100, w + 150, 90},
      {"centred over a narrow plot: moved right to the chart's edge", 40, 60, w + 10, 0},
      {"columns near the right edge: moved left", w, w + 100, w + 100, 100},
      {"exactly as wide as the chart", 0, w - 10, w, 0},
      {"wider than the chart: shortened in the middle", 0, 140, 150, -1},
      {"a cell of the fifteen-chart grid at 1024 pixels", 0, 142, 152, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TChartText t = FitChartText(fm, title, c.left, c.right, 5, c.width);
    EXPECT_EQ(t.Rect.Width(), fm.horizontalAdvance(t.Text));
    EXPECT_EQ(std::make_pair(t.Rect.Top, t.Rect.Bottom), std::make_pair(5, 5 + fm.height()));
    EXPECT_TRUE(t.Rect.Left >= 0 && t.Rect.Right <= c.width) << t.Rect.Left << ".." << t.Rect.Right;
    if (c.x >= 0) {
      EXPECT_EQ(std::make_pair(t.Text, t.Rect.Left), std::make_pair(title, c.x));
    } else {
      EXPECT_TRUE(t.Text.startsWith(QStringLiteral("红1号")) && t.Text.endsWith(QStringLiteral("25,27 ]")) &&
                  t.Text.contains(QChar(0x2026)))
          << t.Text.toStdString();
      EXPECT_GT(t.Rect.Width(), c.width - fm.horizontalAdvance(QStringLiteral("红1")));
    }
  }
  // Room for nothing, not even the ellipsis: nothing is drawn.
  for (int width : {0, 2}) {
    const TChartText t = FitChartText(fm, title, 0, width, 5, width);
    EXPECT_EQ(std::make_pair(t.Text, t.Rect.Width()), std::make_pair(QString(), 0)) << width;
  }
}

TEST(ChartText, ALabelMeetingOneDrawnBeforeIsLeftOut) {
  const struct {
    const char* what;
    std::vector<TRect> labels;
    std::vector<bool> drawn;
  } cases[] = {
      {"none", {}, {}},
      {"apart, or only touching", {Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), Rect(30, 0, 40, 10)}, {true, true, true}},
      // Ten wide, three apart: the first, then the one at 12, clear of it.
      {"a crowded row",
       {Rect(0, 0, 10, 10), Rect(3, 0, 13, 10), Rect(6, 0, 16, 10), Rect(9, 0, 19, 10), Rect(12, 0, 22, 10),
        Rect(15, 0, 25, 10)},
       {true, false, false, false, true, false}},
      // The second is clear of the first (higher up); the third clears the
      // second but meets the first, so it goes.
      {"not only the one just before",
       {Rect(0, 42, 16, 58), Rect(-11, 2, 5, 18), Rect(-14, 42, 2, 58), Rect(-40, 42, -24, 58)},
       {true, true, false, true}},
      {"an empty label blocks nothing", {Rect(0, 0, 10, 0), Rect(0, 0, 10, 10)}, {true, true}},
  };
  for (const auto& c : cases) EXPECT_EQ(SpacedLabels(c.labels), c.drawn) << c.what;
}
