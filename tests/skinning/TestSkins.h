// Skins for the tests, written with our skin writer.
#pragma once

#include "platform/Colors.h"
#include "tools/skin/SkinFile.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace testskins {

using Images = std::vector<std::pair<QString, QImage>>;

inline QImage Solid(int w, int h, QColor c) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(c);
  return image;
}

// Pixel (x, y) is RGB(x, y, blue): every pixel tells where it came from.
inline QImage Numbered(int w, int h, int blue = 7) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x, y, blue));
  return image;
}

// Side by side, one colour a frame.
inline QImage Frames(int fw, int h, std::vector<QColor> colours) {
  QImage image(fw * int(colours.size()), h, QImage::Format_RGB32);
  for (size_t k = 0; k < colours.size(); ++k)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < fw; ++x) image.setPixelColor(int(k) * fw + x, y, colours[k]);
  return image;
}

// A skin file of the INI text and the images (entry names as given).
inline std::string SkinOf(const std::string& ini, const Images& images = {},
                          const QString& iniName = QStringLiteral("test.ini")) {
  skinwriter::SkinContainer c;
  if (!iniName.isEmpty()) c.Entries.push_back({iniName, ini});
  for (const auto& [name, image] : images) c.Entries.push_back({name, skinwriter::BmpBytes(image)});
  return skinwriter::SkinFileBytes(c);
}

// The streamed property of a skin file: its length, then its bytes.
inline std::string Streamed(const std::string& file) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(char((file.size() >> (8 * i)) & 0xFF));
  return s + file;
}

inline platform::TColor Colour(QColor c) { return platform::RGB(c.red(), c.green(), c.blue()); }

// A small round picture, for menu items and buttons.
inline QIcon Ball(QColor colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(colour);
  p.setPen(colour.darker());
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  return QIcon(pixmap);
}

}  // namespace testskins
