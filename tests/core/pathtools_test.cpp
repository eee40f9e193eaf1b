// Cleaner path helpers: a reference (often a whole command line) reduced to
// the file path to test.
#include <gtest/gtest.h>

#include "core/pathtools.h"
#include "core/strings.h"

namespace qz {
namespace {

TEST(CommandLineToFilePath, Table) {
  struct Row {
    std::string text;
    std::string path;
  };
  const Row rows[] = {
      {"c:\\windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL", "C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE"},
      {"C:\\PROGRA~1\\X\\X.EXE /S", "C:\\PROGRA~1\\X\\X.EXE"},
      {"C:\\A B\\C.EXE -X", "C:\\A B\\C.EXE"},
      {"RUN /X.Y", ""},
      {"abc", "ABC"},
      {"a.b", "A.B"},
      {"", ""},
      {"\nC:\\X.EXE /S", ""},
      {"C:\\APP\\APP.EXE,0", "C:\\APP\\APP.EXE"},
      {"C:\\X\\Y.EXE/S", "C:\\X\\Y.EXE"},
      {"C:\\MY.DIR\\TOOL.EXE /Q", "C:\\MY.DIR\\TOOL.EXE"},
      {"C:\\PROG\\NOTEPAD.EXE", "C:\\PROG\\NOTEPAD.EXE"},
      {"C:\\PROG\\NOTEPAD.EXE ", "C:\\PROG\\NOTEPAD.EXE "},  // the last character is never examined
      {"C:\\X\\Y.EXE\r\nmore", "C:\\X\\Y.EXE"},
      {std::string("C:\\X\\Y.EXE\0junk", 15), "C:\\X\\Y.EXE"},
      {"C:\\X\\Y.EXE\x7fjunk", "C:\\X\\Y.EXE"},
      {"C:\\LONGNAME\\APP.JPEG -x", ""},      // a four-letter extension is not recognised
      // A second drive reference: the stretch up to its colon, behind ":\".
      {"C:\\A\\B.EXE D:\\X.TXT", ":\\A\\B.EXE"},
      {"C:\\A\\B.EXE /CONFIG=D:\\X.INI", ":\\A\\B.EXE"},
      {"c:\\progra~1\\äpp\\äpp.exe -s", "C:\\PROGRA~1\\ÄPP\\ÄPP.EXE"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    std::string t = r.text;
    CommandLineToFilePath(t);
    EXPECT_EQ(t, r.path);
  }
}

TEST(ExpandAndUnquote, UpperCasesExpandsAndDropsQuotes) {
  std::string windir = ExpandEnvVars("%WINDIR%");
  EXPECT_EQ(ExpandAndUnquote("\"%windir%\\notepad.exe\" %1"), windir + "\\NOTEPAD.EXE %1");
  EXPECT_EQ(ExpandAndUnquote("\"\"a\"\""), "A");
  EXPECT_EQ(ExpandAndUnquote(""), "");
}

TEST(IsInstallerReference, NeedsBraceAndInstaller) {
  EXPECT_TRUE(IsInstallerReference("C:\\WINDOWS\\INSTALLER\\{12345678-ABCD}\\ICON.EXE"));
  EXPECT_FALSE(IsInstallerReference("C:\\WINDOWS\\INSTALLER\\ICON.EXE"));
  EXPECT_FALSE(IsInstallerReference("c:\\windows\\installer\\{1}\\icon.exe"));  // callers pass upper case
  EXPECT_FALSE(IsInstallerReference(""));
}

}  // namespace
}  // namespace qz
