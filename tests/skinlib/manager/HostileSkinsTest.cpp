// Skins, packages, stored settings and pictures made to hurt: each row is
// a hostile input, the call that reads it, and either the error that
// refuses it or what it loads to within its bounds.
#include "ManagerFixture.h"

#include "platform/Picture.h"
#include "skinlib/manager/acAlphaImageList.h"
#include "skinlib/manager/acSkinPack.h"
#include "tools/skindraw/SkinDrawing.h"

#include <QFile>

#include <algorithm>
#include <functional>
#include <string>

using namespace testskins;

namespace {

// A stream of settings: the stored skins given, then `tail` (Active,
// SkinName and the like) written by the caller.
std::string SettingsStream(const std::vector<std::pair<QString, std::string>>& stored,
                           const std::function<void(TacPropertyWriter&)>& tail) {
  TsStoredSkins skins(nullptr);
  for (const auto& [name, data] : stored) {
    TsStoredSkin& s = skins.Add();
    s.Name = name;
    s.Data = data;
  }
  TacPropertyWriter w;
  skins.WriteItems(w);
  tail(w);
  w.EndList();
  return w.Bytes();
}

// What a manager read from a stream shows of its skin.
std::string LoadedState(const TsSkinManager& sm) {
  return sm.SkinName().toStdString() + (sm.Active() ? " active " : " inactive ") +
         std::to_string(sm.GeneralData.size()) + " sections " + std::to_string(sm.MaskData.size()) + " masks";
}

// The stream read, written, read again: the second read gives the same
// stream and the same skin as the first.
void ExpectReadsBack(const std::string& stream) {
  std::string written, first;
  {
    const std::unique_ptr<TsSkinManager> sm = TsSkinManager::FromPropertyStream(stream);
    written = sm->PropertyStream();
    first = LoadedState(*sm);
  }
  const std::unique_ptr<TsSkinManager> again = TsSkinManager::FromPropertyStream(written);
  EXPECT_EQ(LoadedState(*again), first);
  EXPECT_TRUE(again->PropertyStream() == written) << "the stream written again differs";
}

// A stored skin's stream whose first bitmap ("Image" of an image item)
// claims the pixel format byte `format`.
std::string StoredBitmapOfFormat(uint8_t format) {
  TsSkinManager sm;
  sm.SetActive(false);
  TsSkinImage& image = sm.InternalSkins().Add().Images.Add();
  image.Image = platform::Bitmap(1, 1, platform::pf24bit);
  std::string stream = sm.PropertyStream();
  const size_t at = stream.find("\x05" "ImageB");
  EXPECT_NE(at, std::string::npos);
  stream[at + 7 + 4 + 8] = char(format);  // past the name, the length, width and height
  return stream;
}

// A package of `count` entries named "big<i>.bmp", each `mib` MiB of
// zeros, the last of them a damaged stream.
std::string HugePackage(int count, int mib) {
  const std::string entry = PackBytes({PackEntry("big.bmp", std::string(size_t(mib) << 20, '\0'))}).substr(8);
  std::string package = PackBytes({});
  package[4] = char(count);
  for (int i = 0; i < count; ++i) package += entry;
  package[package.size() - entry.size() + 4 + 7 + 4] ^= 0x55;  // the zlib header of the last
  return package;
}

void Parse(std::string bytes) {
  TacSkinConvertor c;
  c.PackedData = std::move(bytes);
  c.Parse();
}

void Le(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

// A BMP file of w x h pixels: `bits` per pixel, `compression` (0 none, 1
// run-length 8 bits), the pixel data as given and its size in the header;
// a palette of two colours, red 0 and 1, green 255.
std::string Bmp(int w, int h, int bits, int compression, const std::string& pixels, uint32_t declared) {
  std::string info, palette;
  Le(info, 40, 4), Le(info, uint32_t(w), 4), Le(info, uint32_t(h), 4), Le(info, 1, 2), Le(info, uint32_t(bits), 2);
  Le(info, uint32_t(compression), 4), Le(info, declared, 4), Le(info, 0, 4), Le(info, 0, 4);
  Le(info, bits <= 8 ? 2 : 0, 4), Le(info, 0, 4);
  if (bits <= 8) Le(palette, 0x00FF00, 4), Le(palette, 0x01FF00, 4);
  std::string file = "BM";
  const uint32_t offset = uint32_t(14 + info.size() + palette.size());
  Le(file, offset + uint32_t(pixels.size()), 4), Le(file, 0, 4), Le(file, offset, 4);
  return file + info + palette + pixels;
}

// A 24-bit BMP of 256 x 100 pixels of one colour.
std::string PlainBmp(QRgb colour) {
  std::string pixels;
  for (int i = 0; i < 256 * 100; ++i) Le(pixels, colour, 3);
  return Bmp(256, 100, 24, 0, pixels, uint32_t(pixels.size()));
}

// Reads a BMP file right after another of the same size (all 0x123456)
// has been read and freed; the number of its pixels other than `colour`.
int PixelsOtherThan(const std::string& bmp, platform::TColor colour) {
  {
    platform::Bitmap other;
    std::string error;
    EXPECT_TRUE(platform::BmpFormat().Load(PlainBmp(0x123456), other, error)) << error;
  }
  platform::Bitmap b;
  std::string error;
  if (!platform::BmpFormat().Load(bmp, b, error)) throw ESkinLibraryError(error);
  int left = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) left += b.GetPixel(x, y) != colour;
  return left;
}

// A progressive JPEG of side x side pixels whose last scan follows `more`
// times again.
std::string RepeatedScans(int side, int more) {
  QImage image(side, side, QImage::Format_RGB888);
  image.fill(QColor(40, 120, 200));
  std::string jpeg = skindraw::JpegBytes(image, 90, true);
  const size_t last = jpeg.rfind("\xFF\xDA");
  const std::string scan = jpeg.substr(last, jpeg.size() - 2 - last);
  std::string repeated;
  for (int i = 0; i < more; ++i) repeated += scan;
  return jpeg.insert(jpeg.size() - 2, repeated);
}

// A PNG file of 4096 x 4096 pixels of one colour (made once).
const std::string& HugePng() {
  static const std::string png = [] {
    QImage image(4096, 4096, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30, 128));
    return skindraw::PngBytes(image);
  }();
  return png;
}

// The JPEG reader of the registry, counting the files it decodes while
// it lives.
struct CountingJpegReader {
  int Decodes = 0;
  CountingJpegReader() {
    platform::PictureFormat counting = platform::JpegFormat();
    counting.Load = [this](std::string_view bytes, platform::Bitmap& out, std::string& error) {
      ++Decodes;
      return platform::DecodeJpeg(bytes, out, error);
    };
    platform::RegisterFileFormat(counting);
  }
  ~CountingJpegReader() { platform::RegisterFileFormat(platform::JpegFormat()); }
};

// An image list of w x h whose items are `files` (PNG), read from its
// property stream.
void ReadImageList(int w, int h, const std::vector<std::string>& files) {
  TsAlphaImageList list;
  list.SetSize(w, h);
  for (const std::string& f : files) list.Items().Add().ImgData = f;
  TsAlphaImageList::FromPropertyStream(list.PropertyStream());
}

// A skin of `count` sections S0 ... whose PARENTCLASS chain runs in one
// circle (S<i> names S<i+1>, the last S0); S0 alone has a "BORDERSMASK".
TestSkin ParentCircle(int count) {
  TestSkin skin;
  skin.Name = QStringLiteral("Circle");
  for (int i = 0; i < count; ++i)
    skin.Section(QStringLiteral("S%1").arg(i)).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("S%1").arg((i + 1) % count));
  skin.Section(QStringLiteral("S0")).Set(QStringLiteral("BORDERSMASK"), HashValue(QRect(0, 0, 9, 9), 1, 0));
  return skin;
}

// A skin whose section "EVIL" names `value` as its "BORDERSMASK".
TestSkin NamingSkin(const QString& value) {
  TestSkin skin = DemoSkin();
  skin.Section(QStringLiteral("EVIL")).Put(QStringLiteral("BORDERSMASK"), value);
  return skin;
}

struct Hostile {
  const char* Input;
  const char* Call;
  // Reads the input; EXPECTs what it loads to, throws what refuses it.
  std::function<void()> Read;
  const char* Refusal;  // a part of the error; nullptr: it loads
};

}  // namespace

TEST_F(ManagerTest, HostileInputsLoadOrAreRefusedWithinTheirBounds) {
  const std::string demo = StoredSkinData(DemoSkin());
  // Skins in Root()/Skins; a picture beside that folder, and a link in a
  // skin's folder to it.
  const QString glyph = QString::fromStdString(dir.Path()) + QStringLiteral("/Skins/Plain/GLYPH.BMP");
  WriteFolder(DemoSkin(), QStringLiteral("Skins/Plain"));
  ASSERT_TRUE(QFile::copy(glyph, Root() + QStringLiteral("/outside.BMP")));
  WriteFolder(NamingSkin(OwnFileValue(QStringLiteral("LINK.BMP"), 3, 0, 0)), QStringLiteral("Skins/Linked"));
  ASSERT_TRUE(QFile::link(Root() + QStringLiteral("/outside.BMP"), Root() + QStringLiteral("/Skins/Linked/LINK.BMP")));
  const auto load = [this](const TestSkin& skin) {
    WriteFolder(skin, QStringLiteral("Skins/Named"));
    auto sm = std::make_unique<TsSkinManager>();
    sm->SetSkinDirectory(Root() + QStringLiteral("/Skins"));
    sm->SetSkinName(QStringLiteral("Named"));
    return sm;
  };
  const QString options = Root() + QStringLiteral("/Skins/Named/Options.dat");
  const std::string shadowError = (options + ", section [GLOBALINFO], key SHADOW1OFFSET: '' is not a valid integer value").toStdString();
  const std::string textureError = (options + ", section [EVIL], key BORDERSMASK: '00x0' is not a valid integer value").toStdString();
  const Hostile rows[] = {
      {"a stored bitmap whose pixel format byte is 200", "TsSkinManager::FromPropertyStream",
       [] { TsSkinManager::FromPropertyStream(StoredBitmapOfFormat(200)); }, "unknown pixel format"},
      {"a stored bitmap whose pixel format byte is 3 (24 bits), as written", "TsSkinManager::FromPropertyStream",
       [] { TsSkinManager::FromPropertyStream(StoredBitmapOfFormat(3)); }, nullptr},
      {"a package of 3 entries of 64 MiB (195 KB), the last damaged", "TacSkinConvertor::Parse",
       [] { Parse(HugePackage(3, 64)); },
       kPackedSkinTooLargeMessage},
      {"a package of 2 entries of 64 MiB, the last damaged", "TacSkinConvertor::Parse",
       [] { Parse(HugePackage(2, 64)); },
       "Decompression error"},
      {"settings with Active 1, a stored skin and no skin name", "TsSkinManager::FromPropertyStream, written, read",
       [&] {
         ExpectReadsBack(SettingsStream({{"A", demo}}, [](TacPropertyWriter& w) { w.WriteInteger("Active", 1); }));
       },
       nullptr},
      {"settings with Active 1, a damaged stored skin and no skin name",
       "TsSkinManager::FromPropertyStream, written, read",
       [&] {
         ExpectReadsBack(SettingsStream({{"A", demo.substr(0, 40)}}, [](TacPropertyWriter& w) { w.WriteInteger("Active", 1); }));
       },
       nullptr},
      {"settings naming an empty skin name, an unnamed stored skin second",
       "TsSkinManager::FromPropertyStream, written, read",
       [&] {
         ExpectReadsBack(SettingsStream({{"A", demo}, {"", demo}}, [](TacPropertyWriter& w) {
           w.WriteInteger("Active", 1);
           w.WriteString("SkinName", "");
         }));
       },
       nullptr},
      {"settings whose common sections end with an empty line", "TsSkinManager::FromPropertyStream, written, read",
       [] {
         ExpectReadsBack(SettingsStream({}, [](TacPropertyWriter& w) {
           w.WriteString("CommonSections", "[X]\r\nCOLOR=1\r\n\r\n");
         }));
       },
       nullptr},
      {"a skin naming !..\\..\\outside.BMP, a picture beside its folder", "TsSkinManager::SetSkinName",
       [&] { load(NamingSkin(OwnFileValue(QStringLiteral("..\\..\\outside.BMP"), 3, 0, 0))); },
       "the picture \"..\\..\\outside.BMP\" lies outside the skin's folder"},
      {"a skin naming ..\\..\\OUTSIDE.BMP", "TsSkinManager::SetSkinName",
       [&] { load(NamingSkin(QStringLiteral("..\\..\\OUTSIDE.BMP"))); }, "lies outside the skin's folder"},
      {"a skin naming the JPEG ../Plain/../../x.jpg", "TsSkinManager::SetSkinName",
       [&] { load(NamingSkin(QStringLiteral("../Plain/../../x.jpg"))); }, "lies outside the skin's folder"},
      {"a skin naming !c:\\outside.BMP", "TsSkinManager::SetSkinName",
       [&] { load(NamingSkin(OwnFileValue(QStringLiteral("c:\\outside.BMP"), 3, 0, 0))); },
       "lies outside the skin's folder"},
      {"a skin naming its own LINK.BMP, a link to a picture beside its folder", "TsSkinManager::SetSkinName",
       [&] {
         auto sm = std::make_unique<TsSkinManager>();
         sm->SetSkinDirectory(Root() + QStringLiteral("/Skins"));
         sm->SetSkinName(QStringLiteral("Linked"));
       },
       "the picture \"LINK.BMP\" lies outside"},
      {"a skin naming !sub\\..\\GLYPH.BMP, inside its folder", "TsSkinManager::SetSkinName",
       [&] {
         EXPECT_GE(load(NamingSkin(OwnFileValue(QStringLiteral("sub\\..\\GLYPH.BMP"), 3, 0, 0)))
                       ->IndexOfMask(QStringLiteral("EVIL"), QStringLiteral("BORDERSMASK")),
                   0);
       },
       nullptr},
      {"Options.dat with an empty SHADOW1OFFSET", "TsSkinManager::SetSkinName",
       [&] {
         TestSkin skin = DemoSkin();
         skin.Section(QStringLiteral("GLOBALINFO")).Put(QStringLiteral("SHADOW1OFFSET"), QString());
         load(skin);
       },
       shadowError.c_str()},
      {"Options.dat with a letter in a texture's column", "TsSkinManager::SetSkinName",
       [&] { load(NamingSkin(QStringLiteral("~00x0 0000 0010 0010 01"))); }, textureError.c_str()},
      {"a 24-bit BMP of 256 x 100 cut to 100 bytes", "BmpFormat().Load",
       [] { PixelsOtherThan(PlainBmp(0x123456).substr(0, 100), 0); }, "the pixel data is shorter than the header says"},
      {"a run-length BMP of 256 x 100 that ends at once", "BmpFormat().Load",
       [] { EXPECT_EQ(PixelsOtherThan(Bmp(256, 100, 8, 1, std::string("\0\1", 2), 2), 0x00FF00), 0); }, nullptr},
      {"a run-length BMP whose header promises 4 bytes more than follow", "BmpFormat().Load",
       [] { PixelsOtherThan(Bmp(256, 100, 8, 1, std::string("\0\1", 2), 6), 0); }, "shorter than the header says"},
      {"a run-length BMP cut inside its runs", "BmpFormat().Load",
       [] {
         // The first 16 pixels of the bottom row take colour 1, the rest 0.
         EXPECT_EQ(PixelsOtherThan(Bmp(256, 100, 8, 1, std::string("\x10\1\0\0", 4), 0), 0x00FF00), 16);
       }, nullptr},
      {"a progressive JPEG of 4096 x 4096 whose last scan repeats 3000 times", "DecodeJpeg",
       [] {
         platform::Bitmap b;
         std::string error;
         if (!platform::DecodeJpeg(RepeatedScans(4096, 3000), b, error)) throw ESkinLibraryError(error);
       },
       "more than 100 scans"},
      {"a progressive JPEG of 256 x 256 whose last scan repeats 20 times", "DecodeJpeg",
       [] {
         platform::Bitmap b;
         std::string error;
         EXPECT_TRUE(platform::DecodeJpeg(RepeatedScans(256, 20), b, error)) << error;
       },
       nullptr},
      {"a skin naming one 400 x 400 JPEG from 3 keys", "TsSkinManager::SetSkinName",
       [&] {
         TestSkin skin = DemoSkin();
         QImage picture(400, 400, QImage::Format_RGB888);
         picture.fill(QColor(90, 60, 30));
         skin.AddFile(QStringLiteral("Big.jpg"), skindraw::JpegBytes(picture));
         for (const char* key : {"PATTERN", "HOTPATTERN", "THIRD"})
           skin.Section(QStringLiteral("EVIL")).Put(QString::fromLatin1(key), QStringLiteral("Big.jpg"));
         const CountingJpegReader jpeg;
         const auto sm = load(skin);
         EXPECT_EQ(std::count_if(sm->PatternData.begin(), sm->PatternData.end(),
                                 [](const TsPatternData& p) { return p.ClassName == "EVIL"; }),
                   3);
         EXPECT_EQ(jpeg.Decodes, 3) << "the demo's two patterns and Big.jpg once";
       },
       nullptr},
      {"a skin naming one 4096 x 4096 PNG (65 KB) from 8 keys", "TsSkinManager::SetSkinName",
       [&] {
         TestSkin skin = DemoSkin();
         skin.AddFile(QStringLiteral("HUGE.PNG"), HugePng());
         for (int i = 0; i < 8; ++i)
           skin.Section(QStringLiteral("EVIL")).Put(QStringLiteral("GLOW%1").arg(i), OwnFileValue(QStringLiteral("HUGE.PNG"), 1, 0, 4));
         load(skin);
       },
       "the picture \"HUGE.PNG\" the skin's pictures pass 16777216 pixels"},
      {"an image list of 4096 x 4096 with 4 items", "TsAlphaImageList::FromPropertyStream",
       [] { ReadImageList(4096, 4096, std::vector<std::string>(4, HugePng())); }, "pass its limit of 16777216 pixels"},
      {"an image list of 16 x 16 with 2 items of 4096 x 4096", "TsAlphaImageList::FromPropertyStream",
       [] { ReadImageList(16, 16, std::vector<std::string>(2, HugePng())); },
       "Image 1 of the image list cannot be read: its 4096 x 4096 pixels pass the list's limit"},
      {"a stored skin of 16,000 sections in one PARENTCLASS circle", "TsSkinManager::SetSkinName",
       [] {
         TsSkinManager sm;
         sm.SetActive(false);
         TsStoredSkin& stored = sm.InternalSkins().Add();
         stored.Name = QStringLiteral("Circle");
         stored.Data = StoredSkinData(ParentCircle(16000));
         sm.SetSkinName(QStringLiteral("Circle"));
         sm.SetActive(true);
         ASSERT_EQ(sm.GeneralData.size(), 16000u);
         // S0 and the 16 sections below it in the circle find S0's mask;
         // the depth limit stops the others.
         EXPECT_EQ(std::count_if(sm.GeneralData.begin(), sm.GeneralData.end(),
                                 [](const TsGeneralData& r) { return r.BorderIndex == 0; }),
                   17);
         EXPECT_EQ(sm.GeneralData[15984].BorderIndex, 0);
         EXPECT_EQ(sm.GeneralData[15983].BorderIndex, -1);
       },
       nullptr},
  };
  const auto refused = [](const Hostile& row, const std::exception& e) {
    if (!row.Refusal)
      ADD_FAILURE() << "refused: " << e.what();
    else
      EXPECT_NE(std::string(e.what()).find(row.Refusal), std::string::npos) << e.what();
  };
  for (const Hostile& row : rows) {
    SCOPED_TRACE(std::string(row.Input) + " through " + row.Call);
    try {
      row.Read();
      EXPECT_EQ(row.Refusal, nullptr) << "loaded";
    } catch (const ESkinLibraryError& e) {
      refused(row, e);
    } catch (const EPropertyStreamError& e) {
      refused(row, e);
    }
  }
}
