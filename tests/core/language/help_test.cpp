// Help files and topics through a recorded HTML Help, the help router's
// request handler, and configured links through a recorded launcher.
#include <gtest/gtest.h>
#include <windows.h>
#include <htmlhelp.h>

#include <stdexcept>
#include <vector>

#include "core/disk.h"
#include "core/globals.h"
#include "core/help.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "ui/help_router.h"

namespace qz {
namespace {

using test::GlobalsGuard;
using test::MessageBoxRecorder;
using test::ScratchDir;
using test::ScratchKey;

struct HelpCall {
  std::string file;
  UINT command;
  DWORD_PTR data;
};

// Records every HTML Help call; answers with a window unless told otherwise.
class HelpRecorder {
 public:
  HelpRecorder() {
    SetHtmlHelpFunction([this](HWND, const std::wstring& file, UINT command, DWORD_PTR data) -> HWND {
      calls.push_back({Narrow(file), command, data});
      if (command == kHH_DISPLAY_TEXT_POPUP && data) {
        auto* p = reinterpret_cast<const HH_POPUP*>(data);
        popupPoint = p->pt;
        popupFont = p->pszFont ? Narrow(p->pszFont) : "";
      }
      return answer;
    });
  }
  ~HelpRecorder() { SetHtmlHelpFunction(nullptr); }
  std::vector<HelpCall> calls;
  HWND answer = reinterpret_cast<HWND>(1);
  POINT popupPoint{};
  std::string popupFont;
};

class Help : public ::testing::Test {
 protected:
  void SetUp() override { AppDir = ExcludeTrailingBackslash(app.path()); }
  GlobalsGuard guard;
  ScratchDir app{"corelang_help_app"};
  HelpRecorder help;
};

TEST_F(Help, TopicOfTheLanguagesFile) {
  app.Write("Translation\\1031.chm");
  app.Write("Translation\\1033.chm");
  LanguageID = 1031;
  EXPECT_TRUE(ShowHelpTopic("DC"));
  ASSERT_EQ(help.calls.size(), 1u);
  EXPECT_EQ(help.calls[0].file, AppDir + "\\Translation\\1031.chm::/DC.htm");
  EXPECT_EQ(help.calls[0].command, kHH_DISPLAY_TOPIC);
}

TEST_F(Help, MissingLanguageFileFallsBackToEnglish) {
  app.Write("Translation\\1033.chm");
  LanguageID = 1031;
  ui::Component mainWindow(nullptr, "TForm_ZAMO2");
  auto* router = new THelpRouter(&mainWindow);
  EXPECT_EQ(mainWindow.FindComponent("HelpRouter1"), router);
  AppHelpRouter = router;
  EXPECT_TRUE(ShowHelpTopic("DC"));
  ASSERT_EQ(help.calls.size(), 1u);
  EXPECT_EQ(help.calls[0].file, AppDir + "\\Translation\\1033.chm::/DC.htm");
  EXPECT_EQ(router->Helpfile, AppDir + "\\Translation\\1033.chm");
}

TEST_F(Help, NoHelpFileAtAllShowsTheChmError) {
  LanguageID = 1031;
  MessageBoxRecorder boxes;
  EXPECT_FALSE(ShowHelpTopic("MAIN"));
  EXPECT_TRUE(help.calls.empty());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "CHM Error");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].owner, nullptr);
  EXPECT_EQ(boxes.boxes[0].text,
            "Unable to locate helpfile\r" + AppDir + "\\Translation\\1033.chm\rPlease reinstall application.");
}

TEST_F(Help, TopicNames) {
  THelpRouter router(nullptr);
  struct Case {
    bool validate;
    const char* topic;
    const char* target;
  } cases[] = {
      {false, "MAIN", "C:\\h\\x.chm::/MAIN.htm"},
      {false, "Start page.HTM", "C:\\h\\x.chm::/Start page.HTM"},
      {false, "page.html", "C:\\h\\x.chm::/page.html"},
      {true, "a b", "C:\\h\\x.chm::/a_b.htm"},
      {false, "a b", "C:\\h\\x.chm::/a b.htm"},
      {true, "x.y", "C:\\h\\x.chm::/x_y.htm"},
      {false, "", "C:\\h\\x.chm"},
  };
  for (const Case& c : cases) {
    help.calls.clear();
    router.ValidateID = c.validate;
    EXPECT_TRUE(router.ShowTopic("C:\\h\\x.hlp", c.topic));
    ASSERT_EQ(help.calls.size(), 1u);
    EXPECT_EQ(help.calls[0].file, c.target) << c.topic;
  }
  // An empty file name means the router's own file.
  help.calls.clear();
  router.Helpfile = "C:\\h\\own.chm";
  router.ShowTopic("", "RC");
  EXPECT_EQ(help.calls.at(0).file, "C:\\h\\own.chm::/RC.htm");
  // No help window came back: false.
  help.answer = nullptr;
  EXPECT_FALSE(router.ShowTopic("", "RC"));
}

TEST(TopicFileSafe, EveryRule) {
  EXPECT_EQ(MakeTopicFileSafe("a b%c.d"), "a_b_c_d");
  EXPECT_EQ(MakeTopicFileSafe("q\"u,o/t:e?s|x\\y\xC2\xBFz"), "quotesxyz");
  EXPECT_EQ(MakeTopicFileSafe("a&b*c<d>e[f]"), "a+b+c~d~e(f)");
  EXPECT_EQ(MakeTopicFileSafe("\xC3\x84\xC3\xA4\xC3\x96\xC3\xB6\xC3\x9C\xC3\xBC\xC3\x9F"), "aaoouus");
  EXPECT_EQ(MakeTopicFileSafe("Plain-Name_1"), "Plain-Name_1");
}

TEST_F(Help, ApplicationRequestsGoThroughTheRouter) {
  app.Write("Translation\\1033.chm");
  const HelpRequestHandler before = ApplicationHelpHandler();
  {
    THelpRouter router(nullptr);
    router.Helpfile = "C:\\h\\help.hlp";
    // F1 in a window with help context 1.
    EXPECT_TRUE(ApplicationHelp(1, 1));
    ASSERT_EQ(help.calls.size(), 1u);
    EXPECT_EQ(help.calls[0].file, "C:\\h\\help.chm");
    EXPECT_EQ(help.calls[0].command, kHH_HELP_CONTEXT);
    EXPECT_EQ(help.calls[0].data, 1u);

    help.calls.clear();
    ApplicationHelp(3, 0);   // contents
    ApplicationHelp(11, 0);  // finder
    ApplicationHelp(2, 0);   // quit
    ASSERT_EQ(help.calls.size(), 3u);
    EXPECT_EQ(help.calls[0].command, kHH_DISPLAY_TOC);
    EXPECT_EQ(help.calls[1].command, kHH_DISPLAY_TOC);
    EXPECT_EQ(help.calls[2].command, kHH_CLOSE_ALL);

    // A popup at the stored position, then (position cleared) at the cursor.
    help.calls.clear();
    EXPECT_TRUE(ApplicationHelp(13, MAKELONG(120, 45)));
    EXPECT_TRUE(ApplicationHelp(8, 77));
    ASSERT_EQ(help.calls.size(), 1u);
    EXPECT_EQ(help.calls[0].file, "C:\\h\\help.chm::/CSHelp.txt");
    EXPECT_EQ(help.calls[0].command, kHH_DISPLAY_TEXT_POPUP);
    EXPECT_EQ(help.popupPoint.x, 120);
    EXPECT_EQ(help.popupPoint.y, 45);
    EXPECT_EQ(help.popupFont, "MS Sans Serif, 8");

    // OnHelp runs first and may end the request.
    help.calls.clear();
    int seen = 0;
    router.OnHelp = [&](unsigned, uintptr_t, bool& callHelp) {
      ++seen;
      callHelp = false;
      return true;
    };
    EXPECT_TRUE(ApplicationHelp(1, 5));
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(help.calls.empty());

    // Only one router.
    EXPECT_THROW(THelpRouter second(nullptr), std::runtime_error);
  }
  // The router closed its help windows and gave the handler back.
  ASSERT_FALSE(help.calls.empty());
  EXPECT_EQ(help.calls.back().command, kHH_CLOSE_ALL);
  EXPECT_EQ(static_cast<bool>(ApplicationHelpHandler()), static_cast<bool>(before));
}

TEST(HtmlHelpLibrary, LoadsAndIsFreedAfterClosingItsWindows) {
  // The real library (no test function installed).
  ASSERT_TRUE(LoadHtmlHelp());
  EXPECT_TRUE(HtmlHelpLoaded());
  FreeHtmlHelp();
  EXPECT_FALSE(HtmlHelpLoaded());
}

class Links : public ::testing::Test {
 protected:
  void SetUp() override {
    ProductRegKey = settings.key();
    SetUrlLauncher([this](const std::string& a) { opened.push_back(a); });
  }
  void TearDown() override { SetUrlLauncher(nullptr); }
  void Url(const char* lang, const char* name, const char* value) {
    ASSERT_TRUE(RegSetStringChecked(HKEY_LOCAL_MACHINE, settings / (std::string("URLS\\") + lang), name, value));
  }
  GlobalsGuard guard;
  ScratchKey settings{"corelang_lang_links", HKEY_LOCAL_MACHINE};
  std::vector<std::string> opened;
};

TEST_F(Links, ChoiceOfTheAddress) {
  struct Case {
    const char* what;
    const char* lang1031;  // nullptr: no value
    const char* lang1033;
    const char* expected;
  } cases[] = {
      {"language value wins", "https://de.example.com/support", "https://example.com/support",
       "https://de.example.com/support"},
      {"empty language value falls back to English", "", "https://example.com/support",
       "https://example.com/support"},
      {"missing language value falls back to English", nullptr, "http://example.com/s", "http://example.com/s"},
      {"nothing configured gives the built-in address", nullptr, nullptr, kDefaultLinkAddress},
      {"empty English value never replaces the built-in one", nullptr, "", kDefaultLinkAddress},
      {"mail address", "mailto:support@example.com", nullptr, "mailto:support@example.com"},
      {"scheme in any case", "HTTPS://EXAMPLE.COM/", nullptr, "HTTPS://EXAMPLE.COM/"},
      {"program path is not opened", "C:\\Windows\\system32\\cmd.exe", "https://example.com/",
       "https://example.com/"},
      {"other schemes are not opened", "file:///C:/boot.ini", nullptr, kDefaultLinkAddress},
      {"scheme alone is no address", "http://", nullptr, kDefaultLinkAddress},
      {"blanks around an address", "  https://example.com/x  ", nullptr, "https://example.com/x"},
  };
  LanguageID = 1031;
  for (const Case& c : cases) {
    RegRemoveKey(HKEY_LOCAL_MACHINE, settings / "URLS");
    if (c.lang1031) Url("1031", "URL_SUPPORT", c.lang1031);
    if (c.lang1033) Url("1033", "URL_SUPPORT", c.lang1033);
    opened.clear();
    OpenConfiguredURL("URL_SUPPORT");
    ASSERT_EQ(opened.size(), 1u) << c.what;
    EXPECT_EQ(opened[0], c.expected) << c.what;
  }
}

TEST_F(Links, EnglishProgramReadsOnlyTheEnglishKey) {
  LanguageID = 1033;
  Url("1031", "URL_HOMEPAGE", "https://de.example.com/");
  Url("1033", "URL_HOMEPAGE", "https://example.com/");
  OpenConfiguredURL("URL_HOMEPAGE");
  EXPECT_EQ(opened, std::vector<std::string>{"https://example.com/"});
}

}  // namespace
}  // namespace qz
