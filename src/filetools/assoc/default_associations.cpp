#include "filetools/assoc/default_associations.h"

#include <shlobj.h>

#include "core/disk.h"
#include "core/reg_backup.h"
#include "core/registry.h"
#include "core/strings.h"
#include "core/text.h"
#include "filetools/assoc/icon_cache.h"

namespace qz::fa {

namespace {

const std::string kWmp = "\"%PROGRAMS%\\Windows Media Player\\wmplayer.exe\"";
const std::string kShell32 = "%SystemRoot%\\system32\\shell32.dll";
const std::string kIExplore = "\"%PROGRAMS%\\Internet Explorer\\iexplore.exe\" -nohome";
const std::string kRunSelf = "\"%1\" %*";
const std::string kMsiExec = "\"%SystemRoot%\\System32\\msiexec.exe\" /i \"%1\" %*";
const std::string kNotepad = "%SystemRoot%\\System32\\NOTEPAD.EXE %1";

std::vector<DefaultAssociation> MakeTable() {
  const std::string wmpOpen = kWmp + " /Open \"%L\"";
  const std::string wmpPrefetch9 = kWmp + " /prefetch:9 /Open \"%L\"";
  const std::string wmpPrefetch7 = kWmp + " /prefetch:7 /Open \"%L\"";
  const std::string wmpLayout = kWmp + " /layout:\"%L\"";
  const std::string wmploc = "%SystemRoot%\\system32\\wmploc.dll";
  const std::string msxml3 = "%SystemRoot%\\system32\\msxml3.dll";
  std::vector<DefaultAssociation> t = {
      {".WMD", kWmp + " /WMPackage:\"%L\"", kWmp, -120},
      {".WPL", wmpOpen, kWmp, -616},
      {".WMA", kWmp + " /prefetch:5 /Open \"%L\"", kWmp, -120},
      {".WM", wmpPrefetch7, kWmp, -120},
      {".WMV", wmpPrefetch7, kWmp, -120},
      {".M1V", wmpPrefetch9, kWmp, -120},
      {".MP2V", wmpPrefetch9, kWmp, -120},
      {".MPA", wmpPrefetch9, kWmp, -120},
      {".MPE", wmpPrefetch9, kWmp, -120},
      {".MP2V", wmpPrefetch9, kWmp, -120},  // the same row a second time
      {".WMS", wmpLayout, wmploc, -617},
      {".WMZ", wmpLayout, wmploc, -617},
  };
  for (const char* ext : {".AIF", ".AIFC", ".AIFF", ".ASF", ".ASX", ".AU", ".AVI", ".MID", ".MIDI", ".RMI", ".SND",
                          ".WAV", ".WAX", ".WMP", ".WMX", ".WVX"})
    t.push_back({ext, wmpOpen, kWmp, -120});
  const std::vector<DefaultAssociation> rest = {
      {".HTM", kIExplore, "", 0},
      {".HTML", kIExplore, "", 0},
      {".XML", kIExplore, msxml3, 0},
      {".XSL", kIExplore, msxml3, 1},
      {".ACW", "%SystemRoot%\\system32\\accwiz.exe %1", "%SystemRoot%\\system32\\accwiz.exe", 0},
      {".AudioCD", "", kShell32, 40},
      {".BAT", kRunSelf, kShell32, -153},
      {".CMD", kRunSelf, kShell32, -153},
      {".COM", kRunSelf, kShell32, 2},
      {".DLL", "", kShell32, -154},
      {".EXE", kRunSelf, "", 0},
      {".FND", "%SystemRoot%\\Explorer.exe", kShell32, -134},
      {".FON", "", kShell32, -155},
      {".GRP", "%SystemRoot%\\system32\\grpconv.exe %1", "", 0},
      {".HLP", "%SystemRoot%\\System32\\winhlp32.exe %1", kShell32, 23},
      {".CLP", "clipbrd.exe %1", "%SystemRoot%\\system32\\clipbrd.exe", 1},
      {".CHM", "\"%SystemRoot%\\hh.exe\" %1", "%SystemRoot%\\hh.exe", 0},
      {".CPL", "", "", 0},
      {".SYS", "", "", 0},
      {".LNK", "", "", 0},
      {".OCX", "", "", 0},
      {".PIF", kRunSelf, "", 0},
      {".SCR", "\"%1\" /S", "", 0},
      {".REG", "regedit.exe \"%1\"", "%SystemRoot%\\regedit.exe", 1},
      {".URL", "rundll32.exe shdocvw.dll,OpenURL %l", "%SystemRoot%\\system32\\url.dll", 0},
      {".MSI", kMsiExec, "%SystemRoot%\\system32\\msiexec.exe", 0},
      {".MSP", kMsiExec, "%SystemRoot%\\system32\\msiexec.exe", 0},
      {".INF", kNotepad, kShell32, -151},
      {".INI", kNotepad, kShell32, -151},
      {".LOG", kNotepad, kShell32, -152},
      {".TXT", kNotepad, kShell32, -152},
  };
  t.insert(t.end(), rest.begin(), rest.end());
  return t;
}

std::string StripQuotes(std::string s) {
  if (!s.empty() && s.front() == '"') s.erase(0, 1);
  if (!s.empty() && s.back() == '"') s.pop_back();
  return s;
}

// The file a command starts: up to and including its first ".EXE", without
// enclosing double quotes.
std::string ProgramOf(const std::string& expandedCommand) {
  std::string cmd = expandedCommand;
  const size_t exe = UpperAscii(cmd).find(".EXE");
  if (exe != std::string::npos) cmd = Trim(cmd.substr(0, exe + 4));
  return StripQuotes(cmd);
}

// Whether the file holds an icon at the index (negative: a resource id). The
// extracted icon is destroyed at once.
bool HasIcon(const std::string& file, int index) {
  HICON icon = ExtractFileIcon(file, index);
  if (!icon) return false;
  DestroyIcon(icon);
  return true;
}

}  // namespace

const std::vector<DefaultAssociation>& DefaultAssociationTable() {
  static const std::vector<DefaultAssociation> table = MakeTable();
  return table;
}

DefaultAssociations::DefaultAssociations() : ProgramsFolder(GetSpecialFolderDir(nullptr, CSIDL_PROGRAM_FILES)) {}

bool DefaultAssociations::BackUpClass(const std::string& progId) {
  const std::string upper = UpperLocale(progId);
  if (backedUp_.count(upper)) return true;
  const std::string classKey = Location.Key(progId);
  if (!BackupRegistryKey(Location.root, classKey)) return false;
  // The row creates a missing DefaultIcon key: the undo removes it again (an
  // import merges and never removes what the file does not name).
  const std::string iconKey = classKey + "\\DefaultIcon";
  if (!RegHasKey(Location.root, iconKey) && !BackupRegistryKey(Location.root, iconKey)) return false;
  backedUp_.insert(upper);
  return true;
}

bool DefaultAssociations::SetDefaultAssociation(const DefaultAssociation& row) {
  const std::string progId = RegGetString(Location.root, Location.Key(row.Extension), "");
  if (progId.empty()) return false;
  const std::string commandKey = Location.Key(progId + "\\shell\\open\\Command");
  if (!RegHasKey(Location.root, commandKey)) return false;

  std::string command = row.Command, iconFile = row.IconFile;
  std::string cmd = ExpandEnvVars(command), ico = ExpandEnvVars(iconFile);
  if (!ProgramsFolder.empty()) {
    for (std::string* s : {&command, &iconFile, &cmd, &ico}) *s = ReplaceAll(*s, "%PROGRAMS%", ProgramsFolder);
  }
  cmd = ProgramOf(cmd);
  ico = StripQuotes(ico);
  // A relative name is looked for in the current folder.
  if (!cmd.empty() && !FileExists(cmd)) return false;
  if (!ico.empty() && !FileExists(ico)) return false;
  if (!ico.empty() && !HasIcon(ico, row.IconIndex)) return false;

  if (!BackUpClass(progId)) return false;
  const std::string iconText = iconFile.empty() ? std::string() : iconFile + "," + std::to_string(row.IconIndex);
  const bool commandWritten = Writes->SetString(Location.root, commandKey, "", command, StringTypeFor(command));
  const bool iconWritten = Writes->SetString(Location.root, Location.Key(progId + "\\DefaultIcon"), "", iconText,
                                             StringTypeFor(iconText));
  return commandWritten && iconWritten;
}

ResetOutcome DefaultAssociations::Run(const std::string& backupBaseDir) {
  ResetOutcome out;
  backedUp_.clear();
  BackupBaseDir = backupBaseDir;
  out.UndoFile = MakeBackupFileName(BackupBaseDir);
  // No undo file, no change.
  if (!BeginRegistryBackup(out.UndoFile)) return out;
  out.BackupStarted = true;
  std::unordered_set<std::string> written;
  for (const DefaultAssociation& row : Table)
    if (SetDefaultAssociation(row)) written.insert(UpperLocale(row.Extension));
  out.Count = static_cast<int>(written.size());
  out.BackupClosed = EndRegistryBackup();
  return out;
}

}  // namespace qz::fa
