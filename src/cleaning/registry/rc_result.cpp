#include "cleaning/registry/rc_result.h"

#include "cleaning/registry/rc_cleaner.h"
#include "ui/graphics.h"
#include "ui/listview.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::rc {

using ui::VNode;

TForm_RC_Result::TForm_RC_Result(ui::Component* owner, RegistryCleaner& engine)
    : ResultWindow(owner, "TForm_RC_Result", "VirtualDrawTree_RC", "RC"), scan_(engine.Scan) {
  SetCaption("Unnötige Einträge gefunden");
  SetClientSize(720, 440);
  SetMinSize(720, 300);
  VirtualDrawTree_RC = Tree;
  Tree->AddColumn("Eintrag", 480);
  Tree->AddColumn("Schlüssel", 200);
  Tree->SetDefaultNodeHeight(kEntryHeight);
  Tree->Tree().SetRecordType<RegScanNode>();
  // The rows keep the order the checks gave them.
  Tree->OnHeaderClick = nullptr;

  Label_RC_Fixed = new ui::Label(this, "Label_RC_Fixed", "Einträge ausgewählt:");
  Label_RC_Fixed->Tag = 1;
  Label_RC_Found = new ui::Label(this, "Label_RC_Found", "0 / 0");

  Tree->OnDrawNode = [this](const ui::TreeCell& c) { DrawNode(c); };
  // A single check change keeps MarkedCount in step (a list category
  // changes it by its number of entries); the label follows afterwards.
  Tree->Tree().OnChecking = [this](VNode* n, ui::CheckState s) { return TrackCheck(scan_, Model(), n, s); };
}

void TForm_RC_Result::ModuleCreate() { RecountResults(); }

cleaning::EntryFacts TForm_RC_Result::Entry(VNode* n) const {
  return {Tree->Tree().Data<RegScanNode>(n).IsCategory == 0, 0};
}

int TForm_RC_Result::Compare(VNode*, VNode*, int) const { return 0; }

void TForm_RC_Result::RecountResults() {
  rc::RecountResults(scan_, Model());
  Label_RC_Found->SetCaption(MarkedFoundText(scan_));
}

void TForm_RC_Result::LayoutExtras(int buttonTop) {
  Label_RC_Fixed->SetBounds(8, buttonTop + 5, 120, 13);
  Label_RC_Found->SetBounds(132, buttonTop + 5, 160, 13);
  const int col0 = Tree->Width() - 24 - Tree->ColumnWidth(1);
  if (col0 > 0) Tree->SetColumnWidth(0, col0);
}

void TForm_RC_Result::DrawNode(const ui::TreeCell& c) {
  const ui::VTreeModel& t = Model();
  const RegScanNode& d = t.Data<RegScanNode>(c.node);
  if (d.IsCategory) {
    if (c.column != 0) return;
    if (KindImages) c.Image(KindImages->Handle(), d.ImageIndex, 2, 2);
    c.BoldText(40, 12, CategoryCaption(d, t.ChildCount(c.node)), c.Width() - 40);
    return;
  }
  if (c.column == 0) {
    const EntryLines lines = EntryText(d, Captions);
    c.Text(0, 2, lines.First);
    if (!lines.Second.empty()) c.Text(0, 18, lines.Second);
  } else {
    c.Text(0, 2, KeyColumnText(d));
  }
}

}  // namespace qz::rc
