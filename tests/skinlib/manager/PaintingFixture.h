// What the painting toolbox's tests share: the painting skin loaded by a
// manager, masks found by section and name, variants of a mask made by
// hand, bitmaps filled with a known background, and the pixels that
// changed.
#pragma once

#include "ManagerFixture.h"
#include "platform/Bitmap.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SkinRecords.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace painting {

// The background every test bitmap starts with (alpha 77 shows whether a
// routine touched a 32-bit pixel's alpha).
inline constexpr QRgb kBackground = qRgba(1, 2, 3, 77);

inline platform::Bitmap Filled(int w, int h, platform::TPixelFormat format, QRgb argb = kBackground) {
  platform::Bitmap b(w, h, format);
  b.Fill(argb);
  return b;
}

// A mask record like `m`, sharing its picture (none of its own: the
// variant reads the master bitmap unless `m` had a bitmap, which the
// variant then borrows through a copy).
inline TsMaskData Variant(const TsMaskData& m) {
  TsMaskData v = MaskWithoutPicture(m);
  if (m.Bmp) v.Bmp = std::make_unique<platform::Bitmap>(*m.Bmp);
  return v;
}

// The damaged skins that load and whose masks the painters must survive
// (rectangles past the master bitmap, margins of 9000, no states, no
// layers).
inline constexpr testskins::SkinDamage kPaintedDamages[] = {
    testskins::SkinDamage::MaskOutsideBitmap, testskins::SkinDamage::HugeMargins,
    testskins::SkinDamage::ImageCountZero, testskins::SkinDamage::MaskTypeMinusOne};

inline std::string Show(const platform::TRect& r) {
  std::ostringstream s;
  s << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
  return s.str();
}

inline std::string ShowArgb(QRgb c) {
  std::ostringstream s;
  s << "argb(" << qAlpha(c) << ", " << qRed(c) << ", " << qGreen(c) << ", " << qBlue(c) << ")";
  return s.str();
}

// The number of pixels (alpha included) that differ between two bitmaps
// of one size outside `keep` (an empty keep: everywhere).
inline int ChangedOutside(const platform::Bitmap& before, const platform::Bitmap& after, const platform::TRect& keep) {
  int n = 0;
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x)
      if (!keep.Contains(x, y) && before.GetArgb(x, y) != after.GetArgb(x, y)) ++n;
  return n;
}

}  // namespace painting

// The painting skin read by a manager of its own, for each test.
class PaintingSkinTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    WriteFolder(testskins::PaintingSkin(), QStringLiteral("Painting"));
    sm = Manager(QStringLiteral("Painting"));
    ASSERT_TRUE(sm->SkinData->Active);
  }
  void TearDown() override {
    sm.reset();
    ManagerTest::TearDown();
  }
  const TsMaskData& Mask(const char* section, const char* name = "BORDERSMASK") {
    const int i = sm->IndexOfMask(QString::fromLatin1(section), QString::fromLatin1(name));
    EXPECT_GE(i, 0) << section << " " << name;
    return sm->MaskData.at(size_t(std::max(i, 0)));
  }

  std::unique_ptr<TsSkinManager> sm;
};
