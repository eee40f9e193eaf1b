#include "cleaning/dll/dll_result.h"

#include <algorithm>

#include "cleaning/dll/pe_version.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/menu.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::dll {

using ui::VNode;

namespace {
constexpr int kRowGap = 16;
constexpr int kButtonRow = 3 * (75 + 8);  // Ok, Help and None at the bottom right
}  // namespace

TForm_DLL_Result::TForm_DLL_Result(ui::Component* owner, cleaning::ResultTotals& totals)
    : ResultWindow(owner, "TForm_DLL_Result", "VirtualDrawTree_DLL", "DLL") {
  SetCaption("Redundante DLL-Dateien");
  VirtualDrawTree_DLL = Tree;
  Tree->AddColumn("Datei", 120);
  Tree->AddColumn("Ordner", 220);
  Tree->AddColumn("Version", 90);
  Tree->AddColumn("Größe", 70);
  Tree->AddColumn("Zuletzt geändert am", 120);
  Tree->SetShowRoot(false);
  Tree->SetShowTreeLines(false);
  Tree->Tree().SetRecordType<DllNode>();
  // A flat list in the order of the search: no sorting by header click, and
  // no "mark all" (red copies are marked one by one, on purpose).
  Tree->OnHeaderClick = nullptr;
  Button_All->SetVisible(false);
  PopUp_MarkAll->Visible = false;

  auto label = [this](ui::Label*& l, const char* name, const char* caption, bool fixed) {
    l = new ui::Label(this, name, caption);
    l->SetAutoSize(false);
    l->SetShowAccelChar(false);
    if (fixed) {
      l->Tag = 1;
    } else {
      l->SetEndEllipsis(true);
    }
  };
  label(Label_DLL_Files_Fixed, "Label_DLL_Files_Fixed", "Dateien markiert:", true);
  label(Label_DLL_Files, "Label_DLL_Files", "0 / 0", false);
  label(Label_DLL_Bytes_Fixed, "Label_DLL_Bytes_Fixed", "Dateien belegen:", true);
  label(Label_DLL_Bytes, "Label_DLL_Bytes", "0 MB / 0 MB", false);
  label(Label_FileDescription_Fixed, "Label_FileDescription_Fixed", "Beschreibung:", true);
  label(Label_FileDescription, "Label_FileDescription", "", false);
  label(Label_CompanyName_Fixed, "Label_CompanyName_Fixed", "Hersteller:", true);
  label(Label_CompanyName, "Label_CompanyName", "", false);
  label(Label_DLL_Grund_Fixed, "Label_DLL_Grund_Fixed", "Grund:", true);
  label(Label_DLL_Grund1, "Label_DLL_Grund1", "", false);
  label(Label_DLL_Grund2, "Label_DLL_Grund2", "", false);

  BindTotals(totals);
  // Header rows and the copies in a Windows folder are never marked.
  Tree->Tree().OnChecking = [this, &totals](VNode* n, ui::CheckState s) {
    return TrackDllCheck(Model(), totals, n, s);
  };
  Tree->OnDrawNode = [this](const ui::TreeCell& c) { DrawNode(c); };
  Tree->OnFocusChanged = [this](VNode* n) { ShowDetails(n); };
  OnCloseQuery = [this](bool& canClose) {
    if (!HasRiskyMarkedRow(Model())) return;
    canClose = ModuleMessage(*this, SureToDeleteRedMessage(Translator(*this)), MsgKind::Warning,
                             MsgButtons::YesNo) == IDYES;
  };
}

void TForm_DLL_Result::ModuleCreate() {
  ClearDetails();
  RecountDllSelection();
}

cleaning::EntryFacts TForm_DLL_Result::Entry(VNode* n) const { return DllEntry(Tree->Tree(), n); }

int TForm_DLL_Result::Compare(VNode*, VNode*, int) const { return 0; }

void TForm_DLL_Result::TotalsChanged() {
  Label_DLL_Files->SetCaption(FilesLabelText(Totals()));
  Label_DLL_Bytes->SetCaption(BytesLabelText(Totals()));
}

void TForm_DLL_Result::RecountDllSelection() { RecomputeTotals(); }

void TForm_DLL_Result::ClearDetails() {
  for (ui::Label* l : {Label_DLL_Grund1, Label_DLL_Grund2, Label_FileDescription, Label_CompanyName})
    l->SetCaption("");
}

void TForm_DLL_Result::ShowDetails(VNode* n) {
  if (!n || Model().Data<DllNode>(n).IsGroup) {
    ClearDetails();
    return;
  }
  const DllNode& d = Model().Data<DllNode>(n);
  const PeVersionInfo info = ReadPeVersion(d.FilePath);
  Label_FileDescription->SetCaption(info.FileDescription.empty() ? NotAvailableText : info.FileDescription);
  Label_CompanyName->SetCaption(info.CompanyName.empty() ? NotAvailableText : info.CompanyName);
  const auto lines = ReasonLines(d.Reason, Translator(*this));
  Label_DLL_Grund1->SetCaption(d.Reason == kReasonNone ? NotAvailableText : lines.first);
  Label_DLL_Grund2->SetCaption(d.Reason == kReasonNone ? NotAvailableText : lines.second);
}

void TForm_DLL_Result::DrawNode(const ui::TreeCell& c) {
  const DllNode& d = Model().Data<DllNode>(c.node);
  if (d.IsGroup) {
    if (c.column == 0) c.BoldText(0, 1, d.Name);
    return;
  }
  if (d.TextColor != 0) SetTextColor(c.dc, RGB(d.TextColor, 0, 0));
  switch (c.column) {
    case 0: c.Text(0, 1, d.Name); break;
    case 1: c.Text(0, 1, d.Folder); break;
    case 2: c.Text(0, 1, d.Version); break;
    case 3: c.Text(0, 1, std::to_string(d.Size)); break;
    case 4: c.Text(0, 1, d.Date); break;
    default: break;
  }
}

void TForm_DLL_Result::LayoutExtras(int) {
  const int w = ClientWidth(), h = ClientHeight();
  Tree->SetBounds(8, 8, std::max(0, w - 16), std::max(0, h - 100));
  const int y0 = Tree->Top() + Tree->Height() + 6;
  const int valueLeft = 112, halfLeft = std::max(valueLeft + 180, w / 2);
  Label_DLL_Files_Fixed->SetBounds(8, y0, 100, 14);
  Label_DLL_Files->SetBounds(valueLeft, y0, 170, 14);
  Label_DLL_Bytes_Fixed->SetBounds(8, y0 + kRowGap, 100, 14);
  Label_DLL_Bytes->SetBounds(valueLeft, y0 + kRowGap, 170, 14);
  Label_FileDescription_Fixed->SetBounds(halfLeft, y0, 90, 14);
  Label_FileDescription->SetBounds(halfLeft + 94, y0, std::max(0, w - halfLeft - 102), 14);
  Label_CompanyName_Fixed->SetBounds(halfLeft, y0 + kRowGap, 90, 14);
  Label_CompanyName->SetBounds(halfLeft + 94, y0 + kRowGap, std::max(0, w - halfLeft - 102), 14);
  Label_DLL_Grund_Fixed->SetBounds(8, y0 + 2 * kRowGap, 100, 14);
  Label_DLL_Grund1->SetBounds(valueLeft, y0 + 2 * kRowGap, std::max(0, w - valueLeft - 8), 14);
  Label_DLL_Grund2->SetBounds(valueLeft, y0 + 3 * kRowGap, std::max(0, w - valueLeft - kButtonRow - 8), 14);
  // The buttons at the bottom right, 8 pixels apart.
  int right = w - 8;
  for (ui::Button* b : {Button_Ok, Button_Help, Button_None}) {
    right -= 75;
    b->SetBounds(right, h - 33, 75, 25);
    right -= 8;
  }
  // "Ordner" takes what the other columns leave.
  int others = 0;
  for (int i : {0, 2, 3, 4}) others += Tree->ColumnWidth(i);
  Tree->SetColumnWidth(1, std::max(80, Tree->Width() - others - 24));
}

}  // namespace qz::dll
