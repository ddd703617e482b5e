// Pictures of the demo MDI main form in the form skin: its MDI client
// skinned through the client adapter (MDIAREA beside the tool and status
// bars), the children cascaded with the frame adapter on the third child's
// frame, and again with one child maximized (its icon and buttons in the
// main form's menu line), and with one child minimized (the skin's caption
// alone at the foot of the area). Not a test:
//   build/tests/skinlib/adapters/skinlib_mdi_screenshots docs/screenshots
#include "platform/Startup.h"
#include "skinlib/adapters/sFrameAdapter.h"
#include "skinlib/adapters/sMDIForm.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/MdiSkin.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace platform;

namespace {

bool Save(QWidget& form, const QString& folder, const char* name) {
  QApplication::processEvents();
  const QString path = folder + QLatin1Char('/') + QLatin1String(name);
  const bool ok = form.grab().toImage().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  QString error;
  if (!testskins::WriteSkinFolder(testskins::MdiSkin(0, /*border=*/true), skins.path() + "/Mdi", &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  TsSkinManager manager;
  manager.SetSkinDirectory(skins.path());
  manager.SetSkinName(QStringLiteral("Mdi"));
  FrameAdapterClass() = QStringLiteral("TFrame");
  bool ok = true;
  {
    testskins::DemoMdi demo = testskins::DemoMdiMainWindow();
    std::unique_ptr<QWidget> window(demo.Window);
    window->resize(640, 440);
    auto* provider = new TsSkinProvider(window.get());
    new TsFrameAdapter(demo.Frame);
    for (QMdiSubWindow* child : demo.Children) new TsSkinProvider(child->widget());
    window->show();
    for (QMdiSubWindow* child : demo.Children) child->show();
    demo.Area->cascadeSubWindows();
    demo.Area->setActiveSubWindow(demo.Children[2]);
    ok &= provider->MDIAdapter() != nullptr;
    ok &= Save(*window, folder, "mdi-demo-normal.png");
    demo.Children[0]->showMaximized();
    demo.Area->setActiveSubWindow(demo.Children[0]);
    ok &= Save(*window, folder, "mdi-demo-maximized.png");
    // One child minimized: its sub-window is the skin's caption alone.
    demo.Children[0]->showNormal();
    demo.Area->cascadeSubWindows();
    demo.Children[1]->showMinimized();
    demo.Area->setActiveSubWindow(demo.Children[2]);
    QApplication::processEvents();
    ok &= demo.Children[1]->widget()->isHidden();
    ok &= Save(*window, folder, "skinlib-mdi-minimized.png");
  }
  FrameAdapterClass().clear();
  FinishUnits();
  return ok ? 0 : 1;
}
