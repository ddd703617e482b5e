// A caption plate whose texture has see-through (key colour) pixels shows
// the title exactly where it lies under the plate, not shifted.
#include "ProviderFormTest.h"
#include "platform/Bitmap.h"
#include "skinlib/adapters/ProviderLayout.h"
#include "skinlib/manager/sCommonData.h"

#include <QApplication>
#include <QImage>

using namespace platform;

namespace {

// The form skin with a title shading from white at the top to black at the
// bottom, under a caption plate textured with a masked image of key colour
// only (the plate shows what lies under it).
testskins::TestSkin ShadedTitleSkin() {
  testskins::TestSkin skin = testskins::FormSkin();
  for (const char* prefix : {"", "HOT"})
    skin.Section(QStringLiteral("FORMTITLE"))
        .Put(QStringLiteral("%1GRADIENTPERCENT").arg(QLatin1String(prefix)), 100)
        .Put(QStringLiteral("%1GRADIENTDATA").arg(QLatin1String(prefix)), QStringLiteral("16777215;0;100;0;0"));
  QImage texture(8, 16, QImage::Format_RGB32);
  texture.fill(QColor(255, 0, 255));  // the image: key colour
  for (int y = 8; y < 16; ++y)
    for (int x = 0; x < 8; ++x) texture.setPixel(x, y, qRgb(0, 0, 0));  // its mask
  const QRect placed = skin.Place(texture);
  for (const char* prefix : {"", "HOT"})
    skin.Section(QStringLiteral("CAPTION"))
        .Put(QStringLiteral("%1IMAGEPERCENT").arg(QLatin1String(prefix)), 100)
        .Put(QStringLiteral("%1PATTERN").arg(QLatin1String(prefix)), testskins::TextureValue(placed, 0, 1));
  return skin;
}

using CaptionPlateTest = ProviderFormTest;

TEST_F(CaptionPlateTest, ASeeThroughPlateShowsTheTitleRightUnderIt) {
  ASSERT_NO_FATAL_FAILURE(Activate(ShadedTitleSkin()));
  TsSkinProvider* provider = new TsSkinProvider(form.get());
  form->setWindowTitle(QString());
  form->show();
  QApplication::processEvents();
  provider->PaintAll();
  const Bitmap bare = *provider->SkinData()->CacheBitmap;  // no text, no plate
  form->setWindowTitle(QStringLiteral("Plate"));
  provider->PaintAll();
  const Bitmap& plated = *provider->SkinData()->CacheBitmap;
  const TacTitleLayout l = provider->Layout();
  // The title shades from top to bottom where the plate lies.
  const int x = l.CaptionRect.Left - 2;  // inside the plate, left of the text
  ASSERT_NE(bare.GetPixel(x, l.CaptionRect.Top + 2), bare.GetPixel(x, l.CaptionRect.Bottom - 2));
  for (int y = l.CaptionRect.Top; y < l.CaptionRect.Bottom; ++y)
    EXPECT_EQ(plated.GetPixel(x, y), bare.GetPixel(x, y)) << y;
}

}  // namespace
