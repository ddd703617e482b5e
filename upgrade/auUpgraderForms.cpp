#include "upgrade/auUpgraderForms.h"

#include "platform/AppWindow.h"
#include "platform/UserPrompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <utility>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& bounds = {}) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  if (!bounds.isNull()) label->setGeometry(bounds);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

QString UpgraderAppTitle() {
  const QString title = platform::ApplicationTitle();
  return title.isEmpty() ? QString::fromUtf8(UpgraderAppTitleText) : title;
}

// ------------------------------------------------------------ upgrade message

TauUpgraderUpgradeMessageForm::TauUpgraderUpgradeMessageForm(TauUpgraderLanguage language, const QString& message,
                                                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName("auUpgraderUpgradeMessageForm");
  setWindowTitle(UpgraderText(language, utCaption));
  const QString name = UpgraderAppTitle();
  const QString extra = message.isEmpty() ? QString() : "\n" + message + "\n";
  const QString text = UpgraderFormat(language, utNewerVersion, name.toUtf8().constData(), extra.toUtf8().constData());

  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  icon->setGeometry(12, 12, 32, 32);
  Label1 = MakeLabel(this, "Label1", text);
  Label1->setWordWrap(true);
  Label1->setTextFormat(Qt::PlainText);

  auto* panel = new QWidget(this);
  auto* buttons = new QHBoxLayout(panel);
  buttons->setContentsMargins(11, 8, 11, 11);
  buttons->addStretch();
  YesBtn = MakeButton(panel, "YesBtn", UpgraderText(language, utYes));
  LaterBtn = MakeButton(panel, "LaterBtn", UpgraderText(language, utLater));
  YesBtn->setDefault(true);
  buttons->addWidget(YesBtn);
  buttons->addWidget(LaterBtn);
  connect(YesBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(LaterBtn, &QPushButton::clicked, this, &QDialog::reject);

  // The label takes the client width but its left and 11 pixels; the
  // window fits the label and the button panel.
  const int width = 420, left = 56;
  Label1->setGeometry(left, 12, width - left - 11, Label1->heightForWidth(width - left - 11));
  const int panelTop = std::max(Label1->geometry().bottom(), 44) + 8;
  panel->setGeometry(0, panelTop, width, panel->sizeHint().height());
  setFixedSize(width, panelTop + panel->sizeHint().height());
}

bool TauUpgraderUpgradeMessageForm::Execute() { return platform::Prompts().ExecDialog(*this) == QDialog::Accepted; }

// ------------------------------------------------------------ password

TauUpgraderPasswordForm::TauUpgraderPasswordForm(TauUpgraderLanguage language, const QString& fileName,
                                                 std::string& username, std::string& password, QWidget* parent)
    : QDialog(parent), username_(username), password_(password) {
  setObjectName("auUpgraderPasswordForm");
  setWindowTitle(UpgraderText(language, utEnterPassword));
  Label1 = MakeLabel(this, "Label1", UpgraderFormat(language, utPasswordProtected, fileName.toUtf8().constData()));
  Label1->setWordWrap(true);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setFixedWidth(340);
  UsernameLab = MakeLabel(this, "UsernameLab", UpgraderText(language, utUserName));
  PasswordLab = MakeLabel(this, "PasswordLab", UpgraderText(language, utPassword));
  UsernameEdit = new QLineEdit(QString::fromStdString(username), this);
  UsernameEdit->setObjectName("UsernameEdit");
  PasswordEdit = new QLineEdit(this);
  PasswordEdit->setObjectName("PasswordEdit");
  PasswordEdit->setEchoMode(QLineEdit::Password);
  OKBtn = MakeButton(this, "OKBtn", UpgraderText(language, utOK));
  CancelBtn = MakeButton(this, "CancelBtn", UpgraderText(language, utCancel));
  OKBtn->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(Label1);
  layout->addSpacing(8);
  for (auto [label, edit] : {std::pair{UsernameLab, UsernameEdit}, std::pair{PasswordLab, PasswordEdit}}) {
    auto* row = new QHBoxLayout;
    label->setFixedWidth(90);
    row->addWidget(label);
    row->addWidget(edit);
    layout->addLayout(row);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(OKBtn, &QPushButton::clicked, this, [this] {
    username_ = UsernameEdit->text().toStdString();
    password_ = PasswordEdit->text().toStdString();
    accept();
  });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TauUpgraderPasswordForm::Execute() { return platform::Prompts().ExecDialog(*this) == QDialog::Accepted; }

// ------------------------------------------------------------ a running check

TauUpgraderCheckForm::TauUpgraderCheckForm(TauUpgraderLanguage language, const QString& host, QWidget* parent)
    : QDialog(parent) {
  setObjectName("auUpgraderCheckForm");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(UpgraderText(language, utCheckingTitle));
  Label1 = MakeLabel(this, "Label1", UpgraderFormat(language, utChecking, host.toUtf8().constData()));
  Label1->setTextFormat(Qt::PlainText);
  Progress = new QProgressBar(this);
  Progress->setObjectName("Progress");
  Progress->setRange(0, 0);  // busy: how long the server takes is not known
  Progress->setTextVisible(false);
  Progress->setMinimumWidth(300);
  CancelBtn = MakeButton(this, "CancelBtn", UpgraderText(language, utCancel));
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(Label1);
  layout->addWidget(Progress);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TauUpgraderCheckForm::CloseQuietly() {
  quiet_ = true;
  close();
}

void TauUpgraderCheckForm::reject() {
  if (!std::exchange(quiet_, true) && OnCancel) OnCancel();
  QDialog::reject();
}

// ------------------------------------------------------------ wizard

QImage UpgraderSidePicture() {
  QImage image(118, 218, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient sky(0, 0, 0, 218);
  sky.setColorAt(0, QColor(24, 70, 140));
  sky.setColorAt(1, QColor(120, 175, 225));
  p.fillRect(image.rect(), sky);
  p.setRenderHint(QPainter::Antialiasing);
  // A tray and an arrow coming down into it.
  p.setPen(QPen(QColor(255, 255, 255, 220), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygon({{26, 128}, {26, 150}, {92, 150}, {92, 128}}));
  QPainterPath arrow;
  arrow.addPolygon(QPolygonF({{50, 58}, {68, 58}, {68, 100}, {82, 100}, {59, 130}, {36, 100}, {50, 100}}));
  arrow.closeSubpath();
  p.setPen(Qt::NoPen);
  p.fillPath(arrow, QColor(255, 210, 60));
  p.setPen(QColor(255, 255, 255, 160));
  p.setFont(QFont(p.font().family(), 9, QFont::Bold));
  p.drawText(QRect(0, 176, 118, 20), Qt::AlignCenter, QStringLiteral("UPDATE"));
  return image;
}

TauUpgraderWizardForm::TauUpgraderWizardForm(TauUpgraderLanguage language, bool hideFileLocation, bool stayOnTop,
                                             const QImage& picture)
    : QWidget(nullptr, Qt::Dialog | (stayOnTop ? Qt::WindowStaysOnTopHint : Qt::Widget)), language_(language) {
  setObjectName("auUpgraderWizardForm");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(UpgraderText(language, utCaption));
  setFixedSize(480, 298);
  auto text = [language](int index) { return UpgraderText(language, index); };

  Image1 = MakeLabel(this, "Image1", {}, {10, 10, 118, 218});
  Image1->setPixmap(QPixmap::fromImage(picture.isNull() ? UpgraderSidePicture() : picture));
  Image1->setFrameShape(QFrame::Panel);
  Image1->setFrameShadow(QFrame::Sunken);
  WizardTitle = MakeLabel(this, "WizardTitle", text(utDownloadingTitle), {140, 8, 330, 22});
  QFont bold = WizardTitle->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  WizardTitle->setFont(bold);

  LCurrentFile = new QGroupBox(" " + text(utCurrentFile) + " ", this);
  LCurrentFile->setObjectName("LCurrentFile");
  LCurrentFile->setGeometry(136, 34, 334, 146);
  LAllFiles = new QGroupBox(" " + text(utAllFiles) + " ", this);
  LAllFiles->setObjectName("LAllFiles");
  LAllFiles->setGeometry(136, 188, 334, 58);

  LDownloadingFileFrom = MakeLabel(this, "LDownloadingFileFrom", text(utDownloadingFrom), {148, 60, 310, 16});
  FileURL = new QLineEdit(this);
  FileURL->setObjectName("FileURL");
  FileURL->setReadOnly(true);
  FileURL->setGeometry(148, 78, 310, 22);
  FileURL->installEventFilter(this);
  LFileSize = MakeLabel(this, "LFileSize", {}, {148, 104, 310, 16});
  LTransferRate = MakeLabel(this, "LTransferRate", {}, {148, 120, 310, 16});
  LEstimatedTime = MakeLabel(this, "LEstimatedTime", text(utPreparing), {148, 136, 310, 16});
  ProgressCurrentFile = new QProgressBar(this);
  ProgressCurrentFile->setObjectName("ProgressCurrentFile");
  ProgressCurrentFile->setGeometry(148, 156, 310, 16);
  AllDownloading = MakeLabel(this, "AllDownloading", {}, {148, 208, 310, 16});
  ProgressAllFiles = new QProgressBar(this);
  ProgressAllFiles->setObjectName("ProgressAllFiles");
  ProgressAllFiles->setGeometry(148, 226, 310, 16);
  for (QProgressBar* bar : {ProgressCurrentFile, ProgressAllFiles}) {
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
  }
  AfterNote = MakeLabel(this, "AfterNote", {}, {140, 44, 326, 150});
  AfterNote->setWordWrap(true);
  AfterNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  AfterNote->hide();

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(10, 252, 460, 4);
  const QString about = QStringLiteral(" %1 ").arg(QString::fromUtf8(UpgraderNameText));
  AboutShadow = MakeLabel(this, "AboutShadow", about, {11, 267, 120, 18});
  AboutLabel = MakeLabel(this, "AboutLabel", about, {10, 266, 120, 18});
  QFont aboutFont = AboutLabel->font();
  aboutFont.setBold(true);
  AboutShadow->setFont(aboutFont);
  AboutLabel->setFont(aboutFont);
  AboutShadow->setStyleSheet("color: white;");
  AboutLabel->setStyleSheet("color: gray;");
  CancelBtn = MakeButton(this, "CancelBtn", text(utCancel));
  CancelBtn->setGeometry(300, 262, 80, 26);
  FinishBtn = MakeButton(this, "FinishBtn", text(utNext));
  FinishBtn->setGeometry(390, 262, 80, 26);
  FinishBtn->setEnabled(false);
  connect(CancelBtn, &QPushButton::clicked, this, [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });
  connect(FinishBtn, &QPushButton::clicked, this, &QWidget::close);

  if (hideFileLocation) {
    LDownloadingFileFrom->hide();
    FileURL->hide();
    const int top = LDownloadingFileFrom->y();
    LFileSize->move(LFileSize->x(), top);
    LTransferRate->move(LTransferRate->x(), top + 16);
    LEstimatedTime->move(LEstimatedTime->x(), top + 32);
    ProgressCurrentFile->move(ProgressCurrentFile->x(), top + 52);
    LCurrentFile->setGeometry(LCurrentFile->geometry().adjusted(0, 10, 0, -20));
  }
}

bool TauUpgraderWizardForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == FileURL && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) return true;
  return QWidget::eventFilter(watched, e);
}

void TauUpgraderWizardForm::ShowFile(const QString& url, int index, int count) {
  FileURL->setText(url);
  FileURL->setCursorPosition(0);
  AllDownloading->setText(UpgraderFormat(language_, utDownloadingOf, index + 1, count));
}

void TauUpgraderWizardForm::ShowFileSize(int64_t size) {
  LFileSize->setText(UpgraderFormat(language_, utFileSize, static_cast<double>(size) / 1024.0));
}

void TauUpgraderWizardForm::ShowProgress(int percent, int totalPercent, float rate, int secondsLeft) {
  ProgressCurrentFile->setValue(percent);
  ProgressAllFiles->setValue(totalPercent);
  LTransferRate->setText(UpgraderFormat(language_, utTransferRate, static_cast<double>(rate)));
  LEstimatedTime->setText(
      UpgraderFormat(language_, utTimeLeft, secondsLeft / 3600, secondsLeft / 60 % 60, secondsLeft % 60));
}

void TauUpgraderWizardForm::SetFinished() {
  finished_ = true;
  WizardTitle->setText(UpgraderText(language_, utCompletedTitle));
  AfterNote->setText(UpgraderFormat(language_, utCompletedNote, UpgraderAppTitle().toUtf8().constData()));
  AfterNote->show();
  AfterNote->raise();
  for (QWidget* w : std::initializer_list<QWidget*>{LCurrentFile, LAllFiles, LDownloadingFileFrom, FileURL, LFileSize,
                                                    LTransferRate, LEstimatedTime, ProgressCurrentFile,
                                                    AllDownloading, ProgressAllFiles})
    w->hide();
  CancelBtn->setEnabled(false);
  FinishBtn->setText(UpgraderText(language_, utOK));
  FinishBtn->setEnabled(true);
  FinishBtn->setDefault(true);
  FinishBtn->setFocus();
}

void TauUpgraderWizardForm::CloseQuietly() {
  quiet_ = true;
  close();
}

void TauUpgraderWizardForm::closeEvent(QCloseEvent* e) {
  if (closed_) return;
  bool aborted = false;
  if (!finished_ && !quiet_) {
    const int answer = platform::Prompts().MessageBox(this, UpgraderText(language_, utAbortQuestion),
                                                      UpgraderAppTitle(),
                                                      platform::MB_YESNO | platform::MB_ICONQUESTION);
    if (answer != platform::IDYES) {
      e->ignore();
      return;
    }
    aborted = true;
  }
  closed_ = true;
  e->accept();
  if (OnClosed) OnClosed(aborted);
}
