// The engine's shortcut reader: what a .lnk file points to. Failures only
// leave Success false (the reader is quiet).
#include "cleaning/drive/scan_engine.h"
#include "core/shortcut.h"

namespace qz::dc {

namespace {

ShortcutTarget ReadShellLink(const std::string& file) {
  ShortcutTarget out;
  TShortcutLink link;  // a fresh object per file
  link.Quiet = true;
  link.ShortcutFile = file;
  try {
    link.LoadShortcut();
  } catch (const EShortcutError&) {
    return out;
  }
  out.Success = link.Success;
  out.Target = link.Target;
  out.IsDir = link.IsDir;
  return out;
}

}  // namespace

ShortcutReaderFn DefaultShortcutReader() { return &ReadShellLink; }

}  // namespace qz::dc
