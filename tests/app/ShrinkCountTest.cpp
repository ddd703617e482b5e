// The kept count (how many red combinations satisfy every condition of a
// scheme) against the reference, which matches every combination through
// the indicators themselves: every indicator, flags ignored, with and
// without a previous draw.
#include "ShrinkReference.h"
#include "ShrinkSupport.h"

#include "app/uShrinkFilter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

using namespace shrinktest;

namespace {

// A condition on the indicator with each domain value chosen with
// probability p (at least one) and random flags.
TCdtData RandomCondition(std::mt19937& rng, const TFormulate* f, double p) {
  std::bernoulli_distribution coin(0.5);
  TCdtData c = Cdt(f, RandomValues(rng, f->Values()[0], p, 1),
                   f->RowKind() == 1 ? RandomValues(rng, f->Values()[1], p, 1) : TIntAry{}, coin(rng), coin(rng));
  c.IsSave = coin(rng);
  return c;
}

void ExpectSameCount(const std::vector<TCdtData>& scheme, const TLottery* newest, const std::string& what) {
  TReferenceShrink reference;
  EXPECT_EQ(CountKeptCombinations(scheme, newest, 2), reference.KeptCount(scheme, newest)) << what;
}

// Every red indicator (7..87) alone, with sparse and with dense values.
void EachIndicatorAlone(uint32_t seed, int first, int last, const TLottery* newest) {
  std::mt19937 rng(seed);
  const TFormulateList& list = FormulateList();
  for (int i = first; i <= last; ++i) {
    const TFormulate* f = list.GetItem(i);
    for (double p : {0.2, 0.7})
      ExpectSameCount({RandomCondition(rng, f, p)}, newest, f->Group() + " " + f->Name() + " p=" + std::to_string(p));
  }
}

}  // namespace

TEST(ShrinkCount, EachPositionIndicatorAlone) { EachIndicatorAlone(11, 7, 48, Newest()); }
TEST(ShrinkCount, EachWholeIndicatorAlone) { EachIndicatorAlone(12, 49, 87, Newest()); }

// Without a previous draw: repeats and neighbours never match, amplitudes
// are the measures themselves.
TEST(ShrinkCount, WithoutAPreviousDraw) { EachIndicatorAlone(13, 49, 87, nullptr); }

// Mixed schemes of three to five conditions, where the pruning of one
// measure meets the others.
TEST(ShrinkCount, MixedSchemes) {
  std::mt19937 rng(14);
  const TFormulateList& list = FormulateList();
  for (int n = 0; n < 40; ++n) {
    std::vector<TCdtData> scheme;
    const int size = std::uniform_int_distribution<int>(3, 5)(rng);
    for (int i = 0; i < size; ++i)
      scheme.push_back(RandomCondition(rng, list.GetItem(std::uniform_int_distribution<int>(7, 87)(rng)),
                                       std::uniform_real_distribution<>(0.3, 0.9)(rng)));
    ExpectSameCount(scheme, Newest(), "mixed scheme " + std::to_string(n));
  }
}

TEST(ShrinkCount, EmptySchemeKeepsEverythingAndBlueConditionsAreLeftOut) {
  EXPECT_EQ(CountKeptCombinations({}, Newest()), TotalCombos);
  EXPECT_EQ(CountKeptCombinations({Cdt("蓝号系列", "蓝号", {1})}, Newest()), TotalCombos);
  // The first ball 1 and the second 2: C(31, 4) combinations.
  EXPECT_EQ(CountKeptCombinations({Cdt("红1号定位", "红球1号", {1}), Cdt("红2号定位", "红球2号", {2})}, Newest()), 31465);
}

// Searches from several threads at once: one has the worker threads, the
// others run alone, and every count comes out whole.
TEST(ShrinkCount, SearchesAtTheSameTimeEachCountInFull) {
  const std::vector<TCdtData> scheme = SchemeA();
  const int64_t want = CountKeptCombinations(scheme, Newest(), 1);
  std::atomic<int> wrong{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t)
    callers.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) wrong += CountKeptCombinations(scheme, Newest(), t % 2 ? 0 : 8) != want;
    });
  for (std::thread& c : callers) c.join();
  EXPECT_EQ(wrong, 0);
}
