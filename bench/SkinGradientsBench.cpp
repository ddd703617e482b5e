// A skin section's gradient, PaintGrad (two stops: red to green over the
// first half, green to blue over the second), against QPainter filling
// the same rectangle with a QLinearGradient of the same stops in the same
// run: onto the very same pixels (a pf24bit bitmap is Format_BGR888, a
// pf32bit one Format_ARGB32), and onto Qt's own fastest target (RGB32).
// Mode 0 runs down the rows, mode 1 across the columns, on a 1280 x 800
// window. The counter "per_pixel" is the time per painted pixel.
#include "skinlib/manager/SkinGradients.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

constexpr int kWidth = 1280, kHeight = 800;

TsGradArray Stops(int mode) {
  TsGradArray stops;
  ParseGradient(QStringLiteral("255;65280;50;%1;0;65280;16711680;50;0;0").arg(mode), stops);
  return stops;
}

QLinearGradient QtGradient(int mode) {
  QLinearGradient g(0, 0, mode == 0 ? 0 : kWidth, mode == 0 ? kHeight : 0);
  g.setColorAt(0, QColor(255, 0, 0));
  g.setColorAt(0.5, QColor(0, 255, 0));
  g.setColorAt(1, QColor(0, 0, 255));
  return g;
}

void PerPixel(benchmark::State& state) {
  state.counters["per_pixel"] = benchmark::Counter(double(kWidth) * kHeight,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

TPixelFormat Format(benchmark::State& state) { return state.range(1) == 32 ? pf32bit : pf24bit; }

// Arguments: mode (0 down, 1 across), bits (24 or 32).
void BM_PaintGrad(benchmark::State& state) {
  Bitmap b(kWidth, kHeight, Format(state));
  const TsGradArray stops = Stops(int(state.range(0)));
  const TRect r = Rect(0, 0, kWidth, kHeight);
  for (auto _ : state) {
    PaintGrad(b, r, stops, 0, 0);
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
  PerPixel(state);
}

// QPainter onto the very same pixels.
void BM_QPainterLinearGradient(benchmark::State& state) {
  Bitmap b(kWidth, kHeight, Format(state));
  const QLinearGradient g = QtGradient(int(state.range(0)));
  for (auto _ : state) {
    QPainter p(b.PaintDevice());
    p.fillRect(QRect(0, 0, kWidth, kHeight), g);
    p.end();
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
  PerPixel(state);
}

// QPainter onto RGB32, where Qt paints fastest (the bits argument unused).
void BM_QPainterLinearGradientRgb32(benchmark::State& state) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  const QLinearGradient g = QtGradient(int(state.range(0)));
  for (auto _ : state) {
    QPainter p(&image);
    p.fillRect(QRect(0, 0, kWidth, kHeight), g);
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  PerPixel(state);
}

}  // namespace

// Real time: QPainter may split large fills across threads.
#define CASES \
  Args({0, 24})->Args({0, 32})->Args({1, 24})->Args({1, 32})->UseRealTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_PaintGrad)->CASES;
BENCHMARK(BM_QPainterLinearGradient)->CASES;
BENCHMARK(BM_QPainterLinearGradientRgb32)->Args({0, 32})->Args({1, 32})->UseRealTime()->Unit(benchmark::kMicrosecond);
