#include "core/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "core/com_ptr.h"
#include "core/text.h"

namespace qz {

namespace {

// The shell-link header of a .lnk file: 76 bytes beginning with its size
// and the shell-link class id. The show state is read from here: the shell
// object of some systems reports 1 for every loaded link.
struct LinkHeader {
  bool valid = false;
  int32_t showCommand = 0;
};

LinkHeader ReadLinkHeader(const std::string& file) {
  LinkHeader h;
  HANDLE f = CreateFileW(Widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return h;
  uint8_t buf[0x4C] = {};
  DWORD got = 0;
  bool ok = ReadFile(f, buf, sizeof buf, &got, nullptr) && got == sizeof buf;
  CloseHandle(f);
  static const uint8_t kClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  uint32_t size = 0;
  if (ok) memcpy(&size, buf, 4);
  if (!ok || size != 0x4C || memcmp(buf + 4, kClsid, 16) != 0) return h;
  memcpy(&h.showCommand, buf + 0x3C, 4);
  h.valid = true;
  return h;
}

constexpr int kTextChars = 32768;

}  // namespace

void TShortcutLink::SetHotKey(const std::string& key) {
  std::wstring w = Widen(key);
  wchar_t c = w.empty() ? L' ' : w[0];
  std::wstring upper = Widen(UpperLocale(Narrow(std::wstring(1, c))));
  int code = upper.empty() ? 32 : static_cast<int>(upper[0]);
  hotKeyCode_ = code < 32 ? 32 : code;
  hotKeyModifiers_ = HOTKEYF_CONTROL | HOTKEYF_ALT;
}

std::string TShortcutLink::HotKey() const {
  return Narrow(std::wstring(1, static_cast<wchar_t>(hotKeyCode_)));
}

void TShortcutLink::SetShowCmd(TShowCmd cmd) {
  switch (cmd) {
    case TShowCmd::scShowMaximized: showCmd_ = 3; break;
    case TShowCmd::scShowMinimized: showCmd_ = 7; break;
    case TShowCmd::scShowNormal: showCmd_ = 9; break;
  }
}

TShowCmd TShortcutLink::ShowCmd() const {
  if (showCmd_ == 3) return TShowCmd::scShowMaximized;
  if (showCmd_ == 7) return TShowCmd::scShowMinimized;
  return TShowCmd::scShowNormal;
}

void TShortcutLink::LoadShortcut() {
  Success = false;
  EnsureCom();
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return;
  ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void())) ||
      FAILED(persist->Load(Widen(ShortcutFile).c_str(), STGM_READ))) {
    if (!Quiet) throw EShortcutError("Unable to open link file");
    return;
  }

  std::vector<wchar_t> buf(kTextChars);
  auto text = [&]() { return Narrow(buf.data()); };

  buf[0] = 0;
  if (FAILED(link->GetWorkingDirectory(buf.data(), kTextChars))) {
    if (!Quiet) throw EShortcutError("Error in getting WorkingDir");
    return;
  }
  WorkingDir = text();

  // Everything else a link holds; these are optional, so a part the link
  // lacks reads as empty.
  buf[0] = 0;
  Arguments = SUCCEEDED(link->GetArguments(buf.data(), kTextChars)) ? text() : std::string();
  buf[0] = 0;
  Description = SUCCEEDED(link->GetDescription(buf.data(), kTextChars)) ? text() : std::string();
  buf[0] = 0;
  int icon = 0;
  IconLocation = SUCCEEDED(link->GetIconLocation(buf.data(), kTextChars, &icon)) ? text() : std::string();
  IconNumber = icon;
  WORD hot = 0;
  if (FAILED(link->GetHotkey(&hot))) hot = 0;
  hotKeyCode_ = LOBYTE(hot) < 32 ? 32 : LOBYTE(hot);
  hotKeyModifiers_ = LOBYTE(hot) ? HIBYTE(hot) : static_cast<uint8_t>(HOTKEYF_CONTROL | HOTKEYF_ALT);
  LinkHeader header = ReadLinkHeader(ShortcutFile);
  int show = 0;
  if (header.valid) {
    showCmd_ = header.showCommand;
  } else if (SUCCEEDED(link->GetShowCmd(&show))) {
    showCmd_ = show;
  }

  WIN32_FIND_DATAW fd{};
  buf[0] = 0;
  HRESULT hr = link->GetPath(buf.data(), kTextChars, &fd, SLGP_UNCPRIORITY);
  if (FAILED(hr)) {
    if (!Quiet) throw EShortcutError("Error in getting Target");
    return;
  }
  // S_FALSE: the link points to something without a path; that is a
  // complete read with an empty target, not a failure.
  Target = hr == S_OK ? text() : std::string();
  IsDir = !Target.empty() && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  Success = true;
}

void TShortcutLink::SaveShortcut() {
  EnsureCom();
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    throw EShortcutError("Unable to create .lnk file");
  link->SetPath(Widen(Target).c_str());
  link->SetWorkingDirectory(Widen(WorkingDir).c_str());
  link->SetArguments(Widen(Arguments).c_str());
  link->SetDescription(Widen(Description).c_str());
  link->SetShowCmd(showCmd_);
  if (hotKeyCode_ > 32 && hotKeyCode_ <= 0xFF)
    link->SetHotkey(static_cast<WORD>(MAKEWORD(hotKeyCode_, hotKeyModifiers_)));
  link->SetIconLocation(Widen(IconLocation).c_str(), IconNumber);
  ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void())) ||
      FAILED(persist->Save(Widen(ShortcutFile).c_str(), TRUE)))
    throw EShortcutError("Unable to create .lnk file");
}

}  // namespace qz
