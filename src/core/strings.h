// Small string routines.
#pragma once

#include <string>

#include "core/stringlist.h"

namespace qz {

// Appends the delimited items of text to list, each upper-cased (locale rule)
// and trimmed: every item before a delimiter is appended (also when empty);
// the rest after the last delimiter only when it is longer than one character.
// "a; b ;;x" gives A, B, "" (the final X is dropped); "a;bc" gives A, BC.
void SplitUpperTrimmed(const std::string& text, char delimiter, StringList& list);
// Environment variables expanded (ExpandEnvironmentStringsW, any length).
std::string ExpandEnvVars(const std::string& text);
// The text after the last delimiter, not counting a delimiter in the last
// position; the whole text when it holds none. "C:\A\" with '\' gives "A\".
std::string TextAfterLast(const std::string& text, char delimiter);

}  // namespace qz
