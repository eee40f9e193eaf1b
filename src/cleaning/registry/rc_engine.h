// The Registry Cleaner's check engine: sixteen check kinds, each walking one
// registry location, testing the files its entries reference and adding one
// checked entry per orphan to the result tree (kinds 10-16 list the
// recently-used lists of a few programs, every entry of the list). No window
// code: it fills a VTreeModel of RegScanNode records and keeps the counters
// the module window's progress timer reads. GUI thread only; it pumps the
// message queue by time and stops at the next item once AbortFlag is 1.
//
// Both registry views of the 64-bit program: each location is read in the
// 64-bit view and, when the 32-bit view is a different key, there too. An
// entry of the 32-bit store carries the key's stored path (for example
// HKEY_LOCAL_MACHINE "Software\Classes\Wow6432Node\CLSID\{...}"), so it is
// backed up, removed and restored in the view it came from.
//
// What is never reported:
//  - a reference whose file exists as a file or folder under any of the
//    forms the probe tries (rc_probe.h), or that could not be tested;
//  - a path on a drive that is not checked, or whose drive root does not
//    answer; relative and network paths, and paths holding a further ":",
//    "/", wildcards or control characters;
//  - installer-advertised references and short-name paths whose "~" parts
//    cannot be resolved;
//  - a COM server whose local server is present or untestable; a type
//    library version with any present or untestable file below it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cleaning/registry/rc_probe.h"
#include "core/registry.h"
#include "core/stringlist.h"
#include "ui/vtree_model.h"

namespace qz::rc {

// The check kinds; their numbers are stored in the settings.
enum CheckKind : int32_t {
  kFileTypes = 1,
  kComServers = 2,
  kTypeLibs = 3,
  kSharedDlls = 4,
  kFonts = 5,
  kSystemSounds = 6,
  kHelpFiles = 7,
  kAppPaths = 8,
  kIcons = 9,
  kFirstMru = 10,  // 10..16: recently-used lists
  kLastMru = 16,
  kKindCount = 16,
};
inline bool IsMruKind(int32_t kind) { return kind >= kFirstMru && kind <= kLastMru; }

struct KindInfo {
  int32_t Kind;
  const char* Name;         // German name, "Verwaiste Dateiformate"
  const char* Description;  // German description
  int32_t ImageIndex;       // picture in ImageList_REG
  const char* MruKey;       // kinds 10-16: the list's key below HKEY_CURRENT_USER
};
// The sixteen kinds in order (index = kind - 1).
const std::vector<KindInfo>& Kinds();
const KindInfo& KindOf(int32_t kind);

// Node record of the result tree (category nodes use it too).
struct RegScanNode {
  std::string Text;       // entries: first display text; categories: the kind's name
  std::string Target;     // the missing file or folder as tested
  HKEY Root = nullptr;    // root of Key (categories of kinds 10-16: HKEY_CURRENT_USER)
  std::string Key;        // key path below Root
  std::string ValueName;  // value to delete; "" = the default value or, by kind, the key
  std::string Extension;  // always empty
  std::string Version;    // kind 1: the extension; kind 3: the type-library version key
  int32_t Kind = 0;
  std::string CategoryName;
  int32_t ImageIndex = 0;
  uint8_t IsCategory = 0;
  std::string ExtensionKey;  // kind 1: the extension's key below Root
};

inline constexpr uint16_t kCategoryHeight = 40;
inline constexpr uint16_t kEntryHeight = 36;
inline constexpr uint16_t kMruEntryHeight = 18;

// Where the checks read. The program uses FromSystem; tests point the
// locations at scratch keys. Every location is a list of views: the 64-bit
// key first, then the 32-bit store when it is another key.
struct ScanLocations {
  std::vector<RegLocation> Classes;     // class roots (kinds 1 and 9)
  std::vector<RegLocation> Clsid;       // kinds 2 and 9; the first view is the guard of kinds 2, 3, 9
  std::vector<RegLocation> TypeLib;     // kind 3
  std::vector<RegLocation> SharedDlls;  // kind 4, value names
  std::vector<RegLocation> Fonts;       // kind 5, values
  std::vector<RegLocation> AppEvents;   // kind 6, ...\AppEvents\Schemes\Apps
  std::vector<RegLocation> Help;        // kind 7, values
  std::vector<RegLocation> AppPaths;    // kind 8
  std::vector<RegLocation> Mru[kLastMru - kFirstMru + 1];  // kinds 10-16
  std::string FontsFolder;              // where bare font names lie
  const std::vector<RegLocation>& MruOf(int32_t kind) const { return Mru[kind - kFirstMru]; }
  // The real locations; `nt` picks the NT family's Fonts key.
  static ScanLocations FromSystem(bool nt);
};

// Extension keys naming a class (kind 1), kept from the last search so that
// the delete step leaves a class alone that another extension still uses.
// Key: root name + "\" + upper-cased class key path.
using ClassUsers = std::map<std::string, StringList>;
std::string ClassUsersKey(HKEY root, const std::string& classKey);

class RegistryScanEngine {
 public:
  RegistryScanEngine();  // real locations (filled at the first search) and the real file system
  RegistryScanEngine(ScanLocations locations, FileSystemAccess* fs, ProbeFolders folders);
  // Reads these locations from now on (tests point them at scratch keys).
  void UseLocations(ScanLocations locations);

  // ---- scan state (read by the progress timer, the summary and the delete)
  std::string CheckedDrives;   // upper-case letters of the drives tested
  int32_t ExaminedCount = 0;
  int32_t FoundCount = 0;     // counted while searching, recounted from the tree after
  int32_t MarkedCount = 0;
  std::string CurrentKeyText, CurrentValueText;
  ui::VTreeModel* ResultTree = nullptr;
  ui::VNode* CurrentCategory = nullptr;
  int32_t CurrentImageIndex = 0;
  int32_t CurrentKind = 0;
  std::string CurrentCategoryName;
  int32_t CategoryTotal = 0;
  int32_t CategoryDone = 0;
  int32_t DeletedCount = 0;
  int32_t DeleteErrorCount = 0;
  // The tree holds the results of a search that ran to its end (a cancelled
  // search leaves a partial tree that is never deleted from).
  bool SearchComplete = false;

  ScanLocations Locations;
  PathProbe Probe;
  ClassUsers FileTypeClassUsers;
  // Called at every point where the checks pump messages (tests use it to
  // press Cancel after a number of items).
  std::function<void()> OnPump;

  // Prepares a search: the tree's record type, counters 0, the probe's
  // answers forgotten, the class map emptied, and CheckedDrives := the given
  // letters whose drive root answers.
  void BeginSearch(ui::VTreeModel& tree, const std::string& drives);
  // Runs the check of one kind under CurrentCategory.
  void RunKind(int32_t kind);

  void CheckFileTypes();
  void CheckComServers();
  void CheckTypeLibs();
  void CheckSharedDlls();
  void CheckFonts();
  void CheckSystemSounds();
  void CheckHelpFiles();
  void CheckAppPaths();
  void CheckIcons();
  void ScanMruList(const std::vector<RegLocation>& views);

  // The referenced-path preparation every kind shares: an installer
  // reference or a path holding "\INCREDIMAIL\" becomes empty; a path
  // holding "~" and ":" gets its long form. False when the long form cannot
  // be had (the path is then untestable).
  bool NormalizeReferencedPath(std::string& path, bool installerRuleOnly = false);

  // Lets pending messages run (by time) after calling OnPump.
  void Pump();

 private:
  // A reference with several readings (kinds 1, 2, 3, 8).
  struct Reading {
    StringList Paths;     // candidates, in order
    std::string Primary;  // the one an entry shows when tested
  };
  struct Verdict {
    PathState State = PathState::Unknown;
    std::string Target;
  };
  Verdict TestReading(const Reading& r, const std::string& hint, Wanted wanted = Wanted::Any,
                      bool resourceSuffixRule = false);
  // A reference as the registry holds it (expanded, read in every way).
  Verdict TestReference(const std::string& registryText, bool resourceSuffixRule = false);
  // One path (kinds 4-7 and 9): normalised, filtered, tested.
  PathState TestPath(std::string& path, const std::string& hint, bool installerRuleOnly = false);
  // The start of every check: labels and progress cleared; false on Cancel.
  bool BeginCheck();
  // The guard of kinds 2, 3 and 9: the CLSID key exists.
  bool ClsidGuard() const;
  ui::VNode* AddEntry(RegScanNode&& node);
  // An entry of the kind now running, under CurrentCategory.
  ui::VNode* Found(std::string text, std::string target, HKEY root, std::string key, std::string valueName = {},
                   std::string version = {}, std::string extensionKey = {});
  void CheckIconKeys(const RegLocation& parent);
  void LocationsFromSystemOnce();

  bool locationsSet_ = false;
};

// Sub-key or value names sorted ascending without regard to case.
void SortNames(StringList& names);
// "C:\X\" -> "C:\X"; "C:\" -> "C:" (every trailing backslash goes).
std::string StripTrailingBackslash(const std::string& text);
// The icon source of a DefaultIcon value: upper case, cut right after the
// first ".EXE,", ".DLL," or ".OCX," extension (in that order); "" when it
// holds none of them.
void IconSourceFile(std::string& text);
// Joins a location path and a name ("" + "X" = "X").
std::string JoinKey(const std::string& base, const std::string& name);

}  // namespace qz::rc
