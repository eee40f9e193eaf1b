#include "core/reg_backup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/disk.h"
#include "core/file_itself.h"
#include "core/globals.h"
#include "core/reg_undo_reader.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz {

std::string BackupBaseDir;

namespace {

// ---- text in the ANSI code page ------------------------------------------

// The ANSI bytes of UTF-16 units (NULs included); false when a unit has no
// exact form there (what the registry editor reads back must be what was
// stored).
bool WideToAnsiExact(std::wstring_view w, std::string& out) {
  out.clear();
  if (w.empty()) return true;
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, &usedDefault);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                      &usedDefault);
  if (usedDefault) return false;
  int back = MultiByteToWideChar(CP_ACP, 0, out.data(), n, nullptr, 0);
  std::wstring round(static_cast<size_t>(back), L'\0');
  MultiByteToWideChar(CP_ACP, 0, out.data(), n, round.data(), back);
  return round == w;
}

// UTF-8 text that is written as it stands: it must have an exact ANSI form.
bool FitsAnsi(std::wstring_view w) {
  std::string dummy;
  return WideToAnsiExact(w, dummy);
}

std::wstring EscapeQuoted(std::wstring_view s) {
  std::wstring out;
  out.reserve(s.size() + 8);
  for (wchar_t c : s) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out;
}

// Hex data as the registry editor writes it: "xx,xx,...", continued with
// "\" at the end of a line and two blanks before the next when the line would
// grow past 76 characters.
std::string HexList(const std::string& prefix, const uint8_t* data, size_t size) {
  static const char* digits = "0123456789ABCDEF";
  std::string out = prefix;
  size_t lineLen = prefix.size();
  for (size_t i = 0; i < size; ++i) {
    bool last = i + 1 == size;
    size_t need = last ? 2 : 3;
    if (lineLen + need > 76 && i > 0) {
      out += "\\\r\n  ";
      lineLen = 2;
    }
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
    if (!last) out += ',';
    lineLen += need;
  }
  return out;
}

// UTF-16 units of a string value's raw bytes; false for an odd byte count.
bool Units(const uint8_t* data, size_t size, std::wstring& w) {
  if (size % 2) return false;
  w.assign(size / 2, L'\0');
  if (size) memcpy(w.data(), data, size);
  return true;
}

// ---- names the format can carry ----------------------------------------------
//
// The file is read line by line: a key line is "[" root "\" path "]", a value
// line begins with the quoted name. A line break (CR or LF) inside a name
// would end its line early and let the rest be read as lines of their own,
// a key line among them (a key that never existed would then be created, and
// values written into it); a NUL ends the text there. A key path part that is
// empty (a doubled, leading or trailing backslash) has no form in a key line.
// Names that cannot be written so that the restore recreates exactly them are
// refused: the record fails, and the caller must not make the change.

bool HasLineBreakOrNul(std::wstring_view s) {
  for (wchar_t c : s)
    if (c == L'\r' || c == L'\n' || c == L'\0') return true;
  return false;
}

bool ValueNameFits(std::wstring_view name) { return !HasLineBreakOrNul(name); }

bool KeyPathFits(std::wstring_view path) {
  if (path.empty() || HasLineBreakOrNul(path)) return false;
  if (path.front() == L'\\' || path.back() == L'\\') return false;
  return path.find(L"\\\\") == std::wstring_view::npos;
}

std::string StripLeadingBackslash(const std::string& key) {
  return !key.empty() && key[0] == '\\' ? key.substr(1) : key;
}

// ---- raw registry access -------------------------------------------------

class Key {
 public:
  ~Key() {
    if (h_) RegCloseKey(h_);
  }
  LONG Open(HKEY root, const std::wstring& path) {
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &h_);
  }
  HKEY get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

struct RawValue {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

LONG QueryValue(HKEY h, const std::wstring& name, RawValue& v) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    v.data.assign(size, 0);
    DWORD got = size;
    rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, v.data.data(), &got);
    if (rc == ERROR_MORE_DATA) continue;  // grew meanwhile
    if (rc != ERROR_SUCCESS) return rc;
    v.name = name;
    v.type = type;
    v.data.resize(got);
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

bool ListValues(HKEY h, std::vector<RawValue>& values) {
  DWORD maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<wchar_t> name(maxName + 2);
  std::vector<uint8_t> data(maxData + 2);
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size());
    DWORD dataLen = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG rc = RegEnumValueW(h, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (rc == ERROR_NO_MORE_ITEMS) return true;
    if (rc == ERROR_MORE_DATA) {
      // A value grew after the size query: take more room and read it again.
      name.resize(name.size() * 2 + 256);
      data.resize(std::max<size_t>(data.size() * 2, dataLen + 2));
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) return false;
    RawValue v;
    v.name.assign(name.data(), nameLen);
    v.type = type;
    v.data.assign(data.begin(), data.begin() + dataLen);
    values.push_back(std::move(v));
  }
}

bool ListSubKeyNames(HKEY h, std::vector<std::wstring>& names) {
  DWORD maxLen = 0;
  if (RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, &maxLen, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<wchar_t> buf(maxLen + 2);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    LONG rc = RegEnumKeyExW(h, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return true;
    if (rc == ERROR_MORE_DATA) {
      buf.resize(buf.size() * 2 + 256);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) return false;
    names.emplace_back(buf.data(), len);
  }
}

// Every section of the key: its values, then each sub-key in turn.
bool ExportKey(HKEY root, const std::wstring& rootName, const std::wstring& path, std::string& out) {
  if (!KeyPathFits(path)) return false;  // a sub-key's name is checked here too
  Key k;
  if (k.Open(root, path) != ERROR_SUCCESS) return false;
  std::wstring section = L"[" + rootName + L"\\" + path + L"]";
  if (!FitsAnsi(section)) return false;
  out += Narrow(section) + "\r\n";
  std::vector<RawValue> values;
  if (!ListValues(k.get(), values)) return false;
  for (const RawValue& v : values) {
    std::string line;
    if (!FormatValueLine(v.name, v.type, v.data.data(), v.data.size(), line)) return false;
    out += line + "\r\n";
  }
  out += "\r\n";
  std::vector<std::wstring> subKeys;
  if (!ListSubKeyNames(k.get(), subKeys)) return false;
  for (const std::wstring& s : subKeys)
    if (!ExportKey(root, rootName, path + L"\\" + s, out)) return false;
  return true;
}

// ---- the undo file in progress -------------------------------------------

struct Backup {
  std::string fileName;  // final name
  std::string folder;    // with trailing backslash
  std::string tmpName;   // fileName + ".tmp"
  HANDLE file = INVALID_HANDLE_VALUE;
  size_t records = 0;
};

Backup& Current() {
  static Backup b;
  return b;
}

bool Active() { return Current().file != INVALID_HANDLE_VALUE; }

bool MakeFolders(const std::string& folder) {
  std::wstring w = Widen(ExcludeTrailingBackslash(folder));
  if (w.empty()) return false;
  // Skip the root ("C:\" or "\\server\share\").
  size_t start = 0;
  if (w.size() >= 2 && w[0] == L'\\' && w[1] == L'\\') {
    size_t p = w.find(L'\\', 2);
    p = p == std::wstring::npos ? w.size() : w.find(L'\\', p + 1);
    start = p == std::wstring::npos ? w.size() : p;
  } else if (w.size() >= 2 && w[1] == L':') {
    start = 2;
  }
  for (size_t i = start + 1; i <= w.size(); ++i) {
    if (i == w.size() || w[i] == L'\\') {
      std::wstring part = w.substr(0, i);
      if (!CreateDirectoryW(part.c_str(), nullptr)) {
        DWORD attr = GetFileAttributesW(part.c_str());
        if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
      }
    }
  }
  return true;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - pos, 1 << 20));
    DWORD put = 0;
    if (!WriteFile(h, bytes.data() + pos, chunk, &put, nullptr) || put != chunk) return false;
    pos += chunk;
  }
  return true;
}

// Appends one record (UTF-8 lines) to the file in progress; on a failed
// write the file is cut back to where the record began.
bool WriteRecord(const std::string& text) {
  Backup& b = Current();
  bool exact = true;
  std::string bytes = Utf8ToAnsi(text, &exact);
  if (!exact) return false;
  LARGE_INTEGER zero{}, start{};
  if (!SetFilePointerEx(b.file, zero, &start, FILE_CURRENT)) return false;
  if (!WriteAll(b.file, bytes)) {
    SetFilePointerEx(b.file, start, nullptr, FILE_BEGIN);
    SetEndOfFile(b.file);
    return false;
  }
  ++b.records;
  return true;
}

std::wstring RootName(HKEY root) { return Widen(RegRootKeyName(root)); }

}  // namespace

// ---- file names ------------------------------------------------------------

std::string BackupUserFolderFor(const std::string& userName) {
  std::wstring w = Widen(userName);
  if (w.size() < 3) return "Default";
  wchar_t first = w[0];
  if (first >= L'a' && first <= L'z') first = static_cast<wchar_t>(first - L'a' + L'A');
  if (first < L'A' || first > L'Z') return "Default";
  return userName;
}

std::string GetBackupUserFolder() {
  wchar_t buf[1024] = {};
  DWORD len = 1024;
  std::string name;
  if (GetUserNameW(buf, &len)) name = Narrow(buf);
  return BackupUserFolderFor(name);
}

std::string BackupDateName(const SYSTEMTIME& when, LCID lcid) {
  wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
  if (!LCIDToLocaleName(lcid, locale, LOCALE_NAME_MAX_LENGTH, 0)) return {};
  auto date = [&](const wchar_t* picture, std::wstring& out) {
    wchar_t buf[256] = {};
    int n = GetDateFormatEx(locale, 0, &when, picture, buf, 256, nullptr);
    if (n <= 0) return false;
    out = buf;
    return true;
  };
  std::wstring weekday, day, month;
  if (!date(L"dddd", weekday) || !date(L"dd", day) || !date(L"MMMM", month)) return {};
  wchar_t timeBuf[256] = {};
  if (GetTimeFormatEx(locale, 0, &when, nullptr, timeBuf, 256) <= 0) return {};
  std::wstring text = weekday + L", " + day + L". " + month + L" - " + timeBuf;
  if (text.size() > 6) {
    // The time's separators (and anything else a file name cannot hold).
    for (size_t i = 3; i + 1 < text.size(); ++i) {
      switch (text[i]) {
        case L':': case L'*': case L'/': case L'?': case L'\\': case L'"': case L'<': case L'>': case L'|':
          text[i] = L'_';
          break;
        default:
          break;
      }
    }
  }
  return Narrow(text);
}

std::string MakeBackupFileName(const std::string& base, const SYSTEMTIME& when, LCID lcid) {
  std::string dateName = BackupDateName(when, lcid);
  if (dateName.empty()) return {};
  return base + "\\" + GetBackupUserFolder() + "\\" + dateName + ".REG";
}

std::string MakeBackupFileName(const std::string& base) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return MakeBackupFileName(base, now, GetUserDefaultLCID());
}

// ---- value lines -----------------------------------------------------------

bool FormatValueLine(const std::wstring& name, DWORD type, const uint8_t* data, size_t size, std::string& line) {
  if (!ValueNameFits(name)) return false;
  std::wstring prefixW = name.empty() ? std::wstring(L"@=") : L"\"" + EscapeQuoted(name) + L"\"=";
  if (!FitsAnsi(prefixW)) return false;
  std::string prefix = Narrow(prefixW);

  auto ansiHex = [&](const char* tag, const std::wstring& units) {
    std::string bytes;
    if (!WideToAnsiExact(units, bytes)) return false;
    line = HexList(prefix + tag, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
  };

  switch (type) {
    case REG_SZ: {
      std::wstring units;
      if (!Units(data, size, units)) return false;
      size_t nul = units.find(L'\0');
      bool wellFormed = !units.empty() && (nul == std::wstring::npos || nul + 1 == units.size());
      std::wstring text = units.substr(0, nul);
      // Line breaks and NULs cannot stand inside quotes, and an empty value
      // (no bytes at all) would come back with a terminator: write the bytes.
      if (!wellFormed || text.find_first_of(L"\r\n") != std::wstring::npos) return ansiHex("hex(1):", units);
      std::wstring quoted = L"\"" + EscapeQuoted(text) + L"\"";
      if (!FitsAnsi(quoted)) return false;
      line = prefix + Narrow(quoted);
      return true;
    }
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
      std::wstring units;
      if (!Units(data, size, units)) return false;
      return ansiHex(type == REG_EXPAND_SZ ? "hex(2):" : "hex(7):", units);
    }
    case REG_DWORD:
      if (size == 4) {
        uint32_t v = 0;
        memcpy(&v, data, 4);
        char buf[16];
        snprintf(buf, sizeof buf, "dword:%08X", static_cast<unsigned>(v));
        line = prefix + buf;
        return true;
      }
      line = HexList(prefix + "hex(4):", data, size);
      return true;
    case REG_BINARY:
      line = HexList(prefix + "hex:", data, size);
      return true;
    default: {
      char tag[24];
      snprintf(tag, sizeof tag, "hex(%lx):", static_cast<unsigned long>(type));
      line = HexList(prefix + tag, data, size);
      return true;
    }
  }
}

bool FormatRegistryValue(HKEY root, const std::string& key, const std::string& name, std::string& lines) {
  const std::wstring rootName = RootName(root);
  const std::wstring path = Widen(StripLeadingBackslash(key));
  if (rootName.empty() || !KeyPathFits(path)) return false;
  std::wstring keyLine = L"[" + rootName + L"\\" + path + L"]";
  if (!FitsAnsi(keyLine)) return false;
  const std::wstring wname = Widen(name);
  if (!ValueNameFits(wname)) return false;

  Key k;
  LONG rc = k.Open(root, path);
  RawValue v;
  if (rc == ERROR_SUCCESS) rc = QueryValue(k.get(), wname, v);
  std::string valueLine;
  if (rc == ERROR_FILE_NOT_FOUND) {
    // Absent: the restore deletes whatever the change created.
    std::wstring absent = wname.empty() ? std::wstring(L"@=-") : L"\"" + EscapeQuoted(wname) + L"\"=-";
    if (!FitsAnsi(absent)) return false;
    valueLine = Narrow(absent);
  } else if (rc == ERROR_SUCCESS) {
    if (!FormatValueLine(wname, v.type, v.data.data(), v.data.size(), valueLine)) return false;
  } else {
    return false;
  }
  lines = Narrow(keyLine) + "\r\n" + valueLine;
  return true;
}

// ---- lifecycle -------------------------------------------------------------

bool RegistryBackupActive() { return Active(); }

std::string RegistryBackupFileName() { return Active() ? Current().fileName : std::string(); }

bool BeginRegistryBackup(const std::string& fileName) {
  if (Active()) EndRegistryBackup();
  if (fileName.empty()) return false;
  const std::string tmp = fileName + ".tmp";
  if (PathExists(fileName) || PathExists(tmp)) return false;
  std::string folder = IncludeTrailingBackslash(ExtractFileDir(fileName));
  if (!MakeFolders(folder)) return false;
  HANDLE h = CreateFileW(Widen(tmp).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  if (!WriteAll(h, "REGEDIT4\r\n\r\n")) {
    CloseHandle(h);
    DeleteFileW(Widen(tmp).c_str());
    return false;
  }
  Backup& b = Current();
  b.fileName = fileName;
  b.folder = folder;
  b.tmpName = tmp;
  b.file = h;
  b.records = 0;
  return true;
}

bool BackupRegistryValue(HKEY root, const std::string& key, const std::string& name) {
  if (!Active()) return false;
  std::string lines;
  if (!FormatRegistryValue(root, key, name, lines)) return false;
  return WriteRecord(lines + "\r\n\r\n");
}

bool BackupRegistryKey(HKEY root, const std::string& key) {
  if (!Active()) return false;
  const std::wstring rootName = RootName(root);
  const std::wstring path = Widen(StripLeadingBackslash(key));
  if (rootName.empty() || !KeyPathFits(path)) return false;
  Key k;
  LONG rc = k.Open(root, path);
  if (rc == ERROR_FILE_NOT_FOUND) {
    std::wstring del = L"[-" + rootName + L"\\" + path + L"]";
    if (!FitsAnsi(del)) return false;
    return WriteRecord(Narrow(del) + "\r\n\r\n");
  }
  if (rc != ERROR_SUCCESS) return false;
  std::string text;
  if (!ExportKey(root, rootName, path, text)) return false;
  return WriteRecord(text);
}

bool EndRegistryBackup() {
  if (!Active()) return false;
  Backup b = Current();
  Current() = Backup{};
  bool ok = FlushFileBuffers(b.file) != FALSE;
  if (!CloseHandle(b.file)) ok = false;
  const std::wstring tmp = Widen(b.tmpName);
  if (b.records == 0) {
    DeleteFileW(tmp.c_str());
    return ok;
  }
  if (!ok || PathExists(b.fileName)) return false;  // the ".tmp" keeps the data
  return MoveFileExW(tmp.c_str(), Widen(b.fileName).c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool BackupAndWriteInteger(bool checked, HKEY root, const std::string& key, const std::string& name) {
  if (!BackupRegistryValue(root, key, name)) return false;
  RegRemoveValue(root, key, name);
  return RegSetIntegerChecked(root, key, name, checked ? 1 : 0);
}

// ---- restore ---------------------------------------------------------------

std::string RegistryRestoreCopyPath() { return WinTempDir + "\\ZAMO2 Backup.reg"; }

namespace {
RegeditRunner& Runner() {
  static RegeditRunner runner;
  return runner;
}
}  // namespace

void SetRegeditRunner(RegeditRunner runner) { Runner() = std::move(runner); }

bool RestoreRegistryBackup(const std::string& undoFile) {
  // As a full path (the checks below compare full paths).
  const std::string copy = ExpandFileName(RegistryRestoreCopyPath());
  // The chosen file is read only when it is itself: through a link the
  // editor would import whatever the link leads to.
  std::string bytes;
  {
    FileHandle in = OpenFileItself(undoFile, GENERIC_READ, FILE_SHARE_READ);
    if (!in) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(in.get(), &size) || size.QuadPart > (64LL << 20)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(in.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size()))
      return false;
  }
  // Only a copy made now may go to the editor: an older copy that could not
  // be removed holds some other undo file, and importing it would change
  // what the user did not choose. The old copy is removed only when it is a
  // file that is itself (through a link the removal would hit the target);
  // the new one is made only where no entry of that name is left.
  if (IsFileItself(copy)) {
    SetFileAttributesItself(copy, FILE_ATTRIBUTE_NORMAL);
    DeleteFileItself(copy);
  }
  {
    FileHandle out = CreateFileItself(copy, GENERIC_WRITE, 0, CreateMode::New);
    if (!out || !WriteAll(out.get(), bytes)) {
      if (out) {
        FILE_DISPOSITION_INFO gone{};
        gone.DeleteFile = TRUE;
        SetFileInformationByHandle(out.get(), FileDispositionInfo, &gone, sizeof gone);
      }
      return false;
    }
  }
  const std::string commandLine = "regedit.exe \"" + copy + "\"";
  const int64_t rc = Runner() ? Runner()(commandLine, ExtractFileDir(copy))
                              : RunAndWait(commandLine, ExtractFileDir(copy), SW_SHOWNORMAL);
  // The copy is only the editor's input; it must not linger in the
  // Windows temporary folder.
  DeleteFileItself(copy);
  // What the registry holds decides, for exactly the text the editor got.
  std::vector<UndoKeyRecord> records;
  return rc != -1 && ParseRegistryUndoText(bytes, records) && !VerifyRegistryRecords(records);
}

}  // namespace qz
