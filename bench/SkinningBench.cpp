// Cost of reading skin files and of the drawing primitives every skinned
// window paints through.
#include "platform/FileUtil.h"
#include "skinning/SkinRead.h"
#include "skinning/WinSkinForm.h"
#include "support/History.h"
#include "tools/skin/LzhEncoder.h"
#include "tools/skin/ProgramSkin.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace platform;
using namespace skinning;

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
