#include "platform/Encoding.h"

#include <gtest/gtest.h>

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

TEST(Cp936, BadBytesDecodeToReplacementAndKeepWhatFollows) {
  // 0x81 is a lead byte; followed by a blank it is not a character.
  EXPECT_EQ(Cp936ToUtf8("\x81 ok"), "\xEF\xBF\xBD ok");
  EXPECT_EQ(Cp936ToUtf8("abc\x81"), "abc\xEF\xBF\xBD");
}
