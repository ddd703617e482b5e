#include "app/uFrmAbout.h"

#include "platform/UserPrompts.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#ifndef SSQ_PROJECT_PAGE
#define SSQ_PROJECT_PAGE ""
#endif

const char* const ProjectTitle = "双色球分析工具 SsqAnalyzer";
const char* const ProjectPage = SSQ_PROJECT_PAGE;
const char* const ProgramName = "ssqanalyzer";

namespace {

// The program's picture: five red balls and a blue one.
QPixmap ProgramPicture() {
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centres[] = {{12, 12}, {24, 8}, {36, 12}, {12, 26}, {36, 26}, {24, 36}};
  for (int i = 0; i < 6; ++i) {
    const bool blue = i == 5;
    p.setPen(blue ? QColor(0x10, 0x30, 0x90) : QColor(0x90, 0x10, 0x10));
    p.setBrush(blue ? QColor(0x30, 0x60, 0xE0) : QColor(0xE0, 0x30, 0x30));
    p.drawEllipse(centres[i], 7, 7);
  }
  return pixmap;
}

QLabel* Text(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("关于"));
  PageAddress = QString::fromUtf8(ProjectPage);
  const QString pageText = PageAddress.isEmpty() ? QStringLiteral("项目主页：未设置") : PageAddress;

  Image1 = new QLabel(this);
  Image1->setPixmap(ProgramPicture());
  LabTitle = Text(QString::fromUtf8(ProjectTitle), this);
  QFont titleFont = LabTitle->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
  LabTitle->setFont(titleFont);
  LabWeb = Text(QStringLiteral("官方网站"), this);
  LabVersionCaption = Text(QStringLiteral("当前版本："), this);
  LabVersion = Text(QStringLiteral("V2.0.0.1"), this);
  LabPhone = Text(QStringLiteral("联系电话：见项目主页"), this);
  LabQQ = Text(QStringLiteral("QQ：见项目主页"), this);
  LabMail = Text(QStringLiteral("邮箱：见项目主页"), this);
  Edit1 = new QLineEdit(pageText, this);
  Edit2 = new QLineEdit(QString::fromUtf8(ProjectTitle), this);
  for (QLineEdit* edit : {Edit1, Edit2}) {
    edit->setReadOnly(true);
    edit->setFrame(false);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
  }
  for (QLabel* label : {LabWeb, LabPhone, LabQQ, LabMail}) {
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(this);
  }
  QFont link = LabWeb->font();
  link.setUnderline(true);
  LabWeb->setFont(link);
  LabWeb->setStyleSheet(QStringLiteral("color: #1a4fb0"));
  Button1 = new QPushButton(QStringLiteral("确定(&O)"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->addWidget(LabVersionCaption, 0, 0);
  grid->addWidget(LabVersion, 0, 1);
  grid->addWidget(LabWeb, 1, 0, 1, 2);
  grid->addWidget(LabPhone, 2, 0, 1, 2);
  grid->addWidget(LabQQ, 3, 0, 1, 2);
  grid->addWidget(LabMail, 4, 0, 1, 2);
  grid->addWidget(Edit1, 5, 0, 1, 2);
  grid->addWidget(Edit2, 6, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* head = new QHBoxLayout;
  head->addWidget(Image1);
  head->addWidget(LabTitle, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  setMinimumWidth(340);
}

void TfrmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Edit1->setFocus();
  // Activation selects the focused text; the address should just read.
  QTimer::singleShot(0, Edit1, [edit = Edit1] {
    edit->deselect();
    edit->setCursorPosition(0);
  });
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && !PageAddress.isEmpty()) platform::Prompts().OpenUrl(PageAddress);
  return QDialog::eventFilter(watched, event);
}
