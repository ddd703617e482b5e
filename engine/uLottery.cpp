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

TLotIntervalAry BuildYearIndex(const TDrawHistory& history) {
  TLotIntervalAry years;
  // Walk newest to oldest; the first draw met of a year is its newest one.
  for (int32_t i = history.Count() - 1; i >= 0; --i) {
    int32_t year = history[i].DateNo / 1000;
    if (!years.empty() && years.back().Year == year) continue;
    TLotInterval y;
    y.Year = year;
    y.YearText = std::to_string(year);
    if (y.YearText.size() < 2) y.YearText.insert(0, 2 - y.YearText.size(), '0');
    y.IssueCount = history[i].DateNo % 1000;
    // A history that starts in the middle of a year has fewer draws of that
    // year than its newest issue number: never point before the first draw.
    y.FirstIndex = std::max(0, i - y.IssueCount + 1);
    years.push_back(std::move(y));
  }
  return years;
}

void ClearDrawModel() {
  DrawHistory.Clear();
  YearIndex.clear();
  CurrentIndex = -1;
  CurrentUser.clear();
}
