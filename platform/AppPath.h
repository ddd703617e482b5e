// The program's own folder.
#pragma once

#include <string>

namespace platform {

// The folder of the running executable with a trailing '/', like the old
// GetAppPath. Settings and data files live there. Tests can point it
// elsewhere with SetAppPathOverride.
std::string GetAppPath();

// Makes GetAppPath return `folder` (a trailing '/' is added when missing);
// an empty text restores the executable's folder.
void SetAppPathOverride(const std::string& folder);

// The user's configuration folder for this program ($XDG_CONFIG_HOME or
// ~/.config, then "ssqanalyzer/"), with a trailing '/'. Not created here.
std::string GetUserConfigPath();

}  // namespace platform
