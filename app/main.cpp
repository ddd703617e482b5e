// The program: the application object, the units' start-up (the PNG
// pictures, the message layer), the main window shown maximized with its
// skin component and its upgrade component, and the message loop. The main
// window signs the user in while it is first shown; when the user gives up
// there, it is closed already and the loop never runs. The skin goes on
// once the sign-in has ended; without a usable skin file the program says
// why and runs with the standard look.
#include "app/uFrmAbout.h"
#include "app/uFrmLogin.h"
#include "app/uFrmMain.h"
#include "platform/AppWindow.h"
#include "platform/Db.h"
#include "platform/ProgramLocale.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "skinning/WinSkinData.h"
#include "upgrade/ProgramUpgrade.h"

#include <QApplication>

namespace {

// Each sign-in dialog gets an upgrade component of its own for its update
// icon; it lives exactly as long as the dialog.
void AttachSignInUpgrader(TFrmLogin& dialog) {
  TauUpgrader* upgrader =
      MakeProgramUpgrader(TProgramUpgradeCaller::SignIn, TFrmLogin::VersionNumber,
                          [&dialog](const std::vector<std::string>& files) {
                            dialog.UpGradEndUpgrade(files);
                          })
          .release();
  upgrader->SetOwnerWindow(&dialog);
  dialog.StartUpdateCheck = [upgrader] { upgrader->StartUpdateCheck(false); };
  QObject::connect(&dialog, &QObject::destroyed, [upgrader] { delete upgrader; });
}

}  // namespace

// The end-to-end test runs the program in its own process, by another name.
#ifndef SSQ_PROGRAM_MAIN
#define SSQ_PROGRAM_MAIN main
#endif

int SSQ_PROGRAM_MAIN(int argc, char** argv) {
  platform::UseChineseLocale();
  QApplication app(argc, argv);
  // No display name: Qt would append it to every window's title. The
  // program's title names it in the upgrade's texts and titles the boxes
  // of no window (the unit start-ups', "/acver" among them).
  QApplication::setApplicationName(QString::fromUtf8(ProgramName));
  platform::SetApplicationTitle(QString::fromUtf8(ProjectTitle));
  // The standard dialogs (files, message box buttons) speak the program's
  // language.
  platform::ChineseTexts standardTexts;
  int rc = 0;
  {
    platform::UnitStartupScope units;
    // The main window's upgrade component outlives the window. The skin
    // component belongs to the main window: made before it (the window sets
    // its skin file while it is made), handed to it right after.
    auto* skin = new skinning::TSkinData;
    skin->DisableTag = 99;
    skin->SkinFormtype = skinning::sfMainform;
    skin->Loaded();
    std::unique_ptr<TauUpgrader> upgrader =
        MakeProgramUpgrader(TProgramUpgradeCaller::MainWindow, TFrmLogin::VersionNumber);
    TMainComponents components;
    components.SetVersionNumber = [&upgrader](const QString& version) {
      upgrader->VersionNumber = version.toStdString();
    };
    components.StartUpdateCheck = [&upgrader] { upgrader->StartUpdateCheck(false); };
    components.LoginCreated = AttachSignInUpgrader;
    components.SetSkinFile = [skin](const QString& file) {
      skin->SetSkinFile(file);
      return skin->NoSkin() ? QString::fromStdString(skin->LoadProblem()) : QString();
    };
    components.SetSkinActive = [skin](bool active) { skin->SetActive(active); };
    TfrmMain frmMain(std::move(components));
    skin->setParent(&frmMain);
    upgrader->SetOwnerWindow(&frmMain);
    // Closing the main window ends the program, whatever else is open.
    frmMain.OnClose = [] { QCoreApplication::quit(); };
    // Maximized, also where no window manager would do it.
    platform::ShowWindow(&frmMain, platform::SW_SHOWMAXIMIZED);
    if (frmMain.isVisible()) rc = QApplication::exec();
  }
  platform::ExitIfDbCallsStuck(rc);
  return rc;
}
