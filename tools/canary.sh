#!/usr/bin/env bash
# The canary: junk-named files outside the sandbox that no run may touch.
#   tools/canary.sh create   (re)creates it and records its state
#   tools/canary.sh check    fails when anything in it changed
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
state() {
  (cd "$QZ_CANARY" && find . -printf '%y %m %s %p -> %l\n' | LC_ALL=C sort &&
   find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
}
case "${1:-}" in
  create)
    rm -rf "$QZ_CANARY"
    mkdir -p "$QZ_CANARY/sub/deeper" "$QZ_CANARY/Temp" "$QZ_CANARY/empty"
    cd "$QZ_CANARY"
    for f in a.tmp b.bak '~a.doc' '~$lock.tmp' crash.dmp b.dmpx old.old x.log \
             sub/c.tmp sub/d.bak sub/deeper/e.~mp Temp/f.tmp Temp/g.dat 'sub/h?.tmp'; do
      printf 'canary %s\n' "$f" >"$f"
    done
    head -c 70000 /dev/zero | tr '\0' 'c' >big.tmp
    chmod 444 sub/d.bak
    state >"$QZ_CANARY.state"
    ;;
  check)
    [ -d "$QZ_CANARY" ] || { echo "CANARY: $QZ_CANARY is gone" >&2; exit 1; }
    if ! diff <(state) "$QZ_CANARY.state" >"$QZ_CANARY.diff"; then
      echo "CANARY: files outside the sandbox were changed:" >&2
      cat "$QZ_CANARY.diff" >&2
      exit 1
    fi
    echo "Canary untouched: $QZ_CANARY"
    ;;
  *) echo "usage: $0 create|check" >&2; exit 2 ;;
esac
