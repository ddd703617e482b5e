// The skin library's alpha compositing, PaintAlphaImageRect (a 32-bit
// picture with straight alpha over a 24-bit bitmap, per channel
// ((S - D) * a + D * 256) >> 8), against QPainter's SourceOver drawing the
// same picture in the same run: onto the same 24-bit pixels, and onto
// Qt's own fastest target (RGB32) with the picture straight and
// premultiplied. Sizes: a 256 x 256 glyph sheet and a 1280 x 800 window.
// The counter "per_pixel" is the time per composited pixel.
#include "skinlib/manager/acPNG.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

// A picture whose alpha runs through every value, over a coloured bitmap.
Bitmap Picture(int w, int h) {
  Bitmap b(w, h, pf32bit);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 4) {
      p[0] = uint8_t(x * 7 + y);
      p[1] = uint8_t(x + y * 3);
      p[2] = uint8_t(x ^ y);
      p[3] = uint8_t((x + 2 * y) & 0xFF);
    }
  }
  return b;
}

Bitmap Background(int w, int h) {
  Bitmap b(w, h, pf24bit);
  b.Fill(qRgb(40, 90, 160));
  return b;
}

void PerPixel(benchmark::State& state, int w, int h) {
  state.counters["per_pixel"] =
      benchmark::Counter(double(w) * h, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PaintAlphaImageRect(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  Bitmap src = Picture(w, h), dst = Background(w, h);
  const TRect r = Rect(0, 0, w, h);
  for (auto _ : state) {
    PaintAlphaImageRect(r, r, dst, false, 0, NoTintColor, false, EmptyCacheInfo, &src);
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  PerPixel(state, w, h);
}

// QPainter onto the very same 24-bit pixels.
void BM_QPainterSourceOverBgr24(benchmark::State& state) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const Bitmap src = Picture(w, h);
  Bitmap dst = Background(w, h);
  const QImage image = src.ConstImage();  // straight ARGB32
  for (auto _ : state) {
    QPainter p(dst.PaintDevice());
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(0, 0, image);
    p.end();
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  PerPixel(state, w, h);
}

// QPainter onto RGB32, the picture straight (converted by Qt on each draw)
// or premultiplied beforehand.
void QtOntoRgb32(benchmark::State& state, QImage::Format format) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const QImage image = Picture(w, h).ConstImage().convertToFormat(format);
  QImage dst(w, h, QImage::Format_RGB32);
  dst.fill(qRgb(40, 90, 160));
  for (auto _ : state) {
    QPainter p(&dst);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(0, 0, image);
    p.end();
    benchmark::DoNotOptimize(dst.constBits());
  }
  PerPixel(state, w, h);
}
void BM_QPainterSourceOverRgb32Straight(benchmark::State& s) { QtOntoRgb32(s, QImage::Format_ARGB32); }
void BM_QPainterSourceOverRgb32Premultiplied(benchmark::State& s) {
  QtOntoRgb32(s, QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

// Real time: QPainter converts large pictures on several threads.
#define SIZES Args({256, 256})->Args({1280, 800})->UseRealTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_PaintAlphaImageRect)->SIZES;
BENCHMARK(BM_QPainterSourceOverBgr24)->SIZES;
BENCHMARK(BM_QPainterSourceOverRgb32Straight)->SIZES;
BENCHMARK(BM_QPainterSourceOverRgb32Premultiplied)->SIZES;
