// Sign-in and download against the project's own data service, as the
// program runs them.
#include "dataclient/uThread.h"
#include "engine/uBaseFunc.h"
#include "engine/uLottery.h"

#include "support/DataService.h"
#include "support/History.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

testsupport::DataService* service = nullptr;

class DataServiceEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { service = new testsupport::DataService; }
  void TearDown() override {
    delete service;
    service = nullptr;
  }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new DataServiceEnvironment);

// What one sign-in reported, in order, all on the pumping thread.
struct SignIn {
  std::vector<std::string> Statuses;
  int Logins = 0;
  bool Success = false;
  std::string Msg;
  bool Terminated = false;
  bool OnPumpingThread = true;
  std::chrono::milliseconds Took{};
};

SignIn RunSignIn(const std::string& user, const std::string& password,
                 std::string connection = service->ConnectionString()) {
  platform::Dispatcher dispatcher;
  SignIn r;
  const auto pumping = std::this_thread::get_id();
  auto here = [&] { r.OnPumpingThread &= std::this_thread::get_id() == pumping; };
  auto start = std::chrono::steady_clock::now();
  TReadData reader(dispatcher);
  reader.ConnectionString = std::move(connection);
  reader.UserName = user;
  reader.PwdDigest = HashPassword(password);
  reader.OnStatus = [&](const std::string& text) {
    here();
    r.Statuses.push_back(text);
  };
  reader.OnLogin = [&](bool ok, const std::string& msg) {
    here();
    ++r.Logins;
    r.Success = ok;
    r.Msg = msg;
  };
  reader.OnTerminate = [&] {
    here();
    r.Terminated = true;
  };
  reader.Resume();
  EXPECT_TRUE(dispatcher.PumpUntil([&] { return r.Terminated; }, std::chrono::seconds(30)))
      << reader.LastError;
  r.Took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  return r;
}

void ExpectRealHistory() {
  static const auto csv = testsupport::ReadHistoryCsv();
  ASSERT_EQ(DrawHistory.Count(), 3320);
  for (size_t i = 0; i < csv.size(); ++i) {
    ASSERT_EQ(DrawHistory[i].DateNo, csv[i].DateNo) << i;
    ASSERT_EQ(DrawHistory[i].Balls, csv[i].Balls) << csv[i].DateNo;
  }
  EXPECT_EQ(CurrentIndex, 3319);
  ASSERT_EQ(YearIndex.size(), 23u);  // 2025 back to 2003
  EXPECT_EQ(YearIndex.front().Year, 2025);
  EXPECT_EQ(YearIndex.front().IssueCount, 74);
  EXPECT_EQ(YearIndex.front().FirstIndex, 3320 - 74);
  EXPECT_EQ(YearIndex.back().Year, 2003);
  EXPECT_EQ(YearIndex.back().FirstIndex, 0);
  for (const TLotInterval& y : YearIndex) {
    EXPECT_EQ(DrawHistory[y.FirstIndex].DateNo, y.Year * 1000 + 1);
    EXPECT_EQ(DrawHistory[y.FirstIndex + y.IssueCount - 1].DateNo, y.Year * 1000 + y.IssueCount);
  }
}

std::string ChangeUserPwd(const std::string& user, const std::string& newPwd,
                          const std::string& oldPwd) {
  using platform::ParamDirection;
  using platform::ParamType;
  platform::DbConnection connection;
  connection.SetConnectionString(service->ConnectionString());
  connection.Open();
  platform::StoredProc proc(&connection);
  proc.SetProcedureName("ChangeUserPwd");
  proc.CreateParameter("UserName", ParamType::String, ParamDirection::Input, 50, user);
  proc.CreateParameter("NewPwd", ParamType::String, ParamDirection::Input, 50,
                       HashPassword(newPwd));
  proc.CreateParameter("OldPwd", ParamType::String, ParamDirection::Input, 150,
                       HashPassword(oldPwd));
  proc.CreateParameter("p_result", ParamType::WideString, ParamDirection::Output, 50);
  proc.ExecProc();
  return proc.ParamByName("p_result").AsText();
}

}  // namespace

TEST(DataService, TheDemoUserLoadsTheWholeHistoryWithEveryKeyPair) {
  for (int key = 0; key < 10; ++key) {
    SCOPED_TRACE(key);
    SetKeyIndex(key);
    ClearDrawModel();
    SignIn r = RunSignIn("demo", "demo123");
    EXPECT_EQ(r.Logins, 1);
    EXPECT_TRUE(r.Success);
    EXPECT_EQ(r.Msg, "");
    EXPECT_TRUE(r.OnPumpingThread);
    ASSERT_EQ(r.Statuses.size(), 1u + 3320u);
    EXPECT_EQ(r.Statuses.front(), "正在连接服务器......");
    EXPECT_EQ(r.Statuses[1], "下载数据.... 3/3322");
    EXPECT_EQ(r.Statuses.back(), "下载数据.... 3322/3322");
    ExpectRealHistory();
  }
}

TEST(DataService, AWrongPasswordGivesTheServersTextAndKeepsTheHistory) {
  ClearDrawModel();
  ASSERT_TRUE(RunSignIn("demo", "demo123").Success);
  SignIn r = RunSignIn("demo", "wrong");
  EXPECT_EQ(r.Logins, 1);
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(r.Msg, "用户名或密码错误！");
  EXPECT_EQ(r.Statuses, std::vector<std::string>{"正在连接服务器......"});
  ExpectRealHistory();
  EXPECT_EQ(RunSignIn("nobody", "demo123").Msg, "用户名或密码错误！");
}

TEST(DataService, AServerThatDoesNotAnswerFailsWithinSeconds) {
  // A port that was free a moment ago: nothing listens there.
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len), 0);
  ::close(s);
  std::string connection = service->ConnectionString();
  size_t at = connection.find("Port=");
  size_t end = connection.find(';', at);
  connection.replace(at, end - at, "Port=" + std::to_string(ntohs(a.sin_port)));

  SignIn r = RunSignIn("demo", "demo123", connection);
  EXPECT_EQ(r.Statuses, (std::vector<std::string>{"正在连接服务器......", "服务器连接失败！"}));
  EXPECT_EQ(r.Logins, 0);
  EXPECT_TRUE(r.Terminated);
  EXPECT_LT(r.Took, std::chrono::seconds(5));
}

TEST(DataService, ACorruptRowFailsTheDownloadAndKeepsTheOldHistory) {
  ClearDrawModel();
  ASSERT_TRUE(RunSignIn("demo", "demo123").Success);
  // A newest draw whose blue ball is out of range, past the table's check.
  ASSERT_TRUE(
      service->Sql("ALTER TABLE draws DROP CONSTRAINT draws_balls_valid;"
                   "INSERT INTO draws VALUES (2025075, 1, 2, 3, 4, 5, 6, 17)"));
  SignIn r = RunSignIn("demo", "demo123");
  ASSERT_TRUE(
      service->Sql("DELETE FROM draws WHERE date_no = 2025075;"
                   "ALTER TABLE draws ADD CONSTRAINT draws_balls_valid"
                   " CHECK (draw_is_valid(r1, r2, r3, r4, r5, r6, b1))"));
  EXPECT_EQ(r.Logins, 1);
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(r.Msg, "下载数据失败：第 3 条记录的蓝球不在 1–16 之间");
  ASSERT_FALSE(r.Statuses.empty());
  EXPECT_EQ(r.Statuses.back(), r.Msg);
  ExpectRealHistory();
}

TEST(DataService, ChangeUserPwdChangesTheDigestTheNextSignInNeeds) {
  EXPECT_EQ(ChangeUserPwd("demo", "新密码1", "wrong"), "用户名或旧密码错误，密码未修改！");
  EXPECT_EQ(ChangeUserPwd("demo", "新密码1", "demo123"), "密码修改成功！");
  EXPECT_EQ(RunSignIn("demo", "demo123").Msg, "用户名或密码错误！");
  EXPECT_TRUE(RunSignIn("demo", "新密码1").Success);
  // An empty new password is the digest of the empty text.
  EXPECT_EQ(ChangeUserPwd("demo", "", "新密码1"), "密码修改成功！");
  EXPECT_TRUE(RunSignIn("demo", "").Success);
  EXPECT_EQ(ChangeUserPwd("demo", "demo123", ""), "密码修改成功！");
  EXPECT_TRUE(RunSignIn("demo", "demo123").Success);
}

TEST(DataService, AProcedureThatStallsIsCancelledAfterItsTimeout) {
  platform::DbConnection connection;
  connection.SetConnectionString(service->ConnectionString());
  connection.SetLoginTimeout(5);
  connection.Open();
  platform::StoredProc proc(&connection);
  proc.SetProcedureName("pg_sleep");
  proc.CreateParameter("seconds", platform::ParamType::Integer, platform::ParamDirection::Input, 0, "0");
  proc.SetCommandTimeout(1);
  EXPECT_NO_THROW(proc.ExecProc()) << "a call that returns in time";
  proc.ParamByName("seconds").Value = "20";
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(proc.ExecProc(), platform::DbError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
