#include "cleaning/registry/rc_options.h"

#include "cleaning/frame/fixed_drives.h"
#include "cleaning/frame/module_window.h"
#include "cleaning/frame/shell_icons.h"
#include "core/globals.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::rc {

void FillKindImages(ui::ImageList& list) {
  list.Clear();
  // The shell's picture of a typical file per kind (indices as the kinds
  // name them; 2 and 4 are spare).
  struct Pic {
    const wchar_t* name;
    DWORD attributes;
  };
  static const Pic kPictures[kKindImageCount] = {
      {L"search", FILE_ATTRIBUTE_DIRECTORY},  // 0 recently searched
      {L"x.exe", FILE_ATTRIBUTE_NORMAL},      // 1 recently run
      {L"x.ini", FILE_ATTRIBUTE_NORMAL},      // 2
      {L"x.ocx", FILE_ATTRIBUTE_NORMAL},      // 3 ActiveX, icons
      {L"x.cfg", FILE_ATTRIBUTE_NORMAL},      // 4
      {L"x.hlp", FILE_ATTRIBUTE_NORMAL},      // 5 help files
      {L"x.lnk", FILE_ATTRIBUTE_NORMAL},      // 6 application paths
      {L"x.ttf", FILE_ATTRIBUTE_NORMAL},      // 7 fonts
      {L"x.dll", FILE_ATTRIBUTE_NORMAL},      // 8 COM / OLE
      {L"x.wav", FILE_ATTRIBUTE_NORMAL},      // 9 system sounds
      {L"x.sys", FILE_ATTRIBUTE_NORMAL},      // 10 shared DLLs
      {L"x.txt", FILE_ATTRIBUTE_NORMAL},      // 11 file types
      {L"x.wma", FILE_ATTRIBUTE_NORMAL},      // 12 Media Player
      {L"x.bmp", FILE_ATTRIBUTE_NORMAL},      // 13 Paint
      {L"x.rtf", FILE_ATTRIBUTE_NORMAL},      // 14 WordPad
      {L"x.htm", FILE_ATTRIBUTE_NORMAL},      // 15 GetRight
      {L"x.zip", FILE_ATTRIBUTE_NORMAL},      // 16 WinZip
  };
  for (const Pic& p : kPictures) cleaning::AddShellIcon(list, p.name, p.attributes);
}

TForm_RC_Options::TForm_RC_Options(ui::Component* owner) : Form(owner, "TForm_RC_Options") {
  PageControl1 = cleaning::BuildOptionsWindow(*this, "Einstellungen zum Registry Cleaner");
  TabSheet_Drives = cleaning::AddOptionsTab(PageControl1, "TabSheet_Drives", "Laufwerke");
  TabSheet_Types = cleaning::AddOptionsTab(PageControl1, "TabSheet_Types", "Einträge");

  // The explanation at the top of a tab.
  auto tabText = [](ui::TabSheet* tab, const char* name, const char* caption) {
    auto* l = new ui::RichLabel(tab, name, caption);
    l->SetBounds(8, 8, 520, 30);
    l->Tag = 1;
    return l;
  };

  // Tab 1: drives
  JvLinkLabel_Drives = tabText(TabSheet_Drives, "JvLinkLabel_Drives",
                               "Verweise auf Dateien und Ordner werden nur auf den markierten Laufwerken "
                               "überprüft:");
  const cleaning::DriveListControls drives = cleaning::AddDriveList(this, TabSheet_Drives, 44, 284);
  ListView_Drives = drives.List;
  ImageList_Drives = drives.Images;

  // Tab 2: kinds
  JvLinkLabel_Types = tabText(
      TabSheet_Types, "JvLinkLabel_Types",
      "Folgende Arten von <u>verwaisten</u> Einträgen in der Registrierdatenbank sollen gesucht werden:");
  ImageList_REG = new ui::ImageList(this, "ImageList_REG", 32, 32);
  VirtualDrawTree_RC_Types = new ui::VTreeView(TabSheet_Types, "VirtualDrawTree_RC_Types");
  VirtualDrawTree_RC_Types->SetBounds(8, 44, 520, 284);
  VirtualDrawTree_RC_Types->AddColumn("", 496);
  VirtualDrawTree_RC_Types->SetHeaderVisible(false);
  VirtualDrawTree_RC_Types->SetDefaultNodeHeight(kKindRowHeight);
  VirtualDrawTree_RC_Types->SetShowRoot(false);
  VirtualDrawTree_RC_Types->SetShowTreeLines(false);
  VirtualDrawTree_RC_Types->Tree().SetRecordType<RegCheckKindNode>();
  VirtualDrawTree_RC_Types->SetTabStop(true);

  const cleaning::OkHelpButtons buttons = cleaning::AddOkHelpButtons(*this, 386, "RC");
  Button_Help = buttons.Help;
  Button_Ok = buttons.Ok;

  const TranslationButtons tb = AddTranslationButtons(*this, [this] { Translate(); });
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  VirtualDrawTree_RC_Types->OnDrawNode = [this](const ui::TreeCell& c) {
    const RegCheckKindNode& d = VirtualDrawTree_RC_Types->Tree().Data<RegCheckKindNode>(c.node);
    c.Image(ImageList_REG->Handle(), d.ImageIndex, 2, 8);
    c.BoldText(40, 8, d.Name, c.Width() - 40);
    c.Text(40, 24, d.Description, c.Width() - 40);
  };
  // Every close stores the choice, whichever way the window was closed.
  OnClose = [this](ui::CloseAction&) { SaveSettings(); };
}

void TForm_RC_Options::Translate() {
  if (TranslationFile.empty()) return;
  TranslateForm(TranslationFile, *this);
  TranslateListViewColumns(Name, *ListView_Drives);
}

void TForm_RC_Options::FormCreate() {
  Location = OptionsLocation::Default();
  Button_LoadTranslation->Click();
  PageControl1->SetActivePageIndex(0);
  FillKindImages(*ImageList_REG);
  LoadKinds();
  FillDriveList();
}

void TForm_RC_Options::LoadKinds() {
  ui::VTreeModel& t = VirtualDrawTree_RC_Types->Tree();
  BuildCheckKindTree(t, Translator(*this));
  ApplyStoredKinds(Location, t);
  VirtualDrawTree_RC_Types->Invalidate();
}

void TForm_RC_Options::FillDriveList() {
  // Every hard disk is tested unless the user unchecked it.
  std::vector<cleaning::DriveRow> rows = cleaning::ListFixedDrives();
  for (cleaning::DriveRow& r : rows) r.Checked = true;
  cleaning::ApplyDriveChoice(Location.root, Location.key, rows);
  cleaning::FillDriveList(*ListView_Drives, *ImageList_Drives, rows);
}

std::vector<cleaning::DriveRow> TForm_RC_Options::CurrentDrives() const {
  return cleaning::ReadDriveList(*ListView_Drives);
}

std::string TForm_RC_Options::CheckedDrives() const { return cleaning::CheckedDriveLetters(CurrentDrives()); }

std::vector<KindChoice> TForm_RC_Options::CheckedKindList() { return CheckedKinds(VirtualDrawTree_RC_Types->Tree()); }

bool TForm_RC_Options::SaveSettings() {
  // Settings that cannot be written are not reported.
  bool ok = cleaning::SaveDriveChoice(Location.root, Location.key, CurrentDrives());
  return SaveKinds(Location, VirtualDrawTree_RC_Types->Tree()) && ok;
}

}  // namespace qz::rc
