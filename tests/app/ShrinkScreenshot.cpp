// A screenshot of the shrink window with a scheme and its results for
// docs/screenshots/:
//   xvfb-run -a build/tests/app/app_shrink_screenshot docs/screenshots
// Not a test: run it by hand after changing the window, then look at it.
#include "app/ShrinkSupport.h"
#include "app/uFormShrink.h"
#include "platform/AppPath.h"
#include "platform/Dispatcher.h"
#include "support/History.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  testsupport::TempDir settings;
  platform::SetAppPathOverride(settings.Path());
  DrawHistory = testsupport::LoadDrawHistory();
  for (const TCdtData& c : shrinktest::SchemeB()) CdtList().Add(std::make_unique<TCdtData>(c));
  CdtList().GetItem(2)->IsCheck = true;
  CdtList().GetItem(5)->IsSave = false;

  TFrmShrink window;
  window.RefreshConditions();
  window.show();
  window.tvCondition->expandItem(window.tvCondition->topLevelItem(0));
  window.btnfilter->click();
  platform::GuiDispatcher().PumpUntil([&] { return !window.Filtering(); }, std::chrono::seconds(60));
  window.VTCon->selectRow(3);
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  const QString file = dir + "/shrink-window.png";
  if (!window.grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
  return 0;
}
