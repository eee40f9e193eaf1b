// The bytes of the ".crypted" format: known answers of the primitives, the
// format's vectors, and files made by an independent implementation
// (fixtures.sh: OpenSSL and hashlib on the host).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filetools/common/faulty_fs.h"
#include "filetools/crypt/crypt_engine.h"
#include "filetools/crypt/crypt_format.h"
#include "support/sandbox.h"

namespace qz::fed {
namespace {

using ft::test::Pattern;
using ft::test::ReadBytes;
using ft::test::WriteBytes;

std::string Hex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s.push_back(digits[p[i] >> 4]);
    s.push_back(digits[p[i] & 15]);
  }
  return s;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// The format in memory: header + body, through CryptStream in one piece.
std::string EncryptInMemory(const std::string& passwordUtf8, const std::string& plain) {
  std::string ansi;
  EXPECT_EQ(ConvertPassword(passwordUtf8, ansi), PasswordCheck::Ok);
  CryptStream c;
  EXPECT_TRUE(c.Init(ansi));
  std::string body = plain;
  EXPECT_TRUE(c.Encrypt(reinterpret_cast<uint8_t*>(body.data()), body.size()));
  return DigestHex(Md5(plain.data(), plain.size())) + body;
}

const std::string kPaesswoerd = "p\xC3\xA4ssw\xC3\xB6rd";  // "pässwörd"

TEST(CryptPrimitives, KnownAnswers) {
  struct Case {
    std::string key, plain, cipher;
  } cases[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
      {"F0E1D2C3B4A5968778695A4B3C2D1E0F00112233", "FEDCBA9876543210", "10851C0E3858DA9F"},
  };
  for (const Case& c : cases) {
    std::string key = Unhex(c.key), plain = Unhex(c.plain);
    uint8_t out[8];
    ASSERT_TRUE(BlowfishEncryptBlock(reinterpret_cast<const uint8_t*>(key.data()), key.size(),
                                     reinterpret_cast<const uint8_t*>(plain.data()), out));
    EXPECT_EQ(Hex(out, 8), c.cipher) << c.key;
  }
  Sha1Digest s = Sha1("abc", 3);
  EXPECT_EQ(Hex(s.data(), s.size()), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  Md5Digest m = Md5("abc", 3);
  EXPECT_EQ(DigestHex(m), "900150983CD24FB0D6963F7D28E17F72");
  Md5Hasher pieces;
  pieces.Update("a", 1);
  pieces.Update("bc", 2);
  EXPECT_EQ(pieces.Final(), m);

  CryptStream c;
  ASSERT_TRUE(c.Init("test"));
  EXPECT_EQ(Hex(c.Iv(), 8), "C2A5263EDDEF691E");
}

TEST(CryptPrimitives, DigestTextAndPasswords) {
  Md5Digest d{};
  EXPECT_TRUE(ParseDigestHex("8b1a9953c4611296a827abf8c47804d7", 32, d));
  EXPECT_EQ(DigestHex(d), "8B1A9953C4611296A827ABF8C47804D7");
  EXPECT_FALSE(ParseDigestHex("8B1A9953C4611296A827ABF8C47804DG", 32, d));
  EXPECT_FALSE(ParseDigestHex("8B1A9953C4611296A827ABF8C47804D", 31, d));

  std::string ansi;
  EXPECT_EQ(ConvertPassword(kPaesswoerd, ansi, 1252), PasswordCheck::Ok);
  EXPECT_EQ(ansi, "p\xE4ssw\xF6rd");
  EXPECT_EQ(ConvertPassword("abc", ansi), PasswordCheck::Length);
  EXPECT_EQ(ConvertPassword("abcd", ansi), PasswordCheck::Ok);
  EXPECT_EQ(ConvertPassword(std::string(16, 'x'), ansi), PasswordCheck::Ok);
  EXPECT_EQ(ConvertPassword(std::string(17, 'x'), ansi), PasswordCheck::Length);
  // Umlauts count as one character each, not as their UTF-8 bytes.
  EXPECT_EQ(ConvertPassword("\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4", ansi, 1252),
            PasswordCheck::Ok);
  // U+4E2D has no form in the code page: refused, never turned into "?".
  EXPECT_EQ(ConvertPassword("abc\xE4\xB8\xAD", ansi, 1252), PasswordCheck::Chars);
  EXPECT_TRUE(ansi.empty());
}

TEST(CryptFormat, Vectors) {
  const std::string hello = "8B1A9953C4611296A827ABF8C47804D7";
  EXPECT_EQ(EncryptInMemory("test", "Hello"), hello + Unhex("31370E9C3E"));
  EXPECT_EQ(EncryptInMemory("test", "ABCDEFGH"), "4783E784B4FA2FBA9E4D6502DBC64F8F" + Unhex("63CD4476F8904FEA"));
  EXPECT_EQ(EncryptInMemory(kPaesswoerd, "Hello"), hello + Unhex("49DC317528"));
  // A weak key under libgcrypt's test: accepted.
  EXPECT_EQ(EncryptInMemory("pw065798", "Hello"), hello + Unhex("0F9DE271D8"));
  std::string big = EncryptInMemory("test", Pattern(1048589));
  EXPECT_EQ(DigestHex(Md5(big.data(), big.size())), "DFB7BFB884D104747BABFC3DF2A8AF1E");

  // A 5-byte file: the plain bytes XOR the first bytes of E(IV).
  CryptStream c;
  ASSERT_TRUE(c.Init("test"));
  uint8_t stream[8];
  Sha1Digest k = Sha1("test", 4);
  ASSERT_TRUE(BlowfishEncryptBlock(k.data(), k.size(), c.Iv(), stream));
  std::string body = EncryptInMemory("test", "Hello").substr(32);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(static_cast<uint8_t>(body[i]), static_cast<uint8_t>("Hello"[i] ^ stream[i]));
}

TEST(CryptFormat, PiecesChainAcrossCallsAndDecryptInverts) {
  const std::string plain = Pattern(100003);
  const std::string whole = EncryptInMemory("test", plain).substr(32);
  for (size_t piece : {8u, 24u, 8192u, 65536u}) {
    CryptStream c;
    ASSERT_TRUE(c.Init("test"));
    std::string body = plain;
    for (size_t at = 0; at < body.size(); at += piece)
      ASSERT_TRUE(c.Encrypt(reinterpret_cast<uint8_t*>(body.data()) + at, std::min(piece, body.size() - at)));
    EXPECT_EQ(body, whole) << piece;
    // Nothing may follow a partial block.
    uint8_t more[8] = {};
    EXPECT_FALSE(c.Encrypt(more, 8));

    CryptStream d;
    ASSERT_TRUE(d.Init("test"));
    for (size_t at = 0; at < body.size(); at += piece)
      ASSERT_TRUE(d.Decrypt(reinterpret_cast<uint8_t*>(body.data()) + at, std::min(piece, body.size() - at)));
    EXPECT_EQ(body, plain) << piece;
  }
}

// ---- against the independent implementation ----------------------------------

const char* const kPasswords[] = {"test", "p\xC3\xA4ssw\xC3\xB6rd", "pw065798", "Sixteen-Chars-16"};
const int kSizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 43, 524287, 524288, 524289, 1048589};
const std::string kFixtures = "C:\\qztests\\fixtures\\crypt\\";

TEST(CryptGolden, EncryptAndDecryptMatchTheReference) {
  ASSERT_TRUE(ft::test::Exists(kFixtures + "plain_5.bin")) << "fixtures.sh create has not run";
  test::ScratchDir dir("fed_golden");
  CryptEngine engine;
  for (int size : kSizes) {
    const std::string plain = ReadBytes(kFixtures + "plain_" + std::to_string(size) + ".bin");
    ASSERT_EQ(plain, Pattern(static_cast<size_t>(size)));
    for (int k = 0; k < 4; ++k) {
      const std::string expected =
          ReadBytes(kFixtures + "pw" + std::to_string(k) + "_" + std::to_string(size) + ".bin.crypted");
      ASSERT_EQ(expected.size(), plain.size() + 32);
      const std::string source = dir / "f.bin";
      ASSERT_TRUE(WriteBytes(source, plain));
      ASSERT_EQ(engine.Encrypt({source, kPasswords[k], kPasswords[k], true}), EncryptStatus::Success);
      EXPECT_EQ(ReadBytes(source + ".crypted"), expected) << size << " " << k;
      EXPECT_FALSE(ft::test::Exists(source));

      // The reference file decrypts here.
      ASSERT_TRUE(WriteBytes(source + ".crypted", expected));
      ASSERT_EQ(engine.Decrypt({source + ".crypted", kPasswords[k], {}}), DecryptStatus::Success);
      EXPECT_EQ(ReadBytes(source), plain) << size << " " << k;
      DeleteFileW(Widen(source).c_str());
    }
  }
  EXPECT_EQ(ft::test::Listing(dir.path()), std::vector<std::string>{"f.bin.crypted"});
}

}  // namespace
}  // namespace qz::fed
