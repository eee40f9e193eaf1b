#include "filetools/crypt/crypt_engine.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/disk.h"
#include "core/text.h"
#include "core/translation.h"

namespace qz::fed {

namespace {

constexpr const char* kSection = "TForm_Cryptor";
constexpr size_t kHeaderSize = 32;

std::string T(const char* key, const char* german) { return GetTranslation(kSection, key, german); }

// Clears the password bytes however the run ends.
struct PasswordBytes {
  std::string bytes;
  ~PasswordBytes() { WipeString(bytes); }
};

// MD5 on a second thread: a piece is hashed while the caller writes it and
// reads and deciphers the next one. The caller keeps a submitted piece
// unchanged until the next Submit or Final.
class BackgroundMd5 {
 public:
  BackgroundMd5() : thread_([this] { Run(); }) {}
  ~BackgroundMd5() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  BackgroundMd5(const BackgroundMd5&) = delete;
  BackgroundMd5& operator=(const BackgroundMd5&) = delete;

  void Submit(const uint8_t* data, size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return data_ == nullptr; });
    data_ = data;
    size_ = size;
    wake_.notify_all();
  }
  Md5Digest Final() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return data_ == nullptr; });
    return md5_.Final();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return quit_ || data_ != nullptr; });
      if (data_ == nullptr) return;
      const uint8_t* data = data_;
      size_t size = size_;
      lock.unlock();
      md5_.Update(data, size);
      lock.lock();
      data_ = nullptr;
      done_.notify_all();
    }
  }

  Md5Hasher md5_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace

std::string CryptedName(const std::string& source) { return source + ".crypted"; }

std::string DecryptedName(const std::string& crypted) {
  if (crypted.size() < 8 || UpperAscii(crypted.substr(crypted.size() - 8)) != ".CRYPTED") return {};
  return crypted.substr(0, crypted.size() - 8);
}

Message EncryptMessage(EncryptStatus status) {
  switch (status) {
    case EncryptStatus::Success:
      return {T("MESSAGE_Crypt_Success", "Die Datei wurde verschlüsselt."), MsgKind::Information};
    case EncryptStatus::NoFile:
      return {T("MESSAGE_Crypt_NoFile",
                "Bitte wählen Sie eine Datei aus die verschlüsselt werden soll. Geben Sie einen vollständigen Pfad "
                "an."),
              MsgKind::Warning};
    case EncryptStatus::FileNotFound:
      return {T("MESSAGE_Crypt_FileNotFound", "Bitte ausgewählte Datei existiert nicht! Bitte andere Datei auswählen."),
              MsgKind::Error};
    case EncryptStatus::FileEmpty:
      return {T("MESSAGE_Crypt_FileEmpty", "Die ausgewählte Datei scheint 0 Bytes gross zu sein oder ist gesperrt!"),
              MsgKind::Error};
    case EncryptStatus::PasswordLength:
      return {T("MESSAGE_Crypt_PasswordLength",
                "Sie müssen ein Passwort eingeben welches zwischen 4 und 16 Zeichen lang ist!"),
              MsgKind::Warning};
    case EncryptStatus::PasswordsNotSame:
      return {T("MESSAGE_Crypt_PasswordsNotSame", "Sie müssen in beide Eingabefelder dasselbe Passwort eingeben!"),
              MsgKind::Warning};
    case EncryptStatus::PasswordChars:
      return {T("MESSAGE_PasswordChars",
                "Das Passwort enthält Zeichen, die nicht verwendet werden können. Bitte wählen Sie ein anderes "
                "Passwort."),
              MsgKind::Warning};
    case EncryptStatus::Error:
      return {T("MESSAGE_Crypt_Error",
                "Es trat ein Fehler auf beim Verschlüsseln der Datei! Evtl. war die Datei defekt oder es stand nicht "
                "genug Speicherplatz zur Verfügung."),
              MsgKind::Error};
    case EncryptStatus::DeleteFailed:
      return {T("MESSAGE_Crypt_DeleteFailed",
                "Die Datei wurde verschlüsselt, aber die Originaldatei konnte nicht gelöscht werden."),
              MsgKind::Warning};
    case EncryptStatus::Stopped: break;
  }
  return {};
}

Message DecryptMessage(DecryptStatus status) {
  switch (status) {
    case DecryptStatus::Success:
      return {T("MESSAGE_Decrypt_Success", "Die Datei wurde erfolgreich entschlüsselt."), MsgKind::Information};
    case DecryptStatus::NoFile:
      return {T("MESSAGE_Decrypt_NoFile",
                "Bitte wählen Sie eine gültige Datei aus. Geben Sie einen vollständigen Pfad an."),
              MsgKind::Warning};
    case DecryptStatus::WrongFile:
      return {T("MESSAGE_Decrypt_WrongFile",
                "Dies scheint keine zuvor verschlüsselte Datei zu sein! Bitte wählen Sie eine Datei aus, welche Sie "
                "zuvor verschlüsselt haben."),
              MsgKind::Warning};
    case DecryptStatus::PasswordError:
      return {T("MESSAGE_Decrypt_PasswordError",
                "Sie müssen ein Passwort eingeben welches zwischen 4 und 16 Zeichen lang ist!"),
              MsgKind::Warning};
    case DecryptStatus::PasswordChars:
      return EncryptMessage(EncryptStatus::PasswordChars);
    case DecryptStatus::WrongPassword:
      return {T("MESSAGE_Decrypt_WrongPassword",
                "Das Passwort war falsch! Bitte geben Sie das korrekte Passwort für diese Datei ein!"),
              MsgKind::Error};
    case DecryptStatus::Error:
      return {T("MESSAGE_Decrypt_Error",
                "Es trat ein Fehler auf beim Entschlüsseln der Datei! Evtl. war die Datei defekt oder es stand nicht "
                "genug Speicherplatz zur Verfügung."),
              MsgKind::Error};
    case DecryptStatus::NotReplaced:
    case DecryptStatus::Stopped: break;
  }
  return {};
}

std::string DecryptFileExistsQuestion() {
  return T("MESSAGE_DeCrypt_FileExists", "Die Zieldatei existiert bereits - soll diese überschrieben werden?");
}

// ---- engine ------------------------------------------------------------------

CryptEngine::CryptEngine(ft::FileSystem& fs) : fs_(&fs) {}

CryptEngine::Pass CryptEngine::DecryptBody(ft::File& in, int64_t size, const std::string& password, ft::File* out,
                                           Md5Digest& digest, const ft::RunHooks& hooks, int64_t progressBase) {
  CryptStream cipher;
  if (!cipher.Init(password)) return Pass::ReadFailed;
  // Two buffers: one is hashed while the other is read and deciphered.
  const size_t step = std::max<size_t>(StepSize & ~size_t{7}, 8);
  buffer_.resize(2 * step);
  BackgroundMd5 md5;
  for (int64_t position = 0, k = 0; position < size; ++k) {
    hooks.Progress(progressBase + position);
    if (ft::StopRequested()) return Pass::Stopped;
    uint8_t* piece = buffer_.data() + (k % 2) * step;
    DWORD n = static_cast<DWORD>(std::min<int64_t>(static_cast<int64_t>(step), size - position));
    if (!in.ReadExact(piece, n) || !cipher.Decrypt(piece, n)) return Pass::ReadFailed;
    md5.Submit(piece, n);
    if (out && !out->WriteAll(piece, n)) return Pass::WriteFailed;
    position += n;
  }
  hooks.Progress(progressBase + size);
  digest = md5.Final();
  return Pass::Done;
}

EncryptStatus CryptEngine::Encrypt(const EncryptRequest& request, const ft::RunHooks& hooks) {
  AbortFlag = 0;
  const std::string source = Trim(request.Source);
  if (source.empty() || source.find('\\') == std::string::npos) return EncryptStatus::NoFile;
  if (!FileExists(source)) return EncryptStatus::FileNotFound;
  if (GetFileSize64(source) <= 0) return EncryptStatus::FileEmpty;
  PasswordBytes password;
  PasswordCheck check = ConvertPassword(request.Password, password.bytes);
  if (check == PasswordCheck::Length) return EncryptStatus::PasswordLength;
  if (request.Password != request.Password2) return EncryptStatus::PasswordsNotSame;
  if (check == PasswordCheck::Chars) return EncryptStatus::PasswordChars;

  // Read-only sharing: nobody changes the file while it is read.
  ft::File in(*fs_);
  if (!in.OpenExisting(source, GENERIC_READ, FILE_SHARE_READ)) return EncryptStatus::Error;
  int64_t size = 0;
  if (!in.Size(&size)) return EncryptStatus::Error;
  if (size <= 0) return EncryptStatus::FileEmpty;
  const std::string target = CryptedName(source);
  const bool replaces = PathExists(target);
  ft::TempOutput out(*fs_, target);
  if (!out.Create()) return EncryptStatus::Error;
  hooks.Start(2 * size + static_cast<int64_t>(kHeaderSize));

  // One pass: a placeholder header, the body encrypted and hashed, then the
  // header written over the placeholder.
  const std::string placeholder(kHeaderSize, 'x');
  if (!out.Out().WriteAll(placeholder.data(), kHeaderSize)) return EncryptStatus::Error;
  Md5Digest digest{};
  {
    CryptStream cipher;
    if (!cipher.Init(password.bytes)) return EncryptStatus::Error;
    Md5Hasher md5;
    buffer_.resize(std::max<size_t>(StepSize & ~size_t{7}, 8));
    for (int64_t position = 0; position < size;) {
      hooks.Progress(position);
      if (ft::StopRequested()) return EncryptStatus::Stopped;
      DWORD n = static_cast<DWORD>(std::min<int64_t>(static_cast<int64_t>(buffer_.size()), size - position));
      if (!in.ReadExact(buffer_.data(), n)) return EncryptStatus::Error;
      md5.Update(buffer_.data(), n);
      if (!cipher.Encrypt(buffer_.data(), n) || !out.Out().WriteAll(buffer_.data(), n)) return EncryptStatus::Error;
      position += n;
    }
    digest = md5.Final();
  }
  const std::string header = DigestHex(digest);
  int64_t written = 0;
  if (!out.Out().Seek(0) || !out.Out().WriteAll(header.data(), kHeaderSize) || !out.Out().Size(&written) ||
      written != size + static_cast<int64_t>(kHeaderSize))
    return EncryptStatus::Error;
  hooks.Progress(size + static_cast<int64_t>(kHeaderSize));

  // Verification: what the file holds decrypts to the digest in its header.
  char stored[kHeaderSize];
  Md5Digest storedDigest{}, check2{};
  if (!out.Out().Seek(0) || !out.Out().ReadExact(stored, kHeaderSize) ||
      !ParseDigestHex(stored, kHeaderSize, storedDigest) || storedDigest != digest)
    return EncryptStatus::Error;
  switch (DecryptBody(out.Out(), size, password.bytes, nullptr, check2, hooks,
                      size + static_cast<int64_t>(kHeaderSize))) {
    case Pass::Done: break;
    case Pass::Stopped: return EncryptStatus::Stopped;
    default: return EncryptStatus::Error;
  }
  if (check2 != digest) return EncryptStatus::Error;

  in.Close();
  if (!out.Commit(replaces || request.DeleteOriginal)) return EncryptStatus::Error;
  if (request.DeleteOriginal && (!fs_->Delete(source) || fs_->Attributes(source) != INVALID_FILE_ATTRIBUTES))
    return EncryptStatus::DeleteFailed;
  return EncryptStatus::Success;
}

DecryptStatus CryptEngine::Decrypt(const DecryptRequest& request, const ft::RunHooks& hooks) {
  AbortFlag = 0;
  const std::string source = Trim(request.Source);
  if (source.empty() || source.find('\\') == std::string::npos) return DecryptStatus::NoFile;
  const std::string target = DecryptedName(source);
  if (target.empty()) return DecryptStatus::WrongFile;
  PasswordBytes password;
  PasswordCheck check = ConvertPassword(request.Password, password.bytes);
  if (check == PasswordCheck::Length) return DecryptStatus::PasswordError;
  if (check == PasswordCheck::Chars) return DecryptStatus::PasswordChars;

  ft::File in(*fs_);
  if (!in.OpenExisting(source, GENERIC_READ, FILE_SHARE_READ)) return DecryptStatus::Error;
  int64_t size = 0;
  if (!in.Size(&size)) return DecryptStatus::Error;
  if (size < static_cast<int64_t>(kHeaderSize)) return DecryptStatus::WrongFile;
  char stored[kHeaderSize];
  Md5Digest storedDigest{};
  if (!in.ReadExact(stored, kHeaderSize)) return DecryptStatus::Error;
  if (!ParseDigestHex(stored, kHeaderSize, storedDigest)) return DecryptStatus::WrongFile;

  if (PathExists(target) && !(request.ConfirmReplace && request.ConfirmReplace(target)))
    return DecryptStatus::NotReplaced;
  const bool replaces = PathExists(target);
  ft::TempOutput out(*fs_, target);
  if (!out.Create()) return DecryptStatus::Error;
  const int64_t body = size - static_cast<int64_t>(kHeaderSize);
  hooks.Start(body);
  Md5Digest digest{};
  switch (DecryptBody(in, body, password.bytes, &out.Out(), digest, hooks, 0)) {
    case Pass::Done: break;
    case Pass::Stopped: return DecryptStatus::Stopped;
    default: return DecryptStatus::Error;
  }
  if (digest != storedDigest) return DecryptStatus::WrongPassword;
  if (!out.Commit(replaces)) return DecryptStatus::Error;
  return DecryptStatus::Success;
}

}  // namespace qz::fed
