// The ".crypted" format over libgcrypt.
//
//   offset 0, 32 bytes: MD5 of the whole plain file as upper-case hex text
//   offset 32, n bytes: the plain bytes, Blowfish-CBC, exactly n bytes
//
// Key: SHA-1 of the password's ANSI bytes (20 bytes, 160 bits). IV: eight
// zero bytes encrypted once (ECB). Whole blocks are plain CBC, chained
// unbroken across the file. A final 1..7 bytes are XORed with the ECB
// encryption of the last chaining value (the last cipher block, or the IV
// for a file under 8 bytes): no padding.
//
// The format keeps out casual readers, not a determined attacker: the key is
// an unsalted hash, every file of one password starts from the same IV, the
// plain file's digest is stored in clear and nothing authenticates the data.
// It stays so that files move between this program and its earlier version.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qz::fed {

// libgcrypt is set up once per process (no secure memory).
void InitCrypto();

using Sha1Digest = std::array<uint8_t, 20>;
using Md5Digest = std::array<uint8_t, 16>;
Sha1Digest Sha1(const void* data, size_t size);
Md5Digest Md5(const void* data, size_t size);

// MD5 over data given piece by piece.
class Md5Hasher {
 public:
  Md5Hasher();
  ~Md5Hasher();
  Md5Hasher(const Md5Hasher&) = delete;
  Md5Hasher& operator=(const Md5Hasher&) = delete;
  void Update(const void* data, size_t size);
  Md5Digest Final();

 private:
  void* h_ = nullptr;  // gcry_md_hd_t
};

// 32 upper-case hex characters.
std::string DigestHex(const Md5Digest& digest);
// 32 hex characters in any case; false for anything else.
bool ParseDigestHex(const char* text, size_t size, Md5Digest& digest);

// One Blowfish block, ECB, with a raw key of 4..56 bytes (weak keys allowed).
bool BlowfishEncryptBlock(const uint8_t* key, size_t keySize, const uint8_t in[8], uint8_t out[8]);

// The format's cipher for one password and one file. Data goes through in
// pieces whose sizes are multiples of 8, but for the last, which may end in
// a partial block; chaining runs on across pieces.
class CryptStream {
 public:
  CryptStream() = default;
  ~CryptStream();
  CryptStream(const CryptStream&) = delete;
  CryptStream& operator=(const CryptStream&) = delete;

  // Keyed with the SHA-1 of the password bytes; chaining starts at the IV.
  bool Init(const std::string& passwordBytes);
  bool Encrypt(uint8_t* data, size_t size);  // in place
  bool Decrypt(uint8_t* data, size_t size);  // in place
  const uint8_t* Iv() const { return iv_; }
  // Closes the handles and wipes key and chaining state.
  void Burn();

 private:
  bool Tail(uint8_t* data, size_t size);

  void* ecb_ = nullptr;  // gcry_cipher_hd_t
  void* cbc_ = nullptr;
  uint8_t iv_[8] = {};
  uint8_t chain_[8] = {};
  bool ended_ = false;  // a partial block was handled: no data may follow
};

// The password as ANSI bytes (the code page without best-fit replacements).
enum class PasswordCheck { Ok, Length, Chars };
// 4..16 characters; every character must exist in the ANSI code page.
PasswordCheck ConvertPassword(const std::string& utf8, std::string& ansi, unsigned codePage = 0);
// Clears a string's bytes before it is released.
void WipeString(std::string& s);

}  // namespace qz::fed
