#include "skinlib/support/PanelSkin.h"

#include "tools/skindraw/SkinDrawing.h"

#include <QPainter>
#include <QPolygon>

namespace testskins {

namespace {

using skindraw::kKeyColour;

// Three states of an arrow (0 up, 1 down, 2 left, 3 right), 7 x 7 each.
QImage PanelArrowStrip(int direction) {
  return skindraw::Strip(7, 7, 3, [direction](QPainter& p, const QRect& r, int k) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgb(kPanelArrowColors[size_t(k)]));
    const int x = r.left(), y = r.top();
    QPolygon tri;
    switch (direction) {
      case 0: tri << QPoint(x + 3, y + 1) << QPoint(x + 7, y + 5) << QPoint(x, y + 5); break;
      case 1: tri << QPoint(x + 3, y + 6) << QPoint(x + 7, y + 2) << QPoint(x, y + 2); break;
      case 2: tri << QPoint(x + 1, y + 3) << QPoint(x + 5, y) << QPoint(x + 5, y + 7); break;
      default: tri << QPoint(x + 6, y + 3) << QPoint(x + 2, y) << QPoint(x + 2, y + 7); break;
    }
    p.drawPolygon(tri);
  });
}

// A frame `width` pixels wide in `colour` around a key-colour middle.
QImage PanelFrame(int size, int width, QColor colour) {
  return skindraw::Strip(size, size, 1, [=](QPainter& p, const QRect& r, int) {
    p.fillRect(r, colour);
    p.fillRect(r.adjusted(width, width, -width, -width), kKeyColour);
  });
}

// An etched vertical line (dark, then white) in a 6 x 16 picture.
QImage DividerLine() {
  return skindraw::Strip(6, 16, 1, [](QPainter& p, const QRect& r, int) {
    p.fillRect(r.left() + 2, r.top() + 1, 1, r.height() - 2, QColor(0x30, 0x50, 0x70));
    p.fillRect(r.left() + 3, r.top() + 1, 1, r.height() - 2, Qt::white);
  });
}

// Dots along the grip's diagonal.
QImage PanelGrip() {
  return skindraw::Strip(kPanelGripSize, kPanelGripSize, 1, [](QPainter& p, const QRect& r, int) {
    for (int row = 0; row < 4; ++row)
      for (int col = 3 - row; col < 4; ++col)
        p.fillRect(r.left() + col * 3, r.top() + row * 3, 2, 2, QColor::fromRgb(kPanelGripColor));
  });
}

}  // namespace

void AddPanelSections(TestSkin& skin, int gripImageCount) {
  skin.Section(QStringLiteral("PANEL_LOW")).Put(QStringLiteral("COLOR"), kPanelLowColor);
  skin.Section(QStringLiteral("CHECKBOX")).Put(QStringLiteral("COLOR"), kPanelCheckBoxColor);
  const QRect groupFrame = skin.Place(PanelFrame(12, 3, QColor(0x60, 0x80, 0xA0)));
  skin.Section(QStringLiteral("GROUPBOX"))
      .Put(QStringLiteral("COLOR"), kPanelGroupBoxColor)
      .Put(QStringLiteral("BORDERSMASK"), BorderValue(groupFrame, QMargins(3, 3, 3, 3), 1, 0, 1, 3));
  for (const char* name : {"SPEEDBUTTON_SMALL", "UPDOWNBTN"})
    skin.Section(QString::fromLatin1(name))
        .Put(QStringLiteral("COLOR"), kSpinColor)
        .Put(QStringLiteral("HOTCOLOR"), kSpinHotColor);
  const char* arrows[] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT"};
  for (int i = 0; i < 4; ++i)
    skin.Section(QString::fromLatin1(arrows[i]))
        .Put(QStringLiteral("GLYPHMASK"), GlyphValue(skin.Place(PanelArrowStrip(i)), 3, 0));
  skin.Section(QStringLiteral("TOOLBUTTON"))
      .Put(QStringLiteral("COLOR"), kToolButtonColor)
      .Put(QStringLiteral("HOTCOLOR"), kToolButtonHotColor)
      .Put(QStringLiteral("TRANSPARENCY"), 0);
  skin.Section(QStringLiteral("DIVIDER"))
      .Put(QStringLiteral("COLOR"), kBarColor)
      .Put(QStringLiteral("BORDERSMASK"), BorderValue(skin.Place(DividerLine()), QMargins(0, 1, 0, 1), 1, 0, 1, 0));
  skin.Section(QStringLiteral("BAR")).Put(QStringLiteral("COLOR"), kBarColor);
  const QRect menuFrame = skin.Place(PanelFrame(12, 2, QColor(0x40, 0x60, 0x90)));
  skin.Section(QStringLiteral("MAINMENU"))
      .Put(QStringLiteral("COLOR"), kMenuWindowColor)
      .Put(QStringLiteral("HOTCOLOR"), kMenuWindowHotColor)
      .Put(QStringLiteral("BORDERSMASK"), BorderValue(menuFrame, QMargins(2, 2, 2, 2), 1, 0, 1, 2));
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Put(QStringLiteral("GRIPIMAGE"), GlyphValue(skin.Place(PanelGrip()), gripImageCount, 0));
}

TestSkin PanelSkin(int gripImageCount) {
  TestSkin skin = DemoSkin();
  skin.Name = QStringLiteral("PanelDemo");
  AddPanelSections(skin, gripImageCount);
  return skin;
}

}  // namespace testskins
