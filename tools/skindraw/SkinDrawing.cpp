#include "tools/skindraw/SkinDrawing.h"

#include "platform/Bitmap.h"
#include "platform/Encoding.h"
#include "platform/Picture.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygon>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace skindraw {

std::string BmpBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
  return bytes.toStdString();
}

std::string PngBytes(const QImage& image) {
  const platform::Bitmap bitmap = platform::Bitmap::FromQImage(
      image, image.hasAlphaChannel() ? platform::pf32bit : platform::pf24bit);
  std::string bytes, error;
  if (!platform::EncodePng(bitmap, bytes, error)) throw std::runtime_error(error);
  return bytes;
}

std::string JpegBytes(const QImage& image, int quality, bool progressive) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = JDIMENSION(rgb.width());
  info.image_height = JDIMENSION(rgb.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return bytes;
}

IniText& IniText::Section(const QString& name) {
  if (!text_.isEmpty()) text_ += QStringLiteral("\r\n");
  text_ += u'[' + name + QStringLiteral("]\r\n");
  return *this;
}

IniText& IniText::Set(const QString& key, const QString& value) {
  text_ += key + u'=' + value + QStringLiteral("\r\n");
  return *this;
}

IniText& IniText::Line(const QString& text) {
  text_ += text + QStringLiteral("\r\n");
  return *this;
}

std::string IniText::Bytes() const { return platform::Utf8ToCp936(text_.toStdString()); }

QImage Strip(int fw, int fh, int frames, const DrawFrame& draw, bool stacked, bool alpha) {
  QImage image(stacked ? fw : fw * frames, stacked ? fh * frames : fh,
               alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  image.fill(alpha ? QColor(0, 0, 0, 0) : kKeyColour);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int k = 0; k < frames; ++k) {
    const QRect r = stacked ? QRect(0, k * fh, fw, fh) : QRect(k * fw, 0, fw, fh);
    p.save();
    p.setClipRect(r);
    draw(p, r, k);
    p.restore();
  }
  return image;
}

void Gradient(QPainter& p, const QRect& r, const QColor& top, const QColor& bottom, bool across) {
  QLinearGradient g(r.topLeft(), across ? r.topRight() : r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(r, g);
}

void RoundedBox(QPainter& p, const QRect& r, const QColor& top, const QColor& bottom,
                const QColor& outline, int radius) {
  QPainterPath path;
  path.addRoundedRect(QRectF(r).adjusted(0, 0, -1, -1), radius, radius);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.setPen(QPen(outline, 1));
  p.setBrush(g);
  p.drawPath(path);
}

void Arrow(QPainter& p, QPoint c, int dir, int h, const QColor& colour) {
  QPolygon poly;
  switch (dir) {
    case 0: poly << QPoint(c.x() - h / 2, c.y()) << QPoint(c.x() + h / 2, c.y() - h) << QPoint(c.x() + h / 2, c.y() + h); break;
    case 1: poly << QPoint(c.x() + h / 2, c.y()) << QPoint(c.x() - h / 2, c.y() - h) << QPoint(c.x() - h / 2, c.y() + h); break;
    case 2: poly << QPoint(c.x(), c.y() - h / 2) << QPoint(c.x() - h, c.y() + h / 2) << QPoint(c.x() + h, c.y() + h / 2); break;
    default: poly << QPoint(c.x(), c.y() + h / 2) << QPoint(c.x() - h, c.y() - h / 2) << QPoint(c.x() + h, c.y() - h / 2); break;
  }
  p.setPen(colour);
  p.setBrush(colour);
  p.drawPolygon(poly);
}

void CaptionGlyph(QPainter& p, const QRect& r, int glyph, const QColor& c) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(c, 2));
  const QRect g = r.adjusted(r.width() / 4 + 1, r.height() / 4 + 1, -r.width() / 4 - 1, -r.height() / 4 - 1);
  switch (glyph) {
    case 0:
      p.drawLine(g.topLeft(), g.bottomRight());
      p.drawLine(g.topRight(), g.bottomLeft());
      break;
    case 1:
      p.drawRect(g.adjusted(0, 0, -1, -1));
      break;
    case 2:
      p.drawRect(g.adjusted(0, 3, -3, -1));
      p.setPen(QPen(c, 1));
      p.drawPolyline(QPolygon({QPoint(g.left() + 3, g.top() + 1), QPoint(g.left() + 3, g.top()),
                               QPoint(g.right(), g.top()), QPoint(g.right(), g.bottom() - 3),
                               QPoint(g.right() - 2, g.bottom() - 3)}));
      break;
    default:
      p.fillRect(QRect(g.left(), g.bottom() - 2, g.width(), 2), c);
      break;
  }
}

}  // namespace skindraw
