// The program's language and formats: Chinese (China), whatever the
// machine's locale, also in Qt's standard dialogs (the file dialog's
// dates, sizes and file kinds, the message boxes' buttons).
#pragma once

#include <QTranslator>

namespace platform {

// Makes Chinese (China) the locale Qt formats with: its default locale and
// the system locale, which Qt's standard dialogs use and which Qt reads from
// the environment once, at its first use. Call it before anything asks for
// a locale (before the application object). The environment, and with it
// the C library and programs the program starts, keep the user's locale.
void UseChineseLocale();

// Qt's own Chinese texts and the few its translation lacks (the file
// dialog's "Folder"), installed into the application while the object
// lives. Make it after the application object.
class ChineseTexts {
 public:
  ChineseTexts();
  ~ChineseTexts();
  ChineseTexts(const ChineseTexts&) = delete;
  ChineseTexts& operator=(const ChineseTexts&) = delete;

 private:
  class Missing final : public QTranslator {
   public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation, int n) const override;
    bool isEmpty() const override { return false; }
  };
  QTranslator qt_;
  Missing missing_;
  bool qtInstalled_ = false;
};

}  // namespace platform
