// Update information as any server, or anyone between it and the program,
// may send it: any bytes through the reader of the information, the plan of
// where its files go and the version rule. The reader finds every entry in
// one pass; here it must agree with the plain way (the whole text
// lower-cased for each key looked up).
#include "FuzzSupport.h"

#include "platform/Encoding.h"
#include "upgrade/auUpgrader.h"

#include <set>
#include <string>
#include <vector>

namespace {

// The value of "#key=" or "#key={", the first one in the text.
std::string PlainValue(const std::string& text, const std::string& key, bool multiLine) {
  auto lower = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  std::string pattern(1, '#');
  pattern.append(lower(key)).append(multiLine ? "={" : "=");
  const size_t at = lower(text).find(pattern);
  if (at == std::string::npos) return {};
  const size_t start = at + pattern.size();
  size_t end = start;
  if (multiLine) {
    end = std::min(text.find('}', start), text.size());
  } else {
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 32) ++end;
  }
  return text.substr(start, end - start);
}

TauUpdateInfo PlainParse(std::string_view bytes) {
  const std::string text = platform::Cp936ToUtf8(bytes);
  TauUpdateInfo info;
  info.Version = PlainValue(text, "version", false);
  info.Date = PlainValue(text, "date", false);
  for (const char* first : {"url", "url0"})
    if (std::string url = PlainValue(text, first, false); !url.empty()) info.Files.push_back(url);
  for (size_t n = info.Files.size() + 1;; ++n) {
    std::string url = PlainValue(text, "url" + std::to_string(n), false);
    if (url.empty()) break;
    info.Files.push_back(url);
  }
  info.Message = PlainValue(text, "message", true);
  const std::string method = PlainValue(text, "method", false);
  info.Method = method.starts_with('1') ? umUseExternalSetup : method.starts_with('2') ? umRedirectToURL : umSelfUpgrade;
  return info;
}

bool SafePart(const std::string& part) { return !part.empty() && part != "." && part != ".."; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TauUpdateInfo info = ParseUpdateInfo(bytes);
  const TauUpdateInfo plain = PlainParse(bytes);
  FUZZ_CHECK(info.Version == plain.Version && info.Date == plain.Date && info.Message == plain.Message);
  FUZZ_CHECK(info.Files == plain.Files && info.Method == plain.Method);

  // Where the files would go: never outside the program's folder.
  for (bool secureOnly : {false, true}) {
    std::vector<TauUpgradeFile> plan;
    std::string refused;
    if (!PlanUpgradeFiles(info.Files, "/nonexistent/ssq-fuzz/app/", secureOnly, plan, refused)) {
      FUZZ_CHECK(std::find(info.Files.begin(), info.Files.end(), refused) != info.Files.end());
      continue;
    }
    FUZZ_CHECK(plan.size() == info.Files.size() && refused.empty());
    std::set<std::string> names;
    for (const TauUpgradeFile& file : plan) {
      FUZZ_CHECK(SafePart(file.Name) && file.Name.find_first_of(std::string("/\\\0", 3)) == std::string::npos);
      FUZZ_CHECK(names.insert(file.Name).second);
      FUZZ_CHECK(file.SubFolder.empty() || file.SubFolder.back() == '/');
      for (size_t at = 0; at < file.SubFolder.size();) {
        const size_t end = file.SubFolder.find('/', at);
        FUZZ_CHECK(SafePart(file.SubFolder.substr(at, end - at)));
        at = end + 1;
      }
    }
  }

  // The version rule: never newer both ways nor than itself, and blanks
  // around a version do not count.
  const std::string& a = info.Version;
  const std::string& b = info.Date;
  FUZZ_CHECK(!(IsNewerVersion(a, b) && IsNewerVersion(b, a)));
  FUZZ_CHECK(!IsNewerVersion(a, a));
  std::string padded(1, ' ');
  padded.append(a).push_back(' ');
  FUZZ_CHECK(IsNewerVersion(padded, b) == IsNewerVersion(a, b));
  (void)ParseUpgradeDate(info.Date);
  return 0;
}
