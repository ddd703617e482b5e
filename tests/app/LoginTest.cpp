// The sign-in and change-password dialogs against the project's own data
// service, and the moving of upgraded files.
#include "app/uFrmChangePwd.h"
#include "app/uFrmLogin.h"
#include "engine/uLottery.h"
#include "platform/Dispatcher.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"

#include "support/DataService.h"
#include "support/SettingsSandbox.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>
#include <thread>
#include <vector>

namespace {

testsupport::DataService* service = nullptr;

struct ServiceEnvironment : ::testing::Environment {
  void SetUp() override {
    service = new testsupport::DataService;
    ::setenv(ConnectionStringVariable, service->ConnectionString().c_str(), 1);
  }
  void TearDown() override { delete service; }
};

// Fills in the fields and clicks "登录"; the dialog handles what it posted.
void Click(TFrmLogin& f, const QString& name, const QString& pwd) {
  f.edtName->setText(name);
  f.edtPwd->setText(pwd);
  f.BtnOK->click();
  QCoreApplication::sendPostedEvents(&f);
}

bool WorkerGone(TFrmLogin& f) { return QTest::qWaitFor([&] { return !f.ReadData(); }, 30000); }

// While it lives, the connection string names a port nothing listens on.
struct DeadService {
  DeadService() {
    ::setenv(ConnectionStringVariable, std::regex_replace(good, std::regex("Port=[0-9]+"), "Port=1").c_str(), 1);
  }
  ~DeadService() { ::setenv(ConnectionStringVariable, good.c_str(), 1); }
  const std::string good = service->ConnectionString();
};

}  // namespace

// A sign-in reads the history; a second click while its worker runs is
// ignored (a refused password is the end-to-end tests').
TEST(Login, ASignInReadsTheHistoryAndASecondClickMeanwhileIsIgnored) {
  ClearDrawModel();
  TFrmLogin f;
  for (TImage* i : {f.Image1, f.Image2, f.Image3, f.imgExit, f.ImgDownload})
    EXPECT_EQ(i->Picture.FormatExtension(), "png") << i->objectName().toStdString();
  EXPECT_EQ(f.geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
  f.show();
  Click(f, "demo", "demo123");
  ASSERT_NE(f.ReadData(), nullptr);
  Click(f, "other", "demo123");
  EXPECT_EQ(f.ReadData()->UserName, "demo");
  ASSERT_TRUE(WorkerGone(f));
  EXPECT_EQ(f.result(), QDialog::Accepted);
  EXPECT_EQ(CurrentUser, "demo");
  EXPECT_EQ(DrawHistory.Count(), 3320);
  EXPECT_EQ(f.lbinfo->text(), "下载数据.... 3322/3322");
}

TEST(Login, EmptyFieldsAreNamedForThreeSecondsAndNothingIsSent) {
  const struct {
    QString name, pwd;
    const char *shown, *focus;
  } cases[] = {{"", "x", "LabUserInfo", "edtName"}, {"demo", "", "LabPwdInfo", "edtPwd"}};
  for (const auto& c : cases) {
    TFrmLogin f;
    f.show();
    Click(f, c.name, c.pwd);
    auto* label = f.findChild<QLabel*>(c.shown);
    EXPECT_TRUE(label->isVisible()) << c.shown;
    EXPECT_EQ(f.focusWidget()->objectName(), c.focus);
    EXPECT_EQ(f.ReadData(), nullptr);
    EXPECT_EQ(f.Timer1->interval(), 3000);
    EXPECT_TRUE(f.Timer1->isActive());
    f.Timer1Timer();
    EXPECT_FALSE(label->isVisible());
  }
}

// A message shown while an earlier one's time runs gets its full 3 seconds:
// the timer starts again with it.
TEST(Login, EachMessageGetsItsFullTime) {
  TFrmLogin f;
  f.show();
  const struct {
    const char* name;
    bool statusShown;  // the sign-in's status line is up already
  } messages[] = {{"the status line after an empty password", false},
                  {"the server's refusal in the status line", true}};
  for (const auto& m : messages) {
    Click(f, "demo", "");  // "密码名不能为空": its time runs
    ASSERT_TRUE(f.Timer1->isActive());
    if (m.statusShown) f.ShowInfoLabel(f.lbinfo);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Timer1->remainingTime() < 2000; }, 5000));
    if (!m.statusShown) f.ShowInfoLabel(f.lbinfo);
    f.LoginResult(false, "用户名或密码错误");
    EXPECT_GT(f.Timer1->remainingTime(), 2500) << m.name;
    // Past the earlier message's end the new one is still there.
    QTest::qWait(1200);
    EXPECT_TRUE(f.lbinfo->isVisible()) << m.name;
  }
}

// The name is kept only when asked; the next dialog opens with it.
TEST(Login, TheNameIsRememberedOnlyWhenAsked) {
  for (bool remember : {true, false}) {
    auto f = std::make_unique<TFrmLogin>();
    f->edtName->setText("remembered");
    f->ChkUser->setChecked(remember);
    f.reset();
    TFrmLogin g;
    EXPECT_EQ(g.edtName->text(), remember ? "remembered" : "");
    EXPECT_EQ(g.ChkUser->isChecked(), remember);
  }
}

// The worker ends within the join limit, or (limit 0) is left to end on
// its own; either way its calls keep away from the dialog.
TEST(Login, ClosingWhileTheWorkerRunsKeepsItsCallsAwayFromTheDialog) {
  for (const int limit : {3000, 0}) {
    TFrmLogin::WorkerJoinLimit = std::chrono::milliseconds(limit);
    std::optional<DeadService> dead;  // a worker that ends soon: no history to read
    if (!limit) dead.emplace();
    auto* f = new TFrmLogin;
    Click(*f, "demo", "demo123");
    ASSERT_NE(f->ReadData(), nullptr);
    delete f;
    // Its reports (status, status, end at the least) run here and touch nothing.
    int handled = 0;
    for (int i = 0; i < 3000 && handled < 3; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
      handled += platform::GuiDispatcher().Pump();
    EXPECT_GE(handled, 3);
  }
  TFrmLogin::WorkerJoinLimit = std::chrono::milliseconds(3000);
}

TEST(Login, AWorkerEndingWithoutAResultSaysTheServerFailed) {
  TFrmLogin f;
  f.show();
  {
    DeadService dead;
    Click(f, "demo", "demo123");
    f.Timer1Timer();  // a tick of the timer hides the status line meanwhile
    EXPECT_FALSE(f.lbinfo->isVisible());
    ASSERT_TRUE(WorkerGone(f));
  }
  EXPECT_TRUE(f.lbinfo->isVisible());
  EXPECT_EQ(f.lbinfo->text(), "服务器连接失败！");
}

// Escape leaves the dialog open, also while a sign-in downloads (which then
// ends it signed in); only the exit label leaves.
TEST(Login, EscapeDoesNothingOnlyTheExitLabelLeaves) {
  for (const bool signIn : {true, false}) {
    SCOPED_TRACE(signIn ? "downloading" : "idle");
    ClearDrawModel();
    TFrmLogin f;
    bool open = false;
    QTimer::singleShot(0, &f, [&] {
      if (signIn) Click(f, "demo", "demo123");
      const bool running = f.ReadData() != nullptr;
      QTest::keyClick(f.edtPwd, Qt::Key_Escape);
      QTest::keyClick(&f, Qt::Key_Escape);
      open = f.isVisible() && running == signIn;
      if (!signIn) QTest::mouseRelease(f.LabExit, Qt::LeftButton, {}, QPoint(4, 4));
    });
    EXPECT_EQ(f.exec(), signIn ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_TRUE(open);
  }
}

// The four message labels share one place: the one shown hides the others.
TEST(Login, OneMessageLabelAtATime) {
  TFrmLogin f;
  f.show();
  const struct {
    QString name, pwd;
    bool dead;
    QLabel* shown;
  } steps[] = {{"", "x", false, f.LabUserInfo},
               {"demo", "", false, f.LabPwdInfo},
               {"", "", false, f.LabUserInfo},
               {"demo", "demo123", true, f.lbinfo},  // the failure stays in the status line
               {"demo", "", false, f.LabPwdInfo}};
  for (const auto& s : steps) {
    std::optional<DeadService> dead;
    if (s.dead) dead.emplace();
    Click(f, s.name, s.pwd);
    if (s.dead) {
      ASSERT_TRUE(WorkerGone(f));
    }
    for (QLabel* l : {f.lbinfo, f.LabUserInfo, f.LabPwdInfo, f.labLogin})
      EXPECT_EQ(l->isVisible(), l == s.shown) << l->objectName().toStdString() << " after "
                                               << s.shown->objectName().toStdString();
  }
}

// Where every control of the dialog lies (the four message labels share the
// status line's place), and its pictures load from the resources.
TEST(Login, ControlsLieWhereTheDialogPutsThemAndThePicturesLoad) {
  TFrmLogin f;
  const QRect status(18, 168, 275, 20);
  const std::vector<std::pair<const char*, QRect>> places = {
      {"Image1", {0, 0, 311, 196}},      {"Image2", {44, 62, 20, 20}},     {"Image3", {44, 98, 20, 20}},
      {"imgExit", {285, 8, 16, 16}},     {"ImgDownload", {262, 8, 16, 16}}, {"Label1", {19, 11, 120, 24}},
      {"Label2", {18, 10, 120, 24}},     {"Label3", {92, 129, 80, 20}},     {"Label4", {16, 162, 279, 1}},
      {"edtName", {72, 60, 180, 24}},    {"edtPwd", {72, 96, 180, 24}},     {"ChkUser", {72, 130, 18, 18}},
      {"BtnOK", {172, 126, 80, 26}},     {"lbinfo", status},                {"LabUserInfo", status},
      {"LabPwdInfo", status},            {"labLogin", status},              {"LabExit", {285, 8, 20, 20}},
      {"LabDownload", {262, 8, 16, 16}}};
  for (const auto& [name, place] : places) {
    const QWidget* w = f.findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->geometry(), place) << name;
  }
  TImage image(nullptr);
  EXPECT_TRUE(image.LoadPng(":/login/exit.png"));
  EXPECT_EQ(std::pair(image.Picture.Width(), image.Picture.Height()), std::pair(16, 16));
  EXPECT_FALSE(image.LoadPng(":/login/none.png"));
}

// The icons move under the mouse (the exit icon by 5 when hot, the download
// icon by 2 when hot and 2 more when pressed); the background drags.
TEST(Login, TheIconsAnswerTheMouseAndTheBackgroundDragsTheDialog) {
  TFrmLogin f;
  int checks = 0;
  f.StartUpdateCheck = [&] { ++checks; };
  f.show();
  const QPoint exitAt = f.imgExit->pos(), downloadAt = f.ImgDownload->pos(), at = f.pos();
  const struct {
    QLabel* label;
    QEvent::Type type;
    QPoint at;
    int checks;
  } steps[] = {{f.LabExit, QEvent::Enter, exitAt + QPoint(5, 5), 0},
               {f.LabExit, QEvent::Leave, exitAt, 0},
               {f.LabDownload, QEvent::Enter, downloadAt + QPoint(2, 2), 0},
               {f.LabDownload, QEvent::MouseButtonPress, downloadAt + QPoint(4, 4), 0},
               {f.LabDownload, QEvent::MouseButtonRelease, downloadAt + QPoint(2, 2), 1},
               {f.LabDownload, QEvent::Leave, downloadAt, 1}};
  for (const auto& s : steps) {
    if (s.type == QEvent::MouseButtonPress) QTest::mousePress(s.label, Qt::LeftButton, {}, QPoint(4, 4));
    if (s.type == QEvent::MouseButtonRelease) QTest::mouseRelease(s.label, Qt::LeftButton, {}, QPoint(4, 4));
    QEvent crossing(s.type);
    if (s.type == QEvent::Enter || s.type == QEvent::Leave) QApplication::sendEvent(s.label, &crossing);
    const TImage* icon = s.label == f.LabExit ? f.imgExit : f.ImgDownload;
    EXPECT_EQ(std::pair(icon->pos(), s.label->pos()), std::pair(s.at, s.at)) << s.type;
    EXPECT_EQ(checks, s.checks);
  }
  QTest::mouseRelease(f.LabDownload, Qt::LeftButton, {}, QPoint(40, 4));
  EXPECT_EQ(checks, 1) << "released off the icon";
  QTest::mousePress(f.Image1, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(f.Image1, QPoint(30, 25));
  QTest::mouseRelease(f.Image1, Qt::LeftButton, {}, QPoint(30, 25));
  EXPECT_EQ(f.pos(), at + QPoint(20, 15));
  QTest::mouseRelease(f.LabExit, Qt::LeftButton, {}, QPoint(40, 4));
  EXPECT_TRUE(f.isVisible()) << "released off the icon";
  QTest::mouseRelease(f.LabExit, Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_FALSE(f.isVisible());
}

TEST(Login, UpgradedFilesOfSubFoldersMoveIntoPlace) {
  namespace fs = std::filesystem;
  testsupport::TempDir d;
  const std::string app = d.Path() + "/";
  for (const char* name : {"Blue.skn", "ssq", "evil", "Busy"})
    d.Write(std::string(name) + ".uTMP", name);
  fs::create_directories(app + "data/Busy");  // a folder where the file should go
  const auto problems = FinishUpgradeFiles(
      {"http://h/update/skin/Blue.skn", "http://h/update/ssq", "http://h/update/../evil",
       "http://h/update//tmp/evil", "http://h/update/data/Busy"},
      app);
  EXPECT_EQ(d.Read("skin/Blue.skn"), "Blue.skn");
  EXPECT_FALSE(fs::exists(app + "Blue.skn.uTMP"));
  for (const char* kept : {"ssq.uTMP", "evil.uTMP", "Busy.uTMP"}) EXPECT_TRUE(fs::exists(app + kept));
  EXPECT_EQ(problems.size(), 3u);
  d.Write("file", "");
  try {
    FinishUpgradeFiles({"update/file/x"}, app);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), "无法创建文件夹: " + app + "file/");
  }
}

// The server's answer, or why there is none, is shown (the change itself is
// made by the end-to-end test).
TEST(ChangePwd, TheServersAnswerIsShown) {
  CurrentUser = "nobody";
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scope(prompts);
  TFrmChangePwd f;
  const struct {
    QString newPwd, confirm;
    bool dead;
    const char* answer;
  } steps[] = {{"new1", "new2", false, "两次输入的新密码不一致！"},
               {"new1", "new1", false, "用户名或旧密码错误，密码未修改！"},
               {"new1", "new1", true, "服务器连接失败！"}};
  for (const auto& s : steps) {
    f.edtNewPwd->setText(s.newPwd);
    f.edtConfirm->setText(s.confirm);
    f.edtOldPwd->setText("old1");
    std::optional<DeadService> dead;
    if (s.dead) dead.emplace();
    f.Button1->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.Calls.empty(); }, 30000));
    EXPECT_FALSE(f.Changing());
    ASSERT_EQ(prompts.Calls.size(), 1u);
    EXPECT_EQ(prompts.Calls.back().Text.toStdString(), s.answer);
    prompts.Calls.clear();
  }
}

// While it lives, this process's calls of "ChangeUserPwd" are recorded in
// pwd_calls.calls, each by its user name, on their way to the service's own
// procedure; the calls of other processes take the usual way.
struct RecordedPasswordChanges {
  RecordedPasswordChanges() {
    EXPECT_TRUE(service->Sql(
        "DROP SCHEMA IF EXISTS pwd_calls CASCADE; CREATE SCHEMA pwd_calls;"
        "CREATE TABLE pwd_calls.calls (user_name varchar);"
        "CREATE FUNCTION pwd_calls.changeuserpwd(\"UserName\" varchar, \"NewPwd\" varchar, \"OldPwd\" varchar,"
        " OUT p_result varchar) LANGUAGE plpgsql SECURITY DEFINER AS $$ BEGIN"
        " INSERT INTO pwd_calls.calls VALUES (\"UserName\");"
        " p_result := public.changeuserpwd(\"UserName\", \"NewPwd\", \"OldPwd\"); END $$;"
        "GRANT USAGE ON SCHEMA pwd_calls TO ssq_client"));
    ::setenv(ConnectionStringVariable, (good + "ConnSettings=SET search_path TO pwd_calls, public;").c_str(), 1);
  }
  ~RecordedPasswordChanges() {
    ::setenv(ConnectionStringVariable, good.c_str(), 1);
    EXPECT_TRUE(service->Sql("DROP SCHEMA pwd_calls CASCADE"));
  }
  std::string Calls() const { return service->Query("SELECT count(*) FROM pwd_calls.calls"); }
  const std::string good = service->ConnectionString();
};

// An empty new password is refused before anything is sent, and the
// password stays; a new one given twice is sent and changed.
TEST(ChangePwd, AnEmptyNewPasswordIsRefused) {
  ASSERT_TRUE(service->Sql("INSERT INTO users VALUES ('changer', md5('old1'))"
                           " ON CONFLICT (user_name) DO UPDATE SET pwd_digest = md5('old1')"));
  CurrentUser = "changer";
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scope(prompts);
  RecordedPasswordChanges recorded;
  TFrmChangePwd f;
  const struct {
    QString newPwd, confirm;
    const char* answer;
    const char *calls, *password;
  } steps[] = {{"", "", "新密码不能为空！", "0\n", "old1"},
               {"", "new1", "新密码不能为空！", "0\n", "old1"},
               {"new1", "new1", "密码修改成功！", "1\n", "new1"}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.answer);
    f.edtNewPwd->setText(s.newPwd);
    f.edtConfirm->setText(s.confirm);
    f.edtOldPwd->setText("old1");
    f.Button1->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.Calls.empty(); }, 30000));
    EXPECT_FALSE(f.Changing());
    ASSERT_EQ(prompts.Calls.size(), 1u);
    EXPECT_EQ(prompts.Calls.back().Text.toStdString(), s.answer);
    EXPECT_EQ(recorded.Calls(), s.calls);
    EXPECT_EQ(service->Query("SELECT pwd_digest = md5('" + std::string(s.password) +
                             "') FROM users WHERE user_name = 'changer'"),
              "t\n");
    prompts.Calls.clear();
  }
}

// While it lives, "ChangeUserPwd" for the user "stalled" waits until
// released (others are served as usual, for the tests beside).
struct StalledPasswordChange {
  StalledPasswordChange() {
    EXPECT_TRUE(service->Sql(
        "CREATE TABLE pwd_release (); ALTER FUNCTION changeuserpwd RENAME TO changeuserpwd_served;"
        "CREATE FUNCTION changeuserpwd(\"UserName\" varchar, \"NewPwd\" varchar, \"OldPwd\" varchar,"
        " OUT p_result varchar) LANGUAGE plpgsql SECURITY DEFINER AS $$ BEGIN"
        " IF \"UserName\" <> 'stalled' THEN p_result := changeuserpwd_served(\"UserName\", \"NewPwd\", \"OldPwd\");"
        " RETURN; END IF;"
        " WHILE NOT EXISTS (TABLE pwd_release) LOOP PERFORM pg_sleep(0.01); END LOOP;"
        " p_result := 'released'; END $$;"
        "GRANT EXECUTE ON FUNCTION changeuserpwd(varchar, varchar, varchar) TO ssq_client"));
  }
  ~StalledPasswordChange() {
    Release();
    EXPECT_TRUE(QTest::qWaitFor([] { return platform::RunningStoredProcCalls() == 0; }, 30000));
    EXPECT_TRUE(service->Sql("DROP FUNCTION changeuserpwd(varchar, varchar, varchar); DROP TABLE pwd_release;"
                             "ALTER FUNCTION changeuserpwd_served RENAME TO changeuserpwd"));
  }
  bool Release() { return service->Sql("INSERT INTO pwd_release DEFAULT VALUES"); }
};

// On a stalled service the window keeps answering (a timer fires during the
// call) with both buttons disabled; the answer comes when the service gives
// it, or the deadline ends the wait with the connection failure. Closed
// meanwhile, the dialog goes at once and the late answer touches nothing.
TEST(ChangePwd, AStalledServiceKeepsTheWindowAnswering) {
  CurrentUser = "stalled";
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scope(prompts);
  StalledPasswordChange stall;
  enum End { Released, Deadline, Closed };
  for (const End end : {Deadline, Closed, Released}) {  // released last: it stays so
    SCOPED_TRACE(end);
    auto f = std::make_unique<TFrmChangePwd>();
    f->LoginTimeout = 1;
    f->CommandTimeout = end == Deadline ? 1 : 30;
    f->edtNewPwd->setText("new1");
    f->edtConfirm->setText("new1");
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));  // painted once, as before any click of a user
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    f->Button1->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 10; }, 5000));
    EXPECT_TRUE(f->Changing() && !f->Button1->isEnabled() && !f->Button2->isEnabled());
    EXPECT_TRUE(prompts.Calls.empty());
    if (end == Closed) {
      const auto closing = std::chrono::steady_clock::now();
      f.reset();
      EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(2));
      QTest::qWait(100);
      EXPECT_TRUE(prompts.Calls.empty());
      continue;
    }
    if (end == Released) {
      ASSERT_TRUE(stall.Release());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.Calls.empty(); }, 30000));
    EXPECT_TRUE(!f->Changing() && f->Button1->isEnabled() && f->Button2->isEnabled());
    const QString shown = prompts.Calls.back().Text;
    EXPECT_EQ(shown.toStdString(), end == Released ? "released" : "服务器连接失败！");
    prompts.Calls.clear();
  }
}

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  platform::UnitStartupScope units;  // the PNG pictures, as the program has them
  platform::GuiDispatcher();
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new ServiceEnvironment);
  return RUN_ALL_TESTS();
}
