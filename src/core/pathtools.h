// Cleaner path helpers: reduce a reference (often a whole command line) to
// the file path to test for existence. All work on upper-cased text.
#pragma once

#include <string>

#include "core/stringlist.h"

namespace qz {

// Upper-cases, expands environment variables (the expanded parts keep their
// case), then removes every double quote.
std::string ExpandAndUnquote(const std::string& text);
// Upper-cases and expands environment variables, keeping the double quotes
// (the input of ParseReference).
std::string ExpandUpper(const std::string& text);
// True when text holds "{" and "INSTALLER" (case-sensitive; callers pass upper
// case): an installer-advertised target, never reported as missing.
bool IsInstallerReference(const std::string& text);

// Cuts an upper-cased command line down to the program path it starts with:
//  1. empty stays empty; upper-cased; without "." or shorter than 4
//     characters it is returned as it is now;
//  2. cut before the first LF, CR, NUL or DEL;
//  3. "X:\..." followed later by a second "Y:\": cut before that drive
//     letter and drop the blanks before it ("C:\APP\APP.EXE /CONFIG=D:\X.INI"
//     is read as "C:\APP\APP.EXE /CONFIG=");
//  4. the first blank, comma or slash (the last character included) whose
//     four preceding characters begin with "." and hold no "\" ends the
//     program path;
//  5. a text holding " /" or " -" becomes empty (so does such a program path);
//  6. the result is the program path when step 4 found one, else the text;
//     trailing blanks are dropped.
void CommandLineToFilePath(std::string& text);

// The paths a reference read from the registry may name. Input: the expanded,
// upper-cased reference with its quotes still in.
//  - It begins with a double quote: the quoted part is the only candidate.
//  - Otherwise, with every quote removed: CommandLineToFilePath's result (when
//    not empty), the whole text, then `extras` (the caller's own readings).
// Each candidate appears once, in that order. Leading blanks are ignored.
struct ReferenceCandidates {
  StringList Paths;
  std::string CommandPath;  // CommandLineToFilePath's result; "" when quoted or empty
};
ReferenceCandidates ParseReference(const std::string& reference, const StringList& extras = {});

// The drive rule: characters 2-3 are ":\" and the first character is one of
// `drives` (upper-case letters, compared case-sensitively).
bool PassesDriveRule(const std::string& path, const std::string& drives);
// A candidate worth a test: it passes the drive rule and holds no further
// ":", no "/", none of * ? < > | and no control character.
bool IsTestablePath(const std::string& path, const std::string& drives);

}  // namespace qz
