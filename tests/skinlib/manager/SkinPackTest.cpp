// Packed skin files: what the reader gives for the generator's packages,
// and that every damaged one is refused without a read beyond the file.
#include "skinlib/manager/acSkinPack.h"

#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <fstream>

using namespace testskins;

namespace {

TacSkinConvertor Parsed(std::string bytes) {
  TacSkinConvertor c;
  c.PackedData = std::move(bytes);
  c.Parse();
  return c;
}

// The message of what Parse raises, "" when it raises nothing.
std::string ParseError(std::string bytes, TacSkinConvertor* keep = nullptr) {
  TacSkinConvertor local;
  TacSkinConvertor& c = keep ? *keep : local;
  c.PackedData = std::move(bytes);
  try {
    c.Parse();
  } catch (const ESkinLibraryError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(SkinPack, TheDemoPackageGivesBackEveryFileOfTheFolder) {
  const TestSkin skin = DemoSkin();
  const TacSkinConvertor c = Parsed(PackageBytes(skin));
  const std::vector<SkinFile> folder = SkinFolderFiles(skin);
  ASSERT_TRUE(c.Options.has_value());
  EXPECT_EQ(*c.Options, OptionsText(skin));
  EXPECT_EQ(c.LastFileIndex, int(folder.size()) - 1);
  ASSERT_EQ(c.Files.size(), folder.size() - 1);  // the options are not among the files
  for (size_t i = 1; i < folder.size(); ++i) {
    SCOPED_TRACE(folder[i].Name.toStdString());
    EXPECT_EQ(c.Files[i - 1].FileName, folder[i].Name.toStdString());
    EXPECT_EQ(c.Files[i - 1].Data, folder[i].Data);
  }
  // The stored skin's data is the same package.
  EXPECT_EQ(Parsed(StoredSkinData(skin)).Files.size(), c.Files.size());
}

TEST(SkinPack, NamesAndTheMagic) {
  const std::string options = "[GLOBALINFO]\r\nVERSION=7\r\n";
  struct Case {
    const char* name;
    std::vector<PackEntry> entries;
    std::string magic;
    bool options;        // Options filled
    int files;           // entries in Files
    int bitmaps;         // of them IsBitmap
    int lastFileIndex;
  } cases[] = {
      {"no entries", {}, "ASzf", false, 0, 0, -1},
      {"options in capitals", {{"OPTIONS.DAT", options}}, "ASzf", true, 0, 0, 0},
      {"options in mixed case", {{"options.Dat", options}}, "ASzf", true, 0, 0, 0},
      {"bitmap extensions", {{"a.bmp", "x"}, {"B.BMP", "y"}, {"c.bmp.txt", "z"}, {"d.bmpx", "w"}, {"bmp", "v"}},
       "ASzf", false, 5, 2, 4},
      {"a dot before the last folder", {{"skin.bmp\\image", "x"}}, "ASzf", false, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TacSkinConvertor r = Parsed(PackBytes(c.entries, c.magic));
    EXPECT_EQ(r.Options.has_value(), c.options);
    EXPECT_EQ(int(r.Files.size()), c.files);
    int bitmaps = 0;
    for (const TacImageItem& f : r.Files) bitmaps += f.IsBitmap;
    EXPECT_EQ(bitmaps, c.bitmaps);
    EXPECT_EQ(r.LastFileIndex, c.lastFileIndex);
  }
}

TEST(SkinPack, DamagedPackagesAreRefused) {
  const TestSkin skin = DemoSkin();
  for (PackageDamage damage : kAllPackageDamages) {
    SCOPED_TRACE(DamageName(damage));
    TacSkinConvertor c;
    const std::string error = ParseError(DamagedPackage(skin, damage), &c);
    if (damage == PackageDamage::CorruptZlib) {
      EXPECT_EQ(error.rfind("Decompression error", 0), 0u) << error;
    } else {
      EXPECT_EQ(error, kNotPackedSkinMessage);
    }
    if (damage == PackageDamage::WrongMagic || damage == PackageDamage::UpperMagic) {
      // Emptied, the file's bytes freed.
      EXPECT_FALSE(c.PackedData.has_value());
      EXPECT_FALSE(c.Options.has_value());
    }
  }
  EXPECT_EQ(ParseError(""), kNotPackedSkinMessage);
  EXPECT_EQ(ParseError("ASz"), kNotPackedSkinMessage);
  EXPECT_EQ(ParseError("ASzf"), kNotPackedSkinMessage);  // no count
}

TEST(SkinPack, EntriesBeforeADamagedOneStay) {
  std::string bytes = PackBytes({{"Options.dat", "[A]\r\n"}, {"one.bmp", "1"}, {"two.bmp", "22"}});
  bytes.resize(bytes.size() - 3);
  TacSkinConvertor c;
  EXPECT_EQ(ParseError(bytes, &c), kNotPackedSkinMessage);
  EXPECT_TRUE(c.Options.has_value());
  ASSERT_EQ(c.Files.size(), 1u);
  EXPECT_EQ(c.Files[0].FileName, "one.bmp");
}

TEST(SkinPack, LoadSkinPackageReadsTheFileOnlyWhenItIsThere) {
  testsupport::TempDir dir;
  const TestSkin skin = DemoSkin();
  dir.Write("Demo.asz", PackageBytes(skin));
  std::unique_ptr<TacSkinConvertor> c;

  // Missing: nothing made, nothing raised.
  LoadSkinPackage(QString::fromStdString(dir.File("Missing.asz")), c, true);
  EXPECT_EQ(c, nullptr);

  // Windows text, another case: the same file.
  QString windowsPath = QString::fromStdString(dir.Path() + "/demo.ASZ");
  windowsPath.replace(u'/', u'\\');
  LoadSkinPackage(windowsPath, c, false);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->Options.has_value());
  EXPECT_TRUE(c->PackedData.has_value());

  // Reused: emptied first, so the entries are not doubled; packed data freed.
  TacSkinConvertor* same = c.get();
  const size_t files = c->Files.size();
  LoadSkinPackage(QString::fromStdString(dir.File("Demo.asz")), c, true);
  EXPECT_EQ(c.get(), same);
  EXPECT_EQ(c->Files.size(), files);
  EXPECT_FALSE(c->PackedData.has_value());

  // A package over 256 MiB is refused before it is read (a sparse file).
  const std::string big = dir.File("Big.asz");
  dir.Write("Big.asz", PackageBytes(skin));
  std::filesystem::resize_file(big, (256u << 20) + 1);
  EXPECT_THROW(LoadSkinPackage(QString::fromStdString(big), c, true), ESkinLibraryError);
}
