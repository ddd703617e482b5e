// The component that keeps the program up to date.
//
// StartUpdateCheck fetches the update information (into memory, 1 MiB at
// most), decides by version number or by date whether a newer version is
// out, asks the user and downloads every listed file beside the program
// under its name + ".uTMP" (a progress wizard shows the way). A check may
// show a small window while it runs (mCheckProgress) and end by a deadline
// (CheckDeadline) as a server that does not answer.
//
// One upgrade per program folder at a time: before its first download the
// component takes the lock file UpgraderLockName beside the program (flock;
// a second copy that cannot take it says so and downloads nothing), then
// deletes every "*.uTMP" of the folder, which only a killed run can have
// left. A download that fails in any way deletes them again, and so does
// the component's end while it downloads.
//
// When all files are there, the replacement helper is written into a
// private folder of its own and started; it waits for a word from the
// component. Only then are files whose address names a sub-folder (the
// part of the path after "update/") moved into that folder, each by one
// rename, the old file kept aside until every one is in (a failure puts
// back what was placed and the helper goes without doing anything).
// OnEndUpgrade runs, the helper gets its word and the lock, and the program
// closes (RestartImediately left true) or runs on; either way the helper
// waits until it has ended, puts the program's files in place and restarts
// it with RestartParams.
//
// The update information is text with entries "#key=value" (to the end of
// the line) or "#key={value}" (over lines), anywhere in the text, keys in
// any case; other text is ignored. Keys: "version" (dotted), "date"
// (month/day/year), "url", "url0", then "url1", "url2" ... up to the first
// missing one, "message" (CP936, over lines), "method" ("0" the program
// replaces itself, "1" an external setup, "2" a web page is opened).
//
// A file list is refused before anything is downloaded when an address has
// no file name, leaves the program's folder (".." or "." segments, an
// absolute path, a backslash, a folder that leads outside), when two
// addresses share one temporary name, or (SecureOnly) when an address
// other than one on this machine is not https.
//
// Everything runs on the GUI thread; the client's outcomes are handled in
// calls posted to its dispatcher, so that dialogs and waits never run
// inside a fetch.
#pragma once

#include "upgrade/auHTTP.h"
#include "upgrade/auUpgraderTexts.h"

#include <QImage>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QTimer;
class QWidget;
class TauUpgraderCheckForm;
class TauUpgraderWizardForm;

enum TacUpgradeMethod : uint8_t { umSelfUpgrade, umUseExternalSetup, umRedirectToURL };
enum TacMiscFilesUpgradeBehavior : uint8_t { mfuAlwaysDownload, mfuOnlyIfSizeDifferent };
enum TauUpgraderVersionControl : uint8_t { byDate, byNumber };

// Which built-in messages appear.
enum TauUpgraderMessage : unsigned {
  mAskUpgrade = 1u << 0,
  mConnLost = 1u << 1,
  mHostUnreachable = 1u << 2,
  mLostFile = 1u << 3,
  mNoInfoFile = 1u << 4,
  mNoUpdateAvailable = 1u << 5,
  mPasswordRequest = 1u << 6,
  // A check or download that fails for a reason the user can act on says
  // so in one line: the certificate refused, too many redirects, a redirect
  // to an address not allowed (https to http), update information over
  // 1 MiB, and a server that cannot be reached (its name not resolved, no
  // connection, no answer in time), named with the reason. (Without it
  // they are as silent as an unreachable host; a check by the timer is
  // always silent.)
  mTransferFailed = 1u << 7,
  // A check started by StartUpdateCheck without waiting shows a small
  // window while it runs, with a button that cancels it.
  mCheckProgress = 1u << 8,
};
using TauUpgraderMessages = unsigned;

// Kept with the form for its designer; the check reads the remote file.
struct TauUpgraderInfo {
  std::vector<std::string> Files;
  TacUpgradeMethod UpgradeMethod = umSelfUpgrade;
  std::string UpgradeMsg;
};

struct TauUpgraderWizard {
  bool Enabled = true;
  bool HideFileLocation = false;
  QImage Pic118x218;  // the side picture; empty: the built-in one
  TauUpgraderLanguage Language = wlAuto;
  bool StayOnTop = true;
};

// The name of the helper's file in its private folder.
inline constexpr const char* UpgraderHelperName = "Upgrader3";
// The private folders of the helper are made from this (mkdtemp).
inline constexpr const char* UpgraderHelperFolderTemplate = "ssq-upgrade-XXXXXX";
inline constexpr std::string_view UpgraderTempSuffix = ".uTMP";
// The lock file beside the program (the helper knows the name too).
inline constexpr const char* UpgraderLockName = ".upgrade.lock";
// The update information is refused when it is larger.
inline constexpr int64_t UpgraderInfoLimit = 1 << 20;

// ---- the update information ----

struct TauUpdateInfo {
  std::string Version, Date, Message;  // Message as UTF-8
  std::vector<std::string> Files;
  TacUpgradeMethod Method = umSelfUpgrade;
};
// Reads the information file's bytes (CP936). One pass finds every entry:
// the value of an entry is "" when it is missing; the first entry counts.
TauUpdateInfo ParseUpdateInfo(std::string_view bytes);

// The version rule by number: `available` is newer than `running`
// (CompareVersions above 0), blanks around either not counted.
bool IsNewerVersion(std::string_view available, std::string_view running);

// "month/day/year" and back; 0 for a text that is not such a date.
TDateTime ParseUpgradeDate(std::string_view text);
std::string FormatUpgradeDate(TDateTime date);

// ---- where the files go ----

struct TauUpgradeFile {
  std::string URL;
  std::string Name;       // the file name, also of the temporary file
  std::string SubFolder;  // "" or "a/b/": where the file belongs in the program's folder
};
// Plans the list; false with the refused address in `refused` (one that
// cannot be split or decoded, has no file name, or leaves the folder).
bool PlanUpgradeFiles(const std::vector<std::string>& urls, const std::string& appFolder, bool secureOnly,
                      std::vector<TauUpgradeFile>& plan, std::string& refused);

// ---- the component ----

class TauUpgrader;
using TauUpgraderNotifyEvent = std::function<void(TauUpgrader& sender)>;
using TauBeginUpgradeEvent = std::function<void(TauUpgrader& sender, const std::string& upgradeMsg,
                                                TacUpgradeMethod method, const std::vector<std::string>& files,
                                                bool& canUpgrade)>;
using TauEndUpgradeEvent = std::function<void(TauUpgrader& sender, bool& restartImediately)>;
using TauUpgraderProgressEvent = std::function<void(
    TauUpgrader& sender, const std::string& fileURL, int64_t fileSize, int64_t bytesRead, int elapsedTime,
    int estimatedTimeLeft, uint8_t percentsDone, uint8_t totalPercentsDone, float transferRate)>;
using TauFileStartEvent = std::function<void(TauUpgrader& sender, const std::string& fileURL, int64_t fileSize,
                                             TDateTime fileTime, bool& canUpgrade)>;
using TauFileDoneEvent = std::function<void(TauUpgrader& sender, const std::string& fileName)>;
using TauHostUnreachableEvent =
    std::function<void(TauUpgrader& sender, const std::string& url, const std::string& hostname)>;
using TauLostFileEvent =
    std::function<void(TauUpgrader& sender, const std::string& fileURL, int errorCode, bool& continueUpgrade)>;
using TauUpgraderPasswordEvent = std::function<void(TauUpgrader& sender, const std::string& realm, bool& tryAgain)>;

class TauUpgrader : protected TauCustomHTTP {
 public:
  explicit TauUpgrader(platform::Dispatcher& dispatcher = platform::GuiDispatcher());
  ~TauUpgrader() override;

  // What the component passes on of its HTTP client.
  using TauCustomHTTP::HTTPPassword;
  using TauCustomHTTP::HTTPUsername;
  using TauCustomHTTP::InternetOptions;
  using TauCustomHTTP::OnProxyAuthenticationRequest;
  using TauCustomHTTP::Proxy;
  using TauCustomHTTP::SetThreadPriority;
  using TauCustomHTTP::SetTransferBufferSize;
  using TauCustomHTTP::ThreadPriority;
  using TauCustomHTTP::TransferBufferSize;
  using TauCustomHTTP::Busy;
  using TauCustomHTTP::Timeouts;

  // The cache flags of every request (the check adds coPragmaNoCache).
  TauCacheOptions CacheOptions = coReloadIfNoExpireInformation | coReloadUpdatedObjects | coCreateTempFilesIfCantCache;
  TauUpgraderInfo InfoFile;
  std::string InfoFileURL = "http://";
  TacMiscFilesUpgradeBehavior MiscFilesUpgrade = mfuAlwaysDownload;
  TauUpgraderVersionControl VersionControl = byDate;
  std::string VersionDate;  // month/day/year of the running version; today at creation
  bool VersionDateAutoSet = true;
  std::string VersionNumber;
  TauUpgraderMessages ShowMessages = mAskUpgrade | mConnLost | mLostFile | mPasswordRequest;
  TauUpgraderWizard Wizard;
  // Only https addresses (and any on this machine) are fetched.
  bool SecureOnly = false;
  // A check that has not ended after this many ms ends as a server that
  // does not answer; 0: no limit beyond the client's time-outs.
  int CheckDeadline = 0;

  // The window the component works for: its messages and its check window
  // belong to it (none: they stand alone).
  void SetOwnerWindow(QWidget* window);

  // Checks by timer every AutoCheckDelay ms while the machine is online.
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool on);
  int AutoCheckDelay() const { return autoCheckDelay_; }
  void SetAutoCheckDelay(int ms);
  // The restarted program's parameters; an empty text becomes one blank.
  const std::string& RestartParams() const { return restartParams_; }
  void SetRestartParams(const std::string& params);

  TauBeginUpgradeEvent OnBeginUpgrade;
  TauEndUpgradeEvent OnEndUpgrade;
  TauUpgraderNotifyEvent OnLaterUpgrade;
  TauUpgraderProgressEvent OnProgress;
  TauFileStartEvent OnFileStart;
  TauFileDoneEvent OnFileDone;
  TauUpgraderNotifyEvent OnDoOwnCloseAppMethod;  // replaces closing the program
  TauUpgraderNotifyEvent OnAfterRestart;
  TauUpgraderNotifyEvent OnAborted, OnConnLost, OnNoUpdateAvailable, OnNoInfoFile;
  TauHostUnreachableEvent OnHostUnreachable;
  TauLostFileEvent OnLostFile;
  TauUpgraderPasswordEvent OnPasswordRequest;

  // Starts a program without waiting for it (the helper), passing on the
  // descriptors the arguments name; false when it could not be started.
  // Starts it detached unless replaced.
  std::function<bool(const std::string& program, const std::vector<std::string>& arguments)> StartProcess;

  // Starts a check unless a fetch is running. With `wait`, returns when the
  // check has ended (the GUI thread's work goes on meanwhile) and never
  // starts a download. Gives whether an update is available.
  bool StartUpdateCheck(bool wait);
  // Calls OnAfterRestart when the program's first parameter is RestartParams.
  void Loaded();

  // The run's state.
  bool UpdateAvailable() const { return updateAvailable_; }
  bool AllFilesDownloaded() const { return allDownloaded_; }
  bool RestartRequested() const { return restartRequested_; }
  const std::vector<TauUpgradeFile>& Files() const { return plan_; }
  TauUpgraderWizardForm* WizardForm() const;
  // The window of a running check (mCheckProgress), else none.
  TauUpgraderCheckForm* CheckForm() const;
  // The program's path as the helper gets it: the program's folder and the
  // executable's name.
  static std::string ProgramPath();

 private:
  void InstallClientHandlers();
  void Post(std::function<void()> call);
  TauUpgraderLanguage Language() const { return Wizard.Language; }
  int Message(int text, const QString& argument, unsigned flags, int captionText = utCaption,
              const QString& captionTail = {});
  int Say(const QString& body, unsigned flags, int captionText = utCaption, const QString& captionTail = {});

  void StartCheck(bool shown);
  void EndCheck();
  void CheckOverdue();
  void Check(const std::string& bytes);
  bool AskUpgrade(const std::string& message);
  void StartDownload();
  void FetchCurrent();
  void NextFile();
  void FileDone();
  void AllDone();
  // Each gives what failed, for the user, in `failed` or `error`.
  bool PlaceSubFolderFiles(QString& failed);
  std::string WriteHelper(QString& error);
  int StartHelper(const std::string& helper, QString& error);
  bool TakeLock();
  void ReleaseLock();

  void LostFile(int status);
  void TransferInterrupted(TauTransferError error, const std::string& detail, int number);
  void ConnectionLost(int text);
  // `code` and `number`: LastErrorCode and LastErrorNumber of the fetch.
  void HostUnreachable(TauTransferError error, const std::string& detail, int code, int number);
  void NoInfoFile();
  void DiskWriteFailed(const std::string& path, int error);
  void Stop(bool deleteTempFiles = false);
  void AbortUpgrade();
  void DeleteTempFiles();
  void TimerTick();
  void ArmTimer();

  std::shared_ptr<bool> alive_;
  uint64_t run_ = 0;  // counts the runs: a check, and each stop
  std::unique_ptr<QTimer> timer_;
  QPointer<TauUpgraderWizardForm> wizard_;
  QPointer<TauUpgraderCheckForm> checkForm_;
  QPointer<QWidget> owner_;
  std::unique_ptr<QTimer> deadline_;
  TauWaitEvent waitEvent_;
  bool autoCheck_ = false;
  int autoCheckDelay_ = 10000;
  std::string restartParams_ = "/afterupgrade";

  int lockFd_ = -1;  // the folder's upgrade lock, while this component holds it
  std::vector<TauUpgradeFile> plan_;
  size_t index_ = 0;
  std::string tempPath_;
  TDateTime lastModified_ = 0;
  TacUpgradeMethod method_ = umSelfUpgrade;
  bool updateAvailable_ = false;
  bool waitingCaller_ = false;
  bool byTimer_ = false;
  bool timerCheckRunning_ = false;
  bool infoMode_ = false;
  bool downloading_ = false;
  bool allDownloaded_ = false;
  bool aborted_ = false;
  bool restartRequested_ = false;
  bool passwordRefused_ = false;
};
