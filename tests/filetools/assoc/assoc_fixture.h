// File types planted below a scratch key, which the engine reads as a
// classes location, and a snapshot of a key tree to compare before and after.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/registry.h"
#include "core/text.h"
#include "filetools/assoc/file_types.h"
#include "support/sandbox.h"

namespace qz::fa::test {

// Every key below a path with its values (name -> type and bytes).
using Snapshot = std::map<std::string, std::map<std::string, std::pair<DWORD, std::vector<uint8_t>>>>;

inline void TakeSnapshot(HKEY root, const std::string& key, Snapshot& s) {
  if (!RegHasKey(root, key)) return;
  auto& values = s[UpperAscii(key)];
  for (RegNamedValue& v : RegListValues(root, key)) values[v.name] = {v.type, std::move(v.data)};
  for (const std::string& sub : RegListSubKeys(root, key)) TakeSnapshot(root, key + "\\" + sub, s);
}

inline Snapshot TakeSnapshot(HKEY root, const std::string& key) {
  Snapshot s;
  TakeSnapshot(root, key, s);
  return s;
}

// A classes location of its own: HKCU\Software\QZTests\<name>.
class ScratchClasses {
 public:
  explicit ScratchClasses(const std::string& name, HKEY root = HKEY_CURRENT_USER) : key_(name, root) {}

  ClassesLocation Location() const { return {key_.root(), key_.key()}; }
  HKEY Root() const { return key_.root(); }
  std::string Key(const std::string& sub) const { return key_.key() + "\\" + sub; }

  // A value (type REG_SZ or REG_EXPAND_SZ) below the location.
  void Set(const std::string& sub, const std::string& name, const std::string& text, DWORD type = REG_SZ) const {
    RegSetStringChecked(Root(), Key(sub), name, text, type);
  }
  // The extension key naming its class.
  void Extension(const std::string& ext, const std::string& progId) const { Set(ext, "", progId); }
  // A class key: display name, open command and icon text ("": not set).
  void Class(const std::string& progId, const std::string& display, const std::string& command,
             const std::string& icon = "", DWORD commandType = REG_SZ, DWORD iconType = REG_SZ) const {
    RegEnsureKey(Root(), Key(progId));
    if (!display.empty()) Set(progId, "", display);
    if (!command.empty()) Set(progId + "\\shell\\open\\Command", "", command, commandType);
    if (!icon.empty()) Set(progId + "\\DefaultIcon", "", icon, iconType);
  }
  // Extension and class at once.
  void Type(const std::string& ext, const std::string& progId, const std::string& display,
            const std::string& command, const std::string& icon = "") const {
    Extension(ext, progId);
    Class(progId, display, command, icon);
  }

  std::string Text(const std::string& sub, const std::string& name = "") const {
    return RegGetString(Root(), Key(sub), name);
  }
  DWORD TypeOf(const std::string& sub, const std::string& name = "") const {
    auto v = RegReadRaw(Root(), Key(sub), name);
    return v ? v->type : REG_NONE;
  }
  bool Has(const std::string& sub, const std::string& name) const { return RegHasValue(Root(), Key(sub), name); }
  Snapshot Take(const std::string& sub = "") const {
    return TakeSnapshot(Root(), sub.empty() ? key_.key() : Key(sub));
  }

 private:
  qz::test::ScratchKey key_;
};

inline const char* const kCommandKey = "\\shell\\open\\Command";
inline const char* const kIconKey = "\\DefaultIcon";

}  // namespace qz::fa::test
