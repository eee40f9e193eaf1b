#!/usr/bin/env bash
# Host-side check after the Registry Cleaner's scenario: the deleted backup
# lies in the sandbox's trash, its undo file byte for byte the one the
# restore was handed (the scenario kept a copy before the restore), its count
# file saying 12, and its name the date name. The two trash entries are
# taken out again.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"
kept="$WINEPREFIX/drive_c/qztests/e2e/out-registry_cleaner/undo-before.reg"
[ -f "$kept" ] || { echo "registry_cleaner: no copy of the undo file was kept" >&2; exit 1; }
reg="" txt=""
for info in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
  [ -f "$info" ] || continue
  p=$(qz_urldecode "$(sed -n 's/^Path=//p' "$info" | head -n1)")
  lower=${p,,}
  case "$lower" in
    */backups/rc/*.reg) reg=$info ;;
    */backups/rc/*.reg.txt) txt=$info ;;
  esac
done
rc=0
[ -n "$reg" ] || { echo "registry_cleaner: the undo file is not in the trash" >&2; rc=1; }
[ -n "$txt" ] || { echo "registry_cleaner: the count file is not in the trash" >&2; rc=1; }
[ $rc = 0 ] || exit 1
regfile="$XDG_DATA_HOME/Trash/files/$(basename "$reg" .trashinfo)"
txtfile="$XDG_DATA_HOME/Trash/files/$(basename "$txt" .trashinfo)"
cmp -s "$regfile" "$kept" || { echo "registry_cleaner: the undo file changed" >&2; rc=1; }
count=$(tr -d '\r\n ' <"$txtfile")
[ "$count" = 12 ] || { echo "registry_cleaner: the count file says \"$count\", not 12" >&2; rc=1; }
name=$(basename "$(qz_urldecode "$(sed -n 's/^Path=//p' "$reg" | head -n1)")")
[[ $name =~ ^[^,]+,\ [0-9]{2}\.\ .+\ -\ .+\.REG$ ]] || { echo "registry_cleaner: \"$name\" is not a date name" >&2; rc=1; }
[ $rc = 0 ] && echo "registry_cleaner: the backup ($name, 12 entries) is in the sandbox's trash"
rm -f -- "$regfile" "$txtfile" "$reg" "$txt"
exit $rc
