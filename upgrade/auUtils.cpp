#include "upgrade/auUtils.h"

#include "platform/AppPath.h"
#include "platform/DelphiRtl.h"
#include "platform/UserPrompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMainWindow>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

std::atomic<bool> g_terminating{false};

// Days from 1 January 1970 to the given civil date (Gregorian, year 0 on).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = y / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

const int64_t kDelphiEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[static_cast<size_t>(month - 1)];
}

std::string Upper(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// 1..12 for "JAN".."DEC" (the first three letters, any case), else 0.
int MonthOf(std::string_view token) {
  static constexpr std::array<const char*, 12> names = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (token.size() < 3) return 0;
  const std::string head = Upper(token.substr(0, 3));
  for (size_t i = 0; i < names.size(); ++i)
    if (head == names[i]) return static_cast<int>(i) + 1;
  return 0;
}

bool IsWeekday(std::string_view token) {
  static constexpr std::array<const char*, 7> names = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
  const std::string head = Upper(token.substr(0, 3));
  return std::any_of(names.begin(), names.end(), [&](const char* n) { return head == n; });
}

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

}  // namespace

// ------------------------------------------------------------ date and time

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, double second) {
  const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDelphiEpoch;
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

TDateTime UnixToDateTime(double unixSeconds) {
  const double whole = std::floor(unixSeconds);
  const time_t t = static_cast<time_t>(whole);
  struct tm local {};
  if (!::localtime_r(&t, &local)) return 0;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec + (unixSeconds - whole));
}

double DateTimeToUnix(TDateTime value) {
  const double dayPart = std::floor(value);
  const double seconds = std::round((value - dayPart) * 86400.0 * 1000.0) / 1000.0;
  const double whole = std::floor(seconds);
  // 30 December 1899 plus the days and seconds; mktime puts the date right.
  struct tm local {};
  local.tm_year = -1;
  local.tm_mon = 11;
  local.tm_mday = 30 + static_cast<int>(dayPart);
  local.tm_sec = static_cast<int>(whole);
  local.tm_isdst = -1;
  return static_cast<double>(::mktime(&local)) + (seconds - whole);
}

TDateTime ParseHTTPDate(std::string_view text) {
  std::string s = Trim(text);
  if (s.empty()) return 0;
  if (s.size() >= 3 && IsWeekday(s)) {
    const size_t blank = s.find(' ');
    if (blank == std::string::npos) return 0;
    s = Trim(std::string_view(s).substr(blank + 1));
  }
  // Day, month and year are parted by blanks or (RFC 850) dashes.
  size_t pos = 0;
  auto next = [&] {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '-')) ++pos;
    const size_t start = pos;
    while (pos < s.size() && s[pos] != ' ' && s[pos] != '-') ++pos;
    return s.substr(start, pos - start);
  };
  auto dayOf = [](const std::string& token) { return AllDigits(token) ? platform::StrToIntDef(token, 1) : 1; };

  int day = 0;
  const std::string first = next();
  int month = MonthOf(first);
  if (month) {
    day = dayOf(next());
  } else {
    day = dayOf(first);
    month = MonthOf(next());
    if (!month) return 0;
  }
  int year = 1900;
  const size_t beforeYear = pos;
  if (const std::string token = next(); AllDigits(token) && token.size() <= 4) {
    year = platform::StrToIntDef(token, 1900);
  } else {
    pos = beforeYear;  // asctime: the time comes first, the year last
  }

  // What follows: the time, maybe the year (asctime) and maybe a zone.
  std::vector<std::string> rest;
  for (std::string token = Trim(std::string_view(s).substr(pos)); !token.empty();) {
    const size_t blank = token.find(' ');
    rest.push_back(token.substr(0, blank));
    token = blank == std::string::npos ? std::string() : Trim(std::string_view(token).substr(blank));
  }
  int hms[3] = {0, 0, 0};
  for (auto it = rest.begin(); it != rest.end(); ++it) {
    if (it->find(':') == std::string::npos) continue;
    std::string clock = *it;
    for (int& part : hms) {
      std::string head;
      SplitAt(clock, ":", true, head);
      if (!head.empty() && !AllDigits(head)) return 0;
      part = platform::StrToIntDef(head, 0);
    }
    rest.erase(it);
    break;
  }
  if (year == 1900) {
    auto it = std::find_if(rest.begin(), rest.end(), [](const std::string& t) { return AllDigits(t) && t.size() <= 4; });
    if (it != rest.end()) year = platform::StrToIntDef(*it, 1900);
  }
  if (year < 80) year += 2000;
  else if (year < 100) year += 1900;
  if (day < 1 || day > DaysInMonth(year, month) || hms[0] > 23 || hms[1] > 59 || hms[2] > 60) return 0;

  int offsetMinutes = 0;
  if (!rest.empty() && rest.back().size() >= 5 && (rest.back()[0] == '+' || rest.back()[0] == '-')) {
    const std::string& zone = rest.back();
    if (!AllDigits(zone.substr(1, 4))) return 0;
    offsetMinutes = ((zone[1] - '0') * 10 + (zone[2] - '0')) * 60 + (zone[3] - '0') * 10 + (zone[4] - '0');
    if (zone[0] == '-') offsetMinutes = -offsetMinutes;
  }
  const double utc = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) * 86400.0 +
                     hms[0] * 3600.0 + hms[1] * 60.0 + std::min(hms[2], 59) - offsetMinutes * 60.0;
  return UnixToDateTime(utc);
}

// ------------------------------------------------------------ small routines

uint8_t Percent(int64_t part, int64_t whole) {
  if (whole <= 0) return 0;
  const int64_t value = platform::DelphiRound(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
  return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 100));
}

bool OpenURL(const std::string& url, [[maybe_unused]] bool newWindow) {
  std::string address = Trim(url);
  const size_t mark = address.find("://");
  if (mark == std::string::npos) address = "http://" + address;
  const std::string scheme = Upper(address.substr(0, address.find("://")));
  if (scheme != "HTTP" && scheme != "HTTPS") return false;
  return platform::Prompts().OpenUrl(QString::fromStdString(address));
}

std::string GetTempDir() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = env && *env ? env : "/tmp";
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return platform::GetAppPath();
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

void SplitAt(std::string& text, std::string_view sep, bool removeHead, std::string& head) {
  const size_t at = text.find(sep);
  if (at == std::string::npos) {
    head = text;
    if (removeHead) text.clear();
    return;
  }
  head = text.substr(0, at);
  if (removeHead) text.erase(0, at + sep.size());
}

int CompareVersions(const std::string& a, const std::string& b) {
  auto parts = [](std::string text) {
    std::array<int32_t, 4> numbers{};
    for (int32_t& n : numbers) {
      std::string head;
      if (text.empty()) {
        head = "0";
      } else {
        SplitAt(text, ".", true, head);
      }
      n = platform::StrToIntDef(head, -1);
    }
    return numbers;
  };
  const auto pa = parts(a), pb = parts(b);
  for (size_t i = 0; i < pa.size(); ++i) {
    if (pa[i] == -1 || pb[i] == -1) {
      const int c = a.compare(b);
      return (c > 0) - (c < 0);
    }
    if (pa[i] != pb[i]) return pb[i] > pa[i] ? -1 : 1;
  }
  return 0;
}

// ------------------------------------------------------------ files

bool SetFileTimes(const std::string& file, TDateTime /*creation*/, TDateTime lastAccess, TDateTime lastWrite) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return false;
  auto toTimespec = [](TDateTime value) {
    timespec ts{};
    if (value == -1) {
      ts.tv_nsec = UTIME_OMIT;
      return ts;
    }
    const double unix = DateTimeToUnix(value);
    ts.tv_sec = static_cast<time_t>(std::floor(unix));
    ts.tv_nsec = static_cast<long>(std::lround((unix - std::floor(unix)) * 1000.0)) * 1000000L;
    return ts;
  };
  const timespec times[2] = {toTimespec(lastAccess), toTimespec(lastWrite)};
  return ::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
}

int64_t GetFileSize64(const std::string& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

TauFileAttributes GetAttributes(const std::string& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return 0;
  TauFileAttributes result = 0;
  if (!(st.st_mode & S_IWUSR)) result |= atrReadOnly;
  if (std::filesystem::path(file).filename().string().starts_with('.')) result |= atrHidden;
  return result;
}

bool SetAttributes(const std::string& file, TauFileAttributes attributes) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = attributes & atrReadOnly ? mode & ~static_cast<mode_t>(0222) : mode | S_IWUSR;
  return ::chmod(file.c_str(), mode) == 0;
}

bool SaveResourceToStream(const QString& name, const QString& type, QIODevice* stream) {
  if (!stream) return false;
  QFile resource(QStringLiteral(":/%1/%2").arg(type, name));
  if (!resource.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = resource.readAll();
  return !bytes.isEmpty() && stream->write(bytes) == bytes.size();
}

// ------------------------------------------------------------ the machine

bool HasRealLocalAddress() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* a = list; a && !found; a = a->ifa_next) {
    if (!a->ifa_addr || !(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK)) continue;
    found = a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6;
  }
  ::freeifaddrs(list);
  return found;
}

bool IsOnline() { return HasRealLocalAddress(); }

void CloseApplication() {
  g_terminating = true;
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<QMainWindow*>(w) && w->isVisible()) {
        w->close();
        break;
      }
    }
  }
  if (QCoreApplication::instance()) QCoreApplication::quit();
}

bool ApplicationTerminating() { return g_terminating || QCoreApplication::closingDown(); }

// ------------------------------------------------------------ waits

bool WaitPumping(const std::function<bool()>& done, unsigned timeoutMs, bool stopOnAppTerminate,
                 platform::Dispatcher& dispatcher) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = timeoutMs ? Clock::now() + std::chrono::milliseconds(timeoutMs) : Clock::time_point::max();
  const QCoreApplication* app = QCoreApplication::instance();
  const bool withEvents = app && QThread::currentThread() == app->thread();
  for (;;) {
    dispatcher.Pump();
    if (done()) return true;
    if (stopOnAppTerminate && ApplicationTerminating()) return false;
    const auto now = Clock::now();
    if (now >= deadline) return false;
    // Sleep until something arrives, but look again now and then: the
    // condition may change without a call being posted.
    const auto slice = std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(50));
    if (withEvents) {
      QTimer wake;
      wake.setSingleShot(true);
      wake.start(std::chrono::ceil<std::chrono::milliseconds>(slice));
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    } else {
      dispatcher.PumpUntil(done, std::chrono::ceil<std::chrono::milliseconds>(slice));
    }
  }
}

bool TauWaitEvent::IsOpen() const { return state_ >= 0; }
bool TauWaitEvent::IsSignalled() const { return state_ == 1; }

bool WaitWithMessages(TauWaitEvent& event, unsigned timeoutMs, bool stopOnAppTerminate,
                      platform::Dispatcher& dispatcher) {
  event.dispatcher_ = &dispatcher;
  event.state_ = 0;
  const bool signalled = WaitPumping([&] { return event.state_ == 1; }, timeoutMs, stopOnAppTerminate, dispatcher);
  event.state_ = -1;
  return signalled;
}

void SignalWait(TauWaitEvent& event) {
  int open = 0;
  if (!event.state_.compare_exchange_strong(open, 1)) return;
  // Wake the waiting thread.
  if (platform::Dispatcher* d = event.dispatcher_) d->Post([] {});
}
