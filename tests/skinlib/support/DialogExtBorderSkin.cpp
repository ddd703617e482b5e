#include "skinlib/support/DialogExtBorderSkin.h"

namespace testskins {

TestSkin DialogExtBorderSkin(bool mode1) {
  TestSkin skin = DialogSkin();
  skin.Name = QStringLiteral("DialogExtBorders");
  const TestSkin ext = ExtBorderSkin();
  for (const SkinFile& file : ext.Files)
    if (file.Name == QLatin1String("EXBORDER.PNG")) skin.Files.push_back(file);
  for (const SkinSection& section : ext.Sections) {
    if (section.Name != QLatin1String("GLOBALINFO")) continue;
    for (const SkinKey& key : section.Keys)
      if (key.Key == QLatin1String("EXBORDER") || key.Key == QLatin1String("BORDERWIDTH") ||
          key.Key == QLatin1String("FORMOFFSET"))
        skin.Section(QStringLiteral("GLOBALINFO")).Put(key.Key, key.Value);
  }
  if (mode1) skin.Section(QStringLiteral("GLOBALINFO")).Put(QStringLiteral("BORDERMODE"), 1);
  return skin;
}

}  // namespace testskins
