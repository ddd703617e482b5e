// The demo program's skinned standard dialogs on a real X server with a
// compositing manager (run under xvfb-run; the test starts xcompmgr
// itself, and openbox first with --window-manager). The demo main form
// carries a manager with the demo dialog skin; its buttons, clicked with
// the real mouse (xdotool), open a message box, the non-native file
// dialog and the colour dialog by exec() and a plain form by show(). Each
// is seen plain, then skinned by the dialog hook: its title in the skin's
// colours, its system menu opened by a click on the title icon and its
// close item used, its title buttons hot under the mouse and pressed;
// then the skin is removed while it is open, and it looks as it did before
// the skin. Every window's first frame is skinned already.
//
// With SSQ_SCREENSHOT_DIR set, the skinned windows go there as they show
// on the screen: skinlib-file-dialog.png, skinlib-colour-dialog.png,
// skinlib-x11-message-box.png, skinlib-x11-plain-form.png.
#include "platform/Colors.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/acDialogWnd.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/adapters/sSysMenu.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/DialogDemo.h"
#include "skinlib/support/DialogSkin.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XInput.h"
#include "support/XPrograms.h"
#include "support/XServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStringList>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>

using namespace platform;
using testskins::DialogDemo;
using testsupport::ClickAt;
using testsupport::Compositor;
using testsupport::MoveMouse;
using testsupport::WaitFor;

namespace {

bool withWindowManager = false;

const char* const kUnits[] = {"LibraryConstants", "AlphaPainting", "GlowEffect",    "SkinnedForms",
                              "SkinCommandSenders", "SectionBackgrounds", "acSBUtils", "EditAdapters",
                              "sSkinProvider",    "acDials",       "acDialogWnd"};

// The windows of the demo, by the button that opens each.
struct Kind {
  const char* Name;
  QPushButton* DialogDemo::*Button;
  const char* Shot;
};
const Kind kKinds[] = {{"message box", &DialogDemo::MessageButton, "skinlib-x11-message-box.png"},
                       {"file dialog", &DialogDemo::FileButton, "skinlib-file-dialog.png"},
                       {"colour dialog", &DialogDemo::ColourButton, "skinlib-colour-dialog.png"},
                       {"plain form", &DialogDemo::FormButton, "skinlib-x11-plain-form.png"}};

// What the hook made for one window: a form's provider (the message box
// and the plain form) or a dialog's window adapter.
struct Skinning {
  QPointer<TsSkinProvider> Form;
  TacDialogWnd* Dialog = nullptr;
  bool Made() const { return Form || Dialog; }
  // A title button's rectangle (window coordinates; empty when not shown).
  TRect Button(int hitCode) const {
    if (Form) {
      const TacCaptionButton* b = Form->ButtonRecord(hitCode);
      return b ? b->Rect : TRect{};
    }
    for (size_t i = 0; i < kDialogButtonCodes.size(); ++i)
      if (kDialogButtonCodes[i] == hitCode) return Dialog->Buttons()[i].Rect;
    return {};
  }
  int State(int hitCode) const {
    if (Form) {
      const TacCaptionButton* b = Form->ButtonRecord(hitCode);
      return b ? b->State : -1;
    }
    for (size_t i = 0; i < kDialogButtonCodes.size(); ++i)
      if (kDialogButtonCodes[i] == hitCode) return Dialog->Buttons()[i].State;
    return -1;
  }
  TRect Icon() const { return Form ? Form->IconRect() : Dialog->IconRect(); }
  QMenu* Menu() const { return Form ? static_cast<QMenu*>(Form->SystemMenu()) : Dialog->SystemMenu(); }
  QAction* CloseItem() const {
    if (Form) {
      auto* menu = dynamic_cast<TsSystemMenu*>(Form->SystemMenu());
      return menu ? menu->ItemClose : nullptr;
    }
    return Dialog->SystemMenu() ? Dialog->SystemMenu()->Item("miClose") : nullptr;
  }
};

Skinning SkinningOf(QWidget* w) {
  Skinning s;
  TacProvider* p = FindProvider(w);
  if (!p) return s;
  s.Form = p->SkinProvider.data();
  if (p->DialogWnd) s.Dialog = dynamic_cast<TacDialogWnd*>(FindAdapter(w));
  return s;
}

QPoint Centre(QWidget* w, const TRect& r) {
  return w->mapToGlobal(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
}

// Where two pictures of one size differ: the share of their pixels and
// the rectangle around them.
struct Change {
  double Share = 1;
  QRect Where;
};
Change Compare(const QImage& a, const QImage& b) {
  Change c;
  if (a.size() != b.size()) return c;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  long differ = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col)
      if (p[col] != q[col]) {
        ++differ;
        c.Where |= QRect(col, row, 1, 1);
      }
  }
  c.Share = double(differ) / double(x.width() * x.height());
  return c;
}

// The share of a band's pixels that are of `colour`.
double ShareOf(const QImage& image, const QRect& band, const QColor& colour) {
  const QRect r = band & image.rect();
  if (r.isEmpty()) return 0;
  long n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (image.pixelColor(x, y).rgb() == colour.rgb()) ++n;
  return double(n) / double(r.width() * r.height());
}

QImage Grab(QWidget* w) { return w->grab().toImage(); }

// Whether two pictures of a window show the same look: only a text cursor
// may blink (the file dialog's name field).
bool SameLook(const Change& c) { return c.Share <= 0.001 && c.Where.width() <= 2; }

class DialogsX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    if (withWindowManager) {
      ASSERT_TRUE(windowManager.Start()) << "openbox did not start";
      ASSERT_TRUE(WaitFor([] { return WindowManagerRuns(); }, 10000));
    }
    ASSERT_TRUE(compositor.Started());
    for (const char* unit : kUnits) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::DialogDemoSkin(), root + "/Dialogs", &error)) << error.toStdString();
    files = root + "/draws";
    ASSERT_TRUE(QDir().mkpath(files));
    for (const char* name : {"2024001.txt", "2024002.txt", "红球统计.csv"}) {
      QFile f(files + "/" + QString::fromUtf8(name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("03 07 12 19 26 31 + 09\n");
    }
    demo = std::make_unique<DialogDemo>(root, files);
    demo->Main->show();
    ASSERT_TRUE(WaitFor([&] { return Placed(demo->Main.get()); }, 10000));
  }
  void TearDown() override {
    MoveMouse(QPoint(1, 1));
    demo.reset();  // the manager with its form
    QApplication::processEvents();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }

  static bool Exposed(QWidget* w) { return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed(); }
  // Shown, and the X server has it where Qt has it.
  static bool Placed(QWidget* w) { return Exposed(w) && testsupport::NativeRect(w) == w->geometry(); }

  // Clicks the demo button of `kind` with the real mouse and runs `steps`
  // on the window it opens once that is placed, has the keyboard and looks
  // the same twice running (for a dialog within its exec()); a window
  // still open after them is closed. False when no window came or it did
  // not go.
  bool WithOpened(const Kind& kind, const std::function<void(QWidget*)>& steps) {
    demo->Opened = nullptr;
    // Qt's file dialog takes its splitter, columns and history from the
    // last one (the skinned one's are a band smaller): each starts anew.
    QSettings(QSettings::UserScope, QStringLiteral("QtProject")).remove(QStringLiteral("FileDialog"));
    bool came = false, done = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QPointer<QWidget> w = demo->Opened;
      if (!w || !Exposed(w)) return;
      poll.stop();
      came = true;
      // Nothing hovered: the mouse away from where the window came.
      MoveMouse(QPoint(1, 1));
      // The file dialog lists its folder on a thread of its own: listed
      // and drawn before anything looks at it.
      if (auto* model = w->findChild<QFileSystemModel*>()) {
        EXPECT_TRUE(WaitFor([&] { return model->rowCount(model->index(files)) == 3; }, 10000)) << "not listed";
      }
      QImage last;
      EXPECT_TRUE(WaitFor([&] {
        if (!w || !Placed(w) || !w->isActiveWindow()) return false;
        const QImage now = Grab(w);
        return SameLook(Compare(now, std::exchange(last, now)));
      }, 10000)) << "the window does not settle";
      if (w) steps(w);
      if (w && w->isVisible()) w->close();
      done = true;
    });
    poll.start();
    // The button where the main form (its skin just switched, say) keeps
    // it, and the X server showing the form there.
    QPushButton* button = (*demo).*kind.Button;
    QPoint at, last;
    EXPECT_TRUE(WaitFor([&] {
      at = button->mapToGlobal(button->rect().center());
      return std::exchange(last, at) == at && Placed(demo->Main.get()) && testsupport::OnTopAt(demo->Main.get(), at);
    }, 10000)) << "the X server does not show the demo's button";
    ClickAt(at);
    const bool ended = WaitFor([&] { return done; }, 40000);
    poll.stop();
    EXPECT_TRUE(came) << "the button opened nothing";
    // The plain form goes when it closes; a dialog when its exec() ends.
    const bool gone = WaitFor([&] { return demo->Opened.isNull() || !demo->Opened->isVisible(); }, 5000);
    return ended && gone;
  }

  // The system menu opened by a click on the title icon; its close item
  // clicked closes the window.
  void CloseByTheSystemMenu(QWidget* window) {
    const QPointer<QWidget> w = window;  // the plain form is deleted when it closes
    const Skinning s = SkinningOf(w);
    ASSERT_TRUE(s.Made());
    // A window with a title icon opens it there; one without (the
    // message box's title has none) by a right click on its title.
    if (const TRect icon = s.Icon(); icon.Width() > 0) {
      ClickAt(Centre(w, icon));
    } else {
      const QPoint title = w->mapToGlobal(QPoint(w->contentsRect().left() + 30, w->contentsRect().top() / 2));
      testsupport::XDoTool(QStringLiteral("mousemove %1 %2 click 3").arg(title.x()).arg(title.y()));
    }
    ASSERT_TRUE(WaitFor([&] { return s.Menu() && s.Menu()->isVisible(); })) << "no system menu";
    QAction* close = s.CloseItem();
    ASSERT_TRUE(close && close->isVisible() && close->isEnabled()) << "no usable close item";
    QMenu* menu = s.Menu();
    const auto item = [&] { return menu->mapToGlobal(menu->actionGeometry(close).center()); };
    ASSERT_TRUE(WaitFor([&] { return Placed(menu) && testsupport::OnTopAt(menu, item()); }))
        << "the X server does not show the menu";
    ClickAt(item());
    EXPECT_TRUE(WaitFor([&] { return !w || !w->isVisible(); })) << "the close item did not close it";
  }

  // One title button, once the X server shows it where the window has it
  // now: hot under the mouse, then clicked, the click taken in.
  void Press(QWidget* w, const Skinning& s, int hitCode) {
    ASSERT_GT(s.Button(hitCode).Width(), 0) << "button " << hitCode << " not shown";
    const auto centre = [&] { return Centre(w, s.Button(hitCode)); };
    ASSERT_TRUE(WaitFor([&] { return Placed(w) && testsupport::OnTopAt(w, centre()); }))
        << "the X server does not show button " << hitCode;
    MoveMouse(centre());
    EXPECT_TRUE(WaitFor([&] { return s.State(hitCode) == 1; })) << "button " << hitCode << " does not turn hot";
    testsupport::SeenInput seen;
    testsupport::XDoTool(QStringLiteral("click 1"));
    EXPECT_TRUE(WaitFor([&] { return seen.Releases > 0; })) << "the click on button " << hitCode << " is not taken in";
    QCoreApplication::sendPostedEvents();  // and what it posted
  }

  // The minimize and maximize buttons where the window has them, then the
  // close button.
  void UseTheTitleButtons(QWidget* window) {
    const QPointer<QWidget> w = window;
    const Skinning s = SkinningOf(w);
    ASSERT_TRUE(s.Made());
    if (s.Button(HTMAXBUTTON).Width() > 0) {
      const QRect normal = w->geometry();
      Press(w, s, HTMAXBUTTON);
      EXPECT_TRUE(WaitFor([&] { return w->isMaximized(); })) << "maximize";
      Press(w, s, HTMAXBUTTON);  // now the restore button
      EXPECT_TRUE(WaitFor([&] { return !w->isMaximized(); })) << "restore";
      EXPECT_TRUE(WaitFor([&] { return w->geometry().size() == normal.size(); })) << "restored size";
    }
    if (s.Button(HTMINBUTTON).Width() > 0) {
      Press(w, s, HTMINBUTTON);
      if (withWindowManager) {
        EXPECT_TRUE(WaitFor([&] { return w->isMinimized(); })) << "minimize";
      } else {
        // Nothing iconifies a window without a window manager: the click
        // taken in, it stays.
        EXPECT_TRUE(!w->isMinimized() && Exposed(w)) << "a minimize that cannot be done";
      }
      // No task bar here to bring it back from: the program does.
      w->showNormal();
      w->activateWindow();
      ASSERT_TRUE(WaitFor([&] { return Exposed(w) && !w->isMinimized(); }, 10000));
    }
    Press(w, s, HTCLOSE);
    EXPECT_TRUE(WaitFor([&] { return !w || !w->isVisible(); })) << "the close button did not close it";
  }

  testsupport::WindowManager windowManager;
  Compositor compositor;
  testsupport::TempDir dir;
  QString files;  // the file dialog's folder
  std::unique_ptr<DialogDemo> demo;
};

// Watches every form and dialog that the program opens (not the main
// form, not the library's own windows) and counts those whose first frame
// (the first expose of its window or its first paint, whichever comes
// first) shows them unskinned: no provider or dialog adapter yet, or no
// skinned frame on.
class FirstFrames final : public QObject {
 public:
  explicit FirstFrames(QWidget* main) : main_(main) { qApp->installEventFilter(this); }
  ~FirstFrames() override { qApp->removeEventFilter(this); }
  int Seen() const { return seen_; }
  int Unskinned() const { return int(unskinned_.size()); }
  std::string Names() const { return unskinned_.join(QStringLiteral(", ")).toStdString(); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && watched->isWindowType() && static_cast<QWindow*>(watched)->isExposed()) {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == watched) Record(w);
    } else if (event->type() == QEvent::Paint && watched->isWidgetType()) {
      if (auto* w = static_cast<QWidget*>(watched); w->isWindow()) Record(w);
    }
    return false;
  }

 private:
  void Record(QWidget* w) {
    const Qt::WindowType type = w->windowType();
    if (w == main_ || (type != Qt::Window && type != Qt::Dialog) || GetTag(w) == -98) return;
    if (w->property("_firstFrameSeen").isValid()) return;
    w->setProperty("_firstFrameSeen", true);
    ++seen_;
    if (!SkinningOf(w).Made() || !HasNonClientFrame(w)) unskinned_ << QString::fromLatin1(w->metaObject()->className());
  }

  QWidget* main_;
  int seen_ = 0;
  QStringList unskinned_;
};

// With SSQ_SCREENSHOT_DIR set, the window goes there as the screen shows
// it once that holds still.
void Shot(const char* name, QWidget* w) {
  if (const QByteArray dir = qgetenv("SSQ_SCREENSHOT_DIR"); !dir.isEmpty()) {
    QImage shot;
    EXPECT_TRUE(testsupport::ScreenHoldsStill(w->frameGeometry(), shot)) << name << ": the screen does not hold still";
    EXPECT_TRUE(shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(name)));
  }
}

}  // namespace

TEST_F(DialogsX11Test, EachWindowIsSkinnedWorksAndGetsItsPlainLookBack) {
  // Plain first, as the program shows them without a skin.
  std::array<QImage, std::size(kKinds)> before;
  for (size_t i = 0; i < std::size(kKinds); ++i) {
    SCOPED_TRACE(kKinds[i].Name);
    EXPECT_TRUE(WithOpened(kKinds[i], [&](QWidget* w) {
      EXPECT_FALSE(SkinningOf(w).Made());
      before[i] = Grab(w);
    }));
  }
  const QColor title = ToQColor(testskins::kFormTitleHotColor), dialog = ToQColor(testskins::kDialogGlobalColor),
               form = ToQColor(testskins::kFormColor);
  demo->SkinOn();
  ASSERT_TRUE(demo->Manager->Active() && demo->Manager->IsDefault());
  for (size_t i = 0; i < std::size(kKinds); ++i) {
    const Kind& kind = kKinds[i];
    SCOPED_TRACE(kind.Name);
    // Skinned: the skin's title band and window colour where the plain
    // look had neither; its system menu closes it.
    EXPECT_TRUE(WithOpened(kind, [&](QWidget* w) {
      const Skinning s = SkinningOf(w);
      ASSERT_TRUE(s.Made()) << "the hook made no provider nor dialog adapter";
      const QImage skinned = Grab(w);
      Shot(kind.Shot, w);
      EXPECT_GT(Compare(skinned, before[i]).Share, 0.05) << "the skin changed little";
      const QRect band(w->contentsRect().left(), 0, w->contentsRect().width(), w->contentsRect().top());
      EXPECT_GT(band.height(), 10) << "no title band";
      EXPECT_GT(ShareOf(skinned, band, title), 0.15) << "the title is not the skin's";
      // The client shows the DIALOG section (a dialog) or the FORM
      // section (a form: the message box, the plain form).
      EXPECT_GT(std::max(ShareOf(skinned, w->contentsRect(), dialog), ShareOf(skinned, w->contentsRect(), form)), 0.1)
          << "the window colour is not the skin's";
      EXPECT_EQ(ShareOf(before[i], before[i].rect(), title), 0);
      CloseByTheSystemMenu(w);
    }));
    // Its title buttons.
    EXPECT_TRUE(WithOpened(kind, [&](QWidget* w) { UseTheTitleButtons(w); }));
    // The skin removed while it is open: the plain look again, the size
    // it had.
    EXPECT_TRUE(WithOpened(kind, [&](QWidget* w) {
      ASSERT_TRUE(SkinningOf(w).Made());
      demo->Manager->SetActive(false);
      QImage after;  // once it is the plain look, or the time is up: the checks say what differs
      WaitFor([&] {
        if (SkinningOf(w).Made()) return false;
        after = Grab(w);
        return SameLook(Compare(after, before[i]));
      });
      EXPECT_FALSE(SkinningOf(w).Made());
      EXPECT_EQ(after.size(), before[i].size()) << "now " << w->width() << "x" << w->height() << " at " << w->x()
                                                << "," << w->y() << (w->isMaximized() ? " maximized" : "");
      const Change c = Compare(after, before[i]);
      // Only a text cursor may blink (the file dialog's name field).
      EXPECT_LE(c.Share, 0.001) << "not the plain look: " << c.Share * 100 << "% of the pixels differ, within ("
                                << c.Where.x() << "," << c.Where.y() << " " << c.Where.width() << "x"
                                << c.Where.height() << ")";
      EXPECT_LE(c.Where.width(), 2) << "more than a cursor differs";
    }));
    demo->SkinOn();
  }
}

// Every window the demo opens is skinned from its first frame on: the hook
// skins it as it is about to be shown (on X a window is activated only
// after its first expose), each kind opened twice.
TEST_F(DialogsX11Test, EveryFirstFrameIsSkinned) {
  demo->SkinOn();
  ASSERT_TRUE(demo->Manager->Active());
  FirstFrames frames(demo->Main.get());
  for (int round = 0; round < 2; ++round)
    for (const Kind& kind : kKinds) {
      SCOPED_TRACE(kind.Name);
      EXPECT_TRUE(WithOpened(kind, [](QWidget* w) { EXPECT_TRUE(SkinningOf(w).Made()); }));
    }
  EXPECT_EQ(frames.Seen(), 2 * int(std::size(kKinds)));
  EXPECT_EQ(frames.Unskinned(), 0) << "first frames unskinned: " << frames.Names();
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  // Qt's file dialog keeps its state (splitter, columns, history) in the
  // user's settings: this program's go to a folder of its own.
  testsupport::TempDir config;
  ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  QApplication app(argc, argv);
  if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9));
  return RUN_ALL_TESTS();
}
