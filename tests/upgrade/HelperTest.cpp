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

// A program of the first build in a folder of its own, and the loopback
// server with the second.
struct SelfUpgrade : ::testing::Test {
  TempDir root, temp;
  const std::string folder = root.Path() + "/app folder+2/", program = folder + "standin";
  const std::string v1 = ReadAll(SSQ_SELF_UPGRADE_V1), v2 = ReadAll(SSQ_SELF_UPGRADE_V2);
  testsupport::LoopbackHttpServer server;

  SelfUpgrade() {
    fs::create_directory(folder);
    fs::copy_file(SSQ_SELF_UPGRADE_V1, program);
    server.Handle("/update/update.inf", [&](const auto&) {
      return server.Text(200, "#version=1.0.0.2\r\n#url=" + server.Url("/update/standin") + "\r\n");
    });
    server.Handle("/update/standin", [&](const auto& r) { return server.File(r, server.Share(v2)); });
    ::setenv("SSQ_STANDIN_LOG", root.File("log").c_str(), 1);
  }
  // A helper still running (a fault, reported by the test) would hold the
  // folder's lock and the test run's output for ever.
  ~SelfUpgrade() override {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
      const std::string pid = entry.path().filename().string();
      if (pid.find_first_not_of("0123456789") == std::string::npos &&
          fs::read_symlink(entry.path() / "exe", ec).string().starts_with(temp.Path() + "/"))
        ::kill(std::stoi(pid), SIGKILL);
    }
  }
  // The exit code of the program's run.
  int RunProgram(std::vector<std::string> environment = {}) {
    environment.push_back("TMPDIR=" + temp.Path());
    const pid_t pid = Spawn({program, server.Url("/update/update.inf")}, environment);
    return pid == -1 ? -1 : Reap(pid);
  }
  // Waits until no helper folder is left; gives how many there are.
  int HelperFolders() {
    auto count = [&] {
      int n = 0;
      for (const auto& entry : fs::directory_iterator(temp.Path()))
        n += entry.path().filename().string().starts_with("ssq-upgrade-");
      return n;
    };
    for (int tries = 0; tries < 500 && count(); ++tries) std::this_thread::sleep_for(10ms);
    return count();
  }
};

TEST_F(SelfUpgrade, AProgramUpgradesItselfToItsNewerBuild) {
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(WaitForLog(root.File("log"), 1), std::vector<std::string>{"restarted 1.0.0.2"});
  EXPECT_EQ(ReadAll(program), v2);
  EXPECT_EQ(HelperFolders(), 0) << "the helper removes itself and its folder";
}

// The line to the helper closes with the program: the helper must hold no
// end of it itself, or it would wait for ever holding the folder's lock.
TEST_F(SelfUpgrade, AProgramThatDiesBeforeItsWordStaysAsItWasAndFreesItsFolder) {
  EXPECT_EQ(RunProgram({"SSQ_STANDIN_DIE=1"}), 9);
  EXPECT_EQ(HelperFolders(), 0) << "the helper has gone";
  EXPECT_EQ(ReadAll(program), v1);
  const int lock = ::open((folder + ".upgrade.lock").c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0) << "no upgrade holds the folder";
  ::close(lock);
}

}  // namespace
