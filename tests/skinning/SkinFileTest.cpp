// Skin files: our encoder against the decoder (and against lhasa), the
// container's edges and damaged files, the quick INI rules.
#include "skinning/SkinRead.h"
#include "skinning/WinSkinIni.h"
#include "support/TempDir.h"
#include "tools/skin/LzhEncoder.h"
#include "tools/skin/SkinFile.h"

#include "platform/UserPrompts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace skinning;
using namespace skinwriter;

namespace {

std::string Random(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(gen());
  return s;
}

void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i)));
}

// A container put together by hand: header, `block` bytes, names, sizes
// (given, or those of `entries`), entries.
std::string RawContainer(uint32_t version, size_t block, const std::string& names,
                         const std::vector<uint32_t>& sizes, const std::string& data) {
  std::string c;
  for (uint32_t v : {version, uint32_t(names.size()), 0u, 0u}) PutU32(c, v);
  c.append(block, '\x55');
  c += names;
  for (uint32_t s : sizes) PutU32(c, s);
  return c + data;
}

// A level-0 LHA archive of one -lh1- member.
std::string LhaArchive(const std::string& packed, const std::string& original) {
  uint16_t crc = 0;
  for (unsigned char b : original) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  std::string h = "-lh1-";
  for (uint32_t v : {uint32_t(packed.size()), uint32_t(original.size()), 0x00210000u}) PutU32(h, v);  // 1980-01-01
  // Attribute, level 0, the name's length and name, the CRC.
  h += std::string("\x20\0\x05", 3) + "a.bin" + char(crc & 0xFF) + char(crc >> 8);
  unsigned sum = 0;
  for (unsigned char b : h) sum += b;
  return std::string(1, char(h.size())) + char(sum & 0xFF) + h + packed + '\0';
}

}  // namespace

TEST(Lzh, OurEncoderRoundTrips) {
  const std::string a = Random(60, 1), filler = Random(4036, 2);
  const struct {
    const char* What;
    std::string Data;
    int Distance;  // the longest match back it must use, 0 for any
  } cases[] = {
      {"empty", "", 0},
      {"one byte", "x", 0},
      {"a run past 60", std::string(1000, 'q') + "rest", 1},
      {"leading blanks from the ring", std::string(70, ' ') + "x", 0},
      {"a match 4095 back", a + filler.substr(0, 4035) + a, 4095},
      {"a match 4096 back", a + filler + a, 4096},
      {"random, rebuilding the tree", Random(200000, 3), 0},
      {"text", std::string(20000, 'a') + "双色球 红球 蓝球 " + Random(3000, 4) + "双色球 红球", 0},
  };
  for (const auto& c : cases) {
    LzhStats stats;
    const std::string packed = LzhEncode(c.Data, &stats);
    EXPECT_EQ(TLZH::Decode(packed, uint32_t(c.Data.size())), c.Data) << c.What;
    if (c.Distance) {
      EXPECT_EQ(stats.LongestDistance, c.Distance) << c.What;
    }
  }
}

TEST(Lzh, LhasaReadsOurStream) {
  if (std::system("command -v lha >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "lhasa (lha) is not installed: scripts/setup.sh installs it";
  testsupport::TempDir dir;
  const std::string data = std::string(5000, ' ') + Random(100000, 5) + std::string(3000, 'z') +
                           Random(100, 6) + Random(100, 6);
  dir.Write("a.lzh", LhaArchive(LzhEncode(data), data));
  ASSERT_EQ(std::system(("cd " + dir.Path() + " && lha pq a.lzh > out.bin").c_str()), 0);
  EXPECT_TRUE(dir.Read("out.bin") == data);
}

TEST(SkinReader, RefusesEveryCutOfAFile) {
  SkinContainer c;
  c.Entries = {{"skin.ini", "[Colours]\r\nButtonFace=1,2,3\r\n"}, {"a.bmp", std::string(300, 'a')}};
  const std::string file = SkinFileBytes(c);
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(file));
  for (size_t n = 0; n < file.size(); ++n) EXPECT_FALSE(reader.Load(file.substr(0, n))) << n;
  std::string huge = file;
  huge[3] = '\x7F';  // declares 2 GiB: refused before any work
  EXPECT_FALSE(reader.Load(huge));
  EXPECT_EQ(reader.Count(), 0);
}

TEST(SkinReader, ReadsTheContainer) {
  const std::string gbk = "\x81\x41";  // a name whose second byte is 'A'
  const std::string names = "Skin.INI\r\nButton.bmp\rTwo.ini\n" + gbk + ".bmp\r\n";
  const std::string file =
      CompressSkin(RawContainer(40000, 80, names, {3, 2, 1, 4}, "ini" "bm" "2" "gbk!"));
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(file)) << reader.LastError();
  EXPECT_EQ(reader.Names(), QStringList({"skin.ini", "button.bmp", "two.ini", "丄.bmp"}));
  std::string entry;
  QString found = "unchanged";
  for (auto [name, bytes] : {std::pair{"SKIN.ini", "ini"}, {"Button.BMP", "bm"}, {"丄.BMP", "gbk!"}, {"missing", ""}}) {
    reader.GetEntry(QString::fromUtf8(name), entry);
    EXPECT_EQ(entry, bytes) << name;
  }
  reader.FindEntry(".ini", entry, found);
  EXPECT_EQ(found, "skin.ini");
  EXPECT_EQ(entry, "ini");
  reader.FindEntry(".INI", entry, found);  // the part is not lower-cased
  EXPECT_EQ(entry, "");
  EXPECT_EQ(found, "skin.ini");
}

TEST(SkinReader, RefusesUnknownVersionsAndOverruns) {
  const std::string names1001 = [] {
    std::string s;
    for (int i = 0; i < 1001; ++i) s += std::to_string(i) + "\n";
    return s;
  }();
  const struct {
    const char* What;
    std::string Container;
    bool Ok;
  } cases[] = {
      {"1001 names", RawContainer(20000, 0, names1001, std::vector<uint32_t>(1001, 0), ""), true},
      {"1002 names", RawContainer(20000, 0, names1001 + "x", std::vector<uint32_t>(1002, 0), ""), false},
      {"a short header", std::string(15, '\0'), false},
      {"names past the data", RawContainer(20000, 0, "a\nb", {}, "").substr(0, 18), false},
      {"sizes past the data", RawContainer(20000, 0, "a\nb", {1}, ""), false},
      {"entries past the data", RawContainer(20000, 0, "a\nb", {1, 2}, "xy"), false},
      {"sizes beyond 32 bits", RawContainer(20000, 0, "a\nb", {0x80000000u, 0x80000000u}, "xy"), false},
  };
  TSkinReader reader;
  for (const auto& c : cases) EXPECT_EQ(reader.Load(CompressSkin(c.Container)), c.Ok) << c.What;
  const std::pair<uint32_t, size_t> blocks[] = {{20000, 0},  {30000, 256}, {40000, 80},
                                                {50000, 48}, {60000, 117}, {70000, 69}};
  for (auto [version, block] : blocks) {
    ASSERT_TRUE(reader.Load(CompressSkin(RawContainer(version, block, "a.ini", {1}, "x")))) << version;
    EXPECT_EQ(reader.Names(), QStringList{"a.ini"}) << version;
  }

  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scope(prompts);
  EXPECT_FALSE(reader.Load(CompressSkin(RawContainer(45000, 0, "a", {1}, "x"))));
  ASSERT_EQ(prompts.Calls.size(), 1u);
  EXPECT_EQ(prompts.Calls[0].Text, "This is Older Skin File\rPlease update to new version !");
}

TEST(QuickIni, FollowsTheSkinRules) {
  static const char kText[] =
      "Orphan=5\r\n; [Hidden]\r\n  [Colors]  \r\n; Face=9\r\nFace = 0x1F\nface=1\rEmpty=\r\n"
      "Empty=7\r\nZero=0x\r\nDollar=$10\r\nPlain\r\n[Other]\r\nKey= v w \r\n"
      "\0[After]\r\nA=1\r\n";
  TQuickIni ini;
  ini.LoadFromStream(std::string_view(kText, sizeof(kText) - 1));
  EXPECT_EQ(ini.ReadSections(), QStringList({"Colors", "Other"}));
  const struct {
    const char *Section, *Key;
    int Expected;
  } ints[] = {{"colors", "FACE", 31}, {"Colors", "Empty", -1}, {"Colors", "Zero", -1},
              {"Colors", "Dollar", 16}, {"Colors", "Orphan", -1}, {"Colors", "Key", -1},
              {"After", "A", -1}, {"Missing", "Face", -1}, {"Hidden", "Face", -1}};
  for (const auto& c : ints)
    EXPECT_EQ(ini.ReadInteger(c.Section, c.Key, -1), c.Expected) << c.Section << "/" << c.Key;
  EXPECT_EQ(ini.ReadString("Colors", "Plain", "d"), "d");
  EXPECT_EQ(ini.ReadString("OTHER", "key", "d"), "v w");
  ini.LoadFromStream("[New]\r\nA=1");
  EXPECT_EQ(ini.ReadSections(), QStringList{"New"});
  EXPECT_EQ(ini.ReadInteger("Colors", "Dollar", -1), -1);
}
