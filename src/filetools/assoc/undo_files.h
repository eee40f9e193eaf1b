// The undo files a module wrote for the current user, as its Backups page
// lists them: every "*.reg" file of BackupsRoot\<code>\<user folder>\.
#pragma once

#include <string>
#include <vector>

namespace qz::fa {

struct UndoFileItem {
  std::string DisplayName;  // the file name without its last 4 characters, "_" shown as ":"
  std::string Path;
};

// AppDir + "\Backups\" + code + "\" + user folder + "\".
std::string UndoFileFolder(const std::string& moduleCode);
// The display name of an undo file's name ("Montag, 01. Januar - 10_00_00.REG"
// gives "Montag, 01. Januar - 10:00:00").
std::string UndoFileDisplayName(const std::string& fileName);
// Every "*.reg" file of the folder (ending with "\"), in the order the file
// system lists them.
std::vector<UndoFileItem> ListUndoFiles(const std::string& folder);

}  // namespace qz::fa
