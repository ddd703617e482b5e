// Cost of the indicator side and of the omission chart over the real
// history: every indicator over all 3,320 candles (what each SetData and
// each change of kind or period redoes), the omission chart's layout, and
// its paint.
#include "charts/uChartIndicators.h"
#include "charts/uYLChart.h"

#include "support/History.h"

#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The draws of the history and two views of "blue number odd" over them:
// the frequency walk (p = 1/2) and the omission points (one per hit, then
// the next issue's placeholder).
struct History {
  std::vector<TLottery> draws;
  TLottery next;
  TCandleAry candles;
  TYLAry points;
  History() {
    for (const auto& d : testsupport::ReadHistoryCsv()) {
      TLottery l;
      l.DateNo = d.DateNo;
      l.Balls = d.Balls;
      l.NumText = MakeNumText(d.Balls);
      draws.push_back(l);
    }
    float v = 0;
    int32_t missed = 0;
    for (const TLottery& l : draws) {
      const bool hit = l.Balls[6] % 2 == 1;
      const float open = v;
      v += hit ? 0.5f : -0.5f;
      candles.push_back({open, v, &l});
      if (hit) {
        points.push_back({&l, missed});
        missed = 0;
      } else {
        ++missed;
      }
    }
    next.NumText = "？";
    next.Prev = &draws.back();
    points.push_back({&next, missed});
  }
};

const History& TheHistory() {
  static const History h;
  return h;
}

}  // namespace

static void BM_ComputeIndicators(benchmark::State& state) {
  const History& h = TheHistory();
  TIndicatorParams p;
  p.MaPeriods = {3, 6, 18, 30, 60, 120};
  for (auto _ : state) benchmark::DoNotOptimize(ComputeIndicators(h.candles, p, {true, true, true, true, true}));
  state.SetItemsProcessed(state.iterations() * int64_t(h.candles.size()));
}
BENCHMARK(BM_ComputeIndicators)->Unit(benchmark::kMicrosecond);

static void BM_OmissionLayout(benchmark::State& state) {
  const History& h = TheHistory();
  TYLChartModel m;
  m.SetSize(700, 400);
  m.SetData(TCondition{}, h.points, 60);
  for (auto _ : state) m.Recalculate();
  state.counters["points"] = double(h.points.size());
}
BENCHMARK(BM_OmissionLayout)->Unit(benchmark::kMicrosecond);

static void BM_OmissionPaint(benchmark::State& state) {
  const History& h = TheHistory();
  QWidget owner;
  auto chart = std::make_unique<TYLChart>(&owner);
  chart->resize(700, 400);
  chart->SetLevel(1.0f);
  chart->SetData(TCondition{}, h.points, 60);
  chart->Model().MouseMove(600, 100);
  for (auto _ : state) benchmark::DoNotOptimize(chart->RenderBack().ScanLine(0));
}
BENCHMARK(BM_OmissionPaint)->Unit(benchmark::kMillisecond);
