#include "platform/ProgramLocale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace platform {

namespace {

const QLocale& Chinese() {
  static const QLocale locale(QLocale::Chinese, QLocale::China);
  return locale;
}

}  // namespace

void UseChineseLocale() {
  // Qt takes the system locale from LC_ALL (before LC_TIME, LC_NUMERIC and
  // LANG) when it first needs it, and keeps it.
  const char* name = "LC_ALL";
  const char* own = std::getenv(name);
  const std::optional<std::string> saved = own ? std::optional<std::string>(own) : std::nullopt;
  ::setenv(name, "zh_CN.UTF-8", 1);
  (void)QLocale::system();
  if (saved)
    ::setenv(name, saved->c_str(), 1);
  else
    ::unsetenv(name);
  QLocale::setDefault(Chinese());
}

// The texts of Qt's that its Chinese translation does not hold.
QString ChineseTexts::Missing::translate(const char* context, const char* sourceText, const char*, int) const {
  static constexpr struct {
    const char* context;
    const char* source;
    const char* text;
  } kTexts[] = {
      {"QAbstractFileIconProvider", "Folder", "文件夹"},
      {"QAbstractFileIconProvider", "Drive", "驱动器"},
      {"QAbstractFileIconProvider", "Shortcut", "快捷方式"},
      {"QAbstractFileIconProvider", "Unknown", "未知"},
  };
  if (!context || !sourceText) return {};
  for (const auto& t : kTexts)
    if (std::strcmp(context, t.context) == 0 && std::strcmp(sourceText, t.source) == 0)
      return QString::fromUtf8(t.text);
  return {};
}

ChineseTexts::ChineseTexts() {
  // Without Qt's Chinese texts installed, Qt's own stay English.
  qtInstalled_ = qt_.load(Chinese(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
                 QCoreApplication::installTranslator(&qt_);
  QCoreApplication::installTranslator(&missing_);
}

ChineseTexts::~ChineseTexts() {
  QCoreApplication::removeTranslator(&missing_);
  if (qtInstalled_) QCoreApplication::removeTranslator(&qt_);
}

}  // namespace platform
