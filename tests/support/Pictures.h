// Reference pictures of painted controls: PNG files kept with the tests;
// what can be read in a combo box's picture.
#pragma once

#include "support/History.h"

#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <gtest/gtest.h>

#include <algorithm>
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

// The pixels of a combo box's text field (where its style lays it out) in
// the box's picture that are far from the box's colour: none where nothing
// can be read.
inline int ComboTextPixels(const QComboBox* combo, const QImage& picture) {
  QStyleOptionComboBox option;
  option.initFrom(combo);
  option.frame = combo->hasFrame();
  const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
  const QColor box = combo->palette().color(QPalette::Base);
  int far = 0;
  for (int y = field.top(); y <= field.bottom(); ++y)
    for (int x = field.left(); x <= field.right(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      far += std::max({std::abs(c.red() - box.red()), std::abs(c.green() - box.green()),
                       std::abs(c.blue() - box.blue())}) > 24;
    }
  return far;
}

}  // namespace testsupport
