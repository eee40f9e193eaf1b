// Files past 4 GiB (sparse, so they cost little until written): offsets,
// sizes and progress are 64-bit throughout. Slow: each step writes
// gigabytes; each removes what it wrote.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/globals.h"
#include "core/text.h"
#include "filetools/common/faulty_fs.h"
#include "filetools/crypt/crypt_engine.h"
#include "filetools/crypt/crypt_format.h"
#include "filetools/split/split_engine.h"
#include "filetools/wipe/wipe_engine.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::ft {
namespace {

constexpr int64_t kGiB = int64_t{1} << 30;
constexpr int64_t k4G = int64_t{1} << 32;

// A file of `size` bytes holding only the markers (the rest a hole).
bool SparseFile(const std::string& path, int64_t size, const std::vector<std::pair<int64_t, std::string>>& markers) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER li;
  li.QuadPart = size;
  bool ok = SetFilePointerEx(h, li, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  for (const auto& [at, text] : markers) {
    li.QuadPart = at;
    DWORD put = 0;
    ok = ok && SetFilePointerEx(h, li, nullptr, FILE_BEGIN) &&
         WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) && put == text.size();
  }
  CloseHandle(h);
  return ok;
}

std::string ReadAt(const std::string& path, int64_t at, size_t n) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER li;
  li.QuadPart = at;
  std::string out(n, '\0');
  DWORD got = 0;
  if (!SetFilePointerEx(h, li, nullptr, FILE_BEGIN) || !ReadFile(h, out.data(), static_cast<DWORD>(n), &got, nullptr))
    got = 0;
  out.resize(got);
  CloseHandle(h);
  return out;
}

int64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &d)) return -1;
  return static_cast<int64_t>(static_cast<uint64_t>(d.nFileSizeHigh) << 32 | d.nFileSizeLow);
}

fed::Md5Digest Md5OfFile(const std::string& path) {
  File f(RealFileSystem());
  fed::Md5Hasher md5;
  if (!f.OpenExisting(path, GENERIC_READ, FILE_SHARE_READ)) return {};
  std::vector<uint8_t> buf(8 << 20);
  DWORD got = 0;
  while (f.ReadSome(buf.data(), static_cast<DWORD>(buf.size()), &got) && got > 0) md5.Update(buf.data(), got);
  return md5.Final();
}

class LargeFiles : public ::testing::Test {
 protected:
  qz::test::GlobalsGuard globals;
  qz::test::ScratchDir dir{"ft_large"};
  void SetUp() override { AbortFlag = 0; }
};

TEST_F(LargeFiles, WipeMethodOnePast4GiB) {
  const std::string path = dir / "big.bin";
  const int64_t size = k4G + 1;
  const std::vector<int64_t> at = {0, 2 * kGiB, k4G - 1, k4G, size - 1};
  std::vector<std::pair<int64_t, std::string>> markers;
  for (int64_t a : at) markers.push_back({a, "M"});
  ASSERT_TRUE(SparseFile(path, size, markers));
  int last = -1;
  fw::WipeHooks hooks;
  hooks.OnPercent = [&](int p) { last = p; };
  fw::WipeEngine engine;
  std::string p = path;
  ASSERT_EQ(engine.WipeFile(p, {1, false, false, true}, hooks), fw::WipeResult::Destroyed);
  EXPECT_EQ(last, 100);
  EXPECT_EQ(SizeOf(path), size);
  for (int64_t a : at) EXPECT_EQ(ReadAt(path, a, 1), std::string(1, '\0')) << a;
  // Every byte was really written: nothing of the file is a hole any more.
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILE_STANDARD_INFO info{};
  ASSERT_TRUE(GetFileInformationByHandleEx(h, FileStandardInfo, &info, sizeof info));
  CloseHandle(h);
  EXPECT_GE(info.AllocationSize.QuadPart, size);
}

TEST_F(LargeFiles, SplitAndJoinPast4GiB) {
  const std::string source = dir / "big.bin";
  const int64_t size = k4G + 3 * (int64_t{1} << 20);
  ASSERT_TRUE(SparseFile(source, size, {{2 * kGiB - 3, "near2G"}, {k4G + 5, "near4G"}, {size - 4, "END!"}}));
  const fed::Md5Digest before = Md5OfFile(source);
  fsj::SplitJoinEngine engine;
  const int64_t part = fsj::UserPartSize(1024);
  ASSERT_EQ(engine.Split(source, part).Status, fsj::SplitStatus::Success);
  EXPECT_EQ(fsj::ScanPartSet(fsj::SplitPartName(source, 0)).Count, 5u);
  EXPECT_EQ(ReadAt(fsj::SplitPartName(source, 1), part - 3, 3), "nea");
  EXPECT_EQ(ReadAt(fsj::SplitPartName(source, 2), 0, 3), "r2G");
  EXPECT_EQ(ReadAt(fsj::SplitPartName(source, 4), 5, 6), "near4G");
  EXPECT_EQ(SizeOf(fsj::SplitPartName(source, 4)), 3 << 20);
  ASSERT_TRUE(DeleteFileW(Widen(source).c_str()));
  ASSERT_EQ(engine.Join(source).Status, fsj::JoinStatus::Success);
  EXPECT_EQ(SizeOf(source), size);
  EXPECT_EQ(ReadAt(source, 2 * kGiB - 3, 6), "near2G");
  EXPECT_EQ(ReadAt(source, k4G + 5, 6), "near4G");
  EXPECT_EQ(Md5OfFile(source), before);
}

TEST_F(LargeFiles, EncryptAndDecryptPast4GiB) {
  const std::string source = dir / "big.bin";
  const int64_t size = k4G + 13;
  ASSERT_TRUE(SparseFile(source, size, {{2 * kGiB, "middle"}, {size - 5, "tail!"}}));
  const fed::Md5Digest digest = Md5OfFile(source);
  int64_t maximum = 0, last = -1;
  bool wrapped = false;
  RunHooks hooks{[&](int64_t m) { maximum = m; }, [&](int64_t p) {
                   wrapped = wrapped || p < last;
                   last = p;
                 }};
  fed::CryptEngine engine;
  ASSERT_EQ(engine.Encrypt({source, "test1234", "test1234", true}, hooks), fed::EncryptStatus::Success);
  EXPECT_EQ(maximum, 2 * size + 32);
  EXPECT_EQ(last, maximum);
  EXPECT_FALSE(wrapped);
  const std::string crypted = source + ".crypted";
  EXPECT_EQ(SizeOf(crypted), size + 32);
  EXPECT_EQ(ReadAt(crypted, 0, 32), fed::DigestHex(digest));
  EXPECT_EQ(SizeOf(source), -1);

  last = -1;
  ASSERT_EQ(engine.Decrypt({crypted, "test1234", {}}, hooks), fed::DecryptStatus::Success);
  EXPECT_EQ(maximum, size);
  EXPECT_FALSE(wrapped);
  ASSERT_TRUE(DeleteFileW(Widen(crypted).c_str()));
  EXPECT_EQ(SizeOf(source), size);
  EXPECT_EQ(ReadAt(source, 2 * kGiB, 6), "middle");
  EXPECT_EQ(ReadAt(source, size - 5, 5), "tail!");
  EXPECT_EQ(Md5OfFile(source), digest);
}

}  // namespace
}  // namespace qz::ft
