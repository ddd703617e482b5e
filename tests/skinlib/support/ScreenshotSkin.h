// The skin of the adapters' screenshot programs: the generated skin written
// into a folder and made the manager's, with the adapters alone at work
// (skinning rules without srStdForms, so the dialog hook leaves the plain
// demo forms as they are); and a window's picture cut by its region.
#pragma once

#include "platform/NonClient.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"

#include <QImage>
#include <QRegion>
#include <QString>
#include <QWidget>

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

// A window's picture as the screen shows it: what lies outside the window's
// region (the corners its skin cuts) is transparent. Unchanged for a
// window without a region.
inline QImage CutByWindowRegion(const QImage& picture, const QWidget* window) {
  QRegion region;
  if (platform::GetWindowRgn(window, region) == platform::ERROR) return picture;
  QImage cut = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < cut.height(); ++y)
    for (int x = 0; x < cut.width(); ++x)
      if (!region.contains(QPoint(x, y))) cut.setPixel(x, y, 0);
  return cut;
}

}  // namespace testskins
