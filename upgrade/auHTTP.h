// The HTTP client of the upgrade: fetches one address at a time on a worker
// thread (libcurl), into a file or into memory, with resume by byte range,
// redirects, authentication prompts, proxies, time-outs and progress.
//
// Every event runs on the GUI thread (through the component's dispatcher);
// status changes and redirects are queued, the others are synchronized, so
// the worker waits while they run and they may answer through their
// by-reference arguments. Progress comes at most four times a second (and
// for the last block). After a plain download the events come in this
// order: OnStatusChanged (handle created, resolving, resolved, connecting,
// connected, sending, sent, receiving, received), OnHeaderInfo, OnProgress,
// OnStatusChanged (handle closing, and closing and closed for a connection
// that is not kept), then the outcome:
//   complete                         OnDone
//   complete, nothing to write       OnAnyDone, OnDoneWithoutData
//   200/206 but cut short            OnDoneInterrupted, OnAnyDone
//   another status                   OnHTTPError, OnAnyDone
//   no answer (refused, time-out)    OnConnLost, OnAnyDone
//   refused by OnHeaderInfo          OnNotProceeded
//   aborted                          OnAborted (and no other outcome)
// Requests speak HTTP/1.1. A body is complete only when its end was
// announced (a Content-Length or a chunked body's last chunk) and reached:
// a body that ends with the connection, or whose Content-Length is not a
// number in range, is cut short. A complete output file is flushed to
// the disk before OnDone (a flush that fails is a failed write). An output
// file that cannot be created counts as "nothing to write"; a file written
// for an HTTP error is deleted. After every outcome LastError says what
// went wrong, if anything, with the numbers the user's words are made from
// (the system's error number of the output file, platform/FileUtil.h;
// libcurl's result code and the system's error number of a failed
// connect); libcurl's own words go to the log. An event may start the next
// fetch (from OnDone, say) or abort this one, but must not destroy the
// component.
#pragma once

#include "upgrade/auThread.h"
#include "upgrade/auUtils.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// Keeps a user name and password; a form stores them as the binary property
// "LInfo": a count byte N, then N bytes (the user name's length as one byte,
// the user name, the password), each combined by XOR with a key made from N.
class TauLoginComponent {
 public:
  std::string HTTPUsername;
  std::string HTTPPassword;

  // "LInfo" is stored only when a user name or password is set.
  bool StoresLInfo() const { return !HTTPUsername.empty() || !HTTPPassword.empty(); }
  // The stored bytes. Throws std::length_error when the user name and the
  // password together are longer than 254 bytes (the count is one byte).
  std::string WriteLInfo() const;
  // Reads stored bytes. A short or damaged record leaves both empty and
  // gives false; nothing past `data` is ever read.
  bool ReadLInfo(std::string_view data);
};

enum TauHTTPAccessType : uint8_t { atPreconfig, atDirect, atUseProxy };

struct TauHTTPProxy {
  // Preconfigured: the environment's proxy ($http_proxy, $no_proxy, ...).
  TauHTTPAccessType AccessType = atPreconfig;
  int ProxyPort = 8080;
  std::string ProxyServer;
  std::string ProxyBypass = "127.0.0.1;";  // hosts reached directly, parted by ";"
  std::string ProxyUsername;
  std::string ProxyPassword;
};

struct TauHTTPRange {
  uint32_t StartRange = 0;
  uint32_t EndRange = 0;  // 0 = to the end
};

// Milliseconds; 0 = the default of 60 seconds. Receiving times out when no
// byte arrives for that long, or when fewer than LowSpeedLimit bytes a
// second arrive over LowSpeedTime (0 bytes: no such limit); sending a
// request never waits that long here.
struct TauHTTPTimeouts {
  uint32_t ConnectTimeout = 0;
  uint32_t ReceiveTimeout = 0;
  uint32_t SendTimeout = 0;
  uint32_t LowSpeedLimit = 1024;  // bytes a second
  uint32_t LowSpeedTime = 0;
};

// Why the last fetch failed (or had nothing to write).
enum TauTransferError : uint8_t {
  teNone,
  teUnreachable,       // no connection (refused, no route)
  teHostNotFound,      // the host's (or the proxy's) name could not be resolved
  teTimedOut,          // no answer in time, or the data came too slowly
  teSecureConnection,  // the certificate was refused, or no secure connection came about
  teTooManyRedirects,
  teRedirectRefused,   // to an address that may not be followed (https to http, say)
  teConnectionLost,    // the body ended before its announced end, or none was announced
  teBadLength,         // a Content-Length that is not a number in range
  teTooLarge,          // more than MaxMemorySize for a memory stream
  teFileNotCreated,    // the output file could not be opened
  teWriteFailed,       // the output file could not be written (a full disk, say)
};

struct TauOutputFileAttributes {
  TauFileAttributes Complete = atrArchive;
  TauFileAttributes Incomplete = atrArchive | atrTemporary;
};

enum TauRequestMethod : uint8_t { rmAutoDetect, rmGET, rmPOST };

// No cache is kept here: the cache options that ask the servers and proxies
// on the way for a fresh copy become request headers (always reload:
// "Cache-Control: no-cache" and "Pragma: no-cache"; pragma no-cache:
// "Pragma: no-cache"); the others have nothing to act on.
enum TauCacheOption : unsigned {
  coAlwaysReload = 1u << 0,
  coReloadIfNoExpireInformation = 1u << 1,
  coReloadUpdatedObjects = 1u << 2,
  coPragmaNoCache = 1u << 3,
  coNoCacheWrite = 1u << 4,
  coCreateTempFilesIfCantCache = 1u << 5,
  coUseCacheIfNetFail = 1u << 6,
};
using TauCacheOptions = unsigned;

enum TauInternetOption : unsigned {
  ioIgnoreCertificateInvalid = 1u << 0,           // the certificate's name is not checked
  ioIgnoreCertificateDateInvalid = 1u << 1,       // (checked with the certificate's issuer)
  ioIgnoreUnknownCertificateAuthority = 1u << 2,  // the certificate's issuer is not checked
  ioIgnoreRedirectToHTTP = 1u << 3,               // an https address may redirect to http
  ioIgnoreRedirectToHTTPS = 1u << 4,              // (http may always redirect to https)
  ioKeepConnection = 1u << 5,                     // connections are reused within a fetch
  ioNoAuthentication = 1u << 6,                   // no credentials sent, a 401 is an error
  ioNoAutoRedirect = 1u << 7,                     // a redirect is an HTTP error
  ioNoCookies = 1u << 8,                          // cookies are not kept across redirects
};
using TauInternetOptions = unsigned;

// The text of a status notification ("Resolving name", "Connected", ...).
const char* InternetStatusText(int code);

class TauCustomHTTP;
using TauHTTPNotifyEvent = std::function<void(TauCustomHTTP& sender)>;
// `request` is the libcurl easy handle of the request about to be sent.
using TauBeforeSendRequestEvent = std::function<void(TauCustomHTTP& sender, void* request)>;
using TauHeaderInfoEvent = std::function<void(
    TauCustomHTTP& sender, int statusCode, int64_t contentSize, const std::string& contentType,
    const std::string& rawHeaders, const std::string& contentLanguage, const std::string& contentEncoding,
    const std::string& location, const std::string& entityTag, TDateTime date, TDateTime lastModified,
    TDateTime expires, bool& proceed)>;
using TauProgressEvent = std::function<void(TauCustomHTTP& sender, const std::string& contentType, QIODevice* stream,
                                            float transferRate, uint8_t percent, int secondsLeft, int secondsElapsed,
                                            int64_t bytesDone, int64_t totalSize)>;
using TauStatusChangedEvent = std::function<void(TauCustomHTTP& sender, int statusCode, const std::string& text)>;
using TauRedirectedEvent = std::function<void(TauCustomHTTP& sender, const std::string& newUrl)>;
using TauDoneEvent =
    std::function<void(TauCustomHTTP& sender, const std::string& contentType, QIODevice* stream, int64_t size)>;
using TauDoneInterruptedEvent = std::function<void(TauCustomHTTP& sender, const std::string& contentType,
                                                   QIODevice* stream, int64_t bytesRead, int64_t contentSize)>;
using TauHTTPErrorEvent = std::function<void(TauCustomHTTP& sender, int statusCode, QIODevice* stream)>;
using TauPasswordRequestEvent = std::function<void(TauCustomHTTP& sender, const std::string& realm, bool& tryAgain)>;
using TauProxyAuthenticationRequestEvent =
    std::function<void(TauCustomHTTP& sender, std::string& proxyUsername, std::string& proxyPassword, bool& tryAgain)>;
using TauHTTPWaitTimeoutEvent = std::function<void(TauCustomHTTP& sender, bool& terminate)>;

class TauCustomHTTP : public TauLoginComponent {
 public:
  static constexpr const char* DefaultAgent = "acHTTP component (ssq analyzer upgrade)";

  // Lives on the GUI thread, whose calls `dispatcher` runs.
  explicit TauCustomHTTP(platform::Dispatcher& dispatcher = platform::GuiDispatcher());
  virtual ~TauCustomHTTP();
  TauCustomHTTP(const TauCustomHTTP&) = delete;
  TauCustomHTTP& operator=(const TauCustomHTTP&) = delete;

  // Settings; a fetch uses the values they had when it started.
  std::string URL;
  std::string OutputFileName;  // empty: the data stays in memory
  std::string AcceptTypes = "text/html, */*";
  std::string Agent = DefaultAgent;
  std::vector<std::string> AddHeaders;  // extra request header lines
  std::string PostData;                 // form data for a POST
  TauRequestMethod RequestMethod = rmAutoDetect;
  TauHTTPProxy Proxy;
  TauHTTPRange Range;
  TauHTTPTimeouts Timeouts;
  TauOutputFileAttributes OutputFileAttributes;
  TauCacheOptions CacheOptions = coReloadIfNoExpireInformation | coReloadUpdatedObjects | coCreateTempFilesIfCantCache;
  TauInternetOptions InternetOptions = ioKeepConnection;
  bool GoOnline = false;  // no dial-up state here: kept, not used
  // Data kept in memory (no OutputFileName) beyond this many bytes is
  // refused: announced, before it is read; otherwise as it comes. 0: no bound.
  int64_t MaxMemorySize = 0;
  // Bytes per block, 255 to 2147483647: the blocks read from a local file;
  // the network is read in blocks of 64 KiB to 10 MiB (libcurl's limit).
  uint32_t TransferBufferSize() const { return bufferSize_; }
  void SetTransferBufferSize(int64_t size);
  TThreadPriority ThreadPriority() const { return worker_.Priority(); }
  void SetThreadPriority(TThreadPriority priority) { worker_.SetPriority(priority); }

  // Events (see the order above).
  TauBeforeSendRequestEvent OnBeforeSendRequest;
  TauHeaderInfoEvent OnHeaderInfo;
  TauProgressEvent OnProgress;
  TauStatusChangedEvent OnStatusChanged;
  TauRedirectedEvent OnRedirected;
  TauDoneEvent OnDone;
  TauDoneInterruptedEvent OnDoneInterrupted;
  TauHTTPErrorEvent OnHTTPError;
  TauHTTPNotifyEvent OnConnLost;
  TauHTTPNotifyEvent OnDoneWithoutData;
  TauHTTPNotifyEvent OnAnyDone;
  TauHTTPNotifyEvent OnAborted;
  TauHTTPNotifyEvent OnNotProceeded;
  TauPasswordRequestEvent OnPasswordRequest;  // 401; without it a 401 is an HTTP error
  TauProxyAuthenticationRequestEvent OnProxyAuthenticationRequest;  // 407, likewise
  TauHTTPWaitTimeoutEvent OnWaitTimeoutExpired;  // a waiting Read ran past Worker().WaitTimeout

  // Fetches URL from its beginning.
  bool Read(bool wait = false) { return Start(0, 0, wait); }
  // Fetches URL, resuming at byte `from` (and up to `to` when not 0); false
  // while a fetch is busy. With `wait`, returns when the fetch has ended
  // (the GUI thread's work goes on meanwhile).
  bool Start(int64_t from, int64_t to, bool wait = false);
  // Stops a running fetch: cooperatively, or with `hard` at once (the call
  // returns when the worker has ended). The output file is deleted only
  // when `deleteFile` and the fetch had opened it.
  void Abort(bool deleteFile = false, bool hard = false);
  bool Busy() const { return busy_; }
  bool Running() const { return worker_.Running(); }
  TauCustomThread& Worker() { return worker_; }

  // The last fetch, for its events and after it.
  int StatusCode() const;
  QIODevice* Stream() const;
  // Why it failed, and the detail in one line: the file's path for a file
  // (LastErrorNumber says why); for the network the refused redirect's
  // address, the name that could not be resolved, or a few words of ours.
  TauTransferError LastError() const;
  std::string LastErrorText() const;
  // libcurl's result code (CURLcode) of a request that failed; 0 for the
  // others, and for a transfer the receive time-out ended.
  int LastErrorCode() const;
  // The system's error number of an output file that could not be created
  // or written (teFileNotCreated, teWriteFailed), or of a connect that
  // failed (teUnreachable: ECONNREFUSED, say); 0 for the others.
  int LastErrorNumber() const;

  // URL routines. SplitURL puts "http://" in front of an address without
  // "://" and decodes %-escapes; `extra` is the query with its "?" and the
  // fragment with its "#". False when the address cannot be split, holds a
  // control byte (blanks and line ends around it are dropped first), or a
  // part cannot be decoded (an escaped control character, "%00" to "%1F").
  static bool SplitURL(const std::string& url, std::string& scheme, std::string& host, int& port,
                       std::string& user, std::string& password, std::string& path, std::string& extra);
  static std::string HostName(const std::string& url);
  // The last part of the path ("/" and "\" both part it); empty for a path
  // that ends in a separator, ".", "..", or an address that cannot be split.
  static std::string FileNameFromURL(const std::string& url);
  // Every byte below 32 or above 127 and each of " #%*+<>" as "%XX".
  static std::string URLEncode(std::string_view text);

 private:
  struct TRun;
  struct TRequest;
  class TWorker;
  friend class TWorker;
  friend struct TCurlGlue;

  void Work(TRun& run);
  void Finish(const std::shared_ptr<TRun>& run);
  bool Request(TRun& run);
  int Perform(TRun& run, TRequest& request);
  bool Head(TRun& run, TRequest& request);
  bool OpenOutput(TRun& run, TRequest& request);
  bool WriteBlock(TRun& run, TRequest& request, const char* data, size_t size);
  void ReadLocalFile(TRun& run, const std::string& path);
  int64_t ProbeSize(TRun& run);
  void EndAborted(TRun& run);
  void CleanUp(TRun& run);
  // Runs an event on the GUI thread while the receive time-out waits.
  void Answer(TRequest& request, const std::function<void()>& event);
  void Status(TRun& run, int code);
  void InterruptActive();

  std::unique_ptr<TWorker> workerOwner_;
  TauCustomThread& worker_;
  uint32_t bufferSize_ = 4096;
  std::atomic<bool> busy_{false};
  std::shared_ptr<TRun> run_;
  std::mutex activeMutex_;
  std::vector<TRun*> active_;  // fetches whose worker is in Work
};
