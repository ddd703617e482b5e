#include "upgrade/auUpgrader.h"

#include "platform/AppPath.h"
#include "platform/Encoding.h"
#include "platform/UserPrompts.h"
#include "upgrade/auUpgraderForms.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QProcess>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

namespace fs = std::filesystem;
using platform::MB_ICONERROR;
using platform::MB_ICONINFORMATION;
using platform::MB_ICONWARNING;
using platform::MB_OK;
using platform::MB_YESNO;

namespace {

std::string AsciiLower(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

const QDate kDateEpoch(1899, 12, 30);

bool IsLocalHost(const std::string& host) {
  return host == "localhost" || host == "::1" || host == "[::1]" || host.starts_with("127.");
}

// A folder's text with one trailing separator.
std::string FolderText(const fs::path& folder) {
  std::string s = folder.string();
  while (!s.empty() && s.back() == '/') s.pop_back();
  return s + "/";
}

}  // namespace

// ------------------------------------------------------------ the update information

namespace {

// The entries of an information text, found in one pass over a lower-cased
// copy: for each key, where the value of its first "#key=" and of its first
// "#key={" begins. A key is looked for only up to kMaxKey characters after
// its "#": the longest one ever asked for is "url" and the number of a file,
// which cannot exceed the number of "#" in the text.
class TUpdateInfoIndex {
 public:
  TUpdateInfoIndex(const TUpdateInfoIndex&) = delete;  // the keys point into lower_
  TUpdateInfoIndex& operator=(const TUpdateInfoIndex&) = delete;
  explicit TUpdateInfoIndex(std::string_view text) : text_(text), lower_(AsciiLower(text)) {
    const std::string_view lower = lower_;
    for (size_t at = lower.find('#'); at != std::string_view::npos; at = lower.find('#', at + 1)) {
      const size_t equals = lower.substr(at + 1, kMaxKey + 1).find('=');
      if (equals == std::string_view::npos) continue;
      const std::string_view key = lower.substr(at + 1, equals);
      const size_t value = at + 1 + equals + 1;
      single_.try_emplace(key, value);
      if (value < lower.size() && lower[value] == '{') multi_.try_emplace(key, value + 1);
    }
  }

  // The value of an entry; "" when it is missing. A single-line value ends
  // before the first character below 32, a multi-line one before "}".
  std::string Value(std::string_view key, bool multiLine) const {
    const std::string lowerKey = AsciiLower(key);
    const auto& starts = multiLine ? multi_ : single_;
    const auto found = starts.find(lowerKey);
    if (found == starts.end()) return {};
    const size_t start = found->second;
    size_t end = start;
    if (multiLine) {
      end = std::min(text_.find('}', start), text_.size());
    } else {
      while (end < text_.size() && static_cast<unsigned char>(text_[end]) >= 32) ++end;
    }
    return std::string(text_.substr(start, end - start));
  }

 private:
  static constexpr size_t kMaxKey = 32;
  std::string_view text_;
  std::string lower_;
  std::unordered_map<std::string_view, size_t> single_, multi_;
};

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

TauUpdateInfo ParseUpdateInfo(std::string_view bytes) {
  // As UTF-8 no byte of a Chinese character can pass for "}" or "#".
  const std::string text = platform::Cp936ToUtf8(bytes);
  const TUpdateInfoIndex entries(text);
  TauUpdateInfo info;
  info.Version = entries.Value("version", false);
  info.Date = entries.Value("date", false);
  for (const char* first : {"url", "url0"})
    if (std::string url = entries.Value(first, false); !url.empty()) info.Files.push_back(url);
  for (size_t n = info.Files.size() + 1;; ++n) {
    std::string url = entries.Value("url" + std::to_string(n), false);
    if (url.empty()) break;
    info.Files.push_back(url);
  }
  info.Message = entries.Value("message", true);
  const std::string method = entries.Value("method", false);
  info.Method = method.starts_with('1') ? umUseExternalSetup : method.starts_with('2') ? umRedirectToURL : umSelfUpgrade;
  return info;
}

bool IsNewerVersion(std::string_view available, std::string_view running) {
  return CompareVersions(std::string(TrimBlanks(available)), std::string(TrimBlanks(running))) >= 1;
}

TDateTime ParseUpgradeDate(std::string_view text) {
  text = TrimBlanks(text);
  const QDate date = QDate::fromString(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                       QStringLiteral("M/d/yyyy"));
  return date.isValid() ? static_cast<TDateTime>(kDateEpoch.daysTo(date)) : 0;
}

std::string FormatUpgradeDate(TDateTime date) {
  return kDateEpoch.addDays(static_cast<qint64>(date)).toString(QStringLiteral("MM/dd/yyyy")).toStdString();
}

// ------------------------------------------------------------ where the files go

bool PlanUpgradeFiles(const std::vector<std::string>& urls, const std::string& appFolder, bool secureOnly,
                      std::vector<TauUpgradeFile>& plan, std::string& refused) {
  plan.clear();
  std::error_code ec;
  const fs::path app = fs::weakly_canonical(fs::absolute(appFolder), ec);
  std::set<std::string> names;
  std::map<std::string, bool> inside;  // by sub-folder: it stays in the program's folder
  for (const std::string& url : urls) {
    refused = url;
    std::string scheme, host, user, password, path, extra;
    int port = 0;
    if (!TauCustomHTTP::SplitURL(url, scheme, host, port, user, password, path, extra)) return false;
    if (secureOnly && AsciiLower(scheme) != "https" && !IsLocalHost(host)) return false;
    if (path.empty() || path.front() != '/') return false;
    if (path.find_first_of(std::string("\\\0", 2)) != std::string::npos) return false;
    // The path's parts (it starts with "/", so there is at least one) after
    // its first "update"; without one, every part but the name is dropped.
    std::vector<std::string> parts;
    for (size_t at = 1; at <= path.size();) {
      const size_t end = std::min(path.find('/', at), path.size());
      parts.push_back(path.substr(at, end - at));
      at = end + 1;
    }
    const auto update = std::find(parts.begin(), parts.end(), "update");
    const auto first = update == parts.end() ? parts.end() - 1 : update + 1;
    TauUpgradeFile file{url, {}, {}};
    for (auto part = first; part != parts.end(); ++part) {
      if (part->empty() || *part == "." || *part == "..") return false;
      if (part + 1 == parts.end())
        file.Name = *part;
      else
        file.SubFolder += *part + "/";
    }
    if (file.Name.empty() || !names.insert(file.Name).second) return false;
    auto [known, added] = inside.try_emplace(file.SubFolder, false);
    if (added) {
      const fs::path folder = fs::weakly_canonical(app / file.SubFolder, ec);
      known->second = !ec && FolderText(folder).starts_with(FolderText(app));
    }
    if (!known->second) return false;
    plan.push_back(std::move(file));
  }
  refused.clear();
  return true;
}

// ------------------------------------------------------------ the component

TauUpgrader::TauUpgrader(platform::Dispatcher& dispatcher)
    : TauCustomHTTP(dispatcher),
      alive_(std::make_shared<bool>(true)),
      timer_(std::make_unique<QTimer>()),
      deadline_(std::make_unique<QTimer>()) {
  OutputFileAttributes.Incomplete = atrArchive | atrHidden | atrTemporary;
  MaxMemorySize = UpgraderInfoLimit;  // only the information comes into memory
  VersionDate = FormatUpgradeDate(static_cast<TDateTime>(kDateEpoch.daysTo(QDate::currentDate())));
  InstallClientHandlers();
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { TimerTick(); });
  deadline_->setSingleShot(true);
  QObject::connect(deadline_.get(), &QTimer::timeout, [this] { CheckOverdue(); });
  StartProcess = [](const std::string& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& a : arguments) args << Q(a);
    return QProcess::startDetached(Q(program), args);
  };
}

TauUpgrader::~TauUpgrader() {
  *alive_ = false;
  autoCheck_ = false;
  timer_->stop();
  deadline_->stop();
  Worker().Shutdown();
  if (downloading_) DeleteTempFiles();  // no helper will put them in place
  ReleaseLock();
  if (wizard_) {
    wizard_->OnClosed = nullptr;
    delete wizard_.data();
  }
  delete checkForm_.data();
}

TauUpgraderWizardForm* TauUpgrader::WizardForm() const { return wizard_; }

TauUpgraderCheckForm* TauUpgrader::CheckForm() const { return checkForm_; }

void TauUpgrader::SetOwnerWindow(QWidget* window) { owner_ = window; }

void TauUpgrader::SetAutoCheck(bool on) {
  autoCheck_ = on;
  ArmTimer();
}

void TauUpgrader::SetAutoCheckDelay(int ms) {
  autoCheckDelay_ = ms;
  ArmTimer();
}

void TauUpgrader::SetRestartParams(const std::string& params) { restartParams_ = params.empty() ? " " : params; }

std::string TauUpgrader::ProgramPath() {
  std::error_code ec;
  return platform::GetAppPath() + fs::read_symlink("/proc/self/exe", ec).filename().string();
}

// A call posted by one run is dropped once that run has stopped.
void TauUpgrader::Post(std::function<void()> call) {
  Worker().Dispatcher().Post([this, alive = alive_, run = run_, call = std::move(call)] {
    if (*alive && run == run_) call();
  });
}

int TauUpgrader::Message(int text, const QString& argument, unsigned flags, int captionText,
                         const QString& captionTail) {
  return Say(argument.isNull() ? UpgraderText(Language(), text)
                               : UpgraderFormat(Language(), text, argument.toUtf8().constData()),
             flags, captionText, captionTail);
}

int TauUpgrader::Say(const QString& body, unsigned flags, int captionText, const QString& captionTail) {
  QWidget* parent = wizard_ ? static_cast<QWidget*>(wizard_.data()) : owner_.data();
  return platform::Prompts().MessageBox(parent, body, UpgraderText(Language(), captionText) + captionTail, flags);
}

void TauUpgrader::InstallClientHandlers() {
  TauCustomHTTP::OnHeaderInfo = [this](TauCustomHTTP&, int status, int64_t size, const std::string&,
                                       const std::string&, const std::string&, const std::string&, const std::string&,
                                       const std::string&, TDateTime, TDateTime modified, TDateTime, bool& proceed) {
    if (!downloading_ || (status != 200 && status != 206)) return;
    lastModified_ = modified;
    if (wizard_) wizard_->ShowFileSize(size);
    const TauUpgradeFile& file = plan_[index_];
    const std::string target = platform::GetAppPath() + file.SubFolder + file.Name;
    if (MiscFilesUpgrade == mfuOnlyIfSizeDifferent && size != 0 && plan_.size() > 1 && target != ProgramPath() &&
        GetFileSize64(target) == size) {
      proceed = false;
      return;
    }
    bool canUpgrade = true;
    if (OnFileStart) OnFileStart(*this, file.URL, size, modified, canUpgrade);
    proceed = canUpgrade;
  };
  TauCustomHTTP::OnProgress = [this](TauCustomHTTP&, const std::string&, QIODevice*, float rate, uint8_t percent,
                                     int left, int elapsed, int64_t bytesDone, int64_t totalSize) {
    if (!downloading_) return;
    const auto count = static_cast<int64_t>(plan_.size());
    const auto total = static_cast<uint8_t>(percent / count + Percent(static_cast<int64_t>(index_), count));
    if (wizard_) wizard_->ShowProgress(percent, total, rate, left);
    if (OnProgress) OnProgress(*this, plan_[index_].URL, totalSize, bytesDone, elapsed, left, percent, total, rate);
  };
  TauCustomHTTP::OnDone = [this](TauCustomHTTP&, const std::string&, QIODevice* stream, int64_t) {
    if (infoMode_) {
      Post([this, bytes = stream ? stream->readAll().toStdString() : std::string()] { Check(bytes); });
    } else {
      Post([this] { FileDone(); });
    }
  };
  TauCustomHTTP::OnNotProceeded = [this](TauCustomHTTP&) { Post([this] { NextFile(); }); };
  TauCustomHTTP::OnDoneInterrupted = [this](TauCustomHTTP&, const std::string&, QIODevice*, int64_t, int64_t) {
    Post([this, error = LastError(), detail = LastErrorText(), number = LastErrorNumber()] {
      TransferInterrupted(error, detail, number);
    });
  };
  // A file that could not be created; or (never asked for here) a resumed
  // file that was whole.
  TauCustomHTTP::OnDoneWithoutData = [this](TauCustomHTTP&) {
    Post([this, error = LastError(), path = LastErrorText(), number = LastErrorNumber()] {
      if (error == teFileNotCreated)
        DiskWriteFailed(path, number);
      else if (downloading_)
        FileDone();
    });
  };
  TauCustomHTTP::OnHTTPError = [this](TauCustomHTTP&, int status, QIODevice*) {
    Post([this, status] {
      if (passwordRefused_)
        AbortUpgrade();
      else if (infoMode_)
        NoInfoFile();
      else
        LostFile(status);
    });
  };
  TauCustomHTTP::OnConnLost = [this](TauCustomHTTP&) {
    Post([this, error = LastError(), detail = LastErrorText(), code = LastErrorCode(), number = LastErrorNumber()] {
      HostUnreachable(error, detail, code, number);
    });
  };
  TauCustomHTTP::OnPasswordRequest = [this](TauCustomHTTP&, const std::string& realm, bool& tryAgain) {
    const std::shared_ptr<bool> alive = alive_;
    // The check's deadline waits while the user answers; the next try gets
    // its whole time.
    const bool timed = deadline_->isActive();
    deadline_->stop();
    tryAgain = false;
    if (OnPasswordRequest) OnPasswordRequest(*this, realm, tryAgain);
    if (!tryAgain && (ShowMessages & mPasswordRequest)) {
      TauUpgraderPasswordForm form(Language(), Q(FileNameFromURL(URL)), HTTPUsername, HTTPPassword);
      tryAgain = form.Execute();
    }
    if (!*alive) return;
    passwordRefused_ = !tryAgain;
    if (timed && tryAgain) deadline_->start(CheckDeadline);
  };
}

// ------------------------------------------------------------ the check

bool TauUpgrader::StartUpdateCheck(bool wait) {
  aborted_ = false;
  byTimer_ = false;
  if (!Busy()) StartCheck(!wait && (ShowMessages & mCheckProgress));
  if (wait) {
    const std::shared_ptr<bool> alive = alive_;
    waitingCaller_ = true;
    WaitWithMessages(waitEvent_, 0, true, Worker().Dispatcher());
    if (!*alive) return false;
    waitingCaller_ = false;
  }
  return updateAvailable_;
}

void TauUpgrader::Loaded() {
  if (!QCoreApplication::instance()) return;
  const QStringList args = QCoreApplication::arguments();
  if (OnAfterRestart && args.size() > 1 && args[1] == Q(restartParams_)) OnAfterRestart(*this);
}

// A check runs until its outcome is handled (EndCheck), or until its
// deadline.
void TauUpgrader::StartCheck(bool shown) {
  EndCheck();
  ++run_;
  infoMode_ = true;
  downloading_ = false;
  updateAvailable_ = false;
  passwordRefused_ = false;
  TauCustomHTTP::CacheOptions = CacheOptions | coPragmaNoCache;
  URL = InfoFileURL;
  OutputFileName.clear();
  Read(false);
  if (CheckDeadline > 0) deadline_->start(CheckDeadline);
  if (!shown) return;
  checkForm_ = new TauUpgraderCheckForm(Language(), Q(HostName(InfoFileURL)), owner_);
  checkForm_->OnCancel = [this] {
    checkForm_ = nullptr;  // it closes itself
    Stop();
  };
  checkForm_->show();
}

void TauUpgrader::EndCheck() {
  deadline_->stop();
  if (TauUpgraderCheckForm* form = checkForm_) {
    checkForm_ = nullptr;
    form->OnCancel = nullptr;
    form->CloseQuietly();
  }
}

// The deadline came before the check's outcome: it ends as a server that
// does not answer.
void TauUpgrader::CheckOverdue() {
  if (!infoMode_ || !Busy()) return;
  Abort(false, true);
  HostUnreachable(teTimedOut, "", 0, 0);
}

void TauUpgrader::Check(const std::string& bytes) {
  const std::shared_ptr<bool> alive = alive_;
  EndCheck();
  infoMode_ = false;
  const TauUpdateInfo info = ParseUpdateInfo(bytes);
  bool newer = false;
  if (VersionControl == byNumber) {
    newer = IsNewerVersion(info.Version, VersionNumber);
  } else {
    const TDateTime mine = ParseUpgradeDate(VersionDate), theirs = ParseUpgradeDate(info.Date);
    newer = mine != 0 && theirs != 0 && mine < theirs;
  }
  updateAvailable_ = newer && !info.Files.empty();
  if (!updateAvailable_) {
    if (OnNoUpdateAvailable) OnNoUpdateAvailable(*this);
    if (*alive && !byTimer_ && (ShowMessages & mNoUpdateAvailable))
      Message(utNoNewerVersion, {}, MB_OK | MB_ICONINFORMATION);
    if (*alive) SignalWait(waitEvent_);
    return;
  }
  method_ = info.Method;
  plan_.clear();
  std::string refused;
  if (method_ != umRedirectToURL && !PlanUpgradeFiles(info.Files, platform::GetAppPath(), SecureOnly, plan_, refused)) {
    updateAvailable_ = false;
    if (!byTimer_) Message(utRefusedFile, Q(refused), MB_OK | MB_ICONERROR);
    if (*alive) SignalWait(waitEvent_);
    return;
  }
  bool canUpgrade = true;
  if (OnBeginUpgrade) OnBeginUpgrade(*this, info.Message, method_, info.Files, canUpgrade);
  if (!*alive) return;
  if (!waitingCaller_) {
    if (canUpgrade && (!(ShowMessages & mAskUpgrade) || AskUpgrade(info.Message))) {
      if (!*alive) return;
      if (method_ == umRedirectToURL)
        OpenURL(info.Files.front(), true);
      else
        StartDownload();
    } else if (*alive && OnLaterUpgrade) {
      OnLaterUpgrade(*this);
    }
  }
  if (*alive) SignalWait(waitEvent_);
}

bool TauUpgrader::AskUpgrade(const std::string& message) {
  TauUpgraderUpgradeMessageForm form(Language(), Q(message));
  return form.Execute();
}

// ------------------------------------------------------------ the download

void TauUpgrader::StartDownload() {
  infoMode_ = false;
  allDownloaded_ = false;
  if (!TakeLock()) return;
  DeleteTempFiles();  // what a killed run left: never to be put in place
  downloading_ = true;
  TauCustomHTTP::CacheOptions = CacheOptions;
  index_ = 0;
  if (Wizard.Enabled) {
    wizard_ = new TauUpgraderWizardForm(Language(), Wizard.HideFileLocation, Wizard.StayOnTop, Wizard.Pic118x218);
    wizard_->OnClosed = [this](bool aborted) {
      wizard_ = nullptr;
      SignalWait(waitEvent_);
      if (aborted) AbortUpgrade();
    };
    wizard_->show();
  }
  FetchCurrent();
}

void TauUpgrader::FetchCurrent() {
  if (aborted_) return;
  if (index_ >= plan_.size()) {
    AllDone();
    return;
  }
  const TauUpgradeFile& file = plan_[index_];
  if (wizard_) wizard_->ShowFile(Q(file.URL), static_cast<int>(index_), static_cast<int>(plan_.size()));
  tempPath_ = platform::GetAppPath() + file.Name + std::string(UpgraderTempSuffix);
  lastModified_ = 0;
  passwordRefused_ = false;
  URL = file.URL;
  OutputFileName = tempPath_;
  Read(false);
}

void TauUpgrader::NextFile() {
  ++index_;
  FetchCurrent();
}

void TauUpgrader::FileDone() {
  if (lastModified_ != 0) SetFileTimes(tempPath_, lastModified_, -1, lastModified_);
  if (OnFileDone) OnFileDone(*this, tempPath_);
  NextFile();
}

void TauUpgrader::AllDone() {
  const std::shared_ptr<bool> alive = alive_;
  if (wizard_) {
    wizard_->SetFinished();
    WaitPumping([&] { return !*alive || !wizard_ || aborted_; }, 0, true, Worker().Dispatcher());
    if (!*alive || aborted_ || wizard_) return;
  }
  downloading_ = false;
  // Nothing is placed before the helper has been written and started.
  QString error;
  const std::string helper = WriteHelper(error);
  const int go = helper.empty() ? -1 : StartHelper(helper, error);
  if (go < 0) {
    Message(utHelperFailed, error, MB_OK | MB_ICONERROR);
    if (*alive) AbortUpgrade();
    return;
  }
  QString failed;
  if (!PlaceSubFolderFiles(failed)) {
    ::close(go);  // the helper ends without doing anything
    Message(utPlacementFailed, failed, MB_OK | MB_ICONERROR);
    if (*alive) AbortUpgrade();
    return;
  }
  allDownloaded_ = true;
  bool restart = true;
  if (OnEndUpgrade) OnEndUpgrade(*this, restart);
  // The helper's word: it goes on once the program has ended, holding the
  // lock until it has finished.
  ::send(go, "1", 1, MSG_NOSIGNAL);
  ::close(go);
  if (!*alive) return;
  ReleaseLock();
  if (!restart) return;
  restartRequested_ = true;
  if (OnDoOwnCloseAppMethod)
    OnDoOwnCloseAppMethod(*this);
  else
    CloseApplication();
}

// Each file by one rename over its target; the old file stays aside (a
// second name of it) until all are in, so that a failure can put back
// what was placed.
bool TauUpgrader::PlaceSubFolderFiles(QString& failed) {
  struct TPlaced {
    std::string Target, Kept;  // Kept: the old file's second name, "" when there was none
  };
  std::vector<TPlaced> placed;
  std::vector<std::string> madeFolders;
  auto undo = [&] {
    for (auto p = placed.rbegin(); p != placed.rend(); ++p)
      p->Kept.empty() ? ::unlink(p->Target.c_str()) : ::rename(p->Kept.c_str(), p->Target.c_str());
    for (auto f = madeFolders.rbegin(); f != madeFolders.rend(); ++f) ::rmdir(f->c_str());
  };
  auto fail = [&](const std::string& path) {
    failed = UpgraderFileFailure(Language(), path, errno);
    undo();
    return false;
  };
  const std::string app = platform::GetAppPath();
  for (const TauUpgradeFile& file : plan_) {
    const std::string temp = app + file.Name + std::string(UpgraderTempSuffix);
    struct stat st {};
    if (file.SubFolder.empty() || ::lstat(temp.c_str(), &st) != 0) continue;  // skipped files have none
    for (size_t at = file.SubFolder.find('/'); at != std::string::npos; at = file.SubFolder.find('/', at + 1)) {
      const std::string folder = app + file.SubFolder.substr(0, at);
      if (::mkdir(folder.c_str(), 0755) == 0)
        madeFolders.push_back(folder);
      else if (errno != EEXIST)
        return fail(folder);
    }
    const std::string target = app + file.SubFolder + file.Name;
    TPlaced p{target, {}};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      p.Kept = target + ".uOLD";
      ::unlink(p.Kept.c_str());
      if (::link(target.c_str(), p.Kept.c_str()) != 0) return fail(p.Kept);
      ::chmod(temp.c_str(), st.st_mode & 07777);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
      const int reason = errno;
      if (!p.Kept.empty()) ::unlink(p.Kept.c_str());
      errno = reason;
      return fail(target);
    }
    placed.push_back(std::move(p));
  }
  for (const TPlaced& p : placed)
    if (!p.Kept.empty()) ::unlink(p.Kept.c_str());
  return true;
}

std::string TauUpgrader::WriteHelper(QString& error) {
  std::string folder = GetTempDir() + UpgraderHelperFolderTemplate;
  if (!::mkdtemp(folder.data())) {
    error = UpgraderFileFailure(Language(), folder, errno);
    return {};
  }
  const std::string path = folder + "/" + UpgraderHelperName;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700);
  int reason = fd < 0 ? errno : 0;  // the system's error number
  bool carried = true;
  if (fd >= 0) {
    // Written whole and executable, or not at all; a short write is tried
    // again for the rest, which tells why it failed.
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    carried = SaveResourceToStream("AUUPG", "AUUPG", &bytes);
    const QByteArray& data = bytes.data();
    for (qsizetype done = 0; carried && reason == 0 && done < data.size();) {
      const ssize_t n = ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
      if (n > 0)
        done += n;
      else if (n < 0 && errno != EINTR)
        reason = errno;
    }
    if (carried && reason == 0 && (::fsync(fd) != 0 || ::fchmod(fd, 0700) != 0)) reason = errno;
    ::close(fd);
  }
  if (!carried || reason != 0) {
    error = carried ? UpgraderFileFailure(Language(), path, reason)
                    : UpgraderFormat(Language(), utFileAndReason, path.c_str(),
                                     UpgraderText(Language(), utHelperMissing).toUtf8().constData());
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    return {};
  }
  return path;
}

// Starts the helper with its own copies of the lock and of one end of a
// line on which it waits for its word. Gives the other end, or -1.
int TauUpgrader::StartHelper(const std::string& helper, QString& error) {
  int line[2] = {-1, -1};
  int goFd = -1, lockFd = -1, reason = 0;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, line) != 0 ||
      (goFd = ::fcntl(line[1], F_DUPFD, 3)) < 0 ||  // without close-on-exec: the helper's
      (lockFd = ::fcntl(lockFd_, F_DUPFD, 3)) < 0)
    reason = errno;
  const bool started =
      reason == 0 &&
      StartProcess(helper, {"--pid=" + std::to_string(::getpid()), "--lock-fd=" + std::to_string(lockFd),
                            "--go-fd=" + std::to_string(goFd), ProgramPath(),
                            "+" + restartParams_ + char('0' + method_)});
  for (int fd : {goFd, lockFd, line[1]})
    if (fd >= 0) ::close(fd);
  if (started) return line[0];
  if (line[0] >= 0) ::close(line[0]);
  // A program that could not be started is named (the way of starting it
  // gives no reason).
  error = reason != 0 ? UpgraderFileFailure(Language(), helper, reason) : Q(helper);
  ::unlink(helper.c_str());
  ::rmdir(fs::path(helper).parent_path().c_str());
  return -1;
}

bool TauUpgrader::TakeLock() {
  const std::shared_ptr<bool> alive = alive_;
  const std::string path = platform::GetAppPath() + UpgraderLockName;
  // Read access is enough for flock, and opens an existing lock file in a
  // folder that cannot be written.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    DiskWriteFailed(path, errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    Message(utUpgradeRunning, Q(platform::GetAppPath()), MB_OK | MB_ICONWARNING);
    if (*alive) AbortUpgrade();
    return false;
  }
  lockFd_ = fd;
  return true;
}

void TauUpgrader::ReleaseLock() {
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = -1;
}

// ------------------------------------------------------------ failures

void TauUpgrader::LostFile(int status) {
  const std::shared_ptr<bool> alive = alive_;
  const TauUpgradeFile& file = plan_[index_];
  bool continueUpgrade = false;
  if (OnLostFile) OnLostFile(*this, file.URL, status, continueUpgrade);
  if (*alive && !continueUpgrade && (ShowMessages & mLostFile))
    continueUpgrade = Message(utFileNotFound, Q(file.Name), MB_YESNO | MB_ICONWARNING, utError,
                              " #" + QString::number(status)) == platform::IDYES;
  if (!*alive) return;
  if (continueUpgrade)
    NextFile();
  else
    AbortUpgrade();
}

void TauUpgrader::TransferInterrupted(TauTransferError error, const std::string& detail, int number) {
  EndCheck();
  switch (error) {
    case teWriteFailed:
      DiskWriteFailed(detail, number);
      return;
    case teTooLarge: {
      const std::shared_ptr<bool> alive = alive_;
      if (OnNoInfoFile) OnNoInfoFile(*this);
      if (*alive && !byTimer_ && (ShowMessages & mTransferFailed)) Message(utInfoTooLarge, {}, MB_OK | MB_ICONERROR);
      if (*alive) Stop();
      return;
    }
    default:
      ConnectionLost(error == teTimedOut ? utTimedOut : utConnectionLost);
  }
}

void TauUpgrader::ConnectionLost(int text) {
  const std::shared_ptr<bool> alive = alive_;
  if (OnConnLost) OnConnLost(*this);
  if (*alive && (ShowMessages & mConnLost)) Message(text, {}, MB_OK | MB_ICONERROR);
  if (*alive) Stop();
}

void TauUpgrader::HostUnreachable(TauTransferError error, const std::string& detail, int code, int number) {
  const std::shared_ptr<bool> alive = alive_;
  EndCheck();
  const std::string host = HostName(URL);
  if (OnHostUnreachable) OnHostUnreachable(*this, URL, host);
  if (!*alive) return;
  // What the user can act on, in one line and in the upgrade's words: the
  // refused secure connection or redirect (by its address), or the server
  // that cannot be reached and why.
  const QString why = UpgraderNetworkReason(Language(), error, code, number);
  int text = -1;
  QString argument;
  switch (error) {
    case teSecureConnection: text = utSecureConnectionFailed, argument = why; break;
    case teTooManyRedirects: text = utTooManyRedirects; break;
    case teRedirectRefused: text = utRedirectRefused, argument = Q(detail); break;
    default: break;
  }
  if (byTimer_) {
    timerCheckRunning_ = false;
    ArmTimer();
  } else if (text >= 0 && (ShowMessages & mTransferFailed)) {
    Message(text, argument, MB_OK | MB_ICONERROR);
  } else if (ShowMessages & mTransferFailed) {
    Say(UpgraderFormat(Language(), utServerUnreachable, host.c_str(), why.toUtf8().constData()),
        MB_OK | MB_ICONERROR);
  } else if (ShowMessages & mHostUnreachable) {
    Message(utHostUnreachable, Q("http://" + host + "'"), MB_OK | MB_ICONERROR);
  }
  if (*alive) Stop();
}

void TauUpgrader::NoInfoFile() {
  const std::shared_ptr<bool> alive = alive_;
  EndCheck();
  if (OnNoInfoFile) OnNoInfoFile(*this);
  if (*alive && (ShowMessages & mNoInfoFile)) Message(utNoInfoFile, {}, MB_OK | MB_ICONERROR);
  if (*alive) SignalWait(waitEvent_);
}

// A file could not be created or written: the path and why, in the
// upgrade's language.
void TauUpgrader::DiskWriteFailed(const std::string& path, int error) {
  const std::shared_ptr<bool> alive = alive_;
  Message(utDiskWriteFailed, UpgraderFileFailure(Language(), path, error), MB_OK | MB_ICONERROR);
  if (*alive) AbortUpgrade();
}

// A download that stops takes its files away: a later helper would put a
// part of a file in place. Then the folder is free for another upgrade.
void TauUpgrader::Stop(bool deleteTempFiles) {
  EndCheck();
  ++run_;
  SignalWait(waitEvent_);
  Abort(false, true);
  if (downloading_ || deleteTempFiles) DeleteTempFiles();
  downloading_ = false;
  ReleaseLock();
  if (wizard_) wizard_->CloseQuietly();
}

void TauUpgrader::AbortUpgrade() {
  aborted_ = true;
  Stop(true);
  if (OnAborted) OnAborted(*this);
}

// Only while this component holds the folder's lock: otherwise the files
// may be another upgrade's. A link of such a name goes too (the link, not
// what it leads to): a download would be written through it.
void TauUpgrader::DeleteTempFiles() {
  if (lockFd_ < 0) return;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(platform::GetAppPath(), ec))
    if (entry.path().filename().string().ends_with(UpgraderTempSuffix) &&
        (entry.is_symlink(ec) || entry.is_regular_file(ec)))
      fs::remove(entry.path(), ec);
}

// ------------------------------------------------------------ the timer

void TauUpgrader::ArmTimer() {
  timer_->stop();
  if (autoCheck_ && !timerCheckRunning_ && autoCheckDelay_ >= 1) timer_->start(autoCheckDelay_);
}

void TauUpgrader::TimerTick() {
  if (!IsOnline() || !autoCheck_) return;
  timerCheckRunning_ = true;
  timer_->stop();
  aborted_ = false;
  byTimer_ = true;
  if (!Busy()) StartCheck(false);
}
