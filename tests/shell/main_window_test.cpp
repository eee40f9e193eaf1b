// The main window: built from the skin, its groups and modes, the header
// buttons, the first-run notice, the "OCO" start and the faces it bakes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <tuple>

#include "cleaning/oco/fake_cleaner.h"
#include "cleaning/oco/oco_form.h"
#include "core/help.h"
#include "core/registry.h"
#include "core/text.h"
#include "skin/skin.h"
#include "ui/help_router.h"
#include "shell/shell_test_util.h"
#include "ui/controls/ui_test_util.h"

namespace qz::shell {
namespace {

using test::ShellGlobals;

std::unique_ptr<test::Capture> CaptureOf(HWND h) { return std::make_unique<test::Capture>(h); }

int VisibleModuleButtons(const TForm_ZAMO2& w) {
  int n = 0;
  for (int b = 1; b <= 4; ++b) n += w.ModuleButton(b)->Visible();
  return n;
}

TEST(MainWindow, BuildsFromTheInstalledSkinWithItsNamedComponents) {
  ShellGlobals g("shell_build");
  ShellGlobals::UseLanguage(1033);
  auto w = test::BuildMainWindow();

  // Names the driver and the language file rely on.
  for (const char* name :
       {"ImageShape_Background", "MorvekMouseImage3State_Close", "MorvekMouseImage3State_Minimize",
        "MorvekMouseImage3State_Help", "MorvekMouseImage3State_Options", "MorvekMouseImage3State_About",
        "MorvekMouseImage3State_Internetmenu", "PageControl1", "MorvekMouseImage3State_Cleaning",
        "MorvekMouseImage3State_Tuning", "MorvekMouseImage3State_Tools", "MorvekMouseImage3State_Module1",
        "MorvekMouseImage3State_Module4", "MorvekMouseImage3State_OCO", "Image_Submenu", "Image_EasyMode",
        "Image_ExpertMode", "MorvekMouseImage3State_IM_Update", "Button_About_Back", "Button_IM_Back",
        "Button_LoadTranslation", "Button_SaveTranslation", "Button_UpdateNow", "HelpRouter1"})
    EXPECT_NE(w->FindComponent(name), nullptr) << name;

  EXPECT_TRUE(w->Built());
  EXPECT_EQ(w->ClientWidth(), 640);
  EXPECT_EQ(w->ClientHeight(), 480);
  auto* close = w->MorvekMouseImage3State_Close;
  EXPECT_TRUE(close->Visible());
  EXPECT_EQ(close->Left(), 599);
  EXPECT_EQ(close->Top(), 15);
  EXPECT_EQ(close->Hint, "Close");
  EXPECT_TRUE(w->MorvekMouseImage3State_OCO->Visible());
  EXPECT_EQ(VisibleModuleButtons(*w), 0) << "no group chosen yet";
  EXPECT_EQ(w->CurrentGroup(), 0);
  EXPECT_EQ(w->PageControl1->ActivePageIndex(), 0);
  EXPECT_EQ(w->MenuPageShown(), 1);
  EXPECT_EQ(w->PageBackground().Width(), 640);
  EXPECT_EQ(w->PageBackground().Height(), 368);
  EXPECT_FALSE(w->SubmenuBlank().Empty());
  EXPECT_EQ(w->Label_AboutHeader->Caption(), "About the program");

  // The outline: the bottom-left colour of the background is cut at the
  // corners, the middle stays.
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(w->Handle(), r), ERROR);
  EXPECT_FALSE(PtInRegion(r, 0, 479));
  EXPECT_FALSE(PtInRegion(r, 639, 0));
  EXPECT_TRUE(PtInRegion(r, 320, 240));
  EXPECT_TRUE(PtInRegion(r, 20, 20));
  DeleteObject(r);
}

TEST(MainWindow, HeaderButtonsShowTheirTranslatedHintsAsTooltips) {
  for (const auto& [lang, close, about] : {std::tuple<int, const char*, const char*>{1033, "Close", "About"},
                                           {1031, "Schließen", "Über"}}) {
    ShellGlobals g("shell_hints");
    ShellGlobals::UseLanguage(lang);
    auto w = test::BuildMainWindow();
    auto hintAt = [&](const ui::Control* c) {
      const RECT r = c->BoundsRect();
      SendMessageW(w->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
      wchar_t text[128] = {};
      TTTOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.lpszText = text;
      if (!w->HintWindow() || !SendMessageW(w->HintWindow(), TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)))
        return std::string();
      return Narrow(text);
    };
    EXPECT_EQ(hintAt(w->MorvekMouseImage3State_Close), close) << lang;
    EXPECT_EQ(hintAt(w->MorvekMouseImage3State_About).rfind(about, 0), 0u) << lang;
  }
}

TEST(MainWindow, SkinSectionsDecideVisibilityPositionAndSize) {
  ShellGlobals g("shell_sections");
  test::ScratchSkin skin("sections");
  skin.Set("OCO", "Load", "0");
  skin.Remove("Tools", "Load");  // reads -1
  skin.Set("Tuning", "Left", "30");
  skin.Set("Tuning", "Top", "95");
  skin.Set("Tuning", "Width", "0");
  skin.Remove("Tuning", "Height");
  skin.Set("Minimize", "Width", "-5");
  skin.Set("Help", "Load", "2");
  auto w = test::BuildMainWindow();
  EXPECT_FALSE(w->MorvekMouseImage3State_OCO->Visible());
  EXPECT_FALSE(w->MorvekMouseImage3State_Tools->Visible());
  EXPECT_FALSE(w->MorvekMouseImage3State_Help->Visible());
  EXPECT_TRUE(w->MorvekMouseImage3State_Cleaning->Visible());
  auto* tuning = w->MorvekMouseImage3State_Tuning;
  EXPECT_TRUE(tuning->Visible());
  EXPECT_EQ(tuning->Left(), 30);
  EXPECT_EQ(tuning->Top(), 95);
  EXPECT_EQ(tuning->Width(), 296) << "the designed size stays";
  EXPECT_EQ(tuning->Height(), 71);
  EXPECT_EQ(w->MorvekMouseImage3State_Minimize->Width(), 20);
  // The other buttons still work.
  w->MorvekMouseImage3State_Cleaning->Click();
  EXPECT_EQ(w->CurrentGroup(), 1);
}

TEST(MainWindow, AMissingOrBrokenSkinPictureStopsTheBuildNamingTheFile) {
  ShellGlobals g("shell_missing");
  struct Case {
    const char* what;
    std::function<void(test::ScratchSkin&)> harm;
    const char* file;
  } cases[] = {
      {"state picture named in skin.ini", [](test::ScratchSkin& s) { s.Delete("Buttons\\Help_over.png"); },
       "Buttons\\Help_over.png"},
      {"background", [](test::ScratchSkin& s) { s.WriteBytes("Background.bmp", "BM garbage"); }, "Background.bmp"},
      {"frame", [](test::ScratchSkin& s) { s.Delete("frame_about_IM.png"); }, "frame_about_IM.png"},
  };
  for (const Case& c : cases) {
    test::ScratchSkin scratch(std::string("missing_") + std::to_string(&c - cases));
    c.harm(scratch);
    try {
      test::BuildMainWindow();
      ADD_FAILURE() << c.what << ": built";
    } catch (const skin::SkinPictureError& e) {
      EXPECT_EQ(e.file, scratch.File(c.file)) << c.what;
    }
  }
}

TEST(MainWindow, StartWithABrokenSkinShowsOneBoxAndEndsCleanly) {
  ShellGlobals g("shell_broken_start");
  test::ScratchSkin skin("broken_start");
  skin.Delete("LED_inactive.png");
  test::MessageBoxRecorder boxes;
  TForm_ZAMO2* w = CreateMainWindowWithSplash();
  EXPECT_EQ(w, nullptr);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_NE(boxes.boxes[0].text.find(skin.File("LED_inactive.png")), std::string::npos) << boxes.boxes[0].text;
  EXPECT_EQ(ui::App().MainForm(), nullptr);
  EXPECT_EQ(AppHelpRouter, nullptr);
}

TEST(MainWindow, TheStartBakesTheGroupFacesAheadAsTheWindowWouldItself) {
  ShellGlobals g("shell_start_faces");
  ShellGlobals::UseLanguage(1031);
  const char* const names[] = {"MorvekMouseImage3State_Cleaning", "MorvekMouseImage3State_Tuning",
                               "MorvekMouseImage3State_Tools", "MorvekMouseImage3State_OCO"};
  // The normal and pressed faces of each button, pixel by pixel.
  using Faces = std::vector<std::vector<uint32_t>>;
  auto facesOf = [&](const TForm_ZAMO2& w) {
    Faces out;
    for (const char* name : names) {
      auto* b = dynamic_cast<skin::TMorvekMouseImage3State*>(w.FindComponent(name));
      if (!b) return Faces{};
      for (const ui::Picture* p : {&b->Picture_Normal(), &b->Picture_Pressed()}) {
        std::vector<uint32_t> px;
        for (int y = 0; y < p->Height(); ++y)
          for (int x = 0; x < p->Width(); ++x) px.push_back(p->Pixel(x, y));
        out.push_back(std::move(px));
      }
    }
    return out;
  };
  // The start bakes the group faces on another thread while it makes the windows.
  Faces ahead;
  {
    std::unique_ptr<TForm_ZAMO2> started(CreateMainWindowWithSplash());
    ASSERT_NE(started, nullptr);
    ahead = facesOf(*started);
    ui::App().SetMainForm(nullptr);
  }
  AppHelpRouter = nullptr;
  auto built = test::BuildMainWindow();
  const Faces own = facesOf(*built);
  ASSERT_EQ(ahead.size(), 8u);
  ASSERT_EQ(own.size(), 8u);
  for (size_t i = 0; i < own.size(); ++i) EXPECT_TRUE(ahead[i] == own[i]) << names[i / 2] << (i % 2 ? " pressed" : " normal");
}

TEST(MainWindow, ModulesOfferedPerGroupAndMode) {
  ShellGlobals g("shell_groups");
  ShellGlobals::UseLanguage(1033);
  struct Case {
    int mode, group, visible;
    std::vector<std::string> codes;
  } cases[] = {
      {0, 1, 3, {"DC", "RC", "IC"}},  {0, 2, 3, {"ST", "NQ", "WIN"}},       {0, 3, 2, {"FW", "FSJ"}},
      {1, 1, 4, {"DC", "RC", "IC", "DLL"}}, {1, 2, 4, {"ST", "NQ", "WIN", "IT"}}, {1, 3, 4, {"FW", "FSJ", "FA", "FED"}},
  };
  for (int mode : {0, 1}) {
    RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "ExpertMode", mode);
    auto w = test::BuildMainWindow();
    ASSERT_EQ(w->ExpertMode(), mode);
    for (const Case& c : cases) {
      if (c.mode != mode) continue;
      w->ShowGroup(c.group);
      EXPECT_EQ(VisibleModuleButtons(*w), c.visible) << "mode " << mode << " group " << c.group;
      for (size_t b = 0; b < c.codes.size(); ++b) {
        EXPECT_TRUE(w->ModuleButton(static_cast<int>(b) + 1)->Visible());
        EXPECT_EQ(ModuleCodeFor(c.group, static_cast<int>(b) + 1), c.codes[b]);
      }
    }
  }
}

TEST(MainWindow, ModeSwitchRedrawsTheShownGroupAndStoresTheMode) {
  ShellGlobals g("shell_mode");
  ShellGlobals::UseLanguage(1033);
  auto w = test::BuildMainWindow();
  ASSERT_EQ(w->ExpertMode(), 0);
  auto led = [&](ui::Image* img) { return img->Picture().Pixel(8, 8); };
  const uint32_t easyLit = led(w->Image_EasyMode), expertDark = led(w->Image_ExpertMode);
  EXPECT_NE(easyLit, expertDark);

  w->ShowGroup(3);
  EXPECT_EQ(VisibleModuleButtons(*w), 2);
  w->Image_ExpertMode->Click();
  EXPECT_EQ(w->ExpertMode(), 1);
  EXPECT_EQ(VisibleModuleButtons(*w), 4) << "the shown group follows at once";
  EXPECT_EQ(RegGetInteger(HKEY_LOCAL_MACHINE, OptionsKey(), "ExpertMode"), 1);
  EXPECT_EQ(led(w->Image_ExpertMode), easyLit);
  EXPECT_EQ(led(w->Image_EasyMode), expertDark);
  EXPECT_EQ(w->CurrentGroup(), 3);

  w->Image_EasyMode->Click();
  EXPECT_EQ(VisibleModuleButtons(*w), 2);
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, OptionsKey(), "ExpertMode", 0));

  // Without a shown group the switch only stores the mode.
  w.reset();
  auto fresh = test::BuildMainWindow();
  fresh->SetExpertMode(1);
  EXPECT_EQ(fresh->CurrentGroup(), 0);
  EXPECT_EQ(VisibleModuleButtons(*fresh), 0);
}

TEST(MainWindow, TheStoredModeIsReadAtCreationAndOnlyOneCountsAsExpert) {
  ShellGlobals g("shell_mode_values");
  const std::string key = OptionsKey();
  struct Case {
    const char* what;
    std::function<void()> store;
    int expected;
  } cases[] = {
      {"absent", [&] { RegRemoveValue(HKEY_LOCAL_MACHINE, key, "ExpertMode"); }, 0},
      {"1", [&] { RegSetIntegerChecked(HKEY_LOCAL_MACHINE, key, "ExpertMode", 1); }, 1},
      {"2", [&] { RegSetIntegerChecked(HKEY_LOCAL_MACHINE, key, "ExpertMode", 2); }, 0},
      {"text abc", [&] { RegSetStringChecked(HKEY_LOCAL_MACHINE, key, "ExpertMode", "abc"); }, 0},
      {"empty text", [&] { RegSetStringChecked(HKEY_LOCAL_MACHINE, key, "ExpertMode", ""); }, 0},
  };
  for (const Case& c : cases) {
    c.store();
    TForm_ZAMO2 w(nullptr);
    w.DoCreate();
    EXPECT_EQ(w.ExpertMode(), c.expected) << c.what;
  }
}

TEST(MainWindow, FirstRunNoticeOnlyOnce) {
  ShellGlobals g("shell_first_run");
  test::MessageBoxRecorder boxes;
  TForm_ZAMO2 w(nullptr);
  w.DoCreate();
  w.ShowFirstRunNotice();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[0].text.rfind("Sie starten die Software zum 1. Mal.\rBitte", 0), 0u) << boxes.boxes[0].text;
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, ProductRegKey, "FirstRunDone", 1));
  w.ShowFirstRunNotice();
  EXPECT_EQ(boxes.boxes.size(), 1u) << "the same run";
}

TEST(MainWindow, NoFirstRunNoticeOnALaterStart) {
  ShellGlobals g("shell_later_run");
  test::MessageBoxRecorder boxes;
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "FirstRunDone", 1);
  {
    TForm_ZAMO2 later(nullptr);
    later.DoCreate();
    later.ShowFirstRunNotice();
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

// ---- the One-Click-Optimizer ----------------------------------------------------------

struct OptimizerRun {
  int weiterClicks = 0;
  uint8_t ocoRunning = 255;
  bool mainVisible = true;
  bool fail = false;
};

class FakeOptimizer : public test::ProbeWindow {
 public:
  FakeOptimizer(ui::Component* owner, test::ModuleProbe& probe, OptimizerRun& run, HWND main)
      : ProbeWindow(owner, probe) {
    auto* weiter = new ui::Button(this, "Button_Weiter", "&Weiter >");
    weiter->OnClick = [&run, main] {
      ++run.weiterClicks;
      run.ocoRunning = OcoRunning;
      run.mainVisible = IsWindowVisible(main) != FALSE;
      if (run.fail) throw std::runtime_error("the drive scan failed");
    };
  }
};

ModuleFactory FakeOptimizerFactory(test::ModuleProbe& probe, OptimizerRun& run, HWND main) {
  return [&probe, &run, main](ui::Component* owner) -> ui::Form* {
    auto* f = new FakeOptimizer(owner, probe, run, main);
    f->DoCreate();
    return f;
  };
}

TEST(MainWindow, TheOcoSwitchRunsTheOptimiserOnceAndLaterClicksShowItsStartPage) {
  ShellGlobals g("shell_oco");
  test::ModuleProbe probe;
  OptimizerRun run;
  auto w = test::BuildMainWindow();
  w->Show();
  test::ModuleOverride fake("OCO", FakeOptimizerFactory(probe, run, w->Handle()));

  w->RunOneClickFromCommandLine();
  EXPECT_EQ(run.weiterClicks, 1);
  EXPECT_EQ(run.ocoRunning, 1);
  EXPECT_FALSE(run.mainVisible) << "the main window is hidden while the optimiser runs";
  EXPECT_EQ(probe.modalShows, 1) << "then its result is shown modally";
  EXPECT_EQ(probe.ocoRunningWhenModal, 1);
  EXPECT_EQ(probe.destroyed, 1);
  EXPECT_EQ(OcoRunning, 0);
  EXPECT_TRUE(IsWindowVisible(w->Handle()));

  // Later clicks of the same run: the start page only.
  w->MorvekMouseImage3State_OCO->Click();
  EXPECT_EQ(run.weiterClicks, 1);
  EXPECT_EQ(probe.modalShows, 2);
  EXPECT_EQ(probe.destroyed, 2);
  EXPECT_EQ(OcoRunning, 0);
}

// The "OCO" start builds the main window without showing it; the optimiser
// runs and shows its result first, the main window comes after it.
TEST(MainWindow, TheOcoStartShowsTheMainWindowOnlyAfterTheOptimiser) {
  ShellGlobals g("shell_oco_start");
  test::ModuleProbe probe;
  OptimizerRun run;
  TForm_ZAMO2* w = CreateMainWindowWithSplash(false);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Built());
  EXPECT_FALSE(IsWindowVisible(w->Handle()));
  {
    test::ModuleOverride fake("OCO", FakeOptimizerFactory(probe, run, w->Handle()));
    w->RunOneClickFromCommandLine();
  }
  EXPECT_EQ(run.weiterClicks, 1);
  EXPECT_FALSE(run.mainVisible);
  EXPECT_EQ(probe.modalShows, 1);
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  ui::App().SetMainForm(nullptr);
  AppHelpRouter = nullptr;
  delete w;
}

// Closing the optimiser while the command line's run works ends it: the
// window is not shown again afterwards.
TEST(MainWindow, ClosingTheOptimiserDuringTheCommandLineRunEndsIt) {
  ShellGlobals g("shell_oco_close");
  auto w = test::BuildMainWindow();
  w->Show();
  oco::test::FakeCleaners fakes;
  int modalShows = 0;
  test::ModuleOverride real("OCO", [&](ui::Component* owner) -> ui::Form* {
    auto* f = new oco::TForm_OCO(owner);
    f->DoCreate();
    fakes.InstallInto(f->Run);
    fakes.specs[oco::kDrive].duringSearch = [f] { f->Close(); };
    f->OnShow = [f, &modalShows] {
      if (!f->IsModal()) return;
      ++modalShows;
      ui::App().Post([f] { f->SetModalResult(ui::mrOk); });
    };
    return f;
  });
  w->RunOneClickFromCommandLine();
  EXPECT_EQ(fakes.journal, (oco::test::Journal{"DC made", "DC search", "DC freed"}));
  EXPECT_EQ(modalShows, 0);
  EXPECT_EQ(OcoRunning, 0);
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
}

TEST(MainWindow, AFailedCommandLineRunShowsTheMainWindowAgainAndResetsTheFlag) {
  ShellGlobals g("shell_oco_fail");
  test::MessageBoxRecorder boxes;
  test::ModuleProbe probe;
  OptimizerRun run;
  run.fail = true;
  auto w = test::BuildMainWindow();
  w->Show();
  test::ModuleOverride fake("OCO", FakeOptimizerFactory(probe, run, w->Handle()));
  EXPECT_THROW(w->RunOneClickFromCommandLine(), std::runtime_error);
  EXPECT_EQ(run.weiterClicks, 1);
  EXPECT_EQ(OcoRunning, 0);
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  EXPECT_EQ(probe.created, probe.destroyed);

  run.fail = false;
  w->OCOClick();
  EXPECT_EQ(run.weiterClicks, 1) << "the switch was used up by the failed run";
  EXPECT_EQ(probe.modalShows, 1);
}

TEST(MainWindow, WithoutAnOptimiserThePlaceholderStandsIn) {
  ShellGlobals g("shell_oco_placeholder");
  test::ModuleOverride none("OCO", {});
  auto w = test::BuildMainWindow();
  test::CloseNextModalWindow();
  w->RunOneClickFromCommandLine();
  EXPECT_EQ(OcoRunning, 0);
}

// ---- header buttons, modules, links ------------------------------------------------------

TEST(MainWindow, HeaderButtonsModulesAndLinksReachTheirTargets) {
  ShellGlobals g("shell_header");
  ShellGlobals::UseLanguage(1033);
  auto w = test::BuildMainWindow();

  // Pages.
  w->MorvekMouseImage3State_About->Click();
  EXPECT_EQ(w->PageControl1->ActivePageIndex(), 1);
  EXPECT_EQ(w->MenuPageShown(), 0);
  w->Button_About_Back->Click();
  EXPECT_EQ(w->PageControl1->ActivePageIndex(), 0);
  EXPECT_EQ(w->MenuPageShown(), 1);
  w->MorvekMouseImage3State_Internetmenu->Click();
  EXPECT_EQ(w->PageControl1->ActivePageIndex(), 2);
  w->Button_IM_Back->Click();
  EXPECT_EQ(w->PageControl1->ActivePageIndex(), 0);

  // Modules and the options window through the table.
  test::ModuleProbe rc, options, dc;
  test::ModuleOverride a("RC", test::ProbeFactory(rc));
  test::ModuleOverride b("OPTIONS", test::ProbeFactory(options));
  test::ModuleOverride c("DC", test::ProbeFactory(dc));
  w->MorvekMouseImage3State_Module2->Click();  // no group chosen: nothing
  EXPECT_EQ(rc.created, 0);
  w->ShowGroup(1);
  w->MorvekMouseImage3State_Module2->Click();
  EXPECT_EQ(rc.modalShows, 1);
  EXPECT_EQ(rc.destroyed, 1);
  w->ShowGroup(2);
  test::CloseNextModalWindow();
  w->MorvekMouseImage3State_Module1->Click();  // ST: not registered, the placeholder
  EXPECT_EQ(dc.created, 0);
  w->MorvekMouseImage3State_Options->Click();
  EXPECT_EQ(options.modalShows, 1);
  EXPECT_EQ(options.destroyed, 1);

  // Help and links.
  std::vector<std::wstring> helpCalls;
  SetHtmlHelpFunction([&](HWND, const std::wstring& file, UINT, DWORD_PTR) {
    helpCalls.push_back(file);
    return HWND(nullptr);
  });
  w->MorvekMouseImage3State_Help->Click();
  SetHtmlHelpFunction(nullptr);
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_NE(helpCalls[0].find(L"1033.chm::/MAIN.htm"), std::wstring::npos);

  std::vector<std::string> opened;
  SetUrlLauncher([&](const std::string& address) { opened.push_back(address); });
  RegSetStringChecked(HKEY_LOCAL_MACHINE, ProductRegKey + "\\URLS\\1033", "URL_SUPPORT", "https://support.example/");
  w->MorvekMouseImage3State_IM_Support->Click();
  w->MorvekMouseImage3State_IM_Recommend->Click();
  SetUrlLauncher(nullptr);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "https://support.example/");
  EXPECT_EQ(opened[1], kDefaultLinkAddress);

  int updates = 0;
  const auto updateCheck = TForm_ZAMO2::UpdateCheckHook();
  TForm_ZAMO2::UpdateCheckHook() = [&](TForm_ZAMO2& form) {
    EXPECT_EQ(&form, w.get());
    ++updates;
  };
  w->MorvekMouseImage3State_IM_Update->Click();
  TForm_ZAMO2::UpdateCheckHook() = updateCheck;
  EXPECT_EQ(updates, 1);
}

// ---- painting and faces ------------------------------------------------------------

// Every pixel of the background tells its position; only the bottom-left
// one is cut.
uint32_t Where(int x, int y) { return ui::Argb(255, x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8)); }
uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFF; }
// The same colour as a GDI COLORREF (what a capture reports).
COLORREF Ref(uint32_t argb) { return RGB(ui::RedOf(argb), ui::GreenOf(argb), ui::BlueOf(argb)); }

struct FaceSkin {
  test::ScratchSkin skin{"faces"};
  FaceSkin() {
    skin.Save("Background.bmp", test::Pattern(640, 480, Where));
    const ui::Picture clear(296, 71, 0x00000000u), clearSmall(255, 48, 0x00000000u);
    for (const char* group : {"Cleaning", "Tuning", "Tools"})
      for (const char* state : {"normal", "over", "down"})
        skin.Save(std::string("Buttons\\") + group + "_" + state + ".png", clear);
    for (const char* state : {"normal", "hover", "down"}) {
      skin.Save(std::string("but_im_") + state + ".png", clearSmall);
      skin.Save(std::string("button_sub_") + state + ".png", clearSmall);
    }
    skin.Save("icon_main_clean.png", test::Solid(12, 12, 0xFFFF0000u));
    skin.Save("icon_IM_Recommend.png", test::Solid(10, 10, 0xFF00FF00u));
    skin.Save("icon_Module_DC.png", test::Solid(8, 8, 0xFF0000FFu));
    skin.Save("icon_Module_FW.png", test::Solid(8, 8, 0xFF0000FFu));
    skin.Save("icon_Module_FSJ.png", test::Solid(8, 8, 0xFF0000FFu));
  }
};

TEST(MainWindowFaces, BackgroundIconAndPressedShiftSitWhereEachBakerPutsThem) {
  ShellGlobals g("shell_faces");
  FaceSkin faces;  // no language file: faces without texts
  auto w = test::BuildMainWindow();
  // The page background is the window background below the page control's top.
  EXPECT_EQ(Rgb(w->PageBackground().Pixel(10, 20)), Rgb(Where(10, 106 + 20)));

  struct Case {
    const char* what;
    std::function<skin::TMorvekMouseImage3State*()> button;
    POINT backgroundAt;  // in window coordinates, for the face's pixel (0, 0)
    POINT icon;
    SIZE iconSize;
    uint32_t iconColour;
  } cases[] = {
      {"group (Cleaning at 24,8)", [&] { return w->MorvekMouseImage3State_Cleaning; }, {24 + 4, 106 + 8 + 6},
       {228, 8}, {12, 12}, 0xFF0000},
      {"internet item (Recommend at 48,64)", [&] { return w->MorvekMouseImage3State_IM_Recommend; },
       {48, 106 + 64}, {208, 5}, {10, 10}, 0x00FF00},
      {"module (DC at 352,52)",
       [&] {
         w->ShowGroup(1);
         return w->MorvekMouseImage3State_Module1;
       },
       {352 + 4, 106 + 52 + 6}, {218, 8}, {8, 8}, 0x0000FF},
      {"module 1 of the file tools",
       [&] {
         w->ShowGroup(3);
         return w->MorvekMouseImage3State_Module1;
       },
       {352 + 4, 106 + 52 + 6}, {216, 4}, {8, 8}, 0x0000FF},
      {"module 2 of the file tools",
       [&] {
         w->ShowGroup(3);
         return w->MorvekMouseImage3State_Module2;
       },
       {352 + 4, 106 + 100 + 6}, {218, 8}, {8, 8}, 0x0000FF},
  };
  for (const Case& c : cases) {
    skin::TMorvekMouseImage3State* b = c.button();
    const ui::Picture* states[3] = {&b->Picture_Normal(), &b->Picture_Highlight(), &b->Picture_Pressed()};
    for (int s = 0; s < 3; ++s) {
      const ui::Picture& face = *states[s];
      ASSERT_EQ(face.Width(), b->Width()) << c.what;
      const int shift = s == 2 ? 2 : 0;
      EXPECT_EQ(Rgb(face.Pixel(0, 0)), Rgb(Where(c.backgroundAt.x, c.backgroundAt.y))) << c.what << " state " << s;
      EXPECT_EQ(Rgb(face.Pixel(1, 0)), Rgb(Where(c.backgroundAt.x + 1, c.backgroundAt.y))) << c.what;
      const int ix = c.icon.x + shift, iy = c.icon.y + shift;
      EXPECT_EQ(Rgb(face.Pixel(ix, iy)), c.iconColour) << c.what << " state " << s;
      EXPECT_EQ(Rgb(face.Pixel(ix + c.iconSize.cx - 1, iy + c.iconSize.cy - 1)), c.iconColour) << c.what;
      EXPECT_NE(Rgb(face.Pixel(ix - 1, iy)), c.iconColour) << c.what << " state " << s;
      EXPECT_NE(Rgb(face.Pixel(ix, iy - 1)), c.iconColour) << c.what << " state " << s;
      EXPECT_NE(Rgb(face.Pixel(ix + c.iconSize.cx, iy)), c.iconColour) << c.what << " state " << s;
    }
    EXPECT_EQ(Rgb(b->Picture().Pixel(0, 0)), Rgb(b->Picture_Normal().Pixel(0, 0))) << c.what << " shows its normal face";
  }
  // The OCO button has no icon.
  const ui::Picture& oco = w->MorvekMouseImage3State_OCO->Picture_Normal();
  EXPECT_NE(Rgb(oco.Pixel(228, 8)), 0xFF0000u);
}

TEST(MainWindowFaces, PressedTextsSitTwoPixelsRightAndDown) {
  ShellGlobals g("shell_face_text");
  FaceSkin faces;
  ShellGlobals::UseLanguage(1033);
  auto w = test::BuildMainWindow();
  const auto& b = *w->MorvekMouseImage3State_Cleaning;
  // Away from the icon, the pressed face is the normal one moved by (2, 2)
  // wherever the text is.
  int textPixels = 0, mismatches = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 200; ++x) {
      uint32_t n = Rgb(b.Picture_Normal().Pixel(x, y));
      if (n == Rgb(Where(28 + x, 120 + y))) continue;  // background only
      ++textPixels;
      uint32_t p = Rgb(b.Picture_Pressed().Pixel(x + 2, y + 2));
      mismatches += p == Rgb(Where(28 + x + 2, 120 + y + 2));
    }
  EXPECT_GT(textPixels, 100);
  EXPECT_LT(mismatches, textPixels / 20);
}

TEST(MainWindowFaces, PagesPaintTheBackgroundUnderThemAndTheModeCaptionsOnlyOnTheMenu) {
  ShellGlobals g("shell_pages");
  FaceSkin faces;
  ShellGlobals::UseLanguage(1033);
  auto w = test::BuildMainWindow();
  ui::TabSheet* menu = w->TabSheet_Menu;
  ASSERT_EQ(menu->Left(), 4);
  ASSERT_EQ(menu->Top(), 6);
  auto menuShot = CaptureOf(menu->Handle());
  // A spot without controls: the window background under it.
  EXPECT_EQ(menuShot->Pixel(2, 2), Ref(Where(4 + 2, 106 + 6 + 2)));
  EXPECT_EQ(menuShot->Pixel(630, 352), Ref(Where(4 + 630, 106 + 6 + 352)));

  // The captions right of the lights.
  RECT caption{w->Image_EasyMode->Left() + w->Image_EasyMode->Width(), w->Image_EasyMode->Top(), 0, 0};
  caption.right = caption.left + 60;
  caption.bottom = caption.top + 14;
  auto differing = [&](const test::Capture& shot) {
    int n = 0;
    for (int y = caption.top; y < caption.bottom; ++y)
      for (int x = caption.left; x < caption.right; ++x)
        n += shot.Pixel(x, y) != Ref(Where(4 + x, 106 + 6 + y));
    return n;
  };
  EXPECT_GT(differing(*menuShot), 20);

  w->MorvekMouseImage3State_About->Click();
  auto aboutShot = CaptureOf(w->TabSheet_About->Handle());
  EXPECT_EQ(aboutShot->Pixel(2, 2), Ref(Where(6, 114)));
  EXPECT_EQ(differing(*aboutShot), 0);
  auto controlShot = std::make_unique<test::Capture>(w->PageControl1->Handle(), WM_ERASEBKGND);
  EXPECT_EQ(controlShot->Pixel(1, 1), Ref(Where(1, 107)));
}

}  // namespace
}  // namespace qz::shell
