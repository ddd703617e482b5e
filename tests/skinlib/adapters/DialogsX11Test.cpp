// Skinned dialogs on a real X server with a compositing manager (run under
// xvfb-run; the test starts xcompmgr itself, and openbox first with
// --window-manager): a demo main form carrying a manager with the demo
// dialog skin opens a message box, a non-native file dialog, a colour
// dialog and a plain form, as a program does (open() and show()). The
// dialog hook skins each; its system menu (a right click on the title)
// and its close button work under the real mouse (xdotool); removing the
// skin gives each its plain look back.
//
// With SSQ_SCREENSHOT_DIR set, the skinned file dialog goes there as
// skinlib-file-dialog.png.
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "skinlib/adapters/acDialogWnd.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/adapters/sSysMenu.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/DialogSkin.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XInput.h"
#include "support/XPrograms.h"
#include "support/XServer.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace platform;
using testsupport::Compositor;
using testsupport::MoveMouse;
using testsupport::WaitFor;
using testsupport::XDoTool;

namespace {

bool withWindowManager = false;

const char* const kUnits[] = {"LibraryConstants", "AlphaPainting", "GlowEffect",    "SkinnedForms",
                              "SkinCommandSenders", "SectionBackgrounds", "acSBUtils", "EditAdapters",
                              "sSkinProvider",    "acDials",       "acDialogWnd"};

void Shot(const QString& name, QWidget* w) {
  if (const QByteArray dir = qgetenv("SSQ_SCREENSHOT_DIR"); !dir.isEmpty()) {
    EXPECT_TRUE(w->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(name)));
  }
}

// What the hook made for one window: a form's provider or a dialog's
// window adapter, with the close button's rectangle and the system menu.
struct Skinning {
  TsSkinProvider* Form = nullptr;
  TacDialogWnd* Dialog = nullptr;
  bool Made() const { return Form || Dialog; }
  TRect Close() const { return Form ? Form->Buttons()[2].Rect : Dialog->Buttons()[2].Rect; }
  int CloseState() const { return Form ? Form->Buttons()[2].State : Dialog->Buttons()[2].State; }
  QMenu* Menu() const {
    if (Form) return Form->SystemMenu();
    return Dialog->SystemMenu();
  }
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

QPoint Global(QWidget* w, const TRect& r) {
  return w->mapToGlobal(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
}

// The share of pixels that differ between two pictures (1 for other sizes).
double Difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 1;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  long differ = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col)
      if (x.pixel(col, row) != y.pixel(col, row)) ++differ;
  return double(differ) / double(x.width() * x.height());
}

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
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::DialogSkin(), root + "/Dialogs", &error)) << error.toStdString();
    files = root + "/draws";
    ASSERT_TRUE(QDir().mkpath(files));
    for (const char* name : {"2024001.txt", "2024002.txt", "红球统计.csv"}) {
      QFile f(files + "/" + name);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("03 07 12 19 26 31 + 09\n");
    }
    main = std::make_unique<QWidget>();
    main->setWindowTitle(QStringLiteral("双色球 演示"));
    main->resize(420, 260);
    main->show();
    ASSERT_TRUE(WaitFor([&] { return main->isVisible(); }));
  }
  void TearDown() override {
    main.reset();  // the manager with it
    QApplication::processEvents();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
  // The main form's manager with the demo dialog skin, the default one.
  void SkinOn() {
    if (!manager) {
      manager = new TsSkinManager(main.get());
      manager->SetSkinDirectory(QString::fromStdString(dir.Path()));
      manager->SetSkinName(QStringLiteral("Dialogs"));
    } else {
      manager->SetActive(true);
    }
    ASSERT_TRUE(manager->Active());
    ASSERT_TRUE(manager->IsDefault());
  }

  // The four windows, each opened the way the program opens it.
  struct Kind {
    const char* Name;
    std::function<QWidget*(DialogsX11Test&)> Open;
  };
  static std::vector<Kind> Kinds() {
    return {
        {"message box",
         [](DialogsX11Test& t) -> QWidget* {
           auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("提示"),
                                       QStringLiteral("已读入 2 期开奖号码。"), QMessageBox::Ok, t.main.get());
           box->open();
           return box;
         }},
        {"file dialog",
         [](DialogsX11Test& t) -> QWidget* {
           auto* files = new QFileDialog(t.main.get(), QStringLiteral("打开开奖数据"), t.files);
           files->setOption(QFileDialog::DontUseNativeDialog);
           files->open();
           return files;
         }},
        {"colour dialog",
         [](DialogsX11Test& t) -> QWidget* {
           auto* colours = new QColorDialog(QColor(0x1E, 0x4A, 0x8A), t.main.get());
           colours->setOption(QColorDialog::DontUseNativeDialog);
           colours->open();
           return colours;
         }},
        {"plain form",
         [](DialogsX11Test&) -> QWidget* {
           auto* form = new QWidget;
           form->setWindowTitle(QStringLiteral("号码统计"));
           auto* label = new QLabel(QStringLiteral("蓝球出现次数"), form);
           label->move(16, 16);
           auto* button = new QPushButton(QStringLiteral("关闭"), form);
           button->move(16, 48);
           form->resize(300, 160);
           form->show();
           return form;
         }},
    };
  }
  // Opened and settled on the screen.
  std::unique_ptr<QWidget> Open(const Kind& kind) {
    std::unique_ptr<QWidget> w(kind.Open(*this));
    EXPECT_TRUE(WaitFor([&] { return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed(); }, 10000))
        << kind.Name;
    QThread::msleep(300);
    QApplication::processEvents();
    return w;
  }

  testsupport::WindowManager windowManager;
  Compositor compositor;
  testsupport::TempDir dir;
  QString files;
  std::unique_ptr<QWidget> main;
  TsSkinManager* manager = nullptr;  // the main form's
};

}  // namespace

TEST_F(DialogsX11Test, EachWindowIsSkinnedAndClosesByItsMenuAndItsButton) {
  ASSERT_NO_FATAL_FAILURE(SkinOn());
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.Name);
    // The system menu: a right click on the title, then its close item.
    {
      std::unique_ptr<QWidget> w = Open(kind);
      const Skinning s = SkinningOf(w.get());
      ASSERT_TRUE(s.Made()) << "the hook made no provider nor dialog adapter";
      if (std::string(kind.Name) == "file dialog") Shot(QStringLiteral("skinlib-file-dialog.png"), w.get());
      const TRect close = s.Close();
      ASSERT_GT(close.Right, close.Left);
      const QPoint title = w->mapToGlobal(QPoint(close.Left / 2, (close.Top + close.Bottom) / 2));
      // The menu may run a loop of its own: its close item is clicked from
      // within that loop once the menu shows.
      bool menuShown = false, itemUsable = false;
      QTimer watch;
      watch.setInterval(50);
      QObject::connect(&watch, &QTimer::timeout, [&] {
        QMenu* menu = s.Menu();
        if (!menu || !menu->isVisible()) return;
        watch.stop();
        menuShown = true;
        QAction* item = s.CloseItem();
        itemUsable = item && item->isEnabled() && item->isVisible();
        if (!itemUsable) {
          menu->close();
          return;
        }
        const QPoint at = menu->mapToGlobal(menu->actionGeometry(item).center());
        XDoTool(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y()));
      });
      watch.start();
      XDoTool(QStringLiteral("mousemove %1 %2 click 3").arg(title.x()).arg(title.y()));
      EXPECT_TRUE(WaitFor([&] { return menuShown; })) << "no system menu";
      EXPECT_TRUE(itemUsable) << "no usable close item";
      EXPECT_TRUE(WaitFor([&] { return !w->isVisible(); })) << "the menu's close item did not close it";
    }
    // The close button, hot under the mouse, then clicked.
    {
      std::unique_ptr<QWidget> w = Open(kind);
      const Skinning s = SkinningOf(w.get());
      ASSERT_TRUE(s.Made());
      MoveMouse(Global(w.get(), s.Close()));
      EXPECT_TRUE(WaitFor([&] { return s.CloseState() == 1; })) << "the close button turns hot";
      XDoTool(QStringLiteral("click 1"));
      EXPECT_TRUE(WaitFor([&] { return !w->isVisible(); })) << "the close button did not close it";
      MoveMouse(QPoint(2, 2));
    }
  }
}

TEST_F(DialogsX11Test, RemovingTheSkinGivesEachWindowItsPlainLook) {
  std::vector<QImage> before;
  for (const Kind& kind : Kinds()) {
    std::unique_ptr<QWidget> w = Open(kind);
    before.push_back(w->grab().toImage());
    w->hide();
  }
  ASSERT_NO_FATAL_FAILURE(SkinOn());
  int i = 0;
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.Name);
    std::unique_ptr<QWidget> w = Open(kind);
    ASSERT_TRUE(SkinningOf(w.get()).Made());
    const QImage skinned = w->grab().toImage();
    EXPECT_GT(Difference(skinned, before[i]), 0.01) << "the skin changed nothing";
    manager->SetActive(false);
    QThread::msleep(300);
    QApplication::processEvents();
    const QImage after = w->grab().toImage();
    EXPECT_EQ(after.size(), before[i].size());
    // A caret may blink; nothing else may differ.
    EXPECT_LT(Difference(after, before[i]), 0.002) << "not the plain look";
    w->hide();
    w.reset();
    QApplication::processEvents();
    ASSERT_NO_FATAL_FAILURE(SkinOn());
    ++i;
  }
}

// Qt's X11 platform keeps a reply of the session bus (libdbus) to the end.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  if (!testsupport::StartOnXServer(argc, argv, withWindowManager)) return 1;
  QApplication app(argc, argv);
  if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9));
  return RUN_ALL_TESTS();
}
