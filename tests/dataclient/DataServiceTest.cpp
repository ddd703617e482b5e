// Sign-in, download and change of password against the project's own data service.
#include "dataclient/uThread.h"
#include "engine/uBaseFunc.h"

#include "DrawModel.h"
#include "support/DataService.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

namespace {

const testsupport::DataService service;

const std::string Connecting = "正在连接服务器......", ConnectFailed = "服务器连接失败！";

// A sign-in of "demo" as the dialog runs it (short time-outs), logging events as they reach us.
struct SignIn {
  explicit SignIn(const std::string& password) {
    auto add = [this, pumping = std::this_thread::get_id()](const std::string& event) {
      log.push_back(std::this_thread::get_id() == pumping ? event : "off the pumping thread: " + event);
    };
    reader->ConnectionString = service.ConnectionString();
    reader->UserName = "demo";
    reader->PwdDigest = HashPassword(password);
    reader->OnStatus = add;
    reader->OnLogin = [add](bool ok, const std::string& m) { add("OnLogin " + std::to_string(ok) + " " + m); };
    reader->OnTerminate = [add] { add("OnTerminate"); };
    reader->LoginTimeout = 1;
    reader->CommandTimeout = 3;
    reader->Resume();
  }
  bool Finish() {  // pumps until the sign-in ends, for 30 s at most
    return dispatcher.PumpUntil([&] { return !log.empty() && log.back() == "OnTerminate"; }, 30s);
  }

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
  if (!s.Finish() || s.log.size() != 3323) return false;
  EXPECT_EQ(Log(s.log.begin(), s.log.begin() + 2), (Log{Connecting, "下载数据.... 3/3322"}));
  EXPECT_EQ(Log(s.log.end() - 3, s.log.end()), (Log{"下载数据.... 3322/3322", "OnLogin 1 ", "OnTerminate"}));
  EXPECT_EQ(ModelText(), ModelText(real, BuildYearIndex(real), real.Count() - 1));
  return true;
}

bool WaitUntil(const std::function<bool()>& done) {  // polls for up to 30 s
  for (int tries = 0; !done(); ++tries, std::this_thread::sleep_for(10ms))
    if (tries == 3000) return false;
  return true;
}

// The server process serving a sign-in waits at a chosen row of the answer of
// "Chk_Login" (an inlined wrapper passes rows on singly), to be stopped there.
struct StalledService {
  explicit StalledService(const std::string& row) {
    EXPECT_TRUE(service.Sql(
        "CREATE TABLE stall_release (); ALTER FUNCTION chk_login RENAME TO chk_login_served;"
        "CREATE FUNCTION stall_here() RETURNS boolean LANGUAGE plpgsql SECURITY DEFINER AS $$ BEGIN WHILE NOT"
        " EXISTS (TABLE stall_release) LOOP PERFORM pg_sleep(0.01); END LOOP; RETURN true; END $$;"
        "DO $$ BEGIN EXECUTE format('CREATE FUNCTION chk_login(%s) RETURNS SETOF record LANGUAGE sql STABLE"
        " AS %L', pg_get_function_arguments('chk_login_served'::regproc), 'SELECT * FROM chk_login_served("
        "p_id, p_pwd, p_info, p_ver) s WHERE (" + row + ") IS NOT TRUE OR stall_here()'); END $$"));
  }
  ~StalledService() {
    Resume();
    EXPECT_TRUE(WaitUntil([] { return platform::RunningStoredProcCalls() == 0; }));
    EXPECT_TRUE(service.Sql("DROP FUNCTION chk_login, stall_here; DROP TABLE stall_release;"
                            "ALTER FUNCTION chk_login_served RENAME TO chk_login"));
  }
  bool StopServer() {  // stops the process once it waits at the row, then releases it
    return WaitUntil([&] {
      return (pid = std::atoi(service.Query("SELECT pid FROM pg_stat_activity WHERE wait_event ="
                                            " 'PgSleep' AND usename = 'ssq_client'").c_str())) > 0;
    }) && ::kill(pid, SIGSTOP) == 0 && service.Sql("INSERT INTO stall_release DEFAULT VALUES");
  }
  void Resume() {
    if (pid > 0) ::kill(std::exchange(pid, 0), SIGCONT);
  }
  pid_t pid = 0;
};

}  // namespace

// The client's key pairs are the public halves of the service's.
TEST(DataService, TheDemoUserSignsInWithEveryKeyPairAndChangesThePassword) {
  for (int key = 0; key < 10; ++key) {
    SetKeyIndex(key);
    EXPECT_TRUE(SignsIn("demo123") && KeyIndex() == key) << key;  // the digit it sends
  }
  EXPECT_THROW(SetKeyIndex(10), std::out_of_range);
  auto change = [](const std::string& now, const std::string& old) {
    return ChangeUserPwd(service.ConnectionString(), "demo", HashPassword(now), HashPassword(old));
  };
  EXPECT_EQ(change("新密码1", "wrong"), "用户名或旧密码错误，密码未修改！");
  EXPECT_EQ(change("新密码1", "demo123"), "密码修改成功！");
  EXPECT_FALSE(SignsIn("demo123"));
  EXPECT_TRUE(SignsIn("新密码1"));
  EXPECT_EQ(change("demo123", "新密码1"), "密码修改成功！");
  EXPECT_TRUE(SignsIn("demo123"));
}

// Refused, sent an info no key reads, or stopped while the client waits for "Chk_Login" or
// reads its records: the sign-in says why within the two time-outs on the client's clock, or,
// closed meanwhile, goes at once without a word. The history stays; a stuck call ends unseen.
TEST(DataService, AFailedOrClosedSignInEndsInTimeAndKeepsTheHistory) {
  const std::string unread = "下载数据失败：第 1 条记录的 info 无法解密";
  const std::string during = "s.\"DateNo\"::int = 2010001";
  const std::string swapKeys = "UPDATE rsa_keys SET private_exponent = reverse(private_exponent)";
  for (const auto& [password, sql, stallRow, close, log] :
       std::vector<std::tuple<std::string, std::string, std::string, bool, Log>>{
           {"wrong", "", "", false, {Connecting, "OnLogin 0 用户名或密码错误！", "OnTerminate"}},
           {"demo123", swapKeys, "", false, {Connecting, unread, "OnLogin 0 " + unread, "OnTerminate"}},
           {"demo123", "", "s.info IS NOT NULL", false, {Connecting, ConnectFailed, "OnTerminate"}},
           {"demo123", "", during, false, {Connecting, ConnectFailed, "OnTerminate"}},
           {"demo123", "", during, true, {}}}) {
    SCOPED_TRACE(sql + stallRow + (close ? ", closed" : ""));
    SeedOldHistory();
    ASSERT_TRUE(sql.empty() || service.Sql(sql));
    auto stall = stallRow.empty() ? nullptr : std::make_unique<StalledService>(stallRow);
    SignIn s(password);
    const bool stopped = !stall || stall->StopServer();
    if (close && stopped) {
      const auto closing = std::chrono::steady_clock::now();
      s.reader.reset();
      EXPECT_LT(std::chrono::steady_clock::now() - closing, 2s);
      s.dispatcher.Pump();
    }
    const bool ended = stopped && (close || s.Finish());
    EXPECT_TRUE(sql.empty() || service.Sql(sql));  // back again
    EXPECT_LT(std::chrono::steady_clock::now() - s.start, 5s);
    EXPECT_EQ(s.log, log);
    if (!ended) continue;  // the reader goes as closing the program takes it
    if (s.reader) {
      EXPECT_FALSE(s.reader->Success);
      const std::string& error = s.reader->LastError;
      EXPECT_TRUE(!stall || error.find("no answer within 4 s") != std::string::npos) << error;
    }
    if (stall) {
      EXPECT_EQ(platform::RunningStoredProcCalls(), 1);  // still stuck
      stall->Resume();
      EXPECT_TRUE(WaitUntil([] { return platform::RunningStoredProcCalls() == 0; }));
      EXPECT_EQ(s.dispatcher.Pump(), 0);
    }
    EXPECT_EQ(ModelText(), OldModel);
  }
  EXPECT_TRUE(SignsIn("demo123"));
}
