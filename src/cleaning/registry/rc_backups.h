// The Registry Cleaner's undo files as the backups page lists them: one row
// per "*.reg" file in AppDir\Backups\RC\<user folder>\, with the number of
// entries its delete run removed (from the count file beside it).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qz::rc {

// Node record of the backups list.
struct RcBackupNode {
  std::string Name;   // the date name, "_" shown as ":"
  std::string Path;   // the undo file
  int32_t Count = 0;  // entries removed; 0 without a readable count file
};

// AppDir\Backups\RC\<user folder>\ (with the trailing backslash).
std::string RegistryBackupFolder();
// The undo files of a folder (trailing backslash), in the order listed.
std::vector<RcBackupNode> ListRegistryBackupFiles(const std::string& folder);
// The count file's first line as a number: 0 when it is missing, empty or
// not a number.
int32_t ReadBackupCount(const std::string& undoFile);

// Moves each undo file, then its count file, to the Recycle Bin. Returns for
// each path whether its undo file is gone afterwards (only those rows leave
// the list). `recycle` defaults to the core's quiet recycle.
std::vector<bool> RecycleBackupFiles(const std::vector<std::string>& undoFiles,
                                     const std::function<bool(const std::string&)>& recycle = {});

}  // namespace qz::rc
