// Shortcut links: a save/load round trip of every property, missing files,
// folder targets and links without a path.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "core/disk.h"
#include "core/shortcut.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz {
namespace {

using test::ScratchDir;

class Shortcuts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }
  ScratchDir dir{"corelang_shortcuts"};
};

TEST_F(Shortcuts, EveryPropertySurvivesSaveAndLoad) {
  const std::string target = dir.Write("Tool\\tool.exe", "MZ");
  {
    TShortcutLink link;
    link.ShortcutFile = dir / "Tool.lnk";
    link.Target = target;
    link.WorkingDir = dir / "Tool";
    link.Arguments = "/quiet \"C:\\a b\\c.txt\"";
    link.Description = "Werkzeug für Größen";
    link.IconLocation = dir / "Tool\\icons.dll";
    link.IconNumber = -3;
    link.SetHotKey("k");
    link.SetShowCmd(TShowCmd::scShowMinimized);
    link.SaveShortcut();
  }
  TShortcutLink read;
  read.ShortcutFile = dir / "Tool.lnk";
  read.LoadShortcut();
  EXPECT_TRUE(read.Success);
  EXPECT_TRUE(IEquals(read.Target, target)) << read.Target;
  EXPECT_FALSE(read.IsDir);
  EXPECT_TRUE(IEquals(read.WorkingDir, dir / "Tool")) << read.WorkingDir;
  EXPECT_EQ(read.Arguments, "/quiet \"C:\\a b\\c.txt\"");
  EXPECT_EQ(read.Description, "Werkzeug für Größen");
  EXPECT_TRUE(IEquals(read.IconLocation, dir / "Tool\\icons.dll")) << read.IconLocation;
  EXPECT_EQ(read.IconNumber, -3);
  EXPECT_EQ(read.HotKey(), "K");
  EXPECT_EQ(read.HotKeyCode(), 75);
  EXPECT_EQ(read.HotKeyModifiers(), HOTKEYF_CONTROL | HOTKEYF_ALT);
  EXPECT_EQ(read.ShowCmd(), TShowCmd::scShowMinimized);
  EXPECT_EQ(read.ShowCmdNumber(), 7);

  // What was loaded is saved again as it was.
  read.ShortcutFile = dir / "Copy.lnk";
  read.SaveShortcut();
  TShortcutLink copy;
  copy.ShortcutFile = dir / "Copy.lnk";
  copy.LoadShortcut();
  EXPECT_EQ(copy.Arguments, read.Arguments);
  EXPECT_EQ(copy.Description, read.Description);
  EXPECT_EQ(copy.IconNumber, -3);
  EXPECT_EQ(copy.HotKeyCode(), 75);
  EXPECT_EQ(copy.ShowCmdNumber(), 7);
}

TEST_F(Shortcuts, NoHotKeyWhenBlank) {
  const std::string target = dir.Write("t.exe", "MZ");
  TShortcutLink link;
  link.ShortcutFile = dir / "NoKey.lnk";
  link.Target = target;
  link.SetHotKey("");
  EXPECT_EQ(link.HotKeyCode(), 32);
  link.SetShowCmd(TShowCmd::scShowMaximized);
  EXPECT_EQ(link.ShowCmdNumber(), 3);
  link.SaveShortcut();
  TShortcutLink read;
  read.ShortcutFile = link.ShortcutFile;
  read.LoadShortcut();
  EXPECT_TRUE(read.Success);
  EXPECT_EQ(read.HotKeyCode(), 32);
  EXPECT_EQ(read.ShowCmd(), TShowCmd::scShowMaximized);
}

TEST_F(Shortcuts, FolderTarget) {
  const std::string folder = ExcludeTrailingBackslash(dir.MakeDir("Some Folder"));
  TShortcutLink link;
  link.ShortcutFile = dir / "Folder.lnk";
  link.Target = folder;
  link.SaveShortcut();
  TShortcutLink read;
  read.ShortcutFile = link.ShortcutFile;
  read.LoadShortcut();
  EXPECT_TRUE(read.Success);
  EXPECT_TRUE(IEquals(read.Target, folder)) << read.Target;
  EXPECT_TRUE(read.IsDir);
}

TEST_F(Shortcuts, MissingFileQuietAndLoud) {
  TShortcutLink quiet;
  quiet.Quiet = true;
  quiet.ShortcutFile = dir / "missing.lnk";
  EXPECT_NO_THROW(quiet.LoadShortcut());
  EXPECT_FALSE(quiet.Success);

  TShortcutLink loud;
  loud.ShortcutFile = dir / "missing.lnk";
  try {
    loud.LoadShortcut();
    FAIL() << "no exception";
  } catch (const EShortcutError& e) {
    EXPECT_STREQ(e.what(), "Unable to open link file");
  }
  EXPECT_FALSE(loud.Success);

  // Not a link at all.
  TShortcutLink junk;
  junk.Quiet = true;
  junk.ShortcutFile = dir.Write("junk.lnk", "this is no shortcut");
  junk.LoadShortcut();
  EXPECT_FALSE(junk.Success);
}

TEST_F(Shortcuts, SaveFailureAlwaysThrows) {
  TShortcutLink link;
  link.Quiet = true;
  link.Target = "C:\\windows\\notepad.exe";
  link.ShortcutFile = dir / "no such folder\\x.lnk";
  EXPECT_THROW(link.SaveShortcut(), EShortcutError);
}

TEST_F(Shortcuts, LinkWithoutAPathReadsWithAnEmptyTarget) {
  // A link to a shell item that is no file (the Control Panel).
  IShellLinkW* raw = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         reinterpret_cast<void**>(&raw))));
  PIDLIST_ABSOLUTE pidl = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, &pidl)));
  raw->SetIDList(pidl);
  CoTaskMemFree(pidl);
  IPersistFile* pf = nullptr;
  ASSERT_TRUE(SUCCEEDED(raw->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf))));
  const std::string file = dir / "Panel.lnk";
  ASSERT_TRUE(SUCCEEDED(pf->Save(Widen(file).c_str(), TRUE)));
  pf->Release();
  raw->Release();

  TShortcutLink read;
  read.ShortcutFile = file;
  EXPECT_NO_THROW(read.LoadShortcut());
  EXPECT_TRUE(read.Success);
  EXPECT_EQ(read.Target, "");
  EXPECT_FALSE(read.IsDir);
}

}  // namespace
}  // namespace qz
