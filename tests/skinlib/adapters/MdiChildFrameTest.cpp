// The frame and title of an MDI child that is not maximized: its provider
// paints the sub-window's caption and borders from the skin, the title
// buttons act on the sub-window, the caption follows the area's active
// child, a drag on the caption moves the sub-window inside the area,
// maximize and restore hand the title to the main form's menu line and
// back, and the skin's removal gives the sub-window Qt's frame again.
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/MdiSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils",
                                  "EditAdapters", "sSkinProvider"};

class MdiChildFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
    QString error;
    const QString root = QString::fromStdString(dir.Path());
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::MdiSkin(), root + "/Mdi", &error)) << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName("Mdi");
    ASSERT_TRUE(manager->Active());
    demo = testskins::DemoMdiMainWindow();
    window.reset(demo.Window);
    window->resize(720, 520);
    main = new TsSkinProvider(window.get());
    for (int i = 0; i < 3; ++i) children[i] = new TsSkinProvider(demo.Children[i]->widget());
    window->show();
    for (QMdiSubWindow* child : demo.Children) child->show();
    demo.Area->cascadeSubWindows();
    demo.Area->setActiveSubWindow(demo.Children[0]);
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
  QWidget* Form(int i) const { return demo.Children[i]->widget(); }
  // The middle of a title button of child i, in the form.
  QPoint ButtonPoint(int i, int hitCode) {
    children[i]->PaintAll();
    const TRect r = children[i]->ButtonRecord(hitCode)->Rect;
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  // A mouse event at a point of the screen, as the form gets it.
  static void Mouse(QWidget* form, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(form->mapFromGlobal(global)), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(form, &e);
  }
  // A drag with the left button from a point of the form by `by`.
  static void Drag(QWidget* form, QPoint from, QPoint by) {
    const QPoint g = form->mapToGlobal(from);
    Mouse(form, QEvent::MouseButtonPress, g, Qt::LeftButton);
    Mouse(form, QEvent::MouseMove, g + by / 2, Qt::LeftButton);
    Mouse(form, QEvent::MouseMove, g + by, Qt::LeftButton);
    Mouse(form, QEvent::MouseButtonRelease, g + by, Qt::NoButton);
  }
  // A point of the caption clear of icon, text and buttons.
  QPoint CaptionPoint(int i) {
    const QMargins m = Form(i)->contentsMargins();
    return {Form(i)->width() - 110, m.top() / 2 + 1};
  }
  // How many pixels of the child's title band, as the screen shows it,
  // have the colour (a TColor).
  int TitlePixels(int i, int colour) {
    const QImage shot = demo.Children[i]->grab().toImage();
    const QMargins m = Form(i)->contentsMargins();
    const QPoint at = Form(i)->mapTo(demo.Children[i], QPoint());
    const QRgb want = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    int count = 0;
    for (int y = at.y() + m.left(); y < at.y() + m.top() - 1; ++y)
      for (int x = at.x() + m.left(); x < at.x() + Form(i)->width() - m.right(); ++x)
        count += (shot.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
    return count;
  }

  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QWidget> window;
  testskins::DemoMdi demo;
  TsSkinProvider* main = nullptr;
  TsSkinProvider* children[3] = {nullptr, nullptr, nullptr};
};

TEST_F(MdiChildFrameTest, NormalChildWearsTheSkinsCaptionAndBorders) {
  for (int i = 0; i < 3; ++i) {
    QMdiSubWindow* sub = demo.Children[i];
    EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint) << i;
    EXPECT_TRUE(HasNonClientFrame(Form(i))) << i;
    const int border = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(Form(i)->contentsMargins(), QMargins(border, border + GetSystemMetrics(SM_CYCAPTION), border, border))
        << i;
    EXPECT_EQ(Form(i)->geometry(), sub->rect()) << "the form fills its sub-window " << i;
  }
  // The caption on the screen is the skin's title, hot for the active child.
  const int band = Form(0)->width() * (Form(0)->contentsMargins().top() - Form(0)->contentsMargins().left() - 1);
  EXPECT_GT(TitlePixels(0, testskins::kFormTitleHotColor), band / 3);
  EXPECT_GT(TitlePixels(1, testskins::kFormTitleColor), band / 3);
  // The band answers the skin's hit codes.
  const auto hit = [&](int i, QPoint local) {
    const QPoint g = Form(i)->mapToGlobal(local);
    return int(SendMessage(Form(i), WM_NCHITTEST, 0, MAKELPARAM(g.x(), g.y())));
  };
  EXPECT_EQ(hit(0, ButtonPoint(0, HTCLOSE)), HTCLOSE);
  EXPECT_EQ(hit(0, ButtonPoint(0, HTMAXBUTTON)), HTMAXBUTTON);
  EXPECT_EQ(hit(0, CaptionPoint(0)), HTCAPTION);
  EXPECT_EQ(hit(0, QPoint(1, Form(0)->height() / 2)), HTLEFT);
  EXPECT_EQ(hit(0, QPoint(Form(0)->width() - 1, Form(0)->height() - 1)), HTBOTTOMRIGHT);
}

TEST_F(MdiChildFrameTest, TitleButtonsShowHotAndPressedAndActOnTheSubWindow) {
  struct Case {
    const char* name;
    int hitCode;
    bool (*done)(QMdiSubWindow*);
  } cases[] = {
      {"minimize", HTMINBUTTON, [](QMdiSubWindow* s) { return s->isMinimized(); }},
      {"maximize", HTMAXBUTTON, [](QMdiSubWindow* s) { return s->isMaximized(); }},
      {"close", HTCLOSE, [](QMdiSubWindow* s) { return !s->isVisible(); }},
  };
  int i = 0;
  for (const Case& c : cases) {
    QPointer<QMdiSubWindow> sub = demo.Children[i];
    demo.Area->setActiveSubWindow(sub);
    QWidget* form = Form(i);
    const QPoint p = ButtonPoint(i, c.hitCode);
    QTest::mouseMove(form, p);
    EXPECT_EQ(children[i]->ButtonRecord(c.hitCode)->State, 1) << c.name << ": hot";
    QTest::mousePress(form, Qt::LeftButton, {}, p);
    EXPECT_EQ(children[i]->ButtonRecord(c.hitCode)->State, 2) << c.name << ": pressed";
    QTest::mouseRelease(form, Qt::LeftButton, {}, p);
    QApplication::processEvents();
    ASSERT_TRUE(sub) << c.name;
    EXPECT_TRUE(c.done(sub)) << c.name;
    if (c.hitCode == HTMINBUTTON) {
      EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint) << "a minimized child has no title bar of Qt's";
      EXPECT_TRUE(IsIconic(form));
    }
    if (c.hitCode == HTMAXBUTTON) sub->showNormal();
    ++i;
  }
  EXPECT_EQ(demo.Area->subWindowList().size(), 2);
  // A double click on the title icon closes the child with its sub-window.
  QPointer<QMdiSubWindow> second = demo.Children[1];
  const TRect icon = children[1]->IconRect();
  ASSERT_GT(icon.Width(), 0);
  const QPoint g = Form(1)->mapToGlobal(QPoint((icon.Left + icon.Right) / 2, (icon.Top + icon.Bottom) / 2));
  EXPECT_EQ(SendMessage(Form(1), WM_NCHITTEST, 0, MAKELPARAM(g.x(), g.y())), HTSYSMENU);
  SendMessage(Form(1), WM_NCLBUTTONDBLCLK, HTSYSMENU, MAKELPARAM(g.x(), g.y()));
  QApplication::processEvents();
  EXPECT_TRUE(!second || !second->isVisible());
  EXPECT_EQ(demo.Area->subWindowList().size(), 1);
  demo.Children[0]->showNormal();
  QApplication::processEvents();
  EXPECT_TRUE(demo.Children[0]->windowFlags() & Qt::FramelessWindowHint) << "restored: our frame again";
}

TEST_F(MdiChildFrameTest, CaptionFollowsTheAreasActiveChild) {
  for (int active : {1, 2, 0}) {
    demo.Area->setActiveSubWindow(demo.Children[active]);
    QApplication::processEvents();
    const int band =
        Form(0)->width() * (Form(0)->contentsMargins().top() - Form(0)->contentsMargins().left() - 1) / 3;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(children[i]->FormActive(), i == active) << i << " with " << active << " active";
      EXPECT_GT(TitlePixels(i, i == active ? testskins::kFormTitleHotColor : testskins::kFormTitleColor), band)
          << i << " with " << active << " active";
    }
  }
  // A press on an inactive child's caption activates it.
  const QPoint g = Form(2)->mapToGlobal(CaptionPoint(2));
  Mouse(Form(2), QEvent::MouseButtonPress, g, Qt::LeftButton);
  Mouse(Form(2), QEvent::MouseButtonRelease, g, Qt::NoButton);
  EXPECT_EQ(demo.Area->activeSubWindow(), demo.Children[2]);
  EXPECT_TRUE(children[2]->FormActive());
  EXPECT_FALSE(children[0]->FormActive());
  demo.Area->setActiveSubWindow(demo.Children[0]);
  // The main window's own activation wakes only the active child's caption.
  SendMessage(Form(1), WM_NCACTIVATE, 1);
  SendMessage(Form(0), WM_NCACTIVATE, 1);
  EXPECT_FALSE(children[1]->FormActive());
  EXPECT_TRUE(children[0]->FormActive());
}

TEST_F(MdiChildFrameTest, DragOnTheCaptionMovesTheSubWindowInsideTheArea) {
  QMdiSubWindow* sub = demo.Children[0];
  QWidget* form = Form(0);
  const QPoint start = sub->pos();
  Drag(form, CaptionPoint(0), QPoint(30, 20));
  EXPECT_EQ(sub->pos(), start + QPoint(30, 20));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  // Far up and left: the caption stays in the area.
  Drag(form, CaptionPoint(0), QPoint(-2000, -2000));
  EXPECT_EQ(sub->y(), 0);
  EXPECT_EQ(sub->x(), 40 - sub->width());
  // Far down and right: its left end stays in reach.
  Drag(form, CaptionPoint(0), QPoint(3000, 3000));
  EXPECT_EQ(sub->x(), demo.Area->viewport()->width() - 40);
  EXPECT_EQ(sub->y(), demo.Area->viewport()->height() - 20);
  sub->move(10, 10);
  // A drag on the right edge sizes it.
  const QSize size = sub->size();
  Drag(form, QPoint(form->width() - 1, form->height() / 2), QPoint(25, 0));
  EXPECT_EQ(sub->size(), size + QSize(25, 0));
  EXPECT_EQ(sub->pos(), QPoint(10, 10));
  // A double click on the caption maximizes.
  QTest::mouseDClick(form, Qt::LeftButton, {}, CaptionPoint(0));
  QApplication::processEvents();
  EXPECT_TRUE(sub->isMaximized());
}

TEST_F(MdiChildFrameTest, MaximizeAndRestoreHandTheTitleToTheMenuLineAndBack) {
  QMdiSubWindow* sub = demo.Children[0];
  QWidget* form = Form(0);
  const QMargins normal = form->contentsMargins();
  const QRect place = sub->geometry();
  for (int round = 0; round < 2; ++round) {
    const QPoint p = ButtonPoint(0, HTMAXBUTTON);
    QTest::mousePress(form, Qt::LeftButton, {}, p);
    QTest::mouseRelease(form, Qt::LeftButton, {}, p);
    QApplication::processEvents();
    ASSERT_TRUE(sub->isMaximized()) << round;
    EXPECT_EQ(form->contentsMargins(), QMargins()) << "no band while maximized, " << round;
    EXPECT_TRUE(main->MDIButtonsVisible()) << round;
    main->PaintAll();
    for (int code : {101, 102, 103}) EXPECT_GT(main->MdiButtonRect(code).Width(), 0) << code << ", " << round;
    // The restore button of the main form's line.
    const TRect r = main->MdiButtonRect(102);
    const QPoint at = window->mapToGlobal(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    SendMessage(window.get(), WM_NCLBUTTONDOWN, 102, MAKELPARAM(at.x(), at.y()));
    SendMessage(window.get(), WM_NCLBUTTONUP, 102, MAKELPARAM(at.x(), at.y()));
    QApplication::processEvents();
    EXPECT_FALSE(sub->isMaximized()) << round;
    EXPECT_FALSE(main->MDIButtonsVisible()) << round;
    EXPECT_EQ(form->contentsMargins(), normal) << round;
    EXPECT_EQ(sub->geometry(), place) << round;
    EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint) << round;
  }
}

TEST_F(MdiChildFrameTest, SkinRemovalGivesTheSubWindowQtsFrameBack) {
  QMdiSubWindow* sub = demo.Children[1];
  const QRect place = sub->geometry();
  manager->SetActive(false);
  QApplication::processEvents();
  EXPECT_FALSE(sub->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(HasNonClientFrame(Form(1)));
  EXPECT_EQ(sub->geometry(), place);
  EXPECT_NE(Form(1)->geometry(), sub->rect()) << "Qt's title bar and frame around the form";
  EXPECT_EQ(TitlePixels(1, testskins::kFormTitleColor), 0);
  manager->SetActive(true);
  QApplication::processEvents();
  EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint) << "a new skin frames it again";
}

}  // namespace

namespace {

// rmBorder: the outline starts on the child's sub-window as the screen
// shows it, and the release moves the sub-window there inside the area.
TEST_F(MdiChildFrameTest, BorderOutlineMovesTheSubWindow) {
  QMdiSubWindow* sub = demo.Children[0];
  QWidget* form = Form(0);
  children[0]->SetResizeMode(TsResizeMode::rmBorder);
  const QPoint start = sub->pos();
  const QPoint g = form->mapToGlobal(CaptionPoint(0));
  const int hit = int(SendMessage(form, WM_NCHITTEST, 0, MAKELPARAM(g.x(), g.y())));
  ASSERT_EQ(hit, HTCAPTION);
  SendMessage(form, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(g.x(), g.y()));
  ASSERT_NE(children[0]->MoveOutline(), nullptr);
  const QPoint corner = sub->mapToGlobal(QPoint());
  EXPECT_EQ(BorderDrag.Frame.Left, corner.x());
  EXPECT_EQ(BorderDrag.Frame.Top, corner.y());
  EXPECT_EQ(BorderDrag.Frame.Width(), sub->width());
  children[0]->DrawMoveOutline({g.x() + 15, g.y() + 12});
  SendMessage(form, WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(g.x() + 15, g.y() + 12));
  EXPECT_EQ(children[0]->MoveOutline(), nullptr);
  EXPECT_EQ(sub->pos(), start + QPoint(15, 12));
  EXPECT_EQ(form->pos(), QPoint()) << "the form stays in its sub-window";
}

}  // namespace

namespace {

// An iconic child: its sub-window, frameless, is the skin's caption alone,
// and the mouse on it is the form's band.
class MdiIconicChildTest : public MdiChildFrameTest {
 protected:
  // A mouse event at a point of the screen, as the sub-window gets it.
  static void SubMouseAt(QMdiSubWindow* sub, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(sub->mapFromGlobal(global)), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(sub, &e);
  }
  // ... at a point of the sub-window.
  static void SubMouse(QMdiSubWindow* sub, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    SubMouseAt(sub, type, sub->mapToGlobal(local), buttons);
  }
  static void Click(QMdiSubWindow* sub, QPoint local) {
    SubMouse(sub, QEvent::MouseButtonPress, local, Qt::LeftButton);
    SubMouse(sub, QEvent::MouseButtonRelease, local, Qt::NoButton);
  }
  // As the window system delivers one: the second press comes with the
  // double click.
  static void DoubleClick(QMdiSubWindow* sub, QPoint local) {
    Click(sub, local);
    SubMouse(sub, QEvent::MouseButtonPress, local, Qt::LeftButton);
    SubMouse(sub, QEvent::MouseButtonDblClick, local, Qt::LeftButton);
    SubMouse(sub, QEvent::MouseButtonRelease, local, Qt::NoButton);
  }
  static int HitAt(QWidget* form, QMdiSubWindow* sub, QPoint local) {
    const QPoint g = sub->mapToGlobal(local);
    return int(SendMessage(form, WM_NCHITTEST, 0, MAKELPARAM(g.x(), g.y())));
  }
  void Minimize(int i) {
    demo.Children[i]->showMinimized();
    QApplication::processEvents();
  }
  // A point of the iconic caption between the icon and the buttons.
  QPoint IconicCaptionPoint(int i) {
    const TRect icon = children[i]->IconRect();
    return {icon.Right + 12, demo.Children[i]->height() / 2};
  }
};

TEST_F(MdiIconicChildTest, IconicChildIsTheSkinsCaptionOnItsSubWindow) {
  QMdiSubWindow* sub = demo.Children[1];
  QWidget* form = Form(1);
  Minimize(1);
  ASSERT_TRUE(sub->isMinimized());
  EXPECT_TRUE(IsIconic(form));
  EXPECT_FALSE(form->isVisible()) << "the form waits hidden";
  EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint) << "no title bar of Qt's";
  EXPECT_EQ(sub->size(), QSize(GetSystemMetrics(SM_CXMINIMIZED), GetSystemMetrics(SM_CYMINIMIZED)));
  EXPECT_EQ(sub->geometry().bottom() + 1, demo.Area->viewport()->height()) << "in the row of minimized windows";
  EXPECT_EQ(NonClientWidget(form), sub);
  const QPoint corner = sub->mapToGlobal(QPoint());
  EXPECT_EQ(GetWindowRect(form), Bounds(corner.x(), corner.y(), sub->width(), sub->height()));
  // The provider paints the iconic window's width.
  children[1]->PaintAll();
  ASSERT_NE(children[1]->SkinData()->CacheBitmap, nullptr);
  EXPECT_EQ(children[1]->SkinData()->CacheBitmap->Width(), sub->width());
  EXPECT_EQ(children[1]->SkinData()->CacheBitmap->Height(), sub->height());

  // On the screen: the skin's title over the caption rows.
  const QImage shot = sub->grab().toImage();
  const int colour = children[1]->FormActive() ? testskins::kFormTitleHotColor : testskins::kFormTitleColor;
  const QRgb want = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF) & 0xFFFFFF;
  const int top = GetSystemMetrics(SM_CXFRAME), rows = GetSystemMetrics(SM_CYCAPTION) - 1;
  int title = 0;
  for (int y = top; y < top + rows; ++y)
    for (int x = 0; x < shot.width(); ++x) title += (shot.pixel(x, y) & 0xFFFFFF) == want;
  EXPECT_GT(title, shot.width() * rows / 8) << "beside the icon, caption plate and buttons";
  // Every pixel is the provider's picture.
  const QImage cache = children[1]->SkinData()->CacheBitmap->ToQImage();
  int differ = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) differ += (shot.pixel(x, y) & 0xFFFFFF) != (cache.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(differ, 0);

  // The buttons of an iconic child: restore (in the minimize place),
  // maximize and close, each answering its hit code through the sub-window.
  const TsSkinManager& m = *manager;
  EXPECT_EQ(children[1]->ButtonImage(HTMINBUTTON).ImageIndex,
            m.IndexOfMask(QStringLiteral("GLOBALINFO"), QStringLiteral("BICONNORM")));
  for (int code : {HTMINBUTTON, HTMAXBUTTON, HTCLOSE}) {
    const QPoint p = ButtonPoint(1, code);
    EXPECT_TRUE(sub->rect().contains(p)) << code;
    EXPECT_EQ(HitAt(form, sub, p), code) << code;
  }
  EXPECT_EQ(HitAt(form, sub, IconicCaptionPoint(1)), HTCAPTION);
  // The mouse over the restore button makes it hot.
  SubMouse(sub, QEvent::MouseMove, ButtonPoint(1, HTMINBUTTON), Qt::NoButton);
  EXPECT_EQ(children[1]->ButtonRecord(HTMINBUTTON)->State, 1);
  SubMouse(sub, QEvent::MouseMove, IconicCaptionPoint(1), Qt::NoButton);
  EXPECT_EQ(children[1]->ButtonRecord(HTMINBUTTON)->State, 0);
}

TEST_F(MdiIconicChildTest, PressesOnTheIconicCaptionActThroughTheSubWindow) {
  struct Case {
    const char* name;
    int child;
    std::function<void(QMdiSubWindow*)> act;
    bool maximized;  // else restored to its place
    bool closed;
  } cases[] = {
      {"restore button", 0, [this](QMdiSubWindow* s) { Click(s, ButtonPoint(0, HTMINBUTTON)); },
       false, false},
      {"double click on the caption", 1,
       [this](QMdiSubWindow* s) { DoubleClick(s, IconicCaptionPoint(1)); }, false, false},
      {"maximize button", 2, [this](QMdiSubWindow* s) { Click(s, ButtonPoint(2, HTMAXBUTTON)); },
       true, false},
      {"close button", 0, [this](QMdiSubWindow* s) { Click(s, ButtonPoint(0, HTCLOSE)); }, false,
       true},
  };
  for (const Case& c : cases) {
    QPointer<QMdiSubWindow> sub = demo.Children[c.child];
    const QRect place = sub->geometry();
    const QMargins normal = Form(c.child)->contentsMargins();
    Minimize(c.child);
    ASSERT_TRUE(sub->isMinimized()) << c.name;
    c.act(sub);
    QApplication::processEvents();
    if (c.closed) {
      EXPECT_TRUE(!sub || !sub->isVisible()) << c.name;
      continue;
    }
    ASSERT_TRUE(sub) << c.name;
    EXPECT_FALSE(sub->isMinimized()) << c.name;
    EXPECT_EQ(sub->isMaximized(), c.maximized) << c.name;
    EXPECT_TRUE(Form(c.child)->isVisible()) << c.name << ": the form is back";
    EXPECT_FALSE(IsIconic(Form(c.child))) << c.name;
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << c.name;
    if (!c.maximized) {
      EXPECT_EQ(sub->geometry(), place) << c.name;
      EXPECT_EQ(Form(c.child)->contentsMargins(), normal) << c.name;
      EXPECT_EQ(Form(c.child)->geometry(), sub->rect()) << c.name;
    }
    sub->showNormal();
    QApplication::processEvents();
  }
}

TEST_F(MdiIconicChildTest, DragOnTheIconicCaptionMovesItAndKeepsItIconic) {
  QMdiSubWindow* sub = demo.Children[0];
  Minimize(0);
  const QPoint start = sub->pos();
  const QSize iconic = sub->size();
  const QPoint p = sub->mapToGlobal(IconicCaptionPoint(0));
  SubMouseAt(sub, QEvent::MouseButtonPress, p, Qt::LeftButton);
  SubMouseAt(sub, QEvent::MouseMove, p + QPoint(15, -10), Qt::LeftButton);
  SubMouseAt(sub, QEvent::MouseMove, p + QPoint(30, -25), Qt::LeftButton);
  SubMouseAt(sub, QEvent::MouseButtonRelease, p + QPoint(30, -25), Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(sub->pos(), start + QPoint(30, -25));
  EXPECT_EQ(sub->size(), iconic);
  EXPECT_TRUE(sub->isMinimized());
  EXPECT_FALSE(Form(0)->isVisible());
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  // SC_SIZE does nothing to an iconic child.
  SendMessage(Form(0), WM_SYSCOMMAND, SC_SIZE | WMSZ_RIGHT, MAKELPARAM(10, 10));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(sub->size(), iconic);
}

TEST_F(MdiIconicChildTest, SkinRemovalGivesAnIconicChildQtsTitleBar) {
  QMdiSubWindow* sub = demo.Children[2];
  Minimize(2);
  manager->SetActive(false);
  QApplication::processEvents();
  EXPECT_TRUE(sub->isMinimized());
  EXPECT_FALSE(sub->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_LE(sub->height(), sub->minimumSizeHint().height()) << "Qt's title bar alone";
  EXPECT_EQ(NonClientWidget(Form(2)), Form(2));
  sub->showNormal();
  QApplication::processEvents();
  EXPECT_TRUE(Form(2)->isVisible());
  EXPECT_GT(Form(2)->height(), sub->height() / 2);
}

// A maximized child's icon and buttons live in the main form's menu line:
// when it shows, the line is painted anew; another child's show leaves it.
TEST_F(MdiChildFrameTest, ShownMaximizedChildRepaintsTheMainFormsMenuLine) {
  demo.Children[0]->showMaximized();
  QApplication::processEvents();
  ASSERT_TRUE(main->MDIButtonsVisible());
  struct Case {
    int child;
    bool repaints;
  } cases[] = {{0, true}, {1, false}};
  for (const Case& c : cases) {
    main->PaintAll();
    ASSERT_FALSE(main->MenuLineChanged()) << c.child;
    SendMessage(Form(c.child), WM_SHOWWINDOW, 1, 0);
    EXPECT_EQ(main->MenuLineChanged(), c.repaints) << c.child;
  }
}

// The main form's show lets the dialog skinning decide for every child that
// no skin answers for, and for none that one does.
TEST_F(MdiChildFrameTest, ShownMainFormHandsUnskinnedChildrenToDialogSkinning) {
  delete children[1];
  children[1] = nullptr;
  ASSERT_EQ(FindProvider(Form(1)), nullptr);
  window->hide();
  QApplication::processEvents();
  window->show();
  QApplication::processEvents();
  EXPECT_NE(FindProvider(Form(1)), nullptr);
  EXPECT_EQ(FindProvider(Form(0)), nullptr);
  EXPECT_EQ(FindProvider(Form(2)), nullptr);
}

}  // namespace
