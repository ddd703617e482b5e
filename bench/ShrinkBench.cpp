// The shrink filter on these schemes, the first four also run through the
// step-by-step reference in the same program run; the fast runs report
// "x_ref", how many times faster than the reference they are.
//   A: 12 whole-combination conditions keeping 260 combinations, so every
//      one of the 1,107,568 red combinations is examined.
//   B: A plus 8 tolerance conditions (256 passes).
//   C: the kept count of A over all combinations.
//   D: A with the blue option (17,721,088 candidates).
//   T5, T10, T20: three of A's conditions and 5, 10 or 20 tolerance
//      conditions (32 to 1,048,576 passes in one search), cut at 5001 rows;
//      not run through the reference, whose passes would take hours.
//   C1, C5: kept counts of one condition that keeps everything
//      (every combination examined) and of five permissive ones: searches
//      of a few milliseconds, where the default's choice of threads is
//      closest.
// The fast runs take an argument: the number of threads, 1, then 0 (the
// default: chosen from the work), then 8.
// "Versus/<scheme>/<threads>" runs the scheme on one thread and on that
// many threads in turn, so that both meet the same load on the machine,
// and reports the median times ("one_ms", "ms") and "x_one", how many
// times faster the second is by them: the default
// (0) should never fall below 0.91 (1.1 times slower than one thread), the
// kept count (C) on 8 threads should reach 3 on an idle machine. With 1,
// one thread against itself, x_one shows how far the machine alone moves
// it. To see them under load, start 8 busy loops first:
//   for i in $(seq 8); do (while :; do :; done) & done
#include "ShrinkReference.h"
#include "ShrinkSupport.h"

#include "app/uShrinkFilter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

using namespace shrinktest;

namespace {

struct TCase {
  std::vector<TCdtData> Scheme;
  bool WithBlue = false;
  bool Count = false;
};

const std::map<std::string, TCase>& Cases() {
  static const std::map<std::string, TCase> cases = {
      {"A", {SchemeA(), false, false}},
      {"B", {SchemeB(), false, false}},
      {"C", {SchemeA(), false, true}},
      {"D", {SchemeA(), true, false}},
      {"T5", {SchemeT(5), false, false}},
      {"T10", {SchemeT(10), false, false}},
      {"T20", {SchemeT(20), false, false}},
      {"C1", {{Cdt("红球常规", "AC值", Range(0, 10))}, false, true}},
      {"C5",
       {{Cdt("和值系列", "红球和值", Range(1, 9)), Cdt("红球常规", "大号组选", Range(17, 33), {1, 2, 3, 4, 5}),
         Cdt("红球常规", "奇数组选", Range(1, 33, 2), {1, 2, 3, 4, 5}), Cdt("跨度系列", "红球跨度", Range(10, 32)),
         Cdt("尾数系列", "尾数个数", {3, 4, 5, 6})},
        false, true}},
  };
  return cases;
}

std::map<std::string, double> referenceSeconds;  // per case, from the reference runs

void Reference(benchmark::State& state, const std::string& name) {
  const TCase& c = Cases().at(name);
  TReferenceShrink reference;
  const TLottery* newest = Newest();
  int64_t result = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    result = c.Count ? reference.KeptCount(c.Scheme, newest) : reference.Filter(c.Scheme, c.WithBlue, newest).Count;
    benchmark::DoNotOptimize(result);
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  referenceSeconds[name] = spent.count() / static_cast<double>(state.iterations());
  state.counters["results"] = static_cast<double>(result);
}

void Fast(benchmark::State& state, const std::string& name) {
  const TCase& c = Cases().at(name);
  const int threads = static_cast<int>(state.range(0));
  TShrinkOptions options;
  options.WithBlue = c.WithBlue;
  options.Reference = Newest();
  options.Threads = threads;
  int64_t result = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    result = c.Count ? CountKeptCombinations(c.Scheme, options.Reference, threads)
                     : RunShrinkFilter(c.Scheme, options).Count;
    benchmark::DoNotOptimize(result);
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  state.counters["results"] = static_cast<double>(result);
  if (auto ref = referenceSeconds.find(name); ref != referenceSeconds.end())
    state.counters["x_ref"] = ref->second / (spent.count() / static_cast<double>(state.iterations()));
}

// One run of a case on the given number of threads; its seconds.
double TimedRun(const TCase& c, int threads) {
  TShrinkOptions options;
  options.WithBlue = c.WithBlue;
  options.Reference = Newest();
  options.Threads = threads;
  const auto start = std::chrono::steady_clock::now();
  const int64_t result = c.Count ? CountKeptCombinations(c.Scheme, options.Reference, threads)
                                 : RunShrinkFilter(c.Scheme, options).Count;
  benchmark::DoNotOptimize(result);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Versus(benchmark::State& state, const std::string& name) {
  const TCase& c = Cases().at(name);
  const int threads = static_cast<int>(state.range(0));
  std::vector<double> one, many;
  // Each goes first in every other pair, so that neither pays more often
  // for what came just before it.
  bool first = true;
  for (auto _ : state) {
    if (first) one.push_back(TimedRun(c, 1));
    many.push_back(TimedRun(c, threads));
    if (!first) one.push_back(TimedRun(c, 1));
    first = !first;
  }
  // Medians: a run the machine stopped for a while says nothing of either.
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  const double m1 = median(one), mn = median(many);
  state.counters["one_ms"] = m1 * 1e3;
  state.counters["ms"] = mn * 1e3;
  state.counters["x_one"] = m1 / mn;
}

// The references first: the fast runs read their times.
const bool registered = [] {
  for (const auto& [name, c] : Cases()) {
    if (name.size() > 1) continue;  // the tolerance schemes: hours
    benchmark::RegisterBenchmark(("Reference/" + name).c_str(), Reference, name)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime();
  }
  for (const auto& [name, c] : Cases())
    benchmark::RegisterBenchmark(("Fast/" + name).c_str(), Fast, name)
        ->Unit(benchmark::kMillisecond)
        ->Arg(1)
        ->Arg(0)
        ->Arg(8)
        ->UseRealTime();
  for (const auto& [name, c] : Cases())
    benchmark::RegisterBenchmark(("Versus/" + name).c_str(), Versus, name)
        ->Unit(benchmark::kMillisecond)
        ->Arg(0)
        ->Arg(1)
        ->Arg(8)
        ->MinTime(4.0)
        ->UseRealTime();
  return true;
}();

}  // namespace
