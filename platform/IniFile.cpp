#include "IniFile.h"

#include "DelphiRtl.h"
#include "Encoding.h"
#include "FileUtil.h"

#include <algorithm>

namespace platform {
namespace {

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

// If the line is a section header, its trimmed name.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(std::string_view(t).substr(1, close - 1));
  return true;
}

// If the line is a key line (not a comment), its trimmed key and value.
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(std::string_view(t).substr(0, eq));
  value = Trim(std::string_view(t).substr(eq + 1));
  return !key.empty();
}

// Index range [begin, end) of the lines belonging to the first section named
// `section` (begin is the header line); begin = npos when absent.
struct Range {
  size_t begin = std::string::npos, end = 0;
};

Range FindSection(const std::vector<std::string>& lines, const std::string& section) {
  Range r;
  std::string wanted = Trim(section), name;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!SectionName(lines[i], name)) continue;
    if (r.begin != std::string::npos) {
      r.end = i;
      return r;
    }
    if (SameText(name, wanted)) r.begin = i;
  }
  if (r.begin != std::string::npos) r.end = lines.size();
  return r;
}

// Index of the first line holding `key` within the section, or npos.
size_t FindKey(const std::vector<std::string>& lines, Range r, const std::string& key) {
  if (r.begin == std::string::npos) return std::string::npos;
  std::string wanted = Trim(key), k, v;
  for (size_t i = r.begin + 1; i < r.end; ++i)
    if (KeyValue(lines[i], k, v) && SameText(k, wanted)) return i;
  return std::string::npos;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::vector<std::string> IniFile::LoadLines() const {
  std::vector<std::string> lines;
  auto bytes = ReadFileBytes(path_);
  if (!bytes) return lines;
  std::string text = Cp936ToUtf8(*bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = nl + 1;
  }
  return lines;
}

bool IniFile::StoreLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) {
    text += l;
    text += "\r\n";
  }
  lastError_.clear();
  return WriteFileAtomic(path_, Utf8ToCp936(text), &lastError_);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  auto lines = LoadLines();
  size_t i = FindKey(lines, FindSection(lines, section), key);
  if (i == std::string::npos) return fallback;
  std::string k, v;
  KeyValue(lines[i], k, v);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const {
  return StrToIntDef(ReadString(section, key, std::string()), fallback);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  // A line break would split the line: the rest would become a line of its
  // own, a section header even.
  for (const std::string* part : {&section, &key, &value}) {
    if (part->find_first_of("\r\n") == std::string::npos) continue;
    lastError_ = "cannot write [" + section + "] " + key + " to " + path_ +
                 ": a settings line cannot hold a line break";
    return false;
  }
  auto lines = LoadLines();
  std::string sec = Trim(section), k = Trim(key);
  std::string line = k + "=" + value;
  Range r = FindSection(lines, sec);
  if (r.begin == std::string::npos) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + sec + "]");
    lines.push_back(line);
  } else if (size_t i = FindKey(lines, r, k); i != std::string::npos) {
    std::string oldKey, oldValue;
    KeyValue(lines[i], oldKey, oldValue);
    lines[i] = oldKey + "=" + value;  // the key keeps the spelling it has in the file
  } else {
    // After the section's last non-blank line, so blank separators stay put.
    size_t at = r.end;
    while (at > r.begin + 1 && Trim(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<ptrdiff_t>(at), line);
  }
  return StoreLines(lines);
}

bool IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string& section) const {
  auto lines = LoadLines();
  return FindSection(lines, section).begin != std::string::npos;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
  auto lines = LoadLines();
  Range r = FindSection(lines, section);
  std::vector<std::string> keys;
  if (r.begin == std::string::npos) return keys;
  std::string k, v;
  for (size_t i = r.begin + 1; i < r.end; ++i) {
    if (!KeyValue(lines[i], k, v)) continue;
    bool seen = std::any_of(keys.begin(), keys.end(), [&](const std::string& x) { return SameText(x, k); });
    if (!seen) keys.push_back(k);
  }
  return keys;
}

bool IniFile::EraseSection(const std::string& section) {
  auto lines = LoadLines();
  Range r = FindSection(lines, section);
  if (r.begin == std::string::npos) return true;
  lines.erase(lines.begin() + static_cast<ptrdiff_t>(r.begin), lines.begin() + static_cast<ptrdiff_t>(r.end));
  return StoreLines(lines);
}

bool IniFile::DeleteKey(const std::string& section, const std::string& key) {
  auto lines = LoadLines();
  size_t i = FindKey(lines, FindSection(lines, section), key);
  if (i == std::string::npos) return true;
  lines.erase(lines.begin() + static_cast<ptrdiff_t>(i));
  return StoreLines(lines);
}

}  // namespace platform
