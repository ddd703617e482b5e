// The texts the upgrade shows, by language. English is whole, Simplified
// Chinese is ours; every other language reads English.
#pragma once

#include "platform/FileUtil.h"
#include "upgrade/auHTTP.h"

#include <QString>

#include <cstdint>
#include <string>

class QLocale;

enum TauUpgraderLanguage : uint8_t {
  wlAuto, wlEnglish, wlRussian, wlGerman, wlFrench, wlSpanish, wlPortuguese, wlPortugueseBrazilian, wlItalian,
  wlDutch, wlDanish, wlSwedish, wlFinnish, wlEstonian, wlUkrainian, wlPolish, wlCzech, wlHungarian, wlRomanian,
  wlCatalan, wlBasque, wlAfrikaans, wlChineseTraditional, wlChineseSimplified, wlIndonesian, wlMalay,
  wlIcelandic, wlTurkish, wlNorwegian, wlSlovak
};

// The texts by number: 0 to 30 are the component's table, the others our
// own reports.
enum TauUpgraderText : int {
  utCaption = 0, utDownloadingTitle = 1, utCompletedTitle = 2, utCurrentFile = 3, utAllFiles = 4,
  utDownloadingFrom = 5, utFileSize = 6, utTransferRate = 7, utTimeLeft = 8, utDownloadingOf = 9,
  utCompletedNote = 10, utEnterPassword = 11, utUserName = 12, utPassword = 13, utYes = 14, utNo = 15,
  utOK = 16, utCancel = 17, utNext = 18, utLater = 19, utWarning = 20, utError = 21, utPreparing = 22,
  utNewerVersion = 23, utNoNewerVersion = 24, utNoInfoFile = 25, utHostUnreachable = 26,
  utAbortQuestion = 27, utFileNotFound = 28, utPasswordProtected = 29, utConnectionLost = 30,
  utRefusedFile = 31, utHelperFailed = 32, utPlacementFailed = 33, utDiskWriteFailed = 34, utUpgradeRunning = 35,
  utSecureConnectionFailed = 36, utTooManyRedirects = 37, utRedirectRefused = 38, utTimedOut = 39,
  utInfoTooLarge = 40, utCheckingTitle = 41, utChecking = 42, utServerUnreachable = 43, utFileAndReason = 44,
  utHelperMissing = 45,
  utTextCount
};

// The language of a locale by the component's rules (Chinese in simplified
// script reads wlChineseSimplified, other Chinese wlChineseTraditional,
// Brazilian Portuguese wlPortugueseBrazilian); English when none fits.
TauUpgraderLanguage UpgraderLanguageOf(const QLocale& locale);
// wlAuto as the system's language, anything else as it is.
TauUpgraderLanguage ResolveUpgraderLanguage(TauUpgraderLanguage language);

// The language of the texts shown (wlAuto resolved): Chinese for
// wlChineseSimplified, English for every other.
platform::TextLanguage UpgraderTextLanguage(TauUpgraderLanguage language);

// A text (printf placeholders untouched); an index outside the table gives "".
QString UpgraderText(TauUpgraderLanguage language, int index);

// A text with its placeholders filled in ("%s" takes UTF-8 text).
template <typename... Args>
QString UpgraderFormat(TauUpgraderLanguage language, int index, Args... args) {
  return QString::asprintf(UpgraderText(language, index).toUtf8().constData(), args...);
}

// A file that could not be created or written, for a message: its path and
// why, from the system's error number, in the language's words
// ("/opt/ssq/a.uTMP：磁盘已满"); the system's own words go to the log.
QString UpgraderFileFailure(TauUpgraderLanguage language, const std::string& path, int error);

// Why the update server could not be reached, or not securely, in the
// language's words ("服务器拒绝了连接", "服务器的证书无法验证" ...), from the
// transfer's error, libcurl's result code and the system's error number
// of a failed connect (TauCustomHTTP::LastErrorCode, LastErrorNumber).
QString UpgraderNetworkReason(TauUpgraderLanguage language, TauTransferError error, int code, int number);

// The component's fixed strings: the stand-in for a program without a
// title, and the name shown on the wizard.
inline constexpr const char* UpgraderAppTitleText = "<AppTitle>";
inline constexpr const char* UpgraderNameText = "Upgrader";
