#include "upgrade/ProgramUpgrade.h"

std::unique_ptr<TauUpgrader> MakeProgramUpgrader(
    TProgramUpgradeCaller caller, const std::string& versionNumber,
    std::function<void(const std::vector<std::string>& downloadedFiles)> endUpgrade) {
  auto upgrader = std::make_unique<TauUpgrader>();
  upgrader->InfoFileURL = ProgramUpdateInfoURL;
  upgrader->SecureOnly = true;
  upgrader->VersionControl = byNumber;
  upgrader->VersionNumber = versionNumber;
  upgrader->VersionDateAutoSet = true;
  // Both checks are started by the user (the menu, the sign-in dialog's
  // icon): each shows that it runs, and ends with a message, one line
  // saying why when it failed, within the deadline.
  upgrader->ShowMessages = mAskUpgrade | mConnLost | mLostFile | mNoUpdateAvailable | mPasswordRequest |
                           mTransferFailed | mCheckProgress;
  upgrader->CheckDeadline = ProgramCheckDeadline;
  upgrader->Wizard.HideFileLocation = caller == TProgramUpgradeCaller::MainWindow;
  if (endUpgrade)
    upgrader->OnEndUpgrade = [endUpgrade = std::move(endUpgrade)](TauUpgrader& sender, bool&) {
      std::vector<std::string> urls;
      for (const TauUpgradeFile& file : sender.Files()) urls.push_back(file.URL);
      endUpgrade(urls);
    };
  return upgrader;
}
