// The File Encrypter & Decrypter's engine: a file to "<file>.crypted" and
// back (crypt_format.h), in 512 KiB steps. No window code: the window shows
// the boxes and pages around Encrypt and Decrypt.
//
// Encrypt writes a temporary file beside the target, checks every write and
// the size (n + 32), then decrypts it again and compares the digest with its
// header. Only then does it replace an existing ".crypted" file and, when
// asked, delete the original. Decrypt writes a temporary file too, hashing on
// the way; only a matching digest replaces the target. Any failure removes
// the temporary file and leaves every other file as it was.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filetools/common/file_io.h"
#include "filetools/common/engine.h"
#include "filetools/crypt/crypt_format.h"

namespace qz::fed {

enum class EncryptStatus {
  Success,
  NoFile,            // empty or not a full path
  FileNotFound,
  FileEmpty,         // size 0 or unreadable
  PasswordLength,    // not 4..16 characters
  PasswordsNotSame,
  PasswordChars,     // a character the ANSI code page lacks
  Error,             // nothing was changed
  DeleteFailed,      // encrypted, but the original stays
  Stopped,           // stop request: nothing changed, nothing shown
};

enum class DecryptStatus {
  Success,
  NoFile,
  WrongFile,      // not named ".crypted", or no digest header
  PasswordError,  // not 4..16 characters
  PasswordChars,
  NotReplaced,    // the user kept the existing target
  WrongPassword,  // the digest differs: wrong password or damaged file
  Error,
  Stopped,
};

struct EncryptRequest {
  std::string Source;  // the file edit's text (trimmed here)
  std::string Password;
  std::string Password2;
  bool DeleteOriginal = false;
};

struct DecryptRequest {
  std::string Source;
  std::string Password;
  // Asked when the target exists; false keeps it (the default keeps it).
  std::function<bool(const std::string& target)> ConfirmReplace;
};

using ft::Message;
// The box of an outcome (empty text for Stopped and NotReplaced).
Message EncryptMessage(EncryptStatus status);
Message DecryptMessage(DecryptStatus status);
std::string DecryptFileExistsQuestion();

// The encrypted file's name, and the name a ".crypted" file decrypts to
// ("" when its last 8 characters are not ".crypted" in some case).
std::string CryptedName(const std::string& source);
std::string DecryptedName(const std::string& crypted);

class CryptEngine {
 public:
  explicit CryptEngine(ft::FileSystem& fs = ft::RealFileSystem());

  // Both clear AbortFlag first; setting it later stops them.
  // hooks.Start(2 * size + 32) when the checks have passed: encryption,
  // header and verification each move the bar.
  EncryptStatus Encrypt(const EncryptRequest& request, const ft::RunHooks& hooks = {});
  // hooks.Start(size - 32) after the header was read and the target question
  // answered; the position is the plain bytes written.
  DecryptStatus Decrypt(const DecryptRequest& request, const ft::RunHooks& hooks = {});

  // The step of reading, hashing and ciphering (512 KiB; a multiple of 8);
  // tests vary it.
  size_t StepSize = 512 * 1024;

 private:
  enum class Pass { Done, ReadFailed, WriteFailed, Stopped };
  // Decrypts `size` body bytes from `in` (positioned after the header) into
  // the digest and, when `out` is given, into that file.
  Pass DecryptBody(ft::File& in, int64_t size, const std::string& password, ft::File* out, Md5Digest& digest,
                   const ft::RunHooks& hooks, int64_t progressBase);
  bool VerifyCrypted(ft::File& crypted, int64_t size, const std::string& password, const Md5Digest& expected,
                     const ft::RunHooks& hooks, int64_t progressBase, bool* stopped);

  ft::FileSystem* fs_;
  std::vector<uint8_t> buffer_;
};

}  // namespace qz::fed
