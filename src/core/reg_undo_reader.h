// Reading undo files back, and checking that the registry holds what one
// records.
//
// The reader understands what the core's writer (reg_backup.h) produces:
// "REGEDIT4", sections "[root\key]" and deletions "[-root\key]", and value
// lines "name"=data or @=data with the data
//   "text"            a string (\\ and \" escaped), stored with its NUL
//   dword:0000000A    a DWORD
//   hex:01,AB         binary; hex(N): the raw bytes of type N, where the
//                     string types 1, 2 and 7 hold their text in the ANSI code
//                     page, as the registry editor reads them
//   -                 the value is absent
// Hex data may be continued with "\" at the end of a line. Header lines of
// the registry editor's own exports and ";" comments are skipped.
//
// The check after a restore: an import merges, so only what the file names is
// looked at. A record holds when
//   - a section's key exists,
//   - a value is present with the recorded type and bytes,
//   - a "=-" value is absent,
//   - a "[-key]" key is absent.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qz {

// One value line.
struct UndoValueRecord {
  std::string name;           // UTF-8; "" is the default value
  bool absent = false;        // "name"=- or @=-
  bool quoted = false;        // written as "text"
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;  // the bytes the registry editor stores

  bool operator==(const UndoValueRecord&) const = default;
};

// One section, with the value lines that follow it.
struct UndoKeyRecord {
  std::string rootName;  // "HKEY_CURRENT_USER"
  std::string path;      // below the root, UTF-8
  bool deleted = false;  // [-root\path]
  std::vector<UndoValueRecord> values;

  std::string FullName() const { return rootName + "\\" + path; }
  bool operator==(const UndoKeyRecord&) const = default;
};

// Parses the text of an undo file (bytes in the ANSI code page). False when a
// line is not of the forms above.
bool ParseRegistryUndoText(std::string_view ansiText, std::vector<UndoKeyRecord>& records);
// Reads and parses an undo file. False when it cannot be read or parsed.
bool ReadRegistryUndoFile(const std::string& file, std::vector<UndoKeyRecord>& records);

// The first record of an undo file that the registry does not hold.
struct UndoDifference {
  std::string key;    // root name + "\" + path; the file's path when it cannot be read
  std::string value;  // the value's name ("" for the default value)
  bool isValue = false;
  std::string reason;  // what differs, for logs and tests
};
// nullopt when every record holds.
std::optional<UndoDifference> VerifyRegistryBackup(const std::string& file);
std::optional<UndoDifference> VerifyRegistryRecords(const std::vector<UndoKeyRecord>& records);

}  // namespace qz
