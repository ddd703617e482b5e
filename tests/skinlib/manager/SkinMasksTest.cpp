// Masks and patterns of a skin: every value form with its columns, files
// from a folder and from a package, JPEG pictures by size, stored skins
// without packed data, and the margin rule for masks without states or
// layers.
#include "ManagerFixture.h"

#include "platform/DelphiRtl.h"
#include "skinlib/manager/SkinMasks.h"
#include "tools/skindraw/SkinDrawing.h"

#include <QImage>
#include <QPainter>

#include <optional>

using namespace testskins;
using platform::TRect;

namespace {

const TsMaskData* FindMask(const TsSkinManager& sm, const char* section, const char* name) {
  const int i = sm.IndexOfMask(QString::fromLatin1(section), QString::fromLatin1(name));
  return i < 0 ? nullptr : &sm.MaskData[size_t(i)];
}

// The demo skin with one section holding a value of every form, as the
// forms' own examples give them.
TestSkin ExampleSkin() {
  TestSkin skin = DemoSkin();
  skin.Name = QStringLiteral("Examples");
  skin.Section(QStringLiteral("Examples"))
      .Set(QStringLiteral("Texture"), QStringLiteral("~0010 0020 0110 0120 01"))
      .Set(QStringLiteral("TextureMasked"), QStringLiteral("~0010 0020 0110 0120 01 1"))
      .Set(QStringLiteral("Glyph"), QStringLiteral("@0000 0000 0048 0016 3 1"))
      .Set(QStringLiteral("Border"), QStringLiteral("^0000 0000 0090 0060 0000 0000 0000 0000 3 1 0 0"))
      .Set(QStringLiteral("BorderMargins"), QStringLiteral("^0000 0000 0090 0060 0001 0002 0003 0004 3 1 2 7"))
      .Set(QStringLiteral("BorderWidth"), QStringLiteral("^0000 0000 0090 0060 0000 0000 0000 0000 3 1 0 6"))
      .Set(QStringLiteral("Hash"), QStringLiteral("#(0,0,30,20)(1,0,5)"))
      .Set(QStringLiteral("HashClamped"), QStringLiteral("#(0,0,30,21)(0,-2,-1)"))
      .Set(QStringLiteral("HashFull"), QStringLiteral("#(0,0,90,60)(3,1,0,2)"))
      .Set(QStringLiteral("HashAlone"), QStringLiteral("#"))
      .Set(QStringLiteral("PngFile"), QStringLiteral("!FRAME.PNG!3!1!9"))
      .Set(QStringLiteral("LowerCaseFile"), QStringLiteral("!frame.bmp!3!1!0"))
      .Set(QStringLiteral("OwnMargins"), QStringLiteral("!GLYPH.BMP!3!0!2!1!2!3!4"))
      .Set(QStringLiteral("NegativeType"), QStringLiteral("!GLYPH.BMP!3!0!-2"))
      .Set(QStringLiteral("TextureFile"), QStringLiteral("!GLYPH.BMP!1!0!1"))
      .Set(QStringLiteral("MissingFile"), QStringLiteral("!NONE.BMP!3!1!0"))
      .Set(QStringLiteral("BmpFile"), QStringLiteral("edge.bmp"))
      .Set(QStringLiteral("HugeRect"), QStringLiteral("#(-2000000000,0,2000000000,20)(99999,-5,99999)"))
      .Set(QStringLiteral("NegativeLeft"), QStringLiteral("~-999 0020 0110 0120 01"))
      .Set(QStringLiteral("MarginsOutside"), QStringLiteral("^0000 0000 0090 0060 9999 -999 0050 0070 3 1 0 0"))
      .Set(QStringLiteral("OwnHuge"), QStringLiteral("!GLYPH.BMP!99999!-7!2!9999!-9999!5!99999"))
      .Set(QStringLiteral("Number"), QStringLiteral("16777215"));
  return skin;
}

struct MaskCase {
  const char* key;
  bool present;
  const char* section;  // the names as stored
  const char* name;
  TRect r;
  int imageCount, maskType, borderWidth, drawMode;
  TacImgType type;
  int wl, wt, wr, wb;
  bool ownBitmap;
};

const MaskCase kMaskCases[] = {
    {"Texture", true, "Examples", "Texture", {10, 20, 110, 120}, 1, 0, 0, 1, itisaTexture, 0, 0, 0, 0, false},
    {"TextureMasked", true, "Examples", "TextureMasked", {10, 20, 110, 120}, 1, 1, 0, 1, itisaTexture, 0, 0, 0, 0, false},
    {"Glyph", true, "Examples", "Glyph", {0, 0, 48, 16}, 3, 1, 0, 0, itisaGlyph, 0, 0, 0, 0, false},
    // 90 div 9 and 60 div 6.
    {"Border", true, "Examples", "Border", {0, 0, 90, 60}, 3, 1, 0, 0, itisaBorder, 10, 10, 10, 10, false},
    {"BorderMargins", true, "Examples", "BorderMargins", {0, 0, 90, 60}, 3, 1, 7, 2, itisaBorder, 1, 2, 3, 4, false},
    {"BorderWidth", true, "Examples", "BorderWidth", {0, 0, 90, 60}, 3, 1, 6, 0, itisaBorder, 6, 6, 6, 6, false},
    {"Hash", true, "EXAMPLES", "HASH", {0, 0, 30, 20}, 1, 0, 5, 1, itisaBorder, 5, 5, 5, 5, false},
    {"HashClamped", true, "EXAMPLES", "HASHCLAMPED", {0, 0, 30, 21}, 1, 0, 0, 1, itisaBorder, 10, 7, 10, 7, false},
    {"HashFull", true, "EXAMPLES", "HASHFULL", {0, 0, 90, 60}, 3, 1, 0, 2, itisaBorder, 10, 10, 10, 10, false},
    {"HashAlone", false, "", "", {}, 0, 0, 0, 0, itisaBorder, 0, 0, 0, 0, false},
    // FRAME.PNG is 72 x 48; type 9 is the last type.
    {"PngFile", true, "Examples", "PngFile", {0, 0, 72, 48}, 3, 1, 0, 4, itisaPngGlyph, 8, 8, 8, 8, true},
    {"LowerCaseFile", false, "", "", {}, 0, 0, 0, 0, itisaBorder, 0, 0, 0, 0, false},
    // GLYPH.BMP is 36 x 12.
    {"OwnMargins", true, "Examples", "OwnMargins", {0, 0, 36, 12}, 3, 0, 0, 4, itisaGlyph, 1, 2, 3, 4, true},
    {"NegativeType", true, "Examples", "NegativeType", {0, 0, 36, 12}, 3, 0, 0, 4, itisaBorder, 4, 4, 4, 4, true},
    {"TextureFile", true, "Examples", "TextureFile", {0, 0, 36, 12}, 1, 0, 0, 4, itisaTexture, 12, 4, 12, 4, true},
    {"MissingFile", false, "", "", {}, 0, 0, 0, 0, itisaBorder, 0, 0, 0, 0, false},
    // EDGE.BMP is 54 x 36: three states over their masks.
    {"BmpFile", true, "EXAMPLES", "BMPFILE", {0, 0, 54, 36}, 3, 1, 0, 0, itisaBorder, 6, 6, 6, 6, true},
    {"Number", false, "", "", {}, 0, 0, 0, 0, itisaBorder, 0, 0, 0, 0, false},
    // Numbers past their ranges stop at the ends: edges in 0..32767, counts
    // within the picture, margins within a state (1 x 20, 30 x 30, 1 x 12).
    {"HugeRect", true, "EXAMPLES", "HUGERECT", {0, 0, 32767, 20}, 32767, 0, 20, 1, itisaBorder, 1, 20, 1, 20, false},
    {"NegativeLeft", true, "Examples", "NegativeLeft", {0, 20, 110, 120}, 1, 0, 0, 1, itisaTexture, 0, 0, 0, 0, false},
    {"MarginsOutside", true, "Examples", "MarginsOutside", {0, 0, 90, 60}, 3, 1, 0, 0, itisaBorder, 30, 0, 30, 30, false},
    {"OwnHuge", true, "Examples", "OwnHuge", {0, 0, 36, 12}, 36, -1, 0, 4, itisaGlyph, 1, 0, 1, 12, true},
};

void ExpectMasks(const TsSkinManager& sm) {
  for (const MaskCase& c : kMaskCases) {
    SCOPED_TRACE(c.key);
    const TsMaskData* m = nullptr;
    for (const TsMaskData& candidate : sm.MaskData)
      if (candidate.PropertyName.compare(QString::fromLatin1(c.key), Qt::CaseInsensitive) == 0 &&
          candidate.ClassName.compare(QStringLiteral("Examples"), Qt::CaseInsensitive) == 0)
        m = &candidate;
    ASSERT_EQ(m != nullptr, c.present);
    if (!m) continue;
    EXPECT_EQ(m->ClassName, QString::fromLatin1(c.section));
    EXPECT_EQ(m->PropertyName, QString::fromLatin1(c.name));
    EXPECT_EQ(m->R, c.r);
    EXPECT_EQ(m->ImageCount, c.imageCount);
    EXPECT_EQ(m->MaskType, c.maskType);
    EXPECT_EQ(m->BorderWidth, c.borderWidth);
    EXPECT_EQ(m->DrawMode, c.drawMode);
    EXPECT_EQ(m->ImgType, c.type);
    EXPECT_EQ((std::array<int, 4>{m->WL, m->WT, m->WR, m->WB}), (std::array<int, 4>{c.wl, c.wt, c.wr, c.wb}));
    EXPECT_EQ(m->Bmp != nullptr, c.ownBitmap);
    EXPECT_EQ(m->Manager, &sm);
    if (m->Bmp) {
      EXPECT_EQ(m->Bmp->Width(), c.r.Right);
      // BMP files become 24-bit unless they are textures; PNG pictures keep alpha.
      EXPECT_EQ(m->Bmp->PixelFormat(), c.type == itisaPngGlyph ? platform::pf32bit : platform::pf24bit);
    }
  }
}

}  // namespace

// Each form's columns from a skin folder and from the same skin packed:
// files come from the folder through the path helper or from the
// package's entries by their upper-case names.
TEST_F(ManagerTest, EveryMaskFormFromAFolderAndFromAPackage) {
  const TestSkin skin = ExampleSkin();
  WriteFolder(skin, QStringLiteral("Examples"));
  WritePackage(skin, QStringLiteral("Packed.asz"));
  for (const char* name : {"Examples", "Packed"}) {
    SCOPED_TRACE(name);
    auto sm = Manager(QString::fromLatin1(name));
    ASSERT_TRUE(sm->Active() && sm->SkinData->Active);
    EXPECT_EQ(sm->IsPackage, QString::fromLatin1(name) == QStringLiteral("Packed"));
    ExpectMasks(*sm);
    // The master bitmap: 24 bits, key colour $FF00FF.
    ASSERT_TRUE(sm->MasterBitmap);
    EXPECT_EQ(sm->MasterBitmap->Width(), skin.Master.width());
    EXPECT_EQ(sm->MasterBitmap->PixelFormat(), platform::pf24bit);
    EXPECT_TRUE(sm->MasterBitmap->Transparent);
    EXPECT_EQ(sm->MasterBitmap->TransparentColor(), 0xFF00FF);
    EXPECT_EQ(FindMask(*sm, "GLOBALINFO", "MASTERBITMAP"), nullptr);
    // A PNG picture's fully transparent white is cleared to black.
    const TsMaskData* png = FindMask(*sm, "Examples", "PngFile");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->Bmp->GetArgb(0, 0), 0u);
  }
}

// A JPEG picture of 200 x 200 becomes a texture mask of its own; one of
// 300 x 300 (90000 pixels) stays a pattern.
TEST_F(ManagerTest, SmallJpegPicturesBecomeTextures) {
  WriteFolder(DemoSkin(), QStringLiteral("Demo"));
  auto sm = Manager(QStringLiteral("Demo"));
  const TsMaskData* small = FindMask(*sm, "PANEL", "PATTERN");
  ASSERT_TRUE(small);
  EXPECT_EQ(small->ImgType, itisaTexture);
  EXPECT_EQ(small->R, (TRect{0, 0, 200, 200}));
  EXPECT_EQ(small->ImageCount, 1);
  ASSERT_TRUE(small->Bmp);
  EXPECT_EQ(sm->FindPatternIndex(sm->IndexOfSection("PANEL"), "PANEL", "PATTERN"), -1);
  const int large = sm->FindPatternIndex(sm->IndexOfSection("FORM"), "FORM", "PATTERN");
  ASSERT_GE(large, 0);
  EXPECT_EQ(sm->PatternData[size_t(large)].Img->Width(), 300);
  EXPECT_EQ(sm->PatternData.size(), 1u);
  EXPECT_EQ(FindMask(*sm, "FORM", "PATTERN"), nullptr);
}

// A mask without states (ImageCount 0) or without layers (MaskType -1)
// gets margins as if it had one.
TEST_F(ManagerTest, MarginsOfMasksWithoutStatesOrLayers) {
  for (SkinDamage damage : {SkinDamage::ImageCountZero, SkinDamage::MaskTypeMinusOne}) {
    const TestSkin skin = DamagedSkin(damage);
    WriteFolder(skin, skin.Name);
    auto sm = Manager(skin.Name);
    ASSERT_TRUE(sm->SkinData->Active) << DamageName(damage);
    const TsMaskData* m = damage == SkinDamage::ImageCountZero ? FindMask(*sm, "ZEROCOUNT", "BORDERSMASK")
                                                                : FindMask(*sm, "NOLAYERS", "BORDERSMASK");
    ASSERT_TRUE(m) << DamageName(damage);
    if (damage == SkinDamage::ImageCountZero) {
      // 90 x 60, two layers: 90 div 3 and 60 div 6.
      EXPECT_EQ((std::array<int, 4>{m->WL, m->WT, m->WR, m->WB}), (std::array<int, 4>{30, 10, 30, 10}));
      EXPECT_EQ(sm->GetMaskFrameSize(sm->IndexOfMask("ZEROCOUNT", "BORDERSMASK")), QSize(0, 30));
      // MaskLeftWidth counts no states as one.
      EXPECT_EQ(sm->MaskLeftWidth(sm->IndexOfMask("ZEROCOUNT", "GLYPHMASK")), 48);
    } else {
      // GLYPH.BMP, 36 x 12, three states: 36 div 9 and 12 div 3.
      EXPECT_EQ((std::array<int, 4>{m->WL, m->WT, m->WR, m->WB}), (std::array<int, 4>{4, 4, 4, 4}));
      EXPECT_EQ(MaskImageHeight(*m), 0);
    }
  }
}

TEST(SkinMasks, OneStateOfAMask) {
  TsMaskData m;
  m.R = {0, 0, 90, 40};
  const struct {
    int imageCount, maskType, width, height;
  } cases[] = {{3, 1, 30, 20}, {1, 0, 90, 40}, {0, -1, 0, 0}, {2, 3, 45, 10}};
  for (const auto& c : cases) {
    m.ImageCount = int16_t(c.imageCount);
    m.MaskType = int16_t(c.maskType);
    EXPECT_EQ(MaskImageWidth(m), c.width) << c.imageCount;
    EXPECT_EQ(MaskImageHeight(m), c.height) << c.maskType;
  }
}

// A PARENTCLASS chain that runs in a circle ends: lookups answer -1 and
// inherited reads take the default.
TEST_F(ManagerTest, AParentClassLoopEndsAtTheDepthLimit) {
  const TestSkin skin = DamagedSkin(SkinDamage::ParentClassLoop);
  WriteFolder(skin, skin.Name);
  auto sm = Manager(skin.Name);
  ASSERT_TRUE(sm->SkinData->Active);
  for (const char* section : {"LOOPA", "LOOPB", "LOOPC"}) {
    SCOPED_TRACE(section);
    const int i = sm->IndexOfSection(section);
    ASSERT_GE(i, 0);
    EXPECT_EQ(sm->FindMaskIndex(i, section, "BORDERSMASK"), -1);
    EXPECT_EQ(sm->FindTextureIndex(i, section, "PATTERN"), -1);
    EXPECT_EQ(sm->FindPatternIndex(i, section, "PATTERN"), -1);
    EXPECT_EQ(sm->GeneralData[size_t(i)].Color, 0xFFFFFF);
    EXPECT_EQ(sm->GeneralData[size_t(i)].FadingIterations, 5);
  }
}

// A stored skin without packed data brings its masks and patterns as
// items: own bitmaps, rectangles of its master bitmap, JPEG bytes shared
// by name.
TEST_F(ManagerTest, MasksAndPatternsOfAStoredSkinWithoutData) {
  auto sm = std::make_unique<TsSkinManager>();
  sm->SetSkinDirectory(Root());
  TsStoredSkin& stored = sm->InternalSkins().Add();
  stored.Name = QStringLiteral("Items");
  QImage master(64, 32, QImage::Format_RGB32);
  master.fill(QColor(10, 20, 30));
  stored.MasterBitmap = platform::Bitmap::FromQImage(master);
  TsSkinGeneral& button = stored.GeneralData.Add();
  button.SectionName = QStringLiteral("BUTTON");
  TsSkinImage& own = stored.Images.Add();
  own.SectionName = QStringLiteral("button");
  own.PropertyName = QStringLiteral("bordersmask");
  own.Name = QStringLiteral("own");
  own.Image = platform::Bitmap(30, 20, platform::pf32bit);
  own.ImageCount = 0;  // becomes three states over a mask
  TsSkinImage& inMaster = stored.Images.Add();
  inMaster.SectionName = QStringLiteral("GLOBALINFO");
  inMaster.PropertyName = QStringLiteral("BOXCHECKED");
  inMaster.Left = 0, inMaster.Top = 0, inMaster.Right = 48, inMaster.Bottom = 16;
  inMaster.ImageCount = 3;
  inMaster.MaskType = 0;
  inMaster.BorderWidth = 2;
  inMaster.StretchMode = 3;
  inMaster.ImgType = itisaGlyph;
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::gray);
  TsSkinPattern& first = stored.Patterns.Add();
  first.SectionName = QStringLiteral("form");
  first.PropertyName = QStringLiteral("pattern");
  first.Name = QStringLiteral("shared");
  first.Image = skindraw::JpegBytes(picture);
  TsSkinPattern& second = stored.Patterns.Add();
  second.SectionName = QStringLiteral("panel");
  second.PropertyName = QStringLiteral("pattern");
  second.Name = QStringLiteral("shared");  // no picture: the first one's

  sm->SetSkinName(QStringLiteral("Items"));
  ASSERT_TRUE(sm->SkinData->Active);
  EXPECT_FALSE(sm->IsPackage);
  EXPECT_EQ(sm->MasterBitmap->Width(), 64);
  EXPECT_EQ(sm->MasterBitmap->PixelFormat(), platform::pf24bit);
  const TsMaskData* border = FindMask(*sm, "BUTTON", "BORDERSMASK");
  ASSERT_TRUE(border && border->Bmp);
  EXPECT_EQ(border->Bmp->PixelFormat(), platform::pf24bit);
  EXPECT_EQ(border->R, (TRect{0, 0, 30, 20}));
  EXPECT_EQ(border->ImageCount, 3);
  EXPECT_EQ(border->MaskType, 1);
  EXPECT_EQ((std::array<int, 4>{border->WL, border->WT, border->WR, border->WB}), (std::array<int, 4>{3, 3, 3, 3}));
  EXPECT_EQ(sm->GeneralData[size_t(sm->IndexOfSection("BUTTON"))].BorderIndex, sm->IndexOfMask("BUTTON", "BORDERSMASK"));
  const TsMaskData* box = FindMask(*sm, "GLOBALINFO", "BOXCHECKED");
  ASSERT_TRUE(box);
  EXPECT_FALSE(box->Bmp);
  EXPECT_EQ(box->R, (TRect{0, 0, 48, 16}));
  EXPECT_EQ(box->DrawMode, 3);
  EXPECT_EQ((std::array<int, 4>{box->WL, box->WT, box->WR, box->WB}), (std::array<int, 4>{2, 2, 2, 2}));
  // No GLOBALINFO section: its masks are no standard indexes.
  EXPECT_EQ(sm->StandardIndexes.GlobalInfo, -1);
  EXPECT_EQ(sm->StandardIndexes.CheckBoxes[0], -1);
  ASSERT_EQ(sm->PatternData.size(), 2u);
  for (const TsPatternData& p : sm->PatternData) {
    EXPECT_EQ(p.PropertyName, QStringLiteral("PATTERN"));
    EXPECT_EQ(p.Img->Width(), 40) << p.ClassName.toStdString();  // never a texture
  }
}

// Slice margins: the mask's own, else its border width, else one state;
// frame sizes: a third and a half of an own bitmap, else one state.
TEST(SkinMasks, SliceMarginsAndFrameSizes) {
  TsSkinManager sm;
  sm.SetActive(false);
  auto add = [&](int16_t wl, int16_t wt, int16_t wr, int16_t wb, int16_t borderWidth, bool own) {
    TsMaskData& m = sm.MaskData.emplace_back();
    m.R = {0, 0, 90, 60};
    m.ImageCount = 3;
    m.MaskType = 1;
    m.WL = wl, m.WT = wt, m.WR = wr, m.WB = wb;
    m.BorderWidth = borderWidth;
    if (own) m.Bmp = std::make_unique<platform::Bitmap>(60, 40);
  };
  add(1, 2, 3, 4, 9, false);
  add(0, 0, 0, 0, 5, false);
  add(0, 7, 0, 0, 0, true);
  const int expected[][4] = {{1, 2, 3, 4}, {5, 5, 5, 5}, {30, 7, 30, 30}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(sm.MaskLeftWidth(i), expected[i][0]);
    EXPECT_EQ(sm.MaskTopWidth(i), expected[i][1]);
    EXPECT_EQ(sm.MaskRightWidth(i), expected[i][2]);
    EXPECT_EQ(sm.MaskBottomWidth(i), expected[i][3]);
  }
  EXPECT_EQ(sm.GetMaskFrameSize(0), QSize(30, 30));
  EXPECT_EQ(sm.GetMaskFrameSize(2), QSize(20, 20));
  for (int bad : {-1, 3}) {
    EXPECT_EQ(sm.MaskLeftWidth(bad), 0);
    EXPECT_EQ(sm.MaskBottomWidth(bad), 0);
    EXPECT_EQ(sm.GetMaskFrameSize(bad), QSize(0, 0));
  }
}
