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
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <tuple>

#ifndef SSQ_PROJECT_PAGE
#define SSQ_PROJECT_PAGE ""
#endif
#ifndef SSQ_CONTACT_PHONE
#define SSQ_CONTACT_PHONE ""
#endif
#ifndef SSQ_CONTACT_QQ
#define SSQ_CONTACT_QQ ""
#endif
#ifndef SSQ_CONTACT_MAIL
#define SSQ_CONTACT_MAIL ""
#endif

const char* const ProjectTitle = "双色球分析工具 SsqAnalyzer";
const char* const ProjectPage = SSQ_PROJECT_PAGE;
const char* const ProgramName = "ssqanalyzer";

TAboutContacts ProgramContacts() {
  return {QString::fromUtf8(ProjectPage), QString::fromUtf8(SSQ_CONTACT_PHONE), QString::fromUtf8(SSQ_CONTACT_QQ),
          QString::fromUtf8(SSQ_CONTACT_MAIL)};
}

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

  Image1 = new QLabel(this);
  Image1->setPixmap(ProgramPicture());
  LabTitle = Text(QString::fromUtf8(ProjectTitle), this);
  QFont titleFont = LabTitle->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
  LabTitle->setFont(titleFont);
  LabWeb = Text(QStringLiteral("官方网站"), this);
  LabWebAddress = Text(QString(), this);
  LabWebAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
  LabVersionCaption = Text(QStringLiteral("当前版本："), this);
  LabVersion = Text(QStringLiteral("V2.0.0.1"), this);
  LabPhone = Text(QString(), this);
  LabQQ = Text(QStringLiteral("QQ："), this);
  LabMail = Text(QStringLiteral("邮箱："), this);
  Edit1 = new QLineEdit(this);
  Edit2 = new QLineEdit(this);
  for (QLineEdit* edit : {Edit1, Edit2}) {
    edit->setReadOnly(true);
    edit->setFrame(false);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
  }
  for (QLabel* label : {LabWeb, LabPhone, LabQQ, LabMail}) label->installEventFilter(this);
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
  grid->addWidget(LabWeb, 1, 0);
  grid->addWidget(LabWebAddress, 1, 1);
  grid->addWidget(LabPhone, 2, 0, 1, 2);
  grid->addWidget(LabQQ, 3, 0);
  grid->addWidget(Edit1, 3, 1);
  grid->addWidget(LabMail, 4, 0);
  grid->addWidget(Edit2, 4, 1);
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
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setMinimumWidth(340);
  ShowContacts(ProgramContacts());
}

void TfrmAbout::ShowContacts(const TAboutContacts& contacts) {
  PageAddress = contacts.Page;
  const bool page = !PageAddress.isEmpty();
  LabWeb->setVisible(page);
  LabWebAddress->setVisible(page);
  LabWebAddress->setText(PageAddress);
  LabWeb->setToolTip(PageAddress);
  LabPhone->setText(QStringLiteral("联系电话：") + contacts.Phone);
  LabPhone->setVisible(!contacts.Phone.isEmpty());
  for (auto [label, edit, value] : {std::tuple{LabQQ, Edit1, contacts.QQ}, std::tuple{LabMail, Edit2, contacts.Mail}}) {
    edit->setText(value);
    edit->setCursorPosition(0);
    label->setVisible(!value.isEmpty());
    edit->setVisible(!value.isEmpty());
  }
  // The labels that open the page look so only when there is one.
  for (QLabel* label : {LabWeb, LabPhone, LabQQ, LabMail}) {
    if (page)
      label->setCursor(Qt::PointingHandCursor);
    else
      label->unsetCursor();
  }
}

void TfrmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The first contact edit shown takes the focus, else the button; shown
  // again by the window system (its owner minimized and restored), the box
  // keeps the focus where the user left it.
  if (event->spontaneous()) return;
  QLineEdit* first = Edit1->isVisibleTo(this) ? Edit1 : Edit2->isVisibleTo(this) ? Edit2 : nullptr;
  if (!first) {
    Button1->setFocus();
    return;
  }
  first->setFocus();
  // Activation selects the focused text; the contact should just read.
  QTimer::singleShot(0, first, [first] {
    first->deselect();
    first->setCursorPosition(0);
  });
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && !PageAddress.isEmpty()) platform::Prompts().OpenUrl(PageAddress);
  return QDialog::eventFilter(watched, event);
}
