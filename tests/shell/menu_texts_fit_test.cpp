// Every text the main menu bakes into a face or draws on the submenu panel,
// in every shipped language, fits the space its layout leaves it: it ends
// before the icon of its face (or the face's or panel's edge). A text that
// runs on is drawn under the icon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/stringlist.h"
#include "core/translation.h"
#include "shell/main_window.h"
#include "shell/shell_test_util.h"
#include "skin/skin.h"
#include "skin/smooth_text.h"

namespace qz::shell {
namespace {

using test::ShellGlobals;

// Text lines of one translation value, each with the x it is drawn at, its
// size and the x it must end before.
struct Space {
  std::string key;
  int line;
  int x;
  bool big;
  int limit;
};

// The faces and panels, as the main window lays them out (main_window.h).
std::vector<Space> Spaces() {
  std::vector<Space> v;
  auto face = [&](const std::string& key, const FaceLayout& f, int limit) {
    v.push_back({key, 0, f.title.x, true, limit});
    v.push_back({key, 1, f.line2.x, false, limit});
    if (f.hasLine3) v.push_back({key, 2, f.line3.x, false, limit});
  };
  constexpr int kMargin = 2;  // a text ends at least this far before the icon
  for (const char* g : {"MorvekMouseImage3State_Cleaning", "MorvekMouseImage3State_Tuning",
                        "MorvekMouseImage3State_Tools"})
    face(g, kGroupFace, kGroupFace.icon.x - kMargin);
  face("MorvekMouseImage3State_OCO", kGroupFace, 596 - 4);  // no icon: the face's own width
  for (const char* item : {"Recommend", "Internet", "Products", "Support", "Offers", "Newsletter", "Update"})
    face(std::string("MorvekMouseImage3State_IM_") + item, kInternetFace, kInternetFace.icon.x - kMargin);
  for (int group = 1; group <= 3; ++group)
    for (int button = 1; button <= 4; ++button) {
      // File tools' first button has its icon two pixels further left.
      const int icon = group == 3 && button == 1 ? 216 : kSubMenuFace.icon.x;
      face("MESSAGE_Button_" + ModuleCodeFor(group, button), kSubMenuFace, icon - kMargin);
    }
  return v;
}

TEST(MenuTexts, EveryShippedTextFitsItsSpaceInEveryLanguage) {
  for (int lang : {1033, 1031}) {
    SCOPED_TRACE(lang);
    ShellGlobals g("menu_texts");
    ShellGlobals::UseLanguage(lang);
    for (const Space& s : Spaces()) {
      SCOPED_TRACE(s.key);
      // The bakers draw every line in the BIG section's family, the title at
      // its size and the other lines at the SMALL section's size.
      const char* bigSection = s.key.rfind("MESSAGE_Button_", 0) == 0 ? kSubMenuFace.bigFontSection
                               : s.key.find("_IM_") != std::string::npos ? kInternetFace.bigFontSection
                                                                          : kGroupFace.bigFontSection;
      const char* smallSection = s.key.rfind("MESSAGE_Button_", 0) == 0 ? kSubMenuFace.smallFontSection
                                 : s.key.find("_IM_") != std::string::npos ? kInternetFace.smallFontSection
                                                                            : kGroupFace.smallFontSection;
      const skin::SkinFont big = skin::ReadSkinFont(bigSection);
      const skin::SkinFont small = skin::ReadSkinFont(smallSection);
      StringList lines;
      GetTranslationLines("TForm_ZAMO2", s.key, 3, lines);
      ASSERT_FALSE(lines.empty());
      const std::string text = static_cast<size_t>(s.line) < lines.size() ? lines[s.line] : std::string();
      const float w = skin::SmoothTextWidth(text, big.name, s.big ? big.size : small.size);
      EXPECT_LE(s.x + w, s.limit) << "line " << s.line << " \"" << text << "\" is " << w << " pixels wide";
    }
    // The group headers and the welcome text on the submenu panel.
    const skin::SkinFont headBig = skin::ReadSkinFont("SubMenu_HeaderFontBIG");
    const skin::SkinFont headSmall = skin::ReadSkinFont("SubMenu_HeaderFontSMALL");
    const skin::SkinFont other = skin::ReadSkinFont("OtherText_Font");
    constexpr int kPanelWidth = 269;
    for (const char* key : {"MESSAGE_Header_Cleaning", "MESSAGE_Header_Tuning", "MESSAGE_Header_FileTools"}) {
      StringList lines;
      GetTranslationLines("TForm_ZAMO2", key, 2, lines);
      ASSERT_GE(lines.size(), 2u) << key;
      EXPECT_LE(4 + skin::SmoothTextWidth(lines[0], headBig.name, headBig.size), kPanelWidth - 4) << key;
      EXPECT_LE(6 + skin::SmoothTextWidth(lines[1], headSmall.name, headSmall.size), kPanelWidth - 4) << key;
    }
    StringList welcome;
    GetTranslationLines("TForm_ZAMO2", "MESSAGE_SubMenu_StartText", 32, welcome);
    EXPECT_LE(36 + 12 * static_cast<int>(welcome.size()), 239) << "the welcome text is taller than the panel";
    for (const std::string& line : welcome)
      EXPECT_LE(4 + skin::SmoothTextWidth(line, other.name, other.size), kPanelWidth - 4) << line;
  }
}

}  // namespace
}  // namespace qz::shell
