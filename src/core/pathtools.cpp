#include "core/pathtools.h"

#include <algorithm>

#include "core/strings.h"
#include "core/text.h"

namespace qz {

std::string ExpandAndUnquote(const std::string& text) {
  std::string s = ExpandEnvVars(UpperLocale(text));
  s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
  return s;
}

bool IsInstallerReference(const std::string& text) {
  return text.find('{') != std::string::npos && text.find("INSTALLER") != std::string::npos;
}

void CommandLineToFilePath(std::string& text) {
  if (text.empty()) return;
  // Worked on as UTF-16 so that "four characters" are characters, not bytes.
  std::wstring s = Widen(UpperLocale(text));
  if (s.find(L'.') == std::wstring::npos || s.size() < 4) {
    text = Narrow(s);
    return;
  }

  // A second drive reference after "X:\": only the stretch up to and
  // including its colon is kept, behind ":\" (the first drive letter drops
  // out). The callers test the result for existence.
  if (s[1] == L':' && s[2] == L'\\') {
    std::wstring rest = s.substr(3);
    size_t p = rest.find(L":\\");
    if (p != std::wstring::npos) s = L":\\" + rest.substr(0, p + 1);
  }

  // Cut before the first line feed, carriage return, NUL and DEL.
  for (wchar_t cut : {L'\n', L'\r', L'\0', L'\x7f'}) {
    size_t p = s.find(cut);
    if (p != std::wstring::npos) s.resize(p);
  }

  // The first blank, comma or slash right after a three-letter extension
  // (the four characters before it start with "." and hold no backslash)
  // ends the program path. The last character is never examined.
  std::wstring candidate;
  bool found = false;
  for (size_t i = 4; i + 1 < s.size(); ++i) {
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
  text = Narrow(found ? candidate : s);
}

}  // namespace qz
