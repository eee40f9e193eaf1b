#include "core/stringlist.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/text.h"

namespace qz {

int IndexOfI(const StringList& list, std::string_view s) {
  for (size_t i = 0; i < list.size(); ++i)
    if (IEquals(list[i], s)) return static_cast<int>(i);
  return -1;
}

bool ContainsI(const StringList& list, std::string_view s) { return IndexOfI(list, s) >= 0; }

void AddUniqueI(StringList& list, std::string_view s) {
  if (!ContainsI(list, s)) list.emplace_back(s);
}

bool ReadFileBytes(const std::string& path, std::string& bytes, size_t maxBytes) {
  bytes.clear();
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buf[65536];
  bool ok = true;
  while (bytes.size() < maxBytes) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(sizeof buf, maxBytes - bytes.size()));
    if (!ReadFile(h, buf, want, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buf, got);
  }
  CloseHandle(h);
  return ok;
}

bool LoadTextFile(const std::string& path, std::string& utf8Text) {
  std::string b;
  if (!ReadFileBytes(path, b)) return false;
  if (b.size() >= 3 && static_cast<unsigned char>(b[0]) == 0xEF && static_cast<unsigned char>(b[1]) == 0xBB &&
      static_cast<unsigned char>(b[2]) == 0xBF) {
    utf8Text = b.substr(3);
  } else if (b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xFE) {
    std::wstring w((b.size() - 2) / 2, L'\0');
    memcpy(w.data(), b.data() + 2, w.size() * 2);
    utf8Text = Narrow(w);
  } else if (b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFE && static_cast<unsigned char>(b[1]) == 0xFF) {
    std::wstring w((b.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < w.size(); ++i)
      w[i] = static_cast<wchar_t>((static_cast<unsigned char>(b[2 + 2 * i]) << 8) |
                                  static_cast<unsigned char>(b[3 + 2 * i]));
    utf8Text = Narrow(w);
  } else {
    utf8Text = DecodeUtf8OrAnsi(b);
  }
  return true;
}

bool LoadLines(const std::string& path, StringList& lines) {
  std::string text;
  if (!LoadTextFile(path, text)) return false;
  lines = SplitLines(text);
  return true;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t pos = 0;
  while (pos < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - pos, 1 << 20));
    DWORD put = 0;
    if (!WriteFile(h, bytes.data() + pos, chunk, &put, nullptr) || put != chunk) {
      ok = false;
      break;
    }
    pos += chunk;
  }
  if (!CloseHandle(h)) ok = false;
  return ok;
}

bool SaveLines(const std::string& path, const StringList& lines, TextEncoding encoding) {
  std::string text = JoinLines(lines);
  std::string bytes;
  switch (encoding) {
    case TextEncoding::Ansi: {
      bool exact = true;
      bytes = Utf8ToAnsi(text, &exact);
      if (!exact) return false;
      break;
    }
    case TextEncoding::Utf8: bytes = text; break;
    case TextEncoding::Utf8Bom: bytes = "\xEF\xBB\xBF" + text; break;
    case TextEncoding::Utf16LE: {
      std::wstring w = Widen(text);
      bytes = "\xFF\xFE";
      bytes.append(reinterpret_cast<const char*>(w.data()), w.size() * 2);
      break;
    }
  }
  return WriteFileBytes(path, bytes);
}

}  // namespace qz
