// The program end to end on a real X server (run under xvfb-run): our data
// service, the main window as the program makes it, and a user's steps as
// mouse and key events: sign in as the demo user, chart a split in the
// trend window, filter in the shrink window, reveal an issue in training
// mode, change the password, start again and sign in with the new one,
// then change it back. Each step leaves a screenshot of the screen in
// $SSQ_SCREENSHOT_DIR (default: the current folder).
//
// Dialogs appear as the program shows them, but the test is the user at
// them instead of a nested modal loop; message boxes are recorded.
#include "app/uFormChoose.h"
#include "app/uFormCondition.h"
#include "app/uFormShrink.h"
#include "app/uFormTrend.h"
#include "app/uFrmChangePwd.h"
#include "app/uFrmLogin.h"
#include "app/uFrmMain.h"
#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"
#include "platform/AppPath.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"

#include "support/DataService.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <deque>

namespace {

testsupport::DataService* service = nullptr;
platform::RecordingPrompts* prompts = nullptr;

// The whole screen, or one widget.
void Shot(const char* name, QWidget* widget = nullptr) {
  QTest::qWait(150);
  const char* dir = std::getenv("SSQ_SCREENSHOT_DIR");
  const QString file = QString(dir && *dir ? dir : ".") + "/" + name;
  const QPixmap picture = widget ? widget->grab() : QGuiApplication::primaryScreen()->grabWindow(0);
  EXPECT_TRUE(picture.save(file, "PNG")) << name;
}

void Click(QWidget* w, QPoint at = {}) {
  QTest::mouseClick(w, Qt::LeftButton, {}, at.isNull() ? w->rect().center() : at);
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, text);
}

void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->scrollToItem(item);
  Click(tree->viewport(), tree->visualItemRect(item).center());
}

void ClickTab(QTabWidget* pages, int index) { Click(pages->tabBar(), pages->tabBar()->tabRect(index).center()); }

QTreeWidgetItem* ItemOf(QTreeWidget* tree, int formula) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if (FormulaOfItem(*it) == FormulateList().GetItem(formula)) return *it;
  return nullptr;
}

// Chooses a menu item: a click on the menu's title, then on the item.
void Choose(TfrmMain& w, QMenu* menu, QAction* item) {
  QMenuBar* bar = w.menuBar();
  Click(bar, bar->actionGeometry(menu->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
  Click(menu, menu->actionGeometry(item).center());
}

QString LastMessage() { return prompts->Calls.empty() ? QString() : prompts->Calls.back().Text; }

// The user's doings at the dialogs to come, in order.
std::deque<std::function<void(QDialog&)>> acts;

int AsTheUser(QDialog& dialog) {
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  if (acts.empty()) {
    ADD_FAILURE() << "an unexpected dialog: " << dialog.objectName().toStdString();
  } else {
    auto act = std::move(acts.front());
    acts.pop_front();
    act(dialog);
  }
  if (dialog.isVisible()) dialog.reject();
  return dialog.result();
}

// Signs in as demo; a refused password first, when given, is shot.
void SignIn(const QString& refused, const QString& password, const char* shot) {
  acts.push_back([=](QDialog& d) {
    auto& login = static_cast<TFrmLogin&>(d);
    if (!refused.isEmpty()) {
      Retype(login.edtName, "demo");
      Retype(login.edtPwd, refused);
      Click(login.BtnOK);
      EXPECT_TRUE(QTest::qWaitFor([&] { return login.lbinfo->text() == "用户名或密码错误！"; }, 30000));
      Shot(shot);
    }
    Retype(login.edtName, "demo");
    Retype(login.edtPwd, password);
    if (refused.isEmpty()) Shot(shot);
    Click(login.BtnOK);
    EXPECT_TRUE(QTest::qWaitFor([&] { return login.result() == QDialog::Accepted; }, 30000))
        << login.lbinfo->text().toStdString();
  });
}

void ChangePassword(const QString& from, const QString& to, const char* shot) {
  acts.push_back([=](QDialog& d) {
    auto& f = static_cast<TFrmChangePwd&>(d);
    Retype(f.edtNewPwd, to);
    Retype(f.edtConfirm, to);
    Retype(f.edtOldPwd, from);
    if (shot) Shot(shot);
    Click(f.Button1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.Changing(); }, 40000));  // on its worker
    EXPECT_EQ(LastMessage(), "密码修改成功！");
    Click(f.Button2);
  });
}

// Starts the program's main window as main() does, filling the screen as
// a window manager would.
std::unique_ptr<TfrmMain> Start(int& closed) {
  auto w = std::make_unique<TfrmMain>();
  w->ExecDialog = AsTheUser;
  w->OnClose = [&closed] { ++closed; };
  w->showMaximized();
  w->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
  EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  return w;
}

void Exit(TfrmMain& w, int& closed) {
  prompts->MessageAnswers = {platform::IDOK};
  Choose(w, w.N3, w.N9);
  EXPECT_EQ(LastMessage(), "是否要退出本软件？");
  EXPECT_TRUE(QTest::qWaitFor([&] { return closed == 1; }));
}

TEST(EndToEnd, SignInChartFilterTrainAndChangeThePassword) {
  int closed = 0;
  SignIn("", "demo123", "e2e-1-sign-in.png");
  std::unique_ptr<TfrmMain> w = Start(closed);
  ASSERT_TRUE(acts.empty());
  ASSERT_EQ(DrawHistory.Count(), 3320);

  // The trend window: odd, even, big and small of the first red ball.
  TFrmTrend* trend = w->FrmTrend();
  TFrmCondition* panel = trend->ConditionPanel();
  ClickItem(panel->TvCondition, ItemOf(panel->TvCondition, 7));
  ClickTab(panel->PageControl1, 3);
  Click(panel->BtnRandomJODX);
  EXPECT_EQ(trend->ChartCount(), 4);
  Shot("e2e-2-trend.png");

  // The shrink window: the first red ball 1 to 3 and the sixth 30 to 33.
  ClickTab(w->PageControl1, 1);
  TFrmShrink* shrink = w->FrmShrinkView();
  for (auto [formula, from, to] : {std::tuple{7, 1, 3}, std::tuple{42, 30, 33}}) {
    ClickItem(shrink->tvCondition, ItemOf(shrink->tvCondition, formula));
    TFrmChoose* chooser = FrmChoose();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chooser));
    TCheckListBox* values = chooser->chklstValue1;
    for (int v = from; v <= to; ++v) {
      const int i = values->IndexOfText(QString::number(v));
      ASSERT_GE(i, 0) << v;
      Click(values->viewport(), values->visualItemRect(values->item(i)).center());
    }
    Click(chooser->btnOK);
  }
  ASSERT_EQ(CdtList().Count(), 2);
  Click(shrink->btnfilter);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shrink->Filtering(); }, 60000));
  ASSERT_FALSE(shrink->Results().empty());
  for (const TShrinkRow& row : shrink->Results()) {
    EXPECT_LE(row.Balls[0], 3);
    EXPECT_GE(row.Balls[5], 30);
  }
  Shot("e2e-3-shrink.png");

  // Training: the last issue of 2024, then "开奖" reveals 2025001, and the
  // trend window's charts end there.
  ClickTab(w->PageControl1, 0);
  Choose(*w, w->N1, w->popTran);
  ASSERT_TRUE(w->PanTran->isVisible());
  QTest::keyClick(w->CboYear, Qt::Key_Down);
  QTest::keyClick(w->CboNO, Qt::Key_End);
  EXPECT_EQ(DrawHistory[size_t(CurrentIndex)].DateNo, 2024151);
  Click(w->BtnOpen);
  const TLottery& revealed = DrawHistory[size_t(CurrentIndex)];
  EXPECT_EQ(revealed.DateNo, 2025001);
  EXPECT_EQ(trend->StockChart(0)->CurCandles().back().Draw, &revealed);
  Shot("e2e-4-training.png");
  Click(w->ChkHideNo);
  Shot("e2e-4-training-issue-numbers-hidden.png", w->PanTran);
  Click(w->ChkHideNo);

  // A new password, then the program again: the old one is refused, the
  // new one signs in; the old one comes back.
  ChangePassword("demo123", "demo456", "e2e-5-change-password.png");
  Choose(*w, w->N3, w->N8);
  Exit(*w, closed);
  w.reset();
  closed = 0;
  SignIn("demo123", "demo456", "e2e-6-sign-in-new-password.png");
  w = Start(closed);
  ChangePassword("demo456", "demo123", nullptr);
  Choose(*w, w->N3, w->N8);
  EXPECT_EQ(service->Query("SELECT pwd_digest = md5('demo123') FROM users WHERE user_name = 'demo'"), "t\n");
  Exit(*w, closed);
  EXPECT_TRUE(acts.empty());
}

}  // namespace

// For LeakSanitizer builds: the session-bus library Qt's X11 platform
// loads keeps a buffer to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);  // a real X server: Xvfb
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "No X display: run this under xvfb-run\n");
    return 1;
  }
  QApplication app(argc, argv);
  platform::UnitStartupScope units;
  testsupport::TempDir settings;
  platform::SetAppPathOverride(settings.Path());
  platform::RecordingPrompts recording;
  platform::ScopedPrompts scope(recording);
  prompts = &recording;
  ::testing::InitGoogleTest(&argc, argv);
  testsupport::DataService dataService;
  service = &dataService;
  ::setenv(ConnectionStringVariable, dataService.ConnectionString().c_str(), 1);
  const int rc = RUN_ALL_TESTS();
  delete FrmChoose(false);
  return rc;
}
