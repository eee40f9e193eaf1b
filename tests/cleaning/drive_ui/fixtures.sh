#!/usr/bin/env bash
# Host-side check of the Drive Cleaner window tests and of the end-to-end
# scenario tests/e2e/drive_cleaner.qzs: every file they recycled (listed in
# C:\qztests\expect-trash-dcui.txt) must have its entry in the sandbox's trash.
# ./test.sh runs "create" before the tests and "remove" after them; "remove"
# checks (non-zero exit when a file is missing from the trash), then takes the
# tests' own items (below D:\qzdcui\ and C:\QzJunk\, and the scenario's
# qz-e2e-junk files) out of the trash.
#   tests/cleaning/drive_ui/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"

expect="$WINEPREFIX/drive_c/qztests/expect-trash-dcui.txt"

# Percent-decoding of a trashinfo Path value.
urldecode() { local s=${1//+/ }; printf '%b' "${s//%/\\x}"; }

tidy_trash() {
  local f p n
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(urldecode "$(sed -n 's/^Path=//p' "$f" | head -n1)")
    case "${p,,}" in
      */dosdevices/d:/qzdcui/*|"${QZ_DRIVES,,}"/d/qzdcui/*|*/qzjunk/*|*/qz-e2e-junk*)
        n=$(basename "$f" .trashinfo)
        rm -rf -- "$XDG_DATA_HOME/Trash/files/$n" "$f" ;;
    esac
  done
}

check() {
  [ -f "$expect" ] || return 0
  local rc=0 paths=() f p line letter rest a b found checked=0
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(sed -n 's/^Path=//p' "$f" | head -n1)
    paths+=("$(urldecode "$p")")
  done
  while IFS= read -r line; do
    line=${line%$'\r'}
    [ -n "$line" ] || continue
    letter=$(printf '%s' "${line:0:1}" | tr 'A-Z' 'a-z')
    rest=${line:3}
    rest=${rest//\\//}
    a="$WINEPREFIX/dosdevices/$letter:/$rest"
    b="$QZ_DRIVES/$letter/$rest"
    [ "$letter" = c ] && b="$WINEPREFIX/drive_c/$rest"
    found=0
    for p in "${paths[@]}"; do
      if [ "${p,,}" = "${a,,}" ] || [ "${p,,}" = "${b,,}" ]; then found=1; break; fi
    done
    checked=$((checked + 1))
    [ $found = 1 ] || { echo "host-fixture (drive_ui): $line is not in the trash" >&2; rc=1; }
  done <"$expect"
  [ $rc = 0 ] && echo "host-fixture (drive_ui): $checked recycled files found in the sandbox's trash"
  rm -f -- "$expect"
  return $rc
}

case "${1:-}" in
  create) rm -f -- "$expect" ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
