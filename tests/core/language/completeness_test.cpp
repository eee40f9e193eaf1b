// The shipped language files as the installed program reads them: both hold
// the same sections and keys, no message is empty, every translated component
// of every window has its text in both, and the dialect mapping names
// installed languages. (Which "MESSAGE_" keys the sources ask for is checked
// on the build machine by check_translation_keys.cmake.)
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

#include "core/disk.h"
#include "core/ini.h"
#include "core/text.h"
#include "core/translation.h"
#include "core/language/translated_windows.h"

namespace qz {
namespace {

// Where the test run installs the program (tools/sandbox.sh install).
const std::string kTranslationDir =
    "C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2\\Translation\\";
const char* const kLanguages[] = {"1033", "1031"};

using Sections = std::map<std::string, std::set<std::string>>;

// Sections and the keys of their entries.
Sections Parse(const StringList& lines) {
  Sections s;
  std::string current;
  for (const std::string& l : lines) {
    if (l.size() > 2 && l.front() == '[' && l.back() == ']') {
      current = l.substr(1, l.size() - 2);
      s[current];
    } else if (StartsWith(l, "||") && !current.empty()) {
      size_t eq = l.find('=');
      if (eq != std::string::npos) s[current].insert(l.substr(2, eq - 2));
    }
  }
  return s;
}

class ShippedLanguageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* lang : kLanguages) {
      std::string file = kTranslationDir + lang + ".ini";
      ASSERT_TRUE(FileExists(file)) << file << " is missing: install the program first (tools/sandbox.sh install)";
      ASSERT_TRUE(LoadLines(file, lines[lang]));
      sections[lang] = Parse(lines[lang]);
    }
  }
  std::map<std::string, StringList> lines;
  std::map<std::string, Sections> sections;
};

TEST_F(ShippedLanguageFiles, SameSectionsAndKeysInEveryLanguage) {
  ASSERT_TRUE(sections["1033"].count("TForm_ZAMO2"));
  for (const auto& [section, keys] : sections["1033"]) {
    ASSERT_TRUE(sections["1031"].count(section)) << section << " missing in 1031.ini";
    EXPECT_EQ(keys, sections["1031"][section]) << section;
  }
  EXPECT_EQ(sections["1033"].size(), sections["1031"].size());
}

TEST_F(ShippedLanguageFiles, EveryEntryHasText) {
  for (const char* lang : kLanguages) {
    for (const auto& [section, keys] : sections[lang]) {
      std::string text;
      ASSERT_TRUE(FindSectionText(lines[lang], section, text));
      for (const std::string& key : keys) {
        EXPECT_NE(ExtractTranslationValue(text, key), "") << lang << " [" << section << "] " << key;
      }
    }
  }
}

TEST_F(ShippedLanguageFiles, EveryTranslatedComponentOfEveryWindow) {
  for (const test::TranslatedWindow& w : test::TranslatedWindows()) {
    std::unique_ptr<ui::Component> window = w.make();
    ASSERT_TRUE(window) << w.className;
    std::vector<const ui::Component*> tagged;
    std::function<void(const ui::Component&)> walk = [&](const ui::Component& c) {
      if (c.Tag != 0 && c.HasCaption()) tagged.push_back(&c);
      for (const ui::Component* child : c.Components()) walk(*child);
    };
    walk(*window);
    for (const char* lang : kLanguages) {
      std::string text;
      if (tagged.empty()) continue;
      ASSERT_TRUE(FindSectionText(lines[lang], window->Name, text)) << lang << ": no section " << window->Name;
      for (const ui::Component* c : tagged)
        EXPECT_NE(ExtractTranslationValue(text, c->Name), "")
            << lang << " [" << window->Name << "] " << c->Name << " (" << w.className << ")";
    }
  }
}

TEST_F(ShippedLanguageFiles, DialectsNameInstalledLanguages) {
  const std::string dialects = kTranslationDir + "DIALECTS.INI";
  ASSERT_TRUE(FileExists(dialects));
  for (const char* g : {"2055", "3079", "4103", "5127"}) EXPECT_EQ(IniReadString(dialects, "dialects", g), "1031") << g;
  for (const char* e : {"2057", "3081", "4105", "5129", "6153", "7177", "8201", "10249", "11273", "13321", "16393",
                        "17417", "18441"})
    EXPECT_EQ(IniReadString(dialects, "dialects", e), "1033") << e;
}

}  // namespace
}  // namespace qz
