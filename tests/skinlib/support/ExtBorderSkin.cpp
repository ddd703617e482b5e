#include "skinlib/support/ExtBorderSkin.h"

#include "tools/skindraw/SkinDrawing.h"

#include <QColor>
#include <QImage>

#include <algorithm>

namespace testskins {

QImage ExtBorderStrip() {
  const int size = kExtBorderState;
  QImage image(2 * size, size, QImage::Format_ARGB32);
  image.fill(QColor(255, 255, 255, 0));
  for (int k = 0; k < 2; ++k)
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const int edge = std::min({x, y, size - 1 - x, size - 1 - y});
        if (edge >= kExtShadowBand) continue;
        // Faint far out, deeper next to the window.
        const int alpha = (edge + 1) * (k == 0 ? 8 : 12);
        image.setPixelColor(k * size + x, y, k == 0 ? QColor(40, 40, 40, alpha) : QColor(20, 30, 70, alpha));
      }
  return image;
}

TestSkin ExtBorderSkin(bool mode1) {
  TestSkin skin = FormSkin();
  skin.Name = mode1 ? QStringLiteral("ExtBordersMode1") : QStringLiteral("ExtBorders");
  if (mode1) skin.Section(QStringLiteral("GLOBALINFO")).Put(QStringLiteral("BORDERMODE"), 1);
  skin.AddFile(QStringLiteral("EXBORDER.PNG"), skindraw::PngBytes(ExtBorderStrip()));
  const int wl = kExtShadowBand + 2;
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Put(QStringLiteral("BORDERWIDTH"), kExtBorderWidth)
      .Put(QStringLiteral("FORMOFFSET"), kExtFormOffset)
      .Put(QStringLiteral("EXBORDER"), OwnFileValue(QStringLiteral("EXBORDER.PNG"), 2, 0, 0, QMargins(wl, wl, wl, wl)));
  // The menu line's items as the menu skin has them.
  const TestSkin menus = MenuSkin();
  for (const SkinSection& section : menus.Sections)
    if (section.Name == QLatin1String("MENUITEM") || section.Name == QLatin1String("SPEEDBUTTON_SMALL"))
      skin.Sections.push_back(section);
  return skin;
}

}  // namespace testskins
