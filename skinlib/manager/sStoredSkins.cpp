#include "skinlib/manager/sStoredSkins.h"

#include <QLocale>

#include <algorithm>
#include <cstring>

using namespace platform;
using Kind = TacPropertyReader::Kind;

namespace {

// ------------------------------------------------------------ property helpers

// One property just named by the reader: each matcher takes it when the
// name is its own (a value of another kind is skipped) and says so.
class PropertyMatch {
 public:
  PropertyMatch(TacPropertyReader& reader, const std::string& name, Kind kind)
      : r_(reader), name_(name), kind_(kind) {}

  bool Int(const char* name, int32_t& value) { return Take(name, Kind::Integer, [&] { value = r_.ReadInteger(); }); }
  bool Color(const char* name, TColor& value) { return Int(name, value); }
  bool Bool(const char* name, bool& value) {
    return Take(name, Kind::Integer, [&] { value = r_.ReadInteger() != 0; });
  }
  bool Str(const char* name, QString& value) { return Take(name, Kind::String, [&] { value = r_.ReadString(); }); }
  bool Bin(const char* name, std::string& value) { return Take(name, Kind::Binary, [&] { value = r_.ReadBinary(); }); }
  bool Word(const char* name, uint16_t& value) {
    return Take(name, Kind::Integer, [&] { value = uint16_t(std::clamp(r_.ReadInteger(), 0, 0xFFFF)); });
  }
  template <class Read>
  bool Take(const char* name, Kind kind, Read read) {
    if (name_ != name) return false;
    if (kind_ == kind)
      read();
    else
      r_.SkipValue(kind_);
    return true;
  }

 private:
  TacPropertyReader& r_;
  const std::string& name_;
  Kind kind_;
};

// A bitmap as bytes: width, height (32-bit little-endian), the pixel
// format, then its rows without padding. Other formats than 8, 24 and 32
// bits go as 24 bits.
int BytesPerPixel(TPixelFormat f) { return f == pf8bit ? 1 : f == pf24bit ? 3 : 4; }

std::string BitmapBytes(const Bitmap& source) {
  if (source.Empty()) return {};
  Bitmap converted;
  const Bitmap* b = &source;
  if (source.PixelFormat() == pf1bit) {
    converted = source;
    converted.SetPixelFormat(pf24bit);
    b = &converted;
  }
  std::string out;
  auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
  };
  put(uint32_t(b->Width()));
  put(uint32_t(b->Height()));
  out.push_back(char(b->PixelFormat()));
  const size_t row = size_t(b->Width()) * size_t(BytesPerPixel(b->PixelFormat()));
  for (int y = 0; y < b->Height(); ++y) out.append(reinterpret_cast<const char*>(b->ScanLine(y)), row);
  return out;
}

Bitmap BitmapFromBytes(std::string_view bytes) {
  Bitmap b;
  if (bytes.empty()) return b;
  auto get = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(bytes[at + size_t(i)]);
    return v;
  };
  if (bytes.size() < 9) throw EPropertyStreamError("Damaged property stream: a bitmap's header is cut");
  const uint32_t w = get(0), h = get(4);
  // The byte is checked before it becomes a pixel format.
  const uint8_t formatByte = uint8_t(bytes[8]);
  if (formatByte != pfDevice && formatByte != pf8bit && formatByte != pf24bit && formatByte != pf32bit)
    throw EPropertyStreamError("Damaged property stream: a bitmap of an unknown pixel format");
  const auto format = TPixelFormat(formatByte);
  if (!BitmapSizeAllowed(w, h)) throw EPropertyStreamError("Damaged property stream: a bitmap too large");
  const size_t row = size_t(w) * size_t(BytesPerPixel(format));
  if (bytes.size() - 9 != row * h) throw EPropertyStreamError("Damaged property stream: a bitmap's pixels are cut");
  b = Bitmap(int(w), int(h), format);
  for (uint32_t y = 0; y < h; ++y) std::memcpy(b.ScanLine(int(y)), bytes.data() + 9 + row * y, row);
  return b;
}

bool BitmapProperty(PropertyMatch& p, const char* name, Bitmap& value) {
  std::string bytes;
  if (!p.Bin(name, bytes)) return false;
  value = BitmapFromBytes(bytes);
  return true;
}

QString VersionText(double v) { return QLocale::c().toString(v, 'g', 17); }

// Each item of a collection read with `read(reader, item)`.
template <class Collection, class Read>
void ReadCollection(TacPropertyReader& r, Collection& items, Read read) {
  items.Clear();
  const uint32_t count = r.ReadCollection();
  for (uint32_t i = 0; i < count; ++i) {
    auto& item = items.Add();
    std::string name;
    Kind kind;
    while (r.NextProperty(name, kind)) {
      PropertyMatch p(r, name, kind);
      if (!read(p, item)) r.SkipValue(kind);
    }
  }
}

bool ReadGeneral(PropertyMatch& p, TsSkinGeneral& g) {
  return p.Str("SectionName", g.SectionName) || p.Str("ParentClass", g.ParentClass) || p.Color("Color", g.Color) ||
         p.Bool("ReservedBoolean", g.ReservedBoolean) || p.Str("FontColor", g.FontColor) ||
         p.Str("HotFontColor", g.HotFontColor) || p.Int("Transparency", g.Transparency) ||
         p.Int("GlowCount", g.GlowCount) || p.Int("GlowMargin", g.GlowMargin) ||
         p.Int("GradientPercent", g.GradientPercent) || p.Str("GradientData", g.GradientData) ||
         p.Int("ImagePercent", g.ImagePercent) || p.Bool("ShowFocus", g.ShowFocus) ||
         p.Bool("FadingEnabled", g.FadingEnabled) || p.Int("FadingIterations", g.FadingIterations) ||
         p.Color("HotColor", g.HotColor) || p.Int("HotTransparency", g.HotTransparency) ||
         p.Int("HotGradientPercent", g.HotGradientPercent) || p.Str("HotGradientData", g.HotGradientData) ||
         p.Int("HotImagePercent", g.HotImagePercent) || p.Str("Name", g.Name) || p.Bool("GiveOwnFont", g.GiveOwnFont);
}

void WriteGeneral(TacPropertyWriter& w, const TsSkinGeneral& g) {
  w.WriteString("SectionName", g.SectionName);
  w.WriteString("ParentClass", g.ParentClass);
  w.WriteInteger("Color", g.Color);
  w.WriteInteger("ReservedBoolean", g.ReservedBoolean);
  w.WriteString("FontColor", g.FontColor);
  w.WriteString("HotFontColor", g.HotFontColor);
  w.WriteInteger("Transparency", g.Transparency);
  w.WriteInteger("GlowCount", g.GlowCount);
  w.WriteInteger("GlowMargin", g.GlowMargin);
  w.WriteInteger("GradientPercent", g.GradientPercent);
  w.WriteString("GradientData", g.GradientData);
  w.WriteInteger("ImagePercent", g.ImagePercent);
  w.WriteInteger("ShowFocus", g.ShowFocus);
  w.WriteInteger("FadingEnabled", g.FadingEnabled);
  w.WriteInteger("FadingIterations", g.FadingIterations);
  w.WriteInteger("HotColor", g.HotColor);
  w.WriteInteger("HotTransparency", g.HotTransparency);
  w.WriteInteger("HotGradientPercent", g.HotGradientPercent);
  w.WriteString("HotGradientData", g.HotGradientData);
  w.WriteInteger("HotImagePercent", g.HotImagePercent);
  w.WriteString("Name", g.Name);
  w.WriteInteger("GiveOwnFont", g.GiveOwnFont);
}

bool ReadImage(PropertyMatch& p, TsSkinImage& i) {
  int32_t type = i.ImgType;
  if (p.Int("ImgType", type)) {
    i.ImgType = TacImgType(std::clamp(type, 0, int(itisaPngGlyph)));
    return true;
  }
  return p.Str("SectionName", i.SectionName) || BitmapProperty(p, "Image", i.Image) || p.Str("Name", i.Name) ||
         p.Str("PropertyName", i.PropertyName) || p.Int("Left", i.Left) || p.Int("Top", i.Top) ||
         p.Int("Right", i.Right) || p.Int("Bottom", i.Bottom) || p.Int("ImageCount", i.ImageCount) ||
         p.Int("MaskType", i.MaskType) || p.Int("BorderWidth", i.BorderWidth) ||
         p.Int("StretchMode", i.StretchMode) || p.Int("WL", i.WL) || p.Int("WR", i.WR) || p.Int("WT", i.WT) ||
         p.Int("WB", i.WB);
}

void WriteImage(TacPropertyWriter& w, const TsSkinImage& i) {
  w.WriteString("SectionName", i.SectionName);
  w.WriteBinary("Image", BitmapBytes(i.Image));
  w.WriteString("Name", i.Name);
  w.WriteString("PropertyName", i.PropertyName);
  w.WriteInteger("Left", i.Left);
  w.WriteInteger("Top", i.Top);
  w.WriteInteger("Right", i.Right);
  w.WriteInteger("Bottom", i.Bottom);
  w.WriteInteger("ImageCount", i.ImageCount);
  w.WriteInteger("MaskType", i.MaskType);
  w.WriteInteger("BorderWidth", i.BorderWidth);
  w.WriteInteger("StretchMode", i.StretchMode);
  w.WriteInteger("ImgType", i.ImgType);
  w.WriteInteger("WL", i.WL);
  w.WriteInteger("WR", i.WR);
  w.WriteInteger("WT", i.WT);
  w.WriteInteger("WB", i.WB);
}

bool ReadPattern(PropertyMatch& p, TsSkinPattern& t) {
  return p.Str("SectionName", t.SectionName) || p.Bin("Image", t.Image) || p.Str("Name", t.Name) ||
         p.Str("PropertyName", t.PropertyName);
}

void WritePattern(TacPropertyWriter& w, const TsSkinPattern& t) {
  w.WriteString("SectionName", t.SectionName);
  w.WriteBinary("Image", t.Image);
  w.WriteString("Name", t.Name);
  w.WriteString("PropertyName", t.PropertyName);
}

template <class Collection, class Write>
void WriteCollection(TacPropertyWriter& w, const char* name, const Collection& items, Write write) {
  w.BeginCollection(name, uint32_t(items.Count()));
  for (int i = 0; i < items.Count(); ++i) {
    write(w, items[i]);
    w.EndItem();
  }
}

}  // namespace

// ------------------------------------------------------------ stored skins

TsStoredSkin::TsStoredSkin() = default;

void TsStoredSkin::Assign(const TsStoredSkin& source) {
  if (&source == this) return;
  Data = source.Data;
  Name = source.Name;
  GeneralData.Assign(source.GeneralData);
  Images.Assign(source.Images);
  Patterns.Assign(source.Patterns);
  MasterBitmap = source.MasterBitmap;
  Shadow1Color = source.Shadow1Color;
  Shadow1Offset = source.Shadow1Offset;
  Shadow1Blur = source.Shadow1Blur;
  Shadow1Transparency = source.Shadow1Transparency;
  BorderColor = source.BorderColor;
  Version = source.Version;
  Author = source.Author;
  Description = source.Description;
}

void TsStoredSkin::WriteProperties(TacPropertyWriter& w) const {
  w.WriteString("Name", Name);
  WriteCollection(w, "GeneralData", GeneralData, WriteGeneral);
  WriteCollection(w, "Images", Images, WriteImage);
  WriteCollection(w, "Patterns", Patterns, WritePattern);
  w.WriteBinary("MasterBitmap", BitmapBytes(MasterBitmap));
  w.WriteInteger("Shadow1Color", Shadow1Color);
  w.WriteInteger("Shadow1Offset", Shadow1Offset);
  w.WriteInteger("Shadow1Blur", Shadow1Blur);
  w.WriteInteger("Shadow1Transparency", Shadow1Transparency);
  w.WriteInteger("BorderColor", BorderColor);
  w.WriteString("Version", VersionText(Version));
  w.WriteString("Author", Author);
  w.WriteString("Description", Description);
  w.WriteBinary("Data", Data);  // always, empty or not
}

void TsStoredSkin::ReadProperties(TacPropertyReader& r) {
  std::string name;
  Kind kind;
  while (r.NextProperty(name, kind)) {
    PropertyMatch p(r, name, kind);
    QString version;
    if (kind == Kind::Collection && name == "GeneralData") {
      ReadCollection(r, GeneralData, ReadGeneral);
    } else if (kind == Kind::Collection && name == "Images") {
      ReadCollection(r, Images, ReadImage);
    } else if (kind == Kind::Collection && name == "Patterns") {
      ReadCollection(r, Patterns, ReadPattern);
    } else if (p.Str("Version", version)) {
      bool ok = false;
      const double v = QLocale::c().toDouble(version, &ok);
      if (ok) Version = v;
    } else if (!(p.Str("Name", Name) || BitmapProperty(p, "MasterBitmap", MasterBitmap) ||
                 p.Color("Shadow1Color", Shadow1Color) || p.Int("Shadow1Offset", Shadow1Offset) ||
                 p.Int("Shadow1Blur", Shadow1Blur) || p.Int("Shadow1Transparency", Shadow1Transparency) ||
                 p.Color("BorderColor", BorderColor) || p.Str("Author", Author) ||
                 p.Str("Description", Description) || p.Bin("Data", Data))) {
      r.SkipValue(kind);
    }
  }
}

void TsStoredSkins::Assign(const TsStoredSkins&) {}

int TsStoredSkins::IndexOfName(const QString& name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Name == name) return int(i);
  return -1;
}

void TsStoredSkins::WriteItems(TacPropertyWriter& w) const {
  w.BeginCollection("InternalSkins", uint32_t(items_.size()));
  for (const auto& item : items_) {
    item->WriteProperties(w);
    w.EndItem();
  }
}

void TsStoredSkins::ReadItems(TacPropertyReader& r) {
  items_.clear();
  const uint32_t count = r.ReadCollection();
  for (uint32_t i = 0; i < count; ++i) Add().ReadProperties(r);
}

// ------------------------------------------------------------ animations

void TacAnimEffects::WriteProperties(TacPropertyWriter& w) const {
  w.WriteInteger("AnimEffects.Buttons.Events", Buttons.Events);
  const std::pair<const char*, const TacFormAnimation*> animations[] = {
      {"DialogShow", &DialogShow}, {"FormShow", &FormShow}, {"PageChange", &PageChange}, {"SkinChanging", &SkinChanging}};
  for (const auto& [name, a] : animations) {
    w.WriteInteger(std::string("AnimEffects.") + name + ".Active", a->Active);
    w.WriteInteger(std::string("AnimEffects.") + name + ".Time", a->Time);
  }
}

bool TacAnimEffects::ReadProperty(const std::string& name, TacPropertyReader& r, Kind kind) {
  PropertyMatch p(r, name, kind);
  int32_t events = Buttons.Events;
  if (p.Int("AnimEffects.Buttons.Events", events)) {
    Buttons.Events = TacBtnEvents(events & 0xF);
    return true;
  }
  const std::pair<const char*, TacFormAnimation*> animations[] = {
      {"DialogShow", &DialogShow}, {"FormShow", &FormShow}, {"PageChange", &PageChange}, {"SkinChanging", &SkinChanging}};
  for (const auto& [n, a] : animations) {
    const std::string prefix = std::string("AnimEffects.") + n;
    if (p.Bool((prefix + ".Active").c_str(), a->Active) || p.Word((prefix + ".Time").c_str(), a->Time)) return true;
  }
  return false;
}

// ------------------------------------------------------------ third-party lists

const std::array<const char*, kThirdPartyKinds> ThirdPartyList::kNames{
    "ThirdEdits",    "ThirdButtons",      "ThirdBitBtns",     "ThirdCheckBoxes", "ThirdComboBoxes",
    "ThirdGrids",    "ThirdGroupBoxes",   "ThirdListViews",   "ThirdPanels",     "ThirdTreeViews",
    "ThirdWWEdits",  "ThirdGridEh",       "ThirdVirtualTrees", "ThirdPageControl", "ThirdTabControl",
    "ThirdToolBar",  "ThirdStatusBar",    "ThirdSpeedButton"};

int ThirdPartyList::IndexOf(const std::string& name) {
  for (size_t i = 0; i < kNames.size(); ++i)
    if (name == kNames[i]) return int(i);
  return -1;
}
