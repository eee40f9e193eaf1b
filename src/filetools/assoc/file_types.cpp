#include "filetools/assoc/file_types.h"

#include <cstring>
#include <unordered_set>

#include "core/pump.h"
#include "core/registry.h"
#include "core/strings.h"
#include "core/text.h"
#include "ui/vtree_model.h"

namespace qz::fa {

namespace {

constexpr const wchar_t* kOriginalW = L"Backup_FA";

// An open key handle (or the root itself, which is never closed).
class OpenKey {
 public:
  OpenKey() = default;
  OpenKey(HKEY parent, const std::wstring& sub) {
    if (sub.empty()) {
      h_ = parent;
      owned_ = false;
    } else if (RegOpenKeyExW(parent, sub.c_str(), 0, KEY_READ, &h_) != ERROR_SUCCESS) {
      h_ = nullptr;
    }
  }
  ~OpenKey() {
    if (h_ && owned_) RegCloseKey(h_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HKEY h_ = nullptr;
  bool owned_ = true;
};

// The text of a string value on an open key, up to its first NUL; "" when
// it is missing or not a string. One query when the text is short.
std::string QueryText(HKEY h, const wchar_t* name) {
  wchar_t small[260];
  DWORD type = 0, size = sizeof small;
  LONG rc = RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(small), &size);
  std::wstring text;
  if (rc == ERROR_SUCCESS) {
    text.assign(small, size / sizeof(wchar_t));
  } else if (rc == ERROR_MORE_DATA) {
    std::vector<wchar_t> big;
    for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
      big.assign(size / sizeof(wchar_t) + 2, L'\0');
      size = static_cast<DWORD>(big.size() * sizeof(wchar_t));
      rc = RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(big.data()), &size);
    }
    if (rc != ERROR_SUCCESS) return {};
    text.assign(big.data(), size / sizeof(wchar_t));
  } else {
    return {};
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return Narrow(text);
}

bool HasValue(HKEY h, const wchar_t* name) {
  return RegQueryValueExW(h, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Command, icon and has-original of an entry, read below the location's
// base key: each key opened once, its values read on that handle.
void ReadEntryBelow(HKEY base, FileTypeEntry& e) {
  e.Command.clear();
  e.IconFile.clear();
  e.IconIndex = 0;
  e.HasOriginal = 0;
  const std::wstring progId = Widen(e.ProgID);
  {
    OpenKey icon(base, progId + L"\\DefaultIcon");
    if (icon) {
      const std::string text = QueryText(icon.get(), L"");
      if (!text.empty()) ParseIconText(text, e.IconFile, e.IconIndex);
      if (HasValue(icon.get(), kOriginalW)) e.HasOriginal = 1;
    }
  }
  OpenKey command(base, progId + L"\\shell\\open\\Command");
  if (command) {
    e.Command = QueryText(command.get(), L"");
    if (HasValue(command.get(), kOriginalW)) e.HasOriginal = 1;
  }
}

std::string IconText(const FileTypeEntry& e) { return e.IconFile + "," + std::to_string(e.IconIndex); }

bool IsReferenceChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '(' ||
         c == ')';
}

}  // namespace

// ---- locations ---------------------------------------------------------------

ClassesLocation DefaultLocation() { return {HKEY_CLASSES_ROOT, ""}; }

std::vector<ClassesLocation> ProductionLocations() {
  std::vector<ClassesLocation> out{DefaultLocation()};
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (const RegLocation& view : RegLocationViews(root, "Software\\Classes")) {
      if (!view.wow32) continue;
      ClassesLocation loc{root, view.path};
      bool known = false;
      for (const ClassesLocation& l : out) known = known || (l.root == loc.root && IEquals(l.base, loc.base));
      if (!known) out.push_back(loc);
    }
  }
  return out;
}

// ---- texts -------------------------------------------------------------------

const StringList& SystemExtensionList() {
  static const StringList list = {
      ".386", ".BAT", ".BKF", ".BLG", ".CAT", ".CDF", ".CER", ".CHM", ".CLP", ".CMD", ".COM", ".CRL",
      ".CRT", ".CPL", ".DER", ".DLL", ".EML", ".EXE", ".FAV", ".FND", ".FOLDER", ".FON", ".GRP", ".HLP",
      ".INF", ".INS", ".ISP", ".LNK", ".MSC", ".MSI", ".MSP", ".MSSTYLES", ".PIF", ".QDS", ".REG", ".SCR",
      ".SYS", ".THEME", ".URL", ".VXD", ".INI", ".OCX", ".ICC", ".EMF", ".DRV"};
  return list;
}

bool IsSystemExtension(const std::string& extension) {
  static const std::unordered_set<std::string> set(SystemExtensionList().begin(), SystemExtensionList().end());
  return set.count(UpperLocale(extension)) != 0;
}

void ParseIconText(const std::string& storedText, std::string& iconFile, int& iconIndex) {
  iconFile.clear();
  iconIndex = 0;
  const std::string text = ExpandEnvVars(storedText);
  if (text.size() < 3 || text[1] != ':' || text[2] != '\\') return;
  iconFile = text;
  const size_t first = text.find(',');
  if (first == std::string::npos) return;
  iconFile = text.substr(0, first);
  iconIndex = StrToIntDef(text.substr(text.rfind(',') + 1), 0);
}

std::string IconFileOfCommand(const std::string& command) {
  if (command.empty() || command[0] != '"') return command;
  const size_t close = command.find('"', 1);
  return command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

bool HasEnvironmentReference(const std::string& text) {
  size_t open = text.find('%');
  while (open != std::string::npos) {
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) return false;
    const std::string_view name(text.data() + open + 1, close - open - 1);
    bool valid = name.size() >= 2 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    for (char c : name) valid = valid && IsReferenceChar(c);
    if (valid) return true;
    // The closing sign may open the next reference.
    open = close;
  }
  return false;
}

DWORD StringTypeFor(const std::string& text) { return HasEnvironmentReference(text) ? REG_EXPAND_SZ : REG_SZ; }

// ---- writes ------------------------------------------------------------------

bool RegistryWrites::SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                               DWORD type) {
  return RegSetStringChecked(root, key, name, text, type);
}

bool RegistryWrites::SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
                            const std::vector<uint8_t>& data) {
  if (!RegWriteRaw(root, key, name, type, data.data(), static_cast<DWORD>(data.size()))) return false;
  std::optional<RegRawValue> back = RegReadRaw(root, key, name);
  return back && back->type == type && back->data == data;
}

bool RegistryWrites::Remove(HKEY root, const std::string& key, const std::string& name) {
  return RegRemoveValue(root, key, name);
}

RegistryWrites& DefaultRegistryWrites() {
  static RegistryWrites writes;
  return writes;
}

// ---- the list ----------------------------------------------------------------

size_t FileTypes::LoadFileTypes(ui::VTreeModel& tree) {
  tree.Clear();
  PumpMessages();
  tree.SetRecordType<FileTypeEntry>();

  struct Source {
    ClassesLocation location;
    std::vector<std::wstring> names;
  };
  std::vector<Source> sources;
  int64_t total = 0;
  for (const ClassesLocation& loc : Locations) {
    Source s{loc, {}};
    OpenKey base(loc.root, Widen(loc.base));
    if (base) {
      DWORD count = 0, maxLen = 0;
      RegQueryInfoKeyW(base.get(), nullptr, nullptr, nullptr, &count, &maxLen, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
      std::vector<wchar_t> buf(maxLen + 2);
      s.names.reserve(count);
      for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG rc = RegEnumKeyExW(base.get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
          buf.resize(buf.size() * 2 + 256);
          --i;
          continue;
        }
        if (rc != ERROR_SUCCESS) break;
        s.names.emplace_back(buf.data(), len);
      }
    }
    total += static_cast<int64_t>(s.names.size());
    sources.push_back(std::move(s));
  }
  if (total == 0) return 0;
  if (OnReadingStarted) OnReadingStarted(total);

  std::unordered_set<std::string> listed;
  int64_t position = 0;
  size_t added = 0;
  // The tree's updates stay suspended while it fills, whatever happens.
  struct UpdateScope {
    ui::VTreeModel& tree;
    explicit UpdateScope(ui::VTreeModel& t) : tree(t) { tree.BeginUpdate(); }
    ~UpdateScope() { tree.EndUpdate(); }
  } scope(tree);
  for (const Source& s : sources) {
    OpenKey base(s.location.root, Widen(s.location.base));
    for (const std::wstring& wname : s.names) {
      ++position;
      if (OnProgress) OnProgress(position, total);
      PumpMessagesThrottled();
      if (!base || wname.empty() || wname[0] != L'.') continue;
      const std::string extension = Narrow(wname);
      const std::string upper = UpperLocale(extension);
      if (HideSystem && IsSystemExtension(upper)) continue;
      if (listed.count(upper)) continue;

      FileTypeEntry e;
      {
        OpenKey ext(base.get(), wname);
        if (!ext) continue;
        e.ProgID = QueryText(ext.get(), L"");
      }
      if (e.ProgID.empty() || StartsWith(UpperLocale(e.ProgID), "CLSID")) continue;
      {
        OpenKey cls(base.get(), Widen(e.ProgID));
        if (!cls) continue;
        e.DisplayName = QueryText(cls.get(), L"");
      }
      if (e.DisplayName.empty()) e.DisplayName = e.ProgID;
      e.Extension = extension;
      e.Location = s.location;
      ReadEntryBelow(base.get(), e);
      tree.AddChild(nullptr, std::move(e));
      listed.insert(upper);
      ++added;
    }
  }
  return added;
}

void FileTypes::ReadFileTypeEntry(FileTypeEntry& e) {
  // A location that is gone reads as an entry without command and icon.
  OpenKey base(e.Location.root, Widen(e.Location.base));
  ReadEntryBelow(base.get(), e);
}

// ---- changes -----------------------------------------------------------------

bool FileTypes::WriteWithOriginal(HKEY root, const std::string& key, const std::string& text) {
  if (IEquals(RegGetString(root, key, ""), text)) return true;
  if (!RegHasValue(root, key, kOriginalValue)) {
    // The first original, with its type and bytes; an absent one as "".
    std::optional<RegRawValue> old = RegReadRaw(root, key, "");
    const bool kept = old ? Writes->SetRaw(root, key, kOriginalValue, old->type, old->data)
                          : Writes->SetString(root, key, kOriginalValue, "", REG_SZ);
    if (!kept) return false;
  }
  return Writes->SetString(root, key, "", text, StringTypeFor(text));
}

bool FileTypes::WriteFileTypeEntry(FileTypeEntry& e, unsigned parts) {
  const ClassesLocation& loc = e.Location;
  bool ok = true;
  if ((parts & kWriteIcon) && !e.IconFile.empty())
    ok = WriteWithOriginal(loc.root, loc.Key(e.ProgID + "\\DefaultIcon"), IconText(e)) && ok;
  if (parts & kWriteCommand)
    ok = WriteWithOriginal(loc.root, loc.Key(e.ProgID + "\\shell\\open\\Command"), e.Command) && ok;
  ReadFileTypeEntry(e);
  return ok;
}

bool FileTypes::RestoreOriginal(HKEY root, const std::string& key) {
  std::optional<RegRawValue> original = RegReadRaw(root, key, kOriginalValue);
  if (!original) return true;
  bool restored;
  if (original->type == REG_SZ || original->type == REG_EXPAND_SZ) {
    const std::string text = RegGetString(root, key, kOriginalValue);
    const DWORD type = original->type == REG_EXPAND_SZ ? REG_EXPAND_SZ : StringTypeFor(text);
    restored = Writes->SetString(root, key, "", text, type);
  } else {
    restored = Writes->SetRaw(root, key, "", original->type, original->data);
  }
  // The original stays until the value it was kept for is back.
  return restored && Writes->Remove(root, key, kOriginalValue);
}

bool FileTypes::ResetFileType(FileTypeEntry& e) {
  const ClassesLocation& loc = e.Location;
  bool ok = RestoreOriginal(loc.root, loc.Key(e.ProgID + "\\DefaultIcon"));
  ok = RestoreOriginal(loc.root, loc.Key(e.ProgID + "\\shell\\open\\Command")) && ok;
  ReadFileTypeEntry(e);
  return ok;
}

}  // namespace qz::fa
