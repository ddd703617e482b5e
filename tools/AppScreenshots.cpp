// Screenshots of the condition panel, the value chooser, the range picker,
// the parameter, about and change-password dialogs, the trend window
// (with a chart's Bollinger bands, and a hover text with the issue hidden)
// and the main window's training panel in the plain look (no skin), its
// issue shown and hidden, over the real draw history, for docs/screenshots/
// (the main window with both views and the sign-in and password dialogs
// are shot by the end-to-end test):
//   xvfb-run -a build/tools/ssq_app_screenshots docs/screenshots
// Not a test: run it by hand after changing a window, then look at them.
#include "app/uFormChoose.h"
#include "app/uFormCondition.h"
#include "app/uFormTrend.h"
#include "app/uFormYlRang.h"
#include "app/uFrmAbout.h"
#include "app/uFrmChangePwd.h"
#include "app/uFrmMain.h"
#include "app/uFrmZbCnfg.h"
#include "engine/uCdtList.h"
#include "platform/AppPath.h"
#include "platform/UserPrompts.h"
#include "support/History.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

namespace {

QString folder = ".";

void Save(const QPixmap& picture, const char* file) {
  if (!picture.save(folder + "/" + file, "PNG", 0)) std::fprintf(stderr, "cannot write %s\n", file);
}

void Shoot(QWidget* w, const char* file) {
  w->show();
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  Save(w->grab(), file);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc > 1) folder = QString::fromLocal8Bit(argv[1]);
  testsupport::TempDir settings;
  platform::SetAppPathOverride(settings.Path());
  settings.Write("YLRange.Txt", "0-2\r\n3-10\r\n5-15\r\n");
  DrawHistory = testsupport::LoadDrawHistory();
  CurrentIndex = DrawHistory.Count() - 1;
  const TFormulateList& list = FormulateList();

  TFrmCondition panel;
  panel.resize(212, 720);
  panel.ShowRangeControls(true);
  panel.TvCondition->expandItem(panel.TvCondition->topLevelItem(1));
  panel.TvCondition->setCurrentItem(panel.TvCondition->topLevelItem(1)->child(0));
  for (int i : {2, 7, 15, 22}) panel.lstValues1->SetChecked(i, true);
  Shoot(&panel, "condition-panel.png");
  panel.SelectIndicator(list.GetItem(87));  // 号码组: values and counts
  for (int i : {0, 4, 9}) panel.lstValues2_1->SetChecked(i, true);
  panel.lstValues2_2->SetChecked(1, true);
  Shoot(&panel, "condition-panel-counts.png");
  panel.PageControl1->setCurrentWidget(panel.TabSheet4);
  Shoot(&panel, "condition-panel-same-screen.png");
  Shoot(FrmYLRange(), "range-picker.png");

  TCdtData* sum = CdtList().Add(std::make_unique<TCdtData>(
      TCdtData{list.GetItem(65), list.GetItem(65)->Name(), 0, false, false, true, false, {{3, 4, 5}, {}}}));
  ShowChoose(100, list.GetItem(65), sum, {});
  Shoot(FrmChoose(), "chooser.png");
  ShowChoose(100, list.GetItem(49), nullptr, {});
  FrmChoose()->chklstValue2_1->SetChecked(3, true);
  Shoot(FrmChoose(), "chooser-counts.png");
  ShowChoose(100, list.GetItem(87), nullptr, {});  // 号码组: 1-33 and the counts
  for (int i : {0, 16, 32}) FrmChoose()->chklstValue2_1->SetChecked(i, true);
  Shoot(FrmChoose(), "chooser-number-group.png");
  FrmChoose()->hide();

  int32_t days[6] = {3, 6, 18, 0, 0, -5};
  std::vector<TZBParam> params;
  for (int i = 0; i < 6; ++i) params.push_back({"参数" + std::to_string(i + 1), &days[i]});
  TFrmZbCnfg dialog;
  dialog.BuildParams(params);
  Shoot(&dialog, "parameters.png");
  TfrmAbout about;
  Shoot(&about, "about.png");
  {
    // The change of password while it waits for the service: the buttons
    // are disabled. The service here refuses at once; its answer goes to
    // recording prompts.
    platform::RecordingPrompts prompts;
    platform::ScopedPrompts scope(prompts);
    ::setenv(ConnectionStringVariable, "Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=1;", 1);
    TFrmChangePwd change;
    change.show();
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    for (QLineEdit* edit : {change.edtNewPwd, change.edtConfirm, change.edtOldPwd}) edit->setText("secret");
    change.Button1->click();
    Save(change.grab(), "change-password-changing.png");
    while (change.Changing()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  // The trend window: odd, even, big and small of the first red ball as
  // frequency and omission candles, one chart alone with the mouse over a
  // candle, fifteen random groups with K = 100 and as omission charts.
  TFrmTrend trend;
  trend.show();
  TFrmCondition* side = trend.ConditionPanel();
  side->SelectIndicator(list.GetItem(7));
  side->PageControl1->setCurrentWidget(side->TabSheet4);
  side->BtnRandomJODX->click();
  Shoot(&trend, "trend-frequency-4.png");
  trend.BtnYLKLine->click();
  Shoot(&trend, "trend-omission-candles-4.png");
  trend.ShowSingleCondition(trend.StockChart(0)->Condition());
  TStockChart* single = trend.StockChart(0);
  single->Model().MouseMove(single->width() / 2, single->height() / 3);
  Shoot(&trend, "trend-omission-candles-single.png");
  // "隐藏期号" ticked: the same hover text without the draw's issue.
  ChartParams().ShowIssueNo = false;
  Shoot(&trend, "trend-omission-candles-single-issue-hidden.png");
  ChartParams().ShowIssueNo = true;
  // As the last 40 frequency candles with the Bollinger bands, the legend
  // over the upper band.
  trend.edtKCount->setText("40");
  trend.BtnPLKLine->click();
  single = trend.StockChart(0);
  single->SetMainZbType(zbMainBoll);
  single->Model().MouseMove(single->width() * 3 / 4, single->height() / 3);
  Shoot(&trend, "trend-bollinger.png");
  single->SetMainZbType(zbMainMA);
  trend.edtKCount->setText("100");
  side->CboGroupCount->setCurrentIndex(side->CboGroupCount->count() - 1);
  side->BtnGroup->click();
  Shoot(&trend, "trend-frequency-15.png");
  trend.BtnYLChart->click();
  Shoot(&trend, "trend-omission-charts-15.png");
  // The busiest chart at twice its size, where labels and circles meet.
  int busiest = 0;
  for (int i = 1; i < 15; ++i)
    if (trend.YLChart(i)->Model().Count() > trend.YLChart(busiest)->Model().Count()) busiest = i;
  const QPixmap cell = trend.YLChart(busiest)->grab();
  Save(cell.scaled(cell.size() * 2), "trend-omission-chart-cell.png");
  // The training panel without a skin: "隐藏期号" leaves the year and the
  // issue blank grey.
  YearIndex = BuildYearIndex(DrawHistory);
  TfrmMain::LoginDelay = std::chrono::milliseconds(0);
  TfrmMain main;
  main.ExecDialog = [](QDialog&) { return int(QDialog::Accepted); };
  main.show();
  main.popTran->trigger();
  for (const bool hide : {false, true}) {
    main.ChkHideNo->setChecked(hide);
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    Save(main.PanTran->grab(), hide ? "main-training-issue-hidden.png" : "main-training-issue-shown.png");
  }
  delete FrmChoose(false);
  delete FrmYLRange(false);
  return 0;
}
