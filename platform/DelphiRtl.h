// The few runtime rules of the old program that its numbers depend on.
//
// Results shown to the user were rounded and formatted by these rules; the
// program keeps them so that its figures stay the same.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// Raised by StrToInt for text that is not a 32-bit integer.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Round to the nearest integer, halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). Values beyond the 64-bit range saturate.
int64_t DelphiRound(double value);

// Formats like FormatFloat with a pattern of '0' and '#' digit places and an
// optional '.' ("0", "0.00", "#0.0#", "0.###"): '0' places are always written,
// '#' places only when needed; the last place is rounded half away from zero
// on the value's 18 significant digits. A result that rounds to zero has no
// minus sign. Other pattern characters are copied as they stand.
std::string FormatFloat(std::string_view pattern, double value);

// Text to 32-bit integer: optional blanks before, an optional sign, then
// decimal digits or "$"/"0x" and hex digits; nothing after. Throws
// EConvertError ("'abc' is not a valid integer value") otherwise or on overflow.
int32_t StrToInt(std::string_view text);

// As StrToInt, giving `fallback` instead of throwing.
int32_t StrToIntDef(std::string_view text, int32_t fallback);

// Reads like StrToInt; false when the text is not an integer.
bool TryStrToInt(std::string_view text, int32_t& value);

// Integer division and remainder truncating towards zero (-7 div 2 = -3,
// -7 mod 2 = -1); a zero divisor throws std::domain_error instead of trapping.
int32_t Div(int32_t a, int32_t b);
int32_t Mod(int32_t a, int32_t b);

}  // namespace platform
