#include "core/ini.h"

#include <windows.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/text.h"

namespace qz {

namespace {

// What the profile functions give back for a written text: blanks around it
// removed, then one pair of matching surrounding quotes.
std::string AsProfileReadsIt(const std::string& text) {
  std::string_view v(text);
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

}  // namespace

void IniDeleteKey(const std::string& file, const std::string& section, const std::string& key) {
  if (!FileExists(file)) return;
  WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), nullptr, Widen(file).c_str());
}

bool IniWriteStringChecked(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& text) {
  if (!FileExists(file)) return false;
  std::wstring wfile = Widen(file);
  DWORD attr = GetFileAttributesW(wfile.c_str());
  // A read-only file is written all the same and stays read-only.
  const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  bool cleared = (attr & settable) && SetFileAttributesW(wfile.c_str(), FILE_ATTRIBUTE_NORMAL);
  BOOL written =
      WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(text).c_str(), wfile.c_str());
  if (cleared) SetFileAttributesW(wfile.c_str(), attr & settable);
  if (!written) return false;
  return IniReadString(file, section, key) == AsProfileReadsIt(text);
}

int32_t IniReadInteger(const std::string& file, const std::string& section, const std::string& key) {
  std::string s = Trim(IniReadString(file, section, key));
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    // "0x" then hexadecimal digits.
    uint32_t v = 0;
    for (size_t i = 2; i < s.size(); ++i) {
      char c = s[i];
      int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (d < 0 || i > 9) return -1;
      v = v * 16 + static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(v);
  }
  return StrToIntDef(s, -1);
}

std::string IniReadString(const std::string& file, const std::string& section, const std::string& key) {
  std::wstring wsec = Widen(section), wkey = Widen(key), wfile = Widen(file);
  std::wstring buf(1024, L'\0');
  for (;;) {
    DWORD n = GetPrivateProfileStringW(wsec.c_str(), wkey.c_str(), L"", buf.data(), static_cast<DWORD>(buf.size()),
                                       wfile.c_str());
    // n == size - 1 means the value was cut to fit.
    if (n + 1 < buf.size() || buf.size() >= (1u << 20)) {
      buf.resize(n);
      return Narrow(buf);
    }
    buf.assign(buf.size() * 4, L'\0');
  }
}

std::vector<std::pair<std::string, std::string>> IniReadSection(const std::string& file,
                                                                 const std::string& section) {
  std::vector<std::pair<std::string, std::string>> out;
  std::wstring wsec = Widen(section), wfile = Widen(file);
  std::wstring buf(4096, L'\0');
  DWORD n = 0;
  for (;;) {
    n = GetPrivateProfileSectionW(wsec.c_str(), buf.data(), static_cast<DWORD>(buf.size()), wfile.c_str());
    // size - 2 means the section was cut to fit.
    if (n + 2 < buf.size() || buf.size() >= (1u << 24)) break;
    buf.assign(buf.size() * 4, L'\0');
  }
  size_t pos = 0;
  while (pos < n) {
    size_t end = buf.find(L'\0', pos);
    if (end == std::wstring::npos || end > n) end = n;
    std::wstring_view line(buf.data() + pos, end - pos);
    if (!line.empty()) {
      size_t eq = line.find(L'=');
      if (eq == std::wstring_view::npos)
        out.emplace_back(Narrow(line), std::string());
      else
        out.emplace_back(Narrow(line.substr(0, eq)), Narrow(line.substr(eq + 1)));
    }
    pos = end + 1;
  }
  return out;
}

std::string ProjectIniPath() { return AppDir + "\\project.ini"; }

}  // namespace qz
