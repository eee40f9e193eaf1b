// The frame every module window is built on.
//
// How a module uses it:
//   class TForm_XY : public cleaning::ModuleWindow {     // or CleanerWizard
//    public:
//     explicit TForm_XY(ui::Component* owner)
//         : ModuleWindow(owner, "TForm_XY", {.Code = "XY", .Title = "XY Tool",
//                                            .Group = "Tuning-Tools"}) {
//       AddStartPage("Willkommen ...", "Was der Programmteil tut ...", 90);
//       AddStartChoices(160, 28, {{RadioButton_X, "RadioButton_X", "..."}, ...});
//       auto* page = AddWizardPage("TabSheet_Work", "Work");
//       AddPageTitle(page, "Label_Work_Header", "...");
//       ...
//     }
//    protected:
//     void CreateModuleWindows() override;  // its options/result windows
//     void ModuleCreate() override;         // its own creation work
//     void NextClick() override;            // "&Weiter >"
//     void BackClick() override;            // "< &Zurück"
//   };
// Long work goes through RunWork (a close meanwhile waits for it, an error
// is shown in one box). Texts: Tr(*this, "MESSAGE_X", "German default");
// boxes: Message(...), which shows nothing under OcoRunning.
//
// The build: a 640 x 480 dialog with a header band, a page control whose tabs
// are hidden (pages are switched by code only), a separator and a row of
// buttons that step through the pages.
//
//   Image_Header (640 x 77), Image_HeaderKreis (6,6), Image_HeaderIcon (16,16)
//   JvPageControl1      640 x 359 at top 77, white, tabs hidden
//   Bevel1              separator at top 436
//   Button_Help  "&Hilfe"        the module's help topic
//   Button_Zurueck "< &Zurück"   one step back (BackClick)
//   Button_Weiter "&Weiter >"    the next step (NextClick)
//   Button_Close "&Beenden"      closes the window
//   Button_Cancel "&Abbrechen"   only when ModuleInfo::HasCancel: hidden, at
//                                the place of Button_Close; sets AbortFlag,
//                                nothing else (ShowCancel swaps the two)
//   Button_SaveTranslation, Button_LoadTranslation   hidden translation tools
//
// Creation (FormCreate): CreateModuleWindows, caption := ProductTitle,
// translation (Button_LoadTranslation), unless OcoRunning the module skinning
// (header caption from "MESSAGE_HeaderCaption", the group name on the
// background, the module icon "ModuleIcon_" + Code + ".png"), Back disabled,
// page 0, then ModuleCreate.
//
// Runs. RunWork runs a long step on the GUI thread, which pumps messages while
// it works. Closing the window meanwhile (title bar, Alt+F4, a posted close,
// Close() from code) asks the run to stop (AbortFlag := 1) and closes the
// window only after the run has returned, so nothing the run uses is freed
// under it. An error that escapes a run calls WorkFailed (the module puts its
// buttons back) and is shown in an error box; under OcoRunning it is passed on
// to the caller instead.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "core/msgbox.h"
#include "ui/form.h"

namespace qz::ui {
class Bevel;
class Button;
class Image;
class Label;
class PageControl;
class RadioButton;
class RichLabel;
class TabSheet;
class WinControl;
}  // namespace qz::ui

namespace qz::cleaning {

class BackupPage;

// What a module window states about itself.
struct ModuleInfo {
  std::string Code;    // "DC": help topic, header icon "ModuleIcon_DC.png"
  std::string Title;   // German default of the header caption, "Drive Cleaner"
  std::string Group;   // group name drawn on the background, "Cleaning-Tools"
  unsigned TimerInterval = 0;  // progress timer in ms (cleaner wizards); 0: none
  bool HasCancel = false;      // a "&Abbrechen" button shown while work runs
  std::string TimerName = "JvThreadTimer_Progress";  // the progress timer's Name
};

// Colour of the bold page titles (red 99, green 113, blue 177).
inline constexpr COLORREF kPageTitleColor = RGB(99, 113, 177);

class ModuleWindow : public ui::Form {
 public:
  ModuleWindow(ui::Component* owner, std::string name, ModuleInfo info);

  ui::Image* Image_Header;
  ui::Image* Image_HeaderKreis;
  ui::Image* Image_HeaderIcon;
  ui::PageControl* JvPageControl1;
  ui::Bevel* Bevel1;
  ui::Button* Button_Help;
  ui::Button* Button_Zurueck;
  ui::Button* Button_Weiter;
  ui::Button* Button_Close;
  ui::Button* Button_Cancel = nullptr;  // only with ModuleInfo::HasCancel
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;
  // The start page (AddStartPage; a module that titles it otherwise sets
  // these itself).
  ui::TabSheet* TabSheet_Start = nullptr;
  ui::Label* Label_Start_Header = nullptr;
  ui::RichLabel* JvLinkLabel_Start = nullptr;

  const ModuleInfo& Info() const { return info_; }
  int PageIndex() const;
  void ShowPage(int index);

  // Work started by RunWork is running.
  bool Running() const { return running_; }

  // A translated text of this window's section (German default when none).
  std::string Tr(const std::string& key, const std::string& german) const;
  // A box owned by the window, captioned with the program title; nothing is
  // shown under OcoRunning (0 is returned).
  int Message(const std::string& text, MsgKind kind, MsgButtons buttons = MsgButtons::Ok);

 protected:
  // ---- page building
  // Appends a page (tabs stay hidden; the caption is for the designer).
  ui::TabSheet* AddWizardPage(const std::string& name, const std::string& caption);
  // The start page every module opens with, appended as page 0:
  // TabSheet_Start "Start" with the title Label_Start_Header and the text
  // JvLinkLabel_Start (at 48, `textHeight` high) that says what the module
  // does. The module adds its choices below the text.
  void AddStartPage(const std::string& title, const std::string& text, int textHeight);
  // A choice the build makes for the module: its member, Name and caption.
  struct ChoiceSlot {
    ui::RadioButton*& Choice;
    const char* Name;
    const char* Caption;
  };
  // The start page's choices (AddChoice) one below the other from `top`
  // down, `step` apart; the first one checked.
  void AddStartChoices(int top, int step, std::initializer_list<ChoiceSlot> choices);
  // The undo-file page (backup_page.h) appended as the next page:
  // TabSheet_Backups "Backups" with the title Label_Backups_Header, one line
  // of text JvLinkLabel_Backups and the list with its buttons.
  BackupPage* AddBackupsPage(const std::string& title, const std::string& text, const std::string& code,
                             bool counts = false);
  // The bold 12-point page title at the top of a page (translated, Tag 1).
  ui::Label* AddPageTitle(ui::TabSheet* page, const std::string& name, const std::string& caption);
  // An explanatory rich label below the title (translated, Tag 1).
  ui::RichLabel* AddPageText(ui::TabSheet* page, const std::string& name, const std::string& caption,
                             int top = 48, int height = 60);
  // A one-line label across the page at `top` for what the work shows (a
  // path, a key): cut with an ellipsis, no accelerator, not translated.
  ui::Label* AddLineLabel(ui::TabSheet* page, const std::string& name, int top);

  // While work runs: Close hidden and Cancel shown (modules with a Cancel
  // button); afterwards the other way round.
  void ShowCancel(bool running);

  // ---- module hooks
  void FormCreate() override;
  // Creates the module's options and result windows (first step of creation).
  virtual void CreateModuleWindows() {}
  // The module's own creation work (last step of creation).
  virtual void ModuleCreate() {}
  virtual void NextClick() {}
  virtual void BackClick() {}
  // Translates the window's parts beyond its captions (column titles...).
  virtual void TranslateExtras() {}
  // An error escaped RunWork: put pages and buttons back to a usable state.
  virtual void WorkFailed() {}

  // Runs long work (see the top of this file). Returns false when it ended by
  // an error or a silent abort.
  bool RunWork(const std::function<void()>& work);

 private:
  void RequestStop();
  void CloseAfterRun();

  ModuleInfo info_;
  bool running_ = false;
  bool closeAfterRun_ = false;
};

// A translated radio button of one line (Tag 1, reached with Tab): a start
// page's choices and the like.
ui::RadioButton* AddChoice(ui::WinControl* parent, const char* name, const char* caption, int left, int top,
                           int width = 560);

// The build every module's dialog shares (options windows, small input
// windows): a fixed dialog with only the system menu, centred on the screen,
// of the given client size, with its caption (translated).
void BuildDialog(ui::Form& window, const std::string& caption, int width, int height);

// The build every options window shares: the dialog (560 x 420 unless said
// otherwise) and the page control "PageControl1" at (8, 8), as wide as the
// window less 16 and 52 pixels short of its foot (the buttons' row), for the
// window's tabs, which AddOptionsTab adds.
ui::PageControl* BuildOptionsWindow(ui::Form& window, const std::string& caption, int width = 560, int height = 420);
ui::TabSheet* AddOptionsTab(ui::PageControl* pages, const std::string& name, const std::string& caption);

// The "&Hilfe" and "&Ok" buttons in the bottom right corner of an options
// window: OK closes it (modal result mrOk) and answers Enter and Escape, Help
// shows the module's help topic. Both translated.
struct OkHelpButtons {
  ui::Button* Help;
  ui::Button* Ok;
};
OkHelpButtons AddOkHelpButtons(ui::Form& window, int top, const std::string& helpTopic);

// Shows a module's window (options, result, dialogs) modally and returns its
// modal result. Tests replace the showing: the hook gets the window (created,
// not shown), drives its controls and returns the result.
using ModalHook = std::function<int(ui::Form& window)>;
void SetModalHook(ModalHook hook);  // nullptr restores ShowModal
int ShowModalWindow(ui::Form& window);

// The launch table's factory of a module window: the window made and created
// (not shown). A creation that fails frees the window and passes the error on.
template <class Window>
ui::Form* MakeModuleWindow(ui::Component* owner) {
  std::unique_ptr<Window> window(new Window(owner));
  window->DoCreate();
  return window.release();
}

}  // namespace qz::cleaning
