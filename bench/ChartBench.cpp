// Cost of the candle chart's paint: 3,000 candles of a real walk with 500
// visible, painted into the back bitmap as each repaint does; and of the
// layout that scrolling and zooming redo.
#include "charts/StockChartCtl.h"

#include "support/History.h"

#include <QCoreApplication>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kCandles = 3000;

// The newest 3,000 draws of the real history, and the frequency walk of
// "blue number odd" over them (p = 1/2: +0.5 on a hit, -0.5 on a miss).
struct Walk {
  std::vector<TLottery> draws;
  TCandleAry candles;
  Walk() {
    std::vector<testsupport::CsvDraw> csv = testsupport::ReadHistoryCsv();
    csv.erase(csv.begin(), csv.end() - kCandles);
    float v = 0;
    for (const auto& d : csv) {
      TLottery l;
      l.DateNo = d.DateNo;
      l.Balls = d.Balls;
      draws.push_back(l);
    }
    for (const TLottery& l : draws) {
      const float open = v;
      v += l.Balls[6] % 2 == 1 ? 0.5f : -0.5f;
      candles.push_back({open, v, &l});
    }
  }
};

// A normal chart 1050 x 600 with 2-pixel bars, so that 500 candles fit,
// one sub-window, the crosshair on over a candle, the owner's labels and
// hover text, and two user lines.
struct Scene {
  Walk walk;
  QWidget owner;
  std::unique_ptr<TStockChart> chart;
  Scene() {
    chart = std::make_unique<TStockChart>(&owner);
    chart->resize(1050, 600);
    TStockChartModel& m = chart->Model();
    m.SetWindowHeight(0, 120);
    m.SetWindowCount(1);
    chart->OnAxisLabel = [](const TLottery* d, QString& text) { text = QString::number(d->DateNo); };
    chart->OnHint = [](const TRefInfo& info, const TCondition& c, QString& text) {
      text = QString::fromStdString(c.Caption) + QStringLiteral("  ") + QString::number(info.Draw->DateNo) +
             QStringLiteral("期  理论周期2.00");
    };
    TCondition cond;
    cond.Caption = "蓝球奇偶";
    cond.ValueText = "奇";
    chart->SetReferenceValue(2.0f);
    chart->SetData(cond, walk.candles, kCandles - 50);
    TStockChartModel::BarWidth = 2;
    chart->Recalculate();
    chart->SetIsDrawLine(true);
    for (int y : {100, 300}) {
      m.MouseDown(100, y);
      m.MouseMove(900, y + 150);
      m.MouseUp(900, y + 150);
    }
    chart->SetIsDrawLine(false);
    m.ToggleCrosshair();
    m.MouseMove(700, 250);
  }
};

}  // namespace

static void BM_PaintBackBuffer(benchmark::State& state) {
  Scene s;
  if (s.chart->Model().VisibleCount() != 500) state.SkipWithError("the scene does not show 500 candles");
  for (auto _ : state) benchmark::DoNotOptimize(s.chart->RenderBack().ScanLine(0));
}
BENCHMARK(BM_PaintBackBuffer)->Unit(benchmark::kMillisecond);

// What following the mouse costs: the move, then the repaint.
static void BM_MouseMoveAndPaint(benchmark::State& state) {
  Scene s;
  int x = 100;
  for (auto _ : state) {
    s.chart->Model().MouseMove(x, 250);
    x = x >= 1000 ? 100 : x + 7;
    benchmark::DoNotOptimize(s.chart->RenderBack().ScanLine(0));
  }
}
BENCHMARK(BM_MouseMoveAndPaint)->Unit(benchmark::kMillisecond);

// A whole repaint of the shown widget: the back bitmap, then its one blit.
static void BM_RepaintShown(benchmark::State& state) {
  Scene s;
  s.owner.resize(1100, 650);
  s.owner.show();
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
  if (!s.chart->isVisible()) state.SkipWithError("the chart is not shown");
  for (auto _ : state) s.chart->repaint();
}
BENCHMARK(BM_RepaintShown)->Unit(benchmark::kMillisecond);

// The layout a scroll or zoom redoes, the indicators computed again.
static void BM_Recalculate(benchmark::State& state) {
  Scene s;
  for (auto _ : state) s.chart->Recalculate();
}
BENCHMARK(BM_Recalculate)->Unit(benchmark::kMicrosecond);
