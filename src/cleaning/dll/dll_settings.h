// The DLL Cleaner's settings: the drives to search, the exception folders and
// files, and the four comparison options, with their registry layout under
// HKLM\ProductRegKey\Options\DLL and the two list files beside the program.
// No window code: the options window keeps a DllOptions as its live state and
// draws it; the search reads it.
//
// The system stores the search never enters are not settings: they are built
// into the engine (DllPlaces), never listed here and never stored.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "cleaning/drive/dc_settings.h"
#include "cleaning/frame/fixed_drives.h"
#include "core/stringlist.h"
#include "core/translation.h"

namespace qz::dll {

using cleaning::DriveRow;
using dc::SettingsLocation;

// HKLM\ProductRegKey\Options\DLL.
SettingsLocation DllSettingsLocation();

struct DllOptions {
  bool SameSize = false;
  bool SameVersion = true;
  bool Both = true;
  bool WriteProtected = false;
  std::vector<DriveRow> Drives;
  StringList Folders;  // exception folders, as listed
  StringList Files;    // exception files: bare names or full paths, upper case when added here
};

inline constexpr const char* kOptSameSize = "SameSize";
inline constexpr const char* kOptSameVersion = "SameVersion";
inline constexpr const char* kOptBoth = "Both";
inline constexpr const char* kOptWriteProtected = "WriteProtected";

// appDir\DLL-Folders.txt and appDir\DLL-Files.txt.
std::string DllFolderListPath(const std::string& appDir);
std::string DllFileListPath(const std::string& appDir);

// What the folder list always starts with: the Windows and the user's
// temporary folders (the second only when it differs), and RECYCLED and
// RECYCLER on every fixed drive.
StringList BuiltInDllFolders(const std::string& winTempDir, const std::string& userTempDir,
                             const std::vector<DriveRow>& fixedDrives);

// The folder and file lists: the built-in folders, the folder list file's
// lines (every folder entry then with its variables expanded), the stored
// "Folders" names; the file list file's lines, the stored "Files" names. Each
// entry once (no regard to case), both lists sorted without regard to case,
// blank lines skipped. A missing list file is reported in a box (owner given;
// English, not translated) and the lists are built from the rest; its path
// goes to *missing.
void LoadDllLists(const SettingsLocation& loc, const std::string& appDir, const StringList& builtInFolders,
                  DllOptions& o, HWND owner = nullptr, StringList* missing = nullptr);
// The four check boxes from their values (a value that is not 0 or 1 keeps
// the default).
void LoadDllChecks(const SettingsLocation& loc, DllOptions& o);
// Everything the options window loads when it is created: the fixed drives
// with their stored choice, the lists and the check boxes.
void LoadDllOptions(const SettingsLocation& loc, const std::string& appDir, DllOptions& o, HWND owner = nullptr,
                    StringList* missing = nullptr);

// Writes the four options (DWORD), one "1"/"0" string per drive, and the two
// lists whole (every entry as a value name with empty data under "Folders"
// and "Files"); stale names are removed only after the new ones are written.
// True when every write held.
bool SaveDllOptions(const SettingsLocation& loc, const DllOptions& o);

enum class AddDllFile { Added, Empty, NotDll, Present };
// The file edit's text, trimmed and upper-cased; it must end in ".DLL".
AddDllFile AddDllFileException(StringList& files, const std::string& text);
// A chosen folder, as returned; false when blank or already listed.
bool AddDllFolderException(StringList& folders, const std::string& folder);
// Removes the entries at the given indices.
void RemoveListEntries(StringList& list, const std::vector<size_t>& indices);

std::string PleaseSelectDllMessage(const TranslateFn& tr = {});

}  // namespace qz::dll
