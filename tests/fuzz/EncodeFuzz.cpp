// The data service exchange's encodings over any input: hexadecimal text,
// the keyed descrambler and scrambler, and RSA cipher text (its Base64
// text, blocks and padding) with the program's keys and with any key.
#include "FuzzSupport.h"

#include "dataclient/uEncode.h"
#include "dataclient/uThread.h"

#include <stdexcept>
#include <string>

namespace {

// One of the program's key pairs with its private half, as the data
// service holds it.
constexpr const char* Modulus = "DFFD20484A8CA695A12154DDC80BD7AD";
constexpr const char* PublicExponent = "BD3B";
constexpr const char* PrivateExponent = "4F43DE038BB8326326F92D10A4077793";

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A decryption gives text or ERsaError, nothing else.
void Decrypt(std::string_view hex, std::string_view modulus, std::string_view exponent, int keySize) {
  fuzz::Raises<ERsaError>([&] { static_cast<void>(RsaDecryptFromHex(hex, modulus, exponent, keySize)); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  switch (in.Byte() % 6) {
    case 0: {  // hexadecimal digits to a number
      const std::string_view text = in.Rest();
      bool hex = true;
      for (char c : text) hex = hex && IsHex(c);
      int32_t v = 0;
      FUZZ_CHECK(fuzz::Raises<EHexError>([&] { v = HexToInt(text); }) != hex);
      // The last eight digits are the value.
      const std::string_view tail = text.substr(text.size() > 8 ? text.size() - 8 : 0);
      if (hex) FUZZ_CHECK(tail.empty() ? v == 0 : static_cast<uint32_t>(v) == std::stoul(std::string(tail), nullptr, 16));
      break;
    }
    case 1: {  // bytes to hexadecimal text and back through the descrambler's reader
      const std::string_view text = in.Rest();
      const std::string hex = StrToHex(text);
      FUZZ_CHECK(hex.size() == 2 * text.size());
      for (char c : hex) FUZZ_CHECK(IsHex(c) && !(c >= 'A' && c <= 'F'));
      break;
    }
    case 2: {  // the descrambler over any source and key
      const std::string key(in.Until('\n'));
      const std::string_view source = in.Rest();
      std::string plain;
      bool refused = false;
      auto decode = [&] { plain = DecodeKeyedString(source, key); };
      if (fuzz::Raises<EHexError>([&] { refused = fuzz::Raises<std::invalid_argument>(decode); })) break;
      FUZZ_CHECK(refused == key.empty());
      FUZZ_CHECK(plain.size() <= source.size() / 2);
      break;
    }
    case 3: {  // scrambling gives back the plain text
      const uint8_t seed = in.Byte();
      const std::string key(in.Until('\n'));
      const std::string plain(in.Rest());
      try {
        const std::string cipher = EncodeKeyedString(plain, key, seed);
        FUZZ_CHECK(DecodeKeyedString(cipher, key) == plain);
      } catch (const std::invalid_argument&) {
        FUZZ_CHECK(key.empty() || plain.find('\0') != std::string::npos);
      }
      break;
    }
    case 4: {  // cipher text for each of the program's keys: the input is its Base64 text, or the text itself
      const uint8_t pick = in.Byte();
      const TRsaPublicKey& key = RsaKeyTable[pick % RsaKeyTable.size()];
      const std::string_view rest = in.Rest();
      Decrypt(pick & 0x80 ? std::string(rest) : StrToHex(rest), key.Modulus, key.Exponent, 0);
      break;
    }
    case 5: {  // a round trip through a key pair, and any key at all
      const std::string plain(in.Until('\n'));
      const std::string cipher = RsaEncryptToHex(plain, Modulus, PublicExponent);
      FUZZ_CHECK(RsaDecryptFromHex(cipher, Modulus, PrivateExponent) == plain);
      const int keySize = 8 * (in.Byte() % 40);
      const std::string modulus = StrToHex(in.Until('\n'));
      const std::string exponent = StrToHex(in.Until('\n'));
      Decrypt(StrToHex(in.Rest()), modulus, exponent, keySize);
      fuzz::Raises<ERsaError>([&] { static_cast<void>(RsaEncryptToHex(plain, modulus, exponent, keySize)); });
      break;
    }
  }
  return 0;
}
