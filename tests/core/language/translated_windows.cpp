#include "core/language/translated_windows.h"

#include "cleaning/dll/dll_form.h"
#include "cleaning/dll/dll_options.h"
#include "cleaning/dll/dll_result.h"
#include "cleaning/drive/dc_dialogs.h"
#include "cleaning/drive/dc_form.h"
#include "cleaning/drive/dc_options.h"
#include "cleaning/drive/dc_result.h"
#include "cleaning/internet/ic_form.h"
#include "cleaning/internet/ic_options.h"
#include "cleaning/internet/ic_result.h"
#include "cleaning/oco/oco_form.h"
#include "cleaning/registry/rc_form.h"
#include "cleaning/registry/rc_options.h"
#include "cleaning/registry/rc_result.h"
#include "filetools/assoc/fa_form.h"
#include "filetools/assoc/fa_result.h"
#include "filetools/assoc/fa_select_exe.h"
#include "filetools/crypt/fed_form.h"
#include "filetools/split/fsj_form.h"
#include "filetools/wipe/fw_form.h"
#include "filetools/wipe/fw_options.h"
#include "shell/main_window.h"
#include "shell/module_table.h"
#include "shell/options_window.h"
#include "tuning/internet/it_form.h"
#include "tuning/internet/it_manual.h"
#include "tuning/netquiet/nq_form.h"
#include "tuning/startup/st_form.h"
#include "tuning/startup/st_new.h"
#include "tuning/startup/st_result.h"
#include "tuning/wintools/win_progis.h"

namespace qz::test {

// One line per window class, for example
//   {"TForm_Example", [] { return std::unique_ptr<ui::Component>(new TForm_Example(nullptr)); }},
// A window whose components need no translation is listed all the same.
const std::vector<TranslatedWindow>& TranslatedWindows() {
  static const std::vector<TranslatedWindow> windows = {
      {"TForm_ZAMO2", [] { return std::unique_ptr<ui::Component>(new shell::TForm_ZAMO2(nullptr)); }},
      {"TForm_ZAMO_Splash", [] { return std::unique_ptr<ui::Component>(new shell::TForm_ZAMO_Splash(nullptr)); }},
      {"TForm_ModulePlaceholder",
       [] { return std::unique_ptr<ui::Component>(new shell::TForm_ModulePlaceholder(nullptr)); }},
      {"TForm_DC", [] { return std::unique_ptr<ui::Component>(new dc::TForm_DC(nullptr)); }},
      {"TForm_DC_Options", [] { return std::unique_ptr<ui::Component>(new dc::TForm_DC_Options(nullptr)); }},
      {"TForm_DC_Result",
       [] {
         static dc::DriveCleaner engine;
         return std::unique_ptr<ui::Component>(new dc::TForm_DC_Result(nullptr, engine));
       }},
      {"TForm_DC_NewTyp", [] { return std::unique_ptr<ui::Component>(new dc::TForm_DC_NewTyp(nullptr)); }},
      {"TForm_DC_NewExc", [] { return std::unique_ptr<ui::Component>(new dc::TForm_DC_NewExc(nullptr)); }},
      {"TForm_DLL", [] { return std::unique_ptr<ui::Component>(new dll::TForm_DLL(nullptr)); }},
      {"TForm_DLL_Options", [] { return std::unique_ptr<ui::Component>(new dll::TForm_DLL_Options(nullptr)); }},
      {"TForm_DLL_Result",
       [] {
         static cleaning::ResultTotals totals;
         return std::unique_ptr<ui::Component>(new dll::TForm_DLL_Result(nullptr, totals));
       }},
      {"TForm_ZAMO2_IC", [] { return std::unique_ptr<ui::Component>(new ic::TForm_ZAMO2_IC(nullptr)); }},
      {"TForm_ZAMO2_IC_Options",
       [] { return std::unique_ptr<ui::Component>(new ic::TForm_ZAMO2_IC_Options(nullptr, ic::BrowserEnvironment{})); }},
      {"TForm_InternetCleanerResult",
       [] {
         static ic::InternetCleaner engine;
         return std::unique_ptr<ui::Component>(new ic::TForm_InternetCleanerResult(nullptr, engine, nullptr));
       }},
      {"TForm_RC", [] { return std::unique_ptr<ui::Component>(new rc::TForm_RC(nullptr)); }},
      {"TForm_RC_Options", [] { return std::unique_ptr<ui::Component>(new rc::TForm_RC_Options(nullptr)); }},
      {"TForm_RC_Result",
       [] {
         static rc::RegistryCleaner engine;
         return std::unique_ptr<ui::Component>(new rc::TForm_RC_Result(nullptr, engine));
       }},
      {"TForm_FA", [] { return std::unique_ptr<ui::Component>(new fa::TForm_FA(nullptr)); }},
      {"TForm_FA_Result", [] { return std::unique_ptr<ui::Component>(new fa::TForm_FA_Result(nullptr)); }},
      {"TForm_FA_SelectEXE", [] { return std::unique_ptr<ui::Component>(new fa::TForm_FA_SelectEXE(nullptr)); }},
      {"TForm_ST", [] { return std::unique_ptr<ui::Component>(new st::TForm_ST(nullptr)); }},
      {"TForm_ST_Result",
       [] {
         return std::unique_ptr<ui::Component>(
             new st::TForm_ST_Result(nullptr, st::SystemStartupStore(), st::StartupPlaces{}));
       }},
      {"TForm_ST_New",
       [] {
         static st::AutostartEngine engine(st::SystemStartupStore(), st::StartupPlaces{});
         return std::unique_ptr<ui::Component>(new st::TForm_ST_New(nullptr, engine));
       }},
      {"TForm_IT", [] { return std::unique_ptr<ui::Component>(new it::TForm_IT(nullptr)); }},
      {"TForm_IT_Manual", [] { return std::unique_ptr<ui::Component>(new it::TForm_IT_Manual(nullptr)); }},
      {"TForm_Netquiet", [] { return std::unique_ptr<ui::Component>(new nq::TForm_Netquiet(nullptr)); }},
      {"TForm_WinProgis", [] { return std::unique_ptr<ui::Component>(new win::TForm_WinProgis(nullptr)); }},
      {"TForm_OCO", [] { return std::unique_ptr<ui::Component>(new oco::TForm_OCO(nullptr)); }},
      {"TForm_ZAMO2_Options",
       [] { return std::unique_ptr<ui::Component>(new shell::TForm_ZAMO2_Options(nullptr)); }},
      // File tools
      {"TForm_FW", [] { return std::unique_ptr<ui::Component>(new fw::TForm_FW(nullptr)); }},
      {"TForm_FW_Options", [] { return std::unique_ptr<ui::Component>(new fw::TForm_FW_Options(nullptr)); }},
      {"TForm_Splitter", [] { return std::unique_ptr<ui::Component>(new fsj::TForm_Splitter(nullptr)); }},
      {"TForm_Cryptor", [] { return std::unique_ptr<ui::Component>(new fed::TForm_Cryptor(nullptr)); }},
  };
  return windows;
}

}  // namespace qz::test
