#include "cleaning/internet/ic_settings.h"

#include "core/globals.h"
#include "core/registry.h"

namespace qz::ic {

StringList DefaultTrustedHosts() {
  return {"www.amazon.com", "www.ebay.com", "www.google.com", "www.microsoft.com", "www.paypal.com",
          "www.yahoo.com"};
}

std::string InternetCleanerKey() { return OptionsKey("IC"); }

namespace {

// Only the integers 0 and 1 change a box; anything else keeps its default.
void LoadBox(HKEY root, const std::string& key, const char* name, bool& box) {
  if (RegIntegerEquals(root, key, name, 1))
    box = true;
  else if (RegIntegerEquals(root, key, name, 0))
    box = false;
}

}  // namespace

InternetCleanerOptions LoadInternetCleanerOptions(HKEY root, const std::string& key) {
  InternetCleanerOptions o;
  LoadBox(root, key, "Cache", o.Cache);
  LoadBox(root, key, "Cookies", o.Cookies);
  LoadBox(root, key, "History", o.History);
  LoadBox(root, key, "TrustCookies", o.TrustCookies);
  if (RegHasValue(root, key, "Browser")) {
    const int32_t b = RegGetInteger(root, key, "Browser");
    if (b >= 0 && b <= 4) o.SelectedBrowser = static_cast<Browser>(b);
  }
  const std::string trusted = key + "\\Trusted";
  if (RegHasKey(root, trusted)) {
    o.TrustedHosts.clear();
    for (const std::string& name : RegListValueNames(root, trusted))
      if (!name.empty()) o.TrustedHosts.push_back(name);
  }
  return o;
}

bool SaveTrustedHosts(HKEY root, const std::string& key, const StringList& hosts) {
  const std::string trusted = key + "\\Trusted";
  bool ok = RegEnsureKey(root, trusted);
  for (const std::string& h : hosts)
    if (!h.empty() && !RegSetStringChecked(root, trusted, h, "")) ok = false;
  if (!ok) return false;  // keep what was there rather than lose it
  for (const std::string& name : RegListValueNames(root, trusted))
    if (!ContainsI(hosts, name) && !RegRemoveValue(root, trusted, name)) ok = false;
  return ok;
}

bool SaveInternetCleanerOptions(HKEY root, const std::string& key, const InternetCleanerOptions& o) {
  bool ok = true;
  ok &= RegSetIntegerChecked(root, key, "Cache", o.Cache ? 1 : 0);
  ok &= RegSetIntegerChecked(root, key, "Cookies", o.Cookies ? 1 : 0);
  ok &= RegSetIntegerChecked(root, key, "History", o.History ? 1 : 0);
  ok &= RegSetIntegerChecked(root, key, "TrustCookies", o.TrustCookies ? 1 : 0);
  ok &= RegSetIntegerChecked(root, key, "Browser", static_cast<int32_t>(o.SelectedBrowser));
  ok &= SaveTrustedHosts(root, key, o.TrustedHosts);
  return ok;
}

Browser UsableBrowser(Browser stored, const BrowserEnvironment& env) {
  if (stored == Browser::InternetExplorer || !IsBrowserInstalled(stored, env)) return Browser::InternetExplorer;
  if (stored != Browser::Opera && LoadBrowserProfiles(stored, env).empty()) return Browser::InternetExplorer;
  return stored;
}

InternetCleanerSettings StoredSettings(const InternetCleanerOptions& o, const BrowserEnvironment& env,
                                       bool hideEmptyCategories) {
  InternetCleanerSettings s;
  s.SelectedBrowser = UsableBrowser(o.SelectedBrowser, env);
  if (s.SelectedBrowser != Browser::InternetExplorer && s.SelectedBrowser != Browser::Opera) {
    const auto profiles = LoadBrowserProfiles(s.SelectedBrowser, env);
    if (!profiles.empty()) s.ProfileFolder = profiles.front().Path;
  }
  s.Cache = o.Cache;
  s.Cookies = o.Cookies;
  s.History = o.History;
  s.TrustCookies = o.TrustCookies;
  s.TrustedHosts = o.TrustedHosts;
  s.HideEmptyCategories = hideEmptyCategories;
  return s;
}

}  // namespace qz::ic
