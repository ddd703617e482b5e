// The change-password dialog: the signed-in user (CurrentUser) gives the new
// password twice and the old one; the data service's "ChangeUserPwd" makes
// the change and its answer is shown as it comes. The main window makes
// it for one exec() from its menu and frees it afterwards.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFrmChangePwd : public QDialog {
 public:
  explicit TFrmChangePwd(QWidget* parent = nullptr);
  ~TFrmChangePwd() override;

  void Button1Click();

  QLabel *Label1, *Label2, *Label3;
  QLineEdit *edtNewPwd, *edtConfirm, *edtOldPwd;
  QPushButton *Button1, *Button2;
};
