#include "skinlib/support/DialogDemo.h"

#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ButtonSkin.h"
#include "skinlib/support/DialogSkin.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace testskins {

namespace {

QWidget* StatisticsForm() {
  auto* form = new QWidget(nullptr, Qt::Window);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->setWindowTitle(QStringLiteral("号码统计"));
  auto* layout = new QVBoxLayout(form);
  layout->addWidget(new QLabel(QStringLiteral("蓝球 09 出现 12 次")));
  auto* close = new QPushButton(QStringLiteral("关闭"));
  QObject::connect(close, &QPushButton::clicked, form, &QWidget::close);
  layout->addWidget(close, 0, Qt::AlignRight);
  return form;
}

}  // namespace

TestSkin DialogDemoSkin() {
  TestSkin skin = DialogSkin();
  // One window colour, as a skin made for use has it: what the dialog
  // paints is what its palette (GLOBALINFO's) tells the controls within
  // its unskinned containers.
  skin.Section(QStringLiteral("DIALOG")).Put(QStringLiteral("COLOR"), kDialogGlobalColor);
  AddButtonSections(skin);
  skin.Section(QStringLiteral("TOOLBUTTON"))
      .Set(QStringLiteral("COLOR"), kDemoToolColor)
      .Set(QStringLiteral("HOTCOLOR"), 0xFAF0E6)
      .Set(QStringLiteral("FONTCOLOR"), 0x402010)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0x8C4218);
  skin.Section(QStringLiteral("BUTTON")).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("TOOLBUTTON"));
  skin.Section(QStringLiteral("EDIT")).Set(QStringLiteral("COLOR"), 0xFFFFFF).Set(QStringLiteral("FONTCOLOR"), 0x202020);
  skin.Section(QStringLiteral("COMBOBOX")).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("EDIT"));
  return skin;
}

DialogDemo::DialogDemo(const QString& skinsDir, const QString& filesDir)
    : Main(std::make_unique<QWidget>()), filesDir_(filesDir) {
  QWidget* main = Main.get();
  main->setWindowTitle(QStringLiteral("双色球 演示"));
  Manager = new TsSkinManager(main);
  Manager->SetSkinDirectory(skinsDir);
  auto* layout = new QVBoxLayout(main);
  layout->addWidget(new QLabel(QStringLiteral("开奖数据与统计")));
  auto* row = new QHBoxLayout;
  layout->addLayout(row);
  const auto button = [row](const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption));
    row->addWidget(b);
    return b;
  };
  MessageButton = button("提示…");
  FileButton = button("打开开奖数据…");
  ColourButton = button("选择颜色…");
  FormButton = button("号码统计…");
  layout->addStretch();
  QObject::connect(MessageButton, &QPushButton::clicked, main, [this, main] {
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("已读入 2 期开奖号码。"),
                    QMessageBox::Ok, main);
    Opened = &box;
    LastResult = box.exec();
  });
  QObject::connect(FileButton, &QPushButton::clicked, main, [this, main] {
    QFileDialog files(main, QStringLiteral("打开开奖数据"), filesDir_);
    files.setOption(QFileDialog::DontUseNativeDialog);
    Opened = &files;
    LastResult = files.exec();
  });
  QObject::connect(ColourButton, &QPushButton::clicked, main, [this, main] {
    QColorDialog colours(QColor(0xC8, 0x32, 0x32), main);
    colours.setOption(QColorDialog::DontUseNativeDialog);
    Opened = &colours;
    LastResult = colours.exec();
  });
  QObject::connect(FormButton, &QPushButton::clicked, main, [this] {
    QWidget* form = StatisticsForm();
    Opened = form;
    form->show();
    form->activateWindow();
  });
}

DialogDemo::~DialogDemo() { Main.reset(); }

void DialogDemo::SkinOn() {
  if (Manager->SkinName() != QLatin1String("Dialogs")) Manager->SetSkinName(QStringLiteral("Dialogs"));
  Manager->SetActive(true);
}

}  // namespace testskins
