#include "DelphiRtl.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace platform {

int64_t DelphiRound(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
  if (value <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
  // nearbyint under the default rounding mode (to nearest, ties to even).
  return static_cast<int64_t>(std::nearbyint(value));
}

std::string FormatFloat(std::string_view pattern, double value) {
  // Split the pattern into what stands before the first digit place, the
  // digit places and what follows them.
  size_t first = pattern.find_first_of("0#.");
  if (first == std::string_view::npos) return std::string(pattern);
  size_t last = pattern.find_last_of("0#.");
  std::string_view prefix = pattern.substr(0, first);
  std::string_view body = pattern.substr(first, last - first + 1);
  std::string_view suffix = pattern.substr(last + 1);

  size_t dot = body.find('.');
  std::string_view intPart = body.substr(0, dot);
  std::string_view fracPart = dot == std::string_view::npos ? std::string_view() : body.substr(dot + 1);
  int minInt = 0;
  for (char c : intPart)
    if (c == '0') ++minInt;
  int maxFrac = 0, minFrac = 0;
  for (size_t i = 0; i < fracPart.size(); ++i) {
    if (fracPart[i] == '0' || fracPart[i] == '#') {
      ++maxFrac;
      if (fracPart[i] == '0') minFrac = maxFrac;
    }
  }

  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");

  // The value's 18 significant decimal digits, as the old runtime saw them.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17Le", static_cast<long double>(value));
  std::string s(buf);
  bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  size_t ePos = s.find('e');
  int exp10 = std::atoi(s.c_str() + ePos + 1);
  std::string digits;
  for (size_t i = 0; i < ePos; ++i)
    if (s[i] != '.') digits.push_back(s[i]);
  // digits[0] has weight 10^exp10. Keep the digits down to 10^-maxFrac.
  int keep = exp10 + 1 + maxFrac;  // number of digits kept
  std::string kept;
  if (keep < 0) {
    kept = "";
  } else {
    bool roundUp = keep < static_cast<int>(digits.size()) && digits[keep] >= '5';
    kept = digits.substr(0, std::min<size_t>(keep, digits.size()));
    kept.resize(keep, '0');
    if (roundUp) {
      int i = keep - 1;
      for (; i >= 0; --i) {
        if (kept[i] == '9') {
          kept[i] = '0';
        } else {
          ++kept[i];
          break;
        }
      }
      if (i < 0) {
        kept.insert(kept.begin(), '1');
        ++exp10;
      }
    }
  }
  // kept now holds the rounded value times 10^maxFrac as an integer text.
  std::string fixed = kept.empty() ? "0" : kept;
  if (static_cast<int>(fixed.size()) <= maxFrac) fixed.insert(0, maxFrac + 1 - fixed.size(), '0');
  std::string intDigits = fixed.substr(0, fixed.size() - maxFrac);
  std::string fracDigits = fixed.substr(fixed.size() - maxFrac);
  size_t nz = intDigits.find_first_not_of('0');
  intDigits = nz == std::string::npos ? "" : intDigits.substr(nz);
  while (static_cast<int>(fracDigits.size()) > minFrac && fracDigits.back() == '0') fracDigits.pop_back();
  if (static_cast<int>(intDigits.size()) < minInt) intDigits.insert(0, minInt - intDigits.size(), '0');

  bool isZero = intDigits.find_first_not_of('0') == std::string::npos &&
                fracDigits.find_first_not_of('0') == std::string::npos;
  std::string out(prefix);
  if (negative && !isZero) out.push_back('-');
  out += intDigits;
  if (!fracDigits.empty()) {
    out.push_back('.');
    out += fracDigits;
  }
  out += suffix;
  return out;
}

bool TryStrToInt(std::string_view text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  // Hex texts may fill all 32 bits ($FFFFFFFF = -1), decimal ones may not.
  uint64_t acc = 0;
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
  for (; i < text.size(); ++i) {
    char c = text[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    acc = acc * base + d;
    if (acc > limit) return false;
  }
  uint32_t bits = static_cast<uint32_t>(acc);
  if (negative) bits = 0u - bits;
  value = static_cast<int32_t>(bits);
  return true;
}

int32_t StrToInt(std::string_view text) {
  int32_t v;
  if (!TryStrToInt(text, v)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return v;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  int32_t v;
  return TryStrToInt(text, v) ? v : fallback;
}

int32_t Div(int32_t a, int32_t b) {
  if (b == 0) throw std::domain_error("Division by zero");
  if (b == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(a));  // INT_MIN div -1 wraps
  return a / b;
}

int32_t Mod(int32_t a, int32_t b) {
  if (b == 0) throw std::domain_error("Division by zero");
  if (b == -1) return 0;
  return a % b;
}

}  // namespace platform
