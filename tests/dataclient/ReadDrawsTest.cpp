// Decoding the record set of "Chk_Login" into the draw model.
#include "dataclient/uEncode.h"
#include "dataclient/uThread.h"

#include "DrawModel.h"

#include <gtest/gtest.h>

using platform::RecordSet;
using Row = RecordSet::Row;

namespace {

// As "Chk_Login" answers: info, a reserved record, the draws newest first (names in other case).
RecordSet ChkLogin(std::optional<std::string> info, std::vector<Row> draws, size_t records = 99) {
  draws.insert(draws.begin(), {Row{info, {}, {}, {}, {}, {}, {}, {}, {}}, Row(9)});
  draws.resize(std::min(records, draws.size()));
  return RecordSet({"INFO", "dateno", "r1", "r2", "r3", "r4", "r5", "r6", "b1"}, draws);
}

// A draw as sent: each ball plus the offset digit of its column.
Row Draw(std::string dateNo, std::array<int32_t, 7> balls, std::string offsets = "0000000") {
  Row row{std::nullopt, std::move(dateNo)};
  for (int k = 0; k < 7; ++k) row.push_back(std::to_string(balls[k] + offsets[k] - '0'));
  return row;
}

// "info" as the service makes it: encrypted with key pair 4's private half.
std::string Info(const std::string& digits) {
  return RsaEncryptToHex(digits, RsaKeyTable[4].Modulus, "257A4E07B56D2C105F86EE5B309188ED");
}

// The model a download of the set leaves, or its failure (the old model kept).
std::string Outcome(RecordSet set) {
  SeedOldHistory();
  platform::Dispatcher dispatcher;
  TReadData reader(dispatcher);
  std::string failure;
  try {
    reader.ReadDraws(set);
  } catch (const EDrawDataError& e) {
    failure = e.what();
  }
  dispatcher.Pump();  // the worker hands a new history to the GUI thread
  return failure.empty() ? ModelText() : ModelText() == OldModel ? failure : "changed the model: " + failure;
}

}  // namespace

// Offsets that cannot be read would shift every ball, so they fail the
// download; an info of another length than seven gives no offsets.
TEST(ReadDraws, TheSetBecomesTheNewHistoryOrFailsAndTheOldOneStays) {
  SetKeyIndex(4);
  const std::string record = "下载数据失败：第 4 条记录", red = "的红球不是 1–33 的升序号码";
  const std::string blue = "的蓝球不在 1–16 之间", noInfo = "下载数据失败：第 1 条记录的 info ";
  const std::string digits = noInfo + "不是数字", unread = noInfo + "无法解密";
  const std::array<int32_t, 7> balls{11, 12, 13, 14, 15, 16, 9};
  auto after = [](Row row, std::string offsets = "0000000") {  // record 4, after a good draw
    return ChkLogin(Info(offsets), {Draw("2025002", {2, 3, 4, 5, 6, 7, 7}), std::move(row)});
  };
  std::vector<std::pair<RecordSet, std::string>> cases;
  cases.emplace_back(RecordSet({"info"}, {}), "current -1");
  cases.emplace_back(ChkLogin(Info("0000000"), {}, 1), OldModel);
  cases.emplace_back(ChkLogin(Info("0000000"), {}), "current -1");
  // Issue 2 of 2004 is missing: that year still starts at its first draw.
  cases.emplace_back(ChkLogin(Info("1234567"), {Draw("2004003", {2, 9, 14, 20, 27, 33, 16}, "1234567"),
                                                Draw("2004001", {1, 2, 3, 4, 5, 6, 1}, "1234567"),
                                                Draw("2003003", {10, 11, 12, 13, 14, 15, 2}, "1234567")}),
                     "2003003 10,11,12,13,14,15,2, 2004001 1,2,3,4,5,6,1, 2004003 2,9,14,20,27,33,16, "
                     "2004:3@1 2003:3@0 current 2");
  const std::string one = "2025074 11,12,13,14,15,16,9, 2025:74@0 current 0";
  for (const auto& [info, outcome] : std::vector<std::pair<std::optional<std::string>, std::string>>{
           {Info("123456"), one}, {Info("12345678"), one}, {Info(""), one}, {"", one}, {std::nullopt, one},
           {Info("12a4567"), digits}, {Info("1234 67"), digits}, {"not hex", unread}, {StrToHex("AAAA"), unread},
           {RsaEncryptToHex("1111111", RsaKeyTable[5].Modulus, "3"), unread}})
    cases.emplace_back(ChkLogin(info, {Draw("2025074", balls)}), outcome);
  for (auto& [row, failure] : std::vector<std::pair<Row, std::string>>{
           {Draw("20250x1", balls), "的 DateNo 不是整数：20250x1"},
           {{{}, "2025001", "1", "2", {}, "4", "5", "6", "7"}, "的 R3 为空"},
           {Draw("2025001", {0, 2, 3, 4, 5, 6, 7}), red}, {Draw("2025001", {1, 2, 3, 4, 5, 34, 7}), red},
           {Draw("2025001", {1, 3, 2, 4, 5, 6, 7}), red}, {Draw("2025001", {1, 2, 3, 3, 5, 6, 7}), red},
           {Draw("2025001", {1, 2, 3, 4, 5, 6, 17}), blue}, {Draw("2025001", {1, 2, 3, 4, 5, 6, 0}), blue},
           {Draw("2025002", balls), "的期号无效：2025002"},  // not older
           {Draw("2025000", balls), "的期号无效：2025000"}, {Draw("-1", balls), "的期号无效：-1"}})
    cases.emplace_back(after(row), record + failure);
  // Less its offset, the smallest 32-bit column would wrap round.
  cases.emplace_back(after(Draw("2025001", {INT32_MIN, 2, 3, 4, 5, 6, 7}), "1000000"), record + red);
  cases.emplace_back(RecordSet({"info", "DateNo"}, {Row(2), Row(2), {{}, "2025001"}}),
                     "下载数据失败：缺少字段 R1");
  for (auto& [set, outcome] : cases) EXPECT_EQ(Outcome(std::move(set)), outcome);
}
