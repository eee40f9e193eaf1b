// The driver's script language: one command per line.
//
//   # a comment ('#' at the start of an argument, outside quotes, starts a
//   # comment that runs to the end of the line)
//   command arg "an argument with blanks" key=value key~"value with blanks"
//
// Arguments are separated by blanks. Double quotes keep blanks and may start
// anywhere inside an argument (title="Brinvale Sysvantor" is one argument);
// inside quotes \" is a quote and \\ a backslash, every other backslash is
// kept as it is (Windows paths need no doubling). ${NAME} is replaced by the
// environment variable NAME (an unknown name is an error), $$ by "$".
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace qzdriver {

struct ScriptError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ScriptLine {
  int number = 0;                 // 1-based line number in the file
  std::string text;               // the line as written (for messages)
  std::vector<std::string> args;  // args[0] is the command
};

// Splits one line into arguments; empty for blank and comment lines.
// `lookup` returns false for an unknown variable name.
using VariableLookup = bool (*)(const std::string& name, std::string& value);
std::vector<std::string> Tokenize(const std::string& line, VariableLookup lookup);

// Splits a whole script (UTF-8, LF or CRLF) into command lines.
std::vector<ScriptLine> ParseScript(const std::string& text, VariableLookup lookup);

// Options of a command: arguments written key=value (exact) or key~value
// (contains) whose key is one of the command's option names; every other
// argument is positional, in order.
struct Option {
  std::string key, value;
  bool contains = false;  // written with "~"
};
struct SplitArgs {
  std::vector<std::string> positional;
  std::vector<Option> options;
  const Option* Find(const std::string& key) const;
};
SplitArgs SplitOptions(const std::vector<std::string>& args, size_t first,
                       const std::vector<std::string>& optionKeys);

}  // namespace qzdriver
