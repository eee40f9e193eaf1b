#include "tuning/startup/st_result.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "cleaning/frame/module_window.h"
#include "cleaning/frame/result_rules.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/text.h"
#include "tuning/startup/command_line.h"
#include "tuning/startup/st_new.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/help_router.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"
#include "ui/picture.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::st {

namespace {

constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 25;
constexpr int kGap = 8;

// The hourglass over the window and the tree while a change runs.
class BusyCursor {
 public:
  BusyCursor(ui::Control* window, ui::Control* tree) : window_(window), tree_(tree) {
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    window_->Cursor = tree_->Cursor = wait;
    old_ = ::SetCursor(wait);
  }
  ~BusyCursor() {
    window_->Cursor = tree_->Cursor = nullptr;
    ::SetCursor(old_);
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  ui::Control* window_;
  ui::Control* tree_;
  HCURSOR old_ = nullptr;
};

ui::Button* RowButton(ui::TabSheet* page, const char* name, const char* caption) {
  auto* b = new ui::Button(page, name, caption);
  b->Tag = 1;
  b->SetTabStop(true);
  return b;
}

// Refusals are warnings; a write that failed or left something behind is an error.
MsgKind KindOf(MoveResult r) {
  return r == MoveResult::WriteFailed || r == MoveResult::SourceKept ? MsgKind::Error : MsgKind::Warning;
}

}  // namespace

TForm_ST_Result::TForm_ST_Result(ui::Component* owner, StartupStore& store, StartupPlaces places)
    : Form(owner, "TForm_ST_Result"), store_(store), places_(std::move(places)), engine_(store_, places_) {
  SetBorderStyle(ui::FormBorder::Sizeable);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetClientSize(640, 460);
  SetMinSize(520, 360);
  SetCaption("StartUp-Tuner");
  Tag = 1;

  JvPageControl1 = new ui::PageControl(this, "JvPageControl1");
  JvPageControl1->SetTabsVisible(false);
  JvPageControl1->SetBounds(0, 0, 640, 460);

  // Page 0: autostart entries
  TabSheet_ST = new ui::TabSheet(JvPageControl1, "TabSheet_ST", "Autostart");
  ImageList_AutoStartHEADER = new ui::ImageList(this, "ImageList_AutoStartHEADER", 32, 32);
  VirtualDrawTree_AUTOSTART = new ui::VTreeView(TabSheet_ST, "VirtualDrawTree_AUTOSTART");
  VirtualDrawTree_AUTOSTART->SetHeaderVisible(false);
  VirtualDrawTree_AUTOSTART->SetDefaultNodeHeight(kAutostartRowHeight);
  VirtualDrawTree_AUTOSTART->SetShowTreeLines(true);
  VirtualDrawTree_AUTOSTART->SetBackgroundGradient(RGB(255, 255, 255), RGB(200, 200, 200));
  VirtualDrawTree_AUTOSTART->SetTabStop(true);
  Autostart().SetRecordType<AutostartEntry>();
  Label_Autostart_Command = new ui::Label(TabSheet_ST, "Label_Autostart_Command", "Kommandozeile:");
  Label_Autostart_Command->Tag = 1;
  Edit_Autostart_Command = new ui::Edit(TabSheet_ST, "Edit_Autostart_Command");
  Edit_Autostart_Command->SetTabStop(true);
  Button_Edit = RowButton(TabSheet_ST, "Button_Edit", "&Bearbeiten");
  Button_Delete = RowButton(TabSheet_ST, "Button_Delete", "&Löschen");
  Button_Add = RowButton(TabSheet_ST, "Button_Add", "&Hinzufügen");
  Button_Properties = RowButton(TabSheet_ST, "Button_Properties", "&Eigenschaften");
  Button_Ok = RowButton(TabSheet_ST, "Button_Ok", "&Ok");
  Button_Ok->ModalResult = ui::mrOk;
  Button_Help1 = RowButton(TabSheet_ST, "Button_Help1", "Hilfe");

  // Page 1: installed software
  TabSheet_ST2 = new ui::TabSheet(JvPageControl1, "TabSheet_ST2", "Software");
  VirtualDrawTree_Uninstall = new ui::VTreeView(TabSheet_ST2, "VirtualDrawTree_Uninstall");
  VirtualDrawTree_Uninstall->SetHeaderVisible(false);
  VirtualDrawTree_Uninstall->SetDefaultNodeHeight(kUninstallRowHeight);
  VirtualDrawTree_Uninstall->SetBackgroundGradient(RGB(255, 255, 255), RGB(200, 200, 200));
  VirtualDrawTree_Uninstall->SetTabStop(true);
  Uninstall().SetRecordType<UninstallEntry>();
  Label_Uninstall_DisplayName = new ui::Label(TabSheet_ST2, "Label_Uninstall_DisplayName", "Name:");
  Label_Uninstall_DisplayName->Tag = 1;
  Edit_Uninstall_DisplayName = new ui::Edit(TabSheet_ST2, "Edit_Uninstall_DisplayName");
  Edit_Uninstall_DisplayName->SetTabStop(true);
  Label_Uninstall_Command = new ui::Label(TabSheet_ST2, "Label_Uninstall_Command", "Deinstallations-Kommando:");
  Label_Uninstall_Command->Tag = 1;
  Edit_Uninstall_Command = new ui::Edit(TabSheet_ST2, "Edit_Uninstall_Command");
  Edit_Uninstall_Command->SetTabStop(true);
  Button_Uninstall_DELETE = RowButton(TabSheet_ST2, "Button_Uninstall_DELETE", "&Löschen");
  Button_Uninstall_Edit = RowButton(TabSheet_ST2, "Button_Uninstall_Edit", "&Bearbeiten");
  Button_Ok2 = RowButton(TabSheet_ST2, "Button_Ok2", "&Ok");
  Button_Ok2->ModalResult = ui::mrOk;
  Button_Help2 = RowButton(TabSheet_ST2, "Button_Help2", "Hilfe");

  const TranslationButtons tb = AddTranslationButtons(*this);
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  // The three category pictures; a missing one leaves a blank in its place.
  for (const wchar_t* name : {L"ST_FOLDER_PNG", L"ST_INI_PNG", L"ST_REGISTRY_PNG"}) {
    ui::Picture p;
    if (!p.LoadFromResource(name)) p = ui::Picture(32, 32, 0);
    ImageList_AutoStartHEADER->Add(p);
  }

  // ---- handlers
  VirtualDrawTree_AUTOSTART->OnDrawNode = [this](const ui::TreeCell& c) { DrawAutostart(c); };
  VirtualDrawTree_AUTOSTART->OnFocusChanged = [this](ui::VNode* n) { AutostartFocusChanged(n); };
  Autostart().OnChecking = [this](ui::VNode* n, ui::CheckState s) { return AutostartChecking(n, s); };
  VirtualDrawTree_Uninstall->OnDrawNode = [](const ui::TreeCell& c) {
    c.Text(0, 2, c.view->Tree().Data<UninstallEntry>(c.node).DisplayName);
  };
  VirtualDrawTree_Uninstall->OnFocusChanged = [this](ui::VNode* n) { UninstallFocusChanged(n); };
  Button_Edit->OnClick = [this] { Button_EditClick(); };
  Button_Delete->OnClick = [this] { Button_DeleteClick(); };
  Button_Add->OnClick = [this] { Button_AddClick(); };
  Button_Properties->OnClick = [this] { Button_PropertiesClick(); };
  Button_Uninstall_DELETE->OnClick = [this] { Button_Uninstall_DELETEClick(); };
  Button_Uninstall_Edit->OnClick = [this] { Button_Uninstall_EditClick(); };
  Button_Help1->OnClick = [] { ShowHelpTopic("ST"); };
  Button_Help2->OnClick = [] { ShowHelpTopic("ST"); };
  ShowProperties = [this](const std::string& file) {
    SHObjectProperties(Handle(), SHOP_FILEPATH, Widen(file).c_str(), nullptr);
  };
  OnResize = [this] { Layout(); };
}

ui::VTreeModel& TForm_ST_Result::Autostart() { return VirtualDrawTree_AUTOSTART->Tree(); }
ui::VTreeModel& TForm_ST_Result::Uninstall() { return VirtualDrawTree_Uninstall->Tree(); }

void TForm_ST_Result::FormCreate() {
  Button_LoadTranslation->Click();
  ShowPage(0);
  ListInstalledSoftware();
  BuildAutostartTree();
  Layout();
}

void TForm_ST_Result::ShowPage(int index) { JvPageControl1->SetActivePageIndex(index); }

void TForm_ST_Result::Layout() {
  JvPageControl1->SetBounds(0, 0, ClientWidth(), ClientHeight());
  auto place = [](ui::TabSheet* page, ui::VTreeView* tree, int below) {
    const int w = std::max(0, page->Width() - 16);
    tree->SetBounds(8, 8, w, std::max(40, page->Height() - below - 8));
    return tree->Top() + tree->Height();
  };
  // Buttons 8 pixels apart from the left, OK and help at the right.
  auto buttons = [](ui::TabSheet* page, int top, std::initializer_list<ui::Button*> left, ui::Button* ok,
                    ui::Button* help) {
    int x = kGap;
    for (ui::Button* b : left) {
      b->SetBounds(x, top, kButtonWidth, kButtonHeight);
      x += kButtonWidth + kGap;
    }
    int right = page->Width() - kGap;
    for (ui::Button* b : {help, ok}) {
      right -= kButtonWidth;
      b->SetBounds(right, top, kButtonWidth, kButtonHeight);
      right -= kGap;
    }
  };

  int bottom = place(TabSheet_ST, VirtualDrawTree_AUTOSTART, 80);
  const int w1 = std::max(0, TabSheet_ST->Width() - 16);
  Label_Autostart_Command->SetBounds(8, bottom + 4, w1, 14);
  Edit_Autostart_Command->SetBounds(8, bottom + 20, w1, 21);
  buttons(TabSheet_ST, bottom + 20 + 26, {Button_Edit, Button_Delete, Button_Add, Button_Properties}, Button_Ok,
          Button_Help1);

  bottom = place(TabSheet_ST2, VirtualDrawTree_Uninstall, 92);
  const int w2 = std::max(0, TabSheet_ST2->Width() - 16);
  const int half = (w2 - kGap) / 2;
  Label_Uninstall_DisplayName->SetBounds(8, bottom + 4, half, 14);
  Edit_Uninstall_DisplayName->SetBounds(8, bottom + 20, half, 21);
  Label_Uninstall_Command->SetBounds(8 + half + kGap, bottom + 4, half, 14);
  Edit_Uninstall_Command->SetBounds(8 + half + kGap, bottom + 20, half, 21);
  buttons(TabSheet_ST2, bottom + 20 + 26, {Button_Uninstall_DELETE, Button_Uninstall_Edit}, Button_Ok2, Button_Help2);
}

// ---- autostart entries ----------------------------------------------------------

void TForm_ST_Result::BuildAutostartTree() {
  Button_Edit->SetEnabled(false);
  Button_Delete->SetEnabled(false);
  Button_Properties->SetEnabled(false);
  Edit_Autostart_Command->SetText("");
  engine_.BuildAutostartTree(Autostart(), cleaning::ReadHideEmptyCategories(), Translator(*this));
  VirtualDrawTree_AUTOSTART->Invalidate();
}

void TForm_ST_Result::DrawAutostart(const ui::TreeCell& c) {
  const AutostartEntry& e = c.view->Tree().Data<AutostartEntry>(c.node);
  HIMAGELIST pictures = ImageList_AutoStartHEADER->Handle();
  if (e.IsCategoryNode) {
    c.Image(pictures, e.Category, 0, 2);
    c.BoldText(48, 12, e.DisplayName);
    return;
  }
  if (e.Icon)
    DrawIconEx(c.dc, c.rect.left, c.rect.top + 2, e.Icon, 32, 32, 0, nullptr, DI_NORMAL);
  else
    c.Image(pictures, e.Category, 0, 2);
  c.Text(48, 2, e.DisplayName);
  c.Text(48, 18, e.Command);
}

AutostartEntry* TForm_ST_Result::FocusedEntry() {
  ui::VNode* n = Autostart().FocusedNode();
  if (!n) return nullptr;
  AutostartEntry& e = Autostart().Data<AutostartEntry>(n);
  return e.IsCategoryNode ? nullptr : &e;
}

void TForm_ST_Result::AutostartFocusChanged(ui::VNode*) {
  const AutostartEntry* e = FocusedEntry();
  Button_Edit->SetEnabled(e != nullptr);
  Button_Delete->SetEnabled(e != nullptr);
  Button_Properties->SetEnabled(e && !e->Command.empty());
  Edit_Autostart_Command->SetText(e ? e->Command : std::string());
}

bool TForm_ST_Result::AutostartChecking(ui::VNode* node, ui::CheckState newState) {
  AutostartEntry& e = Autostart().Data<AutostartEntry>(node);
  if (e.IsCategoryNode) return true;
  MoveResult r;
  {
    BusyCursor busy(this, VirtualDrawTree_AUTOSTART);
    r = engine_.SetActive(e, newState == ui::CheckState::Checked);
  }
  if (r == MoveResult::Moved) return true;
  // The box keeps its state: it shows where the entry really is.
  if (r != MoveResult::Unchanged) ModuleMessage(*this, MoveMessage(r, e.DisplayName, Translator(*this)), KindOf(r));
  return false;
}

void TForm_ST_Result::ReportChange(ChangeResult r, const std::string& displayName) {
  if (r == ChangeResult::Done) return;
  ModuleMessage(*this, ChangeMessage(r, displayName, Translator(*this)),
                IsErrorResult(r) ? MsgKind::Error : MsgKind::Warning);
}

void TForm_ST_Result::Button_EditClick() {
  AutostartEntry* e = FocusedEntry();
  if (!e) return;
  const std::string text = Edit_Autostart_Command->Text();
  const TranslateFn tr = Translator(*this);
  if (UpperLocale(e->Command) == UpperLocale(text)) {
    ModuleMessage(*this, NotEditedMessage(tr), MsgKind::Warning);
    return;
  }
  if (ModuleMessage(*this, SureToEditMessage(e->DisplayName, tr), MsgKind::Warning, MsgButtons::YesNo) != IDYES)
    return;
  const std::string name = e->DisplayName;
  ChangeResult r;
  {
    BusyCursor busy(this, VirtualDrawTree_AUTOSTART);
    r = engine_.EditCommand(*e, text);
  }
  ReportChange(r, name);
  BuildAutostartTree();
}

void TForm_ST_Result::Button_DeleteClick() {
  AutostartEntry* e = FocusedEntry();
  if (!e) return;
  if (ModuleMessage(*this, SureToDeleteMessage(e->DisplayName, Translator(*this)), MsgKind::Warning,
                    MsgButtons::YesNo) != IDYES)
    return;
  const std::string name = e->DisplayName;
  ChangeResult r;
  {
    BusyCursor busy(this, VirtualDrawTree_AUTOSTART);
    r = engine_.DeleteEntry(*e);
  }
  ReportChange(r, name);
  BuildAutostartTree();
}

void TForm_ST_Result::Button_AddClick() {
  // Freed on every way out, accepted or not.
  std::unique_ptr<TForm_ST_New> dialog(new TForm_ST_New(this, engine_));
  dialog->DoCreate();
  cleaning::ShowModalWindow(*dialog);
  if (dialog->Result != 1) return;
  const std::string name = dialog->Edit_Name->Text();
  const std::string command = dialog->Edit_Command->Text();
  const AddPlace place = dialog->Place();
  dialog.reset();
  ChangeResult r;
  {
    BusyCursor busy(this, VirtualDrawTree_AUTOSTART);
    r = engine_.AddEntry(name, command, place);
  }
  ReportChange(r, name);
  BuildAutostartTree();
}

void TForm_ST_Result::Button_PropertiesClick() {
  const std::string file = PropertiesTarget(Edit_Autostart_Command->Text(), WinDir, SysDir,
                                            [](const std::string& p) { return FileExists(p); });
  if (!file.empty() && ShowProperties) ShowProperties(file);
}

// ---- installed software ----------------------------------------------------------

void TForm_ST_Result::ListInstalledSoftware() {
  Button_Uninstall_DELETE->SetEnabled(false);
  Button_Uninstall_Edit->SetEnabled(false);
  Edit_Uninstall_DisplayName->SetText("");
  Edit_Uninstall_Command->SetText("");
  ui::VTreeModel& t = Uninstall();
  t.BeginUpdate();
  t.Clear();
  for (UninstallEntry& e : st::ListInstalledSoftware(store_, places_.UninstallRoot, places_.UninstallKey))
    t.AddChild(nullptr, std::move(e));
  t.EndUpdate();
  VirtualDrawTree_Uninstall->Invalidate();
}

UninstallEntry* TForm_ST_Result::FocusedSoftware() {
  ui::VNode* n = Uninstall().FocusedNode();
  return n ? &Uninstall().Data<UninstallEntry>(n) : nullptr;
}

void TForm_ST_Result::UninstallFocusChanged(ui::VNode*) {
  const UninstallEntry* e = FocusedSoftware();
  Button_Uninstall_DELETE->SetEnabled(e != nullptr);
  Button_Uninstall_Edit->SetEnabled(e != nullptr);
  Edit_Uninstall_DisplayName->SetText(e ? e->DisplayName : std::string());
  Edit_Uninstall_Command->SetText(e ? e->UninstallString : std::string());
}

void TForm_ST_Result::Button_Uninstall_DELETEClick() {
  const UninstallEntry* e = FocusedSoftware();
  if (!e) return;
  if (ModuleMessage(*this, SureToDeleteInstalledMessage(e->DisplayName, Translator(*this)), MsgKind::Warning,
                    MsgButtons::YesNo) != IDYES)
    return;
  const UninstallEntry entry = *e;
  ChangeResult r;
  {
    BusyCursor busy(this, VirtualDrawTree_Uninstall);
    r = DeleteInstalledEntry(store_, places_.BackupDir, entry);
  }
  ReportChange(r, entry.DisplayName);
  ListInstalledSoftware();
}

void TForm_ST_Result::Button_Uninstall_EditClick() {
  const UninstallEntry* e = FocusedSoftware();
  if (!e) return;
  if (ModuleMessage(*this, SureToEditInstalledMessage(e->DisplayName, Translator(*this)), MsgKind::Warning,
                    MsgButtons::YesNo) != IDYES)
    return;
  const UninstallEntry entry = *e;
  ChangeResult r;
  {
    BusyCursor busy(this, VirtualDrawTree_Uninstall);
    r = EditInstalledEntry(store_, places_.BackupDir, entry, Edit_Uninstall_DisplayName->Text(),
                           Edit_Uninstall_Command->Text());
  }
  ReportChange(r, entry.DisplayName);
  ListInstalledSoftware();
}

}  // namespace qz::st
