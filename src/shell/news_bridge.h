// The bridge to the news library brv_inet.dll beside the program: at every
// start the program hands it a news check (product, version, language, main
// window, settings key) and starts its automatic channels; the Options
// window's "Konfigurieren" opens the library's set-up dialog.
//
// The library is loaded at run time, once, and never freed. When it or one
// of its nine functions is missing, the program runs without news: the
// start does nothing and the set-up shows "News channels are not available.".
// Calls, in order (the set-up makes the same without StartAllAuto, then
// DoConfig owned by the Options window):
//   binet_Init; h := binet_InfoCheckCreate (nothing: the box
//   "NewsChannels : pObject is NIL!!!" and no further call);
//   SetProduct(h, "1106"); SetProductVersion(h, "2.00");
//   SetProductLangLCID(h, LanguageID); SetParentWindow(h, window);
//   SetRegistryKey(h, HKEY_LOCAL_MACHINE, kInfoChannelsRegKey);
//   StartAllAuto(h).
// The handle is never released.
#pragma once

#include <windows.h>

#include <string>

namespace qz::shell {

inline constexpr const char* kNewsProduct = "1106";
inline constexpr const char* kNewsVersion = "2.00";
inline constexpr const char* kInfoChannelsRegKey =
    "SOFTWARE\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2\\infochannels";
inline constexpr const char* kNewsLibraryFile = "brv_inet.dll";

// The nine functions; all set or none.
struct NewsLibrary {
  using InitFn = void(WINAPI*)();
  using CreateFn = void*(WINAPI*)();
  using SetTextFn = void(WINAPI*)(void* handle, const char* text);
  using SetLcidFn = void(WINAPI*)(void* handle, int lcid);
  using SetWindowFn = void(WINAPI*)(void* handle, HWND window);
  using SetKeyFn = void(WINAPI*)(void* handle, HKEY root, const char* key);
  using HandleFn = void(WINAPI*)(void* handle);

  InitFn Init = nullptr;
  CreateFn Create = nullptr;
  SetTextFn SetProduct = nullptr;
  SetTextFn SetProductVersion = nullptr;
  SetLcidFn SetProductLangLCID = nullptr;
  SetWindowFn SetParentWindow = nullptr;
  SetKeyFn SetRegistryKey = nullptr;
  HandleFn StartAllAuto = nullptr;
  SetWindowFn DoConfig = nullptr;

  bool Loaded() const { return Init != nullptr; }
};

// Loads the library file and takes its nine functions; an empty NewsLibrary
// (nothing loaded stays loaded) when the file or one function is missing.
NewsLibrary LoadNewsLibrary(const std::string& path);
// The library beside the program (AppDir), loaded at the first call.
const NewsLibrary& ProgramNewsLibrary();

// The start-up's news check, with the main window as parent.
void StartInfoChannels(const NewsLibrary& library, HWND mainWindow);
void StartInfoChannels(HWND mainWindow);
// The set-up dialog, owned by the given window (the Options window).
void ConfigureInfoChannels(const NewsLibrary& library, HWND owner);

}  // namespace qz::shell
