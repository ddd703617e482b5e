// A picture of a form whose tab controls, tool bar, status bar and speed
// button wear the demo skin with the bar sections through their adapters:
// a page control with tabs on top (the second page shown, the mouse over
// the first tool button), one with tabs on the left (turned captions), a
// bare tab bar too narrow for its tabs (its scroll buttons Qt's until the
// spin unit gives them an adapter), a status bar of two panels. Not a
// test:
//   build/tests/skinlib/adapters/skinlib_bar_screenshots docs/screenshots
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/BarAdapters.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/TabAdapters.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/TabSkin.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace platform;

namespace {

QTabWidget* Pages(QWidget* parent, const QStringList& names) {
  auto* tabs = new QTabWidget(parent);
  for (const QString& name : names) {
    auto* page = new QWidget;
    auto* label = new QLabel(QStringLiteral("%1：红球 03 08 12 19 25 31，蓝球 07").arg(name), page);
    label->move(12, 12);
    tabs->addTab(page, name);
  }
  return tabs;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  TsSkinManager manager;
  if (!testskins::ActivateForScreenshots(manager, skins.path(), testskins::BarsSkin(), QStringLiteral("Bars"))) return 1;
  bool ok = true;
  {
    QWidget form;
    form.resize(560, 400);
    auto* tools = new QToolBar(&form);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tools->addAction(QStringLiteral("打开"));
    tools->addAction(QStringLiteral("保存"));
    tools->addSeparator();
    QAction* off = tools->addAction(QStringLiteral("缩水"));
    off->setEnabled(false);
    QMenu menu;
    menu.addAction(QStringLiteral("2026001"));
    QAction* draws = tools->addAction(QStringLiteral("开奖"));
    draws->setMenu(&menu);
    tools->setGeometry(0, 0, 560, 30);
    auto* top = Pages(&form, {QStringLiteral("走势"), QStringLiteral("缩水"), QStringLiteral("统计")});
    top->setCurrentIndex(1);
    top->setGeometry(10, 40, 330, 180);
    auto* left = Pages(&form, {QStringLiteral("红球"), QStringLiteral("蓝球")});
    left->setTabPosition(QTabWidget::West);
    left->setGeometry(350, 40, 200, 180);
    auto* bottom = Pages(&form, {QStringLiteral("期号"), QStringLiteral("日期")});
    bottom->setTabPosition(QTabWidget::South);
    bottom->setGeometry(10, 230, 330, 110);
    auto* bar = new QTabBar(&form);
    bar->setUsesScrollButtons(true);
    bar->setElideMode(Qt::ElideNone);
    for (int i = 1; i <= 6; ++i) bar->addTab(QStringLiteral("2026%1").arg(i, 3, 10, QLatin1Char('0')));
    bar->setGeometry(350, 230, 200, 28);
    auto* speed = new QToolButton(&form);
    speed->setText(QStringLiteral("随机"));
    speed->setGeometry(350, 280, 90, 30);
    auto* status = new QStatusBar(&form);
    status->setSizeGripEnabled(false);
    status->addWidget(new QLabel(QStringLiteral("第 2026001 期")), 1);
    status->addWidget(new QLabel(QStringLiteral("红球 6 个，蓝球 1 个")), 2);
    status->setGeometry(0, 372, 560, 28);
    form.show();
    QApplication::processEvents();

    std::vector<std::unique_ptr<TsCommonData>> data;
    const auto dataOf = [&](QWidget* w, const char* section) {
      data.push_back(std::make_unique<TsCommonData>(w));
      data.back()->SetSkinManager(&manager);
      data.back()->SetSkinSection(QString::fromLatin1(section));
      return data.back().get();
    };
    auto toolAdapter = TacMainWnd::Create<TacToolBarVCLWnd>(tools, dataOf(tools, "TOOLBAR"), &manager, QString(), true);
    auto statusAdapter =
        TacMainWnd::Create<TacStatusBarWnd>(status, dataOf(status, "STATUSBAR"), &manager, QString(), true);
    auto topAdapter = TacMainWnd::Create<TacPageControlWnd>(top, nullptr, &manager, QString(), true);
    auto leftAdapter = TacMainWnd::Create<TacPageControlWnd>(left, nullptr, &manager, QString(), true);
    auto bottomAdapter = TacMainWnd::Create<TacPageControlWnd>(bottom, nullptr, &manager, QString(), true);
    auto barAdapter = TacMainWnd::Create<TacTabControlWnd>(bar, nullptr, &manager, QString(), true);
    auto speedHandler =
        std::make_unique<TacSpeedButtonHandler>(speed, QStringLiteral("SPEEDBUTTON"), &manager, dataOf(speed, ""));
    SendMessage(tools->widgetForAction(tools->actions().first()), kCmMouseEnter, 0, 0);
    QApplication::processEvents();
    const QImage picture = form.grab().toImage();
    const QString path = folder + QStringLiteral("/tab-bar-adapters.png");
    ok = picture.save(path);
    std::printf("%s %s\n", qPrintable(path), ok ? "written" : "NOT written");
    speedHandler.reset();
    UninstallAdapter(true, false, barAdapter);
    UninstallAdapter(true, false, bottomAdapter);
    UninstallAdapter(true, false, leftAdapter);
    UninstallAdapter(true, false, topAdapter);
    UninstallAdapter(true, false, statusAdapter);
    UninstallAdapter(true, false, toolAdapter);
    AdapterList().clear();
  }
  FinishUnits();
  return ok ? 0 : 1;
}
