#!/usr/bin/env bash
# Host-side fixture of tests/e2e/file_tools.qzs, in C:\QzFiles\:
#   wipe\a.txt, wipe\b.txt, wipe\c.txt     files to wipe (c.txt stays)
#   keep\keep.txt                          5,000 bytes for the test mode
#   zero5000.ref                           5,000 zero bytes
#   fsj\data.bin, data.ref                 3,145,733 bytes (byte i = (7i + 3) mod 256)
# "remove" checks, when the scenario got to its end (it leaves
# C:\QzFiles\done.txt), what only the host can see: the wiped files are in no
# trash entry, the test mode left exactly one file of 12 capital letters
# holding 5,000 zeros, and the copies the scenario kept in check\ (after the
# join, after the refused join and the wrong password, after the decryption)
# equal data.ref. Non-zero exit when not.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
root="$WINEPREFIX/drive_c/QzFiles"

create() {
  rm -rf "$root"
  mkdir -p "$root/wipe" "$root/keep" "$root/fsj"
  printf 'wipe me a\n' >"$root/wipe/a.txt"
  printf 'wipe me b\n' >"$root/wipe/b.txt"
  printf 'leave me\n' >"$root/wipe/c.txt"
  python3 - "$root" <<'PY'
import os, sys
root = sys.argv[1]
pattern = bytes((7 * i + 3) % 256 for i in range(3145733))
for name in ("fsj/data.bin", "data.ref"):
    with open(os.path.join(root, name), "wb") as f:
        f.write(pattern)
with open(os.path.join(root, "keep/keep.txt"), "wb") as f:
    f.write(pattern[:5000])
with open(os.path.join(root, "zero5000.ref"), "wb") as f:
    f.write(bytes(5000))
PY
}

check() {
  [ -f "$root/done.txt" ] || return 0
  local rc=0 f p n
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(sed -n 's/^Path=//p' "$f" | head -n1)
    case "$p" in
      */QzFiles/wipe/*|*/QzFiles/keep/*) echo "file_tools: $p went to the trash, not wiped" >&2; rc=1 ;;
    esac
  done
  [ "$(ls "$root/wipe")" = "c.txt" ] || { echo "file_tools: wipe\\ holds $(ls "$root/wipe" | tr '\n' ' ')" >&2; rc=1; }
  n=$(ls "$root/keep" | wc -l)
  f=$(ls "$root/keep" | head -n1)
  if [ "$n" != 1 ] || ! [[ "$f" =~ ^[A-Z]{12}$ ]] || ! cmp -s "$root/keep/$f" "$root/zero5000.ref"; then
    echo "file_tools: the test mode left keep\\ holding $(ls "$root/keep" | tr '\n' ' ')" >&2
    rc=1
  fi
  for f in joined.bin after-wrong-password.bin decrypted.bin; do
    cmp -s "$root/check/$f" "$root/data.ref" || { echo "file_tools: check\\$f differs from data.ref" >&2; rc=1; }
  done
  return $rc
}

case "${1:-}" in
  create) create ;;
  remove) rc=0; check || rc=1; rm -rf "$root"; exit $rc ;;
  *) echo "usage: $0 create|remove" >&2; exit 2 ;;
esac
