// The installed-software list of the StartUp-Tuner: the uninstall entries of
// both registry views, as the control panel lists them, and the two changes
// a user can make to one (delete it, or give it another name and uninstall
// command), each after a complete undo file of the whole entry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tuning/startup/autostart.h"
#include "tuning/startup/st_store.h"

namespace qz::st {

inline constexpr uint16_t kUninstallRowHeight = 16;

// The record of a row of the list.
struct UninstallEntry {
  std::string DisplayName;
  std::string KeyName;          // the sub-key's name below the uninstall key
  std::string UninstallString;
  HKEY Root = nullptr;
  std::string BaseKey;          // the uninstall key of the entry's view (stored path)
  std::string KeyPath() const { return BaseKey + "\\" + KeyName; }
};

// Every sub-key with a non-empty DisplayName, of both views (each sub-key
// opened once), sorted by display name without regard to case
// (CompareStringW, NORM_IGNORECASE); entries of one name keep their order.
std::vector<UninstallEntry> ListInstalledSoftware(StartupStore& store, HKEY root, const std::string& baseKey);

// Undo file (named from the display name) with the whole sub-key, then the
// sub-key removed and checked gone. A failed backup changes nothing. An empty
// KeyName is refused: it would name the whole uninstall key.
ChangeResult DeleteInstalledEntry(StartupStore& store, const std::string& backupDir, const UninstallEntry& e);
// The same undo file, then "DisplayName" and "UninstallString" written in
// place (an expandable string stays one) and read back; every other value
// and sub-key of the entry stays.
ChangeResult EditInstalledEntry(StartupStore& store, const std::string& backupDir, const UninstallEntry& e,
                                const std::string& displayName, const std::string& uninstallString);

std::string SureToDeleteInstalledMessage(const std::string& displayName, const TranslateFn& tr = {});
std::string SureToEditInstalledMessage(const std::string& displayName, const TranslateFn& tr = {});

}  // namespace qz::st
