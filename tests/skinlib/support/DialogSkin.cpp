#include "skinlib/support/DialogSkin.h"

namespace testskins {

TestSkin DialogSkin(bool smallButtons) {
  TestSkin skin = FormSkin();
  skin.Name = QStringLiteral("Dialogs");
  SkinSection dialog = skin.Section(QStringLiteral("FORM"));
  dialog.Name = QStringLiteral("DIALOG");
  dialog.Put(QStringLiteral("COLOR"), kDialogColor);
  // The dialog's title buttons lie in the title section: no strip.
  std::erase_if(dialog.Keys, [](const SkinKey& k) { return k.Key == QLatin1String("TITLEBAR"); });
  skin.Sections.push_back(dialog);
  skin.Section(QStringLiteral("GLOBALINFO")).Put(QStringLiteral("COLOR"), kDialogGlobalColor);
  if (!smallButtons)
    for (const char* name : {"SICONCLOSE", "SICONMIN", "SICONMAX", "SICONHELP"})
      RemoveKey(skin, QStringLiteral("GLOBALINFO"), QLatin1String(name));
  return skin;
}

}  // namespace testskins
