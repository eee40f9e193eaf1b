// Reading undo files back and checking the registry against them: the reader
// gives back what the writer recorded, and a restore is reported as done
// only when the registry holds the file.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/reg_undo_reader.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz {
namespace {

std::vector<uint8_t> Sz(const std::wstring& s) {
  std::vector<uint8_t> v((s.size() + 1) * 2, 0);
  std::memcpy(v.data(), s.data(), s.size() * 2);
  return v;
}

void Put(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::vector<uint8_t>& data) {
  ASSERT_TRUE(RegWriteRaw(root, key, name, type, data.data(), static_cast<DWORD>(data.size())));
}

class UndoFileCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    EndRegistryBackup();
    WinTempDir = ExcludeTrailingBackslash(dir.path()) + "\\wintemp";
    CreateDirectoryW(Widen(WinTempDir).c_str(), nullptr);
  }
  void TearDown() override {
    EndRegistryBackup();
    SetRegeditRunner(nullptr);
  }
  std::string Full(const std::string& sub) const { return "HKEY_CURRENT_USER\\" + key.key() + sub; }
  // An undo file of the whole scratch key and of two single values.
  std::string Record(const std::string& name) {
    const std::string file = dir / (name + ".REG");
    EXPECT_TRUE(BeginRegistryBackup(file));
    EXPECT_TRUE(BackupRegistryKey(HKEY_CURRENT_USER, key / "Entry"));
    EXPECT_TRUE(BackupRegistryKey(HKEY_CURRENT_USER, key / "NotThere"));
    EXPECT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key / "Values", "Kept"));
    EXPECT_TRUE(BackupRegistryValue(HKEY_CURRENT_USER, key / "Values", "AddedLater"));
    EXPECT_TRUE(EndRegistryBackup());
    return file;
  }

  test::GlobalsGuard guard;
  test::ScratchDir dir{"corelang_regverify"};
  test::ScratchKey key{"corelang_regverify"};
};

// Every value type the writer emits reads back as the registry holds it.
TEST_F(UndoFileCheck, ReaderGivesBackEveryRecordedValue) {
  const std::string k = key / "Entry";
  std::vector<uint8_t> large(5000);
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 13 + 1);
  Put(HKEY_CURRENT_USER, k, "", REG_SZ, Sz(L"Standard"));
  Put(HKEY_CURRENT_USER, k, "Quoted", REG_SZ, Sz(L"C:\\Program Files\\x.exe \"%1\""));
  Put(HKEY_CURRENT_USER, k, "Umlaut", REG_SZ, Sz(L"Gr\u00f6\u00dfe"));
  Put(HKEY_CURRENT_USER, k, "Lines", REG_SZ, Sz(L"one\r\ntwo"));
  Put(HKEY_CURRENT_USER, k, "Empty", REG_SZ, Sz(L""));
  Put(HKEY_CURRENT_USER, k, "NoBytes", REG_SZ, {});
  Put(HKEY_CURRENT_USER, k, "Expand", REG_EXPAND_SZ, Sz(L"%SystemRoot%\\system32\\shell32.dll,-152"));
  Put(HKEY_CURRENT_USER, k, "Multi", REG_MULTI_SZ, Sz(std::wstring(L"a\0b\0", 4)));
  Put(HKEY_CURRENT_USER, k, "Dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
  Put(HKEY_CURRENT_USER, k, "ShortDword", REG_DWORD, {1, 2});
  Put(HKEY_CURRENT_USER, k, "BigEndian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 5});
  Put(HKEY_CURRENT_USER, k, "Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  Put(HKEY_CURRENT_USER, k, "Binary", REG_BINARY, {0, 0xFF, 0x10});
  Put(HKEY_CURRENT_USER, k, "Large", REG_BINARY, large);
  Put(HKEY_CURRENT_USER, k, "None", REG_NONE, {});
  Put(HKEY_CURRENT_USER, k, "Link", REG_LINK, {0x41, 0});
  Put(HKEY_CURRENT_USER, k, "Odd\\Name \"q\" = 1", REG_DWORD, {1, 0, 0, 0});
  Put(HKEY_CURRENT_USER, k + "\\Sub", "Inner", REG_SZ, Sz(L"inside"));
  Put(HKEY_CURRENT_USER, key / "Values", "Kept", REG_EXPAND_SZ, Sz(L"%TEMP%"));

  std::vector<UndoKeyRecord> records;
  ASSERT_TRUE(ReadRegistryUndoFile(Record("all"), records));
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].FullName(), Full("\\Entry"));
  EXPECT_EQ(records[1].FullName(), Full("\\Entry\\Sub"));
  EXPECT_TRUE(records[2].deleted);
  EXPECT_EQ(records[2].FullName(), Full("\\NotThere"));
  EXPECT_EQ(records[4].values.size(), 1u);
  EXPECT_TRUE(records[4].values[0].absent);
  EXPECT_EQ(records[4].values[0].name, "AddedLater");

  for (size_t r : {0u, 1u, 3u}) {
    std::map<std::string, std::pair<DWORD, std::vector<uint8_t>>> stored;
    for (RegNamedValue& v : RegListValues(HKEY_CURRENT_USER, records[r].path)) stored[v.name] = {v.type, v.data};
    if (r == 3) stored = {{"Kept", stored["Kept"]}};
    ASSERT_EQ(records[r].values.size(), stored.size()) << records[r].path;
    for (const UndoValueRecord& v : records[r].values) {
      ASSERT_TRUE(stored.count(v.name)) << v.name;
      EXPECT_EQ(v.type, stored[v.name].first) << v.name;
      EXPECT_EQ(v.data, stored[v.name].second) << v.name;
    }
  }
  EXPECT_FALSE(VerifyRegistryBackup(dir / "all.REG")) << "nothing changed since";
}

TEST(UndoFileReader, FormsAndRefusals) {
  std::vector<UndoKeyRecord> r;
  ASSERT_TRUE(ParseRegistryUndoText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n@=-\r\n\"x\\\\y\"=\"q\\\"t\"\r\n"
                                    "\"h\"=hex(2):25,00,\\\r\n  41,00\r\n; a comment\r\n[-HKEY_LOCAL_MACHINE\\C]\r\n",
                                    r));
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].rootName, "HKEY_CURRENT_USER");
  EXPECT_EQ(r[0].path, "A\\B");
  ASSERT_EQ(r[0].values.size(), 3u);
  EXPECT_TRUE(r[0].values[0].absent);
  EXPECT_EQ(r[0].values[0].name, "");
  EXPECT_EQ(r[0].values[1].name, "x\\y");
  EXPECT_EQ(r[0].values[1].data, Sz(L"q\"t"));
  EXPECT_EQ(r[0].values[2].type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(r[0].values[2].data, (std::vector<uint8_t>{'%', 0, 0, 0, 'A', 0, 0, 0}));
  EXPECT_TRUE(r[1].deleted);

  for (const char* broken : {"\"v\"=1\r\n",                                   // before any section
                             "[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:1\r\n",   // short dword
                             "[HKEY_CURRENT_USER\\A]\r\n\"v\"=hex:1G\r\n",    // not hex
                             "[HKEY_CURRENT_USER\\A]\r\n\"v=\"x\"\r\n",       // unterminated name
                             "[HKEY_CURRENT_USER]\r\n",                       // a whole root
                             "[-HKEY_CURRENT_USER\\A]\r\n\"v\"=-\r\n"})       // a value of a deleted key
    EXPECT_FALSE(ParseRegistryUndoText(broken, r)) << broken;
}

// The check after the registry editor: a user who said No, a key that came
// back, a value that should be gone, and the real import.
TEST_F(UndoFileCheck, RestoreIsDoneOnlyWhenTheRegistryHoldsTheFile) {
  Put(HKEY_CURRENT_USER, key / "Entry", "Command", REG_SZ, Sz(L"old.exe %1"));
  Put(HKEY_CURRENT_USER, key / "Values", "Kept", REG_EXPAND_SZ, Sz(L"%TEMP%"));
  const std::string file = Record("restore");

  ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, key / "Entry", "Command", "new.exe %1"));
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key / "Values", "AddedLater", 1));
  ASSERT_TRUE(RegEnsureKey(HKEY_CURRENT_USER, key / "NotThere"));
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key / "Entry", "UnknownToTheFile", 7));

  int runs = 0;
  SetRegeditRunner([&](const std::string& commandLine, const std::string&) {
    ++runs;
    EXPECT_NE(commandLine.find(RegistryRestoreCopyPath()), std::string::npos) << commandLine;
    return int64_t{0};  // the editor ran; the user said No
  });
  EXPECT_FALSE(RestoreRegistryBackup(file));
  EXPECT_EQ(runs, 1);
  auto d = VerifyRegistryBackup(file);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->key, Full("\\Entry"));
  EXPECT_TRUE(d->isValue);
  EXPECT_EQ(d->value, "Command");

  SetRegeditRunner([](const std::string&, const std::string&) { return int64_t{-1}; });
  EXPECT_FALSE(RestoreRegistryBackup(file)) << "the editor did not start";

  SetRegeditRunner(nullptr);
  EXPECT_TRUE(RestoreRegistryBackup(file));
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, key / "Entry", "Command"), "old.exe %1");
  EXPECT_FALSE(RegHasKey(HKEY_CURRENT_USER, key / "NotThere"));
  EXPECT_FALSE(RegHasValue(HKEY_CURRENT_USER, key / "Values", "AddedLater"));
  // What the file does not name is not looked at: an import cannot remove it.
  EXPECT_TRUE(RegHasValue(HKEY_CURRENT_USER, key / "Entry", "UnknownToTheFile"));

  // Each kind of record that does not hold is named.
  ASSERT_TRUE(RegEnsureKey(HKEY_CURRENT_USER, key / "NotThere"));
  EXPECT_EQ(VerifyRegistryBackup(file)->key, Full("\\NotThere"));
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, key / "NotThere"));
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, key / "Values", "AddedLater", 1));
  EXPECT_EQ(VerifyRegistryBackup(file)->value, "AddedLater");
  ASSERT_TRUE(RegRemoveValue(HKEY_CURRENT_USER, key / "Values", "AddedLater"));
  ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, key / "Values", "Kept", "%TEMP%"));  // REG_SZ now
  EXPECT_EQ(VerifyRegistryBackup(file)->value, "Kept");
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, key / "Entry"));
  EXPECT_EQ(VerifyRegistryBackup(file)->key, Full("\\Entry"));
  EXPECT_EQ(VerifyRegistryBackup(dir / "missing.REG")->key, dir / "missing.REG");
}

}  // namespace
}  // namespace qz
