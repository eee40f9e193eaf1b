#include "tuning/startup/command_line.h"

#include "core/text.h"

namespace qz::st {

SplitCommand SplitCommandLine(const std::string& command, const FileExistsFn& exists) {
  SplitCommand r;
  const std::string s = Trim(command);
  if (s.empty()) return r;
  if (s[0] == '"') {
    size_t close = s.find('"', 1);
    if (close == std::string::npos) {
      r.Program = s.substr(1);
    } else {
      r.Program = s.substr(1, close - 1);
      r.Arguments = Trim(s.substr(close + 1));
    }
    return r;
  }
  for (size_t blank = s.find(' '); blank != std::string::npos; blank = s.find(' ', blank + 1)) {
    std::string head = s.substr(0, blank);
    if (exists && exists(head)) {
      r.Program = head;
      r.Arguments = Trim(s.substr(blank + 1));
      return r;
    }
  }
  size_t blank = s.find(' ');
  if (blank == std::string::npos) {
    r.Program = s;
  } else {
    r.Program = s.substr(0, blank);
    r.Arguments = Trim(s.substr(blank + 1));
  }
  return r;
}

std::string JoinCommandLine(const std::string& target, const std::string& arguments) {
  if (arguments.empty()) return target;
  std::string program = target.find(' ') != std::string::npos ? "\"" + target + "\"" : target;
  return program + " " + arguments;
}

std::string PropertiesTarget(const std::string& command, const std::string& winDir, const std::string& sysDir,
                             const FileExistsFn& exists) {
  std::string s = UpperLocale(command);
  if (s.size() < 4) return {};
  s = Trim(s);
  if (!s.empty() && s[0] == '"') {
    size_t close = s.find('"', 1);
    s = close == std::string::npos ? s.substr(1) : s.substr(1, close - 1);
  }
  auto replaceWhenExists = [&](const std::string& candidate) {
    if (exists && exists(candidate)) s = candidate;
  };
  if (s.compare(0, 6, "RUNDLL") == 0) {
    size_t exe = s.find(".EXE");
    if (exe != std::string::npos) {
      size_t from = exe + 4 + 1;
      s = from < s.size() ? s.substr(from) : std::string();
    } else {
      // No program extension: the program is the first word.
      size_t blank = s.find(' ');
      s = blank == std::string::npos ? std::string() : s.substr(blank + 1);
    }
    s = Trim(s);
    size_t comma = s.find(',');
    if (comma != std::string::npos) s.resize(comma);
    s = Trim(s);
    if (s.empty()) return {};
    replaceWhenExists(winDir + "\\" + s);
    replaceWhenExists(sysDir + "\\" + s);
    replaceWhenExists(winDir + "\\" + s + ".DLL");
    replaceWhenExists(sysDir + "\\" + s + ".DLL");
    return s;
  }
  size_t exe = s.find(".EXE");
  if (exe != std::string::npos) s.resize(exe + 4);
  s = Trim(s);
  if (s.empty()) return {};
  replaceWhenExists(winDir + "\\" + s);
  replaceWhenExists(sysDir + "\\" + s);
  return s;
}

}  // namespace qz::st
