#include "dataclient/uEncode.h"
#include "dataclient/uThread.h"
#include "tools/RsaKeyGen.h"

#include <QByteArray>
#include <gtest/gtest.h>

TEST(TextCodes, HexAndTheKeyedStringReadWhatTheyWrite) {
  EXPECT_EQ(StrToHex(std::string("\n\0A\x9f\xff", 5)), "0a00419fff");
  for (const char* bad : {"/", ":", "@", "G", "`", "g", "1 2"}) EXPECT_THROW(HexToInt(bad), EHexError) << bad;
  // Seed 10h; 41h xor 'A' = 0 is not above it: 0 + 255 - 10h = EFh, and so on.
  EXPECT_EQ(DecodeKeyedString("1041 43", "AB"), "\xEF\xBF");
  EXPECT_EQ(DecodeKeyedString("00614", "A"), " ");  // a lone last digit is ignored
  EXPECT_EQ(DecodeKeyedString("006141", "A"), " \x9E");  // the key starts again
  EXPECT_THROW(DecodeKeyedString("00GG", "A"), EHexError);
  EXPECT_THROW(DecodeKeyedString("0061", ""), std::invalid_argument);
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  for (int seed = 0; seed < 256; seed += 17) {
    const std::string cipher = EncodeKeyedString(all, ConnectionKey, static_cast<uint8_t>(seed));
    EXPECT_EQ(DecodeKeyedString(cipher, ConnectionKey), all) << seed;
    EXPECT_EQ(cipher.find_first_of("abcdef"), std::string::npos) << cipher;
  }
  EXPECT_THROW(EncodeKeyedString(std::string(1, '\0'), "k", 254), std::invalid_argument);  // only after FFh
}

// Plain texts take 128-bit blocks of five bytes; the service encrypts with the private half.
TEST(Rsa, DecryptionGivesThePlainTextOrAnError) {
  const auto [n, e, d] = tools::GenerateRsaKeyPair();
  std::vector<std::tuple<std::string, std::string, std::string, std::optional<std::string>>> cases;
  for (const std::string& plain : {std::string(), std::string("12345"), std::string("0123456"),
                                   std::string("a text of twenty-three"), std::string("\0\x01\xff", 3)}) {
    const std::string hex = RsaEncryptToHex(plain, n, e);
    EXPECT_EQ(hex.size(), 8 * ((16 * std::max<size_t>(1, (plain.size() + 4) / 5) + 2) / 3));  // of Base64
    // A line break within the Base64 text and a lone last digit are ignored.
    cases.emplace_back(hex.substr(0, 8) + "0d0a" + hex.substr(8) + "a", n, d, plain);
    cases.emplace_back(RsaEncryptToHex(plain, n, d), n, e, plain);
  }
  const std::string hex = RsaEncryptToHex("1234567", n, e);
  for (const std::string& bad : {hex.substr(0, hex.size() - 8), StrToHex("not base64!"), StrToHex("!!!!"),
                                 std::string(), std::string("zz")})
    cases.emplace_back(bad, n, d, std::nullopt);
  for (const auto& [modulus, exponent] : std::vector<std::pair<std::string, std::string>>{
           {"", "3"}, {n, ""}, {n, "XYZ"}, {n, "3G"}, {n, "0"}, {"FFFF", "3"}, {std::string(30, 'F'), "3"},
           {"1" + std::string(32, '0'), "3"}})
    cases.emplace_back(hex, modulus, exponent, std::nullopt);
  // Raised to the exponent 1 a block stays itself: the padding rules alone.
  for (auto [block, plain] : std::vector<std::pair<const char*, std::optional<std::string>>>{
           {"0001" "FFFFFFFFFFFFFFFF" "00" "3132333435", "12345"},
           {"0001" "FFFFFFFFFFFFFFFE" "00" "3132333435", {}},  // type 1 pads with FF
           {"0002" "01020304050607" "00" "313233343536", {}},  // fewer than 8 bytes
           {"0002" "0102030405060708090A0B0C0D0E", {}}})      // no end of padding
    cases.emplace_back(StrToHex(QByteArray::fromHex(block).toBase64().toStdString()), n, "1", plain);
  for (const auto& [cipher, modulus, exponent, plain] : cases) {
    if (plain) EXPECT_EQ(RsaDecryptFromHex(cipher, modulus, exponent), *plain) << cipher;
    else EXPECT_THROW(RsaDecryptFromHex(cipher, modulus, exponent), ERsaError) << cipher << " " << exponent;
  }
}

// The connection is the stored one unless the environment names one.
TEST(DataServiceSettings, TheConnectionString) {
  ::setenv(ConnectionStringVariable, "DSN=elsewhere", 1);
  const platform::StoredProcCall call = DataServiceCall("P");
  EXPECT_EQ(std::tie(call.ConnectionString, call.ProcedureName, call.LoginTimeout, call.CommandTimeout),
            std::make_tuple("DSN=elsewhere", "P", 5, 30));
  ::setenv(ConnectionStringVariable, "", 1);
  EXPECT_TRUE(DataServiceConnectionString().starts_with("Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=55432;"));
}
