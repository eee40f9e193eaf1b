// Pure functions over autostart command lines: the split into program and
// arguments a shortcut link needs, and the file whose properties the
// Properties button shows. The file system is asked only through the
// callback, so both work on any table of names.
#pragma once

#include <functional>
#include <string>

namespace qz::st {

using FileExistsFn = std::function<bool(const std::string& path)>;

struct SplitCommand {
  std::string Program;
  std::string Arguments;
};

// The program and the arguments of a command line (trimmed):
// - a command starting with a double quote: the quoted part is the program
//   (all of the rest when the quote is not closed), the rest the arguments;
// - otherwise the shortest text before a blank that names an existing file;
// - otherwise everything up to the first blank.
// The arguments are the rest, trimmed.
SplitCommand SplitCommandLine(const std::string& command, const FileExistsFn& exists);

// The command line of a link as the tree shows it: the target alone, or the
// target (in double quotes when it holds a blank) and the arguments. So
// SplitCommandLine gives the two parts back.
std::string JoinCommandLine(const std::string& target, const std::string& arguments);

// The file the Properties button shows for a command line, in upper case;
// "" when the text is shorter than 4 characters or nothing is left.
// - A quoted start: the quoted part.
// - RUNDLL...: the text after "name.EXE" and one more character (after the
//   first blank when the text holds no ".EXE"), up to the first ","; then
//   the first of WinDir\S, SysDir\S, WinDir\S.DLL, SysDir\S.DLL that exists.
// - Otherwise the text through the first ".EXE"; then WinDir\S or SysDir\S
//   when that exists.
std::string PropertiesTarget(const std::string& command, const std::string& winDir, const std::string& sysDir,
                             const FileExistsFn& exists);

}  // namespace qz::st
