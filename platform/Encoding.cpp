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

// The bytes one '?' stands for where iconv refuses the UTF-8 at `in`: a
// whole character CP936 lacks, or the longest start of a well-formed
// sequence there (at least one byte), so that whatever follows a truncated
// sequence, a line break say, is decoded again.
size_t RefusedLength(const char* in, size_t left) {
  const auto at = [in](size_t i) { return static_cast<unsigned char>(in[i]); };
  const unsigned char lead = at(0);
  size_t length = 1;
  unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  }
  size_t n = 1;
  for (; n < length && n < left; ++n) {
    const unsigned char c = at(n);
    if (n == 1 ? (c < lo || c > hi) : (c < 0x80 || c > 0xBF)) break;
  }
  return n;
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
    const size_t skip = RefusedLength(in, left);
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
