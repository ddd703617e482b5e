// Settings files as anyone may have left them: any bytes as the file, read
// and then written through the INI rules.
#include "FuzzSupport.h"

#include "platform/FileUtil.h"
#include "platform/IniFile.h"

#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

// A file of this process's own, in memory where the system has a folder
// for that (a write syncs the file), removed at exit.
struct TempFile {
  std::string path = [] {
    const std::filesystem::path shm = "/dev/shm";
    const std::filesystem::path dir = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
    return (dir / ("ssq-ini-fuzz-" + std::to_string(::getpid()) + ".ini")).string();
  }();
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

const std::string& FilePath() {
  static const TempFile file;
  return file.path;
}

// A name of printable ASCII without blanks at either end.
bool Printable(const std::string& s) {
  if (s.empty() || s.front() == ' ' || s.back() == ' ') return false;
  for (char c : s)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  // A section and key name from the input, then the file's bytes.
  const std::string section(in.Until('\n').substr(0, 32));
  const std::string key(in.Until('\n').substr(0, 32));
  FUZZ_CHECK(platform::WriteFileAtomic(FilePath(), in.Rest()));
  platform::IniFile ini(FilePath());

  static_cast<void>(ini.ReadString(section, key, "fallback"));
  static_cast<void>(ini.ReadInteger(section, key, 0));
  const bool had = ini.SectionExists(section);
  for (const std::string& k : ini.ReadSection(section)) static_cast<void>(ini.ReadString(section, k, ""));

  // A plain value written under the names reads back as written, and a
  // second section is left alone.
  const bool breaks = (section + key).find_first_of("\r\n") != std::string::npos;
  const std::string before = ini.ReadString("Fuzz-Other", "Kept", "none");
  const bool wrote = ini.WriteString(section, key, "value 1");
  FUZZ_CHECK(wrote != breaks);
  if (!wrote) return 0;
  const bool plain = Printable(section) && Printable(key) && section.find(']') == std::string::npos &&
                     key.find('=') == std::string::npos && key.front() != ';' && key.front() != '[';
  if (plain) FUZZ_CHECK(ini.ReadString(section, key, "") == "value 1");
  // Text that was not CP936 in the file comes back as '?'.
  if (plain && Lower(section) != "fuzz-other" && before.find("\xEF\xBF\xBD") == std::string::npos)
    FUZZ_CHECK(ini.ReadString("Fuzz-Other", "Kept", "none") == before);
  FUZZ_CHECK(ini.SectionExists(section) || !had || !plain);
  FUZZ_CHECK(ini.DeleteKey(section, key));
  FUZZ_CHECK(ini.EraseSection(section));
  return 0;
}
