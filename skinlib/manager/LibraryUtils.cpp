#include "skinlib/manager/LibraryUtils.h"

#include "platform/AppPath.h"
#include "platform/AppWindow.h"
#include "platform/DelphiRtl.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/LibraryMessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <exception>

using namespace platform;

// ----------------------------------------------------------------- INI text

void ParseIniSections(const QStringList& lines, TacIniSections& sections) {
  sections.clear();
  TacIniSection* current = nullptr;
  for (const QString& line : lines) {
    if (line.isEmpty() || line.front() == u';') continue;
    if (line.front() == u'[' && line.back() == u']' && line.size() >= 2) {
      sections.push_back({line.mid(1, line.size() - 2), {}});
      current = &sections.back();
    } else if (current) {
      current->Lines.append(line);
    }
  }
}

QString ReadIniString(const TacIniSections& sections, const QString& section,
                      const QString& fallback, const QString& key) {
  for (const TacIniSection& s : sections) {
    if (s.Name.compare(section, Qt::CaseInsensitive) != 0) continue;
    // The first section of that name alone is looked at.
    for (const QString& line : s.Lines) {
      const int eq = line.indexOf(u'=');
      const QString name = eq < 0 ? QString() : line.left(eq);
      if (name.compare(key, Qt::CaseInsensitive) == 0) return line.mid(key.size() + 1);
    }
    return fallback;
  }
  return fallback;
}

int ReadIniInteger(const TacIniSections& sections, const QString& section, int fallback,
                   const QString& key) {
  QString s = ReadIniString(sections, section, QString(), key);
  if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) s = u'$' + s.mid(2);
  return StrToIntDef(s.toStdString(), fallback);
}

// ------------------------------------------------------- words and strings

TCharSet MakeCharSet(std::string_view characters) {
  TCharSet set;
  for (char c : characters) set.set(uint8_t(c));
  return set;
}

bool CharInSet(QChar c, const TCharSet& set) { return c.unicode() < 256 && set.test(c.unicode()); }

namespace {

// Start (0-based) of word n, or -1.
qsizetype WordStart(int n, const QString& s, const TCharSet& delimiters) {
  int count = 0;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const bool starts = !CharInSet(s[i], delimiters) && (i == 0 || CharInSet(s[i - 1], delimiters));
    if (starts && ++count == n) return i;
  }
  return -1;
}

}  // namespace

int WordCount(const QString& s, const TCharSet& delimiters) {
  int count = 0;
  bool inWord = false;
  for (QChar c : s) {
    const bool delimiter = CharInSet(c, delimiters);
    if (!delimiter && !inWord) ++count;
    inWord = !delimiter;
  }
  return count;
}

int NthWordPos(int n, const QString& s, const TCharSet& delimiters) {
  return int(WordStart(n, s, delimiters) + 1);
}

QString ExtractNthWord(int n, const QString& s, const TCharSet& delimiters) {
  const qsizetype start = WordStart(n, s, delimiters);
  if (start < 0) return {};
  qsizetype end = start;
  while (end < s.size() && !CharInSet(s[end], delimiters)) ++end;
  return s.mid(start, end - start);
}

QString DeleteChars(const QString& s, QChar c) {
  QString out = s;
  out.remove(c);
  return out;
}

QString ReplaceAll(const QString& s, const QString& from, const QString& to) {
  if (from.isEmpty()) return s;
  QString out;
  qsizetype i = 0;
  for (qsizetype hit = s.indexOf(from); hit >= 0; hit = s.indexOf(from, i)) {
    out += s.mid(i, hit - i);
    out += to;
    i = hit + from.size();
  }
  return out + s.mid(i);
}

// ------------------------------------------------- integers and rectangles

bool RectsOverlap(const TRect& a, const TRect& b) {
  return !b.IsEmpty() && b.Bottom > a.Top && b.Right > a.Left && b.Left < a.Right &&
         b.Top < a.Bottom;
}

int RectWidth(const TRect& r, bool nonNegative) {
  const int w = r.Right - r.Left;
  return nonNegative && w < 0 ? 0 : w;
}

int RectHeight(const TRect& r, bool nonNegative) {
  const int h = r.Bottom - r.Top;
  return nonNegative && h < 0 ? 0 : h;
}

void MakeCacheInfo(const Bitmap* bitmap, int x, int y, TsBgSource& info) {
  info = {bitmap, x, y, 0xFF00FF, true};
}

// ------------------------------------------------------------------ windows

std::vector<QWidget*> ScreenForms() {
  std::vector<QWidget*> forms;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    const Qt::WindowType type = w->windowType();
    if ((type == Qt::Window || type == Qt::Dialog) && !IsApplicationWindow(w)) forms.push_back(w);
  }
  return forms;
}

std::vector<QWidget*> ChildControls(const QWidget* control) {
  std::vector<QWidget*> children;
  if (!control) return children;
  for (QObject* o : control->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && !w->isWindow() && ControlFromWindow(w)) children.push_back(w);
  }
  return children;
}

void DelayWithMessages(unsigned milliseconds, QObject* context, std::function<void()> then) {
  QTimer::singleShot(int(milliseconds), context, [then = std::move(then)] {
    try {
      then();
    } catch (const std::exception& e) {
      ShowErrorBox(QString::fromUtf8(e.what()));
    } catch (...) {
      ShowErrorBox(QStringLiteral("Unknown error"));
    }
  });
}

// ------------------------------------------ published properties by name

bool SetPropertyContains(const QObject* object, const QString& name, const QString& element) {
  QStringList elements;
  return GetSetElements(object, name, elements) && elements.contains(element);
}

void ChangeSetProperty(QObject* object, const QString& name, const QString& element, bool include) {
  QStringList elements;
  if (!GetSetElements(object, name, elements) || include == elements.contains(element)) return;
  if (include)
    elements.append(element);
  else
    elements.removeAll(element);
  SetSetElements(object, name, elements);  // an unknown element changes nothing
}

// --------------------------------------------------------- files and folders

QString NormalDir(const QString& dir) {
  if (dir.isEmpty() || dir.back() == u'\\') return dir;
  if (dir.back() == u'/') return dir.left(dir.size() - 1) + u'\\';
  if (dir.size() == 1) return dir + QStringLiteral(":\\");
  return dir + u'\\';
}

QString AppDirectory() { return NormalDir(QString::fromStdString(GetAppPath())); }

namespace {

bool SameAscii(const QString& a, const QString& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    char16_t x = a[i].unicode(), y = b[i].unicode();
    if (x >= 'A' && x <= 'Z') x = char16_t(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char16_t(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

QString ResolveLibraryPath(const QString& path) {
  if (path.isEmpty()) return {};
  if (path.size() >= 2 && path[1] == u':' && path[0].unicode() < 128 && path[0].isLetter()) return {};
  QString text = path;
  text.replace(u'\\', u'/');
  if (!text.startsWith(u'/')) text = QDir::currentPath() + u'/' + text;
  // "." and ".." go by the text, as Windows takes them, before any lookup.
  QStringList parts;
  for (const QString& part : text.split(u'/', Qt::SkipEmptyParts)) {
    if (part == QStringLiteral(".")) continue;
    if (part == QStringLiteral("..")) {
      if (!parts.isEmpty()) parts.removeLast();
      continue;
    }
    parts.append(part);
  }
  QString current = QStringLiteral("/");
  for (const QString& part : parts) {
    const QDir dir(current);
    if (QFileInfo::exists(dir.filePath(part))) {
      current = dir.filePath(part);
      continue;
    }
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& e) { return SameAscii(e, part); });
    if (match == entries.end()) return {};
    current = dir.filePath(*match);
  }
  return QFileInfo::exists(current) ? current : QString();
}

// ------------------------------------------------------------ file search

struct TacFindState {
  std::vector<TSearchRec> Entries;
  size_t Next = 0;
};

namespace {

QChar LowerAscii(QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() - u'A' + u'a') : c; }

// '*' any run of characters, '?' any one; the rest without regard to ASCII case.
bool WildcardMatch(const QString& pattern, const QString& name) {
  qsizetype p = 0, n = 0, star = -1, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (star >= 0) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

unsigned AttributesOf(const QFileInfo& entry, const QString& name) {
  unsigned attr = 0;
  if (entry.isDir()) attr |= faDirectory;
  else if (!entry.isFile()) attr |= faSysFile;
  if (name.startsWith(u'.') && name != QStringLiteral(".") && name != QStringLiteral("..")) attr |= faHidden;
  if (!entry.isWritable()) attr |= faReadOnly;
  return attr;
}

int TakeNext(TSearchRec& found) {
  TacFindState& state = *found.FindHandle;
  if (state.Next >= state.Entries.size()) return ERROR_NO_MORE_FILES;
  std::shared_ptr<TacFindState> handle = std::move(found.FindHandle);
  found = state.Entries[state.Next++];
  found.FindHandle = std::move(handle);
  return 0;
}

}  // namespace

int FindFirstFile(const QString& path, unsigned attr, TSearchRec& found) {
  found = {};
  const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
  const QString folderText = cut < 0 ? QStringLiteral(".") : path.left(cut + 1);
  QString pattern = path.mid(cut + 1);
  if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
  const QString folder = ResolveLibraryPath(folderText);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return ERROR_PATH_NOT_FOUND;
  // Kinds of entries not asked for are left out.
  const unsigned excluded = ~attr & (faHidden | faSysFile | faDirectory);
  auto state = std::make_shared<TacFindState>();
  QStringList names{QStringLiteral("."), QStringLiteral("..")};
  names += QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name | QDir::IgnoreCase);
  for (const QString& name : names) {
    if (!WildcardMatch(pattern, name)) continue;
    const QFileInfo entry(QDir(folder).filePath(name));
    const unsigned a = AttributesOf(entry, name);
    if (a & excluded) continue;
    state->Entries.push_back({name, a, entry.isFile() ? entry.size() : 0, nullptr});
  }
  if (state->Entries.empty()) return ERROR_FILE_NOT_FOUND;
  found.FindHandle = std::move(state);
  return TakeNext(found);
}

int FindNextFile(TSearchRec& found) { return found.FindHandle ? TakeNext(found) : ERROR_INVALID_HANDLE; }

void FindCloseFile(TSearchRec& found) { found.FindHandle.reset(); }

HICON FileIcon(const QString& fileName, unsigned flags) {
  const QString path = ResolveLibraryPath(fileName);
  if (path.isEmpty() || !QFileInfo(path).isFile()) return nullptr;
  return platform::FileIcon(path, (flags & SHGFI_SMALLICON) != 0);
}
