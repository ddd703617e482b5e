// The chart tests need an application object and one known font, so that
// text measures the same on every machine.
#include "platform/Canvas.h"

#include <QApplication>
#include <QFontDatabase>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  // Listing the tests at build time happens without the test environment.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
    std::fprintf(stderr, "The test font \"DejaVu Sans\" is not installed (scripts/setup.sh)\n");
    return 1;
  }
  platform::SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
