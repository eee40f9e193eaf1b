// Registry undo files: the line of every value type, the lifecycle of an
// undo file, its name, and a real restore through the registry editor.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/registry.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz {
namespace {

using test::GlobalsGuard;
using test::ScratchDir;
using test::ScratchKey;

std::vector<uint8_t> Bytes(std::initializer_list<int> b) {
  std::vector<uint8_t> v;
  for (int x : b) v.push_back(static_cast<uint8_t>(x));
  return v;
}

// The bytes of a string value as the registry holds it (UTF-16, NUL ended).
std::vector<uint8_t> Sz(const std::wstring& s, bool terminate = true) {
  std::wstring w = s;
  if (terminate) w.push_back(L'\0');
  std::vector<uint8_t> v(w.size() * 2);
  memcpy(v.data(), w.data(), v.size());
  return v;
}

std::string Line(const std::wstring& name, DWORD type, const std::vector<uint8_t>& data) {
  std::string line;
  EXPECT_TRUE(FormatValueLine(name, type, data.data(), data.size(), line));
  return line;
}

TEST(UndoFileLines, EveryTypeAndEscape) {
  EXPECT_EQ(Line(L"Flag", REG_DWORD, Bytes({10, 0, 0, 0})), "\"Flag\"=dword:0000000A");
  EXPECT_EQ(Line(L"Big", REG_DWORD, Bytes({0xEF, 0xBE, 0xAD, 0xDE})), "\"Big\"=dword:DEADBEEF");
  EXPECT_EQ(Line(L"Odd", REG_DWORD, Bytes({1, 2, 3})), "\"Odd\"=hex(4):01,02,03");
  EXPECT_EQ(Line(L"Bin", REG_BINARY, Bytes({0x01, 0xAB})), "\"Bin\"=hex:01,AB");
  EXPECT_EQ(Line(L"NoBytes", REG_BINARY, {}), "\"NoBytes\"=hex:");
  EXPECT_EQ(Line(L"Path", REG_SZ, Sz(L"C:\\a\"b")), "\"Path\"=\"C:\\\\a\\\"b\"");
  EXPECT_EQ(Line(L"", REG_SZ, Sz(L"default")), "@=\"default\"");
  EXPECT_EQ(Line(L"Empty", REG_SZ, Sz(L"")), "\"Empty\"=\"\"");
  EXPECT_EQ(Line(L"a\\b\"c", REG_SZ, Sz(L"x")), "\"a\\\\b\\\"c\"=\"x\"");
  EXPECT_EQ(Line(L"Umlaut", REG_SZ, Sz(L"Gr\u00f6\u00dfe")), "\"Umlaut\"=\"Gr\u00f6\u00dfe\"");
  // Text that cannot stand inside quotes is written as its bytes.
  EXPECT_EQ(Line(L"Lines", REG_SZ, Sz(L"a\r\nb")), "\"Lines\"=hex(1):61,0D,0A,62,00");
  EXPECT_EQ(Line(L"Lf", REG_SZ, Sz(L"a\nb")), "\"Lf\"=hex(1):61,0A,62,00");
  EXPECT_EQ(Line(L"Nul", REG_SZ, Sz(std::wstring(L"a\0b", 3))), "\"Nul\"=hex(1):61,00,62,00");
  EXPECT_EQ(Line(L"Zero", REG_SZ, {}), "\"Zero\"=hex(1):");
  // Expandable and multi-strings keep their type, as ANSI bytes.
  EXPECT_EQ(Line(L"Exp", REG_EXPAND_SZ, Sz(L"%TEMP%\\x")), "\"Exp\"=hex(2):25,54,45,4D,50,25,5C,78,00");
  EXPECT_EQ(Line(L"Multi", REG_MULTI_SZ, Sz(std::wstring(L"a\0b\0", 4))), "\"Multi\"=hex(7):61,00,62,00,00");
  // Other raw types as hex(N).
  EXPECT_EQ(Line(L"Q", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})), "\"Q\"=hex(b):01,00,00,00,00,00,00,00");
  EXPECT_EQ(Line(L"None", REG_NONE, {}), "\"None\"=hex(0):");
  EXPECT_EQ(Line(L"BigEndian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 5})), "\"BigEndian\"=hex(5):00,00,00,05");
}

TEST(UndoFileLines, LongDataIsContinuedOnShortLines) {
  std::vector<uint8_t> data(9000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  std::string line = Line(L"Large", REG_BINARY, data);
  std::vector<std::string> lines = SplitLines(line);
  ASSERT_GT(lines.size(), 100u);
  size_t bytes = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 80u);
    if (i + 1 < lines.size()) {
      EXPECT_TRUE(EndsWith(lines[i], ",\\")) << lines[i];
    }
    if (i > 0) {
      EXPECT_TRUE(StartsWith(lines[i], "  "));
    }
    for (char c : lines[i]) bytes += c == ',' ? 1 : 0;
  }
  EXPECT_EQ(bytes + 1, data.size());
}

TEST(UndoFileLines, TextWithoutExactAnsiFormFails) {
  std::string line;
  // Devanagari has no form in any ANSI code page of the program's markets.
  std::vector<uint8_t> data = Sz(L"\u0950");
  EXPECT_FALSE(FormatValueLine(L"x", REG_SZ, data.data(), data.size(), line));
  EXPECT_FALSE(FormatValueLine(L"x", REG_EXPAND_SZ, data.data(), data.size(), line));
  EXPECT_FALSE(FormatValueLine(L"\u0950", REG_DWORD, Bytes({1, 0, 0, 0}).data(), 4, line));
  std::vector<uint8_t> odd = Bytes({0x41, 0, 0x42});
  EXPECT_FALSE(FormatValueLine(L"x", REG_SZ, odd.data(), odd.size(), line));
}

class UndoFile : public ::testing::Test {
 protected:
  void SetUp() override {
    EndRegistryBackup();
    WinTempDir = ExcludeTrailingBackslash(dir.path()) + "\\wintemp";
    CreateDirectoryW(Widen(WinTempDir).c_str(), nullptr);
  }
  void TearDown() override { EndRegistryBackup(); }
  std::string Root() const { return "[HKEY_CURRENT_USER\\" + key.key(); }
  GlobalsGuard guard;
  ScratchDir dir{"corelang_regbackup"};
  ScratchKey key{"corelang_regbackup"};
};

TEST_F(UndoFile, ValueRecordAsWritten) {
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key.key(), "Flag", 10));
  std::string lines;
  ASSERT_TRUE(FormatRegistryValue(HKEY_CURRENT_USER, key.key(), "Flag", lines));
  EXPECT_EQ(lines, Root() + "]\r\n\"Flag\"=dword:0000000A");
  ASSERT_TRUE(FormatRegistryValue(HKEY_CURRENT_USER, "\\" + key.key(), "Missing", lines));
  EXPECT_EQ(lines, Root() + "]\r\n\"Missing\"=-");
  ASSERT_TRUE(FormatRegistryValue(HKEY_CURRENT_USER, key.key(), "", lines));
  EXPECT_EQ(lines, Root() + "]\r\n@=-");
  ASSERT_TRUE(FormatRegistryValue(HKEY_CURRENT_USER, key / "NoSuchKey", "x", lines));
  EXPECT_EQ(lines, Root() + "\\NoSuchKey]\r\n\"x\"=-");
  // A value that exists only as a longer name is absent.
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key.key(), "OpenMaximizedX", 1));
  ASSERT_TRUE(FormatRegistryValue(HKEY_CURRENT_USER, key.key(), "OpenMaximized", lines));
  EXPECT_EQ(lines, Root() + "]\r\n\"OpenMaximized\"=-");
}

TEST_F(UndoFile, EmptyBackupLeavesNoFile) {
  const std::string name = dir / "RC\\user\\empty.REG";
  ASSERT_TRUE(BeginRegistryBackup(name));
  EXPECT_TRUE(FileExists(name + ".tmp"));
  EXPECT_TRUE(EndRegistryBackup());
  EXPECT_FALSE(PathExists(name));
  EXPECT_FALSE(PathExists(name + ".tmp"));
  EXPECT_TRUE(DirectoryExists(dir / "RC\\user"));
}

TEST_F(UndoFile, Lifecycle) {
  const std::string name = dir / "life.REG";
  EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, key.key(), "x")) << "idle";
  EXPECT_FALSE(EndRegistryBackup()) << "idle";
  EXPECT_FALSE(BeginRegistryBackup(""));
  ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, key.key(), "Name", "Wert"));

  ASSERT_TRUE(BeginRegistryBackup(name));
  EXPECT_TRUE(RegistryBackupActive());
  EXPECT_EQ(RegistryBackupFileName(), name);
  EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, "", "Name")) << "empty key path";
  ASSERT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key.key(), "Name"));
  // Written through at once: a crash now still leaves the record on disk.
  std::string tmp = test::ReadFileText(name + ".tmp");
  EXPECT_EQ(tmp, "REGEDIT4\r\n\r\n" + Root() + "]\r\n\"Name\"=\"Wert\"\r\n\r\n");
  EXPECT_FALSE(PathExists(name));

  // A value that cannot be written exactly fails and leaves no trace.
  std::vector<uint8_t> om = Sz(L"\u0950");
  ASSERT_TRUE(RegWriteRaw(HKEY_CURRENT_USER, key.key(), "Om", REG_SZ, om.data(), static_cast<DWORD>(om.size())));
  EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, key.key(), "Om"));
  EXPECT_EQ(test::ReadFileText(name + ".tmp"), tmp);

  ASSERT_TRUE(BackupRegistryKey(HKEY_CURRENT_USER, key / "Gone"));
  EXPECT_TRUE(EndRegistryBackup());
  EXPECT_FALSE(RegistryBackupActive());
  EXPECT_FALSE(PathExists(name + ".tmp"));
  EXPECT_EQ(test::ReadFileText(name), tmp + "[-HKEY_CURRENT_USER\\" + key.key() + "\\Gone]\r\n\r\n");

  // The same name again: refused.
  EXPECT_FALSE(BeginRegistryBackup(name));
  EXPECT_FALSE(RegistryBackupActive());
}

TEST_F(UndoFile, EndNeverOverwritesAndAlwaysReturnsToIdle) {
  const std::string name = dir / "clash.REG";
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key.key(), "A", 1));
  ASSERT_TRUE(BeginRegistryBackup(name));
  ASSERT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key.key(), "A"));
  dir.Write("clash.REG", "someone else's");
  EXPECT_FALSE(EndRegistryBackup());
  EXPECT_FALSE(RegistryBackupActive());
  EXPECT_EQ(test::ReadFileText(name), "someone else's");
  // The undo data is kept beside it.
  EXPECT_NE(test::ReadFileText(name + ".tmp").find("\"A\"=dword:00000001"), std::string::npos);
}

TEST_F(UndoFile, BeginWhileActiveSavesThePreviousFile) {
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key.key(), "A", 1));
  ASSERT_TRUE(BeginRegistryBackup(dir / "first.REG"));
  ASSERT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key.key(), "A"));
  ASSERT_TRUE(BeginRegistryBackup(dir / "second.REG"));
  EXPECT_TRUE(FileExists(dir / "first.REG"));
  EXPECT_TRUE(EndRegistryBackup());
}

TEST_F(UndoFile, BackupAndWriteInteger) {
  ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, key.key(), "Switch", "0"));
  EXPECT_FALSE(BackupAndWriteInteger(true, HKEY_CURRENT_USER, key.key(), "Switch")) << "no undo file";
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, key.key(), "Switch"), "0");
  ASSERT_TRUE(BeginRegistryBackup(dir / "switch.REG"));
  EXPECT_TRUE(BackupAndWriteInteger(true, HKEY_CURRENT_USER, key.key(), "Switch"));
  EXPECT_TRUE(BackupAndWriteInteger(false, HKEY_CURRENT_USER, key.key(), "New"));
  ASSERT_TRUE(EndRegistryBackup());
  auto raw = RegReadRaw(HKEY_CURRENT_USER, key.key(), "Switch");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(RegGetInteger(HKEY_CURRENT_USER, key.key(), "New"), 0);
  std::string text = test::ReadFileText(dir / "switch.REG");
  EXPECT_NE(text.find("\"Switch\"=\"0\""), std::string::npos);
  EXPECT_NE(text.find("\"New\"=-"), std::string::npos);
}

TEST(UndoFileNames, UserFolder) {
  EXPECT_EQ(BackupUserFolderFor("Al"), "Default");
  EXPECT_EQ(BackupUserFolderFor("_bob"), "Default");
  EXPECT_EQ(BackupUserFolderFor("1abc"), "Default");
  EXPECT_EQ(BackupUserFolderFor(""), "Default");
  EXPECT_EQ(BackupUserFolderFor("bob"), "bob");
  EXPECT_EQ(BackupUserFolderFor("Administrator"), "Administrator");
  EXPECT_FALSE(GetBackupUserFolder().empty());
}

TEST(UndoFileNames, DateNameWithAFixedClock) {
  SYSTEMTIME t{};
  t.wYear = 2009;
  t.wMonth = 12;
  t.wDay = 8;
  t.wDayOfWeek = 2;
  t.wHour = 14;
  t.wMinute = 5;
  t.wSecond = 33;
  EXPECT_EQ(BackupDateName(t, 1031), "Dienstag, 08. Dezember - 14_05_33");
  EXPECT_EQ(BackupDateName(t, 1033), "Tuesday, 08. December - 2_05_33 PM");
  EXPECT_EQ(MakeBackupFileName("C:\\P\\Backups\\RC", t, 1031),
            "C:\\P\\Backups\\RC\\" + GetBackupUserFolder() + "\\Dienstag, 08. Dezember - 14_05_33.REG");
  EXPECT_EQ(BackupDateName(t, 0x7FF0), "");
  EXPECT_EQ(MakeBackupFileName("C:\\P", t, 0x7FF0), "");
  // Now, in the user's locale: a usable file name.
  std::string now = MakeBackupFileName("C:\\P");
  EXPECT_TRUE(EndsWith(now, ".REG")) << now;
  EXPECT_EQ(ExtractFileName(now).find_first_of(":*?/\\\"<>|"), std::string::npos) << now;
}

// ---- the round trip through the registry editor -------------------------

struct Snapshot {
  std::map<std::wstring, std::map<std::wstring, std::pair<DWORD, std::vector<uint8_t>>>> keys;
  bool operator==(const Snapshot&) const = default;
};

void Take(HKEY root, const std::wstring& path, Snapshot& s) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
  auto& values = s.keys[path];
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLen = 16384, type = 0, size = 0;
    if (RegEnumValueW(h, i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::vector<uint8_t> data(size);
    nameLen = 16384;
    RegEnumValueW(h, i, name, &nameLen, nullptr, &type, data.data(), &size);
    values[std::wstring(name, nameLen)] = {type, data};
  }
  std::vector<std::wstring> subs;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD len = 256;
    if (RegEnumKeyExW(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.emplace_back(name, len);
  }
  RegCloseKey(h);
  for (const auto& sub : subs) Take(root, path + L"\\" + sub, s);
}

void Put(HKEY root, const std::string& key, const wchar_t* name, DWORD type, const std::vector<uint8_t>& data) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, Widen(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(h, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
  RegCloseKey(h);
}

TEST_F(UndoFile, RestoreThroughTheRegistryEditorGivesBackEveryByte) {
  const std::string k = key / "Entry";
  std::vector<uint8_t> large(10000);
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 31 + 7);
  Put(HKEY_CURRENT_USER, k, L"", REG_SZ, Sz(L"Standard"));
  Put(HKEY_CURRENT_USER, k, L"Plain", REG_SZ, Sz(L"C:\\Program Files\\x.exe \"%1\""));
  Put(HKEY_CURRENT_USER, k, L"Umlaut", REG_SZ, Sz(L"Gr\u00f6\u00dfe \u00c4rger"));
  Put(HKEY_CURRENT_USER, k, L"Lines", REG_SZ, Sz(L"one\r\ntwo\nthree"));
  Put(HKEY_CURRENT_USER, k, L"EmptyString", REG_SZ, Sz(L""));
  Put(HKEY_CURRENT_USER, k, L"NoBytes", REG_SZ, {});
  Put(HKEY_CURRENT_USER, k, L"Expand", REG_EXPAND_SZ, Sz(L"%SystemRoot%\\system32\\x.dll"));
  Put(HKEY_CURRENT_USER, k, L"EmptyExpand", REG_EXPAND_SZ, {});
  Put(HKEY_CURRENT_USER, k, L"Multi", REG_MULTI_SZ, Sz(std::wstring(L"first\0second\0", 13)));
  Put(HKEY_CURRENT_USER, k, L"Dword", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12}));
  Put(HKEY_CURRENT_USER, k, L"Qword", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  Put(HKEY_CURRENT_USER, k, L"Binary", REG_BINARY, Bytes({0, 0xFF, 0x10}));
  Put(HKEY_CURRENT_USER, k, L"Large", REG_BINARY, large);
  Put(HKEY_CURRENT_USER, k, L"EmptyBinary", REG_BINARY, {});
  Put(HKEY_CURRENT_USER, k, L"None", REG_NONE, {});
  Put(HKEY_CURRENT_USER, k, L"NoneData", REG_NONE, Bytes({9, 8}));
  Put(HKEY_CURRENT_USER, k, L"Odd\\Name \"quoted\" = yes", REG_DWORD, Bytes({1, 0, 0, 0}));
  Put(HKEY_CURRENT_USER, k + "\\Sub", L"Inner", REG_SZ, Sz(L"inside"));
  Put(HKEY_CURRENT_USER, k + "\\Sub\\Deeper", L"Depth", REG_DWORD, Bytes({2, 0, 0, 0}));
  ASSERT_TRUE(RegEnsureKey(HKEY_CURRENT_USER, k + "\\EmptySub"));
  Put(HKEY_CURRENT_USER, key / "Values", L"Kept", REG_EXPAND_SZ, Sz(L"%TEMP%"));

  Snapshot before;
  Take(HKEY_CURRENT_USER, Widen(key.key()), before);
  ASSERT_EQ(before.keys.size(), 6u);

  const std::string file = dir / "Backups\\RC\\user\\roundtrip.REG";
  ASSERT_TRUE(BeginRegistryBackup(file));
  ASSERT_TRUE(BackupRegistryKey(HKEY_CURRENT_USER, k));
  ASSERT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key / "Values", "Kept"));
  ASSERT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key / "Values", "AddedLater"));
  ASSERT_TRUE(EndRegistryBackup());
  ASSERT_TRUE(StartsWith(test::ReadFileText(file), "REGEDIT4\r\n\r\n"));

  // The change: the key goes, the value changes type and data, a value appears.
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, k));
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key / "Values", "Kept", 5));
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key / "Values", "AddedLater", 1));

  ASSERT_TRUE(RestoreRegistryBackup(file));
  EXPECT_FALSE(PathExists(RegistryRestoreCopyPath()));
  EXPECT_TRUE(FileExists(file));

  Snapshot after;
  Take(HKEY_CURRENT_USER, Widen(key.key()), after);
  ASSERT_EQ(after.keys.size(), before.keys.size());
  for (const auto& [path, values] : before.keys) {
    auto it = after.keys.find(path);
    ASSERT_NE(it, after.keys.end()) << Narrow(path);
    for (const auto& [name, v] : values) {
      auto vt = it->second.find(name);
      ASSERT_NE(vt, it->second.end()) << Narrow(path) << " : " << Narrow(name);
      EXPECT_EQ(vt->second.first, v.first) << Narrow(name);
      EXPECT_EQ(vt->second.second, v.second) << Narrow(name);
    }
    EXPECT_EQ(it->second.size(), values.size()) << Narrow(path);
  }
  EXPECT_TRUE(after == before);
}

TEST_F(UndoFile, RestoreOfAMissingFileRunsNothing) {
  EXPECT_FALSE(RestoreRegistryBackup(dir / "none.REG"));
  EXPECT_FALSE(PathExists(RegistryRestoreCopyPath()));
}

TEST_F(UndoFile, AnOlderRestoreCopyThatCannotBeReplacedIsNeverImported) {
  auto record = [&](const char* name) {
    return "REGEDIT4\r\n\r\n" + Root() + "]\r\n\"" + name + "\"=dword:00000001\r\n\r\n";
  };
  // A copy left from an earlier restore, held open by someone else: it can be
  // read, but neither removed nor overwritten.
  const std::string copy = RegistryRestoreCopyPath();
  ASSERT_TRUE(WriteFileBytes(copy, record("Stale")));
  HANDLE held = CreateFileW(Widen(copy).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string chosen = dir.Write("chosen.REG", record("Chosen"));

  EXPECT_FALSE(RestoreRegistryBackup(chosen));
  EXPECT_FALSE(RestoreRegistryBackup(dir / "none.REG"));
  EXPECT_FALSE(RegHasValue(HKEY_CURRENT_USER, key.key(), "Stale")) << "another undo file was imported";
  CloseHandle(held);

  // Once the old copy is free again, the chosen file goes through.
  EXPECT_TRUE(RestoreRegistryBackup(chosen));
  EXPECT_TRUE(RegIntegerEquals(HKEY_CURRENT_USER, key.key(), "Chosen", 1));
  EXPECT_FALSE(RegHasValue(HKEY_CURRENT_USER, key.key(), "Stale"));
}

// ---- names the format cannot carry ----------------------------------------

// A line break inside a name ends its line early, and what follows is read
// as lines of its own; a NUL ends the text. Such names are refused.
TEST(UndoFileLines, NamesWithLineBreaksOrNulAreRefused) {
  std::string line;
  const std::vector<uint8_t> dword = Bytes({1, 0, 0, 0}), text = Sz(L"x");
  for (const std::wstring& name : {std::wstring(L"a\r\nb"), std::wstring(L"a\nb"), std::wstring(L"a\rb"),
                                   std::wstring(L"a\0b", 3), std::wstring(L"\n")}) {
    EXPECT_FALSE(FormatValueLine(name, REG_DWORD, dword.data(), dword.size(), line));
    EXPECT_FALSE(FormatValueLine(name, REG_SZ, text.data(), text.size(), line));
  }
  EXPECT_TRUE(FormatValueLine(L"[HKEY_CURRENT_USER] a]b \"@\" = \\", REG_DWORD, dword.data(), dword.size(), line));
}

// Whatever the names under a recorded key or value, an undo file never
// makes the restore touch a key it did not record: names that would spell out
// lines of their own are refused (and the change with them), names the format
// carries come back exactly.
TEST_F(UndoFile, NoRestoreTouchesAKeyItDidNotRecord) {
  const std::string scratch = key.key();
  const std::wstring scratchW = Widen(scratch);
  const std::string recorded = key / "Recorded";
  // A sub-key whose name spells a key line for a sibling of the recorded key.
  const std::string hostileKey =
      recorded + "\\A\r\n[HKEY_CURRENT_USER\\" + scratch + "\\Outside";
  Put(HKEY_CURRENT_USER, hostileKey, L"planted", REG_DWORD, Bytes({1, 0, 0, 0}));
  // Value names that spell a key line for the root and a default value there.
  const std::wstring hostileValue = L"x\r\n[HKEY_CURRENT_USER]\r\n@=dword:00000001\r\nz";
  Put(HKEY_CURRENT_USER, key / "Values", hostileValue.c_str(), REG_DWORD, Bytes({2, 0, 0, 0}));
  const std::string absentValue = "gone\r\n[HKEY_CURRENT_USER]\r\n@=dword:00000003\r\nz";
  const std::string absentKey = scratch + "\\gone\r\n[HKEY_CURRENT_USER]\r\n@=dword:00000004\r\n";
  // Odd names the format does carry.
  const std::string odd = key / "Odd [key] ] x ";
  Put(HKEY_CURRENT_USER, odd, L"[HKEY_CURRENT_USER] a]b \"@\" = \\", REG_SZ, Sz(L"[HKEY_CURRENT_USER]\r\n@=x"));
  Put(HKEY_CURRENT_USER, odd, L"@", REG_DWORD, Bytes({5, 0, 0, 0}));
  Put(HKEY_CURRENT_USER, key / "Benign", L"kept", REG_DWORD, Bytes({7, 0, 0, 0}));
  HKEY root = HKEY_CURRENT_USER;
  ASSERT_NE(RegQueryValueExW(root, L"", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
      << "HKEY_CURRENT_USER has a default value before the test";
  // Whatever fails below, a default value the restore planted never outlives
  // the test (the sandbox's registry is kept between runs).
  struct DropPlantedDefault {
    ~DropPlantedDefault() { RegDeleteValueW(HKEY_CURRENT_USER, L""); }
  } dropPlantedDefault;

  const std::string file = dir / "Backups\\RC\\user\\hostile.REG";
  ASSERT_TRUE(BeginRegistryBackup(file));
  EXPECT_FALSE(BackupRegistryKey(HKEY_CURRENT_USER, recorded));
  EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, key / "Values", Narrow(hostileValue)));
  EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, key / "Values", absentValue));
  EXPECT_FALSE(BackupRegistryKey(HKEY_CURRENT_USER, absentKey));
  EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, absentKey, "v"));
  // Key paths without a form in a key line: the root itself, empty parts.
  for (const std::string& path : {std::string(), std::string("\\"), key / "\\x", key / "x\\", key / "a\\\\b"}) {
    SCOPED_TRACE("path '" + path + "'");
    EXPECT_FALSE(BackupRegistryKey(HKEY_CURRENT_USER, path));
    EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, path, "kept"));
    EXPECT_FALSE(BackupRegistryValue(HKEY_CURRENT_USER, path, ""));
  }
  ASSERT_TRUE(BackupRegistryKey(HKEY_CURRENT_USER, odd));
  ASSERT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key / "Benign", "kept"));
  ASSERT_TRUE(EndRegistryBackup());

  Snapshot oddBefore;
  Take(HKEY_CURRENT_USER, Widen(odd), oddBefore);
  // The change (made here even where the backup refused, to see what a
  // restore would do): everything goes.
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, recorded));
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, key / "Values"));
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, odd));
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, key / "Benign"));
  ASSERT_TRUE(RestoreRegistryBackup(file));

  Snapshot after;
  Take(HKEY_CURRENT_USER, scratchW, after);
  const bool planted = RegQueryValueExW(root, L"", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  if (planted) RegDeleteValueW(root, L"");
  EXPECT_FALSE(planted) << "the restore wrote a default value into HKEY_CURRENT_USER";
  EXPECT_FALSE(RegHasKey(HKEY_CURRENT_USER, key / "Outside")) << "the restore made a key nobody recorded";
  EXPECT_FALSE(RegHasKey(HKEY_CURRENT_USER, recorded));
  EXPECT_FALSE(RegHasKey(HKEY_CURRENT_USER, key / "Values"));
  // Exactly the recorded keys came back, with their odd names intact.
  std::vector<std::wstring> keys;
  for (const auto& [path, values] : after.keys) keys.push_back(path);
  EXPECT_EQ(keys, (std::vector<std::wstring>{scratchW, scratchW + L"\\Benign", Widen(odd)}));
  Snapshot oddAfter;
  Take(HKEY_CURRENT_USER, Widen(odd), oddAfter);
  EXPECT_TRUE(oddAfter == oddBefore);
  EXPECT_TRUE(RegIntegerEquals(HKEY_CURRENT_USER, key / "Benign", "kept", 7));
}

}  // namespace
}  // namespace qz
