// Small routines the whole skin library uses: the INI-text section parser
// and its typed readers, word and string routines over sets of characters,
// integer and rectangle routines, published properties, sets and events by
// name, the library's folder and path rules, and file icons. They keep no
// state; everything runs on the GUI thread.
#pragma once

#include "platform/Icons.h"
#include "platform/Properties.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <bitset>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

// ----------------------------------------------------------------- INI text

// One section of an INI text: its name and its lines as they stand
// ("key=value").
struct TacIniSection {
  QString Name;
  QStringList Lines;
};
using TacIniSections = std::vector<TacIniSection>;

// Splits INI lines into sections. Lines are taken as they stand (no
// trimming): an empty line and one starting with ';' are skipped; a line
// starting with '[' and ending with ']' opens a section named by the text
// between; any other line belongs to the current section (lines before the
// first section are dropped). `sections` is emptied first.
void ParseIniSections(const QStringList& lines, TacIniSections& sections);

// The value of `key` in `section` (both found without regard to case; the
// first match wins): the line's text after "key=". A missing section or key
// gives `fallback`.
QString ReadIniString(const TacIniSections& sections, const QString& section,
                      const QString& fallback, const QString& key);
// ReadIniString as an integer: a text of more than two characters starting
// "0x" or "0X" is hexadecimal, any other text decimal ("010" is 10);
// anything unreadable gives `fallback`.
int ReadIniInteger(const TacIniSections& sections, const QString& section, int fallback,
                   const QString& key);

// ------------------------------------------------------- words and strings

// A set of byte values (characters 0..255; others are in no set).
using TCharSet = std::bitset<256>;
TCharSet MakeCharSet(std::string_view characters);
bool CharInSet(QChar c, const TCharSet& set);

// Words are maximal runs of characters outside `delimiters`.
int WordCount(const QString& s, const TCharSet& delimiters);
// The 1-based position of the first character of word `n` (counted from
// 1); 0 when there are fewer words.
int NthWordPos(int n, const QString& s, const TCharSet& delimiters);
// Word `n`, empty when there is none.
QString ExtractNthWord(int n, const QString& s, const TCharSet& delimiters);
// The pairs' second members test membership the same way; same results.
inline int WordCountBySet(const QString& s, const TCharSet& d) { return WordCount(s, d); }
inline int NthWordPosBySet(int n, const QString& s, const TCharSet& d) { return NthWordPos(n, s, d); }

// `s` with every `c` removed.
QString DeleteChars(const QString& s, QChar c);
// `s` with every occurrence of `from` replaced by `to`, left to right;
// replaced text is not scanned again. An empty `from` changes nothing.
QString ReplaceAll(const QString& s, const QString& from, const QString& to);

// ------------------------------------------------- integers and rectangles

inline int ClampToByte(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }
// A skin's 16-bit number: a value past the type's range stops at its end.
inline int16_t ClampToInt16(int value) { return int16_t(value < -32768 ? -32768 : value > 32767 ? 32767 : value); }
inline platform::TRect MakeRect(int left, int top, int right, int bottom) {
  return {left, top, right, bottom};
}
inline int IfThenInt(bool condition, int a, int b) { return condition ? a : b; }
inline QString IfThenStr(bool condition, const QString& a, const QString& b) {
  return condition ? a : b;
}
inline bool IsBetween(int value, int min, int max) { return min <= value && value <= max; }
inline int MaxOf(int a, int b) { return a > b ? a : b; }
inline int MinOf(int a, int b) { return a < b ? a : b; }
// B is not empty and reaches into A.
bool RectsOverlap(const platform::TRect& a, const platform::TRect& b);
// Right - Left (Bottom - Top); with `nonNegative` a negative extent is 0.
int RectWidth(const platform::TRect& r, bool nonNegative = false);
int RectHeight(const platform::TRect& r, bool nonNegative = false);
// A ready background source: the bitmap at (x, y), fill colour $FF00FF.
void MakeCacheInfo(const platform::Bitmap* bitmap, int x, int y, TsBgSource& info);

// Calls `then` from the event loop once `milliseconds` have passed; nothing
// is pumped here, the caller's work goes on in `then`. A `context` that is
// gone by then cancels the call. An exception of `then` is shown in the
// library's error box.
void DelayWithMessages(unsigned milliseconds, QObject* context, std::function<void()> then);

// ------------------------------------------------------------------ windows

// The program's forms: its top-level windows and dialogs, the
// application's own window excepted.
std::vector<QWidget*> ScreenForms();
// A control's child controls in the order they were made: its child
// widgets that are not windows of their own, without the inner parts of
// composite widgets.
std::vector<QWidget*> ChildControls(const QWidget* control);

// ------------------------------------------ published properties by name

// Through the platform's table of published names (platform/Properties.h).
using platform::GetObjectProperty;
using platform::GetOrdProperty;
using platform::HasProperty;
using platform::SetOrdProperty;

// Sets: a property of a Qt flags type, its elements by their whole names.
// True when the set property `name` holds the element named `element`.
bool SetPropertyContains(const QObject* object, const QString& name, const QString& element);
// Adds (`include`) or removes one element; nothing for a missing property
// or an unknown element.
void ChangeSetProperty(QObject* object, const QString& name, const QString& element, bool include);

// Events: a control offers an event by keeping a callback of the event's
// type as a dynamic property of the event's name ("OnChange"); an
// unassigned event is an empty callback.
template <class Signature>
std::function<Signature> GetEventProperty(const QObject* object, const char* name) {
  if (!object) return {};
  const QVariant v = object->property(name);
  if (!v.canConvert<std::function<Signature>>()) return {};
  return v.value<std::function<Signature>>();
}
// Assigns (or, with an empty handler, clears) the event; false when the
// object offers no event of that name and type.
template <class Signature>
bool SetEventProperty(QObject* object, const char* name, std::function<Signature> handler) {
  if (!object || !object->property(name).canConvert<std::function<Signature>>()) return false;
  object->setProperty(name, QVariant::fromValue(std::move(handler)));
  return true;
}

// --------------------------------------------------------- files and folders

// `dir` ending in a backslash: empty stays empty, a trailing '\' stays, a
// trailing '/' becomes '\', a single character (a drive letter) gets ":\",
// anything else gets '\'.
QString NormalDir(const QString& dir);
// The program's folder with a trailing backslash (the folder's own text
// keeps its '/' separators).
QString AppDirectory();
// The file or folder a path of the library's Windows text means here:
// '\' and '/' both separate, names match their entries without regard to
// ASCII case (an exact match first), a relative path starts from the
// current folder. Empty when nothing is there, and for a path with a drive
// letter (there are none here).
QString ResolveLibraryPath(const QString& path);

// The run-time library's file search, passed through over this system's
// folder listing.
//
// Attributes of an entry: a folder, a hidden entry (its name begins with
// '.'), one that cannot be written, a system entry (neither file nor
// folder); faAnyFile asks for every kind.
inline constexpr unsigned faReadOnly = 0x01, faHidden = 0x02, faSysFile = 0x04, faDirectory = 0x10,
                          faAnyFile = 0x3F;
// Why a search gives no entry.
inline constexpr int ERROR_FILE_NOT_FOUND = 2, ERROR_PATH_NOT_FOUND = 3, ERROR_INVALID_HANDLE = 6,
                     ERROR_NO_MORE_FILES = 18;
struct TacFindState;
// The entry a search found last, and the search (its handle; none once
// it ends).
struct TSearchRec {
  QString Name;
  unsigned Attr = 0;
  qint64 Size = 0;
  std::shared_ptr<TacFindState> FindHandle;
};
// Begins a search for the entries `path` names: a folder (the library's
// path rules) and a last part of '*' and '?' wildcards ("*.*" is every
// name), matched without regard to case; a folder's "." and ".." come
// first. Hidden, system and folder entries come only when `attr` holds
// their attribute. 0 with the first entry in `found`, the search open
// until FindCloseFile; ERROR_PATH_NOT_FOUND without such a folder,
// ERROR_FILE_NOT_FOUND when nothing matches (no search is left open).
int FindFirstFile(const QString& path, unsigned attr, TSearchRec& found);
// The next entry: 0, or ERROR_NO_MORE_FILES after the last;
// ERROR_INVALID_HANDLE when no search is open.
int FindNextFile(TSearchRec& found);
// Ends the search.
void FindCloseFile(TSearchRec& found);

constexpr unsigned SHGFI_LARGEICON = 0x0, SHGFI_SMALLICON = 0x1, SHGFI_ICON = 0x100;
// The desktop's icon of a file (small with SHGFI_SMALLICON); nullptr when
// the file does not exist or has none. The caller destroys it.
platform::HICON FileIcon(const QString& fileName, unsigned flags);
