// Reading "Align" by name of the 200 controls of a main window (tool bars,
// status bar, central widget, children with and without a dynamic
// "Align"), against reading the dynamic property "Align" of the same
// controls with QObject::property in the same run (goal: within 2 times).
#include "platform/Properties.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>

#include <benchmark/benchmark.h>

#include <vector>

using namespace platform;

namespace {

struct Form {
  QMainWindow main;
  std::vector<QWidget*> controls;
  Form() {
    auto* central = new QWidget;
    main.setCentralWidget(central);
    main.setStatusBar(new QStatusBar);
    controls = {central, main.statusBar()};
    for (Qt::ToolBarArea area : {Qt::TopToolBarArea, Qt::LeftToolBarArea}) {
      auto* bar = new QToolBar;
      main.addToolBar(area, bar);
      controls.push_back(bar);
    }
    static const char* const kAligns[] = {"alTop", "alLeft", "alClient"};
    for (int i = 0; controls.size() < 200; ++i) {
      auto* label = new QLabel(QString::number(i), central);
      if (i % 2) label->setProperty("Align", kAligns[i % 3]);
      controls.push_back(label);
    }
  }
};

void BM_ReadAlignByName(benchmark::State& state) {
  Form form;
  const QString name = QStringLiteral("Align");
  for (auto _ : state)
    for (QWidget* w : form.controls) benchmark::DoNotOptimize(GetOrdProperty(w, name));
  state.SetItemsProcessed(state.iterations() * std::int64_t(form.controls.size()));
}
BENCHMARK(BM_ReadAlignByName)->Unit(benchmark::kMicrosecond);

void BM_ReadDynamicProperty(benchmark::State& state) {
  Form form;
  for (auto _ : state)
    for (QWidget* w : form.controls) benchmark::DoNotOptimize(w->property("Align"));
  state.SetItemsProcessed(state.iterations() * std::int64_t(form.controls.size()));
}
BENCHMARK(BM_ReadDynamicProperty)->Unit(benchmark::kMicrosecond);

}  // namespace
