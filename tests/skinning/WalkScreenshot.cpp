// A screenshot of the control gallery skinned the way the program is: the
// skin component on the form, switched on, the skin manager skinning the
// form when it activates and the control walk giving every control its
// painter; the pointer over a column header (not a test; needs a real X
// server):
//   xvfb-run -s "-screen 0 1024x768x24" build/tests/skinning/skinning_walk_screenshot docs/screenshots
#include "ProgramSkinStart.h"
#include "WalkGallery.h"

#include "skinning/WinSkinManage.h"
#include "skinning/WinSubClassScroll.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <cstdio>

using namespace skinning;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const testskins::ScreenshotStart start(argc, argv);
  const QString& folder = start.folder;

  gallery::WalkGallery form;
  form.move(0, 0);
  auto* data = new TSkinData(&form);
  if (!testskins::LoadProgramSkin(*data)) return 1;
  data->Loaded();
  data->SetActive(true);
  form.show();

  int result = 0;
  QTimer::singleShot(500, [&] {
    form.activateWindow();
    QTimer::singleShot(800, [&] {
      const std::vector<TSkinFormObject*> forms = SkinManage()->Forms();
      const size_t painters = forms.empty() ? 0 : forms.front()->Controls().size();
      std::printf("%zu skinned form(s), %zu painters\n", forms.size(), painters);
      if (painters == 0) result = 1;
      QCursor::setPos(form.tree->mapToGlobal(QPoint(110, 8)));
      QTimer::singleShot(400, [&] {
        if (auto* header = FindSkinControl<TSkinHeader>(form.tree->header()))
          std::printf("hot header section: %d\n", header->HotItem);
        const QString file = folder + QStringLiteral("/skinned-controls-walk.png");
        if (!form.grab().save(file)) {
          std::fprintf(stderr, "%s not written\n", qPrintable(file));
          result = 1;
        }
        app.quit();
      });
    });
  });
  app.exec();
  return result;
}
