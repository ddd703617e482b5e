// Captions in a skin section's colours against plain QPainter text in the
// same run: 100 captions of 8 to 20 characters ("DejaVu Sans" 12 pixels)
// written into a 24-bit bitmap of 400 x 1600, each into its own row.
// - DrawSectionText with four contours (five DrawText calls a caption,
//   the caption skin's "CAPTION"), and with none ("PLAINCAPTION");
// - QPainter::drawText of each caption into its rectangle, once, on the
//   very same pixels.
// Goal: the four contours at most 6 times the plain text.
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "skinlib/manager/TextPainting.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <vector>

using namespace platform;

namespace {

constexpr int kCaptions = 100, kRow = 16, kWidth = 400;

struct Scene {
  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  std::vector<QString> captions;
  Bitmap bitmap{kWidth, kCaptions * kRow, pf24bit};

  Scene() {
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::CaptionSkin(), root + QStringLiteral("/Captions")))
      throw std::runtime_error("cannot write the skin");
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Captions"));
    if (!manager->SkinData || !manager->SkinData->Active) throw std::runtime_error("no skin");
    for (int i = 0; i < kCaptions; ++i)
      captions.push_back(QStringLiteral("Caption %1 ").arg(i) + QString(i % 13, QLatin1Char('x')));
    bitmap.Fill(qRgb(240, 240, 240));
  }
  TRect Row(int i) const { return {4, i * kRow, kWidth - 4, (i + 1) * kRow}; }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void SectionText(benchmark::State& state, const char* section) {
  Scene& s = TheScene();
  const int index = s.manager->IndexOfSection(QString::fromLatin1(section));
  Canvas& canvas = s.bitmap.GetCanvas();
  for (auto _ : state) {
    for (int i = 0; i < kCaptions; ++i) {
      TRect r = s.Row(i);
      DrawSectionText(canvas, s.captions[size_t(i)], true, r, false, index, DT_SINGLELINE, s.manager.get());
    }
    benchmark::DoNotOptimize(s.bitmap.ScanLine(0));
  }
  canvas.EndPainting();
  state.counters["per_caption"] =
      benchmark::Counter(double(kCaptions), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_DrawSectionText_FourContours(benchmark::State& state) { SectionText(state, "CAPTION"); }
void BM_DrawSectionText_NoContours(benchmark::State& state) { SectionText(state, "PLAINCAPTION"); }

void BM_QPainter_DrawText(benchmark::State& state) {
  Scene& s = TheScene();
  QFont font = ToQFont(TFont{});
  QPainter p(s.bitmap.PaintDevice());
  p.setFont(font);
  p.setPen(QColor(192, 0, 0));
  for (auto _ : state) {
    for (int i = 0; i < kCaptions; ++i) {
      const TRect r = s.Row(i);
      p.drawText(QRect(r.Left, r.Top, r.Width(), r.Height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                 s.captions[size_t(i)]);
    }
    benchmark::DoNotOptimize(s.bitmap.ScanLine(0));
  }
  p.end();
  state.counters["per_caption"] =
      benchmark::Counter(double(kCaptions), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_DrawSectionText_FourContours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawSectionText_NoContours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QPainter_DrawText)->Unit(benchmark::kMicrosecond);

}  // namespace
