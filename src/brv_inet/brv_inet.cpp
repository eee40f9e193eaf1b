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

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Plain C runtime only (no C++ library): the program loads this library at
// every start, and a small one loads fast.
namespace {

struct InfoCheck {
  int id;
  char product[64];
  char version[64];
  int lcid;
  HWND parent;
  HKEY root;
  char key[512];
};

int g_created = 0;

// The variable's value, or "" (buffer of size n).
const char* Env(const char* name, char* buf, DWORD n) {
  const DWORD got = GetEnvironmentVariableA(name, buf, n);
  if (got == 0 || got >= n) buf[0] = 0;
  return buf;
}

// Appends one line to the log file, when one is named.
void Log(const char* format, ...) {
  char path[MAX_PATH * 2];
  if (!*Env("BRV_INET_LOG", path, sizeof path)) return;
  char line[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (n < 0) return;
  if (n > static_cast<int>(sizeof line) - 3) n = static_cast<int>(sizeof line) - 3;
  line[n++] = '\r';
  line[n++] = '\n';
  HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, line, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(h);
}

InfoCheck* Check(void* handle) { return static_cast<InfoCheck*>(handle); }
int Id(void* handle) { return handle ? Check(handle)->id : 0; }
const char* Text(const char* text) { return text ? text : "(null)"; }

const char* WindowText(HWND window) {
  if (!window) return "0";
  return IsWindow(window) ? "valid" : "invalid";
}

const char* RootText(HKEY root, char* buf, size_t n) {
  if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  std::snprintf(buf, n, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(root)));
  return buf;
}

void Copy(char* to, size_t n, const char* from) {
  std::strncpy(to, from, n - 1);
  to[n - 1] = 0;
}

void SetString(HKEY key, const char* name, const char* value) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(std::strlen(value) + 1));
}

}  // namespace

extern "C" {

void WINAPI binet_Init() { Log("binet_Init"); }

void* WINAPI binet_InfoCheckCreate() {
  char fails[8];
  if (std::strcmp(Env("BRV_INET_CREATE_FAILS", fails, sizeof fails), "1") == 0) {
    Log("binet_InfoCheckCreate -> 0");
    return nullptr;
  }
  auto* check = static_cast<InfoCheck*>(std::calloc(1, sizeof(InfoCheck)));
  if (!check) return nullptr;
  check->id = ++g_created;
  Log("binet_InfoCheckCreate -> %d", check->id);
  return check;
}

void WINAPI binet_InfoCheckSetProduct(void* handle, const char* product) {
  Log("binet_InfoCheckSetProduct %d \"%s\"", Id(handle), Text(product));
  if (handle && product) Copy(Check(handle)->product, sizeof Check(handle)->product, product);
}

void WINAPI binet_InfoCheckSetProductVersion(void* handle, const char* version) {
  Log("binet_InfoCheckSetProductVersion %d \"%s\"", Id(handle), Text(version));
  if (handle && version) Copy(Check(handle)->version, sizeof Check(handle)->version, version);
}

void WINAPI binet_InfoCheckSetProductLangLCID(void* handle, int lcid) {
  Log("binet_InfoCheckSetProductLangLCID %d %d", Id(handle), lcid);
  if (handle) Check(handle)->lcid = lcid;
}

void WINAPI binet_InfoCheckSetParentWindow(void* handle, HWND window) {
  Log("binet_InfoCheckSetParentWindow %d %s", Id(handle), WindowText(window));
  if (handle) Check(handle)->parent = window;
}

void WINAPI binet_InfoCheckSetRegistryKey(void* handle, HKEY root, const char* key) {
  char buf[32];
  Log("binet_InfoCheckSetRegistryKey %d %s \"%s\"", Id(handle), RootText(root, buf, sizeof buf), Text(key));
  if (handle && key) {
    Check(handle)->root = root;
    Copy(Check(handle)->key, sizeof Check(handle)->key, key);
  }
}

void WINAPI binet_InfoCheckStartAllAuto(void* handle) {
  Log("binet_InfoCheckStartAllAuto %d", Id(handle));
  if (!handle) return;
  const InfoCheck& c = *Check(handle);
  if (!c.root || !c.key[0]) return;
  HKEY key = nullptr;
  if (RegCreateKeyExA(c.root, c.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
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
  Log("binet_InfoCheckDoConfig %d %s", Id(handle), WindowText(owner));
  if (!handle) return;
  const InfoCheck& c = *Check(handle);
  char language[128] = {};
  if (GetLocaleInfoA(MAKELCID(static_cast<WORD>(c.lcid), SORT_DEFAULT), LOCALE_SENGLANGUAGE, language,
                     sizeof language) == 0)
    language[0] = 0;
  char text[512];
  std::snprintf(text, sizeof text,
                "News channels for product %s %s\r\nLanguage: %s (%d)\r\n\r\nThere are no news channels to set up.",
                c.product, c.version, language[0] ? language : "unknown", c.lcid);
  MessageBoxA(owner, text, "News channels", MB_OK | MB_ICONINFORMATION);
}

}  // extern "C"
