// Shared parts of the Internet Cleaner's engine tests: an engine over a fake
// URL cache (or the real one), a tree, and a browser environment whose
// registry keys lie below a scratch key.
#pragma once

#include <string>
#include <vector>

#include "cleaning/internet/ic_engine.h"
#include "fake_url_cache.h"
#include "support/sandbox.h"
#include "ui/vtree_model.h"

namespace qz::ic::test {

inline BrowserEnvironment ScratchEnvironment(const qz::test::ScratchKey& key, const std::string& appData = {}) {
  BrowserEnvironment env = BrowserEnvironment::FromSystem();
  env.RegistryRoot = key.root();
  env.RegistryPrefix = key.key() + "\\";
  if (!appData.empty()) env.AppDataFolder = appData;
  return env;
}

inline InternetCleanerSettings IESettings(bool cache = true, bool cookies = true, bool history = true) {
  InternetCleanerSettings s;
  s.Cache = cache;
  s.Cookies = cookies;
  s.History = history;
  s.TrustedHosts = {"www.trusted.test"};
  return s;
}

// Entry nodes in tree order: their Text (URL or path).
inline std::vector<std::string> EntryTexts(ui::VTreeModel& tree, int kind = 0) {
  std::vector<std::string> out;
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const InternetItemNode& d = tree.Data<InternetItemNode>(n);
    if (d.IsCategory || (kind && d.Kind != kind)) continue;
    out.push_back(d.Text);
  }
  return out;
}

inline ui::VNode* FindEntry(ui::VTreeModel& tree, const std::string& text) {
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
    if (!tree.Data<InternetItemNode>(n).IsCategory && tree.Data<InternetItemNode>(n).Text == text) return n;
  return nullptr;
}

inline std::vector<std::string> CategoryTexts(ui::VTreeModel& tree) {
  std::vector<std::string> out;
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n)) out.push_back(tree.Data<InternetItemNode>(n).Text);
  return out;
}

}  // namespace qz::ic::test
