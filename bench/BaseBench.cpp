// Cost of the small shared helpers that sign-in and the settings use.
#include "engine/uBaseFunc.h"
#include "engine/uIniFileMgr.h"
#include "platform/AppPath.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

static void BM_HashPassword(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(HashPassword("密码password123"));
}
BENCHMARK(BM_HashPassword);

static void BM_Combination(benchmark::State& state) {
  for (auto _ : state)
    for (int k = 0; k <= 6; ++k) benchmark::DoNotOptimize(Combination(k, 33));
}
BENCHMARK(BM_Combination);

// A settings read re-reads the file; this is what a chart pays per key.
static void BM_SettingsRead(benchmark::State& state) {
  auto dir = std::filesystem::temp_directory_path() / "ssq-bench-ini";
  std::filesystem::create_directories(dir);
  platform::SetAppPathOverride(dir.string());
  TIniFileMgr mgr;
  for (int i = 0; i < 40; ++i) mgr.WriteInteger("MA", "DayCount" + std::to_string(i), i);
  for (auto _ : state) benchmark::DoNotOptimize(mgr.ReadInteger("MA", "DayCount39", 0));
  platform::SetAppPathOverride("");
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SettingsRead);
