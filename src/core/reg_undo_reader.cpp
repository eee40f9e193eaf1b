#include "core/reg_undo_reader.h"

#include <cstring>

#include "core/registry.h"
#include "core/stringlist.h"
#include "core/text.h"

namespace qz {

namespace {

std::wstring AnsiToWide(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return w;
}

std::vector<uint8_t> UnitsToBytes(const std::wstring& w) {
  std::vector<uint8_t> out(w.size() * sizeof(wchar_t));
  if (!out.empty()) std::memcpy(out.data(), w.data(), out.size());
  return out;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// "01,AB,..." (blanks allowed around the bytes); false on anything else.
bool ParseHexList(std::wstring_view s, std::vector<uint8_t>& out) {
  out.clear();
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  };
  skipBlanks();
  if (i == s.size()) return true;
  for (;;) {
    skipBlanks();
    int hi = i < s.size() ? HexDigit(s[i]) : -1;
    int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    i += 2;
    skipBlanks();
    if (i == s.size()) return true;
    if (s[i] != L',') return false;
    ++i;
  }
}

// Reads a quoted text starting at s[i] == '"'; i ends after the closing
// quote. "\x" stands for x (the writer escapes only \ and ").
bool ParseQuoted(std::wstring_view s, size_t& i, std::wstring& out) {
  out.clear();
  if (i >= s.size() || s[i] != L'"') return false;
  for (++i; i < s.size(); ++i) {
    if (s[i] == L'\\' && i + 1 < s.size()) {
      out += s[++i];
    } else if (s[i] == L'"') {
      ++i;
      return true;
    } else {
      out += s[i];
    }
  }
  return false;
}

bool ParseData(std::wstring_view data, UndoValueRecord& v) {
  if (data == L"-") {
    v.absent = true;
    return true;
  }
  if (!data.empty() && data[0] == L'"') {
    size_t i = 0;
    std::wstring text;
    if (!ParseQuoted(data, i, text) || i != data.size()) return false;
    v.quoted = true;
    v.type = REG_SZ;
    text.push_back(L'\0');
    v.data = UnitsToBytes(text);
    return true;
  }
  if (data.substr(0, 6) == L"dword:") {
    std::wstring_view digits = data.substr(6);
    if (digits.size() != 8) return false;
    uint32_t n = 0;
    for (wchar_t c : digits) {
      int d = HexDigit(c);
      if (d < 0) return false;
      n = n * 16 + static_cast<uint32_t>(d);
    }
    v.type = REG_DWORD;
    v.data.resize(4);
    std::memcpy(v.data.data(), &n, 4);
    return true;
  }
  if (data.substr(0, 4) == L"hex:") {
    v.type = REG_BINARY;
    return ParseHexList(data.substr(4), v.data);
  }
  if (data.substr(0, 4) == L"hex(") {
    size_t close = data.find(L"):");
    if (close == std::wstring_view::npos || close == 4) return false;
    uint32_t type = 0;
    for (wchar_t c : data.substr(4, close - 4)) {
      int d = HexDigit(c);
      if (d < 0 || type > 0x0FFFFFFF) return false;
      type = type * 16 + static_cast<uint32_t>(d);
    }
    if (!ParseHexList(data.substr(close + 2), v.data)) return false;
    v.type = type;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
      // Text in the ANSI code page, NULs included; stored as UTF-16.
      std::string ansi(v.data.begin(), v.data.end());
      v.data = UnitsToBytes(AnsiToWide(ansi));
    }
    return true;
  }
  return false;
}

bool ParseValueLine(std::wstring_view line, UndoValueRecord& v) {
  size_t i = 0;
  std::wstring name;
  if (line.substr(0, 2) == L"@=") {
    i = 1;
  } else {
    if (!ParseQuoted(line, i, name)) return false;
    if (i >= line.size() || line[i] != L'=') return false;
  }
  v.name = Narrow(name);
  return ParseData(line.substr(i + 1), v);
}

std::wstring TrimRightW(std::wstring s) {
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t' || s.back() == L'\r')) s.pop_back();
  return s;
}

bool SameData(const UndoValueRecord& r, const RegRawValue& v) {
  if (r.type != v.type) return false;
  if (r.data == v.data) return true;
  // A quoted string stands for its text, stored with or without a NUL.
  if (r.quoted && r.data.size() == v.data.size() + 2)
    return std::equal(v.data.begin(), v.data.end(), r.data.begin());
  return false;
}

}  // namespace

bool ParseRegistryUndoText(std::string_view ansiText, std::vector<UndoKeyRecord>& records) {
  records.clear();
  std::vector<std::string> raw = SplitLines(ansiText);
  std::vector<std::wstring> lines;
  lines.reserve(raw.size());
  for (const std::string& l : raw) lines.push_back(AnsiToWide(l));

  UndoKeyRecord* current = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::wstring line = TrimRightW(lines[i]);
    if (line.empty() || line[0] == L';' || line == L"REGEDIT4" ||
        line == L"Windows Registry Editor Version 5.00")
      continue;
    if (line[0] == L'[') {
      if (line.back() != L']' || line.size() < 3) return false;
      UndoKeyRecord k;
      std::wstring inner = line.substr(1, line.size() - 2);
      if (!inner.empty() && inner[0] == L'-') {
        k.deleted = true;
        inner.erase(0, 1);
      }
      size_t slash = inner.find(L'\\');
      if (slash == std::wstring::npos || slash == 0 || slash + 1 == inner.size()) return false;
      k.rootName = Narrow(inner.substr(0, slash));
      k.path = Narrow(inner.substr(slash + 1));
      records.push_back(std::move(k));
      current = &records.back();
      continue;
    }
    if (!current || current->deleted) return false;
    // Hex data continued on the following lines: only hex data can end a
    // value line with "\" (a string ends with its quote).
    while (line.back() == L'\\' && i + 1 < lines.size()) {
      line.pop_back();
      std::wstring next = TrimRightW(lines[++i]);
      size_t start = next.find_first_not_of(L" \t");
      line += start == std::wstring::npos ? std::wstring() : next.substr(start);
      if (line.empty()) break;
    }
    UndoValueRecord v;
    if (!ParseValueLine(line, v)) return false;
    current->values.push_back(std::move(v));
  }
  return true;
}

bool ReadRegistryUndoFile(const std::string& file, std::vector<UndoKeyRecord>& records) {
  std::string bytes;
  if (!ReadFileBytes(file, bytes)) return false;
  return ParseRegistryUndoText(bytes, records);
}

std::optional<UndoDifference> VerifyRegistryRecords(const std::vector<UndoKeyRecord>& records) {
  for (const UndoKeyRecord& k : records) {
    HKEY root = RegRootFromName(k.rootName);
    if (!root) return UndoDifference{k.FullName(), "", false, "unknown root"};
    const bool exists = RegHasKey(root, k.path);
    if (k.deleted) {
      if (exists) return UndoDifference{k.FullName(), "", false, "the key still exists"};
      continue;
    }
    if (!exists) return UndoDifference{k.FullName(), "", false, "the key is missing"};
    for (const UndoValueRecord& v : k.values) {
      std::optional<RegRawValue> stored = RegReadRaw(root, k.path, v.name);
      if (v.absent) {
        if (stored) return UndoDifference{k.FullName(), v.name, true, "the value still exists"};
        continue;
      }
      if (!stored) return UndoDifference{k.FullName(), v.name, true, "the value is missing"};
      if (!SameData(v, *stored)) return UndoDifference{k.FullName(), v.name, true, "type or data differ"};
    }
  }
  return std::nullopt;
}

std::optional<UndoDifference> VerifyRegistryBackup(const std::string& file) {
  std::vector<UndoKeyRecord> records;
  if (!ReadRegistryUndoFile(file, records)) return UndoDifference{file, "", false, "the undo file cannot be read"};
  return VerifyRegistryRecords(records);
}

}  // namespace qz
