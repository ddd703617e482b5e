// Screenshots of the skinned system menu of a dialog and of a main window,
// each opened with Alt+Space under the program's skin (not a test; needs a
// real X server):
//   xvfb-run -s "-screen 0 640x480x24" build/tests/skinning/skinning_system_menu_screenshot docs/screenshots
#include "ProgramSkinStart.h"

#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinManage.h"
#include "support/XPrograms.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include <cstdio>

using namespace skinning;
using testsupport::WaitFor;

namespace {

// Opens the skinned system menu of `window` and shoots the window's
// top left corner with the menu into `file`.
bool Shoot(QWidget& window, TSkinData& data, const QString& file) {
  data.Loaded();
  window.move(20, 20);
  window.show();
  window.activateWindow();
  data.SetActive(true);
  TSkinFormFrame* frame = nullptr;
  const auto skinned = [&] {
    auto* form = SkinManage() ? dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&window)) : nullptr;
    frame = form ? form->Frame() : nullptr;
    return frame != nullptr && QApplication::activeWindow() == &window;
  };
  if (!WaitFor(skinned)) {
    std::fprintf(stderr, "%s: the window is not skinned\n", qPrintable(file));
    return false;
  }
  QTest::keyClick(&window, Qt::Key_Space, Qt::AltModifier);
  QMenu* menu = nullptr;
  if (!WaitFor([&] { return (menu = frame->SystemPopup()) && menu->isVisible(); })) {
    std::fprintf(stderr, "%s: no system menu\n", qPrintable(file));
    return false;
  }
  QTest::qWait(300);
  const QRect area = (window.frameGeometry().adjusted(0, 0, 0, -window.frameGeometry().height() + 40) |
                      menu->geometry()).adjusted(-8, -8, 8, 8);
  const QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  menu->close();
  window.hide();
  if (!shot.save(file)) {
    std::fprintf(stderr, "%s not written\n", qPrintable(file));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const testskins::ScreenshotStart start(argc, argv);
  bool ok = true;
  {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("取值选择"));
    dialog.resize(300, 200);
    auto* data = new TSkinData(&dialog);
    ok = testskins::LoadProgramSkin(*data) &&
         Shoot(dialog, *data, start.folder + QStringLiteral("/skinned-dialog-system-menu.png")) && ok;
  }
  {
    QMainWindow main;
    main.setWindowTitle(QStringLiteral("双色球分析工具"));
    main.resize(400, 300);
    auto* data = new TSkinData(&main);
    data->SkinFormtype = sfMainform;
    ok = testskins::LoadProgramSkin(*data) &&
         Shoot(main, *data, start.folder + QStringLiteral("/skinned-main-window-system-menu.png")) && ok;
  }
  return ok ? 0 : 1;
}
