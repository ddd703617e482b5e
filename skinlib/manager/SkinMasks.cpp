#include "skinlib/manager/SkinMasks.h"

#include "platform/DelphiRtl.h"
#include "platform/Encoding.h"
#include "platform/Picture.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/acPNG.h"
#include "skinlib/manager/sSkinManager.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

using namespace platform;

namespace {

const QString kGlobalInfo = QStringLiteral("GLOBALINFO");

// Pictures with fewer pixels become texture masks instead of patterns.
constexpr int64_t kSmallPatternPixels = 90000;

QString UpperAscii(const QString& s) {
  QString u = s;
  for (QChar& c : u)
    if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
  return u;
}

std::string U8(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

// The extension of a file name: from its last '.' after the last path
// delimiter, the dot included.
QString FileExtension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(u'.');
  const qsizetype delimiter = std::max({name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'), name.lastIndexOf(u':')});
  return dot < 0 || delimiter > dot ? QString() : name.mid(dot);
}

// Whether a picture name of a skin stays in the skin's folder: no drive or
// root in front, and no ".." that climbs above the folder.
bool NameStaysInside(const QString& name) {
  if (name.contains(u':') || name.startsWith(u'\\') || name.startsWith(u'/')) return false;
  int depth = 0;
  for (const QString& part : QString(name).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts)) {
    if (part == QStringLiteral(".."))
      --depth;
    else if (part != QStringLiteral("."))
      ++depth;
    if (depth < 0) return false;
  }
  return true;
}

[[noreturn]] void PictureOutside(const QString& name) {
  throw ESkinLibraryError(QStringLiteral("%1: the picture \"%2\" lies outside the skin's folder")
                              .arg(SkinTextName(), name)
                              .toStdString());
}

// A file of the skin: the package's entry of that name (upper case
// compared), or outside a package the file in the skin's folder, which a
// name of the skin never leaves (PictureOutside). With `diskOnly` (a name
// of the manager's CommonSections) the file on disk, where a name with a
// drive stands for itself. Nothing when there is none.
// `key` tells the file apart from every other: the entry's name or the
// file's path.
std::optional<std::string> ReadSkinFile(const TsSkinManager& sm, const QString& name, bool diskOnly, QString& key) {
  if (!diskOnly && sm.IsPackage) {
    if (!SkinConvertor) return std::nullopt;
    const QString wanted = UpperAscii(name);
    key = u'|' + wanted;
    for (const TacImageItem& file : SkinConvertor->Files)
      if (UpperAscii(Q(Cp936ToUtf8(file.FileName))) == wanted) return file.Data;
    return std::nullopt;
  }
  if (!diskOnly && !NameStaysInside(name)) PictureOutside(name);
  const QString path = ResolveLibraryPath(name.contains(u':') ? name : sm.SkinData->SkinPath + name);
  if (path.isEmpty() || !QFileInfo(path).isFile()) return std::nullopt;
  if (!diskOnly) {
    // Nor through a link that leads out of the folder.
    const QString folder = QFileInfo(ResolveLibraryPath(sm.SkinData->SkinPath)).canonicalFilePath();
    if (folder.isEmpty() || !QFileInfo(path).canonicalFilePath().startsWith(folder + u'/')) PictureOutside(name);
  }
  key = path;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll().toStdString();
}

// The pictures of the skin being read: each file decoded once (by its
// kind and key) and kept for the load; what the skin keeps of them is
// counted against kMaxSkinPicturePixels.
struct SkinPictures {
  std::map<std::pair<QString, QString>, Bitmap> Decoded;  // empty: not readable
  int64_t PixelsLeft = kMaxSkinPicturePixels;
};
SkinPictures g_pictures;

[[noreturn]] void TooManyPixels(const QString& name) {
  throw ESkinLibraryError(QStringLiteral("%1: with the picture \"%2\" the skin's pictures pass %3 pixels")
                              .arg(SkinTextName(), name)
                              .arg(kMaxSkinPicturePixels)
                              .toStdString());
}

// A picture through the registry by its kind's extension ("png": a PNG
// picture whose transparent white is cleared); empty when not readable.
Bitmap DecodePicture(std::string_view bytes, const QString& kind) {
  if (kind == QStringLiteral("png")) {
    TPNGGraphic png;
    if (!png.LoadFromBytes(bytes)) return {};
    ClearTransparentWhite(png);
    return std::move(static_cast<Bitmap&>(png));
  }
  Picture picture;
  if (!picture.LoadFromBytes(bytes, kind)) return {};
  return std::move(picture.Graphic());
}

// The picture `bytes` (known as `key`) of kind `kind` as the skin keeps
// it: a copy of the picture decoded once for the load, its pixels counted.
// A picture that passes what is left of the count refuses the skin, before
// it is decoded when its header tells its size.
Bitmap KeptPicture(const QString& name, const QString& key, std::string_view bytes, const QString& kind) {
  const auto [at, added] = g_pictures.Decoded.try_emplace({kind, key});
  if (added) {
    int64_t w = 0, h = 0;
    const bool sized = kind == QStringLiteral("png") ? PngFormat().Size(bytes, w, h)
                                                     : Picture::SizeOf(bytes, kind, w, h);
    if (sized && w * h > g_pictures.PixelsLeft) TooManyPixels(name);
    at->second = DecodePicture(bytes, kind);
  }
  const Bitmap& picture = at->second;
  if (picture.Empty()) return {};
  g_pictures.PixelsLeft -= int64_t(picture.Width()) * picture.Height();
  if (g_pictures.PixelsLeft < 0) TooManyPixels(name);
  return picture;
}

// A file of the skin named `name` as a picture of kind `kind`; empty when
// the file is missing or not readable.
Bitmap ReadPicture(const TsSkinManager& sm, const QString& name, bool diskOnly, const char* kind) {
  QString key;
  const std::optional<std::string> bytes = ReadSkinFile(sm, name, diskOnly, key);
  return bytes ? KeptPicture(name, key, *bytes, QString::fromLatin1(kind)) : Bitmap();
}

int Number(const QString& text) { return StrToInt(U8(text)); }
// Columns `pos` .. pos + len - 1 (1-based) of a value.
int Column(const QString& value, int pos, int len) { return Number(value.mid(pos - 1, len)); }

// A mask's rectangle as read: its edges in 0..kMaxSkinLength, the right
// and bottom ones not before the left and top ones.
platform::TRect PictureRect(int left, int top, int right, int bottom) {
  const auto edge = [](int v) { return std::clamp(v, 0, kMaxSkinLength); };
  const int l = edge(left), t = edge(top);
  return {l, t, std::max(l, edge(right)), std::max(t, edge(bottom))};
}

platform::TRect Corners(const QString& v) {
  return PictureRect(Column(v, 2, 4), Column(v, 7, 4), Column(v, 12, 4), Column(v, 17, 4));
}

// A mask's counts and margins within its picture: a state count from 0
// (none, counted as one) to the picture's width, a mask part from -1
// (none, counted as no layer below) to 1, the slice margins within one
// state and the border width within its longer side.
void ClampMaskNumbers(TsMaskData& m) {
  const int width = m.R.Width(), height = m.R.Height();
  m.ImageCount = int16_t(std::clamp<int>(m.ImageCount, 0, std::clamp(width, 1, kMaxSkinLength)));
  m.MaskType = int16_t(std::clamp<int>(m.MaskType, -1, 1));
  const int stateWidth = width / std::max<int>(1, m.ImageCount), stateHeight = height / std::max(1, m.MaskType + 1);
  for (int16_t* side : {&m.WL, &m.WR}) *side = int16_t(std::clamp<int>(*side, 0, stateWidth));
  for (int16_t* side : {&m.WT, &m.WB}) *side = int16_t(std::clamp<int>(*side, 0, stateHeight));
  m.BorderWidth = int16_t(std::clamp<int>(m.BorderWidth, 0, std::max(stateWidth, stateHeight)));
}

// Slice margins of a mask that names none: its BorderWidth all round when
// `useBorderWidth` and it has one; else a third of one state's width and
// height. A mask of no states (ImageCount 0) or no layers (MaskType -1)
// counts as one.
void DefaultMargins(TsMaskData& m, bool useBorderWidth) {
  if (useBorderWidth && m.BorderWidth != 0) {
    m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
    return;
  }
  const int states = m.ImageCount == 0 ? 1 : m.ImageCount;
  const int layers = m.MaskType + 1 == 0 ? 1 : m.MaskType + 1;
  m.WL = m.WR = int16_t(m.R.Width() / (states * 3));
  m.WT = m.WB = int16_t(m.R.Height() / (layers * 3));
}

bool NoMargins(const TsMaskData& m) { return m.WL + m.WT + m.WR + m.WB == 0; }

TsMaskData NewMask(TsSkinManager& sm, const QString& section, const QString& name) {
  TsMaskData m;
  m.ClassName = section;
  m.PropertyName = name;
  m.Manager = &sm;
  return m;
}

// "#(L,T,R,B)(ImageCount,MaskType[,BorderWidth[,DrawMode]])".
TsMaskData HashMask(TsSkinManager& sm, const QString& section, const QString& key, const QString& v) {
  TsMaskData m = NewMask(sm, UpperAscii(section), UpperAscii(key));
  const TCharSet groups = MakeCharSet(" ()"), numbers = MakeCharSet(" ,");
  const QString corners = ExtractNthWord(2, v, groups), counts = ExtractNthWord(3, v, groups);
  m.R = PictureRect(Number(ExtractNthWord(1, corners, numbers)), Number(ExtractNthWord(2, corners, numbers)),
                    Number(ExtractNthWord(3, corners, numbers)), Number(ExtractNthWord(4, corners, numbers)));
  m.ImageCount = ClampToInt16(std::max(1, Number(ExtractNthWord(1, counts, numbers))));
  m.MaskType = ClampToInt16(std::max(0, Number(ExtractNthWord(2, counts, numbers))));
  const int words = WordCount(counts, numbers);
  m.BorderWidth = ClampToInt16(words >= 3 ? std::max(0, Number(ExtractNthWord(3, counts, numbers))) : 0);
  m.DrawMode = ClampToInt16(words >= 4 ? Number(ExtractNthWord(4, counts, numbers)) : 1);
  m.ImgType = itisaBorder;
  DefaultMargins(m, true);
  return m;
}

// A ".BMP" value: the whole value is the file's name.
std::optional<TsMaskData> BmpFileMask(TsSkinManager& sm, const QString& section, const QString& key,
                                      const QString& v, bool diskOnly) {
  Bitmap b = ReadPicture(sm, UpperAscii(v), diskOnly, "bmp");
  if (b.Width() < 1) return std::nullopt;
  b.SetPixelFormat(pf24bit);
  TsMaskData m = NewMask(sm, UpperAscii(section), UpperAscii(key));
  m.ImageCount = 3;
  m.MaskType = 1;
  m.R = {0, 0, b.Width(), b.Height()};
  m.ImgType = itisaBorder;
  m.Bmp = std::make_unique<Bitmap>(std::move(b));
  DefaultMargins(m, false);
  return m;
}

// "!FILE!ImageCount!MaskType!Type[!WL!WT!WR!WB]".
std::optional<TsMaskData> OwnFileMask(TsSkinManager& sm, const QString& section, const QString& key,
                                      const QString& v) {
  const TCharSet bang = MakeCharSet("!");
  TsMaskData m = NewMask(sm, section, key);
  const QString file = ExtractNthWord(1, v, bang);
  m.ImageCount = ClampToInt16(Number(ExtractNthWord(2, v, bang)));
  m.MaskType = ClampToInt16(Number(ExtractNthWord(3, v, bang)));
  m.ImgType = TacImgType(std::clamp(Number(ExtractNthWord(4, v, bang)), 0, int(itisaPngGlyph)));
  const bool margins = WordCount(v, bang) > 4;
  if (margins) {
    m.WL = ClampToInt16(Number(ExtractNthWord(5, v, bang)));
    m.WT = ClampToInt16(Number(ExtractNthWord(6, v, bang)));
    m.WR = ClampToInt16(Number(ExtractNthWord(7, v, bang)));
    m.WB = ClampToInt16(Number(ExtractNthWord(8, v, bang)));
  }
  m.DrawMode = 4;
  // The extension is looked for with its case.
  Bitmap b;
  if (file.contains(QStringLiteral(".BMP"))) {
    b = ReadPicture(sm, file, false, "bmp");
    if (m.ImgType != itisaTexture && !b.Empty()) b.SetPixelFormat(pf24bit);
  } else if (file.contains(QStringLiteral(".PNG"))) {
    b = ReadPicture(sm, file, false, "png");
  }
  if (b.Width() == 0) return std::nullopt;
  m.R = {0, 0, b.Width(), b.Height()};
  m.Bmp = std::make_unique<Bitmap>(std::move(b));
  if (!margins) DefaultMargins(m, false);
  return m;
}

// One key of the skin text; nothing for a value that names no mask.
std::optional<TsMaskData> MaskOfValue(TsSkinManager& sm, const QString& section, const QString& key,
                                      const QString& v) {
  TsMaskData m;
  switch (v.front().unicode()) {
    case u'~':
      m = NewMask(sm, section, key);
      m.R = Corners(v);
      m.DrawMode = int16_t(Column(v, 22, 2));
      m.MaskType = int16_t(v.size() > 24 ? Column(v, 25, 1) : 0);
      m.ImageCount = 1;
      m.ImgType = itisaTexture;
      return m;
    case u'@':
      m = NewMask(sm, section, key);
      m.R = Corners(v);
      m.ImageCount = int16_t(Column(v, 22, 1));
      m.MaskType = int16_t(Column(v, 24, 1));
      m.ImgType = itisaGlyph;
      return m;
    case u'^':
      m = NewMask(sm, section, key);
      m.R = Corners(v);
      m.WL = int16_t(Column(v, 22, 4));
      m.WT = int16_t(Column(v, 27, 4));
      m.WR = int16_t(Column(v, 32, 4));
      m.WB = int16_t(Column(v, 37, 4));
      m.ImageCount = int16_t(Column(v, 42, 1));
      m.MaskType = int16_t(Column(v, 44, 1));
      m.DrawMode = int16_t(Column(v, 46, 1));
      m.BorderWidth = int16_t(Column(v, 48, 1));
      m.ImgType = itisaBorder;
      if (NoMargins(m)) DefaultMargins(m, true);
      return m;
    case u'!':
      return OwnFileMask(sm, section, key, v);
    default:
      if (v.contains(u'#')) {
        if (v == QStringLiteral("#")) return std::nullopt;
        return HashMask(sm, section, key, v);
      }
      if (UpperAscii(v).contains(QStringLiteral(".BMP"))) return BmpFileMask(sm, section, key, v, false);
      return std::nullopt;
  }
}

void SetUpMaster(Bitmap& master) {
  master.SetPixelFormat(pf24bit);
  master.Transparent = true;
  master.SetTransparentColor(KeyColor);
}

const TsStoredSkin* StoredSkinOf(const TsSkinManager& sm) {
  const int i = sm.InternalSkins().IndexOfName(sm.SkinName());
  return i < 0 ? nullptr : &sm.InternalSkins()[i];
}

// The common sections as an INI text, or none.
std::optional<MemIniFile> CommonText(const TsSkinManager& sm) {
  if (sm.CommonSections().isEmpty()) return std::nullopt;
  std::vector<std::string> lines;
  for (const QString& line : sm.CommonSections()) lines.push_back(U8(line));
  MemIniFile ini;
  ini.SetStrings(lines);
  return ini;
}

// Every key of every section of a text, in text order.
template <class Visit>
void ForEachKey(const MemIniFile& ini, Visit visit) {
  for (const std::string& section : ini.ReadSections())
    for (const std::string& key : ini.ReadSection(section))
      visit(Q(section), Q(key), Q(ini.ReadString(section, key, "-")));
}

void StoredSkinMasks(TsSkinManager& sm, const TsStoredSkin& stored) {
  *sm.MasterBitmap = stored.MasterBitmap;
  SetUpMaster(*sm.MasterBitmap);
  for (int i = 0; i < stored.Images.Count(); ++i) {
    const TsSkinImage& image = stored.Images[i];
    TsMaskData m = NewMask(sm, UpperAscii(image.SectionName), UpperAscii(image.PropertyName));
    if (!image.Name.isEmpty()) {
      m.Bmp = std::make_unique<Bitmap>(image.Image);
      m.Bmp->SetPixelFormat(pf24bit);
      m.R = {0, 0, m.Bmp->Width(), m.Bmp->Height()};
    } else {
      m.R = PictureRect(image.Left, image.Top, image.Right, image.Bottom);
    }
    m.ImageCount = ClampToInt16(image.ImageCount);
    m.MaskType = ClampToInt16(image.MaskType);
    if (image.ImageCount == 0) {
      m.ImageCount = 3;
      m.MaskType = 1;
    }
    m.BorderWidth = ClampToInt16(image.BorderWidth);
    m.DrawMode = ClampToInt16(image.StretchMode);
    m.ImgType = image.ImgType;
    m.WL = ClampToInt16(image.WL);
    m.WT = ClampToInt16(image.WT);
    m.WR = ClampToInt16(image.WR);
    m.WB = ClampToInt16(image.WB);
    if (NoMargins(m)) DefaultMargins(m, true);
    sm.MaskData.push_back(std::move(m));
  }
}

bool IsJpegName(const QString& value) {
  const QString ext = UpperAscii(FileExtension(value));
  return ext.contains(QStringLiteral(".JPG")) || ext.contains(QStringLiteral(".JPEG"));
}

void AddPattern(TsSkinManager& sm, const QString& section, const QString& key, Bitmap picture) {
  TsPatternData p;
  p.Img = std::make_unique<Bitmap>(std::move(picture));
  p.ClassName = UpperAscii(section);
  p.PropertyName = UpperAscii(key);
  sm.PatternData.push_back(std::move(p));
}

}  // namespace

int MaskImageWidth(const TsMaskData& mask) {
  return mask.ImageCount == 0 ? 0 : mask.R.Width() / mask.ImageCount;
}

int MaskImageHeight(const TsMaskData& mask) {
  return mask.MaskType == -1 ? 0 : mask.R.Height() / (mask.MaskType + 1);
}

void ClearMasks(TsSkinManager& sm) {
  while (!sm.MaskData.empty()) sm.MaskData.pop_back();  // the last first
  sm.MasterBitmap.reset();
  sm.TablesChanged();
}

void ClearPatterns(TsSkinManager& sm) {
  sm.PatternData.clear();
  sm.TablesChanged();
}

void ReleaseSkinPictures() { g_pictures = {}; }

void LoadMasks(TsSkinManager& sm) {
  ReleaseSkinPictures();
  ClearMasks(sm);
  sm.MasterBitmap = std::make_unique<Bitmap>();
  if (SkinIniFile) {
    const MemIniFile& ini = *SkinIniFile;
    const QString master = Q(ini.ReadString(U8(kGlobalInfo), "MASTERBITMAP", ""));
    if (!master.isEmpty()) *sm.MasterBitmap = ReadPicture(sm, master, false, "bmp");
    SetUpMaster(*sm.MasterBitmap);
    ForEachKey(ini, [&](const QString& section, const QString& key, const QString& value) {
      if (value.isEmpty()) return;
      if (section.compare(kGlobalInfo, Qt::CaseInsensitive) == 0 &&
          key.compare(QStringLiteral("MASTERBITMAP"), Qt::CaseInsensitive) == 0)
        return;
      std::optional<TsMaskData> m =
          ReadSkinKey(SkinTextName(), section, key, [&] { return MaskOfValue(sm, section, key, value); });
      if (m) sm.MaskData.push_back(std::move(*m));
    });
  } else if (const TsStoredSkin* stored = StoredSkinOf(sm)) {
    StoredSkinMasks(sm, *stored);
  } else {
    return;
  }
  if (const std::optional<MemIniFile> common = CommonText(sm)) {
    const bool haveMaster = !sm.MasterBitmap->Empty();
    ForEachKey(*common, [&](const QString& section, const QString& key, const QString& value) {
      if (section.compare(kGlobalInfo, Qt::CaseInsensitive) == 0) return;
      if (haveMaster && value.contains(u'#') && value != QStringLiteral("#")) {
        sm.MaskData.push_back(
            ReadSkinKey(kCommonSectionsName, section, key, [&] { return HashMask(sm, section, key, value); }));
      } else if (UpperAscii(value).contains(QStringLiteral(".BMP"))) {
        if (std::optional<TsMaskData> m = BmpFileMask(sm, section, key, value, true)) sm.MaskData.push_back(std::move(*m));
      }
    });
  }
  for (TsMaskData& m : sm.MaskData) ClampMaskNumbers(m);
}

void LoadPatterns(TsSkinManager& sm) {
  ClearPatterns(sm);
  if (SkinIniFile) {
    ForEachKey(*SkinIniFile, [&](const QString& section, const QString& key, const QString& value) {
      if (!IsJpegName(value)) return;
      Bitmap picture = ReadPicture(sm, value, false, "jpg");
      if (picture.Width() == 0) return;
      if (int64_t(picture.Width()) * picture.Height() >= kSmallPatternPixels) {
        AddPattern(sm, section, key, std::move(picture));
        return;
      }
      // A small picture is tiled as a texture of its own.
      TsMaskData m = NewMask(sm, UpperAscii(section), UpperAscii(key));
      picture.SetPixelFormat(pf24bit);
      m.R = {0, 0, picture.Width(), picture.Height()};
      m.ImgType = itisaTexture;
      m.ImageCount = 1;
      m.Bmp = std::make_unique<Bitmap>(std::move(picture));
      sm.MaskData.push_back(std::move(m));
    });
  } else if (const TsStoredSkin* stored = StoredSkinOf(sm)) {
    for (int i = 0; i < stored->Patterns.Count(); ++i) {
      const TsSkinPattern& item = stored->Patterns[i];
      int from = i;
      for (int j = 0; stored->Patterns[from].Image.empty() && j < stored->Patterns.Count(); ++j)
        if (stored->Patterns[j].Name == item.Name && !stored->Patterns[j].Image.empty()) from = j;
      AddPattern(sm, item.SectionName, item.PropertyName,
                 KeptPicture(item.Name, QStringLiteral("#%1").arg(from), stored->Patterns[from].Image,
                             QStringLiteral("jpg")));
    }
  } else {
    return;
  }
  if (const std::optional<MemIniFile> common = CommonText(sm)) {
    ForEachKey(*common, [&](const QString& section, const QString& key, const QString& value) {
      if (!IsJpegName(value)) return;
      Bitmap picture = ReadPicture(sm, value, true, "jpg");
      if (picture.Width() > 0) AddPattern(sm, section, key, std::move(picture));
    });
  }
}
