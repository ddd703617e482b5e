#include "platform/DelphiRtl.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(DelphiRound, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(DelphiRound(0.5), 0);
  EXPECT_EQ(DelphiRound(1.5), 2);
  EXPECT_EQ(DelphiRound(2.5), 2);
  EXPECT_EQ(DelphiRound(3.5), 4);
  EXPECT_EQ(DelphiRound(-0.5), 0);
  EXPECT_EQ(DelphiRound(-1.5), -2);
  EXPECT_EQ(DelphiRound(-2.5), -2);
  EXPECT_EQ(DelphiRound(2.5000001), 3);
  EXPECT_EQ(DelphiRound(-2.4999999), -2);
  EXPECT_EQ(DelphiRound(1e30), INT64_MAX);
}

TEST(FormatFloat, FixedDecimalsRoundHalfAwayFromZero) {
  EXPECT_EQ(FormatFloat("0.00", 0), "0.00");
  EXPECT_EQ(FormatFloat("0.00", 1.005), "1.00");  // 1.00499999999999989... in binary
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");  // exactly representable: away from zero
  EXPECT_EQ(FormatFloat("0.00", -0.125), "-0.13");
  EXPECT_EQ(FormatFloat("0.00", 12.3456), "12.35");
  EXPECT_EQ(FormatFloat("0.00", 99.999), "100.00");
  EXPECT_EQ(FormatFloat("0.00", 0.005), "0.01");
  EXPECT_EQ(FormatFloat("0.00", 0.0049), "0.00");
  EXPECT_EQ(FormatFloat("0.00", 1234567.891), "1234567.89");
}

TEST(FormatFloat, ZeroHasNoSignAndOptionalPlacesDropTrailingZeros) {
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
  EXPECT_EQ(FormatFloat("0", -0.4), "0");
  EXPECT_EQ(FormatFloat("0", 2.5), "3");
  EXPECT_EQ(FormatFloat("0.##", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("0.##", 2.0), "2");
  EXPECT_EQ(FormatFloat("#.00", 0.5), ".50");
  EXPECT_EQ(FormatFloat("0.00%", 0.25), "0.25%");
}

TEST(StrToInt, AcceptsSignDecimalAndHex) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("-42"), -42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("  12"), 12);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("0x1A"), 26);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RejectsWhatIsNotAWholeInteger) {
  for (const char* bad : {"", " ", "-", "$", "12 ", "1.5", "abc", "12a", "2147483648", "$100000000", "--1"}) {
    EXPECT_THROW(StrToInt(bad), EConvertError) << '"' << bad << '"';
    EXPECT_EQ(StrToIntDef(bad, -99), -99) << '"' << bad << '"';
  }
  try {
    StrToInt("abc");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(DivMod, TruncateTowardsZero) {
  EXPECT_EQ(Div(7, 2), 3);
  EXPECT_EQ(Div(-7, 2), -3);
  EXPECT_EQ(Div(7, -2), -3);
  EXPECT_EQ(Mod(-7, 2), -1);
  EXPECT_EQ(Mod(7, -2), 1);
  EXPECT_EQ(Div(INT32_MIN, -1), INT32_MIN);
  EXPECT_EQ(Mod(INT32_MIN, -1), 0);
  EXPECT_THROW(Div(1, 0), std::domain_error);
  EXPECT_THROW(Mod(1, 0), std::domain_error);
}
