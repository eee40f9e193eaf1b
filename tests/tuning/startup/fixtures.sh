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

tidy_trash() {
  local f p n
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(qz_urldecode "$(sed -n 's/^Path=//p' "$f" | head -n1)")
    case "${p,,}" in
      */drive_c/qztests/scratch/st*|*/dosdevices/c:/qztests/scratch/st*|*/qze2e*)
        n=$(basename "$f" .trashinfo)
        rm -rf -- "$XDG_DATA_HOME/Trash/files/$n" "$f" ;;
    esac
  done
}

check() { qz_check_expected_trash "$expect" "host-fixture (startup)"; }

case "${1:-}" in
  create) rm -f -- "$expect" ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
