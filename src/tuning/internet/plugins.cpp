#include "tuning/internet/plugins.h"

namespace qz::it {

std::string PlugInClassKey(const PlugInPlaces& places, const RegLocation& list, const std::string& clsid) {
  std::string base = places.classesKey.empty() ? std::string() : places.classesKey + "\\";
  return base + (list.wow32 ? "Wow6432Node\\CLSID\\" : "CLSID\\") + clsid;
}

std::vector<BrowserPlugIn> ListBrowserPlugIns(const PlugInPlaces& places) {
  std::vector<BrowserPlugIn> out;
  for (const RegLocation& list : RegLocationViews(places.listRoot, places.listKey)) {
    for (const std::string& clsid : RegListSubKeys(list.root, list.path)) {
      const std::string classKey = PlugInClassKey(places, list, clsid);
      BrowserPlugIn p;
      p.Name = RegGetString(places.classesRoot, classKey, "");
      p.Dll = RegGetString(places.classesRoot, classKey + "\\InProcServer32", "");
      p.Clsid = clsid;
      p.List = list;
      out.push_back(std::move(p));
    }
  }
  return out;
}

bool IsPlugInKeyName(const std::string& clsid) {
  return !clsid.empty() && clsid.find('\\') == std::string::npos;
}

bool RemoveBrowserPlugIn(const BrowserPlugIn& plugIn, const std::function<bool(HKEY, const std::string&)>& removeKey) {
  if (!IsPlugInKeyName(plugIn.Clsid) || plugIn.List.path.empty()) return false;
  const std::string key = plugIn.List.path + "\\" + plugIn.Clsid;
  if (removeKey)
    removeKey(plugIn.List.root, key);
  else
    RegRemoveKey(plugIn.List.root, key);
  return !RegHasKey(plugIn.List.root, key);
}

}  // namespace qz::it
