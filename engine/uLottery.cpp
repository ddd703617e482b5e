#include "engine/uLottery.h"

TDrawHistory DrawHistory;
TLotIntervalAry YearIndex;
int32_t CurrentIndex = -1;
std::string CurrentUser;

std::string MakeNumText(const std::array<int32_t, BallCount>& balls) {
  std::string text;
  for (size_t i = 0; i < balls.size(); ++i) {
    if (i) text.push_back(',');
    text += std::to_string(balls[i]);
  }
  if (text.size() > TLottery::NumTextCapacity) text.resize(TLottery::NumTextCapacity);
  return text;
}

TDrawHistory::TDrawHistory(std::vector<TLottery> draws) : draws_(std::move(draws)) {
  for (size_t i = 0; i < draws_.size(); ++i) draws_[i].Prev = i ? &draws_[i - 1] : nullptr;
}

const TLottery* CurrentDraw() {
  if (CurrentIndex < 0 || CurrentIndex >= DrawHistory.Count()) return nullptr;
  return &DrawHistory[static_cast<size_t>(CurrentIndex)];
}

TLotIntervalAry BuildYearIndex(const TDrawHistory& history) {
  TLotIntervalAry years;
  // Walk newest to oldest, a year at a time.
  for (int32_t i = history.Count() - 1; i >= 0;) {
    const int32_t year = history[i].DateNo / 1000;
    // The year's first draw is found, not computed from the newest issue
    // number: a history may start in the middle of a year or skip issues.
    int32_t first = i;
    while (first > 0 && history[first - 1].DateNo / 1000 == year) --first;
    TLotInterval y;
    y.Year = year;
    y.YearText = std::to_string(year);
    if (y.YearText.size() < 2) y.YearText.insert(0, 2 - y.YearText.size(), '0');
    y.IssueCount = history[i].DateNo % 1000;
    y.FirstIndex = first;
    years.push_back(std::move(y));
    i = first - 1;
  }
  return years;
}

void ClearDrawModel() {
  DrawHistory.Clear();
  YearIndex.clear();
  CurrentIndex = -1;
  CurrentUser.clear();
}
