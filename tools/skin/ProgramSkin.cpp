#include "tools/skin/ProgramSkin.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace skinwriter {

namespace {

using skindraw::Arrow;
using skindraw::CaptionGlyph;
using skindraw::Gradient;
using skindraw::RoundedBox;
using skindraw::Strip;

// The scheme.
const QColor kKey(255, 0, 255);
const QColor kFace(222, 233, 247);
const QColor kText(16, 32, 64);
const QColor kShadow(128, 156, 196);
const QColor kDkShadow(40, 64, 110);
const QColor kLight(240, 246, 253);
const QColor kHilight(51, 122, 214);
const QColor kFrameDark(24, 66, 140);
const QColor kCaptionTop(92, 154, 228), kCaptionBottom(34, 92, 178);
const QColor kIdleTop(170, 194, 226), kIdleBottom(132, 160, 200);
const QColor kMenu(246, 249, 254);
const QColor kTrack(232, 240, 250);

QString Rgb(const QColor& c) { return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue()); }
// A colour as the skin's integer keys hold it ($00BBGGRR).
int ColourValue(const QColor& c) { return c.red() | c.green() << 8 | c.blue() << 16; }

// The look of a control in one state.
enum State { Normal, Hot, Pressed, Disabled, Focused };

QColor Top(State s) {
  switch (s) {
    case Hot: return QColor(250, 253, 255);
    case Pressed: return QColor(176, 204, 238);
    case Disabled: return QColor(232, 236, 242);
    default: return QColor(246, 250, 255);
  }
}
QColor Bottom(State s) {
  switch (s) {
    case Hot: return QColor(196, 222, 250);
    case Pressed: return QColor(136, 176, 226);
    case Disabled: return QColor(214, 220, 230);
    default: return QColor(188, 210, 240);
  }
}
QColor Outline(State s) {
  switch (s) {
    case Hot: return kHilight;
    case Disabled: return QColor(170, 180, 196);
    case Focused: return kFrameDark;
    default: return QColor(96, 130, 180);
  }
}

// A rounded box with a gradient and an outline; outside the corners the key
// colour stays.
void Box(QPainter& p, const QRect& r, State s, int radius = 3) {
  RoundedBox(p, r, Top(s), Bottom(s), Outline(s), radius);
  if (s == Focused) {
    p.setPen(QPen(kHilight, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(r).adjusted(1, 1, -2, -2), radius - 1, radius - 1);
  }
}

// The caption band: active (frame 0) and inactive gradients.
void CaptionBand(QPainter& p, const QRect& r, int k) {
  Gradient(p, r, k == 0 ? kCaptionTop : kIdleTop, k == 0 ? kCaptionBottom : kIdleBottom);
  p.setPen(k == 0 ? kFrameDark : kShadow);
  p.drawLine(r.topLeft(), r.topRight());
  p.setPen(QColor(255, 255, 255, 90));
  p.drawLine(r.topLeft() + QPoint(0, 1), r.topRight() + QPoint(0, 1));
}

// Puts the element's images and keys into the skin as it is built.
class Builder {
 public:
  Builder() { ini_.Section(QStringLiteral("TitlebarSkin")).Set(QStringLiteral("SkinName"), QStringLiteral("Watercolor Blue")); }

  QString AddImage(const QString& name, const QImage& image) {
    const QString file = name + QStringLiteral(".bmp");
    entries_.push_back({file, BmpBytes(image)});
    return file;
  }
  IniText& Ini() { return ini_; }

  // A section of the plain element reader, with every key it reads.
  IniText& Element(const QString& section, const QImage& image, int frames, QMargins m, int trans,
                   int tile = 0, int style = 0, const QString& imageKey = QStringLiteral("Image")) {
    ini_.Section(section)
        .Set(imageKey, AddImage(QString(section).remove(u'.'), image))
        .Set(QStringLiteral("Style"), style)
        .Set(QStringLiteral("Frame"), frames);
    Edges(m, trans, tile);
    return StateColours(kText, kFrameDark, kText);
  }
  // The edge widths, transparency and tiling every element has.
  IniText& Edges(QMargins m, int trans, int tile) {
    return ini_.Set(QStringLiteral("LeftWidth"), m.left())
        .Set(QStringLiteral("TopHeight"), m.top())
        .Set(QStringLiteral("RightWidth"), m.right())
        .Set(QStringLiteral("BottomHeight"), m.bottom())
        .Set(QStringLiteral("Trans"), trans)
        .Set(QStringLiteral("Tile"), tile);
  }
  IniText& StateColours(const QColor& normal, const QColor& over, const QColor& pressed) {
    return ini_.Set(QStringLiteral("NormalColour"), ColourValue(normal))
        .Set(QStringLiteral("MouseOverColour"), ColourValue(over))
        .Set(QStringLiteral("PressedColour"), ColourValue(pressed))
        .Set(QStringLiteral("NormalColour2"), Rgb(normal))
        .Set(QStringLiteral("MouseOverColour2"), Rgb(over))
        .Set(QStringLiteral("PressedColour2"), Rgb(pressed));
  }

  SkinContainer Finish() {
    SkinContainer c;
    c.Entries.push_back({QStringLiteral("Watercolor-BLUE.ini"), ini_.Bytes()});
    for (SkinEntry& e : entries_) c.Entries.push_back(std::move(e));
    return c;
  }

 private:
  IniText ini_;
  std::vector<SkinEntry> entries_;
};

void AddFrame(Builder& b) {
  auto& ini = b.Ini();
  ini.Section(QStringLiteral("Personality"));
  // The caption band with rounded top corners, 2 frames stacked.
  const QImage top = Strip(120, 30, 2, [](QPainter& p, const QRect& r, int k) {
    QPainterPath path;
    path.addRoundedRect(QRectF(r).adjusted(0, 0, -1, 8), 7, 7);
    p.setClipPath(path, Qt::IntersectClip);
    CaptionBand(p, r, k);
    p.setPen(k == 0 ? kFrameDark : kShadow);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }, true);
  // Side borders: 4 pixels, rounded at the bottom outer corner; frames side
  // by side. The caption covers the top 30 rows, the corner takes the last
  // 6; the 8 rows between are what a window's height stretches.
  auto side = [](bool left) {
    return Strip(4, 44, 2, [left](QPainter& p, const QRect& r, int k) {
      const QColor edge = k == 0 ? kFrameDark : kShadow;
      Gradient(p, r, left ? edge : kFace, left ? kFace : edge, true);
      p.fillRect(QRect(r.left(), r.top(), r.width(), 30), k == 0 ? kCaptionBottom : kIdleBottom);
      // The outer bottom corner is left out of the window.
      const int x = left ? r.left() : r.right();
      const int in = left ? 1 : -1;
      p.setPen(kKey);
      p.drawPoint(x, r.bottom());
      p.drawPoint(x + in, r.bottom());
      p.drawPoint(x, r.bottom() - 1);
    });
  };
  const QImage bottom = Strip(40, 4, 2, [](QPainter& p, const QRect& r, int k) {
    Gradient(p, r, kFace, k == 0 ? kFrameDark : kShadow);
  }, true);
  struct Border {
    QString Name;
    QImage Image;
    int First, Second, Trans;
  };
  const Border borders[] = {{QStringLiteral("Top"), top, 36, 36, 1},
                            {QStringLiteral("Left"), side(true), 30, 6, 1},
                            {QStringLiteral("Right"), side(false), 30, 6, 1},
                            {QStringLiteral("Bottom"), bottom, 4, 4, 0}};
  for (const Border& e : borders)
    ini.Set(e.Name, b.AddImage(e.Name, e.Image))
        .Set(e.Name + QStringLiteral("TopHeight"), e.First)
        .Set(e.Name + QStringLiteral("BotHeight"), e.Second)
        .Set(e.Name + QStringLiteral("Frame"), 2)
        .Set(e.Name + QStringLiteral("Stretch"), 0)
        .Set(e.Name + QStringLiteral("Trans"), e.Trans);
  // The title: a soft band behind the caption text, and its colours.
  const QImage textBack = Strip(40, 22, 2, [](QPainter& p, const QRect& r, int k) {
    QPainterPath path;
    path.addRoundedRect(QRectF(r).adjusted(0, 2, -1, -3), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(k == 0 ? QColor(60, 120, 204) : QColor(150, 176, 212));
    p.drawPath(path);
  });
  ini.Set(QStringLiteral("TextBack"), b.AddImage(QStringLiteral("TextBack"), textBack))
      .Set(QStringLiteral("TextShift"), 28)
      .Set(QStringLiteral("TextShiftVert"), 0)
      .Set(QStringLiteral("TextRightClip"), 90)
      .Set(QStringLiteral("TextAlignment"), 0)
      .Set(QStringLiteral("Textbackground"), 1)
      .Set(QStringLiteral("TXTBackleft"), 8)
      .Set(QStringLiteral("TXTBackRight"), 8);
  const QColor active(255, 255, 255), inactive(236, 242, 250);
  for (int i = 0; i < 3; ++i) {
    const QString channel(QStringLiteral("RGB")[i]);
    const int values[2][3] = {{active.red(), active.green(), active.blue()},
                              {inactive.red(), inactive.green(), inactive.blue()}};
    ini.Set(QStringLiteral("ActiveText") + channel, values[0][i])
        .Set(QStringLiteral("InActiveText") + channel, values[1][i]);
  }
  // The menu bar band: active and inactive, side by side.
  const QImage menuBar = Strip(40, 20, 2, [](QPainter& p, const QRect& r, int k) {
    Gradient(p, r, kLight, k == 0 ? kFace : kTrack);
    p.setPen(kShadow);
    p.drawLine(r.bottomLeft(), r.bottomRight());
  });
  ini.Set(QStringLiteral("menuBar"), b.AddImage(QStringLiteral("MenuBar"), menuBar))
      .Set(QStringLiteral("TileMenu"), 0)
      .Set(QStringLiteral("TileLeftMenu"), 4)
      .Set(QStringLiteral("TileRightMenu"), 4);
  ini.Section(QStringLiteral("Fonts")).Set(QStringLiteral("FontHeight"), 14);
}

void AddColours(Builder& b) {
  auto& ini = b.Ini();
  const std::pair<const char*, QColor> colours[] = {
      {"WindowText", kText},        {"TitleTextActive", QColor(255, 255, 255)},
      {"TitleTextNoActive", QColor(236, 242, 250)}, {"ButtonFace", kFace},
      {"ButtonText", kText},        {"ButtonHilight", QColor(255, 255, 255)},
      {"Buttonlight", kLight},      {"ButtonShadow", kShadow},
      {"ButtonDkShadow", kDkShadow}, {"HilightText", QColor(255, 255, 255)},
      {"Hilight", kHilight},        {"Menubar", kFace},
      {"MenuBarText", kText},       {"MenuText", kText},
      {"Menu", kMenu},              {"Scrollbar", kTrack}};
  ini.Section(QStringLiteral("Colours"));
  for (const auto& [key, colour] : colours) ini.Set(QString::fromLatin1(key), Rgb(colour));
  ini.Section(QStringLiteral("Colour.Caption")).Set(QStringLiteral("color"), Rgb(kCaptionBottom));
  ini.Section(QStringLiteral("Customcolors"));
  for (int i = 0; i < 10; ++i)
    ini.Set(QStringLiteral("Color%1").arg(i),
            Rgb(QColor::fromHsv(210, 40 + 20 * i, 250 - 12 * i)));
}

// The lottery balls on the system-menu button.
QImage Icon() {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(kKey);
  QPainter p(&image);
  p.setPen(QColor(150, 20, 30));
  p.setBrush(QColor(226, 48, 56));
  p.drawEllipse(QRect(0, 2, 10, 10));
  p.setPen(QColor(20, 50, 130));
  p.setBrush(QColor(60, 120, 220));
  p.drawEllipse(QRect(6, 5, 9, 9));
  p.setPen(QColor(255, 255, 255));
  p.drawPoint(3, 5);
  p.drawPoint(9, 8);
  return image;
}

void AddCaptionButtons(Builder& b) {
  // normal, pressed, hover, inactive
  auto button = [](int glyph) {
    return Strip(21, 21, 4, [glyph](QPainter& p, const QRect& r, int k) {
      const QRect box = r.adjusted(1, 1, -1, -1);
      const bool close = glyph == 0;
      const QColor top[] = {close ? QColor(232, 120, 100) : QColor(120, 176, 240),
                            close ? QColor(180, 50, 36) : QColor(40, 96, 180),
                            close ? QColor(250, 150, 128) : QColor(150, 200, 250),
                            QColor(180, 200, 228)};
      const QColor bottom[] = {close ? QColor(196, 60, 44) : QColor(50, 110, 200),
                               close ? QColor(150, 36, 24) : QColor(30, 76, 150),
                               close ? QColor(220, 80, 60) : QColor(70, 140, 226),
                               QColor(150, 174, 210)};
      QPainterPath path;
      path.addRoundedRect(QRectF(box).adjusted(0, 0, -1, -1), 4, 4);
      QLinearGradient g(box.topLeft(), box.bottomLeft());
      g.setColorAt(0, top[k]);
      g.setColorAt(1, bottom[k]);
      p.setPen(k == 3 ? kShadow : QColor(255, 255, 255));
      p.setBrush(g);
      p.drawPath(path);
      CaptionGlyph(p, box.translated(k == 1 ? 1 : 0, k == 1 ? 1 : 0), glyph,
                   k == 3 ? QColor(236, 242, 250) : QColor(255, 255, 255));
    });
  };
  struct Caption {
    const char* Section;
    const char* Image;
    QImage Picture;
    int Action, Align, X, Y, Visibility, Visibility1, Frame;
  };
  const Caption buttons[] = {
      {"Button.Close", "CaptionClose", button(0), 0, 1, 27, 5, 0, 0, 4},
      {"Button.Maximize", "CaptionMaximize", button(1), 1, 1, 50, 5, 2, 6, 4},
      {"Button.Restore", "CaptionRestore", button(2), 1, 1, 50, 5, 1, 6, 4},
      {"Button.Minimize", "CaptionMinimize", button(3), 2, 1, 73, 5, 0, 6, 4},
      {"Button.SystemMenu", "CaptionIcon", Icon(), 3, 0, 8, 7, 0, 0, 1},
  };
  for (const Caption& c : buttons)
    b.Ini()
        .Section(QString::fromLatin1(c.Section))
        .Set(QStringLiteral("Action"), c.Action)
        .Set(QStringLiteral("Align"), c.Align)
        .Set(QStringLiteral("Xcoord"), c.X)
        .Set(QStringLiteral("Ycoord"), c.Y)
        .Set(QStringLiteral("Visibility"), c.Visibility)
        .Set(QStringLiteral("Visibility1"), c.Visibility1)
        .Set(QStringLiteral("CombineOp"), -1)
        .Set(QStringLiteral("frame"), c.Frame)
        .Set(QStringLiteral("ButtonImage"), b.AddImage(QString::fromLatin1(c.Image), c.Picture));
  // The three buttons of a maximized MDI child in the menu bar: minimize,
  // restore, close, four states each.
  const QImage mdi = Strip(16, 14, 12, [](QPainter& p, const QRect& r, int k) {
    const int glyph[] = {3, 2, 0};
    Box(p, r, State(k % 4 == 3 ? Disabled : k % 4 == 1 ? Pressed : k % 4 == 2 ? Hot : Normal), 2);
    CaptionGlyph(p, r.adjusted(-1, -1, 1, 1), glyph[k / 4], k % 4 == 3 ? kShadow : kFrameDark);
  });
  b.Ini().Section(QStringLiteral("MDICONTROLS")).Set(QStringLiteral("Image"),
                                                      b.AddImage(QStringLiteral("MdiControls"), mdi));
}

void AddButtons(Builder& b) {
  // normal, pressed, disabled, hot, focused
  const State states[] = {Normal, Pressed, Disabled, Hot, Focused};
  const QImage push = Strip(24, 22, 5, [&](QPainter& p, const QRect& r, int k) { Box(p, r, states[k], 4); });
  // Check boxes: unticked, ticked, mixed; each normal, hot, pressed, disabled.
  const State boxStates[] = {Normal, Hot, Pressed, Disabled};
  const QImage check = Strip(13, 13, 12, [&](QPainter& p, const QRect& r, int k) {
    const State s = boxStates[k % 4];
    p.setPen(Outline(s == Focused ? Normal : s));
    p.setBrush(s == Disabled ? QColor(236, 240, 246) : QColor(255, 255, 255));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    Gradient(p, r.adjusted(2, 2, -2, -2), Top(s), s == Pressed ? Bottom(s) : QColor(255, 255, 255));
    const QColor mark = s == Disabled ? kShadow : kFrameDark;
    if (k / 4 == 1) {
      p.setPen(QPen(mark, 2));
      p.drawPolyline(QPolygon({r.topLeft() + QPoint(3, 6), r.topLeft() + QPoint(5, 9), r.topLeft() + QPoint(10, 3)}));
    } else if (k / 4 == 2) {
      p.fillRect(QRect(r.left() + 3, r.top() + 3, 7, 7), mark);
    }
  });
  const QImage radio = Strip(13, 13, 8, [&](QPainter& p, const QRect& r, int k) {
    const State s = boxStates[k % 4];
    p.setPen(Outline(s));
    QRadialGradient g(r.center(), 7);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, s == Disabled ? QColor(226, 230, 238) : Bottom(s));
    p.setBrush(g);
    p.drawEllipse(r.adjusted(0, 0, -1, -1));
    if (k >= 4) {
      p.setPen(Qt::NoPen);
      p.setBrush(s == Disabled ? kShadow : kFrameDark);
      p.drawEllipse(QRect(r.left() + 4, r.top() + 4, 5, 5));
    }
  });
  b.Ini()
      .Section(QStringLiteral("Buttons"))
      .Set(QStringLiteral("Bitmap"), b.AddImage(QStringLiteral("Button"), push))
      .Set(QStringLiteral("CheckButton"), b.AddImage(QStringLiteral("CheckBox"), check))
      .Set(QStringLiteral("RadioButton"), b.AddImage(QStringLiteral("Radio"), radio))
      .Set(QStringLiteral("CheckButtonFrame"), 12)
      .Set(QStringLiteral("RadioButtonFrame"), 8);
  b.Edges(QMargins(5, 5, 5, 5), 1, 0);
  b.StateColours(kText, kFrameDark, kText);
}

// The states in the order the painters count frames: 1 normal, 2 pressed,
// 3 disabled, 4 hot, 5 focused.
State StateOf(int k) {
  const State s[] = {Normal, Pressed, Disabled, Hot, Focused};
  return s[k % 5];
}

void AddControls(Builder& b) {
  const QMargins m2(2, 2, 2, 2), m3(3, 3, 3, 3), m4(4, 4, 4, 4);
  // Progress bar: the groove and the bar (bitmap reader), and the chunk.
  const QImage progress = Strip(20, 16, 2, [](QPainter& p, const QRect& r, int k) {
    p.setPen(kShadow);
    p.setBrush(k == 0 ? QColor(255, 255, 255) : kHilight);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (k == 1) Gradient(p, r.adjusted(1, 1, -1, -1), QColor(130, 190, 250), QColor(40, 100, 200));
  });
  b.Ini()
      .Section(QStringLiteral("Progress"))
      .Set(QStringLiteral("Bitmap"), b.AddImage(QStringLiteral("Progress"), progress))
      .Set(QStringLiteral("Style"), 0);
  b.Edges(m3, 0, 0);
  b.Element(QStringLiteral("Progress.Chunk"), Strip(10, 12, 1, [](QPainter& p, const QRect& r, int) {
              Gradient(p, r.adjusted(1, 0, -1, 0), QColor(130, 190, 250), QColor(40, 100, 200));
            }), 1, m2, 1, 1);
  // Group boxes: the edge (active, disabled) and the caption's background.
  b.Element(QStringLiteral("GroupBoxEdge"), Strip(20, 20, 2, [](QPainter& p, const QRect& r, int k) {
              p.setPen(k == 0 ? kShadow : QColor(190, 200, 214));
              p.setBrush(Qt::NoBrush);
              p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 5, 5);
            }), 2, QMargins(6, 6, 6, 6), 1);
  b.Element(QStringLiteral("GroupBox"), Strip(30, 18, 1, [](QPainter& p, const QRect& r, int) {
              Box(p, r, Normal, 6);
            }), 1, QMargins(6, 6, 6, 6), 1)
      .Set(QStringLiteral("BackgroundAlignment"), 0)
      .Set(QStringLiteral("BackgroundLeftShift"), 4)
      .Set(QStringLiteral("BackgroundRightShift"), 4);
  // Tabs: normal, selected, hot, disabled, focused; the pane's border.
  const QImage tabs = Strip(40, 22, 5, [](QPainter& p, const QRect& r, int k) {
    const State s[] = {Normal, Focused, Hot, Disabled, Focused};
    QPainterPath path;
    path.addRoundedRect(QRectF(r).adjusted(0, k == 1 ? 0 : 2, -1, 6), 5, 5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, k == 1 ? QColor(255, 255, 255) : Top(s[k]));
    g.setColorAt(1, k == 1 ? kFace : Bottom(s[k]));
    p.setPen(Outline(s[k]));
    p.setBrush(g);
    p.drawPath(path);
  });
  b.Element(QStringLiteral("Tabs"), tabs, 5, QMargins(6, 6, 6, 2), 1)
      .Set(QStringLiteral("Border"), b.AddImage(QStringLiteral("TabBorder"), Strip(40, 40, 1, [](QPainter& p, const QRect& r, int) {
             p.fillRect(r, kFace);
             p.setPen(kShadow);
             p.drawRect(r.adjusted(0, 0, -1, -1));
           })));
  b.Element(QStringLiteral("Tab.Pane"), Strip(40, 40, 1, [](QPainter& p, const QRect& r, int) {
              Gradient(p, r, QColor(250, 252, 255), kFace);
              p.setPen(kShadow);
              p.drawRect(r.adjusted(0, 0, -1, -1));
            }), 1, m4, 0);
  // Status bar panels: lowered, raised, flat.
  b.Element(QStringLiteral("StatusBarEdges"), Strip(20, 20, 3, [](QPainter& p, const QRect& r, int k) {
              p.fillRect(r, kFace);
              if (k == 2) return;
              p.setPen(k == 0 ? kShadow : QColor(255, 255, 255));
              p.drawPolyline(QPolygon({r.bottomLeft(), r.topLeft(), r.topRight()}));
              p.setPen(k == 0 ? QColor(255, 255, 255) : kShadow);
              p.drawPolyline(QPolygon({r.topRight(), r.bottomRight(), r.bottomLeft()}));
            }), 3, m2, 0);
  b.Element(QStringLiteral("ToolBars"), Strip(20, 22, 5, [](QPainter& p, const QRect& r, int k) {
              Box(p, r, StateOf(k), 3);
            }), 5, m4, 1);
  // Combo box: its button (normal, pressed, disabled, hot) and the sunken
  // edit border (normal, dropped down, disabled, focused or hot).
  b.Element(QStringLiteral("ComboButton"), Strip(17, 21, 4, [](QPainter& p, const QRect& r, int k) {
              Box(p, r, StateOf(k), 3);
            }), 4, m3, 1);
  b.Element(QStringLiteral("SunkEdge"), Strip(30, 21, 4, [](QPainter& p, const QRect& r, int k) {
              const State s[] = {Normal, Focused, Disabled, Hot};
              p.setPen(Outline(s[k]));
              p.setBrush(k == 2 ? QColor(240, 243, 248) : QColor(255, 255, 255));
              p.drawRect(r.adjusted(0, 0, -1, -1));
            }), 4, m3, 0);
  // Drop-down arrows in the button's four states, then the size grip.
  b.Element(QStringLiteral("ExtraImages"), Strip(13, 13, 5, [](QPainter& p, const QRect& r, int k) {
              if (k < 4) {
                Arrow(p, r.center() + QPoint(0, 1), 3, 4, k == 2 ? kShadow : kFrameDark);
                return;
              }
              for (int i = 0; i < 3; ++i)
                for (int j = 0; j <= i; ++j)
                  p.fillRect(QRect(r.right() - 2 - 4 * j, r.bottom() - 2 - 4 * (i - j), 2, 2), kShadow);
            }), 5, QMargins(), 1);
  // Header items: normal, then hot (the item under the mouse).
  b.Element(QStringLiteral("Headerbar"), Strip(40, 20, 5, [](QPainter& p, const QRect& r, int k) {
              const State header[] = {Normal, Hot, Pressed, Disabled, Focused};
              Gradient(p, r, Top(header[k]), Bottom(header[k]));
              p.setPen(kShadow);
              p.drawLine(r.bottomLeft(), r.bottomRight());
              p.drawLine(r.topRight(), r.bottomRight());
            }), 5, m3, 0);
}

void AddMenus(Builder& b) {
  // Menu items: normal (nothing), separator, (spare), selected, (spare).
  // A separator shows the bottom rows of its frame, 9 in a menu: its line
  // lies in their middle.
  b.Element(QStringLiteral("MenuItem"), Strip(40, 20, 5, [](QPainter& p, const QRect& r, int k) {
              if (k == 1) {
                const int y = r.bottom() - 4;
                p.setPen(kShadow);
                p.drawLine(r.left() + 2, y, r.right() - 2, y);
                p.setPen(QColor(255, 255, 255));
                p.drawLine(r.left() + 2, y + 1, r.right() - 2, y + 1);
              } else if (k == 3) {
                // Selected: dark enough for the white HilightText.
                QPainterPath path;
                path.addRoundedRect(QRectF(r).adjusted(1, 0, -2, -1), 3, 3);
                QLinearGradient g(r.topLeft(), r.bottomLeft());
                g.setColorAt(0, kCaptionTop);
                g.setColorAt(1, kHilight);
                p.setPen(kFrameDark);
                p.setBrush(g);
                p.drawPath(path);
              }
            }), 5, QMargins(4, 3, 4, 3), 1);
  b.Element(QStringLiteral("MenuBackground"), Strip(40, 40, 1, [](QPainter& p, const QRect& r, int) {
              p.fillRect(r, kMenu);
              p.fillRect(QRect(r.left() + 1, r.top() + 1, 2, r.height() - 2), kFace);
              p.setPen(kShadow);
              p.drawRect(r.adjusted(0, 0, -1, -1));
            }), 1, QMargins(3, 3, 3, 3), 0);
}

void AddScrolling(Builder& b) {
  // 23 frames: arrows left, right, up, down (normal, pressed, disabled,
  // hot each), grips horizontal and vertical (normal, dragged, hot), and
  // the corner.
  const QImage strip = Strip(16, 16, 23, [](QPainter& p, const QRect& r, int k) {
    if (k < 16) {
      const State s[] = {Normal, Pressed, Disabled, Hot};
      Box(p, r, s[k % 4], 3);
      const int dir[] = {0, 1, 2, 3};
      Arrow(p, r.center() + QPoint(k / 4 == 2 ? 0 : 1, k / 4 >= 2 ? 1 : 0), dir[k / 4], 3,
            k % 4 == 2 ? kShadow : kFrameDark);
    } else if (k < 22) {
      const bool horizontal = k < 19;
      const QColor c = (k - 16) % 3 == 1 ? kFrameDark : kShadow;
      for (int i = -2; i <= 2; i += 2)
        p.fillRect(horizontal ? QRect(r.center().x() + i, r.top() + 5, 1, 6)
                              : QRect(r.left() + 5, r.center().y() + i, 6, 1), c);
    } else {
      p.fillRect(r, kFace);
    }
  });
  b.Element(QStringLiteral("Scrollbar"), strip, 23, QMargins(), 1);
  const QMargins m2(2, 2, 2, 2), m4(4, 4, 4, 4);
  auto track = [](bool horizontal) {
    return Strip(horizontal ? 20 : 16, horizontal ? 16 : 20, 4, [horizontal](QPainter& p, const QRect& r, int k) {
      Gradient(p, r, k == 2 ? QColor(214, 226, 242) : kTrack, k == 3 ? QColor(240, 242, 246) : QColor(250, 252, 255), !horizontal);
      p.setPen(kShadow);
      if (horizontal) p.drawLine(r.topLeft(), r.topRight());
      else p.drawLine(r.topLeft(), r.bottomLeft());
    });
  };
  b.Element(QStringLiteral("HorzScroll"), track(true), 4, m2, 0);
  b.Element(QStringLiteral("VertScroll"), track(false), 4, m2, 0);
  auto thumb = [](bool horizontal) {
    return Strip(horizontal ? 20 : 16, horizontal ? 16 : 20, 3, [](QPainter& p, const QRect& r, int k) {
      const State s[] = {Normal, Pressed, Hot};
      Box(p, r.adjusted(1, 1, -1, -1), s[k], 3);
    });
  };
  b.Element(QStringLiteral("HorzScrollThumb"), thumb(true), 3, m4, 1).Set(QStringLiteral("FrameCount"), 3);
  b.Element(QStringLiteral("VertScrollThumb"), thumb(false), 3, m4, 1).Set(QStringLiteral("FrameCount"), 3);
}

void AddTrackbars(Builder& b) {
  // Thumbs pointing as named; the track bar shows the second frame.
  struct Thumb {
    const char* Section;
    int W, H, Dir;  // -1 plain
  };
  const Thumb thumbs[] = {{"Trackbar.ThumbHorz", 11, 19, -1}, {"Trackbar.ThumbVert", 19, 11, -1},
                          {"Trackbar.ThumbLeft", 19, 11, 0},  {"Trackbar.ThumbRight", 19, 11, 1},
                          {"Trackbar.ThumbUp", 11, 19, 2},    {"Trackbar.ThumbDown", 11, 19, 3}};
  for (const Thumb& t : thumbs)
    b.Element(QString::fromLatin1(t.Section), Strip(t.W, t.H, 5, [&t](QPainter& p, const QRect& r, int k) {
                const State thumb[] = {Hot, Normal, Pressed, Disabled, Focused};
                Box(p, r, thumb[k], 2);
                if (t.Dir >= 0) Arrow(p, r.center(), t.Dir, 3, kFrameDark);
              }), 5, QMargins(), 1);
  // Spin buttons: up/left then down/right, each normal, pressed, disabled,
  // hot; their arrows as a second image of the same frames.
  for (bool horizontal : {true, false}) {
    const int w = horizontal ? 16 : 16, h = horizontal ? 16 : 10;
    const QImage back = Strip(w, h, 8, [](QPainter& p, const QRect& r, int k) {
      const State s[] = {Normal, Pressed, Disabled, Hot};
      Box(p, r, s[k % 4], 2);
    });
    const QImage glyphs = Strip(7, horizontal ? 7 : 4, 8, [horizontal](QPainter& p, const QRect& r, int k) {
      const int dir = horizontal ? (k < 4 ? 0 : 1) : (k < 4 ? 2 : 3);
      Arrow(p, r.center(), dir, horizontal ? 3 : 3, k % 4 == 2 ? kShadow : kFrameDark);
    });
    const QString section = horizontal ? QStringLiteral("UpDown.Horz") : QStringLiteral("UpDown.Vert");
    b.Element(section, back, 8, QMargins(2, 2, 2, 2), 1)
        .Set(QStringLiteral("GlyphImage"), b.AddImage(QString(section).remove(u'.') + QStringLiteral("Glyph"), glyphs));
  }
  b.Element(QStringLiteral("Track"), DrawBuiltinImage(QStringLiteral("TRACK")), 1, QMargins(3, 3, 3, 3), 0);
  b.Element(QStringLiteral("TRACKVERT"), DrawBuiltinImage(QStringLiteral("TRACKVERT")), 1, QMargins(3, 3, 3, 3), 0);
}

}  // namespace

SkinContainer MakeProgramSkin() {
  Builder b;
  AddFrame(b);
  AddColours(b);
  AddCaptionButtons(b);
  AddButtons(b);
  AddControls(b);
  AddMenus(b);
  AddScrolling(b);
  AddTrackbars(b);
  return b.Finish();
}

QImage DrawBuiltinImage(const QString& name) {
  if (name == QStringLiteral("TRACK") || name == QStringLiteral("TRACKVERT")) {
    // A sunken groove: dark edge, light edge, white inside.
    const bool vertical = name == QStringLiteral("TRACKVERT");
    QImage image(vertical ? 4 : 16, vertical ? 16 : 4, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const int across = vertical ? x : y;
        const QColor c[] = {kShadow, kDkShadow, QColor(255, 255, 255), kFace};
        image.setPixelColor(x, y, c[across]);
      }
    return image;
  }
  if (name == QStringLiteral("SKINMENU") || name == QStringLiteral("CHECK")) {
    const bool menu = name == QStringLiteral("SKINMENU");
    QImage image(menu ? 64 : 13, menu ? 16 : 13, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (menu) {
      const int glyphs[] = {2, 1, 3, 0};  // restore, maximize, minimize, close
      for (int i = 0; i < 4; ++i) CaptionGlyph(p, QRect(16 * i, 0, 16, 16), glyphs[i], Qt::black);
    } else {
      p.setPen(QPen(Qt::black, 2));
      p.drawPolyline(QPolygon({QPoint(2, 6), QPoint(5, 9), QPoint(10, 3)}));
    }
    p.end();
    return image.convertToFormat(QImage::Format_Mono);
  }
  return {};
}

}  // namespace skinwriter
