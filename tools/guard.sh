#!/usr/bin/env bash
# Refuses to go on unless the Wine sandbox is sealed:
#  - the prefix, HOME and the XDG folders lie inside the sandbox, and the trash folders exist;
#  - drive c: is the only drive letter (in test mode also the fixture drives d:, e:, f:,
#    which must lead into the sandbox's own drives folder);
#  - no link below drive_c leads outside the sandbox (in test mode a link may lead into
#    the canary, which is checked byte for byte after the run).
# Usage: tools/guard.sh run|test
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
mode=${1:-run}

fail() {
  echo "SANDBOX GUARD: refusing to start: $*" >&2
  echo "SANDBOX GUARD: run ./run.sh or ./test.sh to rebuild the sandbox in $QZ_SANDBOX" >&2
  exit 3
}
inside() { # inside PATH DIR: PATH resolves to DIR or below
  local p
  # A link loop does not resolve; then its own target, taken literally, must stay inside.
  p=$(realpath -m -- "$1" 2>/dev/null) || p=$(realpath -m -s -- "$(dirname -- "$1")/$(readlink -- "$1")")
  case "$p/" in "$2"/*) return 0 ;; *) return 1 ;; esac
}

real_home=$(getent passwd "$(id -u)" | cut -d: -f6)
[ "$QZ_SANDBOX" != "/" ] || fail "the sandbox is the root folder"
[ -n "$real_home" ] && [ "$QZ_SANDBOX" = "$(realpath -m "$real_home")" ] && fail "the sandbox is the real home folder"
for v in WINEPREFIX HOME XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME; do
  inside "${!v}" "$QZ_SANDBOX" || fail "$v (${!v}) lies outside the sandbox"
done
case "$WINEPREFIX" in */.wine|*/.wine/*) fail "WINEPREFIX points at a default Wine prefix" ;; esac
[ -f "$WINEPREFIX/system.reg" ] || fail "the Wine prefix does not exist"
[ -d "$XDG_DATA_HOME/Trash/files" ] && [ -d "$XDG_DATA_HOME/Trash/info" ] || fail "the trash folders are missing (recycling would delete for good)"

dd="$WINEPREFIX/dosdevices"
for e in "$dd"/* "$dd"/.[!.]*; do
  [ -e "$e" ] || [ -L "$e" ] || continue
  n=$(basename "$e")
  case "$n" in
    c:)
      [ "$(realpath -m "$e")" = "$(realpath -m "$WINEPREFIX/drive_c")" ] || fail "drive c: does not lead to the sandbox's drive_c" ;;
    d:|e:|f:)
      [ "$mode" = test ] || fail "drive $n exists"
      [ "$(realpath -m "$e")" = "$QZ_DRIVES/${n%:}" ] || fail "fixture drive $n leads outside the sandbox" ;;
    com[0-9]*|lpt[0-9]*)
      # Serial and parallel ports that Wine maps at every start: devices, not folders.
      case "$(readlink "$e")" in /dev/tty*|/dev/lp*|/dev/parport*) ;; *) fail "port $n is not a device" ;; esac ;;
    *)
      fail "drive $n exists (only c: may)" ;;
  esac
done

canary=$(realpath -m "$QZ_CANARY")
while IFS= read -r -d '' l; do
  if inside "$l" "$QZ_SANDBOX"; then continue; fi
  if [ "$mode" = test ] && inside "$l" "$canary"; then continue; fi
  fail "the link $l leads outside the sandbox"
done < <(find "$WINEPREFIX/drive_c" "$QZ_DRIVES" -type l -print0 2>/dev/null)
exit 0
