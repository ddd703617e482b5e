// The sign-in dialog: a borderless, stay-on-top window that checks the
// input, signs the user in and downloads the history on a TReadData worker,
// shows the worker's status texts and ends with Accepted once signed in.
//
// The main window makes it with itself as parent and runs exec(): Accepted
// means signed in (CurrentUser and the history are then set); anything else
// means the user closed it. The upgrade component plugs into the update
// label (StartUpdateCheck) and calls UpGradEndUpgrade when it has
// downloaded files.
#pragma once

#include "dataclient/uThread.h"
#include "platform/Messages.h"
#include "platform/Picture.h"

#include <QDialog>
#include <QPoint>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// A picture on a form. The form paints it (the sign-in dialog paints all its
// pictures into one back buffer); the widget gives it its place, order and
// mouse.
class TImage : public QWidget {
 public:
  explicit TImage(QWidget* parent);
  platform::Picture Picture;
  bool Stretch = false;  // fill the bounds; else drawn at its own size

  // The picture's rectangle in the parent's coordinates.
  platform::TRect PaintRect() const;
  // Loads a picture kept as a PNG file (a resource path), through the
  // picture registry; false when it could not be read.
  bool LoadPng(const QString& path);
};

// Private message the dialog posts to itself to start signing in.
inline constexpr unsigned WM_DOLOGIN = platform::WM_USER + 104;

// The suffix of files the upgrade has downloaded beside the program.
inline constexpr std::string_view UpgradeTempSuffix = ".uTMP";

// Moves downloaded files of the program's sub-folders into place: for each
// download address (what follows "update/" when present) that names a
// sub-folder, the file of that name plus ".uTMP" in `appFolder` is copied
// into the sub-folder (made when missing, the file replaced through a
// temporary name) and the downloaded file is deleted. Addresses without a
// folder are left alone. Addresses that would leave the program's folder
// (".." or an absolute path) are refused, and a file that cannot be copied
// keeps its download; both are returned as texts. A folder that cannot be
// made raises std::runtime_error "无法创建文件夹: <folder>".
std::vector<std::string> FinishUpgradeFiles(const std::vector<std::string>& downloadedFiles,
                                            const std::string& appFolder);

class TFrmLogin : public QDialog {
 public:
  explicit TFrmLogin(QWidget* parent = nullptr);
  ~TFrmLogin() override;

  // The version the upgrade component compares against.
  static constexpr const char* VersionNumber = "2.0.0.1";
  // How long closing the dialog waits for a running worker; a worker still
  // stuck in the data layer after that is left to end on its own.
  static inline std::chrono::milliseconds WorkerJoinLimit{3000};

  // The upgrade's part: the update check the update label starts (not
  // waiting for it), and its end, with the addresses it downloaded.
  std::function<void()> StartUpdateCheck;
  void UpGradEndUpgrade(const std::vector<std::string>& downloadedFiles);

  // The worker running now (nullptr when none).
  const TReadData* ReadData() const { return thread_.get(); }

  void BtnOKClick();
  void Timer1Timer();
  // Shows one of the four message labels (lbinfo, LabUserInfo, LabPwdInfo,
  // labLogin), which share one place, and hides the other three. Once the
  // message timer runs, every message shown (here or in lbinfo) starts its
  // 3 seconds again.
  void ShowInfoLabel(QLabel* label);
  void ShowLoginInfo(const std::string& text);
  void LoginResult(bool success, const std::string& msg);

  TImage *Image1, *Image2, *Image3, *imgExit, *ImgDownload;
  QLabel *Label1, *Label2, *Label3, *Label4;
  QLineEdit *edtName, *edtPwd;
  QCheckBox* ChkUser;
  QPushButton* BtnOK;
  QLabel *lbinfo, *LabUserInfo, *LabPwdInfo, *labLogin;
  QLabel *LabExit, *LabDownload;
  QTimer* Timer1;

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // The dialog has no cancel key: Escape does nothing, only the exit label
  // leaves it.
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void StartLogin();
  void LoginThreadDone();
  void RestartMessageTime();
  void MoveExitImage(bool hot);
  void MoveDownloadImage();

  std::unique_ptr<TReadData> thread_;
  bool gotResult_ = false;
  // The worker's calls reach the dialog only through this cell, emptied
  // when the dialog goes.
  std::shared_ptr<TFrmLogin*> self_;
  bool dragging_ = false;
  QPoint dragFrom_;
  QPoint exitHome_, downloadHome_;
  bool downloadHot_ = false, downloadDown_ = false;
};
