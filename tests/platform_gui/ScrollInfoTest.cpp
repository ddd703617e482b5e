#include "platform/ScrollInfo.h"

#include "MessageLog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QString Lines(int n) {
  QStringList lines;
  for (int i = 0; i < n; ++i) lines << QString::number(i);
  return lines.join('\n');
}

std::vector<unsigned> Codes(MessageLog& log, unsigned msg) {
  std::vector<unsigned> codes;
  for (const Message& m : log.seen)
    if (m.Msg == msg) codes.push_back(LOWORD(m.WParam));
  log.Take();
  return codes;
}

}  // namespace

// The Windows range convention, hidden and disabled bars, the bar's place
// and thumb from the style.
TEST(ScrollInfoTest, ScrollInformation) {
  QTextEdit text;
  text.setLineWrapMode(QTextEdit::NoWrap);
  text.setPlainText(Lines(100));
  QListWidget shortList, disabledList;
  shortList.addItems({"a", "b"});
  for (int i = 0; i < 100; ++i) disabledList.addItem(QString::number(i));
  disabledList.setEnabled(false);
  QWidget holder;
  auto* bar = new QScrollBar(Qt::Vertical, &holder);
  bar->setGeometry(0, 0, 16, 200);
  bar->setRange(0, 90);
  bar->setPageStep(10);
  bar->setValue(45);
  for (QWidget* w : {static_cast<QWidget*>(&text), static_cast<QWidget*>(&shortList),
                     static_cast<QWidget*>(&disabledList), &holder}) {
    w->resize(200, 200);
    w->show();
  }
  PumpEvents();
  const struct {
    QWidget* window;
    int object;
    unsigned state;
  } cases[] = {
      {&text, OBJID_VSCROLL, 0},
      {&text, OBJID_HSCROLL, STATE_SYSTEM_INVISIBLE},
      {&shortList, OBJID_VSCROLL, STATE_SYSTEM_INVISIBLE},
      {&disabledList, OBJID_VSCROLL, STATE_SYSTEM_UNAVAILABLE},
      {bar, OBJID_CLIENT, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.object);
    const int which = c.object == OBJID_HSCROLL ? SB_HORZ : c.object == OBJID_VSCROLL ? SB_VERT : SB_CTL;
    QScrollBar* b = GetScrollBar(c.window, which);
    ASSERT_NE(b, nullptr);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(c.window, which, &si));
    EXPECT_EQ(std::tuple(si.nMax - int(si.nPage) + 1, si.nPage, si.nPos),
              std::tuple(b->maximum(), unsigned(b->pageStep()), b->value()));
    SCROLLBARINFO info;
    ASSERT_TRUE(GetScrollBarInfo(c.window, c.object, &info));
    EXPECT_EQ(info.rgstate[0], c.state);
    if (c.state) continue;
    const QPoint corner = b->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(info.rcScrollBar, Bounds(corner.x(), corner.y(), b->width(), b->height()));
    EXPECT_TRUE(info.dxyLineButton > 0 && info.xyThumbTop >= info.dxyLineButton &&
                info.xyThumbBottom <= b->height() - info.dxyLineButton);
    EXPECT_EQ(info.xyThumbTop > info.dxyLineButton, b->value() > 0) << "the thumb moves with the position";
  }
  EXPECT_EQ(GetScrollBar(&holder, SB_VERT), nullptr);
  SCROLLINFO si;
  si.fMask = SIF_PAGE;
  si.nPage = 50;
  EXPECT_EQ(SetScrollInfo(bar, SB_CTL, si), 45);
  EXPECT_EQ(bar->maximum(), 50) << "a new page keeps nMax";
  si.fMask = SIF_RANGE | SIF_POS;
  si.nMin = 10, si.nMax = 20, si.nPos = 500;
  EXPECT_EQ(SetScrollInfo(bar, SB_CTL, si), 10) << "a page over the range leaves one position";
}

// A sent scroll message runs the bar's action, and the host's chain sees
// it once; a bar's own actions reach the host's chain, closed by
// SB_ENDSCROLL.
TEST(ScrollInfoTest, ScrollMessagesBothWays) {
  MessageLog log;
  QTextEdit text;
  text.setPlainText(Lines(200));
  text.resize(200, 200);
  text.show();
  PumpEvents();
  log.Add(&text, "T");
  QScrollBar* v = text.verticalScrollBar();
  const int page = v->pageStep();
  const struct {
    unsigned code;
    int pos;
    int expected;
  } cases[] = {{SB_PAGEDOWN, 0, page}, {SB_LINEDOWN, 0, page + v->singleStep()}, {SB_BOTTOM, 0, v->maximum()},
               {SB_PAGEUP, 0, v->maximum() - page}, {SB_THUMBPOSITION, 7, 7}, {SB_TOP, 0, 0}};
  for (const auto& c : cases) {
    SendMessage(&text, WM_VSCROLL, MAKEWPARAM(int(c.code), c.pos));
    EXPECT_EQ(v->value(), c.expected) << c.code;
    EXPECT_EQ(Codes(log, WM_VSCROLL), std::vector<unsigned>{c.code});
  }

  QWidget host;
  auto* bar = new QScrollBar(Qt::Vertical, &host);
  bar->setGeometry(0, 0, 16, 200);
  bar->setRange(0, 100);
  host.show();
  PumpEvents();
  log.Add(&host, "H");
  SCROLLBARINFO info;
  GetScrollBarInfo(bar, OBJID_CLIENT, &info);
  const QPoint thumb(8, (info.xyThumbTop + info.xyThumbBottom) / 2);
  QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
  QTest::mouseMove(bar, thumb + QPoint(0, 40));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(0, 40));
  EXPECT_GT(bar->value(), 0);
  std::vector<unsigned> codes = Codes(log, WM_VSCROLL);
  ASSERT_GE(codes.size(), 3u);
  EXPECT_EQ(std::tuple(codes.front(), codes.end()[-2], codes.back()),
            std::tuple(SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL));
  const QPoint arrow(8, 200 - info.dxyLineButton / 2);
  QTest::mousePress(bar, Qt::LeftButton, {}, arrow);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, arrow);
  EXPECT_EQ(Codes(log, WM_VSCROLL), (std::vector<unsigned>{SB_LINEDOWN, SB_ENDSCROLL}));
  SendMessage(&host, WM_VSCROLL, SB_TOP, LPARAM(PtrParam(bar)));
  EXPECT_EQ(bar->value(), 0);
}

// A scroll message's lParam names a bar only among the window's own bars
// and scroll-bar controls; a number that is none of them (a position,
// another window's bar) runs nothing.
TEST(ScrollInfoTest, LParamNamesOnlyTheWindowsOwnBars) {
  QTextEdit text;
  text.setPlainText(Lines(200));
  text.resize(200, 200);
  QWidget host, other;
  auto* control = new QScrollBar(Qt::Vertical, &host);
  auto* foreign = new QScrollBar(Qt::Vertical, &other);
  for (QWidget* w : {static_cast<QWidget*>(&text), &host, &other}) w->show();
  PumpEvents();
  QScrollBar* own = text.verticalScrollBar();
  const LPARAM position = 7;
  const struct {
    QWidget* window;
    LPARAM lParam;
    QScrollBar* moved;
  } cases[] = {
      {&text, 0, own},
      {&text, LPARAM(PtrParam(own)), own},
      {&text, position, nullptr},
      {&text, LPARAM(PtrParam(control)), nullptr},
      {&host, LPARAM(PtrParam(control)), control},
      {&host, LPARAM(PtrParam(foreign)), nullptr},
      {&host, position, nullptr},
      {control, 0, control},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    for (QScrollBar* b : {own, control, foreign}) {
      b->setRange(0, 100);
      b->setValue(0);
    }
    SendMessage(c.window, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), c.lParam);
    for (QScrollBar* b : {own, control, foreign}) EXPECT_EQ(b->value(), b == c.moved ? 7 : 0);
  }
}

TEST(ScrollInfoTest, ComboBoxInformation) {
  for (bool editable : {false, true}) {
    QComboBox combo;
    combo.setEditable(editable);
    combo.resize(150, 30);
    COMBOBOXINFO info;
    ASSERT_TRUE(GetComboBoxInfo(&combo, &info));
    EXPECT_EQ(std::pair(info.hwndItem, info.hwndList),
              std::pair(editable ? static_cast<QWidget*>(combo.lineEdit()) : &combo, combo.view()->window()));
    EXPECT_GE(info.rcButton.Left, info.rcItem.Right - 1) << "the button is right of the field";
  }
}
