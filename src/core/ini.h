// One-shot INI routines over the private-profile functions: each opens the
// file, does one thing and closes it. Section and key names are
// case-insensitive; a missing file reads as empty.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qz {

void IniDeleteKey(const std::string& file, const std::string& section, const std::string& key);
// False when the file does not exist (nothing is created); else writes (a
// read-only file is written and stays read-only) and reads back; true when the
// read-back text equals what the profile functions give for the written text
// (they strip one pair of surrounding quotes and blanks).
bool IniWriteStringChecked(const std::string& file, const std::string& section,
                           const std::string& key, const std::string& text);
// The integer value; -1 when absent or not a number.
int32_t IniReadInteger(const std::string& file, const std::string& section, const std::string& key);
// The text value; "" when absent.
std::string IniReadString(const std::string& file, const std::string& section, const std::string& key);

// The entries of a section in file order, each as its key and its raw value
// (quotes and blanks kept as the file holds them). A line without "=" gives
// the line as key and an empty value. Empty when the file or section is missing.
std::vector<std::pair<std::string, std::string>> IniReadSection(const std::string& file,
                                                                 const std::string& section);

// AppDir + "\project.ini": download addresses (sections Update, NewLists, ITTest).
std::string ProjectIniPath();

}  // namespace qz
