#include "cleaning/drive/dc_settings.h"

#include <shellapi.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/disk.h"
#include "core/globals.h"
#include "core/ini.h"
#include "core/msgbox.h"
#include "core/pump.h"
#include "core/registry.h"
#include "core/strings.h"
#include "core/text.h"

namespace qz::dc {

SettingsLocation SettingsLocation::Default() {
  SettingsLocation l;
  l.key = OptionsKey("DC");
  return l;
}

// ---- options -------------------------------------------------------------

void LoadCheckValue(HKEY root, const std::string& key, const std::string& name, bool& state) {
  if (!RegHasValue(root, key, name)) return;
  std::optional<int32_t> v;
  switch (RegGetValueType(root, key, name)) {
    case kRegInteger:
      v = RegGetInteger(root, key, name);
      break;
    case kRegString:
    case kRegExpand:
      v = TryParseInt(RegGetString(root, key, name));
      break;
    case kRegBinary:
      if (RegGetValueSize(root, key, name) <= 4) v = RegGetInteger(root, key, name);
      break;
    default:
      break;
  }
  if (v == 0) state = false;
  if (v == 1) state = true;
}

void LoadOptions(const SettingsLocation& loc, DriveCleanerOptions& o) {
  LoadCheckValue(loc.root, loc.key, kOptTmpAll, o.TMPDir_ALL);
  LoadCheckValue(loc.root, loc.key, kOptTmpUser, o.TMPDir_User);
  LoadCheckValue(loc.root, loc.key, kOptMinidump, o.Minidump);
  LoadCheckValue(loc.root, loc.key, kOptLnk, o.LNK);
  LoadCheckValue(loc.root, loc.key, kOptPif, o.PIF);
  LoadCheckValue(loc.root, loc.key, kOptWriteProtected, o.WriteProtected);
}

// ---- file-type groups ----------------------------------------------------

StringList SplitMasks(const std::string& text) {
  StringList l;
  SplitUpperTrimmed(text, ';', l);
  return l;
}

std::string JoinMasks(const StringList& masks) {
  std::string s;
  for (const std::string& m : masks) s += m + ";";
  return s;
}

std::vector<MaskGroup> DefaultMaskGroups(const TranslateFn& tr) {
  struct Def {
    const char* masks;
    const char* german;
    bool checked;
    int image;
  };
  static const Def defs[] = {
      {"*.TMP;*._MP;*.~MP;", "Temporäre Dateien", true, 0},
      {"*.OLD;*.PRV;*.NAV;*.1ST;*.BAK;*.SYD;", "Generelle Backup-Dateien", true, 11},
      {"*.??~;*.~*;*~.*;", "Allgemeine Backup-Dateien", true, 11},
      {"*.$$$;*.---;MSCREATE.DIR;", "Unnötige Dateien", true, 11},
      {"CHKDSK.CHK;FILE*.CHK;", "Von Chkdsk erzeugte Dateien", true, 11},
      {"*.LOG;", "Logfiles (selten benötigt)", false, 11},
      {"*.GID;", "Indexdateien der Windowshilfe (selten benötigt)", false, 5},
  };
  std::vector<MaskGroup> out;
  int n = 0;
  for (const Def& d : defs) {
    MaskGroup g;
    g.Name = Tr(tr, "MESSAGE_FileTyp_" + std::to_string(n++), d.german);
    g.Masks = SplitMasks(d.masks);
    g.Checked = d.checked;
    g.ImageIndex = d.image;
    out.push_back(std::move(g));
  }
  return out;
}

std::vector<MaskGroup> LoadMaskGroups(const SettingsLocation& loc, const TranslateFn& tr) {
  const std::string maskKey = loc.Sub("Mask");
  if (!RegHasKey(loc.root, maskKey)) return DefaultMaskGroups(tr);
  std::vector<MaskGroup> out;
  for (int n = 0;; ++n) {
    std::string k = maskKey + "\\FileTyp" + std::to_string(n);
    if (!RegHasKey(loc.root, k)) break;
    MaskGroup g;
    g.Checked = RegIntegerEquals(loc.root, k, "Checked", 1);
    g.Name = RegGetString(loc.root, k, "Name");
    g.ImageIndex = RegGetInteger(loc.root, k, "ImageIndex");
    g.Masks = SplitMasks(RegGetString(loc.root, k, "Wildcards"));
    out.push_back(std::move(g));
  }
  return out;
}

bool IsTooBroadMask(const std::string& mask) {
  if (mask.empty()) return false;
  return mask.find_first_not_of("*?.") == std::string::npos;
}

NewGroupCheck CheckNewMaskGroup(const std::string& name, const std::string& maskText, MaskGroup& group) {
  if (Trim(name).empty() || Trim(maskText).empty()) return NewGroupCheck::Empty;
  // Every typed item counts here, also a last one the split below would drop.
  size_t start = 0;
  while (start <= maskText.size()) {
    size_t end = maskText.find(';', start);
    if (end == std::string::npos) end = maskText.size();
    if (IsTooBroadMask(Trim(maskText.substr(start, end - start)))) return NewGroupCheck::TooBroad;
    start = end + 1;
  }
  StringList masks = SplitMasks(maskText);
  bool any = false;
  for (const std::string& m : masks)
    if (!m.empty()) any = true;
  if (!any) return NewGroupCheck::Empty;
  group = MaskGroup{};
  group.Name = name;
  group.Masks = std::move(masks);
  group.ImageIndex = 0;
  group.Checked = true;
  return NewGroupCheck::Ok;
}

std::string TooBroadMaskMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_MaskTooBroad",
            "Diese Suchmaske passt auf fast jede Datei und wird deshalb nicht angenommen.\r"
            "Bitte geben Sie eine Maske mit mindestens einem festen Zeichen an (z.B. \"*.gid\").");
}

// ---- exceptions ----------------------------------------------------------

std::string ExceptionKey(const std::string& path) { return UpperLocale(path); }

ExceptionEntry MakeException(const std::string& path, bool isFolder, bool builtIn) {
  ExceptionEntry e;
  e.Path = path;
  e.IsFolder = isFolder ? 1 : 0;
  e.ImageIndex = isFolder ? 1 : 0;
  e.IsBuiltIn = builtIn ? 1 : 0;
  return e;
}

std::vector<ExceptionEntry> BuiltInExceptions() {
  std::vector<ExceptionEntry> out;
  for (const char* p : {"Recycle Bin", "Temporary Internet Files", "Temporary Files", "Office - VBE",
                        "Cookies", "History.IE5"})
    out.push_back(MakeException(p, true, true));
  return out;
}

namespace {

// One list or registry entry in its stored form: trailing blanks gone,
// variables expanded, a folder with its trailing backslash. "" = skip.
std::string NormaliseEntry(const std::string& raw, bool folder) {
  std::string s = TrimRight(raw);
  if (Trim(s).empty()) return {};
  s = TrimRight(ExpandEnvVars(s));
  if (s.empty()) return {};
  if (folder && s.back() != '\\') s += '\\';
  return s;
}

// Sorted without regard to case; equal entries (no case) kept once.
void SortUnique(StringList& l) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(l.size());
  for (std::string& s : l) {
    keyed.emplace_back(ExceptionKey(s), std::move(s));
    PumpMessagesThrottled();
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  l.clear();
  PumpMessagesThrottled();
  for (size_t i = 0; i < keyed.size(); ++i)
    if (i == 0 || keyed[i].first != keyed[i - 1].first) l.push_back(std::move(keyed[i].second));
}

}  // namespace

StringList ParseExceptionLines(const std::string& text, bool folders) {
  StringList out;
  for (const std::string& line : SplitLines(text)) {
    PumpMessagesThrottled();
    std::string e = NormaliseEntry(line, folders);
    if (!e.empty()) out.push_back(std::move(e));
  }
  return out;
}

namespace {

// Calls fn(name, type) for every value of an open key, in one pass, answering
// the window's messages meanwhile (lists of tens of thousands are usual).
template <class Fn>
void ForEachValueName(HKEY key, Fn&& fn) {
  DWORD maxName = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, nullptr, nullptr,
                   nullptr);
  std::vector<wchar_t> buf(maxName + 2);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buf.size()), type = REG_NONE;
    LONG rc = RegEnumValueW(key, i, buf.data(), &len, nullptr, &type, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {  // a longer name was added meanwhile
      buf.resize(buf.size() * 2 + 256);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) return;
    fn(std::wstring(buf.data(), len), type);
    PumpMessagesThrottled();
  }
}

}  // namespace

std::string FolderListPath(const std::string& appDir) { return appDir + "\\DC-Folders.txt"; }
std::string FileListPath(const std::string& appDir) { return appDir + "\\DC-Files.txt"; }

std::string MissingListMessage(const std::string& path) {
  return "Needed File\r" + path + "\ris missing! Please do NOT use this module! Reinstall the software!";
}

ExceptionLoad LoadDriveExceptions(const SettingsLocation& loc, const std::string& appDir,
                                  std::vector<ExceptionEntry>& out, HWND owner, std::string* missingFile) {
  out = BuiltInExceptions();
  struct Src {
    std::string file;
    const char* sub;
    bool folder;
  };
  const Src srcs[] = {{FolderListPath(appDir), "Folders", true}, {FileListPath(appDir), "Files", false}};
  for (const Src& s : srcs) {
    std::string text;
    if (!FileExists(s.file) || !LoadTextFile(s.file, text)) {
      if (missingFile) *missingFile = s.file;
      // The optimizer runs unattended: it is told by the result, not by a box.
      if (!OcoRunning) ShowMessageBox(owner, MissingListMessage(s.file), MsgKind::Error);
      return ExceptionLoad::MissingListFile;
    }
    StringList merged = ParseExceptionLines(text, s.folder);
    RegKey names;
    if (names.Open(loc.root, loc.Sub(s.sub), KEY_QUERY_VALUE)) {
      ForEachValueName(names.get(), [&](const std::wstring& name, DWORD) {
        std::string e = NormaliseEntry(Narrow(name), s.folder);
        if (!e.empty()) merged.push_back(std::move(e));
      });
    }
    PumpMessagesThrottled();
    SortUnique(merged);
    PumpMessagesThrottled();
    out.reserve(out.size() + merged.size());
    for (const std::string& p : merged) out.push_back(MakeException(p, s.folder));
  }
  return ExceptionLoad::Ok;
}

bool AddUserException(std::vector<ExceptionEntry>& list, const std::string& path, bool isFolder) {
  std::string p = Trim(path);
  if (p.empty()) return false;
  if (isFolder && p.back() != '\\') p += '\\';
  const std::string pk = ExceptionKey(p);
  for (const ExceptionEntry& e : list)
    if ((e.IsFolder != 0) == isFolder && !e.IsBuiltIn && ExceptionKey(e.Path) == pk) return false;
  list.push_back(MakeException(p, isFolder));
  return true;
}

int RemoveExceptions(std::vector<ExceptionEntry>& list, const std::vector<size_t>& indices) {
  std::vector<bool> drop(list.size(), false);
  int kept = 0;
  for (size_t i : indices) {
    if (i >= list.size()) continue;
    if (list[i].IsBuiltIn) {
      ++kept;
      continue;
    }
    drop[i] = true;
  }
  std::vector<ExceptionEntry> rest;
  for (size_t i = 0; i < list.size(); ++i)
    if (!drop[i]) rest.push_back(std::move(list[i]));
  list = std::move(rest);
  return kept;
}

// ---- load and save -------------------------------------------------------

ExceptionLoad LoadDriveCleanerSettings(const SettingsLocation& loc, const std::string& appDir,
                                       DriveCleanerSettings& s, const TranslateFn& tr, HWND owner) {
  s.Groups = LoadMaskGroups(loc, tr);
  if (LoadDriveExceptions(loc, appDir, s.Exceptions, owner) != ExceptionLoad::Ok)
    return ExceptionLoad::MissingListFile;
  s.Options = DriveCleanerOptions{};
  LoadOptions(loc, s.Options);
  s.Drives = cleaning::ListFixedDrives();
  cleaning::ApplyDriveChoice(loc.root, loc.key, s.Drives);
  return ExceptionLoad::Ok;
}

namespace {

// Makes the key hold exactly these names as values with empty string data:
// one read of what is there, then the missing names written and the others
// removed, all on one key handle, each name looked up in a hash set (a list
// of 30,000 names and more is usual after a download). Returns false when a
// write failed (nothing removed then).
bool SyncNameList(HKEY root, const std::string& key, const StringList& names) {
  RegKey k;
  if (!k.Create(root, key, KEY_QUERY_VALUE | KEY_SET_VALUE)) return false;
  struct Stored {
    std::wstring name;  // as stored
    bool isString;      // REG_SZ, as the list's values are written
  };
  std::unordered_map<std::string, Stored> present;  // key -> the value there
  ForEachValueName(k.get(), [&](const std::wstring& name, DWORD type) {
    present.emplace(ExceptionKey(Narrow(name)), Stored{name, type == REG_SZ});
  });
  bool ok = true;
  std::unordered_set<std::string> wanted;
  wanted.reserve(names.size());
  static const wchar_t kEmpty[] = L"";
  for (const std::string& n : names) {
    PumpMessagesThrottled();
    std::string nk = ExceptionKey(n);
    if (!wanted.insert(nk).second) continue;
    auto there = present.find(nk);
    if (there != present.end() && there->second.isString) continue;  // stored already
    if (RegSetValueExW(k.get(), Widen(n).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kEmpty),
                       sizeof kEmpty) != ERROR_SUCCESS)
      ok = false;
  }
  if (!ok) return false;
  for (const auto& [nk, stored] : present) {
    if (wanted.count(nk)) continue;
    PumpMessagesThrottled();
    if (RegDeleteValueW(k.get(), stored.name.c_str()) != ERROR_SUCCESS) ok = false;
  }
  return ok;
}

}  // namespace

bool SaveDriveCleanerOptions(const SettingsLocation& loc, const DriveCleanerSettings& s) {
  const HKEY root = loc.root;
  bool ok = RegEnsureKey(root, loc.key);
  const DriveCleanerOptions& o = s.Options;
  ok &= RegSetIntegerChecked(root, loc.key, kOptTmpAll, o.TMPDir_ALL ? 1 : 0);
  ok &= RegSetIntegerChecked(root, loc.key, kOptTmpUser, o.TMPDir_User ? 1 : 0);
  ok &= RegSetIntegerChecked(root, loc.key, kOptMinidump, o.Minidump ? 1 : 0);
  ok &= RegSetIntegerChecked(root, loc.key, kOptLnk, o.LNK ? 1 : 0);
  ok &= RegSetIntegerChecked(root, loc.key, kOptPif, o.PIF ? 1 : 0);
  ok &= RegSetIntegerChecked(root, loc.key, kOptWriteProtected, o.WriteProtected ? 1 : 0);
  ok &= cleaning::SaveDriveChoice(root, loc.key, s.Drives);

  StringList folders, files;
  std::unordered_set<std::string> seenFolders, seenFiles;
  for (const ExceptionEntry& e : s.Exceptions) {
    if (e.IsBuiltIn || e.Path.empty()) continue;
    if ((e.IsFolder ? seenFolders : seenFiles).insert(ExceptionKey(e.Path)).second)
      (e.IsFolder ? folders : files).push_back(e.Path);
    PumpMessagesThrottled();
  }

  // Groups: FileTyp0..n-1 written over the old ones, then the keys beyond.
  const std::string maskKey = loc.Sub("Mask");
  bool groupsOk = RegEnsureKey(root, maskKey);
  StringList groupKeys;
  for (size_t i = 0; i < s.Groups.size(); ++i) {
    const MaskGroup& g = s.Groups[i];
    std::string name = "FileTyp" + std::to_string(i);
    groupKeys.push_back(name);
    std::string k = maskKey + "\\" + name;
    groupsOk &= RegSetIntegerChecked(root, k, "Checked", g.Checked ? 1 : 0);
    groupsOk &= RegSetStringChecked(root, k, "Name", g.Name);
    groupsOk &= RegSetIntegerChecked(root, k, "ImageIndex", g.ImageIndex);
    groupsOk &= RegSetStringChecked(root, k, "Wildcards", JoinMasks(g.Masks));
  }
  // The exception lists write their new names before removing stale ones.
  ok &= SyncNameList(root, loc.Sub("Folders"), folders);
  ok &= SyncNameList(root, loc.Sub("Files"), files);
  if (groupsOk) {
    for (const std::string& sub : RegListSubKeys(root, maskKey))
      if (!ContainsI(groupKeys, sub)) groupsOk &= RegRemoveKey(root, maskKey + "\\" + sub);
  }
  return ok && groupsOk;
}

std::string SaveFailedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_SaveFailed",
            "Die Einstellungen des Drive Cleaners konnten nicht vollständig gespeichert werden.");
}

}  // namespace qz::dc
