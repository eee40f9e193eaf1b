// Every step the StartUp-Tuner takes on the registry, on win.ini and on files,
// behind one interface. The base class does the real thing through the core's
// helpers; a test derives from it and makes any single step fail (or count
// its calls) to see that the engine never loses, doubles or half-moves an
// entry when a step goes wrong.
//
// The calls are single steps: a write does not check itself, a removal does
// not look whether the thing is gone. The engine reads back after every
// change through the read calls here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/registry.h"
#include "core/shortcut.h"
#include "core/stringlist.h"

namespace qz::st {

// One sub-key of a key with the string values asked for ("" when absent).
struct SubKeyStrings {
  std::string name;
  std::vector<std::string> values;
};

class StartupStore {
 public:
  virtual ~StartupStore() = default;

  // ---- registry (keys as stored paths: a 32-bit key by its Wow6432Node path)
  // Every value of the key on one open handle; empty when the key is missing.
  virtual std::vector<RegNamedValue> ListValues(HKEY root, const std::string& key);
  virtual std::optional<RegRawValue> ReadValue(HKEY root, const std::string& key, const std::string& name);
  // Writes type and bytes in place, creating the key.
  virtual bool WriteValue(HKEY root, const std::string& key, const std::string& name, const RegRawValue& value);
  virtual bool RemoveValue(HKEY root, const std::string& key, const std::string& name);
  // Writes REG_SZ or REG_EXPAND_SZ text in place (no read-back).
  virtual bool WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                           DWORD type);
  // The sub-keys of a key, each opened once with the named string values
  // read; empty when the key is missing.
  virtual std::vector<SubKeyStrings> ListSubKeyStrings(HKEY root, const std::string& key,
                                                       const std::vector<std::string>& valueNames);
  virtual bool KeyExists(HKEY root, const std::string& key);
  // Deletes the key with everything below it.
  virtual bool RemoveKey(HKEY root, const std::string& key);

  // ---- undo files (the core's writer)
  // base + "\" + user folder + "\" + date name + ".REG" for now.
  virtual std::string MakeBackupFileName(const std::string& base);
  virtual bool BeginBackup(const std::string& file);
  virtual bool BackupValue(HKEY root, const std::string& key, const std::string& name);
  virtual bool BackupKey(HKEY root, const std::string& key);
  virtual bool EndBackup();

  // ---- win.ini
  // The section's keys and raw values in file order (quotes kept).
  virtual std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& file,
                                                                       const std::string& section);
  // Writes the text as it stands under the key (the first key of that name).
  virtual bool WriteIniText(const std::string& file, const std::string& section, const std::string& key,
                            const std::string& text);
  // Deletes the first key of that name from the section.
  virtual bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key);

  // ---- files and shortcut links
  // Full paths of the "*.lnk" files of a folder (not recursive).
  virtual StringList FindLinks(const std::string& folder);
  virtual bool PathExists(const std::string& path);
  // Size of a plain file; -1 when it is missing or a folder.
  virtual int64_t FileSize(const std::string& path);
  // INVALID_FILE_ATTRIBUTES when missing.
  virtual DWORD Attributes(const std::string& path);
  virtual bool SetAttributes(const std::string& path, DWORD attributes);
  // Creates the folder and the folders above it; true when it exists as a folder.
  virtual bool MakeFolder(const std::string& folder);
  // The shell's move and copy of one file (no confirmation; the shell
  // replaces an existing target without asking, so callers test first).
  virtual bool ShellMove(const std::string& source, const std::string& target);
  virtual bool ShellCopy(const std::string& source, const std::string& target);
  // To the Recycle Bin without any dialog.
  virtual bool Recycle(const std::string& file);
  // Deletes a file for good: only for copies this module has just made.
  virtual bool DeleteOwnFile(const std::string& file);
  // Reads a link (link.ShortcutFile set; Quiet); link.Success tells.
  virtual void LoadLink(TShortcutLink& link);
  // Saves a link; throws EShortcutError when it cannot be saved.
  virtual void SaveLink(TShortcutLink& link);

  // ---- icons
  // Icon 0 of a file; what ExtractIconW returns (0: none, 1: not a file with
  // icons, else an icon the caller owns).
  virtual HICON ExtractFileIcon(const std::string& file);

  // ---- the Startup folders of the system (CSIDL 24 and 7); "" when unknown
  virtual std::string SpecialFolder(int csidl);
};

// The store of the real system.
StartupStore& SystemStartupStore();

// Undo file of a change to an entry shown as displayName: the folder of
// store.MakeBackupFileName(base) + "\" + the cleaned name + " ; " + that
// file's name. The cleaned name has ":", "*", "/", "\", "?", "<", ">", "|",
// the double quote and control characters replaced by "_" and is cut to 100
// characters. "" when the store gives no name.
std::string UndoFileFor(StartupStore& store, const std::string& base, const std::string& displayName);
std::string CleanUndoName(const std::string& displayName);

}  // namespace qz::st
