// Language and skin choice over a scratch program folder and a scratch
// settings key, with the system language given by the test.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/disk.h"
#include "core/globals.h"
#include "core/language.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz {
namespace {

using test::GlobalsGuard;
using test::MessageBoxRecorder;
using test::ScratchDir;
using test::ScratchKey;

class LanguageChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    AppDir = ExcludeTrailingBackslash(app.path());
    ProductRegKey = settings.key();
  }
  void Install(std::initializer_list<const char*> names) {
    for (const char* n : names) app.Write(std::string("Translation\\") + n, "[TForm_ZAMO2]\r\n||\r\n\r\n||\r\n\r\n");
  }
  void Dialect(const std::string& from, const std::string& to) {
    std::string text = ReadFile(app / "Translation\\DIALECTS.INI");
    if (text.empty()) text = "[dialects]\r\n";
    app.Write("Translation\\DIALECTS.INI", text + from + "=" + to + "\r\n");
  }
  void Force(const std::string& value) {
    ASSERT_TRUE(RegSetStringChecked(HKEY_LOCAL_MACHINE, settings.key(), "ForceLanguageID", value));
  }
  static std::string ReadFile(const std::string& path) { return test::ReadFileText(path); }

  GlobalsGuard guard;
  ScratchDir app{"corelang_lang_app"};
  ScratchKey settings{"corelang_lang_settings", HKEY_LOCAL_MACHINE};
};

TEST_F(LanguageChoice, ListHoldsTheLanguageFilesButNotTheDialects) {
  Install({"1031.ini", "1033.ini"});
  app.Write("Translation\\DIALECTS.INI", "[dialects]\r\n");
  app.Write("Translation\\readme.txt", "x");
  BuildLanguageList();
  StringList sorted = LanguageList;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (StringList{"1031", "1033"}));
}

TEST_F(LanguageChoice, AFolderNamedDialectsAboveTheProgramHidesNothing) {
  ScratchDir dialects("corelang_Dialects_Program");
  AppDir = ExcludeTrailingBackslash(dialects.path());
  dialects.Write("Translation\\1033.ini", "x");
  dialects.Write("Translation\\mydialects.ini", "x");
  BuildLanguageList();
  EXPECT_EQ(LanguageList, StringList{"1033"});
}

struct ChainCase {
  const char* what;
  std::vector<const char*> files;                          // installed language files
  std::vector<std::pair<const char*, const char*>> dialects;  // DIALECTS.INI entries (none: no file)
  const char* forced;                                      // ForceLanguageID (nullptr: absent)
  int32_t system;                                          // system language id
  int32_t expected;
};

class LanguageChain : public LanguageChoice, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(LanguageChain, ChoosesTheLanguage) {
  const ChainCase& c = GetParam();
  for (const char* f : c.files) Install({f});
  for (auto& [from, to] : c.dialects) Dialect(from, to);
  if (c.forced) Force(c.forced);
  LanguageID = 4711;
  InitLanguage(c.system);
  EXPECT_EQ(LanguageID, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LanguageChain,
    ::testing::Values(
        ChainCase{"forced language installed wins over the system", {"1031.ini", "1033.ini"}, {}, "1031", 1033, 1031},
        ChainCase{"forced language not installed falls to the system", {"1031.ini", "1033.ini"}, {}, "1036", 1031,
                  1031},
        ChainCase{"forced and system not installed give 1033", {"1031.ini", "1033.ini"}, {}, "1036", 1036, 1033},
        ChainCase{"forced text that is no number goes on with the system", {"abc.ini", "1031.ini", "1033.ini"}, {},
                  "abc", 1031, 1031},
        ChainCase{"system language installed", {"1031.ini", "1033.ini"}, {}, nullptr, 1031, 1031},
        ChainCase{"dialect mapped to an installed language", {"1031.ini", "1033.ini"}, {{"2055", "1031"}}, nullptr,
                  2055, 1031},
        ChainCase{"dialect mapped to a missing language", {"1033.ini"}, {{"2055", "1031"}}, nullptr, 2055, 1033},
        ChainCase{"dialect without a mapping", {"1031.ini", "1033.ini"}, {{"3079", "1031"}}, nullptr, 2055, 1033},
        ChainCase{"no dialect file", {"1031.ini", "1033.ini"}, {}, nullptr, 2055, 1033},
        ChainCase{"forced wins over a dialect", {"1031.ini", "1033.ini"}, {{"2055", "1031"}}, "1033", 2055, 1033},
        ChainCase{"system language file missing", {"1033.ini"}, {}, nullptr, 1031, 1033}),
    [](const ::testing::TestParamInfo<ChainCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(LanguageChoice, SkinNamedByUseSkinIsSpelledAsInTheRegistry) {
  app.MakeDir("Skins\\default");
  app.MakeDir("Skins\\Blue");
  ASSERT_TRUE(RegSetStringChecked(HKEY_LOCAL_MACHINE, settings.key(), "UseSkin", "blue"));
  ASSERT_TRUE(InitSkins());
  EXPECT_EQ(SkinDir, AppDir + "\\Skins\\blue");
  StringList sorted = SkinList;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (StringList{"Blue", "default"}));
}

TEST_F(LanguageChoice, MissingOrNoSkinChoiceKeepsDefault) {
  app.MakeDir("Skins\\default");
  ASSERT_TRUE(InitSkins());
  EXPECT_EQ(SkinDir, AppDir + "\\Skins\\default");
  ASSERT_TRUE(RegSetStringChecked(HKEY_LOCAL_MACHINE, settings.key(), "UseSkin", "Gone"));
  ASSERT_TRUE(InitSkins());
  EXPECT_EQ(SkinDir, AppDir + "\\Skins\\default");
}

TEST_F(LanguageChoice, MissingDefaultSkinIsFatal) {
  app.MakeDir("Skins\\Blue");
  MessageBoxRecorder boxes;
  EXPECT_FALSE(InitSkins());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Fatal Error");
  EXPECT_EQ(boxes.boxes[0].text, "Skin \"default\" is not present!!! Please reinstall this application.");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].owner, nullptr);
}

TEST(LanguageName, KnownAndUnknownLanguages) {
  EXPECT_TRUE(IContains(GetLanguageName(1031), "German")) << GetLanguageName(1031);
  EXPECT_TRUE(IContains(GetLanguageName(1033), "English")) << GetLanguageName(1033);
  // An id that names no language: nothing, not the text of an earlier call.
  GetLanguageName(1031);
  EXPECT_EQ(GetLanguageName(0x7FF0), "");
}

}  // namespace
}  // namespace qz
