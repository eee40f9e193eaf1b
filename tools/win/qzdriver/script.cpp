#include "script.h"

#include <algorithm>

namespace qzdriver {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Appends the text of ${NAME} or $$ starting at line[i] ('$'); returns the
// index after it.
size_t ExpandDollar(const std::string& line, size_t i, VariableLookup lookup, std::string& out) {
  if (i + 1 < line.size() && line[i + 1] == '$') {
    out += '$';
    return i + 2;
  }
  if (i + 1 < line.size() && line[i + 1] == '{') {
    size_t close = line.find('}', i + 2);
    if (close == std::string::npos) throw ScriptError("unterminated ${...}");
    std::string name = line.substr(i + 2, close - i - 2);
    if (name.empty()) throw ScriptError("empty variable name in ${}");
    std::string value;
    if (!lookup || !lookup(name, value)) throw ScriptError("unknown variable ${" + name + "}");
    out += value;
    return close + 1;
  }
  out += '$';
  return i + 1;
}

}  // namespace

std::vector<std::string> Tokenize(const std::string& line, VariableLookup lookup) {
  std::vector<std::string> out;
  size_t i = 0;
  const size_t n = line.size();
  while (true) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n || line[i] == '#') break;
    std::string arg;
    bool quotedSomething = false;
    while (i < n && !IsBlank(line[i])) {
      char c = line[i];
      if (c == '"') {
        quotedSomething = true;
        ++i;
        bool closed = false;
        while (i < n) {
          char q = line[i];
          if (q == '"') {
            closed = true;
            ++i;
            break;
          }
          if (q == '\\' && i + 1 < n && (line[i + 1] == '"' || line[i + 1] == '\\')) {
            arg += line[i + 1];
            i += 2;
          } else if (q == '$') {
            i = ExpandDollar(line, i, lookup, arg);
          } else {
            arg += q;
            ++i;
          }
        }
        if (!closed) throw ScriptError("unterminated quote");
      } else if (c == '$') {
        i = ExpandDollar(line, i, lookup, arg);
      } else {
        arg += c;
        ++i;
      }
    }
    if (!arg.empty() || quotedSomething) out.push_back(arg);
  }
  return out;
}

std::vector<ScriptLine> ParseScript(const std::string& text, VariableLookup lookup) {
  std::vector<ScriptLine> lines;
  size_t pos = 0;
  int number = 0;
  // A UTF-8 byte-order mark is skipped.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    ++number;
    try {
      std::vector<std::string> args = Tokenize(raw, lookup);
      if (!args.empty()) lines.push_back(ScriptLine{number, raw, std::move(args)});
    } catch (const ScriptError& e) {
      throw ScriptError("line " + std::to_string(number) + ": " + e.what() + ": " + raw);
    }
    if (end == text.size()) break;
    pos = end + 1;
  }
  return lines;
}

const Option* SplitArgs::Find(const std::string& key) const {
  for (const Option& o : options)
    if (o.key == key) return &o;
  return nullptr;
}

SplitArgs SplitOptions(const std::vector<std::string>& args, size_t first,
                       const std::vector<std::string>& optionKeys) {
  SplitArgs out;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& a = args[i];
    size_t sep = a.find_first_of("=~");
    if (sep != std::string::npos && sep > 0) {
      std::string key = a.substr(0, sep);
      if (std::find(optionKeys.begin(), optionKeys.end(), key) != optionKeys.end()) {
        out.options.push_back(Option{key, a.substr(sep + 1), a[sep] == '~'});
        continue;
      }
    }
    out.positional.push_back(a);
  }
  return out;
}

}  // namespace qzdriver
