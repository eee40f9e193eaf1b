#include "ui/help_router.h"

#include <htmlhelp.h>

#include <stdexcept>

#include "core/disk.h"
#include "core/globals.h"
#include "core/help.h"
#include "core/msgbox.h"
#include "core/text.h"
#include "ui/application.h"

namespace qz {

THelpRouter* AppHelpRouter = nullptr;

namespace {

int& RouterCount() {
  static int count = 0;
  return count;
}

// WinHelp command numbers.
constexpr unsigned kHelpContext = 1;       // HELP_CONTEXT
constexpr unsigned kHelpQuit = 2;          // HELP_QUIT
constexpr unsigned kHelpContents = 3;      // HELP_CONTENTS
constexpr unsigned kHelpContextPopup = 8;  // HELP_CONTEXTPOPUP
constexpr unsigned kHelpFinder = 11;       // HELP_FINDER
constexpr unsigned kHelpSetPopupPos = 13;  // HELP_SETPOPUP_POS
constexpr unsigned kHelpForceFile = 15;    // HELP_FORCEFILE
constexpr unsigned kHelpKey = 0x101;       // HELP_KEY
constexpr unsigned kHelpPartialKey = 0x105;  // HELP_PARTIALKEY
constexpr unsigned kHelpCommand = 0x102;   // HELP_COMMAND

bool ShowTopicWith(THelpType type, bool validateId, const std::string& file, const std::string& topic) {
  if (type == THelpType::htWinhelp) {
    std::wstring hlp = Widen(ChangeFileExt(file, ".hlp"));
    HWND owner = GetActiveWindow();
    if (!CallWinHelp(owner, hlp, kHelpContents, 0)) return false;
    std::wstring macro = Widen("JumpID(\"\",\"" + topic + "\")");
    if (macro.size() > 255) macro.resize(255);
    return CallWinHelp(owner, hlp, kHelpCommand, reinterpret_cast<ULONG_PTR>(macro.c_str()));
  }
  if (!LoadHtmlHelp()) return false;
  std::string target = ChangeFileExt(file, ".chm");
  if (!topic.empty()) {
    std::string t = topic;
    if (LowerAscii(ExtractFileExt(t)).substr(0, 4) != ".htm") {
      if (validateId) t = MakeTopicFileSafe(t);
      t += ".htm";
    }
    target += "::/" + t;
  }
  return CallHtmlHelp(nullptr, Widen(target), kHH_DISPLAY_TOPIC, 0) != nullptr;
}

}  // namespace

HelpRequestHandler& ApplicationHelpHandler() {
  static HelpRequestHandler handler;
  return handler;
}

bool ApplicationHelp(unsigned command, uintptr_t data) {
  HelpRequestHandler& h = ApplicationHelpHandler();
  if (!h) return false;
  bool callHelp = true;
  return h(command, data, callHelp);
}

THelpRouter::THelpRouter(ui::Component* owner, std::string name) : ui::Component(owner, std::move(name)) {
  if (RouterCount() > 0) {
    // Leave the owner's list before failing: the half-made router is freed
    // by the exception, not by its owner.
    SetOwner(nullptr);
    throw std::runtime_error("Multiple instances of THelpRouter are not allowed");
  }
  ++RouterCount();
  previous_ = ApplicationHelpHandler();
  ApplicationHelpHandler() = [this](unsigned command, uintptr_t data, bool& callHelp) {
    return HandleHelp(command, data, callHelp);
  };
}

THelpRouter::~THelpRouter() {
  // Help windows must not outlive the router that opened them.
  if (HtmlHelpLoaded()) CallHtmlHelp(nullptr, L"", kHH_CLOSE_ALL, 0);
  ApplicationHelpHandler() = previous_;
  if (AppHelpRouter == this) AppHelpRouter = nullptr;
  --RouterCount();
}

bool THelpRouter::ShowTopic(const std::string& file, const std::string& topic) {
  return ShowTopicWith(HelpType, ValidateID, file.empty() ? Helpfile : file, topic);
}

bool THelpRouter::HandleHelp(unsigned command, uintptr_t data, bool& callHelp) {
  bool result = false;
  if (OnHelp) {
    result = OnHelp(command, data, callHelp);
    if (!callHelp) return result;
  }
  if (previous_) {
    result = previous_(command, data, callHelp);
    if (!callHelp) return result;
  }
  result = false;
  const std::string file = Helpfile;

  if (ShowType == TShowType::stMain) {
    if (command == kHelpContextPopup) {
      command = kHelpContext;
    } else if (command == kHelpSetPopupPos) {
      callHelp = false;
      return false;
    }
  }

  const bool html = HelpType == THelpType::htHTMLhelp ||
                    (HelpType == THelpType::htMixedMode && command != kHelpContextPopup &&
                     command != kHelpSetPopupPos);
  if (html) {
    std::wstring chm = Widen(ChangeFileExt(file, ".chm"));
    if (LoadHtmlHelp()) {
      switch (command) {
        case kHelpContext:
          result = CallHtmlHelp(nullptr, chm, kHH_HELP_CONTEXT, data) != nullptr;
          break;
        case kHelpQuit:
          CallHtmlHelp(nullptr, L"", kHH_CLOSE_ALL, 0);
          break;
        case kHelpContents:
        case kHelpFinder:
          result = CallHtmlHelp(nullptr, chm, kHH_DISPLAY_TOC, 0) != nullptr;
          break;
        case kHelpKey:
        case kHelpPartialKey:
          result = CallHtmlHelp(nullptr, chm, kHH_DISPLAY_INDEX, data) != nullptr;
          break;
        case kHelpSetPopupPos:
          popupPos_.x = static_cast<short>(LOWORD(data));
          popupPos_.y = static_cast<short>(HIWORD(data));
          hasPopupPos_ = true;
          result = true;
          break;
        case kHelpContextPopup: {
          std::wstring font = L"MS Sans Serif, 8";
          HH_POPUP popup{};
          popup.cbStruct = sizeof(popup);
          popup.idString = static_cast<UINT>(data);
          if (hasPopupPos_) {
            popup.pt = popupPos_;
          } else {
            GetCursorPos(&popup.pt);
          }
          popup.clrForeground = static_cast<COLORREF>(-1);
          popup.clrBackground = static_cast<COLORREF>(-1);
          popup.rcMargins = RECT{-1, -1, -1, -1};
          popup.pszFont = font.c_str();
          std::wstring topics = chm + L"::/" + Widen(CHMPopupTopics);
          result = CallHtmlHelp(nullptr, topics, kHH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup)) !=
                   nullptr;
          hasPopupPos_ = false;
          break;
        }
        case kHelpForceFile:
          // No window of the program sends it: show the file's default page.
          result = CallHtmlHelp(nullptr, chm, kHH_DISPLAY_TOPIC, 0) != nullptr;
          break;
        default:
          break;
      }
    }
  } else if (command == 0) {
    result = true;
  } else {
    result = CallWinHelp(GetActiveWindow(), Widen(ChangeFileExt(file, ".hlp")), command, data);
  }
  callHelp = false;
  return result;
}

void ConnectApplicationHelp(ui::Application& app) {
  app.SetHelpHook([](ui::Form*, int helpContext, const std::string& keyword) {
    if (helpContext != 0) {
      ApplicationHelp(kHelpContext, static_cast<uintptr_t>(helpContext));
    } else if (!keyword.empty()) {
      std::wstring w = Widen(keyword);
      ApplicationHelp(kHelpKey, reinterpret_cast<uintptr_t>(w.c_str()));
    }
  });
}

bool ShowHelpTopic(const std::string& topic) {
  const std::string f = HelpFileForLanguage();
  if (!FileExists(f)) {
    ShowMessageBox(nullptr, "Unable to locate helpfile\r" + f + "\rPlease reinstall application.", MsgKind::Error,
                   MsgButtons::Ok, "CHM Error");
    return false;
  }
  if (AppHelpRouter) {
    AppHelpRouter->Helpfile = f;
    return AppHelpRouter->ShowTopic(f, topic);
  }
  // Before the main window exists (or in a window opened on its own) the
  // router's settings are the main window's: HTML Help, topics as given.
  return ShowTopicWith(THelpType::htHTMLhelp, false, f, topic);
}

}  // namespace qz
