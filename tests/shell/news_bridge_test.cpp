// The news bridge with the installed stand-in library (brv_inet.dll beside the
// program), which logs every call to the file named by BRV_INET_LOG: the
// calls at start-up and from the Options window's set-up button, a create
// that returns nothing, and a missing or incomplete library.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/registry.h"
#include "core/text.h"
#include "shell/news_bridge.h"
#include "shell/options_window.h"
#include "shell/shell_test_util.h"
#include "ui/stdctrls.h"

namespace qz::shell {
namespace {

void SetEnv(const char* name, const std::string& value) {
  SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

// Presses OK on the next message box of this thread that is not ours (the
// library's), noting its owner.
void AnswerNextForeignBox(HWND& owner, int tries = 500) {
  ui::App().Post([&owner, tries] {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM out) {
          wchar_t cls[16] = {};
          GetClassNameW(h, cls, 16);
          if (std::wstring(cls) != L"#32770" || !IsWindowVisible(h)) return TRUE;
          *reinterpret_cast<HWND*>(out) = h;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found) {
      owner = GetWindow(found, GW_OWNER);
      PostMessageW(found, WM_COMMAND, IDOK, 0);
    } else if (tries > 0) {
      Sleep(5);
      AnswerNextForeignBox(owner, tries - 1);
    }
  });
}

class NewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageID = 1031;
    SetEnv("BRV_INET_LOG", log);
    SetEnv("BRV_INET_CREATE_FAILS", "");
    RegRemoveKey(HKEY_LOCAL_MACHINE, kInfoChannelsRegKey);
  }
  void TearDown() override {
    SetEnv("BRV_INET_LOG", "");
    SetEnv("BRV_INET_CREATE_FAILS", "");
    RegRemoveKey(HKEY_LOCAL_MACHINE, kInfoChannelsRegKey);
  }
  static const NewsLibrary& Installed() {
    static const NewsLibrary lib = LoadNewsLibrary(qz::test::InstalledProgramDir() + "\\brv_inet.dll");
    return lib;
  }
  // The log's lines, the object numbers replaced by "#".
  std::vector<std::string> Calls() {
    std::vector<std::string> out;
    for (std::string line : SplitLines(qz::test::ReadFileText(log))) {
      if (line.empty()) continue;
      for (const char* f : {"binet_InfoCheckCreate -> ", "binet_InfoCheckSetProduct ", "binet_InfoCheckSetProductVersion ",
                            "binet_InfoCheckSetProductLangLCID ", "binet_InfoCheckSetParentWindow ",
                            "binet_InfoCheckSetRegistryKey ", "binet_InfoCheckStartAllAuto ",
                            "binet_InfoCheckDoConfig "}) {
        const std::string prefix = f;
        if (line.rfind(prefix, 0) != 0) continue;
        const size_t end = line.find(' ', prefix.size());
        line = prefix + "#" + (end == std::string::npos ? "" : line.substr(end));
        break;
      }
      out.push_back(line);
    }
    return out;
  }

  qz::test::ShellGlobals globals{"shell_news"};
  qz::test::ScratchDir dir{"shell_news"};
  std::string log = dir / "news.log";
  qz::test::MessageBoxRecorder boxes;
};

const char kKeyLine[] =
    "binet_InfoCheckSetRegistryKey # HKEY_LOCAL_MACHINE \"SOFTWARE\\Brinvale\\Brinvale Sysvantor Quenzal Suite "
    "2\\infochannels\"";

TEST_F(NewsTest, TheStartHandsTheNewsCheckOverInTheFixedOrder) {
  ASSERT_TRUE(Installed().Loaded());
  ui::Form window(nullptr, "TForm_Parent");
  window.HandleNeeded();
  StartInfoChannels(Installed(), window.Handle());
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "binet_Init", "binet_InfoCheckCreate -> #", "binet_InfoCheckSetProduct # \"1106\"",
                         "binet_InfoCheckSetProductVersion # \"2.00\"", "binet_InfoCheckSetProductLangLCID # 1031",
                         "binet_InfoCheckSetParentWindow # valid", kKeyLine, "binet_InfoCheckStartAllAuto #"}));
  EXPECT_TRUE(boxes.boxes.empty());
  // The stand-in keeps what it was handed under the key.
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, kInfoChannelsRegKey, "Product"), "1106");
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, kInfoChannelsRegKey, "Version"), "2.00");
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, kInfoChannelsRegKey, "LCID", 1031));
  EXPECT_FALSE(RegGetString(HKEY_LOCAL_MACHINE, kInfoChannelsRegKey, "LastStart").empty());
}

// The set-up button: the same calls without StartAllAuto, then the set-up
// dialog owned by the Options window itself.
TEST_F(NewsTest, TheSetUpButtonOpensTheDialogOverTheOptionsWindow) {
  auto w = std::make_unique<TForm_ZAMO2_Options>(nullptr);
  w->News = &Installed();
  w->DoCreate();
  w->Show();
  HWND owner = nullptr;
  AnswerNextForeignBox(owner);
  w->Button_Config_Channels->Click();
  EXPECT_EQ(owner, w->Handle());
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "binet_Init", "binet_InfoCheckCreate -> #", "binet_InfoCheckSetProduct # \"1106\"",
                         "binet_InfoCheckSetProductVersion # \"2.00\"", "binet_InfoCheckSetProductLangLCID # 1031",
                         "binet_InfoCheckSetParentWindow # valid", kKeyLine, "binet_InfoCheckDoConfig # valid"}));
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, kInfoChannelsRegKey)) << "nothing started";
}

TEST_F(NewsTest, ACreateThatReturnsNothingIsReportedOnceAndEndsTheCalls) {
  SetEnv("BRV_INET_CREATE_FAILS", "1");
  ui::Form window(nullptr, "TForm_Parent");
  window.HandleNeeded();
  StartInfoChannels(Installed(), window.Handle());
  EXPECT_EQ(Calls(), (std::vector<std::string>{"binet_Init", "binet_InfoCheckCreate -> #"}));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "NewsChannels : pObject is NIL!!!");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::None);
}

// No library, or one without the nine functions: the start goes on without
// a call or a box; the set-up button says that there are no news channels.
TEST_F(NewsTest, WithoutTheLibraryTheProgramRunsWithoutNews) {
  // Another DLL under the library's name lacks the functions.
  dir.MakeDir("other");
  ASSERT_TRUE(CopyFileW(L"C:\\windows\\system32\\version.dll", Widen(dir / "other\\brv_inet.dll").c_str(), FALSE));
  for (const std::string& path : {dir / "none\\brv_inet.dll", dir / "other\\brv_inet.dll"}) {
    SCOPED_TRACE(path);
    const NewsLibrary lib = LoadNewsLibrary(path);
    EXPECT_FALSE(lib.Loaded());
    ui::Form window(nullptr, "TForm_Parent");
    window.HandleNeeded();
    StartInfoChannels(lib, window.Handle());
    EXPECT_TRUE(boxes.boxes.empty());

    TForm_ZAMO2_Options options(nullptr);
    options.News = &lib;
    options.DoCreate();
    options.Button_Config_Channels->Click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "News channels are not available.");
    EXPECT_EQ(boxes.boxes[0].owner, options.Handle());
    boxes.boxes.clear();
  }
  EXPECT_EQ(qz::test::ReadFileText(log), "") << "no call reached the installed library";
}

}  // namespace
}  // namespace qz::shell
