#!/usr/bin/env bash
# Host-side fixture of the Drive Cleaner tests, for what a Windows program
# under Wine cannot make itself: folder links from the fixture drive D: to
# the canary outside the sandbox, and file names that hold wildcards or end in
# a dot or blank. ./test.sh runs "create" before the tests and "remove" after
# them; "remove" first checks the run (every file the tests recorded in
# C:\qztests\expect-trash.txt has its entry in the sandbox's trash, and the
# odd names are untouched; non-zero exit otherwise), then takes the fixture
# and the tests' own items out of the trash.
#
# D:\qzdclink\
#   scan\plain.tmp, scan\canary-link -> the canary
#   win\temp\note.tmp, win\temp\real\, win\temp\real2\sub\ (empty folders),
#   win\temp\canary-link -> the canary
#   wild\  a1b.tmp, axb.tmp, dot.tmp beside "a?b.tmp", "st*r.tmp", "dot.tmp.",
#          "blank.tmp ", and names with < > | : \ "
#   scan\tocanary.tmp -> the canary's a.tmp, scan\dangling.tmp -> nothing in
#          the canary, scan\hard.tmp: a second name of the canary's x.log
#   win\temp\tocanary.tmp -> the canary's Temp/f.tmp
#   win\Minidump\real.dmp, win\Minidump\tocanary.dmp -> the canary's crash.dmp
#   swap\listed\victim.tmp, and swap\staged\victim.tmp -> the canary's b.bak,
#          which a test swaps in between its search and its delete
#   twins\Case.tmp + case.tmp, twins2\Case.tmp + case.tmp (names that differ
#          only in case)
#   tests/cleaning/drive/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"

fx="$QZ_DRIVES/d/qzdclink"
expect="$WINEPREFIX/drive_c/qztests/expect-trash.txt"
odd=('a?b.tmp' 'st*r.tmp' 'dot.tmp.' 'blank.tmp ' 'lt<gt>.tmp' 'pi|pe.tmp' 'col:on.tmp' 'back\slash.tmp' 'quo"te.tmp')

remove() {
  # rm does not follow the links; it removes them as links.
  rm -rf -- "$fx"
}

# The tests' recycled files (below D:\qzdc\ and D:\qzdclink\) leave the trash.
tidy_trash() {
  local f p n
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(sed -n 's/^Path=//p' "$f" | head -n1)
    case "$p" in
      */dosdevices/d:/qzdc/*|*/dosdevices/d:/qzdclink/*|"$QZ_DRIVES"/d/qzdc/*|"$QZ_DRIVES"/d/qzdclink/*)
        n=$(basename "$f" .trashinfo)
        rm -rf -- "$XDG_DATA_HOME/Trash/files/$n" "$f" ;;
    esac
  done
}

create() {
  remove
  rm -f -- "$expect"
  [ -d "$QZ_CANARY" ] || { echo "host-fixture: no canary at $QZ_CANARY" >&2; return 1; }
  mkdir -p "$fx/scan" "$fx/wild" "$fx/win/temp/real" "$fx/win/temp/real2/sub"
  printf 'plain\n' >"$fx/scan/plain.tmp"
  printf 'note\n' >"$fx/win/temp/note.tmp"
  ln -s "$QZ_CANARY" "$fx/scan/canary-link"
  ln -s "$QZ_CANARY" "$fx/win/temp/canary-link"
  # Links to files, which look like plain files to a Windows program.
  mkdir -p "$fx/win/Minidump" "$fx/swap/listed" "$fx/swap/staged" "$fx/twins" "$fx/twins2"
  ln -s "$QZ_CANARY/a.tmp" "$fx/scan/tocanary.tmp"
  ln -s "$QZ_CANARY/gone.tmp" "$fx/scan/dangling.tmp"
  ln "$QZ_CANARY/x.log" "$fx/scan/hard.tmp"
  ln -s "$QZ_CANARY/Temp/f.tmp" "$fx/win/temp/tocanary.tmp"
  printf 'dump\n' >"$fx/win/Minidump/real.dmp"
  ln -s "$QZ_CANARY/crash.dmp" "$fx/win/Minidump/tocanary.dmp"
  printf 'victim\n' >"$fx/swap/listed/victim.tmp"
  ln -s "$QZ_CANARY/b.bak" "$fx/swap/staged/victim.tmp"
  local t
  for t in twins twins2; do
    printf 'Upper\n' >"$fx/$t/Case.tmp"
    printf 'lower\n' >"$fx/$t/case.tmp"
  done
  local n
  for n in "${odd[@]}" a1b.tmp axb.tmp dot.tmp; do
    printf 'fixture %s\n' "$n" >"$fx/wild/$n"
  done
}

check() {
  local rc=0 n
  if [ -d "$fx/wild" ]; then
    for n in "${odd[@]}" a1b.tmp axb.tmp dot.tmp; do
      [ -f "$fx/wild/$n" ] || { echo "host-fixture: $fx/wild/$n is gone" >&2; rc=1; }
    done
  fi
  qz_check_expected_trash "$expect" "host-fixture" || rc=1
  return $rc
}

case "${1:-}" in
  create) create ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; remove; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
