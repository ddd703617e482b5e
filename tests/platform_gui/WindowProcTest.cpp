#include "platform/WindowProc.h"

#include "MessageLog.h"
#include "platform/Canvas.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using Entries = std::vector<LogEntry>;

namespace {

// A widget that notes what reaches its own handling as "D" and answers
// messages with 42.
class Probe : public QWidget {
 public:
  explicit Probe(MessageLog* log, QWidget* parent = nullptr) : QWidget(parent), log_(log) {}
  QPoint lastPress{-1, -1};

 protected:
  bool event(QEvent* e) override {
    if (MessageEvent* m = AsMessageEvent(e)) {
      log_->entries.push_back({"D", m->Msg().Msg});
      m->Msg().Result = 42;
      return true;
    }
    return QWidget::event(e);
  }
  void mousePressEvent(QMouseEvent* e) override {
    log_->entries.push_back({"D", WM_LBUTTONDOWN});
    lastPress = e->position().toPoint();
  }
  void paintEvent(QPaintEvent*) override {
    log_->entries.push_back({"D", WM_PAINT});
    QPainter(this).fillRect(rect(), Qt::red);
  }

 private:
  MessageLog* log_;
};

class WindowProcTest : public ::testing::Test {
 protected:
  void SetUp() override { StartMessageLayer(); }
  MessageLog log;
};

constexpr unsigned kPrivate = 1127;

void Send(QWidget* w, QEvent&& e) { QCoreApplication::sendEvent(w, &e); }

QMouseEvent Press(QPointF at, Qt::MouseButton button = Qt::LeftButton) {
  return {QEvent::MouseButtonPress, at, at, button, button, {}};
}

}  // namespace

// Handlers W1, W2 (window level) and C1, C2 (control level) installed as
// C1, W1, C2, W2; the middle one, W1, does what the case says (the last
// one also removes C2, the handler after it, from inside its call).
TEST_F(WindowProcTest, ChainOrderAcrossLevelsAndRemoval) {
  enum Middle { PassesOn, RemovedBefore, RemovesItself, RemovedByOuter, CallsTwice, RemovesItselfAndNext };
  const std::vector<std::string> all{"W2", "W1", "C2", "C1", "D"}, noW1{"W2", "C2", "C1", "D"};
  const struct {
    Middle middle;
    std::vector<std::string> first, second;
  } cases[] = {
      {PassesOn, all, all},
      {RemovedBefore, noW1, noW1},
      {RemovesItself, all, noW1},
      {RemovedByOuter, noW1, noW1},
      {CallsTwice, {"W2", "W1", "C2", "C1", "D", "C2", "C1", "D"}, {"W2", "W1", "C2", "C1", "D", "C2", "C1", "D"}},
      {RemovesItselfAndNext, {"W2", "W1", "C1", "D"}, {"W2", "C1", "D"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.middle));
    WindowProcHandle w1, c2;  // outlive the window: its last messages reach the handlers
    Probe w(&log);
    log.Add(&w, "C1", WindowProcLevel::Control);
    w1 = InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
      log.entries.push_back({"W1", m.Msg});
      const bool removesItself = c.middle == RemovesItself || c.middle == RemovesItselfAndNext;
      EXPECT_TRUE(!removesItself || RemoveWindowProc(w1));
      if (c.middle == RemovesItselfAndNext) RemoveWindowProc(c2);
      previous(m);
      if (c.middle == CallsTwice) previous(m);
    });
    c2 = log.Add(&w, "C2", WindowProcLevel::Control);
    InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
      log.entries.push_back({"W2", m.Msg});
      if (c.middle == RemovedByOuter) RemoveWindowProc(w1);
      previous(m);
    });
    if (c.middle == RemovedBefore) RemoveWindowProc(w1);
    log.Take();  // the last case's window going
    EXPECT_EQ(SendMessage(&w, kPrivate), 42);
    EXPECT_EQ(log.Names(), c.first);
    SendMessage(&w, kPrivate);
    EXPECT_EQ(log.Names(), c.second);
    EXPECT_EQ(Perform(&w, kPrivate), 42);
    EXPECT_EQ(log.Names().front(), c.middle == RemovesItselfAndNext ? "C1" : "C2");
    EXPECT_EQ(w1.Installed(), c.middle == PassesOn || c.middle == CallsTwice);
  }
  QWidget plain;  // nobody answers: 0
  log.Take();
  log.Add(&plain, "A");
  EXPECT_EQ(std::tuple(SendMessage(nullptr, kPrivate), SendMessage(&plain, WM_USER + 1, 5, 6),
                       Perform(&plain, WM_USER + 2)),
            std::tuple(0, 0, 0));
  InstallWindowProc(&plain, [](Message& m, const CallPrevious&) { m.Result = 7; });
  EXPECT_EQ(SendMessage(&plain, kPrivate), 7);
  EXPECT_EQ(log.Messages(), std::vector<unsigned>{WM_USER + 1})
      << "sent through the chain, performed past it; the answering handler did not pass the message on";
}

// A handler deletes its widget (a page closed from its own tab), on a Qt
// event and on a sent message: the rest of the chain and the default
// procedure do not run, and nothing touches the widget afterwards (ASan
// watches).
TEST_F(WindowProcTest, WidgetDeletedInItsOwnHandler) {
  for (bool sent : {false, true}) {
    auto* w = new Probe(&log);
    log.Add(w, "C");
    InstallWindowProc(w, [&](Message& m, const CallPrevious& previous) {
      log.entries.push_back({"B", m.Msg});
      if (m.Msg == WM_LBUTTONDOWN) delete w;
      previous(m);
    });
    log.Add(w, "A");
    QMouseEvent press = Press({2, 2});
    if (!sent) QCoreApplication::sendEvent(w, &press);
    EXPECT_TRUE(sent ? SendMessage(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)) == 0 : press.isAccepted());
    EXPECT_EQ(log.Take(), (Entries{{"A", WM_LBUTTONDOWN}, {"B", WM_LBUTTONDOWN}, {"A", WM_DESTROY}, {"B", WM_DESTROY},
                                   {"C", WM_DESTROY}, {"A", WM_NCDESTROY}, {"B", WM_NCDESTROY}, {"C", WM_NCDESTROY}}));
  }
}

// The background message comes first, both with the paint event's canvas;
// a handler paints after the widget's own painting.
TEST_F(WindowProcTest, EraseBackgroundBeforePaint) {
  Probe w(&log);
  w.resize(20, 20);
  w.setContentsMargins(2, 2, 2, 2);  // no frame of its own: no WM_NCPAINT
  Canvas* erasing = nullptr;
  InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
    log.entries.push_back({"A", m.Msg});
    if (m.Msg == WM_ERASEBKGND) erasing = ParamPtr<Canvas>(m.WParam);
    previous(m);
    if (m.Msg != WM_PAINT) return;
    Canvas* canvas = BeginPaint(&w);
    EXPECT_EQ(canvas, erasing);
    canvas->Brush.Color = clBlue;
    canvas->FillRect(Rect(0, 0, 5, 5));
    EndPaint(&w);
  });
  const QImage image = w.grab().toImage();
  EXPECT_EQ(log.Take({WM_ERASEBKGND, WM_PAINT, WM_NCPAINT}),
            (Entries{{"A", WM_ERASEBKGND}, {"A", WM_PAINT}, {"D", WM_PAINT}}));
  EXPECT_EQ(BeginPaint(&w), nullptr) << "outside a paint event";
  EXPECT_EQ(std::pair(image.pixelColor(2, 2), image.pixelColor(10, 10)), std::pair(QColor(Qt::blue), QColor(Qt::red)));
}

// Mouse events in the order of a double click and a drag out of the
// widget, in client coordinates (the widget's contents start at 2, 2).
TEST_F(WindowProcTest, MouseEventsBecomeMessages) {
  const struct {
    QEvent::Type type;
    Qt::MouseButton button;
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    QPoint at;
    unsigned msg;
    WPARAM keys;
    int x, y;
  } cases[] = {
      {QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {}, {5, 6}, WM_LBUTTONDOWN, MK_LBUTTON, 3, 4},
      {QEvent::MouseButtonRelease, Qt::LeftButton, {}, {}, {5, 6}, WM_LBUTTONUP, 0, 3, 4},
      {QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, {}, {5, 6}, WM_LBUTTONDBLCLK, MK_LBUTTON, 3, 4},
      {QEvent::MouseButtonRelease, Qt::LeftButton, {}, {}, {5, 6}, WM_LBUTTONUP, 0, 3, 4},
      {QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, Qt::ShiftModifier, {2, 2}, WM_RBUTTONDOWN,
       MK_RBUTTON | MK_SHIFT, 0, 0},
      {QEvent::MouseMove, Qt::NoButton, Qt::RightButton, Qt::ControlModifier, {-3, -5}, WM_MOUSEMOVE,
       MK_RBUTTON | MK_CONTROL, -5, -7},
      {QEvent::MouseButtonRelease, Qt::RightButton, {}, {}, {-3, -5}, WM_RBUTTONUP, 0, -5, -7},
      // Qt gives a widget that does not track the mouse no plain moves.
      {QEvent::MouseMove, Qt::NoButton, {}, {}, {12, 2}, WM_MOUSEMOVE, 0, 10, 0},
      {QEvent::MouseButtonPress, Qt::XButton2, Qt::XButton2, {}, {2, 3}, WM_XBUTTONDOWN, MK_XBUTTON2 | XBUTTON2 << 16,
       0, 1},
  };
  Probe w(&log);
  w.setContentsMargins(2, 2, 2, 2);
  w.resize(40, 40);
  log.Add(&w, "A");
  auto only = [&] {  // the one message the log saw, as (msg, wParam, x, y)
    EXPECT_EQ(log.seen.size(), 1u);
    const Message m = log.seen.empty() ? Message{} : log.seen[0];
    log.Take();
    return std::tuple(m.Msg, m.WParam, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
  };
  for (const auto& c : cases) {
    Send(&w, QMouseEvent(c.type, c.at, w.mapToGlobal(c.at), c.button, c.buttons, c.modifiers));
    EXPECT_EQ(only(), std::tuple(c.msg, c.keys, c.x, c.y));
  }
  QWidget plain;  // Qt's plain moves to a widget without chain pass by
  Send(&plain, QMouseEvent(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, {}, {}));
  Send(&w, QWheelEvent(QPointF(3, 3), QPointF(-30, 40), {}, QPoint(0, -120), {}, {}, Qt::NoScrollPhase, false));
  EXPECT_EQ(only(), std::tuple(WM_MOUSEWHEEL, WPARAM(std::uint16_t(-120)) << 16, -30, 40));
  // A press the child leaves alone still goes on to its parent; a sent
  // button message reaches the widget as a press, through the chain once.
  QWidget child(&w);
  log.Add(&child, "C");
  Send(&child, Press({1, 1}));
  EXPECT_EQ(log.Names(), (std::vector<std::string>{"C", "A", "D"}));
  SendMessage(&w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-1, 7));
  EXPECT_EQ(log.Take(), (Entries{{"A", WM_LBUTTONDOWN}, {"D", WM_LBUTTONDOWN}}));
  EXPECT_EQ(w.lastPress, QPoint(1, 9));
}

// One WM_MOUSELEAVE per request: E enter, L leave, T request, C withdraw,
// P run posted events.
TEST_F(WindowProcTest, OneMouseLeavePerRequest) {
  EXPECT_FALSE(TrackMouseEvent(nullptr));
  for (auto [steps, leaves] :
       {std::pair{"ETL", 1u}, {"EL", 0u}, {"ETTLEL", 1u}, {"ETCL", 0u}, {"TP", 1u}, {"TPELP", 1u}}) {
    QWidget w;  // the same place each time: the last case's chain must be gone
    WindowProcHandle handle = log.Add(&w, "A");
    for (const char* s = steps; *s; ++s) {
      if (*s == 'E' || *s == 'L') Send(&w, QEvent(*s == 'E' ? QEvent::Enter : QEvent::Leave));
      if (*s == 'T' || *s == 'C') TrackMouseEvent(&w, *s == 'T' ? TME_LEAVE : TME_LEAVE | TME_CANCEL);
      if (*s == 'P') QCoreApplication::sendPostedEvents();
    }
    EXPECT_EQ(log.Take({WM_MOUSELEAVE}).size(), leaves) << steps;
    RemoveWindowProc(handle);
  }
}

// Alt and F10 make system keys; Alt plus a character nobody takes goes
// to the window as CM_DIALOGCHAR; sent keys reach a widget as the keys
// they stand for.
TEST_F(WindowProcTest, KeysBecomeMessages) {
  const struct {
    QEvent::Type type;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
    std::vector<unsigned> msgs;
    WPARAM vk;
    bool alt, up;
  } cases[] = {
      {QEvent::KeyPress, Qt::Key_X, Qt::AltModifier, "x", {WM_SYSKEYDOWN, CM_DIALOGCHAR}, 'X', true, false},
      {QEvent::KeyPress, Qt::Key_F10, {}, "", {WM_SYSKEYDOWN}, VK_F10, false, false},
      {QEvent::KeyPress, Qt::Key_Down, {}, "", {WM_KEYDOWN}, VK_DOWN, false, false},
      {QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A", {WM_KEYUP}, 'A', false, true},
  };
  QWidget window;
  log.Add(&window, "A");
  for (const auto& c : cases) {
    Send(&window, QKeyEvent(c.type, c.key, c.modifiers, c.text));
    const std::vector<Message> seen = log.seen;
    ASSERT_EQ(log.Messages(), c.msgs) << c.key;
    EXPECT_EQ(std::tuple(seen[0].WParam, (seen[0].LParam >> 29) & 1, (seen[0].LParam >> 31) & 1),
              std::tuple(c.vk, LPARAM(c.alt), LPARAM(c.up))) << c.key;
    EXPECT_EQ(seen.back().WParam, c.msgs.size() > 1 ? WPARAM('x') : c.vk);
  }
  QLineEdit edit;
  for (WPARAM key : {WPARAM('A'), WPARAM('B'), WPARAM(VK_BACK)}) SendMessage(&edit, WM_KEYDOWN, key);
  EXPECT_EQ(edit.text(), "a");
  const QString text = "set";
  EXPECT_TRUE(SendMessage(&edit, WM_SETTEXT, 0, LPARAM(PtrParam(&text))) == 1 && edit.text() == text);
}

// Qt's state changes of a window, in order; a handler that does not pass
// WM_CLOSE on keeps the window open.
TEST_F(WindowProcTest, WindowStateBecomesMessages) {
  QWidget window;
  window.setFocusPolicy(Qt::StrongFocus);
  bool keepOpen = true;
  InstallWindowProc(&window, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg != WM_CLOSE || !keepOpen) previous(m);
  });
  log.Add(&window, "A");
  const struct {
    std::function<void()> act;
    std::vector<unsigned> msgs;
    bool visible;
  } cases[] = {
      {[&] { window.show(); }, {WM_SHOWWINDOW, CM_SHOWINGCHANGED, CM_VISIBLECHANGED}, true},
      {[&] { window.setEnabled(false); }, {WM_ENABLE, CM_ENABLEDCHANGED}, true},
      {[&] { window.setWindowTitle("t"); }, {WM_SETTEXT, CM_TEXTCHANGED}, true},
      {[&] { window.resize(50, 40); }, {WM_SIZE}, true},
      {[&] { QApplication::setActiveWindow(&window); }, {WM_NCACTIVATE, WM_ACTIVATE, CM_ACTIVATE}, true},
      {[&] { window.setEnabled(true), window.setFocus(); }, {WM_SETFOCUS}, true},
      {[&] { window.clearFocus(); }, {WM_KILLFOCUS}, true},
      {[&] { window.close(); }, {WM_CLOSE}, true},
      {[&] { keepOpen = false, SendMessage(&window, WM_CLOSE); }, {WM_CLOSE, WM_SHOWWINDOW}, false},
  };
  for (const auto& c : cases) {
    log.Take();
    c.act();
    for (const Message& m : log.seen) EXPECT_TRUE(m.Msg != WM_SHOWWINDOW || m.WParam == WPARAM(c.visible));
    EXPECT_EQ(log.Messages({c.msgs.begin(), c.msgs.end()}), c.msgs);
    EXPECT_EQ(window.isVisible(), c.visible) << c.msgs[0];
  }
  // WM_MOVE: where the client area is, on the screen for a window, in its
  // parent's client area for a control.
  QWidget form;
  QWidget control(&form);
  form.setContentsMargins(3, 4, 0, 0);
  control.setContentsMargins(1, 2, 0, 0);
  form.show();
  log.Add(&form, "F");
  log.Add(&control, "C");
  control.move(10, 20);
  form.move(50, 60);
  std::vector<std::pair<std::string, LPARAM>> moves;
  for (size_t i = 0; i < log.seen.size(); ++i)
    if (log.seen[i].Msg == WM_MOVE) moves.emplace_back(log.entries[i].who, log.seen[i].LParam);
  const QPoint client = form.mapToGlobal(QPoint(3, 4));
  EXPECT_EQ(moves, (std::vector<std::pair<std::string, LPARAM>>{{"C", MAKELPARAM(8, 18)},
                                                                 {"F", MAKELPARAM(client.x(), client.y())}}));
  // Children end before their parent.
  auto* parent = new QWidget;
  auto* child = new QWidget(parent);
  log.Add(parent, "parent");
  log.Add(child, "child");
  log.Add(new QWidget(child), "grandchild");
  delete parent;
  EXPECT_EQ(log.Take({WM_DESTROY, WM_NCDESTROY}),
            (Entries{{"grandchild", WM_DESTROY}, {"grandchild", WM_NCDESTROY}, {"child", WM_DESTROY},
                     {"child", WM_NCDESTROY}, {"parent", WM_DESTROY}, {"parent", WM_NCDESTROY}}));
}

// Posted messages arrive in order, private ones as their own event type
// and others through the carrier, with or without chain; a window
// destroyed before delivery gets nothing.
TEST_F(WindowProcTest, PostedMessagesInOrderAndDropped) {
  Probe chained(&log), plain(&log);
  auto* doomed = new Probe(&log);
  log.Add(&chained, "A");
  log.Add(doomed, "X");
  for (QWidget* w : std::vector<QWidget*>{&chained, &plain, doomed})
    for (unsigned msg : {kPrivate, WM_USER + 1, 1128u}) EXPECT_TRUE(PostMessage(w, msg));
  QCoreApplication::postEvent(&chained, new QEvent(QEvent::Type(1128)));  // a plain event of that type
  delete doomed;
  log.Take();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(log.Take(), (Entries{{"A", kPrivate}, {"D", kPrivate}, {"A", WM_USER + 1}, {"D", WM_USER + 1}, {"A", 1128},
                                 {"D", 1128}, {"D", kPrivate}, {"D", WM_USER + 1}, {"D", 1128}, {"A", 1128}}));
  EXPECT_FALSE(PostMessage(nullptr, kPrivate));
  // A standard message keeps its meaning when posted, also to a widget
  // whose chain has no handlers left.
  QWidget window;
  WindowProcHandle handle = log.Add(&window, "W");
  RemoveWindowProc(handle);
  window.show();
  PostMessage(&window, WM_CLOSE);
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(window.isVisible());
}

// A posted WM_PAINT repaints the widget; sent double clicks reach the
// widget as Qt's double clicks of their button.
TEST_F(WindowProcTest, PostedPaintAndSentDoubleClicks) {
  Probe w(&log);
  log.Add(&w, "A");
  w.resize(40, 40);
  w.show();
  QCoreApplication::processEvents();
  log.Take();
  EXPECT_TRUE(PostMessage(&w, WM_PAINT));
  QCoreApplication::processEvents();  // the message asks for a paint
  QCoreApplication::processEvents();  // which comes now
  EXPECT_EQ(log.Take({WM_PAINT}), (Entries{{"A", WM_PAINT}, {"D", WM_PAINT}}));

  struct Clicks : QWidget {
    std::vector<std::pair<QEvent::Type, Qt::MouseButton>> seen;
    void mouseDoubleClickEvent(QMouseEvent* e) override { seen.emplace_back(e->type(), e->button()); }
    void mousePressEvent(QMouseEvent* e) override { seen.emplace_back(e->type(), e->button()); }
    void mouseMoveEvent(QMouseEvent* e) override { seen.emplace_back(e->type(), e->button()); }
  } clicks;
  const struct {
    unsigned msg;
    WPARAM keys;
    Qt::MouseButton button;
  } cases[] = {{WM_LBUTTONDBLCLK, MK_LBUTTON, Qt::LeftButton},
               {WM_RBUTTONDBLCLK, MK_RBUTTON, Qt::RightButton},
               {WM_MBUTTONDBLCLK, MK_MBUTTON, Qt::MiddleButton}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.msg);
    clicks.seen.clear();
    SendMessage(&clicks, c.msg, c.keys, MAKELPARAM(3, 4));
    EXPECT_EQ(clicks.seen, (std::vector<std::pair<QEvent::Type, Qt::MouseButton>>{
                               {QEvent::MouseButtonDblClick, c.button}}));
  }
}

TEST_F(WindowProcTest, PrivateNumbersAreReservedEventTypes) {
  for (unsigned n : {1127u, 1128u, 13313u, 13570u, 13603u, 0x8FFFu, CM_MOUSELEAVE, CN_NOTIFY}) {
    EXPECT_NE(QEvent::registerEventType(int(n)), int(n)) << n;
    EXPECT_EQ(MessageEventType(n), QEvent::Type(n));
  }
  EXPECT_GE(MessageEventType(WM_CLOSE), QEvent::User);
  const unsigned a = RegisterWindowMessage("ControlOfs00400000");
  EXPECT_TRUE(a >= kFirstRegisteredMessage && MessageEventType(a) == QEvent::Type(a));
  EXPECT_EQ(RegisterWindowMessage("controlofs00400000"), a);
  EXPECT_NE(RegisterWindowMessage("SM_ALPHACMD"), a);
  const int taken = QEvent::registerEventType();
  try {
    ReserveMessageNumbers(unsigned(taken), unsigned(taken));
    ADD_FAILURE() << "a number other code holds was reserved";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(std::to_string(taken)), std::string::npos) << e.what();
  }
}
