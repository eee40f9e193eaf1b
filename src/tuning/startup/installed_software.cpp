#include "tuning/startup/installed_software.h"

#include <algorithm>

#include "core/registry.h"
#include "core/text.h"

namespace qz::st {

std::vector<UninstallEntry> ListInstalledSoftware(StartupStore& store, HKEY root, const std::string& baseKey) {
  std::vector<UninstallEntry> out;
  for (const RegLocation& view : RegLocationViews(root, baseKey)) {
    for (SubKeyStrings& s : store.ListSubKeyStrings(view.root, view.path, {"DisplayName", "UninstallString"})) {
      if (s.values[0].empty()) continue;
      UninstallEntry e;
      e.DisplayName = std::move(s.values[0]);
      e.UninstallString = std::move(s.values[1]);
      e.KeyName = std::move(s.name);
      e.Root = view.root;
      e.BaseKey = view.path;
      out.push_back(std::move(e));
    }
  }
  // Compared in UTF-16, converted once per entry.
  std::vector<std::pair<std::wstring, size_t>> keys;
  keys.reserve(out.size());
  for (size_t i = 0; i < out.size(); ++i) keys.emplace_back(Widen(out[i].DisplayName), i);
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.first.c_str(), static_cast<int>(a.first.size()),
                          b.first.c_str(), static_cast<int>(b.first.size())) == CSTR_LESS_THAN;
  });
  std::vector<UninstallEntry> sorted;
  sorted.reserve(out.size());
  for (const auto& k : keys) sorted.push_back(std::move(out[k.second]));
  return sorted;
}

namespace {

ChangeResult BackupWholeKey(StartupStore& store, const std::string& backupDir, const UninstallEntry& e) {
  if (Trim(e.KeyName).empty()) return ChangeResult::EmptyKeyName;
  const std::string file = UndoFileFor(store, backupDir, e.DisplayName);
  if (file.empty() || !store.BeginBackup(file)) return ChangeResult::BackupNotCreated;
  if (!store.BackupKey(e.Root, e.KeyPath())) {
    store.EndBackup();
    return ChangeResult::BackupNotRead;
  }
  if (!store.EndBackup()) return ChangeResult::BackupNotClosed;
  return ChangeResult::Done;
}

bool WriteKeptType(StartupStore& store, HKEY root, const std::string& key, const std::string& name,
                   const std::string& text) {
  std::optional<RegRawValue> old = store.ReadValue(root, key, name);
  const DWORD type = old && old->type == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
  bool written = store.WriteString(root, key, name, text, type);
  std::optional<RegRawValue> back = store.ReadValue(root, key, name);
  return written && back && back->type == type && RegValueText(*back) == text;
}

}  // namespace

ChangeResult DeleteInstalledEntry(StartupStore& store, const std::string& backupDir, const UninstallEntry& e) {
  if (ChangeResult r = BackupWholeKey(store, backupDir, e); r != ChangeResult::Done) return r;
  store.RemoveKey(e.Root, e.KeyPath());
  return store.KeyExists(e.Root, e.KeyPath()) ? ChangeResult::RemoveFailed : ChangeResult::Done;
}

ChangeResult EditInstalledEntry(StartupStore& store, const std::string& backupDir, const UninstallEntry& e,
                                const std::string& displayName, const std::string& uninstallString) {
  if (Trim(e.KeyName).empty()) return ChangeResult::EmptyKeyName;
  // A key that went away meanwhile is not made again.
  if (!store.KeyExists(e.Root, e.KeyPath())) return ChangeResult::WriteFailed;
  if (ChangeResult r = BackupWholeKey(store, backupDir, e); r != ChangeResult::Done) return r;
  if (!WriteKeptType(store, e.Root, e.KeyPath(), "DisplayName", displayName) ||
      !WriteKeptType(store, e.Root, e.KeyPath(), "UninstallString", uninstallString))
    return ChangeResult::WriteFailed;
  return ChangeResult::Done;
}

std::string SureToDeleteInstalledMessage(const std::string& displayName, const TranslateFn& tr) {
  return ReplaceAll(Tr(tr, "MESSAGE_Uninstall_Delete", "Sind Sie sicher, dass Sie den Eintrag\r%1\rlöschen wollen?"),
                    "%1", displayName);
}

std::string SureToEditInstalledMessage(const std::string& displayName, const TranslateFn& tr) {
  return ReplaceAll(
      Tr(tr, "MESSAGE_Uninstall_Edit", "Sind Sie sicher, dass Sie den Eintrag\r%1\rbearbeiten wollen?"), "%1",
      displayName);
}

}  // namespace qz::st
