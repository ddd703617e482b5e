#include "skinlib/support/TestSkins.h"

#include "tools/skindraw/SkinDrawing.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSaveFile>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace testskins {

using skindraw::BmpBytes;
using skindraw::kKeyColour;

namespace {

QString Num(int value, int width) { return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')); }

void Require(bool fits, const char* what) {
  if (!fits) throw std::invalid_argument(std::string("A mask value does not fit its columns: ") + what);
}

QString Corners(const QRect& r) {
  for (int v : {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()})
    Require(v >= 0 && v <= 9999, "a corner");
  return Num(r.left(), 4) + u' ' + Num(r.top(), 4) + u' ' + Num(r.left() + r.width(), 4) + u' ' +
         Num(r.top() + r.height(), 4);
}

QString Digit(int v) {
  Require(v >= 0 && v <= 9, "a one-digit field");
  return QString::number(v);
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string Compress(const std::string& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                uLong(data.size()), Z_BEST_COMPRESSION) != Z_OK)
    throw std::runtime_error("zlib cannot compress the entry");
  out.resize(size);
  return out;
}

// A frame state: a rounded box in the state's colours.
void FrameState(QPainter& p, const QRect& r, int state) {
  const QColor tops[] = {QColor(246, 250, 255), QColor(250, 230, 180), QColor(176, 204, 238)};
  const QColor bottoms[] = {QColor(188, 210, 240), QColor(240, 190, 90), QColor(136, 176, 226)};
  skindraw::RoundedBox(p, r, tops[state % 3], bottoms[state % 3], QColor(40, 64, 110), 4);
}

// `states` frames side by side, and with `withMask` their mask below (black
// where the frame is opaque, white around its rounded corners).
QImage FrameStrip(int w, int h, int states, bool withMask) {
  QImage image(w * states, h * (withMask ? 2 : 1), QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  for (int k = 0; k < states; ++k) {
    FrameState(p, QRect(k * w, 0, w, h), k);
    if (!withMask) continue;
    const QRect m(k * w, h, w, h);
    p.fillRect(m, Qt::white);
    QPainterPath path;
    path.addRoundedRect(QRectF(m).adjusted(0, 0, -1, -1), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(path);
  }
  return image;
}

// A check-box-like glyph strip: unticked, ticked, mixed.
QImage GlyphStrip(int size, bool withMask) {
  QImage image(size * 3, size * (withMask ? 2 : 1), QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  for (int k = 0; k < 3; ++k) {
    const QRect r(k * size, 0, size, size);
    p.setPen(QColor(40, 64, 110));
    p.setBrush(Qt::white);
    p.drawRect(r.adjusted(1, 1, -2, -2));
    if (k == 1) {
      p.setPen(QPen(QColor(24, 66, 140), 2));
      p.drawPolyline(QPolygon({r.topLeft() + QPoint(size / 4, size / 2),
                               r.topLeft() + QPoint(size * 7 / 16, size * 11 / 16),
                               r.topLeft() + QPoint(size * 3 / 4, size / 4)}));
    } else if (k == 2) {
      p.fillRect(r.adjusted(size / 3, size / 3, -size / 3, -size / 3), QColor(24, 66, 140));
    }
    if (withMask) p.fillRect(QRect(k * size, size, size, size), Qt::black);
  }
  return image;
}

// A tiled texture: a soft checker in two tones.
QImage Texture(int w, int h, QColor a, QColor b) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixelColor(x, y, ((x / 8 + y / 8) % 2) ? a : b);
  return image;
}

// A PNG frame with alpha: a rounded translucent box per state, its mask
// part below.
QImage PngFrame() {
  QImage image(3 * 24, 2 * 24, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  for (int k = 0; k < 3; ++k) {
    p.setPen(QPen(QColor(24, 66, 140, 255), 1));
    p.setBrush(QColor(60 + 60 * k, 120, 220, 160));
    p.drawRoundedRect(QRectF(k * 24 + 0.5, 0.5, 23, 23), 5, 5);
    p.fillRect(QRect(k * 24, 24, 24, 24), Qt::black);
  }
  return image;
}

// An extended-border strip: two states side by side (inactive, then
// active), each a frame of grey that darkens towards the window, the
// active one stronger; the middle of each state is white.
QImage ShadowStrip(int size, int margin) {
  QImage image(size * 2, size, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int k = 0; k < 2; ++k)
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const int edge = std::min({x, y, size - 1 - x, size - 1 - y});
        if (edge >= margin) continue;
        const int shade = 255 - (k == 0 ? 6 : 12) * (edge + 1);
        image.setPixelColor(k * size + x, y, QColor(shade, shade, shade));
      }
  return image;
}

QImage Gradient(int w, int h, QColor top, QColor bottom) {
  QImage image(w, h, QImage::Format_RGB32);
  QPainter p(&image);
  skindraw::Gradient(p, image.rect(), top, bottom);
  return image;
}

}  // namespace

// ------------------------------------------------------------ the text

SkinSection& SkinSection::Set(const QString& key, const QString& value) {
  Keys.push_back({key, value});
  return *this;
}

SkinSection& SkinSection::Put(const QString& key, const QString& value) {
  for (SkinKey& k : Keys)
    if (k.Key == key) {
      k.Value = value;
      return *this;
    }
  return Set(key, value);
}

QString TextureValue(const QRect& r, int drawMode, std::optional<int> maskType) {
  Require(drawMode >= 0 && drawMode <= 99, "the draw mode");
  QString v = u'~' + Corners(r) + u' ' + Num(drawMode, 2);
  if (maskType) v += u' ' + Digit(*maskType);
  return v;
}

QString GlyphValue(const QRect& r, int imageCount, int maskType) {
  return u'@' + Corners(r) + u' ' + Digit(imageCount) + u' ' + Digit(maskType);
}

QString BorderValue(const QRect& r, const QMargins& m, int imageCount, int maskType, int drawMode,
                    int borderWidth) {
  for (int v : {m.left(), m.top(), m.right(), m.bottom()}) Require(v >= 0 && v <= 9999, "a margin");
  return u'^' + Corners(r) + u' ' + Num(m.left(), 4) + u' ' + Num(m.top(), 4) + u' ' + Num(m.right(), 4) +
         u' ' + Num(m.bottom(), 4) + u' ' + Digit(imageCount) + u' ' + Digit(maskType) + u' ' +
         Digit(drawMode) + u' ' + Digit(borderWidth);
}

QString HashValue(const QRect& r, int imageCount, int maskType, std::optional<int> borderWidth,
                  std::optional<int> drawMode) {
  QString v = QStringLiteral("#(%1,%2,%3,%4)(%5,%6")
                  .arg(r.left())
                  .arg(r.top())
                  .arg(r.left() + r.width())
                  .arg(r.top() + r.height())
                  .arg(imageCount)
                  .arg(maskType);
  if (borderWidth) v += u',' + QString::number(*borderWidth);
  if (borderWidth && drawMode) v += u',' + QString::number(*drawMode);
  return v + u')';
}

QString OwnFileValue(const QString& file, int imageCount, int maskType, int type,
                     std::optional<QMargins> margins) {
  QString v = QStringLiteral("!%1!%2!%3!%4").arg(file).arg(imageCount).arg(maskType).arg(type);
  if (margins)
    v += QStringLiteral("!%1!%2!%3!%4").arg(margins->left()).arg(margins->top()).arg(margins->right()).arg(margins->bottom());
  return v;
}

// ------------------------------------------------------------ the skin

SkinSection& TestSkin::Section(const QString& name) {
  for (SkinSection& s : Sections)
    if (s.Name == name) return s;
  Sections.push_back({name, {}});
  return Sections.back();
}

QRect TestSkin::Place(const QImage& image) {
  // Shelves 256 pixels wide, each as high as its highest picture; a wider
  // picture gets a shelf of its own.
  constexpr int kShelf = 256;
  if (shelf_.x > 0 && shelf_.x + image.width() > kShelf) {
    shelf_.x = 0;
    shelf_.y += shelf_.height;
    shelf_.height = 0;
  }
  const QRect where(shelf_.x, shelf_.y, image.width(), image.height());
  shelf_.x = where.right() + 1;
  shelf_.height = std::max(shelf_.height, image.height());
  DrawOnMaster(image, where.topLeft(), kShelf);
  return where;
}

void TestSkin::DrawOnMaster(const QImage& image, QPoint at, int minWidth) {
  const int w = std::max({Master.isNull() ? 0 : Master.width(), at.x() + image.width(), minWidth});
  const int h = std::max(Master.isNull() ? 0 : Master.height(), at.y() + image.height());
  QImage grown(w, h, QImage::Format_RGB32);
  grown.fill(kKeyColour);
  QPainter p(&grown);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  if (!Master.isNull()) p.drawImage(0, 0, Master);
  p.drawImage(at, image.convertToFormat(QImage::Format_RGB32));
  p.end();
  Master = grown;
}

void TestSkin::Merge(const TestSkin& other) {
  const int dy = Master.isNull() ? 0 : Master.height();
  if (!other.Master.isNull()) {
    DrawOnMaster(other.Master, {0, dy});
    shelf_ = {0, Master.height(), 0};
  }
  // The top and bottom of a picture in the master bitmap, in the fixed
  // columns of "~", "@" and "^" and in the list of "#".
  const auto moved = [dy](const QString& value) {
    if (value.size() >= 20 && (value[0] == u'~' || value[0] == u'@' || value[0] == u'^')) {
      QString v = value;
      for (int column : {6, 16}) {
        const int y = v.mid(column, 4).toInt() + dy;
        Require(y <= 9999, "a corner");
        v.replace(column, 4, Num(y, 4));
      }
      return v;
    }
    static const QRegularExpression hash(QStringLiteral("^#\\((\\d+),(\\d+),(\\d+),(\\d+)\\)"));
    if (const QRegularExpressionMatch m = hash.match(value); m.hasMatch())
      return QStringLiteral("#(%1,%2,%3,%4)")
                 .arg(m.captured(1))
                 .arg(m.captured(2).toInt() + dy)
                 .arg(m.captured(3))
                 .arg(m.captured(4).toInt() + dy) +
             value.mid(m.capturedLength());
    return value;
  };
  for (const SkinSection& theirs : other.Sections) {
    const bool had = std::any_of(Sections.begin(), Sections.end(), [&](const SkinSection& s) { return s.Name == theirs.Name; });
    SkinSection& ours = Section(theirs.Name);
    for (const SkinKey& k : theirs.Keys)
      if (!had || std::none_of(ours.Keys.begin(), ours.Keys.end(), [&](const SkinKey& o) { return o.Key == k.Key; }))
        ours.Keys.push_back({k.Key, moved(k.Value)});
  }
  for (const SkinFile& f : other.Files)
    if (std::none_of(Files.begin(), Files.end(), [&](const SkinFile& o) { return o.Name == f.Name; })) Files.push_back(f);
}

std::string OptionsText(const TestSkin& skin) {
  skindraw::IniText ini;
  for (const SkinSection& s : skin.Sections) {
    ini.Section(s.Name);
    for (const SkinKey& k : s.Keys) ini.Set(k.Key, k.Value);
  }
  return ini.Bytes();
}

std::vector<SkinFile> SkinFolderFiles(const TestSkin& skin) {
  std::vector<SkinFile> files{{QStringLiteral("Options.dat"), OptionsText(skin)}};
  if (!skin.Master.isNull()) files.push_back({QStringLiteral("Master.bmp"), BmpBytes(skin.Master)});
  for (const SkinFile& f : skin.Files) files.push_back(f);
  return files;
}

bool WriteSkinFolder(const TestSkin& skin, const QString& folder, QString* error) {
  if (!QDir().mkpath(folder)) {
    if (error) *error = QStringLiteral("Cannot make the folder ") + folder;
    return false;
  }
  for (const SkinFile& f : SkinFolderFiles(skin)) {
    QSaveFile file(QDir(folder).filePath(f.Name));
    if (!file.open(QIODevice::WriteOnly) || file.write(f.Data.data(), qint64(f.Data.size())) != qint64(f.Data.size()) ||
        !file.commit()) {
      if (error) *error = file.fileName() + QStringLiteral(": ") + file.errorString();
      return false;
    }
  }
  return true;
}

// ------------------------------------------------------------ packages

std::string PackBytes(const std::vector<PackEntry>& entries, const std::string& magic) {
  std::string out = magic;
  PutU32(out, uint32_t(entries.size()));
  for (const PackEntry& e : entries) {
    PutU32(out, uint32_t(e.Name.size()));
    out += e.Name;
    PutU32(out, uint32_t(e.DeclaredSize.value_or(int32_t(e.Data.size()))));
    out += Compress(e.Data);
  }
  return out;
}

namespace {

std::vector<PackEntry> PackEntries(const TestSkin& skin) {
  std::vector<PackEntry> entries;
  for (const SkinFile& f : SkinFolderFiles(skin)) entries.emplace_back(f.Name.toStdString(), f.Data);
  return entries;
}

}  // namespace

std::string PackageBytes(const TestSkin& skin) { return PackBytes(PackEntries(skin)); }

// ------------------------------------------------------------ test skins

TestSkin DemoSkin() {
  TestSkin skin;
  skin.Name = QStringLiteral("Demo");
  const QRect frame = skin.Place(FrameStrip(30, 30, 3, true));   // 90 x 60
  const QRect check = skin.Place(GlyphStrip(16, true));          // 48 x 32
  const QRect panel = skin.Place(FrameStrip(20, 20, 1, false));  // 20 x 20
  const QRect texture = skin.Place(Texture(32, 32, QColor(214, 226, 242), QColor(232, 240, 250)));
  const QRect menu = skin.Place(FrameStrip(24, 20, 3, true));    // 72 x 40
  const QRect corner = skin.Place(GlyphStrip(8, false));         // 24 x 8
  const QRect shadow = skin.Place(ShadowStrip(40, 12));          // 80 x 40

  SkinSection& global = skin.Section(QStringLiteral("GLOBALINFO"));
  global.Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("AUTHOR"), QStringLiteral("ssq tests"))
      .Set(QStringLiteral("DESCRIPTION"), QStringLiteral("双色球测试皮肤"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("TITLEHEIGHT"), 26)
      .Set(QStringLiteral("BORDERWIDTH"), 4)
      .Set(QStringLiteral("FORMOFFSET"), 6)
      .Set(QStringLiteral("COLOR"), 0xF7E9DE)
      .Set(QStringLiteral("FONTCOLOR"), 0x402010)
      .Set(QStringLiteral("BOXCHECKED"), GlyphValue(check, 3, 1))
      .Set(QStringLiteral("BOXUNCHECKED"), GlyphValue(check, 3, 1))
      .Set(QStringLiteral("EXBORDER"), BorderValue(shadow, QMargins(14, 12, 14, 16), 2, 0, 1, 0));

  skin.Section(QStringLiteral("FORM"))
      .Set(QStringLiteral("COLOR"), 0xF7E9DE)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(frame, QMargins(), 3, 1, 1, 0))
      .Set(QStringLiteral("PATTERN"), QStringLiteral("FormBack.jpg"));
  skin.Section(QStringLiteral("PANEL"))
      .Set(QStringLiteral("COLOR"), 0xF0F0F0)
      .Set(QStringLiteral("BORDERSMASK"), HashValue(panel, 1, 0, 5))
      .Set(QStringLiteral("PATTERN"), QStringLiteral("Panel.JPG"));
  skin.Section(QStringLiteral("TOOLBUTTON"))
      .Set(QStringLiteral("COLOR"), 0xEED8C8)
      .Set(QStringLiteral("HOTCOLOR"), 0xFAF0E6)
      .Set(QStringLiteral("FONTCOLOR"), 0x402010)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0x8C4218)
      .Set(QStringLiteral("TRANSPARENCY"), 20)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(frame, QMargins(5, 5, 5, 5), 3, 1, 1, 0))
      .Set(QStringLiteral("IMGTOPLEFT"), GlyphValue(corner, 3, 0));
  skin.Section(QStringLiteral("BUTTON"))
      .Set(QStringLiteral("PARENTCLASS"), QStringLiteral("TOOLBUTTON"))
      .Set(QStringLiteral("GRADIENTDATA"), QStringLiteral("16777215;0;100;0;0"))
      .Set(QStringLiteral("GRADIENTPERCENT"), 50)
      .Set(QStringLiteral("SHOWFOCUS"), QStringLiteral("true"))
      .Set(QStringLiteral("BORDERSMASK"), QStringLiteral("Edge.bmp"));
  skin.Section(QStringLiteral("EDIT"))
      .Set(QStringLiteral("COLOR"), 0xFFFFFF)
      .Set(QStringLiteral("BORDERSMASK"), OwnFileValue(QStringLiteral("FRAME.PNG"), 3, 1, 9))
      .Set(QStringLiteral("GLYPHMASK"), OwnFileValue(QStringLiteral("GLYPH.BMP"), 3, 0, 2, QMargins(2, 2, 2, 2)));
  skin.Section(QStringLiteral("COMBOBOX"))
      .Set(QStringLiteral("PARENTCLASS"), QStringLiteral("EDIT"))
      .Set(QStringLiteral("GLYPHMASK"), GlyphValue(check, 3, 1));
  skin.Section(QStringLiteral("SCROLLSLIDERH"))
      .Set(QStringLiteral("PATTERN"), TextureValue(texture, 1))
      .Set(QStringLiteral("HOTPATTERN"), TextureValue(texture, 1, 0));
  skin.Section(QStringLiteral("COMBOBTN"))
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(frame, QMargins(4, 4, 4, 4), 3, 1, 1, 0))
      .Set(QStringLiteral("PATTERN"), TextureValue(texture, 1))
      .Set(QStringLiteral("HOTPATTERN"), TextureValue(texture, 1));
  // Its border and pattern through BUTTON, then TOOLBUTTON.
  skin.Section(QStringLiteral("SCROLLBTNLEFT")).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("BUTTON"));
  skin.Section(QStringLiteral("TABTOP"))
      .Set(QStringLiteral("PARENTCLASS"), QStringLiteral("TOOLBUTTON"))
      .Set(QStringLiteral("COLOR"), 0xFFF4EC);
  skin.Section(QStringLiteral("MENUITEM"))
      .Set(QStringLiteral("HOTCOLOR"), 0xD67A33)
      .Set(QStringLiteral("BORDERSMASK"), HashValue(menu, 3, 1, 0, 1))
      // Lower case: the "!" form finds neither ".BMP" nor ".PNG" and adds nothing.
      .Set(QStringLiteral("CASEMASK"), OwnFileValue(QStringLiteral("frame.bmp"), 3, 1, 0));

  skin.AddFile(QStringLiteral("EDGE.BMP"), BmpBytes(FrameStrip(18, 18, 3, true)));
  skin.AddFile(QStringLiteral("FRAME.PNG"), skindraw::PngBytes(PngFrame()));
  skin.AddFile(QStringLiteral("GLYPH.BMP"), BmpBytes(GlyphStrip(12, false)));
  skin.AddFile(QStringLiteral("frame.bmp"), BmpBytes(FrameStrip(10, 10, 3, true)));
  skin.AddFile(QStringLiteral("FormBack.jpg"),
               skindraw::JpegBytes(Gradient(300, 300, QColor(240, 246, 253), QColor(188, 210, 240))));
  skin.AddFile(QStringLiteral("Panel.JPG"),
               skindraw::JpegBytes(Texture(200, 200, QColor(230, 236, 244), QColor(244, 247, 251))));
  return skin;
}

TestSkin ControlDataSkin() {
  TestSkin skin;
  skin.Name = QStringLiteral("ControlData");
  const QRect frame = skin.Place(FrameStrip(40, 40, 3, true));  // 120 x 80
  const QRect texture = skin.Place(Texture(32, 32, QColor(200, 220, 240), QColor(230, 240, 250)));
  const auto border = [&](int l, int t, int r, int b, int drawMode) {
    return BorderValue(frame, QMargins(l, t, r, b), 3, 1, drawMode, 0);
  };
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("COLOR"), 0xD0DCE8)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020)
      .Set(QStringLiteral("GIVEOWNFONT"), QStringLiteral("TRUE"));
  skin.Section(QStringLiteral("EDIT")).Set(QStringLiteral("COLOR"), 0xF4F8FC).Set(QStringLiteral("FONTCOLOR"), 0x603010);
  skin.Section(QStringLiteral("PANEL")).Set(QStringLiteral("COLOR"), 0xD8D8D8);
  skin.Section(QStringLiteral("PARENTRED"))
      .Set(QStringLiteral("COLOR"), 0x0000FF)
      .Set(QStringLiteral("GIVEOWNFONT"), QStringLiteral("TRUE"));
  skin.Section(QStringLiteral("HALF"))
      .Set(QStringLiteral("COLOR"), 0xFF0000)
      .Set(QStringLiteral("TRANSPARENCY"), 50)
      .Set(QStringLiteral("HOTCOLOR"), 0x00FF00)
      .Set(QStringLiteral("HOTTRANSPARENCY"), 0);
  skin.Section(QStringLiteral("FROSTED")).Set(QStringLiteral("COLOR"), 0x808080).Set(QStringLiteral("TRANSPARENCY"), 60);
  skin.Section(QStringLiteral("CLEAR")).Set(QStringLiteral("TRANSPARENCY"), 100);
  skin.Section(QStringLiteral("CLEARWIDE"))
      .Set(QStringLiteral("TRANSPARENCY"), 100)
      .Set(QStringLiteral("BORDERSMASK"), border(13, 4, 13, 4, 1));
  skin.Section(QStringLiteral("GRADIENT"))
      .Set(QStringLiteral("COLOR"), 0xC0C0C0)
      .Set(QStringLiteral("GRADIENTPERCENT"), 100)
      .Set(QStringLiteral("GRADIENTDATA"), QStringLiteral("16777215;8421504;100;1;0"));
  skin.Section(QStringLiteral("VERTICAL"))
      .Set(QStringLiteral("GRADIENTPERCENT"), 1)
      .Set(QStringLiteral("GRADIENTDATA"), QStringLiteral("16777215;8421504;100;0;0"));
  skin.Section(QStringLiteral("TRIANGLES"))
      .Set(QStringLiteral("GRADIENTPERCENT"), 100)
      .Set(QStringLiteral("IMAGEPERCENT"), 20)
      .Set(QStringLiteral("GRADIENTDATA"), QStringLiteral("255;65280;100;2;0"));
  skin.Section(QStringLiteral("IMAGE"))
      .Set(QStringLiteral("COLOR"), 0xE0E0E0)
      .Set(QStringLiteral("IMAGEPERCENT"), 40)
      .Set(QStringLiteral("PATTERN"), TextureValue(texture, 0, 0))
      .Set(QStringLiteral("HOTPATTERN"), TextureValue(texture, 1, 0));
  // Inherits IMAGE's textures.
  skin.Section(QStringLiteral("IMAGECHILD")).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("IMAGE"));
  skin.Section(QStringLiteral("BIGBORDER")).Set(QStringLiteral("BORDERSMASK"), border(16, 4, 16, 3, 1));
  skin.Section(QStringLiteral("NOCENTRE")).Set(QStringLiteral("BORDERSMASK"), border(5, 9, 6, 7, 2));
  skin.Section(QStringLiteral("GLOWING")).Set(QStringLiteral("GLOW"), 2).Set(QStringLiteral("GLOWMARGIN"), 6);
  skin.Section(QStringLiteral("GROUPBOX"))
      .Set(QStringLiteral("COLOR"), 0xE4E4E4)
      .Set(QStringLiteral("BORDERSMASK"), border(6, 18, 7, 8, 1));
  return skin;
}

const char* DamageName(PackageDamage damage) {
  switch (damage) {
    case PackageDamage::WrongMagic: return "wrong-magic";
    case PackageDamage::UpperMagic: return "upper-magic";
    case PackageDamage::Truncated: return "truncated";
    case PackageDamage::CutInHeader: return "cut-in-header";
    case PackageDamage::HugeCount: return "huge-count";
    case PackageDamage::NegativeCount: return "negative-count";
    case PackageDamage::HugeNameLength: return "huge-name-length";
    case PackageDamage::NegativeSize: return "negative-size";
    case PackageDamage::OversizeEntry: return "oversize-entry";
    case PackageDamage::CorruptZlib: return "corrupt-zlib";
    case PackageDamage::ShortEntry: return "short-entry";
    case PackageDamage::LongEntry: return "long-entry";
  }
  return "?";
}

std::string DamagedPackage(const TestSkin& skin, PackageDamage damage) {
  std::vector<PackEntry> entries = PackEntries(skin);
  std::string bytes;
  auto setU32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
  };
  switch (damage) {
    case PackageDamage::WrongMagic: return PackBytes(entries, "ASzg");
    case PackageDamage::UpperMagic: return PackBytes(entries, "ASZF");
    case PackageDamage::Truncated:
      bytes = PackBytes(entries);
      return bytes.substr(0, bytes.size() - 9);
    case PackageDamage::CutInHeader:
      bytes = PackBytes({entries[0]});
      bytes += std::string("\x05\x00", 2);  // a second entry's name length, cut
      setU32(4, 2);
      return bytes;
    case PackageDamage::HugeCount:
      bytes = PackBytes(entries);
      setU32(4, 0x7FFFFFF0u);
      return bytes;
    case PackageDamage::NegativeCount:
      bytes = PackBytes(entries);
      setU32(4, 0xFFFFFFFEu);
      return bytes;
    case PackageDamage::HugeNameLength:
      bytes = PackBytes(entries);
      setU32(8, 0x7FFFFFF0u);
      return bytes;
    case PackageDamage::NegativeSize:
      entries[0].DeclaredSize = -5;
      return PackBytes(entries);
    case PackageDamage::OversizeEntry:
      entries[0].DeclaredSize = (64 << 20) + 1;
      return PackBytes(entries);
    case PackageDamage::CorruptZlib: {
      bytes = PackBytes(entries);
      // The first entry's stream begins after magic, N, L, its name and S;
      // damage its deflate data (past the two header bytes).
      const size_t stream = 12 + entries[0].Name.size() + 4;
      for (size_t i = stream + 2; i < stream + 8; ++i) bytes[i] = char(bytes[i] ^ 0x5A);
      return bytes;
    }
    case PackageDamage::ShortEntry:
      entries[0].DeclaredSize = int32_t(entries[0].Data.size()) + 10;
      return PackBytes(entries);
    case PackageDamage::LongEntry:
      entries[0].DeclaredSize = int32_t(entries[0].Data.size()) - 10;
      return PackBytes(entries);
  }
  return {};
}

// ------------------------------------------------------------ painting

QRgb SlicePixel(int x, int y, int state) {
  const bool left = x == 0, right = x == kSliceWidth - 1, top = y == 0, bottom = y == kSliceHeight - 1;
  if ((left || right) && (top || bottom)) return kKeyColour.rgb();
  return qRgb(16 * x + 8, 16 * y + 8, 41 + 60 * state);
}

int SliceMaskValue(int x, int y) {
  if (qRgb(255, 0, 255) == SlicePixel(x, y, 0)) return 255;
  return std::min(255, ((x + 2 * y) % 5) * 64);
}

QImage SliceStrip(bool withMask) {
  QImage image(kSliceWidth * kSliceStates, kSliceHeight * (withMask ? 2 : 1), QImage::Format_RGB32);
  for (int s = 0; s < kSliceStates; ++s)
    for (int y = 0; y < kSliceHeight; ++y)
      for (int x = 0; x < kSliceWidth; ++x) {
        image.setPixel(s * kSliceWidth + x, y, SlicePixel(x, y, s));
        if (!withMask) continue;
        const int m = SliceMaskValue(x, y);
        image.setPixel(s * kSliceWidth + x, kSliceHeight + y, qRgb(m, m, m));
      }
  return image;
}

int HaloMaskValue(int x, int y) {
  const int inner = kHaloSize - kHaloMargin - 1;
  const int d = std::max({kHaloMargin - x, x - inner, kHaloMargin - y, y - inner, 0});
  return std::min(255, 36 * d);
}

QRgb CornerGlyphPixel(int x, int y, int state) {
  if (x + y < 2) return kKeyColour.rgb();
  return qRgb(200 - 20 * x, 30 + 20 * y, 90 + 50 * state);
}

namespace {

QImage CornerGlyphStrip(bool withMask) {
  constexpr int n = kCornerGlyphSize;
  QImage image(3 * n, n * (withMask ? 2 : 1), QImage::Format_RGB32);
  for (int s = 0; s < 3; ++s)
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        image.setPixel(s * n + x, y, CornerGlyphPixel(x, y, s));
        if (withMask) image.setPixel(s * n + x, n + y, x + y < 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
      }
  return image;
}

// A title-button icon: three 8 x 8 states in one strong colour, a darker
// cross in the middle.
QImage IconStrip(QColor colour) {
  QImage image(24, 8, QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  for (int s = 0; s < 3; ++s) {
    p.fillRect(QRect(8 * s + 1, 1, 6, 6), colour.darker(100 + 30 * s));
    p.setPen(colour.darker(250));
    p.drawLine(8 * s + 2, 2, 8 * s + 5, 5);
    p.drawLine(8 * s + 5, 2, 8 * s + 2, 5);
  }
  return image;
}

// The halo strip: its one state, its mask part below.
QImage HaloStrip() {
  QImage image(kHaloSize, 2 * kHaloSize, QImage::Format_RGB32);
  for (int y = 0; y < kHaloSize; ++y)
    for (int x = 0; x < kHaloSize; ++x) {
      image.setPixel(x, y, kHaloColour);
      const int m = HaloMaskValue(x, y);
      image.setPixel(x, kHaloSize + y, qRgb(m, m, m));
    }
  return image;
}

// A small texture with a mask part: a two-tone checker, key-colour pixels
// on its first row; the mask grey by column.
QImage MaskedTexture() {
  QImage image(16, 32, QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      image.setPixel(x, y, y == 0 && x % 4 == 0 ? kKeyColour.rgb() : ((x / 4 + y / 4) % 2) ? qRgb(30, 120, 200) : qRgb(220, 90, 40));
      const int m = x * 17;
      image.setPixel(x, 16 + y, qRgb(m, m, m));
    }
  return image;
}

}  // namespace

TestSkin PaintingSkin() {
  TestSkin skin;
  skin.Name = QStringLiteral("Painting");
  const QRect slice = skin.Place(SliceStrip(false));
  const QRect masked = skin.Place(SliceStrip(true));
  const QRect corner = skin.Place(CornerGlyphStrip(false));
  const QRect maskedCorner = skin.Place(CornerGlyphStrip(true));
  const QRect texture = skin.Place(MaskedTexture());
  // Grey pixels beside the pictures (a grey never changes its hue).
  QImage grey(16, 16, QImage::Format_RGB32);
  grey.fill(QColor(128, 128, 128));
  skin.Place(grey);

  SkinSection& global = skin.Section(QStringLiteral("GLOBALINFO"));
  global.Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("AUTHOR"), QStringLiteral("ssq tests"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("BIKEEPHUE"), 1)
      .Set(QStringLiteral("SHADOW1COLOR"), 0x0000C0)
      .Set(QStringLiteral("BORDERCOLOR"), 0x00A000);
  const struct {
    const char* name;
    QColor colour;
  } icons[] = {{"BICONCLOSE", QColor(220, 30, 30)},  {"BICONMAX", QColor(30, 160, 60)},
               {"BICONMIN", QColor(40, 60, 210)},    {"BICONNORM", QColor(200, 160, 20)},
               {"BICONHELP", QColor(150, 40, 190)},  {"SICONMAX", QColor(20, 170, 170)},
               {"SICONMIN", QColor(230, 120, 40)},   {"SICONNORM", QColor(120, 200, 40)}};
  for (const auto& icon : icons)
    global.Set(QString::fromLatin1(icon.name), GlyphValue(skin.Place(IconStrip(icon.colour)), 3, 0));
  global.Set(QStringLiteral("SICONCLOSE"), OwnFileValue(QStringLiteral("SICON.BMP"), 3, 0, 2))
      .Set(QStringLiteral("BICONCLOSEGLOW0"), OwnFileValue(QStringLiteral("GLOW.BMP"), 1, 0, 3));

  const QMargins m = kSliceMargins;
  auto border = [&](const char* name, const QRect& r, int maskType, int drawMode, QMargins margins) -> SkinSection& {
    return skin.Section(QString::fromLatin1(name))
        .Set(QStringLiteral("COLOR"), 0xE0E0E0)
        .Set(QStringLiteral("BORDERSMASK"), BorderValue(r, margins, kSliceStates, maskType, drawMode, 0));
  };
  border("TILED", slice, 0, 4, m)
      .Set(QStringLiteral("PATTERN"), QStringLiteral("Tile.jpg"))
      .Set(QStringLiteral("HOTPATTERN"), TextureValue(texture, 10, 1));
  border("STRETCHED", slice, 0, 5, m);
  border("NONORMAL", slice, 0, 6, m);
  border("NOCENTRE", slice, 0, 0, m);
  border("MASKED", masked, 1, 5, m);
  border("WIDE", slice, 0, 4, QMargins(9, 7, 9, 7));
  skin.Section(QStringLiteral("OWNFILE"))
      .Set(QStringLiteral("BORDERSMASK"), OwnFileValue(QStringLiteral("SLICE.BMP"), kSliceStates, 0, 0, m));
  skin.Section(QStringLiteral("CORNERS"))
      .Set(QStringLiteral("COLOR"), 0x0000FF)
      .Set(QStringLiteral("HOTCOLOR"), 0x00FF00)
      .Set(QStringLiteral("FONTCOLOR"), 0x800000)
      .Set(QStringLiteral("TCLEFT"), -1)
      .Set(QStringLiteral("GRADIENTDATA"), QStringLiteral("255;16711680;60;0;0;65280;255;40;0;0"))
      .Set(QStringLiteral("IMGTOPLEFT"), GlyphValue(corner, 3, 0))
      .Set(QStringLiteral("IMGBTMRIGHT"), GlyphValue(maskedCorner, 3, 1));

  skin.Section(QStringLiteral("GLOWING"))
      .Set(QStringLiteral("COLOR"), 0x402010)
      .Set(QStringLiteral("GLOW"), 1)
      .Set(QStringLiteral("GLOWMARGIN"), kHaloOverlap)
      .Set(QStringLiteral("GLOW0"), OwnFileValue(QStringLiteral("HALO.BMP"), 1, 1, 3,
                                                 QMargins(kHaloMargin, kHaloMargin, kHaloMargin, kHaloMargin)));

  skin.AddFile(QStringLiteral("SLICE.BMP"), BmpBytes(SliceStrip(false)));
  skin.AddFile(QStringLiteral("HALO.BMP"), BmpBytes(HaloStrip()));
  skin.AddFile(QStringLiteral("SICON.BMP"), BmpBytes(IconStrip(QColor(210, 40, 90))));
  skin.AddFile(QStringLiteral("GLOW.BMP"), BmpBytes(IconStrip(QColor(250, 140, 140))));
  skin.AddFile(QStringLiteral("Tile.jpg"), skindraw::JpegBytes(Texture(320, 320, QColor(200, 220, 240), QColor(240, 230, 210))));
  return skin;
}

QRgb SectionTexturePixel(int x, int y) { return qRgb(20 + 30 * x, 30 + 40 * y, 100 + 10 * x); }

TestSkin SectionsSkin() {
  TestSkin skin;
  skin.Name = QStringLiteral("Sections");
  QImage texture(kSectionTextureWidth, kSectionTextureHeight, QImage::Format_RGB32);
  for (int y = 0; y < kSectionTextureHeight; ++y)
    for (int x = 0; x < kSectionTextureWidth; ++x) texture.setPixel(x, y, SectionTexturePixel(x, y));
  const QRect tex = skin.Place(texture);
  const QRect masked = skin.Place(MaskedTexture());
  const QRect slice = skin.Place(SliceStrip(false));
  const QRect corner = skin.Place(CornerGlyphStrip(false));
  const QString vertical = QStringLiteral("16777215;0;100;0;0");
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("COLOR"), 0xD0DCE8);
  skin.Section(QStringLiteral("SOLID")).Set(QStringLiteral("COLOR"), 0x336699);
  skin.Section(QStringLiteral("HALF"))
      .Set(QStringLiteral("COLOR"), 0x0000FF)
      .Set(QStringLiteral("TRANSPARENCY"), 50)
      .Set(QStringLiteral("HOTCOLOR"), 0x00FF00)
      .Set(QStringLiteral("HOTTRANSPARENCY"), 0);
  skin.Section(QStringLiteral("CLEAR")).Set(QStringLiteral("COLOR"), 0x00FF00).Set(QStringLiteral("TRANSPARENCY"), 100);
  skin.Section(QStringLiteral("GRAD"))
      .Set(QStringLiteral("COLOR"), 0x808080)
      .Set(QStringLiteral("GRADIENTPERCENT"), 100)
      .Set(QStringLiteral("GRADIENTDATA"), vertical);
  const auto textured = [&](const char* name, int colour, int percent, const QString& pattern) -> SkinSection& {
    return skin.Section(QString::fromLatin1(name))
        .Set(QStringLiteral("COLOR"), colour)
        .Set(QStringLiteral("IMAGEPERCENT"), percent)
        .Set(QStringLiteral("PATTERN"), pattern);
  };
  textured("TILEDTEX", 0x00FFFF, 100, TextureValue(tex, 0, 0))
      .Set(QStringLiteral("HOTCOLOR"), 0x00FFFF)
      .Set(QStringLiteral("HOTIMAGEPERCENT"), 100);
  textured("TOPROW", 0x00FF00, 100, TextureValue(tex, 2, 0));
  textured("HALFIMAGE", 0x0000FF, 50, TextureValue(tex, 0, 0));
  textured("MIXED", 0x406080, 50, TextureValue(tex, 0, 0))
      .Set(QStringLiteral("TRANSPARENCY"), 50)
      .Set(QStringLiteral("GRADIENTPERCENT"), 50)
      .Set(QStringLiteral("GRADIENTDATA"), vertical);
  textured("JPEGPAT", 0x000000, 100, QStringLiteral("Tile.jpg"));
  textured("MASKEDTEX", 0xC0C0C0, 100, TextureValue(masked, 10, 1));
  skin.Section(QStringLiteral("ITEM"))
      .Set(QStringLiteral("COLOR"), 0x404040)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(slice, kSliceMargins, kSliceStates, 0, 0, 0))
      .Set(QStringLiteral("IMGTOPLEFT"), GlyphValue(corner, 3, 0))
      .Set(QStringLiteral("IMGTOPRIGHT"), GlyphValue(corner, 3, 0))
      .Set(QStringLiteral("IMGBTMLEFT"), GlyphValue(corner, 3, 0))
      .Set(QStringLiteral("IMGBTMRIGHT"), GlyphValue(corner, 3, 0));
  skin.AddFile(QStringLiteral("Tile.jpg"),
               skindraw::JpegBytes(Texture(300, 300, QColor(200, 220, 240), QColor(240, 230, 210))));
  return skin;
}

TestSkin CaptionSkin() {
  TestSkin skin;
  skin.Name = QStringLiteral("Captions");
  skin.Place(Texture(16, 16, QColor(200, 220, 240), QColor(230, 240, 250)));
  const auto fontColors = [](SkinSection& section, const char* prefix, const std::array<int, 5>& colors) {
    const char* keys[] = {"FONTCOLOR", "TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"};
    for (size_t i = 0; i < 5; ++i) section.Set(QString::fromLatin1(prefix) + QLatin1String(keys[i]), colors[i]);
  };
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("COLOR"), kCaptionGlobalColor)
      .Set(QStringLiteral("FONTCOLOR"), 0x101010)
      .Set(QStringLiteral("GIVEOWNFONT"), QStringLiteral("TRUE"));
  SkinSection& caption = skin.Section(QStringLiteral("CAPTION")).Set(QStringLiteral("COLOR"), 0x30A050);
  fontColors(caption, "", kCaptionColors);
  fontColors(caption, "HOT", kCaptionHotColors);
  SkinSection& plain = skin.Section(QStringLiteral("PLAINCAPTION")).Set(QStringLiteral("COLOR"), 0xF0F0F0);
  fontColors(plain, "", {0x204080, -1, -1, -1, -1});
  fontColors(plain, "HOT", {0x4080C0, -1, -1, -1, -1});
  SkinSection& shadowed = skin.Section(QStringLiteral("SHADOWED")).Set(QStringLiteral("COLOR"), 0x806040);
  fontColors(shadowed, "", {0xFFFFFF, -1, -1, 0x404040, 0x404040});
  skin.Section(QStringLiteral("WEBBUTTON"))
      .Set(QStringLiteral("COLOR"), 0xFFFFFF)
      .Set(QStringLiteral("FONTCOLOR"), 0x800000)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0xFF0000);
  skin.Section(QStringLiteral("BUTTON"))
      .Set(QStringLiteral("COLOR"), 0xE0E0E0)
      .Set(QStringLiteral("FONTCOLOR"), 0x000060)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0x0000FF);
  skin.Section(QStringLiteral("SEETHROUGH"))
      .Set(QStringLiteral("TRANSPARENCY"), 100)
      .Set(QStringLiteral("HOTTRANSPARENCY"), 0)
      .Set(QStringLiteral("FONTCOLOR"), 0x008080)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0x006000);
  skin.Section(QStringLiteral("FONTPANEL"))
      .Set(QStringLiteral("COLOR"), 0x602020)
      .Set(QStringLiteral("FONTCOLOR"), 0x00E0E0)
      .Set(QStringLiteral("GIVEOWNFONT"), QStringLiteral("TRUE"));
  return skin;
}

const char* DamageName(SkinDamage damage) {
  switch (damage) {
    case SkinDamage::MaskOutsideBitmap: return "mask-outside-bitmap";
    case SkinDamage::ImageCountZero: return "image-count-zero";
    case SkinDamage::ParentClassLoop: return "parentclass-loop";
    case SkinDamage::MaskTypeMinusOne: return "masktype-minus-one";
    case SkinDamage::BadNumber: return "bad-number";
    case SkinDamage::HugeMargins: return "huge-margins";
  }
  return "?";
}

TestSkin DamagedSkin(SkinDamage damage) {
  TestSkin skin = DemoSkin();
  skin.Name = QString::fromLatin1(DamageName(damage));
  const int w = skin.Master.width(), h = skin.Master.height();
  switch (damage) {
    case SkinDamage::MaskOutsideBitmap:
      skin.Section(QStringLiteral("OUTSIDE"))
          .Set(QStringLiteral("BORDERSMASK"), BorderValue(QRect(w - 30, h - 20, 90, 60), QMargins(), 3, 1, 1, 0))
          .Set(QStringLiteral("PATTERN"), TextureValue(QRect(w + 10, 0, 40, 40), 1));
      break;
    case SkinDamage::ImageCountZero:
      skin.Section(QStringLiteral("ZEROCOUNT"))
          .Set(QStringLiteral("BORDERSMASK"), BorderValue(QRect(0, 0, 90, 60), QMargins(), 0, 1, 1, 0))
          .Set(QStringLiteral("GLYPHMASK"), GlyphValue(QRect(0, 0, 48, 32), 0, 1));
      break;
    case SkinDamage::ParentClassLoop:
      skin.Section(QStringLiteral("LOOPA")).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("LOOPB"));
      skin.Section(QStringLiteral("LOOPB")).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("LOOPC"));
      skin.Section(QStringLiteral("LOOPC"))
          .Set(QStringLiteral("PARENTCLASS"), QStringLiteral("LOOPA"))
          .Set(QStringLiteral("COLOR"), -1);
      break;
    case SkinDamage::MaskTypeMinusOne:
      skin.Section(QStringLiteral("NOLAYERS"))
          .Set(QStringLiteral("BORDERSMASK"), OwnFileValue(QStringLiteral("GLYPH.BMP"), 3, -1, 0));
      break;
    case SkinDamage::HugeMargins:
      skin.Section(QStringLiteral("HUGEMARGINS"))
          .Set(QStringLiteral("BORDERSMASK"), BorderValue(QRect(w - 30, h - 20, 90, 60), QMargins(9000, 9000, 9000, 9000),
                                                          3, 1, 4, 0))
          .Set(QStringLiteral("GLYPHMASK"), GlyphValue(QRect(w - 10, h - 8, 48, 32), 3, 1))
          .Set(QStringLiteral("PLAINMASK"), BorderValue(QRect(w - 30, h - 20, 90, 60), QMargins(9000, 1, 9000, 1),
                                                        3, 0, 5, 0));
      break;
    case SkinDamage::BadNumber: {
      // A letter inside the texture's right column.
      QString value = TextureValue(QRect(0, 0, 32, 32), 1);
      value[13] = u'x';
      skin.Section(QStringLiteral("BADNUMBER")).Set(QStringLiteral("PATTERN"), value);
      break;
    }
  }
  return skin;
}

// ------------------------------------------------------------ the library's pictures

// ------------------------------------------------------------ the form skin

namespace {

// A caption-button strip: three states of a rounded plate (normal, hot,
// pressed) in `colour`, with the button's sign in white.
QImage CaptionButtonStrip(int size, QColor colour, char sign) {
  QImage image(3 * size, size, QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  for (int s = 0; s < 3; ++s) {
    const QRect r(s * size + 1, 1, size - 2, size - 2);
    p.setPen(colour.darker(160));
    p.setBrush(s == 0 ? colour : s == 1 ? colour.lighter(130) : colour.darker(130));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QPen(Qt::white, 2));
    const QRect g = r.adjusted(size / 4, size / 4, -size / 4, -size / 4);
    switch (sign) {
      case 'x': p.drawLine(g.topLeft(), g.bottomRight()); p.drawLine(g.topRight(), g.bottomLeft()); break;
      case 'o': p.setBrush(Qt::NoBrush); p.drawRect(g.adjusted(0, 0, -1, -1)); break;
      case 'n': p.setBrush(Qt::NoBrush); p.drawRect(g.adjusted(2, 0, -1, -3)); p.drawRect(g.adjusted(0, 3, -3, -1)); break;
      case '_': p.drawLine(g.left(), g.bottom(), g.right(), g.bottom()); break;
      default: p.drawText(r, Qt::AlignCenter, QStringLiteral("?")); break;
    }
  }
  return image;
}

// One soft square of light, the glow of a caption button.
QImage ButtonGlow(int size, QColor colour) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawRect(QRect(0, 0, size, size).adjusted(2, 2, -2, -2));
  return image;
}

// The form's frame: three states of a 4-pixel border, a light inner line,
// the outer corner pixels key colour.
QImage FormFrameStrip() {
  constexpr int n = 16;
  QImage image(3 * n, n, QImage::Format_RGB32);
  const QColor outer[] = {QColor(60, 90, 140), QColor(90, 130, 190), QColor(40, 60, 100)};
  for (int s = 0; s < 3; ++s) {
    QPainter p(&image);
    p.fillRect(QRect(s * n, 0, n, n), outer[s]);
    p.setPen(QColor(200, 215, 235));
    p.drawRect(QRect(s * n + 3, 3, n - 7, n - 7));
    p.fillRect(QRect(s * n + 4, 4, n - 8, n - 8), QColor(240, 232, 224));
    for (int x : {0, n - 1})
      for (int y : {0, n - 1}) image.setPixelColor(s * n + x, y, kKeyColour);
  }
  return image;
}

// The strip behind the caption buttons: two states, a darker band whose
// ends are rounded off by key-colour corners.
QImage TitleBarStrip() {
  constexpr int n = 24;
  QImage image(2 * n, n, QImage::Format_RGB32);
  for (int s = 0; s < 2; ++s) {
    const QColor band = s == 0 ? QColor(150, 150, 160) : QColor(20, 50, 100);
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const int dx = std::min(x, n - 1 - x), dy = std::min(y, n - 1 - y);
        image.setPixelColor(s * n + x, y, dx + dy < 3 ? kKeyColour : band);
      }
  }
  return image;
}

QImage GripStrip() {
  QImage image(kFormGrip, kFormGrip, QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j <= i; ++j) p.fillRect(QRect(kFormGrip - 4 - 4 * j, 4 * (2 - i) + 4 * j - 0 + 0, 3, 3), QColor(80, 90, 110));
  return image;
}

}  // namespace

TestSkin FormSkin() {
  TestSkin skin;
  skin.Name = QStringLiteral("Forms");
  SkinSection& global = skin.Section(QStringLiteral("GLOBALINFO"));
  global.Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("COLOR"), kFormColor)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020)
      .Set(QStringLiteral("TITLEHEIGHT"), 30)
      .Set(QStringLiteral("MAXHEIGHT"), 30)
      .Set(QStringLiteral("BISPACE"), 2)
      .Set(QStringLiteral("BIRIGHT"), 2)
      .Set(QStringLiteral("BILEFT"), 2)
      .Set(QStringLiteral("BICONCLOSEGLOW"), 1)
      .Set(QStringLiteral("BICONCLOSEGLOWMARGIN"), 3)
      .Set(QStringLiteral("BICONMAXGLOW"), 1)
      .Set(QStringLiteral("BICONMAXGLOWMARGIN"), 3)
      .Set(QStringLiteral("BICONMINGLOW"), 1)
      .Set(QStringLiteral("BICONMINGLOWMARGIN"), 3);
  const struct {
    const char* name;
    QColor colour;
    char sign;
  } buttons[] = {{"CLOSE", QColor(200, 50, 40), 'x'}, {"MAX", QColor(60, 110, 180), 'o'},
                 {"NORM", QColor(60, 110, 180), 'n'}, {"MIN", QColor(60, 110, 180), '_'},
                 {"HELP", QColor(90, 140, 90), '?'}};
  for (const auto& b : buttons) {
    for (const auto& [prefix, size] : {std::pair{"BICON", kFormLargeButton}, std::pair{"SICON", kFormSmallButton}}) {
      const QString name = QString::fromLatin1(prefix) + QLatin1String(b.name);
      global.Set(name, GlyphValue(skin.Place(CaptionButtonStrip(size, b.colour, b.sign)), 3, 0));
      if (b.sign != 'n' && b.sign != '?')
        global.Set(name + QStringLiteral("GLOW0"),
                   GlyphValue(skin.Place(ButtonGlow(size + 6, b.colour.lighter(150))), 1, 0));
    }
  }
  global.Set(QStringLiteral("TITLEBUTTON"),
             GlyphValue(skin.Place(CaptionButtonStrip(kFormLargeButton, QColor(120, 120, 140), ' ')), 3, 0))
      .Set(QStringLiteral("GRIPIMAGE"), GlyphValue(skin.Place(GripStrip()), 1, 0));

  skin.Section(QStringLiteral("FORM"))
      .Set(QStringLiteral("COLOR"), kFormColor)
      .Set(QStringLiteral("HOTCOLOR"), kFormColor)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(skin.Place(FormFrameStrip()), QMargins(4, 4, 4, 4), 3, 0, 0, 4))
      .Set(QStringLiteral("TITLEBAR"), BorderValue(skin.Place(TitleBarStrip()), QMargins(8, 4, 8, 4), 2, 0, 0, 0));
  skin.Section(QStringLiteral("FORMTITLE"))
      .Set(QStringLiteral("COLOR"), kFormTitleColor)
      .Set(QStringLiteral("HOTCOLOR"), kFormTitleHotColor)
      .Set(QStringLiteral("FONTCOLOR"), 0x404040)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0xFFFFFF);
  skin.Section(QStringLiteral("CAPTION"))
      .Set(QStringLiteral("COLOR"), 0xD0E0F0)
      .Set(QStringLiteral("HOTCOLOR"), 0xFFE0C0)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0x600000);
  skin.Section(QStringLiteral("MENULINE"))
      .Set(QStringLiteral("COLOR"), kFormMenuLineColor)
      .Set(QStringLiteral("HOTCOLOR"), kFormMenuLineHotColor)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0x101010);
  skin.Section(QStringLiteral("MDIAREA")).Set(QStringLiteral("COLOR"), kFormMdiAreaColor);
  return skin;
}

void RemoveKey(TestSkin& skin, const QString& section, const QString& key) {
  auto& keys = skin.Section(section).Keys;
  std::erase_if(keys, [&](const SkinKey& k) { return k.Key == key; });
}

QImage DrawShadowImage(bool active) {
  constexpr int kSize = 64;
  const QMargins margins(11, 7, 11, 11);
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  const int strength = active ? 120 : 70;
  // Alpha falls off with the distance from the window's rectangle (the
  // middle, inside the margins); the middle itself stays clear.
  const QRect inner = QRect(0, 0, kSize, kSize).marginsRemoved(margins);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      if (inner.contains(x, y)) continue;
      const int dx = x < inner.left() ? inner.left() - x : x > inner.right() ? x - inner.right() : 0;
      const int dy = y < inner.top() ? inner.top() - y : y > inner.bottom() ? y - inner.bottom() : 0;
      const double reach = y < inner.top() ? margins.top() : x < inner.left() ? margins.left() : margins.right();
      const double d = std::sqrt(double(dx * dx + dy * dy)) / std::max(reach, double(margins.bottom()));
      const int a = int(strength * std::max(0.0, 1.0 - d) * std::max(0.0, 1.0 - d));
      image.setPixelColor(x, y, QColor(0, 0, 0, a));
    }
  return image;
}

QImage DrawStandardListImage(int index) {
  QImage image(48, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor ink[] = {QColor(40, 64, 110), QColor(51, 122, 214), QColor(24, 40, 80)};
  for (int k = 0; k < 3; ++k) {
    const QRect r(16 * k, 0, 16, 16);
    if (k > 0) {
      p.setPen(Qt::NoPen);
      p.setBrush(k == 1 ? QColor(51, 122, 214, 60) : QColor(24, 40, 80, 90));
      p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    const QPoint c = r.center() + QPoint(1, 1);
    p.setPen(QPen(ink[k], 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(ink[k]);
    switch (index) {
      case 0: skindraw::Arrow(p, c, 0, 4, ink[k]); break;              // left
      case 1: skindraw::Arrow(p, c, 1, 4, ink[k]); break;              // right
      case 2: skindraw::Arrow(p, c, 3, 4, ink[k]); break;              // down
      case 3: skindraw::CaptionGlyph(p, r, 0, ink[k]); break;          // a cross
      default:                                                         // a tick
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygon({r.topLeft() + QPoint(4, 8), r.topLeft() + QPoint(7, 11), r.topLeft() + QPoint(12, 4)}));
        break;
    }
  }
  return image;
}

TestSkin MenuSkin(int mainMenuBorderWidth) {
  TestSkin skin;
  skin.Name = QStringLiteral("Menus");
  const QRect frame = skin.Place(FrameStrip(30, 30, 1, true));  // 30 x 60
  QImage line(12, 2, QImage::Format_RGB32);
  for (int x = 0; x < 12; ++x) {
    line.setPixelColor(x, 0, QColor(120, 140, 170));
    line.setPixelColor(x, 1, Qt::white);
  }
  const QRect divider = skin.Place(line);
  const auto mark = [](bool radio) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(kKeyColour);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (radio) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(24, 40, 90));
      p.drawEllipse(QRect(4, 4, 8, 8));
    } else {
      p.setPen(QPen(QColor(24, 40, 90), 2));
      p.drawPolyline(QPolygon({QPoint(3, 8), QPoint(6, 11), QPoint(12, 4)}));
    }
    return image;
  };
  const QRect check = skin.Place(mark(false));
  const QRect radio = skin.Place(mark(true));
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Set(QStringLiteral("VERSION"), QStringLiteral("7.05"))
      .Set(QStringLiteral("MASTERBITMAP"), QStringLiteral("Master.bmp"))
      .Set(QStringLiteral("COLOR"), 0xF0F0F0)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020)
      .Set(QStringLiteral("CHECK"), GlyphValue(check, 1, 0))
      .Set(QStringLiteral("RADIOCHECKED"), GlyphValue(radio, 1, 0));
  skin.Section(QStringLiteral("MENUITEM"))
      .Set(QStringLiteral("COLOR"), 0xFFFFFF)
      .Set(QStringLiteral("HOTCOLOR"), kMenuHotColor)
      .Set(QStringLiteral("FONTCOLOR"), 0x202020)
      .Set(QStringLiteral("HOTFONTCOLOR"), 0x000000)
      .Set(QStringLiteral("TRANSPARENCY"), 100)
      .Set(QStringLiteral("HOTTRANSPARENCY"), 0);
  skin.Section(QStringLiteral("MAINMENU"))
      .Set(QStringLiteral("COLOR"), kMenuBodyColor)
      .Set(QStringLiteral("BORDERSMASK"),
           BorderValue(frame, QMargins(6, 6, 6, 6), 1, 1, 1, mainMenuBorderWidth));
  skin.Section(QStringLiteral("DIVIDERV"))
      .Set(QStringLiteral("COLOR"), kMenuBodyColor)
      .Set(QStringLiteral("BORDERSMASK"), BorderValue(divider, QMargins(2, 0, 2, 0), 1, 0, 5, 0));
  skin.Section(QStringLiteral("EXTRALINE"))
      .Set(QStringLiteral("COLOR"), kExtraLineColor)
      .Set(QStringLiteral("FONTCOLOR"), 0xFFFFFF);
  skin.Section(QStringLiteral("ICOLINE")).Set(QStringLiteral("COLOR"), kIcoLineColor);
  skin.Section(QStringLiteral("TOOLBAR"))
      .Set(QStringLiteral("COLOR"), 0xE0C8B0)
      .Set(QStringLiteral("FONTCOLOR"), 0x402010);
  skin.Section(QStringLiteral("SPEEDBUTTON_SMALL"))
      .Set(QStringLiteral("COLOR"), 0xC0D8F0)
      .Set(QStringLiteral("HOTCOLOR"), 0xA0C0E8);
  return skin;
}

namespace {

// Three 8 x 8 states of an arrow pointing left (0), up (1), right (2) or
// down (3), one colour a state.
QImage ArrowStrip(int direction) {
  QImage image(24, 8, QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  for (int k = 0; k < 3; ++k) {
    p.setBrush(QColor::fromRgb(kScrollGlyphColors[size_t(k)]));
    const int x = k * 8;
    QPolygon tri;
    switch (direction) {
      case 0: tri << QPoint(x + 1, 4) << QPoint(x + 6, 0) << QPoint(x + 6, 8); break;
      case 1: tri << QPoint(x + 4, 1) << QPoint(x + 8, 6) << QPoint(x, 6); break;
      case 2: tri << QPoint(x + 7, 4) << QPoint(x + 2, 0) << QPoint(x + 2, 8); break;
      default: tri << QPoint(x + 4, 7) << QPoint(x + 8, 2) << QPoint(x, 2); break;
    }
    p.drawPolygon(tri);
  }
  return image;
}

// Three 6 x 6 states of a slider's grip: three short bars.
QImage SliderGripStrip() {
  QImage image(18, 6, QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 3; ++i) p.fillRect(k * 6 + i * 2, 1, 1, 4, QColor::fromRgb(kScrollGlyphColors[size_t(k)]));
  return image;
}

// The size grip: dots along the diagonal of a 12 x 12 square.
QImage SizeGripImage() {
  QImage image(12, 12, QImage::Format_RGB32);
  image.fill(kKeyColour);
  QPainter p(&image);
  for (int row = 0; row < 4; ++row)
    for (int col = 3 - row; col < 4; ++col) p.fillRect(col * 3, row * 3, 2, 2, QColor::fromRgb(kScrollGripColour));
  return image;
}

}  // namespace

TestSkin ScrollBarSkin(int gripImageCount, int gripMaskType) {
  TestSkin skin = ControlDataSkin();
  skin.Name = QStringLiteral("ScrollBars");
  const QRect frame = skin.Place(FrameStrip(16, 16, 3, false));
  const QString border = BorderValue(frame, QMargins(3, 3, 3, 3), 3, 0, 1, 0);
  const char* buttons[] = {"SCROLLBTNLEFT", "SCROLLBTNTOP", "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM"};
  for (int i = 0; i < 4; ++i)
    skin.Section(QString::fromLatin1(buttons[i]))
        .Set(QStringLiteral("COLOR"), kScrollButtonColor)
        .Set(QStringLiteral("HOTCOLOR"), kScrollButtonHotColor)
        .Set(QStringLiteral("BORDERSMASK"), border)
        .Set(QStringLiteral("GLYPHMASK"), GlyphValue(skin.Place(ArrowStrip(i)), 3, 0));
  const QRect grip = skin.Place(SliderGripStrip());
  for (const char* slider : {"SCROLLSLIDERH", "SCROLLSLIDERV"})
    skin.Section(QString::fromLatin1(slider))
        .Set(QStringLiteral("COLOR"), kScrollSliderColor)
        .Set(QStringLiteral("HOTCOLOR"), kScrollSliderHotColor)
        .Set(QStringLiteral("BORDERSMASK"), border)
        .Set(QStringLiteral("GLYPHMASK"), GlyphValue(grip, 3, 0));
  for (const char* bar : {"SCROLLBAR1H", "SCROLLBAR1V"})
    skin.Section(QString::fromLatin1(bar)).Set(QStringLiteral("COLOR"), kScrollTrack1Color).Set(QStringLiteral("BORDERSMASK"), border);
  for (const char* bar : {"SCROLLBAR2H", "SCROLLBAR2V"})
    skin.Section(QString::fromLatin1(bar)).Set(QStringLiteral("COLOR"), kScrollTrack2Color).Set(QStringLiteral("BORDERSMASK"), border);
  skin.Section(QStringLiteral("GLOBALINFO"))
      .Set(QStringLiteral("GRIPIMAGE"), GlyphValue(skin.Place(SizeGripImage()), gripImageCount, gripMaskType));
  return skin;
}

}  // namespace testskins
