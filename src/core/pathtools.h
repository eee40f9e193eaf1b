// Cleaner path helpers: reduce a reference (often a whole command line) to
// the file path to test for existence. All work on upper-cased text.
#pragma once

#include <string>

namespace qz {

// Upper-cases, expands environment variables (the expanded parts keep their
// case), then removes every double quote.
std::string ExpandAndUnquote(const std::string& text);
// True when text holds "{" and "INSTALLER" (case-sensitive; callers pass upper
// case): an installer-advertised target, never reported as missing.
bool IsInstallerReference(const std::string& text);
// Cuts an upper-cased command line down to the program path it starts with.
void CommandLineToFilePath(std::string& text);

}  // namespace qz
