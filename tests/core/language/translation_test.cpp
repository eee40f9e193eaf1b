// The language file: value extraction, section rules, message lookup, column
// captions, translating a component tree and the developer's dump.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/disk.h"
#include "core/globals.h"
#include "core/text.h"
#include "core/translation.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "ui/form_translation.h"

namespace qz {
namespace {

using test::GlobalsGuard;
using test::MessageBoxRecorder;
using test::ScratchDir;

// Components as the window layer has them, reduced to what translation uses.
class Captioned : public ui::Component {
 public:
  Captioned(ui::Component* owner, std::string name, std::string caption, int tag = 1)
      : ui::Component(owner, std::move(name)), text(std::move(caption)) {
    Tag = tag;
  }
  bool HasCaption() const override { return true; }
  std::string Caption() const override { return text; }
  void SetCaption(const std::string& c) override { text = c; }
  std::string text;
};

class Plain : public ui::Component {
 public:
  Plain(ui::Component* owner, std::string name, int tag) : ui::Component(owner, std::move(name)) { Tag = tag; }
};

// An edit with its own label: its caption is the label's.
class LabeledEdit : public ui::Component {
 public:
  LabeledEdit(ui::Component* owner, std::string name, std::string label) : ui::Component(owner, std::move(name)) {
    Tag = 1;
    edit_text = "typed text";
    label_ = new Captioned(this, "", std::move(label), 0);
  }
  bool HasCaption() const override { return true; }
  std::string Caption() const override { return label_->text; }
  void SetCaption(const std::string& c) override { label_->SetCaption(c); }
  std::string edit_text;
  Captioned* label_;
};

class Columns : public ui::Component {
 public:
  Columns(ui::Component* owner, std::string name, std::vector<std::string> cols)
      : ui::Component(owner, std::move(name)), cols_(std::move(cols)) {}
  int ColumnCount() const override { return static_cast<int>(cols_.size()); }
  std::string ColumnCaption(int i) const override { return cols_[static_cast<size_t>(i)]; }
  void SetColumnCaption(int i, const std::string& c) override { cols_[static_cast<size_t>(i)] = c; }
  std::vector<std::string> cols_;
};

TEST(ExtractTranslationValue, Rules) {
  struct Case {
    const char* text;
    const char* key;
    const char* value;
  } cases[] = {
      {"||A=OK\r\n\r\n||", "A", "OK"},                          // the writer's empty line is not part of it
      {"||A=||B=x\r\n||", "A", ""},                             // "=" directly followed by the next entry
      {"||A=no end", "A", ""},                                  // no "||" after it
      {"||B=x\r\n||", "A", ""},                                 // missing
      {"||A=two\r\nlines\r\n\r\n||", "A", "two\r\nlines"},      // spans lines
      {"||A=x\r\n\r\n\r\n\r\n\r\n||", "A", "x\r\n\r\n"},        // at most three breaks are dropped
      {"||AB=1\r\n||A=2\r\n||", "A", "2"},                      // the "=" ends the key
      {"||a=1\r\n||A=2\r\n||", "A", "2"},                       // keys are case-sensitive
      {"||A=first\r\n||A=second\r\n||", "A", "first"},          // the first occurrence counts
      {"||A=x|y\r\n||", "A", "x|y"},                            // a single bar is text
  };
  for (const Case& c : cases) EXPECT_EQ(ExtractTranslationValue(c.text, c.key), c.value) << c.text;
}

class Translation : public ::testing::Test {
 protected:
  void Use(std::initializer_list<const char*> lines) { TranslationList.assign(lines.begin(), lines.end()); }
  GlobalsGuard guard;
};

TEST_F(Translation, SectionLineMustMatchWholeLine) {
  Use({"[TForm_A] ", "||K=blank after bracket", "", "[tform_a]", "||K=case-insensitive", "", "||"});
  EXPECT_EQ(GetTranslation("TForm_A", "K", "default"), "case-insensitive");
}

TEST_F(Translation, MissingKeyOrSectionKeepsTheCallersDefault) {
  Use({"[TForm_A]", "||MESSAGE_Known=Bekannt", "", "||MESSAGE_Empty=", "||", "", "||", ""});
  EXPECT_EQ(GetTranslation("TForm_A", "MESSAGE_Known", "Vorgabe"), "Bekannt");
  EXPECT_EQ(GetTranslation("TForm_A", "MESSAGE_Missing", "Vorgabe"), "Vorgabe");
  EXPECT_EQ(GetTranslation("TForm_A", "MESSAGE_Empty", "Vorgabe"), "Vorgabe");
  EXPECT_EQ(GetTranslation("TForm_Other", "MESSAGE_Known", "Vorgabe"), "Vorgabe");
  std::string text = "Deutsch";
  GetTranslation("TForm_A", "MESSAGE_Known", text);
  EXPECT_EQ(text, "Bekannt");
  TranslationList.clear();
  EXPECT_EQ(GetTranslation("TForm_A", "MESSAGE_Known", "Vorgabe"), "Vorgabe");
}

TEST_F(Translation, KeyOfALaterSectionIsFoundButNotOfAnEarlierOne) {
  Use({"[TForm_A]", "||MESSAGE_A=a", "", "||", "", "[TForm_B]", "||MESSAGE_B=b", "", "||", ""});
  EXPECT_EQ(GetTranslation("TForm_A", "MESSAGE_B", "x"), "b");
  EXPECT_EQ(GetTranslation("TForm_B", "MESSAGE_A", "x"), "x");
}

TEST_F(Translation, LinesOfAValue) {
  Use({"[W]", "||MESSAGE_Lines=zero", "one", "", "three", "", "||", ""});
  StringList lines{"old"};
  GetTranslationLines("W", "MESSAGE_Lines", 2, lines);
  EXPECT_EQ(lines, (StringList{"zero", "one", ""}));
  GetTranslationLines("W", "MESSAGE_Lines", 32, lines);
  EXPECT_EQ(lines, (StringList{"zero", "one", "", "three"}));
  GetTranslationLines("W", "MESSAGE_None", 3, lines);
  EXPECT_EQ(lines, StringList{""});
  GetTranslationLines("Nowhere", "MESSAGE_Lines", 3, lines);
  EXPECT_EQ(lines, StringList{""});
}

TEST_F(Translation, ColumnCaptions) {
  Use({"[W]", "||Tree5=a", "b", "c", "d", "e", "", "||Tree2=x", "y", "", "||", ""});
  ui::Component window(nullptr, "W");
  Columns five(&window, "Tree5", {"1", "2", "3"});
  TranslateTreeColumns("W", five);
  EXPECT_EQ(five.cols_, (std::vector<std::string>{"a", "b", "c"}));

  Columns two(&window, "Tree2", {"1", "2", "3"});
  TranslateListViewColumns("W", two);
  EXPECT_EQ(two.cols_, (std::vector<std::string>{"x", "y", "3"}));

  // A missing entry is one empty line: column 0 empties, the others stay.
  Columns missing(&window, "TreeX", {"1", "2", "3"});
  TranslateTreeColumns("W", missing);
  EXPECT_EQ(missing.cols_, (std::vector<std::string>{"", "2", "3"}));
}

TEST_F(Translation, TranslateFormWalksTheTree) {
  Use({"[TForm_T]", "||TForm_T=Window", "", "||Child=Kind", "", "||Parent=Eltern", "", "||Edit=Bezeichnung", "",
       "||Grandchild=Enkel", "", "||Empty=", "", "||", "", "||", ""});
  auto* window = new Captioned(nullptr, "TForm_T", "Fenster");
  auto* parent = new Captioned(window, "Parent", "parent caption", 0);  // Tag 0: untouched ...
  auto* child = new Captioned(parent, "Child", "child caption");        // ... but its children are visited
  auto* grandchild = new Captioned(child, "Grandchild", "g");
  auto* edit = new LabeledEdit(window, "Edit", "label");
  auto* empty = new Captioned(window, "Empty", "e");
  auto* unknown = new Captioned(window, "Unknown", "u");
  auto* noCaption = new Plain(window, "Child", 1);  // no caption: skipped without error
  TranslateForm("ignored.ini", *window);
  EXPECT_EQ(window->text, "Window");
  EXPECT_EQ(parent->text, "parent caption");
  EXPECT_EQ(child->text, "Kind");
  EXPECT_EQ(grandchild->text, "Enkel");
  EXPECT_EQ(edit->label_->text, "Bezeichnung");
  EXPECT_EQ(edit->edit_text, "typed text");
  EXPECT_EQ(empty->text, "Missing Translation");
  EXPECT_EQ(unknown->text, "Missing Translation");
  (void)noCaption;
  delete window;
}

TEST_F(Translation, TranslateFormWithoutItsSectionChangesNothing) {
  Use({"[TForm_Other]", "||Child=Kind", "", "||"});
  Captioned window(nullptr, "TForm_T", "Fenster");
  auto* child = new Captioned(&window, "Child", "deutsch");
  TranslateForm("", window);
  EXPECT_EQ(child->text, "deutsch");
  TranslationList.clear();
  TranslateForm("", window);
  EXPECT_EQ(child->text, "deutsch");
}

TEST_F(Translation, DumpThenReadRestoresEveryCaption) {
  ScratchDir dir("corelang_lang_dump");
  const std::string file = dir / "1031.ini";
  Captioned window(nullptr, "TForm_Dump", "Fenstertitel");
  auto* next = new Captioned(&window, "Button_Weiter", "&Weiter >");
  auto* back = new Captioned(&window, "Button_Zurueck", "< &Zurück");
  auto* multi = new Captioned(&window, "Label_Info", "Zeile eins\r\nZeile zwei");
  auto* edit = new LabeledEdit(&window, "LabeledEdit_Name", "Größe:");
  auto* untagged = new Captioned(&window, "Label_Untagged", "bleibt", 0);
  MessageBoxRecorder boxes;
  ASSERT_TRUE(SaveFormTranslation(file, window));
  EXPECT_TRUE(boxes.boxes.empty());

  // The file is in the ANSI code page and has the writer's layout.
  std::string raw = test::ReadFileText(file);
  EXPECT_EQ(raw.substr(0, 14), "[TForm_Dump]\r\n");
  EXPECT_NE(raw.find(Utf8ToAnsi("||Button_Zurueck=< &Zurück\r\n\r\n")), std::string::npos);
  EXPECT_EQ(raw.find("Label_Untagged"), std::string::npos);
  EXPECT_TRUE(EndsWith(raw, "||\r\n\r\n||\r\n\r\n"));

  ASSERT_TRUE(LoadLines(file, TranslationList));
  for (Captioned* c : {&window, next, back, multi}) c->text = "changed";
  edit->SetCaption("changed");
  TranslateForm(file, window);
  EXPECT_EQ(window.text, "Fenstertitel");
  EXPECT_EQ(next->text, "&Weiter >");
  EXPECT_EQ(back->text, "< &Zurück");
  EXPECT_EQ(multi->text, "Zeile eins\r\nZeile zwei");
  EXPECT_EQ(edit->Caption(), "Größe:");
  EXPECT_EQ(untagged->text, "bleibt");
}

TEST_F(Translation, SecondDumpAppendsASectionAndTheFirstOneCounts) {
  ScratchDir dir("corelang_lang_dump2");
  const std::string file = dir / "1033.ini";
  Captioned window(nullptr, "TForm_Twice", "");
  window.Tag = 0;
  auto* label = new Captioned(&window, "Label1", "first");
  ASSERT_TRUE(SaveFormTranslation(file, window));
  label->text = "second";
  ASSERT_TRUE(SaveFormTranslation(file, window));
  ASSERT_TRUE(LoadLines(file, TranslationList));
  EXPECT_EQ(std::count(TranslationList.begin(), TranslationList.end(), "[TForm_Twice]"), 2);
  label->text = "x";
  TranslateForm(file, window);
  EXPECT_EQ(label->text, "first");
}

TEST_F(Translation, DumpReportsADuplicateNameAndStillWritesIt) {
  ScratchDir dir("corelang_lang_dump3");
  const std::string file = dir / "1033.ini";
  Captioned window(nullptr, "TForm_Dup", "");
  window.Tag = 0;
  new Captioned(&window, "Label1", "one");
  new Captioned(&window, "Label1", "two");
  new Captioned(&window, "Label2", "");  // empty caption: no line at all
  MessageBoxRecorder boxes;
  ASSERT_TRUE(SaveFormTranslation(file, window));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Error!");
  EXPECT_EQ(boxes.boxes[0].text, "Component\rLabel1\rCaption:\rtwo\ralready in Translationfile!");
  EXPECT_EQ(boxes.boxes[0].owner, nullptr);
  std::string raw = test::ReadFileText(file);
  EXPECT_NE(raw.find("||Label1=one\r\n\r\n||Label1=two\r\n\r\n"), std::string::npos);
  EXPECT_EQ(raw.find("Label2"), std::string::npos);
}

TEST_F(Translation, DumpOfATaggedComponentWithoutCaptionSavesNothing) {
  ScratchDir dir("corelang_lang_dump4");
  const std::string file = dir.Write("1033.ini", "[Old]\r\n");
  Captioned window(nullptr, "TForm_Bad", "");
  new Captioned(&window, "Label1", "one");
  new Plain(&window, "Image1", 5);
  EXPECT_FALSE(SaveFormTranslation(file, window));
  EXPECT_EQ(test::ReadFileText(file), "[Old]\r\n");
}

TEST_F(Translation, LanguageFileIsUtf8WithItsMarkAndAnsiOtherwise) {
  ScratchDir dir("corelang_lang_enc");
  const std::string body = "[W]\r\n||MESSAGE_X=Schließen\r\n\r\n||\r\n";
  struct Case {
    std::string bytes;
    TextEncoding encoding;
    std::string text;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF" + body, TextEncoding::Utf8Bom, "Schließen"},
      {Utf8ToAnsi(body), TextEncoding::Ansi, "Schließen"},
      // Without the mark the bytes are ANSI, whatever they look like.
      {body, TextEncoding::Ansi, AnsiToUtf8("Schließen")},
  };
  for (const Case& c : cases) {
    const std::string f = dir.Write("x.ini", c.bytes);
    TextEncoding found = TextEncoding::Utf16LE;
    ASSERT_TRUE(LoadLanguageLines(f, TranslationList, &found));
    EXPECT_EQ(found, c.encoding);
    EXPECT_EQ(GetTranslation("W", "MESSAGE_X", ""), c.text);
  }
  EXPECT_FALSE(LoadLanguageLines(dir / "missing.ini", TranslationList));
}

// A save followed by a load gives back every text: a file with the UTF-8 mark
// stays UTF-8 (texts beyond the ANSI code page included), an ANSI file stays
// ANSI (and refuses a text it cannot hold, saving nothing).
TEST_F(Translation, SaveWritesALanguageFileBackInTheEncodingItWasReadIn) {
  ScratchDir dir("corelang_lang_roundtrip");
  const std::string shipped = "[TForm_Old]\r\n||Label_Old=Größe ändern: Äpfel, Öl, Übel, ß\r\n\r\n||\r\n\r\n||\r\n\r\n";
  const std::string german = "Schließen, Größe, Übersicht, Ärger, Öffnen";
  const std::string beyondAnsi = "Zażółć gęślą jaźń";

  {
    const std::string file = dir.Write("1031.ini", "\xEF\xBB\xBF" + shipped);
    Captioned window(nullptr, "TForm_New", "Fenster");
    new Captioned(&window, "Label_German", german);
    new Captioned(&window, "Label_Polish", beyondAnsi);
    ASSERT_TRUE(SaveFormTranslation(file, window));
    const std::string raw = test::ReadFileText(file);
    EXPECT_EQ(raw.substr(0, 3 + shipped.size()), "\xEF\xBB\xBF" + shipped) << "the old part byte for byte";
    TextEncoding found;
    ASSERT_TRUE(LoadLanguageLines(file, TranslationList, &found));
    EXPECT_EQ(found, TextEncoding::Utf8Bom);
    EXPECT_EQ(GetTranslation("TForm_Old", "Label_Old", ""), "Größe ändern: Äpfel, Öl, Übel, ß");
    EXPECT_EQ(GetTranslation("TForm_New", "Label_German", ""), german);
    EXPECT_EQ(GetTranslation("TForm_New", "Label_Polish", ""), beyondAnsi);
  }
  {
    const std::string file = dir.Write("1033.ini", Utf8ToAnsi(shipped));
    Captioned window(nullptr, "TForm_New", "Fenster");
    auto* label = new Captioned(&window, "Label_German", german);
    ASSERT_TRUE(SaveFormTranslation(file, window));
    const std::string raw = test::ReadFileText(file);
    EXPECT_EQ(raw.substr(0, Utf8ToAnsi(shipped).size()), Utf8ToAnsi(shipped));
    EXPECT_NE(raw.find(Utf8ToAnsi(german)), std::string::npos);
    TextEncoding found;
    ASSERT_TRUE(LoadLanguageLines(file, TranslationList, &found));
    EXPECT_EQ(found, TextEncoding::Ansi);
    EXPECT_EQ(GetTranslation("TForm_Old", "Label_Old", ""), "Größe ändern: Äpfel, Öl, Übel, ß");
    EXPECT_EQ(GetTranslation("TForm_New", "Label_German", ""), german);

    label->text = beyondAnsi;
    EXPECT_FALSE(SaveFormTranslation(file, window));
    EXPECT_EQ(test::ReadFileText(file), raw);
  }
}

}  // namespace
}  // namespace qz
