// Indicator behaviour at its edges: domains, frequency tables, first draws,
// descriptions, narrowing of the candidate lists, and values that no domain
// holds.
#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const TFormulate& Ind(int32_t index) { return *FormulateList().GetItem(index); }

// Registration indices (row number - 1).
constexpr int BlueValue = 0, BlueTail = 1, BlueZF = 2, BlueZFEnd = 3, BlueDiv3 = 4;
constexpr int Red(int p, int offset) { return 7 + 7 * p + offset; }  // offset as for the blue rows
constexpr int Front3Tails = 49, Back3Tails = 50, TailBig = 51, TailSmall = 52, TailPrime = 53, TailOdd = 55;
constexpr int SpanValue = 58, SpanTail = 59, SpanZF = 60, SpanZFEnd = 61, SpanDiv3 = 62;
constexpr int SumValue = 65, SumTail = 66, SumZF = 67, SumZFEnd = 68, SumDiv3 = 69;
constexpr int Ac = 72, NumBig = 73, NumSmall = 74, NumPrime = 75, NumComposite = 76, NumOdd = 77, NumEven = 78;
constexpr int Link = 79, Neighbor = 81, Repeat = 82, OddRuns = 83, CompositeRuns = 86, NumberGroup = 87;

TLottery Draw(std::array<int32_t, 7> balls, const TLottery* prev = nullptr) {
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

TCdtData Cdt(int32_t index, TIntAry chosen) {
  TCdtData c;
  c.Formula = &Ind(index);
  c.Values = {std::move(chosen)};
  return c;
}

}  // namespace

TEST(PositionIndicators, DomainsAndFrequencyTables) {
  EXPECT_EQ(Ind(Red(0, 0)).Values()[0], Seq(1, 28));
  EXPECT_EQ(Ind(Red(5, 0)).Values()[0], Seq(6, 33));
  EXPECT_EQ(Ind(BlueValue).Values()[0], Seq(1, 16));
  EXPECT_EQ(Ind(Red(3, 2)).Values()[0], Seq(0, 27));
  EXPECT_EQ(Ind(BlueZF).Values()[0], Seq(0, 15));
  EXPECT_EQ(Ind(Red(0, 1)).Counts()[0], (TIntAry{2, 3, 3, 3, 3, 3, 3, 3, 3, 2}));
  EXPECT_EQ(Ind(BlueTail).Counts()[0], (TIntAry{1, 2, 2, 2, 2, 2, 2, 1, 1, 1}));
  EXPECT_EQ(Ind(Red(2, 3)).Counts()[0], (TIntAry{3, 3, 3, 3, 3, 3, 3, 3, 2, 2}));
  EXPECT_EQ(Ind(BlueZFEnd).Counts()[0], (TIntAry{2, 2, 2, 2, 2, 2, 1, 1, 1, 1}));
  EXPECT_EQ(Ind(Red(0, 1)).Total(), 28);
  EXPECT_EQ(Ind(BlueDiv3).Total(), 16);
  EXPECT_EQ(Ind(BlueValue).Total(), 0);
  EXPECT_EQ(Ind(BlueValue).GetTotal(), 16);
  EXPECT_EQ(Ind(Red(1, 2)).GetTotal(), 28);
  // Remainder by 3 of the blue ball: 5, 6, 5 of 1..16.
  EXPECT_FLOAT_EQ(Ind(BlueDiv3).GetProbability({{0, 2}}, false), 10.0f / 16.0f);
}

TEST(PositionIndicators, TheOldestDrawsAmplitudeIsTheBallItself) {
  const TLottery oldest = Draw({3, 9, 14, 20, 27, 33, 12});
  const TLottery next = Draw({1, 9, 17, 20, 30, 31, 4}, &oldest);
  EXPECT_TRUE(Ind(Red(0, 2)).Match(oldest, {{3}}, false));
  EXPECT_FALSE(Ind(Red(0, 2)).Match(oldest, {{0}}, false));
  EXPECT_TRUE(Ind(BlueZF).Match(oldest, {{12}}, false));
  EXPECT_TRUE(Ind(Red(0, 2)).Match(next, {{2}}, false));
  EXPECT_TRUE(Ind(BlueZF).Match(next, {{8}}, false));
  EXPECT_TRUE(Ind(BlueZFEnd).Match(next, {{8}}, false));
  EXPECT_TRUE(Ind(Red(4, 3)).Match(next, {{3}}, false));
  // The oldest draw's amplitude at red position 5 is 33, which lies outside
  // the amplitude domain 0..27: no chosen value matches it.
  EXPECT_FALSE(Ind(Red(5, 2)).Match(oldest, {{33}}, false));
}

TEST(PositionIndicators, AnIndicatorWithoutAPositionHasNoDomainAndNoProbability) {
  auto none = CreateFormulate<TFormulateDw>("x", 9, "g");
  EXPECT_EQ(none->GetTotal(), 0);
  EXPECT_EQ(none->GetProbability({{1, 2}}, false), 0.0f);
  EXPECT_EQ(none->GetOmissionProbability({{1, 2}}, 5, false), 0.0f);
  EXPECT_FALSE(none->Match(Draw({1, 2, 3, 4, 5, 6, 7}), {{1}}, false));
  auto div = CreateFormulate<TFormulateDwDiv>("x", -1, 3, "g");
  EXPECT_EQ(div->GetProbability({{0}}, false), 0.0f);
  EXPECT_FALSE(div->Match(Draw({3, 6, 9, 12, 15, 18, 3}), {{0}}, false));
  EXPECT_THROW(CreateFormulate<TFormulateDwDiv>("x", 0, 0, "g"), std::invalid_argument);
  EXPECT_THROW(CreateFormulate<TFormulateSumDiv>("x", -2, "g"), std::invalid_argument);
}

class Narrowing : public ::testing::Test {
 protected:
  void SetUp() override {
    // The newest draw: red 4, 9, 15, 21, 26, 30, blue 3.
    std::vector<TLottery> draws{Draw({1, 2, 3, 4, 5, 6, 7}), Draw({4, 9, 15, 21, 26, 30, 3})};
    DrawHistory = TDrawHistory(std::move(draws));
  }
  void TearDown() override { ClearDrawModel(); }
  TPositionLists lists;
};

TEST_F(Narrowing, AValueConditionIntersectsAFilledListOrFillsAnEmptyOne) {
  lists[2] = {7, 3, 5};
  Ind(Red(2, 0)).NarrowPositionList(lists, Cdt(Red(2, 0), {5, 9}));
  EXPECT_EQ(lists[2], (TIntAry{5}));
  Ind(Red(2, 0)).NarrowPositionList(lists, Cdt(Red(2, 0), {}));  // nothing chosen
  EXPECT_TRUE(lists[2].empty());
  // An empty list takes the chosen values in chosen order, once each and
  // only those of the position's domain.
  Ind(Red(0, 0)).NarrowPositionList(lists, Cdt(Red(0, 0), {12, 3, 40, 12, 29, 0, 28}));
  EXPECT_EQ(lists[0], (TIntAry{12, 3, 28}));
  // Other positions are left alone.
  EXPECT_TRUE(lists[1].empty());
}

TEST_F(Narrowing, ARemainderConditionAddsTheValuesOfThePositionWithThatRemainder) {
  lists[0] = {4};
  Ind(Red(0, 4)).NarrowPositionList(lists, Cdt(Red(0, 4), {0, 2}));  // 除以3余数
  EXPECT_EQ(lists[0], (TIntAry{4, 3, 6, 9, 12, 15, 18, 21, 24, 27, 2, 5, 8, 11, 14, 17, 20, 23, 26}));
  // Remainder 0 by 10 never adds 0; position 5 starts at 6.
  Ind(Red(5, 1)).NarrowPositionList(lists, Cdt(Red(5, 1), {0}));
  EXPECT_EQ(lists[5], (TIntAry{10, 20, 30}));
  EXPECT_EQ(Ind(BlueTail).PositionCandidates({0, 6}, nullptr), (TIntAry{10, 6, 16}));
}

TEST_F(Narrowing, AmplitudeConditionsAddValuesAroundTheNewestDraw) {
  // Position 2 of the newest draw is 15.
  Ind(Red(2, 2)).NarrowPositionList(lists, Cdt(Red(2, 2), {0, 3, 14}));
  EXPECT_EQ(lists[2], (TIntAry{15, 12, 18, 29}));  // 15 - 14 = 1 lies below 3..30
  // Amplitude tail 2 at position 0 (newest 4): amplitudes 2, 12, 22.
  Ind(Red(0, 3)).NarrowPositionList(lists, Cdt(Red(0, 3), {2}));
  EXPECT_EQ(lists[0], (TIntAry{2, 6, 16, 26}));
  // The blue list never leaves 1..16, whatever the class.
  for (int offset = 0; offset < 7; ++offset) {
    TPositionLists l;
    Ind(offset).NarrowPositionList(l, Cdt(offset, Seq(0, 15)));
    ASSERT_FALSE(l[6].empty()) << offset;
    for (int32_t v : l[6]) EXPECT_TRUE(v >= 1 && v <= 16) << offset << ": " << v;
  }
}

TEST_F(Narrowing, WithoutAHistoryAmplitudesAdmitNothing) {
  ClearDrawModel();
  lists[1] = {8};
  Ind(Red(1, 2)).NarrowPositionList(lists, Cdt(Red(1, 2), {0, 1, 2}));
  Ind(Red(1, 3)).NarrowPositionList(lists, Cdt(Red(1, 3), {0, 1, 2}));
  EXPECT_EQ(lists[1], (TIntAry{8}));
  EXPECT_TRUE(Ind(Red(1, 2)).PositionCandidates({0, 1}, nullptr).empty());
  // Whole-set indicators narrow nothing.
  Ind(Ac).NarrowPositionList(lists, Cdt(Ac, {1}));
  EXPECT_EQ(lists[1], (TIntAry{8}));
  EXPECT_TRUE(Ind(Ac).PositionCandidates({1}, nullptr).empty());
}

TEST(RedIndicators, AcRunsAndTheAcDescription) {
  const TLottery seq = Draw({1, 2, 3, 4, 5, 6, 1});
  const TLottery odd = Draw({1, 3, 5, 7, 9, 11, 1});
  std::string text = "old";
  EXPECT_TRUE(Ind(Ac).Match(seq, {{0}}, false, &text));
  EXPECT_EQ(text, "本期AC值:0");
  EXPECT_FALSE(Ind(Ac).Match(Draw({1, 2, 3, 4, 5, 33, 1}), {{0}}, false, &text));
  EXPECT_EQ(text, "本期AC值:4");
  EXPECT_TRUE(Ind(Link).Match(seq, {{1}}, false));
  EXPECT_TRUE(Ind(Link).Match(odd, {{0}}, false));
  EXPECT_TRUE(Ind(OddRuns).Match(odd, {{1}}, false));
  // 3 then 4 are not linked composites: 3 is no composite.
  EXPECT_TRUE(Ind(CompositeRuns).Match(Draw({3, 4, 11, 17, 23, 29, 1}), {{0}}, false));
  EXPECT_TRUE(Ind(CompositeRuns).Match(Draw({4, 6, 11, 17, 23, 29, 1}), {{1}}, false));
  EXPECT_EQ(Ind(Ac).CountCombos({Seq(0, 10)}, false), TotalCombos);
  EXPECT_FLOAT_EQ(Ind(Ac).GetProbability({Seq(0, 10)}, false), 1.0f);
}

TEST(RedIndicators, RepeatsAndNeighboursNeedAPreviousDraw) {
  const TLottery oldest = Draw({1, 2, 3, 4, 5, 6, 1});
  const TLottery next = Draw({2, 7, 8, 20, 21, 33, 1}, &oldest);
  for (int32_t k = 0; k <= 6; ++k) {
    EXPECT_FALSE(Ind(Repeat).Match(oldest, {{k}}, false));
    EXPECT_FALSE(Ind(Neighbor).Match(oldest, {{k}}, false));
  }
  EXPECT_TRUE(Ind(Repeat).Match(next, {{1}}, false));    // 2
  EXPECT_TRUE(Ind(Neighbor).Match(next, {{2}}, false));  // 2 (next to 1 and 3), 7 (next to 6)
  EXPECT_EQ(Ind(Repeat).CountCombos({Seq(0, 6)}, false), TotalCombos);
  EXPECT_EQ(Ind(Repeat).CountCombos({{0}}, false), 296010);
  EXPECT_EQ(Ind(Neighbor).CountCombos({{0, 1}}, false), 2);
  EXPECT_EQ(Ind(Neighbor).GetTotal(), 7);
}

TEST(RedIndicators, NumberGroupAndCategoryDomains) {
  const TLottery d = Draw({1, 5, 9, 13, 17, 21, 1});
  EXPECT_FALSE(Ind(NumberGroup).Match(d, {Seq(1, 33), Seq(0, 5)}, false));
  EXPECT_TRUE(Ind(NumberGroup).Match(d, {Seq(1, 33), {6}}, false));
  EXPECT_EQ(Ind(NumberGroup).CountCombos({Seq(1, 33), {6}}, false), TotalCombos);
  EXPECT_EQ(Ind(NumEven).Values()[0].front(), 2);
  EXPECT_EQ(Ind(NumEven).Values()[0].size(), 16u);
  EXPECT_EQ(Ind(NumOdd).Values()[0].size(), 17u);
  EXPECT_EQ(Ind(NumBig).Values()[0], Seq(17, 33));
  EXPECT_EQ(Ind(NumSmall).Values()[0], Seq(1, 16));
  EXPECT_EQ(Ind(NumPrime).Values()[0], (TIntAry{1, 2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31}));
  EXPECT_EQ(Ind(NumComposite).Values()[0].size(), 21u);
  EXPECT_EQ(Ind(TailBig).Values()[0], Seq(5, 9));
  EXPECT_EQ(Ind(TailSmall).Values()[0], Seq(0, 4));
  EXPECT_EQ(Ind(TailPrime).Values()[0], (TIntAry{1, 2, 3, 5, 7}));
  EXPECT_EQ(Ind(TailOdd).Values()[0], (TIntAry{1, 3, 5, 7, 9}));
  EXPECT_EQ(Ind(NumBig).Values()[1], Seq(1, 6));
}

TEST(RedIndicators, TailTriples) {
  const TFormulate& front = Ind(Front3Tails);
  EXPECT_EQ(front.GetTotal(), 1000);
  EXPECT_EQ(front.CountCombos({{0, 5}, {1}}, true), 384);
  EXPECT_EQ(front.CountCombos({{0, 5}, {1}}, false), 488);
  EXPECT_EQ(front.CountCombos({{0, 5}, {0}}, false), 512);      // none of the three
  EXPECT_EQ(front.CountCombos({{0, 5}, {0, 2}}, false), 512 + 104);
  EXPECT_EQ(front.CountCombos({{0, 5}, {}}, false), 0);
  const TLottery d = Draw({10, 15, 23, 25, 31, 32, 1});  // tails 0 5 3 | 5 1 2
  EXPECT_TRUE(front.Match(d, {{0, 5}, {2}}, true));
  EXPECT_TRUE(front.Match(d, {{0, 5}, {1}}, false));
  EXPECT_FALSE(front.Match(d, {{0, 5}, {1}}, true));
  EXPECT_FALSE(front.Match(d, {{0, 5}, {}}, false));
  EXPECT_TRUE(Ind(Back3Tails).Match(d, {{0, 5}, {1}}, true));
  EXPECT_TRUE(Ind(Back3Tails).Match(d, {{9}, {0}}, false));
}

TEST(SpanAndSum, SpanCountsAndTheMeasuresOfADraw) {
  EXPECT_EQ(Ind(SpanValue).CountCombos({{5}}, false), 28);
  EXPECT_EQ(Ind(SpanValue).CountCombos({{32}}, false), 31465);
  EXPECT_EQ(Ind(SpanValue).CountCombos({Seq(5, 32)}, false), TotalCombos);
  const TLottery d = Draw({1, 2, 3, 4, 5, 33, 1});
  EXPECT_EQ(RedSpan(d), 32);
  EXPECT_EQ(RedSumOf(d), 48);
  EXPECT_TRUE(Ind(SpanValue).Match(d, {{32}}, false));
  EXPECT_TRUE(Ind(SumValue).Match(d, {{0}}, false));
  EXPECT_TRUE(Ind(SpanTail).Match(d, {{2}}, false));
  EXPECT_TRUE(Ind(SumTail).Match(d, {{8}}, false));
  EXPECT_TRUE(Ind(SpanDiv3).Match(d, {{2}}, false));
  EXPECT_TRUE(Ind(SumDiv3).Match(d, {{0}}, false));
  EXPECT_EQ(Ind(SumValue).CountCombos({Seq(0, 12)}, false), TotalCombos);
  EXPECT_EQ(Ind(SumValue).CountCombos({{0}}, false), 28245);  // sums 21..60
  EXPECT_EQ(Ind(SumZF).CountCombos({Seq(0, 15)}, false), 163);
  EXPECT_EQ(Ind(SumZF).GetTotal(), 163);
  EXPECT_FLOAT_EQ(Ind(SumZF).GetProbability({Seq(0, 15)}, false), 1.0f);
  EXPECT_EQ(Ind(SpanZF).GetTotal(), 28);
  EXPECT_EQ(Ind(SpanZFEnd).GetTotal(), 10);
  EXPECT_EQ(Ind(SumZFEnd).CountCombos({{1, 2, 3}}, false), 3);
}

TEST(SpanAndSum, AmplitudesOfTheOldestDrawAndAboveEveryRange) {
  const TLottery oldest = Draw({28, 29, 30, 31, 32, 33, 1});  // span 5, sum 183
  EXPECT_EQ(SpanAmplitude(oldest), 5);
  EXPECT_EQ(SumAmplitude(oldest), 183);
  EXPECT_TRUE(Ind(SpanZF).Match(oldest, {{5}}, false));
  EXPECT_TRUE(Ind(SumZFEnd).Match(oldest, {{3}}, false));
  for (int32_t r = 0; r < 16; ++r) EXPECT_FALSE(Ind(SumZF).Match(oldest, {{r}}, false)) << r;
  const TLottery next = Draw({1, 2, 3, 4, 5, 6, 1}, &oldest);  // 183 - 21 = 162
  EXPECT_TRUE(Ind(SumZF).Match(next, {{15}}, false));
}

TEST(SpanAndSum, EveryMatchWritesItsDescriptionWhetherOrNotItMatches) {
  // Sums 100 then 117; spans 20 then 27.
  const TLottery prev = Draw({5, 10, 15, 20, 25, 25, 1});
  const TLottery d = Draw({3, 10, 20, 24, 30, 30, 1}, &prev);
  ASSERT_EQ(RedSumOf(prev), 100);
  ASSERT_EQ(RedSumOf(d), 117);
  const std::vector<std::pair<int, std::string>> expected{
      {SpanValue, "本期跨度27"},         {SpanTail, "本期跨度尾7"},      {SpanZF, "本期跨度27"},
      {SpanZFEnd, "本期跨度27 振幅7"},   {SpanDiv3, "本期跨度27"},       {SumValue, "本期和值117"},
      {SumTail, "本期和值尾7"},          {SumZF, "本期和值117"},         {SumZFEnd, "本期和值117  振幅17"},
      {SumDiv3, "本期和值117"}};
  for (auto& [index, text] : expected) {
    std::string out;
    Ind(index).Match(d, {{}}, false, &out);  // nothing chosen: no match
    EXPECT_EQ(out, text) << index;
  }
  EXPECT_TRUE(Ind(SumZFEnd).Match(d, {{7}}, false));
  // Indicators without a description leave the text alone.
  std::string out = "keep";
  EXPECT_TRUE(Ind(Red(0, 0)).Match(d, {{3}}, false, &out));
  EXPECT_TRUE(Ind(NumberGroup).Match(d, {{3, 10}, {2}}, false, &out));
  EXPECT_EQ(out, "keep");
}

TEST(Probability, OmissionProbabilityIsPTimesOneMinusPToTheN) {
  const float p = 224408.0f / TotalCombos;
  EXPECT_FLOAT_EQ(Ind(Ac).GetProbability({{7}}, false), p);
  EXPECT_FLOAT_EQ(Ind(Ac).GetOmissionProbability({{7}}, 0, false), p);
  EXPECT_FLOAT_EQ(Ind(Ac).GetOmissionProbability({{7}}, 5, false), static_cast<float>(p * std::pow(1.0 - p, 5)));
  EXPECT_EQ(Ind(Ac).GetOmissionProbability({Seq(0, 10)}, 3, false), 0.0f);
}

// The count of a number category is the number of combinations with k balls
// among the n chosen numbers: C(n, k) * C(33 - n, 6 - k), not C(33 - size of
// the category, 6 - k).
TEST(Mends, NumberCategoriesCountBallsAmongTheChosenNumbers) {
  EXPECT_EQ(Ind(NumBig).CountCombos({{17, 18}, {1}}, false), 2 * 169911);  // C(2,1) * C(31,5)
  EXPECT_EQ(Ind(NumBig).CountCombos({Seq(17, 33), Seq(1, 6)}, false), TotalCombos - 8008);  // all but 0 big
  EXPECT_EQ(Ind(NumPrime).CountCombos({{2, 3, 5}, {1, 2, 3}}, true), TotalCombos - 593775);  // C(30,6) have none
}

// "At least" reads the smallest chosen non-zero count in both Match and
// CountCombos, whatever the order of the chosen counts.
TEST(Mends, AtLeastCountsUseTheSmallestChosenNonZeroCount) {
  const TLottery d = Draw({10, 15, 23, 25, 31, 32, 1});  // front tails 0 5 3
  const TFormulate& front = Ind(Front3Tails);
  EXPECT_EQ(front.CountCombos({{3}, {2, 1}}, false), front.CountCombos({{3}, {1}}, false));
  EXPECT_TRUE(front.Match(d, {{3}, {2, 1}}, false));
  EXPECT_EQ(front.CountCombos({{3}, {2, 0}}, false), front.CountCombos({{3}, {0, 2}}, false));
  const TFormulate& big = Ind(TailBig);  // tails 5..9: 15 and 25
  EXPECT_EQ(big.CountCombos({Seq(5, 9), {3, 2}}, false), big.CountCombos({Seq(5, 9), {2}}, false));
  EXPECT_TRUE(big.Match(d, {Seq(5, 9), {3, 2}}, false));
  EXPECT_FALSE(big.Match(d, {Seq(5, 9), {3}}, false));
  EXPECT_EQ(big.CountCombos({Seq(5, 9), {}}, false), 0);
  EXPECT_FALSE(big.Match(d, {Seq(5, 9), {}}, false));
}

// Chosen values from a scheme file may lie outside the domain: they are
// ignored, never used as table indices, and ValidValues reports them.
TEST(Mends, ValuesOutsideTheDomainAreIgnoredAndReported) {
  const TLottery d = Draw({1, 5, 9, 13, 17, 21, 1});
  const std::vector<std::pair<int, T2DIntAry>> clean{
      {Ac, {{3, 4}}},           {SumValue, {{2, 3}}},     {SumZF, {{0}}},   {SpanValue, {{20}}},
      {NumberGroup, {{1, 5}, {2}}}, {NumBig, {{17, 20}, {1}}}, {TailBig, {{5}, {1}}}, {Front3Tails, {{1}, {2}}},
      {Red(0, 1), {{1}}},       {Red(0, 3), {{1}}},       {SpanDiv3, {{1}}}, {Link, {{1}}}};
  for (auto& [index, values] : clean) {
    const TFormulate& f = Ind(index);
    EXPECT_TRUE(f.ValidValues(values)) << index;
    T2DIntAry dirty = values;
    for (auto& row : dirty) row.insert(row.begin(), {-1, 64, 1000, -2147483647 - 1, 2147483647});
    EXPECT_FALSE(f.ValidValues(dirty)) << index;
    EXPECT_EQ(f.CountCombos(dirty, false), f.CountCombos(values, false)) << index;
    EXPECT_EQ(f.CountCombos(dirty, true), f.CountCombos(values, true)) << index;
    EXPECT_EQ(f.Match(d, dirty, false), f.Match(d, values, false)) << index;
  }
  EXPECT_FALSE(Ind(SumValue).ValidValues({{13}}));
  EXPECT_FALSE(Ind(NumEven).ValidValues({{0}}));
  EXPECT_FALSE(Ind(NumBig).ValidValues({{17}, {0}}));
  EXPECT_TRUE(Ind(Ac).ValidValues({{}}));
  EXPECT_TRUE(Ind(Ac).ValidValues({}));
  // Repeats count once.
  EXPECT_EQ(Ind(Ac).CountCombos({{7, 7, 7}}, false), 224408);
  EXPECT_EQ(Ind(BlueValue).CountCombos({{3, 3, 40}}, false), 1);
}

TEST(Mends, NoRowsOrImpossibleBallsNeverReachPastATable) {
  // A draw whose numbers no real draw has, and value sets without rows.
  const TLottery odd = Draw({-5, 0, 34, 40, 63, 200, -1});
  const TLottery prev = Draw({1, 2, 3, 4, 5, 6, 1});
  const TLottery oddAfter = Draw({-5, 0, 34, 40, 63, 200, 99}, &prev);
  const TFormulateList& list = FormulateList();
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TFormulate& f = *list.GetItem(i);
    std::string text;
    EXPECT_FALSE(f.Match(prev, {}, false, &text)) << i;
    EXPECT_EQ(f.CountCombos({}, true), 0) << i;
    EXPECT_EQ(f.GetProbability({}, false), 0.0f) << i;
    // Every value of the domain chosen: only measures that lie in the
    // domain can match.
    T2DIntAry all = f.Values();
    f.Match(odd, all, false, &text);
    f.Match(oddAfter, all, true, &text);
  }
  // The number group counts the balls of 1..33 only.
  EXPECT_TRUE(Ind(NumberGroup).Match(odd, {Seq(1, 33), {0}}, false));
  EXPECT_FALSE(Ind(Red(0, 0)).Match(odd, {Seq(1, 28)}, false));
  EXPECT_FALSE(Ind(BlueZF).Match(oddAfter, {Seq(0, 15)}, false));  // |99 - 1| = 98
  EXPECT_FALSE(Ind(SumValue).Match(odd, {Seq(0, 12)}, false));     // sum 332
}
