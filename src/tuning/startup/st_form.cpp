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
  AddStartPage(
      "Willkommen beim StartUp-Tuner",
      "Viele Programme starten zusammen mit Windows und machen den Start langsam. Der StartUp-Tuner zeigt "
      "Ihnen jedes dieser Programme; Sie schalten es mit einem Klick ab und wieder an. Außerdem bearbeiten Sie "
      "hier die Liste der installierten Software.<br><br>Bitte wählen Sie, was Sie tun möchten, und klicken "
      "Sie dann auf <b>Weiter</b>.",
      90);
  AddStartChoices(160, 28,
                  {{RadioButton_AutoStart, "RadioButton_AutoStart", "Autostart-Einträge bearbeiten"},
                   {RadioButton_Uninstall, "RadioButton_Uninstall", "Liste der installierten Software bearbeiten"},
                   {RadioButton_Backups, "RadioButton_Backups", "Backups dieses Programmteils bearbeiten"}});

  Backups = AddBackupsPage("Backups des StartUp-Tuners",
                           "Wählen Sie ein Backup und stellen Sie es wieder her, oder löschen Sie es.", "ST");
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

ui::Form* CreateStartupTunerWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_ST>(owner); }

}  // namespace qz::st
