// The options window and its two dialogs: the drive list, the file-type
// groups, the exceptions, the save on every close, and the fatal box for a
// missing exception-list file.
#include "cleaning/drive/dc_dialogs.h"
#include "dcui_fixture.h"
#include "ui/listview.h"

namespace qz::dc::uitest {
namespace {

using OptionsTest = DcUiTest;

// Answers the next dialog the options window opens.
void AnswerNewTyp(const std::string& name, const std::string& masks, bool ok) {
  cleaning::SetModalHook([=](ui::Form& f) {
    auto* d = dynamic_cast<TForm_DC_NewTyp*>(&f);
    EXPECT_TRUE(d);
    if (!d) return ui::mrCancel;
    d->Edit1->SetText(name);
    d->Edit2->SetText(masks);
    (ok ? d->Button_Ok : d->Button_Cancel)->Click();
    return d->ModalResult();
  });
}

void AnswerNewExc(const std::string& path, bool asDir) {
  cleaning::SetModalHook([=](ui::Form& f) {
    auto* d = dynamic_cast<TForm_DC_NewExc*>(&f);
    EXPECT_TRUE(d);
    if (!d) return ui::mrCancel;
    d->Edit_Name->SetText(path);
    (asDir ? d->RadioButton_asDir : d->RadioButton_asFile)->SetChecked(true);
    d->Button_Ok->Click();
    return d->ModalResult();
  });
}

std::vector<std::string> Paths(TForm_DC_Options& o) {
  std::vector<std::string> v;
  for (const ExceptionEntry& e : o.CurrentExceptions()) v.push_back(e.Path);
  return v;
}

// The fixed drives only (the sandbox's C:, and D: as a hard disk; E: is a CD
// drive and F: a network drive), each with the root path as its sub-item;
// the stored choice decides the checks, by exact letter.
TEST_F(OptionsTest, DriveListShowsFixedDrivesOnly) {
  RegSetStringChecked(HKEY_LOCAL_MACHINE, optionsKey, "DX", "0");  // not a drive value
  auto w = MakeWindow();
  ui::ListView* list = w->Options()->ListView_Drives;
  std::vector<std::string> roots;
  for (int i = 0; i < list->ItemCount(); ++i) roots.push_back(list->ItemText(i, 1));
  EXPECT_EQ(roots, (std::vector<std::string>{"C:\\", "D:\\"}));
  ASSERT_EQ(list->ItemCount(), 2);
  EXPECT_FALSE(list->Checked(0));  // "C" = "0"
  EXPECT_TRUE(list->Checked(1));   // "D" = "1"
  EXPECT_FALSE(Trim(list->ItemText(1, 0)).empty());
  EXPECT_EQ(cleaning::CheckedDriveLetters(w->Options()->CurrentDrives()), "D");

  // Without stored values a drive with a display name is checked.
  RegRemoveValue(HKEY_LOCAL_MACHINE, optionsKey, "C");
  RegRemoveValue(HKEY_LOCAL_MACHINE, optionsKey, "D");
  w->Options()->FillDriveList();
  ASSERT_EQ(list->ItemCount(), 2);
  EXPECT_TRUE(list->Checked(0));
  EXPECT_TRUE(list->Checked(1));
}

TEST_F(OptionsTest, DefaultGroupsWhenNoneAreStored) {
  RegRemoveKey(HKEY_LOCAL_MACHINE, optionsKey + "\\Mask");
  auto w = MakeWindow();
  std::vector<MaskGroup> g = w->Options()->CurrentGroups();
  ASSERT_EQ(g.size(), 7u);
  EXPECT_EQ(g[0].Name, "Temporäre Dateien");
  EXPECT_EQ(g[0].Masks, (StringList{"*.TMP", "*._MP", "*.~MP"}));
  EXPECT_TRUE(g[4].Checked);
  EXPECT_FALSE(g[5].Checked);
  EXPECT_FALSE(g[6].Checked);
  EXPECT_EQ(g[6].ImageIndex, 5);
}

// Adding groups through the dialog: accepted and stored upper-cased and
// checked; a group of masks that match (nearly) every file is refused with a
// message; empty texts and Cancel add nothing. Deleting asks first.
TEST_F(OptionsTest, AddAndDeleteGroups) {
  auto w = MakeWindow();
  TForm_DC_Options& o = *w->Options();
  ASSERT_EQ(o.CurrentGroups().size(), 1u);

  AnswerNewTyp("ABC files", "*.abc ; *.def", true);
  o.Button_DC_Filetyp_ADD->Click();
  std::vector<MaskGroup> g = o.CurrentGroups();
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(g[1].Name, "ABC files");
  EXPECT_EQ(g[1].Masks, (StringList{"*.ABC", "*.DEF"}));
  EXPECT_TRUE(g[1].Checked);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();

  struct Refused {
    const char* name;
    const char* masks;
    bool ok;
    bool box;
  } refused[] = {
      {"Everything", "*.*", true, true},
      {"Everything too", "*.log; ?*.*", true, true},
      {"Dots", "*.", true, true},
      {"", "*.xyz", true, false},
      {"No masks", "  ", true, false},
      {"Cancelled", "*.xyz", false, false},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.name);
    boxes.boxes.clear();
    AnswerNewTyp(r.name, r.masks, r.ok);
    o.Button_DC_Filetyp_ADD->Click();
    EXPECT_EQ(o.CurrentGroups().size(), 2u);
    ASSERT_EQ(boxes.boxes.size(), r.box ? 1u : 0u);
    if (r.box) {
      EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
      EXPECT_EQ(boxes.boxes[0].text, TooBroadMaskMessage());
    }
  }

  // Delete: No keeps the group, Yes removes it.
  ui::VTreeModel& t = o.VirtualDrawTree_DC_Filetype->Tree();
  t.SetSelected(t.GetFirst(), true);
  boxes.boxes.clear();
  boxes.answers = {IDNO};
  o.Button_DC_FileTyp_Delete->Click();
  EXPECT_EQ(o.CurrentGroups().size(), 2u);
  boxes.answers = {IDYES};
  o.Button_DC_FileTyp_Delete->Click();
  ASSERT_EQ(o.CurrentGroups().size(), 1u);
  EXPECT_EQ(o.CurrentGroups()[0].Name, "ABC files");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
}

// Exceptions: the six built-in entries first, then the list files merged
// with the user's; a folder gets its trailing backslash; a multi-select
// delete removes the user's entries and never a built-in one.
TEST_F(OptionsTest, AddAndDeleteExceptions) {
  RegSetStringChecked(HKEY_LOCAL_MACHINE, optionsKey + "\\Folders", "D:\\qzdcui-user\\", "");
  auto w = MakeWindow();
  TForm_DC_Options& o = *w->Options();
  std::vector<ExceptionEntry> list = o.CurrentExceptions();
  ASSERT_EQ(list.size(), 6u + 3u);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(list[i].IsBuiltIn);
  EXPECT_EQ(list[0].Path, "Recycle Bin");
  EXPECT_EQ(list[6].Path, "D:\\qzdcui-listed\\");
  EXPECT_EQ(list[7].Path, "D:\\qzdcui-user\\");
  EXPECT_EQ(list[8].Path, "listed-name.qzui");
  EXPECT_EQ(list[8].IsFolder, 0);

  AnswerNewExc("C:\\Data", true);
  o.Button_Ausnahme_Add->Click();
  AnswerNewExc("x.qzui", false);
  o.Button_Ausnahme_Add->Click();
  AnswerNewExc("   ", false);
  o.Button_Ausnahme_Add->Click();
  list = o.CurrentExceptions();
  ASSERT_EQ(list.size(), 11u);
  EXPECT_EQ(list[9].Path, "C:\\Data\\");
  EXPECT_EQ(list[9].IsFolder, 1);
  EXPECT_EQ(list[9].ImageIndex, 1);
  EXPECT_EQ(list[10].Path, "x.qzui");
  EXPECT_EQ(list[10].IsFolder, 0);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();

  // Select "Recycle Bin", "Cookies" and two user entries, then delete.
  ui::VTreeModel& t = o.VirtualDrawTree_Ausnahmen->Tree();
  int i = 0;
  for (ui::VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n), ++i)
    t.SetSelected(n, i == 0 || i == 4 || i == 9 || i == 10);
  o.Button_Ausnahme_Delete->Click();
  std::vector<std::string> left = Paths(o);
  ASSERT_EQ(left.size(), 9u);
  EXPECT_EQ(left[0], "Recycle Bin");
  EXPECT_EQ(left[4], "Cookies");
  EXPECT_EQ(std::count(left.begin(), left.end(), "C:\\Data\\"), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), "x.qzui"), 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_NE(boxes.boxes[0].text.find("fest einprogrammiert"), std::string::npos);

  // A built-in entry alone: the box, nothing removed.
  t.ClearSelection();
  t.SetSelected(t.GetFirst(), true);
  o.Button_Ausnahme_Delete->Click();
  EXPECT_EQ(Paths(o).size(), 9u);
  EXPECT_EQ(boxes.boxes.size(), 2u);
}

// Every close of the options window stores the settings: by the close box of
// the shown window, and by a close from code.
TEST_F(OptionsTest, EveryCloseSaves) {
  auto w = MakeWindow();
  TForm_DC_Options& o = *w->Options();
  o.CheckBox_DC_LNK->SetChecked(true);
  o.CheckBox_TMPDir_ALL->SetChecked(false);
  AnswerNewExc("C:\\Data", true);
  o.Button_Ausnahme_Add->Click();
  cleaning::SetModalHook(nullptr);

  // Shown modally and closed with its title bar's close box.
  ui::App().Post([&] { PostMessageW(o.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); });
  o.ShowModal();
  const HKEY lm = HKEY_LOCAL_MACHINE;
  EXPECT_TRUE(RegIntegerEquals(lm, optionsKey, "LNK", 1));
  EXPECT_TRUE(RegIntegerEquals(lm, optionsKey, "TMPDir_ALL", 0));
  EXPECT_TRUE(RegIntegerEquals(lm, optionsKey, "WriteProtected", 1));
  EXPECT_EQ(RegGetString(lm, optionsKey, "D"), "1");
  EXPECT_EQ(RegGetString(lm, optionsKey, "C"), "0");
  EXPECT_TRUE(RegHasValue(lm, optionsKey + "\\Folders", "C:\\Data\\"));
  EXPECT_TRUE(RegHasValue(lm, optionsKey + "\\Folders", "D:\\qzdcui-listed\\"));
  EXPECT_TRUE(RegHasValue(lm, optionsKey + "\\Files", "listed-name.qzui"));
  EXPECT_FALSE(RegHasValue(lm, optionsKey + "\\Folders", "Recycle Bin"));
  EXPECT_EQ(RegGetString(lm, optionsKey + "\\Mask\\FileTyp0", "Wildcards"), "*.QZUI;");

  // Closed from code (the window is not shown).
  o.CheckBox_DC_PIF->SetChecked(true);
  ui::VTreeModel& t = o.VirtualDrawTree_Ausnahmen->Tree();
  for (ui::VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n))
    t.SetSelected(n, t.Data<DriveExceptionNode>(n).Path == "C:\\Data\\");
  o.Button_Ausnahme_Delete->Click();
  o.Close();
  EXPECT_TRUE(RegIntegerEquals(lm, optionsKey, "PIF", 1));
  EXPECT_FALSE(RegHasValue(lm, optionsKey + "\\Folders", "C:\\Data\\"));
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

// A missing exception-list file: its box, then the program ends; the window
// is not made.
TEST_F(OptionsTest, MissingListFileEndsTheProgram) {
  DeleteFileW(Widen(app / "DC-Files.txt").c_str());
  EXPECT_THROW(CreateDriveCleanerWindow(nullptr), ui::SilentAbort);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].text, MissingListMessage(app / "DC-Files.txt"));
  EXPECT_TRUE(ui::App().Terminated());
}

}  // namespace
}  // namespace qz::dc::uitest
