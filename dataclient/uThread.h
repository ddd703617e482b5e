// The sign-in worker: signs the user in at the data service and downloads
// the whole draw history into DrawHistory, YearIndex and CurrentIndex.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <stop_token>
#include <string_view>
#include <thread>

#include "engine/uLottery.h"
#include "platform/Db.h"
#include "platform/Dispatcher.h"

// ---- Configuration of the data service client

// The key text the stored connection string is scrambled with.
inline constexpr std::string_view ConnectionKey = "SSQ@03";

// The built-in connection string, keyed (EncodeKeyedString of its CP936
// bytes with ConnectionKey): the local demo data service of
// scripts/dataservice.sh on its default port.
extern const std::string_view StoredConnectionString;

// The environment variable that, when set and not empty, holds the plain
// ODBC connection string to use instead of the built-in one.
inline constexpr const char* ConnectionStringVariable = "SSQ_DATA_SERVICE";

// The connection string the client uses: $SSQ_DATA_SERVICE, else the
// built-in one decoded.
std::string DataServiceConnectionString();

// One key pair's public half: modulus (32 hexadecimal digits) and exponent
// (4 hexadecimal digits).
struct TRsaPublicKey {
  const char* Modulus;
  const char* Exponent;
};
extern const std::array<TRsaPublicKey, 10> RsaKeyTable;

// The index of this run's key pair: chosen at random on first use, the same
// for the rest of the run. Tests may fix it.
int KeyIndex();
void SetKeyIndex(int index);

// Seconds to connect to the data service, and for one of its procedures
// to answer; a call ends on the client's clock after both (CallStoredProc).
inline constexpr int DataServiceLoginTimeout = 5;
inline constexpr int DataServiceCommandTimeout = 30;

// A call of one of the data service's procedures, with the connection
// string and the time-outs above; the caller adds the parameters and runs
// it with platform::CallStoredProc, e.g. the change of password:
//
//   platform::StoredProcCall call = DataServiceCall("ChangeUserPwd");
//   call.Parameters = {{"UserName", ParamType::String, ParamDirection::Input, 50, user}, ...,
//                      {"p_result", ParamType::WideString, ParamDirection::Output, 50, {}}};
//   std::string text = platform::CallStoredProc(std::move(call)).ParamByName("p_result").AsText();
//
// DbTimeout (a DbError) when the service does not answer in time.
platform::StoredProcCall DataServiceCall(std::string procedure);

// Changes the password of userName on the data service at connectionString
// through "ChangeUserPwd" (digests as HashPassword gives them) and returns
// the server's answer text, success or refusal alike. Runs under the same
// deadline as a sign-in unless given others: DbTimeout when the service
// does not answer in time or `stop` is requested first, DbError when it
// cannot be reached.
std::string ChangeUserPwd(const std::string& connectionString, const std::string& userName,
                          const std::string& newPwdDigest, const std::string& oldPwdDigest,
                          int loginTimeout = DataServiceLoginTimeout,
                          int commandTimeout = DataServiceCommandTimeout, std::stop_token stop = {});

// The version token sent with every sign-in.
inline constexpr std::string_view VersionToken =
    "6D71345A38624B775431436C39557A484E52793670446B325A6F31674B764D3851735073644E30776A546C3D";

// ---- Texts reported to the sign-in dialog
inline constexpr std::string_view TextConnecting = "正在连接服务器......";
inline constexpr std::string_view TextDownloading = "下载数据....";
inline constexpr std::string_view TextConnectFailed = "服务器连接失败！";
inline constexpr std::string_view TextDownloadFailed = "下载数据失败";

// A record of the downloaded history that cannot be a draw.
class EDrawDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One sign-in attempt on a worker thread.
//
// The creator sets UserName, PwdDigest and the events, then calls Resume.
// The events run on the GUI thread through the dispatcher, in this order:
// OnStatus texts, then (when the server answered) OnLogin, then OnTerminate.
// A new history is handed over on the GUI thread too, just before OnLogin,
// and only when all of it decoded.
//
// A data service that does not answer within LoginTimeout + CommandTimeout
// seconds (the client's clock) fails the sign-in with TextConnectFailed,
// whatever the server does; the stuck call is left behind and its late
// answer thrown away (platform::CallStoredProc).
//
// The creator keeps the object until OnTerminate. Destroying it earlier
// (the program closing) stops the wait at once; none of its events and no
// history hand-over runs after that, not even those already queued.
class TReadData {
 public:
  using TStatusEvent = std::function<void(const std::string& text)>;
  using TLoginEvent = std::function<void(bool success, const std::string& msg)>;
  using TNotifyEvent = std::function<void()>;

  explicit TReadData(platform::Dispatcher& dispatcher = platform::GuiDispatcher());
  ~TReadData();
  TReadData(const TReadData&) = delete;
  TReadData& operator=(const TReadData&) = delete;

  // Set by the creator before Resume.
  std::string UserName;
  std::string PwdDigest;  // HashPassword of the password
  std::string ConnectionString = DataServiceConnectionString();
  int LoginTimeout = DataServiceLoginTimeout;
  int CommandTimeout = DataServiceCommandTimeout;  // for "Chk_Login" and its record set
  TStatusEvent OnStatus;
  TLoginEvent OnLogin;
  TNotifyEvent OnTerminate;

  // Starts the thread (once).
  void Resume();
  // Waits for the thread to end.
  void WaitFor();

  // The thread's work: connect, call "Chk_Login", read its record set.
  void LoginAndLoad();
  // Decodes the record set of "Chk_Login" into a new history and hands it
  // to the GUI thread; EDrawDataError (the old history untouched) when the
  // offsets cannot be read or a record is not a valid draw.
  void ReadDraws(platform::RecordSet& data);

  // Results; read them once the thread has ended.
  bool Success = false;
  std::string Msg;
  std::array<int32_t, BallCount> Offsets{};
  int32_t RecordTotal = 0;
  int32_t NextIndex = 0;
  std::atomic<int32_t> State{0};  // 0 connecting, 1 result, 2 downloading
  std::string LastError;          // the text of the last failure, for diagnostics

 private:
  // Queues a call onto the GUI thread; it does not run once this object
  // has been destroyed.
  void Post(std::function<void()> call);
  void Status(std::string text);
  void DecodeOffsets(const platform::RecordSet& data);

  platform::Dispatcher& dispatcher_;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::stop_source stop_;
  std::thread thread_;
};
