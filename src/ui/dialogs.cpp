#include "ui/dialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "core/text.h"
#include "ui/application.h"
#include "ui/control.h"

namespace qz::ui {

namespace {

DialogHook& Hook() {
  static DialogHook hook;
  return hook;
}

HWND OwnerWindow(const Control* owner) {
  Form* f = owner ? owner->ParentForm() : App().ActiveForm();
  return f ? f->Handle() : nullptr;
}

// "a|b|c|d" -> "a\0b\0c\0d\0\0"; a lone mask becomes "mask\0mask\0\0".
std::wstring FilterString(const std::string& filter) {
  if (filter.empty()) return std::wstring();
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t p = filter.find('|', start);
    parts.push_back(filter.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  if (parts.size() % 2) parts.push_back(parts.back());
  std::wstring out;
  for (const auto& s : parts) {
    out += Widen(s);
    out += L'\0';
  }
  out += L'\0';
  return out;
}

}  // namespace

void SetDialogHook(DialogHook hook) { Hook() = std::move(hook); }

OpenDialog::OpenDialog(Component* owner, std::string name) : Component(owner, std::move(name)) {}

SaveDialog::SaveDialog(Component* owner, std::string name) : OpenDialog(owner, std::move(name)) {
  FileMustExist = false;
}

bool OpenDialog::Execute(const Control* owner) {
  Files.clear();
  if (Hook()) {
    bool ok = Hook()(*this);
    if (ok && Files.empty() && !FileName.empty()) Files.push_back(FileName);
    if (ok && FileName.empty() && !Files.empty()) FileName = Files.front();
    return ok;
  }
  std::vector<wchar_t> buffer(MultiSelect ? 65536 : 4096, L'\0');
  std::wstring initial = Widen(FileName);
  if (initial.size() < buffer.size()) std::copy(initial.begin(), initial.end(), buffer.begin());
  std::wstring filter = FilterString(Filter);
  std::wstring title = Widen(Title), dir = Widen(InitialDir), ext = Widen(DefaultExt);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerWindow(owner);
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (MultiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT;
  if (FileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
  if (PathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
  if (IsSave() && static_cast<SaveDialog*>(this)->OverwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;

  BOOL ok = IsSave() ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!ok) return false;
  FilterIndex = static_cast<int>(ofn.nFilterIndex);
  // Multi-select: folder, then the names, each ended by a zero.
  std::wstring first(buffer.data());
  const wchar_t* p = buffer.data() + first.size() + 1;
  if (MultiSelect && *p) {
    std::string folder = Narrow(first);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    while (*p) {
      std::wstring name(p);
      Files.push_back(folder + Narrow(name));
      p += name.size() + 1;
    }
  } else {
    Files.push_back(Narrow(first));
  }
  FileName = Files.front();
  return true;
}

FolderDialog::FolderDialog(Component* owner, std::string name) : Component(owner, std::move(name)) {}

namespace {
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}
}  // namespace

bool FolderDialog::Execute(const Control* owner) {
  if (Hook()) return Hook()(*this);
  std::wstring title = Widen(Title), start = Widen(Directory);
  BROWSEINFOW bi{};
  bi.hwndOwner = OwnerWindow(owner);
  bi.lpszTitle = title.empty() ? nullptr : title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | (NewFolderButton ? 0 : BIF_NONEWFOLDERBUTTON);
  bi.lpfn = BrowseCallback;
  bi.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (!pidl) return false;
  wchar_t path[MAX_PATH * 4] = {};
  bool ok = SHGetPathFromIDListW(pidl, path) != FALSE;
  CoTaskMemFree(pidl);
  if (!ok) return false;
  Directory = Narrow(path);
  return true;
}

IconDialog::IconDialog(Component* owner, std::string name) : Component(owner, std::move(name)) {}

bool IconDialog::Execute(const Control* owner) {
  if (Hook()) return Hook()(*this);
  using PickIcon = int(WINAPI*)(HWND, wchar_t*, UINT, int*);
  HMODULE shell = GetModuleHandleW(L"shell32.dll");
  if (!shell) shell = LoadLibraryW(L"shell32.dll");
  auto pick = shell ? reinterpret_cast<PickIcon>(reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(62))))
                    : nullptr;
  if (!pick) return false;
  std::vector<wchar_t> buffer(1024, L'\0');
  const std::wstring file = Widen(FileName);
  std::copy_n(file.begin(), std::min<size_t>(file.size(), buffer.size() - 1), buffer.begin());
  int index = IconIndex;
  // Only 1 is a choice: 0 is Cancel, and some systems answer -1 at once.
  if (pick(OwnerWindow(owner), buffer.data(), static_cast<UINT>(buffer.size()), &index) != 1) return false;
  FileName = Narrow(buffer.data());
  IconIndex = index;
  return true;
}

}  // namespace qz::ui
