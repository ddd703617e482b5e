// Draws the sign-in dialog's pictures and writes them as PNG files with an
// alpha channel: ssq_make_login_pictures OUTPUT_FOLDER (app/res/login).
//   back.png      311 x 196  the dialog's background
//   user.png       20 x 20   beside the user name
//   lock.png       20 x 20   beside the password
//   exit.png       16 x 16   the close button
//   download.png   16 x 16   the update button
#include "platform/Bitmap.h"
#include "platform/Picture.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

namespace {

bool Write(const std::string& folder, const char* name, int w, int h,
           const std::function<void(QPainter&)>& paint) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
  }
  platform::Bitmap bitmap = platform::Bitmap::FromQImage(
      image.convertToFormat(QImage::Format_ARGB32), platform::pf32bit);
  std::string bytes, error;
  if (!platform::EncodePng(bitmap, bytes, error)) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    return false;
  }
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
  return true;
}

// A lottery ball: a shaded sphere with a highlight.
void Ball(QPainter& p, QPointF centre, double r, QColor colour) {
  QRadialGradient g(centre - QPointF(r / 3, r / 3), r * 1.3);
  g.setColorAt(0, colour.lighter(170));
  g.setColorAt(0.45, colour);
  g.setColorAt(1, colour.darker(160));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(centre, r, r);
}

void Back(QPainter& p) {
  // The red title band, then a light body with a soft blue foot.
  QLinearGradient band(0, 0, 0, 44);
  band.setColorAt(0, QColor(0xd6, 0x3a, 0x3a));
  band.setColorAt(1, QColor(0xa8, 0x1e, 0x1e));
  p.fillRect(0, 0, 311, 44, band);
  QLinearGradient body(0, 44, 0, 196);
  body.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
  body.setColorAt(1, QColor(0xdc, 0xe6, 0xf4));
  p.fillRect(0, 44, 311, 152, body);
  p.fillRect(0, 44, 311, 2, QColor(0xf2, 0xb8, 0x3a));  // gold edge under the band
  // Six red balls and a blue one in the band, between title and buttons.
  const double xs[] = {140, 157, 174, 191, 208, 225};
  for (double x : xs) Ball(p, {x, 22}, 7, QColor(0xe5, 0x39, 0x35));
  Ball(p, {244, 22}, 7, QColor(0x1e, 0x63, 0xd6));
  // Faint balls in the body's corner.
  p.setOpacity(0.12);
  Ball(p, {285, 170}, 34, QColor(0x1e, 0x63, 0xd6));
  Ball(p, {240, 190}, 22, QColor(0xe5, 0x39, 0x35));
  p.setOpacity(1);
  p.setPen(QColor(0x8e, 0x1b, 0x1b));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0.5, 0.5, 310, 195));
}

void User(QPainter& p) {
  const QColor blue(0x2a, 0x5c, 0xaa);
  p.setPen(Qt::NoPen);
  p.setBrush(blue);
  p.drawEllipse(QPointF(10, 6.5), 4.5, 4.5);
  QPainterPath body;
  body.moveTo(2, 19);
  body.cubicTo(2, 11, 18, 11, 18, 19);
  body.closeSubpath();
  p.drawPath(body);
}

void Lock(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x6b, 0x74, 0x80), 2.2));
  p.drawArc(QRectF(5.5, 2, 9, 11), 0, 180 * 16);
  p.drawLine(QPointF(5.5, 7.5), QPointF(5.5, 9));
  p.drawLine(QPointF(14.5, 7.5), QPointF(14.5, 9));
  QLinearGradient g(0, 9, 0, 19);
  g.setColorAt(0, QColor(0xf6, 0xc3, 0x4a));
  g.setColorAt(1, QColor(0xd1, 0x8b, 0x12));
  p.setPen(QPen(QColor(0x9c, 0x66, 0x0c), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(3.5, 9, 13, 10), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x5a, 0x3b, 0x06));
  p.drawEllipse(QPointF(10, 13.5), 1.6, 1.6);
}

// A round button on the red band: a translucent white disc and a white sign.
void Disc(QPainter& p) {
  p.setPen(QPen(QColor(255, 255, 255, 200), 1));
  p.setBrush(QColor(255, 255, 255, 60));
  p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
  p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Exit(QPainter& p) {
  Disc(p);
  p.drawLine(QPointF(5, 5), QPointF(11, 11));
  p.drawLine(QPointF(11, 5), QPointF(5, 11));
}

void Download(QPainter& p) {
  Disc(p);
  p.drawLine(QPointF(8, 3.5), QPointF(8, 11));
  p.drawPolyline(QPolygonF({QPointF(5, 8.5), QPointF(8, 11.5), QPointF(11, 8.5)}));
  p.drawLine(QPointF(4.5, 13), QPointF(11.5, 13));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  const std::string out = argv[1];
  bool ok = Write(out, "back.png", 311, 196, Back) && Write(out, "user.png", 20, 20, User) &&
            Write(out, "lock.png", 20, 20, Lock) && Write(out, "exit.png", 16, 16, Exit) &&
            Write(out, "download.png", 16, 16, Download);
  return ok ? 0 : 1;
}
