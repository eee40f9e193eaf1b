// Registry undo files.
//
// Before a module changes or deletes registry data it records the current
// state in an undo file in the registry editor's import format, and the
// user restores it by handing the file to the registry editor. The file:
//
//   REGEDIT4
//   (empty line)
//   per recorded value: [root\key], the value line, an empty line
//   per recorded key:   every section of the key and its sub-keys (values
//                       before sub-keys), or [-root\key] and an empty line
//                       when the key did not exist
//
// It lies in BackupBaseDir\<user folder>\<date name>.REG and is written in
// the ANSI code page, lines separated by CR LF. Every value keeps its type:
//
//   REG_SZ            "text" (escaped: \ as \\, " as \"); hex(1): when the
//                     text holds CR, LF or NUL
//   REG_EXPAND_SZ     hex(2): the text's bytes in the ANSI code page + 00
//   REG_MULTI_SZ      hex(7): the same, each string ended by 00, then 00
//   REG_DWORD         dword:0000000A (a DWORD value that is not 4 bytes long
//                     is written raw as hex(4):)
//   REG_BINARY        hex:01,AB (any size)
//   other types       hex(N): the raw bytes
//
// Hex data longer than a line is continued with "\" at the end of the line
// and two blanks before the next. Value names are escaped like strings; the
// default value is @; an absent value is "name"=- (@=- for the default).
// Text that has no exact form in the ANSI code page cannot be restored as it
// was, so recording it fails and the caller must not make the change.
//
// Only one undo file is in progress at a time: Idle -> BeginRegistryBackup ->
// any number of BackupRegistryValue / BackupRegistryKey -> EndRegistryBackup
// -> Idle. Records are written through to "<file>.tmp" as they are made (a
// crash mid-change leaves the undo data on disk); End renames the file to its
// final name, or removes it when nothing was recorded.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace qz {

// Set by a module before it starts a change: AppDir + "\Backups\RC", "\ST",
// "\IT" or "\FA".
extern std::string BackupBaseDir;

// The user folder below BackupBaseDir: the Windows user name, or "Default"
// when it is shorter than 3 characters or does not begin with a letter A-Z.
std::string GetBackupUserFolder();
std::string BackupUserFolderFor(const std::string& userName);

// The date name "dddd, dd. mmmm - <long time>" of the locale (weekday and
// month spelled out, day with two digits, the locale's long time format),
// where ":", "*", "/", "?" and the other characters a file name cannot hold
// become "_" from the 4th to the next-to-last character. "" when formatting
// fails. Example (LCID 1031): Dienstag, 08. Dezember - 14_05_33
std::string BackupDateName(const SYSTEMTIME& when, LCID lcid);
// base + "\" + user folder + "\" + date name (now, user locale) + ".REG";
// "" when the date name is empty.
std::string MakeBackupFileName(const std::string& base);
std::string MakeBackupFileName(const std::string& base, const SYSTEMTIME& when, LCID lcid);

// Starts an undo file. False when the name is empty, the file (or its
// ".tmp") already exists, or the folder or the file cannot be made. A backup
// still in progress is ended first.
bool BeginRegistryBackup(const std::string& fileName);
// Records one value (or its absence). False when no backup is active, the
// key path is empty, the value cannot be read or written exactly, or the
// file cannot be written; nothing is recorded then.
bool BackupRegistryValue(HKEY root, const std::string& key, const std::string& name);
// Records a whole key with its values and sub-keys, or its deletion line
// when it does not exist. False (nothing recorded) when no backup is active,
// the key path is empty, part of the key cannot be read or written exactly,
// or the file cannot be written.
bool BackupRegistryKey(HKEY root, const std::string& key);
// Ends the undo file: renames "<file>.tmp" to the file (removes it when
// nothing was recorded). False when no backup was active, the final file
// already exists (the ".tmp" is kept then) or saving failed. Always idle
// afterwards.
bool EndRegistryBackup();
// True while an undo file is in progress; its name ("" when idle).
bool RegistryBackupActive();
std::string RegistryBackupFileName();

// Records the value, deletes it and writes `checked` as REG_DWORD 1 or 0.
// False, with nothing changed, when the value could not be recorded; else the
// result of the checked write.
bool BackupAndWriteInteger(bool checked, HKEY root, const std::string& key, const std::string& name);

// The lines one value is recorded as (key line, value line; no empty line),
// joined with CR LF, in UTF-8; false when it cannot be written exactly.
// For tests and for callers that show what will be saved.
bool FormatRegistryValue(HKEY root, const std::string& key, const std::string& name, std::string& lines);
// The value line for raw data (name, type, bytes as stored); false when it
// cannot be written exactly in the ANSI code page.
bool FormatValueLine(const std::wstring& name, DWORD type, const uint8_t* data, size_t size, std::string& line);

// Hands an undo file to the registry editor: copies it to
// WinTempDir\ZAMO2 Backup.reg (replacing an old copy), runs
// regedit.exe "<copy>" in the copy's folder, waits for it and deletes the
// copy, then checks the registry against the file (VerifyRegistryBackup,
// reg_undo_reader.h). True only when the editor ran and every record of the
// file holds: the editor's exit code proves nothing (it is 0 for a broken
// file, and the user may have said No to it). VerifyRegistryBackup names
// what differs.
bool RestoreRegistryBackup(const std::string& undoFile);
// The restore copy's path.
std::string RegistryRestoreCopyPath();

// Runs the registry editor for a restore: the command line and the working
// folder; returns the exit code, -1 when it could not start. Tests replace
// it (nullptr restores the real one: RunAndWait, shown normally).
using RegeditRunner = std::function<int64_t(const std::string& commandLine, const std::string& workDir)>;
void SetRegeditRunner(RegeditRunner runner);

}  // namespace qz
