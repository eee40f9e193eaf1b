#include "cleaning/internet/ic_result.h"

#include "cleaning/internet/ic_engine.h"
#include "cleaning/internet/ic_options.h"
#include "core/msgbox.h"
#include "core/text.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/menu.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::ic {

using ui::VNode;

TForm_InternetCleanerResult::TForm_InternetCleanerResult(ui::Component* owner, InternetCleaner& engine,
                                                         TForm_ZAMO2_IC_Options* options)
    : ResultWindow(owner, "TForm_InternetCleanerResult", "VirtualDrawTree_IC", "IC"),
      engine_(engine),
      options_(options) {
  SetCaption("Internet Cleaner");
  SetClientSize(743, 589);
  VirtualDrawTree_IC = Tree;
  Tree->AddColumn("Eintrag", 300);
  Tree->AddColumn("URL", 300);
  Tree->AddColumn("Bytes", 80);
  Tree->Tree().SetRecordType<InternetItemNode>();

  Label_IC_Fixed = new ui::Label(this, "Label_IC_Fixed", "Elemente ausgewählt:");
  Label_IC_Fixed->Tag = 1;
  Label_IC_Found = new ui::Label(this, "Label_IC_Found", "0 / 0");
  Label_IC_Bytes_Fixed = new ui::Label(this, "Label_IC_Bytes_Fixed", "Elemente belegen:");
  Label_IC_Bytes_Fixed->Tag = 1;
  Label_IC_Bytes = new ui::Label(this, "Label_IC_Bytes", "0 MB / 0 MB");

  PopUp_Separator = new ui::MenuItem(PopupMenu1, "PopUp_Separator", "-");
  Popup_Cookies = new ui::MenuItem(PopupMenu1, "Popup_Cookies", "Cookies von diesen URLs akzeptieren");
  Popup_SeeCokie = new ui::MenuItem(PopupMenu1, "Popup_SeeCokie", "1. Markiertes Cookie im Notepad ansehen");
  Popup_Cookies->Tag = 1;
  Popup_SeeCokie->Tag = 1;

  BindTotals(engine_.Counts.Totals);
  Tree->OnDrawNode = [this](const ui::TreeCell& c) { DrawNode(c); };
  Popup_Cookies->OnClick = [this] { Popup_CookiesClick(); };
  Popup_SeeCokie->OnClick = [this] { Popup_SeeCokieClick(); };
  OpenInNotepad = StartProgram(L"notepad");
}

void TForm_InternetCleanerResult::ModuleCreate() { UpdateLabels(); }

cleaning::EntryFacts TForm_InternetCleanerResult::Entry(VNode* n) const { return InternetEntry(Tree->Tree(), n); }

int TForm_InternetCleanerResult::Compare(VNode* a, VNode* b, int column) const {
  const ui::VTreeModel& t = Tree->Tree();
  return CompareInternetNodes(t.Data<InternetItemNode>(a), t.Data<InternetItemNode>(b), column);
}

void TForm_InternetCleanerResult::SetShowUrlColumn(bool show) {
  showUrl_ = show;
  Layout();
}

void TForm_InternetCleanerResult::LayoutExtras(int buttonTop) {
  Label_IC_Fixed->SetBounds(8, buttonTop - 4, 116, 13);
  Label_IC_Found->SetBounds(128, buttonTop - 4, 200, 13);
  Label_IC_Bytes_Fixed->SetBounds(8, buttonTop + 12, 116, 13);
  Label_IC_Bytes->SetBounds(128, buttonTop + 12, 240, 13);
  // The entry and URL columns share the width the bytes leave; without the
  // URL column the entry takes all of it.
  const int w = Tree->Width() - 24 - Tree->ColumnWidth(2);
  if (w <= 0) return;
  Tree->SetColumnWidth(0, showUrl_ ? w / 2 : w);
  Tree->SetColumnWidth(1, showUrl_ ? w / 2 : 0);
}

void TForm_InternetCleanerResult::UpdateLabels() {
  Label_IC_Found->SetCaption(FoundLabelText(engine_.Counts));
  Label_IC_Bytes->SetCaption(BytesLabelText(engine_.Counts));
}

void TForm_InternetCleanerResult::DrawNode(const ui::TreeCell& c) {
  ui::VTreeModel& t = Model();
  const InternetItemNode& d = t.Data<InternetItemNode>(c.node);
  if (d.IsCategory) {
    if (c.column == 0) c.BoldText(2, 2, d.Text + " [" + std::to_string(t.ChildCount(c.node)) + "]");
    return;
  }
  const bool history = d.Kind == int32_t(ItemKind::History);
  switch (c.column) {
    case 0:
      c.Text(2, 2, std::string(history ? d.Caption() : d.FileName()));
      break;
    case 1:
      if (!history) c.Text(2, 2, std::string(d.Caption()));
      break;
    default:
      if (d.Size > 0) c.Text(2, 2, std::to_string(d.Size));
      break;
  }
}

void TForm_InternetCleanerResult::Popup_CookiesClick() {
  if (ModuleMessage(*this, SureSafeSiteText(Translator(*this)), MsgKind::Question, MsgButtons::YesNo) != IDYES)
    return;
  StringList trusted = options_ ? options_->TrustedHosts() : StringList{};
  const size_t before = trusted.size();
  engine_.TrustSelectedCookies(trusted);
  if (options_)
    for (size_t i = before; i < trusted.size(); ++i) options_->AddTrustedHost(trusted[i]);
  UpdateLabels();
  Tree->Invalidate();
}

void TForm_InternetCleanerResult::Popup_SeeCokieClick() {
  const std::string file = engine_.SelectedCookieFile();
  // Quoted, so a path with blanks reaches Notepad whole.
  if (!file.empty() && OpenInNotepad) OpenInNotepad("\"" + file + "\"");
}

}  // namespace qz::ic
