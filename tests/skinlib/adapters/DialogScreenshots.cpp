// Pictures of a standard dialog and a message box skinned by the dialog
// window adapter with the dialog test skin (their children stay plain:
// the dialog hook gives them their adapters). Not a test:
//   build/tests/skinlib/adapters/skinlib_dialog_screenshots docs/screenshots
#include "platform/Canvas.h"
#include "platform/Startup.h"
#include "skinlib/adapters/acDialogWnd.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/DialogSkin.h"
#include "skinlib/support/ScreenshotSkin.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

using namespace platform;

namespace {

bool Save(QWidget& window, TsSkinManager& manager, const QString& path) {
  auto adapter = TacMainWnd::Create<TacDialogWnd>(&window, nullptr, &manager, kDialogSection, true);
  adapter->FirstShowSetup();
  window.show();
  QApplication::processEvents();
  const bool ok = testskins::CutByWindowRegion(window.grab().toImage(), &window).save(path);
  if (!ok) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  adapter.reset();
  window.hide();
  return ok;
}

// The dialog skin written into `dir` and made the manager's; false (and
// said) when it cannot be.
bool ActivateDialogSkin(TsSkinManager& manager, const QString& dir) {
  QString error;
  if (!testskins::WriteSkinFolder(testskins::DialogSkin(), dir + "/Dialogs", &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
  }
  manager.SetSkinDirectory(dir);
  manager.SetSkinName(QStringLiteral("Dialogs"));
  return manager.Active();
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  RunUnitStartups();
  QTemporaryDir skins;
  TsSkinManager manager;
  if (!ActivateDialogSkin(manager, skins.path())) return 1;
  bool ok = true;
  {
    QDialog dialog(nullptr, Qt::Dialog | Qt::WindowContextHelpButtonHint);
    dialog.setWindowTitle(QStringLiteral("导入开奖数据"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("从文件导入双色球历史开奖号码。")));
    layout->addWidget(new QCheckBox(QStringLiteral("覆盖已有期号")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    dialog.setFixedSize(320, 150);
    ok = Save(dialog, manager, folder + "/skinlib-dialog.png") && ok;
  }
  {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("双色球"), QStringLiteral("第 2024001 期已存在，是否覆盖？"),
                    QMessageBox::Yes | QMessageBox::No);
    ok = Save(box, manager, folder + "/skinlib-message-box.png") && ok;
  }
  FinishUnits();
  return ok ? 0 : 1;
}
