#include "platform/NonClient.h"

#include "MessageLog.h"
#include "Pixels.h"
#include "support/FirstPaint.h"
#include "platform/Menus.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QMainWindow>
#include <QScreen>
#include <QSizeGrip>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace platform;

namespace {

// Answers WM_NCCALCSIZE with the band `margins` points at.
void AnswerCalcSize(QWidget* w, const QMargins* margins) {
  InstallWindowProc(w, [margins](Message& m, const CallPrevious& previous) {
    if (m.Msg != WM_NCCALCSIZE) return previous(m);
    TRect& r = ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam))->rgrc[0];
    EXPECT_EQ(r, ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam))->rgrc[1]) << "both the window's rectangle";
    r = {r.Left + margins->left(), r.Top + margins->top(), r.Right - margins->right(),
         r.Bottom - margins->bottom()};
  });
}

// A shown framed window at (100, 100), 200 x 150, with the classic band
// (4 around, 19 more for the caption).
void ShowFramed(QWidget* w) {
  w->setGeometry(100, 100, 200, 150);
  ASSERT_TRUE(SetNonClientFrame(w));
  w->show();
  PumpEvents();
}

// Mouse events at screen points, through the window system.
void Mouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButton button = Qt::LeftButton) {
  const QPoint at = global - w->geometry().topLeft();
  QWindow* window = w->windowHandle();
  if (type == QEvent::MouseMove) QTest::mouseMove(window, at);
  if (type == QEvent::MouseButtonPress) QTest::mousePress(window, button, {}, at);
  if (type == QEvent::MouseButtonDblClick) QTest::mouseDClick(window, button, {}, at);
  if (type == QEvent::MouseButtonRelease) QTest::mouseRelease(window, button, {}, at);
}

// The parameters of the last `msg` the log saw; {-1, -1} for none.
std::pair<WPARAM, LPARAM> Last(const MessageLog& log, unsigned msg) {
  for (auto it = log.seen.rbegin(); it != log.seen.rend(); ++it)
    if (it->Msg == msg) return {it->WParam, it->LParam};
  return {WPARAM(-1), -1};
}

std::vector<QWidget*> StackOrder(QWidget* parent) {
  const QList<QWidget*> list = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  return {list.begin(), list.end()};
}

}  // namespace

// The answer to WM_NCCALCSIZE becomes the contents rectangle, which a
// QMainWindow's central widget and a layout fill; the window keeps its
// rectangle; a frame change asks again.
TEST(NonClientTest, MarginsBecomeTheClientArea) {
  QMargins band(5, 30, 6, 7);
  QMainWindow main;
  auto* central = new QLabel("central");
  main.setCentralWidget(central);
  QWidget plain;
  auto* layout = new QVBoxLayout(&plain);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* child = new QLabel("child");
  layout->addWidget(child);
  const struct {
    QWidget* window;
    QWidget* inner;
    const QMargins* answer;
    QMargins expected;
  } cases[] = {{&main, central, &band, band}, {&plain, child, nullptr, QMargins(4, 23, 4, 4)}};
  for (const auto& c : cases) {
    if (c.answer) AnswerCalcSize(c.window, c.answer);
    c.window->setGeometry(100, 100, 300, 200);
    ASSERT_TRUE(SetNonClientFrame(c.window));
    c.window->show();
    PumpEvents();
    EXPECT_TRUE(c.window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(std::pair(c.window->geometry(), c.window->contentsMargins()),
              std::pair(QRect(100, 100, 300, 200), c.expected));
    EXPECT_EQ(QRect(c.inner->mapTo(c.window, QPoint()), c.inner->size()), c.window->contentsRect());
    EXPECT_EQ(GetWindowLong(c.window, GWL_STYLE) & WS_CAPTION, WS_CAPTION) << "the style keeps its frame";
  }
  band = QMargins(1, 2, 3, 4);
  SetWindowPos(&main, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_EQ(main.contentsMargins(), band);
  EXPECT_EQ(central->size(), QSize(296, 194));
  EXPECT_FALSE(SetNonClientFrame(central)) << "a child has no frame of its own";
  // Switched off, the window keeps its window rectangle: it has its place
  // and size from before the frame back, its client area all of it.
  ASSERT_TRUE(SetNonClientFrame(&plain, false));
  EXPECT_FALSE(HasNonClientFrame(&plain) || (plain.windowFlags() & Qt::FramelessWindowHint));
  EXPECT_EQ(std::tuple(plain.contentsMargins(), plain.geometry(), plain.isVisible()),
            std::tuple(QMargins(), QRect(100, 100, 300, 200), true));
  PumpEvents();
  EXPECT_EQ(QRect(child->mapTo(&plain, QPoint()), child->size()), plain.rect());
}

// A dialog's size grip sits in the corner of the client area, not over
// the band, as the dialog is shown and sized, beneath a button that reaches
// into that corner; it goes back to the window's corner, on top, with the
// frame. So does a grip the dialog gets later.
TEST(NonClientTest, ADialogsSizeGripStaysInTheClientArea) {
  const QMargins band(5, 30, 6, 7);
  for (const bool later : {false, true}) {
    SCOPED_TRACE(later);
    QDialog dialog;
    auto* button = new QPushButton("Cancel", &dialog);
    dialog.setSizeGripEnabled(!later);
    AnswerCalcSize(&dialog, &band);
    ShowFramed(&dialog);
    dialog.setSizeGripEnabled(true);
    QSizeGrip* grip = dialog.findChild<QSizeGrip*>();
    ASSERT_NE(grip, nullptr);
    PumpEvents();
    for (const QSize size : {QSize(200, 150), QSize(260, 190)}) {
      dialog.resize(size);
      const QPoint corner = dialog.contentsRect().bottomRight();
      button->setGeometry(QRect(corner - QPoint(59, 19), QSize(60, 20)));
      PumpEvents();
      EXPECT_EQ(grip->geometry().bottomRight(), corner) << size.width();
      EXPECT_EQ(dialog.childAt(corner - QPoint(2, 2)), button) << "the grip over the button";
    }
    ASSERT_TRUE(SetNonClientFrame(&dialog, false));
    EXPECT_EQ(grip->geometry().bottomRight(), dialog.rect().bottomRight());
    EXPECT_EQ(dialog.childAt(dialog.rect().bottomRight() - QPoint(2, 2)), grip);
  }
}

// Moves over the band give WM_NCHITTEST and WM_NCMOUSEMOVE with the hit
// code and the screen point, and the cursor of the code; the client gets
// WM_NCMOUSELEAVE and its own messages; presses carry the code too.
TEST(NonClientTest, NonClientMessagesCarryTheHitCodes) {
  MessageLog log;  // outlives the window
  QWidget w;
  log.Add(&w, "A");
  w.setCursor(Qt::CrossCursor);
  ShowFramed(&w);
  const struct {
    QPoint at;
    int hit;
    Qt::CursorShape cursor;
  } cases[] = {{{1, 1}, HTTOPLEFT, Qt::SizeFDiagCursor},
               {{100, 12}, HTCAPTION, Qt::ArrowCursor},
               {{198, 70}, HTRIGHT, Qt::SizeHorCursor},
               {{1, 148}, HTBOTTOMLEFT, Qt::SizeBDiagCursor}};
  for (const auto& c : cases) {
    log.Take();
    const QPoint global = w.mapToGlobal(c.at);
    Mouse(&w, QEvent::MouseMove, global);
    EXPECT_EQ(Last(log, WM_NCMOUSEMOVE), std::pair(WPARAM(c.hit), MAKELPARAM(global.x(), global.y())));
    EXPECT_EQ(log.Messages({WM_NCHITTEST, WM_NCMOUSEMOVE, WM_MOUSEMOVE}),
              (std::vector<unsigned>{WM_NCHITTEST, WM_NCMOUSEMOVE})) << c.hit;
    EXPECT_EQ(w.cursor().shape(), c.cursor) << c.hit;
  }
  log.Take();
  Mouse(&w, QEvent::MouseMove, w.mapToGlobal(QPoint(100, 80)));  // into the client
  EXPECT_EQ(log.Messages({WM_NCMOUSELEAVE, WM_NCMOUSEMOVE, WM_MOUSEMOVE}),
            (std::vector<unsigned>{WM_NCMOUSELEAVE, WM_MOUSEMOVE}));
  EXPECT_EQ(w.cursor().shape(), Qt::CrossCursor) << "the window's own cursor is back";
  Mouse(&w, QEvent::MouseButtonPress, w.mapToGlobal(QPoint(100, 12)), Qt::RightButton);
  EXPECT_EQ(Last(log, WM_NCRBUTTONDOWN).first, WPARAM(HTCAPTION));
  Mouse(&w, QEvent::MouseButtonRelease, w.mapToGlobal(QPoint(100, 12)), Qt::RightButton);
}

// Where no window manager answers, the window follows the mouse: each step
// proposes the press rectangle plus the pointer's whole offset, which a
// WM_WINDOWPOSCHANGING handler may change (here: x snaps to 0 within 10
// pixels, or the size is kept); sizes keep the minimum and maximum and never
// go below the band; one WM_ENTERSIZEMOVE/WM_EXITSIZEMOVE pair frames each
// drag; a release far outside the window ends it, and so does deactivation.
TEST(NonClientTest, ManualMoveAndResizeFollowTheMouse) {
  const struct {
    QPoint press;                 // window coordinates
    std::vector<QPoint> steps;    // pointer offsets from the press
    std::vector<QRect> expected;  // after each step
    QSize minimum, maximum;
    bool keepSize;
  } cases[] = {
      {{100, 12}, {{15, -15}, {30, -30}}, {{115, 85, 200, 150}, {130, 70, 200, 150}}, {}, {}, false},
      {{100, 12}, {{-95, 0}, {-100, 5}, {50, 0}}, {{0, 100, 200, 150}, {0, 105, 200, 150}, {150, 100, 200, 150}}, {},
       {}, false},
      {{199, 75}, {{50, 20}}, {{100, 100, 250, 150}}, {}, {}, false},
      {{199, 75}, {{100, 20}}, {{100, 100, 230, 150}}, {}, {230, 1000}, false},
      {{1, 75}, {{100, 0}}, {{150, 100, 150, 150}}, {150, 0}, {}, false},
      {{1, 148}, {{30, 20}}, {{130, 100, 170, 170}}, {}, {}, false},
      {{100, 0}, {{0, 40}}, {{100, 120, 200, 130}}, {0, 130}, {}, false},
      {{198, 149}, {{-498, -449}}, {{100, 100, 8, 27}}, {}, {}, false},
      {{198, 149}, {{30, 20}}, {{100, 100, 200, 150}}, {}, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected.back().width());
    MessageLog log;
    QWidget w;
    if (c.minimum.isValid()) w.setMinimumSize(c.minimum);
    if (c.maximum.isValid()) w.setMaximumSize(c.maximum);
    InstallWindowProc(&w, [keepSize = c.keepSize](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_WINDOWPOSCHANGING) {
        auto* pos = ParamPtr<WINDOWPOS>(std::uintptr_t(m.LParam));
        if (keepSize) pos->flags |= SWP_NOSIZE;
        else if (std::abs(pos->x) <= 10) pos->x = 0;
      }
      previous(m);
    });
    log.Add(&w, "A");
    ShowFramed(&w);
    const QPoint press = w.geometry().topLeft() + c.press;
    Mouse(&w, QEvent::MouseButtonPress, press);
    EXPECT_EQ(QWidget::mouseGrabber(), &w);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      Mouse(&w, QEvent::MouseMove, press + c.steps[i]);
      EXPECT_EQ(w.frameGeometry(), c.expected[i]) << i;
    }
    Mouse(&w, QEvent::MouseButtonRelease, press + c.steps.back());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    Mouse(&w, QEvent::MouseMove, press + c.steps.back() + QPoint(7, 7));
    EXPECT_EQ(w.frameGeometry(), c.expected.back()) << "the drag ended";
    const auto msgs = log.Messages({WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED});
    auto n = [&](unsigned msg) { return std::count(msgs.begin(), msgs.end(), msg); };
    EXPECT_TRUE(msgs.size() >= 4 && msgs.front() == WM_ENTERSIZEMOVE && msgs.back() == WM_EXITSIZEMOVE);
    EXPECT_EQ(std::tuple(n(WM_ENTERSIZEMOVE), n(WM_EXITSIZEMOVE), n(WM_WINDOWPOSCHANGING)),
              std::tuple(1, 1, n(WM_WINDOWPOSCHANGED)));
  }
  QWidget w, other;
  ShowFramed(&w);
  other.show();
  w.activateWindow();
  PumpEvents();
  ASSERT_TRUE(w.isActiveWindow());
  Mouse(&w, QEvent::MouseButtonPress, QPoint(200, 112));
  other.activateWindow();
  PumpEvents();
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  Mouse(&w, QEvent::MouseMove, QPoint(250, 150));
  EXPECT_EQ(w.geometry(), QRect(100, 100, 200, 150));
}

// The SC_ commands act through Qt; WM_SIZE and the placement tell the
// state; a caption double click maximizes and restores.
TEST(NonClientTest, SystemCommandsAndWindowStates) {
  MessageLog log;  // outlives the window
  QWidget w;
  log.Add(&w, "A");
  ShowFramed(&w);
  const struct {
    unsigned command;  // 0: double click on the caption
    Qt::WindowState state;
    unsigned sizeKind;
    int showCmd;
  } cases[] = {
      {SC_MAXIMIZE, Qt::WindowMaximized, SIZE_MAXIMIZED, SW_SHOWMAXIMIZED},
      {SC_RESTORE, Qt::WindowNoState, SIZE_RESTORED, SW_SHOWNORMAL},
      {SC_MINIMIZE, Qt::WindowMinimized, SIZE_MINIMIZED, SW_SHOWMINIMIZED},
      {SC_RESTORE | 2, Qt::WindowNoState, SIZE_RESTORED, SW_SHOWNORMAL},
      {0, Qt::WindowMaximized, SIZE_MAXIMIZED, SW_SHOWMAXIMIZED},
      {0, Qt::WindowNoState, SIZE_RESTORED, SW_SHOWNORMAL},
  };
  for (const auto& c : cases) {
    log.Take();
    if (c.command) SendMessage(&w, WM_SYSCOMMAND, c.command);
    if (!c.command) Mouse(&w, QEvent::MouseButtonDblClick, w.mapToGlobal(QPoint(100, 12)));
    PumpEvents();
    WINDOWPLACEMENT placement;
    ASSERT_TRUE(GetWindowPlacement(&w, &placement));
    EXPECT_EQ(std::tuple(w.windowState(), Last(log, WM_SIZE).first, placement.showCmd, placement.rcNormalPosition),
              std::tuple(c.state, WPARAM(c.sizeKind), c.showCmd, Bounds(100, 100, 200, 150))) << c.command;
  }
  w.showMaximized();
  ShowWindow(&w, SW_RESTORE);
  EXPECT_EQ(w.windowState(), Qt::WindowNoState);
  SendMessage(&w, WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_TRUE(Last(log, WM_CLOSE).first == 0u && !w.isVisible());
}

// WM_NCPAINT paints the band through the window DC, after the client's
// painting with a canvas at the client origin; activation comes with
// WM_NCACTIVATE first, and the default frame shows the caption's colour.
TEST(NonClientTest, BandPaintingAndActivation) {
  MessageLog log;
  QWidget w, other;
  log.Add(&w, "A");
  bool painted = false;
  InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
    previous(m);
    if (m.Msg == WM_PAINT) {
      BeginPaint(&w)->Brush.Color = clBlue;
      BeginPaint(&w)->FillRect(Rect(0, 0, 5, 5));
    }
    if (m.Msg == WM_NCPAINT && painted) {
      GetWindowDC(&w)->Brush.Color = clRed;
      GetWindowDC(&w)->FillRect(Rect(0, 0, 200, 150));
    }
  });
  w.setWindowTitle("Title");
  ShowFramed(&w);
  other.show();
  other.activateWindow();
  PumpEvents();
  EXPECT_EQ(std::pair(w.grab().toImage().pixelColor(100, 12), w.grab().toImage().pixelColor(100, 0)),
            std::pair(ToQColor(clInactiveCaption), ToQColor(cl3DLight)));
  log.Take();
  w.activateWindow();
  PumpEvents();
  EXPECT_EQ(std::pair(Last(log, WM_NCPAINT).first, Last(log, WM_NCACTIVATE).first), std::pair(WPARAM(1), WPARAM(1)))
      << "activation repaints the band";
  EXPECT_EQ(w.grab().toImage().pixelColor(100, 12), ToQColor(clActiveCaption));
  const TRect title = pixels::Box(Bitmap::FromQImage(w.grab().toImage()),
                                  [](TColor c) { return c == ColorToRGB(clCaptionText); }, Rect(4, 4, 196, 23));
  EXPECT_TRUE(title.Left >= 8 && title.Left <= 10 && title.Width() > 10) << "the title, 4 pixels in: " << title;
  EXPECT_EQ(log.Messages({WM_NCACTIVATE, WM_ACTIVATE}), (std::vector<unsigned>{WM_NCACTIVATE, WM_ACTIVATE}));
  EXPECT_EQ(SendMessage(&w, WM_NCACTIVATE, 0), 1);
  NONCLIENTMETRICS metrics;
  EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS + 1, 0, &metrics));
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics));
  EXPECT_EQ(std::tuple(metrics.iBorderWidth, metrics.iScrollWidth, metrics.iScrollHeight, metrics.iCaptionWidth,
                       metrics.iCaptionHeight, metrics.iSmCaptionWidth, metrics.iSmCaptionHeight, metrics.iMenuWidth,
                       metrics.iMenuHeight),
            std::tuple(1, 16, 16, 18, 18, 12, 15, 18, 18));
  for (auto [font, style] : {std::pair{metrics.lfCaptionFont, unsigned(fsBold)}, {metrics.lfSmCaptionFont, fsBold},
                             {metrics.lfMenuFont, 0u}, {metrics.lfStatusFont, 0u}, {metrics.lfMessageFont, 0u}})
    EXPECT_EQ(std::pair(font.Height, font.Style), std::pair(-12, style));
  painted = true;
  EXPECT_EQ(SendMessage(&w, WM_NCPAINT, 1), 0);
  EXPECT_EQ(GetWindowDC(&w), nullptr) << "no window DC outside a paint event";
  const QImage image = w.grab().toImage();  // the client canvas starts at (4, 23); the band's keeps out of it
  EXPECT_EQ(std::tuple(image.pixelColor(0, 0), image.pixelColor(100, 12), image.pixelColor(6, 25)),
            std::tuple(QColor(Qt::red), QColor(Qt::red), QColor(Qt::blue)));
  EXPECT_NE(image.pixelColor(100, 80), QColor(Qt::red));
}

TEST(NonClientTest, RegionsAreMasks) {
  QWidget w;
  ShowFramed(&w);
  const QRegion corners = QRegion(0, 0, 200, 150) - QRegion(0, 0, 3, 3) - QRegion(197, 147, 3, 3);
  const struct {
    std::optional<QRegion> region;
    int type;
  } cases[] = {{QRegion(10, 10, 50, 40), SIMPLEREGION}, {corners, COMPLEXREGION}, {QRegion(), NULLREGION},
               {std::nullopt, ERROR}};
  for (const auto& c : cases) {
    ASSERT_TRUE(SetWindowRgn(&w, c.region, true));
    QRegion region(1, 1, 1, 1);
    EXPECT_EQ(GetWindowRgn(&w, region), c.type);
    EXPECT_EQ(region, c.region.value_or(QRegion(1, 1, 1, 1)));
    EXPECT_EQ(w.mask().isEmpty(), !c.region) << "no region, no mask";
    EXPECT_EQ(w.mask().contains(QPoint(20, 20)), c.type >= SIMPLEREGION);
  }
}

// A new region is told as a position change that changes nothing.
TEST(NonClientTest, RegionChangeIsToldAsAPositionChangeOfNothing) {
  MessageLog log;
  QWidget w;
  ShowFramed(&w);
  log.Add(&w, "W");
  const QRect before = w.geometry();
  const struct {
    bool redraw;
    unsigned flags;
  } cases[] = {{true, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE},
               {false, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW}};
  for (const auto& c : cases) {
    log.Take();
    ASSERT_TRUE(SetWindowRgn(&w, QRegion(0, 0, 50, 40), c.redraw));
    EXPECT_EQ(log.Messages({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}),
              (std::vector<unsigned>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
    EXPECT_EQ(w.geometry(), before);
  }
  // The flags as the handler sees them.
  unsigned seenFlags = 0;
  WindowProcHandle h = InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_WINDOWPOSCHANGING) seenFlags = ParamPtr<WINDOWPOS>(std::uintptr_t(m.LParam))->flags;
    previous(m);
  });
  for (const auto& c : cases) {
    SetWindowRgn(&w, std::nullopt, c.redraw);
    EXPECT_EQ(seenFlags, c.flags);
  }
  RemoveWindowProc(h);
}

// SetWindowPos asks before and tells after; the window manager's own move
// only tells; SWP_NOACTIVATE shows without activating; insert-after
// stacks siblings.
TEST(NonClientTest, SetWindowPosMessagesActivationAndStacking) {
  MessageLog log;
  QWidget a, b;
  log.Add(&b, "B");
  b.setWindowFlag(Qt::FramelessWindowHint);
  a.setGeometry(10, 10, 100, 100);
  a.show();
  a.activateWindow();
  PumpEvents();

  const std::set<unsigned> pos{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED};
  for (const unsigned flags : {SWP_NOACTIVATE, 0u}) {
    SCOPED_TRACE(flags);
    b.hide();
    a.activateWindow();
    PumpEvents();
    log.Take();

    EXPECT_TRUE(SetWindowPos(&b, nullptr, 40, 50, 120, 90, SWP_SHOWWINDOW | SWP_NOZORDER | flags));
    PumpEvents();
    EXPECT_EQ(std::tuple(b.isVisible(), b.frameGeometry(), QApplication::activeWindow()),
              std::tuple(true, QRect(40, 50, 120, 90), flags ? &a : &b));
    EXPECT_EQ(log.Messages(pos), (std::vector<unsigned>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
  }
  log.Take();
  b.windowHandle()->setPosition(60, 70);
  PumpEvents();
  EXPECT_EQ(log.Messages(pos), std::vector<unsigned>{WM_WINDOWPOSCHANGED});

  QWidget* told = nullptr;  // the insert-after a window is told of afterwards; outlives the windows
  QWidget parent;
  QWidget *c1 = new QWidget(&parent), *c2 = new QWidget(&parent), *c3 = new QWidget(&parent);
  const struct {
    QWidget* window;
    QWidget* after;
    std::vector<QWidget*> order;  // bottom to top
  } cases[] = {{c3, c1, {c3, c1, c2}}, {c3, HWND_TOP, {c1, c2, c3}}, {c3, HWND_BOTTOM, {c3, c1, c2}},
               {c1, c2, {c3, c1, c2}}, {c2, c3, {c2, c3, c1}}};
  for (QWidget* w : {c1, c2, c3})
    InstallWindowProc(w, [&told](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_WINDOWPOSCHANGED) told = ParamPtr<WINDOWPOS>(std::uintptr_t(m.LParam))->hwndInsertAfter;
      previous(m);
    });
  for (const auto& c : cases) {
    SetWindowPos(c.window, c.after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(std::pair(StackOrder(&parent), told), std::pair(c.order, c.after));
  }
}

// A window that moves by itself also maximizes by itself, to where
// WM_GETMINMAXINFO says, and restores to where it was.
TEST(NonClientTest, SelfMadeMaximizeAsksMinMax) {
  MessageLog log;
  QWidget w;
  SetManualMoveSize(&w, true);
  InstallWindowProc(&w, [](Message& m, const CallPrevious& previous) {
    previous(m);
    if (m.Msg != WM_GETMINMAXINFO) return;
    auto* info = ParamPtr<MINMAXINFO>(std::uintptr_t(m.LParam));
    info->ptMaxPosition = {10, 20};
    info->ptMaxSize = {300, 500};
    info->ptMaxTrackSize = {300, 240};
  });
  log.Add(&w, "A");
  ShowFramed(&w);
  SendMessage(&w, WM_SYSCOMMAND, SC_MAXIMIZE);
  WINDOWPLACEMENT placement;
  GetWindowPlacement(&w, &placement);
  EXPECT_EQ(std::tuple(w.frameGeometry(), IsZoomed(&w), Last(log, WM_SIZE).first, placement.showCmd,
                       placement.rcNormalPosition),
            std::tuple(QRect(10, 20, 300, 240), true, WPARAM(SIZE_MAXIMIZED), SW_SHOWMAXIMIZED,
                       Bounds(100, 100, 200, 150)));
  EXPECT_EQ(log.Messages({WM_GETMINMAXINFO, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}),
            (std::vector<unsigned>{WM_GETMINMAXINFO, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
  ShowWindow(&w, SW_RESTORE);
  EXPECT_EQ(std::pair(w.frameGeometry(), IsZoomed(&w)), std::pair(QRect(100, 100, 200, 150), false));
}

namespace {

// Counts the presses a window gets.
struct Presses : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* e) override { return count += e->type() == QEvent::MouseButtonPress, false; }
};

// A shown parent window and its dialog's place, for a dialog's exec().
void ShowWithDialog(QWidget& parent, QDialog& dialog) {
  parent.setGeometry(100, 100, 400, 300);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  dialog.setGeometry(150, 150, 200, 120);
}

// The presses a window receives of a click on it (none while a modal
// dialog blocks it).
int PressesOfAClick(QWidget& w) {
  Presses presses;
  w.installEventFilter(&presses);
  QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
  w.removeEventFilter(&presses);
  return presses.count;
}

using testsupport::FirstPaint;

}  // namespace

// A frame put on or taken off a modal dialog while its exec() runs keeps
// the dialog shown: the loop ends only when the dialog is done, with its
// code, and the parent takes clicks again afterwards. The frame goes on
// around the window's rectangle and comes off around its client area.
TEST(NonClientTest, AFrameChangeKeepsAModalLoopRunning) {
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on);
    QWidget parent;
    QDialog dialog(&parent);
    ShowWithDialog(parent, dialog);
    if (::testing::Test::HasFatalFailure()) return;
    if (!on) {
      ASSERT_TRUE(SetNonClientFrame(&dialog, true));
    }
    QMargins band(4, 24, 4, 4);
    AnswerCalcSize(&dialog, &band);
    QRect before, after;
    bool shownThroughout = true, framed = !on;
    QTimer::singleShot(50, &dialog, [&] {
      const TRect r = GetWindowRect(&dialog);
      before = QRect(r.Left, r.Top, r.Width(), r.Height());
      SetNonClientFrame(&dialog, on);
    });
    QTimer::singleShot(150, &dialog, [&] {
      shownThroughout = dialog.isVisible();
      framed = HasNonClientFrame(&dialog);
      const TRect r = GetWindowRect(&dialog);
      after = QRect(r.Left, r.Top, r.Width(), r.Height());  // kept both ways
      dialog.done(7);
    });
    EXPECT_EQ(dialog.exec(), 7);
    EXPECT_TRUE(shownThroughout);
    EXPECT_EQ(framed, on);
    EXPECT_EQ(after, before);
    EXPECT_EQ(PressesOfAClick(parent), 1) << "the parent is still blocked";
  }
}

// Stay-on-top switched on and off through SetWindowPos while a modal
// dialog's exec() runs: the dialog takes the flag and stays shown, its
// loop ends only with its own code, and its parent takes clicks again.
TEST(NonClientTest, StayOnTopKeepsAModalLoopRunning) {
  QWidget parent;
  QDialog dialog(&parent);
  ShowWithDialog(parent, dialog);
  if (::testing::Test::HasFatalFailure()) return;
  std::vector<std::pair<bool, bool>> seen;  // shown, on top; a moment after each switch
  const auto look = [&] { seen.emplace_back(dialog.isVisible(), bool(dialog.windowFlags() & Qt::WindowStaysOnTopHint)); };
  QTimer::singleShot(50, &dialog, [&] { SetWindowPos(&dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); });
  QTimer::singleShot(100, &dialog, [&] {
    look();
    SetWindowPos(&dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  });
  QTimer::singleShot(150, &dialog, [&] {
    look();
    dialog.done(7);
  });
  EXPECT_EQ(dialog.exec(), 7);
  EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, true}, {true, false}}));
  EXPECT_EQ(PressesOfAClick(parent), 1) << "the parent is still blocked";
}

// AtFirstShow runs as a window is first shown: after the window's own show
// handler has sized it, before its first paint, once; at once for a shown
// window. A frame put on there is on from the first paint, and the dialog's
// loop runs on.
TEST(NonClientTest, AFrameAtTheFirstShowIsOnFromTheFirstPaint) {
  struct Growing : QDialog {
    void showEvent(QShowEvent* e) override {
      resize(260, 140);  // as a message box sizes itself
      QDialog::showEvent(e);
    }
  } dialog;
  dialog.resize(100, 50);
  QSize seen;
  int calls = 0;
  AtFirstShow(&dialog, [&] {
    ++calls;
    seen = dialog.size();
    SetNonClientFrame(&dialog, true);
  });
  FirstPaint paint;
  dialog.installEventFilter(&paint);
  QTimer::singleShot(100, &dialog, [&] {
    dialog.hide();
    dialog.show();  // a second show does nothing
    dialog.done(3);
  });
  EXPECT_EQ(dialog.exec(), 3);
  EXPECT_EQ(std::tuple(calls, seen, paint.framed), std::tuple(1, QSize(260, 140), std::optional<bool>(true)));
  int now = 0;
  QWidget shown;
  shown.show();
  AtFirstShow(&shown, [&] { ++now; });
  EXPECT_EQ(now, 1);
}

// A shown maximized window whose frame goes on or off keeps the place it
// was maximized to (setting the rectangle it had with the old decoration
// once left a window larger than the screen).
TEST(NonClientTest, AMaximizedWindowKeepsItsPlaceWhenTheFrameChanges) {
  QWidget w;
  w.showMaximized();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const QRect area = w.screen()->availableGeometry();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry() == area; }));
  const QRect maximized = w.geometry();
  for (const bool on : {true, false}) {
    ASSERT_TRUE(SetNonClientFrame(&w, on));
    PumpEvents();
    const TRect r = GetWindowRect(&w);
    EXPECT_EQ(std::tuple(w.geometry(), w.isMaximized(), area.contains(QRect(r.Left, r.Top, r.Width(), r.Height()))),
              std::tuple(maximized, true, true))
        << on;
  }
}

// ShowWindow shows or hides by each command, and answers whether the
// window was visible before.
TEST(NonClientTest, ShowWindowCommands) {
  const struct {
    int command;
    bool visible;
  } cases[] = {{SW_HIDE, false},        {SW_SHOWNORMAL, true},      {SW_SHOWMINIMIZED, true}, {SW_SHOWMAXIMIZED, true},
               {SW_SHOWNOACTIVATE, true}, {SW_SHOW, true},           {SW_MINIMIZE, true},      {SW_SHOWMINNOACTIVE, true},
               {SW_SHOWNA, true},        {SW_RESTORE, true}};
  for (const auto& c : cases) {
    QWidget hidden, shown;
    shown.show();
    EXPECT_EQ(std::pair(ShowWindow(&hidden, c.command), ShowWindow(&shown, c.command)), std::pair(false, true)) << c.command;
    EXPECT_EQ(std::pair(hidden.isVisible(), shown.isVisible()), std::pair(c.visible, c.visible)) << c.command;
  }
}

// SC_CONTEXTHELP puts any top-level window, framed or not, into what's-this
// mode, which Esc ends; sent to a child control it does nothing.
TEST(NonClientTest, ContextHelpEntersWhatsThisMode) {
  const struct {
    const char* what;
    bool framed, child, entered;
  } cases[] = {
      {"window", false, false, true}, {"framed window", true, false, true}, {"child control", false, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget w;
    auto* child = new QLabel(QStringLiteral("child"), &w);
    if (c.framed) {
      ShowFramed(&w);
    } else {
      w.show();
      PumpEvents();
    }
    SendMessage(c.child ? child : &w, WM_SYSCOMMAND, SC_CONTEXTHELP);
    EXPECT_EQ(QWhatsThis::inWhatsThisMode(), c.entered);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode()) << "Esc ends it";
  }
}

// A move started from the system menu (SC_MOVE without mouse bits) follows
// the mouse until the next click: the press ends it, the grab goes and
// WM_EXITSIZEMOVE arrives.
TEST(NonClientTest, KeyboardMoveEndsOnAClick) {
  MessageLog log;
  QWidget w;
  log.Add(&w, "A");
  ShowFramed(&w);
  SendMessage(&w, WM_SYSCOMMAND, SC_MOVE);
  EXPECT_EQ(QWidget::mouseGrabber(), &w);
  EXPECT_EQ(log.Messages({WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}), std::vector<unsigned>{WM_ENTERSIZEMOVE});
  Mouse(&w, QEvent::MouseButtonPress, QPoint(150, 160));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(log.Messages({WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}), std::vector<unsigned>{WM_EXITSIZEMOVE});
  Mouse(&w, QEvent::MouseButtonRelease, QPoint(150, 160));
}

// A move or size from the system menu has the keyboard: a move goes 8
// pixels an arrow; a size's first arrow picks the edge on its side, one
// across adds the edge it points to, and the others move those edges 8
// pixels, none past the screen's work area. Enter ends it where the window
// is, Esc puts the window back, a click ends it too (the grab goes,
// WM_EXITSIZEMOVE arrives). No key reaches a control: the focused tab bar,
// whose arrows switch pages, keeps its page and the focus.
TEST(NonClientTest, KeyboardMoveAndSize) {
  enum End { kEnter, kEscape, kClick };
  constexpr Qt::Key L = Qt::Key_Left, R = Qt::Key_Right, U = Qt::Key_Up, D = Qt::Key_Down;
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const struct {
    unsigned command;
    std::vector<Qt::Key> keys;
    End end;
    QRect expected;
  } cases[] = {
      {SC_MOVE, {R, R, D}, kEnter, {116, 108, 200, 150}},
      {SC_MOVE, {L, U}, kEscape, {100, 100, 200, 150}},
      {SC_MOVE, {L}, kClick, {92, 100, 200, 150}},
      {SC_SIZE, {R, R, R}, kEnter, {100, 100, 216, 150}},
      {SC_SIZE, {L, L, U, U, R}, kEnter, {100, 92, 200, 158}},
      {SC_SIZE, {D, D}, kEscape, {100, 100, 200, 150}},
      {SC_SIZE, {D, D}, kClick, {100, 100, 200, 158}},
      {SC_SIZE, std::vector<Qt::Key>(100, R), kEnter, {100, 100, area.right() + 1 - 100, 150}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.command << " " << c.keys.size() << " keys, end " << c.end);
    MessageLog log;
    QWidget w;
    auto* tabs = new QTabWidget(&w);
    tabs->addTab(new QLabel(QStringLiteral("one")), QStringLiteral("one"));
    tabs->addTab(new QLabel(QStringLiteral("two")), QStringLiteral("two"));
    (new QVBoxLayout(&w))->addWidget(tabs);
    log.Add(&w, "A");
    ShowFramed(&w);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    tabs->tabBar()->setFocus();
    // The pointer rests where the click comes.
    const QPoint rest(150, 160);
    Mouse(&w, QEvent::MouseMove, rest);
    QCursor::setPos(rest);
    log.Take();
    SendMessage(&w, WM_SYSCOMMAND, c.command);
    for (const Qt::Key key : c.keys) QTest::keyClick(w.windowHandle(), key);
    if (c.end == kClick) {
      Mouse(&w, QEvent::MouseButtonPress, rest);
      Mouse(&w, QEvent::MouseButtonRelease, rest);
    } else {
      QTest::keyClick(w.windowHandle(), c.end == kEnter ? Qt::Key_Return : Qt::Key_Escape);
    }
    EXPECT_EQ(w.frameGeometry(), c.expected);
    EXPECT_EQ(std::tuple(QWidget::mouseGrabber(), log.Messages({WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE})),
              std::tuple(nullptr, std::vector<unsigned>{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
    EXPECT_EQ(std::pair(tabs->currentIndex(), QApplication::focusWidget()), std::pair(0, static_cast<QWidget*>(tabs->tabBar())));
    QTest::keyClick(w.windowHandle(), Qt::Key_Right);
    EXPECT_EQ(std::pair(tabs->currentIndex(), w.frameGeometry()), std::pair(1, c.expected)) << "keys are the controls' again";
  }
}

// Alt+Space in a framed window, wherever its focus is, offers
// WM_SYSKEYDOWN VK_SPACE to the window's handlers; unless one takes it,
// SC_KEYMENU ' ' follows once and its default opens the system menu below
// the caption, a popup (nothing waits), for a window with WS_SYSMENU only.
// No control sees the key. An unframed window leaves it to its window
// manager.
TEST(NonClientTest, AltSpaceOpensTheSystemMenu) {
  const Qt::WindowFlags withMenu = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
  const Qt::WindowFlags withoutMenu = Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
  enum Focus { kEdit, kButton, kWindow };
  const struct {
    const char* name;
    bool framed;
    Qt::WindowFlags flags;
    Focus focus;
    bool handlerTakes;  // a handler of the window answers WM_SYSKEYDOWN VK_SPACE itself
    int keyMenus;       // SC_KEYMENU ' ' the window gets
    bool menuShown;
  } cases[] = {
      {"edit has focus", true, withMenu, kEdit, false, 1, true},
      {"button has focus", true, withMenu, kButton, false, 1, true},
      {"window has focus", true, withMenu, kWindow, false, 1, true},
      {"no WS_SYSMENU", true, withoutMenu, kEdit, false, 1, false},
      {"a handler takes the key", true, withMenu, kEdit, true, 0, false},
      {"unframed", false, withMenu, kEdit, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget w(nullptr, c.flags);
    w.setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(&w);
    auto* edit = new QLineEdit(&w);
    auto* button = new QPushButton(QStringLiteral("OK"), &w);
    layout->addWidget(edit);
    layout->addWidget(button);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    int keyMenus = 0, sysKeys = 0;
    InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_KEYMENU && m.LParam == ' ') ++keyMenus;
      if (m.Msg == WM_SYSKEYDOWN && m.WParam == VK_SPACE) {
        ++sysKeys;
        EXPECT_TRUE(m.LParam & (1 << 29)) << "with Alt";
        if (c.handlerTakes) return;
      }
      previous(m);
    });
    if (c.framed) {
      ShowFramed(&w);
    } else {
      w.setGeometry(100, 100, 200, 150);
      w.show();
    }
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QWidget* focus = c.focus == kEdit ? static_cast<QWidget*>(edit) : c.focus == kButton ? button : &w;
    focus->setFocus();
    PumpEvents();
    ASSERT_EQ(QApplication::focusWidget(), focus);
    QTest::keyClick(w.windowHandle(), Qt::Key_Space, Qt::AltModifier);
    PumpEvents();
    EXPECT_EQ(keyMenus, c.keyMenus);
    QMenu* menu = GetSystemMenu(&w);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    EXPECT_EQ(popup == menu && menu->isVisible(), c.menuShown);
    if (c.menuShown && popup == menu) {
      const QMargins m = w.contentsMargins();
      EXPECT_EQ(menu->pos(), w.mapToGlobal(QPoint(m.left(), m.top()))) << "below the caption, at the icon";
      menu->close();
      PumpEvents();
    }
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    if (c.framed) {
      EXPECT_EQ(sysKeys, 1) << "the window's handlers hear the key once";
      EXPECT_TRUE(edit->text().isEmpty() && clicks == 0) << "no control took the key";
    }
  }
}

// A window the program hides is told so as a position change: one
// WM_WINDOWPOSCHANGING with SWP_HIDEWINDOW after WM_SHOWWINDOW, whichever
// way it was hidden (SetWindowPos tells its own, once); a child control is
// not.
TEST(NonClientTest, AHiddenWindowIsToldSwpHideWindow) {
  const struct {
    const char* how;
    std::function<void(QWidget&)> hide;
    int told;  // WM_WINDOWPOSCHANGING with SWP_HIDEWINDOW
  } cases[] = {
      {"hide", [](QWidget& w) { w.hide(); }, 1},
      {"close", [](QWidget& w) { w.close(); }, 1},
      {"ShowWindow", [](QWidget& w) { ShowWindow(&w, SW_HIDE); }, 1},
      {"SetWindowPos", [](QWidget& w) { SetWindowPos(&w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE); }, 1},
      {"child", [](QWidget& w) { w.findChild<QLabel*>()->hide(); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    std::vector<std::pair<unsigned, unsigned>> seen;  // message, flags; outlives the window
    QWidget w;
    auto* child = new QLabel(QStringLiteral("child"), &w);
    for (QWidget* target : {&w, static_cast<QWidget*>(child)})
      InstallWindowProc(target, [&seen](Message& m, const CallPrevious& previous) {
        if (m.Msg == WM_WINDOWPOSCHANGING)
          seen.emplace_back(m.Msg, ParamPtr<WINDOWPOS>(std::uintptr_t(m.LParam))->flags);
        else if (m.Msg == WM_SHOWWINDOW && !m.WParam)
          seen.emplace_back(m.Msg, 0u);
        previous(m);
      });
    w.show();
    PumpEvents();
    seen.clear();
    c.hide(w);
    PumpEvents();
    const auto told = std::count_if(seen.begin(), seen.end(), [](const auto& s) {
      return s.first == unsigned(WM_WINDOWPOSCHANGING) && (s.second & SWP_HIDEWINDOW);
    });
    EXPECT_EQ(told, c.told);
    const auto changing = std::find_if(seen.begin(), seen.end(),
                                       [](const auto& s) { return s.first == unsigned(WM_WINDOWPOSCHANGING); });
    if (c.told && changing != seen.end() && std::string(c.how) != "SetWindowPos") {
      EXPECT_EQ(seen.front().first, unsigned(WM_SHOWWINDOW)) << "after WM_SHOWWINDOW";
      EXPECT_EQ(changing->second, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}
