#include "engine/uIniFileMgr.h"

#include "platform/AppPath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using testsupport::TempDir;

class IniFileMgrTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetAppPathOverride(appDir.Path()); }
  void TearDown() override { platform::SetAppPathOverride(""); }
  TempDir appDir;
};

TEST_F(IniFileMgrTest, LivesBesideTheExecutableWhateverTheCurrentFolderAndFollowsTheFileRules) {
  TempDir elsewhere;
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere.Path());
  TIniFileMgr mgr;
  EXPECT_EQ(mgr.ReadString("Login", "UserName", "nobody"), "nobody");
  mgr.WriteString("Login", "UserName", "demo");
  std::filesystem::current_path(cwd);
  EXPECT_EQ(mgr.FileName(), appDir.File("mySystem.ini"));
  EXPECT_FALSE(std::filesystem::exists(elsewhere.File("mySystem.ini")));
  EXPECT_EQ(TIniFileMgr().ReadString("login", "username", ""), "demo");

  appDir.Write("other.ini", "[Login]\nChkUser=5\n[MACD]\nQuick=fast\nSlow=26\n");
  TIniFileMgr other("other.ini");
  EXPECT_TRUE(other.ReadBool("Login", "ChkUser", false));
  EXPECT_EQ(other.ReadInteger("MACD", "Quick", 12), 12);
  EXPECT_EQ(other.ReadInteger("MACD", "Slow", 0), 26);
  other.WriteBool("Login", "ChkUser", false);
  other.WriteBool("Login", "Remember", true);
  other.WriteInteger("KDJ", "N", -9);
  EXPECT_TRUE(other.LastError().empty());
  TIniFileMgr again("other.ini");
  EXPECT_FALSE(again.ReadBool("Login", "ChkUser", true));
  EXPECT_TRUE(again.ReadBool("Login", "Remember", false));
  EXPECT_EQ(again.ReadInteger("KDJ", "N", 0), -9);
}

TEST_F(IniFileMgrTest, ReadOnlyProgramFolderUsesTheUserConfigFolder) {
  TempDir config;
  appDir.Write("mySystem.ini", "[Login]\nUserName=shipped\n");
  ::chmod(appDir.File("mySystem.ini").c_str(), 0644);
  EXPECT_EXIT(
      {
        ::chmod(appDir.Path().c_str(), 0555);
        ::chmod(config.Path().c_str(), 0777);
        if (!testsupport::BecomeUnprivileged()) std::_Exit(3);
        ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        TIniFileMgr mgr;  // the program folder is read-only now
        bool ok = mgr.ReadString("Login", "UserName", "") == "shipped";
        mgr.WriteInteger("MA", "DayCount1", 5);
        ok = ok && mgr.LastError().empty();
        ok = ok && mgr.FileName() == config.Path() + "/ssqanalyzer/mySystem.ini";
        ok = ok && mgr.ReadString("Login", "UserName", "") == "shipped";  // carried over
        ok = ok && mgr.ReadInteger("MA", "DayCount1", 0) == 5;
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  ::chmod(appDir.Path().c_str(), 0700);
  EXPECT_EQ(appDir.Read("mySystem.ini"), "[Login]\nUserName=shipped\n") << "the shipped file is untouched";
}

TEST_F(IniFileMgrTest, AFailedWriteIsReportedNotThrown) {
  // The settings file is a folder: it can be neither read nor replaced.
  std::filesystem::create_directory(appDir.File("mySystem.ini"));
  TIniFileMgr mgr;
  EXPECT_NO_THROW(mgr.WriteString("Login", "UserName", "x"));
  EXPECT_FALSE(mgr.LastError().empty());
  EXPECT_EQ(mgr.ReadString("Login", "UserName", "def"), "def");
}


// The first failed write after the report is set is told, with the file and
// the reason; later ones are not, until the report is set again.
TEST_F(IniFileMgrTest, AFailedWriteIsToldOnceWithTheFileAndTheReason) {
  TIniFileMgr mgr;
  std::vector<std::pair<std::string, std::string>> told;
  mgr.SetOnWriteFailed([&](const std::string& file, const std::string& reason) { told.emplace_back(file, reason); });
  mgr.WriteString("Login", "UserName", "a");
  std::filesystem::create_directory(appDir.File("elsewhere"));
  std::filesystem::rename(appDir.File("mySystem.ini"), appDir.File("elsewhere/mySystem.ini"));
  std::filesystem::create_directory(appDir.File("mySystem.ini"));  // cannot be replaced now
  for (int i = 0; i < 3; ++i) mgr.WriteInteger("MA", "DayCount1", i);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].first, appDir.File("mySystem.ini"));
  EXPECT_EQ(told[0].second, mgr.LastError());
  EXPECT_EQ(told[0].second, "原文件无法读取（这是一个文件夹，不是文件），为免丢失其中的内容，没有改写");
  mgr.SetOnWriteFailed([&](const std::string& file, const std::string& reason) { told.emplace_back(file, reason); });
  mgr.WriteBool("Login", "ChkUser", true);
  EXPECT_EQ(told.size(), 2u);
  std::filesystem::remove(appDir.File("mySystem.ini"));
  mgr.WriteBool("Login", "ChkUser", true);
  EXPECT_TRUE(mgr.LastError().empty());
  EXPECT_EQ(told.size(), 2u);
}

// A settings file that is there but cannot be read reads as empty and is
// never replaced: its first write is told, with the file and why, and it
// keeps what it holds. Beside a program folder that cannot be written the
// same holds for the settings found there, which a file in the user's
// folder would hide.
TEST_F(IniFileMgrTest, ASettingsFileThatCannotBeReadIsNeverReplaced) {
  TempDir config;
  const std::string shipped = "[Login]\nUserName=shipped\n";
  using Told = std::vector<std::pair<std::string, std::string>>;
  // In a child that cannot read the file (and, with `readOnlyFolder`,
  // cannot write the program's folder): exits with 0 when all was right.
  const auto child = [&](bool readOnlyFolder) {
    ::chmod(appDir.Path().c_str(), readOnlyFolder ? 0555 : 0777);
    ::chmod(config.Path().c_str(), 0777);
    if (!testsupport::BecomeUnprivileged()) std::_Exit(3);
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    TIniFileMgr mgr;
    Told told;
    mgr.SetOnWriteFailed([&](const std::string& file, const std::string& reason) { told.emplace_back(file, reason); });
    bool ok = mgr.ReadString("Login", "UserName", "none") == "none";
    mgr.WriteString("Login", "UserName", "mine");
    mgr.WriteInteger("MA", "DayCount1", 5);
    const std::string why = "原文件无法读取（没有读取权限），为免丢失其中的内容，没有改写";
    ok = ok && told == Told{{appDir.File("mySystem.ini"), why}} && mgr.LastError() == why;
    ok = ok && !std::filesystem::exists(config.Path() + "/ssqanalyzer/mySystem.ini");
    std::_Exit(ok ? 0 : 1);
  };
  for (bool readOnlyFolder : {false, true}) {
    SCOPED_TRACE(readOnlyFolder ? "beside a read-only program folder" : "in the program folder");
    appDir.Write("mySystem.ini", shipped);
    ::chmod(appDir.File("mySystem.ini").c_str(), 0222);  // nobody reads it
    EXPECT_EXIT(child(readOnlyFolder), ::testing::ExitedWithCode(0), "");
    ::chmod(appDir.Path().c_str(), 0700);
    ::chmod(appDir.File("mySystem.ini").c_str(), 0644);
    EXPECT_EQ(appDir.Read("mySystem.ini"), shipped) << "kept";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(appDir.Path()), {}), 1) << "no temporary file";
  }
}
