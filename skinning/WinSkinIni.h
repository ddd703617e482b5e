// The skin's INI text, read the quick way the skin format expects (not by
// the rules of the program's own settings files):
// - lines are trimmed; empty lines and lines starting with ';' are dropped;
// - a line "[name]" starts a section, found by its name without regard to
//   case; the first section of a name wins;
// - in a section, the first line whose key (the text before its first '=',
//   trimmed) matches, without regard to case, ends the search: its value
//   (after the '=', trimmed) is the answer unless it is empty;
// - lines before the first section belong to none.
// The text is CP936; a zero byte ends it.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace skinning {

class TQuickIni {
 public:
  // Replaces what was read before by the lines of `text`.
  void LoadFromStream(std::string_view text);

  // The section names, brackets removed and trimmed, in file order.
  QStringList ReadSections() const;
  QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
  // The value as a decimal or hexadecimal ("$1F", "0x1F") integer;
  // `fallback` when it is missing or not an integer.
  int32_t ReadInteger(const QString& section, const QString& key, int32_t fallback) const;

  // Every kept line, trimmed.
  const QStringList& Lines() const { return lines_; }

 private:
  QStringList lines_;
  std::vector<std::pair<QString, int>> sections_;  // "[name]" as written, index in lines_
};

}  // namespace skinning
