// The main menu window and the splash window shown while it builds itself.
//
// TForm_ZAMO2 is a borderless 640 x 480 window whose outline, background and
// button faces come from the skin folder: the background picture shapes the
// window and drags it, every image button carries three faces baked once at
// start-up (page background, state picture, icon, anti-aliased texts), and
// the pages of its page control paint the skin background themselves.
// Page 0 offers the three module groups and the One-Click-Optimizer in easy
// or expert mode, page 1 is the about page, page 2 the internet menu, page 3
// the "looking for an update" page.
//
// Component names are those of the language file and of test drivers:
// ImageShape_Background, MorvekMouseImage3State_Close/_Minimize/_Help/
// _Options/_About/_Internetmenu (on the window), and on the pages
// MorvekMouseImage3State_Cleaning/_Tuning/_Tools, _Module1.._Module4, _OCO,
// Image_Submenu, Image_EasyMode, Image_ExpertMode, MorvekMouseImage3State_IM_*
// (Recommend, Internet, Products, Support, Offers, Newsletter, Update),
// Button_About_Back, Button_IM_Back.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/image_shape.h"
#include "skin/mouse_image3.h"
#include "ui/form.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/picture.h"

namespace qz {
class THelpRouter;
}
namespace qz::ui {
class Button;
class HttpClient;
class Timer;
}  // namespace qz::ui

namespace qz::shell {

// ---- the about text -----------------------------------------------------------

// One line of the about page.
struct AboutSegment {
  std::string text;
  bool bold = false;
  bool operator==(const AboutSegment&) const = default;
};
// Splits the about text into its lines: segments separated by "<br>"; line
// breaks at a segment's ends are dropped; a segment that starts with "<b>"
// is bold, without that tag and without a "</b>" at its end. Tags are found
// as tags, so short or unterminated segments are never cut short.
std::vector<AboutSegment> SplitAboutText(const std::string& text);

// ---- the module groups --------------------------------------------------------

// The module code behind a module button (group 1..3, button 1..4); "" when none.
std::string ModuleCodeFor(int group, int button);
// Whether a module button's module needs expert mode.
bool ModuleNeedsExpertMode(int group, int button);

// ---- face baking --------------------------------------------------------------

// Where a baker takes the page background and puts icon and texts.
struct FaceLayout {
  POINT backgroundOffset;  // added to the button's Left, Top
  POINT title, line2, line3;
  bool hasLine3;
  POINT icon;
  const char* bigFontSection;
  const char* smallFontSection;
};
extern const FaceLayout kGroupFace;     // group buttons and the OCO button
extern const FaceLayout kInternetFace;  // internet-menu items
extern const FaceLayout kSubMenuFace;   // module buttons
// In the pressed face, icon and texts sit this much right and down.
inline constexpr int kPressedShift = 2;

class TForm_ZAMO_Splash;

// The faces of a button baked ahead of the build, on another thread: the
// button's component Name, the place (page coordinates) they were baked for,
// and the normal, highlight and pressed faces.
struct PrebakedFaces {
  std::string buttonName;
  RECT place{};
  std::shared_ptr<ui::Picture> faces[3];
};
// Gives the faces baked ahead (waiting for them when needed).
using PrebakedFacesSource = std::function<std::vector<PrebakedFaces>()>;

class TForm_ZAMO2 : public ui::Form {
 public:
  explicit TForm_ZAMO2(ui::Component* owner);
  ~TForm_ZAMO2() override;

  // Window
  skin::TImageShape* ImageShape_Background;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Close;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Minimize;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Help;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Options;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_About;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Internetmenu;
  ui::Image* Image_Dummy;
  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_Menu;
  ui::TabSheet* TabSheet_About;
  ui::TabSheet* TabSheet_Internetmenu;
  ui::TabSheet* TabSheet_Update;
  // Page 0: menu
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Cleaning;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Tuning;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Tools;
  ui::Image* Image_Submenu;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Module1;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Module2;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Module3;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Module4;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_OCO;
  ui::Image* Image_EasyMode;
  ui::Image* Image_ExpertMode;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_ModuleDummy;
  // Page 1: about
  ui::Image* Image_AboutRahmen;
  ui::Image* Image3;
  ui::Image* Image2;
  ui::Label* Label_AboutHeader;
  ui::RichLabel* JvLinkLabel_About;
  ui::RichLabel* JvLinkLabel_Version;
  ui::Button* Button_About_Back;
  // Page 2: internet menu
  ui::Image* Image_IMRahmen;
  ui::Label* Label_IMHeader;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_IM_Recommend;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_IM_Internet;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_IM_Products;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_IM_Support;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_IM_Offers;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_IM_Newsletter;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_IM_Update;
  skin::TMorvekMouseImage3State* MorvekMouseImage3State_Internetmenu_Dummy;
  ui::Button* Button_IM_Back;
  // Page 3: update
  ui::Label* Label_Updating;
  // Hidden
  ui::Button* Button_LoadTranslation;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_UpdateNow;
  ui::HttpClient* NMHTTP_Update;
  ui::Timer* Timer_UpdateTimeOut;
  THelpRouter* HelpRouter1;

  // Builds everything from the skin (once, while the splash shows; the
  // splash may be nullptr). A missing or broken skin picture throws
  // skin::SkinPictureError. With composeHiddenPagesLater the about page and
  // the internet menu (checked, but not yet drawn) are composed shortly
  // after the window's first paint, or when one of them is shown before that.
  // Group and optimiser faces the source gives for a button at its place are
  // taken as they are instead of being baked again.
  void BuildMainWindowFromSkin(TForm_ZAMO_Splash* splash, bool composeHiddenPagesLater = false,
                               const PrebakedFacesSource& prebaked = {});
  // Composes the about page and the internet menu (once).
  void ComposeHiddenPages();
  bool HiddenPagesComposed() const { return hiddenPagesComposed_; }
  bool Built() const { return built_; }

  // The control is hidden; when the section's "Load" is 1 it is shown at
  // Left, Top with Width x Height (a missing or non-positive size keeps the
  // control's own) and gets its picture(s), named relative to the folder of
  // the skin description.
  void LoadSkinImage(ui::Image* image, const std::string& skinIni, const std::string& section);
  void LoadSkinButton(skin::TMorvekMouseImage3State* button, const std::string& skinIni,
                      const std::string& section);

  // The bakers: the button's three pictures become faces with background,
  // state picture, icon (when the file exists) and texts.
  void RenderGroupButton(skin::TMorvekMouseImage3State* button, const std::string& title,
                         const std::string& line2, const std::string& line3, const std::string& iconFile);
  void RenderInternetButton(skin::TMorvekMouseImage3State* button, const std::string& title,
                            const std::string& line2, const std::string& line3, const std::string& iconFile);
  void RenderSubMenuButton(skin::TMorvekMouseImage3State* button, const std::string& title,
                           const std::string& description, const std::string& iconFile);

  // Group 1 Cleaning, 2 Tuning, 3 File tools: the submenu panel shows the
  // group's header and the buttons of the modules offered in this mode.
  void ShowGroup(int group);
  // Opens the module of a module button (1..4) of the shown group.
  void ModuleClick(int button);
  // Easy (0) or expert (1) mode: the lights, the stored "ExpertMode", and the
  // shown group again.
  void SetExpertMode(int mode);
  void UpdateModeLeds();
  // The One-Click-Optimizer button.
  void OCOClick();
  // The start-up's click for the "OCO" switch: the optimiser runs at once,
  // with the main window hidden. Only this one click does so.
  void RunOneClickFromCommandLine();
  // The notice on the very first run (writes "FirstRunDone").
  void ShowFirstRunNotice();
  // Page index 0..3; the mode captions are drawn only on the menu page.
  void ShowPage(int index);

  int CurrentGroup() const { return currentGroup_; }
  int ExpertMode() const { return expertMode_; }
  int MenuPageShown() const { return menuPageShown_; }
  const ui::Picture& PageBackground() const { return pageBackground_; }
  const ui::Picture& SubmenuBlank() const { return submenuBlank_; }
  skin::TMorvekMouseImage3State* ModuleButton(int button) const;  // 1..4

  // What the update item does: the update check (update_check.h) unless a
  // test replaces it; nothing when empty.
  static std::function<void(TForm_ZAMO2&)>& UpdateCheckHook();

 protected:
  void FormCreate() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  // The constructor's steps, in order.
  void CreateWindowControls();
  void CreateMenuPage();
  void CreateAboutPage();
  void CreateInternetMenuPage();
  void CreateUpdatePage();
  void CreateHiddenComponents();
  void ConnectHandlers();

  void Bake(skin::TMorvekMouseImage3State* button, const skin::TMorvekMouseImage3State* source,
            const FaceLayout& layout, POINT iconPos, const std::string& title, const std::string& line2,
            const std::string& line3, const std::string& iconFile);
  void BuildInternetMenuPage();
  void BuildAboutPage();
  void DrawWelcomePanel();
  void ComposeMenuBackground();
  bool ErasePage(ui::TabSheet* page, HDC dc);
  void Status(TForm_ZAMO_Splash* splash, const std::string& text);
  std::string Translated(const std::string& key, const std::string& german) const;

  ui::Picture submenuBlank_;    // the empty submenu panel
  ui::Picture pageBackground_;  // the background under the page control
  ui::Picture menuBackground_;  // the same with the mode captions
  int currentGroup_ = 0;
  int menuPageShown_ = 1;
  int expertMode_ = 0;
  bool built_ = false;
  bool oneClickSwitchPending_ = false;
  bool firstPaintSeen_ = false;
  bool hiddenPagesComposed_ = false;
};

// The splash window: the splash picture and the build's progress texts.
class TForm_ZAMO_Splash : public ui::Form {
 public:
  explicit TForm_ZAMO_Splash(ui::Component* owner);
  ui::Image* Image1;
  ui::Label* Label_Status;
  // Shows the text and repaints at once.
  void SetStatus(const std::string& text);
  // Shows the window centred on the screen, in front, without taking the
  // activation from anyone: an activated window becomes one the window
  // manager must withdraw again, and hiding it then waits for that.
  void ShowInFront();
};

// A picture stored in the program's resources (RCDATA); false when missing.
bool LoadResourcePicture(const wchar_t* name, ui::Picture& picture);

// The start-up's steps 5 and 6: creates and shows the splash, creates the
// main window (the application's main form), builds it from the skin, frees
// the splash and shows the main window (unless told not to: the "OCO" start
// shows it only after the optimiser). A skin picture that is missing or broken
// gives one error box naming the file; then everything made is freed and
// nullptr comes back (the program ends).
TForm_ZAMO2* CreateMainWindowWithSplash(bool showMainWindow = true);

}  // namespace qz::shell
