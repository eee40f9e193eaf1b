// The DLL Cleaner window: the cleaner wizard (cleaning/frame/
// cleaner_wizard.h) with these pages:
//   0 "Start"     RadioButton_Start (search now), RadioButton_Options (edit
//                 the settings), RadioButton_Update (refresh the exception
//                 lists over the internet)
//   1 "Suche"     Label_DLL_Search_Drive, Label_DLL_Search_Folder,
//                 Label_DLL_Search_File: what is being examined, every 250 ms
//   2 "Ergebniss" JvLinkLabel_Result (summary), Button_Results (details)
//   3 "Delete"    ProgressBar_DLL_Delete, Label_DLL_Delete_File
//   4 "Download Exception"  Button_CheckNewExceptions
// It owns its engine and creates its options window (TForm_DLL_Options) and
// result window (TForm_DLL_Result) with itself; both live until it is
// destroyed. The main window shows the module in expert mode only.
#pragma once

#include <cstdint>
#include <string>

#include "cleaning/dll/dll_search.h"
#include "cleaning/frame/cleaner_wizard.h"

namespace qz::ui {
class Label;
class ProgressBar;
class RadioButton;
}  // namespace qz::ui

namespace qz::dll {

class TForm_DLL_Options;
class TForm_DLL_Result;

class TForm_DLL : public cleaning::CleanerWizard {
 public:
  explicit TForm_DLL(ui::Component* owner);
  ~TForm_DLL() override;

  // The module's own parts of the pages (the wizard holds the shared ones)
  // Page 0
  ui::RadioButton* RadioButton_Update;
  // Page 1
  ui::Label* Label_DLL_Search_Drive;
  ui::Label* Label_DLL_Search_Folder;
  ui::Label* Label_DLL_Search_File;
  // Page 3
  ui::ProgressBar* ProgressBar_DLL_Delete;
  ui::Label* Label_DLL_Delete_Fixed;
  ui::Label* Label_DLL_Delete_File;

  TForm_DLL_Options* Options() const { return options_; }
  TForm_DLL_Result* Result() const { return result_; }
  // The engine; tests point its Folders at a fake Windows tree.
  DllEngine& Engine() { return engine_; }
  const cleaning::ResultTotals& Totals() const { return totals_; }
  const DllDeleteResult& LastDelete() const { return lastDelete_; }

  void StartDllSearch() { RunSearch(); }
  void DeleteMarkedDlls() { RunDelete(); }
  void ShowDllSummary();

 protected:
  void CreateModuleWindows() override;
  // ---- the cleaner wizard's hooks
  ui::Form* OptionsWindow() override;
  bool PrepareSearch() override;
  cleaning::SearchOutcome Search() override;
  void ShowSummary() override { ShowDllSummary(); }
  std::string NothingFoundText() override;
  void ProgressTimerEvent() override;
  int64_t CountMarked() override;
  std::string NothingMarkedText() override;
  std::string ConfirmDeleteText() override;
  cleaning::DeleteOutcome DeleteMarked() override;
  std::string DeletedText() override;
  cleaning::ResultWindow* Results() override;

 private:
  bool ReloadLists();

  DllEngine engine_;
  cleaning::ResultTotals totals_;
  DllDeleteResult lastDelete_;
  TForm_DLL_Options* options_ = nullptr;
  TForm_DLL_Result* result_ = nullptr;
};

// The launch table's factory for "DLL": the window made and created (not
// shown). A creation that fails frees the window and passes the error on.
ui::Form* CreateDllCleanerWindow(ui::Component* owner);

}  // namespace qz::dll
