// regsnap: a registry key recorded byte for byte, and compared later.
//
//   regsnap save KEY FILE              every value (name, type, bytes) and
//                                      sub-key of KEY, recursively, into FILE
//   regsnap compare KEY FILE [wait=S]  exit 0 when KEY holds exactly what FILE
//                                      recorded; otherwise tries again for up to
//                                      S seconds, then prints the differences
//                                      and exits 1
// KEY is ROOT\path with ROOT one of HKLM, HKCU, HKCR, HKU (or their long
// names); the path is opened as it stands, without a view flag, so a 32-bit
// store is named by its own path (...\Wow6432Node\...). A key that does not
// exist records as nothing. Exit code 2: wrong use or an unreadable file.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

std::wstring Hex(const void* data, size_t size) {
  static const wchar_t* digits = L"0123456789ABCDEF";
  std::wstring out;
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  return out;
}

std::wstring HexText(const std::wstring& s) { return Hex(s.data(), s.size() * sizeof(wchar_t)); }

HKEY ParseRoot(const std::wstring& key, std::wstring& path) {
  size_t bs = key.find(L'\\');
  std::wstring root = key.substr(0, bs);
  path = bs == std::wstring::npos ? std::wstring() : key.substr(bs + 1);
  std::transform(root.begin(), root.end(), root.begin(), ::towupper);
  if (root == L"HKLM" || root == L"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (root == L"HKCU" || root == L"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (root == L"HKCR" || root == L"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (root == L"HKU" || root == L"HKEY_USERS") return HKEY_USERS;
  return nullptr;
}

// One line per key ("K <path>") and value ("V <path> <name> <type> <bytes>"),
// names and bytes in hex; paths relative to the recorded key.
void Record(HKEY parent, const std::wstring& sub, const std::wstring& rel, std::set<std::wstring>& lines) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(parent, sub.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
  lines.insert(L"K " + HexText(rel));
  DWORD maxName = 0, maxData = 0, maxSub = 0;
  RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, &maxSub, nullptr, nullptr, &maxName, &maxData, nullptr,
                   nullptr);
  std::vector<wchar_t> name(maxName + 2);
  std::vector<unsigned char> data(maxData + 2);
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
    LONG rc = RegEnumValueW(h, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (rc == ERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 256);
      data.resize(data.size() * 2 + 256);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    lines.insert(L"V " + HexText(rel) + L" " + HexText(std::wstring(name.data(), nameLen)) + L" " +
                 std::to_wstring(type) + L" " + Hex(data.data(), dataLen));
  }
  std::vector<std::wstring> subs;
  std::vector<wchar_t> buf(maxSub + 2);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    LONG rc = RegEnumKeyExW(h, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      buf.resize(buf.size() * 2 + 256);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    subs.emplace_back(buf.data(), len);
  }
  for (const std::wstring& s : subs) Record(h, s, rel.empty() ? s : rel + L"\\" + s, lines);
  RegCloseKey(h);
}

bool Snapshot(const std::wstring& key, std::set<std::wstring>& lines) {
  std::wstring path;
  HKEY root = ParseRoot(key, path);
  if (!root || path.empty()) return false;
  Record(root, path, L"", lines);
  return true;
}

bool Save(const std::wstring& file, const std::set<std::wstring>& lines) {
  FILE* f = _wfopen(file.c_str(), L"wb");
  if (!f) return false;
  for (const std::wstring& l : lines) fprintf(f, "%ls\n", l.c_str());
  return fclose(f) == 0;
}

bool Load(const std::wstring& file, std::set<std::wstring>& lines) {
  FILE* f = _wfopen(file.c_str(), L"rb");
  if (!f) return false;
  std::string line;
  int c;
  while ((c = fgetc(f)) != EOF) {
    if (c == '\n') {
      lines.insert(std::wstring(line.begin(), line.end()));
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  fclose(f);
  return true;
}

// The hex of a recorded text, back as text (for the report).
std::wstring Unhex(const std::wstring& hex) {
  std::wstring out;
  for (size_t i = 0; i + 3 < hex.size(); i += 4) {
    unsigned lo = std::stoul(hex.substr(i, 2), nullptr, 16), hi = std::stoul(hex.substr(i + 2, 2), nullptr, 16);
    out += static_cast<wchar_t>(lo | (hi << 8));
  }
  return out;
}

std::wstring Describe(const std::wstring& line) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t p; (p = line.find(L' ', start)) != std::wstring::npos; start = p + 1) parts.push_back(line.substr(start, p - start));
  parts.push_back(line.substr(start));
  if (parts.size() >= 2 && parts[0] == L"K") return L"key \"" + Unhex(parts[1]) + L"\"";
  if (parts.size() >= 5)
    return L"value \"" + Unhex(parts[2]) + L"\" of \"" + Unhex(parts[1]) + L"\", type " + parts[3] + L", " +
           std::to_wstring(parts[4].size() / 2) + L" bytes";
  return line;
}

int Usage() {
  fwprintf(stderr, L"usage: regsnap save KEY FILE | regsnap compare KEY FILE [wait=S]\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return Usage();
  const std::wstring mode = argv[1], key = argv[2], file = argv[3];
  if (mode == L"save") {
    std::set<std::wstring> lines;
    if (!Snapshot(key, lines)) return Usage();
    if (!Save(file, lines)) {
      fwprintf(stderr, L"regsnap: cannot write %ls\n", file.c_str());
      return 2;
    }
    return 0;
  }
  if (mode != L"compare") return Usage();
  double wait = 0;
  if (argc >= 5) {
    std::wstring w = argv[4];
    if (w.rfind(L"wait=", 0) != 0) return Usage();
    wait = _wtof(w.c_str() + 5);
  }
  std::set<std::wstring> saved;
  if (!Load(file, saved)) {
    fwprintf(stderr, L"regsnap: cannot read %ls\n", file.c_str());
    return 2;
  }
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(wait * 1000);
  for (;;) {
    std::set<std::wstring> now;
    if (!Snapshot(key, now)) return Usage();
    if (now == saved) return 0;
    if (GetTickCount64() >= until) {
      for (const std::wstring& l : saved)
        if (!now.count(l)) fwprintf(stderr, L"missing: %ls\n", Describe(l).c_str());
      for (const std::wstring& l : now)
        if (!saved.count(l)) fwprintf(stderr, L"extra:   %ls\n", Describe(l).c_str());
      return 1;
    }
    Sleep(250);
  }
}
