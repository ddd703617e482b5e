#include "platform/Mdi.h"

#include "MessageLog.h"
#include "platform/Colors.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct Mdi {
  QMainWindow main;
  QMdiArea* area = new QMdiArea;
  QWidget* child[3] = {};
  Mdi() {
    main.setCentralWidget(area);
    for (int i = 0; i < 3; ++i) {
      child[i] = new QWidget;
      child[i]->setWindowTitle(QStringLiteral("子窗口%1").arg(i + 1));
      area->addSubWindow(child[i])->resize(100, 80);
    }
    main.resize(500, 400);
    main.show();
    QCoreApplication::processEvents();
  }
};

}  // namespace

// Activation tells the child losing it and the one gaining it; a message
// to the area activates; WM_MDIGETACTIVE answers the active child.
TEST(MdiTest, ActivationReachesBothChildren) {
  MessageLog log;
  Mdi mdi;
  mdi.area->setActiveSubWindow(mdi.area->subWindowList()[0]);
  log.Add(mdi.child[0], "0");
  log.Add(mdi.child[1], "1");
  SendMessage(mdi.area, WM_MDIACTIVATE, PtrParam(mdi.child[1]));
  EXPECT_EQ(log.Take({WM_MDIACTIVATE}), (std::vector<LogEntry>{{"0", WM_MDIACTIVATE}, {"1", WM_MDIACTIVATE}}));
  log.Add(mdi.child[0], "0");
  SendMessage(mdi.area, WM_MDIACTIVATE, PtrParam(mdi.child[0]));
  ASSERT_FALSE(log.seen.empty());
  EXPECT_EQ(std::tuple(log.seen.back().Msg, log.seen.back().WParam, log.seen.back().LParam),
            std::tuple(WM_MDIACTIVATE, PtrParam(mdi.child[1]), LPARAM(PtrParam(mdi.child[0]))));
  int maximized = -1;
  EXPECT_EQ(SendMessage(mdi.area, WM_MDIGETACTIVE, 0, LPARAM(PtrParam(&maximized))), LRESULT(PtrParam(mdi.child[0])));
  EXPECT_EQ(maximized, 0);
}

// Tiling and cascading go through the area's procedures (a handler runs
// before and after Qt's arrangement); closing a child in any way is
// WM_MDIDESTROY, which a handler may refuse.
TEST(MdiTest, TileCascadeAndDestroy) {
  MessageLog log;  // these outlive the windows
  bool refuse = true;
  QRect before, after;
  Mdi mdi;
  const struct {
    unsigned msg;
    bool tiled;
  } cases[] = {{WM_MDITILE, true}, {WM_MDICASCADE, false}};
  for (const auto& c : cases) {
    auto handle = InstallWindowProc(mdi.area, [&](Message& m, const CallPrevious& previous) {
      if (m.Msg == c.msg) before = mdi.area->subWindowList()[1]->geometry();
      previous(m);
      if (m.Msg == c.msg) after = mdi.area->subWindowList()[1]->geometry();
    });
    EXPECT_EQ(SendMessage(mdi.area, c.msg), 1);
    EXPECT_NE(before, after);
    // Tiled windows cover the area side by side; cascaded ones overlap.
    const QRect a = mdi.area->subWindowList()[0]->geometry(), b = mdi.area->subWindowList()[1]->geometry();
    EXPECT_EQ(a.intersects(b), !c.tiled);
    RemoveWindowProc(handle);
  }
  InstallWindowProc(mdi.area, [&refuse](Message& m, const CallPrevious& previous) {
    if (m.Msg != WM_MDIDESTROY || !refuse) previous(m);
  });
  log.Add(mdi.area, "A");
  mdi.area->addSubWindow(new QWidget)->show();  // added after the area's first message
  for (const int i : {3, 2}) {
    mdi.area->subWindowList()[i]->close();
    EXPECT_EQ(mdi.area->subWindowList().size(), 4) << "refused " << i;
  }
  refuse = false;
  mdi.area->subWindowList()[2]->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(mdi.area->subWindowList().size(), 3);
  SendMessage(mdi.area, WM_MDIDESTROY, PtrParam(mdi.child[0]));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(mdi.area->subWindowList().size(), 2);
  EXPECT_EQ(log.Messages({WM_MDIDESTROY}), std::vector<unsigned>(4, WM_MDIDESTROY));
}

// The window menu lists the children; the frame's bar is put on the form.
TEST(MdiTest, SetAndRefreshMenu) {
  Mdi mdi;
  auto* bar = new QMenuBar;
  QMenu* windows = bar->addMenu(QStringLiteral("窗口(&W)"));
  windows->addAction(QStringLiteral("层叠(&C)"));
  SendMessage(mdi.area, WM_MDISETMENU, PtrParam(bar), LPARAM(PtrParam(windows)));
  EXPECT_EQ(GetMenu(&mdi.main), bar);
  QStringList texts;
  for (QAction* a : windows->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(texts, (QStringList{"层叠(&C)", "-", "&1 子窗口1", "&2 子窗口2", "&3 子窗口3"}));
  windows->actions().at(3)->trigger();
  EXPECT_EQ(mdi.area->activeSubWindow(), mdi.area->subWindowList()[1]);
  QAction* stale = windows->actions().at(4);
  mdi.area->subWindowList()[2]->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  stale->trigger();  // its child is gone: the active one stays
  EXPECT_EQ(mdi.area->activeSubWindow(), mdi.area->subWindowList()[1]);
  EXPECT_EQ(SendMessage(mdi.area, WM_MDIREFRESHMENU), LRESULT(PtrParam(bar)));
  EXPECT_TRUE(windows->actions().size() == 4 && windows->actions().at(3)->isChecked());
}

// "FormStyle" names the style where it is set; otherwise the form's place
// tells it.
TEST(MdiTest, FormStyles) {
  Mdi mdi;
  QWidget plain, named, top;
  named.setProperty("FormStyle", QStringLiteral("fsMDIForm"));
  top.setWindowFlag(Qt::WindowStaysOnTopHint);
  const struct {
    const QWidget* form;
    TFormStyle style;
    const QMdiArea* client;
  } cases[] = {{&mdi.main, fsMDIForm, mdi.area}, {mdi.child[0], fsMDIChild, nullptr}, {&plain, fsNormal, nullptr},
               {&named, fsMDIForm, nullptr}, {&top, fsStayOnTop, nullptr}};
  for (const auto& c : cases)
    EXPECT_EQ(std::pair(GetFormStyle(c.form), (const QMdiArea*)MdiClient(c.form)), std::pair(c.style, c.client));
}

// The window commands of a child's form move its sub-window; a control that
// is no MDI child ignores them.
TEST(MdiTest, WindowCommandsOfAChildActOnItsSubWindow) {
  Mdi mdi;
  QMdiSubWindow* sub = mdi.area->subWindowList()[1];
  EXPECT_EQ(MdiSubWindowOf(mdi.child[1]), sub);
  EXPECT_EQ(MdiSubWindowOf(sub), sub);
  EXPECT_EQ(MdiSubWindowOf(mdi.area), nullptr);
  struct Case {
    unsigned command;
    bool maximized, minimized;
  } cases[] = {{SC_MAXIMIZE, true, false}, {SC_RESTORE, false, false}, {SC_MINIMIZE, false, true},
               {SC_RESTORE, false, false}};
  for (const Case& c : cases) {
    SendMessage(mdi.child[1], WM_SYSCOMMAND, c.command, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(sub->isMaximized(), c.maximized) << c.command;
    EXPECT_EQ(sub->isMinimized(), c.minimized) << c.command;
  }
  SendMessage(mdi.area, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_FALSE(mdi.area->isMaximized());
  SendMessage(mdi.child[1], WM_SYSCOMMAND, SC_CLOSE, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(mdi.area->subWindowList().size(), 2);
}

// A child's form with our frame: its sub-window frameless in its place, the
// band the classic frame of the sub-window's caption style (none while
// maximized), a move by the caption inside the
// area, and Qt's frame back when the frame goes.
TEST(MdiTest, ChildFormFrame) {
  Mdi mdi;
  QWidget* form = mdi.child[1];
  QMdiSubWindow* sub = MdiSubWindowOf(form);
  const QRect place = sub->geometry();
  const Qt::WindowFlags flags = sub->windowFlags();
  const auto style = std::uint32_t(GetWindowLong(form, GWL_STYLE));
  EXPECT_EQ(style & (WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME);
  ASSERT_TRUE(SetNonClientFrame(form, true));
  EXPECT_TRUE(HasNonClientFrame(form));
  EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(MdiChildFlags(sub), flags);
  EXPECT_EQ(sub->geometry(), place);
  EXPECT_EQ(std::uint32_t(GetWindowLong(form, GWL_STYLE)), style) << "the caption style stays";
  const int b = GetSystemMetrics(SM_CXFRAME);
  EXPECT_EQ(form->contentsMargins(), QMargins(b, b + GetSystemMetrics(SM_CYCAPTION), b, b));
  EXPECT_EQ(form->geometry(), sub->rect());
  // The band's hit codes and a move by the caption (SC_MOVE with HTCAPTION).
  const QPoint caption = form->mapToGlobal(QPoint(form->width() / 2, b + 2));
  EXPECT_EQ(SendMessage(form, WM_NCHITTEST, 0, MAKELPARAM(caption.x(), caption.y())), HTCAPTION);
  const QPoint edge = form->mapToGlobal(QPoint(form->width() - 1, form->height() / 2));
  EXPECT_EQ(SendMessage(form, WM_NCHITTEST, 0, MAKELPARAM(edge.x(), edge.y())), HTRIGHT);
  SendMessage(form, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, MAKELPARAM(caption.x(), caption.y()));
  EXPECT_EQ(QWidget::mouseGrabber(), form);
  QMouseEvent move(QEvent::MouseMove, QPointF(form->mapFromGlobal(caption + QPoint(7, 9))),
                   QPointF(caption + QPoint(7, 9)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form, &move);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(form->mapFromGlobal(caption + QPoint(7, 9))),
                 QPointF(caption + QPoint(7, 9)), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form, &up);
  EXPECT_EQ(sub->pos(), place.topLeft() + QPoint(7, 9));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  struct State {
    const char* name;
    void (QWidget::*show)();
    QMargins margins;
    bool iconic;
  } states[] = {{"maximized", &QWidget::showMaximized, QMargins(), false},
                {"minimized", &QWidget::showMinimized, QMargins(), true},
                {"normal", &QWidget::showNormal, form->contentsMargins(), false}};
  for (const State& s : states) {
    (sub->*s.show)();
    QCoreApplication::processEvents();
    if (!s.iconic) {
      EXPECT_EQ(form->contentsMargins(), s.margins) << s.name;
    }
    EXPECT_EQ(IsIconic(form), s.iconic) << s.name;
    EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint) << s.name;
  }
  const QRect moved = sub->geometry();
  ASSERT_TRUE(SetNonClientFrame(form, false));
  EXPECT_FALSE(HasNonClientFrame(form));
  EXPECT_EQ(sub->windowFlags(), flags);
  EXPECT_EQ(sub->geometry(), moved);
  EXPECT_EQ(form->contentsMargins(), QMargins());
  EXPECT_NE(form->geometry(), sub->rect()) << "Qt's title bar again";
}

// A framed child that is minimized is iconic: the form hidden, its
// sub-window the band alone at the iconic size in the area's row of
// minimized windows, painted by the form's WM_NCPAINT, all caption to the
// default hit test, moved by a drag on it and never sized, and restored by
// a double click, which ends the drag its press began.
TEST(MdiTest, IconicChildFormIsItsBandOnTheSubWindow) {
  Mdi mdi;
  QWidget* form = mdi.child[0];
  QMdiSubWindow* sub = MdiSubWindowOf(form);
  const QRect place = sub->geometry();
  ASSERT_TRUE(SetNonClientFrame(form, true));
  constexpr TColor kBand = 0x3040C0;
  int ncPaints = 0;
  WindowProcHandle h = InstallWindowProc(form, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg != WM_NCPAINT) return previous(m);
    ++ncPaints;
    if (Canvas* dc = GetWindowDC(form)) {
      dc->Brush = {kBand, bsSolid};
      dc->FillRect(Rect(0, 0, 1000, 1000));
    }
  });
  sub->showMinimized();
  PumpEvents();
  ASSERT_TRUE(IsIconic(form));
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(NonClientWidget(form), sub);
  EXPECT_EQ(NonClientWidget(mdi.child[1]), mdi.child[1]);
  EXPECT_EQ(sub->size(), QSize(GetSystemMetrics(SM_CXMINIMIZED), GetSystemMetrics(SM_CYMINIMIZED)));
  EXPECT_EQ(sub->geometry().bottom() + 1, mdi.area->viewport()->height());
  const QPoint corner = sub->mapToGlobal(QPoint());
  EXPECT_EQ(GetWindowRect(form), Bounds(corner.x(), corner.y(), sub->width(), sub->height()));
  // Painted by the form's WM_NCPAINT, all of it.
  ncPaints = 0;
  const QImage shot = sub->grab().toImage();
  EXPECT_GT(ncPaints, 0);
  const QRgb band = qRgb(0xC0, 0x40, 0x30);
  EXPECT_EQ(shot.pixel(0, 0), band);
  EXPECT_EQ(shot.pixel(shot.width() / 2, shot.height() / 2), band);
  EXPECT_EQ(shot.pixel(shot.width() - 1, shot.height() - 1), band);
  const QPoint middle = sub->mapToGlobal(QPoint(sub->width() / 2, sub->height() / 2));
  EXPECT_EQ(SendMessage(form, WM_NCHITTEST, 0, MAKELPARAM(middle.x(), middle.y())), HTCAPTION);
  // A drag on it moves it and keeps its size; SC_SIZE leaves it.
  const auto mouse = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(sub->mapFromGlobal(global)), QPointF(global), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(sub, &e);
  };
  const QPoint start = sub->pos();
  const QSize iconic = sub->size();
  mouse(QEvent::MouseButtonPress, middle, Qt::LeftButton);
  EXPECT_EQ(QWidget::mouseGrabber(), sub);
  mouse(QEvent::MouseMove, middle + QPoint(20, -30), Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, middle + QPoint(20, -30), Qt::NoButton);
  EXPECT_EQ(sub->pos(), start + QPoint(20, -30));
  EXPECT_EQ(sub->size(), iconic);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  SendMessage(form, WM_SYSCOMMAND, SC_SIZE | WMSZ_RIGHT, MAKELPARAM(middle.x(), middle.y()));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  // A double click as the window system gives it restores the child.
  const QPoint at = sub->mapToGlobal(QPoint(sub->width() / 2, sub->height() / 2));
  mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
  mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
  PumpEvents();
  EXPECT_FALSE(IsIconic(form));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(sub->geometry(), place);
  EXPECT_EQ(form->geometry(), sub->rect());
  EXPECT_EQ(NonClientWidget(form), form);
  RemoveWindowProc(h);
}
