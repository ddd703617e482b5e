// A history no download gives, for tests that a failed sign-in or download
// leaves it alone.
#pragma once

#include "engine/uLottery.h"

#include <gtest/gtest.h>

#include <vector>

inline void SeedOldHistory() {
  std::vector<TLottery> draws(2);
  draws[0].DateNo = 2001001;
  draws[1].DateNo = 2001002;
  DrawHistory = TDrawHistory(std::move(draws));
  YearIndex = BuildYearIndex(DrawHistory);
  CurrentIndex = 1;
}

inline void ExpectOldHistory() {
  ASSERT_EQ(DrawHistory.Count(), 2);
  EXPECT_EQ(DrawHistory[1].DateNo, 2001002);
  EXPECT_EQ(YearIndex.size(), 1u);
  EXPECT_EQ(CurrentIndex, 1);
}
