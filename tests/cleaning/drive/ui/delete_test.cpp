// The user's way through the window: search, details, marks and exceptions
// in the result window, delete. Only what stays checked goes to the Recycle
// Bin; unchecked and excepted files stay.
#include "dcui_fixture.h"
#include "ui/menu.h"

namespace qz::dc::uitest {
namespace {

using DeleteFlowTest = DcUiTest;

TEST_F(DeleteFlowTest, OnlyCheckedEntriesAreRecycled) {
  const std::string a = base.Write("junk\\a.qzui", "aaaa");
  const std::string b = base.Write("junk\\b.qzui", "bb");
  const std::string c = base.Write("junk\\c.qzui", "cccccc");
  const std::string d = base.Write("keep\\d.qzui", "d");
  const std::string e = base.Write("keep\\sub\\e.qzui", "e");
  const std::string f = base.Write("junk\\f.txt", "not junk");
  const std::string t = base.Write("win\\temp\\t1.dat", "t");
  const std::string u = base.Write("users\\u\\Temp\\u1.dat", "uu");
  base.MakeDir("win\\temp\\emptysub\\deeper");

  auto w = MakeWindow();
  w->Button_Weiter->Click();
  ASSERT_EQ(w->LastSearch(), SearchOutcome::Found) << BoxTexts();
  ASSERT_EQ(Entries(*w), Upper({a, b, c, d, e, u, t}));
  EXPECT_EQ(w->PageIndex(), 2);

  bool maximised = false;
  std::string afterUncheck, afterExcept;
  cleaning::SetModalHook([&](ui::Form& form) {
    TForm_DC_Result* r = w->Result();
    EXPECT_EQ(&form, r);
    maximised = r->State() == ui::WindowState::Maximized;
    ui::VTreeModel& tree = r->Model();
    // The user unchecks c.qzui (a click on its check box).
    ui::VNode* cn = FindEntry(*w, "c.qzui");
    EXPECT_TRUE(cn);
    if (cn) tree.ToggleCheckState(cn);
    afterUncheck = r->Label_DC_Files->Caption();
    // ... and makes the folder of d.qzui an exception from the popup menu.
    tree.ClearSelection();
    ui::VNode* dn = FindEntry(*w, "d.qzui");
    EXPECT_TRUE(dn);
    if (dn) tree.SetSelected(dn, true);
    boxes.answers = {IDYES};
    r->PopUp_ExceptDirs->Click();
    afterExcept = r->Label_DC_Files->Caption();
    r->Button_Ok->Click();
    return form.ModalResult();
  });
  w->Button_Results->Click();
  EXPECT_TRUE(maximised);  // "OpenMaximized" is not set
  EXPECT_EQ(afterUncheck, "6 / 7");
  EXPECT_EQ(afterExcept, "4 / 5");  // d.qzui and keep\sub\e.qzui left the tree
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Question);
  EXPECT_EQ(boxes.boxes[0].text, FolderAsExceptionMessage(base / "keep\\"));
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, optionsKey + "\\Folders", base / "keep\\"));
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find("Davon sind 4 Dateien zum Löschen markiert"), std::string::npos)
      << w->JvLinkLabel_Result->Caption();

  boxes.boxes.clear();
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 2u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].text, SureToDeleteMessage());
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[1].text, "Es wurden 4 Dateien gelöscht.\rDabei traten 0 Fehler auf.");
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_EQ(w->FilesDeleted(), 4);
  EXPECT_EQ(w->BytesDeleted(), 4 + 2 + 1 + 2);

  for (const std::string& gone : {a, b, t, u}) {
    EXPECT_FALSE(test::Exists(gone)) << gone;
    ExpectInTrash(gone);
  }
  for (const std::string& kept : {c, d, e, f}) EXPECT_TRUE(test::Exists(kept)) << kept;
  EXPECT_EQ(Entries(*w), Upper({c}));
  EXPECT_EQ(w->Result()->Label_DC_Files->Caption(), "0 / 1");
  // The temporary folder's empty sub-folders went, the folder stayed.
  EXPECT_TRUE(test::Exists(base / "win\\temp"));
  EXPECT_FALSE(test::Exists(base / "win\\temp\\emptysub"));

  // The next search leaves out the excepted folder.
  w->Button_Weiter->Click();
  EXPECT_EQ(Entries(*w), Upper({c}));
}

// Deleting with nothing marked says so and stays on the result page; a No
// to the question deletes nothing.
TEST_F(DeleteFlowTest, NothingMarkedOrNoDeletesNothing) {
  const std::string a = base.Write("junk\\a.qzui");
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  ASSERT_EQ(w->LastSearch(), SearchOutcome::Found);

  cleaning::SetModalHook([&](ui::Form& form) {
    w->Result()->Button_None->Click();
    return form.ModalResult();
  });
  w->Button_Results->Click();
  EXPECT_EQ(w->Result()->Label_DC_Files->Caption(), "0 / 1");
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, NothingSelectedMessage());
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(w->PageIndex(), 2);

  cleaning::SetModalHook([&](ui::Form& form) {
    w->Result()->PopUp_MarkAll->Click();
    return form.ModalResult();
  });
  w->Button_Results->Click();
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  EXPECT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(w->PageIndex(), 2);
  EXPECT_TRUE(test::Exists(a));
}

// The result window's other commands: the Explorer gets the folder quoted;
// a file exception removes every entry of that name; a category check
// passes down to its entries and the totals follow; "OpenMaximized" 0 keeps
// the designed size.
TEST_F(DeleteFlowTest, ResultWindowCommands) {
  base.Write("x y,z\\a.qzui", "1");
  base.Write("other\\a.qzui", "22");
  base.Write("other\\b.qzui", "333");
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "OpenMaximized", 0);
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  ASSERT_EQ(Entries(*w).size(), 3u);
  TForm_DC_Result* r = w->Result();
  std::string explorer;
  r->OpenExplorer = [&](const std::string& p) { explorer = p; };

  bool maximised = true;
  cleaning::SetModalHook([&](ui::Form& form) {
    maximised = r->State() == ui::WindowState::Maximized;
    ui::VTreeModel& tree = r->Model();
    tree.ClearSelection();
    for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
      if (IEndsWith(tree.Data<DriveScanNode>(n).Folder, "x y,z")) tree.SetSelected(n, true);
    r->PopUp_Explorer->Click();
    // A category click unchecks its entries.
    tree.ChangeCheckState(tree.GetFirst(), ui::CheckState::Unchecked);
    EXPECT_EQ(r->Label_DC_Files->Caption(), "0 / 3");
    r->PopUp_MarkAll->Click();
    boxes.answers = {IDYES};
    r->PopUp_ExceptFiles->Click();
    return form.ModalResult();
  });
  w->Button_Results->Click();
  EXPECT_FALSE(maximised);
  EXPECT_EQ(explorer, "\"" + base / "x y,z" + "\"");
  EXPECT_EQ(Entries(*w), Upper({base / "other\\b.qzui"}));
  EXPECT_EQ(r->Label_DC_Files->Caption(), "1 / 1");
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, optionsKey + "\\Files", "a.qzui"));
}

}  // namespace
}  // namespace qz::dc::uitest
