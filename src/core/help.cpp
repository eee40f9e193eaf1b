#include "core/help.h"

#include <shellapi.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/language.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz {

namespace {

using HtmlHelpWProc = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

struct HelpLibrary {
  bool tried = false;
  HMODULE module = nullptr;
  HtmlHelpWProc proc = nullptr;
  HtmlHelpFunction testHtmlHelp;
  WinHelpFunction testWinHelp;
};

HelpLibrary& Lib() {
  static HelpLibrary lib;
  return lib;
}

UrlLauncher& Launcher() {
  static UrlLauncher launcher;
  return launcher;
}

}  // namespace

bool LoadHtmlHelp() {
  HelpLibrary& lib = Lib();
  if (lib.testHtmlHelp) return true;
  if (!lib.tried) {
    lib.tried = true;
    lib.module = LoadLibraryW(L"HHCTRL.OCX");
    if (lib.module) {
      lib.proc = reinterpret_cast<HtmlHelpWProc>(reinterpret_cast<void*>(GetProcAddress(lib.module, "HtmlHelpW")));
      if (!lib.proc) {
        FreeLibrary(lib.module);
        lib.module = nullptr;
      }
    }
  }
  return lib.proc != nullptr;
}

bool HtmlHelpLoaded() { return Lib().testHtmlHelp || Lib().proc != nullptr; }

HWND CallHtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) {
  HelpLibrary& lib = Lib();
  if (lib.testHtmlHelp) return lib.testHtmlHelp(owner, file, command, data);
  if (!LoadHtmlHelp()) return nullptr;
  return lib.proc(owner, file.empty() ? nullptr : file.c_str(), command, data);
}

bool CallWinHelp(HWND owner, const std::wstring& file, UINT command, ULONG_PTR data) {
  HelpLibrary& lib = Lib();
  if (lib.testWinHelp) return lib.testWinHelp(owner, file, command, data);
  return WinHelpW(owner, file.c_str(), command, data) != FALSE;
}

void FreeHtmlHelp() {
  HelpLibrary& lib = Lib();
  if (lib.proc) {
    // Help windows run inside the library: close them before it goes.
    lib.proc(nullptr, nullptr, kHH_CLOSE_ALL, 0);
    lib.proc = nullptr;
  }
  if (lib.module) {
    FreeLibrary(lib.module);
    lib.module = nullptr;
  }
}

void SetHtmlHelpFunction(HtmlHelpFunction fn) { Lib().testHtmlHelp = std::move(fn); }
void SetWinHelpFunction(WinHelpFunction fn) { Lib().testWinHelp = std::move(fn); }

std::string MakeTopicFileSafe(const std::string& topic) {
  std::wstring in = Widen(topic);
  std::wstring out;
  out.reserve(in.size());
  for (wchar_t c : in) {
    switch (c) {
      case L' ': case L'%': case L'.': out += L'_'; break;
      case L'"': case L',': case L'/': case L':': case L'?': case L'|': case L'\\': case 0x00BF: break;
      case L'&': case L'*': out += L'+'; break;
      case L'<': case L'>': out += L'~'; break;
      case L'[': out += L'('; break;
      case L']': out += L')'; break;
      case 0x00C4: case 0x00E4: out += L'a'; break;  // A/a with diaeresis
      case 0x00D6: case 0x00F6: out += L'o'; break;  // O/o with diaeresis
      case 0x00DC: case 0x00FC: out += L'u'; break;  // U/u with diaeresis
      case 0x00DF: out += L's'; break;               // sharp s
      default: out += c; break;
    }
  }
  return Narrow(out);
}

std::string HelpFileForLanguage() {
  const std::string dir = TranslationDir() + "\\";
  std::string f = dir + IntToStr(LanguageID) + ".chm";
  return FileExists(f) ? f : dir + "1033.chm";
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  size_t nameStart = path.find_last_of("\\:");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return path + ext;
  return path.substr(0, dot) + ext;
}

// ---- configured links ---------------------------------------------------

bool IsOpenableAddress(const std::string& address) {
  for (const char* scheme : {"http://", "https://", "mailto:"}) {
    size_t n = std::char_traits<char>::length(scheme);
    if (IStartsWith(address, scheme) && address.size() > n) return true;
  }
  return false;
}

std::string ResolveConfiguredURL(const std::string& name) {
  // The language's own value first, then the English one, then the built-in
  // address: an empty or unusable value never replaces a usable fallback,
  // and only web and mail addresses are ever handed to the shell.
  const std::string base = ProductRegKey + "\\URLS\\";
  for (const std::string& lang : {IntToStr(LanguageID), std::string("1033")}) {
    const std::string key = base + lang;
    if (!RegHasValue(HKEY_LOCAL_MACHINE, key, name)) continue;
    std::string v = Trim(RegGetString(HKEY_LOCAL_MACHINE, key, name));
    if (IsOpenableAddress(v)) return v;
  }
  return kDefaultLinkAddress;
}

void OpenConfiguredURL(const std::string& name) { OpenURL(ResolveConfiguredURL(name)); }

void OpenURL(const std::string& address) {
  if (Launcher()) {
    Launcher()(address);
    return;
  }
  ShellExecuteW(nullptr, L"open", Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void SetUrlLauncher(UrlLauncher launcher) { Launcher() = std::move(launcher); }

}  // namespace qz
