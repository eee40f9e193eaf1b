#include "tuning/startup/st_store.h"

#include <shellapi.h>

#include "core/disk.h"
#include "core/ini.h"
#include "core/reg_backup.h"
#include "core/text.h"

namespace qz::st {

namespace {

// The text of one value of an open key, as the registry helpers give it; ""
// when the value is missing. One query into a reused buffer, a second only
// for a value that does not fit.
std::string QueryText(HKEY key, const std::wstring& name, RegRawValue& v) {
  v.data.resize(v.data.capacity() < 512 ? 512 : v.data.capacity());
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD got = static_cast<DWORD>(v.data.size());
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &v.type, v.data.data(), &got);
    if (rc == ERROR_MORE_DATA) {
      v.data.resize(got > v.data.size() ? got : v.data.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) return {};
    v.data.resize(got);
    return RegValueText(v);
  }
  return {};
}

}  // namespace

// ---- registry ----------------------------------------------------------------

std::vector<RegNamedValue> StartupStore::ListValues(HKEY root, const std::string& key) {
  return RegListValues(root, key);
}

std::optional<RegRawValue> StartupStore::ReadValue(HKEY root, const std::string& key, const std::string& name) {
  return RegReadRaw(root, key, name);
}

bool StartupStore::WriteValue(HKEY root, const std::string& key, const std::string& name, const RegRawValue& value) {
  return RegWriteRaw(root, key, name, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

bool StartupStore::RemoveValue(HKEY root, const std::string& key, const std::string& name) {
  return RegRemoveValue(root, key, name);
}

bool StartupStore::WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                               DWORD type) {
  std::wstring w = Widen(text);
  return RegWriteRaw(root, key, name, type, w.c_str(), static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t)));
}

std::vector<SubKeyStrings> StartupStore::ListSubKeyStrings(HKEY root, const std::string& key,
                                                           const std::vector<std::string>& valueNames) {
  std::vector<SubKeyStrings> out;
  RegKey base;
  if (!base.Open(root, key, KEY_READ)) return out;
  std::vector<std::wstring> names;
  for (const std::string& n : valueNames) names.push_back(Widen(n));
  std::vector<wchar_t> buf(256);
  RegRawValue scratch;
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    LONG rc = RegEnumKeyExW(base.get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      buf.resize(buf.size() * 2);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    SubKeyStrings s;
    std::wstring sub(buf.data(), len);
    s.name = Narrow(sub);
    HKEY h = nullptr;
    if (RegOpenKeyExW(base.get(), sub.c_str(), 0, KEY_QUERY_VALUE, &h) == ERROR_SUCCESS) {
      for (const std::wstring& n : names) s.values.push_back(QueryText(h, n, scratch));
      RegCloseKey(h);
    } else {
      s.values.assign(names.size(), std::string());
    }
    out.push_back(std::move(s));
  }
  return out;
}

bool StartupStore::KeyExists(HKEY root, const std::string& key) { return RegHasKey(root, key); }

bool StartupStore::RemoveKey(HKEY root, const std::string& key) { return RegRemoveKey(root, key); }

// ---- undo files ----------------------------------------------------------------

std::string StartupStore::MakeBackupFileName(const std::string& base) { return qz::MakeBackupFileName(base); }

bool StartupStore::BeginBackup(const std::string& file) { return BeginRegistryBackup(file); }

bool StartupStore::BackupValue(HKEY root, const std::string& key, const std::string& name) {
  return BackupRegistryValue(root, key, name);
}

bool StartupStore::BackupKey(HKEY root, const std::string& key) { return BackupRegistryKey(root, key); }

bool StartupStore::EndBackup() { return EndRegistryBackup(); }

// ---- win.ini -------------------------------------------------------------------

std::vector<std::pair<std::string, std::string>> StartupStore::ReadSection(const std::string& file,
                                                                           const std::string& section) {
  return IniReadSection(file, section);
}

bool StartupStore::WriteIniText(const std::string& file, const std::string& section, const std::string& key,
                                const std::string& text) {
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(text).c_str(),
                                    Widen(file).c_str()) != FALSE;
}

bool StartupStore::DeleteIniKey(const std::string& file, const std::string& section, const std::string& key) {
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), nullptr, Widen(file).c_str()) !=
         FALSE;
}

// ---- files and links -------------------------------------------------------------

StringList StartupStore::FindLinks(const std::string& folder) {
  StringList list;
  FindFiles(IncludeTrailingBackslash(folder), "*.lnk", list);
  return list;
}

bool StartupStore::PathExists(const std::string& path) { return qz::PathExists(path); }

int64_t StartupStore::FileSize(const std::string& path) { return GetFileSize64(path); }

DWORD StartupStore::Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

// Attributes and deletes go through the checked handle: by name, a link to a
// file would pass them on to its target.
bool StartupStore::SetAttributes(const std::string& path, DWORD attributes) {
  return SetFileAttributesItself(path, attributes);
}

bool StartupStore::MakeFolder(const std::string& folder) {
  std::wstring w = Widen(ExcludeTrailingBackslash(folder));
  for (size_t i = 3; i <= w.size(); ++i)
    if (i == w.size() || w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
  return DirectoryExists(folder);
}

// The shell's file operations of the core: they refuse names the shell would
// read as wildcards and (with the core's file check) files that are links.
bool StartupStore::ShellMove(const std::string& source, const std::string& target) {
  return ShellMoveFile(source, target);
}

bool StartupStore::ShellCopy(const std::string& source, const std::string& target) {
  return ShellCopyFile(source, target);
}

bool StartupStore::Recycle(const std::string& file) { return RecycleFileQuiet(file); }

bool StartupStore::DeleteOwnFile(const std::string& file) {
  SetFileAttributesItself(file, FILE_ATTRIBUTE_NORMAL);
  return DeleteFileItself(file);
}

void StartupStore::LoadLink(TShortcutLink& link) {
  link.Quiet = true;
  link.LoadShortcut();
}

void StartupStore::SaveLink(TShortcutLink& link) { link.SaveShortcut(); }

HICON StartupStore::ExtractFileIcon(const std::string& file) {
  return ExtractIconW(GetModuleHandleW(nullptr), Widen(file).c_str(), 0);
}

std::string StartupStore::SpecialFolder(int csidl) { return GetSpecialFolderDir(nullptr, csidl); }

StartupStore& SystemStartupStore() {
  static StartupStore store;
  return store;
}

// ---- undo-file names ---------------------------------------------------------------

std::string CleanUndoName(const std::string& displayName) {
  std::wstring w = Widen(displayName);
  for (wchar_t& c : w)
    if (c < 32 || c == 127 || wcschr(L":*/\\?<>|\"", c)) c = L'_';
  constexpr size_t kMaxChars = 100;
  if (w.size() > kMaxChars) {
    size_t cut = kMaxChars;
    // Never split a surrogate pair.
    if (w[cut - 1] >= 0xD800 && w[cut - 1] <= 0xDBFF) --cut;
    w.resize(cut);
  }
  return Narrow(w);
}

std::string UndoFileFor(StartupStore& store, const std::string& base, const std::string& displayName) {
  std::string n = store.MakeBackupFileName(base);
  if (n.empty()) return {};
  return ExtractFileDir(n) + "\\" + CleanUndoName(displayName) + " ; " + ExtractFileName(n);
}

}  // namespace qz::st
