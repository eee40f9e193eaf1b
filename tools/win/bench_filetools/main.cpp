// Times the file tools' engines beside their floors in the same process (run
// by bench/file_tools.sh). Every line is "<measure> <ms> [count]"; a floor's
// measure is the engine's with "floor" before it.
//   bench_filetools wipe <file> <method> <runs>
//       floorW<m>: the method's pass count of plain 1 MiB WriteFile passes,
//       each flushed; W<m>: the engine's wipe of the file (test mode, no
//       rename, so the file stays)
//   bench_filetools list <folder> <runs>
//       floorL: FindFilesRecursive of the folder; L: the folder added to a
//       wipe list (files and sub-folders as nodes)
//   bench_filetools split <file> <runs>
//       floorS: a plain 1 MiB copy loop of the file; S: the split into 10 MiB
//       parts (removed after each run)
//   bench_filetools join <file> <runs>
//       floorJ: the copy loop; J: the join of the file's 10 MiB parts (made
//       once from a copy) to a new name
//   bench_filetools crypt <file> <runs>
//       floorE: libgcrypt Blowfish-CBC encrypt and decrypt and two MD5 of the
//       file in memory; E: the engine's encryption with its verification;
//       floorD: decrypt and one MD5 in memory; D: the engine's decryption
#include <windows.h>

#include <gcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/disk.h"
#include "core/globals.h"
#include "core/text.h"
#include "filetools/crypt/crypt_engine.h"
#include "filetools/crypt/crypt_format.h"
#include "filetools/split/split_engine.h"
#include "filetools/wipe/wipe_engine.h"
#include "filetools/wipe/wipe_list.h"
#include "../bench_clock.h"

using namespace qz;
using qz::bench::NowMs;

namespace {

constexpr DWORD kMiB = 1 << 20;

void Line(const char* measure, double ms, long long count = -1) {
  if (count >= 0)
    std::printf("%s %.2f %lld\n", measure, ms, count);
  else
    std::printf("%s %.2f\n", measure, ms);
  std::fflush(stdout);
}

HANDLE Open(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileW(Widen(path).c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int64_t SizeOf(HANDLE h) {
  LARGE_INTEGER li;
  return GetFileSizeEx(h, &li) ? li.QuadPart : -1;
}

// `passes` passes of 1 MiB writes over the file, each flushed.
bool PlainPasses(const std::string& path, int passes) {
  HANDLE h = Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  const int64_t size = SizeOf(h);
  std::vector<char> buf(kMiB, 0);
  bool ok = true;
  for (int p = 0; p < passes && ok; ++p) {
    LARGE_INTEGER zero{};
    ok = SetFilePointerEx(h, zero, nullptr, FILE_BEGIN);
    for (int64_t at = 0; ok && at < size; at += kMiB) {
      DWORD n = static_cast<DWORD>(size - at < kMiB ? size - at : kMiB), put = 0;
      ok = WriteFile(h, buf.data(), n, &put, nullptr) && put == n;
    }
    ok = ok && FlushFileBuffers(h);
  }
  CloseHandle(h);
  return ok;
}

// A plain copy loop with a 1 MiB buffer.
bool PlainCopy(const std::string& from, const std::string& to) {
  HANDLE in = Open(from, GENERIC_READ, OPEN_EXISTING);
  HANDLE out = Open(to, GENERIC_WRITE, CREATE_ALWAYS);
  bool ok = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE;
  std::vector<char> buf(kMiB);
  DWORD got = 0, put = 0;
  while (ok && ReadFile(in, buf.data(), kMiB, &got, nullptr) && got > 0)
    ok = WriteFile(out, buf.data(), got, &put, nullptr) && put == got;
  if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  return ok;
}

bool ReadAll(const std::string& path, std::vector<uint8_t>& data) {
  HANDLE h = Open(path, GENERIC_READ, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  data.resize(static_cast<size_t>(SizeOf(h)));
  size_t at = 0;
  DWORD got = 0;
  while (at < data.size() && ReadFile(h, data.data() + at, static_cast<DWORD>(std::min<size_t>(kMiB, data.size() - at)),
                                      &got, nullptr) && got > 0)
    at += got;
  CloseHandle(h);
  return at == data.size();
}

void DeleteParts(const std::string& base) {
  for (const fsj::FoundPart& p : fsj::FindParts(base)) DeleteFileW(Widen(p.Path).c_str());
}

int Wipe(const std::string& file, int method, int runs) {
  const int passes = static_cast<int>(fw::WipeMethodByNumber(method).Passes.size());
  const std::string floorName = "floorW" + std::to_string(method), name = "W" + std::to_string(method);
  for (int r = 0; r < runs; ++r) {
    double t0 = NowMs();
    if (!PlainPasses(file, passes)) return 3;
    Line(floorName.c_str(), NowMs() - t0);
    fw::WipeEngine engine;
    std::string path = file;
    t0 = NowMs();
    if (engine.WipeFile(path, {method, false, false, true}) != fw::WipeResult::Destroyed) return 4;
    Line(name.c_str(), NowMs() - t0);
  }
  return 0;
}

int List(const std::string& folder, int runs) {
  for (int r = 0; r < runs; ++r) {
    StringList files;
    double t0 = NowMs();
    FindFilesRecursive(IncludeTrailingBackslash(folder), "*.*", files);
    Line("floorL", NowMs() - t0, static_cast<long long>(files.size()));
    ui::VTreeModel tree;
    fw::WipeList list(tree);
    t0 = NowMs();
    if (!list.AddWipeFolder(nullptr, folder)) return 3;
    Line("L", NowMs() - t0, static_cast<long long>(tree.TotalCount()));
  }
  return 0;
}

int Split(const std::string& file, int runs) {
  fsj::SplitJoinEngine engine;
  const std::string copy = file + ".copy";
  for (int r = 0; r < runs; ++r) {
    double t0 = NowMs();
    if (!PlainCopy(file, copy)) return 3;
    Line("floorS", NowMs() - t0);
    DeleteFileW(Widen(copy).c_str());
    // Nothing to recycle: no earlier parts are left between runs.
    engine.Recycle = [](const std::string&) { return false; };
    t0 = NowMs();
    if (engine.Split(file, 10 * kMiB).Status != fsj::SplitStatus::Success) return 4;
    Line("S", NowMs() - t0, static_cast<long long>(fsj::FindParts(file).size()));
    DeleteParts(file);
  }
  return 0;
}

int Join(const std::string& file, int runs) {
  fsj::SplitJoinEngine engine;
  const std::string base = ExtractFileDir(file) + "\\joined.bin", copy = file + ".copy";
  DeleteParts(base);
  if (!PlainCopy(file, base) || engine.Split(base, 10 * kMiB).Status != fsj::SplitStatus::Success) return 3;
  DeleteFileW(Widen(base).c_str());
  for (int r = 0; r < runs; ++r) {
    double t0 = NowMs();
    if (!PlainCopy(file, copy)) return 3;
    Line("floorJ", NowMs() - t0);
    DeleteFileW(Widen(copy).c_str());
    t0 = NowMs();
    if (engine.Join(base).Status != fsj::JoinStatus::Success) return 4;
    Line("J", NowMs() - t0, static_cast<long long>(fsj::FindParts(base).size()));
    DeleteFileW(Widen(base).c_str());
  }
  DeleteParts(base);
  return 0;
}

// Raw Blowfish-CBC over the buffer in 512 KiB steps.
bool RawCipher(std::vector<uint8_t>& data, bool encrypt) {
  fed::InitCrypto();
  fed::Sha1Digest key = fed::Sha1("test1234", 8);
  gcry_cipher_hd_t h = nullptr;
  if (gcry_cipher_open(&h, GCRY_CIPHER_BLOWFISH, GCRY_CIPHER_MODE_CBC, 0)) return false;
  static const uint8_t iv[8] = {};
  bool ok = gcry_cipher_setkey(h, key.data(), key.size()) == 0 && gcry_cipher_setiv(h, iv, 8) == 0;
  const size_t whole = data.size() & ~size_t{7};
  for (size_t at = 0; ok && at < whole; at += 512 * 1024) {
    size_t n = std::min<size_t>(512 * 1024, whole - at);
    ok = (encrypt ? gcry_cipher_encrypt(h, data.data() + at, n, nullptr, 0)
                  : gcry_cipher_decrypt(h, data.data() + at, n, nullptr, 0)) == 0;
  }
  gcry_cipher_close(h);
  return ok;
}

int Crypt(const std::string& file, int runs) {
  std::vector<uint8_t> data;
  if (!ReadAll(file, data)) return 3;
  fed::CryptEngine engine;
  const std::string crypted = file + ".crypted";
  const std::string other = ExtractFileDir(file) + "\\decrypted.bin";
  for (int r = 0; r < runs; ++r) {
    double t0 = NowMs();
    fed::Md5(data.data(), data.size());
    if (!RawCipher(data, true) || !RawCipher(data, false)) return 3;
    fed::Md5(data.data(), data.size());
    Line("floorE", NowMs() - t0);
    t0 = NowMs();
    if (engine.Encrypt({file, "test1234", "test1234", false}) != fed::EncryptStatus::Success) return 4;
    Line("E", NowMs() - t0);

    t0 = NowMs();
    if (!RawCipher(data, false)) return 3;
    fed::Md5(data.data(), data.size());
    Line("floorD", NowMs() - t0);
    MoveFileExW(Widen(crypted).c_str(), Widen(other + ".crypted").c_str(), MOVEFILE_REPLACE_EXISTING);
    t0 = NowMs();
    if (engine.Decrypt({other + ".crypted", "test1234", {}}) != fed::DecryptStatus::Success) return 4;
    Line("D", NowMs() - t0);
    DeleteFileW(Widen(other).c_str());
    DeleteFileW(Widen(other + ".crypted").c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const std::string mode = argc > 1 ? argv[1] : "";
  const int runs = argc > 1 ? std::atoi(argv[argc - 1]) : 0;
  if (mode == "wipe" && argc == 5) return Wipe(argv[2], std::atoi(argv[3]), runs);
  if (mode == "list" && argc == 4) return List(argv[2], runs);
  if (mode == "split" && argc == 4) return Split(argv[2], runs);
  if (mode == "join" && argc == 4) return Join(argv[2], runs);
  if (mode == "crypt" && argc == 4) return Crypt(argv[2], runs);
  std::fprintf(stderr, "usage: bench_filetools wipe <file> <method> <runs> | list|split|join|crypt <path> <runs>\n");
  return 2;
}
