// The file types registered in the class root, and their changes: listing,
// reading and writing one type's open command and icon, and returning a type
// to the values it had before this program first changed it.
//
// A type lives in a *classes location*: a root and a base path below which
// the extension keys and the class keys (ProgIDs) lie. The program reads
// HKEY_CLASSES_ROOT (the merged 64-bit view), then every 32-bit store of the
// class root that is a key of its own (RegLocationViews); tests pass scratch
// keys. Everything about one entry is read and written in the location it
// was listed from.
//
// The value a change replaces first is kept beside it in the value
// "Backup_FA" (under <ProgID>\DefaultIcon and <ProgID>\shell\open\Command),
// written only when absent, with the original's type and bytes. An absent
// original is kept as an empty string.
//
// Texts are written as REG_EXPAND_SZ when they hold an environment reference
// (%NAME%, see HasEnvironmentReference), else as REG_SZ. Every write is
// checked by reading it back, and the entry is read again after each change,
// so the list shows what is stored.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace qz::ui {
class VTreeModel;
}

namespace qz::fa {

// Where class keys live: root + base path ("" for the root itself).
struct ClassesLocation {
  HKEY root = nullptr;
  std::string base;

  // The path of a key below the location.
  std::string Key(const std::string& sub) const { return base.empty() ? sub : base + "\\" + sub; }
  bool operator==(const ClassesLocation&) const = default;
};

// HKEY_CLASSES_ROOT, then each 32-bit store of HKLM and HKCU
// "Software\Classes" that is a different key (by its stored path).
std::vector<ClassesLocation> ProductionLocations();
// The location the shell of this (64-bit) system uses: HKEY_CLASSES_ROOT.
ClassesLocation DefaultLocation();

// The node record of the file-type list.
struct FileTypeEntry {
  std::string DisplayName;  // the class key's default value, else the ProgID
  std::string ProgID;       // the extension key's default value
  std::string Extension;    // the key name as listed, with its "."
  std::string Command;      // <ProgID>\shell\open\Command's default value
  std::string IconFile;     // from <ProgID>\DefaultIcon, only when absolute
  int IconIndex = 0;
  uint8_t HasOriginal = 0;  // "Backup_FA" under DefaultIcon or Command
  ClassesLocation Location; // where the entry was listed
};

// The extensions hidden while the list leaves out important system types.
const StringList& SystemExtensionList();
bool IsSystemExtension(const std::string& extension);

// A DefaultIcon text as the list reads it (environment expanded): an icon
// file only when characters 2-3 are ":\"; with a ",", the text before the
// first "," and the number after the last one (0 when it is none).
void ParseIconText(const std::string& storedText, std::string& iconFile, int& iconIndex);
// The icon file a command line names: without a leading double quote the
// whole text; with one, the text up to the next double quote.
std::string IconFileOfCommand(const std::string& command);
// True when the text holds %NAME% with NAME of at least 2 characters of
// letters, digits, "_", "(" and ")", beginning with a letter. %1, %L and %*
// are not references.
bool HasEnvironmentReference(const std::string& text);
// REG_EXPAND_SZ for a text with a reference, else REG_SZ.
DWORD StringTypeFor(const std::string& text);

// The registry writes of the engine, replaceable so tests can make one fail.
// Every write is checked: true only when the value reads back as written.
class RegistryWrites {
 public:
  virtual ~RegistryWrites() = default;
  virtual bool SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                         DWORD type);
  virtual bool SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
                      const std::vector<uint8_t>& data);
  // True when the value does not exist afterwards.
  virtual bool Remove(HKEY root, const std::string& key, const std::string& name);
};
RegistryWrites& DefaultRegistryWrites();

// Which parts of an entry a change writes.
enum WritePart : unsigned { kWriteIcon = 1, kWriteCommand = 2 };

inline constexpr const char* kOriginalValue = "Backup_FA";

class FileTypes {
 public:
  FileTypes() = default;
  explicit FileTypes(std::vector<ClassesLocation> locations) : Locations(std::move(locations)) {}

  // Listed in this order; an extension listed from an earlier location is
  // not listed again (without regard to case).
  std::vector<ClassesLocation> Locations = ProductionLocations();
  RegistryWrites* Writes = &DefaultRegistryWrites();
  // Leave out the extensions of SystemExtensionList.
  bool HideSystem = true;
  // The reading's progress: position and total (the number of keys), per key.
  std::function<void(int64_t position, int64_t total)> OnProgress;
  // Before the first key, once the total is known (not called when there
  // are no keys at all).
  std::function<void(int64_t total)> OnReadingStarted;

  // Clears the tree and lists every type (the tree's record type becomes
  // FileTypeEntry). Pumps messages (throttled) while it reads. Returns the
  // number of listed types.
  size_t LoadFileTypes(ui::VTreeModel& tree);

  // Fills command, icon file, icon index and has-original of the entry from
  // its location (ProgID and location must be set).
  static void ReadFileTypeEntry(FileTypeEntry& e);

  // Writes the entry's icon (icon file + "," + index) and/or command, each
  // only when it differs from the stored text without regard to case,
  // keeping the first original in "Backup_FA"; when "Backup_FA" cannot be
  // stored the value stays unchanged. Reads the entry again. True when every
  // part asked for is stored.
  bool WriteFileTypeEntry(FileTypeEntry& e, unsigned parts);

  // Returns the entry to its originals: each key with "Backup_FA" gets its
  // default value back (type kept; a REG_SZ original holding a reference
  // comes back as REG_EXPAND_SZ) and loses "Backup_FA" only when that value
  // read back. Reads the entry again. True when every key was restored.
  bool ResetFileType(FileTypeEntry& e);

 private:
  bool WriteWithOriginal(HKEY root, const std::string& key, const std::string& text);
  bool RestoreOriginal(HKEY root, const std::string& key);
};

}  // namespace qz::fa
