#include "engine/uBaseFunc.h"

#include "platform/Encoding.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace {

// Products are formed in 128 bits: every factorial the engine can ask for
// (up to 33!) fits, so the result is exact wherever it fits in 64 bits.
// Past 2^100 the product is saturated (it no longer fits the result anyway).
__int128 FallingProduct(int32_t k, int32_t n) {
  constexpr __int128 cap = static_cast<__int128>(1) << 100;
  __int128 r = 1;
  for (int32_t i = 0; i < k; ++i) {
    r *= static_cast<__int128>(n) - i;
    if (r > cap) return cap;
    if (r < -cap) return -cap;
    if (r == 0) return 0;
  }
  return r;
}

int64_t Narrow(__int128 v) {
  constexpr __int128 hi = INT64_MAX, lo = INT64_MIN;
  return static_cast<int64_t>(v > hi ? hi : (v < lo ? lo : v));
}

}  // namespace

int64_t Factorial(int32_t n) {
  if (n < 1) return 1;
  return Narrow(FallingProduct(n, n));
}

int64_t FallingFactorial(int32_t k, int32_t n) {
  if (k < 1) return 1;
  return Narrow(FallingProduct(k, n));
}

int64_t Combination(int32_t k, int32_t n) {
  if (k < 1) return 1;
  if (n >= 0 && n < k) return 0;
  // C(n, k) = C(n, n-k) keeps the products small for large k.
  if (n >= 0 && k > n - k) k = n - k;
  if (k < 1) return 1;
  return Narrow(FallingProduct(k, n) / FallingProduct(k, k));
}

void CopyIntAry(const TIntAry& src, TIntAry& dst) { dst = src; }

std::string JoinIntAry(const TIntAry& values, const std::string& separator) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) text += separator;
    text += std::to_string(values[i]);
  }
  return text;
}

void JoinIntAry(const TIntAry& values, const std::string& separator, std::string& text) {
  text = JoinIntAry(values, separator);
}

std::string HashPassword(const std::string& password) {
  std::string bytes = platform::Utf8ToCp936(password);
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), md, &len, EVP_md5(), nullptr) != 1)
    throw std::runtime_error("MD5 digest failed");
  static const char hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(len * 2);
  for (unsigned int i = 0; i < len; ++i) {
    out.push_back(hex[md[i] >> 4]);
    out.push_back(hex[md[i] & 15]);
  }
  return out;
}

void HashPassword(const std::string& password, std::string& digest) { digest = HashPassword(password); }
