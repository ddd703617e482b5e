// The test-skin generator writes what the formats say: the mask values in
// their columns, a folder of real image files, the library's pictures.
#include "skinlib/support/TestSkins.h"

#include "platform/Encoding.h"
#include "platform/Picture.h"
#include "platform/Startup.h"
#include "support/TempDir.h"

#include <QFile>
#include <QStringList>

#include <optional>

#include <gtest/gtest.h>

using namespace testskins;
using namespace platform;

TEST(TestSkins, MaskValuesInTheirColumns) {
  EXPECT_EQ(TextureValue(Ltrb(10, 20, 110, 120), 1), "~0010 0020 0110 0120 01");
  EXPECT_EQ(TextureValue(Ltrb(10, 20, 110, 120), 1, 1), "~0010 0020 0110 0120 01 1");
  EXPECT_EQ(GlyphValue(Ltrb(0, 0, 48, 16), 3, 1), "@0000 0000 0048 0016 3 1");
  EXPECT_EQ(BorderValue(Ltrb(0, 0, 90, 60), QMargins(), 3, 1, 0, 0),
            "^0000 0000 0090 0060 0000 0000 0000 0000 3 1 0 0");
  EXPECT_EQ(BorderValue(Ltrb(1, 2, 3, 4), QMargins(5, 6, 7, 8), 2, 0, 1, 4),
            "^0001 0002 0003 0004 0005 0006 0007 0008 2 0 1 4");
  EXPECT_EQ(HashValue(Ltrb(0, 0, 30, 20), 1, 0, 5), "#(0,0,30,20)(1,0,5)");
  EXPECT_EQ(HashValue(Ltrb(0, 0, 30, 20), 3, 1), "#(0,0,30,20)(3,1)");
  EXPECT_EQ(HashValue(Ltrb(0, 0, 30, 20), 3, 1, 0, 2), "#(0,0,30,20)(3,1,0,2)");
  EXPECT_EQ(OwnFileValue("FRAME.PNG", 3, 1, 9), "!FRAME.PNG!3!1!9");
  EXPECT_EQ(OwnFileValue("G.BMP", 2, 0, 2, QMargins(1, 2, 3, 4)), "!G.BMP!2!0!2!1!2!3!4");
  EXPECT_THROW(GlyphValue(Ltrb(0, 0, 10000, 1), 1, 0), std::invalid_argument);
  EXPECT_THROW(GlyphValue(Ltrb(0, 0, 1, 1), 10, 0), std::invalid_argument);
}

TEST(TestSkins, TheDemoFolderHoldsRealFiles) {
  testsupport::TempDir dir;
  const TestSkin skin = DemoSkin();
  ASSERT_TRUE(WriteSkinFolder(skin, QString::fromStdString(dir.Path()) + "/Demo"));
  // The options text in CP936, sections in order.
  const std::string options = dir.Read("Demo/Options.dat");
  const QString text = QString::fromStdString(Cp936ToUtf8(options));
  EXPECT_TRUE(text.startsWith("[GLOBALINFO]\r\n"));
  EXPECT_TRUE(text.contains(QStringLiteral("DESCRIPTION=双色球测试皮肤\r\n")));
  EXPECT_NE(options.find("DESCRIPTION=\xCB\xAB"), std::string::npos);  // 双 in CP936
  // Images each format reads, in the pixel formats the skin loader expects.
  StartUnit("acPNG");
  struct File {
    const char* name;
    int width, height;
    TPixelFormat format;
  } files[] = {{"Master.bmp", skin.Master.width(), skin.Master.height(), pf24bit},
               {"EDGE.BMP", 54, 36, pf24bit},
               {"FRAME.PNG", 72, 48, pf32bit},
               {"FormBack.jpg", 300, 300, pf24bit},
               {"Panel.JPG", 200, 200, pf24bit}};
  for (const File& f : files) {
    SCOPED_TRACE(f.name);
    Picture picture;
    std::string error;
    ASSERT_TRUE(picture.LoadFromFile(dir.File(std::string("Demo/") + f.name), &error)) << error;
    EXPECT_EQ(picture.Width(), f.width);
    EXPECT_EQ(picture.Height(), f.height);
    EXPECT_EQ(picture.Graphic().PixelFormat(), f.format);
  }
  FinishUnit("acPNG");
  // Every mask of the master bitmap lies inside it and the key colour
  // surrounds the pictures.
  EXPECT_EQ(skin.Master.pixelColor(skin.Master.width() - 1, skin.Master.height() - 1), QColor(255, 0, 255));
}

TEST(TestSkins, DamagedSkinsCarryTheirDamage) {
  const TestSkin outside = DamagedSkin(SkinDamage::MaskOutsideBitmap);
  const TestSkin zero = DamagedSkin(SkinDamage::ImageCountZero);
  const TestSkin loop = DamagedSkin(SkinDamage::ParentClassLoop);
  auto value = [](const TestSkin& s, const char* section, const char* key) {
    for (const SkinSection& sec : s.Sections)
      if (sec.Name == section)
        for (const SkinKey& k : sec.Keys)
          if (k.Key == key) return k.Value;
    return QString();
  };
  const int right = value(outside, "OUTSIDE", "BORDERSMASK").mid(11, 4).toInt();
  EXPECT_GT(right, outside.Master.width());
  EXPECT_EQ(value(zero, "ZEROCOUNT", "BORDERSMASK").mid(41, 1), "0");
  EXPECT_EQ(value(zero, "ZEROCOUNT", "GLYPHMASK").mid(21, 1), "0");
  EXPECT_EQ(value(loop, "LOOPC", "PARENTCLASS"), "LOOPA");
  EXPECT_EQ(value(loop, "LOOPA", "PARENTCLASS"), "LOOPB");
}

TEST(TestSkins, TheLibrarysPictures) {
  for (bool active : {true, false}) {
    const QImage shadow = DrawShadowImage(active);
    EXPECT_EQ(shadow.size(), QSize(64, 64));
    EXPECT_EQ(qAlpha(shadow.pixel(32, 32)), 0);     // the window's place is clear
    EXPECT_GT(qAlpha(shadow.pixel(32, 55)), 0);     // shadow below it
    EXPECT_EQ(qAlpha(shadow.pixel(32, 63)), 0);     // fading out at the edge
  }
  EXPECT_GT(qAlpha(DrawShadowImage(true).pixel(5, 32)), qAlpha(DrawShadowImage(false).pixel(5, 32)));
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(kStandardListNames[i]);
    const QImage image = DrawStandardListImage(i);
    EXPECT_EQ(image.size(), QSize(48, 16));
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    if (i > 0) {
      EXPECT_NE(image, DrawStandardListImage(i - 1));
    }
  }
  // The resources in the library are what the generator draws now.
  for (int i = 0; i < 5; ++i) {
    QFile file(QStringLiteral(":/skinlib/%1.png").arg(QLatin1String(kStandardListNames[i])));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QImage resource;
    ASSERT_TRUE(resource.loadFromData(file.readAll(), "PNG"));
    const QImage drawn = DrawStandardListImage(i);
    resource = resource.convertToFormat(drawn.format());
    int differing = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 48; ++x) differing += resource.pixel(x, y) != drawn.pixel(x, y);
    EXPECT_EQ(differing, 0) << kStandardListNames[i];
  }
}

// A merged skin keeps what it had and takes in the rest: the other skin's
// pictures lie below its master bitmap, and every value it takes in names
// the same pixels there as it named in the other skin.
TEST(TestSkins, MergeMovesTheOtherSkinsPictures) {
  TestSkin merged = FormSkin();
  const TestSkin own = merged, other = DemoSkin();
  merged.Merge(other);
  const auto rect = [](const QString& v) -> std::optional<QRect> {
    if (v.startsWith(u'#')) {
      const QStringList n = v.mid(2, v.indexOf(u')') - 2).split(u',');
      return Ltrb(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
    }
    if (v.size() < 20 || !QStringLiteral("~@^").contains(v[0])) return std::nullopt;
    return Ltrb(v.mid(1, 4).toInt(), v.mid(6, 4).toInt(), v.mid(11, 4).toInt(), v.mid(16, 4).toInt());
  };
  const auto value = [](const TestSkin& s, const QString& section, const QString& key) -> std::optional<QString> {
    for (const SkinSection& sec : s.Sections)
      if (sec.Name == section)
        for (const SkinKey& k : sec.Keys)
          if (k.Key == key) return k.Value;
    return std::nullopt;
  };
  int moved = 0;
  for (const SkinSection& section : other.Sections)
    for (const SkinKey& key : section.Keys) {
      SCOPED_TRACE((section.Name + "." + key.Key).toStdString());
      const std::optional<QString> kept = value(own, section.Name, key.Key);
      const std::optional<QString> now = value(merged, section.Name, key.Key);
      ASSERT_TRUE(now);
      if (kept) {
        EXPECT_EQ(*now, *kept);
        continue;
      }
      const std::optional<QRect> from = rect(key.Value), to = rect(*now);
      ASSERT_EQ(bool(from), bool(to));
      if (!from) {
        EXPECT_EQ(*now, key.Value);
        continue;
      }
      EXPECT_EQ(*to, from->translated(0, own.Master.height()));
      EXPECT_EQ(merged.Master.copy(*to), other.Master.copy(*from).convertToFormat(QImage::Format_RGB32));
      ++moved;
    }
  EXPECT_GT(moved, 10);
  EXPECT_EQ(merged.Master.copy(own.Master.rect()), own.Master);
  EXPECT_EQ(merged.Files.size(), own.Files.size() + other.Files.size());
}
