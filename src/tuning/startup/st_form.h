// TForm_ST: the StartUp-Tuner's wizard window (the module frame, code "ST").
//   page 0 "Start"    RadioButton_AutoStart (the autostart entries, the
//                     default), RadioButton_Uninstall (the installed
//                     software), RadioButton_Backups (this module's undo files)
//   page 1 "Backups"  the frame's undo-file page for "ST"
// Weiter on the start page opens the result window (TForm_ST_Result) on its
// autostart or its installed-software page, each list built anew, or shows
// the Backups page (Weiter off, Zurück on); Zurück there goes back. The
// result window is made with this window and lives as long as it.
#pragma once

#include <optional>

#include "cleaning/frame/module_window.h"
#include "tuning/startup/autostart.h"

namespace qz::ui {
class Label;
class RadioButton;
class RichLabel;
class TabSheet;
}  // namespace qz::ui

namespace qz::cleaning {
class BackupPage;
}

namespace qz::st {

class TForm_ST_Result;

class TForm_ST : public cleaning::ModuleWindow {
 public:
  // The store and places of the real system unless given (tests).
  explicit TForm_ST(ui::Component* owner, StartupStore* store = nullptr,
                    std::optional<StartupPlaces> places = std::nullopt);

  // Page 0
  ui::RadioButton* RadioButton_AutoStart;
  ui::RadioButton* RadioButton_Uninstall;
  ui::RadioButton* RadioButton_Backups;
  // Page 1
  cleaning::BackupPage* Backups;

  TForm_ST_Result* Result() const { return result_; }

 protected:
  void CreateModuleWindows() override;
  void NextClick() override;
  void BackClick() override;

 private:
  StartupStore& store_;
  std::optional<StartupPlaces> places_;
  TForm_ST_Result* result_ = nullptr;
};

// The launch table's factory for "ST": the window made and created (not shown).
ui::Form* CreateStartupTunerWindow(ui::Component* owner);

}  // namespace qz::st
