#!/usr/bin/env bash
# Host-side check of the file-type window tests and of the end-to-end
# scenario tests/e2e/file_types.qzs: every undo file they deleted (listed in
# C:\qztests\expect-trash-fa.txt) must have its entry in the sandbox's trash,
# and for every folder listed in C:\qztests\expect-trash-fa-folders.txt (the
# scenario's undo files are named by the time) some ".reg" file of it.
# ./test.sh runs "create" before the tests and "remove" after them; "remove"
# checks (non-zero exit when a file is missing from the trash), then takes the
# tests' own undo files out of the trash.
#   tests/filetools/assoc/ui/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"

expect="$WINEPREFIX/drive_c/qztests/expect-trash-fa.txt"
folders="$WINEPREFIX/drive_c/qztests/expect-trash-fa-folders.txt"

# Some trash entry is a ".reg" file below each listed C: folder.
check_folders() {
  [ -f "$folders" ] || return 0
  local rc=0 line rest f p found
  while IFS= read -r line; do
    line=${line%$'\r'}
    line=${line%% }
    [ -n "$line" ] || continue
    rest=${line:3}
    rest=${rest//\\//}
    found=0
    for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
      [ -f "$f" ] || continue
      p=$(qz_urldecode "$(sed -n 's/^Path=//p' "$f" | head -n1)")
      p=${p,,}
      case "$p" in
        "${WINEPREFIX,,}/drive_c/${rest,,}"*.reg|"${WINEPREFIX,,}/dosdevices/c:/${rest,,}"*.reg) found=1; break ;;
      esac
    done
    if [ $found = 1 ]; then
      echo "host-fixture (file types): an undo file of $line is in the sandbox's trash"
    else
      echo "host-fixture (file types): no undo file of $line is in the trash" >&2
      rc=1
    fi
  done <"$folders"
  rm -f -- "$folders"
  return $rc
}

tidy_trash() {
  qz_tidy_trash "*/qztests/scratch/fa_ui/backups/fa/*" "*/brinvale sysvantor quenzal suite 2/backups/fa/*"
}

check() {
  local rc=0
  qz_check_expected_trash "$expect" "host-fixture (file types)" || rc=1
  check_folders || rc=1
  return $rc
}

case "${1:-}" in
  create) rm -f -- "$expect" "$folders" ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
