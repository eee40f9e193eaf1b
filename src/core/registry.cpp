#include "core/registry.h"

#include <cstring>
#include <algorithm>

#include "core/text.h"

namespace qz {

namespace {

// Key paths are relative to the root; one leading backslash is tolerated.
std::wstring KeyPath(const std::string& key) {
  std::string_view k(key);
  if (!k.empty() && k.front() == '\\') k.remove_prefix(1);
  return Widen(k);
}

int KindOf(DWORD type) {
  switch (type) {
    case REG_SZ: return kRegString;
    case REG_EXPAND_SZ: return kRegExpand;
    case REG_DWORD: return kRegInteger;
    default: return kRegBinary;
  }
}

// Reads the type and bytes of a value on an open key; false when it is missing.
// The first try reads into a small buffer, so most values take one call.
bool QueryRaw(HKEY h, const std::wstring& name, RegRawValue& out) {
  DWORD type = 0;
  DWORD size = 512;
  out.data.resize(size);
  LONG rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, out.data.data(), &size);
  for (int attempt = 0; rc == ERROR_MORE_DATA && attempt < 8; ++attempt) {
    // Too small, or the value grew between two calls: take the size given.
    DWORD want = size > out.data.size() ? size : static_cast<DWORD>(out.data.size() * 2 + 16);
    out.data.resize(want);
    size = want;
    rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, out.data.data(), &size);
  }
  if (rc != ERROR_SUCCESS) return false;
  out.type = type;
  out.data.resize(size);
  return true;
}

std::optional<RegRawValue> ReadValue(HKEY root, const std::string& key, const std::string& name) {
  RegKey k;
  if (!k.Open(root, key, KEY_QUERY_VALUE)) return std::nullopt;
  RegRawValue v;
  if (!QueryRaw(k.get(), Widen(name), v)) return std::nullopt;
  return v;
}

// Text of a REG_SZ / REG_EXPAND_SZ value as stored, up to its first NUL.
std::string StringData(const RegRawValue& v) {
  size_t chars = v.data.size() / sizeof(wchar_t);
  std::wstring w(chars, L'\0');
  if (chars) std::memcpy(w.data(), v.data.data(), chars * sizeof(wchar_t));
  size_t nul = w.find(L'\0');
  if (nul != std::wstring::npos) w.resize(nul);
  return Narrow(w);
}

// The value read as an integer, or nothing when it does not read as one.
std::optional<int32_t> IntegerOf(const RegRawValue& v) {
  switch (KindOf(v.type)) {
    case kRegInteger: {
      uint32_t n = 0;
      std::memcpy(&n, v.data.data(), v.data.size() < 4 ? v.data.size() : 4);
      return static_cast<int32_t>(n);
    }
    case kRegString:
    case kRegExpand:
      return TryParseInt(StringData(v));
    case kRegBinary: {
      if (v.data.size() > 4) return std::nullopt;
      uint32_t n = 0;
      for (size_t i = 0; i < v.data.size(); ++i) n |= static_cast<uint32_t>(v.data[i]) << (8 * i);
      return static_cast<int32_t>(n);
    }
  }
  return std::nullopt;
}

bool WriteValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
                DWORD size) {
  RegKey k;
  if (!k.Create(root, key, KEY_SET_VALUE)) return false;
  // RegSetValueEx replaces a value of another type in place, so a refused
  // write leaves the old value as it was.
  return RegSetValueExW(k.get(), Widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
         ERROR_SUCCESS;
}

StringList EnumNames(HKEY h, bool values) {
  StringList out;
  DWORD maxSubKey = 0, maxValueName = 0;
  if (RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr, &maxValueName,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return out;
  std::wstring buf((values ? maxValueName : maxSubKey) + 1, L'\0');
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    LONG rc = values ? RegEnumValueW(h, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr)
                     : RegEnumKeyExW(h, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      // A longer name appeared since the key was queried.
      buf.assign(buf.size() * 2 + 256, L'\0');
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    out.push_back(Narrow(std::wstring_view(buf.data(), len)));
  }
  return out;
}

StringList EnumNames(HKEY root, const std::string& key, bool values) {
  RegKey k;
  if (!k.Open(root, key, KEY_READ)) return {};
  return EnumNames(k.get(), values);
}

}  // namespace

// ---- RegKey ---------------------------------------------------------------

RegKey::~RegKey() { Close(); }

RegKey::RegKey(RegKey&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    h_ = other.h_;
    other.h_ = nullptr;
  }
  return *this;
}

bool RegKey::Open(HKEY root, const std::string& key, REGSAM access) {
  Close();
  if (!root) return false;
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, KeyPath(key).c_str(), 0, access, &h) != ERROR_SUCCESS) return false;
  h_ = h;
  return true;
}

bool RegKey::Create(HKEY root, const std::string& key, REGSAM access) {
  Close();
  if (!root) return false;
  HKEY h = nullptr;
  if (RegCreateKeyExW(root, KeyPath(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &h,
                      nullptr) != ERROR_SUCCESS)
    return false;
  h_ = h;
  return true;
}

void RegKey::Close() {
  if (h_) RegCloseKey(h_);
  h_ = nullptr;
}

// ---- names of roots ---------------------------------------------------------

namespace {
struct RootName {
  HKEY root;
  const char* name;
  const char* shortName;
};
const RootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
};
}  // namespace

std::string RegRootKeyName(HKEY root) {
  for (const auto& r : kRoots)
    if (r.root == root) return r.name;
  return {};
}

HKEY RegRootFromName(const std::string& name) {
  for (const auto& r : kRoots)
    if (IEquals(name, r.name) || IEquals(name, r.shortName)) return r.root;
  return nullptr;
}

// ---- keys -------------------------------------------------------------------

bool RegHasKey(HKEY root, const std::string& key) {
  RegKey k;
  return k.Open(root, key, KEY_QUERY_VALUE);
}

bool RegEnsureKey(HKEY root, const std::string& key) {
  if (RegHasKey(root, key)) return true;
  RegKey k;
  k.Create(root, key, KEY_QUERY_VALUE);
  k.Close();
  return RegHasKey(root, key);
}

StringList RegListValueNames(HKEY root, const std::string& key) { return EnumNames(root, key, true); }

StringList RegListSubKeys(HKEY root, const std::string& key) { return EnumNames(root, key, false); }

bool RegRemoveKey(HKEY root, const std::string& key) {
  // An empty path (or one of backslashes only) names the root itself:
  // deleting "its tree" would clear a whole hive.
  std::wstring path = KeyPath(key);
  if (path.empty() || path.front() == L'\\') return false;
  if (!RegHasKey(root, key)) return true;
  RegDeleteTreeW(root, path.c_str());
  return !RegHasKey(root, key);
}

// ---- values -----------------------------------------------------------------

bool RegHasValue(HKEY root, const std::string& key, const std::string& name) {
  // The registry itself answers for exactly this name (without regard to
  // case); an empty name asks for the key's default value.
  RegKey k;
  if (!k.Open(root, key, KEY_QUERY_VALUE)) return false;
  DWORD type = 0;
  return RegQueryValueExW(k.get(), Widen(name).c_str(), nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS;
}

int RegGetValueType(HKEY root, const std::string& key, const std::string& name) {
  RegKey k;
  if (!k.Open(root, key, KEY_QUERY_VALUE)) return kRegMissing;
  // The key's unnamed entry always counts as a string, set or not.
  if (name.empty()) return kRegString;
  DWORD type = 0;
  if (RegQueryValueExW(k.get(), Widen(name).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return kRegMissing;
  return KindOf(type);
}

bool RegRemoveValue(HKEY root, const std::string& key, const std::string& name) {
  RegKey k;
  if (!k.Open(root, key, KEY_QUERY_VALUE | KEY_SET_VALUE)) {
    // A key that does not exist holds no such value; one that exists but
    // cannot be opened for writing keeps it.
    return !RegHasKey(root, key);
  }
  std::wstring w = Widen(name);
  RegDeleteValueW(k.get(), w.c_str());
  DWORD type = 0;
  return RegQueryValueExW(k.get(), w.c_str(), nullptr, &type, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
}

std::string RegValueText(const RegRawValue& v) {
  switch (KindOf(v.type)) {
    case kRegString:
    case kRegExpand:
      return StringData(v);
    case kRegInteger:
      return IntToStr(*IntegerOf(v));
    case kRegBinary:
      if (v.data.empty() || v.data.size() >= 2048) return {};
      // One character per byte, in the ANSI code page.
      return AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size()));
  }
  return {};
}

std::string RegGetString(HKEY root, const std::string& key, const std::string& name) {
  auto v = ReadValue(root, key, name);
  return v ? RegValueText(*v) : std::string();
}

int32_t RegGetInteger(HKEY root, const std::string& key, const std::string& name) {
  auto v = ReadValue(root, key, name);
  if (!v) return 0;
  return IntegerOf(*v).value_or(0);
}

bool RegIntegerEquals(HKEY root, const std::string& key, const std::string& name, int32_t n) {
  auto v = ReadValue(root, key, name);
  if (!v) return false;
  auto i = IntegerOf(*v);
  return i && *i == n;
}

bool RegSetStringChecked(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
  std::wstring w = Widen(text);
  DWORD bytes = static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t));
  if (!WriteValue(root, key, name, REG_SZ, w.c_str(), bytes)) return false;
  auto v = ReadValue(root, key, name);
  return v && v->type == REG_SZ && StringData(*v) == text;
}

bool RegSetStringChecked(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                         DWORD type) {
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::wstring w = Widen(text);
  DWORD bytes = static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t));
  if (!WriteValue(root, key, name, type, w.c_str(), bytes)) return false;
  auto v = ReadValue(root, key, name);
  return v && v->type == type && StringData(*v) == text;
}

bool RegSetIntegerChecked(HKEY root, const std::string& key, const std::string& name, int32_t n) {
  DWORD d = static_cast<DWORD>(n);
  if (!WriteValue(root, key, name, REG_DWORD, &d, sizeof d)) return false;
  return RegIntegerEquals(root, key, name, n);
}

std::vector<uint8_t> RegGetBinaryToBuffer(HKEY root, const std::string& key, const std::string& name) {
  auto v = ReadValue(root, key, name);
  if (!v || KindOf(v->type) != kRegBinary) return {};
  return std::move(v->data);
}

uint32_t RegGetValueSize(HKEY root, const std::string& key, const std::string& name) {
  RegKey k;
  if (!k.Open(root, key, KEY_QUERY_VALUE)) return 0;
  DWORD size = 0;
  if (RegQueryValueExW(k.get(), Widen(name).c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return 0;
  return size;
}

std::optional<RegRawValue> RegReadRaw(HKEY root, const std::string& key, const std::string& name) {
  return ReadValue(root, key, name);
}

bool RegWriteRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
                 DWORD size) {
  return WriteValue(root, key, name, type, data, size);
}

std::vector<RegNamedValue> RegListValues(HKEY root, const std::string& key) {
  std::vector<RegNamedValue> out;
  RegKey k;
  if (!k.Open(root, key, KEY_QUERY_VALUE)) return out;
  DWORD count = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return out;
  std::wstring name(maxName + 1, L'\0');
  std::vector<uint8_t> data(maxData + 1);
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size());
    DWORD dataLen = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG rc = RegEnumValueW(k.get(), i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (rc == ERROR_MORE_DATA) {
      // A value grew or appeared since the key was queried: retry this index.
      name.assign(name.size() * 2 + 256, L'\0');
      data.resize(data.size() * 2 + 256);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    RegNamedValue v;
    v.name = Narrow(std::wstring_view(name.data(), nameLen));
    v.type = type;
    v.data.assign(data.begin(), data.begin() + dataLen);
    out.push_back(std::move(v));
  }
  return out;
}

// ---- an open key -------------------------------------------------------------

std::string RegReadString(HKEY key, const std::string& name) {
  RegRawValue v;
  if (!key || !QueryRaw(key, Widen(name), v)) return {};
  return RegValueText(v);
}

StringList RegEnumSubKeys(HKEY key) { return key ? EnumNames(key, false) : StringList(); }

StringList RegEnumValueNames(HKEY key) { return key ? EnumNames(key, true) : StringList(); }

// ---- views --------------------------------------------------------------------

std::string RegKernelName(HKEY key) {
  using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<NtQueryKeyFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
  if (!query || !key) return {};
  const int kKeyNameInformation = 3;
  std::vector<uint8_t> buf(1024);
  for (int attempt = 0; attempt < 4; ++attempt) {
    ULONG got = 0;
    LONG st = query(key, kKeyNameInformation, buf.data(), static_cast<ULONG>(buf.size()), &got);
    if (st == 0) {
      ULONG bytes = 0;
      std::memcpy(&bytes, buf.data(), sizeof bytes);
      bytes = std::min<ULONG>(bytes, static_cast<ULONG>(buf.size() - sizeof(ULONG)));
      return Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(buf.data() + sizeof(ULONG)),
                                      bytes / sizeof(wchar_t)));
    }
    // STATUS_BUFFER_OVERFLOW / STATUS_BUFFER_TOO_SMALL: grow and ask again.
    if (got <= buf.size()) buf.resize(buf.size() * 2);
    else buf.resize(got + 16);
  }
  return {};
}

namespace {

// The kernel name of root\path as seen with the given view flag; "" when the
// key does not exist.
std::string ViewName(HKEY root, const std::string& path, REGSAM view) {
  RegKey k;
  if (!k.Open(root, path, KEY_QUERY_VALUE | view)) return {};
  return RegKernelName(k.get());
}

// The kernel name of a root. A predefined handle cannot be asked itself, so
// ask one of its sub-keys and drop that sub-key's name.
std::string RootKernelName(HKEY root) {
  wchar_t child[256];
  DWORD len = 256;
  if (RegEnumKeyExW(root, 0, child, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return {};
  std::string childName = Narrow(std::wstring_view(child, len));
  std::string full = ViewName(root, childName, KEY_WOW64_64KEY);
  if (full.size() <= childName.size() + 1) return {};
  std::string tail = full.substr(full.size() - childName.size() - 1);
  if (!IEquals(tail, "\\" + childName)) return {};
  return full.substr(0, full.size() - tail.size());
}

}  // namespace

std::vector<RegLocation> RegLocationViews(HKEY root, const std::string& path) {
  std::vector<RegLocation> out;
  std::string stripped = path;
  if (!stripped.empty() && stripped.front() == '\\') stripped.erase(0, 1);
  out.push_back({root, stripped, false});
  std::string name32 = ViewName(root, stripped, KEY_WOW64_32KEY);
  if (name32.empty()) return out;
  std::string name64 = ViewName(root, stripped, KEY_WOW64_64KEY);
  if (!name64.empty() && IEquals(name64, name32)) return out;
  // Express the 32-bit key as a path below the same root: the root's own
  // kernel name is a prefix of every key below it.
  std::string rootName = RootKernelName(root);
  if (rootName.empty() || name32.size() <= rootName.size() + 1 ||
      !IEquals(name32.substr(0, rootName.size()), rootName) || name32[rootName.size()] != '\\')
    return out;
  std::string stored = name32.substr(rootName.size() + 1);
  if (IEquals(stored, stripped)) return out;
  out.push_back({root, stored, true});
  return out;
}

}  // namespace qz
