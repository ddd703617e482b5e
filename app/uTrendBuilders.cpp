#include "app/uTrendBuilders.h"

#include "engine/uFormulaDef.h"
#include "platform/DelphiRtl.h"

#include <algorithm>
#include <limits>

namespace {

// A condition without an indicator never hits and has no chance.
float Probability(const TCondition& c) {
  return c.Formulate ? c.Formulate->GetProbability(c.Values, c.IsRepeat) : 0.0f;
}

bool MatchDraw(TLottery& draw, const TCondition& c) {
  draw.Description.clear();
  return c.Formulate && c.Formulate->Match(draw, c.Values, c.IsRepeat, &draw.Description);
}

}  // namespace

TLottery& NextIssueDraw() {
  static TLottery draw = [] {
    TLottery d;
    d.NumText = "？";
    return d;
  }();
  return draw;
}

std::span<TLottery> ConditionDraws(TDrawHistory& history, int32_t currentIndex, int32_t count) {
  // Never past the current draw, never before the first one.
  const int64_t end = std::clamp<int64_t>(int64_t{currentIndex} + 1, 0, history.Count());
  const int64_t n = std::clamp<int64_t>(count, 0, end);
  return {history.begin() + (end - n), static_cast<size_t>(n)};
}

TCandleWalk BuildFrequencyCandles(std::span<TLottery> draws, const TCondition& condition) {
  TCandleWalk walk;
  const float p = Probability(condition);
  if (p == 1.0f) {
    walk.Certain = true;
    return walk;
  }
  walk.Candles.resize(draws.size());
  float close = 0;
  for (size_t j = 0; j < draws.size(); ++j) {
    const bool hit = MatchDraw(draws[j], condition);
    const float open = close;
    close = static_cast<float>(hit ? open + (1.0 - p) : open - double{p});
    walk.Candles[j] = {open, close, &draws[j]};
  }
  walk.Reference = p == 0 ? 1.0f : 1.0f / p;
  return walk;
}

TOmissionRange OmissionRangeOf(std::span<TLottery> draws, const TCondition& condition, int resultMode) {
  TOmissionRange r;
  if (resultMode == 1) {
    int32_t misses = 0;
    for (TLottery& d : draws) {
      misses = MatchDraw(d, condition) ? 0 : misses + 1;
      d.OmitCount = misses;
    }
    r.Lo = r.Hi = draws.empty() ? 0 : draws.back().OmitCount;
    r.PanelFrom = r.Lo;
    r.PanelTo = r.Hi;
    return r;
  }
  const float p = Probability(condition);
  const int32_t period = p == 0 ? 1
                                : static_cast<int32_t>(std::clamp<int64_t>(platform::DelphiRound(1.0f / p), 0,
                                                                           std::numeric_limits<int32_t>::max()));
  if (resultMode == 3) return {period, 999, period, 999};
  return {0, period, 0, period};
}

TCandleWalk BuildOmissionCandles(std::span<TLottery> draws, const TCondition& condition, int32_t lo, int32_t hi,
                                 bool antiSet) {
  TCandleWalk walk;
  hi = std::min(hi, MaxOmissionSum);
  float chance = 0;
  // Omissions are never negative: a range reaching below 0 sums from 0.
  if (condition.Formulate)
    for (int32_t k = std::max(lo, 0); k <= hi; ++k)
      chance += condition.Formulate->GetOmissionProbability(condition.Values, k, condition.IsRepeat);
  if (antiSet) chance = 1 - chance;
  if (chance == 1.0f) {
    walk.Certain = true;
    return walk;
  }
  walk.Candles.reserve(draws.size());
  int32_t misses = 0, previous = -1;
  float close = 0;
  for (TLottery& d : draws) {
    if (MatchDraw(d, condition)) {
      misses = 0;
      const float open = close;
      const bool inRange = previous >= lo && previous <= hi;
      close = static_cast<float>(inRange ? open + (1.0 - chance) : open - double{chance});
      walk.Candles.push_back({open, close, &d});
    } else {
      ++misses;
    }
    d.OmitCount = previous;
    previous = misses;
  }
  walk.Reference = chance;
  return walk;
}

TOmissionPoints BuildOmissionChart(std::span<TLottery> draws, const TCondition& condition, TLottery& placeholder) {
  TOmissionPoints s;
  const float p = Probability(condition);
  s.Points.reserve(draws.size() + 1);
  int32_t misses = 0;
  for (TLottery& d : draws) {
    if (MatchDraw(d, condition)) {
      s.Points.push_back({&d, misses});
      misses = 0;
    } else {
      ++misses;
    }
  }
  s.Points.push_back({&placeholder, misses});
  placeholder.Prev = draws.empty() ? nullptr : &draws.back();
  s.Level = p == 0 ? 0.0f : 1.0f / p - 1;
  return s;
}
