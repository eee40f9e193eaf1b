#include "core/pathtools.h"

#include <algorithm>

#include "core/strings.h"
#include "core/text.h"

namespace qz {

std::string ExpandUpper(const std::string& text) { return ExpandEnvVars(UpperLocale(text)); }

std::string ExpandAndUnquote(const std::string& text) {
  std::string s = ExpandUpper(text);
  s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
  return s;
}

bool IsInstallerReference(const std::string& text) {
  return text.find('{') != std::string::npos && text.find("INSTALLER") != std::string::npos;
}

namespace {

void DropTrailingBlanks(std::wstring& s) {
  while (!s.empty() && s.back() == L' ') s.pop_back();
}

}  // namespace

void CommandLineToFilePath(std::string& text) {
  if (text.empty()) return;
  // Worked on as UTF-16 so that "four characters" are characters, not bytes.
  std::wstring s = Widen(UpperLocale(text));
  if (s.find(L'.') == std::wstring::npos || s.size() < 4) {
    text = Narrow(s);
    return;
  }

  // Whatever follows a line break, NUL or DEL is not part of the command.
  size_t cut = s.find_first_of(std::wstring(L"\n\r\0\x7f", 4));
  if (cut != std::wstring::npos) s.resize(cut);

  // A second drive reference starts an argument: the program path lies
  // before it ("C:\APP\APP.EXE /CONFIG=D:\X.INI", "C:\A.EXE D:\B.TXT").
  if (s.size() >= 3 && s[1] == L':' && s[2] == L'\\') {
    size_t p = s.find(L":\\", 3);
    if (p != std::wstring::npos) {
      s.resize(p - 1);
      DropTrailingBlanks(s);
    }
  }

  // The first blank, comma or slash right after a three-letter extension
  // (the four characters before it start with "." and hold no backslash)
  // ends the program path; the last character counts too.
  std::wstring candidate;
  bool found = false;
  for (size_t i = 4; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (c != L' ' && c != L',' && c != L'/') continue;
    std::wstring_view before = std::wstring_view(s).substr(i - 4, 4);
    if (before[0] != L'.' || before.find(L'\\') != std::wstring_view::npos) continue;
    candidate = s.substr(0, i);
    found = true;
    break;
  }

  // Switches without a recognised program path leave nothing to test.
  auto hasSwitch = [](const std::wstring& t) {
    return t.find(L" /") != std::wstring::npos || t.find(L" -") != std::wstring::npos;
  };
  if (hasSwitch(s)) s.clear();
  if (found && hasSwitch(candidate)) candidate.clear();
  std::wstring result = found ? candidate : s;
  DropTrailingBlanks(result);
  text = Narrow(result);
}

ReferenceCandidates ParseReference(const std::string& reference, const StringList& extras) {
  ReferenceCandidates r;
  auto add = [&r](const std::string& p) {
    if (!p.empty() && std::find(r.Paths.begin(), r.Paths.end(), p) == r.Paths.end()) r.Paths.push_back(p);
  };
  size_t start = reference.find_first_not_of(' ');
  if (start == std::string::npos) return r;
  if (reference[start] == '"') {
    size_t close = reference.find('"', start + 1);
    add(reference.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1));
    return r;
  }
  std::string whole = reference.substr(start);
  whole.erase(std::remove(whole.begin(), whole.end(), '"'), whole.end());
  r.CommandPath = whole;
  CommandLineToFilePath(r.CommandPath);
  add(r.CommandPath);
  add(whole);
  for (const std::string& e : extras) add(e);
  return r;
}

bool PassesDriveRule(const std::string& path, const std::string& drives) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' && drives.find(path[0]) != std::string::npos;
}

bool IsTestablePath(const std::string& path, const std::string& drives) {
  if (!PassesDriveRule(path, drives)) return false;
  for (size_t i = 2; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c < 32 || c == 127) return false;
    switch (c) {
      case ':': case '/': case '*': case '?': case '<': case '>': case '|':
        return false;
      default:
        break;
    }
  }
  return true;
}

}  // namespace qz
