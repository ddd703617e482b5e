#include "platform/AppPath.h"
#include "platform/Encoding.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using namespace platform;
using testsupport::TempDir;

TEST(AppPath, IsTheExecutableFolderUnlessRedirected) {
  std::string real = GetAppPath();
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(real.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(real + "platform_tests"));
  SetAppPathOverride("/some/where");
  EXPECT_EQ(GetAppPath(), "/some/where/");
  SetAppPathOverride("");
  EXPECT_EQ(GetAppPath(), real);
}

TEST(WriteFileAtomic, ReplacesWholeAndLeavesNoTemporary) {
  TempDir dir;
  dir.Write("a.txt", "old");
  ::chmod(dir.File("a.txt").c_str(), 0600);
  ASSERT_TRUE(WriteFileAtomic(dir.File("a.txt"), "new contents"));
  EXPECT_EQ(dir.Read("a.txt"), "new contents");
  struct stat st {};
  ::stat(dir.File("a.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "permissions of the replaced file are kept";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(WriteFileAtomic, FailureKeepsTheOldFile) {
  TempDir dir;
  dir.Write("a.txt", "old");
  EXPECT_EXIT(
      {
        ::chmod(dir.Path().c_str(), 0555);  // no new file can be made here
        if (!testsupport::BecomeUnprivileged()) std::_Exit(3);
        std::string error;
        bool ok = WriteFileAtomic(dir.File("a.txt"), "new", &error);
        std::_Exit(!ok && !error.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  ::chmod(dir.Path().c_str(), 0700);
  EXPECT_EQ(dir.Read("a.txt"), "old");
}

TEST(WriteFileAtomic, MissingFolderIsAnError) {
  std::string error;
  EXPECT_FALSE(WriteFileAtomic("/nonexistent-folder-xyz/a.txt", "x", &error));
  EXPECT_NE(error.find("temporary"), std::string::npos);
}

class IniFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string Path() const { return dir.File("t.ini"); }
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  IniFile ini(Path());
  EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
  EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7);
  EXPECT_TRUE(ini.ReadBool("S", "K", true));
  EXPECT_FALSE(std::filesystem::exists(Path())) << "reading never creates the file";
  dir.Write("t.ini", "[S]\nOther=1\n");
  EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7);
  EXPECT_EQ(ini.ReadInteger("T", "Other", 7), 7);
}

TEST_F(IniFileTest, NamesIgnoreCaseAndBlanksAndTheFirstDuplicateWins) {
  dir.Write("t.ini",
            "; a comment\r\n"
            "[ Login ]\r\n"
            "  UserName =  zhang san  \r\n"
            "username=second\r\n"
            ";UserName=commented\r\n"
            "Quoted=\" padded \"\r\n"
            "[login]\r\n"
            "UserName=other section\r\n");
  IniFile ini(Path());
  EXPECT_EQ(ini.ReadString("LOGIN", "USERNAME", ""), "zhang san");
  EXPECT_EQ(ini.ReadString("login", "quoted", ""), " padded ");
  EXPECT_EQ(ini.ReadSection("Login"), (std::vector<std::string>{"UserName", "Quoted"}));
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  dir.Write("t.ini", "[S]\nA=42\nB=-$10\nC=abc\nD=5\nE=0\nF=12x\n");
  IniFile ini(Path());
  EXPECT_EQ(ini.ReadInteger("S", "A", 0), 42);
  EXPECT_EQ(ini.ReadInteger("S", "B", 0), -16);
  EXPECT_EQ(ini.ReadInteger("S", "C", 9), 9);
  EXPECT_EQ(ini.ReadInteger("S", "F", 9), 9);
  EXPECT_TRUE(ini.ReadBool("S", "D", false));
  EXPECT_FALSE(ini.ReadBool("S", "E", true));
  EXPECT_TRUE(ini.ReadBool("S", "C", true)) << "unreadable falls back to the default";
}

TEST_F(IniFileTest, WritesReplaceInPlaceAndAppendNewKeysToTheirSection) {
  dir.Write("t.ini", "; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteInteger("a", "X", 5));
  ASSERT_TRUE(ini.WriteString("A", "z", "new"));
  ASSERT_TRUE(ini.WriteBool("C", "flag", true));
  EXPECT_EQ(dir.Read("t.ini"),
            "; keep me\r\n[A]\r\nx=5\r\nz=new\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nflag=1\r\n");
}

TEST_F(IniFileTest, FirstWriteCreatesTheFile) {
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Login", "UserName", "demo"));
  EXPECT_EQ(dir.Read("t.ini"), "[Login]\r\nUserName=demo\r\n");
}

TEST_F(IniFileTest, ValuesAreCp936OnDisk) {
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Login", "UserName", "张三"));
  EXPECT_EQ(dir.Read("t.ini"), "[Login]\r\nUserName=" + Utf8ToCp936("张三") + "\r\n");
  EXPECT_EQ(ini.ReadString("login", "username", ""), "张三");
}

TEST_F(IniFileTest, LineBreaksAreRefusedAndBrokenTextKeepsTheNextSection) {
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Login", "UserName", "demo"));
  ASSERT_TRUE(ini.WriteInteger("MA", "DayCount0", 5));
  ASSERT_TRUE(ini.WriteString("Login", "UserName", "abc\xE4"));  // ends in a lone lead byte
  EXPECT_EQ(ini.ReadString("Login", "UserName", ""), "abc?");
  EXPECT_EQ(ini.ReadInteger("MA", "DayCount0", 0), 5);
  for (const char* value : {"a\nb", "a\r", "x\r\n[MA]"}) {
    EXPECT_FALSE(ini.WriteString("Login", "UserName", value)) << value;
    EXPECT_NE(ini.LastError().find("line break"), std::string::npos) << value;
  }
  EXPECT_FALSE(ini.WriteString("Lo\ngin", "UserName", "x"));
  EXPECT_EQ(ini.ReadString("Login", "UserName", ""), "abc?");
  EXPECT_EQ(ini.ReadSection("MA").size(), 1u);
}

TEST_F(IniFileTest, EachOperationSeesTheOtherCopysWrites) {
  IniFile a(Path()), b(Path());
  a.WriteInteger("S", "one", 1);
  b.WriteInteger("S", "two", 2);  // must not drop "one"
  EXPECT_EQ(a.ReadInteger("S", "one", 0), 1);
  EXPECT_EQ(a.ReadInteger("S", "two", 0), 2);
}

TEST_F(IniFileTest, DeleteKeyAndEraseSection) {
  IniFile ini(Path());
  ini.WriteInteger("S", "a", 1);
  ini.WriteInteger("S", "b", 2);
  ini.WriteInteger("T", "c", 3);
  EXPECT_TRUE(ini.DeleteKey("s", "A"));
  EXPECT_EQ(ini.ReadInteger("S", "a", -1), -1);
  EXPECT_EQ(ini.ReadInteger("S", "b", -1), 2);
  EXPECT_TRUE(ini.EraseSection("S"));
  EXPECT_FALSE(ini.SectionExists("S"));
  EXPECT_EQ(ini.ReadInteger("T", "c", -1), 3);
}

TEST_F(IniFileTest, FailedWriteIsReportedAndKeepsTheFile) {
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteInteger("S", "a", 1));
  ::chmod(Path().c_str(), 0644);
  EXPECT_EXIT(
      {
        ::chmod(dir.Path().c_str(), 0555);
        if (!testsupport::BecomeUnprivileged()) std::_Exit(3);
        bool failed = !ini.WriteInteger("S", "a", 2) && !ini.LastError().empty();
        std::_Exit(failed && ini.ReadInteger("S", "a", 0) == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  ::chmod(dir.Path().c_str(), 0700);
  EXPECT_EQ(ini.ReadInteger("S", "a", 0), 1);
}
