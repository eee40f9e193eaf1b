#include "shell/update_check.h"

#include <algorithm>

#include "core/disk.h"
#include "core/globals.h"
#include "core/help.h"
#include "core/ini.h"
#include "core/text.h"
#include "core/translation.h"
#include "shell/main_window.h"
#include "ui/application.h"
#include "ui/http_client.h"
#include "ui/timer.h"

namespace qz::shell {

namespace {

constexpr int kWaitingPage = 3;
constexpr int kInternetMenuPage = 2;
// Generous for "2.11*http://...": a longer reply is no update notice.
constexpr uint64_t kMaxReplyBytes = 64 * 1024;

const char* const kGermanDownloadNew =
    "Es steht eine neuere Version zum Download bereit. Möchten Sie diese jetzt herunterladen?";
const char* const kGermanNoNew = "Es steht keine neuere Version zur Verfügung. Ihre Version ist aktuell.";
const char* const kGermanFailed =
    "Die Suche nach einem Update für dieses Produkt war nicht erfolgreich!\rEntweder ist der Updateserver nicht "
    "erreichbar oder überlastet - oder es gab ein Problem mit Ihrer Verbindung.";

// Blanks and line breaks around a text.
std::string TrimReply(const std::string& s) {
  const char* ws = " \t\r\n";
  const size_t first = s.find_first_not_of(ws);
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(ws) - first + 1);
}

}  // namespace

// ---- the reply ----------------------------------------------------------------

std::optional<std::vector<int>> ParseVersion(const std::string& text) {
  const std::string t = TrimReply(text);
  if (t.empty()) return std::nullopt;
  std::vector<int> parts;
  size_t i = 0;
  for (;;) {
    size_t digits = 0;
    int value = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      if (++digits > 9) return std::nullopt;  // no part that large is a version
      value = value * 10 + (t[i] - '0');
      ++i;
    }
    if (digits == 0) return std::nullopt;
    parts.push_back(value);
    if (i == t.size()) return parts;
    if (t[i] != '.') return std::nullopt;
    ++i;
  }
}

int CompareVersions(const std::vector<int>& a, const std::vector<int>& b) {
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const int x = i < a.size() ? a[i] : 0, y = i < b.size() ? b[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool IsDownloadAddress(const std::string& address) {
  for (unsigned char c : address)
    if (c < 0x20 || c == 0x7F) return false;
  return (IStartsWith(address, "http://") && address.size() > 7) ||
         (IStartsWith(address, "https://") && address.size() > 8);
}

UpdateOffer ReadUpdateReply(const std::string& body, const std::string& ownVersion) {
  UpdateOffer offer;
  const size_t star = body.find('*');
  if (star == std::string::npos) return offer;
  const auto offered = ParseVersion(body.substr(0, star));
  const auto own = ParseVersion(ownVersion);
  if (!offered || !own) return offer;
  if (CompareVersions(*own, *offered) >= 0) {
    offer.kind = UpdateOffer::Kind::NotNewer;
    return offer;
  }
  std::string address = TrimReply(body.substr(star + 1));
  if (!IsDownloadAddress(address)) return offer;
  offer.kind = UpdateOffer::Kind::Newer;
  offer.address = std::move(address);
  return offer;
}

// ---- the check ------------------------------------------------------------------

UpdateCheck::UpdateCheck(ui::Component* owner, UpdatePorts ports)
    : Component(owner, "UpdateCheck"), ports_(std::move(ports)) {}

void UpdateCheck::Start() {
  if (pending_) return;
  ports_.ShowPage(kWaitingPage);
  if (!FileExists(ports_.ProjectIni)) {
    ports_.Box("Needed file\r" + ports_.ProjectIni + "\r" + "is missing!", MsgKind::Error, MsgButtons::Ok);
    ports_.ShowPage(kInternetMenuPage);
    return;
  }
  const std::string address = IniReadString(ports_.ProjectIni, "Update", "file");
  if (address.empty()) {
    ports_.Box("Update->file is empty!", MsgKind::Error, MsgButtons::Ok);
    ports_.ShowPage(kInternetMenuPage);
    return;
  }
  pending_ = true;
  ports_.SetTimer(true);
  if (!ports_.Get(address)) Failed();
}

void UpdateCheck::ReplyArrived(int status, const std::string& body) {
  if (!pending_) return;  // after the time-out, or a second ending: dropped
  ports_.SetTimer(false);
  if (status < 200 || status > 299) {
    Failed();
    return;
  }
  const UpdateOffer offer = ReadUpdateReply(body, ports_.OwnVersion);
  switch (offer.kind) {
    case UpdateOffer::Kind::WrongFormat:
      WrongFormat();
      return;
    case UpdateOffer::Kind::Newer:
      if (ports_.Box(ports_.Tr("MESSAGE_UpdateDownloadNew", kGermanDownloadNew), MsgKind::Question,
                     MsgButtons::YesNo) == IDYES) {
        ports_.OpenAddress(offer.address);
        ports_.Terminate();
      }
      break;
    case UpdateOffer::Kind::NotNewer:
      ports_.Box(ports_.Tr("MESSAGE_UpdateNoNew", kGermanNoNew), MsgKind::Information, MsgButtons::Ok);
      break;
  }
  Finish();
}

void UpdateCheck::WrongFormat() {
  ports_.Box("Wrong format on server?", MsgKind::Error, MsgButtons::Ok);
  Failed();
}

void UpdateCheck::Failed() {
  if (!pending_) return;
  ports_.SetTimer(false);
  ports_.Abort();
  ports_.Box(ports_.Tr("MESSAGE_UpdateFailed", kGermanFailed), MsgKind::Error, MsgButtons::Ok);
  Finish();
}

void UpdateCheck::Finish() {
  ports_.ShowPage(kInternetMenuPage);
  pending_ = false;
}

UpdateCheck* UpdateCheck::ForMainWindow(TForm_ZAMO2& w) {
  if (auto* existing = w.Find<UpdateCheck>("UpdateCheck")) return existing;
  UpdatePorts p;
  p.ShowPage = [&w](int page) { w.ShowPage(page); };
  p.SetTimer = [&w](bool on) { w.Timer_UpdateTimeOut->SetEnabled(on); };
  p.Get = [&w](const std::string& url) { return w.NMHTTP_Update->Get(url); };
  p.Abort = [&w] { w.NMHTTP_Update->Abort(); };
  p.Box = [&w](const std::string& text, MsgKind kind, MsgButtons buttons) {
    return ui::App().ShowBox(&w, text, kind, buttons);
  };
  p.Tr = [&w](const std::string& key, const std::string& german) { return GetTranslation(w.Name, key, german); };
  p.OpenAddress = [](const std::string& address) { OpenURL(address); };
  p.Terminate = [] { ui::App().Terminate(); };
  p.ProjectIni = ProjectIniPath();
  p.OwnVersion = kProductVersion;
  auto* check = new UpdateCheck(&w, std::move(p));

  ui::HttpClient& client = *w.NMHTTP_Update;
  client.MaxBodySize = kMaxReplyBytes;
  // An abandoned request's worker ends by this at the latest.
  client.ReceiveTimeoutMs = 20000;
  client.OnSuccess = [check](ui::HttpClient& c) { check->ReplyArrived(c.StatusCode(), c.Body()); };
  client.OnFailure = [check](ui::HttpClient&) { check->Failed(); };
  client.OnConnectionFailed = [check](ui::HttpClient&) { check->Failed(); };
  client.OnInvalidHost = [check](ui::HttpClient&) { check->Failed(); };
  w.Timer_UpdateTimeOut->OnTimer = [check] { check->TimedOut(); };
  return check;
}

void StartUpdateCheck(TForm_ZAMO2& window) { UpdateCheck::ForMainWindow(window)->Start(); }

}  // namespace qz::shell
