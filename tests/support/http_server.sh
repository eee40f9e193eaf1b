# Sourced (after tools/env.sh) by test.sh and tools/wine-run: the local HTTP
# server that the tests of the HTTP client talk to. Tests read its port from
# C:\qztests\http-port.txt.
QZ_HTTP_PORTFILE="$WINEPREFIX/drive_c/qztests/http-port.txt"
QZ_HTTP_PIDFILE="$QZ_SANDBOX/http-server.pid"
QZ_HTTP_LOG="$QZ_SANDBOX/http-server.log"

# True when the server named in the pid file runs and the port file exists.
qz_http_server_alive() {
  local pid
  pid=$(cat "$QZ_HTTP_PIDFILE" 2>/dev/null) || return 1
  [ -n "$pid" ] && [ -f "$QZ_HTTP_PORTFILE" ] && kill -0 "$pid" 2>/dev/null
}

# Starts a server (arguments go to http_server.py) and waits for its port file.
# Sets QZ_HTTP_PID.
qz_start_http_server() {
  rm -f "$QZ_HTTP_PORTFILE"
  python3 "$QZ_ROOT/tests/support/http_server.py" --port-file "$QZ_HTTP_PORTFILE" \
    --pid-file "$QZ_HTTP_PIDFILE" "$@" </dev/null >>"$QZ_HTTP_LOG" 2>&1 9>&- &
  QZ_HTTP_PID=$!
  local i
  for i in $(seq 100); do
    [ -f "$QZ_HTTP_PORTFILE" ] && return 0
    kill -0 "$QZ_HTTP_PID" 2>/dev/null || break
    sleep 0.05
  done
  echo "the test HTTP server did not start (see $QZ_HTTP_LOG)" >&2
  return 1
}

# Ends the server this shell started.
qz_stop_http_server() {
  [ -n "${QZ_HTTP_PID:-}" ] || return 0
  kill "$QZ_HTTP_PID" 2>/dev/null && wait "$QZ_HTTP_PID" 2>/dev/null
  QZ_HTTP_PID=
}

# For single runs outside test.sh: a server shared by every run in this
# sandbox that ends by itself after two idle minutes.
qz_ensure_http_server() {
  (
    flock 9
    qz_http_server_alive || qz_start_http_server --idle-exit 120
  ) 9>"$QZ_SANDBOX/http-server.lock"
}
