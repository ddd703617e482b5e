// The change-password dialog: the signed-in user (CurrentUser) gives the new
// password twice and the old one; the data service's "ChangeUserPwd" makes
// the change and its answer is shown as it comes. An empty new password is
// refused before anything is sent. The main window makes
// it for one exec() from its menu and frees it afterwards.
//
// The change runs on a worker thread, as the sign-in does, so the window
// keeps answering while the service takes its time; the two buttons are
// disabled meanwhile. Closing the dialog during a change stops waiting for
// it at once (its late answer is thrown away).
#pragma once

#include "dataclient/uThread.h"

#include <QDialog>

#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QPushButton;

class TFrmChangePwd : public QDialog {
 public:
  explicit TFrmChangePwd(QWidget* parent = nullptr);
  ~TFrmChangePwd() override;

  // The deadline of a change, as for a sign-in (tests shorten it).
  int LoginTimeout = DataServiceLoginTimeout;
  int CommandTimeout = DataServiceCommandTimeout;

  void Button1Click();
  // True while a change waits for the service's answer.
  bool Changing() const { return changing_; }

  QLabel *Label1, *Label2, *Label3;
  QLineEdit *edtNewPwd, *edtConfirm, *edtOldPwd;
  QPushButton *Button1, *Button2;

 private:
  void Say(const QString& text);
  void ChangeDone(const QString& answer);

  bool changing_ = false;
  // The worker's answer reaches the dialog only through this cell, emptied
  // when the dialog goes.
  std::shared_ptr<TFrmChangePwd*> self_;
  std::jthread worker_;  // declared last: stopped and joined first
};
