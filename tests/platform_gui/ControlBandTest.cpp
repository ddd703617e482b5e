// The non-client band of child controls: the frame Qt lays out.
#include "MessageLog.h"
#include "platform/NonClient.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

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
  for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(frame), static_cast<QWidget*>(text),
                     static_cast<QWidget*>(combo), static_cast<QWidget*>(bare)})
    w->setGeometry(10, 10, 120, 80);
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
  EXPECT_GT(frame->frameWidth(), 0);
  EXPECT_GT(scroll, 0);
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
  const QImage shot = edit->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(0, 0)), QColor(Qt::red));
  EXPECT_EQ(QColor(shot.pixel(119, 15)), QColor(Qt::red));
  EXPECT_NE(QColor(shot.pixel(60, 15)), QColor(Qt::red)) << "the client is Qt's";

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
