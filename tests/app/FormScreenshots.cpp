// Screenshots of the condition panel, the value chooser, the range picker
// and the parameter and about dialogs for docs/screenshots/:
//   xvfb-run -a build/tests/app/app_form_screenshots docs/screenshots
// Not a test: run it by hand after changing a window, then look at them.
#include "app/uFormChoose.h"
#include "app/uFormCondition.h"
#include "app/uFormYlRang.h"
#include "app/uFrmAbout.h"
#include "app/uFrmZbCnfg.h"
#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"
#include "platform/AppPath.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>

#include <cstdio>
#include <string>

namespace {

void Shoot(QWidget* w, const QString& file) {
  w->show();
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  if (!w->grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  testsupport::TempDir settings;
  platform::SetAppPathOverride(settings.Path());
  settings.Write("YLRange.Txt", "0-2\r\n3-10\r\n5-15\r\n");
  const TFormulateList& list = FormulateList();

  TFrmCondition panel;
  panel.resize(212, 720);
  panel.ShowRangeControls(true);
  panel.TvCondition->expandItem(panel.TvCondition->topLevelItem(1));
  panel.TvCondition->setCurrentItem(panel.TvCondition->topLevelItem(1)->child(0));
  for (int i : {2, 7, 15, 22}) panel.lstValues1->SetChecked(i, true);
  Shoot(&panel, dir + "/condition-panel.png");
  panel.SelectIndicator(list.GetItem(87));  // 号码组: values and counts
  for (int i : {0, 4, 9}) panel.lstValues2_1->SetChecked(i, true);
  panel.lstValues2_2->SetChecked(1, true);
  Shoot(&panel, dir + "/condition-panel-counts.png");
  panel.PageControl1->setCurrentWidget(panel.TabSheet4);
  Shoot(&panel, dir + "/condition-panel-same-screen.png");

  TfrmYLRange* picker = FrmYLRange();
  Shoot(picker, dir + "/range-picker.png");

  TCdtData* sum = CdtList().Add(std::make_unique<TCdtData>(
      TCdtData{list.GetItem(65), list.GetItem(65)->Name(), 0, false, false, true, false, {{3, 4, 5}, {}}}));
  ShowChoose(100, list.GetItem(65), sum, {});
  Shoot(FrmChoose(), dir + "/chooser.png");
  ShowChoose(100, list.GetItem(49), nullptr, {});
  FrmChoose()->chklstValue2_1->SetChecked(3, true);
  Shoot(FrmChoose(), dir + "/chooser-counts.png");

  int32_t days[6] = {3, 6, 18, 0, 0, -5};
  std::vector<TZBParam> params;
  for (int i = 0; i < 6; ++i) params.push_back({"参数" + std::to_string(i + 1), &days[i]});
  TFrmZbCnfg dialog;
  dialog.BuildParams(params);
  Shoot(&dialog, dir + "/parameters.png");

  TfrmAbout about;
  Shoot(&about, dir + "/about.png");
  delete FrmChoose(false);
  delete FrmYLRange(false);
  return 0;
}
