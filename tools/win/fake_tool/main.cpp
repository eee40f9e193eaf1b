// A stand-in for a Windows tool that is missing under Wine (chkdsk.exe and
// the like): it writes an empty marker file named after its own file name
// ("chkdsk.exe" -> "chkdsk.marker") into %QZ_MARKER_DIR% (default
// C:\qztests\markers) and exits with 0. Built, not installed.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  std::wstring name(self, n);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  name = name.substr(0, name.rfind(L'.'));

  wchar_t dir[MAX_PATH];
  DWORD d = GetEnvironmentVariableW(L"QZ_MARKER_DIR", dir, MAX_PATH);
  std::wstring folder = d > 0 && d < MAX_PATH ? std::wstring(dir, d) : std::wstring(L"C:\\qztests\\markers");
  CreateDirectoryW(folder.c_str(), nullptr);
  HANDLE h = CreateFileW((folder + L"\\" + name + L".marker").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 2;
  CloseHandle(h);
  return 0;
}
