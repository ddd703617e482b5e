#include "dataclient/uEncode.h"
#include "dataclient/uThread.h"
#include "engine/uLottery.h"

#include "OldHistory.h"
#include "ServerKeys.h"
#include "support/History.h"

#include <gtest/gtest.h>

#include <thread>

using platform::RecordSet;

namespace {

// A record set laid out as "Chk_Login" answers: the info record, the
// reserved record, then the draws newest first.
class ChkLoginSet {
 public:
  explicit ChkLoginSet(std::optional<std::string> info) {
    rows_.push_back({info, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                     std::nullopt, std::nullopt, std::nullopt});
    rows_.push_back(RecordSet::Row(9));
  }
  ChkLoginSet& Draw(std::string dateNo, std::array<int, 7> sent) {
    RecordSet::Row row{std::nullopt, dateNo};
    for (int v : sent) row.push_back(std::to_string(v));
    rows_.push_back(row);
    return *this;
  }
  ChkLoginSet& RawRow(RecordSet::Row row) {
    rows_.push_back(std::move(row));
    return *this;
  }
  RecordSet Make(size_t firstRows = SIZE_MAX) const {
    std::vector<RecordSet::Row> rows(rows_.begin(),
                                     rows_.begin() + std::min(firstRows, rows_.size()));
    // Field names as the server spells them, in another case.
    return RecordSet({"INFO", "dateno", "r1", "r2", "r3", "r4", "r5", "r6", "b1"}, rows);
  }

 private:
  std::vector<RecordSet::Row> rows_;
};

// "info" as the data service makes it: the digits encrypted with the
// private half of this run's key pair.
std::string Info(const std::string& digits) {
  static const auto keys = ReadServerKeys();
  const ServerKey& k = keys[static_cast<size_t>(KeyIndex())];
  return RsaEncryptToHex(digits, k.Modulus, k.PrivateExponent);
}

class ReadDrawsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetKeyIndex(4);
    ClearDrawModel();
    reader.OnStatus = [this](const std::string& text) { statuses.push_back(text); };
  }
  void TearDown() override { ClearDrawModel(); }

  // Decodes on this thread and runs what was handed to the GUI thread.
  void Read(RecordSet rs) {
    reader.ReadDraws(rs);
    dispatcher.Pump();
  }
  std::string FailureOf(const ChkLoginSet& set) {
    try {
      Read(set.Make());
    } catch (const EDrawDataError& e) {
      dispatcher.Pump();  // whatever was handed over before the failure
      return e.what();
    }
    return "no failure";
  }

  platform::Dispatcher dispatcher;
  TReadData reader{dispatcher};
  std::vector<std::string> statuses;
};

}  // namespace

TEST_F(ReadDrawsTest, NoRecordEmptiesOneRecordKeepsTwoRecordsEmpty) {
  SeedOldHistory();
  Read(ChkLoginSet(Info("0000000")).Make(1));
  ExpectOldHistory();
  EXPECT_EQ(reader.RecordTotal, 1);

  Read(ChkLoginSet(Info("0000000")).Make(2));
  EXPECT_TRUE(DrawHistory.Empty());
  EXPECT_TRUE(YearIndex.empty());
  EXPECT_EQ(CurrentIndex, -1);

  SeedOldHistory();
  Read(RecordSet({"info"}, {}));
  EXPECT_TRUE(DrawHistory.Empty());
  EXPECT_EQ(CurrentIndex, -1);
  EXPECT_TRUE(statuses.empty());
}

TEST_F(ReadDrawsTest, BallsAreTheColumnsLessTheOffsetsOfTheirPosition) {
  ChkLoginSet set(Info("1234567"));
  set.Draw("2025074", {2 + 1, 9 + 2, 14 + 3, 20 + 4, 27 + 5, 33 + 6, 16 + 7});
  Read(set.Make());
  EXPECT_EQ(reader.Offsets, (std::array<int32_t, 7>{1, 2, 3, 4, 5, 6, 7}));
  ASSERT_EQ(DrawHistory.Count(), 1);
  const TLottery& d = DrawHistory[0];
  EXPECT_EQ(d.DateNo, 2025074);
  EXPECT_EQ(d.Balls, (std::array<int32_t, 7>{2, 9, 14, 20, 27, 33, 16}));
  EXPECT_EQ(d.NumText, "2,9,14,20,27,33,16");
  EXPECT_EQ(d.Prev, nullptr);
  EXPECT_EQ(CurrentIndex, 0);
  ASSERT_EQ(YearIndex.size(), 1u);
  EXPECT_EQ(YearIndex[0].IssueCount, 74);
  EXPECT_EQ(YearIndex[0].FirstIndex, 0);  // a history starting mid-year never points before it
  EXPECT_EQ(statuses, std::vector<std::string>{"下载数据.... 3/3"});
}

// Issue 2 of 2004 is missing: the year still starts at its first draw.
TEST_F(ReadDrawsTest, SameYearGivesOneIntervalWithTheNewerIssue) {
  ChkLoginSet set(Info("0000000"));
  set.Draw("2004003", {1, 2, 3, 4, 5, 6, 1})
      .Draw("2004001", {2, 3, 4, 5, 6, 7, 2})
      .Draw("2003003", {3, 4, 5, 6, 7, 8, 3})
      .Draw("2003002", {4, 5, 6, 7, 8, 9, 4})
      .Draw("2003001", {5, 6, 7, 8, 9, 10, 5});
  Read(set.Make());
  ASSERT_EQ(DrawHistory.Count(), 5);
  EXPECT_EQ(DrawHistory[0].DateNo, 2003001);
  EXPECT_EQ(DrawHistory[4].DateNo, 2004003);
  EXPECT_EQ(DrawHistory[4].Prev, &DrawHistory[3]);
  EXPECT_EQ(CurrentIndex, 4);
  ASSERT_EQ(YearIndex.size(), 2u);
  EXPECT_EQ(YearIndex[0].Year, 2004);
  EXPECT_EQ(YearIndex[0].YearText, "2004");
  EXPECT_EQ(YearIndex[0].IssueCount, 3);
  EXPECT_EQ(YearIndex[0].FirstIndex, 3);
  EXPECT_EQ(YearIndex[1].Year, 2003);
  EXPECT_EQ(YearIndex[1].IssueCount, 3);
  EXPECT_EQ(YearIndex[1].FirstIndex, 0);
  ASSERT_EQ(statuses.size(), 5u);
  EXPECT_EQ(statuses.front(), "下载数据.... 3/7");
  EXPECT_EQ(statuses.back(), "下载数据.... 7/7");
}

TEST_F(ReadDrawsTest, InfoThatIsNotSevenCharactersGivesNoOffsets) {
  const std::array<int, 7> sent{11, 12, 13, 14, 15, 16, 9};
  for (std::optional<std::string> info :
       {std::optional<std::string>(Info("123456")), std::optional<std::string>(Info("12345678")),
        std::optional<std::string>(Info("")), std::optional<std::string>(""),
        std::optional<std::string>()}) {
    reader.Offsets.fill(9);
    Read(ChkLoginSet(info).Draw("2025001", sent).Make());
    EXPECT_EQ(reader.Offsets, (std::array<int32_t, 7>{})) << info.value_or("null");
    ASSERT_EQ(DrawHistory.Count(), 1);
    EXPECT_EQ(DrawHistory[0].NumText, "11,12,13,14,15,16,9");
  }
}

// Offsets that cannot be read would shift every ball of the history: the
// download fails instead of taking the numbers as they were sent.
TEST_F(ReadDrawsTest, InfoThatCannotBeReadFailsTheDownload) {
  const std::array<int, 7> sent{11, 12, 13, 14, 15, 16, 9};
  for (const std::string& info :
       {Info("12a4567"), Info("1234 67"), std::string("not hex"), StrToHex("AAAA"),
        // seven digits of another key pair than this run's
        RsaEncryptToHex("1111111", RsaKeyTable[5].Modulus, "3")}) {
    SeedOldHistory();
    std::string failure = FailureOf(ChkLoginSet(info).Draw("2025001", sent));
    EXPECT_NE(failure.find("下载数据失败：第 1 条记录的 info"), std::string::npos)
        << info << ": " << failure;
    ExpectOldHistory();
  }
}

TEST_F(ReadDrawsTest, BadRecordsFailTheDownloadAndKeepTheOldHistory) {
  const std::array<int, 7> good{1, 2, 3, 4, 5, 6, 7};
  struct Case {
    ChkLoginSet set;
    std::string expected;
  };
  auto base = [&] { return ChkLoginSet(Info("0000000")).Draw("2025002", good); };
  std::vector<Case> cases;
  cases.push_back({base().Draw("20250x1", good), "第 4 条记录的 DateNo 不是整数"});
  cases.push_back(
      {base().RawRow({std::nullopt, "2025001", "1", "2", std::nullopt, "4", "5", "6", "7"}),
       "第 4 条记录的 R3 为空"});
  cases.push_back({base().RawRow({std::nullopt, std::nullopt, "1", "2", "3", "4", "5", "6", "7"}),
                   "第 4 条记录的 DateNo 为空"});
  cases.push_back({base().Draw("2025001", {0, 2, 3, 4, 5, 6, 7}), "第 4 条记录的红球"});
  cases.push_back({base().Draw("2025001", {1, 2, 3, 4, 5, 34, 7}), "第 4 条记录的红球"});
  cases.push_back({base().Draw("2025001", {1, 3, 2, 4, 5, 6, 7}), "第 4 条记录的红球"});
  cases.push_back({base().Draw("2025001", {1, 2, 3, 3, 5, 6, 7}), "第 4 条记录的红球"});
  cases.push_back({base().Draw("2025001", {1, 2, 3, 4, 5, 6, 17}), "第 4 条记录的蓝球"});
  cases.push_back({base().Draw("2025001", {1, 2, 3, 4, 5, 6, 0}), "第 4 条记录的蓝球"});
  // Less its offset, the smallest 32-bit column would wrap round.
  cases.push_back({ChkLoginSet(Info("1000000")).Draw("2025001", {INT32_MIN, 2, 3, 4, 5, 6, 7}),
                   "第 3 条记录的红球"});
  cases.push_back({base().Draw("2025002", good), "第 4 条记录的期号无效"});  // not older
  cases.push_back({base().Draw("2025000", good), "第 4 条记录的期号无效"});
  for (const Case& c : cases) {
    SeedOldHistory();
    std::string failure = FailureOf(c.set);
    EXPECT_NE(failure.find("下载数据失败："), std::string::npos) << failure;
    EXPECT_NE(failure.find(c.expected), std::string::npos) << failure;
    ExpectOldHistory();
  }
  // A record set without the draw columns.
  SeedOldHistory();
  RecordSet missing({"info", "DateNo"}, {{std::nullopt, std::nullopt},
                                         {std::nullopt, std::nullopt},
                                         {std::nullopt, std::string("2025001")}});
  EXPECT_THROW(reader.ReadDraws(missing), EDrawDataError);
  ExpectOldHistory();
}

TEST_F(ReadDrawsTest, TheWholeRealHistoryDecodes) {
  auto csv = testsupport::ReadHistoryCsv();
  ChkLoginSet set(Info("9081726"));
  const std::array<int, 7> offsets{9, 0, 8, 1, 7, 2, 6};
  for (auto it = csv.rbegin(); it != csv.rend(); ++it) {
    std::array<int, 7> sent{};
    for (int k = 0; k < 7; ++k) sent[k] = it->Balls[k] + offsets[k];
    set.Draw(std::to_string(it->DateNo), sent);
  }
  Read(set.Make());
  ASSERT_EQ(DrawHistory.Count(), static_cast<int32_t>(csv.size()));
  for (size_t i = 0; i < csv.size(); ++i) {
    ASSERT_EQ(DrawHistory[i].DateNo, csv[i].DateNo);
    ASSERT_EQ(DrawHistory[i].Balls, csv[i].Balls);
  }
  EXPECT_EQ(CurrentIndex, DrawHistory.Count() - 1);
  EXPECT_EQ(YearIndex.size(), 23u);
  EXPECT_EQ(statuses.back(), "下载数据.... 3322/3322");
}

// Without a reachable server the worker reports the failure and ends; the
// events arrive on the thread that pumps, never on the worker.
TEST(TReadDataThread, AnUnreachableDataServiceEndsWithTheFailureText) {
  platform::Dispatcher dispatcher;
  std::vector<std::string> statuses;
  bool loggedIn = false, terminated = false;
  const auto pumping = std::this_thread::get_id();
  bool allOnPumpingThread = true;
  {
    TReadData reader(dispatcher);
    reader.ConnectionString = "Driver={No Such Driver};Servername=127.0.0.1";
    reader.OnStatus = [&](const std::string& text) {
      allOnPumpingThread &= std::this_thread::get_id() == pumping;
      statuses.push_back(text);
    };
    reader.OnLogin = [&](bool, const std::string&) { loggedIn = true; };
    reader.OnTerminate = [&] {
      allOnPumpingThread &= std::this_thread::get_id() == pumping;
      terminated = true;
    };
    reader.Resume();
    EXPECT_TRUE(dispatcher.PumpUntil([&] { return terminated; }, std::chrono::seconds(20)));
    EXPECT_EQ(reader.State, 0);
    EXPECT_FALSE(reader.LastError.empty());
  }
  EXPECT_EQ(statuses, (std::vector<std::string>{"正在连接服务器......", "服务器连接失败！"}));
  EXPECT_FALSE(loggedIn);
  EXPECT_TRUE(allOnPumpingThread);
}

TEST(KeyIndexTest, IsOneDigitForTheWholeRunUnlessFixed) {
  int k = KeyIndex();
  EXPECT_GE(k, 0);
  EXPECT_LE(k, 9);
  EXPECT_EQ(KeyIndex(), k);
  SetKeyIndex(7);
  EXPECT_EQ(KeyIndex(), 7);
  EXPECT_THROW(SetKeyIndex(10), std::out_of_range);
}
