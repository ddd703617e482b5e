// Reference pictures of painted controls: PNG files kept with the tests.
#pragma once

#include "support/History.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace testsupport {

// Compares a painted picture with the reference `file` (a path below the
// source folder) pixel for pixel. A difference is reported with its count and
// box, and the painted picture is left under the file's name in the working
// folder for a look. With SSQ_WRITE_PICTURES set the reference is written.
inline void ExpectPicture(const QImage& painted, const std::string& file) {
  const QImage image = painted.convertToFormat(QImage::Format_RGB32);
  const QString path = QString::fromStdString(SourceDir() + "/" + file);
  if (std::getenv("SSQ_WRITE_PICTURES")) {
    EXPECT_TRUE(image.save(path)) << file;
    return;
  }
  const QImage want = QImage(path).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(image.size(), want.size()) << file;
  int differ = 0;
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != want.pixel(x, y)) {
        ++differ;
        box |= QRect(x, y, 1, 1);
      }
  if (differ > 0) image.save(path.section('/', -1));
  EXPECT_EQ(differ, 0) << file << ": pixels differ in (" << box.left() << ", " << box.top() << ") - (" << box.right()
                       << ", " << box.bottom() << ")";
}

}  // namespace testsupport
