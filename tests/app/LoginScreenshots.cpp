// Screenshots of the sign-in dialog (after a refused sign-in, with the
// server's text) and of the change-password dialog, written as PNG files
// into the folder given: app_login_screenshots docs/screenshots (under Xvfb).
#include "app/uFrmChangePwd.h"
#include "app/uFrmLogin.h"
#include "engine/uIniFileMgr.h"
#include "platform/AppPath.h"
#include "platform/Dispatcher.h"
#include "platform/Startup.h"

#include "support/DataService.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  platform::UnitStartupScope units;
  testsupport::TempDir settings;
  platform::SetAppPathOverride(settings.Path());
  IniFileMgr();
  platform::GuiDispatcher();
  testsupport::DataService service;
  ::setenv(ConnectionStringVariable, service.ConnectionString().c_str(), 1);
  const QString out = QString::fromLocal8Bit(argv[1]);

  TFrmLogin login;
  login.show();
  login.edtName->setText("demo");
  login.edtPwd->setText("wrong");
  login.BtnOK->click();
  QTest::qWait(100);
  bool ok = QTest::qWaitFor([&] { return !login.ReadData(); }, 30000);
  QTest::qWait(200);
  ok = login.grab().save(out + "/login.png") && ok;

  TFrmChangePwd change;
  change.show();
  change.edtNewPwd->setText("secret9");
  change.edtConfirm->setText("secret9");
  QTest::qWait(200);
  ok = change.grab().save(out + "/change-password.png") && ok;
  return ok ? 0 : 1;
}
