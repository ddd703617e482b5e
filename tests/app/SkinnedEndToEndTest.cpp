// The program skinned, end to end on a real X server (run under
// xvfb-run): the main window with its skin component as the program makes
// it, our data service, the program's skin beside the program. Signs in as
// the demo user; once the skin is on, the main window's frame and
// menu bar are the skin's: a drop-down of the bar and the system menu open, the
// trend and shrink windows show skinned controls. Each step leaves a
// screenshot in $SSQ_SCREENSHOT_DIR (default: the current folder).
#include "app/uConditionWidgets.h"
#include "app/uFormCondition.h"
#include "app/uFormTrend.h"
#include "engine/uFormulaDef.h"
#include "app/uFormShrink.h"
#include "app/uFrmLogin.h"
#include "app/uFrmMain.h"
#include "platform/AppPath.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "skinning/WinSkinData.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenuBar.h"

#include "support/DataService.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace skinning;

namespace {

platform::RecordingPrompts* prompts = nullptr;
int signIns = 0;

// The screen, or the part of it `window` covers.
void Shot(const char* name, const QWidget* window = nullptr) {
  QTest::qWait(200);
  const char* dir = std::getenv("SSQ_SCREENSHOT_DIR");
  const QString file = QString(dir && *dir ? dir : ".") + "/" + name;
  const QRect r = window ? window->frameGeometry() : QRect(0, 0, -1, -1);
  EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).save(file, "PNG"))
      << name;
}

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

void Retype(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, text);
}

TSkinFormFrame* FrameOf(QWidget* w);

// The sign-in as the demo user; any later dialog is shot once its frame
// is the skin's, and closed.
int AsTheUser(QDialog& dialog) {
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  if (!dynamic_cast<TFrmLogin*>(&dialog)) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return FrameOf(&dialog) != nullptr; }, 5000));
    Shot("e2e-skin-6-dialog.png");
    dialog.reject();
    return dialog.result();
  }
  auto& login = static_cast<TFrmLogin&>(dialog);
  ++signIns;
  // The skin goes on once the sign-in has ended: the dialog keeps the
  // standard look.
  EXPECT_TRUE(!SkinManage() || !SkinManage()->FindForm(&dialog));
  Retype(login.edtName, "demo");
  Retype(login.edtPwd, "demo123");
  Shot("e2e-skin-1-sign-in.png", &dialog);
  Click(login.BtnOK);
  EXPECT_TRUE(QTest::qWaitFor([&] { return login.result() == QDialog::Accepted; }, 30000))
      << login.lbinfo->text().toStdString();
  return dialog.result();
}

TSkinFormFrame* FrameOf(QWidget* w) {
  auto* form = SkinManage() ? dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(w)) : nullptr;
  TSkinFormFrame* frame = form ? form->Frame() : nullptr;
  return frame && frame->Phase() == TSkinFormFrame::kActive ? frame : nullptr;
}

TEST(SkinnedEndToEnd, TheProgramRunsSkinned) {
  auto* skin = new TSkinData;
  skin->DisableTag = 99;
  skin->SkinFormtype = sfMainform;
  skin->Loaded();
  TMainComponents components;
  components.SetSkinFile = [skin](const QString& file) {
    skin->SetSkinFile(file);
    return QString::fromStdString(skin->LoadError());
  };
  components.SetSkinActive = [skin](bool active) { skin->SetActive(active); };
  int closed = 0;
  auto w = std::make_unique<TfrmMain>(std::move(components));
  skin->setParent(w.get());
  ASSERT_FALSE(skin->NoSkin()) << "the program's skin beside the program";
  w->ExecDialog = AsTheUser;
  w->OnClose = [&closed] { ++closed; };
  w->showMaximized();
  w->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));

  // The main window's frame and menu bar are the skin's.
  ASSERT_TRUE(QTest::qWaitFor([&] { return FrameOf(w.get()) != nullptr; }, 5000));
  TSkinFormFrame* frame = FrameOf(w.get());
  EXPECT_TRUE(platform::HasNonClientFrame(w.get()));
  ASSERT_NE(frame->MenuBar(), nullptr);
  ASSERT_EQ(frame->MenuBar()->Items().size(), size_t(w->menuBar()->actions().size()));
  EXPECT_FALSE(w->menuBar()->isVisible());
  EXPECT_EQ(signIns, 1) << "the frame the skin puts on is no second show";

  // The trend window charts a split; the shrink window's controls.
  TFrmCondition* panel = w->FrmTrend()->ConditionPanel();
  for (QTreeWidgetItemIterator it(panel->TvCondition); *it; ++it)
    if (FormulaOfItem(*it) == FormulateList().GetItem(7)) panel->TvCondition->setCurrentItem(*it);
  panel->PageControl1->setCurrentIndex(3);
  Click(panel->BtnRandomJODX);
  EXPECT_EQ(w->FrmTrend()->ChartCount(), 4);
  Shot("e2e-skin-2-trend.png");
  w->PageControl1->setCurrentIndex(1);
  Shot("e2e-skin-3-shrink.png");
  w->PageControl1->setCurrentIndex(0);

  // A drop-down of the skinned bar, then the system menu.
  const auto pressItem = [&](size_t i) {
    const platform::TRect wr = FrameWindowRect(w.get()), r = frame->MenuBar()->Items()[i]->BoundsRect;
    platform::SendMessage(w.get(), platform::WM_NCLBUTTONDOWN, platform::HTMENU,
                          platform::MAKELPARAM(wr.Left + (r.Left + r.Right) / 2, wr.Top + (r.Top + r.Bottom) / 2));
  };
  pressItem(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->N1->isVisible(); }));
  Shot("e2e-skin-4-menu.png");
  w->N1->close();
  QTest::qWait(100);
  platform::SendMessage(w.get(), platform::WM_SYSCOMMAND, platform::SC_KEYMENU, ' ');
  ASSERT_NE(frame->SystemPopup(), nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->SystemPopup()->isVisible(); }));
  Shot("e2e-skin-5-system-menu.png");
  frame->SystemPopup()->close();
  QTest::qWait(100);

  // A dialog of the program, skinned: the change of password from the
  // bar's second menu.
  pressItem(1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->N3->isVisible(); }));
  QTest::mouseClick(w->N3, Qt::LeftButton, {}, w->N3->actionGeometry(w->N8).center());
  QTest::qWait(300);

  prompts->MessageAnswers = {platform::IDOK};
  w->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return closed == 1; }));
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "No X display: run this under xvfb-run\n");
    return 1;
  }
  QApplication app(argc, argv);
  platform::UnitStartupScope units;
  testsupport::TempDir folder;
  platform::SetAppPathOverride(folder.Path());
  // The program's folder holds the skin, as the build puts it beside the
  // program.
  QDir(QString::fromStdString(folder.Path())).mkpath(QStringLiteral("skin"));
  if (!QFile::copy(QStringLiteral(SSQ_PROGRAM_SKIN),
                   QString::fromStdString(folder.Path()) + QStringLiteral("/") + QString::fromUtf8(MainSkinFile))) {
    std::fprintf(stderr, "The program's skin is missing: %s\n", SSQ_PROGRAM_SKIN);
    return 1;
  }
  platform::RecordingPrompts recording;
  platform::ScopedPrompts scope(recording);
  prompts = &recording;
  ::testing::InitGoogleTest(&argc, argv);
  testsupport::DataService dataService;
  ::setenv(ConnectionStringVariable, dataService.ConnectionString().c_str(), 1);
  return RUN_ALL_TESTS();
}
