#include "app/uFrmLogin.h"

#include "engine/uBaseFunc.h"
#include "engine/uIniFileMgr.h"
#include "engine/uLottery.h"
#include "platform/AppPath.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/FileUtil.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <filesystem>
#include <future>
#include <thread>

namespace {

constexpr const char* kSection = "Login";

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& bounds,
                  const char* style) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(bounds);
  l->setStyleSheet(style);
  return l;
}

// Lets go of a worker: waits for it up to `limit`; one that is still
// running after that is handed to a thread of its own that frees it once
// it has ended.
void ReleaseWorker(std::unique_ptr<TReadData> worker, std::chrono::milliseconds limit) {
  auto ended = std::make_shared<std::promise<void>>();
  std::future<void> done = ended->get_future();
  std::thread reaper([worker = std::move(worker), ended]() mutable {
    worker->WaitFor();
    ended->set_value();
    worker.reset();
  });
  if (done.wait_for(limit) == std::future_status::ready)
    reaper.join();
  else
    reaper.detach();
}

// True when a relative folder ("skin/", always ending in '/') lies inside
// the folder it is taken from: not absolute, no ".." segment.
bool StaysInside(const std::string& folder) {
  return folder.front() != '/' &&
         ("/" + folder).find("/../") == std::string::npos;
}

}  // namespace

// ------------------------------------------------------------------ TImage

TImage::TImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_NoSystemBackground);
}

platform::TRect TImage::PaintRect() const {
  const QRect g = geometry();
  if (Stretch || Picture.Empty()) return platform::Bounds(g.x(), g.y(), g.width(), g.height());
  return platform::Bounds(g.x(), g.y(), Picture.Width(), Picture.Height());
}

bool TImage::LoadPng(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  std::string error;
  if (Picture.LoadFromBytes(std::string_view(bytes.constData(), size_t(bytes.size())),
                            QStringLiteral("png"), &error))
    return true;
  qWarning("Picture %s: %s", qPrintable(path), error.c_str());
  return false;
}

// ---------------------------------------------------------------- upgrades

std::vector<std::string> FinishUpgradeFiles(const std::vector<std::string>& downloadedFiles,
                                            const std::string& appFolder) {
  namespace fs = std::filesystem;
  std::vector<std::string> problems;
  for (const std::string& entry : downloadedFiles) {
    std::string s = entry;
    if (size_t at = s.find("update/"); at != std::string::npos) s.erase(0, at + 7);
    const size_t k = s.rfind('/');
    if (k == std::string::npos) continue;  // a file of the program's own folder
    const std::string sub = s.substr(0, k + 1), name = s.substr(k + 1);
    if (!StaysInside(sub) || name.empty() || name == "..") {
      problems.push_back("拒绝的更新文件: " + entry);
      continue;
    }
    const std::string folder = appFolder + sub;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw std::runtime_error("无法创建文件夹: " + folder);
    const std::string temp = appFolder + name + std::string(UpgradeTempSuffix);
    if (fs::exists(temp, ec)) {
      std::string error;
      std::optional<std::string> bytes = platform::ReadFileBytes(temp, &error);
      if (!bytes || !platform::WriteFileAtomic(folder + name, *bytes, &error)) {
        problems.push_back("无法更新文件 " + folder + name + "：" + error);
        continue;  // the download stays for another try
      }
    }
    fs::remove(temp, ec);
  }
  return problems;
}

// --------------------------------------------------------------- TFrmLogin

TFrmLogin::TFrmLogin(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      self_(std::make_shared<TFrmLogin*>(this)) {
  setObjectName("FrmLogin");
  setWindowTitle(QStringLiteral("登录"));
  setFixedSize(311, 196);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  auto image = [this](const char* name, const QString& file, const QRect& bounds) {
    auto* i = new TImage(this);
    i->setObjectName(name);
    i->setGeometry(bounds);
    i->LoadPng(":/login/" + file);
    return i;
  };
  Image1 = image("Image1", "back.png", QRect(0, 0, 311, 196));
  Image1->Stretch = true;
  Image2 = image("Image2", "user.png", QRect(44, 62, 20, 20));
  Image3 = image("Image3", "lock.png", QRect(44, 98, 20, 20));
  imgExit = image("imgExit", "exit.png", QRect(285, 8, 16, 16));
  ImgDownload = image("ImgDownload", "download.png", QRect(262, 8, 16, 16));

  const QString title = QStringLiteral("用户登录");
  const char* titleStyle = "font-size: 16px; font-weight: bold;";
  Label1 = MakeLabel(this, "Label1", title, QRect(19, 11, 120, 24),
                     "color: #6d1010; font-size: 16px; font-weight: bold;");
  Label2 = MakeLabel(this, "Label2", title, QRect(18, 10, 120, 24), titleStyle);
  Label2->setStyleSheet(QString("color: white; ") + titleStyle);
  Label4 = MakeLabel(this, "Label4", QString(), QRect(16, 162, 279, 1), "background: #c3cbd8;");

  edtName = new QLineEdit(this);
  edtName->setObjectName("edtName");
  edtName->setGeometry(72, 60, 180, 24);
  edtPwd = new QLineEdit(this);
  edtPwd->setObjectName("edtPwd");
  edtPwd->setGeometry(72, 96, 180, 24);
  edtPwd->setEchoMode(QLineEdit::Password);
  edtPwd->setStyleSheet("lineedit-password-character: 42;");  // '*'
  ChkUser = new QCheckBox(this);
  ChkUser->setObjectName("ChkUser");
  ChkUser->setGeometry(72, 130, 18, 18);
  Label3 = MakeLabel(this, "Label3", QStringLiteral("记住用户名"), QRect(92, 129, 80, 20),
                     "color: #34425a;");
  BtnOK = new QPushButton(QStringLiteral("登录(&L)"), this);
  BtnOK->setObjectName("BtnOK");
  BtnOK->setFlat(true);
  BtnOK->setGeometry(172, 126, 80, 26);
  BtnOK->setStyleSheet(
      "QPushButton { color: white; background: #c62828; border: 1px solid #8e1b1b;"
      " border-radius: 3px; } QPushButton:hover { background: #d84343; }"
      " QPushButton:pressed { background: #a31f1f; }");
  connect(BtnOK, &QPushButton::clicked, this, [this] { BtnOKClick(); });

  const QRect info(18, 168, 275, 20);
  lbinfo = MakeLabel(this, "lbinfo", QString(), info, "color: #1e3f73;");
  LabUserInfo = MakeLabel(this, "LabUserInfo", QStringLiteral("用户名不能为空"), info,
                          "color: #c62828;");
  LabPwdInfo = MakeLabel(this, "LabPwdInfo", QStringLiteral("密码名不能为空"), info,
                         "color: #c62828;");
  labLogin = MakeLabel(this, "labLogin", QStringLiteral("登录成功"), info, "color: #1e6b2e;");
  for (QLabel* l : {lbinfo, LabUserInfo, LabPwdInfo, labLogin}) l->hide();

  // The two labels over the icons take the mouse; the icons follow them.
  LabExit = MakeLabel(this, "LabExit", QString(), QRect(imgExit->pos(), QSize(20, 20)), "");
  LabExit->setToolTip(QStringLiteral("退出"));
  LabDownload = MakeLabel(this, "LabDownload", QString(), ImgDownload->geometry(), "");
  LabDownload->setToolTip(QStringLiteral("更新程序"));
  exitHome_ = imgExit->pos();
  downloadHome_ = ImgDownload->pos();
  for (QWidget* w : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(LabExit),
                     static_cast<QWidget*>(LabDownload)})
    w->installEventFilter(this);

  Timer1 = new QTimer(this);
  Timer1->setInterval(3000);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  TIniFileMgr& ini = IniFileMgr();
  edtName->setText(Q(ini.ReadString(kSection, "UserName", "")));
  ChkUser->setChecked(ini.ReadBool(kSection, "ChkUser", false));
}

TFrmLogin::~TFrmLogin() {
  *self_ = nullptr;
  TIniFileMgr& ini = IniFileMgr();
  ini.WriteString(kSection, "UserName", ChkUser->isChecked() ? edtName->text().toStdString() : "");
  ini.WriteBool(kSection, "ChkUser", ChkUser->isChecked());
  if (thread_) ReleaseWorker(std::move(thread_), WorkerJoinLimit);
}

void TFrmLogin::BtnOKClick() {
  if (edtName->text().isEmpty()) {
    ShowInfoLabel(LabUserInfo);
    Timer1->start();
    edtName->setFocus();
  } else if (edtPwd->text().isEmpty()) {
    ShowInfoLabel(LabPwdInfo);
    Timer1->start();
    edtPwd->setFocus();
  } else {
    platform::PostMessage(this, WM_DOLOGIN);
  }
}

void TFrmLogin::ShowInfoLabel(QLabel* label) {
  for (QLabel* l : {lbinfo, LabUserInfo, LabPwdInfo, labLogin}) l->setVisible(l == label);
  RestartMessageTime();
}

// Each message stays its full time: a running timer starts again with the
// newest one.
void TFrmLogin::RestartMessageTime() {
  if (Timer1->isActive()) Timer1->start();
}

void TFrmLogin::Timer1Timer() {
  LabPwdInfo->hide();
  LabUserInfo->hide();
  lbinfo->hide();
}

bool TFrmLogin::event(QEvent* e) {
  if (e->type() == QEvent::Type(WM_DOLOGIN)) {
    StartLogin();
    return true;
  }
  return QDialog::event(e);
}

void TFrmLogin::StartLogin() {
  if (thread_) return;  // one sign-in, one writer of the history, at a time
  ShowInfoLabel(lbinfo);
  auto reader = std::make_unique<TReadData>();
  reader->UserName = edtName->text().toStdString();
  reader->PwdDigest = HashPassword(edtPwd->text().toStdString());
  const std::shared_ptr<TFrmLogin*> self = self_;
  reader->OnStatus = [self](const std::string& text) {
    if (*self) (*self)->ShowLoginInfo(text);
  };
  reader->OnLogin = [self](bool success, const std::string& msg) {
    if (*self) (*self)->LoginResult(success, msg);
  };
  CurrentUser = reader->UserName;
  reader->OnTerminate = [self] {
    if (*self) (*self)->LoginThreadDone();
  };
  gotResult_ = false;
  thread_ = std::move(reader);
  thread_->Resume();
}

void TFrmLogin::ShowLoginInfo(const std::string& text) {
  lbinfo->setText(Q(text));
  RestartMessageTime();
}

void TFrmLogin::LoginResult(bool success, const std::string& msg) {
  gotResult_ = true;
  if (success)
    accept();
  else
    ShowLoginInfo(msg);
}

void TFrmLogin::LoginThreadDone() {
  if (!gotResult_) {
    // Whatever the worker said last, the user learns that it failed.
    ShowInfoLabel(lbinfo);
    ShowLoginInfo(std::string(TextConnectFailed));
  }
  thread_.reset();  // it has ended: joining returns at once
}

void TFrmLogin::UpGradEndUpgrade(const std::vector<std::string>& downloadedFiles) {
  QString report;
  try {
    for (const std::string& p : FinishUpgradeFiles(downloadedFiles, platform::GetAppPath()))
      report += Q(p) + "\n";
  } catch (const std::exception& e) {
    report += Q(e.what());
  }
  if (!report.isEmpty())
    platform::Prompts().MessageBox(this, report.trimmed(), windowTitle(),
                                   platform::MB_OK | platform::MB_ICONERROR);
}

void TFrmLogin::MoveExitImage(bool hot) {
  imgExit->move(exitHome_ + (hot ? QPoint(5, 5) : QPoint()));
  LabExit->move(imgExit->pos());
  update();
}

void TFrmLogin::MoveDownloadImage() {
  const int d = (downloadHot_ ? 2 : 0) + (downloadDown_ ? 2 : 0);
  ImgDownload->move(downloadHome_ + QPoint(d, d));
  LabDownload->move(ImgDownload->pos());
  update();
}

bool TFrmLogin::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type t = e->type();
  auto* mouse = dynamic_cast<QMouseEvent*>(e);
  if (watched == Image1 && mouse) {
    if (t == QEvent::MouseButtonPress) {
      dragging_ = true;
      dragFrom_ = mouse->position().toPoint();
    } else if (t == QEvent::MouseMove && dragging_) {
      move(pos() + mouse->position().toPoint() - dragFrom_);
    } else if (t == QEvent::MouseButtonRelease) {
      dragging_ = false;
    }
  } else if (watched == LabExit) {
    if (t == QEvent::Enter || t == QEvent::Leave) MoveExitImage(t == QEvent::Enter);
    if (t == QEvent::MouseButtonRelease && mouse &&
        LabExit->rect().contains(mouse->position().toPoint()))
      reject();
  } else if (watched == LabDownload) {
    if (t == QEvent::Enter || t == QEvent::Leave) downloadHot_ = t == QEvent::Enter;
    if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease)
      downloadDown_ = t == QEvent::MouseButtonPress;
    if (t == QEvent::Enter || t == QEvent::Leave || t == QEvent::MouseButtonPress ||
        t == QEvent::MouseButtonRelease)
      MoveDownloadImage();
    if (t == QEvent::MouseButtonRelease && mouse &&
        LabDownload->rect().contains(mouse->position().toPoint()) && StartUpdateCheck)
      StartUpdateCheck();
  }
  return QDialog::eventFilter(watched, e);
}

void TFrmLogin::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape || e->matches(QKeySequence::Cancel)) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TFrmLogin::paintEvent(QPaintEvent*) {
  // Double-buffered: the pictures are laid one over the other, each with
  // its alpha, into one bitmap that goes to the screen at once.
  platform::Bitmap back(width(), height(), platform::pf24bit);
  back.Fill(palette().color(QPalette::Window).rgb());
  for (TImage* i : {Image1, Image2, Image3, imgExit, ImgDownload})
    if (i->isVisible()) i->Picture.Draw(back.GetCanvas(), i->PaintRect());
  back.GetCanvas().EndPainting();
  QPainter(this).drawImage(0, 0, back.ConstImage());
}
