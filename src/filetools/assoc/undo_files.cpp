#include "filetools/assoc/undo_files.h"

#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/text.h"

namespace qz::fa {

std::string UndoFileFolder(const std::string& moduleCode) {
  return AppDir + "\\Backups\\" + moduleCode + "\\" + GetBackupUserFolder() + "\\";
}

std::string UndoFileDisplayName(const std::string& fileName) {
  std::wstring w = Widen(fileName);
  w.resize(w.size() > 4 ? w.size() - 4 : 0);
  return ReplaceAll(Narrow(w), "_", ":");
}

std::vector<UndoFileItem> ListUndoFiles(const std::string& folder) {
  StringList files;
  FindFiles(folder, "*.reg", files);
  std::vector<UndoFileItem> out;
  out.reserve(files.size());
  for (const std::string& path : files) out.push_back({UndoFileDisplayName(ExtractFileName(path)), path});
  return out;
}

}  // namespace qz::fa
