// Cost of one indicator Match per candidate combination, for each indicator
// class, as the shrink filter pays it: the candidate's balls are written into
// one work draw whose previous draw is the newest real draw, then matched
// against a value set choosing about half of the domain.
#include "engine/uFormulaDef.h"

#include <benchmark/benchmark.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr size_t Batch = 1 << 16;

// Random red combinations (ascending) with a blue ball.
const std::vector<TBalls>& Candidates() {
  static const std::vector<TBalls> all = [] {
    std::mt19937 rng(42);
    std::vector<TBalls> v(Batch);
    for (auto& b : v) {
      std::set<int32_t> reds;
      while (reds.size() < 6) reds.insert(static_cast<int32_t>(rng() % 33) + 1);
      int i = 0;
      for (int32_t r : reds) b[i++] = r;
      b[6] = static_cast<int32_t>(rng() % 16) + 1;
    }
    return v;
  }();
  return all;
}

// Every other value of each domain row; counts 1 and 2 (2 and 3 for the
// number group, whose counts start at 0).
T2DIntAry HalfOfTheDomain(const TFormulate& f) {
  T2DIntAry values(1);
  for (size_t i = 0; i < f.Values()[0].size(); i += 2) values[0].push_back(f.Values()[0][i]);
  if (f.RowKind() == 1) values.push_back({f.Values()[1][1], f.Values()[1][2]});
  return values;
}

void MatchCost(benchmark::State& state, const TFormulate* f) {
  TLottery newest;
  newest.Balls = {3, 4, 12, 20, 32, 33, 13};
  TLottery work;
  work.Prev = &newest;
  const T2DIntAry values = f ? HalfOfTheDomain(*f) : T2DIntAry{};
  const auto& cands = Candidates();
  int64_t hits = 0;
  for (auto _ : state) {
    for (const TBalls& b : cands) {
      work.Balls = b;
      hits += f ? f->Match(work, values, false) : b[0] & 1;
    }
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Batch));
  // Seconds per combination (shown with an SI prefix: 10n is 10 ns).
  state.counters["per_combo"] = benchmark::Counter(static_cast<double>(state.iterations()) * Batch,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const char* ClassName(TFormulaKind k) {
  static const char* const names[] = {
      "TFormulateDw",          "TFormulateDwDiv",      "TFormulateDwZF",        "TFormulateDwZFEnd",
      "TFormulateRedAc",       "TFormulateRedHmz",     "TFormulateRed02End",    "TFormulateRed35End",
      "TFormulateRedBigSmall", "TFormulateRedPrimeCom", "TFormulateRedOddEven", "TFormulateRedEndCount",
      "TFormulateRedEndGroup", "TFormulateRedLink",    "TFormulateRedNeighbor", "TFormulateRedRepeat",
      "TFormulateRedOELink",   "TFormulateRedPCLink",  "TFormulateRedKd",       "TFormulateRedKDEnd",
      "TFormulateKDZF",        "TFormulateKDZFEnd",    "TFormulateKDDiv",       "TFormulateRedSum",
      "TFormulateRedSumEnd",   "TFormulateSumZF",      "TFormulateSumZFEnd",    "TFormulateSumDiv"};
  return names[static_cast<size_t>(k)];
}

// One benchmark per class (its first registered instance), after the cost
// of writing the candidate into the work draw alone.
const int registered = [] {
  benchmark::RegisterBenchmark("Match/baseline_copy_only", MatchCost, nullptr);
  std::set<TFormulaKind> seen;
  const TFormulateList& list = FormulateList();
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TFormulate* f = list.GetItem(i);
    if (seen.insert(f->Kind()).second)
      benchmark::RegisterBenchmark((std::string("Match/") + ClassName(f->Kind())).c_str(), MatchCost, f);
  }
  return 0;
}();

}  // namespace
