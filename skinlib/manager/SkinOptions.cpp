#include "skinlib/manager/SkinOptions.h"

#include "platform/DelphiRtl.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/SkinGradients.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/sSkinManager.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

using namespace platform;

std::unique_ptr<MemIniFile> SkinIniFile;
std::unique_ptr<TacSkinConvertor> SkinConvertor;

namespace {
QString g_skinTextName;
}  // namespace

const QString& SkinTextName() { return g_skinTextName; }

void RaiseKeyError(const QString& text, const QString& section, const QString& key, const std::exception& error) {
  throw ESkinLibraryError(QStringLiteral("%1, section [%2], key %3: %4")
                              .arg(text, section, key, QString::fromUtf8(error.what()))
                              .toStdString());
}

TsSkinData::~TsSkinData() { SkinIniFile.reset(); }

namespace {

const QString kGlobalInfo = QStringLiteral("GLOBALINFO");
const QString kMissing = QStringLiteral("?");

std::string U8(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Read(const MemIniFile& ini, const QString& section, const QString& key, const QString& fallback) {
  return Q(ini.ReadString(U8(section), U8(key), U8(fallback)));
}

// The parent of a section when it is one to follow: not empty, not "?",
// not the section itself.
bool ParentOf(const MemIniFile& ini, const QString& section, QString& parent) {
  parent = Read(ini, section, QStringLiteral("PARENTCLASS"), kMissing);
  return !parent.isEmpty() && parent != kMissing && parent.compare(section, Qt::CaseInsensitive) != 0;
}

// A section and the parents its missing keys are looked up in: at most
// kParentClassDepthLimit sections up.
std::vector<std::string> ParentChain(const MemIniFile& ini, const QString& section) {
  std::vector<std::string> chain{U8(section)};
  QString current = section, parent;
  while (int(chain.size()) <= kParentClassDepthLimit && ParentOf(ini, current, parent)) {
    chain.push_back(U8(parent));
    current = parent;
  }
  return chain;
}

// The first value of `key` along the chain that is not `missing`.
QString StringUp(const MemIniFile& ini, const std::vector<std::string>& chain, const QString& key) {
  const std::string k = U8(key), missing = U8(kMissing);
  for (const std::string& section : chain) {
    std::string v = ini.ReadString(section, k, missing);
    if (v != missing) return Q(v);
  }
  return kMissing;
}

int32_t IntegerUp(const MemIniFile& ini, const std::vector<std::string>& chain, const QString& key) {
  const std::string k = U8(key);
  for (const std::string& section : chain)
    if (const int32_t v = ini.ReadInteger(section, k, -1); v != -1) return v;
  return -1;
}

// A gradient text is parsed unless it is one blank.
void SetGradient(QString text, QString& data, TsGradArray& stops) {
  data = std::move(text);
  if (data == QStringLiteral(" "))
    stops.clear();
  else
    ParseGradient(data, stops);
}

bool IsTrue(const QString& text) { return text.toUpper() == QStringLiteral("TRUE"); }

int Share(int percent) { return std::clamp(percent, 0, 100); }

// A section's numbers in their ranges.
void ClampSectionNumbers(TsGeneralData& r) {
  for (int32_t* share : {&r.Transparency, &r.HotTransparency, &r.GradientPercent, &r.HotGradientPercent,
                         &r.ImagePercent, &r.HotImagePercent})
    *share = Share(*share);
  r.GlowMargin = std::clamp(r.GlowMargin, 0, kMaxSkinLength);
}

// A section with every key at its default.
TsGeneralData SectionDefaults() {
  TsGeneralData r;
  r.Color = 0xFFFFFF;
  r.GradientData = QStringLiteral(" ");
  r.FadingIterations = 5;
  r.HotColor = 0xFFFFFF;
  return r;
}

// The section keys, each read through `read`, which gives the record's
// present value for a key it does not find.
template <class Reader>
void ReadSectionKeys(TsGeneralData& r, const Reader& read) {
  r.Color = ColorToRGB(read.Int("COLOR", r.Color));
  r.ReservedBoolean = read.Flag("RESERVEDBOOLEAN", r.ReservedBoolean);
  r.GiveOwnFont = read.Flag("GIVEOWNFONT", r.GiveOwnFont);
  r.GlowCount = read.Int("GLOW", r.GlowCount);
  r.GlowMargin = read.Int("GLOWMARGIN", r.GlowMargin);
  const char* fontKeys[] = {"FONTCOLOR", "TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"};
  const char* hotFontKeys[] = {"HOTFONTCOLOR", "HOTTCLEFT", "HOTTCTOP", "HOTTCRIGHT", "HOTTCBOTTOM"};
  for (size_t i = 0; i < 5; ++i) r.FontColor[i] = read.Int(fontKeys[i], r.FontColor[i]);
  for (size_t i = 0; i < 5; ++i) r.HotFontColor[i] = read.Int(hotFontKeys[i], r.HotFontColor[i]);
  r.Transparency = read.Int("TRANSPARENCY", r.Transparency);
  r.GradientPercent = read.Int("GRADIENTPERCENT", r.GradientPercent);
  r.ImagePercent = read.Int("IMAGEPERCENT", r.ImagePercent);
  ReadSkinKey(read.text, read.section, QStringLiteral("GRADIENTDATA"),
              [&] { SetGradient(read.Text("GRADIENTDATA", r.GradientData), r.GradientData, r.GradientArray); });
  r.ShowFocus = read.Flag("SHOWFOCUS", r.ShowFocus);
  r.FadingEnabled = read.Flag("FADINGENABLED", r.FadingEnabled);
  r.FadingIterations = read.Int("FADINGITERATIONS", r.FadingIterations);
  r.HotColor = read.Int("HOTCOLOR", r.HotColor);
  r.HotTransparency = read.Int("HOTTRANSPARENCY", r.HotTransparency);
  r.HotGradientPercent = read.Int("HOTGRADIENTPERCENT", r.HotGradientPercent);
  ReadSkinKey(read.text, read.section, QStringLiteral("HOTGRADIENTDATA"), [&] {
    SetGradient(read.Text("HOTGRADIENTDATA", r.HotGradientData), r.HotGradientData, r.HotGradientArray);
  });
  r.HotImagePercent = read.Int("HOTIMAGEPERCENT", r.HotImagePercent);
}

// A section of the skin text, its missing keys up the PARENTCLASS chain.
struct InheritedReader {
  const MemIniFile& ini;
  QString text;
  QString section;
  std::vector<std::string> chain = ParentChain(ini, section);
  int32_t Int(const char* key, int32_t fallback) const {
    const int32_t v = IntegerUp(ini, chain, QString::fromLatin1(key));
    return v == -1 ? fallback : v;
  }
  QString Text(const char* key, const QString& fallback) const {
    const QString v = StringUp(ini, chain, QString::fromLatin1(key));
    return v == kMissing ? fallback : v;
  }
  bool Flag(const char* key, bool fallback) const {
    return IsTrue(Text(key, fallback ? QStringLiteral("TRUE") : QStringLiteral("FALSE")));
  }
};

// A common section: an integer -1 or a text "?" is missing.
struct CommonReader {
  const TacIniSections& sections;
  QString text;
  QString section;
  int32_t Int(const char* key, int32_t fallback) const {
    const int32_t v = ReadIniInteger(sections, section, -1, QString::fromLatin1(key));
    return v == -1 ? fallback : v;
  }
  QString Text(const char* key, const QString& fallback) const {
    const QString v = ReadIniString(sections, section, kMissing, QString::fromLatin1(key));
    return v == kMissing ? fallback : v;
  }
  bool Flag(const char* key, bool fallback) const {
    const QString v = ReadIniString(sections, section, kMissing, QString::fromLatin1(key));
    return v == kMissing ? fallback : IsTrue(v);
  }
};

void ReadGlobalInfo(const MemIniFile& ini, TsSkinData& d) {
  const std::string g = U8(kGlobalInfo);
  auto integer = [&](const char* key, int fallback) { return ClampToInt16(ini.ReadInteger(g, key, fallback)); };
  // These are converted with StrToInt: text that is no number ends the load.
  auto converted = [&](const char* key, const char* fallback) {
    return ReadSkinKey(g_skinTextName, kGlobalInfo, QString::fromLatin1(key),
                       [&] { return ClampToInt16(StrToInt(ini.ReadString(g, key, fallback))); });
  };
  bool ok = false;
  const double version = QLocale::c().toDouble(Q(ini.ReadString(g, "VERSION", "")), &ok);
  d.Version = ok ? version : 0;
  d.Author = Q(ini.ReadString(g, "AUTHOR", ""));
  d.Description = Q(ini.ReadString(g, "DESCRIPTION", ""));
  d.BorderWidth = integer("BORDERWIDTH", 4);
  d.TitleHeight = integer("TITLEHEIGHT", 30);
  d.MaxHeight = integer("MAXHEIGHT", 0);
  if (d.MaxHeight == 0) d.MaxHeight = d.TitleHeight;
  d.FormOffset = integer("FORMOFFSET", 8);
  d.CenterOffset = integer("CENTEROFFSET", 0);
  d.BorderMode = integer("BORDERMODE", 0);
  d.Shadow1Color = ini.ReadInteger(g, "SHADOW1COLOR", 0);
  d.Shadow1Offset = converted("SHADOW1OFFSET", "0");
  d.Shadow1Blur = converted("SHADOW1BLUR", "-1");
  d.Shadow1Transparency = int16_t(Share(converted("SHADOW1TRANSPARENCY", "0")));
  d.BISpace = integer("BISPACE", 0);
  d.BIVAlign = integer("BIVALIGN", 0);
  d.BIRight = integer("BIRIGHT", 0);
  d.BILeft = integer("BILEFT", 0);
  d.BorderColor = ini.ReadInteger(g, "BORDERCOLOR", 0);
  d.BIKeepHue = integer("BIKEEPHUE", 0);
  d.BICloseGlow = converted("BICONCLOSEGLOW", "0");
  d.BICloseGlowMargin = converted("BICONCLOSEGLOWMARGIN", "0");
  d.BIMaxGlow = converted("BICONMAXGLOW", "0");
  d.BIMaxGlowMargin = converted("BICONMAXGLOWMARGIN", "0");
  d.BIMinGlow = converted("BICONMINGLOW", "0");
  d.BIMinGlowMargin = converted("BICONMINGLOWMARGIN", "0");
}

// Five blank-separated colour numbers; anything else is (0, -1, -1, -1, -1).
TsFontColors FiveColors(const QString& text) {
  const TCharSet blank = MakeCharSet(" ");
  TsFontColors colors{0, -1, -1, -1, -1};
  if (WordCount(text, blank) != 5) return colors;
  TsFontColors read{};
  for (int i = 0; i < 5; ++i)
    if (!TryStrToInt(U8(ExtractNthWord(i + 1, text, blank)), read[size_t(i)])) return colors;
  return read;
}

void StoredSkinOptions(TsSkinManager& sm, const TsStoredSkin& stored) {
  TsSkinData& d = *sm.SkinData;
  d.Version = stored.Version;
  d.Author = stored.Author;
  d.Description = stored.Description;
  d.Shadow1Color = stored.Shadow1Color;
  d.Shadow1Offset = ClampToInt16(stored.Shadow1Offset);
  d.Shadow1Blur = ClampToInt16(stored.Shadow1Blur);
  d.Shadow1Transparency = int16_t(Share(stored.Shadow1Transparency));
  d.BorderColor = stored.BorderColor;
  CheckSkinVersion(sm);
  for (int i = 0; i < stored.GeneralData.Count(); ++i) {
    const TsSkinGeneral& g = stored.GeneralData[i];
    TsGeneralData& r = sm.GeneralData.emplace_back();
    r.SectionName = g.SectionName;
    r.ParentClass = g.ParentClass;
    r.Color = g.Color;
    r.FontColor = FiveColors(g.FontColor);
    r.HotFontColor = FiveColors(g.HotFontColor);
    r.GiveOwnFont = g.GiveOwnFont;
    r.GlowCount = g.GlowCount;
    r.GlowMargin = g.GlowMargin;
    r.ReservedBoolean = g.ReservedBoolean;
    r.Transparency = g.Transparency;
    r.GradientPercent = g.GradientPercent;
    ReadSkinKey(g_skinTextName, g.SectionName, QStringLiteral("GradientData"),
                [&] { SetGradient(g.GradientData, r.GradientData, r.GradientArray); });
    r.ImagePercent = g.ImagePercent;
    r.ShowFocus = g.ShowFocus;
    r.FadingEnabled = g.FadingEnabled;
    r.FadingIterations = g.FadingIterations;
    r.HotColor = g.HotColor;
    r.HotTransparency = g.HotTransparency;
    r.HotGradientPercent = g.HotGradientPercent;
    ReadSkinKey(g_skinTextName, g.SectionName, QStringLiteral("HotGradientData"),
                [&] { SetGradient(g.HotGradientData, r.HotGradientData, r.HotGradientArray); });
    r.HotImagePercent = g.HotImagePercent;
  }
}

// Sections of the manager's CommonSections that the skin lacks: a key
// they leave out is their parent's (the first skin section of that name
// in upper case), or the key's default without a parent.
void AddCommonSections(TsSkinManager& sm) {
  TacIniSections sections;
  ParseIniSections(sm.CommonSections(), sections);
  for (const TacIniSection& s : sections) {
    if (sm.IndexOfSection(s.Name) >= 0) continue;
    const QString parentName =
        ReadIniString(sections, s.Name, QStringLiteral("-1"), QStringLiteral("PARENTCLASS")).toUpper();
    TsGeneralData r = SectionDefaults();
    for (const TsGeneralData& candidate : sm.GeneralData)
      if (candidate.SectionName.toUpper() == parentName) {
        r = candidate;
        break;
      }
    r.SectionName = s.Name;
    r.ParentClass = parentName;
    r.BorderIndex = r.ImgTopLeft = r.ImgTopRight = r.ImgBottomLeft = r.ImgBottomRight = -1;
    ReadSectionKeys(r, CommonReader{sections, kCommonSectionsName, s.Name});
    sm.GeneralData.push_back(std::move(r));
  }
}

// Masks, patterns, options and the standard indexes of the text chosen;
// the text and the package are freed after.
void ReadChosenSkin(TsSkinManager& sm) {
  struct Release {
    ~Release() { ReleaseSkinPictures(); }
  } release;
  LoadMasks(sm);
  LoadPatterns(sm);
  LoadSkinOptions(sm);
  sm.UpdateStandardIndexes();
  SkinIniFile.reset();
  SkinConvertor.reset();
  g_skinTextName.clear();
}

bool IsFile(const QString& libraryPath, QString& path) {
  path = ResolveLibraryPath(libraryPath);
  return !path.isEmpty() && QFileInfo(path).isFile();
}

}  // namespace

QString ReadStringInherited(const MemIniFile& ini, const QString& section, const QString& key,
                            const QString& fallback) {
  const QString v = StringUp(ini, ParentChain(ini, section), key);
  return v == kMissing ? fallback : v;
}

int32_t ReadIntegerInherited(const MemIniFile& ini, const QString& section, const QString& key, int32_t fallback) {
  const int32_t v = IntegerUp(ini, ParentChain(ini, section), key);
  return v == -1 ? fallback : v;
}

void CheckSkinVersion(TsSkinManager& sm) {
  if (sm.SkinData->Version > 255.0)
    ShowMessageBox(QStringLiteral("This version of the skin have not complete support by used skin library release.\n"
                                  "Components must be updated up to latest version for using this skin."),
                   mkPlain, mbOK);
}

void UpdateSectionBorderIndexes(TsSkinManager& sm) {
  for (int i = 0; i < int(sm.GeneralData.size()); ++i) {
    TsGeneralData& r = sm.GeneralData[size_t(i)];
    if (r.SectionName == kGlobalInfo) continue;
    const QString name = r.SectionName;
    r.BorderIndex = sm.FindMaskIndex(i, name, QStringLiteral("BORDERSMASK"));
    r.ImgTopLeft = sm.FindMaskIndex(i, name, QStringLiteral("IMGTOPLEFT"));
    r.ImgTopRight = sm.FindMaskIndex(i, name, QStringLiteral("IMGTOPRIGHT"));
    r.ImgBottomLeft = sm.FindMaskIndex(i, name, QStringLiteral("IMGBTMLEFT"));
    r.ImgBottomRight = sm.FindMaskIndex(i, name, QStringLiteral("IMGBTMRIGHT"));
  }
}

void LoadSkinOptions(TsSkinManager& sm) {
  sm.GeneralData.clear();
  if (SkinIniFile) {
    const MemIniFile& ini = *SkinIniFile;
    ReadGlobalInfo(ini, *sm.SkinData);
    CheckSkinVersion(sm);
    for (const std::string& name : ini.ReadSections()) {
      TsGeneralData& r = sm.GeneralData.emplace_back(SectionDefaults());
      r.SectionName = Q(name);
      r.ParentClass = Q(ini.ReadString(name, "PARENTCLASS", ""));
      ReadSectionKeys(r, InheritedReader{ini, g_skinTextName, r.SectionName});
    }
  } else {
    const int i = sm.InternalSkins().IndexOfName(sm.SkinName());
    if (i < 0) return;
    StoredSkinOptions(sm, sm.InternalSkins()[i]);
  }
  sm.TablesChanged();  // read anew, perhaps to the same length
  if (!sm.CommonSections().isEmpty()) AddCommonSections(sm);
  for (TsGeneralData& r : sm.GeneralData) ClampSectionNumbers(r);
  UpdateSectionBorderIndexes(sm);
  seams::ApplyHueAndSaturation(&sm);
}

void LoadFromFolder(TsSkinManager& sm) {
  if (!sm.active_) return;
  SkinLoading = true;
  SkinIniFile.reset();
  SkinConvertor.reset();
  const QString dir = sm.GetFullSkinDir();
  QString options;
  if (IsFile(dir + sm.skinName_ + QStringLiteral("\\Options.dat"), options)) {
    sm.IsPackage = false;
    SkinIniFile = std::make_unique<MemIniFile>(U8(options));
    g_skinTextName = options;
    sm.SkinData->SkinPath = dir + sm.skinName_ + u'\\';
  } else {
    sm.SkinData->SkinPath.clear();
    TsStoredSkins& stored = sm.InternalSkins();
    int i = stored.IndexOfName(sm.skinName_);
    if (i < 0) {
      if (stored.Count() == 0) {
        sm.active_ = false;
        return;
      }
      i = 0;
      sm.skinName_ = stored[0].Name;
    }
    g_skinTextName = QStringLiteral("the stored skin \"%1\"").arg(stored[i].Name);
    if (!stored[i].Data.empty()) {
      SkinConvertor = std::make_unique<TacSkinConvertor>();
      SkinConvertor->PackedData = stored[i].Data;
      SkinConvertor->Parse();
      SkinIniFile = std::make_unique<MemIniFile>(MemIniFile::FromBytes(SkinConvertor->Options.value_or(std::string())));
      sm.IsPackage = true;
    } else {
      sm.IsPackage = false;
    }
  }
  ReadChosenSkin(sm);
}

void LoadFromPackage(TsSkinManager& sm) {
  if (!sm.active_) return;
  SkinLoading = true;
  SkinIniFile.reset();
  SkinConvertor.reset();
  const QString dir = sm.GetFullSkinDir();
  const QString package = dir + sm.skinName_ + QStringLiteral(".asz");
  g_skinTextName = ResolveLibraryPath(package) + QStringLiteral(" (Options.dat)");
  LoadSkinPackage(package, SkinConvertor, true);
  const std::string options = SkinConvertor && SkinConvertor->Options ? *SkinConvertor->Options : std::string();
  SkinIniFile = std::make_unique<MemIniFile>(MemIniFile::FromBytes(options));
  sm.SkinData->SkinPath = dir;
  ReadChosenSkin(sm);
}
