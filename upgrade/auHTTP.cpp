#include "upgrade/auHTTP.h"

#include <QBuffer>
#include <QFile>
#include <QtGlobal>

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kLInfoConstant = 0xA5;
constexpr uint32_t kDefaultTimeoutMs = 60000;
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
// A memory stream is made ready for at most this much before the data comes.
constexpr int64_t kMaxReserve = 64 << 20;
// The network is read in blocks of at least this size: smaller reads only
// cost system calls, the blocks handed on are not the caller's concern.
constexpr size_t kMinNetworkBlock = 64 << 10;

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string TrimText(std::string_view s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  return std::string(s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1));
}

bool IsFileScheme(const std::string& scheme) { return Lower(scheme) == "file"; }

void InitCurl() {
  static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
  if (!done) throw std::runtime_error("libcurl could not be initialised");
}

// Ends a transfer when no byte has come for too long, or when too few
// came within one window (a server that sends a byte now and then holds a
// transfer open for ever otherwise): the socket is shut down, which ends
// the transfer at once. While the GUI thread answers an event nothing is
// received: that time counts for neither.
class TReceiveWatch {
 public:
  TReceiveWatch(std::chrono::milliseconds silence, std::chrono::milliseconds window, int64_t minBytes,
                std::function<void()> fire)
      : silence_(silence), window_(window), minBytes_(minBytes), fire_(std::move(fire)), thread_([this] { Watch(); }) {}
  ~TReceiveWatch() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Touch(size_t bytes = 0) {
    last_ = Now();
    bytes_ += static_cast<int64_t>(bytes);
  }
  // The first call starts the watch; after a Hold it goes on where it was.
  void Arm() {
    const Clock::rep now = Now();
    if (const Clock::rep held = heldSince_.exchange(0); held != 0) {
      windowStart_ += now - held;
    } else if (!started_) {
      started_ = true;
      windowStart_ = now;
      windowBytes_ = bytes_.load();
    }
    last_ = now;
    armed_ = true;
  }
  void Hold() {
    if (armed_.exchange(false)) heldSince_ = Now();
  }
  bool Fired() const { return fired_; }

 private:
  static Clock::rep Now() { return Clock::now().time_since_epoch().count(); }
  static Clock::time_point At(Clock::rep rep) { return Clock::time_point(Clock::duration(rep)); }

  void Watch() {
    std::unique_lock lock(mutex_);
    const auto idle = std::min(silence_, window_);
    while (!stop_) {
      if (!armed_) {
        wake_.wait_for(lock, idle);
        continue;
      }
      const auto now = Clock::now();
      const auto silentAt = At(last_.load()) + silence_;
      const auto windowEnd = At(windowStart_.load()) + window_;
      if (now >= silentAt) break;
      if (minBytes_ > 0 && now >= windowEnd) {
        if (bytes_.load() - windowBytes_.load() < minBytes_) break;
        windowStart_ = Now();
        windowBytes_ = bytes_.load();
        continue;
      }
      wake_.wait_until(lock, minBytes_ > 0 ? std::min(silentAt, windowEnd) : silentAt);
    }
    if (stop_) return;
    fired_ = true;
    fire_();
  }

  const std::chrono::milliseconds silence_, window_;
  const int64_t minBytes_;
  const std::function<void()> fire_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool started_ = false;  // the worker's only
  std::atomic<bool> armed_{false};
  std::atomic<bool> fired_{false};
  std::atomic<Clock::rep> last_{0}, windowStart_{0}, heldSince_{0};
  std::atomic<int64_t> bytes_{0}, windowBytes_{0};
  std::thread thread_;
};

// A Content-Length: decimal digits only, within a signed 64-bit number.
bool ParseLength(std::string_view text, int64_t& value) {
  const std::string t = TrimText(text);
  if (t.empty() || t.size() > 19 || t.find_first_not_of("0123456789") != std::string::npos) return false;
  uint64_t v = 0;
  for (char c : t) v = v * 10 + static_cast<uint64_t>(c - '0');
  if (v > static_cast<uint64_t>(INT64_MAX)) return false;
  value = static_cast<int64_t>(v);
  return true;
}

// A detail as one line.
std::string OneLine(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return TrimText(text);
}

}  // namespace

// ------------------------------------------------------------ TauLoginComponent

std::string TauLoginComponent::WriteLInfo() const {
  const size_t n = HTTPUsername.size() + HTTPPassword.size() + 1;
  if (n > 255) throw std::length_error("The user name and password are too long to store (254 bytes together at most)");
  std::string plain;
  plain.push_back(static_cast<char>(HTTPUsername.size()));
  plain += HTTPUsername;
  plain += HTTPPassword;
  const uint8_t key = static_cast<uint8_t>(n) ^ kLInfoConstant;
  std::string out(1, static_cast<char>(n));
  for (char c : plain) out.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ key));
  return out;
}

bool TauLoginComponent::ReadLInfo(std::string_view data) {
  HTTPUsername.clear();
  HTTPPassword.clear();
  if (data.empty()) return false;
  const size_t n = static_cast<uint8_t>(data[0]);
  if (n == 0 || data.size() < 1 + n) return false;
  const uint8_t key = static_cast<uint8_t>(n) ^ kLInfoConstant;
  std::string plain;
  for (size_t i = 1; i <= n; ++i) plain.push_back(static_cast<char>(static_cast<uint8_t>(data[i]) ^ key));
  const size_t userLength = static_cast<uint8_t>(plain[0]);
  if (userLength > n - 1) return false;
  HTTPUsername = plain.substr(1, userLength);
  HTTPPassword = plain.substr(1 + userLength);
  return true;
}

// ------------------------------------------------------------ status texts

const char* InternetStatusText(int code) {
  switch (code) {
    case 10: return "Resolving name";
    case 11: return "Name resolved";
    case 20: return "Connecting to server";
    case 21: return "Connected";
    case 30: return "Sending Request";
    case 31: return "Request sent";
    case 40: return "Receiving response";
    case 41: return "Response received";
    case 42: return "CTL Response received";
    case 43: return "Prefetch";
    case 50: return "Closing connection";
    case 51: return "Connection closed";
    case 60: return "Handle created";
    case 70: return "Handle closing";
    case 100: return "Request complete";
    case 110: return "Redirect";
    case 120: return "Intermediate response";
    case 200: return "State change";
    default: return "Unknown status";
  }
}

// ------------------------------------------------------------ run state

struct TauCustomHTTP::TRun {
  // The settings, as they were at the start.
  std::string Url, OutputFileName, AcceptTypes, Agent, PostData, User, Password;
  std::vector<std::string> AddHeaders;
  TauRequestMethod Method = rmAutoDetect;
  TauHTTPProxy Proxy;
  TauHTTPRange Range;
  TauHTTPTimeouts Timeouts;
  TauOutputFileAttributes Attributes;
  TauCacheOptions Cache = 0;
  TauInternetOptions Options = 0;
  size_t BufferSize = 4096;
  int64_t MaxMemory = 0;
  bool WantStatus = false, WantHeaderInfo = false, WantProgress = false, WantPassword = false,
       WantProxyAuth = false, WantBeforeSend = false;

  // What the fetch found.
  int Status = -1;
  bool Proceed = true;
  bool Success = false;
  bool Complete = false;  // a resumed file that was whole already
  bool OutputFileOpen = false;
  bool TransferError = false;
  bool LengthKnown = false;  // a Content-Length came
  bool Framed = false;       // the body's end is marked (chunked)
  TauTransferError Error = teNone;
  std::string ErrorText;
  int ErrorCode = 0;    // libcurl's, for a request that failed
  int ErrorNumber = 0;  // the system's, for the output file or a failed connect
  int64_t ContentSize = 0, BytesRead = 0, ResumeStart = 0, ResumeEnd = 0;
  std::string ContentType;
  std::unique_ptr<QIODevice> Stream;
  QFile* File = nullptr;  // Stream, when it is the output file
  Clock::time_point StartTick, LastProgress;
  bool ProgressShown = false;

  // Stopping.
  std::atomic<bool> Aborted{false};
  std::atomic<bool> DeleteOnAbort{false};
  std::atomic<bool> Finishing{false};
  std::atomic<bool> CleanedUp{false};
  bool AbortReported = false;
  std::mutex SocketMutex;
  std::vector<curl_socket_t> Sockets;
  bool Interrupted = false;

  void Interrupt() {
    std::lock_guard lock(SocketMutex);
    Interrupted = true;
    for (curl_socket_t s : Sockets) ::shutdown(s, SHUT_RDWR);
  }
  void CloseFile() {
    if (File) File->close();
  }
  // The first reason counts.
  void Fail(TauTransferError error, std::string text) {
    if (Error != teNone) return;
    Error = error;
    ErrorText = OneLine(std::move(text));
  }
  // The output file could not be created or written: its path, and the
  // system's error number (EIO when the system gave none).
  void FailFile(TauTransferError error, int number) {
    if (Error != teNone) return;
    Fail(error, OutputFileName);
    ErrorNumber = number ? number : EIO;
  }
  // A request that failed: libcurl's result code and the system's error
  // number (0 for none) tell why; libcurl's words go to the log.
  void FailRequest(TauTransferError error, std::string text, int code, int number) {
    if (Error != teNone) return;
    Fail(error, std::move(text));
    ErrorCode = code;
    ErrorNumber = number;
  }
};

// One request (one perform) of a fetch.
struct TauCustomHTTP::TRequest {
  enum TAction { Go, Again, Check416, Stop };
  TauCustomHTTP* Http = nullptr;
  TRun* Run = nullptr;
  CURL* Easy = nullptr;
  bool Probe = false;  // only the headers are wanted
  TReceiveWatch* Watch = nullptr;

  int Status = 0;
  bool TimedOut = false;  // the watch ended it
  std::string ErrorText;  // libcurl's words on how the perform ended, for the log
  int ConnectError = 0;   // the system's error number of a connect that failed
  int Blocks = 0;
  std::string Raw;  // the current header block
  std::vector<std::pair<std::string, std::string>> Headers;
  bool HeadDone = false;
  TAction Action = Go;
  bool CheckOverlap = false;

  std::string Header(std::string_view name) const {
    for (const auto& [n, v] : Headers)
      if (Lower(n) == Lower(name)) return v;
    return {};
  }
  bool IsRedirect() const { return Status >= 300 && Status < 400 && !Header("Location").empty(); }
};

class TauCustomHTTP::TWorker : public TauCustomThread {
 public:
  TWorker(TauCustomHTTP& http, platform::Dispatcher& dispatcher) : TauCustomThread(dispatcher), http_(http) {}
  ~TWorker() override { Shutdown(); }

 protected:
  void Interrupt() override { http_.InterruptActive(); }

 private:
  TauCustomHTTP& http_;
};

// ------------------------------------------------------------ component

TauCustomHTTP::TauCustomHTTP(platform::Dispatcher& dispatcher)
    : workerOwner_(std::make_unique<TWorker>(*this, dispatcher)), worker_(*workerOwner_) {
  InitCurl();
  worker_.OnWaitTimeoutExpired = [this](TauCustomThread&, bool& terminate) {
    if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(*this, terminate);
  };
}

TauCustomHTTP::~TauCustomHTTP() { worker_.Shutdown(); }

void TauCustomHTTP::SetTransferBufferSize(int64_t size) {
  bufferSize_ = static_cast<uint32_t>(std::clamp<int64_t>(size, 255, 2147483647));
}

int TauCustomHTTP::StatusCode() const { return run_ ? run_->Status : -1; }
QIODevice* TauCustomHTTP::Stream() const { return run_ ? run_->Stream.get() : nullptr; }
TauTransferError TauCustomHTTP::LastError() const { return run_ ? run_->Error : teNone; }
std::string TauCustomHTTP::LastErrorText() const { return run_ ? run_->ErrorText : std::string(); }
int TauCustomHTTP::LastErrorCode() const { return run_ ? run_->ErrorCode : 0; }
int TauCustomHTTP::LastErrorNumber() const { return run_ ? run_->ErrorNumber : 0; }

void TauCustomHTTP::InterruptActive() {
  std::lock_guard lock(activeMutex_);
  for (TRun* run : active_) run->Interrupt();
}

bool TauCustomHTTP::Start(int64_t from, int64_t to, bool wait) {
  if (busy_) return false;
  busy_ = true;
  auto run = std::make_shared<TRun>();
  run->Url = URL;
  run->OutputFileName = OutputFileName;
  run->AcceptTypes = AcceptTypes;
  run->Agent = Agent;
  run->PostData = PostData;
  run->User = HTTPUsername;
  run->Password = HTTPPassword;
  run->AddHeaders = AddHeaders;
  run->Method = RequestMethod;
  run->Proxy = Proxy;
  run->Range = Range;
  run->Timeouts = Timeouts;
  run->Attributes = OutputFileAttributes;
  run->Cache = CacheOptions;
  run->Options = InternetOptions;
  run->BufferSize = std::min<size_t>(bufferSize_, CURL_MAX_READ_SIZE);
  run->MaxMemory = std::max<int64_t>(0, MaxMemorySize);
  run->WantStatus = OnStatusChanged || OnRedirected;
  run->WantHeaderInfo = static_cast<bool>(OnHeaderInfo);
  run->WantProgress = static_cast<bool>(OnProgress);
  run->WantPassword = static_cast<bool>(OnPasswordRequest);
  run->WantProxyAuth = static_cast<bool>(OnProxyAuthenticationRequest);
  run->WantBeforeSend = static_cast<bool>(OnBeforeSendRequest);
  run->ResumeStart = std::max<int64_t>(0, from);
  run->ResumeEnd = std::max<int64_t>(0, to);
  run_ = run;
  worker_.OnExecute = [this, run](TauCustomThread&) { Work(*run); };
  worker_.OnFinish = [this, run](TauCustomThread&) { Finish(run); };
  worker_.WaitForFinish = wait;
  const bool result = worker_.Execute();
  worker_.WaitForFinish = false;
  return result;
}

void TauCustomHTTP::Abort(bool deleteFile, bool hard) {
  const std::shared_ptr<TRun> run = run_;
  if (!run || !busy_ || run->Finishing) return;
  run->DeleteOnAbort = deleteFile;
  run->Aborted = true;
  if (!hard) {
    // The worker sees the flag, cleans up and reports.
    InterruptActive();
    return;
  }
  // The worker's calls to this thread are dropped from now on, so the
  // report is ours; so is the cleaning up once the worker has ended (a
  // worker still going cleans up itself).
  if (worker_.Terminate(true)) CleanUp(*run);
  if (!worker_.Destroying() && OnAborted) OnAborted(*this);
}

void TauCustomHTTP::Answer(TRequest& request, const std::function<void()>& event) {
  if (request.Watch) request.Watch->Hold();
  worker_.Synchronize(event);
  if (request.Watch) request.Watch->Arm();
}

void TauCustomHTTP::Status(TRun& run, int code) {
  if (!run.WantStatus) return;
  worker_.Queue([this, code] {
    if (OnStatusChanged) OnStatusChanged(*this, code, InternetStatusText(code));
  });
}

// ------------------------------------------------------------ the worker

void TauCustomHTTP::Work(TRun& run) {
  struct TActive {
    TauCustomHTTP& http;
    TRun& run;
    TActive(TauCustomHTTP& h, TRun& r) : http(h), run(r) {
      std::lock_guard lock(http.activeMutex_);
      http.active_.push_back(&run);
    }
    ~TActive() {
      std::lock_guard lock(http.activeMutex_);
      std::erase(http.active_, &run);
    }
  };
  {
    TActive active(*this, run);
    if (run.Aborted) run.Interrupt();
    run.StartTick = Clock::now();
    std::string scheme, host, user, password, path, extra;
    int port = 0;
    if (SplitURL(run.Url, scheme, host, port, user, password, path, extra)) {
      // Credentials in the address win.
      if (!user.empty() || !password.empty()) {
        run.User = user;
        run.Password = password;
      }
      if (IsFileScheme(scheme)) {
        ReadLocalFile(run, path);
      } else {
        run.Url = Lower(scheme) + "://" + host + ":" + std::to_string(port) + URLEncode(path) +
                  URLEncode(extra.substr(0, extra.find('#')));
        while (Request(run)) {
        }
      }
    }
  }
  if (run.Aborted || worker_.Terminated()) {
    EndAborted(run);
    return;
  }
  const bool good = run.Status == 200 || run.Status == 206;
  // Only an announced end that was reached makes a body whole.
  const bool whole = !run.Stream || run.Framed || (run.LengthKnown && run.BytesRead == run.ContentSize);
  run.Success = run.Complete || (good && !run.TransferError && whole);
  if (good && !run.Success)
    run.Fail(teConnectionLost, run.LengthKnown ? "the body ended before its announced length"
                                               : "the body ended with the connection, its length never announced");
  // A resumed file that held more than the whole is cut to what was written.
  if (run.Success && run.File && run.File->isOpen()) run.File->resize(run.File->pos());
  // A file is whole once its data is on the disk: renamed into place, it
  // must outlast a power cut; a write the disk reports lost only now fails.
  if (run.Success && run.File && run.File->isOpen() && ::fsync(run.File->handle()) != 0) {
    run.Success = false;
    run.FailFile(teWriteFailed, errno);
  }
}

void TauCustomHTTP::CleanUp(TRun& run) {
  if (run.CleanedUp.exchange(true)) return;
  run.CloseFile();
  if (run.OutputFileOpen && run.DeleteOnAbort) QFile::remove(QString::fromStdString(run.OutputFileName));
  busy_ = false;
}

void TauCustomHTTP::EndAborted(TRun& run) {
  CleanUp(run);
  run.AbortReported = worker_.Synchronize([this] {
    if (OnAborted) OnAborted(*this);
  });
}

void TauCustomHTTP::Finish(const std::shared_ptr<TRun>& run) {
  if (run->Aborted) {
    // Aborted after the work was done: nobody has reported it yet.
    if (!run->AbortReported) {
      CleanUp(*run);
      if (OnAborted) OnAborted(*this);
    }
    return;
  }
  run->Finishing = true;
  QIODevice* stream = run->Stream.get();
  if (stream && stream->isOpen()) stream->seek(0);
  busy_ = false;
  const QString name = QString::fromStdString(run->OutputFileName);
  bool deleteFile = false;
  if (run->Proceed) {
    if (run->Success && !stream) {
      if (OnAnyDone) OnAnyDone(*this);
      if (OnDoneWithoutData) OnDoneWithoutData(*this);
      return;
    }
    if (run->Success) {
      if (run->File) {
        run->File->close();
        const TauOutputFileAttributes& a = run->Attributes;
        if (a.Incomplete != atrArchive) SetAttributes(run->OutputFileName, a.Incomplete);
        if (a.Complete != a.Incomplete) SetAttributes(run->OutputFileName, a.Complete);
      }
      if (OnDone) OnDone(*this, run->ContentType, stream, run->BytesRead + run->ResumeStart);
    } else if (run->Status == 200 || run->Status == 206) {
      if (OnDoneInterrupted) OnDoneInterrupted(*this, run->ContentType, stream, run->BytesRead, run->ContentSize);
      if (OnAnyDone) OnAnyDone(*this);
    } else if (run->Status != -1) {
      if (OnHTTPError) OnHTTPError(*this, run->Status, stream);
      if (OnAnyDone) OnAnyDone(*this);
      deleteFile = run->OutputFileOpen;
    } else {
      if (OnConnLost) OnConnLost(*this);
      if (OnAnyDone) OnAnyDone(*this);
    }
  }
  run->CloseFile();
  if (deleteFile) QFile::remove(name);
  if (!run->Proceed && OnNotProceeded) OnNotProceeded(*this);
}

// The libcurl callbacks.
struct TCurlGlue {
  using TRequest = TauCustomHTTP::TRequest;
  static TRequest& Of(void* p) { return *static_cast<TRequest*>(p); }

  static size_t Header(char* data, size_t size, size_t count, void* p) {
    TRequest& r = Of(p);
    TauCustomHTTP& http = *r.Http;
    const std::string_view line(data, size * count);
    if (r.Watch) r.Watch->Touch(line.size());
    if (line.starts_with("HTTP/")) {
      // A new response: the one before it was a redirect being followed.
      if (r.Blocks > 0 && r.IsRedirect() && !r.Probe) {
        char* url = nullptr;
        curl_easy_getinfo(r.Easy, CURLINFO_EFFECTIVE_URL, &url);
        http.Status(*r.Run, 110);
        if (r.Run->WantStatus)
          http.worker_.Queue([&http, target = std::string(url ? url : "")] {
            if (http.OnRedirected) http.OnRedirected(http, target);
          });
      }
      if (!r.Probe) {
        http.Status(*r.Run, 31);
        http.Status(*r.Run, 40);
      }
      ++r.Blocks;
      r.Raw.clear();
      r.Headers.clear();
      const size_t blank = line.find(' ');
      r.Status = blank == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(blank + 1, 3)).c_str());
    } else if (TrimText(line).empty()) {
      if (r.Status >= 200 && !r.Probe) http.Status(*r.Run, 41);
    } else if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
      // The name as written: libcurl takes no header with a blank before
      // its colon, so neither does the check of where the body ends.
      r.Headers.emplace_back(line.substr(0, colon), TrimText(line.substr(colon + 1)));
    }
    r.Raw += line;
    return line.size();
  }

  static size_t Write(char* data, size_t size, size_t count, void* p) {
    TRequest& r = Of(p);
    TauCustomHTTP& http = *r.Http;
    TauCustomHTTP::TRun& run = *r.Run;
    if (r.Watch) r.Watch->Touch(size * count);
    if (r.Probe || http.worker_.Checkpoint() || run.Aborted) return 0;
    if (!r.HeadDone && !http.Head(run, r)) return 0;
    if (!http.WriteBlock(run, r, data, size * count)) {
      if (r.Action == TRequest::Go) run.TransferError = true;
      return 0;
    }
    return size * count;
  }

  static int Progress(void* p, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    TRequest& r = Of(p);
    return r.Http->worker_.Checkpoint() || r.Run->Aborted ? 1 : 0;
  }

  static curl_socket_t OpenSocket(void* p, curlsocktype, curl_sockaddr* address) {
    TRequest& r = Of(p);
    curl_socket_t s = CURL_SOCKET_BAD;
    {
      std::lock_guard lock(r.Run->SocketMutex);
      if (r.Run->Interrupted) return CURL_SOCKET_BAD;
      s = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
      if (s != CURL_SOCKET_BAD) r.Run->Sockets.push_back(s);
    }
    if (!r.Probe) {
      r.Http->Status(*r.Run, 11);
      r.Http->Status(*r.Run, 20);
    }
    return s;
  }

  static int CloseSocket(void* p, curl_socket_t s) {
    TRequest& r = Of(p);
    {
      std::lock_guard lock(r.Run->SocketMutex);
      std::erase(r.Run->Sockets, s);
      ::close(s);
    }
    if (!r.Probe) {
      r.Http->Status(*r.Run, 50);
      r.Http->Status(*r.Run, 51);
    }
    return 0;
  }

  static int Prereq(void* p, char*, char*, int, int) {
    TRequest& r = Of(p);
    if (r.Watch) r.Watch->Arm();
    if (!r.Probe) {
      r.Http->Status(*r.Run, 21);
      r.Http->Status(*r.Run, 30);
    }
    return CURL_PREREQFUNC_OK;
  }
};

int TauCustomHTTP::Perform(TRun& run, TRequest& request) {
  CURL* easy = curl_easy_init();
  if (!easy) return CURLE_OUT_OF_MEMORY;
  request.Http = this;
  request.Run = &run;
  request.Easy = easy;
  const bool probe = request.Probe;
  if (!probe) Status(run, 60);

  auto set = [&](CURLoption option, auto value) { curl_easy_setopt(easy, option, value); };
  set(CURLOPT_URL, run.Url.c_str());
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  // HTTP/1.1 only: libcurl believes a status line that claims HTTP/2 over
  // an HTTP/1.1 connection, so the protocol cannot tell whether a body
  // that ended with its connection was whole.
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_BUFFERSIZE, static_cast<long>(std::max(run.BufferSize, kMinNetworkBlock)));
  set(CURLOPT_USERAGENT, run.Agent.c_str());
  set(CURLOPT_HEADERFUNCTION, TCurlGlue::Header);
  set(CURLOPT_HEADERDATA, &request);
  set(CURLOPT_WRITEFUNCTION, TCurlGlue::Write);
  set(CURLOPT_WRITEDATA, &request);
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, TCurlGlue::Progress);
  set(CURLOPT_XFERINFODATA, &request);
  set(CURLOPT_OPENSOCKETFUNCTION, TCurlGlue::OpenSocket);
  set(CURLOPT_OPENSOCKETDATA, &request);
  set(CURLOPT_CLOSESOCKETFUNCTION, TCurlGlue::CloseSocket);
  set(CURLOPT_CLOSESOCKETDATA, &request);
  set(CURLOPT_PREREQFUNCTION, TCurlGlue::Prereq);
  set(CURLOPT_PREREQDATA, &request);
  set(CURLOPT_CONNECTTIMEOUT_MS,
      static_cast<long>(run.Timeouts.ConnectTimeout ? run.Timeouts.ConnectTimeout : kDefaultTimeoutMs));

  // Redirects, connections, cookies, certificates.
  const bool secure = run.Url.starts_with("https:");
  set(CURLOPT_FOLLOWLOCATION, run.Options & ioNoAutoRedirect ? 0L : 1L);
  set(CURLOPT_MAXREDIRS, 30L);
  set(CURLOPT_REDIR_PROTOCOLS_STR, secure && !(run.Options & ioIgnoreRedirectToHTTP) ? "https" : "http,https");
  if (!(run.Options & ioKeepConnection)) set(CURLOPT_FORBID_REUSE, 1L);
  if (!(run.Options & ioNoCookies)) set(CURLOPT_COOKIEFILE, "");
  if (run.Options & ioIgnoreCertificateInvalid) set(CURLOPT_SSL_VERIFYHOST, 0L);
  if (run.Options & ioIgnoreUnknownCertificateAuthority) set(CURLOPT_SSL_VERIFYPEER, 0L);

  if (!(run.Options & ioNoAuthentication) && (!run.User.empty() || !run.Password.empty())) {
    set(CURLOPT_USERNAME, run.User.c_str());
    set(CURLOPT_PASSWORD, run.Password.c_str());
    set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
  }

  std::string bypass;
  switch (run.Proxy.AccessType) {
    case atPreconfig: break;  // libcurl reads the environment
    case atDirect: set(CURLOPT_PROXY, ""); break;
    case atUseProxy: {
      set(CURLOPT_PROXY, run.Proxy.ProxyServer.c_str());
      set(CURLOPT_PROXYPORT, static_cast<long>(run.Proxy.ProxyPort));
      std::string list = run.Proxy.ProxyBypass, item;
      while (!list.empty()) {
        SplitAt(list, ";", true, item);
        item = TrimText(item);
        if (!item.empty() && item != "<local>") bypass += (bypass.empty() ? "" : ",") + item;
      }
      set(CURLOPT_NOPROXY, bypass.c_str());
      break;
    }
  }
  if (run.Proxy.AccessType != atDirect && !run.Proxy.ProxyUsername.empty() && !run.Proxy.ProxyPassword.empty()) {
    set(CURLOPT_PROXYUSERNAME, run.Proxy.ProxyUsername.c_str());
    set(CURLOPT_PROXYPASSWORD, run.Proxy.ProxyPassword.c_str());
    set(CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
  }

  if (!probe && run.WantBeforeSend) worker_.Synchronize([&] {
    if (OnBeforeSendRequest) OnBeforeSendRequest(*this, easy);
  });

  curl_slist* headers = nullptr;
  auto add = [&](const std::string& line) { headers = curl_slist_append(headers, line.c_str()); };
  if (!run.AcceptTypes.empty()) add("Accept: " + run.AcceptTypes);
  for (const std::string& line : run.AddHeaders)
    if (std::string l = TrimText(line); !l.empty()) add(l);
  if (run.Cache & coAlwaysReload) add("Cache-Control: no-cache");
  if (run.Cache & (coAlwaysReload | coPragmaNoCache)) add("Pragma: no-cache");
  const bool post = !probe && (run.Method == rmPOST || (run.Method == rmAutoDetect && !run.PostData.empty()));
  if (post) {
    add("Content-Type: application/x-www-form-urlencoded");
    add("Expect:");
    set(CURLOPT_POSTFIELDS, run.PostData.c_str());
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(run.PostData.size()));
  }
  set(CURLOPT_HTTPHEADER, headers);
  int64_t from = run.ResumeStart, to = run.ResumeEnd;
  if (!from && !to) {
    from = run.Range.StartRange;
    to = run.Range.EndRange;
  }
  std::string range = std::to_string(from) + "-" + (to ? std::to_string(to) : std::string());
  if (probe) range = "0-";
  if (probe || from || to) set(CURLOPT_RANGE, range.c_str());

  char errorBuffer[CURL_ERROR_SIZE] = {};
  set(CURLOPT_ERRORBUFFER, errorBuffer);
  CURLcode result;
  {
    const TauHTTPTimeouts& t = run.Timeouts;
    const std::chrono::milliseconds receive(t.ReceiveTimeout ? t.ReceiveTimeout : kDefaultTimeoutMs),
        window(t.LowSpeedTime ? t.LowSpeedTime : kDefaultTimeoutMs);
    const auto minBytes = static_cast<int64_t>(static_cast<double>(t.LowSpeedLimit) * window.count() / 1000.0);
    TReceiveWatch watch(receive, window, minBytes, [&run] { run.Interrupt(); });
    request.Watch = &watch;
    if (!probe) Status(run, 10);
    result = curl_easy_perform(easy);
    request.Watch = nullptr;
    request.TimedOut = watch.Fired();
  }
  request.ErrorText = errorBuffer[0] ? errorBuffer : curl_easy_strerror(result);
  long connectError = 0;
  if (result == CURLE_COULDNT_CONNECT && curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &connectError) == CURLE_OK)
    request.ConnectError = static_cast<int>(connectError);
  if (!probe) Status(run, 70);
  curl_easy_cleanup(easy);
  curl_slist_free_all(headers);
  return result;
}

bool TauCustomHTTP::Request(TRun& run) {
  TRequest request;
  run.Error = teNone;
  run.ErrorText.clear();
  run.ErrorCode = 0;
  run.ErrorNumber = 0;
  const int result = Perform(run, request);
  if (run.Aborted || worker_.Terminated()) return false;
  // An answer without a body (or one cut before it) is looked at now; a
  // redirect that could not be followed is no answer.
  const bool followed = request.IsRedirect() && !(run.Options & ioNoAutoRedirect);
  if (!request.HeadDone && request.Status >= 200 && !followed) Head(run, request);
  switch (request.Action) {
    case TRequest::Again: return true;
    case TRequest::Check416: {
      if (ProbeSize(run) == run.ResumeStart) {
        run.Complete = true;  // the file is whole already
        return false;
      }
      run.ResumeStart = 0;  // the local file is no start: fetch it all
      return !run.Aborted && !worker_.Terminated();
    }
    case TRequest::Stop: return false;
    case TRequest::Go: break;
  }
  // Why a request that got no answer failed.
  auto noAnswerError = [&]() -> TauTransferError {
    if (request.TimedOut || result == CURLE_OPERATION_TIMEDOUT) return teTimedOut;
    switch (result) {
      case CURLE_PEER_FAILED_VERIFICATION:
      case CURLE_SSL_CONNECT_ERROR:
      case CURLE_SSL_CERTPROBLEM:
      case CURLE_SSL_CACERT_BADFILE:
      case CURLE_SSL_ISSUER_ERROR:
      case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      case CURLE_SSL_INVALIDCERTSTATUS:
        return teSecureConnection;
      case CURLE_TOO_MANY_REDIRECTS:
        return teTooManyRedirects;
      case CURLE_COULDNT_RESOLVE_HOST:
      case CURLE_COULDNT_RESOLVE_PROXY:
        return teHostNotFound;
      case CURLE_UNSUPPORTED_PROTOCOL:
        if (request.IsRedirect()) return teRedirectRefused;
        break;
      default:
        break;
    }
    return teUnreachable;
  };
  // libcurl's words go to the log (unless a failure of the output file came
  // first, which is told instead); the user is told why from its result code
  // and the system's error number (a time-out of our own watch has neither),
  // a refused redirect by its address.
  const int code = request.TimedOut ? 0 : result;
  if (result != CURLE_OK && !request.TimedOut && run.Error == teNone)
    qWarning("upgrade: %s: %s%s%s", HostName(run.Url).c_str(), OneLine(request.ErrorText).c_str(),
             request.ConnectError ? ": " : "", request.ConnectError ? std::strerror(request.ConnectError) : "");
  if (!request.HeadDone) {
    run.Status = -1;  // no answer
    const TauTransferError error = noAnswerError();
    const std::string unresolved = result == CURLE_COULDNT_RESOLVE_PROXY ? run.Proxy.ProxyServer : HostName(run.Url);
    run.FailRequest(error,
                    error == teRedirectRefused ? request.Header("Location")
                    : error == teHostNotFound  ? unresolved
                    : request.TimedOut         ? std::string("no answer in time")
                                               : std::string(),
                    code, request.ConnectError);
  } else if (result != CURLE_OK) {
    run.TransferError = true;
    run.FailRequest(request.TimedOut ? teTimedOut : teConnectionLost,
                    request.TimedOut ? std::string("the data came too slowly") : std::string(), code, 0);
  }
  return false;
}

int64_t TauCustomHTTP::ProbeSize(TRun& run) {
  TRequest probe;
  probe.Probe = true;
  Perform(run, probe);
  int64_t length = -1;
  return ParseLength(probe.Header("Content-Length"), length) ? length : -1;
}

bool TauCustomHTTP::Head(TRun& run, TRequest& r) {
  r.HeadDone = true;
  run.Status = r.Status;
  auto stop = [&](TRequest::TAction action) {
    r.Action = action;
    return false;
  };
  if (run.Status == 416 && run.ResumeStart > 0) return stop(TRequest::Check416);
  if (run.Status == 401 && run.WantPassword && !(run.Options & ioNoAuthentication)) {
    // The realm is the quoted text after the first "=\"".
    std::string realm = r.Header("WWW-Authenticate");
    const size_t open = realm.find("=\"");
    realm = open == std::string::npos ? std::string() : realm.substr(open + 2);
    realm = realm.substr(0, realm.find('"'));
    bool tryAgain = false;
    std::string user, password;
    Answer(r, [&] {
      if (OnPasswordRequest) OnPasswordRequest(*this, realm, tryAgain);
      user = HTTPUsername;
      password = HTTPPassword;
    });
    if (tryAgain) {
      run.User = user;
      run.Password = password;
      return stop(TRequest::Again);
    }
  }
  if (run.Status == 407 && run.WantProxyAuth) {
    bool tryAgain = false;
    std::string user = run.Proxy.ProxyUsername, password = run.Proxy.ProxyPassword;
    Answer(r, [&] {
      if (OnProxyAuthenticationRequest) OnProxyAuthenticationRequest(*this, user, password, tryAgain);
    });
    if (tryAgain) {
      run.Proxy.ProxyUsername = user;
      run.Proxy.ProxyPassword = password;
      return stop(TRequest::Again);
    }
  }
  if (run.Aborted || worker_.Terminated()) return stop(TRequest::Stop);

  run.ContentType = r.Header("Content-Type");
  run.ContentSize = 0;
  run.LengthKnown = false;
  const bool good = run.Status == 200 || run.Status == 206;
  auto fail = [&](TauTransferError error, std::string text) {
    run.TransferError = true;
    run.Fail(error, std::move(text));
    return stop(TRequest::Stop);
  };
  if (const std::string length = r.Header("Content-Length"); !length.empty()) {
    // A length that cannot be read makes the body's end unknown: no file
    // is even opened for it.
    if (!ParseLength(length, run.ContentSize)) return fail(teBadLength, "Content-Length: " + length);
    run.LengthKnown = true;
  }
  run.Framed = Lower(r.Header("Transfer-Encoding")).find("chunked") != std::string::npos;
  if (good && run.OutputFileName.empty() && run.MaxMemory > 0 && run.ContentSize > run.MaxMemory)
    return fail(teTooLarge, std::to_string(run.ContentSize) + " bytes announced");
  if (r.Header("Content-Range").empty()) run.ResumeStart = 0;  // the whole entity comes
  if (run.WantHeaderInfo) {
    bool proceed = true;
    const TDateTime date = ParseHTTPDate(r.Header("Date")), modified = ParseHTTPDate(r.Header("Last-Modified")),
                    expires = ParseHTTPDate(r.Header("Expires"));
    Answer(r, [&] {
      if (OnHeaderInfo)
        OnHeaderInfo(*this, run.Status, run.ContentSize + run.ResumeStart, run.ContentType, r.Raw,
                     r.Header("Content-Language"), r.Header("Content-Encoding"), r.Header("Location"),
                     r.Header("ETag"), date, modified, expires, proceed);
    });
    if (run.Aborted || worker_.Terminated()) return stop(TRequest::Stop);
    if (!proceed) {
      run.Proceed = false;
      return stop(TRequest::Stop);
    }
  }
  return OpenOutput(run, r);
}

bool TauCustomHTTP::OpenOutput(TRun& run, TRequest& r) {
  run.Stream.reset();
  run.File = nullptr;
  run.OutputFileOpen = false;
  const bool good = run.Status == 200 || run.Status == 206;
  if (good && !run.OutputFileName.empty()) {
    const bool resuming = run.ResumeStart > 0;
    // A read-only file is made writable first, and put back when it cannot
    // be opened after all.
    const TauFileAttributes before = GetAttributes(run.OutputFileName);
    const bool cleared = (before & atrReadOnly) && SetAttributes(run.OutputFileName, before & ~atrReadOnly);
    // Opened here, not by QFile, for the system's error number.
    const int fd = ::open(run.OutputFileName.c_str(), O_RDWR | O_CREAT | (resuming ? 0 : O_TRUNC) | O_CLOEXEC, 0666);
    auto file = std::make_unique<QFile>(QString::fromStdString(run.OutputFileName));
    if (fd < 0 || !file->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
      run.FailFile(teFileNotCreated, fd < 0 ? errno : 0);
      if (fd >= 0) ::close(fd);
      if (cleared) SetAttributes(run.OutputFileName, before);
      r.Action = TRequest::Stop;  // ends as "nothing to write"
      return false;
    }
    if (resuming) {
      // A file shorter than the resume start cannot be continued.
      if (file->size() < run.ResumeStart || !file->seek(run.ResumeStart)) {
        run.ResumeStart = 0;
        r.Action = TRequest::Again;
        return false;
      }
      r.CheckOverlap = file->size() > run.ResumeStart;
    } else if (run.Attributes.Incomplete != atrArchive) {
      SetAttributes(run.OutputFileName, run.Attributes.Incomplete);
    }
    run.File = file.get();
    run.Stream = std::move(file);
    run.OutputFileOpen = true;
    return true;
  }
  auto buffer = std::make_unique<QBuffer>();
  if (good) buffer->buffer().reserve(static_cast<qsizetype>(std::min(run.ContentSize, kMaxReserve)));
  buffer->open(QIODevice::ReadWrite);
  run.Stream = std::move(buffer);
  return true;
}

bool TauCustomHTTP::WriteBlock(TRun& run, TRequest& r, const char* data, size_t size) {
  if (r.CheckOverlap) {
    // The first block of a resumed download must match what the file holds
    // from the resume start on; otherwise the file is fetched anew.
    r.CheckOverlap = false;
    const qint64 available = std::min<qint64>(static_cast<qint64>(size), run.File->size() - run.ResumeStart);
    const QByteArray held = run.File->read(available);
    if (held != QByteArray(data, available) || !run.File->seek(run.ResumeStart)) {
      run.Status = -1;
      run.ResumeStart = 0;
      r.Action = TRequest::Again;
      return false;
    }
  }
  if (!run.File && run.MaxMemory > 0 && run.BytesRead + static_cast<int64_t>(size) > run.MaxMemory) {
    run.Fail(teTooLarge, "more than " + std::to_string(run.MaxMemory) + " bytes");
    return false;
  }
  // A short write is tried again for the rest: the second try tells why
  // (the file's writes go straight to the system, whose error number is
  // left as it gave it).
  for (size_t done = 0; done < size;) {
    errno = 0;
    const qint64 n = run.Stream->write(data + done, static_cast<qint64>(size - done));
    if (n <= 0) {
      if (run.File) run.FailFile(teWriteFailed, errno);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  run.BytesRead += static_cast<int64_t>(size);
  const auto now = Clock::now();
  const bool last = run.ContentSize > 0 && run.BytesRead >= run.ContentSize;
  if (!run.WantProgress || (run.ProgressShown && !last && now - run.LastProgress < kProgressInterval)) return true;
  run.ProgressShown = true;
  run.LastProgress = now;
  const int elapsed = static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(now - run.StartTick).count());
  const uint8_t percent =
      run.ContentSize > 0 ? Percent(run.BytesRead + run.ResumeStart, run.ContentSize + run.ResumeStart) : 0;
  int left = 0;  // unknown without a length
  if (run.ContentSize > 0) {
    const double whole = static_cast<double>(run.ContentSize) / static_cast<double>(run.BytesRead) * elapsed;
    left = std::max(0, static_cast<int>(std::lround(whole)) - elapsed);
  }
  const float rate = static_cast<float>(static_cast<double>(run.BytesRead) / 1024.0 / (elapsed ? elapsed : 1));
  Answer(r, [&] {
    if (OnProgress)
      OnProgress(*this, run.ContentType, run.Stream.get(), rate, percent, left, elapsed,
                 run.BytesRead + run.ResumeStart, run.ContentSize + run.ResumeStart);
  });
  return !run.Aborted;
}

void TauCustomHTTP::ReadLocalFile(TRun& run, const std::string& path) {
  TRequest r;
  QFile source(QString::fromStdString(path));
  if (!source.open(QIODevice::ReadOnly)) {
    run.Status = 404;
    OpenOutput(run, r);
    return;
  }
  run.Status = 200;
  const int64_t start = run.ResumeStart ? run.ResumeStart : run.Range.StartRange;
  run.ContentSize = std::max<int64_t>(0, source.size() - start);
  run.LengthKnown = true;
  if (!source.seek(start) || !OpenOutput(run, r)) return;
  std::string block(run.BufferSize, '\0');
  while (!worker_.Checkpoint() && !run.Aborted) {
    const qint64 n = source.read(block.data(), static_cast<qint64>(block.size()));
    if (n <= 0) {
      run.TransferError = n < 0;
      break;
    }
    if (!WriteBlock(run, r, block.data(), static_cast<size_t>(n))) {
      run.TransferError = r.Action == TRequest::Go;
      break;
    }
  }
}

// ------------------------------------------------------------ URL routines

std::string TauCustomHTTP::URLEncode(std::string_view text) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c >= 128 || std::string_view(" #%*+<>").find(ch) != std::string_view::npos) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

bool TauCustomHTTP::SplitURL(const std::string& url, std::string& scheme, std::string& host, int& port,
                             std::string& user, std::string& password, std::string& path, std::string& extra) {
  scheme.clear(), host.clear(), user.clear(), password.clear(), path.clear(), extra.clear();
  port = 0;
  std::string address = TrimText(url);
  // A control byte inside the address (an embedded NUL would end it early
  // for the parser) refuses it, as its escaped forms do below.
  if (std::any_of(address.begin(), address.end(), [](char c) { return uint8_t(c) < 32 || c == 127; })) return false;
  if (address.find("://") == std::string::npos) address = "http://" + address;
  CURLU* u = curl_url();
  if (!u) return false;
  bool ok = curl_url_set(u, CURLUPART_URL, address.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) == CURLUE_OK;
  // Each part within the sizes the old splitter had room for; a part that
  // is there but cannot be decoded (an escaped control character) makes
  // the whole address unusable.
  auto part = [&](CURLUPart which, std::string& into, size_t room, unsigned flags) {
    char* value = nullptr;
    const CURLUcode code = curl_url_get(u, which, &value, flags);
    if (code == CURLUE_OK && value) {
      into = value;
    } else if (code != CURLUE_NO_HOST && code != CURLUE_NO_USER && code != CURLUE_NO_PASSWORD &&
               code != CURLUE_NO_PORT &&
               code != CURLUE_NO_QUERY && code != CURLUE_NO_FRAGMENT) {
      ok = false;
    }
    curl_free(value);
    ok = ok && into.size() <= room;
  };
  std::string portText, query, fragment;
  part(CURLUPART_SCHEME, scheme, 32, 0);
  part(CURLUPART_HOST, host, 256, CURLU_URLDECODE);
  part(CURLUPART_USER, user, 128, CURLU_URLDECODE);
  part(CURLUPART_PASSWORD, password, 128, CURLU_URLDECODE);
  part(CURLUPART_PATH, path, 2048, CURLU_URLDECODE);
  part(CURLUPART_QUERY, query, 2048, CURLU_URLDECODE);
  part(CURLUPART_FRAGMENT, fragment, 2048, CURLU_URLDECODE);
  part(CURLUPART_PORT, portText, 5, CURLU_DEFAULT_PORT);
  curl_url_cleanup(u);
  if (!query.empty()) extra = "?" + query;
  if (!fragment.empty()) extra += "#" + fragment;
  ok = ok && extra.size() <= 2048;
  port = portText.empty() ? 0 : std::atoi(portText.c_str());
  return ok;
}

std::string TauCustomHTTP::HostName(const std::string& url) {
  std::string scheme, host, user, password, path, extra;
  int port = 0;
  return SplitURL(url, scheme, host, port, user, password, path, extra) ? host : std::string();
}

std::string TauCustomHTTP::FileNameFromURL(const std::string& url) {
  std::string scheme, host, user, password, path, extra;
  int port = 0;
  if (!SplitURL(url, scheme, host, port, user, password, path, extra)) return {};
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  return name == "." || name == ".." ? std::string() : name;
}
