// Skinned windows under random input: a seeded run of mouse, wheel and key
// events and of window changes over what a program of the skin library
// shows. A main form with a provider, a menu line, tool and status bars and
// one of every adapted control (views that scroll both ways, edits, combos,
// tabs, spin boxes, buttons, check boxes, group boxes, panels, a frame, a
// scroll bar); an MDI form with children and a frame; dialogs skinned by
// the dialog hook and run by exec(). The skin changes, goes off and on,
// takes extended borders; windows and controls are hidden, shown, deleted
// and made again, sized, maximized, restored and minimized.
//
// Input goes the way a user's does: through Qt's window-system entry on the
// offscreen platform (the window under the pointer as a window system
// would pick it, a press holding the pointer until its release), or with
// --x11 as real X input (the XTEST extension) on the test's X server, where
// xcompmgr and, with --window-manager, openbox run. The mouse aims at the
// places where things happen: title buttons, captions, borders and
// corners, the parts of every skinned scroll bar, the menu line and the MDI
// child buttons, open popups, controls; and anywhere. A chain of
// single-shot timers drives the events, so they reach the nested loops of
// dialogs and popups too. Offscreen a run keeps a clock of its own and
// repeats exactly; on X the server's timing makes each run its own.
//
// A crash, a sanitizer's report, an error the library reports, an exception
// or a run that stops making progress prints the seed's events up to
// there. Usage:
//   skinlib_windows_fuzz                       the fixed seeds, as a test
//   skinlib_windows_fuzz --seed=S --events=N   one seed (--verbose: every event)
//   skinlib_windows_fuzz --seeds=A:B --events=N [--jobs=J]
//                                              seeds A to B, each in a process
// With --x11 [--window-manager] on an X display (xvfb-run). A long run:
// scripts/fuzz-windows.sh SEEDS EVENTS [--x11].
#include "platform/Canvas.h"
#include "platform/LayeredWindow.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "skinlib/adapters/ScrollBars.h"
#include "skinlib/adapters/ScrollLayout.h"
#include "skinlib/adapters/sFrameAdapter.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ControlsDemo.h"
#include "skinlib/support/DialogSkin.h"
#include "skinlib/support/ExtBorderSkin.h"
#include "skinlib/support/MdiSkin.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XPrograms.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStringListModel>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

// The fixed seeds: each ended the program within its events, on the fault
// named, until that was mended. Under X the first two run (the real input
// is slower, and the X server makes a run its own).
struct FixedSeed {
  std::uint64_t Seed;
  const char* Found;
};
constexpr FixedSeed kFixedSeeds[] = {
    {16, "a title button's fade window deleted inside its own activation"},
    {2, "a frame hidden after a skin change handing the manager on as the control that changed"},
    {47, "the release of a dragged list-view thumb taking the position for a scroll bar"},
    {51, "the same after a click on the thumb"},
    {25, "a press where two forms' shadows overlap handed back and forth until the stack ran out"},
    {44, "a button's adapter freed by the dialog its click opened, and used after"},
    {93, "a tool bar's adapter freed by the dialog its button opened, and used after"},
    {12, "a frame hidden after a skin change, as seed 2"},
};
constexpr int kFixedEvents = 500;
void PrintTo(const FixedSeed& seed, std::ostream* out) { *out << seed.Seed; }
constexpr size_t kFixedX11Seeds = 2;
// A step that has not ended after this long has hung.
constexpr int kStallSeconds = 120;

struct Options {
  std::uint64_t FirstSeed = 0, LastSeed = 0;
  bool Seeds = false;  // --seed or --seeds given
  bool Many = false;   // --seeds: each in a process of its own
  int Events = 2000;
  int Jobs = 1;
  bool X11 = false;
  bool WindowManager = false;
  bool Verbose = false;
};
Options options;

// ------------------------------------------------------------ the log

// Where a seed's process counts its events for the run of many seeds.
long* eventCount = nullptr;

// The events of the running seed, printed when it fails.
class EventLog {
 public:
  void Begin(std::uint64_t seed) {
    std::lock_guard lock(mutex_);
    seed_ = seed;
    lines_.clear();
  }
  void Add(std::string line) {
    if (options.Verbose) std::fprintf(stderr, "%s\n", line.c_str());
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  // Also from a crash: the lock is taken when it can be.
  void Print(const char* why) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    constexpr size_t kShown = 400;
    std::fprintf(stderr, "\n==== windows fuzz: seed %llu failed: %s\n", static_cast<unsigned long long>(seed_), why);
    const size_t from = lines_.size() > kShown ? lines_.size() - kShown : 0;
    if (from) std::fprintf(stderr, "(%zu earlier events left out; --verbose shows every event)\n", from);
    for (size_t i = from; i < lines_.size(); ++i) std::fprintf(stderr, "%s\n", lines_[i].c_str());
    std::fprintf(stderr, "==== replay: skinlib_windows_fuzz --seed=%llu --events=%zu%s%s\n",
                 static_cast<unsigned long long>(seed_), lines_.size(), options.X11 ? " --x11" : "",
                 options.WindowManager ? " --window-manager" : "");
    std::fflush(stderr);
  }

 private:
  std::mutex mutex_;
  std::uint64_t seed_ = 0;
  std::vector<std::string> lines_;
};
// Never destroyed: a sanitizer's report at the program's end still prints it.
EventLog& eventLog = *new EventLog;
std::atomic<long> progress{0};

void PrintLogOnDeath() { eventLog.Print("the program is ending on a fault"); }

void PrintLogOnSignal(int signal) {
  eventLog.Print(strsignal(signal));
  std::raise(signal);  // SA_RESETHAND: the default action now
}

// Each sanitizer runtime loaded (g++ links ASan's and UBSan's apart, each
// with its own death callback) prints the log before it ends the program.
int SetDeathCallbacks(dl_phdr_info* info, size_t, void*) {
  if (std::strstr(info->dlpi_name, "san"))
    if (void* library = ::dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD)) {
      using Setter = void (*)(void (*)());
      if (auto set = reinterpret_cast<Setter>(::dlsym(library, "__sanitizer_set_death_callback"))) set(PrintLogOnDeath);
      ::dlclose(library);
    }
  return 0;
}

// A step that stalls (a hang) prints the log and ends the program: a
// thread of the process that runs the seeds (never made before a fork).
void StartWatchdog() {
  std::thread([] {
    long last = -1;
    int still = 0;
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      const long now = progress.load();
      still = now == last ? still + 1 : 0;
      last = now;
      if (still >= kStallSeconds && now > 0) {
        eventLog.Print("no progress for two minutes (a hang)");
        std::_Exit(4);
      }
    }
  }).detach();
}

// The log goes out before a sanitizer's report ends the program and on a
// crash signal.
void InstallFailureReports() {
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(PrintLogOnDeath);
  ::dl_iterate_phdr(SetDeathCallbacks, nullptr);
  std::vector<int> crashes{SIGABRT};
#ifndef __SANITIZE_ADDRESS__
  crashes.insert(crashes.end(), {SIGSEGV, SIGBUS, SIGFPE, SIGILL});
#endif
  for (int signal : crashes) {
    struct sigaction action {};
    action.sa_handler = PrintLogOnSignal;
    action.sa_flags = SA_RESETHAND;
    sigaction(signal, &action, nullptr);
  }
}

// ------------------------------------------------------------ the clock

// Offscreen a seed runs on a clock of its own: the monotonic time that the
// toolkit's and the library's timers read moves only with the events (up
// to twice kEventMs an event, a wait as long as it says), so that a seed
// repeats exactly, fades and hover timers included. The program's
// definition of clock_gettime stands in for the C library's; the other
// clocks, and the monotonic one outside a seed, are the system's (the
// latter shifted so that it never goes back).
namespace virtualclock {

constexpr std::int64_t kMs = 1'000'000;
std::atomic<bool> driven{false};
std::atomic<std::int64_t> frozen{0}, shift{0};  // ns

std::int64_t Real() {
  timespec ts{};
  ::syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &ts);
  return std::int64_t(ts.tv_sec) * 1000 * kMs + ts.tv_nsec;
}
std::int64_t Now() { return driven ? frozen.load() : Real() + shift; }
void Drive(bool on) {
  if (on == driven) return;
  if (on) {
    frozen = Real() + shift;
    driven = true;
  } else {
    shift = frozen - Real();
    driven = false;
  }
}
void Advance(int ms) { frozen += ms * kMs; }

}  // namespace virtualclock

constexpr int kEventMs = 10;

std::string Text(const QString& s) { return s.toStdString(); }

// The top-level windows in the order they were first shown: Qt keeps its
// own list in a set (an order by address), which would differ between runs.
class ShownWindows : public QObject {
 public:
  ShownWindows() { qApp->installEventFilter(this); }
  std::vector<QWidget*> List() {
    std::vector<QWidget*> alive;
    for (const QPointer<QWidget>& w : windows_)
      if (w) alive.push_back(w);
    return alive;
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Show && object->isWidgetType() && static_cast<QWidget*>(object)->isWindow()) {
      std::erase_if(windows_, [](const QPointer<QWidget>& w) { return !w; });
      if (std::find(windows_.begin(), windows_.end(), object) == windows_.end())
        windows_.emplace_back(static_cast<QWidget*>(object));
    }
    return false;
  }

 private:
  std::vector<QPointer<QWidget>> windows_;
};
ShownWindows* shownWindows = nullptr;

std::string Text(QPoint p) { return QStringLiteral("(%1,%2)").arg(p.x()).arg(p.y()).toStdString(); }
std::string Name(const QWidget* w) {
  if (!w) return "nothing";
  if (!w->windowTitle().isEmpty()) return "\"" + Text(w->windowTitle()) + "\"";
  const QString name = w->objectName();
  return std::string(w->metaObject()->className()) + (name.isEmpty() ? "" : " " + Text(name));
}

// ------------------------------------------------------------ input

// The one pointer and keyboard of the test: where the pointer is, which
// buttons and modifiers are held.
class Input {
 public:
  virtual ~Input() = default;
  void Move(QPoint to) {
    pointer_ = to;
    DeliverMove();
  }
  // A press of a held button or the release of one not held does nothing.
  void Button(Qt::MouseButton button, bool press, int gap) {
    if (bool(held_ & button) == press) return;
    clock_ += gap;
    held_.setFlag(button, press);
    DeliverButton(button, press);
  }
  void Wheel(QPoint angle) { DeliverWheel(angle); }
  void Key(int key, bool press) {
    const Qt::KeyboardModifier modifier = key == Qt::Key_Alt       ? Qt::AltModifier
                                          : key == Qt::Key_Shift   ? Qt::ShiftModifier
                                          : key == Qt::Key_Control ? Qt::ControlModifier
                                                                   : Qt::NoModifier;
    if (modifier != Qt::NoModifier && bool(modifiers_ & modifier) == press) return;
    if (modifier != Qt::NoModifier) modifiers_.setFlag(modifier, press);
    clock_ += 30;
    DeliverKey(key, press);
  }
  QPoint Pointer() const { return pointer_; }
  Qt::MouseButtons Held() const { return held_; }
  Qt::KeyboardModifiers Modifiers() const { return modifiers_; }

 protected:
  virtual void DeliverMove() = 0;
  virtual void DeliverButton(Qt::MouseButton button, bool press) = 0;
  virtual void DeliverWheel(QPoint angle) = 0;
  virtual void DeliverKey(int key, bool press) = 0;

  QPoint pointer_;
  Qt::MouseButtons held_;
  Qt::KeyboardModifiers modifiers_;
  int clock_ = 1000;  // the events' time stamps (ms)
};

QString KeyText(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar(key - Qt::Key_A + 'a'));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return QString(QChar(key));
  switch (key) {
    case Qt::Key_Space: return QStringLiteral(" ");
    case Qt::Key_Return: return QStringLiteral("\r");
    case Qt::Key_Tab: return QStringLiteral("\t");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    default: return {};
  }
}

// Qt's window-system entry, as the offscreen platform's own events come.
class QpaInput : public Input {
 protected:
  void DeliverMove() override { Mouse(QEvent::MouseMove, Qt::NoButton); }
  void DeliverButton(Qt::MouseButton button, bool press) override {
    Mouse(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, button);
    if (!held_) grab_ = nullptr;
  }
  void DeliverWheel(QPoint angle) override {
    if (QWindow* w = held_ && grab_ ? grab_.data() : Target(false)) {
      QWheelEvent e(w->mapFromGlobal(pointer_), pointer_, QPoint(), angle, held_, modifiers_, Qt::NoScrollPhase,
                    false);
      QCoreApplication::sendEvent(w, &e);
    }
  }
  void DeliverKey(int key, bool press) override {
    QWindow* w = QGuiApplication::focusWindow();
    if (QWidget* popup = QApplication::activePopupWidget()) w = popup->windowHandle();
    if (w) qt_handleKeyEvent(w, press ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers_, KeyText(key));
  }

 private:
  void Mouse(QEvent::Type type, Qt::MouseButton button) {
    const bool firstPress = type == QEvent::MouseButtonPress && held_ == button;
    // While a button is held, and for the release of the last, the pointer
    // stays with the window that took the first press.
    const bool grabbed = !firstPress && grab_ && (held_ || type == QEvent::MouseButtonRelease);
    if (QWindow* w = grabbed ? grab_.data() : Target(firstPress))
      qt_handleMouseEvent(w, w->mapFromGlobal(QPointF(pointer_)), QPointF(pointer_), held_, button, type, modifiers_,
                          clock_);
  }
  // The window under the pointer, else an open popup or the window
  // holding the mouse; a first press's is kept for the grab.
  QWindow* Target(bool firstPress) {
    QWindow* w = WindowAt(pointer_);
    if (!w) {
      QWidget* holder = QApplication::activePopupWidget();
      if (!holder && QWidget::mouseGrabber()) holder = QWidget::mouseGrabber()->window();
      w = holder ? holder->windowHandle() : nullptr;
    }
    if (firstPress) grab_ = w;
    return w;
  }
  // Popups over modal windows over the active window over the rest; a
  // window laid behind its owner (an extended border) just below it; of
  // equals the one made last. A window's region and input transparency
  // count.
  static QWindow* WindowAt(QPoint p) {
    const auto rank = [](QWidget* w) {
      if (w->windowType() == Qt::Popup) return 50;
      if (w->windowType() == Qt::ToolTip) return 45;
      if (w == QApplication::activeModalWidget()) return 40;
      if (w->isModal()) return 30;
      if (w->isActiveWindow()) return 20;
      return 10;
    };
    QWidget* best = nullptr;
    int bestRank = -1;
    for (QWidget* w : shownWindows->List()) {
      if (!w->isVisible() || !w->windowHandle() || (w->windowFlags() & Qt::WindowTransparentForInput) ||
          w->testAttribute(Qt::WA_TransparentForMouseEvents) || !w->geometry().contains(p))
        continue;
      if (const QRegion mask = w->mask(); !mask.isEmpty() && !mask.contains(p - w->geometry().topLeft())) continue;
      QWidget* owner = w->windowType() == Qt::Tool && w->parentWidget() ? w->parentWidget()->window() : nullptr;
      const int r = owner ? rank(owner) - 1 : rank(w);
      if (r >= bestRank) {
        best = w;
        bestRank = r;
      }
    }
    return best ? best->windowHandle() : nullptr;
  }

  QPointer<QWindow> grab_;
};

// Real X input through the XTEST extension, on a connection of its own.
class XTestInput : public Input {
 public:
  XTestInput() {
    c_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c_)) return;
    const xcb_setup_t* setup = xcb_get_setup(c_);
    root_ = xcb_setup_roots_iterator(setup).data->root;
    const char name[] = "XTEST";
    if (auto* ext = xcb_query_extension_reply(c_, xcb_query_extension(c_, sizeof name - 1, name), nullptr)) {
      opcode_ = ext->present ? ext->major_opcode : 0;
      std::free(ext);
    }
    const int count = setup->max_keycode - setup->min_keycode + 1;
    if (auto* map = xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, uint8_t(count)), nullptr)) {
      const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
      for (int k = 0; k < count; ++k) keycodes_.try_emplace(syms[k * map->keysyms_per_keycode], setup->min_keycode + k);
      std::free(map);
    }
  }
  ~XTestInput() override { xcb_disconnect(c_); }
  bool Ready() const { return !xcb_connection_has_error(c_) && opcode_; }

 protected:
  void DeliverMove() override { Fake(kMotion, 0); }
  void DeliverButton(Qt::MouseButton button, bool press) override {
    Fake(press ? kButtonPress : kButtonRelease, button == Qt::LeftButton ? 1 : button == Qt::MiddleButton ? 2 : 3);
  }
  void DeliverWheel(QPoint angle) override {
    const uint8_t button = angle.y() > 0 ? 4 : angle.y() < 0 ? 5 : angle.x() > 0 ? 6 : 7;
    Fake(kButtonPress, button);
    Fake(kButtonRelease, button);
  }
  void DeliverKey(int key, bool press) override {
    static const std::map<int, xcb_keysym_t> symbols{
        {Qt::Key_Left, 0xff51},   {Qt::Key_Up, 0xff52},     {Qt::Key_Right, 0xff53}, {Qt::Key_Down, 0xff54},
        {Qt::Key_PageUp, 0xff55}, {Qt::Key_PageDown, 0xff56}, {Qt::Key_Home, 0xff50}, {Qt::Key_End, 0xff57},
        {Qt::Key_Tab, 0xff09},    {Qt::Key_Return, 0xff0d}, {Qt::Key_Escape, 0xff1b}, {Qt::Key_F10, 0xffc7},
        {Qt::Key_Space, 0x20},    {Qt::Key_Alt, 0xffe9},    {Qt::Key_Shift, 0xffe1}, {Qt::Key_Control, 0xffe3},
        {Qt::Key_Delete, 0xffff}};
    xcb_keysym_t sym = 0;
    if (const auto it = symbols.find(key); it != symbols.end()) sym = it->second;
    else if (!KeyText(key).isEmpty()) sym = KeyText(key)[0].unicode();
    if (const auto it = keycodes_.find(sym); it != keycodes_.end()) Fake(press ? kKeyPress : kKeyRelease, it->second);
  }

 private:
  static constexpr uint8_t kKeyPress = 2, kKeyRelease = 3, kButtonPress = 4, kButtonRelease = 5, kMotion = 6;
  // XTEST's FakeInput; the round trip after it has the server done with it.
  void Fake(uint8_t type, uint8_t detail) {
    struct {
      uint8_t major, minor;
      uint16_t length;
      uint8_t type, detail;
      uint16_t unused0;
      uint32_t time, root;
      uint8_t unused1[8];
      int16_t x, y;
      uint8_t unused2[7];
      uint8_t device;
    } request{};
    static_assert(sizeof request == 36);
    request.minor = 2;
    request.type = type;
    request.detail = detail;
    request.root = root_;
    request.x = int16_t(pointer_.x());
    request.y = int16_t(pointer_.y());
    iovec parts[4] = {};
    parts[2] = {&request, sizeof request};
    xcb_protocol_request_t header{2, nullptr, opcode_, 1};
    xcb_send_request(c_, 0, parts + 2, &header);
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
  }

  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = 0;
  uint8_t opcode_ = 0;
  std::map<xcb_keysym_t, uint8_t> keycodes_;
};

// ------------------------------------------------------------ the windows

// Three skins with everything the windows wear, written once a process:
// blue (extended border, skinned scroll bars, group boxes framed), green
// (the title over the extended border, no small title buttons for
// dialogs, half-transparent group boxes) and plain (title and menus only).
const QStringList kSkinNames{QStringLiteral("Blue"), QStringLiteral("Green"), QStringLiteral("Plain")};

QString WriteSkins(const QString& root) {
  using namespace testskins;
  TestSkin blue = ExtBorderSkin();
  for (const TestSkin& part : {MdiSkin(0, true), ControlsDemoSkin(), ScrollBarSkin(), MenuSkin(), DialogSkin()})
    blue.Merge(part);
  TestSkin green = ExtBorderSkin(true);
  RemoveKey(green, QStringLiteral("FORMTITLE"), QStringLiteral("HOTCOLOR"));
  green.Section(QStringLiteral("FORMTITLE")).Set(QStringLiteral("HOTCOLOR"), 0x207020);
  for (const TestSkin& part : {ControlsDemoSkin(), MdiSkin(50), ScrollBarSkin(0, 1), MenuSkin(0), DialogSkin(false)})
    green.Merge(part);
  TestSkin plain = FormSkin();
  plain.Merge(MenuSkin());
  const TestSkin* skins[] = {&blue, &green, &plain};
  QString error;
  for (int i = 0; i < 3; ++i)
    if (!WriteSkinFolder(*skins[i], root + "/" + kSkinNames[i], &error)) return error;
  return {};
}

// Text long enough for both scroll bars.
QString Row(int i) {
  return QStringLiteral("第 2026%1 期  红球 03 08 12 19 25 31  蓝球 09  和值 98  跨度 28  奇偶 4:2  大小 3:3")
      .arg(i, 3, 10, QLatin1Char('0'));
}

QStandardItemModel* Table(QObject* owner, int rows, int columns, bool tree) {
  auto* model = new QStandardItemModel(owner);
  model->setColumnCount(columns);
  for (int r = 0; r < rows; ++r) {
    QList<QStandardItem*> row;
    for (int c = 0; c < columns; ++c) row << new QStandardItem(c == 0 ? Row(r) : QString::number(r * columns + c));
    if (tree)
      for (int k = 0; k < 4; ++k) row[0]->appendRow(new QStandardItem(Row(100 + r * 4 + k)));
    model->appendRow(row);
  }
  return model;
}

// Every window of a seed, each made again when asked; the skin manager
// lives as long as the scene.
class Scene {
 public:
  enum Dialog { kMessage, kInput, kStatistics, kDialogKinds };

  Scene(const QString& skinsDir, std::mt19937_64& rng) : rng_(rng) {
    manager_ = std::make_unique<TsSkinManager>();
    manager_->SetExtendedBorders(rng_() % 2);
    manager_->SetSkinDirectory(skinsDir);
    manager_->SetSkinName(kSkinNames[int(rng_() % 3)]);
    MakeMain();
    MakeMdi();
  }
  ~Scene() {
    delete main_;
    delete mdi_;
    manager_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  TsSkinManager& Manager() const { return *manager_; }
  QMainWindow* Main() const { return main_; }
  QMainWindow* Mdi() const { return mdi_; }
  QMdiArea* Area() const { return area_; }
  int ExecDepth() const { return execDepth_; }

  // The controls a user reaches one by one (those still there).
  std::vector<QWidget*> Controls() const {
    std::vector<QWidget*> alive;
    for (const QPointer<QWidget>& w : controls_)
      if (w) alive.push_back(w);
    return alive;
  }
  // What a program makes again: the two forms, the main form's views and
  // controls, an MDI child. False when nothing is missing.
  bool MakeMissing(std::string& what) {
    if (!main_) return what = "the main form", MakeMain(), true;
    if (!mdi_) return what = "the MDI form", MakeMdi(), true;
    if (!views_) return what = "the main form's views", MakeViews(), true;
    if (!demo_) return what = "the main form's controls", MakeDemo(), true;
    if (area_ && area_->subWindowList().size() < 4) {
      const int kind = int(rng_() % 3);
      what = "an MDI child of kind " + std::to_string(kind);
      AddMdiChild(kind, rng_() % 4 != 0);
      return true;
    }
    return false;
  }

  // A dialog run by exec() as a program runs it, on the active window.
  void ExecDialog(int kind) {
    if (execDepth_ >= 3) return;
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = main_ && main_->isVisible() ? main_.data() : mdi_.data();
    QPointer<QDialog> dialog;
    if (kind == kMessage) {
      dialog = new QMessageBox(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("已读入 2 期开奖号码。"),
                               QMessageBox::Ok | QMessageBox::Cancel, parent);
    } else if (kind == kInput) {
      auto* input = new QInputDialog(parent);
      input->setWindowTitle(QStringLiteral("选择期号"));
      input->setLabelText(QStringLiteral("期号:"));
      QStringList issues;
      for (int i = 1; i <= 40; ++i) issues << QStringLiteral("2026%1").arg(i, 3, 10, QLatin1Char('0'));
      input->setComboBoxItems(issues);
      dialog = input;
    } else {
      dialog = new QDialog(parent);
      dialog->setWindowTitle(QStringLiteral("号码统计"));
      auto* layout = new QVBoxLayout(dialog);
      auto* list = new QListWidget;
      for (int i = 0; i < 60; ++i) list->addItem(Row(i));
      layout->addWidget(list);
      auto* tree = new QTreeView;
      tree->setModel(Table(tree, 20, 4, true));
      layout->addWidget(tree);
      auto* more = new QPushButton(QStringLiteral("详情…"));
      QObject::connect(more, &QPushButton::clicked, dialog, [this] { ExecDialog(kMessage); });
      layout->addWidget(more);
      auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
      QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
      QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
      layout->addWidget(buttons);
      dialog->resize(360, 420);
    }
    ++execDepth_;
    dialog->exec();
    --execDepth_;
    delete dialog;
  }

  void MakeMain() {
    main_ = new QMainWindow;
    main_->setWindowTitle(QStringLiteral("双色球分析 - 随机输入"));
    QMenuBar* bar = main_->menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("文件(&F)"));
    Opens(file->addAction(QStringLiteral("打开(&O)…")), kStatistics);
    QMenu* recent = file->addMenu(QStringLiteral("最近(&R)"));
    for (int i = 1; i <= 4; ++i) recent->addAction(QStringLiteral("2026%1.txt").arg(i, 3, 10, QLatin1Char('0')));
    file->addSeparator();
    QObject::connect(file->addAction(QStringLiteral("关闭(&C)")), &QAction::triggered, main_.data(), &QWidget::close);
    QMenu* edit = bar->addMenu(QStringLiteral("编辑(&E)"));
    edit->addAction(QStringLiteral("复制(&C)"));
    edit->addAction(QStringLiteral("粘贴(&P)"))->setEnabled(false);
    edit->addAction(QStringLiteral("显示网格(&G)"))->setCheckable(true);
    QMenu* view = bar->addMenu(QStringLiteral("查看(&V)"));
    for (const char* name : {"走势(&T)", "缩水(&S)", "统计(&A)"}) view->addAction(QString::fromUtf8(name));
    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    Opens(help->addAction(QStringLiteral("提示(&T)…")), kMessage);
    Opens(help->addAction(QStringLiteral("选择期号(&S)…")), kInput);
    QToolBar* tools = main_->addToolBar(QStringLiteral("工具"));
    Opens(tools->addAction(QStringLiteral("打开")), kInput);
    tools->addAction(QStringLiteral("保存"));
    tools->addSeparator();
    tools->addAction(QStringLiteral("趋势"));
    // The form's popup menu, on a right click in its client: a command, the
    // skins, and a dialog.
    auto* popup = new QMenu(main_);
    popup->addAction(QStringLiteral("刷新(&R)"));
    QMenu* skins = popup->addMenu(QStringLiteral("皮肤(&S)"));
    for (const QString& name : kSkinNames)
      QObject::connect(skins->addAction(name), &QAction::triggered, popup, [this, name] { manager_->SetSkinName(name); });
    QObject::connect(skins->addAction(QStringLiteral("无皮肤(&N)")), &QAction::triggered, popup,
                     [this] { manager_->SetActive(!manager_->Active()); });
    Opens(popup->addAction(QStringLiteral("号码统计(&A)…")), kStatistics);
    main_->setProperty("PopupMenu", QVariant::fromValue<QObject*>(popup));
    main_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(main_.data(), &QWidget::customContextMenuRequested, popup,
                     [this, popup](QPoint at) { popup->popup(main_->mapToGlobal(at)); });
    main_->statusBar()->showMessage(QStringLiteral("就绪"));
    main_->statusBar()->addPermanentWidget(new QLabel(QStringLiteral("第 2026001 期")));
    split_ = new QSplitter;
    scroll_ = new QScrollArea;
    split_->addWidget(scroll_);
    main_->setCentralWidget(split_);
    MakeDemo();
    MakeViews();
    auto* provider = new TsSkinProvider(main_);
    TsTitleButton statistics;
    statistics.Hint = QStringLiteral("号码统计");
    statistics.OnMouseUp = [this](TsTitleButton&, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
      ExecDialog(kStatistics);
    };
    provider->TitleButtons().push_back(std::move(statistics));
    main_->setGeometry(10, 10, 760, 540);
    main_->show();
  }

  // The controls demo in a scrolling box.
  void MakeDemo() {
    if (!scroll_) return;
    auto* demo = new QWidget;
    const testskins::ControlsDemoForm d = testskins::MakeControlsDemoForm(demo);
    QObject::connect(d.Buttons.Default, &QPushButton::clicked, demo, [this] { ExecDialog(kMessage); });
    for (QWidget* w : d.Controls()) controls_.emplace_back(w);
    scroll_->setWidget(demo);
    demo_ = demo;
  }

  // Views that scroll both ways, edits, a combo, a frame and a scroll bar.
  void MakeViews() {
    if (!split_) return;
    views_ = new QWidget;
    auto* columns = new QHBoxLayout(views_);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* list = new QListView;
    QStringList rows;
    for (int i = 0; i < 200; ++i) rows << Row(i);
    list->setModel(new QStringListModel(rows, list));
    auto* tree = new QTreeView;
    tree->setModel(Table(tree, 40, 5, true));
    tree->expandToDepth(0);
    auto* table = new QTableView;
    table->setModel(Table(table, 80, 12, false));
    auto* box = new QListWidget;
    for (int i = 0; i < 50; ++i) box->addItem(Row(i));
    auto* text = new QTextEdit;
    text->setLineWrapMode(QTextEdit::NoWrap);
    text->setPlainText(rows.mid(0, 60).join(u'\n'));
    auto* line = new QLineEdit(Row(1));
    auto* combo = new QComboBox;
    combo->setEditable(true);
    combo->addItems(rows.mid(0, 30));
    auto* frame = new testskins::TFrame;
    frame->setObjectName(QStringLiteral("frame"));
    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(new QLabel(QStringLiteral("2024001 期: 03 08 15 21 27 33 + 09")));
    inner->addWidget(new QPushButton(QStringLiteral("下一期")));
    auto* bar = new QScrollBar(Qt::Horizontal);
    bar->setRange(0, 100);
    for (QWidget* w : {static_cast<QWidget*>(list), static_cast<QWidget*>(tree), static_cast<QWidget*>(table)})
      left->addWidget(w);
    for (QWidget* w : {static_cast<QWidget*>(box), static_cast<QWidget*>(text), static_cast<QWidget*>(line),
                       static_cast<QWidget*>(combo), static_cast<QWidget*>(frame), static_cast<QWidget*>(bar)}) {
      right->addWidget(w);
    }
    for (QWidget* w : {static_cast<QWidget*>(list), static_cast<QWidget*>(tree), static_cast<QWidget*>(table),
                       static_cast<QWidget*>(box), static_cast<QWidget*>(text), static_cast<QWidget*>(line),
                       static_cast<QWidget*>(combo), static_cast<QWidget*>(frame), static_cast<QWidget*>(bar)})
      controls_.emplace_back(w);
    split_->addWidget(views_);
  }

  // The demo MDI form: three children, the last with a frame; the first
  // and the last with providers, the middle one left to the dialog hook.
  void MakeMdi() {
    const testskins::DemoMdi demo = testskins::DemoMdiMainWindow();
    mdi_ = demo.Window;
    area_ = demo.Area;
    new TsSkinProvider(mdi_);
    for (int i : {0, 2}) new TsSkinProvider(demo.Children[i]->widget());
    controls_.emplace_back(demo.Frame);
    mdi_->setGeometry(150, 100, 600, 440);
    mdi_->show();
    for (QMdiSubWindow* child : demo.Children) child->show();
    AddMdiChild(2, true);
    area_->cascadeSubWindows();
  }

  // A text, a frame or a table child, with a provider or without.
  void AddMdiChild(int kind, bool provider) {
    QWidget* form = nullptr;
    if (kind == 0) {
      auto* text = new QTextEdit;
      text->setLineWrapMode(QTextEdit::NoWrap);
      text->setPlainText(Row(7).repeated(3));
      form = text;
    } else if (kind == 1) {
      form = new QWidget;
      auto* layout = new QVBoxLayout(form);
      auto* frame = new testskins::TFrame;
      (new QVBoxLayout(frame))->addWidget(new QPushButton(QStringLiteral("下一期")));
      layout->addWidget(frame);
      controls_.emplace_back(frame);
    } else {
      auto* table = new QTableView;
      table->setModel(Table(table, 60, 10, false));
      controls_.emplace_back(table);
      form = table;
    }
    form->setWindowTitle(QStringLiteral("号码表 %1").arg(++children_));
    QMdiSubWindow* sub = area_->addSubWindow(form);
    if (provider) new TsSkinProvider(form);
    sub->resize(260, 180);
    sub->show();
  }

 private:
  void Opens(QAction* action, int kind) {
    QObject::connect(action, &QAction::triggered, action, [this, kind] { ExecDialog(kind); });
  }

  std::mt19937_64& rng_;
  std::unique_ptr<TsSkinManager> manager_;
  QPointer<QMainWindow> main_, mdi_;
  QPointer<QSplitter> split_;
  QPointer<QScrollArea> scroll_;
  QPointer<QWidget> views_, demo_;
  QPointer<QMdiArea> area_;
  std::vector<QPointer<QWidget>> controls_;
  int execDepth_ = 0;
  int children_ = 0;
};

// ------------------------------------------------------------ aiming

struct Aim {
  QPoint At;
  std::string What;
  int Axis = 0;  // a scroll bar's: 1 across x, 2 across y (a drag follows it)
};

std::vector<QWidget*> VisibleWindows() {
  std::vector<QWidget*> windows;
  for (QWidget* w : shownWindows->List())
    if (w->isVisible() && !(w->windowFlags() & Qt::WindowTransparentForInput)) windows.push_back(w);
  return windows;
}

std::vector<TsSkinProvider*> ShownProviders() {
  std::vector<TsSkinProvider*> providers;
  for (QWidget* w : VisibleWindows())
    for (TsSkinProvider* p : w->findChildren<TsSkinProvider*>())
      if (p->Form() && p->Form()->isVisible() && p->Skinned()) providers.push_back(p);
  return providers;
}

// Where a provider's layout (window coordinates) lies on the screen.
QPoint LayoutOrigin(TsSkinProvider* p) {
  if (p->HasBorderWindow() && p->BorderForm()->BorderWindow()) return p->BorderForm()->BorderWindow()->pos();
  return p->Form()->mapToGlobal(QPoint(0, 0));
}

std::vector<TacScrollWnd*> ShownScrollAdapters() {
  std::vector<TacScrollWnd*> adapters;
  for (QWidget* w : VisibleWindows())
    for (QWidget* c : w->findChildren<QWidget*>())
      if (c->isVisible())
        if (TacScrollWnd* a = ScrollAdapterOfWindow(c)) adapters.push_back(a);
  return adapters;
}

// ------------------------------------------------------------ the driver

class Fuzzer {
 public:
  Fuzzer(std::uint64_t seed, int events, const QString& skinsDir, Input& input)
      : rng_(seed), scene_(skinsDir, rng_), input_(input), events_(events) {}

  // Every event, then whatever popup and dialog is open closed; the
  // finding (empty: none).
  std::string Run() {
    eventLog.Add("scene: skin " + Text(scene_.Manager().SkinName()) + ", extended borders " +
                 (scene_.Manager().ExtendedBorders() ? "on" : "off"));
    QTimer::singleShot(0, &loop_, [this] { Tick(); });
    virtualclock::Drive(!options.X11);
    loop_.exec();
    virtualclock::Drive(false);
    return finding_;
  }

 private:
  using Step = std::function<void()>;
  struct Planned {
    std::string What;
    Step Do;
    int Delay = 0;  // ms before the next event
  };

  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Rand(1, 100) <= percent; }
  template <class T>
  T Pick(const std::vector<T>& v) { return v[size_t(Rand(0, int(v.size()) - 1))]; }
  void Push(std::string what, Step step, int delay = 0) {
    plan_.push_back({std::move(what), std::move(step), std::max(delay, options.X11 ? 3 : 0)});
  }

  // One event a tick; the next tick is set first, so that a nested loop
  // the event opens runs it.
  void Tick() {
    ++progress;
    if (index_ >= events_ || !finding_.empty()) return Close();
    if (plan_.empty()) Plan();
    Planned next = std::move(plan_.front());
    plan_.pop_front();
    if (virtualclock::driven) {
      virtualclock::Advance(Rand(1, 2 * kEventMs) + next.Delay);
      next.Delay = 0;
    }
    QTimer::singleShot(next.Delay, &loop_, [this] { Tick(); });
    eventLog.Add("#" + std::to_string(index_++) + " " + next.What);
    if (eventCount) ++*eventCount;
    try {
      next.Do();
    } catch (const std::exception& e) {
      finding_ = std::string("an exception left the event: ") + e.what();
    }
    if (prompts_.Calls.size() > promptsSeen_ && finding_.empty())
      finding_ = "the library reported: " + Text(prompts_.Calls[promptsSeen_].Text);
    promptsSeen_ = prompts_.Calls.size();
  }

  // Held buttons and keys let go, popups and dialogs closed, one a tick,
  // until no nested loop runs.
  void Close() {
    if (++closing_ > 2000) {
      if (finding_.empty()) finding_ = "a dialog's loop does not end";
      return loop_.quit();
    }
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton}) input_.Button(b, false, 50);
    for (int key : {Qt::Key_Alt, Qt::Key_Shift, Qt::Key_Control}) input_.Key(key, false);
    ++quiet_;
    if (QWidget* popup = QApplication::activePopupWidget()) {
      popup->close();
      quiet_ = 0;
    } else if (QWidget* modal = QApplication::activeModalWidget()) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      else modal->close();
      quiet_ = 0;
    } else if (scene_.ExecDepth() > 0) {
      quiet_ = 0;
    } else if (quiet_ >= (options.X11 ? 50 : 1)) {
      // Real input may still be on its way (a release that opens a
      // dialog): on X the end waits for some quiet ticks.
      return loop_.quit();
    }
    if (virtualclock::driven) virtualclock::Advance(kEventMs);
    QTimer::singleShot(virtualclock::driven ? 0 : 1, &loop_, [this] { Tick(); });
  }

  void Plan() {
    const int roll = Rand(1, 100);
    if (roll <= 56) return PlanMouse();
    if (roll <= 64) return PlanWheel();
    if (roll <= 82) return PlanKeys();
    PlanWindow();
  }

  // ---- the mouse

  void Move(const Aim& a) {
    Push("move to " + Text(a.At) + " " + a.What, [this, p = a.At] { input_.Move(p); });
  }
  void Button(Qt::MouseButton b, bool press, int gap = 150) {
    const char* name = b == Qt::LeftButton ? "left" : "right";
    Push(std::string(press ? "press " : "release ") + name,
         [this, b, press, gap] { input_.Button(b, press, gap); });
  }

  void PlanMouse() {
    const Aim a = Target();
    const int kind = Rand(1, 100);
    Move(a);
    if (kind <= 18) return;                       // a move alone
    if (kind <= 40) return Button(Qt::LeftButton, true), Button(Qt::LeftButton, false);
    if (kind <= 52) {                             // a double click
      Button(Qt::LeftButton, true), Button(Qt::LeftButton, false, 40);
      return Button(Qt::LeftButton, true, 60), Button(Qt::LeftButton, false, 40);
    }
    if (kind <= 58) return Button(Qt::LeftButton, true);   // held until a later release
    if (kind <= 64) return Button(Qt::LeftButton, false);  // a release wherever the pointer is
    if (kind <= 70) return Button(Qt::RightButton, true), Button(Qt::RightButton, false);
    // A drag: along a scroll bar's axis, to another place or anywhere near.
    Button(Qt::LeftButton, true);
    QPoint to = a.At + QPoint(Rand(-160, 160), Rand(-120, 120));
    if (a.Axis == 1) to = QPoint(a.At.x() + Rand(-200, 200), a.At.y() + Rand(-3, 3));
    else if (a.Axis == 2) to = QPoint(a.At.x() + Rand(-3, 3), a.At.y() + Rand(-200, 200));
    else if (Chance(40)) to = Target().At;
    const int steps = Rand(1, 6);
    for (int i = 1; i <= steps; ++i) Move({a.At + (to - a.At) * i / steps, "(dragging)"});
    if (Chance(85)) Button(Qt::LeftButton, false);
  }

  void PlanWheel() {
    const Aim a = Target();
    Move(a);
    const QPoint angle = Chance(75) ? QPoint(0, Chance(50) ? 120 : -120) : QPoint(Chance(50) ? 120 : -120, 0);
    for (int i = Rand(1, 4); i > 0; --i)
      Push("wheel " + Text(angle), [this, angle] { input_.Wheel(angle); });
  }

  // A place worth aiming at, with what it is: a kind of place picked by
  // weight, another when the windows have none of that kind, anywhere in
  // the end.
  Aim Target() {
    for (int attempt = 0; attempt < 4; ++attempt)
      if (std::optional<Aim> a = TryTarget(Rand(0, 99))) return *a;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {{Rand(screen.left(), screen.right()), Rand(screen.top(), screen.bottom())}, "anywhere"};
  }

  std::optional<Aim> TryTarget(int roll) {
    QMenu* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (popup && Chance(40)) roll = 55;
    if (roll < 20) {  // a title button, the icon or the caption of a skinned form
      const std::vector<TsSkinProvider*> providers = ShownProviders();
      if (providers.empty()) return std::nullopt;
      TsSkinProvider* p = Pick(providers);
      const TacTitleLayout l = p->Layout();
      std::vector<std::pair<TRect, std::string>> places{{l.IconRect, "icon"}, {l.CaptionRect, "caption"}};
      for (size_t i = 0; i < l.System.size(); ++i)
        if (l.System[i].Shown) places.push_back({l.System[i].Rect, "title button " + std::to_string(i)});
      for (size_t i = 0; i < l.User.size(); ++i)
        if (l.User[i].Shown) places.push_back({l.User[i].Rect, "user title button " + std::to_string(i)});
      for (int hit : {101, 102, 103})
        if (!p->MdiButtonRect(hit).IsEmpty())
          places.push_back({p->MdiButtonRect(hit), "MDI child button " + std::to_string(hit)});
      const auto& [r, name] = Pick(places);
      if (r.IsEmpty()) return std::nullopt;
      const QPoint at = LayoutOrigin(p) + QPoint(Rand(r.Left, r.Right - 1), Rand(r.Top, r.Bottom - 1));
      return Aim{at, name + " of " + Name(p->Form())};
    }
    if (roll < 32) {  // an edge or a corner of a window (border windows too)
      const std::vector<QWidget*> windows = VisibleWindows();
      if (windows.empty()) return std::nullopt;
      QWidget* w = Pick(windows);
      const QList<QMdiSubWindow*> children = w->findChildren<QMdiSubWindow*>();
      if (!children.isEmpty() && Chance(40))
        if (QMdiSubWindow* child = children[Rand(0, int(children.size()) - 1)]; child->isVisible()) w = child;
      const QRect g(w->mapToGlobal(QPoint(0, 0)), w->size());
      const int d = Rand(-2, 5);
      const int left = g.left() + d, right = g.right() - d, top = g.top() + d, bottom = g.bottom() - d;
      const QPoint places[] = {{left, Rand(g.top(), g.bottom())}, {right, Rand(g.top(), g.bottom())},
                               {Rand(g.left(), g.right()), top},  {Rand(g.left(), g.right()), bottom},
                               {left, top},                       {right, top},
                               {left, bottom},                    {right, bottom}};
      return Aim{places[Rand(0, 7)], "the edge of " + Name(w)};
    }
    if (roll < 54) {  // a part of a skinned scroll bar, the thumb of a view's most of all
      std::vector<TacScrollWnd*> adapters = ShownScrollAdapters();
      if (Chance(50))
        std::erase_if(adapters, [](TacScrollWnd* a) { return !qobject_cast<QAbstractItemView*>(a->CtrlHandle()); });
      if (adapters.empty()) return std::nullopt;
      TacScrollWnd* a = Pick(adapters);
      std::vector<TacScrollBar*> bars;
      for (TacScrollBar* b : {a->HorzBar(), a->VertBar()})
        if (b && b->Visible) bars.push_back(b);
      if (bars.empty()) return std::nullopt;
      TacScrollBar* bar = Pick(bars);
      const TRect r = a->BarRect(*bar);
      if (r.IsEmpty()) return std::nullopt;
      const TacBarLayout layout = a->Layout(*bar);
      std::map<int, std::vector<int>> parts;
      const int across = layout.Vertical ? (r.Left + r.Right) / 2 : (r.Top + r.Bottom) / 2;
      for (int p = BarStart(layout, r); p < BarEnd(layout, r); ++p)
        parts[HitTestPart(layout, r, layout.Vertical ? across : p, layout.Vertical ? p : across)].push_back(p);
      std::vector<int> kinds;
      for (const auto& [part, places] : parts) kinds.push_back(part);
      const int part = parts.count(spThumb) && Chance(40) ? int(spThumb) : Pick(kinds);
      const int along = Pick(parts[part]);
      static const char* names[] = {"first arrow", "second arrow", "track before", "track after", "?", "thumb"};
      const std::string partName = part >= 0 && part <= 5 ? names[part] : "no part";
      return Aim{layout.Vertical ? QPoint(across, along) : QPoint(along, across),
                 partName + " of the " + (layout.Vertical ? "vertical" : "horizontal") + " bar of " +
                     Name(a->CtrlHandle()),
                 layout.Vertical ? 2 : 1};
    }
    if (roll < 64) {  // an item of an open popup or of a menu line
      if (popup && !popup->actions().isEmpty()) {
        const QList<QAction*> actions = popup->actions();
        const QRect r = popup->actionGeometry(actions[Rand(0, int(actions.size()) - 1)]);
        return Aim{popup->mapToGlobal(r.center()), "an item of the popup " + Name(popup)};
      }
      std::vector<QWidget*> lined;
      for (QWidget* w : VisibleWindows())
        if (GetMenu(w)) lined.push_back(w);
      if (lined.empty()) return std::nullopt;
      QWidget* w = Pick(lined);
      if (GetMenu(w)->actions().isEmpty()) return std::nullopt;
      TRect r;
      const int item = Rand(0, int(GetMenu(w)->actions().size()) - 1);
      if (!GetMenuItemRect(w, GetMenu(w), unsigned(item), &r)) return std::nullopt;
      return Aim{{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2},
                 "menu line item " + std::to_string(item) + " of " + Name(w)};
    }
    if (roll < 84) {  // a control
      std::vector<QWidget*> shown;
      for (QWidget* w : VisibleWindows())
        for (QWidget* c : w->findChildren<QWidget*>())
          if (c->isVisible() && c->width() > 0 && c->height() > 0) shown.push_back(c);
      if (shown.empty()) return std::nullopt;
      QWidget* c = Pick(shown);
      return Aim{c->mapToGlobal(QPoint(Rand(0, c->width() - 1), Rand(0, c->height() - 1))), "in " + Name(c)};
    }
    if (roll < 93) {  // the top of a window: title, menu line, tool bar
      const std::vector<QWidget*> windows = VisibleWindows();
      if (windows.empty()) return std::nullopt;
      QWidget* w = Pick(windows);
      return Aim{w->mapToGlobal(QPoint(Rand(0, w->width() - 1), Rand(0, std::min(w->height() - 1, 60)))),
                 "near the top of " + Name(w)};
    }
    return std::nullopt;
  }

  // ---- the keyboard

  void Key(int key, bool press, const std::string& name) {
    Push(std::string(press ? "key down " : "key up ") + name, [this, key, press] { input_.Key(key, press); });
  }
  void Stroke(int key, const std::string& name) { Key(key, true, name), Key(key, false, name); }

  void PlanKeys() {
    static const std::vector<std::pair<int, const char*>> keys{
        {Qt::Key_Left, "Left"},  {Qt::Key_Right, "Right"},   {Qt::Key_Up, "Up"},       {Qt::Key_Down, "Down"},
        {Qt::Key_PageUp, "PgUp"}, {Qt::Key_PageDown, "PgDn"}, {Qt::Key_Home, "Home"},   {Qt::Key_End, "End"},
        {Qt::Key_Tab, "Tab"},    {Qt::Key_Space, "Space"},   {Qt::Key_Return, "Enter"}, {Qt::Key_Escape, "Esc"},
        {Qt::Key_F10, "F10"},    {Qt::Key_Delete, "Del"},    {Qt::Key_A, "a"},         {Qt::Key_7, "7"}};
    static const std::vector<std::pair<int, const char*>> mnemonics{
        {Qt::Key_F, "F"}, {Qt::Key_E, "E"}, {Qt::Key_V, "V"}, {Qt::Key_H, "H"}, {Qt::Key_W, "W"}};
    const int kind = Rand(1, 100);
    if (kind <= 55) {
      const auto& [key, name] = Pick(keys);
      return Stroke(key, name);
    }
    if (kind <= 60) {  // a few letters and digits
      for (int i = Rand(1, 4); i > 0; --i) {
        const int key = Chance(70) ? Rand(Qt::Key_A, Qt::Key_Z) : Rand(Qt::Key_0, Qt::Key_9);
        Stroke(key, Text(KeyText(key)));
      }
      return;
    }
    if (kind <= 72) return Stroke(Qt::Key_Alt, "Alt");
    if (kind <= 80) return Key(Qt::Key_Alt, true, "Alt"), Stroke(Qt::Key_Space, "Space"), Key(Qt::Key_Alt, false, "Alt");
    if (kind <= 90) {
      const auto& [key, name] = Pick(mnemonics);
      return Key(Qt::Key_Alt, true, "Alt"), Stroke(key, name), Key(Qt::Key_Alt, false, "Alt");
    }
    if (kind <= 95) return Key(Qt::Key_Shift, true, "Shift"), Stroke(Qt::Key_Tab, "Tab"), Key(Qt::Key_Shift, false, "Shift");
    Key(Qt::Key_Control, true, "Ctrl"), Stroke(Qt::Key_Tab, "Tab"), Key(Qt::Key_Control, false, "Ctrl");
  }

  // ---- the windows

  // Forms and MDI children, and the controls a program hides and deletes.
  std::vector<QWidget*> Windows() const {
    std::vector<QWidget*> windows;
    for (QWidget* w : {static_cast<QWidget*>(scene_.Main()), static_cast<QWidget*>(scene_.Mdi())})
      if (w) windows.push_back(w);
    if (QMdiArea* area = scene_.Area())
      for (QMdiSubWindow* sub : area->subWindowList()) windows.push_back(sub);
    return windows;
  }

  void PlanWindow() {
    // Deleting and making windows waits for the nested loops to end, as a
    // program's timer or command does between them.
    const bool calm = scene_.ExecDepth() == 0 && !QApplication::activePopupWidget();
    const int kind = Rand(1, 100);
    TsSkinManager& manager = scene_.Manager();
    if (!manager.Active() && Chance(25)) return Push("skin on", [&manager] { manager.SetActive(true); });
    if (kind <= 9) {  // the plain skin (no controls' sections) less often
      const QString name = kSkinNames[Chance(20) ? 2 : Rand(0, 1)];
      return Push("skin " + Text(name), [&manager, name] { manager.SetSkinName(name); });
    }
    if (kind <= 11) {
      const int hue = Chance(50) ? Rand(-180, 180) : 0, saturation = Chance(50) ? Rand(-100, 100) : 0;
      return Push("hue " + std::to_string(hue) + ", saturation " + std::to_string(saturation),
                  [&manager, hue, saturation] {
                    manager.SetHueOffset(hue);
                    manager.SetSaturation(saturation);
                  });
    }
    if (kind <= 12 && calm) {  // a provider of its own for a form or dialog, the old one going
      std::vector<QWidget*> forms;
      for (TsSkinProvider* p : ShownProviders()) forms.push_back(p->Form());
      if (forms.empty()) return PlanWindow();
      QPointer<QWidget> form = Pick(forms);
      return Push("a new provider for " + Name(form), [form] {
        if (form) new TsSkinProvider(form);
      });
    }
    if (kind <= 18)
      return Push(manager.Active() ? "skin off" : "skin on", [&manager] { manager.SetActive(!manager.Active()); });
    if (kind <= 24)
      return Push(manager.ExtendedBorders() ? "extended borders off" : "extended borders on",
                  [&manager] { manager.SetExtendedBorders(!manager.ExtendedBorders()); });
    if (kind <= 30) {  // a dialog, as a command or a timer opens one
      const int dialog = Rand(0, Scene::kDialogKinds - 1);
      return Push("open dialog " + std::to_string(dialog), [this, dialog] {
        QTimer::singleShot(0, &loop_, [this, dialog] { scene_.ExecDialog(dialog); });
      });
    }
    if (kind <= 33) {
      const int ms = Rand(20, 400);
      return Push("wait " + std::to_string(ms) + " ms", [] {}, ms);
    }
    if (kind <= 47) {
      std::vector<QWidget*> targets = Windows();
      for (QWidget* c : scene_.Controls()) targets.push_back(c);
      if (targets.empty()) return PlanWindow();
      QPointer<QWidget> w = Pick(targets);
      const bool show = !w->isVisible() || Chance(20);
      return Push(std::string(show ? "show " : "hide ") + Name(w), [w, show] {
        if (w) w->setVisible(show);
      });
    }
    if (kind <= 55 && calm) {
      std::vector<QWidget*> targets = Windows();
      for (QWidget* c : scene_.Controls()) targets.push_back(c);
      if (!targets.empty() && Chance(50)) {
        QPointer<QWidget> w = Pick(targets);
        return Push("delete " + Name(w), [w] { delete w.data(); });
      }
      return Push("make again what is missing", [this] {
        std::string what;
        if (scene_.MakeMissing(what)) eventLog.Add("    made " + what);
      });
    }
    std::vector<QWidget*> windows = Windows();
    if (windows.empty()) return Push("make again what is missing", [this] {
      std::string what;
      scene_.MakeMissing(what);
    });
    QPointer<QWidget> w = Pick(windows);
    if (kind <= 66) {
      const QSize size(Rand(60, 900), Rand(40, 700));
      return Push("resize " + Name(w) + " to " + std::to_string(size.width()) + "x" + std::to_string(size.height()),
                  [w, size] {
                    if (w) w->resize(size);
                  });
    }
    if (kind <= 70) {
      const QPoint at(Rand(-50, 500), Rand(-20, 400));
      return Push("move " + Name(w) + " to " + Text(at), [w, at] {
        if (w) w->move(at);
      });
    }
    if (kind <= 84) {
      const int state = Rand(0, 2);
      static const char* names[] = {"maximize ", "minimize ", "restore "};
      return Push(names[state] + Name(w), [w, state] {
        if (!w) return;
        if (state == 0) w->showMaximized();
        else if (state == 1) w->showMinimized();
        else w->showNormal();
      });
    }
    if (kind <= 94)
      return Push("activate " + Name(w), [w] {
        if (!w) return;
        w->raise();
        w->activateWindow();
      });
    QPointer<QMdiArea> area = scene_.Area();
    const int op = Rand(0, 2);
    static const char* names[] = {"tile", "cascade", "next child"};
    Push(std::string("MDI: ") + names[op], [area, op] {
      if (!area) return;
      if (op == 0) area->tileSubWindows();
      else if (op == 1) area->cascadeSubWindows();
      else area->activateNextSubWindow();
    });
  }

  std::mt19937_64 rng_;
  RecordingPrompts prompts_;
  ScopedPrompts scopedPrompts_{prompts_};
  Scene scene_;
  Input& input_;
  QEventLoop loop_;
  std::deque<Planned> plan_;
  int events_;
  int index_ = 0;
  int closing_ = 0;
  int quiet_ = 0;  // closing ticks with nothing left open
  size_t promptsSeen_ = 0;
  std::string finding_;
};

// ------------------------------------------------------------ running seeds

// One seed on the application of this process; the finding, printed with
// the seed's events (empty: none).
std::string RunSeed(std::uint64_t seed, int events, const QString& skinsDir) {
  eventLog.Begin(seed);
  std::unique_ptr<Input> input;
  if (options.X11) {
    auto x = std::make_unique<XTestInput>();
    if (!x->Ready()) return "no X server with the XTEST extension";
    input = std::move(x);
  } else {
    input = std::make_unique<QpaInput>();
  }
  std::string finding;
  {
    Fuzzer fuzzer(seed, events, skinsDir, *input);
    finding = fuzzer.Run();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (!finding.empty()) eventLog.Print(finding.c_str());
  return finding;
}

// Qt's notes that the offscreen platform leaves a request out (grabs,
// masks, raise) are left out of the output.
QtMessageHandler qtMessages = nullptr;
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (!text.startsWith(QLatin1String("This plugin does not support"))) qtMessages(type, context, text);
}

// The program's application: the test font, the library's units, the
// frame class, the skins; under X layered windows once the compositor runs.
class Application {
 public:
  Application(int& argc, char** argv) : app_(argc, argv) {
    StartWatchdog();
    qtMessages = qInstallMessageHandler(FilterMessages);
    shownWindows = &shown_;
    QApplication::setQuitOnLastWindowClosed(false);
    SetDefaultFontName(QStringLiteral("DejaVu Sans"));
    RunUnitStartups();
    FrameAdapterClass() = QStringLiteral("TFrame");
    error_ = WriteSkins(SkinsDir());
    if (options.X11) testsupport::WaitFor([] { return LayeredWindowsAvailable(); }, 5000);
  }
  ~Application() {
    shownWindows = nullptr;
    FrameAdapterClass().clear();
    FinishUnits();
  }
  QString SkinsDir() const { return QString::fromStdString(dir_.Path()); }
  const QString& Error() const { return error_; }

 private:
  QApplication app_;
  ShownWindows shown_;
  testsupport::TempDir dir_;
  QString error_;
};
Application* application = nullptr;

class WindowsFuzz : public ::testing::TestWithParam<FixedSeed> {};

TEST_P(WindowsFuzz, SeedRunsClean) {
  ASSERT_TRUE(application->Error().isEmpty()) << Text(application->Error());
  if (options.X11 && std::none_of(kFixedSeeds, kFixedSeeds + kFixedX11Seeds,
                                  [](const FixedSeed& f) { return f.Seed == GetParam().Seed; }))
    GTEST_SKIP() << "one of the offscreen seeds";
  EXPECT_EQ(RunSeed(GetParam().Seed, kFixedEvents, application->SkinsDir()), "") << "once: " << GetParam().Found;
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, WindowsFuzz, ::testing::ValuesIn(kFixedSeeds),
                         [](const ::testing::TestParamInfo<FixedSeed>& info) {
                           return "Seed" + std::to_string(info.param.Seed);
                         });

// Seeds first to last, each in a process of its own (so that its replay
// starts as it did), `jobs` at a time; the figures at the end.
int RunSeeds(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  const size_t seeds = size_t(options.LastSeed - options.FirstSeed + 1);
  auto* counts = static_cast<long*>(
      ::mmap(nullptr, seeds * sizeof(long), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  if (counts == MAP_FAILED) return 2;
  std::map<pid_t, std::uint64_t> running;
  std::vector<std::uint64_t> failed;
  std::uint64_t next = options.FirstSeed, done = 0;
  while (next <= options.LastSeed || !running.empty()) {
    while (next <= options.LastSeed && int(running.size()) < options.Jobs) {
      const pid_t child = ::fork();
      if (child == 0) {
        eventCount = &counts[next - options.FirstSeed];
        int code = 2;
        {
          Application app(argc, argv);
          if (app.Error().isEmpty()) code = RunSeed(next, options.Events, app.SkinsDir()).empty() ? 0 : 1;
        }
        std::exit(code);
      }
      running[child] = next++;
    }
    int status = 0;
    const pid_t child = ::wait(&status);
    if (child < 0) break;
    const std::uint64_t seed = running[child];
    running.erase(child);
    ++done;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failed.push_back(seed);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  long events = 0;
  for (size_t i = 0; i < seeds; ++i) events += counts[i];
  std::printf("windows fuzz: %llu seeds of %d events: %ld events in %.0f s (%s), %zu failed:",
              static_cast<unsigned long long>(done), options.Events, events, seconds,
              options.X11 ? (options.WindowManager ? "X, openbox" : "X") : "offscreen", failed.size());
  for (std::uint64_t seed : failed) std::printf(" %llu", static_cast<unsigned long long>(seed));
  std::printf("\n");
  return failed.empty() ? 0 : 1;
}

void ParseOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&](const char* name) { return a.substr(std::strlen(name)); };
    if (a.rfind("--seed=", 0) == 0) {
      options.FirstSeed = options.LastSeed = std::stoull(value("--seed="));
      options.Seeds = true;
    } else if (a.rfind("--seeds=", 0) == 0) {
      const std::string range = value("--seeds=");
      const size_t colon = range.find(':');
      options.FirstSeed = std::stoull(range.substr(0, colon));
      options.LastSeed = colon == std::string::npos ? options.FirstSeed : std::stoull(range.substr(colon + 1));
      options.Seeds = options.Many = true;
    } else if (a.rfind("--events=", 0) == 0) {
      options.Events = std::stoi(value("--events="));
    } else if (a.rfind("--jobs=", 0) == 0) {
      options.Jobs = std::max(1, std::stoi(value("--jobs=")));
    } else if (a == "--x11") {
      options.X11 = true;
    } else if (a == "--window-manager") {
      options.X11 = options.WindowManager = true;
    } else if (a == "--verbose") {
      options.Verbose = true;
    }
  }
}

}  // namespace

extern "C" int clock_gettime(clockid_t id, timespec* ts) {
  if (id != CLOCK_MONOTONIC) return int(::syscall(SYS_clock_gettime, id, ts));
  const std::int64_t now = virtualclock::Now();
  ts->tv_sec = time_t(now / (1000 * virtualclock::kMs));
  ts->tv_nsec = long(now % (1000 * virtualclock::kMs));
  return 0;
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ParseOptions(argc, argv);
  ::setenv("QT_QPA_PLATFORM", options.X11 ? "xcb" : "offscreen", 1);
  ::setenv("QT_HASH_SEED", "0", 1);  // the same order of hashed things in every run of a seed
  if (options.X11 && !std::getenv("DISPLAY")) {
    std::fprintf(stderr, "No X display: run this under xvfb-run\n");
    return 2;
  }
  InstallFailureReports();
  // The X session's programs, for every seed's process.
  testsupport::WindowManager windowManager;
  std::optional<testsupport::Compositor> compositor;
  if (options.WindowManager && !windowManager.Start()) {
    std::fprintf(stderr, "openbox did not start\n");
    return 2;
  }
  if (options.X11) compositor.emplace();
  if (options.Many) return RunSeeds(argc, argv);
  Application app(argc, argv);
  application = &app;
  if (options.Seeds) {
    if (!app.Error().isEmpty()) return 2;
    return RunSeed(options.FirstSeed, options.Events, app.SkinsDir()).empty() ? 0 : 1;
  }
  if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
    std::fprintf(stderr, "The test font \"DejaVu Sans\" is not installed (scripts/setup.sh)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
