#include "cleaning/internet/history_folder.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "core/com_ptr.h"
#include "core/disk.h"
#include "core/text.h"

namespace qz::ic {

// ---- the shell's History folder ---------------------------------------------------

namespace {

constexpr SHCONTF kListFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;  // 0xE0

// Owns an ID list allocated by the shell.
class IdList {
 public:
  IdList() = default;
  ~IdList() { Reset(); }
  IdList(IdList&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  IdList& operator=(IdList&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }
  IdList(const IdList&) = delete;
  IdList& operator=(const IdList&) = delete;
  ITEMIDLIST* get() const { return p_; }
  ITEMIDLIST** put() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) CoTaskMemFree(p_);
    p_ = nullptr;
  }

 private:
  ITEMIDLIST* p_ = nullptr;
};

std::string FolderPathOf(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return Narrow(buf);
}

std::string Normalized(const std::string& path) { return ExcludeTrailingBackslash(Trim(path)); }

bool IsDriveRoot(const std::string& path) {
  const std::string p = Normalized(path);
  return p.size() <= 2 || (p.size() == 2 && p[1] == ':') || p.find('\\') == std::string::npos;
}

}  // namespace

HistoryPlaces HistoryPlaces::FromSystem() {
  HistoryPlaces p;
  p.History = FolderPathOf(CSIDL_HISTORY);
  p.Profile = FolderPathOf(CSIDL_PROFILE);
  p.Desktop = FolderPathOf(CSIDL_DESKTOPDIRECTORY);
  return p;
}

struct ShellHistoryNamespace::State {
  ComPtr<IShellFolder> desktop;
  ComPtr<IShellFolder> history;
  IdList historyList;
  std::vector<IdList> items;  // relative to the History folder, in listing order
};

ShellHistoryNamespace::ShellHistoryNamespace(HWND owner) : owner_(owner), state_(new State) {}
ShellHistoryNamespace::~ShellHistoryNamespace() { delete state_; }

HRESULT ShellHistoryNamespace::Open(HistoryRoot& root) {
  EnsureCom();
  root = HistoryRoot{};
  HRESULT hr = SHGetDesktopFolder(state_->desktop.put());
  if (FAILED(hr)) return hr;
  hr = SHGetSpecialFolderLocation(owner_, CSIDL_HISTORY, reinterpret_cast<PIDLIST_ABSOLUTE*>(state_->historyList.put()));
  if (FAILED(hr)) return hr;
  const ITEMIDLIST* list = state_->historyList.get();
  root.HasIdList = list && list->mkid.cb != 0;
  if (!root.HasIdList) return S_OK;  // binding an empty list would give the desktop
  wchar_t path[MAX_PATH] = {};
  if (SHGetPathFromIDListW(list, path)) root.Path = Narrow(path);
  return state_->desktop->BindToObject(list, nullptr, IID_IShellFolder, state_->history.put_void());
}

HRESULT ShellHistoryNamespace::ListItems(std::vector<HistoryItem>& items) {
  items.clear();
  state_->items.clear();
  if (!state_->history) return E_UNEXPECTED;
  ComPtr<IEnumIDList> en;
  HRESULT hr = state_->history->EnumObjects(owner_, kListFlags, en.put());
  if (FAILED(hr)) return hr;
  if (!en) return S_OK;  // S_FALSE: nothing to list
  for (;;) {
    IdList child;
    ULONG fetched = 0;
    if (en->Next(1, reinterpret_cast<PITEMID_CHILD*>(child.put()), &fetched) != S_OK || fetched != 1) break;
    HistoryItem item;
    item.Index = state_->items.size();
    PCUITEMID_CHILD one = child.get();
    SFGAOF attrs = SFGAO_FOLDER;
    if (SUCCEEDED(state_->history->GetAttributesOf(1, &one, &attrs))) item.IsFolder = (attrs & SFGAO_FOLDER) != 0;
    STRRET name{};
    wchar_t buf[MAX_PATH] = {};
    if (SUCCEEDED(state_->history->GetDisplayNameOf(one, SHGDN_NORMAL, &name)) &&
        SUCCEEDED(StrRetToBufW(&name, one, buf, MAX_PATH)))
      item.Name = Narrow(buf);
    state_->items.push_back(std::move(child));
    items.push_back(std::move(item));
  }
  return S_OK;
}

HRESULT ShellHistoryNamespace::IsEmptyFolder(const HistoryItem& item, bool& empty) {
  empty = false;
  if (!item.IsFolder) return S_OK;
  if (item.Index >= state_->items.size() || !state_->history) return E_INVALIDARG;
  ComPtr<IShellFolder> folder;
  HRESULT hr = state_->history->BindToObject(state_->items[item.Index].get(), nullptr, IID_IShellFolder,
                                             folder.put_void());
  if (FAILED(hr)) return hr;
  ComPtr<IEnumIDList> en;
  hr = folder->EnumObjects(owner_, kListFlags, en.put());
  if (FAILED(hr)) return hr;
  if (!en) {
    empty = true;
    return S_OK;
  }
  IdList child;
  ULONG fetched = 0;
  empty = en->Next(1, reinterpret_cast<PITEMID_CHILD*>(child.put()), &fetched) != S_OK || fetched == 0;
  return S_OK;
}

HRESULT ShellHistoryNamespace::DeleteItems(const std::vector<HistoryItem>& items) {
  if (!state_->history || items.empty()) return E_INVALIDARG;
  std::vector<PCUITEMID_CHILD> list;
  for (const HistoryItem& i : items) {
    if (i.Index >= state_->items.size()) return E_INVALIDARG;
    list.push_back(state_->items[i.Index].get());
  }
  ComPtr<IContextMenu> menu;
  HRESULT hr = state_->history->GetUIObjectOf(owner_, static_cast<UINT>(list.size()), list.data(), IID_IContextMenu,
                                              nullptr, menu.put_void());
  if (FAILED(hr)) return hr;
  if (!menu) return E_NOINTERFACE;
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.hwnd = owner_;
  info.lpVerb = "delete";
  info.nShow = SW_SHOW;
  // What the shell asks and reports is its own; its result is not ours to judge.
  menu->InvokeCommand(&info);
  return S_OK;
}

// ---- which items go ---------------------------------------------------------------

std::string SystemErrorText(DWORD code) {
  auto text = [](DWORD c) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, c, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string out = n && buf ? Narrow(std::wstring_view(buf, n)) : std::string();
    if (buf) LocalFree(buf);
    return TrimRight(out);
  };
  std::string t = text(code);
  // A Win32 error wrapped in an HRESULT: the error's own text.
  if (t.empty() && HRESULT_FACILITY(code) == FACILITY_WIN32) t = text(HRESULT_CODE(code));
  return t;
}

namespace {

bool IsTheHistoryFolder(const HistoryRoot& root, const HistoryPlaces& places) {
  if (!root.HasIdList) return false;
  if (root.Path.empty()) return true;  // a folder of the namespace only
  const std::string path = Normalized(root.Path);
  if (places.History.empty() || !IEquals(path, Normalized(places.History))) return false;
  if (IsDriveRoot(path)) return false;
  for (const std::string& never : {places.Profile, places.Desktop})
    if (!never.empty() && IEquals(path, Normalized(never))) return false;
  return true;
}

HistoryResult Failure(HRESULT hr, std::string message) {
  HistoryResult r;
  r.Outcome = HistoryOutcome::Failed;
  r.Result = hr;
  r.Message = std::move(message);
  return r;
}

}  // namespace

HistoryResult ClearHistoryFolder(HistoryNamespace& ns, const HistoryPlaces& places) {
  HistoryResult result;
  HistoryRoot root;
  HRESULT hr = ns.Open(root);
  if (FAILED(hr)) return Failure(hr, SystemErrorText(static_cast<DWORD>(hr)));
  if (!IsTheHistoryFolder(root, places)) {
    result.Outcome = HistoryOutcome::Refused;
    return result;
  }
  std::vector<HistoryItem> items;
  hr = ns.ListItems(items);
  if (FAILED(hr)) return Failure(hr, SystemErrorText(static_cast<DWORD>(hr)));
  if (items.empty()) return result;
  if (items.size() == 1) {
    bool empty = false;
    hr = ns.IsEmptyFolder(items[0], empty);
    if (FAILED(hr)) return Failure(hr, SystemErrorText(static_cast<DWORD>(hr)));
    if (empty) return result;
    // The top level is what gets deleted: list it again.
    hr = ns.ListItems(items);
    if (FAILED(hr)) return Failure(hr, SystemErrorText(static_cast<DWORD>(hr)));
    if (items.empty()) return result;
  }
  hr = ns.DeleteItems(items);
  if (FAILED(hr)) {
    // The context menu sets no last error: the text comes from its result.
    return Failure(hr, "Error:" + std::to_string(static_cast<DWORD>(hr) & 0xFFFF) + " " +
                           SystemErrorText(static_cast<DWORD>(hr)));
  }
  result.Outcome = HistoryOutcome::Handed;
  result.ItemsHanded = items.size();
  return result;
}

}  // namespace qz::ic
