// The replacement helper on its own, with a stand-in program that records
// its arguments, and a program that upgrades itself from the loopback
// server to a newer build of itself.
#include "Processes.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct HelperTest : ::testing::Test {
  TempDir root;
  const std::string folder = root.Path() + "/program folder+1/";
  const std::string program = folder + "stand+in";
  const std::string log = root.File("log");
  const std::string standIn = ReadAll(SSQ_STANDIN);

  HelperTest() {
    fs::create_directory(folder);
    ::setenv("SSQ_STANDIN_LOG", log.c_str(), 1);
    WriteFile(program, standIn + "\nold-build", 0751);
  }
  // Runs the program held until `release` exists, then the helper with the
  // command line ("PID" stands for the program's process) parted at every
  // blank, as a shell would part it.
  int RunHelper(std::string commandLine) {
    fs::remove(root.File("release"));
    const pid_t held = Spawn({program, "--hold=" + root.File("release")});
    if (const size_t at = commandLine.find("PID"); at != std::string::npos)
      commandLine.replace(at, 3, std::to_string(held));
    std::vector<std::string> args = {SSQ_UPGRADE_HELPER};
    std::istringstream words(commandLine);
    for (std::string w; std::getline(words, w, ' ');) args.push_back(w);
    const pid_t helper = Spawn(args);
    std::this_thread::sleep_for(200ms);  // a helper that does not wait would be replacing by now
    WriteFile(root.File("release"), "", 0600);
    EXPECT_EQ(Reap(held), 0);
    return Reap(helper);
  }
};

TEST_F(HelperTest, WaitsForTheProgramReplacesItsFilesAndRestartsIt) {
  WriteFile(program + ".uTMP", standIn + "\nnew-build", 0600);
  WriteFile(folder + "data.txt", "old", 0640);
  WriteFile(folder + "data.txt.uTMP", "new", 0600);
  fs::create_directory(folder + "blocked");  // a file that cannot be replaced
  WriteFile(folder + "blocked.uTMP", "new", 0600);
  // Another instance that goes on running: the helper waits for its caller.
  const pid_t other = Spawn({program, "--hold=" + root.File("never")});
  ASSERT_EQ(RunHelper("--pid=PID " + program + " +/afterupgrade0"), 0);
  ::kill(other, SIGKILL);
  Reap(other);
  ASSERT_EQ(WaitForLog(log, 2).size(), 2u);
  // Again without a process id (the helper looks for processes that run
  // the program's file), now with a setup (method 1).
  WriteFile(folder + "notes.txt.uTMP", "plain text, not a program", 0644);
  WriteFile(folder + "setup.uTMP", "#!/bin/sh\necho \"setup|$1|$2\" >> \"$SSQ_STANDIN_LOG\"\n", 0644);
  ASSERT_EQ(RunHelper(program + " +/afterupgrade /x1"), 0);
  EXPECT_EQ(WaitForLog(log, 5), (std::vector<std::string>{
                                    "stand+in|held, temp there|old-build",
                                    "stand+in|/afterupgrade|new-build",
                                    "stand+in|held, temp gone|new-build",
                                    "setup|/afterupgrade|/x",
                                    "stand+in|/afterupgrade|/x|new-build",
                                }));
  EXPECT_EQ(ReadAll(program), standIn + "\nnew-build");
  EXPECT_EQ(fs::status(program).permissions(), fs::perms(0751));
  EXPECT_EQ(ReadAll(folder + "data.txt"), "new");
  EXPECT_EQ(fs::status(folder + "data.txt").permissions(), fs::perms(0640));
  EXPECT_TRUE(fs::is_directory(folder + "blocked"));
  EXPECT_EQ(ReadAll(folder + "blocked.uTMP"), "new");
  EXPECT_FALSE(fs::exists(folder + "setup")) << "the setup is deleted once it has run";
  EXPECT_EQ(ReadAll(folder + "notes.txt"), "plain text, not a program");
}

// The program's word and the folder's lock: without the word the helper
// leaves everything as it was; with it, it waits while another holds the
// lock, then replaces the files.
TEST_F(HelperTest, GoesOnOnlyOnTheProgramsWordAndHoldingTheFoldersLock) {
  WriteFile(program + ".uTMP", standIn + "\nnew-build", 0600);
  auto start = [&](bool word) {
    int line[2];
    EXPECT_EQ(::pipe2(line, O_CLOEXEC), 0);
    const int helpers = ::fcntl(line[0], F_DUPFD, 3);  // the only end it inherits
    const pid_t helper =
        Spawn({SSQ_UPGRADE_HELPER, "--go-fd=" + std::to_string(helpers), program, "+/afterupgrade0"});
    ::close(helpers);
    ::close(line[0]);
    if (word) {
      EXPECT_EQ(::write(line[1], "1", 1), 1);
    }
    ::close(line[1]);
    return helper;
  };
  EXPECT_EQ(Reap(start(false)), 3) << "no word: the program gave up the upgrade";
  EXPECT_EQ(ReadAll(program), standIn + "\nold-build");
  EXPECT_TRUE(fs::exists(program + ".uTMP"));

  const int held = ::open((folder + ".upgrade.lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const pid_t helper = start(true);
  std::this_thread::sleep_for(300ms);  // a helper that does not wait would have replaced the program by now
  EXPECT_EQ(ReadAll(program), standIn + "\nold-build") << "another upgrade holds the folder";
  ::close(held);
  EXPECT_EQ(Reap(helper), 0);
  EXPECT_EQ(ReadAll(program), standIn + "\nnew-build");
  EXPECT_EQ(WaitForLog(log, 1), std::vector<std::string>{"stand+in|/afterupgrade|new-build"});
}

TEST_F(HelperTest, WithoutACommandLineItOnlyExplainsItself) {
  EXPECT_EQ(Reap(Spawn({SSQ_UPGRADE_HELPER})), 2);
  EXPECT_EQ(Reap(Spawn({SSQ_UPGRADE_HELPER, program})), 2);
  EXPECT_EQ(ReadAll(program), standIn + "\nold-build");
}

TEST(SelfUpgrade, AProgramUpgradesItselfToItsNewerBuild) {
  TempDir root, temp;
  const std::string folder = root.Path() + "/app folder+2/", program = folder + "standin";
  fs::create_directory(folder);
  fs::copy_file(SSQ_SELF_UPGRADE_V1, program);
  const std::string v2 = ReadAll(SSQ_SELF_UPGRADE_V2);
  testsupport::LoopbackHttpServer server;
  server.Handle("/update/update.inf", [&](const auto&) {
    return server.Text(200, "#version=1.0.0.2\r\n#url=" + server.Url("/update/standin") + "\r\n");
  });
  server.Handle("/update/standin", [&](const auto& r) { return server.File(r, server.Share(v2)); });
  ::setenv("SSQ_STANDIN_LOG", root.File("log").c_str(), 1);
  const pid_t pid = Spawn({program, server.Url("/update/update.inf")}, {"TMPDIR=" + temp.Path()});
  ASSERT_NE(pid, -1);
  EXPECT_EQ(Reap(pid), 0);
  EXPECT_EQ(WaitForLog(root.File("log"), 1), std::vector<std::string>{"restarted 1.0.0.2"});
  EXPECT_EQ(ReadAll(program), v2);
  auto helperFolders = [&] {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(temp.Path()))
      count += entry.path().filename().string().starts_with("ssq-upgrade-");
    return count;
  };
  for (int tries = 0; tries < 500 && helperFolders(); ++tries) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(helperFolders(), 0) << "the helper removes itself and its folder";
}

}  // namespace
