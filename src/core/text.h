// Text helpers. All text inside the program is UTF-8 in std::string; the W
// functions of Win32 are called with text converted at that boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qz {

// UTF-8 <-> UTF-16 at the Win32 boundary.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// 8-bit text of a code page (CP_ACP = 0 by default) <-> UTF-8.
std::string AnsiToUtf8(std::string_view ansi, unsigned codePage = 0);
// Converts to the code page; *exact is false when a character has no exact
// form there (it was replaced by a best-fit or default character).
std::string Utf8ToAnsi(std::string_view utf8, bool* exact = nullptr, unsigned codePage = 0);

// True when the bytes are valid UTF-8 (an empty text is).
bool IsValidUtf8(std::string_view bytes);
// Bytes of unknown encoding as UTF-8: taken as they are when they are valid
// UTF-8, else read in the ANSI code page.
std::string DecodeUtf8OrAnsi(std::string_view bytes);

// Upper case by the ASCII rule: only a-z change.
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);
// Upper case by the system's locale-aware rule (accented letters change too).
std::string UpperLocale(std::string_view s);

// Case-insensitive comparison by the system's rule (no locale collation).
bool IEquals(std::string_view a, std::string_view b);
bool IContains(std::string_view haystack, std::string_view needle);
bool IStartsWith(std::string_view s, std::string_view prefix);
bool IEndsWith(std::string_view s, std::string_view suffix);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);

// Trims blanks and control characters (code <= 32).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);
// Case-insensitive search for `from` (ASCII rule).
std::string ReplaceAllI(std::string_view s, std::string_view from, std::string_view to);

// Decimal integer: optional blanks before, an optional sign, digits, nothing after; a value outside the 32-bit
// range fails too. Never throws.
std::optional<int32_t> TryParseInt(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
std::string IntToStr(int64_t v);

// Splits at CR LF, lone CR and lone LF. A final line break does not add an
// empty last line; an empty text gives no lines.
std::vector<std::string> SplitLines(std::string_view text);
// Joins with CR LF after every line (as a string list's Text).
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace qz
