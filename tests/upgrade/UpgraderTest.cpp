// The upgrade component against the loopback server, with a temporary
// program folder and the prompts' recording fake: the update information,
// where files go, and every way a check or a download can end.
#include "upgrade/ProgramUpgrade.h"
#include "upgrade/auUpgrader.h"
#include "upgrade/auUpgraderForms.h"

#include "Processes.h"
#include "platform/AppPath.h"
#include "platform/Encoding.h"
#include "platform/FileUtil.h"
#include "platform/UserPrompts.h"
#include "support/LoopbackHttpServer.h"
#include "support/Pictures.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTest>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

// The disk as this test program sees it: each flush of a file's data to
// the disk is noted by the file's path, and the flush of one path can be
// made to fail (a disk that reports a lost write only then); so can every
// write to one path (a full disk).
namespace flushes {
std::mutex mutex;
std::set<std::string> done;
std::string failing;
}  // namespace flushes
namespace fulldisk {
std::atomic<bool> on{false};
std::mutex mutex;  // not the flushes' one: a test may print holding that
std::string path;

void Set(const std::string& file) {
  std::lock_guard lock(mutex);
  path = std::filesystem::weakly_canonical(file).string();
  on = !path.empty();
}
void Clear() { Set(""); }
}  // namespace fulldisk

// The path a descriptor is open on.
static std::string PathOf(int fd) {
  char path[4096];
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
  return std::string(path, n > 0 ? static_cast<size_t>(n) : 0);
}

extern "C" ssize_t write(int fd, const void* buffer, size_t count) {
  static const auto real = reinterpret_cast<ssize_t (*)(int, const void*, size_t)>(::dlsym(RTLD_NEXT, "write"));
  if (fulldisk::on && count > 0) {
    const std::string name = PathOf(fd);
    std::lock_guard lock(fulldisk::mutex);
    if (name == fulldisk::path) {
      errno = ENOSPC;
      return -1;
    }
  }
  return real(fd, buffer, count);
}

extern "C" int fsync(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  const std::string name = PathOf(fd);
  {
    std::lock_guard lock(flushes::mutex);
    if (!name.empty() && name == flushes::failing) {
      errno = EIO;
      return -1;
    }
  }
  const int result = real(fd);
  std::lock_guard lock(flushes::mutex);
  if (result == 0) flushes::done.insert(name);
  return result;
}

namespace {

using Server = testsupport::LoopbackHttpServer;
using namespace std::chrono_literals;
using platform::RecordingPrompts;
namespace fs = std::filesystem;

TEST(UpdateInfo, EntriesAnywhereKeysInAnyCaseValuesAsWritten) {
  struct Case {
    const char* Text;
    std::vector<std::string> Files;
    std::string Version, Message;
    TacUpgradeMethod Method;
  };
  for (const Case& c : {
           Case{"x #Version=2.0.0.2 \r\n#URL0=A/b\n#url1=c", {"A/b"}, "2.0.0.2 ", "", umSelfUpgrade},
           Case{"#url1=a\n#url2=b\n#url3=\n#url4=d", {"a", "b"}, "", "", umSelfUpgrade},
           Case{"#url=a\n#url2=b\n#method=2x\n#url=z", {"a", "b"}, "", "", umRedirectToURL},
           Case{"#url=a\n#url0=b\n#url3=c\n#url2=d #method=1", {"a", "b", "c"}, "", "", umUseExternalSetup},
           Case{"#message={one\r\ntwo} #MESSAGE={x}", {}, "", "one\r\ntwo", umSelfUpgrade},
           Case{"#message={open to the end", {}, "", "open to the end", umSelfUpgrade},
           Case{"#version2=1 version=3 #message=one line", {}, "", "", umSelfUpgrade},
           // The first "#key=" counts wherever it stands, also inside a
           // value or after another "#"; "#key={" is looked for apart.
           Case{"##URL1=a\n#x#url2=b\n#message=x #message={y}", {"a", "b"}, "", "y", umSelfUpgrade},
           Case{"#message={#url1=a}\n#url1=b", {"a}"}, "", "#url1=a", umSelfUpgrade},
       }) {
    const TauUpdateInfo info = ParseUpdateInfo(c.Text);
    EXPECT_EQ(info.Files, c.Files) << c.Text;
    EXPECT_EQ(info.Version, c.Version) << c.Text;
    EXPECT_EQ(info.Message, c.Message) << c.Text;
    EXPECT_EQ(info.Method, c.Method) << c.Text;
  }
  // The message is CP936; one of its characters ends in the byte of "}".
  EXPECT_EQ(ParseUpdateInfo(platform::Utf8ToCp936("#message={新版本}")).Message, "新版本");
  EXPECT_EQ(ParseUpdateInfo("#message={\x8c}}").Message, "\xe5\xaf\x8e") << "0x8C7D is one character";
}

TEST(UpdateInfo, VersionsAreComparedWithoutTheBlanksAroundThem) {
  for (auto [available, running, newer] :
       {std::tuple{"2.0.0.1 ", "2.0.0.1", false}, {"2.0.0.1", " 2.0.0.1 ", false}, {" 2.0.0.2", "2.0.0.1 ", true},
        {"2.0.0.1", "2.0.0.2", false}, {"", "2.0.0.1", false}})
    EXPECT_EQ(IsNewerVersion(available, running), newer) << "'" << available << "' against '" << running << "'";
  EXPECT_EQ(ParseUpgradeDate("02/01/2024 "), ParseUpgradeDate("02/01/2024"));
}

TEST(UpgradeFiles, FilesGoToTheirSubFolderAndNothingLeavesTheProgramFolder) {
  testsupport::TempDir app;
  fs::create_directory_symlink("/tmp", app.File("out"));
  const std::string base = "https://host/update/";
  std::vector<TauUpgradeFile> plan;
  std::string refused;
  ASSERT_TRUE(PlanUpgradeFiles({base + "a.dll", base + "skin/x%20y/b.skn", "https://host/files/c/d.dll",
                                "http://127.0.0.1:9/update/e"},
                               app.Path(), true, plan, refused));
  ASSERT_EQ(plan.size(), 4u);
  for (auto [i, name, folder] : {std::tuple{0, "a.dll", ""}, {1, "b.skn", "skin/x y/"}, {2, "d.dll", ""}, {3, "e", ""}}) {
    EXPECT_EQ(plan[size_t(i)].Name, name);
    EXPECT_EQ(plan[size_t(i)].SubFolder, folder);
  }
  for (const std::vector<std::string>& list : std::vector<std::vector<std::string>>{
           {base + "%2E%2E/x"}, {base + "a/%2e%2e/%2e%2e/x"}, {base + "/etc/passwd"}, {base + "a/%2e/b"},
           {base + "dir/"}, {base + "a%5cb"}, {base + "out/x"}, {"http://host/update/a"},
           {base + "a.dll", base + "sub/a.dll"},
           // An escaped control character cannot be decoded: no path at all.
           {base + "a%00b"}, {base + "%0a"}, {base + "skin/%1F/b"}, {"https://host/%00"}, {"https://host"}}) {
    EXPECT_FALSE(PlanUpgradeFiles(list, app.Path(), true, plan, refused)) << list.back();
    EXPECT_EQ(refused, list.back());
  }
}

struct UpgraderTest : ::testing::Test {
  testsupport::TempDir app, temp;
  Server server;
  RecordingPrompts prompts;
  platform::ScopedPrompts scoped{prompts};
  std::unique_ptr<TauUpgrader> u = std::make_unique<TauUpgrader>();
  std::vector<std::string> events, started;
  const std::string self = TauUpgrader::ProgramPath().substr(TauUpgrader::ProgramPath().rfind('/') + 1);

  const char* const tmpdir = std::getenv("TMPDIR");
  const std::string savedTmpdir = tmpdir ? tmpdir : "";

  UpgraderTest() {
    platform::SetAppPathOverride(app.Path());
    ::setenv("TMPDIR", temp.Path().c_str(), 1);
    Setup(*u);
  }
  ~UpgraderTest() override {
    platform::SetAppPathOverride("");
    tmpdir ? ::setenv("TMPDIR", savedTmpdir.c_str(), 1) : ::unsetenv("TMPDIR");
  }
  void Setup(TauUpgrader& c) {
    c.InfoFileURL = server.Url("/update/update.inf");
    c.VersionControl = byNumber;
    c.VersionNumber = "2.0.0.1";
    c.Wizard.Enabled = false;
    c.Wizard.Language = wlEnglish;
    c.StartProcess = [this](const std::string& program, const std::vector<std::string>& args) {
      started = args;
      started.insert(started.begin(), program);
      return true;
    };
    for (auto [event, name] : {std::pair{&c.OnDoOwnCloseAppMethod, "close"}, {&c.OnAborted, "aborted"},
                               {&c.OnConnLost, "connection lost"}, {&c.OnNoUpdateAvailable, "no update"},
                               {&c.OnLaterUpgrade, "later"}, {&c.OnNoInfoFile, "no information"}})
      *event = [this, name](TauUpgrader&) { events.push_back(name); };
    c.OnHostUnreachable = [this](TauUpgrader&, const std::string&, const std::string& host) {
      events.push_back("unreachable " + host);
    };
  }
  // Serves the information and files by name under "/update/".
  void Serve(const std::string& info, const std::map<std::string, std::string>& files = {}) {
    server.Handle("/update/update.inf", [info](const Server::Request&) { return Server::Text(200, info); });
    for (const auto& [name, bytes] : files)
      server.Handle("/update/" + name, [bytes](const Server::Request& r) { return Server::File(r, Server::Share(bytes)); });
  }
  std::string Url(const std::string& name) { return server.Url("/update/" + name); }
  // Checks and waits until the component has done something that ends a run
  // (an event of this run, or a prompt past the first `prompted`), then
  // until no transfer is left and all it posted has run. The deadlines only
  // bound a hang.
  void Run(size_t prompted = SIZE_MAX) {
    events.clear();
    u->StartUpdateCheck(false);
    ASSERT_TRUE(WaitPumping([&] { return !events.empty() || prompts.Calls.size() > prompted; }, 120000, false));
    ASSERT_TRUE(WaitPumping([&] { return !u->Busy() && platform::GuiDispatcher().Pending() == 0; }, 120000, false));
  }
  std::vector<std::string> TempFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(app.Path()))
      if (e.path().extension() == ".uTMP") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string MessageText(size_t i = 0) { return i < prompts.Calls.size() ? prompts.Calls[i].Text.toStdString() : ""; }
};

TEST_F(UpgraderTest, ANewerVersionIsAskedForDownloadedAndHandedToTheHelper) {
  app.Write("blue.skn", "old");
  fs::create_directory(app.File("skin"));
  app.Write("skin/blue.skn", "old");
  ::chmod(app.File("skin/blue.skn").c_str(), 0640);
  Serve(platform::Utf8ToCp936("#version=2.0.0.2\n#url=" + Url(self) + "\n#url2=" + Url("skin/blue.skn") +
                              "\n#message={修正了\n两个错误}"),
        {{self, "new program"}, {"skin/blue.skn", "new skin"}});
  std::string asked;
  prompts.DialogAnswers.push_back([&](QDialog& d) {
    const QLabel* label = d.findChild<QLabel*>("Label1");
    asked = label->text().toStdString();
    EXPECT_TRUE(label->wordWrap()) << "a long message would run off the window";
    d.findChild<QPushButton*>("YesBtn")->click();
    return d.result();
  });
  Run();
  ASSERT_EQ(events, std::vector<std::string>{"close"});
  EXPECT_NE(asked.find("\n修正了\n两个错误\n"), std::string::npos) << asked;
  EXPECT_EQ(app.Read(self + ".uTMP"), "new program");
  EXPECT_EQ(app.Read("skin/blue.skn"), "new skin");
  EXPECT_EQ(app.Read("blue.skn"), "old");
  EXPECT_EQ(fs::status(app.File("skin/blue.skn")).permissions(), fs::perms(0640));
  EXPECT_EQ(TempFiles(), std::vector<std::string>{self + ".uTMP"});
  ASSERT_EQ(started.size(), 6u);
  EXPECT_EQ(started[1], "--pid=" + std::to_string(::getpid()));
  EXPECT_TRUE(started[2].starts_with("--lock-fd=") && started[3].starts_with("--go-fd="));
  EXPECT_EQ(started[4] + " " + started[5], app.File(self) + " +/afterupgrade0");
  const fs::path helper = started[0];
  EXPECT_EQ(helper.parent_path().parent_path(), fs::path(temp.Path()));
  EXPECT_EQ(helper.filename(), "Upgrader3");
  EXPECT_EQ(fs::status(helper).permissions(), fs::perms(0700));
  EXPECT_EQ(fs::status(helper.parent_path()).permissions(), fs::perms(0700));
  std::ifstream built(SSQ_UPGRADE_HELPER, std::ios::binary), written(helper, std::ios::binary);
  EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(built), {}, std::istreambuf_iterator<char>(written), {}));
}

TEST_F(UpgraderTest, DatesAndRedirectsDownloadNothing) {
  u->VersionControl = byDate;
  u->VersionDate = "01/15/2024";
  for (auto [date, newer] : {std::pair{"02/01/2024", true}, {"1/16/2024", true}, {"01/15/2024", false},
                             {"12/31/2023", false}, {"31/12/2024", false}, {"", false}}) {
    Serve("#date=" + std::string(date) + "\n#url=" + Url("a"));
    EXPECT_EQ(u->StartUpdateCheck(true), newer) << date;
  }
  u->ShowMessages = 0;
  Serve("#date=02/01/2024\n#method=2\n#url=https://example.org/new page");
  Run(0);
  EXPECT_EQ(prompts.Calls.at(0).Kind, "OpenUrl");
  EXPECT_EQ(prompts.Calls.at(0).Text, "https://example.org/new page");
  for (const auto& r : server.Requests()) EXPECT_EQ(r.Path, "/update/update.inf");
}

// A check the user started shows a window naming the server until it ends,
// before any message; its cancel button ends the check without one.
TEST_F(UpgraderTest, ACheckShowsItsWindowUntilItEndsAndItsCancelEndsItQuietly) {
  u->ShowMessages = mNoUpdateAvailable | mTransferFailed | mCheckProgress;
  for (bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancelled" : "to its end");
    prompts.Calls.clear();
    server.Handle("/update/update.inf", [cancel](const Server::Request&) {
      Server::Response response = Server::Text(200, "#version=2.0.0.1");
      response.Stall = cancel;
      return response;
    });
    u->StartUpdateCheck(false);
    QPointer<TauUpgraderCheckForm> form = u->CheckForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Label1->text().contains("127.0.0.1")) << form->Label1->text().toStdString();
    if (cancel) form->CancelBtn->click();
    ASSERT_TRUE(WaitPumping([&] { return !u->Busy() && (cancel || !prompts.Calls.empty()); }, 60000, false));
    EXPECT_EQ(u->CheckForm(), nullptr);
    EXPECT_TRUE(!form || !form->isVisible());
    EXPECT_EQ(MessageText(), cancel ? "" : UpgraderText(wlEnglish, utNoNewerVersion).toStdString());
  }
}

TEST_F(UpgraderTest, TheUserTheServerAndTheSettingsChooseTheWay) {
  struct Case {
    const char* Name;
    std::string Info;
    std::function<void()> Prepare;
    std::vector<std::string> Events, Temps;
    QString Message;     // the first message box's text
    std::string Method;  // the helper's last argument
  };
  app.Write(self, "same size");
  app.Write("b.dll", "same");
  server.Handle("/update/cut", [](const Server::Request& r) {
    Server::Response cut = Server::File(r, Server::Share(std::string(5000, 'x')));
    cut.CutAfter = 1000;
    return cut;
  });
  const std::string both = "#version=3\n#url=" + Url(self) + "\n#url2=" + Url("b.dll");
  const std::string closed = "http://127.0.0.1:" + std::to_string(Server::ClosedPort()) + "/update/update.inf";
  for (const Case& c : std::vector<Case>{
           {"equal", "#Version=2.0.0.1\n#url=" + Url("b.dll"), [] {}, {"no update"}, {},
            UpgraderText(wlEnglish, utNoNewerVersion), ""},
           {"later", both, [&] { u->ShowMessages |= mAskUpgrade; }, {"later"}, {}, {}, ""},
           {"refused by the event", both,
            [&] { u->OnBeginUpgrade = [](TauUpgrader&, auto&, auto, auto&, bool& can) { can = false; }; },
            {"later"}, {}, {}, ""},
           {"no information", "", [&] { server.Handle("/update/update.inf", [](auto&) { return Server::Text(404, ""); }); },
            {"no information"}, {}, UpgraderText(wlEnglish, utNoInfoFile), ""},
           {"cut", both + "\n#url3=" + Url("cut"), [] {}, {"connection lost"}, {},
            UpgraderText(wlEnglish, utConnectionLost), ""},
           {"closed port", "", [&] { u->InfoFileURL = closed; }, {"unreachable 127.0.0.1"}, {},
            UpgraderFormat(wlEnglish, utHostUnreachable, "http://127.0.0.1'"), ""},
           {"same sizes skipped, but never the program", both + "\n#method=1",
            [&] {
              u->MiscFilesUpgrade = mfuOnlyIfSizeDifferent;
              u->SetRestartParams("");
            },
            {"close"}, {self + ".uTMP"}, {}, "+ 1"},
       }) {
    u = std::make_unique<TauUpgrader>();
    Setup(*u);
    u->ShowMessages = mConnLost | mHostUnreachable | mNoInfoFile | mNoUpdateAvailable;
    events.clear();
    started.clear();
    prompts.Calls.clear();
    Serve(c.Info, {{self, "same size"}, {"b.dll", "same"}});
    c.Prepare();
    Run();
    EXPECT_EQ(events, c.Events) << c.Name;
    EXPECT_EQ(TempFiles(), c.Temps) << c.Name << ": a later helper must not put half a file in place";
    EXPECT_EQ(prompts.Calls.empty() || prompts.Calls[0].Kind != "MessageBox" ? "" : prompts.Calls[0].Text, c.Message)
        << c.Name;
    EXPECT_EQ(started.empty() ? "" : started.back(), c.Method) << c.Name;
    for (const std::string& f : TempFiles()) fs::remove(app.File(f));
  }
}

TEST_F(UpgraderTest, ALostFileIsSkippedOrAbortsTheUpgrade) {
  if (::fcntl(0, F_GETFD) == -1) {
    ASSERT_EQ(::open("/dev/null", O_RDONLY), 0);  // a standard input to keep
  }
  for (int answer : {platform::IDYES, platform::IDNO}) {
    events.clear();
    prompts.Calls.clear();
    app.Write("stale.uTMP", "left over");
    Serve("#version=3\n#url=" + Url("gone.dll") + "\n#url2=" + Url("b.dll"), {{"b.dll", "b"}});
    prompts.MessageAnswers = {answer};
    u->ShowMessages &= ~mAskUpgrade;
    Run();
    EXPECT_EQ(prompts.Calls.at(0).Caption, "Error #404");
    EXPECT_NE(MessageText().find("File gone.dll not found"), std::string::npos);
    EXPECT_EQ(events, std::vector<std::string>{answer == platform::IDYES ? "close" : "aborted"});
    using Names = std::vector<std::string>;
    EXPECT_EQ(TempFiles(), (answer == platform::IDYES ? Names{"b.dll.uTMP"} : Names{}))
        << "a killed run's leftover is deleted before the first download";
    fs::remove(app.File("b.dll.uTMP"));
  }
  u.reset();
  EXPECT_NE(::fcntl(0, F_GETFD), -1) << "the lock given back, nothing else is closed in its name";
}

// The component goes while it downloads (its sign-in dialog is closed,
// say): what it had downloaded goes with it.
TEST_F(UpgraderTest, AComponentDestroyedWhileItDownloadsLeavesNoDownloads) {
  u->ShowMessages &= ~mAskUpgrade;
  Serve("#version=3\n#url=" + Url("a.dll") + "\n#url2=" + Url("slow.dll"), {{"a.dll", "a"}});
  server.Handle("/update/slow.dll", [](const Server::Request& r) {
    Server::Response response = Server::File(r, Server::Share(std::string(1000, 'x')));
    response.ChunkSize = 100, response.ChunkDelay = 100ms;
    return response;
  });
  u->StartUpdateCheck(false);
  ASSERT_TRUE(WaitPumping([&] { return fs::exists(app.File("slow.dll.uTMP")); }, 20000, false));
  u.reset();
  EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}

TEST_F(UpgraderTest, AProtectedFileAsksForThePassword) {
  for (bool given : {true, false}) {
    events.clear();
    prompts.Calls.clear();
    u->HTTPUsername = u->HTTPPassword = "";
    server.Handle("/update/p.dll", Server::Protected("ann", "secret", "Updates", [](const Server::Request& r) {
                    return Server::File(r, Server::Share("protected"));
                  }));
    Serve("#version=3\n#url=" + Url("p.dll"));
    u->ShowMessages &= ~mAskUpgrade;
    if (given)
      prompts.DialogAnswers.push_back([](QDialog& d) {
        const QLabel* label = d.findChild<QLabel*>("Label1");
        EXPECT_TRUE(label->text().contains("\"p.dll\"") && label->wordWrap()) << label->text().toStdString();
        d.findChild<QLineEdit*>("UsernameEdit")->setText("ann");
        d.findChild<QLineEdit*>("PasswordEdit")->setText("secret");
        d.findChild<QPushButton*>("OKBtn")->click();
        return d.result();
      });
    Run();
    EXPECT_EQ(prompts.Calls.at(0).Kind, "Dialog");
    EXPECT_EQ(events, std::vector<std::string>{given ? "close" : "aborted"});
    EXPECT_EQ(TempFiles(), given ? std::vector<std::string>{"p.dll.uTMP"} : std::vector<std::string>{});
  }
}

TEST_F(UpgraderTest, RefusedListsAndAHelperThatCannotBeWrittenLeaveTheProgramAsItWas) {
  u = MakeProgramUpgrader(TProgramUpgradeCaller::MainWindow, "2.0.0.1");
  EXPECT_TRUE(u->InfoFileURL.starts_with("https://") && u->SecureOnly);
  Setup(*u);
  Serve("#version=3\n#url=" + Url("a.dll") + "\n#url2=" + Url("b/a.dll"), {{"a.dll", "a"}, {"b/a.dll", "b"}});
  Run(0);
  EXPECT_EQ(MessageText(), UpgraderFormat(wlEnglish, utRefusedFile, Url("b/a.dll").c_str()).toStdString());
  EXPECT_EQ(server.Requests().size(), 1u);

  prompts.Calls.clear();
  Serve("#version=3\n#url=" + Url("a.dll"), {{"a.dll", "a"}});
  ::setenv("TMPDIR", "/proc", 1);
  u->ShowMessages &= ~mAskUpgrade;
  Run();
  EXPECT_EQ(events, std::vector<std::string>{"aborted"});
  EXPECT_NE(MessageText().find("The upgrade helper could not be started"), std::string::npos);
  EXPECT_FALSE(u->RestartRequested());
  EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}

TEST(UpgraderTexts, LanguagesOfLocalesAndTheirTables) {
  for (auto [locale, language] : {std::pair{"zh_CN", wlChineseSimplified}, {"zh_SG", wlChineseSimplified},
                                  {"zh_TW", wlChineseTraditional}, {"pt_BR", wlPortugueseBrazilian},
                                  {"pt_PT", wlPortuguese}, {"nn_NO", wlNorwegian}, {"sk_SK", wlSlovak},
                                  {"de_AT", wlGerman}, {"sw_KE", wlEnglish}})
    EXPECT_EQ(UpgraderLanguageOf(QLocale(locale)), language) << locale;
  EXPECT_EQ(UpgraderText(wlChineseSimplified, utCaption), "应用程序更新向导");
  EXPECT_EQ(UpgraderText(wlChineseTraditional, utCaption), "Application update wizard");
  // Reasons of the network that the loopback servers cannot give.
  const struct {
    TauTransferError Error;
    int Code, Number;
    const char *Chinese, *English;
  } reasons[] = {
      {teUnreachable, CURLE_COULDNT_CONNECT, ENETUNREACH, "网络不通，到不了服务器", "the network does not reach the server"},
      {teUnreachable, CURLE_COULDNT_CONNECT, EHOSTUNREACH, "网络不通，到不了服务器", "the network does not reach the server"},
      {teUnreachable, CURLE_GOT_NOTHING, 0, "无法建立连接", "no connection could be made"},
      {teSecureConnection, CURLE_SSL_CONNECT_ERROR, 0, "无法建立安全连接", "no secure connection could be made"},
      {teSecureConnection, CURLE_SSL_CACERT_BADFILE, 0, "服务器的证书无法验证", "the server's certificate cannot be verified"},
  };
  for (const auto& r : reasons) {
    EXPECT_EQ(UpgraderNetworkReason(wlChineseSimplified, r.Error, r.Code, r.Number), r.Chinese) << r.Code;
    EXPECT_EQ(UpgraderNetworkReason(wlGerman, r.Error, r.Code, r.Number), r.English) << r.Code;
  }
}

TEST(UpgraderWizard, ShowsTheFileItsSizeRateAndTimeLeft) {
  TauUpgraderWizardForm w(wlEnglish, false, false, {});
  w.ShowFile("https://host/update/" + QString(300, 'x') + ".dll", 0, 3);
  EXPECT_EQ(w.FileURL->cursorPosition(), 0) << "a long address shows its start";
  w.ShowFile("https://host/update/a.dll", 1, 3);
  w.ShowFileSize(1536);
  w.ShowProgress(40, 46, 2.44f, 3725);
  EXPECT_EQ(w.FileURL->text(), "https://host/update/a.dll");
  for (auto [label, text] : {std::pair{w.AllDownloading, "Downloading 2 of 3"}, {w.LFileSize, "File size: 1.5 Kb"},
                             {w.LTransferRate, "Transfer rate: 2.4 Kb/s"}, {w.LEstimatedTime, "Estimated time left: 1:02:05"}})
    EXPECT_EQ(label->text(), text);
  EXPECT_EQ(w.ProgressCurrentFile->value() * 1000 + w.ProgressAllFiles->value(), 40046);
  EXPECT_FALSE(w.ProgressCurrentFile->isTextVisible() || w.ProgressAllFiles->isTextVisible());
  QTest::keyClick(w.FileURL, Qt::Key_End);
  EXPECT_EQ(w.FileURL->cursorPosition(), 0) << "the address swallows keys";
  testsupport::ExpectPicture(UpgraderSidePicture(), "tests/upgrade/data/side-picture.png");
}

// Without the file's address the sizes and the bar move up to its place.
TEST(UpgraderWizard, HidingTheFileLocationMovesWhatFollowsUp) {
  for (bool hide : {false, true}) {
    TauUpgraderWizardForm w(wlEnglish, hide, false, {});
    for (auto [widget, shown, hidden] :
         {std::tuple<QWidget*, QRect, QRect>{w.LFileSize, {148, 104, 310, 16}, {148, 60, 310, 16}},
          {w.LTransferRate, {148, 120, 310, 16}, {148, 76, 310, 16}},
          {w.LEstimatedTime, {148, 136, 310, 16}, {148, 92, 310, 16}},
          {w.ProgressCurrentFile, {148, 156, 310, 16}, {148, 112, 310, 16}}})
      EXPECT_EQ(widget->geometry(), hide ? hidden : shown) << widget->objectName().toStdString() << " " << hide;
    EXPECT_EQ(w.FileURL->isVisibleTo(&w), !hide);
    EXPECT_EQ(w.LDownloadingFileFrom->isVisibleTo(&w), !hide);
  }
}

TEST_F(UpgraderTest, TheWizardShowsTheWayAndItsFinishButtonGoesOn) {
  u->Wizard.Enabled = true;
  u->Wizard.HideFileLocation = true;
  u->ShowMessages &= ~mAskUpgrade;
  Serve("#version=3\n#url=" + Url("a.dll") + "\n#url2=" + Url("b.dll"), {{"a.dll", "a"}, {"b.dll", "bb"}});
  // The upgrade waits for the wizard's finish button inside the run.
  bool waited = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    TauUpgraderWizardForm* w = u->WizardForm();
    if (!w || !w->Finished() || waited) return;
    waited = events.empty();
    EXPECT_TRUE(w->AfterNote->isVisibleTo(w));
    EXPECT_FALSE(w->CancelBtn->isEnabled());
    EXPECT_EQ(w->FinishBtn->text(), "&OK");
    w->FinishBtn->click();
  });
  poll.start(10);
  Run();
  EXPECT_TRUE(waited);
  EXPECT_EQ(events, std::vector<std::string>{"close"});
}

// A program folder of its own for one row of the fault modes: a tmpfs
// mounted on it where this process may mount one (a full or a read-only
// disk), or a limit on the size of the files this process writes.
class TRowFolder {
 public:
  enum TKind { Plain, ReadOnly, Full, Limited };

  // A full disk has room for `room` bytes and 16 KiB more.
  TRowFolder(TKind kind, const std::string& path, size_t room) : kind_(kind), path_(path) {
    fs::create_directory(path_);
    const size_t kib = kind_ == Full ? (room + 4095) / 4096 * 4 + 16 : 4096;
    if (kind_ == ReadOnly || kind_ == Full)
      mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                         ("size=" + std::to_string(kib) + "k").c_str()) == 0;
  }
  ~TRowFolder() {
    Lift();
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  // Once the row's files are there: the fault on, and the system's error
  // number it will give (0 when it cannot be had here).
  int Impose() {
    switch (kind_) {
      case Plain: return 0;
      case ReadOnly:
        if (mounted_)
          return ::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0
                     ? EROFS : 0;
        if (::geteuid() == 0) return 0;  // root writes anywhere: no read-only folder without a mount
        ::chmod(path_.c_str(), 0555);
        chmodded_ = true;
        return EACCES;
      case Full:
        if (mounted_) return ENOSPC;
        [[fallthrough]];
      case Limited: {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &signal_);
        ::getrlimit(RLIMIT_FSIZE, &limit_);
        const rlimit small{16384, limit_.rlim_max};
        limited_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
        return EFBIG;
      }
    }
    return 0;
  }
  // The fault off again (the folder can be looked at and removed).
  void Lift() {
    if (limited_) {
      ::setrlimit(RLIMIT_FSIZE, &limit_);
      ::sigaction(SIGXFSZ, &signal_, nullptr);
    }
    if (chmodded_) ::chmod(path_.c_str(), 0755);
    limited_ = chmodded_ = false;
  }

 private:
  TKind kind_;
  std::string path_;
  bool mounted_ = false, limited_ = false, chmodded_ = false;
  rlimit limit_{};
  struct sigaction signal_ {};
};

// The fault modes of an upgrade with the program's own components (the
// menu's, or the sign-in dialog's where they differ) against the loopback
// servers. Every row has a program folder of its own that holds a stand-in
// of the program (each start logs its build), and the helper the component
// starts is the real one. After each row: the one message (or silence),
// the program whole (the old build or the complete new one) and running,
// no "*.uTMP" or kept old file left, the wizard closed.
struct FaultModes : UpgraderTest {
  enum TEnd { Untouched, RestartedOld, RestartedNew };
  struct Case {
    const char* Name;
    TRowFolder::TKind Folder;
    bool Menu;  // the main window's component, else the sign-in dialog's
    // Serves and sets up the row; gives the message expected ("" for none),
    // given the system's error number for the folder's fault.
    std::function<std::string(const int& error)> Prepare;
    TEnd End;
    bool OneLine = false;  // the message is one line
    std::function<void()> Check = {};
    bool Exact = false;  // the message is the whole text shown, not a part of it
  };

  testsupport::TempDir logs;
  const std::string log = logs.File("log");
  const std::string standIn = testsupport::ReadAll(SSQ_STANDIN);
  const std::string oldBuild = standIn + "\nold-build", newBuild = standIn + "\nnew-build";
  Server secure{true};
  std::string folder;  // the row's program folder, with its "/"
  size_t requestsBefore = 0;  // the server's requests before the row
  pid_t helper = -1;
  std::unique_ptr<TauUpgrader> second;
  std::atomic<bool> secondGaveUp{false};

  FaultModes() { ::setenv("SSQ_STANDIN_LOG", log.c_str(), 1); }

  void Component(bool menu) {
    u = MakeProgramUpgrader(menu ? TProgramUpgradeCaller::MainWindow : TProgramUpgradeCaller::SignIn, "2.0.0.1");
    Setup(*u);
    u->ShowMessages &= ~mAskUpgrade;
    u->StartProcess = [this](const std::string& program, const std::vector<std::string>& args) {
      // From now on the helper, and the placing of files in sub-folders,
      // may rename any download into place: each must be on the disk.
      std::lock_guard lock(flushes::mutex);
      for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".uTMP") {
          EXPECT_EQ(flushes::done.count(fs::canonical(entry.path()).string()), 1u) << entry.path() << " not flushed";
        }
      }
      std::vector<std::string> line = {program};
      line.insert(line.end(), args.begin(), args.end());
      helper = testsupport::Spawn(line);  // with the descriptors passed on
      return helper > 0;
    };
  }
  void RunRow(const Case& c);
};

void FaultModes::RunRow(const Case& c) {
  SCOPED_TRACE(c.Name);
  testsupport::TempDir dir;
  folder = dir.Path() + "/app/";
  TRowFolder rowFolder(c.Folder, folder, oldBuild.size());
  platform::SetAppPathOverride(folder);
  testsupport::WriteFile(folder + self, oldBuild, 0755);
  if (c.Folder == TRowFolder::ReadOnly) testsupport::WriteFile(folder + UpgraderLockName, "", 0644);
  fs::remove(log);
  requestsBefore = server.Requests().size();
  events.clear();
  prompts.Calls.clear();
  helper = -1;
  Component(c.Menu);
  Serve("#version=3\n#url=" + Url(self), {{self, newBuild}, {"readme.txt", "new readme"}});
  const int error = rowFolder.Impose();
  if (c.Folder != TRowFolder::Plain && error == 0) {
    std::printf("[ skipped  ] %s: this process can make no such folder\n", c.Name);
    return;
  }
  const std::string message = c.Prepare(error);
  Run(0);
  flushes::failing.clear();
  fulldisk::Clear();
  rowFolder.Lift();
  if (second) {
    ASSERT_TRUE(WaitPumping([&] { return !second->Busy(); }, 60000, false));
  }

  const std::string build = c.End == RestartedNew ? "new-build" : "old-build";
  std::vector<std::string> expected;
  if (c.End != Untouched) {
    ASSERT_NE(helper, -1);
    EXPECT_EQ(testsupport::Reap(helper), 0);
    expected.push_back(self + "|/afterupgrade|" + build);
    EXPECT_EQ(testsupport::WaitForLog(log, 1), expected) << "the helper restarts the program";
  } else if (helper != -1) {
    EXPECT_EQ(testsupport::Reap(helper), 3) << "the helper goes without doing anything";
  }
  EXPECT_EQ(testsupport::Reap(testsupport::Spawn({folder + self, "check"})), 0);
  expected.push_back(self + "|check|" + build);
  EXPECT_EQ(testsupport::WaitForLog(log, expected.size()), expected) << "the program is whole and runs";

  std::vector<std::string> shown;
  for (const auto& call : prompts.Calls)
    if (call.Kind == "MessageBox") shown.push_back(call.Text.toStdString());
  if (message.empty()) {
    EXPECT_EQ(shown, std::vector<std::string>{});
  } else {
    EXPECT_EQ(shown.size(), 1u);
    const std::string first = shown.empty() ? "" : shown[0];
    if (c.Exact)
      EXPECT_EQ(first, message);
    else
      EXPECT_NE(first.find(message), std::string::npos) << first << "\n  expected a part: " << message;
    EXPECT_TRUE(!c.OneLine || first.find('\n') == std::string::npos) << first;
  }
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(name.ends_with(".uTMP") || name.ends_with(".uOLD")) << name;
  }
  EXPECT_EQ(u->WizardForm(), nullptr);
  EXPECT_EQ(u->CheckForm(), nullptr) << "the check's window closes with the check";
  if (c.Check) c.Check();
  u.reset();
  second.reset();
}

TEST_F(FaultModes, EveryFaultEndsWithAMessageOrSilenceAndAProgramThatRuns) {
  using enum TRowFolder::TKind;
  auto text = [](int index) { return UpgraderText(wlEnglish, index).toStdString(); };
  auto format = [](int index, const std::string& argument) {
    return UpgraderFormat(wlEnglish, index, argument.c_str()).toStdString();
  };
  // Why a file could not be written, in English, from its error number.
  auto why = [](int error) {
    return platform::FileErrorText(error, platform::FileAccess::Write, platform::TextLanguage::English);
  };
  auto requests = [this](const std::string& path) {  // of the row
    const auto all = server.Requests();
    return std::count_if(all.begin() + static_cast<std::ptrdiff_t>(requestsBefore), all.end(),
                         [&](const Server::Request& r) { return r.Path == path; });
  };
  auto serveSelf = [this](std::function<void(Server::Response&)> change) {
    server.Handle("/update/" + self, [this, change](const Server::Request& r) {
      Server::Response response = Server::File(r, Server::Share(newBuild));
      change(response);
      return response;
    });
  };
  // The information larger than 1 MiB, with or without its length.
  auto hugeInfo = [&](bool announced) {
    std::string info = "#version=3\n#url=" + Url(self) + "\n";
    info.resize(UpgraderInfoLimit + 1, ' ');
    server.Handle("/update/update.inf", [info, announced](const Server::Request&) {
      Server::Response response = Server::Text(200, info);
      response.NoLength = !announced;
      return response;
    });
    return text(utInfoTooLarge);
  };
  const std::vector<Case> cases = {
      {"the new program, whole", Plain, true, [](auto&) { return ""; }, RestartedNew},
      {"a killed run's part of the program, then an upgrade of the readme only", Plain, true,
       [&](auto&) {
         testsupport::WriteFile(folder + self + ".uTMP", newBuild.substr(0, 5000), 0644);
         Serve("#version=3\n#url=" + Url("readme.txt"), {{"readme.txt", "new readme"}});
         return "";
       },
       RestartedOld, false, [&] { EXPECT_EQ(testsupport::ReadAll(folder + "readme.txt"), "new readme"); }},
      {"a link named as the program's download, leading out of the folder", Plain, true,
       [&](auto&) {
         fs::create_symlink(folder + "../outside", folder + self + ".uTMP");
         return "";
       },
       RestartedNew, false, [&] { EXPECT_FALSE(fs::exists(folder + "../outside")) << "written through the link"; }},
      {"two upgrades in one folder", Plain, true,
       [&](auto&) {
         second = MakeProgramUpgrader(TProgramUpgradeCaller::MainWindow, "2.0.0.1");
         second->InfoFileURL = u->InfoFileURL;
         second->Wizard.Enabled = false;
         second->Wizard.Language = wlEnglish;
         second->ShowMessages &= ~mAskUpgrade;
         // The second starts once the first holds the folder, whose file
         // comes only when the second has given up.
         secondGaveUp = false;
         second->OnAborted = [this](TauUpgrader&) { secondGaveUp = true; };
         u->OnBeginUpgrade = [&](TauUpgrader&, const std::string&, TacUpgradeMethod, const auto&, bool&) {
           QTimer::singleShot(0, [&] { second->StartUpdateCheck(false); });
         };
         server.Handle("/update/" + self, [this](const Server::Request& r) {
           for (int tries = 0; tries < 2000 && !secondGaveUp; ++tries) std::this_thread::sleep_for(5ms);
           return Server::File(r, Server::Share(newBuild));
         });
         return format(utUpgradeRunning, folder);
       },
       RestartedNew, false, [&] { EXPECT_EQ(requests("/update/" + self), 1) << "the second downloads nothing"; }},
      {"a body cut half way, no Content-Length", Plain, true,
       [&](auto&) {
         serveSelf([&](auto& r) { r.NoLength = true, r.CutAfter = newBuild.size() / 2; });
         return text(utConnectionLost);
       },
       Untouched},
      {"a status line that claims HTTP/2, its body cut half way", Plain, true,
       [&](auto&) {
         serveSelf([&](auto& r) { r.Protocol = "HTTP/2", r.NoLength = true, r.CutAfter = newBuild.size() / 2; });
         return text(utConnectionLost);
       },
       Untouched},
      {"a 20-digit Content-Length", Plain, true,
       [&](auto&) {
         serveSelf([](auto& r) {
           r.Headers.emplace_back("Content-Length", "99999999999999999999");
           r.NoLength = true;
         });
         return text(utConnectionLost);
       },
       Untouched},
      {"%00 in a file's path", Plain, true,
       [&](auto&) {
         Serve("#version=3\n#url=" + Url("a%00b.dll"));
         return format(utRefusedFile, Url("a%00b.dll"));
       },
       Untouched, false, [&] { EXPECT_EQ(requests("/update/a"), 0); }},
      {"%0a in a file's path", Plain, true,
       [&](auto&) {
         Serve("#version=3\n#url=" + Url("skin/%0a") + "\n#url2=" + Url(self));
         return format(utRefusedFile, Url("skin/%0a"));
       },
       Untouched, false, [&] { EXPECT_EQ(requests("/update/" + self), 0); }},
      {"a read-only program folder (the wizard shown)", ReadOnly, true,
       [&](const int& error) {
         u->Wizard.Enabled = true;
         return format(utDiskWriteFailed, folder + self + ".uTMP: " + why(error));
       },
       Untouched},
      {"a read-only program folder, in Chinese", ReadOnly, true,
       [&](const int& error) {
         u->Wizard.Language = wlChineseSimplified;
         return "无法写入磁盘:\n" + folder + self + ".uTMP：" +
                platform::FileErrorText(error, platform::FileAccess::Write) + "\n\n升级没有完成。";
       },
       Untouched},
      {"a full disk", Full, true,
       [&](const int& error) { return format(utDiskWriteFailed, folder + self + ".uTMP: " + why(error)); },
       Untouched},
      {"a full disk, every write of the download refused", Plain, true,
       [&](auto&) {
         fulldisk::Set(folder + self + ".uTMP");
         return "The disk could not be written:\n" + folder + self +
                ".uTMP: the disk is full\n\nThe upgrade was not completed.";
       },
       Untouched},
      {"a full disk, every write of the download refused, in Chinese", Plain, false,
       [&](auto&) {
         u->Wizard.Language = wlChineseSimplified;
         fulldisk::Set(folder + self + ".uTMP");
         return "无法写入磁盘:\n" + folder + self + ".uTMP：磁盘已满\n\n升级没有完成。";
       },
       Untouched},
      {"the disk reports a lost write of the program only when it is flushed", Plain, true,
       [&](auto&) {
         flushes::failing = fs::weakly_canonical(folder + self + ".uTMP").string();
         return format(utDiskWriteFailed, folder + self + ".uTMP: the disk reported a read or write error");
       },
       Untouched},
      {"a helper that cannot be written", Limited, true,
       [&](auto&) {
         fs::create_directory(folder + "skin");
         testsupport::WriteFile(folder + "skin/blue.skn", "old skin", 0644);
         Serve("#version=3\n#url=" + Url("readme.txt") + "\n#url2=" + Url("skin/blue.skn"),
               {{"readme.txt", "new readme"}, {"skin/blue.skn", "new skin"}});
         return std::string(UpgraderHelperName) + ": the file is too large";
       },
       Untouched, false,
       [&] {
         EXPECT_EQ(testsupport::ReadAll(folder + "skin/blue.skn"), "old skin") << "nothing placed";
         EXPECT_FALSE(fs::exists(folder + "readme.txt"));
       }},
      {"a placement that fails part way", Plain, true,
       [&](auto&) {
         fs::create_directories(folder + "skin/b.skn");  // a folder where the file goes
         testsupport::WriteFile(folder + "skin/a.skn", "old a", 0644);
         Serve("#version=3\n#url=" + Url("skin/a.skn") + "\n#url2=" + Url("skin/b.skn") + "\n#url3=" + Url(self),
               {{"skin/a.skn", "new a"}, {"skin/b.skn", "new b"}, {self, newBuild}});
         return format(utPlacementFailed, folder + "skin/b.skn: a folder of that name is there");
       },
       Untouched, false, [&] { EXPECT_EQ(testsupport::ReadAll(folder + "skin/a.skn"), "old a") << "put back"; }},
      {"a file where the download's folder goes", Plain, true,
       [&](auto&) {
         testsupport::WriteFile(folder + "skin", "not a folder", 0644);
         Serve("#version=3\n#url=" + Url("skin/blue.skn"), {{"skin/blue.skn", "new skin"}});
         return "A downloaded file could not be put in place:\n" + folder +
                "skin/blue.skn: the folder does not exist\n\nThe upgrade was not completed.";
       },
       Untouched, false, [&] { EXPECT_EQ(testsupport::ReadAll(folder + "skin"), "not a folder"); }},
      {"a file where the download's folder goes, in Chinese", Plain, false,
       [&](auto&) {
         u->Wizard.Language = wlChineseSimplified;
         testsupport::WriteFile(folder + "skin", "not a folder", 0644);
         Serve("#version=3\n#url=" + Url("skin/blue.skn"), {{"skin/blue.skn", "new skin"}});
         return "下载的文件无法放到位:\n" + folder + "skin/blue.skn：文件夹不存在\n\n升级没有完成。";
       },
       Untouched, false, [&] { EXPECT_EQ(testsupport::ReadAll(folder + "skin"), "not a folder"); }},
      {"a byte every 3 s", Plain, true,
       [&](auto&) {
         serveSelf([](auto& r) { r.ChunkSize = 1, r.ChunkDelay = 3s; });
         u->Timeouts.LowSpeedTime = 500;  // the program's is 60 s
         return text(utTimedOut);
       },
       Untouched, true},
      {"information over 1 MiB", Plain, true, [&](auto&) { return hugeInfo(true); }, Untouched, true,
       [&] { EXPECT_EQ(requests("/update/" + self), 0); }},
      {"information over 1 MiB, its length not announced", Plain, true, [&](auto&) { return hugeInfo(false); },
       Untouched, true},
  };
  // Failures of the check that the menu and the sign-in dialog's icon (both
  // clicked on purpose) explain in one line, naming the server and why, in
  // the upgrade's words and nothing but them.
  auto unreachable = [](const std::string& host, const std::string& reason) {
    return "The update server " + host + " cannot be reached: " + reason;
  };
  auto chinese = [&] { u->Wizard.Language = wlChineseSimplified; };
  std::vector<Case> checks;
  std::chrono::steady_clock::time_point rowStart;
  for (bool menu : {true, false}) {
    auto row = [&](const char* name, std::function<std::string()> prepare, std::function<void()> check = {}) {
      checks.push_back({name, Plain, menu, [=](auto&) { return prepare(); }, Untouched, true, check, true});
    };
    row(menu ? "a certificate nobody signed, from the menu" : "a certificate nobody signed, signing in", [&] {
      u->InfoFileURL = secure.Url("/update/update.inf");
      return "The secure connection to the update server failed: the server's certificate cannot be verified";
    });
    row(menu ? "a certificate nobody signed, in Chinese, from the menu"
             : "a certificate nobody signed, in Chinese, signing in",
        [&] {
          chinese();
          u->InfoFileURL = secure.Url("/update/update.inf");
          return std::string("与更新服务器的安全连接失败: 服务器的证书无法验证");
        });
    row(menu ? "a redirect loop, from the menu" : "a redirect loop, signing in", [&] {
      server.Handle("/update/update.inf", [](const Server::Request&) { return Server::Redirect("update.inf"); });
      return text(utTooManyRedirects);
    });
    row(menu ? "https to http, from the menu" : "https to http, signing in", [&] {
      secure.Handle("/update/away", [this](const Server::Request&) { return Server::Redirect(Url("update.inf")); });
      u->InfoFileURL = secure.Url("/update/away");
      u->InternetOptions |= ioIgnoreUnknownCertificateAuthority;
      return format(utRedirectRefused, Url("update.inf"));
    });
    row(menu ? "a server that never answers, from the menu" : "a server that never answers, signing in", [&] {
      server.Handle("/update/update.inf", [](const Server::Request&) {
        Server::Response response = Server::Text(200, "#version=3");
        response.Stall = true;
        return response;
      });
      u->Timeouts.ReceiveTimeout = 300;
      return unreachable("127.0.0.1", "no answer in time");
    });
    row(menu ? "a host name that does not resolve, from the menu" : "a host name that does not resolve, signing in",
        [&] {
          u->InfoFileURL = "https://update.invalid/update/update.inf";
          u->Proxy.AccessType = atDirect;
          return unreachable("update.invalid", "its name cannot be resolved");
        });
    const std::string closed = "http://127.0.0.1:" + std::to_string(Server::ClosedPort()) + "/update/update.inf";
    row(menu ? "a closed port, from the menu" : "a closed port, signing in", [&, closed] {
      u->InfoFileURL = closed;
      return unreachable("127.0.0.1", "the server refused the connection");
    });
    row(menu ? "a closed port, in Chinese, from the menu" : "a closed port, in Chinese, signing in", [&, closed] {
      chinese();
      u->InfoFileURL = closed;
      return std::string("无法连接更新服务器 127.0.0.1：服务器拒绝了连接");
    });
    // The client's time-out is long; the check's deadline ends it first.
    row(
        menu ? "a server that answers after the deadline, from the menu"
             : "a server that answers after the deadline, signing in",
        [&] {
          server.Handle("/update/update.inf", [](const Server::Request&) {
            Server::Response response = Server::Text(200, "#version=3");
            response.Stall = true;
            return response;
          });
          u->Timeouts.ReceiveTimeout = 600000;
          u->CheckDeadline = 300;
          rowStart = std::chrono::steady_clock::now();
          return unreachable("127.0.0.1", "no answer in time");
        },
        [&] { EXPECT_LT(std::chrono::steady_clock::now() - rowStart, 60s) << "not ended by the deadline"; });
  }
  for (const Case& c : cases) RunRow(c);
  for (const Case& c : checks) RunRow(c);
}

}  // namespace
