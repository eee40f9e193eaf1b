#include "ui/form_translation.h"

#include "core/disk.h"
#include "core/globals.h"
#include "core/msgbox.h"
#include "core/text.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace qz {

namespace {

void ApplyTo(ui::Component& c, const std::string& text) {
  if (c.Tag != 0 && c.HasCaption()) {
    std::string value = ExtractTranslationValue(text, c.Name);
    c.SetCaption(value.empty() ? std::string(kMissingTranslation) : value);
  }
  // A caption change may not touch the owned list, but copy it all the same:
  // the walk must not depend on what a setter does.
  std::vector<ui::Component*> owned = c.Components();
  for (ui::Component* child : owned) ApplyTo(*child, text);
}

void TranslateColumns(const std::string& section, ui::Component& view) {
  int count = view.ColumnCount();
  if (count <= 0) return;
  StringList lines;
  GetTranslationLines(section, view.Name, count - 1, lines);
  for (int i = 0; i < count && i < static_cast<int>(lines.size()); ++i)
    view.SetColumnCaption(i, lines[static_cast<size_t>(i)]);
}

struct DumpState {
  StringList lines;
  StringList names;
  bool failed = false;
};

void DumpFrom(ui::Component& c, DumpState& st) {
  if (c.Tag != 0) {
    if (!c.HasCaption()) {
      st.failed = true;
      return;
    }
    std::string caption = c.Caption();
    if (!caption.empty() && !c.Name.empty()) {
      if (ContainsI(st.names, c.Name)) {
        ShowMessageBox(nullptr,
                       "Component\r" + c.Name + "\rCaption:\r" + caption + "\ralready in Translationfile!",
                       MsgKind::None, MsgButtons::Ok, "Error!");
      } else {
        st.names.push_back(c.Name);
      }
      st.lines.push_back("||" + c.Name + "=" + caption);
      st.lines.emplace_back();
    }
  }
  std::vector<ui::Component*> owned = c.Components();
  for (ui::Component* child : owned) {
    if (st.failed) return;
    DumpFrom(*child, st);
  }
}

}  // namespace

void TranslateForm(const std::string& /*fileName*/, ui::Component& window) {
  if (TranslationList.empty()) return;
  std::string text;
  if (!FindSectionText(TranslationList, window.Name, text)) return;
  ApplyTo(window, text);
}

void TranslateTreeColumns(const std::string& section, ui::Component& tree) { TranslateColumns(section, tree); }

void TranslateListViewColumns(const std::string& section, ui::Component& listView) {
  TranslateColumns(section, listView);
}

bool SaveFormTranslation(const std::string& fileName, ui::Component& window) {
  DumpState st;
  // Written back in the encoding it was read in: a save followed by a load
  // gives back every text.
  TextEncoding encoding = TextEncoding::Ansi;
  if (FileExists(fileName) && !LoadLanguageLines(fileName, st.lines, &encoding)) return false;
  st.lines.push_back("[" + window.Name + "]");
  DumpFrom(window, st);
  if (st.failed) return false;
  for (const char* l : {"||", "", "||", ""}) st.lines.emplace_back(l);
  return SaveLines(fileName, st.lines, encoding);
}

std::string Tr(const ui::Component& window, const std::string& key, const std::string& german) {
  return GetTranslation(window.Name, key, german);
}

TranslateFn Translator(const ui::Component& window) { return SectionTranslator(window.Name); }

int ModuleMessage(const ui::Control& owner, const std::string& text, MsgKind kind, MsgButtons buttons) {
  if (OcoRunning) return 0;
  const ui::Form* form = owner.ParentForm();
  return ShowMessageBox(form ? form->Handle() : nullptr, text, kind, buttons);
}

TranslationButtons AddTranslationButtons(ui::Form& window, std::function<void()> translate) {
  TranslationButtons b;
  b.save = new ui::Button(&window, "Button_SaveTranslation", "Save Translation");
  b.save->SetVisible(false);
  b.load = new ui::Button(&window, "Button_LoadTranslation", "(Re)load Translation");
  b.load->SetVisible(false);
  ui::Form* w = &window;
  b.load->OnClick = [w, translate = std::move(translate)] {
    if (!TranslationFile.empty()) {
      if (translate)
        translate();
      else
        TranslateForm(TranslationFile, *w);
    }
    w->Invalidate();
  };
  b.save->OnClick = [w] {
    if (SaveFormTranslation(TranslationFile, *w))
      ShowMessageBox(w->Handle(), "Translation-File saved", MsgKind::None);
  };
  return b;
}

}  // namespace qz
