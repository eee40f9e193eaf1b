// The help router: the one component through which windows open help, and
// the application's handler for help requests (F1, help context numbers).
//
// One router exists (HelpRouter1 on the main window, reachable as
// AppHelpRouter); it uses HTML Help (core/help.h) and loads the library on
// demand. Windows call ShowHelpTopic with their topic id.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/component.h"

namespace qz {

enum class THelpType { htWinhelp, htHTMLhelp, htMixedMode };
enum class TShowType { stDefault, stMain, stPopup };

// The application's handler of help requests: a help command (the WinHelp
// numbers: 1 context, 2 quit, 3 contents, 8 context popup, 11 finder,
// 13 popup position, 15 force file, 0x101 keyword, 0x105 partial keyword),
// its data, and the call-help flag that a handler clears to stop the chain.
// Returns whether help was shown.
using HelpRequestHandler = std::function<bool(unsigned command, uintptr_t data, bool& callHelp)>;
// The handler installed for the application (empty: none).
HelpRequestHandler& ApplicationHelpHandler();
// What the application calls for a help request: the installed handler with
// the call-help flag set; false when there is none.
bool ApplicationHelp(unsigned command, uintptr_t data);

class THelpRouter : public ui::Component {
 public:
  // Only one router may exist; a second one throws std::runtime_error
  // "Multiple instances of THelpRouter are not allowed". The router installs
  // itself as the application's help handler, remembering the previous one.
  explicit THelpRouter(ui::Component* owner, std::string name = "HelpRouter1");
  // Closes the help windows (when HTML Help was loaded) and reinstalls the
  // remembered handler.
  ~THelpRouter() override;

  THelpType HelpType = THelpType::htHTMLhelp;
  TShowType ShowType = TShowType::stDefault;
  std::string Helpfile;
  std::string CHMPopupTopics = "CSHelp.txt";
  bool ValidateID = false;
  // Runs first for each help request; clearing callHelp ends the request.
  HelpRequestHandler OnHelp;

  // Opens the topic of the file (empty file: Helpfile). HTML Help: the file
  // gets the extension ".chm"; a topic not ending in ".htm" (first four
  // characters of its extension, any case) is made file-safe when ValidateID
  // is set and gets ".htm"; the call is file::/topic (the file alone for an
  // empty topic). WinHelp: the ".hlp" file's contents, then the JumpID macro.
  // True when a help window came back; false when the library is missing.
  bool ShowTopic(const std::string& file, const std::string& topic);

  // The help-request handler (see HelpRequestHandler).
  bool HandleHelp(unsigned command, uintptr_t data, bool& callHelp);

 private:
  HelpRequestHandler previous_;
  bool hasPopupPos_ = false;
  POINT popupPos_{};
};

namespace ui {
class Application;
}
// Hands the application's help requests to ApplicationHelp: a form's help
// context number as a context request (1), else its help keyword as a
// keyword request (0x101); a form with neither asks for nothing. Called
// once by the start-up when the main window (with HelpRouter1) exists.
void ConnectApplicationHelp(ui::Application& app);

// The main window's router, set by the start-up.
extern THelpRouter* AppHelpRouter;

// The program's only help entry: opens the topic ("MAIN", "DC", ...) in the
// help file of LanguageID (falling back to 1033.chm). When neither exists:
// the "CHM Error" box. True when a help window came back.
bool ShowHelpTopic(const std::string& topic);

}  // namespace qz
