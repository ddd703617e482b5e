// A picture of a form whose panels, spin boxes, size grip and tool bar
// wear the demo skin (with the panel sections) through their adapters:
// the cursor over the first spin box's upper half, the second spin box
// split left and right (UDS_HORZ). Not a test:
//   build/tests/skinlib/adapters/skinlib_panel_screenshots docs/screenshots
#include "platform/Canvas.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/PanelAdapters.h"
#include "skinlib/adapters/SpinAdapter.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/PanelSkin.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QSizeGrip>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolBar>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace platform;

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  TsSkinManager manager;
  if (!testskins::ActivateForScreenshots(manager, skins.path(), testskins::PanelSkin(), QStringLiteral("PanelDemo"))) return 1;
  bool ok = true;
  {
    QWidget form;
    form.resize(420, 146);
    auto* bar = new QToolBar(&form);
    bar->setGeometry(0, 0, 420, 34);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addAction(QStringLiteral("打开"));
    bar->addAction(QStringLiteral("保存"));
    bar->addSeparator();
    bar->addAction(QStringLiteral("趋势"));
    bar->addAction(QStringLiteral("缩水"))->setEnabled(false);
    auto* raised = new QFrame(&form);
    raised->setGeometry(12, 46, 190, 80);
    raised->setWindowTitle(QStringLiteral("开奖号码"));
    auto* lowered = new QFrame(&form);
    lowered->setGeometry(216, 46, 190, 80);
    lowered->setProperty("BevelOuter", "bvLowered");
    auto* label = new QLabel(QStringLiteral("期号:"), lowered);
    label->setGeometry(10, 10, 60, 20);
    auto* spin = new QSpinBox(lowered);
    spin->setGeometry(70, 8, 100, 26);
    spin->setRange(1, 33);
    spin->setValue(7);
    auto* spinHorz = new QSpinBox(lowered);
    spinHorz->setGeometry(70, 44, 100, 26);
    spinHorz->setRange(1, 16);
    spinHorz->setValue(12);
    SetWindowLong(spinHorz, GWL_STYLE, GetWindowLong(spinHorz, GWL_STYLE) | UDS_HORZ);
    auto* grip = new QSizeGrip(&form);
    grip->setGeometry(402, 128, 18, 18);
    // The form as a skinned form shows it: the skin's global colour.
    form.setAutoFillBackground(true);
    SetControlColor(&form, manager.GlobalSectionColor());
    form.show();
    QApplication::processEvents();
    TsCommonData raisedData(raised), loweredData(lowered);
    for (TsCommonData* d : {&raisedData, &loweredData}) d->SetSkinManager(&manager);
    std::vector<TacAdapterPtr<TacMainWnd>> adapters;
    adapters.emplace_back(TacMainWnd::Create<TacToolBarWnd>(bar, nullptr, &manager, QStringLiteral("BAR"), true).release());
    adapters.emplace_back(TacMainWnd::Create<TacPanelWnd>(raised, &raisedData, &manager, QString(), true).release());
    adapters.emplace_back(TacMainWnd::Create<TacPanelWnd>(lowered, &loweredData, &manager, QString(), true).release());
    adapters.emplace_back(
        TacMainWnd::Create<TacSpinWnd>(spin, nullptr, &manager, QStringLiteral("SPEEDBUTTON_SMALL"), true).release());
    adapters.emplace_back(
        TacMainWnd::Create<TacSpinWnd>(spinHorz, nullptr, &manager, QStringLiteral("SPEEDBUTTON_SMALL"), true).release());
    adapters.emplace_back(TacMainWnd::Create<TacSizerWnd>(grip, nullptr, &manager, QStringLiteral("CHECKBOX"), true).release());
    auto* spinAdapter = static_cast<TacSpinWnd*>(adapters[3].get());
    const TRect up = spinAdapter->Layout().Halves[0];
    QCursor::setPos(spin->mapToGlobal(QPoint(up.Left + 3, up.Top + 3)));
    form.update();
    QApplication::processEvents();
    const QString file = folder + "/panel-spin-grip-toolbar-adapters.png";
    ok = form.grab().save(file);
    std::printf("%s %s\n", qPrintable(file), ok ? "written" : "NOT written");
    adapters.clear();
  }
  FinishUnits();
  return ok ? 0 : 1;
}
