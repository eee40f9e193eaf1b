#include "cleaning/internet/browser_profiles.h"

#include <shlobj.h>

#include <algorithm>

#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/stringlist.h"
#include "core/text.h"

namespace qz::ic {

namespace {

constexpr size_t kMaxRegistryDat = 16u << 20;
constexpr size_t kMaxProfilesIni = 1u << 20;

std::string FolderPathOf(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return Narrow(buf);
}

// Blanks and control characters, then one pair of surrounding double quotes.
std::string Unquote(std::string_view s) {
  std::string t = Trim(s);
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
  return t;
}

}  // namespace

BrowserEnvironment BrowserEnvironment::FromSystem() {
  BrowserEnvironment env;
  env.AppDataFolder = FolderPathOf(CSIDL_APPDATA);
  if (!env.AppDataFolder.empty()) env.AppDataFolder = IncludeTrailingBackslash(env.AppDataFolder);
  auto dir = [](const std::string& global, int csidl) { return global.empty() ? FolderPathOf(csidl) : global; };
  env.ProtectedFolders = {dir(qz::WinDir, CSIDL_WINDOWS), dir(qz::SysDir, CSIDL_SYSTEM),
                          FolderPathOf(CSIDL_PROGRAM_FILES), FolderPathOf(CSIDL_PROGRAM_FILESX86),
                          FolderPathOf(CSIDL_PROFILE)};
  return env;
}

// ---- products -----------------------------------------------------------------

StringList ListMozillaProducts(const BrowserEnvironment& env) {
  StringList out;
  const std::string base = env.Key("Software\\Mozilla");
  for (const std::string& name : RegListSubKeys(env.RegistryRoot, base)) {
    const std::string bin = base + "\\" + name + "\\bin";
    if (!RegHasKey(env.RegistryRoot, bin)) continue;
    const std::string exe = RegGetString(env.RegistryRoot, bin, "PathToExe");
    if (!exe.empty() && FileExists(exe)) out.push_back(name);
  }
  return out;
}

MozillaBrowsers ClassifyMozillaProducts(const StringList& products) {
  MozillaBrowsers b;
  for (const std::string& name : products) {
    const std::string upper = UpperAscii(name);
    if (upper.find("FIREFOX") != std::string::npos)
      b.Firefox = name;
    else if (upper.find("NETSCAPE") != std::string::npos)
      b.Netscape = name;
    else
      b.Mozilla = name;
  }
  return b;
}

MozillaBrowsers FindMozillaBrowsers(const BrowserEnvironment& env) {
  return ClassifyMozillaProducts(ListMozillaProducts(env));
}

bool IsBrowserInstalled(Browser browser, const BrowserEnvironment& env) {
  switch (browser) {
    case Browser::InternetExplorer:
      return true;
    case Browser::Opera:
      for (const std::string& v : RegListValueNames(env.RegistryRoot, env.Key("Software\\Opera Software")))
        if (IStartsWith(v, "Last CommandLine v2")) return true;
      return false;
    case Browser::Mozilla:
      return !FindMozillaBrowsers(env).Mozilla.empty();
    case Browser::Firefox:
      return !FindMozillaBrowsers(env).Firefox.empty();
    case Browser::Netscape:
      return !FindMozillaBrowsers(env).Netscape.empty();
  }
  return false;
}

// ---- registry.dat -----------------------------------------------------------------

std::vector<BrowserProfile> ParseRegistryDat(std::string_view bytes) {
  static constexpr std::string_view kKey = "directory";
  std::vector<BrowserProfile> out;
  size_t pos = 0;
  for (;;) {
    const size_t k = bytes.find(kKey, pos);
    if (k == std::string_view::npos) break;
    const size_t start = std::min(bytes.size(), k + kKey.size() + 1);  // the byte after the key is skipped
    const size_t nul = bytes.find('\0', start);
    BrowserProfile p;
    if (nul != std::string_view::npos) p.Path = DecodeUtf8OrAnsi(bytes.substr(start, nul - start));
    // The name: the last part of the folder's parent.
    const size_t cut = p.Path.find_last_of("\\:");
    const std::string parent = cut == std::string::npos ? std::string() : ExcludeTrailingBackslash(p.Path.substr(0, cut + 1));
    const size_t cut2 = parent.find_last_of("\\:");
    p.Name = cut2 == std::string::npos ? parent : parent.substr(cut2 + 1);
    out.push_back(std::move(p));
    pos = start;
  }
  return out;
}

std::vector<BrowserProfile> ReadMozillaRegistryDat(const BrowserEnvironment& env) {
  std::string bytes;
  if (!ReadFileBytes(env.MozillaFolder() + "registry.dat", bytes, kMaxRegistryDat)) return {};
  return ParseRegistryDat(bytes);
}

// ---- profiles.ini -----------------------------------------------------------------

std::vector<BrowserProfile> ParseProfilesIni(std::string_view bytes, const std::string& firefoxFolder) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const std::string text = DecodeUtf8OrAnsi(bytes);

  struct Section {
    std::vector<std::pair<std::string, std::string>> values;  // first of a key only
    const std::string* Find(std::string_view key) const {
      for (const auto& [k, v] : values)
        if (IEquals(k, key)) return &v;
      return nullptr;
    }
  };
  std::vector<Section> sections;
  bool inSection = false;
  for (const std::string& raw : SplitLines(text)) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.find(']') == std::string::npos) continue;
      sections.emplace_back();
      inSection = true;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos || !inSection) continue;
    std::string key = Unquote(line.substr(0, eq));
    if (key.empty() || sections.back().Find(key)) continue;
    sections.back().values.emplace_back(std::move(key), Unquote(line.substr(eq + 1)));
  }

  std::vector<BrowserProfile> out;
  for (const Section& s : sections) {
    const std::string* path = s.Find("Path");
    if (!path) continue;
    BrowserProfile p;
    p.Path = *path;
    if (const std::string* name = s.Find("Name")) p.Name = *name;
    if (const std::string* rel = s.Find("IsRelative"); rel && TryParseInt(*rel) == 1) p.Path = firefoxFolder + p.Path;
    std::replace(p.Path.begin(), p.Path.end(), '/', '\\');
    out.push_back(std::move(p));
  }
  return out;
}

std::vector<BrowserProfile> ReadFirefoxProfilesIni(const BrowserEnvironment& env) {
  const std::string folder = env.FirefoxFolder();
  if (!DirectoryExists(folder)) return {};
  std::string bytes;
  if (!ReadFileBytes(folder + "profiles.ini", bytes, kMaxProfilesIni)) return {};
  return ParseProfilesIni(bytes, folder);
}

std::vector<BrowserProfile> LoadBrowserProfiles(Browser browser, const BrowserEnvironment& env) {
  switch (browser) {
    case Browser::Mozilla:
    case Browser::Netscape:
      return ReadMozillaRegistryDat(env);
    case Browser::Firefox:
      return ReadFirefoxProfilesIni(env);
    default:
      return {};
  }
}

std::string OperaProfileFolder(const BrowserEnvironment& env) {
  for (const char* sub : {"Opera\\Opera75\\profile", "Opera\\Opera7\\profile"}) {
    const std::string f = env.AppDataFolder + sub;
    if (DirectoryExists(f)) return f;
  }
  return env.AppDataFolder + "Opera\\Opera\\profile";
}

// ---- refused profile folders ------------------------------------------------------

bool IsAcceptableProfileFolder(const std::string& folder, const BrowserEnvironment& env) {
  const std::string f = ExcludeTrailingBackslash(Trim(folder));
  // Absolute: "X:\..." or "\\server\share\...".
  const bool drivePath = f.size() >= 3 && IsCharAlphaA(f[0]) && f[1] == ':' && f[2] == '\\';
  const bool sharePath = f.size() > 2 && f[0] == '\\' && f[1] == '\\' && f.find('\\', 2) != std::string::npos;
  if (!drivePath && !sharePath) return false;
  size_t start = 0;
  while (start <= f.size()) {
    size_t end = f.find_first_of("\\/", start);
    if (end == std::string::npos) end = f.size();
    if (f.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  if (drivePath && f.size() <= 3) return false;  // a drive root
  if (sharePath && f.find('\\', f.find('\\', 2) + 1) == std::string::npos) return false;  // a share's root
  const std::string upper = UpperLocale(f) + "\\";
  if (!env.AppDataFolder.empty() && upper == UpperLocale(IncludeTrailingBackslash(env.AppDataFolder))) return false;
  for (const std::string& p : env.ProtectedFolders) {
    if (p.empty()) continue;
    if (StartsWith(UpperLocale(IncludeTrailingBackslash(p)), upper)) return false;  // equal to it or above it
  }
  return true;
}

}  // namespace qz::ic
