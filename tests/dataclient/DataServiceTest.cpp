// Sign-in, download and change of password against the project's own data
// service, as the program runs them.
#include "dataclient/uThread.h"
#include "engine/uBaseFunc.h"

#include "DrawModel.h"
#include "support/DataService.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <regex>
#include <thread>

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

namespace {

testsupport::DataService& Service() {
  static testsupport::DataService service;
  return service;
}

const std::string Connecting = "正在连接服务器......", ConnectFailed = "服务器连接失败！";

// One sign-in of "demo" as the sign-in dialog runs it. The log holds the
// events as they reached the pumping thread: the status texts, "OnLogin
// <0|1> <text>" and "OnTerminate"; one run on another thread is marked.
struct SignIn {
  explicit SignIn(const std::string& password, std::string connection = Service().ConnectionString()) {
    auto add = [this, pumping = std::this_thread::get_id()](const std::string& event) {
      log.push_back(std::this_thread::get_id() == pumping ? event : "off the pumping thread: " + event);
    };
    reader->ConnectionString = std::move(connection);
    reader->UserName = "demo";
    reader->PwdDigest = HashPassword(password);
    reader->OnStatus = add;
    reader->OnLogin = [add](bool ok, const std::string& msg) { add("OnLogin " + std::to_string(ok) + " " + msg); };
    reader->OnTerminate = [add] { add("OnTerminate"); };
  }
  // Pumps until the sign-in ends, for 30 s at most.
  bool Finish() { return dispatcher.PumpUntil([&] { return !log.empty() && log.back() == "OnTerminate"; }, 30s); }

  platform::Dispatcher dispatcher;
  std::unique_ptr<TReadData> reader = std::make_unique<TReadData>(dispatcher);
  Log log;
  const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// A sign-in that loads the whole real history, reporting each record.
bool SignsIn(const std::string& password) {
  static const TDrawHistory real = testsupport::LoadDrawHistory();
  ClearDrawModel();
  SignIn s(password);
  s.reader->Resume();
  if (!s.Finish() || s.log.size() != 3323) return false;
  EXPECT_EQ(Log(s.log.begin(), s.log.begin() + 2), (Log{Connecting, "下载数据.... 3/3322"}));
  EXPECT_EQ(Log(s.log.end() - 3, s.log.end()), (Log{"下载数据.... 3322/3322", "OnLogin 1 ", "OnTerminate"}));
  EXPECT_EQ(ModelText(), ModelText(real, BuildYearIndex(real), real.Count() - 1));
  return true;
}

// True once `done` holds, polled for up to 30 s.
bool WaitUntil(const std::function<bool()>& done) {
  for (int tries = 0; !done(); ++tries, std::this_thread::sleep_for(10ms))
    if (tries == 3000) return false;
  return true;
}
const auto NoCallLeft = [] { return platform::RunningStoredProcCalls() == 0; };

// The server process that serves a sign-in waits at a chosen row of the
// answer of "Chk_Login", to be stopped there (SIGSTOP) and released: the
// first (the client still waits for the call) or a draw (the rows before it
// have gone out, as the wrapper the planner inlines passes them on singly).
struct StalledService {
  explicit StalledService(const std::string& row) {
    EXPECT_TRUE(Service().Sql(
        "CREATE TABLE stall_release (); ALTER FUNCTION chk_login RENAME TO chk_login_served;"
        "CREATE FUNCTION stall_here() RETURNS boolean LANGUAGE plpgsql SECURITY DEFINER AS $$ BEGIN WHILE NOT"
        " EXISTS (TABLE stall_release) LOOP PERFORM pg_sleep(0.01); END LOOP; RETURN true; END $$;"
        "DO $$ BEGIN EXECUTE format('CREATE FUNCTION chk_login(%s) RETURNS SETOF record LANGUAGE sql STABLE"
        " AS %L', pg_get_function_arguments('chk_login_served'::regproc), 'SELECT * FROM chk_login_served("
        "p_id, p_pwd, p_info, p_ver) s WHERE (" + row + ") IS NOT TRUE OR stall_here()'); END $$"));
  }
  ~StalledService() {
    Resume();
    EXPECT_TRUE(WaitUntil(NoCallLeft));
    EXPECT_TRUE(Service().Sql("DROP FUNCTION chk_login, stall_here; DROP TABLE stall_release;"
                              "ALTER FUNCTION chk_login_served RENAME TO chk_login"));
  }
  // Stops the process once it waits at the row, then releases it; false
  // when it never got there.
  bool StopServer() {
    return WaitUntil([&] {
      return (pid = std::atoi(Service().Query("SELECT pid FROM pg_stat_activity WHERE wait_event ="
                                              " 'PgSleep' AND usename = 'ssq_client'").c_str())) > 0;
    }) && ::kill(pid, SIGSTOP) == 0 && Service().Sql("INSERT INTO stall_release DEFAULT VALUES");
  }
  void Resume() {
    if (pid > 0) ::kill(std::exchange(pid, 0), SIGCONT);
  }
  pid_t pid = 0;
};

}  // namespace

// Each key pair of the client's table is the public half of the service's.
TEST(DataService, TheDemoUserLoadsTheWholeHistoryWithEveryKeyPair) {
  for (int key = 0; key < 10; ++key) {
    SetKeyIndex(key);
    EXPECT_TRUE(SignsIn("demo123")) << key;
  }
}

// Refused, unreachable, sent an info no key of the client reads, or stopped
// while the client waits for "Chk_Login" or reads its record set: the
// sign-in says why within the two time-outs on the client's clock and keeps
// the history it had. A stuck call left behind ends after the resume
// without a trace.
TEST(DataService, AFailedSignInSaysWhyInTimeAndKeepsTheHistory) {
  const std::string service = Service().ConnectionString(), unread = "下载数据失败：第 1 条记录的 info 无法解密";
  const std::string swapKeys = "UPDATE rsa_keys SET private_exponent = reverse(private_exponent)";
  const Log failed{Connecting, ConnectFailed, "OnTerminate"};
  struct Case {
    std::string password, connection, sql, stallRow;
    Log log;
  };
  for (const Case& c : std::vector<Case>{
           {"wrong", service, "", "", {Connecting, "OnLogin 0 用户名或密码错误！", "OnTerminate"}},
           {"demo123", std::regex_replace(service, std::regex("Port=\\d+"), "Port=1"), "", "", failed},
           {"demo123", service, swapKeys, "", {Connecting, unread, "OnLogin 0 " + unread, "OnTerminate"}},
           {"demo123", service, "", "s.info IS NOT NULL", failed},
           {"demo123", service, "", "s.\"DateNo\"::int = 2010001", failed}}) {
    SCOPED_TRACE(c.connection + " " + c.sql + " " + c.stallRow);
    SeedOldHistory();
    ASSERT_TRUE(c.sql.empty() || Service().Sql(c.sql));
    std::optional<StalledService> stall;
    if (!c.stallRow.empty()) stall.emplace(c.stallRow);
    SignIn s(c.password, c.connection);
    s.reader->LoginTimeout = 1;
    s.reader->CommandTimeout = 3;
    s.reader->Resume();
    const bool ended = (!stall || stall->StopServer()) && s.Finish();
    EXPECT_TRUE(c.sql.empty() || Service().Sql(c.sql));  // back again
    EXPECT_LT(std::chrono::steady_clock::now() - s.start, 5s);
    EXPECT_EQ(s.log, c.log);
    if (!ended) continue;  // the reader goes as closing the program takes it
    s.reader->WaitFor();
    EXPECT_FALSE(s.reader->Success);
    if (stall) {
      EXPECT_NE(s.reader->LastError.find("no answer within 4 s"), std::string::npos) << s.reader->LastError;
      EXPECT_EQ(platform::RunningStoredProcCalls(), 1);  // still stuck
      stall->Resume();
      EXPECT_TRUE(WaitUntil(NoCallLeft));
      EXPECT_EQ(s.dispatcher.Pump(), 0);
    }
    EXPECT_EQ(ModelText(), OldModel);
  }
  EXPECT_TRUE(SignsIn("demo123"));
}

// Closing the program while the call is stuck: the reader goes at once, none
// of its events runs, and the end of main does not wait for the call.
TEST(DataService, ClosingWhileACallIsStuckWaitsForNothing) {
  SeedOldHistory();
  StalledService stall("s.\"DateNo\"::int = 2010001");
  SignIn s("demo123");
  s.reader->Resume();
  ASSERT_TRUE(stall.StopServer());
  const auto closing = std::chrono::steady_clock::now();
  s.reader.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - closing, 2s);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) ::_exit((platform::ExitIfDbCallsStuck(7, 100ms), 0));
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
  stall.Resume();
  EXPECT_TRUE(WaitUntil(NoCallLeft));
  platform::ExitIfDbCallsStuck(7);  // returns: nothing is left
  s.dispatcher.Pump();
  EXPECT_EQ(s.log, Log{});
  EXPECT_EQ(ModelText(), OldModel);
}

TEST(DataService, AChangedPasswordIsTheOneTheNextSignInNeeds) {
  auto change = [](const std::string& now, const std::string& old, std::string at = Service().ConnectionString()) {
    return ChangeUserPwd(at, "demo", HashPassword(now), HashPassword(old));
  };
  EXPECT_THROW(change("新密码1", "demo123", "Driver={No Such Driver}"), platform::DbError);
  EXPECT_EQ(change("新密码1", "wrong"), "用户名或旧密码错误，密码未修改！");
  EXPECT_EQ(change("新密码1", "demo123"), "密码修改成功！");
  EXPECT_FALSE(SignsIn("demo123"));
  EXPECT_TRUE(SignsIn("新密码1"));
  EXPECT_EQ(change("demo123", "新密码1"), "密码修改成功！");
  EXPECT_TRUE(SignsIn("demo123"));
}
