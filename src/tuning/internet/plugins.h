// The browser's plug-ins (Browser Helper Objects): the sub-keys of
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper
// Objects, of both registry views, each named by a class id. A plug-in's
// name and DLL are the default values of its class key and of the class
// key's "InProcServer32" below the class root of the same view (HKCR
// "CLSID\..." for the native view, HKCR "Wow6432Node\CLSID\..." for the
// 32-bit one).
//
// Removing a plug-in deletes its sub-key, in the view it came from, with no
// undo file; its class registration and its DLL stay.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/registry.h"

namespace qz::it {

inline constexpr const char* kBrowserHelperObjectsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

// Where the plug-ins are listed and where their classes are registered; the
// real places by default, scratch keys in tests.
struct PlugInPlaces {
  HKEY listRoot = HKEY_LOCAL_MACHINE;
  std::string listKey = kBrowserHelperObjectsKey;
  HKEY classesRoot = HKEY_CLASSES_ROOT;
  std::string classesKey;  // "" for the root itself
};

struct BrowserPlugIn {
  std::string Name;   // "" when the class is not registered
  std::string Dll;
  std::string Clsid;  // the sub-key's name
  RegLocation List;   // the list key (view) it was found in
};

// The class key of a class id in the view of `list` ("CLSID\{...}" or
// "Wow6432Node\CLSID\{...}" below the places' class root).
std::string PlugInClassKey(const PlugInPlaces& places, const RegLocation& list, const std::string& clsid);

// Every plug-in of both views, the native view first, each in the order the
// registry gives its sub-keys.
std::vector<BrowserPlugIn> ListBrowserPlugIns(const PlugInPlaces& places = {});

// A class id that names one sub-key: not empty and without "\" (with either
// the path would name the list key itself or a key below another).
bool IsPlugInKeyName(const std::string& clsid);

// Deletes the plug-in's sub-key with `removeKey` (the core's RegRemoveKey by
// default). True only when the name is acceptable and the key is gone
// afterwards.
bool RemoveBrowserPlugIn(const BrowserPlugIn& plugIn,
                         const std::function<bool(HKEY root, const std::string& key)>& removeKey = {});

}  // namespace qz::it
