// Graphic children (labels) painted for a skinned control whose section
// has a gradient: the control's own cache shows behind them.
#include "skinlib/adapters/AdapterUtils.h"

#include "SkinnedAdapterTest.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/ButtonSkin.h"

#include <QApplication>
#include <QLabel>

using namespace platform;

namespace {

class GraphicChildBackgroundTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(Activate(testskins::ButtonSkin(), "Buttons")); }
  void TearDown() override { Finish(); }
};

TEST_F(GraphicChildBackgroundTest, TheControlsGradientCacheShowsBehindALabel) {
  form.resize(200, 120);
  auto* panel = new QWidget(&form);
  panel->setGeometry(0, 0, 160, 100);
  auto* label = new QLabel(QString(), panel);  // no text: only its background
  label->setGeometry(20, 30, 60, 40);
  form.show();
  QApplication::processEvents();
  TsCommonData data(panel);  // the program's control behind the panel
  data.SetSkinManager(manager.get());
  data.SetSkinSection("GROUPBOX");
  auto adapter = TacMainWnd::Create<TacMainWnd>(panel, &data, manager.get(), "GROUPBOX", true);
  ASSERT_TRUE(adapter);
  commondata::RepaintCache(panel, *adapter->SkinData());  // the control's cache, as its painting makes it
  const Bitmap* cache = adapter->SkinData()->CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  ASSERT_NE(cache->GetPixel(25, 32), cache->GetPixel(25, 68)) << "the section shades from top to bottom";
  Bitmap target(160, 100, pf24bit);
  target.Fill(qRgb(0x33, 0x33, 0x33));
  PaintGraphicChildren(target.GetCanvas(), panel, {0, 0});
  for (const TPoint p : {TPoint{25, 32}, TPoint{50, 50}, TPoint{75, 68}})
    EXPECT_EQ(target.GetPixel(p.X, p.Y), cache->GetPixel(p.X, p.Y)) << p.X << "," << p.Y;
  UninstallAdapter(true, false, adapter);
}

}  // namespace
