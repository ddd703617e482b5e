#include "dataclient/uEncode.h"
#include "dataclient/uThread.h"
#include "platform/Encoding.h"
#include "tools/RsaKeyGen.h"

#include "ServerKeys.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/evp.h>

#include <cstdlib>

TEST(Hex, StrToHexWritesEveryByteAsTwoLowerCaseDigits) {
  EXPECT_EQ(StrToHex("\n"), "0a");
  EXPECT_EQ(StrToHex(""), "");
  EXPECT_EQ(StrToHex(std::string("A\0\xff", 3)), "4100ff");
}

TEST(Hex, HexToIntReadsBothCasesAndRejectsOtherCharacters) {
  EXPECT_EQ(HexToInt("ff"), 255);
  EXPECT_EQ(HexToInt("FF"), 255);
  EXPECT_EQ(HexToInt(""), 0);
  EXPECT_EQ(HexToInt("7FFFFFFF"), 2147483647);
  EXPECT_EQ(HexToInt("FFFFFFFF"), -1);  // 32 bits, as the old integer kept it
  for (const char* bad : {"g", "1 2", "-1", "0x10"}) {
    try {
      HexToInt(bad);
      ADD_FAILURE() << bad;
    } catch (const EHexError& e) {
      EXPECT_STREQ(e.what(), "Error: not a Hex String");
    }
  }
}

TEST(Rsa, MultiBlockRoundTripWithAGeneratedKeyInBothDirections) {
  tools::RsaKeyPair key = tools::GenerateRsaKeyPair();
  // Five bytes fit one 128-bit block: these texts take 0, 1, 2 and 5 blocks.
  for (std::string plain : {std::string(), std::string("12345"), std::string("0123456"),
                            std::string("a text of twenty-three"), std::string("\0\x01\xff", 3)}) {
    std::string hex = RsaEncryptToHex(plain, key.Modulus, key.PublicExponent);
    size_t blocks = plain.empty() ? 1 : (plain.size() + 4) / 5;
    // Hex of Base64 of 16 bytes per block.
    EXPECT_EQ(hex.size(), 2 * 4 * ((16 * blocks + 2) / 3)) << plain;
    EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(RsaDecryptFromHex(hex, key.Modulus, key.PrivateExponent), plain);
    // The data service encrypts with the private half; the client undoes it
    // with the public one.
    EXPECT_EQ(RsaDecryptFromHex(RsaEncryptToHex(plain, key.Modulus, key.PrivateExponent),
                                key.Modulus, key.PublicExponent),
              plain);
  }
  // Random padding: the same text never gives the same cipher text twice.
  EXPECT_NE(RsaEncryptToHex("1234567", key.Modulus, key.PublicExponent),
            RsaEncryptToHex("1234567", key.Modulus, key.PublicExponent));
  // A trailing odd digit is ignored.
  std::string hex = RsaEncryptToHex("7654321", key.Modulus, key.PublicExponent);
  EXPECT_EQ(RsaDecryptFromHex(hex + "a", key.Modulus, key.PrivateExponent), "7654321");
}

// A type-1 block (00 01 FF.. 00 data), as a private-key operation makes it.
TEST(Rsa, DecryptionAcceptsTypeOneBlocks) {
  tools::RsaKeyPair key = tools::GenerateRsaKeyPair();
  unsigned char block[16];
  std::fill(block, block + 16, 0xFF);
  block[0] = 0;
  block[1] = 1;
  block[10] = 0;
  std::copy_n("54321", 5, block + 11);
  BIGNUM *m = BN_bin2bn(block, 16, nullptr), *c = BN_new(), *n = nullptr, *d = nullptr;
  BN_hex2bn(&n, key.Modulus.c_str());
  BN_hex2bn(&d, key.PrivateExponent.c_str());
  BN_CTX* ctx = BN_CTX_new();
  ASSERT_TRUE(BN_mod_exp(c, m, d, n, ctx));
  unsigned char cipher[16];
  BN_bn2binpad(c, cipher, 16);
  char b64[32] = {};
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(b64), cipher, 16);
  for (BIGNUM* v : {m, c, n, d}) BN_free(v);
  BN_CTX_free(ctx);
  EXPECT_EQ(RsaDecryptFromHex(StrToHex(b64), key.Modulus, key.PublicExponent), "54321");
}

TEST(Rsa, WrongKeysAndDamagedCipherTextsAreErrorsNotGarbage) {
  tools::RsaKeyPair key = tools::GenerateRsaKeyPair(), other = tools::GenerateRsaKeyPair();
  std::string hex = RsaEncryptToHex("1234567", key.Modulus, key.PublicExponent);
  EXPECT_THROW(RsaDecryptFromHex(hex, other.Modulus, other.PrivateExponent), ERsaError);
  EXPECT_THROW(RsaDecryptFromHex(hex.substr(0, hex.size() - 8), key.Modulus, key.PrivateExponent),
               ERsaError);
  EXPECT_THROW(RsaDecryptFromHex(StrToHex("not base64!"), key.Modulus, key.PrivateExponent),
               ERsaError);
  EXPECT_THROW(RsaDecryptFromHex("", key.Modulus, key.PrivateExponent), ERsaError);
  EXPECT_THROW(RsaDecryptFromHex("zz", key.Modulus, key.PrivateExponent), ERsaError);
  EXPECT_THROW(RsaEncryptToHex("1", "", key.PublicExponent), ERsaError);
  EXPECT_THROW(RsaEncryptToHex("1", key.Modulus, "XYZ"), ERsaError);
  EXPECT_THROW(RsaEncryptToHex("1", "FFFF", "3"), ERsaError);  // far below the key size
}

TEST(RsaKeys, TheClientTableIsThePublicHalfOfTheServerSeed) {
  auto server = ReadServerKeys();
  for (size_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const TRsaPublicKey& pub = RsaKeyTable[i];
    EXPECT_EQ(std::string(pub.Modulus).size(), 32u);
    EXPECT_EQ(std::string(pub.Exponent).size(), 4u);
    EXPECT_EQ(pub.Modulus, server[i].Modulus);
    EXPECT_EQ(pub.Exponent, server[i].PublicExponent);
    EXPECT_EQ(
        RsaDecryptFromHex(RsaEncryptToHex("0918273", server[i].Modulus, server[i].PrivateExponent),
                          pub.Modulus, pub.Exponent),
        "0918273");
  }
}

TEST(KeyedString, DecodesByTheKeyAndThePreviousCipherByte) {
  // seed 10; 41 xor 'A' = 0 is not above 10: 0 + 255 - 16 = EF; then
  // 43 xor 'B' = 1 is not above 41: 1 + 255 - 65 = BF.
  EXPECT_EQ(DecodeKeyedString("1041 43", "AB"), "\xEF\xBF");
  // 61 xor 'A' = 20 is above the seed 0: 20 - 0.
  EXPECT_EQ(DecodeKeyedString("0061", "A"), " ");
  // The key is used in turn and starts again: "A", "A" for a one-letter key; 0 + 255 - 61h = 9E.
  EXPECT_EQ(DecodeKeyedString("006141", "A"), std::string(" \x9E"));
}

TEST(KeyedString, ShortOrOddInputReadsNothingPastItsEnd) {
  EXPECT_EQ(DecodeKeyedString("", "key"), "");
  EXPECT_EQ(DecodeKeyedString("5A", "key"), "");
  EXPECT_EQ(DecodeKeyedString("5A1", "key"), "");
  EXPECT_EQ(DecodeKeyedString("0061 4", "A"), " ");
  EXPECT_THROW(DecodeKeyedString("00GG", "A"), EHexError);
  EXPECT_THROW(DecodeKeyedString("0061", ""), std::invalid_argument);
}

TEST(KeyedString, EncoderIsTheInverseForEveryByteAndSeed) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  for (int seed = 0; seed < 256; seed += 17) {
    std::string cipher = EncodeKeyedString(all, "SSQ@03", static_cast<uint8_t>(seed));
    EXPECT_EQ(DecodeKeyedString(cipher, "SSQ@03"), all) << seed;
  }
  std::string chinese = platform::Utf8ToCp936("Pwd=密码;");
  EXPECT_EQ(DecodeKeyedString(EncodeKeyedString(chinese, "k", 200), "k"), chinese);
}

TEST(KeyedString, TheStoredConnectionStringPointsAtTheLocalDataService) {
  ::unsetenv(ConnectionStringVariable);
  std::string cs = DataServiceConnectionString();
  EXPECT_EQ(cs.rfind("Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=55432;", 0), 0u) << cs;
  ::setenv(ConnectionStringVariable, "DSN=elsewhere", 1);
  EXPECT_EQ(DataServiceConnectionString(), "DSN=elsewhere");
  ::unsetenv(ConnectionStringVariable);
}
