// The language file and the lookup of translated texts.
//
// A language file (AppDir\Translation\<lcid>.ini) is read as a list of lines,
// not as an INI file. A window's section starts at the first line equal to
// "[" + window name + "]" (whole line, case-insensitive); entries are
// "||" + key + "=" + value, where the value runs up to the next "||" and may
// span several lines. The text searched for a section is its section line and
// every line after it to the end of the file, so a key missing from its own
// section is still found in a later one.
//
// Keys: a component's name (its caption), "MESSAGE_" + a message name (a
// message box text; "%1".."%8" are filled by the caller), or the name of a
// tree or list view whose value holds one column caption per line.
//
// The whole file is held in TranslationList, loaded once at start-up.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/stringlist.h"

namespace qz {

// Language files are read and written by one rule: a file that begins with
// the UTF-8 byte-order mark is UTF-8, any other is in the ANSI code page; a
// file is written back in the encoding it was read in (a new file: ANSI).
// LoadLanguageLines gives the lines and, when asked, the encoding found.
bool LoadLanguageLines(const std::string& path, StringList& lines, TextEncoding* encoding = nullptr);

// The section's text (its line and all lines after it, CR LF after each line)
// when `lines` holds the section; false when it does not.
bool FindSectionText(const StringList& lines, std::string_view section, std::string& text);

// The value of "||" + key + "=" in text (case-sensitive, first occurrence) up
// to the next "||", without up to three line breaks at its end; "" when the
// entry is missing or no "||" follows it.
std::string ExtractTranslationValue(std::string_view text, std::string_view key);

// The caller sets `text` to the German default first. When TranslationList
// holds the section and the key has a non-empty value there (or in a later
// section), text := that value; otherwise text keeps the caller's default.
void GetTranslation(const std::string& section, const std::string& key, std::string& text);
// The same, returning the text.
[[nodiscard]] std::string GetTranslation(const std::string& section, const std::string& key,
                                         std::string_view defaultText);

// The value split into lines (at CR LF, each line without CR and LF); lines
// 0..maxIndex are kept. A missing value or section gives one empty line.
void GetTranslationLines(const std::string& section, const std::string& key, int maxIndex,
                         StringList& lines);
// Splits a value as GetTranslationLines does (an empty value is one line).
StringList SplitTranslationValue(std::string_view value);

// A translation of one user text: (key, German default) -> text. Engines take
// one of these instead of a window; an empty function keeps the German default.
using TranslateFn = std::function<std::string(const std::string& key, const std::string& german)>;
// tr(key, german), or german when tr is empty.
std::string Tr(const TranslateFn& tr, const std::string& key, const std::string& german);
// A translator over one section of TranslationList (a window's Name).
TranslateFn SectionTranslator(const std::string& section);

// Text written for a component with Tag != 0 whose entry is empty or missing.
inline constexpr const char* kMissingTranslation = "Missing Translation";

}  // namespace qz
