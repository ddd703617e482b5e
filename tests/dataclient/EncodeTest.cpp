#include "dataclient/uEncode.h"
#include "dataclient/uThread.h"
#include "tools/RsaKeyGen.h"

#include <QByteArray>
#include <gtest/gtest.h>

TEST(Hex, BytesToDigitsAndDigitsToA32BitValue) {
  EXPECT_EQ(StrToHex(std::string("\n\0A\x9f\xff", 5)), "0a00419fff");
  for (const auto& [text, value] : std::vector<std::pair<std::string, int32_t>>{
           {"", 0}, {"09", 9}, {"Aa", 0xAA}, {"Ff", 0xFF}, {"FFFFFFFF", -1}, {"123456789", 0x23456789}})
    EXPECT_EQ(HexToInt(text), value) << text;
  for (const char* bad : {"/", ":", "@", "G", "`", "g", "1 2"}) EXPECT_THROW(HexToInt(bad), EHexError) << bad;
}

// Cipher texts with the key to read them: the plain text, or an ERsaError.
// A plain text takes whole 128-bit blocks of up to five bytes; the data
// service encrypts with the private half, so the client reads either way.
TEST(Rsa, DecryptionGivesThePlainTextOrAnError) {
  const tools::RsaKeyPair key = tools::GenerateRsaKeyPair(), other = tools::GenerateRsaKeyPair();
  struct Case {
    std::string cipher, modulus, exponent;
    std::optional<std::string> plain;
  };
  std::vector<Case> cases;
  for (const std::string& plain : {std::string(), std::string("12345"), std::string("0123456"),
                                   std::string("a text of twenty-three"), std::string("\0\x01\xff", 3)}) {
    const std::string hex = RsaEncryptToHex(plain, key.Modulus, key.PublicExponent);
    EXPECT_EQ(hex.size(), 8 * ((16 * std::max<size_t>(1, (plain.size() + 4) / 5) + 2) / 3));  // of Base64
    EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << hex;
    EXPECT_NE(RsaEncryptToHex(plain, key.Modulus, key.PublicExponent), hex);  // random padding
    // A line break within the Base64 text and a lone last digit are ignored.
    cases.push_back({hex.substr(0, 8) + "0d0a" + hex.substr(8) + "a", key.Modulus, key.PrivateExponent, plain});
    cases.push_back({RsaEncryptToHex(plain, key.Modulus, key.PrivateExponent), key.Modulus, key.PublicExponent, plain});
  }
  const std::string hex = RsaEncryptToHex("1234567", key.Modulus, key.PublicExponent);
  for (const std::string& bad : {hex.substr(0, hex.size() - 8), StrToHex("not base64!"), StrToHex("!!!!"),
                                 std::string(), std::string("zz")})
    cases.push_back({bad, key.Modulus, key.PrivateExponent, {}});
  cases.push_back({hex, other.Modulus, other.PrivateExponent, {}});
  for (const auto& [modulus, exponent] : std::vector<std::pair<std::string, std::string>>{
           {"", "3"}, {key.Modulus, ""}, {key.Modulus, "XYZ"}, {key.Modulus, "3G"}, {key.Modulus, "0"},
           {"FFFF", "3"}, {std::string(30, 'F'), "3"}, {"1" + std::string(32, '0'), "3"}}) {
    cases.push_back({hex, modulus, exponent, {}});
    EXPECT_THROW(RsaEncryptToHex("1", modulus, exponent), ERsaError) << modulus << " " << exponent;
  }
  // Raised to the exponent 1 a block stays itself: the padding rules alone.
  for (auto [block, plain] : std::vector<std::pair<const char*, std::optional<std::string>>>{
           {"0002" "0102030405060708" "00" "3132333435", "12345"},
           {"0001" "FFFFFFFFFFFFFFFFFFFFFFFFFF" "00", ""},
           {"0001" "FFFFFFFFFFFFFFFE" "00" "3132333435", {}},  // type 1 pads with FF
           {"0002" "01020304050607" "00" "313233343536", {}},  // fewer than 8 bytes
           {"0102" "0102030405060708" "00" "3132333435", {}},
           {"0003" "0102030405060708" "00" "3132333435", {}},
           {"0002" "0102030405060708090A0B0C0D0E", {}}})      // no end of padding
    cases.push_back({StrToHex(QByteArray::fromHex(block).toBase64().toStdString()), std::string(32, 'F'), "1", plain});
  for (const Case& c : cases) {
    if (c.plain) EXPECT_EQ(RsaDecryptFromHex(c.cipher, c.modulus, c.exponent), *c.plain) << c.cipher;
    else EXPECT_THROW(RsaDecryptFromHex(c.cipher, c.modulus, c.exponent), ERsaError) << c.cipher << " " << c.modulus;
  }
}

TEST(KeyedString, DecodesWholePairsByTheKeyInTurnAndThePreviousCipherByteAndEncodesBack) {
  // Seed 10h; 41h xor 'A' = 0 is not above it: 0 + 255 - 10h = EFh, and so on.
  EXPECT_EQ(DecodeKeyedString("1041 43", "AB"), "\xEF\xBF");
  EXPECT_EQ(DecodeKeyedString("0061414", "A"), " \x9E");  // the key starts again
  EXPECT_EQ(DecodeKeyedString("5A1", "key"), "");
  EXPECT_THROW(DecodeKeyedString("00GG", "A"), EHexError);
  EXPECT_THROW(DecodeKeyedString("0061", ""), std::invalid_argument);
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  for (int seed = 0; seed < 256; seed += 17) {
    const std::string cipher = EncodeKeyedString(all, ConnectionKey, static_cast<uint8_t>(seed));
    EXPECT_EQ(DecodeKeyedString(cipher, ConnectionKey), all) << seed;
    EXPECT_EQ(cipher.find_first_of("abcdef"), std::string::npos) << cipher;
  }
  // A zero byte can follow a cipher byte of FFh only.
  EXPECT_EQ(DecodeKeyedString(EncodeKeyedString(std::string(1, '\0'), "k", 255), "k"), std::string(1, '\0'));
  EXPECT_THROW(EncodeKeyedString(std::string(1, '\0'), "k", 254), std::invalid_argument);
  EXPECT_THROW(EncodeKeyedString("a", "", 0), std::invalid_argument);
}

// The connection is the stored one unless the environment names one; the key
// pair is chosen once a run unless a test fixes it.
TEST(DataServiceSettings, TheConnectionAndTheKeyPair) {
  ::setenv(ConnectionStringVariable, "DSN=elsewhere", 1);
  const platform::StoredProcCall call = DataServiceCall("P");
  EXPECT_EQ(std::tie(call.ConnectionString, call.ProcedureName, call.LoginTimeout, call.CommandTimeout),
            std::make_tuple("DSN=elsewhere", "P", 5, 30));
  ::setenv(ConnectionStringVariable, "", 1);
  EXPECT_EQ(DataServiceConnectionString().rfind("Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=55432;", 0), 0u);
  const int chosen = KeyIndex();
  EXPECT_TRUE(chosen >= 0 && chosen <= 9 && KeyIndex() == chosen) << chosen;
  SetKeyIndex(0);
  EXPECT_EQ(KeyIndex(), 0);
  EXPECT_THROW(SetKeyIndex(10), std::out_of_range);
}
