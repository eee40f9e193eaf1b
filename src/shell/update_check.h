// The update check of the internet menu: one short text fetched from the
// address in project.ini ([Update] "file"), "<version>*<download address>",
// compared with the program's own version; a newer one is offered for
// download. The check runs on the GUI thread through the asynchronous HTTP
// client and is bounded by a 15 s timer.
//
//   waiting:  the main window shows page 3, the timer runs, one GET is out
//   success:  a newer version -> question "MESSAGE_UpdateDownloadNew"; Yes
//             opens the address and ends the program; otherwise the
//             information "MESSAGE_UpdateNoNew"; then page 2
//   failure:  connection failed, HTTP failure, invalid host or time-out ->
//             the request is aborted, error "MESSAGE_UpdateFailed", page 2
//
// The rules the check keeps:
//  - versions compare numerically by dot-separated parts (2.9 < 2.10 < 2.11
//    < 10.0); a version that does not parse is not newer: "Wrong format on
//    server?", then the failure;
//  - only a 2xx reply counts;
//  - the download address is trimmed and opened only when it starts with
//    http:// or https:// and holds no control character; otherwise "Wrong
//    format on server?", then the failure;
//  - one check at a time: a start while one is pending does nothing, and a
//    reply after the time-out (or any second ending) is dropped, so each
//    check ends with exactly one outcome.
// The boxes "Needed file ... is missing!", "Update->file is empty!" and
// "Wrong format on server?" are not translated; the three messages are, in
// the main window's section.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/msgbox.h"
#include "ui/component.h"

namespace qz::shell {

class TForm_ZAMO2;

// ---- the reply ----------------------------------------------------------------

// The dot-separated numbers of a version text, after trimming blanks and line
// breaks; nothing when it is empty or holds anything but digits and single
// dots between them.
std::optional<std::vector<int>> ParseVersion(const std::string& text);
// -1, 0, 1 by parts from the left; missing parts count 0 (2.1 == 2.1.0).
int CompareVersions(const std::vector<int>& a, const std::vector<int>& b);

struct UpdateOffer {
  enum class Kind { WrongFormat, NotNewer, Newer } kind = Kind::WrongFormat;
  std::string address;  // trimmed; set for Newer only
};
// What a reply body offers against the own version: no "*", a version that
// does not parse or a newer version with an address that may not be opened
// is WrongFormat.
UpdateOffer ReadUpdateReply(const std::string& body, const std::string& ownVersion);
// A download address that may be handed to the shell: http:// or https://
// (any case) followed by more, and no control character.
bool IsDownloadAddress(const std::string& address);

// ---- the check ------------------------------------------------------------------

// What the check does to the outside; the main window's parts by default
// (UpdateCheck::ForMainWindow), fakes in tests.
struct UpdatePorts {
  std::function<void(int page)> ShowPage;  // 3 waiting, 2 internet menu
  std::function<void(bool on)> SetTimer;   // the 15 s time-out
  std::function<bool(const std::string& url)> Get;
  std::function<void()> Abort;
  std::function<int(const std::string& text, MsgKind kind, MsgButtons buttons)> Box;
  std::function<std::string(const std::string& key, const std::string& german)> Tr;
  std::function<void(const std::string& address)> OpenAddress;
  std::function<void()> Terminate;
  std::string ProjectIni;                  // AppDir\project.ini
  std::string OwnVersion = "2.10";
};

class UpdateCheck : public ui::Component {
 public:
  UpdateCheck(ui::Component* owner, UpdatePorts ports);

  // The check bound to the main window's NMHTTP_Update, Timer_UpdateTimeOut,
  // pages and boxes; owned by the window.
  static UpdateCheck* ForMainWindow(TForm_ZAMO2& window);

  // Button_UpdateNow: starts a check unless one is pending.
  void Start();
  // The client's events and the timer.
  void ReplyArrived(int status, const std::string& body);
  void Failed();
  void TimedOut() { Failed(); }

  bool Pending() const { return pending_; }

 private:
  void Finish();
  void WrongFormat();

  UpdatePorts ports_;
  bool pending_ = false;
};

// What the main window's Update item does: the window's check, started.
void StartUpdateCheck(TForm_ZAMO2& window);

}  // namespace qz::shell
