// Translating windows from the language file (see core/translation.h for the
// file format and the text lookup), and the developer's dump that writes a
// window's captions into the file.
//
// Every translated window carries two hidden buttons: Button_LoadTranslation
// (its creation handler clicks it: TranslateForm with TranslationFile when that
// is not empty) and Button_SaveTranslation ("Save Translation": the dump, then
// the box "Translation-File saved").
#pragma once

#include <functional>
#include <string>

#include "core/msgbox.h"
#include "core/translation.h"
#include "ui/component.h"

namespace qz::ui {
class Button;
class Control;
class Form;
}  // namespace qz::ui

namespace qz {

// A user text of a window: the entry `key` of the window's section (its
// Name), the German default when there is none.
std::string Tr(const ui::Component& window, const std::string& key, const std::string& german);
// The same as a function, for engines that translate without a window.
TranslateFn Translator(const ui::Component& window);

// A module's message box, owned by the control's window and captioned with
// the program title. While the One-Click-Optimizer drives the module
// (OcoRunning) nothing is shown and 0 is returned.
int ModuleMessage(const ui::Control& owner, const std::string& text, MsgKind kind,
                  MsgButtons buttons = MsgButtons::Ok);

// The two hidden translation tools every translated window carries:
// Button_SaveTranslation ("Save Translation": the window's captions into the
// language file, then "Translation-File saved") and Button_LoadTranslation
// ("(Re)load Translation": `translate` when a language file is set, then a
// repaint; creation handlers click it). An empty `translate` translates the
// window's captions (TranslateForm).
struct TranslationButtons {
  ui::Button* save = nullptr;
  ui::Button* load = nullptr;
};
TranslationButtons AddTranslationButtons(ui::Form& window, std::function<void()> translate = {});

// Translates the window and, recursively, everything it owns (each component
// before what it owns, in ownership order): a component with Tag != 0 gets
// the value keyed by its Name from the window's section ("Missing
// Translation" when that value is empty) through SetCaption; components
// without a caption are skipped; Tag 0 components are left alone but what
// they own is still visited. Nothing changes when TranslationList is empty or
// lacks the section. The file name is not read: the text comes from
// TranslationList.
void TranslateForm(const std::string& fileName, ui::Component& window);

// Column i of the tree (or list view) := line i of the value keyed by its
// Name, for i < its column count and < the number of lines. A missing value
// or section counts as one empty line.
void TranslateTreeColumns(const std::string& section, ui::Component& tree);
void TranslateListViewColumns(const std::string& section, ui::Component& listView);

// Appends the window's section to the language file: "[" + Name + "]", then
// "||" + Name + "=" + caption and an empty line for every component with
// Tag != 0 whose Name and caption are not empty, then "||", "", "||", "".
// A Name met twice is reported in an "Error!" box (its line is still
// written). The file is saved in the encoding it was read in (UTF-8 with
// its byte-order mark, or the ANSI code page; a new file in ANSI), see
// LoadLanguageLines. False, with nothing saved, when a component with
// Tag != 0 has no caption, when a text has no exact form in an ANSI file's
// code page, or when the file cannot be written.
bool SaveFormTranslation(const std::string& fileName, ui::Component& window);

}  // namespace qz
