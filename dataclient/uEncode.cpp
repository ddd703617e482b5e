#include "dataclient/uEncode.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Bn = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
using BnCtx = std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)>;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes written by pairs of hexadecimal digits; a lone last digit is
// ignored.
std::string HexPairsToBytes(std::string_view hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t p = 0; p + 1 < hex.size(); p += 2)
    bytes.push_back(static_cast<char>(HexToInt(hex.substr(p, 2))));
  return bytes;
}

Bn HexToBn(std::string_view hex, const char* what) {
  for (char c : hex)
    if (HexDigit(c) < 0) throw ERsaError(std::string("RSA: the ") + what + " is not hexadecimal");
  std::string text(hex);
  BIGNUM* v = nullptr;
  if (text.empty() || !BN_hex2bn(&v, text.c_str()))
    throw ERsaError(std::string("RSA: the ") + what + " is empty");
  return Bn(v, &BN_free);
}

// The key and the block length in bytes; the modulus must fit the key size
// and be large enough to carry a padded block.
struct RsaKey {
  Bn Modulus{nullptr, &BN_free};
  Bn Exponent{nullptr, &BN_free};
  int BlockBytes = 0;
};

RsaKey MakeKey(std::string_view modulusHex, std::string_view exponentHex, int keySize) {
  RsaKey key;
  key.Modulus = HexToBn(modulusHex, "modulus");
  key.Exponent = HexToBn(exponentHex, "exponent");
  int bits = keySize == 0 ? 128 : keySize;
  if (bits < 96 || bits % 8 != 0) throw ERsaError("RSA: unsupported key size");
  key.BlockBytes = bits / 8;
  int modulusBits = BN_num_bits(key.Modulus.get());
  if (modulusBits > bits || modulusBits <= bits - 8)
    throw ERsaError("RSA: the modulus does not match the key size");
  if (BN_is_zero(key.Exponent.get())) throw ERsaError("RSA: the exponent is zero");
  return key;
}

// One block raised to the exponent, as BlockBytes big-endian bytes.
Bytes Apply(const RsaKey& key, const unsigned char* block, BN_CTX* ctx) {
  Bn m(BN_bin2bn(block, key.BlockBytes, nullptr), &BN_free);
  Bn c(BN_new(), &BN_free);
  if (!m || !c) throw ERsaError("RSA: out of memory");
  if (BN_cmp(m.get(), key.Modulus.get()) >= 0)
    throw ERsaError("RSA: a block is not below the modulus");
  if (!BN_mod_exp(c.get(), m.get(), key.Exponent.get(), key.Modulus.get(), ctx))
    throw ERsaError("RSA: modular exponentiation failed");
  Bytes out(static_cast<size_t>(key.BlockBytes));
  if (BN_bn2binpad(c.get(), out.data(), key.BlockBytes) != key.BlockBytes)
    throw ERsaError("RSA: a block does not fit the key size");
  return out;
}

std::string Base64Encode(const Bytes& data) {
  std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data.data(),
                          static_cast<int>(data.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

Bytes Base64Decode(std::string_view text) {
  std::string clean;
  for (char c : text)
    if (c != '\r' && c != '\n' && c != ' ' && c != '\t') clean.push_back(c);
  if (clean.size() % 4 != 0) throw ERsaError("RSA: the cipher text is not Base64");
  Bytes out(clean.size() / 4 * 3 + 1);
  int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(clean.data()),
                          static_cast<int>(clean.size()));
  if (n < 0) throw ERsaError("RSA: the cipher text is not Base64");
  size_t padding = 0;
  for (size_t i = clean.size(); i > 0 && clean[i - 1] == '=' && padding < 2; --i) ++padding;
  out.resize(static_cast<size_t>(n) - padding);
  return out;
}

}  // namespace

std::string StrToHex(std::string_view text) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char c : text) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

int32_t HexToInt(std::string_view text) {
  uint32_t value = 0;
  for (char c : text) {
    int d = HexDigit(c);
    if (d < 0) throw EHexError();
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return static_cast<int32_t>(value);
}

std::string RsaEncryptToHex(std::string_view plain, std::string_view modulusHex,
                            std::string_view exponentHex, int keySize) {
  RsaKey key = MakeKey(modulusHex, exponentHex, keySize);
  BnCtx ctx(BN_CTX_new(), &BN_CTX_free);
  const size_t k = static_cast<size_t>(key.BlockBytes), room = k - 11;
  Bytes cipher;
  size_t pos = 0;
  do {
    size_t len = std::min(room, plain.size() - pos);
    // 00 02, at least eight random non-zero bytes, 00, the chunk.
    Bytes block(k, 0);
    block[1] = 2;
    size_t padEnd = k - 1 - len;
    if (RAND_bytes(block.data() + 2, static_cast<int>(padEnd - 2)) != 1)
      throw ERsaError("RSA: no random bytes");
    for (size_t i = 2; i < padEnd; ++i)
      while (block[i] == 0)
        if (RAND_bytes(&block[i], 1) != 1) throw ERsaError("RSA: no random bytes");
    block[padEnd] = 0;
    std::copy(plain.begin() + static_cast<ptrdiff_t>(pos),
              plain.begin() + static_cast<ptrdiff_t>(pos + len),
              block.begin() + static_cast<ptrdiff_t>(padEnd + 1));
    Bytes c = Apply(key, block.data(), ctx.get());
    cipher.insert(cipher.end(), c.begin(), c.end());
    pos += len;
  } while (pos < plain.size());
  return StrToHex(Base64Encode(cipher));
}

std::string RsaDecryptFromHex(std::string_view hexText, std::string_view modulusHex,
                              std::string_view exponentHex, int keySize) {
  RsaKey key = MakeKey(modulusHex, exponentHex, keySize);
  std::string base64;
  try {
    base64 = HexPairsToBytes(hexText);
  } catch (const EHexError&) {
    throw ERsaError("RSA: the cipher text is not hexadecimal");
  }
  Bytes cipher = Base64Decode(base64);
  const size_t k = static_cast<size_t>(key.BlockBytes);
  if (cipher.empty() || cipher.size() % k != 0)
    throw ERsaError("RSA: the cipher text is not a whole number of blocks");
  BnCtx ctx(BN_CTX_new(), &BN_CTX_free);
  std::string plain;
  for (size_t at = 0; at < cipher.size(); at += k) {
    Bytes block = Apply(key, cipher.data() + at, ctx.get());
    // 00, 01 or 02, at least eight padding bytes (FF for type 1, non-zero
    // for type 2), 00, the data.
    if (block[0] != 0 || (block[1] != 1 && block[1] != 2)) throw ERsaError("RSA: bad padding");
    size_t i = 2;
    while (i < k && block[i] != 0) {
      if (block[1] == 1 && block[i] != 0xFF) throw ERsaError("RSA: bad padding");
      ++i;
    }
    if (i >= k || i - 2 < 8) throw ERsaError("RSA: bad padding");
    plain.append(block.begin() + static_cast<ptrdiff_t>(i + 1), block.end());
  }
  return plain;
}

std::string DecodeKeyedString(std::string_view source, std::string_view key) {
  if (key.empty()) throw std::invalid_argument("DecodeKeyedString: empty key");
  std::string text;
  for (char c : source)
    if (c != ' ') text.push_back(c);
  std::string bytes = HexPairsToBytes(text);
  std::string out;
  if (bytes.size() < 2) return out;
  unsigned prev = static_cast<unsigned char>(bytes[0]);
  size_t k = 0;
  for (size_t i = 1; i < bytes.size(); ++i) {
    unsigned c = static_cast<unsigned char>(bytes[i]);
    k = k < key.size() ? k + 1 : 1;
    unsigned x = static_cast<unsigned char>(key[k - 1]) ^ c;
    out.push_back(static_cast<char>(prev < x ? x - prev : x + 255 - prev));
    prev = c;
  }
  return out;
}

std::string EncodeKeyedString(std::string_view plain, std::string_view key, uint8_t seed) {
  if (key.empty()) throw std::invalid_argument("EncodeKeyedString: empty key");
  std::string out = StrToHex(std::string_view(reinterpret_cast<const char*>(&seed), 1));
  unsigned prev = seed;
  size_t k = 0;
  for (unsigned char o : plain) {
    k = k < key.size() ? k + 1 : 1;
    // The decoder gives x - prev when prev < x, else x + 255 - prev.
    unsigned x;
    if (o >= 1 && o + prev <= 255)
      x = o + prev;
    else if (o + prev >= 255)
      x = o + prev - 255;
    else
      throw std::invalid_argument("EncodeKeyedString: a zero byte cannot be encoded here");
    unsigned c = x ^ static_cast<unsigned char>(key[k - 1]);
    out += StrToHex(std::string(1, static_cast<char>(c)));
    prev = c;
  }
  for (char& ch : out)
    if (ch >= 'a' && ch <= 'f') ch = static_cast<char>(ch - 'a' + 'A');
  return out;
}
