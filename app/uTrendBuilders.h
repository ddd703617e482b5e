// What the trend window charts, worked out without any widget: the walks of
// a condition over the draws up to the current one (frequency candles,
// omission candles, omission points) with the number each chart shows
// beside them.
//
// Every walk clears a draw's description before matching it, so that the
// hints show what the indicator says of that draw; the omission walks also
// leave their counts in the draws' OmitCount.
#pragma once

#include "charts/uKLineDef.h"
#include "charts/uYLChart.h"
#include "engine/uLottery.h"

#include <cstdint>
#include <span>

// Draws processed before the first shown candle, so that a chart's
// indicators have history: frequency candles, and the omission views.
inline constexpr int32_t FrequencyExtraDraws = 50;
inline constexpr int32_t OmissionExtraDraws = 400;
// Points an omission chart shows.
inline constexpr int OmissionChartPoints = 60;
// The omission candles sum the omission probabilities up to this length.
inline constexpr int32_t MaxOmissionSum = 100;

// The draw that stands for the next, undrawn issue in omission charts:
// DateNo 0, numbers "？"; its Prev is set by the last omission chart built.
TLottery& NextIssueDraw();

// The `count` draws ending at history entry `currentIndex`, oldest first;
// fewer when the history holds fewer up to there (none for an index before
// the first draw).
std::span<TLottery> ConditionDraws(TDrawHistory& history, int32_t currentIndex, int32_t count);

// Candles and the chart's reference value (what the hints show).
struct TCandleWalk {
  TCandleAry Candles;
  float Reference = 0;
  // The chance is 100%: nothing is charted.
  bool Certain = false;
};

// One candle per draw: a hit rises by 1 - p, a miss falls by p (p the
// condition's probability); the reference is the period 1 / p (1 when p is
// 0).
TCandleWalk BuildFrequencyCandles(std::span<TLottery> draws, const TCondition& condition);

// The omission range of a result mode and the bounds the condition panel
// shows for it.
struct TOmissionRange {
  int32_t Lo = 0, Hi = 0;
  int32_t PanelFrom = 0, PanelTo = 0;
};

// For the current omission (mode 1), the theoretical period (2) and its
// anti-set (3); other modes take the panel's bounds instead. The period is
// 1 / p in the probability's own precision, rounded half to even (1 when p
// is 0).
TOmissionRange OmissionRangeOf(std::span<TLottery> draws, const TCondition& condition, int resultMode);

// One candle per hit: it rises by 1 - P when the omission it ended lies in
// [lo, hi] (hi at most MaxOmissionSum), else falls by P, with P the chance
// of such an omission (of any other for the anti-set); the reference is P.
// A hit on the first draw ended no omission seen, so it falls.
TCandleWalk BuildOmissionCandles(std::span<TLottery> draws, const TCondition& condition, int32_t lo, int32_t hi,
                                 bool antiSet);

struct TOmissionPoints {
  TYLAry Points;
  float Level = 0;  // the expected omission 1 / p - 1 (0 when p is 0)
};

// One point per hit with the misses before it, then `placeholder` with the
// running omission; the placeholder's Prev becomes the newest draw.
TOmissionPoints BuildOmissionChart(std::span<TLottery> draws, const TCondition& condition, TLottery& placeholder);
