#include "tuning/internet/it_form.h"

#include <memory>

#include "cleaning/frame/backup_page.h"
#include "core/globals.h"
#include "core/text.h"
#include "tuning/internet/it_manual.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"

namespace qz::it {

namespace {

const cleaning::ModuleInfo kInternetTunerInfo{.Code = "IT", .Title = "Internet Tuner", .Group = "Tuning-Tools"};

struct TypeItem {
  const char* key;
  const char* german;
};
const TypeItem kTypes[] = {
    {"MESSAGE_SelectTyp0", "Bitte auswählen..."},
    {"MESSAGE_SelectTyp1", "Auf Windows-Standard zurücksetzen"},
    {"MESSAGE_SelectTyp2", "ISDN oder analoges Modem"},
    {"MESSAGE_SelectTyp3", "TDSL / ADSL"},
    {"MESSAGE_SelectTyp4", "LAN-Verbindung"},
};

}  // namespace

TForm_IT::TForm_IT(ui::Component* owner, std::optional<TcpPlaces> places, PlugInPlaces plugInPlaces)
    : ModuleWindow(owner, "TForm_IT", kInternetTunerInfo),
      tuner_(places ? std::move(*places) : TcpPlaces::System()),
      plugInPlaces_(std::move(plugInPlaces)) {
  // Page 0: Start
  AddStartPage("Willkommen beim Internet Tuner",
               "Der Internet Tuner passt die Netzwerk-Einstellungen von Windows (TCP/IP) und die Zahl der Verbindungen "
               "Ihres Browsers an Ihre Verbindung an. Außerdem misst er die Download-Geschwindigkeit und entfernt "
               "Browser-PlugIns.<br><br>Bitte wählen Sie, was Sie tun möchten, und klicken Sie dann auf <b>Weiter</b>.",
               76);
  RadioButton_Auto =
      cleaning::AddChoice(TabSheet_Start, "RadioButton_Auto", "Einstellungen anpassen an Geräteart:", 40, 140, 250);
  RadioButton_Auto->SetChecked(true);
  ComboBox_Typ = new ui::ComboBox(TabSheet_Start, "ComboBox_Typ", ui::ComboBox::Style::DropDownList);
  ComboBox_Typ->SetBounds(300, 139, 260, 21);
  ComboBox_Typ->SetTabStop(true);
  RadioButton_MANUELL = cleaning::AddChoice(TabSheet_Start, "RadioButton_MANUELL",
                                            "Protokoll manuell anpassen (nur für fortgeschrittene Benutzer)", 40, 172);
  RadioButton_Backups =
      cleaning::AddChoice(TabSheet_Start, "RadioButton_Backups", "Backups dieses Programmteils bearbeiten", 40, 200);
  RadioButton_Test =
      cleaning::AddChoice(TabSheet_Start, "RadioButton_Test", "Geschwindigkeitstest durchführen", 40, 228);
  RadioButton_IEPlugIns =
      cleaning::AddChoice(TabSheet_Start, "RadioButton_IEPlugIns", "IE - PlugIns bearbeiten", 40, 256);

  // Page 1: Finished
  TabSheet_Finished = AddWizardPage("TabSheet_Finished", "Finished");
  Label_Finished_Header = AddPageTitle(TabSheet_Finished, "Label_Finished_Header", "Fertig!");
  JvLinkLabel_Finished = AddPageText(
      TabSheet_Finished, "JvLinkLabel_Finished",
      "Die Einstellungen wurden geändert. Von den bisherigen Einstellungen wurde vorher ein Backup angelegt; "
      "Sie können sie unter <b>Backups</b> wiederherstellen.<br><br><b>Bitte starten Sie Windows neu</b>, "
      "damit die neuen Einstellungen wirksam werden.",
      48, 90);

  // Page 2: Backups
  Backups = AddBackupsPage("Backups des Internet Tuners",
                           "Wählen Sie ein Backup und stellen Sie es wieder her, oder löschen Sie es.", "IT");

  // Page 3: Test1
  TabSheet_Test1 = AddWizardPage("TabSheet_Test1", "Test1");
  Label_Test1_Header = AddPageTitle(TabSheet_Test1, "Label_Test1_Header", "Geschwindigkeitstest");
  JvLinkLabel_Test1 = AddPageText(
      TabSheet_Test1, "JvLinkLabel_Test1",
      "Der Test lädt eine Testdatei aus dem Internet und zeigt dabei die durchschnittliche Download-"
      "Geschwindigkeit. Die Datei wird in Ihrem temporären Ordner gespeichert und nicht ausgeführt.<br><br>"
      "Klicken Sie auf <b>Test starten</b>, wenn Ihre Internet-Verbindung besteht.",
      48, 76);
  Button_Start_Test = new ui::Button(TabSheet_Test1, "Button_Start_Test", "Test starten");
  Button_Start_Test->SetBounds(16, 140, 120, 25);

  // Page 4: Test2
  TabSheet_Test2 = AddWizardPage("TabSheet_Test2", "Test2");
  Label_Test2_Header = AddPageTitle(TabSheet_Test2, "Label_Test2_Header", "Der Geschwindigkeitstest läuft...");
  ProgressBar_ITTest = new ui::ProgressBar(TabSheet_Test2, "ProgressBar_ITTest");
  ProgressBar_ITTest->SetBounds(16, 64, 608, 20);
  Label_ITTest_Rate_Hint = new ui::Label(TabSheet_Test2, "Label_ITTest_Rate_Hint", "Downloadrate:");
  Label_ITTest_Rate_Hint->SetBounds(16, 100, 120, 16);
  Label_ITTest_Rate = new ui::Label(TabSheet_Test2, "Label_ITTest_Rate");
  Label_ITTest_Rate->SetBounds(140, 100, 300, 16);
  Button_ITTest_Abort = new ui::Button(TabSheet_Test2, "Button_ITTest_Abort", "&Abbrechen");
  Button_ITTest_Abort->SetBounds(16, 140, 120, 25);
  JvThreadTimer_ITTest = new ui::ThreadTimer(this, "JvThreadTimer_ITTest");
  JvThreadTimer_ITTest->SetInterval(1000);
  JvThreadTimer_ITTest->OnTimer = [this] { SpeedTestTick(); };

  // Page 5: PlugIns
  TabSheet_PlugIns = AddWizardPage("TabSheet_PlugIns", "PlugIns");
  Label_PlugIns_Header = AddPageTitle(TabSheet_PlugIns, "Label_PlugIns_Header", "IE - PlugIns");
  JvLinkLabel_PlugIns = AddPageText(
      TabSheet_PlugIns, "JvLinkLabel_PlugIns",
      "Diese PlugIns lädt der Internet Explorer bei jedem Start. Wählen Sie eines und klicken Sie auf "
      "\"Entfernen\", damit es nicht mehr geladen wird.",
      40, 32);
  ListView_PlugIns = new ui::ListView(TabSheet_PlugIns, "ListView_PlugIns");
  ListView_PlugIns->SetBounds(16, 76, 608, 220);
  ListView_PlugIns->AddColumn("Name", 200);
  ListView_PlugIns->AddColumn("DLL - Datei", 256);
  ListView_PlugIns->AddColumn("CLSID", 120);
  ListView_PlugIns->SetTabStop(true);
  Button_DeletePlugIn = new ui::Button(TabSheet_PlugIns, "Button_DeletePlugIn", "&Entfernen");
  Button_DeletePlugIn->SetBounds(16, 306, 120, 25);

  for (ui::Control* c : std::initializer_list<ui::Control*>{Button_Start_Test, Label_ITTest_Rate_Hint,
                                                            Button_ITTest_Abort, Button_DeletePlugIn})
    c->Tag = 1;
  for (ui::Button* b : {Button_Start_Test, Button_ITTest_Abort, Button_DeletePlugIn}) b->SetTabStop(true);

  speed_ = new SpeedTest(this);
  speed_->OnTestFileStarted = [this] {
    Label_ITTest_Rate->SetCaption("");
    Label_ITTest_Rate_Hint->SetVisible(true);
    Label_ITTest_Rate->SetVisible(true);
    JvThreadTimer_ITTest->SetEnabled(true);
  };

  RemovePlugInKey = [](HKEY root, const std::string& key) { return RegRemoveKey(root, key); };
  Button_Start_Test->OnClick = [this] { StartSpeedTest(); };
  Button_ITTest_Abort->OnClick = [this] { Button_ITTest_AbortClick(); };
  Button_DeletePlugIn->OnClick = [this] { Button_DeletePlugInClick(); };
  OnShow = [this] {
    if (Button_Weiter->Visible()) SetActiveControl(Button_Weiter);
  };
}

void TForm_IT::CreateModuleWindows() {
  manual_ = new TForm_IT_Manual(this);
  manual_->DoCreate();
}

void TForm_IT::TranslateExtras() {
  TranslateListViewColumns(Name, *ListView_PlugIns);
  FillTypes();
}

void TForm_IT::FillTypes() {
  const int index = ComboBox_Typ->ItemIndex();
  ComboBox_Typ->Clear();
  for (const TypeItem& t : kTypes) ComboBox_Typ->AddItem(Tr(t.key, t.german));
  ComboBox_Typ->SetItemIndex(index < 0 ? 0 : index);
}

void TForm_IT::ModuleCreate() {
  Backups->ListRegistryBackups();
  ShowStart();
  Button_Zurueck->SetEnabled(true);
  FillTypes();
  adapters_ = tuner_.ListNetworkInterfaces();
  ReadTcpSettings();
}

void TForm_IT::ReadTcpSettings() {
  settings_ = tuner_.Read(adapters_);
  manual_->ShowSettings(settings_);
}

void TForm_IT::ShowStart() {
  ShowPage(kPageStart);
  Button_Weiter->SetVisible(true);
  Button_Zurueck->SetVisible(false);
}

void TForm_IT::ShowOtherPage(int page) {
  ShowPage(page);
  Button_Zurueck->SetVisible(true);
  Button_Weiter->SetVisible(false);
}

bool TForm_IT::ReportChange(const ApplyResult& r) {
  if (r.outcome == ApplyOutcome::UndoFileNotStarted) {
    Message(kUndoFileNotStarted, MsgKind::Error);
    return false;
  }
  if (!r.undoFileClosed) Message(kUndoFileNotClosed, MsgKind::Error);
  if (r.outcome != ApplyOutcome::Applied) {
    Message(kChangeFailed, MsgKind::Error);
    return false;
  }
  return true;
}

void TForm_IT::NextClick() {
  if (PageIndex() != kPageStart) return;
  if (RadioButton_MANUELL->Checked()) {
    ApplyManual();
  } else if (RadioButton_Backups->Checked()) {
    Backups->ListRegistryBackups();
    ShowOtherPage(kPageBackups);
  } else if (RadioButton_Test->Checked()) {
    ShowOtherPage(kPageTest1);
  } else if (RadioButton_IEPlugIns->Checked()) {
    ListBrowserPlugIns();
    ShowOtherPage(kPagePlugIns);
  } else {
    ApplyType(ComboBox_Typ->ItemIndex());
  }
}

void TForm_IT::ApplyManual() {
  manual_->Ok = 0;
  cleaning::ShowModalWindow(*manual_);
  if (!manual_->Ok) return;  // the dialog keeps its edits until the next reading
  if (Message(Tr("MESSAGE_SureTo_ApplyManual",
                 "Sind Sie sicher, dass Sie die eben vorgenommenen, manuellen Einstellungen anwenden wollen?"),
              MsgKind::Warning, MsgButtons::YesNo) != IDYES)
    return;
  const bool changed = ReportChange(tuner_.Apply(manual_->EditedSettings()));
  ReadTcpSettings();
  if (changed) ShowOtherPage(kPageFinished);
}

void TForm_IT::ApplyType(int index) {
  if (index < 1) {
    Message(Tr("MESSAGE_NoTypSelected",
               "Sie müssen eine Methode oder Geräteart auswählen, auf die optimiert werden soll."),
            MsgKind::Warning);
    return;
  }
  bool changed = false;
  if (index == 1) {
    if (Message(Tr("MESSAGE_SureTo_ApplyDefault",
                   "Sind Sie sicher, dass Sie die Einstellungen auf Windows-Standard zurücksetzen wollen?"),
                MsgKind::Warning, MsgButtons::YesNo) != IDYES)
      return;
    ReadTcpSettings();
    changed = ReportChange(tuner_.Reset(settings_));
  } else {
    if (Message(Tr("MESSAGE_SureTo_SetTo", "Sind Sie sicher, dass Sie die Einstellungen optimieren wollen auf:") +
                    "\r" + ComboBox_Typ->ItemText(index),
                MsgKind::Warning, MsgButtons::YesNo) != IDYES)
      return;
    ReadTcpSettings();
    TcpSettings s = settings_;
    ApplyPreset(s, index == 2 ? TcpPreset::Modem : index == 3 ? TcpPreset::Dsl : TcpPreset::Lan);
    changed = ReportChange(tuner_.Apply(s));
  }
  ReadTcpSettings();
  if (changed) ShowOtherPage(kPageFinished);
}

void TForm_IT::BackClick() {
  const int page = PageIndex();
  if (page == kPageFinished || page == kPageBackups || page == kPageTest1 || page == kPagePlugIns) ShowStart();
}

// ---- speed test --------------------------------------------------------------

void TForm_IT::StartSpeedTest() {
  if (Running()) return;
  AbortFlag = 0;
  ShowPage(kPageTest2);
  Button_Zurueck->SetVisible(false);
  ProgressBar_ITTest->SetRange(0, 100);
  ProgressBar_ITTest->SetPosition(0);
  Label_ITTest_Rate_Hint->SetVisible(false);
  Label_ITTest_Rate->SetVisible(false);
  Invalidate();
  Update();
  RunWork([this] {
    lastTest_ = speed_->Run();
    JvThreadTimer_ITTest->SetEnabled(false);
    switch (lastTest_) {
      case SpeedTestOutcome::Success:
        SpeedTestTick();
        Message(ReplaceAll(ReplaceAll(Tr("MESSAGE_TestDone",
                                         "Die Testdatei wurde an diesen Speicherort gesichert:\r%1\rDie "
                                         "Downloadgeschwindigkeit lag bei durchschnittlich %2."),
                                      "%1", speed_->Files().testFile),
                           "%2", speed_->FinalRate()),
                MsgKind::Information);
        break;
      case SpeedTestOutcome::ProjectIniMissing:
        Message("Needed file\r" + speed_->ProjectIniPath() + "\r" + "is missing!", MsgKind::Error);
        break;
      case SpeedTestOutcome::AddressEmpty:
        Message("ITTest->URL is empty!", MsgKind::Error);
        break;
      case SpeedTestOutcome::Failed:
        Message(Tr("MESSAGE_TestFailed",
                   "Verbindung oder Download fehlgeschlagen! Evtl. ist der Server überlastet oder es gab ein "
                   "Problem mit Ihrer Verbindung."),
                MsgKind::Error);
        break;
      case SpeedTestOutcome::Aborted:
        break;
    }
    ShowStart();
  });
}

void TForm_IT::WorkFailed() {
  JvThreadTimer_ITTest->SetEnabled(false);
  ShowStart();
}

void TForm_IT::SpeedTestTick() {
  if (AbortFlag == 1) {
    JvThreadTimer_ITTest->SetEnabled(false);
    speed_->Abort();
  }
  const int64_t total = speed_->BytesTotal();
  const uint64_t received = speed_->BytesReceived();
  ProgressBar_ITTest->SetRange(0, total > 0 ? total : static_cast<int64_t>(received));
  ProgressBar_ITTest->SetPosition(static_cast<int64_t>(received));
  ProgressBar_ITTest->Update();
  Label_ITTest_Rate->SetCaption(RateText(received, speed_->ElapsedSeconds()));
}

void TForm_IT::Button_ITTest_AbortClick() {
  if (!speed_->Running()) return;
  if (Message(Tr("MESSAGE_Sure_AbortTest", "Sind Sie sicher, dass Sie abbrechen möchten?"), MsgKind::Question,
              MsgButtons::YesNo) != IDYES)
    return;
  speed_->Abort();
  AbortFlag = 1;
}

// ---- plug-ins ----------------------------------------------------------------

void TForm_IT::ListBrowserPlugIns() {
  plugIns_ = it::ListBrowserPlugIns(plugInPlaces_);
  ListView_PlugIns->BeginUpdate();
  ListView_PlugIns->Clear();
  for (const BrowserPlugIn& p : plugIns_) ListView_PlugIns->AddItem(p.Name, {p.Dll, p.Clsid});
  ListView_PlugIns->EndUpdate();
}

void TForm_IT::Button_DeletePlugInClick() {
  const int index = ListView_PlugIns->ItemIndex();
  if (index < 0 || index >= static_cast<int>(plugIns_.size())) {
    Message(Tr("MESSAGE_NoPlugINSelected", "Sie müssen ein Plug-In aus der Liste auswählen."), MsgKind::Warning);
    return;
  }
  if (Message(Tr("MESSAGE_SureTo_DeletePlugIn",
                 "Soll das gewählte Plug-In wirklich nicht mehr geladen werden in Zukunft?\rDieser Vorgang kann "
                 "oft nur rückgängig gemacht werden indem Sie die Software zum Plug-In neu installieren!"),
              MsgKind::Warning, MsgButtons::YesNo) != IDYES)
    return;
  if (!RemoveBrowserPlugIn(plugIns_[index], RemovePlugInKey)) {
    Message(Tr("MESSAGE_PlugInNotDeleted",
               "Das Plug-In konnte nicht entfernt werden. Evtl. fehlen Ihnen die nötigen Rechte in der "
               "Registrierdatenbank."),
            MsgKind::Error);
    return;
  }
  Message(Tr("MESSAGE_PlugInDeleted",
             "Das Plug-In wird nun beim nächsten Windows-Start nicht mehr geladen.\rSie sollten Windows jetzt neu "
             "starten."),
          MsgKind::Information);
  ListView_PlugIns->DeleteItem(index);
  plugIns_.erase(plugIns_.begin() + index);
}

ui::Form* CreateInternetTunerWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_IT>(owner); }

}  // namespace qz::it
