// A screenshot of a context menu skinned with the program's skin, its
// sub-menu open (not a test; needs a real X server):
//   xvfb-run -s "-screen 0 640x480x24" build/tests/skinning/skinning_menu_screenshot docs/screenshots
#include "TestSkins.h"

#include "platform/Startup.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenu.h"
#include "tools/skin/ProgramSkin.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <cstdio>

using namespace skinning;
using testskins::Ball;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  platform::UnitStartupScope units;
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

  QWidget form;
  form.setWindowTitle(QStringLiteral("双色球"));
  form.resize(460, 300);
  form.move(0, 0);
  form.show();

  TSkinData data(&form);
  if (!data.LoadSkinStream(testskins::Streamed(skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin())))) {
    std::fprintf(stderr, "the program's skin does not load\n");
    return 1;
  }
  data.Loaded();
  data.SetActive(true);

  QMenu menu(&form);
  menu.addAction(Ball(QColor(226, 48, 56)), QStringLiteral("红球走势(&R)"));
  menu.addAction(Ball(QColor(60, 120, 220)), QStringLiteral("蓝球走势(&B)"));
  menu.addSeparator();
  QAction* grid = menu.addAction(QStringLiteral("显示网格(&G)"));
  grid->setCheckable(true);
  grid->setChecked(true);
  menu.addAction(QStringLiteral("复制图表(&C)"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
  QMenu* save = menu.addMenu(QStringLiteral("导出(&E)"));
  save->addAction(QStringLiteral("图片(&P)..."));
  save->addAction(QStringLiteral("文本(&T)..."));
  QAction* last = save->addAction(QStringLiteral("上次的格式"));
  last->setCheckable(true);
  last->setChecked(true);
  menu.addSeparator();
  menu.addAction(QStringLiteral("参数设置(&S)..."))->setEnabled(false);

  int result = 0;
  QTimer::singleShot(300, [&] { menu.popup(form.mapToGlobal(QPoint(30, 20))); });
  QTimer::singleShot(700, [&] {
    menu.setActiveAction(save->menuAction());
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&menu, &right);
  });
  QTimer::singleShot(1200, [&] {
    save->setActiveAction(save->actions().first());
    QTimer::singleShot(300, [&] {
      const bool skinned = SkinManage() && SkinManage()->FindPopup(&menu) && SkinManage()->FindPopup(save);
      const QRect area = (menu.geometry() | save->geometry()).adjusted(-12, -12, 12, 12);
      const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                      area.height());
      const QString file = folder + QStringLiteral("/skinned-context-menu.png");
      if (!skinned || !shot.save(file)) {
        std::fprintf(stderr, "no skinned menus to show, or %s not written\n", qPrintable(file));
        result = 1;
      }
      menu.hide();
      app.quit();
    });
  });
  app.exec();
  return result;
}
