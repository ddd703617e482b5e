// The dialog window adapter and its system menu on offscreen dialogs.
#include "skinlib/adapters/acDialogWnd.h"

#include "SkinnedAdapterTest.h"
#include "platform/LayeredWindow.h"
#include "platform/MenuLine.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/GlowEffect.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/DialogSkin.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWhatsThis>

using namespace platform;

// ------------------------------------------------------------ pure rules

TEST(DialogRules, FrameKindFromTheStyleWords) {
  const struct {
    std::uint32_t style, exStyle;
    int kind;
  } cases[] = {
      {WS_POPUP, 0, 2},                                    // a caption-less popup
      {WS_POPUP | WS_BORDER, 0, 2},                        // half a caption is none
      {WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, 3},       // sizeable
      {WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME, 0, 3},  // the thick frame wins
      {WS_CAPTION | DS_MODALFRAME, 0, 0},
      {WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, 0},
      {WS_CAPTION, 0, 3},  // neither: a sizeable look
  };
  for (const auto& c : cases) EXPECT_EQ(DialogFrameKind(c.style, c.exStyle), c.kind) << std::hex << c.style;
}

TEST(DialogRules, MasksByFrameKindWithTheirFallbacks) {
  const auto skinWith = [](std::vector<std::string> names) {
    return [names](const char* name) {
      for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return int(i);
      return -1;
    };
  };
  const std::vector<std::string> all{"BICONMIN", "BICONMAX", "BICONCLOSE", "BICONHELP",
                                     "SICONMIN", "SICONMAX", "SICONCLOSE", "SICONHELP"};
  for (int kind : {1, 3}) {
    const TacDialogMaskChoice c = ChooseDialogMasks(std::uint8_t(kind), skinWith(all));
    EXPECT_TRUE(c.Large);
    EXPECT_EQ(c.Index, (std::array<int, 4>{0, 1, 2, 3}));
  }
  for (int kind : {0, 2, 4, 5}) {
    const TacDialogMaskChoice c = ChooseDialogMasks(std::uint8_t(kind), skinWith(all));
    EXPECT_FALSE(c.Large);
    EXPECT_EQ(c.Index, (std::array<int, 4>{4, 5, 6, 7}));
  }
  // No small help: the large one; no small close: all large.
  std::vector<std::string> noHelp = all;
  noHelp[7] = "x";
  EXPECT_EQ(ChooseDialogMasks(0, skinWith(noHelp)).Index[3], 3);
  std::vector<std::string> noClose = all;
  noClose[6] = "x";
  const TacDialogMaskChoice c = ChooseDialogMasks(0, skinWith(noClose));
  EXPECT_TRUE(c.Large);
  EXPECT_EQ(c.Index, (std::array<int, 4>{0, 1, 2, 3}));
}

TEST(DialogRules, SystemMenuItemsFollowTheDialog) {
  // Visible and enabled: restore, move, size, minimize, maximize, close.
  TacDialogInfo sizeable{WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX, 0, 3};
  TacDialogMenuItems items = DialogMenuItems(sizeable);
  EXPECT_EQ(items.Visible, (std::array<bool, 6>{true, true, true, true, true, true}));
  EXPECT_EQ(items.Enabled, (std::array<bool, 6>{false, true, true, true, true, true}));
  sizeable.Zoomed = true;
  items = DialogMenuItems(sizeable);
  EXPECT_EQ(items.Enabled, (std::array<bool, 6>{true, false, true, true, false, true}));

  const TacDialogInfo modal{WS_CAPTION | DS_MODALFRAME, 0, 0};  // no system menu
  items = DialogMenuItems(modal);
  EXPECT_EQ(items.Visible, (std::array<bool, 6>{false, true, false, false, false, false}));
  EXPECT_TRUE(items.Enabled[5]);
  // Before the set-up (FrameKind 1) a dialog cannot be sized.
  EXPECT_FALSE((TacDialogInfo{WS_CAPTION | WS_SYSMENU, 0, 1}.CanSize()));
  EXPECT_FALSE((TacDialogInfo{WS_CAPTION | WS_SYSMENU, 0, 0, /*noClose=*/true}.CloseEnabled()));
}

// ------------------------------------------------------------ the adapter

namespace {

class CountingDialog : public QDialog {
 public:
  using QDialog::QDialog;
  int Paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++Paints; }
};

}  // namespace

class DialogWndTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    StartUnit("AlphaPainting");
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::DialogSkin(), "Dialogs"));
    QCursor::setPos(-500, -500);
  }
  void TearDown() override {
    adapter.reset();
    dialog.reset();
    SetLayeredWindowsAvailableForTesting(std::nullopt);
    Finish();
    FinishUnit("AlphaPainting");
  }
  // A dialog of these flags adapted as the dialog hook does it, then shown.
  TacDialogWnd* Open(Qt::WindowFlags flags, bool fixedSize = true, bool show = true) {
    dialog = std::make_unique<CountingDialog>(nullptr, flags);
    dialog->setWindowTitle(QStringLiteral("Settings"));
    dialog->resize(260, 160);
    if (fixedSize) dialog->setFixedSize(260, 160);
    adapter = TacMainWnd::Create<TacDialogWnd>(dialog.get(), nullptr, manager.get(), kDialogSection, true);
    adapter->FirstShowSetup();
    if (show) {
      dialog->open();
      QApplication::processEvents();
    }
    return adapter.get();
  }
  // The window point of a rectangle's centre, as the hit test gets it.
  LPARAM ScreenPoint(const TRect& r) const {
    const QPoint p = dialog->mapToGlobal(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    return MAKELPARAM(p.x(), p.y());
  }

  std::unique_ptr<CountingDialog> dialog;
  TacAdapterPtr<TacDialogWnd> adapter;
};

TEST_F(DialogWndTest, AModalDialogIsFramedWithTheSmallButtonsAndItsMenu) {
  TacDialogWnd* a = Open(Qt::Dialog);
  EXPECT_EQ(a->FrameKind(), 0);  // a fixed-size dialog: DS_MODALFRAME
  EXPECT_TRUE(HasNonClientFrame(dialog.get()));
  EXPECT_FALSE(a->Buttons()[2].Large);
  EXPECT_EQ(a->TitleButtonWidth(2), testskins::kFormSmallButton);
  // The skin draws the buttons: WS_SYSMENU goes from the window, the
  // dialog's own answers keep it.
  EXPECT_FALSE(GetWindowLong(dialog.get(), GWL_STYLE) & WS_SYSMENU);
  EXPECT_TRUE(a->Info().HasSysMenu());
  const TacTitleLayout l = a->Layout();
  ASSERT_TRUE(l.System[2].Shown);
  EXPECT_EQ(SendMessage(dialog.get(), WM_NCHITTEST, 0, ScreenPoint(l.System[2].Rect)), LRESULT(HTCLOSE));
  EXPECT_EQ(a->CurrentButton(), HTCLOSE);
  EXPECT_EQ(SendMessage(dialog.get(), WM_NCHITTEST, 0, ScreenPoint(l.IconRect)), LRESULT(HTSYSMENU));
  EXPECT_EQ(a->CurrentButton(), 0);
  // The menu: the six items in order, close with Alt+F4.
  QStringList names;
  for (QAction* item : a->SystemMenu()->actions())
    if (!item->isSeparator()) names << item->objectName();
  EXPECT_EQ(names, (QStringList{"miRestore", "miMove", "miSize", "miMinimize", "miMaximize", "miClose"}));
  EXPECT_EQ(a->SystemMenu()->Item("miClose")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
  EXPECT_TRUE(a->SystemMenu()->Item("miClose")->isVisible());
  EXPECT_FALSE(a->SystemMenu()->Item("miSize")->isVisible());
  // WM_CTLCOLORDLG and the window colour: GLOBALINFO's.
  EXPECT_EQ(SendMessage(dialog.get(), WM_CTLCOLORDLG, 0, 0), LRESULT(testskins::kDialogGlobalColor));
  EXPECT_EQ(dialog->palette().color(QPalette::Window), ToQColor(testskins::kDialogGlobalColor));
  // The corners of the border mask are cut from the window.
  QRegion region;
  EXPECT_NE(GetWindowRgn(dialog.get(), region), ERROR);
  const int w = dialog->width(), h = dialog->height();
  for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
    EXPECT_FALSE(region.contains(corner)) << corner.x() << "," << corner.y();
  EXPECT_TRUE(region.contains(QPoint(130, 80)));
}

TEST_F(DialogWndTest, RemovalGivesTheFrameStyleAndColoursBack) {
  const QColor before = QDialog().palette().color(QPalette::Window);
  Open(Qt::Dialog);
  adapter.reset();
  EXPECT_FALSE(HasNonClientFrame(dialog.get()));
  EXPECT_TRUE(GetWindowLong(dialog.get(), GWL_STYLE) & WS_SYSMENU);
  EXPECT_EQ(dialog->palette().color(QPalette::Window), before);
  QRegion region;
  EXPECT_EQ(GetWindowRgn(dialog.get(), region), ERROR);
}

TEST_F(DialogWndTest, WithoutSystemMenuNoCloseButtonAndNoCloseItem) {
  TacDialogWnd* a = Open(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  EXPECT_FALSE(a->Info().HasSysMenu());
  EXPECT_FALSE(a->Layout().System[2].Shown);
  EXPECT_EQ(a->TitleButtonsWidth(), 0);
  EXPECT_FALSE(a->SystemMenu()->Item("miClose")->isVisible());
  EXPECT_FALSE(a->SystemMenu()->VisibleClose());
}

TEST_F(DialogWndTest, TheHelpButtonEntersWhatsThisMode) {
  TacDialogWnd* a = Open(Qt::Dialog | Qt::WindowContextHelpButtonHint);
  ASSERT_TRUE(a->Info().HasHelp());
  const TacTitleLayout l = a->Layout();
  ASSERT_TRUE(l.System[3].Shown);
  EXPECT_EQ(a->TitleButtonsWidth(), a->TitleButtonWidth(2) + a->TitleButtonWidth(3));
  const LPARAM p = ScreenPoint(l.System[3].Rect);
  ASSERT_EQ(SendMessage(dialog.get(), WM_NCHITTEST, 0, p), LRESULT(HTHELP));
  SendMessage(dialog.get(), WM_NCLBUTTONDOWN, HTHELP, p);
  EXPECT_EQ(a->Buttons()[3].State, 2);
  EXPECT_TRUE(TacDialogWnd::ButtonPressed());
  EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
  SendMessage(dialog.get(), WM_NCLBUTTONUP, HTHELP, p);
  EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
  EXPECT_EQ(a->Buttons()[3].State, 0);
  QWhatsThis::leaveWhatsThisMode();
}

TEST_F(DialogWndTest, ACaptionlessPopupGetsNoRegion) {
  TacDialogWnd* a = Open(Qt::Dialog | Qt::FramelessWindowHint);
  ASSERT_EQ(a->FrameKind(), 2);
  EXPECT_EQ(a->TitleHeight(), 0);
  a->UpdateRegion(false);
  QRegion region;
  EXPECT_EQ(GetWindowRgn(dialog.get(), region), ERROR);
}

TEST_F(DialogWndTest, CaptionDoubleClickMaximizesOnlyWithAMaximizeBox) {
  Open(Qt::Dialog, /*fixedSize=*/false);
  SendMessage(dialog.get(), WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
  QApplication::processEvents();
  EXPECT_FALSE(dialog->isMaximized());
  adapter.reset();
  Open(Qt::Dialog | Qt::WindowMaximizeButtonHint, /*fixedSize=*/false);
  ASSERT_TRUE(adapter->Info().CanMaximize());
  SendMessage(dialog.get(), WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
  QApplication::processEvents();
  EXPECT_TRUE(dialog->isMaximized());
}

TEST_F(DialogWndTest, OwnPaintIsSkippedUntilTheDialogHasAnEdit) {
  TacDialogWnd* a = Open(Qt::Dialog);
  EXPECT_TRUE(a->SkipOwnPaint());
  dialog->Paints = 0;
  dialog->repaint();
  EXPECT_EQ(dialog->Paints, 0);
  // The dialog hook clears it when it finds an edit (or a combo box).
  new QLineEdit(dialog.get());
  a->SetSkipOwnPaint(false);
  dialog->repaint();
  EXPECT_GT(dialog->Paints, 0);
}

TEST_F(DialogWndTest, ClosingStopsTheButtonsFadesAndGlows) {
  SetLayeredWindowsAvailableForTesting(true);
  manager->SetAllowGlowing(true);
  TacDialogWnd* a = Open(Qt::Dialog);
  const TacTitleLayout l = a->Layout();
  ASSERT_EQ(SendMessage(dialog.get(), WM_NCHITTEST, 0, ScreenPoint(l.System[2].Rect)), LRESULT(HTCLOSE));
  QPointer<TacSBAnimation> fade = FindButtonFade(a->FadeAnchor(), HTCLOSE);
  ASSERT_NE(fade, nullptr);
  ASSERT_NE(fade->AnimWindow(), nullptr);
  QPointer<LayeredWindow> fadeWindow = fade->AnimWindow();
  EXPECT_GE(a->Buttons()[2].GlowIndex, 0);
  EXPECT_EQ(ShownGlowCount(), 1);
  adapter.reset();
  EXPECT_TRUE(fade.isNull());
  // The fade's window goes out of sight at once and is deleted afterwards.
  ASSERT_FALSE(fadeWindow.isNull());
  EXPECT_FALSE(fadeWindow->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(fadeWindow.isNull());
  EXPECT_EQ(ShownGlowCount(), 0);
}

// Pressed, a hot button's glow goes (it is the hot state's).
TEST_F(DialogWndTest, PressingAHotButtonHidesItsGlow) {
  SetLayeredWindowsAvailableForTesting(true);
  manager->SetAllowGlowing(true);
  TacDialogWnd* a = Open(Qt::Dialog);
  const LPARAM p = ScreenPoint(a->Layout().System[2].Rect);
  SendMessage(dialog.get(), WM_NCHITTEST, 0, p);
  ASSERT_EQ(ShownGlowCount(), 1);
  SendMessage(dialog.get(), WM_NCLBUTTONDOWN, HTCLOSE, p);
  EXPECT_EQ(ShownGlowCount(), 0);
}

// The minimize button released elsewhere: the release goes on to the
// dialog (as one on nothing), which stays as it is.
TEST_F(DialogWndTest, AMinimizeReleasedElsewhereIsPassedOn) {
  TacDialogWnd* a = Open(Qt::Dialog | Qt::WindowMinimizeButtonHint);
  const TRect r = a->Layout().System[0].Rect;
  std::vector<WPARAM> passedOn;
  WindowProcHandle own = InstallWindowProc(
      dialog.get(),
      [&](Message& m, const CallPrevious& previous) {
        if (m.Msg == WM_NCLBUTTONUP) passedOn.push_back(m.WParam);
        previous(m);
      },
      WindowProcLevel::Control);
  SendMessage(dialog.get(), WM_NCLBUTTONDOWN, HTMINBUTTON, ScreenPoint(r));
  QCursor::setPos(dialog->mapToGlobal(QPoint(r.Left - 30, r.Top + 2)));
  SendMessage(dialog.get(), WM_NCLBUTTONUP, HTMINBUTTON, ScreenPoint(r));
  EXPECT_EQ(passedOn, (std::vector<WPARAM>{HTNOWHERE}));
  EXPECT_FALSE(dialog->isMinimized());
  RemoveWindowProc(own);
}

TEST_F(DialogWndTest, AMaskWithoutImagesCountsAsMissing) {
  TacDialogWnd* a = Open(Qt::Dialog, true, /*show=*/false);
  const int close = a->Buttons()[2].MaskIndex;
  ASSERT_GE(close, 0);
  manager->MaskData[size_t(close)].ImageCount = 0;
  EXPECT_EQ(a->TitleButtonWidth(2), kMissingButtonSize);
  EXPECT_EQ(MaskFrameWidth(&manager->MaskData[size_t(close)]), kMissingButtonSize);
  // Shown and painted, such a button takes its room but paints nothing.
  dialog->open();
  QApplication::processEvents();
  EXPECT_EQ(a->Layout().System[2].Rect.Width(), kMissingButtonSize);
}

TEST_F(DialogWndTest, TheClientShowsTheDialogSectionAlsoUnderTransparentChildren) {
  dialog = std::make_unique<CountingDialog>(nullptr, Qt::Dialog);
  dialog->setFixedSize(260, 160);
  auto* label = new QLabel(QStringLiteral("Import"), dialog.get());
  label->setGeometry(10, 10, 200, 30);
  adapter = TacMainWnd::Create<TacDialogWnd>(dialog.get(), nullptr, manager.get(), kDialogSection, true);
  adapter->FirstShowSetup();
  dialog->show();
  QApplication::processEvents();
  const QImage image = dialog->grab().toImage();
  const QRect client = dialog->contentsRect();
  const QColor colour = ToQColor(testskins::kDialogColor);
  const QPoint labelCorner = label->mapTo(dialog.get(), QPoint(195, 27));
  for (const QPoint p : {client.topLeft() + QPoint(6, 1), client.center(), labelCorner})
    EXPECT_EQ(image.pixelColor(p), colour) << p.x() << "," << p.y();
  // The title band above it is the title's.
  EXPECT_NE(image.pixelColor(client.center().x(), client.top() - 4), colour);
}

// Children that ask for the background colour get the section's.
TEST_F(DialogWndTest, TheBackgroundColourAnswerIsTheSections) {
  Open(Qt::Dialog);
  EXPECT_EQ(TColor(SendSkinCommandToHandle(dialog.get(), acGetBgColor, 0)), testskins::kDialogColor);
}

TEST_F(DialogWndTest, ADialogAnsweringTheRegionQuestionKeepsItsOwnRegion) {
  dialog = std::make_unique<CountingDialog>(nullptr, Qt::Dialog);
  dialog->setFixedSize(200, 120);
  int asked = 0;
  // The dialog's own procedure (before the adapter in its chain).
  WindowProcHandle own = InstallWindowProc(dialog.get(), [&asked](Message& m, const CallPrevious& previous) {
    if (m.Msg == 48205 && m.WParam == 16802 && m.LParam == 0) {
      ++asked;
      m.Result = 16802;
      return;
    }
    previous(m);
  });
  adapter = TacMainWnd::Create<TacDialogWnd>(dialog.get(), nullptr, manager.get(), kDialogSection, true);
  adapter->FirstShowSetup();
  dialog->show();
  QApplication::processEvents();
  EXPECT_GT(asked, 0);
  QRegion region;
  EXPECT_EQ(GetWindowRgn(dialog.get(), region), ERROR);
}

TEST_F(DialogWndTest, TheCloseButtonAndTheMenuSendTheirCommands) {
  TacDialogWnd* a = Open(Qt::Dialog);
  const LPARAM p = ScreenPoint(a->Layout().System[2].Rect);
  QCursor::setPos(dialog->mapToGlobal(QPoint(a->Layout().System[2].Rect.Left + 2, a->Layout().System[2].Rect.Top + 2)));
  // A release without a press only resets the buttons.
  SendMessage(dialog.get(), WM_NCLBUTTONUP, HTCLOSE, p);
  EXPECT_TRUE(dialog->isVisible());
  SendMessage(dialog.get(), WM_NCLBUTTONDOWN, HTCLOSE, p);
  EXPECT_EQ(a->Buttons()[2].State, 2);
  SendMessage(dialog.get(), WM_NCLBUTTONUP, HTCLOSE, p);
  QApplication::processEvents();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_FALSE(TacDialogWnd::ButtonPressed());
  // The menu's close item does the same.
  dialog->open();
  QApplication::processEvents();
  ASSERT_TRUE(dialog->isVisible());
  a->SystemMenu()->Item("miClose")->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DialogWndTest, ASizeableDialogTakesTheLargeButtonsAndCanBeSized) {
  TacDialogWnd* a = Open(Qt::Dialog | Qt::WindowMinMaxButtonsHint, /*fixedSize=*/false);
  EXPECT_EQ(a->FrameKind(), 3);
  EXPECT_TRUE(a->Buttons()[2].Large);
  EXPECT_EQ(a->TitleButtonWidth(2), testskins::kFormLargeButton);
  EXPECT_EQ(a->TitleButtonsWidth(), 3 * testskins::kFormLargeButton);
  EXPECT_TRUE(a->SystemMenu()->Item("miSize")->isVisible());
  EXPECT_TRUE(a->SystemMenu()->Item("miSize")->isEnabled());
  EXPECT_TRUE(a->SystemMenu()->Item("miRestore")->isVisible());
  EXPECT_FALSE(a->SystemMenu()->Item("miRestore")->isEnabled());
  // Maximized from the menu: restore enabled, maximize not, and the
  // maximize button shows the restore image.
  a->SystemMenu()->Item("miMaximize")->trigger();
  QApplication::processEvents();
  ASSERT_TRUE(dialog->isMaximized());
  EXPECT_TRUE(a->SystemMenu()->Item("miRestore")->isEnabled());
  EXPECT_FALSE(a->SystemMenu()->Item("miMaximize")->isEnabled());
  EXPECT_TRUE(a->Layout().System[1].Restore);
}

TEST_F(DialogWndTest, WithoutSmallMasksAModalDialogFallsBackToTheLargeOnes) {
  Finish();
  ASSERT_NO_FATAL_FAILURE(Activate(testskins::DialogSkin(/*smallButtons=*/false), "NoSmall"));
  TacDialogWnd* a = Open(Qt::Dialog);
  EXPECT_EQ(a->FrameKind(), 0);
  EXPECT_TRUE(a->Buttons()[2].Large);
  EXPECT_EQ(a->TitleButtonWidth(2), testskins::kFormLargeButton);
}

TEST_F(DialogWndTest, ASentDrawItemOfAStaticDrawsTransparent) {
  Open(Qt::Dialog);
  const struct {
    unsigned type;
    int mode;
  } cases[] = {{5 /*ODT_STATIC*/, TRANSPARENT}, {4 /*ODT_BUTTON*/, OPAQUE}};
  for (const auto& c : cases) {
    Bitmap bitmap(10, 10, pf24bit);
    Canvas& dc = bitmap.GetCanvas();
    dc.SetBkMode(OPAQUE);
    DRAWITEMSTRUCT item;
    item.CtlType = c.type;
    item.hDC = &dc;
    SendMessage(dialog.get(), WM_DRAWITEM, 0, LPARAM(PtrParam(&item)));
    EXPECT_EQ(dc.GetBkMode(), c.mode) << c.type;
  }
}

TEST_F(DialogWndTest, ASkinRemovedAndBackTakesTheFrameOffAndPutsItOn) {
  TacDialogWnd* a = Open(Qt::Dialog);
  ASSERT_TRUE(HasNonClientFrame(dialog.get()));
  const LPARAM self = LPARAM(PtrParam(manager.get()));
  SendMessage(dialog.get(), SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), self);
  EXPECT_FALSE(HasNonClientFrame(dialog.get()));
  EXPECT_TRUE(GetWindowLong(dialog.get(), GWL_STYLE) & WS_SYSMENU);
  EXPECT_TRUE(dialog->isVisible());
  SendMessage(dialog.get(), SkinCommandMsg, MAKEWPARAM(0, acNewSkin), self);
  EXPECT_TRUE(HasNonClientFrame(dialog.get()));
  EXPECT_FALSE(GetWindowLong(dialog.get(), GWL_STYLE) & WS_SYSMENU);
  EXPECT_TRUE(a->Layout().System[2].Shown);
  QRegion region;
  EXPECT_NE(GetWindowRgn(dialog.get(), region), ERROR);
}

// The frame goes on within the dialog's window rectangle and comes off
// within it too: a sizeable dialog has its place and size back, its
// client area all of it again (a frame that kept the framed client area
// shrank the dialog by the band at every removal).
TEST_F(DialogWndTest, ASkinRemovedGivesASizeableDialogItsSizeBack) {
  Open(Qt::Dialog, /*fixedSize=*/false, /*show=*/false);
  dialog->move(120, 90);
  dialog->open();
  QApplication::processEvents();
  ASSERT_TRUE(HasNonClientFrame(dialog.get()));
  // Framed, the window rectangle (the platform's decoration included) is
  // the dialog's.
  const QRect framed = dialog->geometry();
  EXPECT_LT(dialog->contentsRect().height(), 160);
  const LPARAM self = LPARAM(PtrParam(manager.get()));
  for (int round = 0; round < 2; ++round) {
    SendMessage(dialog.get(), SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), self);
    QApplication::processEvents();
    EXPECT_EQ(std::tuple(dialog->frameGeometry(), dialog->size(), dialog->contentsRect()),
              std::tuple(framed, QSize(260, 160), dialog->rect()))
        << round;
    SendMessage(dialog.get(), SkinCommandMsg, MAKEWPARAM(0, acNewSkin), self);
    QApplication::processEvents();
    EXPECT_EQ(dialog->geometry(), framed) << round;
  }
}

// ------------------------------------------------------------ through the dialog hook

class DialogWndThroughHookTest : public DialogWndTest {
 protected:
  void SetUp() override {
    StartUnit("acDials");
    StartUnit("acDialogWnd");
    DialogWndTest::SetUp();
  }
  void TearDown() override {
    DialogWndTest::TearDown();
    QApplication::processEvents();
    FinishUnit("acDialogWnd");
    FinishUnit("acDials");
  }
};

TEST_F(DialogWndThroughHookTest, AStandardDialogGetsTheAdapterAndItsEditEndsSkipOwnPaint) {
  auto input = std::make_unique<QInputDialog>();
  input->setWindowTitle(QStringLiteral("Issue"));
  input->setInputMode(QInputDialog::TextInput);  // its line edit made now
  ASSERT_TRUE(SkinActivatedWindow(input.get()));
  auto* a = dynamic_cast<TacDialogWnd*>(FindAdapter(input.get()));
  ASSERT_NE(a, nullptr);
  EXPECT_FALSE(a->SkipOwnPaint());  // the input dialog's line edit
  EXPECT_NE(a->FrameKind(), 1);     // set up before the first show
  input->open();
  QApplication::processEvents();
  EXPECT_TRUE(HasNonClientFrame(input.get()));
  EXPECT_TRUE(a->Layout().System[2].Shown);
  // Gone with its window, freed at the next destruction.
  input.reset();
  FreeDestroyedDialogs();
  EXPECT_EQ(AutoProviders() ? std::count_if(AutoProviders()->begin(), AutoProviders()->end(),
                                            [](const QPointer<TacProvider>& p) { return !p.isNull(); })
                            : 0,
            0);
}

namespace {

// Counts the paints of a widget and the skin command acEndUpdate it hears.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* w) : w_(w) {
    w->installEventFilter(this);
    handle_ = InstallWindowProc(w, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acEndUpdate) ++EndUpdates;
      previous(m);
    });
  }
  int Paints = 0;
  int EndUpdates = 0;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == w_ && e->type() == QEvent::Paint) ++Paints;
    return false;
  }

 private:
  QWidget* w_;
  WindowProcHandle handle_;
};

}  // namespace

// The dialog's first paint ends its update and its children hear so once,
// after that paint; a child repaints on a later turn, and its repaint
// (which paints the dialog's background beneath it again) tells nobody.
// Told after every paint, with children repainting at once, the dialog
// and its buttons repainted one another without end.
TEST_F(DialogWndThroughHookTest, ChildrenHearTheEndOfTheDialogsUpdateOnce) {
  auto input = std::make_unique<QInputDialog>();
  input->setWindowTitle(QStringLiteral("Issue"));
  input->setInputMode(QInputDialog::TextInput);
  auto* button = new QPushButton(QStringLiteral("Latest"), input.get());
  button->move(4, 4);
  input->open();  // painted on the next turn
  ASSERT_TRUE(FindProvider(input.get()) || SkinActivatedWindow(input.get()));
  auto* edit = input->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  ASSERT_TRUE(FindAdapter(button) && FindAdapter(edit)) << "not adapted";
  PaintCounter buttonCounter(button), editCounter(edit);
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_EQ(std::pair(buttonCounter.EndUpdates, editCounter.EndUpdates), std::pair(1, 1));
  for (int i = 0; i < 5; ++i) {
    input->update();
    button->update();
    edit->update();
    QApplication::processEvents();
  }
  EXPECT_EQ(std::pair(buttonCounter.EndUpdates, editCounter.EndUpdates), std::pair(1, 1))
      << "told again after a later paint";
  for (auto [child, counter] : {std::pair<QWidget*, PaintCounter*>(button, &buttonCounter), {edit, &editCounter}}) {
    SCOPED_TRACE(GetClassName(child).toStdString());
    // Told again (its update long over): nothing to repaint.
    counter->Paints = 0;
    SendSkinCommandToHandle(child, acEndUpdate, 0);
    QApplication::processEvents();
    EXPECT_EQ(counter->Paints, 0);
    // Waiting, it repaints on a later turn, not inside the notice.
    FindAdapter(child)->SkinData()->SetUpdating(true);
    SendSkinCommandToHandle(child, acEndUpdate, 0);
    EXPECT_EQ(counter->Paints, 0) << "painted inside the notice";
    QApplication::processEvents();
    EXPECT_GT(counter->Paints, 0);
  }
}

// Alt+Space in a skinned dialog (the focus in its edit) opens the skin's
// system menu below the title icon, the one menu shown; a dialog without a
// system menu shows none.
TEST_F(DialogWndTest, AltSpaceOpensTheSkinsSystemMenu) {
  for (const bool sysMenu : {true, false}) {
    SCOPED_TRACE(sysMenu ? "with a system menu" : "without");
    TacDialogWnd* a = Open(sysMenu ? Qt::Dialog : Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint,
                           true, false);
    auto* edit = new QLineEdit(dialog.get());
    dialog->open();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    edit->setFocus();
    QApplication::processEvents();
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Space, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(a->SystemMenu()->isVisible(), sysMenu);
    EXPECT_EQ(QApplication::activePopupWidget(), sysMenu ? a->SystemMenu() : nullptr) << "one menu";
    EXPECT_TRUE(edit->text().isEmpty());
    if (sysMenu) {
      const QPoint icon = dialog->mapToGlobal(QPoint(0, 0));
      EXPECT_EQ(a->SystemMenu()->pos().x(), icon.x() + a->BorderOffsets().X);
    }
    a->SystemMenu()->hide();
    QApplication::processEvents();
    adapter.reset();
    dialog.reset();
  }
}
