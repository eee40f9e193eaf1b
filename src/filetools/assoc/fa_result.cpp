#include "filetools/assoc/fa_result.h"

#include <algorithm>

#include "cleaning/frame/module_window.h"
#include "cleaning/frame/result_rules.h"
#include "core/globals.h"
#include "core/text.h"
#include "filetools/assoc/fa_select_exe.h"
#include "ui/dialogs.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/help_router.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::fa {

namespace {
constexpr int kGap = 8;
constexpr int kButtonHeight = 25;
constexpr int kIconSize = 32;
constexpr int kTextLeft = 40;
constexpr std::uint16_t kRowHeight = 36;
}  // namespace

TForm_FA_Result::TForm_FA_Result(ui::Component* owner) : Form(owner, "TForm_FA_Result") {
  SetBorderStyle(ui::FormBorder::Sizeable);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetClientSize(640, 460);
  SetMinSize(560, 320);
  SetCaption("File-Associator");
  Tag = 1;

  Label_Hint = new ui::Label(this, "Label_Hint",
                             "Wählen Sie ein Dateiformat aus und ändern Sie dann sein Symbol oder die Anwendung, "
                             "mit der es geöffnet wird.");
  Label_Hint->SetAutoSize(false);
  Label_Hint->SetWordWrap(true);
  Label_Hint->SetBounds(kGap, kGap, 624, 28);
  Label_Hint->Tag = 1;

  VirtualDrawTree_FA = new ui::VTreeView(this, "VirtualDrawTree_FA");
  VirtualDrawTree_FA->SetBounds(kGap, 40, 624, 360);
  VirtualDrawTree_FA->AddColumn("Dateiformat", 220);
  VirtualDrawTree_FA->AddColumn("geändert", 64);
  VirtualDrawTree_FA->AddColumn("Anwendung", 220);
  VirtualDrawTree_FA->SetDefaultNodeHeight(kRowHeight);
  VirtualDrawTree_FA->SetShowTreeLines(false);
  VirtualDrawTree_FA->SetShowRoot(false);
  VirtualDrawTree_FA->SetBackgroundGradient(RGB(255, 255, 255), RGB(200, 200, 200));
  VirtualDrawTree_FA->Tree().SetRecordType<FileTypeEntry>();

  CheckBox_FA_HideSystem = new ui::CheckBox(
      this, "CheckBox_FA_HideSystem", "Dateiformate von wichtigen Systemdateien ausblenden (dringend empfohlen)");
  CheckBox_FA_HideSystem->SetBounds(kGap, 404, 500, 17);
  CheckBox_FA_HideSystem->SetChecked(true);
  CheckBox_FA_HideSystem->SetTabStop(true);
  CheckBox_FA_HideSystem->Tag = 1;

  auto button = [this](const char* name, const char* caption, int width) {
    auto* b = new ui::Button(this, name, caption);
    b->SetBounds(kGap, 425, width, kButtonHeight);
    b->SetTabStop(true);
    b->Tag = 1;
    return b;
  };
  Button_FA_Reset = button("Button_FA_Reset", "Zurücksetzen", 110);
  Button_FA_Reset->SetVisible(false);
  Button_FA_EXE = button("Button_FA_EXE", "Anwendung ändern", 130);
  Button_FA_Icon = button("Button_FA_Icon", "Symbol ändern", 110);
  Button_Ok = button("Button_Ok", "&Ok", 75);
  Button_Ok->ModalResult = ui::mrOk;
  Button_Ok->SetDefault(true);
  Button_Ok->SetCancel(true);
  Button_Help = button("Button_Help", "&Hilfe", 75);
  Button_FA_Standard = button("Button_FA_Standard", "Windows-Default", 110);
  Button_FA_Standard->SetVisible(false);

  Image_Reading = new ui::Image(this, "Image_Reading");
  Image_Reading->SetBounds(0, 0, kIconSize, kIconSize);
  Image_Reading->SetVisible(false);
  Label_Reading = new ui::Label(this, "Label_Reading", "Die installierten Dateiformate werden nun eingelesen.");
  Label_Reading->SetBounds(0, 0, 320, 16);
  Label_Reading->SetVisible(false);
  Label_Reading->Tag = 1;
  ProgressBar_Reading = new ui::ProgressBar(this, "ProgressBar_Reading");
  ProgressBar_Reading->SetBounds(0, 0, 320, 16);
  ProgressBar_Reading->SetVisible(false);

  IconDialog1 = new ui::IconDialog(this, "IconDialog1");

  const TranslationButtons tb = AddTranslationButtons(*this, [this] { Translate(); });
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  VirtualDrawTree_FA->OnDrawNode = [this](const ui::TreeCell& c) { DrawNode(c); };
  VirtualDrawTree_FA->OnHeaderClick = [this](int column) { HeaderClick(column); };
  VirtualDrawTree_FA->OnSelectionChanged = [this] { UpdateResetButton(); };
  VirtualDrawTree_FA->OnFocusChanged = [this](ui::VNode*) { UpdateResetButton(); };
  CheckBox_FA_HideSystem->OnClick = [this] { LoadFileTypes(); };
  Button_FA_Icon->OnClick = [this] { Button_FA_IconClick(); };
  Button_FA_EXE->OnClick = [this] { Button_FA_EXEClick(); };
  Button_FA_Reset->OnClick = [this] { Button_FA_ResetClick(); };
  Button_FA_Standard->OnClick = [this] { Button_FA_StandardClick(); };
  Button_Help->OnClick = [] { ShowHelpTopic("FA"); };
  OnActivate = [this] { FormActivate(); };
  OnResize = [this] { Layout(); };

  types_.OnReadingStarted = [this](int64_t total) { ShowReading(true, total); };
  types_.OnProgress = [this](int64_t position, int64_t) { ProgressBar_Reading->SetPosition(position); };
}

TForm_FA_Result::~TForm_FA_Result() {
  // The rows go before the icons they show.
  VirtualDrawTree_FA->Clear();
  icons_.Clear();
}

void TForm_FA_Result::Translate() {
  TranslateForm(TranslationFile, *this);
  TranslateTreeColumns(Name, *VirtualDrawTree_FA);
}

void TForm_FA_Result::FormCreate() {
  Button_LoadTranslation->Click();
  SortColumn = 0;
  Image_Reading->LoadFromFile(SkinDir + "\\ModuleIcon_FA.png");
  Layout();
}

// ---- layout ------------------------------------------------------------------

void TForm_FA_Result::Layout() {
  const int w = ClientWidth(), h = ClientHeight();
  ui::VTreeView* tree = VirtualDrawTree_FA;
  const int top = tree->Top();
  tree->SetBounds(tree->Left(), top, std::max(0, w - 16), std::max(0, h - 60 - top));
  const int checkTop = top + tree->Height() + 4;
  CheckBox_FA_HideSystem->SetTop(checkTop);
  const int buttonTop = checkTop + CheckBox_FA_HideSystem->Height() + 4;
  int left = Button_FA_Reset->Left();
  for (ui::Button* b : {Button_FA_Reset, Button_FA_EXE, Button_FA_Icon}) {
    b->SetBounds(left, buttonTop, b->Width(), b->Height());
    left += b->Width() + kGap;
  }
  Button_Ok->SetBounds(w - kGap - Button_Ok->Width(), buttonTop, Button_Ok->Width(), Button_Ok->Height());
  Button_Help->SetBounds(Button_Ok->Left() - kGap - Button_Help->Width(), buttonTop, Button_Help->Width(),
                         Button_Help->Height());
  Label_Hint->SetWidth(std::max(0, w - 16));
  const int half = (tree->Width() - tree->ColumnWidth(1) - 24) / 2;
  if (half > 0) {
    tree->SetColumnWidth(0, half);
    tree->SetColumnWidth(2, half);
  }
}

void TForm_FA_Result::ShowReading(bool on, int64_t total) {
  if (on) {
    // The picture centred vertically, the label 52 pixels to its right, the
    // pair centred; the bar 8 pixels below the label.
    const int pairWidth = 52 + Label_Reading->Width();
    const int left = std::max(0, (ClientWidth() - pairWidth) / 2);
    const int top = std::max(0, (ClientHeight() - Image_Reading->Height()) / 2);
    Image_Reading->SetBounds(left, top, Image_Reading->Width(), Image_Reading->Height());
    Label_Reading->SetBounds(left + 52, top, Label_Reading->Width(), Label_Reading->Height());
    ProgressBar_Reading->SetBounds(Label_Reading->Left(), Label_Reading->Top() + Label_Reading->Height() + 8,
                                   Label_Reading->Width(), ProgressBar_Reading->Height());
    ProgressBar_Reading->SetRange(0, total);
    ProgressBar_Reading->SetPosition(0);
  }
  for (ui::Control* c : std::initializer_list<ui::Control*>{VirtualDrawTree_FA, Label_Hint, CheckBox_FA_HideSystem,
                                                            Button_FA_EXE, Button_FA_Icon, Button_Ok, Button_Help})
    c->SetVisible(!on);
  if (on) Button_FA_Reset->SetVisible(false);
  for (ui::Control* c : std::initializer_list<ui::Control*>{Image_Reading, Label_Reading, ProgressBar_Reading})
    c->SetVisible(on);
  if (on) Update();
}

// ---- the list ----------------------------------------------------------------

void TForm_FA_Result::LoadFileTypes() {
  if (reading_) return;
  reading_ = true;
  icons_.Clear();
  types_.HideSystem = CheckBox_FA_HideSystem->Checked();
  ui::VTreeModel& tree = VirtualDrawTree_FA->Tree();
  try {
    types_.LoadFileTypes(tree);
  } catch (...) {
    ShowReading(false);
    reading_ = false;
    throw;
  }
  // The list in the order of the sort column.
  tree.SortWith(nullptr, [this](ui::VNode* a, ui::VNode* b) { return Compare(a, b, SortColumn); });
  ShowReading(false);
  reading_ = false;
  UpdateResetButton();
}

void TForm_FA_Result::FormActivate() {
  if (!reading_ && VirtualDrawTree_FA->Tree().IsEmpty()) LoadFileTypes();
}

int TForm_FA_Result::Compare(ui::VNode* a, ui::VNode* b, int column) const {
  const ui::VTreeModel& t = VirtualDrawTree_FA->Tree();
  const FileTypeEntry& x = t.Data<FileTypeEntry>(a);
  const FileTypeEntry& y = t.Data<FileTypeEntry>(b);
  switch (column) {
    case 0: return ui::CompareOrdinal(UpperAscii(x.Extension), UpperAscii(y.Extension));
    case 1: return static_cast<int>(x.HasOriginal) - static_cast<int>(y.HasOriginal);
    default: return ui::CompareOrdinal(x.Command, y.Command);
  }
}

void TForm_FA_Result::HeaderClick(int column) {
  if (cleaning::SortByColumn(VirtualDrawTree_FA->Tree(), SortColumn, column,
                             [this](ui::VNode* a, ui::VNode* b, int c) { return Compare(a, b, c); }))
    VirtualDrawTree_FA->Invalidate();
}

FileTypeEntry* TForm_FA_Result::SelectedEntry() {
  ui::VNode* n = VirtualDrawTree_FA->Tree().GetFirstSelected();
  return n ? &VirtualDrawTree_FA->Tree().Data<FileTypeEntry>(n) : nullptr;
}

void TForm_FA_Result::UpdateResetButton() {
  const FileTypeEntry* e = SelectedEntry();
  Button_FA_Reset->SetVisible(!reading_ && e && e->HasOriginal);
}

void TForm_FA_Result::Redraw() {
  UpdateResetButton();
  VirtualDrawTree_FA->Invalidate();
}

void TForm_FA_Result::DrawNode(const ui::TreeCell& c) {
  const FileTypeEntry& e = VirtualDrawTree_FA->Tree().Data<FileTypeEntry>(c.node);
  switch (c.column) {
    case 0:
      if (!e.IconFile.empty()) {
        if (HICON icon = icons_.Get(e.IconFile, e.IconIndex))
          DrawIconEx(c.dc, c.rect.left + 2, c.rect.top + 2, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
      }
      c.Text(kTextLeft, 2, e.DisplayName, c.Width() - kTextLeft);
      c.Text(kTextLeft, 18, e.Extension, c.Width() - kTextLeft);
      break;
    case 1:
      if (e.HasOriginal) c.Text(2, 2, Tr(*this, "MESSAGE_Changed", "ja"));
      break;
    default:
      c.Text(2, 2, e.Command, c.Width());
      if (!e.IconFile.empty()) c.Text(2, 18, e.IconFile + " , " + std::to_string(e.IconIndex), c.Width());
      break;
  }
}

// ---- changing one type -------------------------------------------------------

void TForm_FA_Result::Button_FA_IconClick() {
  FileTypeEntry* selected = SelectedEntry();
  if (!selected) return;
  FileTypeEntry& e = *selected;
  IconDialog1->FileName = e.IconFile;
  IconDialog1->IconIndex = e.IconIndex;
  if (!IconDialog1->Execute(this)) return;
  if (IconDialog1->FileName == e.IconFile && IconDialog1->IconIndex == e.IconIndex) return;
  e.IconFile = IconDialog1->FileName;
  e.IconIndex = IconDialog1->IconIndex;
  types_.WriteFileTypeEntry(e, kWriteIcon);
  Redraw();
}

void TForm_FA_Result::Button_FA_EXEClick() {
  FileTypeEntry* selected = SelectedEntry();
  if (!selected) return;
  FileTypeEntry& e = *selected;
  std::unique_ptr<TForm_FA_SelectEXE> dialog(new TForm_FA_SelectEXE(this));
  dialog->DoCreate();
  dialog->Edit1->SetText(e.Command);
  cleaning::ShowModalWindow(*dialog);
  const bool ok = dialog->Result;
  const std::string command = dialog->Edit1->Text();
  const bool useIcon = dialog->CheckBox_UseIcon->Checked();
  dialog.reset();
  if (!ok || IEquals(command, e.Command)) return;
  e.Command = command;
  unsigned parts = kWriteCommand;
  if (useIcon) {
    e.IconFile = IconFileOfCommand(command);
    e.IconIndex = 0;
    parts |= kWriteIcon;
  }
  types_.WriteFileTypeEntry(e, parts);
  Redraw();
}

void TForm_FA_Result::Button_FA_ResetClick() {
  FileTypeEntry* selected = SelectedEntry();
  if (!selected) return;
  FileTypeEntry& e = *selected;
  std::string text = Tr(*this, "MESSAGE_ResetThis",
                        "Sollen Symbol und Kommandozeile für das gewählte Dateiformat\r%1 (%2)\rauf die gesicherten "
                        "Werte wie vor der 1. Benutzung des File-Associators zurückgesetzt werden?");
  text = ReplaceAll(ReplaceAll(text, "%1", e.ProgID), "%2", e.Extension);
  if (ModuleMessage(*this, text, MsgKind::Warning, MsgButtons::YesNo) != IDYES) return;
  types_.ResetFileType(e);
  Redraw();
}

// ---- the reset to the Windows defaults -----------------------------------------

void TForm_FA_Result::Button_FA_StandardClick() {
  const ResetOutcome out = defaults_.Run(AppDir + "\\Backups\\FA");
  // What the list showed is no longer what is stored: the next "edit" reads
  // the registry again.
  VirtualDrawTree_FA->Clear();
  icons_.Clear();
  UpdateResetButton();
  if (!out.BackupStarted) {
    // No undo file: nothing was changed, and there is nothing to count.
    ModuleMessage(*this, "Error creating Backup-File!\rDisk full,corrupt or write-protected?", MsgKind::Error);
    return;
  }
  if (!out.BackupClosed)
    ModuleMessage(*this, "Error closing Backup-File!\rBackup may be corrupt or incomplete!", MsgKind::Error);
  const std::string done =
      Tr(*this, "MESSAGE_ResetDone", "Es wurden %1 Dateiformate auf den Windows-Standard zurückgesetzt.");
  ModuleMessage(*this, ReplaceAll(done, "%1", std::to_string(out.Count)), MsgKind::Information);
}

}  // namespace qz::fa
