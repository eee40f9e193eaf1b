// The frame every module window is built on: a 640 x 480 dialog with a header
// band, a page control whose tabs are hidden (pages are switched by code only),
// a separator and a row of buttons that step through the pages.
//
//   Image_Header (640 x 77), Image_HeaderKreis (6,6), Image_HeaderIcon (16,16)
//   JvPageControl1      640 x 359 at top 77, white, tabs hidden
//   Bevel1              separator at top 436
//   Button_Help  "&Hilfe"        the module's help topic
//   Button_Zurueck "< &Zurück"   one step back (results or last page -> start)
//   Button_Weiter "&Weiter >"    the next step (the module decides)
//   Button_Close "&Beenden"      closes the window
//   Button_Cancel "&Abbrechen"   shown instead of Close while a run goes on;
//                                sets AbortFlag, nothing else
//   Button_SaveTranslation, Button_LoadTranslation   hidden translation tools
//   JvThreadTimer_Progress       copies the engine's progress to the labels
//                                (enabled only while a search runs)
//
// States and their buttons:
//   Start      page 0   Back off  Next on   Close shown  Cancel hidden
//   Searching  page 1   Back off  Next off  Close hidden Cancel shown
//   Results    page 2   Back on   Next on   Close shown  Cancel hidden
//   Deleting   page 3   Back off  Next off  Close hidden Cancel shown
//   LastPage   last     Back on   Next off  Close shown  Cancel hidden
// (the page of each state can be changed by a module: PageOf).
//
// Runs. A search or delete runs through RunWork on the GUI thread and pumps
// messages while it works. Closing the window meanwhile (title bar, Alt+F4, a
// posted close) asks the run to stop (AbortFlag := 1) and closes the window
// only after the run has returned, so nothing the run uses is freed under it.
// An error that escapes a run stops the progress timer, restores the start
// state and is shown in an error box (under OcoRunning it is passed on to the
// caller instead).
//
// OcoRunning (the One-Click-Optimizer drives a window that is never shown):
// no header skinning at creation, and Message() shows nothing; page and button
// changes are still made on the hidden window.
//
// Creation order (FormCreate): CreateModuleWindows (options and result
// windows), caption := ProductTitle, translation (Button_LoadTranslation),
// unless OcoRunning the module skinning (header caption from
// "MESSAGE_HeaderCaption", the group name on the background, the module icon),
// then the start state. A module window puts its own creation work into
// ModuleCreate, which runs last.
#pragma once

#include <functional>
#include <string>

#include "core/msgbox.h"
#include "ui/form.h"

namespace qz::ui {
class Bevel;
class Button;
class Image;
class Label;
class PageControl;
class RichLabel;
class TabSheet;
class ThreadTimer;
}  // namespace qz::ui

namespace qz::cleaning {

enum class WizardState { Start, Searching, Results, Deleting, LastPage };

// What a module window states about itself.
struct ModuleInfo {
  std::string Code;         // "DC": help topic, header icon "ModuleIcon_DC.png"
  std::string Title;        // German default of the header caption, "Drive Cleaner"
  std::string Group;        // group name drawn on the background, "Cleaning-Tools"
  unsigned TimerInterval = 500;  // progress timer (ms)
};

// Colour of the bold page titles (red 99, green 113, blue 177).
inline constexpr COLORREF kPageTitleColor = RGB(99, 113, 177);

class ModuleWizardForm : public ui::Form {
 public:
  ModuleWizardForm(ui::Component* owner, std::string name, ModuleInfo info);
  ~ModuleWizardForm() override;

  ui::Image* Image_Header;
  ui::Image* Image_HeaderKreis;
  ui::Image* Image_HeaderIcon;
  ui::PageControl* JvPageControl1;
  ui::Bevel* Bevel1;
  ui::Button* Button_Cancel;
  ui::Button* Button_Help;
  ui::Button* Button_Zurueck;
  ui::Button* Button_Weiter;
  ui::Button* Button_Close;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;
  ui::ThreadTimer* JvThreadTimer_Progress;

  const ModuleInfo& Info() const { return info_; }

  WizardState State() const { return state_; }
  // Shows the state's page and sets the buttons by the table above.
  void SetState(WizardState s);
  void ResetToStart() { SetState(WizardState::Start); }
  int PageIndex() const;

  // A search or delete is running (RunWork).
  bool Running() const { return running_; }

  // A translated text of this window's section (German default when none).
  std::string Tr(const std::string& key, const std::string& german) const;
  // A message box owned by the window and captioned with the program title;
  // under OcoRunning nothing is shown and 0 is returned.
  int Message(const std::string& text, MsgKind kind, MsgButtons buttons = MsgButtons::Ok);

 protected:
  // ---- page building
  // Appends a page (tabs stay hidden; the caption is for the designer).
  ui::TabSheet* AddWizardPage(const std::string& name, const std::string& caption);
  // The bold 12-point page title at the top of a page (translated, Tag 1).
  ui::Label* AddPageTitle(ui::TabSheet* page, const std::string& name, const std::string& caption);
  // An explanatory rich label below the title (translated, Tag 1).
  ui::RichLabel* AddPageText(ui::TabSheet* page, const std::string& name, const std::string& caption,
                             int top = 48, int height = 60);

  // ---- module hooks
  void FormCreate() override;
  // Creates the module's options and result windows (first step of creation).
  virtual void CreateModuleWindows() {}
  // The module's own creation work (after translation and skinning).
  virtual void ModuleCreate() {}
  // The progress timer's event (runs on the GUI thread while a run pumps).
  virtual void ProgressTimerEvent() {}
  // Next and Back. The default Back: results or last page -> start.
  virtual void NextClick() {}
  virtual void BackClick();
  // The page of a state (default 0, 1, 2, 3 and the last page).
  virtual int PageOf(WizardState s) const;
  // Translates the window's parts beyond its captions (column titles...).
  virtual void TranslateExtras() {}

  // Runs a search or delete (see the top of this file). Returns false when the
  // work ended by an error.
  bool RunWork(const std::function<void()>& work);

 private:
  void RequestStop();
  void CloseAfterRun();

  ModuleInfo info_;
  WizardState state_ = WizardState::Start;
  bool running_ = false;
  bool closeAfterRun_ = false;
};

// The two hidden translation tools every translated window carries:
// Button_SaveTranslation ("Save Translation": the window's captions into the
// language file, then "Translation-File saved") and Button_LoadTranslation
// ("(Re)load Translation": `translate` when a language file is set, then a
// repaint; creation handlers click it).
void AddTranslationButtons(ui::Form* window, ui::Button*& save, ui::Button*& load,
                           std::function<void()> translate);

// Shows a module's window (options, result, dialogs) modally and returns its
// modal result. Tests replace the showing: the hook gets the window (created,
// not shown), drives its controls and returns the result.
using ModalHook = std::function<int(ui::Form& window)>;
void SetModalHook(ModalHook hook);  // nullptr restores ShowModal
int ShowModalWindow(ui::Form& window);

// HKLM\ProductRegKey\Options "OpenMaximized": the result windows open
// maximised when the value is missing or reads as the integer 1.
bool ReadOpenMaximized();

}  // namespace qz::cleaning
