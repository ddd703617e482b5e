// Indicator behaviour the enumeration of all combinations does not reach:
// draws without a previous draw, balls no real draw has, descriptions,
// narrowing of the candidate lists and value sets outside the domain.
#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

const TFormulate& Ind(int32_t index) { return *FormulateList().GetItem(index); }

// Registration indices.
constexpr int BlueValue = 0, BlueTail = 1, BlueZF = 2;
constexpr int Red(int p, int offset) { return 7 + 7 * p + offset; }  // offset as for the blue rows
constexpr int Front3Tails = 49, SpanValue = 58, SpanTail = 59, SpanZF = 60, SpanZFEnd = 61, SpanDiv3 = 62;
constexpr int SumValue = 65, SumTail = 66, SumZF = 67, SumZFEnd = 68, SumDiv3 = 69;
constexpr int Ac = 72, NumBig = 73, NumEven = 78, Neighbor = 81, Repeat = 82, NumberGroup = 87;

TLottery Draw(TBalls balls, const TLottery* prev = nullptr) {
  TLottery d;
  d.Balls = balls;
  d.Prev = prev;
  return d;
}

TIntAry Seq(int32_t low, int32_t high) {
  TIntAry r;
  for (int32_t v = low; v <= high; ++v) r.push_back(v);
  return r;
}

}  // namespace

TEST(FormulaMatch, OldestDrawsAndImpossibleBalls) {
  const TLottery prev = Draw({1, 2, 3, 4, 5, 6, 1});
  const TLottery oldest = Draw({3, 9, 14, 20, 27, 33, 12});
  const TLottery top = Draw({28, 29, 30, 31, 32, 33, 1});  // span 5, sum 183
  const TLottery bottom = Draw({1, 2, 3, 4, 5, 6, 1}, &top);  // sum amplitude 162
  const TLottery odd = Draw({-5, 0, 34, 40, 63, 200, -1});
  const TLottery oddAfter = Draw({-5, 0, 34, 40, 63, 200, 99}, &prev), oddTwice = Draw(odd.Balls, &odd);
  struct Case {
    int ind;
    const TLottery* draw;
    T2DIntAry values;
    bool match;
  };
  const std::vector<Case> cases{
      // Without a previous draw an amplitude is the measure itself ...
      {Red(0, 2), &oldest, {{3}}, true},      {Red(0, 2), &oldest, {{0}}, false},
      {BlueZF, &oldest, {{12}}, true},        {Red(0, 3), &oldest, {{3}}, true},
      {Red(5, 2), &oldest, {{33}}, false},  // 33 lies outside the amplitude domain 0..27
      {SpanZF, &top, {{5}}, true},            {SpanZFEnd, &top, {{5}}, true},
      {SumZFEnd, &top, {{3}}, true},          {SumZF, &top, {Seq(0, 15)}, false},  // 183: above every range
      {SumZF, &bottom, {{15}}, true},
      // ... and repeats and neighbours have nothing to compare with.
      {Repeat, &oldest, {Seq(0, 6)}, false},  {Neighbor, &oldest, {Seq(0, 6)}, false},
      // Balls outside 1..33 belong to no group, range or domain.
      {NumberGroup, &oldest, {{3, 9}, {2}}, true},  // two of the chosen numbers, as chosen
      {Front3Tails, &oldest, {{0}, {0}}, true},     // no chosen tail among the first three, and 0 chosen
      {NumberGroup, &odd, {Seq(1, 33), {0}}, true}, {Red(0, 0), &odd, {Seq(1, 28)}, false},
      {BlueZF, &oddAfter, {Seq(0, 15)}, false},    {SumValue, &odd, {Seq(0, 12)}, false},
      {Repeat, &oddTwice, {{0}}, true},            {Neighbor, &oddTwice, {{0}}, true},
  };
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(Ind(cases[i].ind).Match(*cases[i].draw, cases[i].values, false), cases[i].match) << "case " << i;
  // No value set, or every value of the domain, on any draw: never past a table.
  for (int32_t i = 0; i < FormulateList().Count(); ++i) {
    const TFormulate& f = Ind(i);
    std::string text;
    EXPECT_FALSE(f.Match(prev, {}, false, &text)) << i;
    EXPECT_EQ(f.CountCombos({}, true), 0) << i;
    EXPECT_EQ(f.GetProbability({}, false), 0.0f) << i;
    f.Match(odd, f.Values(), false, &text);
    f.Match(oddAfter, f.Values(), true, &text);
  }
}

TEST(FormulaMatch, WritesItsDescriptionWhetherOrNotItMatches) {
  const TLottery prev = Draw({5, 10, 15, 20, 25, 25, 1});    // sum 100, span 20
  const TLottery d = Draw({3, 10, 20, 24, 30, 30, 1}, &prev);  // sum 117, span 27
  const std::vector<std::pair<int, std::string>> expected{
      {SpanValue, "本期跨度27"},       {SpanTail, "本期跨度尾7"}, {SpanZF, "本期跨度27"},
      {SpanZFEnd, "本期跨度27 振幅7"}, {SpanDiv3, "本期跨度27"},  {SumValue, "本期和值117"},
      {SumTail, "本期和值尾7"},        {SumZF, "本期和值117"},    {SumZFEnd, "本期和值117  振幅17"},
      {SumDiv3, "本期和值117"},        {Ac, "本期AC值:5"},
      // Indicators without a description leave the text alone.
      {Red(0, 0), "keep"},             {NumberGroup, "keep"},     {Front3Tails, "keep"}};
  for (auto& [index, text] : expected) {
    std::string out = "keep";
    Ind(index).Match(d, {{}, {}}, false, &out);  // nothing chosen: no match
    EXPECT_EQ(out, text) << index;
  }
}

TEST(FormulaNarrowing, PositionConditionsNarrowOrFillTheirPositionsList) {
  // The newest draw, shown outside training mode: red 1, 9, 15, 21, 26, 30, blue 3.
  DrawHistory = TDrawHistory({Draw({2, 3, 4, 5, 6, 7, 7}), Draw({1, 9, 15, 21, 26, 30, 3})});
  struct Case {
    int ind;
    TIntAry before, chosen, after;
    bool history = true;
    int32_t shown = 1;  // CurrentIndex: amplitudes are taken from this draw
  };
  const std::vector<Case> cases{
      {Red(2, 0), {7, 3, 5}, {5, 9}, {5}},  // a value condition intersects a filled list ...
      {Red(2, 0), {5}, {}, {}},
      {Red(0, 0), {}, {12, 3, 40, 12, 29, 0, 28}, {12, 3, 28}},  // ... or fills an empty one
      {Red(0, 4), {6}, {0, 2}, {6, 3, 9, 12, 15, 18, 21, 24, 27, 2, 5, 8, 11, 14, 17, 20, 23, 26}},  // no repeats
      {Red(5, 1), {}, {0}, {10, 20, 30}},  // remainder 0 never adds 0
      {BlueTail, {}, {0, 6}, {10, 6, 16}},
      {Red(2, 2), {}, {0, 3, 14}, {15, 12, 18, 29}},  // around the newest 15; 1 lies below 3..30
      {Red(2, 2), {}, {0, 3, 14}, {4, 7, 18}, true, 0},  // training at the older draw: around its 4
      {Red(0, 3), {}, {2, 7}, {3, 13, 23, 8, 18, 28}},  // amplitudes 2, 12, 22, 7, 17, 27 from 1
      {Red(1, 2), {8}, {0, 1, 2}, {8}, false},        // no history: amplitudes admit nothing
      {Red(1, 3), {8}, {0, 1, 2}, {8}, false},
      {Ac, {8}, {1}, {8}},  // whole-set indicators narrow nothing
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    TCdtData cdt;
    cdt.Values = {c.chosen};
    TPositionLists lists;
    const size_t pos = Ind(c.ind).Pos() >= 0 ? size_t(Ind(c.ind).Pos()) : 1;
    lists[pos] = c.before;
    CurrentIndex = c.shown;
    TDrawHistory saved = std::move(DrawHistory);
    if (c.history) DrawHistory = std::move(saved);
    Ind(c.ind).NarrowPositionList(lists, cdt);
    if (!c.history) DrawHistory = std::move(saved);
    EXPECT_EQ(lists[pos], c.after) << "case " << i;
    for (size_t p = 0; p < lists.size(); ++p) EXPECT_TRUE(p == pos || lists[p].empty()) << "case " << i;
  }
  // The blue list never leaves 1..16, whatever the class.
  for (int offset = 0; offset < 7; ++offset) {
    TPositionLists l;
    TCdtData cdt;
    cdt.Values = {Seq(0, 15)};
    Ind(offset).NarrowPositionList(l, cdt);
    ASSERT_FALSE(l[6].empty()) << offset;
    for (int32_t v : l[6]) EXPECT_TRUE(v >= 1 && v <= 16) << offset << ": " << v;
  }
  ClearDrawModel();
}

TEST(FormulaValues, ValuesOutsideTheDomainAreReportedAndIgnored) {
  const std::vector<std::tuple<int, T2DIntAry, bool>> cases{
      {Ac, {{3, 4}}, true},          {Ac, {}, true},           {Ac, {{}}, true},
      {Ac, {{3}, {99}}, true},  // one row shown: a second row is not looked at
      {Ac, {{-1}}, false},           {Ac, {{11}}, false},      {Ac, {{INT_MIN}}, false},
      {SumValue, {{13}}, false},     {NumEven, {{0}}, false},  {NumBig, {{17}, {0}}, false},
      {NumBig, {{17}, {1, 6}}, true}, {NumberGroup, {{1, 33}, {0, 6}}, true}, {NumberGroup, {{1}, {7}}, false},
      {Front3Tails, {{1}, {4}}, false}, {Red(0, 1), {{10}}, false}, {BlueValue, {{17}}, false}};
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(Ind(std::get<0>(cases[i])).ValidValues(std::get<1>(cases[i])), std::get<2>(cases[i])) << i;
  EXPECT_EQ(Ind(Ac).CountCombos({{INT_MIN, 7, INT_MAX, 7}}, false), 224408);
}

TEST(FormulaProbability, OmissionIsPTimesOneMinusPToTheNAndNoTotalMeansNone) {
  const float p = 224408.0f / TotalCombos;
  EXPECT_FLOAT_EQ(Ind(Ac).GetOmissionProbability({{7}}, 0, false), p);
  EXPECT_FLOAT_EQ(Ind(Ac).GetOmissionProbability({{7}}, 5, false), static_cast<float>(p * std::pow(1.0 - p, 5)));
  EXPECT_EQ(Ind(Ac).GetOmissionProbability({Seq(0, 10)}, 3, false), 0.0f);
  // An indicator of no position has no domain.
  for (int32_t pos : {9, -1}) {
    auto none = CreateFormulate<TFormulateDw>("x", pos, "g");
    EXPECT_EQ(none->GetTotal(), 0);
    EXPECT_EQ(none->GetProbability({{1, 2}}, false), 0.0f);
    EXPECT_EQ(none->GetOmissionProbability({{1, 2}}, 5, false), 0.0f);
    EXPECT_FALSE(none->Match(Draw({1, 2, 3, 4, 5, 6, 7}), {{1}}, false));
  }
  auto div = CreateFormulate<TFormulateDwDiv>("x", 7, 3, "g");
  EXPECT_EQ(div->GetProbability({{0}}, false), 0.0f);
  EXPECT_FALSE(div->Match(Draw({3, 6, 9, 12, 15, 18, 3}), {{0}}, false));
  EXPECT_THROW(CreateFormulate<TFormulateDwDiv>("x", 0, 0, "g"), std::invalid_argument);
  EXPECT_THROW(CreateFormulate<TFormulateSumDiv>("x", -2, "g"), std::invalid_argument);
}
