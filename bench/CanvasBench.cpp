// Cost of painting a chart-sized picture through the Canvas into a back
// bitmap and copying it once, as the chart controls do each paint.
#include "platform/Blit.h"
#include "platform/Canvas.h"


#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace platform;

// 3000 candles in a 1200 x 600 back bitmap: outlined rising candles,
// filled falling ones, wicks, a few axis labels, then one copy out.
static void BM_PaintCandles(benchmark::State& state) {
  const int count = int(state.range(0));
  Bitmap back(1200, 600);
  Bitmap screen(1200, 600);
  Canvas& c = back.GetCanvas();
  for (auto _ : state) {
    c.Brush.Color = clBlack;
    c.Brush.Style = bsSolid;
    c.FillRect(Rect(0, 0, 1200, 600));
    c.Pen.Color = clRed;
    c.MoveTo(40, 0);
    c.LineTo(40, 570);
    c.LineTo(1190, 570);
    for (int i = 0; i < count; ++i) {
      int x = 40 + (i * 1150) / count;
      int open = 100 + (i * 37) % 400, close = 100 + (i * 53) % 400;
      bool rising = close >= open;
      c.Pen.Color = rising ? clRed : clAqua;
      c.MoveTo(x + 1, std::min(open, close) - 10);
      c.LineTo(x + 1, std::max(open, close) + 10);
      if (!rising) {
        c.Brush.Color = clAqua;
        c.Brush.Style = bsSolid;
      }
      c.Rectangle(x, std::min(open, close), x + 3, std::max(open, close) + 1);
      c.Brush.Style = bsClear;
    }
    c.Font.Color = clRed;
    for (int k = 0; k < 20; ++k) c.TextOut(40 + k * 55, 580, QStringLiteral("2025%1").arg(k, 3, 10, QLatin1Char('0')));
    BitBlt(screen, 0, 0, 1200, 600, back, 0, 0);
    benchmark::DoNotOptimize(screen.ScanLine(0));
  }
}
BENCHMARK(BM_PaintCandles)->Arg(3000)->Unit(benchmark::kMillisecond);

static void BM_BitBltSameFormat(benchmark::State& state) {
  Bitmap a(1200, 600), b(1200, 600);
  for (auto _ : state) BitBlt(b, 0, 0, 1200, 600, a, 0, 0);
}
BENCHMARK(BM_BitBltSameFormat)->Unit(benchmark::kMicrosecond);

static void BM_TransparentBlt(benchmark::State& state) {
  Bitmap a(400, 300, pf24bit), b(400, 300, pf24bit);
  for (auto _ : state) TransparentBlt(b, 0, 0, 400, 300, a, 0, 0, 400, 300, clFuchsia);
}
BENCHMARK(BM_TransparentBlt)->Unit(benchmark::kMicrosecond);
