// What the skin generators share, never part of the program: image files
// as skins keep them (24-bit BMP, PNG with alpha, JPEG), INI text in CP936,
// and the small drawing helpers their pictures are made of. Both the
// program's skin writer (tools/skin) and the skin library's test skins
// (tests/skinlib/support) draw with it; it needs nothing of either skin
// library, only platform_gui.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

#include <functional>
#include <string>

namespace skindraw {

// The key colour: pixels of exactly this colour are transparent.
inline const QColor kKeyColour(255, 0, 255);

// The image as a 24-bit BMP file (alpha dropped).
std::string BmpBytes(const QImage& image);
// The image as a PNG file; an image with an alpha channel keeps it
// (straight alpha), any other is written as 24-bit RGB.
std::string PngBytes(const QImage& image);
// The image as a JPEG file (libjpeg-turbo) of the given quality, baseline
// or progressive (libjpeg's simple progression).
std::string JpegBytes(const QImage& image, int quality = 90, bool progressive = false);

// INI text in the order written: sections, then "key=value" lines.
class IniText {
 public:
  IniText& Section(const QString& name);
  IniText& Set(const QString& key, const QString& value);
  IniText& Set(const QString& key, int value) { return Set(key, QString::number(value)); }
  // A line written as it stands (a comment, a damaged line).
  IniText& Line(const QString& text);
  std::string Bytes() const;  // CP936, CR LF line ends
  const QString& Text() const { return text_; }

 private:
  QString text_;
};

// Draws frame `k` of a strip into `r` (clipped to it).
using DrawFrame = std::function<void(QPainter&, const QRect&, int)>;

// `frames` pictures side by side (or stacked), each fw x fh, on the key
// colour (or on transparent black with `alpha`, as a 32-bit image).
QImage Strip(int fw, int fh, int frames, const DrawFrame& draw, bool stacked = false,
             bool alpha = false);

// A linear gradient over `r`, top to bottom (left to right when `across`).
void Gradient(QPainter& p, const QRect& r, const QColor& top, const QColor& bottom,
              bool across = false);

// A rounded box filled with a top-to-bottom gradient and outlined.
void RoundedBox(QPainter& p, const QRect& r, const QColor& top, const QColor& bottom,
                const QColor& outline, int radius = 3);

// A filled triangle pointing in `dir` (0 left, 1 right, 2 up, 3 down) of
// half-width h, centred on c.
void Arrow(QPainter& p, QPoint c, int dir, int h, const QColor& colour);

// Caption-button glyphs: 0 close, 1 maximize, 2 restore, 3 minimize.
void CaptionGlyph(QPainter& p, const QRect& r, int glyph, const QColor& c);

}  // namespace skindraw
