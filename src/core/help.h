// Help files and configured links.
//
// The help of each language is a compiled HTML Help file,
// AppDir\Translation\<LanguageID>.chm (fallback 1033.chm), with one page per
// topic id named by the id + ".htm": "MAIN", "OPTIONS", "DC", "RC", "IC",
// "DLL", "OCO", "ST", "IT", "NQ", "WIN", "FW", "FSJ", "FA", "FED".
// The HTML Help library (HHCTRL.OCX) is loaded on first use and freed at
// program end, after its windows were closed. The help router that windows
// use lives in ui/help_router.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace qz {

// HTML Help commands used here (the values of htmlhelp.h).
inline constexpr UINT kHH_DISPLAY_TOPIC = 0x0000;
inline constexpr UINT kHH_DISPLAY_TOC = 0x0001;
inline constexpr UINT kHH_DISPLAY_INDEX = 0x0002;
inline constexpr UINT kHH_DISPLAY_TEXT_POPUP = 0x000E;
inline constexpr UINT kHH_HELP_CONTEXT = 0x000F;
inline constexpr UINT kHH_CLOSE_ALL = 0x0012;

// The HTML Help entry (HtmlHelpW's shape: owner, file or file::/topic,
// command, data); returns the help window or nullptr.
using HtmlHelpFunction = std::function<HWND(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data)>;
// WinHelp's shape; returns success.
using WinHelpFunction = std::function<bool(HWND owner, const std::wstring& file, UINT command, ULONG_PTR data)>;

// Loads HHCTRL.OCX and resolves HtmlHelpW on the first call (once; a failed
// load is not retried). True when HTML Help can be called. With a test
// function installed, true without loading anything.
bool LoadHtmlHelp();
// True when the library was loaded (or a test function is installed).
bool HtmlHelpLoaded();
// Calls HTML Help (the test function when one is installed); nullptr when
// the library is not available.
HWND CallHtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data);
bool CallWinHelp(HWND owner, const std::wstring& file, UINT command, ULONG_PTR data);
// At program end: closes every help window (HH_CLOSE_ALL), then frees the library.
void FreeHtmlHelp();
// Replace the platform calls (tests); nullptr restores them.
void SetHtmlHelpFunction(HtmlHelpFunction fn);
void SetWinHelpFunction(WinHelpFunction fn);

// A topic name made usable as a file name, character by character: blank,
// "%" and "." become "_"; '"', ",", "/", ":", "?", "|", "\" and inverted
// question mark are dropped; "&" and "*" become "+"; "<" and ">" become "~";
// "[" and "]" become "(" and ")"; a/o/u with diaeresis (either case) become
// "a", "o", "u" and sharp s becomes "s".
std::string MakeTopicFileSafe(const std::string& topic);

// The help file for LanguageID: AppDir\Translation\<LanguageID>.chm, or
// 1033.chm when that does not exist (the result need not exist either).
std::string HelpFileForLanguage();

// The path with its extension (from the last "." of the file name on)
// replaced by ext, or ext appended when it has none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// ---- configured links ---------------------------------------------------

// The address opened when the settings hold no usable one.
inline constexpr const char* kDefaultLinkAddress = "https://www.brinvale.com/";

// True for an address that may be handed to the shell: it begins with
// "http://", "https://" or "mailto:" (any case) and has more after that.
bool IsOpenableAddress(const std::string& address);

// The address for a link name ("URL_RECOMMEND", "URL_HOMEPAGE",
// "URL_PRODUCTPAGE", "URL_SUPPORT", "URL_OFFERS", "URL_NEWSLETTER"): the value
// under HKLM\ProductRegKey\URLS\<LanguageID>, else under ...\URLS\1033, else
// the built-in default. Empty values and values that are no openable address
// are passed over.
std::string ResolveConfiguredURL(const std::string& name);
// Opens ResolveConfiguredURL(name) with the shell's "open" on the address
// itself. Failures are not reported.
void OpenConfiguredURL(const std::string& name);

// Opens an address with the shell's "open" on the address itself (through
// the launcher). The caller has checked the address.
void OpenURL(const std::string& address);

// The launcher that opens an address (ShellExecute "open", shown normally).
using UrlLauncher = std::function<void(const std::string& address)>;
// Replace the launcher (tests); nullptr restores the shell.
void SetUrlLauncher(UrlLauncher launcher);

}  // namespace qz
