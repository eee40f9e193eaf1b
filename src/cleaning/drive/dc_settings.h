// Drive Cleaner settings: the six options, the drive choice, the file-type
// groups and the exceptions, with their registry layout under
// HKLM\ProductRegKey\Options\DC and the two exception-list files beside the
// program. No window code: the options window keeps a DriveCleanerSettings as
// its live state and draws it; the search reads it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cleaning/frame/fixed_drives.h"
#include "core/stringlist.h"
#include "core/translation.h"

namespace qz::dc {

using cleaning::DriveRow;

// Where the settings live. The program uses the default; tests point it at a
// scratch key.
struct SettingsLocation {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::string key;  // ProductRegKey\Options\DC
  static SettingsLocation Default();
  std::string Sub(const char* name) const { return key + "\\" + name; }
};

// The six check boxes of the options page, with their designed states.
struct DriveCleanerOptions {
  bool TMPDir_ALL = true;      // empty the Windows temporary folder
  bool TMPDir_User = true;     // empty the user's temporary folder
  bool Minidump = true;        // list the crash dumps
  bool LNK = false;            // list shortcuts whose target is missing
  bool PIF = false;            // the same for DOS shortcuts
  bool WriteProtected = true;  // leave out read-only and in-use files
};

// A file-type group: a caption and its masks (upper case).
struct MaskGroup {
  std::string Name;
  StringList Masks;
  int32_t ImageIndex = 0;
  bool Checked = true;
};

// One exception. Folders end with "\".
struct ExceptionEntry {
  std::string Path;
  int32_t IsFolder = 0;    // 1 folder, 0 file (name, path or extension)
  int32_t ImageIndex = 0;  // 1 folder, 0 file
  uint8_t IsBuiltIn = 0;   // fixed entry: never removed, never saved
};

struct DriveCleanerSettings {
  DriveCleanerOptions Options;
  std::vector<DriveRow> Drives;
  std::vector<MaskGroup> Groups;
  std::vector<ExceptionEntry> Exceptions;
};

// ---- options -------------------------------------------------------------

// Registry value names of the six options.
inline constexpr const char* kOptTmpAll = "TMPDir_ALL";
inline constexpr const char* kOptTmpUser = "TMPDir_User";
inline constexpr const char* kOptMinidump = "Minidump";
inline constexpr const char* kOptLnk = "LNK";
inline constexpr const char* kOptPif = "PIF";
inline constexpr const char* kOptWriteProtected = "WriteProtected";

// Reads a check-box value: only a value of exactly this name that reads as
// 0 or 1 changes `state`; anything else keeps it.
void LoadCheckValue(HKEY root, const std::string& key, const std::string& name, bool& state);
void LoadOptions(const SettingsLocation& loc, DriveCleanerOptions& options);

// ---- file-type groups ----------------------------------------------------

// "*.tmp ; *.bak" -> "*.TMP", "*.BAK" (the program's split rule, upper case).
StringList SplitMasks(const std::string& text);
// Masks joined with ";" after each, as stored ("*.TMP;*.BAK;").
std::string JoinMasks(const StringList& masks);
// The seven built-in groups; captions through tr with "MESSAGE_FileTyp_" + n.
std::vector<MaskGroup> DefaultMaskGroups(const TranslateFn& tr = {});
// FileTyp0, FileTyp1 ... up to the first missing number; the defaults when
// the Mask key does not exist.
std::vector<MaskGroup> LoadMaskGroups(const SettingsLocation& loc, const TranslateFn& tr = {});

enum class NewGroupCheck { Ok, Empty, TooBroad };
// A group entered by the user: both texts must be non-empty, and no mask may
// consist only of "*", "?" and "." (such as "*.*": it would match nearly every
// file). On Ok, `group` holds the new checked group (image 0).
NewGroupCheck CheckNewMaskGroup(const std::string& name, const std::string& maskText, MaskGroup& group);
bool IsTooBroadMask(const std::string& mask);
// The refusal text for a too broad group (key "MESSAGE_MaskTooBroad").
std::string TooBroadMaskMessage(const TranslateFn& tr = {});

// ---- exceptions ----------------------------------------------------------

// The one key exception entries are compared by (without regard to case, as
// the scan compares paths): every list of exceptions is a hash set on it, so
// loading, saving and applying a list of any length takes linear time.
std::string ExceptionKey(const std::string& path);

// The six fixed labels, always first: "Recycle Bin", "Temporary Internet
// Files", "Temporary Files", "Office - VBE", "Cookies", "History.IE5".
std::vector<ExceptionEntry> BuiltInExceptions();
ExceptionEntry MakeException(const std::string& path, bool isFolder, bool builtIn = false);

// The lines of an exception-list file as entries: blank lines skipped,
// trailing blanks trimmed, %NAME% expanded, folders given a trailing "\".
StringList ParseExceptionLines(const std::string& text, bool folders);

// File names of the two lists below a program folder.
std::string FolderListPath(const std::string& appDir);  // appDir\DC-Folders.txt
std::string FileListPath(const std::string& appDir);    // appDir\DC-Files.txt

enum class ExceptionLoad { Ok, MissingListFile };
// The built-in entries, then for the folder list and the file list in turn
// the list file's entries merged with the registry's (K\Folders, K\Files):
// sorted without regard to case, each once. A missing list file shows the
// fatal box ("Needed File" ... through ShowMessageBox, owner given; none
// while the optimizer runs) and returns MissingListFile: the caller ends the
// program (the optimizer skips the cleaner), nothing else may run.
ExceptionLoad LoadDriveExceptions(const SettingsLocation& loc, const std::string& appDir,
                                  std::vector<ExceptionEntry>& out, HWND owner = nullptr,
                                  std::string* missingFile = nullptr);
// The text of that box for a path.
std::string MissingListMessage(const std::string& path);

// Adds a user exception (a folder gets its trailing "\"). False when the text
// is empty or an entry of that kind and path (no case) exists already.
bool AddUserException(std::vector<ExceptionEntry>& list, const std::string& path, bool isFolder);
// Removes the entries at the given indices except built-in ones; returns how
// many built-in entries were kept back (the window then shows its refusal).
int RemoveExceptions(std::vector<ExceptionEntry>& list, const std::vector<size_t>& indices);

// ---- load and save as a whole --------------------------------------------

// Everything the options window loads at creation: groups (with exceptions),
// the six options, the fixed drives with their stored choice.
ExceptionLoad LoadDriveCleanerSettings(const SettingsLocation& loc, const std::string& appDir,
                                       DriveCleanerSettings& s, const TranslateFn& tr = {},
                                       HWND owner = nullptr);
// Writes every current value first (options, drive letters, exceptions under
// \Folders and \Files, groups as Mask\FileTyp0..n), then removes what is no
// longer wanted (values and group keys of entries gone). Nothing is deleted
// before the new state is written, so a failed write keeps the old settings.
// Built-in exceptions are never written. True when every write held.
bool SaveDriveCleanerOptions(const SettingsLocation& loc, const DriveCleanerSettings& s);
// The one box the window shows when a save failed (key "MESSAGE_SaveFailed").
std::string SaveFailedMessage(const TranslateFn& tr = {});

}  // namespace qz::dc
