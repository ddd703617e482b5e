// The draw model as the data client tests compare it, and a history no
// download gives, for tests that a failed sign-in or download keeps it.
#pragma once

#include "engine/uLottery.h"

#include <string>
#include <vector>

// Each draw oldest first, the year index, the current index, as one text.
inline std::string ModelText(const TDrawHistory& history = DrawHistory, const TLotIntervalAry& years = YearIndex,
                             int32_t current = CurrentIndex) {
  std::string text;
  for (int32_t i = 0; i < history.Count(); ++i) text += std::to_string(history[i].DateNo) + " " + history[i].NumText + ", ";
  for (const TLotInterval& y : years)
    text += y.YearText + ":" + std::to_string(y.IssueCount) + "@" + std::to_string(y.FirstIndex) + " ";
  return text + "current " + std::to_string(current);
}

inline const std::string OldModel = "2001001 , 2001002 , 2001:2@0 current 1";

inline void SeedOldHistory() {
  std::vector<TLottery> draws(2);
  draws[0].DateNo = 2001001;
  draws[1].DateNo = 2001002;
  DrawHistory = TDrawHistory(std::move(draws));
  YearIndex = BuildYearIndex(DrawHistory);
  CurrentIndex = 1;
}
