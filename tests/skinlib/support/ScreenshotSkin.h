// The skin of the adapters' screenshot programs: the generated skin written
// into a folder and made the manager's, with the adapters alone at work
// (skinning rules without srStdForms, so the dialog hook leaves the plain
// demo forms as they are).
#pragma once

#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"

#include <QString>

#include <cstdio>

namespace testskins {

// False, said on stderr, when the folder cannot be written or the skin
// does not go on.
inline bool ActivateForScreenshots(TsSkinManager& manager, const QString& skinsDir, const TestSkin& skin,
                                   const QString& name) {
  QString error;
  if (!WriteSkinFolder(skin, skinsDir + "/" + name, &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
  }
  manager.SetSkinningRules(TsSkinManager::srThirdParty);
  manager.SetSkinDirectory(skinsDir);
  manager.SetSkinName(name);
  if (manager.Active()) return true;
  std::fprintf(stderr, "The skin \"%s\" did not go on\n", qPrintable(name));
  return false;
}

}  // namespace testskins
