#include "filetools/crypt/crypt_format.h"

#include <windows.h>

#include <gcrypt.h>

#include <cstring>
#include <mutex>

#include "core/text.h"

namespace qz::fed {

namespace {

gcry_cipher_hd_t Cipher(void* h) { return static_cast<gcry_cipher_hd_t>(h); }

// A Blowfish handle of the mode with the key set; weak keys count as keys.
gcry_cipher_hd_t OpenBlowfish(int mode, const uint8_t* key, size_t keySize) {
  InitCrypto();
  gcry_cipher_hd_t h = nullptr;
  if (gcry_cipher_open(&h, GCRY_CIPHER_BLOWFISH, mode, 0)) return nullptr;
  gcry_cipher_ctl(h, GCRYCTL_SET_ALLOW_WEAK_KEY, nullptr, 1);
  gcry_error_t e = gcry_cipher_setkey(h, key, keySize);
  if (e && gcry_err_code(e) != GPG_ERR_WEAK_KEY) {
    gcry_cipher_close(h);
    return nullptr;
  }
  return h;
}

}  // namespace

void InitCrypto() {
  static std::once_flag once;
  std::call_once(once, [] {
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

Sha1Digest Sha1(const void* data, size_t size) {
  InitCrypto();
  Sha1Digest d{};
  gcry_md_hash_buffer(GCRY_MD_SHA1, d.data(), data, size);
  return d;
}

Md5Digest Md5(const void* data, size_t size) {
  InitCrypto();
  Md5Digest d{};
  gcry_md_hash_buffer(GCRY_MD_MD5, d.data(), data, size);
  return d;
}

Md5Hasher::Md5Hasher() {
  InitCrypto();
  gcry_md_hd_t h = nullptr;
  if (!gcry_md_open(&h, GCRY_MD_MD5, 0)) h_ = h;
}

Md5Hasher::~Md5Hasher() {
  if (h_) gcry_md_close(static_cast<gcry_md_hd_t>(h_));
}

void Md5Hasher::Update(const void* data, size_t size) {
  if (h_ && size) gcry_md_write(static_cast<gcry_md_hd_t>(h_), data, size);
}

Md5Digest Md5Hasher::Final() {
  Md5Digest d{};
  if (!h_) return d;
  const unsigned char* r = gcry_md_read(static_cast<gcry_md_hd_t>(h_), GCRY_MD_MD5);
  if (r) std::memcpy(d.data(), r, d.size());
  return d;
}

std::string DigestHex(const Md5Digest& digest) {
  static const char* hex = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : digest) {
    s.push_back(hex[b >> 4]);
    s.push_back(hex[b & 15]);
  }
  return s;
}

bool ParseDigestHex(const char* text, size_t size, Md5Digest& digest) {
  if (size != 32) return false;
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < 16; ++i) {
    int hi = value(text[2 * i]), lo = value(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    digest[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return true;
}

bool BlowfishEncryptBlock(const uint8_t* key, size_t keySize, const uint8_t in[8], uint8_t out[8]) {
  gcry_cipher_hd_t h = OpenBlowfish(GCRY_CIPHER_MODE_ECB, key, keySize);
  if (!h) return false;
  bool ok = gcry_cipher_encrypt(h, out, 8, in, 8) == 0;
  gcry_cipher_close(h);
  return ok;
}

// ---- CryptStream -------------------------------------------------------------

CryptStream::~CryptStream() { Burn(); }

void CryptStream::Burn() {
  if (ecb_) gcry_cipher_close(Cipher(ecb_));
  if (cbc_) gcry_cipher_close(Cipher(cbc_));
  ecb_ = cbc_ = nullptr;
  SecureZeroMemory(iv_, sizeof iv_);
  SecureZeroMemory(chain_, sizeof chain_);
  ended_ = false;
}

bool CryptStream::Init(const std::string& passwordBytes) {
  Burn();
  Sha1Digest key = Sha1(passwordBytes.data(), passwordBytes.size());
  ecb_ = OpenBlowfish(GCRY_CIPHER_MODE_ECB, key.data(), key.size());
  cbc_ = OpenBlowfish(GCRY_CIPHER_MODE_CBC, key.data(), key.size());
  SecureZeroMemory(key.data(), key.size());
  static const uint8_t zero[8] = {};
  bool ok = ecb_ && cbc_ && gcry_cipher_encrypt(Cipher(ecb_), iv_, 8, zero, 8) == 0 &&
            gcry_cipher_setiv(Cipher(cbc_), iv_, 8) == 0;
  if (!ok) {
    Burn();
    return false;
  }
  std::memcpy(chain_, iv_, 8);
  return true;
}

bool CryptStream::Tail(uint8_t* data, size_t size) {
  uint8_t stream[8];
  if (gcry_cipher_encrypt(Cipher(ecb_), stream, 8, chain_, 8)) return false;
  for (size_t i = 0; i < size; ++i) data[i] ^= stream[i];
  SecureZeroMemory(stream, sizeof stream);
  ended_ = true;
  return true;
}

bool CryptStream::Encrypt(uint8_t* data, size_t size) {
  if (!cbc_ || ended_) return false;
  const size_t whole = size & ~size_t{7};
  if (whole) {
    if (gcry_cipher_encrypt(Cipher(cbc_), data, whole, nullptr, 0)) return false;
    std::memcpy(chain_, data + whole - 8, 8);
  }
  return size == whole || Tail(data + whole, size - whole);
}

bool CryptStream::Decrypt(uint8_t* data, size_t size) {
  if (!cbc_ || ended_) return false;
  const size_t whole = size & ~size_t{7};
  if (whole) {
    uint8_t last[8];
    std::memcpy(last, data + whole - 8, 8);
    if (gcry_cipher_decrypt(Cipher(cbc_), data, whole, nullptr, 0)) return false;
    std::memcpy(chain_, last, 8);
  }
  return size == whole || Tail(data + whole, size - whole);
}

// ---- passwords ---------------------------------------------------------------

PasswordCheck ConvertPassword(const std::string& utf8, std::string& ansi, unsigned codePage) {
  WipeString(ansi);
  std::wstring wide = Widen(utf8);
  size_t characters = 0;
  for (wchar_t c : wide)
    if (c < 0xDC00 || c > 0xDFFF) ++characters;  // a surrogate pair is one character
  if (characters < 4 || characters > 16) {
    SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
    return PasswordCheck::Length;
  }
  char buffer[64] = {};
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), buffer,
                              sizeof buffer, nullptr, &usedDefault);
  SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
  if (n <= 0 || usedDefault) {
    SecureZeroMemory(buffer, sizeof buffer);
    return PasswordCheck::Chars;
  }
  ansi.assign(buffer, static_cast<size_t>(n));
  SecureZeroMemory(buffer, sizeof buffer);
  return PasswordCheck::Ok;
}

void WipeString(std::string& s) {
  if (!s.empty()) SecureZeroMemory(s.data(), s.size());
  s.clear();
}

}  // namespace qz::fed
