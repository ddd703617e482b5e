// Reading a skin's text: where it comes from (folder, package, stored
// skin), the skin-wide values, section keys through PARENTCLASS, common
// sections, and the indexes built from them.
#include "ManagerFixture.h"

#include "platform/Colors.h"
#include "skinlib/manager/SectionBackgrounds.h"

#include <algorithm>

using namespace testskins;
using platform::TColor;

namespace {

const TsGeneralData& Section(const TsSkinManager& sm, const char* name) {
  const int i = sm.IndexOfSection(QString::fromLatin1(name));
  if (i < 0) throw std::runtime_error(std::string("no section ") + name);
  return sm.GeneralData[size_t(i)];
}

void RemoveSection(TestSkin& skin, const char* name) {
  std::erase_if(skin.Sections, [&](const SkinSection& s) { return s.Name == QLatin1String(name); });
}

}  // namespace

// Keys missing from a section, -1 or "?" come from its parent, then the
// defaults; a Boolean text is True only as "true" in any case.
TEST_F(ManagerTest, SectionKeysThroughTheirParents) {
  TestSkin skin = DemoSkin();
  skin.Section("CHILDMINUS").Set("PARENTCLASS", "TOOLBUTTON").Set("COLOR", -1).Set("TRANSPARENCY", "abc");
  skin.Section("CHILDQUERY").Set("PARENTCLASS", "BUTTON").Set("GRADIENTDATA", "?");
  skin.Section("ORPHAN").Set("PARENTCLASS", "NOSUCH").Set("SHOWFOCUS", "TRUE");
  skin.Section("SELFPARENT").Set("PARENTCLASS", "selfparent").Set("COLOR", "$FF");
  skin.Section("SHOWONE").Set("SHOWFOCUS", 1).Set("FADINGENABLED", "True");
  skin.Section("SYSTEM").Set("COLOR", int(platform::clBtnFace)).Set("HOTCOLOR", int(platform::clBtnFace));
  WriteFolder(skin, "Demo");
  auto sm = Manager("Demo");
  ASSERT_TRUE(sm->SkinData->Active);
  const struct {
    const char* section;
    TColor color;
    int transparency;
    bool showFocus;
    const char* gradient;
  } cases[] = {
      {"TOOLBUTTON", 0xEED8C8, 20, false, " "},
      {"BUTTON", 0xEED8C8, 20, true, "16777215;0;100;0;0"},  // no COLOR: the parent's
      {"CHILDMINUS", 0xEED8C8, 20, false, " "},              // -1 and no number: the parent's
      {"CHILDQUERY", 0xEED8C8, 20, true, "16777215;0;100;0;0"},  // "?": two sections up
      {"ORPHAN", 0xFFFFFF, 0, true, " "},  // a missing parent is ignored
      {"SELFPARENT", 0xFF, 0, false, " "},
      {"SHOWONE", 0xFFFFFF, 0, false, " "},  // SHOWFOCUS 1 is no "TRUE"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section);
    const TsGeneralData& r = Section(*sm, c.section);
    EXPECT_EQ(r.Color, c.color);
    EXPECT_EQ(r.Transparency, c.transparency);
    EXPECT_EQ(r.ShowFocus, c.showFocus);
    EXPECT_EQ(r.GradientData, QString::fromLatin1(c.gradient));
    EXPECT_EQ(r.HotGradientData, QString()) << "missing everywhere: an empty text";
    EXPECT_TRUE(r.HotGradientArray.empty());
  }
  EXPECT_TRUE(Section(*sm, "ORPHAN").GradientArray.empty());
  EXPECT_TRUE(Section(*sm, "SHOWONE").FadingEnabled);
  EXPECT_EQ(Section(*sm, "BUTTON").ParentClass, "TOOLBUTTON");
  EXPECT_EQ(Section(*sm, "BUTTON").HotFontColor, (TsFontColors{0x8C4218, -1, -1, -1, -1}));
  EXPECT_EQ(Section(*sm, "ORPHAN").FontColor, (TsFontColors{0, -1, -1, -1, -1}));
  EXPECT_EQ(Section(*sm, "ORPHAN").FadingIterations, 5);
  EXPECT_EQ(Section(*sm, "ORPHAN").HotColor, 0xFFFFFF);
  // System colours are resolved in COLOR, not in HOTCOLOR.
  EXPECT_EQ(Section(*sm, "SYSTEM").Color, platform::ColorToRGB(platform::clBtnFace));
  EXPECT_EQ(Section(*sm, "SYSTEM").HotColor, platform::clBtnFace);
  // Every section of the text, in order, GLOBALINFO first.
  ASSERT_EQ(sm->GeneralData.size(), skin.Sections.size());
  for (size_t i = 0; i < skin.Sections.size(); ++i) EXPECT_EQ(sm->GeneralData[i].SectionName, skin.Sections[i].Name);
}

TEST_F(ManagerTest, SkinWideValuesAndTheirDefaults) {
  const struct {
    const char* name;
    std::optional<int> maxHeight;
    int expected;
  } cases[] = {{"NoMax", std::nullopt, 26}, {"Max0", 0, 26}, {"Max40", 40, 40}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestSkin skin = DemoSkin();
    if (c.maxHeight) skin.Section("GLOBALINFO").Put("MAXHEIGHT", *c.maxHeight);
    WriteFolder(skin, c.name);
    auto sm = Manager(c.name);
    const TsSkinData& d = *sm->SkinData;
    EXPECT_EQ(d.MaxHeight, c.expected);
    EXPECT_EQ(d.TitleHeight, 26);
    EXPECT_DOUBLE_EQ(d.Version, 7.05);
    EXPECT_EQ(d.Author, "ssq tests");
    EXPECT_EQ(d.Description, QStringLiteral("双色球测试皮肤"));
    EXPECT_EQ(d.FormOffset, 6);
    EXPECT_EQ(d.BorderWidth, 4);
    EXPECT_EQ(d.Shadow1Blur, -1);
    EXPECT_EQ(d.Shadow1Offset, 0);
    EXPECT_EQ(d.BorderMode, 0);
    EXPECT_EQ(d.SkinPath, Root() + QStringLiteral("\\") + c.name + QStringLiteral("\\"));
    EXPECT_EQ(sm->SkinInfo(), "7.05");
  }
  EXPECT_TRUE(prompts.Calls.empty());
}

// A skin newer than the library reads is shown once, and read all the same.
TEST_F(ManagerTest, ANewerSkinIsReportedAndStillRead) {
  TestSkin skin = DemoSkin();
  skin.Section("GLOBALINFO").Put("VERSION", "300");
  WriteFolder(skin, "New");
  auto sm = Manager("New");
  EXPECT_TRUE(sm->SkinData->Active);
  ASSERT_EQ(prompts.Calls.size(), 1u);
  EXPECT_TRUE(prompts.Calls[0].Text.startsWith("This version of the skin have not complete support"));
  EXPECT_EQ(sm->SkinInfo(), "300");
}

// A package of the chosen name wins over its folder, unless skin folders
// are preferred.
TEST_F(ManagerTest, FolderAgainstPackage) {
  TestSkin skin = DemoSkin();
  skin.Section("GLOBALINFO").Put("AUTHOR", "folder");
  WriteFolder(skin, "Demo");
  skin.Section("GLOBALINFO").Put("AUTHOR", "package");
  WritePackage(skin, "Demo.asz");
  skin.Name = "Alone";
  WritePackage(skin, "Alone.asz");
  const struct {
    bool prefer;
    const char* name;
    bool package;
    const char* author;
  } cases[] = {{false, "Demo", true, "package"}, {true, "Demo", false, "folder"}, {true, "Alone", true, "package"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.prefer ? " preferring folders" : ""));
    PreferSkinFolder = c.prefer;
    auto sm = Manager(c.name);
    ASSERT_TRUE(sm->SkinData->Active);
    EXPECT_EQ(sm->IsPackage, c.package);
    EXPECT_EQ(sm->SkinData->Author, c.author);
    EXPECT_EQ(sm->SkinData->SkinPath, c.package ? Root() + "\\" : Root() + "\\" + c.name + "\\");
    // A change of hue reads the same source again.
    sm->SetHueOffset(10);
    EXPECT_EQ(sm->IsPackage, c.package);
    EXPECT_EQ(sm->SkinData->Author, c.author);
  }
}

// Without a folder the stored skin of that name is read (from its packed
// data or its items), else the first stored skin; with none the manager
// goes inactive.
TEST_F(ManagerTest, StoredSkins) {
  TestSkin skin = DemoSkin();
  skin.Section("GLOBALINFO").Put("AUTHOR", "stored");
  auto sm = std::make_unique<TsSkinManager>();
  sm->SetSkinDirectory(Root());
  TsStoredSkin& packed = sm->InternalSkins().Add();
  packed.Name = "Inside";
  packed.Data = StoredSkinData(skin);
  TsStoredSkin& plain = sm->InternalSkins().Add();
  plain.Name = "Plain";
  plain.Version = 6.5;
  plain.Author = "items";
  plain.Shadow1Blur = 3;
  TsSkinGeneral& form = plain.GeneralData.Add();
  // Colour taken as it is, a value of its own in every member.
  form = {"FORM", "", platform::clBtnFace, true, "1 2 3 4 5", "1 2 3", 11, 12, 13, 14, " ", 15, true, true, 9,
          0x123456, 17, 18, "255;0;100;0;0", 19, "general", true};
  TsSkinGeneral& panel = plain.GeneralData.Add();
  panel.SectionName = "PANEL";
  panel.ParentClass = "FORM";
  panel.FontColor = "1 2 x 4 5";

  sm->SetSkinName("Inside");
  ASSERT_TRUE(sm->SkinData->Active);
  EXPECT_TRUE(sm->IsPackage);
  EXPECT_EQ(sm->SkinData->Author, "stored");
  EXPECT_EQ(sm->SkinData->SkinPath, QString());
  EXPECT_GE(sm->IndexOfMask("EDIT", "BORDERSMASK"), 0) << "images from the stored package";

  sm->SetSkinName("Plain");
  ASSERT_TRUE(sm->SkinData->Active);
  EXPECT_FALSE(sm->IsPackage);
  EXPECT_EQ(sm->SkinData->Author, "items");
  EXPECT_EQ(sm->SkinData->Shadow1Blur, 3);
  EXPECT_EQ(sm->SkinInfo(), "6.5");
  ASSERT_EQ(sm->GeneralData.size(), 2u);
  EXPECT_EQ(Section(*sm, "FORM").Color, platform::clBtnFace);
  EXPECT_EQ(Section(*sm, "FORM").FontColor, (TsFontColors{1, 2, 3, 4, 5}));
  EXPECT_EQ(Section(*sm, "FORM").HotFontColor, (TsFontColors{0, -1, -1, -1, -1}));
  const TsGeneralData& f = Section(*sm, "FORM");
  EXPECT_EQ((std::array<int, 12>{f.Transparency, f.GlowCount, f.GlowMargin, f.GradientPercent, f.ImagePercent,
                                  f.FadingIterations, f.HotColor, f.HotTransparency, f.HotGradientPercent,
                                  f.HotImagePercent, f.ReservedBoolean, f.ShowFocus}),
            (std::array<int, 12>{11, 12, 13, 14, 15, 9, 0x123456, 17, 18, 19, 1, 1}));
  EXPECT_TRUE(f.FadingEnabled && f.GiveOwnFont);
  EXPECT_EQ(f.GradientData, " ");
  EXPECT_EQ(f.HotGradientData, "255;0;100;0;0");
  EXPECT_EQ(f.HotGradientArray.size(), 1u);
  EXPECT_EQ(Section(*sm, "PANEL").FontColor, (TsFontColors{0, -1, -1, -1, -1}));
  EXPECT_EQ(Section(*sm, "PANEL").ParentClass, "FORM");
  EXPECT_TRUE(sm->MaskData.empty());

  // A folder of that name comes first.
  WriteFolder(DemoSkin(), "Plain");
  sm->SetSkinName("Plain");
  EXPECT_EQ(sm->SkinData->Author, "ssq tests");

  // No such skin: the first stored one, under its own name.
  broadcasts.clear();
  sm->SetSkinName("Missing");
  EXPECT_EQ(sm->SkinName(), "Inside");
  EXPECT_TRUE(sm->Active() && sm->SkinData->Active);
  EXPECT_EQ(TakeCommands(), (std::vector<unsigned>{kCommandNewSkin, kCommandBeforeRefresh, kCommandRefresh}));

  // Nothing stored: the manager goes inactive and the skin is removed.
  sm->InternalSkins().Clear();
  sm->SetSkinName("Missing");
  EXPECT_FALSE(sm->Active());
  EXPECT_FALSE(sm->SkinData->Active);
  EXPECT_EQ(TakeCommands(), std::vector<unsigned>{kCommandRemoveSkin});
  EXPECT_TRUE(sm->GeneralData.empty() && sm->MaskData.empty() && sm->PatternData.empty());
  EXPECT_EQ(sm->SkinInfo(), "N/A");
  EXPECT_TRUE(prompts.Calls.empty()) << "nothing is shown";
}

// Common sections the skin lacks are added, their missing keys from the
// parent named in any case; sections the skin has stay as they are.
TEST_F(ManagerTest, CommonSections) {
  WriteFolder(DemoSkin(), "Demo");
  auto sm = Manager("Demo");
  sm->SetCommonSections({"[MYPANEL]", "PARENTCLASS = panel", "FONTCOLOR=255", "GLOW=-1",
                         "BORDERSMASK=#(0,0,30,20)(1,0,5)", "[PANEL]", "COLOR=1", "; COLOR = 2", "[NOPARENT]",
                         "TRANSPARENCY=7", "SHOWFOCUS=true", "PATTERN=Panel.JPG", "GLYPHMASK=edge.bmp",
                         "[GLOBALINFO]", "EXTRA=#(0,0,10,10)(1,0)"});
  EXPECT_EQ(sm->CommonSections()[1], "PARENTCLASS=panel");
  EXPECT_EQ(sm->CommonSections()[7], "; COLOR = 2") << "comments keep their blanks";
  ASSERT_TRUE(sm->SkinData->Active);
  const TsGeneralData& mine = Section(*sm, "MYPANEL");
  EXPECT_EQ(mine.ParentClass, "PANEL");
  EXPECT_EQ(mine.Color, 0xF0F0F0);
  EXPECT_EQ(mine.FontColor[0], 255);
  EXPECT_EQ(mine.GlowCount, 0);
  EXPECT_EQ(mine.BorderIndex, sm->IndexOfMask("MYPANEL", "BORDERSMASK"));
  ASSERT_GE(mine.BorderIndex, 0);
  EXPECT_EQ(sm->MaskData[size_t(mine.BorderIndex)].WL, 5);
  EXPECT_EQ(Section(*sm, "PANEL").Color, 0xF0F0F0);
  EXPECT_EQ(std::count_if(sm->GeneralData.begin(), sm->GeneralData.end(),
                          [](const TsGeneralData& r) { return r.SectionName == "PANEL"; }),
            1);
  const TsGeneralData& orphan = Section(*sm, "NOPARENT");
  EXPECT_EQ(orphan.ParentClass, "-1");
  EXPECT_EQ(orphan.Color, 0xFFFFFF);
  EXPECT_EQ(orphan.Transparency, 7);
  EXPECT_TRUE(orphan.ShowFocus);
  EXPECT_EQ(orphan.FadingIterations, 5);
  // Its ".BMP" value from the skin's folder; no masks for GLOBALINFO.
  const int glyph = sm->IndexOfMask("NOPARENT", "GLYPHMASK");
  ASSERT_GE(glyph, 0);
  EXPECT_EQ(sm->MaskData[size_t(glyph)].R, (platform::TRect{0, 0, 54, 36}));
  EXPECT_EQ(sm->IndexOfMask("GLOBALINFO", "EXTRA"), -1);
  // A common section's JPEG comes from the skin's folder and stays a pattern, even a small one.
  const int pattern = sm->FindPatternIndex(sm->IndexOfSection("NOPARENT"), "NOPARENT", "PATTERN");
  ASSERT_GE(pattern, 0);
  EXPECT_EQ(sm->PatternData[size_t(pattern)].Img->Width(), 200);
}

// The indexes of the standard sections and masks, found through parents
// where the rule says so; without GLOBALINFO its entries are -1.
TEST_F(ManagerTest, StandardIndexesWithAndWithoutGlobalInfo) {
  TestSkin noGlobal = DemoSkin();
  RemoveSection(noGlobal, "GLOBALINFO");
  WriteFolder(DemoSkin(), "Demo");
  WriteFolder(noGlobal, "NoGlobal");
  for (const char* name : {"Demo", "NoGlobal"}) {
    SCOPED_TRACE(name);
    const bool global = QLatin1String(name) == QLatin1String("Demo");
    auto sm = Manager(name);
    ASSERT_TRUE(sm->SkinData->Active);
    const TacStandardIndexes& s = sm->StandardIndexes;
    EXPECT_EQ(s.GlobalInfo, global ? 0 : -1);
    EXPECT_EQ(s.ExBorder, global ? sm->IndexOfMask("GLOBALINFO", "EXBORDER") : -1);
    EXPECT_EQ(s.CheckBoxes[0], global ? sm->IndexOfMask("GLOBALINFO", "BOXCHECKED") : -1);
    EXPECT_EQ(s.CheckBoxes[1], global ? sm->IndexOfMask("GLOBALINFO", "BOXUNCHECKED") : -1);
    if (global) {
      EXPECT_GE(s.ExBorder, 0);
    }
    for (size_t i = 2; i < 9; ++i) EXPECT_EQ(s.CheckBoxes[i], -1);
    // TABTOP's border is its parent TOOLBUTTON's; SCROLLBTNLEFT's is
    // BUTTON's own, its glyph nowhere up the chain.
    EXPECT_EQ(s.TabSections[0], sm->IndexOfSection("TABTOP"));
    EXPECT_EQ(s.TabBorders[0], sm->IndexOfMask("TOOLBUTTON", "BORDERSMASK"));
    EXPECT_EQ(s.ScrollBtnSections[2], sm->IndexOfSection("SCROLLBTNLEFT"));
    EXPECT_EQ(s.ScrollBtnBorders[2], sm->IndexOfMask("BUTTON", "BORDERSMASK"));
    EXPECT_GE(s.ScrollBtnBorders[2], 0);
    EXPECT_EQ(s.ScrollBtnGlyphs[2], -1);
    EXPECT_EQ(s.SliderSections[1], sm->IndexOfSection("SCROLLSLIDERH"));
    EXPECT_EQ(s.SliderSections[0], -1);
    EXPECT_EQ(s.SliderPatterns[0], sm->IndexOfMask("SCROLLSLIDERH", "PATTERN"));
    EXPECT_EQ(s.SliderPatterns[1], sm->IndexOfMask("SCROLLSLIDERH", "HOTPATTERN"));
    EXPECT_EQ(s.SliderPatterns[2], -1);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(s.BarSections[i], -1);
    EXPECT_EQ(sm->ComboBtnIndex, sm->IndexOfSection("COMBOBTN"));
    EXPECT_EQ(sm->ComboBtnBorder, sm->IndexOfMask("COMBOBTN", "BORDERSMASK"));
    EXPECT_EQ(sm->ComboBtnPattern, sm->IndexOfMask("COMBOBTN", "PATTERN"));
    EXPECT_EQ(sm->ComboBtnHotPattern, sm->IndexOfMask("COMBOBTN", "HOTPATTERN"));
    EXPECT_EQ(sm->ComboBoxGlyph, sm->IndexOfMask("COMBOBOX", "GLYPHMASK"));
    EXPECT_GE(sm->ComboBtnPattern, 0);
    // Section border indexes, through PARENTCLASS too; GLOBALINFO's none.
    EXPECT_EQ(Section(*sm, "FORM").BorderIndex, sm->IndexOfMask("FORM", "BORDERSMASK"));
    EXPECT_EQ(Section(*sm, "BUTTON").ImgTopLeft, sm->IndexOfMask("TOOLBUTTON", "IMGTOPLEFT"));
    EXPECT_EQ(Section(*sm, "COMBOBOX").BorderIndex, sm->IndexOfMask("EDIT", "BORDERSMASK"));
    // The skin's colours.
    EXPECT_EQ(sm->GlobalSectionColor(), global ? 0xF7E9DE : platform::ColorToRGB(platform::clBtnFace));
    EXPECT_EQ(sm->GlobalSectionFontColor(), global ? 0x402010 : 0xFF00FF);
    EXPECT_EQ(sm->GlobalSectionHotColor(), global ? 0xFFFFFF : platform::ColorToRGB(platform::clWindow));
    EXPECT_EQ(sm->MenuHighlightColor(), 0xD67A33);
    EXPECT_EQ(sm->MenuHighlightTextColor(), platform::ColorToRGB(platform::clHighlightText));
    EXPECT_EQ(sm->EditHotFontColor(), 0);
  }
}

// A menu item's hot colour of -1 (none, as a stored skin may hold it) gives
// the platform's highlight; black is a colour.
TEST_F(ManagerTest, MenuHighlightOfNoneAndOfBlack) {
  WriteFolder(DemoSkin(), "Demo");
  auto sm = Manager("Demo");
  const struct {
    platform::TColor hot, expected;
  } cases[] = {{-1, platform::ColorToRGB(platform::clHighlight)}, {0, 0}};
  for (const auto& c : cases) {
    sm->GeneralData[size_t(sm->IndexOfSection("MENUITEM"))].HotColor = c.hot;
    EXPECT_EQ(sm->MenuHighlightColor(), c.expected) << c.hot;
  }
}

// Gradient texts are parsed once, at the load, into their stops.
TEST_F(ManagerTest, GradientsParsedAtTheLoad) {
  TestSkin skin = DemoSkin();
  skin.Section("HOTBAND").Set("HOTGRADIENTDATA", "255;65280;50;1;0;65280;16711680;50;1;0").Set("GRADIENTDATA", " ");
  WriteFolder(skin, "Demo");
  auto sm = Manager("Demo");
  const TsGradArray& button = Section(*sm, "BUTTON").GradientArray;
  ASSERT_EQ(button.size(), 1u);
  EXPECT_EQ(button[0].Color1, 0xFFFFFF);
  EXPECT_EQ(button[0].Color2, 0);
  EXPECT_EQ(button[0].Percent, 100);
  EXPECT_EQ(button[0].Mode, 0);
  const TsGeneralData& band = Section(*sm, "HOTBAND");
  EXPECT_TRUE(band.GradientArray.empty());
  ASSERT_EQ(band.HotGradientArray.size(), 2u);
  EXPECT_EQ(band.HotGradientArray[1].Color2, 16711680);
  EXPECT_EQ(band.HotGradientArray[0].Mode, 1);
  // A field that is no number ends the load as the library's error.
  skin.Section("HOTBAND").Put("GRADIENTDATA", "1;2;x;0;0");
  WriteFolder(skin, "Demo");
  EXPECT_THROW(sm->SetSkinName("Demo"), ESkinLibraryError);
  EXPECT_TRUE(sm->GeneralData.empty());
}

// Every skin-wide key to its field, and the default of each when missing.
TEST_F(ManagerTest, EveryGlobalInfoKeyAndItsDefault) {
  const struct {
    const char* key;
    int16_t TsSkinData::*field;
    int fallback;
  } keys[] = {
      {"BORDERWIDTH", &TsSkinData::BorderWidth, 4},      {"TITLEHEIGHT", &TsSkinData::TitleHeight, 30},
      {"FORMOFFSET", &TsSkinData::FormOffset, 8},        {"CENTEROFFSET", &TsSkinData::CenterOffset, 0},
      {"BORDERMODE", &TsSkinData::BorderMode, 0},        {"SHADOW1OFFSET", &TsSkinData::Shadow1Offset, 0},
      {"SHADOW1BLUR", &TsSkinData::Shadow1Blur, -1},     {"SHADOW1TRANSPARENCY", &TsSkinData::Shadow1Transparency, 0},
      {"BISPACE", &TsSkinData::BISpace, 0},              {"BIVALIGN", &TsSkinData::BIVAlign, 0},
      {"BIRIGHT", &TsSkinData::BIRight, 0},              {"BILEFT", &TsSkinData::BILeft, 0},
      {"BIKEEPHUE", &TsSkinData::BIKeepHue, 0},          {"BICONCLOSEGLOW", &TsSkinData::BICloseGlow, 0},
      {"BICONCLOSEGLOWMARGIN", &TsSkinData::BICloseGlowMargin, 0}, {"BICONMAXGLOW", &TsSkinData::BIMaxGlow, 0},
      {"BICONMAXGLOWMARGIN", &TsSkinData::BIMaxGlowMargin, 0},     {"BICONMINGLOW", &TsSkinData::BIMinGlow, 0},
      {"BICONMINGLOWMARGIN", &TsSkinData::BIMinGlowMargin, 0},
  };
  TestSkin bare;
  bare.Section("GLOBALINFO").Set("VERSION", "6.1");
  TestSkin full = bare;
  int value = 11;
  for (const auto& k : keys) full.Section("GLOBALINFO").Set(k.key, value++);
  full.Section("GLOBALINFO").Set("MAXHEIGHT", 77).Set("SHADOW1COLOR", 123456).Set("BORDERCOLOR", 654321);
  WriteFolder(bare, "Bare");
  WriteFolder(full, "Full");
  auto sm = Manager("Bare");
  ASSERT_TRUE(sm->SkinData->Active);
  const TsSkinData& d = *sm->SkinData;
  for (const auto& k : keys) EXPECT_EQ(d.*k.field, k.fallback) << k.key;
  EXPECT_EQ(d.MaxHeight, 30);
  EXPECT_EQ(d.Shadow1Color, 0);
  EXPECT_EQ(d.BorderColor, 0);
  EXPECT_EQ(d.Author, QString());
  sm->SetSkinName("Full");
  value = 11;
  for (const auto& k : keys) EXPECT_EQ(d.*k.field, value++) << k.key;
  EXPECT_EQ(d.MaxHeight, 77);
  EXPECT_EQ(d.Shadow1Color, 123456);
  EXPECT_EQ(d.BorderColor, 654321);
}

// Every section key to its field (a value of its own each), and the
// defaults of a section that names none.
TEST_F(ManagerTest, EverySectionKeyAndItsDefault) {
  const struct {
    const char* key;
    int32_t TsGeneralData::*field;
    int fallback;
  } integers[] = {
      {"GLOW", &TsGeneralData::GlowCount, 0},
      {"GLOWMARGIN", &TsGeneralData::GlowMargin, 0},
      {"TRANSPARENCY", &TsGeneralData::Transparency, 0},
      {"GRADIENTPERCENT", &TsGeneralData::GradientPercent, 0},
      {"IMAGEPERCENT", &TsGeneralData::ImagePercent, 0},
      {"FADINGITERATIONS", &TsGeneralData::FadingIterations, 5},
      {"HOTTRANSPARENCY", &TsGeneralData::HotTransparency, 0},
      {"HOTGRADIENTPERCENT", &TsGeneralData::HotGradientPercent, 0},
      {"HOTIMAGEPERCENT", &TsGeneralData::HotImagePercent, 0},
  };
  const struct {
    const char* key;
    bool TsGeneralData::*field;
  } flags[] = {{"RESERVEDBOOLEAN", &TsGeneralData::ReservedBoolean},
               {"GIVEOWNFONT", &TsGeneralData::GiveOwnFont},
               {"SHOWFOCUS", &TsGeneralData::ShowFocus},
               {"FADINGENABLED", &TsGeneralData::FadingEnabled}};
  const char* fontKeys[] = {"FONTCOLOR", "TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"};
  const char* hotFontKeys[] = {"HOTFONTCOLOR", "HOTTCLEFT", "HOTTCTOP", "HOTTCRIGHT", "HOTTCBOTTOM"};
  TestSkin skin;
  skin.Section("EMPTY").Set("PARENTCLASS", "");
  SkinSection& full = skin.Section("FULL");
  int value = 21;
  for (const auto& k : integers) full.Set(k.key, value++);
  for (const auto& k : flags) full.Set(k.key, "True");
  for (const char* k : fontKeys) full.Set(k, value++);
  for (const char* k : hotFontKeys) full.Set(k, value++);
  full.Set("COLOR", 0x102030).Set("HOTCOLOR", 0x405060);
  WriteFolder(skin, "Keys");
  auto sm = Manager("Keys");
  ASSERT_TRUE(sm->SkinData->Active);
  const TsGeneralData& empty = Section(*sm, "EMPTY");
  for (const auto& k : integers) EXPECT_EQ(empty.*k.field, k.fallback) << k.key;
  for (const auto& k : flags) EXPECT_FALSE(empty.*k.field) << k.key;
  EXPECT_EQ(empty.FontColor, (TsFontColors{0, -1, -1, -1, -1}));
  EXPECT_EQ(empty.HotFontColor, (TsFontColors{0, -1, -1, -1, -1}));
  EXPECT_EQ(empty.Color, 0xFFFFFF);
  EXPECT_EQ(empty.HotColor, 0xFFFFFF);
  EXPECT_EQ(empty.GradientData, " ");
  EXPECT_EQ(empty.BorderIndex, -1);
  EXPECT_EQ(empty.ImgTopRight, -1);
  const TsGeneralData& r = Section(*sm, "FULL");
  value = 21;
  for (const auto& k : integers) EXPECT_EQ(r.*k.field, value++) << k.key;
  for (const auto& k : flags) EXPECT_TRUE(r.*k.field) << k.key;
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(r.FontColor[i], value++) << fontKeys[i];
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(r.HotFontColor[i], value++) << hotFontKeys[i];
  EXPECT_EQ(r.Color, 0x102030);
  EXPECT_EQ(r.HotColor, 0x405060);
}

// Numbers out of their ranges stop at the range's ends when they are read
// (text that is no number takes the default), so that painting with them
// stays inside its arithmetic.
TEST_F(ManagerTest, NumbersOfASkinStopAtTheEndsOfTheirRanges) {
  const struct {
    const char* key;
    const char* text;
    int32_t TsGeneralData::*field;
    int expected;
  } sectionKeys[] = {
      {"TRANSPARENCY", "99999999", &TsGeneralData::Transparency, 100},
      {"TRANSPARENCY", "-9000000", &TsGeneralData::Transparency, 0},
      {"GRADIENTPERCENT", "250", &TsGeneralData::GradientPercent, 100},
      {"HOTGRADIENTPERCENT", "-3", &TsGeneralData::HotGradientPercent, 0},
      {"IMAGEPERCENT", "many", &TsGeneralData::ImagePercent, 0},
      {"HOTIMAGEPERCENT", "-2147483648", &TsGeneralData::HotImagePercent, 0},
      {"GLOWMARGIN", "99999999", &TsGeneralData::GlowMargin, 32767},
      {"GLOWMARGIN", "-40", &TsGeneralData::GlowMargin, 0},
  };
  const struct {
    const char* key;
    const char* text;
    int16_t TsSkinData::*field;
    int expected;
  } globalKeys[] = {
      {"TITLEHEIGHT", "99999999", &TsSkinData::TitleHeight, 32767},
      {"FORMOFFSET", "-9000000", &TsSkinData::FormOffset, -32768},
      {"BORDERWIDTH", "wide", &TsSkinData::BorderWidth, 4},
      {"SHADOW1TRANSPARENCY", "99999", &TsSkinData::Shadow1Transparency, 100},
      {"BICONMAXGLOWMARGIN", "70000", &TsSkinData::BIMaxGlowMargin, 32767},
  };
  TestSkin skin;
  for (const auto& k : globalKeys) skin.Section("GLOBALINFO").Set(k.key, k.text);
  for (size_t i = 0; i < std::size(sectionKeys); ++i)
    skin.Section(QStringLiteral("N%1").arg(i)).Set("COLOR", 0x0000FF).Set(sectionKeys[i].key, sectionKeys[i].text);
  WriteFolder(skin, "Numbers");
  auto sm = Manager("Numbers");
  ASSERT_TRUE(sm->SkinData->Active);
  for (const auto& k : globalKeys) EXPECT_EQ(sm->SkinData.get()->*k.field, k.expected) << k.key << "=" << k.text;
  for (size_t i = 0; i < std::size(sectionKeys); ++i)
    EXPECT_EQ(Section(*sm, QStringLiteral("N%1").arg(i).toLatin1().constData()).*sectionKeys[i].field,
              sectionKeys[i].expected)
        << sectionKeys[i].key << "=" << sectionKeys[i].text;
  // Painted over a green parent: a huge transparency shows the parent, a
  // negative one the section's own red.
  const TsBgSource parent{nullptr, 0, 0, 0x00FF00, false};
  for (const auto& [section, colour] : {std::pair{"N0", TColor(0x00FF00)}, std::pair{"N1", TColor(0x0000FF)}}) {
    platform::Bitmap b(6, 4, platform::pf24bit);
    PaintSectionBackground(sm->IndexOfSection(section), {}, parent, KeyColor, -1, -1, sm.get(), b, {0, 0},
                           platform::TRect{0, 0, 6, 4}, 0);
    EXPECT_EQ(b.GetPixel(3, 2), colour) << section;
  }
}
