// Presses on a skinned dialog's frame: a maximized dialog's caption is not
// handed on (it cannot be dragged), other presses are; a released maximize
// button lets go of its pressed look; the client offset question is
// answered with the frame's band.
#include "skinlib/adapters/acDialogWnd.h"

#include "SkinnedAdapterTest.h"
#include "platform/LayeredWindow.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/support/DialogSkin.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>

using namespace platform;

namespace {

class DialogCaptionPressTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    StartUnit("AlphaPainting");
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::DialogSkin(), "Dialogs"));
    QCursor::setPos(-500, -500);
  }
  void TearDown() override {
    adapter.reset();
    if (recorder.Installed()) RemoveWindowProc(recorder);
    dialog.reset();
    SetLayeredWindowsAvailableForTesting(std::nullopt);
    Finish();
    FinishUnit("AlphaPainting");
  }
  // A sizeable dialog with minimize and maximize buttons; the presses its
  // own procedure gets are counted (and go no further).
  TacDialogWnd* Open() {
    dialog = std::make_unique<QDialog>(nullptr, Qt::Dialog | Qt::WindowMinMaxButtonsHint);
    dialog->setWindowTitle(QStringLiteral("Settings"));
    dialog->resize(260, 160);
    recorder = InstallWindowProc(dialog.get(), [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_NCLBUTTONDOWN) {
        passedOn.push_back(int(m.WParam));
        return;
      }
      previous(m);
    });
    adapter = TacMainWnd::Create<TacDialogWnd>(dialog.get(), nullptr, manager.get(), kDialogSection, true);
    adapter->FirstShowSetup();
    dialog->open();
    QApplication::processEvents();
    return adapter.get();
  }
  LPARAM ScreenPoint(const TRect& r) const {
    const QPoint p = dialog->mapToGlobal(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    return MAKELPARAM(p.x(), p.y());
  }

  std::unique_ptr<QDialog> dialog;
  TacAdapterPtr<TacDialogWnd> adapter;
  WindowProcHandle recorder;
  std::vector<int> passedOn;
};

TEST_F(DialogCaptionPressTest, AMaximizedDialogsCaptionPressStaysWithTheAdapter) {
  Open();
  const struct {
    bool maximized;
    int code;
    bool handedOn;
  } rows[] = {
      {false, HTCAPTION, true}, {false, HTLEFT, true}, {false, HTBOTTOMRIGHT, true},
      {true, HTCAPTION, false}, {true, HTLEFT, true},
  };
  for (const auto& row : rows) {
    if (row.maximized) dialog->showMaximized();
    else dialog->showNormal();
    QApplication::processEvents();
    ASSERT_EQ(dialog->isMaximized(), row.maximized);
    passedOn.clear();
    SendMessage(dialog.get(), WM_NCLBUTTONDOWN, WPARAM(row.code), 0);
    EXPECT_EQ(passedOn == std::vector<int>{row.code}, row.handedOn) << row.maximized << " " << row.code;
  }
}

TEST_F(DialogCaptionPressTest, AReleasedMaximizeButtonFadesBackFromItsPressedLook) {
  SetLayeredWindowsAvailableForTesting(true);
  manager->SetAllowGlowing(true);
  TacDialogWnd* a = Open();
  const TacTitleLayout l = a->Layout();
  ASSERT_TRUE(l.System[1].Shown);
  const LPARAM p = ScreenPoint(l.System[1].Rect);
  ASSERT_EQ(SendMessage(dialog.get(), WM_NCHITTEST, 0, p), LRESULT(HTMAXBUTTON));
  SendMessage(dialog.get(), WM_NCLBUTTONDOWN, HTMAXBUTTON, p);
  ASSERT_TRUE(TacDialogWnd::ButtonPressed());
  TacSBAnimation* pressed = FindButtonFade(a->FadeAnchor(), HTMAXBUTTON);
  ASSERT_NE(pressed, nullptr);
  EXPECT_EQ(pressed->State, 2);
  SendMessage(dialog.get(), WM_NCLBUTTONUP, HTMAXBUTTON, p);
  QApplication::processEvents();
  EXPECT_TRUE(dialog->isMaximized());
  EXPECT_FALSE(TacDialogWnd::ButtonPressed());
  EXPECT_EQ(a->Buttons()[1].State, 0);
  // The pressed picture over the old place is not left standing.
  TacSBAnimation* after = FindButtonFade(a->FadeAnchor(), HTMAXBUTTON);
  if (after) {
    EXPECT_EQ(after->State, 0);
  }
}

TEST_F(DialogCaptionPressTest, TheClientOffsetQuestionIsAnsweredWithTheFramesBand) {
  TacDialogWnd* a = Open();
  ASSERT_TRUE(HasNonClientFrame(dialog.get()));
  const TPoint o = a->BorderOffsets();
  EXPECT_GT(o.X, 0);
  EXPECT_GT(o.Y, o.X);  // the caption lies in the top band
  EXPECT_EQ(SendMessage(dialog.get(), SkinCommandMsg, MAKEWPARAM(0, 61), 0), LRESULT(MAKELPARAM(o.X, o.Y)));
}

}  // namespace
