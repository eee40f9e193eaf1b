// The Internet Cleaner's stored options (HKLM\...\Options\IC) and the
// settings a scan and a delete run with. No window code: the options window
// fills its controls from LoadInternetCleanerOptions and stores them with
// SaveInternetCleanerOptions; the One-Click-Optimizer, which opens no
// window, runs with StoredSettings.
//
//   "Cache", "Cookies", "History", "TrustCookies"  DWORD 0/1 (missing or any
//                                                  other value: checked)
//   "Browser"   DWORD 0 Internet Explorer, 1 Mozilla, 2 Firefox, 3 Opera, 4 Netscape
//   sub-key "Trusted"  one value per trusted host: the host as the value's
//                      name, empty string data (missing key: the default list)
#pragma once

#include <windows.h>

#include <string>

#include "cleaning/internet/browser_profiles.h"
#include "core/stringlist.h"

namespace qz::ic {

// The hosts trusted at first start: widely used sign-in sites.
StringList DefaultTrustedHosts();

struct InternetCleanerOptions {
  bool Cache = true;
  bool Cookies = true;
  bool History = true;
  bool TrustCookies = true;
  Browser SelectedBrowser = Browser::InternetExplorer;  // as stored (not yet checked for installation)
  StringList TrustedHosts = DefaultTrustedHosts();
};

// The options key: HKLM\ProductRegKey\Options\IC.
std::string InternetCleanerKey();
InternetCleanerOptions LoadInternetCleanerOptions(HKEY root, const std::string& key);
// Writes the four boxes and the browser (each read back), then the trusted
// hosts: the new values first, then the stale ones removed, so a failed
// write never leaves the key empty (which would bring the defaults back).
// True when everything was stored.
bool SaveInternetCleanerOptions(HKEY root, const std::string& key, const InternetCleanerOptions& o);
bool SaveTrustedHosts(HKEY root, const std::string& key, const StringList& hosts);

// What a scan and a delete run with: the window fills it from the options
// window's live controls on every call.
struct InternetCleanerSettings {
  Browser SelectedBrowser = Browser::InternetExplorer;
  std::string ProfileFolder;  // the chosen profile's folder (Mozilla family); "" for none
  bool Cache = true;
  bool Cookies = true;
  bool History = true;
  bool TrustCookies = true;
  StringList TrustedHosts;
  bool HideEmptyCategories = true;
  int CheckedCategories() const { return int(Cache) + int(Cookies) + int(History); }
};

// The browser the options window shows for a stored choice: the stored one
// when it is installed (and, for the Mozilla family, has a profile), else
// Internet Explorer.
Browser UsableBrowser(Browser stored, const BrowserEnvironment& env);
// The stored options as a run's settings: the usable browser and its first
// profile, as the options window would show them when opened.
InternetCleanerSettings StoredSettings(const InternetCleanerOptions& o, const BrowserEnvironment& env,
                                       bool hideEmptyCategories);

}  // namespace qz::ic
