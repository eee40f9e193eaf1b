#include "filetools/split/fsj_form.h"

#include <memory>

#include "core/disk.h"
#include "core/text.h"
#include "filetools/common/tool_window.h"
#include "filetools/filetools_group.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::fsj {

using ft::AddChoice;

TForm_Splitter::TForm_Splitter(ui::Component* owner)
    : ModuleWindow(owner, "TForm_Splitter",
                   {.Code = "FSJ", .Title = "File Splitter & Joiner", .Group = filetools::kGroup}) {
  // Page 0
  AddStartPage("Willkommen beim File Splitter & Joiner",
               "Teilen Sie eine große Datei in mehrere Teilstücke auf, zum Beispiel um sie auf mehrere Datenträger zu "
               "verteilen, und fügen Sie die Teilstücke später wieder zur Orginaldatei zusammen.<br><br>"
               "<b>Was möchten Sie tun?</b>",
               80);
  AddStartChoices(140, 30,
                  {{RadioButton_Split, "RadioButton_Split", "Eine Dateien teilen (splitten)"},
                   {RadioButton_Join, "RadioButton_Join", "Geteilte Dateie zusammenfügen (joinen)"}});

  // Page 1
  TabSheet_Split1 = AddWizardPage("TabSheet_Split1", "Split1");
  Label_Split1_Header = AddPageTitle(TabSheet_Split1, "Label_Split1_Header", "Datei teilen");
  JvLinkLabel_Split1 = AddPageText(TabSheet_Split1, "JvLinkLabel_Split1",
                                   "Wählen Sie die Datei, die geteilt werden soll, und die maximale Grösse der "
                                   "Teilstücke. Die Teilstücke werden neben der Datei gespeichert, die Datei selbst "
                                   "bleibt erhalten.",
                                   40, 32);
  JvFilenameEdit_SPLIT = ft::AddFileEdit(TabSheet_Split1, "JvFilenameEdit_SPLIT", 80, "*.*");
  GroupBox_SplitSize = new ui::GroupBox(TabSheet_Split1, "GroupBox_SplitSize", "Maximale Grösse der Teilstücke");
  GroupBox_SplitSize->SetBounds(16, 116, 608, 150);
  GroupBox_SplitSize->Tag = 1;
  RadioButton_SplitDISK = AddChoice(GroupBox_SplitSize, "RadioButton_SplitDISK", "Diskette (1,44 MB)", 16, 22, 270);
  RadioButton_Split10 = AddChoice(GroupBox_SplitSize, "RadioButton_Split10", "10 MB", 16, 52, 270);
  RadioButton_Split100 = AddChoice(GroupBox_SplitSize, "RadioButton_Split100", "100 MB", 16, 82, 270);
  RadioButton_Split650 =
      AddChoice(GroupBox_SplitSize, "RadioButton_Split650", "74 Minuten CD-ROM (650 MB)", 300, 22, 290);
  RadioButton_Split700 =
      AddChoice(GroupBox_SplitSize, "RadioButton_Split700", "80 Minuten CD-ROM (700 MB)", 300, 52, 290);
  RadioButton_SplitUSER =
      AddChoice(GroupBox_SplitSize, "RadioButton_SplitUSER", "Benutzerdefinierte Grösse", 300, 82, 290);
  RadioButton_SplitDISK->SetChecked(true);
  JvSpinEdit_SplitMB = new ui::SpinEdit(GroupBox_SplitSize, "JvSpinEdit_SplitMB");
  JvSpinEdit_SplitMB->SetBounds(318, 112, 100, 23);
  JvSpinEdit_SplitMB->SetRange(1, 9999999);
  JvSpinEdit_SplitMB->SetValue(1);
  JvSpinEdit_SplitMB->SetTabStop(true);
  Label_SplitMB = new ui::Label(GroupBox_SplitSize, "Label_SplitMB", "MB");
  Label_SplitMB->SetBounds(424, 116, 40, 16);

  // Page 2
  TabSheet_Split2 = AddWizardPage("TabSheet_Split2", "Split2");
  Label_Split2_Header = AddPageTitle(TabSheet_Split2, "Label_Split2_Header", "Die Datei wird geteilt...");
  ProgressBar_Split = ft::AddProgressBar(TabSheet_Split2, "ProgressBar_Split");

  // Page 3
  TabSheet_Join1 = AddWizardPage("TabSheet_Join1", "Join1");
  Label_Join1_Header = AddPageTitle(TabSheet_Join1, "Label_Join1_Header", "Geteilte Datei zusammenfügen");
  JvLinkLabel_Join1 = AddPageText(TabSheet_Join1, "JvLinkLabel_Join1",
                                  "Wählen Sie irgendein Teilstück der geteilten Datei (Endung .part00000, "
                                  ".part00001, ...). Die Orginaldatei entsteht neben den Teilstücken.",
                                  40, 32);
  JvFilenameEdit_JOIN = ft::AddFileEdit(TabSheet_Join1, "JvFilenameEdit_JOIN", 80, "*.*");
  JvFilenameEdit_JOIN->OnChange = [this] { JvFilenameEdit_JOINChange(); };
  GroupBox_JoinInfo = new ui::GroupBox(TabSheet_Join1, "GroupBox_JoinInfo", "Informationen zur ausgewählten Datei");
  GroupBox_JoinInfo->SetBounds(16, 116, 608, 110);
  GroupBox_JoinInfo->Tag = 1;
  JvLinkLabel_Join_INFO = new ui::RichLabel(GroupBox_JoinInfo, "JvLinkLabel_Join_INFO");
  JvLinkLabel_Join_INFO->SetBounds(12, 22, 584, 80);

  // Page 4
  TabSheet_Join2 = AddWizardPage("TabSheet_Join2", "Join2");
  Label_Join2_Header = AddPageTitle(TabSheet_Join2, "Label_Join2_Header", "Die Datei wird zusammengefügt...");
  ProgressBar_Join = ft::AddProgressBar(TabSheet_Join2, "ProgressBar_Join");
}

int64_t TForm_Splitter::PartSize() const {
  if (RadioButton_Split10->Checked()) return PresetPartSize(SplitPreset::Size10);
  if (RadioButton_Split100->Checked()) return PresetPartSize(SplitPreset::Size100);
  if (RadioButton_Split650->Checked()) return PresetPartSize(SplitPreset::Size650);
  if (RadioButton_Split700->Checked()) return PresetPartSize(SplitPreset::Size700);
  if (RadioButton_SplitUSER->Checked()) return UserPartSize(JvSpinEdit_SplitMB->Value());
  return PresetPartSize(SplitPreset::Disk);
}

void TForm_Splitter::EnableButtons(bool on) {
  Button_Zurueck->SetEnabled(on);
  Button_Weiter->SetEnabled(on);
  Button_Close->SetEnabled(on);
}

void TForm_Splitter::ShowStart() {
  ShowPage(0);
  EnableButtons(true);
  Button_Zurueck->SetEnabled(false);
}

void TForm_Splitter::Working(int page) {
  ShowPage(page);
  EnableButtons(false);
  Invalidate();
  Update();
}

void TForm_Splitter::BackToPage(int page) {
  ShowPage(page);
  EnableButtons(true);
}

void TForm_Splitter::WorkFailed() { ShowStart(); }

void TForm_Splitter::NextClick() {
  switch (PageIndex()) {
    case 0:
      if (RadioButton_Split->Checked()) {
        ShowPage(1);
      } else {
        joinSet_ = {};
        JvLinkLabel_Join_INFO->SetCaption("");
        JvFilenameEdit_JOIN->SetFileName("");
        ShowPage(3);
      }
      Button_Zurueck->SetEnabled(true);
      break;
    case 1: SplitFile(); break;
    case 3: JoinFiles(); break;
    default: break;
  }
}

void TForm_Splitter::BackClick() {
  if (PageIndex() == 1 || PageIndex() == 3) ShowStart();
}

void TForm_Splitter::SplitFile() {
  const int64_t partSize = PartSize();
  RunWork([&] {
    bool started = false;
    const SplitOutcome o = engine_.Split(JvFilenameEdit_SPLIT->FileName(), partSize,
                                         ft::BarHooks(ProgressBar_Split, [this] { Working(2); }, started));
    if (o.Status == SplitStatus::Success || o.Status == SplitStatus::Stopped)
      ShowStart();
    else if (started)
      BackToPage(1);
    ft::ShowOutcome(*this, SplitMessage(o));
  });
}

void TForm_Splitter::JvFilenameEdit_JOINChange() {
  joinSet_ = ScanPartSet(JvFilenameEdit_JOIN->FileName());
  JvLinkLabel_Join_INFO->SetCaption(JoinInfoText(joinSet_));
}

void TForm_Splitter::JoinFiles() {
  const std::string target = Trim(joinSet_.Base);
  if (!target.empty() && FileExists(target) &&
      Message(JoinFileExistsQuestion(), MsgKind::Warning, MsgButtons::YesNo) != IDYES)
    return;
  RunWork([&] {
    bool started = false;
    const JoinOutcome o = engine_.Join(target, ft::BarHooks(ProgressBar_Join, [this] { Working(4); }, started));
    if (o.Status == JoinStatus::Success || o.Status == JoinStatus::Stopped)
      ShowStart();
    else if (started)
      BackToPage(3);
    ft::ShowOutcome(*this, JoinMessage(o));
  });
}

ui::Form* CreateSplitterWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_Splitter>(owner); }

}  // namespace qz::fsj
