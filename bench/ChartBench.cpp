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

// A normal chart the size of a trend window maximised on a wide screen,
// 2050 x 600, zoomed out once to 2-pixel bars: each candle takes its bar
// and the 2-pixel gap, so the 2,000 pixels between the margins (40 left,
// 10 right) hold 500 candles. One sub-window, the crosshair on over a
// candle, the owner's axis labels and hover text, and two user lines.
struct Scene {
  static constexpr int kWidth = 2050;
  static constexpr int kHeight = 600;
  static constexpr int kVisible = 500;
  static constexpr int kLines = 2;

  Walk walk;
  QWidget owner;
  std::unique_ptr<TStockChart> chart;
  int axisLabels = 0;  // asked of the owner by the paints so far
  Scene() {
    chart = std::make_unique<TStockChart>(&owner);
    chart->resize(kWidth, kHeight);
    TStockChartModel& m = chart->Model();
    m.SetWindowHeight(0, 120);
    m.SetWindowCount(1);
    chart->OnAxisLabel = [this](const TLottery* d, QString& text) {
      ++axisLabels;
      text = QString::number(d->DateNo);
    };
    chart->OnHint = [](const TRefInfo& info, const TCondition& c, QString& text) {
      text = QString::fromStdString(c.Caption) + QStringLiteral("  ") + QString::number(info.Draw->DateNo) +
             QStringLiteral("期  理论周期2.00");
    };
    TCondition cond;
    cond.Caption = "蓝球奇偶";
    cond.ValueText = "奇";
    chart->SetReferenceValue(2.0f);
    chart->SetData(cond, walk.candles, kCandles - 50);
    chart->ZoomOut();
    chart->SetIsDrawLine(true);
    for (int y : {100, 300}) {
      m.MouseDown(100, y);
      m.MouseMove(kWidth - 150, y + 150);
      m.MouseUp(kWidth - 150, y + 150);
    }
    chart->SetIsDrawLine(false);
    m.ToggleCrosshair();
    m.MouseMove(kWidth * 2 / 3, 250);
  }

  // What of the above the chart does not show (the first such thing), or
  // nullptr when it shows it all. Paints once.
  const char* Fault() {
    const TStockChartModel& m = chart->Model();
    if (m.Count() != kCandles) return "the chart does not hold 3,000 candles";
    if (m.VisibleCount() != kVisible) return "the scene does not show 500 candles";
    if (m.CandleLeft(m.FirstVisible()) < m.MainRect().Left) return "the visible candles do not fit the main window";
    if (m.WindowCount() != 1 || m.Window(0).Rect.Height() <= 0) return "the scene shows no sub-window";
    if (m.Lines().Count() != kLines) return "the scene does not hold two user lines";
    const platform::TRect& r = m.MainRect();
    if (!m.CrosshairVisible() || m.MouseX() <= r.Left || m.MouseX() >= r.Right || m.MouseY() <= r.Top ||
        m.MouseY() >= r.Bottom)
      return "the crosshair is not over the main window";
    const int labels = axisLabels;
    chart->RenderBack();
    if (axisLabels == labels) return "the paint draws no axis labels";
    if (chart->PaintedTitle().Text.isEmpty()) return "the paint draws no hover text";
    return nullptr;
  }
};

}  // namespace

static void BM_PaintBackBuffer(benchmark::State& state) {
  Scene s;
  if (const char* fault = s.Fault()) return state.SkipWithError(fault);
  for (auto _ : state) benchmark::DoNotOptimize(s.chart->RenderBack().ScanLine(0));
}
BENCHMARK(BM_PaintBackBuffer)->Unit(benchmark::kMillisecond);

// What following the mouse costs: the move, then the repaint, across the
// main window.
static void BM_MouseMoveAndPaint(benchmark::State& state) {
  Scene s;
  if (const char* fault = s.Fault()) return state.SkipWithError(fault);
  int x = 100;
  for (auto _ : state) {
    s.chart->Model().MouseMove(x, 250);
    x = x >= Scene::kWidth - 50 ? 100 : x + 7;
    benchmark::DoNotOptimize(s.chart->RenderBack().ScanLine(0));
  }
}
BENCHMARK(BM_MouseMoveAndPaint)->Unit(benchmark::kMillisecond);

// A whole repaint of the shown widget: the back bitmap, then its one blit.
static void BM_RepaintShown(benchmark::State& state) {
  Scene s;
  if (const char* fault = s.Fault()) return state.SkipWithError(fault);
  s.owner.resize(Scene::kWidth + 50, Scene::kHeight + 50);
  s.owner.show();
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
  if (!s.chart->isVisible()) return state.SkipWithError("the chart is not shown");
  for (auto _ : state) s.chart->repaint();
}
BENCHMARK(BM_RepaintShown)->Unit(benchmark::kMillisecond);

// The layout a scroll or zoom redoes, the indicators computed again.
static void BM_Recalculate(benchmark::State& state) {
  Scene s;
  if (const char* fault = s.Fault()) return state.SkipWithError(fault);
  for (auto _ : state) s.chart->Recalculate();
}
BENCHMARK(BM_Recalculate)->Unit(benchmark::kMicrosecond);
