// What a change of the condition group costs in the trend window: the
// condition panel's "分组同屏" click deals the first red ball's values into
// 15 new groups, the window builds the 15 walks over the real history
// (K = 100) and every chart is painted, at the window's default size.
// The argument is the chart mode: 0 frequency candles, 1 omission candles,
// 2 omission charts. The goal is under 40 ms from the click to the last
// chart painted.
#include "app/uFormCondition.h"
#include "app/uFormTrend.h"
#include "engine/uFormulaDef.h"
#include "support/History.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Scene {
  std::unique_ptr<TFrmTrend> trend;
  TFrmCondition* panel = nullptr;

  explicit Scene(int mode) {
    DrawHistory = testsupport::LoadDrawHistory();
    CurrentIndex = DrawHistory.Count() - 1;
    trend = std::make_unique<TFrmTrend>();
    trend->show();
    panel = trend->ConditionPanel();
    QToolButton* buttons[] = {trend->BtnPLKLine, trend->BtnYLKLine, trend->BtnYLChart};
    buttons[mode]->click();
    trend->edtKCount->setText(QStringLiteral("100"));
    panel->SelectIndicator(FormulateList().GetItem(7));
    panel->PageControl1->setCurrentWidget(panel->TabSheet4);
    panel->CboGroupCount->setCurrentIndex(panel->CboGroupCount->count() - 1);  // 15 groups
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
  }
  ~Scene() { ClearDrawModel(); }

  // Fifteen charts shown, each over K = 100 draws and the extra ones.
  void Check(benchmark::State& state, int mode) const {
    int shown = 0;
    for (int i = 0; i < TFrmTrend::ChartSlots; ++i)
      shown += mode == 2 ? trend->YLChart(i)->isVisible() : trend->StockChart(i)->isVisible();
    const TConditionAry& charted = trend->CurrentConditions();
    const int32_t draws = 100 + (mode == 0 ? 50 : 400);
    if (shown != 15 || charted.size() != 15 || charted.back().DrawCount != draws)
      state.SkipWithError("the window does not chart 15 conditions over K = 100");
    state.counters["charts"] = shown;
  }
};

}  // namespace

// The click, the builders, the layout and the paint of every chart.
static void BM_GroupChangeRepaint(benchmark::State& state) {
  const int mode = int(state.range(0));
  Scene s(mode);
  for (auto _ : state) {
    s.panel->BtnGroup->click();
    s.trend->repaint();
  }
  s.Check(state, mode);
}
BENCHMARK(BM_GroupChangeRepaint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The same without painting: the walks, the layout and the charts' own
// layout of their data.
static void BM_GroupChangeWithoutPaint(benchmark::State& state) {
  const int mode = int(state.range(0));
  Scene s(mode);
  for (auto _ : state) s.panel->BtnGroup->click();
  s.Check(state, mode);
}
BENCHMARK(BM_GroupChangeWithoutPaint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
