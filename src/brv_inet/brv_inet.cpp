// brv_inet.dll: the small stand-in for the news library the program hands its
// news check to. It exports the nine functions the program calls, keeps one
// object per create (never freed: the caller never releases one), starts no
// thread and makes no network access.
//
//  - binet_InfoCheckStartAllAuto, once a registry key was set, writes the
//    values "Product", "Version", "LCID" (DWORD) and "LastStart" (local time,
//    "YYYY-MM-DD hh:mm:ss") under that key.
//  - binet_InfoCheckDoConfig shows a modal box owned by the window it is
//    handed, naming product and language, with OK.
//
// For tests: when the environment variable BRV_INET_LOG names a file, every
// call appends one line with its arguments to it (a window as valid, invalid
// or 0); when BRV_INET_CREATE_FAILS is 1, binet_InfoCheckCreate returns
// nothing. Both are read at each call. Without them nothing of the library
// is visible but the set-up box.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct InfoCheck {
  int id = 0;
  std::string product, version;
  int lcid = 0;
  HWND parent = nullptr;
  HKEY root = nullptr;
  std::string key;
};

int g_created = 0;

std::string Env(const char* name) {
  char buf[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

void Log(const std::string& line) {
  const std::string path = Env("BRV_INET_LOG");
  if (path.empty()) return;
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

std::string Quoted(const char* text) { return text ? "\"" + std::string(text) + "\"" : "(null)"; }

std::string WindowText(HWND window) {
  if (!window) return "0";
  return IsWindow(window) ? "valid" : "invalid";
}

std::string RootText(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(root)));
  return buf;
}

std::string ObjectText(void* handle) {
  return handle ? std::to_string(static_cast<InfoCheck*>(handle)->id) : std::string("0");
}

void SetString(HKEY key, const char* name, const std::string& value) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

std::string LanguageName(int lcid) {
  char name[128] = {};
  if (VerLanguageNameA(static_cast<DWORD>(lcid), name, sizeof name) == 0 || !name[0]) return std::to_string(lcid);
  return std::string(name) + " (" + std::to_string(lcid) + ")";
}

}  // namespace

extern "C" {

void WINAPI binet_Init() { Log("binet_Init"); }

void* WINAPI binet_InfoCheckCreate() {
  if (Env("BRV_INET_CREATE_FAILS") == "1") {
    Log("binet_InfoCheckCreate -> 0");
    return nullptr;
  }
  auto* check = new InfoCheck;
  check->id = ++g_created;
  Log("binet_InfoCheckCreate -> " + std::to_string(check->id));
  return check;
}

void WINAPI binet_InfoCheckSetProduct(void* handle, const char* product) {
  Log("binet_InfoCheckSetProduct " + ObjectText(handle) + " " + Quoted(product));
  if (handle && product) static_cast<InfoCheck*>(handle)->product = product;
}

void WINAPI binet_InfoCheckSetProductVersion(void* handle, const char* version) {
  Log("binet_InfoCheckSetProductVersion " + ObjectText(handle) + " " + Quoted(version));
  if (handle && version) static_cast<InfoCheck*>(handle)->version = version;
}

void WINAPI binet_InfoCheckSetProductLangLCID(void* handle, int lcid) {
  Log("binet_InfoCheckSetProductLangLCID " + ObjectText(handle) + " " + std::to_string(lcid));
  if (handle) static_cast<InfoCheck*>(handle)->lcid = lcid;
}

void WINAPI binet_InfoCheckSetParentWindow(void* handle, HWND window) {
  Log("binet_InfoCheckSetParentWindow " + ObjectText(handle) + " " + WindowText(window));
  if (handle) static_cast<InfoCheck*>(handle)->parent = window;
}

void WINAPI binet_InfoCheckSetRegistryKey(void* handle, HKEY root, const char* key) {
  Log("binet_InfoCheckSetRegistryKey " + ObjectText(handle) + " " + RootText(root) + " " + Quoted(key));
  if (handle && key) {
    static_cast<InfoCheck*>(handle)->root = root;
    static_cast<InfoCheck*>(handle)->key = key;
  }
}

void WINAPI binet_InfoCheckStartAllAuto(void* handle) {
  Log("binet_InfoCheckStartAllAuto " + ObjectText(handle));
  if (!handle) return;
  const InfoCheck& c = *static_cast<InfoCheck*>(handle);
  if (!c.root || c.key.empty()) return;
  HKEY key = nullptr;
  if (RegCreateKeyExA(c.root, c.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  SetString(key, "Product", c.product);
  SetString(key, "Version", c.version);
  const DWORD lcid = static_cast<DWORD>(c.lcid);
  RegSetValueExA(key, "LCID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&lcid), sizeof lcid);
  SYSTEMTIME t;
  GetLocalTime(&t);
  char when[32];
  std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  SetString(key, "LastStart", when);
  RegCloseKey(key);
}

void WINAPI binet_InfoCheckDoConfig(void* handle, HWND owner) {
  Log("binet_InfoCheckDoConfig " + ObjectText(handle) + " " + WindowText(owner));
  if (!handle) return;
  const InfoCheck& c = *static_cast<InfoCheck*>(handle);
  const std::string text = "News channels for product " + c.product + " " + c.version + "\r\nLanguage: " +
                           LanguageName(c.lcid) + "\r\n\r\nThere are no news channels to set up.";
  MessageBoxA(owner, text.c_str(), "News channels", MB_OK | MB_ICONINFORMATION);
}

}  // extern "C"
