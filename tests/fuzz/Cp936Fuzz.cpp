// CP936 text from files and the data service, and UTF-8 text on its way
// out: both conversions over any bytes.
#include "FuzzSupport.h"

#include "platform/Encoding.h"

#include <algorithm>

namespace {

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    size_t n = 1;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    else return false;
    if (i + n > s.size() || b(1) < lo || b(1) > hi) return false;
    for (size_t k = 2; k < n; ++k)
      if (b(k) < 0x80 || b(k) > 0xBF) return false;
    i += n;
  }
  return true;
}

size_t Count(std::string_view s, char c) { return static_cast<size_t>(std::count(s.begin(), s.end(), c)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::string utf8 = platform::Cp936ToUtf8(bytes);
  FUZZ_CHECK(IsUtf8(utf8));
  // ASCII is ASCII in both: no control character comes or goes.
  FUZZ_CHECK(Count(utf8, '\n') == Count(bytes, '\n'));

  const std::string cp936 = platform::Utf8ToCp936(bytes);
  // A character takes at most as many bytes in CP936 as in UTF-8, and a
  // malformed sequence becomes one '?'.
  FUZZ_CHECK(cp936.size() <= bytes.size());
  // Line breaks survive whatever surrounds them, so a settings line never
  // swallows the next one.
  FUZZ_CHECK(Count(cp936, '\n') == Count(bytes, '\n'));
  FUZZ_CHECK(Count(cp936, '\r') == Count(bytes, '\r'));
  // Well-formed text comes back as it was, but for what CP936 lacks.
  if (IsUtf8(bytes)) {
    const std::string back = platform::Cp936ToUtf8(cp936);
    FUZZ_CHECK(IsUtf8(back));
    FUZZ_CHECK(Count(back, '?') >= Count(bytes, '?'));
  }
  return 0;
}
