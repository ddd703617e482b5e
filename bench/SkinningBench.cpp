// Cost of reading skin files, of the drawing primitives every skinned
// window paints through, of loading a skin into its element model, of
// painting a skinned popup menu and skinned controls.
#include "platform/FileUtil.h"
#include "skinning/SkinRead.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenu.h"
#include "skinning/WinSubClassButtons.h"
#include "skinning/WinSubClassPanels.h"
#include "skinning/WinSubClassStyled.h"
#include "support/History.h"
#include "tools/skin/LzhEncoder.h"
#include "tools/skin/ProgramSkin.h"

#include <benchmark/benchmark.h>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QMenu>
#include <QPushButton>

#include <random>

using namespace platform;
using namespace skinning;

namespace {

// The program's skin as the streamed property holds it.
std::string ProgramSkinStream() {
  const std::string file = skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin());
  std::string streamed;
  for (int i = 0; i < 4; ++i) streamed.push_back(char((file.size() >> (8 * i)) & 0xFF));
  return streamed + file;
}

}  // namespace

// Loading the program's own skin: decompressing and indexing it.
static void BM_LoadProgramSkin(benchmark::State& state) {
  const std::string file = skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin());
  TSkinReader reader;
  for (auto _ : state) benchmark::DoNotOptimize(reader.Load(file));
  state.counters["file_bytes"] = double(file.size());
}
BENCHMARK(BM_LoadProgramSkin)->Unit(benchmark::kMillisecond);

// 1 MiB of mixed data: the draw history as text, random bytes, runs.
static void BM_Decode1MiBMixed(benchmark::State& state) {
  const std::string csv =
      ReadFileBytes(testsupport::SourceDir() + "/data/ssq-history.csv").value_or("no history");
  std::mt19937 gen(7);
  std::string data;
  while (data.size() < (1u << 20)) {
    data += csv.substr(0, 100000);
    for (int i = 0; i < 50000; ++i) data += char(gen());
    data.append(3000, char(gen()));
  }
  data.resize(1u << 20);
  const std::string packed = skinwriter::LzhEncode(data);
  for (auto _ : state) benchmark::DoNotOptimize(TLZH::Decode(packed, uint32_t(data.size())));
  state.counters["packed_bytes"] = double(packed.size());
}
BENCHMARK(BM_Decode1MiBMixed)->Unit(benchmark::kMillisecond);

// A 300 x 30 element from a 60 x 30 frame (second of two), centre
// stretched (0) or tiled (1).
static void BM_DrawSkinImage(benchmark::State& state) {
  Bitmap image(120, 30, pf24bit);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) image.SetPixel(x, y, RGB(x * 2, y * 8, 100));
  const bool tile = state.range(0) != 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        DrawSkinImage(Rect(0, 0, 300, 30), image, Rect(10, 6, 10, 6), false, tile, 2, 2));
}
BENCHMARK(BM_DrawSkinImage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The region of a 1280 x 30 caption band whose two top corners are rounded
// off in the key colour.
static void BM_RegionFromBitmap(benchmark::State& state) {
  Bitmap band(1280, 30);
  band.Fill(qRgb(40, 100, 190));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7 - y; ++x) {
      band.SetPixel(x, y, clFuchsia);
      band.SetPixel(1279 - x, y, clFuchsia);
    }
  for (auto _ : state) benchmark::DoNotOptimize(RegionFromBitmap(band, 0, 0, 0, 0, 0, clFuchsia));
}
BENCHMARK(BM_RegionFromBitmap)->Unit(benchmark::kMicrosecond);

// The program's skin as the main window loads it: decompressed, indexed and
// parsed into a new element model (the derived images included).
static void BM_LoadAndParseProgramSkin(benchmark::State& state) {
  const std::string streamed = ProgramSkinStream();
  TSkinData data;
  for (auto _ : state) benchmark::DoNotOptimize(data.LoadSkinStream(streamed));
}
BENCHMARK(BM_LoadAndParseProgramSkin)->Unit(benchmark::kMillisecond);

// A shown 20-item context menu skinned with the program's skin, painted
// whole (frame, background, items) into an image.
static void BM_PaintSkinnedPopup20(benchmark::State& state) {
  auto data = std::make_unique<TSkinData>();
  data->LoadSkinStream(ProgramSkinStream());
  data->Loaded();
  SkinManage()->SetEnabled(true);
  QMenu menu;
  for (int i = 0; i < 20; ++i) {
    QAction* a = menu.addAction(QStringLiteral("第 %1 期走势(&%2)").arg(i + 1).arg(i % 10));
    if (i % 5 == 4) menu.addSeparator();
    a->setCheckable(i % 3 == 0);
    a->setChecked(i % 6 == 0);
  }
  menu.popup(QPoint(0, 0));
  if (!SkinManage()->FindPopup(&menu)) state.SkipWithError("the menu is not skinned");
  menu.setActiveAction(menu.actions()[3]);
  QImage image(menu.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    menu.render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
  state.counters["width"] = menu.width();
  state.counters["height"] = menu.height();
  menu.hide();
  data.reset();
  FreeSkinManage();
}
BENCHMARK(BM_PaintSkinnedPopup20)->Unit(benchmark::kMicrosecond);

// One control painted whole (its paint event through the window-procedure
// chain) into an image, skinned with the program's skin (argument 0) or in
// the standard look (1), for comparison.
template <class W, class Painter>
static void PaintControl(benchmark::State& state, W& widget, QSize size) {
  TSkinData data;
  data.LoadSkinStream(ProgramSkinStream());
  widget.resize(size);
  if (state.range(0) == 0) (new Painter(&widget))->HookControl(nullptr, &data, false);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    widget.render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
}

static void BM_PaintPushButton100x30(benchmark::State& state) {
  QPushButton button(QStringLiteral("确定"));
  PaintControl<QPushButton, TSkinButton>(state, button, {100, 30});
}
BENCHMARK(BM_PaintPushButton100x30)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

static void BM_PaintCheckBox(benchmark::State& state) {
  QCheckBox box(QStringLiteral("红球"));
  box.setChecked(true);
  PaintControl<QCheckBox, TSkinCheckBox>(state, box, {100, 20});
}
BENCHMARK(BM_PaintCheckBox)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

static void BM_PaintComboBox(benchmark::State& state) {
  QComboBox combo;
  combo.addItems({QStringLiteral("红球走势"), QStringLiteral("蓝球走势")});
  PaintControl<QComboBox, TSkinComBox>(state, combo, {120, 24});
}
BENCHMARK(BM_PaintComboBox)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
