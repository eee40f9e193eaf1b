// Emptying the Windows History folder through the shell namespace: its items
// are handed to the shell's own "delete" verb in one call, exactly as the
// user would delete them in Explorer; whatever the shell asks or shows is its
// own. No window code.
//
// Which items go (ClearHistoryFolder):
//   no item                      -> nothing
//   exactly one, an empty folder -> nothing (the empty folder stays)
//   exactly one, anything else   -> that item
//   several                      -> all of them, in one call, in the order listed
// Nothing at all happens unless the History folder is what it claims to be:
// its ID list is there and not empty (an empty list would be the desktop),
// and where it has a file-system path, that path is the History folder's and
// neither a drive root, the user's profile folder nor the desktop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qz::ic {

// One item at the top of the History folder.
struct HistoryItem {
  size_t Index = 0;      // position in the namespace's current listing
  std::string Name;      // display name (for tests and traces)
  bool IsFolder = false;
};

// What the History folder's ID list stands for.
struct HistoryRoot {
  bool HasIdList = false;    // an ID list was given, and it is not empty
  std::string Path;          // its file-system path; "" when it has none
};

class HistoryNamespace {
 public:
  virtual ~HistoryNamespace() = default;
  // Locates and binds the History folder.
  virtual HRESULT Open(HistoryRoot& root) = 0;
  // Lists the items of the History folder (replacing the last listing).
  virtual HRESULT ListItems(std::vector<HistoryItem>& items) = 0;
  // Whether a listed item is a folder without any item.
  virtual HRESULT IsEmptyFolder(const HistoryItem& item, bool& empty) = 0;
  // The shell's "delete" on the listed items, all in one call. Fails only
  // when the shell offers no context menu for them.
  virtual HRESULT DeleteItems(const std::vector<HistoryItem>& items) = 0;
};

// The places the History folder must be, and must never be.
struct HistoryPlaces {
  std::string History;  // SHGetFolderPath(CSIDL_HISTORY)
  std::string Profile;  // the user's profile folder
  std::string Desktop;  // the desktop folder
  static HistoryPlaces FromSystem();
};

// The History folder of the shell, bound for the owner window.
class ShellHistoryNamespace : public HistoryNamespace {
 public:
  explicit ShellHistoryNamespace(HWND owner);
  ~ShellHistoryNamespace() override;
  ShellHistoryNamespace(const ShellHistoryNamespace&) = delete;
  ShellHistoryNamespace& operator=(const ShellHistoryNamespace&) = delete;

  HRESULT Open(HistoryRoot& root) override;
  HRESULT ListItems(std::vector<HistoryItem>& items) override;
  HRESULT IsEmptyFolder(const HistoryItem& item, bool& empty) override;
  HRESULT DeleteItems(const std::vector<HistoryItem>& items) override;

 private:
  struct State;
  HWND owner_;
  State* state_;
};

enum class HistoryOutcome {
  Refused,          // the History folder is not what it claims to be: nothing done
  NothingToDelete,  // empty, or only one empty folder
  Handed,           // the items went to the shell's delete
  Failed,           // a shell call failed: Message says why
};
struct HistoryResult {
  HistoryOutcome Outcome = HistoryOutcome::NothingToDelete;
  HRESULT Result = S_OK;
  std::string Message;  // for Failed
  size_t ItemsHanded = 0;
};

HistoryResult ClearHistoryFolder(HistoryNamespace& ns, const HistoryPlaces& places);

// The system's text for an error code ("" when it has none), without the
// line break at its end.
std::string SystemErrorText(DWORD code);

}  // namespace qz::ic
