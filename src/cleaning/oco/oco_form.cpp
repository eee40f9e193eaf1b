#include "cleaning/oco/oco_form.h"

#include "core/globals.h"
#include "core/registry.h"
#include "ui/application.h"
#include "ui/check_state.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"

namespace qz::oco {

namespace {

const cleaning::ModuleInfo kOneClickInfo{.Code = "OCO",
                                         .Title = "One-Click-Optimizer",
                                         .Group = "Cleaning-Tools",
                                         .TimerInterval = 500,
                                         .HasCancel = true,
                                         .TimerName = "JvThreadTimer_OCO"};

// The settings value of each box.
const char* const kBoxValues[kCleanerCount] = {"DC", "RC", "IC"};

}  // namespace

TForm_OCO::TForm_OCO(ui::Component* owner) : CleanerWizard(owner, "TForm_OCO", kOneClickInfo) {
  // Page 0: start
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label_Start_Header = AddPageTitle(TabSheet_Start, "Label_Start_Header", "Willkommen beim One-Click-Optimizer");
  JvLinkLabel_Start = AddPageText(
      TabSheet_Start, "JvLinkLabel_Start",
      "Der One-Click-Optimizer führt die gewählten Programmteile nacheinander mit ihren gespeicherten "
      "Einstellungen aus: er sucht und löscht ohne weitere Nachfrage.<br>Wählen Sie die Programmteile und "
      "klicken Sie auf <b>Weiter</b>.",
      48, 60);
  struct Row {
    ui::Image*& image;
    ui::CheckBox*& box;
    const char* imageName;
    const char* boxName;
    const char* caption;
  };
  const Row rows[] = {{Image_DC, CheckBox_DC, "Image_DC", "CheckBox_DC", "Drive Cleaner"},
                      {Image_RC, CheckBox_RC, "Image_RC", "CheckBox_RC", "Registry Cleaner"},
                      {Image_IC, CheckBox_IC, "Image_IC", "CheckBox_IC", "Internet Cleaner"}};
  int top = 124;
  for (const Row& r : rows) {
    r.image = new ui::Image(TabSheet_Start, r.imageName);
    r.image->SetBounds(40, top, 32, 32);
    r.box = new ui::CheckBox(TabSheet_Start, r.boxName, r.caption);
    r.box->SetBounds(88, top + 6, 400, 20);
    r.box->SetChecked(true);
    r.box->SetTabStop(true);
    r.box->Tag = 1;
    top += 48;
  }

  // Page 1: work
  TabSheet_Work = AddWizardPage("TabSheet_Work", "Work");
  Label_Work_Header = AddPageTitle(TabSheet_Work, "Label_Work_Header", "One-Click-Optimierung wird ausgeführt");
  JvLinkLabel_Work = AddPageText(TabSheet_Work, "JvLinkLabel_Work",
                                 "Die gewählten Programmteile suchen und löschen jetzt nacheinander. Bitte haben "
                                 "Sie einen Moment Geduld.<br>Mit <b>Abbrechen</b> beenden Sie die Optimierung.");
  ProgressBar_OCO = new ui::ProgressBar(TabSheet_Work, "ProgressBar_OCO");
  ProgressBar_OCO->SetBounds(16, 120, 608, 18);
  ProgressBar_OCO->SetRange(0, 100);
  Label_Status1 = AddLineLabel(TabSheet_Work, "Label_Status1", 160);
  Label_Status2 = AddLineLabel(TabSheet_Work, "Label_Status2", 180);
  Label_Status3 = AddLineLabel(TabSheet_Work, "Label_Status3", 200);
  Label_Status1->SetCaption("Laufwerk:");
  Label_Status2->SetCaption("Ordner:");
  Label_Status3->SetCaption("Datei:");
  for (ui::Label* l : {Label_Status1, Label_Status2, Label_Status3}) l->Tag = 1;

  // Page 2: result
  TabSheet_Result = AddWizardPage("TabSheet_Result", "Ergebniss");
  Label_Result_Header = AddPageTitle(TabSheet_Result, "Label_Result_Header", "One-Click-Optimierung durchgeführt");
  JvLinkLabel_Result = AddPageText(TabSheet_Result, "JvLinkLabel_Result", "", 48, 110);
  JvLinkLabel_Result->Tag = 0;  // written by the run
  JvLinkLabel_ResultHint = AddPageText(
      TabSheet_Result, "JvLinkLabel_ResultHint",
      "Die gelöschten Dateien liegen im Papierkorb, solange Sie ihn nicht leeren.<br>Klicken Sie auf "
      "\"Zurück\" oder auf \"Beenden\".",
      180, 40);

  // ---- handlers
  Button_Cancel->OnClick = [this] {
    AbortFlag = 1;
    Run.Cancel();
  };
  Run.OnStep = [this](bool on) { ProgressTimer->SetEnabled(on); };
  OnClose = [this](ui::CloseAction&) { SaveChoice(); };
}

void TForm_OCO::ModuleCreate() {
  const std::string key = OptionsKey("OCO");
  for (int i = 0; i < kCleanerCount; ++i) ui::LoadCheckBoxFromRegistry(HKEY_LOCAL_MACHINE, key, kBoxValues[i], Boxes()[i]);
  if (!OcoRunning) {
    // Decoration: a missing icon leaves its place empty.
    Image_DC->LoadFromFile(SkinDir + "\\ModuleIcon_DC.png");
    Image_RC->LoadFromFile(SkinDir + "\\ModuleIcon_RC.png");
    Image_IC->LoadFromFile(SkinDir + "\\ModuleIcon_IC.png");
  }
}

void TForm_OCO::SaveChoice() {
  const std::string key = OptionsKey("OCO");
  for (int i = 0; i < kCleanerCount; ++i) ui::SaveCheckBoxToRegistry(HKEY_LOCAL_MACHINE, key, kBoxValues[i], Boxes()[i]);
}

void TForm_OCO::NextClick() {
  if (State() == cleaning::WizardState::Start) RunOneClick();
}

void TForm_OCO::RunOneClick() {
  std::array<bool, kCleanerCount> checked{};
  bool any = false;
  for (int i = 0; i < kCleanerCount; ++i) any |= checked[i] = Boxes()[i]->Checked();
  if (!any) {
    // The optimizer's own box: shown although OcoRunning is set.
    ui::App().ShowBox(this,
                      Tr("MESSAGE_SelectOnePlease",
                         "Sie müssen mindestens einen Programmteil auswählen der verwendet werden soll."),
                      MsgKind::Information);
    return;
  }
  RunWork([&] {
    for (ui::Label* l : {Label_Status1, Label_Status2, Label_Status3}) l->SetCaption("");
    ProgressBar_OCO->SetRange(0, 100);
    ProgressBar_OCO->SetPosition(0);
    SetState(cleaning::WizardState::Searching);
    ui::App().ProcessMessages();
    ProgressTimer->SetEnabled(false);
    totals_ = Run.Run(checked);
    SetState(cleaning::WizardState::LastPage);
    ui::App().ProcessMessages();
    JvLinkLabel_Result->SetCaption(ResultPageText(ResultText(Tr("MESSAGE_Result", kGermanResultText), totals_), totals_));
  });
}

void TForm_OCO::ProgressTimerEvent() {
  const int phase = Run.Phase();
  if (phase == 0) return;
  const cleaning::CleanerProgress p = MirrorOf(phase, Run.Progress());
  ProgressBar_OCO->SetRange(0, p.Max > 0 ? p.Max : 100);
  ProgressBar_OCO->SetPosition(p.Position);
  Label_Status1->SetCaption(p.Line1);
  Label_Status2->SetCaption(p.Line2);
  Label_Status3->SetCaption(p.Line3);
}

ui::Form* CreateOneClickWindow(ui::Component* owner) {
  auto* w = new TForm_OCO(owner);
  w->DoCreate();
  return w;
}

}  // namespace qz::oco
