#include "upgrade/auUpgrader.h"

#include "platform/AppPath.h"
#include "platform/Encoding.h"
#include "platform/UserPrompts.h"
#include "upgrade/auUpgraderForms.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

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

std::string UpdateInfoValue(std::string_view text, std::string_view key, bool multiLine) {
  std::string pattern(1, '#');
  pattern += AsciiLower(key);
  pattern += multiLine ? "={" : "=";
  const size_t at = AsciiLower(text).find(pattern);
  if (at == std::string::npos) return {};
  const size_t start = at + pattern.size();
  size_t end = start;
  if (multiLine) {
    end = std::min(text.find('}', start), text.size());
  } else {
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 32) ++end;
  }
  return std::string(text.substr(start, end - start));
}

TauUpdateInfo ParseUpdateInfo(std::string_view bytes) {
  // As UTF-8 no byte of a Chinese character can pass for "}" or "#".
  const std::string text = platform::Cp936ToUtf8(bytes);
  TauUpdateInfo info;
  info.Version = UpdateInfoValue(text, "version", false);
  info.Date = UpdateInfoValue(text, "date", false);
  for (const char* first : {"url", "url0"})
    if (std::string url = UpdateInfoValue(text, first, false); !url.empty()) info.Files.push_back(url);
  for (size_t n = info.Files.size() + 1;; ++n) {
    std::string url = UpdateInfoValue(text, "url" + std::to_string(n), false);
    if (url.empty()) break;
    info.Files.push_back(url);
  }
  info.Message = UpdateInfoValue(text, "message", true);
  const std::string method = UpdateInfoValue(text, "method", false);
  info.Method = method.starts_with('1') ? umUseExternalSetup : method.starts_with('2') ? umRedirectToURL : umSelfUpgrade;
  return info;
}

TDateTime ParseUpgradeDate(std::string_view text) {
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
  for (const std::string& url : urls) {
    refused = url;
    std::string scheme, host, user, password, path, extra;
    int port = 0;
    if (!TauCustomHTTP::SplitURL(url, scheme, host, port, user, password, path, extra)) return false;
    if (secureOnly && AsciiLower(scheme) != "https" && !IsLocalHost(host)) return false;
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
    const fs::path folder = fs::weakly_canonical(app / file.SubFolder, ec);
    if (ec || !FolderText(folder).starts_with(FolderText(app))) return false;
    plan.push_back(std::move(file));
  }
  refused.clear();
  return true;
}

// ------------------------------------------------------------ the component

TauUpgrader::TauUpgrader(platform::Dispatcher& dispatcher)
    : TauCustomHTTP(dispatcher), alive_(std::make_shared<bool>(true)), timer_(std::make_unique<QTimer>()) {
  OutputFileAttributes.Incomplete = atrArchive | atrHidden | atrTemporary;
  VersionDate = FormatUpgradeDate(static_cast<TDateTime>(kDateEpoch.daysTo(QDate::currentDate())));
  InstallClientHandlers();
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { TimerTick(); });
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
  Worker().Shutdown();
  if (wizard_) {
    wizard_->OnClosed = nullptr;
    delete wizard_.data();
  }
}

TauUpgraderWizardForm* TauUpgrader::WizardForm() const { return wizard_; }

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
  const QString body = argument.isNull() ? UpgraderText(Language(), text)
                                         : UpgraderFormat(Language(), text, argument.toUtf8().constData());
  return platform::Prompts().MessageBox(wizard_, body, UpgraderText(Language(), captionText) + captionTail, flags);
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
    Post([this] { ConnectionLost(); });
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
  TauCustomHTTP::OnConnLost = [this](TauCustomHTTP&) { Post([this] { HostUnreachable(); }); };
  TauCustomHTTP::OnPasswordRequest = [this](TauCustomHTTP&, const std::string& realm, bool& tryAgain) {
    const std::shared_ptr<bool> alive = alive_;
    tryAgain = false;
    if (OnPasswordRequest) OnPasswordRequest(*this, realm, tryAgain);
    if (!tryAgain && (ShowMessages & mPasswordRequest)) {
      TauUpgraderPasswordForm form(Language(), Q(FileNameFromURL(URL)), HTTPUsername, HTTPPassword);
      tryAgain = form.Execute();
    }
    if (*alive) passwordRefused_ = !tryAgain;
  };
}

// ------------------------------------------------------------ the check

bool TauUpgrader::StartUpdateCheck(bool wait) {
  aborted_ = false;
  byTimer_ = false;
  if (!Busy()) {
    ++run_;
    infoMode_ = true;
    downloading_ = false;
    updateAvailable_ = false;
    passwordRefused_ = false;
    TauCustomHTTP::CacheOptions = CacheOptions | coPragmaNoCache;
    URL = InfoFileURL;
    OutputFileName.clear();
    Read(false);
  }
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

void TauUpgrader::Check(const std::string& bytes) {
  const std::shared_ptr<bool> alive = alive_;
  infoMode_ = false;
  const TauUpdateInfo info = ParseUpdateInfo(bytes);
  bool newer = false;
  if (VersionControl == byNumber) {
    newer = CompareVersions(info.Version, VersionNumber) >= 1;
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
  downloading_ = true;
  allDownloaded_ = false;
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
  std::string failed;
  if (!PlaceSubFolderFiles(failed)) {
    Message(utPlacementFailed, Q(failed), MB_OK | MB_ICONERROR);
    if (*alive) AbortUpgrade();
    return;
  }
  allDownloaded_ = true;
  bool restart = true;
  if (OnEndUpgrade) OnEndUpgrade(*this, restart);
  if (*alive && restart) RunHelper();
}

bool TauUpgrader::PlaceSubFolderFiles(std::string& failed) {
  const std::string app = platform::GetAppPath();
  for (const TauUpgradeFile& file : plan_) {
    const std::string temp = app + file.Name + std::string(UpgraderTempSuffix);
    std::error_code ec;
    if (file.SubFolder.empty() || !fs::exists(temp, ec)) continue;  // skipped files have none
    const std::string target = app + file.SubFolder + file.Name;
    fs::create_directories(app + file.SubFolder, ec);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
      failed = target + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

std::string TauUpgrader::WriteHelper(std::string& error) {
  std::string folder = GetTempDir() + UpgraderHelperFolderTemplate;
  if (!::mkdtemp(folder.data())) {
    error = folder + ": " + std::strerror(errno);
    return {};
  }
  const std::string path = folder + "/" + UpgraderHelperName;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700);
  bool written = false;
  if (fd >= 0) {
    QFile file;
    written = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
              SaveResourceToStream("AUUPG", "AUUPG", &file) && file.flush() && ::fchmod(fd, 0700) == 0;
    if (!file.isOpen()) ::close(fd);
  }
  if (!written) {
    error = path + ": " + (errno ? std::strerror(errno) : "the helper could not be written");
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    return {};
  }
  return path;
}

void TauUpgrader::RunHelper() {
  std::string error;
  const std::string helper = WriteHelper(error);
  const std::vector<std::string> arguments = {"--pid=" + std::to_string(::getpid()), ProgramPath(),
                                              "+" + restartParams_ + char('0' + method_)};
  if (!helper.empty() && !StartProcess(helper, arguments)) {
    error = helper + ": the helper could not be started";
    ::unlink(helper.c_str());
    ::rmdir(fs::path(helper).parent_path().c_str());
  } else if (!helper.empty()) {
    restartRequested_ = true;
    if (OnDoOwnCloseAppMethod)
      OnDoOwnCloseAppMethod(*this);
    else
      CloseApplication();
    return;
  }
  const std::shared_ptr<bool> alive = alive_;
  Message(utHelperFailed, Q(error), MB_OK | MB_ICONERROR);
  if (*alive) AbortUpgrade();
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

void TauUpgrader::ConnectionLost() {
  const std::shared_ptr<bool> alive = alive_;
  if (OnConnLost) OnConnLost(*this);
  if (*alive && (ShowMessages & mConnLost)) Message(utConnectionLost, {}, MB_OK | MB_ICONERROR);
  if (*alive) Stop();
}

void TauUpgrader::HostUnreachable() {
  const std::shared_ptr<bool> alive = alive_;
  const std::string host = HostName(URL);
  if (OnHostUnreachable) OnHostUnreachable(*this, URL, host);
  if (!*alive) return;
  if (byTimer_) {
    timerCheckRunning_ = false;
    ArmTimer();
  } else if (ShowMessages & mHostUnreachable) {
    Message(utHostUnreachable, Q("http://" + host + "'"), MB_OK | MB_ICONERROR);
  }
  if (*alive) Stop();
}

void TauUpgrader::NoInfoFile() {
  const std::shared_ptr<bool> alive = alive_;
  if (OnNoInfoFile) OnNoInfoFile(*this);
  if (*alive && (ShowMessages & mNoInfoFile)) Message(utNoInfoFile, {}, MB_OK | MB_ICONERROR);
  if (*alive) SignalWait(waitEvent_);
}

// A download that stops takes its files away: a later helper would put a
// part of a file in place.
void TauUpgrader::Stop() {
  ++run_;
  SignalWait(waitEvent_);
  Abort(false, true);
  if (downloading_) DeleteTempFiles();
  downloading_ = false;
  if (wizard_) wizard_->CloseQuietly();
}

void TauUpgrader::AbortUpgrade() {
  aborted_ = true;
  Stop();
  DeleteTempFiles();
  if (OnAborted) OnAborted(*this);
}

void TauUpgrader::DeleteTempFiles() {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(platform::GetAppPath(), ec))
    if (entry.path().filename().string().ends_with(UpgraderTempSuffix) && entry.is_regular_file(ec))
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
  StartUpdateCheck(false);
  byTimer_ = true;
}
