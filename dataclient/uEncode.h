// Text encodings of the data service exchange: hexadecimal text, RSA with
// keys given as hexadecimal text, and the keyed descrambler of the stored
// connection string.
//
// These work on bytes: a std::string here is a sequence of 8-bit codes, not
// UTF-8 text. Callers convert at the edge (platform/Encoding.h).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised by HexToInt for a character that is not a hexadecimal digit.
class EHexError : public std::runtime_error {
 public:
  EHexError() : std::runtime_error("Error: not a Hex String") {}
};

// Raised by the RSA functions for a bad key, cipher text or padding.
class ERsaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Each byte as two lower-case hexadecimal digits, in order ("\n" -> "0a").
std::string StrToHex(std::string_view text);
inline void StrToHex(std::string_view text, std::string& result) { result = StrToHex(text); }

// The value of the hexadecimal digits (0-9, A-F, a-f; most significant
// first, kept to 32 bits); 0 for the empty text; EHexError otherwise.
int32_t HexToInt(std::string_view text);

// RSA with the key (modulus, exponent), both as hexadecimal digits, at
// KeySize bits (0 = 128). The plain text is cut into chunks of at most
// KeySize/8 - 11 bytes; each becomes one PKCS#1 v1.5 type-2 block raised to
// the exponent. The blocks are joined, written as Base64, and the result is
// StrToHex of that Base64 text.
std::string RsaEncryptToHex(std::string_view plain, std::string_view modulusHex,
                            std::string_view exponentHex, int keySize = 0);
inline void RsaEncryptToHex(std::string_view plain, std::string_view modulusHex,
                            std::string_view exponentHex, std::string& result, int keySize = 0) {
  result = RsaEncryptToHex(plain, modulusHex, exponentHex, keySize);
}

// The inverse with the other half of the key pair: pairs of hexadecimal
// digits (a trailing odd digit is ignored) give the Base64 text, whose
// blocks are raised to the exponent and unpadded (PKCS#1 v1.5 type 1 or 2)
// and joined. ERsaError for anything that is not such a cipher text.
std::string RsaDecryptFromHex(std::string_view hexText, std::string_view modulusHex,
                              std::string_view exponentHex, int keySize = 0);
inline void RsaDecryptFromHex(std::string_view hexText, std::string_view modulusHex,
                              std::string_view exponentHex, std::string& result, int keySize = 0) {
  result = RsaDecryptFromHex(hexText, modulusHex, exponentHex, keySize);
}

// The keyed descrambler. Blanks are dropped from the source; its first two
// hexadecimal digits are the seed, every further pair one output byte,
// mixed with the key's characters in turn and with the previous cipher
// byte. Only whole pairs are read (a lone trailing digit is ignored, a
// source of less than two pairs gives the empty text). An empty key raises
// std::invalid_argument; a non-hexadecimal digit raises EHexError.
std::string DecodeKeyedString(std::string_view source, std::string_view key);
inline void DecodeKeyedString(std::string_view source, std::string_view key, std::string& result) {
  result = DecodeKeyedString(source, key);
}

// The scrambler: DecodeKeyedString(EncodeKeyedString(p, key, s), key) == p.
// Upper-case hexadecimal digits. A zero byte can only follow a cipher byte
// of $FF, so text holding one raises std::invalid_argument.
std::string EncodeKeyedString(std::string_view plain, std::string_view key, uint8_t seed);
