#include "WalkGallery.h"

#include "platform/WindowTable.h"

namespace gallery {

WalkGallery::WalkGallery() {
  resize(900, 470);
  status->setGeometry(0, 440, 900, 26);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  for (int i = 0; i < 12; ++i)
    memo->appendPlainText(QStringLiteral("2024%1  03 08 15 21 27 32 + 09  奇偶比 3:3  和值 106  跨度 29")
                              .arg(31 + i, 3, 10, QLatin1Char('0')));

  tree = new QTreeWidget(this);
  tree->setGeometry(600, 10, 290, 125);
  tree->setHeaderLabels({QStringLiteral("期号"), QStringLiteral("红球"), QStringLiteral("蓝球")});
  tree->setRootIsDecorated(false);
  const char* draws[][3] = {{"2024028", "02 07 14 19 25 31", "06"}, {"2024029", "04 09 13 22 26 30", "11"},
                            {"2024030", "01 05 12 18 24 33", "16"}, {"2024031", "03 08 15 21 27 32", "09"},
                            {"2024032", "06 10 17 20 29 33", "02"}};
  for (const auto& d : draws)
    new QTreeWidgetItem(tree, {QString::fromLatin1(d[0]), QString::fromLatin1(d[1]), QString::fromLatin1(d[2])});
  tree->setColumnWidth(0, 70);
  tree->setColumnWidth(1, 130);

  buttonTabs = new QTabWidget(this);
  buttonTabs->setGeometry(600, 145, 290, 75);
  buttonTabs->setProperty("Style", QStringLiteral("tsButtons"));
  for (const char* name : {"红球", "蓝球", "和值"}) buttonTabs->addTab(new QWidget, QString::fromUtf8(name));

  tagged = new QGroupBox(QStringLiteral("不换肤的选择"), this);
  tagged->setGeometry(600, 228, 290, 50);
  platform::SetTag(tagged, 99);
  taggedA = new QRadioButton(QStringLiteral("全选"), tagged);
  taggedA->setGeometry(12, 22, 100, 20);
  platform::SetTag(taggedA, 3);
  taggedB = new QRadioButton(QStringLiteral("反选"), tagged);
  taggedB->setGeometry(130, 22, 100, 20);
  platform::SetTag(taggedB, 4);

  radioGroup = new QGroupBox(QStringLiteral("走势"), this);
  radioGroup->setGeometry(220, 330, 110, 100);
  groupRadio = new QRadioButton(QStringLiteral("红球"), radioGroup);
  groupRadio->setGeometry(10, 22, 90, 20);
  groupRadio->setChecked(true);
  (new QRadioButton(QStringLiteral("蓝球"), radioGroup))->setGeometry(10, 46, 90, 20);
  groupLabel = new QLabel(QStringLiteral("二选一"), radioGroup);
  groupLabel->setGeometry(10, 72, 90, 20);

  scrollBox = new QScrollArea(this);
  scrollBox->setGeometry(600, 288, 150, 140);
  auto* inside = new QWidget;
  inside->resize(260, 220);
  inBox = new QPushButton(QStringLiteral("框内按钮"), inside);
  inBox->setGeometry(10, 10, 100, 28);
  scrollBox->setWidget(inside);

  bar = new QScrollBar(Qt::Vertical, this);
  bar->setGeometry(760, 288, 17, 140);
  bar->setRange(0, 100);
  bar->setPageStep(10);
  bar->setValue(30);
  horzBar = new QScrollBar(Qt::Horizontal, this);
  horzBar->setGeometry(787, 288, 103, 17);
  horzBar->setRange(0, 20);
  horzBar->setValue(20);
  grip = new QSizeGrip(this);
  grip->setGeometry(874, 414, 16, 16);
}

}  // namespace gallery
