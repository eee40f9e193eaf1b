#!/usr/bin/env bash
# Builds the suite and starts it inside its Wine sandbox.
# Arguments are handed to the program (for example: ./run.sh /OCO).
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
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
