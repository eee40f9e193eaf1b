#include "cleaning/drive/dc_result.h"

#include <algorithm>

#include "cleaning/drive/dc_options.h"
#include "cleaning/drive/drive_cleaner.h"
#include "core/msgbox.h"
#include "core/text.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/listview.h"
#include "ui/menu.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::dc {

using ui::CheckState;
using ui::VNode;

TForm_DC_Result::TForm_DC_Result(ui::Component* owner, DriveCleaner& engine, TForm_DC_Options* options)
    : ResultWindow(owner, "TForm_DC_Result", "VirtualDrawTree_Files", "DC"), scan_(engine.Scan), options_(options) {
  SetCaption("Unnötige Dateien gefunden");
  VirtualDrawTree_Files = Tree;
  Tree->AddColumn("Beschreibung / Datei", 400);
  Tree->AddColumn("Grösse", 72);
  Tree->SetDefaultNodeHeight(kCategoryHeight);
  Tree->Tree().SetRecordType<DriveScanNode>();

  Label_DC_Files_Fixed = new ui::Label(this, "Label_DC_Files_Fixed", "Dateien ausgewählt:");
  Label_DC_Files_Fixed->Tag = 1;
  Label_DC_Files = new ui::Label(this, "Label_DC_Files", "0 / 0");
  Label_DC_Bytes_Fixed = new ui::Label(this, "Label_DC_Bytes_Fixed", "Dateien belegen:");
  Label_DC_Bytes_Fixed->Tag = 1;
  Label_DC_Bytes = new ui::Label(this, "Label_DC_Bytes", "0 MB / 0 MB");

  PopUp_Separator = new ui::MenuItem(PopupMenu1, "PopUp_Separator", "-");
  PopUp_Explorer = new ui::MenuItem(PopupMenu1, "PopUp_Explorer", "Ordner der 1. Datei im Explorer öffnen");
  PopUp_ExceptDirs = new ui::MenuItem(PopupMenu1, "PopUp_ExceptDirs", "Markierte Ordner als Ausnahme eintragen");
  PopUp_ExceptFiles =
      new ui::MenuItem(PopupMenu1, "PopUp_ExceptFiles", "Markierte Dateien als Ausnahme eintragen");
  for (ui::MenuItem* m : {PopUp_Explorer, PopUp_ExceptDirs, PopUp_ExceptFiles}) m->Tag = 1;

  BindTotals(scan_.Totals);
  Tree->OnDrawNode = [this](const ui::TreeCell& c) { DrawNode(c); };
  PopUp_Explorer->OnClick = [this] { PopUp_ExplorerClick(); };
  PopUp_ExceptDirs->OnClick = [this] { PopUp_ExceptDirsClick(); };
  PopUp_ExceptFiles->OnClick = [this] { PopUp_ExceptFilesClick(); };
  OpenExplorer = StartProgram(L"explorer");
}

void TForm_DC_Result::ModuleCreate() { UpdateLabels(); }

cleaning::EntryFacts TForm_DC_Result::Entry(VNode* n) const { return DriveEntry(Tree->Tree(), n); }

int TForm_DC_Result::Compare(VNode* a, VNode* b, int column) const {
  const ui::VTreeModel& t = Tree->Tree();
  return CompareDriveNodes(t.Data<DriveScanNode>(a), t.Data<DriveScanNode>(b), column);
}

void TForm_DC_Result::LayoutExtras(int buttonTop) {
  Label_DC_Files_Fixed->SetBounds(8, buttonTop - 1, 110, 13);
  Label_DC_Files->SetBounds(122, buttonTop - 1, 160, 13);
  Label_DC_Bytes_Fixed->SetBounds(8, buttonTop + 11, 110, 13);
  Label_DC_Bytes->SetBounds(122, buttonTop + 11, 220, 13);
  const int col0 = Tree->Width() - 24 - Tree->ColumnWidth(1);
  if (col0 > 0) Tree->SetColumnWidth(0, col0);
}

void TForm_DC_Result::UpdateLabels() {
  Label_DC_Files->SetCaption(FilesLabelText(scan_));
  Label_DC_Bytes->SetCaption(BytesLabelText(scan_));
}

void TForm_DC_Result::DrawNode(const ui::TreeCell& c) {
  ui::VTreeModel& t = Model();
  const DriveScanNode& d = t.Data<DriveScanNode>(c.node);
  if (d.IsCategory) {
    if (c.column != 0) return;
    if (FileTypeImages) c.Image(FileTypeImages->Handle(), d.ImageIndex, 2, 2);
    c.BoldText(40, 12, d.FileName + " [" + std::to_string(t.ChildCount(c.node)) + "]", c.Width() - 40);
    return;
  }
  if (c.column == 0) {
    c.Text(2, 3, d.Folder + "\\" + d.FileName);
    if (!d.Info.empty()) c.Text(2, 17, TargetCaption + " \"" + d.Info + "\"");
  } else {
    c.Text(2, 4, std::to_string(d.Size));
  }
}

VNode* TForm_DC_Result::FirstSelectedEntry() {
  VNode* n = Model().GetFirstSelected();
  if (!n || Model().Data<DriveScanNode>(n).IsCategory) return nullptr;
  return n;
}

void TForm_DC_Result::PopUp_ExplorerClick() {
  VNode* n = FirstSelectedEntry();
  if (!n) return;
  // Quoted, so a folder with blanks or commas reaches the Explorer whole.
  if (OpenExplorer) OpenExplorer("\"" + Model().Data<DriveScanNode>(n).Folder + "\"");
}

void TForm_DC_Result::AddException(const std::string& question, const std::string& entry, bool isFolder,
                                   const std::function<void()>& apply) {
  if (ShowMessageBox(Handle(), question, MsgKind::Question, MsgButtons::YesNo) != IDYES) return;
  if (options_) options_->AddUserException(entry, isFolder);
  apply();
  if (options_) options_->SaveDriveCleanerOptions();
  UpdateLabels();
  Tree->Invalidate();
}

void TForm_DC_Result::PopUp_ExceptDirsClick() {
  VNode* n = FirstSelectedEntry();
  if (!n) return;
  const DriveScanNode entry = Model().Data<DriveScanNode>(n);
  const std::string folder = entry.Folder + "\\";
  // The folder and everything below it leave the tree.
  AddException(FolderAsExceptionMessage(folder, Translator(*this)), folder, true,
               [&] { ApplyFolderException(scan_, Model(), entry); });
}

void TForm_DC_Result::PopUp_ExceptFilesClick() {
  VNode* n = FirstSelectedEntry();
  if (!n) return;
  const DriveScanNode entry = Model().Data<DriveScanNode>(n);
  AddException(FileAsExceptionMessage(entry.FileName, Translator(*this)), entry.FileName, false,
               [&] { ApplyFileException(scan_, Model(), entry); });
}

}  // namespace qz::dc
