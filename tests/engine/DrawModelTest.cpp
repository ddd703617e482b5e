#include "engine/uLottery.h"

#include <gtest/gtest.h>

namespace {

TLottery Draw(int dateNo, std::array<int32_t, 7> balls) {
  TLottery d;
  d.DateNo = dateNo;
  d.Balls = balls;
  d.NumText = MakeNumText(balls);
  return d;
}

}  // namespace

TEST(DrawHistory, LinksEachDrawToTheOlderOneAndSurvivesAMove) {
  std::vector<TLottery> draws;
  for (int i = 1; i <= 50; ++i) draws.push_back(Draw(2003000 + i, {1, 2, 3, 4, 5, 6, 7}));
  TDrawHistory h(std::move(draws));
  ASSERT_EQ(h.Count(), 50);
  EXPECT_EQ(h[0].Prev, nullptr);
  for (int i = 1; i < 50; ++i) ASSERT_EQ(h[i].Prev, &h[i - 1]);

  // Handing the history over (as the download does) keeps every link valid.
  const TLottery* newest = &h[49];
  DrawHistory = std::move(h);
  EXPECT_EQ(&DrawHistory[49], newest);
  EXPECT_EQ(DrawHistory[49].Prev, &DrawHistory[48]);
  ClearDrawModel();
  EXPECT_TRUE(DrawHistory.Empty());
  EXPECT_EQ(CurrentIndex, -1);
}

TEST(DrawHistory, NumTextIsTheSevenNumbersAndNothingElse) {
  EXPECT_EQ(MakeNumText({1, 2, 3, 4, 5, 6, 7}), "1,2,3,4,5,6,7");
  EXPECT_EQ(MakeNumText({28, 29, 30, 31, 32, 33, 16}), "28,29,30,31,32,33,16");
  // Twenty characters at most, even for values no real draw has.
  EXPECT_EQ(MakeNumText({100, 200, 300, 400, 500, 600, 700}).size(), 20u);
}

TEST(YearIndex, NewestYearFirstWithIssueCountAndFirstIndex) {
  std::vector<TLottery> draws;
  for (int i = 1; i <= 3; ++i) draws.push_back(Draw(2003000 + i, {}));
  for (int i = 1; i <= 2; ++i) draws.push_back(Draw(2004000 + i, {}));
  TDrawHistory h(std::move(draws));
  auto years = BuildYearIndex(h);
  ASSERT_EQ(years.size(), 2u);
  EXPECT_EQ(years[0].Year, 2004);
  EXPECT_EQ(years[0].YearText, "2004");
  EXPECT_EQ(years[0].IssueCount, 2);
  EXPECT_EQ(years[0].FirstIndex, 3);
  EXPECT_EQ(years[1].Year, 2003);
  EXPECT_EQ(years[1].IssueCount, 3);
  EXPECT_EQ(years[1].FirstIndex, 0);
}

TEST(YearIndex, ShortYearsArePaddedAndAMidYearStartNeverPointsBeforeTheFirstDraw) {
  std::vector<TLottery> draws;
  draws.push_back(Draw(5040, {}));  // year 5, issue 40: the history starts mid-year
  draws.push_back(Draw(5041, {}));
  auto years = BuildYearIndex(TDrawHistory(std::move(draws)));
  ASSERT_EQ(years.size(), 1u);
  EXPECT_EQ(years[0].YearText, "05");
  EXPECT_EQ(years[0].IssueCount, 41);
  EXPECT_EQ(years[0].FirstIndex, 0);
  EXPECT_TRUE(BuildYearIndex(TDrawHistory()).empty());
}
