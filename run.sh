#!/usr/bin/env bash
# Builds the suite and starts it inside its Wine sandbox.
# Arguments are handed to the program (for example: ./run.sh /OCO).
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
# A sandbox of its own, apart from the tests' one: a Wine server the tests
# started on their own display is never shared, and the tests' settings
# (no managed windows) never reach the program a user runs.
QZ_BUILD=${QZ_BUILD:-$PWD/build}
export QZ_SANDBOX=${QZ_SANDBOX:-$QZ_BUILD/sandbox-run}
source tools/env.sh
source tools/xvfb.sh
tools/build.sh --target QuenzalSuite2
tools/sandbox.sh make run
tools/sandbox.sh install
tools/guard.sh run
if [ -z "${DISPLAY:-}" ]; then
  qz_start_xvfb
  echo "No display: running on the private display $DISPLAY"
  trap qz_stop_xvfb EXIT
fi
cd "$QZ_PROGDIR"
wine "$QZ_PROGDIR_WIN\\QuenzalSuite2.exe" "$@"
