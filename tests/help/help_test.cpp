// The installed help files: Translation\1033.chm and 1031.chm hold one page
// per topic id, open through the system's compiled-help reader (the storage
// HTML Help itself reads them with), are marked with their language, and map
// context number 1 (F1 in the Internet Tuner) to the Internet Tuner's page.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/text.h"
#include "skin/skin_test_util.h"

// The interface of the system's compiled-help storage, as far as used. It is
// declared outside the anonymous namespace: for a class with internal linkage
// the compiler may assume it sees every implementation, finds only pure
// virtual functions and turns the calls into undefined behaviour.
namespace qz::test {
struct IItStorage : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};
}  // namespace qz::test

namespace {

using qz::test::IItStorage;

const char* const kTopics[] = {"MAIN", "OPTIONS", "DC", "RC", "IC", "DLL", "OCO", "ST",
                               "IT", "NQ", "WIN", "FW", "FSJ", "FA", "FED"};

struct Language {
  const char* id;
  uint32_t lcid;
};
const Language kLanguages[] = {{"1033", 0x0409}, {"1031", 0x0407}};

std::string HelpFile(const Language& lang) {
  return qz::test::InstalledProgramDir() + "\\Translation\\" + lang.id + ".chm";
}

// ---- the compiled file's directory (ITSF header, ITSP index, PMGL chunks) ----

struct ChmEntry {
  uint64_t section = 0, offset = 0, length = 0;
};
struct ChmDirectory {
  bool ok = false;
  std::string error;
  uint32_t lcid = 0;
  std::map<std::string, ChmEntry> entries;  // by name, e.g. "/DC.htm"
};

class Reader {
 public:
  explicit Reader(const std::string& data) : d_(data) {}
  bool Has(uint64_t pos, uint64_t n) const { return pos <= d_.size() && n <= d_.size() - pos; }
  uint32_t U32(uint64_t pos) const {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d_[pos + i]);
    return v;
  }
  uint64_t U64(uint64_t pos) const { return U32(pos) | (static_cast<uint64_t>(U32(pos + 4)) << 32); }
  uint16_t U16(uint64_t pos) const {
    return static_cast<uint16_t>(static_cast<unsigned char>(d_[pos]) | (static_cast<unsigned char>(d_[pos + 1]) << 8));
  }
  bool Tag(uint64_t pos, const char* tag) const { return Has(pos, 4) && d_.compare(pos, 4, tag) == 0; }
  // A variable-length number: 7 bits per byte, high bit set on all but the last.
  bool EncInt(uint64_t& pos, uint64_t end, uint64_t* value) const {
    uint64_t v = 0;
    for (int i = 0; i < 9; ++i) {
      if (pos >= end) return false;
      unsigned char c = static_cast<unsigned char>(d_[pos++]);
      v = (v << 7) | (c & 0x7F);
      if (!(c & 0x80)) {
        *value = v;
        return true;
      }
    }
    return false;
  }
  std::string Sub(uint64_t pos, uint64_t n) const { return d_.substr(pos, n); }

 private:
  const std::string& d_;
};

ChmDirectory ParseChmDirectory(const std::string& data) {
  ChmDirectory dir;
  Reader r(data);
  auto fail = [&](const char* why) {
    dir.error = why;
    return dir;
  };
  if (!r.Tag(0, "ITSF") || !r.Has(0, 0x58)) return fail("no ITSF header");
  dir.lcid = r.U32(0x14);
  uint64_t dirOffset = r.U64(0x48), dirLength = r.U64(0x50);
  if (!r.Has(dirOffset, dirLength) || !r.Tag(dirOffset, "ITSP")) return fail("no ITSP header");
  uint32_t headerLen = r.U32(dirOffset + 8), chunkSize = r.U32(dirOffset + 0x10);
  int32_t chunk = static_cast<int32_t>(r.U32(dirOffset + 0x20));
  uint32_t chunkCount = r.U32(dirOffset + 0x2C);
  if (chunkSize < 0x20 || chunkSize > 0x10000) return fail("odd chunk size");
  for (uint32_t guard = 0; chunk != -1; ++guard) {
    if (guard > chunkCount || chunk < 0 || static_cast<uint32_t>(chunk) >= chunkCount) return fail("bad chunk chain");
    uint64_t base = dirOffset + headerLen + static_cast<uint64_t>(chunk) * chunkSize;
    if (!r.Has(base, chunkSize) || !r.Tag(base, "PMGL")) return fail("bad PMGL chunk");
    uint32_t quickRef = r.U32(base + 4);
    if (quickRef > chunkSize - 0x14) return fail("bad quick-reference area");
    uint64_t end = base + chunkSize - quickRef;
    uint16_t count = r.U16(base + chunkSize - 2);
    uint64_t pos = base + 0x14;
    for (uint16_t i = 0; i < count; ++i) {
      uint64_t nameLen = 0;
      if (!r.EncInt(pos, end, &nameLen) || nameLen > end - pos) return fail("bad entry name");
      std::string name = r.Sub(pos, nameLen);
      pos += nameLen;
      ChmEntry e;
      if (!r.EncInt(pos, end, &e.section) || !r.EncInt(pos, end, &e.offset) || !r.EncInt(pos, end, &e.length))
        return fail("bad entry");
      dir.entries[name] = e;
    }
    chunk = static_cast<int32_t>(r.U32(base + 0x10));
  }
  dir.ok = true;
  return dir;
}

// ---- reading through the system's compiled-help reader ------------------------

class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }

 private:
  HRESULT hr_;
};

std::string DrainStream(IStream* stream) {
  std::string out;
  char buf[4096];
  for (;;) {
    ULONG got = 0;
    HRESULT hr = stream->Read(buf, sizeof buf, &got);
    out.append(buf, got);
    if (FAILED(hr) || got == 0) break;
  }
  return out;
}

// A file inside the compiled file, read through the system's compiled-help
// storage (the reader behind HTML Help's "its:" protocol; the protocol itself
// hands no data to URLOpenBlockingStream under Wine 8).
const GUID kClsidItStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const GUID kIidItStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

bool ReadInternalFile(const std::string& chm, const std::wstring& name, std::string* content, HRESULT* result) {
  IItStorage* its = nullptr;
  *result = CoCreateInstance(kClsidItStorage, nullptr, CLSCTX_INPROC_SERVER, kIidItStorage,
                             reinterpret_cast<void**>(&its));
  if (FAILED(*result) || !its) return false;
  IStorage* storage = nullptr;
  *result = its->StgOpenStorage(qz::Widen(chm).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                &storage);
  its->Release();
  if (FAILED(*result) || !storage) return false;
  IStream* stream = nullptr;
  *result = storage->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
  storage->Release();
  if (FAILED(*result) || !stream) return false;
  *content = DrainStream(stream);
  stream->Release();
  return true;
}

// ---- tests --------------------------------------------------------------------

class HelpFiles : public testing::TestWithParam<Language> {};

TEST_P(HelpFiles, DirectoryListsEveryTopicPageAndTheLanguage) {
  const Language& lang = GetParam();
  std::string path = HelpFile(lang);
  std::string data = qz::test::ReadFileText(path);
  ASSERT_FALSE(data.empty()) << path << " is missing or empty (is the program installed?)";
  ChmDirectory dir = ParseChmDirectory(data);
  ASSERT_TRUE(dir.ok) << dir.error;
  EXPECT_EQ(dir.lcid, lang.lcid);
  std::vector<std::string> wanted = {"/index.htm", "/help.css", "/toc.hhc", "/index.hhk", "/#SYSTEM", "/#IVB"};
  for (const char* t : kTopics) wanted.push_back(std::string("/") + t + ".htm");
  for (const auto& name : wanted) {
    auto it = dir.entries.find(name);
    ASSERT_NE(it, dir.entries.end()) << name << " is not in " << path;
    EXPECT_GT(it->second.length, 0u) << name;
  }
}

TEST_P(HelpFiles, EveryTopicPageOpensAsItsOwnPage) {
  const Language& lang = GetParam();
  ComScope com;
  for (const char* topic : kTopics) {
    SCOPED_TRACE(topic);
    std::string content;
    HRESULT hr = S_OK;
    ASSERT_TRUE(ReadInternalFile(HelpFile(lang), qz::Widen(std::string(topic) + ".htm"), &content, &hr))
        << "cannot open the page, 0x" << std::hex << static_cast<unsigned long>(hr);
    EXPECT_NE(content.find(std::string("<meta name=\"topic\" content=\"") + topic + "\">"), std::string::npos)
        << "the page is not the " << topic << " page";
    EXPECT_NE(content.find("charset=windows-1252"), std::string::npos) << "pages are stored in the ANSI code page";
    auto open = content.find("<title>"), close = content.find("</title>");
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    EXPECT_GT(close, open + 7) << "empty title";
    EXPECT_GT(content.size(), 800u) << "the page says hardly anything";
  }
}

TEST_P(HelpFiles, PagesAreInTheirLanguage) {
  const Language& lang = GetParam();
  ComScope com;
  std::string content;
  HRESULT hr = S_OK;
  ASSERT_TRUE(ReadInternalFile(HelpFile(lang), L"DC.htm", &content, &hr));
  bool german = std::string(lang.id) == "1031";
  // A word only the German page has (with its umlaut in Windows-1252) and one
  // only the English page has.
  EXPECT_EQ(content.find("Papierkorb") != std::string::npos, german);
  EXPECT_EQ(content.find("Recycle Bin") != std::string::npos, !german);
  if (german) {
    EXPECT_NE(content.find("L\xF6schen"), std::string::npos) << "umlaut in Windows-1252";
  }
}

// F1 in the Internet Tuner asks for context number 1: the context table of the
// file must send it to IT.htm.
TEST_P(HelpFiles, ContextOneOpensTheInternetTunerPage) {
  const Language& lang = GetParam();
  ComScope com;
  std::string ivb, strings;
  HRESULT hr = S_OK;
  ASSERT_TRUE(ReadInternalFile(HelpFile(lang), L"#IVB", &ivb, &hr)) << std::hex << static_cast<unsigned long>(hr);
  ASSERT_TRUE(ReadInternalFile(HelpFile(lang), L"#STRINGS", &strings, &hr)) << std::hex << static_cast<unsigned long>(hr);
  // #IVB: a byte count, then pairs (context number, offset of the page name in #STRINGS).
  ASSERT_GE(ivb.size(), 12u);
  Reader r(ivb);
  uint32_t bytes = r.U32(0);
  ASSERT_LE(4u + bytes, ivb.size());
  bool found = false;
  for (uint32_t pos = 4; pos + 8 <= 4 + bytes; pos += 8) {
    if (r.U32(pos) != 1) continue;
    uint32_t off = r.U32(pos + 4);
    ASSERT_LT(off, strings.size());
    EXPECT_EQ(std::string(strings.c_str() + off), "IT.htm");
    found = true;
  }
  EXPECT_TRUE(found) << "context 1 is not mapped";
}

INSTANTIATE_TEST_SUITE_P(Languages, HelpFiles, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<Language>& info) { return std::string("L") + info.param.id; });

}  // namespace
