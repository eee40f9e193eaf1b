#include "core/strings.h"

#include <windows.h>

#include "core/text.h"

namespace qz {

void SplitUpperTrimmed(const std::string& text, char delimiter, StringList& list) {
  std::string rest = text;
  for (;;) {
    size_t p = rest.find(delimiter);
    if (p == std::string::npos) break;
    list.push_back(Trim(UpperLocale(rest.substr(0, p))));
    rest.erase(0, p + 1);
  }
  // The part after the last delimiter counts only with two characters or more.
  std::string last = Trim(UpperLocale(rest));
  if (Widen(last).size() > 1) list.push_back(last);
}

std::string ExpandEnvVars(const std::string& text) {
  std::wstring in = Widen(text);
  std::wstring out(in.size() + 256, L'\0');
  for (;;) {
    DWORD n = ExpandEnvironmentStringsW(in.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (n == 0) return text;
    if (n <= out.size()) {
      out.resize(n - 1);  // n counts the terminating NUL
      return Narrow(out);
    }
    out.assign(n, L'\0');
  }
}

std::string TextAfterLast(const std::string& text, char delimiter) {
  if (text.size() < 2) return text;
  // A delimiter in the last position does not count.
  size_t p = text.rfind(delimiter, text.size() - 2);
  return p == std::string::npos ? text : text.substr(p + 1);
}

}  // namespace qz
