// The non-client band of child controls: the frame Qt lays out.
#include "MessageLog.h"
#include "platform/NonClient.h"
#include "platform/WindowTable.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// The client rectangle the chain's WM_NCCALCSIZE ended with, as insets
// from the window rectangle.
QMargins AskInsets(QWidget* w) {
  QMargins got(-1, -1, -1, -1);
  auto handle = InstallWindowProc(w, [&got](Message& m, const CallPrevious& previous) {
    previous(m);
    if (m.Msg != WM_NCCALCSIZE) return;
    const auto* p = ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam));
    got = {p->rgrc[0].Left - p->rgrc[1].Left, p->rgrc[0].Top - p->rgrc[1].Top,
           p->rgrc[1].Right - p->rgrc[0].Right, p->rgrc[1].Bottom - p->rgrc[0].Bottom};
  });
  RecalcNonClient(w);
  RemoveWindowProc(handle);
  return got;
}

// Answers WM_NCCALCSIZE with the insets `answer` points at, whatever the
// default says.
WindowProcHandle AnswerBand(QWidget* w, const QMargins* answer) {
  return InstallWindowProc(w, [answer](Message& m, const CallPrevious& previous) {
    previous(m);
    if (m.Msg != WM_NCCALCSIZE) return;
    auto* p = ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam));
    const TRect& w = p->rgrc[1];
    p->rgrc[0] = {w.Left + answer->left(), w.Top + answer->top(), w.Right - answer->right(),
                  w.Bottom - answer->bottom()};
  });
}

// The hit code of a point of the control (the default's).
LRESULT HitAt(QWidget* w, QPoint at) {
  const QPoint global = w->mapToGlobal(at);
  return SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(global.x(), global.y()));
}

// The leftmost column of the picture with dark (text) pixels; -1 for none.
int LeftmostInk(const QImage& image) {
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y)
      if (qGray(image.pixel(x, y)) < 100) return x;
  return -1;
}

QRect HolderGeometry(const QScrollBar* bar) { return bar->parentWidget()->geometry(); }

}  // namespace

// WM_NCCALCSIZE answers the frame Qt draws: a scroll area's viewport, a
// frame's line width, the style's frame of a line edit and a combo box.
TEST(ControlBandTest, CalcSizeAnswersQtsInsets) {
  QWidget parent;
  auto* edit = new QLineEdit(&parent);
  auto* frame = new QFrame(&parent);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  frame->setLineWidth(3);
  auto* text = new QTextEdit(&parent);
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* combo = new QComboBox(&parent);
  auto* bare = new QLineEdit(&parent);
  bare->setFrame(false);
  for (QWidget* w : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) w->setGeometry(10, 10, 120, 80);
  parent.resize(200, 200);
  parent.show();
  QCoreApplication::processEvents();
  const int scroll = text->verticalScrollBar()->width();
  const int textFrame = text->frameWidth();
  const struct {
    QWidget* w;
    QMargins insets;
  } cases[] = {
      {edit, QMargins(1, 1, 1, 1)},  // the style's line-edit contents
      {frame, QMargins(frame->frameWidth(), frame->frameWidth(), frame->frameWidth(), frame->frameWidth())},
      {text, QMargins(textFrame, textFrame, textFrame + scroll, textFrame)},
      {combo, QMargins(1, 1, 1, 1)},
      {bare, QMargins(-1, -1, -1, -1)},  // no band: nothing is asked
  };
  EXPECT_TRUE(frame->frameWidth() > 0 && scroll > 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.w->metaObject()->className());
    EXPECT_EQ(AskInsets(c.w), c.insets);
  }
}

// A handler's WM_NCPAINT paints over Qt's frame, clipped to the band, the
// client keeps Qt's painting; presses and releases of every button in the
// band come as WM_NCHITTEST and the WM_NC message with the hit code, and
// the control still gets the press.
TEST(ControlBandTest, BandPaintingAndMouse) {
  MessageLog log;
  QWidget parent;
  auto* edit = new QLineEdit(&parent);
  edit->setGeometry(10, 10, 120, 30);
  InstallWindowProc(edit, [edit](Message& m, const CallPrevious& previous) {
    previous(m);
    if (m.Msg != WM_NCPAINT) return;
    Canvas* dc = GetWindowDC(edit);
    ASSERT_NE(dc, nullptr);
    dc->Brush = {clRed, bsSolid};
    dc->FillRect(Rect(0, 0, edit->width(), edit->height()));
  });
  log.Add(edit, "E");
  parent.resize(200, 100);
  parent.show();
  QCoreApplication::processEvents();
  const QImage shot = edit->grab().toImage();  // the client is Qt's
  EXPECT_EQ(std::tuple(shot.pixel(0, 0), shot.pixel(119, 15), shot.pixel(60, 15) == qRgb(255, 0, 0)),
            std::tuple(qRgb(255, 0, 0), qRgb(255, 0, 0), false));

  const struct {
    Qt::MouseButton button;
    unsigned down, up;
  } cases[] = {{Qt::LeftButton, WM_NCLBUTTONDOWN, WM_NCLBUTTONUP},
               {Qt::RightButton, WM_NCRBUTTONDOWN, WM_NCRBUTTONUP},
               {Qt::MiddleButton, WM_NCMBUTTONDOWN, WM_NCMBUTTONUP}};
  const std::set<unsigned> mouse{WM_NCHITTEST, WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_NCRBUTTONDOWN, WM_NCRBUTTONUP,
                                 WM_NCMBUTTONDOWN, WM_NCMBUTTONUP, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.down);
    log.Take();
    QTest::mousePress(edit, c.button, {}, QPoint(0, 15));
    QTest::mouseRelease(edit, c.button, {}, QPoint(0, 15));
    EXPECT_EQ(log.seen.size() >= 2 ? log.seen[1].WParam : 0u, WPARAM(HTBORDER));
    EXPECT_EQ(log.Messages(mouse), (std::vector<unsigned>{WM_NCHITTEST, c.down, WM_NCHITTEST, c.up}));
  }
  EXPECT_TRUE(edit->hasFocus()) << "the press reached the edit";
  QTest::mousePress(edit, Qt::LeftButton, {}, QPoint(60, 15));
  EXPECT_EQ(log.Messages(mouse), std::vector<unsigned>{WM_LBUTTONDOWN});
}

// A press in an inactive window asks WM_MOUSEACTIVATE: by default the
// click activates, MA_NOACTIVATE leaves the active window, the ...ANDEAT
// answers drop the press. A handler answering WM_SETCURSOR in a window's
// band without passing it on keeps its own cursor.
TEST(ControlBandTest, MouseActivateAndSetCursor) {
  const struct {
    LRESULT answer;  // 0: the default
    bool activates, eaten;
  } cases[] = {{0, true, false}, {MA_NOACTIVATE, false, false}, {MA_NOACTIVATEANDEAT, false, true},
               {MA_ACTIVATEANDEAT, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    MessageLog log;
    QWidget a, b;
    a.show();
    b.show();
    a.activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &a);
    const LRESULT answer = c.answer;
    InstallWindowProc(&b, [answer](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_MOUSEACTIVATE && answer) m.Result = answer;
      else previous(m);
    });
    log.Add(&b, "B");
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), c.activates ? &b : &a);
    std::vector<unsigned> expected{WM_MOUSEACTIVATE, WM_LBUTTONDOWN};
    if (c.eaten) expected.pop_back();
    EXPECT_EQ(log.Messages({WM_MOUSEACTIVATE, WM_LBUTTONDOWN}), expected);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
  }

  for (const bool answer : {false, true}) {
    QWidget w;
    w.setGeometry(100, 100, 200, 150);
    InstallWindowProc(&w, [&w, answer](Message& m, const CallPrevious& previous) {
      if (m.Msg != WM_SETCURSOR || !answer) return previous(m);
      w.setCursor(Qt::PointingHandCursor);
      m.Result = 1;
    });
    SetNonClientFrame(&w);
    w.show();
    QCoreApplication::processEvents();
    QTest::mouseMove(w.windowHandle(), QPoint(199, answer ? 80 : 70));  // the right edge
    EXPECT_EQ(w.cursor().shape(), answer ? Qt::PointingHandCursor : Qt::SizeHorCursor);
  }
}

// A handler that clears WS_HSCROLL and WS_VSCROLL around the default reads
// the frame's insets without the strips of those bars (on the left for a
// right-to-left vertical bar); with the bits set it reads the strips again,
// and the style word follows the bars once the bits are back.
TEST(ControlBandTest, ClearedScrollBitsLeaveTheBarsOut) {
  const struct {
    std::uint32_t cleared;
    bool rightToLeft;
    bool leftStrip, rightStrip, bottomStrip;
  } cases[] = {
      {WS_HSCROLL | WS_VSCROLL, false, false, false, false}, {0, false, false, true, true},
      {WS_VSCROLL, false, false, false, true},               {WS_HSCROLL, false, false, true, false},
      {WS_VSCROLL, true, false, false, true},                {0, true, true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cleared << (c.rightToLeft ? " right-to-left" : ""));
    QWidget parent;
    auto* text = new QTextEdit(&parent);
    text->setGeometry(10, 10, 150, 100);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (c.rightToLeft) text->setLayoutDirection(Qt::RightToLeft);
    parent.show();
    PumpEvents();
    const std::uint32_t cleared = c.cleared;
    QMargins got(-1, -1, -1, -1);
    InstallWindowProc(text, [&got, text, cleared](Message& m, const CallPrevious& previous) {
      if (m.Msg != WM_NCCALCSIZE) return previous(m);
      const std::intptr_t style = GetWindowLong(text, GWL_STYLE);
      SetWindowLong(text, GWL_STYLE, style & ~std::intptr_t(cleared));
      previous(m);
      SetWindowLong(text, GWL_STYLE, style);
      const auto* p = ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam));
      got = {p->rgrc[0].Left - p->rgrc[1].Left, p->rgrc[0].Top - p->rgrc[1].Top,
             p->rgrc[1].Right - p->rgrc[0].Right, p->rgrc[1].Bottom - p->rgrc[0].Bottom};
    });
    const QRect viewport = text->viewport()->geometry();
    RecalcNonClient(text);
    const int f = text->frameWidth();
    const int v = HolderGeometry(text->verticalScrollBar()).width();
    const int h = HolderGeometry(text->horizontalScrollBar()).height();
    ASSERT_TRUE(f > 0 && v > 0 && h > 0);
    EXPECT_EQ(got, QMargins(f + (c.leftStrip ? v : 0), f, f + (c.rightStrip ? v : 0), f + (c.bottomStrip ? h : 0)));
    EXPECT_EQ(GetWindowLong(text, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), WS_HSCROLL | WS_VSCROLL);
    EXPECT_EQ(text->viewport()->geometry(), viewport) << "an answer narrower than Qt's band keeps Qt's";
  }
}

// An answer wider than Qt's band on a side widens the band there: a line
// edit's text moves by the difference, a scroll area's viewport moves in
// with its bars left where Qt puts them, a frame's contents and layout
// follow, the edit inside a combo or spin box gets the difference as text
// margins. Answers no wider than Qt's (also negative ones) keep Qt's band;
// an answer wider than half the control stops there.
TEST(ControlBandTest, WiderAnswersWidenTheBand) {
  struct Case {
    const char* what;
    std::function<QWidget*(QWidget* parent)> make;
    QMargins answer;
    std::function<void(QWidget* w, const QMargins& qt, const QImage& before)> check;
  };
  auto textEdit = [](Qt::ScrollBarPolicy bars) {
    return [bars](QWidget* parent) -> QWidget* {
      auto* t = new QTextEdit(parent);
      t->setGeometry(10, 10, 150, 100);
      t->setHorizontalScrollBarPolicy(bars);
      t->setVerticalScrollBarPolicy(bars);
      return t;
    };
  };
  auto lineEdit = [](QWidget* parent) -> QWidget* {
    auto* e = new QLineEdit(QStringLiteral("W0123"), parent);
    e->setGeometry(10, 10, 120, 30);
    e->setTextMargins(2, 0, 0, 0);  // its own, under the widening
    return e;
  };
  auto scrollArea = [](QWidget* w) { return static_cast<QAbstractScrollArea*>(w); };
  const Case cases[] = {
      {"line edit, 4 around", lineEdit, {4, 4, 4, 4},
       [](QWidget* w, const QMargins& qt, const QImage& before) {
         EXPECT_EQ(qt, QMargins(1, 1, 1, 1));
         EXPECT_EQ(static_cast<QLineEdit*>(w)->textMargins(), QMargins(5, 3, 3, 3));
         EXPECT_EQ(LeftmostInk(w->grab().toImage()), LeftmostInk(before) + 3) << "the text moves by 3";
         EXPECT_EQ(std::pair(HitAt(w, {3, 15}), HitAt(w, {4, 15})), std::pair(LRESULT(HTBORDER), LRESULT(HTCLIENT)));
       }},
      {"line edit, 1000 around", lineEdit, {1000, 1000, 1000, 1000},
       [](QWidget* w, const QMargins&, const QImage&) {
         EXPECT_EQ(static_cast<QLineEdit*>(w)->textMargins(), QMargins(16, 14, 14, 14)) << "15 of 30 at most";
         EXPECT_EQ(HitAt(w, {60, 15}), HTBORDER) << "no client area left";
       }},
      {"line edit, narrower and negative", lineEdit, {0, -5, 1, -1000},
       [](QWidget* w, const QMargins&, const QImage&) {
         EXPECT_EQ(static_cast<QLineEdit*>(w)->textMargins(), QMargins(2, 0, 0, 0));
         EXPECT_EQ(HitAt(w, {1, 15}), HTCLIENT);
       }},
      {"memo with both bars, 3 around", textEdit(Qt::ScrollBarAlwaysOn), {3, 3, 3, 3},
       [scrollArea](QWidget* w, const QMargins& qt, const QImage&) {
         QAbstractScrollArea* area = scrollArea(w);
         EXPECT_EQ(std::pair(qt.left(), qt.top()), std::pair(1, 1));
         const QRect viewport = area->viewport()->geometry();
         EXPECT_EQ(viewport, QRect(QPoint(3, 3), QPoint(w->width() - 1 - qt.right(), w->height() - 1 - qt.bottom())));
         for (const QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
           EXPECT_TRUE(w->rect().contains(HolderGeometry(bar)) && !HolderGeometry(bar).intersects(viewport))
               << "the bar inside the band";
         }
         EXPECT_EQ(HolderGeometry(area->verticalScrollBar()).right(), w->width() - 1 - area->frameWidth())
             << "where Qt puts it";
       }},
      {"memo without bars, 3 around", textEdit(Qt::ScrollBarAlwaysOff), {3, 3, 3, 3},
       [scrollArea](QWidget* w, const QMargins&, const QImage&) {
         EXPECT_EQ(scrollArea(w)->viewport()->geometry(), w->rect().marginsRemoved({3, 3, 3, 3}));
       }},
      {"memo with both bars, 1000 around", textEdit(Qt::ScrollBarAlwaysOn), {1000, 1000, 1000, 1000},
       [scrollArea](QWidget* w, const QMargins&, const QImage&) {
         const QRect viewport = scrollArea(w)->viewport()->geometry();
         EXPECT_EQ(std::tuple(viewport.left(), viewport.right(), viewport.height()),
                   std::tuple(50, w->width() - 51, 0))
             << "half of the smaller side at most, never below nothing";
       }},
      {"memo 24 wide with a vertical bar, 1000 around",
       [](QWidget* parent) -> QWidget* {
         auto* t = new QTextEdit(parent);
         t->setGeometry(10, 10, 24, 100);
         t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
         t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
         return t;
       },
       {1000, 1000, 1000, 1000},
       [scrollArea](QWidget* w, const QMargins& qt, const QImage&) {
         const QRect viewport = scrollArea(w)->viewport()->geometry();
         EXPECT_EQ(std::pair(viewport.left(), viewport.width()), std::pair(w->width() - qt.right(), 0))
             << "the left side stops where the bar's strip begins";
       }},
      {"tree view, 5 around: its header lays the viewport out, only the band widens",
       [](QWidget* parent) -> QWidget* {
         auto* t = new QTreeWidget(parent);
         t->setGeometry(10, 10, 150, 100);
         return t;
       },
       {5, 5, 5, 5},
       [scrollArea](QWidget* w, const QMargins& qt, const QImage&) {
         EXPECT_EQ(scrollArea(w)->viewport()->geometry(), w->rect().marginsRemoved(qt));
         EXPECT_EQ(std::pair(HitAt(w, {4, 50}), HitAt(w, {5, 50})), std::pair(LRESULT(HTBORDER), LRESULT(HTCLIENT)));
       }},
      {"sunken panel with a laid out child, 5 around",
       [](QWidget* parent) -> QWidget* {
         auto* f = new QFrame(parent);
         f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
         f->setGeometry(10, 10, 100, 60);
         auto* layout = new QVBoxLayout(f);
         layout->setContentsMargins(0, 0, 0, 0);
         layout->addWidget(new QLabel(QStringLiteral("inside")));
         return f;
       },
       {5, 5, 5, 5},
       [](QWidget* w, const QMargins& qt, const QImage&) {
         EXPECT_EQ(qt, QMargins(1, 1, 1, 1));
         EXPECT_EQ(w->contentsRect(), w->rect().marginsRemoved({5, 5, 5, 5}));
         EXPECT_EQ(w->findChild<QLabel*>()->geometry(), w->rect().marginsRemoved({5, 5, 5, 5}));
       }},
      {"editable combo box, 4 around",
       [](QWidget* parent) -> QWidget* {
         auto* c = new QComboBox(parent);
         c->setEditable(true);
         c->setGeometry(10, 10, 120, 30);
         return c;
       },
       {4, 4, 4, 4},
       [](QWidget* w, const QMargins& qt, const QImage&) {
         EXPECT_EQ(static_cast<QComboBox*>(w)->lineEdit()->textMargins(), QMargins(4, 4, 4, 4) - qt);
       }},
      {"drop-down list, 4 around: only the band",
       [](QWidget* parent) -> QWidget* {
         auto* c = new QComboBox(parent);
         c->setGeometry(10, 10, 120, 30);
         return c;
       },
       {4, 4, 4, 4}, [](QWidget* w, const QMargins&, const QImage&) { EXPECT_EQ(HitAt(w, {3, 15}), HTBORDER); }},
      {"spin box, 6 around",
       [](QWidget* parent) -> QWidget* {
         auto* s = new QSpinBox(parent);
         s->setGeometry(10, 10, 120, 30);
         return s;
       },
       {6, 6, 6, 6},
       [](QWidget* w, const QMargins& qt, const QImage&) {
         EXPECT_EQ(w->findChild<QLineEdit*>()->textMargins(), QMargins(6, 6, 6, 6) - qt);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget parent;
    parent.resize(200, 150);
    QWidget* w = c.make(&parent);
    w->setFocusPolicy(Qt::NoFocus);
    parent.show();
    PumpEvents();
    const QMargins qt = AskInsets(w);
    const QImage before = w->grab().toImage();
    const QRect viewport = qobject_cast<QAbstractScrollArea*>(w) ? scrollArea(w)->viewport()->geometry() : QRect();
    QMargins answer = c.answer;
    WindowProcHandle handle = AnswerBand(w, &answer);
    RecalcNonClient(w);
    PumpEvents();
    c.check(w, qt, before);
    // Qt's answer again gives the control its own values back, and so
    // does the handler's removal after a new wider answer.
    answer = qt;
    RecalcNonClient(w);
    PumpEvents();
    EXPECT_EQ(w->grab().toImage(), before) << "Qt's answer again";
    answer = c.answer;
    RecalcNonClient(w);
    RemoveWindowProc(handle);
    PumpEvents();
    EXPECT_EQ(w->grab().toImage(), before) << "the handler removed";
    if (viewport.isValid()) {
      EXPECT_EQ(scrollArea(w)->viewport()->geometry(), viewport);
    }
    EXPECT_EQ(AskInsets(w), qt);
  }
}

// Text margins the control sets while its band is widened are its own
// from then on: the widening stays on top of them and they come back with
// the handler's removal.
TEST(ControlBandTest, OwnMarginsSetWhileWidenedComeBack) {
  QWidget parent;
  auto* edit = new QLineEdit(QStringLiteral("W0123"), &parent);
  edit->setGeometry(10, 10, 120, 30);
  parent.show();
  const QMargins answer(4, 4, 4, 4);
  WindowProcHandle handle = AnswerBand(edit, &answer);
  RecalcNonClient(edit);
  edit->setTextMargins(5, 0, 0, 0);
  edit->resize(121, 30);  // a size change asks again
  EXPECT_EQ(edit->textMargins(), QMargins(8, 3, 3, 3));
  RemoveWindowProc(handle);
  EXPECT_EQ(edit->textMargins(), QMargins(5, 0, 0, 0));
}

// A handler that goes with WM_DESTROY leaves a dying control's band as it
// is: nothing asks WM_NCCALCSIZE after WM_DESTROY.
TEST(ControlBandTest, NothingIsAskedOfADyingControl) {
  MessageLog log;
  QWidget parent;
  auto* edit = new QLineEdit(&parent);
  log.Add(edit, "E");
  const QMargins answer(4, 4, 4, 4);
  auto handle = std::make_shared<WindowProcHandle>(AnswerBand(edit, &answer));
  InstallWindowProc(edit, [handle](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_DESTROY) RemoveWindowProc(*handle);
    previous(m);
  });
  edit->resize(120, 30);
  RecalcNonClient(edit);
  ASSERT_EQ(edit->textMargins(), QMargins(3, 3, 3, 3));
  log.Take();
  delete edit;
  EXPECT_EQ(log.Messages({WM_DESTROY, WM_NCCALCSIZE}), std::vector<unsigned>{WM_DESTROY});
}
