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
      {"C:\\PROG\\NOTEPAD.EXE ", "C:\\PROG\\NOTEPAD.EXE"},  // the last character counts too
      {"C:\\PROG\\NOTEPAD.EXE,", "C:\\PROG\\NOTEPAD.EXE"},
      {"C:\\X\\Y.EXE\r\nmore", "C:\\X\\Y.EXE"},
      {std::string("C:\\X\\Y.EXE\0junk", 15), "C:\\X\\Y.EXE"},
      {"C:\\X\\Y.EXE\x7fjunk", "C:\\X\\Y.EXE"},
      {"C:\\LONGNAME\\APP.JPEG -x", ""},      // a four-letter extension is not recognised
      {"C:\\PROGRAM FILES\\FOO - BAR\\X.EXE", ""},  // reads as a switch
      {"C:\\MY.APP FILES\\X.DLL", "C:\\MY.APP"},
      // A second drive reference is an argument: the program path lies before it.
      {"C:\\APP\\APP.EXE /CONFIG=D:\\X.INI", "C:\\APP\\APP.EXE"},
      {"C:\\APP\\APP.EXE D:\\DATA\\FILE.TXT", "C:\\APP\\APP.EXE"},
      {"C:\\APP\\APP.EXE,D:\\X", "C:\\APP\\APP.EXE"},
      {"C:\\APP\\APP.EXE\nD:\\OTHER", "C:\\APP\\APP.EXE"},
      {"C:\\A\\B.DAT   D:\\X", "C:\\A\\B.DAT"},
      {"C:\\:\\X.EXE", "C:"},                 // the second reference right after the first
      {"c:\\progra~1\\äpp\\äpp.exe -s", "C:\\PROGRA~1\\ÄPP\\ÄPP.EXE"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    std::string t = r.text;
    CommandLineToFilePath(t);
    EXPECT_EQ(t, r.path);
  }
}

// The candidates a reference gives, after the filter that decides which are
// tested (drive C checked).
TEST(ParseReference, CandidatesTested) {
  struct Row {
    std::string reference;
    StringList extras;
    std::string commandPath;
    StringList tested;
  };
  const Row rows[] = {
      {"C:\\APP\\APP.EXE /CONFIG=D:\\X.INI", {}, "C:\\APP\\APP.EXE", {"C:\\APP\\APP.EXE"}},
      {"C:\\APP\\APP.EXE D:\\DATA\\FILE.TXT", {}, "C:\\APP\\APP.EXE", {"C:\\APP\\APP.EXE"}},
      {"C:\\APP\\APP.EXE,D:\\X", {}, "C:\\APP\\APP.EXE", {"C:\\APP\\APP.EXE"}},
      {"C:\\APP\\APP.EXE\nD:\\OTHER", {}, "C:\\APP\\APP.EXE", {"C:\\APP\\APP.EXE"}},
      {"\"C:\\PROGRAM FILES\\APP\\APP.EXE\" \"%1\"", {}, "", {"C:\\PROGRAM FILES\\APP\\APP.EXE"}},
      {"  \"C:\\Q\\NO CLOSE.EXE", {}, "", {"C:\\Q\\NO CLOSE.EXE"}},
      {"C:\\PROGRAM FILES\\APP\\APP.EXE %1", {}, "C:\\PROGRAM FILES\\APP\\APP.EXE",
       {"C:\\PROGRAM FILES\\APP\\APP.EXE", "C:\\PROGRAM FILES\\APP\\APP.EXE %1"}},
      {"C:\\PROGRAM FILES\\FOO - BAR\\X.EXE", {}, "", {"C:\\PROGRAM FILES\\FOO - BAR\\X.EXE"}},
      {"C:\\MY.APP FILES\\X.DLL", {}, "C:\\MY.APP", {"C:\\MY.APP", "C:\\MY.APP FILES\\X.DLL"}},
      {"C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE SHELL32.DLL,CONTROL_RUNDLL", {},
       "C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE",
       {"C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE", "C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE SHELL32.DLL,CONTROL_RUNDLL"}},
      {"C:\\PROGRA~1\\X\\X.EXE /S", {}, "C:\\PROGRA~1\\X\\X.EXE", {"C:\\PROGRA~1\\X\\X.EXE"}},
      {"C:\\A B\\C.EXE -X", {}, "C:\\A B\\C.EXE", {"C:\\A B\\C.EXE", "C:\\A B\\C.EXE -X"}},
      {"RUN /X.Y", {}, "", {}},
      {"X.DLL", {}, "X.DLL", {}},
      {"\\\\SRV\\S\\X.DLL", {}, "\\\\SRV\\S\\X.DLL", {}},
      {"E:\\X.DLL", {}, "E:\\X.DLL", {}},  // a drive that is not checked
      {"C:\\A\\*.DLL", {}, "C:\\A\\*.DLL", {}},
      {"C:\\A\\B|C.EXE", {}, "C:\\A\\B|C.EXE", {}},
      // The program's own readings come last (the file-type cut, the App Paths default).
      {"C:\\APP\\A.EXE,1", {"C:\\APP\\A.EXE"}, "C:\\APP\\A.EXE", {"C:\\APP\\A.EXE", "C:\\APP\\A.EXE,1"}},
      {"C:\\T\\FOO.CMD\\FOO.EXE", {"C:\\T\\FOO.CMD"}, "C:\\T\\FOO.CMD\\FOO.EXE",
       {"C:\\T\\FOO.CMD\\FOO.EXE", "C:\\T\\FOO.CMD"}},
      {"", {}, "", {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.reference);
    ReferenceCandidates c = ParseReference(r.reference, r.extras);
    EXPECT_EQ(c.CommandPath, r.commandPath);
    StringList tested;
    for (const std::string& p : c.Paths)
      if (IsTestablePath(p, "C")) tested.push_back(p);
    EXPECT_EQ(tested, r.tested);
  }
}

TEST(IsTestablePath, DriveRuleAndNames) {
  EXPECT_TRUE(IsTestablePath("C:\\X\\Y.DLL", "DC"));
  EXPECT_TRUE(IsTestablePath("D:\\", "DC"));
  EXPECT_FALSE(IsTestablePath("c:\\X\\Y.DLL", "DC"));  // the letters are compared as they stand
  EXPECT_FALSE(IsTestablePath("C:", "C"));
  EXPECT_FALSE(IsTestablePath("C:X", "C"));
  EXPECT_FALSE(IsTestablePath("C:\\A:B", "C"));
  EXPECT_FALSE(IsTestablePath("C:\\A/B", "C"));
  EXPECT_FALSE(IsTestablePath("C:\\A\tB", "C"));
  EXPECT_FALSE(IsTestablePath("C:\\A", ""));
  EXPECT_TRUE(PassesDriveRule("C:\\A/B", "C"));
}

TEST(ExpandAndUnquote, UpperCasesExpandsAndDropsQuotes) {
  EXPECT_EQ(ExpandUpper("\"%windir%\\x\""), "\"" + ExpandEnvVars("%WINDIR%") + "\\X\"");
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
