#include "skinlib/support/ControlsDemo.h"

#include "skinlib/support/PanelSkin.h"
#include "skinlib/support/TabSkin.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSizeGrip>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace testskins {

namespace {

QTabWidget* Pages(QWidget* parent, const QStringList& names, const QString& text) {
  auto* tabs = new QTabWidget(parent);
  for (const QString& name : names) {
    auto* page = new QWidget;
    auto* label = new QLabel(QStringLiteral("%1：%2").arg(name, text), page);
    label->move(12, 12);
    label->adjustSize();
    tabs->addTab(page, name);
  }
  return tabs;
}

// Tool buttons wide enough that a skin's corner glyph and frame leave the
// caption clear.
void WidenToolButtons(QToolBar* bar) {
  for (QAction* a : bar->actions())
    if (QWidget* w = bar->widgetForAction(a); w && !a->isSeparator()) w->setMinimumSize(44, 24);
}

}  // namespace

TestSkin ControlsDemoSkin() {
  TestSkin skin = DemoSkin();
  skin.Name = QStringLiteral("ControlsDemo");
  AddPanelSections(skin);
  AddBarSections(skin);
  AddButtonSections(skin);
  return skin;
}

std::vector<QWidget*> ControlsDemoForm::Controls() const {
  const ButtonDemoPart& b = Buttons;
  return {b.Group,  b.EmptyGroup, b.Check,   b.Tristate, b.Radio,    b.PlainRadio, b.Label,  b.Picture,
          b.Link,   b.Default,    b.Button,  b.BitButton, b.Disabled, Tools,        Pages,    SidePages,
          Tabs,     Speed,        Combo,     Raised,    Lowered,     Spin,         SpinHorz, DialogBar,
          Status,   Grip};
}

ControlsDemoForm MakeControlsDemoForm(QWidget* form) {
  ControlsDemoForm d;
  form->resize(kControlsDemoWidth, kControlsDemoHeight);
  d.Tools = new QToolBar(form);
  d.Tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  d.Tools->addAction(QStringLiteral("打开"));
  d.Tools->addAction(QStringLiteral("保存"));
  d.Tools->addSeparator();
  d.Tools->addAction(QStringLiteral("趋势"));
  d.Tools->addAction(QStringLiteral("缩水"))->setEnabled(false);
  WidenToolButtons(d.Tools);
  d.Tools->setGeometry(0, 0, kControlsDemoWidth, 30);

  // Left: the button part, the panels, the dialog's tool bar.
  d.Buttons = MakeButtonDemoPart(form);
  d.Buttons.Part->move(0, 36);
  d.Raised = new QFrame(form);
  d.Raised->setGeometry(10, 276, 160, 100);
  d.Raised->setWindowTitle(QStringLiteral("开奖号码"));
  d.Lowered = new QFrame(form);
  d.Lowered->setGeometry(180, 276, 160, 100);
  d.Lowered->setProperty("BevelOuter", "bvLowered");
  auto* issue = new QLabel(QStringLiteral("期号:"), d.Lowered);
  issue->setGeometry(8, 11, 44, 20);
  d.Spin = new QSpinBox(d.Lowered);
  d.Spin->setGeometry(56, 8, 96, 26);
  d.Spin->setRange(1, 33);
  d.Spin->setValue(7);
  d.SpinHorz = new QSpinBox(d.Lowered);
  d.SpinHorz->setGeometry(56, 62, 96, 26);
  d.SpinHorz->setRange(1, 16);
  d.SpinHorz->setValue(12);
  d.DialogBar = new QToolBar(form);
  d.DialogBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  d.DialogBar->addAction(QStringLiteral("全选"));
  d.DialogBar->addAction(QStringLiteral("清除"));
  d.DialogBar->addSeparator();
  d.DialogBar->addAction(QStringLiteral("导入"));
  WidenToolButtons(d.DialogBar);
  d.DialogBar->setGeometry(10, 390, 330, 34);

  // Right: the page controls, a bare tab bar, a speed button, a combo box.
  d.Pages = Pages(form, {QStringLiteral("走势"), QStringLiteral("缩水"), QStringLiteral("统计")},
                  QStringLiteral("红球 03 08 12 19 25 31"));
  d.Pages->setCurrentIndex(1);
  d.Pages->setGeometry(350, 40, 300, 150);
  d.SidePages = Pages(form, {QStringLiteral("红球"), QStringLiteral("蓝球")}, QStringLiteral("03 08 12 19"));
  d.SidePages->setTabPosition(QTabWidget::West);
  d.SidePages->setGeometry(350, 200, 300, 160);
  d.Tabs = new QTabBar(form);
  d.Tabs->setUsesScrollButtons(true);
  d.Tabs->setElideMode(Qt::ElideNone);
  for (int i = 1; i <= 6; ++i) d.Tabs->addTab(QStringLiteral("2026%1").arg(i, 3, 10, QLatin1Char('0')));
  d.Tabs->setGeometry(350, 370, 200, 28);
  d.Speed = new QToolButton(form);
  d.Speed->setText(QStringLiteral("随机"));
  d.Speed->setGeometry(560, 369, 90, 30);
  d.Combo = new QComboBox(form);
  d.Combo->addItems({QStringLiteral("全部号码"), QStringLiteral("只看红球"), QStringLiteral("只看蓝球")});
  d.Combo->setGeometry(350, 410, 170, 24);

  // Bottom: the status bar and the size grip.
  d.Status = new QStatusBar(form);
  d.Status->setSizeGripEnabled(false);
  d.Status->addWidget(new QLabel(QStringLiteral("第 2026001 期")), 1);
  d.Status->addWidget(new QLabel(QStringLiteral("红球 6 个，蓝球 1 个")), 2);
  d.Status->setGeometry(0, kControlsDemoHeight - 28, kControlsDemoWidth - 20, 28);
  d.Grip = new QSizeGrip(form);
  d.Grip->setGeometry(kControlsDemoWidth - 18, kControlsDemoHeight - 18, 18, 18);
  return d;
}

}  // namespace testskins
