// The walks of the trend window over histories of hits and misses.
#include "app/uTrendBuilders.h"

#include "app/TrendSupport.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

std::vector<float> Closes(const TCandleAry& candles) {
  std::vector<float> v;
  for (const TCandle& k : candles) v.push_back(k.Close);
  return v;
}

// Every candle opens at the close before it (the first at 0) and stands for
// its draw.
void ExpectChained(const TCandleAry& candles) {
  float close = 0;
  for (const TCandle& k : candles) {
    EXPECT_EQ(k.Open, close);
    close = k.Close;
  }
}

TEST(TrendBuilders, FrequencyWalksRiseByTheMissChanceAndFallByTheHitChance) {
  struct Case {
    const char* pattern;
    float p;
    std::vector<float> closes;
    float reference;
  } cases[] = {{"xxx", 0.25f, {0.75f, 1.5f, 2.25f}, 4}, {"...", 0.25f, {-0.25f, -0.5f, -0.75f}, 4},
               {"x.x", 0.5f, {0.5f, 0, 0.5f}, 2}, {"x.", 0, {1, 1}, 1}};
  for (const Case& c : cases) {
    TDrawHistory h = PatternHistory(c.pattern);
    auto f = CreateFormulate<StubFormula>(c.p);
    const TCandleWalk walk = BuildFrequencyCandles({h.begin(), h.end()}, StubCondition(f.get()));
    EXPECT_EQ(Closes(walk.Candles), c.closes) << c.pattern;
    ExpectChained(walk.Candles);
    EXPECT_EQ(walk.Candles.back().Draw, &h[h.size() - 1]);
    EXPECT_EQ(h[0].Description, "2020001");
    EXPECT_FLOAT_EQ(walk.Reference, c.reference);
    EXPECT_FALSE(walk.Certain);
  }
}

TEST(TrendBuilders, OmissionCandlesStepUpAfterAnOmissionInRange) {
  // Hits after no omission seen, 2, 3, 0 and 1 misses.
  TDrawHistory h = PatternHistory("x..x...xx.x");
  auto f = CreateFormulate<StubFormula>(0.5f);
  f->OmissionP = 0.1f;
  const TCandleWalk walk = BuildOmissionCandles({h.begin(), h.end()}, StubCondition(f.get()), 0, 2, false);
  EXPECT_EQ(f->Asked, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_FLOAT_EQ(walk.Reference, 0.3f);
  const std::vector<float> steps = {-0.3f, 0.7f, -0.3f, 0.7f, 0.7f};
  ASSERT_EQ(walk.Candles.size(), steps.size());
  ExpectChained(walk.Candles);
  const std::vector<int32_t> omissions = {-1, 2, 3, 0, 1};
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_NEAR(walk.Candles[i].Close - walk.Candles[i].Open, steps[i], 1e-6) << i;
    EXPECT_EQ(walk.Candles[i].Draw->OmitCount, omissions[i]) << i;
  }
}

TEST(TrendBuilders, TheoreticalRangesHalveToEvenAndTheAntiSetSumsUpTo100) {
  TDrawHistory h = PatternHistory("x..");
  auto f = CreateFormulate<StubFormula>(2.0f / 11);  // a period of 5.5
  const TCondition c = StubCondition(f.get());
  struct Case {
    int mode;
    TOmissionRange range;
  } cases[] = {{1, {2, 2, 2, 2}}, {2, {0, 6, 0, 6}}, {3, {6, 999, 6, 999}}};
  for (const Case& k : cases) {
    const TOmissionRange r = OmissionRangeOf({h.begin(), h.end()}, c, k.mode);
    EXPECT_EQ((std::vector<int32_t>{r.Lo, r.Hi, r.PanelFrom, r.PanelTo}),
              (std::vector<int32_t>{k.range.Lo, k.range.Hi, k.range.PanelFrom, k.range.PanelTo}))
        << k.mode;
  }
  f->OmissionP = 0.01f;
  const TCandleWalk anti = BuildOmissionCandles({h.begin(), h.end()}, c, 6, 999, true);
  std::vector<int32_t> lengths(95);
  std::iota(lengths.begin(), lengths.end(), 6);
  EXPECT_EQ(f->Asked, lengths);
  EXPECT_NEAR(anti.Reference, 0.05, 1e-5);
  auto never = CreateFormulate<StubFormula>(0.0f);
  EXPECT_EQ(OmissionRangeOf({h.begin(), h.end()}, StubCondition(never.get()), 2).Hi, 1);
}

TEST(TrendBuilders, OmissionChartEndsWithTheNextIssueAndTheRunningOmission) {
  TDrawHistory h = PatternHistory("..x.x...");
  auto f = CreateFormulate<StubFormula>(0.25f);
  TLottery& next = NextIssueDraw();
  const TOmissionPoints s = BuildOmissionChart({h.begin(), h.end()}, StubCondition(f.get()), next);
  ASSERT_EQ(s.Points.size(), 3u);
  EXPECT_EQ(s.Points[0].Draw, &h[2]);
  EXPECT_EQ(s.Points[2].Draw, &next);
  EXPECT_EQ((std::vector<int32_t>{s.Points[0].Omission, s.Points[1].Omission, s.Points[2].Omission}),
            (std::vector<int32_t>{2, 1, 3}));
  EXPECT_EQ(next.NumText, "？");
  EXPECT_EQ(next.Prev, &h[7]);
  EXPECT_FLOAT_EQ(s.Level, 3);
  auto never = CreateFormulate<StubFormula>(0.0f);
  EXPECT_EQ(BuildOmissionChart({}, StubCondition(never.get()), next).Level, 0);
}

}  // namespace
