#include "platform/AppWindow.h"
#include "platform/Capture.h"
#include "platform/Timers.h"

#include "MessageLog.h"
#include "platform/Icons.h"
#include "platform/UserPrompts.h"
#include "platform/WindowTable.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>

using namespace platform;

namespace {

size_t Count(const MessageLog& log, unsigned msg) {
  return size_t(std::count_if(log.entries.begin(), log.entries.end(), [msg](const LogEntry& e) { return e.msg == msg; }));
}

}  // namespace

// Each cause gives its message once: child controls coming and going,
// context menus, colours, fonts, icons, settings and the wheel.
TEST(ServicesTest, TranslationsOncePerCause) {
  MessageLog log;
  QWidget form;
  auto* other = new QWidget(&form);
  auto* child = new QPushButton(&form);
  form.show();
  PumpEvents();
  log.Add(&form, "form", WindowProcLevel::Control);  // sees what is performed too
  const QFont appFont = QApplication::font();
  const QPalette appPalette = QApplication::palette();
  const struct {
    const char* what;
    std::function<void()> act;
    std::vector<unsigned> once;
  } cases[] = {
      {"child made", [&] { new QLineEdit(&form); QCoreApplication::sendPostedEvents(); },
       {WM_PARENTNOTIFY, CM_CONTROLLISTCHANGE}},
      {"child moved away", [&] { child->setParent(other); }, {WM_PARENTNOTIFY, CM_CONTROLLISTCHANGE}},
      {"child deleted", [&] { delete other; }, {WM_PARENTNOTIFY, CM_CONTROLLISTCHANGE}},
      {"context menu", [&] {
         QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(3, 4), form.mapToGlobal(QPoint(3, 4)));
         QCoreApplication::sendEvent(&form, &e);
         EXPECT_EQ(log.seen.at(0).LParam, -1) << "from the keyboard: no point";
       }, {WM_CONTEXTMENU}},
      {"palette", [&] { QPalette p = form.palette(); p.setColor(QPalette::Window, Qt::cyan); form.setPalette(p); },
       {CM_COLORCHANGED}},
      {"font", [&] { form.setFont(QFont("DejaVu Sans", 15)); }, {CM_FONTCHANGED}},
      {"program font", [&] { QApplication::setFont(QFont("DejaVu Sans", 11)); PumpEvents(); }, {WM_FONTCHANGE}},
      {"system colours", [&] { QApplication::setPalette(QPalette(Qt::darkGray)); PumpEvents(); }, {WM_SYSCOLORCHANGE}},
      {"theme", [&] { QEvent e(QEvent::ThemeChange); QCoreApplication::sendEvent(&form, &e); }, {WM_SETTINGCHANGE}},
      {"icon", [&] { QPixmap p(16, 16); p.fill(Qt::red); form.setWindowIcon(QIcon(p)); }, {WM_SETICON}},
      {"wheel", [&] {
         QWheelEvent e(QPointF(5, 5), form.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
         QCoreApplication::sendEvent(&form, &e);
       }, {WM_MOUSEWHEEL, CM_MOUSEWHEEL}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    log.Take();
    c.act();
    for (unsigned msg : c.once) EXPECT_EQ(Count(log, msg), 1u) << msg;
  }
  QApplication::setFont(appFont);
  QApplication::setPalette(appPalette);
}

// The holder hears WM_CAPTURECHANGED once whichever way it loses the
// capture, and no longer holds it.
TEST(ServicesTest, CaptureLostOncePerCause) {
  MessageLog log;
  QWidget form, elsewhere;
  auto* taker = new QWidget(&form);
  QMenu popup;
  popup.addAction("x");
  form.show();
  elsewhere.show();
  QPointer<QWidget> holder;
  const struct {
    const char* what;
    std::function<void()> act;
    bool takerHolds;
  } cases[] = {
      {"released", [] { ReleaseCapture(); }, false},
      {"taken", [&] { SetCapture(taker); }, true},
      {"deactivated", [&] { QApplication::setActiveWindow(&elsewhere); }, false},
      {"hidden", [&] { holder->hide(); }, false},
      {"destroyed", [&] { delete holder; }, false},
      {"popup", [&] { popup.popup(QPoint(0, 0)); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    holder = new QWidget(&form);
    holder->show();
    QApplication::setActiveWindow(&form);
    log.Add(holder, "holder");
    EXPECT_EQ(SetCapture(holder), nullptr);
    EXPECT_EQ(GetCapture(), holder.data());
    log.Take();
    c.act();
    EXPECT_EQ(log.Messages({WM_CAPTURECHANGED}), std::vector<unsigned>{WM_CAPTURECHANGED});
    if (holder) {
      EXPECT_NE(GetCapture(), holder.data());
    }
    EXPECT_EQ(GetCapture() == taker, c.takerHolds);
    popup.hide();
    ReleaseCapture();
    delete holder;
  }
}

// WM_TIMER through the chain for each id; the same id restarts; nothing
// after a kill, also when both were due at once, nor after the window's
// deletion.
TEST(ServicesTest, TimersThroughTheChain) {
  MessageLog log;
  auto* window = new QWidget;
  std::vector<WPARAM> ticks;
  InstallWindowProc(window, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_TIMER) ticks.push_back(m.WParam);
    previous(m);
  });
  log.Add(window, "W");
  EXPECT_EQ(SetTimer(window, 7, 0), 7u);
  EXPECT_EQ(SetTimer(window, 65522, 0), 65522u);
  PumpEvents();
  ASSERT_EQ(ticks, (std::vector<WPARAM>{7, 65522}));
  EXPECT_EQ(Count(log, WM_TIMER), 2u) << "through the whole chain";
  SetTimer(window, 7, 3600000);  // restarted: not due for an hour
  ticks.clear();
  PumpEvents();
  EXPECT_EQ(ticks, std::vector<WPARAM>{65522});

  SetTimer(window, 7, 0);
  WindowProcHandle killer = InstallWindowProc(window, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_TIMER && m.WParam == 7) KillTimer(window, 65522);
    previous(m);
  });
  ticks.clear();
  PumpEvents();
  PumpEvents();
  const auto kill = std::find(ticks.begin(), ticks.end(), 7u);
  ASSERT_NE(kill, ticks.end());
  EXPECT_EQ(std::count(kill, ticks.end(), 65522u), 0) << "none after the kill";
  EXPECT_FALSE(KillTimer(window, 65522));
  RemoveWindowProc(killer);

  SetTimer(window, 8, 0);
  int lastTicks = 0;
  InstallWindowProc(window, [&](Message& m, const CallPrevious&) {
    if (m.Msg != WM_TIMER) return;
    ++lastTicks;
    delete window;  // with 7 and 8 due
  });
  PumpEvents();
  PumpEvents();
  EXPECT_EQ(lastTicks, 1);
}

// An exception out of a handler stops at Qt's dispatch: the event still
// reaches the widget once, and the user is told later.
TEST(ServicesTest, ThrowingHandler) {
  RecordingPrompts prompts;
  ScopedPrompts scope(prompts);
  QLineEdit edit;
  bool after = false;
  int keys = 0;
  InstallWindowProc(&edit, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg != WM_KEYDOWN) return previous(m);
    if (after) previous(m);
    if (++keys == 3) throw std::bad_alloc();
    throw std::runtime_error("按键失败");
  });
  for (bool passOnFirst : {false, true, true}) {
    after = passOnFirst;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(&edit, &key);
  }
  EXPECT_EQ(edit.text(), "aaa") << "one key each";
  EXPECT_TRUE(prompts.Calls.empty()) << "reported from the event loop";
  QCoreApplication::sendPostedEvents();
  ASSERT_EQ(prompts.Calls.size(), 3u);
  EXPECT_EQ(std::pair(prompts.Calls[0].Text, prompts.Calls[0].Flags),
            std::pair(QString("按键失败"), MB_OK | MB_ICONERROR));
  EXPECT_EQ(prompts.Calls[2].Text, "内存不足") << "the library's text is not the user's";
}

// The application's window: hidden, its class, CM_ACTIVATE and
// CM_DEACTIVATE with the program's state, posted messages, its icon.
TEST(ServicesTest, ApplicationWindow) {
  MessageLog log;
  QWidget* app = ApplicationWindow();
  ASSERT_NE(app, nullptr);
  EXPECT_TRUE(ApplicationWindow() == app && !app->isVisible() && GetClassName(app) == "TApplication");
  WindowProcHandle h = log.Add(app, "app");
  // The desktop's changes of the program's state (offscreen has none).
  emit qApp->applicationStateChanged(Qt::ApplicationActive);
  log.Take();
  for (Qt::ApplicationState state : {Qt::ApplicationInactive, Qt::ApplicationActive, Qt::ApplicationActive})
    emit qApp->applicationStateChanged(state);
  EXPECT_EQ(log.Messages({CM_ACTIVATE, CM_DEACTIVATE}), (std::vector<unsigned>{CM_DEACTIVATE, CM_ACTIVATE}));
  PostMessage(app, WM_USER + 5);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(log.Messages({WM_USER + 5}), std::vector<unsigned>{WM_USER + 5});
  QPixmap red(32, 32);
  red.fill(Qt::red);
  QApplication::setWindowIcon(QIcon(red));
  const auto* icon = ParamPtr<const Icon>(std::uintptr_t(SendMessage(app, WM_GETICON, ICON_SMALL)));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(std::pair(icon->Width(), icon->Color().GetPixel(3, 3)), std::pair(GetSystemMetrics(SM_CXSMICON), clRed));
  EXPECT_EQ(SendMessage(app, WM_GETICON, ICON_SMALL), LRESULT(PtrParam(icon))) << "one handle for one icon";
  red.fill(Qt::blue);
  QApplication::setWindowIcon(QIcon(red));
  icon = ParamPtr<const Icon>(std::uintptr_t(SendMessage(app, WM_GETICON, ICON_SMALL)));
  EXPECT_EQ(icon->Color().GetPixel(3, 3), clBlue);
  QApplication::setWindowIcon(QIcon());
  RemoveWindowProc(h);
}

// The program counts as minimized while it shows windows and all of them
// are minimized.
TEST(ServicesTest, ApplicationMinimized) {
  EXPECT_FALSE(IsApplicationMinimized()) << "nothing shown";
  QWidget first, second;
  first.show();
  second.show();
  EXPECT_FALSE(IsApplicationMinimized());
  first.showMinimized();
  EXPECT_FALSE(IsApplicationMinimized()) << "one window still shown";
  MinimizeApplication();
  EXPECT_TRUE(first.isMinimized() && second.isMinimized());
  EXPECT_TRUE(IsApplicationMinimized());
  second.showNormal();
  EXPECT_FALSE(IsApplicationMinimized());
  second.hide();
  EXPECT_TRUE(IsApplicationMinimized()) << "a hidden window does not count";
}
