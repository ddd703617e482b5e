// The change-password dialog: the signed-in user (CurrentUser) gives the new
// password twice and the old one; the data service's "ChangeUserPwd" makes
// the change and its answer is shown as it comes. The main window makes
// it for one exec() from its menu and frees it afterwards.
#pragma once

#include "platform/Db.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

// Calls "ChangeUserPwd" on the connection (opened here with the connection
// string) and returns the server's answer text; DbError when the service
// cannot be reached or the call fails. The procedure and the connection are
// closed again in every case.
std::string ChangeUserPwd(platform::DbConnection& connection, platform::StoredProc& proc,
                          const std::string& connectionString, const std::string& userName,
                          const std::string& newPwdDigest, const std::string& oldPwdDigest);

class TFrmChangePwd : public QDialog {
 public:
  explicit TFrmChangePwd(QWidget* parent = nullptr);
  ~TFrmChangePwd() override;

  void Button1Click();

  QLabel *Label1, *Label2, *Label3;
  QLineEdit *edtNewPwd, *edtConfirm, *edtOldPwd;
  QPushButton *Button1, *Button2;

 private:
  // Declared in this order so that the procedure goes first.
  std::unique_ptr<platform::DbConnection> ADOConnection1;
  std::unique_ptr<platform::StoredProc> ADOStoredProc1;
};
