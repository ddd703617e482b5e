// The fast filter against the step-by-step reference over many random
// schemes: position, whole-combination and tolerance conditions, the blue
// option on and off. Same rows in the same order, same count; the end text
// says "取前" exactly when more than 5001 combinations pass.
#include "ShrinkReference.h"
#include "ShrinkSupport.h"

#include "app/uShrinkFilter.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace shrinktest;

namespace {

struct TRandomScheme {
  std::vector<TCdtData> Conditions;
  bool WithBlue = false;
};

// Indicators 0..48 are the ball positions (0..6 the blue), 49..87 the
// whole red set. Position conditions are kept narrow and whole ones varied,
// so that the reference's searches stay small or reach the cap soon.
TRandomScheme RandomScheme(std::mt19937& rng) {
  auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };
  auto upTo = [&](int n) { return std::uniform_int_distribution<int>(0, n)(rng); };
  const TFormulateList& list = FormulateList();
  TRandomScheme s;
  s.WithBlue = chance(0.3);
  int tolerance = 0;
  auto add = [&](const TFormulate* f, double density) {
    const bool save = !chance(0.1), repeat = chance(0.5), rc = tolerance < 4 && chance(0.25);
    TIntAry values = chance(0.03) ? TIntAry{} : RandomValues(rng, f->Values()[0], density, 1);
    TCdtData c = Cdt(f, std::move(values), f->RowKind() == 1 ? RandomValues(rng, f->Values()[1], 0.5) : TIntAry{}, rc,
                     repeat);
    c.IsSave = save;
    tolerance += c.IsSave && c.IsRC;
    s.Conditions.push_back(std::move(c));
  };
  const int positions = 1 + upTo(4);
  for (int i = 0; i < positions; ++i) {
    const int pos = chance(0.12) ? 0 : 1 + upTo(5);  // indicator block: 0 blue, 1..6 red
    const TFormulate* f = list.GetItem(pos * 7 + upTo(6));
    const double density = f->Kind() == TFormulaKind::Dw ? 0.15 : f->Kind() == TFormulaKind::DwZF ? 0.2 : 0.3;
    add(f, density);
  }
  const int wholes = upTo(4);
  for (int i = 0; i < wholes; ++i) add(list.GetItem(49 + upTo(38)), 0.2 + 0.6 * std::uniform_real_distribution<>()(rng));
  std::shuffle(s.Conditions.begin(), s.Conditions.end(), rng);
  return s;
}

std::string Describe(const TRandomScheme& s) {
  std::ostringstream text;
  text << (s.WithBlue ? "blue on;" : "blue off;");
  for (const TCdtData& c : s.Conditions) {
    text << " [" << c.Formula->Group() << " " << c.Formula->Name() << (c.IsSave ? "" : " excluded")
         << (c.IsRC ? " tolerance" : "") << (c.IsJC ? " repeat" : "") << ":";
    for (int32_t v : c.Values[0]) text << " " << v;
    text << " |";
    for (int32_t v : c.Values[1]) text << " " << v;
    text << "]";
  }
  return text.str();
}

// The reference examines every candidate one by one: schemes that would
// make it examine more than this many are drawn again (the large searches
// are compared by the kept-count tests and the benchmark).
constexpr int64_t CandidateBudget = 150000;

void CompareRandomSchemes(uint32_t seed, int schemes) {
  std::mt19937 rng(seed);
  TReferenceShrink reference;
  reference.SetBudget(CandidateBudget);
  int capped = 0, empty = 0, withTolerance = 0, compared = 0, oldRuleWrong = 0;
  for (int i = 0; compared < schemes; ++i) {
    ASSERT_LT(i, 2 * schemes) << "too many random schemes over the reference's budget";
    const TRandomScheme s = RandomScheme(rng);
    TShrinkOptions options;
    options.WithBlue = s.WithBlue;
    options.Reference = i % 8 == 7 ? nullptr : Newest();  // now and then an empty history
    options.Threads = 1 + i % 3;
    const TShrinkResult fast = RunShrinkFilter(s.Conditions, options);
    const TReferenceResult ref = reference.Filter(s.Conditions, s.WithBlue, options.Reference);
    SCOPED_TRACE("scheme " + std::to_string(i) + (options.Reference ? ": " : " (no reference draw): ") + Describe(s));
    if (ref.Message == "budget") continue;
    ++compared;
    ASSERT_TRUE(ref.Ran) << ref.Message;
    ASSERT_EQ(fast.Status, TShrinkStatus::Done);
    ASSERT_EQ(fast.Count, ref.Count);
    // The end text says whether more combinations pass than are listed.
    ASSERT_EQ(fast.Capped, ref.MorePass);
    ASSERT_EQ(fast.Text, EndText(ref.Count, ref.MorePass));
    ASSERT_EQ(fast.Rows.size(), ref.Lines.size());
    for (size_t r = 0; r < ref.Lines.size(); ++r) {
      ASSERT_EQ(fast.Rows[r].Text(), ref.Lines[r]) << "row " << r + 1;
      ASSERT_EQ(fast.Rows[r].No, static_cast<int32_t>(r + 1));
    }
    capped += fast.Capped;
    oldRuleWrong += fast.Capped != ref.Capped;
    empty += fast.Count == 0;
    for (const TCdtData& c : s.Conditions) withTolerance += c.IsSave && c.IsRC;
  }
  // The schemes must exercise the interesting cases, not only empty runs.
  EXPECT_GT(capped, schemes / 20);
  EXPECT_LT(empty, schemes / 2);
  EXPECT_GT(withTolerance, schemes / 4);
  // And cuts that the reference's first end-text rule gets wrong.
  EXPECT_GT(oldRuleWrong, schemes / 50);
}

}  // namespace

// Four shards so that ctest can run them side by side.
TEST(ShrinkEquivalence, RandomSchemesShard1) { CompareRandomSchemes(1, 260); }
TEST(ShrinkEquivalence, RandomSchemesShard2) { CompareRandomSchemes(2, 260); }
TEST(ShrinkEquivalence, RandomSchemesShard3) { CompareRandomSchemes(3, 260); }
TEST(ShrinkEquivalence, RandomSchemesShard4) { CompareRandomSchemes(4, 260); }
