// The INI text in memory: the reading rules of the file-backed INI files,
// over CP936 bytes, a file or lines.
#include "platform/Encoding.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace platform;
using testsupport::TempDir;

namespace {

const std::string kText =
    "; a comment\r\nBefore=no section yet\r\n"
    "[ Login ]\r\n  UserName =  zhang san  \r\nusername=second\r\n;Hidden=1\r\nNoEquals\r\n"
    "[login]\r\nUserName=other section\r\nElsewhere=1\r\n"
    "[Values]\r\nQuoted=\" padded \"\r\nSingle='a b'\r\nEmpty=\"\"\r\nUneven=\"abc'\r\nBlank=\r\n"
    "A=42\r\nB=-$10\r\nH=0x1F\r\nC=abc\r\nF=12x\r\nZero=0\r\n"
    "[GLOBALINFO]\r\nDESCRIPTION=" + Utf8ToCp936("双色球测试皮肤") + "\r\n[" + Utf8ToCp936("皮肤") + "]\r\nk=v\r\n";

}  // namespace

TEST(MemIniFile, ReadsFollowTheProfileRules) {
  const MemIniFile ini = MemIniFile::FromBytes(kText);
  const struct {
    const char* section;
    const char* key;
    std::string value;
  } strings[] = {
      {"LOGIN", "USERNAME", "zhang san"},  // case and blanks
      {" login ", " UserName ", "zhang san"},
      {"Login", "Hidden", "def"},  // a comment
      {"Login", "NoEquals", "def"},
      {"Login", "Elsewhere", "def"},  // the second [login] adds nothing
      {"", "Before", "def"},
      {"Values", "quoted", " padded "},
      {"Values", "Single", "a b"},
      {"Values", "Empty", ""},
      {"Values", "Uneven", "\"abc'"},
      {"Values", "Blank", ""},
      {"None", "A", "def"},
      {"globalinfo", "Description", "双色球测试皮肤"},  // CP936 to UTF-8
      {"皮肤", "K", "v"},
  };
  for (const auto& c : strings) EXPECT_EQ(ini.ReadString(c.section, c.key, "def"), c.value) << c.section << "/" << c.key;
  for (auto [key, integer, boolean] : {std::tuple{"A", 42, true}, {"B", -16, true}, {"H", 31, true}, {"C", 9, true},
                                       {"F", 9, true}, {"Zero", 0, false}, {"Blank", 9, true}, {"None", 9, true}}) {
    EXPECT_EQ(ini.ReadInteger("Values", key, 9), integer) << key;
    EXPECT_EQ(ini.ReadBool("Values", key, true), boolean) << key;
  }
  EXPECT_TRUE(ini.ValueExists("values", "BLANK") && !ini.ValueExists("Values", "Missing") &&
              !ini.ValueExists("Missing", "A"));
  EXPECT_TRUE(ini.SectionExists("LOGIN") && !ini.SectionExists("Before"));
}

TEST(MemIniFile, SectionsAndKeysInTextOrderEachOnce) {
  const MemIniFile ini = MemIniFile::FromBytes(kText);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Login", "Values", "GLOBALINFO", "皮肤"}));
  EXPECT_EQ(ini.ReadSection("login"), std::vector<std::string>{"UserName"});
  EXPECT_EQ(ini.ReadSection("Values"),
            (std::vector<std::string>{"Quoted", "Single", "Empty", "Uneven", "Blank", "A", "B", "H", "C", "F", "Zero"}));
  EXPECT_TRUE(ini.ReadSection("None").empty());
  EXPECT_TRUE(MemIniFile().ReadSections().empty());
}

TEST(MemIniFile, FromAFileOrFromLines) {
  TempDir dir;
  dir.Write("Options.dat", kText);
  const MemIniFile file(dir.File("Options.dat"));
  EXPECT_EQ(file.FileName(), dir.File("Options.dat"));
  EXPECT_EQ(file.ReadString("GLOBALINFO", "DESCRIPTION", ""), "双色球测试皮肤");
  const MemIniFile missing(dir.File("none.ini"));
  EXPECT_TRUE(missing.ReadSections().empty());
  EXPECT_EQ(missing.FileName(), dir.File("none.ini"));

  MemIniFile lines = MemIniFile::FromBytes(kText);
  lines.SetStrings({"[MYPANEL]", "PARENTCLASS=panel", "COLOR=255", "[mypanel]", "COLOR=1"});
  EXPECT_EQ(lines.ReadSections(), std::vector<std::string>{"MYPANEL"}) << "the text is replaced whole";
  EXPECT_EQ(lines.ReadInteger("MyPanel", "color", 0), 255);
  // Line ends of either kind; a last line without one.
  lines.SetBytes("[A]\nx=1\r\ny=2");
  EXPECT_EQ(lines.ReadString("A", "x", ""), "1");
  EXPECT_EQ(lines.ReadString("A", "y", ""), "2");
}
