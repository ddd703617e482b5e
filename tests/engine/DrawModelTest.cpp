#include "engine/uLottery.h"

#include <gtest/gtest.h>

namespace {

TDrawHistory History(std::initializer_list<int32_t> dateNos) {
  std::vector<TLottery> draws;
  for (int32_t n : dateNos) draws.push_back(TLottery{n, {}, 0, nullptr, {}, {}});
  return TDrawHistory(std::move(draws));
}

}  // namespace

TEST(DrawHistory, LinksEachDrawToTheOlderOneAndSurvivesAMove) {
  TDrawHistory h = History({2003001, 2003002, 2003003, 2003004});
  EXPECT_EQ(h[0].Prev, nullptr);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(h[i].Prev, &h[i - 1]);
  // Handing the history over (as the download does) keeps every link valid.
  const TLottery* newest = &h[3];
  DrawHistory = std::move(h);
  EXPECT_EQ(&DrawHistory.Newest(), newest);
  EXPECT_EQ(DrawHistory[3].Prev, &DrawHistory[2]);
  YearIndex = BuildYearIndex(DrawHistory);
  CurrentIndex = 3;
  CurrentUser = "demo";
  EXPECT_EQ(CurrentDraw(), &DrawHistory[3]);
  CurrentIndex = 1;  // training at the second draw
  EXPECT_EQ(CurrentDraw(), &DrawHistory[1]);
  ClearDrawModel();
  EXPECT_TRUE(DrawHistory.Empty() && YearIndex.empty() && CurrentUser.empty());
  EXPECT_EQ(CurrentIndex, -1);
  EXPECT_EQ(CurrentDraw(), nullptr);
}

TEST(DrawHistory, NumTextIsTheSevenNumbersAndNothingElse) {
  EXPECT_EQ(MakeNumText({28, 29, 30, 31, 32, 33, 16}), "28,29,30,31,32,33,16");
  // Twenty characters at most, even for values no real draw has.
  EXPECT_EQ(MakeNumText({100, 200, 300, 400, 500, 600, 700}), "100,200,300,400,500,");
}

TEST(YearIndex, NewestYearFirstPaddedAndNeverBeforeTheFirstDraw) {
  // Year 5 starts mid-year (issue 40), then 2003 and 2004 in full.
  const TLotIntervalAry years = BuildYearIndex(History({5040, 5041, 2003001, 2003002, 2003003, 2004001, 2004002}));
  ASSERT_EQ(years.size(), 3u);
  std::vector<std::tuple<int32_t, std::string, int32_t, int32_t>> got;
  for (const TLotInterval& y : years) got.emplace_back(y.Year, y.YearText, y.IssueCount, y.FirstIndex);
  EXPECT_EQ(got, (decltype(got){{2004, "2004", 2, 5}, {2003, "2003", 3, 2}, {5, "05", 41, 0}}));
  EXPECT_TRUE(BuildYearIndex(TDrawHistory()).empty());
}
