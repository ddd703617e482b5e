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
  upgrader->ShowMessages = mAskUpgrade | mConnLost | mLostFile | mNoUpdateAvailable | mPasswordRequest;
  // The menu's check says in one line why it failed; the sign-in dialog's
  // stays as quiet as before.
  if (caller == TProgramUpgradeCaller::MainWindow) upgrader->ShowMessages |= mTransferFailed;
  upgrader->Wizard.HideFileLocation = caller == TProgramUpgradeCaller::MainWindow;
  if (endUpgrade)
    upgrader->OnEndUpgrade = [endUpgrade = std::move(endUpgrade)](TauUpgrader& sender, bool&) {
      std::vector<std::string> urls;
      for (const TauUpgradeFile& file : sender.Files()) urls.push_back(file.URL);
      endUpgrade(urls);
    };
  return upgrader;
}
