// The skin painting toolbox against its QPainter equivalents in the same
// run, in ns per painted pixel (counter "per_pixel"):
// - PaintMaskRect, a border mask (three 32 x 32 states, margins 6) sliced
//   over 64 x 24, 320 x 200 and 1280 x 800 with its sides and centre tiled
//   or stretched, into 24- and 32-bit bitmaps; and the same with a mask
//   part. Against qDrawBorderPixmap with the same margins and tile rules
//   onto the very same pixels (Format_BGR888 or Format_ARGB32), stretched
//   with smooth scaling as the mask's averaging stretch, and onto Qt's
//   fastest target (RGB32).
// - BlendRectByAlpha, a constant-alpha blend of 1280 x 800, against
//   QPainter drawing the image with that opacity.
// - PaintSectionBackground, a section with a vertical gradient (50 %), a
//   32 x 32 texture tiled under it (50 %) and Transparency 50 over a
//   parent bitmap, at 64 x 24, 320 x 200 and 1280 x 800 in 24 and 32 bits,
//   against QPainter tiling the texture, laying the gradient over it at
//   half opacity and the result over the parent at half opacity.
// - ApplyHueOffset on a 1024 x 1024 master bitmap (goal: under 40 ms),
//   of a skin-like picture (bands and gradients) and of noise (every pixel
//   a colour of its own), against QColor's HSV turn of each pixel.
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinGradients.h"
#include "skinlib/manager/SkinColorAdjust.h"
#include "skinlib/manager/sSkinManager.h"

#include <qdrawutil.h>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

using namespace platform;

namespace {

constexpr int kState = 32, kMargin = 6;
constexpr QSize kSizes[] = {{64, 24}, {320, 200}, {1280, 800}};

// Three states side by side, each a framed box with soft colours and
// key-colour corners; with a mask part below when asked.
QImage BorderPicture(bool withMask) {
  QImage image(kState * 3, kState * (withMask ? 2 : 1), QImage::Format_RGB32);
  for (int s = 0; s < 3; ++s)
    for (int y = 0; y < kState; ++y)
      for (int x = 0; x < kState; ++x) {
        const int edge = std::min({x, y, kState - 1 - x, kState - 1 - y});
        QRgb c = edge < 2 ? qRgb(40, 64, 110) : qRgb(200 + x, 210 + y / 2, 240 - 10 * s);
        if (edge == 0 && (x == y || x + y == kState - 1)) c = qRgb(255, 0, 255);
        image.setPixel(s * kState + x, y, c);
        if (withMask) {
          const int m = edge == 0 && (x == y || x + y == kState - 1) ? 255 : edge < 1 ? 64 : 0;
          image.setPixel(s * kState + x, kState + y, qRgb(m, m, m));
        }
      }
  return image;
}

// A manager whose master bitmap holds the picture, and the border mask.
struct BorderMask {
  std::unique_ptr<TsSkinManager> manager = std::make_unique<TsSkinManager>();
  TsMaskData mask;
  BorderMask(bool withMask, bool stretch) {
    manager->MasterBitmap = std::make_unique<Bitmap>(Bitmap::FromQImage(BorderPicture(withMask), pf24bit));
    mask.Manager = manager.get();
    mask.R = {0, 0, kState * 3, kState * (withMask ? 2 : 1)};
    mask.ImageCount = 3;
    mask.MaskType = withMask ? 1 : 0;
    mask.DrawMode = int16_t(4 | (stretch ? 1 : 0));
    mask.WL = mask.WT = mask.WR = mask.WB = kMargin;
  }
};

QSize SizeOf(const benchmark::State& state) { return kSizes[state.range(2)]; }

void PerPixel(benchmark::State& state, QSize size) {
  state.counters["per_pixel"] = benchmark::Counter(double(size.width()) * size.height(),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

TPixelFormat Format(const benchmark::State& state) { return state.range(1) == 32 ? pf32bit : pf24bit; }

// Arguments: stretch (0 tiled, 1 stretched), bits, size index.
void RunPaintMaskRect(benchmark::State& state, bool withMask) {
  const QSize size = SizeOf(state);
  BorderMask border(withMask, state.range(0) == 1);
  Bitmap b(size.width(), size.height(), Format(state));
  b.Fill(qRgb(128, 128, 128));
  const TRect r{0, 0, size.width(), size.height()};
  for (auto _ : state) {
    PaintMaskRect(b, r, true, EmptyCacheInfo, border.mask, 1, false);
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
  PerPixel(state, size);
}

void BM_PaintMaskRect(benchmark::State& state) { RunPaintMaskRect(state, false); }
void BM_PaintMaskRectWithMaskPart(benchmark::State& state) { RunPaintMaskRect(state, true); }

void DrawBorder(QPainter& p, const QSize& size, const QPixmap& state, bool stretch) {
  const QMargins m(kMargin, kMargin, kMargin, kMargin);
  const Qt::TileRule rule = stretch ? Qt::StretchTile : Qt::RepeatTile;
  p.setRenderHint(QPainter::SmoothPixmapTransform, stretch);
  qDrawBorderPixmap(&p, QRect(QPoint(), size), m, state, state.rect(), m, QTileRules(rule, rule));
}

// qDrawBorderPixmap onto the very same pixels.
void BM_QDrawBorderPixmap(benchmark::State& state) {
  const QSize size = SizeOf(state);
  const QPixmap picture = QPixmap::fromImage(BorderPicture(false).copy(kState, 0, kState, kState));
  Bitmap b(size.width(), size.height(), Format(state));
  for (auto _ : state) {
    QPainter p(b.PaintDevice());
    DrawBorder(p, size, picture, state.range(0) == 1);
    p.end();
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
  PerPixel(state, size);
}

// qDrawBorderPixmap onto RGB32, where Qt paints fastest (bits unused).
void BM_QDrawBorderPixmapRgb32(benchmark::State& state) {
  const QSize size = SizeOf(state);
  const QPixmap picture = QPixmap::fromImage(BorderPicture(false).copy(kState, 0, kState, kState));
  QImage image(size, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&image);
    DrawBorder(p, size, picture, state.range(0) == 1);
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  PerPixel(state, size);
}

// ---- constant alpha

constexpr QSize kBlendSize(1280, 800);

Bitmap Noise(QSize size, TPixelFormat format, unsigned seed) {
  Bitmap b(size.width(), size.height(), format);
  std::mt19937 random(seed);
  for (int y = 0; y < size.height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int i = 0; i < b.Stride(); ++i) row[i] = uint8_t(random());
  }
  return b;
}

// Argument: bits.
void BM_BlendRectByAlpha(benchmark::State& state) {
  const TPixelFormat f = state.range(0) == 32 ? pf32bit : pf24bit;
  const Bitmap src = Noise(kBlendSize, f, 1);
  Bitmap dst = Noise(kBlendSize, f, 2);
  for (auto _ : state) {
    BlendRectByAlpha(dst, src, 128, TPoint{0, 0}, TRect{0, 0, kBlendSize.width(), kBlendSize.height()});
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  PerPixel(state, kBlendSize);
}

// QPainter drawing the source at opacity 127/255 onto the same pixels.
void BM_QPainterOpacity(benchmark::State& state) {
  const TPixelFormat f = state.range(0) == 32 ? pf32bit : pf24bit;
  const Bitmap src = Noise(kBlendSize, f, 1);
  Bitmap dst = Noise(kBlendSize, f, 2);
  const QImage source = src.ConstImage();
  for (auto _ : state) {
    QPainter p(dst.PaintDevice());
    p.setOpacity(127 / 255.0);
    p.drawImage(0, 0, source);
    p.end();
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  PerPixel(state, kBlendSize);
}

// QPainter with opacity between RGB32 images (bits unused).
void BM_QPainterOpacityRgb32(benchmark::State& state) {
  const QImage source = Noise(kBlendSize, pf32bit, 1).ConstImage().convertToFormat(QImage::Format_RGB32);
  QImage dst = Noise(kBlendSize, pf32bit, 2).ConstImage().convertToFormat(QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&dst);
    p.setOpacity(127 / 255.0);
    p.drawImage(0, 0, source);
    p.end();
    benchmark::DoNotOptimize(dst.constBits());
  }
  PerPixel(state, kBlendSize);
}

// ---- a section

constexpr int kTexture = 32;

QImage TexturePicture() {
  QImage image(kTexture, kTexture, QImage::Format_RGB32);
  for (int y = 0; y < kTexture; ++y)
    for (int x = 0; x < kTexture; ++x) image.setPixel(x, y, qRgb(120 + 3 * x, 140 + 2 * y, 200 - x - y));
  return image;
}

// A manager holding one section "MIXED": gradient 50, texture 50,
// Transparency 50, and its "PATTERN" texture in the master bitmap.
struct MixedSection {
  std::unique_ptr<TsSkinManager> manager = std::make_unique<TsSkinManager>();
  MixedSection() {
    manager->SkinData = std::make_unique<TsSkinData>();
    manager->MasterBitmap = std::make_unique<Bitmap>(Bitmap::FromQImage(TexturePicture(), pf24bit));
    TsGeneralData s;
    s.SectionName = QStringLiteral("MIXED");
    s.Color = 0x406080;
    s.Transparency = 50;
    s.GradientPercent = 50;
    s.ImagePercent = 50;
    ParseGradient(QStringLiteral("16777215;8421504;100;0;0"), s.GradientArray);
    manager->GeneralData.push_back(std::move(s));
    TsMaskData m;
    m.ClassName = QStringLiteral("MIXED");
    m.PropertyName = QStringLiteral("PATTERN");
    m.R = {0, 0, kTexture, kTexture};
    m.ImgType = itisaTexture;
    m.Manager = manager.get();
    manager->MaskData.push_back(std::move(m));
  }
};

// Arguments: bits, size index (range 1 as the mask cases' range 2).
QSize SectionSize(const benchmark::State& state) { return kSizes[state.range(1)]; }
TPixelFormat SectionFormat(const benchmark::State& state) { return state.range(0) == 32 ? pf32bit : pf24bit; }

void BM_PaintSectionBackground(benchmark::State& state) {
  const QSize size = SectionSize(state);
  MixedSection section;
  const Bitmap parent = Noise(size, pf24bit, 4);
  const TsBgSource parentBg{&parent, 0, 0, KeyColor, true};
  Bitmap b(size.width(), size.height(), SectionFormat(state));
  const TRect r{0, 0, size.width(), size.height()};
  for (auto _ : state) {
    PaintSectionBackground(0, QStringLiteral("MIXED"), parentBg, KeyColor, -1, -1, section.manager.get(), b,
                           TPoint{0, 0}, r, 0);
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
  PerPixel(state, size);
}

// The same layers with QPainter onto the same pixels: the texture tiled,
// the gradient over it at half opacity into a work image, the parent
// drawn, the work image over it at half opacity.
void BM_QPainterSection(benchmark::State& state) {
  const QSize size = SectionSize(state);
  const QPixmap texture = QPixmap::fromImage(TexturePicture());
  const QImage parent = Noise(size, pf24bit, 4).ToQImage();
  Bitmap b(size.width(), size.height(), SectionFormat(state));
  QImage work(size, b.ConstImage().format());
  QLinearGradient gradient(0, 0, 0, size.height());
  gradient.setColorAt(0, QColor(255, 255, 255));
  gradient.setColorAt(1, QColor(128, 128, 128));
  for (auto _ : state) {
    QPainter w(&work);
    w.drawTiledPixmap(QRect(QPoint(), size), texture);
    w.setOpacity(0.5);
    w.fillRect(QRect(QPoint(), size), gradient);
    w.end();
    QPainter p(b.PaintDevice());
    p.drawImage(0, 0, parent);
    p.setOpacity(0.5);
    p.drawImage(0, 0, work);
    p.end();
    benchmark::DoNotOptimize(b.ScanLine(0));
  }
  PerPixel(state, size);
}

// ---- hue

constexpr int kMaster = 1024;

// Argument 0: a skin-like picture (bands of one colour, gradients, key
// colour and grey); 1: noise.
Bitmap MasterPicture(int kind) {
  if (kind == 1) return Noise(QSize(kMaster, kMaster), pf24bit, 3);
  QImage image(kMaster, kMaster, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  QPainter p(&image);
  for (int k = 0; k < 32; ++k) {
    const QRect band(0, k * 32, kMaster, 28);
    QLinearGradient g(band.topLeft(), band.bottomLeft());
    g.setColorAt(0, QColor::fromHsv(k * 11 % 360, 120, 240));
    g.setColorAt(1, QColor::fromHsv(k * 11 % 360, 200, 160));
    p.fillRect(band.adjusted(0, 0, -200, 0), g);
    p.fillRect(QRect(kMaster - 180, k * 32, 120, 28), QColor(128, 128, 128));
  }
  p.end();
  return Bitmap::FromQImage(image, pf24bit);
}

void BM_ApplyHueOffset(benchmark::State& state) {
  TsSkinManager manager;
  manager.SkinData = std::make_unique<TsSkinData>();
  const Bitmap original = MasterPicture(int(state.range(0)));
  manager.MasterBitmap = std::make_unique<Bitmap>(original);
  for (auto _ : state) {
    state.PauseTiming();
    *manager.MasterBitmap = original;
    state.ResumeTiming();
    ApplyHueOffset(manager, 120);
    benchmark::DoNotOptimize(manager.MasterBitmap->ScanLine(0));
  }
  PerPixel(state, QSize(kMaster, kMaster));
}

// QColor's HSV turn of every pixel that is neither key colour nor grey.
void BM_QColorHueTurn(benchmark::State& state) {
  const QImage original = MasterPicture(int(state.range(0))).ToQImage().convertToFormat(QImage::Format_RGB32);
  QImage image = original;
  for (auto _ : state) {
    state.PauseTiming();
    image = original.copy();
    state.ResumeTiming();
    for (int y = 0; y < kMaster; ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < kMaster; ++x) {
        const QRgb c = row[x];
        if ((c & 0xFFFFFF) == 0xFF00FF || (qRed(c) == qGreen(c) && qGreen(c) == qBlue(c))) continue;
        QColor q = QColor::fromRgb(c).toHsv();
        q.setHsv((q.hue() + 120) % 360, q.saturation(), q.value());
        row[x] = q.rgb();
      }
    }
    benchmark::DoNotOptimize(image.constBits());
  }
  PerPixel(state, QSize(kMaster, kMaster));
}

}  // namespace

// Real time: QPainter may split large fills across threads.
#define MASK_CASES                                                                                      \
  ArgsProduct({{0, 1}, {24, 32}, {0, 1, 2}})->ArgNames({"stretch", "bits", "size"})->UseRealTime()      \
      ->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_PaintMaskRect)->MASK_CASES;
BENCHMARK(BM_PaintMaskRectWithMaskPart)->MASK_CASES;
BENCHMARK(BM_QDrawBorderPixmap)->MASK_CASES;
BENCHMARK(BM_QDrawBorderPixmapRgb32)
    ->ArgsProduct({{0, 1}, {32}, {0, 1, 2}})
    ->ArgNames({"stretch", "bits", "size"})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendRectByAlpha)->Arg(24)->Arg(32)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QPainterOpacity)->Arg(24)->Arg(32)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QPainterOpacityRgb32)->Arg(32)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyHueOffset)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QColorHueTurn)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
#define SECTION_CASES                                                                                   \
  ArgsProduct({{24, 32}, {0, 1, 2}})->ArgNames({"bits", "size"})->UseRealTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_PaintSectionBackground)->SECTION_CASES;
BENCHMARK(BM_QPainterSection)->SECTION_CASES;
