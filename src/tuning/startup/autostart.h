// The StartUp-Tuner's autostart engine: the twelve places Windows starts
// programs from at logon, read into one checkable tree (a checked entry is
// active, an unchecked one lies in the "not active" place of its source), and
// every change to an entry: disable, enable, edit, delete and add. No window
// code: it fills a VTreeModel whose records are AutostartEntry and returns a
// result for each change; the module window turns results into messages.
//
// Sources, in this order (title keys of the language file in brackets):
//   1  common Startup folder (CSIDL 24)   [MESSAGE_Autorun_Startmenu_ALL]
//        not active: AppDir\Backups\StartUp-Tuner\not active1 and \not active2
//   2  user Startup folder (CSIDL 7)      [MESSAGE_Autorun_Startmenu_CURRENT]
//        not active: its own "not active1" and "not active2" (read only)
//   3-6  HKLM ...\CurrentVersion\Run, RunOnce, RunServices, RunServicesOnce,
//        both registry views, each with its sub-key "not active"
//   7-10 HKCU the same keys (one view)
//   11, 12 win.ini sections "run" and "load", not active: "run-not active",
//        "load-not active"
//
// The rules every change keeps:
//  - nothing is lost, doubled or overwritten: a move writes the target, reads
//    it back (type and bytes; the raw INI text; a link's size), and only then
//    removes the source and checks that it is gone; a failed removal takes the
//    written copy away again. A name that exists at the target is refused.
//  - a win.ini key that appears twice in its section is shown but never
//    changed: the profile functions reach only the first one.
//  - a registry edit or delete first writes a complete undo file; a link
//    delete first leaves a checked copy in Backups\ST.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/stringlist.h"
#include "core/translation.h"
#include "tuning/startup/st_store.h"
#include "ui/vtree_model.h"

namespace qz::st {

// The record of every node of the autostart tree.
struct AutostartEntry {
  std::string DisplayName;  // first line; for categories the translated title
  std::string Name;         // value name, win.ini key, or the link's full path
  std::string Command;      // value as text, raw win.ini value, or the link's target and arguments
  HICON Icon = nullptr;     // owned by the engine's icon cache, not by the record
  int32_t Category = 0;     // 0 start menu, 1 win.ini, 2 registry (also the header picture)
  uint8_t IsCategoryNode = 0;
  HKEY RootKey = nullptr;   // registry entries only
  std::string KeyPath;      // stored path of the key holding the value
  std::string ValueName;
  std::string LinkFile;     // where the link lies now
  int32_t LinkKind = 0;     // 1 active in the common, 2 in the user's Startup folder, 0 found not active
  std::string IniFile;
  std::string IniSection;   // "run", "run-not active", "load", "load-not active"
  int32_t Source = 0;       // number of the category (1..12)
  bool Wow32 = false;       // read from the 32-bit registry view
  bool DuplicateKey = false;  // win.ini: the key appears more than once in its section
};

enum class EntryKind { None, Link, Registry, WinIni };
// By the fields, in this order: LinkFile, KeyPath, IniFile.
EntryKind KindOf(const AutostartEntry& e);

inline constexpr uint16_t kAutostartRowHeight = 36;
inline constexpr const char* kNotActive = "not active";

// Where the sources (and the installed-software list) lie. Tests point every
// place at scratch folders and keys.
struct StartupPlaces {
  std::string CommonStartup;  // CSIDL 24, no trailing backslash; "" when unknown
  std::string UserStartup;    // CSIDL 7
  std::string NotActive1;     // AppDir\Backups\StartUp-Tuner\not active1
  std::string NotActive2;     // AppDir\Backups\StartUp-Tuner\not active2
  std::string WinIni;         // WinDir\win.ini
  HKEY MachineRoot = HKEY_LOCAL_MACHINE;
  std::string MachineKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  HKEY UserRoot = HKEY_CURRENT_USER;
  std::string UserKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  std::string BackupDir;      // AppDir\Backups\ST: undo files and link copies
  HKEY UninstallRoot = HKEY_LOCAL_MACHINE;
  std::string UninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  static StartupPlaces FromSystem(StartupStore& store);
};

enum class SourceKind { Folder, Registry, WinIni };

// One of the twelve categories and the places it reads.
struct AutostartSource {
  int32_t Number = 0;
  std::string TitleKey;
  std::string GermanTitle;
  int32_t Category = 0;
  SourceKind Kind = SourceKind::Folder;
  // Folder: the active folder ("" when unknown) and its link kind; the
  // inactive folders (read only when the active folder is known).
  std::string ActiveFolder;
  int32_t LinkKind = 0;
  StringList InactiveFolders;
  // Registry: root and key of the active place (64-bit path).
  HKEY Root = nullptr;
  std::string Key;
  // win.ini
  std::string IniFile;
  std::string Section;
};
std::vector<AutostartSource> AutostartSources(const StartupPlaces& places);

// Icons extracted while the tree is built, one per source (upper-cased file
// name); only a result above 1 is an icon. The cache owns them: Clear
// destroys every one, and so does the destructor.
class IconCache {
 public:
  explicit IconCache(StartupStore& store) : store_(store) {}
  ~IconCache() { Clear(); }
  IconCache(const IconCache&) = delete;
  IconCache& operator=(const IconCache&) = delete;
  HICON Get(const std::string& file);
  void Clear();
  size_t LiveIcons() const { return live_; }

 private:
  StartupStore& store_;
  std::unordered_map<std::string, HICON> icons_;  // nullptr: the source has none
  size_t live_ = 0;
};

// What a disable or enable did. Anything but Moved leaves the entry where it
// was (and its check box as it was).
enum class MoveResult {
  Moved,
  Unchanged,      // not in a place that moves (enabling outside "not active")
  TargetExists,   // a value, key or file of that name lies at the target
  WriteFailed,    // the target could not be written or did not read back
  SourceKept,     // the source could not be removed; the copy was taken back
  FolderUnknown,  // the Startup folder to enable into is unknown
  Ambiguous,      // the win.ini key appears twice in its section
  BadName,        // the name cannot be written at the target
};

// What an edit, delete or add did.
enum class ChangeResult {
  Done,
  BackupNotCreated,  // the undo file could not be started
  BackupNotRead,     // the value or key could not be recorded
  BackupNotClosed,   // the undo file could not be completed
  WriteFailed,       // the new text could not be written or did not read back
  RemoveFailed,      // the entry is still there
  CopyFailed,        // a link's copy in Backups\ST could not be made and checked
  RecycleFailed,     // the file is still there after recycling
  LinkUnreadable,    // the link could not be read
  LinkNotSaved,      // the new link could not be saved or did not read back
  LinkNotPlaced,     // the edited link could not take the old one's place
  FolderUnknown,     // no Startup folder to add a link to
  Ambiguous,         // the win.ini key appears twice in its section
  EmptyKeyName,      // an installed-software entry without a key of its own
};

// Where TForm_ST_New puts a new entry.
enum class AddPlace { UserRun, MachineRun, StartupFolder };

// Problems of a new entry's name (checked before the dialog closes).
enum class NameProblem { None, Empty, Invalid, Exists };
// Empty after trimming; holding \ / : * ? " < > | or a control character,
// "." or "..", ending in a dot or blank, or longer than 200 characters.
NameProblem CheckNameText(const std::string& name);

class AutostartEngine {
 public:
  AutostartEngine(StartupStore& store, StartupPlaces places);
  AutostartEngine(const AutostartEngine&) = delete;
  AutostartEngine& operator=(const AutostartEngine&) = delete;

  StartupStore& Store() { return store_; }
  const StartupPlaces& Places() const { return places_; }

  // Clears the tree and fills it: each category (no check box, expanded),
  // below it the entries of its active places (checked), then of its
  // inactive places (unchecked). Empty categories go when hideEmpty. The
  // icons of the last build are destroyed first.
  void BuildAutostartTree(ui::VTreeModel& tree, bool hideEmpty, const TranslateFn& tr = {});
  // The readers (one entry per value, link or key) below parent.
  void LoadAutostartRegistry(ui::VTreeModel& tree, ui::VNode* parent, HKEY root, const std::string& key,
                             bool checked, int32_t source, bool wow32);
  void LoadAutostartFolder(ui::VTreeModel& tree, ui::VNode* parent, const std::string& folder, int32_t linkKind,
                           bool checked, int32_t source);
  void LoadAutostartWinIni(ui::VTreeModel& tree, ui::VNode* parent, const std::string& file,
                           const std::string& section, bool checked, int32_t source);
  // Destroys the icons (the tree's records then hold stale handles: clear
  // the tree too, or rebuild it).
  void FreeIcons() { icons_.Clear(); }
  size_t LiveIcons() const { return icons_.LiveIcons(); }

  // Disable moves the entry to its "not active" place, Enable back. On
  // Moved the record names the new place.
  MoveResult Disable(AutostartEntry& e);
  MoveResult Enable(AutostartEntry& e);
  MoveResult SetActive(AutostartEntry& e, bool active) { return active ? Enable(e) : Disable(e); }

  // Replaces the command line. Registry values: after a complete undo file,
  // written in place (REG_EXPAND_SZ stays, other kinds become REG_SZ).
  // Links: every property kept but target and arguments; the new link is
  // saved beside the undo files, read back, the old one recycled, the new
  // one moved into its place with the old one's attributes. win.ini: the
  // text under the key.
  ChangeResult EditCommand(AutostartEntry& e, const std::string& command);
  // Registry values after a complete undo file; links after a checked copy in
  // Backups\ST (recycled, not deleted); win.ini keys directly.
  ChangeResult DeleteEntry(const AutostartEntry& e);
  // CheckNameText, then whether an entry of that name lies at the target
  // place or in its "not active" place.
  NameProblem CheckNewName(const std::string& name, AddPlace place);
  ChangeResult AddEntry(const std::string& name, const std::string& command, AddPlace place);

  // The registry key or folder a new entry of that place goes to ("" when
  // the Startup folder is unknown).
  std::string AddTarget(AddPlace place) const;
  // The file name a link copy gets in folder: the name, or "stem (2).ext",
  // "stem (3).ext", ... when taken.
  std::string FreeCopyName(const std::string& folder, const std::string& fileName);

 private:
  MoveResult MoveRegistryValue(AutostartEntry& e, const std::string& target);
  MoveResult MoveIniKey(AutostartEntry& e, const std::string& target);
  MoveResult MoveLink(AutostartEntry& e, const std::string& targetFolder);
  // The raw value of the key in the section; how often the key appears.
  int CountIniKey(const std::string& file, const std::string& section, const std::string& key,
                  std::string* raw = nullptr);
  // Writes and checks the undo file of one registry value.
  ChangeResult BackupValue(const AutostartEntry& e);
  ChangeResult EditLink(AutostartEntry& e, const std::string& command);
  bool FileExists(const std::string& path);

  StartupStore& store_;
  StartupPlaces places_;
  IconCache icons_;
  std::string wowMarker_ = " (32-Bit)";  // appended to entries of the 32-bit view
};

// The display name of a link file: its name up to (not including) the first ".".
std::string LinkDisplayName(const std::string& linkFile);
// A value as the tree shows it: the registry helpers' text; a multi-string's
// strings joined by blanks.
std::string ValueCommandText(const RegNamedValue& v);
// The file whose icon an entry shows: the command without a double quote
// at its start and one at its end.
std::string IconSourceOf(const std::string& command);

// ---- messages (German defaults, translated through tr) ------------------------

// The message for a move that was refused, naming the entry ("" for Moved and Unchanged).
std::string MoveMessage(MoveResult r, const std::string& displayName, const TranslateFn& tr = {});
// The message for a failed edit, delete or add; the three undo-file messages
// are English and not translated. "" for Done.
std::string ChangeMessage(ChangeResult r, const std::string& displayName, const TranslateFn& tr = {});
// Is the message an error (else a warning)?
bool IsErrorResult(ChangeResult r);
std::string NameProblemMessage(NameProblem p, const TranslateFn& tr = {});
std::string NotEditedMessage(const TranslateFn& tr = {});
std::string SureToEditMessage(const std::string& displayName, const TranslateFn& tr = {});
std::string SureToDeleteMessage(const std::string& displayName, const TranslateFn& tr = {});

}  // namespace qz::st
