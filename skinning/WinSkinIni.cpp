#include "skinning/WinSkinIni.h"

#include "platform/DelphiRtl.h"
#include "platform/Encoding.h"

namespace skinning {

namespace {

// Trimmed of every character up to the blank, control characters too.
QString Trim(QStringView s) {
  qsizetype b = 0, e = s.size();
  while (b < e && s[b].unicode() <= ' ') ++b;
  while (e > b && s[e - 1].unicode() <= ' ') --e;
  return s.mid(b, e - b).toString();
}

bool IsSectionLine(const QString& line) { return line.startsWith(u'[') && line.endsWith(u']'); }

}  // namespace

void TQuickIni::LoadFromStream(std::string_view text) {
  lines_.clear();
  sections_.clear();
  text = text.substr(0, text.find('\0'));
  const QString all = QString::fromStdString(platform::Cp936ToUtf8(text));
  qsizetype start = 0;
  for (qsizetype i = 0; i <= all.size(); ++i) {
    if (i < all.size() && all[i] != u'\r' && all[i] != u'\n') continue;
    const QString line = Trim(QStringView(all).mid(start, i - start));
    start = i + 1;
    if (line.isEmpty() || line.startsWith(u';')) continue;
    if (IsSectionLine(line)) sections_.emplace_back(line, int(lines_.size()));
    lines_.append(line);
  }
}

QStringList TQuickIni::ReadSections() const {
  QStringList names;
  for (const auto& s : sections_) names.append(Trim(QStringView(s.first).mid(1, s.first.size() - 2)));
  return names;
}

QString TQuickIni::ReadString(const QString& section, const QString& key,
                              const QString& fallback) const {
  const QString wantedSection = u'[' + section + u']';
  const QString wantedKey = key.toLower();
  for (const auto& s : sections_) {
    if (s.first.compare(wantedSection, Qt::CaseInsensitive) != 0) continue;
    for (qsizetype i = s.second + 1; i < lines_.size() && !IsSectionLine(lines_[i]); ++i) {
      const QString& line = lines_[i];
      const qsizetype eq = line.indexOf(u'=');
      const QString lineKey = eq < 0 ? QString() : Trim(QStringView(line).left(eq)).toLower();
      if (lineKey != wantedKey) continue;
      const QString value = eq < 0 ? QString() : Trim(QStringView(line).mid(eq + 1));
      return value.isEmpty() ? fallback : value;
    }
    return fallback;
  }
  return fallback;
}

int32_t TQuickIni::ReadInteger(const QString& section, const QString& key, int32_t fallback) const {
  QString value = ReadString(section, key, QString());
  if (value.size() > 2 && (value.startsWith(u"0x") || value.startsWith(u"0X")))
    value = u'$' + value.mid(2);
  return platform::StrToIntDef(value.toStdString(), fallback);
}

}  // namespace skinning
