#include "ui/http_client.h"

#include <wininet.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/pump.h"
#include "core/text.h"
#include "ui/application.h"

namespace qz::ui {

namespace {

enum Outcome : int {
  kRunning = 0,
  kSuccess,
  kFailure,
  kConnectionFailed,
  kInvalidHost,
  kAbandoned,
};

enum MessageKind : LPARAM { kProgressMessage = 1, kDoneMessage = 2 };

// Reads of the body: each read waits until its buffer is full (or the body
// ends), so the size follows the line. A full buffer that came quickly
// doubles the next read, a slow read halves it: a fast line is read in large
// blocks, and on a slow one the byte count still moves every few tenths of a
// second.
constexpr DWORD kFirstRead = 8 * 1024;
constexpr DWORD kSmallestRead = 4 * 1024;
constexpr DWORD kLargestRead = 256 * 1024;
constexpr int64_t kQuickReadMs = 20;
constexpr int64_t kSlowReadMs = 150;
// At most one progress event per this many milliseconds.
constexpr int64_t kProgressIntervalMs = 50;
// An error page kept in memory is cut at this size.
constexpr uint64_t kErrorBodyLimit = 1024 * 1024;

std::atomic<uint64_t> g_nextId{1};

UINT EventMessage() {
  static const UINT msg = RegisterWindowMessageW(L"QzHttpClientEvent");
  return msg;
}

// The class of the message-only windows that receive the workers' events.
const wchar_t* WindowClass(WNDPROC proc) {
  static const wchar_t* const name = L"QzHttpClientSink";
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
    registered = true;
  }
  return name;
}

// Closes a WinINet handle at scope end.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HINTERNET h) : h_(h) {}
  ~Handle() {
    if (h_) InternetCloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HINTERNET h_ = nullptr;
};

std::string SystemMessage(DWORD code) {
  wchar_t* buf = nullptr;
  HMODULE wininet = GetModuleHandleW(L"wininet.dll");
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                FORMAT_MESSAGE_FROM_SYSTEM | (wininet ? FORMAT_MESSAGE_FROM_HMODULE : 0);
  DWORD n = FormatMessageW(flags, wininet, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string text = n && buf ? Trim(Narrow(std::wstring(buf, n))) : std::string();
  if (buf) LocalFree(buf);
  return "error " + std::to_string(code) + (text.empty() ? "" : " (" + text + ")");
}

bool SetTimeout(HINTERNET h, DWORD option, DWORD ms) {
  return ms == 0 || InternetSetOptionW(h, option, &ms, sizeof ms);
}

std::wstring QueryText(HINTERNET request, DWORD info) {
  DWORD size = 0;
  HttpQueryInfoW(request, info, nullptr, &size, nullptr);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (!HttpQueryInfoW(request, info, text.data(), &size, nullptr)) return {};
  text.resize(size / sizeof(wchar_t));
  return text;
}

// Whether the reply's header, as WinINet gives it (HTTP_QUERY_RAW_HEADERS_CRLF),
// comes from a real status line: "HTTP/x.y nnn" followed by at least one
// header field. For a reply without a status line WinINet makes up the bare
// line "HTTP/1.0 200 OK" and nothing else; every real server sends header
// fields (a date, a type, a length, or "Connection: close") after its status.
bool HasStatusLine(const std::string& header) {
  const size_t end = header.find("\r\n");
  if (end == std::string::npos) return false;
  const std::string line = header.substr(0, end);
  if (line.size() < 12 || line.compare(0, 5, "HTTP/") != 0) return false;
  const size_t space = line.find(' ');
  if (space == std::string::npos || space + 4 > line.size()) return false;
  for (size_t i = space + 1; i < space + 4; ++i)
    if (line[i] < '0' || line[i] > '9') return false;
  // At least one field line: something other than the closing empty line.
  const size_t next = header.find_first_not_of("\r\n", end);
  return next != std::string::npos;
}

// A file written under a name of its own transfer (so a transfer that was
// abandoned and still runs never shares a file with a new one) and removed
// unless kept.
class PartFile {
 public:
  ~PartFile() { Discard(); }
  bool Create(const std::wstring& finalPath, uint64_t transferId) {
    path_ = finalPath + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(transferId) + L".part";
    h_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h_ != INVALID_HANDLE_VALUE) return true;
    path_.clear();
    return false;
  }
  bool Write(const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(h_, data, size, &written, nullptr) && written == size;
  }
  // Closes the file and gives it its final name.
  bool Keep(const std::wstring& finalPath) {
    if (h_ == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    if (MoveFileExW(path_.c_str(), finalPath.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
      path_.clear();
      return true;
    }
    return false;
  }
  void Discard() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    if (!path_.empty()) DeleteFileW(path_.c_str());
    path_.clear();
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
  std::wstring path_;
};

}  // namespace

// Everything the worker thread touches. The component and the worker share
// it; whoever lets go last frees it.
struct HttpClient::Transfer {
  uint64_t id = 0;
  HWND window = nullptr;
  std::string url, bodyFile, headerFile, userAgent;
  uint64_t maxBody = 0;
  DWORD receiveTimeout = 0, connectTimeout = 0;

  std::atomic<bool> abandoned{false};
  std::atomic<uint64_t> received{0};
  std::atomic<int64_t> total{-1};
  std::atomic<bool> progressPending{false};
  int64_t lastProgressPost = INT64_MIN / 2;  // worker only
  // Held while the abandoned flag is set and while a finished file takes
  // its name, so an abandoned transfer never renames its file.
  std::mutex keepLock;
  // Written by the worker before it publishes the outcome.
  int status = 0;
  std::string header, body, errorText;
  DWORD errorCode = 0;
  std::atomic<int> outcome{kRunning};

  int Fail(int outcome, DWORD code, std::string text) {
    errorCode = code;
    errorText = std::move(text);
    return outcome;
  }
  void Post(LPARAM kind) {
    if (!abandoned.load()) PostMessageW(window, EventMessage(), static_cast<WPARAM>(id), kind);
  }
  void CountBytes(uint64_t n) {
    received.store(n);
    const int64_t now = CounterMs();
    if (now - lastProgressPost < kProgressIntervalMs) return;
    if (!progressPending.exchange(true)) {
      lastProgressPost = now;
      Post(kProgressMessage);
    }
  }
  void Abandon() {
    std::lock_guard<std::mutex> lock(keepLock);
    abandoned.store(true);
  }
  // Gives the part file its final name unless the transfer was abandoned.
  int Keep(PartFile& file, const std::wstring& finalPath, const std::string& what) {
    std::lock_guard<std::mutex> lock(keepLock);
    if (abandoned.load()) return kAbandoned;
    if (!file.Keep(finalPath)) return Fail(kFailure, GetLastError(), "Cannot write the " + what);
    return kSuccess;
  }
  int Perform();
  int ReadBody(HINTERNET request, bool toFile);
};

int HttpClient::Transfer::Perform() {
  // The address.
  std::wstring wurl = Widen(url);
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength =
      parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (wurl.empty() || !InternetCrackUrlW(wurl.c_str(), static_cast<DWORD>(wurl.size()), 0, &parts))
    return Fail(kFailure, GetLastError(), "Malformed address: " + url);
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return Fail(kFailure, 0, "Not an HTTP address: " + url);
  std::wstring host(parts.lpszHostName ? parts.lpszHostName : L"", parts.dwHostNameLength);
  if (host.empty()) return Fail(kInvalidHost, ERROR_INTERNET_NAME_NOT_RESOLVED, "No host name: " + url);
  std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  Handle session(InternetOpenW(Widen(userAgent).c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                               nullptr, 0));
  if (!session) return Fail(kFailure, GetLastError(), "WinINet: " + SystemMessage(GetLastError()));
  SetTimeout(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout);
  SetTimeout(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeout);
  Handle connection(InternetConnectW(session.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection)
    return Fail(kConnectionFailed, GetLastError(), "Connect: " + SystemMessage(GetLastError()));
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  const wchar_t* accept[] = {L"*/*", nullptr};
  Handle request(HttpOpenRequestW(connection.get(), L"GET", path.c_str(), nullptr, nullptr, accept,
                                  flags, 0));
  if (!request)
    return Fail(kConnectionFailed, GetLastError(), "Request: " + SystemMessage(GetLastError()));
  // Under Wine only a time-out set on the request handle ends a wait on a
  // server that has stopped answering.
  SetTimeout(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout);
  SetTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeout);
  SetTimeout(request.get(), INTERNET_OPTION_SEND_TIMEOUT, receiveTimeout);
  if (abandoned.load()) return kAbandoned;

  if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) {
    DWORD e = GetLastError();
    if (abandoned.load()) return kAbandoned;
    if (e == ERROR_INTERNET_NAME_NOT_RESOLVED)
      return Fail(kInvalidHost, e, "Host not found: " + Narrow(host));
    if (e == ERROR_HTTP_INVALID_SERVER_RESPONSE || e == ERROR_INTERNET_INVALID_URL ||
        e == ERROR_INTERNET_UNRECOGNIZED_SCHEME)
      return Fail(kFailure, e, SystemMessage(e));
    return Fail(kConnectionFailed, e, "No connection: " + SystemMessage(e));
  }
  if (abandoned.load()) return kAbandoned;

  // The reply. WinINet reports any status as success: the code decides.
  DWORD code = 0, size = sizeof code;
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                      nullptr))
    return Fail(kFailure, GetLastError(), "No status in the reply");
  status = static_cast<int>(code);
  header = Narrow(QueryText(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF));
  // Under Wine a server that never answers can end the wait "successfully"
  // with no status line at all.
  if (status < 100) return Fail(kConnectionFailed, ERROR_INTERNET_TIMEOUT, "No reply from the server");
  // A reply that is not HTTP (raw bytes, then close) is passed off by WinINet
  // as "HTTP/1.0 200 OK" with its first line swallowed: no such reply counts.
  if (!HasStatusLine(header)) {
    status = 0;
    header.clear();
    return Fail(kConnectionFailed, ERROR_HTTP_INVALID_SERVER_RESPONSE, "No status line in the reply");
  }
  std::wstring length = QueryText(request.get(), HTTP_QUERY_CONTENT_LENGTH);
  if (!length.empty()) {
    uint64_t n = 0;
    bool digits = true;
    for (wchar_t c : length) {
      if (c < L'0' || c > L'9' || n > (UINT64_MAX - 9) / 10) {
        digits = false;
        break;
      }
      n = n * 10 + static_cast<uint64_t>(c - L'0');
    }
    if (digits) total.store(static_cast<int64_t>(n));
  }
  if (!headerFile.empty()) {
    PartFile file;
    if (!file.Create(Widen(headerFile), id) || !file.Write(header.data(), static_cast<DWORD>(header.size())))
      return Fail(kFailure, GetLastError(), "Cannot write the header file: " + headerFile);
    int kept = Keep(file, Widen(headerFile), "header file: " + headerFile);
    if (kept != kSuccess) return kept;
  }

  const bool ok = status >= 200 && status <= 299;
  if (ok && maxBody > 0 && total.load() > 0 && static_cast<uint64_t>(total.load()) > maxBody)
    return Fail(kFailure, 0, "Body larger than " + std::to_string(maxBody) + " bytes");
  if (!ok) {
    // Keep the error page in memory for the caller to look at; nothing goes to a file.
    uint64_t saved = maxBody;
    maxBody = saved ? std::min(saved, kErrorBodyLimit) : kErrorBodyLimit;
    int r = ReadBody(request.get(), false);
    if (r == kAbandoned) return r;
    return Fail(kFailure, 0, "HTTP status " + std::to_string(status));
  }
  return ReadBody(request.get(), !bodyFile.empty());
}

int HttpClient::Transfer::ReadBody(HINTERNET request, bool toFile) {
  PartFile file;
  const std::wstring finalPath = toFile ? Widen(bodyFile) : std::wstring();
  if (toFile && !file.Create(finalPath, id))
    return Fail(kFailure, GetLastError(), "Cannot create the file: " + bodyFile);
  std::vector<char> buf(kLargestRead);
  DWORD want = kFirstRead;
  uint64_t got = 0;
  for (;;) {
    if (abandoned.load()) return kAbandoned;
    const int64_t started = CounterMs();
    DWORD n = 0;
    if (!InternetReadFile(request, buf.data(), want, &n)) {
      DWORD e = GetLastError();
      if (abandoned.load()) return kAbandoned;
      return Fail(kFailure, e, "Transfer broken: " + SystemMessage(e));
    }
    const int64_t took = CounterMs() - started;
    if (abandoned.load()) return kAbandoned;
    if (n == 0) break;
    if (maxBody > 0 && got + n > maxBody) {
      if (status < 200 || status > 299) break;  // an error page is simply cut
      return Fail(kFailure, 0, "Body larger than " + std::to_string(maxBody) + " bytes");
    }
    if (toFile) {
      if (!file.Write(buf.data(), n))
        return Fail(kFailure, GetLastError(), "Cannot write the file: " + bodyFile);
    } else {
      body.append(buf.data(), n);
    }
    got += n;
    CountBytes(got);
    if (n == want && took < kQuickReadMs)
      want = std::min(want * 2, kLargestRead);
    else if (took > kSlowReadMs)
      want = std::max(want / 2, kSmallestRead);
  }
  const int64_t announced = total.load();
  if (announced >= 0 && got < static_cast<uint64_t>(announced) && status >= 200 && status <= 299)
    return Fail(kFailure, 0,
                "Transfer cut off after " + std::to_string(got) + " of " + std::to_string(announced) +
                    " bytes");
  if (toFile) return Keep(file, finalPath, "file: " + bodyFile);
  return kSuccess;
}

// ---- the component ---------------------------------------------------------

HttpClient::HttpClient(Component* owner, std::string name)
    : Component(owner, std::move(name)), thread_(GetCurrentThreadId()) {
  window_ = CreateWindowExW(0, WindowClass(&HttpClient::WindowProc), L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HttpClient::~HttpClient() {
  if (transfer_) transfer_->Abandon();
  transfer_.reset();
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  *alive_ = false;
}

bool HttpClient::Get(const std::string& url) { return Start(url, {}, {}); }

bool HttpClient::GetToFile(const std::string& url, const std::string& bodyFile,
                           const std::string& headerFile) {
  if (bodyFile.empty()) return false;
  return Start(url, bodyFile, headerFile);
}

bool HttpClient::Start(const std::string& url, const std::string& bodyFile,
                       const std::string& headerFile) {
  if (transfer_ || !window_ || GetCurrentThreadId() != thread_) return false;
  auto t = std::make_shared<Transfer>();
  t->id = g_nextId.fetch_add(1);
  t->window = window_;
  t->url = url;
  t->bodyFile = bodyFile;
  t->headerFile = headerFile;
  t->userAgent = UserAgent;
  t->maxBody = MaxBodySize;
  t->receiveTimeout = ReceiveTimeoutMs;
  t->connectTimeout = ConnectTimeoutMs;

  cancelled_ = false;
  status_ = 0;
  header_.clear();
  body_.clear();
  errorText_.clear();
  errorCode_ = 0;
  url_ = url;
  lastReceived_ = 0;
  lastTotal_ = -1;
  progressShown_ = 0;
  try {
    std::thread([t] {
      int outcome = t->Perform();
      t->outcome.store(outcome);
      if (outcome != kAbandoned) t->Post(kDoneMessage);
    }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  transfer_ = std::move(t);
  return true;
}

void HttpClient::Abort() {
  if (finishing_) cancelled_ = true;  // suppresses the outcome event still to come
  if (!transfer_) return;
  lastReceived_ = transfer_->received.load();
  lastTotal_ = transfer_->total.load();
  transfer_->Abandon();
  transfer_.reset();
  cancelled_ = true;
}

bool HttpClient::Busy() const { return transfer_ != nullptr; }

uint64_t HttpClient::BytesReceived() const {
  return transfer_ ? transfer_->received.load() : lastReceived_;
}

int64_t HttpClient::BytesTotal() const { return transfer_ ? transfer_->total.load() : lastTotal_; }

bool HttpClient::WaitForCompletion(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  std::shared_ptr<bool> alive = alive_;
  while (*alive && transfer_) {
    DWORD waited = GetTickCount() - start;
    if (timeoutMs != INFINITE && waited >= timeoutMs) return false;
    DWORD slice = timeoutMs == INFINITE ? 100 : std::min<DWORD>(100, timeoutMs - waited);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    PumpMessages();
  }
  return true;
}

LRESULT CALLBACK HttpClient::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == EventMessage()) {
    auto* self = reinterpret_cast<HttpClient*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self) Guarded([&] { self->OnWorkerMessage(static_cast<uint64_t>(wp), static_cast<int>(lp)); });
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool HttpClient::Fire(const std::function<void(HttpClient&)>& handler) {
  if (!handler) return true;
  std::shared_ptr<bool> alive = alive_;
  auto copy = handler;  // the handler may replace itself
  copy(*this);
  return *alive;
}

void HttpClient::OnWorkerMessage(uint64_t id, int kind) {
  if (!transfer_ || transfer_->id != id) return;  // aborted or an older transfer
  if (kind == kProgressMessage) {
    transfer_->progressPending.store(false);
    lastReceived_ = transfer_->received.load();
    lastTotal_ = transfer_->total.load();
    if (lastReceived_ == progressShown_) return;
    progressShown_ = lastReceived_;
    Fire(OnProgress);
    return;
  }
  if (kind != kDoneMessage) return;
  std::shared_ptr<Transfer> t = std::move(transfer_);
  const int outcome = t->outcome.load();
  status_ = t->status;
  header_ = std::move(t->header);
  body_ = std::move(t->body);
  errorText_ = std::move(t->errorText);
  errorCode_ = t->errorCode;
  lastReceived_ = t->received.load();
  lastTotal_ = t->total.load();
  if (lastReceived_ != progressShown_) {
    progressShown_ = lastReceived_;
    finishing_ = true;
    std::shared_ptr<bool> token = alive_;
    bool alive = false;
    try {
      alive = Fire(OnProgress);
    } catch (...) {
      if (*token) finishing_ = false;
      throw;
    }
    if (!alive) return;
    finishing_ = false;
    if (cancelled_ || transfer_) return;  // aborted or restarted by the handler
  }
  switch (outcome) {
    case kSuccess: Fire(OnSuccess); break;
    case kConnectionFailed: Fire(OnConnectionFailed); break;
    case kInvalidHost: Fire(OnInvalidHost); break;
    default: Fire(OnFailure); break;
  }
}

}  // namespace qz::ui
