// The library's small routines: INI text by its own rules, words, folders
// and paths, sets and events by name, the delayed call.
#include "skinlib/manager/LibraryUtils.h"

#include "platform/AppPath.h"
#include "platform/UserPrompts.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QObject>

#include <gtest/gtest.h>

#include <filesystem>

using namespace platform;

// A component with a set property whose element names begin alike.
class AnchorsObject : public QObject {
  Q_OBJECT
  Q_PROPERTY(Anchors Anchors READ anchors WRITE setAnchors)

 public:
  enum Anchor { akLeft = 0x1, akTop = 0x2, akTopRight = 0x4, akBottom = 0x8 };
  Q_DECLARE_FLAGS(Anchors, Anchor)
  Q_FLAG(Anchors)

  Anchors anchors() const { return anchors_; }
  void setAnchors(Anchors a) { anchors_ = a; }

 private:
  Anchors anchors_ = akLeft;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(AnchorsObject::Anchors)

namespace {

TacIniSections Sections(const QStringList& lines) {
  TacIniSections s;
  ParseIniSections(lines, s);
  return s;
}

}  // namespace

TEST(LibraryUtils, ParseIniSectionsKeepsLinesAsTheyStand) {
  // A key line before any section, a header, a comment, a key line, and a
  // line that opens a bracket without closing it.
  const TacIniSections s = Sections({"Before=1", "[S]", ";comment", "Key=2", "[open", "", " [T]", "[]"});
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].Name, "S");
  EXPECT_EQ(s[0].Lines, (QStringList{"Key=2", "[open", " [T]"}));
  EXPECT_EQ(s[1].Name, "");
  EXPECT_TRUE(s[1].Lines.isEmpty());
  TacIniSections again = s;
  ParseIniSections({}, again);
  EXPECT_TRUE(again.empty());
}

TEST(LibraryUtils, ReadIniStringAndIntegerCases) {
  const TacIniSections s = Sections({"[Colors]", "Hex=0x1F", "HexUpper=0X10", "Octal=010", "Bare=0x", "Letters=abc",
                                     "Dollar=$FF", "Plain=42", "Spaced = 7", "Empty=", "key=lower", "Key=upper",
                                     "[colors]", "Late=1"});
  struct Case {
    const char* key;
    int expected;
  } ints[] = {{"Hex", 31},   {"HexUpper", 16}, {"Octal", 10},   {"Bare", -5},  {"Letters", -5},
              {"Dollar", 255}, {"Plain", 42},  {"Spaced", -5},  {"Empty", -5}, {"Missing", -5},
              {"LATE", -5}};
  for (const Case& c : ints) EXPECT_EQ(ReadIniInteger(s, "COLORS", -5, c.key), c.expected) << c.key;
  EXPECT_EQ(ReadIniInteger(s, "Other", -5, "Plain"), -5);
  // Keys without regard to case, the first one wins; the value after "key=".
  EXPECT_EQ(ReadIniString(s, "Colors", "d", "KEY"), "lower");
  EXPECT_EQ(ReadIniString(s, "Colors", "d", "Empty"), "");
  EXPECT_EQ(ReadIniString(s, "Colors", "d", "Spaced"), "d");  // the name is "Spaced "
  EXPECT_EQ(ReadIniString(s, "Nowhere", "d", "Key"), "d");
}

TEST(LibraryUtils, WordsAndReplacing) {
  const TCharSet blank = MakeCharSet(" "), parts = MakeCharSet(" (),");
  const QString two = QStringLiteral("   first    second  ");
  EXPECT_EQ(WordCount(two, blank), 2);
  EXPECT_EQ(WordCountBySet(two, blank), 2);
  EXPECT_EQ(NthWordPos(1, two, blank), 4);
  EXPECT_EQ(NthWordPos(2, two, blank), 13);
  EXPECT_EQ(NthWordPosBySet(2, two, blank), 13);
  EXPECT_EQ(NthWordPos(3, two, blank), 0);
  EXPECT_EQ(ExtractNthWord(2, two, blank), "second");
  EXPECT_EQ(ExtractNthWord(3, two, blank), "");
  EXPECT_EQ(ExtractNthWord(1, QStringLiteral("at start"), blank), "at");
  const QString mask = QStringLiteral("#(0,0,30,20)(1,0,5)");
  EXPECT_EQ(WordCount(mask, parts), 8);
  EXPECT_EQ(ExtractNthWord(5, mask, parts), "20");
  EXPECT_FALSE(CharInSet(QChar(0x4E00), MakeCharSet("\x00")));
  EXPECT_TRUE(CharInSet(QChar(u'('), parts));

  struct Case {
    const char *s, *from, *to, *expected;
  } cases[] = {
      {"aaa", "a", "aa", "aaaaaa"},  // replaced text is not scanned again
      {"abcabc", "bc", "", "aa"},
      {"abc", "", "x", "abc"},       // an empty pattern changes nothing (and ends)
      {"", "a", "b", ""},
      {"aaaa", "aa", "b", "bb"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.s, c.from, c.to), c.expected) << c.s << " " << c.from;
  EXPECT_EQ(DeleteChars(QStringLiteral("a-b-c-"), u'-'), "abc");
}

TEST(LibraryUtils, RectanglesAndIntegers) {
  const TRect backwards = Rect(10, 10, 4, 2);
  EXPECT_EQ(RectWidth(backwards), -6);
  EXPECT_EQ(RectWidth(backwards, true), 0);
  EXPECT_EQ(RectHeight(backwards), -8);
  EXPECT_EQ(RectHeight(backwards, true), 0);
  const TRect a = Rect(0, 0, 10, 10);
  EXPECT_TRUE(RectsOverlap(a, Rect(9, 9, 20, 20)));
  EXPECT_FALSE(RectsOverlap(a, Rect(10, 0, 20, 10)));   // touching only
  EXPECT_FALSE(RectsOverlap(a, Rect(2, 2, 2, 8)));      // empty
  EXPECT_FALSE(RectsOverlap(a, Rect(0, -5, 10, 0)));
  EXPECT_EQ(ClampToByte(-3), 0);
  EXPECT_EQ(ClampToByte(300), 255);
  EXPECT_EQ(ClampToByte(77), 77);
  EXPECT_TRUE(IsBetween(5, 5, 6));
  EXPECT_FALSE(IsBetween(7, 5, 6));
  Bitmap b(2, 2);
  TsBgSource info;
  MakeCacheInfo(&b, 3, 4, info);
  EXPECT_EQ(info.Bitmap, &b);
  EXPECT_EQ(info.X, 3);
  EXPECT_EQ(info.Y, 4);
  EXPECT_EQ(info.FillColor, 0xFF00FF);
  EXPECT_TRUE(info.IsReady);
}

TEST(LibraryUtils, FoldersKeepTheWindowsTextRules) {
  struct Case {
    const char *in, *out;
  } cases[] = {{"", ""},          {"C", "C:\\"},          {"C:\\Skins\\", "C:\\Skins\\"},
               {"C:\\Skins", "C:\\Skins\\"}, {"/opt/skins/", "/opt/skins\\"}, {"skins", "skins\\"}};
  for (const Case& c : cases) EXPECT_EQ(NormalDir(c.in), c.out) << c.in;
  SetAppPathOverride("/opt/ssq/");
  EXPECT_EQ(AppDirectory(), "/opt/ssq\\");
  SetAppPathOverride("");
}

TEST(LibraryUtils, LibraryPathsFindTheirFilesWithoutRegardToCase) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir.File("Skins/Blue"));
  dir.Write("Skins/Blue/Options.dat", "x");
  const QString root = QString::fromStdString(dir.Path());
  QString windows = root + QStringLiteral("\\skins\\BLUE\\options.DAT");
  windows.replace(u'/', u'\\');
  EXPECT_EQ(ResolveLibraryPath(windows), root + "/Skins/Blue/Options.dat");
  EXPECT_EQ(ResolveLibraryPath(root + "/Skins/Blue/"), root + "/Skins/Blue");
  EXPECT_EQ(ResolveLibraryPath(root + "/Skins/./Red/../Blue/Options.dat"), root + "/Skins/Blue/Options.dat");
  EXPECT_EQ(ResolveLibraryPath(root + "/Skins/Green/Options.dat"), "");
  EXPECT_EQ(ResolveLibraryPath(QStringLiteral("C:\\Skins\\Blue")), "");  // no drive letters here
  EXPECT_EQ(ResolveLibraryPath(""), "");
  // ASCII case only: a folder "É" is not "é".
  std::filesystem::create_directories(dir.File("\xC3\x89"));
  EXPECT_EQ(ResolveLibraryPath(root + "/\u00E9"), "");
  // Relative paths start from the current folder.
  const QString before = QDir::currentPath();
  QDir::setCurrent(root);
  EXPECT_EQ(ResolveLibraryPath(QStringLiteral("SKINS\\blue")), root + "/Skins/Blue");
  QDir::setCurrent(before);

  EXPECT_EQ(::FileIcon(root + "/Skins/Missing.dat", SHGFI_SMALLICON), nullptr);
  EXPECT_EQ(::FileIcon(root + "/Skins", 0), nullptr);  // a folder is no file
}

// The file search over a folder written here, the way a caller of the
// run-time library walks it: the first entry, the next ones, the end.
TEST(LibraryUtils, FileSearchByPatternAndAttributes) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir.File("Blue"));
  dir.Write("Blue/Options.dat", "[GLOBALINFO]");
  dir.Write("green.ASZ", "12345");
  dir.Write(".hidden.asz", "x");
  const QString root = QString::fromStdString(dir.Path()).replace(u'/', u'\\');
  const struct {
    QString path;
    unsigned attr;
    int first;  // the first answer
    QStringList found;
  } cases[] = {
      {root + "\\*.*", faAnyFile, 0, {"./", "../", ".hidden.asz hidden", "Blue/", "green.ASZ 5"}},
      {root + "\\*", 0, 0, {"green.ASZ 5"}},
      {root + "\\*.asz", faHidden, 0, {".hidden.asz hidden", "green.ASZ 5"}},
      {root + "\\BLUE", faDirectory, 0, {"Blue/"}},
      {root + "\\blue\\OPTIONS.D?T", 0, 0, {"Options.dat 12"}},
      {root + "\\g*n.a*", 0, 0, {"green.ASZ 5"}},
      {root + "\\*.bmp", faAnyFile, ERROR_FILE_NOT_FOUND, {}},
      {root + "\\Blue", 0, ERROR_FILE_NOT_FOUND, {}},  // a folder not asked for
      {root + "\\Red\\*.*", faAnyFile, ERROR_PATH_NOT_FOUND, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    QStringList found;
    TSearchRec f;
    int answer = FindFirstFile(c.path, c.attr, f);
    EXPECT_EQ(answer, c.first);
    for (; answer == 0; answer = FindNextFile(f))
      found << f.Name + (f.Attr & faDirectory ? "/" : f.Attr & faHidden ? " hidden" : " " + QString::number(f.Size));
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(answer == ERROR_NO_MORE_FILES, f.FindHandle != nullptr);
    FindCloseFile(f);
    EXPECT_EQ(FindNextFile(f), ERROR_INVALID_HANDLE);
  }
}

TEST(LibraryUtils, SetsByWholeElementNames) {
  AnchorsObject o;
  o.setAnchors(AnchorsObject::akLeft | AnchorsObject::akTopRight);
  EXPECT_TRUE(SetPropertyContains(&o, "Anchors", "akTopRight"));
  EXPECT_FALSE(SetPropertyContains(&o, "Anchors", "akTop"));  // a name's beginning is not the name
  EXPECT_FALSE(SetPropertyContains(&o, "Missing", "akLeft"));
  ChangeSetProperty(&o, "anchors", "akTop", true);
  EXPECT_EQ(o.anchors(), AnchorsObject::akLeft | AnchorsObject::akTop | AnchorsObject::akTopRight);
  ChangeSetProperty(&o, "Anchors", "akTop", false);
  EXPECT_EQ(o.anchors(), AnchorsObject::akLeft | AnchorsObject::akTopRight);
  ChangeSetProperty(&o, "Anchors", "akLeft", false);
  ChangeSetProperty(&o, "Anchors", "akTopRight", false);
  EXPECT_EQ(o.anchors(), AnchorsObject::Anchors());
  ChangeSetProperty(&o, "Anchors", "akNowhere", true);  // unknown: nothing
  EXPECT_EQ(o.anchors(), AnchorsObject::Anchors());
  ChangeSetProperty(&o, "Anchors", "akBottom", true);
  EXPECT_EQ(o.anchors(), AnchorsObject::akBottom);
  // Qt's own sets work the same way.
  QLabel label;
  label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ChangeSetProperty(&label, "Alignment", "AlignTop", false);
  ChangeSetProperty(&label, "Alignment", "AlignBottom", true);
  EXPECT_EQ(label.alignment(), Qt::AlignLeft | Qt::AlignBottom);
  // Ordinals through the platform's names.
  EXPECT_EQ(GetOrdProperty(&label, "Visible"), 0);
  EXPECT_EQ(GetOrdProperty(&label, "NoSuchProperty"), -1);
}

TEST(LibraryUtils, EventsByName) {
  QObject o;
  using Handler = void(int);
  EXPECT_FALSE(GetEventProperty<Handler>(&o, "OnChange"));
  EXPECT_FALSE(SetEventProperty<Handler>(&o, "OnChange", [](int) {}));  // not offered
  o.setProperty("OnChange", QVariant::fromValue(std::function<Handler>()));
  EXPECT_TRUE(HasProperty(&o, "OnChange"));
  EXPECT_FALSE(GetEventProperty<Handler>(&o, "OnChange"));  // unassigned
  int seen = 0;
  EXPECT_TRUE(SetEventProperty<Handler>(&o, "OnChange", [&](int v) { seen = v; }));
  auto handler = GetEventProperty<Handler>(&o, "OnChange");
  ASSERT_TRUE(handler);
  handler(5);
  EXPECT_EQ(seen, 5);
  EXPECT_FALSE(GetEventProperty<void()>(&o, "OnChange"));  // another type
  EXPECT_TRUE(SetEventProperty<Handler>(&o, "OnChange", {}));
  EXPECT_FALSE(GetEventProperty<Handler>(&o, "OnChange"));
}

TEST(LibraryUtils, DelayWithMessagesCallsBackLaterFromTheLoop) {
  RecordingPrompts prompts;
  ScopedPrompts scoped(prompts);
  QObject context;
  auto* gone = new QObject;
  int calls = 0;
  QElapsedTimer clock;
  clock.start();
  qint64 calledAfter = -1;
  DelayWithMessages(30, &context, [&] {
    ++calls;
    calledAfter = clock.elapsed();
  });
  DelayWithMessages(0, gone, [&] { calls += 100; });
  DelayWithMessages(0, &context, [] { throw std::runtime_error("failed later"); });
  delete gone;
  EXPECT_EQ(calls, 0);  // nothing runs inside the call
  while (clock.elapsed() < 2000 && calls == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(calls, 1);
  EXPECT_GE(calledAfter, 25);  // coarse timers may come up to 5% early
  ASSERT_EQ(prompts.Calls.size(), 1u);
  EXPECT_EQ(prompts.Calls[0].Text, "failed later");
  EXPECT_EQ(prompts.Calls[0].Caption, "Error");
}

#include "LibraryUtilsTest.moc"
