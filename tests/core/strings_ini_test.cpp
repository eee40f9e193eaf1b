// String helpers and the one-shot INI routines.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/disk.h"
#include "core/ini.h"
#include "core/strings.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz {
namespace {

TEST(Strings, SplitUpperTrimmed) {
  struct Row {
    const char* text;
    StringList items;
  };
  const Row rows[] = {
      {"a; b ;;x", {"A", "B", ""}},  // the final single X is dropped
      {"a;bc", {"A", "BC"}},
      {"", {}},
      {"x", {}},
      {" x ", {}},
      {"ab", {"AB"}},
      {";", {""}},
      {"*.tmp;\t*.bak ;~*.*", {"*.TMP", "*.BAK", "~*.*"}},
      {"grün;ä", {"GRÜN"}},  // one character, even when it takes two bytes
      {"grün;äö", {"GRÜN", "ÄÖ"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    StringList l;
    SplitUpperTrimmed(r.text, ';', l);
    EXPECT_EQ(l, r.items);
  }
  StringList l{"keep"};
  SplitUpperTrimmed("a;b;", ';', l);
  EXPECT_EQ(l, (StringList{"keep", "A", "B"}));
}

TEST(Strings, TextAfterLast) {
  struct Row {
    const char* text;
    char delim;
    const char* result;
  };
  const Row rows[] = {
      {"C:\\A\\B.ini", '\\', "B.ini"}, {"C:\\A\\", '\\', "A\\"}, {"", '\\', ""},
      {"abc", '\\', "abc"},          {"\\", '\\', "\\"},       {"a\\", '\\', "a\\"},
      {"\\\\", '\\', "\\"},           {"x.y.z", '.', "z"},      {"äö\\ü", '\\', "ü"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(TextAfterLast(r.text, r.delim), r.result);
  }
}

TEST(Strings, ExpandEnvVarsGrowsItsBuffer) {
  std::string windir = ExpandEnvVars("%WINDIR%");
  EXPECT_TRUE(IEquals(windir, "C:\\windows"));
  EXPECT_EQ(ExpandEnvVars("%QZ_NO_SUCH_VARIABLE%\\x"), "%QZ_NO_SUCH_VARIABLE%\\x");
  EXPECT_EQ(ExpandEnvVars(""), "");
  std::string longValue(6000, 'v');
  ASSERT_TRUE(SetEnvironmentVariableW(L"QZ_LONG_VALUE", Widen(longValue).c_str()));
  EXPECT_EQ(ExpandEnvVars("[%QZ_LONG_VALUE%]"), "[" + longValue + "]");
  std::string longText(3000, 't');
  EXPECT_EQ(ExpandEnvVars(longText + "%WINDIR%"), longText + windir);
  SetEnvironmentVariableW(L"QZ_LONG_VALUE", nullptr);
}

TEST(Ini, ReadAndWrite) {
  test::ScratchDir d("core-ini");
  std::string f = d.Write("project.ini",
                          "[Update]\r\nfile=http://example.invalid/v.txt\r\n"
                          "[Numbers]\r\nn=12\r\nneg=-5\r\nblank= 7 \r\nword=abc\r\nhex=0x1F\r\nempty=\r\n");
  EXPECT_EQ(IniReadString(f, "update", "FILE"), "http://example.invalid/v.txt");
  EXPECT_EQ(IniReadString(f, "Update", "missing"), "");
  EXPECT_EQ(IniReadString(d / "missing.ini", "Update", "file"), "");
  struct Row {
    const char* key;
    int32_t value;
  };
  for (const Row& r : {Row{"n", 12}, Row{"neg", -5}, Row{"blank", 7}, Row{"word", -1}, Row{"hex", 31},
                       Row{"empty", -1}, Row{"missing", -1}}) {
    SCOPED_TRACE(r.key);
    EXPECT_EQ(IniReadInteger(f, "Numbers", r.key), r.value);
  }

  std::string longValue(5000, 'L');
  EXPECT_TRUE(IniWriteStringChecked(f, "New", "long", longValue));
  EXPECT_EQ(IniReadString(f, "New", "long"), longValue);
  IniDeleteKey(f, "Numbers", "n");
  EXPECT_EQ(IniReadInteger(f, "Numbers", "n"), -1);
  EXPECT_EQ(IniReadInteger(f, "Numbers", "neg"), -5);
}

TEST(Ini, ReadSectionKeepsRawValuesInFileOrder) {
  test::ScratchDir dir("core-ini-section");
  std::string file = dir.Write("win.ini",
                               "[windows]\r\nrun=\"C:\\a b\\x.exe\" /s\r\nload=\r\nTool=1\r\ntool=2\r\n"
                               "[other]\r\nx=y\r\n");
  auto entries = IniReadSection(file, "Windows");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].first, "run");
  EXPECT_EQ(entries[0].second, "\"C:\\a b\\x.exe\" /s");
  EXPECT_EQ(entries[1].first, "load");
  EXPECT_EQ(entries[1].second, "");
  EXPECT_EQ(entries[2].first, "Tool");
  EXPECT_EQ(entries[3].first, "tool");
  EXPECT_TRUE(IniReadSection(file, "missing").empty());
  EXPECT_TRUE(IniReadSection(dir / "none.ini", "windows").empty());
}

TEST(Ini, WriteCheckedComparesWithWhatTheProfileReturns) {
  test::ScratchDir d("core-ini-write");
  std::string f = d.Write("s.ini", "[S]\r\n");
  struct Row {
    const char* text;
    const char* readBack;
  };
  const Row rows[] = {
      {"plain", "plain"},         {"\"quoted\"", "quoted"},  {"'single'", "single"},
      {"  padded  ", "padded"},   {"", ""},                  {"Grüße", "Grüße"},
      {"\"a\" and \"b\"", "a\" and \"b"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_TRUE(IniWriteStringChecked(f, "S", "k", r.text));
    EXPECT_EQ(IniReadString(f, "S", "k"), r.readBack);
  }
  // A line break cannot be stored in one value: reported, not hidden.
  EXPECT_FALSE(IniWriteStringChecked(f, "S", "k", "two\r\nlines"));
}

TEST(Ini, WriteCheckedKeepsReadOnlyAndCreatesNothing) {
  test::ScratchDir d("core-ini-ro");
  std::string f = d.Write("ro.ini", "[S]\r\nk=old\r\n");
  std::wstring w = Widen(f);
  ASSERT_TRUE(SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(IniWriteStringChecked(f, "S", "k", "new"));
  EXPECT_EQ(IniReadString(f, "S", "k"), "new");
  EXPECT_TRUE(GetFileAttributesW(w.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_FALSE(IniWriteStringChecked(d / "missing.ini", "S", "k", "v"));
  IniDeleteKey(d / "missing2.ini", "S", "k");
  EXPECT_FALSE(PathExists(d / "missing.ini"));
  EXPECT_FALSE(PathExists(d / "missing2.ini"));
}

}  // namespace
}  // namespace qz
