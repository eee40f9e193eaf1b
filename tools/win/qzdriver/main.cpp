// qzdriver: drives the product from outside for end-to-end tests and the
// start-up benchmark. See Driver::Usage for the script language.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"
#include "winfind.h"

namespace qzdriver {
int RunSelfTest();
}

namespace {

constexpr const wchar_t* kDefaultProgram =
    L"C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2\\QuenzalSuite2.exe";

bool LookupEnv(const std::string& name, std::string& value) {
  std::wstring w = qzdriver::Widen(name);
  DWORD n = GetEnvironmentVariableW(w.c_str(), nullptr, 0);
  if (n == 0) return GetLastError() != ERROR_ENVVAR_NOT_FOUND && (value.clear(), true);
  std::wstring buf(n, L'\0');
  n = GetEnvironmentVariableW(w.c_str(), buf.data(), n);
  buf.resize(n);
  value = qzdriver::Narrow(buf);
  return true;
}

bool ReadAll(const std::wstring& path, std::string& out) {
  if (path == L"-") {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, stdin)) > 0) out.append(buf, n);
    return true;
  }
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  CloseHandle(f);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring program = kDefaultProgram;
  std::wstring script;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"-q") {
      quiet = true;
    } else if (a == L"--program" && i + 1 < argc) {
      program = argv[++i];
    } else if (a == L"--define" && i + 1 < argc) {
      std::wstring d = argv[++i];
      size_t eq = d.find(L'=');
      if (eq == std::wstring::npos || eq == 0) {
        fprintf(stderr, "qzdriver: --define wants NAME=VALUE\n");
        return 2;
      }
      SetEnvironmentVariableW(d.substr(0, eq).c_str(), d.substr(eq + 1).c_str());
    } else if (a == L"--self-test") {
      return qzdriver::RunSelfTest();
    } else if (a == L"--help" || a == L"-h") {
      fputs(qzdriver::Driver::Usage(), stdout);
      return 0;
    } else if (script.empty()) {
      script = a;
    } else {
      fprintf(stderr, "%s", qzdriver::Driver::Usage());
      return 2;
    }
  }
  if (script.empty()) {
    fprintf(stderr, "%s", qzdriver::Driver::Usage());
    return 2;
  }
  std::string text;
  if (!ReadAll(script, text)) {
    fprintf(stderr, "qzdriver: cannot read the script %s\n", qzdriver::Narrow(script).c_str());
    return 2;
  }
  std::vector<qzdriver::ScriptLine> lines;
  try {
    lines = qzdriver::ParseScript(text, LookupEnv);
    qzdriver::Driver::Check(lines);
  } catch (const qzdriver::ScriptError& e) {
    fprintf(stderr, "qzdriver: %s: %s\n", qzdriver::Narrow(script).c_str(), e.what());
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // WIC for PNG captures
  int rc;
  {
    qzdriver::Driver driver(program, quiet);
    rc = driver.Run(lines);
  }
  CoUninitialize();
  return rc;
}
