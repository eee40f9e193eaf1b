#!/usr/bin/env bash
# Host-side fixtures for test_core: what a program under Wine cannot make
# itself. Wine 8 reports success for CreateSymbolicLink but makes no link,
# and Win32 cannot create names with wildcards or a trailing dot or blank.
# ./test.sh runs "create" before the tests and "remove" after them.
#
# C:\qztests\fixtures\core\
#   walk\f.tmp, walk\real\r.tmp, walk\sub\s.tmp
#   walk\sub\up   -> ..            a folder loop
#   walk\canary   -> the canary    junk-named files outside the sandbox
#   rm\linked     -> ..\rmtarget   a link to an empty folder inside the sandbox
#   rm\tocanary   -> canary\empty  a link to an empty folder outside it
#   names\        a1b.tmp, dot.tmp beside "a?b.tmp", "s*x.tmp", "back\sl.tmp",
#                 "dot.tmp." and "bl.tmp " (names no Windows path can address)
#   names\sub\x.tmp beside the folders "sub.\y.tmp", "s*b\z.tmp" and "sub \w.tmp"
#   files\plain.tmp, files\hard.tmp (a second name of plain.tmp)
#   files\tocanary.tmp  -> the canary's a.tmp     a link to a file outside
#   files\inside.tmp    -> plain.tmp              a link to a file beside it
#   files\dangling.tmp  -> nowhere.tmp            a link to nothing (inside)
#   files\dangling-canary.tmp -> the canary's not-there.tmp
#   twins\Case.tmp, twins\case.tmp, twins2\Case.tmp, twins2\case.tmp
#                 names that differ only in case
#   restore\undo.REG, restore\ZAMO2 Backup.reg -> made.reg (a link to nothing)
#   restore\set.REG (a whole undo file), restore\linked.REG -> set.REG
# "remove" also empties the test's own items (qzcore-*) from the sandbox trash.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
root="$WINEPREFIX/drive_c/qztests/fixtures/core"

case "${1:-}" in
  create)
    rm -rf "$root"   # removes links as links, never what they lead to
    mkdir -p "$root/walk/real" "$root/walk/sub" "$root/rm" "$root/rmtarget" "$root/names"
    mkdir -p "$root/names/sub" "$root/names/sub." "$root/names/s*b" "$root/names/sub "
    for f in walk/f.tmp walk/real/r.tmp walk/sub/s.tmp names/a1b.tmp names/dot.tmp \
             'names/a?b.tmp' 'names/s*x.tmp' 'names/back\sl.tmp' 'names/dot.tmp.' 'names/bl.tmp ' \
             names/sub/x.tmp names/sub./y.tmp 'names/s*b/z.tmp' 'names/sub /w.tmp'; do
      printf 'fixture\n' >"$root/$f"
    done
    ln -s .. "$root/walk/sub/up"
    ln -s "$QZ_CANARY" "$root/walk/canary"
    ln -s ../rmtarget "$root/rm/linked"
    ln -s "$QZ_CANARY/empty" "$root/rm/tocanary"
    mkdir -p "$root/files" "$root/twins" "$root/twins2"
    printf 'plain\n' >"$root/files/plain.tmp"
    ln "$root/files/plain.tmp" "$root/files/hard.tmp"
    ln -s "$QZ_CANARY/a.tmp" "$root/files/tocanary.tmp"
    ln -s plain.tmp "$root/files/inside.tmp"
    ln -s nowhere.tmp "$root/files/dangling.tmp"
    ln -s "$QZ_CANARY/not-there.tmp" "$root/files/dangling-canary.tmp"
    mkdir -p "$root/restore"
    printf 'REGEDIT4\r\n\r\n' >"$root/restore/undo.REG"
    ln -s made.reg "$root/restore/ZAMO2 Backup.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\qztests\\core-restore-link]\r\n"Through"="the link"\r\n\r\n' \
      >"$root/restore/set.REG"
    ln -s set.REG "$root/restore/linked.REG"
    for t in twins twins2; do
      printf 'Upper\n' >"$root/$t/Case.tmp"
      printf 'lower\n' >"$root/$t/case.tmp"
    done
    ;;
  remove)
    rm -rf "$root"
    rm -f "$XDG_DATA_HOME"/Trash/files/qzcore-* "$XDG_DATA_HOME"/Trash/info/qzcore-*
    # The twins the tests recycled.
    for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
      [ -f "$f" ] || continue
      grep -q '^Path=.*/qztests/fixtures/core/' "$f" || continue
      rm -rf -- "$XDG_DATA_HOME/Trash/files/$(basename "$f" .trashinfo)" "$f"
    done
    ;;
  *) echo "usage: $0 create|remove" >&2; exit 2 ;;
esac
