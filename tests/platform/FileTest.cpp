#include "platform/AppPath.h"
#include "platform/Encoding.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "platform/XmlDom.h"

#include "support/FailingReads.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>

using namespace platform;
using testsupport::TempDir;

namespace {

unsigned Mode(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 0777;
}

}  // namespace

TEST(AppPath, IsTheExecutableFolderUnlessRedirectedAndSettingsFollowTheUsersFolders) {
  const std::string real = GetAppPath();
  EXPECT_TRUE(std::filesystem::exists(real + "platform_tests")) << real;
  SetAppPathOverride("/some/where");
  const std::string redirected = GetAppPath();
  SetAppPathOverride("");
  EXPECT_EQ(std::pair(redirected, GetAppPath()), std::pair(std::string("/some/where/"), real));
  // $XDG_CONFIG_HOME, else $HOME, else /tmp; a relative folder counts as none.
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  for (auto [xdg, homeDir, expected] : {std::tuple{"/x/", "/h", "/x/ssqanalyzer/"},
                                        {"rel", "/h", "/h/.config/ssqanalyzer/"}, {"", "", "/tmp/ssqanalyzer/"}}) {
    ::setenv("XDG_CONFIG_HOME", xdg, 1);
    ::setenv("HOME", homeDir, 1);
    EXPECT_EQ(GetUserConfigPath(), expected) << xdg;
  }
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", home.c_str(), 1);
}

// The bytes replace the file whole, with its permissions (a new file's
// are 0644); a file that cannot be written keeps the old one and says why;
// no temporary file is left either way.
TEST(WriteFileAtomic, ReplacesWholeOrNotAtAll) {
  TempDir dir;
  dir.Write("a.txt", "old");
  ::chmod(dir.File("a.txt").c_str(), 0600);
  ASSERT_TRUE(WriteFileAtomic(dir.File("a.txt"), "new contents"));
  ASSERT_TRUE(WriteFileAtomic(dir.File("b.txt"), ""));
  EXPECT_EQ((std::array{ReadFileBytes(dir.File("a.txt")), ReadFileBytes(dir.File("b.txt")),
                        ReadFileBytes(dir.File("c.txt"))}),
            (std::array<std::optional<std::string>, 3>{"new contents", "", std::nullopt}));
  EXPECT_EQ(std::pair(Mode(dir.File("a.txt")), Mode(dir.File("b.txt"))), std::pair(0600u, 0644u));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
  EXPECT_TRUE(IsFolderWritable(dir.Path()));
  EXPECT_EXIT(
      {
        ::chmod(dir.Path().c_str(), 0555);  // no new file can be made here
        if (!testsupport::BecomeUnprivileged()) std::_Exit(3);
        std::string error;
        bool ok = WriteFileAtomic(dir.File("a.txt"), "new", &error) || IsFolderWritable(dir.Path());
        std::_Exit(!ok && error == "没有写入权限" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  ::chmod(dir.Path().c_str(), 0700);
  EXPECT_EQ(dir.Read("a.txt"), "new contents");
  std::string error;
  EXPECT_FALSE(WriteFileAtomic("/nonexistent-folder-xyz/a.txt", "x", &error) ||
               IsFolderWritable("/nonexistent-folder-xyz"));
  EXPECT_EQ(error, "文件夹不存在");
}

// Why a file could not be read or written, in the program's words, the
// same for every file (the shrink window's test has the common failures):
// from what happens on the disk, or for an error the disk cannot be made
// to give here (a full disk), from its number. A document that is no XML
// says where it breaks.
TEST(FileFailures, AreSaidInTheProgramsWords) {
  TempDir dir;
  dir.Write("file.txt", "x");
  std::signal(SIGXFSZ, SIG_IGN);
  const auto write = [](const std::string& path) {
    std::string error;
    return WriteFileAtomic(path, "bytes", &error) ? std::string("written") : error;
  };
  const auto read = [](const std::string& path) {
    std::string error;
    return ReadFileBytes(path, &error) ? std::string("read") : error;
  };
  const auto parse = [](const std::string& bytes) {
    std::string error;
    return XmlDocument().Parse(bytes, &error) ? std::string("parsed") : error;
  };
  const auto limited = [&](const std::string& path) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{2, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string said = write(path);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return said;
  };
  const struct {
    const char* what;
    std::string said, expected;
  } cases[] = {
      {"a write past the size limit", limited(dir.File("big.txt")), "文件太大"},
      {"a name too long", write(dir.File(std::string(300, 'n'))), "文件名太长"},
      {"a write through links in a circle", [&] {
         std::filesystem::create_symlink("loop", dir.File("loop"));
         std::string error;
         return WriteFileThroughLink(dir.File("loop"), "x", &error) ? std::string("written") : error;
       }(), "符号链接太多或绕成了圈"},
      {"a file below a file", read(dir.File("file.txt/a.txt")), "文件不存在"},
      {"an empty document", parse(""), "文件是空的"},
      {"an unknown encoding", parse("<?xml version=\"1.0\" encoding=\"NO-SUCH\"?><a/>"),
       "第1行第39列：不支持文件声明的文字编码"},
      {"a full disk", FileErrorText(ENOSPC, FileAccess::Write), "磁盘已满"},
      {"a quota used up", FileErrorText(EDQUOT, FileAccess::Write), "磁盘配额已用完"},
      {"a read-only disk", FileErrorText(EROFS, FileAccess::Write), "磁盘只能读，不能写"},
      {"no right to read", FileErrorText(EACCES, FileAccess::Read), "没有读取权限"},
      {"a disk error", FileErrorText(EIO, FileAccess::Read), "磁盘读写出错"},
      {"an error without words", FileErrorText(4095, FileAccess::Write), "其他错误（错误号 4095）"},
      // The same table in English, for the upgrade in other languages.
      {"a full disk, in English", FileErrorText(ENOSPC, FileAccess::Write, TextLanguage::English), "the disk is full"},
      {"a missing folder, in English", FileErrorText(ENOENT, FileAccess::Write, TextLanguage::English),
       "the folder does not exist"},
      {"no right to write, in English", FileErrorText(EACCES, FileAccess::Write, TextLanguage::English),
       "no permission to write"},
      {"an error without words, in English", FileErrorText(4095, FileAccess::Read, TextLanguage::English),
       "another error (error number 4095)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.said, c.expected) << c.what;
  EXPECT_FALSE(std::filesystem::exists(dir.File("big.txt")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "no temporary file is left";
}

class IniFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string Path() const { return dir.File("t.ini"); }
};

// Names without regard to case and blanks, the first duplicate winning;
// one pair of matching quotes around a value goes; what is missing or
// unreadable gives the default.
TEST_F(IniFileTest, ReadsFollowTheProfileRules) {
  IniFile ini(Path());
  EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
  EXPECT_FALSE(std::filesystem::exists(Path())) << "reading never creates the file";
  dir.Write("t.ini",
            "; a comment\r\n[ Login ]\r\n  UserName =  zhang san  \r\nusername=second\r\n;Hidden=1\r\n"
            "[login]\r\nUserName=other section\r\nElsewhere=1\r\n"
            "[Values]\r\nQuoted=\" padded \"\r\nSingle='a b'\r\nEmpty=\"\"\r\nSame=aba\r\nUneven=\"abc'\r\n"
            "A=42\r\nB=-$10\r\nC=abc\r\nF=12x\r\nZero=0\r\n[]\r\nNameless=x\r\n");
  const std::vector<std::pair<std::pair<const char*, const char*>, std::string>> strings{
      {{"LOGIN", "USERNAME"}, "zhang san"}, {{"Login", "Hidden"}, "def"},   {{"Login", "Elsewhere"}, "def"},
      {{"Values", "quoted"}, " padded "},   {{"Values", "Single"}, "a b"},  {{"Values", "Empty"}, ""},
      {{"Values", "Same"}, "aba"},          {{"Values", "Uneven"}, "\"abc'"}, {{"None", "A"}, "def"},
      {{"", "Nameless"}, "x"}};
  for (auto& [name, value] : strings) EXPECT_EQ(ini.ReadString(name.first, name.second, "def"), value) << name.second;
  for (auto [key, integer, boolean] : {std::tuple{"A", 42, true}, {"B", -16, true}, {"C", 9, true}, {"F", 9, true},
                                       {"Zero", 0, false}, {"None", 9, true}}) {
    EXPECT_EQ(ini.ReadInteger("Values", key, 9), integer) << key;
    EXPECT_EQ(ini.ReadBool("Values", key, true), boolean) << key;
  }
  EXPECT_EQ(ini.ReadSection("Login"), std::vector<std::string>{"UserName"});
  EXPECT_TRUE(ini.ReadSection("None").empty() && ini.SectionExists("values") && !ini.SectionExists("None"));
}

// A key is replaced in place, keeping its spelling; a new key goes after
// the last line of its section, a new section at the end; CP936 on disk.
TEST_F(IniFileTest, WritesKeepTheRestOfTheFile) {
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Login", "UserName", "张三"));
  EXPECT_EQ(dir.Read("t.ini"), "[Login]\r\nUserName=" + Utf8ToCp936("张三") + "\r\n");
  EXPECT_EQ(ini.ReadString("login", "username", ""), "张三");
  dir.Write("t.ini", "; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(ini.WriteInteger("a", "X", 5) && ini.WriteString("A", "z", "new") && ini.WriteBool("C", "flag", true));
  EXPECT_EQ(dir.Read("t.ini"), "; keep me\r\n[A]\r\nx=5\r\nz=new\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nflag=1\r\n");
  // Another copy of the program writes between two of ours.
  IniFile other(Path());
  ASSERT_TRUE(other.WriteInteger("B", "w", 2));
  EXPECT_TRUE(ini.DeleteKey("a", "X") && ini.EraseSection("c") && ini.DeleteKey("None", "X") &&
              ini.EraseSection("None"));
  EXPECT_EQ(dir.Read("t.ini"), "; keep me\r\n[A]\r\nz=new\r\n\r\n[B]\r\ny=2\r\nw=2\r\n\r\n");
}

// A file that is there but cannot be read reads as empty and is never
// written, by no kind of write: each would replace what it holds with what
// was not read. The reason names why the read failed. A file that is not
// there reads as no bytes.
TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverWritten) {
  const std::string held = "[Login]\r\nUserName=kept\r\n";
  const struct {
    const char* what;
    std::function<std::unique_ptr<testsupport::FailingReads>()> make;
    std::string error;
  } cases[] = {
      {"a read error",
       [&] {
         dir.Write("t.ini", held);
         return std::make_unique<testsupport::FailingReads>(Path(), EIO);
       },
       "原文件无法读取（磁盘读写出错），为免丢失其中的内容，没有改写"},
      {"no right to read",
       [&]() -> std::unique_ptr<testsupport::FailingReads> {
         dir.Write("t.ini", held);
         ::chmod(Path().c_str(), 0200);
         // Root reads anything: its reads are refused as the mode refuses others'.
         if (::geteuid() == 0) return std::make_unique<testsupport::FailingReads>(Path(), EACCES);
         return nullptr;
       },
       "原文件无法读取（没有读取权限），为免丢失其中的内容，没有改写"},
      {"a folder",
       [&] {
         std::filesystem::create_directory(Path());
         return nullptr;
       },
       "原文件无法读取（这是一个文件夹，不是文件），为免丢失其中的内容，没有改写"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto failing = c.make();
    IniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Login", "UserName", "def"), "def");
    EXPECT_FALSE(ini.WriteString("Login", "UserName", "new"));
    EXPECT_EQ(ini.LastError(), c.error);
    EXPECT_FALSE(ini.DeleteKey("Login", "UserName") || ini.EraseSection("Login") || ini.DeleteKey("None", "x"));
    EXPECT_EQ(ini.LastError(), c.error);
    std::string error;
    EXPECT_EQ(ReadFileIfThere(Path(), &error), std::nullopt);
    EXPECT_EQ(UnreadFileKeptText(error), c.error);
    failing.reset();
    ::chmod(Path().c_str(), 0700);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary file";
    if (std::filesystem::is_directory(Path()))
      EXPECT_TRUE(std::filesystem::is_empty(Path()));
    else
      EXPECT_EQ(dir.Read("t.ini"), held) << "kept";
    std::filesystem::remove(Path());
  }
  std::filesystem::create_symlink("loop.ini", dir.File("loop.ini"));
  for (const char* name : {"none.ini", "none/t.ini", "loop.ini"})
    EXPECT_EQ(ReadFileIfThere(dir.File(name)), "") << name << " is not there";
}

// A write re-encodes only the line it changes or adds: the other lines keep
// their bytes (text that is no CP936, their own line ends), and new lines
// end as the file's first line does.
TEST_F(IniFileTest, AWriteLeavesTheBytesOfOtherLinesAsTheyAre) {
  const std::string utf8Note = "Note=中文";  // UTF-8 bytes, no CP936 text
  const std::string gbk = Utf8ToCp936("张三");
  const struct {
    std::string before, section, key, value, after;
  } cases[] = {
      {"[Login]\r\n" + utf8Note + "\r\nUserName=a\r\n", "Login", "UserName", "demo",
       "[Login]\r\n" + utf8Note + "\r\nUserName=demo\r\n"},
      {"[Login]\n " + gbk + " = \xFF\xFE\nUserName=a", "Login", "UserName", "张三",
       "[Login]\n " + gbk + " = \xFF\xFE\nUserName=" + gbk},
      {"[Login]\n" + utf8Note + "\n  UserName = a  \r\n", "login", "username", "b",
       "[Login]\n" + utf8Note + "\nUserName=b\r\n"},
      {"[Login]\n" + utf8Note, "Login", "ChkUser", "1", "[Login]\n" + utf8Note + "\nChkUser=1\n"},
      {"; " + utf8Note + "\r\n[A]\r\nx=1", "B", "y", "2", "; " + utf8Note + "\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
  };
  for (const auto& c : cases) {
    dir.Write("t.ini", c.before);
    IniFile ini(Path());
    ASSERT_TRUE(ini.WriteString(c.section, c.key, c.value)) << ini.LastError();
    EXPECT_EQ(dir.Read("t.ini"), c.after) << c.before;
  }
  dir.Write("t.ini", "[A]\n" + utf8Note + "\nx=1\n[B]\ny=2\n");
  IniFile ini(Path());
  ASSERT_TRUE(ini.DeleteKey("A", "x") && ini.EraseSection("B"));
  EXPECT_EQ(dir.Read("t.ini"), "[A]\n" + utf8Note + "\n");
}

// A settings file that is a link (relative, through another link) is
// written through to its target, which keeps its mode; the links stay.
TEST_F(IniFileTest, AWriteThroughALinkReplacesItsTarget) {
  namespace fs = std::filesystem;
  fs::create_directory(dir.File("real"));
  dir.Write("real/target.ini", "[A]\r\nx=1\r\n");
  ::chmod(dir.File("real/target.ini").c_str(), 0600);
  fs::create_symlink("real/target.ini", dir.File("middle.ini"));
  fs::create_symlink(dir.File("middle.ini"), Path());
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteInteger("A", "x", 2)) << ini.LastError();
  EXPECT_TRUE(fs::is_symlink(Path()) && fs::is_symlink(dir.File("middle.ini")));
  EXPECT_EQ(dir.Read("real/target.ini"), "[A]\r\nx=2\r\n");
  EXPECT_EQ(Mode(dir.File("real/target.ini")), 0600u);
  EXPECT_EQ(LinkTarget(Path()), dir.File("real/target.ini"));
  EXPECT_EQ(LinkTarget(dir.File("real/target.ini")), dir.File("real/target.ini"));
  // A link to a file not made yet: the first write makes it.
  fs::create_symlink("real/new.ini", dir.File("dangling.ini"));
  IniFile fresh(dir.File("dangling.ini"));
  ASSERT_TRUE(fresh.WriteInteger("A", "x", 3)) << fresh.LastError();
  EXPECT_TRUE(fs::is_symlink(dir.File("dangling.ini")));
  EXPECT_EQ(dir.Read("real/new.ini"), "[A]\r\nx=3\r\n");
  // Links in a circle: the write fails and says so, and nothing is replaced.
  fs::create_symlink("loop2.ini", dir.File("loop1.ini"));
  fs::create_symlink("loop1.ini", dir.File("loop2.ini"));
  IniFile loop(dir.File("loop1.ini"));
  EXPECT_FALSE(loop.WriteInteger("A", "x", 4));
  EXPECT_EQ(loop.LastError(), "符号链接太多或绕成了圈");
  EXPECT_EQ(LinkTarget(dir.File("loop1.ini")), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(dir.File("loop1.ini")) && fs::is_symlink(dir.File("loop2.ini")));
}

TEST_F(IniFileTest, LineBreaksAreRefusedAndBrokenTextKeepsTheNextSection) {
  IniFile ini(Path());
  ASSERT_TRUE(ini.WriteString("Login", "UserName", "demo") && ini.WriteInteger("MA", "DayCount0", 5));
  ASSERT_TRUE(ini.WriteString("Login", "UserName", "abc\xE4"));  // ends in a lone lead byte
  EXPECT_EQ(std::pair(ini.ReadString("Login", "UserName", ""), ini.ReadInteger("MA", "DayCount0", 0)),
            std::pair(std::string("abc?"), 5));
  for (const char* value : {"a\nb", "a\r", "x\r\n[MA]"}) {
    EXPECT_FALSE(ini.WriteString("Login", "UserName", value)) << value;
    EXPECT_EQ(ini.LastError(), "设置的名称或值含有换行，无法写入") << value;
  }
  EXPECT_FALSE(ini.WriteString("Lo\ngin", "UserName", "x") || ini.WriteString("Login", "User\rName", "x"));
  EXPECT_EQ(std::pair(ini.ReadString("Login", "UserName", ""), ini.ReadSection("MA").size()),
            std::pair(std::string("abc?"), size_t(1)));
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
