#include "filetools/wipe/fw_form.h"

#include <memory>

#include "core/globals.h"
#include "filetools/common/engine.h"
#include "filetools/common/tool_window.h"
#include "filetools/filetools_group.h"
#include "filetools/wipe/fw_options.h"
#include "ui/dialogs.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::fw {

TForm_FW::TForm_FW(ui::Component* owner)
    : ModuleWindow(owner, "TForm_FW",
                   {.Code = "FW", .Title = "File Wiper", .Group = filetools::kGroup, .HasCancel = true}) {
  // Page 0
  AddStartPage(
      "Willkommen beim File Wiper",
      "Der File Wiper vernichtet Dateien und Ordner endgültig: jede Datei wird mehrfach überschrieben, umbenannt "
      "und gelöscht. Vernichtete Dateien lassen sich mit keinem Programm wiederherstellen.<br><br>"
      "<b>Was möchten Sie tun?</b>",
      80);
  AddStartChoices(140, 30,
                  {{RadioButton_FilesFolder, "RadioButton_FilesFolder", "Dateien und Ordner vernichten"},
                   {RadioButton_RecycleBin, "RadioButton_RecycleBin", "Inhalt des Papierkorbs vernichten"},
                   {RadioButton_Options, "RadioButton_Options", "Einstellungen, Löschmethode bearbeiten"}});

  // Page 1
  TabSheet_FilesFolder = AddWizardPage("TabSheet_FilesFolder", "FilesFolder");
  Label_Files_Header = AddPageTitle(TabSheet_FilesFolder, "Label_Files_Header", "Dateien und Ordner wählen");
  Label_Files_Hint = AddPageText(TabSheet_FilesFolder, "Label_Files_Hint",
                                 "Fügen Sie die Dateien und Ordner hinzu, die vernichtet werden sollen, oder ziehen "
                                 "Sie Dateien aus dem Explorer hierher. <b>Weiter</b> beginnt mit dem Vernichten.",
                                 40, 32);
  VirtualDrawTree_FW = new ui::VTreeView(TabSheet_FilesFolder, "VirtualDrawTree_FW");
  VirtualDrawTree_FW->SetBounds(16, 78, 608, 236);
  VirtualDrawTree_FW->AddColumn("Datei", 586);
  VirtualDrawTree_FW->SetMultiSelect(true);
  VirtualDrawTree_FW->SetShowTreeLines(true);
  VirtualDrawTree_FW->SetTabStop(true);
  list_ = std::make_unique<WipeList>(VirtualDrawTree_FW->Tree());
  VirtualDrawTree_FW->OnDrawNode = [this](const ui::TreeCell& c) {
    c.Text(2, 2, VirtualDrawTree_FW->Tree().Data<TWipeEntry>(c.node).Path);
  };
  auto button = [this](ui::Button*& b, const char* name, const char* caption, int left, int width) {
    b = new ui::Button(TabSheet_FilesFolder, name, caption);
    b->SetBounds(left, 322, width, 25);
    b->Tag = 1;
  };
  button(Button_FW_AddDir, "Button_FW_AddDir", "Ordner hinzufügen", 16, 130);
  button(Button_FW_ADD_Files, "Button_FW_ADD_Files", "Datei(en) hinzufügen", 152, 130);
  button(Button_FW_Delete, "Button_FW_Delete", "Entfernen", 524, 100);
  Button_FW_AddDir->OnClick = [this] { Button_FW_AddDirClick(); };
  Button_FW_ADD_Files->OnClick = [this] { Button_FW_ADD_FilesClick(); };
  Button_FW_Delete->OnClick = [this] { Button_FW_DeleteClick(); };

  // Page 2
  TabSheet_Delete = AddWizardPage("TabSheet_Delete", "Delete");
  Label_Delete_Header =
      AddPageTitle(TabSheet_Delete, "Label_Delete_Header", "Dateien und Ordner werden vernichtet");
  ProgressBar_FW_Delete = new ui::ProgressBar(TabSheet_Delete, "ProgressBar_FW_Delete");
  ProgressBar_FW_Delete->SetBounds(16, 60, 608, 20);
  JvLinkLabel_Action = new ui::RichLabel(TabSheet_Delete, "JvLinkLabel_Action", "Vernichte Datei / Entferne Ordner:");
  JvLinkLabel_Action->SetBounds(16, 100, 500, 18);
  JvLinkLabel_Action->Tag = 1;
  JvLinkLabel_DeleteFile = new ui::RichLabel(TabSheet_Delete, "JvLinkLabel_DeleteFile");
  JvLinkLabel_DeleteFile->SetBounds(16, 122, 608, 48);
  Label_Status = new ui::Label(TabSheet_Delete, "Label_Status");
  Label_Status->SetAlignment(ui::Alignment::Right);
  Label_Status->SetAutoSize(false);
  Label_Status->SetBounds(524, 100, 100, 18);

  JvOpenDialog1 = new ui::OpenDialog(this, "JvOpenDialog1");
  JvOpenDialog1->Filter = "*.*";
  JvOpenDialog1->MultiSelect = true;
  JvBrowseForFolderDialog1 = new ui::FolderDialog(this, "JvBrowseForFolderDialog1");

  SetAcceptFiles(true);
  OnDropFiles = [this](const std::vector<std::string>& files) { DropFiles(files); };
  OnClose = [this](ui::CloseAction&) {
    if (options_) options_->SaveWiperOptions(SettingsRoot, SettingsKey);
  };
}

TForm_FW::~TForm_FW() = default;

void TForm_FW::CreateModuleWindows() {
  SettingsKey = OptionsKey("FW");
  options_ = new TForm_FW_Options(this);
  options_->DoCreate();
}

void TForm_FW::ModuleCreate() {
  // This module's icon sits 8 pixels higher and 2 further left in the circle.
  Image_HeaderIcon->SetBounds(Image_HeaderIcon->Left() - 2, Image_HeaderIcon->Top() - 8, Image_HeaderIcon->Width(),
                              Image_HeaderIcon->Height());
  options_->LoadWiperOptions(SettingsRoot, SettingsKey);
  ShowStart();
}

void TForm_FW::TranslateExtras() { TranslateTreeColumns(Name, *VirtualDrawTree_FW); }

void TForm_FW::ShowStart() {
  ShowPage(0);
  Button_Zurueck->SetEnabled(false);
  Button_Weiter->SetEnabled(true);
}

void TForm_FW::WorkFailed() {
  ShowCancel(false);
  ShowStart();
}

void TForm_FW::NextClick() {
  if (PageIndex() == 0) {
    if (RadioButton_FilesFolder->Checked()) {
      ShowPage(1);
      Button_Zurueck->SetEnabled(true);
    } else if (RadioButton_Options->Checked()) {
      cleaning::ShowModalWindow(*options_);
    } else if (RadioButton_RecycleBin->Checked()) {
      CollectRecycleBin();
    }
  } else if (PageIndex() == 1) {
    WipeFiles();
  }
}

void TForm_FW::BackClick() {
  if (PageIndex() == 1) ShowStart();
}

void TForm_FW::WipeFiles() {
  ui::VTreeModel& tree = VirtualDrawTree_FW->Tree();
  if (tree.IsEmpty()) {
    Message(Tr("MESSAGE_NothingToDelete", "Sie müssen mindestens eine Datei angeben, die vernichtet werden soll."),
            MsgKind::Warning);
    return;
  }
  if (Message(Tr("MESSAGE_AskForWipe",
                 "Sind Sie 100% sicher, dass Sie die ausgewählten Dateien vernichten möchten?\rDieser Vorgang ist "
                 "NICHT umkehrbar. Die gewählten Dateien gehen dabei dauerhaft verloren!"),
              MsgKind::Warning, MsgButtons::YesNo) != IDYES)
    return;
  const bool emptyBin = RadioButton_RecycleBin->Checked();
  RunWork([&] {
    ProgressBar_FW_Delete->SetRange(0, static_cast<int64_t>(tree.TotalCount()));
    ProgressBar_FW_Delete->SetPosition(0);
    Label_Status->SetCaption("");
    JvLinkLabel_DeleteFile->SetCaption("");
    ShowPage(2);
    ShowCancel(true);
    Button_Zurueck->SetEnabled(false);
    Button_Weiter->SetEnabled(false);
    WipeHooks hooks;
    hooks.OnItem = [this](const std::string& path) {
      Label_Status->SetCaption("");
      JvLinkLabel_DeleteFile->SetCaption(ft::EscapeMarkup(path));
    };
    hooks.OnPercent = [this](int percent) { Label_Status->SetCaption(std::to_string(percent) + "%"); };
    hooks.OnProgress = [this](int64_t position) { ProgressBar_FW_Delete->SetPosition(position); };
    hooks.OnPathChanged = [this](ui::VNode* n) { list_->PathChanged(n); };
    hooks.EmptyRecycleBin = EmptyRecycleBin;
    hooks.Owner = Handle();
    const WipeTotals totals = engine_.WipeFiles(tree, options_->CurrentOptions(), emptyBin, hooks);
    ShowCancel(false);
    Message(WipeSummaryText(totals), MsgKind::Information);
    ShowStart();
  });
}

void TForm_FW::CollectRecycleBin() {
  const StringList files = CollectRecycleBinFiles(BinDrives ? BinDrives() : RecycleBinDrives());
  if (files.empty()) {
    Message(Tr("MESSAGE_NothingInRecycleBin",
               "Es wurden keine Dateien im Papierkorb gefunden die vernichtet werden könnten."),
            MsgKind::Information);
    return;
  }
  list_->AddDropped(files);
  WipeFiles();
}

void TForm_FW::Button_FW_AddDirClick() {
  JvBrowseForFolderDialog1->Directory.clear();
  if (!JvBrowseForFolderDialog1->Execute(this)) return;
  const std::string folder = JvBrowseForFolderDialog1->Directory;
  if (folder.empty()) return;
  if (folder.size() < 4 &&
      Message(Tr("MESSAGE_WipeWholeDrive",
                 "Sie haben ein Laufwerk ausgewählt. Sind Sie 100% sicher, dass Sie den gesamten Inhalt des "
                 "Laufwerks vernichten möchten?"),
              MsgKind::Question, MsgButtons::YesNo) != IDYES)
    return;
  list_->AddWipeFolder(nullptr, folder);
}

void TForm_FW::Button_FW_ADD_FilesClick() {
  JvOpenDialog1->FileName.clear();
  JvOpenDialog1->Files.clear();
  if (!JvOpenDialog1->Execute(this)) return;
  list_->AddDropped(JvOpenDialog1->Files);
}

void TForm_FW::Button_FW_DeleteClick() {
  ui::VTreeModel& tree = VirtualDrawTree_FW->Tree();
  if (tree.SelectedCount() == 0) {
    Message(Tr("MESSAGE_NothingToDeleteFromList",
               "Sie müssen mind. eine Datei auswählen die aus der Liste entfernt werden soll."),
            MsgKind::Warning);
    return;
  }
  tree.BeginUpdate();
  for (ui::VNode* n : tree.SelectedNodes()) tree.DeleteNode(n);
  tree.EndUpdate();
}

void TForm_FW::DropFiles(const std::vector<std::string>& files) { list_->AddDropped(files); }

ui::Form* CreateFileWiperWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_FW>(owner); }

}  // namespace qz::fw
