// The shrink window on the offscreen platform.
//   FilterToRows/<scheme>: from the click on "过滤" until the run has ended
//     and its rows are in the grid and painted, against the filter alone
//     (RunShrinkFilter without a window) in the same iteration. Counters:
//     window_ms, engine_ms, beyond_ms (the difference) and max_block_ms,
//     the longest single turn of the GUI thread's event loop while the
//     run went on (the longest the window did not respond),
//     max_block_cpu_ms, the processor time of the longest turn (what the
//     window itself spent, without other programs' share of a busy
//     machine), and turns_over_16ms, how many turns in all iterations took
//     longer than 16 ms.
//       Capped: nothing takes part, 5,001 rows at once.
//       SchemeB: 12 conditions and 8 tolerance conditions, 256 passes.
//   SaveScheme40 / LoadScheme40: a 40-condition scheme written to a file
//     (through a temporary file, flushed to disk; with argument 0 only
//     made into bytes) and read back.
#include "ShrinkSupport.h"

#include "app/uFormShrink.h"
#include "engine/uFormulaDef.h"
#include "support/History.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include <time.h>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The processor time the calling thread has used.
double ThreadCpuMs() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void UseScheme(const std::vector<TCdtData>& scheme) {
  if (DrawHistory.Empty()) DrawHistory = testsupport::LoadDrawHistory();
  CurrentIndex = DrawHistory.Count() - 1;  // as after the sign-in
  CdtList().Clear();
  for (const TCdtData& c : scheme) CdtList().Add(std::make_unique<TCdtData>(c));
}

void FilterToRows(benchmark::State& state, std::vector<TCdtData> scheme) {
  UseScheme(scheme);
  TFrmShrink window;
  window.show();
  QApplication::processEvents();
  bool done = false;
  window.OnFilterDone = [&] { done = true; };
  TShrinkOptions options;
  options.Reference = &DrawHistory.Newest();
  double windowMs = 0, engineMs = 0, maxBlockMs = 0, maxBlockCpuMs = 0, longTurns = 0;
  size_t rows = 0;
  for (auto _ : state) {
    const auto engineStart = Clock::now();
    const TShrinkResult alone = RunShrinkFilter(scheme, options);
    engineMs += Ms(Clock::now() - engineStart);

    done = false;
    const auto start = Clock::now();
    window.btnfilter->click();
    while (!done) {
      const auto turn = Clock::now();
      const double cpu = ThreadCpuMs();
      QApplication::processEvents();
      const double ms = Ms(Clock::now() - turn);
      maxBlockMs = std::max(maxBlockMs, ms);
      maxBlockCpuMs = std::max(maxBlockCpuMs, ThreadCpuMs() - cpu);
      longTurns += ms > 16;
    }
    QApplication::processEvents();  // the grid paints its new rows
    windowMs += Ms(Clock::now() - start);
    rows = window.Results().size();
    if (rows != alone.Rows.size()) state.SkipWithError("the window's rows differ from the filter's");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["window_ms"] = windowMs / n;
  state.counters["engine_ms"] = engineMs / n;
  state.counters["beyond_ms"] = (windowMs - engineMs) / n;
  state.counters["max_block_ms"] = maxBlockMs;
  state.counters["max_block_cpu_ms"] = maxBlockCpuMs;
  state.counters["turns_over_16ms"] = longTurns;
  CdtList().Clear();
}

std::vector<TCdtData> Capped() {
  std::vector<TCdtData> s{shrinktest::Cdt(FormulateList().GetItem(7), {1})};
  s[0].IsSave = false;
  return s;
}

BENCHMARK_CAPTURE(FilterToRows, Capped, Capped())->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(FilterToRows, SchemeB, shrinktest::SchemeB())->Unit(benchmark::kMillisecond)->UseRealTime();

// 40 conditions on the first red indicators, each with a few values (and
// counts) of its domain.
void Fill40(TCdtList& list) {
  const TFormulateList& formulas = FormulateList();
  for (int32_t i = 7; list.Count() < 40; ++i) {
    const TFormulate* f = formulas.GetItem(i);
    TIntAry values(f->Values()[0].begin(), f->Values()[0].begin() + std::min<size_t>(4, f->Values()[0].size()));
    TIntAry counts;
    if (f->RowKind() == 1) counts.assign(f->Values()[1].begin(), f->Values()[1].begin() + 2);
    list.Add(std::make_unique<TCdtData>(shrinktest::Cdt(f, values, counts, i % 3 == 0)));
  }
}

// Argument 1: to the file; 0: only the document and its bytes.
void SaveScheme40(benchmark::State& state) {
  TCdtList list;
  Fill40(list);
  testsupport::TempDir dir;
  for (auto _ : state) {
    platform::XmlDocument doc;
    SaveScheme(doc, list);
    if (state.range(0) == 0)
      benchmark::DoNotOptimize(doc.Serialize());
    else if (!doc.Save(dir.File("s.xml")))
      state.SkipWithError("cannot save");
  }
}
BENCHMARK(SaveScheme40)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

void LoadScheme40(benchmark::State& state) {
  TCdtList list;
  Fill40(list);
  testsupport::TempDir dir;
  platform::XmlDocument doc;
  SaveScheme(doc, list);
  doc.Save(dir.File("s.xml"));
  std::vector<TCdtData> loaded;
  for (auto _ : state)
    if (!LoadScheme(dir.File("s.xml"), loaded) || loaded.size() != 40) state.SkipWithError("cannot load");
}
BENCHMARK(LoadScheme40)->Unit(benchmark::kMicrosecond);

}  // namespace
