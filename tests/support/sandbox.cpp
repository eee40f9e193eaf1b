#include "support/sandbox.h"

#include <shlwapi.h>

#include "core/text.h"

namespace qz::test {

namespace {

bool RemoveTreeW(const std::wstring& dir) {
  DWORD attr = GetFileAttributesW(dir.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return true;
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryW(dir.c_str()) || DeleteFileW(dir.c_str());
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      std::wstring p = dir + L"\\" + n;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTreeW(p);
      } else {
        SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryW(p.c_str());
        else
          DeleteFileW(p.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(dir.c_str());
  return GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void MakeDirs(const std::wstring& dir) {
  for (size_t i = 3; i <= dir.size(); ++i)
    if (i == dir.size() || dir[i] == L'\\') CreateDirectoryW(dir.substr(0, i).c_str(), nullptr);
}

}  // namespace

bool RemoveTree(const std::string& folder) {
  std::wstring w = Widen(folder);
  while (!w.empty() && w.back() == L'\\') w.pop_back();
  return RemoveTreeW(w);
}

std::string ReadFileText(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

ScratchDir::ScratchDir(const std::string& name) {
  path_ = "C:\\qztests\\scratch\\" + name + "\\";
  RemoveTree(path_);
  MakeDirs(Widen(path_.substr(0, path_.size() - 1)));
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string ScratchDir::Write(const std::string& rel, const std::string& content) {
  std::string full = path_ + rel;
  std::wstring w = Widen(full);
  size_t slash = w.find_last_of(L'\\');
  if (slash != std::wstring::npos) MakeDirs(w.substr(0, slash));
  HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD put = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &put, nullptr);
    CloseHandle(h);
  }
  return full;
}

std::string ScratchDir::MakeDir(const std::string& rel) {
  std::string full = path_ + rel;
  std::wstring w = Widen(full);
  while (!w.empty() && w.back() == L'\\') w.pop_back();
  MakeDirs(w);
  return full;
}

ScratchKey::ScratchKey(const std::string& name, HKEY root)
    : root_(root), key_("Software\\QZTests\\" + name) {
  RegDeleteTreeW(root_, Widen(key_).c_str());
  HKEY h = nullptr;
  if (RegCreateKeyExW(root_, Widen(key_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) ==
      ERROR_SUCCESS)
    RegCloseKey(h);
}

ScratchKey::~ScratchKey() { RegDeleteTreeW(root_, Widen(key_).c_str()); }

MessageBoxRecorder::MessageBoxRecorder() {
  SetMessageBoxHook([this](const MessageBoxRequest& r) {
    boxes.push_back(r);
    if (!answers.empty()) {
      int a = answers.front();
      answers.pop_front();
      return a;
    }
    return defaultAnswer;
  });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHook(nullptr); }

int MessageBoxRecorder::Count(MsgKind kind) const {
  int n = 0;
  for (const MessageBoxRequest& r : boxes) n += r.kind == kind ? 1 : 0;
  return n;
}

std::string MessageBoxRecorder::Texts() const {
  std::string s;
  for (const MessageBoxRequest& r : boxes) s += "[" + r.text + "] ";
  return s;
}

}  // namespace qz::test
