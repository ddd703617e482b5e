#include "app/uFrmChangePwd.h"

#include "engine/uBaseFunc.h"
#include "engine/uLottery.h"
#include "platform/Dispatcher.h"
#include "platform/UserPrompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtGlobal>

TFrmChangePwd::TFrmChangePwd(QWidget* parent)
    : QDialog(parent), self_(std::make_shared<TFrmChangePwd*>(this)) {
  setObjectName("FrmChangePwd");
  setWindowTitle(QStringLiteral("修改密码"));
  setFixedSize(295, 170);
  auto row = [this](const char* labelName, const QString& caption, const char* editName, int y,
                    QLabel*& label, QLineEdit*& edit) {
    label = new QLabel(caption, this);
    label->setObjectName(labelName);
    label->setGeometry(30, y + 3, 70, 20);
    edit = new QLineEdit(this);
    edit->setObjectName(editName);
    edit->setGeometry(105, y, 160, 24);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet("lineedit-password-character: 42;");  // '*'
    edit->setMaxLength(16);
  };
  row("Label1", QStringLiteral("新密码"), "edtNewPwd", 18, Label1, edtNewPwd);
  row("Label2", QStringLiteral("确认密码"), "edtConfirm", 52, Label2, edtConfirm);
  row("Label3", QStringLiteral("旧密码"), "edtOldPwd", 86, Label3, edtOldPwd);
  Button1 = new QPushButton(QStringLiteral("确定(&O)"), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(60, 128, 80, 26);
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("退出(&E)"), this);
  Button2->setObjectName("Button2");
  Button2->setGeometry(155, 128, 80, 26);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmChangePwd::~TFrmChangePwd() {
  // The worker's call, asked to stop as the worker goes, stops waiting at
  // once; its answer finds no dialog.
  *self_ = nullptr;
}

// Under the dialog's own caption, which a small box shows whole.
void TFrmChangePwd::Say(const QString& text) { platform::Prompts().MessageBox(this, text, windowTitle(), platform::MB_OK); }

void TFrmChangePwd::Button1Click() {
  if (changing_) return;
  // An empty password would be taken, and the sign-in refuses an empty one:
  // the user could not sign in again.
  if (edtNewPwd->text().isEmpty()) {
    Say(QStringLiteral("新密码不能为空！"));
    return;
  }
  if (edtNewPwd->text() != edtConfirm->text()) {
    Say(QStringLiteral("两次输入的新密码不一致！"));
    return;
  }
  changing_ = true;
  Button1->setEnabled(false);
  Button2->setEnabled(false);
  if (worker_.joinable()) worker_.join();  // the last change's worker, ended
  worker_ = std::jthread(
      [self = self_, connection = DataServiceConnectionString(), user = CurrentUser,
       newPwd = HashPassword(edtNewPwd->text().toStdString()),
       oldPwd = HashPassword(edtOldPwd->text().toStdString()), login = LoginTimeout,
       command = CommandTimeout](std::stop_token stop) {
        std::string answer;
        try {
          answer = ChangeUserPwd(connection, user, newPwd, oldPwd, login, command, stop);
        } catch (const std::exception& e) {
          // The driver's diagnostics are no answer of the service: the log
          // keeps them, the user reads ours.
          qWarning("change of password: %s", e.what());
          answer = TextConnectFailed;
        }
        platform::GuiDispatcher().Post([self, answer = QString::fromStdString(answer)] {
          if (*self) (*self)->ChangeDone(answer);
        });
      });
}

void TFrmChangePwd::ChangeDone(const QString& answer) {
  changing_ = false;
  Button1->setEnabled(true);
  Button2->setEnabled(true);
  Say(answer);
}
