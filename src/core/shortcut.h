// Shell shortcut files (.lnk), read and written through the shell-link COM
// object. Use a fresh object for each file: a load fills every property from
// the file, a save writes every property.
//
// COM must be initialised on the calling thread (the program does it at
// start); the object initialises it itself when nobody has.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qz {

class EShortcutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TShowCmd { scShowMaximized, scShowMinimized, scShowNormal };

class TShortcutLink {
 public:
  bool Quiet = false;          // reading failures do not throw
  std::string ShortcutFile;    // path of the .lnk file
  std::string Target;          // path the shortcut points to ("" for a link without a path)
  bool IsDir = false;          // set by reading: the target is a folder
  std::string WorkingDir;
  std::string Description;
  std::string Arguments;
  std::string IconLocation;
  int IconNumber = 0;          // icon index in IconLocation (negative: a resource id)
  bool Success = false;        // set by reading: the file was read completely

  // One character: the first of the text, upper-cased (an empty text counts
  // as a blank); stored as max(its code, 32). The getter gives the stored
  // character (a blank when none).
  void SetHotKey(const std::string& key);
  std::string HotKey() const;
  // The stored key code (32: none) and modifier bits (HOTKEYF_*; Ctrl+Alt
  // unless a loaded link had others).
  int HotKeyCode() const { return hotKeyCode_; }
  uint8_t HotKeyModifiers() const { return hotKeyModifiers_; }

  // scShowMaximized -> 3, scShowMinimized -> 7, scShowNormal -> 9; the
  // getter maps 3 and 7 back and every other number to scShowNormal.
  void SetShowCmd(TShowCmd cmd);
  TShowCmd ShowCmd() const;
  // The show-window number as stored (a loaded link keeps the file's number).
  int ShowCmdNumber() const { return showCmd_; }

  // Reads ShortcutFile: working folder, target (and whether it is a folder),
  // arguments, description, icon, hot key and show state. Success := true
  // after a complete read. Failures throw EShortcutError ("Unable to open
  // link file", "Error in getting WorkingDir", "Error in getting Target")
  // unless Quiet, which leaves Success false. A link that has no path (a
  // shell item or an installer entry) reads with an empty Target.
  void LoadShortcut();
  // Writes a new ShortcutFile from the properties; the hot key only when a
  // key above the blank is stored. Throws EShortcutError "Unable to create
  // .lnk file" when the file cannot be saved (also when Quiet).
  void SaveShortcut();

 private:
  int hotKeyCode_ = 32;
  uint8_t hotKeyModifiers_ = 0x06;  // HOTKEYF_CONTROL | HOTKEYF_ALT
  int showCmd_ = 1;  // SW_SHOWNORMAL until set or loaded
};

}  // namespace qz
