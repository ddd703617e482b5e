// A screenshot of the control gallery skinned with the program's skin, a
// check box focused and the pointer over the first button (not a test;
// needs a real X server):
//   xvfb-run -s "-screen 0 800x600x24" build/tests/skinning/skinning_gallery_screenshot docs/screenshots
#include "ControlGallery.h"
#include "TestSkins.h"

#include "platform/Startup.h"
#include "tools/skin/ProgramSkin.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <cstdio>

using namespace skinning;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  platform::UnitStartupScope units;
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

  gallery::ControlGallery form;
  form.move(0, 0);
  TSkinData data(&form);
  if (!data.LoadSkinStream(testskins::Streamed(skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin())))) {
    std::fprintf(stderr, "the program's skin does not load\n");
    return 1;
  }
  TSkinFormObject formObject;
  form.Hook(&data, &formObject);
  form.show();

  int result = 0;
  QTimer::singleShot(500, [&] {
    form.activateWindow();
    form.unchecked->setFocus();
    QCursor::setPos(form.cancel->mapToGlobal(QPoint(50, 15)));
    QTimer::singleShot(500, [&] {
      const QString file = folder + QStringLiteral("/skinned-controls.png");
      if (!form.grab().save(file)) {
        std::fprintf(stderr, "%s not written\n", qPrintable(file));
        result = 1;
      }
      app.quit();
    });
  });
  app.exec();
  return result;
}
