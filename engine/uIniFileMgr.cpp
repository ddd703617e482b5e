#include "engine/uIniFileMgr.h"

#include "platform/AppPath.h"
#include "platform/FileUtil.h"

#include <filesystem>
#include <optional>

namespace {

std::string SettingsPath(const std::string& name) {
  std::string folder = platform::GetAppPath();
  if (platform::IsFolderWritable(folder)) return folder + name;
  std::string user = platform::GetUserConfigPath();
  std::error_code ec;
  std::filesystem::create_directories(user, ec);
  return user + name;
}

}  // namespace

TIniFileMgr::TIniFileMgr(const std::string& fileName)
    : writeFile_(SettingsPath(fileName.empty() ? "mySystem.ini" : fileName)) {
  std::string beside = platform::GetAppPath() + (fileName.empty() ? "mySystem.ini" : fileName);
  if (beside != writeFile_.FileName()) fallbackRead_ = std::make_unique<platform::IniFile>(beside);
}

const platform::IniFile& TIniFileMgr::ReadFile() const {
  if (fallbackRead_ && !std::filesystem::exists(writeFile_.FileName())) return *fallbackRead_;
  return writeFile_;
}

void TIniFileMgr::AfterWrite(bool ok) {
  if (ok)
    lastError_.clear();
  else
    WriteFailed(FileName(), writeFile_.LastError());
}

void TIniFileMgr::WriteFailed(const std::string& file, const std::string& reason) {
  lastError_ = reason;
  if (failureReported_ || !onWriteFailed_) return;
  failureReported_ = true;
  onWriteFailed_(file, lastError_);
}

void TIniFileMgr::SetOnWriteFailed(TWriteFailed report) {
  onWriteFailed_ = std::move(report);
  failureReported_ = false;
}

std::string TIniFileMgr::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& fallback) const {
  return ReadFile().ReadString(section, ident, fallback);
}

int32_t TIniFileMgr::ReadInteger(const std::string& section, const std::string& ident, int32_t fallback) const {
  return ReadFile().ReadInteger(section, ident, fallback);
}

bool TIniFileMgr::ReadBool(const std::string& section, const std::string& ident, bool fallback) const {
  return ReadFile().ReadBool(section, ident, fallback);
}

void TIniFileMgr::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  // The first write in the user's folder starts from the settings found
  // beside the executable, so that nothing already set there is lost: when
  // they are there but cannot be read, or cannot be copied, nothing is
  // written (the user's file would hide them).
  if (fallbackRead_ && !std::filesystem::exists(writeFile_.FileName())) {
    std::string error;
    const std::optional<std::string> bytes = platform::ReadFileIfThere(fallbackRead_->FileName(), &error);
    if (!bytes) return WriteFailed(fallbackRead_->FileName(), platform::UnreadFileKeptText(error));
    if (!bytes->empty() && !platform::WriteFileAtomic(writeFile_.FileName(), *bytes, &error))
      return WriteFailed(FileName(), error);
  }
  AfterWrite(writeFile_.WriteString(section, ident, value));
}

void TIniFileMgr::WriteInteger(const std::string& section, const std::string& ident, int32_t value) {
  WriteString(section, ident, std::to_string(value));
}

void TIniFileMgr::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

TIniFileMgr& IniFileMgr() {
  static TIniFileMgr mgr;
  return mgr;
}
