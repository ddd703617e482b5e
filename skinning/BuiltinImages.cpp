#include "skinning/BuiltinImages.h"

#include <QImage>

namespace skinning {

platform::Bitmap BuiltinImage(const QString& name) {
  static const QStringList kNames = {QStringLiteral("TRACK"), QStringLiteral("TRACKVERT"),
                                     QStringLiteral("SKINMENU"), QStringLiteral("CHECK")};
  if (!kNames.contains(name)) return {};
  QImage image(QStringLiteral(":/skinning/") + name + QStringLiteral(".bmp"));
  if (image.isNull()) return {};
  return platform::Bitmap::FromQImage(image, image.depth() == 1 ? platform::pf1bit : platform::pfDevice);
}

}  // namespace skinning
