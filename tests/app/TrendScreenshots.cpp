// Screenshots of the trend window at its default size over the real draw
// history, for docs/screenshots/:
//   xvfb-run -a build/tests/app/app_trend_screenshots docs/screenshots
// Not a test: run it by hand after changing the window, then look at them.
#include "app/uFormCondition.h"
#include "app/uFormTrend.h"
#include "engine/uFormulaDef.h"
#include "platform/AppPath.h"
#include "support/History.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include <cstdio>

namespace {

void Settle() {
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
}

void Save(const QPixmap& picture, const QString& file) {
  if (!picture.save(file, "PNG", 0)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

void Shoot(QWidget* w, const QString& file) {
  Settle();
  Save(w->grab(), file);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  testsupport::TempDir settings;
  platform::SetAppPathOverride(settings.Path());
  DrawHistory = testsupport::LoadDrawHistory();
  CurrentIndex = DrawHistory.Count() - 1;

  TFrmTrend trend;
  trend.show();
  Settle();
  TFrmCondition* panel = trend.ConditionPanel();
  panel->SelectIndicator(FormulateList().GetItem(7));  // the first red ball
  panel->PageControl1->setCurrentWidget(panel->TabSheet4);

  // Odd, even, big, small: four frequency charts, then omission candles.
  panel->BtnRandomJODX->click();
  Shoot(&trend, dir + "/trend-frequency-4.png");
  trend.BtnYLKLine->click();
  Shoot(&trend, dir + "/trend-omission-candles-4.png");

  // One chart alone, the mouse over a candle: the hint above the chart.
  trend.ShowSingleCondition(trend.StockChart(0)->Condition());
  TStockChart* single = trend.StockChart(0);
  single->Model().MouseMove(single->width() / 2, single->height() / 3);
  Shoot(&trend, dir + "/trend-omission-candles-single.png");

  // Fifteen groups dealt at random: frequency candles with K = 100, then
  // the omission charts of the same groups.
  trend.BtnPLKLine->click();
  trend.edtKCount->setText(QStringLiteral("100"));
  panel->CboGroupCount->setCurrentIndex(panel->CboGroupCount->count() - 1);
  panel->BtnGroup->click();
  Shoot(&trend, dir + "/trend-frequency-15.png");
  trend.BtnYLChart->click();
  Shoot(&trend, dir + "/trend-omission-charts-15.png");
  // The busiest of them at twice its size, where labels and circles meet.
  int busiest = 0;
  for (int i = 1; i < 15; ++i)
    if (trend.YLChart(i)->Model().Count() > trend.YLChart(busiest)->Model().Count()) busiest = i;
  const QPixmap cell = trend.YLChart(busiest)->grab();
  Save(cell.scaled(cell.size() * 2), dir + "/trend-omission-chart-cell.png");
  return 0;
}
