#include "dataclient/uThread.h"

#include "dataclient/uEncode.h"
#include "platform/DelphiRtl.h"
#include "platform/Encoding.h"

#include <QtGlobal>

#include <cstdlib>
#include <memory>
#include <random>

// The keyed form of the local demo data service's connection string
// (scripts/dataservice.sh on its default port 55432, database ssq, role
// ssq_client), made with tools/ssq_keyed_string (seed 90).
const std::string_view StoredConnectionString =
    "5ACD132DE379D84593B262E56983A65DF0728DFE0724CD0143F409D75396C8688DA356F4"
    "6581B5A394F61D181B180806046CEF0EC00571F578FD7193FD1121C466F8698FA7B569EC"
    "6DFB023ADE2CAC73B746E966FC31CC100B6BD165F134E769A559ED0A39568AA55C90BE03"
    "0D";

const std::array<TRsaPublicKey, 10> RsaKeyTable = {{
#include "dataclient/RsaKeyTable.inc"
}};

namespace {

std::atomic<int> keyIndex{-1};

}  // namespace

int KeyIndex() {
  int k = keyIndex.load();
  if (k < 0) {
    std::random_device device;
    int chosen = std::uniform_int_distribution<int>(0, 9)(device);
    keyIndex.compare_exchange_strong(k, chosen);  // the first choice of the run stays
    k = keyIndex.load();
  }
  return k;
}

void SetKeyIndex(int index) {
  if (index < 0 || index > 9) throw std::out_of_range("SetKeyIndex: the index must be 0..9");
  keyIndex = index;
}

std::string DataServiceConnectionString() {
  if (const char* own = std::getenv(ConnectionStringVariable); own && *own) return own;
  return platform::Cp936ToUtf8(DecodeKeyedString(StoredConnectionString, ConnectionKey));
}

platform::StoredProcCall DataServiceCall(std::string procedure) {
  platform::StoredProcCall call;
  call.ConnectionString = DataServiceConnectionString();
  call.LoginTimeout = DataServiceLoginTimeout;
  call.CommandTimeout = DataServiceCommandTimeout;
  call.ProcedureName = std::move(procedure);
  return call;
}

std::string ChangeUserPwd(const std::string& connectionString, const std::string& userName,
                          const std::string& newPwdDigest, const std::string& oldPwdDigest,
                          int loginTimeout, int commandTimeout, std::stop_token stop) {
  using platform::ParamDirection;
  using platform::ParamType;
  platform::StoredProcCall call = DataServiceCall("ChangeUserPwd");
  call.ConnectionString = connectionString;
  call.LoginTimeout = loginTimeout;
  call.CommandTimeout = commandTimeout;
  call.Parameters = {
      {"UserName", ParamType::String, ParamDirection::Input, 50, userName},
      {"NewPwd", ParamType::String, ParamDirection::Input, 50, newPwdDigest},
      {"OldPwd", ParamType::String, ParamDirection::Input, 150, oldPwdDigest},
      {"p_result", ParamType::WideString, ParamDirection::Output, 50, std::nullopt},
  };
  return platform::CallStoredProc(std::move(call), std::move(stop)).ParamByName("p_result").AsText();
}

// ------------------------------------------------------------------ TReadData

TReadData::TReadData(platform::Dispatcher& dispatcher) : dispatcher_(dispatcher) {}

TReadData::~TReadData() {
  *alive_ = false;
  stop_.request_stop();
  WaitFor();
}

void TReadData::Resume() {
  if (thread_.joinable()) throw std::logic_error("TReadData: the thread runs only once");
  thread_ = std::thread([this] { LoginAndLoad(); });
}

void TReadData::WaitFor() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TReadData::Post(std::function<void()> call) {
  dispatcher_.Post([alive = alive_, call = std::move(call)] {
    if (*alive) call();
  });
}

void TReadData::Status(std::string text) {
  if (!OnStatus) return;
  Post([call = OnStatus, text = std::move(text)] { call(text); });
}

void TReadData::LoginAndLoad() {
  State = 0;
  Status(std::string(TextConnecting));
  platform::StoredProcAnswer answer;
  bool answered = false;
  try {
    using platform::ParamDirection;
    using platform::ParamType;
    platform::StoredProcCall call;
    call.ConnectionString = ConnectionString;
    call.LoginTimeout = LoginTimeout;
    call.CommandTimeout = CommandTimeout;
    call.ProcedureName = "Chk_Login";
    call.Parameters = {
        {"p_id", ParamType::String, ParamDirection::Input, 50, UserName},
        {"p_pwd", ParamType::String, ParamDirection::Input, 200, PwdDigest},
        // The key pair's digit; nothing follows it.
        {"p_info", ParamType::String, ParamDirection::Input, 500, std::to_string(KeyIndex())},
        {"p_ver", ParamType::String, ParamDirection::Input, 500, std::string(VersionToken)},
        {"p_result", ParamType::WideString, ParamDirection::Output, 50, std::nullopt},
        {"r_info", ParamType::WideString, ParamDirection::Output, 500, std::nullopt},
    };
    answer = platform::CallStoredProc(std::move(call), stop_.get_token());
    Msg = answer.ParamByName("p_result").AsText();
    Success = Msg.empty();
    answered = true;
  } catch (const std::exception& e) {
    // The driver's diagnostics go to the log; the user reads ours.
    LastError = e.what();
    qWarning("sign-in: %s", e.what());
    Status(std::string(TextConnectFailed));
  }

  if (answered) {
    try {
      ReadDraws(answer.ResultSet);
    } catch (const std::exception& e) {
      // Told in our words: what is wrong with the data, or (any other
      // failure, memory say, logged) that the download failed.
      const bool ours = dynamic_cast<const EDrawDataError*>(&e) != nullptr;
      if (!ours) qWarning("sign-in: reading the history: %s", e.what());
      LastError = e.what();
      Success = false;
      Msg = ours ? e.what() : std::string(TextDownloadFailed);
      Status(Msg);
    }
    State = 1;
    if (OnLogin) Post([call = OnLogin, ok = Success, msg = Msg] { call(ok, msg); });
    Msg.clear();
  }

  if (OnTerminate) Post(OnTerminate);
}

void TReadData::DecodeOffsets(const platform::RecordSet& data) {
  Offsets.fill(0);
  if (!data.HasField("info")) return;
  const std::string info = data.AsText("info");
  if (info.empty()) return;  // nothing sent: no offsets
  // Offsets that cannot be read would shift every ball: the download fails.
  const std::string bad = "下载数据失败：第 1 条记录的 info ";
  const TRsaPublicKey& key = RsaKeyTable[static_cast<size_t>(KeyIndex())];
  std::string digits;
  try {
    digits = RsaDecryptFromHex(info, key.Modulus, key.Exponent);
  } catch (const std::exception&) {
    throw EDrawDataError(bad + "无法解密");
  }
  // Seven decimal digits; any other length means no offsets.
  if (digits.size() != Offsets.size()) return;
  for (char c : digits)
    if (c < '0' || c > '9') throw EDrawDataError(bad + "不是数字");
  for (size_t k = 0; k < Offsets.size(); ++k) Offsets[k] = digits[k] - '0';
}

namespace {

constexpr const char* BallFields[BallCount] = {"R1", "R2", "R3", "R4", "R5", "R6", "B1"};

struct TDownloadedHistory {
  TDrawHistory History;
  TLotIntervalAry Years;
};

}  // namespace

void TReadData::ReadDraws(platform::RecordSet& data) {
  data.Last();
  data.First();
  RecordTotal = data.RecordCount();
  const int32_t n = RecordTotal;
  if (n == 1) return;  // only the first record: the history stays as it is

  if (n > 2) {
    auto require = [&](const char* field) {
      if (!data.HasField(field)) throw EDrawDataError("下载数据失败：缺少字段 " + std::string(field));
    };
    require("DateNo");
    for (const char* field : BallFields) require(field);
  }

  std::vector<TLottery> draws(static_cast<size_t>(std::max(0, n - 2)));
  NextIndex = n - 3;
  int32_t newerDateNo = 0;
  int32_t done = 0;
  for (; !data.Eof(); data.Next()) {
    ++done;
    if (done == 1) {
      DecodeOffsets(data);
      continue;
    }
    if (done == 2) continue;  // reserved

    const std::string where = "下载数据失败：第 " + std::to_string(done) + " 条记录";
    auto integer = [&](const char* field) {
      const auto& v = data.Value(field);
      if (!v) throw EDrawDataError(where + "的 " + field + " 为空");
      int32_t value = 0;
      if (!platform::TryStrToInt(*v, value))
        throw EDrawDataError(where + "的 " + field + " 不是整数：" + *v);
      return value;
    };

    const int32_t i = NextIndex;
    TLottery& draw = draws[static_cast<size_t>(i)];
    draw.DateNo = integer("DateNo");
    if (draw.DateNo <= 0 || draw.DateNo % 1000 == 0 || (newerDateNo && draw.DateNo >= newerDateNo))
      throw EDrawDataError(where + "的期号无效：" + std::to_string(draw.DateNo));
    newerDateNo = draw.DateNo;

    for (int k = 0; k < BallCount; ++k) {
      // In 64 bits: a column near the ends of the 32-bit range less its
      // offset must not wrap round into a valid ball.
      const int64_t ball = int64_t{integer(BallFields[k])} - Offsets[k];
      if (k < RedCount && (ball < 1 || ball > MaxRed || (k && ball <= draw.Balls[k - 1])))
        throw EDrawDataError(where + "的红球不是 1–33 的升序号码");
      if (k == RedCount && (ball < 1 || ball > MaxBlue))
        throw EDrawDataError(where + "的蓝球不在 1–16 之间");
      draw.Balls[k] = static_cast<int32_t>(ball);
    }
    draw.NumText = MakeNumText(draw.Balls);

    NextIndex = i - 1;
    State = 2;
    Status(std::string(TextDownloading) + " " + std::to_string(done) + "/" + std::to_string(n));
  }

  // All decoded: the new history replaces the old one on the GUI thread.
  auto download = std::make_shared<TDownloadedHistory>();
  download->History = TDrawHistory(std::move(draws));
  download->Years = BuildYearIndex(download->History);
  Post([download] {
    DrawHistory = std::move(download->History);
    YearIndex = std::move(download->Years);
    CurrentIndex = DrawHistory.Count() - 1;
  });
}
