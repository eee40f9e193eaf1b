#!/usr/bin/env bash
# Host-side check of the splitter tests: every earlier part a test sent to
# the Recycle Bin (listed in C:\qztests\expect-trash-split.txt) must be in the
# sandbox's trash. ./test.sh runs "create" before the tests and "remove"
# after them; "remove" checks, then takes the tests' items out of the trash.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"
expect="$WINEPREFIX/drive_c/qztests/expect-trash-split.txt"

tidy_trash() {
  local f p n
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(sed -n 's/^Path=//p' "$f" | head -n1)
    case "$p" in
      */drive_c/qztests/scratch/fsj_*)
        n=$(basename "$f" .trashinfo)
        rm -rf -- "$XDG_DATA_HOME/Trash/files/$n" "$f" ;;
    esac
  done
}

case "${1:-}" in
  create) rm -f -- "$expect" ;;
  remove) rc=0; qz_check_expected_trash "$expect" "split" || rc=1; tidy_trash; exit $rc ;;
  *) echo "usage: $0 create|remove" >&2; exit 2 ;;
esac
