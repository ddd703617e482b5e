// The skin's frame on a real X server (run under xvfb-run, twice: without a
// window manager, and with --window-manager under openbox): the skin
// switched off and on while a modal dialog runs, the windows that are no
// forms (popups, tool tips, a frameless tool window), the maximized window
// beside a panel, a window manager that starts after the program. Input
// goes through the X server (xdotool), as a user's does.
#include "ProgramSkinStart.h"

#include "platform/NonClient.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinManage.h"

#include "support/FirstPaint.h"
#include "support/WindowManager.h"
#include "support/XInput.h"
#include "support/XServer.h"

#include <QAbstractItemView>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <functional>
#include <utility>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

using namespace platform;
using namespace skinning;
using testsupport::NativeRect;
using testsupport::XReply;

namespace {

bool withWindowManager = false;
testsupport::WindowManager windowManager;

constexpr int kWait = 10000;  // ms: ample on a loaded machine; a met condition returns at once

void Xdotool(const QString& arguments) {
  const int rc = std::system(("xdotool " + arguments).toLocal8Bit().constData());
  EXPECT_EQ(rc, 0) << "xdotool " << arguments.toStdString();
}

QRect WindowRect(const QWidget* w) {
  const TRect r = GetWindowRect(w);
  return {r.Left, r.Top, r.Width(), r.Height()};
}

std::string QRectString(const QRect& r) {
  return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// A click through the X server at a point of a widget (its centre by
// default), once the X server has the widget's window where Qt has it: a
// window manager answers a new frame or place in its own time (late on a
// busy machine), and a click sent before its answer lands where the window
// is not. xdotool's --sync waits for the pointer to leave its place, 15 s
// long when it is there already.
void ClickOn(QWidget* w, std::optional<QPoint> at = std::nullopt) {
  const QWidget* window = w->window();
  EXPECT_TRUE(QTest::qWaitFor([&] { return NativeRect(window) == window->geometry(); }, kWait))
      << "the X server has the window at " << QRectString(NativeRect(window)) << ", Qt at "
      << QRectString(window->geometry());
  const QPoint p = w->mapToGlobal(at.value_or(w->rect().center()));
  Xdotool(QCursor::pos() == p ? QStringLiteral("click 1")
                              : QStringLiteral("mousemove --sync %1 %2 click 1").arg(p.x()).arg(p.y()));
}

TSkinFormFrame* FrameOf(QWidget* w) {
  auto* form = SkinManage() ? dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(w)) : nullptr;
  TSkinFormFrame* frame = form ? form->Frame() : nullptr;
  return frame && frame->Phase() == TSkinFormFrame::kActive && HasNonClientFrame(w) ? frame : nullptr;
}

bool Ready(QWidget* w) { return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed(); }

// The root window's _NET_WORKAREA, as a panel's window manager would set
// it; none given, the property goes.
void SetWorkArea(std::optional<QRect> area) {
  xcb_connection_t* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const char name[] = "_NET_WORKAREA";
  XReply<xcb_intern_atom_reply_t> atom(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr), &std::free);
  ASSERT_TRUE(atom);
  if (area) {
    const uint32_t value[] = {uint32_t(area->x()), uint32_t(area->y()), uint32_t(area->width()),
                              uint32_t(area->height())};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_CARDINAL, 32, 4, value);
  } else {
    xcb_delete_property(c, screen->root, atom->atom);
  }
  xcb_flush(c);
}

// The rectangle a top-level window had in the last move or resize Qt
// delivered: what Qt has taken in of the window system's answers.
class Delivered final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Move || e->type() == QEvent::Resize) rect = static_cast<QWindow*>(watched)->geometry();
    return false;
  }
  QRect rect;
};

// The program's skin on a main window, as the program has it: one skin
// component of the main form, switched on once the window shows.
class XFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main_ = std::make_unique<QWidget>();
    main_->setWindowTitle(QStringLiteral("Main"));
    auto* layout = new QVBoxLayout(main_.get());
    button_ = new QPushButton(QStringLiteral("Press"), main_.get());
    combo_ = new QComboBox(main_.get());
    combo_->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    layout->addWidget(button_);
    layout->addWidget(combo_);
    layout->addStretch();
    QObject::connect(button_, &QPushButton::clicked, [this] { ++presses_; });
    skin_ = new TSkinData(main_.get());
    ASSERT_TRUE(testskins::LoadProgramSkin(*skin_));
    skin_->SkinFormtype = sfMainform;
    skin_->Loaded();
  }
  void TearDown() override {
    main_.reset();
    FreeSkinManage();
  }

  void ShowSkinnedMaximized() {
    ShowWindow(main_.get(), SW_SHOWMAXIMIZED);
    main_->windowHandle()->installEventFilter(&delivered_);
    // Without a window manager only the program activates its windows.
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ready(main_.get()) && main_->isActiveWindow(); }, kWait));
    skin_->SetActive(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return FrameOf(main_.get()) != nullptr; }, kWait)) << "the main window is not skinned";
    ASSERT_TRUE(QTest::qWaitFor([&] { return Fills(); }, kWait)) << Describe();
  }
  bool Fills() const {
    return WindowRect(main_.get()) == main_->screen()->availableGeometry() && main_->isMaximized();
  }
  std::string Describe() const {
    const QRect r = WindowRect(main_.get()), area = main_->screen()->availableGeometry(), x = NativeRect(main_.get());
    const QRect d = delivered_.rect;
    return QStringLiteral("the window at %1,%2 %3x%4 (the X server: %10,%11 %12x%13; Qt's last delivered: %14,%15 %16x%17), the area %5,%6 %7x%8, maximized %9")
        .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
        .arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height())
        .arg(main_->isMaximized())
        .arg(x.x()).arg(x.y()).arg(x.width()).arg(x.height())
        .arg(d.x()).arg(d.y()).arg(d.width()).arg(d.height())
        .toStdString();
  }
  // Qt and the X server agree on the main window's rectangle, and Qt has
  // taken in the window system's answer (a request Qt made shows in the
  // widget's rectangle at once).
  bool Agree() const {
    const QRect x = NativeRect(main_.get());
    return x == main_->geometry() && x == delivered_.rect;
  }
  // The skin's restore gives the main window back its own rectangle and
  // its maximize the available area again; Qt and the X server agree on
  // it each time (of as many rounds), and a click on its button reaches it.
  void ExpectRestoreAndMaximize(const QRect& normal, int rounds = 1) {
    for (int round = 1; round <= rounds; ++round) {
      SendMessage(main_.get(), WM_SYSCOMMAND, SC_RESTORE);
      ASSERT_TRUE(QTest::qWaitFor([&] { return !main_->isMaximized() && WindowRect(main_.get()) == normal && Agree(); }, kWait))
          << "restored (" << round << "): " << Describe();
      SendMessage(main_.get(), WM_SYSCOMMAND, SC_MAXIMIZE);
      ASSERT_TRUE(QTest::qWaitFor([&] { return Fills() && Agree(); }, kWait)) << "maximized (" << round << "): " << Describe();
    }
    ExpectPressesReachTheMainWindow("restoring and maximizing");
  }
  // A click on the main window's button reaches it.
  void ExpectPressesReachTheMainWindow(const char* after) {
    const int before = presses_;
    ClickOn(button_);
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses_ == before + 1; }, kWait)) << "after " << after;
  }

  std::unique_ptr<QWidget> main_;
  QPushButton* button_ = nullptr;
  QComboBox* combo_ = nullptr;
  TSkinData* skin_ = nullptr;
  int presses_ = 0;
  Delivered delivered_;
};

// The skin switched off and on again while a modal dialog runs: the dialog
// stays up, unframed and framed again with its owner, keeps the keyboard
// and the mouse, and its loop ends with the code of the button the user
// presses; the main window then takes clicks again, still filling the
// screen.
TEST_F(XFrameTest, TheSkinOffAndOnWhileAModalDialogRuns) {
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  QDialog dialog(main_.get());
  dialog.setWindowTitle(QStringLiteral("Dialog"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* edit = new QLineEdit(&dialog);
  auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  layout->addWidget(edit);
  layout->addWidget(ok);
  QObject::connect(ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(7); });
  bool framedAtFirst = false, stayedModal = true;
  QTimer::singleShot(0, &dialog, [&] {
    framedAtFirst = QTest::qWaitFor([&] { return Ready(&dialog) && FrameOf(&dialog); }, kWait);
    for (const bool on : {false, true}) {
      skin_->SetActive(on);
      const bool changed = QTest::qWaitFor(
          [&] { return (FrameOf(&dialog) != nullptr) == on && (FrameOf(main_.get()) != nullptr) == on; }, kWait);
      EXPECT_TRUE(changed) << "the skin did not go " << (on ? "on" : "off");
      stayedModal = stayedModal && dialog.isVisible() && QApplication::activeModalWidget() == &dialog;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isActiveWindow(); }, kWait)) << "the dialog lost the keyboard";
    ClickOn(edit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, kWait));
    Xdotool(QStringLiteral("type --delay 10 abc"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit->text() == QStringLiteral("abc"); }, kWait));
    ClickOn(ok);
    // Should the click not end it, the loop must still end.
    QTimer::singleShot(kWait, &dialog, [&dialog] { dialog.done(-1); });
  });
  EXPECT_EQ(dialog.exec(), 7);
  EXPECT_TRUE(framedAtFirst) << "the dialog was not framed as it showed";
  EXPECT_TRUE(stayedModal);
  ExpectPressesReachTheMainWindow("the dialog");
  EXPECT_TRUE(QTest::qWaitFor([&] { return Fills(); }, kWait)) << Describe();
}

// A tool window with a caption, as the omission-range picker is, gets the
// skin's frame as it is first shown, and the frame, which grows it, keeps
// it within the screen's work area: placed with its bottom just above the
// area's, it moves up. The user's clicks reach it.
TEST_F(XFrameTest, AToolWindowIsFramedAtItsFirstShowWithinTheWorkArea) {
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  QWidget tool(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
  tool.setWindowTitle(QStringLiteral("Tool"));
  auto* layout = new QVBoxLayout(&tool);
  auto* add = new QPushButton(QStringLiteral("Add"), &tool);
  layout->addStretch();
  layout->addWidget(add);
  int presses = 0;
  QObject::connect(add, &QPushButton::clicked, [&] { ++presses; });
  testsupport::FirstPaint firstPaint;
  tool.installEventFilter(&firstPaint);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  tool.resize(220, 280);
  tool.move(area.left() + 100, area.bottom() + 1 - 280 - 5);
  tool.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Ready(&tool) && FrameOf(&tool) && firstPaint.framed; }, kWait))
      << "the tool window is not skinned";
  EXPECT_TRUE(*firstPaint.framed) << "painted before its frame went on";
  EXPECT_GT(WindowRect(&tool).height(), 280) << "the frame did not grow it";
  EXPECT_TRUE(QTest::qWaitFor([&] { return NativeRect(&tool) == tool.geometry(); }, kWait))
      << "the X server has it at " << QRectString(NativeRect(&tool)) << ", Qt at " << QRectString(tool.geometry());
  EXPECT_TRUE(area.contains(WindowRect(&tool))) << QRectString(WindowRect(&tool)) << " leaves the work area";
  ClickOn(add);
  EXPECT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, kWait)) << "the click missed the tool window's button";
}

// Moves and sizes a top-level window in the X server, as a window manager
// does, behind Qt's back.
void ConfigureNatively(QWidget* w, const QRect& r) {
  xcb_connection_t* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  const uint32_t values[] = {uint32_t(r.x()), uint32_t(r.y()), uint32_t(r.width()), uint32_t(r.height())};
  xcb_configure_window(c, xcb_window_t(w->winId()),
                       XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
  xcb_flush(c);
}

// A skinned window whose native window is put back at its old place just
// before it maps, as a busy window manager's late answer does: Qt takes
// that place in for its native window without telling the widget (the
// place it last told did not change). The window appears where the
// program put it all the same: the X server and Qt agree, and a click on
// its button lands. Without a window manager (with one, the move would be
// the window manager's to make).
TEST_F(XFrameTest, AWindowMapsWhereTheProgramPutIt) {
  if (withWindowManager) GTEST_SKIP() << "the old place would be the window manager's to give";
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  QWidget form;
  auto* ok = new QPushButton(QStringLiteral("OK"), &form);
  ok->setGeometry(20, 20, 100, 30);
  int presses = 0;
  QObject::connect(ok, &QPushButton::clicked, [&] { ++presses; });
  form.winId();  // the native window, at the top left corner
  const QRect old = NativeRect(&form);
  form.setGeometry(300, 200, 240, 120);
  struct LateAnswer final : QObject {
    QWidget* form;
    QRect old;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Show) ConfigureNatively(form, QRect(old.topLeft(), form->size()));
      return false;
    }
  } late;
  late.form = &form;
  late.old = old;
  form.windowHandle()->installEventFilter(&late);
  form.show();
  form.windowHandle()->removeEventFilter(&late);
  ASSERT_NE(old.topLeft(), QPoint(300, 200));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Ready(&form) && FrameOf(&form) && NativeRect(&form) == form.geometry(); }, kWait))
      << "the window at " << QRectString(form.geometry()) << ", the X server has it at " << QRectString(NativeRect(&form));
  ClickOn(ok);
  EXPECT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, kWait)) << "the click missed the button";
}

// A reparenting window manager puts a window into its frame at once and
// places the frame a moment later; the X server's configure notice of the
// window's place, made before the reparent, may reach the program only in
// between. Made here on the program's connection: the window goes into a
// frame at the screen's corner (as large as the screen, so that a place in
// it is one on the screen) as the program takes the notice, and `framed`
// runs as the program takes the notice of the reparent, before the frame
// could have been placed.
class FrameBeforeTheNotice final : public QAbstractNativeEventFilter {
 public:
  FrameBeforeTheNotice(QWidget* window, std::function<void()> framed)
      : window_(xcb_window_t(window->winId())), framed_(std::move(framed)) {
    qApp->installNativeEventFilter(this);
  }
  ~FrameBeforeTheNotice() override {
    xcb_connection_t* c = Connection();
    if (frame_) {
      xcb_reparent_window(c, window_, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0);
      xcb_destroy_window(c, frame_);
    }
    xcb_flush(c);
  }
  bool reparented = false;

 private:
  static xcb_connection_t* Connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  }
  bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (event->response_type == XCB_REPARENT_NOTIFY && frame_ && !reparented &&
        reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window == window_) {
      reparented = true;
      framed_();
    }
    if (event->response_type != XCB_CONFIGURE_NOTIFY || frame_ ||
        reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window != window_)
      return false;
    xcb_connection_t* c = Connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    frame_ = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, frame_, screen->root, 0, 0, screen->width_in_pixels,
                      screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(c, frame_);
    xcb_reparent_window(c, window_, frame_, 0, 0);
    return false;
  }

  const xcb_window_t window_;
  const std::function<void()> framed_;
  xcb_window_t frame_ = XCB_NONE;
};

// A window stays where the program put it when a window manager frames it
// before the program has read the notice of its place: the size the
// program gives it next goes out at that place, not at the frame's corner
// (a message box that sized itself again as it was framed showed at the
// screen's corner, whatever widget it was shown over). Without a window
// manager (with one, the frame would be its own).
TEST_F(XFrameTest, AWindowFramedBeforeItsPlaceIsReadKeepsThePlace) {
  if (withWindowManager) GTEST_SKIP() << "the frame would be the window manager's to make";
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  QWidget form;
  form.setGeometry(300, 200, 240, 120);
  form.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Ready(&form) && NativeRect(&form) == form.geometry(); }, kWait));
  // The program sizes the window as it is framed: ahead of whatever the
  // frame's exposure sets off.
  FrameBeforeTheNotice framer(&form, [&] { form.resize(250, 120); });
  form.move(400, 250);
  ASSERT_TRUE(QTest::qWaitFor([&] { return framer.reparented; }, kWait));
  EXPECT_TRUE(QTest::qWaitFor([&] { return NativeRect(&form) == QRect(400, 250, 250, 120); }, kWait))
      << "the X server has the window at " << QRectString(NativeRect(&form));
}

// Popups, tool tips and a frameless tool window that never takes the
// activation are no forms: the skin, on, off and on again, never frames or
// re-flags them, and they keep taking the user's clicks.
TEST_F(XFrameTest, WindowsThatAreNoFormsKeepTheirFlagsAndTheirInput) {
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  QWidget tool(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  tool.setAttribute(Qt::WA_ShowWithoutActivating);
  auto* toolButton = new QPushButton(QStringLiteral("Tool"), &tool);
  int toolPresses = 0;
  QObject::connect(toolButton, &QPushButton::clicked, [&] { ++toolPresses; });
  tool.resize(120, 60);
  toolButton->setGeometry(10, 10, 100, 40);
  tool.move(main_->mapToGlobal(QPoint(300, 200)));
  tool.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Ready(&tool); }, kWait));
  // The tip stays a minute, unless a click hides it (and Qt deletes it).
  QToolTip::showText(main_->mapToGlobal(QPoint(300, 400)), QStringLiteral("tip"), main_.get(), QRect(), 60000);
  QPointer<QWidget> tip;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (w->windowType() == Qt::ToolTip && w->isVisible()) tip = w;
        return tip != nullptr;
      },
      kWait));
  const Qt::WindowFlags toolFlags = tool.windowFlags(), tipFlags = tip->windowFlags();
  const auto untouched = [&](const char* when) {
    EXPECT_EQ(tool.windowFlags(), toolFlags) << when;
    EXPECT_FALSE(HasNonClientFrame(&tool)) << when;
    if (!tip) return;
    EXPECT_EQ(tip->windowFlags(), tipFlags) << when;
    EXPECT_FALSE(HasNonClientFrame(tip)) << when;
    EXPECT_EQ(SkinManage()->FindForm(tip), nullptr) << when;
  };
  for (const bool on : {false, true}) {
    skin_->SetActive(on);
    ASSERT_TRUE(QTest::qWaitFor([&] { return (FrameOf(main_.get()) != nullptr) == on; }, kWait));
    ASSERT_TRUE(tip) << "the tip went before the skin was switched";
    untouched(on ? "skin on again" : "skin off");
  }
  ClickOn(toolButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return toolPresses == 1; }, kWait)) << "the tool window lost its input";
  untouched("the tool window pressed");
  tool.hide();

  // The combo box's list and a context menu, each opened and used.
  ClickOn(combo_);
  QWidget* list = nullptr;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        list = combo_->view()->window();
        return list != main_.get() && Ready(list);
      },
      kWait));
  const Qt::WindowFlags listFlags = list->windowFlags();
  const QRect third = combo_->view()->visualRect(combo_->model()->index(2, 0));
  ClickOn(combo_->view()->viewport(), third.center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return combo_->currentIndex() == 2; }, kWait)) << "the combo box's list lost its input";
  EXPECT_EQ(list->windowFlags(), listFlags);
  EXPECT_FALSE(HasNonClientFrame(list));

  QMenu menu;
  QAction* second = nullptr;
  menu.addAction(QStringLiteral("first"));
  second = menu.addAction(QStringLiteral("second"));
  bool chosen = false;
  QObject::connect(second, &QAction::triggered, [&] { chosen = true; });
  menu.popup(main_->mapToGlobal(QPoint(200, 300)));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Ready(&menu); }, kWait));
  const Qt::WindowFlags menuFlags = menu.windowFlags();
  ClickOn(&menu, menu.actionGeometry(second).center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return chosen; }, kWait)) << "the menu lost its input";
  EXPECT_EQ(menu.windowFlags(), menuFlags);
  EXPECT_FALSE(HasNonClientFrame(&menu));
  ExpectPressesReachTheMainWindow("the popups");
}

// Without a window manager, a maximized window fills the area a panel
// leaves (the root window's work area), and restoring and maximizing from
// the skin's commands go back and forth between its own rectangle and that
// area.
TEST_F(XFrameTest, AMaximizedWindowBesideAPanelWithoutAWindowManager) {
  if (withWindowManager) GTEST_SKIP() << "the window manager keeps the work area";
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect area = screen.adjusted(0, 0, 0, -40);  // a panel along the bottom
  SetWorkArea(area);
  struct Restore {
    ~Restore() {
      SetWorkArea(std::nullopt);
      const QScreen* screen = QGuiApplication::primaryScreen();
      EXPECT_TRUE(QTest::qWaitFor([screen] { return screen->availableGeometry() == screen->geometry(); }, kWait));
    }
  } restore;
  ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::primaryScreen()->availableGeometry() == area; }, kWait));
  main_->setGeometry(100, 100, 400, 300);
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  ExpectRestoreAndMaximize(QRect(100, 100, 400, 300));
}

// A window manager that starts while the program runs takes the filled,
// skinned window over: it stays maximized within the screen's available
// area, Qt and the X server agree on where it is (clicks land), and
// restoring and maximizing go through the window manager. Without a
// window manager at the start only.
TEST_F(XFrameTest, AWindowManagerThatStartsLater) {
  if (withWindowManager) GTEST_SKIP() << "one runs from the start";
  ASSERT_FALSE(WindowManagerRuns());
  main_->setGeometry(100, 100, 400, 300);
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(windowManager.Start()) << "openbox did not start";
  struct Stop {
    ~Stop() { windowManager.Stop(); }
  } stop;
  EXPECT_TRUE(WindowManagerRuns());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Fills() && Agree(); }, kWait)) << Describe();
  ExpectPressesReachTheMainWindow("the window manager's start");
  ExpectRestoreAndMaximize(QRect(100, 100, 400, 300));
  windowManager.Stop();
  EXPECT_TRUE(QTest::qWaitFor([] { return !WindowManagerRuns(); }, kWait)) << "the window manager's end is not seen";
}

// Restoring and maximizing a skinned window from the skin's commands (a
// configure notice that once carried Qt's old size left a restored window
// laid out for the whole screen under a window manager).
TEST_F(XFrameTest, RestoreAndMaximize) {
  main_->setGeometry(100, 100, 400, 300);
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  EXPECT_TRUE(QTest::qWaitFor([&] { return Agree(); }, kWait)) << Describe();
  ExpectRestoreAndMaximize(QRect(100, 100, 400, 300));
}

// Restored and maximized over and over: a window manager answers each in
// steps (openbox moves a shrinking window's frame before it sizes the
// window), and the platform's look at the window's place, made between two
// of them, once left Qt with the size the window had only for that moment.
// A race: the rounds give it many chances to show.
TEST_F(XFrameTest, RestoreAndMaximizeOverAndOver) {
  main_->setGeometry(100, 100, 400, 300);
  ShowSkinnedMaximized();
  if (HasFatalFailure()) return;
  ExpectRestoreAndMaximize(QRect(100, 100, 400, 300), 25);
}

// When the frame of a shown maximized window comes off, a window manager
// moves the window into its new frame and sizes it, in steps. The platform
// asks for no rectangle between them (one asked for there made openbox
// restore the window, and the skin then grew it past the screen), and
// none when they end within the available area; a window they leave
// outside it is put back once they have stopped, also when they begin late
// (a busy window manager). The steps are made here as a window manager
// makes them; without a window manager only.
TEST(XFrameSteps, AFrameChangeLeavesTheWindowManagersStepsAlone) {
  if (withWindowManager) GTEST_SKIP() << "the steps would be the window manager's";
  for (const bool leftOutside : {false, true}) {
    SCOPED_TRACE(leftOutside);
    QWidget w;
    ShowWindow(&w, SW_SHOWMAXIMIZED);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ready(&w) && w.isMaximized() && w.geometry() == area; }, kWait));
    ASSERT_TRUE(SetNonClientFrame(&w, true));
    int asked = 0;
    const WindowProcHandle counter = InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
      asked += m.Msg == WM_WINDOWPOSCHANGING;
      previous(m);
    });
    ASSERT_TRUE(SetNonClientFrame(&w, false));
    const QRect moved = area.translated(0, 19), sized = moved.adjusted(0, 0, 0, -19);
    if (leftOutside) QTest::qWait(1500);  // the answer comes late
    ConfigureNatively(&w, moved);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.geometry() == moved; }, kWait));
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, 0) << "a rectangle asked for between the steps";
    if (leftOutside) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return asked > 0 && area.contains(WindowRect(&w)); }, kWait))
          << "not put back within the area";
    } else {
      ConfigureNatively(&w, sized);
      ASSERT_TRUE(QTest::qWaitFor([&] { return w.geometry() == sized; }, kWait));
      QCoreApplication::processEvents();
      EXPECT_EQ(std::pair(asked, w.isMaximized()), std::pair(0, true));
    }
  }
}

// Asking whether a window manager runs holds no X connection or memory of
// its own (the program asks at every maximize).
TEST(XWindowManagerQuery, OpensNothingOfItsOwn) {
  const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); };
  const auto before = openFiles();
  for (int i = 0; i < 200; ++i) EXPECT_EQ(WindowManagerRuns(), withWindowManager);
  EXPECT_EQ(openFiles(), before);
}

// The caption of a restored skinned window, double-clicked where no caption
// button is, maximizes the window, and of the maximized one restores it,
// under a window manager too (its move, begun at the first press, once took
// the second click); a drag of the caption still moves the window by the
// pointer's whole offset.
TEST_F(XFrameTest, ACaptionDoubleClickMaximizesAndRestoresAndADragMoves) {
  main_->setGeometry(100, 100, 400, 300);
  main_->show();
  main_->windowHandle()->installEventFilter(&delivered_);
  main_->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Ready(main_.get()) && main_->isActiveWindow(); }, kWait));
  skin_->SetActive(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return FrameOf(main_.get()) && Agree(); }, kWait)) << Describe();
  const QRect restored = WindowRect(main_.get());
  // Half way across, half way down the caption.
  const auto caption = [&] {
    const QPoint p = main_->mapToGlobal(QPoint(main_->width() / 2, main_->contentsMargins().top() / 2));
    EXPECT_EQ(SendMessage(main_.get(), WM_NCHITTEST, 0, MAKELPARAM(p.x(), p.y())), HTCAPTION);
    return p;
  };
  const auto doubleClick = [&] {
    const QPoint p = caption();
    Xdotool(QStringLiteral("mousemove --sync %1 %2 click --repeat 2 --delay 80 1").arg(p.x()).arg(p.y()));
  };
  doubleClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Fills() && Agree(); }, kWait)) << "not maximized: " << Describe();
  doubleClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !main_->isMaximized() && WindowRect(main_.get()) == restored && Agree(); }, kWait))
      << "not restored: " << Describe();

  // The press dragged past the drag distance, and the program has seen
  // the pointer there before it goes on.
  const QPoint from = caption(), offset(60, 40), begun = from + QPoint(30, 20);
  {
    testsupport::SeenInput seen;
    Xdotool(QStringLiteral("mousemove --sync %1 %2 mousedown 1 mousemove %3 %4")
                .arg(from.x()).arg(from.y()).arg(begun.x()).arg(begun.y()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen.At == begun; }, kWait));
  }
  // A window manager that takes the move over follows the pointer once it
  // has it (and tells the program where the window went when it ends).
  const QRect moved = restored.translated(offset);
  testsupport::DragOnTo(from + offset, [&] { return NativeRect(main_.get()) == moved; });
  Xdotool(QStringLiteral("mouseup 1"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return WindowRect(main_.get()) == moved && Agree(); }, kWait))
      << "the drag did not move the window to " << QRectString(moved) << ": " << Describe();
  ExpectPressesReachTheMainWindow("the drag");
}

}  // namespace

// For LeakSanitizer builds: the session-bus library Qt's X11 platform
// loads keeps a buffer to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  if (withWindowManager && !windowManager.Start()) {
    std::fprintf(stderr, "openbox did not start\n");
    return 1;
  }
  QApplication app(argc, argv);
  platform::UnitStartupScope units;
  return RUN_ALL_TESTS();
}
