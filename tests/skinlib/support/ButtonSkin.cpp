#include "skinlib/support/ButtonSkin.h"

#include "tools/skindraw/SkinDrawing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

namespace testskins {

namespace {

enum class CheckKind { Box, Radio };
enum class CheckMark { None, Tick, Grey };

// Three states of one check image: the inside white, hot or pressed.
QImage CheckStrip(CheckKind kind, CheckMark mark) {
  const int s = kCheckImageSize;
  QImage image(s * 3, s, QImage::Format_RGB32);
  image.fill(skindraw::kKeyColour);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QRgb fills[] = {0xFFFFFFFF, kCheckHotFill, kCheckPressedFill};
  for (int k = 0; k < 3; ++k) {
    const QRect r(k * s, 0, s, s);
    const QRect inner = r.adjusted(1, 1, -2, -2);
    p.setPen(QColor(kind == CheckKind::Box ? kBoxFrameColour : kRadioRingColour));
    p.setBrush(QColor(fills[k]));
    if (kind == CheckKind::Box)
      p.drawRect(inner);
    else
      p.drawEllipse(inner);
    p.setPen(Qt::NoPen);
    if (mark == CheckMark::Tick) p.fillRect(r.adjusted(4, 4, -4, -4), QColor(kCheckMarkColour));
    if (mark == CheckMark::Grey) p.fillRect(r.adjusted(4, 4, -4, -4), QColor(128, 128, 128));
  }
  return image;
}

// The group box's frame: a 2-pixel line inside a 16 x 16 square.
QImage GroupFrame() {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(skindraw::kKeyColour);
  QPainter p(&image);
  p.fillRect(QRect(0, 0, 16, 16), QColor(kGroupFrameColour));
  // The inside in the section's colour.
  p.fillRect(QRect(2, 2, 12, 12), QColor(kGroupBoxColor & 0xFF, (kGroupBoxColor >> 8) & 0xFF, kGroupBoxColor >> 16));
  return image;
}

QImage GlyphPicture(QColor colour) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(QRect(1, 1, 14, 14));
  p.setBrush(Qt::white);
  p.drawEllipse(QRect(5, 5, 6, 6));
  return image;
}

}  // namespace

void AddButtonSections(TestSkin& skin) {
  const QRect boxUnchecked = skin.Place(CheckStrip(CheckKind::Box, CheckMark::None));
  const QRect boxChecked = skin.Place(CheckStrip(CheckKind::Box, CheckMark::Tick));
  const QRect boxGrayed = skin.Place(CheckStrip(CheckKind::Box, CheckMark::Grey));
  const QRect radioUnchecked = skin.Place(CheckStrip(CheckKind::Radio, CheckMark::None));
  const QRect radioChecked = skin.Place(CheckStrip(CheckKind::Radio, CheckMark::Tick));
  const QRect frame = skin.Place(GroupFrame());
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Put(QStringLiteral("BOXUNCHECKED"), GlyphValue(boxUnchecked, 3, 0))
      .Put(QStringLiteral("BOXCHECKED"), GlyphValue(boxChecked, 3, 0))
      .Put(QStringLiteral("BOXGRAYED"), GlyphValue(boxGrayed, 3, 0))
      .Put(QStringLiteral("RADIOUNCHECKED"), GlyphValue(radioUnchecked, 3, 0))
      .Put(QStringLiteral("RADIOCHECKED"), GlyphValue(radioChecked, 3, 0));
  skin.Section(QStringLiteral("CHECKBOX"))
      .Put(QStringLiteral("TRANSPARENCY"), 100)
      .Put(QStringLiteral("HOTTRANSPARENCY"), 100)
      .Put(QStringLiteral("FONTCOLOR"), kCheckFontColor)
      .Put(QStringLiteral("HOTFONTCOLOR"), kCheckHotFontColor);
  skin.Section(QStringLiteral("GROUPBOX"))
      .Put(QStringLiteral("COLOR"), kGroupBoxColor)
      .Put(QStringLiteral("GRADIENTPERCENT"), 40)
      .Put(QStringLiteral("GRADIENTDATA"), QStringLiteral("16777215;%1;100;0;0").arg(kGroupBoxColor))
      .Put(QStringLiteral("FONTCOLOR"), kCheckFontColor)
      .Put(QStringLiteral("BORDERSMASK"), BorderValue(frame, QMargins(4, 4, 4, 4), 1, 0, 1, 0));
}

TestSkin ButtonSkin() {
  TestSkin skin = DemoSkin();
  skin.Name = QStringLiteral("Buttons");
  AddButtonSections(skin);
  return skin;
}

ButtonDemoPart MakeButtonDemoPart(QWidget* parent) {
  ButtonDemoPart d;
  d.Part = new QWidget(parent);
  d.Part->setGeometry(0, 0, 340, 230);
  d.Group = new QGroupBox(QStringLiteral("开奖号码"), d.Part);
  d.Group->setGeometry(10, 8, 200, 120);
  d.Check = new QCheckBox(QStringLiteral("只看蓝球"), d.Group);
  d.Check->setGeometry(10, 24, 90, 22);
  d.Check->setChecked(true);
  d.Tristate = new QCheckBox(QStringLiteral("包含胆码"), d.Group);
  d.Tristate->setTristate(true);
  d.Tristate->setCheckState(Qt::PartiallyChecked);
  d.Tristate->setGeometry(104, 24, 90, 22);
  d.Radio = new QRadioButton(QStringLiteral("红球"), d.Group);
  d.Radio->setGeometry(10, 54, 80, 22);
  d.Radio->setChecked(true);
  d.PlainRadio = new QRadioButton(QStringLiteral("蓝球"), d.Group);
  d.PlainRadio->setAutoExclusive(false);
  d.PlainRadio->setGeometry(104, 54, 80, 22);
  d.Label = new QLabel(QStringLiteral("期号:"), d.Group);
  d.Label->setGeometry(10, 86, 60, 22);
  d.Link = new QLabel(QStringLiteral("<A>帮助</A>"), d.Group);
  d.Link->setTextFormat(Qt::PlainText);
  d.Link->setGeometry(104, 86, 60, 22);
  d.EmptyGroup = new QGroupBox(QString(), d.Part);
  d.EmptyGroup->setGeometry(220, 8, 110, 120);
  d.Picture = new QLabel(d.EmptyGroup);
  d.Picture->setPixmap(QPixmap::fromImage(GlyphPicture(QColor(40, 110, 190))));
  d.Picture->setGeometry(12, 16, 16, 16);
  d.Default = new QPushButton(QStringLiteral("确定"), d.Part);
  d.Default->setDefault(true);
  d.Default->setGeometry(10, 140, 75, 28);
  d.Button = new QPushButton(QStringLiteral("取消"), d.Part);
  d.Button->setGeometry(95, 140, 75, 28);
  d.BitButton = new QPushButton(QStringLiteral("分析"), d.Part);
  d.BitButton->setIcon(QIcon(QPixmap::fromImage(GlyphPicture(QColor(200, 60, 40)))));
  d.BitButton->setIconSize(QSize(16, 16));
  d.BitButton->setGeometry(180, 140, 80, 28);
  d.Disabled = new QPushButton(QStringLiteral("导出"), d.Part);
  d.Disabled->setEnabled(false);
  d.Disabled->setGeometry(10, 180, 75, 28);
  return d;
}

}  // namespace testskins
