#include "platform/DelphiRtl.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;

TEST(DelphiRound, HalvesGoToTheEvenNeighbourAndFarOutSaturates) {
  for (auto [value, rounded] : std::vector<std::pair<double, int64_t>>{
           {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.5000001, 3},
           {-2.4999999, -2}, {1e30, INT64_MAX}, {-1e30, INT64_MIN}, {NAN, 0}})
    EXPECT_EQ(DelphiRound(value), rounded) << value;
}

// The last place rounds half away from zero on the value's decimal digits;
// '0' places are always written, '#' places only when needed, anything
// else stands as it is; a zero has no sign.
TEST(FormatFloat, PlacesRoundingAndSigns) {
  for (auto [pattern, value, text] : std::vector<std::tuple<const char*, double, const char*>>{
           {"0.00", 0, "0.00"},          {"0.00", 1.005, "1.00"},  // 1.00499999999999989... in binary
           {"0.00", 0.125, "0.13"},      {"0.00", -0.125, "-0.13"},  // exactly representable: away from zero
           {"0.00", 12.3456, "12.35"},   {"0.00", 99.999, "100.00"},     {"0.00", 0.005, "0.01"},
           {"0.00", 0.0049, "0.00"},     {"0.00", 1234567.891, "1234567.89"}, {"0.00", -0.001, "0.00"},
           {"0", -0.4, "0"},             {"0", 2.5, "3"},                {"0.##", 1.5, "1.5"},
           {"0.##", 2.0, "2"},           {"#.00", 0.5, ".50"},           {"0.00%", 0.25, "0.25%"},
           {"00.0", 0.05, "00.1"},       {"#.#", 0.04, ""},              {"0.000", 0.0005, "0.001"},
           {"共0.0元", 9.96, "共10.0元"}, {"no places", 5, "no places"}, {"0", INFINITY, "INF"},
           {"0", -INFINITY, "-INF"},     {"0", NAN, "NAN"}})
    EXPECT_EQ(FormatFloat(pattern, value), text) << pattern << " " << value;
}

TEST(StrToInt, ReadsSignedDecimalAndHexWithinThirtyTwoBits) {
  for (auto [text, value] : std::vector<std::pair<const char*, int32_t>>{
           {"42", 42}, {"-42", -42}, {"+7", 7}, {"  12", 12}, {"\t3", 3}, {"$FF", 255}, {"$ff", 255}, {"-$10", -16},
           {"0x1A", 26}, {"0X1a", 26}, {"$FFFFFFFF", -1}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}}) {
    EXPECT_EQ(StrToInt(text), value) << text;
    EXPECT_EQ(StrToIntDef(text, -99), value) << text;
  }
  for (const char* bad : {"", " ", "-", "$", "0x", "12 ", "1.5", "abc", "12a", "$G", "0xg", "2147483648",
                          "-2147483649", "$100000000", "--1"}) {
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
  for (auto [a, b, div, mod] : std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>>{
           {7, 2, 3, 1}, {-7, 2, -3, -1}, {7, -2, -3, 1}, {-7, -2, 3, -1}, {INT32_MIN, -1, INT32_MIN, 0}}) {
    EXPECT_EQ(Div(a, b), div) << a << " / " << b;
    EXPECT_EQ(Mod(a, b), mod) << a << " % " << b;
  }
  EXPECT_THROW(Div(1, 0), std::domain_error);
  EXPECT_THROW(Mod(1, 0), std::domain_error);
}
