#include "cleaning/registry/rc_engine.h"

#include <shlobj.h>

#include <algorithm>

#include "core/disk.h"
#include "core/globals.h"
#include "core/pathtools.h"
#include "core/pump.h"
#include "core/strings.h"
#include "core/text.h"

namespace qz::rc {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;

// ---- the kinds ---------------------------------------------------------------

const std::vector<KindInfo>& Kinds() {
  static const std::vector<KindInfo> kinds = {
      {kFileTypes, "Verwaiste Dateiformate",
       "Verwaiste Einträge zu Dateiformaten, deren Anwendung nicht mehr vorhanden ist", 11, nullptr},
      {kComServers, "Verwaiste COM / OLE", "Verwaiste Einträge zu COM/OLE, deren Datei nicht mehr vorhanden ist", 8,
       nullptr},
      {kTypeLibs, "Verwaiste ActiveX", "Verwaiste ActiveX-Einträge, deren Datei nicht mehr vorhanden ist", 3, nullptr},
      {kSharedDlls, "Verwaiste gemeinsame DLLs",
       "Verwaiste Einträge zu gemeinsam genutzten DLLs, deren Datei nicht mehr vorhanden ist", 10, nullptr},
      {kFonts, "Verwaiste Schriftarten", "Verwaiste Einträge zu Schriftarten, deren Datei nicht mehr vorhanden ist", 7,
       nullptr},
      {kSystemSounds, "Verwaiste Systemklänge",
       "Verwaiste Einträge zu Systemklängen, deren Datei nicht mehr vorhanden ist", 9, nullptr},
      {kHelpFiles, "Verwaiste Hilfe-Dateien",
       "Verwaiste Einträge zu Hilfe-Dateien, deren Datei nicht mehr vorhanden ist", 5, nullptr},
      {kAppPaths, "Verwaiste Anwendungs-Pfade",
       "Verwaiste Einträge zu Anwendungspfaden, deren Datei nicht mehr vorhanden ist", 6, nullptr},
      {kIcons, "Verwaiste Symbole", "Verwaiste Einträge zu Symbolen, deren Datei nicht mehr vorhanden ist", 3, nullptr},
      {10, "MRU - Search", "Liste der zuletzt gesuchten Dateien und Ordner (über Start-Suchen)", 0,
       "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\FilesNamedMRU"},
      {11, "MRU - Run", "Liste der zuletzt ausgeführten Dateien (über Start-Ausführen)", 1,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"},
      {12, "MRU - MediaPlayer", "Liste der zuletzt genutzen Dateien im Windows \"Media Player\"", 12,
       "SOFTWARE\\Microsoft\\MediaPlayer\\Player\\RecentURLList"},
      {13, "MRU - GetRight", "Liste der zuletzt genutzten Dateien im \"GetRight\"", 15,
       "Software\\Headlight\\GetRight\\MRU"},
      {14, "MRU - Paint", "Liste der zuletzt genutzten Dateien in \"MS Paint\"", 13,
       "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"},
      {15, "MRU - WordPad", "Liste der zuletzt genutzten Dateien in \"MS WordPad\"", 14,
       "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List"},
      {16, "MRU - WinZip", "Liste der zuletzt genutzten Dateien in \"WinZip\"", 16,
       "Software\\Nico Mak Computing\\WinZip\\filemenu"},
  };
  return kinds;
}

const KindInfo& KindOf(int32_t kind) {
  const auto& k = Kinds();
  if (kind < 1 || kind > kKindCount) return k[0];
  return k[static_cast<size_t>(kind - 1)];
}

// ---- small helpers -------------------------------------------------------------

std::string JoinKey(const std::string& base, const std::string& name) {
  if (base.empty()) return name;
  if (name.empty()) return base;
  return base + "\\" + name;
}

std::string StripTrailingBackslash(const std::string& text) {
  std::string s = text;
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

void IconSourceFile(std::string& text) {
  text = UpperLocale(text);
  bool any = false;
  for (const char* pattern : {".EXE,", ".DLL,", ".OCX,"}) {
    size_t p = text.find(pattern);
    if (p == std::string::npos) continue;
    any = true;
    text.resize(p + 4);
  }
  if (!any) text.clear();
}

void SortNames(StringList& names) {
  // The locale's order without regard to case, through one sort key per name.
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    std::wstring w = Widen(names[i]);
    std::string key;
    int n = w.empty() ? 0
                      : LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, w.data(),
                                      static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr, 0);
    if (n > 0) {
      key.resize(static_cast<size_t>(n));
      LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, w.data(), static_cast<int>(w.size()),
                    reinterpret_cast<wchar_t*>(key.data()), n, nullptr, nullptr, 0);
      while (!key.empty() && key.back() == '\0') key.pop_back();
    } else {
      key = UpperLocale(names[i]);
    }
    keys.emplace_back(std::move(key), i);
  }
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  StringList sorted;
  sorted.reserve(names.size());
  for (const auto& k : keys) sorted.push_back(std::move(names[k.second]));
  names = std::move(sorted);
}

std::string ClassUsersKey(HKEY root, const std::string& classKey) {
  return RegRootKeyName(root) + "\\" + UpperLocale(classKey);
}

namespace {

std::string Unquoted(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
  return s;
}

// The registry text with variables expanded and quotes removed, in its own
// case: the hint the probe takes the test's spelling from.
std::string CaseHint(const std::string& registryText) { return Unquoted(ExpandEnvVars(registryText)); }

// A location opened for its walk. The check opens it with write access as
// well: a location the user may not change yields no entries.
bool OpenLocation(const RegLocation& loc, RegKey& key) {
  return key.Open(loc.root, loc.path, KEY_READ | KEY_WRITE);
}

// A location's sub-keys or value names, sorted (or in the registry's order).
struct Listing {
  const RegLocation* loc = nullptr;
  RegKey key;
  StringList names;
};
std::vector<Listing> ListLocations(const std::vector<RegLocation>& views, bool values, bool sorted) {
  std::vector<Listing> out;
  for (const RegLocation& v : views) {
    Listing l;
    l.loc = &v;
    if (!OpenLocation(v, l.key)) continue;
    l.names = values ? RegEnumValueNames(l.key.get()) : RegEnumSubKeys(l.key.get());
    if (sorted) SortNames(l.names);
    out.push_back(std::move(l));
  }
  return out;
}

int32_t TotalOf(const std::vector<Listing>& ls) {
  size_t n = 0;
  for (const Listing& l : ls) n += l.names.size();
  return static_cast<int32_t>(n);
}

// A reading of several candidates from a reference (expanded, upper case,
// quotes in) and the caller's own readings.
std::pair<StringList, std::string> ReadReference(const std::string& upper, const StringList& extras = {}) {
  ReferenceCandidates c = ParseReference(upper, extras);
  std::string primary = !c.CommandPath.empty() ? c.CommandPath : (c.Paths.empty() ? std::string() : c.Paths[0]);
  return {std::move(c.Paths), std::move(primary)};
}

bool ResourceSuffix(const std::string& path) { return path.size() >= 2 && path[path.size() - 2] == '\\'; }

// The loop every check runs over its listed names: messages pumped, the
// abort test, the counters and the key label, then fn(listing, name). False
// when it stopped for AbortFlag.
template <class Fn>
bool EachItem(RegistryScanEngine& e, const std::vector<Listing>& lists, Fn&& fn) {
  for (const Listing& l : lists) {
    for (const std::string& name : l.names) {
      e.Pump();
      if (AbortFlag == 1) return false;
      ++e.ExaminedCount;
      ++e.CategoryDone;
      e.CurrentKeyText = name;
      fn(l, name);
    }
  }
  return true;
}

}  // namespace

// ---- locations -------------------------------------------------------------------

ScanLocations ScanLocations::FromSystem(bool nt) {
  ScanLocations l;
  // The 32-bit class root is HKLM (and HKCU) "Software\Classes" seen through
  // the 32-bit view: HKEY_CLASSES_ROOT itself stays the 64-bit root.
  auto classViews = [](const std::string& sub) {
    std::vector<RegLocation> v{{HKEY_CLASSES_ROOT, sub, false}};
    for (HKEY base : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
      for (const RegLocation& view : RegLocationViews(base, JoinKey("Software\\Classes", sub)))
        if (view.wow32) v.push_back(view);
    return v;
  };
  l.Classes = classViews("");
  l.Clsid = classViews("CLSID");
  l.TypeLib = classViews("TypeLib");
  l.SharedDlls = RegLocationViews(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
  l.Fonts = RegLocationViews(HKEY_LOCAL_MACHINE, nt ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                                                   : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts");
  l.AppEvents = RegLocationViews(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps");
  l.Help = RegLocationViews(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\Help");
  l.AppPaths = RegLocationViews(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");
  for (int32_t k = kFirstMru; k <= kLastMru; ++k)
    l.Mru[k - kFirstMru] = RegLocationViews(HKEY_CURRENT_USER, KindOf(k).MruKey);
  l.FontsFolder = GetSpecialFolderDir(nullptr, CSIDL_FONTS);
  return l;
}

// ---- the engine -------------------------------------------------------------------

RegistryScanEngine::RegistryScanEngine() = default;

RegistryScanEngine::RegistryScanEngine(ScanLocations locations, FileSystemAccess* fs, ProbeFolders folders)
    : Locations(std::move(locations)), Probe(fs, std::move(folders)), locationsSet_(true) {}

void RegistryScanEngine::UseLocations(ScanLocations locations) {
  Locations = std::move(locations);
  locationsSet_ = true;
}

void RegistryScanEngine::LocationsFromSystemOnce() {
  if (locationsSet_) return;
  Locations = ScanLocations::FromSystem(IsNT != 0);
  locationsSet_ = true;
}

void RegistryScanEngine::BeginSearch(ui::VTreeModel& tree, const std::string& drives) {
  LocationsFromSystemOnce();
  tree.SetRecordType<RegScanNode>();
  ResultTree = &tree;
  CurrentCategory = nullptr;
  CurrentKind = CurrentImageIndex = 0;
  CurrentCategoryName.clear();
  ExaminedCount = FoundCount = MarkedCount = 0;
  CategoryTotal = CategoryDone = 0;
  CurrentKeyText.clear();
  CurrentValueText.clear();
  SearchComplete = false;
  FileTypeClassUsers.clear();
  Probe.Reset();
  // A checked drive whose root does not answer is left out: a path on a
  // drive letter that is not there reads as "not found" and would be
  // reported.
  CheckedDrives.clear();
  for (char c : UpperAscii(drives))
    if (CheckedDrives.find(c) == std::string::npos && Probe.DriveAnswers(c)) CheckedDrives += c;
}

void RegistryScanEngine::RunKind(int32_t kind) {
  switch (kind) {
    case kFileTypes: CheckFileTypes(); break;
    case kComServers: CheckComServers(); break;
    case kTypeLibs: CheckTypeLibs(); break;
    case kSharedDlls: CheckSharedDlls(); break;
    case kFonts: CheckFonts(); break;
    case kSystemSounds: CheckSystemSounds(); break;
    case kHelpFiles: CheckHelpFiles(); break;
    case kAppPaths: CheckAppPaths(); break;
    case kIcons: CheckIcons(); break;
    default:
      if (IsMruKind(kind)) ScanMruList(Locations.MruOf(kind));
      break;
  }
}

void RegistryScanEngine::Pump() {
  if (OnPump) OnPump();
  PumpMessagesThrottled();
}

bool RegistryScanEngine::BeginCheck() {
  CurrentKeyText.clear();
  CurrentValueText.clear();
  CategoryDone = CategoryTotal = 0;
  return AbortFlag != 1;
}

bool RegistryScanEngine::ClsidGuard() const {
  return !Locations.Clsid.empty() && RegHasKey(Locations.Clsid[0].root, Locations.Clsid[0].path);
}

VNode* RegistryScanEngine::Found(std::string text, std::string target, HKEY root, std::string key,
                                 std::string valueName, std::string version, std::string extensionKey) {
  RegScanNode n;
  n.Text = std::move(text);
  n.Target = std::move(target);
  n.Root = root;
  n.Key = std::move(key);
  n.ValueName = std::move(valueName);
  n.Version = std::move(version);
  n.ExtensionKey = std::move(extensionKey);
  return AddEntry(std::move(n));
}

VNode* RegistryScanEngine::AddEntry(RegScanNode&& node) {
  if (!ResultTree) return nullptr;
  node.Kind = CurrentKind;
  node.CategoryName = CurrentCategoryName;
  node.ImageIndex = CurrentImageIndex;
  node.IsCategory = 0;
  ++FoundCount;
  const bool mru = IsMruKind(CurrentKind);
  VNode* n = ResultTree->AddChild(CurrentCategory, std::move(node));
  if (mru) {
    ResultTree->SetNodeHeight(n, kMruEntryHeight);
  } else {
    ResultTree->SetNodeHeight(n, kEntryHeight);
    ResultTree->SetCheckType(n, CheckType::CheckBox);
    ResultTree->SetCheckState(n, CheckState::Checked);
  }
  return n;
}

bool RegistryScanEngine::NormalizeReferencedPath(std::string& path, bool installerRuleOnly) {
  if (IsInstallerReference(path)) {
    path.clear();
    return true;
  }
  if (installerRuleOnly) return true;
  if (path.find('~') != std::string::npos && path.find(':') != std::string::npos) {
    std::optional<std::string> longForm = Probe.LongForm(path);
    if (!longForm) return false;
    path = *longForm;
  }
  if (UpperLocale(path).find("\\INCREDIMAIL\\") != std::string::npos) path.clear();
  return true;
}

PathState RegistryScanEngine::TestPath(std::string& path, const std::string& hint, bool installerRuleOnly) {
  if (!IsTestablePath(path, CheckedDrives)) return PathState::Unknown;
  if (!NormalizeReferencedPath(path, installerRuleOnly)) return PathState::Unknown;
  if (!IsTestablePath(path, CheckedDrives)) return PathState::Unknown;
  return Probe.Test(path, hint);
}

RegistryScanEngine::Verdict RegistryScanEngine::TestReading(const Reading& r, const std::string& hint,
                                                            Wanted wanted, bool resourceSuffixRule) {
  bool tested = false, unknown = false;
  std::string primary, first;
  for (std::string p : r.Paths) {
    const bool isPrimary = p == r.Primary;
    if (resourceSuffixRule && ResourceSuffix(p)) continue;  // "...\X.DLL\2": a resource, not examined
    if (!IsTestablePath(p, CheckedDrives)) continue;
    if (!NormalizeReferencedPath(p)) {
      unknown = true;
      continue;
    }
    if (!IsTestablePath(p, CheckedDrives)) continue;
    PathState s = Probe.Test(p, hint, wanted);
    if (s == PathState::Present) return {PathState::Present, p};
    if (s == PathState::Unknown) unknown = true;
    tested = true;
    if (first.empty()) first = p;
    if (isPrimary) primary = p;
  }
  if (!tested || unknown) return {PathState::Unknown, {}};
  return {PathState::Missing, primary.empty() ? first : primary};
}

RegistryScanEngine::Verdict RegistryScanEngine::TestReference(const std::string& registryText, bool resourceSuffixRule) {
  auto [paths, primary] = ReadReference(ExpandUpper(registryText));
  return TestReading({std::move(paths), std::move(primary)}, CaseHint(registryText), Wanted::Any, resourceSuffixRule);
}

// ---- kind 1: file types ----------------------------------------------------------

void RegistryScanEngine::CheckFileTypes() {
  if (!BeginCheck()) return;
  std::vector<Listing> roots = ListLocations(Locations.Classes, false, true);
  CategoryTotal = TotalOf(roots);

  struct Candidate {
    const Listing* root;
    std::string ext, cls, command;
    Reading reading;
    std::string hint;
    Verdict verdict;
  };
  std::vector<Candidate> candidates;
  static const char* const kSkipped[] = {".SYS", ".DLL", ".EXE", ".COM", ".BAT", ".PIF", ".LNK",
                                         ".SCR", ".FON", ".INF", ".CUR", ".ANI", ".CPL", ".HLP"};

  // Pass 1: the extensions and their classes (a Cancel here leaves the
  // later passes to run over what was gathered).
  EachItem(*this, roots, [&](const Listing& root, const std::string& e) {
    if (e.empty() || e[0] != '.') return;
    HKEY h = root.key.get();
    std::string cls = RegGetString(h, e, "");
    if (!cls.empty())
      FileTypeClassUsers[ClassUsersKey(root.loc->root, JoinKey(root.loc->path, cls))].push_back(
          JoinKey(root.loc->path, e));
    // With an empty class this asks for the root's own "shell" key.
    if (cls.empty() && RegHasKey(h, cls + "\\shell")) return;
    if (UpperAscii(cls.substr(0, 5)) == "CLSID") return;
    const std::string head = UpperAscii(e.substr(0, 4));
    if (std::any_of(std::begin(kSkipped), std::end(kSkipped), [&](const char* s) { return head == s; })) return;
    candidates.push_back({&root, e, cls, {}, {}, {}, {}});
  });

  // Pass 2: the command of the class's default verb (or of the extension's
  // own, without a class).
  for (Candidate& c : candidates) {
    Pump();
    HKEY h = c.root->key.get();
    std::string verb = RegGetString(h, c.cls + "\\shell", "");
    if (verb.empty()) verb = "open";
    c.command = RegGetString(h, (c.cls.empty() ? c.ext : c.cls) + "\\shell\\" + verb + "\\command", "");
  }
  std::erase_if(candidates, [](const Candidate& c) { return c.command.empty(); });

  // Passes 3-5: commands that start a program; the readings of each.
  std::vector<Candidate> programs;
  for (Candidate& c : candidates) {
    const std::string upper = UpperLocale(c.command);
    if (Unquoted(upper).find(".EXE") == std::string::npos) continue;
    Pump();
    std::string cut = Unquoted(upper);
    cut.resize(cut.find(".EXE") + 4);
    auto [paths, primary] = ReadReference(upper, {cut});
    c.reading = {std::move(paths), std::move(primary)};
    c.hint = Unquoted(c.command);
    programs.push_back(std::move(c));
  }

  // Pass 6: the file tests.
  for (Candidate& c : programs) c.verdict = TestReading(c.reading, c.hint);

  // Pass 7: the entries.
  for (Candidate& c : programs) {
    if (c.verdict.State != PathState::Missing) continue;
    Pump();
    const std::string& base = c.root->loc->path;
    Found(c.cls, c.verdict.Target, c.root->loc->root, c.cls.empty() ? std::string() : JoinKey(base, c.cls), {}, c.ext,
          JoinKey(base, c.ext));
  }
}

// ---- kind 2: COM servers ------------------------------------------------------------

void RegistryScanEngine::CheckComServers() {
  if (!BeginCheck() || !ClsidGuard()) return;
  std::vector<Listing> lists = ListLocations(Locations.Clsid, false, true);
  CategoryTotal = TotalOf(lists);
  int32_t index = 0;
  for (const Listing& l : lists) {
    for (const std::string& c : l.names) {
      if (AbortFlag == 1) return;
      Pump();
      if (AbortFlag == 1) return;
      ++ExaminedCount;
      CategoryDone = index++;
      CurrentKeyText = c;
      RegKey key;
      if (!key.Open(l.key.get(), c)) continue;
      std::string name = RegReadString(key.get(), "");
      if (name.empty()) continue;
      std::string file = RegGetString(key.get(), "InProcServer32", "");
      if (file.empty()) continue;
      Verdict v = TestReference(file);
      if (v.State != PathState::Missing) continue;
      // A class whose local server still works (or cannot be tested) stays.
      bool serverAlive = false;
      for (const char* local : {"LocalServer32", "LocalServer"}) {
        std::string text = RegGetString(key.get(), local, "");
        if (!text.empty() && TestReference(text).State != PathState::Missing) {
          serverAlive = true;
          break;
        }
      }
      if (serverAlive) continue;
      Found(name, v.Target, l.loc->root, JoinKey(l.loc->path, c));
    }
  }
}

// ---- kind 3: type libraries ---------------------------------------------------------

void RegistryScanEngine::CheckTypeLibs() {
  if (!BeginCheck() || !ClsidGuard()) return;
  std::vector<Listing> lists = ListLocations(Locations.TypeLib, false, true);
  CategoryTotal = TotalOf(lists);
  for (const Listing& l : lists) {
    for (const std::string& lib : l.names) {
      if (AbortFlag == 1) return;
      ++ExaminedCount;
      ++CategoryDone;
      CurrentKeyText = lib;
      RegKey libKey;
      if (!libKey.Open(l.key.get(), lib)) continue;
      for (const std::string& ver : RegEnumSubKeys(libKey.get())) {
        Pump();
        if (AbortFlag == 1) return;
        RegKey verKey;
        if (!verKey.Open(libKey.get(), ver)) continue;
        // Every locale and platform below the version: one file that is
        // there (or cannot be tested) keeps the whole version.
        bool keep = false;
        std::vector<std::pair<std::string, Verdict>> win32;  // locale -> its win32 verdict
        for (const std::string& locale : RegEnumSubKeys(verKey.get())) {
          for (const char* platform : {"win16", "win32", "win64"}) {
            RegKey p;
            if (!p.Open(verKey.get(), locale + "\\" + platform)) continue;
            std::string text = RegReadString(p.get(), "");
            Verdict v;
            if (!text.empty()) {
              v = TestReference(text, true);
              if (v.State != PathState::Missing) keep = true;
            }
            if (std::string_view(platform) == "win32") win32.emplace_back(locale, v);
          }
          if (keep) break;
        }
        if (keep) continue;
        const std::string title = RegReadString(verKey.get(), "");
        for (char d = '0'; d <= '9'; ++d) {
          for (const auto& [locale, v] : win32) {
            if (locale != std::string(1, d) || v.State != PathState::Missing) continue;
            Found(title, v.Target, l.loc->root, JoinKey(l.loc->path, lib), {}, ver);
          }
        }
      }
    }
  }
}

// ---- kinds 4-7: values naming files ------------------------------------------------

void RegistryScanEngine::CheckSharedDlls() {
  if (!BeginCheck()) return;
  std::vector<Listing> lists = ListLocations(Locations.SharedDlls, true, true);
  CategoryTotal = TotalOf(lists);
  EachItem(*this, lists, [this](const Listing& l, const std::string& name) {
    // The name itself is the path, as it stands.
    if (ExtractFileExt(name).empty()) return;
    std::string path = name;
    if (TestPath(path, name) != PathState::Missing) return;
    Found(ExtractFileName(name), path, l.loc->root, l.loc->path, name);
  });
}

void RegistryScanEngine::CheckFonts() {
  if (!BeginCheck()) return;
  std::vector<Listing> lists = ListLocations(Locations.Fonts, true, true);
  CategoryTotal = TotalOf(lists);
  EachItem(*this, lists, [this](const Listing& l, const std::string& name) {
    const std::string data = RegReadString(l.key.get(), name);
    if (data.empty()) return;
    std::string file = ExpandAndUnquote(data);
    std::string hint = CaseHint(data);
    if (file.find('\\') == std::string::npos) {
      // A bare name lies in the Fonts folder.
      if (Locations.FontsFolder.empty()) return;
      file = Locations.FontsFolder + "\\" + file;
      hint = Locations.FontsFolder + "\\" + hint;
    } else if (file.find(":\\") == std::string::npos) {
      return;  // "\??\unix\...", relative or network: not examined
    }
    if (TestPath(file, hint) != PathState::Missing) return;
    Found(name, file, l.loc->root, l.loc->path, name);
  });
}

void RegistryScanEngine::CheckSystemSounds() {
  if (!BeginCheck()) return;
  std::vector<Listing> lists = ListLocations(Locations.AppEvents, false, true);
  CategoryTotal = TotalOf(lists);
  // The applications are the items; their events are walked within.
  EachItem(*this, lists, [this](const Listing& l, const std::string& app) {
    RegKey appKey;
    if (!appKey.Open(l.key.get(), app)) return;
    StringList events = RegEnumSubKeys(appKey.get());
    SortNames(events);
    for (const std::string& ev : events) {
      Pump();
      if (AbortFlag == 1) return;
      CurrentValueText = ev;
      const std::string data = RegGetString(appKey.get(), ev + "\\.current", "");
      std::string file = ExpandAndUnquote(data);
      if (TestPath(file, CaseHint(data)) != PathState::Missing) continue;
      Found(ev, file, l.loc->root, JoinKey(l.loc->path, app + "\\" + ev + "\\.current"));
    }
  });
}

void RegistryScanEngine::CheckHelpFiles() {
  if (!BeginCheck()) return;
  std::vector<Listing> lists = ListLocations(Locations.Help, true, true);
  CategoryTotal = TotalOf(lists);
  EachItem(*this, lists, [this](const Listing& l, const std::string& name) {
    const std::string data = RegReadString(l.key.get(), name);
    const std::string folder = StripTrailingBackslash(ExpandAndUnquote(data));
    if (folder.empty()) return;
    std::string file = folder + "\\" + name;
    if (TestPath(file, StripTrailingBackslash(CaseHint(data)) + "\\" + name) != PathState::Missing) return;
    Found(name, file, l.loc->root, l.loc->path, name);
  });
}

// ---- kind 8: App Paths ------------------------------------------------------------------

void RegistryScanEngine::CheckAppPaths() {
  if (!BeginCheck()) return;
  std::vector<Listing> lists = ListLocations(Locations.AppPaths, false, true);
  CategoryTotal = TotalOf(lists);
  EachItem(*this, lists, [this](const Listing& l, const std::string& s) {
    RegKey key;
    if (!key.Open(l.key.get(), s)) return;
    const bool isProgram = UpperLocale(ExtractFileExt(s)) == ".EXE";
    const std::string defaultText = RegReadString(key.get(), "");
    const std::string pathText = RegReadString(key.get(), "Path");
    const std::string upperDefault = ExpandUpper(defaultText);
    const std::string plainDefault = Unquoted(upperDefault);
    std::string path = StripTrailingBackslash(ExpandAndUnquote(pathText));
    std::string hint = CaseHint(defaultText);

    Reading program;
    if (isProgram) {
      // The program file: each reading of the default, with the key's name
      // added when it names no .EXE (a folder, or a script that stands in
      // for the program); the default as it stands is a reading too, when
      // it is a file.
      if (plainDefault.empty()) {
        if (!path.empty()) program.Paths.push_back(path + "\\" + UpperLocale(s));
        hint = CaseHint(pathText) + "\\" + s;
      } else {
        auto [paths, primary] = ReadReference(upperDefault);
        auto asProgram = [&s](const std::string& p) {
          return UpperLocale(ExtractFileExt(p)) == ".EXE" ? p : p + "\\" + UpperLocale(s);
        };
        for (const std::string& p : paths) AddUniqueI(program.Paths, asProgram(p));
        program.Primary = primary.empty() ? std::string() : asProgram(primary);
      }
      if (program.Primary.empty() && !program.Paths.empty()) program.Primary = program.Paths[0];
      if (path.empty()) path = StripTrailingBackslash(ExtractFileDir(program.Primary));
    } else if (path.empty() && !plainDefault.empty()) {
      return;  // a library's default without a folder: nothing to test
    }
    // A list of folders is never tested.
    if (!NormalizeReferencedPath(path) || !PassesDriveRule(path, CheckedDrives) ||
        path.find(';') != std::string::npos)
      return;

    PathState state;
    if (isProgram) {
      state = TestReading(program, hint).State;
      if (state == PathState::Missing && !plainDefault.empty() && !ContainsI(program.Paths, plainDefault)) {
        // The default itself, when it is a file, runs in place of the program.
        state = TestReading({{plainDefault}, plainDefault}, hint, Wanted::File).State;
      }
    } else {
      std::string folder = path;
      state = TestPath(folder, CaseHint(pathText));
    }
    if (state != PathState::Missing) return;
    Found(s, path, l.loc->root, JoinKey(l.loc->path, s));
  });
}

// ---- kind 9: icons ---------------------------------------------------------------------

void RegistryScanEngine::CheckIcons() {
  if (!BeginCheck() || !ClsidGuard()) return;
  std::vector<Listing> lists = ListLocations(Locations.Classes, false, true);
  std::vector<Listing> clsid = ListLocations(Locations.Clsid, false, true);
  for (Listing& l : clsid) lists.push_back(std::move(l));
  for (Listing& l : lists) std::erase(l.names, std::string());
  CategoryTotal = TotalOf(lists);

  struct IconValue {
    const char* sub;
    bool installerRuleOnly;
  };
  static const IconValue kValues[] = {{"DefaultIcon", false}, {"ToolboxBitmap32", true}};
  EachItem(*this, lists, [this](const Listing& l, const std::string& k) {
    for (const IconValue& iv : kValues) {
      RegKey key;
      if (!key.Open(l.key.get(), k + "\\" + iv.sub)) continue;
      const std::string data = RegReadString(key.get(), "");
      if (data.empty()) continue;
      std::string file = ExpandAndUnquote(data);
      IconSourceFile(file);
      if (file.empty()) continue;
      if (TestPath(file, CaseHint(data), iv.installerRuleOnly) != PathState::Missing) continue;
      Found(iv.sub, file, l.loc->root, JoinKey(l.loc->path, k + "\\" + iv.sub));
    }
  });
}

// ---- kinds 10-16: recently-used lists -----------------------------------------------------

void RegistryScanEngine::ScanMruList(const std::vector<RegLocation>& views) {
  if (!BeginCheck()) return;
  // Every value in the registry's order; the value names are the items.
  std::vector<Listing> lists = ListLocations(views, true, false);
  CategoryTotal = TotalOf(lists);
  for (const Listing& l : lists) {
    for (const std::string& name : l.names) {
      Pump();
      if (AbortFlag == 1) return;
      ++ExaminedCount;
      ++CategoryDone;
      CurrentValueText = name;
      if (name.empty()) continue;
      Found(RegReadString(l.key.get(), name), {}, l.loc->root, l.loc->path, name);
    }
  }
}

}  // namespace qz::rc
