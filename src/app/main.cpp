#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"placeholder", L"Brinvale Sysvantor Quenzal Suite 2", MB_OK);
  return 0;
}
