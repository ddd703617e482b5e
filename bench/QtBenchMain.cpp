// The main of benchmarks that paint: an application object on the
// offscreen platform, then every registered benchmark. The charts read
// and write their settings file: it goes to a temporary folder, not beside
// the benchmark program.
#include "platform/AppPath.h"
#include "support/TempDir.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testsupport::TempDir settings;
  platform::SetAppPathOverride(settings.Path());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  // What neither Qt nor the benchmark library took is a mistake (a flag
  // misspelt, a value of the wrong form): said and refused, not ignored.
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
