#include "cleaning/frame/list_download.h"

#include <windows.h>

#include "core/globals.h"
#include "core/ini.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/form_translation.h"
#include "ui/http_client.h"
#include "ui/timer.h"

namespace qz::cleaning {

std::string ListDownloadUrl(const std::string& projectIni, const std::string& key) {
  return Trim(IniReadString(projectIni, "NewLists", key));
}

ListStore StoreDownloadedList(const std::string& listPath, int status, const std::string& body) {
  if (status != 200) return ListStore::BadStatus;
  if (body.empty()) return ListStore::EmptyBody;
  if (body.size() > kMaxListBytes) return ListStore::TooLarge;
  if (body.find("404") != std::string::npos) return ListStore::ErrorPage;
  std::string text = JoinLines(SplitLines(body));
  const std::string tmp = listPath + ".tmp";
  std::wstring wtmp = Widen(tmp), wpath = Widen(listPath);
  if (!WriteFileBytes(tmp, text)) {
    DeleteFileW(wtmp.c_str());
    return ListStore::WriteFailed;
  }
  if (!MoveFileExW(wtmp.c_str(), wpath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(wtmp.c_str());
    return ListStore::WriteFailed;
  }
  return ListStore::Stored;
}

// ---- the sequence of fetches ---------------------------------------------

ExceptionListRefresh::ExceptionListRefresh(ExceptionLists lists, const std::string& projectIni,
                                           const std::string& appDir)
    : lists_(std::move(lists)), ini_(projectIni), appDir_(appDir) {
  Load();
}

void ExceptionListRefresh::Load() {
  url_ = ListDownloadUrl(ini_, index_ == 0 ? lists_.FolderKey : lists_.FileKey);
  list_ = appDir_ + "\\" + (index_ == 0 ? lists_.FolderFile : lists_.FileFile);
  step_ = url_.empty() ? Step::ProjectIniError : Step::NeedFetch;
}

ExceptionListRefresh::Step ExceptionListRefresh::Take(int status, const std::string& body) {
  if (step_ != Step::NeedFetch) return step_;
  last_ = StoreDownloadedList(list_, status, body);
  if (last_ != ListStore::Stored) {
    step_ = Step::Failed;
  } else if (++index_ == 2) {
    step_ = Step::Done;
  } else {
    Load();
  }
  return step_;
}

std::string NewListsFailedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NewListsFailed",
            "Die Suche nach aktuellen Ausnahme-Listen war nicht erfolgreich!\r"
            "Entweder ist der Updateserver nicht erreichbar oder überlastet - oder es gab ein Problem "
            "mit Ihrer Verbindung.");
}

std::string NewListsDownloadedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NewListsDownloaded", "Die aktuellen Ausnahmelisten wurden heruntergeladen und gesichert.");
}

// ---- the component -------------------------------------------------------

ExceptionListDownload::ExceptionListDownload(ui::Form* window, ExceptionLists lists)
    : Component(window, "ExceptionListDownload"), window_(window), lists_(std::move(lists)) {
  Http = new ui::HttpClient(this, "NMHTTP_Update");
  TimeOut = new ui::Timer(this, "Timer_UpdateTimeOut");
  TimeOut->SetInterval(kListDownloadTimeoutMs);
  Http->OnSuccess = [this](ui::HttpClient& c) {
    std::string body = c.Body();
    FetchEnded(c.StatusCode(), body);
  };
  Http->OnFailure = [this](ui::HttpClient& c) { FetchEnded(c.StatusCode(), std::string()); };
  Http->OnConnectionFailed = [this](ui::HttpClient&) { FetchEnded(0, std::string()); };
  Http->OnInvalidHost = [this](ui::HttpClient&) { FetchEnded(0, std::string()); };
  TimeOut->OnTimer = [this] {
    // No answer in time: the fetch counts as failed.
    Http->Abort();
    FetchEnded(0, std::string());
  };
}

ExceptionListDownload::~ExceptionListDownload() {
  TimeOut->SetEnabled(false);
  Http->Abort();
}

void ExceptionListDownload::Start() {
  if (running_) return;
  ui::App().ProcessMessages();
  refresh_.emplace(lists_, ProjectIniPath(), AppDir);
  if (refresh_->State() != ExceptionListRefresh::Step::NeedFetch) {
    ModuleMessage(*window_, kProjectIniError, MsgKind::Error);
    Finish();
    return;
  }
  running_ = true;
  Fetch();
}

void ExceptionListDownload::Fetch() {
  Http->MaxBodySize = kMaxListBytes;
  Http->ReceiveTimeoutMs = TimeoutMs;
  Http->ConnectTimeoutMs = TimeoutMs;
  TimeOut->SetInterval(TimeoutMs);
  TimeOut->SetEnabled(true);
  if (!Http->Get(refresh_->Url())) {
    TimeOut->SetEnabled(false);
    FetchEnded(0, std::string());
  }
}

void ExceptionListDownload::FetchEnded(int status, const std::string& body) {
  TimeOut->SetEnabled(false);
  if (!running_ || !refresh_) return;
  const TranslateFn tr = Translator(*window_);
  switch (refresh_->Take(status, body)) {
    case ExceptionListRefresh::Step::NeedFetch:
      Fetch();
      return;
    case ExceptionListRefresh::Step::ProjectIniError:
      ModuleMessage(*window_, kProjectIniError, MsgKind::Error);
      break;
    case ExceptionListRefresh::Step::Failed:
      Http->Abort();
      ModuleMessage(*window_, NewListsFailedMessage(tr), MsgKind::Error);
      break;
    case ExceptionListRefresh::Step::Done:
      if (OnStored && !OnStored()) {
        Finish();
        return;
      }
      ModuleMessage(*window_, NewListsDownloadedMessage(tr), MsgKind::Information);
      break;
  }
  Finish();
}

void ExceptionListDownload::Finish() {
  running_ = false;
  if (OnFinished) OnFinished();
}

}  // namespace qz::cleaning
