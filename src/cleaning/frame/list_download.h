// The exception-list download of the cleaners' download page: a module's two
// list files (a folder list and a file list beside the program) fetched anew
// from the addresses in project.ini, section "NewLists", one after the other.
//
//   Drive Cleaner: keys DC_Folders / DC_Files  -> DC-Folders.txt / DC-Files.txt
//   DLL Cleaner:   keys DLL_Folders / DLL_Files -> DLL-Folders.txt / DLL-Files.txt
//
// Rules: a reply counts only with status 200 and a non-empty body of at most
// 1 MiB that holds no "404"; each fetch runs on the HTTP client's worker
// thread and ends after 20 s at most (no reply is a failure); a list is
// written to its name + ".tmp" and then moved over the old one, so any failure
// leaves the old list as it was. A failed first fetch keeps both lists; a
// failed second one keeps the new folder list and the old file list.
//
// In a window:
//   download_ = new cleaning::ExceptionListDownload(this, kMyLists);
//   download_->OnStored = [this] { return options_->ReloadLists(); };
//   download_->OnFinished = [this] { Button_CheckNewExceptions->SetEnabled(true); };
//   ... Button_CheckNewExceptions: SetEnabled(false); download_->Start();
// Boxes (owned by the window, nothing under OcoRunning): "Error in
// project.ini!" (an address missing, not translated), the window's
// "MESSAGE_NewListsFailed" (error icon) or, after OnStored, its
// "MESSAGE_NewListsDownloaded" (information icon).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "core/translation.h"
#include "ui/component.h"

namespace qz::ui {
class Form;
class HttpClient;
class Timer;
}  // namespace qz::ui

namespace qz::cleaning {

// A module's two lists: project.ini keys in section "NewLists" and the file
// names below the program folder.
struct ExceptionLists {
  std::string FolderKey;   // "DC_Folders"
  std::string FileKey;     // "DC_Files"
  std::string FolderFile;  // "DC-Folders.txt"
  std::string FileFile;    // "DC-Files.txt"
};

inline constexpr unsigned kListDownloadTimeoutMs = 20000;
inline constexpr size_t kMaxListBytes = 1024 * 1024;
inline constexpr const char* kProjectIniError = "Error in project.ini!";

// The address of a list in project.ini (section NewLists); "" when missing.
std::string ListDownloadUrl(const std::string& projectIni, const std::string& key);

enum class ListStore { Stored, BadStatus, EmptyBody, TooLarge, ErrorPage, WriteFailed };
// Takes one fetched reply for a list file (the rules above, CR LF line ends).
// Stored is the only success.
ListStore StoreDownloadedList(const std::string& listPath, int status, const std::string& body);

// The refresh of both lists as a sequence of fetches:
//   ExceptionListRefresh r(lists, ProjectIniPath(), AppDir);
//   while (r.State() == NeedFetch) { fetch r.Url(); r.Take(status, body); }
// (no reply = status 0).
class ExceptionListRefresh {
 public:
  enum class Step { NeedFetch, ProjectIniError, Failed, Done };
  ExceptionListRefresh(ExceptionLists lists, const std::string& projectIni, const std::string& appDir);
  Step State() const { return step_; }
  const std::string& Url() const { return url_; }
  const std::string& ListPath() const { return list_; }
  ListStore LastResult() const { return last_; }
  Step Take(int status, const std::string& body);

 private:
  void Load();
  ExceptionLists lists_;
  std::string ini_, appDir_, url_, list_;
  int index_ = 0;  // 0: the folder list, 1: the file list
  Step step_ = Step::NeedFetch;
  ListStore last_ = ListStore::Stored;
};

// The message texts (German defaults, translated through tr).
std::string NewListsFailedMessage(const TranslateFn& tr = {});
std::string NewListsDownloadedMessage(const TranslateFn& tr = {});

// The download as a component of a module window, with the HTTP client
// "NMHTTP_Update" and the time-out timer "Timer_UpdateTimeOut" of its own.
class ExceptionListDownload : public ui::Component {
 public:
  ExceptionListDownload(ui::Form* window, ExceptionLists lists);
  ~ExceptionListDownload() override;

  ui::HttpClient* Http;
  ui::Timer* TimeOut;
  // The time limit of each fetch (milliseconds).
  unsigned TimeoutMs = kListDownloadTimeoutMs;

  // Both lists are stored: the module reloads them (saving its user entries
  // first). False when the program is ending: no box, nothing more.
  std::function<bool()> OnStored;
  // The download ended, whichever way (the button may be enabled again).
  std::function<void()> OnFinished;

  // Starts the download (nothing while one runs); the project.ini and program
  // folder of the installation.
  void Start();
  bool Running() const { return running_; }

 private:
  void Fetch();
  void FetchEnded(int status, const std::string& body);
  void Finish();

  ui::Form* window_;
  ExceptionLists lists_;
  std::optional<ExceptionListRefresh> refresh_;
  bool running_ = false;
};

}  // namespace qz::cleaning
