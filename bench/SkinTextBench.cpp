// Captions in a skin section's colours against plain QPainter text in the
// same run: 100 captions of 11 to 23 characters ("DejaVu Sans" 12 pixels)
// in 24-bit bitmaps, written
// - into 100 bitmaps of 200 x 20, one per control, as captions go into
//   the controls' cache bitmaps ("/controls"), or
// - into one sheet of 400 x 1600, each into its own row ("/sheet": a clip
//   costs more on a tall bitmap);
// by DrawSectionText with four contours (five DrawText calls a caption,
// the caption skin's "CAPTION") and with none ("PLAINCAPTION"), and by
// QPainter::drawText of each caption into its rectangle, once, on the very
// same pixels.
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
constexpr int kControlWidth = 200, kControlHeight = 20;

struct Scene {
  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  std::vector<QString> captions;
  Bitmap sheet{kWidth, kCaptions * kRow, pf24bit};
  std::vector<std::unique_ptr<Bitmap>> controls;

  Scene() {
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::CaptionSkin(), root + QStringLiteral("/Captions")))
      throw std::runtime_error("cannot write the skin");
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Captions"));
    if (!manager->SkinData || !manager->SkinData->Active) throw std::runtime_error("no skin");
    for (int i = 0; i < kCaptions; ++i) {
      captions.push_back(QStringLiteral("Caption %1 ").arg(i) + QString(i % 13, QLatin1Char('x')));
      controls.push_back(std::make_unique<Bitmap>(kControlWidth, kControlHeight, pf24bit));
      controls.back()->Fill(qRgb(240, 240, 240));
    }
    sheet.Fill(qRgb(240, 240, 240));
  }
  // Caption i's bitmap and rectangle.
  Bitmap& Target(bool sheetLayout, int i) { return sheetLayout ? sheet : *controls[size_t(i)]; }
  TRect Rect(bool sheetLayout, int i) const {
    return sheetLayout ? TRect{4, i * kRow, kWidth - 4, (i + 1) * kRow} : TRect{4, 2, kControlWidth - 4, 18};
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void PerCaption(benchmark::State& state) {
  state.counters["per_caption"] =
      benchmark::Counter(double(kCaptions), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void SectionText(benchmark::State& state, const char* section) {
  Scene& s = TheScene();
  const bool sheet = state.range(0) != 0;
  state.SetLabel(sheet ? "sheet" : "controls");
  const int index = s.manager->IndexOfSection(QString::fromLatin1(section));
  for (auto _ : state) {
    for (int i = 0; i < kCaptions; ++i) {
      TRect r = s.Rect(sheet, i);
      DrawSectionText(s.Target(sheet, i).GetCanvas(), s.captions[size_t(i)], true, r, false, index, DT_SINGLELINE,
                      s.manager.get());
    }
    benchmark::DoNotOptimize(s.sheet.ScanLine(0));
  }
  for (int i = 0; i < kCaptions; ++i) s.Target(sheet, i).GetCanvas().EndPainting();
  PerCaption(state);
}

void BM_DrawSectionText_FourContours(benchmark::State& state) { SectionText(state, "CAPTION"); }
void BM_DrawSectionText_NoContours(benchmark::State& state) { SectionText(state, "PLAINCAPTION"); }

void BM_QPainter_DrawText(benchmark::State& state) {
  Scene& s = TheScene();
  const bool sheet = state.range(0) != 0;
  state.SetLabel(sheet ? "sheet" : "controls");
  // One painter a bitmap, kept open as the bitmaps' canvases keep theirs.
  std::vector<std::unique_ptr<QPainter>> painters;
  for (int i = 0; i < (sheet ? 1 : kCaptions); ++i) {
    painters.push_back(std::make_unique<QPainter>(s.Target(sheet, i).PaintDevice()));
    painters.back()->setFont(ToQFont(TFont{}));
    painters.back()->setPen(QColor(192, 0, 0));
  }
  for (auto _ : state) {
    for (int i = 0; i < kCaptions; ++i) {
      const TRect r = s.Rect(sheet, i);
      painters[sheet ? 0 : size_t(i)]->drawText(QRect(r.Left, r.Top, r.Width(), r.Height()),
                                               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                                               s.captions[size_t(i)]);
    }
    benchmark::DoNotOptimize(s.sheet.ScanLine(0));
  }
  painters.clear();
  PerCaption(state);
}

BENCHMARK(BM_DrawSectionText_FourContours)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawSectionText_NoContours)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QPainter_DrawText)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
