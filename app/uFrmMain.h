// The main window, the frame of the whole program: two tabs holding the
// trend window and the shrink window, the menu of modes and system
// functions, and the training panel that replays the history one issue at
// a time. Its first show embeds the two views and runs the sign-in; an
// abandoned sign-in closes it without the exit question.
//
// The skin component and the upgrade component live in libraries built
// after this one, so they plug in through TMainComponents, which the
// program entry fills; a part left empty is simply absent (the menu's
// "检查更新" is disabled then). A skin file that gives no skin is named to
// the user once, with the reason, when the skin would go on; a settings
// file that cannot be written, at the first failed write.
#pragma once

#include "platform/Colors.h"
#include "platform/Messages.h"

#include <QMainWindow>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class TFrmLogin;
class TFrmShrink;
class TFrmTrend;

// Private message the main window sends itself to run the sign-in.
inline constexpr unsigned WM_SHOWLOGIN = platform::WM_USER + 103;

// The skin file, relative to the program's folder.
inline constexpr const char* MainSkinFile = "skin/Watercolor-BLUE.skn";

// The components the program plugs into the main window.
struct TMainComponents {
  // The skin component: its skin file (set at creation; the answer is why
  // it gives no skin, empty when it does) and its switch (turned on once
  // the sign-in has ended).
  std::function<QString(const QString& file)> SetSkinFile;
  std::function<void(bool active)> SetSkinActive;
  // The upgrade component: the version it compares against (set at
  // creation) and its update check, started without waiting.
  std::function<void(const QString& version)> SetVersionNumber;
  std::function<void()> StartUpdateCheck;
  // Each sign-in dialog, made and not yet shown: where the dialog's own
  // upgrade component plugs in (its StartUpdateCheck, UpGradEndUpgrade).
  std::function<void(TFrmLogin& dialog)> LoginCreated;
};

class TfrmMain : public QMainWindow {
 public:
  // FormCreate: the components, the skin file and the version handed on.
  explicit TfrmMain(TMainComponents components = {}, QWidget* parent = nullptr);
  // FormDestroy.
  ~TfrmMain() override;

  // The pause before the sign-in dialog appears.
  static inline std::chrono::milliseconds LoginDelay{500};
  // The colour of the hidden issue lists.
  static constexpr platform::TColor HiddenComboColor = 0x717171;

  // Runs a dialog modally and gives its result (platform::RunModal unless
  // replaced; tests answer in place of the user).
  std::function<int(QDialog& dialog)> ExecDialog;
  // A uniform integer 0..range - 1 (0 when range is 1 or less), for
  // "随机期数".
  std::function<int32_t(int32_t range)> Random;
  // Called when the window has closed (the program ends its message loop).
  std::function<void()> OnClose;

  // ---- modes and training
  bool TrainingMode() const;
  void ApplyMode();
  void RefreshCurrentIndex();
  void FillIssues();
  void ShowCurrentIssue();
  void CboYearClick();
  void CboNOClick();
  void BtnOpenClick();
  void BtnRandomNoClick();
  void ChkHideNoClick();
  void Button1Click();

  // The colour of a training combo box (the window colour unless set).
  static platform::TColor ControlColor(const QWidget* control);

  // The embedded views (none before the first show).
  TFrmTrend* FrmTrend() const { return trend_; }
  TFrmShrink* FrmShrinkView() const { return shrink_; }
  // True once a sign-in was abandoned: the window closes without asking.
  bool CloseWithoutAsking() const { return closeWithoutAsking_; }

  void setVisible(bool visible) override;

  // ---- the components
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  QWidget* PanTran;
  QLabel* Label1;
  QComboBox* CboYear;
  QComboBox* CboNO;
  QCheckBox* ChkHideNo;
  QPushButton* BtnOpen;
  QLineEdit* edtNums;
  QPushButton* BtnRandomNo;
  QPushButton* Button1;
  QMenu* N1;
  QAction* popAnaly;
  QAction* popTran;
  QMenu* N3;
  QAction* N8;
  QAction* N4;
  QAction* N5;
  QAction* N6;
  QAction* N9;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void CreateComponents();
  void CreateMenu();
  void PlaceNormal();
  void FormShow();
  void ShowLogin();
  void ModeClick(QAction* clicked, QAction* other);
  void ShowDialog(QDialog& dialog);
  // Enables the training controls as the history and "隐藏期号" allow.
  void UpdateTrainingControls();
  int SelectedYear() const;
  // Lets the views go, and with them their settings; a settings file that
  // cannot be written is named once they are gone.
  void FreeViews();
  // Names the settings file that cannot be written, and why; held back
  // while the views go.
  void SettingsWriteFailed(const QString& file, const QString& reason);

  TMainComponents components_;
  TFrmTrend* trend_ = nullptr;    // children of the tab sheets
  TFrmShrink* shrink_ = nullptr;
  bool closeWithoutAsking_ = false;
  bool showing_ = false;
  QString skinProblem_;  // why the skin file gave no skin, until the user is told
  bool holdSettingsFailure_ = false;
  std::optional<std::pair<QString, QString>> heldSettingsFailure_;  // file, reason
  // The settings object reaches the window only through this cell, emptied
  // when the window goes.
  std::shared_ptr<TfrmMain*> self_;
};
