// Disable, enable, edit, delete and add: every step through the store, every
// change read back before the next one.
#include <windows.h>

#include "core/disk.h"
#include "core/text.h"
#include "tuning/startup/autostart.h"
#include "tuning/startup/command_line.h"

namespace qz::st {

namespace {

bool SameRaw(const std::optional<RegRawValue>& a, const RegRawValue& b) {
  return a && a->type == b.type && a->data == b.data;
}

// A key the profile functions can write as it stands: no "=", not starting a
// section or comment, no blanks at its ends (they would be trimmed).
bool IsWritableIniKey(const std::string& key) {
  if (key.empty() || key.find('=') != std::string::npos) return false;
  if (key.front() == '[' || key.front() == ';') return false;
  return Trim(key) == key;
}

// A link's target as read back: the path as set, or a name without a folder
// that the shell completed to a full path.
bool SameTarget(const std::string& readBack, const std::string& set) {
  if (IEquals(readBack, set)) return true;
  return set.find('\\') == std::string::npos && IEndsWith(readBack, "\\" + set);
}

// The last component of a path (folder or key).
std::string LastComponent(const std::string& path) { return ExtractFileName(ExcludeTrailingBackslash(path)); }

}  // namespace

NameProblem CheckNameText(const std::string& name) {
  if (Trim(name).empty()) return NameProblem::Empty;
  std::wstring w = Widen(name);
  for (wchar_t c : w)
    if (c < 32 || c == 127 || wcschr(L"\\/:*?\"<>|", c)) return NameProblem::Invalid;
  if (name == "." || name == "..") return NameProblem::Invalid;
  if (name.back() == '.' || name.back() == ' ') return NameProblem::Invalid;
  if (w.size() > 200) return NameProblem::Invalid;
  return NameProblem::None;
}

bool AutostartEngine::FileExists(const std::string& path) { return store_.FileSize(path) >= 0; }

// ---- disable and enable ----------------------------------------------------------

MoveResult AutostartEngine::Disable(AutostartEntry& e) {
  switch (KindOf(e)) {
    case EntryKind::Link:
      if (e.LinkKind == 1) return MoveLink(e, places_.NotActive1);
      if (e.LinkKind == 2) return MoveLink(e, places_.NotActive2);
      return MoveResult::Unchanged;
    case EntryKind::Registry:
      if (IEquals(LastComponent(e.KeyPath), kNotActive)) return MoveResult::Unchanged;
      return MoveRegistryValue(e, e.KeyPath + "\\" + kNotActive);
    case EntryKind::WinIni:
      if (IEndsWith(e.IniSection, std::string("-") + kNotActive)) return MoveResult::Unchanged;
      return MoveIniKey(e, e.IniSection + "-" + kNotActive);
    case EntryKind::None:
      break;
  }
  return MoveResult::Unchanged;
}

MoveResult AutostartEngine::Enable(AutostartEntry& e) {
  switch (KindOf(e)) {
    case EntryKind::Link: {
      const std::string folder = LastComponent(ExtractFileDir(e.LinkFile));
      std::string target;
      int32_t kind = 0;
      if (IEquals(folder, "not active1")) {
        target = places_.CommonStartup;
        kind = 1;
      } else if (IEquals(folder, "not active2")) {
        target = places_.UserStartup;
        kind = 2;
      } else {
        return MoveResult::Unchanged;
      }
      // Unknown folder: the link stays rather than going to the drive root.
      if (target.empty()) return MoveResult::FolderUnknown;
      MoveResult r = MoveLink(e, target);
      if (r == MoveResult::Moved) e.LinkKind = kind;
      return r;
    }
    case EntryKind::Registry: {
      const size_t slash = e.KeyPath.rfind('\\');
      if (slash == std::string::npos || !IEquals(e.KeyPath.substr(slash + 1), kNotActive))
        return MoveResult::Unchanged;
      return MoveRegistryValue(e, e.KeyPath.substr(0, slash));
    }
    case EntryKind::WinIni: {
      const std::string suffix = std::string("-") + kNotActive;
      if (e.IniSection.size() <= suffix.size() || !IEndsWith(e.IniSection, suffix)) return MoveResult::Unchanged;
      return MoveIniKey(e, e.IniSection.substr(0, e.IniSection.size() - suffix.size()));
    }
    case EntryKind::None:
      break;
  }
  return MoveResult::Unchanged;
}

MoveResult AutostartEngine::MoveRegistryValue(AutostartEntry& e, const std::string& target) {
  const HKEY root = e.RootKey;
  const std::string& name = e.ValueName;
  std::optional<RegRawValue> source = store_.ReadValue(root, e.KeyPath, name);
  if (!source) return MoveResult::WriteFailed;
  if (store_.ReadValue(root, target, name)) return MoveResult::TargetExists;
  // Write, read back type and bytes. Nothing of that name was there, so
  // whatever is there now is ours to take away again.
  bool written = store_.WriteValue(root, target, name, *source);
  if (!written || !SameRaw(store_.ReadValue(root, target, name), *source)) {
    store_.RemoveValue(root, target, name);
    return MoveResult::WriteFailed;
  }
  store_.RemoveValue(root, e.KeyPath, name);
  if (store_.ReadValue(root, e.KeyPath, name)) {
    store_.RemoveValue(root, target, name);
    return MoveResult::SourceKept;
  }
  e.KeyPath = target;
  return MoveResult::Moved;
}

int AutostartEngine::CountIniKey(const std::string& file, const std::string& section, const std::string& key,
                                 std::string* raw) {
  int count = 0;
  for (const auto& [k, v] : store_.ReadSection(file, section)) {
    if (!IEquals(k, key)) continue;
    if (count++ == 0 && raw) *raw = v;
  }
  return count;
}

MoveResult AutostartEngine::MoveIniKey(AutostartEntry& e, const std::string& target) {
  const std::string& file = e.IniFile;
  std::string raw;
  const int count = CountIniKey(file, e.IniSection, e.Name, &raw);
  if (count == 0) return MoveResult::WriteFailed;
  if (count > 1) return MoveResult::Ambiguous;
  if (!IsWritableIniKey(e.Name)) return MoveResult::BadName;
  if (CountIniKey(file, target, e.Name) > 0) return MoveResult::TargetExists;
  // The raw text, quotes included, as the file holds it.
  bool written = store_.WriteIniText(file, target, e.Name, raw);
  std::string back;
  const int there = CountIniKey(file, target, e.Name, &back);
  if (!written || there != 1 || back != raw) {
    if (there > 0) store_.DeleteIniKey(file, target, e.Name);
    return MoveResult::WriteFailed;
  }
  store_.DeleteIniKey(file, e.IniSection, e.Name);
  if (CountIniKey(file, e.IniSection, e.Name) != 0) {
    store_.DeleteIniKey(file, target, e.Name);
    return MoveResult::SourceKept;
  }
  e.IniSection = target;
  e.Command = raw;
  return MoveResult::Moved;
}

MoveResult AutostartEngine::MoveLink(AutostartEntry& e, const std::string& targetFolder) {
  const std::string source = e.LinkFile;
  const std::string target = ExcludeTrailingBackslash(targetFolder) + "\\" + ExtractFileName(source);
  if (!IsShellSafePath(source) || !IsShellSafePath(target)) return MoveResult::BadName;
  // The shell's move would replace a file of that name without a word.
  if (store_.PathExists(target)) return MoveResult::TargetExists;
  const int64_t size = store_.FileSize(source);
  if (size < 0) return MoveResult::WriteFailed;
  if (!store_.MakeFolder(targetFolder)) return MoveResult::WriteFailed;
  store_.ShellMove(source, target);
  // Judged by what lies where afterwards, not by the shell's answer.
  const bool sourceGone = !store_.PathExists(source);
  const bool targetThere = store_.PathExists(target);
  if (sourceGone && targetThere && store_.FileSize(target) == size) {
    e.LinkFile = target;
    return MoveResult::Moved;
  }
  if (!sourceGone && targetThere) {
    // Copied but not removed: the copy is ours (nothing was there before).
    store_.DeleteOwnFile(target);
    return MoveResult::SourceKept;
  }
  return MoveResult::WriteFailed;
}

// ---- edit ------------------------------------------------------------------------

ChangeResult AutostartEngine::BackupValue(const AutostartEntry& e) {
  const std::string file = UndoFileFor(store_, places_.BackupDir, e.DisplayName);
  if (file.empty() || !store_.BeginBackup(file)) return ChangeResult::BackupNotCreated;
  if (!store_.BackupValue(e.RootKey, e.KeyPath, e.ValueName)) {
    store_.EndBackup();
    return ChangeResult::BackupNotRead;
  }
  // The undo file is complete before anything changes.
  if (!store_.EndBackup()) return ChangeResult::BackupNotClosed;
  return ChangeResult::Done;
}

ChangeResult AutostartEngine::EditCommand(AutostartEntry& e, const std::string& command) {
  switch (KindOf(e)) {
    case EntryKind::Link:
      return EditLink(e, command);
    case EntryKind::Registry: {
      std::optional<RegRawValue> old = store_.ReadValue(e.RootKey, e.KeyPath, e.ValueName);
      if (!old) return ChangeResult::WriteFailed;
      if (ChangeResult r = BackupValue(e); r != ChangeResult::Done) return r;
      // Written in place (never removed first); an expandable string stays one.
      const DWORD type = old->type == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
      bool written = store_.WriteString(e.RootKey, e.KeyPath, e.ValueName, command, type);
      std::optional<RegRawValue> back = store_.ReadValue(e.RootKey, e.KeyPath, e.ValueName);
      if (!written || !back || back->type != type || RegValueText(*back) != command) return ChangeResult::WriteFailed;
      e.Command = command;
      return ChangeResult::Done;
    }
    case EntryKind::WinIni: {
      const int count = CountIniKey(e.IniFile, e.IniSection, e.Name);
      if (count > 1) return ChangeResult::Ambiguous;
      if (count == 0 || !IsWritableIniKey(e.Name)) return ChangeResult::WriteFailed;
      // The profile functions trim blanks around a value.
      const std::string text = Trim(command);
      bool written = store_.WriteIniText(e.IniFile, e.IniSection, e.Name, text);
      std::string back;
      if (!written || CountIniKey(e.IniFile, e.IniSection, e.Name, &back) != 1 || back != text)
        return ChangeResult::WriteFailed;
      e.Command = text;
      return ChangeResult::Done;
    }
    case EntryKind::None:
      break;
  }
  return ChangeResult::WriteFailed;
}

ChangeResult AutostartEngine::EditLink(AutostartEntry& e, const std::string& command) {
  const std::string file = e.LinkFile;
  TShortcutLink link;
  link.Quiet = true;
  link.ShortcutFile = file;
  store_.LoadLink(link);
  if (!link.Success) return ChangeResult::LinkUnreadable;
  const DWORD attributes = store_.Attributes(file);
  if (attributes == INVALID_FILE_ATTRIBUTES) return ChangeResult::LinkUnreadable;

  // Only target and arguments change; the link keeps every other property.
  SplitCommand split = SplitCommandLine(command, [this](const std::string& p) { return FileExists(p); });
  link.Target = split.Program;
  link.Arguments = split.Arguments;
  if (!store_.MakeFolder(places_.BackupDir)) return ChangeResult::LinkNotSaved;
  const std::string temp = places_.BackupDir + "\\~edit " + ExtractFileName(file);
  if (store_.PathExists(temp)) store_.DeleteOwnFile(temp);
  link.ShortcutFile = temp;
  try {
    store_.SaveLink(link);
  } catch (const EShortcutError&) {
    if (store_.PathExists(temp)) store_.DeleteOwnFile(temp);
    return ChangeResult::LinkNotSaved;
  }
  TShortcutLink check;
  check.Quiet = true;
  check.ShortcutFile = temp;
  store_.LoadLink(check);
  if (!check.Success || !SameTarget(check.Target, link.Target) || check.Arguments != link.Arguments) {
    if (store_.PathExists(temp)) store_.DeleteOwnFile(temp);
    return ChangeResult::LinkNotSaved;
  }

  if (!store_.Recycle(file) || store_.PathExists(file)) {
    store_.DeleteOwnFile(temp);
    return ChangeResult::RecycleFailed;
  }
  store_.ShellMove(temp, file);
  if (!store_.PathExists(file) || store_.PathExists(temp)) return ChangeResult::LinkNotPlaced;
  store_.SetAttributes(file, attributes);
  e.Command = JoinCommandLine(link.Target, link.Arguments);
  return ChangeResult::Done;
}

// ---- delete ------------------------------------------------------------------------

std::string AutostartEngine::FreeCopyName(const std::string& folder, const std::string& fileName) {
  const std::string base = ExcludeTrailingBackslash(folder) + "\\";
  if (!store_.PathExists(base + fileName)) return base + fileName;
  const std::string ext = ExtractFileExt(fileName);
  const std::string stem = fileName.substr(0, fileName.size() - ext.size());
  for (int i = 2;; ++i) {
    std::string candidate = base + stem + " (" + std::to_string(i) + ")" + ext;
    if (!store_.PathExists(candidate)) return candidate;
  }
}

ChangeResult AutostartEngine::DeleteEntry(const AutostartEntry& e) {
  switch (KindOf(e)) {
    case EntryKind::Link: {
      const int64_t size = store_.FileSize(e.LinkFile);
      if (size < 0) return ChangeResult::RemoveFailed;
      // No checked copy, no delete.
      if (!store_.MakeFolder(places_.BackupDir)) return ChangeResult::CopyFailed;
      const std::string copy = FreeCopyName(places_.BackupDir, ExtractFileName(e.LinkFile));
      if (!store_.ShellCopy(e.LinkFile, copy) || store_.FileSize(copy) != size) {
        if (store_.PathExists(copy)) store_.DeleteOwnFile(copy);
        return ChangeResult::CopyFailed;
      }
      if (!store_.Recycle(e.LinkFile) || store_.PathExists(e.LinkFile)) return ChangeResult::RecycleFailed;
      return ChangeResult::Done;
    }
    case EntryKind::Registry: {
      if (ChangeResult r = BackupValue(e); r != ChangeResult::Done) return r;
      store_.RemoveValue(e.RootKey, e.KeyPath, e.ValueName);
      if (store_.ReadValue(e.RootKey, e.KeyPath, e.ValueName)) return ChangeResult::RemoveFailed;
      return ChangeResult::Done;
    }
    case EntryKind::WinIni: {
      const int count = CountIniKey(e.IniFile, e.IniSection, e.Name);
      if (count > 1) return ChangeResult::Ambiguous;
      if (count == 0) return ChangeResult::Done;
      store_.DeleteIniKey(e.IniFile, e.IniSection, e.Name);
      if (CountIniKey(e.IniFile, e.IniSection, e.Name) != 0) return ChangeResult::RemoveFailed;
      return ChangeResult::Done;
    }
    case EntryKind::None:
      break;
  }
  return ChangeResult::RemoveFailed;
}

// ---- add ---------------------------------------------------------------------------

std::string AutostartEngine::AddTarget(AddPlace place) const {
  switch (place) {
    case AddPlace::UserRun:
      return places_.UserKey + "\\Run";
    case AddPlace::MachineRun:
      return places_.MachineKey + "\\Run";
    case AddPlace::StartupFolder:
      return !places_.UserStartup.empty() ? places_.UserStartup : places_.CommonStartup;
  }
  return {};
}

NameProblem AutostartEngine::CheckNewName(const std::string& name, AddPlace place) {
  if (NameProblem p = CheckNameText(name); p != NameProblem::None) return p;
  const std::string target = AddTarget(place);
  if (place == AddPlace::StartupFolder) {
    if (target.empty()) return NameProblem::None;  // AddEntry reports the unknown folder
    // The new link and the place it would be disabled to.
    const std::string file = name + ".LNK";
    const std::string& inactive = places_.UserStartup.empty() ? places_.NotActive1 : places_.NotActive2;
    if (store_.PathExists(target + "\\" + file) || store_.PathExists(inactive + "\\" + file))
      return NameProblem::Exists;
    return NameProblem::None;
  }
  const HKEY root = place == AddPlace::UserRun ? places_.UserRoot : places_.MachineRoot;
  if (store_.ReadValue(root, target, name) || store_.ReadValue(root, target + "\\" + kNotActive, name))
    return NameProblem::Exists;
  return NameProblem::None;
}

ChangeResult AutostartEngine::AddEntry(const std::string& name, const std::string& command, AddPlace place) {
  const std::string target = AddTarget(place);
  if (place == AddPlace::StartupFolder) {
    if (target.empty()) return ChangeResult::FolderUnknown;
    const std::string file = target + "\\" + name + ".LNK";
    if (store_.PathExists(file)) return ChangeResult::WriteFailed;
    SplitCommand split = SplitCommandLine(command, [this](const std::string& p) { return FileExists(p); });
    // A fresh link: nothing of another link comes along.
    TShortcutLink link;
    link.ShortcutFile = file;
    link.Target = split.Program;
    link.Arguments = split.Arguments;
    try {
      store_.SaveLink(link);
    } catch (const EShortcutError&) {
      return ChangeResult::LinkNotSaved;
    }
    if (!store_.PathExists(file)) return ChangeResult::LinkNotSaved;
    return ChangeResult::Done;
  }
  const HKEY root = place == AddPlace::UserRun ? places_.UserRoot : places_.MachineRoot;
  if (store_.ReadValue(root, target, name)) return ChangeResult::WriteFailed;
  bool written = store_.WriteString(root, target, name, command, REG_SZ);
  std::optional<RegRawValue> back = store_.ReadValue(root, target, name);
  if (!written || !back || back->type != REG_SZ || RegValueText(*back) != command) return ChangeResult::WriteFailed;
  return ChangeResult::Done;
}

}  // namespace qz::st
