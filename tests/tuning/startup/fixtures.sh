#!/usr/bin/env bash
# Host-side check of the StartUp-Tuner tests (engine, windows and the
# end-to-end scenario): every link they recycled (listed in
# C:\qztests\expect-trash-st.txt) must have its entry in the sandbox's trash.
# ./test.sh runs "create" before the tests and "remove" after them; "remove"
# checks (non-zero exit when a link is missing from the trash), then takes the
# tests' own items (below C:\qztests\scratch\st*) out of the trash.
#   tests/tuning/startup/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"

expect="$WINEPREFIX/drive_c/qztests/expect-trash-st.txt"

tidy_trash() { qz_tidy_trash '*/drive_c/qztests/scratch/st*' '*/dosdevices/c:/qztests/scratch/st*' '*/qze2e*'; }

check() { qz_check_expected_trash "$expect" "host-fixture (startup)"; }

case "${1:-}" in
  create) rm -f -- "$expect" ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
