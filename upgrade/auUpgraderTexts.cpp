#include "upgrade/auUpgraderTexts.h"

#include <QLocale>

#include <curl/curl.h>

#include <array>
#include <cerrno>
#include <utility>

namespace {

using TextTable = std::array<const char*, utTextCount>;

const TextTable kEnglish = {
    "Application update wizard",
    "Downloading files...",
    "Upgrade completed!",
    "Current file",
    "All files",
    "Downloading file from",
    "File size: %.1f Kb",
    "Transfer rate: %.1f Kb/s",
    "Estimated time left: %d:%.2d:%.2d",
    "Downloading %d of %d",
    "The update of %s has been successfully completed.\n\nPress the OK button to restart program.",
    "Enter password",
    "User Name",
    "Password",
    "&Yes",
    "&No",
    "&OK",
    "&Cancel",
    "&Next >",
    "&Later",
    "Warning",
    "Error",
    "Preparing. . .",
    "A newer version of %s was released.\n%s\nDo you want to update your version with the latest one?",
    "Newer version not found. You actually are\nusing most recent version of this program.",
    "File which contains upgrade information was not found on developer's site.",
    "Host %s unreachable.\n\nPlease check your Internet connection and\ntry to upgrade this software again later.",
    "The update is not completed.\nWould you like to abort upgrading?",
    "File %s not found or inaccessible.\n\nTry to skip this file and continue upgrade?",
    "Access to remote file \"%s\" is password protected.\n\nPlease enter your username and password (received "
    "after registration) to continue software upgrade.",
    "Connection with remote server lost.\n\nPlease restore connection and try to\nupgrade this software again later.",
    "The upgrade information names a file that cannot be accepted:\n%s\n\nNothing was downloaded.",
    "The upgrade helper could not be started:\n%s\n\nThe upgrade was not completed; the program stays open.",
    "A downloaded file could not be put in place:\n%s\n\nThe upgrade was not completed.",
    "The disk could not be written:\n%s\n\nThe upgrade was not completed.",
    "Another upgrade of the program in this folder is running:\n%s\n\nNothing was downloaded; try again when "
    "it has finished.",
    "The secure connection to the update server failed: %s",
    "The update server redirected the request too many times.",
    "The update server redirected the request to an address that is not allowed: %s",
    "The update server did not answer in time.",
    "The upgrade information is larger than 1 MiB and was not read.",
    "Checking for updates",
    "Asking %s for a newer version...",
    "The update server %s cannot be reached: %s",
    "%s: %s",
    "the program carries no helper",
};

const TextTable kChineseSimplified = {
    "应用程序更新向导",
    "正在下载文件...",
    "升级完成！",
    "当前文件",
    "全部文件",
    "文件下载地址",
    "文件大小: %.1f Kb",
    "传输速率: %.1f Kb/s",
    "预计剩余时间: %d:%.2d:%.2d",
    "正在下载第 %d 个文件，共 %d 个",
    "%s 的更新已成功完成。\n\n请按“确定”按钮重新启动程序。",
    "输入密码",
    "用户名",
    "密码",
    "是(&Y)",
    "否(&N)",
    "确定(&O)",
    "取消(&C)",
    "下一步(&N) >",
    "以后再说(&L)",
    "警告",
    "错误",
    "正在准备. . .",
    "%s 已发布新版本。\n%s\n是否要把您的版本更新为最新版本？",
    "没有找到更新的版本。您正在使用的\n已经是本程序的最新版本。",
    "在开发者网站上没有找到升级信息文件。",
    "无法连接主机 %s。\n\n请检查您的网络连接，\n稍后再升级本软件。",
    "更新尚未完成。\n是否要中止升级？",
    "文件 %s 不存在或无法访问。\n\n是否跳过此文件继续升级？",
    "访问远程文件“%s”需要密码。\n\n请输入您的用户名和密码（注册后获得）以继续升级软件。",
    "与远程服务器的连接已断开。\n\n请恢复连接后\n稍后再升级本软件。",
    "升级信息中列出的文件不能接受:\n%s\n\n没有下载任何文件。",
    "无法启动升级助手程序:\n%s\n\n升级没有完成，程序继续运行。",
    "下载的文件无法放到位:\n%s\n\n升级没有完成。",
    "无法写入磁盘:\n%s\n\n升级没有完成。",
    "此文件夹中的程序正在进行另一次升级:\n%s\n\n没有下载任何文件，请在那次升级结束后再试。",
    "与更新服务器的安全连接失败: %s",
    "更新服务器重定向的次数过多。",
    "更新服务器把请求重定向到不允许的地址: %s",
    "更新服务器没有及时响应。",
    "升级信息超过 1 MiB，没有读取。",
    "检查更新",
    "正在向 %s 查询新版本……",
    "无法连接更新服务器 %s：%s",
    "%s：%s",
    "程序中没有附带升级助手",
};

// The words for one reason the update server could not be reached.
struct TReasonWords {
  const char* Chinese;
  const char* English;
};

// The one table of reasons, from what failed, libcurl's result code and the
// system's error number of a failed connect.
TReasonWords NetworkReasonWords(TauTransferError error, int code, int number) {
  switch (error) {
    case teHostNotFound: return {"主机名无法解析", "its name cannot be resolved"};
    case teTimedOut: return {"没有及时应答", "no answer in time"};
    case teSecureConnection:
      switch (code) {
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
          return {"服务器的证书无法验证", "the server's certificate cannot be verified"};
        default: return {"无法建立安全连接", "no secure connection could be made"};
      }
    default:
      switch (number) {
        case ECONNREFUSED: return {"服务器拒绝了连接", "the server refused the connection"};
        case ENETUNREACH:
        case EHOSTUNREACH: return {"网络不通，到不了服务器", "the network does not reach the server"};
        default: return {"无法建立连接", "no connection could be made"};
      }
  }
}

}  // namespace

TauUpgraderLanguage UpgraderLanguageOf(const QLocale& locale) {
  static constexpr std::pair<QLocale::Language, TauUpgraderLanguage> table[] = {
      {QLocale::English, wlEnglish},     {QLocale::Russian, wlRussian},       {QLocale::German, wlGerman},
      {QLocale::French, wlFrench},       {QLocale::Spanish, wlSpanish},       {QLocale::Italian, wlItalian},
      {QLocale::Dutch, wlDutch},         {QLocale::Danish, wlDanish},         {QLocale::Swedish, wlSwedish},
      {QLocale::Finnish, wlFinnish},     {QLocale::Estonian, wlEstonian},     {QLocale::Ukrainian, wlUkrainian},
      {QLocale::Polish, wlPolish},       {QLocale::Czech, wlCzech},           {QLocale::Hungarian, wlHungarian},
      {QLocale::Romanian, wlRomanian},   {QLocale::Catalan, wlCatalan},       {QLocale::Basque, wlBasque},
      {QLocale::Afrikaans, wlAfrikaans}, {QLocale::Indonesian, wlIndonesian}, {QLocale::Malay, wlMalay},
      {QLocale::Icelandic, wlIcelandic}, {QLocale::Turkish, wlTurkish},       {QLocale::NorwegianBokmal, wlNorwegian},
      {QLocale::NorwegianNynorsk, wlNorwegian}, {QLocale::Slovak, wlSlovak}};
  switch (locale.language()) {
    case QLocale::Portuguese:
      return locale.territory() == QLocale::Brazil ? wlPortugueseBrazilian : wlPortuguese;
    case QLocale::Chinese:
      return locale.script() == QLocale::SimplifiedHanScript ? wlChineseSimplified : wlChineseTraditional;
    default:
      for (const auto& [language, ours] : table)
        if (language == locale.language()) return ours;
      return wlEnglish;
  }
}

TauUpgraderLanguage ResolveUpgraderLanguage(TauUpgraderLanguage language) {
  static const TauUpgraderLanguage system = UpgraderLanguageOf(QLocale::system());
  return language == wlAuto ? system : language;
}

platform::TextLanguage UpgraderTextLanguage(TauUpgraderLanguage language) {
  return ResolveUpgraderLanguage(language) == wlChineseSimplified ? platform::TextLanguage::Chinese
                                                                  : platform::TextLanguage::English;
}

QString UpgraderText(TauUpgraderLanguage language, int index) {
  if (index < 0 || index >= utTextCount) return {};
  const TextTable& table = UpgraderTextLanguage(language) == platform::TextLanguage::Chinese ? kChineseSimplified : kEnglish;
  return QString::fromUtf8(table[static_cast<size_t>(index)]);
}

QString UpgraderFileFailure(TauUpgraderLanguage language, const std::string& path, int error) {
  const std::string reason =
      platform::FileFailure("upgrade: " + path, error, platform::FileAccess::Write, UpgraderTextLanguage(language));
  return UpgraderFormat(language, utFileAndReason, path.c_str(), reason.c_str());
}

QString UpgraderNetworkReason(TauUpgraderLanguage language, TauTransferError error, int code, int number) {
  const TReasonWords words = NetworkReasonWords(error, code, number);
  return QString::fromUtf8(UpgraderTextLanguage(language) == platform::TextLanguage::Chinese ? words.Chinese
                                                                                           : words.English);
}
