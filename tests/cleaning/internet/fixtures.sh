#!/usr/bin/env bash
# Host-side fixture of the Internet Cleaner's tests, for what a Windows
# program under Wine cannot make itself: links from profile folders on the
# fixture drive D: to the canary outside the sandbox, and file names that no
# Windows path can address. ./test.sh runs "create" before the tests and
# "remove" after them; "remove" first checks the run (every file the tests
# and the scenario recorded in C:\qztests\expect-trash-ic.txt has its entry in
# the sandbox's trash), then takes the fixture and the tests' own items out
# of the trash.
#
# D:\qzicfx\
#   odd\Cache\plain.bin, odd\Cache\canary-link -> the canary,
#   odd\Cache\ "dot.dat." and "a?b", odd\cookies.txt
#   linked\Cache -> the canary (a profile whose cache folder is a link),
#   linked\cookies.txt
#   tests/cleaning/internet/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"

fx="$QZ_DRIVES/d/qzicfx"
expect="$WINEPREFIX/drive_c/qztests/expect-trash-ic.txt"

remove() { rm -rf -- "$fx"; }  # rm removes the links as links

# Recycled items of the tests (D:\qzic*), the History folder's planted items
# and the end-to-end scenario's profile leave the trash.
tidy_trash() {
  qz_tidy_trash "*/dosdevices/d:/qzic*" "${QZ_DRIVES,,}/d/qzic*" "*/windows/history/*" \
    "*/mozilla/firefox/profiles/qze2e.default/*"
}

create() {
  remove
  rm -f -- "$expect"
  [ -d "$QZ_CANARY" ] || { echo "host-fixture (internet): no canary at $QZ_CANARY" >&2; return 1; }
  mkdir -p "$fx/odd/Cache" "$fx/linked"
  printf 'plain\n' >"$fx/odd/Cache/plain.bin"
  printf 'dot\n' >"$fx/odd/Cache/dot.dat."
  printf 'wild\n' >"$fx/odd/Cache/a?b"
  printf 'cookies\n' >"$fx/odd/cookies.txt"
  ln -s "$QZ_CANARY" "$fx/odd/Cache/canary-link"
  ln -s "$QZ_CANARY" "$fx/linked/Cache"
  printf 'cookies\n' >"$fx/linked/cookies.txt"
}

check() {
  local rc=0 n
  if [ -d "$fx/odd/Cache" ]; then
    for n in 'dot.dat.' 'a?b'; do
      [ -f "$fx/odd/Cache/$n" ] || { echo "host-fixture (internet): $fx/odd/Cache/$n is gone" >&2; rc=1; }
    done
  fi
  qz_check_expected_trash "$expect" "host-fixture (internet)" || rc=1
  return $rc
}

case "${1:-}" in
  create) create ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; remove; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
