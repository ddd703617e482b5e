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

std::string UpperAscii(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return u;
}

// One pair of matching quotes around a value goes.
std::string Unquoted(std::string v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

std::string_view LineEnd(std::string_view line) {
  if (line.ends_with("\r\n")) return "\r\n";
  return line.ends_with('\n') ? "\n" : "";
}

}  // namespace

// The file's lines, each as the program reads it (UTF-8, without its end)
// and as it lies on disk (its bytes with its end). A write re-encodes only
// the lines it makes or changes; every other line goes back byte for byte,
// bytes that are no CP936 and its own line end included.
struct IniFile::Lines {
  std::vector<std::string> text;
  std::vector<std::string> bytes;
  std::string eol = "\r\n";  // the end of new lines: the file's first, CR LF in a new file
  // The file is there but could not be read: a write made from these lines
  // would lose what it holds. With `forWrite` the failure is logged and
  // `unread` says why.
  bool unreadable = false;
  std::string unread;

  Lines(const std::string& path, bool forWrite) {
    const std::optional<std::string> file = ReadFileIfThere(path, forWrite ? &unread : nullptr);
    unreadable = !file;
    if (!file) return;
    const std::string_view all = *file;
    for (size_t start = 0; start < all.size();) {
      const size_t nl = all.find('\n', start);
      const size_t next = nl == std::string_view::npos ? all.size() : nl + 1;
      const std::string_view line = all.substr(start, next - start);
      const std::string_view end = LineEnd(line);
      if (text.empty() && !end.empty()) eol = end;
      text.push_back(Cp936ToUtf8(line.substr(0, line.size() - end.size())));
      bytes.emplace_back(line);
      start = next;
    }
  }
  // Line i's key keeps its bytes; the value is the new one.
  void SetValue(size_t i, const std::string& value) {
    const std::string& old = bytes[i];
    const std::string key = Trim(std::string_view(old).substr(0, old.find('=')));
    const std::string body = key + "=" + Utf8ToCp936(value);
    bytes[i] = body + std::string(LineEnd(old));
    text[i] = Cp936ToUtf8(body);
  }
  void Insert(size_t i, const std::string& line) {
    if (i == bytes.size() && !bytes.empty() && LineEnd(bytes.back()).empty()) bytes.back() += eol;
    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(i), Utf8ToCp936(line) + eol);
    text.insert(text.begin() + static_cast<ptrdiff_t>(i), line);
  }
  void Append(const std::string& line) { Insert(text.size(), line); }
  void Erase(size_t begin, size_t end) {
    bytes.erase(bytes.begin() + static_cast<ptrdiff_t>(begin), bytes.begin() + static_cast<ptrdiff_t>(end));
    text.erase(text.begin() + static_cast<ptrdiff_t>(begin), text.begin() + static_cast<ptrdiff_t>(end));
  }
};

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniFile::Lines IniFile::LoadLines(bool forWrite) const { return Lines(path_, forWrite); }

bool IniFile::StoreLines(const Lines& lines) {
  if (lines.unreadable) {
    lastError_ = UnreadFileKeptText(lines.unread);
    return false;
  }
  std::string bytes;
  for (const std::string& line : lines.bytes) bytes += line;
  lastError_.clear();
  // A settings file that is a link stays one: its target is replaced.
  return WriteFileThroughLink(path_, bytes, &lastError_);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  const Lines lines = LoadLines();
  size_t i = FindKey(lines.text, FindSection(lines.text, section), key);
  if (i == std::string::npos) return fallback;
  std::string k, v;
  KeyValue(lines.text[i], k, v);
  return Unquoted(v);
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
    lastError_ = "设置的名称或值含有换行，无法写入";
    return false;
  }
  Lines lines = LoadLines(true);
  std::string sec = Trim(section), k = Trim(key);
  Range r = FindSection(lines.text, sec);
  if (r.begin == std::string::npos) {
    if (!lines.text.empty() && !Trim(lines.text.back()).empty()) lines.Append("");
    lines.Append("[" + sec + "]");
    lines.Append(k + "=" + value);
  } else if (size_t i = FindKey(lines.text, r, k); i != std::string::npos) {
    lines.SetValue(i, value);  // the key keeps the spelling it has in the file
  } else {
    // After the section's last non-blank line, so blank separators stay put.
    size_t at = r.end;
    while (at > r.begin + 1 && Trim(lines.text[at - 1]).empty()) --at;
    lines.Insert(at, k + "=" + value);
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
  return FindSection(LoadLines().text, section).begin != std::string::npos;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
  const std::vector<std::string> lines = LoadLines().text;
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
  Lines lines = LoadLines(true);
  Range r = FindSection(lines.text, section);
  // Nothing to erase, unless the file could not be read (StoreLines refuses).
  if (r.begin == std::string::npos) return !lines.unreadable || StoreLines(lines);
  lines.Erase(r.begin, r.end);
  return StoreLines(lines);
}

bool IniFile::DeleteKey(const std::string& section, const std::string& key) {
  Lines lines = LoadLines(true);
  size_t i = FindKey(lines.text, FindSection(lines.text, section), key);
  // Nothing to delete, unless the file could not be read (StoreLines refuses).
  if (i == std::string::npos) return !lines.unreadable || StoreLines(lines);
  lines.Erase(i, i + 1);
  return StoreLines(lines);
}

// ------------------------------------------------------------- MemIniFile

MemIniFile::MemIniFile(std::string path) : path_(std::move(path)) {
  if (const std::optional<std::string> bytes = ReadFileBytes(path_)) SetBytes(*bytes);
}

MemIniFile MemIniFile::FromBytes(std::string_view cp936) {
  MemIniFile ini;
  ini.SetBytes(cp936);
  return ini;
}

void MemIniFile::SetBytes(std::string_view cp936) {
  // A CP936 trail byte is never CR or LF: the whole text converts at once.
  Parse(Cp936ToUtf8(cp936));
}

void MemIniFile::SetStrings(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\n';
  }
  Parse(text);
}

void MemIniFile::Parse(std::string_view text) {
  sections_.clear();
  index_.clear();
  Section* current = nullptr;
  std::string line, name, key, value;
  for (size_t start = 0; start < text.size();) {
    size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) nl = text.size();
    line.assign(text.substr(start, nl - start));
    start = nl + 1;
    if (SectionName(line, name)) {
      const auto [at, added] = index_.emplace(UpperAscii(name), sections_.size());
      // A later section of the same name adds nothing: the first wins.
      current = added ? &sections_.emplace_back(Section{name, {}, {}}) : nullptr;
    } else if (current && KeyValue(line, key, value)) {
      if (current->Index.emplace(UpperAscii(key), current->Keys.size()).second)
        current->Keys.emplace_back(key, Unquoted(value));
    }
  }
}

const MemIniFile::Section* MemIniFile::Find(std::string_view section) const {
  const auto it = index_.find(UpperAscii(Trim(section)));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

std::string MemIniFile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& fallback) const {
  const Section* s = Find(section);
  if (!s) return fallback;
  const auto it = s->Index.find(UpperAscii(Trim(key)));
  return it == s->Index.end() ? fallback : s->Keys[it->second].second;
}

int32_t MemIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const {
  return StrToIntDef(ReadString(section, key, std::string()), fallback);
}

bool MemIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool MemIniFile::SectionExists(const std::string& section) const { return Find(section) != nullptr; }

bool MemIniFile::ValueExists(const std::string& section, const std::string& key) const {
  const Section* s = Find(section);
  return s && s->Index.count(UpperAscii(Trim(key))) != 0;
}

std::vector<std::string> MemIniFile::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.Name);
  return names;
}

std::vector<std::string> MemIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* s = Find(section))
    for (const auto& [k, v] : s->Keys) keys.push_back(k);
  return keys;
}

}  // namespace platform
