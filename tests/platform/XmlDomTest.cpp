#include "platform/XmlDom.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>

#include <unistd.h>

using platform::XmlDocument;
using platform::XmlElement;

TEST(XmlDom, WhatIsNoDocumentIsRefusedQuietly) {
  // Whatever libxml2 would print goes to a file instead of the error output.
  std::fflush(stderr);
  const int saved = ::dup(2);
  std::FILE* printed = std::tmpfile();
  ::dup2(::fileno(printed), 2);
  for (const char* bytes : {"", "not xml", "<a><b></a>", "<a/><b/>", "<a>\xFF</a>",
                            "<?xml version=\"1.0\" encoding=\"GB2312\"?><a>\x81</a>",
                            "<?xml version=\"1.0\" encoding=\"NO-SUCH\"?><a/>"}) {
    XmlDocument doc;
    doc.SetRoot("old");
    std::string error;
    EXPECT_FALSE(doc.Parse(bytes, nullptr, &error)) << bytes;
    // libxml2's own reason (for the log), on one line.
    EXPECT_TRUE(!error.empty() && std::isalpha(static_cast<unsigned char>(error[0])) &&
                error != "not a well-formed XML document" && error.find('\n') == std::string::npos)
        << error;
    EXPECT_FALSE(doc.Root()) << "a failed parse leaves no document: " << bytes;
  }
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  EXPECT_EQ(std::ftell(printed), 0);
  std::fclose(printed);
}

TEST(XmlDom, ChildrenAreElementsAndTextIsTheirOwn) {
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse("<r>\n  <!-- note --> <a>x<![CDATA[<y>]]>z<i>no</i></a>\n<?pi?><b/><a>2</a></r>"));
  XmlElement a = doc.Root().FirstChild(), b = a.NextSibling();
  EXPECT_EQ(std::tuple(a.Name(), a.Text(), b.Name(), b.NextSibling().Text(), doc.Root().Child("b").Name()),
            std::tuple("a", "x<y>z", "b", "2", "b"));
  EXPECT_FALSE(b.HasText() || b.Child("none").HasText() || b.NextSibling().NextSibling());
  EXPECT_FALSE(doc.Root().Child("i")) << "only direct children";
}

TEST(XmlDom, EntitiesAreNeitherFetchedNorExpanded) {
  testsupport::TempDir dir;
  dir.Write("secret.txt", "SECRET");
  const std::string bytes = "<!DOCTYPE r [<!ENTITY file SYSTEM \"file://" + dir.File("secret.txt") +
                            "\"><!ENTITY in \"inner\">]><r><a>&file;</a><b>&in;</b></r>";
  XmlDocument doc;
  EXPECT_TRUE(!doc.Parse(bytes) || (doc.Root().Child("a").Text().empty() && doc.Root().Child("b").Text().empty()));
  EXPECT_EQ(doc.Serialize().find("SECRET"), std::string::npos);
}

TEST(XmlDom, Gb2312DocumentsAreWrittenAndReadAsGbk) {
  XmlDocument doc;
  doc.New("1.0", "GB2312");
  doc.SetRoot("r").AppendChild("c", "号码");
  const std::string bytes = doc.Serialize();
  EXPECT_EQ(bytes, "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<r><c>\xBA\xC5\xC2\xEB</c></r>\n");
  // 镕 (E9 46) is GBK, not GB2312.
  XmlDocument gbk;
  ASSERT_TRUE(gbk.Parse("<?xml version=\"1.0\" encoding=\"gb2312\"?><r>\xBA\xC5\xE9\x46</r>"));
  EXPECT_EQ(gbk.Root().Text(), "号镕");
}

TEST(XmlDom, NothingIsWrittenWithoutBytes) {
  testsupport::TempDir dir;
  XmlDocument doc;
  std::string error;
  EXPECT_FALSE(doc.Save(dir.File("none.xml"), &error));
  doc.New("1.0", "NO-SUCH");
  doc.SetRoot("r");
  EXPECT_FALSE(doc.Save(dir.File("bad.xml"), &error) || error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.xml")) || std::filesystem::exists(dir.File("bad.xml")));
}
