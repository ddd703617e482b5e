// The program end to end as a user meets it, on a real X server (run under
// xvfb-run): without a window manager, or, with --window-manager, under
// openbox, which the test starts first. The program is the program: its
// own main() (compiled in under another name), its skin beside it, our data
// service; every dialog opens by the path a user takes, a modal one through
// its own exec(). A second thread is the user: it moves the mouse and
// presses keys through the X server (xdotool) and looks at the program
// between steps on the GUI thread, never setting a geometry: the version
// box "/acver" asks for, the sign-in dialog's update check, sign in, the
// main window minimized (iconified and brought back, or left as it is
// without a window manager), restored and maximized again, the about box,
// the update check, the change of password, training mode up to the newest
// issue, the menu line beside the condition panel's mnemonics and their
// message box, a chart of 0 candles, the parameter dialog (its focus kept when
// it gets the keyboard back), the chooser, the filter, saving the numbers,
// saving a scheme and loading it back, a folder that is not there and a
// broken scheme file, leaving.
//
// Each dialog must be skinned from its first paint, in front of the main
// window (the screen shows what it paints), titled with its own caption
// and nothing more, and after it closes a click on the main window's tab
// bar must reach the main window. Each step leaves a
// screenshot in $SSQ_SCREENSHOT_DIR (default: the current folder), named
// e2e-... without a window manager and e2e-wm-... with one.
#include "app/uConditionWidgets.h"
#include "app/uFormChoose.h"
#include "app/uFormCondition.h"
#include "app/uFormShrink.h"
#include "app/uFormTrend.h"
#include "app/uFormYlRang.h"
#include "app/uFrmAbout.h"
#include "app/uFrmChangePwd.h"
#include "app/uFrmLogin.h"
#include "app/uFrmMain.h"
#include "app/uFrmZbCnfg.h"
#include "charts/StockChartCtl.h"
#include "dataclient/uThread.h"
#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"
#include "engine/uLottery.h"
#include "platform/AppPath.h"
#include "platform/MenuLine.h"
#include "platform/NonClient.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinning/WinSkinManage.h"
#include "upgrade/ProgramUpgrade.h"

#include "support/DataService.h"
#include "support/Pictures.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XInput.h"
#include "support/XServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSizeGrip>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <tuple>

// The program's entry (app/main.cpp).
int ProgramMain(int argc, char** argv);

using namespace skinning;

namespace {

testsupport::DataService* service = nullptr;
QString folder;  // the program's folder: settings, skin, the files the user saves
bool withWindowManager = false;

// ---------------------------------------------------------------------------
// The GUI thread, seen from the user's.

// The program's application object is made (by the program's own main).
std::promise<void> applicationMade;
void ApplicationMade() { applicationMade.set_value(); }

// Made before any thread starts, the one lock of the hand-over below.
std::mutex handover;

// Runs `f` on the GUI thread (in whatever loop runs there, a dialog's too)
// and gives its result. The hand-over goes through a lock and a promise of
// the standard library, which the thread sanitizer sees (Qt's queue it
// does not).
template <class F>
auto Gui(F f) {
  using R = std::invoke_result_t<F>;
  std::shared_ptr<std::promise<R>> done;
  {
    std::lock_guard<std::mutex> written(handover);  // what the call reads is written before this ends
    done = std::make_shared<std::promise<R>>();
  }
  std::future<R> result = done->get_future();
  QMetaObject::invokeMethod(
      qApp,
      [done, &f] {
        std::unique_lock<std::mutex> seen(handover);
        if constexpr (std::is_void_v<R>) {
          f();
          seen.unlock();
          done->set_value();
        } else {
          R value = f();
          seen.unlock();
          done->set_value(std::move(value));
        }
      },
      Qt::QueuedConnection);
  return result.get();
}

bool WaitFor(const std::function<bool()>& condition, int ms = 10000) {
  const QDeadlineTimer deadline(ms);
  for (;;) {
    if (Gui(condition)) return true;
    if (deadline.hasExpired()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---------------------------------------------------------------------------
// Real X input.

void Xdotool(const QString& arguments) {
  const int rc = std::system(("xdotool " + arguments).toLocal8Bit().constData());
  EXPECT_EQ(rc, 0) << "xdotool " << arguments.toStdString();
}

void ClickAt(QPoint p, int button = 1) {
  // A second click at the same place is never taken for a double click.
  static QPoint last(-100, -100);
  static std::chrono::steady_clock::time_point lastTime;
  const auto since = std::chrono::steady_clock::now() - lastTime;
  if ((p - last).manhattanLength() < 10 && since < std::chrono::milliseconds(600))
    std::this_thread::sleep_for(std::chrono::milliseconds(600) - since);
  // xdotool's --sync waits for the pointer to leave where it is: 15 s long
  // when it is at the place already.
  const bool there = Gui([] { return QCursor::pos(); }) == p;
  Xdotool(there ? QStringLiteral("click %1").arg(button)
                : QStringLiteral("mousemove --sync %1 %2 click %3").arg(p.x()).arg(p.y()).arg(button));
  last = p;
  lastTime = std::chrono::steady_clock::now();
}

// The centre of a widget, or a point in it, on the screen.
QPoint At(QWidget* w, std::optional<QPoint> in = std::nullopt) {
  return Gui([&] { return w->mapToGlobal(in.value_or(w->rect().center())); });
}

void Click(QWidget* w, int button = 1) { ClickAt(At(w), button); }

void Key(const char* key) { Xdotool(QStringLiteral("key --clearmodifiers %1").arg(QLatin1String(key))); }

void Type(const QString& text) { Xdotool(QStringLiteral("type --delay 10 '%1'").arg(text)); }

// A click into an edit, everything in it chosen and typed over.
void Retype(QLineEdit* edit, const QString& text) {
  Click(edit);
  ASSERT_TRUE(WaitFor([&] { return edit->hasFocus(); })) << "a click into an edit gives it no focus";
  Key("ctrl+a");
  Type(text);
  EXPECT_TRUE(WaitFor([&] { return edit->text() == text; }))
      << "typed " << text.toStdString() << ", the edit holds " << Gui([edit] { return edit->text(); }).toStdString();
}

// ---------------------------------------------------------------------------
// Looking at the program.

TfrmMain* MainWindow() {
  return Gui([] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* main = dynamic_cast<TfrmMain*>(w)) return main;
    return static_cast<TfrmMain*>(nullptr);
  });
}

// Whether a window is on the screen and has the keyboard, as a user waits
// for before typing.
bool Ready(QWidget* w) {
  return w && w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed() && w->isActiveWindow();
}

// Where a window is, as Qt has it and as the X server has it.
std::string Place(QWidget* w) {
  const QRect q = w->geometry(), x = testsupport::NativeRect(w);
  return QStringLiteral("%1 at %2,%3 %4x%5 (the X server: %6,%7 %8x%9)")
      .arg(QString::fromLatin1(w->metaObject()->className()))
      .arg(q.x()).arg(q.y()).arg(q.width()).arg(q.height())
      .arg(x.x()).arg(x.y()).arg(x.width()).arg(x.height())
      .toStdString();
}

// What the user sees of the modal dialogs, said when one is not as expected.
std::string ModalState() {
  return Gui([] {
    QWidget* modal = QApplication::activeModalWidget();
    QWindow* focus = QGuiApplication::focusWindow();
    std::string said = modal ? Place(modal) + (modal->isVisible() ? ", shown" : ", hidden") +
                                   (modal->windowHandle() && modal->windowHandle()->isExposed() ? ", exposed" : ", not exposed") +
                                   (modal->isActiveWindow() ? ", active" : ", inactive")
                             : std::string("no modal dialog");
    return said + "; the keyboard's window: " + (focus ? focus->objectName().toStdString() + " " + focus->metaObject()->className() : "none");
  });
}

// The modal dialog of type T that runs now, once it is ready.
template <class T>
T* WaitForDialog(int ms = 10000) {
  T* found = nullptr;
  WaitFor(
      [&] {
        auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
        found = Ready(dialog) ? dialog : nullptr;
        return found != nullptr;
      },
      ms);
  if (!found) ADD_FAILURE() << "no dialog ready: " << ModalState();
  return found;
}

QMessageBox* WaitForMessage(const QString& text, int ms = 10000) {
  QMessageBox* box = WaitForDialog<QMessageBox>(ms);
  if (!box) {
    ADD_FAILURE() << "no message " << text.toStdString();
    return nullptr;
  }
  EXPECT_EQ(Gui([box] { return box->text(); }), text);
  return box;
}

bool NoModalDialog() {
  return WaitFor([] { return QApplication::activeModalWidget() == nullptr; });
}

TSkinFormFrame* FrameOf(QWidget* w) {
  auto* form = SkinManage() ? dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(w)) : nullptr;
  TSkinFormFrame* frame = form ? form->Frame() : nullptr;
  return frame && frame->Phase() == TSkinFormFrame::kActive ? frame : nullptr;
}

// Whether each window had its frame when it was first painted; the names
// of the windows shown.
class FirstPaints final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
      shown_.insert(watched->objectName());
    if (event->type() == QEvent::Paint && watched->isWidgetType()) {
      auto* w = static_cast<QWidget*>(watched);
      if (w->isWindow() && !seen_.count(w)) {
        seen_.insert(w);
        if (platform::HasNonClientFrame(w)) framed_.insert(w);
        connect(w, &QObject::destroyed, this, [this, w] {
          seen_.erase(w);
          framed_.erase(w);
        });
      }
    }
    return false;
  }
  bool FramedAtFirstPaint(QWidget* w) const { return framed_.count(w) > 0; }
  bool Shown(const QString& name) const { return shown_.count(name) > 0; }

 private:
  std::set<const QObject*> seen_, framed_;
  std::set<QString> shown_;
};
FirstPaints* firstPaints = nullptr;

QString ShotFile(const char* name) {
  const char* dir = std::getenv("SSQ_SCREENSHOT_DIR");
  return QString(dir && *dir ? dir : ".") + (withWindowManager ? "/e2e-wm-" : "/e2e-") + name + ".png";
}

// The screen around `window` (all of it without one), once it holds still
// (what the last step asked for is painted).
void Shot(const char* name, QWidget* window = nullptr) {
  const auto grab = [window] {
    return Gui([window] {
      QScreen* screen = QGuiApplication::primaryScreen();
      QRect r = screen->geometry();
      if (window) r &= window->frameGeometry().united(window->geometry()).adjusted(-40, -40, 40, 40);
      return screen->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
    });
  };
  QImage shot = grab();
  for (const QDeadlineTimer deadline(5000); !deadline.hasExpired();) {
    Pause(100);
    QImage next = grab();
    if (next == shot) break;
    shot = std::move(next);
  }
  EXPECT_TRUE(shot.save(ShotFile(name), "PNG")) << name;
}

// The share of a window's pixels that the screen shows as the window paints
// them: near 1 when it is in front and painted.
double ShownShare(QWidget* w) {
  return Gui([w] {
    const QRect r = w->geometry();
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    const QImage own = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (screen.size() != own.size() || own.isNull()) return 0.0;
    qint64 same = 0;
    for (int y = 0; y < own.height(); ++y)
      for (int x = 0; x < own.width(); ++x) same += screen.pixel(x, y) == own.pixel(x, y);
    return double(same) / double(own.width() * own.height());
  });
}

// A window's title as the window manager shows it: its caption alone.
void ExpectOwnTitle(QWidget* w, const char* name) {
  const auto [caption, shown] = Gui([w] { return std::pair(w->windowTitle(), testsupport::NativeTitle(w)); });
  EXPECT_EQ(shown.toStdString(), caption.toStdString()) << name;
}

// A dialog as the user sees it: skinned since its first paint, in front,
// titled with its caption.
void ExpectSkinnedInFront(QWidget* dialog, const char* name) {
  ASSERT_NE(dialog, nullptr) << name;
  ExpectOwnTitle(dialog, name);
  EXPECT_TRUE(Gui([dialog] { return FrameOf(dialog) != nullptr && platform::HasNonClientFrame(dialog); })) << name;
  EXPECT_TRUE(Gui([dialog] { return firstPaints->FramedAtFirstPaint(dialog); }))
      << name << " was painted before its frame went on";
  double share = 0;
  for (const QDeadlineTimer deadline(10000); !deadline.hasExpired() && share < 0.95; Pause(100))
    share = ShownShare(dialog);
  EXPECT_GE(share, 0.95) << name << " is not in front as it paints itself: " << Gui([dialog] { return Place(dialog); });
  if (share < 0.95) Shot((std::string("failed-") + name).c_str());
}

// A click on each tab of the main window reaches it.
void ExpectTabBarTakesClicks(TfrmMain* main, const char* after) {
  ASSERT_TRUE(NoModalDialog()) << after;
  for (int tab : {1, 0}) {
    const QPoint p = Gui([&] {
      QTabBar* bar = main->PageControl1->tabBar();
      return bar->mapToGlobal(bar->tabRect(tab).center());
    });
    ClickAt(p);
    EXPECT_TRUE(WaitFor([&] { return main->PageControl1->currentIndex() == tab; }))
        << "the tab bar ignores a click after " << after;
  }
}

// A menu of the main window's (skinned) menu line, then one of its items;
// with a name, a screenshot of the open menu.
void Choose(TfrmMain* main, int line, QMenu* menu, QAction* item, const char* shot = nullptr) {
  const QPoint title = Gui([&] {
    platform::TRect r;
    return platform::GetMenuItemRect(main, main->menuBar(), unsigned(line), &r)
               ? QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2)
               : QPoint();
  });
  ASSERT_FALSE(title.isNull()) << "menu " << line;
  ClickAt(title);
  ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); })) << "menu " << line;
  if (shot) Shot(shot, menu);
  ClickAt(Gui([&] { return menu->mapToGlobal(menu->actionGeometry(item).center()); }));
}

// The skin's caption button of a framed window, by its action (0 close, 1
// maximize or restore).
QPoint CaptionButton(QWidget* w, int action) {
  return Gui([w, action] {
    TSkinFormFrame* frame = FrameOf(w);
    if (!frame) return QPoint();
    for (const auto& b : frame->Buttons())
      if (b->Visible && b->Element->Action == action) {
        const platform::TRect r = b->BoundsRect, wr = FrameWindowRect(w);
        return QPoint(wr.Left + (r.Left + r.Right) / 2, wr.Top + (r.Top + r.Bottom) / 2);
      }
    return QPoint();
  });
}

QTreeWidgetItem* ItemOf(QTreeWidget* tree, const TFormulate* formula) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if (FormulaOfItem(*it) == formula) return *it;
  return nullptr;
}

void ClickItem(QTreeWidget* tree, const TFormulate* formula) {
  const QPoint p = Gui([&] {
    QTreeWidgetItem* item = ItemOf(tree, formula);
    if (!item) return QPoint();
    tree->scrollToItem(item);
    return tree->viewport()->mapToGlobal(tree->visualItemRect(item).center());
  });
  ASSERT_FALSE(p.isNull());
  ClickAt(p);
}

// A file dialog lists its files in the program's language: dates and
// sizes as Chinese formats them, folders as "文件夹". Its size grip sits in
// the client area, leaving the frame's corner whole.
void ExpectChineseListing(QFileDialog* dialog, const char* shot) {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  std::string wrong;
  const bool listed = WaitFor([&] {
    auto* model = dialog->findChild<QFileSystemModel*>();
    const QModelIndex folder = model ? model->index(dialog->directory().absolutePath()) : QModelIndex();
    wrong = model && model->rowCount(folder) > 0 ? "" : "nothing listed";
    for (int row = 0; model && row < model->rowCount(folder); ++row) {
      const QModelIndex name = model->index(row, 0, folder);
      const QStringList shown = {model->index(row, 1, folder).data().toString(),
                                 model->index(row, 2, folder).data().toString(),
                                 model->index(row, 3, folder).data().toString()};
      const QStringList expected = {model->isDir(name) ? QString() : chinese.formattedDataSize(model->size(name)),
                                    model->isDir(name) ? QStringLiteral("文件夹") : shown[1],
                                    chinese.toString(model->lastModified(name), QLocale::ShortFormat)};
      if (shown != expected)
        wrong += (name.data().toString() + ": " + shown.join(" | ") + " for " + expected.join(" | ") + "; ").toStdString();
    }
    return wrong.empty();
  });
  EXPECT_TRUE(listed) << shot << ": " << wrong;
  EXPECT_TRUE(Gui([dialog] {
    auto* grip = dialog->findChild<QSizeGrip*>(QString(), Qt::FindDirectChildrenOnly);
    return !grip || dialog->contentsRect().contains(grip->geometry());
  })) << shot << ": the size grip lies on the frame";
}

// A file dialog: the whole name typed over, then Return; unless a message
// is to follow, nothing modal is left.
void AnswerFileDialog(const char* shot, const QString& file, bool messageFollows = false) {
  QFileDialog* dialog = WaitForDialog<QFileDialog>();
  ExpectSkinnedInFront(dialog, shot);
  ExpectChineseListing(dialog, shot);
  // In the program's language: Qt's Chinese texts are installed with it.
  const QString accept = Gui([dialog] {
    QDialogButtonBox* box = dialog->findChild<QDialogButtonBox*>();
    QPushButton* button = box ? box->button(QDialogButtonBox::Save) : nullptr;
    if (!button && box) button = box->button(QDialogButtonBox::Open);
    return button ? button->text() : QString();
  });
  EXPECT_TRUE(accept.contains(QStringLiteral("保存")) || accept.contains(QStringLiteral("打开"))) << shot << ": " << accept.toStdString();
  if (!messageFollows) Shot(shot, dialog);
  Key("ctrl+a");
  Type(file);
  Key("Return");
  if (!messageFollows) {
    EXPECT_TRUE(NoModalDialog()) << shot;
  }
}

// A file the program cannot write or read: after its dialog, the message
// saying why, in the program's words.
void ExpectRefused(QToolButton* button, const QString& file, const QString& message, const char* shot) {
  Click(button);
  AnswerFileDialog(shot, file, true);
  QMessageBox* box = WaitForMessage(message);
  ExpectSkinnedInFront(box, shot);
  Shot(shot, box);
  Key("Return");
  EXPECT_TRUE(NoModalDialog()) << shot;
}

// Values of the chooser's first list, each clicked once.
void ChooseValues(int from, int to) {
  TFrmChoose* chooser = FrmChoose(false);
  for (int v = from; v <= to; ++v) {
    const QPoint p = Gui([&] {
      TCheckListBox* values = chooser->chklstValue1;
      const int i = values->IndexOfText(QString::number(v));
      if (i < 0) return QPoint();
      values->scrollToItem(values->item(i));
      return values->viewport()->mapToGlobal(values->visualItemRect(values->item(i)).center());
    });
    ASSERT_FALSE(p.isNull()) << v;
    ClickAt(p);
  }
}

std::vector<std::pair<const TFormulate*, std::vector<int32_t>>> Conditions() {
  return Gui([] {
    std::vector<std::pair<const TFormulate*, std::vector<int32_t>>> list;
    for (int32_t i = 0; i < CdtList().Count(); ++i) {
      const TCdtData* c = CdtList().GetItem(i);
      list.emplace_back(c->Formula, c->Values.empty() ? std::vector<int32_t>{} : c->Values[0]);
    }
    return list;
  });
}

// ---------------------------------------------------------------------------
// The user's doings.

// The sign-in dialog's update icon, clicked on purpose: its check ends with
// the message on the unresolvable host in front of the dialog, which stays
// on top.
void SignInUpdateCheck(TFrmLogin* login) {
  Click(login->LabDownload);
  QMessageBox* box = WaitForDialog<QMessageBox>(ProgramCheckDeadline + 20000);
  ASSERT_NE(box, nullptr) << "the sign-in dialog's update check ended without a message";
  const std::string host = TauCustomHTTP::HostName(ProgramUpdateInfoURL);
  EXPECT_TRUE(Gui([box] { return box->text(); }).contains(QString::fromStdString(host)));
  double share = 0;
  for (const QDeadlineTimer deadline(10000); !deadline.hasExpired() && share < 0.95; Pause(100))
    share = ShownShare(box);
  EXPECT_GE(share, 0.95) << "the message is not in front of the sign-in dialog";
  ExpectOwnTitle(box, "the sign-in's update message");
  Key("Return");
  ASSERT_TRUE(WaitFor([login] { return QApplication::activeModalWidget() == login; }));
}

// "/acver" on the command line: the skin library's version, in a box
// titled with the program's title, before anything else.
void VersionBox() {
  QMessageBox* box = WaitForMessage(QString::fromLatin1(kLibraryVersionText), 30000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Gui([box] { return box->windowTitle(); }), QString::fromUtf8(ProjectTitle));
  ExpectOwnTitle(box, "the version box");
  Key("Return");
}

void SignIn() {
  TFrmLogin* login = WaitForDialog<TFrmLogin>(60000);
  ASSERT_NE(login, nullptr) << "no sign-in dialog";
  SignInUpdateCheck(login);
  if (::testing::Test::HasFailure()) return;
  // The skin goes on once the sign-in has ended.
  Retype(login->edtName, "demo");
  Retype(login->edtPwd, "demo123");
  Shot("1-sign-in", login);
  Click(login->BtnOK);
  ASSERT_TRUE(WaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 30000))
      << Gui([login] { return login->lbinfo->text(); }).toStdString();
}

void AboutBox(TfrmMain* main) {
  Choose(main, 1, main->N3, main->N6);
  auto* about = WaitForDialog<TfrmAbout>();
  ExpectSkinnedInFront(about, "about");
  Shot("3-about", about);
  const QPoint close = CaptionButton(about, 0);
  ASSERT_FALSE(close.isNull()) << "the about box has no close button";
  ClickAt(close);
  ExpectTabBarTakesClicks(main, "the about box");
}

// "检查更新" asks the program's update address, whose host does not
// resolve (or, where names are not looked up, does not answer): a window
// shows the check running, then one message names the host and why,
// within the check's deadline.
void UpdateCheck(TfrmMain* main) {
  Choose(main, 1, main->N3, main->N4);
  QMessageBox* box = WaitForDialog<QMessageBox>(ProgramCheckDeadline + 20000);
  ASSERT_NE(box, nullptr) << "the update check ended without a message";
  const std::string host = TauCustomHTTP::HostName(ProgramUpdateInfoURL);
  const QString said = UpgraderFormat(wlAuto, utServerUnreachable, host.c_str(), "");
  const QString text = Gui([box] { return box->text(); });
  EXPECT_TRUE(text.startsWith(said) && text.size() > said.size()) << text.toStdString();
  EXPECT_TRUE(Gui([] { return firstPaints->Shown(QStringLiteral("auUpgraderCheckForm")); }))
      << "nothing showed the check running";
  ExpectSkinnedInFront(box, "update check");
  Shot("3-update-check", box);
  Key("Return");
  ExpectTabBarTakesClicks(main, "the update check's message");
}

void ChangePassword(TfrmMain* main) {
  Choose(main, 1, main->N3, main->N8);
  auto* dialog = WaitForDialog<TFrmChangePwd>();
  ExpectSkinnedInFront(dialog, "change password");
  Retype(dialog->edtNewPwd, "demo456");
  Retype(dialog->edtConfirm, "demo456");
  Retype(dialog->edtOldPwd, "demo123");
  Shot("4-change-password", dialog);
  Click(dialog->Button1);
  // The data service is asked on a worker; the answer comes as a message.
  QMessageBox* done = WaitForMessage(QStringLiteral("密码修改成功！"), 40000);
  ExpectSkinnedInFront(done, "password changed");
  Shot("4-password-changed", done);
  Key("Return");
  ASSERT_TRUE(WaitFor([dialog] { return QApplication::activeModalWidget() == dialog; }));
  EXPECT_EQ(service->Query("SELECT pwd_digest = md5('demo456') FROM users WHERE user_name = 'demo'"), "t\n");
  Click(dialog->Button2);
  ExpectTabBarTakesClicks(main, "the change of password");
  // The next run signs in with the demo password again.
  EXPECT_TRUE(service->Sql("UPDATE users SET pwd_digest = md5('demo123') WHERE user_name = 'demo'"));
}

// The pixels of a combo box's text field, as the screen shows it, far from
// the box's colour. On the GUI thread.
int TextPixels(QComboBox* combo) {
  const QRect r(combo->mapToGlobal(QPoint(0, 0)), combo->size());
  return testsupport::ComboTextPixels(
      combo, QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage());
}

// Training mode at the newest year's last issue: "开奖" has nothing more
// to reveal; "隐藏期号" hides the year and issue, and shows them again.
void TrainingMode(TfrmMain* main) {
  Choose(main, 0, main->N1, main->popTran);
  ASSERT_TRUE(WaitFor([main] { return main->PanTran->isVisible() && main->CboNO->count() > 0; }));
  Click(main->CboNO);
  Key("End");
  Key("Return");
  ASSERT_TRUE(WaitFor([main] { return main->CboNO->currentIndex() == main->CboNO->count() - 1; }));
  EXPECT_EQ(Gui([] { return CurrentIndex; }), Gui([] { return DrawHistory.Count() - 1; }));
  Click(main->BtnOpen);
  QMessageBox* box = WaitForMessage(QStringLiteral("已经到最新一期了！"));
  ExpectSkinnedInFront(box, "newest issue");
  Shot("6-training-newest-issue", box);
  Key("Return");
  ExpectTabBarTakesClicks(main, "the newest issue's message");
  // One issue back, and "开奖" reveals the newest draw again.
  Click(main->CboNO);
  Key("Up");
  Key("Return");
  ASSERT_TRUE(WaitFor([main] { return main->CboNO->currentIndex() == main->CboNO->count() - 2; }));
  Click(main->BtnOpen);
  EXPECT_TRUE(WaitFor([] { return CurrentIndex == DrawHistory.Count() - 1; }));
  Shot("6-training");
  for (const bool hide : {true, false}) {
    Click(main->ChkHideNo);
    ASSERT_TRUE(WaitFor([main, hide] { return main->ChkHideNo->isChecked() == hide; }));
    for (QComboBox* combo : {main->CboYear, main->CboNO})
      EXPECT_TRUE(WaitFor([combo, hide] { return (TextPixels(combo) == 0) == hide; }, 5000))
          << combo->objectName().toStdString() << (hide ? " can be read, hidden" : " cannot be read, shown again");
    if (hide) Shot("6-training-hidden-issue");
  }
  Choose(main, 0, main->N1, main->popAnaly);
  EXPECT_TRUE(WaitFor([main] { return !main->PanTran->isVisible(); }));
}

// A window of another client of the X server, which the keyboard can go
// to: made on a connection of its own, shown, and gone with the object.
class OtherProgram {
 public:
  OtherProgram() : c_(xcb_connect(nullptr, nullptr)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    id_ = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, id_, screen->root, 0, 0, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    xcb_flush(c_);
    Xdotool(QStringLiteral("windowmap --sync %1").arg(id_));
  }
  ~OtherProgram() { xcb_disconnect(c_); }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;
  unsigned Id() const { return id_; }

 private:
  xcb_connection_t* c_;
  xcb_window_t id_ = 0;
};

// The keyboard given to a window, as the window manager does, or without
// one the X server.
void Activate(WId window) {
  Xdotool(QStringLiteral("%1 --sync %2").arg(withWindowManager ? "windowactivate" : "windowfocus").arg(window));
}

// With the focus in the parameter dialog's third edit after typing there,
// the dialog that gets the keyboard back (from another program, or, under
// a window manager, with its owner minimized and restored) keeps it there,
// nothing chosen, the cursor where the typing stopped.
void FocusStaysWhereLeft(TfrmMain* main, TFrmZbCnfg* params) {
  QLineEdit* third = Gui([params] { return params->Edits()[2]; });
  Click(third);
  Key("End");
  Type("4");
  const QString typed = Gui([third] { return third->text(); });
  ASSERT_TRUE(typed.endsWith('4')) << typed.toStdString();
  const auto left = [params, third, typed] {
    return Ready(params) && QApplication::focusWidget() == third && third->text() == typed &&
           !third->hasSelectedText() && third->cursorPosition() == typed.size();
  };
  const auto focus = [] {
    return Gui([] {
      auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      return edit ? QStringLiteral("%1 in %2 chosen, the cursor at %3")
                        .arg(edit->selectedText(), edit->text())
                        .arg(edit->cursorPosition())
                        .toStdString()
                  : std::string("no edit has the focus");
    });
  };
  ASSERT_TRUE(WaitFor(left)) << focus();
  const WId dialog = Gui([params] { return params->winId(); }), owner = Gui([main] { return main->winId(); });
  std::optional<OtherProgram> other;
  const struct {
    const char* name;
    bool windowManager;  // needs one
    std::function<bool()> away;
    WId back;
  } rows[] = {
      {"another program had the keyboard", false,
       [&other] {
         Activate(other.emplace().Id());
         return WaitFor([] { return QApplication::activeWindow() == nullptr; });
       },
       dialog},
      {"the main window was minimized and restored", true,
       [owner, params] {
         Xdotool(QStringLiteral("windowminimize --sync %1").arg(owner));
         return WaitFor([params] { return params->isMinimized(); });
       },
       owner},
  };
  for (const auto& row : rows) {
    if (row.windowManager && !withWindowManager) continue;
    EXPECT_TRUE(row.away()) << row.name << ": the dialog is still in front";
    Activate(row.back);
    EXPECT_TRUE(WaitFor(left)) << row.name << ": " << focus();
    other.reset();
  }
}

// The main window's menu line and the condition panel's mnemonics, with a
// condition but no value chosen and the keyboard in the condition tree. A
// row each: what the user types, whether the line runs its loop, where the
// next keys go, whether the keyboard is left grabbed on the X server.
void MenuLineAndMnemonics(TfrmMain* main, TFrmCondition* panel, const TFormulate* condition) {
  enum To { kLine, kBox, kTree };
  struct Row {
    const char* name;
    bool boxFirst;   // 出图 clicked first: its box is up
    const char* keys;
    bool box;        // the keys bring the box
    bool click;      // then a click on the line's 系统
    bool loop;
    const char* next;
    To to;
  } rows[] = {
      {"Alt alone", false, "alt", false, false, true, "Down", kLine},
      // Keys that choose 系统 → 退出 on a line holding the keyboard.
      {"Alt+D with its box", false, "alt+d", true, false, false, "Right Down Up Return", kBox},
      {"Alt alone while the box is up", true, "alt", false, true, false, "Return", kBox},
      {"Alt+R", false, "alt+r", false, false, false, "Down", kTree},
  };
  const auto noLoop = [] { return !platform::GetMenuLoopWindow() && !QApplication::activePopupWidget(); };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // A click on the condition gives the tree the keyboard (without a
    // window manager nothing gives it back when a box goes).
    ClickItem(panel->TvCondition, condition);
    ASSERT_TRUE(WaitFor([panel] { return panel->TvCondition->hasFocus() && panel->isActiveWindow(); }));
    QTreeWidgetItem* current = Gui([panel] { return panel->TvCondition->currentItem(); });
    if (row.boxFirst) Click(panel->Button1);
    Key(row.keys);
    QMessageBox* box = row.box || row.boxFirst ? WaitForMessage(QStringLiteral("请选择数据！")) : nullptr;
    if (row.click) {
      ClickAt(Gui([main] {
        platform::TRect r;
        platform::GetMenuItemRect(main, nullptr, 1, &r);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
      }));
      ASSERT_TRUE(WaitFor([box] { return Ready(box); })) << ModalState();
    }
    if (row.loop) {
      EXPECT_TRUE(WaitFor([main] { return platform::GetMenuLoopWindow() == main; }));
      EXPECT_TRUE(WaitFor([] { return !testsupport::KeyboardFree(); })) << "the line has the keyboard";
    }
    // Once the next keys had their effect, the keys before them had theirs.
    Key(row.next);
    switch (row.to) {
      case kLine: EXPECT_TRUE(WaitFor([main] { return QApplication::activePopupWidget() == main->N1; })); break;
      case kBox: EXPECT_TRUE(NoModalDialog()) << ModalState(); break;
      case kTree: EXPECT_TRUE(WaitFor([&] { return panel->TvCondition->currentItem() != current; })); break;
    }
    if (row.loop) {
      // Esc closes the popup, the line keeps the keyboard; Esc again ends it.
      Key("Escape");
      EXPECT_TRUE(WaitFor([] { return !platform::GetMenuLoopPopup() && platform::GetMenuLoopWindow(); }));
      Key("Escape");
    }
    EXPECT_TRUE(WaitFor(noLoop)) << "the menu line runs its loop";
    EXPECT_TRUE(testsupport::KeyboardFree()) << "the keyboard is left grabbed";
    if (::testing::Test::HasFailure()) return;
  }
}

void TrendDialogs(TfrmMain* main) {
  TFrmTrend* trend = Gui([main] { return main->FrmTrend(); });
  TFrmCondition* panel = Gui([trend] { return trend->ConditionPanel(); });
  const TFormulate* firstBall = Gui([] { return FormulateList().GetItem(7); });
  ClickItem(panel->TvCondition, firstBall);
  MenuLineAndMnemonics(main, panel, firstBall);
  if (::testing::Test::HasFailure()) return;
  ClickItem(panel->TvCondition, firstBall);
  const QPoint sameScreen = Gui([panel] {
    QTabBar* bar = panel->PageControl1->tabBar();
    return bar->mapToGlobal(bar->tabRect(3).center());
  });
  ClickAt(sameScreen);
  ASSERT_TRUE(WaitFor([panel] { return panel->PageControl1->currentIndex() == 3; }));

  // No candles asked for.
  Retype(trend->edtKCount, "0");
  Click(panel->BtnRandomJODX);
  QMessageBox* box = WaitForMessage(QStringLiteral("K线数量不能为0"));
  ExpectSkinnedInFront(box, "no candles");
  Shot("5-no-candles", box);
  Key("Return");
  ExpectTabBarTakesClicks(main, "the message on 0 candles");
  Retype(trend->edtKCount, "400");
  Click(panel->BtnRandomJODX);
  ASSERT_TRUE(WaitFor([trend] { return trend->ChartCount() == 4; }));
  Shot("5-trend");

  // The parameters of the first chart's moving averages, from its menu.
  TStockChart* chart = Gui([trend] { return trend->StockChart(0); });
  const QPoint inMain = Gui([chart] { return QPoint(chart->width() / 2, chart->height() / 4); });
  ClickAt(At(chart, inMain));
  ClickAt(At(chart, inMain), 3);
  ASSERT_TRUE(WaitFor([trend] { return trend->PopConfig->isVisible(); }));
  Shot("5-chart-menu", trend->PopConfig);
  ClickAt(Gui([trend] { return trend->PopConfig->mapToGlobal(trend->PopConfig->actionGeometry(trend->popZbConfig).center()); }));
  auto* params = WaitForDialog<TFrmZbCnfg>();
  ExpectSkinnedInFront(params, "parameters");
  EXPECT_EQ(Gui([params] { return params->Edits().size(); }), size_t(6));
  // The first digits typed go into the first edit, over its value.
  Type("5");
  EXPECT_TRUE(WaitFor([params] { return params->Edits()[0]->text() == "5"; }))
      << "typed into " << Gui([] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }).toStdString();
  Shot("5-parameters", params);
  FocusStaysWhereLeft(main, params);
  Click(params->BtnCancel);
  ExpectTabBarTakesClicks(main, "the parameter dialog");
}

// The omission-range picker, a tool window, from the omission candles'
// range button: skinned from its first paint and whole within the screen's
// work area (its frame once grew it past the bottom); the button hides it.
void RangePicker(TfrmMain* main) {
  TFrmTrend* trend = Gui([main] { return main->FrmTrend(); });
  TFrmCondition* panel = Gui([trend] { return trend->ConditionPanel(); });
  Click(trend->BtnYLKLine);
  ASSERT_TRUE(WaitFor([panel] { return panel->BtnYLRange->isVisible(); }));
  Click(panel->BtnYLRange);
  ASSERT_TRUE(WaitFor([] {
    TfrmYLRange* picker = FrmYLRange(false);
    return picker && picker->isVisible() && picker->windowHandle() && picker->windowHandle()->isExposed();
  }));
  TfrmYLRange* picker = Gui([] { return FrmYLRange(false); });
  ExpectSkinnedInFront(picker, "range picker");
  const auto [frame, area] = Gui([picker] { return std::pair(picker->frameGeometry(), picker->screen()->availableGeometry()); });
  EXPECT_TRUE(area.contains(frame)) << "the range picker leaves the work area: " << Gui([picker] { return Place(picker); });
  Shot("5-range-picker", picker);
  Click(panel->BtnYLRange);
  EXPECT_TRUE(WaitFor([picker] { return !picker->isVisible(); }));
  Click(trend->BtnPLKLine);
  ExpectTabBarTakesClicks(main, "the range picker");
}

void ShrinkDialogs(TfrmMain* main) {
  const QPoint shrinkTab = Gui([main] {
    QTabBar* bar = main->PageControl1->tabBar();
    return bar->mapToGlobal(bar->tabRect(1).center());
  });
  ClickAt(shrinkTab);
  ASSERT_TRUE(WaitFor([main] { return main->PageControl1->currentIndex() == 1; }));
  TFrmShrink* shrink = Gui([main] { return main->FrmShrinkView(); });
  const TFormulate* first = Gui([] { return FormulateList().GetItem(7); });
  const TFormulate* sixth = Gui([] { return FormulateList().GetItem(42); });

  // The chooser (no modal loop of its own): OK with nothing chosen first.
  ClickItem(shrink->tvCondition, first);
  ASSERT_TRUE(WaitFor([] { return Ready(FrmChoose(false)); }));
  TFrmChoose* chooser = Gui([] { return FrmChoose(false); });
  ExpectSkinnedInFront(chooser, "chooser");
  // Whole on the screen, below the main window's caption and menu line.
  const auto [chooserFrame, freeArea, menuBottom] = Gui([chooser, main] {
    return std::tuple(chooser->frameGeometry(), chooser->screen()->availableGeometry(),
                      main->centralWidget()->mapToGlobal(QPoint(0, 0)).y());
  });
  EXPECT_TRUE(freeArea.contains(chooserFrame));
  EXPECT_GE(chooserFrame.top(), menuBottom);
  // Shot with the focus on the 保留 radio, as Tab brings it there: its
  // caption framed by the focus rectangle.
  Gui([chooser] { chooser->rbSave->setFocus(Qt::TabFocusReason); });
  Shot("7-chooser", chooser);
  Click(chooser->btnOK);
  QMessageBox* box = WaitForMessage(QStringLiteral("请选择数据！"));
  ExpectSkinnedInFront(box, "no values chosen");
  Shot("7-chooser-no-values", box);
  Key("Return");
  ASSERT_TRUE(NoModalDialog());
  ChooseValues(1, 3);
  Click(chooser->btnOK);
  ASSERT_TRUE(WaitFor([chooser] { return !chooser->isVisible(); }));
  ClickItem(shrink->tvCondition, sixth);
  ASSERT_TRUE(WaitFor([chooser] { return Ready(chooser); }));
  ChooseValues(30, 33);
  Click(chooser->btnOK);
  ASSERT_TRUE(WaitFor([chooser] { return !chooser->isVisible(); }));
  const auto chosen = Conditions();
  ASSERT_EQ(chosen.size(), size_t(2));
  EXPECT_EQ(chosen[0].second, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(chosen[1].second, (std::vector<int32_t>{30, 31, 32, 33}));
  ExpectTabBarTakesClicks(main, "the chooser");
  ClickAt(shrinkTab);

  // The filter, and its numbers saved.
  Click(shrink->btnfilter);
  ASSERT_TRUE(WaitFor([shrink] { return !shrink->Filtering() && !shrink->Results().empty(); }, 60000));
  Shot("8-shrink");
  const QString numbers = folder + "/numbers.txt";
  Click(shrink->BtnSave);
  AnswerFileDialog("8-save-numbers", numbers);
  ExpectTabBarTakesClicks(main, "saving the numbers");
  QFile saved(numbers);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << "the numbers were not saved";
  EXPECT_EQ(saved.readAll().toStdString(), Gui([shrink] { return ResultFileText(shrink->Results()); }));

  // The scheme saved, a third condition added, the scheme loaded: the two
  // saved conditions again.
  ClickAt(shrinkTab);
  const QString scheme = folder + "/scheme.xml";
  Click(shrink->BtnFA);
  AnswerFileDialog("8-save-scheme", scheme);
  ASSERT_TRUE(QFile::exists(scheme));
  ExpectTabBarTakesClicks(main, "saving the scheme");
  ClickAt(shrinkTab);
  ClickItem(shrink->tvCondition, first);
  ASSERT_TRUE(WaitFor([chooser] { return Ready(chooser); }));
  ChooseValues(4, 4);
  Click(chooser->btnOK);
  ASSERT_TRUE(WaitFor([] { return CdtList().Count() == 3; }));
  Click(shrink->BtnLoad);
  AnswerFileDialog("8-load-scheme", scheme);
  EXPECT_EQ(Conditions(), chosen);
  ExpectTabBarTakesClicks(main, "loading the scheme");

  // Numbers into a folder that is not there, a scheme file cut short: each
  // refused with why, and the scheme stays.
  ClickAt(shrinkTab);
  ExpectRefused(shrink->BtnSave, folder + "/none/numbers.txt", QStringLiteral("保存号码失败：文件夹不存在"),
                "8-save-numbers-no-folder");
  QFile cut(folder + "/cut.xml");
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<FMlS>\n<FMlInfo>\n  <FMLNo>7</FMLNo>\n  <IsCheck>0</IsCheck\n");
  cut.close();
  ExpectRefused(shrink->BtnLoad, cut.fileName(), QStringLiteral("无效的XML文件\n第6行第1列不符合XML格式"),
                "8-load-scheme-broken");
  EXPECT_EQ(Conditions(), chosen);
  ExpectTabBarTakesClicks(main, "the refused files");
}

void Leave(TfrmMain* main) {
  Choose(main, 1, main->N3, main->N9, "9-system-menu");
  QMessageBox* box = WaitForMessage(QStringLiteral("是否要退出本软件？"));
  ExpectSkinnedInFront(box, "leaving");
  Shot("9-leave", box);
  Key("Return");
}

// The program idle for a moment takes a small share of a core (it once
// painted a combo box again and again after the skin went on).
void ExpectIdle() {
  struct Paints : QObject {
    std::map<QString, int> count;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++count[QString(o->metaObject()->className()) + " " + o->objectName()];
      return false;
    }
  };
  Paints* paints = Gui([] {
    auto* p = new Paints;
    qApp->installEventFilter(p);
    return p;
  });
  const auto cpu = [] {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  const double before = cpu();
  Pause(1000);
  const double used = cpu() - before;
  const std::map<QString, int> painted = Gui([paints] {
    std::map<QString, int> count = paints->count;
    delete paints;
    return count;
  });
  QString busiest;
  for (const auto& [widget, n] : painted) busiest += QStringLiteral(" %1 (%2)").arg(widget).arg(n);
  EXPECT_LT(used, 0.5) << "the program is busy while nobody uses it; painted:" << busiest.toStdString();
}

// Whether the main window fills the screen's available area.
bool Fills(TfrmMain* main) {
  const platform::TRect r = platform::GetWindowRect(main);
  return QRect(r.Left, r.Top, r.Width(), r.Height()) == main->screen()->availableGeometry();
}

// A window's caption as the skin draws it: its show state and which of the
// skin's caption buttons are shown (on the GUI thread).
std::vector<int> CaptionNow(QWidget* w) {
  std::vector<int> shown;
  if (TSkinFormFrame* frame = FrameOf(w)) {
    shown.push_back(frame->ShowState());
    for (size_t i = 0; i < frame->Buttons().size(); ++i)
      if (frame->Buttons()[i]->Visible) shown.push_back(int(i));
  }
  return shown;
}

std::string Said(const std::vector<int>& caption) {
  std::string said = "state";
  for (int n : caption) said += ' ' + std::to_string(n);
  return said;
}

// 出图 with nothing chosen, over the main window in the state `state`
// names: its box is on the screen where it is, whatever that state.
void NoDataBox(TfrmMain* main, const char* state) {
  TFrmCondition* panel = Gui([main] { return main->FrmTrend()->ConditionPanel(); });
  Click(panel->Button1);
  QMessageBox* box = WaitForMessage(QStringLiteral("请选择数据！"));
  ExpectSkinnedInFront(box, state);
  Key("Return");
  EXPECT_TRUE(NoModalDialog()) << state;
}

// The skin's minimize button on the maximized main window. Under a window
// manager the window is iconified, and brought back it is maximized as it
// was, with the caption it had. Without one nothing can iconify it: it
// stays maximized, and its caption shows the buttons it showed.
void MinimizeAndBack(TfrmMain* main) {
  const QPoint minimize = CaptionButton(main, 2);
  ASSERT_FALSE(minimize.isNull()) << "the main window has no minimize button";
  // Maximized: the caption says so (a state the window system told late is
  // painted all the same).
  ASSERT_TRUE(WaitFor(
                  [main] {
                    const std::vector<int> c = CaptionNow(main);
                    return !c.empty() && c[0] == TSkinFormFrame::kShowMaximized;
                  },
                  5000))
      << "the maximized window's caption: " << Said(Gui([main] { return CaptionNow(main); }));
  const std::vector<int> caption = Gui([main] { return CaptionNow(main); });
  // What the program takes in of the click (made and ended on its thread).
  struct TSeen {
    testsupport::SeenInput* input = Gui([] { return new testsupport::SeenInput; });
    ~TSeen() { Gui([input = input] { delete input; }); }
  } seen;
  ClickAt(minimize);
  if (withWindowManager) {
    ASSERT_TRUE(WaitFor([main] { return main->isMinimized() && !main->windowHandle()->isExposed(); }))
        << "not iconified: " << Gui([main] { return Place(main); });
    Xdotool(QStringLiteral("windowactivate --sync %1").arg(Gui([main] { return main->winId(); })));
    ASSERT_TRUE(WaitFor([main] { return !main->isMinimized() && main->windowHandle()->isExposed(); }))
        << "not brought back: " << Gui([main] { return Place(main); });
  } else {
    // Nothing iconifies it: once the program has taken the click in and run
    // the command the click posted, it is as it was.
    ASSERT_TRUE(WaitFor([&seen] { return seen.input->Releases > 0; })) << "the click on minimize is not taken in";
    Gui([] {});  // queued after that command
  }
  EXPECT_TRUE(WaitFor([main] { return Fills(main) && main->isMaximized() && !main->isMinimized(); }, 5000))
      << Gui([main] { return Place(main); });
  EXPECT_TRUE(WaitFor([&] { return CaptionNow(main) == caption; }, 5000))
      << "the caption's state or buttons changed: " << Said(caption) << " before, "
      << Said(Gui([main] { return CaptionNow(main); })) << " after";
  if (::testing::Test::HasFailure()) Shot("failed-minimize");
  ExpectTabBarTakesClicks(main, "minimizing");
}

// The skin's maximize button restores the maximized main window to a size
// to work in, about four fifths of the free area, centred; a second click
// maximizes it again.
void RestoreAndMaximize(TfrmMain* main) {
  const QPoint zoom = CaptionButton(main, 1);
  ASSERT_FALSE(zoom.isNull()) << "the main window has no maximize button";
  ClickAt(zoom);
  const auto restored = [main] {
    const platform::TRect r = platform::GetWindowRect(main);
    const QRect frame(r.Left, r.Top, r.Width(), r.Height()), area = main->screen()->availableGeometry();
    const QPoint off = frame.center() - area.center();
    return !main->isMaximized() && std::abs(frame.width() - area.width() * 4 / 5) <= 40 &&
           std::abs(frame.height() - area.height() * 4 / 5) <= 60 && std::abs(off.x()) <= 30 && std::abs(off.y()) <= 40;
  };
  EXPECT_TRUE(WaitFor(restored)) << "restored to " << Gui([main] { return Place(main); });
  Shot("2-main-window-restored");
  ExpectOwnTitle(main, "the restored main window");
  ExpectTabBarTakesClicks(main, "restoring");
  NoDataBox(main, "a box over the restored main window");
  ClickAt(CaptionButton(main, 1));
  EXPECT_TRUE(WaitFor([main] { return Fills(main) && main->isMaximized(); }))
      << "maximized again to " << Gui([main] { return Place(main); });
  NoDataBox(main, "a box over the main window maximized again");
}

void User() {
  Gui([] {
    firstPaints = new FirstPaints;
    firstPaints->setParent(qApp);
    qApp->installEventFilter(firstPaints);
  });
  EXPECT_EQ(Gui([] { return platform::WindowManagerRuns(); }), withWindowManager);
  VersionBox();
  if (::testing::Test::HasFailure()) return;
  SignIn();
  if (::testing::Test::HasFailure()) return;
  TfrmMain* main = MainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(Gui([] { return DrawHistory.Count(); }), 3320);
  // Maximized, skinned, filling the screen's available area.
  ASSERT_TRUE(WaitFor([main] { return FrameOf(main) != nullptr; })) << "the main window is not skinned";
  const auto fills = [main] { return Fills(main); };
  EXPECT_TRUE(WaitFor(fills)) << "the main window does not fill the screen: "
                                    << Gui([main] { return main->frameGeometry().width(); }) << " x "
                                    << Gui([main] { return main->frameGeometry().height(); });
  EXPECT_TRUE(Gui([main] { return main->isMaximized(); }));
  Shot("2-main-window");
  ExpectOwnTitle(main, "the main window");
  ExpectTabBarTakesClicks(main, "the sign-in");
  NoDataBox(main, "a box over the maximized main window");

  // Each step needs the one before: the first failure ends the run.
  for (void (*step)(TfrmMain*) : {MinimizeAndBack, RestoreAndMaximize, AboutBox, UpdateCheck, ChangePassword, TrendDialogs,
                                   RangePicker, TrainingMode, ShrinkDialogs}) {
    step(main);
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_TRUE(WaitFor(fills, 1)) << "the main window left its place";
  ExpectIdle();
  Leave(main);
}

// ---------------------------------------------------------------------------
// The window manager.

testsupport::WindowManager windowManager;

TEST(EndToEnd, AUserMeetsEveryDialogAndTheProgramStaysUsable) {
  if (withWindowManager) {
    ASSERT_TRUE(windowManager.Start()) << "openbox did not start";
  }
  std::atomic<bool> finished{false};
  qAddPreRoutine(ApplicationMade);
  std::thread user([&] {
    // The program exists once its application object does.
    applicationMade.get_future().wait();
    User();
    finished = true;
    if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure()) {
      // A user who gave up leaves the program where it stands.
      std::fprintf(stderr, "end to end: the user gave up; the program is ended\n");
      std::fflush(stderr);
      windowManager.Stop();
      std::_Exit(1);
    }
  });
  char name[] = "ssqanalyzer", version[] = "/acver";
  char* argv[] = {name, version, nullptr};
  int argc = 2;
  const int rc = ProgramMain(argc, argv);
  user.join();
  windowManager.Stop();
  EXPECT_TRUE(finished);
  EXPECT_EQ(rc, 0);
}

}  // namespace

// For LeakSanitizer builds: the session-bus library Qt's X11 platform
// loads keeps a buffer to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  ::unsetenv("QT_QPA_PLATFORMTHEME");  // Qt's own file dialog
  // The program's folder holds its skin, as the build puts it beside the
  // program, and its settings.
  testsupport::TempDir programFolder;
  folder = QString::fromStdString(programFolder.Path());
  platform::SetAppPathOverride(programFolder.Path());
  QDir(folder).mkpath(QStringLiteral("skin"));
  if (!QFile::copy(QStringLiteral(SSQ_PROGRAM_SKIN), folder + "/" + QString::fromUtf8(MainSkinFile))) {
    std::fprintf(stderr, "The program's skin is missing: %s\n", SSQ_PROGRAM_SKIN);
    return 1;
  }
  testsupport::DataService dataService;
  service = &dataService;
  ::setenv(ConnectionStringVariable, dataService.ConnectionString().c_str(), 1);
  return RUN_ALL_TESTS();
}
