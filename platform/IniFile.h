// Private INI files with the rules of the Windows profile functions.
//
// - section and key names are compared without regard to ASCII case and are
//   trimmed of blanks; values are trimmed, and one pair of matching quotes
//   around a value is removed;
// - the first of duplicate sections or keys wins;
// - lines starting with ';' are comments and are kept on rewrite;
// - a new key is appended at the end of its section, a new section at the
//   end of the file;
// - the file holds CP936 bytes; the program sees UTF-8. A write rewrites
//   only the line it changes (or adds): every other line keeps its bytes,
//   bytes that are no CP936 and its line end included;
// - a file that is a symbolic link is written through to the link's target;
// - a file that is there but cannot be read (no read permission, a read
//   error, a folder) reads as empty and is never written: a write would
//   replace what it holds.
//
// The file is read again before every operation and every write goes
// through a temporary file and a rename, so that two running copies of the
// program do not undo each other and a crash never leaves a damaged file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const;
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

  // Each write stores at once; false (with LastError set) when the file
  // could not be written, in which case the old file is kept. A section,
  // key or value holding CR or LF is refused the same way, and so is any
  // write to a file that is there but cannot be read.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int32_t value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);

  bool SectionExists(const std::string& section) const;
  std::vector<std::string> ReadSection(const std::string& section) const;  // key names in file order
  bool EraseSection(const std::string& section);
  bool DeleteKey(const std::string& section, const std::string& key);

  // Why the last write failed, in the program's words; empty after a good one.
  const std::string& LastError() const { return lastError_; }

 private:
  struct Lines;
  // The file's lines, none when it is missing or cannot be read; with
  // `forWrite` an unreadable file is logged and marked so.
  Lines LoadLines(bool forWrite = false) const;
  bool StoreLines(const Lines& lines);

  std::string path_;
  std::string lastError_;
};

// An INI text held in memory (the old TMemIniFile), read once from CP936
// bytes, a file or lines, with the same reading rules as IniFile: names
// without regard to ASCII case and trimmed, values trimmed and one pair of
// matching quotes removed, the first of duplicate sections or keys wins,
// ';' lines are comments, lines before the first section and lines without
// '=' are no keys. Reads never touch the disk again; nothing is written.
class MemIniFile {
 public:
  MemIniFile() = default;
  // The file's CP936 bytes; a missing or unreadable file gives an empty
  // text (FileName keeps the path).
  explicit MemIniFile(std::string path);
  // CP936 bytes (no file).
  static MemIniFile FromBytes(std::string_view cp936);
  // The text in place of the current one: CP936 bytes, or lines of UTF-8.
  void SetBytes(std::string_view cp936);
  void SetStrings(const std::vector<std::string>& lines);

  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // Decimal, or hexadecimal with "$" or "0x" (StrToIntDef); `fallback`
  // for anything else.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const;
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  // The section names in text order, each once (as first written).
  std::vector<std::string> ReadSections() const;
  // The key names of a section in text order, each once.
  std::vector<std::string> ReadSection(const std::string& section) const;

 private:
  struct Section {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Keys;  // name, value
    std::unordered_map<std::string, size_t> Index;         // upper-case name -> first key
  };
  void Parse(std::string_view utf8);
  const Section* Find(std::string_view section) const;

  std::string path_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> index_;  // upper-case name -> first section
};

}  // namespace platform
