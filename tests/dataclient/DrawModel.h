// The draw model as one text, and a history no download gives (and a failed one keeps).
#pragma once

#include "engine/uLottery.h"

#include <string>
#include <vector>

inline std::string ModelText(const TDrawHistory& history = DrawHistory, const TLotIntervalAry& years = YearIndex,
                             int32_t current = CurrentIndex) {
  std::string text;
  for (int32_t i = 0; i < history.Count(); ++i)
    text += std::to_string(history[i].DateNo) + " " + history[i].NumText + ", ";
  for (const TLotInterval& y : years)
    text += y.YearText + ":" + std::to_string(y.IssueCount) + "@" + std::to_string(y.FirstIndex) + " ";
  return text + "current " + std::to_string(current);
}

inline const std::string OldModel = "2001002 , 2001:2@0 current 0";

inline void SeedOldHistory() {
  std::vector<TLottery> draws(1);
  draws[0].DateNo = 2001002;
  DrawHistory = TDrawHistory(std::move(draws));
  YearIndex = BuildYearIndex(DrawHistory);
  CurrentIndex = 0;
}
