#!/usr/bin/env bash
# Host-side check after the file tools' scenario (tests/e2e/file_tools.qzs):
# the wiped files are in no trash entry, the test mode left exactly one file
# of 12 capital letters holding 5,000 zeros, and the copies the scenario kept
# (after the join, after the wrong password, after the decryption) hold the
# planted bytes.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
root="$WINEPREFIX/drive_c/QzFiles"
[ -f "$root/done.txt" ] || { echo "file_tools: the scenario did not reach its end" >&2; exit 1; }
rc=0
for info in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
  [ -f "$info" ] || continue
  p=$(sed -n 's/^Path=//p' "$info" | head -n1)
  case "$p" in
    */QzFiles/wipe/*|*/QzFiles/keep/*) echo "file_tools: $p went to the trash, not wiped" >&2; rc=1 ;;
  esac
done
[ "$(ls "$root/wipe")" = "c.txt" ] || { echo "file_tools: wipe\\ holds $(ls "$root/wipe" | tr '\n' ' ')" >&2; rc=1; }
left=$(ls "$root/keep")
if [ "$(printf '%s\n' "$left" | wc -l)" != 1 ] || ! [[ "$left" =~ ^[A-Z]{12}$ ]] ||
   ! cmp -s "$root/keep/$left" "$root/zero5000.ref"; then
  echo "file_tools: the test mode left keep\\ holding $(printf '%s ' $left)" >&2
  rc=1
fi
for f in joined.bin after-wrong-password.bin decrypted.bin; do
  cmp -s "$root/check/$f" "$root/data.ref" || { echo "file_tools: check\\$f differs from the planted bytes" >&2; rc=1; }
done
[ $rc = 0 ] && echo "file_tools: wiped files not in the trash, test-mode file and kept copies as expected"
exit $rc
