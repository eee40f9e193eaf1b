#include "shell/news_bridge.h"

#include "core/globals.h"
#include "core/msgbox.h"
#include "core/text.h"

namespace qz::shell {

namespace {

template <class Fn>
bool Take(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return fn != nullptr;
}

// Steps 1-3 of both sequences: the handle set up, or nullptr after the box.
void* CreateInfoCheck(const NewsLibrary& lib, HWND window) {
  lib.Init();
  void* handle = lib.Create();
  if (!handle) {
    ShowMessageBox(window, "NewsChannels : pObject is NIL!!!", MsgKind::None);
    return nullptr;
  }
  lib.SetProduct(handle, kNewsProduct);
  lib.SetProductVersion(handle, kNewsVersion);
  lib.SetProductLangLCID(handle, LanguageID);
  lib.SetParentWindow(handle, window);
  lib.SetRegistryKey(handle, HKEY_LOCAL_MACHINE, kInfoChannelsRegKey);
  return handle;
}

}  // namespace

NewsLibrary LoadNewsLibrary(const std::string& path) {
  HMODULE module = LoadLibraryExW(Widen(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return {};
  NewsLibrary lib;
  const bool complete = Take(module, "binet_Init", lib.Init) && Take(module, "binet_InfoCheckCreate", lib.Create) &&
                        Take(module, "binet_InfoCheckSetProduct", lib.SetProduct) &&
                        Take(module, "binet_InfoCheckSetProductVersion", lib.SetProductVersion) &&
                        Take(module, "binet_InfoCheckSetProductLangLCID", lib.SetProductLangLCID) &&
                        Take(module, "binet_InfoCheckSetParentWindow", lib.SetParentWindow) &&
                        Take(module, "binet_InfoCheckSetRegistryKey", lib.SetRegistryKey) &&
                        Take(module, "binet_InfoCheckStartAllAuto", lib.StartAllAuto) &&
                        Take(module, "binet_InfoCheckDoConfig", lib.DoConfig);
  if (complete) return lib;  // the library stays loaded for good
  FreeLibrary(module);
  return {};
}

const NewsLibrary& ProgramNewsLibrary() {
  static const NewsLibrary lib = LoadNewsLibrary(AppDir + "\\" + kNewsLibraryFile);
  return lib;
}

void StartInfoChannels(const NewsLibrary& lib, HWND mainWindow) {
  if (!lib.Loaded()) return;  // no news library: the program starts as before
  if (void* handle = CreateInfoCheck(lib, mainWindow)) lib.StartAllAuto(handle);
}

void StartInfoChannels(HWND mainWindow) { StartInfoChannels(ProgramNewsLibrary(), mainWindow); }

void ConfigureInfoChannels(const NewsLibrary& lib, HWND owner) {
  if (!lib.Loaded()) {
    ShowMessageBox(owner, "News channels are not available.", MsgKind::Information);
    return;
  }
  if (void* handle = CreateInfoCheck(lib, owner)) lib.DoConfig(handle, owner);
}

}  // namespace qz::shell
