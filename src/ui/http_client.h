// The HTTP client component: a GET of one address whose body stays in memory
// or goes to a named file, with the response status and header, byte counts
// during the transfer and an abort.
//
// The transfer runs on a worker thread, which reads the body in blocks sized
// to the line (large on a fast line, small enough on a slow one that the
// byte count moves several times a second); its events run on the thread that
// created the component (the GUI thread) when that thread processes its
// messages, never inside Get() itself. Exactly one of OnSuccess, OnFailure,
// OnConnectionFailed and OnInvalidHost ends each transfer that was not
// aborted; OnProgress may come before it. An aborted transfer delivers no
// further event at all, so a failure handler may call Abort().
//
// A reply whose status is outside 200-299 is a failure (the status and the
// body of the error page stay readable). A reply without a status line (raw
// bytes, which WinINet reports as "200 OK") is a failed connection, with
// status 0 and no body. Time limits are the caller's: a timer
// that calls Abort(). A server that accepts the connection and never answers
// keeps the worker blocked until the receive time-out (if set) ends it; the
// abandoned worker then finishes on its own and touches nothing of the
// component, which may be destroyed at any time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/component.h"

namespace qz::ui {

class HttpClient : public Component {
 public:
  explicit HttpClient(Component* owner = nullptr, std::string name = {});
  ~HttpClient() override;

  // Starts a GET whose body is kept in memory (Body()). False, and nothing
  // started, while another transfer of this component runs.
  bool Get(const std::string& url);
  // Starts a GET whose body goes to `bodyFile` and, when given, whose response
  // header goes to `headerFile`. Each is written to a part file of this
  // transfer's own (bodyFile + "." + process and transfer number + ".part")
  // and takes the name only when the transfer succeeds, so a failed or
  // aborted transfer leaves an existing file as it was, and an abandoned
  // transfer whose worker still runs neither blocks a new transfer to the
  // same name nor ever replaces its file.
  bool GetToFile(const std::string& url, const std::string& bodyFile,
                 const std::string& headerFile = {});

  // Abandons the running transfer: no event of it is delivered any more,
  // Cancelled() becomes true and Busy() false. Nothing when idle.
  void Abort();
  // Processes messages until the running transfer has ended and its last
  // event has run, or `timeoutMs` has passed. True when it ended.
  bool WaitForCompletion(DWORD timeoutMs = INFINITE);

  bool Busy() const;
  // True after Abort() until the next Get.
  bool Cancelled() const { return cancelled_; }

  // Results of the last transfer (valid in the events and afterwards).
  int StatusCode() const { return status_; }                 // 0 before a reply
  const std::string& Header() const { return header_; }      // raw header lines, CR LF each
  const std::string& Body() const { return body_; }          // memory mode only
  const std::string& Url() const { return url_; }
  const std::string& ErrorText() const { return errorText_; }  // English, for logs and tests
  DWORD ErrorCode() const { return errorCode_; }               // WinINet or system error, 0 for HTTP
  // Byte counts, readable during the transfer: bytes of the body received so
  // far, and the body size the server announced (-1 when it announced none).
  uint64_t BytesReceived() const;
  int64_t BytesTotal() const;

  // Options (take effect at the next Get).
  // At most this many body bytes are accepted; a longer body fails the
  // transfer (0: no limit).
  uint64_t MaxBodySize = 0;
  // Time-out for each wait on the server after the connection (milliseconds,
  // 0: the system's default, about 30 s). The only thing that ends a transfer
  // to a server that has stopped answering; an aborted transfer's worker also
  // lives until then.
  DWORD ReceiveTimeoutMs = 0;
  // Time-out for making the connection (milliseconds, 0: the system's default).
  DWORD ConnectTimeoutMs = 0;
  std::string UserAgent = "Mozilla/4.0 (compatible)";

  std::function<void(HttpClient&)> OnSuccess;
  // The server answered with a status outside 2xx, the body was cut off or
  // too long, the address is malformed, or the file could not be written.
  std::function<void(HttpClient&)> OnFailure;
  // No connection could be made or it broke before a reply arrived (refused,
  // reset, timed out), or what came back was no HTTP reply (no status line).
  std::function<void(HttpClient&)> OnConnectionFailed;
  // The host name could not be resolved.
  std::function<void(HttpClient&)> OnInvalidHost;
  // Byte counts changed (coalesced: at most one pending at a time, and at
  // most one per 50 ms). The last call before OnSuccess shows the full count.
  std::function<void(HttpClient&)> OnProgress;

  struct Transfer;  // shared with the worker thread

 private:
  bool Start(const std::string& url, const std::string& bodyFile, const std::string& headerFile);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void OnWorkerMessage(uint64_t id, int kind);
  // Runs a handler; false when the component was destroyed inside it.
  bool Fire(const std::function<void(HttpClient&)>& handler);

  HWND window_ = nullptr;
  DWORD thread_ = 0;
  std::shared_ptr<Transfer> transfer_;  // the running transfer, or null
  bool cancelled_ = false;
  int status_ = 0;
  std::string header_, body_, url_, errorText_;
  DWORD errorCode_ = 0;
  uint64_t lastReceived_ = 0;
  int64_t lastTotal_ = -1;
  uint64_t progressShown_ = 0;
  bool finishing_ = false;  // the ending transfer's last events are running
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qz::ui
