// The components' property stream: values come back as written, byte
// blocks byte for byte, and damaged streams are refused.
#include "skinlib/manager/PropertyStream.h"

#include <gtest/gtest.h>

namespace {

std::string Sample() {
  TacPropertyWriter w;
  w.WriteInteger("Width", -48);
  w.WriteString("Name", QStringLiteral("图片"));
  w.BeginCollection("Items", 2);
  w.WriteBinary("ImgData", std::string("\x00\xFF\x01", 3));
  w.EndItem();
  w.BeginCollection("Nested", 1);
  w.WriteInteger("Deep", 7);
  w.EndItem();
  w.EndItem();
  w.WriteBinary("Empty", "");
  w.EndList();
  return w.Bytes();
}

}  // namespace

TEST(PropertyStream, ValuesComeBackAsWritten) {
  const std::string bytes = Sample();
  TacPropertyReader r(bytes);
  std::string name;
  TacPropertyReader::Kind kind;
  ASSERT_TRUE(r.NextProperty(name, kind));
  EXPECT_EQ(name, "Width");
  EXPECT_EQ(r.ReadInteger(), -48);
  ASSERT_TRUE(r.NextProperty(name, kind));
  EXPECT_EQ(kind, TacPropertyReader::Kind::String);
  EXPECT_EQ(r.ReadString(), QStringLiteral("图片"));
  ASSERT_TRUE(r.NextProperty(name, kind));
  ASSERT_EQ(kind, TacPropertyReader::Kind::Collection);
  ASSERT_EQ(r.ReadCollection(), 2u);
  ASSERT_TRUE(r.NextProperty(name, kind));
  EXPECT_EQ(r.ReadBinary(), std::string("\x00\xFF\x01", 3));
  EXPECT_FALSE(r.NextProperty(name, kind));  // end of the first item
  ASSERT_TRUE(r.NextProperty(name, kind));
  EXPECT_EQ(name, "Nested");
  r.SkipValue(kind);                         // a collection skipped whole
  EXPECT_FALSE(r.NextProperty(name, kind));  // end of the second item
  ASSERT_TRUE(r.NextProperty(name, kind));
  EXPECT_EQ(r.ReadBinary(), "");
  EXPECT_FALSE(r.NextProperty(name, kind));
  r.ExpectEnd();
}

TEST(PropertyStream, DamageIsRefused) {
  const std::string good = Sample();
  auto readAll = [](const std::string& bytes) {
    TacPropertyReader r(bytes);
    std::string name;
    TacPropertyReader::Kind kind;
    while (r.NextProperty(name, kind)) r.SkipValue(kind);
    r.ExpectEnd();
  };
  EXPECT_NO_THROW(readAll(good));
  std::string hugeCount = good;
  hugeCount[good.find("Items") + 5 + 1 + 3] = '\x7F';  // the item count's last byte
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"no mark", "ACPX" + good.substr(4)},
      {"cut in a value", good.substr(0, good.size() - 4)},
      {"cut before the end", good.substr(0, good.size() - 1)},
      {"bytes after the end", good + "x"},
      {"an unknown kind", std::string("ACPS\x01" "aZ", 7)},
      {"a text longer than the data", std::string("ACPS\x01" "aS\xFF\xFF\xFF\x7F", 11)},
      {"more items than bytes", hugeCount},
  };
  for (const Case& c : cases) EXPECT_THROW(readAll(c.bytes), EPropertyStreamError) << c.name;
}
