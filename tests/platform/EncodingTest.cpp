#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <utility>

using namespace platform;

TEST(Cp936, ChineseTextRoundTrips) {
  const std::string text = "双色球 号码缩水 ABC123";
  std::string bytes = Utf8ToCp936(text);
  // 双 is CB AB in GBK; every Han character takes two bytes.
  EXPECT_EQ(bytes.substr(0, 2), "\xCB\xAB");
  EXPECT_EQ(bytes.size(), 3u * 2 + 1 + 4 * 2 + 1 + 6);
  EXPECT_EQ(Cp936ToUtf8(bytes), text);
}

TEST(Cp936, WhatCp936LacksBecomesQuestionMark) {
  EXPECT_EQ(Utf8ToCp936("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToCp936("x\xFFy"), "x?y");           // malformed UTF-8
  EXPECT_EQ(Utf8ToCp936("\xE4\xB8"), "?");           // truncated sequence at the end
  EXPECT_EQ(Utf8ToCp936(""), "");
}

TEST(Cp936, EachMalformedSequenceBecomesOneQuestionMarkAndWhatFollowsStays) {
  const std::pair<const char*, const char*> cases[] = {
      {"abc\xE4\r\n[MA]", "abc?\r\n[MA]"},  // a lone lead byte before a line break
      {"\xE4\xB8x", "?x"},                  // two bytes of three
      {"\xF0\x9F\x98z", "?z"},              // three bytes of four
      {"\xED\xA0\x80", "???"},              // a surrogate: no well-formed start
      {"\xC0\x80", "??"},                    // an overlong form
      {"\xE4\xB8\xAD", "\xD6\xD0"},          // whole: 中
      {"\xF0\x9F\xBFz", "?z"},              // three of four, one the highest continuation byte
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Utf8ToCp936(in), out) << in;
}

TEST(Cp936, BadBytesDecodeToReplacementAndKeepWhatFollows) {
  // 0x81 is a lead byte; followed by a blank it is not a character.
  EXPECT_EQ(Cp936ToUtf8("\x81 ok"), "\xEF\xBF\xBD ok");
  EXPECT_EQ(Cp936ToUtf8("abc\x81"), "abc\xEF\xBF\xBD");
  EXPECT_EQ(Cp936ToUtf8("\x81!"), "\xEF\xBF\xBD!") << "the last byte after the lead";
}
