// The program's settings file, "mySystem.ini" beside the executable.
//
// Sections and keys in use:
//   "Login"                 "UserName", "ChkUser"
//   condition panel form    "YLFrom", "YLTo", "Random", "Repeat"
//   trend window form       "KCount", "YLCount", "DrawLineColor"
//   "YLChart"               "YLBackColor", "YLGridColor"
//   "MA_YL"                 "DayCount"<i>, "Color"<i>
//   "Windows"               "WindowCount", "WindowHeight"<i>, "WindowZbType"<i>
//   "MainZB"                "ZB"
//   "MACD"                  "Quick", "Slow", "Dean"
//   "KDJ"                   "N", "M1", "M2"
//   "Boll"                  "N"
//   "ADX"                   "N"
//   "MA"                    "DayCount"<i>, "Color"<i>
#pragma once

#include "platform/IniFile.h"

#include <functional>
#include <memory>
#include <string>

class TIniFileMgr {
 public:
  // An empty name means "mySystem.ini". The file lies in the executable's
  // folder; when that folder cannot be written (an installed program), in
  // the user's configuration folder instead, where a copy of the settings
  // found beside the executable is read until the first write.
  explicit TIniFileMgr(const std::string& fileName = std::string());

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& fallback) const;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t fallback) const;
  void WriteInteger(const std::string& section, const std::string& ident, int32_t value);
  bool ReadBool(const std::string& section, const std::string& ident, bool fallback) const;
  void WriteBool(const std::string& section, const std::string& ident, bool value);

  // The file that writes go to.
  const std::string& FileName() const { return writeFile_.FileName(); }
  // Why the last write failed; empty after a good one. A failed write never
  // throws: settings are not worth a crash.
  const std::string& LastError() const { return lastError_; }
  // Who tells the user of a failed write (the file and the reason): called
  // for the first failure after it is set, once, so that a settings file
  // that cannot be written is named once and not at every write. A
  // settings file that is there but cannot be read is never written (it
  // reads as empty): that is a failed write too.
  using TWriteFailed = std::function<void(const std::string& file, const std::string& reason)>;
  void SetOnWriteFailed(TWriteFailed report);

 private:
  const platform::IniFile& ReadFile() const;
  void AfterWrite(bool ok);
  void WriteFailed(const std::string& file, const std::string& reason);

  platform::IniFile writeFile_;
  std::unique_ptr<platform::IniFile> fallbackRead_;  // the file beside the executable, read-only
  std::string lastError_;
  TWriteFailed onWriteFailed_;
  bool failureReported_ = false;
};

// The program's one settings object, created on first use.
TIniFileMgr& IniFileMgr();
