// The program: the application object, the units' start-up (the PNG
// pictures, the message layer), the main window shown maximized and the
// message loop. The main window signs the user in while it is first shown;
// when the user gives up there, it is closed already and the loop never
// runs.
#include "app/uFrmAbout.h"
#include "app/uFrmMain.h"
#include "platform/Db.h"
#include "platform/Startup.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ssqanalyzer"));
  QApplication::setApplicationDisplayName(QString::fromUtf8(ProjectTitle));
  int rc = 0;
  {
    platform::UnitStartupScope units;
    // The skin and upgrade components are not part of the program yet: the
    // main window runs without them.
    TMainComponents components;
    TfrmMain frmMain(std::move(components));
    // Closing the main window ends the program, whatever else is open.
    frmMain.OnClose = [] { QCoreApplication::quit(); };
    frmMain.showMaximized();
    if (frmMain.isVisible()) rc = QApplication::exec();
  }
  platform::ExitIfDbCallsStuck(rc);
  return rc;
}
