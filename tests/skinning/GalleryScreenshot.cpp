// A screenshot of the control gallery skinned with the program's skin, a
// check box focused and the pointer over the first button (not a test;
// needs a real X server):
//   xvfb-run -s "-screen 0 800x600x24" build/tests/skinning/skinning_gallery_screenshot docs/screenshots
#include "ControlGallery.h"
#include "ProgramSkinStart.h"


#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <cstdio>

using namespace skinning;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const testskins::ScreenshotStart start(argc, argv);
  const QString& folder = start.folder;

  gallery::ControlGallery form;
  form.move(0, 0);
  TSkinData data(&form);
  if (!testskins::LoadProgramSkin(data)) return 1;
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
