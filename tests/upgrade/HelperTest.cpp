// The replacement helper on its own, with a stand-in program that records
// its arguments, and a program that upgrades itself from the loopback
// server to a newer build of itself.
#include "support/LoopbackHttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using testsupport::TempDir;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes, mode_t mode) {
  std::ofstream(path, std::ios::binary) << bytes;
  ::chmod(path.c_str(), mode);
}

// Starts a program with this process's environment after the `extra` entries.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extra = {}) {
  std::vector<char*> argv, env;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : extra) env.push_back(const_cast<char*>(e.c_str()));
  for (char** e = environ; *e; ++e) env.push_back(*e);
  argv.push_back(nullptr);
  env.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), env.data()) == 0 ? pid : -1;
}

// The exit code; a process still running after 30 s is killed (-1).
int Reap(pid_t pid) {
  int status = -1;
  for (int tries = 0; tries < 3000 && ::waitpid(pid, &status, WNOHANG) == 0; ++tries) {
    std::this_thread::sleep_for(10ms);
    if (tries == 2999) ::kill(pid, SIGKILL);
  }
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The log's lines once it holds `lines` of them (a restarted program runs
// detached, so the test can only wait for its line).
std::vector<std::string> WaitForLog(const std::string& log, size_t lines) {
  std::vector<std::string> result;
  for (int tries = 0; tries < 3000 && result.size() < lines; ++tries) {
    if (tries) std::this_thread::sleep_for(10ms);
    std::istringstream in(ReadAll(log));
    result.clear();
    for (std::string line; std::getline(in, line);) result.push_back(line);
  }
  return result;
}

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
