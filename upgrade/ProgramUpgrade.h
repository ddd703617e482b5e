// The program's two upgrade components, set up as the main window and the
// sign-in dialog have them. The windows know nothing of the upgrade: the
// program wires each component to its window's hooks.
#pragma once

#include "upgrade/auUpgrader.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where the program finds its update information (https, certificates
// checked); the files it lists are fetched over https only.
inline constexpr const char* ProgramUpdateInfoURL = "https://update.ssq-analyzer.example/update/update.inf";

// A check of the program's ends by then (ms) at the latest.
inline constexpr int ProgramCheckDeadline = 30000;

enum class TProgramUpgradeCaller { MainWindow, SignIn };

// A component of the program: version rule by number, the program's
// messages (a failed check says why, naming the server), a window while a
// check runs, the check's deadline, the main window's wizard without the
// file's address. When
// `endUpgrade` is given, it gets the downloaded addresses once every file
// is in place (the sign-in dialog's UpGradEndUpgrade).
std::unique_ptr<TauUpgrader> MakeProgramUpgrader(
    TProgramUpgradeCaller caller, const std::string& versionNumber,
    std::function<void(const std::vector<std::string>& downloadedFiles)> endUpgrade = {});
