// The old runtime's number rules over text and values from files and the
// data service: integer text, rounding and formatting.
#include "FuzzSupport.h"

#include "platform/DelphiRtl.h"

#include <cmath>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const double value = in.Value<double>();
  const std::string pattern(in.Until('\n'));
  const std::string text(in.Rest());

  // The three integer readers agree.
  int32_t tried = 0;
  const bool ok = platform::TryStrToInt(text, tried);
  int32_t read = 0;
  FUZZ_CHECK(ok != fuzz::Raises<platform::EConvertError>([&] { read = platform::StrToInt(text); }));
  if (ok) {
    FUZZ_CHECK(read == tried);
    FUZZ_CHECK(platform::StrToIntDef(text, tried ^ 1) == tried);
    // Written back in decimal, the value reads the same.
    FUZZ_CHECK(platform::StrToInt(std::to_string(tried)) == tried);
  } else {
    FUZZ_CHECK(platform::StrToIntDef(text, 7) == 7);
  }

  // Rounding: the nearest integer, halves to even; saturated far out.
  const int64_t r = platform::DelphiRound(value);
  if (std::isfinite(value) && std::fabs(value) < 1e15) {
    FUZZ_CHECK(std::fabs(static_cast<double>(r) - value) <= 0.5);
    if (std::fabs(static_cast<double>(r) - value) == 0.5) FUZZ_CHECK(r % 2 == 0);
  }

  // Formatting any pattern and any value is text, never a crash.
  const std::string formatted = platform::FormatFloat(pattern.substr(0, 64), value);
  if (pattern == "0" && std::isfinite(value) && std::fabs(value) < 1e9) {
    // Whole numbers round half away from zero.
    int32_t back = 0;
    FUZZ_CHECK(platform::TryStrToInt(formatted, back));
    FUZZ_CHECK(std::fabs(back - value) <= 0.5 + 1e-9);
  }
  return 0;
}
