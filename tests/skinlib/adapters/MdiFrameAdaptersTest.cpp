// The MDI client adapter (a maximized child left alone, tiling, the
// MDIAREA part beside the main window's bars, redraw locks, the menu line
// marked) and the frame adapter (inert without a frame class, the
// background colour answered as RGB, the repaint of a moved frame, a child
// made later handed to the form's control adapter, both looks painted).
#include "skinlib/adapters/sFrameAdapter.h"
#include "skinlib/adapters/sMDIForm.h"

#include "platform/Bitmap.h"
#include "platform/Colors.h"
#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/ScrollBars.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/MdiSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QCoreApplication>
#include <QMainWindow>
#include "skinlib/manager/sSkinMenus.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils",
                                  "EditAdapters", "sSkinProvider"};

class SkinnedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
  }
  void TearDown() override {
    ControlAdapterSeam() = {};  // its stand-ins' logs are gone with the test body
    demo.Window = nullptr;
    window.reset();
    manager.reset();
    FrameAdapterClass().clear();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
  void Activate(const testskins::TestSkin& skin) {
    QString error;
    const QString root = QString::fromStdString(dir.Path());
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, root + "/Mdi", &error)) << error.toStdString();
    manager.reset();  // the default manager is the first one made
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName("Mdi");
    ASSERT_TRUE(manager->Active());
  }
  // The demo MDI form with its provider, shown.
  TsSkinProvider* ShowDemo() {
    demo = testskins::DemoMdiMainWindow();
    window.reset(demo.Window);
    window->resize(640, 480);
    auto* provider = new TsSkinProvider(window.get());
    window->show();
    for (QMdiSubWindow* child : demo.Children) child->show();
    QApplication::processEvents();
    return provider;
  }

  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QWidget> window;
  testskins::DemoMdi demo;
};

const TColor kMdiColour = TColor(testskins::kFormMdiAreaColor);

// ------------------------------------------------------------ MDI

using MdiTest = SkinnedTest;

TEST_F(MdiTest, ClientAdapterComesWithTheSkinAndGoesWithIt) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* provider = ShowDemo();
  TacMDIWnd* adapter = provider->MDIAdapter();
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->CtrlHandle(), demo.Area);
  EXPECT_EQ(adapter->Form(), window.get());
  EXPECT_EQ(adapter->Provider(), provider);
  EXPECT_EQ(MdiMainProvider, provider);
  EXPECT_EQ(FindAdapter(demo.Area), adapter);
  EXPECT_EQ(ScrollAdapterOfWindow(demo.Area), adapter) << "the area's bars are the adapter's";
  EXPECT_TRUE(window->testAttribute(Qt::WA_CanHostQMdiSubWindowTitleBar)) << "a maximized child's title is the line's";
  manager->SetActive(false);
  EXPECT_FALSE(window->testAttribute(Qt::WA_CanHostQMdiSubWindowTitleBar));
  EXPECT_EQ(provider->MDIAdapter(), nullptr);
  EXPECT_EQ(FindAdapter(demo.Area), nullptr);
  // The viewport paints Qt's own background again.
  Bitmap picture(20, 20, pf24bit);
  picture.Fill(0xFF123456);
  SendMessage(demo.Area->viewport(), WM_ERASEBKGND, PtrParam(&picture.GetCanvas()), 0);
  EXPECT_NE(picture.GetPixel(5, 5), kMdiColour);
}

TEST_F(MdiTest, MaximizedChildLeavesEraseAndNonClientPaintToIt) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* provider = ShowDemo();
  ASSERT_NE(provider->MDIAdapter(), nullptr);
  QWidget* viewport = demo.Area->viewport();
  // What the adapter answers in the area's and the viewport's own paint.
  std::vector<LRESULT> ncPaint, erase;
  const auto recorder = [](std::vector<LRESULT>& log, unsigned msg) {
    return [&log, msg](Message& m, const CallPrevious& previous) {
      previous(m);
      if (m.Msg == msg) log.push_back(m.Result);
    };
  };
  WindowProcHandle areaLog = InstallWindowProc(demo.Area, recorder(ncPaint, WM_NCPAINT));
  WindowProcHandle viewportLog = InstallWindowProc(viewport, recorder(erase, WM_ERASEBKGND));
  struct Case {
    const char* name;
    bool maximized;
    bool painted;
    LRESULT ncPaint;
  } cases[] = {{"normal child: the client is painted", false, true, 0},
               {"maximized child: nothing painted, both answer 1", true, false, 1}};
  for (const Case& c : cases) {
    if (c.maximized) demo.Children[1]->showMaximized();
    else demo.Children[1]->showNormal();
    QApplication::processEvents();
    Bitmap picture(viewport->width(), viewport->height(), pf24bit);
    picture.Fill(0xFF010203);
    const TColor untouched = picture.GetPixel(3, 3);
    EXPECT_EQ(SendMessage(viewport, WM_ERASEBKGND, PtrParam(&picture.GetCanvas()), 0), 1) << c.name;
    EXPECT_EQ(picture.GetPixel(3, 3), c.painted ? kMdiColour : untouched) << c.name;
    EXPECT_EQ(provider->MdiChildMenuState().EnabledRestore, c.maximized) << c.name;
    ncPaint.clear();
    erase.clear();
    demo.Area->repaint();
    viewport->repaint();
    ASSERT_FALSE(ncPaint.empty()) << c.name;
    EXPECT_EQ(ncPaint.back(), c.ncPaint) << c.name;
    // A maximized child may cover the whole client: then no erase comes.
    ASSERT_TRUE(c.maximized || !erase.empty()) << c.name;
    for (LRESULT answer : erase) EXPECT_EQ(answer, 1) << c.name;
  }
  RemoveWindowProc(areaLog);
  RemoveWindowProc(viewportLog);
}

TEST_F(MdiTest, TilingAndCascadingTakeTheSystemMenuFromTheActiveChildAndRepaint) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* provider = ShowDemo();
  for (unsigned msg : {unsigned(WM_MDITILE), unsigned(WM_MDICASCADE)}) {
    QWidget* active = demo.Children[0]->widget();
    QWidget* other = demo.Children[2]->widget();
    for (QWidget* w : {active, other})
      SetWindowLong(w, GWL_STYLE, std::intptr_t(std::uint32_t(GetWindowLong(w, GWL_STYLE)) | WS_SYSMENU));
    demo.Area->setActiveSubWindow(demo.Children[0]);
    provider->PaintAll();
    ASSERT_FALSE(provider->SkinData()->BackgroundDirty);
    ASSERT_FALSE(provider->MenuLineChanged());
    EXPECT_EQ(SendMessage(demo.Area, msg, 0, 0), 1) << msg;
    EXPECT_FALSE(std::uint32_t(GetWindowLong(active, GWL_STYLE)) & WS_SYSMENU) << msg;
    EXPECT_TRUE(std::uint32_t(GetWindowLong(other, GWL_STYLE)) & WS_SYSMENU) << "only the active child, " << msg;
    EXPECT_TRUE(provider->SkinData()->BackgroundDirty) << msg;
    EXPECT_TRUE(provider->MenuLineChanged()) << "the whole band asked for, " << msg;
  }
}

TEST_F(MdiTest, MdiAreaIsPaintedBesideTheAlignedToolAndStatusBars) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* provider = ShowDemo();
  auto* main = static_cast<QMainWindow*>(window.get());
  QToolBar* tools = main->findChild<QToolBar*>();
  QStatusBar* status = main->statusBar();
  ASSERT_TRUE(tools && status);
  provider->PaintAll();
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const TRect r = provider->MdiAreaRect();
  const QRect toolRect(tools->mapTo(window.get(), QPoint(0, 0)), tools->size());
  const QRect statusRect(status->mapTo(window.get(), QPoint(0, 0)), status->size());
  EXPECT_EQ(r.Top, toolRect.bottom() + 1);
  EXPECT_EQ(r.Bottom, statusRect.top());
  EXPECT_EQ(cache.GetPixel(r.Left + 1, r.Top + 1), kMdiColour);
  EXPECT_EQ(cache.GetPixel(r.Right - 2, r.Bottom - 2), kMdiColour);
  EXPECT_NE(cache.GetPixel(toolRect.center().x(), toolRect.center().y()), kMdiColour) << "not under the tool bar";
  EXPECT_NE(cache.GetPixel(statusRect.center().x(), statusRect.center().y()), kMdiColour) << "not under the status bar";
  // The viewport shows exactly that part of the cache.
  QWidget* viewport = demo.Area->viewport();
  const QPoint at = viewport->mapTo(window.get(), QPoint(0, 0));
  Bitmap picture(viewport->width(), viewport->height(), pf24bit);
  SendMessage(viewport, WM_ERASEBKGND, PtrParam(&picture.GetCanvas()), 0);
  for (QPoint p : {QPoint(0, 0), QPoint(viewport->width() - 1, viewport->height() - 1), QPoint(40, 30)})
    EXPECT_EQ(picture.GetPixel(p.x(), p.y()), cache.GetPixel(at.x() + p.x(), at.y() + p.y()));
}

TEST_F(MdiTest, ClientBarsFollowTheAreasScrollRange) {
  Activate(testskins::MdiSkin());
  TacMDIWnd* adapter = ShowDemo()->MDIAdapter();
  demo.Area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  for (bool below : {true, false}) {  // a child past the area's end gives it a range to scroll
    demo.Children[0]->move(0, below ? demo.Area->height() * 2 : 0);
    QApplication::processEvents();
    EXPECT_EQ(adapter->VertBar()->Visible, below) << below;
  }
}

// While the provider replaces the form's region (it hears of it as a
// position change) the client prints nothing; afterwards it does.
TEST_F(MdiTest, ClientPrintsNothingWhileItsProviderIsBusy) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* provider = ShowDemo();
  std::vector<TColor> printed;
  const auto print = [&] {
    Bitmap picture(demo.Area->width(), demo.Area->height(), pf24bit);
    SendMessage(demo.Area, WM_PRINT, PtrParam(&picture.GetCanvas()), 0);
    printed.push_back(picture.GetPixel(demo.Area->width() - 8, demo.Area->height() - 8));
  };
  WindowProcHandle watch = InstallWindowProc(window.get(), [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_WINDOWPOSCHANGING && provider->Busy()) print();
    previous(m);
  });
  provider->UpdateFormRegion(false);
  RemoveWindowProc(watch);
  print();
  EXPECT_EQ(printed, (std::vector<TColor>{0, kMdiColour}));
}

// On the screen (a paint device, not a bitmap) the viewport shows the
// cache's part too, and the new picture once the cache is repainted.
TEST_F(MdiTest, ViewportOnTheScreenFollowsTheRepaintedCache) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* provider = ShowDemo();
  for (QMdiSubWindow* child : demo.Children) child->hide();  // the background alone
  QWidget* viewport = demo.Area->viewport();
  const QPoint at = viewport->mapTo(window.get(), QPoint(0, 0));
  const QPoint probes[] = {QPoint(0, 0), QPoint(viewport->width() - 1, viewport->height() - 1), QPoint(40, 30)};
  TsGeneralData& area = manager->GeneralData[size_t(manager->IndexOfSection(QStringLiteral("MDIAREA")))];
  for (TColor colour : {kMdiColour, TColor(0x3060C0)}) {
    SCOPED_TRACE(colour);
    area.Color = colour;
    provider->SkinData()->BackgroundDirty = true;
    QImage shown(viewport->size(), QImage::Format_RGB32);
    viewport->render(&shown);
    const Bitmap& cache = *provider->SkinData()->CacheBitmap;
    EXPECT_EQ(cache.GetPixel(at.x() + 40, at.y() + 30), colour);
    for (QPoint p : probes)
      EXPECT_EQ(shown.pixel(p) & 0xFFFFFF, ToQRgb(cache.GetPixel(at.x() + p.x(), at.y() + p.y())) & 0xFFFFFF) << p.x();
  }
}

TEST_F(MdiTest, SubCommandsFiftyOneAndFiftyTwoLockAndUnlockRedrawing) {
  Activate(testskins::MdiSkin());
  ShowDemo();
  struct Case {
    unsigned command;
    LPARAM lParam;
    bool updates;
  } cases[] = {{acLockRedraw, 0, false}, {acUnlockRedraw, 0, true}, {acLockRedraw, 0, false},
               {acUnlockRedraw, SB_THUMBTRACK, true}};
  for (const Case& c : cases) {
    SendSkinCommandToHandle(demo.Area, c.command, c.lParam);
    EXPECT_EQ(demo.Area->updatesEnabled(), c.updates) << c.command << " " << c.lParam;
  }
}

TEST_F(MdiTest, MenuMessagesMarkTheMainFormsBand) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* provider = ShowDemo();
  QMenuBar* bar = static_cast<QMainWindow*>(window.get())->menuBar();
  struct Case {
    unsigned msg;
    bool menuLine;
  } cases[] = {{WM_MDISETMENU, true}, {WM_MDIREFRESHMENU, false}};
  for (const Case& c : cases) {
    provider->PaintAll();
    ASSERT_FALSE(provider->MenuLineChanged());
    ASSERT_FALSE(provider->SkinData()->BackgroundDirty);
    EXPECT_EQ(SendMessage(demo.Area, c.msg, 0, 0), LRESULT(PtrParam(bar))) << c.msg;
    EXPECT_EQ(provider->MenuLineChanged(), c.menuLine) << c.msg;
    EXPECT_TRUE(provider->SkinData()->BackgroundDirty) << c.msg;
  }
}

TEST_F(MdiTest, SwitchOffLeavesTheClientToItsOwnPainting) {
  Activate(testskins::MdiSkin());
  ShowDemo();
  MdiSettings().SkinMdiBorders = false;
  QWidget* viewport = demo.Area->viewport();
  Bitmap picture(viewport->width(), viewport->height(), pf24bit);
  SendMessage(viewport, WM_ERASEBKGND, PtrParam(&picture.GetCanvas()), 0);
  MdiSettings() = {};
  EXPECT_NE(picture.GetPixel(3, 3), kMdiColour);
}

TEST_F(MdiTest, ChildFormTakesAProviderAndItsWindowCommandsMoveTheSubWindow) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* main = ShowDemo();
  QWidget* childForm = demo.Children[0]->widget();
  TsSkinProvider* child = nullptr;
  ASSERT_NO_THROW(child = new TsSkinProvider(childForm));
  EXPECT_TRUE(child->IsMdiChild());
  EXPECT_FALSE(main->IsMdiChild());
  struct Case {
    unsigned command;
    bool maximized;
    bool buttons;
  } cases[] = {{SC_MAXIMIZE, true, true}, {SC_RESTORE, false, false}, {SC_MAXIMIZE, true, true}};
  for (const Case& c : cases) {
    main->PaintAll();
    ASSERT_FALSE(main->MenuLineChanged());
    SendMessage(childForm, WM_SYSCOMMAND, c.command, 0);
    EXPECT_TRUE(main->MenuLineChanged()) << "the main form's line follows, " << c.command;
    QApplication::processEvents();
    EXPECT_EQ(demo.Children[0]->isMaximized(), c.maximized) << c.command;
    EXPECT_EQ(main->MDIButtonsVisible(), c.buttons) << c.command;
  }
  EXPECT_EQ(LastProvider, child);
  EXPECT_TRUE(main->MdiChildMenuState().EnabledRestore) << "the line's restore button follows the child";
  // The close button of the main form's menu line closes the maximized child.
  const TRect close = main->MdiButtonRect(101);
  ASSERT_GT(close.Width(), 0);
  const QPoint at = window->mapToGlobal(QPoint((close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2));
  const LPARAM point = LPARAM(MAKELONG(at.x(), at.y()));
  QPointer<QMdiSubWindow> sub = demo.Children[0];
  SendMessage(window.get(), WM_NCLBUTTONDOWN, 101, point);
  SendMessage(window.get(), WM_NCLBUTTONUP, 101, point);
  QApplication::processEvents();
  EXPECT_TRUE(!sub || !sub->isVisible()) << "closed";
  EXPECT_EQ(demo.Area->subWindowList().size(), 2);
}

TEST_F(MdiTest, ActivatingANormalChildRepaintsTheMainFormsBand) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* main = ShowDemo();
  auto* second = new TsSkinProvider(demo.Children[1]->widget());
  main->PaintAll();
  ASSERT_FALSE(main->MenuLineChanged());
  demo.Area->setActiveSubWindow(demo.Children[1]);
  EXPECT_TRUE(main->MenuLineChanged());
  EXPECT_TRUE(main->SkinData()->BackgroundDirty);
  EXPECT_EQ(LastProvider, second);
}

// A child's menu shows in the main form's band: the main form's band is
// painted anew when the child's provider goes (the child staying).
TEST_F(MdiTest, MainFormIsRepaintedWhenAChildWithAMenuLosesItsProvider) {
  Activate(testskins::MdiSkin());
  ShowDemo();
  QWidget* childForm = demo.Children[2]->widget();
  int ncPaints = 0;
  WindowProcHandle watch = InstallWindowProc(window.get(), [&](Message& m, const CallPrevious& previous) {
    ncPaints += m.Msg == WM_NCPAINT;
    previous(m);
  });
  for (bool menu : {false, true}) {
    if (menu) childForm->layout()->setMenuBar(new QMenuBar(childForm));
    auto* child = new TsSkinProvider(childForm);
    QApplication::processEvents();
    ncPaints = 0;
    delete child;
    QApplication::processEvents();
    EXPECT_EQ(ncPaints > 0, menu) << menu;
  }
  RemoveWindowProc(watch);
}

// The main form shows its maximized child's caption: a deactivation it
// hears while that child is still the active form leaves it active.
TEST_F(MdiTest, MainFormStaysActiveWhileItsMaximizedChildIs) {
  Activate(testskins::MdiSkin());
  TsSkinProvider* main = ShowDemo();
  window->activateWindow();
  for (bool maximized : {false, true}) {
    if (maximized) demo.Children[0]->showMaximized();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), window.get());
    SendMessage(window.get(), WM_NCACTIVATE, 0, 0);
    EXPECT_EQ(main->FormActive(), maximized) << maximized;
  }
}

TEST_F(MdiTest, OtherChildObjectsAreNeverTakenForTheMdiFormOrTheFrameAdapter) {
  Activate(testskins::MdiSkin());
  window = std::make_unique<QWidget>();
  auto* provider = new TsSkinProvider(window.get());
  new QTimer(provider);  // as the title icon's wait is
  EXPECT_EQ(MDIFormOf(provider), nullptr);
  EXPECT_EQ(provider->MDIAdapter(), nullptr);
  FrameAdapterClass() = QStringLiteral("TFrame");
  auto* frame = new testskins::TFrame(window.get());
  new QVBoxLayout(frame);
  TsFrameAdapter* adapter = CreateFrameAdapter(frame);
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->Frame(), frame);
  EXPECT_EQ(CreateFrameAdapter(frame), adapter);
}

// ------------------------------------------------------------ frames

class FrameTest : public SkinnedTest {
 protected:
  // A parent whose answers the test sets: skinned, a plain container, and
  // the background colour `parentColour`.
  void MakeParent() {
    window = std::make_unique<QWidget>();
    window->resize(300, 200);
    parentHook = InstallWindowProc(
        window.get(),
        [this](Message& m, const CallPrevious& previous) {
          if (m.Msg != SkinCommandMsg) return previous(m);
          switch (HIWORD(m.WParam)) {
            case acIsSkinned: m.Result = 1; return;
            case acContainerBg: m.Result = 1; return;
            case acGetBgColor: m.Result = LRESULT(parentColour); return;
            default: previous(m); return;
          }
        },
        WindowProcLevel::Control);
    frame = new testskins::TFrame(window.get());
    frame->setGeometry(20, 20, 120, 80);
    window->show();
    QApplication::processEvents();
  }
  TColor parentColour = clBtnFace;
  WindowProcHandle parentHook;
  testskins::TFrame* frame = nullptr;
};

TEST_F(FrameTest, WithoutAFrameClassTheAdapterSaysSoAndStaysInert) {
  Activate(testskins::MdiSkin());
  MakeParent();
  auto* adapter = new TsFrameAdapter(frame);
  ASSERT_EQ(prompts.Calls.size(), 1u);
  EXPECT_EQ(prompts.Calls[0].Text, QString::fromLatin1(kFrameAdapterMessage));
  EXPECT_TRUE(adapter->Inert());
  EXPECT_EQ(adapter->Frame(), nullptr);
  EXPECT_EQ(SendSkinCommandToHandle(frame, acIsSkinned, 0), 0) << "the frame's messages stay its own";
  // With the class set, the same frame is taken.
  FrameAdapterClass() = QStringLiteral("TFrame");
  TsFrameAdapter* taken = CreateFrameAdapter(frame);
  EXPECT_EQ(taken, adapter) << "the frame's adapter is found, not made twice";
  delete adapter;
  taken = CreateFrameAdapter(frame);
  EXPECT_FALSE(taken->Inert());
  EXPECT_EQ(taken->Frame(), frame);
  EXPECT_EQ(taken->SkinData()->SkinSection(), QStringLiteral("GROUPBOX"));
  EXPECT_EQ(SendSkinCommandToHandle(frame, acIsSkinned, 0), 1);
  EXPECT_EQ(prompts.Calls.size(), 1u);
}

TEST_F(FrameTest, AnswersAndRedrawLocks) {
  FrameAdapterClass() = QStringLiteral("TFrame");
  Activate(testskins::MdiSkin());
  MakeParent();
  auto* adapter = new TsFrameAdapter(frame);
  const int section = manager->IndexOfSection(QStringLiteral("GROUPBOX"));
  ASSERT_GE(section, 0);
  EXPECT_EQ(adapter->SkinData()->SectionIndex, section);
  EXPECT_EQ(SendSkinCommandToHandle(frame, acGetSection, 0), section + 1);
  EXPECT_EQ(SendSkinCommandToHandle(frame, acIsSkinned, 0), 1);
  EXPECT_EQ(SendSkinCommandToHandle(frame, acGetApplication, 0), LRESULT(PtrParam(QCoreApplication::instance())));
  SendSkinCommandToHandle(frame, 51, 0);
  EXPECT_FALSE(frame->updatesEnabled());
  SendSkinCommandToHandle(frame, 52, 0);
  EXPECT_TRUE(frame->updatesEnabled());
  // The manager's removal reaches the frame's data.
  SendSkinCommandToHandle(frame, acRemoveSkin, LPARAM(PtrParam(manager.get())));
  EXPECT_FALSE(adapter->SkinData()->Skinned());
}

TEST_F(FrameTest, BackgroundColourIsAlwaysRgb) {
  FrameAdapterClass() = QStringLiteral("TFrame");
  struct Case {
    const char* name;
    int transparency;
    TColor parent;
    TColor want;
  } cases[] = {
      {"opaque: the section's colour", 0, clBtnFace, TColor(testskins::kMdiGroupBoxColor)},
      {"clear over a system colour: resolved", 100, clBtnFace, ColorToRGB(clBtnFace)},
      {"clear over an RGB colour", 100, 0x405060, 0x405060},
      {"half: the look follows the parent", 50, clWindow, KeyColor},
  };
  for (const Case& c : cases) {
    Activate(testskins::MdiSkin(c.transparency));
    MakeParent();
    parentColour = c.parent;
    auto* adapter = new TsFrameAdapter(frame);
    const auto answer = TColor(SendSkinCommandToHandle(frame, acGetBgColor, 0));
    EXPECT_EQ(answer, c.want) << c.name;
    EXPECT_GE(answer, 0) << c.name << ": no system colour";
    EXPECT_EQ(adapter->BackgroundColor(), answer);
    window.reset();
  }
}

TEST_F(FrameTest, ParentDependentFrameRepaintsWhenMovedAPlainOneDoesNot) {
  FrameAdapterClass() = QStringLiteral("TFrame");
  struct Case {
    const char* name;
    int transparency;
    bool dirtyAfterMove;
  } cases[] = {{"half transparent follows its parent", 50, true}, {"opaque stays", 0, false}};
  for (const Case& c : cases) {
    Activate(testskins::MdiSkin(c.transparency));
    MakeParent();
    auto* adapter = new TsFrameAdapter(frame);
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(adapter->SkinData()->ParentDependent(), c.dirtyAfterMove) << c.name;
    Bitmap picture(frame->width(), frame->height(), pf24bit);
    adapter->PaintFrame(picture.GetCanvas());
    adapter->SkinData()->BackgroundDirty = false;
    frame->move(frame->x() + 7, frame->y() + 5);  // a shown frame hears its move at once
    EXPECT_EQ(adapter->SkinData()->BackgroundDirty, c.dirtyAfterMove) << c.name;
    window.reset();
  }
}

TEST_F(FrameTest, BothLooksPaint) {
  FrameAdapterClass() = QStringLiteral("TFrame");
  // Opaque with a border: the border strip from the mask, the rest filled.
  Activate(testskins::MdiSkin(0, /*border=*/true));
  MakeParent();
  auto* adapter = new TsFrameAdapter(frame);
  ASSERT_FALSE(adapter->SkinData()->ParentDependent());
  Bitmap picture(frame->width(), frame->height(), pf24bit);
  picture.Fill(0xFF000000);
  adapter->PaintFrame(picture.GetCanvas());
  EXPECT_EQ(picture.GetPixel(1, 1), TColor(testskins::kGroupBoxBorderColor));
  EXPECT_EQ(picture.GetPixel(frame->width() - 2, frame->height() / 2), TColor(testskins::kGroupBoxBorderColor));
  EXPECT_EQ(picture.GetPixel(frame->width() / 2, frame->height() / 2), TColor(testskins::kMdiGroupBoxColor));
  EXPECT_EQ(adapter->SkinData()->CacheBitmap, nullptr) << "the border's cache is not kept";
  window.reset();
  // Parent-dependent: the cache over the parent's background, copied.
  Activate(testskins::MdiSkin(50));
  MakeParent();
  adapter = new TsFrameAdapter(frame);
  ASSERT_TRUE(adapter->SkinData()->ParentDependent());
  Bitmap second(frame->width(), frame->height(), pf24bit);
  second.Fill(0xFF000000);
  adapter->SkinData()->BackgroundDirty = true;
  adapter->PaintFrame(second.GetCanvas());
  ASSERT_NE(adapter->SkinData()->CacheBitmap, nullptr);
  EXPECT_EQ(second.GetPixel(frame->width() / 2, frame->height() / 2),
            adapter->SkinData()->CacheBitmap->GetPixel(frame->width() / 2, frame->height() / 2));
}

TEST_F(FrameTest, ChildMadeLaterReachesTheFormsControlAdapter) {
  FrameAdapterClass() = QStringLiteral("TFrame");
  Activate(testskins::MdiSkin());
  std::vector<QWidget*> readapted;
  ControlAdapterSeam().Readapt = [&](TsSkinProvider&, QWidget* control) { readapted.push_back(control); };
  window = std::make_unique<QWidget>();
  window->resize(300, 200);
  new TsSkinProvider(window.get());
  frame = new testskins::TFrame(window.get());
  frame->setGeometry(10, 10, 200, 120);
  new TsFrameAdapter(frame);
  window->show();
  QApplication::processEvents();
  readapted.clear();
  auto* later = new QPushButton(QStringLiteral("下一期"), frame);
  later->show();
  QApplication::processEvents();
  EXPECT_NE(std::find(readapted.begin(), readapted.end(), frame), readapted.end())
      << "the frame's form re-adapts the frame with its new child";
  // The form hears of it only while other libraries' controls are adapted.
  using Rules = TsSkinManager::TacSkinningRules;
  const Rules all = Rules(TsSkinManager::srStdForms) | TsSkinManager::srStdDialogs | TsSkinManager::srThirdParty;
  const Rules own = Rules(TsSkinManager::srStdForms) | TsSkinManager::srStdDialogs;
  struct Case {
    const char* name;
    Rules rules;
    std::function<void()> change;
    bool told;
  } cases[] = {
      {"child made, own controls only", own, [&] { (new QPushButton(frame))->show(); }, false},
      {"shown, all rules", all, [&] { SendMessage(frame, 0xB019, 0, 0); }, true},
      {"shown, own controls only", own, [&] { SendMessage(frame, 0xB019, 0, 0); }, false},
  };
  for (const Case& c : cases) {
    manager->SetSkinningRules(c.rules);
    readapted.clear();
    c.change();
    QApplication::processEvents();
    EXPECT_EQ(std::find(readapted.begin(), readapted.end(), frame) != readapted.end(), c.told) << c.name;
  }
}

// The mouse on the frame: a child still drawn under the mouse is drawn
// again, unless it is the one the mouse came from (lParam).
TEST_F(FrameTest, MouseEnteringRedrawsTheChildrenStillUnderTheMouse) {
  FrameAdapterClass() = QStringLiteral("TFrame");
  Activate(testskins::MdiSkin());
  MakeParent();
  new TsFrameAdapter(frame);
  const bool mouseAbove[] = {true, true, false}, redrawn[] = {true, false, false};  // the second is the sender
  std::vector<TacAdapterPtr<TacEditWnd>> adapters;
  int paints[3] = {};
  for (int i = 0; i < 3; ++i) {
    auto* edit = new QLineEdit(frame);
    edit->setGeometry(2, 2 + 25 * i, 100, 22);
    edit->show();
    adapters.push_back(TacMainWnd::Create<TacEditWnd>(edit, nullptr, manager.get(), "EDIT", true));
    adapters.back()->SkinData()->MouseAbove = mouseAbove[i];
  }
  manager->SetHotWindow(frame);  // the frame's own hot look is not what is looked at
  QTest::qWait(50);  // every paint the set-up asked for is done
  std::vector<WindowProcHandle> logs;
  for (int i = 0; i < 3; ++i)
    logs.push_back(InstallWindowProc(adapters[size_t(i)]->CtrlHandle(), [&paints, i](Message& m, const CallPrevious& previous) {
      paints[i] += m.Msg == WM_PAINT;
      previous(m);
    }));
  SendMessage(frame, 0xB013, 0, LPARAM(PtrParam(adapters[1]->CtrlHandle())));
  QApplication::processEvents();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(paints[i] > 0, redrawn[i]) << i;
  for (WindowProcHandle& log : logs) RemoveWindowProc(log);
}

// The frame's own popup menus are drawn by the skinned menus when the
// manager skins popups: at the adapter's start and at every new skin.
TEST_F(FrameTest, ItsPopupMenusAreHookedWhenTheManagerSkinsPopups) {
  FrameAdapterClass() = QStringLiteral("TFrame");
  Activate(testskins::MdiSkin());
  MakeParent();
  TsSkinableMenus& menus = manager->SkinableMenus();
  auto* first = new QMenu(frame);
  QMenu elsewhere;
  new TsFrameAdapter(frame);
  EXPECT_TRUE(menus.Hooks(first));
  EXPECT_FALSE(menus.Hooks(&elsewhere));
  auto* later = new QMenu(frame);
  SendSkinCommandToHandle(frame, acNewSkin, LPARAM(PtrParam(manager.get())));
  EXPECT_TRUE(menus.Hooks(later));
  // Popups no longer skinned: a new skin gives them back.
  manager->SetSkinnedPopups(false);
  SendSkinCommandToHandle(frame, acNewSkin, LPARAM(PtrParam(manager.get())));
  EXPECT_FALSE(menus.Hooks(first));
  EXPECT_FALSE(menus.Hooks(later));
}

}  // namespace
