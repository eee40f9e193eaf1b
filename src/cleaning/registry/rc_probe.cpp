#include "cleaning/registry/rc_probe.h"

#include "core/globals.h"
#include "core/strings.h"
#include "core/text.h"

namespace qz::rc {

namespace {

// An environment folder; "" when the variable is not set.
std::string EnvFolder(const char* name) {
  std::string v = ExpandEnvVars(std::string("%") + name + "%");
  return v.find('%') == std::string::npos ? v : std::string();
}

bool IsNotFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

// ---- the real file system ---------------------------------------------------

DWORD RealFileSystem::Probe(const std::string& path, DWORD* attributes) {
  DWORD a = GetFileAttributesW(Widen(path).c_str());
  if (a != INVALID_FILE_ATTRIBUTES) {
    *attributes = a;
    return ERROR_SUCCESS;
  }
  DWORD e = GetLastError();
  return e == ERROR_SUCCESS ? ERROR_GEN_FAILURE : e;
}

bool RealFileSystem::LongName(const std::string& path, std::string& name) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(path).c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  name = Narrow(fd.cFileName);
  return true;
}

ProbeFolders ProbeFolders::FromSystem() {
  ProbeFolders f;
  wchar_t buf[MAX_PATH + 1];
  f.SystemDir = SysDir;
  if (f.SystemDir.empty()) {
    UINT n = GetSystemDirectoryW(buf, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH) f.SystemDir = Narrow(std::wstring_view(buf, n));
  }
  UINT n = GetSystemWow64DirectoryW(buf, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) f.SystemWow64Dir = Narrow(std::wstring_view(buf, n));
  f.ProgramFiles = EnvFolder("ProgramFiles");
  f.ProgramFilesX86 = EnvFolder("ProgramFiles(x86)");
  f.CommonFiles = EnvFolder("CommonProgramFiles");
  f.CommonFilesX86 = EnvFolder("CommonProgramFiles(x86)");
  return f;
}

// ---- the probe ------------------------------------------------------------

std::string CaseAsIn(const std::string& upper, const std::string& hint) {
  if (hint.empty() || upper.empty()) return upper;
  std::wstring h = Widen(hint);
  std::wstring hu = h;
  CharUpperBuffW(hu.data(), static_cast<DWORD>(hu.size()));
  std::wstring u = Widen(upper);
  CharUpperBuffW(u.data(), static_cast<DWORD>(u.size()));
  size_t p = hu.find(u);
  if (p == std::wstring::npos) return upper;
  return Narrow(std::wstring_view(h).substr(p, u.size()));
}

PathProbe::PathProbe() : folders_(ProbeFolders::FromSystem()) {}

PathProbe::PathProbe(FileSystemAccess* fs, ProbeFolders folders) : fs_(fs), folders_(std::move(folders)) {}

void PathProbe::Reset() { memo_.clear(); }

DWORD PathProbe::Ask(const std::string& path, DWORD* attributes) {
  ++calls_;
  *attributes = 0;
  return Fs().Probe(path, attributes);
}

PathProbe::Answer PathProbe::TestForm(const std::string& path) {
  DWORD attributes = 0;
  DWORD e = Ask(path, &attributes);
  if (e == ERROR_SUCCESS) return {PathState::Present, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
  return {IsNotFound(e) ? PathState::Missing : PathState::Unknown, false};
}

PathProbe::Answer PathProbe::TestForms(const std::string& actual) {
  Answer answer = TestForm(actual);
  if (answer.state == PathState::Present && !answer.folder) return answer;
  // The forms a 32-bit program's reference may really stand for.
  const std::pair<const std::string*, const std::string*> moves[] = {
      {&folders_.SystemDir, &folders_.SystemWow64Dir},
      {&folders_.ProgramFiles, &folders_.ProgramFilesX86},
      {&folders_.CommonFiles, &folders_.CommonFilesX86},
  };
  StringList tried{UpperLocale(actual)};
  for (const auto& [from, to] : moves) {
    if (from->empty() || to->empty()) continue;
    const std::string prefix = *from + "\\";
    if (!IStartsWith(actual, prefix)) continue;
    std::string alt = *to + "\\" + actual.substr(prefix.size());
    std::string altKey = UpperLocale(alt);
    if (ContainsI(tried, altKey)) continue;
    tried.push_back(altKey);
    Answer a = TestForm(alt);
    if (a.state == PathState::Present) {
      // A file wins over a folder of the same name elsewhere.
      if (answer.state != PathState::Present || !a.folder) answer = a;
      if (!a.folder) break;
    } else if (a.state == PathState::Unknown && answer.state == PathState::Missing) {
      answer = a;
    }
  }
  return answer;
}

PathState PathProbe::Test(const std::string& path, const std::string& caseHint, Wanted wanted) {
  if (path.empty()) return PathState::Unknown;
  const std::string key = UpperLocale(path);
  auto it = memo_.find(key);
  Answer a;
  if (it != memo_.end()) {
    a = it->second;
  } else {
    a = TestForms(CaseAsIn(path, caseHint));
    memo_.emplace(key, a);
  }
  if (a.state == PathState::Present && a.folder && wanted == Wanted::File) return PathState::Missing;
  return a.state;
}

std::optional<std::string> PathProbe::LongForm(const std::string& path) {
  if (path.find('~') == std::string::npos) return path;
  std::string out;
  size_t start = 0;
  bool first = true;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!first && part.find('~') != std::string::npos) {
      std::string name;
      ++calls_;
      if (!Fs().LongName(out + part, name) || name.empty()) return std::nullopt;
      part = name;
    }
    out += part;
    if (end == std::string::npos) break;
    out += '\\';
    start = end + 1;
    first = false;
  }
  return out;
}

bool PathProbe::DriveAnswers(char letter) {
  DWORD attributes = 0;
  return Ask(std::string(1, letter) + ":\\", &attributes) == ERROR_SUCCESS;
}

}  // namespace qz::rc
