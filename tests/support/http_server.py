#!/usr/bin/env python3
"""Local HTTP server for the tests of the HTTP client.

Binds 127.0.0.1 on a free port and writes the port number (decimal text) to
the port file, which tests read as C:\\qztests\\http-port.txt. Serves fixed
paths only:

  /small.txt       200, a short text (SMALL_TEXT)
  /big.bin         200, BIG_SIZE bytes, byte i = (i * 7 + 3) % 251
  /stream.bin      200, BIG_SIZE bytes without Content-Length (read to close)
  /body404.txt     200 whose body contains "404"
  /missing.txt     404 with an HTML error page
  /error500        500 with an HTML error page
  /hang            accepts and reads the request, never answers (HANG_SECONDS)
  /slow.bin        200, SLOW_SIZE bytes announced, 4 KiB every 100 ms
  /truncated.bin   200, announces 100000 bytes, sends 1000 and closes
  /redirect        302 to /small.txt
  /headers         200, with the extra header "X-Qz-Test: yes"
  /nostatus        no status line and no header: raw bytes, then close
  /nostatus-http   the same, its first line merely mentions HTTP/1.1 200 OK
  /speedtest/...   the speed test's paths (see speedtest_get below)
  /update/<name>   update notices (UPDATE_REPLIES): newer, same, older,
                   nostar, badaddress, 404 (status 404 with a "*" body),
                   slow (the newer notice after SLOW_UPDATE_SECONDS), late
                   (after LATE_UPDATE_SECONDS, beyond the program's 15 s)

Usage: http_server.py --port-file PATH [--pid-file PATH] [--idle-exit SECONDS]
Ends on SIGTERM, or after SECONDS without a request or open connection.
"""
import argparse
import http.server
import os
import select
import signal
import socketserver
import sys
import threading
import time

SMALL_TEXT = b"Hello from the test server.\r\nSecond line.\r\n"
BIG_SIZE = 3 * 1024 * 1024 + 12345
SLOW_SIZE = 1024 * 1024
HANG_SECONDS = 300

# The update check's replies: path name -> (status, body).
UPDATE_REPLIES = {
    "newer": (200, b"2.11*http://www.brinvale.example/download/quenzal2.exe\r\n"),
    "same": (200, b"2.10*http://www.brinvale.example/download/quenzal2.exe"),
    "older": (200, b"2.9*http://www.brinvale.example/download/quenzal2.exe"),
    "nostar": (200, b"2.11\r\n"),
    "badaddress": (200, b"2.11*file:///C:/windows/system32/calc.exe"),
    "404": (404, b"2.11*http://www.brinvale.example/download/quenzal2.exe"),
    "slow": (200, b"2.11*http://www.brinvale.example/download/quenzal2.exe"),
    "late": (200, b"2.11*http://www.brinvale.example/download/quenzal2.exe"),
}
SLOW_UPDATE_SECONDS = 1.5
LATE_UPDATE_SECONDS = 20


def big_body(size):
    pattern = bytes((i * 7 + 3) % 251 for i in range(251))
    reps = size // 251 + 1
    return (pattern * reps)[:size]


BIG = big_body(BIG_SIZE)


# ---- the speed test's paths -------------------------------------------------
#
#   /speedtest/address.txt   an address file whose first line is the address of
#                            a path on this server: target=PATH (default
#                            /speedtest/file.bin), eol=crlf|lf|cr|none (crlf),
#                            extra=N more lines after it, length=N pads the
#                            address (with a query) to N characters, pad=N
#                            fills the body with more lines up to N bytes,
#                            text=T is the whole body instead ("{port}" in it
#                            becomes the server's port)
#   /speedtest/file.bin      size=N bytes (default 1 MiB), one pattern block
#                            repeated (the benchmark's large body)
#   /speedtest/stall.bin     announces size=N bytes, sends send=M of them and
#                            then holds the connection without a word (with
#                            hold=S: for S seconds, then sends the rest)
#   /speedtest/count         tag=X: how many requests carried tag=X
# Any request whose query holds tag=X is counted under X.

SPEED_BLOCK = big_body(64 * 1024)


def speedtest_query(handler):
    from urllib.parse import parse_qs, urlsplit
    q = parse_qs(urlsplit(handler.path).query, keep_blank_values=True)
    return {k: v[0] for k, v in q.items()}


def hold_connection(handler):
    """Holds the connection open without a word until the client gives up
    (ends early when the client closes the connection)."""
    deadline = time.time() + HANG_SECONDS
    while time.time() < deadline and not handler.server.stopping:
        readable, _, _ = select.select([handler.connection], [], [], 0.2)
        if readable:
            try:
                if not handler.connection.recv(4096):
                    break
            except OSError:
                break
    handler.close_connection = True


def speedtest_get(handler):
    """Counts tagged requests and serves the /speedtest/ paths; True when it answered."""
    path = handler.path.split("?", 1)[0]
    q = speedtest_query(handler)
    if path == "/speedtest/count":
        with handler.server.lock:
            n = handler.server.__dict__.setdefault("tags", {}).get(q.get("tag", ""), 0)
        handler.send_body(200, str(n).encode(), "text/plain")
        return True
    if "tag" in q:
        with handler.server.lock:
            tags = handler.server.__dict__.setdefault("tags", {})
            tags[q["tag"]] = tags.get(q["tag"], 0) + 1
    if not path.startswith("/speedtest/"):
        return False
    port = handler.server.server_address[1]
    if path == "/speedtest/address.txt":
        if "text" in q:
            body = q["text"].replace("{port}", str(port))
        else:
            eol = {"crlf": "\r\n", "lf": "\n", "cr": "\r", "none": ""}[q.get("eol", "crlf")]
            address = "http://127.0.0.1:%d%s" % (port, q.get("target", "/speedtest/file.bin"))
            length = int(q.get("length", "0"))
            if length > len(address):
                filler = ("&" if "?" in address else "?") + "pad="
                address += filler + "a" * max(0, length - len(address) - len(filler))
            body = address + eol
            for _ in range(int(q.get("extra", "0"))):
                body += "http://127.0.0.1:%d/missing.txt" % port + (eol or "\r\n")
            pad = int(q.get("pad", "0"))
            if len(body) < pad:
                if not body.endswith(("\r", "\n")):
                    body += "\r\n"
                line = "x" * 78 + "\r\n"
                while len(body) < pad:
                    body += line[:pad - len(body)]
        handler.send_body(200, body.encode(), "text/plain")
    elif path == "/speedtest/file.bin":
        size = int(q.get("size", str(1024 * 1024)))
        handler.send_response(200)
        handler.send_header("Content-Type", "application/octet-stream")
        handler.send_header("Content-Length", str(size))
        handler.end_headers()
        try:
            sent = 0
            view = memoryview(SPEED_BLOCK)
            while sent < size and not handler.server.stopping:
                n = min(len(SPEED_BLOCK), size - sent)
                handler.wfile.write(view[:n])
                sent += n
        except (BrokenPipeError, ConnectionResetError):
            handler.close_connection = True
    elif path == "/speedtest/stall.bin":
        size = int(q.get("size", str(1024 * 1024)))
        send = min(size, int(q.get("send", "8192")))
        handler.send_response(200)
        handler.send_header("Content-Type", "application/octet-stream")
        handler.send_header("Content-Length", str(size))
        handler.end_headers()
        body = big_body(size)
        try:
            handler.wfile.write(body[:send])
            handler.wfile.flush()
            if "hold" in q:
                time.sleep(float(q["hold"]))
                handler.wfile.write(body[send:])
                handler.wfile.flush()
                return True
        except (BrokenPipeError, ConnectionResetError):
            handler.close_connection = True
            return True
        hold_connection(handler)
    else:
        handler.send_body(404, b"unknown path", "text/plain")
    return True


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QzTestServer/1.0"

    def setup(self):
        with self.server.lock:
            self.server.active += 1
            self.server.last_use = time.time()
        super().setup()

    def finish(self):
        try:
            super().finish()
        finally:
            with self.server.lock:
                self.server.active -= 1
                self.server.last_use = time.time()

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (time.strftime("%H:%M:%S"), fmt % args))

    def send_body(self, code, body, ctype="application/octet-stream", extra=None, length=True):
        self.send_response(code)
        self.send_header("Content-Type", ctype)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def do_GET(self):
        if speedtest_get(self):
            return
        path = self.path.split("?", 1)[0]
        if path == "/small.txt":
            self.send_body(200, SMALL_TEXT, "text/plain")
        elif path == "/big.bin":
            self.send_body(200, BIG)
        elif path == "/stream.bin":
            self.send_body(200, BIG, length=False)
        elif path == "/body404.txt":
            self.send_body(200, b"Error 404 - the list is not here\r\n", "text/plain")
        elif path == "/missing.txt":
            self.send_body(404, b"<html><body>404 Not Found</body></html>", "text/html")
        elif path == "/error500":
            self.send_body(500, b"<html><body>500 Internal Server Error</body></html>", "text/html")
        elif path == "/hang":
            hold_connection(self)
        elif path == "/slow.bin":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(SLOW_SIZE))
            self.end_headers()
            body = big_body(SLOW_SIZE)
            try:
                for off in range(0, SLOW_SIZE, 4096):
                    self.wfile.write(body[off:off + 4096])
                    self.wfile.flush()
                    time.sleep(0.1)
                    if self.server.stopping:
                        break
            except (BrokenPipeError, ConnectionResetError):
                pass
            self.close_connection = True
        elif path == "/truncated.bin":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            try:
                self.wfile.write(BIG[:1000])
            except (BrokenPipeError, ConnectionResetError):
                pass
            self.close_connection = True
        elif path == "/redirect":
            self.send_response(302)
            self.send_header("Location", "/small.txt")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path in ("/nostatus", "/nostatus-http"):
            # No status line at all: a misconfigured or hostile server.
            raw = b"C:\\Windows\\\r\nD:\\Data\\\r\n"
            if path == "/nostatus-http":
                raw = b"the list says HTTP/1.1 200 OK\r\n" + raw
            try:
                self.wfile.write(raw)
            except (BrokenPipeError, ConnectionResetError):
                pass
            self.close_connection = True
        elif path == "/headers":
            self.send_body(200, b"ok", "text/plain", {"X-Qz-Test": "yes"})
        elif path.startswith("/update/") and path[len("/update/"):] in UPDATE_REPLIES:
            name = path[len("/update/"):]
            if name in ("slow", "late"):
                time.sleep(SLOW_UPDATE_SECONDS if name == "slow" else LATE_UPDATE_SECONDS)
            status, body = UPDATE_REPLIES[name]
            self.send_body(status, body, "text/plain")
        else:
            self.send_body(404, b"unknown path", "text/plain")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    stopping = False
    active = 0
    last_use = time.time()
    lock = threading.Lock()

    def handle_error(self, request, client_address):
        # Clients that abort or time out reset their connections: one line, no trace.
        err = sys.exc_info()[1]
        if isinstance(err, (ConnectionResetError, BrokenPipeError, ConnectionAbortedError)):
            sys.stderr.write("%s connection from %s:%d dropped by the client\n"
                             % (time.strftime("%H:%M:%S"), client_address[0], client_address[1]))
        else:
            super().handle_error(request, client_address)


def write_atomic(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port-file", required=True)
    ap.add_argument("--pid-file")
    ap.add_argument("--idle-exit", type=float, default=0)
    args = ap.parse_args()

    server = Server(("127.0.0.1", 0), Handler)
    port = server.server_address[1]
    os.makedirs(os.path.dirname(os.path.abspath(args.port_file)), exist_ok=True)
    if args.pid_file:
        write_atomic(args.pid_file, "%d\n" % os.getpid())
    write_atomic(args.port_file, "%d\n" % port)
    sys.stderr.write("listening on 127.0.0.1:%d\n" % port)
    sys.stderr.flush()

    def stop(*_):
        server.stopping = True
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    if args.idle_exit > 0:
        def watch():
            while not server.stopping:
                time.sleep(1)
                with server.lock:
                    idle = server.active == 0 and time.time() - server.last_use > args.idle_exit
                if idle:
                    stop()
                    return
        threading.Thread(target=watch, daemon=True).start()

    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
        for p in (args.port_file, args.pid_file):
            try:
                if p:
                    with open(p) as f:
                        content = f.read().strip()
                    # Remove only our own files (another server may have replaced them).
                    if (p == args.port_file and content == str(port)) or \
                       (p == args.pid_file and content == str(os.getpid())):
                        os.remove(p)
            except OSError:
                pass


if __name__ == "__main__":
    main()
