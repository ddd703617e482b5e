// A program that upgrades itself: it checks the address given as its
// argument and, restarted after an upgrade, writes "restarted VERSION" to
// $SSQ_STANDIN_LOG. The tests build it twice with two versions. With
// $SSQ_STANDIN_DIE set it dies once the helper runs, before its word.
#include "upgrade/auUpgrader.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  auto note = [&app](const std::string& line) {
    std::ofstream(std::getenv("SSQ_STANDIN_LOG"), std::ios::app) << line << "\n";
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
  };
  TauUpgrader upgrader;
  upgrader.VersionControl = byNumber;
  upgrader.VersionNumber = SSQ_STANDIN_VERSION;
  upgrader.Wizard.Enabled = false;
  upgrader.ShowMessages = 0;
  upgrader.OnAfterRestart = [&](TauUpgrader&) { note("restarted " SSQ_STANDIN_VERSION); };
  for (auto* event : {&upgrader.OnNoUpdateAvailable, &upgrader.OnAborted, &upgrader.OnConnLost, &upgrader.OnNoInfoFile})
    *event = [&](TauUpgrader&) { note("failed " SSQ_STANDIN_VERSION); };
  if (std::getenv("SSQ_STANDIN_DIE")) upgrader.OnEndUpgrade = [](TauUpgrader&, bool&) { std::_Exit(9); };
  upgrader.Loaded();
  if (argc == 2 && argv[1] == upgrader.RestartParams()) return app.exec();
  if (argc != 2) return 2;
  upgrader.InfoFileURL = argv[1];
  upgrader.StartUpdateCheck(false);
  return app.exec();
}
