// The DLL Cleaner's analysis engine: walks the chosen drives for DLL files,
// groups the copies by file name and classifies every copy of a name that also
// lies directly in a Windows folder against the reference copy there. No
// window code; the module window owns an engine, fills its inputs from the
// options window, runs AnalyzeDlls and turns the output into its result list.
// GUI thread only: it pumps the message queue by time and stops at the next
// item once AbortFlag is 1 (the output is then incomplete and discarded).
//
// What is never collected, whatever the options say:
//  - anything in or below the system stores (DllPlaces::IsProtectedChild) and
//    the user's exception folders; the user's exception files;
//  - junctions and symbolic links, and anything below them;
//  - names no Windows path can address;
//  - a copy outside the Windows folders that Windows or a program still names
//    (DllReferences), that is in use, or (with WriteProtected off) read-only.
// Copies directly in the Windows folders are always collected, as references.
// The search changes nothing on disk: no attribute is ever written.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cleaning/dll/dll_classify.h"
#include "cleaning/dll/dll_places.h"
#include "core/stringlist.h"

namespace qz::dll {

// One collected copy; its index in DllEngine::Files is its number.
struct DllFile {
  std::string Path;       // as the file system spells it
  std::string UpperPath;  // normal form (upper case)
  std::string Name;       // upper-case file name
  DllPlace Place = DllPlace::Elsewhere;
  int64_t Size = 0;
  FILETIME LastWrite{};
  // Read only once the copy's group qualifies:
  std::string Date;         // last write, local time, short date and long time
  std::string VersionText;  // "FileVersion" as stored; "" when none
  DllVersion Number;
  uint16_t Machine = 0;
};

// The four option bytes of the search.
struct DllSearchOptions {
  bool WriteProtected = false;  // also collect read-only copies
  bool SameSize = false;        // rule 3
  bool SameVersion = true;      // rules 4 and 5
  bool Both = true;             // rule 1
};

// Group lines: "NAME:\X" for a group's header, "NAME:\17" for its member
// number 17. ":\" cannot occur in a file name.
std::string GroupHeader(const std::string& name);
std::string GroupKey(const std::string& name, size_t number);
// Splits a line into the name and the number (-1 for a header). False when
// the line is not of either form.
bool ParseGroupLine(const std::string& line, std::string& name, int64_t& number);

// Open with delete access and no sharing, not following a link: fails for a
// file another handle holds open (or that is mapped as an image); a read-only
// file passes. Nothing about the file changes. A file that is gone is not in use.
bool IsFileInUse(const std::string& path);
// Last-write time as shown: local time, short date and long time of the user's locale.
std::string FormatFileDate(const FILETIME& utc);

class DllEngine {
 public:
  // ---- inputs, set before AnalyzeDlls
  std::string DriveLetters;     // upper-case letters ("CD")
  StringList ExceptionFiles;    // bare file names or full paths
  StringList ExceptionFolders;  // folders; their whole sub-trees are left out
  DllSearchOptions Options;
  DllFolders Folders = DllFolders::FromSystem();
  unsigned PumpIntervalMs = 30;  // message pumping, by time

  // ---- output
  std::vector<DllFile> Files;
  StringList DllGroups;   // groups in name order, members in path order
  StringList DllReasons;  // one reason code ("0".."6") per line of DllGroups

  // ---- progress, read by the display timer and the summary
  int64_t FoldersEntered = 0;
  int64_t DllFilesSeen = 0;  // every file with the extension ".DLL" met by the walk
  std::string CurrentDrive, CurrentFolder, CurrentFile;

  // The whole search: BeginSearch, then SearchDllFolder for the root of each
  // drive in DriveLetters that holds a medium (A to Z), then FormGroups.
  // Returns early when AbortFlag is 1.
  void AnalyzeDlls();
  // Its steps. BeginSearch zeroes the counters and lists, and reads the
  // places, the exceptions and the registry's references.
  void BeginSearch();
  // Walks one folder tree ("D:\" or "D:\Data\"), collecting its DLL copies.
  void SearchDllFolder(const std::string& folder);
  // Groups the collected copies by name and classifies each qualifying group:
  // it holds a copy directly in a Windows folder and one elsewhere, also
  // after the copies in use are left out.
  void FormGroups();
  // Drops the per-file lists and the groups (the caller has built its list).
  void ClearFileLists();

  // The places and references of the last search.
  const DllPlaces& Places() const { return places_; }
  const DllReferences& References() const { return references_; }

 private:
  struct Folder {
    std::wstring path;  // as the file system spells it, no trailing backslash ("C:" for a root)
    std::string upper;  // normal form
  };
  void OnDllFound(const Folder& folder, const std::string& folderText, DllPlace place, const WIN32_FIND_DATAW& fd);
  bool Qualifies(const std::vector<size_t>& members) const;
  void AnalyzeGroup(const std::string& name, std::vector<size_t>& members);
  // Reads the copy's version and date; false for a copy outside the Windows
  // folders that is in use (or gone).
  bool ReadDetails(DllFile& f);
  void Pump() const;

  DllPlaces places_;
  DllReferences references_;
  std::unordered_set<std::string> exceptionFiles_, exceptionFolders_;
  std::unordered_map<uint64_t, std::string> dates_;  // formatted last-write times by second
};

}  // namespace qz::dll
