#!/usr/bin/env bash
# Host-side fixture of the DLL Cleaner tests. "create" copies the fixture
# libraries the build made ($QZ_BUILD/dllfx) into C:\qztests\bin\dllfx and
# makes what a Windows program under Wine cannot make itself: folder links on
# the fixture drive D:. "remove" checks that every file the tests recycled
# (listed in C:\qztests\expect-trash-dll.txt) is in the sandbox's trash, then
# takes the fixture and the tests' own items out of the trash.
#
# D:\qzdlllink\
#   win\System32\QZLNK.DLL       the reference (2.0.0.0)
#   tree\real\QZLNK.DLL          a copy (1.0.0.0)
#   tree\loop -> tree            a loop
#   tree\canary-link -> the canary
#   tree\outside-link -> a folder outside the drives holding QZLNK.DLL
#   tests/cleaning/dll/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"

fx="$QZ_DRIVES/d/qzdlllink"
outside="$QZ_SANDBOX/dll-outside"
expect="$WINEPREFIX/drive_c/qztests/expect-trash-dll.txt"
libs="$QZ_BUILD/dllfx"

remove() { rm -rf -- "$fx" "$outside"; }

tidy_trash() {
  qz_tidy_trash '*/dosdevices/d:/qztests/dll-*' "${QZ_DRIVES,,}/d/qztests/dll-*" '*/qzdlle2e/*'
}

create() {
  remove
  rm -f -- "$expect"
  [ -d "$QZ_CANARY" ] || { echo "host-fixture (dll): no canary at $QZ_CANARY" >&2; return 1; }
  # A build of other targets only has no libraries; the DLL tests then fail.
  [ -f "$libs/qzfx64_1.dll" ] || { echo "host-fixture (dll): no fixture libraries in $libs (target dll_fixtures)"; return 0; }
  mkdir -p "$QZ_TESTBIN/dllfx"
  cp -f "$libs"/*.dll "$QZ_TESTBIN/dllfx/"
  mkdir -p "$fx/win/System32" "$fx/tree/real" "$outside"
  cp "$libs/qzfx64_2.dll" "$fx/win/System32/QZLNK.DLL"
  cp "$libs/qzfx64_1.dll" "$fx/tree/real/QZLNK.DLL"
  cp "$libs/qzfx64_1.dll" "$outside/QZLNK.DLL"
  ln -s ../tree "$fx/tree/loop"
  ln -s "$QZ_CANARY" "$fx/tree/canary-link"
  ln -s "$outside" "$fx/tree/outside-link"
}

check() { qz_check_expected_trash "$expect" "host-fixture (dll)"; }

case "${1:-}" in
  create) create ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; remove; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
