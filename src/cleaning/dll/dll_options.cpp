#include "cleaning/dll/dll_options.h"

#include "cleaning/frame/fixed_drives.h"
#include "cleaning/frame/module_window.h"
#include "core/globals.h"
#include "core/text.h"
#include "ui/dialogs.h"
#include "ui/form_translation.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::dll {

namespace {

std::vector<size_t> SelectedIndices(const ui::ListBox& list) {
  std::vector<size_t> out;
  for (int i = 0; i < list.ItemCount(); ++i)
    if (list.Selected(i)) out.push_back(static_cast<size_t>(i));
  return out;
}

}  // namespace

TForm_DLL_Options::TForm_DLL_Options(ui::Component* owner) : Form(owner, "TForm_DLL_Options") {
  PageControl1 = cleaning::BuildOptionsWindow(*this, "Einstellungen zum DLL-Cleaner");
  TabSheet_Drives = cleaning::AddOptionsTab(PageControl1, "TabSheet_Drives", "Laufwerke");
  TabSheet_Dirs = cleaning::AddOptionsTab(PageControl1, "TabSheet_Dirs", "Ausnahmen - Ordner");
  TabSheet_Files = cleaning::AddOptionsTab(PageControl1, "TabSheet_Files", "Ausnahmen - Dateien");
  TabSheet_Compare = cleaning::AddOptionsTab(PageControl1, "TabSheet_Compare", "Vergleichsmuster");

  // Tab 1: drives
  const cleaning::DriveListControls drives = cleaning::AddDriveList(this, TabSheet_Drives, 8, 320);
  ListView_Drives = drives.List;
  ImageList_Drives = drives.Images;

  auto button = [](ui::TabSheet* page, ui::Button*& b, const char* name, const char* caption, int left, int top,
                   int width = 75) {
    b = new ui::Button(page, name, caption);
    b->SetBounds(left, top, width, 25);
    b->SetTabStop(true);
    b->Tag = 1;
  };
  auto list = [](ui::TabSheet* page, ui::ListBox*& l, const char* name, int height) {
    l = new ui::ListBox(page, name);
    l->MultiSelect = true;
    l->Sorted = true;
    l->SetBounds(8, 8, 520, height);
    l->SetTabStop(true);
  };

  // Tab 2: folders
  list(TabSheet_Dirs, ListBox_DLL_Dirs, "ListBox_DLL_Dirs", 284);
  button(TabSheet_Dirs, Button_DLL_DeleteDir, "Button_DLL_DeleteDir", "&Löschen", 372, 302);
  button(TabSheet_Dirs, Button_DLL_AddDir, "Button_DLL_AddDir", "&Hinzufügen", 453, 302);
  JvBrowseForFolderDialog_DLL = new ui::FolderDialog(this, "JvBrowseForFolderDialog_DLL");

  // Tab 3: files
  list(TabSheet_Files, ListBox_DLL_Files, "ListBox_DLL_Files", 252);
  Edit_DLL_File = new ui::Edit(TabSheet_Files, "Edit_DLL_File");
  Edit_DLL_File->SetBounds(8, 270, 488, 21);
  Edit_DLL_File->SetTabStop(true);
  button(TabSheet_Files, Button_DLL_SelectFile, "Button_DLL_SelectFile", "...", 502, 268, 26);
  Button_DLL_SelectFile->Tag = 0;
  button(TabSheet_Files, Button_DLL_DeleteFile, "Button_DLL_DeleteFile", "&Löschen", 372, 302);
  button(TabSheet_Files, Button_DLL_AddFile, "Button_DLL_AddFile", "&Hinzufügen", 453, 302);
  JvOpenDialog_DLL = new ui::OpenDialog(this, "JvOpenDialog_DLL");
  JvOpenDialog_DLL->Filter = "DLL (*.dll)|*.dll";

  // Tab 4: the comparison rules
  auto check = [this](ui::CheckBox*& c, const char* name, const char* caption, int top, bool checked) {
    c = new ui::CheckBox(TabSheet_Compare, name, caption);
    c->WordWrap = true;
    c->SetBounds(16, top, 500, 28);
    c->SetChecked(checked);
    c->SetTabStop(true);
    c->Tag = 1;
  };
  check(CheckBox_DLL_SameSize, "CheckBox_DLL_SameSize", "DLLs mit gleicher Dateigrösse finden", 16, false);
  check(CheckBox_DLL_SameVersion, "CheckBox_DLL_SameVersion",
        "DLLs mit höherer (oder gleicher) Versionsnummer finden", 52, true);
  check(CheckBox_DLL_Both, "CheckBox_DLL_Both",
        "DLLs mit gleicher Dateigrösse und gleicher Versionsnummer finden", 88, true);
  check(CheckBox_DLL_WriteProtected, "CheckBox_DLL_WriteProtected",
        "Auch schreibgeschützte DLLs finden (nicht empfohlen)", 140, false);

  const cleaning::OkHelpButtons okHelp = cleaning::AddOkHelpButtons(*this, 386, "DLL");
  Button_Help = okHelp.Help;
  Button_Ok = okHelp.Ok;

  const TranslationButtons tb = AddTranslationButtons(*this, [this] { Translate(); });
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  Button_DLL_AddDir->OnClick = [this] { Button_DLL_AddDirClick(); };
  Button_DLL_DeleteDir->OnClick = [this] { Button_DLL_DeleteDirClick(); };
  Button_DLL_SelectFile->OnClick = [this] { Button_DLL_SelectFileClick(); };
  Button_DLL_AddFile->OnClick = [this] { Button_DLL_AddFileClick(); };
  Button_DLL_DeleteFile->OnClick = [this] { Button_DLL_DeleteFileClick(); };
  // Every close stores the settings, whichever way the window was closed.
  OnClose = [this](ui::CloseAction&) { SaveDllOptions(); };
}

void TForm_DLL_Options::Translate() {
  if (TranslationFile.empty()) return;
  TranslateForm(TranslationFile, *this);
  TranslateListViewColumns(Name, *ListView_Drives);
}

void TForm_DLL_Options::FormCreate() {
  Location = DllSettingsLocation();
  Button_LoadTranslation->Click();
  PageControl1->SetActivePageIndex(0);
  DllOptions o;
  dll::LoadDllOptions(Location, AppDir, o, Handle());
  cleaning::FillDriveList(*ListView_Drives, *ImageList_Drives, o.Drives);
  ShowLists(o);
  CheckBox_DLL_SameSize->SetChecked(o.SameSize);
  CheckBox_DLL_SameVersion->SetChecked(o.SameVersion);
  CheckBox_DLL_Both->SetChecked(o.Both);
  CheckBox_DLL_WriteProtected->SetChecked(o.WriteProtected);
}

void TForm_DLL_Options::ShowLists(const DllOptions& o) {
  ListBox_DLL_Dirs->SetItems(o.Folders);
  ListBox_DLL_Files->SetItems(o.Files);
}

DllOptions TForm_DLL_Options::CurrentOptions() const {
  DllOptions o;
  o.SameSize = CheckBox_DLL_SameSize->Checked();
  o.SameVersion = CheckBox_DLL_SameVersion->Checked();
  o.Both = CheckBox_DLL_Both->Checked();
  o.WriteProtected = CheckBox_DLL_WriteProtected->Checked();
  o.Drives = cleaning::ReadDriveList(*ListView_Drives);
  o.Folders = ListBox_DLL_Dirs->Items();
  o.Files = ListBox_DLL_Files->Items();
  return o;
}

void TForm_DLL_Options::LoadDllOptions() {
  DllOptions o = CurrentOptions();
  LoadDllLists(Location, AppDir, BuiltInDllFolders(WinTempDir, UserTempDir, o.Drives), o, Handle());
  ShowLists(o);
}

bool TForm_DLL_Options::SaveDllOptions() {
  if (dll::SaveDllOptions(Location, CurrentOptions())) return true;
  ModuleMessage(*this,
                Tr(*this, "MESSAGE_SaveFailed",
                   "Die Einstellungen des DLL Cleaners konnten nicht vollständig gespeichert werden."),
                MsgKind::Error);
  return false;
}

// ---- the list buttons ----------------------------------------------------------

void TForm_DLL_Options::Button_DLL_AddDirClick() {
  if (!JvBrowseForFolderDialog_DLL->Execute(this)) return;
  StringList items = ListBox_DLL_Dirs->Items();
  const std::string folder = JvBrowseForFolderDialog_DLL->Directory;
  if (AddDllFolderException(items, folder)) ListBox_DLL_Dirs->AddItem(folder);
}

void TForm_DLL_Options::Button_DLL_DeleteDirClick() {
  StringList items = ListBox_DLL_Dirs->Items();
  RemoveListEntries(items, SelectedIndices(*ListBox_DLL_Dirs));
  ListBox_DLL_Dirs->SetItems(items);
}

void TForm_DLL_Options::Button_DLL_SelectFileClick() {
  if (JvOpenDialog_DLL->Execute(this)) Edit_DLL_File->SetText(JvOpenDialog_DLL->FileName);
}

void TForm_DLL_Options::Button_DLL_AddFileClick() {
  StringList items = ListBox_DLL_Files->Items();
  switch (AddDllFileException(items, Edit_DLL_File->Text())) {
    case AddDllFile::Added:
      ListBox_DLL_Files->AddItem(items.back());
      break;
    case AddDllFile::NotDll:
      ModuleMessage(*this, PleaseSelectDllMessage(Translator(*this)), MsgKind::Information);
      break;
    case AddDllFile::Empty:
    case AddDllFile::Present:
      break;
  }
}

void TForm_DLL_Options::Button_DLL_DeleteFileClick() {
  StringList items = ListBox_DLL_Files->Items();
  RemoveListEntries(items, SelectedIndices(*ListBox_DLL_Files));
  ListBox_DLL_Files->SetItems(items);
}

}  // namespace qz::dll
