// Registry helper family. Each routine opens its own key handle on the given
// root, does one thing, closes it and returns a plain result; a missing key or
// value is an ordinary result, never an error. Key paths are relative to the
// root; one leading "\" is ignored. Names and texts are UTF-8.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace qz {

// Value kinds as the family reports them.
enum RegValueKind : int {
  kRegMissing = 0,  // missing key or value
  kRegString = 1,   // REG_SZ
  kRegExpand = 2,   // REG_EXPAND_SZ
  kRegInteger = 3,  // REG_DWORD
  kRegBinary = 4,   // REG_BINARY and every other raw type
};

// Owns one open key handle.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey();
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Opens an existing key. False when it does not exist or access is refused.
  bool Open(HKEY root, const std::string& key, REGSAM access = KEY_READ);
  // Opens the key, creating it (and the keys above it) when missing.
  bool Create(HKEY root, const std::string& key, REGSAM access = KEY_READ | KEY_WRITE);
  void Close();
  HKEY get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HKEY h_ = nullptr;
};

// A value as stored: its registry type and its raw bytes.
struct RegRawValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
// "HKEY_CURRENT_CONFIG"; any other handle gives "".
std::string RegRootKeyName(HKEY root);
// The root for such a name (also the short forms HKLM, HKCU, HKCR, HKU, HKCC); nullptr when unknown.
HKEY RegRootFromName(const std::string& name);

bool RegHasKey(HKEY root, const std::string& key);
// True when a value of exactly this name exists (case-insensitive). An empty
// name: true only when the key has a default value.
bool RegHasValue(HKEY root, const std::string& key, const std::string& name);
// Kind of the value (RegValueKind); 0 when key or value is missing; an empty
// name gives 1 whenever the key exists.
int RegGetValueType(HKEY root, const std::string& key, const std::string& name);
// True when the key existed or could be created.
bool RegEnsureKey(HKEY root, const std::string& key);
StringList RegListValueNames(HKEY root, const std::string& key);
StringList RegListSubKeys(HKEY root, const std::string& key);
// Deletes the key with everything below it; true when it no longer exists.
// An empty or all-backslash path is refused (false): it would clear a root.
bool RegRemoveKey(HKEY root, const std::string& key);
// True when the key does not exist; else deletes the value and returns true
// when no value of exactly that name exists afterwards.
bool RegRemoveValue(HKEY root, const std::string& key, const std::string& name);

// The value as text: strings as stored (not expanded), integers in decimal,
// binary of 1..2047 bytes one character per byte (ANSI code page); "" otherwise.
std::string RegGetString(HKEY root, const std::string& key, const std::string& name);
// The value as integer: REG_DWORD as stored; strings through decimal
// conversion; binary of at most 4 bytes little-endian. 0 when missing, of
// another type, not a decimal number or a binary longer than 4 bytes.
int32_t RegGetInteger(HKEY root, const std::string& key, const std::string& name);
// True when the value exists, reads as an integer (rules above) and equals n.
bool RegIntegerEquals(HKEY root, const std::string& key, const std::string& name, int32_t n);
// Writes REG_SZ in place (replacing a value of another type), reads back;
// true when the read-back text equals the written one.
bool RegSetStringChecked(HKEY root, const std::string& key, const std::string& name,
                         const std::string& text);
// The same with a chosen string type (REG_SZ or REG_EXPAND_SZ; any other type
// is refused): true when the value reads back with that type and text.
bool RegSetStringChecked(HKEY root, const std::string& key, const std::string& name,
                         const std::string& text, DWORD type);
// Writes REG_DWORD in place, reads back with RegIntegerEquals.
bool RegSetIntegerChecked(HKEY root, const std::string& key, const std::string& name, int32_t n);
// The bytes of a binary value (REG_BINARY and every other raw type), of any
// size; empty when missing or of another kind.
std::vector<uint8_t> RegGetBinaryToBuffer(HKEY root, const std::string& key, const std::string& name);
// Data size in bytes; 0 when key or value is missing.
uint32_t RegGetValueSize(HKEY root, const std::string& key, const std::string& name);

// The stored type and bytes of a value; nullopt when key or value is missing.
std::optional<RegRawValue> RegReadRaw(HKEY root, const std::string& key, const std::string& name);
// The text RegGetString gives for a value already read (same rules).
std::string RegValueText(const RegRawValue& v);
// Writes a value of any type in place, creating the key. True on success.
bool RegWriteRaw(HKEY root, const std::string& key, const std::string& name,
                 DWORD type, const void* data, DWORD size);

// One value of a key: its name, type and raw bytes.
struct RegNamedValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};
// Every value of a key with its type and bytes, read on one open handle, in
// the registry's order. Empty when the key does not exist.
std::vector<RegNamedValue> RegListValues(HKEY root, const std::string& key);

// ---- reading a key that is already open (RegKey::get(), or a location the
// caller opened once): no further open or close, so a walk over many items
// costs one registry call per read.
// The value as text by RegGetString's rules; "" when missing.
std::string RegReadString(HKEY key, const std::string& name);
// Names of the sub-keys / values, in the registry's order.
StringList RegEnumSubKeys(HKEY key);
StringList RegEnumValueNames(HKEY key);

// ---- the two registry views of a 64-bit program ------------------------------
//
// A location as a root and a stored path below it. A path that a 32-bit
// program reaches through redirection is given as the key it really is, for
// example HKEY_LOCAL_MACHINE
// "Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Run": opened
// without any view flag, that path is the 32-bit key itself, so it is read,
// written, removed and backed up like any other key and an undo file restores
// it into the view it came from.
struct RegLocation {
  HKEY root = nullptr;
  std::string path;
  bool wow32 = false;  // the store 32-bit programs see in place of `path`
};
// The 64-bit key {root, path} (always first, whether it exists or not), plus
// the key that a 32-bit program reaches under the same path when that is a
// different key (compared by the names the kernel gives the two keys). HKCU
// and the keys shared between the views therefore come back once. Open the
// 32-bit class root as HKLM "Software\Classes" (or HKCU): HKCR opened with
// KEY_WOW64_32KEY stays the 64-bit root.
std::vector<RegLocation> RegLocationViews(HKEY root, const std::string& path);
// The kernel's name of an open key ("\REGISTRY\MACHINE\SOFTWARE\..."); "" when
// it cannot be asked.
std::string RegKernelName(HKEY key);

}  // namespace qz
