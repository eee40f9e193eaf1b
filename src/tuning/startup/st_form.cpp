#include "tuning/startup/st_form.h"

#include <memory>

#include "cleaning/frame/backup_page.h"
#include "tuning/startup/st_result.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::st {

namespace {
const cleaning::ModuleInfo kStartupTunerInfo{.Code = "ST", .Title = "StartUp Tuner", .Group = "Tuning-Tools"};
}  // namespace

TForm_ST::TForm_ST(ui::Component* owner, StartupStore* store, std::optional<StartupPlaces> places)
    : ModuleWindow(owner, "TForm_ST", kStartupTunerInfo),
      store_(store ? *store : SystemStartupStore()),
      places_(std::move(places)) {
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label_Start_Header = AddPageTitle(TabSheet_Start, "Label_Start_Header", "Willkommen beim StartUp-Tuner");
  JvLinkLabel_Start = AddPageText(
      TabSheet_Start, "JvLinkLabel_Start",
      "Viele Programme starten zusammen mit Windows und machen den Start langsam. Der StartUp-Tuner zeigt "
      "Ihnen jedes dieser Programme; Sie schalten es mit einem Klick ab und wieder an. Außerdem bearbeiten Sie "
      "hier die Liste der installierten Software.<br><br>Bitte wählen Sie, was Sie tun möchten, und klicken "
      "Sie dann auf <b>Weiter</b>.",
      48, 90);
  RadioButton_AutoStart =
      new ui::RadioButton(TabSheet_Start, "RadioButton_AutoStart", "Autostart-Einträge bearbeiten");
  RadioButton_AutoStart->SetBounds(40, 160, 560, 20);
  RadioButton_AutoStart->SetChecked(true);
  RadioButton_Uninstall =
      new ui::RadioButton(TabSheet_Start, "RadioButton_Uninstall", "Liste der installierten Software bearbeiten");
  RadioButton_Uninstall->SetBounds(40, 188, 560, 20);
  RadioButton_Backups =
      new ui::RadioButton(TabSheet_Start, "RadioButton_Backups", "Backups dieses Programmteils bearbeiten");
  RadioButton_Backups->SetBounds(40, 216, 560, 20);
  for (ui::RadioButton* r : {RadioButton_AutoStart, RadioButton_Uninstall, RadioButton_Backups}) {
    r->Tag = 1;
    r->SetTabStop(true);
  }

  TabSheet_Backups = AddWizardPage("TabSheet_Backups", "Backups");
  Label_Backups_Header = AddPageTitle(TabSheet_Backups, "Label_Backups_Header", "Backups des StartUp-Tuners");
  JvLinkLabel_Backups = AddPageText(TabSheet_Backups, "JvLinkLabel_Backups",
                                    "Wählen Sie ein Backup und stellen Sie es wieder her, oder löschen Sie es.", 40,
                                    18);
  Backups = new cleaning::BackupPage(this, TabSheet_Backups, "ST");
}

void TForm_ST::CreateModuleWindows() {
  if (!places_) places_ = StartupPlaces::FromSystem(store_);
  result_ = new TForm_ST_Result(this, store_, *places_);
  result_->DoCreate();
}

void TForm_ST::NextClick() {
  if (PageIndex() != 0) return;
  if (RadioButton_AutoStart->Checked()) {
    result_->ShowPage(0);
    result_->BuildAutostartTree();
    cleaning::ShowModalWindow(*result_);
  } else if (RadioButton_Uninstall->Checked()) {
    result_->ShowPage(1);
    result_->ListInstalledSoftware();
    cleaning::ShowModalWindow(*result_);
  } else if (RadioButton_Backups->Checked()) {
    Backups->ListRegistryBackups();
    ShowPage(1);
    Button_Weiter->SetEnabled(false);
    Button_Zurueck->SetEnabled(true);
  }
}

void TForm_ST::BackClick() {
  if (PageIndex() != 1) return;
  ShowPage(0);
  Button_Weiter->SetEnabled(true);
  Button_Zurueck->SetEnabled(false);
}

ui::Form* CreateStartupTunerWindow(ui::Component* owner) {
  std::unique_ptr<TForm_ST> window(new TForm_ST(owner));
  window->DoCreate();
  return window.release();
}

}  // namespace qz::st
