// Registry helpers on scratch keys: types and conversions, exact presence,
// checked setters over values of another type, recursive removal and its
// refusal.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/registry.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz {
namespace {

void Put(const test::ScratchKey& k, const std::string& name, DWORD type, const void* data, DWORD size) {
  ASSERT_TRUE(RegWriteRaw(k.root(), k.key(), name, type, data, size)) << name;
}
void PutSz(const test::ScratchKey& k, const std::string& name, const std::string& s, DWORD type = REG_SZ) {
  std::wstring w = Widen(s);
  Put(k, name, type, w.c_str(), static_cast<DWORD>((w.size() + 1) * 2));
}
void PutDword(const test::ScratchKey& k, const std::string& name, DWORD v) { Put(k, name, REG_DWORD, &v, 4); }
void PutBin(const test::ScratchKey& k, const std::string& name, std::vector<uint8_t> b) {
  Put(k, name, REG_BINARY, b.data(), static_cast<DWORD>(b.size()));
}

TEST(Registry, TypesAndConversions) {
  test::ScratchKey k("core-reg-types");
  PutSz(k, "sz12", "12");
  PutSz(k, "szText", "abc");
  PutSz(k, "exp", "%WINDIR%\\x", REG_EXPAND_SZ);
  PutDword(k, "dw5", 5);
  PutDword(k, "dwNeg", 0xFFFFFFFF);
  PutBin(k, "bin3", {0x41, 0x42, 0x43});
  PutBin(k, "bin2", {0x05, 0x01});
  PutBin(k, "bin5", {1, 2, 3, 4, 5});
  PutBin(k, "bin0", {});
  PutBin(k, "bin2048", std::vector<uint8_t>(2048, 0x41));
  PutBin(k, "bin2047", std::vector<uint8_t>(2047, 0x41));
  const wchar_t multi[] = L"a\0b\0";
  Put(k, "multi", REG_MULTI_SZ, multi, sizeof multi);
  uint64_t q = 7;
  Put(k, "qword", REG_QWORD, &q, 8);

  struct Row {
    const char* name;
    int type;
    std::string text;
    int32_t integer;
    bool readsAsInteger;
  };
  const Row rows[] = {
      {"sz12", kRegString, "12", 12, true},
      {"szText", kRegString, "abc", 0, false},
      {"exp", kRegExpand, "%WINDIR%\\x", 0, false},  // not expanded
      {"dw5", kRegInteger, "5", 5, true},
      {"dwNeg", kRegInteger, "-1", -1, true},
      {"bin3", kRegBinary, "ABC", 0x434241, true},
      {"bin2", kRegBinary, std::string("\x05\x01"), 261, true},
      {"bin5", kRegBinary, std::string("\x01\x02\x03\x04\x05"), 0, false},  // too long for an integer: 0
      {"bin0", kRegBinary, "", 0, true},
      {"bin2048", kRegBinary, "", 0, false},
      {"bin2047", kRegBinary, std::string(2047, 'A'), 0, false},
      {"multi", kRegBinary, std::string("a\0\0\0b\0\0\0\0\0", 10), 0, false},
      {"qword", kRegBinary, std::string("\x07\0\0\0\0\0\0\0", 8), 0, false},
      {"missing", kRegMissing, "", 0, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(RegGetValueType(k.root(), k.key(), r.name), r.type);
    EXPECT_EQ(RegGetString(k.root(), k.key(), r.name), r.text);
    EXPECT_EQ(RegGetInteger(k.root(), k.key(), r.name), r.integer);  // never throws
    EXPECT_EQ(RegIntegerEquals(k.root(), k.key(), r.name, r.integer), r.readsAsInteger);
  }
  EXPECT_EQ(RegGetValueSize(k.root(), k.key(), "szText"), 8u);
  EXPECT_EQ(RegGetValueSize(k.root(), k.key(), "dw5"), 4u);
  EXPECT_EQ(RegGetValueSize(k.root(), k.key(), "missing"), 0u);
  EXPECT_EQ(RegGetValueSize(k.root(), k / "nokey", "dw5"), 0u);
  EXPECT_EQ(RegGetString(k.root(), k / "nokey", "sz12"), "");
  EXPECT_EQ(RegGetInteger(k.root(), k / "nokey", "dw5"), 0);
}

TEST(Registry, PresenceIsExact) {
  test::ScratchKey k("core-reg-presence");
  EXPECT_FALSE(RegHasValue(k.root(), k.key(), ""));  // no values at all
  PutSz(k, "OpenMaximizedX", "1");
  EXPECT_FALSE(RegHasValue(k.root(), k.key(), "OpenMaximized"));  // only a longer name exists
  EXPECT_TRUE(RegHasValue(k.root(), k.key(), "OpenMaximizedX"));
  EXPECT_TRUE(RegHasValue(k.root(), k.key(), "openmaximizedx"));
  EXPECT_FALSE(RegHasValue(k.root(), k.key(), "OpenMaximizedXY"));
  // An empty name asks for the default value.
  EXPECT_FALSE(RegHasValue(k.root(), k.key(), ""));
  EXPECT_EQ(RegGetValueType(k.root(), k.key(), ""), kRegString);  // whenever the key exists
  PutSz(k, "", "default");
  EXPECT_TRUE(RegHasValue(k.root(), k.key(), ""));
  EXPECT_EQ(RegGetString(k.root(), k.key(), ""), "default");
  EXPECT_FALSE(RegHasValue(k.root(), k / "missing", ""));
  EXPECT_EQ(RegGetValueType(k.root(), k / "missing", ""), kRegMissing);
  // One leading backslash is ignored.
  EXPECT_TRUE(RegHasValue(k.root(), "\\" + k.key(), "OpenMaximizedX"));
  EXPECT_TRUE(RegHasKey(k.root(), "\\" + k.key()));
}

TEST(Registry, CheckedSettersReplaceOtherTypesInPlace) {
  test::ScratchKey k("core-reg-setters");
  PutSz(k, "n", "abc");
  EXPECT_TRUE(RegSetIntegerChecked(k.root(), k.key(), "n", 7));
  EXPECT_EQ(RegGetValueType(k.root(), k.key(), "n"), kRegInteger);
  EXPECT_EQ(RegGetInteger(k.root(), k.key(), "n"), 7);

  PutBin(k, "s", {1, 2, 3, 4, 5, 6});
  EXPECT_TRUE(RegSetStringChecked(k.root(), k.key(), "s", "Grüße € 1"));
  EXPECT_EQ(RegGetValueType(k.root(), k.key(), "s"), kRegString);
  EXPECT_EQ(RegGetString(k.root(), k.key(), "s"), "Grüße € 1");

  PutDword(k, "d", 9);
  EXPECT_TRUE(RegSetStringChecked(k.root(), k.key(), "D", ""));  // the name's case does not matter
  EXPECT_EQ(RegGetValueType(k.root(), k.key(), "d"), kRegString);
  EXPECT_EQ(RegListValueNames(k.root(), k.key()).size(), 3u);  // replaced, not added

  // Keys are created on the way; the read-back check holds for any number.
  EXPECT_TRUE(RegSetIntegerChecked(k.root(), k / "a\\b", "min", INT32_MIN));
  EXPECT_EQ(RegGetInteger(k.root(), k / "a\\b", "min"), INT32_MIN);
  // A text with a NUL inside cannot be stored as written.
  EXPECT_FALSE(RegSetStringChecked(k.root(), k.key(), "nul", std::string("a\0b", 3)));
}

TEST(Registry, RemoveKeyIsRecursiveAndRefusesTheRoot) {
  test::ScratchKey k("core-reg-remove");
  ASSERT_TRUE(RegSetIntegerChecked(k.root(), k / "a\\b\\c", "v", 1));
  ASSERT_TRUE(RegSetIntegerChecked(k.root(), k / "a", "v", 1));
  ASSERT_TRUE(RegSetIntegerChecked(k.root(), k / "keep", "v", 1));
  EXPECT_TRUE(RegRemoveKey(k.root(), "\\" + (k / "a")));
  EXPECT_FALSE(RegHasKey(k.root(), k / "a"));
  EXPECT_TRUE(RegRemoveKey(k.root(), k / "a"));  // already gone

  // With the scratch key as the root, a refusal that failed would only empty it.
  RegKey scratch;
  ASSERT_TRUE(scratch.Open(k.root(), k.key(), KEY_ALL_ACCESS));
  for (const char* path : {"", "\\", "\\\\", "\\\\\\"}) {
    SCOPED_TRACE(std::string("path '") + path + "'");
    EXPECT_FALSE(RegRemoveKey(scratch.get(), path));
    EXPECT_TRUE(RegHasKey(k.root(), k / "keep"));
    EXPECT_TRUE(RegHasValue(k.root(), k / "keep", "v"));
  }
}

TEST(Registry, RemoveValue) {
  test::ScratchKey k("core-reg-removevalue");
  EXPECT_TRUE(RegRemoveValue(k.root(), k / "missing", "x"));
  PutSz(k, "x", "1");
  PutSz(k, "xy", "1");
  EXPECT_TRUE(RegRemoveValue(k.root(), k.key(), "X"));
  EXPECT_FALSE(RegHasValue(k.root(), k.key(), "x"));
  EXPECT_TRUE(RegHasValue(k.root(), k.key(), "xy"));
  EXPECT_TRUE(RegRemoveValue(k.root(), k.key(), "never"));
}

TEST(Registry, BinaryBufferHasNoCap) {
  test::ScratchKey k("core-reg-binary");
  std::vector<uint8_t> big(20000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  PutBin(k, "big", big);
  PutSz(k, "text", "abc");
  EXPECT_EQ(RegGetBinaryToBuffer(k.root(), k.key(), "big"), big);
  EXPECT_EQ(RegGetValueSize(k.root(), k.key(), "big"), 20000u);
  EXPECT_TRUE(RegGetBinaryToBuffer(k.root(), k.key(), "text").empty());
  EXPECT_TRUE(RegGetBinaryToBuffer(k.root(), k.key(), "missing").empty());
}

TEST(Registry, ListsEnsureAndRaw) {
  test::ScratchKey k("core-reg-lists");
  EXPECT_TRUE(RegListValueNames(k.root(), k / "missing").empty());
  EXPECT_TRUE(RegListSubKeys(k.root(), k / "missing").empty());
  EXPECT_TRUE(RegEnsureKey(k.root(), k / "one\\deep"));
  EXPECT_TRUE(RegEnsureKey(k.root(), k / "two"));
  EXPECT_TRUE(RegEnsureKey(k.root(), k / "two"));
  std::string longName(300, 'n');
  PutDword(k, longName, 1);
  PutDword(k, "Wert ä", 2);
  StringList subs = RegListSubKeys(k.root(), k.key());
  std::sort(subs.begin(), subs.end());
  EXPECT_EQ(subs, (StringList{"one", "two"}));
  StringList values = RegListValueNames(k.root(), k.key());
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (StringList{"Wert ä", longName}));

  const uint8_t bytes[] = {1, 0, 2};
  ASSERT_TRUE(RegWriteRaw(k.root(), k.key(), "raw", REG_DWORD_BIG_ENDIAN, bytes, 3));
  auto raw = RegReadRaw(k.root(), k.key(), "raw");
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_DWORD_BIG_ENDIAN));
  EXPECT_EQ(raw->data, (std::vector<uint8_t>{1, 0, 2}));
  EXPECT_EQ(RegGetValueType(k.root(), k.key(), "raw"), kRegBinary);
  EXPECT_FALSE(RegReadRaw(k.root(), k.key(), "none").has_value());
}

TEST(Registry, LocalMachineIsWritable) {
  test::ScratchKey k("core-reg-hklm", HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(RegSetIntegerChecked(HKEY_LOCAL_MACHINE, k.key(), "FirstRunDone", 1));
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, k.key(), "FirstRunDone", 1));
  EXPECT_TRUE(RegSetStringChecked(HKEY_LOCAL_MACHINE, k / "Options", "UseSkin", "default"));
  EXPECT_TRUE(RegRemoveKey(HKEY_LOCAL_MACHINE, k / "Options"));
}

TEST(Registry, RootNames) {
  struct Row {
    HKEY root;
    const char* name;
    const char* shortName;
  };
  const Row rows[] = {{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
                      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
                      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
                      {HKEY_USERS, "HKEY_USERS", "HKU"},
                      {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"}};
  for (const auto& r : rows) {
    EXPECT_EQ(RegRootKeyName(r.root), r.name);
    EXPECT_EQ(RegRootFromName(r.name), r.root);
    EXPECT_EQ(RegRootFromName(LowerAscii(r.shortName)), r.root);
  }
  EXPECT_EQ(RegRootKeyName(HKEY_PERFORMANCE_DATA), "");
  EXPECT_EQ(RegRootFromName("HKEY_NOWHERE"), nullptr);
}


TEST(Registry, ListValuesGivesNamesTypesAndBytesInOneRead) {
  test::ScratchKey k("core-reg-listvalues");
  PutSz(k, "text", "abc");
  PutSz(k, "expand", "%WINDIR%", REG_EXPAND_SZ);
  PutDword(k, "dword", 7);
  PutBin(k, "bin", {1, 2, 3});
  PutBin(k, "", {});  // default value, empty binary
  std::string longName(16383, 'n');
  PutSz(k, longName, "long");
  auto values = RegListValues(k.root(), k.key());
  ASSERT_EQ(values.size(), 6u);
  auto find = [&](const std::string& n) -> const RegNamedValue* {
    for (auto& v : values)
      if (v.name == n) return &v;
    return nullptr;
  };
  ASSERT_TRUE(find("expand"));
  EXPECT_EQ(find("expand")->type, static_cast<DWORD>(REG_EXPAND_SZ));
  ASSERT_TRUE(find("dword"));
  EXPECT_EQ(find("dword")->data, (std::vector<uint8_t>{7, 0, 0, 0}));
  EXPECT_EQ(find("bin")->data, (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_TRUE(find(""));
  EXPECT_TRUE(find("")->data.empty());
  ASSERT_TRUE(find(longName));
  EXPECT_EQ(find("text")->data.size(), 8u);  // "abc" and its NUL in UTF-16
  EXPECT_TRUE(RegListValues(k.root(), k / "missing").empty());
}

TEST(Registry, TypedStringSetterKeepsItsType) {
  test::ScratchKey k("core-reg-typedset");
  PutDword(k, "v", 1);
  EXPECT_TRUE(RegSetStringChecked(k.root(), k.key(), "v", "%SystemRoot%\\x", REG_EXPAND_SZ));
  auto raw = RegReadRaw(k.root(), k.key(), "v");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(RegGetString(k.root(), k.key(), "v"), "%SystemRoot%\\x");
  EXPECT_TRUE(RegSetStringChecked(k.root(), k.key(), "v", "plain", REG_SZ));
  EXPECT_EQ(RegReadRaw(k.root(), k.key(), "v")->type, static_cast<DWORD>(REG_SZ));
  // Only the two string types are written.
  EXPECT_FALSE(RegSetStringChecked(k.root(), k.key(), "v", "x", REG_MULTI_SZ));
  EXPECT_EQ(RegGetString(k.root(), k.key(), "v"), "plain");
}

TEST(Registry, LocationViewsGiveThe32BitStoreAsItsOwnPath) {
  // HKLM\Software\QZTests is redirected for 32-bit programs, HKCU is not.
  const std::string path = "Software\\QZTests\\core-views";
  RegRemoveKey(HKEY_LOCAL_MACHINE, path);
  {
    RegKey k32;
    ASSERT_TRUE(k32.Create(HKEY_LOCAL_MACHINE, path, KEY_WRITE | KEY_WOW64_32KEY));
    DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(k32.get(), L"only32", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
              ERROR_SUCCESS);
  }
  auto views = RegLocationViews(HKEY_LOCAL_MACHINE, "\\" + path);
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(views[0].path, path);
  EXPECT_FALSE(views[0].wow32);
  EXPECT_TRUE(views[1].wow32);
  EXPECT_TRUE(IEquals(views[1].path, "Software\\Wow6432Node\\QZTests\\core-views")) << views[1].path;
  // The stored path reaches the 32-bit key without any view flag.
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, views[1].path, "only32"));
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, views[0].path, "only32"));

  // HKCU is one key for both views: listed once.
  test::ScratchKey cu("core-views-cu");
  auto cuViews = RegLocationViews(cu.root(), cu.key());
  ASSERT_EQ(cuViews.size(), 1u);
  EXPECT_EQ(cuViews[0].path, cu.key());

  // A key missing in both views still gives the 64-bit location, once.
  auto none = RegLocationViews(HKEY_LOCAL_MACHINE, "Software\\QZTests\\core-views-none");
  ASSERT_EQ(none.size(), 1u);
  EXPECT_FALSE(none[0].wow32);

  RegRemoveKey(HKEY_LOCAL_MACHINE, views[1].path);
  RegRemoveKey(HKEY_LOCAL_MACHINE, path);
}

}  // namespace
}  // namespace qz
