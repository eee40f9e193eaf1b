// The PE version reader: against the system's version API over the prefix's
// own libraries, on the fixture libraries, and on damaged copies.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "cleaning/dll/dll_version.h"
#include "cleaning/dll/pe_version.h"
#include "core/stringlist.h"
#include "dll_fixture.h"

using namespace qz;
using namespace qz::dll;
using namespace qz::dll::test;

namespace {

std::string FixtureBytes(const std::string& name) {
  std::string bytes = qz::test::ReadFileText(FixtureDll(name));
  EXPECT_FALSE(bytes.empty()) << "fixture " << name << " missing (tests/cleaning/dll/fixtures.sh)";
  return bytes;
}

uint32_t Get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void Put32(std::string& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void Put16(std::string& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }

// Where the resource data directory entry and the resource section's bytes
// lie in a sound PE32+ file.
struct Layout {
  size_t resDirEntry = 0;  // file offset of the directory's RVA field
  size_t resRoot = 0;      // file offset of the resource tree's root
};
Layout LayoutOf(const std::string& b) {
  Layout l;
  const uint32_t pe = Get32(b, 0x3C);
  const uint16_t sections = static_cast<uint16_t>(Get32(b, pe + 6) & 0xFFFF);
  const uint16_t optSize = static_cast<uint16_t>(Get32(b, pe + 20) & 0xFFFF);
  l.resDirEntry = pe + 24 + 112 + 16;
  const uint32_t rva = Get32(b, l.resDirEntry);
  for (uint16_t i = 0; i < sections; ++i) {
    const size_t s = pe + 24 + optSize + i * 40u;
    const uint32_t va = Get32(b, s + 12), raw = Get32(b, s + 16), ptr = Get32(b, s + 20);
    if (rva >= va && rva < va + raw) l.resRoot = ptr + (rva - va);
  }
  return l;
}

// The version API's answer for a file.
struct ApiVersion {
  bool HasFixed = false;
  uint16_t Fixed[4] = {};
  bool HasText = false;
  std::string FileVersion;
};
ApiVersion ReadWithApi(const std::string& path) {
  ApiVersion r;
  const std::wstring w = Widen(path);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(w.c_str(), &handle);
  if (size == 0) return r;
  std::vector<uint8_t> buf(size);
  if (!GetFileVersionInfoW(w.c_str(), 0, size, buf.data())) return r;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  if (VerQueryValueW(buf.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed &&
      len >= sizeof *fixed && fixed->dwSignature == 0xFEEF04BD) {
    r.HasFixed = true;
    r.Fixed[0] = HIWORD(fixed->dwFileVersionMS);
    r.Fixed[1] = LOWORD(fixed->dwFileVersionMS);
    r.Fixed[2] = HIWORD(fixed->dwFileVersionLS);
    r.Fixed[3] = LOWORD(fixed->dwFileVersionLS);
  }
  WORD* tr = nullptr;
  if (VerQueryValueW(buf.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len) && tr &&
      len >= 4) {
    wchar_t q[64];
    swprintf(q, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", tr[0], tr[1]);
    wchar_t* text = nullptr;
    if (VerQueryValueW(buf.data(), q, reinterpret_cast<void**>(&text), &len) && text) {
      r.HasText = true;
      r.FileVersion = Narrow(text);
    }
  }
  return r;
}

}  // namespace

// The reader agrees with the system's API on the prefix's own libraries: the
// fixed version of every file that has one, and the "FileVersion" text of
// the table the first translation names.
TEST(PeVersion, AgreesWithTheVersionApiOnSystemLibraries) {
  StringList files;
  WIN32_FIND_DATAW fd;
  const std::string dir = "C:\\windows\\system32\\";
  HANDLE h = FindFirstFileW(Widen(dir + "*.dll").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(dir + Narrow(fd.cFileName));
  } while (FindNextFileW(h, &fd) && files.size() < 250);
  FindClose(h);

  int fixedCompared = 0, textCompared = 0;
  for (const std::string& f : files) {
    const PeVersionInfo own = ReadPeVersion(f);
    const ApiVersion api = ReadWithApi(f);
    EXPECT_TRUE(own.IsPe) << f;
    if (api.HasFixed) {
      ++fixedCompared;
      ASSERT_TRUE(own.HasFixed) << f;
      for (int i = 0; i < 4; ++i) EXPECT_EQ(own.Fixed[i], api.Fixed[i]) << f;
    }
    if (api.HasText) {
      ++textCompared;
      EXPECT_EQ(own.FileVersion, api.FileVersion) << f;
    }
  }
  EXPECT_GT(fixedCompared, 100);
  EXPECT_GT(textCompared, 100);
}

TEST(PeVersion, FixtureLibraries) {
  struct Case {
    const char* name;
    uint16_t machine;
    bool hasVersion;
    uint16_t fixed[4];
    const char* text;
  };
  const Case cases[] = {
      {"qzfx64_1", kMachineX64, true, {1, 0, 0, 0}, "1.0.0.0"},
      {"qzfx64_10", kMachineX64, true, {10, 0, 0, 0}, "10.0.0.0"},
      {"qzfx32_2", kMachineX86, true, {2, 0, 0, 0}, "2.0.0.0"},
      {"qzfx64_comma", kMachineX64, true, {6, 0, 2800, 1106}, "6, 0, 2800, 1106"},
      {"qzfx64_build", kMachineX64, true, {4, 71, 3110, 0}, "4.71 Build 3110"},
      {"qzfx64_nover", kMachineX64, false, {0, 0, 0, 0}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PeVersionInfo v = ReadPeVersion(FixtureDll(c.name));
    EXPECT_TRUE(v.IsPe);
    EXPECT_EQ(v.Machine, c.machine);
    EXPECT_EQ(v.HasResource, c.hasVersion);
    EXPECT_EQ(v.HasFixed, c.hasVersion);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v.Fixed[i], c.fixed[i]);
    EXPECT_EQ(v.FileVersion, c.text);
    EXPECT_EQ(v.CompanyName, c.hasVersion ? "QZ Fixture Co" : "");
    EXPECT_EQ(v.FileDescription, c.hasVersion ? std::string("QZ fixture library ") + c.text : "");
    // The buffer form reads the same bytes alike.
    const PeVersionInfo m = ParsePeVersion(FixtureBytes(c.name));
    EXPECT_EQ(m.FileVersion, v.FileVersion);
    EXPECT_EQ(m.Machine, v.Machine);
  }
  EXPECT_FALSE(ReadPeVersion("C:\\qztests\\no-such-file.dll").IsPe);
}

// Every truncation and thousands of byte changes of a sound file: never a
// crash, and a file cut before its version resource has no version.
TEST(PeVersion, TruncatedAndCorruptedCopies) {
  const std::string sound = FixtureBytes("qzfx64_2");
  ASSERT_GT(sound.size(), 1024u);
  const Layout l = LayoutOf(sound);
  ASSERT_NE(l.resRoot, 0u);
  for (size_t n = 0; n < sound.size(); n += 7) {
    const PeVersionInfo v = ParsePeVersion(std::string_view(sound).substr(0, n));
    if (n < l.resRoot) {
      EXPECT_FALSE(v.HasResource) << n;
    }
    if (n < 64) {
      EXPECT_FALSE(v.IsPe) << n;
    }
  }
  std::mt19937 rng(15);
  for (int i = 0; i < 3000; ++i) {
    std::string b = sound;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < flips; ++k) b[rng() % b.size()] = static_cast<char>(rng() & 0xFF);
    const PeVersionInfo v = ParsePeVersion(b);
    EXPECT_LE(v.FileVersion.size(), 0xFFFFu);
  }
  // A truncated file on disk reads like the truncated buffer.
  qz::test::ScratchDir dir("dll-pe");
  const std::string cut = dir.Write("cut.dll", sound.substr(0, l.resRoot + 8));
  EXPECT_TRUE(ReadPeVersion(cut).IsPe);
  EXPECT_FALSE(ReadPeVersion(cut).HasResource);
  EXPECT_FALSE(ReadPeVersion(dir.Write("text.dll", "MZ this is no program")).IsPe);
}

// Offsets and sizes that point outside the file or inside out.
TEST(PeVersion, HostileOffsetsGiveNoVersion) {
  const std::string sound = FixtureBytes("qzfx64_2");
  const Layout l = LayoutOf(sound);
  ASSERT_NE(l.resRoot, 0u);
  ASSERT_TRUE(ParsePeVersion(sound).HasFixed);

  auto expectNoVersion = [](const std::string& b, const char* what) {
    const PeVersionInfo v = ParsePeVersion(b);
    EXPECT_FALSE(v.HasResource) << what;
    EXPECT_TRUE(v.FileVersion.empty()) << what;
  };
  std::string b = sound;
  Put32(b, l.resDirEntry, 0x7FFFFFF0);  // the resource directory far outside the file
  expectNoVersion(b, "directory outside");
  b = sound;
  Put32(b, l.resDirEntry, 0xFFFFFFFF);
  expectNoVersion(b, "directory at the end of the address space");
  b = sound;
  Put16(b, l.resRoot + 14, 0xFFFF);  // more entries than the section holds
  Put16(b, l.resRoot + 12, 0xFFFF);
  expectNoVersion(b, "entry count");
  b = sound;
  Put32(b, l.resRoot + 16 + 8 + 4, 0x80000000u);  // the version type's entry points back at the root
  expectNoVersion(b, "loop");
  b = sound;
  Put32(b, 0x3C, 0x7FFFFFF0);  // the PE header outside the file
  EXPECT_FALSE(ParsePeVersion(b).IsPe);
  b = sound;
  const uint32_t pe = Get32(sound, 0x3C);
  Put16(b, pe + 6, 0xFFFF);  // section count beyond any limit
  expectNoVersion(b, "section count");
}

// ---- version numbers ------------------------------------------------------------

TEST(DllVersionNumbers, TextsAndComparison) {
  auto parts = [](const DllVersion& v) { return VersionNumberText(v); };
  EXPECT_EQ(parts(ParseVersionText("6, 0, 2800, 1106")), "6.0.2800.1106");
  EXPECT_EQ(parts(ParseVersionText("4.71 Build 3110")), "4.71.0.0");
  EXPECT_EQ(parts(ParseVersionText("5.1.2600.0 (xpclient.010817-1148)")), "5.1.2600.0");
  EXPECT_EQ(parts(ParseVersionText("  10 . 0")), "10.0.0.0");
  EXPECT_EQ(parts(ParseVersionText("1.2.3.4.5")), "1.2.3.4");
  EXPECT_EQ(parts(ParseVersionText("99999999999")), "4294967295.0.0.0");
  EXPECT_FALSE(ParseVersionText("").Known);
  EXPECT_FALSE(ParseVersionText("Build 12").Known);
  EXPECT_FALSE(ParseVersionText("v1.0").Known);

  EXPECT_GT(CompareVersions(ParseVersionText("10.0"), ParseVersionText("9.0")), 0);
  EXPECT_EQ(CompareVersions(ParseVersionText("6, 0, 2800, 1106"), ParseVersionText("6.0.2800.1106")), 0);
  EXPECT_LT(CompareVersions(ParseVersionText("1.9.9"), ParseVersionText("1.10")), 0);
  EXPECT_LT(CompareVersions(ParseVersionText(""), ParseVersionText("0.0.0.1")), 0);
  EXPECT_EQ(CompareVersions(ParseVersionText(""), ParseVersionText("abc")), 0);

  // The fixed version wins over the text.
  PeVersionInfo info;
  info.HasFixed = true;
  info.Fixed[0] = 3;
  info.FileVersion = "1.0";
  EXPECT_EQ(VersionNumberText(VersionOf(info)), "3.0.0.0");
  info.HasFixed = false;
  EXPECT_EQ(VersionNumberText(VersionOf(info)), "1.0.0.0");
}

TEST(DllVersionNumbers, DisplayCut) {
  EXPECT_EQ(VersionDisplayText("5.1.2600.0 (xpclient.010817-1148)"), "5.1.2600.0");
  EXPECT_EQ(VersionDisplayText("6, 0, 2800, 1106"), "6. 0. 2800. 1106");
  EXPECT_EQ(VersionDisplayText("4.71 Build 3110"), "4.71");
  EXPECT_EQ(VersionDisplayText("4.71 build 3110"), "4.71");
  EXPECT_EQ(VersionDisplayText("  2.0.0.0  "), "2.0.0.0");
  EXPECT_EQ(VersionDisplayText(""), "");
}
