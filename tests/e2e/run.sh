#!/usr/bin/env bash
# Runs one end-to-end script (tests/e2e/<name>.qzs) with the driver
# (tools/win/qzdriver) against the product installed in the sandbox.
#   tests/e2e/run.sh <name> [driver options...]
# CTest runs it for every script (tests/e2e/e2e.cmake); ./test.sh has built,
# installed and started the display and the Wine server by then. Captures the
# script writes to ${QZ_E2E_OUT} are copied to $QZ_BUILD/e2e/.
# Variables for the scripts: QZ_KEY (the product's settings key), QZ_E2E_OUT
# (a Windows folder for captures), QZ_TESTBIN_WIN (where the helper programs lie),
# QZ_HTTP_PORT (the port of the local test server).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
name=${1:?usage: run.sh <script name> [driver options]}
shift
script="$QZ_ROOT/tests/e2e/$name.qzs"
driver="$QZ_BUILD/qzdriver.exe"
[ -f "$script" ] || qz_die "no script $script"
host="$QZ_ROOT/tests/e2e/$name.host.sh"
if [ -f "$host" ]; then
  # A scenario with a host part acts through a window manager, as on a
  # desktop: it runs in a sandbox of its own, made as ./run.sh makes one
  # (Wine's managed windows on), with a Wine server of its own, so that
  # nothing the other tests do at the same time on theirs (the foreground
  # window, the desktop process and its display) reaches it.
  export QZ_SANDBOX="$QZ_BUILD/sandbox-wm"
  source "$QZ_ROOT/tools/env.sh"
  [ -f "$driver" ] && [ -f "$QZ_BUILD/QuenzalSuite2.exe" ] && {
    "$QZ_ROOT/tools/sandbox.sh" make run >/dev/null && "$QZ_ROOT/tools/sandbox.sh" install || exit 1
    wineserver -k >/dev/null 2>&1
    wineserver -w
  }
fi
# Not built or not installed: skipped (exit code 77), not failed.
[ -f "$driver" ] || { echo "skipped: the driver is not built (QZ_TARGETS=\"qzdriver bench_shaped qzurlcache\" ./test.sh -R e2e)"; exit 77; }
[ -f "$QZ_PROGDIR/QuenzalSuite2.exe" ] || { echo "skipped: the product is not installed in the sandbox (tools/sandbox.sh install)"; exit 77; }
if [ -f "$QZ_BUILD/QuenzalSuite2.exe" ] && ! cmp -s "$QZ_BUILD/QuenzalSuite2.exe" "$QZ_PROGDIR/QuenzalSuite2.exe"; then
  echo "warning: the installed product differs from the build (tools/sandbox.sh install)" >&2
fi

dir="$WINEPREFIX/drive_c/qztests/e2e"
out="$dir/out-$name"
rm -rf "$out"
mkdir -p "$out" "$QZ_TESTBIN"
cp -f "$script" "$dir/$name.qzs"
# The DLL Cleaner's fixture libraries, which its scenario plants.
if compgen -G "$QZ_BUILD/dllfx/*.dll" >/dev/null; then
  mkdir -p "$QZ_TESTBIN/dllfx"
  cp -f "$QZ_BUILD"/dllfx/*.dll "$QZ_TESTBIN/dllfx/"
fi
# A script's companion files (<name>.plant.reg, <name>.files.cmd ...) lie beside it.
for f in "$QZ_ROOT/tests/e2e/$name".*; do
  case "$f" in "$script"|*.check.sh) ;; *) cp -f "$f" "$dir/" ;; esac
done
# Helper programs the scripts start (the shaped-window floor, registry
# snapshots, the URL-cache tool, the stand-in for missing Windows tools).
for exe in bench_shaped.exe regsnap.exe qzurlcache.exe fake_tool.exe; do
  [ -f "$QZ_BUILD/$exe" ] && { rm -f "$QZ_TESTBIN/$exe"; ln "$QZ_BUILD/$exe" "$QZ_TESTBIN/$exe" 2>/dev/null || cp "$QZ_BUILD/$exe" "$QZ_TESTBIN/$exe"; }
done

run_driver() {
  "$QZ_ROOT/tools/wine-run" "$driver" \
    --define 'QZ_KEY=HKLM\Software\Brinvale\Brinvale Sysvantor Quenzal Suite 2' \
    --define "QZ_E2E_OUT=C:\\qztests\\e2e\\out-$name" \
    --define 'QZ_TESTBIN_WIN=C:\qztests\bin' \
    --define "QZ_HTTP_PORT=$http_port" \
    "$@" "C:\\qztests\\e2e\\$name.qzs" </dev/null
}

if [ -f "$host" ]; then
  # ... and a display of its own with openbox. The Wine session (the server
  # and Wine's desktop process) starts first, on the display the tests were
  # given; the program then runs on the window manager's display. So Wine's
  # desktop and its windows live on another display than the program's, as
  # when the session was started from elsewhere: the case in which hiding a
  # window that covers the screen ended the program.
  source "$QZ_ROOT/tools/xvfb.sh"
  command -v openbox >/dev/null && command -v xdotool >/dev/null && command -v wmctrl >/dev/null ||
    qz_die "openbox, xdotool and wmctrl are needed (tools/deps.sh)"
  session_xvfb=
  if [ -z "${DISPLAY:-}" ]; then
    qz_start_xvfb || exit 4
    session_xvfb=$QZ_XVFB_PID
  fi
  wineserver -p </dev/null >/dev/null 2>&1
  wine rundll32.exe user32.dll,MessageBeep </dev/null >/dev/null 2>&1
  qz_start_xvfb || exit 4
  openbox >/dev/null 2>&1 &
  wm=$!
  for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
  # The local HTTP server every program run through tools/wine-run expects,
  # ended with the scenario.
  source "$QZ_ROOT/tests/support/http_server.sh"
  qz_http_server_alive || qz_start_http_server || exit 5
  http_port=$(tr -d '\r\n ' <"$QZ_HTTP_PORTFILE")
  rm -f "$dir"/host-*
  log="$dir/driver-$name.log"
  : >"$log"
  run_driver "$@" >"$log" 2>&1 &
  driver_pid=$!
  bash "$host" "$log" "$dir" 2>"$log.host" &
  host_pid=$!
  wait "$driver_pid"
  rc=$?
  kill "$host_pid" 2>/dev/null
  wait "$host_pid" 2>/dev/null
  cat "$log"
  [ -s "$log.host" ] && sed 's/^/host: /' "$log.host"
  wineserver -k >/dev/null 2>&1
  qz_stop_http_server
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
  qz_stop_xvfb
  [ -n "$session_xvfb" ] && { kill "$session_xvfb" 2>/dev/null; wait "$session_xvfb" 2>/dev/null; }
else
  # The local test HTTP server (started by test.sh; a single run starts a shared one).
  source "$QZ_ROOT/tests/support/http_server.sh"
  qz_http_server_alive || qz_ensure_http_server || qz_die "the test HTTP server did not start"
  http_port=$(tr -d '\r\n ' <"$QZ_HTTP_PORTFILE")
  run_driver "$@"
  rc=$?
fi
# A script's host-side check (<name>.check.sh) runs after the driver passed.
check="$QZ_ROOT/tests/e2e/$name.check.sh"
if [ $rc = 0 ] && [ -x "$check" ]; then "$check" || rc=1; fi
if compgen -G "$out/*" >/dev/null; then
  mkdir -p "$QZ_BUILD/e2e"
  cp -f "$out"/* "$QZ_BUILD/e2e/"
  echo "captures: $(cd "$out" && ls | sed "s|^|$QZ_BUILD/e2e/|" | tr '\n' ' ')"
fi
exit $rc
