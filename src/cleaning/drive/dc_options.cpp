#include "cleaning/drive/dc_options.h"

#include <memory>

#include "cleaning/drive/dc_dialogs.h"
#include "cleaning/drive/dc_search.h"
#include "cleaning/drive/drive_cleaner.h"
#include "cleaning/frame/fixed_drives.h"
#include "cleaning/frame/module_window.h"
#include "cleaning/frame/shell_icons.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/text.h"
#include "core/translation.h"
#include "ui/application.h"
#include "ui/form_translation.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::dc {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;

void FillFileTypeImages(ui::ImageList& list) {
  list.Clear();
  // One typical file name per picture: 0 temporary files, 5 help index,
  // 11 backups; the others serve user groups.
  static const wchar_t* const kNames[kFileTypeImageCount] = {
      L"x.tmp", L"x.txt", L"x.exe", L"x.dll", L"x.ini", L"x.hlp",
      L"x.log", L"x.bmp", L"x.lnk", L"x.zip", L"x.chk", L"x.bak"};
  for (const wchar_t* n : kNames) cleaning::AddShellIcon(list, n);
}

TForm_DC_Options::TForm_DC_Options(ui::Component* owner) : Form(owner, "TForm_DC_Options") {
  PageControl1 = cleaning::BuildOptionsWindow(*this, "Einstellungen zum Drive Cleaner");
  TabSheet_Drives = cleaning::AddOptionsTab(PageControl1, "TabSheet_Drives", "Laufwerke");
  TabSheet_Elements = cleaning::AddOptionsTab(PageControl1, "TabSheet_Elements", "Elemente");
  TabSheet_Options = cleaning::AddOptionsTab(PageControl1, "TabSheet_Options", "Optionen");
  TabSheet_Exceptions = cleaning::AddOptionsTab(PageControl1, "TabSheet_Exceptions", "Ausnahmen");

  // Tab 1: drives
  const cleaning::DriveListControls drives = cleaning::AddDriveList(this, TabSheet_Drives, 8, 320);
  ListView_Drives = drives.List;
  ImageList_Drives = drives.Images;

  // Tab 2: file-type groups
  ImageList_Filetypes = new ui::ImageList(this, "ImageList_Filetypes", 32, 32);
  VirtualDrawTree_DC_Filetype = new ui::VTreeView(TabSheet_Elements, "VirtualDrawTree_DC_Filetype");
  VirtualDrawTree_DC_Filetype->SetBounds(8, 8, 520, 284);
  VirtualDrawTree_DC_Filetype->AddColumn("Aktiv", 64);
  VirtualDrawTree_DC_Filetype->AddColumn("Beschreibung", 440);
  VirtualDrawTree_DC_Filetype->SetDefaultNodeHeight(40);
  VirtualDrawTree_DC_Filetype->SetShowRoot(false);
  VirtualDrawTree_DC_Filetype->SetShowTreeLines(false);
  VirtualDrawTree_DC_Filetype->SetMultiSelect(true);
  VirtualDrawTree_DC_Filetype->Tree().SetRecordType<DriveMaskGroupNode>();
  VirtualDrawTree_DC_Filetype->SetTabStop(true);
  Button_DC_FileTyp_Delete = new ui::Button(TabSheet_Elements, "Button_DC_FileTyp_Delete", "&Löschen");
  Button_DC_FileTyp_Delete->SetBounds(372, 302, 75, 25);
  Button_DC_FileTyp_Delete->Tag = 1;
  Button_DC_Filetyp_ADD = new ui::Button(TabSheet_Elements, "Button_DC_Filetyp_ADD", "&Hinzufügen");
  Button_DC_Filetyp_ADD->SetBounds(453, 302, 75, 25);
  Button_DC_Filetyp_ADD->Tag = 1;

  // Tab 3: options
  auto box = [this](ui::GroupBox*& g, const char* name, const char* caption, int top, int height) {
    g = new ui::GroupBox(TabSheet_Options, name, caption);
    g->SetBounds(8, top, 520, height);
    g->Tag = 1;
  };
  auto check = [](ui::GroupBox* g, ui::CheckBox*& c, const char* name, const char* caption, int top,
                  bool checked) {
    c = new ui::CheckBox(g, name, caption);
    c->WordWrap = true;
    c->SetBounds(12, top, 496, 28);
    c->SetChecked(checked);
    c->SetTabStop(true);
    c->Tag = 1;
  };
  box(GroupBox_Options, "GroupBox_Options", "Optionen", 8, 56);
  check(GroupBox_Options, CheckBox_DC_Ignore_InUseOrWriteProtected, "CheckBox_DC_Ignore_InUseOrWriteProtected",
        "Dateien mit Schreibschutz, oder solche die in Benutzung sind, ignorieren (empfohlen)", 20, true);
  box(GroupBox_Links, "GroupBox_Links", "Verknüpfungen", 72, 84);
  check(GroupBox_Links, CheckBox_DC_LNK, "CheckBox_DC_LNK", "Verwaiste Verknüpfungen (*.LNK) untersuchen", 20,
        false);
  check(GroupBox_Links, CheckBox_DC_PIF, "CheckBox_DC_PIF", "Verwaiste DOS-Verknüpfungen (*.PIF) untersuchen",
        50, false);
  box(GroupBox_Folders, "GroupBox_Folders", "Ordner leeren", 164, 116);
  check(GroupBox_Folders, CheckBox_TMPDir_ALL, "CheckBox_TMPDir_ALL",
        "Inhalt von Ordner \"Temporäre Dateien\" für alle Benutzer löschen", 20, true);
  check(GroupBox_Folders, CheckBox_TMPDir_USER, "CheckBox_TMPDir_USER",
        "Inhalt von Ordner \"Temporäre Dateien\" für aktuellen Benutzer löschen", 50, true);
  check(GroupBox_Folders, CheckBox_Minidump, "CheckBox_Minidump",
        "Inhalt von Ordner \"Minidump\" leeren (zeigt nur Wirkung unter Windows 2000 / XP)", 80, true);

  // Tab 4: exceptions
  ImageList_Ausnahme = new ui::ImageList(this, "ImageList_Ausnahme", 24, 24);
  VirtualDrawTree_Ausnahmen = new ui::VTreeView(TabSheet_Exceptions, "VirtualDrawTree_Ausnahmen");
  VirtualDrawTree_Ausnahmen->SetBounds(8, 8, 520, 284);
  VirtualDrawTree_Ausnahmen->AddColumn("Beschreibung", 480);
  VirtualDrawTree_Ausnahmen->SetHeaderVisible(false);
  VirtualDrawTree_Ausnahmen->SetDefaultNodeHeight(30);
  VirtualDrawTree_Ausnahmen->SetShowRoot(false);
  VirtualDrawTree_Ausnahmen->SetShowTreeLines(false);
  VirtualDrawTree_Ausnahmen->SetMultiSelect(true);
  VirtualDrawTree_Ausnahmen->Tree().SetRecordType<DriveExceptionNode>();
  VirtualDrawTree_Ausnahmen->SetTabStop(true);
  Button_Ausnahme_Delete = new ui::Button(TabSheet_Exceptions, "Button_Ausnahme_Delete", "&Löschen");
  Button_Ausnahme_Delete->SetBounds(372, 302, 75, 25);
  Button_Ausnahme_Delete->Tag = 1;
  Button_Ausnahme_Add = new ui::Button(TabSheet_Exceptions, "Button_Ausnahme_Add", "&Hinzufügen");
  Button_Ausnahme_Add->SetBounds(453, 302, 75, 25);
  Button_Ausnahme_Add->Tag = 1;

  const cleaning::OkHelpButtons buttons = cleaning::AddOkHelpButtons(*this, 386, "DC");
  Button_Help = buttons.Help;
  Button_Ok = buttons.Ok;

  const TranslationButtons tb = AddTranslationButtons(*this, [this] { Translate(); });
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  // ---- drawing
  VirtualDrawTree_DC_Filetype->OnDrawNode = [this](const ui::TreeCell& c) {
    const DriveMaskGroupNode& d = VirtualDrawTree_DC_Filetype->Tree().Data<DriveMaskGroupNode>(c.node);
    if (c.column == 0) {
      c.Image(ImageList_Filetypes->Handle(), d.ImageIndex, 0, 2);
    } else {
      c.Text(0, 4, d.Name);
      std::string masks;
      for (const std::string& m : d.Masks) masks += (masks.empty() ? "" : " ; ") + m;
      c.Text(0, 18, masks);
    }
  };
  VirtualDrawTree_Ausnahmen->OnDrawNode = [this](const ui::TreeCell& c) {
    const DriveExceptionNode& d = VirtualDrawTree_Ausnahmen->Tree().Data<DriveExceptionNode>(c.node);
    c.Image(ImageList_Ausnahme->Handle(), d.ImageIndex, 0, 2);
    c.Text(28, 8, d.Path);
  };

  // ---- handlers
  Button_DC_FileTyp_Delete->OnClick = [this] { Button_DC_FileTyp_DeleteClick(); };
  Button_DC_Filetyp_ADD->OnClick = [this] { Button_DC_Filetyp_ADDClick(); };
  Button_Ausnahme_Delete->OnClick = [this] { Button_Ausnahme_DeleteClick(); };
  Button_Ausnahme_Add->OnClick = [this] { Button_Ausnahme_AddClick(); };
  // Every close stores the settings, whichever way the window was closed.
  OnClose = [this](ui::CloseAction&) { SaveDriveCleanerOptions(); };
}

void TForm_DC_Options::Translate() {
  if (TranslationFile.empty()) return;
  TranslateForm(TranslationFile, *this);
  TranslateListViewColumns(Name, *ListView_Drives);
  TranslateTreeColumns(Name, *VirtualDrawTree_DC_Filetype);
}

void TForm_DC_Options::FormCreate() {
  Location = SettingsLocation::Default();
  Button_LoadTranslation->Click();
  PageControl1->SetActivePageIndex(0);
  FillFileTypeImages(*ImageList_Filetypes);
  ImageList_Ausnahme->Clear();
  cleaning::AddShellIcon(*ImageList_Ausnahme, L"x.txt");
  cleaning::AddShellIcon(*ImageList_Ausnahme, L"folder", FILE_ATTRIBUTE_DIRECTORY);

  if (!LoadMaskGroups()) QuitForMissingListFile();
  DriveCleanerOptions o;
  LoadOptions(Location, o);
  CheckBox_TMPDir_ALL->SetChecked(o.TMPDir_ALL);
  CheckBox_TMPDir_USER->SetChecked(o.TMPDir_User);
  CheckBox_Minidump->SetChecked(o.Minidump);
  CheckBox_DC_LNK->SetChecked(o.LNK);
  CheckBox_DC_PIF->SetChecked(o.PIF);
  CheckBox_DC_Ignore_InUseOrWriteProtected->SetChecked(o.WriteProtected);
  FillDriveList();
}

// ---- the live settings -----------------------------------------------------

DriveCleanerOptions TForm_DC_Options::CurrentOptions() const {
  DriveCleanerOptions o;
  o.TMPDir_ALL = CheckBox_TMPDir_ALL->Checked();
  o.TMPDir_User = CheckBox_TMPDir_USER->Checked();
  o.Minidump = CheckBox_Minidump->Checked();
  o.LNK = CheckBox_DC_LNK->Checked();
  o.PIF = CheckBox_DC_PIF->Checked();
  o.WriteProtected = CheckBox_DC_Ignore_InUseOrWriteProtected->Checked();
  return o;
}

std::vector<DriveRow> TForm_DC_Options::CurrentDrives() const { return cleaning::ReadDriveList(*ListView_Drives); }

std::vector<MaskGroup> TForm_DC_Options::CurrentGroups() {
  std::vector<MaskGroup> out;
  ui::VTreeModel& t = VirtualDrawTree_DC_Filetype->Tree();
  for (VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n)) {
    const DriveMaskGroupNode& d = t.Data<DriveMaskGroupNode>(n);
    MaskGroup g;
    g.Name = d.Name;
    g.Masks = d.Masks;
    g.ImageIndex = d.ImageIndex;
    g.Checked = t.GetCheckState(n) == CheckState::Checked;
    out.push_back(std::move(g));
  }
  return out;
}

std::vector<ExceptionEntry> TForm_DC_Options::CurrentExceptions() {
  std::vector<ExceptionEntry> out;
  ui::VTreeModel& t = VirtualDrawTree_Ausnahmen->Tree();
  for (VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n)) out.push_back(t.Data<DriveExceptionNode>(n));
  return out;
}

DriveCleanerSettings TForm_DC_Options::CurrentSettings() {
  DriveCleanerSettings s;
  s.Options = CurrentOptions();
  s.Drives = CurrentDrives();
  s.Groups = CurrentGroups();
  s.Exceptions = CurrentExceptions();
  return s;
}

// ---- loading and storing ---------------------------------------------------

VNode* TForm_DC_Options::AddMaskGroupNode(const std::string& name, const StringList& masks, bool checked,
                                          int32_t imageIndex) {
  ui::VTreeModel& t = VirtualDrawTree_DC_Filetype->Tree();
  DriveMaskGroupNode d;
  d.Name = name;
  d.Masks = masks;
  d.ImageIndex = imageIndex;
  VNode* n = t.AddChild(nullptr, std::move(d));
  t.SetCheckType(n, CheckType::CheckBox);
  t.SetCheckState(n, checked ? CheckState::Checked : CheckState::Unchecked);
  return n;
}

VNode* TForm_DC_Options::AddExceptionNode(const std::string& path, bool isFolder, bool isBuiltIn) {
  return VirtualDrawTree_Ausnahmen->Tree().AddChild(nullptr, MakeException(path, isFolder, isBuiltIn));
}

VNode* TForm_DC_Options::AddUserException(const std::string& path, bool isFolder) {
  std::vector<ExceptionEntry> current = CurrentExceptions();
  if (!dc::AddUserException(current, path, isFolder)) return nullptr;
  const ExceptionEntry& added = current.back();
  return AddExceptionNode(added.Path, isFolder, false);
}

bool TForm_DC_Options::LoadMaskGroups() {
  ui::VTreeModel& t = VirtualDrawTree_DC_Filetype->Tree();
  t.Clear();
  for (const MaskGroup& g : dc::LoadMaskGroups(Location, Translator(*this)))
    AddMaskGroupNode(g.Name, g.Masks, g.Checked, g.ImageIndex);
  return LoadDriveExceptions();
}

bool TForm_DC_Options::LoadDriveExceptions() {
  std::vector<ExceptionEntry> list;
  ExceptionLoad r = dc::LoadDriveExceptions(Location, AppDir, list, Handle());
  ui::VTreeModel& t = VirtualDrawTree_Ausnahmen->Tree();
  t.Clear();
  if (r != ExceptionLoad::Ok) return false;
  // Lists of tens of thousands of lines: one update of the view, messages
  // answered meanwhile.
  t.BeginUpdate();
  for (const ExceptionEntry& e : list) {
    AddExceptionNode(e.Path, e.IsFolder != 0, e.IsBuiltIn != 0);
    PumpMessagesThrottled();
  }
  t.EndUpdate();
  return true;
}

void TForm_DC_Options::FillDriveList() {
  std::vector<DriveRow> rows = cleaning::ListFixedDrives();
  cleaning::ApplyDriveChoice(Location.root, Location.key, rows);
  cleaning::FillDriveList(*ListView_Drives, *ImageList_Drives, rows);
}

bool TForm_DC_Options::SaveDriveCleanerOptions() {
  if (dc::SaveDriveCleanerOptions(Location, CurrentSettings())) return true;
  ModuleMessage(*this, SaveFailedMessage(Translator(*this)), MsgKind::Error);
  return false;
}

// ---- buttons ---------------------------------------------------------------

void TForm_DC_Options::Button_DC_FileTyp_DeleteClick() {
  ui::VTreeModel& t = VirtualDrawTree_DC_Filetype->Tree();
  if (!t.GetFirstSelected()) return;
  const std::string text = Tr(*this, "MESSAGE_SureToDeleteFileTyp",
                              "Sind Sie sicher, dass Sie den markierte Dateityp entfernen wollen?\r"
                              "Drive-Cleaner wird dann nicht mehr nach solchen Dateien suchen.");
  if (ModuleMessage(*this, text, MsgKind::Warning, MsgButtons::YesNo) != IDYES) return;
  for (VNode* n : t.SelectedNodes()) t.DeleteNode(n);
}

void TForm_DC_Options::Button_DC_Filetyp_ADDClick() {
  std::unique_ptr<TForm_DC_NewTyp> dlg(new TForm_DC_NewTyp(this));
  dlg->DoCreate();
  cleaning::ShowModalWindow(*dlg);
  const bool ok = dlg->Result;
  const std::string name = dlg->Edit1->Text();
  const std::string masks = UpperLocale(dlg->Edit2->Text());
  dlg.reset();
  if (!ok) return;
  MaskGroup g;
  switch (CheckNewMaskGroup(name, masks, g)) {
    case NewGroupCheck::Ok:
      AddMaskGroupNode(g.Name, g.Masks, true, g.ImageIndex);
      break;
    case NewGroupCheck::TooBroad:
      ModuleMessage(*this, TooBroadMaskMessage(Translator(*this)), MsgKind::Warning);
      break;
    case NewGroupCheck::Empty:
      break;
  }
}

void TForm_DC_Options::Button_Ausnahme_DeleteClick() {
  ui::VTreeModel& t = VirtualDrawTree_Ausnahmen->Tree();
  if (!t.GetFirstSelected()) return;
  bool builtInSelected = false;
  for (VNode* n : t.SelectedNodes()) {
    if (t.Data<DriveExceptionNode>(n).IsBuiltIn) {
      builtInSelected = true;
      continue;
    }
    t.DeleteNode(n);
  }
  if (builtInSelected)
    ModuleMessage(*this,
                  Tr(*this, "MESSAGE_CantDeleteThisExc",
                     "Diese Ausnahme ist fest einprogrammiert.\r"
                     "Zu Ihrer Sicherheit kann diese Ausnahme nicht geändert werden."),
                  MsgKind::Warning);
}

void TForm_DC_Options::Button_Ausnahme_AddClick() {
  std::unique_ptr<TForm_DC_NewExc> dlg(new TForm_DC_NewExc(this));
  dlg->DoCreate();
  cleaning::ShowModalWindow(*dlg);
  const bool ok = dlg->Result;
  const std::string path = Trim(dlg->Edit_Name->Text());
  const bool asDir = dlg->RadioButton_asDir->Checked();
  dlg.reset();
  if (!ok || path.empty()) return;
  AddUserException(path, asDir);
}

}  // namespace qz::dc
