// The file-type list and the changes of one type, on scratch classes
// locations: what is listed, from which view, and that a change keeps the
// first original with its type and never damages what it was not asked to
// write.
#include <gtest/gtest.h>

#include <algorithm>

#include "assoc_fixture.h"
#include "core/strings.h"
#include "ui/vtree_model.h"

namespace qz::fa {
namespace {

using test::kCommandKey;
using test::kIconKey;
using test::ScratchClasses;

// The listed entries by extension (upper case).
std::map<std::string, FileTypeEntry> List(FileTypes& types) {
  ui::VTreeModel tree;
  types.LoadFileTypes(tree);
  std::map<std::string, FileTypeEntry> out;
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const FileTypeEntry& e = tree.Data<FileTypeEntry>(n);
    EXPECT_EQ(out.count(UpperAscii(e.Extension)), 0u) << e.Extension << " listed twice";
    out[UpperAscii(e.Extension)] = e;
  }
  return out;
}

FileTypeEntry Entry(const ScratchClasses& c, const std::string& ext) {
  FileTypes types({c.Location()});
  types.HideSystem = false;
  auto all = List(types);
  auto it = all.find(UpperAscii(ext));
  EXPECT_NE(it, all.end()) << ext;
  return it == all.end() ? FileTypeEntry{} : it->second;
}

TEST(FileTypeTexts, IconTextAndCommandIcon) {
  std::string file;
  int index = 7;
  ParseIconText("%SystemRoot%\\system32\\shell32.dll,-153", file, index);
  EXPECT_EQ(file, ExpandEnvVars("%SystemRoot%") + "\\system32\\shell32.dll");
  EXPECT_EQ(index, -153);
  ParseIconText("shell32.dll,3", file, index);
  EXPECT_EQ(file, "");
  EXPECT_EQ(index, 0);
  ParseIconText("C:\\x\\a.dll", file, index);
  EXPECT_EQ(file, "C:\\x\\a.dll");
  EXPECT_EQ(index, 0);
  ParseIconText("C:\\x\\a,b.dll,2", file, index);
  EXPECT_EQ(file, "C:\\x\\a");
  EXPECT_EQ(index, 2);
  ParseIconText("C:\\x\\a.dll,none", file, index);
  EXPECT_EQ(index, 0);
  for (const char* noIcon : {"%1", "\"C:\\x\\a.exe\",0", "url.dll,0", "msiexec.exe", ""}) {
    ParseIconText(noIcon, file, index);
    EXPECT_EQ(file, "") << noIcon;
  }

  EXPECT_EQ(IconFileOfCommand("\"C:\\a b\\x.exe\" \"%1\""), "C:\\a b\\x.exe");
  EXPECT_EQ(IconFileOfCommand("C:\\a\\x.exe %1"), "C:\\a\\x.exe %1");
  EXPECT_EQ(IconFileOfCommand("\"C:\\open ended"), "C:\\open ended");
}

TEST(FileTypeTexts, EnvironmentReferences) {
  for (const char* ref : {"%SystemRoot%\\x.exe", "a %ProgramFiles(x86)%\\b", "%WINDIR%", "\"%1\" %Ab_9%"})
    EXPECT_TRUE(HasEnvironmentReference(ref)) << ref;
  for (const char* plain : {"\"%1\" %*", "x.exe %1", "%L", "%l %1", "100%", "%A%", "%9x%", "% a%", "%a b%", ""})
    EXPECT_FALSE(HasEnvironmentReference(plain)) << plain;
  EXPECT_EQ(StringTypeFor("%SystemRoot%\\notepad.exe %1"), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(StringTypeFor("\"%1\" %*"), static_cast<DWORD>(REG_SZ));
}

TEST(FileTypeList, WhatIsListed) {
  ScratchClasses c("fa_list");
  c.Set("plainkey", "", "qztext");                         // no "."
  c.Type(".clsid", "CLSID\\{00000000}", "", "x.exe");      // a CLSID as ProgID
  c.Class("CLSID\\{00000000}", "clsid", "x.exe");
  c.Extension(".noclass", "qzmissing");                    // no class key
  c.Extension(".empty", "");
  c.Type(".qzt", "qztext", "QZ Text", "C:\\qz\\t.exe %1", "%SystemRoot%\\system32\\shell32.dll,-152");
  c.Type(".nodisp", "qznodisp", "", "");
  c.Type(".bat", "qzbat", "Batch", "\"%1\"");
  c.Type(".INI", "qzini", "Settings", "notepad.exe %1");
  c.Type(".orig1", "qzorig1", "Icon changed", "a.exe", "C:\\x\\a.dll,1");
  c.Set("qzorig1" + std::string(kIconKey), kOriginalValue, "C:\\x\\old.dll,0");
  c.Type(".orig2", "qzorig2", "Command changed", "b.exe");
  c.Set("qzorig2" + std::string(kCommandKey), kOriginalValue, "old.exe");

  FileTypes types({c.Location()});
  auto hidden = List(types);
  EXPECT_EQ(hidden.size(), 4u);
  for (const char* ext : {".QZT", ".NODISP", ".ORIG1", ".ORIG2"}) EXPECT_EQ(hidden.count(ext), 1u) << ext;

  types.HideSystem = false;
  auto all = List(types);
  EXPECT_EQ(all.size(), 6u);
  EXPECT_EQ(all.count(".BAT"), 1u);
  EXPECT_EQ(all.count(".INI"), 1u);

  const FileTypeEntry& t = all[".QZT"];
  EXPECT_EQ(t.DisplayName, "QZ Text");
  EXPECT_EQ(t.ProgID, "qztext");
  EXPECT_EQ(t.Extension, ".qzt");
  EXPECT_EQ(t.Command, "C:\\qz\\t.exe %1");
  EXPECT_EQ(t.IconFile, ExpandEnvVars("%SystemRoot%\\system32\\shell32.dll"));
  EXPECT_EQ(t.IconIndex, -152);
  EXPECT_EQ(t.HasOriginal, 0);
  EXPECT_EQ(t.Location, c.Location());
  EXPECT_EQ(all[".NODISP"].DisplayName, "qznodisp");
  EXPECT_EQ(all[".NODISP"].Command, "");
  EXPECT_EQ(all[".ORIG1"].HasOriginal, 1);
  EXPECT_EQ(all[".ORIG2"].HasOriginal, 1);
}

TEST(FileTypeList, ProgressPerKeyAndAnEmptyLocation) {
  ScratchClasses c("fa_progress");
  c.Type(".qa", "qza", "A", "a.exe");
  c.Set("other", "", "x");
  FileTypes types({c.Location(), ClassesLocation{HKEY_CURRENT_USER, "Software\\QZTests\\fa_no_such_key"}});
  int64_t started = -1, last = 0, calls = 0;
  types.OnReadingStarted = [&](int64_t total) { started = total; };
  types.OnProgress = [&](int64_t position, int64_t total) {
    EXPECT_EQ(position, last + 1);
    EXPECT_EQ(total, started);
    last = position;
    ++calls;
  };
  ui::VTreeModel tree;
  EXPECT_EQ(types.LoadFileTypes(tree), 1u);
  EXPECT_EQ(started, 3);  // .qa, qza, other
  EXPECT_EQ(calls, 3);

  FileTypes none({ClassesLocation{HKEY_CURRENT_USER, "Software\\QZTests\\fa_no_such_key"}});
  none.OnReadingStarted = [](int64_t) { ADD_FAILURE() << "nothing to read"; };
  EXPECT_EQ(none.LoadFileTypes(tree), 0u);
  EXPECT_TRUE(tree.IsEmpty());
}

// A type in both views is listed once, from the 64-bit one; a type of the
// 32-bit store alone is listed from there and changed there only.
TEST(FileTypeViews, BothStoresListedOnceEachWrittenWhereItCameFrom) {
  ScratchClasses v64("fa_view64"), v32("fa_view32");
  v64.Type(".qza", "qza64", "A 64", "C:\\64\\a.exe %1");
  v32.Type(".QZA", "qza32", "A 32", "C:\\32\\a.exe %1");
  v32.Type(".qzb", "qzb32", "B 32", "C:\\32\\b.exe %1");

  FileTypes types({v64.Location(), v32.Location()});
  auto all = List(types);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[".QZA"].ProgID, "qza64");
  EXPECT_EQ(all[".QZA"].Location, v64.Location());
  FileTypeEntry b = all[".QZB"];
  EXPECT_EQ(b.Location, v32.Location());

  b.Command = "C:\\new\\b.exe \"%1\"";
  EXPECT_TRUE(types.WriteFileTypeEntry(b, kWriteCommand));
  EXPECT_EQ(v32.Text("qzb32" + std::string(kCommandKey)), "C:\\new\\b.exe \"%1\"");
  EXPECT_EQ(v32.Text("qzb32" + std::string(kCommandKey), kOriginalValue), "C:\\32\\b.exe %1");
  EXPECT_FALSE(RegHasKey(v64.Root(), v64.Key("qzb32")));
  EXPECT_EQ(b.HasOriginal, 1);
  EXPECT_TRUE(types.ResetFileType(b));
  EXPECT_EQ(v32.Text("qzb32" + std::string(kCommandKey)), "C:\\32\\b.exe %1");
  EXPECT_FALSE(RegHasKey(v64.Root(), v64.Key("qzb32")));
}

// The program's own locations: a type made through HKEY_CLASSES_ROOT in the
// 32-bit view is listed once, and its change lands in the 32-bit store.
TEST(FileTypeViews, ThirtyTwoBitClassRootOfTheSystem) {
  // The 32-bit store of the class root, by its stored path.
  auto remove = [] {
    for (const wchar_t* k :
         {L"Software\\Classes\\Wow6432Node\\.qz32assoc", L"Software\\Classes\\Wow6432Node\\qz32assocfile"})
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, k);
  };
  remove();
  struct Cleanup {
    decltype(remove)& fn;
    ~Cleanup() { fn(); }
  } cleanup{remove};
  auto create = [](const wchar_t* key, const wchar_t* text) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
  };
  create(L".qz32assoc", L"qz32assocfile");
  create(L"qz32assocfile", L"QZ 32-bit type");
  create(L"qz32assocfile\\shell\\open\\Command", L"C:\\qz32\\old.exe %1");
  ASSERT_FALSE(RegHasKey(HKEY_CLASSES_ROOT, ".qz32assoc")) << "the 64-bit view must not see it";

  FileTypes types;  // the program's locations
  auto all = List(types);
  ASSERT_EQ(all.count(".QZ32ASSOC"), 1u);
  FileTypeEntry e = all[".QZ32ASSOC"];
  EXPECT_EQ(e.DisplayName, "QZ 32-bit type");
  EXPECT_EQ(e.Location.root, HKEY_LOCAL_MACHINE);
  e.Command = "C:\\qz32\\new.exe %1";
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand));
  const std::string command = e.Location.Key("qz32assocfile\\shell\\open\\Command");
  EXPECT_TRUE(IStartsWith(command, "Software\\Classes\\Wow6432Node\\")) << command;
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, command, ""), "C:\\qz32\\new.exe %1");
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, command, kOriginalValue), "C:\\qz32\\old.exe %1");
  EXPECT_FALSE(RegHasKey(HKEY_CLASSES_ROOT, "qz32assocfile"));
}

TEST(FileTypeChanges, FirstOriginalKeptResetAndNewOriginal) {
  ScratchClasses c("fa_originals");
  c.Type(".qzo", "qzo", "O", "C:\\old.exe %1");
  FileTypes types({c.Location()});
  const std::string cmdKey = "qzo" + std::string(kCommandKey);
  FileTypeEntry e = Entry(c, ".qzo");

  e.Command = "C:\\new1.exe %1";
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand));
  e.Command = "C:\\new2.exe %1";
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand));
  EXPECT_EQ(c.Text(cmdKey), "C:\\new2.exe %1");
  EXPECT_EQ(c.Text(cmdKey, kOriginalValue), "C:\\old.exe %1");
  EXPECT_EQ(e.HasOriginal, 1);

  EXPECT_TRUE(types.ResetFileType(e));
  EXPECT_EQ(c.Text(cmdKey), "C:\\old.exe %1");
  EXPECT_EQ(c.TypeOf(cmdKey), static_cast<DWORD>(REG_SZ));
  EXPECT_FALSE(c.Has(cmdKey, kOriginalValue));
  EXPECT_EQ(e.HasOriginal, 0);
  EXPECT_EQ(e.Command, "C:\\old.exe %1");

  e.Command = "C:\\new3.exe";
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand));
  EXPECT_EQ(c.Text(cmdKey, kOriginalValue), "C:\\old.exe %1");
  // The list shows what is stored.
  EXPECT_EQ(e.Command, "C:\\new3.exe");
}

TEST(FileTypeChanges, LetterCaseOnlyWritesNothing) {
  ScratchClasses c("fa_case");
  c.Type(".qzc", "qzc", "C", "C:\\Old.exe %1", "C:\\x\\a.dll,1");
  FileTypes types({c.Location()});
  const test::Snapshot before = c.Take();
  FileTypeEntry e = Entry(c, ".qzc");
  e.Command = "c:\\OLD.EXE %1";
  e.IconFile = "c:\\X\\A.DLL";
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand | kWriteIcon));
  EXPECT_EQ(c.Take(), before);
  EXPECT_EQ(e.HasOriginal, 0);
}

// Changing only the application never touches the icon value: not a missing
// one, not one the list cannot show, not one written with a variable.
TEST(FileTypeChanges, CommandOnlyLeavesTheIconByteForByte) {
  ScratchClasses c("fa_icononly");
  c.Type(".qz1", "qz1", "missing icon", "C:\\a.exe %1");
  c.Type(".qz2", "qz2", "relative icon", "C:\\a.exe %1", "url.dll,0");
  c.Type(".qz3", "qz3", "expandable icon", "C:\\a.exe %1");
  c.Set("qz3" + std::string(kIconKey), "", "%SystemRoot%\\system32\\shell32.dll,-153", REG_EXPAND_SZ);
  FileTypes types({c.Location()});
  for (const char* id : {"qz1", "qz2", "qz3"}) {
    const test::Snapshot iconBefore = c.Take(std::string(id) + kIconKey);
    FileTypeEntry e = Entry(c, std::string(".") + id);
    e.Command = "\"C:\\new\\b.exe\" \"%1\"";
    EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand)) << id;
    EXPECT_EQ(c.Take(std::string(id) + kIconKey), iconBefore) << id;
    EXPECT_EQ(c.Text(std::string(id) + kCommandKey), "\"C:\\new\\b.exe\" \"%1\"") << id;
  }
  EXPECT_FALSE(RegHasKey(c.Root(), c.Key("qz1\\DefaultIcon")));
}

TEST(FileTypeChanges, TypesAreKeptAndChosenByTheText) {
  ScratchClasses c("fa_types");
  c.Type(".qze", "qze", "E", "");
  const std::string cmdKey = "qze" + std::string(kCommandKey);
  c.Set(cmdKey, "", "%SystemRoot%\\system32\\notepad.exe %1", REG_EXPAND_SZ);
  FileTypes types({c.Location()});
  FileTypeEntry e = Entry(c, ".qze");

  e.Command = "C:\\plain.exe \"%1\" %*";
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand));
  EXPECT_EQ(c.TypeOf(cmdKey), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(c.TypeOf(cmdKey, kOriginalValue), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_TRUE(types.ResetFileType(e));
  EXPECT_EQ(c.TypeOf(cmdKey), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(c.Text(cmdKey), "%SystemRoot%\\system32\\notepad.exe %1");

  e.Command = "%ProgramFiles%\\x.exe %1";
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand));
  EXPECT_EQ(c.TypeOf(cmdKey), static_cast<DWORD>(REG_EXPAND_SZ));

  // An icon chosen with a variable in it is written expandable too.
  e.IconFile = "%SystemRoot%\\system32\\shell32.dll";
  e.IconIndex = 3;
  EXPECT_TRUE(types.WriteFileTypeEntry(e, kWriteIcon));
  EXPECT_EQ(c.TypeOf("qze" + std::string(kIconKey)), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(c.Text("qze" + std::string(kIconKey), kOriginalValue), "");  // no icon before

  // An original the earlier program kept as a plain string comes back
  // expandable when it holds a variable.
  c.Set(cmdKey, kOriginalValue, "%SystemRoot%\\system32\\write.exe %1", REG_SZ);
  EXPECT_TRUE(types.ResetFileType(e));
  EXPECT_EQ(c.TypeOf(cmdKey), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(c.Text(cmdKey), "%SystemRoot%\\system32\\write.exe %1");
}

// Writes that fail on purpose: no value changes without its original, and
// an original stays until its value is back.
class FailingWrites : public RegistryWrites {
 public:
  std::string failName;  // a write of this value name fails ("" is the default value)
  bool SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                 DWORD type) override {
    return IEquals(name, failName) ? false : RegistryWrites::SetString(root, key, name, text, type);
  }
  bool SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
              const std::vector<uint8_t>& data) override {
    return IEquals(name, failName) ? false : RegistryWrites::SetRaw(root, key, name, type, data);
  }
};

TEST(FileTypeChanges, FailedWritesLoseNothing) {
  ScratchClasses c("fa_failing");
  c.Type(".qzf", "qzf", "F", "C:\\old.exe %1");
  const std::string cmdKey = "qzf" + std::string(kCommandKey);
  FailingWrites writes;
  FileTypes types({c.Location()});
  types.Writes = &writes;
  FileTypeEntry e = Entry(c, ".qzf");

  writes.failName = kOriginalValue;
  e.Command = "C:\\new.exe %1";
  EXPECT_FALSE(types.WriteFileTypeEntry(e, kWriteCommand));
  EXPECT_EQ(c.Text(cmdKey), "C:\\old.exe %1");
  EXPECT_FALSE(c.Has(cmdKey, kOriginalValue));
  EXPECT_EQ(e.Command, "C:\\old.exe %1") << "the entry shows what is stored";

  writes.failName = "nothing";
  e.Command = "C:\\new.exe %1";
  ASSERT_TRUE(types.WriteFileTypeEntry(e, kWriteCommand));
  writes.failName = "";  // the default value
  EXPECT_FALSE(types.ResetFileType(e));
  EXPECT_EQ(c.Text(cmdKey, kOriginalValue), "C:\\old.exe %1");
  EXPECT_EQ(e.HasOriginal, 1);
  writes.failName = "nothing";
  EXPECT_TRUE(types.ResetFileType(e));
  EXPECT_EQ(c.Text(cmdKey), "C:\\old.exe %1");
}

}  // namespace
}  // namespace qz::fa
