// The upgrade's windows: the question whether to upgrade, the progress
// wizard, the password dialog, and the small window of a running check.
// The modal two run through the prompts (platform::Prompts().ExecDialog),
// so tests answer them.
#pragma once

#include "upgrade/auUpgraderTexts.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The program's name in the upgrade's texts: its title
// (platform::ApplicationTitle), "<AppTitle>" when it has none.
QString UpgraderAppTitle();

// "A newer version ... was released", Yes or Later.
class TauUpgraderUpgradeMessageForm : public QDialog {
 public:
  TauUpgraderUpgradeMessageForm(TauUpgraderLanguage language, const QString& message, QWidget* parent = nullptr);
  // True for Yes.
  bool Execute();

  QLabel* Label1;
  QPushButton *YesBtn, *LaterBtn;
};

// The user name and password for a protected file.
class TauUpgraderPasswordForm : public QDialog {
 public:
  // OK copies the edits into `username` and `password`.
  TauUpgraderPasswordForm(TauUpgraderLanguage language, const QString& fileName, std::string& username,
                          std::string& password, QWidget* parent = nullptr);
  // True for OK.
  bool Execute();

  QLabel *Label1, *UsernameLab, *PasswordLab;
  QLineEdit *UsernameEdit, *PasswordEdit;
  QPushButton *OKBtn, *CancelBtn;

 private:
  std::string &username_, &password_;
};

// The modeless progress wizard. It is freed when closed; closing it before
// it has finished asks whether to abort (through the prompts).
class TauUpgraderWizardForm : public QWidget {
 public:
  TauUpgraderWizardForm(TauUpgraderLanguage language, bool hideFileLocation, bool stayOnTop, const QImage& picture);

  // Called once when the window closes; `aborted` when the user chose to
  // abort the upgrade.
  std::function<void(bool aborted)> OnClosed;

  void ShowFile(const QString& url, int index, int count);
  void ShowFileSize(int64_t size);
  void ShowProgress(int percent, int totalPercent, float rate, int secondsLeft);
  // The downloads are done: the finish button closes the wizard.
  void SetFinished();
  bool Finished() const { return finished_; }
  // Closes without asking (the upgrade stopped for another reason).
  void CloseQuietly();

  QLabel *Image1, *WizardTitle, *LDownloadingFileFrom, *LFileSize, *LTransferRate, *LEstimatedTime,
      *AllDownloading, *AfterNote, *AboutLabel, *AboutShadow;
  QGroupBox *LCurrentFile, *LAllFiles;
  QLineEdit* FileURL;
  QProgressBar *ProgressCurrentFile, *ProgressAllFiles;
  QPushButton *FinishBtn, *CancelBtn;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  TauUpgraderLanguage language_;
  bool finished_ = false;
  bool quiet_ = false;
  bool closed_ = false;
};

// The window of a running check: which server is asked, a busy bar and a
// button that cancels the check. Modeless; freed when closed.
class TauUpgraderCheckForm : public QDialog {
 public:
  TauUpgraderCheckForm(TauUpgraderLanguage language, const QString& host, QWidget* parent = nullptr);

  // The cancel button (or closing the window) asks for this.
  std::function<void()> OnCancel;
  // Closes without asking for a cancel (the check has ended).
  void CloseQuietly();

  QLabel* Label1;
  QProgressBar* Progress;
  QPushButton* CancelBtn;

  // The cancel button, Escape and closing the window come here.
  void reject() override;

 private:
  bool quiet_ = false;
};

// The wizard's built-in side picture, 118 × 218.
QImage UpgraderSidePicture();
