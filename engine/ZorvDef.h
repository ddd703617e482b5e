// The fixed tables of the indicators: number classes, combination counts by
// AC value, tails, runs, sums and spans, and the sum ranges.
//
// Every "…Combos" table counts red combinations (six distinct numbers of
// 1..33, C(33,6) = 1107568 in all) by one measure; each sums to TotalCombos.
// The engine tests recompute them all by enumerating every combination.
#pragma once

#include "engine/uBaseDef.h"

#include <array>
#include <cstddef>
#include <cstdint>

// How many of the red numbers 1..33 end in each digit 0..9.
inline constexpr std::array<int32_t, 10> TailCounts{3, 4, 4, 4, 3, 3, 3, 3, 3, 3};

// Ordinal of each prime among 0..33, counting 1 as the first prime; -1 for
// every other value.
inline constexpr std::array<int32_t, 34> PrimeOrdinals{
    -1, 1,  2,  3,  -1, 4,  -1, 5,  -1, -1, -1, 6,  -1, 7,  -1, -1, -1,
    8,  -1, 9,  -1, -1, -1, 10, -1, -1, -1, -1, -1, 11, -1, 12, -1, -1};

// Ordinal of each composite among 0..33, counting 0 as the first composite;
// -1 for every other value.
inline constexpr std::array<int32_t, 34> CompositeOrdinals{
    1,  -1, -1, -1, 2,  -1, 3,  -1, 4,  5,  6,  -1, 7,  -1, 8,  9,  10,
    -1, 11, -1, 12, 13, 14, -1, 15, 16, 17, 18, 19, -1, 20, -1, 21, 22};

// The ordinal of v in one of the two tables above; -1 outside 0..33.
constexpr int32_t OrdinalOf(const std::array<int32_t, 34>& table, int32_t v) {
  return v >= 0 && v < static_cast<int32_t>(table.size()) ? table[static_cast<size_t>(v)] : -1;
}

// By AC value 0..10.
inline constexpr std::array<int32_t, 11> AcCombos{
    93, 437, 3093, 9642, 32735, 68694, 184858, 224408, 339540, 158760, 85308};

// By the number of distinct tail digits, 2..6 (entry i is for i + 2).
inline constexpr int32_t MinTailCount = 2;
inline constexpr std::array<int32_t, 5> TailCountCombos{252, 24780, 256228, 563409, 262899};

// By the number of tail digits that two or more balls share, 0..3.
inline constexpr std::array<int32_t, 4> TailGroupCombos{262899, 619660, 218178, 6831};

// By the number of runs, 0..3: consecutive numbers; odd numbers two apart;
// even numbers two apart; consecutive primes; consecutive composites.
inline constexpr std::array<int32_t, 4> LinkCombos{376740, 583912, 143640, 3276};
inline constexpr std::array<int32_t, 4> OddRunCombos{746153, 333710, 27485, 220};
inline constexpr std::array<int32_t, 4> EvenRunCombos{766362, 317366, 23675, 165};
inline constexpr std::array<int32_t, 4> PrimeRunCombos{869175, 228045, 10313, 35};
inline constexpr std::array<int32_t, 4> CompositeRunCombos{635503, 422280, 49225, 560};

// An inclusive range of values.
struct TValueRange {
  int32_t Low;
  int32_t High;
};

// The 13 ranges in which red sums are shown and chosen.
inline constexpr std::array<TValueRange, 13> SumRanges{{{21, 60},
                                                        {61, 70},
                                                        {71, 80},
                                                        {81, 90},
                                                        {91, 100},
                                                        {101, 110},
                                                        {111, 120},
                                                        {121, 130},
                                                        {131, 140},
                                                        {141, 150},
                                                        {151, 160},
                                                        {161, 170},
                                                        {171, 183}}};

// The 16 ranges of the sum amplitude (the change of the sum against the
// previous draw): 0-10, then ten wide up to 141-150, then 151-162.
inline constexpr std::array<TValueRange, 16> AmpRanges{{{0, 10},
                                                        {11, 20},
                                                        {21, 30},
                                                        {31, 40},
                                                        {41, 50},
                                                        {51, 60},
                                                        {61, 70},
                                                        {71, 80},
                                                        {81, 90},
                                                        {91, 100},
                                                        {101, 110},
                                                        {111, 120},
                                                        {121, 130},
                                                        {131, 140},
                                                        {141, 150},
                                                        {151, 162}}};

// Index of the range of `ranges` that holds v, for every v in 0..Max; -1
// where none does.
template <int32_t Max, size_t N>
constexpr std::array<int8_t, Max + 1> RangeLookup(const std::array<TValueRange, N>& ranges) {
  std::array<int8_t, Max + 1> t{};
  for (auto& e : t) e = -1;
  for (size_t i = 0; i < N; ++i)
    for (int32_t v = ranges[i].Low; v <= ranges[i].High && v <= Max; ++v)
      if (v >= 0) t[static_cast<size_t>(v)] = static_cast<int8_t>(i);
  return t;
}

inline constexpr int32_t MaxSumAmplitude = 162;
inline constexpr auto SumRangeIndex = RangeLookup<183>(SumRanges);
inline constexpr auto AmpRangeIndex = RangeLookup<MaxSumAmplitude>(AmpRanges);

// The index of the sum range holding a red sum (of the amplitude range
// holding a sum amplitude); -1 for a value no range holds.
constexpr int32_t SumRangeOf(int32_t sum) {
  return sum >= 0 && sum < static_cast<int32_t>(SumRangeIndex.size()) ? SumRangeIndex[static_cast<size_t>(sum)]
                                                                      : -1;
}
constexpr int32_t AmpRangeOf(int32_t amplitude) {
  return amplitude >= 0 && amplitude < static_cast<int32_t>(AmpRangeIndex.size())
             ? AmpRangeIndex[static_cast<size_t>(amplitude)]
             : -1;
}

// By red sum, 21..183 (entry i is for the sum i + 21).
inline constexpr int32_t MinRedSum = 21;
inline constexpr int32_t MaxRedSum = 183;
inline constexpr std::array<int32_t, MaxRedSum - MinRedSum + 1> SumCombos{
    1,     1,     2,     3,     5,     7,     11,    14,    20,    26,    35,    44,    58,    71,
    90,    110,   136,   163,   199,   235,   282,   331,   391,   454,   532,   612,   709,   811,
    930,   1055,  1202,  1353,  1528,  1710,  1916,  2130,  2372,  2619,  2896,  3181,  3495,  3816,
    4170,  4527,  4918,  5314,  5741,  6171,  6635,  7096,  7591,  8083,  8604,  9118,  9663,  10193,
    10751, 11293, 11856, 12398, 12962, 13495, 14046, 14565, 15094, 15586, 16088, 16543, 17004, 17418,
    17830, 18190, 18549, 18847, 19141, 19376, 19599, 19760, 19912, 19995, 20068, 20076, 20068, 19995,
    19912, 19760, 19599, 19376, 19141, 18847, 18549, 18190, 17830, 17418, 17004, 16543, 16088, 15586,
    15094, 14565, 14046, 13495, 12962, 12398, 11856, 11293, 10751, 10193, 9663,  9118,  8604,  8083,
    7591,  7096,  6635,  6171,  5741,  5314,  4918,  4527,  4170,  3816,  3495,  3181,  2896,  2619,
    2372,  2130,  1916,  1710,  1528,  1353,  1202,  1055,  930,   811,   709,   612,   532,   454,
    391,   331,   282,   235,   199,   163,   136,   110,   90,    71,    58,    44,    35,    26,
    20,    14,    11,    7,     5,     3,     2,     1,     1};

// By the tail digit of the span (largest minus smallest red), 0..9.
inline constexpr std::array<int32_t, 10> SpanTailCombos{124539, 117570, 104230, 83050, 93280,
                                                        103054, 111890, 119210, 124325, 126420};

// By span, 5..32 (entry i is for the span i + 5): the smallest ball b and
// the largest b + s are fixed, the four others lie strictly between them, so
// C(s - 1, 4) * (33 - s).
inline constexpr int32_t MinSpan = 5;
inline constexpr int32_t MaxSpan = 32;
inline constexpr std::array<int32_t, MaxSpan - MinSpan + 1> SpanCombos = [] {
  std::array<int32_t, MaxSpan - MinSpan + 1> t{};
  for (int32_t s = MinSpan; s <= MaxSpan; ++s) {
    const int32_t n = s - 1;  // C(n, 4)
    t[static_cast<size_t>(s - MinSpan)] = n * (n - 1) * (n - 2) * (n - 3) / 24 * (MaxRed - s);
  }
  return t;
}();

// Entry v of a table that starts at `low`; 0 outside the table.
template <size_t N>
constexpr int32_t TableAt(const std::array<int32_t, N>& table, int32_t low, int32_t v) {
  const int32_t i = v - low;
  return i >= 0 && i < static_cast<int32_t>(N) ? table[static_cast<size_t>(i)] : 0;
}

namespace zorv_detail {
template <size_t N>
constexpr int64_t TableSum(const std::array<int32_t, N>& table) {
  int64_t s = 0;
  for (int32_t v : table) s += v;
  return s;
}
}  // namespace zorv_detail

static_assert(zorv_detail::TableSum(AcCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(TailCountCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(TailGroupCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(LinkCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(OddRunCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(EvenRunCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(PrimeRunCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(CompositeRunCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(SumCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(SpanTailCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(SpanCombos) == TotalCombos);
static_assert(zorv_detail::TableSum(TailCounts) == MaxRed);
