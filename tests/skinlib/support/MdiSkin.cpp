#include "skinlib/support/MdiSkin.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace testskins {

namespace {

// One 4-pixel frame of `colour` around a `size` square of the key colour.
QImage FrameStrip(int size, QColor colour) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  QPainter p(&image);
  p.fillRect(0, 0, size, 4, colour);
  p.fillRect(0, size - 4, size, 4, colour);
  p.fillRect(0, 0, 4, size, colour);
  p.fillRect(size - 4, 0, 4, size, colour);
  return image;
}

QColor FromSkinColour(int c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

TestSkin MdiSkin(int groupBoxTransparency, bool border) {
  TestSkin skin = FormSkin();
  SkinSection& group = skin.Section(QStringLiteral("GROUPBOX"));
  group.Set(QStringLiteral("COLOR"), kMdiGroupBoxColor)
      .Set(QStringLiteral("TRANSPARENCY"), groupBoxTransparency)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020);
  if (border) {
    const QRect r = skin.Place(FrameStrip(16, FromSkinColour(kGroupBoxBorderColor)));
    group.Set(QStringLiteral("BORDERSMASK"), BorderValue(r, QMargins(4, 4, 4, 4), 1, 0, 0, 4));
  }
  return skin;
}

DemoMdi DemoMdiMainWindow() {
  DemoMdi demo;
  auto* window = new QMainWindow;
  demo.Window = window;
  window->setWindowTitle(QStringLiteral("双色球分析 - 多文档"));
  window->setProperty("FormStyle", QStringLiteral("fsMDIForm"));
  auto* bar = new QMenuBar;
  for (const char* title : {"文件(&F)", "窗口(&W)", "帮助(&H)"}) bar->addMenu(QString::fromUtf8(title))->addAction(QStringLiteral("…"));
  window->setMenuBar(bar);
  QToolBar* tools = window->addToolBar(QStringLiteral("工具"));
  tools->addAction(QStringLiteral("开奖"));
  tools->addAction(QStringLiteral("缩水"));
  window->statusBar()->showMessage(QStringLiteral("就绪"));
  demo.Area = new QMdiArea;
  demo.Area->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);  // the client edge
  window->setCentralWidget(demo.Area);
  const char* titles[3] = {"走势图", "号码缩水", "开奖记录"};
  for (int i = 0; i < 3; ++i) {
    QWidget* form = nullptr;
    if (i == 2) {
      form = new QWidget;
      auto* layout = new QVBoxLayout(form);
      demo.Frame = new TFrame;
      auto* inner = new QVBoxLayout(demo.Frame);
      inner->addWidget(new QLabel(QStringLiteral("2024001 期: 03 08 15 21 27 33 + 09")));
      inner->addWidget(new QPushButton(QStringLiteral("下一期")));
      layout->addWidget(demo.Frame);
    } else {
      auto* text = new QTextEdit;
      text->setPlainText(QString::fromUtf8(titles[i]));
      form = text;
    }
    form->setWindowTitle(QString::fromUtf8(titles[i]));
    demo.Children[i] = demo.Area->addSubWindow(form);
    demo.Children[i]->resize(260, 170);
  }
  return demo;
}

}  // namespace testskins
