// The component tree: ownership, FindComponent, captions and columns as
// translation sees them, freeing.
#include <gtest/gtest.h>

#include "ui_test_util.h"

namespace qz::ui {
namespace {

// Counts destructions, to see what an owner frees and in which order.
struct Probe : Component {
  Probe(Component* owner, std::string name, std::vector<std::string>* log)
      : Component(owner, std::move(name)), log_(log) {}
  ~Probe() override { log_->push_back(Name); }
  std::vector<std::string>* log_;
};

TEST(ComponentTree, ControlsOnNestedContainersAreOwnedByTheForm) {
  auto form = test::MakeForm("TForm_Tree");
  auto* pages = new PageControl(form.get(), "JvPageControl1");
  auto* page = new TabSheet(pages, "TabSheet_Start", "Start");
  auto* group = new GroupBox(page, "GroupBox_Options", "Optionen");
  auto* check = new CheckBox(group, "CheckBox_DC_LNK", "Verknüpfungen");
  auto* label = new Label(page, "Label_Title", "Titel");
  auto* edit = new LabeledEdit(page, "Edit_Name");
  auto* timer = new ThreadTimer(form.get(), "Timer_Progress");
  auto* menu = new PopupMenu(form.get(), "PopupMenu1");
  auto* item = new MenuItem(menu, "PopUp_Help", "Hilfe");
  auto* sub = new MenuItem(item, "PopUp_Sub", "Mehr");

  // Every one of them is found on the form by name, case-insensitively.
  struct Case {
    const char* name;
    Component* expected;
  } cases[] = {{"JvPageControl1", pages}, {"tabsheet_start", page}, {"GroupBox_Options", group},
               {"CHECKBOX_DC_LNK", check}, {"Label_Title", label},   {"Edit_Name", edit},
               {"Timer_Progress", timer},  {"PopupMenu1", menu},     {"PopUp_Help", item},
               {"PopUp_Sub", sub}};
  for (const Case& c : cases) EXPECT_EQ(form->FindComponent(c.name), c.expected) << c.name;
  EXPECT_EQ(form->FindComponent("Missing"), nullptr);
  EXPECT_EQ(form->FindComponent(""), nullptr);
  EXPECT_EQ(form->Find<CheckBox>("CheckBox_DC_LNK"), check);
  EXPECT_EQ(form->Find<Label>("CheckBox_DC_LNK"), nullptr);

  // Parents are the containers; creation order is kept.
  EXPECT_EQ(check->Parent(), group);
  EXPECT_EQ(group->Parent(), page);
  EXPECT_EQ(check->ParentForm(), form.get());
  const auto& owned = form->Components();
  auto pos = [&](Component* c) { return std::find(owned.begin(), owned.end(), c) - owned.begin(); };
  EXPECT_LT(pos(pages), pos(page));
  EXPECT_LT(pos(page), pos(check));
  EXPECT_LT(pos(check), pos(item));
  // A labelled edit's own label is its sub-component, not the form's.
  EXPECT_EQ(edit->EditLabel()->Owner(), edit);
}

TEST(ComponentTree, CaptionsAndColumnsAsTranslationSeesThem) {
  auto form = test::MakeForm("TForm_Captions");
  auto* button = new Button(form.get(), "Button_Weiter", "&Weiter >");
  auto* label = new Label(form.get(), "Label1", "Text");
  auto* rich = new RichLabel(form.get(), "JvLinkLabel1", "<b>Fett</b>");
  auto* check = new CheckBox(form.get(), "CheckBox1", "Check");
  auto* radio = new RadioButton(form.get(), "RadioButton1", "Radio");
  auto* edit = new Edit(form.get(), "Edit1");
  auto* labeled = new LabeledEdit(form.get(), "LabeledEdit1");
  auto* list = new ListView(form.get(), "ListView_Drives");
  list->AddColumn("Laufwerk", 100);
  list->AddColumn("Pfad", 80);
  auto* menu = new PopupMenu(form.get(), "Menu");
  auto* item = new MenuItem(menu, "PopUp_MarkAll", "Alle");
  auto* pages = new PageControl(form.get(), "Pages");
  auto* page = new TabSheet(pages, "Page1", "Seite");

  // Those with a caption answer true and take a new one.
  Component* withCaption[] = {form.get(), button, label, rich, check, radio, labeled, item, page};
  for (Component* c : withCaption) {
    ASSERT_TRUE(c->HasCaption()) << c->Name;
    c->SetCaption("Neu " + c->Name);
    EXPECT_EQ(c->Caption(), "Neu " + c->Name);
  }
  // A plain edit has no caption; a labelled edit's caption is its label's.
  EXPECT_FALSE(edit->HasCaption());
  EXPECT_EQ(labeled->EditLabel()->Caption(), "Neu LabeledEdit1");
  // The window texts follow (translation changes what is on screen).
  form->HandleNeeded();
  EXPECT_EQ(button->Text(), "Neu Button_Weiter");
  wchar_t buf[64];
  GetWindowTextW(form->Handle(), buf, 64);
  EXPECT_STREQ(buf, L"Neu TForm_Captions");

  ASSERT_EQ(list->ColumnCount(), 2);
  list->SetColumnCaption(1, "Path");
  EXPECT_EQ(list->ColumnCaption(0), "Laufwerk");
  EXPECT_EQ(list->ColumnCaption(1), "Path");
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = buf;
  col.cchTextMax = 64;
  SendMessageW(list->Handle(), LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
  EXPECT_STREQ(buf, L"Path");
}

TEST(ComponentTree, AFormFreesWhatItOwnsLastCreatedFirst) {
  std::vector<std::string> log;
  auto* form = new Form(nullptr, "TForm_Free");
  new Probe(form, "first", &log);
  auto* page = new Panel(form, "Panel1");
  new Button(page, "Button1");
  new Probe(form, "second", &log);
  form->HandleNeeded();
  HWND button = form->Find<Button>("Button1")->Handle();
  ASSERT_TRUE(IsWindow(button));
  delete form;
  EXPECT_EQ(log, (std::vector<std::string>{"second", "first"}));
  EXPECT_FALSE(IsWindow(button));
}

TEST(ComponentTree, FreeingAControlEarlyDetachesIt) {
  auto form = test::MakeForm("TForm_Early");
  auto* panel = new Panel(form.get(), "Panel1");
  auto* label = new Label(panel, "Label1", "x");
  auto* button = new Button(panel, "Button1");
  button->SetDefault(true);
  form->HandleNeeded();
  delete label;
  EXPECT_EQ(form->FindComponent("Label1"), nullptr);
  EXPECT_EQ(panel->Controls().size(), 1u);
  delete button;
  EXPECT_EQ(form->DefaultButton(), nullptr);
  // The container goes first, its children stay as objects without parent.
  auto* orphan = new Label(panel, "Label2", "y");
  delete panel;
  EXPECT_EQ(orphan->Parent(), nullptr);
  EXPECT_EQ(form->FindComponent("Label2"), orphan);
}

}  // namespace
}  // namespace qz::ui
