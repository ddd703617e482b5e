#include "charts/uKLineDef.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

struct Probe {
  int x, y, expected;
};

void ExpectHits(const TDrawLine& line, const std::vector<Probe>& probes) {
  for (const Probe& p : probes)
    EXPECT_EQ(line.HitTest(p.x, p.y), p.expected) << "at (" << p.x << ", " << p.y << ")";
}

}  // namespace

TEST(DrawLineTest, HitTestOfASlopedLine) {
  TDrawLine line(10, 10, 20, 20);
  ExpectHits(line, {{10, 10, 1}, {13, 12, 1}, {7, 13, 1},  // within 3 of the start
                    {20, 20, 2}, {23, 17, 2},              // within 3 of the end
                    {15, 15, 3}, {15, 17, 3}, {15, 13, 3},  // 2 pixels off the line still hit
                    {15, 18, 0}, {15, 12, 0},              // 3 pixels off do not
                    {25, 25, 0}, {6, 6, 0}, {24, 24, 0}});  // past the ends
}

TEST(DrawLineTest, HitTestBetweenTheEndsIsHalfOpenFromTheStart) {
  // Drawn right to left: x must lie in (X2, X1], y in (Y2, Y1].
  TDrawLine line(40, 40, 0, 0);
  ExpectHits(line, {{20, 20, 3}, {4, 4, 3}, {36, 36, 3}, {3, 3, 2}, {37, 37, 1}});
  // A steep line whose x range ends where its end-point box begins.
  TDrawLine steep(0, 0, 10, 100);
  EXPECT_EQ(steep.HitTest(5, 50), 3);
  EXPECT_EQ(steep.HitTest(9, 90), 3);
  EXPECT_EQ(steep.HitTest(5, 70), 0) << "far below the line at x = 5";
}

TEST(DrawLineTest, HorizontalAndVerticalLinesAreHitOnlyOnTheirOwnPixels) {
  TDrawLine horizontal(0, 50, 100, 50);
  ExpectHits(horizontal, {{50, 50, 3}, {50, 51, 0}, {50, 49, 0}, {96, 50, 3}, {97, 51, 2}, {2, 52, 1}, {-4, 50, 0}});
  TDrawLine vertical(30, 0, 30, 100);
  EXPECT_TRUE(vertical.IsVertical);
  EXPECT_EQ(vertical.Slope, 0);
  EXPECT_EQ(vertical.Intercept, 30);
  ExpectHits(vertical, {{30, 50, 3}, {31, 50, 0}, {29, 50, 0}, {30, 101, 2}, {30, 120, 0}});
}

TEST(DrawLineTest, CoincidentPointsAreHitOnlyNearThem) {
  TDrawLine dot(50, 50, 50, 50);
  ExpectHits(dot, {{50, 50, 1}, {53, 47, 1}, {47, 53, 1}, {54, 50, 0}, {50, 54, 0}, {50, 60, 0}});
}

TEST(DrawLineTest, CalcLineAndLength) {
  TDrawLine line(0, 0, 1, 1);
  line.SetPoints(2, 10, 6, 2);
  EXPECT_FALSE(line.IsVertical);
  EXPECT_DOUBLE_EQ(line.Slope, -2.0);
  EXPECT_DOUBLE_EQ(line.Intercept, 14.0);
  EXPECT_DOUBLE_EQ(line.LineLength(), std::sqrt(80.0));
  line.X2 = 2;  // changed by hand: stale until CalcLine
  line.CalcLine();
  EXPECT_TRUE(line.IsVertical);
  EXPECT_EQ(line.Slope, 0);
  EXPECT_EQ(line.Intercept, 2);
}

TEST(DrawLinesTest, OwnsAndRemovesLines) {
  TDrawLines lines;
  TDrawLine* a = lines.Add(std::make_unique<TDrawLine>(0, 0, 10, 10));
  TDrawLine* b = lines.Add(std::make_unique<TDrawLine>(5, 5, 50, 50));
  EXPECT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.IndexOf(b), 1);
  lines.Remove(a);
  EXPECT_EQ(lines.Count(), 1);
  EXPECT_EQ(lines[0], b);
  lines.Remove(a);  // not in the list any more: nothing
  EXPECT_EQ(lines.Count(), 1);
  EXPECT_THROW(lines.Delete(1), std::out_of_range);
  lines.Clear();
  EXPECT_EQ(lines.Count(), 0);
}

TEST(ConditionTest, CopiesAreDeep) {
  TCondition src;
  src.Caption = "红球和值";
  src.ValueText = "100 101";
  src.ExtraText = "x";
  src.ChartMode = cmOmissionCandles;
  src.Values = {{100, 101}, {1}};
  src.DrawCount = 450;
  src.IsRepeat = true;
  TCondition dst;
  dst.Values = {{1, 2, 3}, {4}, {5}};
  CopyCondition(dst, src);
  EXPECT_EQ(dst.Caption, src.Caption);
  EXPECT_EQ(dst.ChartMode, cmOmissionCandles);
  EXPECT_EQ(dst.Values, src.Values);
  EXPECT_EQ(dst.DrawCount, 450);
  EXPECT_TRUE(dst.IsRepeat);
  dst.Values[0][0] = 7;
  EXPECT_EQ(src.Values[0][0], 100);

  TCondition empty;
  CopyCondition(dst, empty);
  EXPECT_TRUE(dst.Values.empty());

  TConditionAry many{src, empty}, copy{empty, empty, empty};
  CopyConditionAry(copy, many);
  ASSERT_EQ(copy.size(), 2u);
  EXPECT_EQ(copy[0].Values, src.Values);
  EXPECT_TRUE(copy[1].Values.empty());
}

TEST(ChartParamsTest, DefaultsHoldOneEntryPerLine) {
  TChartParams p;
  EXPECT_EQ(p.MaDays, (TIntAry{3, 6, 18, 0, 0, 0}));
  ASSERT_EQ(p.MaColors.size(), size_t(MaLineCount));
  EXPECT_EQ(p.MaColors[1], 0xFFFF);
  EXPECT_EQ(p.YLMaDays.size(), size_t(MaLineCount));
  EXPECT_EQ(p.DrawLineColor, 255);
  EXPECT_EQ(p.YLGridColor, 0x7F7F7F);
  EXPECT_EQ(std::tie(p.MacdQuick, p.MacdSlow, p.MacdDean), std::make_tuple(12, 26, 9));
}
