#include "tuning/startup/autostart.h"

#include <shlobj.h>

#include <utility>

#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"
#include "tuning/startup/command_line.h"

namespace qz::st {

EntryKind KindOf(const AutostartEntry& e) {
  if (!e.LinkFile.empty()) return EntryKind::Link;
  if (!e.KeyPath.empty()) return EntryKind::Registry;
  if (!e.IniFile.empty()) return EntryKind::WinIni;
  return EntryKind::None;
}

StartupPlaces StartupPlaces::FromSystem(StartupStore& store) {
  StartupPlaces p;
  p.CommonStartup = ExcludeTrailingBackslash(store.SpecialFolder(CSIDL_COMMON_STARTUP));
  p.UserStartup = ExcludeTrailingBackslash(store.SpecialFolder(CSIDL_STARTUP));
  p.NotActive1 = AppDir + "\\Backups\\StartUp-Tuner\\not active1";
  p.NotActive2 = AppDir + "\\Backups\\StartUp-Tuner\\not active2";
  p.WinIni = WinDir + "\\win.ini";
  p.BackupDir = AppDir + "\\Backups\\ST";
  return p;
}

std::vector<AutostartSource> AutostartSources(const StartupPlaces& p) {
  std::vector<AutostartSource> out;
  auto folder = [&](int32_t number, const char* key, const char* german, const std::string& active,
                    int32_t linkKind, StringList inactive) {
    AutostartSource s;
    s.Number = number;
    s.TitleKey = key;
    s.GermanTitle = german;
    s.Category = 0;
    s.Kind = SourceKind::Folder;
    s.ActiveFolder = active;
    s.LinkKind = linkKind;
    s.InactiveFolders = std::move(inactive);
    out.push_back(std::move(s));
  };
  folder(1, "MESSAGE_Autorun_Startmenu_ALL", "Startmenü - Alle Benutzer", p.CommonStartup, 1,
         {p.NotActive1, p.NotActive2});
  StringList userInactive;
  if (!p.UserStartup.empty()) userInactive = {p.UserStartup + "\\not active1", p.UserStartup + "\\not active2"};
  folder(2, "MESSAGE_Autorun_Startmenu_CURRENT", "Startmenü - aktueller Benutzer", p.UserStartup, 2,
         std::move(userInactive));

  struct RegSpec {
    const char* sub;
    const char* allKey;
    const char* currentKey;
  };
  // Key 10's translation key is CURRENT_SERVICESONCE, unlike its siblings.
  const RegSpec keys[] = {
      {"Run", "MESSAGE_Autorun_Registry_ALL_RUN", "MESSAGE_Autorun_Registry_CURRENT_RUN"},
      {"RunOnce", "MESSAGE_Autorun_Registry_ALL_RUNONCE", "MESSAGE_Autorun_Registry_CURRENT_RUNONCE"},
      {"RunServices", "MESSAGE_Autorun_Registry_ALL_RUNSERVICES", "MESSAGE_Autorun_Registry_CURRENT_RUNSERVICES"},
      {"RunServicesOnce", "MESSAGE_Autorun_Registry_ALL_RUNSERVICESONCE",
       "MESSAGE_Autorun_Registry_CURRENT_SERVICESONCE"},
  };
  int32_t number = 3;
  for (int user = 0; user < 2; ++user) {
    for (const RegSpec& k : keys) {
      AutostartSource s;
      s.Number = number++;
      s.TitleKey = user ? k.currentKey : k.allKey;
      s.GermanTitle = std::string(user ? "Registrierdatenbank - Aktueller Benutzer, Sektion "
                                       : "Registrierdatenbank - Alle Benutzer, Sektion ") +
                      "\"" + k.sub + "\"";
      s.Category = 2;
      s.Kind = SourceKind::Registry;
      s.Root = user ? p.UserRoot : p.MachineRoot;
      s.Key = (user ? p.UserKey : p.MachineKey) + "\\" + k.sub;
      out.push_back(std::move(s));
    }
  }
  for (const char* section : {"run", "load"}) {
    AutostartSource s;
    s.Number = number++;
    s.TitleKey = std::string("MESSAGE_Autorun_WININI_") + UpperAscii(section);
    s.GermanTitle = std::string("Win.ini , Sektion \"") + UpperAscii(section) + "\"";
    s.Category = 1;
    s.Kind = SourceKind::WinIni;
    s.IniFile = p.WinIni;
    s.Section = section;
    out.push_back(std::move(s));
  }
  return out;
}

// ---- icons ---------------------------------------------------------------------

HICON IconCache::Get(const std::string& file) {
  if (file.empty()) return nullptr;
  std::string key = UpperLocale(file);
  auto it = icons_.find(key);
  if (it != icons_.end()) return it->second;
  HICON h = store_.ExtractFileIcon(file);
  // 0: no icon; 1: not a file that holds icons.
  if (reinterpret_cast<uintptr_t>(h) <= 1) h = nullptr;
  if (h) ++live_;
  icons_.emplace(std::move(key), h);
  return h;
}

void IconCache::Clear() {
  for (auto& [key, h] : icons_)
    if (h) DestroyIcon(h);
  icons_.clear();
  live_ = 0;
}

// ---- helpers ---------------------------------------------------------------------

std::string LinkDisplayName(const std::string& linkFile) {
  std::string name = ExtractFileName(linkFile);
  size_t dot = name.find('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ValueCommandText(const RegNamedValue& v) {
  if (v.type != REG_MULTI_SZ) return RegValueText(RegRawValue{v.type, v.data});
  std::wstring w(v.data.size() / sizeof(wchar_t), L'\0');
  if (!w.empty()) memcpy(w.data(), v.data.data(), w.size() * sizeof(wchar_t));
  std::string out;
  size_t pos = 0;
  while (pos < w.size()) {
    size_t end = w.find(L'\0', pos);
    if (end == std::wstring::npos) end = w.size();
    if (end == pos) break;  // the empty string ends the list
    if (!out.empty()) out += ' ';
    out += Narrow(std::wstring_view(w).substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::string IconSourceOf(const std::string& command) {
  std::string s = command;
  if (!s.empty() && s.front() == '"') s.erase(0, 1);
  if (!s.empty() && s.back() == '"') s.pop_back();
  return s;
}

// ---- building ----------------------------------------------------------------------

AutostartEngine::AutostartEngine(StartupStore& store, StartupPlaces places)
    : store_(store), places_(std::move(places)), icons_(store) {}

void AutostartEngine::LoadAutostartRegistry(ui::VTreeModel& tree, ui::VNode* parent, HKEY root,
                                            const std::string& key, bool checked, int32_t source, bool wow32) {
  for (RegNamedValue& v : store_.ListValues(root, key)) {
    AutostartEntry e;
    e.Name = e.ValueName = v.name;
    e.DisplayName = wow32 ? v.name + wowMarker_ : v.name;
    e.Command = ValueCommandText(v);
    e.Icon = icons_.Get(IconSourceOf(e.Command));
    e.Category = 2;
    e.RootKey = root;
    e.KeyPath = key;
    e.Source = source;
    e.Wow32 = wow32;
    ui::VNode* n = tree.AddChild(parent, std::move(e));
    tree.SetCheckType(n, ui::CheckType::CheckBox);
    tree.SetCheckState(n, checked ? ui::CheckState::Checked : ui::CheckState::Unchecked);
  }
}

void AutostartEngine::LoadAutostartFolder(ui::VTreeModel& tree, ui::VNode* parent, const std::string& folder,
                                          int32_t linkKind, bool checked, int32_t source) {
  for (const std::string& file : store_.FindLinks(folder)) {
    AutostartEntry e;
    // A fresh link object per file: an unreadable link shows nothing of the
    // one read before it.
    TShortcutLink link;
    link.Quiet = true;
    link.ShortcutFile = file;
    store_.LoadLink(link);
    if (link.Success) {
      e.Command = JoinCommandLine(link.Target, link.Arguments);
      e.Icon = icons_.Get(link.Target);
    }
    e.Name = e.LinkFile = file;
    e.DisplayName = LinkDisplayName(file);
    e.LinkKind = linkKind;
    e.Category = 0;
    e.Source = source;
    ui::VNode* n = tree.AddChild(parent, std::move(e));
    tree.SetCheckType(n, ui::CheckType::CheckBox);
    tree.SetCheckState(n, checked ? ui::CheckState::Checked : ui::CheckState::Unchecked);
  }
}

void AutostartEngine::LoadAutostartWinIni(ui::VTreeModel& tree, ui::VNode* parent, const std::string& file,
                                          const std::string& section, bool checked, int32_t source) {
  auto keys = store_.ReadSection(file, section);
  std::unordered_map<std::string, int> seen;
  for (const auto& [key, value] : keys) ++seen[UpperLocale(key)];
  for (const auto& [key, value] : keys) {
    AutostartEntry e;
    e.Name = e.DisplayName = key;
    e.Command = value;
    e.Icon = icons_.Get(IconSourceOf(value));
    e.Category = 1;
    e.IniFile = file;
    e.IniSection = section;
    e.Source = source;
    e.DuplicateKey = seen[UpperLocale(key)] > 1;
    ui::VNode* n = tree.AddChild(parent, std::move(e));
    tree.SetCheckType(n, ui::CheckType::CheckBox);
    tree.SetCheckState(n, checked ? ui::CheckState::Checked : ui::CheckState::Unchecked);
  }
}

void AutostartEngine::BuildAutostartTree(ui::VTreeModel& tree, bool hideEmpty, const TranslateFn& tr) {
  tree.BeginUpdate();
  tree.Clear();
  icons_.Clear();
  tree.SetRecordType<AutostartEntry>();
  wowMarker_ = " " + Tr(tr, "MESSAGE_Autorun_32Bit", "(32-Bit)");
  for (const AutostartSource& s : AutostartSources(places_)) {
    AutostartEntry cat;
    cat.DisplayName = Tr(tr, s.TitleKey, s.GermanTitle);
    cat.IsCategoryNode = 1;
    cat.Category = s.Category;
    cat.Source = s.Number;
    ui::VNode* node = tree.AddChild(nullptr, std::move(cat));
    switch (s.Kind) {
      case SourceKind::Folder:
        if (s.ActiveFolder.empty()) break;
        LoadAutostartFolder(tree, node, s.ActiveFolder, s.LinkKind, true, s.Number);
        for (const std::string& f : s.InactiveFolders) LoadAutostartFolder(tree, node, f, 0, false, s.Number);
        break;
      case SourceKind::Registry: {
        // Both views (HKCU and shared keys once), each read and later
        // written by its stored path.
        const std::vector<RegLocation> views = RegLocationViews(s.Root, s.Key);
        for (const RegLocation& v : views) LoadAutostartRegistry(tree, node, v.root, v.path, true, s.Number, v.wow32);
        for (const RegLocation& v : views)
          LoadAutostartRegistry(tree, node, v.root, v.path + "\\" + kNotActive, false, s.Number, v.wow32);
        break;
      }
      case SourceKind::WinIni:
        LoadAutostartWinIni(tree, node, s.IniFile, s.Section, true, s.Number);
        LoadAutostartWinIni(tree, node, s.IniFile, s.Section + "-" + kNotActive, false, s.Number);
        break;
    }
    if (tree.ChildCount(node) == 0 && hideEmpty) {
      tree.DeleteNode(node);
      continue;
    }
    tree.SetExpanded(node, true);
  }
  tree.EndUpdate();
}

// ---- messages -------------------------------------------------------------------------

namespace {

std::string WithName(const TranslateFn& tr, const std::string& key, const std::string& german,
                     const std::string& name) {
  return ReplaceAll(Tr(tr, key, german), "%1", name);
}

}  // namespace

namespace {

// A message naming the entry (%1): its key and German default.
struct NamedMessage {
  const char* key;
  const char* german;
};

constexpr NamedMessage kAmbiguous = {
    "MESSAGE_AutoRun_Ambiguous",
    "Der Eintrag\r%1\rsteht mehrmals in seiner Sektion der win.ini und kann deshalb nicht geändert werden."};

NamedMessage MoveText(MoveResult r) {
  switch (r) {
    case MoveResult::TargetExists:
      return {"MESSAGE_AutoRun_TargetExists",
              "Der Eintrag\r%1\rkann nicht verschoben werden: am Ziel gibt es schon einen Eintrag dieses Namens."};
    case MoveResult::WriteFailed:
      return {"MESSAGE_AutoRun_WriteFailed",
              "Der Eintrag\r%1\rkann nicht verschoben werden: er ließ sich am Ziel nicht schreiben. Er bleibt, wo "
              "er ist."};
    case MoveResult::SourceKept:
      return {"MESSAGE_AutoRun_SourceKept",
              "Der Eintrag\r%1\rkann nicht verschoben werden: er ließ sich an seinem Platz nicht entfernen. Er "
              "bleibt, wo er ist."};
    case MoveResult::FolderUnknown:
      return {"MESSAGE_AutoRun_FolderUnknown",
              "Der Eintrag\r%1\rkann nicht aktiviert werden: der Autostart-Ordner ist nicht bekannt."};
    case MoveResult::Ambiguous:
      return kAmbiguous;
    case MoveResult::BadName:
      return {"MESSAGE_AutoRun_BadName",
              "Der Eintrag\r%1\rkann nicht verschoben werden: sein Name ist am Ziel nicht erlaubt."};
    case MoveResult::Moved:
    case MoveResult::Unchanged:
      break;
  }
  return {nullptr, nullptr};
}

NamedMessage ChangeText(ChangeResult r) {
  switch (r) {
    case ChangeResult::WriteFailed:
      return {"MESSAGE_AutoRun_ChangeFailed",
              "Der Eintrag\r%1\rließ sich nicht schreiben oder las sich danach anders zurück."};
    case ChangeResult::RemoveFailed:
      return {"MESSAGE_AutoRun_RemoveFailed", "Der Eintrag\r%1\rließ sich nicht entfernen."};
    case ChangeResult::CopyFailed:
      return {"MESSAGE_AutoRun_CopyFailed",
              "Von der Verknüpfung\r%1\rließ sich keine Sicherungskopie anlegen. Sie wurde nicht gelöscht."};
    case ChangeResult::RecycleFailed:
      return {"MESSAGE_AutoRun_RecycleFailed",
              "Die Verknüpfung\r%1\rließ sich nicht in den Papierkorb verschieben."};
    case ChangeResult::LinkUnreadable:
      return {"MESSAGE_AutoRun_LinkUnreadable", "Die Verknüpfung\r%1\rließ sich nicht lesen."};
    case ChangeResult::LinkNotSaved:
      return {"MESSAGE_AutoRun_LinkNotSaved",
              "Die Verknüpfung\r%1\rließ sich nicht speichern. Es wurde nichts geändert."};
    case ChangeResult::LinkNotPlaced:
      return {"MESSAGE_AutoRun_LinkNotPlaced",
              "Die geänderte Verknüpfung\r%1\rließ sich nicht an ihren Platz verschieben. Sie liegt im Ordner "
              "Backups\\ST, die alte im Papierkorb."};
    case ChangeResult::FolderUnknown:
      return {"MESSAGE_AutoRun_NoStartupFolder",
              "Der Eintrag\r%1\rkann nicht angelegt werden: der Autostart-Ordner ist nicht bekannt."};
    case ChangeResult::Ambiguous:
      return kAmbiguous;
    case ChangeResult::EmptyKeyName:
      return {"MESSAGE_Uninstall_NoKey",
              "Der Eintrag\r%1\rhat keinen eigenen Schlüssel und kann nicht geändert werden."};
    default:
      break;
  }
  return {nullptr, nullptr};
}

std::string Named(const NamedMessage& m, const std::string& name, const TranslateFn& tr) {
  return m.key ? WithName(tr, m.key, m.german, name) : std::string();
}

}  // namespace

std::string MoveMessage(MoveResult r, const std::string& name, const TranslateFn& tr) {
  return Named(MoveText(r), name, tr);
}

bool IsErrorResult(ChangeResult r) { return r != ChangeResult::Ambiguous && r != ChangeResult::EmptyKeyName; }

std::string ChangeMessage(ChangeResult r, const std::string& name, const TranslateFn& tr) {
  // The undo-file messages are English and never translated.
  switch (r) {
    case ChangeResult::BackupNotCreated:
      return "Error creating Backup-File!\rDisk full,corrupt or write-protected?";
    case ChangeResult::BackupNotRead:
      return "Error reading from registry";
    case ChangeResult::BackupNotClosed:
      return "Error closing Backup-File!\rBackup may be corrupt or incomplete!";
    default:
      return Named(ChangeText(r), name, tr);
  }
}

std::string NameProblemMessage(NameProblem p, const TranslateFn& tr) {
  switch (p) {
    case NameProblem::None:
      return {};
    case NameProblem::Empty:
      return Tr(tr, "MESSAGE_IsEmpty", "Name und Kommandozeile dürfen nicht leer sein!");
    case NameProblem::Invalid:
      return Tr(tr, "MESSAGE_NameInvalid",
                       "Dieser Name ist nicht erlaubt. Er darf keines der Zeichen \\ / : * ? \" < > | enthalten, "
                       "nicht \".\" oder \"..\" sein, nicht mit einem Punkt oder Leerzeichen enden und höchstens "
                       "200 Zeichen lang sein.");
    case NameProblem::Exists:
      return Tr(tr, "MESSAGE_NameExists",
                       "Einen Eintrag dieses Namens gibt es dort schon. Bitte wählen Sie einen anderen Namen.");
  }
  return {};
}

std::string NotEditedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_AutoRun_NotEdited", "Sie haben die Kommandozeile noch nicht verändert.");
}

std::string SureToEditMessage(const std::string& name, const TranslateFn& tr) {
  return WithName(tr, "MESSAGE_AutoRun_Edit",
                  "Sind Sie sicher, dass Sie die Kommandozeile des Eintrages\r%1bearbeiten wollen?", name);
}

std::string SureToDeleteMessage(const std::string& name, const TranslateFn& tr) {
  return WithName(tr, "MESSAGE_AutoRun_Delete", "Sind Sie sicher, dass Sie den Eintrag\r%1löschen wollen?", name);
}

}  // namespace qz::st
