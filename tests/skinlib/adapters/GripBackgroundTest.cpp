// A skinned form's size grip stands on what lay beneath it: where the grip
// image is see-through, its whole square (its top row too) shows the form
// as it was painted without the grip; its dots lie exactly where the grip
// stands.
#include "ProviderFormTest.h"
#include "platform/Bitmap.h"
#include "skinlib/manager/sCommonData.h"

#include <QApplication>

using namespace platform;

namespace {

using GripBackgroundTest = ProviderFormTest;

TEST_F(GripBackgroundTest, TheGripsSeeThroughPixelsShowTheFormBeneath) {
  ASSERT_NO_FATAL_FAILURE(Activate());
  TsSkinProvider* provider = new TsSkinProvider(form.get());
  form->show();
  QApplication::processEvents();
  provider->PaintAll();
  const Bitmap bare = *provider->SkinData()->CacheBitmap;
  provider->SetGripMode(TsGripMode::gmRightBottom);
  provider->PaintAll();
  const Bitmap& withGrip = *provider->SkinData()->CacheBitmap;
  const int size = testskins::kFormGrip;
  const TPoint at = provider->GripPosition(size, size);
  const TColor dot = 0x6E5A50;  // the grip's dots (80, 90, 110)
  int dots = 0, beneath = 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const TColor c = withGrip.GetPixel(at.X + x, at.Y + y);
      if (c == dot) {
        ++dots;
        continue;
      }
      EXPECT_EQ(c, bare.GetPixel(at.X + x, at.Y + y)) << x << "," << y;
      ++beneath;
    }
  EXPECT_GT(dots, 0);
  EXPECT_GT(beneath, 0);
}

// The grip's top right dot covers the image's columns 8 to 10 of its first
// row, exactly there in the form's picture; column 11 is see-through.
TEST_F(GripBackgroundTest, TheGripsDotsSitAtTheGripsPosition) {
  ASSERT_NO_FATAL_FAILURE(Activate());
  TsSkinProvider* provider = new TsSkinProvider(form.get());
  provider->SetGripMode(TsGripMode::gmRightBottom);
  form->show();
  provider->PaintAll();
  const TPoint at = provider->GripPosition(testskins::kFormGrip, testskins::kFormGrip);
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  for (int x = 7; x <= 11; ++x) EXPECT_EQ(cache.GetPixel(at.X + x, at.Y) == 0x6E5A50, x >= 8 && x <= 10) << x;
}

}  // namespace
