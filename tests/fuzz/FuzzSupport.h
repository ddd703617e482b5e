// What the fuzz targets share: reading the input in pieces, and the check
// that turns a broken property into a finding.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace fuzz {

// A broken property: print it and abort, which both libFuzzer and the
// replay driver report as a failure of the input.
[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(cond)                                  \
  do {                                                    \
    if (!(cond)) ::fuzz::Fail(#cond, __FILE__, __LINE__); \
  } while (0)

// The input, taken from the front.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  explicit Input(std::string_view bytes) : rest_(bytes) {}

  bool Empty() const { return rest_.empty(); }
  // One byte (0 when none is left).
  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const uint8_t b = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  // A value built from the next sizeof(T) bytes (zeros past the end).
  template <class T>
  T Value() {
    unsigned char bytes[sizeof(T)] = {};
    const size_t n = std::min(sizeof(T), rest_.size());
    std::memcpy(bytes, rest_.data(), n);
    rest_.remove_prefix(n);
    T v;
    std::memcpy(&v, bytes, sizeof(T));
    return v;
  }
  // The text up to the next `separator` (which is dropped), or all the rest.
  std::string_view Until(char separator) {
    const size_t at = rest_.find(separator);
    const std::string_view part = rest_.substr(0, at);
    rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
    return part;
  }
  std::string_view Rest() {
    const std::string_view all = rest_;
    rest_ = {};
    return all;
  }

 private:
  std::string_view rest_;
};

}  // namespace fuzz
