#!/usr/bin/env bash
# Host-side fixture of the wiper tests: links, which a program under Wine
# cannot make. ./test.sh runs "create" before the tests and "remove" after
# them; "remove" fails when a marker behind a link was touched.
#
# C:\qztests\fixtures\wipe\
#   marker\keep.txt             what the links lead to
#   folder\F\f1.txt, folder\F\marker-link -> ..\..\marker   (a folder link)
#   entries\file-link.txt -> ..\marker\keep.txt              (a file link)
#   entries\dir-link      -> ..\marker                       (a folder link)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"
root="$WINEPREFIX/drive_c/qztests/fixtures/wipe"
marker='keep this marker'

case "${1:-}" in
  create)
    rm -rf "$root"   # removes links as links
    mkdir -p "$root/marker" "$root/folder/F" "$root/entries"
    printf '%s\n' "$marker" >"$root/marker/keep.txt"
    printf 'f1\n' >"$root/folder/F/f1.txt"
    ln -s ../../marker "$root/folder/F/marker-link"
    ln -s ../marker/keep.txt "$root/entries/file-link.txt"
    ln -s ../marker "$root/entries/dir-link"
    ;;
  remove)
    rc=0
    if [ -d "$root/marker" ]; then
      [ "$(cat "$root/marker/keep.txt" 2>/dev/null)" = "$marker" ] ||
        { echo "wipe fixture: the marker behind the links was touched" >&2; rc=1; }
    fi
    rm -rf "$root"
    exit $rc
    ;;
  *) echo "usage: $0 create|remove" >&2; exit 2 ;;
esac
