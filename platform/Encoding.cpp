#include "Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace platform {
namespace {

// iconv descriptors carry shift state, so each conversion opens its own; the
// cost is small next to the file or network work around every call.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts one step; returns false when the input at *in cannot be converted
  // (invalid or unrepresentable) and leaves *in there.
  bool Step(const char*& in, size_t& inLeft, std::string& out) {
    char buf[256];
    while (inLeft > 0) {
      char* outPtr = buf;
      size_t outLeft = sizeof buf;
      size_t rc = iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
      out.append(buf, static_cast<size_t>(outPtr - buf));
      if (rc == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        return false;
      }
    }
    return true;
  }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence that starts with byte c; 1 for a stray byte.
size_t Utf8SeqLen(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF4) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC2) return 2;
  return 1;
}

}  // namespace

std::string Utf8ToCp936(std::string_view utf8) {
  Iconv cv("CP936", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  const char* in = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    if (cv.Step(in, left, out)) break;
    // Skip the one character iconv refused and stand '?' for it.
    size_t skip = Utf8SeqLen(static_cast<unsigned char>(*in));
    if (skip > left) skip = left;
    in += skip;
    left -= skip;
    out.push_back('?');
    cv.Reset();
  }
  return out;
}

std::string Cp936ToUtf8(std::string_view cp936) {
  Iconv cv("UTF-8", "CP936");
  std::string out;
  out.reserve(cp936.size() * 3 / 2);
  const char* in = cp936.data();
  size_t left = cp936.size();
  while (left > 0) {
    if (cv.Step(in, left, out)) break;
    // A lead byte followed by a bad trail byte: drop the lead byte only, so the
    // trail (often plain ASCII) survives.
    ++in;
    --left;
    out.append("\xEF\xBF\xBD");
    cv.Reset();
  }
  return out;
}

}  // namespace platform
