#!/usr/bin/env bash
# Host-side fixture of tests/e2e/file_tools.qzs, in C:\QzFiles\:
#   wipe\a.txt, wipe\b.txt, wipe\c.txt     files to wipe (c.txt stays)
#   keep\keep.txt                          5,000 bytes for the test mode
#   zero5000.ref                           5,000 zero bytes
#   fsj\data.bin, data.ref                 3,145,733 bytes (byte i = (7i + 3) mod 256)
# "remove" takes them away again (file_tools.check.sh checks the run).
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

case "${1:-}" in
  create) create ;;
  remove) rm -rf "$root" ;;
  *) echo "usage: $0 create|remove" >&2; exit 2 ;;
esac
