#!/usr/bin/env bash
# Builds everything and runs every test inside the Wine sandbox, headless,
# with a canary folder outside the sandbox that must stay untouched.
# Arguments go to ctest (for example: ./test.sh -R core).
set -uo pipefail
cd "$(dirname "$0")"
tools/deps.sh || exit 1
source tools/env.sh
source tools/xvfb.sh
# QZ_TARGETS names the targets to build (default: all), e.g. QZ_TARGETS="test_core".
targets=()
for t in ${QZ_TARGETS:-}; do targets+=(--target "$t"); done
tools/build.sh "${targets[@]}" || exit 1
[ -n "${QZ_TARGETS:-}" ] && { tools/build.sh --target QuenzalSuite2 || exit 1; }
tools/sandbox.sh make test || exit 1
tools/sandbox.sh install || exit 1
tools/canary.sh create || exit 1
# Host-side fixtures of the test programs (links and names Wine cannot make).
fixtures() { local f rc=0; for f in tests/*/fixtures.sh tests/*/*/fixtures.sh tests/*/*/*/fixtures.sh; do [ -x "$f" ] || continue; "$f" "$1" || rc=1; done; return $rc; }
fixtures create || exit 1

qz_start_xvfb || exit 1
wineserver -p </dev/null >/dev/null 2>&1
# Start Wine's own background processes (services, desktop, COM) now, with their
# output closed: otherwise the first test starts them and they hold its output open.
wine rundll32.exe user32.dll,MessageBeep </dev/null >/dev/null 2>&1
cleanup() { wineserver -k >/dev/null 2>&1; qz_stop_xvfb; qz_stop_http_server; fixtures remove; }
trap cleanup EXIT
# The local HTTP server for the HTTP client's tests (port in C:\qztests\http-port.txt).
source tests/support/http_server.sh
qz_start_http_server || exit 1

# A skipped test is a failure here: everything a test needs exists by now.
ctest --test-dir "$QZ_BUILD" --output-on-failure -j"${QZ_TEST_JOBS:-4}" "$@" 2>&1 | tee "$QZ_BUILD/ctest.log"
rc=${PIPESTATUS[0]}
if grep -q '\*\*\*Skipped' "$QZ_BUILD/ctest.log"; then
  echo "skipped tests (a skip is a failure here):"
  grep '\*\*\*Skipped' "$QZ_BUILD/ctest.log"
  rc=1
fi
wineserver -k >/dev/null 2>&1
fixtures remove || rc=1
tools/canary.sh check || rc=1
tools/guard.sh test || rc=1
exit $rc
