// Checks the indicators against all 1,107,568 red combinations.
//
// The combinations are enumerated once; this file's own plain code computes
// every measure of each one (independently of the engine's routines). From
// those it checks that each indicator's Match agrees with its definition on
// every combination, and that CountCombos of many random value sets (which
// reads every fixed table of counts) equals the number of combinations that
// match.
#include "engine/ZorvDef.h"
#include "engine/uFormulaDef.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>

namespace {

bool IsPrimeOrOne(int v) {
  if (v < 2) return v == 1;
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

// The draw all combinations are taken to follow; the blue ball of
// combination i is i mod 16 + 1.
constexpr std::array<int, 6> PrevReds{2, 9, 14, 20, 27, 33};
constexpr int PrevBlue = 9, PrevSpan = 31, PrevSum = 105;
int BlueOf(size_t combo) { return static_cast<int>(combo % 16) + 1; }

enum Measure {
  Ac, Span, Sum, DistinctTails, SharedTails, Link, OddRun, EvenRun, PrimeRun, CompRun, Repeat, Neighbor, Measures
};

struct TCombos {
  std::vector<std::array<uint8_t, 6>> balls;
  std::vector<uint64_t> mask;
  std::vector<std::array<uint8_t, Measures>> m;
};

int Runs(const std::array<uint8_t, 6>& r, auto linked) {
  int runs = 0;
  for (int i = 0; i < 5; ++i) runs += linked(r[i], r[i + 1]) && (i == 0 || !linked(r[i - 1], r[i]));
  return runs;
}

const TCombos& All() {
  static const TCombos all = [] {
    TCombos c;
    c.balls.reserve(TotalCombos);
    c.mask.reserve(TotalCombos);
    c.m.reserve(TotalCombos);
    const auto primeOrd = Ordinals(IsPrimeOrOne), compOrd = Ordinals(IsCompositeOrZero);
    std::array<bool, 35> inPrev{}, nextToPrev{};
    for (int p : PrevReds) inPrev[p] = nextToPrev[p - 1] = nextToPrev[p + 1] = true;
    std::array<uint8_t, 6> r{};
    for (r[0] = 1; r[0] <= 28; ++r[0])
      for (r[1] = r[0] + 1; r[1] <= 29; ++r[1])
        for (r[2] = r[1] + 1; r[2] <= 30; ++r[2])
          for (r[3] = r[2] + 1; r[3] <= 31; ++r[3])
            for (r[4] = r[3] + 1; r[4] <= 32; ++r[4])
              for (r[5] = r[4] + 1; r[5] <= 33; ++r[5]) {
                uint64_t m = 0, diffs = 0;
                int s = 0, tails[10] = {}, rep = 0, nb = 0, distinct = 0, shared = 0;
                for (int b : r) m |= uint64_t{1} << b, s += b, ++tails[b % 10], rep += inPrev[b], nb += nextToPrev[b];
                for (int i = 0; i < 6; ++i)
                  for (int j = i + 1; j < 6; ++j) diffs |= uint64_t{1} << (r[j] - r[i]);
                for (int t : tails) distinct += t > 0, shared += t > 1;
                auto u = [](int v) { return static_cast<uint8_t>(v); };
                c.balls.push_back(r);
                c.mask.push_back(m);
                c.m.push_back({u(std::popcount(diffs) - 5), u(r[5] - r[0]), u(s), u(distinct), u(shared),
                               u(Runs(r, [](int a, int b) { return b == a + 1; })),
                               u(Runs(r, [](int a, int b) { return a % 2 == 1 && b == a + 2; })),
                               u(Runs(r, [](int a, int b) { return a % 2 == 0 && b == a + 2; })),
                               u(Runs(r, [&](int a, int b) { return primeOrd[b] == primeOrd[a] + 1; })),
                               u(Runs(r, [&](int a, int b) { return compOrd[b] == compOrd[a] + 1; })), u(rep), u(nb)});
              }
    return c;
  }();
  return all;
}

}  // namespace

TEST(FormulaTables, OrdinalsFollowTheirDefinitions) {
  const auto primeOrd = Ordinals(IsPrimeOrOne), compOrd = Ordinals(IsCompositeOrZero);
  EXPECT_TRUE(std::equal(primeOrd.begin(), primeOrd.end(), PrimeOrdinals.begin()));
  EXPECT_TRUE(std::equal(compOrd.begin(), compOrd.end(), CompositeOrdinals.begin()));
}

namespace {

// What the measure of an indicator depends on, read once.
struct TKeyOf {
  TFormulaKind kind;
  int pos, divisor = 1;
  Measure run = OddRun;
  explicit TKeyOf(const TFormulate& f) : kind(f.Kind()), pos(f.Pos()) {
    if (auto* d = dynamic_cast<const TFormulateDwDiv*>(&f)) divisor = d->Divisor();
    if (auto* d = dynamic_cast<const TFormulateKDDiv*>(&f)) divisor = d->Divisor();
    if (auto* d = dynamic_cast<const TFormulateSumDiv*>(&f)) divisor = d->Divisor();
    if (auto* r = dynamic_cast<const TFormulateRedOELink*>(&f)) run = r->IsOdd() ? OddRun : EvenRun;
    if (auto* r = dynamic_cast<const TFormulateRedPCLink*>(&f)) run = r->IsPrime() ? PrimeRun : CompRun;
  }
};

// The measure of combination i that an indicator compares with its chosen
// values; -1 for the indicators that count balls in a chosen group.
int Key(const TKeyOf& k, size_t i) {
  using K = TFormulaKind;
  const auto& m = All().m[i];
  auto ball = [&] { return k.pos == 6 ? BlueOf(i) : All().balls[i][k.pos]; };  // positions 0..6
  auto change = [&] { return std::abs(ball() - (k.pos == 6 ? PrevBlue : PrevReds[k.pos])); };
  auto spanAmp = [&] { return std::abs(m[Span] - PrevSpan); };
  auto sumAmp = [&] { return std::abs(m[Sum] - PrevSum); };
  switch (k.kind) {
    case K::Dw: return ball();
    case K::DwDiv: return ball() % k.divisor;
    case K::DwZF: return change();
    case K::DwZFEnd: return change() % 10;
    case K::RedAc: return m[Ac];
    case K::RedEndCount: return m[DistinctTails];
    case K::RedEndGroup: return m[SharedTails];
    case K::RedLink: return m[Link];
    case K::RedNeighbor: return m[Neighbor];
    case K::RedRepeat: return m[Repeat];
    case K::RedOELink: case K::RedPCLink: return m[k.run];
    case K::RedKd: return m[Span];
    case K::RedKDEnd: return m[Span] % 10;
    case K::KDZF: return spanAmp();
    case K::KDZFEnd: return spanAmp() % 10;
    case K::KDDiv: return m[Span] % k.divisor;
    case K::RedSum: return m[Sum] <= 60 ? 0 : m[Sum] <= 170 ? (m[Sum] - 51) / 10 : 12;
    case K::RedSumEnd: return m[Sum] % 10;
    case K::SumZF: {
      const int a = sumAmp();
      return a <= 10 ? 0 : a <= 150 ? (a - 1) / 10 : a <= 162 ? 15 : -1;
    }
    case K::SumZFEnd: return sumAmp() % 10;
    case K::SumDiv: return m[Sum] % k.divisor;
    default: return -1;
  }
}

// Which values of one row of a value set lie in the indicator's domain.
std::array<bool, 64> ChosenInDomain(const TFormulate& f, const T2DIntAry& values, size_t row) {
  std::array<bool, 64> in{};
  if (row >= values.size() || row >= f.Values().size()) return in;
  for (int v : values[row])
    if (std::find(f.Values()[row].begin(), f.Values()[row].end(), v) != f.Values()[row].end()) in[v] = true;
  return in;
}

// The model of one indicator and value set: per combination a key (the
// measure, or the balls in the chosen group), and which keys match.
struct TModel {
  const TKeyOf key;
  const bool grouped;             // counts balls in a chosen group (two value rows)
  std::array<bool, 64> accept{};  // the keys that match
  uint64_t group = 0;             // grouped: the numbers whose balls count
  int first = 0, count = 6;       // grouped: the balls looked at (tail triples: three)

  TModel(const TFormulate& ind, const T2DIntAry& values, bool repeat) : key(ind), grouped(ind.RowKind() == 1) {
    accept = ChosenInDomain(ind, values, grouped ? 1 : 0);
    if (!grouped) return;
    if (ind.TailMode() && !repeat)  // at least the smallest chosen non-zero count
      for (int k = 2; k < 64; ++k) accept[k] = accept[k] || accept[k - 1];
    const auto chosen = ChosenInDomain(ind, values, 0);
    for (int v = 1; v <= 33; ++v)  // the tail indicators choose tail digits
      if (chosen[ind.TailMode() ? v % 10 : v]) group |= uint64_t{1} << v;
    if (ind.Kind() == TFormulaKind::Red02End || ind.Kind() == TFormulaKind::Red35End) {
      first = ind.Kind() == TFormulaKind::Red35End ? 3 : 0;
      count = 3;
    }
  }
  int Key(size_t i) const {
    if (!grouped) return ::Key(key, i);
    if (count == 6) return std::popcount(All().mask[i] & group);
    int n = 0;
    for (int b = first; b < first + count; ++b) n += (group >> All().balls[i][b]) & 1;
    return n;
  }
  bool Expect(size_t i) const {
    const int k = Key(i);
    return k >= 0 && accept[k];
  }
  // How many combinations have each key.
  std::vector<int64_t> Histogram() const {
    std::vector<int64_t> hist(64, 0);
    if (grouped && count == 6)
      for (uint64_t m : All().mask) ++hist[std::popcount(m & group)];
    else
      for (size_t i = 0; i < All().balls.size(); ++i) ++hist.at(size_t(Key(i)));
    return hist;
  }
};

// A random value set for an indicator: a random part of each domain row in
// random order (each value taken with a chance between `least` and `most`),
// now and then with values outside the domain and repeats.
T2DIntAry RandomValues(const TFormulate& f, std::mt19937& rng, double least = 0.0, double most = 1.0) {
  T2DIntAry values;
  for (const TIntAry& domain : f.Values()) {
    TIntAry r;
    const double p = std::uniform_real_distribution<double>(least, most)(rng);
    for (int v : domain)
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

}  // namespace

// Four threads call Match at once (indicators keep no state), each on a
// quarter of the combinations.
TEST(FormulaMatch, EveryIndicatorAgreesWithItsDefinitionOnEveryCombinationOnSeveralThreads) {
  TLottery prev;
  std::copy(PrevReds.begin(), PrevReds.end(), prev.Balls.begin());
  prev.Balls[6] = PrevBlue;
  ASSERT_EQ(RedSpan(prev) * 1000 + RedSumOf(prev), PrevSpan * 1000 + PrevSum);
  struct Check {
    const TFormulate* f;
    bool repeat;
    T2DIntAry values;
    TModel model;
  };
  std::vector<Check> checks;
  std::mt19937 rng(20250701);
  for (int32_t fi = 0; fi < FormulateList().Count(); ++fi) {
    const TFormulate* f = FormulateList().GetItem(fi);
    for (int pass = 0; pass < (f->TailMode() ? 2 : 1); ++pass) {  // tail mode: both readings of the counts
      T2DIntAry values = RandomValues(*f, rng, 0.25, 0.75);  // neither all nor nothing: Match must tell
      checks.push_back({f, pass == 0, values, TModel(*f, values, pass == 0)});
    }
  }
  constexpr size_t Threads = 4;
  std::vector<std::atomic<int64_t>> wrong(checks.size());
  std::vector<std::thread> threads;
  for (size_t t = 0; t < Threads; ++t)
    threads.emplace_back([&, t] {
      TLottery draw;
      draw.Prev = &prev;
      for (size_t k = 0; k < checks.size(); ++k) {
        const Check& c = checks[k];
        // A position's Match reads one ball: every 7th combination covers
        // every value of it many times over.
        const size_t step = c.f->Pos() >= 0 ? 7 : 1;
        int64_t n = 0;
        for (size_t i = t * step; i < All().balls.size(); i += step * Threads) {
          std::copy(All().balls[i].begin(), All().balls[i].end(), draw.Balls.begin());
          draw.Balls[6] = BlueOf(i);
          n += c.f->Match(draw, c.values, c.repeat) != c.model.Expect(i);
        }
        wrong[k] += n;
      }
    });
  for (auto& th : threads) th.join();
  for (size_t k = 0; k < checks.size(); ++k)
    EXPECT_EQ(wrong[k], 0) << checks[k].f->Group() << " " << checks[k].f->Name() << ", repeat " << checks[k].repeat;
}

// The count of a value set against the combinations that match it; for a
// position, against its own outcomes (its domain values and, for amplitudes,
// the changes from the bottom of the domain); for a tail triple, against the
// 1000 strings of three tail digits.
TEST(FormulaCounts, CountCombosEqualsTheMatchingOutcomesForRandomValueSets) {
  std::mt19937 rng(7);
  const TFormulateList& list = FormulateList();
  int checked = 0;
  for (int32_t fi = 0; fi < list.Count(); ++fi) {
    const TFormulate& f = *list.GetItem(fi);
    const TFormulaKind k = f.Kind();
    const bool triple = k == TFormulaKind::Red02End || k == TFormulaKind::Red35End, combos = CountsCombinations(f);
    int32_t low = 0, high = 999;
    if (!combos && !triple && !PositionDomain(f.Pos(), low, high)) continue;
    TLottery prev, draw;
    prev.Balls.fill(low);
    draw.Prev = (k == TFormulaKind::DwZF || k == TFormulaKind::DwZFEnd) ? &prev : nullptr;
    if (!combos) {
      ASSERT_EQ(f.GetTotal(), high - low + 1) << fi;
    }
    const bool grouped = f.RowKind() == 1;  // the key depends on the chosen group
    std::vector<int64_t> hist = grouped || !combos ? std::vector<int64_t>() : TModel(f, {}, true).Histogram();
    std::map<uint64_t, std::vector<int64_t>> groupHists;  // by group: the tail variants repeat theirs
    for (int s = 0; s < (!combos ? 200 : grouped ? 20 : 300); ++s, ++checked) {
      const bool repeat = rng() % 2 == 0;
      const T2DIntAry values = RandomValues(f, rng);
      int64_t expected = 0;
      if (combos) {
        const TModel model(f, values, repeat);
        if (grouped) {
          auto [it, added] = groupHists.try_emplace(model.group);
          if (added) it->second = model.Histogram();
          hist = it->second;
        }
        for (int v = 0; v < 64; ++v) expected += model.accept[v] ? hist[v] : 0;
        EXPECT_FLOAT_EQ(f.GetProbability(values, repeat), static_cast<float>(double(expected) / TotalCombos));
      } else {
        for (int32_t v = low; v <= high; ++v) {
          if (triple) {  // balls with the tail digits of v
            const int first = k == TFormulaKind::Red02End ? 0 : 3;
            draw.Balls = {};
            for (int b = 0; b < 3; ++b) draw.Balls[first + b] = 10 * (b + 1) + v / std::array{100, 10, 1}[b] % 10;
          } else {
            draw.Balls.fill(v);
          }
          expected += f.Match(draw, values, repeat);
        }
      }
      ASSERT_EQ(f.CountCombos(values, repeat), expected)
          << "indicator " << fi << " (" << f.Group() << " " << f.Name() << "), repeat " << repeat << ", set " << s;
    }
  }
  EXPECT_EQ(checked, 18 * 300 + 13 * 20 + 51 * 200);  // 18 value indicators, 13 group ones, 49 positions, 2 triples
}
