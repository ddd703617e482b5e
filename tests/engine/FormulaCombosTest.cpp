// Checks the indicators against all 1,107,568 red combinations.
//
// The combinations are enumerated once; this file's own plain code computes
// every measure of each one (independently of the engine's routines). From
// those it recomputes every fixed table, checks that each indicator's Match
// agrees with its definition on every combination, and that CountCombos of
// many random value sets equals the number of combinations that match.
#include "engine/ZorvDef.h"
#include "engine/uFormulaDef.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <thread>

namespace {

bool IsPrimeOrOne(int v) {
  if (v == 1) return true;
  if (v < 2) return false;
  for (int d = 2; d * d <= v; ++d)
    if (v % d == 0) return false;
  return true;
}
bool IsCompositeOrZero(int v) { return v == 0 || (v > 1 && !IsPrimeOrOne(v)); }

// Ordinals counted here from the definitions: the k-th prime (1 first) or
// composite (0 first) of 0..33 gets k, others -1.
std::array<int, 34> Ordinals(bool (*member)(int)) {
  std::array<int, 34> t{};
  int k = 0;
  for (int v = 0; v <= 33; ++v) t[v] = member(v) ? ++k : -1;
  return t;
}

// The draw all combinations are taken to follow.
constexpr std::array<int, 6> PrevReds{2, 9, 14, 20, 27, 33};
constexpr int PrevBlue = 9;
int BlueOf(size_t combo) { return static_cast<int>(combo % 16) + 1; }

struct TCombos {
  size_t n = 0;
  std::vector<std::array<uint8_t, 6>> balls;
  std::vector<uint64_t> mask;
  std::vector<uint8_t> ac, span, sum, distinctTails, sharedTails, link, oddRun, evenRun, primeRun, compRun,
      repeat, neighbor;
};

int Runs(const std::array<uint8_t, 6>& r, auto linked) {
  int runs = 0;
  for (int i = 0; i < 5; ++i)
    if (linked(r[i], r[i + 1]) && (i == 0 || !linked(r[i - 1], r[i]))) ++runs;
  return runs;
}

const TCombos& All() {
  static const TCombos all = [] {
    TCombos c;
    c.n = TotalCombos;
    for (auto* v : {&c.ac, &c.span, &c.sum, &c.distinctTails, &c.sharedTails, &c.link, &c.oddRun, &c.evenRun,
                    &c.primeRun, &c.compRun, &c.repeat, &c.neighbor})
      v->reserve(c.n);
    c.balls.reserve(c.n);
    c.mask.reserve(c.n);
    const auto primeOrd = Ordinals(IsPrimeOrOne), compOrd = Ordinals(IsCompositeOrZero);
    std::array<bool, 34> inPrev{}, nextToPrev{};
    for (int p : PrevReds) {
      inPrev[p] = true;
      nextToPrev[p - 1] = true;
      if (p < 33) nextToPrev[p + 1] = true;
    }
    std::array<uint8_t, 6> r{};
    for (r[0] = 1; r[0] <= 28; ++r[0])
      for (r[1] = r[0] + 1; r[1] <= 29; ++r[1])
        for (r[2] = r[1] + 1; r[2] <= 30; ++r[2])
          for (r[3] = r[2] + 1; r[3] <= 31; ++r[3])
            for (r[4] = r[3] + 1; r[4] <= 32; ++r[4])
              for (r[5] = r[4] + 1; r[5] <= 33; ++r[5]) {
                c.balls.push_back(r);
                uint64_t m = 0;
                int s = 0, tails[10] = {}, rep = 0, nb = 0;
                for (int b : r) {
                  m |= uint64_t{1} << b;
                  s += b;
                  ++tails[b % 10];
                  rep += inPrev[b];
                  nb += nextToPrev[b];
                }
                c.mask.push_back(m);
                bool diff[33] = {};
                int distinctDiffs = 0;
                for (int i = 0; i < 6; ++i)
                  for (int j = i + 1; j < 6; ++j)
                    if (!diff[r[j] - r[i]]) diff[r[j] - r[i]] = true, ++distinctDiffs;
                c.ac.push_back(distinctDiffs - 5);
                c.span.push_back(r[5] - r[0]);
                c.sum.push_back(s);
                int distinct = 0, shared = 0;
                for (int t : tails) distinct += t > 0, shared += t > 1;
                c.distinctTails.push_back(distinct);
                c.sharedTails.push_back(shared);
                c.link.push_back(Runs(r, [](int a, int b) { return b == a + 1; }));
                c.oddRun.push_back(Runs(r, [](int a, int b) { return a % 2 == 1 && b == a + 2; }));
                c.evenRun.push_back(Runs(r, [](int a, int b) { return a % 2 == 0 && b == a + 2; }));
                c.primeRun.push_back(Runs(r, [&](int a, int b) { return primeOrd[b] == primeOrd[a] + 1; }));
                c.compRun.push_back(Runs(r, [&](int a, int b) { return compOrd[b] == compOrd[a] + 1; }));
                c.repeat.push_back(rep);
                c.neighbor.push_back(nb);
              }
    return c;
  }();
  return all;
}

template <class V>
std::vector<int64_t> Histogram(const V& values, size_t size) {
  std::vector<int64_t> h(size, 0);
  for (auto v : values) ++h.at(v);
  return h;
}

template <size_t N>
std::vector<int64_t> Widen(const std::array<int32_t, N>& t, size_t lead = 0) {
  std::vector<int64_t> v(lead, 0);
  v.insert(v.end(), t.begin(), t.end());
  return v;
}

}  // namespace

TEST(FormulaTables, EveryFixedTableMatchesTheEnumerationOfAllCombinations) {
  const TCombos& c = All();
  ASSERT_EQ(c.balls.size(), static_cast<size_t>(TotalCombos));
  EXPECT_EQ(Histogram(c.ac, 11), Widen(AcCombos));
  EXPECT_EQ(Histogram(c.distinctTails, 7), Widen(TailCountCombos, MinTailCount));
  EXPECT_EQ(Histogram(c.sharedTails, 4), Widen(TailGroupCombos));
  EXPECT_EQ(Histogram(c.link, 4), Widen(LinkCombos));
  EXPECT_EQ(Histogram(c.oddRun, 4), Widen(OddRunCombos));
  EXPECT_EQ(Histogram(c.evenRun, 4), Widen(EvenRunCombos));
  EXPECT_EQ(Histogram(c.primeRun, 4), Widen(PrimeRunCombos));
  EXPECT_EQ(Histogram(c.compRun, 4), Widen(CompositeRunCombos));
  EXPECT_EQ(Histogram(c.sum, MaxRedSum + 1), Widen(SumCombos, MinRedSum));
  EXPECT_EQ(Histogram(c.span, MaxSpan + 1), Widen(SpanCombos, MinSpan));
  std::vector<int> spanTails;
  for (int s : c.span) spanTails.push_back(s % 10);
  EXPECT_EQ(Histogram(spanTails, 10), Widen(SpanTailCombos));

  std::array<int32_t, 10> tails{};
  for (int v = 1; v <= 33; ++v) ++tails[v % 10];
  EXPECT_EQ(tails, TailCounts);
  const auto primeOrd = Ordinals(IsPrimeOrOne), compOrd = Ordinals(IsCompositeOrZero);
  for (int v = 0; v <= 33; ++v) {
    EXPECT_EQ(PrimeOrdinals[v], primeOrd[v]) << v;
    EXPECT_EQ(CompositeOrdinals[v], compOrd[v]) << v;
  }
  // The ranges follow each other without a gap and cover every sum and
  // every sum amplitude.
  EXPECT_EQ(SumRanges.front().Low, MinRedSum);
  EXPECT_EQ(SumRanges.back().High, MaxRedSum);
  for (size_t i = 1; i < SumRanges.size(); ++i) EXPECT_EQ(SumRanges[i].Low, SumRanges[i - 1].High + 1);
  EXPECT_EQ(AmpRanges.front().Low, 0);
  EXPECT_EQ(AmpRanges.back().High, MaxRedSum - MinRedSum);
  for (size_t i = 1; i < AmpRanges.size(); ++i) EXPECT_EQ(AmpRanges[i].Low, AmpRanges[i - 1].High + 1);
}

namespace {

using TKeyFn = int (*)(const TCombos&, size_t);

// The measure of a combination that an indicator of a given kind compares
// with its chosen values, or none (nullptr) for the indicators that count
// balls in a chosen group.
TKeyFn ValueKey(const TFormulate& f) {
  switch (f.Kind()) {
    case TFormulaKind::RedAc: return [](const TCombos& c, size_t i) -> int { return c.ac[i]; };
    case TFormulaKind::RedEndCount: return [](const TCombos& c, size_t i) -> int { return c.distinctTails[i]; };
    case TFormulaKind::RedEndGroup: return [](const TCombos& c, size_t i) -> int { return c.sharedTails[i]; };
    case TFormulaKind::RedLink: return [](const TCombos& c, size_t i) -> int { return c.link[i]; };
    case TFormulaKind::RedNeighbor: return [](const TCombos& c, size_t i) -> int { return c.neighbor[i]; };
    case TFormulaKind::RedRepeat: return [](const TCombos& c, size_t i) -> int { return c.repeat[i]; };
    case TFormulaKind::RedOELink:
      if (static_cast<const TFormulateRedOELink&>(f).IsOdd())
        return [](const TCombos& c, size_t i) -> int { return c.oddRun[i]; };
      return [](const TCombos& c, size_t i) -> int { return c.evenRun[i]; };
    case TFormulaKind::RedPCLink:
      if (static_cast<const TFormulateRedPCLink&>(f).IsPrime())
        return [](const TCombos& c, size_t i) -> int { return c.primeRun[i]; };
      return [](const TCombos& c, size_t i) -> int { return c.compRun[i]; };
    case TFormulaKind::RedKd: return [](const TCombos& c, size_t i) -> int { return c.span[i]; };
    case TFormulaKind::RedKDEnd: return [](const TCombos& c, size_t i) -> int { return c.span[i] % 10; };
    case TFormulaKind::KDZF:
      return [](const TCombos& c, size_t i) -> int { return std::abs(c.span[i] - (PrevReds[5] - PrevReds[0])); };
    case TFormulaKind::KDZFEnd:
      return [](const TCombos& c, size_t i) -> int {
        return std::abs(c.span[i] - (PrevReds[5] - PrevReds[0])) % 10;
      };
    case TFormulaKind::RedSum:
      return [](const TCombos& c, size_t i) -> int { return c.sum[i] <= 60 ? 0 : c.sum[i] <= 170 ? (c.sum[i] - 51) / 10 : 12; };
    case TFormulaKind::RedSumEnd: return [](const TCombos& c, size_t i) -> int { return c.sum[i] % 10; };
    case TFormulaKind::SumZF:
      return [](const TCombos& c, size_t i) -> int {
        const int a = std::abs(c.sum[i] - 105);  // 105: the previous draw's sum
        return a <= 10 ? 0 : a <= 150 ? (a - 1) / 10 : a <= 162 ? 15 : -1;
      };
    case TFormulaKind::SumZFEnd: return [](const TCombos& c, size_t i) -> int { return std::abs(c.sum[i] - 105) % 10; };
    default: return nullptr;
  }
}

// Divisor-dependent and position-dependent measures take a parameter.
int ParamKey(const TFormulate& f, const TCombos& c, size_t i) {
  const int pos = f.Pos();
  const int ball = pos == 6 ? BlueOf(i) : pos >= 0 ? c.balls[i][pos] : 0;
  const int prevBall = pos == 6 ? PrevBlue : pos >= 0 ? PrevReds[pos] : 0;
  switch (f.Kind()) {
    case TFormulaKind::Dw: return ball;
    case TFormulaKind::DwDiv: return ball % static_cast<const TFormulateDwDiv&>(f).Divisor();
    case TFormulaKind::DwZF: return std::abs(ball - prevBall);
    case TFormulaKind::DwZFEnd: return std::abs(ball - prevBall) % 10;
    case TFormulaKind::KDDiv: return c.span[i] % static_cast<const TFormulateKDDiv&>(f).Divisor();
    case TFormulaKind::SumDiv: return c.sum[i] % static_cast<const TFormulateSumDiv&>(f).Divisor();
    default: return -1;
  }
}

bool IsParamKind(TFormulaKind k) {
  using K = TFormulaKind;
  return k == K::Dw || k == K::DwDiv || k == K::DwZF || k == K::DwZFEnd || k == K::KDDiv || k == K::SumDiv;
}

// Which rows' values are in the indicator's domain, as a bool table.
std::array<bool, 64> ChosenInDomain(const TFormulate& f, const T2DIntAry& values, size_t row) {
  std::array<bool, 64> in{};
  if (row >= values.size() || row >= f.Values().size()) return in;
  const auto& dom = f.Values()[row];
  for (int v : values[row])
    if (std::find(dom.begin(), dom.end(), v) != dom.end()) in[v] = true;
  return in;
}

// The counts c (of balls in the chosen group) a draw matches with: exact
// counts, or at-least counts for the indicators that read them so.
std::array<bool, 64> AcceptedCounts(const TFormulate& f, const T2DIntAry& values, bool repeat) {
  auto chosen = ChosenInDomain(f, values, 1);
  if (repeat || !f.TailMode()) return chosen;
  std::array<bool, 64> at{};
  at[0] = chosen[0];
  for (int c = 1; c < 64; ++c)
    for (int k = 1; k <= c; ++k) at[c] = at[c] || chosen[k];
  return at;
}

// The model of one indicator and value set: per combination a key, and
// which keys match.
struct TModel {
  enum TMode { Value, Param, Group, Triple };
  const TFormulate* f;
  TMode mode = Value;
  std::array<bool, 64> accept{};
  TKeyFn valueKey = nullptr;
  uint64_t groupMask = 0;  // group indicators: the numbers whose balls count
  int first = 0;           // tail triples: the first of their three balls

  TModel(const TFormulate& ind, const T2DIntAry& values, bool repeat) : f(&ind) {
    valueKey = ValueKey(ind);
    if (valueKey || IsParamKind(ind.Kind())) {
      mode = valueKey ? Value : Param;
      accept = ChosenInDomain(ind, values, 0);
      return;
    }
    accept = AcceptedCounts(ind, values, repeat);
    const auto chosen = ChosenInDomain(ind, values, 0);
    const bool triple = ind.Kind() == TFormulaKind::Red02End || ind.Kind() == TFormulaKind::Red35End;
    mode = triple ? Triple : Group;
    first = ind.Kind() == TFormulaKind::Red35End ? 3 : 0;
    const bool byTail = triple || (ind.Kind() != TFormulaKind::RedHmz &&
                                   static_cast<const TFormulateRedCategory&>(ind).IsTail());
    for (int v = 1; v <= 33; ++v)
      if (chosen[byTail ? v % 10 : v]) groupMask |= uint64_t{1} << v;
  }

  int Key(const TCombos& c, size_t i) const {
    switch (mode) {
      case Value: return valueKey(c, i);
      case Param: return ParamKey(*f, c, i);
      case Group: return std::popcount(c.mask[i] & groupMask);
      case Triple: break;
    }
    int n = 0;
    for (int b = first; b < first + 3; ++b) n += (groupMask >> c.balls[i][b]) & 1;
    return n;
  }
  bool Expect(const TCombos& c, size_t i) const {
    const int k = Key(c, i);
    return k >= 0 && k < 64 && accept[k];
  }
  // How many combinations have each key.
  void Histogram(const TCombos& c, std::vector<int64_t>& hist) const {
    std::fill(hist.begin(), hist.end(), 0);
    if (mode == Group)
      for (uint64_t m : c.mask) ++hist[std::popcount(m & groupMask)];
    else
      for (size_t i = 0; i < c.n; ++i) ++hist[Key(c, i)];
  }
};

// A random value set for an indicator: a random part of each domain row in
// random order, now and then with values outside the domain and repeats.
T2DIntAry RandomValues(const TFormulate& f, std::mt19937& rng) {
  T2DIntAry values;
  for (size_t row = 0; row < f.Values().size(); ++row) {
    TIntAry r;
    const double p = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    for (int v : f.Values()[row])
      if (std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p) r.push_back(v);
    if (rng() % 4 == 0 && !r.empty()) r.push_back(r[rng() % r.size()]);
    if (rng() % 4 == 0) r.push_back(std::array<int, 6>{-1, 34, 40, 63, 64, 1000}[rng() % 6]);
    std::shuffle(r.begin(), r.end(), rng);
    values.push_back(r);
  }
  return values;
}

// Indicators whose count is the exact number of matching red combinations.
bool CountsCombinations(const TFormulate& f) {
  using K = TFormulaKind;
  switch (f.Kind()) {
    case K::Dw: case K::DwDiv: case K::DwZF: case K::DwZFEnd:  // the position's own values
    case K::Red02End: case K::Red35End:                        // tail strings
    case K::RedNeighbor: case K::KDZF: case K::KDZFEnd:        // chosen values out of the domain
    case K::RedSumEnd: case K::SumZF: case K::SumZFEnd:
      return false;
    default: return true;
  }
}

TLottery PrevDraw() {
  TLottery d;
  for (int i = 0; i < 6; ++i) d.Balls[i] = PrevReds[i];
  d.Balls[6] = PrevBlue;
  return d;
}

}  // namespace

TEST(FormulaMatch, EveryIndicatorAgreesWithItsDefinitionOnEveryCombination) {
  const TCombos& c = All();
  const TLottery prev = PrevDraw();
  ASSERT_EQ(RedSumOf(prev), 105);
  TLottery draw;
  draw.Prev = &prev;
  std::mt19937 rng(20250701);
  const TFormulateList& list = FormulateList();
  for (int32_t fi = 0; fi < list.Count(); ++fi) {
    const TFormulate& f = *list.GetItem(fi);
    // Tail-mode indicators in both readings of the counts.
    for (int pass = 0; pass < (f.TailMode() ? 2 : 1); ++pass) {
      const bool repeat = pass == 0;
      const T2DIntAry values = RandomValues(f, rng);
      const TModel model(f, values, repeat);
      size_t wrong = 0, firstWrong = 0;
      int64_t hits = 0;
      // A position's Match reads one ball: every 7th combination covers
      // every value of it many times over.
      const size_t stride = f.Pos() >= 0 ? 7 : 1;
      for (size_t i = 0; i < c.n; i += stride) {
        for (int b = 0; b < 6; ++b) draw.Balls[b] = c.balls[i][b];
        draw.Balls[6] = BlueOf(i);
        const bool m = f.Match(draw, values, repeat);
        hits += m;
        if (m != model.Expect(c, i) && wrong++ == 0) firstWrong = i;
      }
      EXPECT_EQ(wrong, 0u) << "indicator " << fi << " (" << f.Group() << " " << f.Name() << "), repeat " << repeat
                           << ", first at combination " << firstWrong;
      if (stride == 1 && CountsCombinations(f)) {
        EXPECT_EQ(f.CountCombos(values, repeat), hits) << "indicator " << fi;
      }
    }
  }
}

TEST(FormulaCounts, CountCombosEqualsTheMatchingCombinationsForRandomValueSets) {
  const TCombos& c = All();
  std::mt19937 rng(7);
  const TFormulateList& list = FormulateList();
  int checked = 0;
  for (int32_t fi = 0; fi < list.Count(); ++fi) {
    const TFormulate& f = *list.GetItem(fi);
    if (!CountsCombinations(f)) continue;
    const bool byGroup = f.RowKind() == 1;  // the key depends on the chosen group
    std::vector<int64_t> hist(64, 0);
    if (!byGroup) TModel(f, {}, true).Histogram(c, hist);
    std::map<uint64_t, std::vector<int64_t>> groupHists;  // by group: the tail variants repeat theirs
    const int sets = byGroup ? 20 : 300;
    for (int s = 0; s < sets; ++s) {
      const bool repeat = rng() % 2 == 0;
      const T2DIntAry values = RandomValues(f, rng);
      const TModel model(f, values, repeat);
      if (byGroup) {
        auto [it, added] = groupHists.try_emplace(model.groupMask, 64, 0);
        if (added) model.Histogram(c, it->second);
        hist = it->second;
      }
      int64_t expected = 0;
      for (int k = 0; k < 64; ++k) expected += model.accept[k] ? hist[k] : 0;
      ASSERT_EQ(f.CountCombos(values, repeat), expected)
          << "indicator " << fi << " (" << f.Group() << " " << f.Name() << "), repeat " << repeat << ", set " << s;
      EXPECT_FLOAT_EQ(f.GetProbability(values, repeat), static_cast<float>(double(expected) / TotalCombos));
      ++checked;
    }
  }
  EXPECT_EQ(checked, 18 * 300 + 13 * 20);  // 18 value indicators, 13 group ones
}

TEST(FormulaCounts, PositionAndTailTripleCountsAreExactOverTheirOwnOutcomes) {
  // A position's outcomes are its domain values (and, for amplitudes, the
  // changes from the bottom of the domain); a tail triple's are the 1000
  // strings of three tail digits.
  std::mt19937 rng(11);
  const TFormulateList& list = FormulateList();
  for (int32_t fi = 0; fi < list.Count(); ++fi) {
    const TFormulate& f = *list.GetItem(fi);
    const TFormulaKind k = f.Kind();
    const bool position = f.Pos() >= 0, triple = k == TFormulaKind::Red02End || k == TFormulaKind::Red35End;
    if (!position && !triple) continue;
    for (int s = 0; s < 200; ++s) {
      const bool repeat = rng() % 2 == 0;
      const T2DIntAry values = RandomValues(f, rng);
      int32_t hits = 0, outcomes = 0;
      TLottery prev, draw;
      if (position) {
        int32_t low, high;
        ASSERT_TRUE(PositionDomain(f.Pos(), low, high));
        prev.Balls.fill(low);
        draw.Prev = (k == TFormulaKind::DwZF || k == TFormulaKind::DwZFEnd) ? &prev : nullptr;
        for (int32_t v = low; v <= high; ++v, ++outcomes) {
          draw.Balls.fill(v);
          hits += f.Match(draw, values, repeat);
        }
      } else {
        const int first = k == TFormulaKind::Red02End ? 0 : 3;
        for (int t = 0; t < 1000; ++t, ++outcomes) {
          draw.Balls.fill(0);
          draw.Balls[first] = 10 + t / 100;  // any ball with that tail digit
          draw.Balls[first + 1] = 20 + t / 10 % 10;
          draw.Balls[first + 2] = 30 + t % 10;
          hits += f.Match(draw, values, repeat);
        }
      }
      ASSERT_EQ(f.GetTotal(), outcomes) << fi;
      ASSERT_EQ(f.CountCombos(values, repeat), hits) << "indicator " << fi << " set " << s << " repeat " << repeat;
    }
  }
}

TEST(FormulaMatch, IsSafeToCallFromSeveralThreadsAtOnce) {
  const TCombos& c = All();
  const TFormulateList& list = FormulateList();
  // AC, number group, shared tails, sum ranges: every value of each.
  const std::vector<std::pair<const TFormulate*, T2DIntAry>> conds{
      {list.GetItem(72), {{4, 7}}},
      {list.GetItem(87), {{1, 5, 9, 13, 17, 21, 25, 29, 33}, {2}}},
      {list.GetItem(80), {{1}}},
      {list.GetItem(65), {{5, 6}}}};
  std::vector<int64_t> counts(4 * conds.size(), 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      TLottery draw;
      for (size_t i = 0; i < c.n; ++i) {
        for (int b = 0; b < 6; ++b) draw.Balls[b] = c.balls[i][b];
        for (size_t k = 0; k < conds.size(); ++k)
          counts[t * conds.size() + k] += conds[k].first->Match(draw, conds[k].second, true);
      }
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t)
    for (size_t k = 0; k < conds.size(); ++k)
      EXPECT_EQ(counts[t * conds.size() + k], conds[k].first->CountCombos(conds[k].second, true)) << t << " " << k;
}
