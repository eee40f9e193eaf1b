#include "cleaning/registry/rc_delete.h"

#include <unordered_set>

#include "cleaning/registry/rc_search.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/reg_undo_reader.h"
#include "core/registry.h"
#include "core/stringlist.h"
#include "core/text.h"

namespace qz::rc {

using ui::CheckState;
using ui::VNode;
using ui::VTreeModel;

RegistryActions RegistryActions::Real() {
  RegistryActions a;
  a.BackupKey = [](HKEY root, const std::string& key) { return BackupRegistryKey(root, key); };
  a.BackupValue = [](HKEY root, const std::string& key, const std::string& name) {
    return BackupRegistryValue(root, key, name);
  };
  a.RemoveKey = [](HKEY root, const std::string& key) { return RegRemoveKey(root, key); };
  a.RemoveValue = [](HKEY root, const std::string& key, const std::string& name) {
    return RegRemoveValue(root, key, name);
  };
  a.WriteEmptyString = [](HKEY root, const std::string& key, const std::string& name) {
    return RegSetStringChecked(root, key, name, std::string(), REG_SZ);
  };
  a.RecreateEmptyKey = [](HKEY root, const std::string& key) {
    if (!RegEnsureKey(root, key)) return false;
    RegKey k;
    if (!k.Open(root, key, KEY_READ)) return false;
    return RegEnumSubKeys(k.get()).empty() && RegEnumValueNames(k.get()).empty();
  };
  return a;
}

std::string RegistryBackupBase() { return AppDir + "\\Backups\\RC"; }

bool HasMarkedEntries(RegistryScanEngine& e, VTreeModel& tree) {
  RecountResults(e, tree);
  if (!e.SearchComplete) e.MarkedCount = 0;
  return e.MarkedCount > 0;
}

bool UndoFileHoldsSections(const std::string& undoFile, const StringList& sections) {
  if (sections.empty()) return true;
  std::vector<UndoKeyRecord> records;
  if (!ReadRegistryUndoFile(undoFile, records)) return false;
  std::unordered_set<std::string> present;
  for (const UndoKeyRecord& r : records) present.insert(UpperLocale(r.FullName()));
  for (const std::string& s : sections)
    if (!present.count(UpperLocale(s))) return false;
  return true;
}

namespace {

// One delete run: the actions, the sections removed so far and the
// extensions still waiting for their turn.
class DeleteRun {
 public:
  DeleteRun(RegistryScanEngine& e, const RegistryActions& a) : e_(e), a_(a) {}

  void AddPending(const RegScanNode& d) { pending_.insert(ExtKey(d.Root, d.ExtensionKey)); }
  const StringList& Sections() const { return sections_; }

  bool Entry(const RegScanNode& d) {
    if (RegRootKeyName(d.Root).empty()) return false;
    switch (d.Kind) {
      case kFileTypes: return FileType(d);
      case kComServers:
      case kAppPaths: return d.Key.empty() ? false : Key(d.Root, d.Key);
      case kTypeLibs: return TypeLib(d);
      case kSharedDlls:
      case kFonts:
      case kSystemSounds:
      case kHelpFiles: return d.Key.empty() ? false : Value(d.Root, d.Key, d.ValueName);
      case kIcons: return Icon(d);
      default: return false;
    }
  }

  // A list category: every list key its entries came from, emptied.
  bool List(VTreeModel& tree, VNode* category) {
    const RegScanNode& c = tree.Data<RegScanNode>(category);
    StringList done;
    for (VNode* n = tree.GetFirstChild(category); n; n = tree.GetNextSibling(n)) {
      const RegScanNode& d = tree.Data<RegScanNode>(n);
      HKEY root = d.Root ? d.Root : c.Root;
      const std::string& key = d.Key.empty() ? c.Key : d.Key;
      if (RegRootKeyName(root).empty() || key.empty()) return false;
      const std::string id = RegRootKeyName(root) + "\\" + key;
      if (ContainsI(done, id)) continue;
      done.push_back(id);
      if (!RegHasKey(root, key)) continue;
      if (!a_.BackupKey(root, key) || !a_.RemoveKey(root, key)) return false;
      Removed(root, key);
      if (!a_.RecreateEmptyKey(root, key)) return false;
    }
    return true;
  }

 private:
  static std::string ExtKey(HKEY root, const std::string& key) {
    return RegRootKeyName(root) + "\\" + UpperLocale(key);
  }
  void Removed(HKEY root, const std::string& key) { sections_.push_back(RegRootKeyName(root) + "\\" + key); }

  // Backs up and removes a whole key; one that is gone counts as removed.
  bool Key(HKEY root, const std::string& key) {
    if (!RegHasKey(root, key)) return true;
    if (!a_.BackupKey(root, key) || !a_.RemoveKey(root, key)) return false;
    Removed(root, key);
    return true;
  }

  bool Value(HKEY root, const std::string& key, const std::string& name) {
    if (!RegHasValue(root, key, name)) return true;
    if (!a_.BackupValue(root, key, name) || !a_.RemoveValue(root, key, name)) return false;
    Removed(root, key);
    return true;
  }

  // Another extension, not removed later in this run, that still names the class.
  bool ClassStillUsed(const RegScanNode& d) {
    auto it = e_.FileTypeClassUsers.find(ClassUsersKey(d.Root, d.Key));
    if (it == e_.FileTypeClassUsers.end()) return false;
    for (const std::string& ext : it->second) {
      if (IEquals(ext, d.ExtensionKey) || pending_.count(ExtKey(d.Root, ext))) continue;
      if (RegHasKey(d.Root, ext) && IEquals(RegGetString(d.Root, ext, ""), d.Text)) return true;
    }
    return false;
  }

  bool FileType(const RegScanNode& d) {
    pending_.erase(ExtKey(d.Root, d.ExtensionKey));
    if (d.ExtensionKey.empty()) return false;
    const bool extThere = RegHasKey(d.Root, d.ExtensionKey);
    if (extThere && !a_.BackupKey(d.Root, d.ExtensionKey)) return false;
    if (!d.Key.empty() && RegHasKey(d.Root, d.Key) && !ClassStillUsed(d)) {
      if (!a_.BackupKey(d.Root, d.Key) || !a_.RemoveKey(d.Root, d.Key)) return false;
      Removed(d.Root, d.Key);
    }
    if (!extThere) return true;
    if (!a_.RemoveKey(d.Root, d.ExtensionKey)) return false;
    Removed(d.Root, d.ExtensionKey);
    return true;
  }

  bool TypeLib(const RegScanNode& d) {
    if (d.Key.empty() || d.Version.empty()) return false;
    const std::string version = d.Key + "\\" + d.Version;
    if (!RegHasKey(d.Root, version)) return true;  // an earlier entry of this version removed it
    if (!Key(d.Root, version)) return false;
    // The library goes with its last version.
    if (RegListSubKeys(d.Root, d.Key).empty() && RegHasKey(d.Root, d.Key)) return Key(d.Root, d.Key);
    return true;
  }

  bool Icon(const RegScanNode& d) {
    if (d.Key.empty()) return false;
    if (RegGetString(d.Root, d.Key, d.ValueName).empty()) return true;
    if (!a_.BackupValue(d.Root, d.Key, d.ValueName) || !a_.RemoveValue(d.Root, d.Key, d.ValueName)) return false;
    Removed(d.Root, d.Key);
    return a_.WriteEmptyString(d.Root, d.Key, d.ValueName);
  }

  RegistryScanEngine& e_;
  const RegistryActions& a_;
  StringList sections_;
  std::unordered_set<std::string> pending_;
};

}  // namespace

DeleteResult DeleteMarkedEntriesCore(RegistryScanEngine& e, VTreeModel& tree, const DeleteHooks& hooks) {
  DeleteResult r;
  e.DeletedCount = e.DeleteErrorCount = 0;
  AbortFlag = 0;
  if (!HasMarkedEntries(e, tree)) return r;

  BackupBaseDir = RegistryBackupBase();
  r.UndoFile = hooks.BackupName ? hooks.BackupName() : MakeBackupFileName(BackupBaseDir);
  if (r.UndoFile.empty()) {
    r.Outcome = DeleteOutcome::NoBackupName;
    return r;
  }
  if (!BeginRegistryBackup(r.UndoFile)) {
    r.Outcome = DeleteOutcome::BeginFailed;
    return r;
  }

  DeleteRun run(e, hooks.Actions);
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const RegScanNode& d = tree.Data<RegScanNode>(n);
    if (!d.IsCategory && d.Kind == kFileTypes && tree.GetCheckState(n) == CheckState::Checked) run.AddPending(d);
  }

  auto close = [&]() {
    bool ok = hooks.EndBackup ? hooks.EndBackup() : EndRegistryBackup();
    return ok && UndoFileHoldsSections(r.UndoFile, run.Sections());
  };
  int32_t position = 0;
  for (VNode* n : tree.AllNodes()) {
    e.Pump();
    if (AbortFlag == 1) {
      r.Outcome = DeleteOutcome::Cancelled;
      r.UndoClosed = close();
      RecountResults(e, tree);
      return r;
    }
    if (tree.GetCheckState(n) != CheckState::Checked) continue;
    const RegScanNode& d = tree.Data<RegScanNode>(n);
    if (d.IsCategory && !(IsMruKind(d.Kind) && tree.ChildCount(n) > 0)) continue;
    ++position;
    if (hooks.OnProgress) hooks.OnProgress(position);
    if (!d.IsCategory) {
      if (run.Entry(d)) {
        ++e.DeletedCount;
        tree.DeleteNode(n);
      } else {
        ++e.DeleteErrorCount;
      }
    } else if (run.List(tree, n)) {
      e.DeletedCount += static_cast<int32_t>(tree.ChildCount(n));
      tree.DeleteNode(n);
    } else {
      ++e.DeleteErrorCount;
    }
  }

  if (!close()) {
    r.Outcome = DeleteOutcome::EndFailed;
    r.UndoClosed = false;
    RecountResults(e, tree);
    return r;
  }
  // The count file, also when nothing was recorded and no undo file written.
  SaveLines(r.UndoFile + ".txt", {IntToStr(e.DeletedCount)});
  RecountResults(e, tree);
  r.Outcome = DeleteOutcome::Done;
  return r;
}

}  // namespace qz::rc
