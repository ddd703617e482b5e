#include "skinlib/support/TabSkin.h"

#include "tools/skindraw/SkinDrawing.h"

#include <QPainter>

namespace testskins {

namespace {

// Three states of a frame two pixels wide: an outline in `edge` (lighter
// when hot, darker when pressed) and inside it a light top and left, a
// shaded bottom and right; the four outer corner pixels are the key
// colour, the inside is left to the section (the mask's margins are 2).
QImage EdgeStrip(int w, int h, QColor edge) {
  return skindraw::Strip(w, h, 3, [edge](QPainter& p, const QRect& r, int k) {
    const QColor outline = k == 2 ? edge.darker(150) : k == 1 ? edge.lighter(130) : edge;
    p.fillRect(r, QColor(128, 128, 128));
    p.setPen(QColor(255, 255, 255));
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
    p.setPen(outline.lighter(160));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    p.setPen(outline);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(skindraw::kKeyColour);
    for (const QPoint c : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) p.drawPoint(c);
  });
}

// A grey line three pixels wide down the middle of a 7 x 20 picture of
// the status bar's colour, one state.
QImage DividerStrip() {
  return skindraw::Strip(7, 20, 1, [](QPainter& p, const QRect& r, int) {
    p.fillRect(r, QColor(kStatusBarColor & 0xFF, (kStatusBarColor >> 8) & 0xFF, kStatusBarColor >> 16));
    p.fillRect(QRect(r.left() + 2, r.top(), 3, r.height()), QColor(kDividerGrey, kDividerGrey, kDividerGrey));
  });
}

}  // namespace

void AddBarSections(TestSkin& skin) {
  const QRect page = skin.Place(EdgeStrip(24, 24, QColor(110, 120, 140)));
  const QRect tab = skin.Place(EdgeStrip(20, 20, QColor(90, 110, 150)));
  const QRect panel = skin.Place(EdgeStrip(16, 16, QColor(150, 150, 160)));
  const QRect divider = skin.Place(DividerStrip());
  const QMargins m(kBarMaskMargin, kBarMaskMargin, kBarMaskMargin, kBarMaskMargin);
  const auto plain = [&](const char* name, int color) -> SkinSection& {
    return skin.Section(QString::fromLatin1(name))
        .Put(QStringLiteral("COLOR"), color)
        .Put(QStringLiteral("HOTCOLOR"), color)
        .Put(QStringLiteral("TRANSPARENCY"), 0)
        .Put(QStringLiteral("FONTCOLOR"), 0x302010)
        .Put(QStringLiteral("HOTFONTCOLOR"), 0xA03000);
  };
  const struct {
    const char* name;
    int color;
  } pages[] = {{"PAGECONTROL", kPageTopColor},
               {"PAGECONTROLBOTTOM", kPageBottomColor},
               {"PAGECONTROLLEFT", kPageLeftColor},
               {"PAGECONTROLRIGHT", kPageRightColor},
               {"MYTABS", kOwnTabsColor}};
  for (const auto& p : pages)
    plain(p.name, p.color).Put(QStringLiteral("BORDERSMASK"), BorderValue(page, m, 3, 0, 1, 0));
  plain("CHECKBOX", kCheckBoxColor);
  const struct {
    const char* name;
    int color;
  } tabs[] = {{"TABTOP", kTabTopColor},
              {"TABBOTTOM", kTabBottomColor},
              {"TABLEFT", kTabLeftColor},
              {"TABRIGHT", kTabRightColor}};
  // The demo skin's TABTOP inherits the tool button's corner image.
  RemoveKey(skin, QStringLiteral("TABTOP"), QStringLiteral("PARENTCLASS"));
  for (const auto& t : tabs)
    plain(t.name, t.color).Put(QStringLiteral("BORDERSMASK"), BorderValue(tab, m, 3, 0, 1, 0));
  plain("TOOLBAR", kToolBarColor)
      .Put(QStringLiteral("GRADIENTDATA"), QStringLiteral("16777215;15785168;100;0;0"))
      .Put(QStringLiteral("GRADIENTPERCENT"), 60);
  plain("STATUSBAR", kStatusBarColor)
      .Put(QStringLiteral("STATUSPANELMASK"), BorderValue(panel, m, 3, 0, 1, 0));
  plain("DIVIDER", kStatusBarColor)
      .Put(QStringLiteral("BORDERSMASK"), BorderValue(divider, QMargins(2, 2, 2, 2), 1, 0, 5, 0));
  plain("UPDOWNBTN", kUpDownColor).Put(QStringLiteral("BORDERSMASK"), BorderValue(tab, m, 3, 0, 1, 0));
  plain("SPEEDBUTTON", kSpeedButtonColor)
      .Put(QStringLiteral("HOTCOLOR"), kSpeedButtonHotColor)
      .Put(QStringLiteral("BORDERSMASK"), BorderValue(tab, m, 3, 0, 1, 0));
}

TestSkin BarsSkin() {
  TestSkin skin = DemoSkin();
  skin.Name = QStringLiteral("Bars");
  AddBarSections(skin);
  return skin;
}

}  // namespace testskins
