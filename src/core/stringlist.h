// String lists: plain std::vector<std::string> with the helpers the program
// needs of them (unsorted, searched linearly without regard to case).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qz {

using StringList = std::vector<std::string>;

// Index of the first entry equal to s without regard to case; -1 when none.
int IndexOfI(const StringList& list, std::string_view s);
bool ContainsI(const StringList& list, std::string_view s);
// Appends s unless an entry equal to it without regard to case exists.
void AddUniqueI(StringList& list, std::string_view s);

enum class TextEncoding { Ansi, Utf8, Utf8Bom, Utf16LE };

// The bytes of a file (the whole file, or at most maxBytes of it), read
// without disturbing whoever has it open (all sharing). False when it cannot
// be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes, size_t maxBytes = SIZE_MAX);
// Reads a text file: UTF-8 with or without BOM, UTF-16 with BOM, and
// otherwise the ANSI code page. Returns false when the file cannot be read.
bool LoadTextFile(const std::string& path, std::string& utf8Text);
// Loads the lines of a text file (split at CR LF, CR and LF).
bool LoadLines(const std::string& path, StringList& lines);
// Writes the lines with CR LF after each. Ansi fails (returns false, writes
// nothing) when a line has no exact form in the ANSI code page.
bool SaveLines(const std::string& path, const StringList& lines,
               TextEncoding encoding = TextEncoding::Ansi);
// Writes bytes to a file, replacing it. False when it cannot be written.
bool WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace qz
