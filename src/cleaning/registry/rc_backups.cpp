#include "cleaning/registry/rc_backups.h"

#include "cleaning/registry/rc_delete.h"
#include "core/disk.h"
#include "core/reg_backup.h"
#include "core/stringlist.h"
#include "core/text.h"

namespace qz::rc {

std::string RegistryBackupFolder() { return RegistryBackupBase() + "\\" + GetBackupUserFolder() + "\\"; }

int32_t ReadBackupCount(const std::string& undoFile) {
  StringList lines;
  if (!FileExists(undoFile + ".txt") || !LoadLines(undoFile + ".txt", lines) || lines.empty()) return 0;
  return StrToIntDef(lines[0], 0);
}

std::vector<RcBackupNode> ListRegistryBackupFiles(const std::string& folder) {
  StringList files;
  FindFiles(folder, "*.reg", files);
  std::vector<RcBackupNode> rows;
  for (const std::string& f : files) {
    RcBackupNode r;
    r.Path = f;
    std::wstring name = Widen(ExtractFileName(f));
    name.resize(name.size() >= 4 ? name.size() - 4 : 0);
    r.Name = ReplaceAll(Narrow(name), "_", ":");
    r.Count = ReadBackupCount(f);
    rows.push_back(std::move(r));
  }
  return rows;
}

std::vector<bool> RecycleBackupFiles(const std::vector<std::string>& undoFiles,
                                     const std::function<bool(const std::string&)>& recycle) {
  auto bin = [&recycle](const std::string& f) { return recycle ? recycle(f) : RecycleFileQuiet(f); };
  std::vector<bool> gone;
  for (const std::string& f : undoFiles) {
    bin(f);
    const bool removed = !PathExists(f);
    // The count file follows only its undo file.
    if (removed && FileExists(f + ".txt")) bin(f + ".txt");
    gone.push_back(removed);
  }
  return gone;
}

}  // namespace qz::rc
