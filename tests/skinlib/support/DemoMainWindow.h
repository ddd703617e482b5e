// The demo main window the skinned-form tests and pictures use: a menu
// bar, a status bar and a few standard controls, in the program's own
// language. Made in code; the caller owns it.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace testskins {

inline QMainWindow* DemoMainWindow() {
  auto* window = new QMainWindow;
  window->setWindowTitle(QStringLiteral("双色球分析 - 演示"));
  window->setProperty("FormStyle", QStringLiteral("fsMDIForm"));
  auto* bar = new QMenuBar;
  for (const char* title : {"文件(&F)", "编辑(&E)", "查看(&V)", "分析(&A)", "帮助(&H)"}) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(title));
    menu->addAction(QStringLiteral("打开(&O)"));
    menu->addAction(QStringLiteral("关闭(&C)"));
  }
  window->setMenuBar(bar);
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  auto* group = new QGroupBox(QStringLiteral("开奖号码"));
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(new QLabel(QStringLiteral("期号:")));
  groupLayout->addWidget(new QLineEdit(QStringLiteral("2024001")));
  auto* combo = new QComboBox;
  combo->addItems({QStringLiteral("红球"), QStringLiteral("蓝球")});
  groupLayout->addWidget(combo);
  groupLayout->addWidget(new QCheckBox(QStringLiteral("只看蓝球")));
  groupLayout->addWidget(new QRadioButton(QStringLiteral("按期号")));
  layout->addWidget(group);
  layout->addWidget(new QPushButton(QStringLiteral("分析")));
  layout->addStretch();
  window->setCentralWidget(central);
  window->statusBar()->showMessage(QStringLiteral("就绪"));
  return window;
}

}  // namespace testskins
