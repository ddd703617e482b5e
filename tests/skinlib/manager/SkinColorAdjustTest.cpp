// A skin's colours turned by the manager's HueOffset and Saturation: the
// colour functions, then whole skins read with them, the title icons that
// keep their hue, and loads that start from the unchanged pictures.
#include "skinlib/manager/SkinColorAdjust.h"

#include "PaintingFixture.h"
#include "platform/Startup.h"
#include "skinlib/manager/SkinColors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>

using namespace painting;
using platform::Bitmap;
using platform::RGB;
using platform::TColor;

TEST(SkinColors, HueTurnsRoundTheWheel) {
  const struct {
    TColor color;
    int delta;
    TColor result;
  } cases[] = {
      {RGB(255, 0, 0), 120, RGB(0, 255, 0)},       {RGB(255, 0, 0), 240, RGB(0, 0, 255)},
      {RGB(255, 0, 0), -120, RGB(0, 0, 255)},      {RGB(0, 0, 128), 120, RGB(128, 0, 0)},
      {RGB(200, 100, 50), 360, RGB(200, 100, 50)}, {RGB(200, 100, 50), 0, RGB(200, 100, 50)},
      {RGB(200, 100, 50), 60, RGB(150, 200, 50)},  {RGB(200, 100, 50), 720 + 30, RGB(200, 175, 50)},
      {RGB(77, 77, 77), 90, RGB(77, 77, 77)},      {RGB(0, 0, 0), 45, RGB(0, 0, 0)},
      {RGB(255, 0, 255), 120, RGB(255, 255, 0)},   {RGB(10, 0, 5), 1, RGB(10, 0, 5)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChangeColorHue(c.delta, c.color), c.result) << std::hex << c.color << " by " << std::dec << c.delta;
  // System colours are resolved first.
  EXPECT_EQ(ChangeColorHue(30, platform::clBtnFace), ChangeColorHue(30, platform::ColorToRGB(platform::clBtnFace)));
  EXPECT_EQ(ChangeColorHue(INT32_MAX, RGB(255, 0, 0)), ChangeColorHue(INT32_MAX % 360, RGB(255, 0, 0)));
}

TEST(SkinColors, MixColorsWeighsTheFirstByKAndKeepsItsHighByte) {
  const struct {
    TColor c1, c2;
    double k;
    TColor result;
  } cases[] = {
      {RGB(255, 255, 255), RGB(0, 0, 0), 0.4, RGB(102, 102, 102)},
      {RGB(0, 0, 0), RGB(255, 255, 255), 0.4, RGB(153, 153, 153)},
      {RGB(10, 20, 30), RGB(200, 100, 0), 1, RGB(10, 20, 30)},
      {RGB(10, 20, 30), RGB(200, 100, 0), 0, RGB(200, 100, 0)},
      {RGB(1, 0, 0), RGB(0, 0, 0), 0.5, RGB(0, 0, 0)},      // 0.5 rounds to even
      {RGB(3, 0, 0), RGB(0, 0, 0), 0.5, RGB(2, 0, 0)},      // 1.5 rounds to even
      {RGB(200, 0, 0), RGB(0, 0, 0), 2, RGB(255, 0, 0)},    // held within a byte
      {RGB(0, 0, 200), RGB(0, 0, 100), -1, RGB(0, 0, 0)},
      {RGB(10, 20, 30), RGB(200, 100, 0), std::nan(""), RGB(200, 100, 0)},
      {TColor(0x01000000u | RGB(100, 0, 0)), RGB(0, 0, 0), 0.5, TColor(0x01000000u | RGB(50, 0, 0))},
      {RGB(100, 0, 0), TColor(0x02000000u), 0.5, RGB(50, 0, 0)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MixColors(c.c1, c.c2, c.k), c.result) << std::hex << c.c1 << " " << c.c2 << " " << c.k;
}

namespace {

// The hue turn as its formula reads, in doubles with the library's own
// rounding calls: the fast rounding must give the same colour everywhere.
TColor HueByTheFormula(int delta, TColor color) {
  const int r = platform::GetRValue(color), g = platform::GetGValue(color), b = platform::GetBValue(color);
  const int mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
  const double s = mx == 0 ? 0 : double(d) / mx, v = mx;
  if (s == 0) return RGB(mx, mx, mx);
  const double f60 = 60.0 / d;
  double h = r == mx ? (g - b) * f60 : g == mx ? 120 + (b - r) * f60 : 240 + (r - g) * f60;
  if (h < 0) h += 360;
  double t = std::fmod(std::nearbyint(h + delta), 360.0);
  if (t < 0) t += 360;
  const int hue = int(t), i = hue / 60;
  const double f = hue / 60.0 - i;
  auto byte = [](double x) { return int(std::nearbyint(std::clamp(x, 0.0, 255.0))); };
  const int p = byte((1 - s) * v), q = byte((1 - s * f) * v), tt = byte((1 - (1 - f) * s) * v);
  const int rgb[6][3] = {{mx, tt, p}, {q, mx, p}, {p, mx, tt}, {p, q, mx}, {tt, p, mx}, {mx, p, q}};
  return RGB(rgb[i][0], rgb[i][1], rgb[i][2]);
}

}  // namespace

TEST(SkinColors, HueAgreesWithItsFormulaEverywhere) {
  std::mt19937 random(114);
  const int deltas[] = {1, 7, 59, 60, 119, 120, 180, 359, -1, -61, -200, 721, -1079, 100000, INT32_MAX, INT32_MIN + 1};
  for (int k = 0; k < 40000; ++k) {
    const TColor c = TColor(random() & 0xFFFFFF);
    const int delta = deltas[k % std::size(deltas)];
    ASSERT_EQ(ChangeColorHue(delta, c), HueByTheFormula(delta, c)) << std::hex << c << std::dec << " by " << delta;
  }
}

TEST(SkinColors, SaturationTowardsOrAwayFromGrey) {
  const struct {
    TColor color;
    int percent;
    TColor result;
  } cases[] = {
      {RGB(10, 20, 31), 100, RGB(20, 20, 20)},  // the average, 20.33
      {RGB(10, 20, 31), 0, RGB(10, 20, 31)},
      {RGB(0, 0, 3), 50, RGB(0, 0, 2)},         // 0.5 -> 0, 0.5 -> 0, 2
      {RGB(0, 0, 9), 50, RGB(2, 2, 6)},         // 1.5 -> 2
      {RGB(100, 150, 200), -100, RGB(50, 150, 250)},
      {RGB(0, 128, 255), -100, RGB(0, 128, 255)},  // kept within a byte: -127, 128, 382
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChangeColorSaturation(c.color, c.percent), c.result) << std::hex << c.color << " " << std::dec << c.percent;
  EXPECT_EQ(ChangeColorSaturation(platform::clBtnFace, 0), platform::clBtnFace);
}

class SkinColorAdjustTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    platform::StartUnit("SkinColorAdjust");
  }
  void TearDown() override {
    platform::FinishUnit("SkinColorAdjust");
    ManagerTest::TearDown();
  }

  // The painting skin with BIKEEPHUE `keep`, read with the given hue and
  // saturation.
  std::unique_ptr<TsSkinManager> Read(int keep, int hue, int saturation) {
    testskins::TestSkin skin = testskins::PaintingSkin();
    skin.Name = QStringLiteral("Keep%1").arg(keep);
    skin.Section(QStringLiteral("GLOBALINFO")).Put(QStringLiteral("BIKEEPHUE"), keep);
    WriteFolder(skin, skin.Name);
    auto manager = std::make_unique<TsSkinManager>();
    manager->SetHueOffset(hue);
    manager->SetSaturation(saturation);
    manager->SetSkinDirectory(Root());
    manager->SetSkinName(skin.Name);
    EXPECT_TRUE(manager->SkinData->Active);
    return manager;
  }
  static const TsGeneralData& Section(const TsSkinManager& m, const char* name) {
    return m.GeneralData.at(size_t(m.IndexOfSection(QString::fromLatin1(name))));
  }
  static const TsMaskData& MaskOf(const TsSkinManager& m, const char* section, const char* name) {
    return m.MaskData.at(size_t(m.IndexOfMask(QString::fromLatin1(section), QString::fromLatin1(name))));
  }
  // Whether the picture of a mask (in the master bitmap or its own) is
  // the same in both managers.
  static bool SamePicture(const TsSkinManager& a, const TsSkinManager& b, const char* section, const char* name) {
    const TsMaskData& ma = MaskOf(a, section, name);
    const TsMaskData& mb = MaskOf(b, section, name);
    const Bitmap& pa = ma.Bmp ? *ma.Bmp : *a.MasterBitmap;
    const Bitmap& pb = mb.Bmp ? *mb.Bmp : *b.MasterBitmap;
    for (int y = ma.R.Top; y < ma.R.Bottom; ++y)
      for (int x = ma.R.Left; x < ma.R.Right; ++x)
        if (pa.GetArgb(x, y) != pb.GetArgb(x, y)) return false;
    return true;
  }
};

// Hue 120: red sections turn green, font colours of -1 stay, gradient
// stops and the skin-wide colours turn; the master bitmap's magenta and
// grey pixels stay, every other pixel is ChangeColorHue's.
TEST_F(SkinColorAdjustTest, HueOffsetTurnsTheWholeSkin) {
  const auto plain = Read(0, 0, 0);
  const auto turned = Read(0, 120, 0);
  const TsGeneralData& before = Section(*plain, "CORNERS");
  const TsGeneralData& after = Section(*turned, "CORNERS");
  EXPECT_EQ(before.Color, RGB(255, 0, 0));
  EXPECT_EQ(after.Color, RGB(0, 255, 0));
  EXPECT_EQ(after.HotColor, ChangeColorHue(120, before.HotColor));
  EXPECT_EQ(after.FontColor[0], RGB(128, 0, 0));
  EXPECT_EQ(after.FontColor[1], -1);
  ASSERT_EQ(after.GradientArray.size(), 2u);
  EXPECT_EQ(after.GradientArray[0].Color1, RGB(0, 255, 0));
  EXPECT_EQ(after.GradientArray[1].Color2, ChangeColorHue(120, before.GradientArray[1].Color2));
  EXPECT_EQ(turned->SkinData->Shadow1Color, ChangeColorHue(120, plain->SkinData->Shadow1Color));
  EXPECT_EQ(turned->SkinData->BorderColor, ChangeColorHue(120, plain->SkinData->BorderColor));
  const Bitmap& a = *plain->MasterBitmap;
  const Bitmap& b = *turned->MasterBitmap;
  ASSERT_EQ(a.Width(), b.Width());
  int magenta = 0, grey = 0, changed = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const QRgb p = a.GetArgb(x, y);
      if (p == qRgb(255, 0, 255) || (qRed(p) == qGreen(p) && qGreen(p) == qBlue(p))) {
        (p == qRgb(255, 0, 255) ? magenta : grey) += 1;
        ASSERT_EQ(b.GetArgb(x, y), p) << x << "," << y;
        continue;
      }
      ASSERT_EQ(platform::FromQRgb(b.GetArgb(x, y)), ChangeColorHue(120, platform::FromQRgb(p))) << x << "," << y;
      ++changed;
    }
  EXPECT_GT(magenta, 0);
  EXPECT_GT(grey, 0);
  EXPECT_GT(changed, 0);
  // Masks of their own turn too (but the kept icons, BIKEEPHUE being 0 here).
  EXPECT_FALSE(SamePicture(*plain, *turned, "OWNFILE", "BORDERSMASK"));
  EXPECT_FALSE(SamePicture(*plain, *turned, "GLOBALINFO", "SICONCLOSE"));
}

// BIKEEPHUE 1 keeps every title icon and the close glow; 2 only the two
// close icons (and the glow); 0 none.
TEST_F(SkinColorAdjustTest, TitleIconsKeepTheirHue) {
  const auto plain = Read(0, 0, 0);
  const char* all[] = {"BICONCLOSE", "SICONCLOSE", "BICONMAX", "BICONMIN", "BICONNORM",
                       "BICONHELP",  "SICONMAX",   "SICONMIN", "SICONNORM", "BICONCLOSEGLOW0"};
  const std::map<int, std::set<std::string>> kept{
      {0, {}},
      {1, {std::begin(all), std::end(all)}},
      {2, {"BICONCLOSE", "SICONCLOSE", "BICONCLOSEGLOW0"}},
  };
  for (const auto& [keep, names] : kept) {
    SCOPED_TRACE(keep);
    const auto turned = Read(keep, 120, 0);
    for (const char* name : all)
      EXPECT_EQ(SamePicture(*plain, *turned, "GLOBALINFO", name), names.count(name) == 1) << name;
    EXPECT_FALSE(SamePicture(*plain, *turned, "TILED", "BORDERSMASK"));
  }
}

// Saturation: percent (-value) rem 101; -100 makes the skin grey, 100
// moves it away from grey, 150 is -49.
TEST_F(SkinColorAdjustTest, SaturationOfTheWholeSkin) {
  const auto plain = Read(0, 0, 0);
  const TColor red = Section(*plain, "CORNERS").Color;
  for (int value : {-100, 100, 150, -150, 35}) {
    SCOPED_TRACE(value);
    const auto changed = Read(0, 0, value);
    const int percent = -value % 101;
    EXPECT_EQ(Section(*changed, "CORNERS").Color, ChangeColorSaturation(red, percent));
    EXPECT_EQ(Section(*changed, "CORNERS").FontColor[1], -1);
    const Bitmap& a = *plain->MasterBitmap;
    const Bitmap& b = *changed->MasterBitmap;
    for (int y = 0; y < a.Height(); y += 3)
      for (int x = 0; x < a.Width(); x += 3) {
        const QRgb p = a.GetArgb(x, y);
        const bool kept = p == qRgb(255, 0, 255) || (qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
        const TColor want = kept ? platform::FromQRgb(p) : ChangeColorSaturation(platform::FromQRgb(p), percent);
        ASSERT_EQ(platform::FromQRgb(b.GetArgb(x, y)), want) << x << "," << y;
      }
  }
  const auto grey = Read(0, 0, -100);
  EXPECT_EQ(Section(*grey, "CORNERS").Color, RGB(85, 85, 85));
  EXPECT_EQ(-150 % 101, -49);  // the rule the percent follows
}

// Every load starts from the skin's unchanged pictures: a hue set twice
// turns once, and hue 0 gives the skin back.
TEST_F(SkinColorAdjustTest, EveryLoadStartsFromTheUnchangedSkin) {
  const auto plain = Read(0, 0, 0);
  auto m = Read(0, 0, 0);
  m->SetHueOffset(120);
  m->SetSaturation(-30);
  m->SetSaturation(-30);
  const auto once = Read(0, 120, -30);
  EXPECT_TRUE(SamePicture(*m, *once, "TILED", "BORDERSMASK"));
  EXPECT_EQ(Section(*m, "CORNERS").Color, Section(*once, "CORNERS").Color);
  m->SetHueOffset(0);
  m->SetSaturation(0);
  EXPECT_TRUE(SamePicture(*m, *plain, "TILED", "BORDERSMASK"));
  EXPECT_EQ(Section(*m, "CORNERS").Color, RGB(255, 0, 0));
  // Hue first, then saturation.
  const TColor red = RGB(255, 0, 0);
  EXPECT_EQ(Section(*once, "CORNERS").Color, ChangeColorSaturation(ChangeColorHue(120, red), 30));
}

// Without the unit's start the manager's seam is empty: the skin keeps
// its colours whatever the settings.
TEST_F(ManagerTest, WithoutTheUnitTheSkinKeepsItsColours) {
  WriteFolder(testskins::PaintingSkin(), QStringLiteral("Painting"));
  auto manager = std::make_unique<TsSkinManager>();
  manager->SetHueOffset(120);
  manager->SetSkinDirectory(Root());
  manager->SetSkinName(QStringLiteral("Painting"));
  EXPECT_EQ(manager->GeneralData.at(size_t(manager->IndexOfSection("CORNERS"))).Color, RGB(255, 0, 0));
}
