#include "skinlib/support/EditSkin.h"

#include "tools/skindraw/SkinDrawing.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTreeView>
#include <QWidget>

namespace testskins {

namespace {

using skindraw::kKeyColour;

// States of a framed box: a one-pixel outline of `outline[k]` around
// `fill[k]`, the four outer corner pixels the key colour.
QImage BoxStrip(int size, const std::array<QRgb, 3>& outline, const std::array<QRgb, 3>& fill) {
  return skindraw::Strip(size, size, 3, [&](QPainter& p, const QRect& r, int k) {
    p.fillRect(r, QColor::fromRgb(fill[size_t(k)]));
    p.setPen(QColor::fromRgb(outline[size_t(k)]));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    for (const QPoint c : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
      p.setPen(kKeyColour);
      p.drawPoint(c);
    }
  });
}

// States of a header cell: the state's band, a divider on the right and a
// line at the bottom.
QImage HeaderStrip(int w, int h) {
  return skindraw::Strip(w, h, 3, [&](QPainter& p, const QRect& r, int k) {
    p.fillRect(r, QColor::fromRgb(kColHeaderFills[size_t(k)]));
    p.setPen(QColor(96, 112, 136));
    p.drawLine(r.topRight(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.setPen(Qt::white);
    p.drawLine(r.topLeft(), r.topRight() - QPoint(1, 0));
  });
}

// Three states of an arrow (2 up, 3 down) on the key colour.
QImage ArrowStrip(int size, int dir, QRgb colour) {
  return skindraw::Strip(size, size, 3, [&](QPainter& p, const QRect& r, int k) {
    const QColor c = QColor::fromRgb(colour).lighter(100 + 40 * k);
    skindraw::Arrow(p, r.center(), dir, size / 2 - 1, c);
  });
}

}  // namespace

TestSkin EditSkin() {
  TestSkin skin;
  skin.Name = QStringLiteral("Edit");
  const std::array<QRgb, 3> editFill{0xFFFAF6F2, 0xFFFFFFFF, 0xFFFFFFFF};
  const QRect edit = skin.Place(BoxStrip(kEditFrame, kEditFrameColors, editFill));
  const QRect header = skin.Place(HeaderStrip(20, 18));
  const QRect up = skin.Place(ArrowStrip(kSortGlyph, 2, kSortGlyphColor));
  const QRect down = skin.Place(ArrowStrip(kSortGlyph, 3, kSortGlyphColor));
  const QRect comboGlyph = skin.Place(ArrowStrip(kComboGlyph, 3, kComboGlyphColor));
  const std::array<QRgb, 3> buttonOutline{0xFF6078A0, 0xFF3C78C8, 0xFF283C60};
  const QRect button = skin.Place(BoxStrip(kEditFrame, buttonOutline, kComboBtnFills));

  skin.Section(QStringLiteral("GLOBALINFO"))
      .Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("AUTHOR"), QStringLiteral("ssq tests"))
      .Set(QStringLiteral("DESCRIPTION"), QStringLiteral("编辑框测试皮肤"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("COLOR"), kEditGlobalColor)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020);
  skin.Section(QStringLiteral("FORM")).Set(QStringLiteral("COLOR"), kEditGlobalColor);
  const auto coloured = [&](const char* name, int color, int font, int hot, int hotFont) -> SkinSection& {
    return skin.Section(QString::fromLatin1(name))
        .Set(QStringLiteral("COLOR"), color)
        .Set(QStringLiteral("FONTCOLOR"), font)
        .Set(QStringLiteral("HOTCOLOR"), hot)
        .Set(QStringLiteral("HOTFONTCOLOR"), hotFont);
  };
  coloured("EDIT", kEditColor, kEditFontColor, kEditHotColor, kEditHotFontColor)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(edit, QMargins(3, 3, 3, 3), 3, 0, 5, 0))
      .Set(QStringLiteral("GLOW"), 1)
      .Set(QStringLiteral("GLOWMARGIN"), 3);
  coloured("COLHEADER", kColHeaderColor, kColHeaderFontColor, kColHeaderHotColor, kColHeaderHotFontColor)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(header, QMargins(2, 2, 2, 2), 3, 0, 5, 0));
  skin.Section(QStringLiteral("SCROLLBTNTOP")).Set(QStringLiteral("GLYPHMASK"), GlyphValue(up, 3, 0));
  skin.Section(QStringLiteral("SCROLLBTNBOTTOM")).Set(QStringLiteral("GLYPHMASK"), GlyphValue(down, 3, 0));
  skin.Section(QStringLiteral("COMBOBOX"))
      .Set(QStringLiteral("PARENTCLASS"), QStringLiteral("EDIT"))
      .Set(QStringLiteral("GLYPHMASK"), GlyphValue(comboGlyph, 3, 0));
  skin.Section(QStringLiteral("COMBOBTN"))
      .Set(QStringLiteral("COLOR"), kComboBtnColor)
      .Set(QStringLiteral("HOTCOLOR"), kComboBtnHotColor)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(button, QMargins(3, 3, 3, 3), 3, 0, 5, 0));
  return skin;
}

EditDemoForm::EditDemoForm() : Form(std::make_unique<QWidget>()) {
  Form->setWindowTitle(QStringLiteral("开奖查询"));
  Form->resize(420, 300);
  Edit = new QLineEdit(QStringLiteral("2026001"), Form.get());
  Edit->setGeometry(12, 12, 180, 26);
  Combo = new QComboBox(Form.get());
  Combo->addItems({QStringLiteral("红球 01"), QStringLiteral("红球 02"), QStringLiteral("红球 03"),
                   QStringLiteral("蓝球 16")});
  Combo->setGeometry(210, 12, 190, 26);
  List = new QListWidget(Form.get());
  List->addItems({QStringLiteral("奇偶比"), QStringLiteral("大小比"), QStringLiteral("和值")});
  List->setGeometry(12, 48, 180, 80);
  Draws.setColumnCount(3);
  Draws.setHorizontalHeaderLabels({QStringLiteral("期号"), QStringLiteral("日期"), QStringLiteral("号码")});
  const char* rows[][3] = {{"2026001", "2026-01-01", "03 08 12 19 25 31 + 07"},
                           {"2026002", "2026-01-04", "01 05 14 22 27 33 + 12"},
                           {"2026003", "2026-01-06", "06 09 11 18 24 30 + 03"}};
  for (const auto& r : rows)
    Draws.appendRow({new QStandardItem(QString::fromUtf8(r[0])), new QStandardItem(QString::fromUtf8(r[1])),
                     new QStandardItem(QString::fromUtf8(r[2]))});
  Report = new QTreeView(Form.get());
  Report->setModel(&Draws);
  Report->setRootIsDecorated(false);
  Report->setGeometry(12, 140, 396, 148);
  Report->header()->resizeSection(0, 90);
  Report->header()->resizeSection(1, 100);
  Report->header()->setSortIndicator(0, Qt::AscendingOrder);
  Report->header()->setSortIndicatorShown(true);
}

// The form's widgets go before the model they show.
EditDemoForm::~EditDemoForm() { Form.reset(); }

}  // namespace testskins
