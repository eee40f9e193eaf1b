#include "filetools/assoc/fa_form.h"

#include <memory>

#include "cleaning/frame/backup_page.h"
#include "filetools/assoc/fa_result.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::fa {

namespace {

// The group name is spelled so in this window.
const cleaning::ModuleInfo kFileAssociatorInfo{.Code = "FA", .Title = "File Associator", .Group = "File Tools"};

enum Page { kStartPage = 0, kWaitPage = 1, kBackupsPage = 2 };

}  // namespace

TForm_FA::TForm_FA(ui::Component* owner) : ModuleWindow(owner, "TForm_FA", kFileAssociatorInfo) {
  // Page 0: start
  AddStartPage(
      "Willkommen beim File Associator",
      "Der File Associator zeigt, mit welchem Programm und mit welchem Symbol Windows jedes Dateiformat öffnet, "
      "und lässt Sie beides ändern. Bekannte Formate setzt er auf Wunsch auf den Windows-Standard zurück; "
      "vorher sichert er sie.<br><br>Bitte wählen Sie, was Sie tun möchten, und klicken Sie dann auf "
      "<b>Weiter</b>.",
      90);
  AddStartChoices(160, 28,
                  {{RadioButton_Start, "RadioButton_Start", "Dateiformate jetzt bearbeiten"},
                   {RadioButton_Reset, "RadioButton_Reset", "Bekannte Dateiformate auf Windows-Standard zurücksetzen"},
                   {RadioButton_Backups, "RadioButton_Backups", "Backups dieses Programmteils bearbeiten"}});

  // Page 1: wait
  TabSheet_Wait = AddWizardPage("TabSheet_Wait", "Wait");
  Label_Wait_Header = AddPageTitle(TabSheet_Wait, "Label_Wait_Header", "Bitte warten");

  // Page 2: backups
  Backups = AddBackupsPage("Backups",
                           "Vor jedem Zurücksetzen auf den Windows-Standard wurden die Dateiformate gesichert.", "FA");
  Backups->Button_Restore->SetCaption("Zurückspielen");
  Backups->Button_Delete->SetCaption("Löschen");
}

TForm_FA::~TForm_FA() { delete result_; }

void TForm_FA::CreateModuleWindows() {
  result_ = new TForm_FA_Result(this);
  result_->DoCreate();
}

void TForm_FA::ModuleCreate() { ShowStart(); }

void TForm_FA::ShowStart() {
  ShowPage(kStartPage);
  Button_Zurueck->SetVisible(false);
  Button_Weiter->SetVisible(true);
  Button_Close->SetVisible(true);
}

// ---- the wizard's steps --------------------------------------------------

void TForm_FA::NextClick() {
  if (PageIndex() != kStartPage) return;
  if (RadioButton_Start->Checked()) {
    cleaning::ShowModalWindow(*result_);
  } else if (RadioButton_Reset->Checked()) {
    const std::string question = Tr(
        "MESSAGE_SureToReset",
        "Sind Sie sich ganz sicher, dass Sie die bekannten Dateiformate auf Windows-Standard zurückstellen "
        "wollen?\rDadurch gehen alle Zuordnungen verloren, welche andere Anwendungen evtl. installiert haben.\rSie "
        "sollten dies nur tun, wenn Sie grosse Probleme mit den installieren Dateiformaten haben.");
    if (Message(question, MsgKind::Warning, MsgButtons::YesNo) != IDYES) return;
    RunReset();
  } else if (RadioButton_Backups->Checked()) {
    Backups->ListRegistryBackups();
    ShowPage(kBackupsPage);
    Button_Zurueck->SetEnabled(true);
    Button_Zurueck->SetVisible(true);
    Button_Weiter->SetVisible(false);
  }
}

void TForm_FA::BackClick() {
  if (PageIndex() == kBackupsPage) ShowStart();
}

void TForm_FA::RunReset() {
  ShowPage(kWaitPage);
  Button_Weiter->SetVisible(false);
  Button_Close->SetVisible(false);
  Update();
  // The list window's hidden button carries the reset and its boxes.
  RunWork([this] { result_->Button_FA_Standard->Click(); });
  ShowStart();
  Update();
}

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateFileAssociatorWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_FA>(owner); }

}  // namespace qz::fa
