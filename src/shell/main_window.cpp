#include "shell/main_window.h"

#include <algorithm>
#include <array>
#include <future>
#include <initializer_list>
#include <memory>
#include <thread>

#include "core/disk.h"
#include "core/globals.h"
#include "core/help.h"
#include "core/registry.h"
#include "core/text.h"
#include "core/translation.h"
#include "shell/module_table.h"
#include "shell/startup_trace.h"
#include "shell/update_check.h"
#include "skin/skin.h"
#include "skin/smooth_text.h"
#include "ui/application.h"
#include "ui/form_translation.h"
#include "ui/gdiplus_session.h"
#include "ui/help_router.h"
#include "ui/http_client.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"

namespace qz::shell {

using skin::TMorvekMouseImage3State;

// ---- tables ---------------------------------------------------------------------

namespace {

struct ModuleSlot {
  const char* code;
  bool expert;
};
// [group 1..3][button 1..4]
const ModuleSlot kModules[3][4] = {
    {{"DC", false}, {"RC", false}, {"IC", false}, {"DLL", true}},
    {{"ST", false}, {"NQ", false}, {"WIN", false}, {"IT", true}},
    {{"FW", false}, {"FSJ", false}, {"FA", true}, {"FED", true}},
};

const char* const kGroupHeaderKeys[3] = {"MESSAGE_Header_Cleaning", "MESSAGE_Header_Tuning",
                                         "MESSAGE_Header_FileTools"};

constexpr const char* kGermanFirstStart =
    "Sie starten die Software zum 1. Mal.\rBitte beachten Sie, dass die Software im \"Easy-Mode\" "
    "startet.\rIn diesem Modus stehen nicht alle Funktionen der Software zur Verfügung.\rSie können im "
    "Hauptmenü auf den \"Expert-Mode\" umschalten.";

constexpr const char* kGermanSkinPictureError =
    "Eine Datei des Skins fehlt oder ist beschädigt:\r%1\rBitte installieren Sie das Programm neu.";

constexpr const char* kGermanAboutText =
    "<b>Brinvale Sysvantor Quenzal Suite 2</b>\r\n<br>Wartung und Pflege für Ihren Windows-PC\r\n<br>\r\n"
    "<br><b>Reinigung:</b>\r\n<br>Drive Cleaner, Registry Cleaner, Internet Cleaner,\r\n"
    "<br>DLL Cleaner, One-Click-Optimizer\r\n<br><b>Tuning:</b>\r\n"
    "<br>StartUp-Tuner, Internet Tuner, Netquiet Blocker,\r\n<br>Windows-Werkzeuge\r\n"
    "<br><b>Datei-Werkzeuge:</b>\r\n<br>File Wiper, File Splitter & Joiner, Dateitypen,\r\n"
    "<br>File Encrypter & Decrypter\r\n<br>\r\n<br><b>Herausgeber:</b>\r\n<br>Brinvale Software - www.brinvale.com";

constexpr UINT_PTR kComposePagesTimer = 0x5A4D;

// The page control (window coordinates) and the designed sizes of the group
// and optimiser buttons.
constexpr RECT kPageControl{0, 106, 640, 106 + 368};
constexpr SIZE kGroupButtonSize{296, 71};
constexpr SIZE kOcoButtonSize{596, 71};

// The group and optimiser buttons: skin section and icon (none for the optimiser).
struct GroupButtonSpec {
  const char* name;
  const char* section;
  const char* icon;
  SIZE designed;
};
constexpr GroupButtonSpec kGroupButtons[] = {
    {"MorvekMouseImage3State_Cleaning", "Cleaning", "\\icon_main_clean.png", kGroupButtonSize},
    {"MorvekMouseImage3State_Tuning", "Tuning", "\\icon_main_tune.png", kGroupButtonSize},
    {"MorvekMouseImage3State_Tools", "Tools", "\\icon_main_file.png", kGroupButtonSize},
    {"MorvekMouseImage3State_OCO", "OCO", nullptr, kOcoButtonSize}};

// Where a section of the skin puts a control: shown only when its "Load" is
// 1; a size the skin does not give (or gives as zero or less) keeps the
// designed one.
struct SkinPlace {
  bool shown = false;
  RECT rect{};
};
SkinPlace ReadSkinPlace(const std::string& skinIni, const std::string& section, int designedW, int designedH) {
  SkinPlace p;
  if (skin::ReadSkinIntFrom(skinIni, section, "Load") != 1) return p;
  int w = skin::ReadSkinIntFrom(skinIni, section, "Width");
  int h = skin::ReadSkinIntFrom(skinIni, section, "Height");
  if (w <= 0) w = designedW;
  if (h <= 0) h = designedH;
  const int l = skin::ReadSkinIntFrom(skinIni, section, "Left"), t = skin::ReadSkinIntFrom(skinIni, section, "Top");
  p.shown = true;
  p.rect = RECT{l, t, l + w, t + h};
  return p;
}

// The part of the background picture under the page control, opaque.
ui::Picture PageBackgroundOf(const ui::Picture& background) {
  ui::Picture bg(kPageControl.right - kPageControl.left, kPageControl.bottom - kPageControl.top, 0xFF000000u);
  if (HDC dc = bg.Canvas()) {
    background.Draw(dc, -kPageControl.left, -kPageControl.top);
    bg.ReleaseCanvas();
  }
  bg.MakeOpaque();
  return bg;
}

// A component anywhere below `root` by name (case-insensitive).
ui::Component* FindDeep(const ui::Component& root, const std::string& name) {
  for (ui::Component* c : root.Components()) {
    if (IEquals(c->Name, name)) return c;
    if (ui::Component* inner = FindDeep(*c, name)) return inner;
  }
  return nullptr;
}

std::string Line(const StringList& lines, size_t i) { return i < lines.size() ? lines[i] : std::string(); }

// One line of smooth text with a skin font's name, the given size and a skin font's colour.
void DrawText(HDC dc, const std::string& text, const skin::SkinFont& font, int size, const skin::SkinFont& colour,
              int x, int y) {
  if (text.empty()) return;
  skin::DrawSmoothText(dc, text, font.name, static_cast<float>(x), static_cast<float>(y), size, colour.R(),
                       colour.G(), colour.B());
}

}  // namespace

const FaceLayout kGroupFace{{4, 6}, {4, 0}, {6, 23}, {6, 36}, true, {228, 8},
                            "GroupButton_FontBIG", "GroupButton_FontSMALL"};
const FaceLayout kInternetFace{{0, 0}, {4, 0}, {5, 17}, {5, 27}, true, {208, 5},
                               "InternetButton_FontBIG", "InternetButton_FontSMALL"};
const FaceLayout kSubMenuFace{{4, 6}, {4, 2}, {6, 22}, {0, 0}, false, {218, 8},
                              "SubMenuButton_FontBIG", "SubMenuButton_FontSMALL"};

std::string ModuleCodeFor(int group, int button) {
  if (group < 1 || group > 3 || button < 1 || button > 4) return {};
  return kModules[group - 1][button - 1].code;
}

bool ModuleNeedsExpertMode(int group, int button) {
  if (group < 1 || group > 3 || button < 1 || button > 4) return false;
  return kModules[group - 1][button - 1].expert;
}

std::vector<AboutSegment> SplitAboutText(const std::string& text) {
  auto clean = [](std::string s) {
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    while (!s.empty() && isBreak(s.back())) s.pop_back();
    size_t start = 0;
    while (start < s.size() && isBreak(s[start])) ++start;
    s.erase(0, start);
    AboutSegment seg;
    if (StartsWith(s, "<b>")) {
      seg.bold = true;
      s.erase(0, 3);
      if (EndsWith(s, "</b>")) s.erase(s.size() - 4);
    }
    seg.text = std::move(s);
    return seg;
  };
  std::vector<AboutSegment> out;
  std::string rest = text;
  for (size_t at; !rest.empty() && (at = rest.find("<br>")) != std::string::npos;) {
    out.push_back(clean(rest.substr(0, at)));
    rest.erase(0, at + 4);
  }
  AboutSegment last = clean(rest);
  if (!last.text.empty() || last.bold) out.push_back(std::move(last));
  return out;
}

bool LoadResourcePicture(const wchar_t* name, ui::Picture& picture) { return picture.LoadFromResource(name); }

// ---- the splash window ------------------------------------------------------------

TForm_ZAMO_Splash::TForm_ZAMO_Splash(ui::Component* owner) : Form(owner, "TForm_ZAMO_Splash") {
  SetBorderStyle(ui::FormBorder::None);
  SetClientSize(400, 300);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetCaption(ProductTitle.empty() ? kProductTitle : ProductTitle);
  Image1 = new ui::Image(this, "Image1");
  Image1->SetBounds(0, 0, 400, 300);
  ui::Picture splash;
  if (LoadResourcePicture(L"SPLASH_PNG", splash)) Image1->SetPicture(splash);
  Label_Status = new ui::Label(this, "Label_Status", "Init");
  Label_Status->SetAutoSize(false);
  Label_Status->SetBounds(4, 284, 393, 14);
}

void TForm_ZAMO_Splash::ShowInFront() {
  if (!HandleNeeded()) return;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT r;
  GetWindowRect(Handle(), &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(Handle(), HWND_TOP, work.left + (work.right - work.left - w) / 2,
               work.top + (work.bottom - work.top - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(Handle());
}

void TForm_ZAMO_Splash::SetStatus(const std::string& text) {
  Label_Status->SetCaption(text);
  Label_Status->Invalidate();
  Label_Status->Update();
}

// ---- the main window ------------------------------------------------------------------

std::function<void(TForm_ZAMO2&)>& TForm_ZAMO2::UpdateCheckHook() {
  static std::function<void(TForm_ZAMO2&)> hook = StartUpdateCheck;
  return hook;
}

namespace {

TMorvekMouseImage3State* NewImageButton(ui::WinControl* parent, const char* name, int l, int t, int w, int h) {
  auto* b = new TMorvekMouseImage3State(parent, name);
  b->SetBounds(l, t, w, h);
  return b;
}

}  // namespace

TForm_ZAMO2::TForm_ZAMO2(ui::Component* owner) : Form(owner, "TForm_ZAMO2") {
  SetBorderStyle(ui::FormBorder::None);
  SetClientSize(640, 480);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetCaption(ProductTitle.empty() ? kProductTitle : ProductTitle);
  ui::FontSpec tahoma;
  tahoma.face = "Tahoma";
  tahoma.size = 8;
  SetFont(tahoma);
  CreateWindowControls();
  CreateMenuPage();
  CreateAboutPage();
  CreateInternetMenuPage();
  CreateUpdatePage();
  CreateHiddenComponents();
  ConnectHandlers();
}

// The background, the header buttons and the page control with its four pages.
void TForm_ZAMO2::CreateWindowControls() {
  // The background first: every other graphic control lies above it.
  ImageShape_Background = new skin::TImageShape(this, "ImageShape_Background");
  ImageShape_Background->SetBounds(0, 0, 640, 480);
  ImageShape_Background->SetAlign(ui::AlignMode::Client);
  ImageShape_Background->SetStretch(true);
  ImageShape_Background->Movable = true;

  MorvekMouseImage3State_Close = NewImageButton(this, "MorvekMouseImage3State_Close", 599, 15, 20, 20);
  MorvekMouseImage3State_Minimize = NewImageButton(this, "MorvekMouseImage3State_Minimize", 575, 15, 20, 20);
  MorvekMouseImage3State_Help = NewImageButton(this, "MorvekMouseImage3State_Help", 552, 15, 20, 20);
  MorvekMouseImage3State_Options = NewImageButton(this, "MorvekMouseImage3State_Options", 527, 15, 20, 20);
  MorvekMouseImage3State_About = NewImageButton(this, "MorvekMouseImage3State_About", 503, 15, 20, 20);
  MorvekMouseImage3State_Internetmenu = NewImageButton(this, "MorvekMouseImage3State_Internetmenu", 479, 15, 20, 20);
  for (auto* b : {MorvekMouseImage3State_Close, MorvekMouseImage3State_Minimize, MorvekMouseImage3State_Help,
                  MorvekMouseImage3State_Options, MorvekMouseImage3State_About,
                  MorvekMouseImage3State_Internetmenu})
    b->Hide();

  Image_Dummy = new ui::Image(this, "Image_Dummy");
  Image_Dummy->Hide();

  PageControl1 = new ui::PageControl(this, "PageControl1");
  PageControl1->ButtonStyle = true;
  PageControl1->SetBounds(kPageControl.left, kPageControl.top, kPageControl.right - kPageControl.left,
                          kPageControl.bottom - kPageControl.top);
  TabSheet_Menu = new ui::TabSheet(PageControl1, "TabSheet_Menu", "Menu");
  TabSheet_About = new ui::TabSheet(PageControl1, "TabSheet_About", "About");
  TabSheet_Internetmenu = new ui::TabSheet(PageControl1, "TabSheet_Internetmenu", "Internetmenu");
  TabSheet_Update = new ui::TabSheet(PageControl1, "TabSheet_Update", "Update");
  PageControl1->SetTabsVisible(false);
  // The pages sit inside the control's border, 4 pixels in and 6 down: the
  // page background and the faces of the menu page are taken at that offset.
  PageControl1->SetPageInset(4, 6, 4, 4);
}

// Page 0: the groups, the submenu panel, the module buttons, the optimiser and the mode lights.
void TForm_ZAMO2::CreateMenuPage() {
  ui::TabSheet* menu = TabSheet_Menu;
  MorvekMouseImage3State_Cleaning = NewImageButton(menu, "MorvekMouseImage3State_Cleaning", 24, 8, kGroupButtonSize.cx, kGroupButtonSize.cy);
  MorvekMouseImage3State_Tuning = NewImageButton(menu, "MorvekMouseImage3State_Tuning", 24, 92, kGroupButtonSize.cx, kGroupButtonSize.cy);
  MorvekMouseImage3State_Tools = NewImageButton(menu, "MorvekMouseImage3State_Tools", 24, 176, kGroupButtonSize.cx, kGroupButtonSize.cy);
  Image_Submenu = new ui::Image(menu, "Image_Submenu");
  Image_Submenu->SetBounds(344, 8, 269, 239);
  MorvekMouseImage3State_Module1 = NewImageButton(menu, "MorvekMouseImage3State_Module1", 352, 52, 255, 48);
  MorvekMouseImage3State_Module2 = NewImageButton(menu, "MorvekMouseImage3State_Module2", 352, 100, 255, 48);
  MorvekMouseImage3State_Module3 = NewImageButton(menu, "MorvekMouseImage3State_Module3", 352, 148, 255, 48);
  MorvekMouseImage3State_Module4 = NewImageButton(menu, "MorvekMouseImage3State_Module4", 352, 196, 255, 48);
  for (int i = 1; i <= 4; ++i) ModuleButton(i)->Hide();
  MorvekMouseImage3State_OCO = NewImageButton(menu, "MorvekMouseImage3State_OCO", 24, 251, kOcoButtonSize.cx, kOcoButtonSize.cy);
  HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
  Image_EasyMode = new ui::Image(menu, "Image_EasyMode");
  Image_EasyMode->SetBounds(24, 326, 16, 16);
  Image_EasyMode->Cursor = hand;
  Image_ExpertMode = new ui::Image(menu, "Image_ExpertMode");
  Image_ExpertMode->SetBounds(112, 326, 16, 16);
  Image_ExpertMode->Cursor = hand;
  MorvekMouseImage3State_ModuleDummy = NewImageButton(menu, "MorvekMouseImage3State_ModuleDummy", 0, 0, 255, 48);
  MorvekMouseImage3State_ModuleDummy->Hide();
}

// Page 1: the about page.
void TForm_ZAMO2::CreateAboutPage() {
  ui::TabSheet* about = TabSheet_About;
  Image_AboutRahmen = new ui::Image(about, "Image_AboutRahmen");
  Image_AboutRahmen->SetBounds(24, 20, 583, 299);
  Image3 = new ui::Image(about, "Image3");
  Image3->SetBounds(452, 72, 150, 150);
  Image2 = new ui::Image(about, "Image2");
  Image2->SetBounds(472, 280, 120, 36);
  Label_AboutHeader = new ui::Label(about, "Label_AboutHeader", "Über das Programm");
  Label_AboutHeader->Hide();
  Label_AboutHeader->Tag = 1;
  JvLinkLabel_About = new ui::RichLabel(about, "JvLinkLabel_About", kGermanAboutText);
  JvLinkLabel_About->Hide();
  JvLinkLabel_About->Tag = 1;
  JvLinkLabel_Version = new ui::RichLabel(about, "JvLinkLabel_Version", std::string("Version: ") + kProductVersion);
  JvLinkLabel_Version->Hide();
  Button_About_Back = new ui::Button(about, "Button_About_Back", "&Hauptmenü");
  Button_About_Back->SetBounds(256, 332, 120, 25);
  Button_About_Back->Tag = 1;
}

// Page 2: the internet menu.
void TForm_ZAMO2::CreateInternetMenuPage() {
  ui::TabSheet* im = TabSheet_Internetmenu;
  Image_IMRahmen = new ui::Image(im, "Image_IMRahmen");
  Image_IMRahmen->SetBounds(24, 20, 583, 299);
  Label_IMHeader = new ui::Label(im, "Label_IMHeader", "Internetmenü");
  Label_IMHeader->Hide();
  Label_IMHeader->Tag = 1;
  MorvekMouseImage3State_IM_Recommend = NewImageButton(im, "MorvekMouseImage3State_IM_Recommend", 48, 64, 255, 48);
  MorvekMouseImage3State_IM_Internet = NewImageButton(im, "MorvekMouseImage3State_IM_Internet", 48, 112, 255, 48);
  MorvekMouseImage3State_IM_Products = NewImageButton(im, "MorvekMouseImage3State_IM_Products", 48, 160, 255, 48);
  MorvekMouseImage3State_IM_Support = NewImageButton(im, "MorvekMouseImage3State_IM_Support", 48, 208, 255, 48);
  MorvekMouseImage3State_IM_Offers = NewImageButton(im, "MorvekMouseImage3State_IM_Offers", 328, 64, 255, 48);
  MorvekMouseImage3State_IM_Newsletter = NewImageButton(im, "MorvekMouseImage3State_IM_Newsletter", 328, 112, 255, 48);
  MorvekMouseImage3State_IM_Update = NewImageButton(im, "MorvekMouseImage3State_IM_Update", 328, 160, 255, 48);
  MorvekMouseImage3State_Internetmenu_Dummy =
      NewImageButton(im, "MorvekMouseImage3State_Internetmenu_Dummy", 0, 0, 255, 48);
  MorvekMouseImage3State_Internetmenu_Dummy->Hide();
  Button_IM_Back = new ui::Button(im, "Button_IM_Back", "&Hauptmenü");
  Button_IM_Back->SetBounds(256, 332, 120, 25);
  Button_IM_Back->Tag = 1;
}

// Page 3: the "looking for an update" page.
void TForm_ZAMO2::CreateUpdatePage() {
  Label_Updating = new ui::Label(TabSheet_Update, "Label_Updating", "Update wird gesucht - bitte warten...");
  Label_Updating->SetAutoSize(false);
  Label_Updating->SetAlignment(ui::Alignment::Center);
  Label_Updating->SetBounds(8, 120, 621, 28);
  ui::FontSpec arialBlack;
  arialBlack.face = "Arial Black";
  arialBlack.size = 14;
  Label_Updating->SetFont(arialBlack);
  Label_Updating->Tag = 1;
}

// What is never shown: translation buttons, the update check's parts, the help router.
void TForm_ZAMO2::CreateHiddenComponents() {
  const TranslationButtons translationButtons = AddTranslationButtons(*this);
  Button_LoadTranslation = translationButtons.load;
  Button_SaveTranslation = translationButtons.save;
  Button_UpdateNow = new ui::Button(this, "Button_UpdateNow", "Update");
  Button_UpdateNow->Hide();
  NMHTTP_Update = new ui::HttpClient(this, "NMHTTP_Update");
  Timer_UpdateTimeOut = new ui::Timer(this, "Timer_UpdateTimeOut");
  Timer_UpdateTimeOut->SetInterval(15000);
  HelpRouter1 = new THelpRouter(this, "HelpRouter1");
  HelpRouter1->HelpType = THelpType::htHTMLhelp;
  HelpRouter1->ValidateID = false;
  HelpRouter1->CHMPopupTopics = "CSHelp.txt";
}

// Every handler of the window.
void TForm_ZAMO2::ConnectHandlers() {
  Button_UpdateNow->OnClick = [this] {
    if (UpdateCheckHook()) UpdateCheckHook()(*this);
  };

  MorvekMouseImage3State_Close->OnClick = [this] { Close(); };
  MorvekMouseImage3State_Minimize->OnClick = [this] {
    if (ui::App().MainForm() == this)
      ui::App().Minimize();
    else if (Handle())
      ShowWindow(Handle(), SW_MINIMIZE);
  };
  MorvekMouseImage3State_Help->OnClick = [] { ShowHelpTopic("MAIN"); };
  MorvekMouseImage3State_Options->OnClick = [] { OpenModule("OPTIONS", &ui::App()); };
  MorvekMouseImage3State_About->OnClick = [this] { ShowPage(1); };
  MorvekMouseImage3State_Internetmenu->OnClick = [this] { ShowPage(2); };
  Button_About_Back->OnClick = [this] { ShowPage(0); };
  Button_IM_Back->OnClick = [this] { ShowPage(0); };

  MorvekMouseImage3State_Cleaning->OnClick = [this] { ShowGroup(1); };
  MorvekMouseImage3State_Tuning->OnClick = [this] { ShowGroup(2); };
  MorvekMouseImage3State_Tools->OnClick = [this] { ShowGroup(3); };
  for (int i = 1; i <= 4; ++i) ModuleButton(i)->OnClick = [this, i] { ModuleClick(i); };
  MorvekMouseImage3State_OCO->OnClick = [this] { OCOClick(); };
  Image_EasyMode->OnClick = [this] { SetExpertMode(0); };
  Image_ExpertMode->OnClick = [this] { SetExpertMode(1); };

  MorvekMouseImage3State_IM_Recommend->OnClick = [] { OpenConfiguredURL("URL_RECOMMEND"); };
  MorvekMouseImage3State_IM_Internet->OnClick = [] { OpenConfiguredURL("URL_HOMEPAGE"); };
  MorvekMouseImage3State_IM_Products->OnClick = [] { OpenConfiguredURL("URL_PRODUCTPAGE"); };
  MorvekMouseImage3State_IM_Support->OnClick = [] { OpenConfiguredURL("URL_SUPPORT"); };
  MorvekMouseImage3State_IM_Offers->OnClick = [] { OpenConfiguredURL("URL_OFFERS"); };
  MorvekMouseImage3State_IM_Newsletter->OnClick = [] { OpenConfiguredURL("URL_NEWSLETTER"); };
  MorvekMouseImage3State_IM_Update->OnClick = [this] { Button_UpdateNow->Click(); };

  // The pages and the page control paint the background under them.
  PageControl1->OnEraseBackground = [this](HDC dc) {
    if (pageBackground_.Empty()) return false;
    pageBackground_.Draw(dc, 0, 0);
    return true;
  };
  for (ui::TabSheet* page : {TabSheet_Menu, TabSheet_About, TabSheet_Internetmenu, TabSheet_Update})
    page->OnEraseBackground = [this, page](HDC dc) { return ErasePage(page, dc); };
}


TForm_ZAMO2::~TForm_ZAMO2() = default;

skin::TMorvekMouseImage3State* TForm_ZAMO2::ModuleButton(int button) const {
  switch (button) {
    case 1: return MorvekMouseImage3State_Module1;
    case 2: return MorvekMouseImage3State_Module2;
    case 3: return MorvekMouseImage3State_Module3;
    case 4: return MorvekMouseImage3State_Module4;
  }
  return nullptr;
}

std::string TForm_ZAMO2::Translated(const std::string& key, const std::string& german) const {
  return GetTranslation(Name, key, german);
}

void TForm_ZAMO2::FormCreate() {
  expertMode_ = RegGetInteger(HKEY_LOCAL_MACHINE, OptionsKey(), "ExpertMode") == 1 ? 1 : 0;
  currentGroup_ = 0;
  Button_LoadTranslation->Click();
  if (PageControl1->PageCount() > 0) {
    PageControl1->SetTabsVisible(false);
    menuPageShown_ = 1;
    PageControl1->SetActivePageIndex(0);
  }
}

LRESULT TForm_ZAMO2::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT && !firstPaintSeen_) {
    LRESULT r = Form::WndProc(msg, wp, lp);
    if (built_) {
      firstPaintSeen_ = true;
      TraceStep("first-paint");
      // The pages nobody sees yet are composed a moment after the window is
      // on screen (or at once when one of them is asked for before that).
      if (!hiddenPagesComposed_) SetTimer(Handle(), kComposePagesTimer, 300, nullptr);
    }
    return r;
  }
  if (msg == WM_TIMER && wp == kComposePagesTimer) {
    KillTimer(Handle(), kComposePagesTimer);
    ComposeHiddenPages();
    TraceStep("hidden-pages");
    return 0;
  }
  return Form::WndProc(msg, wp, lp);
}

bool TForm_ZAMO2::ErasePage(ui::TabSheet* page, HDC dc) {
  const ui::Picture& bg = (menuPageShown_ == 1 && !menuBackground_.Empty()) ? menuBackground_ : pageBackground_;
  if (bg.Empty()) return false;
  bg.Draw(dc, -page->Left(), -page->Top());
  return true;
}

void TForm_ZAMO2::Status(TForm_ZAMO_Splash* splash, const std::string& text) {
  TraceStep(text.c_str());
  if (splash) splash->SetStatus(text);
}

namespace {

// Hides the control; when the section's "Load" is 1, places it as the skin
// says and shows it. A size the skin does not give (or gives as zero or less)
// keeps the designed one.
bool PlaceFromSkin(ui::Image* control, const std::string& skinIni, const std::string& section) {
  control->Hide();
  const SkinPlace p = ReadSkinPlace(skinIni, section, control->Width(), control->Height());
  if (!p.shown) return false;
  control->SetBounds(p.rect.left, p.rect.top, p.rect.right - p.rect.left, p.rect.bottom - p.rect.top);
  control->Show();
  return true;
}

// A picture the section names by `key`, relative to the skin description.
std::shared_ptr<const ui::Picture> SectionPicture(const std::string& skinIni, const std::string& section,
                                                  const char* key) {
  return skin::LoadSkinPicture(skin::SkinFileFromIni(skinIni, skin::ReadSkinStringFrom(skinIni, section, key)));
}

}  // namespace

void TForm_ZAMO2::LoadSkinImage(ui::Image* image, const std::string& skinIni, const std::string& section) {
  if (!PlaceFromSkin(image, skinIni, section)) return;
  image->SetPicture(*SectionPicture(skinIni, section, "Filename"));
  image->Invalidate();
}

void TForm_ZAMO2::LoadSkinButton(TMorvekMouseImage3State* button, const std::string& skinIni,
                                 const std::string& section) {
  if (!PlaceFromSkin(button, skinIni, section)) return;
  auto file = [&](const char* key) { return SectionPicture(skinIni, section, key); };
  auto normal = file("Filename_normal");
  auto over = file("Filename_over");
  auto down = file("Filename_down");
  button->SetFaces(normal, over, down);  // decoded once, shared
}

namespace {

// The three faces of a button of w x h: the page background at `at`, the
// state picture, the icon (when the file exists) and the texts (title, line
// 2, line 3), each moved by kPressedShift in the pressed face. Any thread.
std::array<std::shared_ptr<ui::Picture>, 3> BakeFaces(const ui::Picture& pageBackground, POINT at, int w, int h,
                                                      const ui::Picture* const states[3], const FaceLayout& layout,
                                                      POINT iconPos, const std::string (&texts)[3],
                                                      const std::string& iconFile) {
  std::array<std::shared_ptr<ui::Picture>, 3> faces;
  if (w <= 0 || h <= 0) return faces;
  const skin::SkinFont big = skin::ReadSkinFont(layout.bigFontSection);
  const skin::SkinFont small = skin::ReadSkinFont(layout.smallFontSection);
  std::shared_ptr<const ui::Picture> icon;
  if (!iconFile.empty() && FileExists(iconFile)) icon = ui::LoadPictureCached(iconFile);
  for (int i = 0; i < 3; ++i) {
    const int s = i == 2 ? kPressedShift : 0;
    ui::Picture face(w, h, 0xFF000000u);
    HDC dc = face.Canvas();
    if (!dc) continue;
    pageBackground.Draw(dc, -at.x, -at.y);
    states[i]->Draw(dc, 0, 0);
    if (icon) icon->Draw(dc, iconPos.x + s, iconPos.y + s);
    DrawText(dc, texts[0], big, big.size, big, layout.title.x + s, layout.title.y + s);
    DrawText(dc, texts[1], big, small.size, big, layout.line2.x + s, layout.line2.y + s);
    if (layout.hasLine3) DrawText(dc, texts[2], big, small.size, big, layout.line3.x + s, layout.line3.y + s);
    face.ReleaseCanvas();
    face.MakeOpaque();
    faces[static_cast<size_t>(i)] = std::make_shared<ui::Picture>(std::move(face));
  }
  return faces;
}

}  // namespace

void TForm_ZAMO2::Bake(TMorvekMouseImage3State* button, const TMorvekMouseImage3State* source,
                       const FaceLayout& layout, POINT iconPos, const std::string& title, const std::string& line2,
                       const std::string& line3, const std::string& iconFile) {
  // The state pictures: the button's own, or those of the holder its kind
  // of button takes them from.
  const ui::Picture* states[3] = {&source->Picture_Normal(), &source->Picture_Highlight(),
                                  &source->Picture_Pressed()};
  const std::string texts[3] = {title, line2, line3};
  const POINT at{button->Left() + layout.backgroundOffset.x, button->Top() + layout.backgroundOffset.y};
  auto faces = BakeFaces(pageBackground_, at, button->Width(), button->Height(), states, layout, iconPos, texts,
                         iconFile);
  if (faces[0]) button->SetFaces(faces[0], faces[1], faces[2]);
}

void TForm_ZAMO2::RenderGroupButton(TMorvekMouseImage3State* button, const std::string& title,
                                    const std::string& line2, const std::string& line3,
                                    const std::string& iconFile) {
  Bake(button, button, kGroupFace, kGroupFace.icon, title, line2, line3, iconFile);
}

void TForm_ZAMO2::RenderInternetButton(TMorvekMouseImage3State* button, const std::string& title,
                                       const std::string& line2, const std::string& line3,
                                       const std::string& iconFile) {
  // The item's pictures are those of the holder, baked.
  Bake(button, MorvekMouseImage3State_Internetmenu_Dummy, kInternetFace, kInternetFace.icon, title, line2, line3,
       iconFile);
}

void TForm_ZAMO2::RenderSubMenuButton(TMorvekMouseImage3State* button, const std::string& title,
                                      const std::string& description, const std::string& iconFile) {
  // The button's pictures are those of the holder, baked.
  POINT icon = kSubMenuFace.icon;
  if (button == MorvekMouseImage3State_Module1 && currentGroup_ == 3) icon = POINT{216, 4};
  Bake(button, MorvekMouseImage3State_ModuleDummy, kSubMenuFace, icon, title, description, {}, iconFile);
}

void TForm_ZAMO2::BuildMainWindowFromSkin(TForm_ZAMO_Splash* splash, bool composeHiddenPagesLater,
                                          const PrebakedFacesSource& prebaked) {
  const std::string ini = SkinDir + "\\Skin.ini";

  // 1. The background shapes the window.
  Status(splash, "Loading Background");
  ImageShape_Background->SetPicture(*skin::LoadSkinPicture(SkinDir + "\\Background.bmp"));
  Invalidate();

  // 2. The part of the background under the page control.
  pageBackground_ = PageBackgroundOf(ImageShape_Background->Picture());
  // 3. (The pages paint it through their erase handlers, set up at creation.)

  // 4. Header buttons, with their hints.
  Status(splash, "Loading Header-Buttons");
  const std::pair<TMorvekMouseImage3State*, const char*> header[] = {
      {MorvekMouseImage3State_Close, "Close"},     {MorvekMouseImage3State_Minimize, "Minimize"},
      {MorvekMouseImage3State_Help, "Help"},       {MorvekMouseImage3State_Options, "Options"},
      {MorvekMouseImage3State_About, "About"},     {MorvekMouseImage3State_Internetmenu, "Internetmenu"}};
  for (const auto& [button, section] : header) {
    LoadSkinButton(button, ini, section);
    button->Hint = Translated(button->Name, "");
  }

  // 5. The optimiser and the group buttons.
  Status(splash, "Loading OCO-Button");
  LoadSkinButton(MorvekMouseImage3State_OCO, ini, "OCO");
  Status(splash, "Loading Group-Buttons");
  LoadSkinButton(MorvekMouseImage3State_Cleaning, ini, "Cleaning");
  LoadSkinButton(MorvekMouseImage3State_Tuning, ini, "Tuning");
  LoadSkinButton(MorvekMouseImage3State_Tools, ini, "Tools");

  // 6. Their faces (baked ahead when they were, for the place they are at).
  Status(splash, "Paint on Group-Buttons");
  const std::vector<PrebakedFaces> ahead = prebaked ? prebaked() : std::vector<PrebakedFaces>{};
  for (const GroupButtonSpec& spec : kGroupButtons) {
    auto* button = dynamic_cast<TMorvekMouseImage3State*>(FindComponent(spec.name));
    if (!button) continue;
    const RECT place = button->BoundsRect();
    auto same = [&](const PrebakedFaces& p) { return p.buttonName == spec.name && EqualRect(&p.place, &place); };
    if (auto it = std::find_if(ahead.begin(), ahead.end(), same); it != ahead.end() && it->faces[0]) {
      button->SetFaces(it->faces[0], it->faces[1], it->faces[2]);
      continue;
    }
    StringList lines;
    GetTranslationLines(Name, button->Name, 3, lines);
    RenderGroupButton(button, Line(lines, 0), Line(lines, 1), Line(lines, 2),
                      spec.icon ? SkinDir + spec.icon : std::string());
  }

  // 7. The internet menu, the about page and the submenu panel. The two
  // hidden pages may be composed after the first paint; their pictures are
  // checked now all the same, so a broken skin still stops the start.
  Status(splash, "Loading Image for Submenu");
  if (composeHiddenPagesLater) {
    for (const char* file : {"\\frame_about_IM.png", "\\but_im_normal.png", "\\but_im_hover.png", "\\but_im_down.png"})
      skin::LoadSkinPicture(SkinDir + file);
  } else {
    ComposeHiddenPages();
  }
  LoadSkinImage(Image_Submenu, ini, "Submenu");

  TraceStep("pages built");
  // 8. The panel over the background (taken where the page shows it), and
  // its empty state for the group views.
  Image_Submenu->SetBounds(Image_Submenu->Left() + 4, Image_Submenu->Top() + 6, Image_Submenu->Width(),
                           Image_Submenu->Height());
  skin::BlendImageOntoBackground(*Image_Submenu, pageBackground_.Canvas());
  pageBackground_.ReleaseCanvas();
  Image_Submenu->SetBounds(Image_Submenu->Left() - 4, Image_Submenu->Top() - 6, Image_Submenu->Width(),
                           Image_Submenu->Height());
  submenuBlank_ = Image_Submenu->Picture();

  // 9. The three pictures of every module button.
  MorvekMouseImage3State_ModuleDummy->SetFaces(skin::LoadSkinPicture(SkinDir + "\\button_sub_normal.png"),
                  skin::LoadSkinPicture(SkinDir + "\\button_sub_hover.png"),
                  skin::LoadSkinPicture(SkinDir + "\\button_sub_down.png"));

  TraceStep("submenu built");
  // 10. The welcome panel.
  DrawWelcomePanel();

  // 11. The mode lights.
  Image_EasyMode->SetBounds(skin::ReadSkinIntFrom(ini, "EasyMode", "Left"),
                            skin::ReadSkinIntFrom(ini, "EasyMode", "Top"), Image_EasyMode->Width(),
                            Image_EasyMode->Height());
  Image_ExpertMode->SetBounds(skin::ReadSkinIntFrom(ini, "ExpertMode", "Left"),
                              skin::ReadSkinIntFrom(ini, "ExpertMode", "Top"), Image_ExpertMode->Width(),
                              Image_ExpertMode->Height());
  UpdateModeLeds();
  ComposeMenuBackground();
  built_ = true;
  if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm_ZAMO2::ComposeHiddenPages() {
  if (hiddenPagesComposed_ || pageBackground_.Empty()) return;
  hiddenPagesComposed_ = true;
  BuildInternetMenuPage();
  BuildAboutPage();
}

void TForm_ZAMO2::BuildInternetMenuPage() {
  Image_IMRahmen->SetPicture(*skin::LoadSkinPicture(SkinDir + "\\frame_about_IM.png"));
  skin::BlendImageOntoBackground(*Image_IMRahmen, pageBackground_.Canvas());
  pageBackground_.ReleaseCanvas();
  const skin::SkinFont header = skin::ReadSkinFont("AboutScreen_HeaderFont");
  if (HDC dc = Image_IMRahmen->Picture().Canvas()) {
    DrawText(dc, Label_IMHeader->Caption(), header, header.size, header, 4, 2);
    Image_IMRahmen->Picture().ReleaseCanvas();
  }

  TMorvekMouseImage3State* dummy = MorvekMouseImage3State_Internetmenu_Dummy;
  dummy->SetFaces(skin::LoadSkinPicture(SkinDir + "\\but_im_normal.png"),
                  skin::LoadSkinPicture(SkinDir + "\\but_im_hover.png"),
                  skin::LoadSkinPicture(SkinDir + "\\but_im_down.png"));

  const std::pair<TMorvekMouseImage3State*, const char*> items[] = {
      {MorvekMouseImage3State_IM_Recommend, "Recommend"}, {MorvekMouseImage3State_IM_Internet, "Internet"},
      {MorvekMouseImage3State_IM_Products, "Products"},   {MorvekMouseImage3State_IM_Support, "Support"},
      {MorvekMouseImage3State_IM_Offers, "Offers"},       {MorvekMouseImage3State_IM_Newsletter, "Newsletter"},
      {MorvekMouseImage3State_IM_Update, "Update"}};
  for (const auto& [item, icon] : items) {
    StringList lines;
    GetTranslationLines(Name, item->Name, 3, lines);
    RenderInternetButton(item, Line(lines, 0), Line(lines, 1), Line(lines, 2),
                         SkinDir + "\\icon_IM_" + icon + ".png");
  }
}

void TForm_ZAMO2::BuildAboutPage() {
  // The two pictures stored in the program.
  ui::Picture stored;
  if (LoadResourcePicture(L"ABOUT1_PNG", stored)) {
    Image3->SetPicture(stored);
    Image3->SetBounds(452, 72, stored.Width(), stored.Height());
  }
  if (LoadResourcePicture(L"ABOUT2_PNG", stored)) {
    Image2->SetPicture(stored);
    Image2->SetBounds(472, 280, stored.Width(), stored.Height());
  }
  Image_AboutRahmen->SetPicture(*skin::LoadSkinPicture(SkinDir + "\\frame_about_IM.png"));
  skin::BlendImageOntoBackground(*Image_AboutRahmen, pageBackground_.Canvas());
  pageBackground_.ReleaseCanvas();
  HDC dc = Image_AboutRahmen->Picture().Canvas();
  if (!dc) return;
  const skin::SkinFont header = skin::ReadSkinFont("AboutScreen_HeaderFont");
  DrawText(dc, Label_AboutHeader->Caption(), header, header.size, header, 4, 2);
  const skin::SkinFont other = skin::ReadSkinFont("OtherText_Font");
  int y = 48;
  for (const AboutSegment& seg : SplitAboutText(JvLinkLabel_About->Caption())) {
    if (seg.bold)
      skin::DrawSmoothTextBold(dc, seg.text, "Tahoma", 8, static_cast<float>(y), 12, other.R(), other.G(), other.B());
    else
      skin::DrawSmoothText(dc, seg.text, "Tahoma", 8, static_cast<float>(y), 12, other.R(), other.G(), other.B());
    y += 14;
  }
  skin::DrawSmoothTextBold(dc, std::string("Version: ") + kProductVersion, "Tahoma", 8, 278, 12, other.R(),
                           other.G(), other.B());
  Image_AboutRahmen->Picture().ReleaseCanvas();
}

void TForm_ZAMO2::DrawWelcomePanel() {
  HDC dc = Image_Submenu->Picture().Canvas();
  if (!dc) return;
  const skin::SkinFont big = skin::ReadSkinFont("SubMenu_HeaderFontBIG");
  DrawText(dc, Translated("MESSAGE_SubMenuCaption_Start", "Willkommen"), big, big.size, big, 4, 4);
  const skin::SkinFont other = skin::ReadSkinFont("OtherText_Font");
  StringList lines;
  GetTranslationLines(Name, "MESSAGE_SubMenu_StartText", 32, lines);
  for (size_t i = 0; i < lines.size(); ++i)
    DrawText(dc, lines[i], other, other.size, other, 4, 36 + 12 * static_cast<int>(i));
  Image_Submenu->Picture().ReleaseCanvas();
  Image_Submenu->Invalidate();
}

void TForm_ZAMO2::ComposeMenuBackground() {
  menuBackground_ = pageBackground_;
  HDC dc = menuBackground_.Canvas();
  if (!dc) return;
  const skin::SkinFont other = skin::ReadSkinFont("OtherText_Font");
  // The captions stand right of the lights, in page coordinates.
  const int ox = TabSheet_Menu->Left(), oy = TabSheet_Menu->Top();
  DrawText(dc, Translated("MESSAGE_EasyMode", "Easy Mode"), other, other.size, other,
           ox + Image_EasyMode->Left() + Image_EasyMode->Width(), oy + Image_EasyMode->Top());
  DrawText(dc, Translated("MESSAGE_ExpertMode", "Expert Mode"), other, other.size, other,
           ox + Image_ExpertMode->Left() + Image_ExpertMode->Width(), oy + Image_ExpertMode->Top());
  menuBackground_.ReleaseCanvas();
  menuBackground_.MakeOpaque();
}

void TForm_ZAMO2::UpdateModeLeds() {
  auto active = skin::LoadSkinPicture(SkinDir + "\\LED_active.png");
  auto inactive = skin::LoadSkinPicture(SkinDir + "\\LED_inactive.png");
  Image_EasyMode->SetPicture(expertMode_ == 1 ? *inactive : *active);
  Image_ExpertMode->SetPicture(expertMode_ == 1 ? *active : *inactive);
  Image_EasyMode->Invalidate();
  Image_ExpertMode->Invalidate();
}

void TForm_ZAMO2::ShowPage(int index) {
  if (index == 1 || index == 2) ComposeHiddenPages();
  menuPageShown_ = index == 0 ? 1 : 0;
  PageControl1->SetActivePageIndex(index);
  if (ui::TabSheet* page = PageControl1->Page(index)) page->Invalidate();
}

void TForm_ZAMO2::ShowGroup(int group) {
  if (group < 1 || group > 3) return;
  Image_Submenu->SetPicture(submenuBlank_);
  currentGroup_ = group;

  StringList header;
  GetTranslationLines(Name, kGroupHeaderKeys[group - 1], 2, header);
  if (HDC dc = Image_Submenu->Picture().Canvas()) {
    const skin::SkinFont big = skin::ReadSkinFont("SubMenu_HeaderFontBIG");
    const skin::SkinFont small = skin::ReadSkinFont("SubMenu_HeaderFontSMALL");
    DrawText(dc, Line(header, 0), big, big.size, big, 4, -2);
    DrawText(dc, Line(header, 1), small, small.size, small, 6, 18);
    Image_Submenu->Picture().ReleaseCanvas();
  }
  Image_Submenu->Invalidate();

  for (int b = 1; b <= 4; ++b) {
    TMorvekMouseImage3State* button = ModuleButton(b);
    const bool offered = !ModuleNeedsExpertMode(group, b) || expertMode_ == 1;
    if (!offered) {
      button->Hide();
      continue;
    }
    const std::string code = ModuleCodeFor(group, b);
    StringList lines;
    GetTranslationLines(Name, "MESSAGE_Button_" + code, 2, lines);
    RenderSubMenuButton(button, Line(lines, 0), Line(lines, 1), SkinDir + "\\icon_Module_" + code + ".png");
    button->Show();
  }
}

void TForm_ZAMO2::ModuleClick(int button) {
  if (currentGroup_ < 1 || currentGroup_ > 3) return;
  const std::string code = ModuleCodeFor(currentGroup_, button);
  if (!code.empty()) OpenModule(code, &ui::App());
}

void TForm_ZAMO2::SetExpertMode(int mode) {
  expertMode_ = mode == 1 ? 1 : 0;
  UpdateModeLeds();
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "ExpertMode", expertMode_);
  if (currentGroup_ >= 1 && currentGroup_ <= 3) ShowGroup(currentGroup_);
}

void TForm_ZAMO2::OCOClick() {
  // Only the start-up's click for the "OCO" switch runs the optimiser at
  // once; every later click shows its start page.
  const bool startNow = oneClickSwitchPending_;
  oneClickSwitchPending_ = false;

  std::unique_ptr<ui::Form> oco(CreateModuleWindow("OCO", &ui::App()));
  if (!oco) return;
  OcoRunning = 1;
  bool hidden = false;
  auto finish = [&] {
    oco.reset();
    OcoRunning = 0;
    if (hidden) Show();
  };
  try {
    bool closedDuringRun = false;
    if (startNow) {
      Hide();
      hidden = true;
      oco->Show();
      if (auto* weiter = dynamic_cast<ui::Control*>(FindDeep(*oco, "Button_Weiter"))) weiter->Click();
      // Closed by the user while it ran: it is not shown again.
      closedDuringRun = !oco->Visible();
      oco->Hide();
    }
    if (!closedDuringRun) oco->ShowModal();
  } catch (...) {
    // A failed run must not leave the program without its window, nor the
    // cleaners believing the optimiser still drives them.
    finish();
    throw;
  }
  finish();
}

void TForm_ZAMO2::RunOneClickFromCommandLine() {
  oneClickSwitchPending_ = true;
  OCOClick();
}

void TForm_ZAMO2::ShowFirstRunNotice() {
  if (RegHasValue(HKEY_LOCAL_MACHINE, ProductRegKey, "FirstRunDone")) return;
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "FirstRunDone", 1);
  ui::App().ShowBox(this, Translated("MESSAGE_FirstStart", kGermanFirstStart), MsgKind::Information);
}

// ---- start-up ------------------------------------------------------------------------

namespace {

// Work the build needs, done on a thread of its own while the GUI thread
// makes the splash and the main window, in the order the build needs it:
// the values of skin.ini are read into its cache, the skin's pictures are
// decoded into the shared picture cache, and the faces of the group and
// optimiser buttons are baked (the first smooth texts look up the font
// family, the slowest single step of the build). The build takes the faces
// when it comes to them and finds the rest done.
class SkinPrefetch {
 public:
  SkinPrefetch() : thread_([this, dir = SkinDir] { Run(dir); }) {}
  ~SkinPrefetch() {
    if (thread_.joinable()) thread_.join();
  }
  // The group and optimiser faces baked on the thread (waits for them, not
  // for the rest of the thread's work).
  std::vector<PrebakedFaces> TakeGroupFaces() { return groupFaces_.get(); }

 private:
  void Run(const std::string& dir) {
    // In the build's order: the description, the background and the header
    // buttons, the group faces, then the rest of the pictures.
    ReadDescription(dir);
    Prefetch(dir, {"Close", "Minimize", "Help", "Options", "About", "Internetmenu"}, {});
    std::vector<PrebakedFaces> faces;
    // Only with the program's GDI+ session running: this thread never starts
    // GDI+. A picture that cannot be read is the build's to report.
    if (ui::GdiplusSession::Running()) {
      try {
        faces = BakeGroupFaces(dir);
      } catch (...) {
        faces.clear();
      }
    }
    facesReady_.set_value(std::move(faces));
    Prefetch(dir, {"OCO", "Cleaning", "Tuning", "Tools"},
             {"icon_main_clean.png", "icon_main_tune.png", "icon_main_file.png", "frame_about_IM.png",
              "but_im_normal.png", "but_im_hover.png", "but_im_down.png", "button_sub_normal.png",
              "button_sub_hover.png", "button_sub_down.png", "LED_active.png", "LED_inactive.png"});
    // Only with the program's GDI+ session running: this thread never starts GDI+.
    if (ui::GdiplusSession::Running())
      skin::SmoothTextFamily(skin::ReadSkinStringFrom(dir + "\\Skin.ini", "GroupButton_FontBIG", "FontName"));
  }

  // The faces of the group and optimiser buttons, as the build bakes them
  // in its step 6, from the same files and translations.
  static std::vector<PrebakedFaces> BakeGroupFaces(const std::string& dir) {
    std::vector<PrebakedFaces> groupFaces;
    const std::string ini = dir + "\\Skin.ini";
    const std::string background = dir + "\\Background.bmp";
    if (!FileExists(background)) return groupFaces;
    const ui::Picture page = PageBackgroundOf(*skin::LoadSkinPicture(background));
    for (const GroupButtonSpec& spec : kGroupButtons) {
      const SkinPlace place = ReadSkinPlace(ini, spec.section, spec.designed.cx, spec.designed.cy);
      if (!place.shown) continue;
      std::shared_ptr<const ui::Picture> states[3];
      const char* keys[3] = {"Filename_normal", "Filename_over", "Filename_down"};
      for (int i = 0; i < 3; ++i) {
        const std::string file = skin::SkinFileFromIni(ini, skin::ReadSkinStringFrom(ini, spec.section, keys[i]));
        if (!FileExists(file)) return groupFaces;  // the build reports it
        states[i] = skin::LoadSkinPicture(file);
      }
      const ui::Picture* raw[3] = {states[0].get(), states[1].get(), states[2].get()};
      StringList lines;
      GetTranslationLines("TForm_ZAMO2", spec.name, 3, lines);
      const std::string texts[3] = {Line(lines, 0), Line(lines, 1), Line(lines, 2)};
      const RECT& r = place.rect;
      PrebakedFaces baked;
      baked.buttonName = spec.name;
      baked.place = r;
      auto faces = BakeFaces(page, POINT{r.left + kGroupFace.backgroundOffset.x, r.top + kGroupFace.backgroundOffset.y},
                             r.right - r.left, r.bottom - r.top, raw, kGroupFace, kGroupFace.icon, texts,
                             spec.icon ? dir + spec.icon : std::string());
      for (int i = 0; i < 3; ++i) baked.faces[i] = faces[static_cast<size_t>(i)];
      groupFaces.push_back(std::move(baked));
    }
    return groupFaces;
  }

  // The numbers and fonts of the description (each first read parses the file).
  static void ReadDescription(const std::string& dir) {
    const std::string ini = dir + "\\Skin.ini";
    // The numbers and fonts of the description (each first read parses the file).
    for (const char* section : {"Close", "Minimize", "Help", "Options", "About", "Internetmenu", "OCO", "Cleaning",
                                "Tuning", "Tools", "Submenu"})
      for (const char* key : {"Load", "Left", "Top", "Width", "Height"}) skin::ReadSkinIntFrom(ini, section, key);
    for (const char* section : {"EasyMode", "ExpertMode"})
      for (const char* key : {"Left", "Top"}) skin::ReadSkinIntFrom(ini, section, key);
    for (const char* section : {"GroupButton_FontBIG", "GroupButton_FontSMALL", "SubMenu_HeaderFontBIG",
                                "OtherText_Font", "SubMenu_HeaderFontSMALL", "SubMenuButton_FontBIG",
                                "SubMenuButton_FontSMALL", "InternetButton_FontBIG", "InternetButton_FontSMALL",
                                "AboutScreen_HeaderFont"}) {
      skin::ReadSkinStringFrom(ini, section, "FontName");
      for (const char* key : {"FontSize", "R", "G", "B"}) skin::ReadSkinIntFrom(ini, section, key);
    }
  }

  // The pictures of the build into the shared picture cache.
  // The background (once), the pictures of the sections' buttons and the
  // named files into the shared picture cache.
  static void Prefetch(const std::string& dir, std::initializer_list<const char*> sections,
                       std::initializer_list<const char*> names) {
    const std::string ini = dir + "\\Skin.ini";
    std::vector<std::string> files{dir + "\\Background.bmp"};
    for (const char* section : sections)
      for (const char* key : {"Filename_normal", "Filename_over", "Filename_down"})
        files.push_back(skin::SkinFileFromIni(ini, skin::ReadSkinStringFrom(ini, section, key)));
    for (const char* name : names) files.push_back(dir + "\\" + name);
    if (names.size() > 0) files.push_back(skin::SkinFileFromIni(ini, skin::ReadSkinStringFrom(ini, "Submenu", "Filename")));
    for (const std::string& f : files)
      if (FileExists(f)) ui::LoadPictureCached(f);
  }

  std::promise<std::vector<PrebakedFaces>> facesReady_;
  std::future<std::vector<PrebakedFaces>> groupFaces_ = facesReady_.get_future();
  std::thread thread_;  // last: it starts when the rest exists
};

}  // namespace

TForm_ZAMO2* CreateMainWindowWithSplash(bool showMainWindow) {
  TForm_ZAMO2* main = nullptr;
  std::unique_ptr<TForm_ZAMO_Splash> splash;
  auto fail = [&](const std::string& text) {
    splash.reset();
    delete main;  // the program ends: nothing of the window may stay
    main = nullptr;
    ShowMessageBox(nullptr, text, MsgKind::Error);
  };
  SkinPrefetch prefetch;
  try {
    // The splash first: it is on the screen while everything else is made.
    splash = std::make_unique<TForm_ZAMO_Splash>(&ui::App());
    splash->DoCreate();
    splash->ShowInFront();
    ui::App().ProcessMessages();
    TraceStep("splash-shown");
    main = new TForm_ZAMO2(&ui::App());
    ui::App().SetMainForm(main);
    main->DoCreate();
    TraceStep("main-window");
    AppHelpRouter = main->HelpRouter1;
    main->BuildMainWindowFromSkin(splash.get(), true, [&prefetch] { return prefetch.TakeGroupFaces(); });
    TraceStep("skin-built");
    splash.reset();
    TraceStep("splash-freed");
    if (showMainWindow) {
      main->Show();
      TraceStep("main-shown");
    }
    return main;
  } catch (const skin::SkinPictureError& e) {
    std::string text = GetTranslation("TForm_ZAMO2", "MESSAGE_SkinPictureError", kGermanSkinPictureError);
    fail(ReplaceAll(text, "%1", e.file.empty() ? std::string(e.what()) : e.file));
  } catch (const std::exception& e) {
    fail(e.what());
  }
  return nullptr;
}

}  // namespace qz::shell
